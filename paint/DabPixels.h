// Laying one dab into a stroke's work buffers: colour into the paint image,
// accumulated coverage into the paint mask, paper times selection into the
// auxiliary buffer. Works on plain row views so that the same loop serves
// the paint layer and tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32types.h"

namespace paint {

// Rows of an 8- or 24-bit plane: row y starts at bits + y * stride.
struct PlaneView {
  std::uint8_t* bits = nullptr;
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  std::uint8_t* Row(int y) const { return bits + static_cast<std::ptrdiff_t>(y) * stride; }
  bool Present() const { return bits != nullptr; }
};

// x / 255 truncated, for 0 <= x <= 65535 (multiply and shift, exact there).
inline std::uint32_t Div255(std::uint32_t x) { return (x * 0x8081u) >> 23; }

// Grey of a colour: (30 R + 59 G + 11 B) / 100.
inline int GreyOf(int red, int green, int blue) { return (30 * red + 59 * green + 11 * blue) / 100; }

// Coverage of the selection limit at a point of the target layer.
struct SelectionLimit {
  PlaneView mask;  // 8-bit; absent: no selection, coverage 255
  RECT rect{};     // where the mask lies, in target-layer coordinates
  bool inverted = false;
  int CoverageAt(int x, int y) const {
    if (!mask.Present()) return 255;
    if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) return inverted ? 255 : 0;
    const int v = mask.Row(y - rect.top)[x - rect.left];
    return inverted ? 255 - v : v;
  }
};

// Colour rules of the paint brush: 0 plain paint; 1 paint only where the
// source is brighter, 2 only where darker than the colour; 3 colour's hue
// and saturation with the source's value; 4 source's hue and saturation with
// the colour's value; 5 colour's hue; 6 colour's saturation.
enum ColourMode : int { kColourPlain = 0, kColourLastMode = 6 };

// Everything one dab needs. Coordinates: `dab` and `paintRect` in image
// coordinates; the source, selection and paper in target-layer coordinates
// (image coordinates minus `layerOrigin`).
struct DabJob {
  int imageType = 16;  // 8 grey or 16 blue-green-red
  PlaneView paintImage;
  PlaneView paintMask;
  PlaneView aux;       // optional
  PlaneView source;    // the target's pixels, read by the colour rules
  PlaneView paper;     // optional 8-bit texture, tiled
  const SelectionLimit* selection = nullptr;
  RECT paintRect{};
  POINT layerOrigin{};
  RECT dab{};
  const std::uint8_t* mask = nullptr;  // dab width x dab height coverage
  int pressure = 255;                  // 0..255
  int red = 0, green = 0, blue = 0;
  int colourMode = kColourPlain;
  bool plain = true;  // no jitter and no colour rule: coverage only
};

// Writes `colour` (in the buffer's channel order, `channels` bytes) into a
// pixel with coverage c over the accumulated coverage *m, by the general
// rule: full coverage sets the colour (and *m := 255); over a full *m the
// colour mixes by c; otherwise the two coverages combine to
// D = 65025 - (255 - c)(255 - m) and the old colour keeps (255 - c) m of D.
void BlendPixel(std::uint8_t* px, const std::uint8_t* colour, int channels, int c, std::uint8_t* m);
// A colour in a buffer's channel order: blue, green, red, or for grey
// (channels 1) its luminance.
void StoreColour(int red, int green, int blue, int channels, std::uint8_t* out);

// Lays the dab; returns the painted rectangle (image coordinates, possibly
// empty).
RECT PaintDabPixels(const DabJob& job);

// The preview form: blends the dab's colour into `dest` (24-bit or grey, by
// `imageType`) by coverage, without coverage buffers. `destRect` places dest
// in the dab's coordinates.
void PaintDabPreview(const PlaneView& dest, const RECT& destRect, const RECT& dab, const std::uint8_t* mask,
                     int pressure, int imageType, int red, int green, int blue);

}  // namespace paint
