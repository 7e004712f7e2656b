// Tool panes as real Win32 dialogs over a test main window and an image
// behind a fake site host: a pane opened by number, its parameters typed
// into its controls, Apply as one undo step with the notice 1256, Preview
// then Close restoring the image, the Window menu activating a pane, and
// the host's file dialog driven to OK from a timer.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "app/Site.h"
#include "tests/app/site/fake_site_host.h"
#include "tests/app/site/site_images.h"
#include "tests/support/temp_workspace.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"

namespace lumora {
namespace {

using VrWA2000::WA;
using test::RandomImage;
using test::SamePixels;
using lumora::testing::MenuItem;
using lumora::testing::PopupItems;

constexpr int kIdEditFirst = 1000, kIdLabelFirst = 1100, kIdSwatchFirst = 1200, kIdPreview = 1300, kIdApply = 1301;

struct Notices {
  std::vector<WPARAM> runs;  // wParam of every 1256 the main window got
};
Notices gNotices;

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kLUMsgToolExecuted) {
    gNotices.runs.push_back(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The fake host over a real main window.
struct WinHost : test::ImageUndoHost {
  HWND main = nullptr;
  SiteWindow MainWnd() override { return main; }
  std::intptr_t SendToWindow(SiteWindow w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override {
    FakeSiteHost::SendToWindow(w, m, wp, lp);
    return SendMessageA(static_cast<HWND>(w), m, wp, lp);
  }
};

std::string ItemText(HWND dialog, int id) {
  char text[128] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class ToolPaneWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ToolPaneTestMain";
    RegisterClassA(&wc);
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 100, "E&xit");
    windowMenu = CreatePopupMenu();
    AppendMenuA(windowMenu, MF_STRING, 101, "&Cascade");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windowMenu), "&Window");
    host.main = CreateWindowA("ToolPaneTestMain", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 500, 400, nullptr,
                              bar, wc.hInstance, nullptr);
    ASSERT_NE(host.main, nullptr);
    ASSERT_TRUE(InitHostSite(site, host));
    host.image = RandomImage(31, 23, 4);
    host.docImages[0] = host.image;
    original = new WA(*host.image, false);
    LUInitGlobalSelection(&site.site);
    LUPreview_Init(&site.site);
    gNotices = Notices{};
  }
  void TearDown() override {
    LUDestroyPaneDialogs(&site.site);
    LUPreview_Destroy(&site.site);
    LURemoveGlobalSelection(&site.site);
    FreeHostSite(site);
    DestroyWindow(host.main);
    host.image->Release();
    original->Release();
    LUResetError();
  }
  HWND OpenPane(const char* tool) {
    EXPECT_NE(LUCreateToolInstanceByIDNumber(&site.site, LUGetRegToolIDNumber(nullptr, tool, 0), 0), 0) << tool;
    return static_cast<HWND>(LUGetPaneDialogWindow(&site.site, LUGetActivePaneDialog(&site.site)));
  }
  LUTool* ToolOf(HWND pane) {
    LUPaneDialog* dialog = LUHWNDToPaneDialog(&site.site, pane);
    return LUGetPaneData(&site.site, LUGetNextPane(&site.site, dialog, nullptr))->tool;
  }
  int Parameter(HWND pane, int index) {
    std::int32_t v = -1;
    LUGetParameter(ToolOf(pane), index, 0, &v);
    return v;
  }
  // Text and state of the Window popup's items.
  std::vector<MenuItem> WindowItems() { return PopupItems(windowMenu); }

  WinHost host;
  HostSite site;
  HMENU windowMenu = nullptr;
  WA* original = nullptr;
};

