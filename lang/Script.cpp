// The script interpreter.
#include "lang/Script.h"

#include <algorithm>

#include "engine/pixels/Progress.h"
#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "res/resource.h"

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

// The progress indicator of a run of several lines: opened for the run,
// asked between lines (a long run stops on the user's cancel as long tool
// runs do) and closed at its end.
class RunProgress {
 public:
  explicit RunProgress(std::size_t lines) : total_(static_cast<int>(std::min<std::size_t>(lines, kMaxTotal))) {
    if (lines < 2) return;
    open_ = true;
    ProgressSetCaptionId(IDS_PROCESSING);
    ProgressBeginDefault();
  }
  ~RunProgress() {
    if (open_) ProgressEnd();
  }
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // Whether the user cancelled before line `next`.
  bool Cancelled(std::size_t next) const {
    return open_ && ProgressCallback(static_cast<int>(std::min<std::size_t>(next, kMaxTotal)), total_) == 0;
  }

 private:
  static constexpr std::size_t kMaxTotal = 0x7FFFFFFF;
  int total_;
  bool open_ = false;
};

}  // namespace

bool RunScript(const LineList& lines, ScriptStop* stop, LangCommandSet* commands) {
  LangCommandSet* set = commands != nullptr ? commands : GetLangCommands();
  ScriptRunState state;
  bool inBlockComment = false;
  std::string name;
  std::string arguments;
  RunProgress progress(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // The lines already run keep their effect, each its own undo step.
    if (i > 0 && progress.Cancelled(i)) {
      if (stop != nullptr) *stop = ScriptStop{i, "line " + std::to_string(i + 1) + ": the run was cancelled"};
      return false;
    }
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
