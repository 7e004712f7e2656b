#include "ui/win/CtrlViewer.h"

#include <algorithm>

#include "ui/CtrlViewerLayout.h"
#include "ui/win/ToolbarCtrlFactory.h"

namespace lumora {
namespace {

constexpr char kViewerClass[] = "CTRLVIEWER";
constexpr int kFramePatternBitmap = 136;

std::vector<CCtrlViewer*>& Viewers() {
  static std::vector<CCtrlViewer*> viewers;
  return viewers;
}

std::uint8_t phase = 0;

HBITMAP CopyOf(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  HBITMAP copy = CreateCompatibleBitmap(screen, info.bmWidth, info.bmHeight);
  HGDIOBJ a = SelectObject(from, bitmap), b = SelectObject(to, copy);
  BitBlt(to, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
  SelectObject(from, a);
  SelectObject(to, b);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return copy;
}

}  // namespace

bool RegisterCtrlViewerClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kViewerClass, &wc)) return true;
  wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kViewerClass;
  return RegisterClassA(&wc) != 0;
}

void UnregisterCtrlViewerClass(HINSTANCE instance) { UnregisterClassA(kViewerClass, instance); }

std::uint8_t CustomizeFramePhase() { return phase; }
void AdvanceCustomizeFramePhase() { ++phase; }

HBRUSH CustomizeFrameBrush() {
  static HBRUSH brush = [] {
    HBITMAP pattern = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kFramePatternBitmap));
    HBRUSH made = pattern != nullptr ? CreatePatternBrush(pattern) : nullptr;
    if (pattern != nullptr) DeleteObject(pattern);
    return made;
  }();
  return brush;
}

