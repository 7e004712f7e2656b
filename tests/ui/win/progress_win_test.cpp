// The progress indicator's window under Wine: dialog 306 over its owner,
// the bar, Escape, the windows it disables and gives back, the messages it
// keeps until it closes, and the hidden face's cursor frames and status text.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/win/ProgressInd.h"

namespace lumora {
namespace {

int gCloses = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    ++gCloses;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ProgressTestOwner";
    RegisterClassA(&wc);
    owner = CreateWindowExA(0, "ProgressTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr, wc.hInstance, nullptr);
    tool = CreateWindowExA(WS_EX_TOOLWINDOW, "ProgressTestOwner", "tool", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, owner,
                           nullptr, wc.hInstance, nullptr);
    busy = CreateWindowExA(0, "ProgressTestOwner", "busy", WS_POPUP, 0, 0, 10, 10, owner, nullptr, wc.hInstance, nullptr);
    EnableWindow(busy, FALSE);  // as a modal dialog's owner is
    host.activeTopLevel = [this] { return owner; };
    host.mainWindow = [this] { return owner; };
    host.showDialog = [this] { return shown; };
    host.addPrompt = [this] { return ++promptsAdded; };
    host.setPrompt = [this](int, const std::string& text) { promptText = text; };
    host.clearPrompt = [this](int) { promptText.clear(); };
    for (int i = 0; i < 13; ++i) host.frames[i] = CreateCursor(GetModuleHandleA(nullptr), i, i, 32, 32, andBits, xorBits);
    gCloses = 0;
    Drain();
  }
  void TearDown() override {
    for (HCURSOR c : host.frames) DestroyCursor(c);
    DestroyWindow(owner);
  }
  void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

  HWND owner = nullptr, tool = nullptr, busy = nullptr;
  ProgressHost host;
  bool shown = true;
  int promptsAdded = 0;
  std::string promptText;
  BYTE andBits[128] = {};
  BYTE xorBits[128] = {};
};

TEST_F(ProgressWindowTest, DialogShowsTheBarCancelsOnEscapeAndKeepsACloseForItsEnd) {
  std::unique_ptr<CProgressInd> ind = CProgressInd::Open(host, "Reading file...");
  ASSERT_NE(ind, nullptr);
  HWND dialog = ind->Handle();
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
  char text[64] = {};
  GetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text, sizeof text);
  EXPECT_STREQ(text, "Reading file...");
  EXPECT_FALSE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindowEnabled(tool));
  EXPECT_TRUE(IsWindowEnabled(dialog));

  EXPECT_FALSE(ind->Step(30, 120));
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 25);
  EXPECT_FALSE(ind->Step(33'000'000, 33'000'000));
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 100);

  // A close posted meanwhile waits; Escape cancels, but only when allowed.
  PostMessageA(owner, WM_CLOSE, 0, 0);
  EXPECT_FALSE(ind->Step(1, 2));
  EXPECT_EQ(gCloses, 0);
  EXPECT_TRUE(ProgressIsRunning());
  ind->SetCancelable(false);
  PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_FALSE(ind->Step(1, 2)) << "Escape is not seen by a step that cannot be cancelled";
  ind->SetCancelable(true);
  // A step that changes nothing on screen looks at the queue only once
  // the look interval has passed since the last look.
  Sleep(static_cast<DWORD>(CProgressInd::kLookIntervalMs) + 10);
  EXPECT_TRUE(ind->Step(1, 2));
  EXPECT_TRUE(IsWindow(dialog)) << "a cancel leaves the indicator open";
  PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_FALSE(ind->Step(1, 2)) << "looked just now";
  EXPECT_TRUE(ind->Step(2, 2)) << "a step that moves the bar looks at once";

  ind.reset();
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(ProgressIsRunning());
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(IsWindowEnabled(tool));
  EXPECT_FALSE(IsWindowEnabled(busy)) << "what was disabled before stays disabled";
  Drain();
  EXPECT_EQ(gCloses, 1) << "the kept close arrives after the end";
}

TEST_F(ProgressWindowTest, HiddenFaceTurnsTheCursorAndShowsTheCaptionAsStatus) {
  shown = false;
  std::unique_ptr<CProgressInd> ind = CProgressInd::Open(host, "Processing...");
  ASSERT_NE(ind, nullptr);
  EXPECT_FALSE(IsWindowVisible(ind->Handle()));
  EXPECT_EQ(promptText, "Processing...");
  EXPECT_FALSE(IsWindowEnabled(owner)) << "both faces keep the user out meanwhile";
  ind->SetCancelable(false);  // the cursor follows even when another program is in front
  ind->Step(13, 13);
  EXPECT_EQ(GetCursor(), host.frames[12]);
  ind->Step(500, 13);
  EXPECT_EQ(GetCursor(), host.frames[12]);
  ind->Step(6, 13);
  EXPECT_EQ(GetCursor(), host.frames[6]);
  ind->Step(7, 0);  // a zero total changes nothing
  EXPECT_EQ(GetCursor(), host.frames[6]);
  ind.reset();
  EXPECT_EQ(promptText, "");
  EXPECT_EQ(promptsAdded, 1);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ProgressWindowTest, TheInstalledIndicatorAnswersTheEnginesCallback) {
  InstallProgressIndicator(host);
  ProgressSetCaptionId(IDS_READING_FILE);
  EXPECT_EQ(ProgressCallback(-1, 0), 1);
  auto* ind = static_cast<CProgressInd*>(TheProgress()->Current());
  ASSERT_NE(ind, nullptr);
  char text[64] = {};
  GetDlgItemTextA(ind->Handle(), IDC_PROGRESS_TEXT, text, sizeof text);
  EXPECT_STREQ(text, "Reading file...");
  EXPECT_EQ(ProgressCallback(3, 4), 1);
  EXPECT_EQ(SendDlgItemMessageA(ind->Handle(), IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 75);
  PostMessageA(owner, WM_KEYUP, VK_ESCAPE, 0);
  Sleep(static_cast<DWORD>(CProgressInd::kLookIntervalMs) + 10);
  EXPECT_EQ(ProgressCallback(3, 4), 0);
  EXPECT_EQ(ProgressCallback(-2, 0), 1);
  EXPECT_EQ(TheProgress()->Current(), nullptr);
  RemoveProgressIndicator();
  EXPECT_EQ(GetProgressIndicator(), nullptr);
}

}  // namespace
}  // namespace lumora
