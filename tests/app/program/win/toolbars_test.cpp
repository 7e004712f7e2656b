// The main window's toolbars in the running program, started in this
// process: where they are docked, their buttons and pictures, buttons
// clicked with real mouse input, View's show and hide, Large Buttons, and
// the bars' places across a restart.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/TextDlg.h"
#include "document/win/TextTool.h"
#include "framework/Archive.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/user_input.h"
#include "tests/support/win/window_pixels.h"
#include "hostapi/controls.h"
#include "ui/win/ColourControls.h"
#include "ui/win/CustomizeDlg.h"
#include "ui/ToolIcons.h"
#include "ui/ToolbarState.h"
#include "ui/win/ToolbarImages.h"
#include "ui/win/OwnerDrawControls.h"

namespace lumora {
namespace {

using lumora::testing::DialogScript;
using lumora::testing::RunUntil;

constexpr std::uint32_t kSep = 0;

using lumora::testing::Mouse;

void SendMouse(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// A key pressed or released on the X display (Wine's own keyboard input
// does not reach the key state here): xdotool, run as a Unix program.
void XKey(const char* action, const char* key) {
  std::string line = std::string("Z:\\usr\\bin\\xdotool ") + action + " " + key;
  STARTUPINFOA si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

// A drag by real mouse input from another thread (the press starts a drag
// loop on this one), with `key` held from before the press to after the
// release when given.
void DragByMouse(CLumo40App& app, POINT from, POINT to, const char* key = nullptr) {
  std::atomic<bool> done{false};
  std::thread input([&] {
    SendMouse({Mouse(MOUSEEVENTF_MOVE, from)});
    if (key != nullptr) XKey("keydown", key);
    Sleep(key != nullptr ? 200 : 60);
    SendMouse({Mouse(MOUSEEVENTF_LEFTDOWN)});
    Sleep(120);
    for (int step = 1; step <= 10; ++step) {
      SendMouse({Mouse(MOUSEEVENTF_MOVE, POINT{from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10})});
      Sleep(50);
    }
    Sleep(120);
    SendMouse({Mouse(MOUSEEVENTF_LEFTUP)});
    Sleep(120);
    if (key != nullptr) XKey("keyup", key);
    // Wine enters menu mode on an Alt released after a click (Windows does
    // not): leave it.
    if (key != nullptr && std::string(key) == "Alt_L") XKey("key", "Escape");
    done = true;
  });
  RunUntil(app, [&] { return done.load(); }, 10000);
  input.join();
  RunUntil(app, [] { return false; }, 250);
}

// A drag by real mouse input through the waypoints, each reached in a few
// steps with `key` pressed there first when given; the cursor shown at
// each waypoint is recorded. The button is released at the last one.
struct Waypoint {
  POINT at;
  const char* keyDown = nullptr;
};
std::vector<HCURSOR> DragThrough(CLumo40App& app, POINT from, const std::vector<Waypoint>& path) {
  std::vector<HCURSOR> seen;
  std::vector<const char*> held;
  std::atomic<bool> done{false};
  std::thread input([&] {
    SendMouse({Mouse(MOUSEEVENTF_MOVE, from)});
    Sleep(60);
    SendMouse({Mouse(MOUSEEVENTF_LEFTDOWN)});
    Sleep(120);
    POINT at = from;
    for (const Waypoint& w : path) {
      if (w.keyDown != nullptr) {
        XKey("keydown", w.keyDown);
        held.push_back(w.keyDown);
        Sleep(100);
      }
      for (int step = 1; step <= 6; ++step) {
        SendMouse({Mouse(MOUSEEVENTF_MOVE, POINT{at.x + (w.at.x - at.x) * step / 6, at.y + (w.at.y - at.y) * step / 6})});
        Sleep(50);
      }
      // One more small move, so the drag loop asks for feedback here.
      SendMouse({Mouse(MOUSEEVENTF_MOVE, POINT{w.at.x + 1, w.at.y})});
      Sleep(80);
      SendMouse({Mouse(MOUSEEVENTF_MOVE, w.at)});
      Sleep(150);
      at = w.at;
      CURSORINFO info{sizeof info};
      seen.push_back(GetCursorInfo(&info) ? info.hCursor : nullptr);
    }
    SendMouse({Mouse(MOUSEEVENTF_LEFTUP)});
    Sleep(120);
    for (const char* key : held) XKey("keyup", key);
    done = true;
  });
  RunUntil(app, [&] { return done.load(); }, 15000);
  input.join();
  RunUntil(app, [] { return false; }, 250);
  return seen;
}

HCURSOR ProgramCursor(int id) { return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

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
  static std::vector<std::string> LayoutFiles() { return testing::ToolbarLayoutFilesOfThisProgram(); }
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
  static void Click(CLumo40App& app, HWND bar, std::uint32_t command) { Click(app, bar, ButtonRect(bar, command)); }
  static void Click(CLumo40App& app, HWND window, const RECT& client) {
    const POINT p = ScreenCentre(window, client);
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
  // The registered area tools in table order, text selection, the
  // combine-mode combo in its separator, move, invert and delete.
  std::vector<std::uint32_t> select{32826, kSep};
  for (const RegisteredAreaTool& t : app.areaTools.Tools()) select.push_back(t.command);
  ASSERT_GE(select.size(), 4u);
  for (std::uint32_t id : {32930u, kSep, 40030u, kSep, 40031u, 40035u, 40036u}) select.push_back(id);
  EXPECT_EQ(ButtonsOf(frame->SelectBar().Handle()), select);
  EXPECT_EQ(CCToolBar::FindControlButtons(40030).size(), 1u);
  // The user's tools: tool, separator, tool.
  const std::vector<std::uint32_t> tools = ButtonsOf(frame->ToolsBar().Handle());
  ASSERT_EQ(tools.size(), 3u);
  EXPECT_EQ(tools[1], kSep);
  EXPECT_EQ(tools[0], app.toolMenus.FindToolCommand(LUGetRegToolIDNumber(app.Site(), "Noise", 0)));
  EXPECT_EQ(tools[2], app.toolMenus.FindToolCommand(LUGetRegToolIDNumber(app.Site(), "emboss_effect", 0)));

  // The user's tools show their own pictures: the icon on the button face,
  // cropped and centred on the image size.
  const testing::Capture toolsShot = testing::CaptureClient(frame->ToolsBar().Handle());
  const COLORREF faceRef = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t face = (GetRValue(faceRef) << 16) | (GetGValue(faceRef) << 8) | GetBValue(faceRef);
  const std::pair<std::uint32_t, const char*> icons[] = {{tools[0], "IBV_NOISE"}, {tools[2], "IBV_EMBOSS"}};
  for (const auto& [command, name] : icons) {
    HRSRC r = FindResourceA(nullptr, name, "IBV");
    ASSERT_NE(r, nullptr) << name;
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, r)));
    const auto icon = ComposeIconOnFace(data, SizeofResource(nullptr, r), face);
    ASSERT_TRUE(icon.has_value()) << name;
    const ToolIconPicture centred = CentreOnFace(*icon, face, 17, 16);
    testing::Capture expected{centred.width, centred.height, centred.pixels};
    EXPECT_TRUE(ButtonShows(toolsShot, ButtonRect(frame->ToolsBar().Handle(), command), expected)) << name;
  }

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

// The resource libraries beside the program: loaded as data (this test
// program itself by a relative name), a missing one left empty.
TEST_F(ProgramToolbars, ResourceLibrariesAreListedBesideTheProgram) {
  const std::string program = ProgramFilePath();
  const std::string list = ResourceListFile(program);
  const std::string name = program.substr(program.rfind('\\') + 1);
  WritePrivateProfileStringA("Resources", "Number", "2", list.c_str());
  WritePrivateProfileStringA("Resources", "0", "no_such_library.dll", list.c_str());
  WritePrivateProfileStringA("Resources", "1", name.c_str(), list.c_str());
  ResourceModules modules;
  EXPECT_TRUE(LoadResourceModules(program, modules));
  DeleteFileA(list.c_str());
  ASSERT_EQ(modules.handles.size(), 2u);
  EXPECT_EQ(modules.handles[0], nullptr);
  ASSERT_NE(modules.handles[1], nullptr);
  HBITMAP icon = LoadToolIcon(modules.handles[1], "IBV_NOISE", SIZE{24, 24});
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) DeleteObject(icon);
  EXPECT_EQ(LoadToolIcon(modules.handles[1], "IBV_NONE", SIZE{24, 24}), nullptr);
  // Without the list there are no libraries.
  ResourceModules none;
  EXPECT_FALSE(LoadResourceModules(program, none));
  EXPECT_TRUE(none.handles.empty());
}

// A double click on a tool's button chooses the tool and opens its
// options: an area tool's selection settings, the paint attributes.
TEST_F(ProgramToolbars, DoubleClickedButtonsOpenTheirToolsOptions) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  auto doubleClick = [&](HWND bar, std::uint32_t command) {
    const POINT p = ScreenCentre(bar, ButtonRect(bar, command));
    // The first click's command and the buttons' update run before the second.
    SendMouse({Mouse(MOUSEEVENTF_MOVE, p), Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    RunUntil(app, [] { return false; }, 120);
    SendMouse({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    RunUntil(app, [] { return false; }, 400);
  };
  ASSERT_EQ(LUIsGSelectionTunerDlgOpen(app.Site()), 0);
  doubleClick(frame->SelectBar().Handle(), 40011);
  EXPECT_EQ(app.currentToolCommand, 40011u);
  EXPECT_NE(LUIsGSelectionTunerDlgOpen(app.Site()), 0);
  if (HWND tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(app.Site()))) SendMessageA(tuner, WM_CLOSE, 0, 0);
  RunUntil(app, [] { return false; }, 100);

  // The paint tools wait for an image.
  DialogScript::Run({{"New image", [](HWND d) { testing::Press(d, IDOK); }}});
  Command(app, 57600);
  RunUntil(app, [] { return DialogScript::done == 1; }, 5000);
  DialogScript::Stop();
  testing::Settle(app);
  CPaintAttributes& attributes = frame->PaintAttributes();
  ASSERT_TRUE(attributes.Exists());
  // Chosen and then hidden: the double click leaves the brush chosen and
  // shows the attributes again.
  Click(app, frame->GetBrushBar().Handle(), 32889);
  ASSERT_NE(frame->CurrentTool(), nullptr);
  attributes.ShowWindowState(false);
  // Past the double-click time: the next click starts a new pair.
  RunUntil(app, [] { return false; }, GetDoubleClickTime() + 100);
  doubleClick(frame->GetBrushBar().Handle(), 32889);
  ASSERT_NE(frame->CurrentTool(), nullptr);
  EXPECT_EQ(frame->CurrentTool()->CommandId(), 32889u);
  EXPECT_TRUE(IsWindowVisible(attributes.Handle()));

  // The text selection button: its command waits for the click, and the
  // text dialog opens at once, nothing to edit on the background layer;
  // the click in the view then gives it the new text to type.
  RunUntil(app, [] { return false; }, GetDoubleClickTime() + 100);
  ASSERT_EQ(OpenTextDialog(), nullptr);
  doubleClick(frame->SelectBar().Handle(), ID_IMAGE_TEXT_SELECTION);
  CTextDlg* text = OpenTextDialog();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(IsWindowVisible(text->Handle()));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(text->Handle(), IDC_TEXT_EDIT)));
  EXPECT_TRUE(TextHookRunning());
  fw::FrameWnd* child = frame->GetActiveFrame();
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child->GetActiveView(), nullptr);
  HWND view = child->GetActiveView()->Handle();
  // A point of the view no tool window or the dialog covers.
  RECT inside{};
  GetClientRect(view, &inside);
  POINT free{-1, -1};
  for (int y = inside.top + 8; y < inside.bottom && free.x < 0; y += 16) {
    for (int x = inside.left + 8; x < inside.right && free.x < 0; x += 16) {
      POINT screen{x, y};
      ClientToScreen(view, &screen);
      if (WindowFromPoint(screen) == view) free = POINT{x, y};
    }
  }
  ASSERT_GE(free.x, 0);
  Click(app, view, RECT{free.x, free.y, free.x + 1, free.y + 1});
  EXPECT_FALSE(TextHookRunning());
  ASSERT_EQ(OpenTextDialog(), text);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(text->Handle(), IDC_TEXT_EDIT)));
  testing::Press(text->Handle(), IDCANCEL);
  testing::Settle(app);
  EXPECT_EQ(OpenTextDialog(), nullptr);
  testing::EndProgramIfRunning(app);
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
  RECT floatingPlace{};
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
    // The tools bar dragged by its empty end into the middle floats there.
    HWND tools = frame->ToolsBar().Handle();
    ASSERT_TRUE(frame->ToolsBar().IsVisible());
    GetClientRect(tools, &bar);
    POINT toolsGrab{bar.right / 2, bar.bottom - 4};
    ClientToScreen(tools, &toolsGrab);
    RECT middle{};
    GetWindowRect(frame->MdiClient(), &middle);
    const POINT toolsDrop{(middle.left + middle.right) / 2, (middle.top + middle.bottom) / 2};
    SendMouse({Mouse(MOUSEEVENTF_MOVE, toolsGrab), Mouse(MOUSEEVENTF_LEFTDOWN)});
    RunUntil(app, [] { return false; }, 100);
    for (int step = 1; step <= 8; ++step) {
      const POINT p{toolsGrab.x + (toolsDrop.x - toolsGrab.x) * step / 8, toolsGrab.y + (toolsDrop.y - toolsGrab.y) * step / 8};
      SendMouse({Mouse(MOUSEEVENTF_MOVE, p)});
      RunUntil(app, [] { return false; }, 40);
    }
    SendMouse({Mouse(MOUSEEVENTF_LEFTUP)});
    RunUntil(app, [] { return false; }, 200);
    ASSERT_TRUE(frame->ToolsBar().IsFloating());
    GetWindowRect(GetAncestor(tools, GA_ROOT), &floatingPlace);
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
    ASSERT_TRUE(frame->ToolsBar().IsFloating());
    EXPECT_TRUE(frame->ToolsBar().IsVisible());
    RECT place{};
    GetWindowRect(GetAncestor(frame->ToolsBar().Handle(), GA_ROOT), &place);
    EXPECT_EQ(place.left, floatingPlace.left);
    EXPECT_EQ(place.top, floatingPlace.top);
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