TEST_F(ToolPaneWinTest, PaneByNumberTakesParametersFromItsControlsAndAppliesAsOneUndoStep) {
  HWND pane = OpenPane("vr_rsmooth");
  ASSERT_NE(pane, nullptr);
  EXPECT_TRUE(IsWindowVisible(pane));
  EXPECT_EQ(GetWindow(pane, GW_OWNER), host.main);
  char title[64] = {};
  GetWindowTextA(pane, title, sizeof title);
  EXPECT_STREQ(title, "Smooth");
  EXPECT_EQ(ItemText(pane, kIdLabelFirst), "Width:");
  EXPECT_EQ(ItemText(pane, kIdLabelFirst + 3), "Keep %:");
  EXPECT_EQ(ItemText(pane, kIdEditFirst), "3");
  EXPECT_EQ(ItemText(pane, IDCANCEL), "Close");

  SetDlgItemTextA(pane, kIdEditFirst, "7");
  SetDlgItemTextA(pane, kIdEditFirst + 1, "5");
  EXPECT_EQ(Parameter(pane, 0), 7);
  EXPECT_EQ(Parameter(pane, 1), 5);
  SetDlgItemTextA(pane, kIdEditFirst, "0");  // out of range while typing: ignored
  EXPECT_EQ(Parameter(pane, 0), 7);
  SendMessageA(pane, WM_COMMAND, MAKEWPARAM(kIdEditFirst, EN_KILLFOCUS), 0);
  EXPECT_EQ(ItemText(pane, kIdEditFirst), "7") << "leaving the field shows the value in force";
  EXPECT_EQ(LUGetErrorState().code, 0);

  Click(pane, kIdApply);
  WA* expected = test::ToolResult(original, "vr_rsmooth", {7, 5, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, expected));
  ASSERT_EQ(host.undoImages.size(), 1u) << "one undo step";
  EXPECT_TRUE(SamePixels(host.undoImages[0], original));
  ASSERT_EQ(gNotices.runs.size(), 1u);
  EXPECT_EQ(gNotices.runs[0], reinterpret_cast<WPARAM>(ToolOf(pane)));
  const auto invalidate = std::find(host.log.begin(), host.log.end(), "invalidate");
  const auto notice = std::find(host.log.begin(), host.log.end(), "send 1256");
  EXPECT_LT(invalidate - host.log.begin(), notice - host.log.begin()) << "refreshed before the notice";
  expected->Release();
}

TEST_F(ToolPaneWinTest, PreviewFollowsTheControlsAndCloseRestoresTheImage) {
  HWND pane = OpenPane("maximum_effect");
  Click(pane, kIdPreview);
  EXPECT_EQ(IsDlgButtonChecked(pane, kIdPreview), BST_CHECKED);
  WA* first = test::ToolResult(original, "maximum_effect", {3, 3, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, first));
  SetDlgItemTextA(pane, kIdEditFirst + 1, "6");
  WA* second = test::ToolResult(original, "maximum_effect", {3, 6, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, second)) << "from the original, not from the last preview";
  Click(pane, IDCANCEL);
  EXPECT_FALSE(IsWindow(pane));
  EXPECT_TRUE(SamePixels(host.image, original)) << "closed without Apply";
  EXPECT_TRUE(host.undoImages.empty());
  EXPECT_TRUE(gNotices.runs.empty());
  EXPECT_EQ(LUGetActivePaneDialog(&site.site), nullptr);
  first->Release();
  second->Release();
}

COLORREF SwatchCentre(HWND swatch) {
  HDC dc = GetDC(swatch);
  const COLORREF centre = GetPixel(dc, 8, 8);
  ReleaseDC(swatch, dc);
  return centre;
}

