// Packed DIBs to and from image buffers. Every header field is read and
// written byte by byte, little-endian, and every size is checked against
// the block before a byte of it is touched.
#include "engine/pixels/Dib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/pixels/RowConverters.h"
#include "libs/imgxfer/bmp_rle.h"

namespace {

constexpr std::uint32_t kInfoHeaderBytes = 40;
// BITMAPV4HEADER and BITMAPV5HEADER: the 40-byte fields, then the red,
// green, blue and alpha masks at offsets 40, 44, 48 and 52.
constexpr std::uint32_t kV4HeaderBytes = 108;
constexpr std::uint32_t kV5HeaderBytes = 124;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;

std::uint32_t Load16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }
std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Store16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One colour channel of a 16- or 32-bit pixel: its top (at most 8) bits,
// spread over 0..255 by a table so the pixel loop does no division.
struct MaskChannel {
  int shift = 0;
  std::uint32_t keep = 0;
  std::uint8_t table[256] = {};

  // False for a mask whose bits are not contiguous.
  bool Set(std::uint32_t mask) {
    if (mask == 0) return true;  // the channel is always 0
    const int lowest = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    if ((std::uint64_t{mask} >> lowest) != (std::uint64_t{1} << bits) - 1) return false;
    const int kept = std::min(bits, 8);
    shift = lowest + bits - kept;
    keep = (1u << kept) - 1;
    // Rounded scale of 0..keep onto 0..255: exact for 5 and 6 bits as the
    // usual bit replication is not, and the identity for 8 bits.
    for (std::uint32_t v = 0; v <= keep; ++v) table[v] = static_cast<std::uint8_t>((v * 255 + keep / 2) / keep);
    return true;
  }
  std::uint8_t operator()(std::uint32_t pixel) const { return table[(pixel >> shift) & keep]; }
};

struct ParsedDib {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t masks[3] = {};  // red, green, blue
  std::uint32_t alphaMask = 0;  // a V4/V5 header's, with bit fields
  int xDpi = 0;
  int yDpi = 0;
  PALETTEENTRY palette[256] = {};
  // The rows, or for BI_RLE8 and BI_RLE4 the run-length data of
  // `rleBytes` bytes (checked, not yet decoded).
  const std::uint8_t* rows = nullptr;
  std::size_t rowBytes = 0;
  std::size_t rleBytes = 0;
  bool IsRunLength() const { return compression == kBiRle8 || compression == kBiRle4; }
};

// Resolutions are kept in 16 bits; a larger one is held at the largest.
constexpr int kMaxDpi = 0xFFFF;

int DpiFromPelsPerMeter(std::int32_t ppm, int screenDpi) {
  const int dpi = static_cast<int>(ppm * 0.0254);
  return dpi > 0 ? std::min(dpi, kMaxDpi) : screenDpi;
}

// Reads `count` table entries of `entryBytes` (blue, green, red[, 0]) into
// the palette, keeping at most 256.
void ReadColourTable(const std::uint8_t* table, std::uint64_t count, int entryBytes, PALETTEENTRY* palette) {
  const std::uint64_t kept = std::min<std::uint64_t>(count, 256);
  for (std::uint64_t i = 0; i < kept; ++i) {
    const std::uint8_t* e = table + i * entryBytes;
    palette[i] = PALETTEENTRY{e[2], e[1], e[0], 0};
  }
}

