// The JPEG export's codec work without the dialog: the streams over our
// files, compression of an image (rows leave top first, so the file is
// upright), the preview round trip and the safe save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "hostapi/nxjpeg.h"
#include "platform/stream_file.h"

namespace lumora {

// Output streams over a memory file (the preview) and a disk file (the
// save); they behave the same.
class OMemFileStream : public NxJOStream {
 public:
  explicit OMemFileStream(StreamFile* file) : file_(file) {}
  void Write(const void* buffer, std::uint32_t count) override { file_->Write(buffer, count); }
  void Flush() override { file_->Flush(); }

 private:
  StreamFile* file_;
};

class OFileStream : public OMemFileStream {
 public:
  using OMemFileStream::OMemFileStream;
};

// Reads everything from the file's position to its end into one shared
// block, and leaves the file's position where it was. Clones share the
// block; the last owner frees it.
class IMemStream : public NxJIStream {
 public:
  explicit IMemStream(StreamFile* file);
  NxJIStream* Clone() const override;
  std::uint32_t Read(void* buffer, std::uint32_t count) override;

 private:
  IMemStream(std::shared_ptr<const std::vector<std::uint8_t>> block, std::size_t position)
      : block_(std::move(block)), position_(position) {}
  std::shared_ptr<const std::vector<std::uint8_t>> block_;
  std::size_t position_ = 0;
};

struct JpegSettings {
  int quality = 70;  // 0..100
  int progressive = 0;
  int optimize = 0;
};

// The compressor's parameters for an image: 24-bit images as three
// components with the first sampled 2 x 2, anything else as one.
NxJCompressParams JpegParamsFor(const VrWA2000::WA& image, const JpegSettings& settings);

// Compresses `image` into `stream`. `forSave` writes a 72 dpi JFIF header,
// else the aspect-only one of the preview. Throws NxException.
void CompressJPEG(const VrWA2000::WA& image, NxJOStream& stream, const JpegSettings& settings, bool forSave);

// The preview: compresses `source` in memory, decodes it into `result` (of
// the source's size and type) and returns the compressed length. A fault
// while decoding leaves the rest of `result` as it was.
std::uint64_t JpegRoundTrip(const VrWA2000::WA& source, VrWA2000::WA* result, const JpegSettings& settings);

// Saves `image` as a JPEG file: whole, or not at all with `error` set.
bool SaveJPEG(const std::string& path, const VrWA2000::WA& image, const JpegSettings& settings, std::string* error);

}  // namespace lumora
