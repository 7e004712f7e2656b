// The program's own start-up, idle work and exit run in this process: the
// animation timer by its setting, the status panes, and the settings file
// that exit writes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <shlobj.h>

#include "app/Settings.h"
#include "app/StatusPanes.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "res/resource.h"

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

// A shell drop of two files: each is opened, the block is freed.
HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += p + '\0';
  list += '\0';
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(block);
  return block;
}

std::string WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST_F(ProgramInProcess, DroppedFilesAreOpenedEach) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  const std::string psd = WindowsPath(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  const std::string lud = WindowsPath(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud");
  SendMessageA(app.MainFrame()->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({psd, lud})), 0);
  std::vector<fw::Document*> docs = app.Docs().AllDocuments();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[0]->GetPathName(), psd);
  EXPECT_EQ(docs[1]->GetPathName(), lud);
  CloseProgram(app);
}

TEST_F(ProgramInProcess, PlacementFollowsMovesSizesAndMaximising) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  ShowWindow(frame, SW_RESTORE);
  SetWindowPos(frame, nullptr, 40, 50, 700, 500, SWP_NOZORDER);
  EXPECT_EQ(app.settings.frameX, 40);
  EXPECT_EQ(app.settings.frameY, 50);
  EXPECT_EQ(app.settings.frameW, 700);
  EXPECT_EQ(app.settings.frameH, 500);
  ShowWindow(frame, SW_MAXIMIZE);
  EXPECT_EQ(app.settings.frameMaximized, 1);
  EXPECT_EQ(app.settings.frameX, 40);  // a maximised frame keeps the saved rectangle
  EXPECT_EQ(app.settings.frameW, 700);
  ShowWindow(frame, SW_RESTORE);
  EXPECT_EQ(app.settings.frameMaximized, 0);
  EXPECT_EQ(app.settings.frameW, 700);
  CloseProgram(app);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameX", -1), 40);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameH", -1), 500);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameMaximized", -1), 0);
}

TEST_F(ProgramInProcess, SaveAndCloseAllDocumentsClosesUnchangedDocuments) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud"), nullptr);
  EXPECT_TRUE(app.MainFrameWnd()->SaveAndCloseAllDocuments(true));  // already done: nothing closes
  EXPECT_EQ(app.Docs().AllDocuments().size(), 2u);
  EXPECT_TRUE(app.MainFrameWnd()->SaveAndCloseAllDocuments(false));
  EXPECT_TRUE(app.Docs().AllDocuments().empty());
  CloseProgram(app);
}

// Dialogs run their own loops: a timer reads and closes them.
struct DialogProbe {
  std::string caption;
  std::function<void(HWND)> inspect;
  bool seen = false;
};
DialogProbe* probe = nullptr;

void CALLBACK ProbeTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowA("#32770", probe->caption.c_str());
  if (dialog == nullptr || probe->seen) return;
  probe->seen = true;
  KillTimer(nullptr, id);
  probe->inspect(dialog);
}

TEST_F(ProgramInProcess, AboutBoxShowsSixtyFourBitMemoryAndTheLogoRevealsOk) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  std::string memory, disk;
  bool okHidden = false, okShownAfterClick = false;
  DialogProbe about{"About Lumora 4.0", [&](HWND dialog) {
                      char text[128] = {};
                      GetDlgItemTextA(dialog, IDC_ABOUT_MEMORY, text, sizeof text);
                      memory = text;
                      GetDlgItemTextA(dialog, IDC_ABOUT_DISK, text, sizeof text);
                      disk = text;
                      okHidden = !IsWindowVisible(GetDlgItem(dialog, IDOK));
                      SendMessageA(GetDlgItem(dialog, IDC_ABOUT_LOGO), WM_LBUTTONDOWN, MK_LBUTTON, 0);
                      okShownAfterClick = IsWindowVisible(GetDlgItem(dialog, IDOK)) != 0;
                      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                    }};
  probe = &about;
  SetTimer(nullptr, 0, 50, ProbeTimer);
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_APP_ABOUT, 0);
  ASSERT_TRUE(about.seen);
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  ASSERT_GE(memory.size(), 2u);
  EXPECT_EQ(memory.back(), 'B');
  const unsigned long long shown = std::stoull(memory.substr(0, memory.size() - 1));
  EXPECT_NEAR(static_cast<double>(shown), static_cast<double>(status.ullAvailPhys), 512.0 * 1024 * 1024);
  EXPECT_NE(disk.find(" KB Free on "), std::string::npos) << disk;
  EXPECT_TRUE(okHidden);
  EXPECT_TRUE(okShownAfterClick);
  CloseProgram(app);
}

TEST_F(ProgramInProcess, StartWizardIsOfferedAtZeroAndRemembersTheCheckBox) {
  fw::IniFile(ini_).WriteInt("STARTWIZARD", "STARTWIZARD", 0);
  DialogProbe wizard{"Lumora 4.0", [](HWND dialog) {
                       CheckDlgButton(dialog, IDC_STARTWIZARD_DONT_SHOW, BST_CHECKED);
                       PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // No
                     }};
  probe = &wizard;
  SetTimer(nullptr, 0, 50, ProbeTimer);
  {
    CLumo40App app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(wizard.seen);
    CloseProgram(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("STARTWIZARD", "STARTWIZARD", -1), 1);
  // Not offered again.
  DialogProbe again{"Lumora 4.0", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }};
  probe = &again;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ProbeTimer);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  KillTimer(nullptr, timer);
  EXPECT_FALSE(again.seen);
  CloseProgram(app);
}

}  // namespace
}  // namespace lumora
