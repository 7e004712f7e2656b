// View navigation in the running program, started in this process with
// ag-psd's ten-layer 4000 x 3000 file on the command line: the zoom keys
// and window sizes, the view's pixels at 2:1, the zoom tool with its band
// and auto-scroll, rulers in centimetres and pixels, guides dragged from a
// ruler, the navigator, and the guides-and-grid preferences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "hostapi/toolhost.h"
#include "platform/rect.h"
#include "res/resource.h"
#include "select/win/PickOnView.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"
#include "tests/support/win/user_input.h"
#include "tests/support/win/window_pixels.h"
#include "view/Guides.h"
#include "view/NavigatorMath.h"
#include "view/Rulers.h"
#include "view/win/ChildFrame.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "ui/win/NavigatorWnd.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using lumora::testing::Capture;
using lumora::testing::CaptureClient;
using lumora::testing::CompositePixel;
using lumora::testing::DialogScript;
using lumora::testing::Chord;
using lumora::testing::CloseProgramDiscardingChanges;
using lumora::testing::Key;
using lumora::testing::Mouse;
using lumora::testing::OnScreen;
using lumora::testing::ProgramGuard;
using lumora::testing::Send;
using lumora::testing::SettingsFileOfThisProgram;

// These tests follow timers and posted moves: the program's loop wakes
// every 10 ms rather than the driver's 20.
constexpr DWORD kPollMs = 10;

bool RunUntilPolling10ms(CLumo40App& app, const std::function<bool()>& done, DWORD timeoutMs = 60000) {
  return lumora::testing::RunUntil(app, done, timeoutMs, kPollMs);
}

// Messages for a while (timers, posted moves).
void RunFor(CLumo40App& app, DWORD ms) { lumora::testing::RunFor(app, ms, kPollMs); }

void SettlePolling10ms(CLumo40App& app, CLumo40Doc* doc) { lumora::testing::Settle(app, doc, kPollMs); }

// ---- Input as the user gives it.

// A tool window over the point is moved aside first.
void MoveTo(HWND window, POINT client) {
  lumora::testing::MoveCoveringWindowAside(window, client);
  Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(window, client))});
}

// Where the pointer really is, in a window's client coordinates.
POINT CursorIn(HWND window) {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  return p;
}
void Press(bool right = false) { Send({Mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN)}); }
void Release(bool right = false) { Send({Mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)}); }

// A window's client as it stands on the screen.
Capture ScreenClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return lumora::testing::CaptureDc(client.right, client.bottom, [window](HDC dc) {
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
}

// The status bar's position text without its padding.
std::string Trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

// ---- The program with the file.

class ViewNavigation : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = fw::ParseProcessCommandLine().fileName;
    if (file_.empty()) GTEST_SKIP() << "run with the ten-layer file on the command line";
  }

  // Starts the program (the file opens from the command line) and waits
  // until its view is wholly painted.
  bool Start(CLumo40App& app) {
    const lumora::testing::StartedProgram shown = lumora::testing::StartProgram(app, kPollMs);
    doc_ = shown.doc;
    frame_ = shown.frame;
    view_ = shown.view;
    return view_ != nullptr;
  }

  static CLumo40View* View(CLumo40App& app) {
    fw::FrameWnd* child = app.MainFrameWnd()->GetActiveFrame();
    return child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
  }

  // The zoom as displayed : image pixels along x.
  double Magnification() const { return 1.0 / view_->ZoomRatio(); }

  std::string Title() const {
    char text[256] = {};
    GetWindowTextA(GetParent(view_->Handle()), text, sizeof text);
    return text;
  }

  // The View popup of the frame's menu, after WM_INITMENUPOPUP.
  HMENU ViewPopup() const {
    HMENU bar = GetMenu(frame_);
    for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
      char text[64] = {};
      GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (std::string(text) == "&View") {
        HMENU popup = GetSubMenu(bar, i);
        SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
        return popup;
      }
    }
    return nullptr;
  }

  UINT ItemState(UINT id) const {
    HMENU popup = ViewPopup();
    if (popup == nullptr) return 0xFFFFFFFF;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      if (HMENU sub = GetSubMenu(popup, i)) SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), i);
    }
    return GetMenuState(popup, id, MF_BYCOMMAND);
  }

  lumora::testing::FreshSettings settings_;
  const std::string& ini_ = settings_.path();
  std::string file_;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
  HWND frame_ = nullptr;
};

// Ctrl++ from 1:1 walks 2:1 .. 32:1 and stops there, with Zoom In greyed;
// Ctrl+- walks back down to 1:32; title and status follow; Ctrl+1 and
// Ctrl+W give their sizes, and a window size is checked at its zoom.
TEST_F(ViewNavigation, ZoomKeysWalkTheLadderAndWindowSizesFit) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  EXPECT_GT(view_->ZoomRatio(), 1.0);  // 4000 x 3000 opens reduced
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  Chord({VK_CONTROL, '1'});
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() == 1.0; }, 5000));
  EXPECT_NE(Title().find(" 100%"), std::string::npos) << Title();
  EXPECT_NE(ItemState(ID_VIEW_ORIGINAL_SIZE) & MF_CHECKED, 0u);
  EXPECT_NE(ItemState(ID_VIEW_ORIGINAL_SIZE) & MF_GRAYED, 0u);
  for (int n : {2, 4, 6, 8, 16, 32}) {
    Chord({VK_CONTROL, VK_OEM_PLUS});  // Ctrl+=, the plus key's own place
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return Magnification() == n; }, 5000)) << n << ":1, at " << Magnification();
    RunFor(app, 30);
    EXPECT_NE(Title().find(" " + std::to_string(100 * n) + "%"), std::string::npos) << Title();
    EXPECT_NE(status.GetPaneText(2).find(", " + std::to_string(n) + ":1"), std::string::npos) << status.GetPaneText(2);
  }
  EXPECT_NE(ItemState(ID_VIEW_ZOOM_IN) & MF_GRAYED, 0u);
  Chord({VK_CONTROL, VK_SHIFT, VK_OEM_PLUS});  // Ctrl++ as typed: nothing past 32:1
  RunFor(app, 100);
  EXPECT_EQ(Magnification(), 32.0);
  const double down[] = {16, 8, 6, 4, 2, 1, 1.0 / 2, 1.0 / 4, 1.0 / 6, 1.0 / 8, 1.0 / 16, 1.0 / 32};
  for (double m : down) {
    Chord({VK_CONTROL, VK_OEM_MINUS});
    // 4000 / 6 shows 666 columns: within a hundredth.
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return std::abs(Magnification() / m - 1) < 0.01; }, 5000)) << m << " at " << Magnification();
  }
  RunFor(app, 30);
  EXPECT_NE(Title().find(" 3%"), std::string::npos) << Title();
  EXPECT_NE(status.GetPaneText(2).find(", 1:32"), std::string::npos) << status.GetPaneText(2);
  EXPECT_NE(ItemState(ID_VIEW_ZOOM_OUT) & MF_GRAYED, 0u);
  EXPECT_EQ(ItemState(ID_VIEW_ZOOM_IN) & MF_GRAYED, 0u);

  // 1:8, then Ctrl+W fits the frame to the zoomed image: 500 x 375.
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_WINDOW_SIZE_FIRST + 2, 0);
  RunFor(app, 50);
  EXPECT_EQ(Magnification(), 1.0 / 8);
  EXPECT_NE(ItemState(ID_VIEW_WINDOW_SIZE_FIRST + 2) & MF_CHECKED, 0u);
  SetWindowPos(GetParent(view_->Handle()), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Chord({VK_CONTROL, 'W'});
  RunFor(app, 100);
  RECT client{};
  GetClientRect(view_->Handle(), &client);
  EXPECT_EQ(client.right, 500);
  EXPECT_EQ(client.bottom, 375);
  // Window size 6:1 zooms and is checked.
  SendMessageA(frame_, WM_COMMAND, 32989, 0);
  RunFor(app, 50);
  EXPECT_EQ(Magnification(), 6.0);
  EXPECT_NE(ItemState(32989) & MF_CHECKED, 0u);
  EXPECT_EQ(ItemState(32988) & MF_CHECKED, 0u);
  CloseProgramDiscardingChanges(app);
}

// The menu's own keys, "+" and "-" as typed (main keyboard or keypad),
// step along the ladder, keeping the middle of the view where it was.
TEST_F(ViewNavigation, PlusAndMinusAsTypedZoom) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  ShowWindow(GetParent(view_->Handle()), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  view_->ScrollToDevicePosition(POINT{1200, 900});
  SetForegroundWindow(frame_);
  SetFocus(view_->Handle());
  RunFor(app, 30);
  // The image pixel in the middle of the view's whole client area, scroll
  // bars included: the one a zoom step keeps.
  auto middle = [&] {
    const RECT whole = view_->GetClientRectWithScrollBars();
    return view_->WindowPointToImagePixel(POINT{whole.right / 2, whole.bottom / 2});
  };
  struct Step {
    std::initializer_list<WORD> keys;
    double magnification;
  };
  const Step steps[] = {{{VK_OEM_MINUS}, 0.5}, {{VK_SHIFT, VK_OEM_PLUS}, 1.0}, {{VK_ADD}, 2.0}, {{VK_SUBTRACT}, 1.0}};
  for (const Step& step : steps) {
    const POINT before = middle();
    Chord(step.keys);
    EXPECT_TRUE(RunUntilPolling10ms(app, [&] { return Magnification() == step.magnification; }, 3000))
        << step.magnification << " at " << Magnification();
    // The zoom keeps the middle of the view: to a window pixel at 1:2, the
    // coarsest zoom met, and one more for rounding.
    const POINT after = middle();
    const int reach = 3;
    EXPECT_LE(std::abs(after.x - before.x), reach) << step.magnification;
    EXPECT_LE(std::abs(after.y - before.y), reach) << step.magnification;
  }
  CloseProgramDiscardingChanges(app);
}

