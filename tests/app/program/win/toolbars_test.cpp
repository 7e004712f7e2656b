// The main window's toolbars in the running program, started in this
// process: where they are docked, their buttons and pictures, buttons
// clicked with real mouse input, View's show and hide, Large Buttons, and
// the bars' places across a restart.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/window_pixels.h"
#include "hostapi/controls.h"
#include "ui/win/ColourControls.h"
#include "ui/win/OwnerDrawControls.h"

namespace lumora {
namespace {

using lumora::testing::DialogScript;
using lumora::testing::RunUntil;

constexpr std::uint32_t kSep = 0;

INPUT Mouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  return in;
}

void SendMouse(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The bar's buttons as the toolbar lists them: commands, 0 for a plain
// separator, the control's id for a separator holding a control.
std::vector<std::uint32_t> ButtonsOf(HWND bar) {
  std::vector<std::uint32_t> ids;
  const int n = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    TBBUTTON b{};
    SendMessageA(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    ids.push_back(static_cast<std::uint32_t>(b.idCommand));
  }
  return ids;
}

RECT ButtonRect(HWND bar, std::uint32_t command) {
  RECT r{};
  const LRESULT index = SendMessageA(bar, TB_COMMANDTOINDEX, command, 0);
  SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

POINT ScreenCentre(HWND window, const RECT& r) {
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(window, &p);
  return p;
}

// Image `index` of a strip resource in the system's button colours.
testing::Capture StripImage(std::uint32_t resource, int index, int width, int height) {
  HBITMAP strip = CreateMappedBitmap(GetModuleHandleA(nullptr), resource, 0, nullptr, 0);
  testing::Capture c = testing::CaptureDc(width, height, [&](HDC dc) {
    HDC from = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(from, strip);
    BitBlt(dc, 0, 0, width, height, from, index * width, 0, SRCCOPY);
    SelectObject(from, old);
    DeleteDC(from);
  });
  DeleteObject(strip);
  return c;
}

// Whether the picture shows somewhere inside the button's rectangle.
bool ButtonShows(const testing::Capture& bar, const RECT& button, const testing::Capture& picture) {
  for (int y = button.top; y + picture.height <= button.bottom; ++y) {
    for (int x = button.left; x + picture.width <= button.right; ++x) {
      bool same = true;
      for (int py = 0; same && py < picture.height; ++py) {
        for (int px = 0; same && px < picture.width; ++px) same = bar.At(x + px, y + py) == picture.At(px, py);
      }
      if (same) return true;
    }
  }
  return false;
}

class ProgramToolbars : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    // Two tools and a separator on the user's bar; an unregistered name
    // leaves no gap.
    fw::IniFile settings(ini_);
    settings.WriteInt("DefTools", "count", 3);
    settings.WriteString("DefTools", "tool0", "Noise");
    settings.WriteString("DefTools", "tool1", "sep");
    settings.WriteString("DefTools", "tool2", "no_such_tool");
    settings.WriteString("DefTools", "tool3", "emboss_effect");
  }
  void TearDown() override {
    DeleteFileA(ini_.c_str());
    for (const std::string& f : LayoutFiles()) DeleteFileA(f.c_str());
  }
  // The four bars' layout files beside this program, with their image files.
  static std::vector<std::string> LayoutFiles() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string stem(path);
    stem = stem.substr(0, stem.rfind('.'));
    std::vector<std::string> files;
    for (int i = 1; i <= 4; ++i) {
      files.push_back(stem + std::to_string(i) + ".tbs");
      files.push_back(stem + std::to_string(i) + ".tbi");
    }
    return files;
  }
  static std::string Contents(const std::string& path) {
    std::string out;
    if (FILE* f = fopen(path.c_str(), "rb")) {
      char buffer[4096];
      for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) out.append(buffer, n);
      fclose(f);
    }
    return out;
  }
  static void Write(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }

  static bool Start(CLumo40App& app) {
    if (!app.InitInstance()) return false;
    SetForegroundWindow(app.MainFrame()->Handle());
    testing::Settle(app);
    return true;
  }
  static void Command(CLumo40App& app, std::uint32_t id) { SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, id, 0); }
  static void Click(CLumo40App& app, HWND bar, std::uint32_t command) {
    const POINT p = ScreenCentre(bar, ButtonRect(bar, command));
    SendMouse({Mouse(MOUSEEVENTF_MOVE, p), Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    RunUntil(app, [] { return false; }, 300);
  }

  std::string ini_;
};

struct Guard {
  CLumo40App& app;
  ~Guard() { testing::EndProgramIfRunning(app); }
};

TEST_F(ProgramToolbars, BarsAreDockedWithTheirButtonsPicturesAndTips) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  // Main bar and selection bar share the top row; paint bar left; tools right.
  EXPECT_EQ(frame->MainBar().Side(), fw::DockSide::kTop);
  EXPECT_EQ(frame->SelectBar().Side(), fw::DockSide::kTop);
  EXPECT_EQ(frame->GetBrushBar().Side(), fw::DockSide::kLeft);
  EXPECT_EQ(frame->ToolsBar().Side(), fw::DockSide::kRight);
  for (fw::ControlBar* bar : std::initializer_list<fw::ControlBar*>{&frame->MainBar(), &frame->SelectBar(),
                                                                    &frame->GetBrushBar(), &frame->ToolsBar()}) {
    EXPECT_TRUE(bar->IsVisible()) << bar->caption;
  }
  RECT mainRect{}, selectRect{};
  GetWindowRect(frame->MainBar().Handle(), &mainRect);
  GetWindowRect(frame->SelectBar().Handle(), &selectRect);
  EXPECT_EQ(mainRect.top, selectRect.top);
  EXPECT_GE(selectRect.left, mainRect.right - 2);
  EXPECT_EQ(frame->MainBar().caption, "Standard Bar");

  EXPECT_EQ(ButtonsOf(frame->MainBar().Handle()),
            (std::vector<std::uint32_t>{57600, 57601, 57603, kSep, 57635, 57634, 57637, kSep, 57643, 57644, 32944,
                                        kSep, 33114, 32805, 32977, kSep, 57664, 57669}));
  EXPECT_EQ(ButtonsOf(frame->GetBrushBar().Handle()),
            (std::vector<std::uint32_t>{ID_COLOUR_CONTROL, 32835, 32889, 32891, 32892, 32894, 32895, 32898, 32896, 32902, 32903, kSep,
                                        32945}));
  // The registered area tools in table order, the combine-mode combo in
  // its separator, invert and delete.
  std::vector<std::uint32_t> select{32826, kSep};
  for (const RegisteredAreaTool& t : app.areaTools.Tools()) select.push_back(t.command);
  ASSERT_GE(select.size(), 4u);
  for (std::uint32_t id : {kSep, 40030u, kSep, 40035u, 40036u}) select.push_back(id);
  EXPECT_EQ(ButtonsOf(frame->SelectBar().Handle()), select);
  EXPECT_EQ(CCToolBar::FindControlButtons(40030).size(), 1u);
  // The user's tools: tool, separator, tool.
  const std::vector<std::uint32_t> tools = ButtonsOf(frame->ToolsBar().Handle());
  ASSERT_EQ(tools.size(), 3u);
  EXPECT_EQ(tools[1], kSep);
  EXPECT_EQ(tools[0], app.toolMenus.FindToolCommand(LUGetRegToolIDNumber(app.Site(), "Noise", 0)));
  EXPECT_EQ(tools[2], app.toolMenus.FindToolCommand(LUGetRegToolIDNumber(app.Site(), "emboss_effect", 0)));

  // Pictures: the small strip's images in the system's colours, as drawn.
  ASSERT_EQ(app.settings.smallButtons, 1);
  const testing::Capture bar = testing::CaptureClient(frame->MainBar().Handle());
  const int images[][2] = {{57600, 0}, {57601, 1}, {57664, 12}, {57669, 13}};
  for (const auto& [command, image] : images) {
    EXPECT_TRUE(ButtonShows(bar, ButtonRect(frame->MainBar().Handle(), command), StripImage(180, image, 17, 16)))
        << command;
  }
  const testing::Capture selectShot = testing::CaptureClient(frame->SelectBar().Handle());
  // Area_Rect borrows the picture of the fixed rectangle button (image 6).
  EXPECT_TRUE(ButtonShows(selectShot, ButtonRect(frame->SelectBar().Handle(), 40011), StripImage(228, 6, 17, 16)));

  // Tips: a command's second line, an area tool's name.
  EXPECT_EQ(frame->GetToolTipText(57600), "New");
  EXPECT_EQ(frame->GetToolTipText(40011), app.areaTools.ByCommand(40011)->name);
  std::string text;
  EXPECT_TRUE(frame->SelectBar().GetCommandText(40011, text));
  EXPECT_EQ(text, app.areaTools.ByCommand(40011)->name);
}

