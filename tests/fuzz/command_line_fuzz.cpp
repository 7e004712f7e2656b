// Fuzz target of the start-up's outside input: the first byte chooses the
// command line (even) or the block a second start hands over (odd), the
// rest is its bytes. A command line gives at most one file to open, one of
// its own arguments, and that file handed over reaches the running
// program as the same name. A handed-over block gives names without zero
// bytes, each of which, handed over again, reads the same.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/HandOver.h"
#include "framework/CommandLine.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

void HandedOver(const std::string& name) {
  const std::vector<std::uint8_t> block = MakeDropFilesBlock(name);
  const std::vector<std::string> back = ReadDropFilesBlock(block.data(), block.size());
  if (back.size() != 1 || back[0] != name) __builtin_trap();
}

void CommandLine(std::string_view text) {
  for (const bool withProgram : {true, false}) {
    const std::vector<std::string> arguments = fw::SplitCommandLine(text, withProgram);
    for (const std::string& argument : arguments) {
      if (argument.find('\0') != std::string::npos && text.find('\0') == std::string_view::npos) __builtin_trap();
    }
    const fw::CommandLineInfo info = fw::ParseCommandLine(arguments);
    if (info.shellCommand == fw::ShellCommand::kFileNothing) __builtin_trap();
    if (info.fileName.empty()) {
      if (info.shellCommand == fw::ShellCommand::kFileOpen) __builtin_trap();
      continue;
    }
    if (std::find(arguments.begin(), arguments.end(), info.fileName) == arguments.end()) __builtin_trap();
    if (info.fileName.find('\0') == std::string::npos) HandedOver(info.fileName);
  }
}

void Block(const std::uint8_t* data, std::size_t size) {
  // Copied, so that a read one past the block is caught.
  const std::vector<std::uint8_t> block(data, data + size);
  for (const std::string& name : ReadDropFilesBlock(block.data(), block.size())) {
    if (name.empty() || name.find('\0') != std::string::npos) __builtin_trap();
    HandedOver(name);
  }
}

}  // namespace

LUMORA_FUZZ_TARGET(command_line)(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    CommandLine(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  } else {
    Block(data + 1, size - 1);
  }
  return 0;
}
