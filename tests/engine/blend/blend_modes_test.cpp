// Merge-mode names and lookups, the blend functions' worked values, the
// mode parameter and the Dissolve pattern.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "engine/blend/BlendContext.h"
#include "engine/blend/BlendModes.h"
#include "engine/blend/MergeModes.h"

namespace {

using namespace lumora;

TEST(MergeModes, NamesAndCodesMapBothWays) {
  const char* names[kMergeModeCount] = {
      "Normal",    "Darken",      "Lighten",    "Hue",     "Saturation", "Color",      "Luminosity",
      "Multiply",  "Screen",      "Dissolve",   "Overlay", "Hard Light", "Soft Light", "Difference",
      "Exclusion", "Color Dodge", "Color Burn", "Add",     "Subtract"};
  const int ids[kMergeModeCount] = {16, 47, 72, 148, 149, 150,   184,   22,  23, 21,
                                    24, 45, 25, 84,  90,  10078, 10079, 185, 186};
  for (int code = 0; code < kMergeModeCount; ++code) {
    EXPECT_EQ(GetMergeModeName(code), names[code]);
    EXPECT_EQ(GetMergeModeByName(names[code]), code);
    EXPECT_EQ(kMergeModeNames[code].code, code);
    EXPECT_EQ(kMergeModeNames[code].stringId, ids[code]);
  }
}

TEST(MergeModes, UnknownCodesAndNames) {
  EXPECT_EQ(GetMergeModeName(19), "");
  EXPECT_EQ(GetMergeModeName(-1), "");
  EXPECT_EQ(GetMergeModeByName("normal"), 0);  // case-sensitive, falls back to Normal
  EXPECT_EQ(GetMergeModeByName("Color Burn"), 16);
  EXPECT_EQ(GetMergeModeByName("Color Burn "), 0);  // no trimming
  EXPECT_EQ(GetMergeModeByName(""), 0);
}

struct ChannelCase {
  int mode;
  int a;  // layer
  int b;  // underlying
  int expected;
  std::uint32_t parameter = 255;
};

// Worked values of the per-channel formulas (integer division truncating
// toward zero), including those the formulas are known by.
TEST(BlendFunctions, WorkedValues) {
  const ChannelCase cases[] = {
      {kMergeNormal, 17, 200, 17},
      {kMergeDarken, 30, 200, 30},
      {kMergeLighten, 30, 200, 200},
      {kMergeMultiply, 255, 255, 255},
      {kMergeMultiply, 128, 128, 64},
      {kMergeScreen, 128, 128, 192},
      {kMergeOverlay, 200, 100, 178},
      {kMergeOverlay, 0, 128, 0},  // (255 - 256) * 128 / 255 truncates to 0
      {kMergeHardLight, 255, 0, 253},
      {kMergeHardLight, 100, 200, 157},
      {kMergeSoftLight, 0, 0, 0},
      {kMergeSoftLight, 255, 255, 208},
      {kMergeSoftLight, 200, 100, 126},
      {kMergeSoftLight, 50, 30, 13},
      {kMergeDifference, 30, 200, 170},
      {kMergeExclusion, 255, 255, 2},
      {kMergeExclusion, 100, 50, 110},
      {kMergeColorDodge, 100, 100, 178},
      {kMergeColorDodge, 255, 255, 255},
      {kMergeColorBurn, 128, 128, 65},  // the ceiling where Multiply gives the floor
      {kMergeAdd, 200, 100, 255, PackScaleOffset(10000, 0)},
      {kMergeAdd, 100, 50, 85, PackScaleOffset(20000, -10)},
      {kMergeSubtract, 100, 50, 0, PackScaleOffset(10000, 0)},  // b - a < 0
      {kMergeSubtract, 50, 200, 150, PackScaleOffset(10000, 0)},
      {kMergeSubtract, 10, 200, 96, PackScaleOffset(15000, 30)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GetMergeModeName(c.mode) + " " + std::to_string(c.a) + " over " +
                 std::to_string(c.b));
    EXPECT_EQ(BlendChannel(c.mode, c.a, c.b, c.parameter), c.expected);
    // 8-bit packing: the value in bits 0-7.
    const std::uint32_t r = GetBlendFunction(c.mode)(c.a, c.b, c.parameter);
    EXPECT_EQ(r & 255u, static_cast<std::uint32_t>(c.expected));
  }
}

TEST(BlendFunctions, SeparableModesBlendEachChannelOnItsOwn) {
  // Layer (red 10, green 128, blue 250) over (red 200, green 128, blue 5),
  // packed blue << 16 | green << 8 | red.
  const std::uint32_t s = 250u << 16 | 128u << 8 | 10u;
  const std::uint32_t d = 5u << 16 | 128u << 8 | 200u;
  for (const auto& mode : kBlendModes) {
    if (!mode.separable) continue;
    const std::uint32_t r = mode.function(s, d, 255);
    EXPECT_EQ(r & 255u, static_cast<std::uint32_t>(BlendChannel(mode.code, 10, 200, 255)));
    EXPECT_EQ((r >> 8) & 255u, static_cast<std::uint32_t>(BlendChannel(mode.code, 128, 128, 255)));
    EXPECT_EQ((r >> 16) & 255u, static_cast<std::uint32_t>(BlendChannel(mode.code, 250, 5, 255)));
    EXPECT_EQ(r >> 24, 0u);
  }
}

TEST(BlendFunctions, HlsModesTakeTheirComponentsFromEachPixel) {
  const std::uint32_t red = 255u;         // hue 0, saturation 256, lightness 128
  const std::uint32_t blue = 255u << 16;  // hue 1024
  const std::uint32_t grey200 = 200u << 16 | 200u << 8 | 200u;  // saturation 0, lightness 200
  // Hue of red on blue: red.
  EXPECT_EQ(GetBlendFunction(kMergeHue)(red, blue, 255), red);
  EXPECT_EQ(GetBlendFunction(kMergeHue)(blue, red, 255), blue);
  // Lightness 200 with red's hue and saturation: m2 = 256, m1 = 144.
  EXPECT_EQ(GetBlendFunction(kMergeLuminosity)(grey200, red, 255), 144u << 16 | 144u << 8 | 255u);
  // Saturation 0 from the grey layer leaves red's lightness as grey 128.
  EXPECT_EQ(GetBlendFunction(kMergeSaturation)(grey200, red, 255), 128u << 16 | 128u << 8 | 128u);
  // Color: hue and saturation of red at the grey's lightness 200.
  EXPECT_EQ(GetBlendFunction(kMergeColor)(red, grey200, 255), 144u << 16 | 144u << 8 | 255u);
  // An 8-bit value is red with green and blue 0: lightness (200 + 1) / 2
  // with red's hue and saturation.
  EXPECT_EQ(GetBlendFunction(kMergeLuminosity)(200, 255, 255), 200u);
}

TEST(BlendFunctions, CodesOutsideTheTableBlendAsNormal) {
  EXPECT_EQ(GetBlendFunction(19), GetBlendFunction(kMergeNormal));
  EXPECT_EQ(GetBlendFunction(-1), GetBlendFunction(kMergeNormal));
  EXPECT_EQ(&GetBlendMode(1000), &kBlendModes[kMergeNormal]);
}

TEST(BlendContext, ModeParameterIsTheOpacityOrTheScaleAndOffset) {
  BlendContext ctx;
  ctx.SetOpacity(77);
  ctx.mergeMode = kMergeMultiply;
  EXPECT_EQ(ctx.ModeParameter(), 77u);
  ctx.mergeMode = kMergeAdd;
  ctx.addScale = 12345;
  ctx.addOffset = -20;
  EXPECT_EQ(ctx.ModeParameter(), PackScaleOffset(12345, -20));
  ctx.mergeMode = kMergeSubtract;
  ctx.subtractScale = 0;  // never stored by the setters; the parameter still divides safely
  EXPECT_EQ(ctx.ModeParameter() >> 16, 10000u);
  // The chosen function wins over the merge mode.
  ctx.blendFunction = &GetBlendMode(kMergeScreen);
  EXPECT_EQ(ctx.ModeParameter(), 77u);
  EXPECT_EQ(ctx.EffectiveMode().code, kMergeScreen);
}

TEST(BlendContext, OpacityTableFollowsTheOpacity) {
  BlendContext ctx;
  for (int op : {0, 1, 128, 254, 255}) {
    ctx.SetOpacity(static_cast<std::uint8_t>(op));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ctx.OpacityTable()[i], i * op / 255);
  }
}

