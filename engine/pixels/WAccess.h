// The program's own layer over the image-buffer library: counted buffer
// references, creation that reports failure as null, row-access records,
// and the two interfaces through which the file-format and animated-GIF
// libraries hand images to the program and take images from it.
#pragma once

#include <cstdint>

#include "hostapi/imagebuf.h"
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
  buffer->SetXRes(static_cast<int>(packed & 0xFFFFu));
  buffer->SetYRes(static_cast<int>(packed >> 16));
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

// Called by the file-format library while it decodes a file. Every
// operation returns 0 for success. Image and sub-image indexes exist for
// multi-image formats; single-image implementations ignore them.
class CAbstractReadWA {
 public:
  virtual ~CAbstractReadWA() = default;
  virtual int SetImageCount(int count) = 0;
  virtual int SetSubImageCount(int image, int count) = 0;
  virtual int SetSize(int image, int subImage, int width, int height) = 0;
  virtual int SetType(int image, int subImage, int type) = 0;
  virtual int SetPalette(int image, int subImage, const PALETTEENTRY* entries, int count) = 0;
  virtual int SetResolution(int image, int subImage, int xDpi, int yDpi) = 0;
  virtual int PutRow(int image, int subImage, int row, const std::uint8_t* bytes) = 0;
};

// Called by the export libraries while they encode. Every operation returns
// 0 for success.
class CAbstractWriteWA {
 public:
  virtual ~CAbstractWriteWA() = default;
  virtual int GetImageCount(int* count) = 0;
  virtual int GetSubImageCount(int image, int* count) = 0;
  virtual int GetSize(int image, int subImage, int* width, int* height) = 0;
  virtual int GetType(int image, int subImage, int* type) = 0;
  // `out` has room for 1 << bits per pixel entries.
  virtual int GetPalette(int image, int subImage, PALETTEENTRY* out) = 0;
  virtual int GetResolution(int image, int subImage, int* x, int* y) = 0;
  // `out` has room for one row of bytes per line.
  virtual int GetRow(int image, int subImage, int row, std::uint8_t* out) = 0;
};

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
