// The image child frame.
#include "view/win/ChildFrame.h"

#include "view/MenuHelpState.h"

#include <algorithm>

#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "hostapi/toolhost.h"
#include "platform/text.h"
#include "view/FrameTitle.h"
#include "engine/render/ViewMessages.h"
#include "view/win/AppActivation.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "view/win/ViewShell.h"
#include "view/Guides.h"
#include "hostapi/draw.h"

namespace lumora {

RECT CChildFrame::placement{0, 0, 0, 0};

FW_IMPLEMENT_DYNCREATE(CChildFrame, CVarnoChildFrm)
int CChildFrame::rulerDragPart = 0;

FW_MESSAGE_MAP(CChildFrame, CVarnoChildFrm, fw::WindowMessageEntry<&CChildFrame::OnChildMdiActivate>(WM_MDIACTIVATE),
               fw::WindowMessageEntry<&CChildFrame::OnRulerButtonDown>(WM_LBUTTONDOWN),
               fw::WindowMessageEntry<&CChildFrame::OnRulerMouseMove>(WM_MOUSEMOVE),
               fw::WindowMessageEntry<&CChildFrame::OnRulerButtonUp>(WM_LBUTTONUP),
               fw::WindowMessageEntry<&CChildFrame::OnRulerDoubleClick>(WM_LBUTTONDBLCLK),
               fw::WindowMessageEntry<&CChildFrame::OnRulerCaptureChanged>(WM_CAPTURECHANGED),
               fw::WindowMessageEntry<&CChildFrame::OnChildMenuSelect>(WM_MENUSELECT),
               fw::WindowMessageEntry<&CChildFrame::OnChildSysCommand>(WM_SYSCOMMAND))

bool CChildFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  if (placement.right > placement.left && placement.bottom > placement.top) {
    cs.x = placement.left;
    cs.y = placement.top;
    cs.cx = placement.right - placement.left;
    cs.cy = placement.bottom - placement.top;
  }
  return CVarnoChildFrm::PreCreateWindow(cs);
}

CLumo40View* CChildFrame::ImageView() const { return dynamic_cast<CLumo40View*>(GetActiveView()); }

void CChildFrame::OnUpdateFrameTitle(bool add) {
  fw::MdiFrame* main = GetMdiFrame();
  if (main != nullptr) main->OnUpdateFrameTitle(add);
  fw::Document* doc = GetActiveDocument();
  const std::string title = doc != nullptr ? doc->GetTitle() : std::string();
  UpdateTitle(add && addToTitle && doc != nullptr ? &title : nullptr);
}

void CChildFrame::UpdateTitle(const std::string* documentTitle) {
  FrameTitleParts parts;
  parts.frameTitle = std::string();  // image frames add nothing of their own
  auto* doc = dynamic_cast<CLumo40Doc*>(GetActiveDocument());
  if (documentTitle != nullptr) {
    parts.hasDocumentTitle = true;
    parts.documentTitle = AnsiToUtf8(*documentTitle);  // file names are 8-bit, layer names UTF-8
    parts.modified = doc != nullptr && (doc->IsModified() || doc->Image().IsModified());
    CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
    WAPtr merged = stack != nullptr ? stack->GetCompositeImage() : nullptr;
    if (merged) {
      parts.hasImage = true;
      parts.width = merged->GetW();
      parts.height = merged->GetH();
    }
    if (CLumo40View* view = ImageView(); view != nullptr && view->IsReady()) {
      parts.hasView = true;
      parts.imagePerWindow = view->Zoom().x.ImagePerWindowUnit();
    }
    if (CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr) {
      parts.layerName = layer->GetName();
    }
    parts.windowNumber = windowNumber;
  }
  const std::string next = FormatFrameTitle(parts);
  if (!FrameTitleNeedsSetting(TitleText(), next)) return;
  ++titlesSet;
  SetTitleText(next);
}

std::string CChildFrame::TitleText() const {
  // The stored caption itself: asking the window (an 8-bit one) would give
  // it in 8 bits.
  std::u16string wide(1024, u'\0');  // longer captions are set again whatever they hold
  const int got = InternalGetWindowText(hwnd_, reinterpret_cast<LPWSTR>(wide.data()), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Utf16ToUtf8(wide);
}

void CChildFrame::SetTitleText(const std::string& utf8) {
  // The window's procedure is an 8-bit one: the text is sent for the
  // caption's own handling, and the Unicode text is what gets stored.
  const std::u16string wide = Utf8ToUtf16(utf8);
  wideTitle_ = &wide;
  SendMessageW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  wideTitle_ = nullptr;
  // The Window menu lists the caption it had when it was last built.
  if (HWND client = GetParent(hwnd_)) SendMessageA(client, WM_MDIREFRESHMENU, 0, 0);
}

LRESULT CChildFrame::BaseWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT && wideTitle_ != nullptr) {
    return DefMDIChildProcW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideTitle_->c_str()));
  }
  return CVarnoChildFrm::WindowProc(message, wParam, lParam);
}

