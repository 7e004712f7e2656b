// The image view's zoom: the ladder commands, Original Size, the window
// sizes, the zoom tool, zooming to a rectangle and around a point, and the
// dither options.
#include <windows.h>

#include <algorithm>

#include "document/DocumentServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"
#include "platform/rect.h"
#include "platform/trace.h"
#include "res/resource.h"
#include "view/Rulers.h"
#include "view/ViewZoom.h"
#include "view/win/ChildFrame.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

// The window position (no scroll) of an image place given in half pixels:
// 2x + 1 is the middle of column x; y counts half rows downward from the
// top edge.
std::int64_t HalfToWindow(std::int64_t half, const XFFACT& f) {
  return XFFloorDiv(half * f.DisplayedExtent(), 2 * std::int64_t{f.ImageExtent()});
}

}  // namespace

ViewZoomFactors& CLumo40View::ZoomTarget() {
  static ViewZoomFactors target;
  return target;
}

RECT CLumo40View::DisplayedImageRect() const {
  if (imageInfo_.width <= 0 || imageInfo_.height <= 0) return RECT{0, 0, 0, 0};
  return VRXFORM(imageInfo_.width, imageInfo_.height, zoom_.x, zoom_.y).ImageWindowRect();
}

bool CLumo40View::CanZoom() const {
  return drawContext_ != nullptr && hwnd_ != nullptr && !FrameIconic() && imageInfo_.width > 0 &&
         imageInfo_.height > 0;
}

void CLumo40View::AfterZoomChanged(bool invalidate) {
  // The image first: the caption and the status follow.
  if (invalidate) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
  }
  if (ViewShell* shell = TheViewShell()) shell->ShowViewZoomStatus(this);
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr || !doc->embedded) UpdateFrameTitle();
}

void CLumo40View::SetZoom(std::int32_t a, std::int32_t b) {
  if (!CanZoom()) return;
  const ViewZoomFactors next = RatioFactors(imageInfo_.width, imageInfo_.height, a, b);
  if (next.x.SameRatio(zoom_.x)) return;
  WholeRepaint whole(*this);
  // The image pixel in the middle of the whole client area stays there.
  const RECT full = GetClientRectWithScrollBars();
  const POINT centre = ClampPointToImage(WindowPointToImagePixel(POINT{full.right / 2, full.bottom / 2}));
  zoom_ = next;
  UpdateRulers();
  UpdateScrollSizes();
  const std::int64_t x = HalfToWindow(2 * std::int64_t{centre.x} + 1, zoom_.x);
  const std::int64_t y = HalfToWindow(2 * (std::int64_t{imageInfo_.height} - 1 - centre.y) + 1, zoom_.y);
  // Back in the middle of that same whole area, whatever bars the new zoom
  // shows: measured against the area without the bars, every step would
  // move the picture by half a bar.
  MoveToDevicePosition(POINT{static_cast<LONG>(std::clamp<std::int64_t>(x - full.right / 2, 0, 0x7FFFFFFF)),
                             static_cast<LONG>(std::clamp<std::int64_t>(y - full.bottom / 2, 0, 0x7FFFFFFF))});
  AfterZoomChanged(true);
}

void CLumo40View::ApplyZoomAt(const POINT* point, bool inImage) {
  if (point == nullptr || drawContext_ == nullptr || imageInfo_.width <= 0) return;
  const POINT image = ClampPointToImage(inImage ? *point : WindowPointToImagePixel(*point));
  ApplyZoomAtImage(image);
}

void CLumo40View::ApplyZoomAtImage(POINT image) {
  WholeRepaint whole(*this);
  zoom_ = ZoomTarget();
  UpdateRulers();
  UpdateScrollSizes();
  const std::int64_t x = HalfToWindow(2 * std::int64_t{image.x} + 1, zoom_.x);
  const std::int64_t y = HalfToWindow(2 * (std::int64_t{imageInfo_.height} - 1 - image.y) + 1, zoom_.y);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const RECT shown = DisplayedImageRect();
  MoveToDevicePosition(POINT{CentringScrollOrigin(x, client.right, shown.right),
                             CentringScrollOrigin(y, client.bottom, shown.bottom)});
  AfterZoomChanged(true);
}

void CLumo40View::SetZoomRatio(std::int32_t a, std::int32_t b) {
  if (!CanZoom()) return;
  ZoomTarget() = RatioFactors(imageInfo_.width, imageInfo_.height, a, b);
  // The point ApplyZoomAt puts back in the middle: the middle of the area
  // it centres in, so a slider dragged to and fro leaves the picture where
  // it was.
  RECT client{};
  GetClientRect(hwnd_, &client);
  const POINT middle{(client.right + 1) / 2, (client.bottom + 1) / 2};
  ApplyZoomAt(&middle, false);
}

