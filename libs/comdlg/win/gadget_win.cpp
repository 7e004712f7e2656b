// The open and save dialog: the system's file dialog started in a folder,
// made when it is missing, offering one kind of file and all files.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

namespace lumora::comdlg {

int RunFileDialog(void* owner, const char* title, int open, const char* folder, const char* extension, char* path,
                  int pathSize) {
  if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder, nullptr);
  const std::string ext = extension;
  // "EXT files (*.ext)", "*.ext", "All files (*.*)", "*.*", each ending in a zero, then one more.
  std::string filter;
  if (!ext.empty()) {
    std::string upper = ext;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    filter += upper + " files (*." + ext + ")";
    filter += '\0';
    filter += "*." + ext;
    filter += '\0';
  }
  filter += "All files (*.*)";
  filter += '\0';
  filter += "*.*";
  filter += '\0';

  std::vector<char> chosen(static_cast<std::size_t>(pathSize), 0);
  std::strncpy(chosen.data(), path, chosen.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(owner);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = chosen.data();
  ofn.nMaxFile = static_cast<DWORD>(chosen.size());
  ofn.lpstrInitialDir = folder;
  ofn.lpstrTitle = title;
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              (open != 0 ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
  const BOOL ok = open != 0 ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  if (!ok) return 0;
  std::strncpy(path, chosen.data(), static_cast<std::size_t>(pathSize) - 1);
  path[pathSize - 1] = 0;
  return 1;
}

}  // namespace lumora::comdlg
