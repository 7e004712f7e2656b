// Inside the layer compositors: one drawing request, the clipping helpers
// the members share, and the cores that the public members, rendering and
// merging call. A request can draw a layer as if it were moved (`shift`),
// without moving it, so that rendering only reads the layers it draws.
#pragma once

#include "engine/layers/Layer.h"
#include "platform/rect.h"

namespace lumora::detail {

struct DrawArgs {
  VrWA2000::WA* dst = nullptr;
  VrWA2000::WA* cov = nullptr;
  RECT rect = {};           // in the shifted image plane
  CLayer* rider = nullptr;  // the work layer riding on the layer, or null
  POINT shift = {0, 0};     // added to the rects of the layer and its rider
  bool views = true;        // hide-layer-channels shows the mask alone
};

// The request of a public member: drawn where the layer lies, no shift.
inline DrawArgs MemberArgs(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT& rect, CLayer* rider) {
  DrawArgs args;
  args.dst = dst;
  args.cov = cov;
  args.rect = rect;
  args.rider = rider;
  return args;
}

// The render, rectangle and highlight entries, 24 or 8 bits by the layer's
// image type; other types draw nothing.
int DrawComposite(CLayer& layer, const DrawArgs& args);
int DrawCompositeRect(CLayer& layer, const DrawArgs& args);
int DrawHighlight(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight);

// The members by pixel size (Bpp 3 or 1).
template <int Bpp>
int CompositeT(CLayer& layer, const DrawArgs& args);
template <int Bpp>
int CompositeRectT(CLayer& layer, const DrawArgs& args);
template <int Bpp>
int DrawMaskOnlyT(CLayer& layer, const DrawArgs& args);
template <int Bpp>
int DrawMaskOnlyRiderT(CLayer& layer, const DrawArgs& args);
template <int Bpp>
int DrawMaskHighlightT(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight);
template <int Bpp>
int CompositeHighlightT(CLayer& layer, const DrawArgs& args, const MaskHighlight& highlight);

// ---- Clipping ----

inline RECT Shifted(const RECT& r, POINT shift) {
  RECT out = r;
  RectOffset(&out, shift.x, shift.y);
  return out;
}

// The part of the image plane a buffer covers when its first pixel lies at
// (left, top); empty for no buffer.
inline RECT Extent(const VrWA2000::WA* buffer, LONG left, LONG top) {
  if (buffer == nullptr) return RECT{};
  return RECT{left, top, left + buffer->GetW(), top + buffer->GetH()};
}

// Narrows r to its overlap with `by`; false when nothing is left.
inline bool ClipTo(RECT* r, const RECT& by) { return RectIntersect(r, *r, by); }

// Clips to the destination and, when given, the coverage buffer; false
// when nothing is left or the destination is not of the member's pixel
// size.
template <int Bpp>
bool ClipToDestination(RECT* r, const DrawArgs& args) {
  if (args.dst == nullptr) return false;
  if (args.dst->GetType() != (Bpp == 3 ? kWAType24 : kWAType8Grey)) return false;
  if (!ClipTo(r, Extent(args.dst, 0, 0))) return false;
  if (args.cov != nullptr) {
    if (args.cov->GetType() != kWAType8Grey) return false;
    if (!ClipTo(r, Extent(args.cov, 0, 0))) return false;
  }
  return true;
}

// A rider that may draw: a work layer with an image of the member's size
// (1 byte a pixel for the 8-bit members; either for the 24-bit ones).
template <int Bpp>
bool RiderUsable(const CLayer* rider) {
  if (rider == nullptr || rider->IsPaint() == 0 || rider->PeekImage() == nullptr) return false;
  const int type = rider->PeekImage()->GetType();
  return type == kWAType8Grey || (Bpp == 3 && type == kWAType24);
}

// A rider that changes the layer's mask: a mask work layer, or a paint work
// layer whose transparency is not locked.
inline bool RiderChangesMask(const CLayer* rider) {
  return rider != nullptr && rider->IsPaint() != 0 &&
         (rider->IsMask() != 0 || rider->IsTransparencyLocked() == 0);
}

// Pixels that nothing covers take the background colour (red, green, blue);
// partly covered ones are mixed with it by their coverage.
void OverBackground(VrWA2000::WA* image, const VrWA2000::WA* coverage, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue);

}  // namespace lumora::detail
