// BMP and DIB: every header version (core, OS/2 2, info, V2..V5), 1 to 32
// bits, RLE4 and RLE8, bit fields, top-down rows. Written as 1, 4, 8 (grey
// with the grey ramp) or 24 bits, palette images optionally RLE.
#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/imgxfer/bmp_rle.h"
#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

namespace {

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
unsigned U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

struct BmpHeader {
  std::int64_t width, height;
  bool topDown;
  int bits;
  std::uint32_t compression;
  std::uint32_t masks[4];  // red, green, blue, alpha
  int xDpi, yDpi;
  std::size_t paletteAt, paletteEntryBytes, paletteCount;
  std::size_t pixelsAt;
};

// A channel mask as shift and maximum value.
struct Channel {
  int shift;
  std::uint32_t max;
};

Channel ChannelOf(std::uint32_t mask) {
  if (mask == 0) return Channel{0, 0};
  int shift = 0;
  while ((mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return Channel{shift, mask};
}

// A masked value widened or narrowed to 8 bits: narrower values repeat
// their bits (5 bits abcde give abcdeabc), wider ones keep their top 8.
std::uint8_t Scale(std::uint32_t pixel, Channel c) {
  if (c.max == 0) return 0;
  const std::uint32_t v = (pixel >> c.shift) & c.max;
  int bits = 0;
  while (bits < 32 && (c.max >> bits) != 0) ++bits;
  if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
  std::uint32_t out = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits) out |= shift >= 0 ? v << shift : v >> -shift;
  return static_cast<std::uint8_t>(out);
}

bool ParseHeader(const std::uint8_t* d, std::size_t size, BmpHeader* h) {
  if (size < 26 || d[0] != 'B' || d[1] != 'M') return false;
  const std::uint32_t headerSize = U32(d + 14);
  if (headerSize < 12 || 14 + static_cast<std::uint64_t>(headerSize) > size) return false;
  const std::uint8_t* info = d + 14;
  std::memset(h->masks, 0, sizeof h->masks);
  h->xDpi = h->yDpi = 0;
  h->compression = kRgb;
  std::int32_t height = 0;
  if (headerSize == 12) {
    h->width = U16(info + 4);
    height = static_cast<std::int16_t>(U16(info + 6));
    h->bits = static_cast<int>(U16(info + 10));
    h->paletteEntryBytes = 3;
    h->paletteCount = 0;
  } else {
    if (headerSize < 16) return false;
    h->width = static_cast<std::int32_t>(U32(info + 4));
    height = static_cast<std::int32_t>(U32(info + 8));
    h->bits = static_cast<int>(U16(info + 14));
    if (headerSize >= 20) h->compression = U32(info + 16);
    if (headerSize >= 32) {
      h->xDpi = static_cast<int>(DpiFromPixelsPerMeter(U32(info + 24)));
      h->yDpi = static_cast<int>(DpiFromPixelsPerMeter(U32(info + 28)));
    }
    h->paletteCount = headerSize >= 36 ? U32(info + 32) : 0;
    h->paletteEntryBytes = 4;
  }
  h->topDown = height < 0;
  h->height = height < 0 ? -static_cast<std::int64_t>(height) : height;
  std::size_t after = 14 + headerSize;
  const bool fields = h->compression == kBitFields || h->compression == kAlphaBitFields;
  if (fields) {
    const int count = h->compression == kAlphaBitFields ? 4 : 3;
    if (headerSize >= 52) {
      for (int i = 0; i < 4 && 40 + 4 * i + 4 <= static_cast<int>(headerSize); ++i) h->masks[i] = U32(info + 40 + 4 * i);
    } else {
      if (after + 4 * count > size) return false;
      for (int i = 0; i < count; ++i) h->masks[i] = U32(d + after + 4 * i);
      after += 4 * count;
    }
  }
  if (h->bits <= 8 && (h->paletteCount == 0 || h->paletteCount > (1u << h->bits))) h->paletteCount = 1u << h->bits;
  if (h->bits > 8) h->paletteCount = 0;
  h->paletteAt = after;
  const std::uint32_t offset = U32(d + 10);
  h->pixelsAt = offset >= after && offset < size ? offset : after + h->paletteCount * h->paletteEntryBytes;
  return true;
}

bool DefaultMasks(BmpHeader& h) {
  const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  if (h.bits == 16 && !fields) {
    h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F, h.masks[3] = 0;
  } else if (h.bits == 32 && !fields) {
    h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF, h.masks[3] = 0;
  }
  return !(fields && h.bits != 16 && h.bits != 32);
}

int TypeOfBits(int bits) {
  switch (bits) {
    case 1: return kType1;
    case 4: return kType4Bit;
    case 2:
    case 8: return kType8Palette;
    default: return kType24;
  }
}

// One file row of 16 or 32 bits into BGR.
void FieldsRow(const std::uint8_t* in, int width, int bits, const Channel* c, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t v = bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
    const unsigned a = c[3].max != 0 ? Scale(v, c[3]) : 255;
    out[3 * x] = OverWhite(Scale(v, c[2]), a);
    out[3 * x + 1] = OverWhite(Scale(v, c[1]), a);
    out[3 * x + 2] = OverWhite(Scale(v, c[0]), a);
  }
}

bool ReadRows(const std::uint8_t* d, std::size_t size, const BmpHeader& h, ImageSink& sink) {
  const int width = sink.width(), height = sink.height();
  const std::size_t stride = (static_cast<std::size_t>(width) * h.bits + 31) / 32 * 4;
  if (h.pixelsAt > size || (size - h.pixelsAt) / stride < static_cast<std::size_t>(height)) {
    return sink.Truncated("bitmap");
  }
  const Channel channels[4] = {ChannelOf(h.masks[0]), ChannelOf(h.masks[1]), ChannelOf(h.masks[2]),
                               ChannelOf(h.masks[3])};
  std::vector<std::uint8_t> row;
  if (!sink.Take(row, sink.bytesPerLine())) return false;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = d + h.pixelsAt + stride * static_cast<std::size_t>(h.topDown ? y : height - 1 - y);
    if (h.bits == 2) {
      UnpackIndexes(in, width, 2, row.data());
    } else if (h.bits == 16 || h.bits == 32) {
      FieldsRow(in, width, h.bits, channels, row.data());
    } else {
      std::memcpy(row.data(), in, std::min(stride, row.size()));
    }
    if (!sink.PutRow(y, row.data())) return false;
  }
  return true;
}

