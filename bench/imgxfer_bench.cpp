// The file-format library against the plain codec libraries with the same
// settings, on a 4000 x 3000 RGB photo-like picture held in memory: PNG
// (compression 6, no interlace) and JPEG (quality 90, progressive) read
// into and written from one contiguous buffer of DIB rows.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "libs/imgxfer/codec.h"
#include "libs/imgxfer/options.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr int kStride = (kWidth * 3 + 3) / 4 * 4;

// Smooth shading with fine texture: compresses like a photograph.
const std::vector<std::uint8_t>& Photo() {
  static const std::vector<std::uint8_t> pixels = [] {
    std::vector<std::uint8_t> p(static_cast<std::size_t>(kStride) * kHeight);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = static_cast<int>(seed >> 29) - 4;
        const double s = std::sin(x * 0.004) * std::cos(y * 0.006);
        std::uint8_t* px = p.data() + static_cast<std::size_t>(y) * kStride + 3 * x;
        px[0] = static_cast<std::uint8_t>(std::clamp(128 + 100 * s + grain, 0.0, 255.0));
        px[1] = static_cast<std::uint8_t>(std::clamp(40 + x * 0.04 + grain, 0.0, 255.0));
        px[2] = static_cast<std::uint8_t>(std::clamp(200 - y * 0.05 + 30 * s + grain, 0.0, 255.0));
      }
    }
    return p;
  }();
  return pixels;
}

// Rows land in (or come from) one buffer, bottom row first, as in an image buffer.
class BufferReader : public CAbstractReadWA {
 public:
  explicit BufferReader(std::vector<std::uint8_t>& pixels) : pixels_(pixels) {}
  int SetImageCount(int) override { return 0; }
  int SetSubImageCount(int, int) override { return 0; }
  int SetSize(int, int, int, int) override { return 0; }
  int SetType(int, int, int) override { return 0; }
  int SetPalette(int, int, const PALETTEENTRY*, int) override { return 0; }
  int SetResolution(int, int, int, int) override { return 0; }
  int PutRow(int, int, int row, const std::uint8_t* bytes) override {
    std::memcpy(pixels_.data() + static_cast<std::size_t>(row) * kStride, bytes, kStride);
    return 0;
  }

 private:
  std::vector<std::uint8_t>& pixels_;
};

class BufferWriter : public CAbstractWriteWA {
 public:
  explicit BufferWriter(const std::vector<std::uint8_t>& pixels) : pixels_(pixels) {}
  int GetImageCount(int* n) override { return *n = 1, 0; }
  int GetSubImageCount(int, int* n) override { return *n = 1, 0; }
  int GetSize(int, int, int* w, int* h) override { return *w = kWidth, *h = kHeight, 0; }
  int GetType(int, int, int* t) override { return *t = 16, 0; }
  int GetPalette(int, int, PALETTEENTRY*) override { return 0; }
  int GetResolution(int, int, int* x, int* y) override { return *x = *y = 96, 0; }
  int GetRow(int, int, int row, std::uint8_t* out) override {
    std::memcpy(out, pixels_.data() + static_cast<std::size_t>(row) * kStride, kStride);
    return 0;
  }

 private:
  const std::vector<std::uint8_t>& pixels_;
};

// An in-memory stdio stream, reopened for every write.
struct MemoryStream {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&data, &size);
  ~MemoryStream() {
    if (file != nullptr) std::fclose(file);
    std::free(data);
  }
};

ImExpSaveOptions Options() { return lumora::imgxfer::DefaultSaveOptions(); }

// ---- Plain libpng -------------------------------------------------------

struct PngInput {
  const std::uint8_t* data;
  std::size_t at;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
  std::memcpy(out, in->data + in->at, n);
  in->at += n;
}

void PlainPngRead(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngInput input{file.data(), 0};
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &input, PngRead);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    for (int y = 0; y < kHeight; ++y) {
      png_read_row(png, pixels.data() + static_cast<std::size_t>(kHeight - 1 - y) * kStride, nullptr);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
}

