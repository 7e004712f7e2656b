// The web export in the program's own start-up: File/Export commands
// chosen from the menus, their dialogs driven by the dialog script, the
// files they save read back by ImageMagick, and the document left as it
// was.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "dialogs/win/PrepGIF.h"
#include "files/PrepGifState.h"
#include "files/win/BrowsePalette.h"
#include "files/win/MyFileDialogs.h"
#include "files/win/PreviewWnd.h"
#include "framework/CommandIds.h"
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
#include "tests/support/win/user_input.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::ClickRadio;
using testing::DialogScript;
using testing::ItemText;
using testing::NameBox;
using testing::Press;
using testing::RunHostShell;
using testing::SendMouse;
using testing::SetButton;
using testing::SettingsFileOfThisProgram;
using testing::UnixPath;
using testing::WaitingStep;

void Check(HWND dialog, int id, bool on) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  Press(dialog, id);
}

void ChooseDepth(HWND dialog, int index) {
  HWND list = GetDlgItem(dialog, IDC_GIF_DEPTH);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_GIF_DEPTH, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

CPreviewWnd* ResultPane(HWND dialog) {
  HWND frame = GetDlgItem(dialog, IDC_WEB_RESULT_FRAME);
  return dynamic_cast<CPreviewWnd*>(fw::Window::FromHandle(GetDlgItem(frame, 101)));
}

// Red, green, blue of every pixel, top row first, through the palette.
std::string TopDownRGB(const VrWA2000::WA& image) {
  std::string rgb;
  for (int y = image.GetH() - 1; y >= 0; --y) {
    const std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x) {
      int index = 0;
      switch (image.GetType()) {
        case kWAType24:
          rgb += {static_cast<char>(row[3 * x + 2]), static_cast<char>(row[3 * x + 1]), static_cast<char>(row[3 * x])};
          continue;
        case kWAType8Palette:
          index = row[x];
          break;
        case kWAType4Bit:
          index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
          break;
        case kWAType1Bit:
          index = (row[x >> 3] >> (7 - (x & 7))) & 1;
          break;
        default:
          break;
      }
      const PALETTEENTRY& e = image.Palette()[index];
      rgb += {static_cast<char>(e.peRed), static_cast<char>(e.peGreen), static_cast<char>(e.peBlue)};
    }
  }
  return rgb;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class WebExport : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::MakeUniqueTempFolder("lumora-web-export-");
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(testing::StartProgram(*app_).started);
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::EndProgramIfRunning(*app_);
    app_.reset();
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
    if (!testing::ChooseFromMenus(app_->MainFrame()->Handle(), id)) return false;
    testing::Settle(*app_);
    return true;
  }

  fs::path folder_;
  testing::FreshSettings settings_;
  const std::string& ini_ = settings_.path();
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
                          uncompressed = ItemText(d, IDC_WEB_UNCOMPRESSED);
                          Press(d, IDOK);
                        }},
                       {"Save As",
                        [&](HWND d) {
                          SetWindowTextA(NameBox(d), Path(name).c_str());
                          Press(d, IDOK);
                        }},
                       {"Prepare JPEG", [&](HWND d) {
                          shownAfterSave = ItemText(d, IDC_WEB_COMPRESSED);
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
                        first = ItemText(d, IDC_WEB_COMPRESSED);
                        HWND slider = GetDlgItem(d, IDC_JPEG_QUALITY_SLIDER);
                        // A page step: ten more, compressed again.
                        SendMessageA(slider, TBM_SETPOS, TRUE, 60);
                        SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(slider));
                        afterPage = ItemText(d, IDC_WEB_COMPRESSED);
                        EXPECT_EQ(ItemText(d, IDC_JPEG_QUALITY), "60");
                        // Dragging the thumb moves the number only.
                        SendMessageA(slider, TBM_SETPOS, TRUE, 95);
                        SendMessageA(d, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 95), reinterpret_cast<LPARAM>(slider));
                        afterDrag = ItemText(d, IDC_WEB_COMPRESSED);
                        EXPECT_EQ(ItemText(d, IDC_JPEG_QUALITY), "95");
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

