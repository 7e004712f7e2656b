// Control-bar placement in the settings.
#include "framework/BarState.h"

#include "framework/CommandIds.h"

namespace fw {
namespace {

std::string BarSection(const std::string& prefix, std::size_t index) {
  return prefix + "-Bar" + std::to_string(index);
}

}  // namespace

std::uint32_t DockBarId(DockSide side) { return kIdDockBarTop + static_cast<std::uint32_t>(side); }

void SaveBarStates(Profile& store, const std::string& prefix, const std::vector<BarState>& bars) {
  store.WriteInt(prefix + "-Summary", "Bars", static_cast<int>(bars.size()));
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const BarState& b = bars[i];
    std::string section = BarSection(prefix, i);
    store.WriteInt(section, "BarID", static_cast<int>(b.barId));
    store.WriteInt(section, "Visible", b.visible ? 1 : 0);
    store.WriteInt(section, "DockSide", static_cast<int>(b.side));
    store.WriteInt(section, "XPos", b.floatX);
    store.WriteInt(section, "YPos", b.floatY);
    store.WriteInt(section, "Order", b.order);
    store.WriteInt(section, "Row", b.row);
  }
}

std::vector<BarState> LoadBarStates(Profile& store, const std::string& prefix) {
  std::vector<BarState> bars;
  int count = store.GetInt(prefix + "-Summary", "Bars", 0);
  for (int i = 0; i < count && i < 256; ++i) {
    std::string section = BarSection(prefix, static_cast<std::size_t>(i));
    int id = store.GetInt(section, "BarID", 0);
    int side = store.GetInt(section, "DockSide", -1);
    if (id <= 0 || side < 0 || side > static_cast<int>(DockSide::kFloating)) continue;
    BarState b;
    b.barId = static_cast<std::uint32_t>(id);
    b.visible = store.GetInt(section, "Visible", 1) != 0;
    b.side = static_cast<DockSide>(side);
    b.floatX = store.GetInt(section, "XPos", 0);
    b.floatY = store.GetInt(section, "YPos", 0);
    b.order = store.GetInt(section, "Order", 0);
    b.row = store.GetInt(section, "Row", b.order);  // without rows: one row per bar
    bars.push_back(b);
  }
  return bars;
}

}  // namespace fw
