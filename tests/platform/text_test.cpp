// The program's 8-bit texts, UTF-8 and UTF-16.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(Text, EveryAnsiByteComesBackThroughUtf8AndUtf16) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(one)), one) << b;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), one) << b;
    EXPECT_EQ(Utf8ToUtf16(AnsiToUtf8(one)), AnsiToUtf16(one)) << b;
  }
  EXPECT_EQ(AnsiToUtf8("Caf\xE9\x80"), "Caf\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf16ToAnsi(u"\u4e2d"), "?");
  EXPECT_EQ(Utf8ToAnsi("\xE6\x97\xA5 \xC3\xA9"), "? \xE9");
}

TEST(Text, Utf8AndUtf16CarryEveryPlaneAndReplaceWhatIsMalformed) {
  const std::u16string wide = u"A\u00e9\u65e5\U0001F600";
  const std::string utf8 = "A\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(wide), utf8);
  EXPECT_EQ(Utf8ToUtf16(utf8), wide);
  // A lone surrogate, a stray continuation byte, a cut sequence, an
  // overlong form and an encoded surrogate.
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\ufffdx");
  EXPECT_EQ(Utf8ToUtf16("a\xE6\x97"), u"a\ufffd\ufffd");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\ufffd\ufffd");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\ufffd\ufffd\ufffd");
}

}  // namespace
}  // namespace lumora
