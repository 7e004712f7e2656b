// Small services around the layer stack: pattern and colour fills of image
// buffers, filling parts of a layer or its mask, converting a layer to the
// stack's image type, and the colour records of the layered file.
#include <algorithm>
#include <cstring>

#include "engine/pixels/ColorModels.h"
#include "engine/blend/CompositeKernels.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/RowConverters.h"
#include "platform/rect.h"

namespace {

// The part of an image a fill covers: all of it for null, else the given
// rect inside it (empty for an empty rect).
bool FillArea(const VrWA2000::WA* image, const RECT* rect, RECT* out) {
  *out = RECT{0, 0, image->GetW(), image->GetH()};
  if (rect == nullptr) return !lumora::RectIsEmpty(*out);
  return lumora::RectIntersect(out, *out, *rect);
}

// A packed DIB of a given depth: its size and the address of its rows.
struct Dib {
  int width = 0;
  int height = 0;
  int stride = 0;
  const std::uint8_t* bits = nullptr;
};

bool ReadDib(const std::uint8_t* packed, int bitsPerPixel, Dib* dib) {
  if (packed == nullptr) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, packed, sizeof header);
  if (header.biBitCount != bitsPerPixel || header.biWidth <= 0 || header.biHeight <= 0)
    return false;
  dib->width = header.biWidth;
  dib->height = header.biHeight;
  dib->stride = ((dib->width * bitsPerPixel + 31) / 32) * 4;
  // Rows follow the 40-byte header and, for 8 bits, 256 colour entries.
  dib->bits = packed + sizeof header + (bitsPerPixel == 8 ? 256 * sizeof(RGBQUAD) : 0);
  return true;
}

bool FitsDepth(const VrWA2000::WA* image, int bytes) {
  if (image == nullptr) return false;
  const int type = image->GetType();
  return bytes == 3 ? type == kWAType24 : (type == kWAType8Grey || type == kWAType8Palette);
}

// Pixel (x, y) of the area takes the DIB pixel at column
// dibWidth * (x mod tileW) / tileW and row dibHeight * (y mod tileH) / tileH.
void Pattern(VrWA2000::WA* image, const Dib& dib, const RECT& area, int tileW, int tileH,
             int bytes) {
  for (LONG y = area.top; y < area.bottom; ++y) {
    const std::uint8_t* src =
        dib.bits + static_cast<std::ptrdiff_t>(dib.stride) *
                       (static_cast<long long>(dib.height) * (y % tileH) / tileH);
    std::uint8_t* dst = image->Row(y);
    for (LONG x = area.left; x < area.right; ++x) {
      const long long column = static_cast<long long>(dib.width) * (x % tileW) / tileW;
      std::memcpy(dst + bytes * x, src + bytes * column, static_cast<std::size_t>(bytes));
    }
  }
}

void FillPattern(VrWA2000::WA* image, const std::uint8_t* packed, COLORREF colour, const RECT* rect,
                 int scale, int bytes) {
  if (!FitsDepth(image, bytes)) return;
  if (packed == nullptr) {
    bytes == 3 ? FillColor24(image, colour, rect) : FillColor8(image, colour, rect);
    return;
  }
  Dib dib;
  RECT area;
  if (!ReadDib(packed, bytes * 8, &dib) || !FillArea(image, rect, &area)) return;
  scale = std::max(scale, 1);
  // Tiles of even size, at least 2 x 2.
  const int tileW =
      std::max(2, static_cast<int>((static_cast<long long>(dib.width) * scale / 100 + 1) / 2 * 2));
  const int tileH =
      std::max(2, static_cast<int>((static_cast<long long>(dib.height) * scale / 100 + 1) / 2 * 2));
  if (scale == 100) {
    Pattern(image, dib, area, dib.width, dib.height, bytes);
  } else {
    Pattern(image, dib, area, tileW, tileH, bytes);
  }
}

void TilePattern(VrWA2000::WA* image, const std::uint8_t* packed, const RECT* rect, int bytes) {
  Dib dib;
  RECT area;
  if (!FitsDepth(image, bytes) || !ReadDib(packed, bytes * 8, &dib) ||
      !FillArea(image, rect, &area)) {
    return;
  }
  Pattern(image, dib, area, dib.width, dib.height, bytes);
}

void FillBytes(VrWA2000::WA* image, const RECT* rect, const std::uint8_t* value, int bytes) {
  RECT area;
  if (image == nullptr || !FillArea(image, rect, &area)) return;
  for (LONG y = area.top; y < area.bottom; ++y) {
    std::uint8_t* p = image->Row(y) + bytes * area.left;
    for (LONG x = area.left; x < area.right; ++x, p += bytes) std::memcpy(p, value, bytes);
  }
}

}  // namespace

void FillPattern24(VrWA2000::WA* image, const std::uint8_t* dib, COLORREF colour, const RECT* rect,
                   int scale) {
  FillPattern(image, dib, colour, rect, scale, 3);
}

void FillPattern8(VrWA2000::WA* image, const std::uint8_t* dib, COLORREF colour, const RECT* rect,
                  int scale) {
  FillPattern(image, dib, colour, rect, scale, 1);
}

