// Kernel services asked of Linux directly under Wine: the system call
// instruction, made only where Wine names Linux as its host (x86-64 Linux
// numbers: 28 madvise, 228 clock_gettime).
#include "platform/win/linux_host.h"

#include <windows.h>

#include <cstring>

namespace lumora {

namespace {

// Linux's registers are 64-bit; Windows's long is not.
using Word = long long;
constexpr Word kMadvise = 28;
constexpr Word kClockGettime = 228;
constexpr Word kProcessCpuClock = 2;
constexpr Word kThreadCpuClock = 3;
constexpr Word kHugePageAdvice = 14;

struct LinuxTimespec {
  long long seconds;
  long long nanoseconds;
};

#if defined(__x86_64__)
Word Syscall3(Word number, Word a, Word b, Word c) {
  Word result;
  __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
  return result;
}
constexpr bool kX8664 = true;
#else
Word Syscall3(Word, Word, Word, Word) { return -1; }
constexpr bool kX8664 = false;
#endif

bool CpuClock(Word clock, double* milliseconds) {
  if (!RunsOnWineLinux()) return false;
  LinuxTimespec ts{};
  if (Syscall3(kClockGettime, clock, reinterpret_cast<Word>(&ts), 0) != 0) return false;
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
        ntdll != nullptr ? reinterpret_cast<HostVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_host_version"))) : nullptr;
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
  return Syscall3(kMadvise, reinterpret_cast<Word>(start), static_cast<Word>(bytes), kHugePageAdvice) == 0;
}

}  // namespace lumora
