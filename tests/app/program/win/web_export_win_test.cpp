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
#include "dialogs/win/PrepGIF.h"
#include "files/PrepGifState.h"
#include "files/win/PreviewWnd.h"
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

// A step that waits (stays first) until `ready` holds for the dialog.
DialogScript::Step WaitingStep(const std::string& caption, std::function<bool(HWND)> ready,
                               std::function<void(HWND)> action) {
  return {caption, [=](HWND d) {
            if (!ready(d)) {
              DialogScript::steps.push_front(WaitingStep(caption, ready, action));
              --DialogScript::done;
              return;
            }
            action(d);
          }};
}

void ChooseDepth(HWND dialog, int index) {
  HWND list = GetDlgItem(dialog, IDC_GIF_DEPTH);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_GIF_DEPTH, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// Sets a check box or radio button as a click would and tells the dialog.
void SetButton(HWND dialog, int id, bool on) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A click on one radio button of a group: it alone is checked, then the
// dialog hears of it.
void ClickRadio(HWND dialog, int first, int last, int id) {
  CheckRadioButton(dialog, first, last, id);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

CPreviewWnd* ResultPane(HWND dialog) {
  HWND frame = GetDlgItem(dialog, IDC_WEB_RESULT_FRAME);
  return dynamic_cast<CPreviewWnd*>(fw::Window::FromHandle(GetDlgItem(frame, 101)));
}

// A real mouse event at a client point of `window`.
void SendMouse(HWND window, POINT client, DWORD flags) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((screen.x * 65535 + w / 2) / w);
  input.mi.dy = static_cast<LONG>((screen.y * 65535 + h / 2) / h);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
  SendInput(1, &input, sizeof input);
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
                          shown = Text(d, IDC_WEB_COMPRESSED);
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
            shown = Text(d, IDC_WEB_COMPRESSED);
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
                        first = Text(d, IDC_MAP_TEXT);
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

}  // namespace
}  // namespace lumora
