// The tools' filters against plain walks over every window pixel, on small
// fixtures and random images of both layouts, odd and even windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <random>
#include <vector>

#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {
namespace {

struct Image {
  int width, height, channels;
  std::ptrdiff_t stride;
  std::vector<std::uint8_t> bits;
  Image(int w, int h, int ch) : width(w), height(h), channels(ch), stride((w * ch + 3) & ~3), bits(stride * h, 0) {}
  ImageView View() { return {bits.data(), width, height, stride, channels}; }
  ConstImageView CView() const { return {bits.data(), width, height, stride, channels}; }
  std::uint8_t& At(int x, int y, int c) { return bits[y * stride + x * channels + c]; }
  std::uint8_t At(int x, int y, int c) const { return bits[y * stride + x * channels + c]; }
  // Edge pixels repeat outside.
  int Clamped(int x, int y, int c) const {
    return At(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1), c);
  }
};

Image Random(int w, int h, int ch, unsigned seed) {
  Image img(w, h, ch);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * ch; ++x) img.bits[y * img.stride + x] = static_cast<std::uint8_t>(rng());
  return img;
}

std::vector<int> WindowValues(const Image& img, int x, int y, int c, int w, int h) {
  std::vector<int> v;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) v.push_back(img.Clamped(x - (w - 1) / 2 + i, y - (h - 1) / 2 + j, c));
  return v;
}

int RefMean(const std::vector<int>& v) {
  int s = 0;
  for (int a : v) s += a;
  return (s + static_cast<int>(v.size()) / 2) / static_cast<int>(v.size());
}
int RefMin(std::vector<int> v) { return *std::min_element(v.begin(), v.end()); }
int RefMax(std::vector<int> v) { return *std::max_element(v.begin(), v.end()); }
int RefMedian(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v[(v.size() - 1) / 2];
}

template <class Ref>
Image Reference(const Image& src, int w, int h, Ref ref) {
  Image out(src.width, src.height, src.channels);
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < src.channels; ++c) out.At(x, y, c) = static_cast<std::uint8_t>(ref(WindowValues(src, x, y, c, w, h)));
  return out;
}

void ExpectSame(const Image& a, const Image& b) {
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      for (int c = 0; c < a.channels; ++c)
        ASSERT_EQ(a.At(x, y, c), b.At(x, y, c)) << "at " << x << "," << y << " channel " << c;
}

using Filter = void (*)(const ConstImageView&, const ImageView&, int, int);
struct RankCase {
  const char* name;
  Filter filter;
  int (*ref)(const std::vector<int>&);
};

int MeanOf(const std::vector<int>& v) { return RefMean(v); }
int MinOf(const std::vector<int>& v) { return RefMin(v); }
int MaxOf(const std::vector<int>& v) { return RefMax(v); }
int MedianOf(const std::vector<int>& v) { return RefMedian(v); }

TEST(Filters, WindowFiltersMatchThePlainWalk) {
  const RankCase filters[] = {{"mean", MeanFilter, MeanOf},
                              {"minimum", MinimumFilter, MinOf},
                              {"maximum", MaximumFilter, MaxOf},
                              {"median", MedianFilter, MedianOf}};
  const int windows[][2] = {{1, 1}, {3, 3}, {2, 5}, {4, 1}, {11, 11}, {7, 2}, {40, 3}};
  unsigned seed = 1;
  for (const RankCase& f : filters) {
    for (int channels : {1, 3}) {
      for (const auto& win : windows) {
        SCOPED_TRACE(std::string(f.name) + " " + std::to_string(win[0]) + "x" + std::to_string(win[1]) + " ch " +
                     std::to_string(channels));
        const Image src = Random(23, 17, channels, seed++);
        Image out(src.width, src.height, channels);
        f.filter(src.CView(), out.View(), win[0], win[1]);
        ExpectSame(out, Reference(src, win[0], win[1], f.ref));
      }
    }
  }
}

