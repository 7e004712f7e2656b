// The web export in the program's own start-up: File/Export commands
// chosen from the menus, their dialogs driven by the dialog script, the
// files they save read back by ImageMagick, and the document left as it
// was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "files/WebSizeText.h"
#include "framework/Profile.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::DialogScript;
using testing::NameBox;
using testing::Press;
using testing::RunHostShell;
using testing::SettingsFileOfThisProgram;
using testing::UnixPath;

std::string Text(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void Check(HWND dialog, int id, bool on) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  Press(dialog, id);
}

class WebExport : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::MakeUniqueTempFolder("lumora-web-export-");
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::EndProgramIfRunning(*app_);
    app_.reset();
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  // A shell line run in the folder; its output in `out` when given.
  bool Shell(const std::string& line, std::string* out = nullptr) const {
    const int status =
        RunHostShell(folder_.string(), "cd '" + UnixPath(folder_.string()) + "' && (" + line + ") >tool.log 2>&1");
    if (out != nullptr) {
      std::ifstream in(Path("tool.log"));
      std::stringstream text;
      text << in.rdbuf();
      *out = text.str();
    }
    return status == 0;
  }

  CLumo40Doc* OpenMade(const std::string& name) {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(Path(name)));
    if (doc != nullptr) testing::Settle(*app_, doc);
    return doc;
  }

  // Chooses a command as the user does: its popup opens (the update rules
  // run) and the item is clicked when enabled. False when no menu holds it
  // or it is greyed.
  bool Choose(UINT id) {
    HWND frame = app_->MainFrame()->Handle();
    std::function<int(HMENU)> find = [&](HMENU menu) -> int {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
          SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
          if (const int found = find(sub)) return found;
        } else if (GetMenuItemID(menu, i) == id) {
          return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0 ? -1 : 1;
        }
      }
      return 0;
    };
    if (find(GetMenu(frame)) != 1) return false;
    SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    testing::Settle(*app_);
    return true;
  }

  fs::path folder_;
  std::string ini_;
  std::unique_ptr<CLumo40App> app_;
};

TEST_F(WebExport, JpegAtEachQualityIsWhatImageMagickReadsAndTheSizeShownIsTheFiles) {
  ASSERT_TRUE(Shell("convert -size 160x120 plasma:fractal -seed 7 photo.png"));
  CLumo40Doc* doc = OpenMade("photo.png");
  ASSERT_NE(doc, nullptr);
  const int layersBefore = doc->Image().GetLayers()->GetLayerCount();

  struct Case {
    int quality;
    bool progressive;
    const char* interlace;
  };
  const Case cases[] = {{10, true, "JPEG"}, {75, true, "JPEG"}, {100, true, "JPEG"}, {75, false, "None"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quality);
    const std::string name = "q" + std::to_string(c.quality) + (c.progressive ? "p" : "") + ".jpg";
    std::string shownAfterSave, uncompressed;
    DialogScript::Run({{"Prepare JPEG",
                        [&](HWND d) {
                          Check(d, IDC_JPEG_PROGRESSIVE, c.progressive);
                          SetDlgItemInt(d, IDC_JPEG_QUALITY, static_cast<UINT>(c.quality), FALSE);
                          uncompressed = Text(d, IDC_WEB_UNCOMPRESSED);
                          Press(d, IDOK);
                        }},
                       {"Save As",
                        [&](HWND d) {
                          SetWindowTextA(NameBox(d), Path(name).c_str());
                          Press(d, IDOK);
                        }},
                       {"Prepare JPEG", [&](HWND d) {
                          shownAfterSave = Text(d, IDC_WEB_COMPRESSED);
                          // The slider followed the typed number.
                          EXPECT_EQ(SendDlgItemMessageA(d, IDC_JPEG_QUALITY_SLIDER, TBM_GETPOS, 0, 0), c.quality);
                          Press(d, IDCANCEL);
                        }}});
    ASSERT_TRUE(Choose(ID_FILE_EXPORT_JPEG));
    DialogScript::Stop();
    ASSERT_EQ(DialogScript::done, 3);
    EXPECT_EQ(uncompressed, FormatSizeText(160 * 3 * 120));
    ASSERT_TRUE(fs::exists(Path(name)));
    EXPECT_EQ(shownAfterSave, FormatSizeText(fs::file_size(Path(name))));
    std::string identified;
    ASSERT_TRUE(Shell("identify -format '%Q %[interlace] %wx%h' " + name, &identified)) << identified;
    EXPECT_EQ(identified, std::to_string(c.quality) + " " + c.interlace + " 160x120");
  }
  // The export touched nothing of the document.
  EXPECT_FALSE(doc->IsModified());
  EXPECT_FALSE(doc->Image().IsModified());
  EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), layersBefore);
  // The last settings are kept for the next opening.
  EXPECT_EQ(fw::IniFile(ini_).GetInt("INTERNET", "JPGQUALITY", -1), 75);
  EXPECT_EQ(fw::IniFile(ini_).GetInt("INTERNET", "PROGRESS", -1), 0);
}

TEST_F(WebExport, JpegSliderStepsCompressAgainAndCancelledSaveWritesNothing) {
  ASSERT_TRUE(Shell("convert -size 90x70 gradient:red-blue grad.bmp"));
  CLumo40Doc* doc = OpenMade("grad.bmp");
  ASSERT_NE(doc, nullptr);
  std::string first, afterPage, afterDrag;
  DialogScript::Run({{"Prepare JPEG",
                      [&](HWND d) {
                        SetDlgItemInt(d, IDC_JPEG_QUALITY, 50, FALSE);
                        first = Text(d, IDC_WEB_COMPRESSED);
                        HWND slider = GetDlgItem(d, IDC_JPEG_QUALITY_SLIDER);
                        // A page step: ten more, compressed again.
                        SendMessageA(slider, TBM_SETPOS, TRUE, 60);
                        SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(slider));
                        afterPage = Text(d, IDC_WEB_COMPRESSED);
                        EXPECT_EQ(Text(d, IDC_JPEG_QUALITY), "60");
                        // Dragging the thumb moves the number only.
                        SendMessageA(slider, TBM_SETPOS, TRUE, 95);
                        SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 95), reinterpret_cast<LPARAM>(slider));
                        afterDrag = Text(d, IDC_WEB_COMPRESSED);
                        EXPECT_EQ(Text(d, IDC_JPEG_QUALITY), "95");
                        Press(d, IDOK);
                      }},
                     {"Save As", [&](HWND d) { Press(d, IDCANCEL); }},
                     {"Prepare JPEG", [&](HWND d) { Press(d, IDCANCEL); }}});
  ASSERT_TRUE(Choose(ID_FILE_EXPORT_JPEG));
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 3);
  EXPECT_NE(first, afterPage);
  EXPECT_EQ(afterPage, afterDrag);
  std::vector<std::string> jpegs;
  for (const auto& e : fs::directory_iterator(folder_)) {
    if (e.path().extension() == ".jpg") jpegs.push_back(e.path().string());
  }
  EXPECT_TRUE(jpegs.empty());
}

}  // namespace
}  // namespace lumora
