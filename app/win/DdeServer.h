// The program's DDE service for the shell: opens of documents the shell asks
// for with [open("path")], on the service named after the program and the
// topic "System".
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>
#include <vector>

namespace lumora {

class ShellDdeServer {
 public:
  using OpenHandler = std::function<void(std::vector<std::string> paths)>;
  ShellDdeServer() = default;
  ShellDdeServer(const ShellDdeServer&) = delete;
  ShellDdeServer& operator=(const ShellDdeServer&) = delete;
  ~ShellDdeServer() { Stop(); }

  // Registers the service; `onOpen` gets the paths of every accepted open
  // command (on the calling thread, from its message loop).
  bool Start(const std::string& service, OpenHandler onOpen);
  void Stop();
  bool Running() const { return instance_ != 0; }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ service,
                                    HDDEDATA data, ULONG_PTR, ULONG_PTR);
  HDDEDATA OnExecute(HDDEDATA data);

  DWORD instance_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  OpenHandler onOpen_;
};

}  // namespace lumora
