// Laying dabs: coverage accumulation, the general blend, grey images, paper
// and selection, colour rules, pressure, jitter and the preview.
#include <gtest/gtest.h>

#include <vector>

#include "engine/pixels/ColorModels.h"
#include "paint/BrushRandom.h"
#include "scripted_random.h"
#include "paint/DabPixels.h"
#include "paint/PaintBrush.h"
#include "platform/rect.h"

namespace {

using painttest::ScriptedRandom;

using paint::DabJob;
using paint::PlaneView;

TEST(DabArithmetic, Div255IsExactOverSixteenBits) {
  for (std::uint32_t x = 0; x <= 65535; ++x) ASSERT_EQ(paint::Div255(x), x / 255) << x;
}

// A paint layer of w x h at the image origin, with its buffers.
struct Canvas {
  int w, h, channels;
  std::vector<std::uint8_t> image, mask, aux, source;
  Canvas(int width, int height, int type)
      : w(width), h(height), channels(type == 16 ? 3 : 1), image(w * h * channels, 0), mask(w * h, 0),
        aux(w * h, 0), source(w * h * channels, 0) {}
  PlaneView View(std::vector<std::uint8_t>& v, int ch) {
    return PlaneView{v.data(), static_cast<std::ptrdiff_t>(w) * ch, w, h};
  }
  DabJob Job(const std::vector<std::uint8_t>& dabMask, RECT dab, int type) {
    DabJob job;
    job.imageType = type;
    job.paintImage = View(image, channels);
    job.paintMask = View(mask, 1);
    job.source = View(source, channels);
    job.paintRect = RECT{0, 0, w, h};
    job.dab = dab;
    job.mask = dabMask.data();
    return job;
  }
};

TEST(DabPixels, TwoHalfCoveragesAccumulateTo192) {
  Canvas canvas(4, 4, 16);
  const std::vector<std::uint8_t> half(16, 128);
  auto job = canvas.Job(half, RECT{0, 0, 4, 4}, 16);
  job.red = 200, job.green = 100, job.blue = 50;
  paint::PaintDabPixels(job);
  EXPECT_EQ(canvas.mask[5], 128);
  paint::PaintDabPixels(job);
  EXPECT_EQ(canvas.mask[5], 192);  // 255 - 127 * 127 / 255
  EXPECT_EQ(canvas.image[15], 50);  // blue, green, red
  EXPECT_EQ(canvas.image[16], 100);
  EXPECT_EQ(canvas.image[17], 200);
}

TEST(DabPixels, ClippedToThePaintLayer) {
  Canvas canvas(4, 4, 8);
  const std::vector<std::uint8_t> full(9, 255);
  auto job = canvas.Job(full, RECT{2, -1, 5, 2}, 8);
  const RECT painted = paint::PaintDabPixels(job);
  EXPECT_EQ(painted.left, 2);
  EXPECT_EQ(painted.top, 0);
  EXPECT_EQ(painted.right, 4);
  EXPECT_EQ(painted.bottom, 2);
  const std::vector<std::uint8_t> want = {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(canvas.mask, want);
}

// The general rule, written out for one channel.
int ReferenceChannel(int colour, int old, int c, int* m) {
  if (c == 255) return *m = 255, colour;
  if (*m == 255) return (colour * c + old * (255 - c)) / 255;
  const int d = 65025 - (255 - c) * (255 - *m);
  const int out = (colour * c * 255 + old * (255 - c) * *m) / d;
  *m = d / 255;
  return out;
}

TEST(DabPixels, GeneralBlendMatchesTheRuleForEveryCase) {
  // Value jitter with a zero draw moves nothing yet takes the general path.
  struct Case {
    int m, c, old;
  } cases[] = {{255, 255, 10}, {255, 100, 10}, {40, 255, 10}, {40, 100, 10}, {0, 1, 200}, {254, 254, 0}, {1, 1, 255}};
  for (const auto& k : cases) {
    Canvas canvas(1, 1, 8);
    canvas.mask[0] = static_cast<std::uint8_t>(k.m);
    canvas.image[0] = static_cast<std::uint8_t>(k.old);
    const std::vector<std::uint8_t> dab(1, static_cast<std::uint8_t>(k.c));
    auto job = canvas.Job(dab, RECT{0, 0, 1, 1}, 8);
    job.plain = false;
    job.red = job.green = job.blue = 180;
    paint::PaintDabPixels(job);
    int m = k.m;
    EXPECT_EQ(canvas.image[0], ReferenceChannel(180, k.old, k.c, &m)) << k.m << " " << k.c;
    EXPECT_EQ(canvas.mask[0], m) << k.m << " " << k.c;
  }
}

TEST(DabPixels, GreyTakesTheLuminanceOfTheColour) {
  Canvas canvas(1, 1, 8);
  const std::vector<std::uint8_t> dab(1, 255);
  auto job = canvas.Job(dab, RECT{0, 0, 1, 1}, 8);
  job.red = 255;  // pure red paints (30 x 255) / 100 = 76, not its blue byte 0
  paint::PaintDabPixels(job);
  EXPECT_EQ(canvas.image[0], 76);
}

TEST(DabPixels, AuxiliaryBufferHoldsPaperTimesSelection) {
  Canvas canvas(4, 2, 16);
  const std::vector<std::uint8_t> dab(8, 255);
  std::vector<std::uint8_t> paper = {0, 255, 55};  // 3 x 1, tiled
  std::vector<std::uint8_t> selBytes = {200, 100};  // over columns 1..2 of row 0
  paint::SelectionLimit selection;
  selection.mask = PlaneView{selBytes.data(), 2, 2, 1};
  selection.rect = RECT{1, 0, 3, 1};
  auto job = canvas.Job(dab, RECT{0, 0, 4, 2}, 16);
  job.aux = canvas.View(canvas.aux, 1);
  job.paper = PlaneView{paper.data(), 3, 3, 1};
  job.selection = &selection;
  paint::PaintDabPixels(job);
  // Row 0: a = 0, 200, 100, 0; paper 0, 255, 55, 0 -> (255 - p) a / 255.
  EXPECT_EQ(canvas.aux[0], 0);
  EXPECT_EQ(canvas.aux[1], 0);
  EXPECT_EQ(canvas.aux[2], 200 * 100 / 255);
  EXPECT_EQ(canvas.aux[3], 0);
  selection.inverted = true;  // outside its rect an inverted selection is full
  paint::PaintDabPixels(job);
  EXPECT_EQ(canvas.aux[0], 255);
  EXPECT_EQ(canvas.aux[1], 0);  // paper 255 there
  EXPECT_EQ(canvas.aux[2], (255 - 100) * 200 / 255);
  EXPECT_EQ(canvas.aux[4 + 1], 0);  // row 1 column 1: paper 255
  EXPECT_EQ(canvas.aux[4 + 2], 200);
}

TEST(DabPixels, ColourRulesPerPixel) {
  // Source: a dark and a bright pixel; colour a mid grey-blue.
  const int red = 60, green = 90, blue = 160;
  int hb, sb, vb;
  RGBToHSV(red, green, blue, hb, sb, vb);
  for (int mode = 1; mode <= 6; ++mode) {
    Canvas canvas(2, 1, 16);
    const std::uint8_t src[6] = {10, 20, 30, 250, 240, 200};  // blue, green, red
    std::copy(src, src + 6, canvas.source.begin());
    const std::vector<std::uint8_t> dab(2, 255);
    auto job = canvas.Job(dab, RECT{0, 0, 2, 1}, 16);
    job.plain = false;
    job.colourMode = mode;
    job.red = red, job.green = green, job.blue = blue;
    paint::PaintDabPixels(job);
    for (int x = 0; x < 2; ++x) {
      int hs, ss, vs;
      RGBToHSV(src[x * 3 + 2], src[x * 3 + 1], src[x * 3], hs, ss, vs);
      int r = red, g = green, b = blue;
      bool painted = true;
      switch (mode) {
        case 1: painted = vs > vb; break;
        case 2: painted = vs < vb; break;
        case 3: HSVToRGB(hb, sb, vs, r, g, b); break;
        case 4: HSVToRGB(hs, ss, vb, r, g, b); break;
        case 5: HSVToRGB(hb, ss, vs, r, g, b); break;
        case 6: HSVToRGB(hs, sb, vs, r, g, b); break;
      }
      EXPECT_EQ(canvas.mask[x], painted ? 255 : 0) << "mode " << mode << " pixel " << x;
      if (painted) {
        EXPECT_EQ(canvas.image[x * 3], b) << "mode " << mode;
        EXPECT_EQ(canvas.image[x * 3 + 1], g) << "mode " << mode;
        EXPECT_EQ(canvas.image[x * 3 + 2], r) << "mode " << mode;
      }
    }
  }
}

TEST(PaintBrushDab, PressureScalesCoverageOnlyForPaintAndClone) {
  SeededBrushRandom random(1);
  for (std::uint32_t command : {paint::kCmdPaintBrush, paint::kCmdClone, paint::kCmdAirBrush, paint::kCmdEraser}) {
    paint::CPaintBrush brush(command, 4, random);
    brush.SetPressureSource([] { return 0; });
    ASSERT_TRUE(brush.BeginStroke());
    Canvas canvas(4, 4, 16);
    auto job = canvas.Job(brush.WorkingMask(), RECT{0, 0, 4, 4}, 16);
    brush.PaintDabPixels(job, POINT{0, 0}, POINT{0, 0}, true);
    const bool scales = command == paint::kCmdPaintBrush || command == paint::kCmdClone;
    EXPECT_EQ(canvas.mask[0], scales ? 0 : 255) << command;
  }
}

TEST(PaintBrushDab, StrokeDirectionSkipsTheFirstDab) {
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 8, random);
  brush.SetRotationMode(paint::kRotateWithStroke);
  ASSERT_TRUE(brush.BeginStroke());
  Canvas canvas(8, 8, 16);
  auto job = canvas.Job(brush.WorkingMask(), RECT{0, 0, 8, 8}, 16);
  EXPECT_TRUE(lumora::RectIsEmpty(brush.PaintDabPixels(job, POINT{4, 4}, POINT{4, 4}, true)));
  EXPECT_EQ(canvas.mask, std::vector<std::uint8_t>(64, 0));
  // Moving right: angle 0 through the fixed-point turn, which mirrors the
  // rows about the centre (row 0 maps past the last row and stays empty).
  brush.PaintDabPixels(job, POINT{0, 4}, POINT{4, 4}, false);
  std::vector<std::uint8_t> want(64, 255);
  std::fill(want.begin(), want.begin() + 8, 0);
  EXPECT_EQ(canvas.mask, want);
}

TEST(PaintBrushDab, HueJitterWrapsAtAFullTurnAndIsCappedAtAHundred) {
  // Draws: value 127 and saturation 127 move nothing; hue 0 moves by
  // (0 - 768) x 100 / 100: red (hue 0) turns to cyan (hue 768).
  ScriptedRandom random({127, 127, 0});
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 4, random);
  brush.SetJitter(150, 0, 0);
  int r = 255, g = 0, b = 0;
  brush.JitterColour(&r, &g, &b);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 255);
  // A hue landing on 1536 comes back to red.
  ScriptedRandom up({127, 127, 1535});  // + 767
  paint::CPaintBrush brush2(paint::kCmdPaintBrush, 4, up);
  int h0, s0, v0;
  RGBToHSV(255, 0, 3, h0, s0, v0);  // a red just below a full turn
  ASSERT_GT(h0, 768);
  brush2.SetJitter(100, 0, 0);
  r = 255, g = 0, b = 3;
  brush2.JitterColour(&r, &g, &b);
  int wr, wg, wb;
  HSVToRGB((h0 + 767) % 1536, s0, v0, wr, wg, wb);
  EXPECT_EQ(r, wr);
  EXPECT_EQ(g, wg);
  EXPECT_EQ(b, wb);
}

