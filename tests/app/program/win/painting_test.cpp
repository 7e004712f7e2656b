// Painting in the program's own start-up, on images ImageMagick made: a
// tool chosen by its command or its letter in the view, a stroke dragged
// with real mouse input, which must equal the stroke the portable brushes
// paint from the same image points, be one undo step, and go again with
// Edit/Undo byte for byte. The saved PNG is read back by ImageMagick
// (ctest win.painting_files).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/DocumentLock.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "paint/AirBrush.h"
#include "paint/EraseBrush.h"
#include "paint/PaintBrush.h"
#include "paint/WaterBrush.h"
#include "paint/BrushPageRules.h"
#include "paint/BrushPreview.h"
#include "paint/ImageStore.h"
#include "paint/ShapeThumbnail.h"
#include "paint/win/BrushPages.h"
#include "paint/win/BrushSheet.h"
#include "paint/win/LineTools.h"
#include "paint/win/PaintAttributes.h"
#include "paint/win/ToolBrush.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/user_input.h"
#include "ui/win/ScreenPicker.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::RunUntil;
using lumora::testing::Settle;
using lumora::testing::SettingsFileOfThisProgram;
using lumora::testing::Capture;
using lumora::testing::CaptureDc;

constexpr std::uint32_t kEditUndo = 57643;

std::string MadeFile(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

std::string BrushFileOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return paint::BrushFileNameFor(path);
}

// ---- Input as the user gives it (tests/support/win/user_input.h).

using lumora::testing::Key;
using lumora::testing::Mouse;
using lumora::testing::OnScreen;
using lumora::testing::Send;

// The bytes of every layer's image and mask, bottom to top.
std::string StackBytes(const CLayersManager& stack) {
  std::string s;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer& l = *stack.GetLayer(i);
    const RECT r = l.GetRect();
    s += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "|";
    for (const VrWA2000::WA* buffer : {l.PeekImage(), l.HasMask() ? l.PeekMask() : nullptr}) {
      if (buffer == nullptr) continue;
      const int bytes = buffer->GetW() * (buffer->GetType() == kWAType24 ? 3 : 1);
      for (int y = 0; y < buffer->GetH(); ++y) s.append(reinterpret_cast<const char*>(buffer->Row(y)), bytes);
    }
  }
  return s;
}

// A stroke of the portable brush on a copy of a stack, as the program's
// brush paints it from the same image points.
class CopyStroke final : public paint::StrokeDocument {
 public:
  explicit CopyStroke(const CLayersManager& source) : stack(CLayersManagerPtr::Adopt(new CLayersManager(source))) {
    stack->SetDocument(&lock);
  }
  CLayersManager* Layers() override { return stack.get(); }
  void OpenUndoStep(int) override {}
  void InvalidateImageRect(const RECT&) override {}
  bool ResizeLayer(CLayer* layer, const RECT& rect) override {
    DocumentLockScope scope(&lock);
    return layer->SetLayerRect(rect);
  }
  CLayer* FindUndoSnapshotLayer(std::uint64_t) override { return nullptr; }
  ReentrantDocumentLock lock;
  CLayersManagerPtr stack;
};

// The composite of a stack as raw RGB, top row first (as a PNG holds it).
std::string RgbTopDown(CLayersManager& stack) {
  const WAPtr merged = stack.CreateMergedImage(1, 255, 255, 255);
  std::string out;
  for (int y = merged->GetH() - 1; y >= 0; --y) {
    const std::uint8_t* row = merged->Row(y);
    for (int x = 0; x < merged->GetW(); ++x) {
      out.push_back(static_cast<char>(row[3 * x + 2]));
      out.push_back(static_cast<char>(row[3 * x + 1]));
      out.push_back(static_cast<char>(row[3 * x]));
    }
  }
  return out;
}

class Painting : public ::testing::Test {
 public:
  void SetUp() override {
    ThePaintServices().seed = [] { return 7u; };
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    DeleteFileA(BrushFileOfThisProgram().c_str());
    PrepareSettings();
    ASSERT_TRUE(app_.InitInstance());
    frame_ = app_.MainFrame()->Handle();
  }
  void TearDown() override {
    if (doc_ != nullptr) {
      doc_->SetModifiedFlag(false);
      doc_->Image().SetModifiedFlag(false);
      doc_->OnCloseDocument();
      RunUntil(app_, [] { return true; });
    }
    SendMessageA(frame_, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_.ExitInstance();
    DeleteFileA(ini_.c_str());
    DeleteFileA(BrushFileOfThisProgram().c_str());
    ThePaintServices().seed = nullptr;
    lumora::testing::DialogScript::Stop();
  }

  void Open(const char* name) {
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile(name)));
    ASSERT_NE(doc_, nullptr);
    Settle(app_, doc_);
    fw::FrameWnd* child = app_.MainFrameWnd()->GetActiveFrame();
    view_ = child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
    ASSERT_NE(view_, nullptr);
    SetForegroundWindow(frame_);
    SetFocus(view_->Handle());
    Settle(app_, doc_);
  }
  // Settings written before the program starts.
  virtual void PrepareSettings() {}
  void Pump() { RunUntil(app_, [] { return true; }); }
  CMainFrame* Main() { return app_.MainFrameWnd(); }

  // A tool window over the view where the pointer goes is moved aside,
  // as the user moves a palette off the part of the image they paint.
  void Uncover(POINT client) {
    if (lumora::testing::MoveCoveringWindowAside(view_->Handle(), client)) Pump();
  }

  // A left-button drag through client points of the view, each move
  // handled before the next.
  void Drag(const std::vector<POINT>& points) {
    for (POINT p : points) Uncover(p);
    Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), points.front()))});
    Pump();
    Send({Mouse(MOUSEEVENTF_LEFTDOWN)});
    Pump();
    for (std::size_t i = 1; i < points.size(); ++i) {
      Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), points[i]))});
      Pump();
    }
    Send({Mouse(MOUSEEVENTF_LEFTUP)});
    Pump();
    Settle(app_, doc_);
  }

  POINT ImagePoint(POINT client) { return view_->WindowPointToImagePixel(client); }

  // A choice in a combo of the current page, as the user makes it.
  void Choose(int control, int item) {
    CBrushPage* page = Main()->PaintAttributes().CurrentPageObject();
    ASSERT_NE(page, nullptr);
    HWND combo = GetDlgItem(page->Handle(), control);
    ASSERT_NE(combo, nullptr) << control;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageA(page->Handle(), WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Pump();
  }
  void Type(int control, const char* text) {
    CBrushPage* page = Main()->PaintAttributes().CurrentPageObject();
    ASSERT_NE(page, nullptr);
    SetDlgItemTextA(page->Handle(), control, text);
    Pump();
  }

  // The tool of a letter typed over the view.
  void TypeLetter(char letter) {
    FocusView();
    Send({Key(static_cast<WORD>(letter), false), Key(static_cast<WORD>(letter), true)});
    Pump();
  }

  // The view has the keyboard focus, and keeps it: under Wine the window
  // manager's late focus change (a tool window shown at start) can take the
  // activation after it was given, and a key typed then goes elsewhere.
  void FocusView() {
    if (view_ == nullptr) return;
    int steady = 0;
    for (int i = 0; i < 40 && steady < 3; ++i) {
      if (GetForegroundWindow() == frame_ && GetFocus() == view_->Handle()) {
        ++steady;
      } else {
        steady = 0;
        SetForegroundWindow(frame_);
        SetFocus(view_->Handle());
      }
      Pump();
      Sleep(20);
    }
  }

  // A diagonal and a horizontal run, in moves of a few pixels.
  static std::vector<POINT> Zigzag() {
    std::vector<POINT> points;
    for (int i = 0; i <= 30; ++i) points.push_back(POINT{80 + 6 * i, 60 + 4 * i});
    for (int i = 1; i <= 20; ++i) points.push_back(POINT{260 + 7 * i, 180});
    return points;
  }

  CLumo40App app_;
  std::string ini_;
  HWND frame_ = nullptr;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
};

