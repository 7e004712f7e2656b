// The JPEG codec over libjpeg-turbo: destination and source managers on
// our streams, and libjpeg's faults turned into NxException. libjpeg
// reports a fault by calling error_exit, which jumps back to the setjmp of
// the operation that called into it; the exception is thrown from there.
#include "hostapi/nxjpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
  std::string streamFault;  // a stream's own message, reported in place of libjpeg's
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

void InstallErrors(jpeg_error_mgr* pub) {
  jpeg_std_error(pub);
  pub->error_exit = JumpOnError;
  pub->output_message = IgnoreMessage;
}

[[noreturn]] void ThrowFault(const ErrorManager& errors) {
  throw NxException(!errors.streamFault.empty() ? errors.streamFault : std::string("JPEG: ") + errors.message);
}

// Reports a stream fault caught in a callback through libjpeg's error path.
[[noreturn]] void FailFromCallback(j_common_ptr info, ErrorManager* errors, const char* what) {
  errors->streamFault = what;
  ERREXIT(info, JERR_FILE_WRITE);
  std::abort();  // ERREXIT does not return
}

struct Destination {
  jpeg_destination_mgr pub;
  NxJOStream* stream;
  ErrorManager* errors;
  std::vector<JOCTET> buffer;
};

void InitDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<Destination*>(info->dest);
  dest->pub.next_output_byte = dest->buffer.data();
  dest->pub.free_in_buffer = dest->buffer.size();
}

// Writes `count` bytes of the buffer; false with the fault's text stored.
bool WriteOut(Destination* dest, std::size_t count, bool flush) {
  try {
    if (count > 0) dest->stream->Write(dest->buffer.data(), static_cast<std::uint32_t>(count));
    if (flush) dest->stream->Flush();
  } catch (const std::exception& e) {
    dest->errors->streamFault = e.what();
    return false;
  }
  return true;
}

boolean EmptyOutput(j_compress_ptr info) {
  auto* dest = reinterpret_cast<Destination*>(info->dest);
  const bool ok = WriteOut(dest, dest->buffer.size(), false);
  if (!ok) FailFromCallback(reinterpret_cast<j_common_ptr>(info), dest->errors, dest->errors->streamFault.c_str());
  InitDestination(info);
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<Destination*>(info->dest);
  const bool ok = WriteOut(dest, dest->buffer.size() - dest->pub.free_in_buffer, true);
  if (!ok) FailFromCallback(reinterpret_cast<j_common_ptr>(info), dest->errors, dest->errors->streamFault.c_str());
}

