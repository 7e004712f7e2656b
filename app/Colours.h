// The foreground and background colours in the forms the active image
// needs: the RGB value, what it looks like in the image's mode (grey level,
// nearest palette entry or the colour itself) and its palette index.
#pragma once

#include <vector>

#include "platform/win32types.h"

namespace lumora {

// The active image's colour mode: 16 direct colour, 8 grey, 1, 2 or 4
// indexed (with the image's palette, 2^bits entries).
struct ImageColourMode {
  int mode = 16;
  std::vector<COLORREF> palette;
};

struct ColourForms {
  COLORREF rgb = 0;
  COLORREF display = 0;  // the colour as the image can hold it
  int index = 0;         // its palette index (0 when the mode has none)
};

// The colour converted to the mode: grey level (2 red + green) / 3 in all
// three bytes; the nearest palette entry; or the colour itself.
ColourForms ConvertColour(COLORREF rgb, const ImageColourMode& mode);
// The entry nearest the colour (smallest sum of squared differences, the
// first of equals); 0 for an empty palette.
int NearestPaletteIndex(COLORREF rgb, const std::vector<COLORREF>& palette);
// Whether the mode keeps colours by palette index.
inline bool IsIndexedMode(int mode) { return mode == 1 || mode == 2 || mode == 4; }

}  // namespace lumora