void CLumo40View::ZoomToRect(RECT rect, bool inImage) {
  if (!CanZoom()) return;
  rect = RECT{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
              std::max(rect.top, rect.bottom)};
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT clientInImage = client;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    drawContext_->Mapping().XForm(&clientInImage, kXFRects);
    if (!inImage) drawContext_->Mapping().XForm(&rect, kXFRects);
  }
  const RECT image = GetImageRect();
  RECT seen{}, wanted{};
  if (!RectIntersect(&seen, clientInImage, image) || !RectIntersect(&wanted, rect, image)) return;
  ViewZoomFactors target;
  if (!ZoomToRectFactors(imageInfo_.width, imageInfo_.height, RectWidth(wanted), RectHeight(wanted), client.right,
                         client.bottom, &target)) {
    return;
  }
  ZoomTarget() = target;
  WholeRepaint whole(*this);
  zoom_ = target;
  UpdateRulers();
  UpdateScrollSizes();
  // The rectangle's middle (its edges added: half pixels) in the middle.
  const std::int64_t x = HalfToWindow(std::int64_t{wanted.left} + wanted.right, zoom_.x);
  const std::int64_t y = HalfToWindow(2 * std::int64_t{imageInfo_.height} - wanted.top - wanted.bottom, zoom_.y);
  GetClientRect(hwnd_, &client);
  const RECT shown = DisplayedImageRect();
  MoveToDevicePosition(POINT{CentringScrollOrigin(x, client.right, shown.right),
                             CentringScrollOrigin(y, client.bottom, shown.bottom)});
  AfterZoomChanged(true);
}

void CLumo40View::SetWindowSize(std::int32_t a, std::int32_t b, bool keepZoom) {
  if (!CanZoom()) return;
  const ViewZoomFactors before = zoom_;
  if (!keepZoom) {
    zoom_ = RatioFactors(imageInfo_.width, imageInfo_.height, a, b);
    UpdateRulers();
  }
  UpdateScrollSizes();
  CorrectWindowSize(true);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const bool erase = RectWidth(DisplayedImageRect()) != client.right;
  if (!before.x.SameRatio(zoom_.x) || !before.y.SameRatio(zoom_.y)) InvalidateRect(hwnd_, nullptr, erase);
  AfterZoomChanged(false);
}

// ---- Commands

// The zoom benchmark's marks: the command, then (Lumo40ViewPaint.cpp) the
// paint that leaves nothing of the view to draw.
void CLumo40View::MarkZoomCommand() {
  TraceMark("zoom command");
  zoomTracePending_ = true;
  zoomTraceCells_ = counts_.cellsAnnounced;
}

void CLumo40View::OnZoomIn() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_ZOOM_IN) || !CanZoom()) return;
  MarkZoomCommand();
  std::int32_t a = 0, b = 0;
  if (GetZoomStep(LadderValueOfFactor(zoom_.x, imageInfo_.width), true, &a, &b)) SetZoom(a, b);
}

void CLumo40View::OnZoomOut() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_ZOOM_OUT) || !CanZoom()) return;
  MarkZoomCommand();
  std::int32_t a = 0, b = 0;
  if (GetZoomStep(LadderValueOfFactor(zoom_.x, imageInfo_.width), false, &a, &b)) SetZoom(a, b);
}

void CLumo40View::OnUpdateZoomIn(fw::CmdUI& ui) {
  const bool can = drawContext_ != nullptr &&
                   GetZoomStep(LadderValueOfFactor(zoom_.x, imageInfo_.width), true, nullptr, nullptr);
  ui.Enable(FilterCommandEnable(ID_VIEW_ZOOM_IN, can));
}

void CLumo40View::OnUpdateZoomOut(fw::CmdUI& ui) {
  const bool can = drawContext_ != nullptr &&
                   GetZoomStep(LadderValueOfFactor(zoom_.x, imageInfo_.width), false, nullptr, nullptr);
  ui.Enable(FilterCommandEnable(ID_VIEW_ZOOM_OUT, can));
}

void CLumo40View::OnOriginalSize() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_ORIGINAL_SIZE)) return;
  SetZoom(1, 1);
}

void CLumo40View::OnCorrectWindowSize() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_CORRECT_WINDOW_SIZE)) return;
  SetWindowSize(1, 1, true);
}

void CLumo40View::OnWindowSizeCommand(std::uint32_t id) {
  std::int32_t a = 0, b = 0;
  if (WindowSizeCommandRatio(id, &a, &b)) SetWindowSize(a, b, false);
}

