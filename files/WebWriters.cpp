#include "files/WebWriters.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <vector>

#include "platform/safe_write.h"
#include "hostapi/gifseq.h"

namespace lumora {

namespace {

using VrWA2000::WA;

int PaletteSizeOf(int type) { return type == kWAType24 ? 0 : 1 << VrWA2000::BitsPerPixelOfType(type); }

bool Inside(const Fragment* selection, int x, int y) {
  const POINT point{x, y};
  return (PointInFragment(selection, &point) & 1) != 0;
}

int GetIndex(const std::uint8_t* row, int type, int x) {
  if (type == kWAType1Bit) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  if (type == kWAType4Bit) return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
  return row[x];
}

void SetIndex(std::uint8_t* row, int type, int x, int value) {
  if (type == kWAType1Bit) {
    const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = value ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
  } else if (type == kWAType4Bit) {
    std::uint8_t& b = row[x >> 1];
    b = (x & 1) ? ((b & 0xF0) | (value & 0x0F)) : ((b & 0x0F) | (value << 4));
  } else {
    row[x] = static_cast<std::uint8_t>(value);
  }
}

std::vector<std::uint64_t> IndexUse(const WA& image) {
  std::vector<std::uint64_t> use(PaletteSizeOf(image.GetType()), 0);
  for (int y = 0; y < image.GetH(); ++y) {
    const std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x) ++use[GetIndex(row, image.GetType(), x)];
  }
  return use;
}

// A copy at the next paletted depth with the same palette and indices.
WA* Widened(const WA& image) {
  const int type = image.GetType() == kWAType1Bit ? kWAType4Bit : kWAType8Palette;
  PALETTEENTRY palette[256] = {};
  image.GetPaletteEntries(0, static_cast<std::uint16_t>(PaletteSizeOf(image.GetType())), palette);
  WA* wide = NewWAWithPalette(type, image.GetW(), image.GetH(), palette);
  if (wide == nullptr) return nullptr;
  wide->SetXRes(image.GetXRes());
  wide->SetYRes(image.GetYRes());
  for (int y = 0; y < image.GetH(); ++y) {
    const std::uint8_t* from = image.Row(y);
    std::uint8_t* to = wide->Row(y);
    for (int x = 0; x < image.GetW(); ++x) SetIndex(to, type, x, GetIndex(from, image.GetType(), x));
  }
  return wide;
}

// Frees the least used index of a full 8-bit image: its pixels take the
// nearest other entry. Returns the freed index.
int FreeLeastUsed(WA& image, const std::vector<std::uint64_t>& use) {
  const int freed = static_cast<int>(std::min_element(use.begin(), use.end()) - use.begin());
  const PALETTEENTRY* p = image.Palette();
  int nearest = freed == 0 ? 1 : 0;
  long best = -1;
  for (int i = 0; i < 256; ++i) {
    if (i == freed) continue;
    const long dr = p[i].peRed - p[freed].peRed, dg = p[i].peGreen - p[freed].peGreen,
               db = p[i].peBlue - p[freed].peBlue;
    const long d = dr * dr + dg * dg + db * db;
    if (best < 0 || d < best) {
      best = d;
      nearest = i;
    }
  }
  for (int y = 0; y < image.GetH(); ++y) {
    std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x)
      if (row[x] == freed) row[x] = static_cast<std::uint8_t>(nearest);
  }
  return freed;
}

void FillSelection24(WA& image, const Fragment* selection, RGBQUAD key, bool keepOthersOffKey) {
  for (int y = 0; y < image.GetH(); ++y) {
    std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x) {
      std::uint8_t* px = row + 3 * x;
      if (Inside(selection, x, y)) {
        px[0] = key.rgbBlue;
        px[1] = key.rgbGreen;
        px[2] = key.rgbRed;
      } else if (keepOthersOffKey && px[0] == key.rgbBlue && px[1] == key.rgbGreen && px[2] == key.rgbRed) {
        // Only the selection may show the key colour.
        px[0] = px[1] = px[2] = 1;
      }
    }
  }
}

}  // namespace

