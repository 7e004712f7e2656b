// The shell's DDE open commands.
#include "app/ShellDde.h"

#include <cctype>

namespace lumora {

namespace {

void SkipBlanks(const std::string& t, std::size_t* at) {
  while (*at < t.size() && std::isspace(static_cast<unsigned char>(t[*at]))) ++*at;
}

bool Take(const std::string& t, std::size_t* at, char c) {
  SkipBlanks(t, at);
  if (*at >= t.size() || t[*at] != c) return false;
  ++*at;
  return true;
}

bool TakeWord(const std::string& t, std::size_t* at, const char* word) {
  SkipBlanks(t, at);
  std::size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (*at + i >= t.size() || std::tolower(static_cast<unsigned char>(t[*at + i])) != word[i]) return false;
  }
  *at += i;
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> ParseDdeOpenCommands(const std::string& text) {
  std::vector<std::string> paths;
  std::size_t at = 0;
  SkipBlanks(text, &at);
  while (at < text.size()) {
    if (!Take(text, &at, '[') || !TakeWord(text, &at, "open") || !Take(text, &at, '(') || !Take(text, &at, '"')) {
      return std::nullopt;
    }
    const std::size_t end = text.find('"', at);
    if (end == std::string::npos || end == at) return std::nullopt;
    paths.push_back(text.substr(at, end - at));
    at = end + 1;
    if (!Take(text, &at, ')') || !Take(text, &at, ']')) return std::nullopt;
    SkipBlanks(text, &at);
  }
  if (paths.empty()) return std::nullopt;
  return paths;
}

std::string DdeServiceName(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of("\\/");
  std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace lumora
