// A real window procedure offering its messages to the hooks: a mouse click
// posted to the window reaches a consuming hook, whose result the window
// returns; passed messages reach the window's own handling.
#include <gtest/gtest.h>

#include <windows.h>

#include "hostapi/toolhost.h"

namespace {

int gOwnHandling = 0;
int gHookClicks = 0;
POINT gClickAt{};

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LU_MSG msg{window, message, wParam, lParam};
  std::intptr_t result = 0;
  if (LUIsSomethingInterest(nullptr, &msg, kLUPassView, &result)) return result;
  if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) ++gOwnHandling;
  return DefWindowProcA(window, message, wParam, lParam);
}

int ClickHook(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  if (msg->message != WM_LBUTTONDOWN) return kLUHookPass;
  ++gHookClicks;
  gClickAt = POINT{static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
  *inOut = 0x5A;
  return kLUHookHandled;
}

void Pump(HWND window) {
  MSG m;
  while (PeekMessageA(&m, window, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

TEST(HookRouting, AClickReachesTheConsumingHookThroughTheWindowProcedure) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ViewProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HookRouteView";
  RegisterClassA(&wc);
  HWND view = CreateWindowA("HookRouteView", "view", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 150, nullptr,
                            nullptr, wc.hInstance, nullptr);
  ASSERT_NE(view, nullptr);
  const LU_HOOK hook{ClickHook, nullptr, kLUPassView, 0};
  const std::uint32_t id = LUSetLUHook(nullptr, &hook);
  ASSERT_NE(id, 0u);

  PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
  PostMessageA(view, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
  Pump(view);
  EXPECT_EQ(gHookClicks, 1);
  EXPECT_EQ(gClickAt.x, 12);
  EXPECT_EQ(gClickAt.y, 34);
  EXPECT_EQ(gOwnHandling, 1) << "only the passed right click reached the window's own handling";
  EXPECT_EQ(SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)), 0x5A) << "the hook's result";

  LURemoveLUHook(nullptr, id);
  SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(gHookClicks, 2) << "removed: no longer called";
  EXPECT_EQ(gOwnHandling, 2);
  DestroyWindow(view);
}

}  // namespace
