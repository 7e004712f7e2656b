// The layer dialogs' arithmetic: mode lists by image type, range texts,
// the duplicate-name check, the Duplicate Layer dialog's choices and the
// Layer Options session over a real document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/LayerDialogForms.h"
#include "document/null_host.h"
#include "engine/pixels/WAccess.h"

namespace lumora {
namespace {

using Names = std::vector<std::string>;

TEST(LayerDialogForms, ModeListsFollowTheImageType) {
  const Names colour = {"Normal",      "Dissolve",   "_",         "Multiply", "Screen",  "Overlay",    "Soft Light",
                        "Hard Light",  "_",          "Color Dodge", "Color Burn", "_",     "Darken",     "Lighten",
                        "Difference",  "Exclusion",  "_",         "Hue",      "Saturation", "Color",   "Luminosity"};
  EXPECT_EQ(MergeModeList(false, ModeListFor::kNewLayer), colour);
  EXPECT_EQ(MergeModeList(false, ModeListFor::kLayerOptions), colour);
  const Names options = MergeModeList(true, ModeListFor::kLayerOptions);
  EXPECT_EQ(options.back(), "Difference");
  EXPECT_EQ(options.size(), 15u);
  const Names fresh = MergeModeList(true, ModeListFor::kNewLayer);
  EXPECT_EQ(fresh.back(), "Exclusion") << "no separator after it";
  EXPECT_EQ(fresh.size(), 16u);
}

// The mask display dialog shows any stored colour as RGB and stores RGB
// back with each byte in both bytes of its field; the record's kind stays.
TEST(LayerDialogForms, MaskDisplayShowsRgbAndStoresEachByteTwice) {
  struct Case {
    PSDColor stored;
    std::uint16_t opacity;
    COLORREF shown;
    int shownOpacity;
  };
  const Case cases[] = {
      {{0, {0xFF00, 0x8000, 0x1234, 0}}, 50, RGB(0xFF, 0x80, 0x12), 50},
      {{1, {120 * 182, 100 * 655, 100 * 655, 0}}, 100, RGB(0, 255, 0), 100},  // hue, saturation, brightness
      {{0, {0, 0, 0, 0}}, 300, RGB(0, 0, 0), 100},                            // opacity beyond 100 %
  };
  for (const Case& c : cases) {
    GlobalLayerMaskInfo record;
    record.color = c.stored;
    record.opacity = c.opacity;
    const MaskDisplayChoice choice = MaskDisplayOf(record);
    EXPECT_EQ(choice.colour, c.shown) << c.stored.space;
    EXPECT_EQ(choice.opacity, c.shownOpacity);
  }
  GlobalLayerMaskInfo hsb;
  hsb.color = {1, {1, 2, 3, 4}};
  hsb.kind = 0;
  const GlobalLayerMaskInfo stored = WithMaskDisplay(hsb, RGB(0x12, 0x80, 0xEE), 80);
  EXPECT_EQ(stored.color.space, 0);
  EXPECT_EQ(stored.color.components[0], 0x1212);
  EXPECT_EQ(stored.color.components[1], 0x8080);
  EXPECT_EQ(stored.color.components[2], 0xEEEE);
  EXPECT_EQ(stored.opacity, 80);
  EXPECT_EQ(stored.kind, 0);
  EXPECT_EQ(WithMaskDisplay(hsb, 0, -5).opacity, 0);
  EXPECT_EQ(WithMaskDisplay(hsb, 0, 101).opacity, 100);
}

TEST(LayerDialogForms, RangePairsShowOneNumberWhenEqual) {
  EXPECT_EQ(FormatRangePair(0, 0), "0");
  EXPECT_EQ(FormatRangePair(12, 40), "12/40");
  EXPECT_EQ(FormatRangePair(255, 255), "255");
}

struct TwoLayers : ::testing::Test {
  TwoLayers() {
    CreationRecord record{2, 8, 6, 0x00480048u, 0xFFFFFFu};
    EXPECT_EQ(doc.NewImage(record), 1);
    doc.GetLayers()->GetLayer(0)->SetName("Background");
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 4, 4, nullptr));
    doc.GetLayers()->AddLayerFromImage(image.get(), POINT{1, 1}, 1);
    layer = doc.GetLayers()->GetLayer(1);
    layer->SetName("Top");
  }
  ~TwoLayers() override { doc.Queue().StopThread(); }

  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  CLayer* layer = nullptr;
};