TEST_F(Painting, BrushStrokeIsOneUndoStepEqualToThePortableStrokeAndUndoes) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  const std::string before = StackBytes(stack);
  const int undoBefore = doc_->Image().History().UndoCount();

  // The letter B over the view chooses the paint brush.
  Send({Key('B', false), Key('B', true)});
  Pump();
  CToolBrush* tool = Main()->CurrentTool();
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->CommandId(), paint::kCmdToolPaint);
  EXPECT_EQ(CPaintAttributes::CurrentToolCommand(), paint::kCmdToolPaint);
  EXPECT_TRUE(IsWindowVisible(Main()->PaintAttributes().Handle()));
  // Width 9 from the predefined list (its fifth item), hard edge.
  Choose(112, 4);
  EXPECT_EQ(tool->Width(), 9);

  // A 400-pixel horizontal drag in 20-pixel moves at 1:1, black on white.
  std::vector<POINT> points;
  for (int x = 60; x <= 460; x += 20) points.push_back(POINT{x, 120});
  const POINT from = ImagePoint(points.front()), to = ImagePoint(points.back());
  ASSERT_EQ(to.x - from.x, 400);
  CopyStroke expected(stack);
  Drag(points);

  EXPECT_EQ(doc_->Image().History().UndoCount(), undoBefore + 1);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Paint");
  EXPECT_EQ(stack.GetLayerCount(), 1) << "the stroke's work layer is gone";

  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdToolPaint, 10, random);
  brush.SetWidth(9, 0, 0);
  brush.SetColours(0x000000, 0xFFFFFF);
  ASSERT_TRUE(brush.ButtonDown(&expected, from.x, from.y));
  brush.MoveTo(to.x, to.y);
  brush.ButtonUp();
  const std::string painted = StackBytes(stack);
  EXPECT_NE(painted, before);
  EXPECT_TRUE(painted == StackBytes(*expected.stack)) << "the program's stroke differs from the portable one";

  // Saved as PNG for ImageMagick, with the expected composite beside it.
  const std::string saved = MadeFile("brush_stroke.png");
  ASSERT_TRUE(doc_->OnSaveDocument(saved));
  std::ofstream(MadeFile("brush_stroke.expected.rgb"), std::ios::binary) << RgbTopDown(*expected.stack);

  SendMessageA(frame_, WM_COMMAND, kEditUndo, 0);
  Settle(app_, doc_);
  EXPECT_TRUE(StackBytes(*doc_->Image().GetLayers()) == before) << "undo brings every byte back";

  // The tool's own command lets it go.
  SendMessageA(frame_, WM_COMMAND, paint::kCmdToolPaint, 0);
  EXPECT_EQ(Main()->CurrentTool(), nullptr);
  EXPECT_EQ(CPaintAttributes::CurrentToolCommand(), 0u);
}

TEST_F(Painting, AirbrushSpraysTheDotsThePortableAirbrushSprays) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  TypeLetter('A');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolAir);
  const std::vector<POINT> points = Zigzag();
  const std::string before = StackBytes(stack);
  CopyStroke expected(stack);
  Drag(points);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Paint");

  // The same walk through the same image points, with the same seed.
  SeededBrushRandom random(7);
  paint::CAirBrush air(random);
  air.SetColours(0x000000, 0xFFFFFF);
  ASSERT_TRUE(air.ButtonDown(&expected, ImagePoint(points.front()).x, ImagePoint(points.front()).y));
  for (std::size_t i = 1; i < points.size(); ++i) air.MoveTo(ImagePoint(points[i]).x, ImagePoint(points[i]).y);
  air.ButtonUp();
  const std::string sprayed = StackBytes(stack);
  EXPECT_NE(sprayed, before);
  EXPECT_TRUE(sprayed == StackBytes(*expected.stack)) << "the program's dots differ from the portable airbrush's";
  // A spray, not a solid band: some pixels under the path stay white.
  const WAPtr merged = stack.CreateMergedImage(1, 255, 255, 255);
  int dark = 0, white = 0;
  const POINT mid = ImagePoint(POINT{300, 180});
  for (int x = mid.x - 20; x < mid.x + 20; ++x) (merged->Row(mid.y)[3 * x] == 255 ? white : dark) += 1;
  EXPECT_GT(dark, 0);
  EXPECT_GT(white, 0);
}

TEST_F(Painting, PageSettingsAndPresetsReachTheBrushAndSurviveARestart) {
  Open("white.png");
  SendMessageA(frame_, WM_COMMAND, paint::kCmdToolPaint, 0);
  CToolBrush* tool = Main()->CurrentTool();
  ASSERT_NE(tool, nullptr);
  CBrushPage* page = Main()->PaintAttributes().CurrentPageObject();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Kind(), paint::PageKind::paintBrush);
  // A typed width of 4 in custom mode, opacity 40, the Multiply insert mode.
  SendMessageA(page->Handle(), WM_COMMAND, MAKEWPARAM(1206, BN_CLICKED), 0);
  CheckDlgButton(page->Handle(), 1206, BST_CHECKED);
  Type(1260, "4");
  EXPECT_EQ(tool->Width(), 4);
  Type(2000, "40");
  Type(2000, "400");  // out of range: the brush keeps 40
  EXPECT_EQ(page->Model().settings.opacity, 40u);
  Choose(1155, 3);
  EXPECT_EQ(tool->GetInsertMode(), 7) << "Multiply";
  page->AddPreset(page->MakeUniquePresetName("Settings"));
  EXPECT_EQ(page->Model().presets.size(), 1u);
  EXPECT_EQ(page->Model().presets[0]->name, "Settings");

  // The paint brush page's values come back after a restart.
  MoveWindow(Main()->PaintAttributes().Handle(), 5000, -40, 200, 200, TRUE);
  doc_->Image().SetModifiedFlag(false);
  doc_->SetModifiedFlag(false);
  doc_->OnCloseDocument();
  doc_ = nullptr;
  SendMessageA(frame_, WM_CLOSE, 0, 0);
  app_.ExitInstance();
  // A program object runs once: the restart is a second one.
  CLumo40App second;
  ASSERT_TRUE(second.InitInstance());
  CMainFrame* main = second.MainFrameWnd();
  CBrushPage* again = main->PaintAttributes().Page(paint::kPagePaintBrush);
  ASSERT_NE(again, nullptr);
  const paint::PageSettings& s = again->Model().settings;
  EXPECT_EQ(s.width, 4u);
  EXPECT_EQ(s.customWidth, 1u);
  EXPECT_EQ(s.opacity, 40u);
  EXPECT_EQ(s.insertMode, 7u);
  ASSERT_EQ(again->Model().presets.size(), 1u);
  EXPECT_EQ(again->Model().presets[0]->name, "Settings");
  EXPECT_EQ(GetDlgItemInt(again->Handle(), 1260, nullptr, FALSE), 4u);
  // The window was put back on the screen (X clamped, Y at least 0).
  RECT r{};
  GetWindowRect(main->PaintAttributes().Handle(), &r);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.top, 0);
  // A new paint brush takes the page's values.
  SendMessageA(main->Handle(), WM_COMMAND, paint::kCmdToolPaint, 0);
  ASSERT_NE(main->CurrentTool(), nullptr);
  EXPECT_EQ(main->CurrentTool()->Width(), 4);
  EXPECT_EQ(main->CurrentTool()->GetInsertMode(), 7);
  SendMessageA(main->Handle(), WM_CLOSE, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  second.ExitInstance();
}

TEST_F(Painting, LineAndCurveBendEachOneUndoStep) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  TypeLetter('L');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolLine);
  const int width = Main()->CurrentTool()->Width();
  const std::string before = StackBytes(stack);

  // A drag: the line from the press to the release, whatever the path.
  // (Shift's snap is tested natively: synthesised Shift does not reach
  // pointer events under Wine, which takes their modifiers from X.)
  const std::vector<POINT> drag{{100, 100}, {180, 160}, {260, 125}, {300, 130}};
  CopyStroke expectedLine(stack);
  Drag(drag);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Line");
  const POINT a = ImagePoint(drag.front()), b = ImagePoint(drag.back());
  SeededBrushRandom random(1);
  paint::CPaintBrush line(paint::kCmdToolLine, width, random);
  line.SetPaintAtButtonDown(false);
  line.SetColours(0x000000, 0xFFFFFF);
  ASSERT_TRUE(line.ButtonDown(&expectedLine, a.x, a.y));
  line.LineDabs(a, b);
  line.ButtonUp();
  const std::string lined = StackBytes(stack);
  EXPECT_NE(lined, before);
  EXPECT_TRUE(lined == StackBytes(*expectedLine.stack)) << "the line from the press to the release";

  // The curve: a base line dragged, then bent by a second drag.
  TypeLetter('C');
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolCurve);
  auto* curve = dynamic_cast<CCurveTool*>(Main()->CurrentTool());
  ASSERT_NE(curve, nullptr);
  CopyStroke expectedCurve(stack);
  const std::vector<POINT> base{{120, 200}, {250, 220}, {400, 240}};
  Drag(base);
  EXPECT_EQ(curve->Phase(), 1) << "the base line is fixed; the bend comes next";
  EXPECT_EQ(doc_->Image().HistoryState().name, "Line") << "nothing painted yet";
  const std::vector<POINT> bend{{260, 150}, {270, 120}, {280, 100}};
  Drag(bend);
  EXPECT_EQ(curve->Phase(), 0);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Curve");
  paint::CPaintBrush arc(paint::kCmdToolCurve, width, random);
  arc.SetPaintAtButtonDown(false);
  arc.SetColours(0x000000, 0xFFFFFF);
  const POINT p1 = ImagePoint(base.front()), p3 = ImagePoint(base.back()), p2 = ImagePoint(bend.back());
  ASSERT_TRUE(arc.ButtonDown(&expectedCurve, p1.x, p1.y));
  arc.ArcDabs(p1, p2, p3);
  arc.ButtonUp();
  EXPECT_TRUE(StackBytes(stack) == StackBytes(*expectedCurve.stack)) << "the curve is the arc around the last bend";
  SendMessageA(frame_, WM_COMMAND, kEditUndo, 0);
  Settle(app_, doc_);
  EXPECT_TRUE(StackBytes(stack) == lined) << "undo takes the curve away";
}

