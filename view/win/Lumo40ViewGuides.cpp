// The image view's grid, guide and ruler commands, the guide and origin
// drags with their XOR feedback, and positions in ruler units.
#include <windows.h>

#include <algorithm>

#include "document/DocumentServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "view/win/ImageViewWnd.h"
#include "document/win/AppServices.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/Guides.h"
#include "view/win/ChildFrame.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

template <class Fn>
void ForEachView(CLumo40Doc* doc, Fn fn) {
  if (doc == nullptr) return;
  for (fw::View* v : doc->Views()) {
    if (auto* view = dynamic_cast<CLumo40View*>(v)) fn(view);
  }
}

// A new item text that keeps the key shown after its tab.
void SetTextKeepingKey(fw::CmdUI& ui, std::uint32_t textId) {
  const std::string& now = ui.State().text;
  const std::size_t tab = now.find('\t');
  ui.SetText(std::string(res::String(textId)) + (tab == std::string::npos ? std::string() : now.substr(tab)));
}

std::vector<GuideLine> GuideLines(CLayersManager* stack) {
  std::vector<GuideLine> lines;
  if (stack == nullptr) return lines;
  for (const auto& g : stack->Guides()) lines.push_back(GuideLine{g.position, g.orientation});
  return lines;
}

}  // namespace

CVarnoChildFrm* CLumo40View::RulerFrame() const { return dynamic_cast<CVarnoChildFrm*>(GetParentFrame()); }

// ---- Commands

void CLumo40View::OnShowGrid() { SetShowGrid(!showGrid); }

void CLumo40View::OnUpdateShowGrid(fw::CmdUI& ui) {
  SetTextKeepingKey(ui, showGrid ? IDS_HIDE_GRID : IDS_SHOW_GRID);
  ui.Enable(FilterCommandEnable(ID_VIEW_SHOW_GRID, true));
}

void CLumo40View::OnSnapToGrid() { SetSnapToGrid(!snapToGrid); }

void CLumo40View::OnUpdateSnapToGrid(fw::CmdUI& ui) {
  ui.SetCheck(snapToGrid ? 1 : 0);
  ui.Enable(FilterCommandEnable(ID_VIEW_SNAP_TO_GRID, showGrid));
}

void CLumo40View::OnShowGuides() { SetShowGuides(!showGuides); }

void CLumo40View::OnUpdateShowGuides(fw::CmdUI& ui) {
  SetTextKeepingKey(ui, showGuides ? IDS_HIDE_GUIDES : IDS_SHOW_GUIDES);
  ui.Enable(FilterCommandEnable(ID_VIEW_SHOW_GUIDES, true));
}

void CLumo40View::OnSnapToGuides() { SetSnapToGuides(!snapToGuides); }

void CLumo40View::OnLockGuides() { lockGuides = CurrentViewSettings().lockGuides = !lockGuides; }

// Refused while guides are hidden, as its menu item is: guides the user
// cannot see are never removed (there is no undo for it).
void CLumo40View::OnClearGuides() {
  if (showGuides) ClearGuides();
}

// Snap To Guides, Lock Guides and Clear Guides: while guides are shown.
void CLumo40View::OnUpdateGuideCommand(fw::CmdUI& ui) {
  if (ui.Id() == ID_VIEW_SNAP_TO_GUIDES) ui.SetCheck(snapToGuides ? 1 : 0);
  if (ui.Id() == ID_VIEW_LOCK_GUIDES) ui.SetCheck(lockGuides ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), showGuides));
}

void CLumo40View::OnShowRulers() {
  if (rulerBlocking) return;
  SetRulersVisible(!showRulers);
  CurrentViewSettings().showRulers = showRulers;
}

void CLumo40View::OnUpdateShowRulers(fw::CmdUI& ui) {
  SetTextKeepingKey(ui, showRulers ? IDS_HIDE_RULERS : IDS_SHOW_RULERS);
  ui.Enable(FilterCommandEnable(ID_VIEW_SHOW_RULERS, true));
}

