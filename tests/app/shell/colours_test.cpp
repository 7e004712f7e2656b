// The colours in the forms of the active image's mode.
#include "app/Colours.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

constexpr COLORREF Rgb(int r, int g, int b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

TEST(Colours, GreyDirectAndIndexedForms) {
  // A 16-entry palette: the grey ramp of 17-steps.
  ImageColourMode indexed{2, {}};
  for (int i = 0; i < 16; ++i) indexed.palette.push_back(Rgb(17 * i, 17 * i, 17 * i));
  struct Case {
    COLORREF rgb;
    ImageColourMode mode;
    COLORREF display;
    int index;
  } cases[] = {
      {Rgb(255, 0, 0), {8, {}}, Rgb(170, 170, 170), 170},  // (2 * 255 + 0) / 3
      {Rgb(10, 20, 30), {8, {}}, Rgb(13, 13, 13), 13},     // blue does not count
      {Rgb(255, 0, 0), {16, {}}, Rgb(255, 0, 0), 0},
      {Rgb(100, 100, 100), indexed, Rgb(102, 102, 102), 6},
      {Rgb(8, 8, 8), indexed, Rgb(0, 0, 0), 0},            // 8 is nearer 0 than 17
      {Rgb(9, 9, 9), indexed, Rgb(17, 17, 17), 1},
      {Rgb(255, 0, 0), indexed, Rgb(85, 85, 85), 5},
      {Rgb(1, 2, 3), {4, {}}, Rgb(1, 2, 3), 0},           // no palette: the colour itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rgb);
    const ColourForms forms = ConvertColour(c.rgb, c.mode);
    EXPECT_EQ(forms.rgb, c.rgb);
    EXPECT_EQ(forms.display, c.display);
    EXPECT_EQ(forms.index, c.index);
  }
}

TEST(Colours, NearestEntryTakesTheFirstOfEquals) {
  EXPECT_EQ(NearestPaletteIndex(Rgb(5, 5, 5), {Rgb(0, 0, 0), Rgb(10, 10, 10)}), 0);
  EXPECT_EQ(NearestPaletteIndex(Rgb(6, 5, 5), {Rgb(0, 0, 0), Rgb(10, 10, 10)}), 1);
  EXPECT_EQ(NearestPaletteIndex(Rgb(6, 5, 5), {}), 0);
}

}  // namespace
}  // namespace lumora
