// The image-buffer library: allocation, palettes, accesses and clipped copies.
#include "hostapi/imagebuf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <stdexcept>

#include "platform/page_memory.h"

namespace VrWA2000 {

namespace {

std::atomic<std::uint64_t> gBytesInUse{0};
std::atomic<std::uint64_t> gByteLimit{0};

// Reserves pixel memory against the limit; false when it would pass it.
bool ReserveBytes(std::uint64_t bytes) noexcept {
  const std::uint64_t limit = gByteLimit.load(std::memory_order_relaxed);
  const std::uint64_t before = gBytesInUse.fetch_add(bytes, std::memory_order_relaxed);
  if (limit != 0 && before + bytes > limit) {
    gBytesInUse.fetch_sub(bytes, std::memory_order_relaxed);
    return false;
  }
  return true;
}

void ReturnBytes(std::uint64_t bytes) noexcept {
  gBytesInUse.fetch_sub(bytes, std::memory_order_relaxed);
}

// Large pixel blocks freed lately, kept for the next buffer of the same
// size: the system hands out a fresh block page by page, each page faulted
// in and zeroed on first touch, which costs several times a copy of it.
// The kept bytes count against no cap; they are given back to the system
// when an allocation fails and beyond a bound.
class KeptBlocks {
 public:
  static constexpr std::size_t kSmallest = std::size_t{1} << 20;
  static constexpr std::size_t kMostKept = std::size_t{128} << 20;

  // A kept block of exactly `size` bytes (its content is stale), or null.
  std::uint8_t* Take(std::size_t size) noexcept {
    if (size < kSmallest) return nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
      if (it->size != size) continue;
      std::uint8_t* bits = it->bits;
      kept_ -= size;
      blocks_.erase(it);
      return bits;
    }
    return nullptr;
  }

