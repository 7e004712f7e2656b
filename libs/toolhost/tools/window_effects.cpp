// The effects over a window of w x h pixels: "graham_filt" (edge-keeping
// smoothing), "hand_drawing", "tornado_drawing" (Scatter),
// "facetted_effect" (Facetted Glass), "vr_ColorRelief" and "WashOut".
#include "libs/toolhost/tools/EffectSupport.h"

namespace lumora::toolhost {
namespace {

using namespace effects;

// The window's reach from its centre pixel, as Filters.h centres windows.
struct Reach {
  int left, right, below, above;
  Reach(int w, int h) : left((w - 1) / 2), right(w - 1 - (w - 1) / 2), below((h - 1) / 2), above(h - 1 - (h - 1) / 2) {}
};

// Graham: the window's mean where the window is calm (its range within
// kCalm on every channel), the pixel itself where an edge crosses it; so
// noise on flat ground is smoothed and edges stay sharp.
constexpr int kCalm = 64;

bool GrahamFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  Scratch mean(src), low(src), high(src);
  if (!MeanFilter(src, mean.view, w, h, poll) || !MinimumFilter(src, low.view, w, h, poll) ||
      !MaximumFilter(src, high.view, w, h, poll))
    return false;
  const int bytes = src.width * src.channels, ch = src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t *s = src.Row(y), *m = mean.view.Row(y), *lo = low.view.Row(y), *hi = high.view.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int i = 0; i < bytes; i += ch) {
      bool calm = true;
      for (int c = 0; c < ch; ++c) calm = calm && hi[i + c] - lo[i + c] <= kCalm;
      for (int c = 0; c < ch; ++c) d[i + c] = calm ? m[i + c] : s[i + c];
    }
  }
  return true;
}

// Hand drawing: pencil lines where the pixel stands out from the window's
// mean: 255 - min(255, 4 x the largest channel difference), in grey.
bool HandDrawingFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  Scratch mean(src);
  if (!MeanFilter(src, mean.view, w, h, poll)) return false;
  const int ch = src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t *s = src.Row(y), *m = mean.view.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      int diff = 0;
      for (int c = 0; c < ch; ++c) diff = std::max(diff, std::abs(s[x * ch + c] - m[x * ch + c]));
      SetAll(d + x * ch, ch, 255 - std::min(255, 4 * diff));
    }
  }
  return true;
}

// Scatter: every pixel takes a pixel picked at random within its window.
bool ScatterFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  const Reach r(w, h);
  Seeded random({w, h, 0x5C}, src.width, src.height);
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int sx = ClampInt(x - r.left + random.Below(w), 0, src.width - 1);
      const int sy = ClampInt(y - r.below + random.Below(h), 0, src.height - 1);
      std::memcpy(d + x * ch, PixelAt(src, sx, sy), static_cast<std::size_t>(ch));
    }
    if (poll.Row()) return false;
  }
  return true;
}

// Facetted glass: the image cut into facets of w x h pixels on a grid from
// the first pixel, each turned half round (smaller facets at the ends).
bool FacetFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const int y0 = y - y % h, y1 = std::min(y0 + h, src.height);
    const int sy = y0 + (y1 - 1 - y);
    std::uint8_t* d = dst.Row(y);
    for (int x0 = 0; x0 < src.width; x0 += w) {
      const int x1 = std::min(x0 + w, src.width);
      for (int x = x0; x < x1; ++x)
        std::memcpy(d + x * ch, PixelAt(src, x0 + (x1 - 1 - x), sy), static_cast<std::size_t>(ch));
    }
    if (poll.Row()) return false;
  }
  return true;
}

