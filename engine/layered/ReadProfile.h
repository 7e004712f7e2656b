// Where a read of a layered file spends its time, stage by stage: wall time
// and the minor page faults taken (each first touch of a fresh page), for
// the reading benchmark. Off unless a profile is set on the reading thread;
// then each stage costs two clock readings and two fault counts per band of
// rows.
#pragma once

#include <chrono>
#include <cstdint>

namespace lumora {

struct ReadStage {
  double seconds = 0;
  std::uint64_t faults = 0;
};

struct LayeredReadProfile {
  ReadStage fileRead;   // the file's bytes into working memory
  ReadStage unpacking;  // PackBits rows decoded into channel rows
  ReadStage join;       // channel rows into pixels and the transparency buffer (first touch of the layers' buffers)
  ReadStage maskFold;   // user masks folded into the transparency
  ReadStage merged;     // the merged image (read only by readers that keep it)
  ReadStage waitAhead;  // waiting for buffers helper threads make ahead (BuffersAhead)
};

// Reads on the calling thread add to `profile` while it is set (null: no
// profile). Not owned.
void SetLayeredReadProfile(LayeredReadProfile* profile);
LayeredReadProfile* GetLayeredReadProfile();

// Adds the time and faults of its scope to one stage of the thread's
// profile, when there is one.
class ReadStageScope {
 public:
  explicit ReadStageScope(ReadStage LayeredReadProfile::*stage);
  ~ReadStageScope();
  ReadStageScope(const ReadStageScope&) = delete;
  ReadStageScope& operator=(const ReadStageScope&) = delete;

 private:
  ReadStage* stage_ = nullptr;
  std::chrono::steady_clock::time_point start_;
  std::uint64_t faults_ = 0;
};

}  // namespace lumora
