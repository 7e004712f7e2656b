// The macro window's text rules: line places for a failed run's
// selection, when recorded lines are taken, the script file's bytes and
// the window's place on the screen.
#include <gtest/gtest.h>

#include <cstdint>

#include <string>
#include <vector>

#include "framework/Archive.h"
#include "framework/File.h"
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
  std::string read, problem;
  ASSERT_TRUE(ScriptTextFromFileBytes(bytes, &read, &problem)) << problem;
  EXPECT_EQ(read, text);
  // Another editor's file has no zero byte: its last character stays.
  ASSERT_TRUE(ScriptTextFromFileBytes("DeleteLayer();", &read, &problem));
  EXPECT_EQ(read, "DeleteLayer();");
  ASSERT_TRUE(ScriptTextFromFileBytes(std::string("\0", 1), &read, &problem));
  EXPECT_EQ(read, "");
  // Letters beyond ASCII and tabs are text.
  ASSERT_TRUE(ScriptTextFromFileBytes("Text(\"\xE9t\xE9\");\t// \xA9\r\n", &read, &problem));
  EXPECT_EQ(read, "Text(\"\xE9t\xE9\");\t// \xA9\r\n");
}

// A file is a script whole or not at all: what the window would show of
// anything else is less than the file, and saving it would cut the file.
TEST(MacroText, FilesWithZeroBytesBeforeTheEndOrOtherControlBytesAreRefusedWithTheirPlace) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* problem;
  } cases[] = {
      {"zero then text", std::string("A();\0B();\0", 11), "holds a zero byte at byte 5, before its end"},
      {"zero first", std::string(1, '\0') + std::string(65535, 'x'), "holds a zero byte at byte 1, before its end"},
      {"two zeros at the end", std::string("A();\0\0", 6), "holds a zero byte at byte 5, before its end"},
      {"escape", "A();\x1B[2J", "holds a byte that is not text (27) at byte 5"},
      {"delete", "A();\x7F", "holds a byte that is not text (127) at byte 5"},
      {"UTF-16", std::string("A\0(\0)\0", 6), "holds a zero byte at byte 2, before its end"},
      {"too long", std::string(kMaxScriptFileBytes + 1, 'x'),
       "is 8388609 bytes long; a script file holds at most 8388608 bytes"},
  };
  for (const Case& c : cases) {
    std::string text = "untouched", problem;
    EXPECT_FALSE(ScriptTextFromFileBytes(c.bytes, &text, &problem)) << c.what;
    EXPECT_EQ(problem, c.problem) << c.what;
    EXPECT_EQ(text, "untouched") << c.what;
  }
  // The largest file that is read.
  std::string text, problem;
  EXPECT_TRUE(ScriptTextFromFileBytes(std::string(kMaxScriptFileBytes - 1, 'x') + '\0', &text, &problem));
  EXPECT_EQ(text.size(), kMaxScriptFileBytes - 1);
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
  // Sizes at the limits of 32 bits, as a settings file may hold them.
  EXPECT_EQ(ClampWindowOrigin(INT32_MAX, INT32_MIN, 1024), INT32_MAX);
  EXPECT_EQ(ClampWindowOrigin(INT32_MAX, INT32_MAX, -1024), 0);
}

// The default place moves down past the tool windows it would cover, or
// stays where the screen ends first.
TEST(MacroText, TheDefaultPlaceCoversNoToolWindow) {
  const WindowEdges wanted{200, 200, 400, 400};
  const WindowEdges attributes{300, 200, 599, 503}, other{150, 504, 250, 600}, far{600, 0, 800, 100};
  EXPECT_EQ(DefaultTopClearOf(wanted, {}, 1024), 200);
  EXPECT_EQ(DefaultTopClearOf(wanted, {far}, 1024), 200);
  EXPECT_EQ(DefaultTopClearOf(wanted, {attributes}, 1024), 504);
  EXPECT_EQ(DefaultTopClearOf(wanted, {attributes, other}, 1024), 601);
  EXPECT_EQ(DefaultTopClearOf(wanted, {attributes, other}, 768), 200);
}

// The archive holds the text, the modified flag, the selection, the file
// name and the recording switch, in that order, in the archive's own
// string and integer forms; a cut archive loads nothing.
TEST(MacroText, TheWindowsArchiveLayout) {
  MacroWindowState state{"A();\r\nB();", 1, 3, 9, "C:\\Macroses\\a.cmd", 0};
  fw::MemFile file;
  {
    fw::Archive out(file, fw::Archive::store);
    SerializeMacroWindowState(out, state);
    out.Close();
  }
  std::string expected;
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) expected.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  expected += static_cast<char>(state.text.size());
  expected += state.text;
  u32(1), u32(3), u32(9);
  expected += static_cast<char>(state.fileName.size());
  expected += state.fileName;
  u32(0);
  ASSERT_EQ(file.GetLength(), expected.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.Data()), expected.size()), expected);

  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  MacroWindowState back;
  {
    fw::Archive in(file, fw::Archive::load);
    SerializeMacroWindowState(in, back);
  }
  EXPECT_EQ(back.text, state.text);
  EXPECT_EQ(back.modified, 1);
  EXPECT_EQ(back.selectionStart, 3);
  EXPECT_EQ(back.selectionEnd, 9);
  EXPECT_EQ(back.fileName, state.fileName);
  EXPECT_EQ(back.recording, 0);

  // Cut before the recording switch: an exception, and nothing taken.
  fw::MemFile cut;
  cut.Write(expected.data(), static_cast<std::uint32_t>(expected.size() - 2));
  cut.SeekFromCurrent(-static_cast<std::int64_t>(cut.GetPosition()));
  MacroWindowState untouched;
  fw::Archive in(cut, fw::Archive::load);
  EXPECT_THROW(SerializeMacroWindowState(in, untouched), fw::FileException);
  EXPECT_EQ(untouched.text, "");
  EXPECT_EQ(untouched.recording, 1);

  // A text with a zero byte would lose its end in the window: refused.
  std::string zero = expected;
  zero[1 + 4] = '\0';
  fw::MemFile damaged;
  damaged.Write(zero.data(), static_cast<std::uint32_t>(zero.size()));
  damaged.SeekFromCurrent(-static_cast<std::int64_t>(damaged.GetPosition()));
  fw::Archive again(damaged, fw::Archive::load);
  EXPECT_THROW(SerializeMacroWindowState(again, untouched), fw::FileException);
  EXPECT_EQ(untouched.text, "");
}

}  // namespace
}  // namespace lang