// A combo box in a layout comes back from its record with its items and
// selection, hidden while its bar lies on a side, and is written back as it
// was read; an edit field's record ("WND_UNKNOWN") brings nothing back.
TEST_F(ProgramToolbars, LayoutControlsComeBackFromTheirRecords) {
  {
    CLumo40App app;
    Guard guard{app};
    ASSERT_TRUE(Start(app));
    testing::CloseProgram(app);
  }
  const std::string file = LayoutFiles()[0];
  ToolbarStateRecord state;
  {
    std::string bytes = Contents(file);
    fw::MemFile memory;
    memory.Attach(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    fw::Archive ar(memory, fw::Archive::load);
    state = ReadToolbarState(ar);
  }
  ToolbarButtonRecord combo;
  combo.command = 41000;
  combo.isControl = true;
  combo.control.tag = kTagCombo;
  combo.control.combo.style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST;
  combo.control.combo.id = 41000;
  combo.control.combo.width = 90;
  combo.control.combo.height = 123;
  combo.control.combo.hasItems = true;
  combo.control.combo.items = {"one", "two", "three"};
  combo.control.combo.selection = 1;
  combo.control.combo.droppedWidth = 120;
  ToolbarButtonRecord edit;
  edit.command = 41001;
  edit.isControl = true;
  edit.control.tag = kTagUnknown;
  state.buttons.insert(state.buttons.begin() + 3, combo);
  state.buttons.insert(state.buttons.begin() + 4, edit);
  {
    fw::MemFile memory;
    fw::Archive ar(memory, fw::Archive::store);
    WriteToolbarState(ar, state);
    ar.Close();
    Write(file, std::string(reinterpret_cast<const char*>(memory.Data()), static_cast<std::size_t>(memory.GetLength())));
  }
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  std::vector<std::uint32_t> expected{57600, 57601, 57603, 41000};
  const std::vector<std::uint32_t> buttons = ButtonsOf(frame->MainBar().Handle());
  ASSERT_GE(buttons.size(), 5u);
  EXPECT_EQ(std::vector<std::uint32_t>(buttons.begin(), buttons.begin() + 4), expected);
  EXPECT_EQ(buttons[4], kSep);
  const std::vector<HWND> found = CCToolBar::FindControlButtons(41000);
  ASSERT_EQ(found.size(), 1u);
  HWND box = found.front();
  EXPECT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(box, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(box, CB_GETDROPPEDWIDTH, 0, 0), 120);
  EXPECT_TRUE(IsWindowVisible(box));
  RECT r{};
  GetWindowRect(box, &r);
  EXPECT_EQ(r.right - r.left, 90);
  testing::CloseProgram(app);
  // Saved again: the combo's record as it was, the edit field gone.
  ToolbarStateRecord again;
  std::string bytes = Contents(file);
  fw::MemFile memory;
  memory.Attach(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive ar(memory, fw::Archive::load);
  again = ReadToolbarState(ar);
  ASSERT_EQ(again.buttons.size(), state.buttons.size() - 1);
  const ComboRecord& back = again.buttons[3].control.combo;
  EXPECT_EQ(again.buttons[3].control.tag, kTagCombo);
  EXPECT_EQ(back.items, combo.control.combo.items);
  EXPECT_EQ(back.selection, 1);
  EXPECT_EQ(back.width, 90);
  // The list does not grow from start to start (Wine's combo box answers
  // less for its dropped-down rectangle than it was made with).
  EXPECT_LE(back.height, 123);
  EXPECT_GT(back.height, 30);
  EXPECT_EQ(back.id, 41000u);
  EXPECT_EQ(back.droppedWidth, 120u);
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

// Options/Customize Toolbars: the collection sorted into categories, a
// button dragged from it onto the paint bar by the mouse lands at the
// insert mark, one dragged off every bar goes, Ctrl copies between bars,
// the list of bars shows and hides them; Close ends customising.
TEST_F(ProgramToolbars, CustomizeDialogDragsButtonsAndShowsBars) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  HWND brush = frame->GetBrushBar().Handle();
  HWND main = frame->MainBar().Handle();
  const std::vector<std::uint32_t> brushBefore = ButtonsOf(brush);
  Command(app, ID_OPTIONS_CUSTOMIZE);
  testing::Settle(app);
  CCustomizeDlg* dialog = CCustomizeDlg::Open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(CCToolBar::InCustomizeMode());
  // Embedded controls are disabled while customising.
  EXPECT_FALSE(IsWindowEnabled(CCToolBar::FindControlButtons(40030).front()));
  // While it is open the command is checked and disabled.
  const fw::CmdUIState state = fw::QueryCommandState(*frame, ID_OPTIONS_CUSTOMIZE, 0, fw::CmdUIState{}, true);
  EXPECT_FALSE(state.enabled);
  EXPECT_EQ(state.checked, 1);

  // Categories in order; the groups of the registered tools between
  // Selection and Help.
  const std::vector<std::string>& categories = dialog->Categories();
  ASSERT_GE(categories.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(categories.begin(), categories.begin() + 5),
            (std::vector<std::string>{"File", "Edit", "View", "Brushes", "Selection"}));
  EXPECT_EQ(categories.back(), "Help");
  auto commandsOf = [&](const std::string& category) {
    std::vector<std::uint32_t> ids;
    for (const auto& e : *dialog->Entries(category)) ids.push_back(static_cast<std::uint32_t>(e->button.idCommand));
    return ids;
  };
  EXPECT_EQ(commandsOf("File"), (std::vector<std::uint32_t>{57600, 57601, 57603}));
  EXPECT_EQ(commandsOf("Edit"), (std::vector<std::uint32_t>{57635, 57634, 57637, 57643, 57644, 32944, 32826}));
  EXPECT_EQ(commandsOf("View"), (std::vector<std::uint32_t>{33114, 32805, 32977, 33108}));
  EXPECT_EQ(commandsOf("Help"), (std::vector<std::uint32_t>{57664, 57669}));
  // The paint bar's colour control comes as a control copy of the collection's own.
  const auto& brushes = *dialog->Entries("Brushes");
  ASSERT_FALSE(brushes.empty());
  EXPECT_EQ(brushes.front()->button.idCommand, ID_COLOUR_CONTROL);
  ASSERT_NE(brushes.front()->control, nullptr);
  EXPECT_NE(brushes.front()->control->Handle(), CCToolBar::FindControlButtons(ID_COLOUR_CONTROL).front());
  std::vector<std::uint32_t> selection = commandsOf("Selection");
  EXPECT_EQ(std::count(selection.begin(), selection.end(), 32826u), 0);
  EXPECT_EQ(std::count(selection.begin(), selection.end(), 40030u), 1);
  // Every registered tool with a command sits in one of the groups.
  std::size_t tools = 0;
  for (std::size_t i = 5; i + 1 < categories.size(); ++i) {
    for (const auto& e : *dialog->Entries(categories[i])) tools += e->button.idCommand >= 500 && e->button.idCommand <= 899;
  }
  std::size_t registered = 0;
  for (int t = LUGetRegToolItem(app.Site(), 0); t != 0; t = LUGetRegToolItem(app.Site(), t)) {
    registered += app.toolMenus.FindToolCommand(t) != 0;
  }
  EXPECT_EQ(tools, registered);
  EXPECT_GT(tools, 5u);

  // The Commands page: the category chosen fills the viewer; a click on a
  // picture shows its description.
  CCommandsPage& page = dialog->CommandsPage();
  HWND combo = page.Item(IDC_CUST_CATEGORY);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(categories.size()));
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_CUST_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  CButtonList& viewer = page.Viewer();
  ASSERT_EQ(viewer.ItemCount(), 7);
  RunUntil(app, [] { return false; }, 100);

  // Cut dragged onto the paint bar, before its third button (the line).
  const RECT cut = viewer.ItemRect(0);
  const POINT from = ScreenCentre(viewer.Handle(), cut);
  RECT line = ButtonRect(brush, 32891);
  POINT to{(line.left + line.right) / 2, line.top + 3};
  ClientToScreen(brush, &to);
  const int lineIndex = static_cast<int>(SendMessageA(brush, TB_COMMANDTOINDEX, 32891, 0));
  DragByMouse(app, from, to);
  std::vector<std::uint32_t> expected = brushBefore;
  expected.insert(expected.begin() + lineIndex, 57635);
  EXPECT_EQ(ButtonsOf(brush), expected);
  // The collection keeps its own.
  EXPECT_EQ(commandsOf("Edit").front(), 57635u);
  char description[256] = {};
  GetDlgItemTextA(page.Handle(), IDC_CUST_DESCRIPTION, description, sizeof description);
  EXPECT_STREQ(description, "Cut the selection and put it on the Clipboard");

  // Ctrl held: the paint brush copied to the main bar's end; both keep it.
  RECT lastMain = ButtonRect(main, 57669);
  POINT end{lastMain.right + 2, (lastMain.top + lastMain.bottom) / 2};
  ClientToScreen(main, &end);
  DragByMouse(app, ScreenCentre(brush, ButtonRect(brush, 32889)), end, "Control_L");
  EXPECT_EQ(ButtonsOf(main).back(), 32889u);
  EXPECT_GE(SendMessageA(brush, TB_COMMANDTOINDEX, 32889, 0), 0);

  // Cut dragged off every bar (into the empty window area) goes.
  RECT client{};
  GetWindowRect(frame->MdiClient(), &client);
  DragByMouse(app, ScreenCentre(brush, ButtonRect(brush, 57635)), POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2});
  EXPECT_EQ(ButtonsOf(brush), brushBefore);

  // The Toolbars page: a check per bar; clearing the paint bar's hides it,
  // showing it from the View menu checks it again.
  dialog->SetActivePage(1);
  testing::Settle(app);
  CExCheckList& list = dialog->ToolbarsPage().List();
  ASSERT_EQ(list.Count(), 4);
  int paint = -1;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.ItemData(i) == &frame->GetBrushBar()) paint = i;
  }
  ASSERT_GE(paint, 0);
  EXPECT_EQ(list.GetCheck(paint), 1);
  RECT item{};
  list.Send(LB_GETITEMRECT, static_cast<WPARAM>(paint), reinterpret_cast<LPARAM>(&item));
  const RECT box = CExCheckList::CheckBoxOf(item);
  list.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.left + 2, (box.top + box.bottom) / 2));
  list.Send(WM_LBUTTONUP, 0, MAKELPARAM(box.left + 2, (box.top + box.bottom) / 2));
  testing::Settle(app);
  EXPECT_EQ(list.GetCheck(paint), 0);
  EXPECT_FALSE(frame->GetBrushBar().IsVisible());
  frame->ShowControlBar(&frame->GetBrushBar(), true, false);
  EXPECT_EQ(list.GetCheck(paint), 1);
  // A bar that may not be customised keeps its check.
  list.SetCheckEnabled(paint, false);
  list.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.left + 2, (box.top + box.bottom) / 2));
  list.Send(WM_LBUTTONUP, 0, MAKELPARAM(box.left + 2, (box.top + box.bottom) / 2));
  EXPECT_EQ(list.GetCheck(paint), 1);
  EXPECT_TRUE(frame->GetBrushBar().IsVisible());

  // "Close" in place of OK and Cancel, the sheet ending a margin below
  // it; Help asks for the page's help (none is installed here).
  HWND closeButton = GetDlgItem(dialog->Handle(), IDCANCEL);
  EXPECT_TRUE(IsWindowVisible(closeButton));
  char closeText[32] = {};
  GetWindowTextA(closeButton, closeText, sizeof closeText);
  EXPECT_STREQ(closeText, "Close");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog->Handle(), IDOK)));
  RECT closeRect{}, sheetClient{};
  GetWindowRect(closeButton, &closeRect);
  MapWindowPoints(nullptr, dialog->Handle(), reinterpret_cast<POINT*>(&closeRect), 2);
  GetClientRect(dialog->Handle(), &sheetClient);
  EXPECT_EQ(sheetClient.bottom - closeRect.bottom, SheetBottomMargin(dialog->Handle()));
  HWND helpButton = GetDlgItem(dialog->Handle(), IDHELP);
  ASSERT_NE(helpButton, nullptr);
  EXPECT_TRUE(IsWindowVisible(helpButton));
  EXPECT_TRUE(IsWindowEnabled(helpButton));
  std::string helpBox;
  DialogScript::Run({{"Lumora 4.0", [&](HWND d) {
                        char text[512] = {};
                        GetDlgItemTextA(d, 0xFFFF, text, sizeof text);
                        helpBox = text;
                        testing::Press(d, IDOK);
                      }}});
  SendMessageA(dialog->Handle(), PSM_PRESSBUTTON, PSBTN_HELP, 0);
  RunUntil(app, [&] { return DialogScript::done == 1; }, 5000);
  DialogScript::Stop();
  EXPECT_EQ(helpBox.rfind("Help is not installed", 0), 0u) << helpBox;

  // Close: the dialog goes and the bars leave customise mode.
  testing::Press(dialog->Handle(), IDCANCEL);
  testing::Settle(app);
  EXPECT_EQ(CCustomizeDlg::Open(), nullptr);
  EXPECT_FALSE(CCToolBar::InCustomizeMode());
  EXPECT_TRUE(IsWindowEnabled(CCToolBar::FindControlButtons(40030).front()));
  EXPECT_TRUE(IsWindowEnabled(frame->MdiClient()));
  EXPECT_FALSE(CCToolBar::InCustomizeMode());
  testing::CloseProgram(app);
  // No key is left down on the display for whatever runs next.
  XKey("keyup", "Control_L");
}

