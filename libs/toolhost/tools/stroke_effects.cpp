// The redrawing effects that lay strokes, lines and tiles: "graphic_pen",
// "art_autobrush", "art_patch", "art_oilpaint", "vr_Facet2" (Engrave),
// "vr_Facet1" (Strokes), "vr_NotePaper" and "vr_3DMosaic".
#include "libs/toolhost/tools/EffectSupport.h"

namespace lumora::toolhost {
namespace {

using namespace effects;

constexpr std::uint32_t kCaps[kImageKinds] = {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2],
                                               kCapsGreyAndColour[3], kCapsGreyAndColour[4]};

// The offsets of a line of `length` pixels through the origin at `angle`
// degrees (y up), its middle on the origin.
std::vector<std::pair<int, int>> LineOffsets(int length, int angle) {
  const double a = angle * kPi / 180;
  std::vector<std::pair<int, int>> offsets;
  for (int i = 0; i < length; ++i) {
    const double t = i - (length - 1) / 2.0;
    offsets.emplace_back(static_cast<int>(std::lround(t * std::cos(a))), static_cast<int>(std::lround(t * std::sin(a))));
  }
  return offsets;
}

// Graphic pen (threshold, stroke length, angle, jitter, colour ink): the
// grey averaged along a stroke through each pixel, plus a random jitter of
// up to `jitter` x 8, decides between ink and paper: black ink (or, with
// colour ink, the pixel's own colour) on white.
int GraphicPenExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int threshold = params[0], jitter = params[3];
  const bool colourInk = params[4] != 0;
  const auto line = LineOffsets(params[1], params[2]);
  const int n = static_cast<int>(line.size());
  Seeded random({params[0], params[1], params[2], params[3], params[4]}, src.width, src.height);
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      int sum = 0;
      for (const auto& [dx, dy] : line)
        sum += GreyOf(PixelAt(src, ClampInt(x + dx, 0, src.width - 1), ClampInt(y + dy, 0, src.height - 1)), ch);
      const int noise = jitter > 0 ? random.Within(jitter * 8) : 0;
      const bool ink = sum + noise * n < threshold * n;
      if (!ink)
        SetAll(d + x * ch, ch, 255);
      else if (colourInk)
        std::memcpy(d + x * ch, PixelAt(src, x, y), static_cast<std::size_t>(ch));
      else
        SetAll(d + x * ch, ch, 0);
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// The painters (length, width, colour window, opacity %, angle, angle
// spread, rim darkening, strokes, seed): `strokes` strokes at random
// places, each a rectangle of length x width turned by angle +- spread
// (patches are not turned), painted over the picture so far with the
// colour under its middle (oil paint: the mean of the colour window there)
// at opacity %, its rim darkened by 8 levels per step of rim darkening.
enum class Painter { kAutoBrush, kPatch, kOilPaint };

template <Painter kind>
int PainterExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int length = params[0], width = params[1], window = params[2], opacity = params[3];
  const int angle = params[4], spread = params[5], rim = params[6], strokes = params[7];
  Seeded random({params[0], params[1], params[2], params[3], params[4], params[5], params[6], params[7], params[8]},
                src.width, src.height);
  Scratch mean(src);
  const ConstImageView colours = kind == Painter::kOilPaint ? ConstImageView(mean.view) : src;
  if (kind == Painter::kOilPaint && !MeanFilter(src, mean.view, window, window, poll)) return kToolStopped;
  CopyImage(src, dst);
  // Opacity in 1/256ths, so the blend needs no division.
  const int alpha = opacity * 256 / 100;
  const int ch = src.channels;
  constexpr int kBand = 256;  // strokes counted as one row of work
  poll.Expect(strokes / kBand + 1);
  for (int i = 0; i < strokes; ++i) {
    const int cx = random.Below(src.width), cy = random.Below(src.height);
    const double a = (kind == Painter::kPatch ? 0 : angle + (spread > 0 ? random.Within(spread) : 0)) * kPi / 180;
    const double ca = std::cos(a), sa = std::sin(a);
    const std::uint8_t* colour = PixelAt(colours, cx, cy);
    const double halfL = length / 2.0, halfW = width / 2.0;
    const int reach = static_cast<int>(std::ceil(halfL + halfW));
    for (int y = std::max(0, cy - reach); y <= std::min(src.height - 1, cy + reach); ++y) {
      for (int x = std::max(0, cx - reach); x <= std::min(src.width - 1, cx + reach); ++x) {
        // The point in the stroke's own axes.
        const double u = (x - cx) * ca + (y - cy) * sa, v = -(x - cx) * sa + (y - cy) * ca;
        if (std::abs(u) > halfL || std::abs(v) > halfW) continue;
        const bool onRim = std::abs(u) > halfL - 1 || std::abs(v) > halfW - 1;
        std::uint8_t* p = PixelAt(dst, x, y);
        for (int c = 0; c < ch; ++c) {
          const int target = colour[c] - (onRim ? rim * 8 : 0);
          p[c] = ClampByte(p[c] + (((target - p[c]) * alpha) >> 8));
        }
      }
    }
    if ((i + 1) % kBand == 0 && poll.Row()) return kToolStopped;
  }
  return 0;
}

