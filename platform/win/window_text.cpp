// The program's texts to and from the system's UTF-16.
#include "platform/win/window_text.h"

#include "platform/text.h"

namespace lumora {

std::wstring WidePath(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

std::string NarrowPath(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), n, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(n - 1));
  return narrow;
}

std::wstring WideName(const std::string& name) {
  const std::u16string wide = Utf8ToUtf16(name);
  return std::wstring(wide.begin(), wide.end());
}

std::string NameFromWide(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

void SetWindowName(HWND window, const std::string& name) { SetWindowTextW(window, WideName(name).c_str()); }

std::string WindowName(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return NameFromWide(text);
}

void SetDlgItemName(HWND dialog, int id, const std::string& name) { SetWindowName(GetDlgItem(dialog, id), name); }

std::string DlgItemName(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? WindowName(item) : std::string();
}

int NameMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  return MessageBoxW(owner, WideName(text).c_str(), WidePath(caption).c_str(), type);
}

}  // namespace lumora
