// The colour a pick takes from an image rectangle: each image type, the
// coverage, the edges, and a rectangle with nothing covered.
#include <gtest/gtest.h>

#include "engine/pixels/WAccess.h"
#include "ui/ColourPick.h"

namespace {

WAPtr Make(int type, int w, int h) {
  return WAPtr::Adopt(new VrWA2000::WA(type, w, h, static_cast<const PALETTEENTRY*>(nullptr), false));
}

TEST(ColourPick, EachImageTypeAveragesItsPixels) {
  // Two pixels of each kind, at (0, 0) and (1, 0).
  WAPtr bits = Make(kWAType1Bit, 8, 1);
  bits->Row(0)[0] = 0x80;  // first pixel set (white), second clear (black)
  WAPtr grey = Make(kWAType8Grey, 2, 1);
  grey->Row(0)[0] = 10, grey->Row(0)[1] = 21;
  WAPtr indexed = Make(kWAType8Palette, 2, 1);
  const PALETTEENTRY entries[2] = {{200, 0, 100, 0}, {100, 50, 0, 0}};
  indexed->SetPaletteEntries(5, 2, entries);
  indexed->Row(0)[0] = 5, indexed->Row(0)[1] = 6;
  WAPtr nibbles = Make(kWAType4Bit, 2, 1);
  nibbles->SetPaletteEntries(5, 2, entries);
  nibbles->Row(0)[0] = 0x56;
  WAPtr rgb = Make(kWAType24, 2, 1);
  const std::uint8_t bgr[6] = {1, 2, 3, 4, 5, 6};
  std::copy_n(bgr, 6, rgb->Row(0));
  struct Case {
    const char* name;
    VrWA2000::WA* image;
    COLORREF colour;
  };
  const Case cases[] = {
      {"1-bit", bits.get(), RGB(127, 127, 127)},
      {"grey", grey.get(), RGB(15, 15, 15)},
      {"palette", indexed.get(), RGB(150, 25, 50)},
      {"4-bit palette", nibbles.get(), RGB(150, 25, 50)},
      {"true colour", rgb.get(), RGB(4, 3, 2)},  // red (3 + 6) / 2, blue (1 + 4) / 2
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lumora::MeanCoveredColour(*c.image, nullptr, RECT{0, 0, 1, 0}), static_cast<std::int64_t>(c.colour))
        << c.name;
  }
  // One pixel alone: the rect's edges are both included.
  EXPECT_EQ(lumora::MeanCoveredColour(*grey, nullptr, RECT{1, 0, 1, 0}), RGB(21, 21, 21));
}

TEST(ColourPick, OnlyCoveredPixelsCountAndNoneKeepsTheColour) {
  WAPtr grey = Make(kWAType8Grey, 3, 3);
  WAPtr cover = Make(kWAType8Grey, 3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) grey->Row(y)[x] = static_cast<std::uint8_t>(10 * (3 * y + x));
  cover->Row(2)[2] = 255;
  cover->Row(0)[0] = 1;
  EXPECT_EQ(lumora::MeanCoveredColour(*grey, cover.get(), RECT{0, 0, 2, 2}), RGB(40, 40, 40));  // (0 + 80) / 2
  EXPECT_EQ(lumora::MeanCoveredColour(*grey, cover.get(), RECT{1, 0, 2, 1}), -1) << "nothing covered there";
  EXPECT_EQ(lumora::MeanCoveredColour(*grey, nullptr, RECT{5, 5, 9, 9}), -1) << "outside the image";
  // Clipped to the image.
  EXPECT_EQ(lumora::MeanCoveredColour(*grey, cover.get(), RECT{-4, -4, 0, 0}), RGB(0, 0, 0));
}

}  // namespace
