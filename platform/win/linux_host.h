// Under Wine on Linux the program's code runs as a Linux process, and a few
// kernel services Wine does not pass on are asked of the kernel directly:
// the per-thread and per-process processor clocks (Wine counts them in
// 10 ms ticks) and large pages for large blocks of memory. Each call does
// nothing, and says so, anywhere else: on Windows, and under Wine on
// another system.
#pragma once

#include <cstddef>

namespace lumora {

// Whether Wine says its host system is Linux (on x86-64).
bool RunsOnWineLinux();

// The Linux clocks of processor time, in milliseconds: false where there
// are none to ask.
bool LinuxThreadCpuClock(double* milliseconds);
bool LinuxProcessCpuClock(double* milliseconds);

// Asks the kernel to map the range in large pages when it has them free
// (madvise MADV_HUGEPAGE); false where it cannot be asked or refuses.
bool LinuxAdviseLargePages(void* start, std::size_t bytes);

}  // namespace lumora
