// Timed marks for the benchmarks: one line per mark, "<name> <milliseconds
// since the process started>", appended to the file that LUMORA_TRACE
// names, and with LUMORA_TRACE_CPU the same marks with processor times.
#include "platform/trace.h"

#include "platform/win/linux_host.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace lumora {
namespace {

unsigned long long Ticks(const FILETIME& t) {
  return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

double MillisecondsSinceLaunch() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<double>(Ticks(now) - Ticks(created)) / 10000.0;
}

double FileTimesMilliseconds(const FILETIME& kernel, const FILETIME& user) {
  return static_cast<double>(Ticks(kernel) + Ticks(user)) / 10000.0;
}

void AppendLine(const char* path, const char* line) {
  if (FILE* f = std::fopen(path, "a")) {
    std::fputs(line, f);
    std::fclose(f);
  }
}

}  // namespace

bool FineCpuClocks() {
  double ms = 0;
  return LinuxThreadCpuClock(&ms);
}

// Under Wine on Linux the kernel's clocks, to the nanosecond (Wine's
// GetThreadTimes and GetProcessTimes count whole 10 ms ticks).
double ThreadCpuMilliseconds() {
  double ms = 0;
  if (LinuxThreadCpuClock(&ms)) return ms;
  FILETIME created{}, exited{}, kernel{}, user{};
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  return FileTimesMilliseconds(kernel, user);
}

double ProcessCpuMilliseconds() {
  double ms = 0;
  if (LinuxProcessCpuClock(&ms)) return ms;
  FILETIME created{}, exited{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return FileTimesMilliseconds(kernel, user);
}

bool TraceEnabled() {
  static const bool enabled = [] {
    const char* path = std::getenv("LUMORA_TRACE");
    const char* cpuPath = std::getenv("LUMORA_TRACE_CPU");
    return (path != nullptr && *path != 0) || (cpuPath != nullptr && *cpuPath != 0);
  }();
  return enabled;
}

void TraceMark(const char* what) {
  static const char* path = std::getenv("LUMORA_TRACE");
  static const char* cpuPath = std::getenv("LUMORA_TRACE_CPU");
  const bool wall = path != nullptr && *path != 0;
  const bool cpu = cpuPath != nullptr && *cpuPath != 0;
  if (!wall && !cpu) return;
  const double now = MillisecondsSinceLaunch();
  char line[512];
  if (cpu) {
    std::snprintf(line, sizeof line, "%s %.3f %.3f %.3f\n", what, now, ThreadCpuMilliseconds(),
                  ProcessCpuMilliseconds());
    AppendLine(cpuPath, line);
  }
  if (wall) {
    std::snprintf(line, sizeof line, "%s %.3f\n", what, now);
    AppendLine(path, line);
  }
}

}  // namespace lumora
