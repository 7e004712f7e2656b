// The script interpreter.
#include "lang/Script.h"

#include <algorithm>
#include <atomic>

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
  if (const std::size_t length = OverlongString(arguments); length != 0)
    return "a string of " + std::to_string(length) + " characters is too long: a string may have " +
           std::to_string(kMaxLangText) + " characters";
  state.failure.clear();
  if (command->Execute(arguments.c_str(), state) == 0)
    return "command \"" + name + "\" failed" + (state.failure.empty() ? "" : ": " + state.failure);
  return {};
}

// The progress indicator of a run of several lines: opened for the run,
// asked between lines (a long run stops on the user's cancel, as long tool
// runs do) and closed at its end. While the run lasts it stands between
// the statements and the program's indicator: a statement that opens and
// closes one of its own (reading a file, running a tool) closes the run's,
// which is opened again before the next question.
class RunProgress final : public lumora::ProgressIndicator {
 public:
  explicit RunProgress(std::size_t lines)
      : outer_(lumora::GetProgressIndicator()), total_(static_cast<int>(std::min<std::size_t>(lines, kMaxTotal))) {
    if (lines < 2 || outer_ == nullptr) {
      outer_ = nullptr;
      return;
    }
    lumora::SetProgressIndicator(this);
    Open();
  }
  ~RunProgress() override {
    if (outer_ == nullptr) return;
    if (open_) outer_->Callback(-2, 0);
    lumora::SetProgressIndicator(outer_);
  }
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // A statement's own indicator: a new caption or an opening replaces the
  // run's, an end closes it.
  void SetCaptionId(int stringId) override {
    open_ = false;
    outer_->SetCaptionId(stringId);
  }
  int Callback(int code, int total) override {
    if (code == -1 || code == -2) open_ = false;
    return outer_->Callback(code, total);
  }
  bool IsOpen() const override { return outer_->IsOpen(); }

  // Whether the user cancelled before line `next`. The run's indicator is
  // opened again when a statement closed it, here or by a road of its own
  // to the indicator (a tool run through the tool host).
  bool Cancelled(std::size_t next) {
    if (outer_ == nullptr) return false;
    if (!open_ || !outer_->IsOpen()) Open();
    return outer_->Callback(static_cast<int>(std::min<std::size_t>(next, kMaxTotal)), total_) == 0;
  }

 private:
  static constexpr std::size_t kMaxTotal = 0x7FFFFFFF;

  void Open() {
    outer_->SetCaptionId(IDS_PROCESSING);
    outer_->Callback(-1, 0);
    open_ = true;
  }

  lumora::ProgressIndicator* outer_;
  int total_;
  std::atomic<bool> open_{false};
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
