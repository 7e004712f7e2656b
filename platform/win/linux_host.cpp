// Kernel services asked of Linux directly under Wine: the system call
// instruction, made only where Wine names Linux as its host (x86-64 Linux
// numbers: 28 madvise, 228 clock_gettime).
#include "platform/win/linux_host.h"

#include <windows.h>

#include <cstring>

namespace lumora {

namespace {

constexpr long kMadvise = 28;
constexpr long kClockGettime = 228;
constexpr long kProcessCpuClock = 2;
constexpr long kThreadCpuClock = 3;
constexpr long kHugePageAdvice = 14;

struct LinuxTimespec {
  long long seconds;
  long long nanoseconds;
};

#if defined(__x86_64__)
long Syscall3(long number, long a, long b, long c) {
  long result;
  __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
  return result;
}
constexpr bool kX8664 = true;
#else
long Syscall3(long, long, long, long) { return -1; }
constexpr bool kX8664 = false;
#endif

bool CpuClock(long clock, double* milliseconds) {
  if (!RunsOnWineLinux()) return false;
  LinuxTimespec ts{};
  if (Syscall3(kClockGettime, clock, reinterpret_cast<long>(&ts), 0) != 0) return false;
  *milliseconds = static_cast<double>(ts.seconds) * 1000.0 + static_cast<double>(ts.nanoseconds) / 1e6;
  return true;
}

}  // namespace

bool RunsOnWineLinux() {
  static const bool onLinux = [] {
    if (!kX8664) return false;
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

bool LinuxThreadCpuClock(double* milliseconds) { return CpuClock(kThreadCpuClock, milliseconds); }
bool LinuxProcessCpuClock(double* milliseconds) { return CpuClock(kProcessCpuClock, milliseconds); }

bool LinuxAdviseLargePages(void* start, std::size_t bytes) {
  if (!RunsOnWineLinux() || bytes == 0) return false;
  return Syscall3(kMadvise, reinterpret_cast<long>(start), static_cast<long>(bytes), kHugePageAdvice) == 0;
}

}  // namespace lumora