void PlainPngWrite(std::FILE* file, const std::vector<std::uint8_t>& pixels) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, 3780, 3780, PNG_RESOLUTION_METER);
    png_set_compression_level(png, Options().pngCompression);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < kHeight; ++y) {
      png_write_row(png, pixels.data() + static_cast<std::size_t>(kHeight - 1 - y) * kStride);
    }
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
}

// ---- Plain libjpeg-turbo ------------------------------------------------

void PlainJpegRead(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + static_cast<std::size_t>(kHeight - 1 - cinfo.output_scanline) * kStride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

void PlainJpegWrite(std::FILE* file, const std::vector<std::uint8_t>& pixels) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, Options().jpegQuality, TRUE);
  if (Options().jpegProgressive > 0) jpeg_simple_progression(&cinfo);
  cinfo.density_unit = 1;
  cinfo.X_density = cinfo.Y_density = 96;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) +
                   static_cast<std::size_t>(kHeight - 1 - cinfo.next_scanline) * kStride;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

// ---- The encoded files ----------------------------------------------------

std::vector<std::uint8_t> Encoded(void (*write)(std::FILE*, const std::vector<std::uint8_t>&)) {
  MemoryStream stream;
  write(stream.file, Photo());
  std::fflush(stream.file);
  return std::vector<std::uint8_t>(stream.data, stream.data + stream.size);
}
const std::vector<std::uint8_t>& PngFile() {
  static const std::vector<std::uint8_t> file = Encoded(PlainPngWrite);
  return file;
}
const std::vector<std::uint8_t>& JpegFile() {
  static const std::vector<std::uint8_t> file = Encoded(PlainJpegWrite);
  return file;
}

void ImgxferRead(benchmark::State& state, const std::vector<std::uint8_t>& file, const char* name) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kStride) * kHeight);
  for (auto _ : state) {
    BufferReader reader(pixels);
    std::string message;
    if (lumora::imgxfer::ReadFromMemory(file.data(), file.size(), name, reader, nullptr, &message) != kImExpOk) {
      state.SkipWithError(message.c_str());
      break;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void ImgxferWrite(benchmark::State& state, const lumora::imgxfer::Codec& codec) {
  const auto options = Options();
  for (auto _ : state) {
    MemoryStream stream;
    BufferWriter writer(Photo());
    std::string message;
    if (lumora::imgxfer::WriteToStream(stream.file, codec, writer, nullptr, options, &message) != kImExpOk) {
      state.SkipWithError(message.c_str());
      break;
    }
    std::fflush(stream.file);
    benchmark::DoNotOptimize(stream.size);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void PlainRead(benchmark::State& state, const std::vector<std::uint8_t>& file,
               void (*read)(const std::vector<std::uint8_t>&, std::vector<std::uint8_t>&)) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kStride) * kHeight);
  for (auto _ : state) {
    read(file, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void PlainWrite(benchmark::State& state, void (*write)(std::FILE*, const std::vector<std::uint8_t>&)) {
  for (auto _ : state) {
    MemoryStream stream;
    write(stream.file, Photo());
    std::fflush(stream.file);
    benchmark::DoNotOptimize(stream.size);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_ImgxferReadPng(benchmark::State& state) { ImgxferRead(state, PngFile(), "photo.png"); }
void BM_PlainReadPng(benchmark::State& state) { PlainRead(state, PngFile(), PlainPngRead); }
void BM_ImgxferWritePng(benchmark::State& state) { ImgxferWrite(state, lumora::imgxfer::kPngCodec); }
void BM_PlainWritePng(benchmark::State& state) { PlainWrite(state, PlainPngWrite); }
void BM_ImgxferReadJpeg(benchmark::State& state) { ImgxferRead(state, JpegFile(), "photo.jpg"); }
void BM_PlainReadJpeg(benchmark::State& state) { PlainRead(state, JpegFile(), PlainJpegRead); }
void BM_ImgxferWriteJpeg(benchmark::State& state) { ImgxferWrite(state, lumora::imgxfer::kJpegCodec); }
void BM_PlainWriteJpeg(benchmark::State& state) { PlainWrite(state, PlainJpegWrite); }

BENCHMARK(BM_ImgxferReadPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImgxferWritePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWritePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImgxferReadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImgxferWriteJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWriteJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
