// TIFF over libtiff: grey, bilevel, palette and RGB images (8 or 16 bits a
// sample, strips or tiles, alpha composited over white) read as they are;
// every other layout libtiff knows (YCbCr, CMYK, separate planes, …)
// through its RGBA reader. Written as palette, grey or RGB with the chosen
// compression.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

namespace {

// libtiff's largest single allocation: a strip or tile this size is a
// hostile file's, not a scanner's.
constexpr tmsize_t kTiffMaxAllocation = 256 << 20;

tmsize_t MemRead(thandle_t h, void* out, tmsize_t n) {
  return n <= 0 ? 0 : static_cast<tmsize_t>(static_cast<MemoryCursor*>(h)->Read(out, static_cast<std::size_t>(n)));
}
tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return 0; }
// Positions past the end are kept (reads there give nothing).
toff_t MemSeek(thandle_t h, toff_t offset, int whence) {
  auto* m = static_cast<MemoryCursor*>(h);
  const std::uint64_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
  const std::uint64_t target = base + offset;
  m->position = target > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(target);
  return target;
}
int NoClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryCursor*>(h)->size; }
int NoMap(thandle_t, void**, toff_t*) { return 0; }
void NoUnmap(thandle_t, void*, toff_t) {}

int QuietErrors(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// 16 bits to 8, rounded: v / 257.
std::uint8_t Reduce16(unsigned v) { return static_cast<std::uint8_t>(((v + 128) - ((v + 128) >> 8)) >> 8); }

struct TiffLayout {
  std::uint32_t width, height;
  std::uint16_t bits, samples, photometric, planar, extraSample;
  int type;
  bool direct;  // rows read as stored, else through the RGBA reader
};

bool Layout(TIFF* tif, TiffLayout* l) {
  l->extraSample = EXTRASAMPLE_UNSPECIFIED;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l->width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l->height)) {
    return false;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l->bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l->samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l->planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l->photometric)) l->photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t extraCount = 0;
  std::uint16_t* extras = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extras) && extraCount > 0) l->extraSample = extras[0];
  const bool grey = (l->photometric == PHOTOMETRIC_MINISBLACK || l->photometric == PHOTOMETRIC_MINISWHITE) &&
                    l->samples == 1 && (l->bits == 1 || l->bits == 2 || l->bits == 4 || l->bits == 8 || l->bits == 16);
  const bool palette = l->photometric == PHOTOMETRIC_PALETTE && l->samples == 1 &&
                       (l->bits == 1 || l->bits == 2 || l->bits == 4 || l->bits == 8);
  const bool rgb = l->photometric == PHOTOMETRIC_RGB && (l->samples == 3 || l->samples == 4) &&
                   l->planar == PLANARCONFIG_CONTIG && (l->bits == 8 || l->bits == 16);
  l->direct = grey || palette || rgb;
  l->type = rgb || !l->direct ? kType24
            : palette       ? (l->bits == 1 ? kType1 : l->bits == 4 ? kType4Bit : kType8Palette)
            : l->bits == 1  ? kType1
                            : kType8Grey;
  return true;
}

int TiffPalette(TIFF* tif, const TiffLayout& l, PALETTEENTRY* palette) {
  if (l.photometric != PHOTOMETRIC_PALETTE) {
    if (l.type != kType1) return 0;
    const BYTE zero = l.photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
    palette[0] = PALETTEENTRY{zero, zero, zero, 0};
    palette[1] = PALETTEENTRY{static_cast<BYTE>(255 - zero), static_cast<BYTE>(255 - zero),
                              static_cast<BYTE>(255 - zero), 0};
    return 2;
  }
  std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return -1;
  const int count = 1 << l.bits;
  for (int i = 0; i < count; ++i) palette[i] = PALETTEENTRY{Reduce16(r[i]), Reduce16(g[i]), Reduce16(b[i]), 0};
  return count;
}

