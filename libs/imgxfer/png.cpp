// PNG over libpng: every colour type and depth read (16-bit samples scaled
// to 8, transparency composited over white, palettes kept), palette, grey
// and colour images written with the chosen compression and interlace.
// libpng reports errors by longjmp: the functions that call setjmp hold only
// plain data, every buffer belongs to their callers.
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostapi/imagebuf.h"
#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

namespace {

void PngReadMemory(png_structp png, png_bytep out, png_size_t count) {
  if (static_cast<MemoryCursor*>(png_get_io_ptr(png))->Read(out, count) != count) {
    png_error(png, "unexpected end of data");
  }
}

// libpng's own blocks count against the memory cap: each carries its size
// in front, for the release.
constexpr std::size_t kBlockHeader = 16;

png_voidp CountedMalloc(png_structp, png_alloc_size_t bytes) {
  if (bytes > SIZE_MAX - kBlockHeader || !VrWA2000::ReadWA::MM_Reserve(bytes)) return nullptr;
  auto* block = static_cast<std::uint8_t*>(std::malloc(bytes + kBlockHeader));
  if (block == nullptr) {
    VrWA2000::ReadWA::MM_Return(bytes);
    return nullptr;
  }
  std::memcpy(block, &bytes, sizeof bytes);
  return block + kBlockHeader;
}

void CountedFree(png_structp, png_voidp pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<std::uint8_t*>(pointer) - kBlockHeader;
  png_alloc_size_t bytes = 0;
  std::memcpy(&bytes, block, sizeof bytes);
  VrWA2000::ReadWA::MM_Return(bytes);
  std::free(block);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Bytes of IDAT data the file holds (each chunk as far as the file goes).
std::uint64_t ImageDataBytes(const std::uint8_t* data, std::size_t size) {
  std::uint64_t total = 0;
  for (std::uint64_t at = 8; at + 8 <= size;) {
    const std::uint32_t length = BigEndian32(data + at);
    const std::uint8_t* type = data + at + 4;
    if (std::memcmp(type, "IDAT", 4) == 0) total += std::min<std::uint64_t>(length, size - (at + 8));
    if (std::memcmp(type, "IEND", 4) == 0) break;
    at += 12 + static_cast<std::uint64_t>(length);
  }
  return total;
}

// Deflate's largest expansion: a 258-byte match in two bits.
constexpr std::uint64_t kDeflateMostBytesPerByte = 1032;

void WarnNothing(png_structp, png_const_charp) {}
// Errors end the libpng call without a word on the console.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// How the decoded rows become rows of the exchange type.
enum class RowKind { kDirect, kGreyAlpha, kBgrAlpha };

struct PngHeader {
  png_uint_32 width, height;
  int type;
  RowKind kind;
  int interlaced;
  std::size_t rowBytes;  // of one decoded row
  std::uint64_t storedBytes;  // of the image's pixels as stored, before filtering and compression
  int paletteCount;
  PALETTEENTRY palette[256];
  int xDpi, yDpi;
};

// The palette with each entry's tRNS alpha composited over white.
int ReadPalette(png_structp png, png_infop info, PALETTEENTRY* out) {
  png_colorp colours = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &colours, &count);
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
  for (int i = 0; i < count && i < 256; ++i) {
    const unsigned a = i < alphaCount ? alpha[i] : 255;
    out[i] = PALETTEENTRY{OverWhite(colours[i].red, a), OverWhite(colours[i].green, a),
                          OverWhite(colours[i].blue, a), 0};
  }
  return count < 256 ? count : 256;
}

// Sets the transformations and fills the header. Plain data only here.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader* h) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &h->width, &h->height, &depth, &colourType, &interlace, nullptr, nullptr);
  h->interlaced = interlace != PNG_INTERLACE_NONE;
  const std::uint64_t storedRow = (static_cast<std::uint64_t>(h->width) * depth * png_get_channels(png, info) + 7) / 8;
  h->storedBytes = storedRow * h->height;
  png_set_scale_16(png);
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  h->kind = RowKind::kDirect;
  h->paletteCount = 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    h->paletteCount = ReadPalette(png, info, h->palette);
    if (depth == 2) png_set_packing(png);
    h->type = depth == 1 ? kType1 : depth == 4 ? kType4Bit : kType8Palette;
    if (h->type == kType8Palette && IsIdentityGreyPalette(h->palette, h->paletteCount)) h->type = kType8Grey;
  } else if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
    png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    h->type = kType8Grey;
    if (hasTrns || (colourType & PNG_COLOR_MASK_ALPHA) != 0) h->kind = RowKind::kGreyAlpha;
  } else {
    png_set_bgr(png);
    if (hasTrns) png_set_tRNS_to_alpha(png);
    h->type = kType24;
    if (hasTrns || (colourType & PNG_COLOR_MASK_ALPHA) != 0) h->kind = RowKind::kBgrAlpha;
  }
  if (h->interlaced) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  h->rowBytes = png_get_rowbytes(png, info);
  png_uint_32 xPpu = 0, yPpu = 0;
  int unit = 0;
  h->xDpi = h->yDpi = 0;
  if (png_get_pHYs(png, info, &xPpu, &yPpu, &unit) != 0 && unit == PNG_RESOLUTION_METER) {
    h->xDpi = static_cast<int>(DpiFromPixelsPerMeter(xPpu));
    h->yDpi = static_cast<int>(DpiFromPixelsPerMeter(yPpu));
  }
  return true;
}

