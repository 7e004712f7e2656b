// Resampling of whole buffers: the worked examples, refusals, progress and
// cancel, the 64-bit positions of wide images, and the fast walk checked
// byte for byte against the reference walk.
#include "engine/geometry/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/geometry/ResampleKernels.h"
#include "support/random_buffers.h"
#include "support/recording_progress.h"

using lumora::testing::BufferFromBytes;
using lumora::testing::RandomBuffer;
using lumora::testing::RecordingProgress;
using lumora::testing::SameBuffers;
using lumora::testing::SamePixels;
using VrWA2000::WA;

namespace {

WAPtr Resampled(const WA* source, int w, int h, bool interpolate) {
  return WAPtr::Adopt(ResampleImage(source, w, h, interpolate, false, nullptr, 0, nullptr));
}

TEST(ResampleKernels, Div225IsExactForEveryWeightedSum) {
  for (std::uint32_t n = 0; n <= 225u * 255u; ++n) ASSERT_EQ(lumora::resample::Div225(n), n / 225);
}

TEST(ResampleImage, EnlargingInterpolatesWithTheLastPixelAtFractionZero) {
  const std::uint8_t row[4] = {0, 225, 0, 0};
  WAPtr src = BufferFromBytes(kWAType8Grey, 2, 1, row, 4);
  WAPtr dst = Resampled(src.get(), 4, 1, true);
  ASSERT_TRUE(dst);
  EXPECT_EQ(std::vector<int>(dst->Row(0), dst->Row(0) + 4), (std::vector<int>{0, 120, 225, 225}));
}

TEST(ResampleImage, ShrinkingByTwoWithoutInterpolationTakesEverySecondPixelAndRow) {
  std::mt19937 rng(7);
  WAPtr src = RandomBuffer(kWAType24, 8, 6, rng);
  WAPtr dst = Resampled(src.get(), 4, 3, false);
  ASSERT_TRUE(dst);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(dst->Row(y)[3 * x + c], src->Row(2 * y)[6 * x + c]) << x << "," << y;
      }
    }
  }
}

TEST(ResampleImage, PaletteImagesAreResampledByNearestPixelAndKeepTheirPalette) {
  std::mt19937 rng(11);
  WAPtr src = RandomBuffer(kWAType8Palette, 5, 4, rng);
  WAPtr dst = Resampled(src.get(), 9, 7, true);
  ASSERT_TRUE(dst);
  WAPtr nearest = WAPtr::Adopt(NewWA(kWAType8Palette, 9, 7, nullptr));
  ASSERT_EQ(
      ResampleIntoReference(nearest.get(), src.get(), false, nullptr, nullptr, nullptr, nullptr),
      1);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 9; ++x) ASSERT_EQ(dst->Row(y)[x], nearest->Row(y)[x]);
  }
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(dst->Palette()[i].peRed, src->Palette()[i].peRed);
    EXPECT_EQ(dst->Palette()[i].peBlue, src->Palette()[i].peBlue);
  }
}

TEST(ResampleImage, OneBitRowsFillWholeBytesAndALastPartialByte) {
  const std::uint8_t row[4] = {0xFF, 0xFF, 0, 0};
  WAPtr src = BufferFromBytes(kWAType1Bit, 16, 1, row, 4);
  WAPtr dst = Resampled(src.get(), 10, 1, false);
  ASSERT_TRUE(dst);
  EXPECT_EQ(dst->Row(0)[0], 0xFF);
  EXPECT_EQ(dst->Row(0)[1], 0xC0);  // two pixels in the top bits, the rest 0
}

