// The macro window: a floating window with its own menu and an edit
// control holding the script; while it is open and visible, with its
// Recording switch on and no script running, the recorder's statements are
// appended to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/win/Window.h"
#include "lang/Recorder.h"
#include "lang/Script.h"

namespace lang {

// What a failed run does to get the user's attention, replaceable so that
// it can be seen.
struct LangWndAlerts {
  void (*flash)(HWND window) = nullptr;
  void (*beep)() = nullptr;
  void (*pause)(unsigned milliseconds) = nullptr;
};
LangWndAlerts& MacroWindowAlerts();

class CLangWnd final : public fw::Window, public MacroLineSink {
 public:
  // Makes the window owned by `owner` and puts it in the recorder's place;
  // `openFlag` (may be null) is set while the window exists.
  static CLangWnd* Open(HWND owner, bool* openFlag);
  ~CLangWnd() override;

  // The recorder's line sink.
  bool IsRecording() const override;
  void AppendLines(const LineList& lines) override { AppendText(lines, false); }
  void ReportRecordingFailure(const std::string& why) override;

  // Hides the window or shows it again (the View menu's command), its
  // script, file name and recording switch kept; `SHOW` follows.
  void SetShown(bool show);

  void AppendLine(std::string_view line, bool force);
  void AppendText(const LineList& lines, bool force);
  // Runs the whole text; on failure the failing line is selected. True when
  // every line ran.
  bool RunScript();
  bool SaveModified();
  bool Save();
  bool SaveAs();
  // Writes the whole text and its zero byte through a temporary file
  // that replaces the file only once complete; false, with a message and
  // the file as it was, for a text that cannot be saved whole.
  bool SaveToFile(const std::string& path);
  // Shows the file's text; false, with a message naming the file and the
  // window's text unchanged, for a file that cannot be read or is no
  // script (ScriptTextFromFileBytes). An empty file changes nothing.
  bool LoadFromFile(const std::string& path);
  void CloseDiscard();

  HWND EditControl() const { return edit_; }
  std::string Text() const;
  bool RecordingSwitch() const { return recording_; }
  bool Running() const { return running_; }
  const std::string& FileName() const { return fileName_; }

  // The text, modified flag, selection, file name and recording switch
  // (MacroWindowState's layout); a load that fails leaves the window as it
  // was and throws the archive's exception.
  void Serialize(fw::Archive& archive) override;
  bool PreTranslateMessage(MSG* msg) override;
  // The window's own commands (menu 4018) and their update rules, for the
  // main frame, which offers every command here first.
  bool OnCmdMsg(fw::MessageArgs& args) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void PostNcDestroy() override { delete this; }

 private:
  CLangWnd();
  LRESULT OnCreate();
  void OnCommandId(std::uint32_t id);
  void OnEffects();
  // A file's fault in a message box over the window.
  void ShowFileProblem(const std::string& text) const;
  void UpdateMenu(HMENU menu);
  // The update rule of one command: whether it is enabled, and for the
  // Recording switch whether it is checked.
  bool CommandEnabled(std::uint32_t id) const;
  bool ChooseFile(bool open, std::uint32_t titleId, std::string& path);
  void SetText(const std::string& text);
  // Puts the lines appended since the last call into the edit control.
  void FlushAppended() const;

  HWND edit_ = nullptr;
  // Appended lines not yet in the edit control (see AppendLine), and
  // whether the message that puts them there is on its way.
  mutable std::string pending_;
  mutable bool flushPosted_ = false;
  bool* openFlag_ = nullptr;
  bool running_ = false;
  std::string fileName_;
  bool recording_ = true;
  HACCEL accelerators_ = nullptr;
  MacroLineSink* formerSink_ = nullptr;
};

}  // namespace lang
