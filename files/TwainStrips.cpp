// TWAIN memory-transfer strips into image buffers.
#include "files/TwainStrips.h"

#include <algorithm>
#include <cstring>

namespace lumora {

using namespace twain;

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// A field of `bits` (1..16) bits at `bit`, most significant bit first,
// read across byte boundaries.
unsigned ReadField(const std::uint8_t* row, std::uint64_t bit, int bits) {
  unsigned value = 0;
  for (int i = 0; i < bits; ++i, ++bit) value = (value << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1u);
  return value;
}

// A sample brought to 8 bits: shorter fields shifted up, longer down.
std::uint8_t To8(unsigned value, int bits) {
  return static_cast<std::uint8_t>(bits < 8 ? value << (8 - bits) : value >> (bits - 8));
}

int SampleCount(int pixelType) { return pixelType == TWPT_RGB || pixelType == TWPT_YUV ? 3 : 1; }

bool AllEight(const TW_IMAGEINFO& info, int samples) {
  for (int k = 0; k < samples; ++k) {
    if (info.BitsPerSample[k] != 8) return false;
  }
  return true;
}

// Where the samples of one row lie: chunky fields at x * BitsPerPixel, or
// planes one after another, each padded.
class RowReader {
 public:
  RowReader(const TW_IMAGEINFO& info, int columns) : info_(info), samples_(SampleCount(info.PixelType)) {
    bytes_ = AllEight(info, samples_);
    planar_ = samples_ == 3 && info.Planar != 0;
    std::uint64_t offset = 0;
    for (int k = 0; k < samples_; ++k) {
      planeStart_[k] = offset;
      const std::uint64_t planeBytes =
          bytes_ ? (static_cast<std::uint64_t>(columns) + 3) / 4 * 4
                 : (static_cast<std::uint64_t>(columns) * static_cast<unsigned>(info.BitsPerSample[k]) + 31) / 32 * 4;
      offset += planeBytes;
    }
    if (planar_) {
      needed_ = offset;
    } else if (bytes_) {
      needed_ = static_cast<std::uint64_t>(columns) * static_cast<unsigned>(samples_);
    } else {
      std::uint64_t sampleBits = 0;
      for (int k = 0; k < samples_; ++k) sampleBits += static_cast<unsigned>(info.BitsPerSample[k]);
      const std::uint64_t bits =
          static_cast<std::uint64_t>(std::max(columns - 1, 0)) * static_cast<std::uint16_t>(info.BitsPerPixel) +
          sampleBits;
      needed_ = (bits + 7) / 8;
    }
  }

  // Bytes one row must hold for `columns` pixels.
  std::uint64_t NeededBytes() const { return needed_; }

  // Raw sample k of pixel x (not scaled).
  unsigned Sample(const std::uint8_t* row, int x, int k) const {
    const int bits = info_.BitsPerSample[k];
    if (planar_) {
      if (bytes_) return row[planeStart_[k] + static_cast<std::uint64_t>(x)];
      return ReadField(row, planeStart_[k] * 8 + static_cast<std::uint64_t>(x) * static_cast<unsigned>(bits), bits);
    }
    if (bytes_) return row[static_cast<std::uint64_t>(x) * static_cast<unsigned>(samples_) + static_cast<unsigned>(k)];
    std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint16_t>(info_.BitsPerPixel);
    for (int j = 0; j < k; ++j) bit += static_cast<unsigned>(info_.BitsPerSample[j]);
    return ReadField(row, bit, bits);
  }
  std::uint8_t Sample8(const std::uint8_t* row, int x, int k) const {
    return To8(Sample(row, x, k), info_.BitsPerSample[k]);
  }

 private:
  const TW_IMAGEINFO& info_;
  int samples_;
  bool bytes_ = false;
  bool planar_ = false;
  std::uint64_t planeStart_[3] = {};
  std::uint64_t needed_ = 0;
};

Rgb YuvToRgb(int s0, int s1, int s2) {
  // The source's luma plus its two colour differences, red and blue
  // directly, green from what is left.
  const int red = std::min(255, s0 + s1);
  const int green = std::max(0, s0 - ((521 * s2 + 191 * s1 + 512) >> 10));
  const int blue = std::min(255, s0 + s2);
  return Rgb{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue)};
}

}  // namespace

const char* TwainFaultText(TwainFault fault) {
  switch (fault) {
    case TwainFault::kOutOfMemory:
      return "Out of memory.   ";
    case TwainFault::kIncompatible:
      return "Incompatible TWAIN Source.   ";
    case TwainFault::kCompressed:
      return "Can't read compressed data.   ";
    default:
      return "";
  }
}

