// The image-buffer library: reference-counted pixel buffers of five types
// with rows padded to 32-bit words, row 0 the bottom row of the picture.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/atomic_count.h"
#include "platform/win32types.h"

// Image type codes, shared by layers, files and DIB conversion.
enum : int {
  kWAType1Bit = 1,      // 8 pixels a byte, most significant bit first, 2 palette entries
  kWAType4Bit = 2,      // 2 pixels a byte, high nibble first, 16 palette entries
  kWAType8Palette = 4,  // one palette index a byte, 256 entries
  kWAType8Grey = 8,     // one grey value a byte
  kWAType24 = 16,       // blue, green, red
};

// The six-field description that ReadWA::GetInfo fills.
struct WAINFO {
  WAINFO() = default;
  WAINFO(int type, int width, int height, int bitsPerPixel, int bytesPerLine)
      : type(type), width(width), height(height), planes(1), bpp(bitsPerPixel),
        bpline(bytesPerLine) {}
  std::int32_t type = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t planes = 1;
  std::int32_t bpp = 0;
  std::int32_t bpline = 0;
};

namespace VrWA2000 {

// Bits per pixel of a type code, or 0 for an unknown code.
int BitsPerPixelOfType(int type) noexcept;

// ((width * bits + 31) / 32) * 4, or -1 when it does not fit in 31 bits.
std::int64_t BytesPerLineOf(int type, std::int64_t width) noexcept;

// An object whose life ends when its last reference is released. New objects
// start with one reference, owned by their creator.
class RefObj {
 public:
  RefObj(const RefObj&) = delete;
  RefObj& operator=(const RefObj&) = delete;

  void AddRef() const noexcept { lumora::InterlockedAdd1(refCount_); }
  void Release() const noexcept {
    if (lumora::InterlockedSub1(refCount_) == 0) DeleteUnreferenced();
  }
  std::int32_t GetRefCount() const noexcept { return refCount_.load(std::memory_order_acquire); }

 protected:
  RefObj() noexcept = default;
  virtual ~RefObj() = default;
  // Called when the count reaches 0; destroys the object.
  virtual void DeleteUnreferenced() const noexcept { delete this; }

 private:
  mutable std::atomic<std::int32_t> refCount_{1};
};

class WA;

// Read-only view of a buffer's pixels and description.
class ReadWA : public RefObj {
 public:
  // Row access object: counted like buffers, keeps its buffer alive.
  class Access;

  int GetType() const noexcept { return type_; }
  int GetW() const noexcept { return width_; }
  int GetH() const noexcept { return height_; }
  int GetBPP() const noexcept { return bpp_; }
  int GetBPLine() const noexcept { return bpline_; }
  int GetPaletteSize() const noexcept;
  // One band holds the whole picture.
  int GetBandSize() const noexcept { return height_; }
  int GetXRes() const noexcept { return xres_; }
  int GetYRes() const noexcept { return yres_; }
  void GetPaletteEntries(std::uint16_t first, std::uint16_t count, PALETTEENTRY* out) const noexcept;
  const PALETTEENTRY* Palette() const noexcept { return palette_; }
  void GetInfo(WAINFO* info) const noexcept;

  // A counted read access (the caller owns the returned reference).
  Access* GetReadAccess() const;

  int GetDIBNum() const noexcept { return 1; }
  // A bottom-up DIB header with its colour table behind it describing the
  // pixels of band 0 (the whole buffer); the bits are Bits(). The origin of
  // the band in the picture is written to `origin` when given.
  const BITMAPINFOHEADER* GetDIB(int index, POINT* origin) const noexcept;

  bool MM_Using() const noexcept { return true; }
  void MM_Enable(bool enable) noexcept { mmEnabled_ = enable; }
  void MM_LockEnable() noexcept { lockCount_.fetch_add(1, std::memory_order_relaxed); }
  void MM_UnlockEnable() noexcept { lockCount_.fetch_sub(1, std::memory_order_relaxed); }

  // Caps the bytes of pixel memory that all buffers together may hold; 0
  // removes the cap. Creation beyond the cap fails.
  static void MM_SetMemoryLimits(std::uint64_t maxPixelBytes) noexcept;
  static std::uint64_t MM_GetMemoryLimit() noexcept;
  static std::uint64_t MM_BytesInUse() noexcept;
  // Counts `bytes` held outside buffers (a file reader's working memory)
  // against the same cap; false, counting nothing, when it would pass it.
  // MM_Return gives them back.
  static bool MM_Reserve(std::uint64_t bytes) noexcept;
  static void MM_Return(std::uint64_t bytes) noexcept;

