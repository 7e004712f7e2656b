// Timed start-up marks for the start-up benchmark (Windows only): one line
// per mark, "<name> <milliseconds since the process started>", appended to
// the file that LUMORA_TRACE names; nothing without it.
#pragma once

namespace lumora {

void TraceMark(const char* what);
// Whether marks are written (LUMORA_TRACE names a file).
bool TraceEnabled();

}  // namespace lumora
