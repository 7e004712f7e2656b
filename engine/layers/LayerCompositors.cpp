// The layer compositors: a layer drawn over a rect onto a destination image
// and its coverage, alone (the rectangle entry) or with the stroke of a
// work layer riding on it (the render entry). Row pointers are taken once
// per row and the row loops chosen once per row; the pixels are blended by
// the row loops of CompositeRows.h.
#include <algorithm>

#include "engine/blend/CompositeRows.h"
#include "engine/layers/LayerDraw.h"

namespace lumora::detail {
namespace {

// The layer's pixel sources over a shifted rect: the saved copies stand in
// for image and mask while they exist.
struct Sources {
  VrWA2000::WA* pixels = nullptr;
  VrWA2000::WA* mask = nullptr;
  VrWA2000::WA* aux = nullptr;
};

// Clips r to the extents of every source placed at the layer's top-left.
bool ClipToSources(RECT* r, const Sources& s, const RECT& place) {
  for (const VrWA2000::WA* buffer : {s.pixels, s.mask, s.aux}) {
    if (buffer != nullptr && !ClipTo(r, Extent(buffer, place.left, place.top))) return false;
  }
  return true;
}

template <int Bpp>
bool PixelsFit(const VrWA2000::WA* pixels) {
  return pixels != nullptr && pixels->GetType() == (Bpp == 3 ? kWAType24 : kWAType8Grey);
}

std::uint8_t* RowAt(VrWA2000::WA* buffer, LONG row, LONG column, int bytes) {
  return buffer->Row(row) + static_cast<std::ptrdiff_t>(column) * bytes;
}

// The rider loop for the rider's flags.
template <int Bpp>
void RunRiderRow(const BlendContext& layer, RiderRowRecord& record, const CLayer& rider) {
  const bool locked = rider.IsTransparencyLocked() != 0;
  const bool replace = rider.GetReplace() != 0;
  if (!locked && !replace) {
    Bpp == 3 ? CompositeBlendRiderRow24(layer, record) : CompositeBlendRiderRow8(layer, record);
  } else if (!locked) {
    Bpp == 3 ? CompositeRiderRow24(layer, record, 0) : CompositeRiderRow8(layer, record, 0);
  } else if (!replace || rider.IsMask() != 0) {
    Bpp == 3 ? CompositeWorkRow24(layer, record) : CompositeWorkRow8(layer, record);
  } else {
    Bpp == 3 ? CompositeRiderRow24(layer, record, 1) : CompositeRiderRow8(layer, record, 1);
  }
}

// The rows of r with the rider's stroke merged in; r lies inside every
// buffer involved.
template <int Bpp>
void RiderRows(CLayer& layer, const DrawArgs& args, const RECT& r, const Sources& s,
               const RECT& place, CLayer& rider, const RECT& riderPlace) {
  VrWA2000::WA* riderImage = rider.PeekImage();
  VrWA2000::WA* riderMask = rider.HasMask() != 0 ? rider.PeekMask() : nullptr;
  VrWA2000::WA* riderAux = rider.PeekAux();
  const int riderBytes = riderImage->GetType() == kWAType24 ? 3 : 1;
  rider.EnsureBlendFunction();
  const BlendContext& blend = layer.GetBlendContext();
  RiderRowRecord rec;
  rec.forceOpaque = (layer.GetMaskFlags() & kMaskDisabled) != 0 ? 1 : 0;
  rec.n = r.right - r.left;
  rec.rider = &rider.GetBlendContext();
  rec.riderBytesPerPixel = riderBytes;
  rec.riderIsMask = rider.IsMask() != 0;
  rec.riderLocked = rider.IsTransparencyLocked() != 0;
  const LONG x = r.left - place.left, riderX = r.left - riderPlace.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    const LONG ly = y - place.top, ry = y - riderPlace.top;
    rec.dst = RowAt(args.dst, y, r.left, Bpp);
    rec.src = RowAt(s.pixels, ly, x, Bpp);
    rec.weight1 = s.mask != nullptr ? RowAt(s.mask, ly, x, 1) : nullptr;
    rec.weight2 = s.aux != nullptr ? RowAt(s.aux, ly, x, 1) : nullptr;
    rec.coverage = args.cov != nullptr ? RowAt(args.cov, y, r.left, 1) : nullptr;
    rec.riderPixels = RowAt(riderImage, ry, riderX, riderBytes);
    rec.riderWeight1 = riderMask != nullptr ? RowAt(riderMask, ry, riderX, 1) : nullptr;
    rec.riderWeight2 = riderAux != nullptr ? RowAt(riderAux, ry, riderX, 1) : nullptr;
    rec.x = x, rec.y = ly, rec.riderX = riderX, rec.riderY = ry;
    RunRiderRow<Bpp>(blend, rec, rider);
  }
}

}  // namespace

