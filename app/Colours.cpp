#include "app/Colours.h"

namespace lumora {
namespace {

int Red(COLORREF c) { return static_cast<int>(c & 0xFF); }
int Green(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
COLORREF Rgb(int r, int g, int b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

}  // namespace

int NearestPaletteIndex(COLORREF rgb, const std::vector<COLORREF>& palette) {
  int best = 0;
  long long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long long dr = Red(palette[i]) - Red(rgb), dg = Green(palette[i]) - Green(rgb),
                    db = Blue(palette[i]) - Blue(rgb);
    const long long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

ColourForms ConvertColour(COLORREF rgb, const ImageColourMode& mode) {
  ColourForms forms;
  forms.rgb = rgb & 0xFFFFFF;
  if (mode.mode == 8) {
    const int level = (2 * Red(rgb) + Green(rgb)) / 3;
    forms.display = Rgb(level, level, level);
    forms.index = level;
  } else if (IsIndexedMode(mode.mode) && !mode.palette.empty()) {
    forms.index = NearestPaletteIndex(rgb, mode.palette);
    forms.display = mode.palette[static_cast<std::size_t>(forms.index)] & 0xFFFFFF;
  } else {
    forms.display = forms.rgb;
  }
  return forms;
}

}  // namespace lumora
