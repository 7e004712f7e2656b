// Sends menu commands to the program running in this Wine prefix, as a
// click on their items does: the first visible top-level window whose title
// starts with "Lumora 4.0" gets WM_COMMAND with each id in turn; "close"
// sends it WM_CLOSE. The two-prefix clipboard test runs it in the other
// prefix, whose windows the test's own process cannot reach.
//
// Usage: peer_command ID|close ...   (exit code 0 when every message went)
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

BOOL CALLBACK FindFrame(HWND window, LPARAM found) {
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && std::strncmp(title, "Lumora 4.0", 10) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  HWND frame = nullptr;
  EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&frame));
  if (frame == nullptr) return 2;
  for (int i = 1; i < argc; ++i) {
    DWORD_PTR result = 0;
    if (std::strcmp(argv[i], "close") == 0) {
      if (!PostMessageA(frame, WM_CLOSE, 0, 0)) return 3;
      continue;
    }
    const WPARAM id = static_cast<WPARAM>(std::strtoul(argv[i], nullptr, 10));
    if (SendMessageTimeoutA(frame, WM_COMMAND, id, 0, SMTO_NORMAL, 30000, &result) == 0) return 4;
  }
  return 0;
}
