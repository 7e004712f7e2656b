// The script interpreter: runs a list of lines statement by statement and
// reports where and why it stopped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Fragment;

namespace lang {

class LangCommandSet;

using LineList = std::vector<std::string>;

// Shared by the statements of one run. The run owns both fragments: they
// are released when the run ends, whichever way it ends.
struct ScriptRunState {
  std::int32_t activeLayer = -1;
  Fragment* selection = nullptr;
  Fragment* polygon = nullptr;
  std::int32_t edgeDegree = 0;
  std::int32_t edgeType = 0;
  std::string sequenceBasePath;
  std::int32_t sequenceCounter = 0;
  // Why the last statement failed, when its executor says (cleared before
  // each statement).
  std::string failure;

  ScriptRunState() = default;
  ScriptRunState(const ScriptRunState&) = delete;
  ScriptRunState& operator=(const ScriptRunState&) = delete;
  ~ScriptRunState();
  void FreeSelection();
  void FreePolygon();
};

// Where a run stopped: the line index (the line count after a complete run)
// and, for a stopped run, why.
struct ScriptStop {
  std::size_t line = 0;
  std::string reason;
};

// Runs `lines` with `commands` (the installed set when null). True when
// every line was handled. A run of several lines opens the progress
// indicator and asks it between lines: the user's cancel stops the run
// there ("cancelled" in the stop's reason), the lines run before keeping
// their effect.
bool RunScript(const LineList& lines, std::size_t* stopIndex, LangCommandSet* commands = nullptr);
bool RunScript(const LineList& lines, ScriptStop* stop, LangCommandSet* commands = nullptr);

// Looks the name up and executes it; 0 when no command has the name.
int RunStatement(std::string_view name, const std::string& arguments, ScriptRunState& state,
                 LangCommandSet* commands = nullptr);

}  // namespace lang