// What the reduction gives for the dialog's settings, on the same picture.
WAPtr ExpectedResult(VrWA2000::WA* flat, bool png, int bits, int palette, int dither) {
  CPrepGIFState state;
  state.SetSource(flat);
  state.SetResult(WAPtr::Adopt(CloneWA(flat)).get());
  state.depthBits = bits;
  state.paletteChoice = palette;
  state.dither = dither;
  state.writesPNG = png;
  state.Update();
  return WAPtr::Share(state.Result());
}

TEST_F(WebExport, GifAndPngAtEachDepthPaletteAndDitherAreWhatTheReductionGives) {
  ASSERT_TRUE(Shell("convert -size 120x90 -seed 3 plasma:fractal photo.png"));
  CLumo40Doc* doc = OpenMade("photo.png");
  ASSERT_NE(doc, nullptr);
  const WAPtr flat = doc->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(flat);
  struct Case {
    bool png;
    int depthIndex, bits, palette, dither, interlace, entries;
  };
  const Case cases[] = {{false, 0, 8, 0, 1, 0, 256}, {false, 0, 8, 1, 0, 0, 256}, {false, 1, 4, 1, 1, 0, 16},
                        {false, 1, 4, 0, 0, 0, 16},  {false, 2, 1, 0, 1, 0, 2},   {false, 2, 1, 0, 0, 0, 2},
                        {true, 0, 24, 0, 0, 0, 0},   {true, 0, 24, 0, 0, 1, 0},   {true, 1, 8, 1, 1, 1, 256},
                        {true, 2, 4, 0, 1, 0, 16},   {true, 3, 1, 0, 0, 0, 2}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "out" + std::to_string(n++) + (c.png ? ".png" : ".gif");
    SCOPED_TRACE(name);
    const std::string caption = c.png ? "Prepare PNG" : "Prepare GIF";
    std::string shown;
    bool paletteEnabled = true, ditherEnabled = true, selectionEnabled = true;
    DialogScript::Run({{caption,
                        [&](HWND d) {
                          ChooseDepth(d, c.depthIndex);
                          SetButton(d, IDC_GIF_USE_TRANSPARENT, false);
                          ClickRadio(d, IDC_GIF_STANDARD, IDC_GIF_OPTIMIZED,
                                     c.palette == 0 ? IDC_GIF_STANDARD : IDC_GIF_OPTIMIZED);
                          SetButton(d, IDC_GIF_DITHER, c.dither != 0);
                          if (c.png) SetButton(d, IDC_GIF_INTERLACE, c.interlace != 0);
                          paletteEnabled = IsWindowEnabled(GetDlgItem(d, IDC_GIF_STANDARD)) != 0;
                          ditherEnabled = IsWindowEnabled(GetDlgItem(d, IDC_GIF_DITHER)) != 0;
                          selectionEnabled = IsWindowEnabled(GetDlgItem(d, IDC_GIF_SELECTION_TRANSPARENT)) != 0;
                          Press(d, IDOK);
                        }},
                       {"Save As",
                        [&](HWND d) {
                          SetWindowTextA(NameBox(d), Path(name).c_str());
                          Press(d, IDOK);
                        }},
                       {caption, [&](HWND d) {
                          shown = ItemText(d, IDC_WEB_COMPRESSED);
                          Press(d, IDCANCEL);
                        }}});
    ASSERT_TRUE(Choose(c.png ? ID_FILE_EXPORT_PNG : ID_FILE_EXPORT_GIF));
    DialogScript::Stop();
    ASSERT_EQ(DialogScript::done, 3);
    ASSERT_TRUE(fs::exists(Path(name)));
    EXPECT_EQ(shown, FormatSizeText(fs::file_size(Path(name))));
    EXPECT_FALSE(selectionEnabled) << "no selection";
    EXPECT_EQ(paletteEnabled, c.bits == 8 || c.bits == 4);
    EXPECT_EQ(ditherEnabled, c.bits != 24);

    const WAPtr expected = ExpectedResult(flat.get(), c.png, c.bits, c.palette, c.dither);
    ASSERT_TRUE(expected);
    ASSERT_TRUE(Shell("convert " + name + " -depth 8 rgb:" + name + ".rgb"));
    EXPECT_TRUE(FileText(Path(name + ".rgb")) == TopDownRGB(*expected)) << "pixels differ from the reduction's";
    std::string info;
    if (c.png) {
      // Colour type 2 (RGB) at 24 bits, else 3 (palette) with its entries.
      const std::string what = c.entries != 0 ? "%[png:PLTE.number_colors]" : "%[png:IHDR.bit-depth-orig]";
      ASSERT_TRUE(Shell("identify -format '%[png:IHDR.color-type-orig] " + what + " %[interlace]' " + name, &info))
          << info;
      EXPECT_EQ(info, (c.entries != 0 ? "3 " + std::to_string(c.entries) : std::string("2 8")) + " " +
                          (c.interlace != 0 ? "PNG" : "None"));
    } else {
      ASSERT_TRUE(Shell("identify -verbose " + name + " | grep 'Colormap entries'", &info)) << info;
      EXPECT_NE(info.find("Colormap entries: " + std::to_string(c.entries)), std::string::npos) << info;
    }
  }
  EXPECT_FALSE(doc->IsModified()) << "an export changes nothing of the document";
  EXPECT_FALSE(doc->Image().IsModified());
}