// A stored row into the exchange layout.
void ConvertRow(const TiffLayout& l, const std::uint8_t* in, int width, std::uint8_t* indexes, std::uint8_t* out) {
  if (l.type == kType1 || l.type == kType4Bit) {
    std::memcpy(out, in, (static_cast<std::size_t>(width) * l.bits + 7) / 8);
    return;
  }
  auto sample = [&](std::size_t i) -> unsigned {
    return l.bits == 16 ? Reduce16(reinterpret_cast<const std::uint16_t*>(in)[i]) : in[i];
  };
  if (l.type == kType24) {
    const unsigned n = l.samples;
    const bool alpha = n == 4 && l.extraSample != EXTRASAMPLE_UNSPECIFIED;
    const bool associated = l.extraSample == EXTRASAMPLE_ASSOCALPHA;
    for (int x = 0; x < width; ++x) {
      const unsigned a = alpha ? sample(n * x + 3) : 255;
      for (int c = 0; c < 3; ++c) {
        const unsigned v = sample(n * x + c);
        out[3 * x + 2 - c] = associated ? static_cast<std::uint8_t>(std::min(255u, v + 255 - a)) : OverWhite(v, a);
      }
    }
    return;
  }
  if (l.bits < 8) {
    UnpackIndexes(in, width, l.bits, indexes);
    const unsigned max = (1u << l.bits) - 1;
    for (int x = 0; x < width; ++x) {
      out[x] = l.type == kType8Grey ? static_cast<std::uint8_t>(indexes[x] * 255 / max) : indexes[x];
    }
  } else {
    for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>(sample(x));
  }
  if (l.photometric == PHOTOMETRIC_MINISWHITE) {
    for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>(255 - out[x]);
  }
}

bool ReadDirect(TIFF* tif, const TiffLayout& l, ImageSink& sink) {
  const tmsize_t scanline = TIFFScanlineSize(tif);
  if (scanline <= 0) return sink.Fail("The TIFF layout is damaged.");
  const int width = static_cast<int>(l.width), height = static_cast<int>(l.height);
  std::vector<std::uint8_t> out, indexes;
  if (!sink.Take(out, sink.bytesPerLine()) || !sink.Take(indexes, width)) return false;
  if (!TIFFIsTiled(tif)) {
    std::vector<std::uint8_t> row;
    if (!sink.Take(row, static_cast<std::uint64_t>(scanline))) return false;
    for (int y = 0; y < height; ++y) {
      if (TIFFReadScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
        return sink.Fail("The TIFF data is damaged.");
      }
      ConvertRow(l, row.data(), width, indexes.data(), out.data());
      if (!sink.PutRow(y, out.data())) return false;
    }
    return true;
  }
  std::uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
  const tmsize_t tileSize = TIFFTileSize(tif);
  if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 || tileWidth > 65536 || tileHeight > 65536) {
    return sink.Fail("The TIFF layout is damaged.");
  }
  const std::size_t tileRow = static_cast<std::size_t>(TIFFTileRowSize(tif));
  // Only the rows of a tile that lie inside the image are kept.
  const std::uint32_t bandHeight = std::min(tileHeight, l.height);
  std::vector<std::uint8_t> tile, band;
  if (!sink.Take(tile, static_cast<std::uint64_t>(tileSize)) ||
      !sink.Take(band, static_cast<std::uint64_t>(scanline) * bandHeight)) {
    return false;
  }
  for (std::uint32_t top = 0; top < l.height; top += tileHeight) {
    for (std::uint32_t left = 0; left < l.width; left += tileWidth) {
      if (TIFFReadTile(tif, tile.data(), left, top, 0, 0) < 0) return sink.Fail("The TIFF data is damaged.");
      const std::size_t at = static_cast<std::size_t>(left) * l.bits * l.samples / 8;
      const std::size_t bytes = std::min(tileRow, static_cast<std::size_t>(scanline) - at);
      for (std::uint32_t r = 0; r < bandHeight; ++r) {
        std::memcpy(band.data() + r * static_cast<std::size_t>(scanline) + at, tile.data() + r * tileRow, bytes);
      }
    }
    for (std::uint32_t r = 0; r < bandHeight && top + r < l.height; ++r) {
      ConvertRow(l, band.data() + r * static_cast<std::size_t>(scanline), width, indexes.data(), out.data());
      if (!sink.PutRow(static_cast<int>(top + r), out.data())) return false;
    }
  }
  return true;
}

