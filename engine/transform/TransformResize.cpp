// Fast resize kernels of the transform engine: the sample positions of both
// axes are planned once (64-bit, mirrored where the size is negative), then
// each destination row is made by the shared resampling row makers.
#include <cstdlib>
#include <new>

#include "engine/geometry/ResampleKernels.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;
namespace rs = lumora::resample;

int BilinearResize(WA* dst, const WA* src, const RECT& rect, int width, int height,
                   const TransformProgress& progress) {
  const int dw = std::abs(width);
  const int dh = std::abs(height);
  const int sh = rect.bottom - rect.top;
  const rs::BilinearAxis columns =
      rs::PlanBilinearAxis(dw, rect.right - rect.left, rect.left, width < 0);
  const rs::BilinearAxis rows = rs::PlanBilinearAxis(dh, sh, rect.top, height < 0);
  rs::BilinearRows maker(src->GetType() == kWAType24 ? 3 : 1, columns, src->GetW(), dh > sh);
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int y = 0; y < dh; ++y) {
    const int sy = rows.first[y];
    const int sy2 = rows.second[y];
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s0 = read->GetRow(sy);
    const std::uint8_t* s1 = read->GetRow(sy2);
    if (d == nullptr || s0 == nullptr || s1 == nullptr) continue;
    maker.MakeRow(d, sy, s0, sy2, s1, rows.fraction[y]);
    if (!progress.Step()) return 0;
  }
  return 1;
}

int NearestResize(WA* dst, const WA* src, const RECT& rect, int width, int height,
                  const TransformProgress& progress) {
  const int dw = std::abs(width);
  const int dh = std::abs(height);
  const int type = src->GetType();
  const std::vector<std::int32_t> columns =
      rs::PlanNearestAxis(dw, rect.right - rect.left, rect.left, width < 0);
  const std::vector<std::int32_t> rows =
      rs::PlanNearestAxis(dh, rect.bottom - rect.top, rect.top, height < 0);
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int y = 0; y < dh; ++y) {
    std::uint8_t* d = write->GetWriteRow(y);
    const std::uint8_t* s = read->GetRow(rows[y]);
    if (d == nullptr || s == nullptr) continue;
    switch (type) {
      case kWAType8Palette: rs::NearestRow8(d, s, columns.data(), dw); break;
      case kWAType4Bit: rs::NearestRow4(d, s, columns.data(), dw, false); break;
      default: rs::NearestRow1(d, s, columns.data(), dw); break;
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

}  // namespace

int ResizeFast(WA* dst, const WA* src, const RECT& rect, int width, int height,
               const TransformProgress& progress) {
  const int type = src->GetType();
  if (dst->GetType() != type) return 0;
  try {
    switch (type) {
      case kWAType24:
      case kWAType8Grey: return BilinearResize(dst, src, rect, width, height, progress);
      case kWAType8Palette:
      case kWAType4Bit:
      case kWAType1Bit: return NearestResize(dst, src, rect, width, height, progress);
      default: return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