void CLumo40View::ClearGuides() {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return;
  const bool had = !stack->Guides().empty();
  stack->Guides().clear();
  ForEachView(doc, [](CLumo40View* view) {
    {
      std::lock_guard<std::mutex> guard(view->lock_);
      if (view->drawContext_ == nullptr) return;
      view->drawContext_->RemoveAllGuides();
      view->drawContext_->InvalidateImageRect(nullptr);
    }
    InvalidateRect(view->Handle(), nullptr, TRUE);
  });
  // The guides are part of the saved image.
  if (had) {
    doc->Image().SetModifiedFlag(true);
    UpdateFrameTitle();
  }
}

void CLumo40View::RefreshAllViewsSettings() {
  std::vector<CLumo40View*> views;
  if (CLumo40View* active = GetViewFromWnd(GetActiveImageWindow())) views.push_back(active);
  fw::App* app = fw::TheApp();
  if (app != nullptr) {
    for (fw::Document* d : app->Docs().AllDocuments()) {
      ForEachView(dynamic_cast<CLumo40Doc*>(d), [&views](CLumo40View* v) {
        if (std::find(views.begin(), views.end(), v) == views.end()) views.push_back(v);
      });
    }
  }
  const ViewDisplaySettings& current = CurrentViewSettings();
  for (CLumo40View* v : views) {
    v->ApplyGridSettings();
    if (v->Handle() != nullptr) InvalidateRect(v->Handle(), nullptr, FALSE);
    CLumo40Doc* doc = v->GetDoc();
    if (doc != nullptr && doc->embedded) continue;
    if (v->showRulers != current.showRulers) {
      v->SetRulersVisible(current.showRulers);
    } else {
      v->UpdateRulers();
    }
  }
}

// ---- Rulers

int CLumo40View::GetRulerUnits() const { return CurrentViewSettings().rulerUnits; }

void CLumo40View::SetRulerUnits(int units) {
  if (CVarnoChildFrm* frame = RulerFrame()) {
    frame->SetRulerUnits(units);
    frame->UpdateRulers();
  }
}

void CLumo40View::SetRulersVisible(bool show) {
  showRulers = show;
  CVarnoChildFrm* frame = RulerFrame();
  if (frame == nullptr) return;
  if (show) {
    CLumo40Doc* doc = GetDoc();
    CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
    if (stack != nullptr) {
      frame->ConfigureRulers(stack->GetWidth(), stack->GetHeight(), stack->GetResolution(), GetRulerUnits(),
                             ZoomRatio(), device_.x, device_.y);
      frame->SetRulerZoom(zoom_.x.ImagePerWindowUnit(), zoom_.y.ImagePerWindowUnit());
      frame->SetRulerOrigin(rulerOrigin_.x, rulerOrigin_.y, false);
    }
  }
  frame->ShowRulers(show);
  if (show) frame->UpdateRulers();
}

void CLumo40View::UpdateRulers() {
  CVarnoChildFrm* frame = RulerFrame();
  if (!showRulers || frame == nullptr || !frame->RulersShown()) return;
  frame->SetRulerZoom(zoom_.x.ImagePerWindowUnit(), zoom_.y.ImagePerWindowUnit());
  frame->SetRulerScroll(device_.x, device_.y);
  frame->SetRulerUnits(GetRulerUnits());
  frame->SetRulerOrigin(rulerOrigin_.x, rulerOrigin_.y, false);
  frame->UpdateRulers();
}

void CLumo40View::TrackRulerCursor(POINT client) {
  if (CVarnoChildFrm* frame = RulerFrame()) frame->TrackRulerMarkers(client.x, client.y);
}

LRESULT CLumo40View::OnMouseMoveView(WPARAM wParam, LPARAM lParam) {
  if (showRulers) TrackRulerCursor(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  return DefaultProc(WM_MOUSEMOVE, wParam, lParam);
}

void CLumo40View::SetRulerOrigin(POINT origin) {
  rulerOrigin_ = origin;
  ApplyRulerOrigin();
}

void CLumo40View::ApplyRulerOrigin() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ != nullptr) {
      const POINT o = OriginForDrawContext(rulerOrigin_, imageInfo_.height);
      drawContext_->SetRulerOrigin(o.x, o.y);
      drawContext_->InvalidateImageRect(nullptr);
    }
  }
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
  if (CVarnoChildFrm* frame = RulerFrame()) frame->SetRulerOrigin(rulerOrigin_.x, rulerOrigin_.y, true);
}