// A decoded row into the exchange layout.
void ConvertRow(const PngHeader& h, const std::uint8_t* in, std::uint8_t* out) {
  const png_uint_32 w = h.width;
  if (h.kind == RowKind::kGreyAlpha) {
    for (png_uint_32 x = 0; x < w; ++x) out[x] = OverWhite(in[2 * x], in[2 * x + 1]);
  } else {
    for (png_uint_32 x = 0; x < w; ++x) {
      const unsigned a = in[4 * x + 3];
      out[3 * x] = OverWhite(in[4 * x], a);
      out[3 * x + 1] = OverWhite(in[4 * x + 1], a);
      out[3 * x + 2] = OverWhite(in[4 * x + 2], a);
    }
  }
}

// Non-interlaced: one row at a time into `decoded`, straight to the sink.
bool ReadPngRows(png_structp png, const PngHeader* h, std::uint8_t* decoded, std::uint8_t* converted,
                 ImageSink* sink) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (png_uint_32 y = 0; y < h->height; ++y) {
    png_read_row(png, decoded, nullptr);
    if (h->kind != RowKind::kDirect) ConvertRow(*h, decoded, converted);
    if (!sink->PutRow(static_cast<int>(y), h->kind == RowKind::kDirect ? decoded : converted)) return false;
  }
  return true;
}

// Interlaced: the whole image through `rows`.
bool ReadPngImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

bool DeliverImage(const PngHeader& h, std::vector<std::uint8_t>& image, std::size_t stride,
                  std::vector<std::uint8_t>& converted, ImageSink& sink) {
  for (png_uint_32 y = 0; y < h.height; ++y) {
    std::uint8_t* row = image.data() + y * stride;
    if (h.kind != RowKind::kDirect) ConvertRow(h, row, converted.data());
    if (!sink.PutRow(static_cast<int>(y), h.kind == RowKind::kDirect ? row : converted.data())) return false;
  }
  return true;
}

bool DecodePng(png_structp png, png_infop info, const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  MemoryCursor input{data, size, 0};
  png_set_read_fn(png, &input, PngReadMemory);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_cache_max(png, 1000);
  // Room for an embedded colour profile up to its limit, inflated.
  png_set_chunk_malloc_max(png, kMaxColorProfileBytes + 4096);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  // Before anything is made: image data that can hold the image.
  const std::uint64_t compressed = ImageDataBytes(data, size);
  if (compressed == 0) return sink.Fail("The PNG file holds no image data: it is damaged.");
  PngHeader h{};
  if (!ReadPngHeader(png, info, &h)) return sink.Fail("The PNG header is damaged.");
  if (!SideSizesAllowed(h.width, h.height)) return sink.Start(h.width, h.height, h.type, nullptr, 0, 0, 0);
  if (compressed * kDeflateMostBytesPerByte < h.storedBytes) return sink.Truncated("PNG");
  if (!sink.Start(h.width, h.height, h.type, h.palette, h.paletteCount, h.xDpi, h.yDpi)) return false;
  png_charp profileName = nullptr;
  int profileCompression = 0;
  png_bytep profile = nullptr;
  png_uint_32 profileSize = 0;
  if (png_get_iCCP(png, info, &profileName, &profileCompression, &profile, &profileSize) != 0) {
    sink.PutColorProfile(profile, profileSize);
  }
  const std::size_t stride = (h.rowBytes > static_cast<std::size_t>(sink.bytesPerLine()) ? h.rowBytes
                              : static_cast<std::size_t>(sink.bytesPerLine()));
  std::vector<std::uint8_t> converted;
  if (!sink.Take(converted, sink.bytesPerLine())) return false;
  if (!h.interlaced) {
    std::vector<std::uint8_t> decoded;
    if (!sink.Take(decoded, stride)) return false;
    if (!ReadPngRows(png, &h, decoded.data(), converted.data(), &sink)) return sink.Fail("The PNG data is damaged.");
    return true;
  }
  std::vector<std::uint8_t> image;
  std::vector<png_bytep> rows;
  if (!sink.Take(image, static_cast<std::uint64_t>(stride) * h.height) || !sink.Take(rows, h.height)) return false;
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = image.data() + y * stride;
  if (!ReadPngImage(png, rows.data())) return sink.Fail("The PNG data is damaged.");
  if (!sink.DecodeProgress(1, 1)) return false;
  return DeliverImage(h, image, stride, converted, sink);
}

