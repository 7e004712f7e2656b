// The control viewer's flow of items into rows and its scrolling, and which
// commands the customise collection takes.
#include "ui/CtrlViewerLayout.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(ViewerFlow, RowsBreakAtTheEdgeAndOnRequest) {
  // In a client 70 wide the third 20 x 20 item ends at 68 = 70 - 2 and
  // still fits; the fourth opens a row; a break after it opens another.
  const std::vector<SIZE> sizes = {{20, 20}, {20, 20}, {20, 20}, {20, 20}, {40, 10}, {10, 30}};
  const std::vector<bool> breaks = {false, false, false, true, false, false};
  const ViewerFlow f = FlowViewerItems(sizes, breaks, 70);
  const std::vector<POINT> expected = {{2, 2}, {25, 2}, {48, 2}, {2, 26}, {2, 49}, {45, 49}};
  ASSERT_EQ(f.positions.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(f.positions[i].x, expected[i].x) << i;
    EXPECT_EQ(f.positions[i].y, expected[i].y) << i;
  }
  // Row 0: width 68, height 23 (20 + 3); row 1 opened by the edge: 22 x 23;
  // row 2 opened by the break after item 3; the tall item raises its height.
  ASSERT_EQ(f.rows.size(), 3u);
  EXPECT_EQ(f.rows[0].width, 68);
  EXPECT_EQ(f.rows[0].height, 23);
  EXPECT_EQ(f.rows[1].top, 26);
  EXPECT_EQ(f.rows[1].first, 3);
  EXPECT_EQ(f.rows[2].top, 49);
  EXPECT_EQ(f.rows[2].height, 33);
  EXPECT_EQ(f.rows[2].first, 4);
  EXPECT_EQ(f.rowOf, (std::vector<int>{0, 0, 0, 1, 2, 2}));
  EXPECT_EQ(f.content.cx, 70);
  EXPECT_EQ(f.content.cy, 49 + 30 + 2);
  // One item wider than the client still gets its row; nothing is lost.
  const ViewerFlow wide = FlowViewerItems({{100, 10}, {100, 10}}, {}, 50);
  EXPECT_EQ(wide.rows.size(), 2u);
  EXPECT_EQ(wide.positions[1].y, 15);
  EXPECT_TRUE(FlowViewerItems({}, {}, 50).rows.empty());
}

TEST(ViewerFlow, ScrollingStaysInItsRange) {
  EXPECT_EQ(ViewerScrollRange(300, 100), 200);
  EXPECT_EQ(ViewerScrollRange(80, 100), 0);
  struct Case {
    int position, range, code, thumb, to;
  };
  const Case cases[] = {
      {5, 20, 0, 0, 4},   {0, 20, 0, 0, 0},   {19, 20, 1, 0, 20}, {20, 20, 1, 0, 20}, {15, 20, 3, 0, 20},
      {15, 20, 2, 0, 5},  {3, 20, 5, 12, 12}, {3, 20, 4, 99, 20}, {9, 20, 6, 0, 0},   {9, 20, 7, 0, 20},
      {9, 0, 1, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ViewerScrollTo(c.position, c.range, c.code, c.thumb), c.to) << c.code;
}

TEST(CustomizeCollection, RecentFilesAndSystemCommandsStayOut) {
  for (std::uint32_t id : {57616u, 57631u, 61440u, 61935u, 65280u, 65535u}) EXPECT_FALSE(IsCollectableCommand(id)) << id;
  for (std::uint32_t id : {57600u, 57615u, 57632u, 61439u, 61936u, 65279u, 500u}) EXPECT_TRUE(IsCollectableCommand(id)) << id;
  struct Case {
    const char* group;
    int category;
  };
  const Case cases[] = {{":0", 0}, {":4", 0}, {":1", 1}, {":2", 2}, {":3", 3}, {":5", 3}, {":6", 4},
                        {":7", 5}, {"", 5},   {nullptr, 5}, {"x", 5}, {":3/x", 3}};
  for (const Case& c : cases) EXPECT_EQ(ToolCategoryOfGroup(c.group), c.category) << (c.group ? c.group : "null");
}

}  // namespace
}  // namespace lumora
