// The program's toolbars: settings, twins, sizes and texts.
#include "ui/ToolbarPlans.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumora {

ToolbarSizes ToolbarSizesFor(bool small) { return small ? ToolbarSizes{24, 23, 17, 16} : ToolbarSizes{31, 31, 24, 24}; }

std::uint32_t ToolbarTwin(std::uint32_t resourceId, bool large) {
  static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 5> kTwins = {
      {{6, 255}, {kMainBarSmall, kMainBarLarge}, {kSelectBarSmall, kSelectBarLarge},
       {kToolsBarSmall, kToolsBarLarge}, {kBrushBarSmall, kBrushBarLarge}}};
  for (const auto& [small, big] : kTwins) {
    if (resourceId == small || resourceId == big) return large ? big : small;
  }
  return resourceId;
}

std::vector<DefToolsItem> ReadDefTools(fw::Profile& settings,
                                       const std::function<std::uint32_t(const std::string&)>& commandOf) {
  std::vector<DefToolsItem> items;
  // A damaged count would mean billions of key reads at start.
  const int count = std::clamp(settings.GetInt("DefTools", "count", 0), 0, kMaxDefTools);
  int limit = count;
  for (int i = 0; i < limit && i < 2 * kMaxDefTools; ++i) {
    const std::string value = settings.GetString("DefTools", "tool" + std::to_string(i), "");
    if (value == "sep") {
      items.push_back({true, 0, {}});
      ++limit;
      continue;
    }
    const std::uint32_t command = value.empty() ? 0 : commandOf(value);
    if (command != 0) items.push_back({false, command, value});
  }
  return items;
}

std::uint32_t AreaToolPictureCommand(std::string_view toolName) {
  static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 10> kPictures = {
      {{"Area_Whole", 32962},
       {"Area_Rect", 32963},
       {"Area_Ellipse", 32964},
       {"Area_Poly", 32965},
       {"Area_Text", 32966},
       {"Area_Wand", 32967},
       {"Area_Line", 32968},
       {"Area_Pen", 32971},
       {"Area_NewText", 32972},
       {"Area_SmartS", 33125}}};
  for (const auto& [name, command] : kPictures) {
    if (name == toolName) return command;
  }
  return 0;
}

bool IsFixedSelectBarButton(std::uint32_t command) {
  return (command >= 32957 && command <= 32968) || command == 32971 || command == 32972 || command == 33125;
}

std::string CommandTextOfName(std::string_view name) {
  std::string text(name);
  const std::size_t amp = text.find('&');
  if (amp != std::string::npos) text.erase(amp, 1);
  return text;
}

std::string ClipToolTip(std::string text) {
  if (text.size() > 79) text.resize(79);
  return text;
}

std::vector<BarButtonState> TakeButtonStates(const std::vector<BarButtonState>& receiving,
                                             const std::vector<BarButtonState>& giving) {
  std::vector<BarButtonState> out = receiving;
  for (BarButtonState& b : out) {
    if (b.command == 0) continue;
    for (const BarButtonState& g : giving) {
      if (g.command == b.command) {
        b.state = g.state;
        break;
      }
    }
  }
  return out;
}

}  // namespace lumora
