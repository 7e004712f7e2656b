// The adapters through which the file-format library reads an image into a
// new buffer (CReadFileWA) and writes a buffer (CWriteFileWA), and the
// progress object that ties its reports to the program's indicator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "hostapi/imageio.h"

// Collects a decoded image. The first row makes the buffer, of the size,
// type and palette set before it; every later row fills it. The adapter
// holds the buffer and releases it when destroyed: a reader that keeps the
// image takes its own reference with Image().
class CReadFileWA : public CAbstractReadWA {
 public:
  CReadFileWA() = default;
  CReadFileWA(const CReadFileWA&) = delete;
  CReadFileWA& operator=(const CReadFileWA&) = delete;
  ~CReadFileWA() override;

  int SetImageCount(int count) override { return 0; }
  int SetSubImageCount(int image, int count) override { return 0; }
  int SetSize(int image, int subImage, int width, int height) override;
  int SetType(int image, int subImage, int type) override;
  int SetPalette(int image, int subImage, const PALETTEENTRY* entries, int count) override;
  // Kept for the reader; not applied to the buffer.
  int SetResolution(int image, int subImage, int xDpi, int yDpi) override;
  // 1 when the buffer cannot be made, for a type without a buffer form, a
  // row index outside the image or no bytes; else 0.
  int PutRow(int image, int subImage, int row, const std::uint8_t* bytes) override;
  // Kept for the reader.
  int SetColorProfile(int image, const std::uint8_t* bytes, std::size_t size) override;

  // The collected image with a reference of the caller's; null when no row
  // came.
  WAPtr Image() const { return buffer_; }
  int XResolution() const { return xRes_; }
  int YResolution() const { return yRes_; }
  // The file's embedded ICC profile; empty when it had none.
  const std::vector<std::uint8_t>& ColorProfile() const { return profile_; }

 private:
  bool MakeBuffer();

  WAPtr buffer_;
  WAPIX* rows_ = nullptr;
  int height_ = 0;
  int width_ = 0;
  int type_ = 0;
  PALETTEENTRY palette_[256] = {};
  int xRes_ = 0;
  int yRes_ = 0;
  int bytesPerRow_ = 0;
  std::vector<std::uint8_t> profile_;
};

// Presents a buffer to the encoder; holds a reference of its own while it
// lives. Every query answers 1 without a buffer, and GetRow also when the
// buffer gives no such row.
class CWriteFileWA : public CWriteWA {
 public:
  explicit CWriteFileWA(VrWA2000::WA* buffer) { Attach(buffer); }
  // Fills only the values whose pointer is not null.
  int GetResolution(int image, int subImage, int* x, int* y) override;
  // The ICC profile to embed (the document's), empty for none.
  void SetColorProfile(std::vector<std::uint8_t> profile) { profile_ = std::move(profile); }
  int GetColorProfile(int image, const std::uint8_t** bytes, std::size_t* size) override;

 private:
  std::vector<std::uint8_t> profile_;
};

// Reports the library's progress on the program's indicator, under the
// caption with the given string id.
class CMyProgress : public CProgress {
 public:
  explicit CMyProgress(std::uint32_t captionId) : captionId_(captionId) {}
  void Begin() override;
  void End() override;
  int Step(int position, int total) override;

 private:
  std::uint32_t captionId_;
};

// String ids of the captions the file readers and writers use.
inline constexpr std::uint32_t kReadingFileCaption = 70;  // "Reading file..."
inline constexpr std::uint32_t kWritingFileCaption = 71;  // "Writing file..."
