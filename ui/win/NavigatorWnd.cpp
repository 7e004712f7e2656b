// The navigator window: placement and its settings, the thumbnail and the
// view rectangle, dragging in the thumbnail, the zoom controls, keys and
// tool tips.
#include "ui/win/NavigatorWnd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "hostapi/toolhost.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/NavigatorMath.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr char kSection[] = "NAVIGATOR";

// The views' gamma and colour management, so that the thumbnail shows the
// image's colours as they do.
CLumo40Doc::ThumbnailLook ViewsLook() {
  const ViewDisplaySettings& settings = CurrentViewSettings();
  return CLumo40Doc::ThumbnailLook{settings.gamma, settings.colorProfiles};
}
constexpr int kNoPosition = INT32_MIN;

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

std::string PercentText(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%i%%", percent);
  return text;
}

}  // namespace

CNavigatorWnd::CNavigatorWnd() : CToolTipSuppDlg(IDD_NAVIGATOR, nullptr) {}

CNavigatorWnd::~CNavigatorWnd() {
  DropThumbnail();
  if (hwnd_ != nullptr) DestroyWindow();
}

bool CNavigatorWnd::Create(HWND parent) {
  if (fw::Profile* p = Settings()) {
    shown = p->GetInt(kSection, "SHOW", 1);
    minimized = p->GetInt(kSection, "MINIMIZED", 0);
  }
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_NAVIGATOR), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  return h != nullptr;
}

