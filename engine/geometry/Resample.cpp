// Resampling of image buffers: ResampleImage, the fast ResampleInto walk and
// the plain reference walk it is checked against.
#include "engine/geometry/Resample.h"

#include <cstring>
#include <new>

#include "engine/pixels/ProductTable.h"
#include "engine/geometry/ResampleKernels.h"
#include "engine/pixels/ImageLimits.h"
#include "platform/ref_ptr.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;

// The progress state of one walk: a missing position pointer counts in a
// local, a missing total reads as 0.
class ProgressSteps {
 public:
  ProgressSteps(PROGRESSPROC callback, int* position, int* total, int* cancelled)
      : callback_(callback),
        position_(position != nullptr ? position : &localPosition_),
        total_(total),
        cancelled_(cancelled) {}

  // One destination row done; false when the callback asks to stop.
  bool Step() {
    if (callback_ == nullptr) return true;
    ++*position_;
    if (callback_(*position_, total_ != nullptr ? *total_ : 0) != 0) return true;
    if (cancelled_ != nullptr) *cancelled_ = 1;
    return false;
  }
  bool Reporting() const { return callback_ != nullptr; }

 private:
  PROGRESSPROC callback_;
  int localPosition_ = 0;
  int* position_;
  int* total_;
  int* cancelled_;
};

// Equal sizes: one library copy without a callback, else row by row with a
// progress step per row.
int CopySameSize(WA* destination, const WA* source, ProgressSteps& progress) {
  const int w = source->GetW();
  const int h = source->GetH();
  if (!progress.Reporting()) {
    return VrWA2000::ReadWriteWA::Copy(destination, POINT{0, 0}, source, POINT{0, 0}, w, h, 12);
  }
  AccessPtr write = AccessPtr::Adopt(destination->GetAccess());
  AccessPtr read = AccessPtr::Adopt(source->GetReadAccess());
  const auto bytes = static_cast<std::size_t>(destination->GetBPLine());
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s = read->GetRow(y);
    if (d != nullptr && s != nullptr) std::memcpy(d, s, bytes);
    if (!progress.Step()) return 0;
  }
  return 1;
}

bool SameSize(const WA* a, const WA* b) { return a->GetW() == b->GetW() && a->GetH() == b->GetH(); }

