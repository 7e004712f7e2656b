// Crashes on purpose, for the crash reporter's test: "access" writes through
// a null pointer, "throw" lets a C++ exception escape main.
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/crash_report.h"

namespace {

int* volatile gNowhere = nullptr;

__attribute__((noinline)) void WriteThroughNull() { *gNowhere = 42; }

}  // namespace

int main(int argc, char** argv) {
  lumora::InstallCrashReporter();
  if (argc > 1 && std::strcmp(argv[1], "access") == 0) WriteThroughNull();
  if (argc > 1 && std::strcmp(argv[1], "throw") == 0) throw std::runtime_error("escaped");
  std::puts("no crash asked for");
  return 0;
}
