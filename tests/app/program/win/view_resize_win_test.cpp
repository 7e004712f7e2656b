// The image view after every command that gives the image another size, in
// the program's own start-up: the X display's pixels of the view equal the
// image, saved and scaled by ImageMagick by nearest neighbour at the zoom
// the frame's caption names, every pixel; the frame fits the new size as it
// does when an image opens, and the rulers and the status bar follow. A
// new image pasted from the clipboard shows at its first paint.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "libs/toolhost/CropTool.h"
#include "platform/rect.h"
#include "platform/text.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/screen_shot.h"
#include "view/Rulers.h"
#include "view/win/ChildFrame.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::Capture;
using testing::DialogScript;
using testing::Press;
using testing::ReadPpm;
using testing::ScreenClientRect;

// What the frame's caption says: "(WxH) Z%".
struct Caption {
  int width = 0, height = 0, percent = 0;
};
Caption ReadCaption(HWND frame) {
  wchar_t wide[512] = {};
  GetWindowTextW(frame, wide, 512);
  const std::string text = Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(wide)));
  Caption c;
  const std::size_t open = text.find(" (");
  if (open == std::string::npos ||
      std::sscanf(text.c_str() + open, " (%dx%d) %d%%", &c.width, &c.height, &c.percent) != 3) {
    ADD_FAILURE() << "caption " << text;
  }
  return c;
}

std::string StatusBarText(HWND mainFrame) {
  HWND bar = FindWindowExA(mainFrame, nullptr, STATUSCLASSNAMEA, nullptr);
  const int panes = bar != nullptr ? static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0)) : 0;
  std::string all;
  for (int i = 0; i < panes; ++i) {
    char text[256] = {};
    if (LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(i), 0)) < sizeof text) {
      SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    }
    all += std::string(text) + "|";
  }
  return all;
}

