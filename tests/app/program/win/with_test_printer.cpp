// Runs a program with the test PostScript printer as the default printer:
//   with_test_printer <folder> <job file> <program> [arguments...]
// The printer (Wine's PostScript driver, a small A4 PPD in <folder>, the
// job file as its port) lives until the program ends; the exit code is the
// program's, or 2 when the printer could not be made.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/win/test_printer.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: with_test_printer FOLDER JOB PROGRAM [ARGS...]\n");
    return 2;
  }
  lumora::testing::TestPrinter printer(argv[1], argv[2]);
  if (!printer.Ready()) {
    std::fprintf(stderr, "with_test_printer: no printer (%lu)\n", GetLastError());
    return 2;
  }
  std::string command;
  for (int i = 3; i < argc; ++i) {
    if (i > 3) command += ' ';
    command += '"' + std::string(argv[i]) + '"';
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "with_test_printer: cannot start %s\n", argv[3]);
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
