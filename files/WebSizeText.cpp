#include "files/WebSizeText.h"

namespace lumora {

namespace {

std::string UnitText(std::uint64_t bytes, std::uint64_t unit, const char* name) {
  const std::uint64_t whole = bytes / unit;
  const std::uint64_t thousandths = (bytes % unit) * 1000 / unit;
  std::string text = " " + std::to_string(whole);
  if (thousandths != 0) {
    std::string digits = std::to_string(thousandths);
    digits.insert(0, 3 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + " " + name;
}

}  // namespace

std::string FormatSizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " b";
  if (bytes < 1048576) return UnitText(bytes, 1024, "Kb");
  return UnitText(bytes, 1048576, "Mb");
}

}  // namespace lumora
