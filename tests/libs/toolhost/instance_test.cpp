// The registry, tool instances with their slots, and runs limited by a
// fragment, against the filters run directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "libs/toolhost/AreaTools.h"
#include "libs/toolhost/Filters.h"
#include "libs/toolhost/Registry.h"
#include "res/StringTable.h"

namespace {

using lumora::toolhost::ConstImageView;
using lumora::toolhost::ImageView;
using VrWA2000::WA;

WA* RandomWA(int type, int w, int h, unsigned seed) {
  WA* wa = new WA(type, w, h, static_cast<const PALETTEENTRY*>(nullptr), false);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < wa->GetBPLine(); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(rng());
  return wa;
}

int Channels(const WA* wa) { return wa->GetType() == 16 ? 3 : 1; }
ConstImageView View(const WA* wa) { return {wa->Bits(), wa->GetW(), wa->GetH(), wa->GetBPLine(), Channels(wa)}; }
ImageView View(WA* wa) { return {wa->Bits(), wa->GetW(), wa->GetH(), wa->GetBPLine(), Channels(wa)}; }

TEST(ToolRegistry, NumbersFollowTheTableFromOne) {
  const char* names[] = {"vr_rsmooth",   "minimum_effect", "maximum_effect", "median_filt", "sharp_filt",
                         "heavysharp_filt", "outline_filt", "emboss_effect",  "Noise",       "Crop_Tool",
                         "grayscale_conv", "invert_conv", "brightness_adj", "contrast_adj", "posterize_adj",
                         "graham_filt", "Canvas", "Cracks", "Mosaic", "Padding", "Eroded", "hand_drawing",
                         "tornado_drawing", "facetted_effect", "graphic_pen", "art_autobrush", "art_patch",
                         "art_oilpaint", "WashOut", "vr_Facet2", "vr_Facet1", "vr_NotePaper", "vr_3DMosaic",
                         "vr_ColorRelief", "Blot", "EarthQuake", "vr_pagec", "RandomDeformations", "Rubber",
                         "Deformations", "Distort", "Convert_Grey", "Convert_TrueColor",
                         // The area types follow, in the area tools' order.
                         "Area_Whole", "Area_Rect", "Area_Ellipse", "Area_Poly", "Area_Wand", "Area_Line",
                         "Area_Pen", "Area_NewText", "Area_SmartS"};
  int tool = 0;
  for (const char* name : names) {
    // The crop tool is interactive (kind 3), the area types kind 4, the
    // others processing tools.
    const bool area = std::strncmp(name, "Area_", 5) == 0;
    const std::uint32_t kind = std::strcmp(name, "Crop_Tool") == 0 ? 3u : area ? 4u : 1u;
    tool = LUGetRegToolItem(nullptr, tool);
    ASSERT_NE(tool, 0) << name;
    char buffer[80];
    ASSERT_TRUE(LUGetRegToolIDName(nullptr, tool, 1, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, name);
    EXPECT_EQ(LUGetRegToolIDNumber(nullptr, name, 0), tool);
    LU_REGTOOLINFO info{};
    ASSERT_TRUE(LUGetRegToolInfo(nullptr, tool, 1, &info));
    EXPECT_EQ(info.flags & 7, kind);
    // Offered as default area managers.
    if (area) EXPECT_EQ(info.flags & 0x40004, 0x40004u);
    EXPECT_TRUE(LUGetRegToolGroupName(nullptr, tool, 1, buffer, sizeof buffer));
    EXPECT_TRUE(LUGetRegToolMenuName(nullptr, tool, 1, buffer, sizeof buffer));
    EXPECT_NE(std::strlen(buffer), 0u);
    ASSERT_NE(LUGetRegToolInterface(nullptr, tool, 1), nullptr);
    EXPECT_EQ(LUGetRegToolInterface(nullptr, tool, 1)(2), -1) << "no help of its own";
  }
  EXPECT_EQ(LUGetRegToolItem(nullptr, tool), 0);
  EXPECT_EQ(LUGetRegToolIDNumber(nullptr, "no_such_tool", 0), 0);
  LU_REGTOOLINFO info{};
  EXPECT_FALSE(LUGetRegToolInfo(nullptr, 0, 1, &info));
  EXPECT_FALSE(LUGetRegToolInfo(nullptr, tool + 1, 1, &info));

  char small[4];
  ASSERT_TRUE(LUGetRegToolIDName(nullptr, 1, 1, small, sizeof small));
  EXPECT_STREQ(small, "vr_");

  EXPECT_TRUE(LULockRegToolLibrary(nullptr, 2, 1));
  EXPECT_TRUE(LUUnlockRegToolLibrary(nullptr, 2, 1));
  EXPECT_FALSE(LUUnlockRegToolLibrary(nullptr, 2, 1)) << "no unlock without a lock";
  EXPECT_FALSE(LULockRegToolLibrary(nullptr, 99, 1));
}

// Every selection tool is an area type of the registry (listed as a
// default area manager, with its prompt and tip), and an area
// type is never made into a tool to run.
TEST(ToolRegistry, AreaTypesNameTheSelectionToolsAndAreNeverMade) {
  for (const lumora::toolhost::AreaToolEntry& area : lumora::toolhost::AreaToolTable()) {
    SCOPED_TRACE(area.name);
    const int number = LUGetRegToolIDNumber(nullptr, area.name, 0);
    ASSERT_NE(number, 0);
    LU_REGTOOLINFO info{};
    ASSERT_TRUE(LUGetRegToolInfo(nullptr, number, 1, &info));
    EXPECT_EQ(info.flags & 7, 4u);
    // Its prompt and its tip, the menu name without the '&'.
    EXPECT_FALSE(res::String(static_cast<std::uint32_t>(info.baseStringId + 3)).empty());
    char menuName[80] = {};
    ASSERT_TRUE(LUGetRegToolMenuName(nullptr, number, 1, menuName, sizeof menuName));
    std::string plain;
    for (const char* c = menuName; *c != 0; ++c) {
      if (*c != '&') plain += *c;
    }
    EXPECT_EQ(res::String(static_cast<std::uint32_t>(info.baseStringId + 4)), plain);
    char group[80] = {};
    ASSERT_TRUE(LUGetRegToolGroupName(nullptr, number, 1, group, sizeof group));
    EXPECT_STREQ(group, "") << "straight in Default Area Type";
    LUResetError();
    EXPECT_EQ(LUCreateTool(nullptr, area.name), nullptr);
    EXPECT_EQ(LUGetErrorState().code, kLUErrNoTool);
  }
}

TEST(ToolSlots, OwnParametersByRangeAndProtocolSlots) {
  LUResetError();
  EXPECT_EQ(LUCreateTool(nullptr, "nothing"), nullptr);
  LUTool* tool = LUCreateTool(nullptr, "median_filt");
  ASSERT_NE(tool, nullptr);
  int v = 0;
  ASSERT_EQ(LUGetParameter(tool, 0, 0, &v), 0);
  EXPECT_EQ(v, 3) << "defaults";
  const int five = 5, zero = 0, big = 256, two = 2, three = 3;
  EXPECT_EQ(LUSetParameter(tool, 0, 0, &five), 0);
  LUGetParameter(tool, 0, 0, &v);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(LUSetParameter(tool, 1, 0, &zero), kLUErrBadValue);
  EXPECT_EQ(LUSetParameter(tool, 1, 0, &big), kLUErrBadValue);
  EXPECT_EQ(LUGetErrorState().code, kLUErrBadValue) << "refusals are recorded";
  EXPECT_EQ(LUSetParameter(tool, 1, 0, nullptr), kLUErrBadValue);
  EXPECT_EQ(LUSetParameter(tool, 4, 0, &five), kLUErrBadSlot);
  EXPECT_EQ(LUSetParameter(tool, -30, 0, &five), kLUErrBadSlot);
  EXPECT_EQ(LUSetParameter(tool, kLUSlotRunKind, 0, &two), 0);
  EXPECT_EQ(LUSetParameter(tool, kLUSlotRunKind, 0, &three), kLUErrBadValue);
  EXPECT_EQ(LUSetParameter(tool, kLUSlotLayerFlags, 0, &five), 0);
  LUGetParameter(tool, kLUSlotLayerFlags, 0, &v);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(LUGetParamDimension(tool, 3), 1);
  EXPECT_EQ(LUGetParamDimension(tool, 4), 0);
  EXPECT_EQ(LUGetParamDimension(tool, kLUSlotResultRect), 4);
  RECT r;
  EXPECT_EQ(LUGetParameter(tool, kLUSlotResultRect, 0, &r), kLUErrBadSlot) << "no result before a run";
  EXPECT_EQ(LUToolExecute(tool, 0, 2, 0, 0), kLUErrNoSource);
  LUDeleteTool(tool);
  LUResetError();
}

TEST(ToolSlots, CountedBuffersAndFragmentsAreReleasedOnce) {
  WA* a = RandomWA(16, 8, 6, 1);
  WA* b = RandomWA(16, 8, 6, 2);
  LUTool* tool = LUCreateTool(nullptr, "vr_rsmooth");
  ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, a), 0);
  EXPECT_EQ(a->GetRefCount(), 2);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, b), 0);
  EXPECT_EQ(a->GetRefCount(), 1) << "the replaced buffer is let go";
  EXPECT_EQ(b->GetRefCount(), 2);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, b), 0);
  EXPECT_EQ(b->GetRefCount(), 2) << "setting the same buffer again keeps one reference";
  WA* got = nullptr;
  ASSERT_EQ(LUGetParameter(tool, kLUSlotSource, 0, &got), 0);
  EXPECT_EQ(got, b);
  EXPECT_EQ(b->GetRefCount(), 3);
  got->Release();
  ASSERT_EQ(LUSetParameter(tool, kLUSlotOutput, 0, a), 0);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotOutput, 0, nullptr), 0);
  EXPECT_EQ(a->GetRefCount(), 1);

  const LURECT rect{1, 1, 3, 3};
  Fragment* frg = CreateRectFrg(&rect, 0);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotLimit, 0, frg), 0);
  DeleteFragment(frg);  // the instance keeps its own reference
  void* back = nullptr;
  ASSERT_EQ(LUGetParameterByRef(tool, kLUSlotLimit, 0, &back), 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(GetFragmentType(static_cast<Fragment*>(back)), kFrgRect);
  DeleteFragment(static_cast<Fragment*>(back));
  ASSERT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0);
  Fragment* out = LUGetOutFrg(tool);
  ASSERT_NE(out, nullptr);
  DeleteFragment(out);
  LUDeleteTool(tool);
  EXPECT_EQ(b->GetRefCount(), 1);
  a->Release();
  b->Release();
  // Leaks and double releases show under the address sanitizer.
}

