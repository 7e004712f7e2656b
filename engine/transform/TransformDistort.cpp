// Fast four-point distort kernel. Each row is solved first (only floating
// point: the shared double-precision solve, two pixels at a time in SSE2
// lanes for the general case, with the same operations so that results match
// the reference bit for bit), then sampled through direct row addresses.
#include <algorithm>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/geometry/ResampleKernels.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformBilinear.h"
#include "engine/transform/TransformDistortSolve.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;
using lumora::resample::Div225;

#if defined(__SSE2__)
// The general case two pixels at a time: SSE2 lanes evaluate the first root
// with exactly the operations of SolveDistort (each lane is correctly
// rounded like the scalar operation), so an accepted lane gives the same
// sample. A lane whose first root is refused is solved again by
// SolveDistort, which goes on to the second root. Returns the number of
// samples found and leaves *next at the first pixel not yet solved.
int SolvePairs(const DistortCoefficients& k, double rowB, double rowC, double y, int width,
               int height, int x0, int x1, std::vector<DistortSample>& samples,
               std::vector<std::int32_t>& columns, int* next) {
  const __m128d ey = _mm_set1_pd(k.ey);
  const __m128d cy = _mm_set1_pd(k.cy);
  const __m128d ay = _mm_set1_pd(k.ay);
  const __m128d fourK = _mm_set1_pd(4.0 * k.k);
  const __m128d twoK = _mm_set1_pd(2.0 * k.k);
  const __m128d vb = _mm_set1_pd(rowB);
  const __m128d vc = _mm_set1_pd(rowC);
  const __m128d vy = _mm_set1_pd(y);
  const __m128d minusOne = _mm_set1_pd(-1.0);
  const __m128d zero = _mm_setzero_pd();
  const __m128d w = _mm_set1_pd(width);
  const __m128d h = _mm_set1_pd(height);
  int found = 0;
  int x = x0;
  for (; x + 2 <= x1; x += 2) {
    const __m128d X = _mm_set_pd(x + 1, x);
    const __m128d b = _mm_sub_pd(vb, _mm_mul_pd(X, ey));
    const __m128d c = _mm_sub_pd(vc, _mm_mul_pd(X, cy));
    const __m128d q = _mm_sub_pd(_mm_mul_pd(b, b), _mm_mul_pd(fourK, c));
    const __m128d u = _mm_div_pd(_mm_sub_pd(_mm_sqrt_pd(q), b), twoK);
    const __m128d d = _mm_add_pd(_mm_mul_pd(u, ey), cy);
    const __m128d v = _mm_div_pd(_mm_sub_pd(vy, _mm_mul_pd(u, ay)), d);
    // Negative q gives a NaN root, which fails every comparison.
    __m128d ok = _mm_and_pd(_mm_cmpgt_pd(u, minusOne), _mm_cmplt_pd(u, w));
    ok = _mm_and_pd(ok, _mm_cmpneq_pd(d, zero));
    ok = _mm_and_pd(ok, _mm_and_pd(_mm_cmpge_pd(v, zero), _mm_cmplt_pd(v, h)));
    const int mask = _mm_movemask_pd(ok);
    double us[2];
    double vs[2];
    _mm_storeu_pd(us, u);
    _mm_storeu_pd(vs, v);
    for (int lane = 0; lane < 2; ++lane) {
      DistortSample& out = samples[found];
      bool hit;
      if ((mask >> lane & 1) != 0) {
        out = DistortSample{
            static_cast<std::int32_t>(us[lane]), static_cast<std::int32_t>(16.0 * us[lane]) & 15,
            static_cast<std::int32_t>(vs[lane]), static_cast<std::int32_t>(16.0 * vs[lane]) & 15};
        hit = true;
      } else {
        hit = SolveDistort(k, rowB, rowC, x + lane, y, width, height, &out);
      }
      if (hit) columns[found++] = x + lane - x0;
    }
  }
  *next = x;
  return found;
}
#endif

template <int Bpp>
void DistortRows(WA* dst, const WA* src, const POINT* relative) {
  const int W = src->GetW();
  const int H = src->GetH();
  const DistortCoefficients k = ComputeDistortCoefficients(relative, W, H);
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (int i = 0; i < 4; ++i) {
    x0 = std::min<int>(x0, relative[i].x);
    x1 = std::max<int>(x1, relative[i].x);
    y0 = std::min<int>(y0, relative[i].y);
    y1 = std::max<int>(y1, relative[i].y);
  }
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  const std::uint8_t* bits = read->GetRow(0);
  const std::ptrdiff_t stride = src->GetBPLine();
  std::vector<DistortSample> samples(static_cast<std::size_t>(x1 - x0));
  std::vector<std::int32_t> columns(static_cast<std::size_t>(x1 - x0));
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* d = write->GetWriteRow(y - y0);
    if (d == nullptr) continue;
    const double fy = y;
    const double rowB = k.d + fy * k.ex;
    const double rowC = fy * k.cx;
    int found = 0;
    int x = x0;
#if defined(__SSE2__)
    if (k.k != 0.0) found = SolvePairs(k, rowB, rowC, fy, W, H, x0, x1, samples, columns, &x);
#endif
    for (; x < x1; ++x) {
      if (SolveDistort(k, rowB, rowC, x, fy, W, H, &samples[found])) columns[found++] = x - x0;
    }
    for (int n = 0; n < found; ++n) {
      const DistortSample& s = samples[n];
      const std::ptrdiff_t right = s.iu == W - 1 ? 0 : Bpp;
      const std::uint8_t* p0 = bits + s.iv * stride + static_cast<std::ptrdiff_t>(Bpp) * s.iu;
      const std::uint8_t* p1 = s.iv == H - 1 ? p0 : p0 + stride;
#if defined(__SSE2__)
      if (Bpp == 3 && s.iu <= W - 3) {
        const std::uint32_t rgb = lumora::transform::BilinearRgb(
            p0, p1, static_cast<unsigned>(s.fu), static_cast<unsigned>(s.fv));
        std::uint8_t* out = d + 3 * static_cast<std::ptrdiff_t>(columns[n]);
        out[0] = static_cast<std::uint8_t>(rgb);
        out[1] = static_cast<std::uint8_t>(rgb >> 8);
        out[2] = static_cast<std::uint8_t>(rgb >> 16);
        continue;
      }
#endif
      const auto fu = static_cast<std::uint32_t>(s.fu);
      const auto fv = static_cast<std::uint32_t>(s.fv);
      const std::uint32_t w11 = fu * fv;
      const std::uint32_t w10 = 15 * fu - w11;
      const std::uint32_t w01 = 15 * fv - w11;
      const std::uint32_t w00 = 225 - 15 * fu - 15 * fv + w11;
      std::uint8_t* out = d + static_cast<std::ptrdiff_t>(Bpp) * columns[n];
      for (int c = 0; c < Bpp; ++c) {
        out[c] = static_cast<std::uint8_t>(
            Div225(p0[c] * w00 + p0[right + c] * w10 + p1[c] * w01 + p1[right + c] * w11));
      }
    }
  }
}

}  // namespace

int DistortFast(WA* dst, const WA* src, const POINT* relative) {
  if (src->GetW() == 0 || src->GetH() == 0) return 1;
  try {
    if (src->GetType() == kWAType24) {
      DistortRows<3>(dst, src, relative);
    } else {
      DistortRows<1>(dst, src, relative);
    }
  } catch (const std::bad_alloc&) {
    return 0;  // no room for the row scratch
  }
  return 1;
}
