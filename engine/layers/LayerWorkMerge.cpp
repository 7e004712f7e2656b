// Committing a brush stroke's work layer into its target layer: blended
// through the work layer's own compositor, or, for a work layer whose
// pixels replace the target's (the eraser's), replaced by its weights.
#include "engine/blend/CompositeKernels.h"
#include "engine/layers/LayerDraw.h"

namespace {

using lumora::detail::ClipTo;
using lumora::detail::Extent;

inline int Div255(int x) {
  return static_cast<int>(lumora::detail::Div255(static_cast<std::uint32_t>(x)));
}

inline std::uint8_t Mix(int work, int target, int w) {
  return static_cast<std::uint8_t>(Div255(work * w + target * (255 - w)));
}

// One row of a buffer placed at `place`, at image column x.
template <class Buffer>
auto RowOf(Buffer* buffer, const RECT& place, LONG y, LONG x, int bytes) {
  return buffer != nullptr
             ? buffer->Row(y - place.top) + static_cast<std::ptrdiff_t>(x - place.left) * bytes
             : nullptr;
}

// The span of a work merge: target rect, work rect and the optional rect,
// then every buffer involved; `found` tells an empty overlap (result 1)
// from buffers that do not reach it (result 0).
bool MergeSpan(const RECT& target, const RECT& work, const RECT* rect,
               std::initializer_list<std::pair<const VrWA2000::WA*, const RECT*>> buffers,
               RECT* span, bool* found) {
  *found = false;
  if (!lumora::RectIntersect(span, target, work)) return false;
  if (rect != nullptr && !ClipTo(span, *rect)) return false;
  *found = true;
  for (const auto& [buffer, place] : buffers) {
    if (buffer != nullptr && !ClipTo(span, Extent(buffer, place->left, place->top))) return false;
  }
  return true;
}

// Plain mode: the work pixel replaces the target's by the work mask times
// the work auxiliary value. Mask mode: pixels and mask values are replaced,
// weighted by the auxiliary value alone.
template <int Bpp>
void ReplaceRow(std::uint8_t* pixel, std::uint8_t* mask, const std::uint8_t* work,
                const std::uint8_t* workMask, const std::uint8_t* workAux, int n, bool maskMode) {
  for (int i = 0; i < n; ++i) {
    std::uint8_t* p = pixel + Bpp * i;
    const std::uint8_t* s = work + Bpp * i;
    if (!maskMode) {
      int w = workMask != nullptr ? workMask[i] : 255;
      if (workAux != nullptr) w = Div255(w * workAux[i]);
      if (w == 0) continue;
      for (int k = 0; k < Bpp; ++k) p[k] = w == 255 ? s[k] : Mix(s[k], p[k], w);
      continue;
    }
    const int m = workMask != nullptr ? workMask[i] : 255;
    const int x = workAux != nullptr ? workAux[i] : 255;
    if (x == 0) continue;
    for (int k = 0; k < Bpp; ++k) p[k] = x == 255 ? s[k] : Mix(s[k], p[k], x);
    mask[i] = x == 255 ? static_cast<std::uint8_t>(m) : Mix(m, mask[i], x);
  }
}

}  // namespace

int CLayer::MergeIntoLayer(CLayer* work, const RECT* rect, int savedCopies) {
  if (work == nullptr) return 1;
  VrWA2000::WA* pixels = savedCopies != 0 ? savedImage_.get() : image_.get();
  VrWA2000::WA* mask = savedCopies != 0 ? savedMask_.get() : mask_.get();
  VrWA2000::WA* workImage = work->image_.get();
  if (workImage == nullptr || pixels == nullptr || pixels->GetType() != workImage->GetType())
    return 0;
  const int bytes = pixels->GetType() == kWAType24 ? 3 : pixels->GetType() == kWAType8Grey ? 1 : 0;
  if (bytes == 0) return 0;
  const bool maskMode = work->IsTransparencyLocked() == 0 && mask != nullptr;
  if (!maskMode) mask = nullptr;
  VrWA2000::WA* workMask = work->mask_.get();
  VrWA2000::WA* workAux = work->aux_.get();
  RECT span;
  bool found = false;
  if (!MergeSpan(rect_, work->rect_, rect,
                 {{pixels, &rect_},
                  {mask, &rect_},
                  {workImage, &work->rect_},
                  {workMask, &work->rect_},
                  {workAux, &work->rect_}},
                 &span, &found)) {
    return found ? 0 : 1;
  }
  const int n = span.right - span.left;
  for (LONG y = span.top; y < span.bottom; ++y) {
    std::uint8_t* p = RowOf(pixels, rect_, y, span.left, bytes);
    std::uint8_t* m = RowOf(mask, rect_, y, span.left, 1);
    const std::uint8_t* s = RowOf(workImage, work->rect_, y, span.left, bytes);
    const std::uint8_t* wm = RowOf(workMask, work->rect_, y, span.left, 1);
    const std::uint8_t* wa = RowOf(workAux, work->rect_, y, span.left, 1);
    if (bytes == 3) {
      ReplaceRow<3>(p, m, s, wm, wa, n, maskMode);
    } else {
      ReplaceRow<1>(p, m, s, wm, wa, n, maskMode);
    }
  }
  return 0;
}