// Engrave (depth): a grey relief lit from the lower left: 128 + depth / 10
// x (grey one pixel up-right - grey one pixel down-left).
int EngraveExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int depth = params[0];
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    const int ya = std::min(y + 1, src.height - 1), yb = std::max(y - 1, 0);
    for (int x = 0; x < src.width; ++x) {
      const int diff = GreyOf(PixelAt(src, std::min(x + 1, src.width - 1), ya), ch) -
                       GreyOf(PixelAt(src, std::max(x - 1, 0), yb), ch);
      SetAll(d + x * ch, ch, ClampByte(128 + diff * depth / 10));
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// Strokes (length): every pixel the rounded mean of length / 5 pixels (at
// least 1) along the rising diagonal through it.
int StrokesExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int n = std::max(1, params[0] / 5);
  const int first = -(n - 1) / 2;
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      int sums[3] = {0, 0, 0};
      for (int k = first; k < first + n; ++k) {
        const std::uint8_t* p = PixelAt(src, ClampInt(x + k, 0, src.width - 1), ClampInt(y + k, 0, src.height - 1));
        for (int c = 0; c < ch; ++c) sums[c] += p[c];
      }
      for (int c = 0; c < ch; ++c) d[x * ch + c] = static_cast<std::uint8_t>((sums[c] + n / 2) / n);
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// Note paper (balance, grain, relief): two tones of paper, dark (96) where
// the grey lies below 128 + balance and light (224) elsewhere, the edges
// between them raised by relief / 10 and grain added at random.
int NotePaperExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int balance = params[0], grain = params[1], relief = params[2];
  Seeded random({balance, grain, relief}, src.width, src.height);
  const int ch = src.channels;
  auto tone = [&](int x, int y) {
    return GreyOf(PixelAt(src, ClampInt(x, 0, src.width - 1), ClampInt(y, 0, src.height - 1)), ch) < 128 + balance
               ? 96
               : 224;
  };
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int edge = (tone(x + 1, y + 1) - tone(x - 1, y - 1)) * relief / 10;
      const int noise = grain > 0 ? random.Within(grain) : 0;
      SetAll(d + x * ch, ch, ClampByte(tone(x, y) + edge + noise));
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// 3D mosaic (tile width, tile height, seam, bevel, depth %): tiles of the
// given size filled with their mean, seams of `seam` pixels at their
// right and top ends in black, and a bevel of `bevel` pixels lighter by
// depth % of 255 on the tile's upper and left sides, as much darker on the
// lower and right ones.
int Mosaic3DExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int tw = params[0], th = params[1], seam = params[2], bevel = params[3];
  const int shade = params[4] * 255 / 100;
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y0 = 0; y0 < src.height; y0 += th) {
    const int y1 = std::min(y0 + th, src.height);
    for (int x0 = 0; x0 < src.width; x0 += tw) {
      const int x1 = std::min(x0 + tw, src.width);
      const int n = (x1 - x0) * (y1 - y0);
      int sums[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
          for (int c = 0; c < ch; ++c) sums[c] += PixelAt(src, x, y)[c];
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          std::uint8_t* p = PixelAt(dst, x, y);
          // Distances to the tile's sides; y grows upward.
          const int left = x - x0, right = x1 - 1 - x, bottom = y - y0, top = y1 - 1 - y;
          if (right < seam || top < seam) {
            SetAll(p, ch, 0);
            continue;
          }
          int lift = 0;
          if (top - seam < bevel || left < bevel) lift = shade;
          else if (bottom < bevel || right - seam < bevel) lift = -shade;
          for (int c = 0; c < ch; ++c) p[c] = ClampByte((sums[c] + n / 2) / n + lift);
        }
      }
    }
    for (int y = y0; y < y1; ++y)
      if (poll.Row()) return kToolStopped;
  }
  return 0;
}

