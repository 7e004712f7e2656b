// The image view: set-up, the draw context, refresh and the render queue's
// side. Painting, messages and activation are in Lumo40ViewPaint.cpp.
#include "view/win/Lumo40View.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/pixels/ColorModels.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "platform/rect.h"
#include "platform/trace.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "engine/render/CellGrid.h"
#include "engine/render/ViewMessages.h"
#include "view/win/AppActivation.h"
#include "view/win/ChildFrame.h"
#include "view/Guides.h"
#include "view/Rulers.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/ViewTransform.h"

namespace lumora {

// ---- The redraw notifier

REDRAWNTF::REDRAWNTF(HWND window) : window_(window), region_(CreateRectRgn(0, 0, 0, 0)) {}

REDRAWNTF::~REDRAWNTF() {
  if (region_ != nullptr) DeleteObject(region_);
}

int REDRAWNTF::Notify(HRGN damaged, HRGN moreDamaged, BOOL erase) {
  if (region_ == nullptr) return 1;
  RECT box{};
  const bool wasEmpty = GetRgnBox(region_, &box) == NULLREGION;
  if (damaged != nullptr) CombineRgn(region_, region_, damaged, RGN_OR);
  if (moreDamaged != nullptr) CombineRgn(region_, region_, moreDamaged, RGN_OR);
  erase_ = erase_ || erase;
  // One 1307 carries everything gathered until it is handled.
  if (wasEmpty && window_ != nullptr) PostMessageA(window_, kMsgRedrawReady, 0, 0);
  return 1;
}

void REDRAWNTF::Flush() {
  if (region_ == nullptr) return;
  InvalidateRgn(window_, region_, erase_);
  SetRectRgn(region_, 0, 0, 0, 0);
  erase_ = FALSE;
}

ViewDisplaySettings& CurrentViewSettings() {
  static ViewDisplaySettings settings;
  return settings;
}

// ---- Creation and lifetime

FW_IMPLEMENT_DYNCREATE(CLumo40View, CVarnoScrollView)

CLumo40View::CLumo40View() {
  const ViewDisplaySettings& current = CurrentViewSettings();
  showGrid = current.showGrid;
  snapToGrid = current.snapToGrid;
  showGuides = current.showGuides;
  snapToGuides = current.snapToGuides;
  lockGuides = current.lockGuides;
  showRulers = current.showRulers;
  SetDefaultDitherOptions();
}

CLumo40View::~CLumo40View() {
  ForgetAnts();
  EndTransform();
  delete drawContext_;
  drawContext_ = nullptr;
}

namespace {

bool IsRulerFrame(fw::FrameWnd* frame) {
  auto* rulers = dynamic_cast<CVarnoChildFrm*>(frame);
  return rulers != nullptr && rulers->RulersShown();
}

}  // namespace

CLumo40Doc* CLumo40View::GetDoc() const { return dynamic_cast<CLumo40Doc*>(GetDocument()); }

CMapRect* CLumo40View::Queue() const {
  CLumo40Doc* doc = registeredDoc_ != nullptr ? registeredDoc_ : GetDoc();
  return doc != nullptr ? &doc->Image().Queue() : nullptr;
}

bool CLumo40View::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!RegisterImageViewClass()) return false;
  cs.lpszClass = kImageViewClass;
  return true;
}

bool CLumo40View::FrameIconic() const {
  fw::FrameWnd* frame = GetParentFrame();
  return frame != nullptr && IsIconic(frame->Handle());
}

bool CLumo40View::IsActiveImageView() const { return hwnd_ != nullptr && GetActiveImageWindow() == hwnd_; }

void CLumo40View::OnInitialUpdate() {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr) {
    fw::View::OnInitialUpdate();
    return;
  }
  liveWindow_.store(hwnd_);
  SetViewOfWnd(hwnd_, this);
  SetDocOfWnd(hwnd_, doc);
  fw::View::OnInitialUpdate();
  if (doc->embedded) {
    showRulers = false;
  } else if (CVarnoChildFrm* frame = RulerFrame()) {
    // The frame takes its strips before the view fits it to the image.
    frame->ShowRulers(showRulers);
  }
  InitNewView(!doc->embedded);
  if (showRulers) SetRulersVisible(true);
  NotifyActiveImage();
  UpdateFrameTitle();
  RegisterWithQueue();
  dropTarget_.SetView(this);
  dropTarget_.Register(hwnd_);
  // The MDI area activated the frame while it was made, before the view
  // was ready: the activation work runs now.
  auto* child = dynamic_cast<fw::MdiChild*>(GetParentFrame());
  fw::MdiFrame* main = child != nullptr ? child->GetMdiFrame() : nullptr;
  if (main != nullptr && main->ActiveChild() == child && TheActivationList().MdiAreaAgrees() &&
      GetActiveImageWindow() != hwnd_) {
    OnActivateImageView(nullptr);
  }
}