void CLumo40View::OnUpdateZoomSizes(fw::CmdUI& ui) {
  CLumo40Doc* doc = GetDoc();
  const ZoomCommandState state =
      ZoomCommandUpdate(ui.Id(), ZoomRatio(), drawContext_ != nullptr, doc != nullptr && doc->embedded);
  ui.Enable(FilterCommandEnable(ui.Id(), state.enabled));
  ui.SetCheck(state.checked ? 1 : 0);
}

void CLumo40View::OnUpdateCorrectWindowSize(fw::CmdUI& ui) {
  CLumo40Doc* doc = GetDoc();
  fw::FrameWnd* frame = GetParentFrame();
  const bool maximised = frame != nullptr && IsZoomed(frame->Handle());
  ui.Enable(FilterCommandEnable(ID_VIEW_CORRECT_WINDOW_SIZE, doc != nullptr && !doc->embedded && !maximised));
}

namespace {

// The zoom tool's pick hands back each clicked point (null when it ends).
void ZoomPickCallback(const POINT* point, void* user, int) {
  auto* view = static_cast<CLumo40View*>(user);
  if (point != nullptr && view != nullptr) view->ApplyZoomAt(point, false);
}

}  // namespace

void CLumo40View::OnZoomTool() {
  if (!CanZoom() || pickInProgress) return;
  std::int32_t p = 1, q = 1;
  ZoomToolTarget(ZoomRatio(), &p, &q);
  ZoomTarget() = RatioFactors(imageInfo_.width, imageInfo_.height, p, q);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HCURSOR zoomIn = LoadCursorA(instance, "ZOOMON");
  HCURSOR zoomOut = LoadCursorA(instance, "ZOOMOUT");
  if (ViewShell* shell = TheViewShell()) shell->StartPick(zoomIn, zoomOut, &ZoomPickCallback, this, hwnd_);
}

void CLumo40View::OnUpdateZoomTool(fw::CmdUI& ui) {
  ui.SetCheck(pickInProgress ? 1 : 0);
  ui.Enable(FilterCommandEnable(ID_VIEW_ZOOM_TOOL, true));
}

// ---- Dither options

namespace {

struct DitherSession {
  CLumo40View* view;
  VR_CDOPTFV* options;
};

void ApplyDitherOption(void* context, int option, std::int32_t value) {
  auto* s = static_cast<DitherSession*>(context);
  switch (option) {
    case kVrDitherOptionDither: s->options->dither = value; break;
    case kVrDitherOptionOwnPalette: s->options->ownPalette = value; break;
    case kVrDitherOptionPalette: s->options->paletteKind = value; break;
    default: break;
  }
}

BOOL DitherOptionAvailable(void*, int imageType, int option) { return VrIsDitherOptionAvailable(imageType, option); }

void RefreshDither(void* context) { static_cast<DitherSession*>(context)->view->RefreshDitherOptions(); }

void DitherHelp(void*) {
  if (ViewShell* shell = TheViewShell()) shell->ShowHelp(IDS_DITHER_OPTIONS_HELP);
}

}  // namespace

void CLumo40View::RefreshDitherOptions() {
  RefreshDrawContext();
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ != nullptr) drawContext_->InvalidateImageRect(nullptr);
  }
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CLumo40View::OnDitherOptions() {
  if (drawContext_ == nullptr || hwnd_ == nullptr) return;
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  const int type = stack != nullptr ? stack->GetImageType() : imageInfo_.type;
  DitherSession session{this, &DitherRecord(type)};
  const VR_DITHERCALLBACKS callbacks{&ApplyDitherOption, &DitherOptionAvailable, &RefreshDither, &DitherHelp};
  SelectColorDitherOptions(GetAncestor(hwnd_, GA_ROOT), type, session.options, &callbacks, &session);
}

void CLumo40View::OnUpdateDitherOptions(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ID_VIEW_DITHER_OPTIONS, drawContext_ != nullptr));
}

void CLumo40View::FitZoomToWindow() {
  if (!CanZoom()) return;
  const RECT needed = WindowSizeForImage(imageInfo_.width, imageInfo_.height);
  RECT window{};
  GetWindowRect(hwnd_, &window);
  const std::int32_t reduction =
      EvenReduction(RectWidth(needed), RectHeight(needed), RectWidth(window), RectHeight(window));
  WholeRepaint whole(*this);
  zoom_ = ReductionFactors(imageInfo_.width, imageInfo_.height, reduction);
  UpdateRulers();
  UpdateScrollSizes();
  MoveToDevicePosition(POINT{0, 0});
  AfterZoomChanged(true);
}

}  // namespace lumora