// At 2:1 every window pixel around the middle is the opaque composite's
// pixel under it, enlarged by two without filtering.
TEST_F(ViewNavigation, TwoToOneShowsTheCompositeEnlargedExactly) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  ShowWindow(GetParent(view_->Handle()), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_IN, 0);
  ASSERT_EQ(Magnification(), 2.0);
  SettlePolling10ms(app, doc_);
  const Capture shot = CaptureClient(view_->Handle());
  WAPtr composite = doc_->Image().GetLayers()->GetCompositeImage();
  const VRXFORM map = view_->Mapping();
  int compared = 0, wrong = 0;
  for (int v = shot.height / 2 - 64; v < shot.height / 2 + 64; ++v) {
    for (int u = shot.width / 2 - 64; u < shot.width / 2 + 64; ++u) {
      POINT p{u, v};
      map.XForm(&p, kXFPixels);
      // Two window pixels a side: the pixel's column and row pair.
      POINT back = p;
      map.RevXForm(&back, kXFPixels);
      EXPECT_LE(u - back.x, 1);
      EXPECT_LE(v - back.y, 1);
      ++compared;
      if (shot.At(u, v) != CompositePixel(*composite, p.x, p.y) && ++wrong < 5) {
        ADD_FAILURE() << "window " << u << "," << v << " image " << p.x << "," << p.y;
      }
    }
  }
  EXPECT_EQ(compared, 128 * 128);
  EXPECT_EQ(wrong, 0);
  CloseProgramDiscardingChanges(app);
}

// The zoom tool: the first click gives its starting zoom, a later click
// one step in, a right click one step out; a dragged band is shown whole
// and fills the client along one axis; Escape ends the pick; a band
// dragged past the right edge scrolls the view in 50 ms steps and grows.
TEST_F(ViewNavigation, ZoomToolClicksBandsAndScrollsPastTheEdge) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_WINDOW_SIZE_FIRST + 4, 0);  // 1:4
  RunFor(app, 50);
  ASSERT_EQ(view_->ZoomRatio(), 4.0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_TOOL, 0);
  ASSERT_TRUE(view_->pickInProgress);
  EXPECT_NE(ItemState(ID_VIEW_ZOOM_TOOL) & MF_CHECKED, 0u);
  RECT client{};
  GetClientRect(window, &client);
  const POINT middle{client.right / 2, client.bottom / 2};
  MoveTo(window, middle);
  RunFor(app, 30);
  const POINT clicked = CursorIn(window);
  const POINT under = view_->WindowPointToImagePixel(clicked);
  Press();
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() == 2.0; }, 5000)) << view_->ZoomRatio();  // 1:4 starts at 1:2
  // The clicked image pixel is in the middle now.
  GetClientRect(window, &client);  // the bars came with the zoom
  const POINT now = view_->WindowPointToImagePixel(POINT{(client.right + 1) / 2, (client.bottom + 1) / 2});
  EXPECT_LE(std::abs(now.x - under.x), 2);
  EXPECT_LE(std::abs(now.y - under.y), 2);
  Press();
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() == 1.0; }, 5000));
  Press(true);
  Release(true);
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() == 2.0; }, 5000));

  // A band from (100, 80) to (260, 150): afterwards that image rectangle
  // lies wholly in the client and spans it along one axis.
  const POINT a{100, 80}, b{260, 150};
  MoveTo(window, a);
  RunFor(app, 20);
  const POINT ia = view_->WindowPointToImagePixel(CursorIn(window));
  Press();
  RunFor(app, 20);
  MoveTo(window, POINT{180, 120});
  RunFor(app, 20);
  MoveTo(window, b);
  RunFor(app, 20);
  const POINT ib = view_->WindowPointToImagePixel(CursorIn(window));
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() < 1.0; }, 5000)) << view_->ZoomRatio();
  RunFor(app, 50);
  RECT band{std::min(ia.x, ib.x), std::min(ia.y, ib.y), std::max(ia.x, ib.x) + 1, std::max(ia.y, ib.y) + 1};
  view_->Mapping().RevXForm(&band, kXFRects);
  GetClientRect(window, &client);
  // The displayed extents round halves up and the middle goes to
  // (client + 1) / 2: on a client of odd size the band may pass each edge
  // by two pixels.
  EXPECT_GE(band.left, -2);
  EXPECT_GE(band.top, -2);
  EXPECT_LE(band.right, client.right + 2);
  EXPECT_LE(band.bottom, client.bottom + 2);
  const bool fillsAcross = RectWidth(band) >= client.right - 2 - static_cast<LONG>(1 / view_->ZoomRatio());
  const bool fillsDown = RectHeight(band) >= client.bottom - 2 - static_cast<LONG>(1 / view_->ZoomRatio());
  EXPECT_TRUE(fillsAcross || fillsDown) << RectWidth(band) << "x" << RectHeight(band) << " in " << client.right
                                        << "x" << client.bottom;

  // Escape ends the pick.
  Chord({VK_ESCAPE});
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->pickInProgress; }, 5000));

  // Past the right edge: 1:1, a band from inside to beyond the edge.
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_TOOL, 0);
  ASSERT_TRUE(view_->pickInProgress);
  GetClientRect(window, &client);
  const POINT start{client.right - 100, client.bottom / 2};
  MoveTo(window, start);
  RunFor(app, 20);
  Press();
  RunFor(app, 20);
  const int before = view_->GetDeviceScrollPosition().x;
  const DWORD t0 = GetTickCount();
  MoveTo(window, POINT{client.right + 40, client.bottom / 2});
  RunFor(app, 500);
  const DWORD elapsed = GetTickCount() - t0;
  const int scrolled = view_->GetDeviceScrollPosition().x - before;
  EXPECT_GT(scrolled, 0);
  // One line a step, a step each 50 ms at most.
  // The scroll base's line is a tenth of a tenth of the image: 40 pixels.
  const int line = 4000 / 100;
  EXPECT_LE(scrolled / line, static_cast<int>(elapsed / 50) + 1);
  const POINT startImage{start.x + before, 0};
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() != 1.0; }, 5000));
  // The rectangle grew with the scroll: it reaches past what the first
  // screenful showed.
  const POINT right = view_->WindowPointToImagePixel(POINT{client.right - 1, client.bottom / 2});
  EXPECT_GT(right.x, startImage.x + 100);
  Chord({VK_ESCAPE});
  RunUntilPolling10ms(app, [&] { return !view_->pickInProgress; }, 5000);
  CloseProgramDiscardingChanges(app);
}

// While the zoom tool's pick runs: the pointer over the view is "ZOOMON",
// a second pick is refused (the command again starts none), and a press in
// another window ends the pick without zooming.
TEST_F(ViewNavigation, ZoomToolCursorOnePickAndAClickElsewhere) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  RunFor(app, 30);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_TOOL, 0);
  ASSERT_TRUE(view_->pickInProgress);
  ASSERT_TRUE(PickRunning());
  RECT client{};
  GetClientRect(window, &client);
  MoveTo(window, POINT{client.right / 2, client.bottom / 2});
  RunFor(app, 50);
  EXPECT_EQ(GetCursor(), LoadCursorA(GetModuleHandleA(nullptr), "ZOOMON"));
  EXPECT_EQ(StartPickOnView(nullptr, nullptr, [](const POINT*, void*, int) {}, nullptr, window), 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_TOOL, 0);
  EXPECT_TRUE(PickRunning());
  // A press on the navigator ends the pick; the zoom stays.
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  ASSERT_TRUE(IsWindowVisible(nav.Handle()));
  SetWindowPos(nav.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT navClient{};
  GetClientRect(nav.Handle(), &navClient);
  MoveTo(nav.Handle(), POINT{navClient.right / 2, 1});
  RunFor(app, 30);
  Press();
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->pickInProgress; }, 3000));
  EXPECT_FALSE(PickRunning());
  EXPECT_EQ(view_->ZoomRatio(), 1.0);
  CloseProgramDiscardingChanges(app);
}

