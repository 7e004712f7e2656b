// The Image/Convert and Image/Adjust tools: their registry entries land in
// the marked groups, and each gives the values worked out by hand for a
// few colour and grey pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

struct Case {
  const char* tool;
  int param;
  std::vector<std::uint8_t> in;   // blue, green, red per pixel (one row)
  std::vector<std::uint8_t> out;
  int channels;
};

std::vector<std::uint8_t> RunTool(const Case& c) {
  const ToolDescriptor* tool = FindTool(c.tool);
  EXPECT_NE(tool, nullptr) << c.tool;
  if (tool == nullptr) return {};
  std::vector<std::uint8_t> out(c.in.size(), 0xEE);
  const int width = static_cast<int>(c.in.size()) / c.channels;
  const ConstImageView src{c.in.data(), width, 1, static_cast<std::ptrdiff_t>(c.in.size()), c.channels};
  const ImageView dst{out.data(), width, 1, static_cast<std::ptrdiff_t>(out.size()), c.channels};
  RowPoll poll;
  const std::int32_t params[1] = {c.param};
  EXPECT_EQ(tool->execute(src, dst, params, poll), 0);
  return out;
}

TEST(LevelTools, ValuesWorkedOutByHand) {
  const Case cases[] = {
      // Grey of (b 0, g 0, r 255) is (77 * 255 + 128) >> 8 = 77; half way
      // rounds away from zero: 255 + (77 - 255) / 2 = 166.
      {"grayscale_conv", 100, {0, 0, 255, 10, 200, 30}, {77, 77, 77, 127, 127, 127}, 3},
      {"grayscale_conv", 50, {0, 0, 255}, {39, 39, 166}, 3},
      {"grayscale_conv", 100, {0, 90, 255}, {0, 90, 255}, 1},
      {"invert_conv", 100, {0, 90, 255}, {255, 165, 0}, 3},
      {"invert_conv", 50, {0, 100}, {128, 128}, 1},
      {"brightness_adj", 20, {0, 240, 250}, {20, 255, 255}, 3},
      {"brightness_adj", -30, {10, 100}, {0, 70}, 1},
      {"contrast_adj", 100, {128, 100, 200, 0}, {128, 72, 255, 0}, 1},
      {"contrast_adj", -50, {0, 255, 128}, {64, 192, 128}, 3},
      {"posterize_adj", 2, {0, 127, 128, 255}, {0, 0, 255, 255}, 1},
      {"posterize_adj", 4, {0, 42, 43, 128, 212, 255}, {0, 0, 85, 170, 170, 255}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + std::to_string(c.param));
    EXPECT_EQ(RunTool(c), c.out);
  }
}

TEST(LevelTools, RegisteredInTheConvertAndAdjustGroups) {
  const struct {
    const char* tool;
    const char* group;
  } tools[] = {{"grayscale_conv", ":3"},
               {"invert_conv", ":3"},
               {"brightness_adj", ":4"},
               {"contrast_adj", ":4"},
               {"posterize_adj", ":4"}};
  for (const auto& t : tools) {
    const ToolDescriptor* d = FindTool(t.tool);
    ASSERT_NE(d, nullptr) << t.tool;
    EXPECT_STREQ(d->group, t.group);
    EXPECT_EQ(d->flags & 7u, kProcessingTool);
    EXPECT_EQ(d->paramCount, 1);
  }
}

}  // namespace
}  // namespace lumora::toolhost
