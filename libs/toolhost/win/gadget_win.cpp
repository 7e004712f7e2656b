// The host's open and save dialog: the system's file dialog started in a
// folder under the program's, made when it is missing.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "libs/toolhost/SiteCalls.h"

int LUOpenGadgetDialog(const void* site, void* owner, LU_GADGETDLG* record) {
  if (record == nullptr || record->path == nullptr || record->pathSize < 2) return 0;
  const std::string folder = lumora::toolhost::ProgramFolder(site) + (record->folderKey != nullptr ? record->folderKey : "");
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder.c_str(), nullptr);

  const std::string extension = record->defaultExtension != nullptr ? record->defaultExtension : "";
  // "EXT files (*.ext)", "*.ext", "All files (*.*)", "*.*", each ending in a zero, then one more.
  std::string filter;
  if (!extension.empty()) {
    std::string upper = extension;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    filter += upper + " files (*." + extension + ")";
    filter += '\0';
    filter += "*." + extension;
    filter += '\0';
  }
  filter += "All files (*.*)";
  filter += '\0';
  filter += "*.*";
  filter += '\0';

  std::vector<char> path(static_cast<std::size_t>(record->pathSize), 0);
  std::strncpy(path.data(), record->path, path.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(owner);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = record->title;
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              (record->open != 0 ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
  const BOOL chosen = record->open != 0 ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  if (!chosen) return 0;
  std::strncpy(record->path, path.data(), static_cast<std::size_t>(record->pathSize) - 1);
  record->path[record->pathSize - 1] = 0;
  return 1;
}
