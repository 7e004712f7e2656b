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

  void SetAreaCursor(AreaKind) override { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515))); }  // cross

  void ShowSize(const void*, void*, const RECT*) override {}
  void AutoScroll(void*, POINT, bool) override {}

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

  std::map<HWND, WindowOutline> outlines_;
};

}  // namespace

AreaWindows& Win32AreaWindowsInstance() {
  static Win32AreaWindows windows;
  return windows;
}

}  // namespace lumora::toolhost
