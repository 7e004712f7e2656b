// The command surface in the program's own start-up: the registered tools
// in the image menu (Tools, Image/Convert, Image/Adjust), chosen from their
// popups after the update rules ran, their panes' Apply as one undo step
// that Undo takes back, their status prompts and F1 on a highlighted tool.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/ErrorBox.h"
#include "app/HandOver.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "framework/CommandLine.h"
#include "hostapi/fragment.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "res/toolhost_ids.h"
#include "tests/app/site/site_images.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/menu_items.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::DialogScript;
using testing::SettingsFileOfThisProgram;
using testing::MenuItem;
using testing::Press;
using testing::PopupItems;

constexpr int kIdPaneEditFirst = 1000, kIdPaneApply = 1301;

std::string Plain(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '&') out += c;
  }
  return out;
}

std::optional<MenuItem> Find(HMENU popup, const std::string& text) {
  for (const MenuItem& item : PopupItems(popup)) {
    if (Plain(item.text) == text) return item;
  }
  return std::nullopt;
}

HMENU SubByText(HMENU popup, const std::string& text) {
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    char t[128] = {};
    GetMenuStringA(popup, static_cast<UINT>(i), t, sizeof t, MF_BYPOSITION);
    if (Plain(t) == text) return GetSubMenu(popup, i);
  }
  return nullptr;
}

class CommandSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
    frame_ = app_->MainFrame()->Handle();
  }
  void TearDown() override {
    DialogScript::Stop();
    LUDestroyPaneDialogs(app_->Site());
    for (fw::Document* doc : app_->Docs().AllDocuments()) {
      doc->SetModifiedFlag(false);
      if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->Image().SetModifiedFlag(false);
    }
    SendMessageA(frame_, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_->ExitInstance();
    app_.reset();
    DeleteFileA(ini_.c_str());
    if (!folder_.empty()) {
      std::error_code ignored;
      fs::remove_all(folder_, ignored);
    }
  }

  // A copy of the layered test file in a folder of the test's own.
  CLumo40Doc* OpenCopy(const std::string& name) {
    if (folder_.empty()) folder_ = testing::MakeUniqueTempFolder("lumora-surface-");
    const fs::path copy = folder_ / name;
    fs::copy_file(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd", copy, fs::copy_options::overwrite_existing);
    auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(copy.string()));
    SettleInFourRounds();
    return doc;
  }
  static void Modify(CLumo40Doc* doc) {
    doc->SetModifiedFlag(true);
    doc->Image().SetModifiedFlag(true);
  }
  bool CheckedInMenu(UINT id) {
    std::function<int(HMENU)> find = [&](HMENU menu) -> int {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
          Open(sub, i);
          if (const int found = find(sub)) return found;
        } else if (GetMenuItemID(menu, i) == id) {
          return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0 ? 1 : -1;
        }
      }
      return 0;
    };
    return find(GetMenu(frame_)) == 1;
  }

  CLumo40Doc* OpenRich() {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"));
    SettleInFourRounds();
    return doc;
  }

  // The file's active layer is hidden with its pixels locked, which tools
  // refuse: the visible layer above the background takes them.
  void PaintableLayerActive(CLumo40Doc* doc) {
    doc->Image().SetActiveLayerByIndex(1, true, false);
    SettleInFourRounds();
    ASSERT_TRUE(ImageDocument::CanPaintLayer(doc->Image().GetActiveLayer()));
  }

  // Messages and idle work, four rounds with a short pause after each
  // (the rig's Settle(app) runs three without pauses).
  void SettleInFourRounds() {
    for (int round = 0; round < 4; ++round) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!app_->PreTranslateMessage(&msg)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
      }
      for (int count = 0; app_->OnIdle(count) && count < 20; ++count) {
      }
      Sleep(5);
    }
  }

  // The popup at a top-level position of the menu bar, opened as the user
  // opens it (its update rules run).
  HMENU Open(HMENU popup, int position) {
    SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, FALSE));
    return popup;
  }

  // Chooses a command as the user does: its popups open and the item is
  // clicked when it is enabled. False when no menu holds it or it is greyed.
  bool Choose(UINT id) {
    std::function<int(HMENU)> find = [&](HMENU menu) -> int {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
          Open(sub, i);
          if (const int found = find(sub)) return found;
        } else if (GetMenuItemID(menu, i) == id) {
          return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0 ? -1 : 1;
        }
      }
      return 0;
    };
    if (find(GetMenu(frame_)) != 1) return false;
    SendMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    SettleInFourRounds();
    return true;
  }

  std::unique_ptr<CLumo40App> app_;
  fs::path folder_;
  HWND frame_ = nullptr;
  std::string ini_;
};

// Every item of every popup, as the frame shows it now: id, text, state.
struct ShownItem {
  UINT id;
  std::string text;
  bool enabled;
};
std::vector<ShownItem> AllItems(HWND frame) {
  std::vector<ShownItem> items;
  std::function<void(HMENU)> walk = [&](HMENU menu) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      if (HMENU sub = GetSubMenu(menu, i)) {
        SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
        walk(sub);
        continue;
      }
      const UINT id = GetMenuItemID(menu, i);
      if (id == 0 || id == 0xFFFFFFFFu) continue;  // separators
      char text[128] = {};
      GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      items.push_back({id, text, (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) == 0});
    }
  };
  walk(GetMenu(frame));
  return items;
}