TEST_F(ProgramToolbars, ClickedButtonsRunTheirCommands) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  // An area tool's button makes it the active selection tool.
  const int rect = static_cast<int>(app.areaTools.ByCommand(40011) - app.areaTools.Tools().data());
  Click(app, frame->SelectBar().Handle(), 40011);
  EXPECT_EQ(app.areaTools.FindActive(app.Site()), rect);
  EXPECT_EQ(app.currentToolCommand, 40011u);
  // New opens its dialog.
  DialogScript::Run({{"New image", [](HWND d) { testing::Press(d, IDCANCEL); }}});
  Click(app, frame->MainBar().Handle(), 57600);
  RunUntil(app, [] { return DialogScript::done == 1; }, 5000);
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 1);
  // A user tool's button opens the tool's pane.
  const std::uint32_t noise = ButtonsOf(frame->ToolsBar().Handle())[0];
  Click(app, frame->ToolsBar().Handle(), noise);
  EXPECT_TRUE(RunUntil(app, [] { return HasPaneDialog(); }, 5000));
  Command(app, ID_WINDOW_CLOSE_ALL_TOOLS);
  // The combine mode: every combo 40030 follows, and the tool host.
  frame->SetSelectionMode(3);
  EXPECT_EQ(LUGetSelectionMode(app.Site()), 3);
  auto* combo = dynamic_cast<CMySBComboBox*>(fw::Window::FromHandle(CCToolBar::FindControlButtons(40030).front()));
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->SelectedMode(), 3);
  frame->SetSelectionMode(0);
  EXPECT_EQ(frame->SelectionMode(), 1);
}

