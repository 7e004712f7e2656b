// The GIF/PNG export dialog's depth list per source format and template,
// and the controls each depth leaves enabled.
#include <gtest/gtest.h>

#include <string>

#include "files/PrepGifForm.h"
#include "hostapi/imagebuf.h"

namespace lumora {
namespace {

std::string Bits(const std::vector<DepthEntry>& entries) {
  std::string out;
  for (const DepthEntry& e : entries) out += std::to_string(e.bits) + " ";
  return out;
}

TEST(PrepGifForm, DepthListsForEverySourceAndTemplate) {
  struct Case {
    int format;
    bool png;
    const char* bits;
  } cases[] = {{kWAType24, true, "24 8 4 1 "},    {kWAType24, false, "8 4 1 "},     {kWAType8Grey, true, "8 4 1 "},
               {kWAType8Grey, false, "8 4 1 "},  {kWAType8Palette, true, "8 4 1 "}, {kWAType8Palette, false, "8 4 1 "},
               {kWAType4Bit, true, "4 1 "},       {kWAType4Bit, false, "4 1 "},     {kWAType1Bit, true, "1 "},
               {kWAType1Bit, false, "1 "},        {32, true, ""},                   {0, false, ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(Bits(DepthEntriesFor(c.format, c.png)), c.bits) << c.format << (c.png ? " png" : " gif");
  }
  EXPECT_STREQ(DepthEntriesFor(kWAType24, true)[0].text, "24 bit/pixel (Truecolor)");
  EXPECT_STREQ(DepthEntriesFor(kWAType24, false)[0].text, "8 bit/pixel (256 colors)");
  EXPECT_STREQ(DepthEntriesFor(kWAType4Bit, false)[0].text, "4 bit/pixel (16 colors)");
  EXPECT_STREQ(DepthEntriesFor(kWAType1Bit, false)[0].text, "1 bit/pixel (2 colors)");
}

TEST(PrepGifForm, EnableTableForEveryDepthAndSource) {
  // p: palette buttons, d: dither box, '-': the pair changes nothing.
  const int formats[] = {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit};
  struct Row {
    int bits;
    const char* perFormat[5];
  } rows[] = {{1, {"d", "d", "d", "d", ""}},
              {4, {"pd", "pd", "pd", "", "-"}},
              {8, {"pd", "", "", "-", "-"}},
              {24, {"", "", "", "", ""}}};
  for (const Row& r : rows) {
    for (int i = 0; i < 5; ++i) {
      const DepthControls c = ControlsForDepth(r.bits, formats[i]);
      std::string got = !c.applies ? "-" : std::string(c.palette ? "p" : "") + (c.dither ? "d" : "");
      EXPECT_EQ(got, r.perFormat[i]) << r.bits << " bits from format " << formats[i];
    }
  }
  EXPECT_FALSE(ControlsForDepth(2, kWAType24).applies);
}

}  // namespace
}  // namespace lumora
