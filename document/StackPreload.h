// The layered file named on the command line is read on a thread of its
// own while the program starts up (window classes, settings, the main
// frame, the macro language), so opening it afterwards takes the stack
// already read instead of reading it again.
#pragma once

#include <string>

#include "engine/layers/LayerMng.h"

namespace lumora {

// Starts reading the file at `path` (a full path) when it is a layered
// file. The thread reports no progress. One read at a time: a second start
// discards the first.
void StartStackPreload(const std::string& path);

// The stack read from the file at `path` (caller's reference), after the
// read finishes; null when no read was started for that file, the file
// changed since, or the read failed: the caller then reads the file itself
// and reports what goes wrong. Whatever the answer, the read is over.
CLayersManagerPtr TakePreloadedStack(const std::string& path);

// Waits for a read still running and drops its stack (at exit, or when the
// file was not opened after all).
void DiscardStackPreload();

}  // namespace lumora
