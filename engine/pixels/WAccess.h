// The program's own layer over the image-buffer library: counted buffer
// references, creation that reports failure as null, row-access records,
// and a buffer presented through the write interface of hostapi/imageio.h.
#pragma once

#include <cstdint>

#include "hostapi/imagebuf.h"
#include "hostapi/imageio.h"
#include "platform/ref_ptr.h"

// A counted reference to an image buffer.
using WAPtr = lumora::RefPtr<VrWA2000::WA>;

// New zero-filled buffer with count 1 (owned by the caller), or null when
// memory runs out, the memory limit is reached or the arguments are invalid.
// The planar palette is 256 red, 256 green, then 256 blue values.
VrWA2000::WA* NewWA(int type, int width, int height, const std::uint8_t* planarPalette);
VrWA2000::WA* NewWAWithPalette(int type, int width, int height, const PALETTEENTRY* palette);
// A copy of the buffer (count 1), or null for a null buffer or no memory.
VrWA2000::WA* CloneWA(const VrWA2000::WA* source);

// A buffer's resolution packed as layers and stacks keep it: horizontal
// dots per inch in the low 16 bits, vertical in the high 16.
inline std::uint32_t PackedResolution(const VrWA2000::WA& buffer) {
  return static_cast<std::uint32_t>(buffer.GetXRes() & 0xFFFF) |
         static_cast<std::uint32_t>(buffer.GetYRes() & 0xFFFF) << 16;
}

// Sets a buffer's resolution from the packed form; nothing for null.
inline void SetPackedResolution(VrWA2000::WA* buffer, std::uint32_t packed) {
  if (buffer == nullptr) return;
  const int x = static_cast<int>(packed & 0xFFFFu), y = static_cast<int>(packed >> 16);
  // A buffer that has it already is not written: copies sharing it with
  // another thread's layers leave it alone.
  if (buffer->GetXRes() == x && buffer->GetYRes() == y) return;
  buffer->SetXRes(x);
  buffer->SetYRes(y);
}

// A new row-access record (writable: through the write access), or null
// when the buffer is null or memory runs out. Destroy with `delete`.
WAPIX* NewWAPIX(VrWA2000::ReadWriteWA* buffer, bool writable);

// Address of row `row` through a record: the write access when the record is
// writable, else the read access; 0 for a null record or a row outside the
// buffer.
inline std::uint8_t* GetWARow(int row, const WAPIX* pix) noexcept {
  if (pix == nullptr) return nullptr;
  if (pix->writable != 0) {
    return pix->writeAccess != nullptr ? pix->writeAccess->GetWriteRow(row) : nullptr;
  }
  // Read-only records hand out the row for reading; the const is the
  // caller's to respect, as with the library's own row slot.
  return pix->readAccess != nullptr ? const_cast<std::uint8_t*>(pix->readAccess->GetRow(row))
                                    : nullptr;
}

// Presents one attached buffer through CAbstractWriteWA. Built empty,
// attached once; every query before Attach returns 1.
class CWriteWA : public CAbstractWriteWA {
 public:
  CWriteWA() = default;
  CWriteWA(const CWriteWA&) = delete;
  CWriteWA& operator=(const CWriteWA&) = delete;
  ~CWriteWA() override;

  // 1 for a null buffer, else 0.
  int Attach(VrWA2000::WA* buffer);

  int GetImageCount(int* count) override;
  int GetSubImageCount(int image, int* count) override;
  int GetSize(int image, int subImage, int* width, int* height) override;
  int GetType(int image, int subImage, int* type) override;
  int GetPalette(int image, int subImage, PALETTEENTRY* out) override;
  int GetResolution(int image, int subImage, int* x, int* y) override;
  int GetRow(int image, int subImage, int row, std::uint8_t* out) override;

 private:
  WAPtr buffer_;
  WAPIX* pix_ = nullptr;
  int type_ = 0;
  int width_ = 0;
  int height_ = 0;
  int xRes_ = 0;
  int yRes_ = 0;
  int bytesPerLine_ = 0;
  PALETTEENTRY palette_[256] = {};
};