void CLumo40View::RegisterWithQueue() {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr) return;
  registeredDoc_ = doc;
  doc->Image().AddView(this);
  doc->Image().Queue().AddView(this);
  HWND none = nullptr;
  doc->queueWindow.compare_exchange_strong(none, hwnd_);
  // Pieces queued before the view existed waited in the deferred list.
  lastVisible_ = RECT{0, 0, 0, 0};
  OnVisibleAreaChanged();
  // Activated while it was being set up: it becomes the queue's current view.
  if (IsActiveImageView()) doc->Image().Queue().PrioritizeView(this);
}

RECT CLumo40View::WindowSizeForImage(int width, int height) const {
  RECT needed{0, 0, width, height};
  AdjustWindowRectEx(&needed, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                     static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
  return needed;
}

void CLumo40View::InitNewView(bool fit) {
  ready_ = true;
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  WAPtr composite = stack != nullptr ? stack->GetCompositeImage() : nullptr;
  if (!composite) return;
  const int width = composite->GetW(), height = composite->GetH();
  composite->GetInfo(&imageInfo_);
  int reduction = 1;
  fw::FrameWnd* frame = GetParentFrame();
  HWND area = frame != nullptr ? GetParent(frame->Handle()) : nullptr;
  if (fit && area != nullptr) {
    const RECT needed = WindowSizeForImage(width, height);
    RECT client{};
    GetClientRect(area, &client);
    const LONG rulers = IsRulerFrame(frame) ? kRulerThickness : 0;
    reduction = EvenReduction(RectWidth(needed) + rulers, RectHeight(needed) + rulers, client.right, client.bottom);
  }
  zoom_ = ReductionFactors(width, height, reduction);
  CorrectWindowSize(true);
  CreateDrawContext(composite.get());
  ScrollToDevicePosition(POINT{0, 0});
  UpdateScrollSizes();
  SetCloseMenuText();
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  const bool mainActive = main != nullptr && (GetActiveWindow() == main->Handle() || GetForegroundWindow() == main->Handle());
  if (mainActive && area != nullptr && TheActivationList().MdiArea() == nullptr) TheActivationList().AddMDIArea(area);
}

void CLumo40View::SetCloseMenuText() {
  fw::FrameWnd* frame = GetParentFrame();
  HMENU menu = frame != nullptr ? GetSystemMenu(frame->Handle(), FALSE) : nullptr;
  if (menu == nullptr) return;
  // An embedded image's window names the container it returns to, once the
  // container has given its name.
  std::string text(res::String(IDS_CLOSE_WINDOW));
  CLumo40Doc* doc = GetDoc();
  std::string container = doc != nullptr && doc->embedded && doc->serverItem != nullptr ? doc->serverItem->ContainerName()
                                                                                        : std::string();
  if (!container.empty()) {
    if (container.size() > 128) container.resize(128);
    const std::string format(res::String(IDS_CLOSE_AND_RETURN));
    std::vector<char> buffer(format.size() + container.size() + 1);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), container.c_str());
    text = buffer.data();
  }
  ModifyMenuA(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, SC_CLOSE, text.c_str());
}