TEST_F(TwoLayers, AUsedNameIsReplacedAndItsOwnNamePasses) {
  std::string message;
  const std::string replacement = ReplacementForUsedName(*doc.GetLayers(), "Background", nullptr, &message);
  EXPECT_FALSE(replacement.empty());
  EXPECT_NE(replacement, "Background");
  EXPECT_EQ(message, "Layer with name 'Background' already exists !");
  EXPECT_EQ(ReplacementForUsedName(*doc.GetLayers(), "Top", layer, nullptr), "") << "renaming to its own name";
  EXPECT_EQ(ReplacementForUsedName(*doc.GetLayers(), "Fresh", nullptr, nullptr), "");
}

TEST_F(TwoLayers, DuplicateTargetsEnableWhatApplies) {
  testing::NullDocumentHost otherHost;
  ImageDocument other(&otherHost);
  WAPtr palette = WAPtr::Adopt(NewWA(kWAType8Palette, 4, 4, nullptr));
  CreationRecord record{0, reinterpret_cast<std::uintptr_t>(palette.get()), 0, 0, 0};
  ASSERT_EQ(other.NewImage(record), 1);
  const DuplicateTargetControls same = DuplicateTargetRules(&doc, &doc, true);
  EXPECT_TRUE(same.okEnabled);
  EXPECT_TRUE(same.asEnabled);
  EXPECT_FALSE(same.newNameEnabled);
  EXPECT_FALSE(same.activateEnabled) << "the source itself";
  const DuplicateTargetControls paletteTarget = DuplicateTargetRules(&doc, &other, true);
  EXPECT_FALSE(paletteTarget.okEnabled) << "a palette image takes no layer";
  EXPECT_TRUE(paletteTarget.activateEnabled);
  EXPECT_FALSE(DuplicateTargetRules(&doc, &other, false).activateEnabled) << "in place editing";
  const DuplicateTargetControls fresh = DuplicateTargetRules(&doc, nullptr, true);
  EXPECT_TRUE(fresh.okEnabled);
  EXPECT_FALSE(fresh.asEnabled);
  EXPECT_TRUE(fresh.newNameEnabled);
  other.Queue().StopThread();
}

TEST_F(TwoLayers, LayerOptionsPreviewCancelAndCommitOneStep) {
  {
    LayerOptionsSession session(doc, *layer);
    session.Working().opacity = 25;
    session.Working().mergeMode = 7;
    session.Changed();
    EXPECT_EQ(layer->GetLayerInfo().opacity, 25) << "previewed on the layer";
    session.SetPreview(false);
    EXPECT_EQ(layer->GetLayerInfo().opacity, 100) << "preview off shows the start";
    session.SetPreview(true);
    session.Cancel();
    EXPECT_EQ(layer->GetLayerInfo().opacity, 100);
    EXPECT_EQ(layer->GetMergeMode(), 0);
    EXPECT_EQ(doc.History().UndoCount(), 0);
  }
  LayerOptionsSession session(doc, *layer);
  session.Working().name = "Renamed";
  session.Working().opacity = 40;
  session.Working().blendIf[0][0] = 30;
  session.Changed();
  ASSERT_TRUE(session.Commit());
  EXPECT_EQ(layer->GetName(), "Renamed");
  EXPECT_EQ(layer->GetLayerInfo().opacity, 40);
  EXPECT_EQ(layer->GetLayerInfo().blendIf[0][0], 30);
  EXPECT_EQ(doc.History().UndoCount(), 1);
  EXPECT_EQ(doc.HistoryState().name, "Layer tunning");
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(doc.GetLayers()->GetLayer(1)->GetName(), "Top") << "the step saved the layer as it started";
  EXPECT_EQ(doc.GetLayers()->GetLayer(1)->GetLayerInfo().opacity, 100);
}

}  // namespace
}  // namespace lumora
