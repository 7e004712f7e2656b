// The brush hook's routing against a fake window and brush, the page
// chosen for each brush class, and the tools' table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paint/BrushHook.h"
#include "paint/ToolTable.h"

namespace {

class FakeClient final : public paint::BrushHookClient {
 public:
  bool HasBrush() const override { return brush; }
  bool SetBrushCursor() override {
    calls.push_back("cursor");
    return hasCursor;
  }
  POINT SnapPoint(void*, POINT p) override { return POINT{p.x + snap, p.y + snap}; }
  void KeyDown(std::uintptr_t w, std::intptr_t) override { calls.push_back("keydown " + std::to_string(w)); }
  void KeyUp(std::uintptr_t w, std::intptr_t) override { calls.push_back("keyup " + std::to_string(w)); }
  void MouseMove(void*, std::uintptr_t f, POINT p) override { Record("move", f, p); }
  void ButtonDown(void*, std::uintptr_t f, POINT p) override { Record("down", f, p); }
  void ButtonUp(void*, std::uintptr_t f, POINT p) override { Record("up", f, p); }
  void DoubleClick(void*, std::uintptr_t f, POINT p) override { Record("dblclk", f, p); }
  void SetPaintButton(bool down) override { calls.push_back(down ? "button on" : "button off"); }
  void FlushTabletQueue() override { calls.push_back("flush"); }

