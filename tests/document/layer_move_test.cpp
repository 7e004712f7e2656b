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

}  // namespace
}  // namespace lumora