TEST_F(Painting, RectangleAndEllipseInEachStyleEqualThePortableShapes) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  app_.settings.foreColor = RGB(200, 30, 60);
  app_.settings.backColor = RGB(10, 120, 230);
  struct Case {
    char letter;
    int style;
    bool ellipse;
    const char* step;
  };
  const Case cases[] = {{'R', 0, false, "Rectangle"}, {'R', 1, false, "Rectangle"}, {'R', 2, false, "Rectangle"},
                        {'O', 0, true, "Ellipse"},    {'O', 1, true, "Ellipse"},    {'O', 2, true, "Ellipse"}};
  int shift = 0;
  for (const Case& c : cases) {
    SetFocus(view_->Handle());
    TypeLetter(c.letter);
    ASSERT_NE(Main()->CurrentTool(), nullptr);
    Choose(1157, c.style);
    const int width = Main()->CurrentTool()->Width();
    const std::vector<POINT> drag{{60 + shift, 40}, {120 + shift, 90}, {150 + shift, 160}};
    shift += 70;
    CopyStroke expected(stack);
    Drag(drag);
    EXPECT_EQ(doc_->Image().HistoryState().name, c.step) << c.letter << c.style;
    SeededBrushRandom random(1);
    paint::CPaintBrush brush(paint::kCmdToolRect, width, random);
    brush.SetPaintAtButtonDown(false);
    brush.SetColours(RGB(200, 30, 60), RGB(10, 120, 230));
    const POINT p0 = ImagePoint(drag.front()), p1 = ImagePoint(drag.back());
    ASSERT_TRUE(brush.ButtonDown(&expected, p0.x, p0.y));
    EXPECT_TRUE(brush.RenderBox(p0, p1, c.style, c.ellipse, nullptr));
    brush.ButtonUp();
    EXPECT_TRUE(StackBytes(stack) == StackBytes(*expected.stack)) << c.letter << " style " << c.style;
    // Leave the tool so that its letter chooses it again.
    SendMessageA(frame_, WM_COMMAND, Main()->CurrentTool()->CommandId(), 0);
  }
  // A click without a drag draws nothing.
  TypeLetter('R');
  const std::string before = StackBytes(stack);
  const int steps = doc_->Image().History().UndoCount();
  Drag({{500, 200}});
  EXPECT_EQ(doc_->Image().History().UndoCount(), steps);
  EXPECT_TRUE(StackBytes(stack) == before);
}

TEST_F(Painting, ClickedPolygonClosedByADoubleClickEqualsThePortableOne) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  app_.settings.foreColor = RGB(200, 30, 60);
  app_.settings.backColor = RGB(10, 120, 230);
  TypeLetter('P');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolPolygon);
  auto* polygon = dynamic_cast<CPolygonTool*>(Main()->CurrentTool());
  ASSERT_NE(polygon, nullptr);
  Choose(1157, 1);  // filled by the foreground, still outlined
  const int width = Main()->CurrentTool()->Width();
  const std::vector<POINT> clicks{{80, 60}, {300, 80}, {260, 220}};
  const POINT last{120, 200};
  CopyStroke expected(stack);
  for (const POINT& c : clicks) {
    Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), c))});
    Pump();
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Pump();
    Sleep(GetDoubleClickTime() + 50);  // single clicks, not a double one
    Pump();
  }
  EXPECT_EQ(polygon->VertexCount(), clicks.size());
  Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), last))});
  Pump();
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP), Mouse(MOUSEEVENTF_LEFTDOWN),
        Mouse(MOUSEEVENTF_LEFTUP)});
  Pump();
  Settle(app_, doc_);
  EXPECT_EQ(polygon->VertexCount(), 0u);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Polygon");
  std::vector<POINT> vertices;
  for (const POINT& c : clicks) vertices.push_back(ImagePoint(c));
  vertices.push_back(ImagePoint(last));
  vertices.push_back(vertices.front());
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdToolPolygon, width, random);
  brush.SetPaintAtButtonDown(false);
  brush.SetColours(RGB(200, 30, 60), RGB(10, 120, 230));
  ASSERT_TRUE(brush.ButtonDown(&expected, vertices[0].x, vertices[0].y));
  EXPECT_TRUE(brush.RenderPolygon(&vertices, 1, nullptr));
  brush.ButtonUp();
  EXPECT_TRUE(StackBytes(stack) == StackBytes(*expected.stack)) << "the program's polygon differs";
}

TEST_F(Painting, CloneNeedsASourceThenPaintsItDisplacedByTheOffset) {
  Open("red.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  TypeLetter('S');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolClone);
  auto* clone = dynamic_cast<CCloneTool*>(Main()->CurrentTool());
  ASSERT_NE(clone, nullptr);
  const int width = clone->Width();
  const std::string before = StackBytes(stack);

  // A stroke without a source says how to mark one.
  std::string said;
  lumora::testing::DialogScript::Run({{std::string(res::String(IDS_ERROR_CAPTION)), [&](HWND box) {
                                         char text[256] = {};
                                         GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                                         said = text;
                                         lumora::testing::Press(box, IDOK);
                                       }}});
  Drag({{420, 100}, {440, 100}});
  EXPECT_EQ(said, paint::kMsgNoCloneSource);
  EXPECT_TRUE(StackBytes(stack) == before);

  // Shift and a click in the red rectangle mark the source.
  const POINT sourceClick{160, 120};
  Uncover(sourceClick);
  Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), sourceClick))});
  Pump();
  Send({Key(VK_SHIFT, false)});
  Pump();
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  Pump();
  Send({Key(VK_SHIFT, true)});
  Pump();
  ASSERT_TRUE(clone->CrossShown());
  EXPECT_EQ(clone->CrossPoint().x, sourceClick.x);

  // A stroke on white beside it paints the red from the source.
  const std::vector<POINT> stroke{{420, 110}, {450, 120}, {480, 130}};
  CopyStroke expected(stack);
  Drag(stroke);
  EXPECT_EQ(doc_->Image().HistoryState().name, "Paint");
  SeededBrushRandom random(1);
  paint::CClone native(random, width);
  native.SetColours(0x000000, 0xFFFFFF);
  ASSERT_TRUE(native.MarkSource(expected.stack->GetActiveLayer(), ImagePoint(sourceClick)));
  ASSERT_TRUE(native.StartStroke(&expected, ImagePoint(stroke[0]).x, ImagePoint(stroke[0]).y));
  for (std::size_t i = 1; i < stroke.size(); ++i) native.MoveTo(ImagePoint(stroke[i]).x, ImagePoint(stroke[i]).y);
  native.ButtonUp();
  const std::string cloned = StackBytes(stack);
  EXPECT_NE(cloned, before);
  EXPECT_TRUE(cloned == StackBytes(*expected.stack)) << "the program's clone differs from the portable one";
  const WAPtr merged = stack.CreateMergedImage(1, 255, 255, 255);
  const POINT at = ImagePoint(stroke[1]);
  EXPECT_EQ(merged->Row(at.y)[3 * at.x + 2], 200) << "red under the stroke";
  // The cross follows the sampling point.
  EXPECT_TRUE(clone->CrossShown());
}

TEST_F(Painting, WaterDropAndSmearEqualThePortableWaterBrush) {
  Open("red.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  TypeLetter('W');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolWater);
  for (int manner = 0; manner < 2; ++manner) {
    Choose(1234, manner);
    const int width = Main()->CurrentTool()->Width();
    // From the red rectangle out into the white.
    const std::vector<POINT> stroke{{250, 120 + 40 * manner}, {290, 124 + 40 * manner}, {340, 130 + 40 * manner}};
    const std::string before = StackBytes(stack);
    CopyStroke expected(stack);
    Drag(stroke);
    paint::CWaterBrush water;
    water.SetSize(width);
    water.SetManner(manner);
    water.SetStrength(7);
    ASSERT_TRUE(water.ButtonDown(&expected, ImagePoint(stroke[0]).x, ImagePoint(stroke[0]).y));
    for (std::size_t i = 1; i < stroke.size(); ++i) water.MoveTo(ImagePoint(stroke[i]).x, ImagePoint(stroke[i]).y);
    water.ButtonUp();
    const std::string after = StackBytes(stack);
    EXPECT_NE(after, before) << "manner " << manner;
    EXPECT_TRUE(after == StackBytes(*expected.stack)) << "manner " << manner;
  }
}

TEST_F(Painting, AttributeBarAddsAndRemovesPresetsThroughTheirDialogs) {
  Open("white.png");
  SendMessageA(frame_, WM_COMMAND, paint::kCmdToolPaint, 0);
  CPaintAttributes& window = Main()->PaintAttributes();
  CBrushPage* page = window.CurrentPageObject();
  ASSERT_NE(page, nullptr);
  HWND bar = window.AttribBar();
  ASSERT_NE(bar, nullptr);
  // Clear of the other tool windows, on top.
  SetWindowPos(window.Handle(), HWND_TOP, 20, 420, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump();
  auto click = [&](int command) {
    // The tool window on top of the others (a closed dialog gives the
    // activation back to the frame).
    SetWindowPos(window.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    RECT r{};
    SendMessageA(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&r));
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar, &centre);
    Send({Mouse(MOUSEEVENTF_MOVE, centre)});
    Pump();
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Pump();
  };
  EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_REMOVE_PRESET, 0)) << "no preset to remove yet";
  // A one-letter name is refused, then "Soft" is taken.
  std::string proposed, refusal;
  using lumora::testing::DialogScript;
  DialogScript::Run({{"Add to predefined",
                      [&](HWND d) {
                        char text[64] = {};
                        GetDlgItemTextA(d, IDC_PRESET_NAME, text, sizeof text);
                        proposed = text;
                        SetDlgItemTextA(d, IDC_PRESET_NAME, "S");
                        lumora::testing::Press(d, IDOK);
                      }},
                     {std::string(res::String(IDS_WARNING_CAPTION)),
                      [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        refusal = text;
                        lumora::testing::Press(box, IDOK);
                      }},
                     {"Add to predefined", [&](HWND d) {
                        SetDlgItemTextA(d, IDC_PRESET_NAME, "Soft");
                        lumora::testing::Press(d, IDOK);
                      }}});
  click(ID_ATTRIB_ADD_PRESET);
  ASSERT_TRUE(RunUntil(app_, [] { return DialogScript::steps.empty(); }, 20000));
  Pump();
  EXPECT_EQ(proposed, "Settings");
  EXPECT_EQ(refusal, "Please enter more than 2 characters.");
  ASSERT_EQ(page->Model().presets.size(), 1u);
  EXPECT_EQ(page->Model().presets[0]->name, "Soft");
  EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_REMOVE_PRESET, 0));
  // Removing asks first.
  std::string asked;
  DialogScript::Run({{std::string(res::String(IDS_PAINT_ATTRIBUTES)), [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        asked = text;
                        lumora::testing::Press(box, IDYES);
                      }}});
  // The button's command (a click after the modal dialog lands elsewhere under
  // Wine's window stacking in this rig).
  PostMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_REMOVE_PRESET, 0);
  ASSERT_TRUE(RunUntil(app_, [] { return DialogScript::steps.empty(); }, 20000));
  Pump();
  EXPECT_EQ(asked, "Are you sure you want to delete 'Soft' settings from predefined settings?");
  EXPECT_TRUE(page->Model().presets.empty());
}