// ---- Caption highlight

bool CChildFrame::HighlightsCaption() const {
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  return main != nullptr && main->Handle() != nullptr && GetAncestor(hwnd_, GA_ROOT) == main->Handle();
}

void CChildFrame::DrawHighlight() {
  if (IsIconic(hwnd_)) return;
  HDC dc = GetWindowDC(hwnd_);
  if (dc == nullptr) return;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  const int frameX = GetSystemMetrics(SM_CXFRAME), frameY = GetSystemMetrics(SM_CYFRAME);
  const int button = GetSystemMetrics(SM_CXSIZE), border = GetSystemMetrics(SM_CXBORDER);
  const RECT r{frameX + button + border, frameY, (window.right - window.left) - 3 * (button + border) - frameX,
               frameY + GetSystemMetrics(SM_CYSIZE)};
  HPEN pen = CreatePen(PS_DOT, 1, GetSysColor(COLOR_ACTIVECAPTION));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  ReleaseDC(hwnd_, dc);
}

LRESULT CChildFrame::CaptionMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      captionState_ = 0;
      return CVarnoChildFrm::WindowProc(message, wParam, lParam);
    case WM_NCACTIVATE: {
      const LRESULT r = CVarnoChildFrm::WindowProc(message, wParam, lParam);
      if (wParam != 0) {
        captionState_ = 3;
      } else {
        captionState_ &= ~1u;
        if (captionState_ & 2u) DrawHighlight();
      }
      return r;
    }
    case WM_NCPAINT:
    case WM_SETTEXT: {
      const LRESULT r = BaseWindowProc(message, wParam, lParam);
      if (captionState_ == 2u) DrawHighlight();
      return r;
    }
    case kMsgViewActivation: {
      const unsigned before = captionState_;
      captionState_ = wParam != 0 ? (captionState_ | 2u) : (captionState_ & ~2u);
      if (captionState_ != before) {
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      }
      return 0;
    }
    default: return CVarnoChildFrm::WindowProc(message, wParam, lParam);
  }
}

LRESULT CChildFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool caption = message == WM_NCCREATE || message == WM_NCACTIVATE || message == WM_NCPAINT ||
                       message == WM_SETTEXT || message == kMsgViewActivation;
  const LRESULT r = caption && HighlightsCaption() ? CaptionMessage(message, wParam, lParam)
                                                  : BaseWindowProc(message, wParam, lParam);
  // The tool host's Window menu shows the new caption.
  if (message == WM_SETTEXT) LUWinMenu_CorrectName(nullptr, hwnd_);
  return r;
}

// ---- Activation, menus, minimising

LRESULT CChildFrame::OnChildMdiActivate(WPARAM wParam, LPARAM lParam) {
  const LRESULT r = OnMdiActivate(wParam, lParam);
  if (reinterpret_cast<HWND>(lParam) == hwnd_) LUWinMenu_SetActiveWnd(nullptr, hwnd_);
  if (!TheActivationList().MdiAreaAgrees()) return r;
  auto viewOf = [](HWND frame) -> CLumo40View* {
    auto* child = dynamic_cast<CChildFrame*>(fw::Window::FromHandle(frame));
    return child != nullptr ? child->ImageView() : nullptr;
  };
  CLumo40View* mine = ImageView();
  if (mine == nullptr || !mine->IsReady()) return r;
  const auto deactivated = reinterpret_cast<HWND>(wParam), activated = reinterpret_cast<HWND>(lParam);
  if (deactivated == hwnd_ && activated != hwnd_) mine->OnDeactivateImageView(viewOf(activated));
  if (activated == hwnd_ && deactivated != hwnd_) mine->OnActivateImageView(viewOf(deactivated));
  return r;
}