void CLumo40View::CorrectWindowSize(bool clamp) {
  CLumo40Doc* doc = GetDoc();
  fw::FrameWnd* frame = GetParentFrame();
  if (doc == nullptr || doc->embedded || frame == nullptr || imageInfo_.width <= 0) return;
  HWND frameWindow = frame->Handle();
  HWND area = GetParent(frameWindow);
  if (area == nullptr || IsZoomed(frameWindow) || IsIconic(frameWindow)) return;
  const RECT shown = VRXFORM(imageInfo_.width, imageInfo_.height, zoom_.x, zoom_.y).ImageWindowRect();
  RECT wanted{0, 0, RectWidth(shown), RectHeight(shown)};
  AdjustWindowRectEx(&wanted, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                     static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
  RECT outer{}, inner{};
  GetWindowRect(frameWindow, &outer);
  GetClientRect(frameWindow, &inner);
  // The rulers take their strips of the frame's client area.
  const LONG rulers = IsRulerFrame(frame) ? kRulerThickness : 0;
  LONG width = RectWidth(wanted) + RectWidth(outer) - inner.right + rulers;
  LONG height = RectHeight(wanted) + RectHeight(outer) - inner.bottom + rulers;
  POINT origin{outer.left, outer.top};
  ScreenToClient(area, &origin);
  if (clamp) {
    RECT client{};
    GetClientRect(area, &client);
    width = std::min(width, client.right);
    height = std::min(height, client.bottom);
    origin.x = std::max<LONG>(0, std::min(origin.x, client.right - width));
    origin.y = std::max<LONG>(0, std::min(origin.y, client.bottom - height));
  }
  SetWindowPos(frameWindow, nullptr, origin.x, origin.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- The draw context

void CLumo40View::SetDefaultDitherOptions() {
  const int types[5] = {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24};
  for (int i = 0; i < 5; ++i) dither_[i] = VrDefaultDitherOptions(types[i]);
}

const VR_CDOPTFV& CLumo40View::DitherFor(int type) const {
  switch (type) {
    case kWAType1Bit: return dither_[0];
    case kWAType4Bit: return dither_[1];
    case kWAType8Palette: return dither_[2];
    case kWAType8Grey: return dither_[3];
    default: return dither_[4];
  }
}

VRXFORM CLumo40View::Mapping() const {
  std::lock_guard<std::mutex> guard(lock_);
  return drawContext_ != nullptr ? drawContext_->Mapping() : VRXFORM();
}

void CLumo40View::ApplyDrawSettings() {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  VR_DRAWCONTEXT* dc = drawContext_;
  dc->SetWindow(hwnd_);
  if (stack != nullptr) {
    WAPtr coverage = stack->GetCompositeMask();
    dc->SetCoverage(coverage.get());
  }
  dc->SetDocumentOption(0);
  // Colour management: the document's profile (sRGB without one) shown in
  // the monitor's colours.
  if (stack != nullptr) {
    const std::vector<std::uint8_t>& profile = stack->IccProfile();
    dc->SetImageProfile(profile.data(), profile.size());
  }
  dc->SetProfiles(CurrentViewSettings().colorProfiles);
  if (const std::uint32_t fresh = dc->ColorManagementProblems() & ~cmNoticed_; fresh != 0) {
    cmNoticed_ |= fresh;
    if (ViewShell* shell = TheViewShell()) shell->ShowColorManagementNotice(fresh);
  }
  if (doc != nullptr && !doc->embedded) {
    const ViewDisplaySettings& settings = CurrentViewSettings();
    dc->ShowGrid(showGrid);
    dc->SetViewWords(viewWords[0], viewWords[1]);
    dc->SetFrameValue(0);
    VR_GRIDSETTINGS grid = settings.grid;
    // Grid spacing in the grid's unit, at the image's horizontal resolution.
    const std::uint32_t resolution = stack != nullptr ? stack->GetResolution() & 0xFFFF : 0;
    const std::uint16_t dpi = static_cast<std::uint16_t>(resolution != 0 ? resolution : 72);
    grid.spacingX = ConvertUnits(static_cast<float>(grid.spacingX), settings.gridUnit, 2, dpi);
    grid.spacingY = ConvertUnits(static_cast<float>(grid.spacingY), settings.gridUnit, 2, dpi);
    dc->SetGridSettings(grid);
    dc->ShowGuides(showGuides);
    dc->SetGuideSettings(settings.guides);
    dc->RemoveAllGuides();
    if (stack != nullptr) {
      for (const auto& g : stack->Guides()) dc->AddGuide(g.position, g.orientation);
    }
    const POINT origin = OriginForDrawContext(rulerOrigin_, imageInfo_.height);
    dc->SetRulerOrigin(origin.x, origin.y);
  }
  XFFACT x = zoom_.x, y = zoom_.y;
  x.shift(-device_.x);
  y.shift(-device_.y);
  dc->SetMapping(x, y);
  dc->SetGamma(CurrentViewSettings().gamma);
  dc->SetDitherOptions(DitherFor(imageInfo_.type));
}

bool CLumo40View::CreateDrawContext(const VrWA2000::ReadWA* image) {
  if (image == nullptr) return false;
  image->GetInfo(&imageInfo_);
  std::lock_guard<std::mutex> guard(lock_);
  // The context holds the notifier: it goes first.
  delete drawContext_;
  drawContext_ = nullptr;
  notifier_ = std::make_unique<REDRAWNTF>(hwnd_);
  drawContext_ = WACreateDrawContext(image, notifier_.get());
  if (drawContext_ == nullptr) {
    notifier_.reset();
    return false;
  }
  ApplyDrawSettings();
  return true;
}

VR_DRAWCONTEXT* CLumo40View::ReplaceDrawContext(VR_DRAWCONTEXT* context) {
  std::lock_guard<std::mutex> guard(lock_);
  VR_DRAWCONTEXT* old = drawContext_;
  drawContext_ = context;
  return old;
}

void CLumo40View::ResetDrawContext() { RebuildForImage(true); }

void CLumo40View::ShowNewImage() {
  // The old image's buffers go: the drawing is rebuilt whether or not the
  // new stack has an active layer yet.
  RebuildForImage(false);
}

void CLumo40View::RebuildForImage(bool needActiveImage) {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  WAPtr composite = stack != nullptr ? stack->GetCompositeImage() : nullptr;
  if (!ready_ || !composite || (needActiveImage && !doc->Image().GetActiveImage())) {
    SendNotice(kNoticeNoActiveImage, 0);
    return;
  }
  const WAINFO before = imageInfo_;
  const bool resized = composite->GetW() != before.width || composite->GetH() != before.height;
  // Every change of the image's size comes here (rotations, crops, sizes,
  // frames, their undo and redo, a reload): the zoom stays, and the frame
  // takes the new size as it does when an image opens.
  if (resized) zoom_ = KeptZoomFactors(zoom_.x, before.width, composite->GetW(), composite->GetH());
  // Rebuilt with a notifier of its own, so that damage the new context
  // reports still reaches the screen.
  CreateDrawContext(composite.get());
  if (resized) {
    // The whole view is painted again below: no pixels are scrolled (a
    // view placed in another process's window would never come back).
    WholeRepaint whole(*this);
    UpdateRulers();
    UpdateScrollSizes();
    CorrectWindowSize(true);
    UpdateScrollSizes();
  }
  ApplyZoom();
  InvalidateRect(hwnd_, nullptr, TRUE);
  if (resized) {
    if (ViewShell* shell = TheViewShell()) shell->ShowViewZoomStatus(this);
  }
  UpdateFrameTitle();
  NotifyActiveImage();
}

void CLumo40View::ResetDrawContextResized() {
  SendNotice(kNoticeNoActiveImage, 0);
  ResetDrawContext();
}

void CLumo40View::RefreshDrawContext() {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  const int type = stack != nullptr ? stack->GetImageType() : imageInfo_.type;
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ != nullptr) drawContext_->SetDitherOptions(DitherFor(type));
}

bool CLumo40View::ApplyZoom() {
  XFFACT x = zoom_.x, y = zoom_.y;
  const bool shifted = x.shift(-device_.x) && y.shift(-device_.y);
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ != nullptr) drawContext_->SetMapping(x, y);
  }
  // The navigator shows what is in view now.
  if (ViewShell* shell = TheViewShell(); shell != nullptr && ready_) shell->OnViewZoomApplied(this);
  return shifted;
}

