// Edge thumbnails: the template's coverage towards the edge colour, the
// shadow read towards the light, and the template reader's checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dialogs/EdgeThumbnail.h"

namespace lumora {
namespace {

Picture24 Grey(int w, int h, std::uint8_t v) {
  Picture24 p;
  p.width = w;
  p.height = h;
  p.bgr.assign(static_cast<std::size_t>(w) * h * 3, v);
  return p;
}

TEST(EdgeThumbnail, CoverageMovesTowardsTheEdgeColour) {
  const EdgeTemplate tpl{2, 1, {255, 0}};
  const Picture24 t = EdgeThumbnail(Grey(4, 2, 100), tpl, 0xFFFFFF, 0);
  EXPECT_EQ(t.Pixel(0, 0)[0], 255);  // m = 255 with white: white
  EXPECT_EQ(t.Pixel(3, 1)[2], 100);  // m = 0: the picture
  const Picture24 black = EdgeThumbnail(Grey(4, 2, 100), EdgeTemplate{1, 1, {128}}, 0, 0);
  EXPECT_EQ(black.Pixel(1, 1)[1], 100 * 127 / 255);
}

TEST(EdgeThumbnail, EachLightingReadsTheMaskTowardsItsCorner) {
  // 100 x 100 (d = 3), black edge, coverage 200 (> 191) everywhere but a
  // 0 at (50, 50): only the pixel whose moved point is that one reads
  // m2 = 0.
  EdgeTemplate tpl{100, 100, std::vector<std::uint8_t>(100 * 100, 200)};
  tpl.values[50 * 100 + 50] = 0;
  struct Case {
    int lighting, x, y;  // the pixel whose moved point is (50, 50)
  } cases[] = {{1, 53, 47}, {2, 47, 47}, {3, 53, 53}, {4, 47, 53}};
  for (const Case& c : cases) {
    const Picture24 t = EdgeThumbnail(Grey(100, 100, 200), tpl, 0, c.lighting);
    // m = 200: c' = 200 x 55 / 255 = 43; m2 = 200 elsewhere: 43 x 55 / 2 / 255 = 4; m2 = 0 at the hit: 43 x 255 / 2 / 255 = 21.
    EXPECT_EQ(t.Pixel(c.x, c.y)[0], 21) << c.lighting;
    EXPECT_EQ(t.Pixel(c.x + 1, c.y)[0], 4) << c.lighting;
  }
  // Without lighting nothing is read again.
  EXPECT_EQ(EdgeThumbnail(Grey(100, 100, 200), tpl, 0, 0).Pixel(53, 47)[0], 43);
}

TEST(EdgeThumbnail, TemplateReaderChecksTheBlock) {
  const int w = 3, h = 2, stride = 4;
  std::vector<std::uint8_t> dib(40 + 1024 + stride * h, 0);
  dib[0] = 40, dib[4] = w, dib[8] = h, dib[12] = 1, dib[14] = 8;
  for (int i = 0; i < 256; ++i) dib[40 + 4 * i] = static_cast<std::uint8_t>(i);
  dib[40 + 1024 + stride + 2] = 77;  // row 1 (upper), x 2
  const EdgeTemplate t = ReadEdgeTemplateDib(dib.data(), dib.size());
  ASSERT_EQ(t.width, 3);
  EXPECT_EQ(t.values[1 * 3 + 2], 77);
  EXPECT_EQ(ReadEdgeTemplateDib(dib.data(), dib.size() - 1).width, 0);
  auto bad = dib;
  bad[14] = 24;
  EXPECT_EQ(ReadEdgeTemplateDib(bad.data(), bad.size()).width, 0);
  bad = dib;
  bad[9] = 0x40;  // height past the block
  EXPECT_EQ(ReadEdgeTemplateDib(bad.data(), bad.size()).width, 0);
}

}  // namespace
}  // namespace lumora