// The bilinear walk for types 16 and 8.
int BilinearWalk(WA* destination, const WA* source, ProgressSteps& progress) {
  namespace rs = lumora::resample;
  const int dW = destination->GetW();
  const int dH = destination->GetH();
  const int sW = source->GetW();
  const int sH = source->GetH();
  const int bpp = source->GetType() == kWAType24 ? 3 : 1;
  AccessPtr write = AccessPtr::Adopt(destination->GetAccess());
  AccessPtr read = AccessPtr::Adopt(source->GetReadAccess());
  rs::BilinearAxis columns = rs::PlanBilinearAxis(dW, sW, 0, false);
  rs::BilinearAxis rows = rs::PlanBilinearAxis(dH, sH, 0, false);
  rs::BilinearRows maker(bpp, columns, sW, dH > sH);
  for (int y = 0; y < dH; ++y) {
    const int sy = rows.first[y];
    const int sy1 = rows.second[y];
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s0 = read->GetRow(sy);
    const std::uint8_t* s1 = read->GetRow(sy1);
    if (d != nullptr && s0 != nullptr && s1 != nullptr) {
      maker.MakeRow(d, sy, s0, sy1, s1, rows.fraction[y]);
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

// The nearest walk for every type.
int NearestWalk(WA* destination, const WA* source, ProgressSteps& progress) {
  namespace rs = lumora::resample;
  const int dW = destination->GetW();
  const int dH = destination->GetH();
  const int sH = source->GetH();
  const int type = source->GetType();
  AccessPtr write = AccessPtr::Adopt(destination->GetAccess());
  AccessPtr read = AccessPtr::Adopt(source->GetReadAccess());
  const std::vector<std::int32_t> columns = rs::PlanNearestAxis(dW, source->GetW(), 0, false);
  for (int y = 0; y < dH; ++y) {
    const int sy = static_cast<int>(static_cast<std::int64_t>(y) * sH / dH);
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s = read->GetRow(sy);
    if (d != nullptr && s != nullptr) {
      switch (type) {
        case kWAType24: rs::NearestRow24(d, s, columns.data(), dW); break;
        case kWAType8Grey:
        case kWAType8Palette: rs::NearestRow8(d, s, columns.data(), dW); break;
        case kWAType4Bit: rs::NearestRow4(d, s, columns.data(), dW, true); break;
        default: rs::NearestRow1(d, s, columns.data(), dW); break;
      }
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

// Buffers beyond the image limits are refused before any size arithmetic.
bool FitsLimits(const WA* buffer) { return lumora::IsImageSize(buffer->GetW(), buffer->GetH()); }

bool Interpolates(int type, bool interpolate) {
  return interpolate && (type == kWAType24 || type == kWAType8Grey);
}

}  // namespace

int ResampleInto(WA* destination, const WA* source, bool interpolate, PROGRESSPROC callback,
                 int* position, int* total, int* cancelled) {
  if (destination == nullptr || source == nullptr) return 0;
  if (!FitsLimits(destination) || !FitsLimits(source)) return 0;
  const int type = source->GetType();
  if (destination->GetType() != type) return 0;
  ProgressSteps progress(callback, position, total, cancelled);
  if (SameSize(destination, source)) return CopySameSize(destination, source, progress);
  if (GetResampleRowProc(type, interpolate) == nullptr) return 0;
  try {
    return Interpolates(type, interpolate) ? BilinearWalk(destination, source, progress)
                                           : NearestWalk(destination, source, progress);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int ResampleIntoReference(WA* destination, const WA* source, bool interpolate,
                          PROGRESSPROC callback, int* position, int* total, int* cancelled) {
  if (destination == nullptr || source == nullptr) return 0;
  if (!FitsLimits(destination) || !FitsLimits(source)) return 0;
  const int type = source->GetType();
  if (destination->GetType() != type) return 0;
  ProgressSteps progress(callback, position, total, cancelled);
  if (SameSize(destination, source)) return CopySameSize(destination, source, progress);
  const ResampleRowProc kernel = GetResampleRowProc(type, interpolate);
  if (kernel == nullptr) return 0;
  const std::int64_t dW = destination->GetW();
  const std::int64_t dH = destination->GetH();
  const std::int64_t sW = source->GetW();
  const std::int64_t sH = source->GetH();
  AccessPtr write = AccessPtr::Adopt(destination->GetAccess());
  AccessPtr read = AccessPtr::Adopt(source->GetReadAccess());
  const bool bilinear = Interpolates(type, interpolate);
  for (std::int64_t y = 0; y < dH; ++y) {
    int sy = 0;
    int sy1 = 0;
    int fy = 0;
    if (bilinear) {
      const std::int64_t p = y * sH * 16 / dH;
      sy = static_cast<int>(p >> 4);
      fy = static_cast<int>(p & 15);
      sy1 = sy + 1;
      if (sy1 >= sH) {
        sy1 = sy;
        fy = 0;
      }
    } else {
      sy = sy1 = static_cast<int>(y * sH / dH);
    }
    std::uint8_t* d = write->GetWriteRow(static_cast<int>(y));
    const std::uint8_t* s0 = read->GetRow(sy);
    const std::uint8_t* s1 = read->GetRow(sy1);
    if (d != nullptr && s0 != nullptr && s1 != nullptr) {
      kernel(d, s0, s1, static_cast<int>(dW), static_cast<int>(sW), fy);
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

WA* ResampleImage(const WA* source, int width, int height, bool interpolate, bool withProgress,
                  PROGRESSPROC callback, int total, int* position) {
  if (source == nullptr || !lumora::IsImageSize(width, height)) return nullptr;
  const int type = source->GetType();
  if (GetResampleRowProc(type, interpolate) == nullptr) return nullptr;
  PALETTEENTRY palette[256] = {};
  const bool paletted = type != kWAType24 && type != kWAType8Grey;
  if (paletted) {
    source->GetPaletteEntries(0, static_cast<std::uint16_t>(1 << source->GetBPP()), palette);
  }
  WA* destination = NewWAWithPalette(type, width, height, paletted ? palette : nullptr);
  if (destination == nullptr) return nullptr;
  int cancelled = 0;
  const int done = ResampleInto(destination, source, interpolate, withProgress ? callback : nullptr,
                                position, &total, &cancelled);
  if (done == 0 || cancelled != 0) {
    destination->Release();
    return nullptr;
  }
  return destination;
}

// ---- Row kernels, straight from the formulas ----

namespace {

struct ColumnSample {
  int sx;
  int sx1;
  int fx;
};

ColumnSample BilinearColumn(int x, int dstWidth, int srcWidth) {
  const std::int64_t p = static_cast<std::int64_t>(x) * srcWidth * 16 / dstWidth;
  ColumnSample c{static_cast<int>(p >> 4), static_cast<int>(p >> 4) + 1, static_cast<int>(p & 15)};
  if (c.sx1 >= srcWidth) {
    c.sx1 = c.sx;
    c.fx = 0;
  }
  return c;
}

int NearestColumn(int x, int dstWidth, int srcWidth) {
  return static_cast<int>(static_cast<std::int64_t>(x) * srcWidth / dstWidth);
}

template <int Bpp>
void BilinearRow(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2, int dstWidth,
                 int srcWidth, int fy) {
  const auto& product = lumora::kProductTable;
  if (src2 == nullptr) src2 = src;
  for (int x = 0; x < dstWidth; ++x) {
    const ColumnSample c = BilinearColumn(x, dstWidth, srcWidth);
    const int w00 = product[15 - c.fx][15 - fy];
    const int w10 = product[c.fx][15 - fy];
    const int w01 = product[15 - c.fx][fy];
    const int w11 = product[c.fx][fy];
    for (int k = 0; k < Bpp; ++k) {
      const int sum = src[Bpp * c.sx + k] * w00 + src[Bpp * c.sx1 + k] * w10 +
                      src2[Bpp * c.sx + k] * w01 + src2[Bpp * c.sx1 + k] * w11;
      dst[Bpp * x + k] = static_cast<std::uint8_t>(sum / 225);
    }
  }
}

}  // namespace

void ResampleRowBilinear24(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                           int dstWidth, int srcWidth, int fy) {
  BilinearRow<3>(dst, src, src2, dstWidth, srcWidth, fy);
}

void ResampleRowBilinear8(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                          int dstWidth, int srcWidth, int fy) {
  BilinearRow<1>(dst, src, src2, dstWidth, srcWidth, fy);
}

void ResampleRowNearest24(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*,
                          int dstWidth, int srcWidth, int) {
  for (int x = 0; x < dstWidth; ++x) {
    const int sx = NearestColumn(x, dstWidth, srcWidth);
    for (int k = 0; k < 3; ++k) dst[3 * x + k] = src[3 * sx + k];
  }
}

void ResampleRowNearest8(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*,
                         int dstWidth, int srcWidth, int) {
  for (int x = 0; x < dstWidth; ++x) dst[x] = src[NearestColumn(x, dstWidth, srcWidth)];
}

void ResampleRowNearest4(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*,
                         int dstWidth, int srcWidth, int) {
  for (int x = 0; x < dstWidth; ++x) {
    const int sx = NearestColumn(x, dstWidth, srcWidth);
    const int nibble = (sx % 2 == 0) ? (src[sx / 2] >> 4) : (src[sx / 2] & 0x0F);
    std::uint8_t& d = dst[x / 2];
    d = (x % 2 == 0) ? static_cast<std::uint8_t>((d & 0x0F) | (nibble << 4))
                     : static_cast<std::uint8_t>((d & 0xF0) | nibble);
  }
}

void ResampleRowNearest1(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t*,
                         int dstWidth, int srcWidth, int) {
  int byte = 0;
  int filled = 0;
  for (int x = 0; x < dstWidth; ++x) {
    const int sx = NearestColumn(x, dstWidth, srcWidth);
    const int bit = (src[sx / 8] >> (7 - sx % 8)) & 1;
    byte = (byte << 1) | bit;
    if (++filled == 8) {
      dst[x / 8] = static_cast<std::uint8_t>(byte);
      byte = 0;
      filled = 0;
    }
  }
  if (filled != 0) dst[dstWidth / 8] = static_cast<std::uint8_t>(byte << (8 - filled));
}

ResampleRowProc GetResampleRowProc(int type, bool interpolate) {
  switch (type) {
    case kWAType24: return interpolate ? ResampleRowBilinear24 : ResampleRowNearest24;
    case kWAType8Grey: return interpolate ? ResampleRowBilinear8 : ResampleRowNearest8;
    case kWAType8Palette: return ResampleRowNearest8;
    case kWAType4Bit: return ResampleRowNearest4;
    case kWAType1Bit: return ResampleRowNearest1;
    default: return nullptr;
  }
}
