// The macro window in the program's own start-up, on ag-psd's three-layer
// file: View/Macros Window opens it where [LANGWND] says; layer commands
// chosen while it records append exactly their statements (nothing while
// it is hidden or its Recording is off); F5 runs the text on the reopened
// original to the same layers byte for byte; a failing line is selected,
// with four flashes and one beep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
#include "framework/Archive.h"
#include "framework/CmdUI.h"
#include "framework/File.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/MacroText.h"
#include "lang/Recorder.h"
#include "lang/Script.h"
#include "lang/ScriptPrinting.h"
#include "lang/win/PrintScript.h"
#include "lang/win/LangWnd.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/test_printer.h"

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

// The same with each layer's pixels as a hash: short enough to print.
std::vector<std::string> StackDigest(CLumo40Doc* doc) {
  std::vector<std::string> digest;
  for (const std::string& layer : StackState(doc)) {
    // The pixels follow the sixth bar (name, rect, mask, opacity, mode, group).
    std::size_t bar = 0;
    for (int i = 0; i < 6 && bar != std::string::npos; ++i) bar = layer.find('|', i == 0 ? 0 : bar + 1);
    digest.push_back(bar == std::string::npos ? layer
                                              : layer.substr(0, bar + 1) +
                                                    std::to_string(std::hash<std::string>{}(layer.substr(bar + 1))));
  }
  return digest;
}

int flashes = 0;
int beeps = 0;

// The program with its help engine watched: the topics asked for, and over
// which window.
class HelpWatchingApp : public CLumo40App {
 public:
  bool ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file) override {
    helps.push_back({owner, command, data, file});
    return true;
  }
  struct Help {
    HWND owner;
    UINT command;
    std::uintptr_t data;
    std::string file;
  };
  std::vector<Help> helps;
};

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
  bool ViewItemChecked() { return testing::MenuChecks(FrameHandle(), "&View", ID_VIEW_MACROS_WINDOW); }
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

  HelpWatchingApp app_;
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
  // The same command hides it with its script; once more shows it again,
  // the script still there and Run enabled.
  SetScript(*w, "Layer.New();");
  SendMessageA(FrameHandle(), WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
  EXPECT_FALSE(IsWindowVisible(w->Handle()));
  EXPECT_FALSE(ViewItemChecked());
  EXPECT_EQ(app_.Settings().GetInt("LANGWND", "SHOW", 1), 0);
  EXPECT_EQ(OpenWindow(), w);
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  EXPECT_TRUE(ViewItemChecked());
  EXPECT_EQ(w->Text(), "Layer.New();");
  EXPECT_EQ(app_.Settings().GetInt("LANGWND", "SHOW", 0), 1);
  HMENU menu = GetMenu(w->Handle());
  SendMessageA(w->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 2)), 2);
  EXPECT_EQ(GetMenuState(menu, ID_MACRO_RUN, MF_BYCOMMAND) & MF_GRAYED, 0u);
  // File/Exit ends it; its place is kept.
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_EXIT, 0);
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

  // A command's lines reach the edit control together once its message is
  // handled; the window's own readers see them at once.
  SendMessageA(w->EditControl(), EM_SETMODIFY, FALSE, 0);
  doc_->Image().SetActiveLayerByIndex(0, true, false);
  SendMessageA(FrameHandle(), WM_COMMAND, ID_LAYER_SEND_TO_BACK, 0);
  EXPECT_EQ(w->Text(), recorded + "\r\nSetActiveLayer(0);\r\nSendLayerToBack();");
  EXPECT_NE(SendMessageA(w->EditControl(), EM_GETMODIFY, 0, 0), 0);
  Settle(app_, doc_);
  EXPECT_EQ(w->Text(), recorded + "\r\nSetActiveLayer(0);\r\nSendLayerToBack();") << "put in once";
  SetScript(*w, recorded);

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

// The recording table's menu commands: how each is prepared on a document
// whose layer 1 is active, and the statements it records.
struct RecordableCase {
  std::uint32_t id;
  std::function<void(CLumo40Doc*)> prepare;
  std::string statements;
  bool sameLayer = false;  // replayed with the recorded active layer
};