// In customise mode a control's right edge dragged by the mouse makes it
// wider or narrower (moves of 4 pixels or less and widths below 5 pixels
// change nothing); the width comes back at the next start.
TEST_F(ProgramToolbars, ControlsAreResizedByTheirRightEdge) {
  int widened = 0;
  {
    CLumo40App app;
    Guard guard{app};
    ASSERT_TRUE(Start(app));
    Command(app, ID_OPTIONS_CUSTOMIZE);
    testing::Settle(app);
    ASSERT_NE(CCustomizeDlg::Open(), nullptr);
    ASSERT_EQ(CCToolBar::FindControlButtons(40030).size(), 1u);
    HWND combo = CCToolBar::FindControlButtons(40030).front();
    HWND bar = GetParent(combo);
    const int index = static_cast<int>(SendMessageA(bar, TB_COMMANDTOINDEX, 40030, 0));
    ASSERT_GE(index, 0);
    auto place = [&] {
      RECT r{};
      GetWindowRect(combo, &r);
      return r;
    };
    auto separatorWidth = [&] {
      RECT r{};
      SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
      return static_cast<int>(r.right - r.left);
    };
    const RECT before = place();
    const int width = before.right - before.left;
    const int middle = (before.top + before.bottom) / 2;
    DragByMouse(app, POINT{before.right - 2, middle}, POINT{before.right + 38, middle});
    RECT after = place();
    EXPECT_EQ(after.right - after.left, width + 38);
    EXPECT_EQ(separatorWidth(), width + 38);
    // Over the selected control's right edge the resize cursor shows.
    SendMouse({Mouse(MOUSEEVENTF_MOVE, POINT{after.right - 2, middle})});
    RunUntil(app, [] { return false; }, 200);
    CURSORINFO info{sizeof info};
    ASSERT_TRUE(GetCursorInfo(&info));
    EXPECT_EQ(info.hCursor, ProgramCursor(30980));
    // 4 pixels or less: nothing; narrower than 5 pixels: nothing.
    DragByMouse(app, POINT{after.right - 2, middle}, POINT{after.right + 2, middle});
    EXPECT_EQ(place().right - place().left, width + 38);
    DragByMouse(app, POINT{after.right - 2, middle}, POINT{after.left + 3, middle});
    EXPECT_EQ(place().right - place().left, width + 38);
    // Narrowed by 20.
    DragByMouse(app, POINT{after.right - 2, middle}, POINT{after.right - 20, middle});
    widened = width + 18;
    EXPECT_EQ(place().right - place().left, widened);
    EXPECT_EQ(separatorWidth(), widened);
    testing::Press(CCustomizeDlg::Open()->Handle(), IDCANCEL);
    testing::Settle(app);
    testing::CloseProgram(app);
  }
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  ASSERT_EQ(CCToolBar::FindControlButtons(40030).size(), 1u);
  RECT r{};
  GetWindowRect(CCToolBar::FindControlButtons(40030).front(), &r);
  EXPECT_EQ(r.right - r.left, widened);
  testing::CloseProgram(app);
}

