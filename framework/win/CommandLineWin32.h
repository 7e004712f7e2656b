// The command line this process was started with.
#pragma once

#include "framework/CommandLine.h"

namespace fw {

// Reads GetCommandLine (the program name left out).
CommandLineInfo ParseProcessCommandLine();

}  // namespace fw