void CLumo40View::UpdateScrollSizes() {
  if (!ready_) return;
  const RECT shown = VRXFORM(imageInfo_.width, imageInfo_.height, zoom_.x, zoom_.y).ImageWindowRect();
  SetScrollSizes(SIZE{RectWidth(shown), RectHeight(shown)});
  ApplyZoom();
  OnVisibleAreaChanged();
}

void CLumo40View::OnScrollPositionChanged() {
  TransformScrolled();
  ApplyZoom();
  OnVisibleAreaChanged();
  UpdateRulers();
}

void CLumo40View::OnVisibleAreaChanged() {
  CMapRect* queue = Queue();
  if (drawContext_ == nullptr || queue == nullptr || !queue->HasView(this)) return;
  const RECT visible = GetVisibleImageRect();
  if (RectsEqual(visible, lastVisible_)) return;
  lastVisible_ = visible;
  queue->Redistribute(this);
}

// ---- Refresh and notices

void CLumo40View::InvalidateImageRect(const RECT* imageRect, bool erase) {
  if (!ready_ || drawContext_ == nullptr || hwnd_ == nullptr) return;
  RECT window{};
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    drawContext_->InvalidateImageRect(imageRect);
    if (imageRect != nullptr) {
      window = *imageRect;
      drawContext_->Mapping().RevXForm(&window, kXFRects);
    }
  }
  InvalidateRect(hwnd_, imageRect != nullptr ? &window : nullptr, erase);
}

