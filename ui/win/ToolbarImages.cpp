#include "ui/win/ToolbarImages.h"

#include <string>

#include "hostapi/toolhost.h"
#include "ui/ToolIcons.h"

namespace lumora {
namespace {

std::uint32_t FaceColour() {
  const COLORREF c = GetSysColor(COLOR_BTNFACE);
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

HBITMAP BitmapOf(const ToolIconPicture& picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
  if (bitmap != nullptr) {
    SetDIBits(screen, bitmap, 0, static_cast<UINT>(picture.height), picture.pixels.data(), &info, DIB_RGB_COLORS);
  }
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace

std::string ProgramFilePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

ResourceModules::~ResourceModules() { FreeResourceModules(*this); }

bool LoadResourceModules(const std::string& programPath, ResourceModules& out) {
  FreeResourceModules(out);
  const std::string list = ResourceListFile(programPath);
  const std::string folder = list.substr(0, list.size() - std::string("vrctl32c.ini").size());
  const int count = static_cast<int>(GetPrivateProfileIntA("Resources", "Number", -1, list.c_str()));
  if (count < 0) return false;
  for (int i = 0; i < count && i < 1024; ++i) {
    char entry[145] = {};
    GetPrivateProfileStringA("Resources", std::to_string(i).c_str(), "", entry, sizeof entry, list.c_str());
    const std::string path = LibraryPathIn(folder, entry);
    // Resources only: the library's code never runs, and no search path is used.
    HMODULE module = path.empty() ? nullptr
                                  : LoadLibraryExA(path.c_str(), nullptr,
                                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    out.handles.push_back(module);
  }
  return true;
}

void FreeResourceModules(ResourceModules& modules) {
  for (HMODULE m : modules.handles) {
    if (m != nullptr) FreeLibrary(m);
  }
  modules.handles.clear();
}

HBITMAP LoadToolIcon(HMODULE module, const char* name, SIZE size) {
  HRSRC found = FindResourceA(module, name, "IBV");
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* data = loaded != nullptr ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return nullptr;
  const std::uint32_t face = FaceColour();
  const auto icon = ComposeIconOnFace(data, SizeofResource(module, found), face);
  if (!icon) return nullptr;
  return BitmapOf(CentreOnFace(*icon, face, size.cx, size.cy));
}

HBITMAP GetRegToolIcon(const void* site, int tool, SIZE size, const ResourceModules& modules) {
  char name[33] = {};
  if (!LUGetRegToolIconBitmap(site, tool, 0, name, sizeof name) || name[0] == '\0') return nullptr;
  HBITMAP bitmap = nullptr;
  if (LULockRegToolLibrary(site, tool, 0)) {
    auto* module = static_cast<HMODULE>(LUGetRegToolModule(site, tool, 0));
    bitmap = LoadToolIcon(module != nullptr ? module : GetModuleHandleA(nullptr), name, size);
    LUUnlockRegToolLibrary(site, tool, 0);
  }
  for (std::size_t i = 0; bitmap == nullptr && i < modules.handles.size(); ++i) {
    if (modules.handles[i] != nullptr) bitmap = LoadToolIcon(modules.handles[i], name, size);
  }
  return bitmap;
}

}  // namespace lumora
