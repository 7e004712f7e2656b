// The program's windows as a user meets them: views that show their image
// after windows are arranged, saved and closed, Reload, the position in
// the status bar, the About box, a maximised image window's buttons and
// menu, the Window menu's list, help, and the messages of files that cannot
// be read or written.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <map>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::ActiveImageView;
using testing::BoxWatch;
using testing::CloseProgram;
using testing::DialogScript;
using testing::ExpectViewShowsLayers;
using testing::NameBox;
using testing::Press;
using testing::RunHostShell;
using testing::RunUntil;
using testing::SettingsFileOfThisProgram;
using testing::Settle;
using testing::UnixPath;
using testing::ViewPixels;

// A temporary folder for the files of one test; ag-psd and ImageMagick
// write into it.
class TestFiles {
 public:
  TestFiles() : folder_(testing::MakeUniqueTempFolder("lumora-windows-")) {}
  ~TestFiles() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder_, ignored)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(folder_, ignored);
  }
  TestFiles(const TestFiles&) = delete;
  TestFiles& operator=(const TestFiles&) = delete;

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  // A shell line run in the folder (its Unix path).
  bool Shell(const std::string& line) const {
    return RunHostShell(folder_.string(), "cd '" + UnixPath(folder_.string()) + "' && (" + line + ") >tool.log 2>&1") == 0;
  }
  bool AgPsd(const std::string& arguments) const {
    return Shell("NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' " + arguments);
  }

 private:
  fs::path folder_;
};

class ProgramWindows : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileA(SettingsFileOfThisProgram().c_str()); }
  void TearDown() override {
    testing::EndProgramIfRunning(app_);
    DeleteFileA(SettingsFileOfThisProgram().c_str());
  }

  HWND Frame() { return app_.MainFrame()->Handle(); }
  HWND Client() { return app_.MainFrameWnd()->MdiClient(); }
  void Command(std::uint32_t id) { SendMessageA(Frame(), WM_COMMAND, id, 0); }

  CLumo40Doc* Open(const std::string& name) {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(files_.Path(name)));
    if (doc != nullptr) Settle(app_, doc);
    return doc;
  }
  // The image view of the document's first window.
  CLumo40View* ViewOf(CLumo40Doc* doc) {
    for (fw::View* v : doc->Views()) {
      if (auto* view = dynamic_cast<CLumo40View*>(v)) return view;
    }
    return nullptr;
  }
  HWND ChildOf(CLumo40Doc* doc) { return GetParent(ViewOf(doc)->Handle()); }

  // File/Save As through the save dialog, to any name.
  void SaveAs(const std::string& name) {
    const std::string target = files_.Path(name);
    DialogScript::Run({{"Save As", [target](HWND d) {
                          SetWindowTextA(NameBox(d), target.c_str());
                          Press(d, IDOK);
                        }}});
    Command(fw::kIdFileSaveAs);
    DialogScript::Stop();
    EXPECT_EQ(DialogScript::done, 1);
  }

  TestFiles files_;
  CLumo40App app_;
};

// Every document's view against its layers: drawn for each, and as shown
// on screen for the active one (which nothing covers).
void ExpectViewsShowTheirImages(CLumo40App& app, const std::vector<CLumo40Doc*>& docs, const char* step) {
  SCOPED_TRACE(step);
  for (CLumo40Doc* doc : docs) Settle(app, doc);
  for (CLumo40Doc* doc : docs) {
    for (fw::View* v : doc->Views()) {
      auto* view = dynamic_cast<CLumo40View*>(v);
      if (view == nullptr || IsIconic(GetParent(view->Handle()))) continue;
      ExpectViewShowsLayers(view, doc, ViewPixels::kDrawn);
      if (view == ActiveImageView(app)) ExpectViewShowsLayers(view, doc, ViewPixels::kShown);
    }
  }
}