bool ReadRleRows(const std::uint8_t* d, std::size_t size, const BmpHeader& h, ImageSink& sink) {
  const int width = sink.width(), height = sink.height();
  std::vector<std::uint8_t> indexes, row;
  if (!sink.Take(indexes, width) || !sink.Take(row, sink.bytesPerLine())) return false;
  const bool ok = DecodeBmpRle(d + h.pixelsAt, size - h.pixelsAt, h.bits, width, height, indexes.data(),
                               [&](int y, const std::uint8_t* in) {
                                 if (h.bits == 4) {
                                   PackIndexes(in, width, 4, row.data());
                                 } else {
                                   std::memcpy(row.data(), in, static_cast<std::size_t>(width));
                                 }
                                 return sink.PutRow(height - 1 - y, row.data());
                               });
  return ok || sink.Truncated("bitmap");
}

bool ReadBmp(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  BmpHeader h{};
  if (!ParseHeader(data, size, &h)) return sink.Fail("The bitmap header is damaged.");
  const bool rle = (h.compression == kRle8 && h.bits == 8) || (h.compression == kRle4 && h.bits == 4);
  const bool known = rle || h.compression == kRgb || h.compression == kBitFields || h.compression == kAlphaBitFields;
  const bool bitsOk = h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 ||
                      h.bits == 32;
  if (!known || !bitsOk || !DefaultMasks(h) || (rle && h.topDown)) {
    return sink.Fail("This kind of bitmap is not supported.");
  }
  PALETTEENTRY palette[256] = {};
  const std::size_t count = h.paletteCount;
  if (h.paletteAt + count * h.paletteEntryBytes > size) return sink.Fail("The bitmap palette is damaged.");
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = data + h.paletteAt + i * h.paletteEntryBytes;
    palette[i] = PALETTEENTRY{p[2], p[1], p[0], 0};
  }
  if (!SideSizesAllowed(h.width, h.height)) return sink.Start(h.width, h.height, kType24, nullptr, 0, 0, 0);
  // Before anything is made: the data must reach every row of the image.
  if (rle && (h.pixelsAt >= size || !DecodeBmpRle(data + h.pixelsAt, size - h.pixelsAt, h.bits,
                                                  static_cast<int>(h.width), static_cast<int>(h.height),
                                                  nullptr, nullptr))) {
    return sink.Truncated("bitmap");
  }
  int type = TypeOfBits(h.bits);
  if (type == kType8Palette && IsIdentityGreyPalette(palette, static_cast<int>(count))) type = kType8Grey;
  if (!sink.Start(h.width, h.height, type, palette, static_cast<int>(count), h.xDpi, h.yDpi)) return false;
  return rle ? ReadRleRows(data, size, h, sink) : ReadRows(data, size, h, sink);
}