class ViewAfterResize : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::MakeUniqueTempFolder("lumora-resize-").string();
    picture_ = folder_ + "\\picture.png";
    // 160 x 120, no two neighbours alike: a squeezed or stretched view
    // shows other pixels.
    ASSERT_EQ(testing::RunHostShell(folder_, "convert -size 160x120 xc: -channel R -fx i/w -channel G -fx j/h "
                                             "-channel B -fx '(i*7+j*3)%5/4' +channel -type TrueColor PNG24:'" + testing::UnixPath(picture_) + "'"),
              0);
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    // The rulers in pixels, shown from the start.
    fw::IniFile(ini_).WriteInt("Rulers", "show", 1);
    fw::IniFile(ini_).WriteString("Rulers", "units", "pixels");
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
    HideToolWindows();
    doc_ = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(picture_));
    ASSERT_NE(doc_, nullptr);
    Settle();
    // A plain start shows the splash above the frame until the first key
    // or click; it goes before the views are read from the screen.
    if (HWND splash = FindWindowA("LumoraSplash", nullptr)) DestroyWindow(splash);
    Settle();
    view_ = dynamic_cast<CLumo40View*>(doc_->Views().front());
    ASSERT_NE(view_, nullptr);
    // Magnified, so that every pixel of the image is four of the screen.
    ASSERT_TRUE(Choose(ID_VIEW_WINDOW_SIZE_FIRST + 7));  // 2:1
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::EndProgramIfRunning(*app_);
    app_.reset();
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    if (!keep_) fs::remove_all(folder_, ignored);
  }

  void Settle() {
    for (int round = 0; round < 4; ++round) {
      testing::Settle(*app_);
      if (doc_ != nullptr) Calm(doc_);
      Sleep(5);
    }
  }

  // Every piece of the document composited and painted and nothing left
  // to handle but timers: the selections' animation ticks all along.
  void Calm(CLumo40Doc* doc) {
    ASSERT_TRUE(testing::RunUntil(*app_, [&] {
      CMapRect& q = doc->Image().Queue();
      MSG msg;
      return q.IsIdle() && q.RenderList().empty() && !PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_NOREMOVE) &&
             !PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFF, PM_NOREMOVE);
    }));
  }

  // Chooses a command as the user does (its popup's update rules run
  // first); false when no menu holds it or it is greyed.
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
    Settle();
    return true;
  }

  // The tool windows the View menu checks are turned off: nothing but the
  // image window lies over the MDI area.
  void HideToolWindows() {
    HWND frame = app_->MainFrame()->Handle();
    for (const UINT id : {ID_VIEW_LAYER_PALETTE, ID_VIEW_NAVIGATOR, ID_VIEW_PAINT_ATTRIBUTES, ID_VIEW_MACROS_WINDOW}) {
      HMENU bar = GetMenu(frame);
      for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        HMENU popup = GetSubMenu(bar, i);
        SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
        const UINT state = GetMenuState(popup, id, MF_BYCOMMAND);
        if (state == static_cast<UINT>(-1)) continue;
        if ((state & MF_CHECKED) != 0) SendMessageA(frame, WM_COMMAND, id, 0);
        break;
      }
    }
    testing::Settle(*app_);
  }

  std::string Unix(const std::string& name) { return testing::UnixPath(folder_ + "\\" + name); }

  // The view shows the document's image, as ImageMagick reads it from a
  // saved copy, scaled by nearest neighbour at the caption's zoom, every
  // pixel; the view's frame fits it; caption, status bar and rulers give
  // the same size and zoom. A size of 0 is any size but 160 x 120.
  void ExpectViewShowsImage(const char* what, int width, int height) {
    SCOPED_TRACE(what);
    Settle();
    HWND child = GetParent(view_->Handle());
    const Caption caption = ReadCaption(child);
    EXPECT_EQ(caption.percent, 200) << "the zoom stays";
    const std::string saved = "step.png";
    {
      // A flat copy: the warning that the layers stay unsaved is answered.
      testing::BoxWatch boxes;
      ASSERT_TRUE(doc_->OnSaveDocument(folder_ + "\\" + saved));
    }
    ASSERT_EQ(testing::RunHostShell(folder_, "identify -format '%w %h' '" + Unix(saved) + "' > '" + Unix("size.txt") +
                                                 "' && convert '" + Unix(saved) + "' -sample " +
                                                 std::to_string(caption.percent) + "% ppm:'" + Unix("expected.ppm") +
                                                 "'"),
              0);
    int savedWidth = 0, savedHeight = 0;
    std::ifstream(folder_ + "\\size.txt") >> savedWidth >> savedHeight;
    if (width != 0) {
      EXPECT_EQ(savedWidth, width);
      EXPECT_EQ(savedHeight, height);
    } else {
      EXPECT_FALSE(savedWidth == 160 && savedHeight == 120);
    }
    EXPECT_EQ(caption.width, savedWidth);
    EXPECT_EQ(caption.height, savedHeight);
    const std::string status = StatusBarText(app_->MainFrame()->Handle());
    EXPECT_NE(status.find("size " + std::to_string(savedWidth) + "x" + std::to_string(savedHeight) + ", 2:1|"),
              std::string::npos)
        << status;
    Capture expected;
    ASSERT_TRUE(ReadPpm(folder_ + "\\expected.ppm", &expected));
    // The view's client area is the scaled image: the frame took its size.
    const RECT frameArea = ScreenClientRect(child);
    const RECT viewArea = ScreenClientRect(view_->Handle());
    ASSERT_EQ(RectWidth(viewArea), expected.width);
    ASSERT_EQ(RectHeight(viewArea), expected.height);
    // Not compared: what the image does not wholly cover (the view shows
    // the pattern under it, a flat copy white) and the marching ants along
    // a selection's bounds.
    const int zoom = caption.percent / 100;
    WAPtr coverage = doc_->Image().GetLayers()->GetCompositeMask();
    RECT ants{-10, -10, -10, -10};
    if (const Fragment* selection = doc_->Image().GetSelection()) {
      LURECT bounds{};
      GetFragmentBoundRect(selection, &bounds);
      ants = RECT{bounds.x * zoom, (savedHeight - bounds.y - bounds.height) * zoom, (bounds.x + bounds.width) * zoom,
                  (savedHeight - bounds.y) * zoom};
    }
    auto compared = [&](int x, int y) {
      const int row = savedHeight - 1 - y / zoom;
      if (coverage && coverage->Row(row)[x / zoom] != 255) return false;
      const bool nearX = std::abs(x - ants.left) <= 1 || std::abs(x - ants.right + 1) <= 1;
      const bool nearY = std::abs(y - ants.top) <= 1 || std::abs(y - ants.bottom + 1) <= 1;
      const bool withinX = x >= ants.left - 1 && x <= ants.right;
      const bool withinY = y >= ants.top - 1 && y <= ants.bottom;
      return !((nearX && withinY) || (nearY && withinX));
    };
    // The display follows the program a little later: a few tries.
    Capture shot;
    int mismatches = -1;
    std::string first;
    for (int attempt = 0; attempt < 15 && mismatches != 0; ++attempt) {
      if (attempt > 0) {
        Sleep(100);
        testing::Settle(*app_);
      }
      ASSERT_TRUE(testing::ScreenShot(folder_, frameArea, &shot));
      mismatches = 0;
      first.clear();
      const int dx = viewArea.left - frameArea.left, dy = viewArea.top - frameArea.top;
      for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
          if (!compared(x, y) || shot.At(x + dx, y + dy) == expected.At(x, y)) continue;
          if (mismatches++ == 0) {
            std::ostringstream s;
            s << "view pixel " << x << "," << y << " shows " << std::hex << shot.At(x + dx, y + dy) << " for "
              << expected.At(x, y);
            first = s.str();
          }
        }
      }
    }
    EXPECT_EQ(mismatches, 0) << first;
    if (mismatches != 0) {
      keep_ = true;
      CopyFileA((folder_ + "\\shown.ppm").c_str(), (folder_ + "\\shown-" + what + ".ppm").c_str(), FALSE);
      CopyFileA((folder_ + "\\expected.ppm").c_str(), (folder_ + "\\expected-" + what + ".ppm").c_str(), FALSE);
      std::printf("kept in %s\n", testing::UnixPath(folder_).c_str());
    }
    // The rulers: along each, a tick exactly where the painter puts one
    // for this size and zoom, at the strip's inner edge.
    auto* frame = dynamic_cast<CVarnoChildFrm*>(view_->GetParentFrame());
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(frame->RulersShown());
    for (const bool vertical : {false, true}) {
      int viewStart = 0;
      RulerInput in;
      ASSERT_TRUE(frame->StripPainting(vertical, &viewStart, &in));
      EXPECT_DOUBLE_EQ(in.zoom, 0.5);
      EXPECT_EQ(in.span, vertical ? expected.height : expected.width);
      EXPECT_EQ(in.scroll, 0);
      const RulerMarks marks = PaintRuler(in);
      std::vector<bool> tick(static_cast<std::size_t>(in.span), false);
      for (const RulerTick& t : marks.ticks) tick[static_cast<std::size_t>(t.pos)] = true;
      int wrong = 0;
      for (int pos = 0; pos < in.span; ++pos) {
        const int along = viewStart + pos;
        const std::uint32_t edge = vertical ? shot.At(kRulerThickness - 1, along) : shot.At(along, kRulerThickness - 1);
        if ((edge == 0) != tick[static_cast<std::size_t>(pos)]) ++wrong;
      }
      EXPECT_EQ(wrong, 0) << (vertical ? "left ruler" : "top ruler");
    }
  }

  std::string folder_, picture_, ini_;
  std::unique_ptr<CLumo40App> app_;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
  bool keep_ = false;  // what a failure saw stays for a look
};

