// The tool windows as the display shows them, with the program started on a
// layered file (given on the command line): the Navigator, the Layer
// Palette, Paint Attributes and the Macros window stay above the main
// window through a click into the image, tool choices and closing and
// opening the image again; the navigator's thumbnail is the image; the
// tool letters reach the image after a tool window had the focus. The
// display's pixels are read with ImageMagick and its stacking with
// xwininfo. The same suite runs on a bare display and under a window
// manager.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/CommandIds.h"
#include "framework/win/CommandLineWin32.h"
#include "lang/win/LangWnd.h"
#include "paint/win/PaintAttributes.h"
#include "paint/win/ToolBrush.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/host_command.h"
#include "ui/win/LayerWnd.h"
#include "ui/win/NavigatorWnd.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::ActiveImageView;
using testing::Capture;
using testing::RunHostShell;
using testing::RunUntil;
using testing::SettingsFileOfThisProgram;
using testing::Settle;
using testing::UnixPath;

// The root window's pixels as ImageMagick reads them from the display.
struct Screen {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return (p[0] << 16) | (p[1] << 8) | p[2];
  }
};

// A top-level window's own pixels (its drawing surface), window rectangle.
Capture OwnPixels(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return testing::CaptureDc(r.right - r.left, r.bottom - r.top, [&](HDC dc) {
    HDC own = GetWindowDC(window);
    BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, own, 0, 0, SRCCOPY);
    ReleaseDC(window, own);
  });
}

class ToolWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = fw::ParseProcessCommandLine().fileName;
    if (file_.empty()) GTEST_SKIP() << "run with a layered file on the command line";
    DeleteFileA(SettingsFileOfThisProgram().c_str());
    folder_ = testing::MakeUniqueTempFolder("lumora-toolwin-");
  }
  void TearDown() override {
    testing::EndProgramIfRunning(app_);
    DeleteFileA(SettingsFileOfThisProgram().c_str());
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
  }

  CMainFrame& Frame() { return *app_.MainFrameWnd(); }
  HWND FrameHandle() { return app_.MainFrame()->Handle(); }

  bool Host(const std::string& line) { return RunHostShell(folder_.string(), line) == 0; }

  // Input as the display gives it (xdotool), then the program's loop until
  // it has handled it.
  void Click(POINT at) {
    char line[128];
    std::snprintf(line, sizeof line, "xdotool mousemove %ld %ld click 1", at.x, at.y);
    ASSERT_TRUE(Host(line));
    Pump();
  }
  void Key(const char* name) {
    ASSERT_TRUE(Host(std::string("xdotool key ") + name));
    Pump();
  }
  void Pump() {
    for (int round = 0; round < 5; ++round) {
      RunUntil(app_, [] { return true; });
      Sleep(20);
    }
    testing::Settle(app_);
  }

  Screen Shoot(const std::string& step) {
    Screen s;
    s.width = GetSystemMetrics(SM_CXSCREEN);
    s.height = GetSystemMetrics(SM_CYSCREEN);
    const std::string raw = (folder_ / (step + ".rgb")).string();
    const bool shot = Host("import -window root -depth 8 'rgb:" + UnixPath(raw) + "'");
    EXPECT_TRUE(shot) << "no screenshot " << step;
    std::ifstream in(raw, std::ios::binary);
    s.rgb.assign(std::istreambuf_iterator<char>(in), {});
    if (s.rgb.size() != static_cast<std::size_t>(s.width) * s.height * 3) {
      ADD_FAILURE() << "screenshot " << step << " has " << s.rgb.size() << " bytes";
      s.width = s.height = 0;
    }
    return s;
  }

  // The display's stacking of the program's windows, top first (their
  // titles as xwininfo lists them).
  std::vector<std::string> Stacking() {
    const std::string list = (folder_ / "stacking.txt").string();
    std::vector<std::string> titles;
    if (!Host("xwininfo -root -children > '" + UnixPath(list) + "'")) return titles;
    std::ifstream in(list);
    for (std::string line; std::getline(in, line);) {
      const std::size_t open = line.find('"');
      const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
      if (close != std::string::npos) titles.push_back(line.substr(open + 1, close - open - 1));
    }
    return titles;
  }

  // The share of a window's pixels that the display shows as the window
  // drew them.
  // For a child window (the view), the pixels that no window above it
  // covers.
  static double ShownShare(HWND window, const Screen& screen) {
    if (screen.width == 0) return 0;
    RECT r{};
    GetWindowRect(window, &r);
    const Capture own = OwnPixels(window);
    const bool child = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    int inside = 0, same = 0;
    for (int y = 0; y < own.height; ++y) {
      for (int x = 0; x < own.width; ++x) {
        const int sx = r.left + x, sy = r.top + y;
        if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
        if (child && WindowFromPoint(POINT{sx, sy}) != window) continue;
        ++inside;
        if (screen.At(sx, sy) == own.At(x, y)) ++same;
      }
    }
    return inside == 0 ? 0 : static_cast<double>(same) / inside;
  }

  // Whether the View menu checks the item, as the menu shows it.
  bool ViewChecks(std::uint32_t id) { return testing::MenuChecks(FrameHandle(), "&View", id); }

  struct ToolWindow {
    const char* name;
    std::uint32_t command;
    HWND window;
  };
  std::vector<ToolWindow> ToolWindowsNow() {
    lang::CLangWnd* macros = Frame().MacroWindow();
    return {{"Navigator", ID_VIEW_NAVIGATOR, Frame().Navigator().Handle()},
            {"Layer Palette", ID_VIEW_LAYER_PALETTE, Frame().LayerPalette().Handle()},
            {"Paint Attributes", ID_VIEW_PAINT_ATTRIBUTES, Frame().PaintAttributes().Handle()},
            {"Macros", ID_VIEW_MACROS_WINDOW, macros != nullptr ? macros->Handle() : nullptr}};
  }

  // Every tool window the View menu checks shows its own pixels on the
  // display and lies above the main window in its stacking; the image
  // shows in the active view. Returns how many tool windows were checked.
  int ExpectToolWindowsShown(const std::string& step) {
    SCOPED_TRACE(step);
    Pump();
    const Screen screen = Shoot(step);
    const std::vector<std::string> stacking = Stacking();
    auto place = [&](const std::string& prefix) {
      for (std::size_t i = 0; i < stacking.size(); ++i) {
        if (stacking[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
      }
      return -1;
    };
    const int frame = place("Lumora 4.0");
    EXPECT_GE(frame, 0) << "the main window is not on the display";
    int checked = 0;
    for (const ToolWindow& tool : ToolWindowsNow()) {
      if (!ViewChecks(tool.command)) continue;
      ++checked;
      if (tool.window == nullptr) {
        ADD_FAILURE() << tool.name << " is checked but has no window";
        continue;
      }
      EXPECT_GE(ShownShare(tool.window, screen), 0.98) << tool.name << " is not on the display";
      const int at = place(tool.name);
      EXPECT_GE(at, 0) << tool.name;
      EXPECT_LT(at, frame) << tool.name << " lies below the main window";
    }
    if (CLumo40View* view = ActiveImageView(app_)) {
      testing::ExpectViewShowsComposite(view, view->GetDoc());
      EXPECT_GE(ShownShare(view->Handle(), screen), 0.98) << "the image is not on the display";
    }
    return checked;
  }

  CLumo40Doc* Start() {
    EXPECT_TRUE(app_.InitInstance());
    if (app_.Docs().AllDocuments().size() != 1) return nullptr;
    auto* doc = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().front());
    if (doc != nullptr) Settle(app_, doc);
    Pump();
    return doc;
  }

  // A point of the view's client area that no window above it covers.
  POINT OpenPointOf(HWND view) {
    RECT r{};
    GetClientRect(view, &r);
    MapWindowPoints(view, nullptr, reinterpret_cast<POINT*>(&r), 2);
    for (LONG y = r.top + 5; y < r.bottom; y += 10) {
      for (LONG x = r.left + 5; x < r.right; x += 10) {
        const POINT p{x, y};
        if (WindowFromPoint(p) == view) return p;
      }
    }
    ADD_FAILURE() << "the view is covered all over";
    return POINT{r.left, r.top};
  }
  // A point on a window's caption, clear of its buttons, that no window
  // above it covers.
  POINT CaptionOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const LONG y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    for (LONG x = r.left + 40; x < r.right - 80; x += 10) {
      if (WindowFromPoint(POINT{x, y}) == window) return POINT{x, y};
    }
    ADD_FAILURE() << "the caption is covered all over";
    return POINT{r.left + 40, y};
  }

  std::uint32_t CurrentTool() { return Frame().CurrentTool() != nullptr ? Frame().CurrentTool()->CommandId() : 0; }

  std::string file_;
  fs::path folder_;
  CLumo40App app_;
};

TEST_F(ToolWindows, StayOnTheDisplayThroughClicksToolsAndReopening) {
  CLumo40Doc* doc = Start();
  ASSERT_NE(doc, nullptr);
  CLumo40View* view = ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  // At start the navigator, the palette and Paint Attributes are shown.
  EXPECT_EQ(ExpectToolWindowsShown("after start"), 3);
  // The macros window opened from the View menu joins them.
  SendMessageA(FrameHandle(), WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
  EXPECT_EQ(ExpectToolWindowsShown("macros window opened"), 4);

  Click(OpenPointOf(view->Handle()));
  EXPECT_EQ(GetFocus(), view->Handle());
  EXPECT_EQ(ExpectToolWindowsShown("after a click into the image"), 4);

  // Three tools: two from the Paint Bar's commands, one by its letter.
  SendMessageA(FrameHandle(), WM_COMMAND, ID_TOOL_LINE, 0);
  SendMessageA(FrameHandle(), WM_COMMAND, ID_TOOL_CLONE, 0);
  Key("b");
  EXPECT_EQ(CurrentTool(), static_cast<std::uint32_t>(ID_TOOL_PAINTBRUSH));
  EXPECT_EQ(ExpectToolWindowsShown("after choosing three tools"), 4);

  // The image closed and opened again.
  SendMessageA(FrameHandle(), WM_COMMAND, fw::kIdFileClose, 0);
  Pump();
  ASSERT_TRUE(app_.Docs().AllDocuments().empty());
  EXPECT_EQ(ExpectToolWindowsShown("image closed"), 4);
  doc = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(file_));
  ASSERT_NE(doc, nullptr);
  Settle(app_, doc);
  EXPECT_EQ(ExpectToolWindowsShown("image opened again"), 4);
  testing::CloseProgram(app_);
}