// Two image windows at different zooms and grid states: activating one
// shows its zoom in the status bar and caption and makes its grid and ruler
// flags the program's current ones.
TEST_F(ViewNavigation, ActivationShowsEachViewsZoomAndFlags) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  const fs::path folder = lumora::testing::MakeUniqueTempFolder("lumora-activate-");
  const fs::path copy = folder / "second.psd";
  ASSERT_TRUE(CopyFileA(file_.c_str(), copy.string().c_str(), FALSE));
  CLumo40View* first = view_;
  SendMessageA(first->Handle(), WM_COMMAND, 32987, 0);  // 2:1
  SendMessageA(first->Handle(), WM_COMMAND, ID_VIEW_SHOW_GRID, 0);
  ASSERT_TRUE(first->showGrid);
  ASSERT_NE(app.OpenDocumentFile(copy.string()), nullptr);
  auto* secondDoc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments()[1]);
  SettlePolling10ms(app, secondDoc);
  CLumo40View* second = View(app);
  ASSERT_NE(second, first);
  SendMessageA(second->Handle(), WM_COMMAND, 32984, 0);  // 1:4
  SendMessageA(second->Handle(), WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  // A new view starts with the program's current flags: the grid the
  // first view showed. This one hides it.
  EXPECT_TRUE(second->showGrid);
  SendMessageA(second->Handle(), WM_COMMAND, ID_VIEW_SHOW_GRID, 0);
  ASSERT_FALSE(second->showGrid);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  HWND mdi = app.MainFrameWnd()->MdiClient();
  struct Expect {
    CLumo40View* view;
    const char* zoom;
    bool grid, rulers;
  };
  for (const Expect& e : {Expect{first, ", 2:1", true, false}, Expect{second, ", 1:4", false, true},
                          Expect{first, ", 2:1", true, false}}) {
    SendMessageA(mdi, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(GetParent(e.view->Handle())), 0);
    RunFor(app, 50);
    ASSERT_EQ(View(app), e.view);
    EXPECT_NE(status.GetPaneText(2).find(e.zoom), std::string::npos) << status.GetPaneText(2);
    EXPECT_EQ(CurrentViewSettings().showGrid, e.grid) << e.zoom;
    EXPECT_EQ(CurrentViewSettings().showRulers, e.rulers) << e.zoom;
  }
  char caption[256] = {};
  GetWindowTextA(GetParent(second->Handle()), caption, sizeof caption);
  EXPECT_NE(std::string(caption).find(" 25%"), std::string::npos) << caption;
  CloseProgramDiscardingChanges(app);
  fs::remove_all(folder);
}

// With Edit/Move Layer on, a guide in the view is taken with the mouse
// (its cursor over it): released in the view it moves to the row under the
// pointer, released over the top ruler it is gone.
TEST_F(ViewNavigation, MoveToolCarriesAGuideAndTheRulerTakesItBack) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  HWND child = GetParent(window);
  ShowWindow(child, SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  view_->ScrollToDevicePosition(POINT{0, 0});
  SettlePolling10ms(app, doc_);
  CLayersManager* stack = doc_->Image().GetLayers();
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  MoveTo(child, POINT{180, 7});
  RunFor(app, 20);
  Press();
  RunFor(app, 20);
  MoveTo(window, POINT{150, 100});
  RunFor(app, 50);
  // The status bar follows the drag.
  EXPECT_EQ(Trimmed(status.GetPaneText(1)), "(150,100)");
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000));
  SendMessageA(frame_, WM_COMMAND, ID_LAYER_MOVING, 0);
  // Two pixels off the line: the guide's cursor, and a press takes it.
  MoveTo(window, POINT{400, 102});
  RunFor(app, 50);
  EXPECT_EQ(GetCursor(), LoadCursorA(GetModuleHandleA(nullptr), "GUIDEH"));
  Press();
  RunFor(app, 20);
  ASSERT_TRUE(view_->GuideDragRunning());
  MoveTo(window, POINT{420, 160});
  RunFor(app, 20);
  MoveTo(window, POINT{420, 200});
  RunFor(app, 20);
  const POINT released = CursorIn(window);
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->GuideDragRunning(); }, 3000));
  ASSERT_EQ(stack->Guides().size(), 1u);
  EXPECT_EQ(stack->Guides()[0].position, GuidePositionOfWindow(view_->Mapping(), released.y, true));
  EXPECT_EQ(GuideWindowPixel(view_->Mapping(), stack->Guides()[0].position, true), released.y);
  // Taken again and dropped on the top ruler.
  MoveTo(window, POINT{500, released.y});
  RunFor(app, 30);
  Press();
  RunFor(app, 20);
  MoveTo(window, POINT{500, 40});
  RunFor(app, 20);
  MoveTo(window, POINT{500, -8});
  RunFor(app, 20);
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->GuideDragRunning(); }, 3000));
  EXPECT_TRUE(stack->Guides().empty());
  SendMessageA(frame_, WM_COMMAND, ID_LAYER_MOVING, 0);
  CloseProgramDiscardingChanges(app);
}

// While the zoom tool's band is dragged the status bar measures the pixels
// it covers in ruler units, its top row counted as the coordinates pane
// counts the pointer's.
TEST_F(ViewNavigation, ZoomToolBandMeasuredInRulerUnits) {
  fw::IniFile(ini_).WriteString("Rulers", "units", "pixels");
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  view_->ScrollToDevicePosition(POINT{0, 0});
  RunFor(app, 50);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  MoveTo(window, POINT{100, 80});
  RunFor(app, 50);
  EXPECT_EQ(Trimmed(status.GetPaneText(1)), "(100,80)");
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_TOOL, 0);
  ASSERT_TRUE(view_->pickInProgress);
  Press();
  RunFor(app, 30);
  EXPECT_NE(status.GetPaneText(2).find("x=100 y=80 w=1 h=1"), std::string::npos) << status.GetPaneText(2);
  MoveTo(window, POINT{200, 120});
  RunFor(app, 30);
  MoveTo(window, POINT{260, 150});
  RunFor(app, 50);
  EXPECT_NE(status.GetPaneText(2).find("x=100 y=80 w=161 h=71"), std::string::npos) << status.GetPaneText(2);
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->ZoomRatio() < 1.0; }, 3000));
  Chord({VK_ESCAPE});
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->pickInProgress; }, 3000));
  CloseProgramDiscardingChanges(app);
}

// View/Repaint composites the shown part of the image again, piece by
// piece, and the view paints them.
TEST_F(ViewNavigation, RepaintCompositesTheShownPiecesAgain) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  view_->ScrollToDevicePosition(POINT{0, 0});
  SettlePolling10ms(app, doc_);
  RECT client{};
  GetClientRect(window, &client);
  // The 256-pixel pieces the client shows, from the image's top left.
  const int shown = ((client.right + 255) / 256) * ((client.bottom + 255) / 256);
  const int announced = view_->Counts().cellsAnnounced;
  const int paints = view_->Counts().paints;
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_REPAINT, 0);
  SettlePolling10ms(app, doc_);
  EXPECT_GE(view_->Counts().cellsAnnounced - announced, shown);
  EXPECT_GT(view_->Counts().paints, paints);
  CloseProgramDiscardingChanges(app);
}

// Showing the rulers grows a frame that is not maximised by their
// thickness both ways, so the view keeps its size; hiding them shrinks it
// back.
TEST_F(ViewNavigation, RulersGrowAndShrinkTheFrame) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  HWND child = GetParent(window);
  ShowWindow(child, SW_RESTORE);
  SetWindowPos(child, nullptr, 10, 10, 500, 400, SWP_NOZORDER);
  RunFor(app, 30);
  ASSERT_FALSE(view_->showRulers);
  RECT frameBefore{}, clientBefore{};
  GetWindowRect(child, &frameBefore);
  GetClientRect(window, &clientBefore);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  RunFor(app, 30);
  ASSERT_TRUE(view_->showRulers);
  RECT frameShown{}, clientShown{};
  GetWindowRect(child, &frameShown);
  GetClientRect(window, &clientShown);
  EXPECT_EQ(frameShown.left, frameBefore.left);
  EXPECT_EQ(frameShown.top, frameBefore.top);
  EXPECT_EQ(RectWidth(frameShown), RectWidth(frameBefore) + 15);
  EXPECT_EQ(RectHeight(frameShown), RectHeight(frameBefore) + 15);
  EXPECT_EQ(clientShown.right, clientBefore.right);
  EXPECT_EQ(clientShown.bottom, clientBefore.bottom);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  RunFor(app, 30);
  RECT frameHidden{};
  GetWindowRect(child, &frameHidden);
  EXPECT_TRUE(RectsEqual(frameHidden, frameBefore));
  CloseProgramDiscardingChanges(app);
}

// The strips of the rulers equal the portable painter's ticks: each tick's
// pixels at the inner edge of the top ruler, none between them; the view
// starts 15 pixels in; the markers follow the pointer.
void ExpectRulersMatchPainter(CLumo40App& app, CLumo40View* view) {
  auto* frame = dynamic_cast<CVarnoChildFrm*>(view->GetParentFrame());
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(frame->RulersShown());
  RECT at{};
  GetWindowRect(view->Handle(), &at);
  MapWindowPoints(nullptr, frame->Handle(), reinterpret_cast<POINT*>(&at), 2);
  EXPECT_EQ(at.left, 15);
  EXPECT_EQ(at.top, 15);
  const Capture shot = CaptureClient(frame->Handle());
  for (bool vertical : {false, true}) {
    int viewStart = 0;
    RulerInput in;
    ASSERT_TRUE(frame->StripPainting(vertical, &viewStart, &in));
    const RulerMarks marks = PaintRuler(in);
    ASSERT_GT(marks.ticks.size(), 10u);
    std::vector<int> length(static_cast<std::size_t>(in.span), 0);
    for (const RulerTick& t : marks.ticks) length[static_cast<std::size_t>(t.pos)] = t.length;
    int checked = 0;
    for (int pos = 0; pos < in.span; ++pos) {
      const int along = viewStart + pos;
      // The inner edge: black exactly where a tick is.
      const std::uint32_t edge = vertical ? shot.At(14, along) : shot.At(along, 14);
      EXPECT_EQ(edge == 0, length[static_cast<std::size_t>(pos)] > 0) << (vertical ? "left " : "top ") << pos;
      // A tick shorter than the ruler ends at its length.
      if (length[static_cast<std::size_t>(pos)] > 0 && length[static_cast<std::size_t>(pos)] < 15) {
        const int depth = 15 - length[static_cast<std::size_t>(pos)];
        const std::uint32_t inside = vertical ? shot.At(depth, along) : shot.At(along, depth);
        const std::uint32_t beyond = vertical ? shot.At(depth - 1, along) : shot.At(along, depth - 1);
        EXPECT_EQ(inside, 0u) << pos;
        if (depth - 1 >= 12) EXPECT_EQ(beyond, 0xFFFFFFu) << pos;  // clear of the labels
        ++checked;
      }
    }
    EXPECT_GT(checked, 5);
  }
  // The markers follow the pointer over the view.
  MoveTo(view->Handle(), POINT{40, 30});
  RunFor(app, 50);
  // The ruler position of a view client point: 15 and the view's own
  // border (its client area's offset in the frame).
  POINT pointer = CursorIn(view->Handle());
  MapWindowPoints(view->Handle(), frame->Handle(), &pointer, 1);
  RunUntilPolling10ms(app, [&] { return frame->MarkerPositions().x == pointer.x; }, 3000);
  EXPECT_EQ(frame->MarkerPositions().x, pointer.x);
  EXPECT_EQ(frame->MarkerPositions().y, pointer.y);
}