void DrawCustomizeFrame(HDC dc, const RECT& rect) {
  HBRUSH brush = CustomizeFrameBrush();
  if (brush == nullptr) {
    DrawFocusRect(dc, &rect);
    return;
  }
  const int shift = phase % 8;
  POINT old{};
  SetBrushOrgEx(dc, shift, shift, &old);
  const RECT bands[] = {{rect.left, rect.top, rect.right, rect.top + 1},
                        {rect.left, rect.bottom - 1, rect.right, rect.bottom},
                        {rect.left, rect.top, rect.left + 1, rect.bottom},
                        {rect.right - 1, rect.top, rect.right, rect.bottom}};
  for (const RECT& band : bands) FillRect(dc, &band, brush);
  SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

const std::vector<CCtrlViewer*>& CCtrlViewer::AllViewers() { return Viewers(); }

CCtrlViewer::~CCtrlViewer() {
  for (Item& item : items_) Release(item);
  auto& all = Viewers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

bool CCtrlViewer::Attach(HWND window) {
  if (window == nullptr || !Subclass(window)) return false;
  LONG style = GetWindowLongA(window, GWL_STYLE);
  style = (style & ~WS_TABSTOP) | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL;
  SetWindowLongA(window, GWL_STYLE, style);
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  Viewers().push_back(this);
  UpdateScrollBars();
  return true;
}

void CCtrlViewer::Release(Item& item) {
  if (item.bitmap != nullptr) DeleteObject(item.bitmap);
  item.bitmap = nullptr;
  if (item.control != nullptr && IsWindow(item.control)) {
    ShowWindow(item.control, SW_HIDE);
    SetParent(item.control, item.previousParent);
  }
  item.control = nullptr;
}

int CCtrlViewer::AddBitmapItem(HBITMAP bitmap, int position, std::uint32_t user) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return -1;
  Item item;
  item.bitmap = CopyOf(bitmap);
  if (item.bitmap == nullptr) return -1;
  item.rect = {0, 0, info.bmWidth, info.bmHeight};
  item.user = user;
  const int at = position < 0 || position > ItemCount() ? ItemCount() : position;
  items_.insert(items_.begin() + at, item);
  Reflow();
  return at;
}

int CCtrlViewer::AddControlItem(HWND control, int position, std::uint32_t user) {
  if (control == nullptr || !IsWindow(control)) return -1;
  Item item;
  item.control = control;
  item.previousParent = GetParent(control);
  item.user = user;
  RECT r{};
  GetWindowRect(control, &r);
  item.rect = {0, 0, r.right - r.left, r.bottom - r.top};
  SetParent(control, hwnd_);
  EnableWindow(control, FALSE);
  const int at = position < 0 || position > ItemCount() ? ItemCount() : position;
  items_.insert(items_.begin() + at, item);
  Reflow();
  return at;
}

bool CCtrlViewer::SetItemData(int index, void* data) {
  if (index < 0 || index >= ItemCount()) return false;
  items_[static_cast<std::size_t>(index)].data = data;
  return true;
}

void* CCtrlViewer::GetItemData(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return items_[static_cast<std::size_t>(index)].data;
}

RECT CCtrlViewer::ItemRect(int index) const {
  if (index < 0 || index >= ItemCount()) return {0, 0, 0, 0};
  RECT r = items_[static_cast<std::size_t>(index)].rect;
  OffsetRect(&r, -scroll_.x, -scroll_.y);
  return r;
}

int CCtrlViewer::SetSelection(int index) {
  if (index < -1 || index >= ItemCount()) return -1;
  auto frameOf = [this](int i) {
    RECT r = ItemRect(i);
    InflateRect(&r, 2, 2);
    return r;
  };
  if (selected_ >= 0 && hwnd_ != nullptr) {
    RECT old = frameOf(selected_);
    InvalidateRect(hwnd_, &old, FALSE);
  }
  selected_ = index;
  if (selected_ >= 0 && hwnd_ != nullptr) {
    RECT now = frameOf(selected_);
    InvalidateRect(hwnd_, &now, FALSE);
  }
  return index;
}

void CCtrlViewer::RemoveAllItems() {
  SetSelection(-1);
  for (Item& item : items_) Release(item);
  items_.clear();
  content_ = {0, 0};
  scroll_ = {0, 0};
  UpdateScrollBars();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CCtrlViewer::Reflow() {
  if (hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  std::vector<SIZE> sizes;
  std::vector<bool> breaks;
  for (const Item& item : items_) {
    sizes.push_back({item.rect.right - item.rect.left, item.rect.bottom - item.rect.top});
    breaks.push_back(item.user != 0);
  }
  const ViewerFlow flow = FlowViewerItems(sizes, breaks, client.right);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    RECT& r = items_[i].rect;
    OffsetRect(&r, flow.positions[i].x - r.left, flow.positions[i].y - r.top);
  }
  content_ = flow.content;
  UpdateScrollBars();
  MoveControls();
  for (const Item& item : items_) {
    if (item.control != nullptr) ShowWindow(item.control, SW_SHOWNA);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CCtrlViewer::UpdateScrollBars() {
  if (hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int rangeX = ViewerScrollRange(content_.cx, client.right);
  const int rangeY = ViewerScrollRange(content_.cy, client.bottom);
  if (rangeX == 0) scroll_.x = 0;
  if (rangeY == 0) scroll_.y = 0;
  scroll_.x = std::min<LONG>(scroll_.x, rangeX);
  scroll_.y = std::min<LONG>(scroll_.y, rangeY);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
  si.nMax = rangeY > 0 ? content_.cy - 1 : 0;
  si.nPage = rangeY > 0 ? static_cast<UINT>(client.bottom) : 0;
  si.nPos = scroll_.y;
  SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  if (rangeX > 0) {
    si.nMax = content_.cx - 1;
    si.nPage = static_cast<UINT>(client.right);
    si.nPos = scroll_.x;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
  }
}

void CCtrlViewer::MoveControls() {
  for (const Item& item : items_) {
    if (item.control == nullptr) continue;
    SetWindowPos(item.control, nullptr, item.rect.left - scroll_.x, item.rect.top - scroll_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CCtrlViewer::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  // The content drawn off screen, then the visible part at the scroll position.
  const int width = std::max<int>(client.right, content_.cx), height = std::max<int>(client.bottom, content_.cy);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP surface = CreateCompatibleBitmap(dc, std::max(width, 1), std::max(height, 1));
  HGDIOBJ old = SelectObject(memory, surface);
  RECT all{0, 0, width, height};
  FillRect(memory, &all, GetSysColorBrush(COLOR_WINDOW));
  HDC picture = CreateCompatibleDC(dc);
  for (const Item& item : items_) {
    if (item.bitmap == nullptr) continue;
    HGDIOBJ was = SelectObject(picture, item.bitmap);
    BitBlt(memory, item.rect.left, item.rect.top, item.rect.right - item.rect.left, item.rect.bottom - item.rect.top,
           picture, 0, 0, SRCCOPY);
    SelectObject(picture, was);
  }
  DeleteDC(picture);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, scroll_.x, scroll_.y, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
  DrawFrame(dc);
}

void CCtrlViewer::DrawFrame(HDC dc) {
  if (selected_ < 0) return;
  RECT r = ItemRect(selected_);
  InflateRect(&r, 1, 1);
  DrawCustomizeFrame(dc, r);
}

void CCtrlViewer::RedrawFrame() {
  if (hwnd_ == nullptr || selected_ < 0) return;
  HDC dc = GetDC(hwnd_);
  DrawFrame(dc);
  ReleaseDC(hwnd_, dc);
}

int CCtrlViewer::HitTest(POINT content) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (PtInRect(&items_[i].rect, content)) return static_cast<int>(i);
  }
  return -1;
}

void CCtrlViewer::OnItemPressed(int index, POINT) {
  SetSelection(index);
  SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), 1), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CCtrlViewer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: {
      // The disabled control copies keep their window colours.
      LRESULT brush = 0;
      if (ToolbarControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), &brush)) return brush;
      break;
    }
    case WM_SIZE: Reflow(); return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      RECT client{};
      GetClientRect(hwnd_, &client);
      const bool vertical = message == WM_VSCROLL;
      SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &si);
      LONG& pos = vertical ? scroll_.y : scroll_.x;
      const int range = vertical ? ViewerScrollRange(content_.cy, client.bottom)
                                 : ViewerScrollRange(content_.cx, client.right);
      const int to = ViewerScrollTo(pos, range, LOWORD(wParam), si.nTrackPos);
      if (to != pos) {
        pos = to;
        SetScrollPos(hwnd_, vertical ? SB_VERT : SB_HORZ, to, TRUE);
        MoveControls();
        InvalidateRect(hwnd_, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT client{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const int hit = HitTest({client.x + scroll_.x, client.y + scroll_.y});
      if (hit >= 0) OnItemPressed(hit, client);
      return 0;
    }
    case WM_DESTROY: {
      auto& all = Viewers();
      all.erase(std::remove(all.begin(), all.end(), this), all.end());
      for (Item& item : items_) Release(item);
      items_.clear();
      break;
    }
    default: break;
  }
  return fw::Window::WindowProc(message, wParam, lParam);
}

}  // namespace lumora