LRESULT CChildFrame::OnChildMenuSelect(WPARAM wParam, LPARAM lParam) {
  const LRESULT r = OnMenuSelectMessage(wParam, lParam);
  const UINT flags = HIWORD(wParam);
  MenuHelpState& menuHelp = SharedMenuHelpState();
  menuHelp.menu = reinterpret_cast<HMENU>(lParam);
  if ((lParam == 0 && flags == 0xFFFF) || (flags & MF_SEPARATOR) != 0) {
    menuHelp = MenuHelpState{};
  } else if (flags & MF_SYSMENU) {
    menuHelp.kind = (flags & MF_POPUP) ? MenuHelpState::kImageSystemPopup : MenuHelpState::kImageSystemItem;
    menuHelp.item = LOWORD(wParam);
  }
  return r;
}

LRESULT CChildFrame::OnChildSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == SC_MINIMIZE) {
    CLumo40View* view = ImageView();
    if (view != nullptr && view->QueryApplyTransform() == 0) return 0;
  }
  return DefaultProc(WM_SYSCOMMAND, wParam, lParam);
}

// ---- Ruler drags: a guide out of the top or left ruler, the origin out of
// the corner box.

POINT CChildFrame::ToView(LPARAM lParam) const {
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (CLumo40View* view = ImageView()) MapWindowPoints(hwnd_, view->Handle(), &p, 1);
  return p;
}

LRESULT CChildFrame::OnRulerButtonDown(WPARAM wParam, LPARAM lParam) {
  const int part = RulersShown() ? RulerHitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))) : 3;
  CLumo40View* view = ImageView();
  if (part == 3 || view == nullptr || !view->HasDrawContext() || view->GuideDragRunning()) {
    return OnLButtonDownMessage(wParam, lParam);
  }
  SetCapture(hwnd_);
  rulerDrag_ = true;
  rulerDragPart = part;
  cursorBeforeDrag_ = SetCursor(GuideCursor(part));
  const POINT p = ToView(lParam);
  if (part == 2) view->BeginOriginDrag();
  view->BeginGuideDrag(p.x, p.y, false, part == 0 ? kVrGuideHorizontal : kVrGuideVertical);
  return 0;
}

LRESULT CChildFrame::OnRulerMouseMove(WPARAM wParam, LPARAM lParam) {
  CLumo40View* view = ImageView();
  if (!rulerDrag_ || view == nullptr) return DefaultProc(WM_MOUSEMOVE, wParam, lParam);
  SetCursor(GuideCursor(rulerDragPart));
  const POINT p = ToView(lParam);
  view->TrackGuideDrag(p.x, p.y);
  return 0;
}

LRESULT CChildFrame::OnRulerButtonUp(WPARAM wParam, LPARAM lParam) {
  if (!rulerDrag_) return DefaultProc(WM_LBUTTONUP, wParam, lParam);
  rulerDrag_ = false;
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (cursorBeforeDrag_ != nullptr) SetCursor(cursorBeforeDrag_);
  cursorBeforeDrag_ = nullptr;
  CLumo40View* view = ImageView();
  if (view == nullptr) return 0;
  POINT p = ToView(lParam);
  if (rulerDragPart == 2) {
    // Released over a ruler, that axis of the origin goes back to 0.
    const int over = RulerHitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    if (over == 0 || over == 2) p.y = kOriginAxisReset;
    if (over == 1 || over == 2) p.x = kOriginAxisReset;
  }
  view->EndGuideDrag(p.x, p.y, false);
  return 0;
}

LRESULT CChildFrame::OnRulerCaptureChanged(WPARAM wParam, LPARAM lParam) {
  // Capture taken away mid-drag (another program, a menu): the drag ends
  // as if cancelled.
  if (rulerDrag_ && reinterpret_cast<HWND>(lParam) != hwnd_) {
    rulerDrag_ = false;
    if (CLumo40View* view = ImageView()) view->EndGuideDrag(-1, -1, true);
  }
  return DefaultProc(WM_CAPTURECHANGED, wParam, lParam);
}

LRESULT CChildFrame::OnRulerDoubleClick(WPARAM wParam, LPARAM lParam) {
  if (RulersShown() && RulerHitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))) == 2) return 0;
  return DefaultProc(WM_LBUTTONDBLCLK, wParam, lParam);
}

VrWA2000::WA* GetViewImageWA(HWND window) {
  CLumo40Doc* doc = GetDocFromWnd(window);
  return doc != nullptr ? doc->Image().GetActiveImage().get() : nullptr;
}

VrWA2000::WA* GetViewFloatingImage(HWND window) {
  CLumo40Doc* doc = GetDocFromWnd(window);
  return doc != nullptr ? doc->Image().GetFloatingImage().get() : nullptr;
}

}  // namespace lumora