// Colour relief (depth %, window width, height): the image lit from the
// lower left: src + depth / 8 x (mean one pixel up-right - mean one pixel
// down-left), where the mean is over the window.
int ColorReliefExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int depth = params[0];
  Scratch mean(src);
  if (!MeanFilter(src, mean.view, params[1], params[2], poll)) return kToolStopped;
  const ConstImageView m = mean.view;
  const int ch = src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    const int ya = std::min(y + 1, src.height - 1), yb = std::max(y - 1, 0);
    for (int x = 0; x < src.width; ++x) {
      const std::uint8_t* a = PixelAt(m, std::min(x + 1, src.width - 1), ya);
      const std::uint8_t* b = PixelAt(m, std::max(x - 1, 0), yb);
      for (int c = 0; c < ch; ++c) d[x * ch + c] = ClampByte(s[x * ch + c] + ((a[c] - b[c]) * depth) / 8);
    }
  }
  return 0;
}

// Wash out (width, height, lightening %, colour %, grain, outlines, dark
// paper): the window's mean washed towards the paper (white, or black for
// dark paper) by lightening %, its colour kept by colour % (the rest
// grey), grain added at random, and with outlines the pixel's difference
// from the mean drawn back in dark.
int WashOutExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int lighten = params[2], colour = params[3], grain = params[4];
  const bool outlines = params[5] != 0, darkPaper = params[6] != 0;
  Scratch mean(src);
  if (!MeanFilter(src, mean.view, params[0], params[1], poll)) return kToolStopped;
  Seeded random({params[0], params[1], lighten, colour, grain}, src.width, src.height);
  const int paper = darkPaper ? 0 : 255;
  const int ch = src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t *s = src.Row(y), *m = mean.view.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      int washed[3] = {0, 0, 0};
      for (int c = 0; c < ch; ++c) washed[c] = MixPercent(m[x * ch + c], paper, lighten);
      // The grey of the washed colour, weighted as GreyOf weighs a pixel.
      const int grey = ch == 1 ? washed[0] : (29 * washed[0] + 150 * washed[1] + 77 * washed[2]) >> 8;
      const int noise = grain > 0 ? random.Within(grain) : 0;
      for (int c = 0; c < ch; ++c) {
        int v = MixPercent(grey, washed[c], colour) + noise;
        if (outlines) v -= 2 * std::abs(s[x * ch + c] - m[x * ch + c]);
        d[x * ch + c] = ClampByte(v);
      }
    }
  }
  return 0;
}

constexpr std::uint32_t kCaps[kImageKinds] = {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2],
                                               kCapsGreyAndColour[3], kCapsGreyAndColour[4]};

}  // namespace

extern const ToolDescriptor kTool_graham_filt =
    WindowFilterTool("graham_filt", "&Noise", "&Graham", 22000, RunWindow<GrahamFilter>);
extern const ToolDescriptor kTool_hand_drawing =
    WindowFilterTool("hand_drawing", "&Artistic", "&Hand Drawing", 22060, RunWindow<HandDrawingFilter>);
extern const ToolDescriptor kTool_tornado_drawing =
    WindowFilterTool("tornado_drawing", "&Artistic", "&Scatter", 22070, RunWindow<ScatterFilter>);
extern const ToolDescriptor kTool_facetted_effect =
    WindowFilterTool("facetted_effect", "&Artistic", "&Facetted Glass", 22080, RunWindow<FacetFilter>);
extern const ToolDescriptor kTool_vr_ColorRelief = {
    "vr_ColorRelief", "&Artistic", "Color &Relief", kProcessingTool, 22180,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    3, {{'d', 16, 0, 100}, {'d', 9, 1, kMaxWindow}, {'d', 9, 1, kMaxWindow}},
    ColorReliefExecute, NoToolHelp};
extern const ToolDescriptor kTool_WashOut = {
    "WashOut", "&Artistic", "Wash O&ut", kProcessingTool, 22130,
    {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
    7, {{'d', 16, 1, kMaxWindow}, {'d', 16, 1, kMaxWindow}, {'d', 50, 0, 100}, {'d', 50, 0, 100}, {'d', 0, 0, 100},
        {'d', 1, 0, 1}, {'d', 0, 0, 1}},
    WashOutExecute, NoToolHelp};

}  // namespace lumora::toolhost
