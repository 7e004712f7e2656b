// The texture tools: "Canvas", "Cracks", "Mosaic", "Padding" (no
// parameters) and "Eroded" (amount %, grain size).
#include "libs/toolhost/tools/EffectSupport.h"

namespace lumora::toolhost {
namespace {

using namespace effects;

// Adds a texture value t(x, y) to every channel, clamped.
template <class Texture>
bool AddTexture(const ConstImageView& src, const ImageView& dst, RowPoll& poll, Texture texture) {
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int t = texture(x, y);
      for (int c = 0; c < ch; ++c) d[x * ch + c] = ClampByte(s[x * ch + c] + t);
    }
    if (poll.Row()) return false;
  }
  return true;
}

// Canvas: a plain weave of threads 4 pixels wide; blocks alternate between
// threads running across and threads running up, each shaded by its
// profile across the thread. The texture repeats every 8 pixels both ways.
constexpr int kThread[4] = {-14, 6, 12, -4};

int CanvasExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t*, RowPoll& poll) {
  return AddTexture(src, dst, poll, [](int x, int y) {
           const bool across = (((x >> 2) + (y >> 2)) & 1) == 0;
           return across ? kThread[y & 3] : kThread[x & 3];
         })
             ? 0
             : kToolStopped;
}

// Padding: square cushions of 16 pixels, lighter in the middle and darker
// towards the seams: +24 at the centre down to -24 at the corners.
constexpr int kCushion = 16;

int PaddingExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t*, RowPoll& poll) {
  return AddTexture(src, dst, poll, [](int x, int y) {
           // Distance from the cushion's centre, in half pixels: 1 .. 15.
           const int dx = std::abs(2 * (x % kCushion) - (kCushion - 1));
           const int dy = std::abs(2 * (y % kCushion) - (kCushion - 1));
           return 24 - (dx + dy - 2) * 48 / 28;
         })
             ? 0
             : kToolStopped;
}

// Mosaic: cells of 8 x 8 pixels (smaller at the right and top ends), each
// filled with its rounded mean.
constexpr int kMosaicCell = 8;

int MosaicExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t*, RowPoll& poll) {
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y0 = 0; y0 < src.height; y0 += kMosaicCell) {
    const int y1 = std::min(y0 + kMosaicCell, src.height);
    for (int x0 = 0; x0 < src.width; x0 += kMosaicCell) {
      const int x1 = std::min(x0 + kMosaicCell, src.width);
      const int n = (x1 - x0) * (y1 - y0);
      int sums[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
          for (int c = 0; c < ch; ++c) sums[c] += PixelAt(src, x, y)[c];
      std::uint8_t mean[3];
      for (int c = 0; c < ch; ++c) mean[c] = static_cast<std::uint8_t>((sums[c] + n / 2) / n);
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) std::memcpy(PixelAt(dst, x, y), mean, static_cast<std::size_t>(ch));
    }
    for (int y = y0; y < y1; ++y)
      if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// Cracks: random walks, one per 1500 pixels, each as long as the image's
// half perimeter, turning a little at every step; the pixels they cross are
// darkened to half.
int CracksExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t*, RowPoll& poll) {
  CopyImage(src, dst);
  Seeded random({0x43726B}, src.width, src.height);
  const int walks = std::max(1, src.width * src.height / 1500);
  const int steps = (src.width + src.height) / 2;
  std::vector<std::uint8_t> crossed(static_cast<std::size_t>(src.width) * src.height, 0);
  poll.Expect(walks);
  for (int i = 0; i < walks; ++i) {
    double x = random.Below(src.width), y = random.Below(src.height);
    double angle = random.Below(3600) * kPi / 1800;
    for (int s = 0; s < steps; ++s) {
      const int ix = static_cast<int>(x), iy = static_cast<int>(y);
      if (ix < 0 || iy < 0 || ix >= src.width || iy >= src.height) break;
      crossed[static_cast<std::size_t>(iy) * src.width + ix] = 1;
      angle += random.Within(20) * kPi / 180;
      x += std::cos(angle);
      y += std::sin(angle);
    }
    if (poll.Row()) return kToolStopped;
  }
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x)
      if (crossed[static_cast<std::size_t>(y) * src.width + x])
        for (int c = 0; c < src.channels; ++c) d[x * src.channels + c] >>= 1;
  }
  return 0;
}

// Eroded: a smooth random field with grains of `size` pixels; where it
// lies below amount % of its range the paper shows through: the pixel goes
// half way to white.
int ErodedExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int amount = params[0], size = params[1];
  Seeded random({amount, size}, src.width, src.height);
  const ValueNoise field(random, src.width, src.height, size, size);
  const double level = amount * 256.0 / 100.0;
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const bool eroded = field.At(x, y) < level;
      for (int c = 0; c < ch; ++c) {
        const int v = s[x * ch + c];
        d[x * ch + c] = static_cast<std::uint8_t>(eroded ? (v + 256) >> 1 : v);
      }
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

constexpr ToolDescriptor TextureTool(const char* idName, const char* menuName, std::int32_t base, ToolExecute run) {
  return ToolDescriptor{idName, "&Texture", menuName, kProcessingTool, base,
                        {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3],
                         kCapsGreyAndColour[4]},
                        0, {}, run, NoToolHelp};
}

}  // namespace

extern const ToolDescriptor kTool_Canvas = TextureTool("Canvas", "&Canvas", 22010, CanvasExecute);
extern const ToolDescriptor kTool_Cracks = TextureTool("Cracks", "C&racks", 22020, CracksExecute);
extern const ToolDescriptor kTool_Mosaic = TextureTool("Mosaic", "&Mosaic", 22030, MosaicExecute);
extern const ToolDescriptor kTool_Padding = TextureTool("Padding", "&Padding", 22040, PaddingExecute);
extern const ToolDescriptor kTool_Eroded = {
    "Eroded", "&Texture", "&Eroded", kProcessingTool, 22050,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    2, {{'d', 50, 0, 100}, {'d', 10, 1, 200}},
    ErodedExecute, NoToolHelp};

}  // namespace lumora::toolhost