int CLayer::MergeIntoMask(CLayer* work, const RECT* rect, int savedCopies) {
  if (work == nullptr) return 1;
  VrWA2000::WA* workImage = work->image_.get();
  VrWA2000::WA* mask = savedCopies != 0 ? savedMask_.get() : mask_.get();
  if (workImage == nullptr || workImage->GetType() != kWAType8Grey || mask == nullptr) return 0;
  VrWA2000::WA* workAux = work->aux_.get();
  RECT span;
  bool found = false;
  if (!MergeSpan(rect_, work->rect_, rect,
                 {{mask, &rect_}, {workImage, &work->rect_}, {workAux, &work->rect_}}, &span,
                 &found)) {
    return found ? 0 : 1;
  }
  const int n = span.right - span.left;
  for (LONG y = span.top; y < span.bottom; ++y) {
    std::uint8_t* m = RowOf(mask, rect_, y, span.left, 1);
    const std::uint8_t* s = RowOf(workImage, work->rect_, y, span.left, 1);
    const std::uint8_t* a = RowOf(workAux, work->rect_, y, span.left, 1);
    for (int i = 0; i < n; ++i) {
      const int x = a != nullptr ? a[i] : 255;
      if (x != 0) m[i] = x == 255 ? s[i] : Mix(s[i], m[i], x);
    }
  }
  return 0;
}

void CLayer::MergeInto(CLayer* source, int intoMask, int withoutCoverage, int noOwnBlendIf,
                       int noSourceBlendIf) {
  if (source == nullptr || !source->image_) return;
  const int sourceType = source->image_->GetType();
  VrWA2000::WA* dst = intoMask != 0 ? mask_.get() : image_.get();
  if (dst == nullptr) return;
  if (intoMask != 0 ? sourceType != kWAType8Grey : dst->GetType() != sourceType) return;
  // The destination's buffer starts at the rect it is addressed through.
  const RECT& place = intoMask != 0 ? maskRect_ : rect_;
  RECT overlap;
  if (!lumora::RectIntersect(&overlap, place, source->rect_)) return;
  const std::uint32_t ownBlendIf = blend_.blendIfActive;
  const std::uint32_t sourceBlendIf = source->blend_.blendIfActive;
  if (noOwnBlendIf != 0) blend_.blendIfActive = 0;
  if (noSourceBlendIf != 0) source->blend_.blendIfActive = 0;
  if (source->blend_.replace != 0) {
    if (intoMask != 0) {
      MergeIntoMask(source, nullptr, 0);
    } else {
      MergeIntoLayer(source, nullptr, 0);
    }
  } else {
    // Drawn as if this layer's buffers started at 0, 0 of the image plane;
    // the mask is the coverage only where it lies at the layer's rect.
    lumora::detail::DrawArgs args;
    args.dst = dst;
    const bool maskCovers = withoutCoverage == 0 && intoMask == 0 && mask_ &&
                            maskRect_.left == rect_.left && maskRect_.top == rect_.top;
    args.cov = maskCovers ? mask_.get() : nullptr;
    args.shift = POINT{-place.left, -place.top};
    args.rect = lumora::detail::Shifted(overlap, args.shift);
    args.views = false;
    lumora::detail::DrawComposite(*source, args);
  }
  blend_.blendIfActive = ownBlendIf;
  source->blend_.blendIfActive = sourceBlendIf;
}
