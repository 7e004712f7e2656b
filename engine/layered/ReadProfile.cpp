// The reading profile's thread-local sink and its stage timer.
#include "engine/layered/ReadProfile.h"

#include "platform/page_memory.h"

namespace lumora {

namespace {
thread_local LayeredReadProfile* tProfile = nullptr;
}  // namespace

void SetLayeredReadProfile(LayeredReadProfile* profile) { tProfile = profile; }
LayeredReadProfile* GetLayeredReadProfile() { return tProfile; }

ReadStageScope::ReadStageScope(ReadStage LayeredReadProfile::*stage) {
  if (tProfile == nullptr) return;
  stage_ = &(tProfile->*stage);
  faults_ = ThreadMinorFaults();
  start_ = std::chrono::steady_clock::now();
}

ReadStageScope::~ReadStageScope() {
  if (stage_ == nullptr) return;
  stage_->seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  stage_->faults += ThreadMinorFaults() - faults_;
}

}  // namespace lumora
