// The text level of the macro language: comments, the splitter, the format
// scanner, the token reader and string literals.
#include <gtest/gtest.h>

#include <random>

#include "lang/Lexer.h"

namespace lang {
namespace {

struct SplitCase {
  const char* line;
  SplitResult result;
  const char* name;
  const char* arguments;
};

TEST(LangSplit, StatementsOfTheLanguage) {
  const SplitCase cases[] = {
      {"Undo();", SplitResult::kStatement, "Undo", ""},
      {"Undo()", SplitResult::kStatement, "Undo", ""},
      {"  Undo ( ) ; // again", SplitResult::kStatement, "Undo", " "},
      {"\tUndo();\r", SplitResult::kStatement, "Undo", ""},
      {"Undo;", SplitResult::kNotStatement, "", ""},
      {"", SplitResult::kNotStatement, "", ""},
      {"AddRect(1,2,3,4,14);", SplitResult::kStatement, "AddRect", "1,2,3,4,14"},
      {"Crop{1,[2,(3)],4}x", SplitResult::kStatement, "Crop", "1,[2,(3)],4"},
      {"Crop(1,{2,3]) tail", SplitResult::kStatement, "Crop", "1,{2,3]"},
      {"Open(C:\\a b\\c.png", SplitResult::kStatement, "Open", "C:\\a b\\c.png"},
      {"name x(1)", SplitResult::kStatement, "name", "1"},
      // brackets inside string literals do not count
      {"LayerWEB(\"a)b\\\")\");", SplitResult::kStatement, "LayerWEB", "\"a)b\\\")\""},
  };
  for (const SplitCase& c : cases) {
    std::string name, arguments;
    SCOPED_TRACE(c.line);
    ASSERT_EQ(SplitStatement(c.line, name, arguments), c.result);
    if (c.result != SplitResult::kStatement) continue;
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(arguments, c.arguments);
  }
}

TEST(LangSplit, OverLongNamesAndArgumentsAreRefused) {
  std::string name, arguments;
  EXPECT_EQ(SplitStatement(std::string(kMaxLangText + 1, 'a') + "()", name, arguments), SplitResult::kTooLong);
  EXPECT_EQ(SplitStatement("A(" + std::string(kMaxArgumentText + 1, '1') + ")", name, arguments),
            SplitResult::kTooLong);
  EXPECT_EQ(SplitStatement("A(" + std::string(kMaxArgumentText, '1') + ")", name, arguments),
            SplitResult::kStatement);
}

// A string the readers would cut: a literal counted as it reads, other
// text between commas and brackets without its outer blanks.
TEST(LangSplit, OverLongStringsAreFoundInTheArguments) {
  const std::string fits(kMaxLangText, 'a'), over(kMaxLangText + 1, 'a');
  struct Case {
    std::string arguments;
    std::size_t length;
  } cases[] = {
      {"\"" + fits + "\"", 0},
      {"\"" + over + "\"", kMaxLangText + 1},
      {"\"" + std::string(kMaxLangText, '\\') + "\"", 0},  // each escape pair is one character
      {"1, \"x\", {2,3}, " + over + ".png ", kMaxLangText + 5},
      {"  " + fits + "  ,7", 0},
      {"\"a,b\", (" + over + ")", kMaxLangText + 1},
      {"\"" + over, kMaxLangText + 1},  // never closed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.substr(0, 20));
    EXPECT_EQ(OverlongString(c.arguments), c.length);
  }
}

TEST(LangComments, LineAndBlockComments) {
  struct Case {
    const char* line;
    bool comment;
    bool blockAfter;
  };
  const Case script[] = {
      {"// a comment", true, false},
      {"   // after spaces", true, false},
      {"\t// after a tab is no comment", false, false},
      {"/* opened and closed */", true, true},  // the same line does not close it
      {"Undo();", true, true},
      {"still */ closed", true, false},
      {"Undo();", false, false},
      {"", true, false},          // blank lines pass over
      {" \t\r", true, false},
  };
  bool block = false;
  for (const Case& c : script) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(IsCommentLine(block, c.line), c.comment);
    EXPECT_EQ(block, c.blockAfter);
  }
}

TEST(LangScan, FormatDrivenArguments) {
  std::string_view arguments = " 1, 2 ,{3,4}, raw text ,\"a,\\\",}\",5";
  std::string_view format = "%d,%d,%p,%s,%s,%d";
  std::string token, conversion;
  const char* expected[][2] = {{"1", "%d"}, {"2 ", "%d"}, {"3,4", "%p"}, {"raw text ", "%s"}, {"\"a,\\\",}\"", "%s"},
                               {"5", "%d"}};
  for (auto& e : expected) {
    ASSERT_TRUE(ScanNextArgument(arguments, format, token, conversion));
    EXPECT_EQ(token, e[0]);
    EXPECT_EQ(conversion, e[1]);
  }
  EXPECT_FALSE(ScanNextArgument(arguments, format, token, conversion));
}

TEST(LangScan, RectangleWithTooFewNumbersFailsAtTheThird) {
  std::string_view arguments = "10,20";
  std::string_view format = "%d,%d,%d,%d,%d";
  std::string token, conversion;
  EXPECT_TRUE(ScanNextArgument(arguments, format, token, conversion));
  EXPECT_TRUE(ScanNextArgument(arguments, format, token, conversion));
  EXPECT_FALSE(ScanNextArgument(arguments, format, token, conversion));
}

TEST(LangScan, Conversions) {
  LangValue v;
  EXPECT_TRUE(ConvertArgument("  -42x", "%d", v));
  EXPECT_EQ(v.number, -42);
  EXPECT_TRUE(ConvertArgument("abc", "%d", v));
  EXPECT_EQ(v.number, 0);
  EXPECT_TRUE(ConvertArgument("255, 128,1", "%c", v));
  EXPECT_EQ(v.color, 255u + 128u * 256u + 65536u);
  EXPECT_FALSE(ConvertArgument("1,2", "%c", v));
  EXPECT_TRUE(ConvertArgument("-1,7", "%p", v));
  EXPECT_EQ(v.numbers[0], -1);
  EXPECT_EQ(v.numbers[1], 7);
  EXPECT_TRUE(ConvertArgument("1,2,3,4", "%r", v));
  EXPECT_EQ(v.numbers[3], 4);
  EXPECT_FALSE(ConvertArgument("1,2,3", "%r", v));
  EXPECT_TRUE(ConvertArgument("\"a\\\"b\"", "%s", v));
  EXPECT_EQ(v.text, "a\"b");
  EXPECT_TRUE(ConvertArgument("C:\\raw\\path", "%s", v));
  EXPECT_EQ(v.text, "C:\\raw\\path");
  EXPECT_FALSE(ConvertArgument("1", "%x", v));
  std::int32_t none[1] = {99};
  EXPECT_TRUE(ParseNumberList("", none, 0, 2));
  EXPECT_EQ(none[0], 99);
}

std::vector<LangToken> Tokens(std::string_view text) {
  Lex::StringIStream in(text);
  LangLexer lexer(in);
  std::vector<LangToken> out;
  for (LangToken t = lexer.NextToken(); t.kind != TokenKind::kEnd; t = lexer.NextToken()) out.push_back(t);
  return out;
}

TEST(LangTokens, NumbersOfEveryForm) {
  struct Case {
    const char* text;
    TokenKind kind;
    std::int32_t value;
  };
  const Case cases[] = {
      {"-5", TokenKind::kNumber, -5},       {"- 5", TokenKind::kNumber, -5},
      {"0x1F", TokenKind::kNumber, 0x1F},   {"0X1f", TokenKind::kNumber, 0x1F},
      {"0x", TokenKind::kNumber, 0},        {"017", TokenKind::kNumber, 17},
      {"0", TokenKind::kNumber, 0},         {"4294967297", TokenKind::kNumber, 1},
      {"-a", TokenKind::kInvalid, 0},       {"@", TokenKind::kInvalid, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto tokens = Tokens(c.text);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens[0].kind, c.kind);
    if (c.kind == TokenKind::kNumber) {
      EXPECT_EQ(tokens[0].value, c.value);
    }
  }
}

TEST(LangTokens, KindsAndIdentifiers) {
  const auto tokens = Tokens(" ( ] { , name_1 \"s\" 12");
  const TokenKind kinds[] = {TokenKind::kOpen, TokenKind::kClose, TokenKind::kOpen, TokenKind::kComma,
                             TokenKind::kIdentifier, TokenKind::kString, TokenKind::kNumber};
  ASSERT_EQ(tokens.size(), std::size(kinds));
  for (std::size_t i = 0; i < tokens.size(); ++i) EXPECT_EQ(tokens[i].kind, kinds[i]);
  EXPECT_EQ(tokens[4].text, "name_1");
  EXPECT_EQ(tokens[5].text, "s");
  EXPECT_EQ(Tokens(std::string(400, 'a'))[0].text.size(), kMaxLangText);
}

TEST(LangReaders, TypedReadersAndOptionalCommas) {
  Lex::StringIStream in("{1,2,3} 1 2 3, (4 5) [1,2,3,4] \"t\\tx\", raw , 7");
  LangLexer lexer(in);
  EXPECT_EQ(ReadColorArg(lexer), 0x030201u);
  EXPECT_EQ(ReadColorArg(lexer), 0x030201u);
  std::int32_t p[2], r[4];
  ReadPointArg(lexer, p);
  EXPECT_EQ(p[1], 5);
  ReadRectArg(lexer, r);
  EXPECT_EQ(r[3], 4);
  EXPECT_EQ(ReadStringArg(lexer), "t\tx");
  EXPECT_EQ(ReadStringArg(lexer), "raw ");
  EXPECT_EQ(ReadIntArg(lexer), 7);
  EXPECT_THROW(ReadIntArg(lexer), LexExcept);
}

TEST(LangReaders, WrongKindsThrow) {
  for (const char* text : {"abc", "{1,2,3", "{1,2}", "\"s\""}) {
    SCOPED_TRACE(text);
    Lex::StringIStream in(text);
    LangLexer lexer(in);
    EXPECT_THROW(ReadColorArg(lexer), LexExcept);
  }
}

TEST(LangQuote, WritesEscapes) {
  EXPECT_EQ(QuoteLangString(""), "\"\"");
  EXPECT_EQ(QuoteLangString("a\"b"), "\"a\\\"b\"");
  EXPECT_EQ(QuoteLangString("it's\\\a\b\t\n\v\f\r"), "\"it\\'s\\\\\\a\\b\\t\\n\\v\\f\\r\"");
}

// Any text the recorder writes reads back identically, quotes, backslashes,
// control characters and bytes above 127 included.
TEST(LangQuote, ReadersInvertQuoting) {
  std::mt19937 random(20);
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % (kMaxLangText + 1), ' ');
    for (char& c : text) c = static_cast<char>(1 + random() % 255);
    if (round % 3 == 0) {
      for (char& c : text) c = "\"\\'\r\n\t,)("[random() % 9];
    }
    const std::string quoted = QuoteLangString(text);
    const std::string arguments = quoted + ",7";
    Lex::StringIStream in(arguments);
    LangLexer lexer(in);
    ASSERT_EQ(ReadStringArg(lexer), text);
    ASSERT_EQ(ReadIntArg(lexer), 7);
    LangValue v;
    ASSERT_TRUE(ConvertArgument(quoted, "%s", v));
    ASSERT_EQ(v.text, text);
  }
}

}  // namespace
}  // namespace lang