TEST_F(ViewNavigation, RulersInCentimetresThenPixels) {
  for (const char* units : {"cm", "pixels"}) {
    SCOPED_TRACE(units);
    fw::IniFile(ini_).WriteString("Rulers", "units", units);
    fw::IniFile(ini_).WriteInt("Rulers", "show", 0);
    CLumo40App app;
  ProgramGuard guard(app);
    ASSERT_TRUE(Start(app));
    EXPECT_EQ(CurrentViewSettings().rulerUnits, std::string(units) == "cm" ? 0 : 2);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_WINDOW_SIZE_FIRST + 6, 0);  // 1:1
    Chord({VK_CONTROL, 'R'});
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return view_->showRulers; }, 3000));
    SettlePolling10ms(app, doc_);
    ExpectRulersMatchPainter(app, view_);
    CloseProgramDiscardingChanges(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("Rulers", "show", -1), 1);
}

// A guide dragged out of the top ruler lands at the image row under the
// pointer and is drawn there; it comes back with the saved file; a guide
// taken out of the ruler and dropped back on it leaves nothing.
TEST_F(ViewNavigation, GuidesDraggedFromTheRulerPlaceDrawAndSave) {
  const fs::path folder = lumora::testing::MakeUniqueTempFolder("lumora-guides-");
  const std::string saved = (folder / "guides.lud").string();
  {
    CLumo40App app;
  ProgramGuard guard(app);
    ASSERT_TRUE(Start(app));
    HWND child = GetParent(view_->Handle());
    ShowWindow(child, SW_MAXIMIZE);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
    SettlePolling10ms(app, doc_);
    CLayersManager* stack = doc_->Image().GetLayers();
    ASSERT_TRUE(stack->Guides().empty());
    const POINT drop{150, 90};
    MoveTo(child, POINT{15 + drop.x, 7});
    RunFor(app, 20);
    Press();
    RunFor(app, 20);
    MoveTo(child, POINT{15 + drop.x, 40});
    RunFor(app, 20);
    MoveTo(child, POINT{15 + drop.x, 15 + drop.y});
    RunFor(app, 20);
    const POINT dropped = CursorIn(view_->Handle());
    Release();
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000));
    const POINT pixel = view_->WindowPointToImagePixel(dropped);
    EXPECT_EQ(stack->Guides()[0].orientation, kVrGuideHorizontal);
    EXPECT_EQ(stack->Guides()[0].position, pixel.y * 32);  // 1:1: the row, fraction 0
    SettlePolling10ms(app, doc_);
    const Capture shot = CaptureClient(view_->Handle());
    const std::uint32_t guideColour = 0x2684FB;  // the default guide colour, RGB
    int onLine = 0;
    for (int u = 0; u < shot.width; u += 7) onLine += shot.At(u, dropped.y) == guideColour ? 1 : 0;
    EXPECT_GT(onLine, shot.width / 7 - 2);
    EXPECT_NE(shot.At(10, dropped.y - 1), guideColour);

    // Out of the ruler and back onto it: no guide.
    MoveTo(child, POINT{15 + 300, 7});
    RunFor(app, 20);
    Press();
    MoveTo(child, POINT{15 + 300, 60});
    RunFor(app, 20);
    MoveTo(child, POINT{15 + 300, 5});
    RunFor(app, 20);
    Release();
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return !view_->GuideDragRunning(); }, 3000));
    EXPECT_EQ(stack->Guides().size(), 1u);
    // The placed guide, taken from the view as the move tool's hook takes
    // it (the hook itself comes with the layer tools), then released over
    // the top ruler: gone. Taken back out, it is saved with the file.
    std::int32_t orientation = -1;
    ASSERT_EQ(view_->HitTestGuide(dropped.x, dropped.y + 2, &orientation), 0);
    EXPECT_EQ(view_->HitTestGuide(dropped.x, dropped.y + 3, nullptr), -1);
    view_->BeginGuideDrag(dropped.x, dropped.y, true);
    view_->TrackGuideDrag(dropped.x, 40);
    view_->TrackGuideDrag(dropped.x, -5);
    view_->EndGuideDrag(dropped.x, -5, false);
    EXPECT_TRUE(stack->Guides().empty());
    MoveTo(child, POINT{15 + drop.x, 7});
    RunFor(app, 20);
    Press();
    MoveTo(child, POINT{15 + drop.x, 15 + drop.y});
    RunFor(app, 20);
    Release();
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000));
    EXPECT_TRUE(doc_->DoSave(saved, true));
    CloseProgramDiscardingChanges(app);
  }
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(app.InitInstance());
  auto* reopened = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(saved));
  ASSERT_NE(reopened, nullptr);
  SettlePolling10ms(app, reopened);
  CLayersManager* stack = reopened->Image().GetLayers();
  ASSERT_EQ(stack->Guides().size(), 1u);
  EXPECT_EQ(stack->Guides()[0].orientation, kVrGuideHorizontal);
  CloseProgramDiscardingChanges(app);
  fs::remove_all(folder);
}

