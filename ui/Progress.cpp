// The progress indicator's arithmetic, pump rules and current indicator.
#include "ui/Progress.h"

#include <algorithm>

namespace lumora {
namespace {

// Message numbers of the platform (portable code names them itself).
constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kWmEndSession = 0x0016;
constexpr std::uint32_t kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmCommand = 0x0111;
constexpr std::uint32_t kWmSysCommand = 0x0112;
constexpr std::uint32_t kWmDropFiles = 0x0233;
constexpr std::uintptr_t kScClose = 0xF060;
constexpr std::uintptr_t kVkEscape = 0x1B;

}  // namespace

std::optional<int> ProgressBarPosition(std::int64_t position, std::int64_t total) {
  if (total <= 0) return std::nullopt;
  return static_cast<int>(std::clamp<std::int64_t>(position * 100 / total, 0, 100));
}

std::optional<int> ProgressCursorFrame(std::int64_t position, std::int64_t total) {
  if (total <= 0) return std::nullopt;
  return static_cast<int>(std::clamp<std::int64_t>(position * 13 / total, 0, 12));
}

PumpAction ClassifyPumpedMessage(std::uint32_t message, std::uintptr_t wParam, bool cancelable,
                                 const std::function<bool(std::uint32_t)>& programDeferred) {
  if (message == kWmKeyUp && wParam == kVkEscape) return cancelable ? PumpAction::kCancel : PumpAction::kDispatch;
  switch (message) {
    case kWmClose:
    case kWmQuit:
    case kWmEndSession:
    case kWmCommand:
    case kWmDropFiles:
      return PumpAction::kDefer;
    case kWmSysCommand:
      return (wParam & 0xFFF0) == kScClose ? PumpAction::kDefer : PumpAction::kDispatch;
    default:
      return programDeferred && programDeferred(message) ? PumpAction::kDefer : PumpAction::kDispatch;
  }
}

ProgressService::ProgressService(ProgressWindowFactory open, std::function<std::string(int)> loadString)
    : open_(std::move(open)), loadString_(std::move(loadString)) {}

ProgressService::~ProgressService() { current_.reset(); }

void ProgressService::SetCaptionId(int stringId) {
  current_.reset();
  captionId_ = stringId;
}

ProgressWindow* ProgressService::Begin(const std::string& caption) {
  current_.reset();
  current_ = open_(caption);
  return current_.get();
}

ProgressWindow* ProgressService::BeginDefault() { return Begin(loadString_ ? loadString_(captionId_) : std::string()); }

void ProgressService::End() { current_.reset(); }

bool ProgressService::SetCancelable(bool cancelable) {
  return current_ != nullptr ? current_->SetCancelable(cancelable) : true;
}

int ProgressService::Step(std::int64_t position, std::int64_t total) {
  return current_ != nullptr && current_->Step(position, total) ? 1 : 0;
}

int ProgressService::Callback(int code, int total) {
  if (code == -1) {
    BeginDefault();
    return 1;
  }
  if (code == -2) {
    End();
    return 1;
  }
  return Step(code, total) != 0 ? 0 : 1;
}

}  // namespace lumora
