// Modify selection: Border, Smooth, Expand and Contract turn the selection
// into an 8-bit mask and run a square-window filter over it, row by row.
//
// A radius r means the square of side k = 2r + 1 centred on the pixel;
// pixels outside the mask buffer count as 0 for every filter. The filters
// take the same time per pixel whatever the radius: running minimum and
// maximum by the van Herk / Gil-Werman method, and the rank filter by
// column histograms (with counts of 0 and 255 kept apart, so that the
// histograms are touched only where a window holds partial values).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/pixels/Progress.h"
#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"

// One run of a filter over a buffer: it is handed the source rows in order,
// from row -r (rows outside the buffer as null: zeros), and after row y + r
// it writes output row y. It keeps whatever it needs of earlier rows.
class MaskRowFilter {
 public:
  virtual ~MaskRowFilter() = default;
  virtual void PushRow(const std::uint8_t* row) = 0;
  // Writes (or, for the clearing filter, updates) the output row.
  virtual void OutputRow(std::uint8_t* out) = 0;
};

// A filter kind; `create` makes one run for a width and a radius and may
// throw std::bad_alloc.
struct MaskRowKernel {
  const char* name;
  std::unique_ptr<MaskRowFilter> (*create)(int width, int radius);
};

// The maximum of the square.
extern const MaskRowKernel ExpandMaskRow;
// The minimum of the square.
extern const MaskRowKernel ContractMaskRow;
// 255 when any pixel of the square is non-zero, else 0.
extern const MaskRowKernel BorderGrowRow;
// 0 where every pixel of the square is non-zero; elsewhere the output keeps
// what it held.
extern const MaskRowKernel BorderClearRow;
// The rank value: with n = k * k / 2, the smallest m such that at least n
// pixels of the square are <= m.
extern const MaskRowKernel SmoothMaskRow;

// The operation modes of ModifySelectionMask.
enum : int {
  kModifyBorder = 0,
  kModifySmooth = 1,
  kModifyGrow = 2,    // grow the stored mask (Expand, or Contract of an inverted selection)
  kModifyShrink = 3,  // shrink the stored mask
};

// Radii beyond this are refused (the filters keep about 2k rows).
inline constexpr int kMaxFilterRadius = 1000;

// Filters an 8-bit grey buffer in place with one filter. Returns 1 when
// done, 0 when refused (null buffer or kernel, radius 0 or beyond the
// limit, another buffer type, no memory) or cancelled: the counter grows by
// one per row and, every fourth row, the progress callback is asked with
// (counter, total); an answer of 0 cancels, leaving the rows done so far.
int FilterMaskRows(VrWA2000::WA* buffer, int radius, const MaskRowKernel* kernel,
                   PROGRESSPROC progress, int total, int* counter);

// The band filter: the grow filter of radius r1 writes each output row, the
// clear filter of radius r2 then clears it; the result is selected where a
// pixel within r1 is set and not every pixel within r2 is. Refuses what
// FilterMaskRows refuses (r2 = 0 included) and r1 > r2. Progress every
// 16th row.
int FilterMaskBorder(VrWA2000::WA* buffer, int growRadius, const MaskRowKernel* grow,
                     int clearRadius, const MaskRowKernel* clear, PROGRESSPROC progress, int total,
                     int* counter);

// A new mask fragment of the fragment's selection over its bounding
// rectangle grown by (mx, my) on each side, its inversion copied; with
// `threshold`, pixels above 127 become 255 and the others 0. A combined
// selection that selects everything far away comes back complemented with
// the opposite inversion. Null for a null or empty fragment or no memory.
Fragment* MakePaddedSelectionMask(const Fragment* fragment, int mx, int my, bool threshold);

// A new mask fragment with the selection modified by `amount` pixels in
// `mode`, or null when the selection is null, no mask can be made, the
// filter refuses or the user cancels the progress indicator ("Processing...").
// Grow and shrink act on the selection as the caller chose them for its
// inversion, even where the stored mask had to be complemented. Border
// gives the band along the selection's edge, never inverted.
Fragment* ModifySelectionMask(const Fragment* selection, int amount, int mode);