// ---- Texts

ImagePlace CLumo40View::PlaceForText() const {
  ImagePlace place;
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return place;
  place.width = stack->GetWidth();
  place.height = stack->GetHeight();
  const std::uint32_t resolution = stack->GetResolution();
  place.dpiX = (resolution & 0xFFFF) != 0 ? resolution & 0xFFFF : 72;
  place.dpiY = (resolution >> 16) != 0 ? resolution >> 16 : 72;
  place.origin = rulerOrigin_;
  return place;
}

std::string CLumo40View::FormatRectInUnits(RECT rect, bool inImage) const {
  ViewShell* shell = TheViewShell();
  if (!HasDrawContext() || shell == nullptr) return {};
  if (!inImage) {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return {};
    drawContext_->Mapping().XForm(&rect, kXFRects);
  }
  return shell->RectText(PlaceForText(), rect);
}

std::string CLumo40View::FormatPosition(POINT point, bool inImage) const {
  ViewShell* shell = TheViewShell();
  if (!HasDrawContext() || shell == nullptr) return {};
  if (!inImage) point = WindowPointToImagePixel(point);
  return shell->CoordinatesText(PlaceForText(), point);
}

// ---- Guides: hits and drags

int CLumo40View::HitTestGuide(int x, int y, std::int32_t* orientation) {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (!showGuides || lockGuides || stack == nullptr || !HasDrawContext()) return -1;
  const VRXFORM m = Mapping();
  const int hit = lumora::HitTestGuide(GuideLines(stack), GuidePositionOfWindow(m, x, false),
                                       GuidePositionOfWindow(m, y, true), ZoomRatio(), orientation);
  if (hit >= 0) hitGuide_ = hit;
  return hit;
}

bool CLumo40View::SetGuideCursor(int x, int y) {
  std::int32_t orientation = 0;
  if (HitTestGuide(x, y, &orientation) < 0) return false;
  SetCursor(GuideCursor(orientation == kVrGuideHorizontal ? 0 : 1));
  return true;
}

void CLumo40View::DrawDragFeedback(POINT at) {
  if (hwnd_ == nullptr || (at.x == -1 && at.y == -1)) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  HDC dc = GetDC(hwnd_);
  if (dc == nullptr) return;
  const int oldRop = SetROP2(dc, R2_XORPEN);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
  const bool horizontal = originDrag_ || dragOrientation_ == kVrGuideHorizontal;
  const bool vertical = originDrag_ || dragOrientation_ == kVrGuideVertical;
  if (horizontal) {
    MoveToEx(dc, client.left, at.y, nullptr);
    LineTo(dc, client.right, at.y);
  }
  if (vertical) {
    MoveToEx(dc, at.x, client.top, nullptr);
    LineTo(dc, at.x, client.bottom);
  }
  SelectObject(dc, oldPen);
  SetROP2(dc, oldRop);
  ReleaseDC(hwnd_, dc);
}

void CLumo40View::BeginGuideDrag(int x, int y, bool existing, std::int32_t orientation) {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return;
  if (existing) {
    if (hitGuide_ < 0 || hitGuide_ >= static_cast<int>(stack->Guides().size())) return;
    dragGuide_ = hitGuide_;
    dragOrientation_ = stack->Guides()[static_cast<std::size_t>(dragGuide_)].orientation;
    dragFromRuler_ = false;
    SetCapture(hwnd_);
    savedCursor_ = SetCursor(GuideCursor(dragOrientation_ == kVrGuideHorizontal ? 0 : 1));
    lastFeedback_ = POINT{x, y};
    DrawDragFeedback(lastFeedback_);
  } else {
    if (!originDrag_) {
      CLayersManager::GuideInfo guide;
      guide.position = 0;
      guide.orientation = static_cast<std::uint8_t>(orientation == kVrGuideHorizontal ? 1 : 0);
      stack->Guides().push_back(guide);
      dragGuide_ = static_cast<int>(stack->Guides().size()) - 1;
      dragOrientation_ = guide.orientation;
      dragFromRuler_ = true;
    }
    lastFeedback_ = POINT{-1, -1};
  }
  if (ViewShell* shell = TheViewShell(); shell != nullptr && guidePrompt_ == 0) guidePrompt_ = shell->AddPrompt(1, 1, false);
}

