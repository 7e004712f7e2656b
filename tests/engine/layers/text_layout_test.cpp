// The layout of a text layer fed by a device of known glyphs: glyph boxes
// of turned glyphs, line placement and alignment, the reductions, the
// rendering into image and mask, the rect's move, the document lock and
// the failures that must leave the layer as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerText.h"
#include "platform/rect.h"

namespace lumora {
namespace {

// Every glyph is 4 wide, 10 high with a descent of 2 (times the factor);
// drawing inks its cell (x .. x + 4f, baseline - 8f .. baseline + 2f), a
// blank inks nothing.
class BoxDevice : public TextDevice {
 public:
  GlyphExtent MeasureGlyph(const CCharFormat&, int factor, int) override {
    return GlyphExtent{4 * factor, 10 * factor, 2 * factor};
  }
  bool BeginPicture(int width, int height) override {
    if (refusePicture) return false;
    width_ = width;
    height_ = height;
    picture_.assign(static_cast<std::size_t>(width) * height, 255);
    return true;
  }
  void DrawGlyph(const CCharFormat& format, int factor, int, int x, int y) override {
    draws.push_back(POINT{x, y});
    if (format.character == ' ') return;
    for (int row = y - 8 * factor; row < y + 2 * factor; ++row) {
      for (int col = x; col < x + 4 * factor; ++col) {
        if (row >= 0 && row < height_ && col >= 0 && col < width_) picture_[row * width_ + col] = 0;
      }
    }
  }
  const std::uint8_t* PictureRow(int y) override { return picture_.data() + y * width_; }

  bool refusePicture = false;
  std::vector<POINT> draws;

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> picture_;
};

// Counts the lock's use, which must be balanced.
class CountingLock : public DocumentLock {
 public:
  void Lock() override { ++locks, ++depth; }
  void Unlock() override { --depth; }
  int locks = 0, depth = 0;
};

std::vector<CCharFormat> Text(const std::string& s) {
  std::vector<CCharFormat> out;
  for (char c : s) {
    CCharFormat f;
    f.character = static_cast<std::uint8_t>(c);
    f.size = 120;
    f.face = "Arial";
    out.push_back(f);
  }
  return out;
}

CLayerPtr TextLayer(const std::string& s, int alignment = 0, int vertical = 0, int antiAlias = 0) {
  CLayerPtr layer = CLayerPtr::Adopt(new CLayerText(kWAType24));
  auto* text = static_cast<CLayerText*>(layer.get());
  text->SetCharFormats(Text(s));
  text->SetTextAttributes(vertical, RGB(200, 100, 50), alignment, 0, 0, 0, antiAlias);
  return layer;
}

TEST(TextGlyphBox, TurnedAboutTheBottomLeftCorner) {
  const GlyphBox plain = GlyphBoxFromExtent(GlyphExtent{10, 20, 4}, 0);
  EXPECT_TRUE(RectsEqual(plain.box, RECT{0, 0, 10, 20}));
  EXPECT_EQ(plain.descent.y, 4);
  // 90 degrees: cos truncates to 0 and sin to 65535.
  const GlyphBox turned = GlyphBoxFromExtent(GlyphExtent{10, 20, 4}, 90);
  EXPECT_TRUE(RectsEqual(turned.box, RECT{0, 0, 19, 9}));
  EXPECT_EQ(turned.descent.x, 3);
  EXPECT_EQ(turned.descent.y, 0);
  EXPECT_EQ(turned.dx, 0);
  EXPECT_EQ(turned.dy, -9);
}

TEST(TextReduction, TwoAndThreeTimesTheSize) {
  // One ink pixel in the centre of a 3 x 3 block, one in a corner of a
  // 2 x 2 block.
  const std::vector<std::uint8_t> three = {255, 255, 255, 255, 0, 255, 255, 255, 255};
  std::uint8_t out[4] = {};
  ReduceCoverage(3, 3, 3, [&](int y) { return three.data() + 3 * y; }, out, 4);
  EXPECT_EQ(out[0], (4 * 4 * 255 + 4 * 255 + 18) / 36);
  const std::vector<std::uint8_t> two = {0, 255, 255, 255};
  ReduceCoverage(2, 2, 2, [&](int y) { return two.data() + 2 * y; }, out, 4);
  EXPECT_EQ(out[0], (3 * 255 + 2) >> 2);
}

TEST(TextLayout, LinesStackDownwardsAndRenderIntoImageAndMask) {
  CLayerPtr layer = TextLayer("AB\rC");
  auto* text = static_cast<CLayerText*>(layer.get());
  BoxDevice device;
  CountingLock lock;
  ASSERT_EQ(text->LayoutText(0, device, &lock), 0);
  EXPECT_GE(lock.locks, 1);
  EXPECT_EQ(lock.depth, 0);
  // Lines 12 high (10 + descent 2); baselines at 10 and 22.
  EXPECT_EQ(text->GetLayoutWidth(), 8);
  EXPECT_EQ(text->GetLayoutHeight(), 24);
  ASSERT_EQ(device.draws.size(), 3u);
  EXPECT_EQ(device.draws[0].x, 0);
  EXPECT_EQ(device.draws[0].y, 10);
  EXPECT_EQ(device.draws[1].x, 4);
  EXPECT_EQ(device.draws[2].y, 22);
  // The rect keeps its lower edge (the new layer's 0) and grows upward.
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{0, 0, 8, 24}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), layer->GetRect()));
  const VrWA2000::WA* image = layer->PeekImage();
  const VrWA2000::WA* mask = layer->PeekMask();
  ASSERT_TRUE(image != nullptr && mask != nullptr && layer->HasMask());
  ASSERT_EQ(image->GetW(), 8);
  ASSERT_EQ(mask->GetH(), 24);
  EXPECT_EQ(image->Row(5)[0], 50);  // blue, green, red
  EXPECT_EQ(image->Row(5)[2], 200);
  EXPECT_EQ(image->Row(0)[23], 200);  // the colour everywhere, ink or not
  // Rows count upward: ink of line 0 in rows 21..12, of "C" in rows 9..0,
  // columns 0..3.
  const int opaque[][3] = {{22, 0, 0}, {21, 0, 255}, {12, 7, 255}, {11, 0, 0},
                           {9, 3, 255}, {9, 4, 0}, {0, 0, 255}};
  for (const auto& [y, x, value] : opaque) EXPECT_EQ(mask->Row(y)[x], value) << x << "," << y;
  EXPECT_TRUE(layer->IsVisible());
}

