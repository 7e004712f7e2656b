// The program's own start-up, idle work and exit run in this process: the
// animation timer by its setting, the status panes, and the settings file
// that exit writes.
#include <gtest/gtest.h>

#include <string>

#include "app/Settings.h"
#include "app/StatusPanes.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"

namespace lumora {
namespace {

std::string SettingsFileOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fw::ProfilePathForProgram(path);
}

// Runs the framework's idle passes and pending messages until idle work ends.
void Settle(CLumo40App& app) {
  for (int round = 0; round < 3; ++round) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!app.PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    for (int count = 0; app.OnIdle(count) && count < 20; ++count) {
    }
  }
}

void CloseProgram(CLumo40App& app) {
  HWND frame = app.MainFrame()->Handle();
  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
}

class ProgramInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
  }
  void TearDown() override { DeleteFileA(ini_.c_str()); }
  std::string ini_;
};

TEST_F(ProgramInProcess, AnimationSpeedDecidesTimer1331AndExitWritesEveryKey) {
  {
    fw::IniFile ini(ini_);
    ini.WriteInt("LoadOptions", "AnimationSpeed", 0);
    ini.WriteInt("Memory", "Percent", 300);
    ini.WriteInt("Grid", "step", 70000);
  }
  {
    CLumo40App app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_FALSE(app.HasAnimationTimer());
    EXPECT_FALSE(KillTimer(app.MainFrame()->Handle(), kAnimationTimer));
    CloseProgram(app);
  }
  fw::IniFile ini(ini_);
  int count = 0;
  const SettingKey* keys = SettingKeys(&count);
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(ini.GetString(keys[i].section, keys[i].key, "<missing>"), "<missing>")
        << keys[i].section << "/" << keys[i].key;
  }
  for (const char* key : {"EmptyClipboardOnExit", "DiscardInternalClipboardFormatsOnExit",
                          "CopyOnClipboardOnlyVisibleLayers", "Copy/CutActiveLayerOnly"}) {
    EXPECT_EQ(ini.GetString("LoadOptions", key, "<missing>"), "0") << key;
  }
  EXPECT_EQ(ini.GetString("FORE", "R"), "0");
  EXPECT_EQ(ini.GetString("BACK", "G"), "255");
  EXPECT_EQ(ini.GetInt("LoadOptions", "AnimationSpeed", -1), 0);
  EXPECT_EQ(ini.GetInt("Memory", "Percent", -1), 100);
  EXPECT_EQ(ini.GetInt("Grid", "step", -1), 70000);

  ini.WriteInt("LoadOptions", "AnimationSpeed", 3);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  EXPECT_TRUE(app.HasAnimationTimer());
  EXPECT_TRUE(KillTimer(app.MainFrame()->Handle(), kAnimationTimer));  // it was there
  CloseProgram(app);
}

TEST_F(ProgramInProcess, StatusPanesShowNoImageThenTheImageStatus) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  Settle(app);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  EXPECT_EQ(status.GetPaneText(2), "No images loaded");
  EXPECT_EQ(status.GetPaneText(1), "");
  RECT client{};
  GetClientRect(app.MainFrame()->Handle(), &client);
  EXPECT_GT(client.right, 300);

  fw::Document* doc = app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  ASSERT_NE(doc, nullptr);
  Settle(app);
  std::string text = status.GetPaneText(2);
  EXPECT_EQ(text.rfind("24-bit image, size ", 0), 0u) << text;
  EXPECT_NE(text.find(", 1:1"), std::string::npos) << text;
  CloseProgram(app);
}

}  // namespace
}  // namespace lumora
