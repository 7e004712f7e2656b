// The About box's figures.
#include "app/AboutBox.h"

namespace lumora {

std::string FormatDiskFree(const std::string& format, std::uint64_t freeBytes, char drive) {
  std::string text;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      text += format[i];
      continue;
    }
    // Length letters ("l", "ll", "I64") say nothing here: the number is 64-bit.
    std::size_t j = i + 1;
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'I' || format[j] == '6' ||
                                 format[j] == '4'))
      ++j;
    if (j == format.size()) {
      text += format.substr(i);
      break;
    }
    switch (format[j]) {
      case 'u':
      case 'd':
      case 'i':
        text += std::to_string(freeBytes / 1024);
        break;
      case 'c':
        text += drive;
        break;
      case '%':
        text += '%';
        break;
      default:
        text += format.substr(i, j + 1 - i);  // not ours: kept as written
        break;
    }
    i = j;
  }
  return text;
}

}  // namespace lumora