TEST_F(ViewAfterResize, EveryCommandThatResizesTheImageKeepsTheZoomAndFitsTheFrame) {
  ExpectViewShowsImage("opened", 160, 120);
  struct Change {
    const char* what;
    UINT id;
    int width, height;  // 0: another size than 160 x 120
    std::function<void()> before;
  };
  const std::vector<Change> changes = {
      {"rotate 90 cw", ID_IMAGE_ROTATE_90CW, 120, 160, nullptr},
      {"undo the rotation", ID_EDIT_UNDO, 160, 120, nullptr},
      {"redo the rotation", ID_EDIT_REDO, 120, 160, nullptr},
      {"rotate 90 ccw", ID_IMAGE_ROTATE_90CCW, 160, 120, nullptr},
      {"rotate 180", ID_IMAGE_ROTATE_180, 160, 120, nullptr},
      {"rotate 30", ID_IMAGE_ROTATE_NUMERIC, 0, 0,
       [] {
         DialogScript::Run({{"Rotate", [](HWND d) {
                               SetDlgItemTextA(d, IDC_ROTATE_ANGLE, "30");
                               Press(d, IDOK);
                             }}});
       }},
      {"undo the numeric rotation", ID_EDIT_UNDO, 160, 120, nullptr},
      {"crop selection", ID_IMAGE_CROP_SELECTION, 49, 59,
       [this] {
         const LURECT area{30, 20, 49, 59};
         Fragment* rect = CreateRectFrg(&area, 0);
         doc_->Image().SetSelection(rect, true);
         DeleteFragment(rect);
       }},
      {"undo the crop", ID_EDIT_UNDO, 160, 120, nullptr},
      {"redo the crop", ID_EDIT_REDO, 49, 59, nullptr},
      {"undo the crop again", ID_EDIT_UNDO, 160, 120, nullptr},
      {"image size", ID_IMAGE_SIZE, 100, 75,
       [this] {
         ASSERT_TRUE(Choose(ID_SELECTION_DESELECT));
         DialogScript::Run({{"Image Size", [](HWND d) {
                               SetDlgItemTextA(d, IDC_ISZ_WIDTH, "100");
                               Press(d, IDOK);
                             }}});
       }},
      {"canvas size", ID_IMAGE_CANVAS, 90, 130,
       [] {
         DialogScript::Run({{"Canvas size", [](HWND d) {
                               SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_CANVAS_PIXELS, BN_CLICKED),
                                            reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_CANVAS_PIXELS)));
                               SetDlgItemTextA(d, IDC_CANVAS_WIDTH, "90");
                               SetDlgItemTextA(d, IDC_CANVAS_HEIGHT, "130");
                               Press(d, IDOK);
                             }}});
       }},
      {"undo the canvas", ID_EDIT_UNDO, 100, 75, nullptr},
      {"undo the image size", ID_EDIT_UNDO, 160, 120, nullptr},
      {"frames", ID_IMAGE_FRAMES, 0, 0,
       [] {
         DialogScript::Run({{"Frame", [](HWND d) {
                               auto pick = [d](int id, const char* text) {
                                 const LRESULT index = SendDlgItemMessageA(d, id, CB_FINDSTRINGEXACT,
                                                                           static_cast<WPARAM>(-1),
                                                                           reinterpret_cast<LPARAM>(text));
                                 SendDlgItemMessageA(d, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                                 SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                                              reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
                               };
                               pick(IDC_FRAME_TYPE, "Metal");
                               pick(IDC_FRAME_STYLE, "Gold");
                               pick(IDC_FRAME_SHAPE, "Flat");
                               pick(IDC_FRAME_SIZE, "Small");
                               pick(IDC_FRAME_MAT_SIZE, "None");
                               Press(d, IDOK);
                             }}});
       }},
      {"undo the frame", ID_EDIT_UNDO, 160, 120, nullptr},
      {"rotate before the reload", ID_IMAGE_ROTATE_90CW, 120, 160, nullptr},
      {"reload", ID_FILE_RELOAD, 160, 120,
       [] {
         DialogScript::Run({testing::BoxStep("Lumora 4.0 Warning", [](HWND box) { Press(box, IDOK); })});
       }},
  };
  for (const Change& change : changes) {
    if (change.before) change.before();
    ASSERT_TRUE(Choose(change.id)) << change.what;
    ExpectViewShowsImage(change.what, change.width, change.height);
    if (HasFatalFailure()) return;
  }
}