std::vector<RecordableCase> RecordableCases() {
  const RECT area{16, 12, 32, 32};
  const auto select = [area](CLumo40Doc* d) {
    LURECT lu;
    RectToLURect(&lu, &area);
    Fragment* selection = CreateRectFrg(&lu, 0);
    d->Image().SetSelection(selection, false);
    DeleteFragment(selection);
  };
  const auto link = [](std::vector<int> others) {
    return [others](CLumo40Doc* d) {
      for (int other : others) d->Image().AddLayerLink(other);
    };
  };
  const std::string selected = "FreeAllFrags();\r\nAddRect(16,12,32,32,14);\r\nSetActiveLayer(1);\r\n";
  const std::string whole = "FreeAllFrags();\r\nSetActiveLayer(1);\r\n";
  return {
      {ID_LAYER_DELETE, nullptr, "SetActiveLayer(1);\r\nDeleteLayer();"},
      {ID_LAYER_GROUP, nullptr, "SetActiveLayer(1);\r\nGroupLayer();"},
      {ID_LAYER_UNGROUP, [](CLumo40Doc* d) { d->Image().GroupWithPrevious(); }, "SetActiveLayer(1);\r\nUngroupLayer();"},
      {ID_LAYER_BRING_TO_FRONT, [](CLumo40Doc* d) { d->Image().SetActiveLayerByIndex(0, true, false); },
       "SetActiveLayer(0);\r\nBringLayerToFront();"},
      {ID_LAYER_BRING_FORWARD, nullptr, "SetActiveLayer(1);\r\nBringLayerForward();"},
      {ID_LAYER_SEND_TO_BACK, nullptr, "SetActiveLayer(1);\r\nSendLayerToBack();"},
      {ID_LAYER_SEND_BACKWARD, nullptr, "SetActiveLayer(1);\r\nSendLayerBackward();"},
      {ID_LAYER_MERGE_LINKED, link({2}), "SetActiveLayer(1);\r\nMergeLayer();"},
      // No layer goes with it: the merged layer keeps the name of the layer
      // active when it runs, so the replay runs with the same one active.
      {ID_LAYER_MERGE_VISIBLE, nullptr, "MergeVisibleLayers();", true},
      {ID_LAYER_FLATTEN, nullptr, "FlattenImage();"},
      {ID_LAYER_ALIGN_TOP, link({2}), "SetActiveLayer(1);\r\nAlignLayer(0);"},
      {ID_LAYER_ALIGN_TOP + 5, link({2}), "SetActiveLayer(1);\r\nAlignLayer(5);"},
      {ID_LAYER_DISTRIBUTE_TOP, link({0, 2}), "SetActiveLayer(1);\r\nDistributeLayer(0);"},
      {ID_LAYER_DISTRIBUTE_TOP + 4, link({0, 2}), "SetActiveLayer(1);\r\nDistributeLayer(4);"},
      {ID_LAYER_VIA_COPY, select, selected + "CopyToNewLayer(0);"},
      {ID_LAYER_VIA_CUT, select, selected + "CopyToNewLayer(1);"},
      {ID_LAYER_FLIP_HORIZONTAL, nullptr, whole + "Flip(1,0);"},
      {ID_LAYER_FLIP_VERTICAL, select, selected + "Flip(0,1);"},
      {ID_LAYER_ROTATE_180, nullptr, whole + "RotateLayer(-18000);"},
      {ID_LAYER_ROTATE_90_CCW, select, selected + "RotateLayer(-9000);"},
      {ID_LAYER_ROTATE_90_CW, nullptr, whole + "RotateLayer(9000);"},
      {ID_EDIT_CLEAR, select, selected + "ClearSelection(0,0);"},
      {ID_IMAGE_ROTATE_90CW, nullptr, "Rotate(9000);"},
      {ID_IMAGE_ROTATE_90CCW, nullptr, "Rotate(-9000);"},
      {ID_IMAGE_ROTATE_180, nullptr, "Rotate(-18000);"},
      {ID_IMAGE_FLIP_HORIZONTAL, nullptr, "FlipImage(1,0);"},
      {ID_IMAGE_FLIP_VERTICAL, nullptr, "FlipImage(0,1);"},
      {ID_IMAGE_CROP_SELECTION, select, "Crop(16,12,16,20,0);"},
  };
}

// Each menu command the recorder's callers table lists, chosen with the
// window open on layer 1 of ag-psd's three-layer file: the text holds
// exactly its statements, and F5 on the reopened original (layer 0 active,
// the same preparation) gives the same layers byte for byte.
TEST_F(MacroWindow, EachRecordableMenuCommandAppendsExactlyItsStatementsAndReplays) {
  const std::vector<RecordableCase> cases = RecordableCases();
  using Case = RecordableCase;
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  Close();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statements);
    Open();
    doc_->Image().SetActiveLayerByIndex(1, true, false);
    if (c.prepare) c.prepare(doc_);
    const std::vector<std::string> before = StackDigest(doc_);
    SetScript(*w, "");
    Choose(c.id);
    EXPECT_EQ(w->Text(), c.statements) << "command " << c.id;
    const std::vector<std::string> byHand = StackDigest(doc_);
    EXPECT_NE(byHand, before) << "command " << c.id << " changed nothing";
    Close();
    Open();
    doc_->Image().SetActiveLayerByIndex(1, true, false);
    if (c.prepare) c.prepare(doc_);
    doc_->Image().FreeSelection(false);
    if (!c.sameLayer) doc_->Image().SetActiveLayerByIndex(0, true, false);
    Key(*w, VK_F5);
    Settle(app_, doc_);
    EXPECT_EQ(StackDigest(doc_), byHand) << "command " << c.id;
    EXPECT_EQ(w->Text(), c.statements) << "nothing recorded while it ran";
    Close();
  }
}