// Two documents larger than half the window area (900 x 660 and 780 x 990,
// the second shown reduced).
TEST_F(ProgramWindows, ViewsShowTheirImagesAfterCascadeMaximiseSaveAsAndClose) {
  ASSERT_TRUE(files_.AgPsd("make-pair . 3"));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* first = Open("first.psd");
  CLumo40Doc* second = Open("second.psd");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  Command(fw::kIdWindowCascade);
  ExpectViewsShowTheirImages(app_, {first, second}, "cascaded");
  SendMessageA(Client(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(ChildOf(second)), 0);
  ExpectViewsShowTheirImages(app_, {first, second}, "second maximised");
  {
    BoxWatch watch;  // the flattening warning: OK
    SaveAs("second.png");
    EXPECT_TRUE(watch.Saw({"second.png"}));
  }
  ASSERT_TRUE(fs::exists(files_.Path("second.png")));
  ExpectViewsShowTheirImages(app_, {first, second}, "saved as PNG");
  {
    // Ctrl+F4 closes the active window; its layers were not saved: No.
    BoxWatch watch([](const BoxWatch::Box&) { return IDNO; });
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE before = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(ChildOf(second), WM_KEYDOWN, VK_F4, 1);
    RunUntil(app_, [&] { return app_.Docs().AllDocuments().size() == 1; }, 20000);
    keys[VK_CONTROL] = before;
    SetKeyboardState(keys);
  }
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
  ExpectViewsShowTheirImages(app_, {first}, "second closed");
  Command(fw::kIdWindowCascade);
  ExpectViewsShowTheirImages(app_, {first}, "cascaded again");
  CloseProgram(app_);
}

TEST_F(ProgramWindows, ReloadShowsTheFileAsItIsNow) {
  ASSERT_TRUE(files_.AgPsd("make-pair ."));
  ASSERT_TRUE(CopyFileA(files_.Path("first.psd").c_str(), files_.Path("doc.psd").c_str(), FALSE));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("doc.psd");
  ASSERT_NE(doc, nullptr);
  fw::StatusBar& status = app_.MainFrameWnd()->StatusBarCtrl();
  EXPECT_EQ(status.GetPaneText(2), "24-bit image, size 300x220, 1:1");
  // Another program writes the file again, larger.
  ASSERT_TRUE(CopyFileA(files_.Path("second.psd").c_str(), files_.Path("doc.psd").c_str(), FALSE));
  Command(ID_FILE_RELOAD);
  Settle(app_, doc);
  testing::Settle(app_);
  EXPECT_EQ(doc->Image().GetLayers()->GetWidth(), 260);
  EXPECT_EQ(status.GetPaneText(2), "24-bit image, size 260x330, 1:1");
  char title[256] = {};
  GetWindowTextA(ChildOf(doc), title, sizeof title);
  EXPECT_NE(std::string(title).find("(260x330)"), std::string::npos) << title;
  CLumo40View* view = ViewOf(doc);
  ExpectViewShowsLayers(view, doc, ViewPixels::kDrawn);
  ExpectViewShowsLayers(view, doc, ViewPixels::kShown);
  CloseProgram(app_);
}

// Whether the item of the frame's menu bar is enabled, as the menu shows
// it when it opens.
bool MenuItemEnabled(HWND frame, std::uint32_t id) {
  HMENU bar = GetMenu(frame);
  for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
    HMENU popup = GetSubMenu(bar, i);
    if (popup == nullptr || GetMenuState(popup, id, MF_BYCOMMAND) == 0xFFFFFFFFu) continue;
    SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
    return (GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
  }
  ADD_FAILURE() << "no item " << id;
  return false;
}

TEST_F(ProgramWindows, SaveStaysAvailableAfterAFlatCopyAndClosingAsks) {
  ASSERT_TRUE(files_.AgPsd("make-mixed mixed.psd"));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  {
    BoxWatch watch;
    SaveAs("flat.png");
    EXPECT_TRUE(watch.Saw({"flat.png"}));  // the layers are merged: said first
  }
  ASSERT_TRUE(fs::exists(files_.Path("flat.png")));
  testing::Settle(app_);
  EXPECT_TRUE(doc->IsModified() || doc->Image().IsModified());
  EXPECT_TRUE(MenuItemEnabled(Frame(), fw::kIdFileSave));
  BoxWatch watch([](const BoxWatch::Box&) { return IDCANCEL; });
  Command(fw::kIdFileClose);
  EXPECT_TRUE(watch.Saw({"Save changes to "}));
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
  doc->SetModifiedFlag(false);
  doc->Image().SetModifiedFlag(false);
  CloseProgram(app_);
}

// The position text of the status bar for a point of the view.
std::string PositionShown(CLumo40App& app, CLumo40View* view, POINT window) {
  PostMessageA(view->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(window.x, window.y));
  RunUntil(app, [] { return true; });
  const std::string text = app.MainFrameWnd()->StatusBarCtrl().GetPaneText(1);
  return text.substr(std::min(text.size(), text.find_first_not_of(' ')));
}

TEST_F(ProgramWindows, StatusPositionCountsRowsFromTheTop) {
  ASSERT_TRUE(files_.Shell("convert -size 640x480 gradient:red-blue grad.png"));
  ASSERT_TRUE(app_.InitInstance());
  ShowWindow(Frame(), SW_MAXIMIZE);
  CLumo40Doc* doc = Open("grad.png");
  ASSERT_NE(doc, nullptr);
  CLumo40View* view = ViewOf(doc);
  ASSERT_EQ(view->ImageUnitsPerPixel(), 1.0);
  const VRXFORM map = view->Mapping();
  // Image rows as the view maps them count from the bottom.
  POINT topLeft{0, 479}, bottomRight{639, 0};
  map.RevXForm(&topLeft, kXFPixels);
  map.RevXForm(&bottomRight, kXFPixels);
  EXPECT_EQ(PositionShown(app_, view, topLeft), "(0,0)");
  EXPECT_EQ(PositionShown(app_, view, bottomRight), "(639,479)");
  CloseProgram(app_);
}

// The items of a menu that are grey.
std::vector<UINT> GreyItems(HMENU menu, const std::vector<UINT>& ids) {
  std::vector<UINT> grey;
  for (UINT id : ids) {
    const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == 0xFFFFFFFFu || (state & (MF_GRAYED | MF_DISABLED)) != 0) grey.push_back(id);
  }
  return grey;
}

