// The area tools' windows under Win32: the view's mapping through the
// site's draw context, the outline drawn with R2_NOT over the view (taken
// off before the view paints, drawn again after), mouse capture, keys.
#include <windows.h>

#include <map>
#include <vector>

#include "hostapi/draw.h"
#include "libs/toolhost/AreaTools.h"
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {
namespace {

constexpr WORD kTextSelectionCommand = 32930;  // the program's Image/Text Selection
constexpr WORD kTextCursor = 1060;

// An outline in window coordinates.
struct WindowOutline {
  AreaOutline::Shape shape = AreaOutline::kNone;
  RECT rect{0, 0, 0, 0};
  std::vector<POINT> points;
  bool shown = false;
};

class Win32AreaWindows : public AreaWindows {
 public:
  bool ToImage(const void* site, void* view, POINT client, AreaPoint* point) override {
    const auto* context = static_cast<const VR_DRAWCONTEXT*>(ViewDrawContext(site, view));
    if (context == nullptr) return false;
    point->window = point->pixel = point->corner = client;
    context->Mapping().XForm(&point->pixel, kXFPixels);
    context->Mapping().XForm(&point->corner, kXFEdges);
    return true;
  }

  void ShowOutline(const void* site, void* view, const AreaOutline* outline) override {
    HWND window = static_cast<HWND>(view);
    WindowOutline& kept = outlines_[window];
    if (kept.shown) Draw(window, kept);
    kept = WindowOutline{};
    if (outline == nullptr) return;
    const auto* context = static_cast<const VR_DRAWCONTEXT*>(ViewDrawContext(site, view));
    if (context == nullptr) return;
    kept.shape = outline->shape;
    kept.rect = outline->rect;
    context->Mapping().RevXForm(&kept.rect, kXFRects);
    for (POINT p : outline->points) {
      context->Mapping().RevXForm(&p, kXFEdges);
      kept.points.push_back(p);
    }
    Draw(window, kept);
    kept.shown = true;
  }

  void SuspendOutlineForPaint(void* view) override {
    HWND window = static_cast<HWND>(view);
    const auto found = outlines_.find(window);
    if (found == outlines_.end() || !found->second.shown) return;
    Draw(window, found->second);
    found->second.shown = false;
    PostMessageA(window, OutlineMessage(), 0, 0);
  }

  bool IsOutlineMessage(std::uint32_t message) override { return message == OutlineMessage(); }

  void RedrawOutline(void* view) override {
    HWND window = static_cast<HWND>(view);
    const auto found = outlines_.find(window);
    if (found == outlines_.end() || found->second.shown || found->second.shape == AreaOutline::kNone) return;
    Draw(window, found->second);
    found->second.shown = true;
  }

  void Capture(void* view, bool on) override {
    if (on) {
      SetCapture(static_cast<HWND>(view));
    } else if (GetCapture() == static_cast<HWND>(view)) {
      ReleaseCapture();
    }
  }

  unsigned KeysNow() override {
    unsigned keys = 0;
    if (GetKeyState(VK_SHIFT) < 0) keys |= kAreaShift;
    if (GetKeyState(VK_CONTROL) < 0) keys |= kAreaCtrl;
    if (GetKeyState(VK_MENU) < 0) keys |= kAreaAlt;
    return keys;
  }

  bool KeyReachesView(void* target, void* view) override {
    HWND t = static_cast<HWND>(target), v = static_cast<HWND>(view);
    return t != nullptr && (t == v || IsChild(t, v));
  }

  void SetAreaCursor(AreaKind kind) override {
    if (kind == AreaKind::kNewText) {
      // The program's text cursor, as its text commands show it.
      HCURSOR text = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTextCursor));
      SetCursor(text != nullptr ? text : LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)));  // I-beam
      return;
    }
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));  // cross
  }

  // The program's Text Selection command installs its one-shot hook, which
  // is then offered this very press.
  bool PlaceTextSelection(const void* site, const LU_MSG& press) override {
    HWND main = static_cast<HWND>(LUGetMainWnd(site));
    if (main == nullptr) return false;
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(kTextSelectionCommand, 0), 0);
    std::intptr_t word = kLUPassQueue;
    return LUIsSomethingInterest(site, &press, kLUPassQueue, &word) != 0;
  }

  void ShowSize(const void* site, void* view, const RECT* imageRect) override { ShowAreaSize(site, view, imageRect); }

  // While the button is held the view scrolls one line every 50 ms toward
  // a cursor outside it, and the drag gets a mouse move at the cursor.
  void AutoScroll(void* view, POINT, bool on) override {
    if (!on) {
      if (scrollTimer_ != 0) KillTimer(nullptr, scrollTimer_);
      scrollTimer_ = 0;
      scrollView_ = nullptr;
      return;
    }
    if (scrollTimer_ != 0) return;
    scrollView_ = static_cast<HWND>(view);
    scrollTimer_ = SetTimer(nullptr, kScrollTimerId, kScrollPeriodMs, &ScrollTimerProc);
  }

 private:
  static UINT OutlineMessage() {
    static const UINT message = RegisterWindowMessageA("LUAREAOUTLINE");
    return message;
  }

  // R2_NOT: a second drawing takes the outline off again.
  static void Draw(HWND window, const WindowOutline& o) {
    HDC dc = GetDC(window);
    const int oldRop = SetROP2(dc, R2_NOT);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    switch (o.shape) {
      case AreaOutline::kRect: Rectangle(dc, o.rect.left, o.rect.top, o.rect.right, o.rect.bottom); break;
      case AreaOutline::kEllipse: Ellipse(dc, o.rect.left, o.rect.top, o.rect.right, o.rect.bottom); break;
      case AreaOutline::kPolyline:
        if (o.points.size() >= 2) Polyline(dc, o.points.data(), static_cast<int>(o.points.size()));
        break;
      case AreaOutline::kNone: break;
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SetROP2(dc, oldRop);
    ReleaseDC(window, dc);
  }

  static constexpr UINT_PTR kScrollTimerId = 1441;
  static constexpr UINT kScrollPeriodMs = 50;
  static void CALLBACK ScrollTimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void ScrollStep();

  // Takes the outline off before the view's content moves; the move that
  // follows draws it at its new place.
  void EraseOutline(HWND window) {
    const auto found = outlines_.find(window);
    if (found == outlines_.end() || !found->second.shown) return;
    Draw(window, found->second);
    found->second.shown = false;
  }

  std::map<HWND, WindowOutline> outlines_;
  UINT_PTR scrollTimer_ = 0;
  HWND scrollView_ = nullptr;
  bool scrolling_ = false;  // a scroll handled at once may pump messages
};

