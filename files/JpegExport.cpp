#include "files/JpegExport.h"

#include <algorithm>
#include <cstring>

#include "platform/safe_write.h"

namespace lumora {

namespace {

using VrWA2000::WA;

constexpr std::int32_t kColourSampling[6] = {2, 2, 1, 1, 1, 1};

// Image buffers hold blue, green, red; the codec takes red, green, blue.
void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, int width) {
  for (int x = 0; x < width; ++x, from += 3, to += 3) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
  }
}

}  // namespace

IMemStream::IMemStream(StreamFile* file) {
  auto block = std::make_shared<std::vector<std::uint8_t>>();
  if (file != nullptr) {
    const std::uint64_t start = file->GetPosition();
    const std::uint64_t length = file->GetLength();
    if (length > start) {
      block->resize(static_cast<std::size_t>(length - start));
      block->resize(file->Read(block->data(), static_cast<std::uint32_t>(block->size())));
      file->SeekFromCurrent(static_cast<std::int64_t>(start) - static_cast<std::int64_t>(file->GetPosition()));
    }
  }
  block_ = std::move(block);
}

NxJIStream* IMemStream::Clone() const { return new IMemStream(block_, position_); }

std::uint32_t IMemStream::Read(void* buffer, std::uint32_t count) {
  const std::size_t left = block_->size() - position_;
  const std::size_t n = std::min<std::size_t>(count, left);
  if (n > 0) std::memcpy(buffer, block_->data() + position_, n);
  position_ += n;
  return static_cast<std::uint32_t>(n);
}

NxJCompressParams JpegParamsFor(const WA& image, const JpegSettings& settings) {
  NxJCompressParams params;
  const bool colour = image.GetType() == kWAType24;
  params.width = image.GetW();
  params.height = image.GetH();
  params.components = colour ? 3 : 1;
  params.colourSpace = colour ? kNxJRGB : kNxJGrey;
  params.scanMode = settings.progressive ? kNxJProgressive : kNxJSequential;
  params.optimize = settings.optimize ? 1 : 0;
  params.sampling = colour ? kColourSampling : nullptr;
  return params;
}

void CompressJPEG(const WA& image, NxJOStream& stream, const JpegSettings& settings, bool forSave) {
  if (image.GetType() != kWAType24 && image.GetType() != kWAType8Grey) {
    throw NxException("JPEG: only 24-bit and grey images are compressed");
  }
  const NxJCompressParams params = JpegParamsFor(image, settings);
  NxJCompressor compressor(&stream, &params, settings.quality, forSave ? kNxJDotsPerInch : kNxJAspectOnly,
                           forSave ? 72 : 0, forSave ? 72 : 0, 0, 1);
  const int width = image.GetW();
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * params.components);
  // The file's first row is the top of the picture: the buffer's last row.
  for (int y = image.GetH() - 1; y >= 0; --y) {
    if (params.components == 3) {
      SwapRedBlue(image.Row(y), row.data(), width);
      compressor.PutNextImageRow(row.data());
    } else {
      compressor.PutNextImageRow(image.Row(y));
    }
  }
  compressor.Finish();
}

std::uint64_t JpegRoundTrip(const WA& source, WA* result, const JpegSettings& settings) {
  MemFile memory(1024);
  OMemFileStream out(&memory);
  CompressJPEG(source, out, settings, false);
  const std::uint64_t length = memory.GetLength();
  if (result == nullptr) return length;
  memory.SeekFromCurrent(-static_cast<std::int64_t>(memory.GetPosition()));
  IMemStream in(&memory);
  try {
    NxJDInfoHeader header;
    header.OverrideFromStream(&in, 1);
    NxJDOutputParams output;
    if (header.components == 3) {
      output.convert = 1;
      output.colourSpace = kNxJRGB;
    }
    NxJDecompressor decoder(&in, &output, &header, 0, 0);
    const int width = std::min(result->GetW(), header.width);
    const int rows = std::min(result->GetH(), header.height);
    const bool colour = result->GetType() == kWAType24 && decoder.OutputComponents() == 3;
    for (int i = 0; i < rows; ++i) {
      const std::uint8_t* decoded = decoder.GetNextImageRow();
      std::uint8_t* target = result->Row(result->GetH() - 1 - i);
      if (colour) {
        SwapRedBlue(decoded, target, width);
      } else if (result->GetType() == kWAType8Grey && decoder.OutputComponents() == 1) {
        std::memcpy(target, decoded, static_cast<std::size_t>(width));
      }
    }
  } catch (const NxException&) {
    // A damaged round trip leaves the rest of the preview as it was.
  }
  return length;
}

bool SaveJPEG(const std::string& path, const WA& image, const JpegSettings& settings, std::string* error) {
  return WriteFileSafely(
      path,
      [&](StreamFile& file, std::string*) {
        OFileStream stream(&file);
        CompressJPEG(image, stream, settings, true);
        return true;
      },
      error);
}

}  // namespace lumora