// A button dropped back on its own place: 4 or more pixels down (the bar
// lies along the left side) puts a separator before it, as many up takes
// that separator away; Escape during a drag off every bar keeps the button.
TEST_F(ProgramToolbars, DropsOnTheirOwnPlaceAndEscapeKeepTheButton) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  HWND brush = frame->GetBrushBar().Handle();
  ASSERT_EQ(frame->GetBrushBar().Side(), fw::DockSide::kLeft);
  Command(app, ID_OPTIONS_CUSTOMIZE);
  testing::Settle(app);
  ASSERT_NE(CCustomizeDlg::Open(), nullptr);
  const std::vector<std::uint32_t> before = ButtonsOf(brush);
  const auto curve = std::find(before.begin(), before.end(), 32892u) - before.begin();
  ASSERT_GT(curve, 0);
  ASSERT_NE(before[static_cast<std::size_t>(curve) - 1], kSep);
  RECT client{};
  GetWindowRect(frame->MdiClient(), &client);
  const POINT away{client.left + 40, (client.top + client.bottom) / 2};
  auto centre = [&] { return ScreenCentre(brush, ButtonRect(brush, 32892)); };

  POINT press = centre();
  DragThrough(app, press, {{away}, {POINT{press.x, press.y + 6}}});
  std::vector<std::uint32_t> expected = before;
  expected.insert(expected.begin() + curve, kSep);
  EXPECT_EQ(ButtonsOf(brush), expected);

  press = centre();
  DragThrough(app, press, {{away}, {POINT{press.x, press.y - 6}}});
  EXPECT_EQ(ButtonsOf(brush), before);
  // Less than 4 pixels: nothing changes.
  press = centre();
  DragThrough(app, press, {{away}, {POINT{press.x, press.y + 3}}});
  EXPECT_EQ(ButtonsOf(brush), before);

  // Off every bar with Escape pressed before the release: it stays.
  DragThrough(app, centre(), {{away}, {POINT{away.x + 10, away.y}, "Escape"}});
  EXPECT_EQ(ButtonsOf(brush), before);
  // The same without Escape takes it away.
  DragThrough(app, centre(), {{away}, {POINT{away.x + 10, away.y}}});
  expected = before;
  expected.erase(expected.begin() + curve);
  EXPECT_EQ(ButtonsOf(brush), expected);
  // The last button taken away leaves no separator at the end.
  ASSERT_GE(expected.size(), 3u);
  ASSERT_EQ(expected.back(), 32945u);
  ASSERT_EQ(expected[expected.size() - 2], kSep);
  DragThrough(app, ScreenCentre(brush, ButtonRect(brush, 32945)), {{away}});
  expected.resize(expected.size() - 2);
  EXPECT_EQ(ButtonsOf(brush), expected);

  testing::Press(CCustomizeDlg::Open()->Handle(), IDCANCEL);
  testing::Settle(app);
  testing::CloseProgram(app);
}

