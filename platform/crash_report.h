// Turns an unhandled crash into a report on stderr and a fixed exit code, so
// a crashing Windows test fails reliably under Wine (whose exit code after a
// crash is otherwise random). Does nothing natively.
#pragma once

namespace lumora {

constexpr int kCrashExitCode = 86;

void InstallCrashReporter();

}  // namespace lumora
