// Brush mask shapes, soft edge, rotation and dither.
#include "paint/BrushMask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "paint/BrushRandom.h"
#include "paint/BrushTables.h"

namespace paint {
namespace {

// Whether (x, y) lies inside the circle the round shapes use.
bool InRound(int x, int y, int width, int height, int edge) {
  const int cx = width >> 1;
  const int cy = height >> 1;
  const int rx = cx - edge;
  const int ry = cy - edge;
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) < (rx * rx + ry * ry) / 2;
}

bool InShape(int x, int y, int width, int height, int edge, int shape) {
  switch (shape) {
    case kShapeRound:
    case kShapeEllipse:
      return InRound(x, y, width, height, edge);
    case kShapeSlash:
      return std::abs(y - x) <= std::min(width, height) / 10;
    case kShapeBackSlash:
      return std::abs(width - x - y - 1) <= std::min(width, height) / 10;
    default:
      return true;  // Square, Rectangle
  }
}

}  // namespace

void DrawBuiltInShape(std::uint8_t* mask, int width, int height, int edge, int shape) {
  if (width < 4 || height < 4) shape = kShapeSquare;
  // Rectangle and Ellipse squash the shape to half height about the centre.
  const bool halfHeight = shape == kShapeRectangle || shape == kShapeEllipse;
  const int cy = height >> 1;
  for (int y = edge; y < height - edge; ++y) {
    const int row = halfHeight ? cy + (y - cy) / 2 : y;
    std::uint8_t* out = mask + static_cast<std::ptrdiff_t>(row) * width;
    for (int x = edge; x < width - edge; ++x) {
      if (InShape(x, y, width, height, edge, shape)) out[x] = 255;
    }
  }
}

namespace {

constexpr double kA0 = 1.6803, kA1 = 3.735, kB0 = 1.783, kW0 = 0.6318;
constexpr double kC0 = -0.6803, kC1 = -0.2598, kB1 = 1.723, kW1 = 1.997;

// The one-sided transform of (a cos wn + b sin wn) e^(-beta n), n >= 0:
// (a + q z^-1) / (1 + p1 z^-1 + p2 z^-2).
struct Pair {
  double num[2];
  double den[3];
};
Pair MakePair(double a, double b, double w, double beta) {
  const double e = std::exp(-beta);
  return Pair{{a, e * (b * std::sin(w) - a * std::cos(w))}, {1.0, -2.0 * e * std::cos(w), e * e}};
}

}  // namespace

double BlurSigma(int radiusTimes10) {
  const double r = std::fabs(radiusTimes10 * 0.1) + 1.0;
  return std::sqrt(r * r / (-2.0 * std::log(1.0 / 255.0)));
}

void ComputeDericheCoefficients(double sigma, DericheCoefficients* out) {
  const Pair p = MakePair(kA0, kA1, kW0 / sigma, kB0 / sigma);
  const Pair q = MakePair(kC0, kC1, kW1 / sigma, kB1 / sigma);
  // Sum of the two causal parts over the common denominator.
  double n[4] = {p.num[0] * q.den[0] + q.num[0] * p.den[0],
                 p.num[0] * q.den[1] + p.num[1] * q.den[0] + q.num[0] * p.den[1] + q.num[1] * p.den[0],
                 p.num[0] * q.den[2] + p.num[1] * q.den[1] + q.num[0] * p.den[2] + q.num[1] * p.den[1],
                 p.num[1] * q.den[2] + q.num[1] * p.den[2]};
  const double d[4] = {p.den[1] + q.den[1], p.den[2] + p.den[1] * q.den[1] + q.den[2],
                       p.den[1] * q.den[2] + p.den[2] * q.den[1], p.den[2] * q.den[2]};
  // The anti-causal side is the mirror image without its centre sample.
  double m[4];
  for (int k = 0; k < 4; ++k) m[k] = (k < 3 ? n[k + 1] : 0.0) - d[k] * n[0];
  // Scale so that the whole kernel sums to 1.
  const double dSum = 1.0 + d[0] + d[1] + d[2] + d[3];
  const double total = (n[0] + n[1] + n[2] + n[3] + m[0] + m[1] + m[2] + m[3]) / dSum;
  for (int k = 0; k < 4; ++k) {
    out->causal[k] = n[k] / total;
    out->anticausal[k] = m[k] / total;
    out->feedback[k] = d[k];
  }
}

