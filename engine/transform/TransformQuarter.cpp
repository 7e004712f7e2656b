// Fast quarter-turn kernels: exact rotations by 0, 90, 180 and 270 degrees of
// a rectangle of the source. Quarter turns of byte formats go through tiles
// of destination rows so that source rows are read in cache-sized runs; the
// 4- and 1-bit formats gather pixels with the resampling row packers.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/geometry/ResampleKernels.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;
namespace rs = lumora::resample;

constexpr int kBand = 16;  // destination rows made together by a quarter turn

struct Turn {
  int cosine;
  int sine;
  RECT rect;
  int width;  // destination
  int height;
};

// Source row and column of destination pixel (x, j), as in the reference.
int SourceRowOf(const Turn& t, int x, int j) {
  if (t.cosine == 0) return t.sine > 0 ? t.rect.bottom - 1 - x : t.rect.top + x;
  return t.cosine == 1 ? t.rect.top + j : t.rect.bottom - 1 - j;
}
int SourceColumnOf(const Turn& t, int x, int j) {
  if (t.cosine == 0) return t.sine > 0 ? t.rect.left + j : t.rect.right - 1 - j;
  return t.cosine == 1 ? t.rect.left + x : t.rect.right - 1 - x;
}

// Reports the rows [first, end) made by a band; false on cancel.
bool ReportRows(int first, int end, const TransformProgress& progress) {
  for (int j = first; j < end; ++j) {
    if (!progress.Step()) return false;
  }
  return true;
}

// 90 and 270 degrees for 1- and 3-byte pixels: a band of destination rows is
// a band of source columns, walked one source row (destination column) at a
// time.
template <int Bpp>
int QuarterBytes(WA* dst, const WA* src, const Turn& t, const TransformProgress& progress) {
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  std::uint8_t* rows[kBand];
  std::ptrdiff_t columns[kBand];
  for (int j0 = 0; j0 < t.height; j0 += kBand) {
    const int end = std::min(t.height, j0 + kBand);
    int n = 0;
    for (int j = j0; j < end; ++j) {
      if (std::uint8_t* d = write->GetWriteRow(j)) {
        rows[n] = d;
        columns[n] = static_cast<std::ptrdiff_t>(Bpp) * SourceColumnOf(t, 0, j);
        ++n;
      }
    }
    for (int x = 0; x < t.width && n > 0; ++x) {
      const std::uint8_t* s = read->GetRow(SourceRowOf(t, x, j0));
      const std::ptrdiff_t out = static_cast<std::ptrdiff_t>(Bpp) * x;
      for (int k = 0; k < n; ++k) {
        for (int c = 0; c < Bpp; ++c) rows[k][out + c] = s[columns[k] + c];
      }
    }
    if (!ReportRows(j0, end, progress)) return 0;
  }
  return 1;
}

// 0 and 180 degrees for 1- and 3-byte pixels: each destination row is one
// source row, copied or reversed.
template <int Bpp>
int HalfTurnBytes(WA* dst, const WA* src, const Turn& t, bool wholeBuffer,
                  const TransformProgress& progress) {
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int j = 0; j < t.height; ++j) {
    std::uint8_t* d = write->GetWriteRow(j);
    if (d == nullptr) continue;
    const std::uint8_t* s = read->GetRow(SourceRowOf(t, 0, j));
    if (t.cosine == 1) {
      const std::size_t bytes = wholeBuffer ? static_cast<std::size_t>(dst->GetBPLine())
                                            : static_cast<std::size_t>(Bpp) * t.width;
      std::memcpy(d, s + static_cast<std::ptrdiff_t>(Bpp) * t.rect.left, bytes);
    } else {
      const std::uint8_t* p = s + static_cast<std::ptrdiff_t>(Bpp) * (t.rect.right - 1);
      for (int x = 0; x < t.width; ++x, p -= Bpp) {
        for (int c = 0; c < Bpp; ++c) d[Bpp * x + c] = p[c];
      }
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

// 4- and 1-bit pixels: 0 and 180 degrees gather along one source row with a
// column table; quarter turns read one pixel of each source row.
int TurnBits(WA* dst, const WA* src, const Turn& t, bool wholeBuffer,
             const TransformProgress& progress) {
  const bool nibbles = src->GetType() == kWAType4Bit;
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  std::vector<std::int32_t> columns(static_cast<std::size_t>(t.width));
  std::vector<const std::uint8_t*> sourceRows;
  if (t.cosine == 0) {
    sourceRows.resize(static_cast<std::size_t>(t.width));
    for (int x = 0; x < t.width; ++x) sourceRows[x] = read->GetRow(SourceRowOf(t, x, 0));
  } else {
    for (int x = 0; x < t.width; ++x) columns[x] = SourceColumnOf(t, x, 0);
  }
  std::vector<std::uint8_t> column;  // one source column, as a packed row
  for (int j = 0; j < t.height; ++j) {
    std::uint8_t* d = write->GetWriteRow(j);
    if (d == nullptr) continue;
    if (t.cosine == 1 && wholeBuffer) {
      std::memcpy(d, read->GetRow(j), static_cast<std::size_t>(dst->GetBPLine()));
    } else if (t.cosine != 0) {
      const std::uint8_t* s = read->GetRow(SourceRowOf(t, 0, j));
      if (nibbles) {
        rs::NearestRow4(d, s, columns.data(), t.width, false);
      } else {
        rs::NearestRow1(d, s, columns.data(), t.width);
      }
    } else {
      // Every pixel of the row sits in source column c of another row: read
      // them into a packed row, then pack with column indexes 0..width - 1.
      const int c = SourceColumnOf(t, 0, j);
      const int bits = nibbles ? 4 : 1;
      column.assign(static_cast<std::size_t>((t.width * bits + 7) / 8), 0);
      for (int x = 0; x < t.width; ++x) {
        const int shift = 8 - bits - (c * bits & 7);
        const int value = (sourceRows[x][c * bits >> 3] >> shift) & ((1 << bits) - 1);
        column[x * bits >> 3] |= static_cast<std::uint8_t>(value << (8 - bits - (x * bits & 7)));
      }
      std::memcpy(d, column.data(), column.size());
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

}  // namespace

int RotateQuarterFast(WA* dst, const WA* src, int exactCode, const RECT& rect,
                      const TransformProgress& progress) {
  const int type = src->GetType();
  if (dst->GetType() != type) return 0;
  Turn t{static_cast<std::int8_t>((exactCode >> 8) & 0xFF),
         static_cast<std::int8_t>(exactCode & 0xFF), rect, dst->GetW(), dst->GetH()};
  const int rw = rect.right - rect.left;
  const int rh = rect.bottom - rect.top;
  if (t.cosine == 0 ? (rw != t.height || rh != t.width) : (rw != t.width || rh != t.height)) {
    return 0;
  }
  const bool whole = rw == src->GetW() && rh == src->GetH();
  try {
    switch (type) {
      case kWAType24:
        return t.cosine == 0 ? QuarterBytes<3>(dst, src, t, progress)
                             : HalfTurnBytes<3>(dst, src, t, whole, progress);
      case kWAType8Grey:
      case kWAType8Palette:
        return t.cosine == 0 ? QuarterBytes<1>(dst, src, t, progress)
                             : HalfTurnBytes<1>(dst, src, t, whole, progress);
      case kWAType4Bit:
      case kWAType1Bit: return TurnBits(dst, src, t, whole, progress);
      default: return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
