// The rulers' ticks and labels, the ruler under a point and the cursor
// markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "view/Rulers.h"

namespace lumora {
namespace {

std::map<int, int> TickMap(const RulerMarks& m) {
  std::map<int, int> ticks;
  for (const RulerTick& t : m.ticks) ticks[t.pos] = t.length;
  return ticks;
}

std::map<int, std::string> LabelMap(const RulerMarks& m) {
  std::map<int, std::string> labels;
  for (const RulerLabel& l : m.labels) labels[l.pos] = l.text;
  return labels;
}

TEST(Rulers, CentimetresAt72DotsPerInch) {
  RulerInput in;
  in.unit = 0;
  in.dpi = 72;
  in.span = 200;
  // 1:1: 28.35 pixels a centimetre, below 30, yet a label every 1 cm;
  // fifths of a centimetre (5.67 pixels) are the finest that fit.
  RulerMarks m = PaintRuler(in);
  std::map<int, std::string> labels = LabelMap(m);
  EXPECT_EQ(labels[0], "0");
  EXPECT_EQ(labels[28], "1");
  EXPECT_EQ(labels[57], "2");
  EXPECT_EQ(labels[198], "7");
  std::map<int, int> ticks = TickMap(m);
  EXPECT_EQ(ticks[0], kTickL15);
  EXPECT_EQ(ticks[6], kTickL4);   // 5.67
  EXPECT_EQ(ticks[11], kTickL4);  // 11.34
  EXPECT_EQ(ticks[23], kTickL4);  // 22.68
  EXPECT_EQ(ticks.count(3), 0u);
  EXPECT_EQ(m.ticks.size(), 8u + 7u * 4u);  // labels 0 .. 7, four ticks between each two
  // 1:2: 14.17 pixels a centimetre: a label every 2 cm, ticks every half.
  in.zoom = 2;
  m = PaintRuler(in);
  labels = LabelMap(m);
  EXPECT_EQ(labels[0], "0");
  EXPECT_EQ(labels[28], "2");
  EXPECT_EQ(labels[57], "4");
  ticks = TickMap(m);
  EXPECT_EQ(ticks[7], kTickL3);   // 0.5 cm
  EXPECT_EQ(ticks[14], kTickL8);  // 1 cm
  EXPECT_EQ(ticks[21], kTickL3);  // 1.5 cm
}

TEST(Rulers, CentimetresCloseUpShowTenthsAndHalfLabels) {
  RulerInput in;
  in.unit = 0;
  in.dpi = 254;  // 100 pixels a centimetre
  in.zoom = 0.25;  // 4:1: 400 pixels a centimetre
  in.span = 900;
  in.textHeight = 10;
  const RulerMarks m = PaintRuler(in);
  std::map<int, int> ticks = TickMap(m);
  EXPECT_EQ(ticks[40], kTickL3);
  EXPECT_EQ(ticks[200], kTickL8);
  EXPECT_EQ(ticks[400], kTickL15);
  std::map<int, std::string> labels = LabelMap(m);
  EXPECT_EQ(labels[200], "0.5");
  EXPECT_EQ(labels[600], "1.5");
  // Too little room for a half label: none.
  in.textHeight = 30;
  EXPECT_EQ(LabelMap(PaintRuler(in)).count(200), 0u);
}

TEST(Rulers, PixelsAtOneToOneAndScrolled) {
  RulerInput in;
  in.unit = 2;
  in.span = 120;
  // Labels every 50 pixels with nine sub-ticks every 5, all L4 (the
  // leading digit is 5).
  RulerMarks m = PaintRuler(in);
  std::map<int, std::string> labels = LabelMap(m);
  EXPECT_EQ(labels[0], "0");
  EXPECT_EQ(labels[50], "50");
  EXPECT_EQ(labels[100], "100");
  std::map<int, int> ticks = TickMap(m);
  for (int p = 5; p < 50; p += 5) EXPECT_EQ(ticks[p], kTickL4) << p;
  EXPECT_EQ(ticks[50], kTickL15);
  EXPECT_EQ(ticks.count(52), 0u);
  // The origin scrolled 120 pixels away: the first label seen is 150 at
  // 30, and the ticks before it keep their phase.
  in.scroll = 120;
  m = PaintRuler(in);
  ticks = TickMap(m);
  labels = LabelMap(m);
  EXPECT_EQ(labels[30], "150");
  EXPECT_EQ(ticks[0], kTickL4);
  EXPECT_EQ(ticks[25], kTickL4);
  EXPECT_EQ(ticks[30], kTickL15);
  // Left of the origin the distances are positive.
  in.scroll = 0;
  in.origin = 100;
  labels = LabelMap(PaintRuler(in));
  EXPECT_EQ(labels[0], "100");
  EXPECT_EQ(labels[50], "50");
  EXPECT_EQ(labels[100], "0");
}

TEST(Rulers, PixelStepsAndTheirSubTicks) {
  EXPECT_EQ(NiceStep(0), 1);
  EXPECT_EQ(NiceStep(1), 1);
  EXPECT_EQ(NiceStep(3), 2);
  EXPECT_EQ(NiceStep(4), 5);
  EXPECT_EQ(NiceStep(7), 5);
  EXPECT_EQ(NiceStep(8), 10);
  EXPECT_EQ(NiceStep(25), 20);
  EXPECT_EQ(NiceStep(400), 500);
  EXPECT_EQ(NiceStep(1600), 1000);
  EXPECT_EQ(NiceStep(3600), 2000);
  RulerInput in;
  in.unit = 2;
  in.span = 400;
  in.zoom = 8;  // 1:8: 400 image pixels would be 50 window pixels; 500 is the nice step
  EXPECT_EQ(LabelMap(PaintRuler(in))[63], "500");
  // 1:12: 500 image pixels (41.7 window) a label; it leads with 5, and
  // every 50 image pixels would be 4 window pixels: every 100, four ticks.
  in.zoom = 12;
  RulerMarks m = PaintRuler(in);
  std::map<int, int> ticks = TickMap(m);
  EXPECT_EQ(LabelMap(m)[42], "500");
  EXPECT_EQ(ticks[8], kTickL4);
  EXPECT_EQ(ticks[17], kTickL4);
  EXPECT_EQ(ticks[33], kTickL4);
  EXPECT_EQ(ticks.count(4), 0u);
  // 2000 at 1:40 leads with 20: every 200 (5 pixels), nine sub-ticks with
  // the middle one L6.
  in.zoom = 40;
  m = PaintRuler(in);
  ticks = TickMap(m);
  EXPECT_EQ(LabelMap(m)[50], "2000");
  EXPECT_EQ(ticks[5], kTickL4);
  EXPECT_EQ(ticks[25], kTickL6);
  // At 32:1 a label every 1 pixel would be 32 apart: step 1, no sub-ticks.
  in.zoom = 1.0 / 32;
  m = PaintRuler(in);
  EXPECT_EQ(LabelMap(m)[32], "1");
  EXPECT_EQ(TickMap(m).count(16), 0u);
}

TEST(Rulers, InchesAndPoints) {
  RulerInput in;
  in.unit = 1;
  in.dpi = 96;
  in.span = 200;
  // 96 pixels an inch: sixteenths (6 pixels) with the inch rule's lengths.
  RulerMarks m = PaintRuler(in);
  std::map<int, int> ticks = TickMap(m);
  EXPECT_EQ(LabelMap(m)[96], "1");
  EXPECT_EQ(ticks[48], kTickL8);
  EXPECT_EQ(ticks[24], kTickL6);
  EXPECT_EQ(ticks[12], kTickL5);
  EXPECT_EQ(ticks[6], kTickL4);
  // Points at 96 dpi: 96 / 2 = 48 pixels a label of 36 points.
  in.unit = 3;
  m = PaintRuler(in);
  EXPECT_EQ(LabelMap(m)[48], "36");
  EXPECT_EQ(LabelMap(m)[96], "72");
  // Points close up (4:1, 384 pixels an inch): 12 labels an inch of 6
  // points, in sixths of 5.3 pixels.
  in.zoom = 0.25;
  m = PaintRuler(in);
  EXPECT_EQ(LabelMap(m)[32], "6");
  EXPECT_EQ(LabelMap(m)[64], "12");
  EXPECT_EQ(TickMap(m)[5], kTickL4);
  // Inches far out (1:8 at 72 dpi: 9 pixels an inch): a label every 3
  // inches, divided in quarters (6.75 pixels).
  in.unit = 1;
  in.dpi = 72;
  in.zoom = 8;
  m = PaintRuler(in);
  EXPECT_EQ(LabelMap(m)[27], "3");
  EXPECT_EQ(TickMap(m)[7], kTickL4);
  EXPECT_EQ(TickMap(m)[14], kTickL8);
}

TEST(Rulers, ZeroPointRoundsHalvesAwayFromZero) {
  EXPECT_EQ(RulerZeroPoint(5, 2.0, 0), 3);    // 2.5 -> 3
  EXPECT_EQ(RulerZeroPoint(-5, 2.0, 0), -3);  // -2.5 -> -3
  EXPECT_EQ(RulerZeroPoint(10, 0.5, 7), 13);
  EXPECT_TRUE(PaintRuler(RulerInput{2, 0.0, 72, 0, 0, 100, 8}).ticks.empty());
  EXPECT_TRUE(PaintRuler(RulerInput{2, 1.0, 72, 0, 0, 0, 8}).ticks.empty());
}

TEST(Rulers, HitTestAndMarkers) {
  EXPECT_EQ(RulerHitTest(3, 3, 300, 200), 2);  // the corner first
  EXPECT_EQ(RulerHitTest(14, 14, 300, 200), 2);
  EXPECT_EQ(RulerHitTest(15, 3, 300, 200), 0);
  EXPECT_EQ(RulerHitTest(299, 14, 300, 200), 0);
  EXPECT_EQ(RulerHitTest(3, 15, 300, 200), 1);
  EXPECT_EQ(RulerHitTest(3, 199, 300, 200), 1);
  EXPECT_EQ(RulerHitTest(15, 15, 300, 200), 3);
  EXPECT_EQ(RulerHitTest(300, 3, 300, 200), 3);
  // A marker shows over the image only.
  EXPECT_EQ(RulerMarkerPosition(10, 15, 200, 0, 100), 25);
  EXPECT_EQ(RulerMarkerPosition(120, 15, 200, 0, 100), -1);  // past the image
  EXPECT_EQ(RulerMarkerPosition(10, 15, 200, -20, 100), -1);  // centred: left of it
  EXPECT_EQ(RulerMarkerPosition(30, 15, 200, -20, 100), 45);
  EXPECT_EQ(RulerMarkerPosition(-1, 15, 200, 0, 100), -1);
}

}  // namespace
}  // namespace lumora
