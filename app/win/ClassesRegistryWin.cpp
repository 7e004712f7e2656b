// Registry access for the association and server entries.
#include "app/win/ClassesRegistryWin.h"

namespace lumora {

bool Win32ClassesRoot::SetValue(const std::string& key, const std::string& name, const std::string& data) {
  HKEY k = nullptr;
  if (RegCreateKeyExA(root_, Full(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG r = RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

bool Win32ClassesRoot::GetValue(const std::string& key, const std::string& name, std::string* data) const {
  HKEY k = nullptr;
  if (RegOpenKeyExA(root_, Full(key).c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  const LONG r = RegQueryValueExA(k, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(k);
  if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  *data = std::string(buffer);
  return true;
}

bool Win32ClassesRoot::KeyExists(const std::string& key) const {
  HKEY k = nullptr;
  if (RegOpenKeyExA(root_, Full(key).c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

bool Win32ClassesRoot::DeleteValue(const std::string& key, const std::string& name) {
  HKEY k = nullptr;
  const LONG open = RegOpenKeyExA(root_, Full(key).c_str(), 0, KEY_SET_VALUE, &k);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  const LONG r = RegDeleteValueA(k, name.empty() ? nullptr : name.c_str());
  RegCloseKey(k);
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool Win32ClassesRoot::DeleteTree(const std::string& key) {
  const LONG r = RegDeleteTreeA(root_, Full(key).c_str());
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) return false;
  // RegDeleteTree empties the key; the key itself goes too.
  const LONG gone = RegDeleteKeyA(root_, Full(key).c_str());
  return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND;
}

}  // namespace lumora
