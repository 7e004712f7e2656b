// Starts Lumo40.exe, finds its main window by class, reads its menu bar,
// closes it and checks the exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32types.h"

namespace {

struct FindData {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainFrame(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindData*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  if (pid == data->processId && std::string(cls) == "VR_LUMAINFRAME40") {
    data->found = window;
    return FALSE;
  }
  return TRUE;
}

// The frame exists before start-up shows it: wait until it is visible.
HWND WaitForMainFrame(DWORD processId, HANDLE process) {
  for (int i = 0; i < 600; ++i) {  // up to 30 s on a loaded machine
    FindData data{processId, nullptr};
    EnumWindows(FindMainFrame, reinterpret_cast<LPARAM>(&data));
    if (data.found != nullptr && IsWindowVisible(data.found)) return data.found;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// The texts of a menu's top-level items, read both ways the system offers.
std::vector<std::string> TopLevelTexts(HMENU menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char byString[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), byString, sizeof(byString), MF_BYPOSITION);
    char byInfo[128] = {};
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_SUBMENU;
    mii.dwTypeData = byInfo;
    mii.cch = sizeof(byInfo);
    EXPECT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii));
    EXPECT_STREQ(byInfo, byString);
    EXPECT_NE(mii.hSubMenu, nullptr) << byString << " is a popup";
    texts.push_back(byString);
  }
  return texts;
}

// The main menu (180) as compiled from res/Lumo40.rc into the program.
std::vector<std::string> ScriptMenuTexts() {
  HMODULE program = LoadLibraryExA(LUMORA_PROGRAM_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(program, nullptr);
  if (program == nullptr) return {};
  HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(180));
  EXPECT_NE(menu, nullptr);
  std::vector<std::string> texts = menu != nullptr ? TopLevelTexts(menu) : std::vector<std::string>();
  if (menu != nullptr) DestroyMenu(menu);
  FreeLibrary(program);
  return texts;
}

TEST(Program, StartsShowsMainFrameAndExitsCleanlyWhenClosed) {
  std::string command = std::string("\"") + LUMORA_PROGRAM_PATH + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi))
      << "could not start " << LUMORA_PROGRAM_PATH << " (error " << GetLastError() << ")";

  HWND frame = WaitForMainFrame(pi.dwProcessId, pi.hProcess);
  ASSERT_NE(frame, nullptr) << "the main window never appeared or was never shown";
  char title[128] = {};
  GetWindowTextA(frame, title, sizeof(title));
  EXPECT_STREQ(title, "Lumora 4.0");

  // The program carries the script's main menu and its frame has a menu
  // bar. (Wine keeps menus per process: another process cannot read the
  // bar's items, so their texts are read from the program's resources.)
  EXPECT_EQ(ScriptMenuTexts(),
            (std::vector<std::string>{"&File", "&Edit", "&View", "&Options", "&Window", "&Help"}));
  EXPECT_NE(GetMenu(frame), nullptr);

  PostMessageA(frame, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0) << "the program did not exit";
  DWORD exitCode = 1234;
  GetExitCodeProcess(pi.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace
