// Row converters and the conversions built on them.
#include "engine/pixels/RowConverters.h"

#include <algorithm>
#include <memory>

namespace {

using lumora::Luminance;

std::uint8_t GreyOf(const PALETTEENTRY& e, int blue) {
  return static_cast<std::uint8_t>(blue != 0 ? e.peBlue : Luminance(e.peRed, e.peGreen, e.peBlue));
}

void Put24(std::uint8_t* dst, const PALETTEENTRY& e) {
  dst[0] = e.peBlue;
  dst[1] = e.peGreen;
  dst[2] = e.peRed;
}

// Palette index of pixel `first + i` of a 1- or 4-bit row.
int BitIndex(const std::uint8_t* src, int pixel) {
  return (src[pixel >> 3] >> (7 - (pixel & 7))) & 1;
}
int NibbleIndex(const std::uint8_t* src, int pixel) {
  const std::uint8_t byte = src[pixel >> 1];
  return (pixel & 1) == 0 ? byte >> 4 : byte & 15;
}

}  // namespace

void ConvertRow1ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue) {
  const std::uint8_t grey[2] = {GreyOf(palette[0], blue), GreyOf(palette[1], blue)};
  for (int i = 0; i < count; ++i) dst[i] = grey[BitIndex(src, first + i)];
}

void ConvertRow4ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue) {
  for (int i = 0; i < count; ++i) dst[i] = GreyOf(palette[NibbleIndex(src, first + i)], blue);
}

void ConvertRow8ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue) {
  for (int i = 0; i < count; ++i) dst[i] = GreyOf(palette[src[first + i]], blue);
}

void ConvertRow24ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY*, int count,
                        int first, int blue) {
  const std::uint8_t* p = src + 3 * first;
  if (blue != 0) {
    for (int i = 0; i < count; ++i) dst[i] = p[3 * i];
    return;
  }
  for (int i = 0; i < count; ++i) {
    dst[i] = static_cast<std::uint8_t>(Luminance(p[3 * i + 2], p[3 * i + 1], p[3 * i]));
  }
}

void ConvertRow1To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int) {
  for (int i = 0; i < count; ++i) Put24(dst + 3 * i, palette[BitIndex(src, first + i)]);
}

void ConvertRow4To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int) {
  for (int i = 0; i < count; ++i) Put24(dst + 3 * i, palette[NibbleIndex(src, first + i)]);
}

void ConvertRow8To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int) {
  for (int i = 0; i < count; ++i) Put24(dst + 3 * i, palette[src[first + i]]);
}

void ConvertRowGreyTo24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY*, int count,
                        int first, int) {
  for (int i = 0; i < count; ++i) dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = src[first + i];
}

namespace {

ROWCONVERTER ConverterTo24(int sourceType) {
  switch (sourceType) {
    case kWAType1Bit:
      return ConvertRow1To24;
    case kWAType4Bit:
      return ConvertRow4To24;
    case kWAType8Palette:
      return ConvertRow8To24;
    case kWAType8Grey:
      return ConvertRowGreyTo24;
    default:
      return nullptr;
  }
}

ROWCONVERTER ConverterToGrey(int sourceType, bool fromColour) {
  switch (sourceType) {
    case kWAType1Bit:
      return ConvertRow1ToGrey;
    case kWAType4Bit:
      return ConvertRow4ToGrey;
    case kWAType8Palette:
      return ConvertRow8ToGrey;
    case kWAType24:
      return fromColour ? ConvertRow24ToGrey : nullptr;
    default:
      return nullptr;
  }
}

bool IsPaletteType(int type) {
  return type == kWAType1Bit || type == kWAType4Bit || type == kWAType8Palette;
}

// The source's palette into a 256-entry table (2^bits entries from 0).
void ReadPalette(const VrWA2000::WA* source, PALETTEENTRY* table) {
  source->GetPaletteEntries(0, static_cast<std::uint16_t>(1 << source->GetBPP()), table);
}

}  // namespace