constexpr ToolParam kPainterParams[9] = {{'d', 20, 1, 200},  {'d', 10, 1, 200},        {'d', 10, 1, kMaxWindow},
                                         {'d', 100, 0, 100}, {'d', 45, -360, 360},      {'d', 30, 0, 180},
                                         {'d', 3, 0, 31},    {'d', 25000, 1, 1000000}, {'d', 0, 0, 1000000}};

constexpr ToolDescriptor PainterTool(const char* idName, const char* menuName, std::int32_t base, ToolExecute run,
                                     std::int32_t length, std::int32_t width, std::int32_t window,
                                     std::int32_t angle, std::int32_t spread) {
  ToolDescriptor d{idName, "&Artistic", menuName, kProcessingTool, base, {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
                   9, {kPainterParams[0], kPainterParams[1], kPainterParams[2], kPainterParams[3], kPainterParams[4],
                       kPainterParams[5], kPainterParams[6], kPainterParams[7], kPainterParams[8]},
                   run, NoToolHelp};
  d.params[0].defaultValue = length;
  d.params[1].defaultValue = width;
  d.params[2].defaultValue = window;
  d.params[4].defaultValue = angle;
  d.params[5].defaultValue = spread;
  return d;
}

}  // namespace

extern const ToolDescriptor kTool_graphic_pen = {
    "graphic_pen", "&Artistic", "Graphic &Pen", kProcessingTool, 22090,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    5, {{'d', 128, 0, 255}, {'d', 16, 1, 100}, {'d', 45, -360, 360}, {'d', 0, 0, 32}, {'d', 0, 0, 1}},
    GraphicPenExecute, NoToolHelp};
extern const ToolDescriptor kTool_art_autobrush =
    PainterTool("art_autobrush", "&AutoBrush", 22100, PainterExecute<Painter::kAutoBrush>, 20, 10, 10, 45, 30);
extern const ToolDescriptor kTool_art_patch =
    PainterTool("art_patch", "Patch&Work", 22260, PainterExecute<Painter::kPatch>, 14, 7, 7, 0, 40);
extern const ToolDescriptor kTool_art_oilpaint =
    PainterTool("art_oilpaint", "&Oil Paint", 22280, PainterExecute<Painter::kOilPaint>, 20, 10, 10, 45, 30);
extern const ToolDescriptor kTool_vr_Facet2 = {
    "vr_Facet2", "&Artistic", "&Engrave", kProcessingTool, 22140,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    1, {{'d', 15, 1, 100}},
    EngraveExecute, NoToolHelp};
extern const ToolDescriptor kTool_vr_Facet1 = {
    "vr_Facet1", "&Artistic", "S&trokes", kProcessingTool, 22150,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    1, {{'d', 50, 1, 500}},
    StrokesExecute, NoToolHelp};
extern const ToolDescriptor kTool_vr_NotePaper = {
    "vr_NotePaper", "&Artistic", "&Note Paper", kProcessingTool, 22160,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    3, {{'d', 4, -127, 127}, {'d', 8, 0, 100}, {'d', 10, 0, 100}},
    NotePaperExecute, NoToolHelp};
extern const ToolDescriptor kTool_vr_3DMosaic = {
    "vr_3DMosaic", "&Artistic", "3D &Mosaic", kProcessingTool, 22170,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    5, {{'d', 10, 2, 200}, {'d', 10, 2, 200}, {'d', 0, 0, 10}, {'d', 5, 0, 50}, {'d', 10, 0, 100}},
    Mosaic3DExecute, NoToolHelp};

}  // namespace lumora::toolhost