// The navigator: its thumbnail is the document's, its red rectangle follows
// the view, dragging it scrolls the view, the slider and the typed
// percentage zoom, and its place and shown state survive a restart.
TEST_F(ViewNavigation, NavigatorFollowsScrollsAndZooms) {
  {
    CLumo40App app;
  ProgramGuard guard(app);
    ASSERT_TRUE(Start(app));
    CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
    ASSERT_TRUE(nav.Exists());
    ASSERT_TRUE(IsWindowVisible(nav.Handle()));
    // Placed at the top right of the MDI area.
    RECT placed{}, area{};
    GetWindowRect(nav.Handle(), &placed);
    GetClientRect(app.MainFrameWnd()->MdiClient(), &area);
    MapWindowPoints(app.MainFrameWnd()->MdiClient(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    EXPECT_LE(placed.right, area.right - 3);
    EXPECT_GT(placed.right, area.right - 40);
    EXPECT_GE(placed.left, 0);
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return nav.View() == view_; }, 3000));
    RunFor(app, 50);
    const RECT thumb = nav.ThumbnailRect();
    ASSERT_FALSE(RectIsEmpty(thumb));
    // The thumbnail as the document draws it.
    const Capture shot = ScreenClient(nav.Handle());
    HDC screen = GetDC(nullptr);
    HBITMAP own = CreateCompatibleBitmap(screen, RectWidth(thumb), RectHeight(thumb));
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(doc_->RenderThumbnail(own));
    const Capture expected = lumora::testing::CaptureDc(RectWidth(thumb), RectHeight(thumb), [&](HDC dc) {
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, own);
      BitBlt(dc, 0, 0, RectWidth(thumb), RectHeight(thumb), source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
    });
    DeleteObject(own);
    const RECT red = nav.ViewRect();
    int wrong = 0;
    for (int y = 0; y < RectHeight(thumb); ++y) {
      for (int x = 0; x < RectWidth(thumb); ++x) {
        const POINT p{thumb.left + x, thumb.top + y};
        // The red outline covers the thumbnail along its edges.
        RECT outline = red;
        InflateRect(&outline, 2, 2);
        RECT inner = red;
        InflateRect(&inner, -2, -2);
        if (PtInRect(&outline, p) && !PtInRect(&inner, p)) continue;
        if (shot.At(p.x, p.y) != expected.At(x, y)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);

    // 1:1, then scrolling moves the rectangle as computed.
    ShowWindow(GetParent(view_->Handle()), SW_MAXIMIZE);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
    view_->ScrollToDevicePosition(POINT{900, 600});
    RunFor(app, 50);
    RECT client{};
    GetClientRect(view_->Handle(), &client);
    const POINT scroll = view_->GetDeviceScrollPosition();
    RECT computed = NavigatorViewRect(nav.ThumbnailRect(), ViewGeometry{client.right, client.bottom, 4000, 3000, scroll.x, scroll.y});
    EXPECT_TRUE(RectsEqual(nav.ViewRect(), computed));
    EXPECT_EQ(nav.Percent(), 100);
    // Its red outline is drawn.
    const Capture now = ScreenClient(nav.Handle());
    EXPECT_EQ(now.At(nav.ViewRect().left, (nav.ViewRect().top + nav.ViewRect().bottom) / 2), 0xFF0000u);

    // Dragging the rectangle scrolls the view. (Wine's unmanaged windows
    // may leave the tool window under its owner once the owner is brought
    // forward: it comes to the top first.)
    SetWindowPos(nav.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const RECT before = nav.ViewRect();
    const POINT grab{(before.left + before.right) / 2, (before.top + before.bottom) / 2};
    MoveTo(nav.Handle(), grab);
    RunFor(app, 20);
    Press();
    RunFor(app, 20);
    MoveTo(nav.Handle(), POINT{grab.x + 20, grab.y + 10});
    RunFor(app, 50);
    Release();
    RunFor(app, 50);
    EXPECT_GT(view_->GetDeviceScrollPosition().x, scroll.x);
    EXPECT_GT(view_->GetDeviceScrollPosition().y, scroll.y);

    // The slider's right end: 3200 %.
    HWND slider = GetDlgItem(nav.Handle(), IDC_NAV_SLIDER);
    SendMessageA(slider, TBM_SETPOS, TRUE, nav.SliderHalfRange());
    SendMessageA(nav.Handle(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    RunFor(app, 50);
    EXPECT_EQ(Magnification(), 32.0);
    EXPECT_EQ(nav.Percent(), 3200);
    // Typed 50 (and Enter): 50 %; 0 and 5000 change nothing.
    HWND edit = GetDlgItem(nav.Handle(), IDC_NAV_ZOOM_EDIT);
    for (const char* typed : {"50", "0", "5000"}) {
      SetForegroundWindow(nav.Handle());
      SetFocus(edit);
      SetWindowTextA(edit, typed);
      Chord({VK_RETURN});
      RunFor(app, 80);
      EXPECT_EQ(Magnification(), 0.5) << typed;
    }
    // An OK that reaches the window (Enter outside the field, or one posted
    // by another program) leaves zoom and place as they are; with a new
    // value typed in the field it applies that value as Enter there does.
    view_->ScrollToDevicePosition(POINT{333, 217});
    RunFor(app, 50);
    const POINT scrolled = view_->GetDeviceScrollPosition();
    SendMessageA(nav.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    RunFor(app, 50);
    EXPECT_EQ(Magnification(), 0.5);
    EXPECT_EQ(view_->GetDeviceScrollPosition().x, scrolled.x);
    EXPECT_EQ(view_->GetDeviceScrollPosition().y, scrolled.y);
    SetWindowTextA(edit, "200");
    SendMessageA(nav.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    RunFor(app, 50);
    EXPECT_EQ(Magnification(), 2.0);
    EXPECT_EQ(nav.Percent(), 200);
    // Placed and hidden, then the program ends.
    SetWindowPos(nav.Handle(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_NAVIGATOR, 0);
    EXPECT_FALSE(IsWindowVisible(nav.Handle()));
    CloseProgramDiscardingChanges(app);
  }
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("NAVIGATOR", "SHOW", -1), 0);
  EXPECT_EQ(ini.GetInt("NAVIGATOR", "X", -1), 50);
  EXPECT_EQ(ini.GetInt("NAVIGATOR", "Y", -1), 60);
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  EXPECT_FALSE(IsWindowVisible(nav.Handle()));
  RECT r{};
  GetWindowRect(nav.Handle(), &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 60);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_NAVIGATOR, 0);
  EXPECT_TRUE(IsWindowVisible(nav.Handle()));
  CloseProgramDiscardingChanges(app);
  EXPECT_EQ(fw::IniFile(ini_).GetInt("NAVIGATOR", "SHOW", -1), 1);
}

// A minimised navigator comes back minimised at the next start; restored,
// it is written as not minimised; its close box hides it.
TEST_F(ViewNavigation, NavigatorMinimisedAcrossARestart) {
  {
    CLumo40App app;
    ProgramGuard guard(app);
    ASSERT_TRUE(Start(app));
    CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
    ASSERT_TRUE(nav.Exists());
    SendMessageA(nav.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    RunFor(app, 30);
    EXPECT_TRUE(IsIconic(nav.Handle()));
    CloseProgramDiscardingChanges(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("NAVIGATOR", "MINIMIZED", -1), 1);
  {
    CLumo40App app;
    ProgramGuard guard(app);
    ASSERT_TRUE(Start(app));
    CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
    ASSERT_TRUE(nav.Exists());
    EXPECT_TRUE(IsIconic(nav.Handle()));
    SendMessageA(nav.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    RunFor(app, 30);
    EXPECT_FALSE(IsIconic(nav.Handle()));
    // Its close box hides it and writes so at once.
    SendMessageA(nav.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(nav.Exists());
    EXPECT_FALSE(IsWindowVisible(nav.Handle()));
    EXPECT_EQ(fw::IniFile(ini_).GetInt("NAVIGATOR", "SHOW", -1), 0);
    CloseProgramDiscardingChanges(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("NAVIGATOR", "MINIMIZED", -1), 0);
}

// Zooming with the navigator's slider back and forth, or with the keys in
// and out again, leaves the middle of the view on the same image pixel.
TEST_F(ViewNavigation, ZoomingToAndFroKeepsTheMiddle) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  ShowWindow(GetParent(view_->Handle()), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  view_->ScrollToDevicePosition(POINT{1200, 900});
  RunFor(app, 30);
  auto middle = [&] {
    RECT client{};
    GetClientRect(view_->Handle(), &client);
    return view_->WindowPointToImagePixel(POINT{client.right / 2, client.bottom / 2});
  };
  const POINT start = middle();
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return nav.Exists() && nav.View() == view_; }, 3000));
  HWND slider = GetDlgItem(nav.Handle(), IDC_NAV_SLIDER);
  const int m = nav.SliderHalfRange();
  for (int round = 0; round < 5; ++round) {
    for (int position : {m / 2, 0}) {
      SendMessageA(slider, TBM_SETPOS, TRUE, position);
      SendMessageA(nav.Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(slider));
      RunFor(app, 20);
    }
  }
  ASSERT_EQ(nav.Percent(), 100);
  POINT now = middle();
  EXPECT_LE(std::abs(now.x - start.x), 1) << now.x << " from " << start.x;
  EXPECT_LE(std::abs(now.y - start.y), 1) << now.y << " from " << start.y;
  for (int round = 0; round < 5; ++round) {
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_IN, 0);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_ZOOM_OUT, 0);
  }
  RunFor(app, 30);
  ASSERT_EQ(Magnification(), 1.0);
  now = middle();
  EXPECT_LE(std::abs(now.x - start.x), 1) << now.x << " from " << start.x;
  EXPECT_LE(std::abs(now.y - start.y), 1) << now.y << " from " << start.y;
  CloseProgramDiscardingChanges(app);
}

// At 4:1 a guide out of the top ruler lands on the image row under the
// pointer and is drawn on the window row it was dropped on.
TEST_F(ViewNavigation, GuideAtFourToOneLandsOnThePointersRow) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND child = GetParent(view_->Handle());
  ShowWindow(child, SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, 32988, 0);  // 4:1
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  SettlePolling10ms(app, doc_);
  ASSERT_EQ(Magnification(), 4.0);
  CLayersManager* stack = doc_->Image().GetLayers();
  MoveTo(child, POINT{200, 7});
  RunFor(app, 20);
  Press();
  RunFor(app, 20);
  MoveTo(child, POINT{200, 130});
  RunFor(app, 20);
  const POINT dropped = CursorIn(view_->Handle());
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000));
  const std::int32_t position = stack->Guides()[0].position;
  EXPECT_EQ(position >> 5, view_->WindowPointToImagePixel(dropped).y);
  EXPECT_EQ(GuideWindowPixel(view_->Mapping(), position, true), dropped.y);
  CloseProgramDiscardingChanges(app);
}

// Calls entry `index` of the program's site table `table` as a tool does.
template <typename R, typename... Args>
R CallSite(const CLumo40App& app, int table, int index, Args... args) {
  const LU_SITE_TABLE* descriptor = nullptr;
  const LUSiteEntry entry = LUSiteEntryOf(app.Site(), table, index, &descriptor);
  if (entry == nullptr) {
    ADD_FAILURE() << "no entry " << index << " in table " << table;
    return R{};
  }
  using Fn = R (*)(const LU_SITE_TABLE*, Args...);
  return reinterpret_cast<Fn>(entry)(descriptor, args...);
}

// A guide dragged out of the top ruler pulls a rectangle that a tool moves
// through the site's snap entry when an edge comes within 8 window pixels
// of it, not 9, at 1:1 and at 4:1 alike. At 4:1 the guide is dropped on a
// window row a quarter pixel off the image rows, so 9 window pixels occur.
TEST_F(ViewNavigation, GuideSnapsTheSitesRectangleWithinEightWindowPixels) {
  constexpr int kSnapRect = 16;  // the view table's snap entry
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  CLayersManager* stack = doc_->Image().GetLayers();
  for (const int magnification : {1, 4}) {
    SCOPED_TRACE(magnification);
    SendMessageA(frame_, WM_COMMAND, magnification == 1 ? ID_VIEW_ORIGINAL_SIZE : 32988, 0);
    SendMessageA(frame_, WM_COMMAND, ID_VIEW_CLEAR_GUIDES, 0);
    SettlePolling10ms(app, doc_);
    ASSERT_EQ(Magnification(), magnification);
    ASSERT_TRUE(stack->Guides().empty());
    int row = 130;
    while (magnification == 4 && GuidePositionOfWindow(view_->Mapping(), row, true) % 32 != 8) ++row;
    // A new place on the ruler each time: two presses on one spot would
    // make a double click.
    const LONG x = 100 + 150 * magnification;
    MoveTo(GetParent(window), POINT{x, 7});
    RunFor(app, 20);
    Press();
    RunFor(app, 20);
    MoveTo(window, POINT{x, row});
    RunFor(app, 20);
    Release();
    ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000))
        << stack->Guides().size() << " guides, drag " << view_->GuideDragRunning() << ", row " << row << ", pointer "
        << CursorIn(window).x << "," << CursorIn(window).y;
    ASSERT_EQ(CursorIn(window).y, row);
    if (!view_->snapToGuides) SendMessageA(frame_, WM_COMMAND, ID_VIEW_SNAP_TO_GUIDES, 0);
    ASSERT_TRUE(view_->snapToGuides && view_->showGuides);
    const std::int64_t guide = stack->Guides()[0].position;
    int pulled = 0, left = 0;
    bool sawEight = false, sawNine = false;
    // Rectangles whose lower edge (rows count upward) lies around the guide.
    for (std::int64_t edge = guide / 32 - 12; edge <= guide / 32 + 12; ++edge) {
      RECT rect{10, static_cast<LONG>(edge), 50, static_cast<LONG>(edge + 500)};
      POINT offset{0, 0};
      ASSERT_EQ((CallSite<int, HWND, const RECT*, POINT*, int>(app, kSiteView, kSnapRect, window, &rect, &offset, 0)), 1);
      const std::int64_t delta = guide - 32 * edge;  // 1/32 image pixel
      const std::int64_t windowDistance32 = std::llabs(delta) * magnification;
      // The nearest whole row, halves away from zero.
      const LONG toGuide = static_cast<LONG>(delta < 0 ? -((-delta + 16) / 32) : (delta + 16) / 32);
      EXPECT_EQ(offset.x, 0);
      if (windowDistance32 <= 8 * 32) {
        EXPECT_EQ(offset.y, toGuide) << "edge " << edge << " " << windowDistance32 / 32.0 << " window pixels away";
        pulled += toGuide != 0 ? 1 : 0;
      } else {
        EXPECT_EQ(offset.y, 0) << "edge " << edge << " " << windowDistance32 / 32.0 << " window pixels away";
        left += toGuide != 0 ? 1 : 0;
      }
      sawEight = sawEight || windowDistance32 == 8 * 32;
      sawNine = sawNine || windowDistance32 == 9 * 32;
    }
    EXPECT_GT(pulled, 0);
    EXPECT_GT(left, 0);
    // Nine window pixels met at both zooms; eight exactly at 1:1 (at 4:1
    // the quarter-pixel guide puts edges 7 and 9 pixels away).
    EXPECT_TRUE(sawNine);
    EXPECT_EQ(sawEight, magnification == 1);
  }
  CloseProgramDiscardingChanges(app);
}

