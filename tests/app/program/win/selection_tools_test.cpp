// The selection tools in the running program, started in this process with
// ag-psd's two-layer 320 x 240 file on the command line: shapes dragged and
// clicked with real mouse input, the Selection menu's keys, undo, and the
// marching ants on the view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "document/DocumentServices.h"
#include "document/TransformSession.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"
#include "platform/rect.h"
#include "hostapi/draw.h"
#include "hostapi/toolhost.h"
#include "engine/layers/Layer.h"
#include "engine/layers/LayerMng.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "select/ModifySelection.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/user_input.h"
#include "tests/support/win/window_pixels.h"
#include "lang/Recorder.h"
#include "view/SelectionEdge.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::Chord;
using lumora::testing::DialogScript;
using lumora::testing::Key;
using lumora::testing::Mouse;
using lumora::testing::OnScreen;
using lumora::testing::RunUntil;
using lumora::testing::Send;

class SelectionTools : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lumora::testing::FileOnCommandLine()) GTEST_SKIP() << "run with the two-layer file on the command line";
    const lumora::testing::StartedProgram shown = lumora::testing::StartProgram(app_);
    ASSERT_TRUE(shown.started);
    ASSERT_NE(shown.doc, nullptr);
    doc_ = shown.doc;
    frame_ = shown.frame;
    view_ = shown.view;
    ASSERT_NE(view_, nullptr);
    ASSERT_EQ(view_->ZoomRatio(), 1.0);
  }
  void TearDown() override {
    if (view_ != nullptr) {
      lumora::testing::DiscardChanges(app_);
      lumora::testing::CloseProgram(app_);
    }
  }

  void Command(UINT id) {
    SendMessageA(frame_, WM_COMMAND, id, 0);
    lumora::testing::Settle(app_);
  }
  // The area tool of a name, chosen as the selection bar's button does.
  void ChooseTool(const char* name) {
    for (const RegisteredAreaTool& t : app_.areaTools.Tools()) {
      if (t.name == name) return Command(t.command);
    }
    FAIL() << name << " is not registered";
  }

  void MoveTo(POINT client) {
    Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), client))});
    lumora::testing::Settle(app_);
  }
  void Drag(POINT from, POINT to, std::initializer_list<WORD> held = {}) {
    MoveTo(from);
    // The keys go down with the press: under Wine a pointer move re-reads
    // the modifiers from the X server, which never saw them.
    std::vector<INPUT> down;
    for (WORD k : held) down.push_back(Key(k, false));
    down.push_back(Mouse(MOUSEEVENTF_LEFTDOWN));
    Send(down);
    lumora::testing::Settle(app_);
    MoveTo(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2});
    MoveTo(to);
    Send({Mouse(MOUSEEVENTF_LEFTUP)});
    lumora::testing::Settle(app_);
    std::vector<INPUT> up;
    for (WORD k : held) up.push_back(Key(k, true));
    // Alt let go alone would open the menu bar: Escape closes it at once.
    if (std::find(held.begin(), held.end(), VK_MENU) != held.end()) {
      up.push_back(Key(VK_ESCAPE, false));
      up.push_back(Key(VK_ESCAPE, true));
    }
    Send(up);
    lumora::testing::Settle(app_);
  }
  void Click(POINT at) {
    MoveTo(at);
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    lumora::testing::Settle(app_);
  }
  void Keys(std::initializer_list<WORD> keys) {
    Chord(keys);
    lumora::testing::Settle(app_);
  }

  POINT Pixel(POINT client) const { return view_->WindowPointToImagePixel(client); }
  // The client point over image pixel x, counted from the image's top row.
  POINT C(int x, int fromTop) const {
    POINT p{x, 239 - fromTop};
    view_->Mapping().RevXForm(&p, kXFPixels);
    return p;
  }
  Fragment* Selection() const { return doc_->Image().GetSelection(); }
  bool Selected(int x, int y) const {
    const POINT p{x, y};
    return Selection() != nullptr && (PointInFragment(Selection(), &p) & 1) != 0;
  }
  int Steps() { return doc_->Image().History().UndoCount(); }

  lumora::testing::FreshSettings settings_;
  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
  HWND frame_ = nullptr;
};

// A rectangle dragged on the view selects the pixels under the drag; Ctrl+I
// inverts it, Ctrl+D deselects, each one undo step; Ctrl+Z brings them back.
TEST_F(SelectionTools, ARectangleDraggedThenInvertedAndDeselectedWithTheKeys) {
  ChooseTool("Area_Rect");
  char active[64] = {};
  LUGetActiveSelection(app_.Site(), active, sizeof active);
  EXPECT_STREQ(active, "Area_Rect");
  const int steps = Steps();
  const POINT from = C(60, 50), to = C(140, 110);
  Drag(from, to);
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgRect);
  const POINT a = Pixel(from), b = Pixel(to);
  LURECT bound{};
  GetFragmentBoundRect(Selection(), &bound);
  EXPECT_EQ(bound.x, std::min(a.x, b.x));
  EXPECT_EQ(bound.y, std::min(a.y, b.y));
  EXPECT_EQ(bound.width, std::abs(b.x - a.x) + 1);
  EXPECT_EQ(bound.height, std::abs(b.y - a.y) + 1);
  EXPECT_EQ(Steps(), steps + 1);

  Keys({VK_CONTROL, 'I'});
  ASSERT_NE(Selection(), nullptr);
  EXPECT_TRUE(IsFrgInverted(Selection()));
  EXPECT_FALSE(Selected(a.x, a.y));
  EXPECT_TRUE(Selected(0, 0));
  EXPECT_EQ(Steps(), steps + 2);

  Keys({VK_CONTROL, 'D'});
  EXPECT_EQ(Selection(), nullptr);
  EXPECT_EQ(Steps(), steps + 3);
  Keys({VK_CONTROL, 'Z'});
  ASSERT_NE(Selection(), nullptr);
  EXPECT_TRUE(IsFrgInverted(Selection())) << "the undone deselect gives the inverted selection back";
}

// Shift at the press adds, Alt subtracts, both intersect; a click without a
// drag deselects; Select All takes the whole image.
TEST_F(SelectionTools, KeysAtThePressCombineAndAClickDeselects) {
  ChooseTool("Area_Rect");
  Drag(C(20, 20), C(100, 100));
  Drag(C(80, 80), C(160, 160), {VK_SHIFT});
  const POINT inFirst = Pixel(C(30, 30)), inSecond = Pixel(C(150, 150)), inBoth = Pixel(C(90, 90));
  EXPECT_TRUE(Selected(inFirst.x, inFirst.y));
  EXPECT_TRUE(Selected(inSecond.x, inSecond.y));
  Drag(C(85, 85), C(95, 95), {VK_MENU});
  EXPECT_FALSE(Selected(inBoth.x, inBoth.y)) << "subtracted";
  EXPECT_TRUE(Selected(inFirst.x, inFirst.y));
  Drag(C(10, 10), C(40, 40), {VK_SHIFT, VK_MENU});
  EXPECT_TRUE(Selected(inFirst.x, inFirst.y)) << "intersected";
  EXPECT_FALSE(Selected(inSecond.x, inSecond.y));
  Click(C(200, 200));
  EXPECT_EQ(Selection(), nullptr);
  Keys({VK_CONTROL, 'A'});
  ASSERT_NE(Selection(), nullptr);
  EXPECT_TRUE(Selected(0, 0));
  EXPECT_TRUE(Selected(319, 239));
}

// Ellipse, polygon (clicks, a double click closes), pen and wand each
// leave the selection the tool's shape gives.
TEST_F(SelectionTools, EachToolGivesItsShape) {
  ChooseTool("Area_Ellipse");
  Drag(C(40, 40), C(120, 100));
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgEllipse);
  const POINT centre = Pixel(C(80, 70)), corner = Pixel(C(41, 41));
  EXPECT_TRUE(Selected(centre.x, centre.y));
  EXPECT_FALSE(Selected(corner.x, corner.y));

  ChooseTool("Area_Poly");
  Click(C(20, 20));
  Click(C(120, 20));
  MoveTo(C(120, 120));
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP), Mouse(MOUSEEVENTF_LEFTDOWN),
        Mouse(MOUSEEVENTF_LEFTUP)});
  lumora::testing::Settle(app_);
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgPolygon);
  EXPECT_EQ(GetPolygonFrgSize(Selection()), 3);
  const POINT below = Pixel(C(100, 40)), above = Pixel(C(40, 100));
  EXPECT_TRUE(Selected(below.x, below.y));
  EXPECT_FALSE(Selected(above.x, above.y));

  ChooseTool("Area_Pen");
  Drag(C(200, 20), C(260, 80));
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgPolygon);

  // The wand on the top layer ("Patch", 160 x 120 at 40, 30 from the top):
  // its 8-pixel blocks of one colour each.
  ChooseTool("Area_Wand");
  Click(C(44, 34));
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgMask);
  const POINT same = Pixel(C(41, 31)), next = Pixel(C(60, 60));
  EXPECT_TRUE(Selected(same.x, same.y));
  EXPECT_FALSE(Selected(next.x, next.y));
}

// The smart outline on a white image with a dark square: three anchors
// clicked on the square's edge (its top-left corner, the middle of its
// right side, its bottom-left corner) and a double click close an outline
// that follows the square's sides round its right-hand corners, where
// straight sides would cut across. One step.
TEST_F(SelectionTools, TheSmartOutlineFollowsADarkSquaresEdge) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lumora-smart-");
  const std::string png = (folder / "square.png").string();
  ASSERT_EQ(lumora::testing::RunHostShell(folder.string(),
                                          "convert -size 200x160 xc:white -fill '#202020' -draw 'rectangle 60,40,139,119' "
                                          "'PNG24:" + lumora::testing::UnixPath(png) + "'"),
            0);
  doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(png));
  ASSERT_NE(doc_, nullptr);
  lumora::testing::Settle(app_, doc_);
  fw::FrameWnd* child = app_.MainFrameWnd()->GetActiveFrame();
  view_ = child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
  ASSERT_NE(view_, nullptr);
  ASSERT_EQ(view_->ZoomRatio(), 1.0);
  // The client point over pixel x, counted from the image's top row; and
  // whether the pixel there is selected.
  auto at = [&](int x, int fromTop) {
    POINT p{x, 159 - fromTop};
    view_->Mapping().RevXForm(&p, kXFPixels);
    return p;
  };
  auto selected = [&](int x, int fromTop) { return Selected(x, 159 - fromTop); };
  ChooseTool("Area_SmartS");
  char active[64] = {};
  LUGetActiveSelection(app_.Site(), active, sizeof active);
  EXPECT_STREQ(active, "Area_SmartS");
  const int steps = Steps();
  Click(at(59, 39));
  MoveTo(at(120, 60));
  Click(at(140, 80));
  MoveTo(at(59, 120));
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP), Mouse(MOUSEEVENTF_LEFTDOWN),
        Mouse(MOUSEEVENTF_LEFTUP)});
  lumora::testing::Settle(app_);
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgPolygon);
  EXPECT_EQ(Steps(), steps + 1);
  // Inside, also in the corners a straight triangle would leave out.
  for (const POINT p : {POINT{100, 80}, POINT{62, 42}, POINT{136, 43}, POINT{136, 116}, POINT{62, 117}}) {
    EXPECT_TRUE(selected(p.x, p.y)) << p.x << "," << p.y;
  }
  // A few pixels outside each side, and far away, not.
  for (const POINT p : {POINT{100, 35}, POINT{145, 80}, POINT{100, 124}, POINT{55, 80}, POINT{10, 10},
                        POINT{190, 150}}) {
    EXPECT_FALSE(selected(p.x, p.y)) << p.x << "," << p.y;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// View/Selection Attributes opens the tuner for the active tool and closes
// it again (checked while open); what it sets shapes the next selection and
// is kept in the settings.
TEST_F(SelectionTools, TheSelectionAttributesWindowTunesNewShapes) {
  auto checked = [&] {
    std::function<int(HMENU)> find = [&](HMENU menu) -> int {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
          SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
          if (const int found = find(sub)) return found;
        } else if (GetMenuItemID(menu, i) == ID_VIEW_SELECTION_ATTRIBUTES) {
          return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0 ? 1 : -1;
        }
      }
      return 0;
    };
    return find(GetMenu(frame_));
  };
  ChooseTool("Area_Rect");
  EXPECT_EQ(checked(), -1) << "in the View menu, unchecked";
  Command(ID_VIEW_SELECTION_ATTRIBUTES);
  HWND tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(app_.Site()));
  ASSERT_NE(tuner, nullptr);
  EXPECT_TRUE(IsWindowVisible(tuner));
  EXPECT_EQ(checked(), 1);
  char text[64] = {};
  GetWindowTextA(tuner, text, sizeof text);
  EXPECT_STREQ(text, "Selection Attributes");
  GetDlgItemTextA(tuner, kLUTunerTool, text, sizeof text);
  EXPECT_STREQ(text, "Area_Rect");
  // The rectangle's settings only.
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerFeather)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerAspectFixed)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerAspectWidth))) << "until the aspect is fixed";
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerTolerance)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerLineWidth)));
  EXPECT_EQ(GetDlgItemInt(tuner, kLUTunerTolerance, nullptr, TRUE), 32u);

  SendDlgItemMessageA(tuner, kLUTunerAspectFixed, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerAspectWidth)));
  SetDlgItemTextA(tuner, kLUTunerAspectWidth, "2");
  SetDlgItemTextA(tuner, kLUTunerAspectHeight, "1");
  SetDlgItemTextA(tuner, kLUTunerFeather, "4");
  lumora::testing::Settle(app_);

  // A drag over 41 x 21 pixels grows to 2:1 (42 x 21) with a soft edge.
  const POINT from = Pixel(C(40, 40));
  Drag(C(40, 40), C(80, 60));
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgMask);
  const LURECT box{from.x, from.y - 20, 42, 21};
  Fragment* rect = CreateRectFrg(&box, 0);
  SetSmoothEdge(rect, 40, kFrgSmoothCentred, nullptr);
  Fragment* expected = GetSmoothMask(rect);
  ASSERT_NE(expected, nullptr);
  int differ = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const POINT p{x, y};
      differ += PointInFragment(Selection(), &p) != PointInFragment(expected, &p);
    }
  }
  EXPECT_EQ(differ, 0);
  DeleteFragment(expected);
  DeleteFragment(rect);

  // Kept in the settings; a number out of range is put back in range as
  // the field is left.
  fw::Profile& profile = app_.Settings();
  EXPECT_EQ(profile.GetInt("Selection Attributes", "Feather", -1), 4);
  EXPECT_EQ(profile.GetInt("Selection Attributes", "FixedAspect", -1), 1);
  EXPECT_EQ(profile.GetInt("Selection Attributes", "AspectWidth", -1), 2);

  // Closed by the command; opened again for the wand, its settings only.
  Command(ID_VIEW_SELECTION_ATTRIBUTES);
  EXPECT_EQ(LUIsGSelectionTunerDlgOpen(app_.Site()), 0);
  EXPECT_FALSE(IsWindow(tuner));
  EXPECT_EQ(checked(), -1);
  ChooseTool("Area_Wand");
  Command(ID_VIEW_SELECTION_ATTRIBUTES);
  tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(app_.Site()));
  ASSERT_NE(tuner, nullptr);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerTolerance)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerAspectFixed)));
  EXPECT_EQ(GetDlgItemInt(tuner, kLUTunerFeather, nullptr, TRUE), 4u) << "the values it had";
  SetDlgItemTextA(tuner, kLUTunerTolerance, "300");
  SendMessageA(tuner, WM_COMMAND, MAKEWPARAM(kLUTunerTolerance, EN_KILLFOCUS),
               reinterpret_cast<LPARAM>(GetDlgItem(tuner, kLUTunerTolerance)));
  EXPECT_EQ(GetDlgItemInt(tuner, kLUTunerTolerance, nullptr, TRUE), 255u);
  EXPECT_EQ(profile.GetInt("Selection Attributes", "Tolerance", -1), 255);
  SendDlgItemMessageA(tuner, kLUTunerContiguous, BM_CLICK, 0, 0);
  EXPECT_EQ(profile.GetInt("Selection Attributes", "Contiguous", -1), 0);
  // Its close box closes it as the command does.
  SendMessageA(tuner, WM_SYSCOMMAND, SC_CLOSE, 0);
  lumora::testing::Settle(app_);
  EXPECT_EQ(LUIsGSelectionTunerDlgOpen(app_.Site()), 0);
}