bool CNavigatorWnd::OnInitDialog() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAINFRAME));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_NAVIGATOR_ACCEL));
  edit_.SubclassDlgItem(IDC_NAV_ZOOM_EDIT, *this);
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  minimum_ = SIZE{RectWidth(window), RectHeight(window)};
  bandHeight_ = client.bottom - DialogChildRect(hwnd_, IDC_NAV_ZOOM_EDIT).top;
  // The slider's channel is made odd so that 100 % sits on its middle pixel.
  HWND slider = GetDlgItem(hwnd_, IDC_NAV_SLIDER);
  RECT channel{};
  SendMessageA(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const SliderRange range = SliderRangeForChannel(RectWidth(channel));
  if (range.widen) {
    const RECT r = DialogChildRect(hwnd_, IDC_NAV_SLIDER);
    SetWindowPos(slider, nullptr, 0, 0, RectWidth(r) + 1, RectHeight(r), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  sliderM_ = std::max(range.m, 1);
  SendMessageA(slider, TBM_SETRANGEMIN, FALSE, -sliderM_);
  SendMessageA(slider, TBM_SETRANGEMAX, TRUE, sliderM_);
  SendDlgItemMessageA(hwnd_, IDC_NAV_ZOOM_SPIN, UDM_SETRANGE32, kNavigatorMinPercent, kNavigatorMaxPercent);
  SendDlgItemMessageA(hwnd_, IDC_NAV_ZOOM_SPIN, UDM_SETPOS32, 0, percent_);
  SetDlgItemTextA(hwnd_, IDC_NAV_ZOOM_EDIT, PercentText(percent_).c_str());
  area_ = DialogChildRect(hwnd_, IDC_NAV_IMAGE_AREA);
  AddTips();
  ReadPlacement();
  keyHook_.Install(this);
  SetImage(nullptr);
  return false;
}

void CNavigatorWnd::ReadPlacement() {
  fw::Profile* p = Settings();
  const int x = p != nullptr ? p->GetInt(kSection, "X", kNoPosition) : kNoPosition;
  const int y = p != nullptr ? p->GetInt(kSection, "Y", kNoPosition) : kNoPosition;
  const int width = std::max<int>(minimum_.cx, p != nullptr ? p->GetInt(kSection, "DX", minimum_.cx) : minimum_.cx);
  const int height = std::max<int>(minimum_.cy, p != nullptr ? p->GetInt(kSection, "DY", minimum_.cy) : minimum_.cy);
  POINT at{x, y};
  if (x == kNoPosition || y == kNoPosition) {
    // Top right of the main frame's MDI area.
    auto* main = fw::TheApp() != nullptr ? dynamic_cast<fw::MdiFrame*>(fw::TheApp()->MainWindow()) : nullptr;
    RECT client{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (main != nullptr && main->MdiClient() != nullptr) {
      GetClientRect(main->MdiClient(), &client);
      MapWindowPoints(main->MdiClient(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    }
    at = POINT{client.right - width - 3, client.top + 82};
  }
  // On the screen, wherever it was meant to go.
  at.x = std::clamp<LONG>(at.x, 0, std::max<LONG>(0, GetSystemMetrics(SM_CXSCREEN) - width));
  at.y = std::clamp<LONG>(at.y, 0, std::max<LONG>(0, GetSystemMetrics(SM_CYSCREEN) - height));
  SetWindowPos(hwnd_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (minimized != 0) ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
}

void CNavigatorWnd::EnableForImage(CLumo40View* view) {
  HWND wanted = nullptr;
  if (view != nullptr && view->Handle() != nullptr) {
    wanted = GetAncestor(view->Handle(), GA_ROOT);
  } else if (fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr) {
    wanted = fw::TheApp()->MainWindow()->Handle();
  }
  if (hwnd_ != nullptr && wanted != nullptr && GetWindow(hwnd_, GW_OWNER) != wanted) {
    const bool visible = IsWindowVisible(hwnd_) != 0;
    DestroyWindow();
    area_ = thumb_ = viewRect_ = RECT{0, 0, 0, 0};
    if (Create(wanted)) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  }
  SetImage(view);
}

void CNavigatorWnd::SetImage(CLumo40View* view) {
  view_ = view;
  DropThumbnail();
  thumb_ = viewRect_ = RECT{0, 0, 0, 0};
  if (hwnd_ == nullptr) return;
  for (int id : {IDC_NAV_ZOOM_EDIT, IDC_NAV_SLIDER, IDC_NAV_ZOOM_SPIN}) EnableWindow(GetDlgItem(hwnd_, id), view != nullptr);
  if (view != nullptr && IsWindowVisible(hwnd_)) {
    RecalcRects();
  } else {
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

void CNavigatorWnd::DisplaySettingsChanged() {
  DropThumbnail();
  if (hwnd_ == nullptr) return;
  RECT around = area_;
  InflateRect(&around, 2, 2);
  InvalidateRect(hwnd_, &around, FALSE);
}

void CNavigatorWnd::DropThumbnail() {
  if (thumbnail_ != nullptr) DeleteObject(thumbnail_);
  thumbnail_ = nullptr;
}

void CNavigatorWnd::RecalcRects() {
  if (hwnd_ == nullptr) return;
  area_ = DialogChildRect(hwnd_, IDC_NAV_IMAGE_AREA);
  RECT next{0, 0, 0, 0};
  if (view_ != nullptr && view_->HasDrawContext()) {
    // The image's own proportions: a zoom step's rounding of the displayed
    // size must not make the thumbnail be drawn again.
    const RECT image = view_->GetImageRect();
    next = FitThumbnail(area_, RectWidth(image), RectHeight(image));
  }
  if (!RectsEqual(next, thumb_)) {
    thumb_ = next;
    DropThumbnail();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  UpdateViewRect();
}

void CNavigatorWnd::UpdateViewRect() {
  if (hwnd_ == nullptr || updating_) return;
  if (view_ == nullptr || !view_->HasDrawContext() || view_->Handle() == nullptr) {
    viewRect_ = RECT{0, 0, 0, 0};
    return;
  }
  const RECT shown = view_->DisplayedImageRect();
  const RECT image = view_->GetImageRect();
  const RECT wanted = FitThumbnail(area_, RectWidth(image), RectHeight(image));
  if (!RectsEqual(wanted, thumb_)) {
    RecalcRects();
    return;
  }
  RECT client{};
  GetClientRect(view_->Handle(), &client);
  const POINT scroll = view_->GetDeviceScrollPosition();
  // While the user drags it, the rectangle stays where it was put.
  if (cursorState_ != 3) {
    viewRect_ = NavigatorViewRect(thumb_, ViewGeometry{client.right, client.bottom, RectWidth(shown), RectHeight(shown),
                                                       scroll.x, scroll.y});
  }
  RECT around = area_;
  InflateRect(&around, 2, 2);
  InvalidateRect(hwnd_, &around, FALSE);
  percent_ = NavigatorPercent(view_->ZoomRatio());
  updating_ = true;
  SetSliderToPercent();
  SendDlgItemMessageA(hwnd_, IDC_NAV_ZOOM_SPIN, UDM_SETPOS32, 0, percent_);
  if (GetFocus() != GetDlgItem(hwnd_, IDC_NAV_ZOOM_EDIT)) {
    SetDlgItemTextA(hwnd_, IDC_NAV_ZOOM_EDIT, PercentText(percent_).c_str());
  }
  updating_ = false;
}

void CNavigatorWnd::SetSliderToPercent() {
  SendDlgItemMessageA(hwnd_, IDC_NAV_SLIDER, TBM_SETPOS, TRUE, PercentToSlider(percent_, sliderM_));
}

bool CNavigatorWnd::EnsureThumbnail() {
  if (thumbnail_ != nullptr) return true;
  if (view_ == nullptr || RectIsEmpty(thumb_)) return false;
  CLumo40Doc* doc = view_->GetDoc();
  if (doc == nullptr) return false;
  HDC screen = GetDC(nullptr);
  thumbnail_ = CreateCompatibleBitmap(screen, RectWidth(thumb_), RectHeight(thumb_));
  ReleaseDC(nullptr, screen);
  if (thumbnail_ == nullptr) return false;
  view_->TakeThumbnailDamage();
  const CLumo40Doc::ThumbnailLook look = ViewsLook();
  doc->RenderThumbnail(thumbnail_, nullptr, &look);
  ++thumbnailRenders;
  return true;
}

void CNavigatorWnd::UpdateThumbnail() {
  if (hwnd_ == nullptr || view_ == nullptr) return;
  const RECT damage = view_->TakeThumbnailDamage();
  if (thumbnail_ == nullptr || RectIsEmpty(damage)) return;
  CLumo40Doc* doc = view_->GetDoc();
  if (doc == nullptr) return;
  const CLumo40Doc::ThumbnailLook look = ViewsLook();
  doc->RenderThumbnail(thumbnail_, &damage, &look);
  ++thumbnailRenders;
  RECT around = area_;
  InflateRect(&around, 2, 2);
  InvalidateRect(hwnd_, &around, FALSE);
}

void CNavigatorWnd::Paint(HDC dc) {
  RECT around = area_;
  InflateRect(&around, 2, 2);
  if (RectIsEmpty(around)) return;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP canvas = CreateCompatibleBitmap(dc, RectWidth(around), RectHeight(around));
  HGDIOBJ oldCanvas = SelectObject(memory, canvas);
  SetViewportOrgEx(memory, -around.left, -around.top, nullptr);
  FillRect(memory, &around, GetSysColorBrush(COLOR_BTNFACE));
  if (view_ != nullptr && EnsureThumbnail()) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, thumbnail_);
    BitBlt(memory, thumb_.left, thumb_.top, RectWidth(thumb_), RectHeight(thumb_), source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    RECT edge = thumb_;
    InflateRect(&edge, 2, 2);
    DrawEdge(memory, &edge, EDGE_SUNKEN, BF_RECT);
    HPEN red = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(memory, red);
    HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(NULL_BRUSH));
    Rectangle(memory, viewRect_.left, viewRect_.top, viewRect_.right + 1, viewRect_.bottom + 1);
    SelectObject(memory, oldBrush);
    SelectObject(memory, oldPen);
    DeleteObject(red);
  }
  SetViewportOrgEx(memory, 0, 0, nullptr);
  BitBlt(dc, around.left, around.top, RectWidth(around), RectHeight(around), memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldCanvas);
  DeleteObject(canvas);
  DeleteDC(memory);
}

void CNavigatorWnd::ApplyPercent(int percent) {
  percent_ = percent;
  if (view_ != nullptr) view_->SetZoomRatio(percent, 100);
}

// Enter outside the percentage field (or any OK that reaches the window)
// takes the field's value as Enter in it does. The zoom the view already
// has is not applied again: that would move the view.
void CNavigatorWnd::OnOK() { OnEditChanged(); }

// Escape hides the window as its close box does.
void CNavigatorWnd::OnCancel() { SendMessageA(hwnd_, WM_CLOSE, 0, 0); }

void CNavigatorWnd::OnEditChanged() {
  char text[32] = {};
  GetDlgItemTextA(hwnd_, IDC_NAV_ZOOM_EDIT, text, sizeof text);
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || value < kNavigatorMinPercent || value > kNavigatorMaxPercent || value == percent_) return;
  ApplyPercent(static_cast<int>(value));
}

void CNavigatorWnd::ScrollViewToRect() {
  if (view_ == nullptr) return;
  const RECT shown = view_->DisplayedImageRect();
  view_->ScrollToDevicePosition(NavigatorScrollFor(viewRect_, thumb_, RectWidth(shown), RectHeight(shown)));
}

int CNavigatorWnd::CursorStateAt(POINT p) const {
  if (view_ == nullptr) return 0;
  if (PtInRect(&viewRect_, p)) return 2;
  return PtInRect(&thumb_, p) ? 1 : 0;
}

void CNavigatorWnd::OnButtonDown(POINT p) {
  if (view_ == nullptr || !PtInRect(&area_, p) || RectIsEmpty(thumb_)) return;
  if (!PtInRect(&viewRect_, p)) {
    viewRect_ = CentreRectInside(viewRect_, p, thumb_);
    RECT around = area_;
    InflateRect(&around, 2, 2);
    InvalidateRect(hwnd_, &around, FALSE);
    cursorState_ = 3;
    ScrollViewToRect();
  }
  SetCapture(hwnd_);
  cursorState_ = 3;
  grab_ = POINT{p.x - (viewRect_.left + viewRect_.right) / 2, p.y - (viewRect_.top + viewRect_.bottom) / 2};
}

void CNavigatorWnd::OnMouseMove(POINT p) {
  MoveAreaTip(p);
  if (cursorState_ != 3 || GetCapture() != hwnd_) return;
  viewRect_ = CentreRectInside(viewRect_, POINT{p.x - grab_.x, p.y - grab_.y}, thumb_);
  RECT around = area_;
  InflateRect(&around, 2, 2);
  InvalidateRect(hwnd_, &around, FALSE);
  ScrollViewToRect();
}

void CNavigatorWnd::AddTips() {
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tips_ == nullptr) return;
  // The texts come from GetToolTipText when the tip shows.
  auto add = [this](UINT flags, UINT_PTR id) {
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = flags | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = id;
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  };
  add(TTF_IDISHWND, reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, IDC_NAV_SLIDER)));
  add(TTF_IDISHWND, reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, IDC_NAV_ZOOM_EDIT)));
  add(0, IDC_NAV_IMAGE_AREA);
}

void CNavigatorWnd::GetToolTipText(unsigned controlId, std::string& text) {
  switch (controlId) {
    case IDC_NAV_SLIDER: text = std::string(res::String(IDS_TIP_ZOOM_SLIDER)); break;
    case IDC_NAV_ZOOM_EDIT: text = std::string(res::String(IDS_TIP_ZOOM_FACTOR)); break;
    case IDC_NAV_IMAGE_AREA: text = std::string(res::String(IDS_TIP_PROXY_PREVIEW)); break;
    default: text.clear(); break;
  }
}

// Each point of the image area is a tool of its own, 3 x 3 pixels, so the
// tip follows the mouse.
void CNavigatorWnd::MoveAreaTip(POINT p) {
  if (tips_ == nullptr) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = hwnd_;
  ti.uId = IDC_NAV_IMAGE_AREA;
  ti.rect = PtInRect(&area_, p) ? RECT{p.x - 1, p.y - 1, p.x + 2, p.y + 2} : RECT{0, 0, 0, 0};
  SendMessageA(tips_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CNavigatorWnd::LayOut(int width, int height) {
  for (int id : {IDC_NAV_ZOOM_EDIT, IDC_NAV_SLIDER, IDC_NAV_ZOOM_SPIN}) {
    const RECT r = DialogChildRect(hwnd_, id);
    SetWindowPos(GetDlgItem(hwnd_, id), nullptr, r.left, height - bandHeight_, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(GetDlgItem(hwnd_, IDC_NAV_IMAGE_AREA), nullptr, 2, 2, std::max(0, width - 4),
               std::max(0, height - bandHeight_ - 6), SWP_NOZORDER | SWP_NOACTIVATE);
  RecalcRects();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CNavigatorWnd::SaveShowState() {
  shown = hwnd_ != nullptr && IsWindowVisible(hwnd_) ? 1 : 0;
  if (fw::Profile* p = Settings()) p->WriteInt(kSection, "SHOW", shown);
}

bool CNavigatorWnd::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && accelerators_ != nullptr && fw::TheApp() != nullptr &&
      fw::TheApp()->MainWindow() != nullptr) {
    HWND main = fw::TheApp()->MainWindow()->Handle();
    if (TranslateAcceleratorA(main, accelerators_, msg) != 0) {
      // The key's command went to the image window; the window comes forward.
      if (view_ != nullptr) {
        if (fw::FrameWnd* frame = view_->GetParentFrame()) frame->ActivateFrame();
      }
      return true;
    }
  }
  return CToolTipSuppDlg::PreTranslateMessage(msg);
}

bool CNavigatorWnd::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (message == CMyEdit::ReturnMessage()) {
    OnEditChanged();
    *result = TRUE;
    return true;
  }
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      *result = TRUE;
      return true;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      *result = TRUE;
      return true;
    case WM_ERASEBKGND: {
      // The DC is the one the paint that follows draws with: the thumbnail
      // is left out of the erasing only, not out of that paint.
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int saved = SaveDC(dc);
      if (!RectIsEmpty(thumb_)) ExcludeClipRect(dc, thumb_.left, thumb_.top, thumb_.right, thumb_.bottom);
      RECT client{};
      GetClientRect(hwnd_, &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
      RestoreDC(dc, saved);
      *result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN: OnButtonDown(p); return true;
    case WM_MOUSEMOVE: OnMouseMove(p); return true;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd_) ReleaseCapture();
      cursorState_ = CursorStateAt(p);
      UpdateViewRect();
      return true;
    case WM_CAPTURECHANGED:
      if (cursorState_ == 3) cursorState_ = 0;
      return false;
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wParam) != hwnd_ || LOWORD(lParam) != HTCLIENT) return false;
      POINT at{};
      GetCursorPos(&at);
      ScreenToClient(hwnd_, &at);
      const int state = GetCapture() == hwnd_ ? 3 : CursorStateAt(at);
      if (state == 0) return false;
      const int ids[4] = {0, IDC_CURSOR_NAV_THUMB, IDC_CURSOR_NAV_RECT, IDC_CURSOR_NAV_DRAG};
      SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ids[state])));
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
      *result = TRUE;
      return true;
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_NAV_SLIDER) && !updating_) {
        const int position = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_NAV_SLIDER, TBM_GETPOS, 0, 0));
        ApplyPercent(SliderToPercent(position, sliderM_));
      }
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_NAV_ZOOM_SPIN || header->code != UDN_DELTAPOS) {
        return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
      }
      const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
      const int next = change->iPos + change->iDelta;
      const bool refuse = next < kNavigatorMinPercent || next > kNavigatorMaxPercent;
      if (!refuse && next != percent_) ApplyPercent(next);
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, refuse ? TRUE : FALSE);
      *result = TRUE;
      return true;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_NAV_ZOOM_EDIT && HIWORD(wParam) == EN_KILLFOCUS) {
        OnEditChanged();
        return true;
      }
      return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
    case WM_SIZING: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (RectWidth(*r) < minimum_.cx) {
        if (wParam == WMSZ_LEFT || wParam == WMSZ_TOPLEFT || wParam == WMSZ_BOTTOMLEFT) {
          r->left = r->right - minimum_.cx;
        } else {
          r->right = r->left + minimum_.cx;
        }
      }
      if (RectHeight(*r) < minimum_.cy) {
        if (wParam == WMSZ_TOP || wParam == WMSZ_TOPLEFT || wParam == WMSZ_TOPRIGHT) {
          r->top = r->bottom - minimum_.cy;
        } else {
          r->bottom = r->top + minimum_.cy;
        }
      }
      *result = TRUE;
      return true;
    }
    case WM_SIZE: {
      if (wParam != SIZE_MINIMIZED && bandHeight_ > 0) LayOut(LOWORD(lParam), HIWORD(lParam));
      RECT window{};
      GetWindowRect(hwnd_, &window);
      if (minimized != 0) {
        OffsetRect(&placement_, window.left - placement_.left, window.top - placement_.top);
      } else {
        placement_ = window;
      }
      return true;
    }
    case WM_MOVE: {
      RECT window{};
      GetWindowRect(hwnd_, &window);
      if (minimized != 0 || IsIconic(hwnd_)) {
        OffsetRect(&placement_, window.left - placement_.left, window.top - placement_.top);
      } else {
        placement_ = window;
      }
      return true;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        GetWindowRect(hwnd_, &placement_);
        minimized = 1;
      } else if ((wParam & 0xFFF0) == SC_RESTORE) {
        minimized = 0;
      }
      return false;
    case WM_CLOSE:
      shown = 0;
      if (fw::Profile* p = Settings()) p->WriteInt(kSection, "SHOW", 0);
      ShowWindow(hwnd_, SW_HIDE);
      *result = TRUE;
      return true;
    case WM_SHOWWINDOW:
      if (wParam != 0 && view_ != nullptr) RecalcRects();
      return false;
    case WM_DESTROY: {
      keyHook_.Remove();
      if (tips_ != nullptr) ::DestroyWindow(tips_);
      tips_ = nullptr;
      if (fw::Profile* profile = Settings(); profile != nullptr && !RectIsEmpty(placement_)) {
        profile->WriteInt(kSection, "X", placement_.left);
        profile->WriteInt(kSection, "Y", placement_.top);
        profile->WriteInt(kSection, "DX", RectWidth(placement_));
        profile->WriteInt(kSection, "DY", RectHeight(placement_));
        profile->WriteInt(kSection, "MINIMIZED", minimized);
      }
      DropThumbnail();
      return false;
    }
    default:
      return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
  }
}

}  // namespace lumora
