// The macro window's text rules: line places for a failed run's
// selection, when recorded lines are taken, the script file's bytes and
// the window's place on the screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/MacroText.h"

namespace lang {
namespace {

struct Place {
  std::string text;
  std::size_t start, end;
  bool operator==(const Place&) const = default;
};

std::vector<Place> Places(std::string_view text) {
  std::vector<Place> out;
  for (const ScriptTextLine& l : SplitScriptText(text)) out.push_back({l.text, l.start, l.end});
  return out;
}

TEST(MacroText, LinesKeepTheirPlacesInTheText) {
  const std::string longLine(5000, 'x');
  struct Case {
    std::string text;
    std::vector<Place> lines;
  } cases[] = {
      {"", {{"", 0, 1}}},
      {"A();\r\nB();\r\nC(1);", {{"A();\r", 0, 6}, {"B();\r", 6, 12}, {"C(1);", 12, 18}}},
      {"A();\nB();", {{"A();", 0, 5}, {"B();", 5, 10}}},
      // A line break at the end leaves an empty last line after it.
      {"A();\r\n", {{"A();\r", 0, 6}, {"", 6, 7}}},
      // An over-long line stays one line, whole.
      {"A();\n" + longLine, {{"A();", 0, 5}, {longLine, 5, 5006}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Places(c.text), c.lines) << c.text.substr(0, 40);
}

TEST(MacroText, RecordedLinesAreTakenOnlyWhenNoScriptRunsAndRecordingIsOnOrForced) {
  struct Case {
    bool running, recording, force, taken;
  } cases[] = {
      {false, true, false, true},  {false, false, false, false}, {false, false, true, true},
      {true, true, false, false},  {true, true, true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShouldAppendLine(c.running, c.recording, c.force), c.taken) << c.running << c.recording << c.force;
  EXPECT_EQ(AppendedPiece(0, "A();"), "A();");
  EXPECT_EQ(AppendedPiece(4, "B();"), "\r\nB();");
}

TEST(MacroText, ScriptFilesHoldTheTextAndOneZeroByte) {
  const std::string text = "SetActiveLayer(0);\r\nDeleteLayer();";
  const std::string bytes = ScriptFileBytes(text);
  ASSERT_EQ(bytes.size(), text.size() + 1);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(ScriptTextFromFileBytes(bytes), text);
  // Another editor's file has no zero byte: its last character stays.
  EXPECT_EQ(ScriptTextFromFileBytes("DeleteLayer();"), "DeleteLayer();");
  EXPECT_EQ(ScriptTextFromFileBytes(std::string("\0", 1)), "");
}

TEST(MacroText, PickedStatementsAndParameterLines) {
  EXPECT_EQ(PickedStatement("DeleteLayer", ""), "DeleteLayer();");
  EXPECT_EQ(PickedStatement("SetActiveLayer", "2"), "SetActiveLayer(2);");
  EXPECT_EQ(ParameterHelpLines({"width", "height"}), (std::vector<std::string>{"0. width", "1. height"}));
  EXPECT_TRUE(ParameterHelpLines({}).empty());
}

TEST(MacroText, TheWindowStaysOnTheScreen) {
  EXPECT_EQ(ClampWindowOrigin(200, 200, 1024), 200);
  EXPECT_EQ(ClampWindowOrigin(5000, 200, 1024), 824);
  EXPECT_EQ(ClampWindowOrigin(-50, 200, 1024), 0);
  EXPECT_EQ(ClampWindowOrigin(100, 2000, 1024), 0);
}

}  // namespace
}  // namespace lang