TEST_F(ViewAfterResize, TheCropToolsCutKeepsTheZoom) {
  ASSERT_TRUE(Choose(ID_IMAGE_CROP));
  HWND pane = FindWindowA("#32770", "Crop");
  ASSERT_NE(pane, nullptr);
  // A drag over the view from window (20, 30) to (120, 190) at 2:1: image
  // columns 10 .. 59, rows 15 .. 94 from the top.
  HWND view = view_->Handle();
  SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(20, 30));
  SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 110));
  SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 190));
  SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(120, 190));
  Settle();
  RECT dragged{};
  ASSERT_TRUE(toolhost::CropToolHasRect(&dragged));
  PostMessageA(view, WM_KEYDOWN, VK_RETURN, 0);
  Settle();
  SendMessageA(pane, WM_CLOSE, 0, 0);
  ExpectViewShowsImage("the crop tool", 0, 0);
}

// Paste As New Image from a maximised image window and from one that is
// not: the new window's first paint shows the pasted image, as the display
// shows it, without anything else happening first.
TEST_F(ViewAfterResize, PasteAsNewImageShowsThePictureAtOnce) {
  HWND source = GetParent(view_->Handle());
  for (const bool maximised : {true, false}) {
    SCOPED_TRACE(maximised ? "maximised" : "restored");
    fw::FrameWnd* frame = view_->GetParentFrame();
    frame->ActivateFrame();
    ShowWindow(source, maximised ? SW_MAXIMIZE : SW_RESTORE);
    Settle();
    ASSERT_TRUE(Choose(ID_SELECTION_ALL));
    ASSERT_TRUE(Choose(ID_EDIT_COPY));
    const std::size_t before = app_->Docs().AllDocuments().size();
    DialogScript::Run({{"Paste As New Image", [](HWND d) { Press(d, IDOK); }}});
    ASSERT_TRUE(Choose(ID_EDIT_PASTE_AS_NEW_IMAGE));
    ASSERT_EQ(app_->Docs().AllDocuments().size(), before + 1);
    auto* made = dynamic_cast<CLumo40Doc*>(app_->Docs().AllDocuments().back());
    ASSERT_NE(made, nullptr);
    Calm(made);
    testing::Settle(*app_);
    auto* view = dynamic_cast<CLumo40View*>(made->Views().front());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(IsZoomed(GetParent(view->Handle())) != FALSE, maximised);
    WAPtr composite = made->Image().GetLayers()->GetCompositeImage();
    ASSERT_EQ(composite->GetW(), 160);
    // The copy carried the whole image's selection, and the new image takes
    // it: its marching ants run along the image's outermost pixels.
    ASSERT_NE(made->Image().GetSelection(), nullptr);
    const auto onAnts = [&](int x, int row) {
      return x == 0 || row == 0 || x == composite->GetW() - 1 || row == composite->GetH() - 1;
    };
    const VRXFORM map = view->Mapping();
    const RECT area = ScreenClientRect(view->Handle());
    Capture shot;
    int compared = 0, mismatches = 0;
    std::string first;
    for (int attempt = 0; attempt < 15 && (compared == 0 || mismatches != 0); ++attempt) {
      if (attempt > 0) {
        Sleep(100);
        testing::Settle(*app_);
      }
      ASSERT_TRUE(testing::ScreenShot(folder_, area, &shot));
      compared = mismatches = 0;
      first.clear();
      for (int row = 0; row < composite->GetH(); ++row) {
        for (int x = 0; x < composite->GetW(); ++x) {
          POINT p{x, row};
          map.RevXForm(&p, kXFPixels);
          if (p.x < 0 || p.y < 0 || p.x >= shot.width || p.y >= shot.height) continue;
          ++compared;
          if (onAnts(x, row)) continue;
          const std::uint32_t want = testing::CompositePixel(*composite, x, row);
          if (shot.At(p.x, p.y) == want) continue;
          if (mismatches++ == 0) {
            std::ostringstream s;
            s << "image pixel " << x << "," << row << " at " << p.x << "," << p.y << " shows " << std::hex
              << shot.At(p.x, p.y) << " for " << want;
            first = s.str();
          }
        }
      }
    }
    EXPECT_EQ(compared, 160 * 120) << "the whole picture is in view";
    EXPECT_EQ(mismatches, 0) << first;
    if (mismatches != 0) {
      keep_ = true;
      CopyFileA((folder_ + "\\shown.ppm").c_str(), (folder_ + "\\pasted-" + (maximised ? "max" : "restored") + ".ppm").c_str(), FALSE);
      std::printf("kept in %s\n", testing::UnixPath(folder_).c_str());
    }
    made->SetModifiedFlag(false);
    made->Image().SetModifiedFlag(false);
    made->OnCloseDocument();
    Settle();
  }
}

}  // namespace
}  // namespace lumora