// libtiff's RGBA reader gives premultiplied colour: over white is c + 255 - a.
bool ReadThroughRgba(TIFF* tif, const TiffLayout& l, ImageSink& sink) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) return sink.Fail("This kind of TIFF image is not supported.");
  std::vector<std::uint32_t> raster;
  if (!sink.Take(raster, static_cast<std::uint64_t>(l.width) * l.height)) return false;
  if (!TIFFReadRGBAImageOriented(tif, l.width, l.height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
    return sink.Fail("The TIFF data is damaged.");
  }
  if (!sink.DecodeProgress(1, 1)) return false;
  std::vector<std::uint8_t> out;
  if (!sink.Take(out, sink.bytesPerLine())) return false;
  for (std::uint32_t y = 0; y < l.height; ++y) {
    const std::uint32_t* in = raster.data() + static_cast<std::size_t>(y) * l.width;
    for (std::uint32_t x = 0; x < l.width; ++x) {
      const unsigned a = TIFFGetA(in[x]);
      out[3 * x] = static_cast<std::uint8_t>(std::min(255u, TIFFGetB(in[x]) + 255 - a));
      out[3 * x + 1] = static_cast<std::uint8_t>(std::min(255u, TIFFGetG(in[x]) + 255 - a));
      out[3 * x + 2] = static_cast<std::uint8_t>(std::min(255u, TIFFGetR(in[x]) + 255 - a));
    }
    if (!sink.PutRow(static_cast<int>(y), out.data())) return false;
  }
  return true;
}

// The most bytes one stored byte can become under a compression; 0 when
// no bound is known (JPEG, the fax codings, ...).
std::uint64_t MostExpansion(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;  // 2 bytes: a run of 128
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;  // a 258-byte match in two bits
    case COMPRESSION_LZW: return 4096 * 8 / 9 + 1;  // a code of 9 bits or more gives at most 4096 bytes
    default: return 0;
  }
}

// Whether the strips or tiles that lie in the file can hold the image's
// data: uncompressed byte for byte, compressed by the largest expansion of
// their compression.
bool DataCanHoldImage(TIFF* tif, const TiffLayout& l, std::uint64_t fileSize) {
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const std::uint64_t expansion = MostExpansion(compression);
  if (expansion == 0) return true;
  const bool tiled = TIFFIsTiled(tif) != 0;
  const std::uint32_t pieces = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  const std::uint64_t planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
  const std::uint64_t needed = tiled ? static_cast<std::uint64_t>(TIFFTileSize64(tif)) * pieces
                                     : static_cast<std::uint64_t>(TIFFScanlineSize64(tif)) * l.height * planes;
  std::uint64_t held = 0;
  for (std::uint32_t i = 0; i < pieces && held * expansion < needed; ++i) {
    const std::uint64_t at = TIFFGetStrileOffset(tif, i), bytes = TIFFGetStrileByteCount(tif, i);
    if (at < fileSize) held += std::min(bytes, fileSize - at);
  }
  return held * expansion >= needed;
}

void Resolution(TIFF* tif, int* xDpi, int* yDpi) {
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  const float scale = unit == RESUNIT_CENTIMETER ? 2.54f : 1.0f;
  *xDpi = *yDpi = 0;
  if (unit == RESUNIT_NONE) return;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && x > 0 && x < 1e6f) *xDpi = static_cast<int>(x * scale + 0.5f);
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) && y > 0 && y < 1e6f) *yDpi = static_cast<int>(y * scale + 0.5f);
}

bool DecodeTiff(TIFF* tif, std::uint64_t fileSize, ImageSink& sink) {
  TiffLayout l{};
  if (!Layout(tif, &l)) return sink.Fail("The TIFF header is damaged.");
  if (!SideSizesAllowed(l.width, l.height)) return sink.Start(l.width, l.height, kType24, nullptr, 0, 0, 0);
  // Before anything is made: strips that can hold the image.
  if (!DataCanHoldImage(tif, l, fileSize)) return sink.Truncated("TIFF");
  PALETTEENTRY palette[256] = {};
  const int count = l.direct ? TiffPalette(tif, l, palette) : 0;
  if (count < 0) return sink.Fail("The TIFF palette is missing.");
  if (l.type == kType8Palette && IsIdentityGreyPalette(palette, count)) l.type = kType8Grey;
  int xDpi = 0, yDpi = 0;
  Resolution(tif, &xDpi, &yDpi);
  if (!sink.Start(l.width, l.height, l.type, palette, count, xDpi, yDpi)) return false;
  std::uint32_t profileSize = 0;
  void* profile = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile != nullptr) {
    sink.PutColorProfile(static_cast<const std::uint8_t*>(profile), profileSize);
  }
  return l.direct ? ReadDirect(tif, l, sink) : ReadThroughRgba(tif, l, sink);
}

