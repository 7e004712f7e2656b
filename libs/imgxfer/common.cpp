// Shared pieces of the codecs: type facts, index packing, the sink and the
// source around the adapters, progress.
#include <cstring>

#include "libs/imgxfer/codec.h"

#include "hostapi/imagebuf.h"

namespace lumora::imgxfer {

int BitsOfType(int type) {
  switch (type) {
    case kType1: return 1;
    case kType4Bit: return 4;
    case kType8Palette:
    case kType8Grey: return 8;
    case kType24: return 24;
    default: return 0;
  }
}

int BytesPerLine(int type, int width) {
  const std::int64_t bits = static_cast<std::int64_t>(width) * BitsOfType(type);
  return static_cast<int>((bits + 31) / 32 * 4);
}

bool SideSizesAllowed(std::int64_t width, std::int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
}

void FillGreyRamp(PALETTEENTRY* palette) {
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<BYTE>(i);
    palette[i] = PALETTEENTRY{v, v, v, 0};
  }
}

bool IsIdentityGreyPalette(const PALETTEENTRY* palette, int count) {
  if (count != 256) return false;
  for (int i = 0; i < 256; ++i) {
    if (palette[i].peRed != i || palette[i].peGreen != i || palette[i].peBlue != i) return false;
  }
  return true;
}

void PackIndexes(const std::uint8_t* indexes, int width, int bits, std::uint8_t* out) {
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; x += perByte) {
    unsigned byte = 0;
    for (int i = 0; i < perByte; ++i) {
      const unsigned v = x + i < width ? indexes[x + i] & mask : 0;
      byte |= v << (8 - bits * (i + 1));
    }
    out[x / perByte] = static_cast<std::uint8_t>(byte);
  }
}

void UnpackIndexes(const std::uint8_t* packed, int width, int bits, std::uint8_t* out) {
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const int bit = x * bits;
    out[x] = static_cast<std::uint8_t>((packed[bit / 8] >> (8 - bits - bit % 8)) & mask);
  }
}

std::uint32_t DpiFromPixelsPerMeter(std::uint32_t ppm) {
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(ppm) * 254 + 5000) / 10000);
}

std::uint32_t PixelsPerMeterFromDpi(std::uint32_t dpi) {
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(dpi) * 10000 + 127) / 254);
}

bool ProgressTicker::Step(std::int64_t done, std::int64_t total) {
  if (progress_ == nullptr || total <= 0) return true;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent == lastPercent_) return true;
  lastPercent_ = percent;
  return progress_->Step(percent, 100) != 0;
}

bool MemoryClaim::Add(std::uint64_t bytes) {
  if (!VrWA2000::ReadWA::MM_Reserve(bytes)) return false;
  bytes_ += bytes;
  return true;
}

void MemoryClaim::Release() {
  VrWA2000::ReadWA::MM_Return(bytes_);
  bytes_ = 0;
}

std::uint64_t MemoryClaim::Available() {
  const std::uint64_t limit = VrWA2000::ReadWA::MM_GetMemoryLimit();
  const std::uint64_t used = VrWA2000::ReadWA::MM_BytesInUse();
  if (limit == 0) return UINT64_MAX;
  return limit > used ? limit - used : 0;
}

bool ImageSink::NoMemory() {
  if (width_ == 0) return Fail("There is not enough memory to read this image.");
  return Fail("There is not enough memory to read an image of " + std::to_string(width_) + " x " +
              std::to_string(height_) + " pixels.");
}

bool ImageSink::Start(std::int64_t width, std::int64_t height, int type, const PALETTEENTRY* palette,
                      int paletteCount, int xDpi, int yDpi) {
  if (!SideSizesAllowed(width, height)) {
    return Fail("The image is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; at most " + std::to_string(kMaxSide) + " pixels a side can be read.");
  }
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  type_ = type;
  bytesPerLine_ = BytesPerLine(type, width_);
  PALETTEENTRY entries[256] = {};
  int count = 0;
  if (type == kType8Grey) {
    FillGreyRamp(entries);
    count = 256;
  } else if (type != kType24 && palette != nullptr) {
    count = paletteCount < 256 ? paletteCount : 256;
    std::memcpy(entries, palette, sizeof(PALETTEENTRY) * count);
  }
  if (xDpi <= 0) xDpi = kDefaultDpi;
  if (yDpi <= 0) yDpi = kDefaultDpi;
  if (adapter_.SetImageCount(1) != 0 || adapter_.SetSubImageCount(0, 1) != 0 ||
      adapter_.SetSize(0, 0, width_, height_) != 0 || adapter_.SetType(0, 0, type) != 0 ||
      (count > 0 && adapter_.SetPalette(0, 0, entries, count) != 0) ||
      adapter_.SetResolution(0, 0, xDpi, yDpi) != 0) {
    return Fail("The image could not be taken in.");
  }
  started_ = true;
  return true;
}