TEST(TextLayout, AlignmentPlacesEachLineInTheTextBox) {
  const int expected[][2] = {{0, 0}, {1, 2}, {2, 4}, {7, 0}};
  for (const auto& [alignment, x] : expected) {
    CLayerPtr layer = TextLayer("AB\rC", alignment);
    BoxDevice device;
    ASSERT_EQ(static_cast<CLayerText*>(layer.get())->LayoutText(0, device, nullptr), 0);
    EXPECT_EQ(device.draws[2].x, x) << alignment;
  }
}

TEST(TextLayout, VerticalColumnsRunRightToLeft) {
  CLayerPtr layer = TextLayer("AB\rC", 0, 1);
  BoxDevice device;
  auto* text = static_cast<CLayerText*>(layer.get());
  ASSERT_EQ(text->LayoutText(0, device, nullptr), 0);
  // Columns 4 wide (descent x is 0), 20 and 10 high: the box spans x -4..4.
  EXPECT_EQ(text->GetLayoutWidth(), 8);
  EXPECT_EQ(text->GetLayoutHeight(), 22);
  EXPECT_EQ(device.draws[0].x, 4);   // first column on the right
  EXPECT_EQ(device.draws[0].y, 10);  // baseline at the glyph box's bottom
  EXPECT_EQ(device.draws[1].y, 20);
  EXPECT_EQ(device.draws[2].x, 0);
  // The box reaches 4 left of the origin: the rect moves left by 4 / 1.
  EXPECT_EQ(layer->GetRect().left, -4);
}

