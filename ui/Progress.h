// The process-wide progress indicator: the arithmetic of its two faces (a
// bar in dialog 306, or a busy cursor and a status text), what its message
// pump does with each message, and the one indicator the program keeps
// open at a time, which is also the engine's ProgressIndicator. The window
// side (ui/win/ProgressInd.h) makes the faces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/pixels/Progress.h"

namespace lumora {

// The bar's position (0..100) for a step of `position` out of `total`,
// counted in 64 bits; nothing (the bar stays) when total is not above 0.
std::optional<int> ProgressBarPosition(std::int64_t position, std::int64_t total);
// The busy cursor's frame (0..12) for a step; positions past the total
// show the last frame, a negative one the first; nothing when total <= 0.
std::optional<int> ProgressCursorFrame(std::int64_t position, std::int64_t total);

// What the pump does with a message it takes from the queue while an
// operation runs: Escape's key-up cancels (when the caller allows it);
// messages that would close, open or run something under the running
// operation wait until the indicator closes; the rest is dispatched.
enum class PumpAction { kDispatch, kCancel, kDefer };
// `programDeferred` names the program's own messages that wait too (the
// hand-over of a file from a second start).
PumpAction ClassifyPumpedMessage(std::uint32_t message, std::uintptr_t wParam, bool cancelable,
                                 const std::function<bool(std::uint32_t)>& programDeferred = {});

// One indicator on screen (dialog 306, or the hidden face).
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void SetText(const std::string& caption) = 0;
  // Shows the step; true when the user cancelled (Escape, cancelable only).
  virtual bool Step(std::int64_t position, std::int64_t total) = 0;
  // Returns the previous setting.
  virtual bool SetCancelable(bool cancelable) = 0;
};

// Opens indicators: the program's dialog, a fake in tests. Null when the
// window cannot be made.
using ProgressWindowFactory = std::function<std::unique_ptr<ProgressWindow>(const std::string& caption)>;

// The current indicator: every opening closes the one before. A cancel
// does not close it; the caller ends it.
class ProgressService : public ProgressIndicator {
 public:
  ProgressService(ProgressWindowFactory open, std::function<std::string(int)> loadString);
  ~ProgressService() override;

  // ProgressIndicator: the engine's callback protocol.
  void SetCaptionId(int stringId) override;
  int Callback(int code, int total) override;
  bool IsOpen() const override { return current_ != nullptr; }
  bool SetCancelable(bool cancelable) override;

  ProgressWindow* Begin(const std::string& caption);
  ProgressWindow* BeginDefault();
  void End();
  // 1 when the user cancelled, else 0 (also with nothing open).
  int Step(std::int64_t position, std::int64_t total);
  ProgressWindow* Current() const { return current_.get(); }
  int CaptionId() const { return captionId_; }

 private:
  ProgressWindowFactory open_;
  std::function<std::string(int)> loadString_;
  std::unique_ptr<ProgressWindow> current_;
  int captionId_ = 0;
};

}  // namespace lumora