// At 4:1 a rectangle dragged past the view's right edge scrolls the view
// and goes on beyond what was visible, with its size in the status while
// the drag lasts; a frame dragged past the edge during Free Transform
// scrolls it too.
TEST_F(SelectionTools, DragsPastTheViewsEdgeScrollItAndShowTheSize) {
  view_->SetZoomRatio(4, 1);
  lumora::testing::Settle(app_, doc_);
  SendMessageA(view_->Handle(), WM_HSCROLL, SB_TOP, 0);
  SendMessageA(view_->Handle(), WM_VSCROLL, SB_TOP, 0);
  lumora::testing::Settle(app_, doc_);
  RECT client{};
  GetClientRect(view_->Handle(), &client);
  ASSERT_LT(client.right, 4 * 320) << "the view shows part of the image";
  ASSERT_EQ(view_->GetDeviceScrollPosition().x, 0);
  // Press, move within the view, then hold the cursor past its right edge.
  const auto holdPast = [&](POINT from, POINT inside) {
    MoveTo(from);
    Send({Mouse(MOUSEEVENTF_LEFTDOWN)});
    lumora::testing::Settle(app_);
    MoveTo(inside);
  };
  const auto scrollAndRelease = [&](POINT outside) {
    MoveTo(outside);
    EXPECT_TRUE(lumora::testing::RunUntil(app_, [&] { return view_->GetDeviceScrollPosition().x >= 40; }, 10000))
        << "the view scrolls toward the cursor";
    Send({Mouse(MOUSEEVENTF_LEFTUP)});
    lumora::testing::Settle(app_);
  };

  ChooseTool("Area_Rect");
  const POINT from{20, 20}, inside{client.right - 10, 40};
  holdPast(from, inside);
  const POINT a = Pixel(from), b = Pixel(inside);
  char want[96];
  std::snprintf(want, sizeof want, "x=%ld y=%ld w=%ld h=%ld", static_cast<long>(a.x), static_cast<long>(239 - a.y),
                static_cast<long>(b.x - a.x + 1), static_cast<long>(a.y - b.y + 1));
  EXPECT_EQ(app_.prompts.Current(2), want) << "the drag's size in the status";
  scrollAndRelease(POINT{client.right + 30, 40});
  ASSERT_NE(Selection(), nullptr);
  LURECT box{};
  GetFragmentBoundRect(Selection(), &box);
  EXPECT_EQ(box.x, a.x);
  // Unscrolled, the release point would be pixel (right + 30) / 4; the view
  // scrolled 40 window pixels (10 image pixels) or more.
  EXPECT_GT(box.x + box.width, (client.right + 30) / 4 + 8) << "the rect goes on past what the view showed";
  EXPECT_NE(app_.prompts.Current(2).rfind("x=", 0), 0u) << "the size leaves the status with the drag";

  // Free Transform: the frame moved by its inside past the edge.
  SendMessageA(view_->Handle(), WM_HSCROLL, SB_TOP, 0);
  lumora::testing::Settle(app_, doc_);
  Keys({VK_CONTROL, 'D'});
  CLayersManager* stack = doc_->Image().GetLayers();
  CLayer* top = stack->GetLayer(stack->GetLayerCount() - 1);
  doc_->Image().SetActiveLayer(top, true, false);
  const RECT before = top->GetRect();
  SetFocus(view_->Handle());
  Keys({VK_CONTROL, 'T'});
  ASSERT_TRUE(view_->IsTransformActive());
  // Just inside the frame's upper left corner (its corners are the layer's
  // in image order, rows upward).
  const POINT* corners = view_->TransformFrame()->Corners();
  POINT grip = corners[0];
  for (int i = 1; i < 4; ++i) grip = POINT{std::min(grip.x, corners[i].x), std::min(grip.y, corners[i].y)};
  grip = POINT{grip.x + 12, grip.y + 12};
  ASSERT_LT(grip.x, client.right - 40) << "the frame's corner is in view";
  ASSERT_LT(grip.y, client.bottom - 20);
  holdPast(grip, POINT{client.right - 5, grip.y});
  scrollAndRelease(POINT{client.right + 30, grip.y});
  Keys({VK_RETURN});
  ASSERT_FALSE(view_->IsTransformActive());
  const RECT after = doc_->Image().GetActiveLayer()->GetRect();
  EXPECT_GE(after.left - before.left, (client.right + 30 - grip.x) / 4 + 8)
      << "the layer moved further than the pointer went on the screen";
  EXPECT_EQ(RectWidth(after), RectWidth(before));
}

