// The help wizard's model apart from its window: the four tables of
// effects with their command texts, how a command text splits into the
// parameter format, the presets and the tool, and the square or round
// region the third page places on the image.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::dialogs {

// The kinds of effect page 4 offers, in its order.
enum class EffectKind { kFilter = 0, kTexture = 1, kRedraw = 2, kDeform = 3 };
inline constexpr int kEffectKinds = 4;

// One entry of an effect table: the string id of its name and its command
// text: the format, each preset after a '#', the tool's id name after '$'.
struct WizardEffect {
  std::uint32_t nameId;
  const char* command;
};

std::span<const WizardEffect> EffectTable(EffectKind kind);

inline constexpr int kMaxPresets = 10;

struct ParsedEffect {
  std::string format;
  std::vector<std::string> presets;  // at most kMaxPresets
  std::string tool;
};

// Splits a command text. A text without '#' has an empty format, no
// presets, and its tool name after its first character ("$Canvas").
ParsedEffect ParseEffectCommand(std::string_view command);

// The region of page 3 on an image of width x height, with the size and
// the horizontal and vertical positions 0..100 (vertical from the top):
// a square of side d = min(size * W / 100, size * H / 100) whose corner is
// at (x * W / 100 - d / 2, y * H / 100 - d / 2), in window order (y down).
struct WizardRegion {
  int left;
  int top;
  int side;
};
WizardRegion RegionOf(int width, int height, int size, int x, int y);

// The region's lower left corner in image coordinates (rows counted up
// from the bottom row), on an image of that height.
struct ImagePoint {
  int x;
  int y;
};
ImagePoint ImageCornerOfRegion(const WizardRegion& region, int imageHeight);

}  // namespace lumora::dialogs