void CLumo40View::PostPaint() {
  if (hwnd_ != nullptr) PostMessageA(hwnd_, WM_PAINT, 0, 0);
}

void CLumo40View::RedrawViewNow() {
  if (hwnd_ == nullptr) return;
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

LRESULT CLumo40View::OnRefreshRect(WPARAM wParam, LPARAM lParam) {
  RefreshRect(wParam, lParam, true);
  return 0;
}

void CLumo40View::RefreshRect(WPARAM wParam, LPARAM lParam, bool paintNow) {
  if (hwnd_ == nullptr || !IsWindow(hwnd_) || FrameIconic()) return;
  ++counts_.cellsAnnounced;
  const RECT rect = UnpackCellRect(static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
  RectUnion(&thumbnailDamage_, thumbnailDamage_, rect);
  InvalidateImageRect(&rect, false);
  if (paintNow) UpdateWindow(hwnd_);
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr) return;
  for (fw::View* v : doc->Views()) {
    auto* other = dynamic_cast<CLumo40View*>(v);
    if (other == nullptr || other == this || other->Handle() == nullptr) continue;
    other->InvalidateImageRect(&rect, false);
    if (paintNow && wParam != 0) UpdateWindow(other->Handle());
  }
}

void CLumo40View::SendNotice(int code, LPARAM lParam) {
  if (ready_ && hwnd_ != nullptr) SendMessageA(hwnd_, kMsgDocumentNotice, static_cast<WPARAM>(code), lParam);
}

void CLumo40View::NotifyActiveImage() {
  CLumo40Doc* doc = GetDoc();
  WAPtr image = doc != nullptr ? doc->Image().GetActiveImage() : nullptr;
  if (image) {
    SendNotice(kNoticeActiveImage, reinterpret_cast<LPARAM>(image.get()));
  } else {
    SendNotice(kNoticeNoActiveImage, 0);
  }
}

void CLumo40View::NotifyImageResized() {
  NotifyActiveImage();
  UpdateFrameTitle();
}

void CLumo40View::NotifyFloatingImage() {
  CLumo40Doc* doc = GetDoc();
  WAPtr image = doc != nullptr ? doc->Image().GetFloatingImage() : nullptr;
  SendNotice(image ? kNoticeFloatingImage : kNoticeNoFloatingImage, reinterpret_cast<LPARAM>(image.get()));
}

void CLumo40View::UpdateFrameTitle() {
  fw::FrameWnd* frame = GetParentFrame();
  if (frame != nullptr) frame->OnUpdateFrameTitle(true);
}

void CLumo40View::SendNotify(int code, Fragment* selection) {
  if (code == kNotifySelectionSet || code == kNotifySelectionFreed) {
    antsCoverageDirty_ = true;
    RefreshAnts();
  }
  if (hwnd_ != nullptr) SendMessageA(hwnd_, kMsgDocumentNotice, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(selection));
}

void CLumo40View::PostNotify(int code) {
  if (hwnd_ != nullptr) PostMessageA(hwnd_, kMsgDocumentNotice, static_cast<WPARAM>(code), 0);
}

void CLumo40View::SendLayerNotify(int code, int layerIndex) {
  if (hwnd_ != nullptr) SendMessageA(hwnd_, kMsgLayerNotice, static_cast<WPARAM>(code), layerIndex);
}

// ---- The render queue's side (any thread)

bool CLumo40View::IsLive() const {
  HWND window = liveWindow_.load();
  return window != nullptr && IsWindow(window);
}

RECT CLumo40View::GetVisibleImageRect() {
  HWND window = liveWindow_.load();
  RECT client{0, 0, 0, 0};
  if (window == nullptr || !GetClientRect(window, &client) || RectIsEmpty(client)) return RECT{0, 0, 0, 0};
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ == nullptr) return RECT{0, 0, 0, 0};
  drawContext_->Mapping().XForm(&client, kXFRects);
  return client;
}