TEST_F(Painting, SitePressureWithoutATabletIsFullAtFullWidth) {
  const std::unique_ptr<SiteHost> host = MakeAppSiteHost(app_);
  int numerator = 0, denominator = 0;
  EXPECT_EQ(host->GetTabletPressure(&numerator, &denominator), 255);
  EXPECT_EQ(numerator, 1);
  EXPECT_EQ(denominator, 1);
  EXPECT_EQ(host->GetTabletPressure(nullptr, nullptr), 255);
}

// An owner-drawn list's item drawn into a capture as the list draws it
// (the page's WM_DRAWITEM for that item, in the list, in `state`).
Capture DrawListItem(HWND page, HWND list, int item, int width, int height, UINT state = 0) {
  return CaptureDc(width, height, [&](HDC dc) {
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_COMBOBOX;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(list));
    draw.itemID = static_cast<UINT>(item);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hwndItem = list;
    draw.hDC = dc;
    draw.rcItem = RECT{0, 0, width, height};
    draw.itemData = static_cast<ULONG_PTR>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    SendMessageA(page, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
  });
}

// The attribute bar's Add shape, Remove shape and Add paper on the paint
// brush page: the dialogs, the store's files and the lists. The written
// shape is read back by ImageMagick (win.painting_files).
TEST_F(Painting, AddShapeWritesTheStoreFileListsItAndRemoveTakesItAway) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  Open("white.png");
  TypeLetter('B');
  CPaintAttributes& window = Main()->PaintAttributes();
  CBrushPage* page = window.CurrentPageObject();
  ASSERT_NE(page, nullptr);
  HWND bar = window.AttribBar();
  HWND shapes = GetDlgItem(page->Handle(), 1166);
  ASSERT_NE(shapes, nullptr);
  EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_ADD_SHAPE, 0));
  EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_REMOVE_SHAPE, 0)) << "a standard shape is selected";

  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder(program);
  folder = folder.substr(0, folder.rfind('\\') + 1);
  const std::string shapeFile = folder + "brush\\brush0.bmp";
  DeleteFileA(shapeFile.c_str());

  // A one-letter name is refused, a damaged file is reported by the
  // file-format library, then "Dot" from red.png is taken.
  const std::string damaged = MadeFile("damaged.png");
  std::ofstream(damaged, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) << std::string(40, 'x');
  std::string proposed, refusal, unreadable;
  DialogScript::Run({{"Add Shape",
                      [&](HWND d) {
                        char text[64] = {};
                        GetDlgItemTextA(d, IDC_SHAPE_NAME, text, sizeof text);
                        proposed = text;
                        SetDlgItemTextA(d, IDC_SHAPE_NAME, "D");
                        SetDlgItemTextA(d, IDC_SHAPE_SOURCE, MadeFile("red.png").c_str());
                        Press(d, IDOK);
                      }},
                     {std::string(res::String(IDS_WARNING_CAPTION)),
                      [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        refusal = text;
                        Press(box, IDOK);
                      }},
                     {"Add Shape",
                      [&](HWND d) {
                        // A damaged file: the file-format library says why, the dialog stays.
                        SetDlgItemTextA(d, IDC_SHAPE_NAME, "Dot");
                        SetDlgItemTextA(d, IDC_SHAPE_SOURCE, damaged.c_str());
                        Press(d, IDOK);
                      }},
                     {"Lumora",
                      [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        unreadable = text;
                        Press(box, IDOK);
                      }},
                     {"Add Shape", [](HWND d) {
                        SetDlgItemTextA(d, IDC_SHAPE_SOURCE, MadeFile("red.png").c_str());
                        Press(d, IDOK);
                      }}});
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_ADD_SHAPE, 0);
  DialogScript::Stop();
  Pump();
  EXPECT_EQ(proposed, "Shape");
  EXPECT_EQ(refusal, "Please enter more than 2 characters.");
  EXPECT_FALSE(unreadable.empty()) << "the library's own message for the damaged file";
  ASSERT_EQ(window.File().brushFiles.GetCount(), 1);
  EXPECT_EQ(window.File().brushFiles.GetItem(0)->File, "brush\\brush0.bmp");
  EXPECT_EQ(SendMessageA(shapes, CB_GETCOUNT, 0, 0), 7);
  EXPECT_EQ(SendMessageA(shapes, CB_GETCURSEL, 0, 0), 6);
  EXPECT_EQ(page->Model().settings.shape, 6u);
  EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_REMOVE_SHAPE, 0));
  ASSERT_EQ(GetFileAttributesA(shapeFile.c_str()) != INVALID_FILE_ATTRIBUTES, true);
  {
    // The list draws the new item with its picture: the written file
    // rendered as the portable renderer renders it, on the button face.
    SCOPED_TRACE("the shape's picture");
    const WAPtr written = paint::ReadImageFile(shapeFile);
    const std::optional<paint::ShapeThumbLevels> levels = paint::RenderShapeThumbnail(written.get());
    ASSERT_TRUE(levels.has_value());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::vector<std::uint8_t> expected =
        paint::ShapeThumbnailPixels(*levels, GetRValue(face), GetGValue(face), GetBValue(face));
    const Capture drawn = DrawListItem(page->Handle(), shapes, 6, 160, 34);
    int mismatches = 0, dark = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const std::uint8_t* e = &expected[static_cast<std::size_t>(y * 32 + x) * 3];
        const std::uint32_t want = (e[2] << 16) | (e[1] << 8) | e[0];
        if (drawn.At(1 + x, 1 + y) != want && ++mismatches < 5) {
          ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << drawn.At(1 + x, 1 + y) << " for " << want;
        }
        if (want == 0) ++dark;
      }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(dark, 50) << "the red square is the shape: black in the picture";
  }
  // For ImageMagick: the file and the grey it must hold, (30 R + 59 G +
  // 11 B) / 100 of red.png's pixels, top row first.
  CopyFileA(shapeFile.c_str(), MadeFile("shape_added.bmp").c_str(), FALSE);
  std::string grey;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 600; ++x) {
      const bool red = x >= 100 && x <= 300 && y >= 50 && y <= 250;
      grey.push_back(static_cast<char>(red ? (30 * 200 + 59 * 30 + 11 * 60) / 100 : 255));
    }
  }
  std::ofstream(MadeFile("shape_added.expected.gray"), std::ios::binary) << grey;

  {
    // The brush sheet's preview draws the custom shape: the portable preview
    // of a brush reading the same store file, unlike the Square's.
    SCOPED_TRACE("the sheet's preview of the shape");
    SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_BRUSH_SHEET, 0);
    Pump();
    CBrushSheet* sheet = window.BrushSheet();
    ASSERT_NE(sheet, nullptr);
    SendMessageA(sheet->Preview(), WM_LBUTTONUP, 0, 0);
    Pump();
    const paint::PageSettings& s = page->Model().settings;
    const int w = sheet->PreviewWidth(), ph = sheet->PreviewHeight();
    auto render = [&](bool withShape) {
      SeededBrushRandom random(1);
      paint::CPaintBrush brush(paint::kCmdPaintBrush, static_cast<int>(s.width), random);
      brush.SetWidth(static_cast<int>(s.width), paint::EdgeSizeFor(s.edge, static_cast<int>(s.width)), s.edge.optionId);
      brush.SetStores(&window.File().brushFiles, nullptr);
      if (withShape) {
        brush.SetShape(6, "brush\\brush0.bmp");
      } else {
        brush.SetShape(0);
      }
      return paint::RenderBrushPreview(brush, paint::SpectrumImage(w, ph), w, ph, app_.settings.foreColor,
                                       app_.settings.backColor);
    };
    const std::vector<std::uint8_t> expected = render(true);
    EXPECT_TRUE(expected != render(false)) << "the shape differs from the Square";
    const lumora::testing::Capture shot = lumora::testing::CaptureClient(sheet->Preview());
    ASSERT_EQ(shot.width, w);
    ASSERT_EQ(shot.height, ph);
    int mismatches = 0;
    for (int y = 0; y < ph; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* e = &expected[(static_cast<std::size_t>(y) * w + x) * 3];
        if (shot.At(x, y) != ((static_cast<std::uint32_t>(e[2]) << 16) | (e[1] << 8) | e[0])) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
    SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_BRUSH_SHEET, 0);
    Pump();
  }
  // A stroke with the new shape paints (the brush took it).
  Drag({POINT{100, 100}, POINT{140, 100}});
  EXPECT_EQ(doc_->Image().HistoryState().name, "Paint");

  // Remove shape: asked, then gone from the store, the folder and the list.
  std::string question;
  DialogScript::Run({{app_.AppName(), [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        question = text;
                        Press(box, IDOK);
                      }}});
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_REMOVE_SHAPE, 0);
  DialogScript::Stop();
  Pump();
  EXPECT_EQ(question, "Are you sure you want to delete 'Dot' shape?");
  EXPECT_EQ(window.File().brushFiles.GetCount(), 0);
  EXPECT_EQ(GetFileAttributesA(shapeFile.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(SendMessageA(shapes, CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(SendMessageA(shapes, CB_GETCURSEL, 0, 0), 5) << "the new last item";
  EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_REMOVE_SHAPE, 0));

  // Add paper: proposed "Paper", listed after "none" and selected.
  DialogScript::Run({{"Add Paper", [&](HWND d) {
                        char text[64] = {};
                        GetDlgItemTextA(d, IDC_PAPER_NAME, text, sizeof text);
                        proposed = text;
                        SetDlgItemTextA(d, IDC_PAPER_SOURCE, MadeFile("red.png").c_str());
                        Press(d, IDOK);
                      }}});
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_ADD_PAPER, 0);
  DialogScript::Stop();
  Pump();
  EXPECT_EQ(proposed, "Paper");
  HWND papers = GetDlgItem(page->Handle(), 1156);
  EXPECT_EQ(SendMessageA(papers, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(papers, CB_GETCURSEL, 0, 0), 1);
  ASSERT_EQ(window.File().paperFiles.GetCount(), 1);
  const std::string paperFile = folder + window.File().paperFiles.GetItem(0)->File;
  EXPECT_NE(GetFileAttributesA(paperFile.c_str()), INVALID_FILE_ATTRIBUTES);
  {
    // The combo draws the paper's sample (its file's top-left pixels) and
    // then its name; "none" has no sample. Drawn selected, so the sample
    // stands out from the highlight.
    SCOPED_TRACE("the paper's sample");
    const WAPtr written = paint::ReadImageFile(paperFile);
    ASSERT_NE(written, nullptr);
    const Capture drawn = DrawListItem(page->Handle(), papers, 1, 160, 20, ODS_SELECTED);
    int mismatches = 0;
    for (int y = 0; y < std::min(18, written->GetH()); ++y) {
      for (int x = 0; x < std::min(32, written->GetW()); ++x) {
        const std::uint32_t g = written->Row(y)[x];
        if (drawn.At(1 + x, 1 + y) != ((g << 16) | (g << 8) | g) && ++mismatches < 5) {
          ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << drawn.At(1 + x, 1 + y) << " for grey " << g;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const Capture none = DrawListItem(page->Handle(), papers, 0, 160, 20, ODS_SELECTED);
    EXPECT_EQ(none.At(10, 2), (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight))
        << "no sample: the highlight";
  }
  window.RemovePaper("Paper");
  EXPECT_EQ(SendMessageA(papers, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(GetFileAttributesA(paperFile.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Over the image each tool shows its own cursor: the paint brush's for the
// line, curve and shape tools, the air brush's, eraser's, clone's and water
// brush's their own.
TEST_F(Painting, EachToolShowsItsCursorOverTheImage) {
  Open("white.png");
  const struct {
    char letter;
    int cursor;
  } tools[] = {{'B', 258}, {'A', 325}, {'E', 327}, {'S', 344}, {'W', 403},
               {'L', 258}, {'C', 258}, {'R', 258}, {'O', 258}, {'P', 258}};
  HINSTANCE module = GetModuleHandleA(nullptr);
  for (const auto& tool : tools) {
    SCOPED_TRACE(std::string(1, tool.letter));
    SetFocus(view_->Handle());
    TypeLetter(tool.letter);
    ASSERT_NE(Main()->CurrentTool(), nullptr);
    HCURSOR expected = LoadCursorA(module, MAKEINTRESOURCEA(tool.cursor));
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(Main()->CurrentTool()->GetCursor(), expected);
    // The pointer over the view: the brush hook sets it.
    Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), POINT{150, 150}))});
    Pump();
    Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), POINT{152, 151}))});
    Pump();
    EXPECT_EQ(GetCursor(), expected);
    TypeLetter(tool.letter);  // lets it go
    EXPECT_EQ(Main()->CurrentTool(), nullptr);
  }
}

