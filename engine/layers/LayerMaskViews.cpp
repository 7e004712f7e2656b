// The mask views of the layer compositors: the mask shown alone as grey,
// and the mask highlight (the masked-out part tinted over the destination),
// each also with the stroke of a work layer that is changing the mask.
#include <algorithm>

#include "engine/blend/CompositeKernels.h"
#include "engine/blend/CompositeRows.h"
#include "engine/layers/LayerDraw.h"
#include "engine/pixels/RowConverters.h"

namespace lumora::detail {
namespace {

std::uint8_t* RowAt(VrWA2000::WA* buffer, LONG row, LONG column) {
  return buffer->Row(row) + column;
}

// The mask value scaled by the auxiliary value: aux * m / 255.
inline int MaskValue(const std::uint8_t* mask, const std::uint8_t* aux, int i) {
  return aux != nullptr ? static_cast<int>(Div255(static_cast<std::uint32_t>(aux[i] * mask[i])))
                        : mask[i];
}

// The rider's rows over one row of the overlap.
struct RiderRows {
  const std::uint8_t* pixels = nullptr;  // only for a mask work layer
  const std::uint8_t* mask = nullptr;
  const std::uint8_t* aux = nullptr;
};

// The rider's buffers that the mask views read, and the rows of one line.
class MaskRider {
 public:
  MaskRider(CLayer& rider, const RECT& place)
      : rider_(rider),
        place_(place),
        isMask_(rider.IsMask() != 0),
        pixels_(isMask_ ? rider.PeekImage() : nullptr),
        mask_(rider.HasMask() != 0 ? rider.PeekMask() : nullptr),
        aux_(rider.PeekAux()) {
    rider.EnsureBlendFunction();
  }
  // Clips r to every rider buffer; false when nothing is left (or a mask
  // work layer's image is not 8-bit).
  bool Clip(RECT* r) const {
    if (isMask_ && (pixels_ == nullptr || pixels_->GetType() != kWAType8Grey)) return false;
    for (const VrWA2000::WA* buffer : {pixels_, mask_, aux_}) {
      if (buffer != nullptr && !ClipTo(r, Extent(buffer, place_.left, place_.top))) return false;
    }
    return true;
  }
  RiderRows Rows(LONG y, LONG x) const {
    const LONG ry = y - place_.top, rx = x - place_.left;
    RiderRows rows;
    if (pixels_ != nullptr) rows.pixels = RowAt(pixels_, ry, rx);
    if (mask_ != nullptr) rows.mask = RowAt(mask_, ry, rx);
    if (aux_ != nullptr) rows.aux = RowAt(aux_, ry, rx);
    return rows;
  }
  // The mask value m with the stroke merged in; (column, row) place the
  // value in the rider's buffer.
  int Merge(int m, const RiderRows& rows, int i, int column, int row) const {
    const std::uint8_t* w1 = rows.mask != nullptr ? rows.mask + i : nullptr;
    const std::uint8_t* w2 = rows.aux != nullptr ? rows.aux + i : nullptr;
    const BlendContext& blend = rider_.GetBlendContext();
    if (isMask_) return BlendValue8(m, blend, rows.pixels[i], w1, w2, column + i, row);
    return MergeCoverage8(m, blend, w1, w2);
  }
  LONG Left() const { return place_.left; }
  LONG Top() const { return place_.top; }