// Where the pointer lies in the window costs round trips to the window and
// display servers, and the worker asks once per composited piece. The user
// moves the pointer or the window only with input, so between fresh
// readings the answer is kept until the system sees input, or for at most
// kPointerReadingTicks (a program may move them too).
bool CLumo40View::ReadPointer(HWND window, POINT* client, bool fresh) {
  constexpr DWORD kPointerReadingTicks = 100;
  LASTINPUTINFO input{};
  input.cbSize = sizeof(input);
  const bool knowsInput = GetLastInputInfo(&input) != 0;
  const DWORD now = GetTickCount();
  PointerReading& last = pointerReading_;
  if (!fresh && knowsInput && last.window == window && input.dwTime == last.lastInput &&
      now - last.tick < kPointerReadingTicks) {
    *client = last.client;
    return last.inside;
  }
  POINT pointer{};
  RECT bounds{};
  const bool inside = GetCursorPos(&pointer) && GetWindowRect(window, &bounds) && PtInRect(&bounds, pointer) &&
                      ScreenToClient(window, &pointer);
  last = PointerReading{knowsInput ? window : nullptr, inside, pointer, input.dwTime, now};
  *client = pointer;
  return inside;
}

bool CLumo40View::GetPointerImagePos(POINT* imagePos, bool fresh) {
  HWND window = liveWindow_.load();
  POINT pointer{};
  if (window == nullptr || !ReadPointer(window, &pointer, fresh)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ == nullptr) return false;
  drawContext_->Mapping().XForm(&pointer, kXFPixels);
  if (imagePos != nullptr) *imagePos = pointer;
  return true;
}

void CLumo40View::OnCellDone(const RECT& rect) {
  HWND window = liveWindow_.load();
  if (window == nullptr) return;
  const PackedCellRect packed = PackCellRect(rect);
  PostMessageA(window, kMsgCellDone, packed.wParam, static_cast<LPARAM>(packed.lParam));
}

void CLumo40View::OnCellDoneNow(const RECT& rect) {
  // The pieces of a drag step are composited one after another; painted
  // one by one they would cost a paint each. They are invalidated here and
  // painted together when the step ends (TrackLayerMove).
  const PackedCellRect packed = PackCellRect(rect);
  RefreshRect(packed.wParam, static_cast<LPARAM>(packed.lParam), false);
}

RECT CLumo40View::TakeThumbnailDamage() {
  const RECT damage = thumbnailDamage_;
  thumbnailDamage_ = RECT{0, 0, 0, 0};
  return damage;
}

// ---- Geometry

RECT CLumo40View::GetImageRect() const {
  if (imageInfo_.width <= 0 || imageInfo_.height <= 0) return RECT{0, 0, 0, 0};
  return RECT{0, 0, imageInfo_.width, imageInfo_.height};
}

POINT CLumo40View::ClampPointToImage(POINT p) const { return lumora::ClampPointToImage(p, imageInfo_.width, imageInfo_.height); }

RECT CLumo40View::GetClientRectWithScrollBars() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
  if (style & WS_VSCROLL) client.right += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) client.bottom += GetSystemMetrics(SM_CYHSCROLL);
  return client;
}

POINT CLumo40View::WindowPointToImagePixel(POINT client) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ != nullptr) drawContext_->Mapping().XForm(&client, kXFPixels);
  return client;
}

std::string CLumo40View::FormatCoordinates(int x, int y, bool windowPoint, const CoordinateFormat& format) const {
  if (!HasDrawContext()) return {};
  POINT p{x, y};
  if (windowPoint) p = WindowPointToImagePixel(p);
  CLumo40Doc* doc = GetDoc();
  CLayersManager* layers = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (layers == nullptr) return {};
  // The resolution word: x in the low half, y in the high half.
  const std::uint32_t resolution = layers->GetResolution();
  const double dpiX = static_cast<double>(resolution & 0xFFFFu);
  const double dpiY = static_cast<double>(resolution >> 16);
  return format(p.x, p.y, layers->GetWidth(), layers->GetHeight(), dpiX, dpiY);
}

double CLumo40View::ImageUnitsPerPixel() const {
  std::lock_guard<std::mutex> guard(lock_);
  return zoom_.x.ImagePerWindowUnit();
}

}  // namespace lumora
