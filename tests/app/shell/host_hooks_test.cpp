// The application's tool-host hooks, installed in the tool host and fed
// messages through its dispatch, against a fake set of windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/HostHooks.h"

namespace lumora {
namespace {

void* const kView = reinterpret_cast<void*>(0x100);
void* const kMinimisedView = reinterpret_cast<void*>(0x101);
void* const kOther = reinterpret_cast<void*>(0x200);
void* const kPane = reinterpret_cast<void*>(0x300);

struct FakeWindows : HookHost {
  int formatted = 0;
  std::vector<std::uint32_t> toFrame;
  std::vector<std::uint32_t> frameHandled;
  bool IsOpenImageView(void* w) override { return w == kView; }
  bool ImagePointAt(void*, std::intptr_t lParam, POINT& p) override {
    // Client (x, y) packed as a mouse message; the image is 100 x 50.
    p.x = std::clamp<LONG>(static_cast<std::int16_t>(lParam & 0xFFFF), 0, 99);
    p.y = std::clamp<LONG>(static_cast<std::int16_t>((lParam >> 16) & 0xFFFF), 0, 49);
    return true;
  }
  std::string PositionText(void*, POINT p) override {
    ++formatted;
    return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  }
  std::intptr_t MainFrameHandle(const LU_MSG& msg) override {
    frameHandled.push_back(msg.message);
    return 77;
  }
  bool OwnedByMainFrame(void* w) override { return w == kPane; }
  void SendToMainFrame(std::uint32_t message, std::uintptr_t) override { toFrame.push_back(message); }
  // The Window menu calls and the pane's own handling, in order.
  std::vector<std::string> calls;
  void WinMenuAddPane(void*) override { calls.push_back("add"); }
  void WinMenuDelete(void*) override { calls.push_back("delete"); }
  void WinMenuSetActive(void*) override { calls.push_back("active"); }
  std::intptr_t PaneDialogProc(const LU_MSG& msg) override {
    calls.push_back("proc " + std::to_string(msg.message));
    return msg.message == 0x0110 ? 1 : 0;  // WM_INITDIALOG: the focus is set
  }
};

class HostHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.host = &windows_;
    state_.prompts = &prompts_;
    ASSERT_TRUE(InstallHostHooks(&site_, state_, ids_));
  }
  void TearDown() override { RemoveHostHooks(&site_, ids_); }

  int Offer(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, int pass,
            std::intptr_t* result = nullptr) {
    LU_MSG msg{window, message, wParam, lParam};
    return LUIsSomethingInterest(&site_, &msg, pass, result);
  }
  static std::intptr_t At(int x, int y) { return (y << 16) | (x & 0xFFFF); }

  int site_ = 0;
  FakeWindows windows_;
  CPromptStack prompts_;
  HookState state_;
  std::uint32_t ids_[5] = {};
};

TEST_F(HostHooks, FiveHooksAreInstalledAndTheCursorEntryIsMade) {
  for (std::uint32_t id : ids_) EXPECT_NE(id, 0u);
  EXPECT_NE(state_.cursorEntry, 0);
}

TEST_F(HostHooks, CursorPositionOverAViewIsShownAndClearedOnceOnLeaving) {
  EXPECT_EQ(Offer(kView, 0x200, 0, At(5, 7), kLUPassQueue), 0);  // never consumed
  prompts_.RestoreSaved();
  EXPECT_EQ(prompts_.Current(1), "(5,7)");
  Offer(kView, 0x200, 0, At(500, 7), kLUPassQueue);  // clamped to (99,7)
  Offer(kView, 0x200, 0, At(600, 7), kLUPassQueue);  // the same point: not formatted again
  EXPECT_EQ(windows_.formatted, 2);
  prompts_.RestoreSaved();
  EXPECT_EQ(prompts_.Current(1), "(99,7)");

  Offer(kOther, 0x200, 0, At(1, 1), kLUPassQueue);
  prompts_.RestoreSaved();
  EXPECT_EQ(prompts_.Current(1), "");
  prompts_.Show(1, "sentinel");
  Offer(kOther, 0x200, 0, At(2, 2), kLUPassQueue);  // already clear: nothing shown again
  Offer(kMinimisedView, 0x200, 0, At(2, 2), kLUPassQueue);
  Offer(kView, 0xA0, 0, At(2, 2), kLUPassQueue);
  prompts_.RestoreSaved();
  EXPECT_EQ(prompts_.Current(1), "sentinel");
}