void DefaultMasks(int bits, std::uint32_t* masks) {
  if (bits == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
}

// Packs a decoded row (one index a byte) into a DIB row of 8 or 4 bits.
void PackIndexRow(std::uint8_t* to, const std::uint8_t* indexes, int width, int bits) {
  if (bits == 8) {
    std::memcpy(to, indexes, static_cast<std::size_t>(width));
    return;
  }
  for (int x = 0; x + 1 < width; x += 2) to[x / 2] = static_cast<std::uint8_t>(indexes[x] << 4 | (indexes[x + 1] & 0x0F));
  if (width % 2 != 0) to[width / 2] = static_cast<std::uint8_t>(indexes[width - 1] << 4);
}

// Below this many pixels run-length data may code as little of the image
// as it likes: the image costs little whatever the data says.
constexpr std::uint64_t kRleFreePixels = std::uint64_t{1} << 22;
// Above it, the runs must set at least one pixel in kRleShare. A real
// encoder codes the picture and skips only background; a block that
// claims a large image and codes almost none of it asks for memory its
// data cannot justify. With one in two, a block of n bytes (at most 255
// pixels for every 2) never claims more than 255 n pixels, one byte each.
constexpr std::uint64_t kRleShare = 2;

// Checks BI_RLE8 or BI_RLE4 data against the image it claims, before
// anything is allocated, with the file-format library's decoder (the one
// its BMP reader uses) in the mode that refuses anything leaving the image
// or the block, or lacking the end-of-bitmap code.
const char* CheckRle(const std::uint8_t* data, std::size_t size, const ParsedDib& dib) {
  std::uint64_t coded = 0;
  if (!lumora::imgxfer::DecodeBmpRle(data, size, dib.bits, dib.width, dib.height, nullptr, {},
                                     lumora::imgxfer::RleFaults::kRefuse, &coded)) {
    return "its run-length data leave the image or the block, or lack their end";
  }
  const std::uint64_t pixels = static_cast<std::uint64_t>(dib.width) * static_cast<std::uint64_t>(dib.height);
  if (pixels > kRleFreePixels && coded * kRleShare < pixels) {
    return "its run-length data codes too little of the image it claims";
  }
  return nullptr;
}

// The header, table and masks of the DIB, with its rows located inside
// the block; false for anything malformed, unsupported or overrunning,
// with the reason in `why`. Nothing is allocated.
bool ParseDib(const std::uint8_t* dib, std::size_t size, ParsedDib& out, const char** why) {
  auto refuse = [why](const char* reason) {
    *why = reason;
    return false;
  };
  if (dib == nullptr || size < 4) return refuse("the block is too short for a header");
  const std::uint32_t headerBytes = Load32(dib);
  std::uint64_t offset = headerBytes;
  std::uint64_t tableEntries = 0;
  int entryBytes = 4;
  const bool versioned = headerBytes == kV4HeaderBytes || headerBytes == kV5HeaderBytes;
  if ((headerBytes == kInfoHeaderBytes || versioned) && size >= headerBytes) {
    const auto width = static_cast<std::int32_t>(Load32(dib + 4));
    const auto height = static_cast<std::int32_t>(Load32(dib + 8));
    if (width <= 0 || height == 0 || height == INT32_MIN) return refuse("its width or height is not positive");
    out.width = width;
    out.topDown = height < 0;
    out.height = height < 0 ? -height : height;
    out.bits = static_cast<int>(Load16(dib + 14));
    out.compression = Load32(dib + 16);
    out.xDpi = DpiFromPelsPerMeter(static_cast<std::int32_t>(Load32(dib + 24)), lumora::GetScreenXDpi());
    out.yDpi = DpiFromPelsPerMeter(static_cast<std::int32_t>(Load32(dib + 28)), lumora::GetScreenYDpi());
    const std::uint32_t used = Load32(dib + 32);
    // Below 16 bits the table holds the colours used (all when 0); deeper
    // DIBs may carry a table too, which only hints at a display palette.
    if (out.bits <= 8) {
      if (used > (1u << out.bits)) return refuse("its colour table is larger than its depth allows");
      tableEntries = used != 0 ? used : (1u << out.bits);
    } else {
      tableEntries = used;
    }
    const bool deep = out.bits == 16 || out.bits == 32;
    if (out.compression == kBiBitfields && deep && versioned) {
      // The masks are fields of the header itself.
      for (int i = 0; i < 3; ++i) out.masks[i] = Load32(dib + 40 + 4 * i);
      if (out.bits == 32) out.alphaMask = Load32(dib + 52);
    } else if (out.compression == kBiBitfields && deep) {
      if (size < offset + 12) return refuse("the block ends inside its colour masks");
      for (int i = 0; i < 3; ++i) out.masks[i] = Load32(dib + offset + 4 * i);
      offset += 12;
    } else if (out.compression == kBiRgb) {
      if (deep) DefaultMasks(out.bits, out.masks);
    } else if (!((out.compression == kBiRle8 && out.bits == 8) || (out.compression == kBiRle4 && out.bits == 4)) ||
               out.topDown) {
      return refuse("its compression is not one that can be read");
    }
  } else if (headerBytes == kCoreHeaderBytes && size >= kCoreHeaderBytes) {
    out.width = static_cast<int>(Load16(dib + 4));
    out.height = static_cast<int>(Load16(dib + 6));
    out.bits = static_cast<int>(Load16(dib + 10));
    if (out.width == 0 || out.height == 0) return refuse("its width or height is not positive");
    out.xDpi = lumora::GetScreenXDpi();
    out.yDpi = lumora::GetScreenYDpi();
    if (out.bits == 16 || out.bits == 32) return refuse("its depth is not one that can be read");
    tableEntries = out.bits <= 8 ? (1u << out.bits) : 0;
    entryBytes = 3;
  } else {
    return refuse("its header is of no known kind, or longer than the block");
  }
  if (out.bits != 1 && out.bits != 4 && out.bits != 8 && out.bits != 16 && out.bits != 24 && out.bits != 32) {
    return refuse("its depth is not one that can be read");
  }
  if (!lumora::IsImageSize(out.width, out.height)) return refuse("it is larger than 30000 pixels a side");
  const std::uint64_t tableBytes = tableEntries * static_cast<std::uint64_t>(entryBytes);
  if (tableBytes > size - offset) return refuse("the block ends inside its colour table");
  if (out.bits <= 8) ReadColourTable(dib + offset, tableEntries, entryBytes, out.palette);
  offset += tableBytes;
  out.rowBytes = static_cast<std::size_t>((static_cast<std::uint64_t>(out.bits) * out.width + 31) / 32 * 4);
  out.rows = dib + offset;
  if (out.IsRunLength()) {
    out.rleBytes = static_cast<std::size_t>(size - offset);
    const char* fault = CheckRle(out.rows, out.rleBytes, out);
    return fault == nullptr || refuse(fault);
  }
  // Divided, not multiplied: rows of 2^33 bytes times 2^31 rows overflow.
  if (static_cast<std::uint64_t>(out.height) > (size - offset) / out.rowBytes) {
    return refuse("the block holds fewer rows than its header claims");
  }
  return true;
}

bool IsGreyRamp(const PALETTEENTRY* palette) {
  for (int i = 0; i < 256; ++i) {
    if (palette[i].peRed != i || palette[i].peGreen != i || palette[i].peBlue != i) return false;
  }
  return true;
}

using RowFunction = void (*)(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib,
                             const MaskChannel* channels);

void CopyRow(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib, const MaskChannel*) {
  std::memcpy(dst, src, dib.rowBytes);
}

template <ROWCONVERTER convert>
void ExpandRow(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib, const MaskChannel*) {
  convert(dst, src, dib.palette, dib.width, 0, 0);
}

void MaskedRow16(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib, const MaskChannel* c) {
  for (int x = 0; x < dib.width; ++x, src += 2, dst += 3) {
    const std::uint32_t pixel = Load16(src);
    dst[0] = c[2](pixel);
    dst[1] = c[1](pixel);
    dst[2] = c[0](pixel);
  }
}

void MaskedRow32(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib, const MaskChannel* c) {
  for (int x = 0; x < dib.width; ++x, src += 4, dst += 3) {
    const std::uint32_t pixel = Load32(src);
    dst[0] = c[2](pixel);
    dst[1] = c[1](pixel);
    dst[2] = c[0](pixel);
  }
}

// Blue, green and red are the pixel's first three bytes: a plain gather.
void StandardRow32(std::uint8_t* dst, const std::uint8_t* src, const ParsedDib& dib, const MaskChannel*) {
  for (int x = 0; x < dib.width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

struct Conversion {
  int type = 0;
  RowFunction row = nullptr;
};

Conversion ChooseConversion(const ParsedDib& dib, bool toRGB) {
  switch (dib.bits) {
    case 1: return toRGB ? Conversion{kWAType24, ExpandRow<ConvertRow1To24>} : Conversion{kWAType1Bit, CopyRow};
    case 4: return toRGB ? Conversion{kWAType24, ExpandRow<ConvertRow4To24>} : Conversion{kWAType4Bit, CopyRow};
    case 8:
      if (toRGB) return {kWAType24, ExpandRow<ConvertRow8To24>};
      return {IsGreyRamp(dib.palette) ? kWAType8Grey : kWAType8Palette, CopyRow};
    case 24: return {kWAType24, CopyRow};
    case 16: return {kWAType24, MaskedRow16};
    default: {
      const bool standard = dib.masks[0] == 0xFF0000 && dib.masks[1] == 0xFF00 && dib.masks[2] == 0xFF;
      return {kWAType24, standard ? StandardRow32 : MaskedRow32};
    }
  }
}

struct DibLayout {
  int bits = 0;
  int colours = 0;
  int startByte = 0;
  int width = 0;
  int height = 0;
  int top = 0;
  std::size_t dataBytes = 0;  // bytes of a row that hold pixels
  std::size_t rowBytes = 0;
  std::size_t total = 0;
};

bool PlanImageToDIB(const VrWA2000::WA* image, const RECT& rect, DibLayout& out) {
  if (image == nullptr) return false;
  out.bits = VrWA2000::BitsPerPixelOfType(image->GetType());
  if (out.bits == 0) return false;
  out.colours = out.bits == 24 ? 0 : 1 << out.bits;
  const int left = std::max<int>(rect.left, 0);
  const int right = std::min<int>(rect.right, image->GetW());
  const int top = std::max<int>(rect.top, 0);
  const int bottom = std::min<int>(rect.bottom, image->GetH());
  if (left >= right || top >= bottom) return false;
  out.startByte = static_cast<int>(static_cast<std::int64_t>(left) * out.bits / 8);
  out.width = right - out.startByte * 8 / out.bits;
  out.height = bottom - top;
  out.top = top;
  const std::uint64_t rowBits = static_cast<std::uint64_t>(out.bits) * out.width;
  out.dataBytes = static_cast<std::size_t>((rowBits + 7) / 8);
  out.rowBytes = static_cast<std::size_t>((rowBits + 31) / 32 * 4);
  out.total = kInfoHeaderBytes + 4u * out.colours + out.rowBytes * out.height;
  return true;
}

void WriteInfoHeader(std::uint8_t* out, const VrWA2000::WA& image, const DibLayout& layout) {
  Store32(out, kInfoHeaderBytes);
  Store32(out + 4, static_cast<std::uint32_t>(layout.width));
  Store32(out + 8, static_cast<std::uint32_t>(layout.height));
  Store16(out + 12, 1);
  Store16(out + 14, static_cast<std::uint32_t>(layout.bits));
  Store32(out + 16, kBiRgb);
  Store32(out + 20, static_cast<std::uint32_t>(layout.rowBytes * layout.height));
  Store32(out + 24, static_cast<std::uint32_t>(DpiToPelsPerMeter(image.GetXRes())));
  Store32(out + 28, static_cast<std::uint32_t>(DpiToPelsPerMeter(image.GetYRes())));
  Store32(out + 32, static_cast<std::uint32_t>(layout.colours));
  Store32(out + 36, static_cast<std::uint32_t>(layout.colours));
}

void WriteColourTable(std::uint8_t* out, const VrWA2000::WA& image, int colours) {
  PALETTEENTRY palette[256] = {};
  if (image.GetType() == kWAType8Grey) {
    for (int i = 0; i < 256; ++i) palette[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
  } else {
    image.GetPaletteEntries(0, static_cast<std::uint16_t>(colours), palette);
  }
  for (int i = 0; i < colours; ++i, out += 4) {
    out[0] = palette[i].peBlue, out[1] = palette[i].peGreen, out[2] = palette[i].peRed, out[3] = 0;
  }
}

// The DIB parsed with its colour masks, or the reason it cannot be read.
const char* ReadDib(const std::uint8_t* dib, std::size_t size, ParsedDib& parsed, MaskChannel* channels) {
  const char* why = nullptr;
  if (!ParseDib(dib, size, parsed, &why)) return why;
  for (int i = 0; i < 3; ++i) {
    if (!channels[i].Set(parsed.masks[i])) return "its colour masks are not runs of bits";
  }
  if (parsed.bits == 16 && ((parsed.masks[0] | parsed.masks[1] | parsed.masks[2]) >> 16) != 0) {
    return "its colour masks lie outside its 16-bit pixels";
  }
  return nullptr;
}

// Decodes the checked run-length data straight into the image's rows, each
// packed as the DIB's rows and converted as they would be.
bool DecodeRunLengthInto(VrWA2000::WA& image, const ParsedDib& parsed, RowFunction convert,
                         const MaskChannel* channels) {
  std::vector<std::uint8_t> indexes(static_cast<std::size_t>(parsed.width));
  std::vector<std::uint8_t> packed(parsed.rowBytes, 0);
  return lumora::imgxfer::DecodeBmpRle(
      parsed.rows, parsed.rleBytes, parsed.bits, parsed.width, parsed.height, indexes.data(),
      [&](int y, const std::uint8_t* row) {
        PackIndexRow(packed.data(), row, parsed.width, parsed.bits);
        convert(image.Row(y), packed.data(), parsed, channels);
        return true;
      },
      lumora::imgxfer::RleFaults::kRefuse);
}

}  // namespace

std::int32_t DpiToPelsPerMeter(int dpi) {
  return static_cast<std::int32_t>(std::clamp(dpi, 0, kMaxDpi) * 39.37007874015748 + 0.5);
}

const char* DIBFault(const std::uint8_t* dib, std::size_t size) {
  ParsedDib parsed;
  MaskChannel channels[3];
  return ReadDib(dib, size, parsed, channels);
}

VrWA2000::WA* DIBToImage(const std::uint8_t* dib, std::size_t size, int toRGB) {
  ParsedDib parsed;
  MaskChannel channels[3];
  if (ReadDib(dib, size, parsed, channels) != nullptr) return nullptr;
  const Conversion conversion = ChooseConversion(parsed, toRGB != 0);
  VrWA2000::WA* image = NewWAWithPalette(conversion.type, parsed.width, parsed.height, parsed.palette);
  if (image == nullptr) return nullptr;
  image->SetXRes(parsed.xDpi);
  image->SetYRes(parsed.yDpi);
  if (parsed.IsRunLength()) {
    if (DecodeRunLengthInto(*image, parsed, conversion.row, channels)) return image;
    image->Release();
    return nullptr;
  }
  // Bottom-up rows that are copied lie as the buffer's do: one copy of the
  // whole block, which the C library streams faster than row by row.
  if (conversion.row == CopyRow && !parsed.topDown && image->GetBPLine() == static_cast<int>(parsed.rowBytes)) {
    std::memcpy(image->Bits(), parsed.rows, parsed.rowBytes * static_cast<std::size_t>(parsed.height));
    return image;
  }
  for (int y = 0; y < parsed.height; ++y) {
    const int sourceRow = parsed.topDown ? parsed.height - 1 - y : y;
    conversion.row(image->Row(y), parsed.rows + static_cast<std::size_t>(sourceRow) * parsed.rowBytes, parsed,
                   channels);
  }
  return image;
}

VrWA2000::WA* DIBAlphaToMask(const std::uint8_t* dib, std::size_t size) {
  // Only a 32-bit DIB with a V4 or V5 header names an alpha mask: anything
  // else is refused before the rest is looked at.
  if (dib == nullptr || size < kV4HeaderBytes) return nullptr;
  const std::uint32_t headerBytes = Load32(dib);
  if ((headerBytes != kV4HeaderBytes && headerBytes != kV5HeaderBytes) || Load16(dib + 14) != 32 ||
      Load32(dib + 16) != kBiBitfields || Load32(dib + 52) == 0) {
    return nullptr;
  }
  ParsedDib parsed;
  MaskChannel channels[3];
  if (ReadDib(dib, size, parsed, channels) != nullptr || parsed.alphaMask == 0) return nullptr;
  MaskChannel alpha;
  if (!alpha.Set(parsed.alphaMask)) return nullptr;
  VrWA2000::WA* mask = NewWA(kWAType8Grey, parsed.width, parsed.height, nullptr);
  if (mask == nullptr) return nullptr;
  bool any = false;
  for (int y = 0; y < parsed.height; ++y) {
    const int sourceRow = parsed.topDown ? parsed.height - 1 - y : y;
    const std::uint8_t* src = parsed.rows + static_cast<std::size_t>(sourceRow) * parsed.rowBytes;
    std::uint8_t* dst = mask->Row(y);
    for (int x = 0; x < parsed.width; ++x, src += 4) {
      dst[x] = alpha(Load32(src));
      any |= dst[x] != 0;
    }
  }
  // An alpha channel that is zero everywhere carries no transparency.
  if (!any) {
    mask->Release();
    return nullptr;
  }
  return mask;
}

std::size_t ImageToDIBSize(const VrWA2000::WA* image, const RECT& rect) {
  DibLayout layout;
  return PlanImageToDIB(image, rect, layout) ? layout.total : 0;
}

bool WriteImageToDIB(const VrWA2000::WA* image, const RECT& rect, std::uint8_t* out) {
  DibLayout layout;
  if (!PlanImageToDIB(image, rect, layout)) return false;
  WriteInfoHeader(out, *image, layout);
  WriteColourTable(out + kInfoHeaderBytes, *image, layout.colours);
  std::uint8_t* rows = out + kInfoHeaderBytes + 4 * layout.colours;
  // Bits of the last byte past the right edge are cleared, like the filler.
  const int tailBits = static_cast<int>((static_cast<std::int64_t>(layout.bits) * layout.width) % 8);
  const std::uint8_t tailMask = tailBits == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF00 >> tailBits);
  // Whole rows without filler lie in the DIB as in the buffer: one copy.
  if (layout.startByte == 0 && tailBits == 0 && layout.dataBytes == layout.rowBytes &&
      static_cast<int>(layout.rowBytes) == image->GetBPLine()) {
    std::memcpy(rows, image->Row(layout.top), layout.rowBytes * static_cast<std::size_t>(layout.height));
    return true;
  }
  for (int y = 0; y < layout.height; ++y, rows += layout.rowBytes) {
    std::memcpy(rows, image->Row(layout.top + y) + layout.startByte, layout.dataBytes);
    rows[layout.dataBytes - 1] &= tailMask;
    std::memset(rows + layout.dataBytes, 0, layout.rowBytes - layout.dataBytes);
  }
  return true;
}

std::vector<std::uint8_t> ImageToDIBBytes(const VrWA2000::WA* image, const RECT& rect) {
  DibLayout layout;
  if (!PlanImageToDIB(image, rect, layout)) return {};
  const int tailBits = static_cast<int>((static_cast<std::int64_t>(layout.bits) * layout.width) % 8);
  if (layout.startByte == 0 && tailBits == 0 && layout.dataBytes == layout.rowBytes &&
      static_cast<int>(layout.rowBytes) == image->GetBPLine()) {
    // Whole rows without filler: the block is appended as it lies, never
    // cleared first (a large picture's worth of writes saved).
    std::vector<std::uint8_t> dib;
    dib.reserve(layout.total);
    dib.resize(kInfoHeaderBytes + 4 * static_cast<std::size_t>(layout.colours));
    WriteInfoHeader(dib.data(), *image, layout);
    WriteColourTable(dib.data() + kInfoHeaderBytes, *image, layout.colours);
    const std::uint8_t* rows = image->Row(layout.top);
    dib.insert(dib.end(), rows, rows + layout.rowBytes * static_cast<std::size_t>(layout.height));
    return dib;
  }
  std::vector<std::uint8_t> dib(layout.total);
  WriteImageToDIB(image, rect, dib.data());
  return dib;
}
