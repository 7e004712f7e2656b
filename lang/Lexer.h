// The macro language's text level: comment lines, the statement splitter,
// the format-driven argument scanner, the token reader with its typed
// readers, and string literals (QuoteLangString).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lang {

// Longest command name, string, identifier or scanned argument token.
inline constexpr std::size_t kMaxLangText = 259;
// Longest argument text of one statement: room for two strings of
// kMaxLangText characters written with every character escaped, and the
// numbers around them.
inline constexpr std::size_t kMaxArgumentText = 2048;

// Thrown by the typed readers when the next token is not of the kind they
// need; it carries nothing.
struct LexExcept {};

namespace Lex {

// A character source with a small stack of unread characters.
class IStream {
 public:
  static constexpr int kUnreadCapacity = 12;
  virtual ~IStream() = default;
  // The next character, advancing; 0 at the end.
  virtual char GetChar() = 0;
  char ReadChar();
  // Pushes `c` back; beyond the stack's capacity the character is dropped
  // (the readers never unread that many).
  void UnreadChar(char c);

 private:
  char unread_[kUnreadCapacity] = {};
  int unreadCount_ = 0;
};

// Reads a text; an embedded zero ends it as the end of the view does.
class StringIStream : public IStream {
 public:
  explicit StringIStream(std::string_view text) : text_(text) {}
  char GetChar() override;

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace Lex

enum class TokenKind : std::int32_t {
  kInvalid = 0,
  kOpen = 1,
  kClose = 2,
  kComma = 3,
  kIdentifier = 4,
  kString = 5,
  kNumber = 6,
  kEnd = 7,
};

struct LangToken {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
  std::int32_t value = 0;
};

// The token reader. Identifiers and strings longer than kMaxLangText
// characters are cut there (the rest of the token is consumed).
class LangLexer {
 public:
  static constexpr int kUnreadCapacity = 10;
  explicit LangLexer(Lex::IStream& in) : in_(in) {}

  LangToken NextToken();
  LangToken NextStringToken();
  void UnreadToken(LangToken token);

 private:
  bool PopUnread(LangToken* token);
  void SkipBlanks();
  std::int32_t ReadDecimal();
  std::int32_t ReadHex();
  LangToken ReadQuoted();
  LangToken ReadRaw();

  Lex::IStream& in_;
  LangToken unread_[kUnreadCapacity];
  int unreadCount_ = 0;
};

// Typed readers; each throws LexExcept on a token of the wrong kind.
std::int32_t ReadIntArg(LangLexer& lexer);
std::string ReadStringArg(LangLexer& lexer);
// red + green * 256 + blue * 65536, braced or not.
std::uint32_t ReadColorArg(LangLexer& lexer);
void ReadPointArg(LangLexer& lexer, std::int32_t out[2]);
void ReadRectArg(LangLexer& lexer, std::int32_t out[4]);
void SkipOptionalComma(LangLexer& lexer);

// The text as a string literal that NextStringToken reads back unchanged.
std::string QuoteLangString(std::string_view text);

// Whether the line is a comment line; updates the block-comment flag.
bool IsCommentLine(bool& inBlockComment, std::string_view line);

enum class SplitResult {
  kStatement,
  kNotStatement,  // no opening bracket (also an empty line)
  kTooLong,       // name beyond kMaxLangText or arguments beyond kMaxArgumentText
};

// Splits "name(arguments)..." into its name and argument text.
SplitResult SplitStatement(std::string_view line, std::string& name, std::string& arguments);

// The length of the first string of an argument text that passes
// kMaxLangText characters, or 0 when every one fits: a string literal
// counted as it reads (an escape is one character), any other text between
// commas and brackets without its outer blanks. The readers would cut such
// a string, so a statement holding one is refused instead.
std::size_t OverlongString(std::string_view arguments);

// Format-driven scanning: the next argument token and format
// conversion; false when either text is exhausted (or the token would
// pass kMaxLangText characters).
bool ScanNextArgument(std::string_view& arguments, std::string_view& format, std::string& token,
                      std::string& conversion);

// One converted argument of ConvertArgument.
struct LangValue {
  std::int32_t number = 0;        // %d
  std::uint32_t color = 0;        // %c
  std::int32_t numbers[4] = {};   // %p (2), %r (4)
  std::string text;               // %s
};
bool ConvertArgument(std::string_view token, std::string_view conversion, LangValue& out);

// Reads `count` comma-separated numbers as bytes (width 1) or 32-bit
// integers (width 2).
bool ParseNumberList(std::string_view text, void* destination, int count, int width);

}  // namespace lang