bool ReadPng(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, QuietError, WarnNothing, nullptr,
                                             CountedMalloc, CountedFree);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const bool ok = info != nullptr ? DecodePng(png, info, data, size, sink) : sink.NoMemory();
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

bool MatchesPng(const std::uint8_t* data, std::size_t size) {
  return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

// Header, palette and resolution of the image to write. Plain data only.
bool WritePngHeader(png_structp png, png_infop info, const ImageSource* s, const ImExpSaveOptions* o) {
  if (setjmp(png_jmpbuf(png))) return false;
  int colourType = PNG_COLOR_TYPE_RGB, depth = 8;
  if (s->type == kType8Grey) {
    colourType = PNG_COLOR_TYPE_GRAY;
  } else if (s->type != kType24) {
    colourType = PNG_COLOR_TYPE_PALETTE;
    depth = s->bitsPerPixel;
  }
  png_set_IHDR(png, info, s->width, s->height, depth, colourType,
               o->pngInterlace > 0 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_color colours[256];
    for (int i = 0; i < s->paletteCount; ++i) {
      colours[i] = png_color{s->palette[i].peRed, s->palette[i].peGreen, s->palette[i].peBlue};
    }
    png_set_PLTE(png, info, colours, s->paletteCount);
  }
  png_set_pHYs(png, info, PixelsPerMeterFromDpi(s->xDpi), PixelsPerMeterFromDpi(s->yDpi), PNG_RESOLUTION_METER);
  if (!s->colorProfile.empty()) {
    // libpng checks the profile against the image; a doubt is a warning.
    png_set_benign_errors(png, 1);
    png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, s->colorProfile.data(),
                 static_cast<png_uint_32>(s->colorProfile.size()));
  }
  png_set_compression_level(png, o->pngCompression > 0 ? o->pngCompression : 0);
  png_write_info(png, info);
  if (s->type == kType24) png_set_bgr(png);
  return true;
}

bool WritePngRows(png_structp png, ImageSource* s) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = 0; y < s->height; ++y) {
    const std::uint8_t* row = s->Row(y);
    if (row == nullptr) return false;
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

bool WritePngImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

bool EncodePng(png_structp png, png_infop info, std::FILE* file, ImageSource& s, const ImExpSaveOptions& o) {
  png_init_io(png, file);
  if (!WritePngHeader(png, info, &s, &o)) return false;
  if (o.pngInterlace <= 0) return WritePngRows(png, &s);
  // Adam7 passes need every row at once.
  const std::size_t stride = static_cast<std::size_t>(s.bytesPerLine);
  std::vector<std::uint8_t> image(stride * s.height);
  std::vector<png_bytep> rows(s.height);
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* row = s.Row(y);
    if (row == nullptr) return false;
    rows[y] = image.data() + y * stride;
    std::memcpy(rows[y], row, stride);
  }
  return WritePngImage(png, rows.data());
}

bool WritePng(std::FILE* file, ImageSource& source, const ImExpSaveOptions& options) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, WarnNothing);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const bool ok = info != nullptr && EncodePng(png, info, file, source, options);
  png_destroy_write_struct(&png, &info);
  return ok;
}

}  // namespace

const Codec kPngCodec = {"PNG",      "Portable Network Graphics (*.png)", "*.png", MatchesPng, ReadPng, WritePng,
                         kAllTypes,
                         kAllTypes};

}  // namespace lumora::imgxfer