Win32AreaWindows& Instance() {
  static Win32AreaWindows windows;
  return windows;
}

void CALLBACK Win32AreaWindows::ScrollTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  Win32AreaWindows& w = Instance();
  if (id == w.scrollTimer_) w.ScrollStep();
}

// One line toward the cursor on each axis whose bar can still move that way.
int LineToward(HWND window, int bar, LONG at, LONG low, LONG high) {
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  if ((style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) == 0) return -1;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (!GetScrollInfo(window, bar, &si)) return -1;
  const int last = si.nMax - (si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0);
  if (at < low && si.nPos > si.nMin) return bar == SB_HORZ ? SB_LINELEFT : SB_LINEUP;
  if (at >= high && si.nPos < last) return bar == SB_HORZ ? SB_LINERIGHT : SB_LINEDOWN;
  return -1;
}

void Win32AreaWindows::ScrollStep() {
  HWND view = scrollView_;
  if (scrolling_ || view == nullptr || !IsWindow(view)) return;
  RECT client{};
  GetClientRect(view, &client);
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(view, &cursor);
  if (PtInRect(&client, cursor)) return;
  const int h = LineToward(view, SB_HORZ, cursor.x, client.left, client.right);
  const int v = LineToward(view, SB_VERT, cursor.y, client.top, client.bottom);
  if (h < 0 && v < 0) return;
  scrolling_ = true;
  EraseOutline(view);
  if (h >= 0) SendMessageA(view, WM_HSCROLL, static_cast<WPARAM>(h), 0);
  if (v >= 0) SendMessageA(view, WM_VSCROLL, static_cast<WPARAM>(v), 0);
  WPARAM keys = 0;
  if (GetAsyncKeyState(VK_CONTROL) & 0x8000) keys |= MK_CONTROL;
  if (GetAsyncKeyState(VK_SHIFT) & 0x8000) keys |= MK_SHIFT;
  if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) keys |= MK_LBUTTON;
  PostMessageA(view, WM_MOUSEMOVE, keys, MAKELPARAM(cursor.x, cursor.y));
  scrolling_ = false;
}

}  // namespace

AreaWindows& Win32AreaWindowsInstance() { return Instance(); }

}  // namespace lumora::toolhost
