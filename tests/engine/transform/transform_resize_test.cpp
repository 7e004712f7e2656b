// Resize and four-point distort: the worked examples, mirroring, clipping,
// progress and cancel, 64-bit positions, and the fast kernels checked byte
// for byte against the reference kernels.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/transform/Transform.h"
#include "engine/transform/TransformKernels.h"
#include "support/random_buffers.h"
#include "support/recording_progress.h"

using lumora::testing::BufferFromBytes;
using lumora::testing::RandomBuffer;
using lumora::testing::RecordingProgress;
using lumora::testing::SameBuffers;
using lumora::testing::SamePixels;
using VrWA2000::WA;

namespace {

WAPtr ResizeWith(WA* src, const RECT& rect, int w, int h, const TransformKernels* kernels) {
  Transform t;
  t.kernels = kernels;
  t.SetSource(src, 0, 0, rect.left, rect.top, rect.right, rect.bottom, 0, 0);
  if (t.Resize(w, h, nullptr, 0, nullptr, nullptr) != 1) return WAPtr();
  return t.destination;
}

WAPtr ResizeWhole(WA* src, int w, int h) {
  return ResizeWith(src, RECT{0, 0, src->GetW(), src->GetH()}, w, h, &kFastTransformKernels);
}

// Pixel value (byte, nibble or bit) of any format; for 24 bits the three
// bytes packed.
int PixelAt(const WA* wa, int x, int y) {
  const std::uint8_t* row = wa->Row(y);
  switch (wa->GetType()) {
    case kWAType24: return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    case kWAType4Bit: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    case kWAType1Bit: return (row[x / 8] >> (7 - x % 8)) & 1;
    default: return row[x];
  }
}

TEST(TransformResize, NegativeWidthMirrorsExactlyInEveryFormat) {
  std::mt19937 rng(41);
  for (const int type : {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit}) {
    WAPtr src = RandomBuffer(type, 13, 6, rng);
    WAPtr mirrored = ResizeWhole(src.get(), -13, 6);
    WAPtr flipped = ResizeWhole(src.get(), 13, -6);
    ASSERT_TRUE(mirrored && flipped);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 13; ++x) {
        ASSERT_EQ(PixelAt(mirrored.get(), x, y), PixelAt(src.get(), 12 - x, y)) << type;
        ASSERT_EQ(PixelAt(flipped.get(), x, y), PixelAt(src.get(), x, 5 - y)) << type;
      }
    }
  }
}

TEST(TransformResize, HalvingPicksEverySecondPixelAndDoublingInterpolates) {
  std::mt19937 rng(42);
  WAPtr src = RandomBuffer(kWAType8Grey, 10, 4, rng);
  WAPtr half = ResizeWhole(src.get(), 5, 2);
  ASSERT_TRUE(half);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) ASSERT_EQ(half->Row(y)[x], src->Row(2 * y)[2 * x]);
  }
  const std::uint8_t row[4] = {0, 255, 0, 0};
  WAPtr pair = BufferFromBytes(kWAType8Grey, 2, 1, row, 4);
  WAPtr doubled = ResizeWhole(pair.get(), 4, 1);
  ASSERT_TRUE(doubled);
  EXPECT_EQ(std::vector<int>(doubled->Row(0), doubled->Row(0) + 4),
            (std::vector<int>{0, 136, 255, 255}));
}

TEST(TransformResize, PackedFormatsWriteWholeBytesWithZerosAfterTheLastPixel) {
  std::mt19937 rng(43);
  WAPtr four = RandomBuffer(kWAType4Bit, 6, 2, rng);
  WAPtr odd = ResizeWhole(four.get(), 7, 2);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->Row(0)[3] & 0x0F, 0);
  const std::uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  WAPtr one = BufferFromBytes(kWAType1Bit, 16, 1, ones, 4);
  WAPtr eight = ResizeWhole(one.get(), 8, 1);
  EXPECT_EQ(eight->Row(0)[0], 0xFF);
  EXPECT_EQ(eight->Row(0)[1], 0x00);
  WAPtr ten = ResizeWhole(one.get(), 10, 1);
  EXPECT_EQ(ten->Row(0)[0], 0xFF);
  EXPECT_EQ(ten->Row(0)[1], 0xC0);
}