  // Keeps the block or frees it.
  void Give(std::uint8_t* bits, std::size_t size) noexcept {
    if (bits == nullptr) return;
    if (size < kSmallest || size > kMostKept) {
      lumora::FreeZeroedBlock(bits, size);
      return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    try {
      blocks_.push_back(Block{bits, size});
    } catch (...) {
      lumora::FreeZeroedBlock(bits, size);
      return;
    }
    kept_ += size;
    while (kept_ > kMostKept) {
      lumora::FreeZeroedBlock(blocks_.front().bits, blocks_.front().size);
      kept_ -= blocks_.front().size;
      blocks_.pop_front();
    }
  }

  void FreeAll() noexcept {
    std::lock_guard<std::mutex> guard(lock_);
    for (const Block& block : blocks_) lumora::FreeZeroedBlock(block.bits, block.size);
    blocks_.clear();
    kept_ = 0;
  }

 private:
  struct Block {
    std::uint8_t* bits;
    std::size_t size;
  };
  std::mutex lock_;
  std::deque<Block> blocks_;
  std::size_t kept_ = 0;
};

KeptBlocks& TheKeptBlocks() {
  // Never destroyed: buffers may be released by static destructors.
  static KeptBlocks* blocks = new KeptBlocks;
  return *blocks;
}

// Off while a copy allocates: it writes every byte itself.
thread_local bool tClearKeptBlocks = true;

// A zero-filled pixel block of `size` bytes; null when memory is short.
// Clearing a kept block costs a fraction of faulting in a fresh one.
std::uint8_t* AllocateBlock(std::size_t size) noexcept {
  if (std::uint8_t* kept = TheKeptBlocks().Take(size)) {
    if (tClearKeptBlocks) std::memset(kept, 0, size);
    return kept;
  }
  // Large blocks come as fresh zero pages, in large pages where there are.
  std::uint8_t* bits = lumora::AllocateZeroedBlock(size);
  if (bits == nullptr) {
    TheKeptBlocks().FreeAll();
    bits = lumora::AllocateZeroedBlock(size);
  }
  return bits;
}

int PaletteSizeOfType(int type) noexcept {
  switch (type) {
    case kWAType1Bit: return 2;
    case kWAType4Bit: return 16;
    case kWAType8Palette: return 256;
    default: return 0;
  }
}

// Copies `count` pixels of `bpp` bits from bit position srcX of `src` to
// position dstX of `dst`, for the sub-byte types (most significant bit first).
void CopyBits(std::uint8_t* dst, int dstX, const std::uint8_t* src, int srcX, int count, int bpp) {
  if (((dstX * bpp) & 7) == 0 && ((srcX * bpp) & 7) == 0) {
    const int wholeBytes = (count * bpp) / 8;
    std::memmove(dst + dstX * bpp / 8, src + srcX * bpp / 8, static_cast<std::size_t>(wholeBytes));
    const int done = wholeBytes * 8 / bpp;
    dstX += done;
    srcX += done;
    count -= done;
  }
  const int mask = (1 << bpp) - 1;
  for (int i = 0; i < count; ++i) {
    const int sBit = (srcX + i) * bpp;
    const int dBit = (dstX + i) * bpp;
    const int sShift = 8 - bpp - (sBit & 7);
    const int dShift = 8 - bpp - (dBit & 7);
    const int value = (src[sBit >> 3] >> sShift) & mask;
    std::uint8_t& d = dst[dBit >> 3];
    d = static_cast<std::uint8_t>((d & ~(mask << dShift)) | (value << dShift));
  }
}

}  // namespace

int BitsPerPixelOfType(int type) noexcept {
  switch (type) {
    case kWAType1Bit: return 1;
    case kWAType4Bit: return 4;
    case kWAType8Palette:
    case kWAType8Grey: return 8;
    case kWAType24: return 24;
    default: return 0;
  }
}

std::int64_t BytesPerLineOf(int type, std::int64_t width) noexcept {
  const int bits = BitsPerPixelOfType(type);
  if (bits == 0 || width < 0) return -1;
  const std::int64_t bytes = ((width * bits + 31) / 32) * 4;
  return bytes > 0x7FFFFFFF ? -1 : bytes;
}

// ---- ReadWA ----

ReadWA::~ReadWA() {
  TheKeptBlocks().Give(bits_, bitsSize_);
  ReturnBytes(bitsSize_);
}

int ReadWA::GetPaletteSize() const noexcept { return PaletteSizeOfType(type_); }

void ReadWA::GetPaletteEntries(std::uint16_t first, std::uint16_t count,
                               PALETTEENTRY* out) const noexcept {
  for (int i = 0; i < count && first + i < 256; ++i) out[i] = palette_[first + i];
}

void ReadWA::GetInfo(WAINFO* info) const noexcept {
  *info = WAINFO(type_, width_, height_, bpp_, bpline_);
}

ReadWA::Access* ReadWA::GetReadAccess() const {
  return new Access(this, bits_, height_, bpline_, false);
}

const BITMAPINFOHEADER* ReadWA::GetDIB(int index, POINT* origin) const noexcept {
  if (index != 0) return nullptr;
  if (origin != nullptr) *origin = POINT{0, 0};
  BITMAPINFOHEADER& h = dib_.header;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width_;
  h.biHeight = height_;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bpp_);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(bitsSize_);
  // dots per inch to dots per metre, rounded
  h.biXPelsPerMeter = static_cast<LONG>((xres_ * 10000 + 127) / 254);
  h.biYPelsPerMeter = static_cast<LONG>((yres_ * 10000 + 127) / 254);
  const int colours = (type_ == kWAType24) ? 0 : (1 << bpp_);
  h.biClrUsed = static_cast<DWORD>(colours);
  h.biClrImportant = 0;
  for (int i = 0; i < colours; ++i) {
    dib_.colors[i] = RGBQUAD{palette_[i].peBlue, palette_[i].peGreen, palette_[i].peRed, 0};
  }
  return &h;
}

void ReadWA::MM_SetMemoryLimits(std::uint64_t maxPixelBytes) noexcept {
  gByteLimit.store(maxPixelBytes, std::memory_order_relaxed);
}

std::uint64_t ReadWA::MM_GetMemoryLimit() noexcept { return gByteLimit.load(std::memory_order_relaxed); }

bool ReadWA::MM_Reserve(std::uint64_t bytes) noexcept { return ReserveBytes(bytes); }

void ReadWA::MM_Return(std::uint64_t bytes) noexcept { ReturnBytes(bytes); }

std::uint64_t ReadWA::MM_BytesInUse() noexcept {
  return gBytesInUse.load(std::memory_order_relaxed);
}

// ---- ReadWriteWA ----

void ReadWriteWA::SetPaletteEntries(std::uint16_t first, std::uint16_t count,
                                    const PALETTEENTRY* in) noexcept {
  for (int i = 0; i < count && first + i < 256; ++i) palette_[first + i] = in[i];
}

ReadWA::Access* ReadWriteWA::GetAccess() {
  return new Access(this, bits_, height_, bpline_, true);
}

ReadWA::Access* ReadWriteWA::GetBand(int, int, std::uint16_t) { return GetAccess(); }

