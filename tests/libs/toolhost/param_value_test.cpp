// Own parameters of every format: what is set reads back, what is out of
// range or too long is refused and leaves the value as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostapi/toolhost.h"
#include "libs/toolhost/ParamValue.h"

namespace {

using lumora::toolhost::LoadParamValue;
using lumora::toolhost::ParamDimension;
using lumora::toolhost::ParamValue;
using lumora::toolhost::SetParamDefault;
using lumora::toolhost::StoreParamValue;
using lumora::toolhost::ToolParam;

TEST(ParamValue, PointsAndRectanglesRoundTripWithEveryNumberInRange) {
  const ToolParam point{'p', 5, -100, 100, -7};  // defaults x 5, y -7
  const ToolParam rect{'r', 0, -1000, 1000};
  EXPECT_EQ(ParamDimension(point), 2);
  EXPECT_EQ(ParamDimension(rect), 4);

  ParamValue value;
  SetParamDefault(point, value);
  std::int32_t read[4] = {};
  LoadParamValue(point, value, read);
  EXPECT_EQ(read[0], 5);
  EXPECT_EQ(read[1], -7);

  const std::int32_t p[2] = {-100, 100};
  ASSERT_TRUE(StoreParamValue(point, p, value));
  LoadParamValue(point, value, read);
  EXPECT_EQ(read[0], -100);
  EXPECT_EQ(read[1], 100);
  const std::int32_t outside[2] = {0, 101};
  EXPECT_FALSE(StoreParamValue(point, outside, value));
  LoadParamValue(point, value, read);
  EXPECT_EQ(read[1], 100) << "a refused value leaves the old one";

  const std::int32_t r[4] = {-1000, 3, 999, 1000};
  ASSERT_TRUE(StoreParamValue(rect, r, value));
  std::int32_t rr[4] = {};
  LoadParamValue(rect, value, rr);
  EXPECT_EQ(0, std::memcmp(r, rr, sizeof r));
  const std::int32_t badRect[4] = {0, 0, 0, -1001};
  EXPECT_FALSE(StoreParamValue(rect, badRect, value));
}

TEST(ParamValue, TextsRoundTripUpToTheirLimit) {
  const ToolParam text{'s', 0, 0, 8};
  ParamValue value;
  SetParamDefault(text, value);
  char out[kLUParamTextSize];
  std::memset(out, 'x', sizeof out);
  LoadParamValue(text, value, out);
  EXPECT_STREQ(out, "");

  const char with[] = "a\"b\\c\x01\xe9";
  ASSERT_TRUE(StoreParamValue(text, with, value));
  LoadParamValue(text, value, out);
  EXPECT_STREQ(out, with);
  EXPECT_FALSE(StoreParamValue(text, "123456789", value)) << "one byte over the limit";
  LoadParamValue(text, value, out);
  EXPECT_STREQ(out, with);

  // A limit beyond the buffer is held to the buffer.
  const ToolParam wide{'s', 0, 0, 100000};
  const std::string longest(kLUParamTextSize - 1, 'q');
  ASSERT_TRUE(StoreParamValue(wide, longest.c_str(), value));
  LoadParamValue(wide, value, out);
  EXPECT_EQ(std::string(out), longest);
  const std::string tooLong(kLUParamTextSize, 'q');
  EXPECT_FALSE(StoreParamValue(wide, tooLong.c_str(), value));
}

TEST(ParamValue, IntegersAndColoursKeepTheirRanges) {
  const ToolParam integer{'d', 3, 1, 9};
  const ToolParam colour{'c', 0, 0, 0xFFFFFF};
  ParamValue value;
  const std::int32_t ten = 10, nine = 9, white = 0xFFFFFF, beyond = 0x1000000;
  EXPECT_FALSE(StoreParamValue(integer, &ten, value));
  EXPECT_TRUE(StoreParamValue(integer, &nine, value));
  std::int32_t out = 0;
  LoadParamValue(integer, value, &out);
  EXPECT_EQ(out, 9);
  EXPECT_TRUE(StoreParamValue(colour, &white, value));
  EXPECT_FALSE(StoreParamValue(colour, &beyond, value));
}

TEST(ParamValue, ToolsReportTheFormatOfTheirOwnParameters) {
  LUTool* tool = LUCreateTool(nullptr, "emboss_effect");
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(LUGetParamFormat(tool, 0), 'd');
  EXPECT_EQ(LUGetParamFormat(tool, 4), 'c');
  EXPECT_EQ(LUGetParamFormat(tool, 5), '\0');
  EXPECT_EQ(LUGetParamFormat(tool, kLUSlotSource), '\0');
  EXPECT_EQ(LUGetParamFormat(nullptr, 0), '\0');
  LUDeleteTool(tool);
}

}  // namespace
