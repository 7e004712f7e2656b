// The history dialog's session on a real document: previews of listed
// states, Cancel back to the opening state byte for byte, OK as a jump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/ImageDocument.h"
#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "tests/document/null_host.h"

namespace lumora {
namespace {

class HistorySession : public ::testing::Test {
 protected:
  void SetUp() override {
    CreationRecord record{2, 40, 30, 0x00480048u, 0xFFFFFFu};
    ASSERT_EQ(doc.NewImage(record), 1);
    // Three pixel steps, the second one a canvas change, then a selection.
    Step("One", 10);
    ASSERT_TRUE(doc.BackupImageByName("Canvas"));
    ASSERT_EQ(doc.GetLayers()->ResizeCanvas(RECT{0, 0, 50, 30}), 0);
    doc.Queue().SetImageSize(50, 30);
    Step("Three", 30);
    const LURECT r{1, 1, 5, 5};
    Fragment* rect = CreateRectFrg(&r, 0);
    doc.SetSelection(rect, true);
    DeleteFragment(rect);
  }
  void TearDown() override { doc.Queue().StopThread(); }

  void Step(const char* name, std::uint8_t value) {
    ASSERT_TRUE(doc.BackupImageByName(name));
    WAPtr image = doc.GetActiveImage();
    image->Row(0)[0] = value;
    doc.InvalidateImageRect(nullptr, false, false);
  }
  std::uint8_t Pixel() { return doc.GetActiveImage()->Row(0)[0]; }
  int Width() { return doc.GetLayers()->GetWidth(); }

  testing::NullDocumentHost host;
  ImageDocument doc{&host};
};

TEST_F(HistorySession, PreviewsThenCancelRestoresTheOpeningState) {
  std::vector<std::string> names;
  const int current = doc.BeginHistory(&names);
  const std::vector<std::string> expected = {"Initial image", "One", "Canvas", "Three", "Set Selection"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(current, 4);
  EXPECT_EQ(doc.BeginHistory(&names), -1);  // one session at a time
  ASSERT_TRUE(doc.ShowHistoryState(1));
  EXPECT_EQ(Pixel(), 10);
  EXPECT_EQ(Width(), 40);
  EXPECT_EQ(doc.GetSelection(), nullptr);
  ASSERT_TRUE(doc.ShowHistoryState(0));
  EXPECT_EQ(Pixel(), 255);
  ASSERT_TRUE(doc.ShowHistoryState(3));
  EXPECT_EQ(Pixel(), 30);
  EXPECT_EQ(Width(), 50);
  EXPECT_FALSE(doc.ShowHistoryState(9));
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(doc.EndHistory(false, 0));
  EXPECT_FALSE(doc.InHistory());
  EXPECT_EQ(Pixel(), 30);
  EXPECT_EQ(Width(), 50);
  ASSERT_NE(doc.GetSelection(), nullptr);
  EXPECT_EQ(doc.HistoryState().name, "Set Selection");
  EXPECT_EQ(doc.History().UndoCount(), 4);
  EXPECT_EQ(doc.History().RedoCount(), 0);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(HistorySession, OkJumpsToTheChosenStateAndKeepsTheRest) {
  std::vector<std::string> names;
  ASSERT_EQ(doc.BeginHistory(&names), 4);
  ASSERT_TRUE(doc.ShowHistoryState(1));
  ASSERT_TRUE(doc.EndHistory(true, 1));
  EXPECT_EQ(Pixel(), 10);
  EXPECT_EQ(Width(), 40);
  EXPECT_EQ(doc.HistoryState().name, "One");
  EXPECT_EQ(doc.History().UndoCount(), 1);
  EXPECT_EQ(doc.History().RedoCount(), 3);
  EXPECT_EQ(doc.GetSelection(), nullptr);
  EXPECT_TRUE(doc.IsModified());
  // The states ahead are still there: redo walks them back.
  ASSERT_TRUE(doc.UndoRedo(true));
  EXPECT_EQ(Width(), 50);
  ASSERT_TRUE(doc.UndoRedo(true));
  EXPECT_EQ(Pixel(), 30);
  ASSERT_TRUE(doc.UndoRedo(true));
  EXPECT_NE(doc.GetSelection(), nullptr);
  // Choosing the current state and OK changes nothing.
  ASSERT_EQ(doc.BeginHistory(&names), 4);
  EXPECT_FALSE(doc.EndHistory(true, 4));
  EXPECT_EQ(doc.History().UndoCount(), 4);
  EXPECT_EQ(Pixel(), 30);
}

TEST_F(HistorySession, APixelStepAfterTheSessionLeavesTheHistoryIntact) {
  std::vector<std::string> names;
  ASSERT_EQ(doc.BeginHistory(&names), 4);
  ASSERT_TRUE(doc.ShowHistoryState(0));
  doc.EndHistory(false, 0);
  // The buffers the session shared are detached before a step writes them.
  Step("Four", 40);
  const struct {
    std::uint8_t pixel;
    int width;
  } back[] = {{30, 50}, {30, 50}, {10, 50}, {10, 40}, {255, 40}};
  for (const auto& state : back) {
    ASSERT_TRUE(doc.UndoRedo(false));
    EXPECT_EQ(Pixel(), state.pixel);
    EXPECT_EQ(Width(), state.width);
  }
}

}  // namespace
}  // namespace lumora