bool ReadTiff(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  MemoryCursor input{data, size, 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  // libtiff's blocks are its own: none may take more than the memory cap
  // has left.
  TIFFOpenOptionsSetMaxSingleMemAlloc(
      options, static_cast<tmsize_t>(std::min<std::uint64_t>(kTiffMaxAllocation, MemoryClaim::Available())));
  TIFFOpenOptionsSetErrorHandlerExtR(options, QuietErrors, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, QuietErrors, nullptr);
  TIFF* tif = TIFFClientOpenExt("memory", "rm", &input, MemRead, MemWrite, MemSeek, NoClose, MemSize, NoMap,
                                NoUnmap, options);
  TIFFOpenOptionsFree(options);
  if (tif == nullptr) return sink.Fail("The TIFF header is damaged.");
  const bool ok = DecodeTiff(tif, size, sink);
  TIFFClose(tif);
  return ok;
}

bool MatchesTiff(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
                       (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)));
}

tmsize_t FileRead(thandle_t h, void* out, tmsize_t n) {
  return static_cast<tmsize_t>(std::fread(out, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(h)));
}
tmsize_t FileWrite(thandle_t h, void* data, tmsize_t n) {
  return static_cast<tmsize_t>(std::fwrite(data, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(h)));
}
toff_t FileSeek(thandle_t h, toff_t offset, int whence) {
  auto* file = static_cast<std::FILE*>(h);
#ifdef _WIN32
  if (_fseeki64(file, static_cast<__int64>(offset), whence) != 0) return static_cast<toff_t>(-1);
  return static_cast<toff_t>(_ftelli64(file));
#else
  if (fseeko(file, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
  return static_cast<toff_t>(ftello(file));
#endif
}
toff_t FileSize(thandle_t h) {
  const toff_t here = FileSeek(h, 0, SEEK_CUR);
  const toff_t end = FileSeek(h, 0, SEEK_END);
  FileSeek(h, here, SEEK_SET);
  return end;
}

std::uint16_t CompressionTag(std::int32_t option) {
  switch (option) {
    case kImExpTiffLzw: return COMPRESSION_LZW;
    case kImExpTiffDeflate: return COMPRESSION_ADOBE_DEFLATE;
    case kImExpTiffPackBits: return COMPRESSION_PACKBITS;
    default: return COMPRESSION_NONE;
  }
}

bool EncodeTiff(TIFF* tif, ImageSource& s, const ImExpSaveOptions& o) {
  const bool rgb = s.type == kType24, grey = s.type == kType8Grey;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(s.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(s.height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(rgb || grey ? 8 : s.bitsPerPixel));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(rgb ? 3 : 1));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, rgb ? PHOTOMETRIC_RGB : grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, CompressionTag(o.tiffCompression));
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(s.xDpi));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(s.yDpi));
  if (!s.colorProfile.empty()) {
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(s.colorProfile.size()), s.colorProfile.data());
  }
  if (!rgb && !grey) {
    std::uint16_t r[256], g[256], b[256];
    for (int i = 0; i < s.paletteCount; ++i) {
      r[i] = static_cast<std::uint16_t>(s.palette[i].peRed * 257);
      g[i] = static_cast<std::uint16_t>(s.palette[i].peGreen * 257);
      b[i] = static_cast<std::uint16_t>(s.palette[i].peBlue * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r, g, b);
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(s.bytesPerLine));
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* in = s.Row(y);
    if (in == nullptr) return false;
    std::memcpy(row.data(), in, row.size());
    if (rgb) {
      for (int x = 0; x < s.width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
  }
  return TIFFWriteDirectory(tif) != 0;
}

bool WriteTiff(std::FILE* file, ImageSource& source, const ImExpSaveOptions& options) {
  TIFFOpenOptions* open = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(open, QuietErrors, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(open, QuietErrors, nullptr);
  TIFF* tif = TIFFClientOpenExt("file", "w", file, FileRead, FileWrite, FileSeek, NoClose, FileSize, NoMap,
                                NoUnmap, open);
  TIFFOpenOptionsFree(open);
  if (tif == nullptr) return false;
  const bool ok = EncodeTiff(tif, source, options);
  TIFFClose(tif);
  return ok && std::fflush(file) == 0;
}

}  // namespace

const Codec kTiffCodec = {"TIFF",     "Tagged Image File Format (*.tif;*.tiff)", "*.tif;*.tiff", MatchesTiff,
                          ReadTiff,   WriteTiff,
                          kAllTypes,
                          kAllTypes};

}  // namespace lumora::imgxfer