TEST_F(WebExport, TransparentColourPickedInTheResultPaneIsTheFilesTransparentColour) {
  ASSERT_TRUE(Shell("convert -size 120x90 -seed 5 plasma:fractal photo.png"));
  CLumo40Doc* doc = OpenMade("photo.png");
  ASSERT_NE(doc, nullptr);
  const WAPtr flat = doc->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  for (const bool png : {false, true}) {
    SCOPED_TRACE(png ? "png 24" : "gif 8");
    const std::string caption = png ? "Prepare PNG" : "Prepare GIF";
    const std::string name = png ? "picked.png" : "picked.gif";
    const POINT at{7, 5};  // image pixel, from the top-left
    int index = -2;
    COLORREF colour = 0;
    std::string shown;
    auto dialog = [](HWND d) { return dynamic_cast<CPrepGIF*>(fw::Window::FromHandle(d)); };
    DialogScript::Run(
        {{caption,
          [&](HWND d) {
            ChooseDepth(d, 0);
            ClickRadio(d, IDC_GIF_STANDARD, IDC_GIF_OPTIMIZED, IDC_GIF_OPTIMIZED);
            SetButton(d, IDC_GIF_USE_TRANSPARENT, true);
            Press(d, IDC_GIF_PICK);
          }},
         WaitingStep(caption, [](HWND d) { return GetCapture() == d; },
                     [&](HWND d) {
                       CPreviewWnd* pane = ResultPane(d);
                       ASSERT_NE(pane, nullptr);
                       const RECT& dest = pane->Layout().Destination();
                       // The whole picture fits: shown 1:1 from the destination's corner.
                       ASSERT_EQ(dest.right - dest.left, 120);
                       const POINT client{dest.left + at.x, dest.top + at.y};
                       SendMouse(pane->Handle(), client, MOUSEEVENTF_LEFTDOWN);
                       SendMouse(pane->Handle(), client, MOUSEEVENTF_LEFTUP);
                     }),
         WaitingStep(caption, [](HWND d) { return GetCapture() != d; },
                     [&](HWND d) {
                       index = dialog(d)->transparentIndex;
                       colour = dialog(d)->transparencyColour;
                       Press(d, IDOK);
                     }),
         {"Save As",
          [&](HWND d) {
            SetWindowTextA(NameBox(d), Path(name).c_str());
            Press(d, IDOK);
          }},
         {caption, [&](HWND d) {
            shown = ItemText(d, IDC_WEB_COMPRESSED);
            Press(d, IDCANCEL);
          }}});
    ASSERT_TRUE(Choose(png ? ID_FILE_EXPORT_PNG : ID_FILE_EXPORT_GIF));
    DialogScript::Stop();
    ASSERT_EQ(DialogScript::done, 5);
    ASSERT_TRUE(fs::exists(Path(name)));
    EXPECT_EQ(shown, FormatSizeText(fs::file_size(Path(name))));

    const WAPtr expected = ExpectedResult(flat.get(), png, png ? 24 : 8, 1, 1);
    const int row = expected->GetH() - 1 - at.y;
    const std::string rgb = TopDownRGB(*expected);
    const std::size_t o = 3 * (static_cast<std::size_t>(at.y) * expected->GetW() + at.x);
    const COLORREF want = RGB(static_cast<BYTE>(rgb[o]), static_cast<BYTE>(rgb[o + 1]), static_cast<BYTE>(rgb[o + 2]));
    EXPECT_EQ(colour, want);
    if (!png) EXPECT_EQ(index, expected->Row(row)[at.x]);
    // ImageMagick: transparent exactly where the picked colour is.
    ASSERT_TRUE(Shell("convert " + name + " -depth 8 rgba:" + name + ".rgba"));
    const std::string rgba = FileText(Path(name + ".rgba"));
    ASSERT_EQ(rgba.size(), rgb.size() / 3 * 4);
    int transparent = 0, wrong = 0;
    for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
      const bool same = rgb.compare(3 * i, 3, rgb, o, 3) == 0;
      const bool clear = rgba[4 * i + 3] == 0;
      transparent += clear ? 1 : 0;
      wrong += same != clear ? 1 : 0;
    }
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(wrong, 0);
  }
}