PreparedWebImage PrepareWebImage(WA* result, const WebWriteOptions& options) {
  PreparedWebImage prepared;
  if (result == nullptr) return prepared;
  const int type = result->GetType();
  const bool fill = options.selectionTransparent != 0 && options.selection != nullptr;
  if (type == kWAType24) {
    RGBQUAD key{};
    if (options.useTransparent) {
      key = {GetBValue(options.transparencyColour), GetGValue(options.transparencyColour),
             GetRValue(options.transparencyColour), 0};
    }
    prepared.colourKey = options.useTransparent != 0 || fill;
    prepared.key = key;
    if (!fill) {
      prepared.image = WAPtr::Share(result);
      return prepared;
    }
    prepared.image = WAPtr::Adopt(CloneWA(result));
    if (prepared.image) FillSelection24(*prepared.image, options.selection, key, options.useTransparent == 0);
    return prepared;
  }
  const int colours = PaletteSizeOf(type);
  const bool picked = options.useTransparent != 0 && options.transparentIndex >= 0 &&
                      options.transparentIndex < colours;
  if (picked) prepared.transparentIndex = options.transparentIndex;
  if (!fill) {
    prepared.image = WAPtr::Share(result);
    return prepared;
  }
  WAPtr copy = WAPtr::Adopt(CloneWA(result));
  if (!copy) return prepared;
  int index = prepared.transparentIndex;
  if (index < 0) {
    std::vector<std::uint64_t> use = IndexUse(*copy);
    const auto unused = std::find(use.begin(), use.end(), 0u);
    if (unused != use.end()) {
      index = static_cast<int>(unused - use.begin());
    } else if (copy->GetType() == kWAType1Bit || copy->GetType() == kWAType4Bit) {
      const int used = static_cast<int>(use.size());
      copy = WAPtr::Adopt(Widened(*copy));
      if (!copy) return prepared;
      index = used;
    } else {
      index = FreeLeastUsed(*copy, use);
    }
  }
  const int copyType = copy->GetType();
  for (int y = 0; y < copy->GetH(); ++y) {
    std::uint8_t* row = copy->Row(y);
    for (int x = 0; x < copy->GetW(); ++x)
      if (Inside(options.selection, x, y)) SetIndex(row, copyType, x, index);
  }
  prepared.image = copy;
  prepared.transparentIndex = index;
  return prepared;
}

// ---- PNG ----

namespace {

// Everything libpng needs, made before it runs: between its setjmp and a
// longjmp no object with a destructor may come to life.
struct PngJob {
  StreamFile* out;
  std::string error;
  int width, height, bits, colourType, interlace;
  bool bgr;
  std::vector<png_color> palette;
  std::vector<png_byte> alpha;
  bool colourKey;
  png_color_16 key;
  std::vector<png_bytep> rows;
};

void PngWriteBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* target = static_cast<PngJob*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    target->out->Write(data, static_cast<std::uint32_t>(size));
  } catch (const std::exception& e) {
    target->error = e.what();
    failed = true;
  }
  if (failed) png_error(png, "write failed");
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message) {
  auto* target = static_cast<PngJob*>(png_get_error_ptr(png));
  if (target->error.empty()) target->error = std::string("PNG Error: ") + message;
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

}  // namespace