// The ants: the edge's pixels are black and white in runs of four along the
// edge, and each tick of the animation timer moves them one pixel.
TEST_F(SelectionTools, TheAntsMarchOnePixelPerTick) {
  ChooseTool("Area_Rect");
  Drag(C(30, 30), C(100, 90));
  const SelectionEdge& edge = view_->AntsEdge();
  ASSERT_FALSE(edge.Empty());
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    const lumora::testing::Capture shown = lumora::testing::CaptureShownClient(view_->Handle());
    int wrong = 0;
    for (const POINT& p : edge.Pixels()) {
      const std::uint32_t want = SelectionEdge::IsBlack(p, view_->AntsPhase()) ? 0x000000 : 0xFFFFFF;
      if (shown.At(p.x, p.y) != want) ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "of " << edge.Pixels().size();
    // Off the edge the view shows the image alone.
    const lumora::testing::Capture image = lumora::testing::CaptureClient(view_->Handle());
    ASSERT_EQ(image.pixels.size(), shown.pixels.size());
    std::vector<bool> onEdge(shown.pixels.size());
    for (const POINT& p : edge.Pixels()) onEdge[static_cast<std::size_t>(p.y) * shown.width + p.x] = true;
    int stray = 0;
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) stray += !onEdge[i] && ((shown.pixels[i] ^ image.pixels[i]) & 0xFFFFFF) != 0;
    EXPECT_EQ(stray, 0);
    // The top edge alternates in fours.
    const POINT first = edge.Pixels().front();
    int changes = 0;
    for (int x = first.x + 1; x < first.x + 40; ++x) changes += shown.At(x, first.y) != shown.At(x - 1, first.y);
    EXPECT_GE(changes, 8);
  };
  check("at rest");
  const int phase = view_->AntsPhase();
  SendMessageA(frame_, WM_TIMER, kAnimationTimer, 0);
  EXPECT_EQ(view_->AntsPhase(), (phase + 7) & 7);
  check("after a tick");
  // The image window moved inside the main window: the next ticks still
  // draw on the edge and nowhere else.
  HWND child = GetParent(view_->Handle());
  RECT place{};
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  SetWindowPos(child, nullptr, place.left + 17, place.top + 11, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  lumora::testing::Settle(app_);
  // The program's own timer may have ticked while the move settled.
  const int movedPhase = view_->AntsPhase();
  SendMessageA(frame_, WM_TIMER, kAnimationTimer, 0);
  SendMessageA(frame_, WM_TIMER, kAnimationTimer, 0);
  EXPECT_EQ(view_->AntsPhase(), (movedPhase + 6) & 7);
  check("after the window moved");
  Keys({VK_CONTROL, 'D'});
  EXPECT_TRUE(view_->AntsEdge().Empty());
  const lumora::testing::Capture shown = lumora::testing::CaptureShownClient(view_->Handle());
  const lumora::testing::Capture image = lumora::testing::CaptureClient(view_->Handle());
  EXPECT_EQ(shown.pixels, image.pixels) << "no ants are left on the view";
}

// Move selection (40031): a drag that begins inside the selection moves it
// by the mouse's image offset as one step; a drag outside does nothing;
// near a guide the moved edge snaps onto it; a selection tool ends the mode.
TEST_F(SelectionTools, MoveSelectionDragsItAndSnapsToAGuide) {
  ChooseTool("Area_Rect");
  Drag(C(60, 50), C(139, 109));
  ASSERT_NE(Selection(), nullptr);
  LURECT before{};
  GetFragmentBoundRect(Selection(), &before);
  ASSERT_EQ(before.width, 80);

  Command(ID_SELECT_BAR_MOVE);
  EXPECT_EQ(LUGetMovingSelectionFlag(app_.Site()), 1);
  char active[64] = {};
  EXPECT_EQ(LUGetActiveSelection(app_.Site(), active, sizeof active), 0) << "the area tool is off";
  EXPECT_EQ(app_.currentToolCommand, static_cast<std::uint32_t>(ID_SELECT_BAR_MOVE));

  const int steps = Steps();
  Drag(C(200, 200), C(220, 210));
  LURECT same{};
  GetFragmentBoundRect(Selection(), &same);
  EXPECT_EQ(same.x, before.x) << "a drag outside the selection moves nothing";
  EXPECT_EQ(Steps(), steps);

  Drag(C(100, 80), C(130, 100));
  LURECT moved{};
  ASSERT_NE(Selection(), nullptr);
  EXPECT_EQ(GetFragmentType(Selection()), kFrgRect);
  GetFragmentBoundRect(Selection(), &moved);
  EXPECT_EQ(moved.x, before.x + 30);
  EXPECT_EQ(moved.y, before.y - 20) << "20 rows down the screen are 20 image rows lower";
  EXPECT_EQ(moved.width, 80);
  EXPECT_EQ(moved.height, before.height);
  EXPECT_EQ(Steps(), steps + 1);
  const POINT inside = Pixel(C(165, 100)), left = Pixel(C(70, 60));
  EXPECT_TRUE(Selected(inside.x, inside.y));
  EXPECT_FALSE(Selected(left.x, left.y));
  Keys({VK_CONTROL, 'Z'});
  LURECT undone{};
  GetFragmentBoundRect(Selection(), &undone);
  EXPECT_EQ(undone.x, before.x);
  EXPECT_EQ(undone.y, before.y);

  // A vertical guide at x = 150 with snapping on: a left edge dropped three
  // pixels short lands on it.
  CLayersManager* stack = doc_->Image().GetLayers();
  stack->Guides().push_back(CLayersManager::GuideInfo{150 * 32, kVrGuideVertical});
  view_->AddGuideAllViews(150 * 32, kVrGuideVertical);
  view_->SetShowGuides(true);
  view_->SetSnapToGuides(true);
  ASSERT_TRUE(view_->snapToGuides && view_->showGuides);
  Drag(C(100, 80), C(100 + 147 - before.x, 80));
  GetFragmentBoundRect(Selection(), &moved);
  EXPECT_EQ(moved.x, 150) << "snapped to the guide";
  EXPECT_EQ(moved.y, before.y);

  ChooseTool("Area_Ellipse");
  EXPECT_EQ(LUGetMovingSelectionFlag(app_.Site()), 0) << "a selection tool ends moving";
}

