// The registry calls over the table of compiled-in tools.
#include <algorithm>
#include <cstring>
#include <map>

#include "hostapi/toolhost.h"
#include "libs/toolhost/Registry.h"

using lumora::toolhost::CompiledInTools;
using lumora::toolhost::FindTool;
using lumora::toolhost::ToolDescriptor;

namespace {

int CopyName(const char* text, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  const int length = std::min(static_cast<int>(std::strlen(text)), size - 1);
  std::memcpy(buffer, text, static_cast<std::size_t>(length));
  buffer[length] = 0;
  return 1;
}

// The compiled-in tools live in the program.
constexpr const char* kModuleName = "Lumo40.exe";

std::map<int, int>& LockCounts() {
  static std::map<int, int> counts;
  return counts;
}

}  // namespace

int LUGetRegToolItem(const void*, int previous) {
  const int count = static_cast<int>(CompiledInTools().size());
  return previous >= 0 && previous < count ? previous + 1 : 0;
}

int LUGetRegToolInfo(const void*, int tool, int, LU_REGTOOLINFO* info) {
  const ToolDescriptor* t = FindTool(tool);
  if (t == nullptr || info == nullptr) return 0;
  *info = LU_REGTOOLINFO{t->flags, t->baseStringId};
  return 1;
}

int LUGetRegToolGroupName(const void*, int tool, int, char* buffer, int size) {
  const ToolDescriptor* t = FindTool(tool);
  return t != nullptr ? CopyName(t->group, buffer, size) : 0;
}

int LUGetRegToolMenuName(const void*, int tool, int, char* buffer, int size) {
  const ToolDescriptor* t = FindTool(tool);
  return t != nullptr ? CopyName(t->menuName, buffer, size) : 0;
}

int LUGetRegToolIDName(const void*, int tool, int, char* buffer, int size) {
  const ToolDescriptor* t = FindTool(tool);
  return t != nullptr ? CopyName(t->idName, buffer, size) : 0;
}

namespace {

// The tools that show a picture of their own on a toolbar button: the name
// of their icon resource (type "IBV") in the tool's module.
struct ToolIconName {
  const char* idName;
  const char* icon;
};
constexpr ToolIconName kToolIcons[] = {
    {"Noise", "IBV_NOISE"},           {"emboss_effect", "IBV_EMBOSS"},     {"invert_conv", "IBV_INVERT"},
    {"grayscale_conv", "IBV_GRAYSCALE"}, {"brightness_adj", "IBV_BRIGHTNESS"}, {"contrast_adj", "IBV_CONTRAST"},
};

}  // namespace

int LUGetRegToolIconBitmap(const void*, int tool, int, char* buffer, int size) {
  const ToolDescriptor* t = FindTool(tool);
  if (t == nullptr) return 0;
  for (const ToolIconName& i : kToolIcons) {
    if (std::strcmp(i.idName, t->idName) == 0) return CopyName(i.icon, buffer, size);
  }
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  return 0;
}

int LUGetRegToolDLLName(const void*, int tool, int, char* buffer, int size) {
  return FindTool(tool) != nullptr ? CopyName(kModuleName, buffer, size) : 0;
}

int LUGetRegToolIDNumber(const void*, const char* idName, int) {
  const auto tools = CompiledInTools();
  for (std::size_t i = 0; i < tools.size(); ++i) {
    if (idName != nullptr && std::strcmp(tools[i]->idName, idName) == 0) return static_cast<int>(i) + 1;
  }
  return 0;
}

void* LUGetRegToolModule(const void*, int, int) { return nullptr; }

LUToolInterfaceProc LUGetRegToolInterface(const void*, int tool, int) {
  const ToolDescriptor* t = FindTool(tool);
  return t != nullptr ? t->interface : nullptr;
}

int LULockRegToolLibrary(const void*, int tool, int) {
  if (FindTool(tool) == nullptr) return 0;
  ++LockCounts()[tool];
  return 1;
}

int LUUnlockRegToolLibrary(const void*, int tool, int) {
  auto it = LockCounts().find(tool);
  if (it == LockCounts().end() || it->second == 0) return 0;
  --it->second;
  return 1;
}