TEST(BlendContext, BlendIfTables) {
  BlendContext ctx;
  EXPECT_EQ(ctx.blendIfActive, 0u);
  for (int k = 0; k < 8; ++k) {
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ctx.blendIfTables[k][i], 255);
  }
  const std::uint8_t range[4] = {50, 100, 150, 200};
  std::copy(range, range + 4, ctx.blendIfRanges[5]);
  ctx.RebuildBlendIfTables();
  EXPECT_EQ(ctx.blendIfActive, 1u);
  const auto& t = ctx.blendIfTables[5];
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[50], 0);
  EXPECT_EQ(t[75], 127);
  for (int i = 100; i <= 150; ++i) EXPECT_EQ(t[i], 255);
  EXPECT_EQ(t[175], 128);
  EXPECT_EQ(t[200], 0);
  EXPECT_EQ(t[255], 0);
  // b0 = b1: no ramp up, a step.
  const std::uint8_t step[4] = {80, 80, 255, 255};
  std::copy(step, step + 4, ctx.blendIfRanges[5]);
  ctx.RebuildBlendIfTables();
  EXPECT_EQ(t[79], 0);
  EXPECT_EQ(t[80], 255);
  // One byte off the full range is enough to activate blend-if.
  ctx.ResetBlendIf();
  EXPECT_EQ(ctx.blendIfActive, 0u);
  ctx.blendIfRanges[0][3] = 254;
  ctx.RebuildBlendIfTables();
  EXPECT_EQ(ctx.blendIfActive, 1u);
}

TEST(Dissolve, PatternIsStableAndFollowsTheOpacity) {
  const std::uint64_t id = 42;
  int kept = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 256; ++x) {
      const bool k = DissolveKeeps(id, 128, x, y);
      ASSERT_EQ(k, DissolveKeeps(id, 128, x, y));
      kept += k ? 1 : 0;
      ASSERT_TRUE(DissolveKeeps(id, 255, x, y));
      ASSERT_FALSE(DissolveKeeps(id, 0, x, y));
    }
  }
  // About half of 16384 pixels at opacity 128 (128 / 255 = 50.2 %).
  EXPECT_NEAR(kept, 8224, 400);
  // Another layer has another pattern.
  int same = 0;
  for (int x = 0; x < 1024; ++x)
    same += DissolveKeeps(id, 128, x, 0) == DissolveKeeps(id + 1, 128, x, 0);
  EXPECT_LT(same, 600);
}

}  // namespace
