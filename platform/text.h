// The program's two kinds of text and the conversions between them. Texts
// of the program (the string table, file names, scripts) are 8-bit in the
// Windows-1252 code page; layer names are UTF-8, so a name from another
// program keeps every character it had. Windows shows either through
// UTF-16.
#pragma once

#include <string>

namespace lumora {

// Windows-1252 to and from UTF-16: every byte maps to a code unit and back;
// units with no byte become '?'.
std::u16string AnsiToUtf16(const std::string& text);
std::string Utf16ToAnsi(const std::u16string& text);

// UTF-8 and UTF-16. A byte sequence that is no UTF-8, and a lone surrogate,
// become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// Windows-1252 and UTF-8 (characters with no byte become '?').
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);

}  // namespace lumora
