// Solid fills: the new-image buffer with its progress and failures, and
// filling buffers of every pixel type.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/Fillwa.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "support/recording_progress.h"

namespace {

using lumora::testing::RecordingProgress;
using Reports = std::vector<std::pair<int, int>>;

TEST(NewFilledWA, FillsAtTheScreenResolutionAndReportsEveryOtherRow) {
  lumora::SetScreenResolution(120, 144);
  RecordingProgress progress;
  VrWA2000::WA* wa = nullptr;
  ASSERT_EQ(NewFilledWA(&wa, 3, 5, 0x112, 20, 30), 0);
  ASSERT_NE(wa, nullptr);
  EXPECT_EQ(wa->GetType(), kWAType24);
  EXPECT_EQ(wa->GetXRes(), 120);
  EXPECT_EQ(wa->GetYRes(), 144);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(wa->Row(y)[3 * x], 30);
      EXPECT_EQ(wa->Row(y)[3 * x + 1], 20);
      EXPECT_EQ(wa->Row(y)[3 * x + 2], 0x12);  // the low byte
    }
  }
  EXPECT_EQ(progress.captions, std::vector<int>{IDS_CREATING_NEW_IMAGE});
  EXPECT_EQ(progress.reports, (Reports{{-1, 0}, {1, 2}, {2, 2}, {-2, 0}}));
  wa->Release();
  lumora::SetScreenResolution(96, 96);
}

TEST(NewFilledWA, HeightsOneAndTwo) {
  for (const auto& [height, expected] :
       {std::pair{1, Reports{{-1, 0}, {-2, 0}}}, std::pair{2, Reports{{-1, 0}, {1, 1}, {-2, 0}}}}) {
    RecordingProgress progress;
    VrWA2000::WA* wa = nullptr;
    ASSERT_EQ(NewFilledWA(&wa, 4, height, 1, 2, 3), 0);
    EXPECT_EQ(progress.reports, expected);
    wa->Release();
  }
}

TEST(NewFilledWA, CancelReleasesTheBuffer) {
  LUResetError();
  const std::uint64_t before = VrWA2000::WA::MM_BytesInUse();
  RecordingProgress progress;
  progress.cancelAtReport = 1;
  VrWA2000::WA* wa = nullptr;
  EXPECT_NE(NewFilledWA(&wa, 10, 10, 1, 2, 3), 0);
  EXPECT_EQ(wa, nullptr);
  EXPECT_EQ(progress.reports.back(), std::make_pair(-2, 0));  // the indicator was closed
  const LUErrorState error = LUGetErrorState();
  EXPECT_EQ(error.code, 1);
  EXPECT_EQ(error.source, "Fillwa");
  EXPECT_EQ(error.line, 96);
  EXPECT_EQ(VrWA2000::WA::MM_BytesInUse(), before);
  LUResetError();
}

TEST(NewFilledWA, NoMemoryReportsCode16) {
  LUResetError();
  VrWA2000::WA::MM_SetMemoryLimits(1);
  VrWA2000::WA* wa = reinterpret_cast<VrWA2000::WA*>(1);
  EXPECT_NE(NewFilledWA(&wa, 100, 100, 1, 2, 3), 0);
  VrWA2000::WA::MM_SetMemoryLimits(0);
  EXPECT_EQ(wa, nullptr);
  EXPECT_EQ(LUGetErrorState().code, 16);
  EXPECT_EQ(LUGetErrorState().line, 57);
  LUResetError();
}

// Every byte of every row up to `bytes` holds `value`; the rest of the row
// (word padding, preset to 0x5A) is untouched.
void ExpectRows(VrWA2000::WA* wa, int bytes, const std::vector<std::uint8_t>& pattern) {
  for (int y = 0; y < wa->GetH(); ++y) {
    for (int i = 0; i < wa->GetBPLine(); ++i) {
      const int expected = i < bytes ? pattern[i % pattern.size()] : 0x5A;
      ASSERT_EQ(wa->Row(y)[i], expected) << "row " << y << " byte " << i;
    }
  }
}

WAPtr Preset(int type, int width, int height) {
  WAPtr wa = WAPtr::Adopt(NewWA(type, width, height, nullptr));
  for (int y = 0; y < height; ++y) std::fill(wa->Row(y), wa->Row(y) + wa->GetBPLine(), 0x5A);
  return wa;
}

TEST(FillWA, EveryPixelType) {
  WAPtr bits = Preset(kWAType1Bit, 20, 2);
  FillWA(bits.get(), 7, 0, 0);
  ExpectRows(bits.get(), 3, {255});
  FillWA(bits.get(), 0x100, 0, 0);  // the low byte is 0
  ExpectRows(bits.get(), 3, {0});
  WAPtr nibbles = Preset(kWAType4Bit, 5, 2);
  FillWA(nibbles.get(), 0x1A, 0, 0);
  ExpectRows(nibbles.get(), 3, {0xAA});
  WAPtr palette = Preset(kWAType8Palette, 5, 2);
  FillWA(palette.get(), 9, 1, 1);
  ExpectRows(palette.get(), 5, {9});
  WAPtr grey = Preset(kWAType8Grey, 6, 1);
  FillWA(grey.get(), 200, 1, 1);
  ExpectRows(grey.get(), 6, {200});
  WAPtr rgb = Preset(kWAType24, 2, 3);
  FillWA(rgb.get(), 1, 2, 3);
  ExpectRows(rgb.get(), 6, {3, 2, 1});  // blue, green, red; the two filler bytes stay
  FillWA(nullptr, 1, 2, 3);
}

}  // namespace
