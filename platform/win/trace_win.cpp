// Timed start-up marks for the start-up benchmark: one line per mark,
// "<name> <milliseconds since the process started>", appended to the file
// that LUMORA_TRACE names.
#include "platform/trace.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace lumora {
namespace {

double MillisecondsSinceLaunch() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

}  // namespace

bool TraceEnabled() {
  static const char* path = std::getenv("LUMORA_TRACE");
  return path != nullptr && *path != 0;
}

void TraceMark(const char* what) {
  static const char* path = std::getenv("LUMORA_TRACE");
  if (path == nullptr || *path == 0) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s %.3f\n", what, MillisecondsSinceLaunch());
    std::fclose(f);
  }
}

}  // namespace lumora
