// Argument text and dispatch ids of the automation object.
#include "app/AutomationArgs.h"

#include <cctype>

#include "lang/Lexer.h"

namespace lumora {

namespace {

constexpr std::uint16_t kByRef = 0x4000;
enum : std::uint16_t {
  kI2 = 2, kI4 = 3, kBstr = 8, kBool = 11, kI1 = 16, kUI1 = 17, kUI2 = 18, kUI4 = 19, kInt = 22, kUInt = 23
};

int IntegersOf(char item) {
  switch (item) {
    case 'd': return 1;
    case 'p': return 2;
    case 'c': return 3;
    case 'r': return 4;
    default: return 0;
  }
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

bool IsIntegerArgumentType(std::uint16_t vt) {
  switch (vt) {
    case kI2: case kBool: case kI4: case kUI4: case kI1: case kUI1: case kUI2: case kInt: case kUInt:
    case kByRef | kI2: case kByRef | kBool: case kByRef | kI4: case kByRef | kUI1:
      return true;
    default:
      return false;
  }
}

bool IsStringArgumentType(std::uint16_t vt) { return vt == kBstr; }

AutomationText BuildAutomationArguments(const std::string& format, const std::vector<AutomationArg>& args) {
  AutomationText out;
  std::size_t next = 0;  // the next argument in call order
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == ' ' || c == '\t' || c == ',') continue;
    if (c != '%' || i + 1 >= format.size()) return AutomationText{kAutomationFail, -1, {}};
    const char item = format[++i];
    const bool isString = item == 's';
    const int integers = IntegersOf(item);
    if (!isString && integers == 0) return AutomationText{kAutomationFail, -1, {}};
    const std::size_t wanted = isString ? 1 : static_cast<std::size_t>(integers);
    if (next + wanted > args.size()) return AutomationText{kAutomationBadParamCount, -1, {}};
    for (std::size_t k = 0; k < wanted; ++k, ++next) {
      const AutomationArg& a = args[next];
      if (isString ? !IsStringArgumentType(a.vt) : !IsIntegerArgumentType(a.vt)) {
        return AutomationText{kAutomationTypeMismatch, static_cast<int>(next), {}};
      }
      out.text += isString ? lang::QuoteLangString(a.text) + "," : std::to_string(a.integer) + ",";
    }
  }
  return out;
}

std::int32_t CommandDispId(const std::vector<std::string>& sortedNames, const std::string& name) {
  for (std::size_t i = 0; i < sortedNames.size(); ++i) {
    if (EqualNoCase(sortedNames[i], name)) return kFirstCommandDispId + static_cast<std::int32_t>(i);
  }
  return -1;
}

}  // namespace lumora
