// Options/Preferences in the running program: the General page's memory
// share and undo depth, the selection animation's timer, the rulers' live
// unit, the colour picker's choice, their refusals, and the settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/Settings.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/PreferencesForm.h"
#include "document/win/Lumo40Doc.h"
#include "framework/Profile.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::BoxStep;
using lumora::testing::CloseProgram;
using lumora::testing::DialogScript;
using lumora::testing::EndProgramIfRunning;
using lumora::testing::MessageBoxText;
using lumora::testing::Press;
using lumora::testing::SettingsFileOfThisProgram;
using lumora::testing::Settle;

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

std::string ItemText(HWND page, int id) {
  char text[128] = {};
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

void Choose(HWND page, int id, int index) {
  HWND combo = GetDlgItem(page, id);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::uint64_t PhysicalMemory() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  return memory.ullTotalPhys;
}

class Preferences : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
  }
  void TearDown() override {
    DialogScript::Stop();
    DeleteFileA(ini_.c_str());
  }
  std::string ini_;
};

// Memory 30 %, undo depth 3 and a slow animation through the General and
// Selection pages: the image buffers' limit, a history of 10 steps and
// timer 1331 follow at once, and the settings file keeps them after exit.
TEST_F(Preferences, GeneralAndSelectionPagesApplyAtOnceAndExitKeepsThem) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  HWND frame = app.MainFrame()->Handle();
  for (int i = 0; i < 12; ++i) SendMessageA(frame, WM_COMMAND, ID_IMAGE_FLIP_HORIZONTAL, 0);
  Settle(app, doc);
  ASSERT_EQ(doc->Image().History().UndoCount(), 10);
  EXPECT_EQ(app.AnimationPeriod(), AnimationTimerPeriod(3));

  const std::uint64_t total = PhysicalMemory();
  std::string totalLabel, shareLabel, caption;
  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        char text[64] = {};
                        GetWindowTextA(sheet, text, sizeof text);
                        caption = text;
                        HWND page = CurrentPage(sheet);
                        totalLabel = ItemText(page, IDC_PREF_TOTAL_MEMORY);
                        SetDlgItemTextA(page, IDC_PREF_MEMORY_PERCENT, "30");
                        shareLabel = ItemText(page, IDC_PREF_MEMORY_USED);
                        SetDlgItemTextA(page, IDC_PREF_UNDO_DEPTH, "3");
                        SendMessageA(sheet, PSM_SETCURSEL, 4, 0);  // Selection animation
                        Choose(CurrentPage(sheet), IDC_PREF_ANIMATION, 1);  // Slow
                        Press(sheet, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, ID_OPTIONS_PREF_GENERAL, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 1);
  EXPECT_EQ(caption, "Preferences");
  EXPECT_EQ(totalLabel, KilobytesText(total));
  EXPECT_EQ(shareLabel, MemoryShareText(total, 30));
  EXPECT_EQ(VrWA2000::WA::MM_GetMemoryLimit(), MemoryLimitBytes(30, total));
  EXPECT_EQ(doc->Image().History().UndoCount(), 3);
  EXPECT_EQ(app.AnimationPeriod(), 600);
  EXPECT_TRUE(app.HasAnimationTimer());

  // "No animation" stops the timer.
  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        Choose(CurrentPage(sheet), IDC_PREF_ANIMATION, 0);
                        Press(sheet, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, ID_OPTIONS_PREF_SELECTION, 0);
  DialogScript::Stop();
  EXPECT_FALSE(app.HasAnimationTimer());
  EXPECT_FALSE(KillTimer(frame, kAnimationTimer));

  EndProgramIfRunning(app);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("Memory", "Percent", -1), 30);
  EXPECT_EQ(ini.GetInt("LoadOptions", "CreateBackup", -1), 3);
  EXPECT_EQ(ini.GetInt("LoadOptions", "LimitBackup", -1), 1);
  EXPECT_EQ(ini.GetInt("LoadOptions", "AnimationSpeed", -1), 0);
  VrWA2000::WA::MM_SetMemoryLimits(0);
}

// Out of bounds: OK and Cancel show the range box with the bounds, put the
// clamped value back and keep the sheet open. The rulers' unit shows at
// once and Cancel takes it back; Cancel keeps the colour picker's stored
// choice, OK writes the new one.
TEST_F(Preferences, RangeBoxRulersLiveAndPickerOnlyByOk) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  const int lowest = MemoryPercentLowerBound(PhysicalMemory());
  std::string depthBox, depthAfter, percentBox, percentAfter;
  int unitDuring = -1;
  DialogScript::Run({{"Preferences",
                      [&](HWND sheet) {
                        SetDlgItemTextA(CurrentPage(sheet), IDC_PREF_UNDO_DEPTH, "150");
                        Press(sheet, IDOK);
                      }},
                     BoxStep("Preferences",
                             [&](HWND box) {
                               depthBox = MessageBoxText(box);
                               Press(box, IDOK);
                             }),
                     {"Preferences",
                      [&](HWND sheet) {
                        HWND page = CurrentPage(sheet);
                        depthAfter = ItemText(page, IDC_PREF_UNDO_DEPTH);
                        SetDlgItemTextA(page, IDC_PREF_MEMORY_PERCENT, "0");
                        Press(sheet, IDCANCEL);
                      }},
                     BoxStep("Preferences",
                             [&](HWND box) {
                               percentBox = MessageBoxText(box);
                               Press(box, IDOK);
                             }),
                     {"Preferences",
                      [&](HWND sheet) {
                        percentAfter = ItemText(CurrentPage(sheet), IDC_PREF_MEMORY_PERCENT);
                        SendMessageA(sheet, PSM_SETCURSEL, 2, 0);  // Rulers units
                        Choose(CurrentPage(sheet), IDC_PREF_RULER_UNIT, 1);  // Centimeters
                        unitDuring = CurrentViewSettings().rulerUnits;
                        SendMessageA(sheet, PSM_SETCURSEL, 3, 0);  // Color picker
                        Choose(CurrentPage(sheet), IDC_PREF_PICKER, 2);
                        Press(sheet, IDCANCEL);
                      }}});
  SendMessageA(frame, WM_COMMAND, ID_OPTIONS_PREF_GENERAL, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 5);
  EXPECT_EQ(depthBox, "Please enter an integer between 1 and 100.");
  EXPECT_EQ(depthAfter, "100");
  EXPECT_EQ(percentBox, "Please enter an integer between " + std::to_string(lowest) + " and 100.");
  EXPECT_EQ(percentAfter, std::to_string(lowest));
  EXPECT_EQ(unitDuring, 0);
  EXPECT_EQ(CurrentViewSettings().rulerUnits, 2);
  EXPECT_EQ(app.settings.createBackup, 10);
  EXPECT_EQ(LUGetProfileInt(app.Site(), "INTERFACE", "USELUSELCOLOR", -1), -1) << "Cancel wrote nothing";

  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        Choose(CurrentPage(sheet), IDC_PREF_PICKER, 2);
                        Press(sheet, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, ID_OPTIONS_PREF_PICKER, 0);
  DialogScript::Stop();
  EXPECT_EQ(LUGetProfileInt(app.Site(), "INTERFACE", "USELUSELCOLOR", -1), 2);
  CloseProgram(app);
  EXPECT_EQ(fw::IniFile(ini_).GetInt("INTERFACE", "USELUSELCOLOR", -1), 2);
}

}  // namespace
}  // namespace lumora
