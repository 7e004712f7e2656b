// Command-line splitting and the start-up flags.
#include "framework/CommandLine.h"

namespace fw {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameFlag(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The program path: up to the next blank, or quoted with no escapes.
std::size_t SkipProgramName(std::string_view line) {
  std::size_t i = 0;
  if (i < line.size() && line[i] == '"') {
    const std::size_t close = line.find('"', 1);
    return close == std::string_view::npos ? line.size() : close + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) ++i;
  return i;
}

void ApplyFlag(std::string_view flag, CommandLineInfo& info) {
  if (SameFlag(flag, "Embedding")) {
    info.runEmbedded = true;
    info.showSplash = false;
  } else if (SameFlag(flag, "Automation")) {
    info.runAutomated = true;
    info.showSplash = false;
  } else if (SameFlag(flag, "dde")) {
    info.shellCommand = ShellCommand::kFileDde;
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line, bool hasProgramName) {
  std::vector<std::string> arguments;
  std::size_t i = hasProgramName ? SkipProgramName(line) : 0;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) return arguments;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      std::size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') ++slashes, ++i;
      if (i < line.size() && line[i] == '"') {
        argument.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          argument += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          argument += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument.append(slashes, '\\');
        if (i < line.size() && slashes == 0) argument += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLineInfo info;
  for (const std::string& argument : arguments) {
    if (!argument.empty() && (argument[0] == '/' || argument[0] == '-')) {
      ApplyFlag(std::string_view(argument).substr(1), info);
    } else if (info.fileName.empty() && !argument.empty()) {
      info.fileName = argument;
    }
  }
  if (!info.fileName.empty() && info.shellCommand == ShellCommand::kFileNew) {
    info.shellCommand = ShellCommand::kFileOpen;
  }
  return info;
}

}  // namespace fw