std::string ClipboardText(HWND owner) {
  std::string text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST_F(WebExport, MapNeedsASelectionAndGivesThePolygonToCopyAndSave) {
  ASSERT_TRUE(Shell("convert -size 100x80 xc:white white.bmp"));
  CLumo40Doc* doc = OpenMade("white.bmp");
  ASSERT_NE(doc, nullptr);
  EXPECT_FALSE(Choose(ID_FILE_EXPORT_MAP)) << "disabled without a selection";

  // A triangle, vertices given from the top-left as a page reads them.
  const POINT fromTop[3] = {{10, 5}, {60, 40}, {20, 70}};
  POINT points[3];
  for (int i = 0; i < 3; ++i) points[i] = POINT{fromTop[i].x, 80 - fromTop[i].y};
  Fragment* triangle = CreatePolygonFrg(points, 3, 0, 0);
  ASSERT_NE(triangle, nullptr);
  doc->Image().SetSelection(triangle, false);
  DeleteFragment(triangle);

  // The rectangle offered first: the triangle's bounds from the top.
  const std::string rect = "<MAP NAME=\"MAP1\">\r\n<AREA SHAPE=\"RECT\" COORDS=\"10,";
  const std::string poly =
      "<MAP NAME=\"home\">\r\n<AREA SHAPE=\"POLY\" COORDS=\"10,5,60,40,20,70\" HREF=\"ref.htm\">\r\n</MAP>";
  std::string first, copied, polygonEnabled;
  DialogScript::Run({{"HTML Map",
                      [&](HWND d) {
                        first = ItemText(d, IDC_MAP_TEXT);
                        polygonEnabled = IsWindowEnabled(GetDlgItem(d, IDC_MAP_AS_POLYGON)) ? "on" : "off";
                        ClickRadio(d, IDC_MAP_AS_RECT, IDC_MAP_AS_POLYGON, IDC_MAP_AS_POLYGON);
                        SetDlgItemTextA(d, IDC_MAP_NAME, "home");
                        SendDlgItemMessageA(d, IDC_MAP_TEXT, EM_SETSEL, 0, 0);
                        Press(d, IDC_MAP_COPY);
                        Press(d, IDC_MAP_SAVE_AS);
                      }},
                     {"Save As",
                      [&](HWND d) {
                        SetWindowTextA(NameBox(d), Path("map.htm").c_str());
                        Press(d, IDOK);
                      }},
                     {"HTML Map", [&](HWND d) {
                        copied = ClipboardText(d);
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_FILE_EXPORT_MAP));
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 3);
  EXPECT_EQ(polygonEnabled, "on");
  EXPECT_EQ(first.substr(0, rect.size()), rect) << first;
  EXPECT_NE(first.find("\" HREF=\"ref.htm\">\r\n</MAP>"), std::string::npos) << first;
  EXPECT_EQ(copied, poly) << "nothing selected: the whole text";
  EXPECT_EQ(FileText(Path("map.htm")), poly);
  // The names are offered again next time.
  EXPECT_EQ(app_->Settings().GetString("HTML_MAP", "MapName", ""), "home");
  EXPECT_FALSE(doc->IsModified());
}

// A button of the open dialog's own part (inside its template child).
HWND TemplateButton(HWND dialog, int id) {
  struct Search {
    int id;
    HWND root, found;
  } search{id, dialog, nullptr};
  EnumChildWindows(
      dialog,
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (GetDlgCtrlID(w) == s->id && GetParent(w) != s->root) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(WebExport, OpenDialogBrowsesThumbnailsNamesAndOpensAndKeepsThemForNextTime) {
  const fs::path pics = folder_ / "pics";
  fs::create_directories(pics);
  ASSERT_TRUE(Shell("cd pics && convert -size 64x48 gradient:red-blue a.png && convert -size 50x50 xc:green b.jpg && "
                    "convert -size 30x60 plasma: c.bmp && convert -size 40x40 xc:yellow d.gif && "
                    "convert -size 60x40 plasma: -type TrueColor -depth 8 e.psd && printf 'not an image at all' > f.png"));
  DeleteFileA(CBrowsePalette::DatabasePath().c_str());
  app_->Settings().WriteString("FILES", "DEFAULTOPENDIR", pics.string());
  auto browser = [] { return CMyOpenFileDlg::Running() != nullptr ? CMyOpenFileDlg::Running()->Browser() : nullptr; };
  std::vector<std::string> listed;
  int decoded = -1;
  std::uint32_t damagedWidth = 99, psdWidth = 0;
  COLORREF crossPixel = 0;
  bool infoBefore = true, infoAfter = false;
  std::string selected;
  DialogScript::Run(
      {WaitingStep("Open", [](HWND) { return CMyOpenFileDlg::Running() != nullptr; },
                   [&](HWND d) {
                     infoBefore = IsWindowEnabled(TemplateButton(d, IDC_OPEN_INFO)) != 0;
                     Press(GetParent(TemplateButton(d, IDC_OPEN_BROWSE)), IDC_OPEN_BROWSE);
                   }),
       WaitingStep("Open", [&](HWND) { return browser() != nullptr && browser()->Paths().size() == 6; },
                   [&](HWND) {
                     CBrowsePalette* b = browser();
                     listed = b->Paths();
                     decoded = b->DecodedCount();
                     damagedWidth = b->Database().items.at(listed[5]).width;
                     psdWidth = b->Database().items.at(listed[4]).width;
                     // All six in one row, at the screen's corner.
                     SetWindowPos(b->Handle(), HWND_TOP, 0, 0, 6 * 140 + 40, 300, SWP_SHOWWINDOW);
                     UpdateWindow(b->Handle());
                     const RECT cell = b->CellRect(5);
                     // Where the red cross's diagonals meet.
                     const POINT p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
                     HDC dc = GetDC(b->Handle());
                     crossPixel = GetPixel(dc, p.x, p.y);
                     ReleaseDC(b->Handle(), dc);
                     const RECT psd = b->CellRect(4);
                     const POINT at{(psd.left + psd.right) / 2, psd.top + 40};
                     SendMouse(b->Handle(), at, MOUSEEVENTF_LEFTDOWN);
                     SendMouse(b->Handle(), at, MOUSEEVENTF_LEFTUP);
                   }),
       WaitingStep("Open", [](HWND d) { return testing::NameBoxText(d) == "e.psd"; },
                   [&](HWND d) {
                     infoAfter = IsWindowEnabled(TemplateButton(d, IDC_OPEN_INFO)) != 0;
                     selected = CMyOpenFileDlg::Running()->SelectedPath();
                     CBrowsePalette* b = browser();
                     const RECT png = b->CellRect(0);
                     const POINT at{(png.left + png.right) / 2, png.top + 40};
                     for (DWORD click : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
                       SendMouse(b->Handle(), at, click);
                     }
                   })});
  SendMessageA(app_->MainFrame()->Handle(), WM_COMMAND, MAKEWPARAM(fw::kIdFileOpen, 0), 0);
  testing::Settle(*app_);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 3);
  ASSERT_EQ(listed.size(), 6u);
  EXPECT_EQ(fs::path(listed[0]).filename().string(), "a.png");
  EXPECT_EQ(decoded, 6);
  EXPECT_EQ(damagedWidth, 0u) << "the damaged file is kept as a red cross";
  EXPECT_GT(psdWidth, 0u);
  EXPECT_EQ(crossPixel, RGB(255, 0, 0));
  EXPECT_FALSE(infoBefore);
  EXPECT_TRUE(infoAfter) << "a PSD enables Info";
  EXPECT_EQ(fs::path(selected).filename().string(), "e.psd");
  // The double click opened the first picture.
  ASSERT_FALSE(app_->Docs().AllDocuments().empty());
  EXPECT_EQ(app_->Docs().AllDocuments().back()->GetTitle(), "a.png");

  // Next time the thumbnails come from the database: nothing decoded.
  int decodedAgain = -1;
  DialogScript::Run({WaitingStep("Open", [](HWND) { return CMyOpenFileDlg::Running() != nullptr; },
                                 [&](HWND d) { Press(GetParent(TemplateButton(d, IDC_OPEN_BROWSE)), IDC_OPEN_BROWSE); }),
                     WaitingStep("Open", [&](HWND) { return browser() != nullptr && browser()->Paths().size() == 6; },
                                 [&](HWND d) {
                                   decodedAgain = browser()->DecodedCount();
                                   Press(d, IDCANCEL);
                                 })});
  SendMessageA(app_->MainFrame()->Handle(), WM_COMMAND, MAKEWPARAM(fw::kIdFileOpen, 0), 0);
  testing::Settle(*app_);
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 2);
  EXPECT_EQ(decodedAgain, 0);
  DeleteFileA(CBrowsePalette::DatabasePath().c_str());
}

TEST_F(WebExport, GenerateMapWritesAPageWithAnAreaOnEachLinkedLayerAndNeverReplacesThePicture) {
  ASSERT_TRUE(Shell("convert -size 120x90 xc:white base.png"));
  CLumo40Doc* doc = OpenMade("base.png");
  ASSERT_NE(doc, nullptr);
  CLayersManager& stack = *doc->Image().GetLayers();
  // Three layers with links, placed apart (image coordinates: rows from
  // the bottom).
  struct Linked {
    POINT at;
    int w, h;
    const char* link;
  } linked[] = {{{5, 10}, 30, 20, "one.htm"}, {{50, 40}, 40, 30, "two.htm"}, {{20, 60}, 25, 25, "three.htm"}};
  for (const Linked& l : linked) {
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, l.w, l.h, nullptr));
    ASSERT_EQ(stack.AddLayerFromImage(image.get(), l.at, 1), 0);
    stack.GetLayer(stack.GetLayerCount() - 1)->SetLinkText(l.link);
  }
  for (const std::string name : {"page.jpg", "x.htm"}) {
    SCOPED_TRACE(name);
    DialogScript::Run({{"Prepare JPEG",
                        [&](HWND d) {
                          Check(d, IDC_WEB_GENERATE_MAP, true);
                          Press(d, IDOK);
                        }},
                       {"Save As",
                        [&](HWND d) {
                          SetWindowTextA(NameBox(d), Path(name).c_str());
                          Press(d, IDOK);
                        }},
                       {"Prepare JPEG", [&](HWND d) { Press(d, IDCANCEL); }}});
    ASSERT_TRUE(Choose(ID_FILE_EXPORT_JPEG));
    DialogScript::Stop();
    ASSERT_EQ(DialogScript::done, 3);
  }
  // The page of page.jpg, read by Python's HTML parser: one area per
  // linked layer, each centred on its layer.
  std::string areas;
  ASSERT_TRUE(Shell("python3 '" LUMORA_SOURCE_DIR "/tests/files/check_map_page.py' page.htm 120 90", &areas)) << areas;
  std::istringstream lines(areas);
  int found = 0;
  for (int x1, y1, x2, y2; lines >> x1 >> y1 >> x2 >> y2;) {
    std::string href;
    lines >> href;
    const int cx = (x1 + x2) / 2, cy = 90 - 1 - (y1 + y2) / 2;  // back to rows from the bottom
    bool onItsLayer = false;
    for (const Linked& l : linked) {
      if (href == l.link) {
        onItsLayer = cx >= l.at.x && cx < l.at.x + l.w && cy >= l.at.y && cy < l.at.y + l.h;
      }
    }
    EXPECT_TRUE(onItsLayer) << href << " " << x1 << "," << y1 << "," << x2 << "," << y2;
    ++found;
  }
  EXPECT_EQ(found, 3);
  // Where a headless browser is installed, what it finds at each layer's
  // centre on the page's picture is that layer's area.
  std::string points;
  for (const Linked& l : linked) {
    points += " " + std::to_string(l.at.x + l.w / 2) + " " + std::to_string(90 - 1 - (l.at.y + l.h / 2));
  }
  std::string hits;
  const bool answered =
      Shell("python3 '" LUMORA_SOURCE_DIR "/tests/files/map_hits.py' page.htm" + points + "; echo status=$?", &hits);
  if (answered && hits.find("status=77") != std::string::npos) {
    std::printf("[  NOTE    ] no headless browser installed: the map's hit test is left out\n");
  } else {
    ASSERT_NE(hits.find("status=0"), std::string::npos) << hits;
    std::istringstream answers(hits);
    for (const Linked& l : linked) {
      std::string line;
      std::getline(answers, line);
      EXPECT_EQ(line, std::string("AREA ") + l.link);
    }
  }
  // A picture saved as x.htm stays a JPEG; its page goes beside it.
  const std::string bytes = FileText(Path("x.htm"));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
  EXPECT_TRUE(fs::exists(Path("x-map.htm")));
}

