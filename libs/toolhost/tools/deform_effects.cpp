// The deformations: "Blot", "EarthQuake", "vr_pagec" (Page Curl),
// "RandomDeformations", "Rubber", "Deformations" and "Distort". Each takes
// every pixel from the nearest source pixel of a coordinate map (image
// coordinates, y up), so a deformation only moves pixels.
#include "libs/toolhost/tools/EffectSupport.h"
#include "libs/toolhost/ParamValue.h"

namespace lumora::toolhost {
namespace {

using namespace effects;

constexpr std::uint32_t kCaps[kImageKinds] = {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2],
                                               kCapsGreyAndColour[3], kCapsGreyAndColour[4]};

int Stopped(bool finished) { return finished ? 0 : kToolStopped; }

// Blot (inward, seed, amplitude, centre x %, centre y %): the image pushed
// out from the centre (or pulled in) by up to `amplitude` pixels along a
// five-lobed wavy outline, fading with the distance from the centre.
int BlotExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const double sign = params[0] != 0 ? -1.0 : 1.0;
  const double phase = params[1] * 0.7, amplitude = params[2];
  const double cx = params[3] * (src.width - 1) / 100.0, cy = params[4] * (src.height - 1) / 100.0;
  const double fade = std::max(src.width, src.height) / 3.0;
  return Stopped(WarpNearest(src, dst, poll, [&](int x, int y, double& sx, double& sy) {
    const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
    if (r < 1e-9) return;
    const double lobe = 0.5 + 0.5 * std::sin(5 * std::atan2(dy, dx) + phase);
    const double push = sign * amplitude * lobe * std::min(1.0, r / amplitude) * std::exp(-r / fade);
    const double rs = std::max(0.0, r - push);
    sx = cx + dx * rs / r;
    sy = cy + dy * rs / r;
  }));
}

// Earthquake (across, band, amplitude, shaken %, epicentre %): the image cut
// into bands of `band` pixels (rows, or columns when across is 1); shaken %
// of the bands slide along themselves by a random offset of up to
// `amplitude` pixels, less the further the band lies from the epicentre.
int EarthQuakeExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const bool columns = params[0] != 0;
  const int band = params[1], amplitude = params[2], shaken = params[3];
  const int length = columns ? src.width : src.height;
  const double epicentre = params[4] * (length - 1) / 100.0;
  Seeded random({params[0], band, amplitude, shaken, params[4]}, src.width, src.height);
  std::vector<int> shift(static_cast<std::size_t>(length / band + 1), 0);
  for (std::size_t i = 0; i < shift.size(); ++i) {
    const double distance = std::abs((static_cast<double>(i) * band + band / 2.0) - epicentre) / std::max(1, length);
    const int reach = static_cast<int>(amplitude * std::max(0.0, 1.0 - distance));
    const bool moves = random.Below(100) < shaken;
    const int offset = random.Within(reach);
    shift[i] = moves ? offset : 0;
  }
  return Stopped(WarpNearest(src, dst, poll, [&](int x, int y, double& sx, double& sy) {
    if (columns)
      sy = y - shift[static_cast<std::size_t>(x / band)];
    else
      sx = x - shift[static_cast<std::size_t>(y / band)];
  }));
}

