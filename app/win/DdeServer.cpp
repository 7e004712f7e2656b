// The shell's DDE conversation with the program.
#include "app/win/DdeServer.h"

#include "app/ShellDde.h"
#include "platform/win/window_text.h"

namespace lumora {

namespace {

// One service per program: the callback finds it here.
ShellDdeServer* gServer = nullptr;

// The command text: ANSI, or UTF-16 when a Unicode client's text came
// unconverted.
std::string CommandText(const std::vector<BYTE>& bytes) {
  if (bytes.size() >= 4 && bytes[1] == 0 && bytes[3] == 0) {
    const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data());
    const int chars = static_cast<int>(bytes.size() / sizeof(wchar_t));
    return std::string(NarrowPath(std::wstring(wide, static_cast<std::size_t>(chars))).c_str());
  }
  return std::string(reinterpret_cast<const char*>(bytes.data()), strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

bool ShellDdeServer::Start(const std::string& service, OpenHandler onOpen) {
  if (instance_ != 0 || gServer != nullptr) return false;
  DWORD instance = 0;
  const UINT flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_REQUESTS | CBF_SKIP_ALLNOTIFICATIONS;
  if (DdeInitializeA(&instance, Callback, flags, 0) != DMLERR_NO_ERROR) return false;
  instance_ = instance;
  service_ = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
  topic_ = DdeCreateStringHandleA(instance_, kDdeTopic, CP_WINANSI);
  gServer = this;
  onOpen_ = std::move(onOpen);
  if (service_ == nullptr || topic_ == nullptr || DdeNameService(instance_, service_, nullptr, DNS_REGISTER) == nullptr) {
    Stop();
    return false;
  }
  return true;
}

void ShellDdeServer::Stop() {
  if (instance_ == 0) return;
  if (service_ != nullptr) DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
  if (service_ != nullptr) DdeFreeStringHandle(instance_, service_);
  if (topic_ != nullptr) DdeFreeStringHandle(instance_, topic_);
  DdeUninitialize(instance_);
  instance_ = 0;
  service_ = topic_ = nullptr;
  if (gServer == this) gServer = nullptr;
}

HDDEDATA CALLBACK ShellDdeServer::Callback(UINT type, UINT, HCONV, HSZ topic, HSZ service, HDDEDATA data, ULONG_PTR,
                                           ULONG_PTR) {
  ShellDdeServer* self = gServer;
  if (self == nullptr) return nullptr;
  switch (type) {
    case XTYP_CONNECT:
      // Only the program's own service and the "System" topic.
      return reinterpret_cast<HDDEDATA>(static_cast<INT_PTR>(
          DdeCmpStringHandles(topic, self->topic_) == 0 && DdeCmpStringHandles(service, self->service_) == 0));
    case XTYP_EXECUTE:
      if (DdeCmpStringHandles(topic, self->topic_) != 0) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
      return self->OnExecute(data);
    default:
      return nullptr;
  }
}

HDDEDATA ShellDdeServer::OnExecute(HDDEDATA data) {
  const DWORD size = DdeGetData(data, nullptr, 0, 0);
  std::vector<BYTE> bytes(size + 2, 0);
  if (size > 0) DdeGetData(data, bytes.data(), size, 0);
  bytes.resize(size);
  const auto paths = ParseDdeOpenCommands(CommandText(bytes));
  if (!paths || !onOpen_) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  onOpen_(*paths);
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

}  // namespace lumora