// Point `step` of a drag from the pane's centre, 10 left and 7 up a step.
POINT DragPoint(CPreviewWnd* pane, int step) {
  RECT client{};
  GetClientRect(pane->Handle(), &client);
  return POINT{client.right / 2 - 10 * step, client.bottom / 2 - 7 * step};
}

TEST_F(WebExport, PreviewPanesZoomAndPanTogether) {
  ASSERT_TRUE(Shell("convert -size 600x500 -seed 4 plasma:fractal big.png"));
  CLumo40Doc* doc = OpenMade("big.png");
  ASSERT_NE(doc, nullptr);
  double scales[2] = {};
  RECT before[2] = {}, after[2] = {};
  auto panes = [](HWND d) {
    HWND frame = GetDlgItem(d, IDC_WEB_SOURCE_FRAME);
    return std::pair{dynamic_cast<CPreviewWnd*>(fw::Window::FromHandle(GetDlgItem(frame, 100))), ResultPane(d)};
  };
  DialogScript::Run(
      {{"Prepare JPEG",
        [&](HWND d) {
          Press(d, IDC_WEB_ZOOM_IN);
        }},
       {"Prepare JPEG",
        [&](HWND d) {
          auto [source, result] = panes(d);
          scales[0] = source->Layout().Scale();
          scales[1] = result->Layout().Scale();
          before[0] = source->Layout().Visible();
          before[1] = result->Layout().Visible();
          // A drag in the source pane with the real mouse, one move a step
          // (the system merges moves that queue up): 30 pixels left and 21
          // up moves the image with the pointer in both panes.
          SendMouse(source->Handle(), DragPoint(source, 0), MOUSEEVENTF_LEFTDOWN);
          SendMouse(source->Handle(), DragPoint(source, 1), 0);
        }},
       {"Prepare JPEG", [&](HWND d) { SendMouse(panes(d).first->Handle(), DragPoint(panes(d).first, 2), 0); }},
       {"Prepare JPEG",
        [&](HWND d) {
          SendMouse(panes(d).first->Handle(), DragPoint(panes(d).first, 3), 0);
          SendMouse(panes(d).first->Handle(), DragPoint(panes(d).first, 3), MOUSEEVENTF_LEFTUP);
        }},
       // The drag's input arrives in its own time: wait for the panes to
       // move (at most about two seconds).
       WaitingStep("Prepare JPEG",
                   [&, waited = 0](HWND d) mutable {
                     auto [source, result] = panes(d);
                     const RECT now = result->Layout().Visible();
                     const bool moved = now.left != before[1].left && GetCapture() == nullptr;
                     return moved || ++waited > 100;
                   },
                   [&](HWND d) {
                     auto [source, result] = panes(d);
                     after[0] = source->Layout().Visible();
                     after[1] = result->Layout().Visible();
                     Press(d, IDCANCEL);
                   })});
  ASSERT_TRUE(Choose(ID_FILE_EXPORT_JPEG));
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 5);
  EXPECT_DOUBLE_EQ(scales[0], 0.5);
  EXPECT_DOUBLE_EQ(scales[1], 0.5) << "the result pane follows the source pane's zoom";
  EXPECT_GT(after[0].left, before[0].left);
  EXPECT_GT(after[0].top, before[0].top);
  EXPECT_EQ(after[0].left - before[0].left, after[1].left - before[1].left);
  EXPECT_EQ(after[0].top - before[0].top, after[1].top - before[1].top);
}