TEST(TransformResize, ARectanglePartlyOutsideIsClippedThenStretched) {
  std::mt19937 rng(44);
  WAPtr src = RandomBuffer(kWAType8Palette, 8, 8, rng);
  WAPtr dst = ResizeWith(src.get(), RECT{4, 6, 20, 20}, 8, 4, &kFastTransformKernels);
  ASSERT_TRUE(dst);
  ASSERT_EQ(dst->GetW(), 8);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(dst->Row(0)[x], src->Row(6)[4 + x / 2]);
  EXPECT_FALSE(ResizeWith(src.get(), RECT{8, 0, 12, 8}, 8, 4, &kFastTransformKernels));
  EXPECT_FALSE(ResizeWhole(src.get(), 0, 4));
}

TEST(TransformResize, ACancelAtTheFirstRowLeavesOneRowWritten) {
  std::mt19937 rng(45);
  WAPtr src = RandomBuffer(kWAType24, 9, 9, rng);
  Transform t;
  t.SetSource(src.get(), 0, 0, 0, 0, 9, 9, 0, 0);
  RecordingProgress progress;
  progress.cancelAtReport = 0;
  int step = 0;
  int cancel = 0;
  EXPECT_EQ(t.Resize(9, 9, ProgressCallback, 9, &step, &cancel), 0);
  EXPECT_EQ(cancel, 1);
  EXPECT_EQ(step, 1);
  ASSERT_TRUE(t.destination);
  for (int x = 0; x < 27; ++x) EXPECT_EQ(t.destination->Row(0)[x], src->Row(0)[x]);
  for (int x = 0; x < 27; ++x) EXPECT_EQ(t.destination->Row(1)[x], 0);
}

TEST(TransformResize, WideAxesUseSixtyFourBitPositions) {
  std::mt19937 rng(46);
  WAPtr src = RandomBuffer(kWAType24, 15000, 1, rng);
  WAPtr fast = ResizeWhole(src.get(), -10000, 1);
  WAPtr slow = ResizeWith(src.get(), RECT{0, 0, 15000, 1}, -10000, 1, &kReferenceTransformKernels);
  ASSERT_TRUE(fast && slow);
  EXPECT_TRUE(SameBuffers(fast.get(), slow.get()));
  // Destination 0 is the mirror of x = 9999: column 14998, fraction 8.
  const int expected = (src->Row(0)[3 * 14998] * 7 + src->Row(0)[3 * 14999] * 8) / 15;
  EXPECT_EQ(fast->Row(0)[0], expected);
}

TEST(TransformResize, FastKernelsMatchTheReference) {
  const int sizes[][4] = {{37, 23, 81, 50}, {81, 50, 37, 23}, {40, 30, 20, 15}, {40, 30, 80, 60},
                          {13, 40, 50, 9},  {1, 1, 7, 5},     {9, 1, 4, 3},     {5, 7, 1, 1}};
  std::mt19937 rng(47);
  for (const int type : {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit}) {
    for (const auto& s : sizes) {
      WAPtr src = RandomBuffer(type, s[0], s[1], rng);
      const RECT part = {s[0] / 4, s[1] / 3, s[0] - s[0] / 5, s[1]};
      for (const RECT& rect : {RECT{0, 0, s[0], s[1]}, part}) {
        for (const int sx : {1, -1}) {
          for (const int sy : {1, -1}) {
            WAPtr fast = ResizeWith(src.get(), rect, sx * s[2], sy * s[3], &kFastTransformKernels);
            WAPtr slow =
                ResizeWith(src.get(), rect, sx * s[2], sy * s[3], &kReferenceTransformKernels);
            ASSERT_TRUE(fast && slow);
            ASSERT_TRUE(SameBuffers(fast.get(), slow.get()))
                << "type " << type << " " << s[0] << "x" << s[1] << " -> " << sx * s[2] << "x"
                << sy * s[3] << " rect " << rect.left << "," << rect.top;
          }
        }
      }
    }
  }
}

// ---- Distort ----

WAPtr DistortWith(WA* src, POINT points[4], const TransformKernels* kernels) {
  Transform t;
  t.kernels = kernels;
  t.SetSource(src, 0, 0, 0, 0, src->GetW(), src->GetH(), 0, 0);
  if (t.Distort(points) != 1) return WAPtr();
  return t.destination;
}

TEST(TransformDistort, TheSourceCornersGiveTheSourceAndPointsBecomeRelative) {
  std::mt19937 rng(51);
  WAPtr src = RandomBuffer(kWAType24, 11, 7, rng);
  POINT points[4] = {{5, 3}, {16, 3}, {16, 10}, {5, 10}};
  WAPtr dst = DistortWith(src.get(), points, &kFastTransformKernels);
  ASSERT_TRUE(dst);
  EXPECT_TRUE(SamePixels(dst.get(), src.get()));
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[0].y, 0);
  EXPECT_EQ(points[2].x, 11);
  EXPECT_EQ(points[2].y, 7);
}