VrWA2000::WA* ConvertImageFormat(int targetType, VrWA2000::WA* source, const PALETTEENTRY* palette,
                                 PROGRESSPROC callback, int* position, int* total, int* cancelled,
                                 int blue) {
  if (source == nullptr) return nullptr;
  ROWCONVERTER convert = nullptr;
  if (targetType == kWAType24) convert = ConverterTo24(source->GetType());
  if (targetType == kWAType8Grey) convert = ConverterToGrey(source->GetType(), true);
  if (convert == nullptr || source->GetType() == targetType) return nullptr;
  PALETTEENTRY own[256] = {};
  if (palette == nullptr && IsPaletteType(source->GetType())) {
    ReadPalette(source, own);
    palette = own;
  }
  WAPtr dest = WAPtr::Adopt(NewWA(targetType, source->GetW(), source->GetH(), nullptr));
  if (!dest) return nullptr;
  const std::unique_ptr<WAPIX> out(NewWAPIX(dest.get(), true));
  const std::unique_ptr<WAPIX> in(NewWAPIX(source, false));
  for (int y = 0; y < source->GetH(); ++y) {
    std::uint8_t* d = GetWARow(y, out.get());
    const std::uint8_t* s = GetWARow(y, in.get());
    if (d == nullptr || s == nullptr) continue;
    convert(d, s, palette, source->GetW(), 0, blue);
    if (callback != nullptr && position != nullptr && total != nullptr) {
      *position += 1;
      if (callback(*position, *total) == 0) {
        if (cancelled != nullptr) *cancelled = 1;
        return nullptr;
      }
    }
  }
  return dest.Detach();
}

int CopyImageToRGB(VrWA2000::WA* destination, POINT* destinationPoint, VrWA2000::WA* source,
                   POINT* sourcePoint, int width, int height, int blue) {
  if (destination == nullptr || destinationPoint == nullptr || source == nullptr ||
      sourcePoint == nullptr) {
    return 0;
  }
  if (destination->GetType() == source->GetType()) {
    return VrWA2000::ReadWriteWA::Copy(destination, *destinationPoint, source, *sourcePoint, width,
                                       height, 12);
  }
  ROWCONVERTER convert = nullptr;
  if (destination->GetType() == kWAType24) convert = ConverterTo24(source->GetType());
  if (destination->GetType() == kWAType8Grey) convert = ConverterToGrey(source->GetType(), false);
  if (convert == nullptr) return 0;
  POINT& dp = *destinationPoint;
  POINT& sp = *sourcePoint;
  dp.x = std::clamp<LONG>(dp.x, 0, destination->GetW() - 1);
  dp.y = std::clamp<LONG>(dp.y, 0, destination->GetH() - 1);
  sp.x = std::clamp<LONG>(sp.x, 0, source->GetW() - 1);
  sp.y = std::clamp<LONG>(sp.y, 0, source->GetH() - 1);
  width = std::min({std::max(width, 0), destination->GetW() - static_cast<int>(dp.x),
                    source->GetW() - static_cast<int>(sp.x)});
  height = std::min({std::max(height, 0), destination->GetH() - static_cast<int>(dp.y),
                     source->GetH() - static_cast<int>(sp.y)});
  PALETTEENTRY palette[256] = {};
  if (IsPaletteType(source->GetType())) ReadPalette(source, palette);
  const int bytes = destination->GetType() == kWAType24 ? 3 : 1;
  const std::unique_ptr<WAPIX> out(NewWAPIX(destination, true));
  const std::unique_ptr<WAPIX> in(NewWAPIX(source, false));
  for (int i = 0; i < height; ++i) {
    std::uint8_t* d = GetWARow(dp.y + i, out.get());
    const std::uint8_t* s = GetWARow(sp.y + i, in.get());
    if (d == nullptr || s == nullptr) continue;
    convert(d + bytes * dp.x, s, palette, width, sp.x, blue);
  }
  return 1;
}