// The menu text of a View item as its update handler leaves it.
std::string ItemText(HMENU popup, UINT id) {
  char text[64] = {};
  GetMenuStringA(popup, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

// The ruler origin dragged out of the corner box: the status bar then
// counts from the dropped point (rows downward), the top ruler's zero label
// stands over it; released back on the corner both axes return to 0, on
// the top ruler only y does. Locked guides are neither hit nor taken from
// the view, yet a ruler still gives a new one; hidden guides grey Clear
// Guides; the item texts follow the flags, which the next start keeps.
TEST_F(ViewNavigation, RulerOriginFromTheCornerAndGuideCommands) {
  fw::IniFile(ini_).WriteString("Rulers", "units", "pixels");
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  HWND child = GetParent(window);
  ShowWindow(child, SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  view_->ScrollToDevicePosition(POINT{300, 200});
  SettlePolling10ms(app, doc_);
  auto* frame = dynamic_cast<CVarnoChildFrm*>(view_->GetParentFrame());
  ASSERT_NE(frame, nullptr);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  auto positionAt = [&](POINT p) {
    MoveTo(window, POINT{p.x + 30, p.y + 30});  // the pane changes only when the pixel does
    RunFor(app, 30);
    MoveTo(window, p);
    RunFor(app, 50);
    return Trimmed(status.GetPaneText(1));
  };
  const POINT drop{120, 90};
  EXPECT_EQ(positionAt(drop), "(420,290)");  // scrolled 300, 200 at 1:1

  // Out of the corner box onto the view.
  // Each drag presses another spot of the box: two presses on one spot
  // would make a double click, which the box swallows.
  int drags = 0;
  auto dragFromCorner = [&](POINT releaseInFrame) {
    const POINT presses[] = {{3, 3}, {11, 11}, {3, 11}};
    MoveTo(child, presses[drags++ % 3]);
    RunFor(app, 20);
    Press();
    RunFor(app, 20);
    MoveTo(window, POINT{60, 60});
    RunFor(app, 20);
    MoveTo(child, releaseInFrame);
    RunFor(app, 20);
    Release();
    return RunUntilPolling10ms(app, [&] { return !view_->GuideDragRunning(); }, 3000);
  };
  POINT dropInFrame = drop;
  MapWindowPoints(window, child, &dropInFrame, 1);
  ASSERT_TRUE(dragFromCorner(dropInFrame));
  EXPECT_EQ(view_->RulerOrigin().x, 420);
  EXPECT_EQ(view_->RulerOrigin().y, 290);
  EXPECT_EQ(positionAt(drop), "(0,0)");
  EXPECT_EQ(positionAt(POINT{drop.x + 10, drop.y + 5}), "(10,5)");
  EXPECT_EQ(positionAt(POINT{drop.x - 4, drop.y - 3}), "(-4,-3)");
  // The top ruler's zero label stands over the dropped column, and the
  // strips are drawn as the painter gives them.
  SettlePolling10ms(app, doc_);
  int viewStart = 0;
  RulerInput top;
  ASSERT_TRUE(frame->StripPainting(false, &viewStart, &top));
  const RulerMarks marks = PaintRuler(top);
  const auto zero = std::find_if(marks.labels.begin(), marks.labels.end(), [](const RulerLabel& l) { return l.text == "0"; });
  ASSERT_NE(zero, marks.labels.end());
  EXPECT_EQ(zero->pos, drop.x);
  ExpectRulersMatchPainter(app, view_);

  // Released over the top ruler: y returns to 0, x stays where dropped.
  ASSERT_TRUE(dragFromCorner(POINT{dropInFrame.x + 40, 7}));
  EXPECT_EQ(view_->RulerOrigin().y, 0);
  EXPECT_EQ(view_->RulerOrigin().x, 460);
  // Released over the corner box: both return to 0.
  ASSERT_TRUE(dragFromCorner(POINT{5, 9}));
  EXPECT_EQ(view_->RulerOrigin().x, 0);
  EXPECT_EQ(view_->RulerOrigin().y, 0);
  EXPECT_EQ(positionAt(drop), "(420,290)");

  // Locked guides: a ruler still adds one; the view neither hits it nor
  // shows its cursor.
  HMENU popup = ViewPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(ItemText(popup, ID_VIEW_SHOW_GUIDES), view_->showGuides ? "Hide Guides" : "Show Guides");
  if (!view_->showGuides) SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_GUIDES, 0);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_LOCK_GUIDES, 0);
  ASSERT_TRUE(view_->lockGuides);
  EXPECT_NE(ItemState(ID_VIEW_LOCK_GUIDES) & MF_CHECKED, 0u);
  CLayersManager* stack = doc_->Image().GetLayers();
  MoveTo(child, POINT{dropInFrame.x + 80, 7});
  RunFor(app, 20);
  Press();
  RunFor(app, 20);
  MoveTo(window, POINT{drop.x + 80, drop.y});
  RunFor(app, 20);
  Release();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return stack->Guides().size() == 1 && !view_->GuideDragRunning(); }, 3000));
  EXPECT_EQ(view_->HitTestGuide(drop.x + 80, drop.y, nullptr), -1);
  EXPECT_FALSE(view_->SetGuideCursor(drop.x + 80, drop.y));
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_LOCK_GUIDES, 0);
  EXPECT_EQ(view_->HitTestGuide(drop.x + 80, drop.y + 2, nullptr), 0);
  EXPECT_TRUE(view_->SetGuideCursor(drop.x + 80, drop.y + 2));

  // Hidden guides: Clear Guides, Snap To Guides and Lock Guides are greyed
  // and the item offers to show them; shown again, Clear Guides empties
  // the list.
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_GUIDES, 0);
  ASSERT_FALSE(view_->showGuides);
  for (UINT id : {ID_VIEW_CLEAR_GUIDES, ID_VIEW_SNAP_TO_GUIDES, ID_VIEW_LOCK_GUIDES}) {
    EXPECT_NE(ItemState(id) & MF_GRAYED, 0u) << id;
  }
  EXPECT_EQ(ItemText(ViewPopup(), ID_VIEW_SHOW_GUIDES), "Show Guides");
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_CLEAR_GUIDES, 0);
  EXPECT_EQ(stack->Guides().size(), 1u);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_GUIDES, 0);
  EXPECT_EQ(ItemText(ViewPopup(), ID_VIEW_SHOW_GUIDES), "Hide Guides");
  EXPECT_EQ(ItemState(ID_VIEW_CLEAR_GUIDES) & MF_GRAYED, 0u);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_CLEAR_GUIDES, 0);
  EXPECT_TRUE(stack->Guides().empty());
  // The flags outlive the program: locked and shown guides, snapping off.
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_LOCK_GUIDES, 0);
  if (view_->snapToGuides) SendMessageA(frame_, WM_COMMAND, ID_VIEW_SNAP_TO_GUIDES, 0);
  CloseProgramDiscardingChanges(app);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("Guides", "locked", -1), 1);
  EXPECT_EQ(ini.GetInt("Guides", "show", -1), 1);
  EXPECT_EQ(ini.GetInt("Guides", "snap", -1), 0);
  CLumo40App again;
  ProgramGuard guardAgain(again);
  ASSERT_TRUE(Start(again));
  EXPECT_TRUE(view_->lockGuides);
  EXPECT_TRUE(view_->showGuides);
  EXPECT_FALSE(view_->snapToGuides);
  CloseProgramDiscardingChanges(again);
}

