// A vocabulary held in memory and executors that record what they receive.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/Profile.h"
#include "lang/LangCommand.h"
#include "lang/Script.h"

namespace lang::test {

class MemoryProfile : public fw::Profile {
 public:
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue = {}) override {
    auto it = entries_.find({std::string(section), std::string(key)});
    return it == entries_.end() ? std::string(defaultValue) : it->second;
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override {
    entries_[{std::string(section), std::string(key)}] = std::string(value);
    return true;
  }
  bool Remove(std::string_view, std::optional<std::string_view> = std::nullopt) override { return false; }
  std::vector<std::string> GetKeyNames(std::string_view section) override {
    std::vector<std::string> names;
    for (const auto& [at, value] : entries_)
      if (at.first == section) names.push_back(at.second);
    return names;
  }
  void Command(std::string_view section, int n, std::string_view name, std::string_view format = {}) {
    WriteString(section, "COMMAND" + std::to_string(n), name);
    WriteString(section, "FORMAT" + std::to_string(n), format);
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> entries_;
};

// Every call of an installed executor: the command name and its arguments.
struct CallLog {
  std::vector<std::pair<std::string, std::string>> calls;
  LangExecutor Recorder(std::string name, int result = 1) {
    return [this, name = std::move(name), result](const char* arguments, ScriptRunState&) {
      calls.emplace_back(name, arguments);
      return result;
    };
  }
};

}  // namespace lang::test
