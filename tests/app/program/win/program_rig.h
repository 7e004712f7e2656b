// What the in-process program tests share: running the program's loop
// until something holds, closing it, its active view, and the view's
// pixels against the document's composite.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "libs/draw/render.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/Lumo40View.h"

namespace lumora::testing {

inline std::string SettingsFileOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fw::ProfilePathForProgram(path);
}

// Messages, idle passes and the render worker until `done` holds.
inline bool RunUntil(CLumo40App& app, const std::function<bool()>& done, DWORD timeoutMs = 60000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!app.PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    for (int count = 0; app.OnIdle(count) && count < 20; ++count) {
    }
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Runs the framework's idle passes and pending messages until idle work ends.
inline void Settle(CLumo40App& app) {
  for (int round = 0; round < 3; ++round) RunUntil(app, [] { return true; });
}

// Every piece of the document composited and painted, nothing left to handle.
inline void Settle(CLumo40App& app, CLumo40Doc* doc) {
  ASSERT_TRUE(RunUntil(app, [&] {
    CMapRect& q = doc->Image().Queue();
    MSG msg;
    return q.IsIdle() && q.RenderList().empty() && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }));
}

inline void CloseProgram(CLumo40App& app) {
  HWND frame = app.MainFrame()->Handle();
  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
}

// After a test that stopped half-way: every document closed unasked and
// the program ended, so the next test can start it again.
inline void EndProgramIfRunning(CLumo40App& app) {
  if (app.MainFrame() == nullptr || !IsWindow(app.MainFrame()->Handle())) return;
  for (fw::Document* doc : app.Docs().AllDocuments()) {
    doc->SetModifiedFlag(false);
    if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->Image().SetModifiedFlag(false);
  }
  CloseProgram(app);
}

inline CLumo40View* ActiveImageView(CLumo40App& app) {
  fw::FrameWnd* child = app.MainFrameWnd()->GetActiveFrame();
  return child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
}

inline std::vector<std::uint32_t> CompositePixels(CLumo40Doc* doc) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  std::vector<std::uint32_t> pixels;
  for (int row = 0; row < composite->GetH(); ++row) {
    for (int x = 0; x < composite->GetW(); ++x) pixels.push_back(CompositePixel(*composite, x, row));
  }
  return pixels;
}

// Where a view's pixels are read: as the view draws them (PrintWindow) or
// as the screen shows them (for a window nothing covers).
enum class ViewPixels { kDrawn, kShown };

// Every image pixel the view's window shows equals `image` (bottom-up rows
// of the document's size); with `wholeImage` the window must show all of
// them. Reduced views are compared at the pixels they show.
inline void ExpectViewShows(CLumo40View* view, const VrWA2000::WA& image, ViewPixels source, bool wholeImage) {
  const Capture shot = source == ViewPixels::kDrawn ? CaptureClient(view->Handle()) : CaptureShownClient(view->Handle());
  const VRXFORM map = view->Mapping();
  const double perPixel = view->ImageUnitsPerPixel();
  int compared = 0, mismatches = 0;
  for (int row = 0; row < image.GetH(); ++row) {
    for (int x = 0; x < image.GetW(); ++x) {
      POINT p{x, row};
      map.RevXForm(&p, kXFPixels);
      if (p.x < 0 || p.y < 0 || p.x >= shot.width || p.y >= shot.height) continue;
      if (perPixel > 1.0) {
        POINT back = p;
        map.XForm(&back, kXFPixels);
        if (back.x != x || back.y != row) continue;
      }
      ++compared;
      if (shot.At(p.x, p.y) != CompositePixel(image, x, row) && ++mismatches < 5) {
        ADD_FAILURE() << "image pixel " << x << "," << row << " at window " << p.x << "," << p.y << ": " << std::hex
                      << shot.At(p.x, p.y) << " for " << CompositePixel(image, x, row);
      }
    }
  }
  if (wholeImage && perPixel <= 1.0) {
    EXPECT_EQ(compared, image.GetW() * image.GetH());
  }
  EXPECT_GT(compared, 0);
  EXPECT_EQ(mismatches, 0) << "of " << compared;
}

// The view shows the document's composite.
inline void ExpectViewShowsComposite(CLumo40View* view, CLumo40Doc* doc, bool wholeImage = true) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  ExpectViewShows(view, *composite, ViewPixels::kDrawn, wholeImage);
}

