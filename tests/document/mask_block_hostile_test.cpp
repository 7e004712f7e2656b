// The private selection block from another program: the image it names is
// made from it by Paste as New Image, so its sizes are held to the
// program's limits and to its own selection before anything is made.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "document/Clipboard.h"
#include "hostapi/fragment.h"
#include "platform/rect.h"

namespace lumora {
namespace {

Fragment* Rect(const RECT& r, int inverted = 0) {
  LURECT lu;
  RectToLURect(&lu, &r);
  return CreateRectFrg(&lu, inverted);
}

std::vector<std::uint8_t> Block(int width, int height, const Fragment* f) {
  std::vector<std::uint8_t> block = WriteMaskBlock(100, 100, f);
  EXPECT_GE(block.size(), 4u);
  if (block.size() < 4) return block;
  block[0] = static_cast<std::uint8_t>(width), block[1] = static_cast<std::uint8_t>(width >> 8);
  block[2] = static_cast<std::uint8_t>(height), block[3] = static_cast<std::uint8_t>(height >> 8);
  return block;
}

TEST(MaskBlockHostile, SizesBeyondTheLimitsOrASelectionOutsideTheImageAreRefusedWithTheReason) {
  Fragment* small = Rect({1, 1, 5, 5});
  Fragment* outside = Rect({20000, 20000, 20010, 20010});
  Fragment* inverted = Rect({20000, 20000, 20010, 20010}, 1);
  const std::string limits = "the image it names is not 1 to 30000 pixels a side";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> block;
    int code;
    std::string why;
  } cases[] = {
      {"65535 x 65535", Block(65535, 65535, small), 36, limits},
      {"30001 wide", Block(30001, 10, small), 36, limits},
      {"no height", Block(10, 0, small), 36, limits},
      {"selection outside", Block(100, 100, outside), 36, "its selection lies wholly outside the image it names"},
      {"inverted, outside", Block(100, 100, inverted), 0, ""},
      {"30000 x 30000", Block(30000, 30000, small), 0, ""},
      {"empty selection", Block(1, 1, nullptr), 0, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    int width = -1, height = -1;
    Fragment* read = nullptr;
    std::string why;
    EXPECT_EQ(ReadMaskBlock(c.block.data(), c.block.size(), &width, &height, &read, &why), c.code);
    EXPECT_EQ(why, c.why);
    EXPECT_EQ(read != nullptr, c.code == 0);
    if (c.code != 0) {
      EXPECT_EQ(width, -1);
    }
    DeleteFragment(read);
  }
  // The 22 bytes of the report: sizes and a rectangle's stream.
  EXPECT_EQ(Block(65535, 65535, small).size(), 22u);
  DeleteFragment(small);
  DeleteFragment(outside);
  DeleteFragment(inverted);
}

}  // namespace
}  // namespace lumora