// Page curl (colour, size %): the lower right corner turned over along a
// fold at 45 degrees, `size` % of the shorter side from the corner: behind
// the fold lies the colour; the turned flap, the fold's mirror image over
// the page, shows the paper's back, shaded from 176 at the fold to 240.
int PageCurlExecute(const ConstImageView& src, const ImageView& dst, const ParamValue* values, RowPoll& poll) {
  const auto colour = static_cast<std::uint32_t>(values[0].scalar);
  const int size = std::max(1, values[1].scalar * std::min(src.width, src.height) / 100);
  // With the corner at (W - 1, 0) the fold is the line x - y = fold; pixels
  // with k = x - y - fold > 0 lie in the turned corner.
  const int fold = src.width - 1 - size;
  const int ch = src.channels;
  const std::uint8_t rgb[3] = {static_cast<std::uint8_t>((colour >> 16) & 0xFF),
                               static_cast<std::uint8_t>((colour >> 8) & 0xFF), static_cast<std::uint8_t>(colour & 0xFF)};
  const int grey = (29 * rgb[0] + 150 * rgb[1] + 77 * rgb[2]) >> 8;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int k = x - y - fold;
      std::uint8_t* p = d + x * ch;
      if (k > 0) {
        if (ch == 1)
          p[0] = static_cast<std::uint8_t>(grey);
        else
          std::memcpy(p, rgb, 3);
      } else if (x >= fold && y <= size) {
        // The flap: the mirror of the corner triangle across the fold
        // (x, y) <- (y + fold, x - fold); -k is the distance to the fold.
        SetAll(p, ch, 176 + (-k) * 64 / size);
      } else {
        std::memcpy(p, PixelAt(src, x, y), static_cast<std::size_t>(ch));
      }
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

// Random deformation (kind, cell width, cell height, strength %, seed): a
// smooth random displacement over a lattice of cells, of up to strength %
// of a cell; kind 0 moves both ways, 1 only across, 2 only up and down.
int RandomExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int kind = params[0], cw = params[1], chh = params[2], strength = params[3];
  Seeded random({kind, cw, chh, strength, params[4]}, src.width, src.height);
  const ValueNoise nx(random, src.width, src.height, cw, chh), ny(random, src.width, src.height, cw, chh);
  const double scaleX = strength * cw / 100.0 / 128.0, scaleY = strength * chh / 100.0 / 128.0;
  return Stopped(WarpNearest(src, dst, poll, [&](int x, int y, double& sx, double& sy) {
    if (kind != 2) sx = x + (nx.At(x, y) - 127.5) * scaleX;
    if (kind != 1) sy = y + (ny.At(x, y) - 127.5) * scaleY;
  }));
}

// Rubber (radius x %, radius y %, pull x %, pull y %): within the ellipse of
// the given radii (% of the half sides) about the middle, the picture is
// pulled by pull % of the radii, fully at the middle and not at all at the
// rim ((1 - t^2)^2 with t the ellipse distance).
int RubberExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const double cx = (src.width - 1) / 2.0, cy = (src.height - 1) / 2.0;
  const double rx = std::max(1.0, params[0] * src.width / 200.0), ry = std::max(1.0, params[1] * src.height / 200.0);
  const double pullX = params[2] * rx / 100.0, pullY = params[3] * ry / 100.0;
  return Stopped(WarpNearest(src, dst, poll, [&](int x, int y, double& sx, double& sy) {
    const double u = (x - cx) / rx, v = (y - cy) / ry, t2 = u * u + v * v;
    if (t2 >= 1) return;
    const double f = (1 - t2) * (1 - t2);
    sx = x - f * pullX;
    sy = y - f * pullY;
  }));
}

// Pure deformation (kind, power, radius %, strength %): within a circle of
// radius % of the shorter side about the middle: 0 sphere (the middle
// magnified), 1 pinch (shrunk), 2 twirl (turned, most at the middle),
// 3 waves (`power` rings); strength % scales each.
int PureExecute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int kind = params[0], power = params[1];
  const double cx = (src.width - 1) / 2.0, cy = (src.height - 1) / 2.0;
  const double radius = std::max(1.0, params[2] * std::min(src.width, src.height) / 100.0);
  const double s = params[3] / 100.0;
  return Stopped(WarpNearest(src, dst, poll, [&](int x, int y, double& sx, double& sy) {
    const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
    if (r >= radius || r < 1e-9) return;
    const double t = r / radius;
    double rs = r, turn = 0;
    switch (kind) {
      case 0: rs = radius * std::pow(t, 1 + s * power / 2.0); break;
      case 1: rs = radius * std::pow(t, 1 / (1 + s * power / 2.0)); break;
      case 2: turn = s * power * kPi * (1 - t) * (1 - t); break;
      default: rs = r + std::sin(t * power * 2 * kPi) * s * radius / 10 * (1 - t); break;
    }
    const double c = std::cos(turn), sn = std::sin(turn);
    sx = cx + (dx * c - dy * sn) * rs / r;
    sy = cy + (dx * sn + dy * c) * rs / r;
  }));
}