 private:
  CLayer& rider_;
  RECT place_;
  bool isMask_;
  VrWA2000::WA* pixels_;
  VrWA2000::WA* mask_;
  VrWA2000::WA* aux_;
};

// The highlight colour in destination byte order (blue, green, red), or its
// grey for one-byte pixels.
template <int Bpp>
void HighlightBytes(const MaskHighlight& h, int out[3]) {
  if constexpr (Bpp == 3) {
    out[0] = h.blue, out[1] = h.green, out[2] = h.red;
  } else {
    out[0] = Luminance(h.red, h.green, h.blue);
  }
}

// The tint of opacity a over pixel d with coverage c (the over operator):
// T = 65025 - (255 - c)(255 - a); each byte (d c (255 - a) + h a 255) / T;
// the coverage T / 255. T is at least 255.
template <int Bpp>
void Tint(std::uint8_t* d, std::uint8_t* c, int a, const int colour[3]) {
  const int cov = *c;
  const int t = 65025 - (255 - cov) * (255 - a);
  const int keep = cov * (255 - a), add = a * 255;
  for (int k = 0; k < Bpp; ++k)
    d[k] = static_cast<std::uint8_t>((d[k] * keep + colour[k] * add) / t);
  *c = static_cast<std::uint8_t>(Div255(static_cast<std::uint32_t>(t)));
}

inline int HighlightAlpha(int m, int opacity) {
  return static_cast<int>(Div255(static_cast<std::uint32_t>((255 - m) * opacity)));
}

// The highlight views draw only onto a coverage buffer, for a layer whose
// mask is highlighted and not shown alone.
bool HighlightShows(const CLayer& layer, const DrawArgs& args) {
  return args.views && args.cov != nullptr && layer.HasMask() != 0 && layer.PeekMask() != nullptr &&
         layer.GetMaskHighlight() != 0 && layer.GetHideLayerChannels() == 0;
}

// Draws the non-empty bands of q minus r with `draw`; the first non-zero
// result ends it.
template <class Draw>
int DrawBands(const DrawArgs& args, const RECT& q, const RECT& r, Draw draw) {
  RECT bands[4];
  GetBorderRects(q, r, &bands[0], &bands[1], &bands[2], &bands[3]);
  for (const RECT& band : bands) {
    if (RectIsEmpty(band)) continue;
    DrawArgs part = args;
    part.rect = band;
    const int result = draw(part);
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace

template <int Bpp>
int DrawMaskOnlyT(CLayer& layer, const DrawArgs& args) {
  VrWA2000::WA* mask = layer.PeekMask();
  if (mask == nullptr) return 0;
  const RECT place = Shifted(layer.GetMaskRect(), args.shift);
  RECT r = args.rect;
  if (!ClipTo(&r, place) || !ClipToDestination<Bpp>(&r, args) ||
      !ClipTo(&r, Extent(mask, place.left, place.top))) {
    return 0;
  }
  const int n = r.right - r.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    std::uint8_t* d = args.dst->Row(y) + Bpp * r.left;
    const std::uint8_t* m = RowAt(mask, y - place.top, r.left - place.left);
    if (args.cov != nullptr) std::fill_n(RowAt(args.cov, y, r.left), n, std::uint8_t{255});
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < Bpp; ++k) d[Bpp * i + k] = m[i];
    }
  }
  return 0;
}

template <int Bpp>
int DrawMaskOnlyRiderT(CLayer& layer, const DrawArgs& args) {
  if (!RiderChangesMask(args.rider)) return DrawMaskOnlyT<Bpp>(layer, args);
  VrWA2000::WA* mask = layer.PeekMask();
  if (mask == nullptr) return 0;
  const RECT place = Shifted(layer.GetRect(), args.shift);
  const RECT maskPlace = Shifted(layer.GetMaskRect(), args.shift);
  VrWA2000::WA* aux = layer.PeekAux();
  const MaskRider rider(*args.rider, Shifted(args.rider->GetRect(), args.shift));
  RECT r = args.rect;
  const bool overlap =
      ClipTo(&r, Shifted(args.rider->GetRect(), args.shift)) && ClipTo(&r, place) &&
      ClipToDestination<Bpp>(&r, args) && ClipTo(&r, Extent(mask, maskPlace.left, maskPlace.top)) &&
      (aux == nullptr || ClipTo(&r, Extent(aux, maskPlace.left, maskPlace.top))) && rider.Clip(&r);
  if (!overlap) return DrawMaskOnlyT<Bpp>(layer, args);
  RECT q = args.rect;
  if (!ClipTo(&q, place) || !ClipToDestination<Bpp>(&q, args)) return 0;
  const int banded = DrawBands(
      args, q, r, [&layer](const DrawArgs& part) { return DrawMaskOnlyT<Bpp>(layer, part); });
  if (banded != 0) return banded;
  const int n = r.right - r.left;
  const LONG mx = r.left - maskPlace.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    std::uint8_t* d = args.dst->Row(y) + Bpp * r.left;
    const std::uint8_t* m = RowAt(mask, y - maskPlace.top, mx);
    const std::uint8_t* a = aux != nullptr ? RowAt(aux, y - maskPlace.top, mx) : nullptr;
    const RiderRows rows = rider.Rows(y, r.left);
    if (args.cov != nullptr) std::fill_n(RowAt(args.cov, y, r.left), n, std::uint8_t{255});
    for (int i = 0; i < n; ++i) {
      const int v =
          rider.Merge(MaskValue(m, a, i), rows, i, r.left - rider.Left(), y - rider.Top());
      for (int k = 0; k < Bpp; ++k) d[Bpp * i + k] = static_cast<std::uint8_t>(v);
    }
  }
  return 0;
}

