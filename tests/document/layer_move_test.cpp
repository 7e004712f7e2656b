// Moving layers with the mouse and the arrow keys on a real stack and
// render queue: one "Move layer" step per drag opened by the first real
// displacement, linked layers and the selection travelling along, the
// moved rectangles composited at once, a locked layer refused once per
// drag, and the worker running again after the drag however it ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/ImageDocument.h"
#include "document/null_host.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "engine/render/LayerMove.h"
#include "tests/engine/render/render_queue_fakes.h"

namespace lumora {
namespace {

class CountingHost : public testing::NullDocumentHost {
 public:
  void ShowMessage(int textId, int) override { messages.push_back(textId); }
  std::vector<int> messages;
};

CLayer* ColourLayer(const RECT& rect, COLORREF rgb, const char* name) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, RectWidth(rect), RectHeight(rect), nullptr));
  FillWA(image.get(), GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  CLayer* layer = new CLayer(image.get(), POINT{rect.left, rect.top}, 0, nullptr, 0);
  layer->SetName(name);
  return layer;
}

// A red 40 x 30 ground, "Green" over (4, 2)-(14, 10) (active) and "Blue"
// over (20, 10)-(30, 20), both over the ground; one view shows everything.
class LayerMoves : public ::testing::Test {
 protected:
  void SetUp() override {
    CreationRecord record{2, 40, 30, 0x00480048u, 0x0000FFu};
    ASSERT_EQ(doc.NewImage(record), 1);
    Add(ColourLayer(RECT{4, 2, 14, 10}, 0x00FF00u, "Green"));
    Add(ColourLayer(RECT{20, 10, 30, 20}, 0xFF0000u, "Blue"));
    doc.SetActiveLayerByIndex(1, true, false);
    doc.Queue().AddView(&view);
    doc.Queue().PrioritizeView(&view);
    doc.Queue().QueueRect(nullptr);
    ASSERT_TRUE(testing_support::PollUntil([&] { return doc.Queue().IsIdle() && doc.Queue().RenderList().empty(); }));
    ExpectCompositeCurrent();
  }
  void TearDown() override {
    doc.Queue().StopThread();
    doc.Queue().RemoveView(&view);
  }
  void Add(CLayer* layer) {
    ASSERT_EQ(doc.GetLayers()->AddLayer(layer), 0);
    layer->Release();
  }
  CLayer* Layer(int i) { return doc.GetLayers()->GetLayer(i); }
  RECT RectOf(int i) { return Layer(i)->GetRect(); }
  // The document's composite equals the stack merged afresh.
  void ExpectCompositeCurrent() {
    WAPtr merged = doc.GetLayers()->CreateMergedImage(1, 255, 255, 255);
    WAPtr composite = doc.GetLayers()->GetCompositeImage();
    ASSERT_TRUE(merged && composite);
    int wrong = 0;
    for (int y = 0; y < merged->GetH(); ++y)
      for (int x = 0; x < merged->GetW() * 3; ++x)
        if (merged->Row(y)[x] != composite->Row(y)[x]) ++wrong;
    EXPECT_EQ(wrong, 0);
  }

  CountingHost host;
  ImageDocument doc{&host};
  testing_support::RecordingView view{RECT{0, 0, 40, 30}};
  LayerMove move;
};

TEST_F(LayerMoves, AClickWithoutMovementLeavesNoStep) {
  const int steps = doc.History().UndoCount();
  ASSERT_TRUE(move.Begin(doc, Layer(1), POINT{6, 4}));
  EXPECT_FALSE(move.Track(POINT{6, 4}));
  move.End();
  EXPECT_EQ(doc.History().UndoCount(), steps);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{4, 2, 14, 10}));
}

