// JPEG over libjpeg-turbo: colour rows decoded straight to BGR, grey to
// type 8, CMYK and YCCK converted to colour, progressive files, the EXIF
// orientation applied; grey and colour written (palettes expanded) with the
// chosen quality and progression. libjpeg reports errors by longjmp: the
// functions that call setjmp hold only plain data.
#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <csetjmp>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "libs/imgxfer/codec.h"
#include "libs/imgxfer/exif.h"

namespace lumora::imgxfer {

namespace {

// libjpeg's memory cap: enough for a progressive 30000 x 30000 grey image's
// coefficients, not for the worst a hostile header can ask.
constexpr long kJpegMemoryCap = 1024L << 20;

struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool endedEarly;
};

void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

// The decoder pads data that ends early and only warns; such a file is
// damaged: the decode stops there.
void StopWhereDataEnds(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<ErrorJump*>(info->err);
  const int code = errors->manager.msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
    errors->endedEarly = true;
    std::longjmp(errors->jump, 1);
  }
}

void OutputNothing(j_common_ptr) {}

void InitErrors(ErrorJump* errors) {
  jpeg_std_error(&errors->manager);
  errors->manager.error_exit = ErrorExit;
  errors->manager.output_message = OutputNothing;
  errors->endedEarly = false;
}

// Every pixel of a progressive (or many-scan) file is held as coefficients
// between its scans: 128 bytes a block of 8 x 8 samples.
std::uint64_t WholeImageCoefficientBytes(const jpeg_decompress_struct& cinfo) {
  if (!cinfo.progressive_mode && cinfo.comps_in_scan >= cinfo.num_components) return 0;
  std::uint64_t bytes = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const std::uint64_t h = std::max(comp.h_samp_factor, 1), v = std::max(comp.v_samp_factor, 1);
    const std::uint64_t across = (comp.width_in_blocks + h - 1) / h * h;
    const std::uint64_t down = (comp.height_in_blocks + v - 1) / v * v;
    bytes += across * down * sizeof(JBLOCK);
  }
  return bytes;
}

struct JpegHeader {
  int width, height;  // as stored
  int components;     // of the decoded rows: 1, 3 or 4
  int cmyk, adobe;
  int orientation;
  int xDpi, yDpi;
  std::uint64_t decoderBytes;  // UINT64_MAX: more than the memory cap allows
  bool tooShort;               // the data cannot hold the image
  std::vector<std::uint8_t>* profile;  // the ICC_PROFILE chunks joined
};

int DpiOf(int unit, int density) {
  if (unit == 1) return density;
  if (unit == 2) return (density * 254 + 50) / 100;
  return 0;
}

// Reads the header and starts the decoder. Plain data only.
bool StartJpeg(jpeg_decompress_struct* cinfo, ErrorJump* errors, const std::uint8_t* data, std::size_t size,
               MemoryClaim* claim, JpegHeader* h) {
  if (setjmp(errors->jump)) return false;
  jpeg_create_decompress(cinfo);
  errors->manager.emit_message = StopWhereDataEnds;
  cinfo->mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(kJpegMemoryCap, MemoryClaim::Available()));
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(cinfo, TRUE);
  JOCTET* icc = nullptr;
  unsigned int iccSize = 0;
  if (jpeg_read_icc_profile(cinfo, &icc, &iccSize) && icc != nullptr) {
    h->profile->assign(icc, icc + iccSize);
  }
  std::free(icc);
  if (!SideSizesAllowed(cinfo->image_width, cinfo->image_height)) {
    h->width = static_cast<int>(cinfo->image_width > kMaxSide ? kMaxSide + 1 : cinfo->image_width);
    h->height = static_cast<int>(cinfo->image_height > kMaxSide ? kMaxSide + 1 : cinfo->image_height);
    return true;  // the sink refuses the size
  }
  h->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  h->adobe = cinfo->saw_Adobe_marker;
  if (h->cmyk) {
    cinfo->out_color_space = JCS_CMYK;
  } else if (cinfo->jpeg_color_space != JCS_GRAYSCALE) {
    cinfo->out_color_space = JCS_EXT_BGR;
  }
  h->orientation = 1;
  h->xDpi = cinfo->saw_JFIF_marker ? DpiOf(cinfo->density_unit, cinfo->X_density) : 0;
  h->yDpi = cinfo->saw_JFIF_marker ? DpiOf(cinfo->density_unit, cinfo->Y_density) : 0;
  // A JFIF header without a unit gives only the pixels' aspect: a camera's
  // EXIF block then says the resolution.
  const bool densityKnown = h->xDpi > 0 && h->yDpi > 0;
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    h->orientation = ExifOrientation(m->data, m->data_length);
    if (!densityKnown) ExifResolution(m->data, m->data_length, &h->xDpi, &h->yDpi);
  }
  // Huffman coding spends at least a bit on every block of the first
  // component: a file shorter than that cannot hold the image.
  if (!cinfo->arith_code &&
      static_cast<std::uint64_t>(size) * 8 <
          static_cast<std::uint64_t>(cinfo->comp_info[0].width_in_blocks) * cinfo->comp_info[0].height_in_blocks) {
    h->tooShort = true;
    return true;
  }
  // What the decoder holds counts against the memory cap: its whole-image
  // coefficients and a band of rows for each component.
  h->decoderBytes = WholeImageCoefficientBytes(*cinfo) +
                    static_cast<std::uint64_t>(cinfo->image_width) * cinfo->num_components * 16 * 8;
  if (!claim->Add(h->decoderBytes)) {
    h->decoderBytes = UINT64_MAX;
    return true;
  }
  jpeg_start_decompress(cinfo);
  h->width = static_cast<int>(cinfo->output_width);
  h->height = static_cast<int>(cinfo->output_height);
  h->components = cinfo->output_components;
  return true;
}