// Every layer's rect, image and mask bytes, bottom to top.
std::vector<std::vector<std::uint8_t>> StackBytes(CLayersManager* stack) {
  std::vector<std::vector<std::uint8_t>> all;
  for (int i = 0; i < stack->GetLayerCount(); ++i) {
    CLayer* layer = stack->GetLayer(i);
    std::vector<std::uint8_t> bytes;
    const RECT& r = layer->GetRect();
    for (LONG v : {r.left, r.top, r.right, r.bottom}) bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(layer->IsVisible()));
    for (const VrWA2000::WA* b : {layer->PeekImage(), layer->PeekMask()}) {
      if (b == nullptr) continue;
      const int rowBytes = b->GetW() * (b->GetType() == 16 ? 3 : 1);
      for (int y = 0; y < b->GetH(); ++y) bytes.insert(bytes.end(), b->Row(y), b->Row(y) + rowBytes);
    }
    all.push_back(std::move(bytes));
  }
  return all;
}

// Layer/Transform/Scale on the top layer with nothing selected: the corner
// dragged 40 right and 30 down makes the layer 200 x 150, Enter commits it
// as one step whose pixels are the engine's resize; undo restores the
// stack. While the frame is up the transform items are greyed and closing
// asks; Cancel keeps the transform. Escape after drags of another frame
// leaves the stack byte for byte and adds no step.
TEST_F(SelectionTools, LayerScaleFrameCommitsAndEscapeLeavesNothing) {
  CLayersManager* stack = doc_->Image().GetLayers();
  CLayer* top = stack->GetLayer(stack->GetLayerCount() - 1);
  doc_->Image().SetActiveLayer(top, true, false);
  const RECT before = top->GetRect();
  ASSERT_EQ(RectWidth(before), 160);
  // The whole layer is replaced by its transformed copy: keep its pixels.
  const WAPtr pixels = WAPtr::Adopt(CloneWA(top->PeekImage()));
  const auto original = StackBytes(stack);
  const int layers = stack->GetLayerCount();
  const int steps = Steps();

  Command(ID_LAYER_TRANSFORM_SCALE);
  ASSERT_TRUE(view_->IsTransformActive());
  EXPECT_TRUE(IsTrackerRunning());
  bool found = false;
  EXPECT_FALSE(lumora::testing::MenuItemEnabled(frame_, ID_LAYER_TRANSFORM_DISTORT, &found)) << "greyed while one runs";
  EXPECT_TRUE(found);
  // Closing asks; Cancel keeps the transform and the document.
  std::string asked;
  DialogScript::Run({lumora::testing::BoxStep("Lumora 4.0", [&](HWND box) {
    asked = lumora::testing::MessageBoxText(box);
    lumora::testing::Press(box, IDCANCEL);
  })});
  Command(ID_FILE_CLOSE);
  DialogScript::Stop();
  EXPECT_EQ(asked, "Apply the transfornation ?");
  ASSERT_TRUE(view_->IsTransformActive());
  ASSERT_FALSE(app_.Docs().AllDocuments().empty());

  // The frame's lower-right corner on the screen (image right, top).
  const POINT corner = view_->TransformFrame()->Corners()[1];
  Drag(corner, POINT{corner.x + 40, corner.y + 30});
  ASSERT_NE(view_->RunningTransform()->TemporaryLayer(), nullptr);
  EXPECT_EQ(Steps(), steps + 1) << "the first rebuild opens the step";
  Keys({VK_RETURN});
  EXPECT_FALSE(view_->IsTransformActive());
  EXPECT_FALSE(IsTrackerRunning());
  ASSERT_EQ(stack->GetLayerCount(), layers) << "a whole layer changes in its place";
  CLayer* scaled = doc_->Image().GetActiveLayer();
  const RECT after = scaled->GetRect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top - 30) << "30 rows lower on the screen";
  EXPECT_EQ(RectWidth(after), 200);
  EXPECT_EQ(RectHeight(after), 150);
  EXPECT_EQ(Steps(), steps + 1);
  // The engine's own resize of the layer's pixels.
  Transform engine;
  engine.SetSource(pixels.get(), before.left, before.top, before.left, before.top, before.right, before.bottom,
                   0, 0);
  ASSERT_EQ(engine.Resize(200, 150, nullptr, 0, nullptr, nullptr), 1);
  const VrWA2000::WA* got = scaled->PeekImage();
  ASSERT_NE(got, nullptr);
  ASSERT_EQ(got->GetW(), 200);
  int differ = 0;
  for (int y = 0; y < 150; ++y) {
    differ += std::memcmp(got->Row(y), engine.destination->Row(y), 200 * (got->GetType() == 16 ? 3 : 1)) != 0;
  }
  EXPECT_EQ(differ, 0) << "rows unlike the engine's resize";
  Keys({VK_CONTROL, 'Z'});
  EXPECT_EQ(StackBytes(stack), original);

  Command(ID_LAYER_TRANSFORM_DISTORT);
  ASSERT_TRUE(view_->IsTransformActive());
  const POINT c0 = view_->TransformFrame()->Corners()[0], c2 = view_->TransformFrame()->Corners()[2];
  Drag(c0, POINT{c0.x + 20, c0.y - 10});
  Drag(c2, POINT{c2.x - 15, c2.y + 25});
  EXPECT_NE(StackBytes(stack), original) << "the drags show in the stack";
  Keys({VK_ESCAPE});
  EXPECT_FALSE(view_->IsTransformActive());
  EXPECT_EQ(StackBytes(stack), original);
  EXPECT_EQ(Steps(), steps);
  found = false;
  EXPECT_TRUE(lumora::testing::MenuItemEnabled(frame_, ID_LAYER_TRANSFORM_DISTORT, &found));
  EXPECT_TRUE(found);
}

// Free Transform by its key (Ctrl+T) on the top layer: the frame's corner
// dragged to double the layer and Enter give the engine's resize to twice
// the size in the doubled rect, one step. Layer/Transform/Rotate turned a
// quarter by a drag about the centre gives the turned layer, one step.
// Takes the recorded lines while it is installed.
struct LineCatcher : lang::MacroLineSink {
  bool IsRecording() const override { return true; }
  void AppendLines(const lang::LineList& lines) override { all.insert(all.end(), lines.begin(), lines.end()); }
  void ReportRecordingFailure(const std::string&) override {}
  std::string Transforms() const {
    std::string found;
    for (const std::string& l : all) {
      if (l.rfind("TransformLayer(", 0) == 0) found += l;
    }
    return found;
  }
  lang::LineList all;
};

