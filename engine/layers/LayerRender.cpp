// Rendering the layer stack: the composite pair (the composited image and
// its 8-bit coverage), the render pass that draws every layer from the
// bottom up through its compositor, clipping groups drawn into their base's
// saved copies, and the merged image over a background colour.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "engine/blend/CompositeKernels.h"
#include "engine/layers/LayerDraw.h"
#include "engine/layers/LayerMng.h"

using lumora::DocumentLockScope;
using lumora::IsLayerType;
using lumora::detail::DrawArgs;

namespace lumora {
namespace {

std::atomic<PatternDibLoader> gPatternDibLoader{nullptr};

}  // namespace

void SetPatternDibLoader(PatternDibLoader loader) { gPatternDibLoader.store(loader); }

}  // namespace lumora

namespace {

bool SameShape(const VrWA2000::WA& a, const VrWA2000::WA& b) {
  return a.GetType() == b.GetType() && a.GetW() == b.GetW() && a.GetH() == b.GetH();
}

// A pass draws a rect in strips of rows whose destination and coverage
// stay in the processor's cache while every layer is drawn onto them.
constexpr long kStripBytes = 192 * 1024;
constexpr LONG kMinStripRows = 8;

}  // namespace

struct CLayersManager::RenderPass {
  VrWA2000::WA* image = nullptr;
  VrWA2000::WA* coverage = nullptr;
  bool views = true;  // mask views and highlights are shown
  lumora::MaskHighlight highlight;
};

// ---- The composite pair ----

void CLayersManager::RebuildPatternDib() {
  const lumora::PatternDibLoader loader = lumora::gPatternDibLoader.load();
  patternDib_.clear();
  if (loader != nullptr && compositeImage_) patternDib_ = loader(compositeImage_.get());
}

namespace {

// Writes the fresh (zero) buffer once from top to bottom, so its pages are
// mapped now, in order: the compositing of 256-pixel cells would otherwise
// take every page fault scattered across the image, which costs several
// times more (most of all under Wine).
void FaultIn(VrWA2000::WA* buffer) {
  if (buffer == nullptr) return;
  const auto rowBytes = static_cast<std::size_t>(VrWA2000::BytesPerLineOf(buffer->GetType(), buffer->GetW()));
  for (int y = 0; y < buffer->GetH(); ++y) std::memset(buffer->Row(y), 0, rowBytes);
}

}  // namespace

int CLayersManager::UpdateComposite(int type) {
  DocumentLockScope lock(document_);
  if (notLayerable_ != 0) {
    // The composite of a palette or bitmap image is the active layer's own
    // image, without coverage.
    VrWA2000::WA* image = active_ ? active_->PeekImage() : nullptr;
    if (image == nullptr) return lumora::kLayerNoComposite;
    if (compositeImage_.get() != image) {
      compositeImage_ = WAPtr::Share(image);
      compositeType_ = image->GetType();
    }
    compositeCoverage_.Reset();
    return lumora::kLayerOk;
  }
  if (compositeImage_ && compositeImage_->GetType() == type && compositeImage_->GetW() == width_ &&
      compositeImage_->GetH() == height_) {
    return lumora::kLayerOk;
  }
  compositeImage_.Reset();
  compositeCoverage_.Reset();
  // New buffers start zero-filled: coverage 0 marks every pixel as not yet
  // composited.
  compositeImage_ = WAPtr::Adopt(NewWA(type, width_, height_, nullptr));
  compositeCoverage_ = WAPtr::Adopt(NewWA(kWAType8Grey, width_, height_, nullptr));
  compositeType_ = type;
  FaultIn(compositeImage_.get());
  FaultIn(compositeCoverage_.get());
  SetPackedResolution(compositeImage_.get(), resolution_);
  SetPackedResolution(compositeCoverage_.get(), resolution_);
  RebuildPatternDib();
  return compositeImage_ && compositeCoverage_ ? lumora::kLayerOk : lumora::kLayerNoComposite;
}

void CLayersManager::EnsureComposite() {
  if (!compositeImage_) UpdateComposite(compositeType_);
}

WAPtr CLayersManager::GetCompositeImage() {
  DocumentLockScope lock(document_);
  UpdateComposite(compositeType_);
  return compositeImage_;
}

WAPtr CLayersManager::GetCompositeMask() {
  DocumentLockScope lock(document_);
  UpdateComposite(compositeType_);
  return compositeCoverage_;
}