// Runs a tool with parameters on a copy of src, optionally limited.
WA* RunTool(const char* name, const WA* src, std::initializer_list<int> params, Fragment* limit = nullptr,
            int* code = nullptr) {
  WA* work = new WA(*src, false);
  LUTool* tool = LUCreateTool(nullptr, name);
  int slot = 0;
  for (int p : params) EXPECT_EQ(LUSetParameter(tool, slot++, 0, &p), 0);
  LUSetParameter(tool, kLUSlotSource, 0, work);
  if (limit != nullptr) LUSetParameter(tool, kLUSlotLimit, 0, limit);
  const int result = LUToolExecute(tool, 0, 2, 0, 0);
  if (code != nullptr) *code = result;
  else EXPECT_EQ(result, 0) << name;
  LUDeleteTool(tool);
  return work;
}

void ExpectEqualPixels(const WA* a, const WA* b) {
  const int bytes = a->GetW() * Channels(a);
  for (int y = 0; y < a->GetH(); ++y) ASSERT_EQ(std::memcmp(a->Row(y), b->Row(y), bytes), 0) << "row " << y;
}

TEST(ToolRun, EachToolMatchesItsFilterOnGreyAndColour) {
  using namespace lumora::toolhost;
  struct Case {
    const char* name;
    std::initializer_list<int> params;
    void (*direct)(const ConstImageView&, const ImageView&);
  };
  const Case cases[] = {
      {"vr_rsmooth", {5, 3, 0, 0}, [](const ConstImageView& s, const ImageView& d) { MeanFilter(s, d, 5, 3); }},
      {"minimum_effect", {3, 3, 0, 0}, [](const ConstImageView& s, const ImageView& d) { MinimumFilter(s, d, 3, 3); }},
      {"maximum_effect", {2, 4, 0, 0}, [](const ConstImageView& s, const ImageView& d) { MaximumFilter(s, d, 2, 4); }},
      {"median_filt", {3, 3, 10, 0}, [](const ConstImageView& s, const ImageView& d) {
         MedianFilter(s, d, 3, 3);
         LimitChange(s, d, 10, 0);
       }},
      {"sharp_filt", {3, 3, 0, 50}, [](const ConstImageView& s, const ImageView& d) {
         UnsharpFilter(s, d, 3, 3, 4);
         LimitChange(s, d, 0, 50);
       }},
      {"heavysharp_filt", {3, 3, 0, 0}, [](const ConstImageView& s, const ImageView& d) { UnsharpFilter(s, d, 3, 3, 10); }},
      {"outline_filt", {3, 3, 0, 0}, [](const ConstImageView& s, const ImageView& d) { OutlineFilter(s, d, 3, 3); }},
      // A 3 x 3 window embosses as the filter does at 135 degrees.
      {"emboss_effect", {3, 3, 0, 0, 0x404040}, [](const ConstImageView& s, const ImageView& d) { EmbossFilter(s, d, 135, 0x404040); }},
      {"Noise", {30, 60, 50}, [](const ConstImageView& s, const ImageView& d) { NoiseFilter(s, d, 30, 60, 50); }},
  };
  for (int type : {8, 16}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(type));
      WA* src = RandomWA(type, 21, 14, 3);
      WA* expected = new WA(*src, false);
      c.direct(View(static_cast<const WA*>(src)), View(expected));
      WA* got = RunTool(c.name, src, c.params);
      ExpectEqualPixels(got, expected);
      got->Release();
      expected->Release();
      src->Release();
    }
  }
}

