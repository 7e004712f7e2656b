// BM_IdlePass: one idle pass of the application with nothing to do (no
// saved prompt texts, no tool-host error, no animation tick, the
// framework's idle work past count 0).
#include <benchmark/benchmark.h>

#include "app/IdlePass.h"
#include "app/PromptStack.h"
#include "hostapi/toolhost.h"

namespace {

class QuietIdle : public lumora::IdleServices {
 public:
  void RestoreSavedPrompts() override { prompts.RestoreSaved(); }
  void ResetToolHostError() override { LUResetError(); }
  void SendAnimationTick() override {}
  bool BaseIdle(int) override { return false; }
  void FlushServerItems() override {}
  lumora::CPromptStack prompts;
};

void BM_IdlePass(benchmark::State& state) {
  QuietIdle idle;
  lumora::AnimationTick tick;
  int count = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lumora::RunIdlePass(count, tick, idle));
    count = count % 9000 + 1;
  }
}
BENCHMARK(BM_IdlePass);

}  // namespace