TEST_F(WebExport, WebLinkSetsTheActiveLayersLinkAsAnUndoStep) {
  ASSERT_TRUE(Shell("convert -size 40x30 xc:white base.png"));
  CLumo40Doc* doc = OpenMade("base.png");
  ASSERT_NE(doc, nullptr);
  CLayersManager& stack = *doc->Image().GetLayers();
  const int steps = doc->Image().History().UndoCount();
  std::string shown = "<none>";
  DialogScript::Run({{"WEB Link", [&](HWND d) {
                        shown = ItemText(d, IDC_PROMPTER_TEXT);
                        SetDlgItemTextA(d, IDC_PROMPTER_TEXT, "http://example.org/a.htm");
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_LAYER_WEB_LINK));
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 1);
  EXPECT_EQ(shown, "");
  EXPECT_EQ(stack.GetActiveLayer()->GetLayerInfo().linkText, "http://example.org/a.htm");
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
  // Cancel changes nothing.
  DialogScript::Run({{"WEB Link", [&](HWND d) {
                        shown = ItemText(d, IDC_PROMPTER_TEXT);
                        SetDlgItemTextA(d, IDC_PROMPTER_TEXT, "other");
                        Press(d, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_LAYER_WEB_LINK));
  DialogScript::Stop();
  EXPECT_EQ(shown, "http://example.org/a.htm");
  EXPECT_EQ(doc->Image().GetLayers()->GetActiveLayer()->GetLayerInfo().linkText, "http://example.org/a.htm");
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
}

// Not a test: the driver of bench/export-preview, run with LUMORA_TRACE
// set. On a 2-megapixel picture it changes the JPEG quality five times and
// the GIF depth (optimised, dithered) five times, each followed by the
// result pane's paint; the script reads the marks.
TEST_F(WebExport, DISABLED_ExportPreviewBenchDriver) {
  ASSERT_TRUE(Shell("convert -size 1600x1250 -seed 9 plasma:fractal photo.png"));
  CLumo40Doc* doc = OpenMade("photo.png");
  ASSERT_NE(doc, nullptr);
  auto paint = [](HWND d) {
    if (CPreviewWnd* pane = ResultPane(d)) UpdateWindow(pane->Handle());
  };
  DialogScript::Run({{"Prepare JPEG", [&](HWND d) {
                        for (int q : {20, 40, 60, 80, 95}) {
                          SetDlgItemInt(d, IDC_JPEG_QUALITY, static_cast<UINT>(q), FALSE);
                          paint(d);
                        }
                        Press(d, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_FILE_EXPORT_JPEG));
  DialogScript::Stop();
  DialogScript::Run({{"Prepare GIF", [&](HWND d) {
                        ClickRadio(d, IDC_GIF_STANDARD, IDC_GIF_OPTIMIZED, IDC_GIF_OPTIMIZED);
                        SetButton(d, IDC_GIF_DITHER, true);
                        paint(d);
                        for (int index : {1, 2, 0, 1, 0}) {
                          ChooseDepth(d, index);
                          paint(d);
                        }
                        Press(d, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_FILE_EXPORT_GIF));
  DialogScript::Stop();
}

}  // namespace
}  // namespace lumora
