// The Image menu's and the layer menu's portable work on real stacks: the
// memory figure, the layers under a point, Crop Selection's rectangle and
// the conversion to grey.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/ImageCommands.h"
#include "engine/pixels/WAccess.h"
#include "tests/document/null_host.h"

namespace lumora {
namespace {

// A layer of the rect filled with one grey value, with a mask of `maskValue`
// when it is 0..255.
CLayer* MakeLayer(const RECT& rect, const char* name, std::uint8_t value, int maskValue = -1) {
  LAYER_INFO info;
  info.name = name;
  InitLayerInfo(info);
  CLayer* layer = new CLayer(&rect, info, kWAType24, maskValue >= 0 ? 1 : 0);
  VrWA2000::WA* image = layer->PeekImage();
  for (int y = 0; y < image->GetH(); ++y) std::fill_n(image->Row(y), 3 * image->GetW(), value);
  if (maskValue >= 0) {
    VrWA2000::WA* mask = layer->PeekMask();
    for (int y = 0; y < mask->GetH(); ++y) std::fill_n(mask->Row(y), mask->GetW(), std::uint8_t(maskValue));
  }
  return layer;
}

class ImageCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreationRecord record{2, 100, 80, 0x00480048u, 0xFFFFFFu};
    ASSERT_EQ(doc.NewImage(record), 1);
    Add(MakeLayer(RECT{10, 10, 60, 50}, "Middle", 100, 255));
    Add(MakeLayer(RECT{20, 20, 90, 70}, "Top", 200));
  }
  void TearDown() override { doc.Queue().StopThread(); }
  void Add(CLayer* layer) {
    ASSERT_EQ(doc.GetLayers()->AddLayer(layer), 0);
    layer->Release();
  }
  CLayersManager& Stack() { return *doc.GetLayers(); }

  testing::NullDocumentHost host;
  ImageDocument doc{&host};
};

TEST_F(ImageCommandsTest, MemoryFigureCountsMaskedLayersTwiceIn64Bits) {
  // 100 x 80 background, 50 x 40 masked, 70 x 50.
  EXPECT_EQ(ImageMemoryEstimate(Stack()), 8000u + 2 * 2000u + 3500u);
  // Four masked layers of 30000 x 30000 pass 32 bits (the rects only are
  // read: no buffer of that size is made).
  for (int i = 0; i < 3; ++i) Add(MakeLayer(RECT{0, 0, 2, 2}, "Big", 0, 255));
  for (int i = 1; i < Stack().GetLayerCount(); ++i) Stack().GetLayer(i)->SetRect(RECT{0, 0, 30000, 30000});
  // Four masked (twice each) and one unmasked of 900,000,000 pixels.
  const std::uint64_t expected = 8000ull + 9ull * 900000000ull;
  EXPECT_EQ(ImageMemoryEstimate(Stack()), expected);
  EXPECT_GT(expected, 0xFFFFFFFFull);
}

TEST_F(ImageCommandsTest, LayerMenuNamesAreCutPast30Characters) {
  EXPECT_EQ(LayerMenuText(std::string(30, 'a')), std::string(30, 'a'));
  EXPECT_EQ(LayerMenuText(std::string(31, 'b')), std::string(27, 'b') + "...");
  EXPECT_EQ(LayerMenuText(""), "");
  // Characters, not bytes: 30 Greek letters stay, 31 keep 27.
  std::string greek;
  for (int i = 0; i < 31; ++i) greek += "\xCE\xB1";
  EXPECT_EQ(LayerMenuText(greek.substr(0, 60)), greek.substr(0, 60));
  EXPECT_EQ(LayerMenuText(greek), greek.substr(0, 54) + "...");
}

