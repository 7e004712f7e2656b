// The portable command-line splitter agrees with the system's own
// (CommandLineToArgvW) and with the arguments the runtime gave main.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/win/CommandLineWin32.h"
#include "platform/win32types.h"
#include <shellapi.h>

namespace {

std::vector<std::string> SystemSplit(const std::string& line) {
  const std::wstring wide(line.begin(), line.end());
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) {
    const std::wstring w(arguments[i]);
    out.emplace_back(w.begin(), w.end());
  }
  LocalFree(arguments);
  return out;
}

TEST(CommandLineSystem, SplitsAsTheSystemDoes) {
  const char* lines[] = {
      "\"C:\\Program Files\\Lumo40.exe\" \"C:\\My Images\\a b.lud\"",
      "Lumo40.exe   one\ttwo  ",
      "x.exe a\\\\\"b c\" d",
      "x.exe a\\\"b",
      "x.exe C:\\dir\\ \"C:\\dir\\\\\"",
      "x.exe /Embedding -Automation /dde",
      "x.exe \"\"",
  };
  for (const char* line : lines) EXPECT_EQ(fw::SplitCommandLine(line, true), SystemSplit(line)) << line;
}

TEST(CommandLineSystem, ReadsThisProcessLikeTheRuntime) {
  std::vector<std::string> runtime(__argv + 1, __argv + __argc);
  EXPECT_EQ(fw::SplitCommandLine(GetCommandLineA(), true), runtime);
  const fw::CommandLineInfo info = fw::ParseProcessCommandLine();
  EXPECT_FALSE(info.runEmbedded);
}

}  // namespace