bool CLayersManager::SetCompositeImage(VrWA2000::WA* image) {
  if (image == nullptr || !IsLayerType(image->GetType())) return false;
  DocumentLockScope lock(document_);
  if (compositeImage_ && !SameShape(*compositeImage_, *image)) return false;
  compositeImage_ = WAPtr::Share(image);
  compositeType_ = image->GetType();
  RebuildPatternDib();
  return true;
}

bool CLayersManager::SetCompositeMask(VrWA2000::WA* coverage) {
  // Coverage is always 8-bit; the compositors clip to its size.
  if (coverage == nullptr || coverage->GetType() != kWAType8Grey) return false;
  DocumentLockScope lock(document_);
  if (compositeCoverage_ && !SameShape(*compositeCoverage_, *coverage)) return false;
  compositeCoverage_ = WAPtr::Share(coverage);
  return true;
}

lumora::MaskHighlight CLayersManager::GetMaskHighlight() const {
  lumora::MaskHighlight highlight;
  const COLORREF colour = PSDColorToRGB(globalMask_.color);
  highlight.red = GetRValue(colour);
  highlight.green = GetGValue(colour);
  highlight.blue = GetBValue(colour);
  highlight.opacity = static_cast<std::uint8_t>(std::min(globalMask_.opacity * 255 / 100, 255));
  return highlight;
}

// ---- Render ----

// The state of the composite pair below the split, per cell: the part of
// the cell drawn so far (`kept`, image coordinates) and its pixels, at the
// cell's full size.
struct CLayersManager::BelowCache {
  static constexpr LONG kCell = CLayersManager::kMoveCell;
  struct Cell {
    RECT kept{0, 0, 0, 0};
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> coverage;
  };
  int split = 0;
  int type = 0;
  std::map<std::pair<LONG, LONG>, Cell> cells;
};

void CLayersManager::BeginMoveRender(const CLayer* lowestMoved) {
  DocumentLockScope lock(document_);
  below_.reset();
  int split = IndexOf(lowestMoved);
  // A paint layer rides on the one below it, a grouped one is drawn into its
  // base: the split comes down to a layer that is drawn on its own.
  while (split > 0 && (layers_[static_cast<std::size_t>(split)]->GetGrouped() != 0 ||
                       layers_[static_cast<std::size_t>(split)]->IsPaint() != 0)) {
    --split;
  }
  if (split <= 0 || notLayerable_ != 0) return;
  below_ = std::make_shared<BelowCache>();
  below_->split = split;
  below_->type = compositeType_;
}

void CLayersManager::EndMoveRender() {
  DocumentLockScope lock(document_);
  below_.reset();
}

bool CLayersManager::BelowCacheUsable() const {
  return below_ && below_->type == compositeType_ && compositeImage_ && compositeCoverage_ &&
         below_->split < GetLayerCount() && notLayerable_ == 0;
}

int CLayersManager::PrepareMoveCells(const RECT& area, int* budget) {
  DocumentLockScope lock(document_);
  try {
    UpdateComposite(compositeType_);
  } catch (...) {
    return 0;
  }
  if (!BelowCacheUsable()) return 0;
  RECT r = area;
  const RECT extent{0, 0, width_, height_};
  if (!lumora::detail::ClipTo(&r, extent) ||
      !lumora::detail::ClipTo(&r, lumora::detail::Extent(compositeImage_.get(), 0, 0)) ||
      !lumora::detail::ClipTo(&r, lumora::detail::Extent(compositeCoverage_.get(), 0, 0))) {
    return 0;
  }
  const LONG size = BelowCache::kCell;
  int remaining = 0;
  for (LONG top = r.top / size * size; top < r.bottom; top += size) {
    for (LONG left = r.left / size * size; left < r.right; left += size) {
      RECT whole{left, top, left + size, top + size};
      lumora::detail::ClipTo(&whole, extent);
      lumora::detail::ClipTo(&whole, lumora::detail::Extent(compositeImage_.get(), 0, 0));
      lumora::detail::ClipTo(&whole, lumora::detail::Extent(compositeCoverage_.get(), 0, 0));
      const auto found = below_->cells.find({left, top});
      if (found != below_->cells.end()) {
        const RECT& k = found->second.kept;
        if (!lumora::RectIsEmpty(k) && k.left <= whole.left && k.top <= whole.top && k.right >= whole.right &&
            k.bottom >= whole.bottom) {
          continue;
        }
      }
      if (*budget <= 0) {
        ++remaining;
        continue;
      }
      // The layers above are drawn again over the cell too, so the
      // composite there ends as the full pass leaves it.
      Render(whole);
      --*budget;
      if (!BelowCacheUsable()) return 0;
    }
  }
  return remaining;
}

