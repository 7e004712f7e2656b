// The commands a running tracker leaves available, and what new documents
// made from a layer or from another document hold.
#include "document/DocumentServices.h"

#include <gtest/gtest.h>

#include <random>

#include "document/DocumentFiles.h"
#include "tests/document/null_host.h"
#include "tests/support/random_buffers.h"

namespace lumora {
namespace {

using lumora::testing::NullDocumentHost;
using lumora::testing::RandomBuffer;
using lumora::testing::SamePixels;

TEST(CommandFilterTest, OnlyTheListedCommandsStayAvailableWhileTracking) {
  struct Case {
    std::uint32_t id;
    bool allowed;
  };
  const Case cases[] = {
      {32924, false}, {32925, true},  {32929, true},  {32930, false}, {32933, true},
      {32934, true},  {32935, false}, {32977, true},  {32978, false}, {33092, false},
      {33093, true},  {33097, true},  {33098, false}, {33123, true},  {57600, false},
      {57601, false}, {57602, true},  {57643, false}, {57670, true},  {59392, false},
      {59393, true},  {0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsCommandAllowedWhileTracking(c.id, true), c.allowed) << c.id;
    EXPECT_TRUE(IsCommandAllowedWhileTracking(c.id, false)) << c.id;
    // Only an enabled command is filtered; a greyed one stays greyed.
    EXPECT_EQ(FilterCommandEnable(c.id, true, true), c.allowed) << c.id;
    EXPECT_TRUE(FilterCommandEnable(c.id, true, false)) << c.id;
    EXPECT_FALSE(FilterCommandEnable(c.id, false, false)) << c.id;
    EXPECT_FALSE(FilterCommandEnable(c.id, false, true)) << c.id;
  }
}

TEST(CommandFilterTest, TheApplicationFlagDrivesTheOneArgumentForms) {
  SetTrackerRunning(true);
  EXPECT_FALSE(IsCommandAllowedWhileTracking(57600));
  EXPECT_FALSE(FilterCommandEnable(57600, true));
  EXPECT_TRUE(FilterCommandEnable(57602, true));
  SetTrackerRunning(false);
  EXPECT_TRUE(IsCommandAllowedWhileTracking(57600));
  EXPECT_TRUE(FilterCommandEnable(57600, true));
}

// A white 60 x 40 image with two random layers on it, the top one hidden.
class NewDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(source.NewImage({2, 60, 40, 0x00480048u, 0xFFFFFFu}), 1);
    std::mt19937 rng(17);
    WAPtr middle = RandomBuffer(kWAType24, 30, 20, rng);
    WAPtr top = RandomBuffer(kWAType24, 10, 10, rng);
    ASSERT_EQ(source.GetLayers()->AddLayerFromImage(middle.get(), POINT{12, 8}, 1), 0);
    ASSERT_EQ(source.GetLayers()->AddLayerFromImage(top.get(), POINT{0, 0}, 0), 0);
    source.GetLayers()->GetLayer(2)->SetVisible(0);
  }
  NullDocumentHost host;
  ImageDocument source{&host};
};

TEST_F(NewDocumentTest, ACopyKeepsEveryLayerAndLeavesTheSourceAlone) {
  DocumentCopy copy = CopyDocumentStack(source, false);
  ASSERT_TRUE(copy.stack);
  EXPECT_FALSE(copy.mergeFailed);
  ASSERT_EQ(copy.stack->GetLayerCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(copy.stack->GetLayer(i), source.GetLayers()->GetLayer(i));
    EXPECT_EQ(copy.stack->GetLayer(i)->GetName(), source.GetLayers()->GetLayer(i)->GetName());
    EXPECT_TRUE(SamePixels(copy.stack->GetLayer(i)->PeekImage(), source.GetLayers()->GetLayer(i)->PeekImage()));
  }
  // The new document takes the copy; the source keeps its own stack.
  ImageDocument duplicate(&host);
  ASSERT_EQ(duplicate.NewImage(StackCreationRecord(copy.stack.get())), 1);
  EXPECT_EQ(duplicate.GetLayers(), copy.stack.get());
  EXPECT_EQ(source.GetLayers()->GetLayerCount(), 3);
}

TEST_F(NewDocumentTest, AMergedCopyIsOneLayerOfTheVisibleImage) {
  // The background is opaque white, so the visible image is the merge on white.
  WAPtr composite = GetFlattenedImage(source);
  ASSERT_TRUE(composite);
  DocumentCopy copy = CopyDocumentStack(source, true);
  ASSERT_TRUE(copy.stack);
  EXPECT_FALSE(copy.mergeFailed);
  ASSERT_EQ(copy.stack->GetLayerCount(), 1);
  ImageDocument duplicate(&host);
  ASSERT_EQ(duplicate.NewImage(StackCreationRecord(copy.stack.get())), 1);
  EXPECT_TRUE(SamePixels(GetFlattenedImage(duplicate).get(), composite.get()));
  // Merging the copy leaves the source's layers and pixels as they were.
  EXPECT_EQ(source.GetLayers()->GetLayerCount(), 3);
  EXPECT_TRUE(SamePixels(GetFlattenedImage(source).get(), composite.get()));
}

TEST_F(NewDocumentTest, ADocumentWithoutImageGivesNoCopy) {
  ImageDocument empty(&host);
  EXPECT_FALSE(CopyDocumentStack(empty, true).stack);
}

TEST_F(NewDocumentTest, ALayerBecomesADocumentOfItsOwnSizeAtTheOrigin) {
  CLayer* layer = source.GetLayers()->DuplicateLayer(source.GetLayers()->GetLayer(1));
  ASSERT_NE(layer, nullptr);
  ImageDocument fromLayer(&host);
  ASSERT_EQ(fromLayer.NewImage(LayerCreationRecord(layer)), 1);
  layer->Release();
  CLayersManager* stack = fromLayer.GetLayers();
  ASSERT_EQ(stack->GetLayerCount(), 1);
  EXPECT_EQ(stack->GetWidth(), 30);
  EXPECT_EQ(stack->GetHeight(), 20);
  EXPECT_EQ(stack->GetLayer(0)->GetRect().left, 0);
  EXPECT_EQ(stack->GetLayer(0)->GetRect().top, 0);
  EXPECT_TRUE(SamePixels(stack->GetLayer(0)->PeekImage(), source.GetLayers()->GetLayer(1)->PeekImage()));
}

TEST_F(NewDocumentTest, AnImageRecordCarriesItsTitle) {
  WAPtr image = GetFlattenedImage(source);
  ImageDocument fromImage(&host);
  ASSERT_EQ(fromImage.NewImage(ImageCreationRecord(image.get(), "Scan 3")), 1);
  EXPECT_EQ(fromImage.GetNewImageTitle(), "Scan 3");
  ImageDocument none(&host);
  EXPECT_EQ(none.NewImage(ImageCreationRecord(nullptr, "x")), 0);
}

}  // namespace
}  // namespace lumora
