// The document's side of the text tool: placing a new text layer, its step,
// Apply and Cancel, the text turned into a selection by the selection
// mode, and an edit of an existing layer taken back. The layout runs on a
// device of fixed glyph boxes, so the pixels are known.
#include <gtest/gtest.h>

#include <vector>

#include "document/ImageDocument.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "engine/layers/TextLayout.h"
#include "hostapi/fragment.h"
#include "tests/document/null_host.h"

namespace lumora {
namespace {

// Glyphs 4 wide and 10 high (descent 2), inked over their whole box.
class BoxDevice : public TextDevice {
 public:
  GlyphExtent MeasureGlyph(const CCharFormat&, int factor, int) override {
    return GlyphExtent{4 * factor, 10 * factor, 2 * factor};
  }
  bool BeginPicture(int width, int height) override {
    width_ = width;
    picture_.assign(static_cast<std::size_t>(width) * height, 255);
    height_ = height;
    return true;
  }
  void DrawGlyph(const CCharFormat&, int factor, int, int x, int y) override {
    for (int row = y - 8 * factor; row < y + 2 * factor; ++row) {
      for (int col = x; col < x + 4 * factor; ++col) {
        if (row >= 0 && row < height_ && col >= 0 && col < width_) picture_[row * width_ + col] = 0;
      }
    }
  }
  const std::uint8_t* PictureRow(int y) override { return picture_.data() + y * width_; }

 private:
  std::vector<std::uint8_t> picture_;
  int width_ = 0, height_ = 0;
};

class BoxHost : public testing::NullDocumentHost {
 public:
  int LayoutTextLayer(CLayerText& layer) override {
    BoxDevice device;
    return layer.LayoutText(0, device, nullptr);
  }
};

std::vector<CCharFormat> Text(const std::string& s) {
  std::vector<CCharFormat> out;
  for (char c : s) {
    CCharFormat f;
    f.character = static_cast<std::uint8_t>(c == '\n' ? 13 : c);
    f.size = 120;
    f.face = "Arial";
    out.push_back(f);
  }
  return out;
}

class TextLayerDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    CreationRecord record{2, 40, 30, 0x00480048u, 0xFFFFFFu};
    ASSERT_EQ(doc_.NewImage(record), 1);
  }
  void TearDown() override { doc_.Queue().StopThread(); }
  int Layers() { return doc_.GetLayers()->GetLayerCount(); }
  int Steps() { return doc_.History().UndoCount(); }
  // A new layer at (5, 3) holding the text, laid out.
  CLayerText* Typed(const std::string& s) {
    CLayerText* layer = doc_.PlaceNewTextLayer(POINT{5, 3});
    if (layer == nullptr) return nullptr;
    layer->SetCharFormats(Text(s));
    EXPECT_TRUE(doc_.RelayoutTextLayer(layer));
    return layer;
  }
  bool Selected(int x, int y) {
    const POINT p{x, y};
    return doc_.GetSelection() != nullptr && (PointInFragment(doc_.GetSelection(), &p) & 1) != 0;
  }

  BoxHost host_;
  ImageDocument doc_{&host_};
};

TEST_F(TextLayerDocument, ANewLayerGoesAboveTheActiveOneAtThePointAndApplyKeepsItAsOneStep) {
  const int layers = Layers(), steps = Steps();
  CLayerText* layer = Typed("AB");
  ASSERT_NE(layer, nullptr);
  EXPECT_TRUE(layer->IsNew());
  EXPECT_EQ(doc_.GetActiveLayer(), layer);
  EXPECT_EQ(Layers(), layers + 1);
  EXPECT_EQ(Steps(), steps + 1);
  // The point is the lower-left pixel; the text (8 x 12) grows up from it.
  const RECT r = layer->GetRect();
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right, 13);
  EXPECT_EQ(r.bottom, 15);
  ASSERT_TRUE(doc_.ApplyTextSelection(layer, false, 1));
  EXPECT_FALSE(layer->IsNew());
  EXPECT_EQ(Steps(), steps + 1);
  ASSERT_TRUE(doc_.UndoRedo(false));
  EXPECT_EQ(Layers(), layers) << "undo takes the text layer away";
  ASSERT_TRUE(doc_.UndoRedo(true));
  EXPECT_EQ(Layers(), layers + 1);
  EXPECT_EQ(doc_.GetActiveLayer()->IsText(), 1);
}

TEST_F(TextLayerDocument, CancelAndAnEmptyApplyLeaveNothing) {
  const int layers = Layers(), steps = Steps();
  CLayerText* layer = Typed("AB");
  ASSERT_NE(layer, nullptr);
  doc_.DiscardNewTextLayer(layer);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps);
  layer = doc_.PlaceNewTextLayer(POINT{1, 1});
  ASSERT_NE(layer, nullptr);
  EXPECT_FALSE(doc_.ApplyTextSelection(layer, false, 1));
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps);
}

// The text's coverage becomes the selection by the selection bar's mode:
// replace, add to a rectangle (a complex selection holding both), or
// subtract from it; the temporary layer goes, one "Set Selection" step.
TEST_F(TextLayerDocument, TextSelectionCombinesByTheMode) {
  const LURECT box{20, 0, 10, 10};
  struct Case {
    int mode;
    bool withRect;
    bool textSelected, rectSelected;
  } cases[] = {{1, true, true, false}, {2, true, true, true}, {3, false, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    if (c.withRect) {
      Fragment* rect = CreateRectFrg(&box, 0);
      doc_.SetSelection(rect, false);
      DeleteFragment(rect);
    } else {
      doc_.FreeSelection(false);
    }
    const int layers = Layers(), steps = Steps();
    CLayerText* layer = Typed("AB");
    ASSERT_NE(layer, nullptr);
    const bool done = doc_.ApplyTextSelection(layer, true, c.mode);
    EXPECT_EQ(Layers(), layers);
    // Ink of "A" fills columns 5..8 of rows 3..12 (its box less the top two rows).
    EXPECT_EQ(Selected(6, 5), c.textSelected);
    EXPECT_EQ(Selected(25, 5), c.rectSelected);
    EXPECT_FALSE(Selected(15, 25));
    if (c.mode == 2) EXPECT_EQ(GetFragmentType(doc_.GetSelection()), kFrgComplex);
    // Subtracting from nothing selects nothing: no step then.
    EXPECT_EQ(Steps(), done ? steps + 1 : steps);
  }
}

// An existing text layer edited: the step opens at the first change, and
// taking it back restores the layer's text and pixels.
TEST_F(TextLayerDocument, AnEditOfAnExistingLayerIsTakenBack) {
  CLayerText* layer = Typed("AB");
  ASSERT_NE(layer, nullptr);
  ASSERT_TRUE(doc_.ApplyTextSelection(layer, false, 1));
  const int steps = Steps();
  const RECT before = layer->GetRect();
  ASSERT_TRUE(doc_.OpenTextEditStep());
  layer->SetCharFormats(Text("ABCD"));
  ASSERT_TRUE(doc_.RelayoutTextLayer(layer));
  EXPECT_EQ(layer->GetRect().right, before.right + 8);
  EXPECT_EQ(Steps(), steps + 1);
  ASSERT_TRUE(doc_.RevertLastBackup());
  auto* restored = dynamic_cast<CLayerText*>(doc_.GetActiveLayer());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->PlainText(), "AB");
  EXPECT_EQ(restored->GetRect().right, before.right);
  EXPECT_EQ(restored->PeekMask()->GetW(), 8);
  EXPECT_EQ(Steps(), steps);
}

}  // namespace
}  // namespace lumora