TEST_F(SelectionTools, FreeTransformDoublesALayerAndRotateTurnsIt) {
  LineCatcher catcher;
  lang::MacroLineSink* previousSink = lang::ReplaceMacroLineSink(&catcher);
  struct Restore {
    lang::MacroLineSink* sink;
    ~Restore() { lang::ReplaceMacroLineSink(sink); }
  } restore{previousSink};
  // A commit without a change records nothing.
  Command(ID_LAYER_FREE_TRANSFORM);
  ASSERT_TRUE(view_->IsTransformActive());
  Keys({VK_RETURN});
  ASSERT_FALSE(view_->IsTransformActive());
  EXPECT_EQ(catcher.Transforms(), "");
  CLayersManager* stack = doc_->Image().GetLayers();
  CLayer* top = stack->GetLayer(stack->GetLayerCount() - 1);
  doc_->Image().SetActiveLayer(top, true, false);
  const RECT before = top->GetRect();
  const WAPtr pixels = WAPtr::Adopt(CloneWA(top->PeekImage()));
  const int steps = Steps();
  SetFocus(view_->Handle());
  Keys({VK_CONTROL, 'T'});
  ASSERT_TRUE(view_->IsTransformActive()) << "Ctrl+T starts Free Transform";
  const POINT corner = view_->TransformFrame()->Corners()[1];
  Drag(corner, POINT{corner.x + RectWidth(before), corner.y + RectHeight(before)});
  Keys({VK_RETURN});
  ASSERT_FALSE(view_->IsTransformActive());
  CLayer* doubled = doc_->Image().GetActiveLayer();
  const RECT after = doubled->GetRect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top - RectHeight(before));
  EXPECT_EQ(RectWidth(after), 2 * RectWidth(before));
  EXPECT_EQ(RectHeight(after), 2 * RectHeight(before));
  EXPECT_EQ(Steps(), steps + 1);
  Transform engine;
  engine.SetSource(pixels.get(), before.left, before.top, before.left, before.top, before.right, before.bottom, 0,
                   1);
  ASSERT_EQ(engine.Resize(2 * RectWidth(before), 2 * RectHeight(before), nullptr, 0, nullptr, nullptr), 1);
  const VrWA2000::WA* got = doubled->PeekImage();
  ASSERT_EQ(got->GetW(), engine.destination->GetW());
  ASSERT_EQ(got->GetH(), engine.destination->GetH());
  int differ = 0;
  for (int y = 0; y < got->GetH(); ++y) {
    differ += std::memcmp(got->Row(y), engine.destination->Row(y), got->GetW() * (got->GetType() == 16 ? 3 : 1)) != 0;
  }
  EXPECT_EQ(differ, 0) << "rows unlike the engine's resize";
  // The statement: placed (1) at the origin, scaled (1) to twice the size,
  // no skew, turned (1) by 0.
  char want[200];
  std::snprintf(want, sizeof want, "TransformLayer(1,1,0,1,{%ld,%ld},{%ld,%ld},{0,0},{0,0},{0,0},{0,0},0);",
                static_cast<long>(after.left), static_cast<long>(after.top), static_cast<long>(RectWidth(after)),
                static_cast<long>(RectHeight(after)));
  EXPECT_EQ(catcher.Transforms(), want);
  Keys({VK_CONTROL, 'Z'});
  ASSERT_EQ(RectWidth(doc_->Image().GetActiveLayer()->GetRect()), RectWidth(before));

  Command(ID_LAYER_TRANSFORM_ROTATE);
  ASSERT_TRUE(view_->IsTransformActive());
  auto* frame = dynamic_cast<RotateFrame*>(view_->TransformFrame());
  ASSERT_NE(frame, nullptr);
  const POINT c = frame->Centre();
  // From right of the centre to below it, outside the frame: a quarter
  // turn clockwise on the screen.
  MoveTo(POINT{c.x + 100, c.y});
  Send({Mouse(MOUSEEVENTF_LEFTDOWN)});
  lumora::testing::Settle(app_);
  MoveTo(POINT{c.x + 80, c.y + 60});
  MoveTo(POINT{c.x, c.y + 100});
  Send({Mouse(MOUSEEVENTF_LEFTUP)});
  lumora::testing::Settle(app_);
  Keys({VK_RETURN});
  ASSERT_FALSE(view_->IsTransformActive());
  const RECT turned = doc_->Image().GetActiveLayer()->GetRect();
  EXPECT_NEAR(RectWidth(turned), RectHeight(before), 2) << "width and height trade places";
  EXPECT_NEAR(RectHeight(turned), RectWidth(before), 2);
  EXPECT_EQ(Steps(), steps + 1);
}

std::vector<std::uint8_t> MaskOf(const Fragment* f, int width, int height);