// Bench driver (bench/macro-recording): each command of the recording
// table on the file LUMORA_RECORDING_BENCH_FILE names, prepared as above,
// from the command to the document composited and idle again, ten times
// with Recording on and ten with it off, alternately, each run taken back
// by Undo. Prints each command's medians and their ratio, and the medians
// of the command's own handling (until its WM_COMMAND returns).
TEST_F(MacroWindow, DISABLED_RecordingCostBenchDriver) {
  const char* file = std::getenv("LUMORA_RECORDING_BENCH_FILE");
  if (file == nullptr || *file == 0) GTEST_SKIP() << "LUMORA_RECORDING_BENCH_FILE names no file";
  lang::CLangWnd* w = nullptr;
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  const auto now = [&frequency] {
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  };
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  };
  std::printf("| command | statements | off median ms | on median ms | on / off | handled off ms | handled on ms |\n"
              "|---|---|---|---|---|---|---|\n");
  // LUMORA_RECORDING_BENCH_COMMAND, when set, names the one command to time.
  const char* only = std::getenv("LUMORA_RECORDING_BENCH_COMMAND");
  for (const RecordableCase& c : RecordableCases()) {
    if (only != nullptr && *only != 0 && std::to_string(c.id) != only) continue;
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(file));
    ASSERT_NE(doc_, nullptr) << file;
    Settle(app_, doc_);
    if (w == nullptr) w = OpenWindow();
    ASSERT_NE(w, nullptr);
    std::vector<double> times[2], handled[2];
    for (int run = 0; run < 20; ++run) {
      const bool on = run % 2 == 0;
      if (w->RecordingSwitch() != on) SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
      doc_->Image().SetActiveLayerByIndex(1, true, false);
      if (c.prepare) c.prepare(doc_);
      if (doc_->Image().GetSelection() != nullptr) {
        // The table's small area lies where the test file has pixels; here
        // an area in the middle of the picture does.
        LURECT middle{1500, 1000, 1000, 1000};
        Fragment* selection = CreateRectFrg(&middle, 0);
        doc_->Image().SetSelection(selection, false);
        DeleteFragment(selection);
      }
      SetScript(*w, "");
      Settle(app_, doc_);
      const double start = now();
      SendMessageA(FrameHandle(), WM_COMMAND, c.id, 0);
      handled[on ? 1 : 0].push_back(now() - start);
      Settle(app_, doc_);
      times[on ? 1 : 0].push_back(now() - start);
      // The statement's name (Crop's area is the one chosen above).
      const std::string last = c.statements.substr(c.statements.rfind('\n') + 1);
      EXPECT_EQ(w->Text().find(last.substr(0, last.find('('))) != std::string::npos, on) << "command " << c.id;
      Choose(ID_EDIT_UNDO);
      doc_->Image().FreeSelection(false);
    }
    const double off = median(times[0]), on = median(times[1]);
    const std::string first = c.statements.substr(c.statements.rfind('\n') + 1);
    std::printf("| %u | %s | %.1f | %.1f | %.3f | %.1f | %.1f |\n", c.id, first.c_str(), off, on, on / off,
                median(handled[0]), median(handled[1]));
    std::fflush(stdout);
    Close();
  }
  if (w != nullptr && w->RecordingSwitch() != true) SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  if (w == nullptr) return;
  // The recorder's own work for a command's two lines, and the one
  // replacement that then puts a command's lines into the edit control.
  SetScript(*w, "");
  Settle(app_);
  constexpr int kCalls = 2000;
  const double start = now();
  for (int i = 0; i < kCalls; ++i) lang::RecordLines({"SetActiveLayer(1);", "DeleteLayer();"});
  const double recordMs = (now() - start) / kCalls;
  EXPECT_EQ(w->Text().size(), kCalls * (18u + 14u) + (kCalls * 2u - 1) * 2) << "every line in";
  std::vector<double> puts;
  for (int i = 0; i < 40; ++i) {
    SetScript(*w, i % 2 ? "" : "DeleteLayer();");
    Settle(app_);
    lang::RecordLines({"SetActiveLayer(1);", "DeleteLayer();"});
    const double before = now();
    w->Text();
    puts.push_back(now() - before);
  }
  std::printf("recording a command's two lines: %.2f us; putting them into the edit control: median %.2f ms\n",
              recordMs * 1000.0, median(puts));
}

// What ag-psd reads of a saved file: the layer lines, each layer's pixels
// and the composite, all in one text (empty when it cannot read it).
std::string AgPsdReading(const std::string& psd) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-macro-agpsd-");
  const std::string prefix = (folder / "dump").string();
  const std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' dump '" +
                           lumora::testing::UnixPath(psd) + "' '" + lumora::testing::UnixPath(prefix) + "'";
  std::string reading;
  if (lumora::testing::RunHostShell(folder.string(), line) == 0) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string().rfind("dump.", 0) == 0) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      reading += file.filename().string() + "\n" +
                 std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return reading;
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

