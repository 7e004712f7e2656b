// General rotation: the fixed-point cosine and sine, each kernel's edge rule
// by hand, fill values, 64-bit positions far from the origin, and every
// kernel's fast path checked byte for byte against its reference.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "engine/transform/Transform.h"
#include "engine/transform/TransformKernels.h"
#include "support/random_buffers.h"

using lumora::testing::RandomBuffer;
using lumora::testing::SameBuffers;
using VrWA2000::WA;

namespace {

struct Options {
  int smoothEdges;
  int maskSource;
  int clearOutside;
  int fillIndex;
};

WAPtr RotateWith(WA* src, const RECT& rect, double angle, int inRadians, const Options& o,
                 const TransformKernels* kernels) {
  Transform t;
  t.kernels = kernels;
  t.smoothEdges = o.smoothEdges;
  t.fillIndex = static_cast<std::uint8_t>(o.fillIndex);
  t.SetSource(src, 0, 0, rect.left, rect.top, rect.right, rect.bottom, o.maskSource,
              o.clearOutside);
  if (t.Rotate(angle, inRadians, nullptr, 0, nullptr, nullptr) != 1) return WAPtr();
  return t.destination;
}

TEST(RotationFixed, RoundsUpExceptForTheSoftMask) {
  EXPECT_EQ(RotationFixed(std::cos(std::numbers::pi / 4), false), 46341);
  EXPECT_EQ(RotationFixed(std::cos(std::numbers::pi / 4), true), 46340);
  EXPECT_EQ(RotationFixed(-0.5, false), -32768);
  // A negative value rounds up toward zero: -45 degrees is C(45) - 1 negated.
  EXPECT_EQ(RotationFixed(std::sin(-std::numbers::pi / 4), false), -46340);
  EXPECT_EQ(RotationFixed(1.0, false), 65536);
}

// With angle 0 every destination pixel reads the whole source pixel
// (X, Y) = (i - 2, j - 2): the edge rules show pixel by pixel.
int ExpectedAtAngleZero(RotateKernel kind, const WA* src, int X, int Y, int c) {
  const int W = src->GetW();
  const int H = src->GetH();
  const int bpp = src->GetType() == kWAType24 ? 3 : 1;
  auto at = [&](int x, int y) { return int{src->Row(y)[bpp * x + c]}; };
  const bool inside = X >= 0 && X < W && Y >= 0 && Y < H;
  if (kind != RotateKernel::kSoftGreyImage && kind != RotateKernel::kSoftRgb) {
    return inside ? at(X, Y) : 0;
  }
  if (X >= -1 && X < W && Y >= -1 && Y < H) return at(std::max(X, 0), std::max(Y, 0));
  return 0;  // filled in by the caller for the repeated right and bottom band
}

TEST(RotateKernels, EdgeRulesAtAngleZero) {
  std::mt19937 rng(31);
  const RotateKernel kinds[] = {RotateKernel::kHardGrey, RotateKernel::kSoftMask,
                                RotateKernel::kSoftGreyImage, RotateKernel::kHardRgb,
                                RotateKernel::kSoftRgb};
  for (const RotateKernel kind : kinds) {
    const int format = RotateKernelFormat(kind);
    WAPtr src = RandomBuffer(format, 5, 4, rng);
    for (const int clearOutside : {0, 1}) {
      for (const TransformKernels* k : {&kFastTransformKernels, &kReferenceTransformKernels}) {
        WAPtr dst = WAPtr::Adopt(NewWA(format, 9, 8, nullptr));
        TransformProgress none(nullptr, 0, nullptr, nullptr);
        ASSERT_EQ(k->rotateGeneral(kind, dst.get(), src.get(), RECT{-2, -2, 7, 6}, 0.0, none,
                                   clearOutside),
                  1);
        const int bpp = format == kWAType24 ? 3 : 1;
        for (int j = 0; j < 8; ++j) {
          for (int i = 0; i < 9; ++i) {
            for (int c = 0; c < bpp; ++c) {
              const int X = i - 2;
              const int Y = j - 2;
              int expected = ExpectedAtAngleZero(kind, src.get(), X, Y, c);
              const bool soft =
                  kind == RotateKernel::kSoftGreyImage || kind == RotateKernel::kSoftRgb;
              const bool band = (X == 5 && Y >= -1 && Y <= 4) || (Y == 4 && X >= -1 && X <= 5);
              if (soft && band && clearOutside == 0) {
                expected = src->Row(std::clamp(Y, 0, 3))[bpp * std::clamp(X, 0, 4) + c];
              }
              ASSERT_EQ(dst->Row(j)[bpp * i + c], expected)
                  << int(kind) << " clear " << clearOutside << " at " << X << "," << Y;
            }
          }
        }
      }
    }
  }
}

TEST(RotateKernels, TheOriginPixelIsCopiedExactlyAtFortyFiveDegrees) {
  std::mt19937 rng(32);
  WAPtr src = RandomBuffer(kWAType24, 12, 9, rng);
  for (const int smooth : {0, 1}) {
    Transform t;
    t.smoothEdges = smooth;
    t.SetSource(src.get(), 0, 0, 0, 0, 12, 9, 0, 0);
    ASSERT_EQ(t.Rotate(std::numbers::pi / 4, 1, nullptr, 0, nullptr, nullptr), 1);
    // The destination's top-left lies at the bounds' (left, top); (0, 0) of
    // the rotated frame is pixel (-left, -top).
    const int left = -static_cast<int>(std::lround(9 * std::sin(std::numbers::pi / 4)));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.destination->Row(0)[3 * -left + c], src->Row(0)[c]);
  }
}