// No menu item waits without a handler, with no image, with one, and while
// a tracker runs; the greyed placeholders of empty tool menus and the
// window lists (the MDI client's, the tool host's) aside. While a tracker
// runs only the commands allowed meanwhile stay enabled.
TEST_F(CommandSurface, EveryMenuItemHasItsHandler) {
  const std::set<UINT> placeholders = {33115, 32969, 32970, 33039};
  auto check = [&](const char* state) {
    SCOPED_TRACE(state);
    int count = 0;
    for (const ShownItem& item : AllItems(frame_)) {
      if (item.id >= 0xF000) continue;  // system commands and the window lists
      if (item.id >= kLUWinMenuFirstCommand && item.id < kLUWinMenuFirstCommand + 0x100) continue;
      ++count;
      if (placeholders.count(item.id) != 0) {
        EXPECT_FALSE(item.enabled) << item.id << " " << item.text;
        continue;
      }
      EXPECT_TRUE(app_->MainFrame()->HasCommandHandler(item.id)) << item.id << " " << item.text;
    }
    EXPECT_GT(count, 10);
  };
  check("no image");
  ASSERT_NE(OpenRich(), nullptr);
  check("one image");
  SetTrackerRunning(true);
  check("a tracker running");
  for (const ShownItem& item : AllItems(frame_)) {
    if (item.id == ID_FILE_NEW) EXPECT_FALSE(item.enabled) << "File/New waits for the tracker";
    if (item.id == ID_VIEW_SHOW_RULERS) EXPECT_TRUE(item.enabled) << "rulers may change meanwhile";
  }
  SetTrackerRunning(false);
}

// The frame's commands while the keys test runs: recorded, not carried
// out (many open dialogs).
WNDPROC gFrameProc = nullptr;
std::vector<UINT> gCommands;
LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam == 0) {
    gCommands.push_back(LOWORD(wParam));
    return 0;
  }
  return CallWindowProcA(gFrameProc, window, message, wParam, lParam);
}

void SendKeys(const std::vector<std::pair<WORD, bool>>& keys) {
  std::vector<INPUT> input;
  for (const auto& [key, up] : keys) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(i);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// Every key of the image menu's table, typed as keyboard input with an
// image open, reaches its command when the command's item is enabled.
TEST_F(CommandSurface, EveryKeyReachesItsCommand) {
  ASSERT_NE(OpenRich(), nullptr);
  std::map<UINT, bool> enabled;
  for (const ShownItem& item : AllItems(frame_)) enabled[item.id] = item.enabled;
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(181));
  ASSERT_NE(table, nullptr);
  std::vector<ACCEL> accels(static_cast<std::size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
  CopyAcceleratorTableA(table, accels.data(), static_cast<int>(accels.size()));
  ASSERT_GT(accels.size(), 20u);
  HWND view = app_->MainFrameWnd()->GetActiveFrame()->GetActiveView()->Handle();
  gFrameProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordCommands)));
  int checked = 0;
  for (const ACCEL& a : accels) {
    if (enabled.count(a.cmd) != 0 && !enabled[a.cmd]) continue;  // a greyed item's key does nothing
    std::vector<WORD> mods;
    WORD key = a.key;
    if ((a.fVirt & FVIRTKEY) == 0) {
      // A typed character: the key and shift state that type it.
      const SHORT scan = VkKeyScanA(static_cast<CHAR>(a.key));
      key = LOBYTE(scan);
      if (HIBYTE(scan) & 1) mods.push_back(VK_SHIFT);
    } else {
      if (a.fVirt & FCONTROL) mods.push_back(VK_CONTROL);
      if (a.fVirt & FSHIFT) mods.push_back(VK_SHIFT);
      if (a.fVirt & FALT) mods.push_back(VK_MENU);
    }
    std::vector<std::pair<WORD, bool>> keys;
    for (WORD m : mods) keys.push_back({m, false});
    keys.push_back({key, false});
    keys.push_back({key, true});
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) keys.push_back({*m, true});
    SetForegroundWindow(frame_);
    SetFocus(view);
    gCommands.clear();
    SendKeys(keys);
    SettleInFourRounds();
    ++checked;
    EXPECT_EQ(gCommands, std::vector<UINT>{a.cmd}) << "key " << a.key << " flags " << int(a.fVirt);
  }
  SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gFrameProc));
  DestroyAcceleratorTable(table);
  EXPECT_GT(checked, 15);
}

