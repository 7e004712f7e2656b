// The file-format library's adapters and progress object.
#include "engine/pixels/FileAdapters.h"

#include <algorithm>
#include <cstring>

#include "engine/pixels/Progress.h"

CReadFileWA::~CReadFileWA() { delete rows_; }

int CReadFileWA::SetSize(int, int, int width, int height) {
  width_ = width;
  height_ = height;
  return 0;
}

int CReadFileWA::SetType(int, int, int type) {
  type_ = type;
  return 0;
}

int CReadFileWA::SetPalette(int, int, const PALETTEENTRY* entries, int count) {
  if (entries != nullptr && count > 0) std::copy_n(entries, std::min(count, 256), palette_);
  return 0;
}

int CReadFileWA::SetResolution(int, int, int xDpi, int yDpi) {
  xRes_ = xDpi;
  yRes_ = yDpi;
  return 0;
}

int CReadFileWA::SetColorProfile(int, const std::uint8_t* bytes, std::size_t size) {
  profile_.assign(bytes, bytes + size);
  return 0;
}

bool CReadFileWA::MakeBuffer() {
  if (VrWA2000::BitsPerPixelOfType(type_) == 0) return false;
  buffer_ = WAPtr::Adopt(NewWAWithPalette(type_, width_, height_, palette_));
  if (!buffer_) return false;
  rows_ = NewWAPIX(buffer_.get(), true);
  if (rows_ == nullptr) {
    buffer_.Reset();
    return false;
  }
  bytesPerRow_ = buffer_->GetBPLine();
  return true;
}

int CReadFileWA::PutRow(int, int, int row, const std::uint8_t* bytes) {
  if (!buffer_ && !MakeBuffer()) return 1;
  std::uint8_t* target = GetWARow(row, rows_);
  if (target == nullptr || bytes == nullptr) return 1;
  std::memcpy(target, bytes, static_cast<std::size_t>(bytesPerRow_));
  return 0;
}

int CWriteFileWA::GetResolution(int image, int subImage, int* x, int* y) {
  int xRes = 0, yRes = 0;
  if (CWriteWA::GetResolution(image, subImage, &xRes, &yRes) != 0) return 1;
  if (x != nullptr) *x = xRes;
  if (y != nullptr) *y = yRes;
  return 0;
}

int CWriteFileWA::GetColorProfile(int, const std::uint8_t** bytes, std::size_t* size) {
  if (profile_.empty()) return 1;
  *bytes = profile_.data();
  *size = profile_.size();
  return 0;
}

void CMyProgress::Begin() {
  ProgressSetCaptionId(static_cast<int>(captionId_));
  ProgressBeginDefault();
}

void CMyProgress::End() { ProgressEnd(); }

int CMyProgress::Step(int position, int total) { return ProgressCallback(position, total); }