TEST_F(ToolPaneWinTest, ColourParameterShowsItsSwatchRepaintedOnColourNotice) {
  HWND pane = OpenPane("emboss_effect");
  EXPECT_EQ(ItemText(pane, kIdEditFirst + 4), "808080");
  SetDlgItemTextA(pane, kIdEditFirst + 4, "FF0000");
  EXPECT_EQ(Parameter(pane, 4), 0x0000FF);
  HWND swatch = GetDlgItem(pane, kIdSwatchFirst + 4);
  ASSERT_NE(swatch, nullptr);
  UpdateWindow(swatch);
  EXPECT_EQ(SwatchCentre(swatch), RGB(255, 0, 0));
  // Paint over it behind the pane's back; the colour notice repaints it.
  HDC dc = GetDC(swatch);
  RECT r;
  GetClientRect(swatch, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(swatch, dc);
  ASSERT_EQ(SwatchCentre(swatch), RGB(0, 0, 0));
  SendMessageA(pane, kLUMsgColoursChanged, 0, 0);
  UpdateWindow(swatch);
  EXPECT_EQ(SwatchCentre(swatch), RGB(255, 0, 0));
}

struct PaneHookLog {
  int activations = 0;
  std::vector<std::string> statusTexts;
  int cleared = 0;
};

int RecordPaneMessages(void*, const LU_MSG* msg, void* context, std::intptr_t*) {
  auto* log = static_cast<PaneHookLog*>(context);
  if (msg->message == kLUMsgPaneActivated && msg->wParam != 0) ++log->activations;
  if (msg->message == kLUMsgPaneStatusText) log->statusTexts.push_back(reinterpret_cast<const char*>(msg->lParam));
  if (msg->message == kLUMsgPaneStatusClear) ++log->cleared;
  return kLUHookPass;  // the pane's own handling still runs
}

TEST_F(ToolPaneWinTest, WindowMenuListsPinnedPanesAndActivatesOne) {
  PaneHookLog hookLog;
  const LU_HOOK hook{RecordPaneMessages, &hookLog, kLUPassPane, 0};
  const std::uint32_t hookId = LUSetLUHook(&site.site, &hook);
  LUWinMenu_SetSectionName(&site.site, 0, "Instrument Dialogs");
  host.profile["PinState/DrawingPinPressed"] = "1";
  HWND smooth = OpenPane("vr_rsmooth");
  HWND median = OpenPane("median_filt");
  ASSERT_NE(smooth, median);
  EXPECT_EQ(GetActiveWindow(), median);
  EXPECT_GE(hookLog.activations, 2);
  ASSERT_FALSE(hookLog.statusTexts.empty());
  EXPECT_EQ(hookLog.statusTexts.back(), "Remove noise by the median over a window");
  EXPECT_GE(hookLog.cleared, 1) << "the first pane lost the activation";

  std::vector<MenuItem> items = WindowItems();
  ASSERT_GE(items.size(), 5u);
  EXPECT_EQ(items[0].text, "&Cascade") << "the popup's own items stay first";
  const auto header = std::find_if(items.begin(), items.end(), [](const MenuItem& m) { return m.text == "Instrument Dialogs"; });
  ASSERT_NE(header, items.end());
  const auto smoothItem = std::find_if(items.begin(), items.end(), [](const MenuItem& m) { return m.text == "Smooth"; });
  const auto medianItem = std::find_if(items.begin(), items.end(), [](const MenuItem& m) { return m.text == "Median"; });
  ASSERT_NE(smoothItem, items.end());
  ASSERT_NE(medianItem, items.end());
  EXPECT_LT(header - items.begin(), smoothItem - items.begin());
  EXPECT_TRUE(medianItem->state & MFS_CHECKED);
  EXPECT_FALSE(smoothItem->state & MFS_CHECKED);

  EXPECT_EQ(LUWinMenu_Command(&site.site, host.main, 101), 0) << "the popup's own command is not the host's";
  EXPECT_NE(LUWinMenu_Command(&site.site, host.main, smoothItem->id), 0);
  EXPECT_EQ(GetActiveWindow(), smooth);
  EXPECT_EQ(static_cast<HWND>(LUGetPaneDialogWindow(&site.site, LUGetActivePaneDialog(&site.site))), smooth);
  items = WindowItems();
  const auto nowChecked = std::find_if(items.begin(), items.end(), [](const MenuItem& m) { return m.state & MFS_CHECKED; });
  ASSERT_NE(nowChecked, items.end());
  EXPECT_EQ(nowChecked->text, "Smooth");

  LUDestroyPaneDialogs(&site.site);
  items = WindowItems();
  ASSERT_EQ(items.size(), 1u) << "closed panes leave the menu";
  LURemoveLUHook(&site.site, hookId);
}

// Answers the thread's next visible dialog with `caption` by pressing `button`.
void AnswerDialog(const std::string& caption, int button) {
  testing::DialogScript::Stop();
  testing::DialogScript::Run({{caption, [button](HWND dialog) { testing::Press(dialog, button); }}});
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST_F(ToolPaneWinTest, GadgetDialogOpensInItsFolderAndAnswersOneForOk) {
  testing::Workspace folder("gadget");
  FreeHostSite(site);
  host.settingsPath = folder("LUMO40.INI");
  ASSERT_TRUE(InitHostSite(site, host));
  const std::string workspaces = folder("Workspaces");
  ASSERT_FALSE(std::filesystem::exists(workspaces));

  char path[260] = "trial";
  LU_GADGETDLG save{"Save Workspace", 0, "Workspaces", "luw", path, sizeof path};
  AnswerDialog("Save Workspace", IDOK);
  EXPECT_EQ(LUOpenGadgetDialog(&site.site, host.main, &save), 1);
  EXPECT_EQ(testing::DialogScript::done, 1);
  EXPECT_TRUE(std::filesystem::is_directory(workspaces)) << "made when missing";
  EXPECT_EQ(Lower(path), Lower(workspaces + "\\trial.luw")) << "in the folder, with the default extension";

  std::FILE* f = std::fopen(path, "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  char chosen[260] = "trial.luw";
  LU_GADGETDLG open{"Open Workspace", 1, "Workspaces", "luw", chosen, sizeof chosen};
  AnswerDialog("Open Workspace", IDOK);
  EXPECT_EQ(LUOpenGadgetDialog(&site.site, host.main, &open), 1);
  EXPECT_EQ(Lower(chosen), Lower(workspaces + "\\trial.luw"));

  AnswerDialog("Open Workspace", IDCANCEL);
  EXPECT_EQ(LUOpenGadgetDialog(&site.site, host.main, &open), 0);
  EXPECT_EQ(testing::DialogScript::done, 1);
  testing::DialogScript::Stop();
}

}  // namespace
}  // namespace lumora
