// Windows crash reporter: an unhandled-exception filter that prints the
// exception and a symbolised backtrace (DbgHelp reads the DWARF 4 debug
// information), then ends the process with kCrashExitCode.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/crash_report.h"
#include "platform/win32types.h"

#include <dbghelp.h>

namespace lumora {
namespace {

void PrintFrame(HANDLE process, DWORD64 address, int index) {
  alignas(SYMBOL_INFO) char storage[sizeof(SYMBOL_INFO) + 256] = {};
  auto* symbol = reinterpret_cast<SYMBOL_INFO*>(storage);
  symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
  symbol->MaxNameLen = 255;
  DWORD64 displacement = 0;
  const char* name = "?";
  if (SymFromAddr(process, address, &displacement, symbol)) name = symbol->Name;
  IMAGEHLP_LINE64 line = {};
  line.SizeOfStruct = sizeof(line);
  DWORD lineDisplacement = 0;
  if (SymGetLineFromAddr64(process, address, &lineDisplacement, &line)) {
    std::fprintf(stderr, "  #%02d 0x%016llx %s (%s:%lu)\n", index,
                 static_cast<unsigned long long>(address), name, line.FileName,
                 static_cast<unsigned long>(line.LineNumber));
  } else {
    std::fprintf(stderr, "  #%02d 0x%016llx %s\n", index, static_cast<unsigned long long>(address),
                 name);
  }
}

void PrintBacktrace(CONTEXT context) {
  HANDLE process = GetCurrentProcess();
  HANDLE thread = GetCurrentThread();
  SymSetOptions(SYMOPT_LOAD_LINES | SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
  SymInitialize(process, nullptr, TRUE);
  STACKFRAME64 frame = {};
  frame.AddrPC.Offset = context.Rip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = context.Rbp;
  frame.AddrFrame.Mode = AddrModeFlat;
  frame.AddrStack.Offset = context.Rsp;
  frame.AddrStack.Mode = AddrModeFlat;
  for (int i = 0; i < 64; ++i) {
    if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, thread, &frame, &context, nullptr,
                     SymFunctionTableAccess64, SymGetModuleBase64, nullptr)) {
      break;
    }
    if (frame.AddrPC.Offset == 0) break;
    PrintFrame(process, frame.AddrPC.Offset, i);
  }
  SymCleanup(process);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  std::fprintf(stderr, "\n*** unhandled exception 0x%08lx at 0x%p\n",
               static_cast<unsigned long>(record->ExceptionCode), record->ExceptionAddress);
  PrintBacktrace(*info->ContextRecord);
  std::fflush(stderr);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void OnTerminate() {
  std::fprintf(stderr, "\n*** std::terminate called (uncaught C++ exception)\n");
  CONTEXT context = {};
  RtlCaptureContext(&context);
  PrintBacktrace(context);
  std::fflush(stderr);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
}

}  // namespace

void InstallCrashReporter() {
  SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  // No error dialog boxes: a test must end, not wait for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

}  // namespace lumora