void CLayersManager::Render(const RECT& rect) {
  DocumentLockScope lock(document_);
  try {
    UpdateComposite(compositeType_);
    if (!compositeImage_ || notLayerable_ != 0) return;
    if (BelowCacheUsable()) {
      RECT r = rect;
      if (!lumora::detail::ClipTo(&r, RECT{0, 0, width_, height_}) ||
          !lumora::detail::ClipTo(&r, lumora::detail::Extent(compositeImage_.get(), 0, 0)) ||
          !lumora::detail::ClipTo(&r, lumora::detail::Extent(compositeCoverage_.get(), 0, 0))) {
        return;
      }
      RenderPass pass;
      pass.image = compositeImage_.get();
      pass.coverage = compositeCoverage_.get();
      pass.views = true;
      pass.highlight = GetMaskHighlight();
      const LONG cell = BelowCache::kCell;
      for (LONG top = r.top / cell * cell; top < r.bottom; top += cell) {
        for (LONG left = r.left / cell * cell; left < r.right; left += cell) {
          RECT piece{std::max(left, r.left), std::max(top, r.top), std::min(left + cell, r.right),
                     std::min(top + cell, r.bottom)};
          RenderRows(pass, RestoreBelow(pass, piece), below_->split, -1);
        }
      }
      return;
    }
    RenderInto(compositeImage_.get(), compositeCoverage_.get(), rect, true);
  } catch (...) {
    // A failure leaves the composite as it was.
  }
}

RECT CLayersManager::RestoreBelow(const RenderPass& pass, const RECT& piece) {
  const LONG size = BelowCache::kCell;
  const LONG left = piece.left / size * size, top = piece.top / size * size;
  BelowCache::Cell& cell = below_->cells[{left, top}];
  const std::size_t bytes = pass.image->GetType() == kWAType24 ? 3 : 1;
  const RECT& k = cell.kept;
  const bool holds = !lumora::RectIsEmpty(k) && piece.left >= k.left && piece.right <= k.right && piece.top >= k.top &&
                     piece.bottom <= k.bottom;
  if (!holds) {
    // The part below is drawn over the whole cell at once and kept: the
    // moved rectangles reach a little further into the cell at every step.
    RECT wanted{left, top, left + size, top + size};
    if (!lumora::detail::ClipTo(&wanted, RECT{0, 0, width_, height_}) ||
        !lumora::detail::ClipTo(&wanted, lumora::detail::Extent(pass.image, 0, 0)) ||
        !lumora::detail::ClipTo(&wanted, lumora::detail::Extent(pass.coverage, 0, 0))) {
      wanted = piece;
    }
    lumora::RectUnion(&wanted, wanted, piece);
    RenderRows(pass, wanted, 0, below_->split);
    if (cell.image.empty()) {
      cell.image.resize(static_cast<std::size_t>(size * size) * bytes);
      cell.coverage.resize(static_cast<std::size_t>(size * size));
    }
    for (LONG y = wanted.top; y < wanted.bottom; ++y) {
      const std::size_t at = static_cast<std::size_t>((y - top) * size + (wanted.left - left));
      const std::size_t n = static_cast<std::size_t>(wanted.right - wanted.left);
      std::memcpy(cell.image.data() + at * bytes, pass.image->Row(y) + wanted.left * bytes, n * bytes);
      std::memcpy(cell.coverage.data() + at, pass.coverage->Row(y) + wanted.left, n);
    }
    cell.kept = wanted;
    return wanted;  // the buffers hold the state below over all of it now
  }
  for (LONG y = piece.top; y < piece.bottom; ++y) {
    const std::size_t at = static_cast<std::size_t>((y - top) * size + (piece.left - left));
    const std::size_t n = static_cast<std::size_t>(piece.right - piece.left);
    std::memcpy(pass.image->Row(y) + piece.left * bytes, cell.image.data() + at * bytes, n * bytes);
    std::memcpy(pass.coverage->Row(y) + piece.left, cell.coverage.data() + at, n);
  }
  return piece;
}