TEST_F(ImageCommandsTest, LayersAtAPointTopFirstSkippingHiddenAndMaskedOut) {
  auto Ids = [&](int x, int y) {
    std::vector<int> ids;
    for (const LayerMenuItem& item : LayersAtPoint(Stack(), x, y)) ids.push_back(item.id);
    return ids;
  };
  EXPECT_EQ(Ids(30, 30), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(LayersAtPoint(Stack(), 30, 30)[0].text, "Top");
  EXPECT_EQ(Ids(15, 15), (std::vector<int>{2, 1}));
  EXPECT_EQ(Ids(95, 75), (std::vector<int>{1}));
  EXPECT_TRUE(Ids(100, 80).empty());  // right and bottom edges are outside
  // A mask of 0 at the point leaves the layer out; so does hiding it.
  VrWA2000::WA* mask = Stack().GetLayer(1)->PeekMask();
  mask->Row(15 - 10)[15 - 10] = 0;
  EXPECT_EQ(Ids(15, 15), (std::vector<int>{1}));
  EXPECT_EQ(Ids(16, 15), (std::vector<int>{2, 1}));
  Stack().GetLayer(2)->SetFlags(Stack().GetLayer(2)->GetFlags() | kLayerHidden);
  EXPECT_EQ(Ids(30, 30), (std::vector<int>{2, 1}));
}

TEST_F(ImageCommandsTest, CropSelectionRectangleIsWhatTheSelectionCovers) {
  auto Same = [](const RECT& a, const RECT& b) { return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom; };
  EXPECT_TRUE(Same(SelectionCropRect(nullptr, 100, 80), RECT{0, 0, 0, 0}));
  const LURECT inside{10, 5, 30, 20};
  Fragment* rect = CreateRectFrg(&inside, 0);
  EXPECT_TRUE(Same(SelectionCropRect(rect, 100, 80), RECT{10, 5, 40, 25}));
  DeleteFragment(rect);
  const LURECT across{90, 70, 50, 50};  // reaches past the image
  Fragment* corner = CreateRectFrg(&across, 0);
  EXPECT_TRUE(Same(SelectionCropRect(corner, 100, 80), RECT{90, 70, 100, 80}));
  DeleteFragment(corner);
  const LURECT outside{200, 200, 10, 10};
  Fragment* away = CreateRectFrg(&outside, 0);
  EXPECT_TRUE(Same(SelectionCropRect(away, 100, 80), RECT{0, 0, 0, 0}));
  // Inverted, a small rect selects everything around it.
  Fragment* inverted = CreateRectFrg(&inside, 1);
  EXPECT_TRUE(Same(SelectionCropRect(inverted, 100, 80), RECT{0, 0, 100, 80}));
  DeleteFragment(inverted);
  DeleteFragment(away);
  const LURECT bounds{20, 10, 40, 30};
  Fragment* ellipse = CreateEllipticFrg(&bounds, 0);
  const RECT round = SelectionCropRect(ellipse, 100, 80);
  EXPECT_GE(round.left, 20);
  EXPECT_LE(round.right, 60);
  EXPECT_GT(round.right - round.left, 36);
  DeleteFragment(ellipse);
}

TEST_F(ImageCommandsTest, CropIsOneUndoStepAndDropsTheSelection) {
  const LURECT area{20, 20, 10, 10};
  Fragment* rect = CreateRectFrg(&area, 0);
  doc.SetSelection(rect, true);
  DeleteFragment(rect);
  const int steps = doc.History().UndoCount();
  ASSERT_TRUE(doc.CropImage(RECT{15, 12, 65, 52}));
  EXPECT_EQ(Stack().GetWidth(), 50);
  EXPECT_EQ(Stack().GetHeight(), 40);
  // A layer reaching past the rect takes the rect, its pixels moved by the
  // rect's corner and what it lacked transparent.
  const CLayer& top = *Stack().GetLayer(2);
  EXPECT_EQ(top.GetRect().right, 50);
  EXPECT_EQ(top.PeekImage()->Row(20 - 12)[3 * (20 - 15)], 200);
  EXPECT_EQ(top.PeekMask()->Row(20 - 12)[20 - 15], 255);
  EXPECT_EQ(top.PeekMask()->Row(20 - 12)[20 - 15 - 1], 0);
  EXPECT_EQ(doc.History().UndoCount(), steps + 1);
  EXPECT_EQ(doc.HistoryState().name, "Crop image");
  EXPECT_EQ(doc.GetSelection(), nullptr);
  EXPECT_TRUE(doc.IsModified());
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(Stack().GetWidth(), 100);
  EXPECT_EQ(Stack().GetLayer(1)->GetRect().left, 10);
  EXPECT_NE(doc.GetSelection(), nullptr);
  // The whole image, or a rect of nothing, crops nothing and leaves no step.
  EXPECT_FALSE(doc.CropImage(RECT{0, 0, 100, 80}));
  EXPECT_FALSE(doc.CropImage(RECT{5, 5, 5, 9}));
  EXPECT_EQ(doc.History().UndoCount(), steps);
  EXPECT_EQ(doc.History().RedoCount(), 1);
}

TEST_F(ImageCommandsTest, ConvertingToGreyConvertsEveryLayerAndTheStack) {
  VrWA2000::WA* top = Stack().GetLayer(2)->PeekImage();
  top->Row(0)[0] = 0;    // blue
  top->Row(0)[1] = 0;    // green
  top->Row(0)[2] = 255;  // red
  ASSERT_TRUE(ConvertImageType(doc, kWAType8Grey));
  EXPECT_EQ(Stack().GetImageType(), kWAType8Grey);
  for (int i = 0; i < Stack().GetLayerCount(); ++i) {
    EXPECT_EQ(Stack().GetLayer(i)->PeekImage()->GetType(), kWAType8Grey);
    EXPECT_EQ(Stack().GetLayer(i)->GetImageType(), kWAType8Grey);
  }
  EXPECT_EQ(Stack().GetLayer(2)->PeekImage()->Row(0)[0], 30 * 255 / 100);
  EXPECT_EQ(Stack().GetLayer(2)->PeekImage()->Row(1)[0], 200);
  ASSERT_TRUE(ConvertImageType(doc, kWAType24));
  EXPECT_EQ(Stack().GetLayer(1)->PeekImage()->Row(0)[2], 100);
  EXPECT_FALSE(ConvertImageType(doc, kWAType1Bit));
}

}  // namespace
}  // namespace lumora