TEST(ToolRun, PaletteImagesAreRefusedWith114) {
  WA* src = RandomWA(4, 8, 8, 5);
  int code = 0;
  WA* got = RunTool("vr_rsmooth", src, {3, 3, 0, 0}, nullptr, &code);
  EXPECT_EQ(code, kLUErrNotFromScript);
  ExpectEqualPixels(got, src);
  got->Release();
  src->Release();
  LUResetError();
}

TEST(ToolRun, LimitedRunsMixWithTheOriginalByCoverage) {
  WA* src = RandomWA(16, 20, 16, 9);
  WA* full = RunTool("maximum_effect", src, {3, 3, 0, 0});

  // A hard rectangle: its pixels change, no others; the out rectangle is it.
  const LURECT rect{4, 3, 6, 5};
  Fragment* frg = CreateRectFrg(&rect, 0);
  WA* limited = RunTool("maximum_effect", src, {3, 3, 0, 0}, frg);
  RECT changed{};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 4 && x < 10 && y >= 3 && y < 8;
      const WA* expect = inside ? full : src;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(limited->Row(y)[x * 3 + c], expect->Row(y)[x * 3 + c]) << x << "," << y;
    }
  LUTool* tool = LUCreateTool(nullptr, "maximum_effect");
  LUSetParameter(tool, kLUSlotSource, 0, limited);
  LUSetParameter(tool, kLUSlotLimit, 0, frg);
  ASSERT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0);
  ASSERT_TRUE(LUGetOutRectE(tool, &changed));
  EXPECT_EQ(changed.left, 4);
  EXPECT_EQ(changed.top, 3);
  EXPECT_EQ(changed.right, 10);
  EXPECT_EQ(changed.bottom, 8);
  LUDeleteTool(tool);

  // Inverted: everything but the rectangle.
  SetFrgInversion(frg, 1);
  WA* outside = RunTool("maximum_effect", src, {3, 3, 0, 0}, frg);
  EXPECT_EQ(outside->Row(5)[5 * 3], src->Row(5)[5 * 3]);
  EXPECT_EQ(outside->Row(0)[0], full->Row(0)[0]);
  DeleteFragment(frg);

  // A soft mask of 128 everywhere: orig + round((result - orig) * 128 / 255).
  WA* maskBits = new WA(8, 20, 16, static_cast<const PALETTEENTRY*>(nullptr), false);
  for (int y = 0; y < 16; ++y) std::memset(maskBits->Row(y), 128, 20);
  Fragment* soft = CreateMaskUsingWA(maskBits, 0, 0);
  maskBits->Release();
  WA* mixed = RunTool("maximum_effect", src, {3, 3, 0, 0}, soft);
  DeleteFragment(soft);
  for (int y = 0; y < 16; ++y)
    for (int i = 0; i < 60; ++i) {
      const int o = src->Row(y)[i], r = full->Row(y)[i];
      ASSERT_EQ(mixed->Row(y)[i], o + static_cast<int>(std::lround((r - o) * 128 / 255.0))) << y << "," << i;
    }
  mixed->Release();
  outside->Release();
  limited->Release();
  full->Release();
  src->Release();
}

TEST(ToolRun, IntoAnOutputBufferLeavesTheSource) {
  WA* src = RandomWA(8, 12, 9, 4);
  WA* copy = new WA(*src, false);
  WA* out = new WA(8, 12, 9, static_cast<const PALETTEENTRY*>(nullptr), false);
  WA* wrong = new WA(8, 5, 9, static_cast<const PALETTEENTRY*>(nullptr), false);
  LUTool* tool = LUCreateTool(nullptr, "vr_rsmooth");
  LUSetParameter(tool, kLUSlotSource, 0, src);
  LUSetParameter(tool, kLUSlotOutput, 0, wrong);
  EXPECT_EQ(LUToolExecute(tool, 0, 2, 0, 0), kLUErrBadValue) << "an output of another size";
  LUSetParameter(tool, kLUSlotOutput, 0, out);
  ASSERT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0);
  LUDeleteTool(tool);
  ExpectEqualPixels(src, copy);
  lumora::toolhost::MeanFilter(View(static_cast<const WA*>(copy)), View(copy), 3, 3);
  ExpectEqualPixels(out, copy);
  for (WA* w : {src, copy, out, wrong}) w->Release();
  LUResetError();
}

}  // namespace
