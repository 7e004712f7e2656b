// The macro language's text level: splitter, scanner, tokens and literals.
#include "lang/Lexer.h"

#include <cstring>

namespace lang {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsOpening(char c) { return c == '(' || c == '[' || c == '{'; }
bool IsClosing(char c) { return c == ')' || c == ']' || c == '}'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The C library's decimal conversion (blanks, sign, digits), wrapping at 32
// bits instead of overflowing.
std::int32_t DecimalValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\v' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// Index just past the string literal that starts at `quote` (its closing
// quote, or the end of the text).
std::size_t SkipQuoted(std::string_view text, std::size_t quote) {
  for (std::size_t i = quote + 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return text.size();
}

// The first comma at or after `from` outside string literals; npos if none.
std::size_t FindComma(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == ',') return i;
    if (text[i] == '"') i = SkipQuoted(text, i) - 1;
  }
  return std::string_view::npos;
}

// Index just past the bracket that closes a group opened before `from`
// (one level open); the text's size when it never closes. Brackets inside
// string literals do not count, so a quoted text may hold any character.
std::size_t SkipGroup(std::string_view text, std::size_t from, std::size_t* contentEnd) {
  int depth = 1;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '"') {
      i = SkipQuoted(text, i) - 1;
    } else if (IsOpening(text[i])) {
      ++depth;
    } else if (IsClosing(text[i]) && --depth == 0) {
      *contentEnd = i;
      return i + 1;
    }
  }
  *contentEnd = text.size();
  return text.size();
}

char EscapedChar(char c) {
  switch (c) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    default: return c;
  }
}

}  // namespace

namespace Lex {

char IStream::ReadChar() {
  if (unreadCount_ > 0) return unread_[--unreadCount_];
  return GetChar();
}

void IStream::UnreadChar(char c) {
  if (unreadCount_ < kUnreadCapacity) unread_[unreadCount_++] = c;
}

char StringIStream::GetChar() {
  if (pos_ >= text_.size()) return 0;
  return text_[pos_++];
}

}  // namespace Lex

bool LangLexer::PopUnread(LangToken* token) {
  if (unreadCount_ == 0) return false;
  *token = std::move(unread_[--unreadCount_]);
  return true;
}

void LangLexer::UnreadToken(LangToken token) {
  if (unreadCount_ < kUnreadCapacity) unread_[unreadCount_++] = std::move(token);
}

void LangLexer::SkipBlanks() {
  char c = in_.ReadChar();
  while (IsBlank(c)) c = in_.ReadChar();
  in_.UnreadChar(c);
}

std::int32_t LangLexer::ReadDecimal() {
  std::uint32_t value = 0;
  char c = in_.ReadChar();
  for (; IsDigit(c); c = in_.ReadChar()) value = value * 10u + static_cast<std::uint32_t>(c - '0');
  in_.UnreadChar(c);
  return static_cast<std::int32_t>(value);
}

std::int32_t LangLexer::ReadHex() {
  std::uint32_t value = 0;
  char c = in_.ReadChar();
  for (int digit = HexDigit(c); digit >= 0; digit = HexDigit(c = in_.ReadChar()))
    value = value * 16u + static_cast<std::uint32_t>(digit);
  in_.UnreadChar(c);
  return static_cast<std::int32_t>(value);
}

LangToken LangLexer::NextToken() {
  LangToken token;
  if (PopUnread(&token)) return token;
  SkipBlanks();
  const char c = in_.ReadChar();
  if (c == 0) return LangToken{TokenKind::kEnd, {}, 0};
  if (c == '"') {
    in_.UnreadChar(c);
    return NextStringToken();
  }
  if (IsOpening(c)) return LangToken{TokenKind::kOpen, std::string(1, c), 0};
  if (IsClosing(c)) return LangToken{TokenKind::kClose, std::string(1, c), 0};
  if (c == ',') return LangToken{TokenKind::kComma, ",", 0};
  if (c == '-') {
    SkipBlanks();
    const char next = in_.ReadChar();
    if (!IsDigit(next)) return LangToken{TokenKind::kInvalid, std::string(1, next), 0};
    in_.UnreadChar(next);
    return LangToken{TokenKind::kNumber, {}, static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(ReadDecimal()))};
  }
  if (c == '0') {
    const char next = in_.ReadChar();
    if (next == 'x' || next == 'X') return LangToken{TokenKind::kNumber, {}, ReadHex()};
    in_.UnreadChar(next);
    in_.UnreadChar(c);
    return LangToken{TokenKind::kNumber, {}, ReadDecimal()};
  }
  if (IsLetter(c) || c == '_') {
    token.kind = TokenKind::kIdentifier;
    char d = c;
    for (; IsLetter(d) || IsDigit(d) || d == '_'; d = in_.ReadChar())
      if (token.text.size() < kMaxLangText) token.text.push_back(d);
    in_.UnreadChar(d);
    return token;
  }
  if (IsDigit(c)) {
    in_.UnreadChar(c);
    return LangToken{TokenKind::kNumber, {}, ReadDecimal()};
  }
  return LangToken{TokenKind::kInvalid, std::string(1, c), 0};
}

