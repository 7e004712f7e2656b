// The crop tool's rectangle, its hook and the crop itself.
#include "libs/toolhost/CropTool.h"

#include <algorithm>

#include "hostapi/imagebuf.h"
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {

namespace {

// The window messages and keys the hook reads.
enum : std::uint32_t {
  kWmPaint = 0x000F,
  kWmDestroy = 0x0002,
  kWmCancelMode = 0x001F,
  kWmKeyDown = 0x0100,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmCaptureChanged = 0x0215,
};
constexpr std::uintptr_t kVkReturn = 0x0D;
constexpr std::uintptr_t kVkEscape = 0x1B;
// The tool's one parameter: crop into a new window.
constexpr int kNewWindowParam = 0;

POINT ClientPoint(std::intptr_t lParam) {
  return POINT{static_cast<std::int16_t>(lParam & 0xFFFF), static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
}

// The tool whose pane is open, the view its rectangle lies on.
struct CropSession {
  const void* site = nullptr;
  LUTool* tool = nullptr;
  std::uint32_t hook = 0;
  void* view = nullptr;
  CropTracker tracker;
};

CropSession& Session() {
  static CropSession session;
  return session;
}

CropWindows*& InstalledWindows() {
  static CropWindows* windows = nullptr;
  return windows;
}

void ShowRect(CropSession& s) {
  if (CropWindows* windows = CurrentCropWindows(); windows != nullptr && s.view != nullptr) {
    windows->ShowFrame(s.site, s.view, s.tracker.HasRect() ? &s.tracker.Rect() : nullptr);
  }
}

void Drop(CropSession& s) {
  if (s.tracker.Dragging()) {
    if (CropWindows* windows = CurrentCropWindows()) windows->Capture(s.view, false);
  }
  s.tracker.Cancel();
  ShowRect(s);
}

// The flattened picture cut to the rect, in a window of its own.
bool CropIntoNewWindow(const CropSession& s, void* doc, const RECT& rect) {
  VrWA2000::WA* flat = DocImageOfKind(s.site, doc, 4);
  if (flat == nullptr) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  VrWA2000::WA* cropped = nullptr;
  try {
    cropped = new VrWA2000::WA(flat->GetType(), width, height, flat->Palette(), true);
  } catch (...) {
    return false;
  }
  // Rows count from the bottom in both buffers, as the rect does.
  VrWA2000::ReadWriteWA::Copy(cropped, POINT{0, 0}, flat, POINT{rect.left, rect.top}, width, height, 12);
  cropped->SetXRes(flat->GetXRes());
  cropped->SetYRes(flat->GetYRes());
  void* window = NewImageWindow(s.site, cropped);
  cropped->Release();
  return window != nullptr;
}

bool OnViewMessage(CropSession& s, const LU_MSG& msg) {
  CropWindows* windows = CurrentCropWindows();
  if (windows == nullptr) return false;
  switch (msg.message) {
    case kWmLButtonDown: {
      POINT at{};
      void* doc = DocOfWindow(s.site, msg.window);
      SIZE size{};
      if (doc == nullptr || !DocImageSize(s.site, doc, &size) ||
          !windows->ToImage(s.site, msg.window, ClientPoint(msg.lParam), &at)) {
        return false;
      }
      if (msg.window != s.view) {
        Drop(s);
        s.view = msg.window;
      }
      s.tracker.Press(at, size.cx, size.cy);
      windows->Capture(s.view, true);
      return true;
    }
    case kWmMouseMove: {
      POINT at{};
      if (msg.window != s.view || !windows->ToImage(s.site, msg.window, ClientPoint(msg.lParam), &at)) return false;
      const bool dragging = s.tracker.Dragging();
      s.tracker.Move(at);
      if (dragging || s.tracker.Dragging()) ShowRect(s);
      return s.tracker.Dragging();
    }
    case kWmLButtonUp: {
      POINT at{};
      if (msg.window != s.view) return false;
      // The rect is settled before the capture goes: releasing it tells the
      // view (WM_CAPTURECHANGED) while the drag would still be running.
      if (windows->ToImage(s.site, msg.window, ClientPoint(msg.lParam), &at)) s.tracker.Release(at);
      windows->Capture(s.view, false);
      ShowRect(s);
      return true;
    }
    case kWmLButtonDblClk: {
      POINT at{};
      if (msg.window != s.view || !windows->ToImage(s.site, msg.window, ClientPoint(msg.lParam), &at)) return false;
      if (s.tracker.DoubleClick(at)) CropToolCrop();
      return true;
    }
    case kWmPaint:
      // The view paints first; the frame goes over what it painted.
      if (msg.window == s.view && s.tracker.HasRect()) windows->RedrawFrameLater(s.view);
      return false;
    case kWmCaptureChanged:
      // The view taking the capture again is no loss of it.
      if (reinterpret_cast<void*>(msg.lParam) == s.view) return false;
      [[fallthrough]];
    case kWmCancelMode:
      if (msg.window == s.view && s.tracker.Dragging()) Drop(s);
      return false;
    case kWmDestroy:
      if (msg.window == s.view) {
        s.tracker.Cancel();
        s.view = nullptr;
      }
      return false;
    default:
      if (windows->IsFrameMessage(msg.message) && msg.window == s.view) {
        windows->RedrawFrame(s.view);
        return true;
      }
      return false;
  }
}

bool OnKey(CropSession& s, const LU_MSG& msg) {
  CropWindows* windows = CurrentCropWindows();
  if (msg.message != kWmKeyDown || windows == nullptr || s.view == nullptr ||
      !windows->KeyReachesView(msg.window, s.view)) {
    return false;
  }
  if (msg.wParam == kVkReturn && s.tracker.HasRect() && !s.tracker.Dragging()) {
    CropToolCrop();
    return true;
  }
  if (msg.wParam == kVkEscape && (s.tracker.HasRect() || s.tracker.Dragging())) {
    Drop(s);
    return true;
  }
  return false;
}

}  // namespace

// ---- The rectangle

void CropTracker::Press(POINT at, int imageWidth, int imageHeight) {
  width_ = imageWidth;
  height_ = imageHeight;
  start_ = at;
  pressed_ = true;
  const bool inside = hasRect_ && at.x >= rect_.left && at.x < rect_.right && at.y >= rect_.top && at.y < rect_.bottom;
  if (!inside) {
    dragging_ = true;
    Span(at);
  }
}

void CropTracker::Span(POINT to) {
  const LONG left = std::clamp<LONG>(std::min(start_.x, to.x), 0, width_);
  const LONG right = std::clamp<LONG>(std::max(start_.x, to.x) + 1, 0, width_);
  const LONG top = std::clamp<LONG>(std::min(start_.y, to.y), 0, height_);
  const LONG bottom = std::clamp<LONG>(std::max(start_.y, to.y) + 1, 0, height_);
  rect_ = RECT{left, top, right, bottom};
  hasRect_ = left < right && top < bottom;
}

void CropTracker::Move(POINT at) {
  if (!pressed_) return;
  // Inside the rectangle it starts over only once the mouse moves.
  if (!dragging_ && (at.x != start_.x || at.y != start_.y)) dragging_ = true;
  if (dragging_) Span(at);
}

void CropTracker::Release(POINT at) {
  if (!pressed_) return;
  if (dragging_ && at.x == start_.x && at.y == start_.y) {
    hasRect_ = false;  // a click without a drag
    rect_ = RECT{0, 0, 0, 0};
  } else if (dragging_) {
    Span(at);
  }
  pressed_ = dragging_ = false;
}

bool CropTracker::DoubleClick(POINT at) const {
  return hasRect_ && !dragging_ && at.x >= rect_.left && at.x < rect_.right && at.y >= rect_.top &&
         at.y < rect_.bottom;
}

void CropTracker::Cancel() {
  pressed_ = dragging_ = hasRect_ = false;
  rect_ = RECT{0, 0, 0, 0};
}

// ---- The session

CropWindows* CurrentCropWindows() {
  if (InstalledWindows() != nullptr) return InstalledWindows();
#ifdef _WIN32
  return &Win32CropWindowsInstance();
#else
  return nullptr;
#endif
}
void SetCropWindows(CropWindows* windows) { InstalledWindows() = windows; }

void CropToolActivate(const void* site, LUTool* tool, bool on) {
  CropSession& s = Session();
  if (on) {
    if (s.hook != 0) LURemoveLUHook(s.site, s.hook);
    s.site = site;
    s.tool = tool;
    s.view = nullptr;
    s.tracker.Cancel();
    // Tool, view and command passes: the views' mouse and the queue's keys.
    const LU_HOOK hook{CropHookProc, nullptr, 0x1007, 0};
    s.hook = LUSetLUHook(site, &hook);
    return;
  }
  if (s.tool != tool) return;
  Drop(s);
  if (s.hook != 0) LURemoveLUHook(s.site, s.hook);
  s = CropSession{};
}

int CropHookProc(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  CropSession& s = Session();
  if (msg == nullptr || inOut == nullptr || s.tool == nullptr) return kLUHookPass;
  const std::intptr_t pass = *inOut;
  bool handled = false;
  if (pass == kLUPassView) handled = OnViewMessage(s, *msg);
  if (pass == kLUPassQueue) handled = OnKey(s, *msg);
  if (!handled) return kLUHookPass;
  *inOut = 0;
  return kLUHookHandled;
}

bool CropToolHasRect(RECT* rect) {
  const CropSession& s = Session();
  if (!s.tracker.HasRect()) return false;
  if (rect != nullptr) *rect = s.tracker.Rect();
  return true;
}

bool CropToolCrop() {
  CropSession& s = Session();
  if (s.tool == nullptr || s.view == nullptr || !s.tracker.HasRect() || s.tracker.Dragging()) return false;
  void* doc = DocOfWindow(s.site, s.view);
  if (doc == nullptr) return false;
  const RECT rect = s.tracker.Rect();
  std::int32_t newWindow = 0;
  LUGetParameter(s.tool, kNewWindowParam, 0, &newWindow);
  // The frame goes before the image changes under it.
  Drop(s);
  if (newWindow != 0) return CropIntoNewWindow(s, doc, rect);
  return CropDocImage(s.site, doc, rect) != nullptr;
}

}  // namespace lumora::toolhost