// Outside customise mode a press with Alt held drags one button: About
// moved from the main bar to the paint bar's end; the mode ends with it.
TEST_F(ProgramToolbars, AltDragsOneButtonOutsideTheCustomiseSheet) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  HWND brush = frame->GetBrushBar().Handle();
  HWND main = frame->MainBar().Handle();
  RECT lastBrush = ButtonRect(brush, 32945);
  POINT brushEnd{(lastBrush.left + lastBrush.right) / 2, lastBrush.bottom + 3};
  ClientToScreen(brush, &brushEnd);
  // The keys go to the active window: the main window's.
  SetForegroundWindow(frame->Handle());
  RunUntil(app, [] { return false; }, 200);
  ASSERT_FALSE(CCToolBar::InCustomizeMode());
  DragByMouse(app, ScreenCentre(main, ButtonRect(main, 57664)), brushEnd, "Alt_L");
  EXPECT_EQ(ButtonsOf(brush).back(), 57664u);
  EXPECT_LT(SendMessageA(main, TB_COMMANDTOINDEX, 57664, 0), 0);
  EXPECT_FALSE(CCToolBar::InCustomizeMode());
  XKey("keyup", "Alt_L");
  testing::CloseProgram(app);
}

// The drags' cursors: a button or a control over no bar, moved onto a
// bar, copied with Ctrl, each the program's own cursor.
TEST_F(ProgramToolbars, DragCursorsShowWhatADropWouldDo) {
  CLumo40App app;
  Guard guard{app};
  ASSERT_TRUE(Start(app));
  CMainFrame* frame = app.MainFrameWnd();
  HWND brush = frame->GetBrushBar().Handle();
  HWND main = frame->MainBar().Handle();
  Command(app, ID_OPTIONS_CUSTOMIZE);
  testing::Settle(app);
  CCustomizeDlg* dialog = CCustomizeDlg::Open();
  ASSERT_NE(dialog, nullptr);
  CCommandsPage& page = dialog->CommandsPage();
  CButtonList& viewer = page.Viewer();
  HWND combo = page.Item(IDC_CUST_CATEGORY);
  auto choose = [&](const std::string& category) {
    const std::vector<std::string>& all = dialog->Categories();
    const auto at = std::find(all.begin(), all.end(), category) - all.begin();
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(IDC_CUST_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    RunUntil(app, [] { return false; }, 100);
  };
  RECT client{};
  GetWindowRect(frame->MdiClient(), &client);
  const POINT nowhere{client.left + 30, client.bottom - 30};
  auto onBar = [&](HWND bar, std::uint32_t command, int dx) {
    RECT r = ButtonRect(bar, command);
    POINT p{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
    ClientToScreen(bar, &p);
    return p;
  };

  // Cut from the collection: over no bar, over the paint bar, Ctrl held.
  choose("Edit");
  const std::vector<std::uint32_t> brushBefore = ButtonsOf(brush);
  std::vector<HCURSOR> seen = DragThrough(app, ScreenCentre(viewer.Handle(), viewer.ItemRect(0)),
                                          {{nowhere}, {onBar(brush, 32891, 0)}, {onBar(brush, 32891, 2), "Control_L"}});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], ProgramCursor(133));
  EXPECT_EQ(seen[1], ProgramCursor(146));
  EXPECT_EQ(seen[2], ProgramCursor(4));
  EXPECT_EQ(ButtonsOf(brush).size(), brushBefore.size() + 1);
  for (int id : {133, 146, 4, 148, 149, 147}) EXPECT_NE(ProgramCursor(id), nullptr) << id;

  // The combine-mode combo: a control's cursors.
  choose("Selection");
  const auto& entries = *dialog->Entries("Selection");
  int comboItem = -1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i]->button.idCommand == 40030) comboItem = static_cast<int>(i);
  }
  ASSERT_GE(comboItem, 0);
  const std::size_t combosBefore = CCToolBar::FindControlButtons(40030).size();
  seen = DragThrough(app, ScreenCentre(viewer.Handle(), viewer.ItemRect(comboItem)),
                     {{nowhere}, {onBar(main, 57669, 0)}, {onBar(main, 57669, 2), "Control_L"}});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], ProgramCursor(148));
  EXPECT_EQ(seen[1], ProgramCursor(149));
  EXPECT_EQ(seen[2], ProgramCursor(147));
  EXPECT_EQ(CCToolBar::FindControlButtons(40030).size(), combosBefore + 1);

  testing::Press(dialog->Handle(), IDCANCEL);
  testing::Settle(app);
  testing::CloseProgram(app);
  XKey("keyup", "Control_L");
}

}  // namespace
}  // namespace lumora