template <int Bpp>
int DrawMaskHighlightT(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight) {
  if (!HighlightShows(layer, args)) return 0;
  VrWA2000::WA* mask = layer.PeekMask();
  VrWA2000::WA* aux = layer.PeekAux();
  const RECT place = Shifted(layer.GetMaskRect(), args.shift);
  RECT r = args.rect;
  if (!ClipTo(&r, place) || !ClipToDestination<Bpp>(&r, args) ||
      !ClipTo(&r, Extent(mask, place.left, place.top)) ||
      (aux != nullptr && !ClipTo(&r, Extent(aux, place.left, place.top)))) {
    return 0;
  }
  int colour[3];
  HighlightBytes<Bpp>(highlight, colour);
  const int n = r.right - r.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    std::uint8_t* d = args.dst->Row(y) + Bpp * r.left;
    std::uint8_t* c = RowAt(args.cov, y, r.left);
    const std::uint8_t* m = RowAt(mask, y - place.top, r.left - place.left);
    const std::uint8_t* a =
        aux != nullptr ? RowAt(aux, y - place.top, r.left - place.left) : nullptr;
    for (int i = 0; i < n; ++i) {
      const int alpha = HighlightAlpha(MaskValue(m, a, i), highlight.opacity);
      if (alpha != 0) Tint<Bpp>(d + Bpp * i, c + i, alpha, colour);
    }
  }
  return 0;
}

template <int Bpp>
int CompositeHighlightT(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight) {
  if (!RiderChangesMask(args.rider)) return DrawMaskHighlightT<Bpp>(layer, args, highlight);
  if (!HighlightShows(layer, args)) return 0;
  auto fallBack = [&layer, &highlight](const DrawArgs& part) {
    return DrawMaskHighlightT<Bpp>(layer, part, highlight);
  };
  VrWA2000::WA* mask = layer.PeekMask();
  VrWA2000::WA* aux = layer.PeekAux();
  const RECT place = Shifted(layer.GetRect(), args.shift);
  const RECT riderPlace = Shifted(args.rider->GetRect(), args.shift);
  const MaskRider rider(*args.rider, riderPlace);
  RECT r = args.rect;
  const bool overlap =
      ClipTo(&r, riderPlace) && ClipTo(&r, place) && ClipToDestination<Bpp>(&r, args) &&
      ClipTo(&r, Extent(mask, place.left, place.top)) &&
      (aux == nullptr || ClipTo(&r, Extent(aux, place.left, place.top))) && rider.Clip(&r);
  RECT q = args.rect;
  if (!overlap || !ClipTo(&q, place) || !ClipToDestination<Bpp>(&q, args)) return fallBack(args);
  const int banded = DrawBands(args, q, r, fallBack);
  if (banded != 0) return banded;
  int colour[3];
  HighlightBytes<Bpp>(highlight, colour);
  const int n = r.right - r.left;
  const LONG x = r.left - place.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    std::uint8_t* d = args.dst->Row(y) + Bpp * r.left;
    std::uint8_t* c = RowAt(args.cov, y, r.left);
    const std::uint8_t* m = RowAt(mask, y - place.top, x);
    const std::uint8_t* a = aux != nullptr ? RowAt(aux, y - place.top, x) : nullptr;
    const RiderRows rows = rider.Rows(y, r.left);
    for (int i = 0; i < n; ++i) {
      const int v =
          rider.Merge(MaskValue(m, a, i), rows, i, r.left - rider.Left(), y - rider.Top());
      const int alpha = HighlightAlpha(v, highlight.opacity);
      if (alpha != 0) Tint<Bpp>(d + Bpp * i, c + i, alpha, colour);
    }
  }
  return 0;
}

