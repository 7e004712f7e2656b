// The process's own command line through the portable parser.
#include "framework/win/CommandLineWin32.h"

#include "platform/win32types.h"

namespace fw {

CommandLineInfo ParseProcessCommandLine() { return ParseCommandLine(SplitCommandLine(GetCommandLineA(), true)); }

}  // namespace fw