void CLayersManager::RenderRows(const RenderPass& pass, const RECT& r, int from, int stopAt) {
  const long rowBytes =
      static_cast<long>(lumora::RectWidth(r)) * (pass.image->GetType() == kWAType24 ? 4 : 2);
  const LONG rows = std::max<LONG>(kMinStripRows, static_cast<LONG>(kStripBytes / rowBytes));
  for (LONG top = r.top; top < r.bottom; top += rows) {
    RenderStrip(pass, RECT{r.left, top, r.right, std::min(top + rows, r.bottom)}, from, stopAt);
  }
}

void CLayersManager::RenderInto(VrWA2000::WA* image, VrWA2000::WA* coverage, const RECT& rect,
                                bool views) {
  RECT r = rect;
  if (!lumora::detail::ClipTo(&r, RECT{0, 0, width_, height_}) ||
      !lumora::detail::ClipTo(&r, lumora::detail::Extent(image, 0, 0))) {
    return;
  }
  RenderPass pass;
  pass.image = image;
  pass.coverage = coverage;
  pass.views = views;
  pass.highlight = GetMaskHighlight();
  RenderRows(pass, r, 0, -1);
}

void CLayersManager::RenderStrip(const RenderPass& pass, const RECT& strip, int from, int stopAt) {
  if (pass.coverage != nullptr && from == 0) {
    RECT c = strip;
    if (lumora::detail::ClipTo(&c, lumora::detail::Extent(pass.coverage, 0, 0))) {
      for (LONG y = c.top; y < c.bottom; ++y) {
        std::memset(pass.coverage->Row(y) + c.left, 0, static_cast<std::size_t>(c.right - c.left));
      }
    }
  }
  // A work layer is drawn only as the rider of the layer below it; a
  // clipping group is drawn into its base before the base is drawn.
  CLayer* pending = nullptr;
  CLayer* rider = nullptr;
  int position = from;
  const int count = GetLayerCount();
  while (position < count) {
    CLayer* layer = layers_[static_cast<std::size_t>(position)];
    if (position == stopAt) break;  // a layer drawn on its own: nothing below waits for it
    if (layer->GetGrouped() == 0 || pending == nullptr) {
      ++position;
      if (layer->IsPaint() != 0) {
        rider = layer;
        continue;
      }
      if (pending != nullptr) DrawPending(pass, pending, rider, strip);
      pending = layer;
      rider = nullptr;
      continue;
    }
    if (layer->IsMask() != 0) {
      rider = layer;
    } else if (pass.views && pending->GetHideLayerChannels() != 0 && layer->IsPaint() != 0 &&
               layer->IsTransparencyLocked() == 0) {
      rider = layer;
    }
    DrawClippingGroup(pending, strip, &position, layers_, pass.views);
  }
  if (pending != nullptr) DrawPending(pass, pending, rider, strip);
}

void CLayersManager::DrawPending(const RenderPass& pass, CLayer* layer, CLayer* rider,
                                 const RECT& rect) {
  DrawArgs args;
  args.dst = pass.image;
  args.cov = pass.coverage;
  args.rect = rect;
  args.rider = rider;
  args.views = pass.views;
  lumora::detail::DrawComposite(*layer, args);
  if (pass.views && layer->IsVisible() != 0 && layer->GetMaskHighlight() != 0) {
    lumora::detail::DrawHighlight(*layer, args, pass.highlight);
  }
}

void CLayersManager::CompositeClippingGroup(CLayer* base, const RECT& rect, int* position,
                                            const std::vector<CLayer*>& list, int flag) {
  DocumentLockScope lock(document_);
  DrawClippingGroup(base, rect, position, list, flag == 0);
}

void CLayersManager::DrawClippingGroup(CLayer* base, const RECT& rect, int* position,
                                       const std::vector<CLayer*>& list, bool views) {
  const int count = static_cast<int>(list.size());
  int& pos = *position;
  if (base == nullptr || pos < 0 || pos >= count) return;
  const WAPtr savedImage = base->SaveImageCopy(rect);
  if (!savedImage || base->IsVisible() == 0 || (views && base->GetHideLayerChannels() != 0)) {
    while (pos < count && list[static_cast<std::size_t>(pos)]->GetGrouped() != 0) ++pos;
    return;
  }
  // A paint work layer first in the group is the stroke on the base: it
  // draws into the base's saved mask copy too, unless its transparency is
  // locked; a replacing one is merged into the saved copies at once.
  CLayer* first = list[static_cast<std::size_t>(pos)];
  CLayer* groupWork = first->IsPaint() != 0 && first->IsMask() == 0 ? first : nullptr;
  WAPtr groupCoverage;
  bool maskRefreshed = false;
  if (groupWork != nullptr &&
      !(groupWork->IsTransparencyLocked() != 0 && groupWork->GetReplace() == 0)) {
    groupCoverage = base->SaveMaskCopy(rect);
    maskRefreshed = true;
    if (groupWork->GetReplace() != 0) {
      base->MergeIntoLayer(groupWork, &rect, 1);
      groupWork = nullptr;
      groupCoverage.Reset();
    }
  }
  // The saved mask copy stands for the mask while it exists: keep it
  // current over the rect.
  if (!maskRefreshed && base->PeekSavedMask() != nullptr && base->PeekMask() != nullptr) {
    base->SaveMaskCopy(rect);
  }
  RECT clipped;
  const bool draws = lumora::RectIntersect(&clipped, rect, base->GetRect());
  const POINT shift{-base->GetRect().left, -base->GetRect().top};
  lumora::RectOffset(&clipped, shift.x, shift.y);
  for (; pos < count; ++pos) {
    CLayer* member = list[static_cast<std::size_t>(pos)];
    if (member->GetGrouped() == 0) break;
    CLayer* above = pos + 1 < count ? list[static_cast<std::size_t>(pos + 1)] : nullptr;
    CLayer* rider = above != nullptr && above->IsPaint() != 0 ? above : nullptr;
    if (member->IsPaint() != 0 && member != groupWork) continue;  // drawn only as a rider
    if (draws) {
      DrawArgs args;
      args.dst = savedImage.get();
      args.cov = groupCoverage.get();
      args.rect = clipped;
      args.rider = rider;
      args.shift = shift;
      args.views = views;
      lumora::detail::DrawComposite(*member, args);
    }
    // Only the first member drawn changes the base's coverage.
    groupCoverage.Reset();
  }
}

// ---- The merged image ----

namespace lumora::detail {

void OverBackground(VrWA2000::WA* image, const VrWA2000::WA* coverage, std::uint8_t red,
                    std::uint8_t green, std::uint8_t blue) {
  const int bytes = image->GetType() == kWAType24 ? 3 : 1;
  const std::uint8_t background[3] = {bytes == 3 ? blue : red, green, red};
  const int width = std::min(image->GetW(), coverage->GetW());
  const int height = std::min(image->GetH(), coverage->GetH());
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = image->Row(y);
    const std::uint8_t* c = coverage->Row(y);
    for (int x = 0; x < width; ++x, p += bytes) {
      // Eight fully covered pixels at once stay as they are.
      std::uint64_t eight = 0;
      if (x + 8 <= width && (std::memcpy(&eight, c + x, 8), eight == ~std::uint64_t{0})) {
        x += 7;
        p += 7 * bytes;
        continue;
      }
      const int a = c[x];
      if (a == 255) continue;
      for (int k = 0; k < bytes; ++k) {
        p[k] = static_cast<std::uint8_t>(lumora::Div255(
            static_cast<std::uint32_t>(background[k] * (255 - a) + p[k] * a)));
      }
    }
  }
}

}  // namespace lumora::detail

WAPtr CLayersManager::CreateMergedImage(int copy, std::uint8_t red, std::uint8_t green,
                                        std::uint8_t blue) {
  return CreateMergedImage(copy, red, green, blue, nullptr);
}

WAPtr CLayersManager::CreateMergedImage(int copy, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        WAPtr* coverageOut) {
  DocumentLockScope lock(document_);
  if (coverageOut != nullptr) *coverageOut = nullptr;
  if (notLayerable_ != 0 || IsFlat()) {
    if (!active_ || active_->PeekImage() == nullptr) return nullptr;
    if (copy == 0) return active_->GetImage();
    return WAPtr::Adopt(CloneWA(active_->PeekImage()));
  }
  // Rendered afresh over the whole image: the screen's composite may hold
  // cells not yet rendered, and the mask views are for the screen only.
  const int type = IsLayerType(compositeType_) ? compositeType_ : imageType_;
  WAPtr image = WAPtr::Adopt(NewWA(type, width_, height_, nullptr));
  const WAPtr coverage = WAPtr::Adopt(NewWA(kWAType8Grey, width_, height_, nullptr));
  if (!image || !coverage) return nullptr;
  SetPackedResolution(image.get(), resolution_);
  RenderInto(image.get(), coverage.get(), RECT{0, 0, width_, height_}, false);
  lumora::detail::OverBackground(image.get(), coverage.get(), red, green, blue);
  if (coverageOut != nullptr) *coverageOut = coverage;
  return image;
}