// Ctrl+Z and Ctrl+Y typed while the paint attributes window has the focus
// undo and redo in the active image; the keys do not stay in the window.
TEST_F(Painting, AttributesWindowKeysUndoAndRedoTheActiveImage) {
  Open("white.png");
  TypeLetter('B');
  CPaintAttributes& window = Main()->PaintAttributes();
  const int before = doc_->Image().History().UndoCount();
  Drag({POINT{100, 100}, POINT{160, 100}});
  ASSERT_EQ(doc_->Image().History().UndoCount(), before + 1);
  const std::string painted = StackBytes(*doc_->Image().GetLayers());
  SetForegroundWindow(window.Handle());
  SetFocus(window.Tabs());
  Pump();
  ASSERT_TRUE(GetFocus() == window.Tabs() || IsChild(window.Handle(), GetFocus()));
  Send({Key(VK_CONTROL, false), Key('Z', false), Key('Z', true), Key(VK_CONTROL, true)});
  Pump();
  Settle(app_, doc_);
  EXPECT_EQ(doc_->Image().History().UndoCount(), before) << "Ctrl+Z undid the stroke";
  // From a page's control too.
  CBrushPage* page = window.CurrentPageObject();
  ASSERT_NE(page, nullptr);
  SetFocus(GetDlgItem(page->Handle(), 2000));
  Pump();
  Send({Key(VK_CONTROL, false), Key('Y', false), Key('Y', true), Key(VK_CONTROL, true)});
  Pump();
  Settle(app_, doc_);
  EXPECT_EQ(doc_->Image().History().UndoCount(), before + 1) << "Ctrl+Y redid it";
  EXPECT_TRUE(StackBytes(*doc_->Image().GetLayers()) == painted);
  char typed[16] = {};
  GetDlgItemTextA(page->Handle(), 2000, typed, sizeof typed);
  EXPECT_STREQ(typed, "100") << "the key went to the image, not into the edit";
}

// A tool's tip text as its tooltip control gives it (asking the owner for
// callback texts).
std::string TipText(HWND tips, HWND owner, UINT_PTR id) {
  char text[80] = {};
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = owner;
  ti.uId = id;
  ti.lpszText = text;
  SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
  return text;
}

// The window's pictures and tips: tab icons with the tools' names as tips,
// the bar's images and tips, the standard shapes, widths and edges drawn
// with their pictures, the page's control tips.
TEST_F(Painting, TabsBarAndListsShowTheirPicturesAndTips) {
  Open("white.png");
  TypeLetter('B');
  CPaintAttributes& window = Main()->PaintAttributes();
  CBrushPage* page = window.CurrentPageObject();
  ASSERT_NE(page, nullptr);

  HWND tabs = window.Tabs();
  HIMAGELIST icons = TabCtrl_GetImageList(tabs);
  ASSERT_NE(icons, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(icons), 10);
  const char* names[] = {"Eraser", "Paint brush", "Clone",   "Water color", "Air brush",
                         "Line",   "Curve",       "Rectangle", "Ellipse",   "Polygon"};
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(names[i]);
    char text[64] = {};
    TCITEMA item{};
    item.mask = TCIF_IMAGE | TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(TabCtrl_GetItem(tabs, i, &item));
    EXPECT_EQ(item.iImage, i);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(TipText(window.TabTips(), tabs, static_cast<UINT_PTR>(i + 1)), names[i]);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = tabs;
    ti.uId = static_cast<UINT_PTR>(i + 1);
    ASSERT_TRUE(SendMessageA(window.TabTips(), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)));
    RECT tabRect{};
    TabCtrl_GetItemRect(tabs, i, &tabRect);
    EXPECT_TRUE(EqualRect(&ti.rect, &tabRect));
  }
  // The icons' grey is their mask: the paint brush's icon on white keeps
  // white corners and its black tip.
  const Capture brushIcon = CaptureDc(16, 16, [&](HDC dc) {
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(icons, 1, dc, 0, 0, ILD_TRANSPARENT);
  });
  EXPECT_EQ(brushIcon.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(brushIcon.At(5, 11), 0u);

  HWND bar = window.AttribBar();
  HIMAGELIST barImages = reinterpret_cast<HIMAGELIST>(SendMessageA(bar, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(barImages, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(barImages), 8);
  const char* tips[] = {"Additional paint parameters", "Add shape", "Remove shape", "Add paper",
                        "Remove paper", "Add to predefined", "Load from predefined", "Remove from predefined"};
  HWND barTips = reinterpret_cast<HWND>(SendMessageA(bar, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(barTips, nullptr);
  // Buttons 32904..32911 with a separator after the sheet's and the
  // papers'; the sheet's a check button; window id 214 and its help id.
  EXPECT_EQ(GetDlgCtrlID(bar), 214);
  EXPECT_EQ(GetWindowContextHelpId(bar), 0x50000u + 214u);
  ASSERT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), 10);
  const int commands[] = {32904, 0, 32905, 32906, 32907, 32908, 0, 32909, 32910, 32911};
  for (int i = 0, picture = 0; i < 10; ++i) {
    TBBUTTON button{};
    ASSERT_TRUE(SendMessageA(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(button.idCommand, commands[i]) << i;
    if (commands[i] == 0) {
      EXPECT_TRUE(button.fsStyle & BTNS_SEP) << i;
      continue;
    }
    EXPECT_EQ((button.fsStyle & BTNS_CHECK) != 0, commands[i] == 32904) << i;
    EXPECT_EQ(button.iBitmap, picture);
    EXPECT_EQ(TipText(barTips, bar, static_cast<UINT_PTR>(button.idCommand)), tips[picture]);
    ++picture;
  }

  // The Square (black on white bitmap, its white turned into the face) and
  // the widths' bars, as their lists draw them.
  const COLORREF faceColour = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t face = (GetRValue(faceColour) << 16) | (GetGValue(faceColour) << 8) | GetBValue(faceColour);
  const Capture square = DrawListItem(page->Handle(), GetDlgItem(page->Handle(), 1166), 0, 160, 34);
  EXPECT_EQ(square.At(1 + 2, 1 + 2), face);
  EXPECT_EQ(square.At(1 + 6, 1 + 6), 0u);
  EXPECT_EQ(square.At(1 + 25, 1 + 25), 0u);
  EXPECT_EQ(square.At(1 + 26, 1 + 26), face);
  HWND widths = GetDlgItem(page->Handle(), 112);
  const int predefined[] = {1, 3, 5, 7, 9, 11};
  for (int i = 0; i < 6; ++i) {
    const Capture pen = DrawListItem(page->Handle(), widths, i, 60, 16);
    int black = 0;
    for (int y = 0; y < 16; ++y) black += pen.At(1 + 12, y) == 0 ? 1 : 0;
    EXPECT_EQ(black, predefined[i]) << "width item " << i;
  }
  HWND edges = GetDlgItem(page->Handle(), 1151);
  for (int i = 0; i < 4; ++i) {
    const Capture edge = DrawListItem(page->Handle(), edges, i, 80, 16);
    int grey = 0;
    for (int y = 0; y < 16; ++y) {
      const std::uint32_t p = edge.At(1 + 12, y);
      grey += p != 0 && p != 0xFFFFFFu && (p >> 16) == (p & 0xFF) ? 1 : 0;
    }
    EXPECT_EQ(grey, 2 * i) << "edge item " << i << ": its fading rows";
  }

  // The page's control tips.
  HWND pageTips = page->Tips();
  ASSERT_NE(pageTips, nullptr);
  auto controlTip = [&](int id) {
    return TipText(pageTips, page->Handle(), reinterpret_cast<UINT_PTR>(GetDlgItem(page->Handle(), id)));
  };
  EXPECT_EQ(controlTip(1166), "Set brush shape");
  EXPECT_EQ(controlTip(1111), "Predefined brush width");
  EXPECT_EQ(controlTip(1206), "Custom brush width");
  EXPECT_EQ(controlTip(112), "Set brush width from predefined list");
  EXPECT_EQ(controlTip(1151), "Edge smoothness");
  EXPECT_EQ(controlTip(1156), "Set paper");
  EXPECT_EQ(controlTip(1155), "Set blending mode");
  EXPECT_EQ(controlTip(2000), "Set opacity");
  EXPECT_EQ(controlTip(1209), "");
}

// A page's "M&ore..." opens Edge Options over the page's edge record; OK
// gives the edited record back to the page (its edge list shows it).
TEST_F(Painting, EdgeOptionsEditTheLevelsInEitherUnitAndGiveThemToThePage) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  Open("white.png");
  TypeLetter('B');
  CBrushPage* page = Main()->PaintAttributes().CurrentPageObject();
  ASSERT_NE(page, nullptr);
  auto level = [](HWND d, int id) {
    BOOL ok = FALSE;
    const UINT v = GetDlgItemInt(d, id, &ok, FALSE);
    return ok ? static_cast<int>(v) : -1;
  };
  bool pixelChecked = false;
  std::vector<int> shownPixels, shownPercent, shownAgain;
  std::string rangeMessage;
  DialogScript::Run({{"Edge Options",
                      [&](HWND d) {
                        pixelChecked = IsDlgButtonChecked(d, IDC_EDGE_PIXEL) == BST_CHECKED;
                        for (int id : {IDC_EDGE_LEVEL_NONE, IDC_EDGE_LEVEL_LOW, IDC_EDGE_LEVEL_MEDIUM, IDC_EDGE_LEVEL_HIGH}) {
                          shownPixels.push_back(level(d, id));
                        }
                        SetDlgItemTextA(d, IDC_EDGE_LEVEL_HIGH, "201");
                        Press(d, IDOK);
                      }},
                     {std::string(res::String(IDS_WARNING_CAPTION)),
                      [&](HWND box) {
                        char text[256] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        rangeMessage = text;
                        Press(box, IDOK);
                      }},
                     {"Edge Options",
                      [&](HWND d) {
                        SetDlgItemTextA(d, IDC_EDGE_LEVEL_HIGH, "200");
                        SetDlgItemTextA(d, IDC_EDGE_LEVEL_LOW, "7");
                        SendMessageA(GetDlgItem(d, IDC_EDGE_PERCENT), BM_CLICK, 0, 0);
                        for (int id : {IDC_EDGE_LEVEL_NONE, IDC_EDGE_LEVEL_LOW, IDC_EDGE_LEVEL_MEDIUM, IDC_EDGE_LEVEL_HIGH}) {
                          shownPercent.push_back(level(d, id));
                        }
                        SetDlgItemTextA(d, IDC_EDGE_LEVEL_LOW, "30");
                        SendMessageA(GetDlgItem(d, IDC_EDGE_PIXEL), BM_CLICK, 0, 0);
                        for (int id : {IDC_EDGE_LEVEL_NONE, IDC_EDGE_LEVEL_LOW, IDC_EDGE_LEVEL_MEDIUM, IDC_EDGE_LEVEL_HIGH}) {
                          shownAgain.push_back(level(d, id));
                        }
                        SendMessageA(GetDlgItem(d, IDC_EDGE_RANDOM), BM_CLICK, 0, 0);
                        Press(d, IDOK);
                      }}});
  SendMessageA(page->Handle(), WM_COMMAND, MAKEWPARAM(IDC_EDGE_MORE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page->Handle(), IDC_EDGE_MORE)));
  DialogScript::Stop();
  Pump();
  EXPECT_TRUE(pixelChecked);
  EXPECT_EQ(shownPixels, (std::vector<int>{0, 5, 10, 20}));
  EXPECT_NE(rangeMessage.find("200"), std::string::npos) << rangeMessage;
  EXPECT_EQ(shownPercent, (std::vector<int>{0, 5, 20, 35}));
  EXPECT_EQ(shownAgain, (std::vector<int>{0, 7, 10, 200})) << "the pixel levels typed before the switch";
  const paint::EdgeValues& edge = page->Model().settings.edge;
  EXPECT_EQ(edge.optionId, 1u);
  EXPECT_EQ(edge.absolute, 1u);
  EXPECT_EQ((std::vector<int>(edge.sizes.begin(), edge.sizes.end())), (std::vector<int>{0, 7, 10, 200, 0, 30, 20, 35}));
  char text[32] = {};
  HWND edges = GetDlgItem(page->Handle(), 1151);
  SendMessageA(edges, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "200 px");
}

// "Additional paint parameters": its pages edit the paint brush page's
// parameters and the brush; its preview shows what the portable preview
// renders; the close box only hides it.
TEST_F(Painting, BrushSheetEditsTheParametersAndItsPreviewIsThePortableOne) {
  Open("white.png");
  TypeLetter('B');
  app_.settings.foreColor = RGB(20, 40, 200);
  CPaintAttributes& window = Main()->PaintAttributes();
  CBrushPage* page = window.CurrentPageObject();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(SendMessageA(window.AttribBar(), TB_ISBUTTONENABLED, ID_ATTRIB_BRUSH_SHEET, 0));
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_BRUSH_SHEET, 0);
  Pump();
  CBrushSheet* sheet = window.BrushSheet();
  ASSERT_NE(sheet, nullptr);
  HWND h = sheet->Handle();
  ASSERT_TRUE(IsWindowVisible(h));
  char caption[64] = {};
  GetWindowTextA(h, caption, sizeof caption);
  EXPECT_STREQ(caption, "Additional paint parameters");

  const auto& params = page->Model().settings.params;
  SetDlgItemTextA(sheet->PageWindow(0), IDC_SHEET_HUE, "150");
  EXPECT_EQ(params[0], 100u) << "jitter at most 100";
  SetDlgItemTextA(sheet->PageWindow(0), IDC_SHEET_VALUE, "20");
  EXPECT_EQ(params[1], 20u);
  SetDlgItemTextA(sheet->PageWindow(1), IDC_SHEET_ANGLE, "370");
  EXPECT_EQ(params[3], 10u);
  SetDlgItemTextA(sheet->PageWindow(1), IDC_SHEET_ANGLE, "360");
  EXPECT_EQ(params[3], 0u);
  SetDlgItemTextA(sheet->PageWindow(1), IDC_SHEET_ANGLE, "45");
  SendMessageA(GetDlgItem(sheet->PageWindow(1), IDC_SHEET_BY_DIRECTION), BM_CLICK, 0, 0);
  EXPECT_EQ(params[4], 1u);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet->PageWindow(1), IDC_SHEET_ANGLE))) << "no angle to set by direction";
  SendMessageA(GetDlgItem(sheet->PageWindow(1), IDC_SHEET_NO_VARIATION), BM_CLICK, 0, 0);
  EXPECT_EQ(params[4], 0u);
  SendMessageA(GetDlgItem(sheet->PageWindow(2), IDC_SHEET_IF_DARKER), BM_CLICK, 0, 0);
  EXPECT_EQ(params[5], 1u);
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  EXPECT_EQ(Main()->CurrentTool()->Params(), params) << "the brush took them";

  // A click on the preview draws it again; the window shows the portable
  // preview of the same settings.
  HWND preview = sheet->Preview();
  SendMessageA(preview, WM_LBUTTONUP, 0, 0);
  Pump();
  const paint::PageSettings& s = page->Model().settings;
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, static_cast<int>(s.width), random);
  brush.SetWidth(static_cast<int>(s.width), paint::EdgeSizeFor(s.edge, static_cast<int>(s.width)), s.edge.optionId);
  brush.SetShape(static_cast<int>(s.shape));
  brush.SetJitter(static_cast<int>(params[0]), static_cast<int>(params[2]), static_cast<int>(params[1]));
  brush.SetAngle(static_cast<int>(params[3]));
  brush.SetRotationMode(static_cast<int>(params[4]));
  brush.SetColourMode(static_cast<int>(params[5]));
  const int w = sheet->PreviewWidth(), ph = sheet->PreviewHeight();
  const std::vector<std::uint8_t> expected =
      paint::RenderBrushPreview(brush, paint::SpectrumImage(w, ph), w, ph, RGB(20, 40, 200), app_.settings.backColor);
  EXPECT_TRUE(expected != paint::SpectrumImage(w, ph)) << "the strokes show";
  const lumora::testing::Capture shot = lumora::testing::CaptureClient(preview);
  ASSERT_EQ(shot.width, w);
  ASSERT_EQ(shot.height, ph);
  int mismatches = 0;
  for (int y = 0; y < ph; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* e = &expected[(static_cast<std::size_t>(y) * w + x) * 3];
      const std::uint32_t want = (static_cast<std::uint32_t>(e[2]) << 16) | (e[1] << 8) | e[0];
      if (shot.At(x, y) != want) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);

  // The close box hides it; the command shows the same window again.
  SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(IsWindowVisible(h));
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_BRUSH_SHEET, 0);
  Pump();
  EXPECT_EQ(window.BrushSheet()->Handle(), h);
  EXPECT_TRUE(IsWindowVisible(h));
  // Its check button is down while it shows; a second press hides it.
  EXPECT_TRUE(SendMessageA(window.AttribBar(), TB_ISBUTTONCHECKED, ID_ATTRIB_BRUSH_SHEET, 0));
  SendMessageA(window.Handle(), WM_COMMAND, ID_ATTRIB_BRUSH_SHEET, 0);
  Pump();
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(SendMessageA(window.AttribBar(), TB_ISBUTTONCHECKED, ID_ATTRIB_BRUSH_SHEET, 0));
}

// The sheet is a property sheet inside its frame, opened by a click on the
// attribute bar's button for whichever brush page is current (here the air
// brush's), editing that page and its brush; its button stays down while it
// shows; the water brush's page has none, so choosing it hides the sheet.
TEST_F(Painting, BrushSheetIsAPropertySheetForTheCurrentPagesBrush) {
  Open("white.png");
  TypeLetter('A');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolAir);
  CPaintAttributes& window = Main()->PaintAttributes();
  CBrushPage* air = window.CurrentPageObject();
  ASSERT_NE(air, nullptr);
  HWND bar = window.AttribBar();
  // Clear of the other tool windows, on top, as the user clicks it.
  SetWindowPos(window.Handle(), HWND_TOP, 20, 420, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump();
  auto clickSheetButton = [&] {
    SetWindowPos(window.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    RECT r{};
    SendMessageA(bar, TB_GETRECT, ID_ATTRIB_BRUSH_SHEET, reinterpret_cast<LPARAM>(&r));
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar, &at);
    ASSERT_EQ(WindowFromPoint(at), bar);
    Send({Mouse(MOUSEEVENTF_MOVE, at)});
    Pump();
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Pump();
  };
  auto buttonDown = [&] { return SendMessageA(bar, TB_ISBUTTONCHECKED, ID_ATTRIB_BRUSH_SHEET, 0) != 0; };
  // Tool letters are typed over the image view.
  auto typeOverView = [&](char letter) {
    SetForegroundWindow(frame_);
    SetFocus(view_->Handle());
    Pump();
    TypeLetter(letter);
  };
  ASSERT_TRUE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_BRUSH_SHEET, 0));
  clickSheetButton();
  CBrushSheet* sheet = window.BrushSheet();
  ASSERT_NE(sheet, nullptr);
  ASSERT_TRUE(sheet->Visible());
  EXPECT_TRUE(buttonDown());
  EXPECT_EQ(sheet->Page(), air);

  // A system property sheet, a child of the frame, with the three pages' tabs.
  HWND propertySheet = sheet->Sheet();
  ASSERT_NE(propertySheet, nullptr);
  EXPECT_EQ(GetParent(propertySheet), sheet->Handle());
  EXPECT_TRUE(GetWindowLongA(propertySheet, GWL_STYLE) & WS_CHILD);
  HWND tabs = reinterpret_cast<HWND>(SendMessageA(propertySheet, PSM_GETTABCONTROL, 0, 0));
  ASSERT_EQ(tabs, sheet->Tabs());
  ASSERT_EQ(TabCtrl_GetItemCount(tabs), 3);
  const char* names[3] = {"Colors", "Angles", "Logic"};
  for (int i = 0; i < 3; ++i) {
    char text[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    TabCtrl_GetItem(tabs, i, &item);
    EXPECT_STREQ(text, names[i]);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(propertySheet, PSM_INDEXTOHWND, static_cast<WPARAM>(i), 0)),
              sheet->PageWindow(i));
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(propertySheet, IDOK))) << "no dialog buttons";
  // The preview stands right of the tabs, inside the sheet.
  RECT tabRect{}, previewRect{};
  GetWindowRect(tabs, &tabRect);
  GetWindowRect(sheet->Preview(), &previewRect);
  EXPECT_EQ(GetParent(sheet->Preview()), propertySheet);
  EXPECT_GE(previewRect.left, tabRect.right);

  // Its pages edit the air brush's page and brush.
  SetDlgItemTextA(sheet->PageWindow(0), IDC_SHEET_SATURATION, "35");
  EXPECT_EQ(air->Model().settings.params[2], 35u);
  SendMessageA(GetDlgItem(sheet->PageWindow(2), IDC_SHEET_HUE_ONLY), BM_CLICK, 0, 0);
  EXPECT_EQ(air->Model().settings.params[5], 5u);
  EXPECT_EQ(Main()->CurrentTool()->Params(), air->Model().settings.params);
  // Its dialog keys: Tab moves on through the page, Escape closes (hides) it.
  SendMessageA(propertySheet, PSM_SETCURSEL, 0, 0);
  SetForegroundWindow(sheet->Handle());
  SetFocus(GetDlgItem(sheet->PageWindow(0), IDC_SHEET_HUE));
  Pump();
  Send({Key(VK_TAB, false), Key(VK_TAB, true)});
  Pump();
  EXPECT_EQ(GetFocus(), GetDlgItem(sheet->PageWindow(0), IDC_SHEET_VALUE));
  Send({Key(VK_ESCAPE, false), Key(VK_ESCAPE, true)});
  Pump();
  EXPECT_FALSE(sheet->Visible());
  EXPECT_FALSE(buttonDown());
  EXPECT_TRUE(IsWindow(propertySheet)) << "only hidden";
  clickSheetButton();
  ASSERT_TRUE(sheet->Visible());
  // The paint brush's page was not touched.
  typeOverView('B');
  CBrushPage* brushPage = window.CurrentPageObject();
  ASSERT_NE(brushPage, air);
  EXPECT_EQ(sheet->Page(), brushPage) << "the visible sheet follows the page";
  EXPECT_EQ(GetDlgItemInt(sheet->PageWindow(0), IDC_SHEET_SATURATION, nullptr, FALSE), brushPage->Model().settings.params[2]);
  EXPECT_NE(brushPage->Model().settings.params[5], 5u);

  // The button's second click hides it; a third shows it again.
  clickSheetButton();
  EXPECT_FALSE(sheet->Visible());
  EXPECT_FALSE(buttonDown());
  clickSheetButton();
  EXPECT_TRUE(sheet->Visible());
  EXPECT_TRUE(buttonDown());
  // The water brush's page has no sheet: it hides, the button comes up.
  typeOverView('W');
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolWater);
  EXPECT_FALSE(sheet->Visible());
  EXPECT_FALSE(buttonDown());
  EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_ATTRIB_BRUSH_SHEET, 0));
}

// With [Tablet] enable, vary_opacity 0: the tests' driver (wintab32.dll
// beside the program) gives a pen whose pressure rises with the pointer's
// screen column.
class PaintingWithTablet : public Painting {
 public:
  void PrepareSettings() override {
    WritePrivateProfileStringA("Tablet", "enable", "1", ini_.c_str());
    WritePrivateProfileStringA("Tablet", "vary_opacity", "0", ini_.c_str());
  }
  template <typename Fn>
  Fn StandIn(const char* name) {
    HMODULE module = GetModuleHandleA("wintab32.dll");
    return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
  }
};

TEST_F(PaintingWithTablet, PenPressureSetsTheWidthAlongTheStrokeAndItsEraserEndChoosesTheEraser) {
  auto window = StandIn<HWND (*)()>("StandInWindow");
  auto contextName = StandIn<const char* (*)()>("StandInContextName");
  auto fields = StandIn<void (*)(DWORD*, LONG*, LONG*)>("StandInContextFields");
  auto setRamp = StandIn<void (*)(int, int)>("StandInSetRamp");
  auto setSerial = StandIn<void (*)(UINT, UINT)>("StandInSetSerialCursor");
  ASSERT_NE(window, nullptr) << "the tests' wintab32.dll was not the one loaded";
  ASSERT_NE(setSerial, nullptr);
  ASSERT_TRUE(app_.tablet.Present());
  // The context: on the main window, named after the instance, the packet
  // fields 0x5E0, output extent screen width by minus screen height.
  EXPECT_EQ(window(), frame_);
  char name[40];
  std::snprintf(name, sizeof name, "LU40 %x", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr))));
  EXPECT_STREQ(contextName(), name);
  DWORD packetData = 0;
  LONG extX = 0, extY = 0;
  fields(&packetData, &extX, &extY);
  EXPECT_EQ(packetData, 0x5E0u);
  EXPECT_EQ(extX, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(extY, -GetSystemMetrics(SM_CYSCREEN));

  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  TypeLetter('B');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  Choose(112, 4);  // width 9
  std::vector<POINT> points;
  for (int x = 60; x <= 460; x += 20) points.push_back(POINT{x, 120});
  // Pressure 200 of 1023 at the first point, rising 2 a column to 1000.
  const int firstColumn = OnScreen(view_->Handle(), points.front()).x;
  setRamp(firstColumn - 100, 2);
  void* context = app_.tablet.Context();
  SendMessageA(frame_, kMsgTabletProximity, reinterpret_cast<WPARAM>(context), 1);
  CopyStroke expected(stack);
  CopyStroke unpressed(stack);
  Drag(points);

  // The portable brush, its width read at the press and at each move from
  // the same pressures: width x raw / range.
  auto strokeOf = [&](CopyStroke& target, bool withPen) {
    int column = firstColumn;
    SeededBrushRandom random(1);
    paint::CPaintBrush brush(paint::kCmdToolPaint, 10, random);
    brush.SetWidth(9, 0, 0);
    brush.SetColours(0x000000, 0xFFFFFF);
    if (withPen) {
      brush.SetTablet([&column, firstColumn] {
        const int raw = std::clamp((column - firstColumn + 100) * 2, 0, 1023);
        return paint::TabletReading{255, static_cast<std::uint32_t>(raw), 1023};
      });
    }
    const POINT from = ImagePoint(points.front());
    ASSERT_TRUE(brush.ButtonDown(&target, from.x, from.y));
    for (std::size_t i = 1; i < points.size(); ++i) {
      column = OnScreen(view_->Handle(), points[i]).x;
      const POINT p = ImagePoint(points[i]);
      brush.MoveTo(p.x, p.y);
    }
    brush.ButtonUp();
  };
  strokeOf(expected, true);
  strokeOf(unpressed, false);
  EXPECT_TRUE(StackBytes(stack) == StackBytes(*expected.stack)) << "the width per move follows the pen's pressure";
  EXPECT_FALSE(StackBytes(*expected.stack) == StackBytes(*unpressed.stack)) << "the pressure made a difference";

  // Out of proximity: full width and opacity.
  SendMessageA(frame_, kMsgTabletProximity, reinterpret_cast<WPARAM>(context), 0);
  int numerator = 0, denominator = 0;
  EXPECT_EQ(app_.ReadTablet(&numerator, &denominator), 255);
  EXPECT_EQ(numerator, 1);
  EXPECT_EQ(denominator, 1);

  // The pen turned to its eraser end chooses the eraser; turning back, the
  // paint brush again.
  setSerial(1, 1);
  setSerial(2, 2);
  setSerial(3, 1);
  SendMessageA(frame_, kMsgTabletCursorChange, 1, reinterpret_cast<LPARAM>(context));
  EXPECT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolPaint);
  SendMessageA(frame_, kMsgTabletCursorChange, 2, reinterpret_cast<LPARAM>(context));
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  EXPECT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolEraser);
  SendMessageA(frame_, kMsgTabletCursorChange, 3, reinterpret_cast<LPARAM>(context));
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  EXPECT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolPaint);
}

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST_F(Painting, DropperTakesAnImagePixelAndAWindowsColour) {
  Open("red.png");
  app_.settings.foreColor = 0x000000;
  app_.settings.backColor = 0xFFFFFF;
  // Left click on an image pixel: the foreground takes it.
  TypeLetter('I');
  ASSERT_TRUE(CScreenPicker::Running());
  POINT inside{};
  for (inside.y = 0; inside.y < 400; ++inside.y) {
    const POINT p = ImagePoint(POINT{150, inside.y});
    if (p.y == 300 - 1 - 120) break;  // file row 120
  }
  inside.x = 150;
  ASSERT_EQ(ImagePoint(inside).x, 150);
  Send({Mouse(MOUSEEVENTF_MOVE, OnScreen(view_->Handle(), inside))});
  Pump();
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  Pump();
  EXPECT_FALSE(CScreenPicker::Running());
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 30, 60));
  EXPECT_EQ(app_.settings.backColor, 0xFFFFFFu);

  // Right click on a window of a known colour: the background takes it.
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = CreateSolidBrush(RGB(10, 120, 230));
  wc.lpszClassName = "PaintTestSwatch";
  RegisterClassA(&wc);
  HWND swatch = CreateWindowExA(WS_EX_TOPMOST, "PaintTestSwatch", "", WS_POPUP | WS_VISIBLE, 700, 500, 60, 60,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(swatch, nullptr);
  UpdateWindow(swatch);
  Pump();
  SendMessageA(frame_, WM_COMMAND, ID_DROPPER, 0);
  ASSERT_TRUE(CScreenPicker::Running());
  Send({Mouse(MOUSEEVENTF_MOVE, POINT{730, 530})});
  Pump();
  Send({Mouse(MOUSEEVENTF_RIGHTDOWN), Mouse(MOUSEEVENTF_RIGHTUP)});
  Pump();
  EXPECT_FALSE(CScreenPicker::Running());
  EXPECT_EQ(app_.settings.backColor, RGB(10, 120, 230));
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 30, 60));

  // Escape ends a pick without a colour.
  SendMessageA(frame_, WM_COMMAND, ID_DROPPER, 0);
  ASSERT_TRUE(CScreenPicker::Running());
  Send({Key(VK_ESCAPE, false), Key(VK_ESCAPE, true)});
  Pump();
  EXPECT_FALSE(CScreenPicker::Running());
  DestroyWindow(swatch);
  DeleteObject(wc.hbrBackground);
}

TEST_F(Painting, EraserClearOnALayerWithoutMaskSaysSoAndChangesNothing) {
  Open("white.png");
  CLayersManager& stack = *doc_->Image().GetLayers();
  const std::string before = StackBytes(stack);
  const int undoBefore = doc_->Image().History().UndoCount();
  TypeLetter('E');
  ASSERT_NE(Main()->CurrentTool(), nullptr);
  ASSERT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolEraser);
  std::string said;
  lumora::testing::DialogScript::Run({{std::string(res::String(IDS_ERROR_CAPTION)), [&](HWND box) {
                                         char text[256] = {};
                                         GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                                         said = text;
                                         lumora::testing::Press(box, IDOK);
                                       }}});
  Drag(Zigzag());
  EXPECT_EQ(said, paint::kMsgLayerHasNoMask);
  EXPECT_EQ(doc_->Image().History().UndoCount(), undoBefore);
  EXPECT_TRUE(StackBytes(stack) == before);
  // Letters typed while the message box had the focus went elsewhere; back
  // in the view, another tool replaces the eraser and its letter again lets
  // it go.
  SetFocus(view_->Handle());
  TypeLetter('B');
  EXPECT_EQ(Main()->CurrentTool()->CommandId(), paint::kCmdToolPaint);
  TypeLetter('B');
  EXPECT_EQ(Main()->CurrentTool(), nullptr);
}

}  // namespace
}  // namespace lumora
