// The script interpreter.
#include "lang/Script.h"

#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"

namespace lang {

ScriptRunState::~ScriptRunState() {
  FreeSelection();
  FreePolygon();
}

void ScriptRunState::FreeSelection() {
  if (selection != nullptr) DeleteFragment(selection);
  selection = nullptr;
}

void ScriptRunState::FreePolygon() {
  if (polygon != nullptr) DeleteFragment(polygon);
  polygon = nullptr;
}

int RunStatement(std::string_view name, const std::string& arguments, ScriptRunState& state,
                 LangCommandSet* commands) {
  LangCommandSet* set = commands != nullptr ? commands : GetLangCommands();
  LangCommand* command = set != nullptr ? set->Find(name) : nullptr;
  if (command == nullptr) return 0;
  return command->Execute(arguments.c_str(), state);
}

namespace {

// Runs one line; an empty result means it went on, else why it stopped.
std::string RunLine(std::string_view line, bool& inBlockComment, ScriptRunState& state, std::string& name,
                    std::string& arguments, LangCommandSet* set) {
  if (IsCommentLine(inBlockComment, line)) return {};
  switch (SplitStatement(line, name, arguments)) {
    case SplitResult::kNotStatement:
      return "not a statement: no opening bracket";
    case SplitResult::kTooLong:
      return "statement too long: a name may have " + std::to_string(kMaxLangText) +
             " characters and the arguments " + std::to_string(kMaxArgumentText);
    case SplitResult::kStatement:
      break;
  }
  LangCommand* command = set != nullptr ? set->Find(name) : nullptr;
  if (command == nullptr) return "unknown command \"" + name + "\"";
  state.failure.clear();
  if (command->Execute(arguments.c_str(), state) == 0)
    return "command \"" + name + "\" failed" + (state.failure.empty() ? "" : ": " + state.failure);
  return {};
}

}  // namespace

bool RunScript(const LineList& lines, ScriptStop* stop, LangCommandSet* commands) {
  LangCommandSet* set = commands != nullptr ? commands : GetLangCommands();
  ScriptRunState state;
  bool inBlockComment = false;
  std::string name;
  std::string arguments;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string reason = RunLine(lines[i], inBlockComment, state, name, arguments, set);
    if (!reason.empty()) {
      if (stop != nullptr) *stop = ScriptStop{i, "line " + std::to_string(i + 1) + ": " + reason};
      return false;
    }
  }
  if (stop != nullptr) *stop = ScriptStop{lines.size(), {}};
  return true;
}

bool RunScript(const LineList& lines, std::size_t* stopIndex, LangCommandSet* commands) {
  ScriptStop stop;
  const bool complete = RunScript(lines, &stop, commands);
  if (stopIndex != nullptr) *stopIndex = stop.line;
  return complete;
}

}  // namespace lang