// Layer/Edges... (a template of the dialog's catalogue, with a shadow),
// then on a selection Flip Horizontal, Rotate 90 CW and a Numeric
// Transform of 2.3 degrees: recorded, and replayed by F5 on the original
// to the same layers byte for byte.
TEST_F(MacroWindow, RecordedEdgesAndLayerTransformsOnASelectionReplayToTheSamePixels) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  const auto edges = [&] {
    DialogScript::Run({{"Edge style", [](HWND d) {
                          RECT area{};
                          GetWindowRect(GetDlgItem(d, IDC_EDGE_AREA), &area);
                          MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&area), 2);
                          SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 20, area.top + 33 + 20));
                          SendDlgItemMessageA(d, IDC_EDGE_LIGHTING, CB_SETCURSEL, 1, 0);
                          SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_EDGE_LIGHTING, CBN_SELCHANGE),
                                       reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_EDGE_LIGHTING)));
                          Press(d, IDOK);
                        }}});
    Choose(ID_LAYER_EDGES);
    DialogScript::Stop();
  };
  const auto commands = [&] {
    doc_->Image().SetActiveLayerByIndex(1, true, false);
    if (doc_->Image().GetActiveLayer()->HasMask() == 0) Choose(ID_LAYER_MASK_REVEAL_ALL);
    edges();
    const CLayersManager& stack = *doc_->Image().GetLayers();
    const RECT area{stack.GetWidth() / 4, stack.GetHeight() / 4, stack.GetWidth() / 2, stack.GetHeight() * 2 / 3};
    LURECT lu;
    RectToLURect(&lu, &area);
    Fragment* selection = CreateRectFrg(&lu, 0);
    doc_->Image().SetSelection(selection, false);
    DeleteFragment(selection);
    Choose(ID_LAYER_FLIP_HORIZONTAL);
    Choose(ID_LAYER_ROTATE_90_CW);
    DialogScript::Run({{"Numeric Transform", [](HWND d) {
                          SetDlgItemTextA(d, IDC_NT_ANGLE, "2.3");
                          Press(d, IDOK);
                        }}});
    Choose(ID_LAYER_NUMERIC_TRANSFORM);
    DialogScript::Stop();
  };
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  flashes = beeps = 0;
  const std::vector<std::string> original = StackState(doc_);
  commands();
  const std::vector<std::string> byHand = StackState(doc_);
  ASSERT_GT(byHand.size(), original.size()) << "the shadow layer";
  const std::string text = w->Text();
  for (const char* statement : {"\r\nEdges(143,1);\r\n", "\r\nFlip(1,0);\r\n", "\r\nRotateLayer(9000);\r\n",
                                "\r\nTransformLayer(0,0,0,1,{0,0},{0,0},{0,0},{0,0},{0,0},{0,0},230);"})
    EXPECT_NE(text.find(statement), std::string::npos) << statement << " in\n" << text;
  EXPECT_LT(text.find("AddRect("), text.find("Flip(")) << "the selection goes first:\n" << text;
  Close();

  Open();
  Key(*w, VK_F5);
  Settle(app_, doc_);
  EXPECT_EQ(StackState(doc_), byHand) << text;
  EXPECT_EQ(w->Text(), text);
  EXPECT_EQ(flashes, 0) << text;
}

// Recording a Tools-menu filter, two layer commands and Image/Image Size at
// 50 %, saved as PSD; F5 on the reopened original, saved as another PSD:
// ag-psd reads the same layers, names, rects, opacities, modes and pixels.
TEST_F(MacroWindow, ARecordedSessionReplaysToTheSameFileAsAgPsdReadsIt) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  const std::uint32_t filter = ToolCommand(app_, "maximum_effect");
  ASSERT_NE(filter, 0u);
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-macro-session-");
  flashes = beeps = 0;
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  const int width = doc_->Image().GetLayers()->GetWidth();
  doc_->Image().SetActiveLayerByIndex(0, true, false);
  SendMessageA(FrameHandle(), WM_COMMAND, filter, 0);
  LUPaneDialog* pane = LUGetActivePaneDialog(app_.Site());
  ASSERT_NE(pane, nullptr);
  ASSERT_EQ(LUPaneApply(pane), 0);
  LUDestroyPaneDialogs(app_.Site());
  Settle(app_, doc_);
  doc_->Image().SetActiveLayerByIndex(2, true, false);
  Choose(ID_LAYER_SEND_BACKWARD);
  Choose(ID_LAYER_FLIP_VERTICAL);
  DialogScript::Run({{"Image Size", [&](HWND d) {
                        SetDlgItemTextA(d, IDC_ISZ_WIDTH, std::to_string(width / 2).c_str());
                        Press(d, IDOK);
                      }}});
  Choose(ID_IMAGE_SIZE);
  DialogScript::Stop();
  ASSERT_EQ(doc_->Image().GetLayers()->GetWidth(), width / 2);
  const std::string text = w->Text();
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    for (const lang::ScriptTextLine& l : lang::SplitScriptText(text)) out.push_back(l.text);
    return out;
  }();
  ASSERT_GE(lines.size(), 6u) << text;
  EXPECT_EQ(lines[0], "SetActiveLayer(0);\r") << text;
  EXPECT_EQ(lines[1].rfind("Maximum(", 0), 0u) << text;
  // The layer commands and the resize follow the filter, in order.
  const std::string rest = "\r\nSetActiveLayer(2);\r\nSendLayerBackward();\r\nFreeAllFrags();\r\nSetActiveLayer(1);"
                           "\r\nFlip(0,1);\r\nResize(" + std::to_string(width / 2) + ",";
  EXPECT_NE(text.find(rest), std::string::npos) << text;
  const std::string byHand = (folder / "by-hand.psd").string();
  ASSERT_TRUE(doc_->OnSaveDocument(byHand));
  Close();

  Open();
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  Key(*w, VK_F5);
  Settle(app_, doc_);
  EXPECT_EQ(flashes, 0) << text;
  const std::string replayed = (folder / "replayed.psd").string();
  ASSERT_TRUE(doc_->OnSaveDocument(replayed));
  const std::string a = AgPsdReading(byHand), b = AgPsdReading(replayed);
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a.find("layer 2 "), std::string::npos) << a.substr(0, 400);
  EXPECT_TRUE(a == b) << "ag-psd reads the files differently:\n" << a.substr(0, 400) << "\n--\n" << b.substr(0, 400);
  std::filesystem::remove_all(folder);
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
  {
    lumora::testing::BoxWatch watch;
    Key(*w, VK_F5);
    ASSERT_EQ(watch.boxes.size(), 1u) << "the box says why";
    EXPECT_EQ(watch.boxes[0].caption, "Macros");
    EXPECT_EQ(watch.boxes[0].text, "The macro stopped at line 3: unknown command \"NoSuchCommand\".\n");
  }
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