// Every message of the main frame is offered to the tool host's main-frame
// pass first: a tool's hook there takes it before the frame; without one the
// frame's own handling answers.
TEST_F(CommandSurface, TheFramesMessagesGoToTheToolHostsMainFramePassFirst) {
  constexpr UINT kProbe = WM_APP + 77;
  static int seen;
  seen = 0;
  const LU_HOOK record{[](void*, const LU_MSG* msg, void*, std::intptr_t* inOut) -> int {
                         if (msg->message != kProbe) return kLUHookPass;
                         ++seen;
                         *inOut = 1234;
                         return kLUHookHandled;
                       },
                       nullptr, static_cast<std::uint16_t>(kLUPassMainFrame), 0};
  const std::uint32_t id = LUSetLUHook(app_->Site(), &record);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(SendMessageA(frame_, kProbe, 0, 0), 1234);
  EXPECT_EQ(seen, 1);
  EXPECT_TRUE(LURemoveLUHook(app_->Site(), id));
  EXPECT_EQ(SendMessageA(frame_, kProbe, 0, 0), 0);
  EXPECT_EQ(seen, 1);
  // The frame keeps setting broadcasts to itself.
  EXPECT_EQ(SendMessageA(frame_, WM_SETTINGCHANGE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(frame_));
}

// The tools' groups become sorted popups of Tools, each item with the tool's
// name and three dots and a command id of its table; the hidden crop tool
// stays out; Image/Convert and Image/Adjust receive their marked tools.
// The menu-popup lookup in the running program: the window's menu while no
// image is open (Options stands at the document menu's place 7), the
// document menu's popups once one is, the in-place menu's popups 1-8 with
// the registered tools in its Image and Tools.
TEST_F(CommandSurface, TheMenuPopupLookupGivesTheCachedMenusPopups) {
  CLumo40DocTemplate* tmpl = nullptr;
  for (const auto& t : app_->Docs().Templates()) {
    if (auto* image = dynamic_cast<CLumo40DocTemplate*>(t.get())) tmpl = image;
  }
  ASSERT_NE(tmpl, nullptr);
  HMENU mainMenu = app_->MainFrame()->Menu();
  ASSERT_NE(mainMenu, nullptr);
  EXPECT_EQ(app_->GetMenuPopup(0, 0, 0), GetSubMenu(mainMenu, 0));
  EXPECT_EQ(app_->GetMenuPopup(0, 7, 0), GetSubMenu(mainMenu, 3));
  EXPECT_EQ(app_->GetMenuPopup(0, 9, 0), GetSubMenu(mainMenu, 5));
  EXPECT_EQ(app_->GetMenuPopup(0, 3, 0), nullptr) << "Image without an image";
  ASSERT_NE(OpenRich(), nullptr);
  HMENU documentMenu = tmpl->SharedMenu();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(app_->GetMenuPopup(0, i, 0), GetSubMenu(documentMenu, i)) << i;
  EXPECT_EQ(app_->GetMenuPopup(0, 10, 0), nullptr);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(app_->GetMenuPopup(1, 0, i), GetSubMenu(tmpl->InPlaceMenu(), i + 1)) << i;
    EXPECT_NE(app_->GetMenuPopup(1, 0, i), nullptr) << i;
  }
  EXPECT_EQ(app_->GetMenuPopup(1, 0, 8), nullptr);
  EXPECT_EQ(app_->GetMenuPopup(2, 0, 0), nullptr);
  // The in-place Image and Tools hold the document menu's items.
  for (int i : {3, 5}) {
    EXPECT_EQ(GetMenuItemCount(app_->GetMenuPopup(1, 0, i - 1)), GetMenuItemCount(GetSubMenu(documentMenu, i))) << i;
  }
}

TEST_F(CommandSurface, RegisteredToolsFillTheImageMenu) {
  ASSERT_NE(OpenRich(), nullptr);
  HMENU bar = GetMenu(frame_);
  HMENU tools = Open(GetSubMenu(bar, 5), 5);
  std::vector<std::string> groups;
  for (const MenuItem& item : PopupItems(tools)) groups.push_back(Plain(item.text));
  EXPECT_EQ(groups, (std::vector<std::string>{"Artistic", "Blur", "Distort", "Noise", "Other", "Sharpen", "Stylize",
                                               "Texture"}));
  HMENU noise = Open(SubByText(tools, "Noise"), 3);
  ASSERT_NE(noise, nullptr);
  const std::optional<MenuItem> median = Find(noise, "Median...");
  ASSERT_TRUE(median);
  EXPECT_EQ(median->text, "&Median...");
  EXPECT_GE(median->id, 560u);
  EXPECT_LE(median->id, 899u);
  EXPECT_EQ(median->state & (MFS_GRAYED | MFS_DISABLED), 0u) << "enabled by its update rule";
  HMENU other = Open(SubByText(tools, "Other"), 4);
  std::vector<std::string> others;
  for (const MenuItem& item : PopupItems(other)) others.push_back(Plain(item.text));
  EXPECT_EQ(others, (std::vector<std::string>{"Maximum...", "Minimum..."}));
  EXPECT_EQ(app_->toolMenus.ToolOfCommand(median->id, true), LUGetRegToolIDNumber(app_->Site(), "median_filt", 0));
  // Nothing of the crop tool's hidden group.
  for (int table = 0; table < kToolTables; ++table) {
    for (const ToolMenus::Item& item : app_->toolMenus.TableAt(table).items) {
      EXPECT_NE(item.tool, LUGetRegToolIDNumber(app_->Site(), "Crop_Tool", 0));
    }
  }
  // The status prompt of a tool's item is its own prompt string.
  EXPECT_EQ(app_->MainFrameWnd()->GetMessageString(median->id), "Remove noise by the median over a window");
  EXPECT_EQ(app_->MainFrameWnd()->GetMessageString(999), "");
  // The selection bar's area tools are named by the tool host.
  ASSERT_FALSE(app_->areaTools.Empty());
  EXPECT_EQ(app_->MainFrameWnd()->GetMessageString(app_->areaTools.Tools()[0].command), app_->areaTools.Tools()[0].name);
  EXPECT_FALSE(app_->areaTools.Tools()[0].name.empty());
  EXPECT_EQ(app_->MainFrameWnd()->GetMessageString(40029), "");
}

// Image/Convert and Image/Adjust hold the tools marked for them, in the
// registry's order (the image modes' in Image/Convert/Mode), with ids of
// their own ranges; Invert from Image/Convert
// inverts the active layer as one undo step.
TEST_F(CommandSurface, ConvertAndAdjustHoldTheirToolsAndApplyThem) {
  CLumo40Doc* doc = OpenRich();
  ASSERT_NE(doc, nullptr);
  PaintableLayerActive(doc);
  HMENU image = Open(GetSubMenu(GetMenu(frame_), 3), 3);
  HMENU convert = Open(GetSubMenu(image, 0), 0);
  HMENU adjust = Open(GetSubMenu(image, 2), 2);
  std::vector<std::string> converts, adjusts;
  for (const MenuItem& item : PopupItems(convert)) converts.push_back(Plain(item.text));
  for (const MenuItem& item : PopupItems(adjust)) adjusts.push_back(Plain(item.text));
  EXPECT_EQ(converts, (std::vector<std::string>{"Grayscale...", "Invert...", "Mode"}));
  std::vector<std::string> modes;
  for (const MenuItem& item : PopupItems(GetSubMenu(convert, 2))) modes.push_back(Plain(item.text));
  EXPECT_EQ(modes, (std::vector<std::string>{"Grey...", "True Colour..."}));
  EXPECT_EQ(adjusts, (std::vector<std::string>{"Brightness...", "Contrast...", "Posterize..."}));
  const std::optional<MenuItem> invert = Find(convert, "Invert...");
  ASSERT_TRUE(invert);
  EXPECT_EQ(invert->id, 501u);
  EXPECT_EQ(Find(adjust, "Brightness...")->id, 511u);
  EXPECT_EQ(invert->state & (MFS_GRAYED | MFS_DISABLED), 0u);

  CLayersManager& stack = *doc->Image().GetLayers();
  VrWA2000::WA* before = new VrWA2000::WA(*stack.GetActiveLayer()->PeekImage(), false);
  ASSERT_TRUE(Choose(invert->id));
  HWND pane = static_cast<HWND>(LUGetPaneDialogWindow(app_->Site(), LUGetActivePaneDialog(app_->Site())));
  ASSERT_NE(pane, nullptr);
  SendMessageA(GetDlgItem(pane, kIdPaneApply), BM_CLICK, 0, 0);
  SettleInFourRounds();
  VrWA2000::WA* expected = test::ToolResult(before, "invert_conv", {100});
  EXPECT_TRUE(test::SamePixels(stack.GetActiveLayer()->PeekImage(), expected));
  EXPECT_EQ(doc->Image().HistoryState().name, "Invert");
  expected->Release();
  before->Release();
}

// "&Median..." chosen from the Tools menu opens its pane; Apply runs the
// filter on the active layer as one undo step named after the tool, and
// Edit/Undo gives the layer back byte for byte.
TEST_F(CommandSurface, MedianFromTheToolsMenuAppliesAsOneUndoStep) {
  CLumo40Doc* doc = OpenRich();
  ASSERT_NE(doc, nullptr);
  PaintableLayerActive(doc);
  CLayersManager& stack = *doc->Image().GetLayers();
  CLayer* layer = stack.GetActiveLayer();
  ASSERT_NE(layer, nullptr);
  VrWA2000::WA* before = new VrWA2000::WA(*layer->PeekImage(), false);
  const int steps = doc->Image().History().UndoCount();

  HMENU noise = SubByText(GetSubMenu(GetMenu(frame_), 5), "Noise");
  const std::optional<MenuItem> median = Find(noise, "Median...");
  ASSERT_TRUE(median);
  ASSERT_TRUE(Choose(median->id));
  HWND pane = static_cast<HWND>(LUGetPaneDialogWindow(app_->Site(), LUGetActivePaneDialog(app_->Site())));
  ASSERT_NE(pane, nullptr);
  char title[64] = {};
  GetWindowTextA(pane, title, sizeof title);
  EXPECT_STREQ(title, "Median");

  SetDlgItemTextA(pane, kIdPaneEditFirst, "5");
  SetDlgItemTextA(pane, kIdPaneEditFirst + 1, "3");
  SendMessageA(GetDlgItem(pane, kIdPaneApply), BM_CLICK, 0, 0);
  SettleInFourRounds();
  VrWA2000::WA* expected = test::ToolResult(before, "median_filt", {5, 3, 0, 0});
  EXPECT_TRUE(test::SamePixels(stack.GetActiveLayer()->PeekImage(), expected)) << "the filter's own result";
  EXPECT_FALSE(test::SamePixels(stack.GetActiveLayer()->PeekImage(), before)) << "the layer changed";
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(doc->Image().HistoryState().name, "Median");

  ASSERT_TRUE(Choose(fw::kIdEditUndo));
  EXPECT_TRUE(test::SamePixels(stack.GetActiveLayer()->PeekImage(), before)) << "undone byte for byte";
  expected->Release();
  before->Release();
}

// The dialog 306 of this thread that is up, or null.
HWND ProgressDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        if (IsWindowVisible(w) && GetDlgItem(w, IDC_PROGRESS_BAR) != nullptr) {
          *reinterpret_cast<HWND*>(p) = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

// A 31 x 31 median over a 4000 x 3000 layer shows dialog 306 with a moving
// bar; Escape typed meanwhile stops it: the layer keeps its pixels and no
// undo step is left.
TEST_F(CommandSurface, EscapeStopsALongToolRunAndLeavesTheLayer) {
  if (folder_.empty()) folder_ = testing::MakeUniqueTempFolder("lumora-surface-");
  const std::string big = (folder_ / "big.png").string();
  ASSERT_EQ(testing::RunHostShell(folder_.string(), "convert -size 4000x3000 xc:gray +noise Random -depth 8 'PNG24:" +
                                                        testing::UnixPath(big) + "'"),
            0);
  auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(big));
  ASSERT_NE(doc, nullptr);
  SettleInFourRounds();
  CLayersManager& stack = *doc->Image().GetLayers();
  ASSERT_EQ(stack.GetWidth(), 4000);
  VrWA2000::WA* before = new VrWA2000::WA(*stack.GetActiveLayer()->PeekImage(), false);
  const int steps = doc->Image().History().UndoCount();
  const std::optional<MenuItem> median = Find(SubByText(GetSubMenu(GetMenu(frame_), 5), "Noise"), "Median...");
  ASSERT_TRUE(median);
  ASSERT_TRUE(Choose(median->id));
  HWND pane = static_cast<HWND>(LUGetPaneDialogWindow(app_->Site(), LUGetActivePaneDialog(app_->Site())));
  ASSERT_NE(pane, nullptr);
  SetDlgItemTextA(pane, kIdPaneEditFirst, "31");
  SetDlgItemTextA(pane, kIdPaneEditFirst + 1, "31");

  static std::vector<LRESULT> positions;
  static bool escaped;
  positions.clear();
  escaped = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 40, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = ProgressDialog();
    if (dialog == nullptr || escaped) return;
    const LRESULT position = SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0);
    if (positions.empty() || positions.back() != position) positions.push_back(position);
    if (positions.size() >= 3) {
      // Typed into the dialog, as the user does.
      SetForegroundWindow(dialog);
      SetFocus(dialog);
      PressKey(VK_ESCAPE);
      escaped = true;
    }
  });
  SendMessageA(GetDlgItem(pane, kIdPaneApply), BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  SettleInFourRounds();
  EXPECT_TRUE(escaped) << "the dialog was up while the tool ran";
  ASSERT_GE(positions.size(), 3u);
  EXPECT_LT(positions.front(), positions.back()) << "the bar moved";
  EXPECT_LT(positions.back(), 100);
  EXPECT_TRUE(test::SamePixels(stack.GetActiveLayer()->PeekImage(), before)) << "the layer kept its pixels";
  EXPECT_EQ(doc->Image().History().UndoCount(), steps) << "no undo step";
  EXPECT_EQ(ProgressDialog(), nullptr);
  before->Release();
}

// F1 on a highlighted tool item asks the tool for its help; a tool without
// help of its own is named in string 132's message.
TEST_F(CommandSurface, F1OnAHighlightedToolSaysItsModuleHasNoHelp) {
  ASSERT_NE(OpenRich(), nullptr);
  HMENU noise = SubByText(GetSubMenu(GetMenu(frame_), 5), "Noise");
  const std::optional<MenuItem> median = Find(noise, "Median...");
  ASSERT_TRUE(median);
  SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(median->id, MF_STRING | MF_HILITE), reinterpret_cast<LPARAM>(noise));
  EXPECT_EQ(app_->menuHelp.kind, MenuHelpState::kMainMenuItem);

  static std::string shown;
  shown.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA(kErrorBoxClass, nullptr);
    if (box == nullptr || !IsWindowVisible(box)) return;
    KillTimer(nullptr, id);
    char text[256] = {};
    GetDlgItemTextA(box, IDC_ERRORDLG_MESSAGE, text, sizeof text);
    shown = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  // F1 as the menu's own loop hands it to the thread's message filter.
  MSG f1{frame_, WM_KEYDOWN, VK_F1, 0};
  EXPECT_TRUE(CallMsgFilterA(&f1, MSGF_MENU));
  KillTimer(nullptr, timer);
  char module[64] = {};
  LUGetRegToolDLLName(app_->Site(), app_->toolMenus.ToolOfCommand(median->id, true), 1, module, sizeof module);
  EXPECT_EQ(shown, "Sorry, tool help is not available in module '" + std::string(module) + "'!");

  // A command that is no tool's goes on to the program's own F1.
  SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(ID_APP_ABOUT, MF_STRING | MF_HILITE),
               reinterpret_cast<LPARAM>(GetSubMenu(GetMenu(frame_), 9)));
  EXPECT_FALSE(CallMsgFilterA(&f1, MSGF_MENU));
}