namespace {

bool RunLibpng(PngJob& job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &job, PngWriteBytes, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(job.width), static_cast<png_uint_32>(job.height), job.bits,
               job.colourType, job.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (job.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(png, info, job.palette.data(), static_cast<int>(job.palette.size()));
    if (!job.alpha.empty()) png_set_tRNS(png, info, job.alpha.data(), static_cast<int>(job.alpha.size()), nullptr);
  } else if (job.colourKey) {
    png_set_tRNS(png, info, nullptr, 0, &job.key);
  }
  png_write_info(png, info);
  if (job.bgr) png_set_bgr(png);
  png_write_image(png, job.rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool EncodePNG(StreamFile& out, const PreparedWebImage& prepared, int interlace, std::string* error) {
  const WA* image = prepared.image.get();
  if (image == nullptr) {
    if (error != nullptr) *error = "File write Error!";
    return false;
  }
  const int type = image->GetType();
  PngJob job{};
  job.out = &out;
  job.width = image->GetW();
  job.height = image->GetH();
  job.bits = type == kWAType24 ? 8 : VrWA2000::BitsPerPixelOfType(type);
  job.colourType = type == kWAType24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE;
  job.interlace = interlace;
  job.bgr = type == kWAType24;
  const int colours = PaletteSizeOf(type);
  for (int i = 0; i < colours; ++i) {
    const PALETTEENTRY& e = image->Palette()[i];
    job.palette.push_back({e.peRed, e.peGreen, e.peBlue});
  }
  if (prepared.transparentIndex >= 0 && prepared.transparentIndex < colours) {
    job.alpha.assign(prepared.transparentIndex + 1, 255);
    job.alpha.back() = 0;
  }
  job.colourKey = prepared.colourKey;
  job.key.red = prepared.key.rgbRed;
  job.key.green = prepared.key.rgbGreen;
  job.key.blue = prepared.key.rgbBlue;
  // Image buffers count rows from the bottom, PNG from the top.
  for (int i = 0; i < job.height; ++i) job.rows.push_back(const_cast<png_bytep>(image->Row(job.height - 1 - i)));
  const bool ok = RunLibpng(job);
  if (!ok && error != nullptr) *error = job.error.empty() ? "PNG Error" : job.error;
  return ok;
}

// ---- GIF ----

bool EncodeGIF(StreamFile& out, const PreparedWebImage& prepared, std::string* error) {
  if (!prepared.image) {
    if (error != nullptr) *error = "File write Error!";
    return false;
  }
  GifSeqHandle* handle = initReadWrite();
  if (handle == nullptr) {
    if (error != nullptr) *error = "Out of memory.";
    return false;
  }
  SetGifSeqStream(handle, &out);
  CWriteWA writer;
  writer.Attach(prepared.image.get());
  const PALETTEENTRY* palette = prepared.image->Palette();
  if (WriteFileHeader(nullptr, &writer, 0, 2, palette, 0, handle) != 0) {
    WriteAnimGIFframe(nullptr, &writer, 1, 0, 0, 0, prepared.transparentIndex, 2, palette, 0, handle);
  }
  const std::string message = GifSeqError(handle);
  const bool ok = endReadWrite(handle) != 0;
  if (!ok && error != nullptr) *error = message.empty() ? "GIF write error" : message;
  return ok;
}

// ---- Files and estimates ----

namespace {

using Encoder = bool (*)(StreamFile&, const PreparedWebImage&, int, std::string*);

bool EncodeGIFIgnoringInterlace(StreamFile& out, const PreparedWebImage& image, int, std::string* error) {
  return EncodeGIF(out, image, error);
}

bool WriteWith(Encoder encode, const std::string& path, WA* result, const WebWriteOptions& options,
               std::string* error) {
  const PreparedWebImage prepared = PrepareWebImage(result, options);
  if (!prepared.image) {
    if (error != nullptr) *error = "File write Error!";
    return false;
  }
  return WriteFileSafely(
      path, [&](StreamFile& file, std::string* message) { return encode(file, prepared, options.interlace, message); },
      error);
}

std::uint64_t EstimateWith(Encoder encode, WA* result, const WebWriteOptions& options) {
  const PreparedWebImage prepared = PrepareWebImage(result, options);
  if (!prepared.image) return 0;
  MemFile memory(1024);
  std::string error;
  if (!encode(memory, prepared, options.interlace, &error)) return 0;
  return memory.GetLength();
}

}  // namespace

bool WriteWebPNG(const std::string& path, WA* result, const WebWriteOptions& options, std::string* error) {
  return WriteWith(EncodePNG, path, result, options, error);
}

bool WriteWebGIF(const std::string& path, WA* result, const WebWriteOptions& options, std::string* error) {
  return WriteWith(EncodeGIFIgnoringInterlace, path, result, options, error);
}

std::uint64_t EstimateWebPNG(WA* result, const WebWriteOptions& options) {
  return EstimateWith(EncodePNG, result, options);
}

std::uint64_t EstimateWebGIF(WA* result, const WebWriteOptions& options) {
  return EstimateWith(EncodeGIFIgnoringInterlace, result, options);
}

}  // namespace lumora
