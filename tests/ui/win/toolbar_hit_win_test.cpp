// The toolbar button under a point on a toolbar control of the system's,
// under Wine: its buttons' own rectangles, a separator and a hidden button.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "ui/win/ToolbarHit.h"

namespace lumora {
namespace {

TEST(ToolBarButtonFromPoint, FindsTheButtonsTheControlLaysOut) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  HWND host = CreateWindowExA(0, "#32770", "bar", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 120, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT, 0, 0, 0, 0, host, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(bar, nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Two buttons, a separator, a hidden button and one more.
  TBBUTTON buttons[5] = {};
  const int commands[5] = {100, 101, 0, 102, 103};
  for (int i = 0; i < 5; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = commands[i];
    buttons[i].fsState = TBSTATE_ENABLED | (i == 3 ? TBSTATE_HIDDEN : 0);
    buttons[i].fsStyle = i == 2 ? BTNS_SEP : BTNS_BUTTON;
  }
  SendMessageA(bar, TB_ADDBUTTONSA, 5, reinterpret_cast<LPARAM>(buttons));
  SendMessageA(bar, TB_AUTOSIZE, 0, 0);
  auto centre = [&](int index) {
    RECT r{};
    SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  for (int index : {0, 1, 2, 4}) {
    const POINT c = centre(index);
    EXPECT_EQ(ToolBarButtonFromPoint(bar, 0, 5, c.x, c.y), index) << index;
  }
  const POINT last = centre(4);
  EXPECT_EQ(ToolBarButtonFromPoint(bar, 0, 4, last.x, last.y), -1) << "outside the searched four";
  EXPECT_EQ(ToolBarButtonFromPoint(bar, 99, 1, last.x, last.y), 4) << "a start past the end is the last button";
  const POINT first = centre(0);
  EXPECT_EQ(ToolBarButtonFromPoint(bar, -1, 1, first.x, first.y), 0);
  EXPECT_EQ(ToolBarButtonFromPoint(bar, 1, 5, first.x, first.y), -1);
  RECT client{};
  GetClientRect(bar, &client);
  EXPECT_EQ(ToolBarButtonFromPoint(bar, 0, 5, client.right - 1, first.y), -1) << "past the buttons";
  DestroyWindow(host);
}

}  // namespace
}  // namespace lumora