TEST(TextLayout, AntiAliasedLayoutIsReducedByThree) {
  CLayerPtr layer = TextLayer("A", 0, 0, 1);
  auto* text = static_cast<CLayerText*>(layer.get());
  BoxDevice device;
  ASSERT_EQ(text->LayoutText(1, device, nullptr), 0);
  EXPECT_EQ(text->GetLayoutFactor(), 3);
  EXPECT_EQ(text->GetLayoutWidth(), 12);
  EXPECT_EQ(text->GetLayoutHeight(), 36);
  EXPECT_EQ(layer->PeekImage()->GetW(), 4);
  EXPECT_EQ(layer->PeekMask()->GetH(), 12);
  // Whole blocks of ink or of nothing reduce to themselves (rows count
  // upward: the second row from the top is empty, the sixth inked).
  EXPECT_EQ(layer->PeekMask()->Row(10)[0], 0);
  EXPECT_EQ(layer->PeekMask()->Row(6)[2], 255);
}

TEST(TextLayout, ARepeatedLayoutReusesBuffersAndKeepsThePlace) {
  CLayerPtr layer = TextLayer("AB");
  auto* text = static_cast<CLayerText*>(layer.get());
  BoxDevice device;
  ASSERT_EQ(text->LayoutText(0, device, nullptr), 0);
  const RECT first = layer->GetRect();
  const VrWA2000::WA* image = layer->PeekImage();
  ASSERT_EQ(text->LayoutText(0, device, nullptr), 0);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), first));
  EXPECT_EQ(layer->PeekImage(), image);
}

TEST(TextLayout, FailuresLeaveTheLayerAsItWas) {
  CLayerPtr layer = TextLayer("AB");
  auto* text = static_cast<CLayerText*>(layer.get());
  BoxDevice device;
  ASSERT_EQ(text->LayoutText(0, device, nullptr), 0);
  text->SetCharFormats(Text("ABCD"));
  const RECT rect = layer->GetRect();
  const VrWA2000::WA* image = layer->PeekImage();
  const VrWA2000::WA* mask = layer->PeekMask();
  CountingLock lock;
  device.refusePicture = true;
  EXPECT_EQ(text->LayoutText(0, device, &lock), kLayerNullBuffer);
  device.refusePicture = false;
  // No memory for the new image.
  VrWA2000::WA::MM_SetMemoryLimits(VrWA2000::WA::MM_BytesInUse() + 16);
  EXPECT_EQ(text->LayoutText(0, device, &lock), kLayerNullBuffer);
  VrWA2000::WA::MM_SetMemoryLimits(0);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), rect));
  EXPECT_EQ(layer->PeekImage(), image);
  EXPECT_EQ(layer->PeekMask(), mask);
  // Text wider than the widest image.
  text->SetCharFormats(Text(std::string(kMaxImageSide / 4 + 1, 'A')));
  EXPECT_EQ(text->LayoutText(0, device, &lock), kLayerNullBuffer);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), rect));
  EXPECT_EQ(layer->PeekImage(), image);
  EXPECT_EQ(layer->PeekMask(), mask);
  EXPECT_EQ(text->GetFinalWidth(), 8);
  EXPECT_EQ(lock.locks, 0);
}

TEST(TextLayout, EmptyTextRendersNothingAndWithoutCoverageTheResultIsOne) {
  CLayerPtr layer = TextLayer("");
  auto* text = static_cast<CLayerText*>(layer.get());
  BoxDevice device;
  const VrWA2000::WA* image = layer->PeekImage();
  EXPECT_EQ(text->LayoutText(0, device, nullptr), 0);
  EXPECT_EQ(layer->PeekImage(), image);
  EXPECT_TRUE(device.draws.empty());
  // A copy keeps the layout's size but not its picture.
  CLayerPtr laid = TextLayer("A");
  ASSERT_EQ(static_cast<CLayerText*>(laid.get())->LayoutText(0, device, nullptr), 0);
  CLayerText copy(*static_cast<CLayerText*>(laid.get()));
  EXPECT_EQ(copy.RenderIntoLayer(kWAType24, 0, 0, nullptr), 1);
}

}  // namespace
}  // namespace lumora
