// The sequence script writer and argument interpolation, and the tool
// statement recorded from a finished tool run.
#include <gtest/gtest.h>

#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Recorder.h"
#include "lang/SequenceScript.h"
#include "lang_fixture.h"

namespace lang {
namespace {

TEST(LangSequence, ScriptShapeForEachKind) {
  LineList lines;
  ASSERT_TRUE(MakeSequenceScript(lines, "Blur", "C:\\out\\anim", 2, 3, "%d", "0", "9"));
  EXPECT_EQ(lines, (LineList{"SelectWholeImage();", "BeginJPEGSeq(\"C:\\\\out\\\\anim\");", "Blur(3);",
                             "AddToJPEGSeq();", "Undo();", "Blur(6);", "AddToJPEGSeq();", "Undo();", "Blur(9);",
                             "AddToJPEGSeq();", "Undo();", "EndJPEGSeq();"}));
  lines.clear();
  ASSERT_TRUE(MakeSequenceScript(lines, "Blur", "a", 0, 0, "%d", "0", "9"));
  EXPECT_EQ(lines, (LineList{"SelectWholeImage();", "BeginDIBSeq(\"a\");", "EndDIBSeq();"}));
  lines.clear();
  ASSERT_TRUE(MakeSequenceScript(lines, "Blur", "a", 1, 1, "%d", "0", "9"));
  EXPECT_EQ(lines[1], "BeginTARGASeq(\"a\");");
  lines.clear();
  EXPECT_FALSE(MakeSequenceScript(lines, "Blur", "a", 3, 2, "%d", "0", "9"));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(MakeSequenceScript(lines, "Blur", "a", 0, 2, "%c", "1,2", "3,4,5"));
  EXPECT_EQ(lines.size(), 2u);  // what was appended before the failure stays
}

TEST(LangSequence, InterpolationByKind) {
  struct Case {
    const char* format;
    const char* start;
    const char* end;
    int frames;
    std::vector<std::string> expected;  // frames 1 .. n
  };
  const Case cases[] = {
      {"%d", "0", "10", 4, {"2", "5", "7", "10"}},
      {"%d", "10", "0", 4, {"8", "5", "3", "0"}},
      {"%d", "-10", "0", 4, {"-8", "-5", "-3", "0"}},
      {"%c", "{0,0,0}", "{255,255,255}", 2, {"{127,127,127}", "{255,255,255}"}},
      {"%p,%r", "{0,0},{0,0,0,0}", "{4,-4},{8,8,8,8}", 2, {"{2,-2},{4,4,4,4}", "{4,-4},{8,8,8,8}"}},
      {"%s,%d", "\"a\",0", "\"b\",4", 4, {"\"a\",1", "\"b\",2", "\"b\",3", "\"b\",4"}},
      {"%d,%d", "1,2", "5", 2, {"3", "5"}},  // stops at the shorter text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    std::string out;
    ASSERT_TRUE(InterpolateArguments(c.start, c.end, c.format, 0, c.frames, out));
    EXPECT_EQ(out, c.start);
    for (int i = 1; i <= c.frames; ++i) {
      ASSERT_TRUE(InterpolateArguments(c.start, c.end, c.format, i, c.frames, out));
      EXPECT_EQ(out, c.expected[static_cast<std::size_t>(i - 1)]) << "frame " << i;
    }
  }
  std::string out;
  EXPECT_FALSE(InterpolateArguments("1", "2", "%x", 1, 2, out));
}

// A finished tool run as the tool host would describe it.
struct FakeToolRun : RecordToolSource {
  std::string text = "Blur tool";
  bool shown = true;
  std::string id = "blur";
  std::vector<std::pair<int, char>> asked;
  std::string ToolText() override { return text; }
  bool WorkedOnShownImage() override { return shown; }
  void ReadEdge(std::int32_t& degree, std::int32_t& type) override {
    degree = 2;
    type = 1;
  }
  std::string ToolIdName() override { return id; }
  bool GetParameter(int index, char conversion, LangValue& out) override {
    asked.emplace_back(index, conversion);
    out.number = 10 + index;
    out.text = "t,\"x\"";
    out.color = 0x030201;
    out.numbers[0] = -1;
    out.numbers[1] = 2;
    out.numbers[2] = 3;
    out.numbers[3] = 4;
    return true;
  }
};

struct ToolRunFixture : ::testing::Test {
  ToolRunFixture() {
    ini.WriteString("TOOLS", "NUMBER", "2");
    ini.Command("TOOLS", 0, "Blur", "%d, %s,%c,%p,%r");
    ini.WriteString("TOOLS", "TOOL0", "blur");
    ini.Command("TOOLS", 1, "Odd", "%d,%x");
    ini.WriteString("TOOLS", "TOOL1", "odd");
    set = std::make_unique<LangCommandSet>(ini, &host);
  }
  struct Host : ToolHostLink {
    bool CanCreateTool(const std::string&) override { return true; }
    std::string LoadToolHelp(const std::string&) override { return {}; }
    int RunToolStatement(const ToolCommand&, const char*, ScriptRunState&) override { return 1; }
  } host;
  test::MemoryProfile ini;
  std::unique_ptr<LangCommandSet> set;
};

TEST_F(ToolRunFixture, ToolStatementFollowsTheFormat) {
  FakeToolRun tool;
  const LURECT box{1, 2, 3, 4};
  Fragment* rect = CreateRectFrg(&box, 0);
  LineList lines;
  RecordToolRun(tool, 2, rect, lines, set.get());
  EXPECT_EQ(lines, (LineList{"FreeAllFrags();", "SetEdgeDegree(2);", "SetEdgeType(1);", "AddRect(1,2,4,6,14);",
                             "SetActiveLayer(2);",
                             "Blur(10,\"t,\\\"x\\\"\",{1,2,3},{-1,2},{-1,2,3,4});"}));
  EXPECT_EQ(tool.asked, (std::vector<std::pair<int, char>>{{0, 'd'}, {1, 's'}, {2, 'c'}, {3, 'p'}, {4, 'r'}}));
  DeleteFragment(rect);
}

TEST_F(ToolRunFixture, UnrecordedRuns) {
  FakeToolRun tool;
  LineList lines;
  tool.id = "odd";  // "%x": the prefix stays, the statement is left out
  RecordToolRun(tool, 0, nullptr, lines, set.get());
  EXPECT_EQ(lines, LineList{"SetActiveLayer(0);"});
  lines.clear();
  tool.id = "unknown";
  RecordToolRun(tool, 0, nullptr, lines, set.get());
  EXPECT_EQ(lines, (LineList{"SetActiveLayer(0);", "UNSUPPORTED TOOL"}));
  lines.clear();
  tool.text = "#Insert_Tool";
  RecordToolRun(tool, 0, nullptr, lines, set.get());
  tool.text = "Blur";
  tool.shown = false;
  RecordToolRun(tool, 0, nullptr, lines, set.get());
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace lang