int ReadWriteWA::Copy(ReadWriteWA* dst, POINT dstPt, const ReadWA* src, POINT srcPt, int w, int h,
                      int) {
  if (dst == nullptr || src == nullptr || dst->GetType() != src->GetType()) return 0;
  // Clip the block against both buffers in 64 bits so huge arguments cannot wrap.
  std::int64_t sx = srcPt.x, sy = srcPt.y, dx = dstPt.x, dy = dstPt.y;
  std::int64_t cw = w, ch = h;
  auto clipLow = [](std::int64_t& a, std::int64_t& b, std::int64_t& len) {
    const std::int64_t shift = std::max<std::int64_t>({0, -a, -b});
    a += shift;
    b += shift;
    len -= shift;
  };
  clipLow(sx, dx, cw);
  clipLow(sy, dy, ch);
  cw = std::min<std::int64_t>({cw, src->GetW() - sx, dst->GetW() - dx});
  ch = std::min<std::int64_t>({ch, src->GetH() - sy, dst->GetH() - dy});
  if (cw <= 0 || ch <= 0) return 1;

  const int bpp = src->GetBPP();
  for (std::int64_t row = 0; row < ch; ++row) {
    const std::uint8_t* s = src->Row(static_cast<int>(sy + row));
    std::uint8_t* d = dst->Row(static_cast<int>(dy + row));
    if (bpp >= 8) {
      const std::size_t bytesPerPixel = static_cast<std::size_t>(bpp / 8);
      std::memmove(d + dx * bytesPerPixel, s + sx * bytesPerPixel,
                   static_cast<std::size_t>(cw) * bytesPerPixel);
    } else {
      CopyBits(d, static_cast<int>(dx), s, static_cast<int>(sx), static_cast<int>(cw), bpp);
    }
  }
  return 1;
}

// ---- WA ----

WA::WA(int type, int width, int height, const PALETTEENTRY* palette, bool) {
  Allocate(type, width, height);
  SetDefaultPalette();
  if (palette != nullptr) {
    std::copy(palette, palette + PaletteSizeOfType(type), palette_);
  }
}

WA::WA(int type, int width, int height, const std::uint8_t* planar, bool) {
  Allocate(type, width, height);
  SetDefaultPalette();
  if (planar != nullptr) {
    for (int i = 0; i < 256; ++i) {
      palette_[i] = PALETTEENTRY{planar[i], planar[256 + i], planar[512 + i], 0};
    }
  }
}

WA::WA(const WA& other, bool) : ReadWriteWA() {
  struct Uncleared {
    Uncleared() { tClearKeptBlocks = false; }
    ~Uncleared() { tClearKeptBlocks = true; }
  };
  {
    const Uncleared copying;
    Allocate(other.type_, other.width_, other.height_);
  }
  std::memcpy(bits_, other.bits_, bitsSize_);
  std::copy(other.palette_, other.palette_ + 256, palette_);
  xres_ = other.xres_;
  yres_ = other.yres_;
}

void WA::Allocate(int type, int width, int height) {
  const int bits = BitsPerPixelOfType(type);
  if (bits == 0) throw std::invalid_argument("unknown image type");
  if (width <= 0 || height <= 0) throw std::invalid_argument("empty image");
  const std::int64_t bpline = BytesPerLineOf(type, width);
  if (bpline < 0) throw std::bad_alloc();
  const std::uint64_t size = static_cast<std::uint64_t>(bpline) * static_cast<std::uint64_t>(height);
  if (size > (std::uint64_t{1} << 40)) throw std::bad_alloc();
  if (!ReserveBytes(size)) throw std::bad_alloc();
  std::uint8_t* pixels = AllocateBlock(static_cast<std::size_t>(size));
  if (pixels == nullptr) {
    ReturnBytes(size);
    throw std::bad_alloc();
  }
  type_ = type;
  width_ = width;
  height_ = height;
  bpp_ = bits;
  bpline_ = static_cast<int>(bpline);
  bits_ = pixels;
  bitsSize_ = static_cast<std::size_t>(size);
}

// Black and white for 1 bit, grey ramps otherwise (type 8 reads as a ramp of
// 256 greys, so a grey buffer exports like a palette one).
void WA::SetDefaultPalette() {
  const int entries = (type_ == kWAType1Bit) ? 2 : (type_ == kWAType4Bit) ? 16 : 256;
  for (int i = 0; i < entries; ++i) {
    const auto v = static_cast<BYTE>(i * 255 / (entries - 1));
    palette_[i] = PALETTEENTRY{v, v, v, 0};
  }
}

// ---- Access ----

ReadWA::Access::Access(const ReadWA* owner, std::uint8_t* bits, int height, int bpline,
                       bool writable) noexcept
    : owner_(owner), bits_(bits), height_(height), bpline_(bpline), writable_(writable) {
  owner_->AddRef();
}

ReadWA::Access::~Access() { owner_->Release(); }

}  // namespace VrWA2000

WAPIX::~WAPIX() {
  if (writeAccess != nullptr) writeAccess->Release();
  if (readAccess != nullptr) readAccess->Release();
}
