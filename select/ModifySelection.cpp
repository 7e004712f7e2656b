// Modify selection: the padded selection mask, the two filter drivers and
// the operation that ties them to the progress indicator.
#include "select/ModifySelection.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "res/resource.h"

namespace {

struct FragmentRelease {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using Owned = std::unique_ptr<Fragment, FragmentRelease>;

const std::uint8_t* SourceRow(const VrWA2000::WA* buffer, int y) {
  return (y >= 0 && y < buffer->GetH()) ? buffer->Row(y) : nullptr;
}

bool Filterable(const VrWA2000::WA* buffer, int radius) {
  return buffer != nullptr && buffer->GetType() == kWAType8Grey && radius <= kMaxFilterRadius;
}

// Counts a finished row and asks the callback every `every` rows; false
// when the user cancelled.
bool Report(int y, int every, PROGRESSPROC progress, int total, int* counter) {
  ++*counter;
  return progress == nullptr || y % every != 0 || progress(*counter, total) != 0;
}

// Runs the grow filter then the clear filter over each row. The source row
// y + r entering a filter is never one already written (rows below y).
int RunBand(VrWA2000::WA* buffer, int r1, const MaskRowKernel* grow, int r2,
            const MaskRowKernel* clear, PROGRESSPROC progress, int total, int* counter) {
  int localCounter = 0;
  if (counter == nullptr) counter = &localCounter;
  try {
    const int width = buffer->GetW();
    const std::unique_ptr<MaskRowFilter> g = grow->create(width, r1);
    const std::unique_ptr<MaskRowFilter> c = clear->create(width, r2);
    for (int y = -r1; y < r1; ++y) g->PushRow(SourceRow(buffer, y));
    for (int y = -r2; y < r2; ++y) c->PushRow(SourceRow(buffer, y));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width));
    for (int y = 0; y < buffer->GetH(); ++y) {
      g->PushRow(SourceRow(buffer, y + r1));
      c->PushRow(SourceRow(buffer, y + r2));
      g->OutputRow(out.data());
      c->OutputRow(out.data());
      std::memcpy(buffer->Row(y), out.data(), out.size());
      if (!Report(y, 16, progress, total, counter)) return 0;
    }
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

// The mask to filter: the stored selection, thresholded for Border. When a
// combined selection had to be stored complemented, `flipped` says so.
Owned PaddedMask(const Fragment* selection, int margin, bool threshold, bool* flipped) {
  Owned mask(MakePaddedSelectionMask(selection, margin, margin, threshold));
  if (mask) *flipped = IsFrgInverted(mask.get()) != IsFrgInverted(selection);
  return mask;
}

int GrowMargin(int mode, int amount) { return mode == kModifyGrow ? amount : 0; }

}  // namespace

int FilterMaskRows(VrWA2000::WA* buffer, int radius, const MaskRowKernel* kernel,
                   PROGRESSPROC progress, int total, int* counter) {
  if (!Filterable(buffer, radius) || radius <= 0 || kernel == nullptr) return 0;
  int localCounter = 0;
  if (counter == nullptr) counter = &localCounter;
  try {
    const int width = buffer->GetW();
    const std::unique_ptr<MaskRowFilter> filter = kernel->create(width, radius);
    for (int y = -radius; y < radius; ++y) filter->PushRow(SourceRow(buffer, y));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width));
    for (int y = 0; y < buffer->GetH(); ++y) {
      filter->PushRow(SourceRow(buffer, y + radius));
      // A clearing filter updates the row in place: it starts as the source.
      std::memcpy(out.data(), buffer->Row(y), out.size());
      filter->OutputRow(out.data());
      std::memcpy(buffer->Row(y), out.data(), out.size());
      if (!Report(y, 4, progress, total, counter)) return 0;
    }
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int FilterMaskBorder(VrWA2000::WA* buffer, int growRadius, const MaskRowKernel* grow,
                     int clearRadius, const MaskRowKernel* clear, PROGRESSPROC progress, int total,
                     int* counter) {
  if (!Filterable(buffer, clearRadius) || grow == nullptr || clear == nullptr || clearRadius <= 0 ||
      growRadius < 0 || growRadius > clearRadius) {
    return 0;
  }
  return RunBand(buffer, growRadius, grow, clearRadius, clear, progress, total, counter);
}

Fragment* MakePaddedSelectionMask(const Fragment* fragment, int mx, int my, bool threshold) {
  if (fragment == nullptr || mx < 0 || my < 0) return nullptr;
  // A combined selection is first made one mask: its own shape may select
  // everything far away, which a padded rectangle could not hold.
  Owned combined;
  const Fragment* source = fragment;
  if (GetFragmentType(fragment) == kFrgComplex) {
    combined.reset(GetComplexFrgMask(fragment));
    if (!combined) return nullptr;
    source = combined.get();
  }
  LURECT b{};
  if (!GetFragmentBoundRect(fragment, &b)) return nullptr;
  const std::int64_t x = std::int64_t{b.x} - mx, y = std::int64_t{b.y} - my;
  const std::int64_t w = std::int64_t{b.width} + 2 * std::int64_t{mx};
  const std::int64_t h = std::int64_t{b.height} + 2 * std::int64_t{my};
  if (x < INT32_MIN || y < INT32_MIN || w > INT32_MAX || h > INT32_MAX) return nullptr;
  const LURECT rect{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                    static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
  Owned mask(CreateEmptyMask(&rect));
  if (!mask || !PutFragmentToMask(mask.get(), source, kFrgAdd)) return nullptr;
  SetFrgInversion(mask.get(), IsFrgInverted(source));
  if (threshold) {
    VrWA2000::WA* buffer = GetMaskWA(mask.get());
    for (int j = 0; j < buffer->GetH(); ++j) {
      std::uint8_t* row = buffer->Row(j);
      for (int i = 0; i < buffer->GetW(); ++i) row[i] = row[i] > 127 ? 255 : 0;
    }
    buffer->Release();
  }
  return mask.release();
}

Fragment* ModifySelectionMask(const Fragment* selection, int amount, int mode) {
  if (selection == nullptr || amount <= 0 || amount > 2 * kMaxFilterRadius ||
      mode < kModifyBorder || mode > kModifyShrink) {
    return nullptr;
  }
  // Border's band is grown by a / 2 and cleared within (a + 1) / 2; for a
  // selection stored inverted the two radii swap sides (the band of the
  // complement), and the grow side needs the margin.
  const int narrow = amount / 2, wide = (amount + 1) / 2;
  const bool border = mode == kModifyBorder;
  bool flipped = false;
  int margin = border ? (IsFrgInverted(selection) ? wide : narrow) : GrowMargin(mode, amount);
  Owned mask = PaddedMask(selection, margin, border, &flipped);
  if (!mask) return nullptr;
  // The stored mask may be the complement of what the caller chose grow or
  // shrink for: keep the meaning for the selection.
  if (flipped && (mode == kModifyGrow || mode == kModifyShrink)) {
    mode = mode == kModifyGrow ? kModifyShrink : kModifyGrow;
  }
  const bool storedInverted = IsFrgInverted(mask.get()) != 0;
  const int needed = border ? (storedInverted ? wide : narrow) : GrowMargin(mode, amount);
  if (needed != margin) {
    margin = needed;
    mask = PaddedMask(selection, margin, border, &flipped);
    if (!mask) return nullptr;
  }
  VrWA2000::WA* buffer = GetMaskWA(mask.get());
  if (buffer == nullptr) return nullptr;
  ProgressSetCaptionId(IDS_PROCESSING);
  ProgressBeginDefault();
  int counter = 0;
  const int total = buffer->GetH();
  int done = 0;
  if (border) {
    done = storedInverted ? RunBand(buffer, wide, &BorderGrowRow, narrow, &BorderClearRow,
                                    ProgressCallback, total, &counter)
                          : FilterMaskBorder(buffer, narrow, &BorderGrowRow, wide, &BorderClearRow,
                                             ProgressCallback, total, &counter);
  } else {
    const MaskRowKernel* kernel = mode == kModifySmooth ? &SmoothMaskRow
                                  : mode == kModifyGrow ? &ExpandMaskRow
                                                        : &ContractMaskRow;
    done = FilterMaskRows(buffer, amount, kernel, ProgressCallback, total, &counter);
  }
  ProgressEnd();
  buffer->Release();
  if (!done) return nullptr;
  if (border) SetFrgInversion(mask.get(), 0);
  return mask.release();
}