template int DrawMaskOnlyT<3>(CLayer&, const DrawArgs&);
template int DrawMaskOnlyT<1>(CLayer&, const DrawArgs&);
template int DrawMaskOnlyRiderT<3>(CLayer&, const DrawArgs&);
template int DrawMaskOnlyRiderT<1>(CLayer&, const DrawArgs&);
template int DrawMaskHighlightT<3>(CLayer&, const DrawArgs&, const MaskHighlight&);
template int DrawMaskHighlightT<1>(CLayer&, const DrawArgs&, const MaskHighlight&);
template int CompositeHighlightT<3>(CLayer&, const DrawArgs&, const MaskHighlight&);
template int CompositeHighlightT<1>(CLayer&, const DrawArgs&, const MaskHighlight&);

}  // namespace lumora::detail

// ---- The members ----

using lumora::detail::MemberArgs;

int CLayer::DrawMaskOnly24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect) {
  return rect != nullptr
             ? lumora::detail::DrawMaskOnlyT<3>(*this, MemberArgs(dst, cov, *rect, nullptr))
             : 0;
}
int CLayer::DrawMaskOnly8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect) {
  return rect != nullptr
             ? lumora::detail::DrawMaskOnlyT<1>(*this, MemberArgs(dst, cov, *rect, nullptr))
             : 0;
}
int CLayer::DrawMaskOnlyRider24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                                CLayer* rider) {
  return rect != nullptr
             ? lumora::detail::DrawMaskOnlyRiderT<3>(*this, MemberArgs(dst, cov, *rect, rider))
             : 0;
}
int CLayer::DrawMaskOnlyRider8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                               CLayer* rider) {
  return rect != nullptr
             ? lumora::detail::DrawMaskOnlyRiderT<1>(*this, MemberArgs(dst, cov, *rect, rider))
             : 0;
}
int CLayer::DrawMaskHighlight24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                                const lumora::MaskHighlight& highlight) {
  return rect != nullptr ? lumora::detail::DrawMaskHighlightT<3>(
                               *this, MemberArgs(dst, cov, *rect, nullptr), highlight)
                         : 0;
}
int CLayer::DrawMaskHighlight8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                               const lumora::MaskHighlight& highlight) {
  return rect != nullptr ? lumora::detail::DrawMaskHighlightT<1>(
                               *this, MemberArgs(dst, cov, *rect, nullptr), highlight)
                         : 0;
}
int CLayer::CompositeHighlight24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                                 CLayer* rider, const lumora::MaskHighlight& highlight) {
  return rect != nullptr ? lumora::detail::CompositeHighlightT<3>(
                               *this, MemberArgs(dst, cov, *rect, rider), highlight)
                         : 0;
}
int CLayer::CompositeHighlight8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                                CLayer* rider, const lumora::MaskHighlight& highlight) {
  return rect != nullptr ? lumora::detail::CompositeHighlightT<1>(
                               *this, MemberArgs(dst, cov, *rect, rider), highlight)
                         : 0;
}
