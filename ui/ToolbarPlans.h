// What the program's toolbars hold, apart from their windows: the user's
// tools bar read from the settings, the large-image twins of the bars'
// resources, the button and image sizes, the pictures the selection bar
// borrows for the registered area tools, and the texts of a button.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Profile.h"

namespace lumora {

// Button and image sizes: small images 17 x 16 in buttons 24 x 23; large
// images 24 x 24 in buttons 31 x 31.
struct ToolbarSizes {
  int buttonWidth, buttonHeight, imageWidth, imageHeight;
};
ToolbarSizes ToolbarSizesFor(bool small);

// The bars' toolbar resources: small and large twins.
constexpr std::uint32_t kMainBarSmall = 180, kMainBarLarge = 254;
constexpr std::uint32_t kBrushBarSmall = 252, kBrushBarLarge = 253;
constexpr std::uint32_t kSelectBarSmall = 228, kSelectBarLarge = 256;
constexpr std::uint32_t kToolsBarSmall = 246, kToolsBarLarge = 257;
// The other id of a resource's pair, in the direction asked; an id of no
// pair stays.
std::uint32_t ToolbarTwin(std::uint32_t resourceId, bool large);

// The user's tools bar, from section [DefTools]: `count` keys "tool0",
// "tool1"...; "sep" is a separator and lengthens the walk by one key; any
// other value names a registered tool, which `commandOf` turns into its
// command (0: not registered, skipped without a gap). A damaged count is
// clamped to kMaxDefTools keys.
struct DefToolsItem {
  bool separator = false;
  std::uint32_t command = 0;
  std::string name;
};
constexpr int kMaxDefTools = 340;
std::vector<DefToolsItem> ReadDefTools(fw::Profile& settings,
                                       const std::function<std::uint32_t(const std::string&)>& commandOf);

// The fixed selection-bar button whose picture a registered area tool of
// this name borrows; 0 when none.
std::uint32_t AreaToolPictureCommand(std::string_view toolName);
// The fixed buttons of the selection bar: hidden, they only lend pictures.
bool IsFixedSelectBarButton(std::uint32_t command);

// A command's text for the customise dialog: the area tool's name with its
// first "&" taken out; otherwise the command's string.
std::string CommandTextOfName(std::string_view name);
// A tool tip: at most 79 characters.
std::string ClipToolTip(std::string text);

// One button of a bar as its state moves between twin bars (the brush bar
// of the program's window and the one edited in place): a separator has
// command 0.
struct BarButtonState {
  std::uint32_t command = 0;
  std::uint32_t state = 0;
};
// The states `receiving` takes from `giving`: each non-separator button of
// `receiving` whose command `giving` also holds gets the state of the first
// such button there; any other keeps its own. Same order and length as
// `receiving`.
std::vector<BarButtonState> TakeButtonStates(const std::vector<BarButtonState>& receiving,
                                             const std::vector<BarButtonState>& giving);

}  // namespace lumora