TEST(Filters, MedianMatchesThePlainWalkAcrossStripsOfColumns) {
  // Wider than one strip of columns, with windows reaching across strip ends
  // and a flat stretch where the median sits still in one bin; windows of up
  // to 255 pixels and larger ones, whose counts need more than a byte.
  const int windows[][2] = {{11, 11}, {41, 3}, {4, 6}, {255, 1}, {16, 16}, {21, 13}};
  unsigned seed = 100;
  for (int channels : {1, 3}) {
    for (const auto& win : windows) {
      SCOPED_TRACE(std::to_string(win[0]) + "x" + std::to_string(win[1]) + " ch " + std::to_string(channels));
      Image src = Random(600, 13, channels, seed++);
      for (int y = 0; y < src.height; ++y)
        for (int x = 250; x < 270; ++x)
          for (int c = 0; c < channels; ++c) src.At(x, y, c) = 128;
      Image out(src.width, src.height, channels);
      MedianFilter(src.CView(), out.View(), win[0], win[1]);
      ExpectSame(out, Reference(src, win[0], win[1], MedianOf));
      // Bright pictures: the median in the top bin, where every total counts.
      Image bright = Random(40, 9, channels, seed++);
      for (int y = 0; y < bright.height; ++y)
        for (int x = 0; x < bright.width; ++x)
          for (int c = 0; c < channels; ++c) bright.At(x, y, c) |= 0xF0;
      Image brightOut(bright.width, bright.height, channels);
      MedianFilter(bright.CView(), brightOut.View(), win[0], win[1]);
      ExpectSame(brightOut, Reference(bright, win[0], win[1], MedianOf));
    }
  }
}

TEST(Filters, OnePixelImagesAndWindowsWiderThanTheImage) {
  for (Filter filter : std::initializer_list<Filter>{MeanFilter, MinimumFilter, MaximumFilter, MedianFilter}) {
    Image one(1, 1, 3);
    one.At(0, 0, 0) = 9, one.At(0, 0, 1) = 200, one.At(0, 0, 2) = 77;
    Image out(1, 1, 3);
    filter(one.CView(), out.View(), 11, 11);
    filter(one.CView(), out.View(), 5, 3);  // the small-window paths
    EXPECT_EQ(out.At(0, 0, 0), 9);
    EXPECT_EQ(out.At(0, 0, 1), 200);
    EXPECT_EQ(out.At(0, 0, 2), 77);
  }
  // A step edge: the mean of a 3-wide window over 0,0,255,255 columns.
  Image step(4, 2, 1);
  for (int y = 0; y < 2; ++y) step.At(2, y, 0) = step.At(3, y, 0) = 255;
  Image out(4, 2, 1);
  MeanFilter(step.CView(), out.View(), 3, 1);
  EXPECT_EQ(out.At(1, 0, 0), 85);
  EXPECT_EQ(out.At(2, 0, 0), 170);
  EXPECT_EQ(out.At(3, 1, 0), 255);
}

TEST(Filters, MeanIsExactForTheLargestWindows) {
  // All 255: the sum reaches 255 * 255 * 255, where a rounding reciprocal
  // would first go wrong.
  Image white(300, 260, 1);
  std::fill(white.bits.begin(), white.bits.end(), 255);
  Image out(300, 260, 1);
  MeanFilter(white.CView(), out.View(), kMaxWindow, kMaxWindow);
  EXPECT_EQ(out.At(150, 130, 0), 255);
  const Image src = Random(300, 260, 1, 99);
  MeanFilter(src.CView(), out.View(), kMaxWindow, 200);
  EXPECT_EQ(out.At(150, 130, 0), RefMean(WindowValues(src, 150, 130, 0, kMaxWindow, 200)));
  EXPECT_EQ(out.At(0, 0, 0), RefMean(WindowValues(src, 0, 0, 0, kMaxWindow, 200)));
}

TEST(Filters, MeanAndExtremesMatchThePlainWalkOnLargeWindows) {
  // Bright noise: the mean's 16-bit sums near their limit (windows up to 181
  // pixels), then the first windows past it; extremes over long spans across
  // and down, of every length between the powers of two.
  Image src = Random(60, 200, 3, 5);
  for (auto& v : src.bits) v |= 0xC0;
  const struct {
    Filter filter;
    int (*ref)(const std::vector<int>&);
    int w, h;
  } cases[] = {{MeanFilter, MeanOf, 13, 13},   {MeanFilter, MeanOf, 12, 15},   {MeanFilter, MeanOf, 181, 1},
               {MeanFilter, MeanOf, 1, 181},   {MeanFilter, MeanOf, 14, 13},   {MeanFilter, MeanOf, 9, 20},
               // The widest window summed straight across, and the first one summed by doubling.
               {MeanFilter, MeanOf, 16, 16},   {MeanFilter, MeanOf, 17, 15},
               {MinimumFilter, MinOf, 33, 5},  {MinimumFilter, MinOf, 6, 70},  {MaximumFilter, MaxOf, 255, 1},
               {MaximumFilter, MaxOf, 31, 17}, {MaximumFilter, MaxOf, 64, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    Image out(src.width, src.height, 3);
    c.filter(src.CView(), out.View(), c.w, c.h);
    ExpectSame(out, Reference(src, c.w, c.h, c.ref));
  }
}

TEST(Filters, UnsharpOutlineAndEmbossMatchTheirFormulas) {
  for (int channels : {1, 3}) {
    const Image src = Random(19, 13, channels, 7 + channels);
    for (int amount : {4, 10}) {
      Image out(src.width, src.height, channels);
      UnsharpFilter(src.CView(), out.View(), 3, 3, amount);
      for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x)
          for (int c = 0; c < channels; ++c) {
            const int o = src.At(x, y, c), m = RefMean(WindowValues(src, x, y, c, 3, 3));
            const double delta = (o - m) * amount / 4.0;
            const int expected = std::clamp(o + static_cast<int>(delta >= 0 ? std::floor(delta + 0.5) : -std::floor(-delta + 0.5)), 0, 255);
            ASSERT_EQ(out.At(x, y, c), expected) << x << "," << y << " amount " << amount;
          }
    }

    Image mean(src.width, src.height, channels), outline(src.width, src.height, channels);
    mean = Reference(src, 3, 3, MeanOf);
    OutlineFilter(src.CView(), outline.View(), 3, 3);
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x)
        for (int c = 0; c < channels; ++c) {
          auto m = [&](int i, int j) { return mean.Clamped(x + i, y + j, c); };
          const int gx = m(1, -1) + 2 * m(1, 0) + m(1, 1) - m(-1, -1) - 2 * m(-1, 0) - m(-1, 1);
          const int gy = m(-1, 1) + 2 * m(0, 1) + m(1, 1) - m(-1, -1) - 2 * m(0, -1) - m(1, -1);
          const int magnitude = static_cast<int>(std::sqrt(gx * gx + gy * gy) / 4.0);
          ASSERT_EQ(outline.At(x, y, c), 255 - std::min(255, magnitude)) << x << "," << y;
        }

    Image emboss(src.width, src.height, channels);
    EmbossFilter(src.CView(), emboss.View(), 45, 0x00808080);  // up and to the right
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x)
        for (int c = 0; c < channels; ++c)
          ASSERT_EQ(emboss.At(x, y, c), std::clamp(128 + src.Clamped(x + 1, y - 1, c) - src.Clamped(x - 1, y + 1, c), 0, 255));
  }
  // A flat image embosses to the colour itself, per channel in row order.
  Image flat(5, 5, 3);
  Image out(5, 5, 3);
  EmbossFilter(flat.CView(), out.View(), 0, 0x00102030);  // red 0x30, green 0x20, blue 0x10
  EXPECT_EQ(out.At(2, 2, 0), 0x10);
  EXPECT_EQ(out.At(2, 2, 2), 0x30);
}

TEST(Filters, ThresholdAndKeepLimitTheChange) {
  Image orig(4, 1, 1), result(4, 1, 1);
  const int o[] = {100, 100, 100, 100}, r[] = {103, 110, 90, 200};
  for (int x = 0; x < 4; ++x) orig.At(x, 0, 0) = o[x], result.At(x, 0, 0) = r[x];
  Image a = result;
  LimitChange(orig.CView(), a.View(), 3, 0);
  EXPECT_EQ(a.At(0, 0, 0), 100) << "within the threshold";
  EXPECT_EQ(a.At(1, 0, 0), 110);
  Image b = result;
  LimitChange(orig.CView(), b.View(), 0, 25);
  EXPECT_EQ(b.At(1, 0, 0), 108);  // 100 + round(10 * 0.75) = 107.5 -> 108
  EXPECT_EQ(b.At(2, 0, 0), 92);   // 100 - 7.5 -> 92
  EXPECT_EQ(b.At(3, 0, 0), 175);
  Image c = result;
  LimitChange(orig.CView(), c.View(), 0, 100);
  EXPECT_EQ(c.At(3, 0, 0), 100) << "keeping all of the original";
}

TEST(Filters, NoiseReplaysAndStaysWithinItsAmountAndShare) {
  const Image src = Random(64, 48, 3, 5);
  Image a(64, 48, 3), b(64, 48, 3);
  NoiseFilter(src.CView(), a.View(), 20, 50, 30);
  NoiseFilter(src.CView(), b.View(), 20, 50, 30);
  EXPECT_EQ(a.bits, b.bits) << "same parameters and size, same noise";
  int changed = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      bool any = false;
      for (int c = 0; c < 3; ++c) {
        const int d = a.At(x, y, c) - src.At(x, y, c);
        ASSERT_LE(std::abs(d), 51);
        any = any || d != 0;
      }
      changed += any ? 1 : 0;
    }
  EXPECT_GT(changed, 64 * 48 * 40 / 100);
  EXPECT_LT(changed, 64 * 48 * 55 / 100);
  NoiseFilter(src.CView(), b.View(), 20, 0, 30);
  EXPECT_EQ(b.bits, src.bits) << "share 0 touches nothing";
  NoiseFilter(src.CView(), b.View(), 21, 50, 30);
  EXPECT_NE(b.bits, a.bits);
}

// Every filter, by every path it has: with a poll that never stops it gives
// what it gives without one and is asked once per band with a growing count;
// a poll that stops at its first question stops it there.
TEST(Filters, PollAskedPerBandAndStopsEveryPath) {
  using Run = std::function<bool(const ConstImageView&, const ImageView&, RowPoll&)>;
  using Plain = std::function<void(const ConstImageView&, const ImageView&)>;
  struct Case {
    const char* name;
    Run polled;
    Plain plain;
  };
  auto window = [](bool (*f)(const ConstImageView&, const ImageView&, int, int, RowPoll&),
                   void (*g)(const ConstImageView&, const ImageView&, int, int), int w, int h) {
    return std::pair<Run, Plain>{[=](const ConstImageView& s, const ImageView& d, RowPoll& p) { return f(s, d, w, h, p); },
                                 [=](const ConstImageView& s, const ImageView& d) { g(s, d, w, h); }};
  };
  std::vector<Case> cases;
  for (int size : {3, 4, 11}) {  // small fast paths, then the general ones
    for (auto [name, f, g] : {std::tuple{"mean", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return MeanFilter(s, d, w, h, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { MeanFilter(s, d, w, h); }},
                              std::tuple{"minimum", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return MinimumFilter(s, d, w, h, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { MinimumFilter(s, d, w, h); }},
                              std::tuple{"maximum", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return MaximumFilter(s, d, w, h, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { MaximumFilter(s, d, w, h); }},
                              std::tuple{"median", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return MedianFilter(s, d, w, h, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { MedianFilter(s, d, w, h); }},
                              std::tuple{"outline", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return OutlineFilter(s, d, w, h, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { OutlineFilter(s, d, w, h); }},
                              std::tuple{"sharpen", +[](const ConstImageView& s, const ImageView& d, int w, int h, RowPoll& p) { return UnsharpFilter(s, d, w, h, 4, p); }, +[](const ConstImageView& s, const ImageView& d, int w, int h) { UnsharpFilter(s, d, w, h, 4); }}}) {
      auto [polled, plain] = window(f, g, size, size);
      cases.push_back({name, polled, plain});
    }
  }
  cases.push_back({"emboss", [](const ConstImageView& s, const ImageView& d, RowPoll& p) { return EmbossFilter(s, d, 45, 0x808080, p); },
                   [](const ConstImageView& s, const ImageView& d) { EmbossFilter(s, d, 45, 0x808080); }});
  cases.push_back({"noise", [](const ConstImageView& s, const ImageView& d, RowPoll& p) { return NoiseFilter(s, d, 20, 50, 50, p); },
                   [](const ConstImageView& s, const ImageView& d) { NoiseFilter(s, d, 20, 50, 50); }});
  struct Log {
    std::vector<std::pair<int, int>> asked;
    bool stop = false;
  };
  const RowPoll::Ask ask = [](void* context, int done, int total) {
    auto* log = static_cast<Log*>(context);
    log->asked.emplace_back(done, total);
    return log->stop;
  };
  const Image src = Random(300, 150, 3, 11);  // two strips of the median
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image expected(src.width, src.height, 3), got(src.width, src.height, 3);
    c.plain(src.CView(), expected.View());
    Log log;
    RowPoll poll(ask, &log);
    ASSERT_TRUE(c.polled(src.CView(), got.View(), poll));
    ExpectSame(got, expected);
    ASSERT_GE(log.asked.size(), static_cast<std::size_t>(src.height / RowPoll::kBand));
    for (std::size_t i = 1; i < log.asked.size(); ++i) {
      EXPECT_EQ(log.asked[i].first - log.asked[i - 1].first, RowPoll::kBand);
      EXPECT_LE(log.asked[i].first, log.asked[i].second);
    }
    Log stopping;
    stopping.stop = true;
    RowPoll stopper(ask, &stopping);
    EXPECT_FALSE(c.polled(src.CView(), got.View(), stopper));
    EXPECT_EQ(stopping.asked.size(), 1u) << "asked once, then stopped";
    EXPECT_TRUE(stopper.Stopped());
  }
}

}  // namespace
}  // namespace lumora::toolhost
