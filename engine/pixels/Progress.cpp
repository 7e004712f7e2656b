// Routes the engine's progress reports to the installed indicator.
#include "engine/pixels/Progress.h"

#include <atomic>

namespace lumora {
namespace {
std::atomic<ProgressIndicator*> gIndicator{nullptr};
thread_local bool gSilenced = false;
}  // namespace

void SetProgressIndicator(ProgressIndicator* indicator) { gIndicator.store(indicator); }
ProgressIndicator* GetProgressIndicator() { return gSilenced ? nullptr : gIndicator.load(); }

ProgressSilence::ProgressSilence() : wasSilenced_(gSilenced) { gSilenced = true; }
ProgressSilence::~ProgressSilence() { gSilenced = wasSilenced_; }

}  // namespace lumora

void ProgressSetCaptionId(int stringId) {
  if (auto* p = lumora::GetProgressIndicator()) p->SetCaptionId(stringId);
}

void ProgressBeginDefault() {
  if (auto* p = lumora::GetProgressIndicator()) p->Callback(-1, 0);
}

void ProgressEnd() {
  if (auto* p = lumora::GetProgressIndicator()) p->Callback(-2, 0);
}

int ProgressCallback(int code, int total) {
  auto* p = lumora::GetProgressIndicator();
  return p != nullptr ? p->Callback(code, total) : 1;
}

bool ProgressSetCancelable(bool cancelable) {
  auto* p = lumora::GetProgressIndicator();
  return p != nullptr ? p->SetCancelable(cancelable) : true;
}