// The navigator's own keys zoom the image window; its
// spin stops at 3200 % and 1 %; with no image left its controls are
// disabled and its image area is empty.
TEST_F(ViewNavigation, NavigatorKeysSpinEndsAndNoImage) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return nav.Exists() && nav.View() == view_; }, 3000));
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  RunFor(app, 30);
  SetWindowPos(nav.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(nav.Handle());
  SetFocus(GetDlgItem(nav.Handle(), IDC_NAV_SLIDER));
  RunFor(app, 30);
  Chord({VK_ADD});
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return Magnification() == 2.0; }, 3000)) << Magnification();
  EXPECT_EQ(nav.Percent(), 200);

  // The spin's arrows, clicked.
  HWND spin = GetDlgItem(nav.Handle(), IDC_NAV_ZOOM_SPIN);
  RECT arrows{};
  GetClientRect(spin, &arrows);
  auto click = [&](bool up) {
    SetWindowPos(nav.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    MoveTo(spin, POINT{arrows.right / 2, up ? arrows.bottom / 4 : arrows.bottom * 3 / 4});
    RunFor(app, 20);
    Press();
    RunFor(app, 20);
    Release();
    RunFor(app, 80);
  };
  HWND slider = GetDlgItem(nav.Handle(), IDC_NAV_SLIDER);
  SendMessageA(slider, TBM_SETPOS, TRUE, nav.SliderHalfRange());
  SendMessageA(nav.Handle(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
  RunFor(app, 50);
  ASSERT_EQ(nav.Percent(), 3200);
  click(true);
  EXPECT_EQ(nav.Percent(), 3200);
  EXPECT_EQ(Magnification(), 32.0);
  click(false);
  EXPECT_EQ(nav.Percent(), 3199);
  EXPECT_NEAR(Magnification(), 31.99, 0.001);
  EXPECT_NE(Title().find(" 3199%"), std::string::npos) << Title();
  HWND edit = GetDlgItem(nav.Handle(), IDC_NAV_ZOOM_EDIT);
  SetForegroundWindow(nav.Handle());
  SetFocus(edit);
  SetWindowTextA(edit, "1");
  Chord({VK_RETURN});
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return nav.Percent() == 1; }, 3000)) << nav.Percent();
  click(false);
  EXPECT_EQ(nav.Percent(), 1);
  click(true);
  EXPECT_EQ(nav.Percent(), 2);

  // No image: every control disabled, the image area one colour.
  SendMessageA(frame_, WM_COMMAND, 57602, 0);  // File/Close
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return app.Docs().AllDocuments().empty() && nav.View() == nullptr; }, 5000));
  for (int id : {IDC_NAV_ZOOM_EDIT, IDC_NAV_SLIDER, IDC_NAV_ZOOM_SPIN}) {
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(nav.Handle(), id))) << id;
  }
  RunFor(app, 50);
  const Capture shot = ScreenClient(nav.Handle());
  const RECT area = nav.ImageArea();
  ASSERT_FALSE(RectIsEmpty(area));
  const std::uint32_t face = shot.At(area.left, area.top);
  int other = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) other += shot.At(x, y) != face ? 1 : 0;
  }
  EXPECT_EQ(other, 0);
  const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(face, (std::uint32_t{GetRValue(buttonFace)} << 16) | (GetGValue(buttonFace) << 8) | GetBValue(buttonFace));
  CloseProgramDiscardingChanges(app);
}

// A window's client as the display shows it now (read back, not
// repainted: the rulers' markers are drawn straight onto the screen).
Capture OnDisplay(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return lumora::testing::CaptureDc(client.right, client.bottom, [&](HDC dc) {
    HDC shown = GetDC(window);
    BitBlt(dc, 0, 0, client.right, client.bottom, shown, 0, 0, SRCCOPY);
    ReleaseDC(window, shown);
  });
}

// Pixels of the top ruler's strip that differ between two captures,
// counted per column.
std::vector<int> ChangedColumns(const Capture& a, const Capture& b) {
  std::vector<int> columns;
  for (int x = 0; x < std::min(a.width, b.width); ++x) {
    for (int y = 0; y < 15; ++y) {
      if (a.At(x, y) != b.At(x, y)) {
        columns.push_back(x);
        break;
      }
    }
  }
  return columns;
}

// The rulers' cursor marker shows only over the image's displayed span: at
// 1:8 the image sits in the middle of a larger view; past its right edge
// the marker goes and the ruler is as it was. Correct Window Size waits
// until the frame is no longer maximised.
TEST_F(ViewNavigation, RulerMarkerOnlyOverTheImage) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  HWND window = view_->Handle();
  ShowWindow(GetParent(window), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_WINDOW_SIZE_FIRST + 2, 0);  // 1:8
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_SHOW_RULERS, 0);
  SettlePolling10ms(app, doc_);
  ASSERT_EQ(Magnification(), 1.0 / 8);
  auto* frame = dynamic_cast<CVarnoChildFrm*>(view_->GetParentFrame());
  ASSERT_NE(frame, nullptr);
  RECT shown{0, 0, 4000, 3000};
  view_->Mapping().RevXForm(&shown, kXFRects);
  RECT client{};
  GetClientRect(window, &client);
  ASSERT_GT(shown.left, 20);
  ASSERT_LT(shown.right, client.right - 20);
  const int middleY = (shown.top + shown.bottom) / 2;
  // Beside the image: no marker along x.
  MoveTo(window, POINT{shown.left - 10, middleY});
  RunFor(app, 50);
  EXPECT_EQ(frame->MarkerPositions().x, -1);
  EXPECT_GE(frame->MarkerPositions().y, 0);
  const Capture before = OnDisplay(frame->Handle());
  // Over the image: the marker's column changes, nothing else.
  const POINT over{(shown.left + shown.right) / 2, middleY};
  MoveTo(window, over);
  RunFor(app, 50);
  POINT inFrame = CursorIn(window);
  MapWindowPoints(window, frame->Handle(), &inFrame, 1);
  EXPECT_EQ(frame->MarkerPositions().x, inFrame.x);
  const std::vector<int> marked = ChangedColumns(before, OnDisplay(frame->Handle()));
  EXPECT_EQ(marked, std::vector<int>{inFrame.x});
  // Past the right edge of the image: gone, and the strip as before.
  MoveTo(window, POINT{shown.right + 10, middleY});
  RunFor(app, 50);
  EXPECT_EQ(frame->MarkerPositions().x, -1);
  EXPECT_TRUE(ChangedColumns(before, OnDisplay(frame->Handle())).empty());
  // A maximised frame has no size of its own to correct.
  EXPECT_NE(ItemState(ID_VIEW_CORRECT_WINDOW_SIZE) & MF_GRAYED, 0u);
  ShowWindow(GetParent(window), SW_RESTORE);
  EXPECT_EQ(ItemState(ID_VIEW_CORRECT_WINDOW_SIZE) & MF_GRAYED, 0u);
  CloseProgramDiscardingChanges(app);
}

