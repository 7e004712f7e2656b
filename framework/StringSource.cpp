// String lookup through an installable provider, with the string table
// generated from the resource script as the fallback.
#include "framework/StringSource.h"

#include <utility>

#include "res/StringTable.h"

namespace fw {
namespace {

StringProvider& Provider() {
  static StringProvider provider;
  return provider;
}

}  // namespace

std::string ResourceString(std::uint32_t id) {
  if (Provider()) {
    std::string text = Provider()(id);
    if (!text.empty()) return text;
  }
  return std::string(res::String(id));
}

void SetStringProvider(StringProvider provider) { Provider() = std::move(provider); }

std::string FormatString(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] == '%' && next >= '1' && next <= '9') {
      std::size_t index = static_cast<std::size_t>(next - '1');
      if (index < args.size()) out += args[index];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string PromptOf(const std::string& commandString) {
  return commandString.substr(0, commandString.find('\n'));
}

std::string TooltipOf(const std::string& commandString) {
  std::size_t nl = commandString.find('\n');
  return nl == std::string::npos ? std::string() : commandString.substr(nl + 1);
}

}  // namespace fw