TwainFault PlanTwainImage(const TW_IMAGEINFO& info, const TW_PALETTE8* palette, bool forceRGB,
                          TwainImageLayout* layout) {
  *layout = TwainImageLayout{};
  if (info.ImageWidth <= 0 || info.ImageLength <= 0) return TwainFault::kIncompatible;
  if (info.Compression != TWCP_NONE) return TwainFault::kCompressed;
  const int type = info.PixelType;
  if (type == TWPT_CMY || type == TWPT_CMYK || type < 0 || type > TWPT_YUV) return TwainFault::kIncompatible;
  for (int k = 0; k < SampleCount(type); ++k) {
    if (info.BitsPerSample[k] <= 0 || info.BitsPerSample[k] > 16) return TwainFault::kIncompatible;
  }
  if (type == TWPT_PALETTE) {
    if (palette == nullptr || palette->NumColors > 256) return TwainFault::kIncompatible;
    if (palette->PaletteType != TWPA_RGB && palette->PaletteType != TWPA_GRAY && palette->PaletteType != TWPA_CMY) {
      return TwainFault::kIncompatible;
    }
    const bool invert = palette->PaletteType == TWPA_CMY;
    layout->colours = palette->NumColors;
    bool ramp = palette->NumColors == 256;
    for (int i = 0; i < palette->NumColors; ++i) {
      const TW_ELEMENT8& e = palette->Colors[i];
      PALETTEENTRY& p = layout->palette[i];
      p.peRed = invert ? static_cast<BYTE>(255 - e.Channel1) : e.Channel1;
      p.peGreen = invert ? static_cast<BYTE>(255 - e.Channel2) : e.Channel2;
      p.peBlue = invert ? static_cast<BYTE>(255 - e.Channel3) : e.Channel3;
      ramp = ramp && p.peRed == i && p.peGreen == i && p.peBlue == i;
    }
    layout->greyRamp = ramp;
  }
  if (forceRGB) {
    layout->format = kWAType24;
    return TwainFault::kNone;
  }
  switch (type) {
    case TWPT_BW:
      layout->format = kWAType1Bit;
      layout->palette[1] = PALETTEENTRY{255, 255, 255, 0};
      break;
    case TWPT_GRAY:
      layout->format = kWAType8Grey;
      break;
    case TWPT_PALETTE:
      layout->format = layout->colours <= 16 ? kWAType4Bit : (layout->greyRamp ? kWAType8Grey : kWAType8Palette);
      break;
    default:
      layout->format = kWAType24;
      break;
  }
  return TwainFault::kNone;
}

VrWA2000::WA* NewTwainImage(const TW_IMAGEINFO& info, const TwainImageLayout& layout) {
  if (layout.format == kWAType8Grey || layout.format == kWAType24) {
    return NewWA(layout.format, info.ImageWidth, info.ImageLength, nullptr);
  }
  return NewWAWithPalette(layout.format, info.ImageWidth, info.ImageLength, layout.palette);
}

TwainFault ConvertTwainStrip(const TW_IMAGEINFO& info, const TwainImageLayout& layout, const TW_IMAGEMEMXFER& strip,
                             const std::uint8_t* memory, VrWA2000::WA* image) {
  if (strip.Compression != TWCP_NONE) return TwainFault::kCompressed;
  if (image == nullptr || image->GetType() != layout.format) return TwainFault::kIncompatible;
  const int width = image->GetW(), height = image->GetH();
  // A source's row length, offsets and counts are checked before any row
  // is read: a zero row length, rows too short for their columns or a
  // strip longer than its memory are refused.
  // The record is packed: its fields are copied out before use.
  const std::uint64_t columns = strip.Columns, bytesPerRow = strip.BytesPerRow, written = strip.BytesWritten;
  const std::uint64_t stripRows = strip.Rows, xOffset = strip.XOffset, first = strip.YOffset;
  const std::uint64_t length = strip.Memory.Length;
  const RowReader reader(info, static_cast<int>(std::min<std::uint64_t>(columns, 1u << 30)));
  if (bytesPerRow == 0 || bytesPerRow < reader.NeededBytes()) return TwainFault::kIncompatible;
  const std::uint64_t rows = std::min(written / bytesPerRow, stripRows);
  const std::uint64_t end = std::min(first + rows, static_cast<std::uint64_t>(height));
  if (first >= end) return TwainFault::kNone;
  if (memory == nullptr || length < (end - first) * bytesPerRow) return TwainFault::kIncompatible;
  const int left = static_cast<int>(std::min(xOffset, static_cast<std::uint64_t>(width)));
  const int right = static_cast<int>(std::min(xOffset + columns, static_cast<std::uint64_t>(width)));
  const int type = info.PixelType;
  for (std::uint64_t y = first; y < end; ++y) {
    const std::uint8_t* in = memory + (y - first) * bytesPerRow;
    std::uint8_t* out = image->Row(height - 1 - static_cast<int>(y));
    for (int column = left; column < right; ++column) {
      const int x = column - left;
      Rgb rgb{0, 0, 0};
      int value = 0;  // grey, index or bit
      switch (type) {
        case TWPT_BW:
          value = reader.Sample(in, x, 0) != 0 ? 255 : 0;
          rgb = Rgb{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value)};
          break;
        case TWPT_GRAY:
          value = reader.Sample8(in, x, 0);
          rgb = Rgb{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value)};
          break;
        case TWPT_PALETTE: {
          value = static_cast<int>(reader.Sample(in, x, 0) & 0xFF);
          const PALETTEENTRY& e = layout.palette[value];
          rgb = Rgb{e.peRed, e.peGreen, e.peBlue};
          break;
        }
        case TWPT_YUV:
          rgb = YuvToRgb(reader.Sample8(in, x, 0), reader.Sample8(in, x, 1), reader.Sample8(in, x, 2));
          break;
        default:
          rgb = Rgb{reader.Sample8(in, x, 0), reader.Sample8(in, x, 1), reader.Sample8(in, x, 2)};
          break;
      }
      switch (layout.format) {
        case kWAType1Bit:
          if (value != 0) {
            out[column >> 3] = static_cast<std::uint8_t>(out[column >> 3] | (0x80 >> (column & 7)));
          } else {
            out[column >> 3] = static_cast<std::uint8_t>(out[column >> 3] & ~(0x80 >> (column & 7)));
          }
          break;
        case kWAType4Bit: {
          std::uint8_t& b = out[column >> 1];
          b = (column & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F))
                           : static_cast<std::uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
          break;
        }
        case kWAType8Grey:
        case kWAType8Palette:
          out[column] = static_cast<std::uint8_t>(value);
          break;
        default:
          out[3 * column] = rgb.b;
          out[3 * column + 1] = rgb.g;
          out[3 * column + 2] = rgb.r;
          break;
      }
    }
  }
  return TwainFault::kNone;
}

}  // namespace lumora
