// The processor clocks of the benchmarks' marks: fine enough to time one
// event of a few milliseconds, and counting the work, not the waiting.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/trace.h"

namespace {

TEST(CpuClocks, StepFinerThanAMillisecondAndStandStillWhileTheThreadSleeps) {
  ASSERT_TRUE(lumora::FineCpuClocks());
  // The smallest advance the thread's clock shows while the thread works.
  double smallest = 1e9;
  double last = lumora::ThreadCpuMilliseconds();
  const double processStart = lumora::ProcessCpuMilliseconds();
  const double start = last;
  volatile unsigned sink = 0;
  while (last - start < 30) {
    for (int i = 0; i < 1000; ++i) sink = sink * 33 + i;
    const double now = lumora::ThreadCpuMilliseconds();
    if (now > last) smallest = std::min(smallest, now - last);
    last = now;
  }
  EXPECT_LT(smallest, 1.0);
  // The process's clock counts this thread's work too.
  EXPECT_GE(lumora::ProcessCpuMilliseconds() - processStart, last - start - 0.5);
  const double beforeSleep = lumora::ThreadCpuMilliseconds();
  Sleep(100);
  EXPECT_LT(lumora::ThreadCpuMilliseconds() - beforeSleep, 5.0);
}

}  // namespace
