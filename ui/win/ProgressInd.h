// The progress indicator's window: dialog 306 with its bar, or, with the
// dialog face switched off, the busy cursor and a status text; its message
// pump; and the messages that wait until it closes. The application
// installs it at start-up (InstallProgressIndicator) as the engine's
// indicator; the tool host reaches it through the site.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Progress.h"

namespace lumora {

// What the indicator needs of the program.
struct ProgressHost {
  std::function<HWND()> activeTopLevel;   // the owner: the active image's top-level window
  std::function<HWND()> mainWindow;
  std::function<bool()> showDialog;       // the ShowProgressIndicator setting
  // A status entry on the message bar's channel (priority 100), its text.
  std::function<int()> addPrompt;
  std::function<void(int handle, const std::string& text)> setPrompt;
  std::function<void(int handle)> clearPrompt;
  // The program's own messages that wait while an operation runs.
  std::function<bool(UINT)> programDeferred;
  HCURSOR frames[13] = {};
};

class CProgressInd : public ProgressWindow {
 public:
  ~CProgressInd() override;
  // Null when the dialog cannot be made.
  static std::unique_ptr<CProgressInd> Open(const ProgressHost& host, const std::string& caption);

  void SetText(const std::string& caption) override;
  bool Step(std::int64_t position, std::int64_t total) override;
  bool SetCancelable(bool cancelable) override;

  HWND Handle() const { return hwnd_; }
  bool Shown() const { return shown_; }

  // A step between two that changed nothing on screen looks at the window
  // and the queue only when this long has passed since the last look.
  static constexpr std::uint64_t kLookIntervalMs = 20;

 private:
  explicit CProgressInd(const ProgressHost& host);
  bool Pump();

  const ProgressHost& host_;
  std::string caption_;
  bool cancelable_ = true;
  bool shown_ = false;
  int prompt_ = 0;
  HWND owner_ = nullptr;
  HWND hwnd_ = nullptr;
  std::vector<HWND> disabled_;
  int lastShownStep_ = -1;  // bar position or cursor frame at the last look
  std::uint64_t lastLook_ = 0;
};

// The process-wide indicator: made once by the application, installed as
// the engine's indicator; null before.
void InstallProgressIndicator(const ProgressHost& host);
void RemoveProgressIndicator();
ProgressService* TheProgress();

// True while an indicator is open: what would close or open documents
// under the running operation waits, and a logoff is refused.
bool ProgressIsRunning();
// Keeps a message for when the last indicator closes; it is posted then,
// in the order kept (WM_QUIT as a quit message).
void DeferUntilProgressEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the indicator with a caption text (the engine's ProgressEnd,
// ProgressSetCaptionId and ProgressCallback reach the same indicator).
ProgressWindow* ProgressBegin(const std::string& caption);

}  // namespace lumora