// A failed decode: damaged, or ended early (a sink failure already set
// stays the one reported).
bool Damaged(const ErrorJump& errors, ImageSink& sink) {
  return errors.endedEarly ? sink.Truncated("JPEG") : sink.Fail("The JPEG data is damaged.");
}

// Each decoded row goes to `take` (false stops the decoder).
struct RowTaker {
  bool (*take)(void* context, int y, std::uint8_t* row);
  void* context;
};

bool DecodeJpegRows(jpeg_decompress_struct* cinfo, ErrorJump* errors, std::uint8_t* row, RowTaker taker) {
  if (setjmp(errors->jump)) return false;
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) return false;
    if (!taker.take(taker.context, y, row)) return false;
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

bool PutToSink(void* context, int y, std::uint8_t* row) {
  return static_cast<ImageSink*>(context)->PutRow(y, row);
}

struct WholeImage {
  ImageSink* sink;
  const JpegHeader* header;
  std::vector<std::uint8_t>* pixels;  // 1 or 3 bytes a pixel, rows packed
  int pixelBytes;
};

// Inverted (Adobe) CMYK holds 255 - ink: red = (255 - C)(255 - K) / 255.
void CmykToBgr(const std::uint8_t* in, int width, bool inverted, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, in += 4, out += 3) {
    const unsigned c = inverted ? in[0] : 255 - in[0], m = inverted ? in[1] : 255 - in[1];
    const unsigned yl = inverted ? in[2] : 255 - in[2], k = inverted ? in[3] : 255 - in[3];
    out[0] = MulDiv255(yl, k);
    out[1] = MulDiv255(m, k);
    out[2] = MulDiv255(c, k);
  }
}

bool StoreRow(void* context, int y, std::uint8_t* row) {
  auto* whole = static_cast<WholeImage*>(context);
  const int width = whole->header->width;
  std::uint8_t* out = whole->pixels->data() + static_cast<std::size_t>(y) * width * whole->pixelBytes;
  if (whole->header->cmyk) {
    CmykToBgr(row, width, whole->header->adobe != 0, out);
  } else {
    std::copy(row, row + static_cast<std::size_t>(width) * whole->pixelBytes, out);
  }
  return whole->sink->DecodeProgress(y + 1, whole->header->height);
}

// The stored image turned upright row by row into the sink.
bool DeliverOriented(const WholeImage& whole, ImageSink& sink) {
  const int w = whole.header->width, h = whole.header->height, bytes = whole.pixelBytes;
  const int o = whole.header->orientation;
  std::vector<std::uint8_t> row;
  if (!sink.Take(row, sink.bytesPerLine())) return false;
  for (int dy = 0; dy < sink.height(); ++dy) {
    for (int dx = 0; dx < sink.width(); ++dx) {
      int sx = dx, sy = dy;
      switch (o) {
        case 2: sx = w - 1 - dx; break;
        case 3: sx = w - 1 - dx; sy = h - 1 - dy; break;
        case 4: sy = h - 1 - dy; break;
        case 5: sx = dy; sy = dx; break;
        case 6: sx = dy; sy = h - 1 - dx; break;
        case 7: sx = w - 1 - dy; sy = h - 1 - dx; break;
        case 8: sx = w - 1 - dy; sy = dx; break;
        default: break;
      }
      const std::uint8_t* src = whole.pixels->data() + (static_cast<std::size_t>(sy) * w + sx) * bytes;
      for (int b = 0; b < bytes; ++b) row[static_cast<std::size_t>(dx) * bytes + b] = src[b];
    }
    if (!sink.PutRow(dy, row.data())) return false;
  }
  return true;
}