// Edit/Effects... with Maximum over 5 frames: "Generate macros" appends the
// 18 lines of the sequence script; "Generate effect" writes five frames,
// the last the filter with the end parameters as ImageMagick reads it, and
// leaves the image as it was.
TEST_F(MacroWindow, TheEffectsGeneratorAppendsOrRendersTheSequence) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-effects-");
  const std::string base = (folder / "EFFECTS").string();
  Open();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);  // forced lines come all the same
  std::string firstFormat, firstHelp, firstFrames, firstPath, firstKind, format;
  int firstAction = -1;
  const auto opening = [&](HWND d) {
    char text[256] = {};
    GetDlgItemTextA(d, IDC_LANG_FORMAT, text, sizeof text);
    firstFormat = text;
    GetDlgItemTextA(d, IDC_LANG_EFFECT_HELP, text, sizeof text);
    firstHelp = text;
    GetDlgItemTextA(d, IDC_LANG_EFFECT_FRAMES, text, sizeof text);
    firstFrames = text;
    GetDlgItemTextA(d, IDC_LANG_EFFECT_PATH, text, sizeof text);
    firstPath = text;
    GetDlgItemTextA(d, IDC_LANG_EFFECT_KIND, text, sizeof text);
    firstKind = text;
    firstAction = IsDlgButtonChecked(d, IDC_LANG_EFFECT_MACROS) == BST_CHECKED ? 0 : 1;
  };
  const auto answer = [&](int action) {
    return [&, action](HWND d) {
      char text[256] = {};
      HWND list = GetDlgItem(d, IDC_LANG_COMMANDS);
      SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Maximum"));
      SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LANG_COMMANDS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      GetDlgItemTextA(d, IDC_LANG_FORMAT, text, sizeof text);
      format = text;
      SetDlgItemTextA(d, IDC_LANG_EFFECT_START, "1,1,0,0");
      SetDlgItemTextA(d, IDC_LANG_EFFECT_END, "5,5,0,0");
      SetDlgItemTextA(d, IDC_LANG_EFFECT_FRAMES, "5");
      SetDlgItemTextA(d, IDC_LANG_EFFECT_PATH, base.c_str());
      CheckRadioButton(d, IDC_LANG_EFFECT_MACROS, IDC_LANG_EFFECT_RUN,
                       action == 0 ? IDC_LANG_EFFECT_MACROS : IDC_LANG_EFFECT_RUN);
      Press(d, IDOK);
    };
  };
  // 0 and 32001 frames are refused with the range message; the dialog stays.
  std::vector<std::string> refusals;
  const auto frames = [](const char* count) {
    return [count](HWND d) {
      SetDlgItemTextA(d, IDC_LANG_EFFECT_FRAMES, count);
      Press(d, IDOK);
    };
  };
  const auto refused = [&](HWND box) {
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    refusals.push_back(text);
    Press(box, IDOK);
  };
  DialogScript::Run({{"Effects generator",
                      [&](HWND d) {
                        opening(d);
                        frames("0")(d);
                      }},
                     {app_.AppName(), refused},
                     {"Effects generator", frames("32001")},
                     {app_.AppName(), refused},
                     {"Effects generator", answer(0)}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_EFFECTS, 0);
  DialogScript::Stop();
  ASSERT_EQ(refusals.size(), 2u);
  for (const std::string& said : refusals) {
    EXPECT_NE(said.find("1"), std::string::npos) << said;
    EXPECT_NE(said.find("32000"), std::string::npos) << said;
  }
  // The dialog opens on the first command, 10 frames, "EFFECTS", DIB.
  EXPECT_FALSE(firstFormat.empty());
  EXPECT_FALSE(firstHelp.empty());
  EXPECT_EQ(firstFrames, "10");
  EXPECT_EQ(firstPath, "EFFECTS");
  EXPECT_EQ(firstKind, "DIB");
  EXPECT_EQ(firstAction, 0);
  EXPECT_EQ(format, "%d,%d,%d,%d");
  std::string expected = "SelectWholeImage();\r\nBeginDIBSeq(" + lang::QuoteLangString(base) + ");";
  for (int size : {1, 2, 3, 4, 5}) {
    const std::string n = std::to_string(size);
    expected += "\r\nMaximum(" + n + "," + n + ",0,0);\r\nAddToDIBSeq();\r\nUndo();";
  }
  expected += "\r\nEndDIBSeq();";
  EXPECT_EQ(w->Text(), expected);
  EXPECT_EQ(lang::SplitScriptText(w->Text()).size(), 18u);

  const std::vector<std::string> before = StackState(doc_);
  SetScript(*w, "");
  DialogScript::Run({{"Effects generator", answer(1)}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_EFFECTS, 0);
  DialogScript::Stop();
  Settle(app_, doc_);
  EXPECT_EQ(StackState(doc_), before) << "every frame undone";
  EXPECT_EQ(w->Text(), "") << "nothing appended or recorded";
  for (const char* frame : {"EFFEC001.DIB", "EFFEC002.DIB", "EFFEC003.DIB", "EFFEC004.DIB", "EFFEC005.DIB"})
    EXPECT_TRUE(std::filesystem::exists(folder / frame)) << frame;
  EXPECT_FALSE(std::filesystem::exists(folder / "EFFEC006.DIB"));
  // The last frame is the filter with the end parameters.
  const std::string reference = (folder / "reference.bmp").string();
  std::size_t stopLine = 0;
  ASSERT_TRUE(lang::RunScript({"SelectWholeImage();", "Maximum(5,5,0,0);", "SaveImage(" + lang::QuoteLangString(reference) + ");",
                               "Undo();"},
                              &stopLine));
  EXPECT_EQ(StackState(doc_), before);
  const std::string log = (folder / "compare.log").string();
  const int differing = lumora::testing::RunHostShell(
      folder.string(), "compare -metric AE 'BMP:" + lumora::testing::UnixPath((folder / "EFFEC005.DIB").string()) +
                           "' '" + lumora::testing::UnixPath(reference) + "' null: >'" + lumora::testing::UnixPath(log) +
                           "' 2>&1");
  std::string said;
  {
    std::ifstream in(log);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_EQ(differing, 0) << said;
  EXPECT_EQ(said, "0") << "no pixel differs";
  const int identified = lumora::testing::RunHostShell(
      folder.string(), "identify -format '%m %w %h' 'BMP:" +
                           lumora::testing::UnixPath((folder / "EFFEC001.DIB").string()) + "' >'" +
                           lumora::testing::UnixPath(log) + "'");
  EXPECT_EQ(identified, 0);
  std::string kind;
  int width = 0, height = 0;
  {
    std::ifstream again(log);
    again >> kind >> width >> height;
  }
  EXPECT_EQ(kind.rfind("BMP", 0), 0u) << kind;  // ImageMagick names the version: BMP3
  EXPECT_EQ(width, doc_->Image().GetLayers()->GetWidth());
  EXPECT_EQ(height, doc_->Image().GetLayers()->GetHeight());
  std::filesystem::remove_all(folder);
}

// Cancels the print job as soon as its progress box exists: the hook posts
// the box a command, which the job's message pump delivers.
HHOOK cancelHook = nullptr;
int cancelPosted = 0;
LRESULT CALLBACK CancelPrinting(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (create->lpszName != nullptr && !IS_INTRESOURCE(create->lpszName) && std::string(create->lpszName) == "Print") {
      PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
      ++cancelPosted;
    }
  }
  return CallNextHookEx(cancelHook, code, wParam, lParam);
}

// File/Print on a PostScript printer whose port is a file: Ghostscript
// finds every line of a 150-line script in order on the pages the line
// height gives; a cancelled job leaves the next one whole.
TEST_F(MacroWindow, PrintsEveryLineInOrderAndACancelledJobDoesNotStopTheNext) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-print-");
  // The system's "device" setting holds 80 characters: a short port.
  const std::string job = "Z:\\tmp\\" + folder.filename().string() + ".ps";
  lumora::testing::TestPrinter printer(folder.string(), job);
  ASSERT_TRUE(printer.Ready()) << GetLastError();
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  std::string script;
  for (int i = 1; i <= 150; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%sLine%03d SetActiveLayer(%d);", i == 1 ? "" : "\r\n", i, i % 7);
    script += line;
  }
  SetScript(*w, script);
  HDC dc = lang::CreateDefaultPrinterDC();
  ASSERT_NE(dc, nullptr) << printer.Device();
  SIZE cc{};
  GetTextExtentPoint32A(dc, "CC", 2, &cc);
  const std::size_t pages = lang::PageStarts(150, cc.cy, GetDeviceCaps(dc, VERTRES)).size();
  DeleteDC(dc);
  ASSERT_GT(pages, 1u) << "the script runs over a page";

  const auto printed = [&]() -> std::string {
    const std::string text = (folder / "job.txt").string();
    const int code = lumora::testing::RunHostShell(
        folder.string(), "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -sOutputFile='" +
                             lumora::testing::UnixPath(text) + "' '" + lumora::testing::UnixPath(job) + "'");
    EXPECT_EQ(code, 0);
    std::ifstream in(text);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const auto pageCount = [&] {
    std::ifstream in(job, std::ios::binary);
    const std::string ps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t count = 0;
    for (std::size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1)) ++count;
    return count;
  };

  // Cancelled at once: the job stops, and nothing of its end is printed.
  cancelHook = SetWindowsHookExA(WH_CBT, CancelPrinting, nullptr, GetCurrentThreadId());
  ASSERT_NE(cancelHook, nullptr);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_PRINT, 0);
  UnhookWindowsHookEx(cancelHook);
  EXPECT_EQ(cancelPosted, 1);
  EXPECT_TRUE(IsWindowEnabled(FrameHandle())) << "the main window is enabled again";
  if (std::filesystem::exists(job)) {
    EXPECT_EQ(printed().find("Line150"), std::string::npos);
    std::filesystem::remove(job);
  }

  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_PRINT, 0);
  EXPECT_TRUE(IsWindowEnabled(FrameHandle()));
  ASSERT_TRUE(std::filesystem::exists(job));
  EXPECT_EQ(pageCount(), pages);
  const std::string text = printed();
  std::size_t at = 0;
  for (int i = 1; i <= 150; ++i) {
    char line[16];
    std::snprintf(line, sizeof line, "Line%03d", i);
    const std::size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " after " << at << " in\n" << text.substr(0, 2000);
    at = found + 1;
  }
  std::filesystem::remove(job);
  std::filesystem::remove_all(folder);
}

