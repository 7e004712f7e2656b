// "emboss_effect": relief over a colour, lit from the upper left, with the
// window parameters of the other window filters: the difference between the
// pixels half a window up-left and down-right of each pixel, added to the
// colour, then limited by threshold and keep %.
#include <algorithm>

#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

// colour + p(x - rx, y - ry) - p(x + rx, y + ry), clamped, with rx = max(1,
// w / 2) and ry = max(1, h / 2): for a 3 x 3 window the same as
// EmbossFilter at 135 degrees. `colour` is 0x00BBGGRR; grey images use its
// grey value.
bool EmbossWindow(const ConstImageView& src, const ImageView& dst, int w, int h, std::uint32_t colour,
                  RowPoll& poll) {
  const int rx = std::max(1, w / 2), ry = std::max(1, h / 2);
  const int red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
  // Rows hold blue, green, red; grey uses the colour's luminance.
  const int base[3] = {src.channels == 1 ? (red * 77 + green * 150 + blue * 29 + 128) >> 8 : blue, green, red};
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* ahead = src.Row(std::clamp(y - ry, 0, src.height - 1));
    const std::uint8_t* behind = src.Row(std::clamp(y + ry, 0, src.height - 1));
    std::uint8_t* out = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int xa = std::clamp(x - rx, 0, src.width - 1) * ch, xb = std::clamp(x + rx, 0, src.width - 1) * ch;
      for (int c = 0; c < ch; ++c)
        out[x * ch + c] = static_cast<std::uint8_t>(std::clamp(base[c] + ahead[xa + c] - behind[xb + c], 0, 255));
    }
    if (poll.Row()) return false;
  }
  return true;
}

// (width, height, threshold, keep %, colour)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  if (!EmbossWindow(src, dst, params[0], params[1], static_cast<std::uint32_t>(params[4]), poll)) return kToolStopped;
  LimitChange(src, dst, params[2], params[3]);
  return 0;
}

}  // namespace

extern const ToolDescriptor kTool_emboss_effect = {
    "emboss_effect", "St&ylize", "&Emboss", kProcessingTool, 21570,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    5, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3], {'c', 0x808080, 0, 0xFFFFFF}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
