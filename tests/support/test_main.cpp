// Entry point of every test program: the crash reporter first (on Windows a
// crash must end in a fixed non-zero exit code), then GoogleTest.
#include <gtest/gtest.h>

#include "platform/crash_report.h"

int main(int argc, char** argv) {
  lumora::InstallCrashReporter();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
