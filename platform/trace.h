// Timed marks for the benchmarks (Windows only): one line per mark,
// "<name> <milliseconds since the process started>", appended to the file
// that LUMORA_TRACE names; nothing without it. With LUMORA_TRACE_CPU naming
// a file as well, each mark also goes there with the processor time spent
// so far: "<name> <milliseconds since start> <calling thread's processor
// milliseconds> <whole process's processor milliseconds>", so a benchmark
// can tell the program's own work from the time it waited for the machine.
#pragma once

namespace lumora {

void TraceMark(const char* what);
// Whether marks are written (LUMORA_TRACE or LUMORA_TRACE_CPU names a file).
bool TraceEnabled();

// Processor time (user and system) of the calling thread and of the whole
// process, in milliseconds, as finely as the system counts it: Windows
// counts whole scheduler ticks (Wine: 10 ms), so under Wine on Linux the
// kernel's own clocks are read instead, to the nanosecond.
double ThreadCpuMilliseconds();
double ProcessCpuMilliseconds();
// Whether those clocks are finer than a scheduler tick.
bool FineCpuClocks();

}  // namespace lumora
