// The start-up of the macro language: the command set over "LANG.ini"
// beside the program with every executor installed, the recorder's sink and
// the program folder that holds "Macroses".
#pragma once

#include <string>
#include <vector>

#include "lang/LangCommand.h"
#include "lang/Recorder.h"
#include "lang/doc/DocumentCommands.h"

namespace lang {

// A line sink that keeps what is recorded while its switch is on (off at
// first); the macro window takes its place once it exists.
class MacroLineBuffer final : public MacroLineSink {
 public:
  bool IsRecording() const override { return recording_; }
  void AppendLines(const LineList& lines) override { lines_.insert(lines_.end(), lines.begin(), lines.end()); }
  void ReportRecordingFailure(const std::string& why) override { failures_.push_back(why); }
  void SetRecording(bool on) { recording_ = on; }
  const LineList& Lines() const { return lines_; }
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  bool recording_ = false;
  LineList lines_;
  std::vector<std::string> failures_;
};

struct MacroLanguageSetup {
  std::string modulePath;                   // the program's module file name
  ScriptDocumentSite* documents = nullptr;  // null: document and tool statements fail
  // The site given to the tool host: registered-tool statements run through
  // the tool host on the active document's active image.
  const void* toolHostSite = nullptr;
  MacroLineSink* sink = nullptr;            // null: nothing is recorded
  // Null: the active document of `documents` and its active layer.
  RecordImageContext* image = nullptr;
};

// Everything the program calls once at start-up; the objects it is given
// must live until the program ends. Called again, it replaces the former
// installation.
void InstallMacroLanguage(const MacroLanguageSetup& setup);
// Undoes it (at exit): no commands, no recording.
void RemoveMacroLanguage();

}  // namespace lang