// The option toggles: each item shows its setting checked and flips it;
// Save Tools On Desktop is written at once, for the tool host's next pane.
TEST_F(CommandSurface, OptionTogglesFlipTheirSettingsAndShowThemChecked) {
  ASSERT_NE(OpenRich(), nullptr);
  struct Case {
    UINT id;
    int AppSettings::*setting;
  } cases[] = {{ID_VIEW_PROGRESS_INDICATOR, &AppSettings::showProgressIndicator},
               {ID_VIEW_TEMPORARY_BITMAP, &AppSettings::notUseDDB},
               {ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP, &AppSettings::drawingPinPressed},
               {ID_OPTIONS_DETAILED_ERROR_STATUS, &AppSettings::detailedErrorStatus},
               {ID_SELECTION_AUTO_ALIGN, &AppSettings::alignSelectionToLayer}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const int before = app_->settings.*c.setting;
    EXPECT_EQ(CheckedInMenu(c.id), before != 0);
    ASSERT_TRUE(Choose(c.id));
    EXPECT_EQ(app_->settings.*c.setting != 0, before == 0);
    EXPECT_EQ(CheckedInMenu(c.id), before == 0);
  }
  EXPECT_EQ(GetPrivateProfileIntA("PinState", "DrawingPinPressed", -1, ini_.c_str()), app_->settings.drawingPinPressed);
  EXPECT_EQ(LUGetProfileInt(app_->Site(), "PinState", "DrawingPinPressed", -1), 1);
}

