// Anti-aliased outline filling by signed-area accumulation: each edge adds,
// per row, the signed area it sweeps to every cell it crosses; a running sum
// along the row then gives each pixel's winding-weighted coverage. Rows are
// done one at a time with an active-edge list, and runs of cells that no edge
// touched are filled with one value instead of being summed.
#include "libs/fragment/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace lumora::frg {

namespace {

constexpr int kChunkShift = 6;  // cells per untouched-run chunk: 64

// An edge in window coordinates with y0 < y1; `dir` is +1 downward-to-upward
// as given, -1 when the edge was reversed.
struct Edge {
  double x0, y0, x1, y1;
  double dxdy;
  double dir;
};

// Appends the part of segment p -> q that matters for a window `width` wide:
// pieces left of x = 0 become vertical at 0 (they add their full winding to
// every cell), pieces right of x = width become vertical at width (they touch
// no visible cell).
void AddClippedEdge(std::vector<Edge>* edges, PointF p, PointF q, double width) {
  if (p.y == q.y) return;
  // Split parameters: 0, the crossings of x = 0 and x = width in order, 1.
  double ts[4] = {0.0, 0.0, 0.0, 0.0};
  int n = 1;
  const double dx = q.x - p.x;
  if (dx != 0.0) {
    for (double bound : {0.0, width}) {
      const double t = (bound - p.x) / dx;
      if (t > 0.0 && t < 1.0) ts[n++] = t;
    }
  }
  if (n == 3 && ts[2] < ts[1]) std::swap(ts[1], ts[2]);
  ts[n++] = 1.0;
  for (int i = 0; i + 1 < n; ++i) {
    const double ta = ts[i], tb = ts[i + 1];
    PointF a{p.x + dx * ta, p.y + (q.y - p.y) * ta};
    PointF b{p.x + dx * tb, p.y + (q.y - p.y) * tb};
    if (i == 0) a = p;
    if (i + 2 == n) b = q;
    const double mid = 0.5 * (a.x + b.x);
    const double x = mid < 0.0 ? 0.0 : (mid > width ? width : -1.0);
    if (x >= 0.0) {
      a.x = x;
      b.x = x;
    } else {
      a.x = std::clamp(a.x, 0.0, width);
      b.x = std::clamp(b.x, 0.0, width);
    }
    if (a.y == b.y) continue;
    Edge e;
    if (a.y < b.y) {
      e = Edge{a.x, a.y, b.x, b.y, 0.0, 1.0};
    } else {
      e = Edge{b.x, b.y, a.x, a.y, 0.0, -1.0};
    }
    e.dxdy = (e.x1 - e.x0) / (e.y1 - e.y0);
    edges->push_back(e);
  }
}

// The accumulation row of one window row: cells 0 .. width + 1 and a flag per
// 64-cell chunk that some edge touched.
class AccumulationRow {
 public:
  explicit AccumulationRow(int width)
      : width_(width),
        cells_(static_cast<std::size_t>(width) + 2, 0.0),
        touched_((static_cast<std::size_t>(width) + 2 + 63) >> kChunkShift, 0) {}

  // Adds the segment of one edge inside this row, from x = xa to x = xb,
  // carrying signed height d (the part of the row it spans, times its
  // direction). The cells' contributions sum to d.
  void AddSegment(double xa, double xb, double d) {
    if (xa == xb) {
      const int i = static_cast<int>(xa);
      const double f = xa - i;
      Add(i, d * (1.0 - f));
      Add(i + 1, d * f);
      return;
    }
    const double x0 = std::min(xa, xb), x1 = std::max(xa, xb);
    const double x0floor = std::floor(x0);
    const int x0i = static_cast<int>(x0floor);
    const double x1ceil = std::ceil(x1);
    const int x1i = static_cast<int>(x1ceil);
    if (x1i <= x0i + 1) {
      // Within one cell: the part of the cell right of the segment's middle.
      const double xm = 0.5 * (xa + xb) - x0floor;
      Add(x0i, d * (1.0 - xm));
      Add(x0i + 1, d * xm);
      return;
    }
    // Across cells: the swept area is a triangle in the first and last cell
    // and grows by s = 1 / (x1 - x0) per whole cell between.
    const double s = 1.0 / (x1 - x0);
    const double x0f = x0 - x0floor;
    const double a0 = 0.5 * s * (1.0 - x0f) * (1.0 - x0f);
    const double x1f = x1 - x1ceil + 1.0;
    const double am = 0.5 * s * x1f * x1f;
    Add(x0i, d * a0);
    if (x1i == x0i + 2) {
      Add(x0i + 1, d * (1.0 - a0 - am));
    } else {
      const double a1 = s * (1.5 - x0f);
      Add(x0i + 1, d * (a1 - a0));
      const double ds = d * s;
      for (int xi = x0i + 2; xi < x1i - 1; ++xi) cells_[static_cast<std::size_t>(xi)] += ds;
      MarkRange(x0i + 2, x1i - 2);
      const double a2 = a1 + (x1i - x0i - 3) * s;
      Add(x1i - 1, d * (1.0 - a2 - am));
    }
    Add(x1i, d * am);
  }

  // Turns the row's running sums into coverage bytes and clears the row.
  template <FillRule kRule>
  void Resolve(std::uint8_t* out) {
    double sum = 0.0;
    const int chunks = static_cast<int>(touched_.size());
    for (int c = 0; c < chunks; ++c) {
      const int from = c << kChunkShift;
      if (from >= width_) break;
      const int to = std::min(width_, from + (1 << kChunkShift));
      if (!touched_[static_cast<std::size_t>(c)]) {
        std::memset(out + from, Coverage<kRule>(sum), static_cast<std::size_t>(to - from));
        continue;
      }
      for (int i = from; i < to; ++i) {
        sum += cells_[static_cast<std::size_t>(i)];
        cells_[static_cast<std::size_t>(i)] = 0.0;
        out[i] = Coverage<kRule>(sum);
      }
    }
    // Cells at and past the right edge are never shown, only cleared.
    for (std::size_t i = static_cast<std::size_t>(width_); i < cells_.size(); ++i) cells_[i] = 0.0;
    std::fill(touched_.begin(), touched_.end(), std::uint8_t{0});
  }

