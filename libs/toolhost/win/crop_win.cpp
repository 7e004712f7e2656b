// The crop tool's windows under Win32: the view's mapping through the
// site's draw context, the dotted frame drawn over the view (and drawn again
// after the view paints), mouse capture and which keys reach the view.
#include <windows.h>

#include <map>

#include "hostapi/draw.h"
#include "libs/toolhost/CropTool.h"
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {
namespace {

class Win32CropWindows : public CropWindows {
 public:
  bool ToImage(const void* site, void* view, POINT client, POINT* image) override {
    const auto* context = static_cast<const VR_DRAWCONTEXT*>(ViewDrawContext(site, view));
    if (context == nullptr) return false;
    *image = client;
    context->Mapping().XForm(image, kXFPixels);
    return true;
  }

  void ShowFrame(const void* site, void* view, const RECT* imageRect) override {
    HWND window = static_cast<HWND>(view);
    const auto old = frames_.find(window);
    if (old != frames_.end()) {
      Erase(window, old->second);
      frames_.erase(old);
    }
    if (imageRect == nullptr) return;
    const auto* context = static_cast<const VR_DRAWCONTEXT*>(ViewDrawContext(site, view));
    if (context == nullptr) return;
    RECT shown = *imageRect;
    context->Mapping().RevXForm(&shown, kXFRects);
    frames_[window] = shown;
    Draw(window, shown);
  }

  void RedrawFrameLater(void* view) override { PostMessageA(static_cast<HWND>(view), FrameMessage(), 0, 0); }

  bool IsFrameMessage(std::uint32_t message) override { return message == FrameMessage(); }

  void Capture(void* view, bool on) override {
    if (on) {
      SetCapture(static_cast<HWND>(view));
    } else if (GetCapture() == static_cast<HWND>(view)) {
      ReleaseCapture();
    }
  }

  bool KeyReachesView(void* target, void* view) override {
    HWND t = static_cast<HWND>(target), v = static_cast<HWND>(view);
    return t != nullptr && (t == v || IsChild(t, v));
  }

  void RedrawFrame(void* view) override {
    const auto found = frames_.find(static_cast<HWND>(view));
    if (found != frames_.end()) Draw(found->first, found->second);
  }

 private:
  static UINT FrameMessage() {
    static const UINT message = RegisterWindowMessageA("LUCROPFRAME");
    return message;
  }

  // A dotted black-on-white line along the rect's inside edge.
  static void Draw(HWND window, const RECT& r) {
    HDC dc = GetDC(window);
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    ReleaseDC(window, dc);
  }

  // The view paints its image again under the frame's four edges.
  static void Erase(HWND window, const RECT& r) {
    const RECT edges[4] = {{r.left, r.top, r.right, r.top + 1},
                           {r.left, r.bottom - 1, r.right, r.bottom},
                           {r.left, r.top, r.left + 1, r.bottom},
                           {r.right - 1, r.top, r.right, r.bottom}};
    for (const RECT& edge : edges) InvalidateRect(window, &edge, FALSE);
  }

  std::map<HWND, RECT> frames_;
};

}  // namespace

CropWindows& Win32CropWindowsInstance() {
  static Win32CropWindows windows;
  return windows;
}

}  // namespace lumora::toolhost
