// Runs a shell command of the machine Wine runs on, from a Windows test:
// Wine starts a Unix program given by its Unix path. Files other programs
// write (ag-psd, ImageMagick) are made and read back this way while the
// test runs.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace lumora::testing {

// The Unix path of a Windows path, as Wine maps it (the temporary folder
// lies inside the Wine prefix, drive Z: is the Unix root).
inline std::string UnixPath(const std::string& path) {
  using ToUnix = char* (*)(const WCHAR*);
  static const auto toUnix =
      reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  char* unix = toUnix != nullptr ? toUnix(wide) : nullptr;
  if (unix == nullptr) return path;
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Runs the shell line through /bin/sh (written to a script in `folder`, a
// Windows path, so no quoting crosses the two systems) and waits for it.
// Wine gives no handle to wait on for a Unix program: the script writes its
// exit status to a file when it ends. The status, or -1 when the script
// could not be started or did not end in time.
inline int RunHostShell(const std::string& folder, const std::string& line, DWORD timeoutMs = 180000) {
  const std::string script = folder + "\\host-command.sh";
  const std::string status = folder + "\\host-command.status";
  DeleteFileA(status.c_str());
  std::FILE* file = std::fopen(script.c_str(), "wb");
  if (file == nullptr) return -1;
  std::fprintf(file, "( %s )\necho $? > '%s.part' && mv '%s.part' '%s'\n", line.c_str(), UnixPath(status).c_str(),
               UnixPath(status).c_str(), UnixPath(status).c_str());
  std::fclose(file);
  std::string command = "/bin/sh " + UnixPath(script);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  int code = -1;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
    std::FILE* done = std::fopen(status.c_str(), "rb");
    if (done == nullptr) continue;
    if (std::fscanf(done, "%d", &code) != 1) code = -1;
    std::fclose(done);
    break;
  }
  DeleteFileA(status.c_str());
  DeleteFileA(script.c_str());
  return code;
}

}  // namespace lumora::testing