bool MatchesBmp(const std::uint8_t* data, std::size_t size) {
  return size >= 18 && data[0] == 'B' && data[1] == 'M' && U32(data + 14) >= 12;
}

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

std::vector<std::uint8_t> BmpHeaders(const ImageSource& s, int bits, std::uint32_t compression,
                                     std::uint32_t pixelBytes) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const std::uint32_t offset = 14 + 40 + 4 * colours;
  std::vector<std::uint8_t> out{'B', 'M'};
  PutU32(out, offset + pixelBytes);
  PutU32(out, 0);
  PutU32(out, offset);
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(s.width));
  PutU32(out, static_cast<std::uint32_t>(s.height));
  PutU16(out, 1);
  PutU16(out, static_cast<unsigned>(bits));
  PutU32(out, compression);
  PutU32(out, pixelBytes);
  PutU32(out, PixelsPerMeterFromDpi(s.xDpi));
  PutU32(out, PixelsPerMeterFromDpi(s.yDpi));
  PutU32(out, static_cast<std::uint32_t>(colours));
  PutU32(out, 0);
  for (int i = 0; i < colours; ++i) {
    out.insert(out.end(), {s.palette[i].peBlue, s.palette[i].peGreen, s.palette[i].peRed, 0});
  }
  return out;
}

// RLE needs the whole encoded image before the header can give its size.
// Rows are taken bottom-up, the order of the file.
bool WriteRleBmp(std::FILE* file, ImageSource& s, int bits) {
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint8_t> indexes(static_cast<std::size_t>(s.width));
  for (int i = 0; i < s.height; ++i) {
    const std::uint8_t* row = s.Row(s.height - 1 - i);
    if (row == nullptr) return false;
    if (bits == 4) {
      UnpackIndexes(row, s.width, 4, indexes.data());
    } else {
      std::memcpy(indexes.data(), row, indexes.size());
    }
    EncodeBmpRleRow(indexes.data(), s.width, bits, pixels);
    pixels.insert(pixels.end(), {0, static_cast<std::uint8_t>(i + 1 == s.height ? 1 : 0)});
  }
  const std::vector<std::uint8_t> headers =
      BmpHeaders(s, bits, bits == 4 ? kRle4 : kRle8, static_cast<std::uint32_t>(pixels.size()));
  return WriteBytes(file, headers.data(), headers.size()) && WriteBytes(file, pixels.data(), pixels.size());
}

bool WriteBmp(std::FILE* file, ImageSource& s, const ImExpSaveOptions& options) {
  const int bits = s.bitsPerPixel;
  if (options.bmpRle > 0 && (bits == 4 || bits == 8)) return WriteRleBmp(file, s, bits);
  const std::size_t stride = static_cast<std::size_t>(s.bytesPerLine);
  const std::vector<std::uint8_t> headers =
      BmpHeaders(s, bits, kRgb, static_cast<std::uint32_t>(stride * s.height));
  if (!WriteBytes(file, headers.data(), headers.size())) return false;
  for (int i = 0; i < s.height; ++i) {
    const std::uint8_t* row = s.Row(s.height - 1 - i);
    if (row == nullptr || !WriteBytes(file, row, stride)) return false;
  }
  return true;
}

}  // namespace

const Codec kBmpCodec = {"BMP",      "Windows Bitmap (*.bmp;*.dib)", "*.bmp;*.dib", MatchesBmp, ReadBmp, WriteBmp,
                         kAllTypes,
                         kAllTypes};

}  // namespace lumora::imgxfer
