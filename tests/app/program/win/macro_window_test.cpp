// The macro window in the program's own start-up, on ag-psd's three-layer
// file: View/Macros Window opens it where [LANGWND] says; layer commands
// chosen while it records append exactly their statements (nothing while
// it is hidden or its Recording is off); F5 runs the text on the reopened
// original to the same layers byte for byte; a failing line is selected,
// with four flashes and one beep.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/toolhost.h"
#include "lang/LangCommand.h"
#include "lang/win/LangWnd.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"

namespace lumora {
namespace {

using lumora::testing::RunUntil;
using lumora::testing::Settle;
using lumora::testing::SettingsFileOfThisProgram;

std::string MadeFile(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// Names, places, attributes and pixels of every layer.
std::vector<std::string> StackState(CLumo40Doc* doc) {
  std::vector<std::string> state;
  const CLayersManager& stack = *doc->Image().GetLayers();
  state.push_back(std::to_string(stack.GetWidth()) + "x" + std::to_string(stack.GetHeight()));
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer& l = *stack.GetLayer(i);
    const RECT r = l.GetRect();
    std::string s = l.GetName() + "|" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                    std::to_string(r.right) + "," + std::to_string(r.bottom) + "|m" + std::to_string(l.HasMask()) +
                    "|o" + std::to_string(l.GetOpacity()) + "|b" + std::to_string(l.GetMergeMode()) + "|g" +
                    std::to_string(l.GetGrouped()) + "|";
    for (const VrWA2000::WA* buffer : {l.PeekImage(), l.HasMask() ? l.PeekMask() : nullptr}) {
      if (buffer == nullptr) continue;
      const int bytes = buffer->GetW() * (buffer->GetType() == kWAType24 ? 3 : 1);
      for (int y = 0; y < buffer->GetH(); ++y) s.append(reinterpret_cast<const char*>(buffer->Row(y)), bytes);
    }
    state.push_back(std::move(s));
  }
  return state;
}

int flashes = 0;
int beeps = 0;

class MacroWindow : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    lang::MacroWindowAlerts() = {[](HWND) { ++flashes; }, [] { ++beeps; }, [](unsigned) {}};
  }
  void TearDown() override {
    if (doc_ != nullptr) Close();
    if (lang::CLangWnd* w = Frame().MacroWindow()) w->CloseDiscard();
    SendMessageA(FrameHandle(), WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_.ExitInstance();
    DeleteFileA(ini_.c_str());
  }
  void Open(const char* name = "three.psd") {
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile(name)));
    ASSERT_NE(doc_, nullptr);
    Settle(app_, doc_);
  }
  void Close() {
    doc_->SetModifiedFlag(false);
    doc_->Image().SetModifiedFlag(false);
    doc_->OnCloseDocument();
    doc_ = nullptr;
    RunUntil(app_, [] { return true; });
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.MainFrame()); }
  HWND FrameHandle() { return app_.MainFrame()->Handle(); }
  // The View popup's item, its check as the menu shows it.
  bool ViewItemChecked() {
    HMENU bar = GetMenu(FrameHandle());
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      char text[64] = {};
      GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (std::string(text) != "&View") continue;
      HMENU view = GetSubMenu(bar, i);
      SendMessageA(FrameHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), i);
      return (GetMenuState(view, ID_VIEW_MACROS_WINDOW, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    ADD_FAILURE() << "no View menu";
    return false;
  }
  lang::CLangWnd* OpenWindow() {
    SendMessageA(FrameHandle(), WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
    RunUntil(app_, [] { return true; });
    return Frame().MacroWindow();
  }
  void Choose(std::uint32_t id) {
    SendMessageA(FrameHandle(), WM_COMMAND, id, 0);
    Settle(app_, doc_);
  }
  // A key as the message loop meets it in the window's edit control.
  void Key(lang::CLangWnd& w, WPARAM key) {
    PostMessageA(w.EditControl(), WM_KEYDOWN, key, 1);
    RunUntil(app_, [] { return true; });
  }
  void SetScript(lang::CLangWnd& w, const std::string& text) { SetWindowTextA(w.EditControl(), text.c_str()); }

  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  std::string ini_;
};

TEST_F(MacroWindow, OpensWhereItsSettingsSayCheckedWhileOpenAndClosesAgain) {
  app_.Settings().WriteInt("LANGWND", "X", 5000);
  app_.Settings().WriteInt("LANGWND", "Y", 30);
  app_.Settings().WriteInt("LANGWND", "DX", 300);
  app_.Settings().WriteInt("LANGWND", "DY", 250);
  EXPECT_FALSE(ViewItemChecked());
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  EXPECT_EQ(GetWindow(w->Handle(), GW_OWNER), FrameHandle());
  RECT r{};
  GetWindowRect(w->Handle(), &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) - 300);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(app_.Settings().GetInt("LANGWND", "SHOW", 0), 1);
  // The edit control fills the client area and takes long texts.
  RECT client{}, edit{};
  GetClientRect(w->Handle(), &client);
  GetWindowRect(w->EditControl(), &edit);
  EXPECT_EQ(edit.right - edit.left, client.right);
  EXPECT_EQ(edit.bottom - edit.top, client.bottom);
  EXPECT_GT(SendMessageA(w->EditControl(), EM_GETLIMITTEXT, 0, 0), 1000000);
  EXPECT_TRUE(ViewItemChecked());
  char title[64] = {};
  GetWindowTextA(w->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "Macros");
  // The same command closes it; its place is kept.
  SendMessageA(FrameHandle(), WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
  EXPECT_EQ(Frame().MacroWindow(), nullptr);
  EXPECT_FALSE(ViewItemChecked());
  EXPECT_EQ(app_.Settings().GetInt("LANGWND", "X", 0), GetSystemMetrics(SM_CXSCREEN) - 300);
}

TEST_F(MacroWindow, RecordsLayerCommandsAndF5ReplaysThemOnTheOriginal) {
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  Choose(ID_LAYER_DELETE);
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  Choose(ID_LAYER_SEND_TO_BACK);
  const std::string recorded = "SetActiveLayer(1);\r\nDeleteLayer();\r\nSetActiveLayer(1);\r\nSendLayerToBack();";
  EXPECT_EQ(w->Text(), recorded);
  EXPECT_NE(SendMessageA(w->EditControl(), EM_GETMODIFY, 0, 0), 0);

  // Hidden, or with Recording off, the window takes nothing.
  ShowWindow(w->Handle(), SW_HIDE);
  Choose(ID_LAYER_BRING_TO_FRONT);
  ShowWindow(w->Handle(), SW_SHOWNA);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  Choose(ID_LAYER_BRING_TO_FRONT);
  EXPECT_EQ(w->Text(), recorded);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  Close();

  // Replayed on the original by the window's F5: the same layers, and
  // nothing recorded meanwhile.
  Open();
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  Choose(ID_LAYER_DELETE);
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  Choose(ID_LAYER_SEND_TO_BACK);
  const std::vector<std::string> byHand = StackState(doc_);
  Close();
  SetScript(*w, recorded);
  Open();
  const std::vector<std::string> before = StackState(doc_);
  Key(*w, VK_F5);
  Settle(app_, doc_);
  EXPECT_NE(StackState(doc_), before);
  EXPECT_EQ(StackState(doc_), byHand);
  EXPECT_EQ(w->Text(), recorded);
  EXPECT_EQ(flashes, 0);
  EXPECT_EQ(beeps, 0);
}

// The Tools menu's command of a registered tool (0: none).
std::uint32_t ToolCommand(CLumo40App& app, const char* idName) {
  const int tool = LUGetRegToolIDNumber(app.Site(), idName, 0);
  for (std::uint32_t id = 500; id < 900; ++id)
    if (tool != 0 && app.toolMenus.ToolOfCommand(id, true) == tool) return id;
  return 0;
}

TEST_F(MacroWindow, AToolRunFromTheToolsMenuRecordsItsStatementAndReplaysOnTheSameLayer) {
  Open();
  const std::uint32_t command = ToolCommand(app_, "maximum_effect");
  ASSERT_NE(command, 0u);
  const auto runTool = [&] {
    doc_->Image().SetActiveLayerByIndex(0, true, false);
    SendMessageA(FrameHandle(), WM_COMMAND, command, 0);
    LUPaneDialog* pane = LUGetActivePaneDialog(app_.Site());
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(LUPaneApply(pane), 0);
    LUDestroyPaneDialogs(app_.Site());
    Settle(app_, doc_);
  };
  const std::vector<std::string> original = StackState(doc_);
  runTool();
  const std::vector<std::string> byHand = StackState(doc_);
  ASSERT_NE(byHand, original);
  Close();

  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  runTool();
  const std::string text = w->Text();
  EXPECT_EQ(text.rfind("SetActiveLayer(0);\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Maximum("), std::string::npos) << text;
  Close();
  Open();
  doc_->Image().SetActiveLayerByIndex(2, true, false);
  Key(*w, VK_F5);
  Settle(app_, doc_);
  EXPECT_EQ(StackState(doc_), byHand) << text;
  EXPECT_EQ(w->Text(), text);
}

TEST_F(MacroWindow, EveryRegisteredToolCommandsHelpIsItsPrompt) {
  lang::LangCommandSet* commands = lang::GetLangCommands();
  ASSERT_NE(commands, nullptr);
  int tools = 0;
  for (const auto& command : commands->GetToolCommands()) {
    const int tool = LUGetRegToolIDNumber(app_.Site(), command->ToolName().c_str(), 0);
    LU_REGTOOLINFO info{};
    if (tool == 0 || !LUGetRegToolInfo(app_.Site(), tool, 1, &info)) continue;
    ++tools;
    const std::string prompt(res::String(static_cast<std::uint32_t>(info.baseStringId + 3)));
    EXPECT_FALSE(prompt.empty()) << command->GetName();
    EXPECT_EQ(command->GetHelp(), prompt) << command->GetName();
  }
  EXPECT_GT(tools, 0);
}

TEST_F(MacroWindow, AFailingLineIsSelectedWithFourFlashesAndABeep) {
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  flashes = beeps = 0;
  const std::string first = "SetActiveLayer(0);\r\n", second = "SetActiveLayer(1);\r\n", third = "NoSuchCommand(1);\r\n";
  SetScript(*w, first + second + third + "SetActiveLayer(0);");
  Key(*w, VK_F5);
  DWORD from = 0, to = 0;
  SendMessageA(w->EditControl(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, first.size() + second.size());
  EXPECT_EQ(to, first.size() + second.size() + third.size());
  EXPECT_EQ(flashes, 4);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(GetFocus(), w->EditControl());

  // A text ending in a line break runs whole without a failure report.
  flashes = beeps = 0;
  SetScript(*w, second + "DeleteLayer();\r\n");
  Key(*w, VK_F5);
  Settle(app_, doc_);
  EXPECT_EQ(doc_->Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_EQ(flashes, 0);
  EXPECT_EQ(beeps, 0);
}

TEST_F(MacroWindow, TheCommandPickerAppendsItsStatementEvenWithRecordingOff) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  ASSERT_FALSE(w->RecordingSwitch());
  std::string format, firstParameter;
  DialogScript::Run({{"Insert command",
                      [&](HWND d) {
                        HWND list = GetDlgItem(d, IDC_LANG_COMMANDS);
                        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>("SetActiveLayer"));
                        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LANG_COMMANDS, CBN_SELCHANGE),
                                     reinterpret_cast<LPARAM>(list));
                        char text[128] = {};
                        GetDlgItemTextA(d, IDC_LANG_FORMAT, text, sizeof text);
                        format = text;
                        SetDlgItemTextA(d, IDC_LANG_PARAMS, "2");
                        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LANG_PARAM_BUTTON, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_LANG_PARAM_BUTTON)));
                      }},
                     {"Parameters",
                      [&](HWND d) {
                        char line[256] = {};
                        SendDlgItemMessageA(d, IDC_LANG_PARAM_LIST, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
                        firstParameter = line;
                        Press(d, IDOK);
                      }},
                     {"Insert command", [](HWND d) { Press(d, IDOK); }}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_ADD_COMMAND, 0);
  DialogScript::Stop();
  EXPECT_EQ(w->Text(), "SetActiveLayer(2);");
  EXPECT_FALSE(format.empty());
  EXPECT_EQ(firstParameter.rfind("0. ", 0), 0u) << firstParameter;
}