void CLumo40View::TrackGuideDrag(int x, int y) {
  if (!GuideDragRunning() || !HasDrawContext()) return;
  // The point snaps as a rectangle without size would.
  POINT at{x, y};
  const POINT pixel = WindowPointToImagePixel(at);
  POINT offset{0, 0};
  SnapRect(RECT{pixel.x, pixel.y, pixel.x, pixel.y}, &offset);
  if (offset.x != 0 || offset.y != 0) {
    const VRXFORM m = Mapping();
    if (offset.x != 0) at.x = static_cast<LONG>(GuideWindowPixel(m, (pixel.x + offset.x) * 32, false));
    if (offset.y != 0) at.y = static_cast<LONG>(GuideWindowPixel(m, (pixel.y + offset.y) * 32, true));
  }
  TrackRulerCursor(at);
  if (ViewShell* shell = TheViewShell(); shell != nullptr && guidePrompt_ != 0) {
    shell->SetPromptText(guidePrompt_, FormatPosition(at, false));
  }
  DrawDragFeedback(lastFeedback_);
  lastFeedback_ = at;
  DrawDragFeedback(lastFeedback_);
}

void CLumo40View::EndGuideDrag(int x, int y, bool cancel) {
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (savedCursor_ != nullptr) {
    SetCursor(savedCursor_);
    savedCursor_ = nullptr;
  }
  DrawDragFeedback(lastFeedback_);
  const bool moved = !(lastFeedback_.x == -1 && lastFeedback_.y == -1);
  const POINT last = moved ? lastFeedback_ : POINT{x, y};
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (originDrag_) {
    originDrag_ = false;
    if (!cancel && stack != nullptr) {
      SetRulerOrigin(OriginAfterRelease(POINT{x, y}, WindowPointToImagePixel(last), stack->GetHeight()));
    }
  } else if (dragGuide_ >= 0 && stack != nullptr && dragGuide_ < static_cast<int>(stack->Guides().size())) {
    auto& guides = stack->Guides();
    const auto index = static_cast<std::size_t>(dragGuide_);
    const CLayersManager::GuideInfo old = guides[index];
    if (cancel) {
      // A guide taken from a ruler was never placed.
      if (dragFromRuler_) guides.erase(guides.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
      const bool horizontal = dragOrientation_ == kVrGuideHorizontal;
      const std::int32_t position = GuidePositionOfWindow(Mapping(), horizontal ? last.y : last.x, horizontal);
      if (!dragFromRuler_) RemoveGuideAllViews(old.position, old.orientation);
      guides.erase(guides.begin() + static_cast<std::ptrdiff_t>(index));
      RECT client{};
      GetClientRect(hwnd_, &client);
      if (GuideReleaseKeeps(POINT{x, y}, client)) {
        CLayersManager::GuideInfo placed;
        placed.position = position;
        placed.orientation = old.orientation;
        guides.push_back(placed);
        AddGuideAllViews(placed.position, placed.orientation);
        hitGuide_ = static_cast<int>(guides.size()) - 1;
        if (!showGuides) SetShowGuides(true);
      }
      doc->Image().SetModifiedFlag(true);
      UpdateFrameTitle();
    }
  }
  dragGuide_ = -1;
  dragFromRuler_ = false;
  lastFeedback_ = POINT{-1, -1};
  if (ViewShell* shell = TheViewShell(); shell != nullptr && guidePrompt_ != 0) shell->RemovePrompt(guidePrompt_);
  guidePrompt_ = 0;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

}  // namespace lumora
