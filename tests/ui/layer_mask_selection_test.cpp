// Selections made of a layer's mask for the palette's mask commands: the
// level (0 counts as 1), the smallest rectangle, soft and hard values, a
// layer without a mask, refusals; and the combination with a selection.
#include <gtest/gtest.h>

#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "ui/LayerMaskSelection.h"

namespace lumora {
namespace {

// A 10 x 8 layer at (5, 4) whose mask rises along x: 25 x.
CLayerPtr MaskedLayer() {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 10, 8, nullptr));
  WAPtr mask = WAPtr::Adopt(NewWA(kWAType8Grey, 10, 8, nullptr));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) mask->Row(y)[x] = static_cast<std::uint8_t>(25 * x);
  return CLayerPtr::Adopt(new CLayer(image.get(), POINT{5, 4}, 1, mask.get(), 0));
}

RECT Bounds(const Fragment* f) {
  LURECT lu{};
  EXPECT_NE(GetFragmentBoundRect(f, &lu), 0);
  RECT r{};
  LURectToRect(&r, &lu);
  return r;
}

TEST(LayerMaskSelection, MaskPixelsAtTheLevelOverTheirRectangleSoftOrHard) {
  CLayerPtr layer = MaskedLayer();
  ASSERT_NE(layer->HasMask(), 0);
  for (const bool hard : {false, true}) {
    Fragment* f = MakeSelectionMask(layer.get(), 100, hard);
    ASSERT_NE(f, nullptr);
    // Columns 4..9 reach 100 (25 x >= 100).
    EXPECT_TRUE(RectsEqual(Bounds(f), RECT{9, 4, 15, 12})) << hard;
    WAPtr buffer = WAPtr::Adopt(GetMaskWA(f));
    ASSERT_TRUE(buffer);
    ASSERT_EQ(buffer->GetW(), 6);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(buffer->Row(0)[x], hard ? 255 : 25 * (x + 4)) << x;
    DeleteFragment(f);
  }
  // Level 0 counts as 1: column 0 (mask 0) stays out.
  Fragment* f = MakeSelectionMask(layer.get(), 0, false);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(RectsEqual(Bounds(f), RECT{6, 4, 15, 12}));
  DeleteFragment(f);
  EXPECT_EQ(MakeSelectionMask(layer.get(), 240, false), nullptr) << "no mask pixel reaches 240";
  EXPECT_EQ(MakeSelectionMask(nullptr, 1, false), nullptr);
  EXPECT_EQ(SelectionLevelOfPercent(50), 127);
  EXPECT_EQ(SelectionLevelOfPercent(100), 255);
  EXPECT_EQ(SelectionLevelOfPercent(-3), 0);
}

TEST(LayerMaskSelection, ALayerWithoutAMaskGivesItsRectangle) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 7, 3, nullptr));
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{2, 1}, 0, nullptr, 0));
  Fragment* f = MakeSelectionMask(layer.get(), 128, true);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(RectsEqual(Bounds(f), RECT{2, 1, 9, 4}));
  DeleteFragment(f);
}

TEST(LayerMaskSelection, CombinationPutsTheSelectionFirstThenTheMaskWithItsCode) {
  const LURECT a{0, 0, 4, 4}, b{2, 2, 4, 4};
  Fragment* selection = CreateRectFrg(&a, 0);
  Fragment* mask = CreateRectFrg(&b, 0);
  Fragment* alone = CombineSelection(nullptr, mask, 2);
  ASSERT_NE(alone, nullptr);
  EXPECT_TRUE(RectsEqual(Bounds(alone), RECT{2, 2, 6, 6})) << "without a selection, the mask itself";
  for (const int mode : {14, 2, 8}) {
    Fragment* c = CombineSelection(selection, mask, mode);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(GetFragmentType(c), kFrgComplex);
    ASSERT_EQ(GetComplexFrgItemNum(c), 2);
    FRGITEM item{};
    ASSERT_NE(GetComplexFrgItem(c, 1, &item), 0);
    EXPECT_EQ(item.mode, mode);
    DeleteFragment(item.fragment);
    const POINT inBoth{3, 3}, onlyFirst{0, 0};
    EXPECT_EQ(PointInFragment(c, &inBoth) & 1, mode == 2 ? 0 : 1) << mode;
    EXPECT_EQ(PointInFragment(c, &onlyFirst) & 1, mode == 8 ? 0 : 1) << mode;
    DeleteFragment(c);
  }
  EXPECT_EQ(CombineSelection(selection, nullptr, 14), nullptr);
  DeleteFragment(alone);
  DeleteFragment(mask);
  DeleteFragment(selection);
}

// Aligning a selection to a layer: an empty one gives the layer's soft
// mask selection; any other is cut to the layer's hard mask and cropped to
// what stays selected.
TEST(LayerMaskSelection, CopyFragmentAreaAlignsTheSelectionToTheLayersMask) {
  CLayerPtr layer = MaskedLayer();
  const LURECT left{0, 0, 12, 20};
  Fragment* rect = CreateRectFrg(&left, 0);
  Fragment* aligned = CopyFragmentArea(layer.get(), rect, 100);
  ASSERT_NE(aligned, nullptr);
  EXPECT_EQ(GetFragmentType(aligned), kFrgMask);
  // Mask columns 4..9 (image 9..14) reach 100; the rectangle ends at 12.
  EXPECT_TRUE(RectsEqual(Bounds(aligned), RECT{9, 4, 12, 12}));
  WAPtr pixels = WAPtr::Adopt(GetMaskWA(aligned));
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->GetW(), 3);
  EXPECT_EQ(pixels->GetH(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(pixels->Row(y)[x], 255) << x << "," << y;
  DeleteFragment(aligned);
  DeleteFragment(rect);

  Fragment* empty = CreateEmptyFrg(0);
  Fragment* soft = CopyFragmentArea(layer.get(), empty, 100);
  ASSERT_NE(soft, nullptr);
  EXPECT_TRUE(RectsEqual(Bounds(soft), RECT{9, 4, 15, 12}));
  WAPtr softPixels = WAPtr::Adopt(GetMaskWA(soft));
  ASSERT_TRUE(softPixels);
  EXPECT_EQ(softPixels->Row(0)[0], 100) << "the soft mask keeps its values";
  DeleteFragment(soft);
  EXPECT_EQ(CopyFragmentArea(nullptr, empty, 100), nullptr);
  EXPECT_EQ(CopyFragmentArea(layer.get(), nullptr, 100), nullptr);
  DeleteFragment(empty);
}

}  // namespace
}  // namespace lumora
