// The registered area tools and their commands.
#include "app/AreaToolList.h"

#include "hostapi/toolhost.h"

namespace lumora {

void AreaToolList::Register(const void* site) {
  tools_.clear();
  hasWhole_ = false;
  for (int item = LUGetSelectionToolItem(site, 0); item != 0; item = LUGetSelectionToolItem(site, item)) {
    char name[20] = {};
    LU_AREATOOLINFO info{};
    if (!LUGetSelectionToolInfo(site, item, name, sizeof name, &info, sizeof info)) continue;
    const std::string text(name);
    if (text == "Area_Text") continue;
    const auto command = kFirstAreaCommand + static_cast<std::uint32_t>(tools_.size());
    if (command > kLastAreaCommand) break;
    tools_.push_back(RegisteredAreaTool{item, command, text});
    if (text == "Area_Whole") hasWhole_ = true;
  }
}

const RegisteredAreaTool* AreaToolList::ByCommand(std::uint32_t command) const {
  for (auto it = tools_.rbegin(); it != tools_.rend(); ++it) {
    if (it->command == command) return &*it;
  }
  return nullptr;
}

int AreaToolList::FindActive(const void* site) const {
  char name[64] = {};
  if (!LUGetActiveSelection(site, name, sizeof name)) return -1;
  for (std::size_t i = 0; i < tools_.size(); ++i) {
    if (tools_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace lumora
