// Timed marks for the benchmarks: one line per mark, "<name> <milliseconds
// since the process started>", appended to the file that LUMORA_TRACE
// names, and with LUMORA_TRACE_CPU the same marks with processor times.
#include "platform/trace.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Under Wine on Linux: Wine's GetThreadTimes and GetProcessTimes read
// the kernel's counts in whole 10 ms ticks, while the kernel keeps both
// clocks to the nanosecond. Wine runs the program's code as a Linux
// process, so the clock call is made directly (x86-64 Linux: system call
// 228, clock_gettime; clocks 2 and 3, the process's and the thread's
// processor time). Only where Wine says its host is Linux.
bool OnWineLinux() {
  static const bool onLinux = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    using HostVersion = void(CDECL*)(const char** sysname, const char** release);
    const auto hostVersion =
        ntdll != nullptr ? reinterpret_cast<HostVersion>(GetProcAddress(ntdll, "wine_get_host_version")) : nullptr;
    if (hostVersion == nullptr) return false;
    const char* sysname = nullptr;
    const char* release = nullptr;
    hostVersion(&sysname, &release);
    return sysname != nullptr && std::strcmp(sysname, "Linux") == 0;
  }();
  return onLinux;
}

constexpr long kLinuxClockGettime = 228;
constexpr long kLinuxProcessCpuClock = 2;
constexpr long kLinuxThreadCpuClock = 3;

struct LinuxTimespec {
  long long seconds;
  long long nanoseconds;
};

#if defined(__x86_64__)
bool LinuxCpuClock(long clock, double* milliseconds) {
  LinuxTimespec ts{};
  long result;
  __asm__ volatile("syscall"
                   : "=a"(result)
                   : "a"(kLinuxClockGettime), "D"(clock), "S"(&ts)
                   : "rcx", "r11", "memory");
  if (result != 0) return false;
  *milliseconds = static_cast<double>(ts.seconds) * 1000.0 + static_cast<double>(ts.nanoseconds) / 1e6;
  return true;
}
#else
bool LinuxCpuClock(long, double*) { return false; }
#endif

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
  return OnWineLinux() && LinuxCpuClock(kLinuxThreadCpuClock, &ms);
}

double ThreadCpuMilliseconds() {
  double ms = 0;
  if (OnWineLinux() && LinuxCpuClock(kLinuxThreadCpuClock, &ms)) return ms;
  FILETIME created{}, exited{}, kernel{}, user{};
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  return FileTimesMilliseconds(kernel, user);
}

double ProcessCpuMilliseconds() {
  double ms = 0;
  if (OnWineLinux() && LinuxCpuClock(kLinuxProcessCpuClock, &ms)) return ms;
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
