// The command line: splitting as the C runtime of Windows does, and the
// start-up flags and shell command read from the arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CommandLine.h"

namespace {

using fw::ShellCommand;
using Args = std::vector<std::string>;

TEST(CommandLine, SplitsLikeTheWindowsRuntime) {
  const struct {
    const char* line;
    Args arguments;
  } cases[] = {
      {"\"C:\\Program Files\\Lumo40.exe\" \"C:\\My Images\\a b.lud\"", {"C:\\My Images\\a b.lud"}},
      {"Lumo40.exe   one\ttwo  ", {"one", "two"}},
      {"C:\\Lumo\\Lumo40.exe", {}},
      {"\"C:\\Lumo\\Lumo40.exe\"", {}},
      {"x.exe a\\\\\"b c\" d", {"a\\b c", "d"}},      // two backslashes before a quote: one, and the quote groups
      {"x.exe a\\\"b", {"a\"b"}},                     // an odd run escapes the quote
      {"x.exe C:\\dir\\ \"C:\\dir\\\\\"", {"C:\\dir\\", "C:\\dir\\"}},
      {"x.exe \"a \"\"quoted\"\" word\"", {"a \"quoted\" word"}},
      {"x.exe \"\"", {""}},
      {"x.exe \"unterminated arg", {"unterminated arg"}},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::SplitCommandLine(c.line, true), c.arguments) << c.line;
  EXPECT_EQ(fw::SplitCommandLine("/Embedding a.lud", false), (Args{"/Embedding", "a.lud"}));
}

TEST(CommandLine, ReadsTheShellCommandAndStartFlags) {
  const struct {
    Args arguments;
    ShellCommand command;
    const char* file;
    bool splash, embedded, automated;
  } cases[] = {
      {{}, ShellCommand::kFileNew, "", true, false, false},
      {{"C:\\My Images\\a b.lud"}, ShellCommand::kFileOpen, "C:\\My Images\\a b.lud", true, false, false},
      {{"a.lud", "b.lud"}, ShellCommand::kFileOpen, "a.lud", true, false, false},
      {{"/Embedding"}, ShellCommand::kFileNew, "", false, true, false},
      {{"-embedding"}, ShellCommand::kFileNew, "", false, true, false},
      {{"/AUTOMATION"}, ShellCommand::kFileNew, "", false, false, true},
      {{"/dde"}, ShellCommand::kFileDde, "", true, false, false},
      {{"/DDE", "a.lud"}, ShellCommand::kFileDde, "a.lud", true, false, false},
      {{"/Embedding", "a.lud"}, ShellCommand::kFileOpen, "a.lud", false, true, false},
      {{"/unknown", "a.lud"}, ShellCommand::kFileOpen, "a.lud", true, false, false},
      {{""}, ShellCommand::kFileNew, "", true, false, false},
  };
  for (const auto& c : cases) {
    const fw::CommandLineInfo info = fw::ParseCommandLine(c.arguments);
    SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : c.arguments.front());
    EXPECT_EQ(info.shellCommand, c.command);
    EXPECT_EQ(info.fileName, c.file);
    EXPECT_EQ(info.showSplash, c.splash);
    EXPECT_EQ(info.runEmbedded, c.embedded);
    EXPECT_EQ(info.runAutomated, c.automated);
  }
}

}  // namespace