namespace {

// One line of `count` samples `step` apart, filtered in place.
void FilterLine(double* line, int count, std::ptrdiff_t step, const DericheCoefficients& k,
                std::vector<double>& scratch) {
  scratch.assign(static_cast<std::size_t>(count), 0.0);
  double x[4] = {0, 0, 0, 0};  // x[i], x[i-1], ...
  double y[4] = {0, 0, 0, 0};  // y[i-1], y[i-2], ...
  for (int i = 0; i < count; ++i) {
    x[3] = x[2], x[2] = x[1], x[1] = x[0], x[0] = line[i * step];
    const double out = k.causal[0] * x[0] + k.causal[1] * x[1] + k.causal[2] * x[2] + k.causal[3] * x[3] -
                       k.feedback[0] * y[0] - k.feedback[1] * y[1] - k.feedback[2] * y[2] -
                       k.feedback[3] * y[3];
    y[3] = y[2], y[2] = y[1], y[1] = y[0], y[0] = out;
    scratch[i] = out;
  }
  double ax[4] = {0, 0, 0, 0};  // x[i+1], x[i+2], ...
  double ay[4] = {0, 0, 0, 0};  // y[i+1], y[i+2], ...
  for (int i = count - 1; i >= 0; --i) {
    const double out = k.anticausal[0] * ax[0] + k.anticausal[1] * ax[1] + k.anticausal[2] * ax[2] +
                       k.anticausal[3] * ax[3] - k.feedback[0] * ay[0] - k.feedback[1] * ay[1] -
                       k.feedback[2] * ay[2] - k.feedback[3] * ay[3];
    ax[3] = ax[2], ax[2] = ax[1], ax[1] = ax[0], ax[0] = line[i * step];
    ay[3] = ay[2], ay[2] = ay[1], ay[1] = ay[0], ay[0] = out;
    line[i * step] = scratch[i] + out;
  }
}

}  // namespace

void BlurMask(int x0, int y0, int x1, int y1, std::uint8_t* mask, int stride, int radiusTimes10) {
  const int w = x1 - x0;
  const int h = y1 - y0;
  if (w <= 0 || h <= 0) return;
  DericheCoefficients k;
  ComputeDericheCoefficients(BlurSigma(radiusTimes10), &k);
  std::vector<double> block(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = mask + static_cast<std::ptrdiff_t>(y + y0) * stride + x0;
    std::copy(row, row + w, block.begin() + static_cast<std::ptrdiff_t>(y) * w);
  }
  std::vector<double> scratch;
  for (int y = 0; y < h; ++y) FilterLine(block.data() + static_cast<std::ptrdiff_t>(y) * w, w, 1, k, scratch);
  for (int x = 0; x < w; ++x) FilterLine(block.data() + x, h, w, k, scratch);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = mask + static_cast<std::ptrdiff_t>(y + y0) * stride + x0;
    const double* in = block.data() + static_cast<std::ptrdiff_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const double v = std::trunc(in[x]);
      row[x] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
  }
}

void RotateMask(std::uint8_t* dst, const std::uint8_t* src, int width, int height, std::int32_t sine,
                std::int32_t cosine) {
  const int cx = width >> 1;
  const int cy = height >> 1;
  for (int y = 0; y < height; ++y) {
    const int dy = y - cy;
    std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(y) * width;
    // u and v advance by cosine and sine per column: one add each.
    std::int32_t u = -cx * cosine - dy * sine;
    std::int32_t v = -cx * sine + dy * cosine;
    for (int x = 0; x < width; ++x, u += cosine, v += sine) {
      const int sx = u / kTrigScale + cx;
      const int sy = cy - v / kTrigScale;
      out[x] = (sx < 0 || sx >= width || sy < 0 || sy >= height) ? 0
                                                                 : src[static_cast<std::ptrdiff_t>(sy) * width + sx];
    }
  }
}

void DitherMask(std::uint8_t* dst, const std::uint8_t* src, int count, BrushRandom& random) {
  for (int i = 0; i < count; ++i) {
    const std::uint8_t v = src[i];
    if (v == 0 || v == 255) {
      dst[i] = v;
    } else {
      dst[i] = (random.Next() & 255u) <= v ? 255 : 0;
    }
  }
}

}  // namespace paint