TEST_F(LayerMoves, ADragIsOneStepThatMovesLinkedLayersAndTheSelection) {
  Layer(1)->SetLinkId(3);
  Layer(2)->SetLinkId(3);
  LURECT lu;
  const RECT selected{5, 3, 9, 7};
  RectToLURect(&lu, &selected);
  Fragment* f = CreateRectFrg(&lu, 0);
  doc.SetSelection(f, false);
  DeleteFragment(f);
  const int steps = doc.History().UndoCount();
  ASSERT_TRUE(move.Begin(doc, Layer(1), POINT{6, 4}));
  EXPECT_TRUE(move.Track(POINT{9, 5}));
  EXPECT_TRUE(move.Track(POINT{11, 9}));
  // Composited at once, on this thread, while the worker stays stopped.
  EXPECT_TRUE(doc.Queue().ImmediateList().empty());
  EXPECT_FALSE(view.DoneNow().empty());
  ExpectCompositeCurrent();
  move.End();
  EXPECT_EQ(doc.History().UndoCount(), steps + 1);
  EXPECT_EQ(doc.HistoryState().name, std::string(res::String(IDS_STEP_MOVE_LAYER)));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{9, 7, 19, 15}));
  EXPECT_TRUE(RectsEqual(RectOf(2), RECT{25, 15, 35, 25})) << "the linked layer by the same (5, 5)";
  LURECT bounds{};
  ASSERT_NE(GetFragmentBoundRect(doc.GetSelection(), &bounds), 0);
  RECT moved{};
  LURectToRect(&moved, &bounds);
  EXPECT_EQ(moved.left, 10);
  EXPECT_EQ(moved.top, 8);
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{4, 2, 14, 10}));
  EXPECT_TRUE(RectsEqual(RectOf(2), RECT{20, 10, 30, 20}));
}

TEST_F(LayerMoves, ALockedLinkIsRefusedOnceAndNothingMoves) {
  Layer(1)->SetLinkId(3);
  Layer(2)->SetLinkId(3);
  Layer(2)->SetPositionLocked(1);
  ASSERT_TRUE(move.Begin(doc, Layer(1), POINT{6, 4}));
  EXPECT_FALSE(move.Track(POINT{8, 4}));
  EXPECT_FALSE(move.Track(POINT{10, 6}));
  move.End();
  EXPECT_EQ(host.messages, (std::vector<int>{IDS_LINKED_LAYERS_LOCKED}));
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{4, 2, 14, 10}));
  EXPECT_EQ(doc.History().UndoCount(), 0);
  Layer(1)->SetPositionLocked(1);
  ASSERT_TRUE(move.Begin(doc, Layer(1), POINT{6, 4}));
  EXPECT_FALSE(move.Track(POINT{8, 4}));
  move.End();
  EXPECT_EQ(host.messages.back(), IDS_LAYER_LOCKED);
}

TEST_F(LayerMoves, NudgesMoveImagePixelsAndSnappingCorrectsTheStep) {
  ASSERT_TRUE(move.Nudge(doc, Layer(1), 1, 0));
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{5, 2, 15, 10}));
  ASSERT_TRUE(move.Nudge(doc, Layer(1), 0, -10));
  EXPECT_TRUE(RectsEqual(RectOf(1), RECT{5, -8, 15, 0}));
  EXPECT_EQ(doc.History().UndoCount(), 2) << "one step per nudge";
  // A snap that cancels the displacement still marks the document.
  doc.SetModifiedFlag(false);
  ASSERT_TRUE(move.Begin(doc, Layer(2), POINT{22, 12}));
  EXPECT_FALSE(move.Track(POINT{24, 12}, [](const RECT&, POINT* d) { *d = POINT{0, 0}; }));
  move.End();
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(RectsEqual(RectOf(2), RECT{20, 10, 30, 20}));
}

// However the drag ended (a button-up or a lost capture both end it), the
// worker takes queued pieces again.
TEST_F(LayerMoves, TheWorkerRunsAgainAfterTheDrag) {
  ASSERT_TRUE(move.Begin(doc, Layer(1), POINT{6, 4}));
  EXPECT_TRUE(doc.Queue().IsIdle());
  EXPECT_TRUE(move.Track(POINT{8, 4}));
  move.End();
  EXPECT_FALSE(move.Running());
  const RECT all{0, 0, 40, 30};
  doc.InvalidateImageRect(&all, false, false);
  ASSERT_TRUE(testing_support::PollUntil([&] { return doc.Queue().IsIdle() && doc.Queue().RenderList().empty(); }));
  ExpectCompositeCurrent();
  EXPECT_FALSE(move.Begin(doc, nullptr, POINT{0, 0}));
}