// Selection/Transform: the rotate frame over the selection alone. A corner
// dragged 30 right and 20 down grows the selection's mask to that box as
// one "Set Selection" step, the layers untouched; Escape after a drag puts
// the selection back and leaves no step.
TEST_F(SelectionTools, SelectionTransformResizesTheSelectionAlone) {
  ChooseTool("Area_Rect");
  Drag(C(60, 50), C(139, 109));
  ASSERT_NE(Selection(), nullptr);
  LURECT before{};
  GetFragmentBoundRect(Selection(), &before);
  CLayersManager* stack = doc_->Image().GetLayers();
  const auto layers = StackBytes(stack);
  const int steps = Steps();
  Fragment* mask = MakePaddedSelectionMask(Selection(), 0, 0, false);
  ASSERT_NE(mask, nullptr);

  Command(ID_SELECTION_TRANSFORM);
  ASSERT_TRUE(view_->IsTransformActive());
  const POINT corner = view_->TransformFrame()->Corners()[1];
  Drag(corner, POINT{corner.x + 30, corner.y + 20});
  FrameParams params;
  const RECT source = view_->RunningTransform()->SourceRect();
  view_->TransformFrame()->GetTransformParams(0, 0, source, &params);
  EXPECT_EQ(params.b.x, before.width + 30);
  EXPECT_EQ(params.b.y, before.height + 20) << "a 20-pixel drag grows 20 rows";
  Keys({VK_RETURN});
  ASSERT_FALSE(view_->IsTransformActive());
  ASSERT_NE(Selection(), nullptr);
  LURECT after{};
  GetFragmentBoundRect(Selection(), &after);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.width, before.width + 30);
  // The engine's resize of the selection's mask to the dragged box, placed
  // at its lower-left corner (rows upward), is the new selection.
  LURECT place{};
  GetMaskRect(mask, &place);
  const WAPtr maskBuffer = WAPtr::Adopt(GetMaskWA(mask));
  Transform engine;
  engine.SetSource(maskBuffer.get(), place.x, place.y, before.x, before.y, before.x + before.width,
                   before.y + before.height, 1, 1);
  ASSERT_EQ(engine.Resize(before.width + 30, before.height + 20, nullptr, 0, nullptr, nullptr), 1);
  Fragment* expected = CreateMaskUsingWA(engine.destination.get(), before.x, before.y - 20);
  ASSERT_NE(expected, nullptr);
  {
    const auto got = MaskOf(Selection(), 320, 240), want = MaskOf(expected, 320, 240);
    int differ = 0, firstX = -1, firstY = -1;
    for (int i = 0; i < 320 * 240; ++i) {
      if (got[i] != want[i]) {
        if (differ++ == 0) firstX = i % 320, firstY = i / 320;
      }
    }
    LURECT e{};
    GetFragmentBoundRect(expected, &e);
    EXPECT_EQ(differ, 0) << "first at " << firstX << "," << firstY << " got " << int(got[firstY * 320 + firstX])
                         << "; expected bounds " << e.x << "," << e.y << " " << e.width << "x" << e.height
                         << "; got " << after.x << "," << after.y << " " << after.width << "x" << after.height;
  }
  DeleteFragment(expected);
  DeleteFragment(mask);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(StackBytes(stack), layers) << "the layers stay as they were";

  Command(ID_SELECTION_TRANSFORM);
  ASSERT_TRUE(view_->IsTransformActive());
  const POINT c = view_->TransformFrame()->Corners()[2];
  Drag(c, POINT{c.x - 25, c.y + 15});
  Keys({VK_ESCAPE});
  ASSERT_FALSE(view_->IsTransformActive());
  LURECT kept{};
  GetFragmentBoundRect(Selection(), &kept);
  EXPECT_EQ(kept.x, after.x);
  EXPECT_EQ(kept.width, after.width);
  EXPECT_EQ(kept.height, after.height);
  EXPECT_EQ(Steps(), steps + 1);
}

// The mask of a selection, row by row (for comparing two selections).
std::vector<std::uint8_t> MaskOf(const Fragment* f, int width, int height) {
  std::vector<std::uint8_t> bits;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const POINT p{x, y};
      bits.push_back(static_cast<std::uint8_t>(PointInFragment(f, &p) & 1));
    }
  }
  return bits;
}

// Expand, Contract, Border and Smooth of 10 through their dialogs give what
// the modify operation gives; each is one step and the amount is kept; an
// amount out of range shows the range message and is clamped.
TEST_F(SelectionTools, ModifyCommandsThroughTheirDialogs) {
  ChooseTool("Area_Ellipse");
  Drag(C(60, 50), C(200, 160));
  struct Case {
    UINT command;
    const char* caption;
    int mode;
  };
  const Case cases[] = {{ID_MODIFY_EXPAND, "Expand Selection", kModifyGrow},
                        {ID_MODIFY_CONTRACT, "Contract Selection", kModifyShrink},
                        {ID_MODIFY_BORDER, "Border Selection", kModifyBorder},
                        {ID_MODIFY_SMOOTH, "Smooth Selection", kModifySmooth}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    Fragment* before = ShareFragment(Selection());
    Fragment* expected = ModifySelectionMask(before, 10, c.mode);
    ASSERT_NE(expected, nullptr);
    const int steps = Steps();
    DialogScript::Run({{c.caption, [](HWND d) {
                          SetDlgItemTextA(d, IDC_MODIFY_AMOUNT, "10");
                          lumora::testing::Press(d, IDOK);
                        }}});
    Command(c.command);
    DialogScript::Stop();
    ASSERT_NE(Selection(), nullptr);
    EXPECT_EQ(MaskOf(Selection(), 320, 240), MaskOf(expected, 320, 240));
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(app_.Settings().GetInt("Modify Selection", c.caption == std::string("Expand Selection") ? "Expand"
                                                          : c.caption == std::string("Contract Selection") ? "Contract"
                                                          : c.caption == std::string("Border Selection") ? "Border"
                                                                                                          : "Smooth",
                                     0),
              10);
    DeleteFragment(expected);
    // Back to the ellipse for the next operation.
    Keys({VK_CONTROL, 'Z'});
    DeleteFragment(before);
  }

  std::string said, clamped;
  DialogScript::Run({{"Expand Selection",
                      [](HWND d) {
                        SetDlgItemTextA(d, IDC_MODIFY_AMOUNT, "300");
                        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_MODIFY_AMOUNT, EN_KILLFOCUS),
                                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_MODIFY_AMOUNT)));
                      }},
                     lumora::testing::BoxStep("Expand Selection",
                                              [&said](HWND box) {
                                                said = lumora::testing::MessageBoxText(box);
                                                lumora::testing::Press(box, IDOK);
                                              }),
                     {"Expand Selection", [&clamped](HWND d) {
                        char text[16] = {};
                        GetDlgItemTextA(d, IDC_MODIFY_AMOUNT, text, sizeof text);
                        clamped = text;
                        lumora::testing::Press(d, IDCANCEL);
                      }}});
  Command(ID_MODIFY_EXPAND);
  DialogScript::Stop();
  EXPECT_EQ(said, "Please enter an integer between 1 and 100.");
  EXPECT_EQ(clamped, "100");
  EXPECT_EQ(app_.Settings().GetInt("Modify Selection", "Expand", 0), 100) << "kept after Cancel too";
}

// Every layer's place and pixels, for comparing two stacks.
std::vector<std::vector<std::uint8_t>> StackBytes(CLumo40Doc* doc) {
  std::vector<std::vector<std::uint8_t>> all;
  CLayersManager* stack = doc->Image().GetLayers();
  for (int i = 0; i < stack->GetLayerCount(); ++i) {
    CLayer* layer = stack->GetLayer(i);
    const RECT r = layer->GetRect();
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(r.left), static_cast<std::uint8_t>(r.top),
                                    static_cast<std::uint8_t>(r.right), static_cast<std::uint8_t>(r.bottom)};
    WAPtr image = layer->GetImage();
    for (int y = 0; image && y < image->GetH(); ++y) {
      const std::uint8_t* row = image->Row(y);
      bytes.insert(bytes.end(), row, row + image->GetBPLine());
    }
    all.push_back(std::move(bytes));
  }
  return all;
}

