// The application's colours on screen, in the program's own start-up: the
// shared colour window opened by the swatch commands, edited by typing, and
// what it gives the foreground and background colours.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "hostapi/comdlg.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"

namespace lumora {
namespace {

using lumora::testing::RunUntil;
using lumora::testing::SettingsFileOfThisProgram;

// The colour window's edits of red, green and blue.
constexpr int kRedEdit = 1111, kGreenEdit = 1112, kBlueEdit = 1113;
constexpr int kGreenSlider = 1102;

void Send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT Mouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  return in;
}

HWND ColourWindow() { return FindWindowA("VR_SELCOLORWND32", nullptr); }

int EditValue(HWND window, int id) {
  BOOL ok = FALSE;
  const UINT value = GetDlgItemInt(window, id, &ok, FALSE);
  return ok ? static_cast<int>(value) : -1;
}

class Colours : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    frame_ = app_.MainFrame()->Handle();
    Pump();
  }
  void TearDown() override {
    SendMessageA(frame_, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_.ExitInstance();
    DeleteFileA(ini_.c_str());
  }
  void Pump() { RunUntil(app_, [] { return true; }); }

  // Types a channel into the colour window's edit as the user does.
  void TypeInto(HWND window, int id, const char* digits) {
    HWND edit = GetDlgItem(window, id);
    SetForegroundWindow(window);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    std::vector<INPUT> keys;
    for (const char* c = digits; *c != '\0'; ++c) {
      keys.push_back(Key(static_cast<WORD>(*c), false));
      keys.push_back(Key(static_cast<WORD>(*c), true));
    }
    Send(keys);
    Pump();
  }

  CLumo40App app_;
  std::string ini_;
  HWND frame_ = nullptr;
};

TEST_F(Colours, SwatchCommandsOpenTheColourWindowWhoseColoursTheApplicationTakes) {
  app_.SetForeColor(RGB(10, 20, 30), false);
  app_.SetBackColor(RGB(255, 255, 255), false);
  ASSERT_EQ(ColourWindow(), nullptr);
  EXPECT_EQ(LUShowSelColorWindow(nullptr, frame_, 0), nullptr);  // not open: refused

  // The foreground swatch's command: the window shows the foreground.
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  HWND window = ColourWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(LUIsSelColorWindowOpened(nullptr));
  EXPECT_EQ(EditValue(window, kRedEdit), 10);
  EXPECT_EQ(EditValue(window, kGreenEdit), 20);
  EXPECT_EQ(EditValue(window, kBlueEdit), 30);

  // Typed channels become the foreground colour as they are typed.
  TypeInto(window, kRedEdit, "200");
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 20, 30));
  // Out of range while typing: ignored, and put right when the edit is left.
  TypeInto(window, kGreenEdit, "300");
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 30, 30));  // "30" was a channel on the way
  SetFocus(GetDlgItem(window, kBlueEdit));
  Pump();
  EXPECT_EQ(EditValue(window, kGreenEdit), 30);
  EXPECT_EQ(app_.settings.backColor, RGB(255, 255, 255));

  // The slider follows the edit; a click on its channel moves it a page.
  HWND slider = GetDlgItem(window, kGreenSlider);
  EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 30);
  RECT channel{};
  SendMessageA(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  POINT atEnd{channel.right - 3, (channel.top + channel.bottom) / 2};
  ClientToScreen(slider, &atEnd);
  Send({Mouse(MOUSEEVENTF_MOVE, atEnd)});
  Pump();
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  Pump();
  const int moved = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
  EXPECT_GT(moved, 30);
  EXPECT_EQ(EditValue(window, kGreenEdit), moved);
  EXPECT_EQ(app_.settings.foreColor, RGB(200, moved, 30));

  // The background swatch: the same window now shows and edits the background.
  SendMessageA(frame_, WM_COMMAND, IDC_BACK_SWATCH, 0);
  Pump();
  EXPECT_EQ(ColourWindow(), window);
  EXPECT_EQ(EditValue(window, kRedEdit), 255);
  TypeInto(window, kBlueEdit, "7");
  EXPECT_EQ(app_.settings.backColor, RGB(255, 255, 7));
  EXPECT_EQ(app_.settings.foreColor, RGB(200, moved, 30));

  // Closed by its caption's close: no longer open, opened again on demand.
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(LUIsSelColorWindowOpened(nullptr));
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  ASSERT_NE(ColourWindow(), nullptr);
  EXPECT_EQ(EditValue(ColourWindow(), kRedEdit), 200);
  // The program ends with the window open.
}

}  // namespace
}  // namespace lumora
