// Native builds leave crashes to the sanitizers and the system.
#ifndef _WIN32
#include "platform/crash_report.h"

namespace lumora {

void InstallCrashReporter() {}

}  // namespace lumora
#endif
