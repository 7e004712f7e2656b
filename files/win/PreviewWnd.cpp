// The export preview pane's window.
#include "files/win/PreviewWnd.h"

#include <cstring>
#include <vector>

#include "framework/win/App.h"
#include "platform/trace.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kClassName[] = "LumoraPreviewPane";

// The highlight of the pane a drag began in: hidden while the image moves,
// back at the end.
bool gHighlightBeforeDrag = false;

void CollectPanes(HWND parent, std::vector<CPreviewWnd*>* panes) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    CollectPanes(child, panes);
    if (auto* pane = dynamic_cast<CPreviewWnd*>(fw::Window::FromHandle(child))) panes->push_back(pane);
  }
}

}  // namespace

FW_MESSAGE_MAP(CPreviewWnd, fw::Window, fw::WindowMessageEntry<&CPreviewWnd::OnCreate>(WM_CREATE),
               fw::WindowMessageEntry<&CPreviewWnd::OnSize>(WM_SIZE),
               fw::WindowMessageEntry<&CPreviewWnd::OnPaint>(WM_PAINT),
               fw::WindowMessageEntry<&CPreviewWnd::OnEraseBackground>(WM_ERASEBKGND),
               fw::WindowMessageEntry<&CPreviewWnd::OnMouseMove>(WM_MOUSEMOVE),
               fw::WindowMessageEntry<&CPreviewWnd::OnLButtonUp>(WM_LBUTTONUP),
               fw::WindowMessageEntry<&CPreviewWnd::OnRButtonUp>(WM_RBUTTONUP),
               fw::WindowMessageEntry<&CPreviewWnd::OnSetCursor>(WM_SETCURSOR))

CPreviewWnd::CPreviewWnd() {
  layout_.SetFitMode(true);
  zoomMenu_ = CreatePopupMenu();
  const std::pair<std::uint32_t, std::uint32_t> items[] = {{kZoomIn, IDS_PREVIEW_ZOOM_IN},
                                                           {kZoomOut, IDS_PREVIEW_ZOOM_OUT},
                                                           {kActualSize, IDS_PREVIEW_ACTUAL_SIZE},
                                                           {0, 0},
                                                           {kCenterInFrame, IDS_PREVIEW_CENTER}};
  for (const auto& [command, text] : items) {
    if (zoomMenu_ == nullptr) break;
    if (command == 0) {
      AppendMenuA(zoomMenu_, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::string label(res::String(text));
    if (!label.empty()) AppendMenuA(zoomMenu_, MF_STRING, command, label.c_str());
  }
  cursor_ = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_NAV_RECT));
}

CPreviewWnd::~CPreviewWnd() {
  if (zoomMenu_ != nullptr) DestroyMenu(zoomMenu_);
  if (hwnd_ != nullptr) DestroyWindow();
}