TEST(RotateKernels, UniformAreasStayUniform) {
  WAPtr src = WAPtr::Adopt(NewWA(kWAType24, 40, 30, nullptr));
  for (int y = 0; y < 30; ++y) std::fill(src->Row(y), src->Row(y) + 120, std::uint8_t{200});
  WAPtr dst =
      RotateWith(src.get(), RECT{0, 0, 40, 30}, 30, 0, Options{0, 0, 0, 0}, &kFastTransformKernels);
  ASSERT_TRUE(dst);
  int covered = 0;
  for (int y = 0; y < dst->GetH(); ++y) {
    for (int i = 0; i < 3 * dst->GetW(); ++i) {
      const int v = dst->Row(y)[i];
      ASSERT_TRUE(v == 0 || v == 200) << v;
      covered += v == 200;
    }
  }
  EXPECT_GT(covered, 3 * 40 * 30 * 9 / 10);
}

TEST(RotateKernels, CornersOutsideTheSourceTakeTheFillValue) {
  std::mt19937 rng(33);
  WAPtr four = RandomBuffer(kWAType4Bit, 20, 14, rng);
  WAPtr dst = RotateWith(four.get(), RECT{0, 0, 20, 14}, 30, 0, Options{1, 0, 0, 5},
                         &kFastTransformKernels);
  ASSERT_TRUE(dst);
  const int last = dst->GetW() - 1;
  EXPECT_EQ(dst->Row(0)[0] >> 4, 5);
  EXPECT_EQ(last % 2 == 0 ? dst->Row(0)[last / 2] >> 4 : dst->Row(0)[last / 2] & 15, 5);
  WAPtr one = RandomBuffer(kWAType1Bit, 20, 14, rng);
  WAPtr bits =
      RotateWith(one.get(), RECT{0, 0, 20, 14}, 30, 0, Options{1, 0, 0, 9}, &kFastTransformKernels);
  ASSERT_TRUE(bits);
  EXPECT_EQ(bits->Row(0)[0] & 0x80, 0x80);
}