struct Source {
  jpeg_source_mgr pub;
  NxJIStream* stream;
  std::vector<JOCTET> buffer;
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
  auto* src = reinterpret_cast<Source*>(info->src);
  std::uint32_t n = 0;
  try {
    n = src->stream->Read(src->buffer.data(), static_cast<std::uint32_t>(src->buffer.size()));
  } catch (const std::exception&) {
    n = 0;
  }
  if (n == 0) {
    // A truncated stream ends in a fake end-of-image marker; libjpeg warns.
    WARNMS(info, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer.data();
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
  auto* src = reinterpret_cast<Source*>(info->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInput(info);
  }
  if (count > 0) {
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

void TermSource(j_decompress_ptr) {}

void AttachSource(jpeg_decompress_struct* info, Source* src, NxJIStream* stream) {
  src->stream = stream;
  src->buffer.resize(kBufferBytes);
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInput;
  src->pub.skip_input_data = SkipInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  info->src = &src->pub;
}

}  // namespace

// ---- Compressor ----

struct NxJCompressor::State {
  jpeg_compress_struct info{};
  ErrorManager errors;
  Destination dest{};
  int components = 0;
  bool created = false;
  bool finished = false;
  ~State() {
    if (created) jpeg_destroy_compress(&info);
  }
};

NxJCompressor::NxJCompressor(NxJOStream* stream, const NxJCompressParams* params, int quality, int densityUnit,
                             int xDensity, int yDensity, int restartRows, int jfif)
    : state_(std::make_unique<State>()) {
  if (stream == nullptr || params == nullptr || params->precision != 8 || params->width <= 0 ||
      params->height <= 0 || (params->components != 1 && params->components != 3) ||
      params->width > JPEG_MAX_DIMENSION || params->height > JPEG_MAX_DIMENSION) {
    throw NxException("JPEG: bad compression parameters");
  }
  State& s = *state_;
  s.info.err = &s.errors.pub;
  InstallErrors(&s.errors.pub);
  s.dest.stream = stream;
  s.dest.errors = &s.errors;
  s.dest.buffer.resize(kBufferBytes);
  s.dest.pub.init_destination = InitDestination;
  s.dest.pub.empty_output_buffer = EmptyOutput;
  s.dest.pub.term_destination = TermDestination;
  s.components = params->components;
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  jpeg_create_compress(&s.info);
  s.created = true;
  s.info.dest = &s.dest.pub;
  s.info.image_width = static_cast<JDIMENSION>(params->width);
  s.info.image_height = static_cast<JDIMENSION>(params->height);
  s.info.input_components = params->components;
  s.info.in_color_space = params->components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&s.info);
  jpeg_set_quality(&s.info, quality < 0 ? 0 : (quality > 100 ? 100 : quality), params->baseline != 0);
  s.info.optimize_coding = params->optimize != 0;
  if (params->sampling != nullptr && params->components == 3) {
    for (int c = 0; c < 3; ++c) {
      s.info.comp_info[c].h_samp_factor = params->sampling[2 * c];
      s.info.comp_info[c].v_samp_factor = params->sampling[2 * c + 1];
    }
  }
  if (params->scanMode == kNxJProgressive) jpeg_simple_progression(&s.info);
  s.info.restart_in_rows = restartRows > 0 ? restartRows : 0;
  s.info.write_JFIF_header = jfif != 0;
  s.info.density_unit = densityUnit == kNxJDotsPerInch ? 1 : 0;
  s.info.X_density = static_cast<UINT16>(xDensity > 0 && xDensity <= 65535 ? xDensity : 1);
  s.info.Y_density = static_cast<UINT16>(yDensity > 0 && yDensity <= 65535 ? yDensity : 1);
  jpeg_start_compress(&s.info, TRUE);
}

NxJCompressor::~NxJCompressor() {
  if (!state_->finished) {
    try {
      Finish();
    } catch (const NxException&) {
    }
  }
}

void NxJCompressor::PutNextImageRow(const std::uint8_t* row) {
  State& s = *state_;
  if (s.finished || s.info.next_scanline >= s.info.image_height) throw NxRangeExcept();
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
  jpeg_write_scanlines(&s.info, rows, 1);
}

void NxJCompressor::Finish() {
  State& s = *state_;
  if (s.finished) return;
  s.finished = true;
  // Rows never given are written black, so the stream is always complete.
  std::vector<JSAMPLE> blank;
  if (s.info.next_scanline < s.info.image_height) blank.assign(static_cast<std::size_t>(s.info.image_width) * s.components, 0);
  JSAMPROW rows[1] = {blank.data()};
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  while (s.info.next_scanline < s.info.image_height) jpeg_write_scanlines(&s.info, rows, 1);
  jpeg_finish_compress(&s.info);
}

// ---- Header ----

std::int32_t NxJDInfoHeader::Sampling(int component, int axis) const {
  if (component < 0 || component >= components || component >= 4 || axis < 0 || axis > 1) throw NxRangeExcept();
  return sampling[component][axis];
}

namespace {

struct DecodeState {
  jpeg_decompress_struct info{};
  ErrorManager errors;
  Source src{};
  bool created = false;
  ~DecodeState() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

void FillHeader(const jpeg_decompress_struct& info, NxJDInfoHeader* header) {
  header->width = static_cast<std::int32_t>(info.image_width);
  header->height = static_cast<std::int32_t>(info.image_height);
  header->components = info.num_components;
  header->colourSpace = info.jpeg_color_space == JCS_GRAYSCALE ? kNxJGrey : kNxJRGB;
  header->progressive = info.progressive_mode ? 1 : 0;
  header->densityUnit = info.density_unit == 1 ? kNxJDotsPerInch : kNxJAspectOnly;
  header->xDensity = info.X_density;
  header->yDensity = info.Y_density;
  for (int c = 0; c < info.num_components && c < 4; ++c) {
    header->sampling[c][0] = info.comp_info[c].h_samp_factor;
    header->sampling[c][1] = info.comp_info[c].v_samp_factor;
  }
}

}  // namespace

void NxJDInfoHeader::OverrideFromStream(NxJIStream* stream, int) {
  if (stream == nullptr) throw NxException("JPEG: no stream");
  std::unique_ptr<NxJIStream> clone(stream->Clone());
  DecodeState s;
  s.info.err = &s.errors.pub;
  InstallErrors(&s.errors.pub);
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  jpeg_create_decompress(&s.info);
  s.created = true;
  AttachSource(&s.info, &s.src, clone.get());
  jpeg_read_header(&s.info, TRUE);
  FillHeader(s.info, this);
}

// ---- Decompressor ----

struct NxJDecompressor::State : DecodeState {
  std::vector<JSAMPLE> row;
  bool started = false;
};

NxJDecompressor::NxJDecompressor(NxJIStream* stream, const NxJDOutputParams* output, NxJDInfoHeader* header, int,
                                 int)
    : state_(std::make_unique<State>()) {
  if (stream == nullptr) throw NxException("JPEG: no stream");
  State& s = *state_;
  s.info.err = &s.errors.pub;
  InstallErrors(&s.errors.pub);
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  jpeg_create_decompress(&s.info);
  s.created = true;
  AttachSource(&s.info, &s.src, stream);
  jpeg_read_header(&s.info, TRUE);
  if (header != nullptr) FillHeader(s.info, header);
  if (output != nullptr && output->convert == 1) {
    s.info.out_color_space = output->colourSpace == kNxJGrey ? JCS_GRAYSCALE : JCS_RGB;
  }
  jpeg_start_decompress(&s.info);
  s.started = true;
  s.row.resize(static_cast<std::size_t>(s.info.output_width) * s.info.output_components);
}

NxJDecompressor::~NxJDecompressor() {
  State& s = *state_;
  if (s.started && !setjmp(s.errors.jump)) jpeg_abort_decompress(&s.info);
}

int NxJDecompressor::OutputComponents() const { return state_->info.output_components; }

const std::uint8_t* NxJDecompressor::GetNextImageRow() {
  State& s = *state_;
  if (s.info.output_scanline >= s.info.output_height) throw NxRangeExcept();
  if (setjmp(s.errors.jump)) ThrowFault(s.errors);
  JSAMPROW rows[1] = {s.row.data()};
  jpeg_read_scanlines(&s.info, rows, 1);
  return s.row.data();
}
