// The small controls under Wine on a test window of their own (their users
// come later): the ball button's values from real clicks and its square
// shape, the selection-combination combo (dialog 256) with its modes and
// choice, and the rich edit that gives back its selection with the focus.
#include <gtest/gtest.h>

#include <windows.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/SmallControlMath.h"
#include "ui/win/OwnerDrawControls.h"

namespace lumora {
namespace {

void Pump() {
  MSG msg;
  for (int round = 0; round < 5; ++round) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(20);
  }
}

INPUT MouseAt(DWORD flags, POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  return in;
}

class SmallControls : public ::testing::Test {
 protected:
  void SetUp() override {
    host = CreateWindowExA(0, "#32770", "controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    SetForegroundWindow(host);
  }
  void TearDown() override { DestroyWindow(host); }
  HWND host = nullptr;
};

TEST_F(SmallControls, TheBallTakesItsValuesFromWhereItIsClicked) {
  HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 100, 60, host,
                                reinterpret_cast<HMENU>(100), GetModuleHandleA(nullptr), nullptr);
  CBallButton ball;
  ASSERT_TRUE(ball.Attach(host, 100));
  ball.SetRange(100);
  ball.SetRange2(360);
  SetWindowPos(button, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  RECT c{};
  GetClientRect(button, &c);
  EXPECT_EQ(c.right, c.bottom) << "kept square";
  int changes = 0;
  ball.changed = [&] { ++changes; };
  // 20 right and 20 down of the centre: 45 degrees, 28 of the radius.
  POINT at{c.right / 2 + 20, c.bottom / 2 + 20};
  const BallValues expected = BallValuesAt(20, 20, c.right, 100, 360);
  ClientToScreen(button, &at);
  INPUT clicks[] = {MouseAt(0, at), MouseAt(MOUSEEVENTF_LEFTDOWN, at), MouseAt(MOUSEEVENTF_LEFTUP, at)};
  SendInput(3, clicks, sizeof(INPUT));
  Pump();
  EXPECT_EQ(ball.GetPos(), expected.first);
  EXPECT_EQ(ball.GetPos2(), expected.second);
  EXPECT_GE(changes, 1);
  // A lower bound brings the value down to it.
  ball.SetRange(10);
  EXPECT_EQ(ball.GetPos(), 10);
  EXPECT_FALSE(ball.SetPos(10));
  EXPECT_TRUE(ball.SetPos2(90));
}

TEST_F(SmallControls, TheSelectionComboListsTheSixModes) {
  CMySBComboBox combo;
  ASSERT_TRUE(combo.Create(host, 3));
  char cls[64] = {};
  GetClassNameA(combo.Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "WND_SCOMBOBOX");
  HWND list = GetDlgItem(combo.Handle(), IDC_SB_COMBO);
  ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 6);
  const char* names[] = {"NEW", "ADD", "SUB", "AND", "RSUB", "XOR"};
  for (int i = 0; i < 6; ++i) {
    char text[16] = {};
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, names[i]);
    EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0), i + 1);
  }
  EXPECT_EQ(combo.SelectedMode(), 3);
  combo.SelectMode(0);
  EXPECT_EQ(combo.SelectedMode(), 1) << "0 counts as 1";
  std::vector<int> chosen;
  combo.modeChosen = [&](int mode) { chosen.push_back(mode); };
  SendMessageA(list, CB_SETCURSEL, 5, 0);
  SendMessageA(combo.Handle(), WM_COMMAND, MAKEWPARAM(IDC_SB_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(chosen, std::vector<int>{6});
  EXPECT_GE(combo.ToolbarWidth(), 50);
  std::string tip;
  combo.GetToolTipText(IDC_SB_COMBO, tip);
  EXPECT_EQ(tip, "Logic of selections combination");
  combo.DestroyWindow();
}

TEST_F(SmallControls, TheRichEditGivesBackItsSelectionWithTheFocus) {
  LoadLibraryA("riched20.dll");
  HWND rich = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 20, 20, 200, 80, host,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(rich, nullptr);
  HWND other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 20, 120, 100, 20, host, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  CMyRTFCtrl edit;
  ASSERT_TRUE(edit.Attach(rich));
  SetWindowTextA(rich, "The quick brown fox");
  SetFocus(rich);
  CHARRANGE range{4, 9};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  SetFocus(other);
  CHARRANGE none{0, 0};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  SetFocus(rich);
  CHARRANGE now{};
  SendMessageA(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&now));
  EXPECT_EQ(now.cpMin, 4);
  EXPECT_EQ(now.cpMax, 9);
}

}  // namespace
}  // namespace lumora
