// A crash in a Windows program ends with the fixed exit code and a
// symbolised backtrace on stderr, however Wine would otherwise end it.
#include <gtest/gtest.h>

#include <string>

#include "platform/crash_report.h"
#include "platform/win32types.h"

namespace {

std::string RunAndCapture(const std::string& commandLine, DWORD* exitCode) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return "";
  }
  CloseHandle(writeEnd);
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) output.append(buffer, got);
  WaitForSingleObject(pi.hProcess, 30000);
  GetExitCodeProcess(pi.hProcess, exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(readEnd);
  return output;
}

TEST(CrashReport, AccessViolationEndsWithFixedCodeAndBacktrace) {
  DWORD exitCode = 0;
  const std::string out =
      RunAndCapture(std::string("\"") + LUMORA_CRASH_PROBE + "\" access", &exitCode);
  EXPECT_EQ(exitCode, DWORD(lumora::kCrashExitCode)) << out;
  EXPECT_NE(out.find("unhandled exception 0xc0000005"), std::string::npos) << out;
  EXPECT_NE(out.find("WriteThroughNull"), std::string::npos) << "the backtrace names the function\n" << out;
  EXPECT_NE(out.find("crash_probe.cpp"), std::string::npos) << "and its source file\n" << out;
}

TEST(CrashReport, UncaughtExceptionEndsWithFixedCode) {
  DWORD exitCode = 0;
  const std::string out = RunAndCapture(std::string("\"") + LUMORA_CRASH_PROBE + "\" throw", &exitCode);
  EXPECT_EQ(exitCode, DWORD(lumora::kCrashExitCode)) << out;
  EXPECT_NE(out.find("std::terminate"), std::string::npos) << out;
}

}  // namespace