template <int Bpp>
int CompositeRectT(CLayer& layer, const DrawArgs& args) {
  if (layer.IsVisible() == 0) return 0;
  if (args.views && layer.GetHideLayerChannels() != 0) return DrawMaskOnlyT<Bpp>(layer, args);
  const RECT place = Shifted(layer.GetRect(), args.shift);
  RECT r = args.rect;
  if (!ClipTo(&r, place) || !ClipToDestination<Bpp>(&r, args)) return 0;
  Sources s;
  s.pixels = layer.PeekSavedImage() != nullptr ? layer.PeekSavedImage() : layer.PeekImage();
  if (!PixelsFit<Bpp>(s.pixels)) return 0;
  // With the mask disabled or absent neither the mask nor the auxiliary
  // buffer takes part.
  if (layer.IsMaskEnabled() != 0) {
    s.mask = layer.PeekSavedMask() != nullptr ? layer.PeekSavedMask() : layer.PeekMask();
    s.aux = layer.PeekAux();
  }
  if (!ClipToSources(&r, s, place)) return 0;
  layer.EnsureBlendFunction();
  const BlendContext& blend = layer.GetBlendContext();
  const int n = r.right - r.left;
  const LONG x = r.left - place.left;
  for (LONG y = r.top; y < r.bottom; ++y) {
    const LONG ly = y - place.top;
    std::uint8_t* d = RowAt(args.dst, y, r.left, Bpp);
    const std::uint8_t* p = RowAt(s.pixels, ly, x, Bpp);
    const std::uint8_t* m = s.mask != nullptr ? RowAt(s.mask, ly, x, 1) : nullptr;
    const std::uint8_t* a = s.aux != nullptr ? RowAt(s.aux, ly, x, 1) : nullptr;
    std::uint8_t* c = args.cov != nullptr ? RowAt(args.cov, y, r.left, 1) : nullptr;
    if constexpr (Bpp == 3) {
      CompositeRow24(blend, d, p, m, a, n, c, x, ly);
    } else {
      CompositeRow8(blend, d, p, m, a, n, c, x, ly);
    }
  }
  return 0;
}

template <int Bpp>
int CompositeT(CLayer& layer, const DrawArgs& args) {
  CLayer* rider = args.rider;
  if (!RiderUsable<Bpp>(rider)) return CompositeRectT<Bpp>(layer, args);
  const RECT place = Shifted(layer.GetRect(), args.shift);
  const RECT riderPlace = Shifted(rider->GetRect(), args.shift);
  Sources s;
  s.pixels = layer.PeekSavedImage() != nullptr ? layer.PeekSavedImage() : layer.PeekImage();
  // The mask takes part even while disabled (the row loops then force the
  // layer opaque); the auxiliary buffer whenever it exists.
  if (layer.HasMask() != 0) {
    s.mask = layer.PeekSavedMask() != nullptr ? layer.PeekSavedMask() : layer.PeekMask();
  }
  s.aux = layer.PeekAux();
  // The stroke is merged only where layer, rider and every buffer meet;
  // the rest of the area is drawn band by band without it.
  RECT r = args.rect;
  bool overlap = PixelsFit<Bpp>(s.pixels) && ClipTo(&r, riderPlace) && ClipTo(&r, place) &&
                 ClipToDestination<Bpp>(&r, args) && ClipToSources(&r, s, place);
  if (overlap) {
    const VrWA2000::WA* riderMask = rider->HasMask() != 0 ? rider->PeekMask() : nullptr;
    const VrWA2000::WA* riderBuffers[] = {rider->PeekImage(), riderMask, rider->PeekAux()};
    for (const VrWA2000::WA* buffer : riderBuffers) {
      if (buffer != nullptr && !ClipTo(&r, Extent(buffer, riderPlace.left, riderPlace.top))) {
        overlap = false;
        break;
      }
    }
  }
  if (!overlap) return CompositeRectT<Bpp>(layer, args);
  RECT q = args.rect;
  if (!ClipTo(&q, place) || !ClipToDestination<Bpp>(&q, args)) return 0;
  RECT bands[4];
  GetBorderRects(q, r, &bands[0], &bands[1], &bands[2], &bands[3]);
  for (const RECT& band : bands) {
    if (RectIsEmpty(band)) continue;
    DrawArgs part = args;
    part.rect = band;
    const int result = CompositeRectT<Bpp>(layer, part);
    if (result != 0) return result;
  }
  if (layer.IsVisible() == 0) return 0;
  if (args.views && layer.GetHideLayerChannels() != 0) {
    DrawArgs part = args;
    part.rect = r;
    return DrawMaskOnlyRiderT<Bpp>(layer, part);
  }
  layer.EnsureBlendFunction();
  RiderRows<Bpp>(layer, args, r, s, place, *rider, riderPlace);
  return 0;
}

