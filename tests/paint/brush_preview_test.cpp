// The brush sheet's preview: the spectrum's corners and the two strokes'
// dab cadence.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "paint/BrushPreview.h"
#include "paint/BrushRandom.h"

namespace {


TEST(BrushPreview, SpectrumRunsHueDownSaturationThenValueAcross) {
  const int w = 140, h = 96;
  const std::vector<std::uint8_t> s = paint::SpectrumImage(w, h);
  ASSERT_EQ(s.size(), static_cast<std::size_t>(w * h * 3));
  auto at = [&](int x, int y) { return std::vector<int>{s[(y * w + x) * 3 + 2], s[(y * w + x) * 3 + 1], s[(y * w + x) * 3]}; };
  EXPECT_EQ(at(0, 0), (std::vector<int>{255, 255, 255})) << "no saturation at full value: white";
  EXPECT_EQ(at(w / 2, 0)[0], 255) << "hue 0 at full saturation and value: red";
  EXPECT_EQ(at(w / 2, 0)[2], 0);
  EXPECT_EQ(at(w - 1, 0)[0], 255 - (w - 1 - w / 2) * 255 / (w - w / 2));
  const std::vector<int> lower = at(w / 2, h / 2);  // hue 768: cyan
  EXPECT_LE(lower[0], 1);
  EXPECT_EQ(lower[2], 255);
}

TEST(BrushPreview, StrokesLayADabAtEveryTenthOfTheDabDownTheCurves) {
  const int w = 140, h = 96;
  const std::vector<std::uint8_t> background = paint::SpectrumImage(w, h);
  for (int width : {5, 40}) {
    SeededBrushRandom random(1);
    paint::CPaintBrush brush(paint::kCmdPaintBrush, width, random);
    brush.SetWidth(width, 0, 0);
    const std::vector<std::uint8_t> preview = paint::RenderBrushPreview(brush, background, w, h, 0x000000, 0xFFFFFF);
    ASSERT_EQ(preview.size(), background.size());
    // Black dabs: every changed pixel went towards black, rows between the
    // curves' ends were reached.
    std::set<int> rows;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 3;
        if (preview[i] == background[i] && preview[i + 1] == background[i + 1] && preview[i + 2] == background[i + 2]) continue;
        EXPECT_LE(preview[i + 2], background[i + 2]);
        rows.insert(y);
      }
    }
    EXPECT_GT(rows.size(), static_cast<std::size_t>(h / 2)) << width;
    EXPECT_TRUE(rows.count(h - width / 2 - 1) || rows.count(h - width / 2 - 2) || rows.count(h - 1)) << width;
  }
}

}  // namespace