// Positions X C beyond 2^31: a rectangle near column 40000 rotated by 0
// radians (the general path) must read its own pixels.
TEST(RotateKernels, FarColumnsUseSixtyFourBitPositions) {
  std::mt19937 rng(34);
  WAPtr src = RandomBuffer(kWAType8Grey, 40000, 3, rng);
  for (const TransformKernels* k : {&kFastTransformKernels, &kReferenceTransformKernels}) {
    WAPtr dst = RotateWith(src.get(), RECT{39990, 0, 40000, 3}, 0.0, 1, Options{1, 0, 0, 0}, k);
    ASSERT_TRUE(dst);
    ASSERT_EQ(dst->GetW(), 10);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 10; ++x) ASSERT_EQ(dst->Row(y)[x], src->Row(y)[39990 + x]);
    }
  }
  WAPtr fast = RotateWith(src.get(), RECT{39970, 0, 40000, 3}, 30, 0, Options{1, 0, 0, 0},
                          &kFastTransformKernels);
  WAPtr slow = RotateWith(src.get(), RECT{39970, 0, 40000, 3}, 30, 0, Options{1, 0, 0, 0},
                          &kReferenceTransformKernels);
  EXPECT_TRUE(SameBuffers(fast.get(), slow.get()));
}

TEST(RotateKernels, FastKernelsMatchTheReference) {
  struct Case {
    int type;
    Options options;
  };
  const Case cases[] = {
      {kWAType8Grey, {0, 0, 0, 0}}, {kWAType8Grey, {1, 1, 1, 0}},   {kWAType8Grey, {1, 1, 0, 0}},
      {kWAType8Grey, {1, 0, 0, 0}}, {kWAType8Grey, {1, 0, 1, 0}},   {kWAType24, {0, 0, 0, 0}},
      {kWAType24, {1, 0, 0, 0}},    {kWAType24, {1, 0, 1, 0}},      {kWAType8Palette, {1, 0, 0, 7}},
      {kWAType4Bit, {1, 0, 0, 5}},  {kWAType4Bit, {1, 0, 0, 0x13}}, {kWAType1Bit, {1, 0, 0, 0}},
      {kWAType1Bit, {1, 0, 0, 1}},
  };
  struct Angle {
    double value;
    int inRadians;
  };
  const Angle angles[] = {{30, 0},    {-45, 0}, {135.5, 0}, {200, 0},  {1, 0}, {-0.01, 0},
                          {359.9, 0}, {0.3, 1}, {3.0, 1},   {-2.5, 1}, {0, 1}, {7.9, 1}};
  const int sizes[][2] = {{1, 1}, {2, 2}, {17, 9}, {40, 33}, {3, 50}, {130, 97}};
  std::mt19937 rng(35);
  int compared = 0;
  for (const Case& c : cases) {
    for (const auto& size : sizes) {
      WAPtr src = RandomBuffer(c.type, size[0], size[1], rng);
      const RECT whole = {0, 0, size[0], size[1]};
      const RECT part = {size[0] / 3, size[1] / 4, size[0] - size[0] / 5, size[1]};
      for (const RECT& rect : {whole, part}) {
        for (const Angle& a : angles) {
          WAPtr fast =
              RotateWith(src.get(), rect, a.value, a.inRadians, c.options, &kFastTransformKernels);
          WAPtr slow = RotateWith(src.get(), rect, a.value, a.inRadians, c.options,
                                  &kReferenceTransformKernels);
          ASSERT_EQ(static_cast<bool>(fast), static_cast<bool>(slow));
          if (!fast) continue;
          ++compared;
          ASSERT_TRUE(SameBuffers(fast.get(), slow.get()))
              << "type " << c.type << " smooth " << c.options.smoothEdges << " mask "
              << c.options.maskSource << " clear " << c.options.clearOutside << " size " << size[0]
              << "x" << size[1] << " rect " << rect.left << "," << rect.top << " angle " << a.value
              << (a.inRadians ? " rad" : " deg");
        }
      }
    }
  }
  // Only rectangles that turn into nothing are refused.
  EXPECT_GT(compared, 1400);
}

}  // namespace