TEST_F(ProgramWindows, MaximisedImageWindowRestoresAndItsWindowMenuWorks) {
  ASSERT_TRUE(files_.AgPsd("make-pair ."));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* first = Open("first.psd");
  CLumo40Doc* second = Open("second.psd");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  const HWND one = ChildOf(first), two = ChildOf(second);
  SendMessageA(Client(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(two), 0);
  testing::Settle(app_);
  ASSERT_TRUE(IsZoomed(two));
  // The maximised window's menu leads the menu bar.
  HMENU windowMenu = GetSubMenu(GetMenu(Frame()), 0);
  ASSERT_NE(windowMenu, nullptr);
  SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(windowMenu), MAKELPARAM(0, FALSE));
  EXPECT_EQ(GreyItems(windowMenu, {SC_RESTORE, SC_MINIMIZE, SC_CLOSE, SC_NEXTWINDOW}), std::vector<UINT>{});
  // Next, then the restore button (the same command as the menu's Restore).
  Command(SC_NEXTWINDOW);
  testing::Settle(app_);
  EXPECT_EQ(app_.MainFrameWnd()->GetActiveFrame()->Handle(), one);
  Command(SC_RESTORE);
  testing::Settle(app_);
  EXPECT_FALSE(IsZoomed(one));
  EXPECT_FALSE(IsZoomed(two));
  SendMessageA(Client(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(one), 0);
  Command(SC_MINIMIZE);
  testing::Settle(app_);
  EXPECT_TRUE(IsIconic(one));
  SendMessageA(Client(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(two), 0);
  testing::Settle(app_);
  Command(SC_CLOSE);
  ASSERT_TRUE(RunUntil(app_, [&] { return app_.Docs().AllDocuments().size() == 1; }, 20000));
  EXPECT_FALSE(IsWindow(two));
  CloseProgram(app_);
}

// The Window menu's entry of an MDI child, in UTF-16.
std::wstring WindowListEntry(HWND frame, HWND child) {
  HMENU bar = GetMenu(frame);
  const UINT id = static_cast<UINT>(GetWindowLongPtrA(child, GWLP_ID));
  for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
    HMENU popup = GetSubMenu(bar, i);
    wchar_t text[512] = {};
    if (popup != nullptr && GetMenuStringW(popup, id, text, 512, MF_BYCOMMAND) > 0) return text;
  }
  return std::wstring();
}

TEST_F(ProgramWindows, NewDocumentIsListedByItsTitleInTheWindowMenu) {
  ASSERT_TRUE(app_.InitInstance());
  DialogScript::Run({{"New image", [](HWND d) {
                        SetDlgItemTextA(d, IDC_NEWIMG_WIDTH, "40");
                        SetDlgItemTextA(d, IDC_NEWIMG_HEIGHT, "30");
                        Press(d, IDOK);
                      }}});
  Command(fw::kIdFileNew);
  DialogScript::Stop();
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
  testing::Settle(app_);
  auto* doc = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().front());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetTitle(), "UNTITLED.1");
  const std::wstring entry = WindowListEntry(Frame(), ChildOf(doc));
  EXPECT_NE(entry.find(L"UNTITLED.1"), std::wstring::npos) << entry.size();
  doc->SetModifiedFlag(false);
  doc->Image().SetModifiedFlag(false);
  CloseProgram(app_);
}

