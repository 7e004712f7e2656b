// Conversions between the program's 8-bit texts, UTF-8 and UTF-16.
#include "platform/text.h"

#include <algorithm>
#include <iterator>

namespace lumora {

namespace {

// Unicode of the bytes 0x80..0x9F of Windows-1252 (undefined ones map to
// themselves, as the system does).
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// The code point that starts at text[*i] (advancing *i past it); a
// malformed, overlong or surrogate sequence gives U+FFFD and one byte.
char32_t NextUtf8(const std::string& text, std::size_t* i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(*i);
  int extra = 0;
  char32_t c = 0, least = 0;
  if (lead < 0x80) {
    ++*i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    ++*i;
    return kReplacement;
  }
  if (*i + static_cast<std::size_t>(extra) >= text.size()) {
    ++*i;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = byte(*i + k);
    if ((next & 0xC0) != 0x80) {
      ++*i;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++*i;
    return kReplacement;
  }
  *i += static_cast<std::size_t>(extra) + 1;
  return c;
}

char16_t AnsiUnit(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kAnsiHigh[b - 0x80] : static_cast<char16_t>(b); }

char AnsiByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  const char16_t* hit = std::find(std::begin(kAnsiHigh), std::end(kAnsiHigh), c);
  return hit != std::end(kAnsiHigh) ? static_cast<char>(0x80 + (hit - kAnsiHigh)) : '?';
}

}  // namespace

std::u16string AnsiToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char ch : text) out.push_back(AnsiUnit(static_cast<unsigned char>(ch)));
  return out;
}

std::string Utf16ToAnsi(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(AnsiByte(c));
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf16(out, NextUtf8(text, &i));
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string AnsiToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) AppendUtf8(out, AnsiUnit(static_cast<unsigned char>(ch)));
  return out;
}

std::string Utf8ToAnsi(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) out.push_back(AnsiByte(NextUtf8(text, &i)));
  return out;
}

}  // namespace lumora