LangToken LangLexer::ReadQuoted() {
  LangToken token{TokenKind::kString, {}, 0};
  for (char c = in_.ReadChar(); c != 0 && c != '"'; c = in_.ReadChar()) {
    if (c == '\\') {
      const char next = in_.ReadChar();
      if (next == 0) break;
      c = EscapedChar(next);
    }
    if (token.text.size() < kMaxLangText) token.text.push_back(c);
  }
  return token;
}

LangToken LangLexer::ReadRaw() {
  LangToken token{TokenKind::kString, {}, 0};
  char c = in_.ReadChar();
  for (; c != 0 && c != ')' && c != ',' && c != ']' && c != '}'; c = in_.ReadChar())
    if (token.text.size() < kMaxLangText) token.text.push_back(c);
  in_.UnreadChar(c);
  return token;
}

LangToken LangLexer::NextStringToken() {
  LangToken token;
  if (PopUnread(&token)) return token;
  SkipBlanks();
  const char c = in_.ReadChar();
  if (c == '"') return ReadQuoted();
  in_.UnreadChar(c);
  return ReadRaw();
}

void SkipOptionalComma(LangLexer& lexer) {
  LangToken token = lexer.NextToken();
  if (token.kind != TokenKind::kComma) lexer.UnreadToken(std::move(token));
}

std::int32_t ReadIntArg(LangLexer& lexer) {
  const LangToken token = lexer.NextToken();
  if (token.kind != TokenKind::kNumber) throw LexExcept{};
  SkipOptionalComma(lexer);
  return token.value;
}

std::string ReadStringArg(LangLexer& lexer) {
  LangToken token = lexer.NextStringToken();
  if (token.kind != TokenKind::kString) throw LexExcept{};
  SkipOptionalComma(lexer);
  return std::move(token.text);
}

namespace {

// Reads `count` integers, optionally inside one pair of brackets of any kind.
void ReadIntGroup(LangLexer& lexer, std::int32_t* out, int count) {
  LangToken first = lexer.NextToken();
  const bool braced = first.kind == TokenKind::kOpen;
  if (!braced) lexer.UnreadToken(std::move(first));
  for (int i = 0; i < count; ++i) out[i] = ReadIntArg(lexer);
  if (braced && lexer.NextToken().kind != TokenKind::kClose) throw LexExcept{};
  SkipOptionalComma(lexer);
}

}  // namespace

std::uint32_t ReadColorArg(LangLexer& lexer) {
  std::int32_t rgb[3];
  ReadIntGroup(lexer, rgb, 3);
  return (static_cast<std::uint32_t>(rgb[0]) & 0xFFu) | ((static_cast<std::uint32_t>(rgb[1]) & 0xFFu) << 8) |
         ((static_cast<std::uint32_t>(rgb[2]) & 0xFFu) << 16);
}

void ReadPointArg(LangLexer& lexer, std::int32_t out[2]) { ReadIntGroup(lexer, out, 2); }
void ReadRectArg(LangLexer& lexer, std::int32_t out[4]) { ReadIntGroup(lexer, out, 4); }

std::string QuoteLangString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case 7: out += "\\a"; break;
      case 8: out += "\\b"; break;
      case 9: out += "\\t"; break;
      case 10: out += "\\n"; break;
      case 11: out += "\\v"; break;
      case 12: out += "\\f"; break;
      case 13: out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\'': out += "\\'"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

bool IsCommentLine(bool& inBlockComment, std::string_view line) {
  if (inBlockComment) {
    if (line.find("*/") != std::string_view::npos) inBlockComment = false;
    return true;
  }
  // A blank line is no statement; it is passed over like a comment so that
  // a script ending with a line break runs to its end.
  if (line.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos) return true;
  const std::size_t start = line.find_first_not_of(' ');
  const std::string_view rest = line.substr(start);
  if (rest.starts_with("/*")) {
    inBlockComment = true;
    return true;
  }
  return rest.starts_with("//");
}