// Where the view's window shows the image, from what the window itself
// says: the view's zoom, and the scroll position of its scroll bars, or,
// along an axis without a bar, the image centred in the client area.
inline VRXFORM ShownMapping(CLumo40View* view, int width, int height) {
  const ViewZoomFactors& zoom = view->Zoom();
  const RECT total = VRXFORM(width, height, zoom.x, zoom.y).ImageWindowRect();
  RECT client{};
  GetClientRect(view->Handle(), &client);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(view->Handle(), GWL_STYLE));
  auto position = [&](int bar, bool shown, LONG extent, LONG available) -> LONG {
    if (!shown) return extent < available ? (extent - available) / 2 : 0;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    GetScrollInfo(view->Handle(), bar, &info);
    return info.nPos;
  };
  XFFACT x = zoom.x, y = zoom.y;
  x.shift(-position(SB_HORZ, (style & WS_HSCROLL) != 0, total.right - total.left, client.right));
  y.shift(-position(SB_VERT, (style & WS_VSCROLL) != 0, total.bottom - total.top, client.bottom));
  return VRXFORM(width, height, x, y);
}

// What the margin around an image smaller than the window shows at a
// window pixel: a black frame one pixel outside the image, a white one
// further out, the button face elsewhere.
inline std::uint32_t MarginPixel(const RECT& image, LONG u, LONG v) {
  auto onFrame = [&](LONG d) {
    const RECT f{image.left - d, image.top - d, image.right - 1 + d, image.bottom - 1 + d};
    const bool onX = (u == f.left || u == f.right) && v >= f.top && v <= f.bottom;
    const bool onY = (v == f.top || v == f.bottom) && u >= f.left && u <= f.right;
    return onX || onY;
  };
  if (onFrame(1)) return 0x000000;
  if (onFrame(2)) return 0xFFFFFF;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  return (static_cast<std::uint32_t>(GetRValue(face)) << 16) | (GetGValue(face) << 8) | GetBValue(face);
}

// The view's window shows the document's layers, composited afresh, where
// its zoom and scroll bars say (for documents whose layers cover the whole
// image): every window pixel of the image as the drawing library computes
// it at that place, and the margin around it as the view paints it.
inline void ExpectViewShowsLayers(CLumo40View* view, CLumo40Doc* doc, ViewPixels source) {
  CLayersManager* stack = doc->Image().GetLayers();
  const WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(merged);
  draw::RenderSettings settings;
  settings.image = merged.get();
  settings.map = ShownMapping(view, merged->GetW(), merged->GetH());
  const Capture shot = source == ViewPixels::kDrawn ? CaptureClient(view->Handle()) : CaptureShownClient(view->Handle());
  const RECT image = settings.map.ImageWindowRect();
  RECT shown{};
  const RECT client{0, 0, shot.width, shot.height};
  ASSERT_TRUE(IntersectRect(&shown, &image, &client)) << "the image lies outside the window";
  int compared = 0, mismatches = 0;
  for (LONG v = 0; v < shot.height; ++v) {
    for (LONG u = 0; u < shot.width; ++u) {
      const POINT p{u, v};
      const bool inImage = PtInRect(&shown, p) != 0;
      const std::uint32_t want = inImage ? draw::ReferencePixel(settings, u, v) & 0xFFFFFF : MarginPixel(image, u, v);
      ++compared;
      if (shot.At(u, v) != want && ++mismatches < 5) {
        ADD_FAILURE() << (inImage ? "image" : "margin") << " at window pixel " << u << "," << v << ": " << std::hex
                      << shot.At(u, v) << " for " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared;
}

// The message and error boxes that come up on this thread while it is
// watched (inside any modal loop): caption and texts of each, answered with
// the button `answer` gives (IDOK by default). File dialogs are left alone.
class BoxWatch {
 public:
  struct Box {
    std::string caption;
    std::string text;  // every static text of the box, one a line
  };
  using Answer = std::function<int(const Box&)>;
  explicit BoxWatch(Answer answer = nullptr) : answer_(std::move(answer)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
  }
  ~BoxWatch() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

  std::vector<Box> boxes;

  // Whether one box's text holds every one of the parts.
  bool Saw(const std::vector<std::string>& parts) const {
    for (const Box& b : boxes) {
      bool all = true;
      for (const std::string& p : parts) all = all && b.text.find(p) != std::string::npos;
      if (all) return true;
    }
    return false;
  }

 private:
  static bool IsBox(HWND window) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    const std::string name(cls);
    if (name == "VR_ERRORMESSAGEBOX32") return true;
    return name == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr;  // a message box's text
  }
  static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) != "Static") return TRUE;
    char line[1024] = {};
    GetWindowTextA(child, line, sizeof line);
    if (line[0] != 0) *reinterpret_cast<std::string*>(text) += std::string(line) + "\n";
    return TRUE;
  }
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && IsBox(window) && current_->answered_.count(window) == 0) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ == nullptr) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    current_->answered_.insert(box);
    Box seen;
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    seen.caption = caption;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&seen.text));
    current_->boxes.push_back(seen);
    const int id = current_->answer_ ? current_->answer_(seen) : IDOK;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  static inline BoxWatch* current_ = nullptr;
  Answer answer_;
  UINT_PTR timer_ = 0;
  std::set<HWND> answered_;
};

}  // namespace lumora::testing