bool DecodeJpeg(jpeg_decompress_struct* cinfo, ErrorJump* errors, const std::uint8_t* data, std::size_t size,
                ImageSink& sink) {
  std::vector<std::uint8_t> profile;
  JpegHeader h{};
  h.profile = &profile;
  MemoryClaim decoder;
  if (!StartJpeg(cinfo, errors, data, size, &decoder, &h)) return Damaged(*errors, sink);
  if (h.tooShort) return sink.Truncated("JPEG");
  if (h.decoderBytes == UINT64_MAX) return sink.NoMemory();
  const bool sideways = h.orientation >= 5 && h.orientation <= 8;
  const int type = h.components == 1 ? kType8Grey : kType24;
  if (!sink.Start(sideways ? h.height : h.width, sideways ? h.width : h.height, type, nullptr, 0,
                  sideways ? h.yDpi : h.xDpi, sideways ? h.xDpi : h.yDpi)) {
    return false;
  }
  if (!profile.empty()) sink.PutColorProfile(profile.data(), profile.size());
  const std::size_t decodedBytes = static_cast<std::size_t>(h.width) * h.components;
  std::vector<std::uint8_t> row;
  if (!sink.Take(row, std::max(decodedBytes, static_cast<std::size_t>(sink.bytesPerLine())))) return false;
  if (h.orientation == 1 && !h.cmyk) {
    if (!DecodeJpegRows(cinfo, errors, row.data(), RowTaker{PutToSink, &sink})) return Damaged(*errors, sink);
    return true;
  }
  const int pixelBytes = h.components == 1 ? 1 : 3;
  std::vector<std::uint8_t> pixels;
  if (!sink.Take(pixels, static_cast<std::uint64_t>(h.width) * h.height * pixelBytes)) return false;
  WholeImage whole{&sink, &h, &pixels, pixelBytes};
  if (!DecodeJpegRows(cinfo, errors, row.data(), RowTaker{StoreRow, &whole})) return Damaged(*errors, sink);
  return DeliverOriented(whole, sink);
}

bool ReadJpeg(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  jpeg_decompress_struct cinfo{};
  ErrorJump errors;
  InitErrors(&errors);
  cinfo.err = &errors.manager;
  const bool ok = DecodeJpeg(&cinfo, &errors, data, size, sink);
  jpeg_destroy_decompress(&cinfo);
  return ok;
}

bool MatchesJpeg(const std::uint8_t* data, std::size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

// Palette rows become BGR rows through the palette.
void ExpandPaletteRow(const ImageSource& s, const std::uint8_t* in, std::uint8_t* indexes, std::uint8_t* out) {
  if (s.bitsPerPixel < 8) {
    UnpackIndexes(in, s.width, s.bitsPerPixel, indexes);
    in = indexes;
  }
  for (int x = 0; x < s.width; ++x) {
    const PALETTEENTRY& e = s.palette[in[x]];
    out[3 * x] = e.peBlue;
    out[3 * x + 1] = e.peGreen;
    out[3 * x + 2] = e.peRed;
  }
}

bool EncodeJpeg(jpeg_compress_struct* cinfo, ErrorJump* errors, std::FILE* file, ImageSource* s,
                const ImExpSaveOptions* o, std::uint8_t* indexes, std::uint8_t* expanded) {
  if (setjmp(errors->jump)) return false;
  jpeg_create_compress(cinfo);
  jpeg_stdio_dest(cinfo, file);
  cinfo->image_width = static_cast<JDIMENSION>(s->width);
  cinfo->image_height = static_cast<JDIMENSION>(s->height);
  const bool grey = s->type == kType8Grey;
  cinfo->input_components = grey ? 1 : 3;
  cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, o->jpegQuality, TRUE);
  if (o->jpegProgressive > 0) jpeg_simple_progression(cinfo);
  cinfo->density_unit = 1;
  cinfo->X_density = static_cast<UINT16>(s->xDpi > 65535 ? 65535 : s->xDpi);
  cinfo->Y_density = static_cast<UINT16>(s->yDpi > 65535 ? 65535 : s->yDpi);
  jpeg_start_compress(cinfo, TRUE);
  if (!s->colorProfile.empty()) {
    jpeg_write_icc_profile(cinfo, s->colorProfile.data(), static_cast<unsigned int>(s->colorProfile.size()));
  }
  for (int y = 0; y < s->height; ++y) {
    const std::uint8_t* row = s->Row(y);
    if (row == nullptr) return false;
    if (s->type != kType24 && !grey) {
      ExpandPaletteRow(*s, row, indexes, expanded);
      row = expanded;
    }
    JSAMPROW rows[1] = {const_cast<std::uint8_t*>(row)};
    jpeg_write_scanlines(cinfo, rows, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

bool WriteJpeg(std::FILE* file, ImageSource& source, const ImExpSaveOptions& options) {
  std::vector<std::uint8_t> indexes(static_cast<std::size_t>(source.width));
  std::vector<std::uint8_t> expanded(static_cast<std::size_t>(source.width) * 3);
  jpeg_compress_struct cinfo{};
  ErrorJump errors;
  InitErrors(&errors);
  cinfo.err = &errors.manager;
  const bool ok = EncodeJpeg(&cinfo, &errors, file, &source, &options, indexes.data(), expanded.data());
  jpeg_destroy_compress(&cinfo);
  return ok;
}

}  // namespace

const Codec kJpegCodec = {"JPEG",      "JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)", "*.jpg;*.jpeg;*.jpe;*.jfif",
                          MatchesJpeg, ReadJpeg,
                          WriteJpeg,   kType8Grey | kType24,
                          kAllTypes};

}  // namespace lumora::imgxfer