// A click in the navigator's thumbnail away from the red rectangle centres
// the rectangle there (inside the thumbnail) and scrolls the view to match;
// the cursors tell thumbnail, rectangle and drag apart; a larger navigator
// lays its image area out anew and fits the thumbnail into it.
TEST_F(ViewNavigation, NavigatorClickCentresCursorsAndResize) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  ASSERT_TRUE(RunUntilPolling10ms(app, [&] { return nav.Exists() && nav.View() == view_; }, 3000));
  ShowWindow(GetParent(view_->Handle()), SW_MAXIMIZE);
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  view_->ScrollToDevicePosition(POINT{0, 0});
  RunFor(app, 50);
  SetWindowPos(nav.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const RECT thumb = nav.ThumbnailRect();
  const RECT before = nav.ViewRect();
  ASSERT_EQ(before.left, thumb.left);
  // Near the bottom right corner: the rectangle stops at the thumbnail's edges.
  const POINT click{thumb.right - 3, thumb.bottom - 3};
  ASSERT_FALSE(PtInRect(&before, click));
  const RECT placed = CentreRectInside(before, click, thumb);
  EXPECT_EQ(placed.right, thumb.right);
  EXPECT_EQ(placed.bottom, thumb.bottom);
  const POINT expected = NavigatorScrollFor(placed, thumb, 4000, 3000);
  MoveTo(nav.Handle(), click);
  RunFor(app, 30);
  auto cursorIs = [&](int id) {
    SendMessageA(nav.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(nav.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor() == LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  };
  EXPECT_TRUE(cursorIs(IDC_CURSOR_NAV_THUMB));
  Press();
  RunFor(app, 50);
  EXPECT_TRUE(RectsEqual(nav.ViewRect(), placed));
  EXPECT_TRUE(cursorIs(IDC_CURSOR_NAV_DRAG));
  Release();
  RunFor(app, 50);
  // The view stops at the ends of its own scroll ranges.
  auto limit = [&](int bar) {
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE};
    GetScrollInfo(view_->Handle(), bar, &si);
    return static_cast<LONG>(si.nMax + 1 - static_cast<int>(si.nPage));
  };
  EXPECT_EQ(view_->GetDeviceScrollPosition().x, std::min<LONG>(expected.x, limit(SB_HORZ)));
  EXPECT_EQ(view_->GetDeviceScrollPosition().y, std::min<LONG>(expected.y, limit(SB_VERT)));
  EXPECT_TRUE(cursorIs(IDC_CURSOR_NAV_RECT));
  // Inside the thumbnail's upper left quarter: the scroll is exactly the
  // one the placed rectangle asks for.
  const POINT second{thumb.left + RectWidth(thumb) / 4, thumb.top + RectHeight(thumb) / 4};
  const RECT now = nav.ViewRect();
  ASSERT_FALSE(PtInRect(&now, second));
  const RECT placedAgain = CentreRectInside(now, second, thumb);
  ASSERT_GT(placedAgain.left, thumb.left);
  ASSERT_GT(placedAgain.top, thumb.top);
  const POINT exact = NavigatorScrollFor(placedAgain, thumb, 4000, 3000);
  MoveTo(nav.Handle(), second);
  RunFor(app, 30);
  Press();
  Release();
  RunFor(app, 50);
  EXPECT_EQ(view_->GetDeviceScrollPosition().x, exact.x);
  EXPECT_EQ(view_->GetDeviceScrollPosition().y, exact.y);

  // Larger: the image area follows (2, 2, width - 4, height - band - 6),
  // the controls keep their band at the bottom, the thumbnail grows.
  HWND edit = GetDlgItem(nav.Handle(), IDC_NAV_ZOOM_EDIT);
  RECT client{};
  GetClientRect(nav.Handle(), &client);
  RECT field{};
  GetWindowRect(edit, &field);
  MapWindowPoints(nullptr, nav.Handle(), reinterpret_cast<POINT*>(&field), 2);
  const int band = client.bottom - field.top;
  RECT outer{};
  GetWindowRect(nav.Handle(), &outer);
  SetWindowPos(nav.Handle(), nullptr, 0, 0, RectWidth(outer) + 100, RectHeight(outer) + 80,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RunFor(app, 50);
  GetClientRect(nav.Handle(), &client);
  GetWindowRect(edit, &field);
  MapWindowPoints(nullptr, nav.Handle(), reinterpret_cast<POINT*>(&field), 2);
  EXPECT_EQ(client.bottom - field.top, band);
  const RECT area = nav.ImageArea();
  EXPECT_EQ(area.left, 2);
  EXPECT_EQ(area.top, 2);
  EXPECT_EQ(area.right, client.right - 2);
  EXPECT_EQ(area.bottom, client.bottom - band - 4);
  EXPECT_TRUE(RectsEqual(nav.ThumbnailRect(), FitThumbnail(area, 4000, 3000)));
  EXPECT_GT(RectWidth(nav.ThumbnailRect()), RectWidth(thumb));
  CloseProgramDiscardingChanges(app);
}

// View/Color/Dither Options: a change reaches the view's options at once;
// Cancel puts them back.
TEST_F(ViewNavigation, DitherOptionsApplyLiveAndCancelRestores) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  const std::int32_t before = view_->DitherRecord(16).dither;
  std::int32_t during = before;
  bool greyedOwnPalette = false;
  DialogScript::Run({{"Dither Options", [&](HWND dialog) {
                        greyedOwnPalette = !IsWindowEnabled(GetDlgItem(dialog, 102));  // 24-bit: no own palette
                        HWND box = GetDlgItem(dialog, 101);
                        SendMessageA(box, BM_CLICK, 0, 0);
                        during = view_->DitherRecord(16).dither;
                        lumora::testing::Press(dialog, IDCANCEL);
                      }}});
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_DITHER_OPTIONS, 0);
  DialogScript::Stop();
  EXPECT_TRUE(greyedOwnPalette);
  EXPECT_NE(during, before);
  EXPECT_EQ(view_->DitherRecord(16).dither, before);
  CloseProgramDiscardingChanges(app);
}

// Pixels of a colour in a view as it draws itself now.
int CountColour(HWND view, std::uint32_t rgb) {
  UpdateWindow(view);
  const Capture shot = CaptureClient(view);
  return static_cast<int>(std::count_if(shot.pixels.begin(), shot.pixels.end(),
                                        [rgb](std::uint32_t p) { return (p & 0xFFFFFF) == rgb; }));
}

// Options/Preferences/Guides and Grid: a new grid colour shows at once in
// two views; Cancel restores it; OK writes [Grid] and the colour schemes.
TEST_F(ViewNavigation, GuidesAndGridPageAppliesLiveAndCancelRestores) {
  CLumo40App app;
  ProgramGuard guard(app);
  ASSERT_TRUE(Start(app));
  const fs::path folder = lumora::testing::MakeUniqueTempFolder("lumora-grid-");
  const fs::path copy = folder / "again.psd";
  ASSERT_TRUE(CopyFileA(file_.c_str(), copy.string().c_str(), FALSE));
  ASSERT_NE(app.OpenDocumentFile(copy.string()), nullptr);
  ASSERT_EQ(app.Docs().AllDocuments().size(), 2u);
  auto* second = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments()[1]);
  SettlePolling10ms(app, second);
  std::vector<HWND> views;
  for (fw::Document* d : app.Docs().AllDocuments()) {
    CLumo40View* v = dynamic_cast<CLumo40View*>(dynamic_cast<CLumo40Doc*>(d)->Views().front());
    views.push_back(v->Handle());
    SendMessageA(v->Handle(), WM_COMMAND, ID_VIEW_SHOW_GRID, 0);
  }
  RunFor(app, 100);
  const std::uint32_t lightRed = 0xFF5A4C;  // Light Red (255, 90, 76)
  std::vector<int> before;
  for (HWND v : views) before.push_back(CountColour(v, lightRed));

  auto choose = [&](HWND sheet, const char* name) {
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND combo = GetDlgItem(page, IDC_GG_GRID_COLOR);
    const LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_GG_GRID_COLOR, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  };
  std::vector<int> during;
  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        choose(sheet, "Light Red");
                        for (HWND v : views) during.push_back(CountColour(v, lightRed));
                        lumora::testing::Press(sheet, IDCANCEL);
                      }}});
  SendMessageA(frame_, WM_COMMAND, ID_OPTIONS_GUIDES_GRID, 0);
  DialogScript::Stop();
  ASSERT_EQ(during.size(), 2u);
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_GT(during[i], before[i] + 200) << i;
    EXPECT_EQ(CountColour(views[i], lightRed), before[i]) << i;
  }
  EXPECT_EQ(CurrentViewSettings().grid.color, 0x838383u);

  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        choose(sheet, "Light Red");
                        lumora::testing::Press(sheet, IDOK);
                      }}});
  SendMessageA(frame_, WM_COMMAND, ID_OPTIONS_GUIDES_GRID, 0);
  DialogScript::Stop();
  EXPECT_EQ(CurrentViewSettings().grid.color, 0x4C5AFFu);

  // The spacing follows the unit (96 pixels at 96 dots per inch is 1 inch);
  // subdivisions typed as 0 show 1.
  std::string inches, subdivisions;
  DialogScript::Run({{"Preferences", [&](HWND sheet) {
                        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                        HWND unit = GetDlgItem(page, IDC_GG_UNIT);
                        SendMessageA(unit, CB_SETCURSEL, 0, 0);  // Pixels
                        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_GG_UNIT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(unit));
                        SetDlgItemTextA(page, IDC_GG_SPACING, "96");
                        SendMessageA(unit, CB_SETCURSEL, 2, 0);  // Inches
                        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_GG_UNIT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(unit));
                        char text[32] = {};
                        GetDlgItemTextA(page, IDC_GG_SPACING, text, sizeof text);
                        inches = text;
                        SetDlgItemTextA(page, IDC_GG_SUBDIV, "0");
                        GetDlgItemTextA(page, IDC_GG_SUBDIV, text, sizeof text);
                        subdivisions = text;
                        lumora::testing::Press(sheet, IDCANCEL);
                      }}});
  SendMessageA(frame_, WM_COMMAND, ID_OPTIONS_GUIDES_GRID, 0);
  DialogScript::Stop();
  EXPECT_EQ(inches, "1");
  EXPECT_EQ(subdivisions, "1");
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("Grid", "color", -1), 0x4C5AFF);
  EXPECT_EQ(ini.GetInt("GridColorScheme", "count", -1), 9);
  EXPECT_EQ(ini.GetString("GuideColorScheme", "1", ""), "255,90,76,Light Red");
  for (HWND v : views) EXPECT_GT(CountColour(v, lightRed), 200);
  CloseProgramDiscardingChanges(app);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace lumora