template int CompositeT<3>(CLayer&, const DrawArgs&);
template int CompositeT<1>(CLayer&, const DrawArgs&);
template int CompositeRectT<3>(CLayer&, const DrawArgs&);
template int CompositeRectT<1>(CLayer&, const DrawArgs&);

int DrawComposite(CLayer& layer, const DrawArgs& args) {
  layer.EnsureDrawEntries();
  switch (layer.GetDrawEntries()) {
    case LayerDrawEntries::kColour:
      return CompositeT<3>(layer, args);
    case LayerDrawEntries::kGrey:
      return CompositeT<1>(layer, args);
    default:
      return 0;
  }
}

int DrawCompositeRect(CLayer& layer, const DrawArgs& args) {
  layer.EnsureDrawEntries();
  switch (layer.GetDrawEntries()) {
    case LayerDrawEntries::kColour:
      return CompositeRectT<3>(layer, args);
    case LayerDrawEntries::kGrey:
      return CompositeRectT<1>(layer, args);
    default:
      return 0;
  }
}

int DrawHighlight(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight) {
  layer.EnsureDrawEntries();
  switch (layer.GetDrawEntries()) {
    case LayerDrawEntries::kColour:
      return CompositeHighlightT<3>(layer, args, highlight);
    case LayerDrawEntries::kGrey:
      return CompositeHighlightT<1>(layer, args, highlight);
    default:
      return 0;
  }
}

}  // namespace lumora::detail

// ---- The members ----

using lumora::detail::MemberArgs;

void CLayer::EnsureDrawEntries() {
  if (drawEntries_ == lumora::LayerDrawEntries::kNone && image_) SetDrawEntries(image_->GetType());
}

void CLayer::EnsureBlendFunction() {
  if (blend_.blendFunction == nullptr) ChooseBlendFunction();
}

int CLayer::Composite24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider) {
  return rect != nullptr ? lumora::detail::CompositeT<3>(*this, MemberArgs(dst, cov, *rect, rider))
                         : 0;
}
int CLayer::Composite8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider) {
  return rect != nullptr ? lumora::detail::CompositeT<1>(*this, MemberArgs(dst, cov, *rect, rider))
                         : 0;
}
int CLayer::CompositeRect24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect) {
  return rect != nullptr
             ? lumora::detail::CompositeRectT<3>(*this, MemberArgs(dst, cov, *rect, nullptr))
             : 0;
}
int CLayer::CompositeRect8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect) {
  return rect != nullptr
             ? lumora::detail::CompositeRectT<1>(*this, MemberArgs(dst, cov, *rect, nullptr))
             : 0;
}
int CLayer::Composite(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider) {
  return rect != nullptr ? lumora::detail::DrawComposite(*this, MemberArgs(dst, cov, *rect, rider))
                         : 0;
}
int CLayer::CompositeRect(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect) {
  return rect != nullptr
             ? lumora::detail::DrawCompositeRect(*this, MemberArgs(dst, cov, *rect, nullptr))
             : 0;
}
int CLayer::CompositeHighlight(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                               CLayer* rider, const lumora::MaskHighlight& highlight) {
  return rect != nullptr
             ? lumora::detail::DrawHighlight(*this, MemberArgs(dst, cov, *rect, rider), highlight)
             : 0;
}
