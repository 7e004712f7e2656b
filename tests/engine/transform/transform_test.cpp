// The transform engine's protocol and rotation dispatch: angle reduction, the
// exact quarter turns (also of a sub-rectangle), clipping, progress and
// cancel, and the agreement of the destination size with GetRotatedCorners.
#include "engine/transform/Transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "engine/transform/TransformGeometry.h"
#include "engine/transform/TransformKernels.h"
#include "support/random_buffers.h"
#include "support/recording_progress.h"

using lumora::testing::BufferFromBytes;
using lumora::testing::RandomBuffer;
using lumora::testing::RecordingProgress;
using lumora::testing::SameBuffers;
using VrWA2000::WA;

namespace {

void SetWhole(Transform& t, WA* buffer, int maskSource = 0, int clearOutside = 0) {
  t.SetSource(buffer, 0, 0, 0, 0, buffer->GetW(), buffer->GetH(), maskSource, clearOutside);
}

// Rotates the whole buffer; the destination (or null).
WAPtr Rotated(WA* buffer, double angle, int inRadians = 0, bool reference = false) {
  Transform t;
  if (reference) t.kernels = &kReferenceTransformKernels;
  SetWhole(t, buffer);
  if (t.Rotate(angle, inRadians, nullptr, 0, nullptr, nullptr) != 1) return WAPtr();
  return t.destination;
}

int Pixel8(const WA* wa, int x, int y) { return wa->Row(y)[x]; }

TEST(Transform, StartsEmptyAndHoldsItsSourceAndDestination) {
  std::mt19937 rng(1);
  WAPtr a = RandomBuffer(kWAType8Grey, 4, 3, rng);
  WAPtr b = RandomBuffer(kWAType8Grey, 4, 3, rng);
  {
    Transform t;
    EXPECT_FALSE(t.source);
    EXPECT_EQ(t.smoothEdges, 1);
    EXPECT_EQ(t.maskSource, 1);
    EXPECT_EQ(t.clearOutside, 1);
    EXPECT_EQ(t.fillIndex, 0);
    EXPECT_EQ(t.Rotate(30, 0, nullptr, 0, nullptr, nullptr), 0);  // no source
    t.SetSource(a.get(), 1, 2, 1, 2, 5, 5, 0, 1);
    EXPECT_EQ(a->GetRefCount(), 2);
    t.SetSource(nullptr, 0, 0, 0, 0, 4, 3, 1, 0);  // keeps the source
    EXPECT_EQ(t.source.get(), a.get());
    EXPECT_EQ(t.maskSource, 1);
    EXPECT_EQ(t.clearOutside, 0);
    t.SetSource(b.get(), 0, 0, 0, 0, 4, 3, 0, 0);
    EXPECT_EQ(a->GetRefCount(), 1);
    ASSERT_EQ(t.Rotate(90, 0, nullptr, 0, nullptr, nullptr), 1);
    EXPECT_EQ(t.destination->GetRefCount(), 1);
  }
  EXPECT_EQ(b->GetRefCount(), 1);
}

TEST(TransformRotate, WholeTurnsReduceToAnExactCopy) {
  std::mt19937 rng(2);
  WAPtr src = RandomBuffer(kWAType24, 7, 5, rng);
  for (const double angle : {0.0, 360.0, -360.0, 720.0}) {
    WAPtr dst = Rotated(src.get(), angle);
    ASSERT_TRUE(dst);
    // Every byte of each row, the padding after the last pixel included.
    EXPECT_TRUE(SameBuffers(dst.get(), src.get())) << angle;
  }
}

TEST(TransformRotate, EquivalentAnglesGiveTheSameResult) {
  std::mt19937 rng(3);
  WAPtr src = RandomBuffer(kWAType8Grey, 9, 4, rng);
  EXPECT_TRUE(SameBuffers(Rotated(src.get(), -90).get(), Rotated(src.get(), 270).get()));
  EXPECT_TRUE(SameBuffers(Rotated(src.get(), 450.0).get(), Rotated(src.get(), 90).get()));
  EXPECT_TRUE(SameBuffers(Rotated(src.get(), 720.5).get(), Rotated(src.get(), 0.5).get()));
  Transform t;
  SetWhole(t, src.get());
  ASSERT_EQ(t.RotateInt(-450, nullptr, 0, nullptr, nullptr), 1);
  EXPECT_TRUE(SameBuffers(t.destination.get(), Rotated(src.get(), -90).get()));
}

TEST(TransformRotate, OnlyWholeQuarterTurnsInDegreesTakeTheExactPath) {
  std::mt19937 rng(4);
  WAPtr src = RandomBuffer(kWAType8Grey, 6, 4, rng);
  WAPtr exact = Rotated(src.get(), 90);
  ASSERT_TRUE(exact);
  EXPECT_EQ(exact->GetW(), 4);
  EXPECT_EQ(exact->GetH(), 6);
  // 89.9999 degrees and pi/2 radians interpolate: the general path reads
  // source row b - i where the exact path reads b - 1 - i.
  for (const WAPtr& general :
       {Rotated(src.get(), 89.9999), Rotated(src.get(), std::numbers::pi / 2, 1)}) {
    ASSERT_TRUE(general);
    EXPECT_FALSE(SameBuffers(general.get(), exact.get()));
  }
}

TEST(TransformRotate, QuarterTurnsMoveWholePixels) {
  // 3 x 2 grey source, row 0 = 1 2 3, row 1 = 4 5 6.
  const std::uint8_t bytes[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  WAPtr src = BufferFromBytes(kWAType8Grey, 3, 2, bytes, 4);
  WAPtr q90 = Rotated(src.get(), 90);
  ASSERT_TRUE(q90);
  ASSERT_EQ(q90->GetW(), 2);
  ASSERT_EQ(q90->GetH(), 3);
  // First row: the source's first column from its last row to its first.
  EXPECT_EQ(Pixel8(q90.get(), 0, 0), 4);
  EXPECT_EQ(Pixel8(q90.get(), 1, 0), 1);
  EXPECT_EQ(Pixel8(q90.get(), 0, 2), 6);
  WAPtr q270 = Rotated(src.get(), 270);
  // First row: the source's last column from its first row to its last.
  EXPECT_EQ(Pixel8(q270.get(), 0, 0), 3);
  EXPECT_EQ(Pixel8(q270.get(), 1, 0), 6);
  WAPtr q180 = Rotated(src.get(), 180);
  EXPECT_EQ(std::vector<int>(q180->Row(0), q180->Row(0) + 3), (std::vector<int>{6, 5, 4}));
  EXPECT_EQ(std::vector<int>(q180->Row(1), q180->Row(1) + 3), (std::vector<int>{3, 2, 1}));
}

TEST(TransformRotate, HalfTurnsReverseNibblesAndBitsNotBytes) {
  const std::uint8_t nibbles[8] = {0x12, 0x34, 0x50, 0, 0x67, 0x89, 0xA0, 0};
  WAPtr four = BufferFromBytes(kWAType4Bit, 5, 2, nibbles, 4);
  WAPtr turned = Rotated(four.get(), 180);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->Row(0)[0], 0xA9);
  EXPECT_EQ(turned->Row(0)[1], 0x87);
  EXPECT_EQ(turned->Row(0)[2], 0x60);  // odd width: only the high nibble set
  EXPECT_EQ(turned->Row(1)[2], 0x10);

  // 10 pixels: 1000000011 and 0000000001.
  const std::uint8_t bits[8] = {0x80, 0xC0, 0, 0, 0x00, 0x40, 0, 0};
  WAPtr one = BufferFromBytes(kWAType1Bit, 10, 2, bits, 4);
  WAPtr flipped = Rotated(one.get(), 180);
  ASSERT_TRUE(flipped);
  EXPECT_EQ(flipped->Row(1)[0], 0xC0);  // 1100000001, the second byte's top bits
  EXPECT_EQ(flipped->Row(1)[1], 0x40);
  EXPECT_EQ(flipped->Row(0)[0], 0x80);  // 1000000000
  EXPECT_EQ(flipped->Row(0)[1], 0x00);
}

// Whole multiples of 90 degrees of a sub-rectangle give exactly the turn of
// that rectangle cut out on its own (the exact path used to refuse them).
TEST(TransformRotate, ExactTurnsOfASubRectangleTurnJustThatRectangle) {
  std::mt19937 rng(5);
  const int types[] = {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit};
  for (const int type : types) {
    WAPtr src = RandomBuffer(type, 23, 17, rng);
    const RECT part = {3, 5, 16, 14};
    WAPtr cut = WAPtr::Adopt(NewWA(type, 13, 9, nullptr));
    ASSERT_EQ(
        VrWA2000::ReadWriteWA::Copy(cut.get(), POINT{0, 0}, src.get(), POINT{3, 5}, 13, 9, 12), 1);
    for (const double angle : {0.0, 90.0, 180.0, 270.0}) {
      for (const TransformKernels* kernels :
           {&kFastTransformKernels, &kReferenceTransformKernels}) {
        Transform t;
        t.kernels = kernels;
        t.SetSource(src.get(), 10, 20, part.left + 10, part.top + 20, part.right + 10,
                    part.bottom + 20, 0, 0);
        ASSERT_EQ(t.Rotate(angle, 0, nullptr, 0, nullptr, nullptr), 1) << type << " " << angle;
        WAPtr whole = Rotated(cut.get(), angle);
        // The cut-out's padding bytes are 0 like the new buffer's, except that
        // a whole-buffer 0-degree copy also copies the padding it was given.
        EXPECT_TRUE(SameBuffers(t.destination.get(), whole.get())) << type << " " << angle;
      }
    }
  }
}

TEST(TransformRotate, TheSourceRectangleIsClippedToTheBuffer) {
  std::mt19937 rng(6);
  WAPtr src = RandomBuffer(kWAType8Grey, 10, 8, rng);
  Transform t;
  t.SetSource(src.get(), 0, 0, -30, -30, -1, -1, 0, 0);
  EXPECT_EQ(t.Rotate(30, 0, nullptr, 0, nullptr, nullptr), 0);
  t.SetSource(src.get(), 0, 0, -5, -5, 100, 100, 0, 0);
  ASSERT_EQ(t.Rotate(90, 0, nullptr, 0, nullptr, nullptr), 1);
  EXPECT_TRUE(SameBuffers(t.destination.get(), Rotated(src.get(), 90).get()));
}

TEST(TransformRotate, DestinationSizeAgreesWithGetRotatedCorners) {
  std::mt19937 rng(7);
  WAPtr src = RandomBuffer(kWAType24, 31, 19, rng);
  for (const double angle : {30.0, -45.0, 90.0, 135.5, 200.0, -300.25, 1e-3}) {
    WAPtr dst = Rotated(src.get(), angle);
    ASSERT_TRUE(dst);
    RECT bounds;
    GetRotatedCorners(&bounds, 0, 0, 31, 19, 0, 0, angle, 0);
    EXPECT_EQ(dst->GetW(), bounds.right - bounds.left) << angle;
    EXPECT_EQ(dst->GetH(), bounds.bottom - bounds.top) << angle;
  }
}

TEST(TransformRotate, ReportsEachRowAndStopsOnCancel) {
  std::mt19937 rng(8);
  WAPtr src = RandomBuffer(kWAType24, 20, 12, rng);
  for (const double angle : {90.0, 33.0}) {
    RecordingProgress progress;
    Transform t;
    SetWhole(t, src.get());
    int step = 100;
    int cancel = 0;
    ASSERT_EQ(t.Rotate(angle, 0, ProgressCallback, 777, &step, &cancel), 1);
    const int rows = t.destination->GetH();
    ASSERT_EQ(progress.positionReports(), rows);
    EXPECT_EQ(progress.reports.front(), std::make_pair(101, 777));
    EXPECT_EQ(step, 100 + rows);
    EXPECT_EQ(cancel, 0);

    progress.cancelAtReport = rows;  // the first report of the next run
    EXPECT_EQ(t.Rotate(angle, 0, ProgressCallback, 777, &step, &cancel), 0);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(progress.positionReports(), rows + 1);
  }
}

TEST(TransformRotate, RefusesNonFiniteAndHugeAngles) {
  std::mt19937 rng(9);
  WAPtr src = RandomBuffer(kWAType8Grey, 4, 4, rng);
  Transform t;
  SetWhole(t, src.get());
  EXPECT_EQ(t.Rotate(NAN, 0, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(t.Rotate(INFINITY, 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(t.Rotate(1e15, 0, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(t.Rotate(1e9, 0, nullptr, 0, nullptr, nullptr), 1);
}

}  // namespace