 private:
  void Add(int i, double v) {
    cells_[static_cast<std::size_t>(i)] += v;
    touched_[static_cast<std::size_t>(i) >> kChunkShift] = 1;
  }
  void MarkRange(int from, int to) {
    for (int c = from >> kChunkShift; c <= (to >> kChunkShift); ++c) {
      touched_[static_cast<std::size_t>(c)] = 1;
    }
  }

  // Winding-weighted area to coverage: non-zero clamps the magnitude at one
  // pixel; even-odd folds it so that windings 1, 3, ... are in, 2, 4, ... out.
  template <FillRule kRule>
  static std::uint8_t Coverage(double sum) {
    double v = std::fabs(sum);
    if constexpr (kRule == FillRule::kNonZero) {
      v = std::min(v, 1.0);
    } else {
      v -= 2.0 * std::floor(v * 0.5);
      if (v > 1.0) v = 2.0 - v;
    }
    return static_cast<std::uint8_t>(v * 255.0 + 0.5);
  }

  int width_;
  std::vector<double> cells_;
  std::vector<std::uint8_t> touched_;
};

template <FillRule kRule>
void FillEdges(std::vector<Edge>& edges, const Window& window) {
  const int width = window.rect.width;
  const int height = window.rect.height;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
  AccumulationRow row(width);
  std::vector<const Edge*> active;
  std::size_t next = 0;
  for (int j = 0; j < height; ++j) {
    const double top = j + 1.0;
    while (next < edges.size() && edges[next].y0 < top) active.push_back(&edges[next++]);
    for (const Edge* e : active) {
      const double ya = std::max<double>(j, e->y0);
      const double yb = std::min(top, e->y1);
      if (yb <= ya) continue;
      // Each x comes from the edge's start, not by stepping, so long edges
      // do not drift.
      const double xa = std::clamp(e->x0 + (ya - e->y0) * e->dxdy, 0.0, static_cast<double>(width));
      const double xb = std::clamp(e->x0 + (yb - e->y0) * e->dxdy, 0.0, static_cast<double>(width));
      row.AddSegment(xa, xb, (yb - ya) * e->dir);
    }
    row.Resolve<kRule>(window.Row(j));
    active.erase(
        std::remove_if(active.begin(), active.end(), [top](const Edge* e) { return e->y1 <= top; }),
        active.end());
  }
}

}  // namespace

Box Outline::PixelBounds() const {
  if (points_.empty()) return Box{};
  double minX = points_[0].x, maxX = minX, minY = points_[0].y, maxY = minY;
  for (const PointF& p : points_) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return Box{
      static_cast<std::int64_t>(std::floor(minX)), static_cast<std::int64_t>(std::floor(minY)),
      static_cast<std::int64_t>(std::ceil(maxX)), static_cast<std::int64_t>(std::ceil(maxY))};
}

void FillOutline(const Outline& outline, FillRule rule, const Window& window) {
  if (window.rect.width <= 0 || window.rect.height <= 0) return;
  std::vector<Edge> edges;
  const double ox = window.rect.x, oy = window.rect.y;
  const double height = window.rect.height;
  outline.ForEachEdge([&](const PointF& a, const PointF& b) {
    const PointF p{a.x - ox, a.y - oy}, q{b.x - ox, b.y - oy};
    // Edges wholly above or below the window change no row of it.
    if ((p.y <= 0.0 && q.y <= 0.0) || (p.y >= height && q.y >= height)) return;
    AddClippedEdge(&edges, p, q, window.rect.width);
  });
  if (rule == FillRule::kNonZero) {
    FillEdges<FillRule::kNonZero>(edges, window);
  } else {
    FillEdges<FillRule::kEvenOdd>(edges, window);
  }
}

bool OutlineContains(const Outline& outline, FillRule rule, std::int32_t x, std::int32_t y) {
  const double px = x + 0.5, py = y + 0.5;
  int winding = 0;
  outline.ForEachEdge([&](const PointF& a, const PointF& b) {
    // Half-open in y, so a ray through a vertex counts it once.
    const bool up = a.y <= py && b.y > py;
    const bool down = b.y <= py && a.y > py;
    if (!up && !down) return;
    const double xCross = a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y);
    if (xCross > px) winding += up ? 1 : -1;
  });
  return rule == FillRule::kNonZero ? winding != 0 : (winding & 1) != 0;
}

void AddEllipseContour(Outline* outline, double cx, double cy, double rx, double ry) {
  constexpr double kTolerance = 1.0 / 32.0;
  constexpr double kPi = 3.14159265358979323846;
  const double r = std::max(rx, ry);
  int n = 8;
  if (r > kTolerance) {
    // The chord of angle t lies r(1 - cos(t/2)) inside the curve.
    const double step = 2.0 * std::acos(1.0 - kTolerance / r);
    n = std::clamp(static_cast<int>(std::ceil(2.0 * kPi / step)), 8, 8192);
  }
  outline->StartContour();
  for (int i = 0; i < n; ++i) {
    const double t = 2.0 * kPi * i / n;
    outline->Add(cx + rx * std::cos(t), cy + ry * std::sin(t));
  }
}

}  // namespace lumora::frg