SplitResult SplitStatement(std::string_view line, std::string& name, std::string& arguments) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  const std::size_t nameStart = i;
  while (i < line.size() && !IsBlank(line[i]) && !IsOpening(line[i])) ++i;
  const std::size_t nameEnd = i;
  while (i < line.size() && !IsOpening(line[i])) ++i;
  if (i == line.size()) return SplitResult::kNotStatement;
  std::size_t argumentsEnd = 0;
  SkipGroup(line, i + 1, &argumentsEnd);
  if (nameEnd - nameStart > kMaxLangText || argumentsEnd - (i + 1) > kMaxArgumentText)
    return SplitResult::kTooLong;
  name.assign(line.substr(nameStart, nameEnd - nameStart));
  arguments.assign(line.substr(i + 1, argumentsEnd - (i + 1)));
  return SplitResult::kStatement;
}

std::size_t OverlongString(std::string_view arguments) {
  std::size_t i = 0;
  while (i < arguments.size()) {
    const char c = arguments[i];
    if (c == '"') {
      std::size_t length = 0;
      for (++i; i < arguments.size() && arguments[i] != '"'; ++i, ++length) {
        if (arguments[i] == '\\' && i + 1 < arguments.size()) ++i;
      }
      if (length > kMaxLangText) return length;
      ++i;  // the closing quote
      continue;
    }
    if (c == ',' || IsOpening(c) || IsClosing(c) || IsBlank(c)) {
      ++i;
      continue;
    }
    // Unquoted text up to the next comma or bracket, less its last blanks.
    const std::size_t start = i;
    std::size_t end = i;
    for (; i < arguments.size() && arguments[i] != ',' && arguments[i] != '"' && !IsOpening(arguments[i]) &&
           !IsClosing(arguments[i]);
         ++i) {
      if (!IsBlank(arguments[i])) end = i + 1;
    }
    if (end - start > kMaxLangText) return end - start;
  }
  return 0;
}

bool ScanNextArgument(std::string_view& arguments, std::string_view& format, std::string& token,
                      std::string& conversion) {
  if (arguments.empty() || format.empty()) return false;
  const std::size_t percent = format.find('%');
  if (percent == std::string_view::npos) {
    conversion.clear();
    format = {};
  } else {
    const std::size_t end = format.find_first_of(" \t,", percent);
    const std::size_t stop = end == std::string_view::npos ? format.size() : end;
    conversion.assign(format.substr(percent, stop - percent));
    format.remove_prefix(stop);
  }
  std::size_t i = 0;
  while (i < arguments.size() && IsBlank(arguments[i])) ++i;
  std::size_t tokenStart = i;
  std::size_t tokenEnd = 0;
  std::size_t after = 0;
  if (i < arguments.size() && IsOpening(arguments[i])) {
    tokenStart = i + 1;
    after = SkipGroup(arguments, tokenStart, &tokenEnd);
  } else {
    tokenEnd = FindComma(arguments, i);
    if (tokenEnd == std::string_view::npos) tokenEnd = arguments.size();
    after = tokenEnd;
  }
  const std::size_t comma = FindComma(arguments, after);
  const std::string_view tokenText = arguments.substr(tokenStart, tokenEnd - tokenStart);
  arguments.remove_prefix(comma == std::string_view::npos ? arguments.size() : comma + 1);
  if (tokenText.size() > kMaxLangText) return false;
  token.assign(tokenText);
  return true;
}

bool ParseNumberList(std::string_view text, void* destination, int count, int width) {
  std::size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    if (pos >= text.size()) return false;
    const std::int32_t value = DecimalValue(text.substr(pos));
    if (width == 1) {
      static_cast<std::uint8_t*>(destination)[i] = static_cast<std::uint8_t>(value);
    } else {
      std::memcpy(static_cast<std::int32_t*>(destination) + i, &value, sizeof value);
    }
    const std::size_t comma = text.find(',', pos);
    pos = comma == std::string_view::npos ? text.size() : comma + 1;
  }
  return true;
}

bool ConvertArgument(std::string_view token, std::string_view conversion, LangValue& out) {
  if (conversion == "%d") {
    out.number = DecimalValue(token);
    return true;
  }
  if (conversion == "%s") {
    Lex::StringIStream in(token);
    LangLexer lexer(in);
    out.text = lexer.NextStringToken().text;
    return true;
  }
  if (conversion == "%c") {
    std::uint8_t rgb[3] = {};
    if (!ParseNumberList(token, rgb, 3, 1)) return false;
    out.color = rgb[0] | (rgb[1] << 8) | (static_cast<std::uint32_t>(rgb[2]) << 16);
    return true;
  }
  if (conversion == "%p") return ParseNumberList(token, out.numbers, 2, 2);
  if (conversion == "%r") return ParseNumberList(token, out.numbers, 4, 2);
  return false;
}

}  // namespace lang
