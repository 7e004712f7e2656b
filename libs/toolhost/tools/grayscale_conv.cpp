// "grayscale_conv": Image/Convert/Grayscale, each pixel mixed toward its grey
// (0.30 red, 0.59 green, 0.11 blue in 8-bit weights) by an amount.
#include <vector>

#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost {
namespace {

// (amount %)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  if (src.channels != 3) {
    // A grey image is its own grey.
    LevelTable same;
    for (int v = 0; v < 256; ++v) same[v] = static_cast<std::uint8_t>(v);
    return ApplyLevelTable(src, dst, same, poll) ? 0 : kToolStopped;
  }
  // mixed[value * 256 + grey]
  std::vector<std::uint8_t> mixed(256 * 256);
  for (int v = 0; v < 256; ++v) {
    for (int g = 0; g < 256; ++g) mixed[v * 256 + g] = static_cast<std::uint8_t>(MixPercent(v, g, params[0]));
  }
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x, s += 3, d += 3) {
      // Rows hold blue, green, red.
      const int grey = (29 * s[0] + 150 * s[1] + 77 * s[2] + 128) >> 8;
      const std::uint8_t* row = mixed.data() + grey;
      d[0] = row[s[0] * 256];
      d[1] = row[s[1] * 256];
      d[2] = row[s[2] * 256];
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

}  // namespace

extern const ToolDescriptor kTool_grayscale_conv = {
    "grayscale_conv", ":3", "&Grayscale", kProcessingTool, 21600,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    1, {{'d', 100, 0, 100}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