// Image/Rotate Canvas/Numeric...: the dial shows what it is turned to, the
// typed 30 degrees clockwise rotate the image as the engine's rotation by
// -30 does, one step.
TEST_F(SelectionTools, RotateCanvasNumericallyThroughTheDialog) {
  std::string fromDial, backOnDial;
  DialogScript::Run({{"Rotate", [&](HWND d) {
                        // The dial turned to 90 degrees, clockwise.
                        SendMessageA(d, WM_USER + 513, 900, 0);
                        char text[32] = {};
                        GetDlgItemTextA(d, IDC_ROTATE_ANGLE, text, sizeof text);
                        fromDial = text;
                        SetDlgItemTextA(d, IDC_ROTATE_ANGLE, "30");
                        lumora::testing::Press(d, IDOK);
                      }}});
  const int steps = Steps();
  const auto before = StackBytes(doc_);
  Command(ID_IMAGE_ROTATE_NUMERIC);
  DialogScript::Stop();
  EXPECT_EQ(fromDial, "90");
  EXPECT_EQ(Steps(), steps + 1);
  const auto rotated = StackBytes(doc_);
  EXPECT_NE(rotated, before);
  Keys({VK_CONTROL, 'Z'});
  EXPECT_EQ(StackBytes(doc_), before);
  ASSERT_TRUE(doc_->Image().RotateImage(-30.0, 0));
  EXPECT_EQ(StackBytes(doc_), rotated);
}

// Layer/Transform/Numeric Transform... on a selection: the first run shows
// the identity (relative, 100 %), so a plain OK changes nothing; 30 degrees
// turn the selected pixels as the numeric layer transform by -30 does.
TEST_F(SelectionTools, NumericTransformOfASelection) {
  ChooseTool("Area_Rect");
  Drag(C(50, 50), C(150, 120));
  const int steps = Steps();
  const auto before = StackBytes(doc_);
  std::string width;
  UINT relative = 0;
  DialogScript::Run({{"Numeric Transform", [&](HWND d) {
                        char text[32] = {};
                        GetDlgItemTextA(d, IDC_NT_WIDTH, text, sizeof text);
                        width = text;
                        relative = IsDlgButtonChecked(d, IDC_NT_RELATIVE);
                        lumora::testing::Press(d, IDOK);
                      }}});
  Command(ID_LAYER_NUMERIC_TRANSFORM);
  DialogScript::Stop();
  EXPECT_EQ(std::atof(width.c_str()), 100.0) << width;
  EXPECT_EQ(relative, static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(Steps(), steps) << "a plain OK on the first run asks for nothing";
  EXPECT_EQ(StackBytes(doc_), before);

  DialogScript::Run({{"Numeric Transform", [](HWND d) {
                        SetDlgItemTextA(d, IDC_NT_ANGLE, "30");
                        lumora::testing::Press(d, IDOK);
                      }}});
  Command(ID_LAYER_NUMERIC_TRANSFORM);
  DialogScript::Stop();
  EXPECT_EQ(Steps(), steps + 1);
  const auto turned = StackBytes(doc_);
  EXPECT_NE(turned, before);
  EXPECT_EQ(app_.Settings().GetInt("Numeric Transform", "angle", 0), 300);
  Keys({VK_CONTROL, 'Z'});
  EXPECT_EQ(StackBytes(doc_), before);
  ASSERT_NE(Selection(), nullptr);
  LayerTransformPlan plan;
  plan.rotate = true;
  plan.angle = -30.0;
  ASSERT_TRUE(doc_->Image().NumericLayerTransform(Selection(), plan));
  EXPECT_EQ(StackBytes(doc_), turned);
}

// Selection/Numeric Transform...: a plain OK on the first run asks for
// nothing; 30 degrees turn the selection's mask as the engine's Rotate(-30)
// does about the selection's centre, one step; a relative move of (10, 5)
// moves a copy of the mask 10 right and 5 rows down.
TEST_F(SelectionTools, SelectionNumericTransformThroughTheDialog) {
  ChooseTool("Area_Rect");
  Drag(C(60, 50), C(139, 109));
  ASSERT_NE(Selection(), nullptr);
  const int steps = Steps();
  const auto start = MaskOf(Selection(), 320, 240);
  DialogScript::Run({{"Numeric Transform", [](HWND d) { lumora::testing::Press(d, IDOK); }}});
  Command(ID_SELECTION_NUMERIC_TRANSFORM);
  DialogScript::Stop();
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(MaskOf(Selection(), 320, 240), start);

  RECT rect{};
  Fragment* mask = SelectionMaskForTransform(Selection(), 320, 240, &rect);
  ASSERT_NE(mask, nullptr);
  LURECT place{};
  GetMaskRect(mask, &place);
  const WAPtr buffer = WAPtr::Adopt(GetMaskWA(mask));
  Transform engine;
  engine.SetSource(buffer.get(), place.x, place.y, rect.left, rect.top, rect.right, rect.bottom, 1, 1);
  ASSERT_EQ(engine.Rotate(-30.0, 0, nullptr, 0, nullptr, nullptr), 1);
  RECT turned{};
  GetRotatedCorners(&turned, rect, rect.left + RectWidth(rect) / 2, rect.top + RectHeight(rect) / 2, -30.0, 0);
  Fragment* expected = CreateMaskUsingWA(engine.destination.get(), turned.left, turned.top);
  DeleteFragment(mask);
  ASSERT_NE(expected, nullptr);

  DialogScript::Run({{"Numeric Transform", [](HWND d) {
                        SetDlgItemTextA(d, IDC_NT_ANGLE, "30");
                        lumora::testing::Press(d, IDOK);
                      }}});
  Command(ID_SELECTION_NUMERIC_TRANSFORM);
  DialogScript::Stop();
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(MaskOf(Selection(), 320, 240), MaskOf(expected, 320, 240));
  DeleteFragment(expected);
  Keys({VK_CONTROL, 'Z'});
  EXPECT_EQ(MaskOf(Selection(), 320, 240), start);

  DialogScript::Run({{"Numeric Transform", [](HWND d) {
                        SetDlgItemTextA(d, IDC_NT_ANGLE, "0");
                        SetDlgItemTextA(d, IDC_NT_X, "10");
                        SetDlgItemTextA(d, IDC_NT_Y, "5");
                        lumora::testing::Press(d, IDOK);
                      }}});
  Command(ID_SELECTION_NUMERIC_TRANSFORM);
  DialogScript::Stop();
  LURECT moved{}, was{};
  ASSERT_NE(Selection(), nullptr);
  GetFragmentBoundRect(Selection(), &moved);
  was = LURECT{rect.left, rect.top, RectWidth(rect), RectHeight(rect)};
  EXPECT_EQ(moved.x, was.x + 10);
  EXPECT_EQ(moved.y, was.y - 5) << "5 rows down on the screen";
  EXPECT_EQ(moved.width, was.width);
  EXPECT_EQ(Steps(), steps + 1);
}

}  // namespace
}  // namespace lumora
