// The layout of a text layer apart from the platform's text services: the
// layer asks a TextDevice to measure each glyph and to draw it on an 8-bit
// picture, and does everything else itself (glyph boxes of turned glyphs,
// lines, alignment, the reduction of an anti-aliased picture and the
// rendering into the layer's image and mask). The Windows side implements
// the device with GDI (win/GdiTextDevice.h); the tests feed it glyph boxes
// of their own.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

class CCharFormat;

namespace lumora {

// What the device measures of one character: the extent of the character
// alone and the descent of its font.
struct GlyphExtent {
  int cx = 0;
  int cy = 0;
  int descent = 0;
};

// A glyph box: the box (0, 0, width, height) of the glyph turned about the
// bottom-left corner of its extent, the descent vector turned alike, and
// the offsets (dx, dy) from the box's top-left to where the glyph is drawn.
struct GlyphBox {
  RECT box = {};
  POINT descent = {};
  int dx = 0;
  int dy = 0;
};

// The glyph box of an extent turned by `angle` degrees (none for 0).
GlyphBox GlyphBoxFromExtent(const GlyphExtent& extent, int angle);

// The platform's text services for one layout. Fonts are point fonts of
// format.size x factor tenths of a point with the format's face and
// effects, every glyph turned by `angle` degrees; a device makes one font
// per distinct format and keeps it for its whole life.
class TextDevice {
 public:
  virtual ~TextDevice() = default;
  // The extent of the character drawn alone with its font, and the font's
  // descent; all zeros when the font cannot be made.
  virtual GlyphExtent MeasureGlyph(const CCharFormat& format, int factor, int angle) = 0;
  // An 8-bit picture of width x height, every byte 255; false when it
  // cannot be made. A new size gives a new picture.
  virtual bool BeginPicture(int width, int height) = 0;
  // Draws the character in ink of value 0 with its baseline's left end at
  // (x, y), leaving the rest of the picture as it is.
  virtual void DrawGlyph(const CCharFormat& format, int factor, int angle, int x, int y) = 0;
  // Row y of the picture counted from the top (width bytes), once drawn.
  virtual const std::uint8_t* PictureRow(int y) = 0;
};

// Reduces a width x height picture by `factor` (1, 2 or 3) into the
// coverage buffer (width / factor x height / factor, rows of `stride`
// bytes): 1 copies; 2 gives (a + b + c + d + 2) >> 2 of each 2 x 2 block;
// 3 gives (16 centre + 4 (edge neighbours) + corners + 18) / 36 of each
// 3 x 3 block. Rows come from `row(y)`.
template <class RowSource>
void ReduceCoverage(int factor, int width, int height, RowSource row, std::uint8_t* coverage,
                    int stride);

}  // namespace lumora

#include "engine/layers/TextLayout.inl"