TEST_F(ToolWindows, ToolLettersReachTheImageAfterAToolWindowHadTheFocus) {
  CLumo40Doc* doc = Start();
  ASSERT_NE(doc, nullptr);
  CLumo40View* view = ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  SendMessageA(FrameHandle(), WM_COMMAND, ID_TOOL_LINE, 0);
  Pump();
  ASSERT_EQ(CurrentTool(), static_cast<std::uint32_t>(ID_TOOL_LINE));
  // Paint Attributes forward, then the image window's caption.
  HWND attributes = Frame().PaintAttributes().Handle();
  Click(CaptionOf(attributes));
  EXPECT_EQ(GetActiveWindow(), attributes);
  Click(CaptionOf(GetParent(view->Handle())));
  EXPECT_EQ(GetActiveWindow(), FrameHandle());
  Key("e");
  EXPECT_EQ(CurrentTool(), static_cast<std::uint32_t>(ID_TOOL_ERASER));
  // And after the palette had the focus, a letter again.
  Click(CaptionOf(Frame().LayerPalette().Handle()));
  Click(CaptionOf(GetParent(view->Handle())));
  Key("l");
  EXPECT_EQ(CurrentTool(), static_cast<std::uint32_t>(ID_TOOL_LINE));
  testing::CloseProgram(app_);
}

// Right after start the navigator's thumbnail is the image reduced to its
// size: each thumbnail pixel lies within 2 levels of the range of the image
// pixels it stands for.
TEST_F(ToolWindows, NavigatorShowsTheImageAtStartBesideThePalette) {
  CLumo40Doc* doc = Start();
  ASSERT_NE(doc, nullptr);
  CNavigatorWnd& navigator = Frame().Navigator();
  const RECT thumb = navigator.ThumbnailRect();
  ASSERT_GT(thumb.right - thumb.left, 0);
  const Screen screen = Shoot("navigator");
  ASSERT_GT(screen.width, 0);
  POINT origin{thumb.left, thumb.top};
  ClientToScreen(navigator.Handle(), &origin);
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  const int w = composite->GetW(), h = composite->GetH();
  const int tw = thumb.right - thumb.left, th = thumb.bottom - thumb.top;
  int outside = 0;
  for (int y = 0; y < th; ++y) {
    for (int x = 0; x < tw; ++x) {
      const int x0 = x * w / tw, x1 = std::max(x0 + 1, (x + 1) * w / tw);
      const int y0 = y * h / th, y1 = std::max(y0 + 1, (y + 1) * h / th);
      int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
      for (int v = std::max(0, y0 - 1); v < std::min(h, y1 + 1); ++v) {
        for (int u = std::max(0, x0 - 1); u < std::min(w, x1 + 1); ++u) {
          const std::uint32_t p = testing::CompositePixel(*composite, u, h - 1 - v);
          for (int c = 0; c < 3; ++c) {
            const int level = (p >> (16 - 8 * c)) & 0xFF;
            low[c] = std::min(low[c], level);
            high[c] = std::max(high[c], level);
          }
        }
      }
      // The red outline of the view's part is drawn over the thumbnail.
      const RECT part = navigator.ViewRect();
      const LONG tx = thumb.left + x, ty = thumb.top + y;
      const bool onOutline = tx >= part.left - 1 && tx <= part.right + 1 && ty >= part.top - 1 && ty <= part.bottom + 1 &&
                             (tx <= part.left + 1 || tx >= part.right - 1 || ty <= part.top + 1 || ty >= part.bottom - 1);
      if (onOutline) continue;
      const std::uint32_t shown = screen.At(origin.x + x, origin.y + y);
      bool fits = true;
      for (int c = 0; c < 3; ++c) {
        const int level = (shown >> (16 - 8 * c)) & 0xFF;
        fits = fits && level >= low[c] - 2 && level <= high[c] + 2;
      }
      if (!fits && ++outside <= 3) {
        ADD_FAILURE() << "thumbnail pixel " << x << "," << y << " shows " << std::hex << shown;
      }
    }
  }
  EXPECT_EQ(outside, 0) << "of " << tw * th;
  // The palette opens beside it, not over it.
  RECT nav{}, palette{}, both{};
  GetWindowRect(navigator.Handle(), &nav);
  GetWindowRect(Frame().LayerPalette().Handle(), &palette);
  EXPECT_FALSE(IntersectRect(&both, &nav, &palette)) << "the palette covers the navigator";
  testing::CloseProgram(app_);
}

}  // namespace
}  // namespace lumora
