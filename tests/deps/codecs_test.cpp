// The third-party codecs link and work in this build: a small image goes
// through libpng (with zlib), libjpeg and giflib and comes back.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kW = 13;
constexpr int kH = 7;

std::vector<std::uint8_t> TestRgb() {
  std::vector<std::uint8_t> rgb(kW * kH * 3);
  for (int i = 0; i < kW * kH; ++i) {
    rgb[i * 3 + 0] = std::uint8_t(i * 3);
    rgb[i * 3 + 1] = std::uint8_t(255 - i);
    rgb[i * 3 + 2] = std::uint8_t((i * 7) & 0xFF);
  }
  return rgb;
}

// ---- PNG ----

void PngWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void PngFlush(png_structp) {}

struct PngReader {
  const std::vector<std::uint8_t>* data;
  size_t pos;
};
void PngRead(png_structp png, png_bytep out, png_size_t size) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (r->pos + size > r->data->size()) png_error(png, "short read");
  std::memcpy(out, r->data->data() + r->pos, size);
  r->pos += size;
}

TEST(Codecs, PngRoundTripThroughLibpng) {
  const std::vector<std::uint8_t> rgb = TestRgb();
  std::vector<std::uint8_t> file;
  {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ASSERT_FALSE(setjmp(png_jmpbuf(png)));
    png_set_write_fn(png, &file, PngWrite, PngFlush);
    png_set_IHDR(png, info, kW, kH, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int p = 0; p < passes; ++p)
      for (int y = 0; y < kH; ++y) png_write_row(png, rgb.data() + y * kW * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
  }
  ASSERT_GT(file.size(), 8u);
  EXPECT_EQ(png_sig_cmp(file.data(), 0, 8), 0);

  std::vector<std::uint8_t> back(rgb.size());
  {
    PngReader reader{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ASSERT_FALSE(setjmp(png_jmpbuf(png)));
    png_set_read_fn(png, &reader, PngRead);
    png_read_info(png, info);
    EXPECT_EQ(png_get_image_width(png, info), png_uint_32(kW));
    EXPECT_EQ(png_get_image_height(png, info), png_uint_32(kH));
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    for (int p = 0; p < passes; ++p)
      for (int y = 0; y < kH; ++y) png_read_row(png, back.data() + y * kW * 3, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
  }
  EXPECT_EQ(back, rgb);
}

// ---- JPEG ----

TEST(Codecs, JpegRoundTripThroughLibjpeg) {
  // A flat colour survives JPEG almost exactly.
  std::vector<std::uint8_t> rgb(kW * kH * 3);
  for (int i = 0; i < kW * kH; ++i) {
    rgb[i * 3] = 200;
    rgb[i * 3 + 1] = 100;
    rgb[i * 3 + 2] = 50;
  }
  unsigned char* file = nullptr;
  unsigned long size = 0;
  {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &file, &size);
    c.image_width = kW;
    c.image_height = kH;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = rgb.data() + c.next_scanline * kW * 3;
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
  }
  ASSERT_GT(size, 100u);
  std::vector<std::uint8_t> back(rgb.size());
  {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file, size);
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    EXPECT_EQ(d.output_width, unsigned(kW));
    EXPECT_EQ(d.output_height, unsigned(kH));
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = back.data() + d.output_scanline * kW * 3;
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
  }
  std::free(file);
  for (size_t i = 0; i < rgb.size(); ++i) EXPECT_NEAR(back[i], rgb[i], 3) << i;
}

// ---- GIF ----

int GifWrite(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

int GifRead(GifFileType* gif, GifByteType* out, int size) {
  auto* r = static_cast<PngReader*>(gif->UserData);
  const size_t n = std::min<size_t>(size_t(size), r->data->size() - r->pos);
  std::memcpy(out, r->data->data() + r->pos, n);
  r->pos += n;
  return int(n);
}

TEST(Codecs, GifRoundTripThroughGiflib) {
  std::vector<GifByteType> pixels(kW * kH);
  for (int i = 0; i < kW * kH; ++i) pixels[i] = GifByteType(i % 16);
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = GifColorType{GifByteType(i * 16), GifByteType(i), 0};
  std::vector<std::uint8_t> file;
  int error = 0;
  GifFileType* out = EGifOpen(&file, GifWrite, &error);
  ASSERT_NE(out, nullptr);
  ColorMapObject* map = GifMakeMapObject(16, colours);
  ASSERT_EQ(EGifPutScreenDesc(out, kW, kH, 4, 0, map), GIF_OK);
  ASSERT_EQ(EGifPutImageDesc(out, 0, 0, kW, kH, false, nullptr), GIF_OK);
  for (int y = 0; y < kH; ++y) ASSERT_EQ(EGifPutLine(out, pixels.data() + y * kW, kW), GIF_OK);
  ASSERT_EQ(EGifCloseFile(out, &error), GIF_OK);
  GifFreeMapObject(map);

  PngReader reader{&file, 0};
  GifFileType* in = DGifOpen(&reader, GifRead, &error);
  ASSERT_NE(in, nullptr);
  ASSERT_EQ(DGifSlurp(in), GIF_OK);
  ASSERT_EQ(in->ImageCount, 1);
  EXPECT_EQ(in->SWidth, kW);
  EXPECT_EQ(in->SHeight, kH);
  EXPECT_EQ(std::memcmp(in->SavedImages[0].RasterBits, pixels.data(), pixels.size()), 0);
  EXPECT_EQ(in->SColorMap->Colors[5].Red, 80);
  DGifCloseFile(in, &error);
}

}  // namespace