TEST_F(MacroWindow, NewAsksToSaveAChangedScriptAndCancelKeepsIt) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  w->AppendLine("DeleteLayer();", true);
  std::string question;
  DialogScript::Run({{"Macros", [&](HWND d) {
                        char text[256] = {};
                        GetDlgItemTextA(d, 0xFFFF, text, sizeof text);
                        question = text;
                        Press(d, IDCANCEL);
                      }}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_NEW, 0);
  DialogScript::Stop();
  EXPECT_EQ(question, "Macros 'Untitled' changed. Save it?");
  EXPECT_EQ(w->Text(), "DeleteLayer();");
  DialogScript::Run({{"Macros", [](HWND d) { Press(d, IDNO); }}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_NEW, 0);
  DialogScript::Stop();
  EXPECT_EQ(w->Text(), "");
  EXPECT_EQ(SendMessageA(w->EditControl(), EM_GETMODIFY, 0, 0), 0);
}

TEST_F(MacroWindow, SavedScriptsHoldTheTextAndAZeroByteAndLoadBackExactly) {
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lumora-macro-window";
  std::filesystem::create_directories(folder);
  const std::string text = "SetActiveLayer(0);\r\nDeleteLayer();";
  SetScript(*w, text);
  ASSERT_TRUE(w->SaveToFile((folder / "a.cmd").string()));
  {
    std::ifstream in(folder / "a.cmd", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, text + std::string(1, '\0'));
  }
  EXPECT_EQ(SendMessageA(w->EditControl(), EM_GETMODIFY, 0, 0), 0);
  SetScript(*w, "");
  ASSERT_TRUE(w->LoadFromFile((folder / "a.cmd").string()));
  EXPECT_EQ(w->Text(), text);
  // Another editor's file keeps its last character.
  {
    std::ofstream((folder / "b.cmd"), std::ios::binary) << "DeleteLayer();";
  }
  ASSERT_TRUE(w->LoadFromFile((folder / "b.cmd").string()));
  EXPECT_EQ(w->Text(), "DeleteLayer();");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora
