#include "libs/dither/Quantise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace lumora::dither {
namespace {

constexpr std::uint32_t kSeen = 0x01000000u;
constexpr int kDistinctSlots = 1024;

inline int CellOf(int b, int g, int r) { return ((b >> 2) << 12) | ((g >> 2) << 6) | (r >> 2); }

// A colour with real-valued channels and a weight (pixel count).
struct Point {
  double b, g, r, weight;
};

inline double WeightedDistance(double db, double dg, double dr) {
  return kWeightB * db * db + kWeightG * dg * dg + kWeightR * dr * dr;
}

// Wu's quantiser over a 32-level grid of cumulative moments.
class WuCutter {
 public:
  static constexpr int kSide = 33;

  explicit WuCutter(const std::vector<Point>& points) : weight_(Volume()), mb_(Volume()), mg_(Volume()),
                                                        mr_(Volume()), m2_(Volume()) {
    for (const Point& p : points) {
      const int i = Index(Level(p.b), Level(p.g), Level(p.r));
      weight_[i] += p.weight;
      mb_[i] += p.b * p.weight;
      mg_[i] += p.g * p.weight;
      mr_[i] += p.r * p.weight;
      m2_[i] += (p.b * p.b + p.g * p.g + p.r * p.r) * p.weight;
    }
    Accumulate();
  }

  std::vector<Point> Cut(int wanted) {
    struct Box {
      int b0, b1, g0, g1, r0, r1;  // lower bounds exclusive, upper inclusive
    };
    std::vector<Box> boxes{{0, 32, 0, 32, 0, 32}};
    std::vector<double> variance{Variance(boxes[0])};
    while (static_cast<int>(boxes.size()) < wanted) {
      int best = -1;
      double bestVariance = 0.0;
      for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (variance[i] > bestVariance) {
          bestVariance = variance[i];
          best = static_cast<int>(i);
        }
      }
      if (best < 0) break;
      Box& box = boxes[best];
      Box other = box;
      if (!Split(box, other)) {
        variance[best] = 0.0;
        continue;
      }
      variance[best] = Volume(box) > 1 ? Variance(box) : 0.0;
      boxes.push_back(other);
      variance.push_back(Volume(other) > 1 ? Variance(other) : 0.0);
    }
    std::vector<Point> centres;
    for (const Box& box : boxes) {
      const double w = Sum(weight_, box);
      if (w <= 0) continue;
      centres.push_back({Sum(mb_, box) / w, Sum(mg_, box) / w, Sum(mr_, box) / w, w});
    }
    return centres;
  }

 private:
  template <typename B>
  static int Volume(const B& box) {
    return (box.b1 - box.b0) * (box.g1 - box.g0) * (box.r1 - box.r0);
  }
  static std::size_t Volume() { return static_cast<std::size_t>(kSide) * kSide * kSide; }
  static int Level(double v) { return std::clamp(static_cast<int>(v) >> 3, 0, 31) + 1; }
  static int Index(int b, int g, int r) { return (b * kSide + g) * kSide + r; }

  void Accumulate() {
    for (std::vector<double>* m : {&weight_, &mb_, &mg_, &mr_, &m2_}) {
      std::vector<double>& v = *m;
      for (int b = 1; b < kSide; ++b)
        for (int g = 1; g < kSide; ++g)
          for (int r = 1; r < kSide; ++r) {
            v[Index(b, g, r)] += v[Index(b - 1, g, r)] + v[Index(b, g - 1, r)] + v[Index(b, g, r - 1)] -
                                 v[Index(b - 1, g - 1, r)] - v[Index(b - 1, g, r - 1)] -
                                 v[Index(b, g - 1, r - 1)] + v[Index(b - 1, g - 1, r - 1)];
          }
    }
  }

  template <typename B>
  static double Sum(const std::vector<double>& m, const B& x) {
    return m[Index(x.b1, x.g1, x.r1)] - m[Index(x.b1, x.g1, x.r0)] - m[Index(x.b1, x.g0, x.r1)] +
           m[Index(x.b1, x.g0, x.r0)] - m[Index(x.b0, x.g1, x.r1)] + m[Index(x.b0, x.g1, x.r0)] +
           m[Index(x.b0, x.g0, x.r1)] - m[Index(x.b0, x.g0, x.r0)];
  }

  template <typename B>
  double Variance(const B& box) const {
    const double w = Sum(weight_, box);
    if (w <= 0) return 0.0;
    const double b = Sum(mb_, box), g = Sum(mg_, box), r = Sum(mr_, box);
    return Sum(m2_, box) - (b * b + g * g + r * r) / w;
  }

  // Moments of the box's part with the cut axis at `at` (upper bound).
  template <typename B>
  std::array<double, 4> Part(B box, int axis, int at) const {
    if (axis == 0) box.b1 = at;
    if (axis == 1) box.g1 = at;
    if (axis == 2) box.r1 = at;
    return {Sum(weight_, box), Sum(mb_, box), Sum(mg_, box), Sum(mr_, box)};
  }

  template <typename B>
  bool Split(B& box, B& other) const {
    const std::array<double, 4> whole{Sum(weight_, box), Sum(mb_, box), Sum(mg_, box), Sum(mr_, box)};
    double best = 0.0;
    int bestAxis = -1, bestAt = 0;
    const int lo[3] = {box.b0, box.g0, box.r0};
    const int hi[3] = {box.b1, box.g1, box.r1};
    for (int axis = 0; axis < 3; ++axis) {
      for (int at = lo[axis] + 1; at < hi[axis]; ++at) {
        const std::array<double, 4> half = Part(box, axis, at);
        const double restW = whole[0] - half[0];
        if (half[0] <= 0 || restW <= 0) continue;
        double score = (half[1] * half[1] + half[2] * half[2] + half[3] * half[3]) / half[0];
        const double rb = whole[1] - half[1], rg = whole[2] - half[2], rr = whole[3] - half[3];
        score += (rb * rb + rg * rg + rr * rr) / restW;
        if (score > best) {
          best = score;
          bestAxis = axis;
          bestAt = at;
        }
      }
    }
    if (bestAxis < 0) return false;
    other = box;
    if (bestAxis == 0) box.b1 = other.b0 = bestAt;
    if (bestAxis == 1) box.g1 = other.g0 = bestAt;
    if (bestAxis == 2) box.r1 = other.r0 = bestAt;
    return true;
  }

  std::vector<double> weight_, mb_, mg_, mr_, m2_;
};

// Nearest centre by weighted distance, pruned on the green axis (sorted).
class CentreFinder {
 public:
  explicit CentreFinder(const std::vector<Point>& centres) : centres_(centres), order_(centres.size()) {
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
    std::sort(order_.begin(), order_.end(), [&](int a, int b) { return centres_[a].g < centres_[b].g; });
    keys_.resize(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) keys_[i] = centres_[order_[i]].g;
  }
  // The nearest centre, found from the centre the point had before (its
  // guess g at distance D): a centre c can be nearer only where the
  // distance from g to c is below 2D (the distances are metric: roots of
  // the weighted squares), so the guess's neighbours are visited nearest
  // first until that bound. The answer is the plain search's whenever the
  // nearest is unique; two centres at the same distance are left to the
  // plain search, whose order of visits settles which one wins.
  int NearestFrom(const Point& p, int guess) {
    if (neighbours_.empty()) FindNeighbours();
    if (width_ == 0) return Nearest(p);
    const Point& g = centres_[guess];
    double best = WeightedDistance(g.b - p.b, g.g - p.g, g.r - p.r);
    // A margin far above the rounding of the roots keeps every centre
    // left out strictly farther than the guess.
    const double reach = 2.0 * std::sqrt(best) * (1.0 + 1e-9) + 1e-9;
    const Neighbour* list = neighbours_.data() + static_cast<std::size_t>(guess) * width_;
    // The list must reach beyond the bound, else the centres after it may count.
    if (list[width_ - 1].distance <= reach && width_ < centres_.size() - 1) return Nearest(p);
    int bestIndex = guess;
    bool tied = false;
    for (std::size_t i = 0; i < width_ && list[i].distance <= reach; ++i) {
      const Point& c = centres_[list[i].index];
      const double d = WeightedDistance(c.b - p.b, c.g - p.g, c.r - p.r);
      if (d < best) {
        best = d;
        bestIndex = list[i].index;
        tied = false;
      } else if (d == best) {
        tied = true;
      }
    }
    return tied ? Nearest(p) : bestIndex;
  }

  int Nearest(const Point& p) const {
    const auto start = std::lower_bound(keys_.begin(), keys_.end(), p.g) - keys_.begin();
    double best = std::numeric_limits<double>::max();
    int bestIndex = 0;
    const auto visit = [&](std::ptrdiff_t i) {
      const Point& c = centres_[order_[i]];
      const double dg = c.g - p.g;
      if (kWeightG * dg * dg >= best) return false;
      const double d = WeightedDistance(c.b - p.b, dg, c.r - p.r);
      if (d < best) {
        best = d;
        bestIndex = order_[i];
      }
      return true;
    };
    const auto n = static_cast<std::ptrdiff_t>(keys_.size());
    for (std::ptrdiff_t i = start; i < n && visit(i); ++i) {
    }
    for (std::ptrdiff_t i = start - 1; i >= 0 && visit(i); --i) {
    }
    return bestIndex;
  }

 private:
  struct Neighbour {
    double distance;
    int index;
  };

  // Every centre's nearest others by distance, nearest first: at most
  // kNeighbours, which is what the guesses of the later passes reach.
  static constexpr std::size_t kNeighbours = 24;
  void FindNeighbours() {
    const std::size_t n = centres_.size();
    width_ = std::min(kNeighbours, n - 1);
    if (width_ == 0) return;
    std::vector<double> between(n * n);
    for (std::size_t a = 0; a < n; ++a) {
      for (std::size_t c = a + 1; c < n; ++c) {
        const Point& x = centres_[a];
        const Point& y = centres_[c];
        between[a * n + c] = between[c * n + a] = std::sqrt(WeightedDistance(x.b - y.b, x.g - y.g, x.r - y.r));
      }
    }
    neighbours_.resize(n * width_);
    std::vector<Neighbour> all(n - 1);
    const auto nearer = [](const Neighbour& l, const Neighbour& r) { return l.distance < r.distance; };
    for (std::size_t a = 0; a < n; ++a) {
      std::size_t k = 0;
      for (std::size_t c = 0; c < n; ++c) {
        if (c != a) all[k++] = {between[a * n + c], static_cast<int>(c)};
      }
      std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(width_ - 1), all.end(), nearer);
      std::sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(width_), nearer);
      std::copy_n(all.begin(), width_, neighbours_.begin() + static_cast<std::ptrdiff_t>(a * width_));
      // Every centre not listed is at least as far as the last listed one.
    }
  }

  const std::vector<Point>& centres_;
  std::vector<int> order_;
  std::vector<double> keys_;
  std::vector<Neighbour> neighbours_;
  std::size_t width_ = 0;  // neighbours listed per centre
};

void RefineByKMeans(const std::vector<Point>& points, std::vector<Point>& centres, int passes, bool plain) {
  std::vector<Point> sums(centres.size());
  // Each point's centre of the pass before: the first guess of the next.
  std::vector<int> nearest(points.size(), -1);
  for (int pass = 0; pass < passes; ++pass) {
    std::fill(sums.begin(), sums.end(), Point{0, 0, 0, 0});
    CentreFinder search(centres);
    for (std::size_t j = 0; j < points.size(); ++j) {
      const Point& p = points[j];
      nearest[j] = nearest[j] < 0 || plain ? search.Nearest(p) : search.NearestFrom(p, nearest[j]);
      Point& s = sums[nearest[j]];
      s.b += p.b * p.weight;
      s.g += p.g * p.weight;
      s.r += p.r * p.weight;
      s.weight += p.weight;
    }
    double moved = 0.0;
    for (std::size_t i = 0; i < centres.size(); ++i) {
      if (sums[i].weight <= 0) continue;  // an empty centre stays where it is
      const Point next{sums[i].b / sums[i].weight, sums[i].g / sums[i].weight, sums[i].r / sums[i].weight,
                       sums[i].weight};
      moved = std::max(moved, WeightedDistance(next.b - centres[i].b, next.g - centres[i].g, next.r - centres[i].r));
      centres[i] = next;
    }
    if (moved < 0.05) break;
  }
}

std::uint8_t RoundChannel(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

Histogram::Histogram() : cells_(kCells), distinctSlots_(kDistinctSlots, 0) {}

void Histogram::NoteDistinct(std::uint32_t colour) {
  std::uint32_t slot = (colour * 2654435761u) >> 22;
  while (distinctSlots_[slot] != 0) {
    if (distinctSlots_[slot] == colour) return;
    slot = (slot + 1) & (kDistinctSlots - 1);
  }
  if (++distinctCount_ > 256) {
    tooManyColours_ = true;
    return;
  }
  distinctSlots_[slot] = colour;
}

void Histogram::AddRow(const std::uint8_t* bgr, int width) {
  Cell* cells = cells_.data();
  std::uint32_t previous = 0;
  for (int x = 0; x < width; ++x, bgr += 3) {
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    Cell& cell = cells[CellOf(b, g, r)];
    ++cell.count;
    cell.sumB += b;
    cell.sumG += g;
    cell.sumR += r;
    if (!tooManyColours_) {
      const std::uint32_t packed = kSeen | (static_cast<std::uint32_t>(b) << 16) | (g << 8) | r;
      if (packed != previous) NoteDistinct(packed);
      previous = packed;
    }
  }
  pixels_ += static_cast<std::uint64_t>(width);
}

std::vector<Colour> Histogram::ChoosePalette(int wanted, CentreSearch search) const {
  wanted = std::clamp(wanted, 1, 256);
  std::vector<Colour> palette;
  if (pixels_ == 0) return palette;
  if (!tooManyColours_ && distinctCount_ <= wanted) {
    for (std::uint32_t c : distinctSlots_) {
      if (c != 0) palette.push_back({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                     static_cast<std::uint8_t>(c)});
    }
    return palette;
  }
  std::vector<Point> points;
  for (const Cell& cell : cells_) {
    if (cell.count == 0) continue;
    const double n = cell.count;
    points.push_back({cell.sumB / n, cell.sumG / n, cell.sumR / n, n});
  }
  std::vector<Point> centres = WuCutter(points).Cut(wanted);
  RefineByKMeans(points, centres, 8, search == CentreSearch::kPlain);
  for (const Point& c : centres) palette.push_back({RoundChannel(c.b), RoundChannel(c.g), RoundChannel(c.r)});
  return palette;
}

NearestMap::NearestMap(std::vector<Colour> palette, int blockShift)
    : shift_(blockShift), bits_(8 - blockShift), palette_(std::move(palette)), order_(palette_.size()),
      cache_(std::size_t{1} << (3 * bits_), -1) {
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
  std::sort(order_.begin(), order_.end(), [&](int a, int b) { return palette_[a].g < palette_[b].g; });
  for (int i : order_) greenTwice_.push_back(2 * palette_[i].g);
  for (int i = static_cast<int>(palette_.size()) - 1; i >= 0; --i) {
    const Colour& c = palette_[i];
    const std::uint32_t colour = 0x01000000u | (static_cast<std::uint32_t>(c.b) << 16) | (c.g << 8) | c.r;
    std::uint32_t slot = Hash(colour);
    while (exact_[slot] != 0 && exact_[slot] != colour) slot = (slot + 1) & (kExactSlots - 1);
    exact_[slot] = colour;
    exactIndex_[slot] = static_cast<std::uint8_t>(i);  // the lowest index of a repeated colour
  }
}

int NearestMap::Search(int key) {
  // The block's centre in doubled coordinates.
  const int mask = (1 << bits_) - 1, side = 1 << shift_;
  const int b = ((key >> (2 * bits_)) & mask) * 2 * side + side - 1;
  const int g = ((key >> bits_) & mask) * 2 * side + side - 1;
  const int r = (key & mask) * 2 * side + side - 1;
  const int n = static_cast<int>(order_.size());
  const int start = static_cast<int>(std::lower_bound(greenTwice_.begin(), greenTwice_.end(), g) - greenTwice_.begin());
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  int bestIndex = order_.empty() ? 0 : order_[std::min(start, n - 1)];
  const auto visit = [&](int i) {
    const int dg = greenTwice_[i] - g;
    const std::int64_t greenPart = static_cast<std::int64_t>(kWeightG) * dg * dg;
    if (greenPart >= best) return false;
    const Colour& c = palette_[order_[i]];
    const int db = 2 * c.b - b, dr = 2 * c.r - r;
    const std::int64_t d = greenPart + static_cast<std::int64_t>(kWeightB) * db * db +
                           static_cast<std::int64_t>(kWeightR) * dr * dr;
    if (d < best) {
      best = d;
      bestIndex = order_[i];
    }
    return true;
  };
  for (int i = start; i < n && visit(i); ++i) {
  }
  for (int i = start - 1; i >= 0 && visit(i); --i) {
  }
  cache_[key] = static_cast<std::int16_t>(bestIndex);
  return bestIndex;
}

}  // namespace lumora::dither