// The message the system posts to the window with the focus when F1 is
// pressed (it becomes WM_HELP in the window's default handling).
constexpr UINT kMsgKeyF1 = 0x004D;

TEST_F(ProgramWindows, F1AndHelpButtonsSayHelpIsNotInstalled) {
  ASSERT_TRUE(app_.InitInstance());
  // No help file is installed beside the program.
  const std::string notInstalled = res::FormatString(IDS_HELP_FILE_MISSING, {app_.helpFilePath});
  ASSERT_EQ(notInstalled.rfind("Help is not installed", 0), 0u);
  {
    // A pressed F1 as the system delivers it: the key (the F1 key of the
    // menu plan) and then WM_KEYF1; one message answers both.
    BoxWatch watch;
    PostMessageA(Frame(), WM_KEYDOWN, VK_F1, 1);
    PostMessageA(Frame(), kMsgKeyF1, 0, 0);
    RunUntil(app_, [&] { return !watch.boxes.empty(); }, 5000);
    testing::Settle(app_);
    ASSERT_EQ(watch.boxes.size(), 1u);
    EXPECT_EQ(watch.boxes[0].text, notInstalled + "\n");
  }
  {
    // In a dialog: F1 on a control, and the Help button.
    BoxWatch watch;
    DialogScript::Run({{"New image", [&](HWND d) {
                          PostMessageA(GetDlgItem(d, IDC_NEWIMG_WIDTH), kMsgKeyF1, 0, 0);
                          PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDHELP, BN_CLICKED), 0);
                          Press(d, IDCANCEL);
                        }}});
    Command(fw::kIdFileNew);
    DialogScript::Stop();
    EXPECT_EQ(watch.boxes.size(), 2u);
    EXPECT_TRUE(watch.Saw({notInstalled}));
  }
  CloseProgram(app_);
}