void TilePattern24(VrWA2000::WA* image, const std::uint8_t* dib, const RECT* rect) {
  TilePattern(image, dib, rect, 3);
}

void TilePattern8(VrWA2000::WA* image, const std::uint8_t* dib, const RECT* rect) {
  TilePattern(image, dib, rect, 1);
}

void FillColor24(VrWA2000::WA* image, COLORREF colour, const RECT* rect) {
  if (!FitsDepth(image, 3)) return;
  const std::uint8_t bgr[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
  FillBytes(image, rect, bgr, 3);
}

void FillColor8(VrWA2000::WA* image, COLORREF colour, const RECT* rect) {
  if (!FitsDepth(image, 1)) return;
  const auto grey = static_cast<std::uint8_t>(
      lumora::Luminance(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
  FillBytes(image, rect, &grey, 1);
}

bool FillLayerRect(CLayer* layer, const RECT& rect, int value) {
  VrWA2000::WA* image = layer != nullptr ? layer->PeekImage() : nullptr;
  if (image == nullptr) return false;
  const int type = image->GetType();
  if (type != kWAType24 && type != kWAType8Grey) return false;
  RECT area;
  if (!lumora::RectIntersect(&area, rect, layer->GetRect())) return false;
  lumora::RectOffset(&area, -layer->GetRect().left, -layer->GetRect().top);
  const int bytes = type == kWAType24 ? 3 : 1;
  const std::uint8_t v[3] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value),
                             static_cast<std::uint8_t>(value)};
  FillBytes(image, &area, v, bytes);
  return true;
}

bool ModifyLayerMaskRect(CLayer* layer, const RECT& rect, int value, int operation) {
  if (layer == nullptr || (operation != 8 && operation != 12)) return false;
  VrWA2000::WA* mask = layer->HasMask() != 0 ? layer->PeekMask() : nullptr;
  if (mask == nullptr) return false;
  RECT area;
  if (!lumora::RectIntersect(&area, rect, layer->GetRect())) return false;
  const RECT& place = layer->GetMaskRect();
  const RECT extent{place.left, place.top, place.left + mask->GetW(), place.top + mask->GetH()};
  if (!lumora::RectIntersect(&area, area, extent)) return true;
  const int v = std::clamp(value, 0, 255);
  for (LONG y = area.top; y < area.bottom; ++y) {
    std::uint8_t* m = mask->Row(y - place.top) + (area.left - place.left);
    for (LONG x = 0; x < area.right - area.left; ++x) {
      m[x] = static_cast<std::uint8_t>(
          operation == 12 ? v : lumora::detail::Div255(static_cast<std::uint32_t>(m[x] * v)));
    }
  }
  return true;
}

bool ConvertLayerType(CLayer* layer, int type, int) {
  VrWA2000::WA* image = layer != nullptr ? layer->PeekImage() : nullptr;
  if (image == nullptr) return false;
  if (image->GetType() == type) return true;
  if (type != kWAType8Grey && type != kWAType24) return false;
  const std::uint32_t resolution = static_cast<std::uint32_t>(image->GetXRes() & 0xFFFF) |
                                   static_cast<std::uint32_t>(image->GetYRes() & 0xFFFF) << 16;
  const WAPtr converted =
      WAPtr::Adopt(ConvertImageFormat(type, image, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  if (!converted) return false;
  layer->SetImage(converted.get());
  layer->SetImageType(type);
  layer->SetResolution(resolution);
  return true;
}

void SetPSDColorRGB(lumora::PSDColor* record, int red, int green, int blue) {
  record->space = 0;
  record->components[0] = static_cast<std::uint16_t>((red & 255) * 257);
  record->components[1] = static_cast<std::uint16_t>((green & 255) * 257);
  record->components[2] = static_cast<std::uint16_t>((blue & 255) * 257);
  record->components[3] = 0;
}

COLORREF PSDColorToRGB(const lumora::PSDColor& color) {
  const int c0 = color.components[0], c1 = color.components[1], c2 = color.components[2];
  if (color.space == 1) {
    // HSB: hue in degrees times 182, saturation and brightness in percent
    // times 655, onto the HSV scales (hue 0..1535, the others 0..256).
    const int hue = (c0 / 182) * 1536 / 360;
    const int saturation = (c1 / 655) * 256 / 100;
    const int brightness = std::min(255, (c2 / 655) * 256 / 100);
    int red = 0, green = 0, blue = 0;
    HSVToRGB(hue, saturation, brightness, red, green, blue);
    return RGB(static_cast<BYTE>(red), static_cast<BYTE>(green), static_cast<BYTE>(blue));
  }
  if (color.space == 7) return 0;  // Lab is not converted: black
  return RGB(static_cast<BYTE>(c0 >> 8), static_cast<BYTE>(c1 >> 8), static_cast<BYTE>(c2 >> 8));
}

COLORREF PSDColorToRGB(int space, const std::uint8_t components[8]) {
  lumora::PSDColor color;
  color.space = static_cast<std::uint16_t>(space);
  for (int i = 0; i < 4; ++i) {
    color.components[i] =
        static_cast<std::uint16_t>(components[2 * i] << 8 | components[2 * i + 1]);
  }
  return PSDColorToRGB(color);
}
