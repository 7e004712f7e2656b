// Options/Preferences and View/Monitor Gamma in the running program: the
// General page's memory share and undo depth, the selection animation's
// timer, the rulers' live unit, the colour picker's choice, their refusals,
// the settings file, and the view's pixels under a monitor gamma.
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
#include "hostapi/draw.h"
#include "hostapi/imagebuf.h"
#include "libs/draw/color_tables.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::ActiveImageView;
using lumora::testing::BoxStep;
using lumora::testing::Capture;
using lumora::testing::CaptureClient;
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

// Every pixel of `after` is the gamma tables' image of the same pixel of
// `before` (the image area) or unchanged (around the image); `changed`
// counts the pixels the tables moved.
::testing::AssertionResult ShowsGamma(const Capture& before, const Capture& after, int gamma, int* changed) {
  const draw::GammaTables t = draw::MakeGammaTables(VR_GAMMAOPT{gamma, gamma, gamma});
  *changed = 0;
  if (before.width != after.width || before.height != after.height) return ::testing::AssertionFailure() << "sizes";
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      const std::uint32_t p = before.At(x, y), q = after.At(x, y);
      const std::uint32_t mapped = static_cast<std::uint32_t>(t.r[(p >> 16) & 0xFF]) << 16 |
                                   static_cast<std::uint32_t>(t.g[(p >> 8) & 0xFF]) << 8 | t.b[p & 0xFF];
      if (q == mapped && q != p) ++*changed;
      if (q != mapped && q != p) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex << p << " -> " << q
                                             << ", gamma gives " << mapped;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Gamma 150 shows in the view as the draw context's gamma tables make it;
// Apply shows 200 and Cancel takes it back; a value outside 1 .. 1000 is
// refused; the settings file keeps 150 after exit.
TEST_F(Preferences, MonitorGammaChangesTheViewAsTheDrawContextsGammaDoes) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  HWND frame = app.MainFrame()->Handle();
  Settle(app, doc);
  ASSERT_NE(ActiveImageView(app), nullptr);
  HWND view = ActiveImageView(app)->Handle();
  const Capture plain = CaptureClient(view);
  CLayersManager* stack = doc->Image().GetLayers();
  const int imagePixels = stack->GetWidth() * stack->GetHeight();

  auto type = [](HWND dialog, const char* value) {
    for (int id : {201, 202, 203}) SetDlgItemTextA(dialog, id, value);
  };
  DialogScript::Run({{"Monitor Gamma", [&](HWND dialog) {
                        type(dialog, "150");
                        Press(dialog, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, ID_VIEW_MONITOR_GAMMA, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 1);
  Settle(app, doc);
  const Capture at150 = CaptureClient(view);
  int changed = 0;
  EXPECT_TRUE(ShowsGamma(plain, at150, 150, &changed));
  EXPECT_GT(changed, imagePixels / 2);

  Capture during;
  std::string refusal;
  DialogScript::Run({{"Monitor Gamma",
                      [&](HWND dialog) {
                        type(dialog, "200");
                        SendMessageA(dialog, WM_COMMAND, 204, 0);  // Apply
                        during = CaptureClient(view);
                        SetDlgItemTextA(dialog, 202, "1001");
                        Press(dialog, IDOK);
                      }},
                     BoxStep("Monitor Gamma",
                             [&](HWND box) {
                               refusal = MessageBoxText(box);
                               Press(box, IDOK);
                             }),
                     {"Monitor Gamma", [&](HWND dialog) { Press(dialog, IDCANCEL); }}});
  SendMessageA(frame, WM_COMMAND, ID_VIEW_MONITOR_GAMMA, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 3);
  EXPECT_EQ(refusal, "Please enter an integer between 1 and 1000.");
  EXPECT_TRUE(ShowsGamma(plain, during, 200, &changed));
  EXPECT_GT(changed, imagePixels / 2);
  Settle(app, doc);
  const Capture cancelled = CaptureClient(view);
  EXPECT_EQ(cancelled.pixels, at150.pixels);
  EXPECT_EQ(app.settings.gammaG, 150);
  EndProgramIfRunning(app);
  EXPECT_EQ(fw::IniFile(ini_).GetInt("LoadOptions", "GammaG", -1), 150);
}

}  // namespace
}  // namespace lumora