TEST(PaintBrushDab, NegativeAnglesTurnTheMaskLikeTheirPositiveTwin) {
  SeededBrushRandom random(1);
  paint::CPaintBrush a(paint::kCmdPaintBrush, 12, random), b(paint::kCmdPaintBrush, 12, random);
  a.SetShape(paint::kShapeSlash);
  b.SetShape(paint::kShapeSlash);
  a.SetAngle(-10);
  b.SetAngle(350);
  EXPECT_EQ(a.Angle(), 350);
  ASSERT_TRUE(a.BeginStroke());
  ASSERT_TRUE(b.BeginStroke());
  EXPECT_EQ(a.WorkingMask(), b.WorkingMask());
  EXPECT_NE(a.WorkingMask(), a.BrushMask());
}

TEST(PaintBrushDab, FixedAngleSurvivesThePerDabDither) {
  SeededBrushRandom random(3);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 16, random);
  brush.SetShape(paint::kShapeSlash);
  brush.SetAngle(90);
  brush.SetWidth(16, 2, 1);  // a soft edge with an edge option: dithered
  ASSERT_TRUE(brush.BeginStroke());
  Canvas canvas(18, 18, 8);
  auto job = canvas.Job(brush.WorkingMask(), RECT{0, 0, 18, 18}, 8);
  brush.PaintDabPixels(job, POINT{0, 0}, POINT{0, 0}, false);
  // Every lit coverage byte comes from a nonzero byte of the turned mask;
  // the unturned slash differs there.
  std::vector<std::uint8_t> turned(18 * 18);
  paint::RotateMask(turned.data(), brush.BrushMask().data(), 18, 18, paint::SineTable()[90],
                    paint::CosineTable()[90]);
  int lit = 0;
  for (std::size_t i = 0; i < turned.size(); ++i) {
    if (canvas.mask[i] != 0) {
      EXPECT_NE(turned[i], 0) << i;
      ++lit;
    }
    EXPECT_TRUE(canvas.mask[i] == 0 || canvas.mask[i] == 255);
  }
  EXPECT_GT(lit, 10);
}

TEST(PaintBrushDab, PreviewBlendsByCoverage) {
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdAirBrush, 4, random);
  brush.SetWidth(4, 0, 0);
  ASSERT_TRUE(brush.BeginStroke());
  std::vector<std::uint8_t> dest(6 * 6 * 3, 100);
  PlaneView view{dest.data(), 18, 6, 6};
  // The destination sits at (10, 10); the dab at (8, 8) overlaps its corner.
  brush.PaintDab(view, RECT{10, 10, 16, 16}, RECT{8, 8, 12, 12}, 16, 0, 0, 255);
  EXPECT_EQ(dest[0], 255);  // blue at (10, 10)
  EXPECT_EQ(dest[2], 0);
  EXPECT_EQ(dest[1 * 3], 255);     // (11, 10)
  EXPECT_EQ(dest[2 * 3], 100);     // (12, 10): past the dab
  EXPECT_EQ(dest[2 * 18], 100);    // (10, 12): past the dab
}

}  // namespace