// Window/Close All Images with two modified images asks once: Cancel keeps
// both, Yes closes both without asking for each.
TEST_F(CommandSurface, CloseAllImagesAsksOnceForSeveralModifiedImages) {
  CLumo40Doc* a = OpenCopy("a.psd");
  CLumo40Doc* b = OpenCopy("b.psd");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  Modify(a);
  Modify(b);
  std::string question;
  DialogScript::Run({{"Close All Windows", [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        question = text;
                        Press(box, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_WINDOW_CLOSE_ALL_IMAGES));
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(question, std::string(res::String(IDS_CLOSE_ALL_QUESTION)));
  EXPECT_EQ(app_->Docs().AllDocuments().size(), 2u);
  DialogScript::Run({{"Close All Windows", [](HWND box) { Press(box, IDYES); }}});
  ASSERT_TRUE(Choose(ID_WINDOW_CLOSE_ALL_IMAGES));
  EXPECT_EQ(DialogScript::done, 1) << "no question per image";
  EXPECT_TRUE(app_->Docs().AllDocuments().empty());
  EXPECT_EQ(app_->closeMode, 0) << "a later close asks again";
}

// Logging off with a modified image asks as closing does: Cancel refuses
// the end of the session and keeps the image; Yes saves it, and the file
// is one ImageMagick reads.
TEST_F(CommandSurface, LogoffAsksToSaveModifiedImages) {
  CLumo40Doc* doc = OpenCopy("logoff.psd");
  ASSERT_NE(doc, nullptr);
  Modify(doc);
  const fs::path file = folder_ / "logoff.psd";
  fs::remove(file);
  DialogScript::Run({{"Lumora 4.0", [](HWND box) { Press(box, IDCANCEL); }}});
  EXPECT_EQ(SendMessageA(frame_, WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(app_->Docs().AllDocuments().size(), 1u);
  EXPECT_FALSE(fs::exists(file));

  DialogScript::Run({{"Lumora 4.0", [](HWND box) { Press(box, IDYES); }}});
  EXPECT_EQ(SendMessageA(frame_, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_TRUE(fs::exists(file));
  const std::string out = (folder_ / "identify.txt").string();
  ASSERT_EQ(testing::RunHostShell(folder_.string(), "identify -format '%w %h\\n' '" + testing::UnixPath(file.string()) +
                                                        "[0]' > '" + testing::UnixPath(out) + "'"),
            0);
  std::ifstream read(out);
  int w = 0, h = 0;
  read >> w >> h;
  EXPECT_EQ(w, doc->Image().GetLayers()->GetWidth());
  EXPECT_EQ(h, doc->Image().GetLayers()->GetHeight());
}

// What a workspace keeps of the open images, read from the program.
struct ViewState {
  RECT normal;
  double zoom;
  bool grid;
  bool active;
};
struct ImageState {
  std::string path;
  int layers;
  std::vector<ViewState> views;
  LURECT selection{0, 0, 0, 0};
};

std::vector<ImageState> StateOf(CLumo40App& app) {
  std::vector<ImageState> images;
  CLumo40View* active = GetViewFromWnd(GetActiveImageWindow());
  for (fw::Document* d : app.Docs().AllDocuments()) {
    auto* doc = dynamic_cast<CLumo40Doc*>(d);
    if (doc == nullptr) continue;
    ImageState image{doc->GetPathName(), doc->Image().GetLayers()->GetLayerCount(), {}, {}};
    for (fw::View* v : doc->Views()) {
      auto* view = dynamic_cast<CLumo40View*>(v);
      WINDOWPLACEMENT placement{};
      placement.length = sizeof placement;
      GetWindowPlacement(view->GetParentFrame()->Handle(), &placement);
      image.views.push_back({placement.rcNormalPosition, view->ZoomRatio(), view->showGrid, view == active});
    }
    if (doc->Image().GetSelection() != nullptr) GetFragmentBoundRect(doc->Image().GetSelection(), &image.selection);
    images.push_back(image);
  }
  std::sort(images.begin(), images.end(), [](const ImageState& a, const ImageState& b) { return a.path < b.path; });
  return images;
}

void ExpectSameState(const std::vector<ImageState>& want, const std::vector<ImageState>& got) {
  ASSERT_EQ(want.size(), got.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].path);
    EXPECT_EQ(got[i].path, want[i].path);
    EXPECT_EQ(got[i].layers, want[i].layers);
    EXPECT_EQ(std::make_tuple(got[i].selection.x, got[i].selection.y, got[i].selection.width, got[i].selection.height),
              std::make_tuple(want[i].selection.x, want[i].selection.y, want[i].selection.width,
                              want[i].selection.height));
    ASSERT_EQ(got[i].views.size(), want[i].views.size());
    // Views of one image in any order: matched by their placement.
    for (const ViewState& w : want[i].views) {
      bool found = false;
      for (const ViewState& g : got[i].views) {
        if (!EqualRect(&g.normal, &w.normal)) continue;
        found = true;
        EXPECT_DOUBLE_EQ(g.zoom, w.zoom);
        EXPECT_EQ(g.grid, w.grid);
        EXPECT_EQ(g.active, w.active);
      }
      EXPECT_TRUE(found) << "a view at " << w.normal.left << "," << w.normal.top;
    }
  }
}

// The colours follow the active image: red on a grey image is grey level
// 170, on a 16-colour image the nearest of its entries, on a colour image
// red itself; the site's colour entry converts the same way.
TEST_F(CommandSurface, ColoursTakeTheActiveImagesForm) {
  if (folder_.empty()) folder_ = testing::MakeUniqueTempFolder("lumora-surface-");
  const std::string grey = (folder_ / "grey.png").string(), few = (folder_ / "few.png").string();
  ASSERT_EQ(testing::RunHostShell(folder_.string(),
                                  "convert -size 8x8 xc:gray50 -type Grayscale -depth 8 '" +
                                      testing::UnixPath(grey) + "' && convert -size 16x1 gradient:black-white " +
                                      "-colors 16 -type Palette 'PNG8:" + testing::UnixPath(few) + "'"),
            0);
  const COLORREF red = RGB(255, 0, 0);
  ASSERT_NE(app_->OpenDocumentFile(grey), nullptr);
  SettleInFourRounds();
  EXPECT_EQ(app_->ColourMode().mode, 8);
  app_->SetForeColor(red, true);
  COLORREF shown = 0;
  EXPECT_EQ(app_->GetForeColorValue(&shown), 170);
  EXPECT_EQ(shown, RGB(170, 170, 170));
  EXPECT_EQ(app_->settings.foreColor, red) << "the colour itself is kept";

  ASSERT_NE(app_->OpenDocumentFile(few), nullptr);
  SettleInFourRounds();
  ASSERT_TRUE(IsIndexedMode(app_->ColourMode().mode)) << app_->ColourMode().mode;
  const std::vector<COLORREF>& palette = app_->ColourMode().palette;
  ASSERT_GE(palette.size(), 16u);
  EXPECT_EQ(app_->GetForeColorValue(&shown), NearestPaletteIndex(red, palette));
  EXPECT_EQ(shown, palette[static_cast<std::size_t>(NearestPaletteIndex(red, palette))]);

  ASSERT_NE(OpenRich(), nullptr);
  EXPECT_EQ(app_->ColourMode().mode, 16);
  EXPECT_EQ(app_->GetForeColorValue(&shown), 0);
  EXPECT_EQ(shown, red);
  app_->SwapColors();
  EXPECT_EQ(app_->settings.backColor, red);
}

// The end of the session (after the question was answered) runs the exit
// steps: the frame goes and the settings are written.
TEST_F(CommandSurface, EndOfSessionRunsTheExitSteps) {
  ASSERT_NE(OpenRich(), nullptr);
  DeleteFileA(ini_.c_str());
  SendMessageA(frame_, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IsWindow(frame_));
  EXPECT_TRUE(app_->Docs().AllDocuments().empty());
  EXPECT_NE(GetPrivateProfileIntA("LoadOptions", "AnimationSpeed", -1, ini_.c_str()), -1) << "settings written";
}

// Two images, one with two views and one with a selection, saved as a
// workspace, closed, and opened again from File/Open Workspace..., the
// recent list, the command line and a drop: the same files, layers,
// placements, zooms, grid, selection and active view each time.
TEST_F(CommandSurface, WorkspaceSavedAndReopenedFourWays) {
  CLumo40Doc* a = OpenCopy("a.psd");
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(Choose(57648));  // Window/New Window
  ASSERT_EQ(a->Views().size(), 2u);
  auto* a1 = dynamic_cast<CLumo40View*>(a->Views()[0]);
  auto* a2 = dynamic_cast<CLumo40View*>(a->Views()[1]);
  MoveWindow(a1->GetParentFrame()->Handle(), 5, 6, 300, 220, TRUE);
  MoveWindow(a2->GetParentFrame()->Handle(), 40, 30, 260, 200, TRUE);
  a1->SetShowGrid(true);
  a2->SetZoom(2, 1);
  CLumo40Doc* b = OpenCopy("b.psd");
  ASSERT_NE(b, nullptr);
  MoveWindow(b->Views()[0]->GetParentFrame()->Handle(), 80, 50, 240, 180, TRUE);
  const LURECT box{3, 4, 10, 6};
  Fragment* selection = CreateRectFrg(&box, 0);
  b->Image().SetSelection(selection, false);
  DeleteFragment(selection);
  SettleInFourRounds();
  const std::vector<ImageState> before = StateOf(*app_);
  ASSERT_EQ(before.size(), 2u);

  const std::string workspace = (folder_ / "two.luw").string();
  DialogScript::Run({{"Save Workspace", [](HWND d) { Press(d, IDOK); }}});
  ASSERT_TRUE(app_->SaveWorkspaceCmd(workspace));
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_TRUE(fs::exists(workspace));
  std::vector<std::string> selections;
  for (const auto& entry : fs::directory_iterator(app_->SelectionsFolder())) selections.push_back(entry.path().string());
  ASSERT_EQ(GetPrivateProfileIntA("image1", "views", 0, workspace.c_str()) +
                GetPrivateProfileIntA("image2", "views", 0, workspace.c_str()),
            3);

  const auto closeAll = [&] {
    ASSERT_TRUE(Choose(ID_WINDOW_CLOSE_ALL_IMAGES));
    ASSERT_TRUE(app_->Docs().AllDocuments().empty());
  };
  struct Way {
    const char* name;
    std::function<void()> open;
  } ways[] = {
      {"File/Open Workspace...",
       [&] {
         DialogScript::Run({{"Open Workspace", [workspace](HWND d) {
                               SetDlgItemTextA(d, 0x47C, workspace.c_str());  // the name box
                               SetDlgItemTextA(d, 0x480, workspace.c_str());
                               Press(d, IDOK);
                             }}});
         ASSERT_TRUE(Choose(ID_FILE_OPEN_WORKSPACE));
         EXPECT_EQ(DialogScript::done, 1);
       }},
      {"the recent list", [&] { ASSERT_TRUE(Choose(ID_FILE_RECENT_WORKSPACE)); }},
      {"the command line",
       [&] {
         fw::CommandLineInfo info = fw::ParseCommandLine({workspace});
         ASSERT_TRUE(app_->ProcessShellCommand(info));
       }},
      {"a drop",
       [&] {
         const std::vector<std::uint8_t> block = MakeDropFilesBlock(workspace);
         HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, block.size());
         std::memcpy(GlobalLock(memory), block.data(), block.size());
         GlobalUnlock(memory);
         SendMessageA(frame_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    closeAll();
    way.open();
    SettleInFourRounds();
    ExpectSameState(before, StateOf(*app_));
    EXPECT_TRUE(app_->WorkspaceFailures().empty());
  }
  ASSERT_NE(app_->RecentWorkspaces(), nullptr);
  ASSERT_GE(app_->RecentWorkspaces()->size(), 1);
  EXPECT_EQ((*app_->RecentWorkspaces())[0], workspace);
  for (const std::string& file : selections) DeleteFileA(file.c_str());
}

// A recent workspace that no longer exists says so and leaves the list.
TEST_F(CommandSurface, AMissingRecentWorkspaceLeavesTheList) {
  ASSERT_NE(OpenRich(), nullptr);
  const std::string gone = (testing::MakeUniqueTempFolder("lumora-gone-") / "gone.luw").string();
  app_->RecentWorkspaces()->Add(gone);
  std::string message;
  DialogScript::Run({{"Lumora 4.0", [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        message = text;
                        Press(box, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_FILE_RECENT_WORKSPACE));
  EXPECT_EQ(message, "Can't open workspace entry \"gone\".");
  for (int i = 0; i < app_->RecentWorkspaces()->size(); ++i) EXPECT_NE((*app_->RecentWorkspaces())[i], gone);
  EXPECT_EQ(app_->Docs().AllDocuments().size(), 1u) << "nothing closed";
}

}  // namespace
}  // namespace lumora