// The colour control sits first on the paint bar (docked on the left):
// its swap button swaps the application's colours, a swatch opens the
// colour window.
TEST_F(ProgramToolbars, PaintBarColourControlSwapsAndOpensTheColourWindow) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  const std::vector<HWND> controls = CCToolBar::FindControlButtons(ID_COLOUR_CONTROL);
  ASSERT_EQ(controls.size(), 1u);
  HWND control = controls.front();
  EXPECT_EQ(GetParent(control), frame->GetBrushBar().Handle());
  EXPECT_TRUE(IsWindowVisible(control));
  // It covers its place on the bar, above the first button.
  RECT place = ButtonRect(frame->GetBrushBar().Handle(), ID_COLOUR_CONTROL), own{}, first{};
  MapWindowPoints(frame->GetBrushBar().Handle(), nullptr, reinterpret_cast<POINT*>(&place), 2);
  GetWindowRect(control, &own);
  EXPECT_EQ(own.left, place.left);
  EXPECT_GT(own.right - own.left, 10);
  EXPECT_GT(own.bottom - own.top, 10);
  first = ButtonRect(frame->GetBrushBar().Handle(), 32835);
  MapWindowPoints(frame->GetBrushBar().Handle(), nullptr, reinterpret_cast<POINT*>(&first), 2);
  EXPECT_LE(own.bottom, first.top);

  const COLORREF fore = RGB(200, 10, 20), back = RGB(5, 100, 250);
  app.SetForeColor(fore, true);
  app.SetBackColor(back, true);
  Command(app, ID_UPDATE_COLOURS);
  HWND foreSwatch = GetDlgItem(control, IDC_FORE_SWATCH);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageA(foreSwatch, kVrCtlGetColour, 0, 0)), fore);

  RECT swap{};
  GetWindowRect(GetDlgItem(control, IDC_SWAP_COLOURS), &swap);
  const POINT swapAt{(swap.left + swap.right) / 2, (swap.top + swap.bottom) / 2};
  SendMouse({Mouse(MOUSEEVENTF_MOVE, swapAt), Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  RunUntil(app, [&] { return app.settings.foreColor == back; }, 3000);
  EXPECT_EQ(app.settings.foreColor, back);
  EXPECT_EQ(app.settings.backColor, fore);
  RunUntil(app, [] { return false; }, 200);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageA(foreSwatch, kVrCtlGetColour, 0, 0)), back);

  // The foreground swatch (its corner clear of the background swatch).
  RECT swatch{};
  GetWindowRect(foreSwatch, &swatch);
  const POINT swatchAt{swatch.left + 3, swatch.top + 3};
  app.colourWindowEditsFore = false;
  SendMouse({Mouse(MOUSEEVENTF_MOVE, swatchAt), Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  EXPECT_TRUE(RunUntil(app, [] { return LUIsSelColorWindowOpened(nullptr) != 0; }, 5000));
  EXPECT_TRUE(app.colourWindowEditsFore);
  LUCloseSelColorWindow(nullptr);
}

// View/Paint Bar and View/Selection Bar hide and show; the paint bar dragged
// to the top by the mouse, the selection bar hidden and Large Buttons on
// come back after a restart.
TEST_F(ProgramToolbars, PlacesShownStatesAndSizesSurviveARestart) {
  {
    CLumo40App app;
    Guard guard{app};
    ASSERT_TRUE(Start(app));
    CMainFrame* frame = app.MainFrameWnd();
    Command(app, ID_VIEW_PAINT_BAR);
    EXPECT_FALSE(frame->GetBrushBar().IsVisible());
    Command(app, ID_VIEW_PAINT_BAR);
    EXPECT_TRUE(frame->GetBrushBar().IsVisible());
    // Dragged by its empty end (below its last button) to under the top row.
    HWND brush = frame->GetBrushBar().Handle();
    RECT bar{};
    GetClientRect(brush, &bar);
    POINT grab{bar.right / 2, bar.bottom - 4};
    ClientToScreen(brush, &grab);
    RECT top{};
    GetWindowRect(frame->MainBar().Handle(), &top);
    const POINT drop{top.left + 300, top.bottom + 4};
    SendMouse({Mouse(MOUSEEVENTF_MOVE, grab), Mouse(MOUSEEVENTF_LEFTDOWN)});
    RunUntil(app, [] { return false; }, 100);
    for (int step = 1; step <= 8; ++step) {
      const POINT p{grab.x + (drop.x - grab.x) * step / 8, grab.y + (drop.y - grab.y) * step / 8};
      SendMouse({Mouse(MOUSEEVENTF_MOVE, p)});
      RunUntil(app, [] { return false; }, 40);
    }
    SendMouse({Mouse(MOUSEEVENTF_LEFTUP)});
    RunUntil(app, [] { return false; }, 200);
    EXPECT_EQ(frame->GetBrushBar().Side(), fw::DockSide::kTop);
    Command(app, ID_VIEW_SELECTION_BAR);
    EXPECT_FALSE(frame->SelectBar().IsVisible());
    DialogScript::Run({{"Lumora 4.0", [](HWND d) { testing::Press(d, IDYES); }}});
    Command(app, ID_OPTIONS_LARGE_BUTTONS);
    DialogScript::Stop();
    EXPECT_EQ(app.settings.smallButtons, 0);
    EXPECT_EQ(LOWORD(SendMessageA(frame->MainBar().Handle(), TB_GETBUTTONSIZE, 0, 0)), 31);
    testing::CloseProgram(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("TOOLBARS", "SMALLBUTTONS", -1), 0);
  // The four layouts and their images were written.
  std::vector<std::string> saved;
  for (const std::string& f : LayoutFiles()) {
    saved.push_back(Contents(f));
    EXPECT_GT(saved.back().size(), 16u) << f;
  }
  {
    CLumo40App app;
    Guard guard{app};
    ASSERT_TRUE(Start(app));
    CMainFrame* frame = app.MainFrameWnd();
    EXPECT_EQ(frame->GetBrushBar().Side(), fw::DockSide::kTop);
    EXPECT_TRUE(frame->GetBrushBar().IsVisible());
    EXPECT_FALSE(frame->SelectBar().IsVisible());
    EXPECT_TRUE(frame->MainBar().IsVisible());
    EXPECT_EQ(LOWORD(SendMessageA(frame->MainBar().Handle(), TB_GETBUTTONSIZE, 0, 0)), 31);
    const testing::Capture shot = testing::CaptureClient(frame->MainBar().Handle());
    EXPECT_TRUE(ButtonShows(shot, ButtonRect(frame->MainBar().Handle(), 57601), StripImage(254, 1, 24, 24)));
    EXPECT_EQ(CCToolBar::FindControlButtons(40030).size(), 1u);
    testing::CloseProgram(app);
  }
  // Loaded and saved again: the same bytes.
  const std::vector<std::string> files = LayoutFiles();
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(Contents(files[i]), saved[i]) << files[i];
}

// A damaged layout file and a damaged image file each give the default
// bar, remove both files and say so.
TEST_F(ProgramToolbars, DamagedLayoutsGiveTheDefaultBars) {
  {
    CLumo40App app;
    Guard guard{app};
    ASSERT_TRUE(Start(app));
    testing::CloseProgram(app);
  }
  const std::vector<std::string> files = LayoutFiles();
  // Layout 1 cut short; the image strip of layout 2 one pixel lower.
  const std::string main = Contents(files[0]);
  Write(files[0], main.substr(0, main.size() - 3));
  std::string image = Contents(files[3]);
  ASSERT_GT(image.size(), 26u);
  image[22] = static_cast<char>(image[22] - 1);
  Write(files[3], image);
  std::vector<std::string> messages;
  auto answer = [&](HWND d) {
    char text[256] = {};
    GetDlgItemTextA(d, 0xFFFF, text, sizeof text);
    messages.push_back(text);
    testing::Press(d, IDOK);
  };
  DialogScript::Run({{"Lumora 4.0 Error", answer}, {"Lumora 4.0 Error", answer}});
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  DialogScript::Stop();
  EXPECT_EQ(messages, (std::vector<std::string>{"Can't restore 'Standard Bar' state!", "Can't restore 'Paint Bar' state!"}));
  for (int i : {0, 1, 2, 3}) EXPECT_EQ(GetFileAttributesA(files[i].c_str()), INVALID_FILE_ATTRIBUTES) << files[i];
  CMainFrame* frame = app.MainFrameWnd();
  EXPECT_EQ(ButtonsOf(frame->MainBar().Handle()).size(), 18u);
  EXPECT_EQ(ButtonsOf(frame->GetBrushBar().Handle()).size(), 13u);
  testing::CloseProgram(app);
}

}  // namespace
}  // namespace lumora
