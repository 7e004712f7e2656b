// Reference resize and distort kernels, pixel by pixel from their
// definitions. The fast kernels must match them byte for byte.
#include <algorithm>
#include <cstring>

#include "engine/pixels/ProductTable.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformDistortSolve.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;

int Bilinear(int p00, int p10, int p01, int p11, int fx, int fy) {
  const auto& t = lumora::kProductTable;
  return (p00 * t[15 - fx][15 - fy] + p10 * t[fx][15 - fy] + p01 * t[15 - fx][fy] +
          p11 * t[fx][fy]) /
         225;
}

// Sample position along one axis: origin + t >> 4 with fraction t & 15, the
// neighbour the next index except on the axis's last index.
struct AxisSample {
  int index;
  int next;
  int fraction;
};

AxisSample BilinearSample(std::int64_t numerator, int extent, int origin, int sourceExtent) {
  const std::int64_t t = 16 * numerator / extent;
  const int index = origin + static_cast<int>(t >> 4);
  const int next = index == origin + sourceExtent - 1 ? index : index + 1;
  return AxisSample{index, next, static_cast<int>(t & 15)};
}

bool ResizeFormat(int type) {
  return type == kWAType24 || type == kWAType8Grey || type == kWAType8Palette ||
         type == kWAType4Bit || type == kWAType1Bit;
}

}  // namespace

int ResizeReference(WA* dst, const WA* src, const RECT& rect, int width, int height,
                    const TransformProgress& progress) {
  const int type = src->GetType();
  if (dst->GetType() != type || !ResizeFormat(type)) return 0;
  const bool bilinear = type == kWAType24 || type == kWAType8Grey;
  const int bpp = type == kWAType24 ? 3 : 1;
  const int dw = width < 0 ? -width : width;
  const int dh = height < 0 ? -height : height;
  const int sw = rect.right - rect.left;
  const int sh = rect.bottom - rect.top;
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int y = 0; y < dh; ++y) {
    const std::int64_t a = std::int64_t{height < 0 ? dh - 1 - y : y} * sh;
    const AxisSample row = bilinear ? BilinearSample(a, dh, rect.top, sh)
                                    : AxisSample{rect.top + static_cast<int>(a / dh), 0, 0};
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s0 = read->GetRow(row.index);
    const std::uint8_t* s1 = bilinear ? read->GetRow(row.next) : s0;
    if (d == nullptr || s0 == nullptr || s1 == nullptr) continue;
    if (type == kWAType4Bit) std::memset(d, 0, static_cast<std::size_t>((dw + 1) / 2));
    int acc = 0;
    int mask = 0x80;
    std::uint8_t* bitOut = d;
    for (int x = 0; x < dw; ++x) {
      const std::int64_t b = std::int64_t{width < 0 ? dw - 1 - x : x} * sw;
      if (bilinear) {
        const AxisSample col = BilinearSample(b, dw, rect.left, sw);
        for (int k = 0; k < bpp; ++k) {
          d[bpp * x + k] = static_cast<std::uint8_t>(
              Bilinear(s0[bpp * col.index + k], s0[bpp * col.next + k], s1[bpp * col.index + k],
                       s1[bpp * col.next + k], col.fraction, row.fraction));
        }
        continue;
      }
      const int sx = rect.left + static_cast<int>(b / dw);
      if (type == kWAType8Palette) {
        d[x] = s0[sx];
      } else if (type == kWAType4Bit) {
        const int nibble = sx % 2 == 0 ? s0[sx / 2] >> 4 : s0[sx / 2] & 0x0F;
        d[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? nibble << 4 : nibble);
      } else {
        if ((s0[sx / 8] & (0x80 >> (sx % 8))) != 0) acc |= mask;
        mask >>= 1;
        if (mask == 0) {
          *bitOut++ = static_cast<std::uint8_t>(acc);
          acc = 0;
          mask = 0x80;
        }
      }
    }
    if (type == kWAType1Bit && mask != 0x80) *bitOut = static_cast<std::uint8_t>(acc);
    if (!progress.Step()) return 0;
  }
  return 1;
}

int DistortReference(WA* dst, const WA* src, const POINT* relative) {
  const int W = src->GetW();
  const int H = src->GetH();
  if (W == 0 || H == 0) return 1;
  const DistortCoefficients k = ComputeDistortCoefficients(relative, W, H);
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (int i = 0; i < 4; ++i) {
    x0 = std::min<int>(x0, relative[i].x);
    x1 = std::max<int>(x1, relative[i].x);
    y0 = std::min<int>(y0, relative[i].y);
    y1 = std::max<int>(y1, relative[i].y);
  }
  const int bpp = src->GetType() == kWAType24 ? 3 : 1;
  const auto& t = lumora::kProductTable;
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* d = write->GetWriteRow(y - y0);
    if (d == nullptr) continue;
    for (int x = x0; x < x1; ++x) {
      DistortSample s;
      if (!SolveDistort(k, k.d + y * k.ex, y * k.cx, x, y, W, H, &s)) continue;
      const int iu2 = s.iu == W - 1 ? s.iu : s.iu + 1;
      const int iv2 = s.iv == H - 1 ? s.iv : s.iv + 1;
      const std::uint8_t* r0 = read->GetRow(s.iv);
      const std::uint8_t* r1 = read->GetRow(iv2);
      if (r0 == nullptr || r1 == nullptr) continue;
      for (int c = 0; c < bpp; ++c) {
        const int sum = t[15 - s.fu][15 - s.fv] * r0[bpp * s.iu + c] +
                        t[15 - s.fu][s.fv] * r1[bpp * s.iu + c] +
                        t[s.fu][15 - s.fv] * r0[bpp * iu2 + c] + t[s.fu][s.fv] * r1[bpp * iu2 + c];
        d[bpp * (x - x0) + c] = static_cast<std::uint8_t>(sum / 225);
      }
    }
  }
  return 1;
}