TEST_F(HostHooks, QueueHookLetsMessagesGoOnAndFrameHookAnswersForTheFrame) {
  std::intptr_t result = 0;
  EXPECT_EQ(Offer(kOther, 0x100, 0x41, 0, kLUPassQueue), 0);
  EXPECT_NE(Offer(kOther, 0x111, 5, 0, kLUPassMainFrame, &result), 0);
  EXPECT_EQ(result, 77);
  EXPECT_EQ(windows_.frameHandled, std::vector<std::uint32_t>{0x111});
}

TEST_F(HostHooks, PaneDialogsAreListedActivateTheFrameAndShowPrompts) {
  Offer(kPane, kMsgPaneOpened, 1, 0, kLUPassPane);
  Offer(kPane, kMsgPaneOpened, 1, 0, kLUPassPane);
  EXPECT_EQ(state_.openPanes, std::vector<void*>{kPane});
  Offer(kPane, 0x0006, 1, 0, kLUPassPane);  // activated
  Offer(kOther, 0x0006, 1, 0, kLUPassPane);  // not owned by the frame
  Offer(kPane, 0x0006, 0, 0, kLUPassPane);  // deactivated
  EXPECT_EQ(windows_.toFrame, std::vector<std::uint32_t>{kMsgPaneActivated});
  const char* text = "Pick a colour";
  Offer(kPane, kMsgPanePrompt, 0, reinterpret_cast<std::intptr_t>(text), kLUPassPane);
  EXPECT_EQ(prompts_.Current(0), text);
  Offer(kPane, kMsgPanePromptClear, 0, 0, kLUPassPane);
  EXPECT_EQ(prompts_.Current(0), "");
  Offer(kPane, 0x0002, 0, 0, kLUPassPane);
  EXPECT_TRUE(state_.openPanes.empty());
}

// A pane's system menu: the highlighted entry is recorded for F1 (kinds 5
// and 6) and its prompt shown; closing the menu clears both.
TEST_F(HostHooks, PaneSystemMenuRecordsWhatIsHighlightedAndShowsItsPrompt) {
  MenuHelpState help;
  state_.menuHelp = &help;
  constexpr std::uintptr_t kSysItem = 0x2000u << 16, kSysPopup = (0x2000u | 0x10u) << 16;
  Offer(kPane, 0x011F, kSysItem | 0xF060, 0x1234, kLUPassPane);  // SC_CLOSE
  EXPECT_EQ(help.kind, MenuHelpState::kPaneSystemItem);
  EXPECT_EQ(help.item, 0xF060u);
  EXPECT_EQ(prompts_.Current(0), "Closes the tool window");
  Offer(kPane, 0x011F, kSysPopup, 0x1234, kLUPassPane);
  EXPECT_EQ(help.kind, MenuHelpState::kPaneSystemPopup);
  EXPECT_EQ(prompts_.Current(0), "Tool window commands");
  Offer(kPane, 0x011F, 0xFFFFu << 16, 0, kLUPassPane);
  EXPECT_EQ(help.kind, MenuHelpState::kNothing);
  EXPECT_EQ(prompts_.Current(0), "");
}

TEST_F(HostHooks, PaneDialogsReachTheWindowMenuAndTheirOwnHandling) {
  struct Case {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::vector<std::string> calls;
    std::intptr_t result;
  };
  const std::string m1239 = "proc " + std::to_string(kMsgPaneOpened);
  const Case cases[] = {
      {kMsgPaneOpened, 1, {"add", "active", m1239}, 0},
      {kMsgPaneOpened, 0, {m1239}, 0},
      {0x0018, 1, {"add", "proc 24"}, 0},     // WM_SHOWWINDOW, shown
      {0x0018, 0, {"delete", "proc 24"}, 0},  // hidden
      {0x0002, 0, {"delete", "proc 2"}, 0},   // WM_DESTROY
      {0x0110, 0, {"proc 272"}, 1},           // WM_INITDIALOG answers as the pane does
  };
  for (const Case& c : cases) {
    windows_.calls.clear();
    std::intptr_t result = -1;
    EXPECT_NE(Offer(kPane, c.message, c.wParam, 0, kLUPassPane, &result), 0) << c.message;
    EXPECT_EQ(windows_.calls, c.calls) << c.message;
    EXPECT_EQ(result, c.result) << c.message;
  }
  // The saved prompts come back when a pane's menu loop idles.
  prompts_.SetText(prompts_.Add(0, 0, true), "menu item");
  ASSERT_TRUE(prompts_.HasSaved());
  Offer(kPane, 0x0121, 0, 0, kLUPassPane);  // WM_ENTERIDLE
  EXPECT_FALSE(prompts_.HasSaved());
  EXPECT_EQ(prompts_.Current(0), "menu item");
}

}  // namespace
}  // namespace lumora