bool CPreviewWnd::CreateOver(HWND dialog, int placeholderId, int id) {
  HWND placeholder = GetDlgItem(dialog, placeholderId);
  if (placeholder == nullptr) return false;
  const std::string cls = fw::App::RegisterWindowClass(kClassName, CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                                                       nullptr, nullptr);
  RECT client{};
  GetClientRect(placeholder, &client);
  return CreateEx(0, cls.c_str(), "", WS_CHILD | WS_CLIPSIBLINGS, client.left, client.top,
                  client.right - client.left, client.bottom - client.top, placeholder,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT CPreviewWnd::OnCreate(WPARAM, LPARAM lParam) {
  const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
  const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
  SetWindowLongA(hwnd_, GWL_STYLE, (style & WS_VISIBLE) | WS_CHILD | WS_CLIPSIBLINGS);
  layout_.SetClient(cs->cx, cs->cy);
  Recompute();
  return 0;
}

LRESULT CPreviewWnd::OnSize(WPARAM, LPARAM lParam) {
  layout_.SetClient(LOWORD(lParam), HIWORD(lParam));
  Recompute();
  return 0;
}

void CPreviewWnd::SetImage(VrWA2000::WA* image, bool reset) {
  display_ = nullptr;
  if (image == nullptr) {
    source_ = nullptr;
    layout_.Clear();
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
    return;
  }
  const bool first = !source_;
  if (source_ && source_->GetType() == image->GetType() && source_->GetW() == image->GetW() &&
      source_->GetH() == image->GetH()) {
    for (int y = 0; y < image->GetH(); ++y) {
      std::memcpy(source_->Row(y), image->Row(y), static_cast<std::size_t>(image->GetBPLine()));
    }
    if (image->GetType() != kWAType24) source_->SetPaletteEntries(0, 256, image->Palette());
  } else {
    source_ = WAPtr::Share(image);
  }
  layout_.SetImage(image->GetW(), image->GetH(), first || reset);
  Recompute();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool CPreviewWnd::SetOwner(HWND owner, bool linked) {
  if (owner == nullptr) return false;
  owner_ = owner;
  linked_ = linked;
  return true;
}

void CPreviewWnd::SetFitMode(bool fit) {
  if (fit == layout_.FitMode()) return;
  layout_.SetFitMode(fit);
  Recompute();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CPreviewWnd::SetHighlight(bool on, int index, COLORREF colour, const Fragment* fragment) {
  highlight_.fragment = fragment;
  highlight_.on = on;
  if (on) {
    highlight_.colour = colour;
    highlight_.index = index;
  } else {
    highlight_.index = -1;
  }
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

bool CPreviewWnd::GetColorAt(POINT screen, COLORREF* colour) const {
  if (!source_ || hwnd_ == nullptr) return false;
  ScreenToClient(hwnd_, &screen);
  const POINT p = layout_.ImagePointAt(screen.x, screen.y);
  if (!layout_.ImagePointInside(p)) return false;
  const std::uint8_t* row = source_->Row(p.y);
  switch (source_->GetType()) {
    case kWAType24:
      *colour = RGB(row[3 * p.x + 2], row[3 * p.x + 1], row[3 * p.x]);
      return true;
    case kWAType8Palette:
    case kWAType8Grey:
      *colour = row[p.x];
      return true;
    case kWAType4Bit:
      *colour = (p.x & 1) ? (row[p.x >> 1] & 0x0F) : (row[p.x >> 1] >> 4);
      return true;
    case kWAType1Bit:
      *colour = (row[p.x >> 3] >> (7 - (p.x & 7))) & 1;
      return true;
    default:
      return false;
  }
}

void CPreviewWnd::Refresh() {
  display_ = nullptr;
  Recompute();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CPreviewWnd::Recompute() {
  if (!source_) return;
  layout_.Recompute();
  const RECT& d = layout_.Destination();
  const int w = d.right - d.left, h = d.bottom - d.top;
  if (display_ && (display_->GetW() != w || display_->GetH() != h || display_->GetType() != source_->GetType())) {
    display_ = nullptr;
  }
  if (!display_ && w > 0 && h > 0) {
    display_ = WAPtr::Adopt(NewWAWithPalette(source_->GetType(), w, h, source_->Palette()));
  }
  if (display_ && source_->GetType() != kWAType24) display_->SetPaletteEntries(0, 256, source_->Palette());
  Render();
}

void CPreviewWnd::Render() {
  if (source_ && display_) RenderPreview(*source_, display_.get(), layout_);
}

LRESULT CPreviewWnd::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (display_) {
    const std::vector<std::uint32_t> pixels = PreviewScreenPixels(*display_, layout_, highlight_);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = display_->GetW();
    info.bmiHeader.biHeight = -display_->GetH();  // top-down, as the pixels are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const RECT& d = layout_.Destination();
    SetDIBitsToDevice(dc, d.left, d.top, static_cast<DWORD>(display_->GetW()), static_cast<DWORD>(display_->GetH()),
                      0, 0, 0, static_cast<UINT>(display_->GetH()), pixels.data(), &info, DIB_RGB_COLORS);
  }
  EndPaint(hwnd_, &ps);
  // The export benchmark measures from a setting's change to this paint.
  if (ControlId() == 101) TraceMark("export result painted");
  return 0;
}

LRESULT CPreviewWnd::OnEraseBackground(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int saved = SaveDC(dc);
  if (display_) {
    const RECT& d = layout_.Destination();
    ExcludeClipRect(dc, d.left, d.top, d.right, d.bottom);
  }
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RestoreDC(dc, saved);
  return 1;
}

template <class F>
void CPreviewWnd::FanOut(F apply) {
  if (linked_ && owner_ != nullptr) {
    std::vector<CPreviewWnd*> panes;
    CollectPanes(owner_, &panes);
    for (CPreviewWnd* pane : panes) apply(*pane);
  } else {
    apply(*this);
  }
}

void CPreviewWnd::ApplyZoom(std::uint32_t command) {
  FanOut([command](CPreviewWnd& pane) {
    if (!pane.source_) return;
    switch (command) {
      case kZoomIn:
        pane.layout_.ZoomIn();
        break;
      case kZoomOut:
        pane.layout_.ZoomOut();
        break;
      case kActualSize:
        pane.layout_.ActualSize();
        break;
      case kCenterInFrame:
        pane.layout_.CenterInFrame();
        break;
      default:
        return;
    }
    pane.Recompute();
    InvalidateRect(pane.hwnd_, nullptr, TRUE);
  });
}

void CPreviewWnd::ZoomIn() { ApplyZoom(kZoomIn); }
void CPreviewWnd::ZoomOut() { ApplyZoom(kZoomOut); }
void CPreviewWnd::ActualSize() { ApplyZoom(kActualSize); }
void CPreviewWnd::CenterInFrame() { ApplyZoom(kCenterInFrame); }

void CPreviewWnd::DragStep(int x, int y) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const POINT p{x, y};
  if (!PtInRect(&client, p)) return;
  const POINT last = dragPoint_;
  const bool first = last.x == -1 && last.y == -1;
  if (first) gHighlightBeforeDrag = highlight_.on;
  FanOut([&](CPreviewWnd& pane) {
    if (first) {
      pane.highlight_.on = false;
      return;
    }
    pane.layout_.Pan(last.x - x, last.y - y);
    pane.Render();
    InvalidateRect(pane.hwnd_, nullptr, FALSE);
  });
  dragPoint_ = p;
}

void CPreviewWnd::DragEnd() {
  FanOut([](CPreviewWnd& pane) {
    pane.highlight_.on = gHighlightBeforeDrag;
    if (pane.highlight_.on) InvalidateRect(pane.hwnd_, nullptr, FALSE);
  });
}

LRESULT CPreviewWnd::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (layout_.FitMode() || (wParam & MK_LBUTTON) == 0 || !source_) return 0;
  if (dragPoint_.x == -1 && dragPoint_.y == -1) previousCapture_ = SetCapture(hwnd_);
  DragStep(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  return 0;
}

LRESULT CPreviewWnd::OnLButtonUp(WPARAM, LPARAM) {
  if (layout_.FitMode()) return 0;
  const bool dragging = dragPoint_.x != -1 || dragPoint_.y != -1;
  dragPoint_ = POINT{-1, -1};
  if (!dragging) return 0;
  if (previousCapture_ != nullptr) {
    SetCapture(previousCapture_);
  } else {
    ReleaseCapture();
  }
  previousCapture_ = nullptr;
  DragEnd();
  return 0;
}

LRESULT CPreviewWnd::OnRButtonUp(WPARAM, LPARAM lParam) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (!menuEnabled_ || zoomMenu_ == nullptr || !PtInRect(&client, p)) return 0;
  ClientToScreen(hwnd_, &p);
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(zoomMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd_, nullptr));
  if (command != 0) ApplyZoom(command);
  return 0;
}

LRESULT CPreviewWnd::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (cursor_ == nullptr) return DefWindowProcA(hwnd_, WM_SETCURSOR, wParam, lParam);
  SetCursor(cursor_);
  return TRUE;
}

}  // namespace lumora