// Every item of the window's menu has its handler: Help! asks the program's
// help for the window's topic over the active top-level window; Print is
// greyed while there is no text.
TEST_F(MacroWindow, HelpShowsTheWindowsTopicAndPrintWaitsForText) {
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  HMENU bar = GetMenu(w->Handle());
  ASSERT_NE(bar, nullptr);
  std::vector<std::string> items;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    char text[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
  }
  EXPECT_EQ(items, (std::vector<std::string>{"&File", "&Edit", "&Macros", "&Help!"}));
  SetActiveWindow(w->Handle());
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_HELP, 0);
  ASSERT_EQ(app_.helps.size(), 1u);
  EXPECT_EQ(app_.helps[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(app_.helps[0].data, 164137u);
  EXPECT_EQ(app_.helps[0].owner, GetAncestor(GetActiveWindow(), GA_ROOT));
  EXPECT_EQ(app_.helps[0].file, "") << "the program's help file";

  HMENU file = GetSubMenu(bar, 0);
  SendMessageA(w->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_NE(GetMenuState(file, ID_MACRO_PRINT, MF_BYCOMMAND) & MF_GRAYED, 0u);
  SetScript(*w, "DeleteLayer();");
  SendMessageA(w->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_EQ(GetMenuState(file, ID_MACRO_PRINT, MF_BYCOMMAND) & MF_GRAYED, 0u);
  HMENU edit = GetSubMenu(bar, 1);
  EXPECT_NE(GetMenuState(edit, ID_MACRO_EFFECTS, MF_BYCOMMAND), static_cast<UINT>(-1));
}

// The main frame offers every command to the visible macros window first:
// its menu's commands work from the frame, its update rules answer there.
TEST_F(MacroWindow, TheMainFrameOffersTheWindowsCommandsToItFirst) {
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  SetScript(*w, "DeleteLayer();");
  SendMessageA(FrameHandle(), WM_COMMAND, ID_MACRO_SELECT_ALL, 0);
  DWORD from = 1, to = 0;
  SendMessageA(w->EditControl(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 14u);
  SendMessageA(FrameHandle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  EXPECT_FALSE(w->RecordingSwitch());
  fw::CmdUI ui(ID_MACRO_RECORDING, 0, fw::CmdUIState{false, 2});
  fw::MessageArgs update{fw::kMsgCommand, fw::kCodeUpdateCommandUI, ID_MACRO_RECORDING};
  update.cmdUI = &ui;
  ASSERT_TRUE(Frame().OnCmdMsg(update));
  EXPECT_EQ(ui.State().checked, 0);
  EXPECT_TRUE(ui.State().enabled);
  // Hidden, it is offered nothing.
  ShowWindow(w->Handle(), SW_HIDE);
  SendMessageA(FrameHandle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  EXPECT_FALSE(w->RecordingSwitch());
  fw::MessageArgs probe{fw::kMsgCommand, fw::kCodeCommand, ID_MACRO_RUN};
  probe.probeOnly = true;
  EXPECT_FALSE(Frame().OnCmdMsg(probe));
}

TEST_F(MacroWindow, TheWindowsArchiveCarriesItsStateToTheNextWindow) {
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  const std::string text = "SetActiveLayer(0);\r\nDeleteLayer();";
  SetScript(*w, text);
  SendMessageA(w->EditControl(), EM_SETMODIFY, TRUE, 0);
  SendMessageA(w->EditControl(), EM_SETSEL, 4, 9);
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_RECORDING, 0);
  fw::MemFile file;
  {
    fw::Archive out(file, fw::Archive::store);
    w->Serialize(out);
    out.Close();
  }
  w->CloseDiscard();
  RunUntil(app_, [] { return true; });
  w = OpenWindow();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->RecordingSwitch());
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  {
    fw::Archive in(file, fw::Archive::load);
    w->Serialize(in);
  }
  EXPECT_EQ(w->Text(), text);
  EXPECT_NE(SendMessageA(w->EditControl(), EM_GETMODIFY, 0, 0), 0);
  DWORD from = 0, to = 0;
  SendMessageA(w->EditControl(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 4u);
  EXPECT_EQ(to, 9u);
  EXPECT_FALSE(w->RecordingSwitch());
  EXPECT_EQ(w->FileName(), "");
}

// What a shell command of the machine Wine runs on prints.
std::string HostOutput(const std::filesystem::path& folder, const std::string& command) {
  const std::string out = (folder / "host-output.txt").string();
  lumora::testing::RunHostShell(folder.string(), command + " >'" + lumora::testing::UnixPath(out) + "' 2>&1");
  std::ifstream in(out);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The largest difference of one sample between two images, in 8-bit
// levels, as ImageMagick's compare finds it ("-1" when it cannot).
double LargestLevelDifference(const std::filesystem::path& folder, const std::string& a, const std::string& b) {
  // compare prints "absolute (normalised)".
  const std::string said = HostOutput(folder, "compare -metric PAE '" + a + "' '" + b + "' null:");
  const std::size_t open = said.find('(');
  return open == std::string::npos ? -1 : std::atof(said.c_str() + open + 1) * 255.0;
}

// A flat image ImageMagick makes, opened in the program: a gradient in the
// middle of the levels, so no tool below clips it.
CLumo40Doc* OpenGradient(CLumo40App& app, const std::filesystem::path& folder, std::string* unixPath) {
  *unixPath = lumora::testing::UnixPath((folder / "gradient.png").string());
  if (lumora::testing::RunHostShell(folder.string(), "convert -size 40x30 gradient:'#a03020'-'#3050b0' -depth 8 "
                                                     "PNG24:'" + *unixPath + "'") != 0) {
    return nullptr;
  }
  auto* doc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile((folder / "gradient.png").string()));
  if (doc != nullptr) Settle(app, doc);
  return doc;
}

// Every sequence script begins with SelectWholeImage(): the tool statements
// after it change the whole image, as ImageMagick's negative blended at
// the amount does, and the frames of a generated effect differ as its
// values do.
TEST_F(MacroWindow, ToolStatementsAfterSelectWholeImageChangeTheWholeImage) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  using lumora::testing::UnixPath;
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-whole-");
  std::string source;
  doc_ = OpenGradient(app_, folder, &source);
  ASSERT_NE(doc_, nullptr);
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  for (const int amount : {50, 20}) {
    SCOPED_TRACE(amount);
    const std::string ours = (folder / ("inverted" + std::to_string(amount) + ".png")).string();
    SetScript(*w, "SelectWholeImage();\r\nInvertColours(" + std::to_string(amount) + ");\r\nSaveImage(" +
                      lang::QuoteLangString(ours) + ");\r\nUndo();");
    Key(*w, VK_F5);
    const std::string reference = UnixPath((folder / "reference.png").string());
    ASSERT_EQ(lumora::testing::RunHostShell(folder.string(), "convert '" + source + "' \\( +clone -negate \\) "
                                                             "-compose blend -define compose:args=" +
                                                                 std::to_string(amount) + " -composite PNG24:'" +
                                                                 reference + "'"),
              0);
    EXPECT_LE(LargestLevelDifference(folder, UnixPath(ours), reference), 1.01);
    EXPECT_GT(LargestLevelDifference(folder, UnixPath(ours), source), 20) << "the image changed";
  }

  // Brightness from 0 to 60 in three frames: 20, 40 and 60 added (the
  // start values themselves are never rendered).
  SetScript(*w, "");
  const std::string base = (folder / "LIGHT").string();
  DialogScript::Run({{"Effects generator", [&](HWND d) {
                        HWND list = GetDlgItem(d, IDC_LANG_COMMANDS);
                        SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Brightness"));
                        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LANG_COMMANDS, CBN_SELCHANGE),
                                     reinterpret_cast<LPARAM>(list));
                        SetDlgItemTextA(d, IDC_LANG_EFFECT_START, "0");
                        SetDlgItemTextA(d, IDC_LANG_EFFECT_END, "60");
                        SetDlgItemTextA(d, IDC_LANG_EFFECT_FRAMES, "3");
                        SetDlgItemTextA(d, IDC_LANG_EFFECT_PATH, base.c_str());
                        CheckRadioButton(d, IDC_LANG_EFFECT_MACROS, IDC_LANG_EFFECT_RUN, IDC_LANG_EFFECT_RUN);
                        Press(d, IDOK);
                      }}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_EFFECTS, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 1);
  Settle(app_, doc_);
  const int added[] = {20, 40, 60};
  for (int frame = 1; frame <= 3; ++frame) {
    SCOPED_TRACE(frame);
    const std::string file = UnixPath(base + "00" + std::to_string(frame) + ".DIB");
    const std::string reference = UnixPath((folder / "lighter.png").string());
    ASSERT_EQ(lumora::testing::RunHostShell(folder.string(), "convert '" + source + "' -fx 'u+" +
                                                                 std::to_string(added[frame - 1]) + "/255' PNG24:'" +
                                                                 reference + "'"),
              0);
    EXPECT_LE(LargestLevelDifference(folder, "BMP:" + file, reference), 1.01);
  }
  std::filesystem::remove_all(folder);
}

// A string longer than the language's 259 characters is refused at its
// line, with the reason in the box; SaveImage goes on past a save that
// fails, after the save's own message.
TEST_F(MacroWindow, AnOverLongStringIsRefusedAtItsLineAndAFailedSaveLetsTheRunGoOn) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-long-");
  std::string source;
  doc_ = OpenGradient(app_, folder, &source);
  ASSERT_NE(doc_, nullptr);
  lang::CLangWnd* w = OpenWindow();
  ASSERT_NE(w, nullptr);
  const std::string prefix = (folder / "").string();
  const std::string longName = prefix + std::string(300 - prefix.size() - 4, 'n') + ".png";
  ASSERT_EQ(longName.size(), 300u);
  const std::string first = "SelectWholeImage();\r\n", second = "SaveImage(" + lang::QuoteLangString(longName) + ");\r\n";
  SetScript(*w, first + second + "Brightness(40);");
  const std::vector<std::string> before = StackDigest(doc_);
  {
    lumora::testing::BoxWatch watch;
    Key(*w, VK_F5);
    ASSERT_EQ(watch.boxes.size(), 1u);
    EXPECT_EQ(watch.boxes[0].text,
              "The macro stopped at line 2: a string of 300 characters is too long: a string may have 259 "
              "characters.\n");
  }
  DWORD from = 0, to = 0;
  SendMessageA(w->EditControl(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, first.size());
  EXPECT_EQ(to, first.size() + second.size());
  EXPECT_EQ(StackDigest(doc_), before) << "nothing after the refused line ran";
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u) << "only the gradient: no file of a cut name";

  // A save into a folder that does not exist: its own message, then the
  // next statement.
  const std::string nowhere = (folder / "no folder" / "x.png").string();
  SetScript(*w, "SaveImage(" + lang::QuoteLangString(nowhere) + ");\r\nBrightness(40);");
  {
    lumora::testing::BoxWatch watch;
    Key(*w, VK_F5);
    Settle(app_, doc_);
    ASSERT_EQ(watch.boxes.size(), 1u) << "the save's message only";
    EXPECT_NE(watch.boxes[0].text.find("x.png"), std::string::npos) << watch.boxes[0].text;
  }
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  EXPECT_NE(StackDigest(doc_), before) << "Brightness ran after the failed save";
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora
