// The program's command line: which shell command to run at start-up (new
// document, open a file, wait for a shell DDE request, or nothing) and how
// the program was started (embedding, automation, splash window).
//
//   fw::CommandLineInfo info = fw::ParseCommandLine(fw::SplitCommandLine(GetCommandLineA(), true));
//   if (info.shellCommand == fw::ShellCommand::kFileOpen) OpenDocumentFile(info.fileName);
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fw {

enum class ShellCommand {
  kFileNew,      // no file given: start with a new document
  kFileOpen,     // open `fileName`
  kFileDde,      // "/dde": the shell sends what to open through DDE
  kFileNothing,  // nothing to open (set by the program, never parsed)
};

struct CommandLineInfo {
  ShellCommand shellCommand = ShellCommand::kFileNew;
  std::string fileName;      // the first argument that is not a flag
  bool showSplash = true;    // false when started for embedding or automation
  bool runEmbedded = false;  // "/Embedding": started as an OLE server
  bool runAutomated = false; // "/Automation": started for automation
};

// Splits a command line as the C runtime of Windows does: blanks separate
// arguments, double quotes group blanks into one, a backslash run before a
// quote is halved (an odd run escapes the quote), "" inside quotes is a
// quote. With `hasProgramName` the first argument (the program path) is
// dropped; it is read up to the next quote or blank without escapes.
std::vector<std::string> SplitCommandLine(std::string_view commandLine, bool hasProgramName);

// Reads the arguments (without the program name). Flags start with '/' or
// '-' and are matched without regard to case: "Embedding", "Automation",
// "dde"; other flags are ignored. The first other argument is the file to
// open; later ones are ignored.
CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace fw