TEST(ResampleImage, RefusesMissingSourcesAndEmptySizes) {
  std::mt19937 rng(3);
  WAPtr src = RandomBuffer(kWAType8Grey, 4, 4, rng);
  EXPECT_EQ(ResampleImage(nullptr, 4, 4, true, false, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(ResampleImage(src.get(), 0, 4, true, false, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(ResampleImage(src.get(), 4, -1, true, false, nullptr, 0, nullptr), nullptr);
  WAPtr other = WAPtr::Adopt(NewWA(kWAType24, 4, 4, nullptr));
  EXPECT_EQ(ResampleInto(other.get(), src.get(), true, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ResampleInto(nullptr, src.get(), true, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(ResampleInto, EqualSizesCopyAndReportOneStepPerRow) {
  std::mt19937 rng(5);
  WAPtr src = RandomBuffer(kWAType4Bit, 7, 5, rng);
  WAPtr plain = WAPtr::Adopt(NewWA(kWAType4Bit, 7, 5, nullptr));
  EXPECT_EQ(ResampleInto(plain.get(), src.get(), true, nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_TRUE(SamePixels(plain.get(), src.get()));

  RecordingProgress progress;
  WAPtr stepped = WAPtr::Adopt(NewWA(kWAType4Bit, 7, 5, nullptr));
  int position = 10;
  int total = 40;
  int cancelled = 0;
  EXPECT_EQ(ResampleInto(stepped.get(), src.get(), false, ProgressCallback, &position, &total,
                         &cancelled),
            1);
  EXPECT_TRUE(SameBuffers(stepped.get(), src.get()));
  EXPECT_EQ(position, 15);
  ASSERT_EQ(progress.reports.size(), 5u);
  EXPECT_EQ(progress.reports[0], std::make_pair(11, 40));
  EXPECT_EQ(progress.reports[4], std::make_pair(15, 40));
}

TEST(ResampleImage, ReportsEveryDestinationRowAndACancelReturnsNothing) {
  std::mt19937 rng(9);
  WAPtr src = RandomBuffer(kWAType24, 30, 20, rng);
  RecordingProgress progress;
  int position = 0;
  WAPtr done =
      WAPtr::Adopt(ResampleImage(src.get(), 12, 9, true, true, ProgressCallback, 9, &position));
  ASSERT_TRUE(done);
  EXPECT_EQ(position, 9);
  EXPECT_EQ(progress.positionReports(), 9);

  const std::uint64_t before = WA::MM_BytesInUse();
  progress.cancelAtReport = progress.positionReports();  // the next report
  position = 0;
  EXPECT_EQ(ResampleImage(src.get(), 12, 9, true, true, ProgressCallback, 9, &position), nullptr);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(WA::MM_BytesInUse(), before);
  // Without the with-progress flag the callback is never asked.
  position = 0;
  WAPtr quiet =
      WAPtr::Adopt(ResampleImage(src.get(), 12, 9, true, false, ProgressCallback, 9, &position));
  EXPECT_TRUE(quiet);
  EXPECT_EQ(position, 0);
}

TEST(ResampleImage, WidePositionsUseSixtyFourBits) {
  // 16 * (10000 - 1) * 15000 passes 2^31: 32-bit positions would wrap.
  std::mt19937 rng(21);
  WAPtr src = RandomBuffer(kWAType8Grey, 15000, 2, rng);
  WAPtr dst = Resampled(src.get(), 10000, 1, true);
  ASSERT_TRUE(dst);
  // x = 9999: p = 9999 * 15000 * 16 / 10000 = 239976, column 14998, fraction 8.
  const int expected = (src->Row(0)[14998] * 7 * 15 + src->Row(0)[14999] * 8 * 15) / 225;
  EXPECT_EQ(dst->Row(0)[9999], expected);
  WAPtr reference = WAPtr::Adopt(NewWA(kWAType8Grey, 10000, 1, nullptr));
  ASSERT_EQ(
      ResampleIntoReference(reference.get(), src.get(), true, nullptr, nullptr, nullptr, nullptr),
      1);
  EXPECT_TRUE(SameBuffers(dst.get(), reference.get()));
}

struct SizeCase {
  int sw, sh, dw, dh;
};

// Every type, both flags, up, down, mixed, odd and single-pixel sizes.
TEST(ResampleInto, FastWalkMatchesTheReferenceOnRandomBuffers) {
  const SizeCase sizes[] = {{37, 23, 81, 50}, {81, 50, 37, 23}, {40, 30, 20, 15}, {40, 30, 80, 60},
                            {13, 40, 50, 9},  {1, 1, 7, 5},     {9, 1, 4, 3},     {5, 7, 1, 1},
                            {64, 3, 63, 4},   {3, 64, 5, 61}};
  const int types[] = {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit};
  std::mt19937 rng(1234);
  for (const int type : types) {
    for (const SizeCase& s : sizes) {
      WAPtr src = RandomBuffer(type, s.sw, s.sh, rng);
      for (const bool interpolate : {true, false}) {
        // Destinations start with random bytes: kernels that keep or clear
        // bits beyond the last pixel must do the same in both walks.
        std::mt19937 fill(static_cast<unsigned>(s.dw * 131 + s.dh));
        WAPtr fast = RandomBuffer(type, s.dw, s.dh, fill);
        std::mt19937 fill2(static_cast<unsigned>(s.dw * 131 + s.dh));
        WAPtr slow = RandomBuffer(type, s.dw, s.dh, fill2);
        ASSERT_EQ(
            ResampleInto(fast.get(), src.get(), interpolate, nullptr, nullptr, nullptr, nullptr),
            1);
        ASSERT_EQ(ResampleIntoReference(slow.get(), src.get(), interpolate, nullptr, nullptr,
                                        nullptr, nullptr),
                  1);
        ASSERT_TRUE(SameBuffers(fast.get(), slow.get()))
            << "type " << type << " " << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh
            << " interpolate " << interpolate;
      }
    }
  }
}

TEST(ResampleImage, UniformImagesStayUniform) {
  WAPtr src = WAPtr::Adopt(NewWA(kWAType24, 17, 11, nullptr));
  for (int y = 0; y < 11; ++y) std::fill(src->Row(y), src->Row(y) + 51, std::uint8_t{200});
  for (const SizeCase s : {SizeCase{0, 0, 40, 23}, SizeCase{0, 0, 5, 4}, SizeCase{0, 0, 33, 3}}) {
    WAPtr dst = Resampled(src.get(), s.dw, s.dh, true);
    ASSERT_TRUE(dst);
    for (int y = 0; y < s.dh; ++y) {
      for (int i = 0; i < 3 * s.dw; ++i) ASSERT_EQ(dst->Row(y)[i], 200);
    }
  }
}

}  // namespace