// Files that cannot be read or written: the message names the file and
// says why, in words.
TEST_F(ProgramWindows, FileErrorsNameTheFileAndTheReason) {
  ASSERT_TRUE(files_.AgPsd("make-zip zip.psd"));
  ASSERT_TRUE(files_.AgPsd("make-mixed mixed.psd"));
  ASSERT_TRUE(files_.Shell("head -c 3000 mixed.psd > cut.psd"));
  ASSERT_TRUE(app_.InitInstance());
  const struct {
    const char* file;
    const char* reason;
  } opens[] = {{"zip.psd", "ZIP"}, {"cut.psd", "ends early"}};
  for (const auto& c : opens) {
    SCOPED_TRACE(c.file);
    BoxWatch watch;
    EXPECT_EQ(app_.OpenDocumentFile(files_.Path(c.file)), nullptr);
    ASSERT_EQ(watch.boxes.size(), 1u);
    EXPECT_TRUE(watch.Saw({c.file, c.reason, std::string(res::String(21019))})) << watch.boxes[0].text;
    EXPECT_FALSE(watch.Saw({"Unknown error"}));
  }
  // A read-only file in the way of Save As: replacing it is confirmed, the
  // write fails and says so.
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(CopyFileA(files_.Path("zip.psd").c_str(), files_.Path("locked.psd").c_str(), FALSE));
  SetFileAttributesA(files_.Path("locked.psd").c_str(), FILE_ATTRIBUTE_READONLY);
  BoxWatch watch([](const BoxWatch::Box& box) { return box.text.find("replace") != std::string::npos ? IDYES : IDOK; });
  SaveAs("locked.psd");
  EXPECT_TRUE(watch.Saw({"locked.psd", std::string(res::String(21021))})) << watch.boxes.size();
  EXPECT_FALSE(watch.Saw({"Unknown error"}));
  EXPECT_EQ(doc->GetPathName(), files_.Path("mixed.psd"));
  CloseProgram(app_);
}

// Which windows' palette changes each watched window heard of.
std::map<HWND, std::vector<HWND>> paletteChanges;
LRESULT CALLBACK WatchPaletteChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_PALETTECHANGED) paletteChanges[window].push_back(reinterpret_cast<HWND>(wParam));
  return DefSubclassProc(window, message, wParam, lParam);
}

// Another program realising its palette tells the top-level windows; the
// main window passes it to the image windows, and each of them to its
// view, which then realises its own palette in the background.
TEST_F(ProgramWindows, APaletteChangeReachesTheViewOfEveryImageWindow) {
  ASSERT_TRUE(app_.InitInstance());
  for (int i = 0; i < 2; ++i) {
    DialogScript::Run({{"New image", [](HWND d) {
                          SetDlgItemTextA(d, IDC_NEWIMG_WIDTH, "40");
                          SetDlgItemTextA(d, IDC_NEWIMG_HEIGHT, "30");
                          Press(d, IDOK);
                        }}});
    Command(fw::kIdFileNew);
    DialogScript::Stop();
  }
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 2u);
  testing::Settle(app_);
  std::vector<HWND> views;
  for (fw::Document* d : app_.Docs().AllDocuments()) {
    CLumo40View* view = ViewOf(dynamic_cast<CLumo40Doc*>(d));
    ASSERT_NE(view, nullptr);
    views.push_back(view->Handle());
    ASSERT_TRUE(SetWindowSubclass(view->Handle(), WatchPaletteChanges, 1, 0));
  }
  HWND changer = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  paletteChanges.clear();
  SendMessageA(Frame(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(changer), 0);
  for (HWND view : views) {
    EXPECT_EQ(paletteChanges[view], std::vector<HWND>{changer}) << "a view did not hear of the change once";
    RemoveWindowSubclass(view, WatchPaletteChanges, 1);
  }
  DestroyWindow(changer);
  for (fw::Document* d : app_.Docs().AllDocuments()) {
    auto* doc = dynamic_cast<CLumo40Doc*>(d);
    doc->SetModifiedFlag(false);
    doc->Image().SetModifiedFlag(false);
  }
  CloseProgram(app_);
}

}  // namespace
}  // namespace lumora