// During a drag the stack keeps, per cell, what lies below the moved
// layers and draws only from there up. Over several cells, with masks,
// modes, a clipping group and layers above, every step's composite is the
// stack merged afresh: the moved layer alone, a grouped member (the split
// comes down to its base) and a link whose lowest layer is not the active
// one.
TEST(LayerMovesOverManyCells, EveryStepComposesAsTheFullPass) {
  CountingHost host;
  ImageDocument doc{&host};
  testing_support::RecordingView view{RECT{0, 0, 600, 300}};
  CreationRecord record{2, 600, 300, 0x00480048u, 0x0000FFu};
  ASSERT_EQ(doc.NewImage(record), 1);
  CLayersManager* stack = doc.GetLayers();
  auto add = [&](CLayer* layer) {
    ASSERT_EQ(stack->AddLayer(layer), 0);
    layer->Release();
  };
  auto masked = [](CLayer* layer) {
    const RECT r = layer->GetRect();
    WAPtr mask = WAPtr::Adopt(NewWA(kWAType8Grey, RectWidth(r), RectHeight(r), nullptr));
    for (int y = 0; y < mask->GetH(); ++y)
      for (int x = 0; x < mask->GetW(); ++x) mask->Row(y)[x] = static_cast<std::uint8_t>((x * 7 + y * 3) & 255);
    EXPECT_EQ(layer->SetMask(mask.get()), 0);
    return layer;
  };
  add(masked(ColourLayer(RECT{30, 20, 420, 250}, 0x2080C0u, "Masked")));         // 1
  CLayer* multiply = ColourLayer(RECT{200, 40, 560, 280}, 0x40A0FFu, "Multiply");  // 2
  multiply->SetMergeMode(kMergeMultiply);
  multiply->SetOpacity(170);
  add(multiply);
  add(ColourLayer(RECT{100, 100, 380, 200}, 0x00FF00u, "Base"));  // 3: a clipping group's base
  CLayer* member = masked(ColourLayer(RECT{150, 60, 450, 180}, 0xFF00FFu, "Member"));
  member->SetGrouped(1);
  add(member);                                                     // 4
  add(ColourLayer(RECT{250, 150, 330, 290}, 0x808080u, "Moved"));  // 5
  CLayer* top = masked(ColourLayer(RECT{0, 0, 300, 120}, 0xFFFF00u, "Top"));
  top->SetOpacity(128);
  add(top);  // 6
  doc.Queue().AddView(&view);
  doc.Queue().PrioritizeView(&view);
  doc.Queue().QueueRect(nullptr);
  ASSERT_TRUE(testing_support::PollUntil([&] { return doc.Queue().IsIdle() && doc.Queue().RenderList().empty(); }));
  auto expectCurrent = [&](const char* what, int step) {
    WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255);
    WAPtr composite = stack->GetCompositeImage();
    ASSERT_TRUE(merged && composite);
    int wrong = 0;
    for (int y = 0; y < merged->GetH(); ++y)
      for (int x = 0; x < merged->GetW() * 3; ++x) wrong += merged->Row(y)[x] != composite->Row(y)[x];
    EXPECT_EQ(wrong, 0) << what << " step " << step;
  };
  expectCurrent("start", 0);
  struct Case {
    const char* what;
    int layer;
    std::uint16_t link;
  } cases[] = {{"moved layer", 5, 0}, {"grouped member", 4, 0}, {"link from above", 6, 9}};
  stack->GetLayer(1)->SetLinkId(9);  // linked to "Top": the link's lowest is layer 1
  stack->GetLayer(6)->SetLinkId(9);
  // Each drag once as it comes, and once with cells composited ahead of it
  // between steps (a few at a time, all of them, none).
  for (const bool ahead : {false, true}) {
    for (const Case& c : cases) {
      LayerMove move;
      CLayer* layer = stack->GetLayer(c.layer);
      const RECT start = layer->GetRect();
      ASSERT_TRUE(move.Begin(doc, layer, POINT{start.left + 5, start.top + 5}));
      if (ahead) {
        move.PrepareAhead(1);
        expectCurrent(c.what, 0);
      }
      for (int step = 1; step <= 6; ++step) {
        ASSERT_TRUE(move.Track(POINT{start.left + 5 + 37 * step, start.top + 5 + 11 * step})) << c.what;
        expectCurrent(c.what, step);
        if (ahead && step != 3) {
          move.PrepareAhead(step == 5 ? 100 : 2);
          expectCurrent(c.what, step);
        }
      }
      if (ahead) EXPECT_FALSE(move.PrepareAhead(100)) << c.what << ": every cell is kept by now";
      move.End();
      EXPECT_FALSE(move.PrepareAhead(1)) << c.what;
    }
  }
  doc.Queue().StopThread();
  doc.Queue().RemoveView(&view);
}

}  // namespace
}  // namespace lumora
