// The file chooser under Wine: the subfolder made on first use, what it
// lists, the open and save rules, Delete, and the names it refuses because
// they would reach outside its folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialogs/win/GadgetDlg.h"
#include "framework/win/App.h"
#include "res/resource.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"

namespace lumora {
namespace {

using testing::BoxStep;
using testing::DialogScript;
using testing::MessageBoxText;
using testing::Press;

class GadgetApp : public fw::App {
 public:
  GadgetApp() : fw::App("Lumora Gadget Test") {}
};

std::vector<std::string> Listed(HWND dialog) {
  std::vector<std::string> names;
  const int count = static_cast<int>(SendDlgItemMessageA(dialog, IDC_GADGET_LIST, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[260] = {};
    SendDlgItemMessageA(dialog, IDC_GADGET_LIST, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    names.emplace_back(text);
  }
  return names;
}

void Type(HWND dialog, const char* name) { SetDlgItemTextA(dialog, IDC_GADGET_LIST, name); }

class Gadget : public ::testing::Test {
 protected:
  void SetUp() override { root_ = testing::MakeUniqueTempFolder("lumora-gadget-"); }
  void TearDown() override {
    DialogScript::Stop();
    std::filesystem::remove_all(root_);
  }
  void Touch(const std::string& relative) { std::ofstream(root_ / relative) << "x"; }
  INT_PTR Run(CGadgetDlg& dialog, std::deque<DialogScript::Step> script) {
    dialog.programFolder = root_.string();
    DialogScript::Run(std::move(script));
    const INT_PTR result = dialog.DoModal();
    DialogScript::Stop();
    return result;
  }

  GadgetApp app_;
  std::filesystem::path root_;
};

TEST_F(Gadget, SaveMakesTheFolderListsItsFilesAndAsksBeforeReplacing) {
  std::vector<std::string> firstList;
  {
    CGadgetDlg dialog(IDS_SAVE_SELECTION_TITLE, "Selections", "FRG", false);
    const INT_PTR result = Run(dialog, {{"Save Selection", [&](HWND d) {
                                           firstList = Listed(d);
                                           Press(d, IDOK);  // empty name: nothing happens
                                         }},
                                        {"Save Selection", [&](HWND d) {
                                           Type(d, "area");
                                           Press(d, IDOK);
                                         }}});
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(firstList.empty());
    EXPECT_TRUE(std::filesystem::is_directory(root_ / "Selections")) << "made on first use";
    EXPECT_EQ(dialog.GetFilePath(), (root_ / "Selections").string() + "\\area.frg");
  }
  Touch("Selections/abc.FRG");
  Touch("Selections/xfrg");
  Touch("Selections/other.cmd");
  std::vector<std::string> list;
  std::string asked;
  CGadgetDlg dialog(IDS_SAVE_SELECTION_TITLE, "Selections", "frg", false);
  const INT_PTR result = Run(dialog, {{"Save Selection", [&](HWND d) {
                                         list = Listed(d);
                                         Type(d, "ABC");
                                         Press(d, IDOK);
                                       }},
                                      BoxStep("Save Selection", [&](HWND box) {
                                        asked = MessageBoxText(box);
                                        Press(box, IDNO);
                                      }),
                                      {"Save Selection", [&](HWND d) {
                                         Type(d, "Abc");
                                         Press(d, IDOK);
                                       }},
                                      BoxStep("Save Selection", [&](HWND box) { Press(box, IDYES); })});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(list, (std::vector<std::string>{"abc", "xfrg"}));
  EXPECT_EQ(asked, "This name already exists. Do you want to replace the existing file?");
  EXPECT_EQ(DialogScript::done, 4) << "No kept the dialog open";
  EXPECT_EQ(dialog.GetFilePath(), (root_ / "Selections").string() + "\\Abc.frg") << "the letters as typed";
}

TEST_F(Gadget, OpenTakesOnlyListedNames) {
  std::filesystem::create_directories(root_ / "Macroses");
  Touch("Macroses/run.cmd");
  std::string said;
  CGadgetDlg dialog(IDS_OPEN_MACRO_TITLE, "Macroses", "cmd", true);
  const INT_PTR result = Run(dialog, {{"Open", [&](HWND d) {
                                         Type(d, "walk");
                                         Press(d, IDOK);
                                       }},
                                      BoxStep("Open", [&](HWND box) {
                                        said = MessageBoxText(box);
                                        Press(box, IDOK);
                                      }),
                                      {"Open", [&](HWND d) {
                                         Type(d, "RUN");
                                         Press(d, IDOK);
                                       }}});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(said, "No such name exists.");
  EXPECT_EQ(dialog.name, "RUN");
  EXPECT_EQ(dialog.GetFilePath(), (root_ / "Macroses").string() + "\\RUN.cmd");
}

TEST_F(Gadget, DeleteAsksThenRemovesTheFileAndTheEntry) {
  std::filesystem::create_directories(root_ / "Selections");
  Touch("Selections/keep.frg");
  Touch("Selections/gone.frg");
  std::string asked;
  std::vector<std::string> after;
  int shownBeforeDelete = 0;
  CGadgetDlg dialog(IDS_LOAD_SELECTION_TITLE, "Selections", "frg", true);
  const INT_PTR result = Run(dialog, {{"Load Selection", [&](HWND d) {
                                         Type(d, "missing");
                                         Press(d, IDC_GADGET_DELETE);  // not listed: nothing asked
                                       }},
                                      {"Load Selection", [&](HWND d) {
                                         shownBeforeDelete = DialogScript::done;
                                         Type(d, "GONE");
                                         Press(d, IDC_GADGET_DELETE);
                                       }},
                                      BoxStep("Load Selection", [&](HWND box) {
                                        asked = MessageBoxText(box);
                                        Press(box, IDYES);
                                      }),
                                      {"Load Selection", [&](HWND d) {
                                         after = Listed(d);
                                         Press(d, IDCANCEL);
                                       }}});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(shownBeforeDelete, 2);
  EXPECT_EQ(asked, "Delete this entry?");
  EXPECT_EQ(after, std::vector<std::string>{"keep"});
  EXPECT_FALSE(std::filesystem::exists(root_ / "Selections" / "gone.frg"));
  EXPECT_TRUE(std::filesystem::exists(root_ / "Selections" / "keep.frg"));
}

TEST_F(Gadget, NamesReachingOutsideTheFolderAreRefusedWithAMessage) {
  std::filesystem::create_directories(root_ / "Selections");
  Touch("outside.frg");
  struct Case {
    const char* name;
    const char* message;
  } cases[] = {
      {"..\\outside", "A name cannot hold \\, / or : or two dots in a row: the file stays in its folder."},
      {"C:\\Windows\\x", "A name cannot hold \\, / or : or two dots in a row: the file stays in its folder."},
      {"*", "A name cannot hold * or ?."},
      {"CON", "A name cannot be that of a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string said;
    CGadgetDlg dialog(IDS_SAVE_SELECTION_TITLE, "Selections", "frg", false);
    const INT_PTR result = Run(dialog, {{"Save Selection", [&](HWND d) {
                                           Type(d, c.name);
                                           Press(d, IDOK);
                                         }},
                                        BoxStep("Save Selection", [&](HWND box) {
                                          said = MessageBoxText(box);
                                          Press(box, IDOK);
                                        }),
                                        {"Save Selection", [&](HWND d) { Press(d, IDCANCEL); }}});
    EXPECT_EQ(result, IDCANCEL) << "the dialog stayed open";
    EXPECT_EQ(said, c.message);
  }
  EXPECT_TRUE(std::filesystem::exists(root_ / "outside.frg"));
}

}  // namespace
}  // namespace lumora