TEST(TransformDistort, AHorizontalSkewShiftsEachRowInOrder) {
  std::mt19937 rng(52);
  WAPtr src = RandomBuffer(kWAType8Grey, 10, 4, rng);
  // The bottom edge (y = 4) is 4 pixels right of the top edge.
  POINT points[4] = {{0, 0}, {10, 0}, {14, 4}, {4, 4}};
  WAPtr dst = DistortWith(src.get(), points, &kFastTransformKernels);
  ASSERT_TRUE(dst);
  ASSERT_EQ(dst->GetW(), 14);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 10; ++x) ASSERT_EQ(dst->Row(y)[x + y], src->Row(y)[x]) << x << "," << y;
    if (y > 0) {
      EXPECT_EQ(dst->Row(y)[y - 1], 0);  // left of the parallelogram: not written
    }
  }
}

TEST(TransformDistort, ExchangingLeftAndRightMirrors) {
  std::mt19937 rng(53);
  WAPtr src = RandomBuffer(kWAType8Grey, 9, 5, rng);
  POINT points[4] = {{9, 0}, {0, 0}, {0, 5}, {9, 5}};
  WAPtr dst = DistortWith(src.get(), points, &kFastTransformKernels);
  ASSERT_TRUE(dst);
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(dst->Row(y)[0], 0);  // u = W lies outside the source
    for (int x = 1; x < 9; ++x) ASSERT_EQ(dst->Row(y)[x], src->Row(y)[9 - x]);
  }
}

TEST(TransformDistort, OnlyGreyAndRgbAreDistorted) {
  std::mt19937 rng(54);
  WAPtr palette = RandomBuffer(kWAType8Palette, 6, 6, rng);
  Transform t;
  t.SetSource(palette.get(), 0, 0, 0, 0, 6, 6, 0, 0);
  ASSERT_EQ(t.Resize(3, 3, nullptr, 0, nullptr, nullptr), 1);
  WA* previous = t.destination.get();
  POINT points[4] = {{0, 0}, {6, 0}, {6, 6}, {0, 6}};
  EXPECT_EQ(t.Distort(points), 0);
  EXPECT_EQ(t.destination.get(), previous);
  EXPECT_EQ(points[2].x, 6);  // untouched
}

TEST(TransformDistort, FastKernelMatchesTheReference) {
  const POINT quads[][4] = {
      {{0, 0}, {30, 0}, {30, 20}, {0, 20}},      // the source itself
      {{0, 0}, {30, 0}, {36, 20}, {6, 20}},      // parallelogram
      {{8, 0}, {22, 0}, {30, 20}, {0, 20}},      // trapezoid, parallel top and bottom
      {{0, 0}, {30, 5}, {30, 15}, {0, 20}},      // right side shorter: quadratic
      {{3, 2}, {41, -7}, {35, 33}, {-4, 18}},    // general
      {{30, 0}, {0, 0}, {0, 20}, {30, 20}},      // mirrored
      {{0, 20}, {30, 20}, {30, 0}, {0, 0}},      // flipped
      {{0, 0}, {30, 30}, {0, 30}, {30, 0}},      // self-crossing
      {{10, 10}, {10, 10}, {40, 12}, {11, 40}},  // two corners together
  };
  std::mt19937 rng(55);
  int compared = 0;
  for (const int type : {kWAType24, kWAType8Grey}) {
    for (const auto& size : {std::pair{30, 20}, std::pair{7, 13}, std::pair{1, 1}}) {
      WAPtr src = RandomBuffer(type, size.first, size.second, rng);
      for (const auto& quad : quads) {
        POINT a[4] = {quad[0], quad[1], quad[2], quad[3]};
        POINT b[4] = {quad[0], quad[1], quad[2], quad[3]};
        WAPtr fast = DistortWith(src.get(), a, &kFastTransformKernels);
        WAPtr slow = DistortWith(src.get(), b, &kReferenceTransformKernels);
        ASSERT_EQ(static_cast<bool>(fast), static_cast<bool>(slow));
        if (fast) {
          ++compared;
          ASSERT_TRUE(SameBuffers(fast.get(), slow.get())) << quad[1].x << "," << quad[2].y;
        }
      }
    }
  }
  EXPECT_EQ(compared, 2 * 3 * 9);
}

}  // namespace
