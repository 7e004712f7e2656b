// The in-place resize bar as it draws and as the pointer sees it: the
// hatched border around the object's rectangle, the eight solid handles,
// and the sizing cursor over each handle.
#include <gtest/gtest.h>

#include <windows.h>

#include "framework/win/OleResizeBar.h"
#include "tests/support/win/window_pixels.h"

namespace {

using fw::TrackerHit;

TEST(ResizeBar, DrawsAHatchedBorderWithSolidHandlesAndShowsSizingCursors) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ResizeBarTestParent";
  RegisterClassA(&wc);
  HWND parent = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_NE(parent, nullptr);
  fw::OleResizeBar bar;
  ASSERT_TRUE(bar.Create(parent));
  EXPECT_EQ(GetDlgCtrlID(bar.Handle()), 59395);
  const RECT inner{20, 10, 180, 140};
  bar.SetObjectRect(inner);
  const int w = fw::OleResizeBar::BorderWidth();
  ASSERT_GT(w, 1);

  const lumora::testing::Capture c = lumora::testing::CaptureDc(200, 150, [&](HDC dc) {
    SendMessageA(bar.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
  const std::uint32_t background = GetSysColor(COLOR_WINDOW);
  const std::uint32_t backgroundPixel = ((background & 0xFF) << 16) | (background & 0xFF00) | ((background >> 16) & 0xFF);
  auto inHandle = [&](int x, int y) {
    for (int h = 0; h < 8; ++h) {
      const RECT r = fw::TrackerHandleRect(inner, w, static_cast<TrackerHit>(h));
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
  };
  for (int h = 0; h < 8; ++h) {
    const RECT r = fw::TrackerHandleRect(inner, w, static_cast<TrackerHit>(h));
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) EXPECT_EQ(c.At(x, y), 0u) << "handle " << h << " at " << x << "," << y;
    }
  }
  // The border between the handles: black diagonal lines rising to the
  // right on the background, each black pixel continued up and right.
  const RECT outer = fw::OutsetRect(inner, w);
  int black = 0, other = 0, broken = 0;
  for (LONG y = outer.top; y < outer.bottom; ++y) {
    for (LONG x = outer.left; x < outer.right; ++x) {
      const bool border = !(x >= inner.left && x < inner.right && y >= inner.top && y < inner.bottom);
      if (!border || inHandle(x, y)) continue;
      if (c.At(x, y) == 0) {
        ++black;
        const LONG nx = x + 1, ny = y - 1;
        const bool nextBorder = ny >= outer.top && nx < outer.right &&
                                !(nx >= inner.left && nx < inner.right && ny >= inner.top && ny < inner.bottom) &&
                                !inHandle(nx, ny);
        if (nextBorder && c.At(nx, ny) != 0) ++broken;
      } else {
        EXPECT_EQ(c.At(x, y), backgroundPixel) << x << "," << y;
        ++other;
      }
    }
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(other, black) << "the border is not hatched";
  EXPECT_EQ(broken, 0) << "the hatching is not diagonal";
  // Outside the border and inside the object nothing is hatched.
  EXPECT_EQ(c.At(5, 5), backgroundPixel);
  EXPECT_EQ(c.At(100, 75), backgroundPixel);

  struct Case {
    TrackerHit handle;
    LPCSTR cursor;
  } cases[] = {{TrackerHit::kTopLeft, IDC_SIZENWSE},    {TrackerHit::kBottomRight, IDC_SIZENWSE},
               {TrackerHit::kTopRight, IDC_SIZENESW},   {TrackerHit::kBottomLeft, IDC_SIZENESW},
               {TrackerHit::kTop, IDC_SIZENS},          {TrackerHit::kBottom, IDC_SIZENS},
               {TrackerHit::kLeft, IDC_SIZEWE},         {TrackerHit::kRight, IDC_SIZEWE}};
  for (const Case& k : cases) {
    const RECT r = fw::TrackerHandleRect(inner, w, k.handle);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar.Handle(), &at);
    SetCursorPos(at.x, at.y);
    SetCursor(nullptr);
    SendMessageA(bar.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(bar.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, k.cursor)) << static_cast<int>(k.handle);
  }
  DestroyWindow(parent);
}

}  // namespace