// Distort (outside, lower-left, lower-right, upper-left, upper-right): each
// corner moved by its point, in % of the width and height; every pixel
// moves by the bilinear blend of the four moves at its place. Points
// moved in from outside the image take: 0 white, 1 black, 2 the nearest
// edge pixel.
int DistortExecute(const ConstImageView& src, const ImageView& dst, const ParamValue* values, RowPoll& poll) {
  const int outside = values[0].scalar;
  const double w = std::max(1, src.width - 1), h = std::max(1, src.height - 1);
  double moveX[4], moveY[4];
  for (int i = 0; i < 4; ++i) {
    moveX[i] = values[1 + i].numbers[0] * src.width / 100.0;
    moveY[i] = values[1 + i].numbers[1] * src.height / 100.0;
  }
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    const double v = y / h;
    for (int x = 0; x < src.width; ++x) {
      const double u = x / w;
      const double wts[4] = {(1 - u) * (1 - v), u * (1 - v), (1 - u) * v, u * v};
      double mx = 0, my = 0;
      for (int i = 0; i < 4; ++i) {
        mx += wts[i] * moveX[i];
        my += wts[i] * moveY[i];
      }
      const int sx = static_cast<int>(std::lround(x - mx)), sy = static_cast<int>(std::lround(y - my));
      std::uint8_t* p = d + x * ch;
      if (sx < 0 || sy < 0 || sx >= src.width || sy >= src.height) {
        if (outside == 0 || outside == 1) {
          SetAll(p, ch, outside == 0 ? 255 : 0);
          continue;
        }
      }
      std::memcpy(p, PixelAt(src, ClampInt(sx, 0, src.width - 1), ClampInt(sy, 0, src.height - 1)),
                  static_cast<std::size_t>(ch));
    }
    if (poll.Row()) return kToolStopped;
  }
  return 0;
}

constexpr ToolDescriptor DeformTool(const char* idName, const char* menuName, std::int32_t base, int count,
                                    ToolParam p0, ToolParam p1, ToolParam p2, ToolParam p3, ToolParam p4,
                                    ToolExecute run) {
  return ToolDescriptor{idName, "&Distort", menuName, kProcessingTool, base, {kCaps[0], kCaps[1], kCaps[2], kCaps[3], kCaps[4]},
                        count, {p0, p1, p2, p3, p4}, run, NoToolHelp};
}

constexpr ToolParam kPercent{'d', 50, 0, 100};
constexpr ToolParam kNone{'d', 0, 0, 0};

}  // namespace

extern const ToolDescriptor kTool_Blot =
    DeformTool("Blot", "&Blot", 22190, 5, {'d', 0, 0, 1}, {'d', 0, 0, 1000}, {'d', 16, 0, 500}, kPercent, kPercent,
               BlotExecute);
extern const ToolDescriptor kTool_EarthQuake =
    DeformTool("EarthQuake", "&EarthQuake", 22200, 5, {'d', 0, 0, 1}, {'d', 1, 1, 1000}, {'d', 16, 0, 500},
               kPercent, kPercent, EarthQuakeExecute);
extern const ToolDescriptor kTool_RandomDeformations =
    DeformTool("RandomDeformations", "&Random Deformation", 22220, 5, {'d', 0, 0, 2}, {'d', 16, 1, 1000},
               {'d', 16, 1, 1000}, kPercent, {'d', 0, 0, 1000000}, RandomExecute);
extern const ToolDescriptor kTool_Rubber =
    DeformTool("Rubber", "R&ubber Deformation", 22230, 4, {'d', 80, 1, 100}, {'d', 60, 1, 100}, {'d', 20, -100, 100},
               {'d', 0, -100, 100}, kNone, RubberExecute);
extern const ToolDescriptor kTool_Deformations =
    DeformTool("Deformations", "&Pure Deformation", 22240, 4, {'d', 0, 0, 3}, {'d', 2, 1, 10}, kPercent,
               {'d', 10, 0, 100}, kNone, PureExecute);

extern const ToolDescriptor kTool_vr_pagec = [] {
  ToolDescriptor d = DeformTool("vr_pagec", "Page &Curl", 22210, 2, {'c', 0, 0, 0xFFFFFF}, {'d', 25, 1, 100}, kNone,
                                kNone, kNone, nullptr);
  d.executeValues = PageCurlExecute;
  return d;
}();
extern const ToolDescriptor kTool_Distort = [] {
  ToolDescriptor d = DeformTool("Distort", "&Distort Deformation", 22250, 5, {'d', 2, 0, 2}, {'p', -30, -100, 100, 0},
                                {'p', 30, -100, 100, 0}, {'p', 0, -100, 100, 0}, {'p', 0, -100, 100, 0}, nullptr);
  d.executeValues = DistortExecute;
  return d;
}();

}  // namespace lumora::toolhost