bool ImageSink::PutRow(int y, const std::uint8_t* row) {
  if (adapter_.PutRow(0, 0, height_ - 1 - y, row) != 0) {
    return Fail("There is not enough memory for an image of " + std::to_string(width_) + " x " +
                std::to_string(height_) + " pixels.");
  }
  // Rows may come in any order (bottom-up files): progress counts them.
  ++rowsDelivered_;
  if (decodedFirst_) return Progress(height_ + rowsDelivered_, 2 * static_cast<std::int64_t>(height_));
  return Progress(rowsDelivered_, height_);
}

bool ImageSink::DecodeProgress(std::int64_t done, std::int64_t total) {
  decodedFirst_ = true;
  return Progress(done, 2 * total);
}

bool ImageSink::Progress(std::int64_t done, std::int64_t total) {
  if (ticker_.Step(done, total)) return true;
  return failure_.Set(kImExpCancelled, "Cancelled.");
}

bool IsIccProfile(const std::uint8_t* bytes, std::size_t size, std::uint32_t* space) {
  if (bytes == nullptr || size < 132) return false;
  auto be32 = [bytes](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
  };
  if (be32(0) != size || be32(36) != 0x61637370) return false;  // 'acsp'
  if (space != nullptr) *space = be32(16);
  return true;
}

void ImageSink::PutColorProfile(const std::uint8_t* bytes, std::size_t size) {
  if (!started_ || size > kMaxColorProfileBytes || !IsIccProfile(bytes, size, nullptr)) return;
  adapter_.SetColorProfile(0, bytes, size);
}

bool ImageSource::Open() {
  int count = 0;
  if (adapter_.GetImageCount(&count) != 0 || adapter_.GetSize(0, 0, &width, &height) != 0 ||
      adapter_.GetType(0, 0, &type) != 0) {
    return Fail("The image to save could not be read.");
  }
  bitsPerPixel = BitsOfType(type);
  if (bitsPerPixel == 0 || !SideSizesAllowed(width, height)) {
    return Fail("The image to save has an unknown type or size.");
  }
  bytesPerLine = BytesPerLine(type, width);
  if (type == kType8Grey) {
    FillGreyRamp(palette);
    paletteCount = 256;
  } else if (type != kType24) {
    paletteCount = 1 << bitsPerPixel;
    if (adapter_.GetPalette(0, 0, palette) != 0) return Fail("The image's palette could not be read.");
  }
  int x = 0, y = 0;
  if (adapter_.GetResolution(0, 0, &x, &y) == 0) {
    if (x > 0) xDpi = x;
    if (y > 0) yDpi = y;
  }
  const std::uint8_t* profile = nullptr;
  std::size_t profileSize = 0;
  std::uint32_t space = 0;
  colorProfile.clear();
  if (adapter_.GetColorProfile(0, &profile, &profileSize) == 0 && IsIccProfile(profile, profileSize, &space) &&
      space == (type == kType8Grey ? kIccGrey : kIccRgb)) {
    colorProfile.assign(profile, profile + profileSize);
  }
  row_.assign(static_cast<std::size_t>(bytesPerLine), 0);
  return true;
}

const std::uint8_t* ImageSource::Row(int y) {
  if (!ticker_.Step(rowsTaken_++, height)) {
    failure_.Set(kImExpCancelled, "Cancelled.");
    return nullptr;
  }
  if (adapter_.GetRow(0, 0, height - 1 - y, row_.data()) != 0) {
    Fail("A row of the image to save could not be read.");
    return nullptr;
  }
  return row_.data();
}

std::size_t MemoryCursor::Read(void* out, std::size_t count) {
  const std::size_t left = position < size ? size - position : 0;
  const std::size_t n = count < left ? count : left;
  if (n == 0) return 0;
  std::memcpy(out, data + position, n);
  position += n;
  return n;
}

bool WriteBytes(std::FILE* file, const void* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

}  // namespace lumora::imgxfer