  // Direct row addresses for the pixel loops: no checks, no counting. The
  // caller keeps y within 0 .. height - 1.
  const std::uint8_t* Row(int y) const noexcept {
    return bits_ + static_cast<std::ptrdiff_t>(y) * bpline_;
  }
  const std::uint8_t* Bits() const noexcept { return bits_; }

 protected:
  ReadWA() = default;
  ~ReadWA() override;

  int type_ = 0;
  int width_ = 0;
  int height_ = 0;
  int bpp_ = 0;
  int bpline_ = 0;
  int xres_ = 96;
  int yres_ = 96;
  bool mmEnabled_ = true;
  std::atomic<int> lockCount_{0};
  std::uint8_t* bits_ = nullptr;
  std::size_t bitsSize_ = 0;
  PALETTEENTRY palette_[256] = {};
  struct DibHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  };
  mutable DibHeader dib_ = {};
};

// A buffer whose pixels, palette and resolution can be changed.
class ReadWriteWA : public ReadWA {
 public:
  void SetXRes(int dpi) noexcept { xres_ = dpi; }
  void SetYRes(int dpi) noexcept { yres_ = dpi; }
  void SetPaletteEntries(std::uint16_t first, std::uint16_t count, const PALETTEENTRY* in) noexcept;

  // A counted write access (the caller owns the returned reference).
  Access* GetAccess();
  // A counted write access to rows firstRow .. firstRow + rowCount - 1; the
  // whole buffer is one band, so this is the same access as GetAccess.
  Access* GetBand(int firstRow, int rowCount, std::uint16_t flags);

  std::uint8_t* Row(int y) noexcept { return bits_ + static_cast<std::ptrdiff_t>(y) * bpline_; }
  const std::uint8_t* Row(int y) const noexcept { return ReadWA::Row(y); }
  std::uint8_t* Bits() noexcept { return bits_; }
  const std::uint8_t* Bits() const noexcept { return bits_; }

  // Copies a w x h block from `src` at srcPt to `dst` at dstPt. Both buffers
  // must have one type; the block is clipped to both buffers (nothing outside
  // either is read or written). For the sub-byte types, x positions and
  // widths are in pixels. Returns 1 when the (clipped) copy was done, 0 when
  // the buffers differ in type or a buffer is missing. `flags` is accepted for
  // callers that pass the library's copy mode; every mode copies.
  static int Copy(ReadWriteWA* dst, POINT dstPt, const ReadWA* src, POINT srcPt, int w, int h,
                  int flags);

 protected:
  ReadWriteWA() = default;
};

// The concrete buffer. Every new buffer is zero-filled.
class WA final : public ReadWriteWA {
 public:
  // Palette as PALETTEENTRY table (null: the default palette of the type).
  WA(int type, int width, int height, const PALETTEENTRY* palette, bool);
  // Planar palette: 256 red, then 256 green, then 256 blue (null: default).
  WA(int type, int width, int height, const std::uint8_t* planarPalette, bool);
  // Copy of another buffer: pixels, palette and resolution.
  WA(const WA& other, bool);

 private:
  void Allocate(int type, int width, int height);
  void SetDefaultPalette();
};

class ReadWA::Access final : public RefObj {
 public:
  // Row addresses through the access; null outside the buffer. Writing
  // through a read access's row is not allowed.
  const std::uint8_t* GetRow(int y) const noexcept {
    return (y >= 0 && y < height_) ? bits_ + static_cast<std::ptrdiff_t>(y) * bpline_ : nullptr;
  }
  std::uint8_t* GetWriteRow(int y) const noexcept {
    return (writable_ && y >= 0 && y < height_) ? bits_ + static_cast<std::ptrdiff_t>(y) * bpline_
                                                : nullptr;
  }
  bool IsWritable() const noexcept { return writable_; }
  const ReadWA* Buffer() const noexcept { return owner_; }

 private:
  friend class ReadWA;
  friend class ReadWriteWA;
  Access(const ReadWA* owner, std::uint8_t* bits, int height, int bpline, bool writable) noexcept;
  ~Access() override;

  const ReadWA* owner_;
  std::uint8_t* bits_;
  int height_;
  int bpline_;
  bool writable_;
};

}  // namespace VrWA2000

// The row-access record: whether rows are reached through the write access,
// the read access (always present) and the write access (only when writable).
// Destroying it releases the write access, then the read access.
struct WAPIX {
  WAPIX() = default;
  WAPIX(const WAPIX&) = delete;
  WAPIX& operator=(const WAPIX&) = delete;
  ~WAPIX();

  std::uint32_t writable = 0;
  VrWA2000::ReadWA::Access* readAccess = nullptr;
  VrWA2000::ReadWA::Access* writeAccess = nullptr;
};
