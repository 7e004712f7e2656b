// Routes the engine's progress reports to the installed indicator.
#include "engine/pixels/Progress.h"

#include <atomic>

namespace lumora {
namespace {
std::atomic<ProgressIndicator*> gIndicator{nullptr};
}  // namespace

void SetProgressIndicator(ProgressIndicator* indicator) { gIndicator.store(indicator); }
ProgressIndicator* GetProgressIndicator() { return gIndicator.load(); }

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
