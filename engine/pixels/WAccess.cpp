// Buffer creation, row-access records and the export adapter.
#include "engine/pixels/WAccess.h"

#include <cstring>
#include <new>

using VrWA2000::WA;

VrWA2000::WA* NewWA(int type, int width, int height, const std::uint8_t* planarPalette) {
  try {
    return new WA(type, width, height, planarPalette, true);
  } catch (...) {
    return nullptr;
  }
}

VrWA2000::WA* NewWAWithPalette(int type, int width, int height, const PALETTEENTRY* palette) {
  try {
    return new WA(type, width, height, palette, true);
  } catch (...) {
    return nullptr;
  }
}

VrWA2000::WA* CloneWA(const VrWA2000::WA* source) {
  if (source == nullptr) return nullptr;
  try {
    return new WA(*source, true);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

WAPIX* NewWAPIX(VrWA2000::ReadWriteWA* buffer, bool writable) {
  if (buffer == nullptr) return nullptr;
  auto* pix = new (std::nothrow) WAPIX;
  if (pix == nullptr) return nullptr;
  try {
    pix->writable = writable ? 1u : 0u;
    pix->readAccess = buffer->GetReadAccess();
    if (writable) pix->writeAccess = buffer->GetAccess();
  } catch (const std::bad_alloc&) {
    delete pix;
    return nullptr;
  }
  return pix;
}

// ---- CWriteWA ----

CWriteWA::~CWriteWA() { delete pix_; }

int CWriteWA::Attach(VrWA2000::WA* buffer) {
  if (buffer == nullptr) return 1;
  buffer_ = WAPtr::Share(buffer);
  delete pix_;
  pix_ = NewWAPIX(buffer, false);
  type_ = buffer->GetType();
  width_ = buffer->GetW();
  height_ = buffer->GetH();
  bytesPerLine_ = buffer->GetBPLine();
  xRes_ = buffer->GetXRes();
  yRes_ = buffer->GetYRes();
  if (type_ != kWAType24) {
    buffer->GetPaletteEntries(0, static_cast<std::uint16_t>(1 << buffer->GetBPP()), palette_);
  }
  return 0;
}

int CWriteWA::GetImageCount(int* count) {
  if (!buffer_) return 1;
  *count = 1;
  return 0;
}

int CWriteWA::GetSubImageCount(int, int* count) {
  if (!buffer_) return 1;
  *count = 1;
  return 0;
}

int CWriteWA::GetSize(int, int, int* width, int* height) {
  if (!buffer_) return 1;
  *width = width_;
  *height = height_;
  return 0;
}

int CWriteWA::GetType(int, int, int* type) {
  if (!buffer_) return 1;
  *type = type_;
  return 0;
}

int CWriteWA::GetPalette(int, int, PALETTEENTRY* out) {
  if (!buffer_) return 1;
  if (type_ != kWAType24) {
    const int entries = 1 << buffer_->GetBPP();
    std::memcpy(out, palette_, sizeof(PALETTEENTRY) * static_cast<std::size_t>(entries));
  }
  return 0;
}

int CWriteWA::GetResolution(int, int, int* x, int* y) {
  if (!buffer_) return 1;
  *x = xRes_;
  *y = yRes_;
  return 0;
}

int CWriteWA::GetRow(int, int, int row, std::uint8_t* out) {
  if (!buffer_) return 1;
  const std::uint8_t* src = GetWARow(row, pix_);
  if (src == nullptr) return 1;
  std::memcpy(out, src, static_cast<std::size_t>(buffer_->GetBPLine()));
  return 0;
}
