// The area tools the tool host offers, each bound to a command of the
// selection bar (40010 + its place in the list), read once at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

constexpr std::uint32_t kFirstAreaCommand = 40010;
constexpr std::uint32_t kLastAreaCommand = 40029;

struct RegisteredAreaTool {
  int item = 0;  // the tool host's item
  std::uint32_t command = 0;
  std::string name;
};

class AreaToolList {
 public:
  // Walks the tool host's selection tools; every one but "Area_Text" (the
  // text tool is the program's own) is listed, up to the last command.
  void Register(const void* site);
  const std::vector<RegisteredAreaTool>& Tools() const { return tools_; }
  bool Empty() const { return tools_.empty(); }
  bool HasWholeImageTool() const { return hasWhole_; }
  // The tool of a command, from the last entry backwards; null when none.
  const RegisteredAreaTool* ByCommand(std::uint32_t command) const;
  // The place of the tool host's active selection tool, -1 when none.
  int FindActive(const void* site) const;

 private:
  std::vector<RegisteredAreaTool> tools_;
  bool hasWhole_ = false;
};

}  // namespace lumora