  void Record(const char* what, std::uintptr_t f, POINT p) {
    calls.push_back(std::string(what) + " " + std::to_string(f) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  bool brush = true;
  bool hasCursor = true;
  int snap = 0;
  std::vector<std::string> calls;
};

struct Routed {
  int answer;
  std::intptr_t word;
};

Routed Route(FakeClient& client, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, int pass = 4) {
  const LU_MSG msg{nullptr, message, wParam, lParam};
  std::intptr_t word = pass;
  const int answer = paint::RouteBrushHook(client, msg, &word);
  return Routed{answer, word};
}

constexpr std::intptr_t Point(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

TEST(BrushHook, MouseMessagesAreTakenWithTheirPointSnapped) {
  struct Case {
    std::uint32_t message;
    const char* expected[3];
  };
  const Case cases[] = {
      {0x200, {"move 1 13,-2", nullptr, nullptr}},
      {0x201, {"down 1 13,-2", "button on", nullptr}},
      {0x202, {"up 1 13,-2", "button off", "flush"}},
      {0x203, {"dblclk 1 13,-2", "button on", nullptr}},
  };
  for (const Case& c : cases) {
    FakeClient client;
    client.snap = 3;
    // Signed coordinates: a point left of the window keeps its sign.
    const Routed r = Route(client, c.message, 1, Point(10, -5));
    EXPECT_EQ(r.answer, kLUHookHandled) << c.message;
    EXPECT_EQ(r.word, 1) << c.message;
    std::vector<std::string> expected;
    for (const char* e : c.expected) {
      if (e != nullptr) expected.push_back(e);
    }
    EXPECT_EQ(client.calls, expected) << c.message;
  }
}

TEST(BrushHook, KeysReachTheBrushButAreNeverTaken) {
  FakeClient client;
  const Routed down = Route(client, 0x100, 'X', 0);
  const Routed up = Route(client, 0x101, 'X', 0);
  EXPECT_EQ(down.answer, kLUHookPass);
  EXPECT_EQ(up.answer, kLUHookPass);
  EXPECT_EQ(down.word, 4);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"keydown 88", "keyup 88"}));
}

TEST(BrushHook, CursorOnlyOverTheClientWithAButtonMessageAndACursor) {
  struct Case {
    std::intptr_t lParam;
    bool hasCursor;
    int answer;
  };
  const Case cases[] = {
      {(0x200 << 16) | 1, true, kLUHookHandled},   // client area, mouse message
      {(0x200 << 16) | 2, true, kLUHookPass},      // caption
      {1, true, kLUHookPass},                      // no mouse message (a menu)
      {(0x200 << 16) | 1, false, kLUHookPass},     // the brush has no cursor
  };
  for (const Case& c : cases) {
    FakeClient client;
    client.hasCursor = c.hasCursor;
    EXPECT_EQ(Route(client, 0x20, 0, c.lParam).answer, c.answer) << std::hex << c.lParam;
  }
}

TEST(BrushHook, OtherPassesAndNoBrushPassEverything) {
  FakeClient client;
  EXPECT_EQ(Route(client, kLUMsgHookInstalled, 0, 7, 1).answer, kLUHookHandled);
  EXPECT_EQ(Route(client, 0x201, 1, 0, 1).answer, kLUHookPass) << "the queue pass leaves the mouse alone";
  client.brush = false;
  EXPECT_EQ(Route(client, 0x201, 1, 0).answer, kLUHookPass);
  EXPECT_EQ(Route(client, 0x20, 0, (0x200 << 16) | 1).answer, kLUHookPass);
  EXPECT_EQ(Route(client, 0x111, 0, 0).answer, kLUHookPass);
  EXPECT_TRUE(client.calls.empty());
}

TEST(ToolTable, PageByBrushClassAndWhichPageMatches) {
  using paint::BrushClass;
  struct Case {
    BrushClass brushClass;
    int page;
  };
  const Case cases[] = {
      {BrushClass::kEraser, paint::kPageEraser},   {BrushClass::kWater, paint::kPageWater},
      {BrushClass::kAir, paint::kPageAir},         {BrushClass::kClone, paint::kPageClone},
      {BrushClass::kLine, paint::kPageLine},       {BrushClass::kCurve, paint::kPageCurve},
      {BrushClass::kEllipse, paint::kPageEllipse}, {BrushClass::kPolygon, paint::kPagePolygon},
      {BrushClass::kRect, paint::kPageRect},       {BrushClass::kPaint, paint::kPagePaintBrush},
      {BrushClass::kOther, paint::kNoPage},
  };
  for (const Case& c : cases) EXPECT_EQ(paint::PageForBrushClass(c.brushClass), c.page);
  // Each tool's own command selects a brush its tab's page matches.
  for (int page = 0; page < paint::kToolPageCount; ++page) {
    const paint::ToolInfo* tool = paint::FindToolByCommand(paint::PageCommand(page));
    ASSERT_NE(tool, nullptr) << page;
    EXPECT_EQ(paint::PageForBrushClass(tool->brushClass), page);
    EXPECT_TRUE(paint::PageMatchesBrush(page, tool->brushClass, tool->command)) << page;
  }
  // A paint brush made for another page (the sheet's, command 0) is not
  // the paint brush page's; no page matches nothing.
  EXPECT_FALSE(paint::PageMatchesBrush(paint::kPagePaintBrush, BrushClass::kPaint, 0));
  EXPECT_FALSE(paint::PageMatchesBrush(paint::kPageClone, BrushClass::kPaint, paint::kCmdToolPaint));
  EXPECT_FALSE(paint::PageMatchesBrush(paint::kNoPage, BrushClass::kPaint, paint::kCmdToolPaint));
  EXPECT_EQ(paint::PageCommand(paint::kToolPageCount), 0u);
  EXPECT_EQ(paint::FindToolByCommand(32836), nullptr);
}

TEST(ToolTable, LettersChooseTheBuiltTools) {
  EXPECT_EQ(paint::ToolCommandForKey('B'), paint::kCmdToolPaint);
  EXPECT_EQ(paint::ToolCommandForKey('e'), paint::kCmdToolEraser);
  EXPECT_EQ(paint::ToolCommandForKey('A'), paint::kCmdToolAir);
  EXPECT_EQ(paint::ToolCommandForKey('i'), paint::kCmdDropper);
  EXPECT_EQ(paint::ToolCommandForKey('L'), paint::kCmdToolLine);
  EXPECT_EQ(paint::ToolCommandForKey('c'), paint::kCmdToolCurve);
  EXPECT_EQ(paint::ToolCommandForKey('r'), paint::kCmdToolRect);
  EXPECT_EQ(paint::ToolCommandForKey('O'), paint::kCmdToolEllipse);
  EXPECT_EQ(paint::ToolCommandForKey('p'), paint::kCmdToolPolygon);
  EXPECT_EQ(paint::ToolCommandForKey('S'), paint::kCmdToolClone);
  EXPECT_EQ(paint::ToolCommandForKey('w'), paint::kCmdToolWater);
  EXPECT_EQ(paint::ToolCommandForKey('Q'), 0u);
  EXPECT_EQ(paint::ToolCommandForKey('1'), 0u);
}

}  // namespace
