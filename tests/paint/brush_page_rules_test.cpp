// The brush pages' rules: the width check, the insert list, edge sizes,
// presets taken from and applied to a page, their removal, and the shape
// store's file names.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/unique_temp_folder.h"
#include "engine/pixels/WAccess.h"
#include "paint/BrushFile.h"
#include "paint/BrushPageRules.h"

namespace {

TEST(BrushPageRules, WidthCheck) {
  struct Case {
    int width;
    bool custom;
    int typed;
    bool wantCustom;
    int wantIndex, wantWidth;
  };
  const Case cases[] = {
      {0, false, 12, false, 0, 1},   // below 1: 1 in standard mode
      {-5, true, 30, false, 0, 1},   // below 1 even in custom mode: 1, standard
      {20, true, 30, true, 0, 30},   // custom: the typed width is the width
      {4, false, 12, true, 0, 4},    // not predefined: custom with 4 typed
      {5, false, 12, false, 2, 5},   // the third predefined width
      {11, false, 12, false, 5, 11},
      {9, true, 9, true, 4, 9},      // custom at a predefined width keeps custom
  };
  for (const Case& c : cases) {
    const paint::WidthState s = paint::CheckWidth(c.width, c.custom, c.typed);
    EXPECT_EQ(s.custom, c.wantCustom) << c.width;
    EXPECT_EQ(s.index, c.wantIndex) << c.width;
    EXPECT_EQ(s.width, c.wantWidth) << c.width;
  }
}

TEST(BrushPageRules, InsertListWithSeparatorsAndTheColourModesOnlyUnrestricted) {
  const auto full = paint::InsertModeItems(false);
  const auto grey = paint::InsertModeItems(true);
  std::vector<int> codes;
  for (const auto& item : full) codes.push_back(item.code);
  EXPECT_EQ(codes, (std::vector<int>{0, 9, -1, 7, 8, 10, 12, 11, -1, 15, 16, -1, 1, 2, 13, 14, -1, 3, 4, 5, 6}));
  for (const auto& item : full) {
    if (item.code < 0) EXPECT_EQ(item.text, "_");
    EXPECT_NE(item.code, 17) << "Add is never offered";
    EXPECT_NE(item.code, 18) << "Subtract is never offered";
  }
  ASSERT_EQ(grey.size(), 16u);
  EXPECT_EQ(grey.back().code, 14) << "a grey list ends with Exclusion";
  EXPECT_EQ(full[0].text, "Normal");
  // A colour mode chosen before falls back to Normal in a restricted list.
  const std::string hue = full[17].text;
  EXPECT_EQ(paint::FindInsertItem(full, hue), 17);
  EXPECT_EQ(paint::FindInsertItem(grey, hue), 0);
  EXPECT_EQ(paint::FindInsertItem(full, "_"), 0) << "a separator is never chosen";
}

TEST(BrushPageRules, EdgeSizeInPixelsOrPercentOfTheWidth) {
  paint::EdgeValues edge;
  edge.sizeIndex = 2;
  EXPECT_EQ(paint::EdgeSizeFor(edge, 40), 10);
  edge.absolute = 0;
  EXPECT_EQ(paint::EdgeSizeFor(edge, 40), 8);  // 20 % of 40
  edge.sizes[6] = 65535;
  EXPECT_EQ(paint::EdgeSizeFor(edge, 99), 255) << "clamped to a byte";
}

TEST(BrushPageRules, PresetsRoundTripAndRemovalRenumbers) {
  paint::PageSettings s;
  s.shape = 3;
  s.paper = 0;  // none
  s.width = 4;
  s.opacity = 60;
  s.insertMode = 7;
  s.params = {1, 2, 3, 4, 5, 6};
  s.edge.sizeIndex = 1;
  paint::PB_PREDEFITEM preset;
  paint::FillPresetFromSettings(&preset, s);
  EXPECT_EQ(preset.paper, -1) << "none is stored as -1";
  paint::PageSettings back;
  paint::ApplyPresetToSettings(preset, &back);
  EXPECT_EQ(back.paper, 0u);
  EXPECT_EQ(back.customWidth, 1u) << "a width of 4 is typed in";
  EXPECT_EQ(back.typedWidth, 4u);
  EXPECT_EQ(back.width, 4u);
  EXPECT_EQ(back.params, s.params);
  EXPECT_EQ(back.edge, s.edge);
  preset.width = 5;
  paint::ApplyPresetToSettings(preset, &back);
  EXPECT_EQ(back.customWidth, 0u);
  EXPECT_EQ(back.widthIndex, 2u);

  std::vector<std::unique_ptr<paint::PREDEFITEM>> presets;
  for (const char* name : {"A", "B", "A", "C"}) {
    presets.push_back(std::make_unique<paint::PB_PREDEFITEM>());
    presets.back()->name = name;
    presets.back()->index = static_cast<int>(presets.size()) - 1;
  }
  EXPECT_EQ(paint::FindPresetToRemove(presets, 2, "A"), 2) << "the selected one first";
  EXPECT_EQ(paint::FindPresetToRemove(presets, 1, "A"), 0) << "else the first from the top";
  EXPECT_EQ(paint::FindPresetToRemove(presets, 0, "Z"), -1);
  ASSERT_TRUE(paint::RemovePresetAt(&presets, 1));
  EXPECT_FALSE(paint::RemovePresetAt(&presets, 3));
  ASSERT_EQ(presets.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(presets[i]->index, i);
  EXPECT_EQ(presets[2]->name, "C");
}

TEST(BrushPageRules, PresetNames) {
  const std::vector<std::string> used{"Settings", "Soft"};
  EXPECT_EQ(paint::CheckPresetName("S", used), paint::kMsgNameTooShort);
  EXPECT_EQ(paint::CheckPresetName("", used), paint::kMsgNameTooShort);
  EXPECT_EQ(paint::CheckPresetName("Ab", used), 0u) << "two characters pass";
  EXPECT_EQ(paint::CheckPresetName("Soft", used), paint::kMsgPresetNameUsed);
  EXPECT_EQ(paint::CheckPresetName("soft", used), 0u) << "names differing in case do not clash";
}

// The shape store writes brush\brushN.bmp (the paper store paper\paperN);
// entries of older files keep their own names and still load.
TEST(BrushPageRules, ShapeStoreFilesAreNamedBrush) {
  const auto dir = lumora::testing::MakeUniqueTempFolder("lumora-shape-prefix-");
  {
    paint::BrushFile file(dir.string());
    EXPECT_EQ(file.brushFiles.Prefix, "brush");
    WAPtr grey = WAPtr::Adopt(new VrWA2000::WA(kWAType8Grey, 4, 4, static_cast<const PALETTEENTRY*>(nullptr), false));
    ASSERT_EQ(file.brushFiles.AddImage(grey.get(), "Dot", false), 0);
    EXPECT_EQ(file.brushFiles.GetItem(0)->File, "brush\\brush0.bmp");
    EXPECT_TRUE(std::filesystem::exists(dir / "brush" / "brush0.bmp"));
    file.brushFiles.AppendItem("brush\\br0.bmp", "Old");
    EXPECT_EQ(file.brushFiles.GetItem(1)->File, "brush\\br0.bmp");
  }
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

TEST(BrushPageRules, NewShapeOrPaperNeedsANameOfTwoAFileNameAndAFreeName) {
  const std::vector<std::string> existing{"Paper", "Stone 2"};
  struct Case {
    const char* name;
    const char* source;
    std::uint32_t refusal;
  };
  const Case cases[] = {{"A", "C:\\img\\a.png", paint::kMsgNameTooShort},
                        {"Ab", "C:\\img\\a.png", 0},
                        {"Ab", "C:\\img\\", paint::kMsgBadPathName},
                        {"Ab", "C:", paint::kMsgBadPathName},
                        {"Ab", "", paint::kMsgBadPathName},
                        {"Paper", "a.png", paint::kMsgImageNameUsed},
                        {"paper", "a.png", 0},  // names differing in case do not clash
                        {"Stone 2", "/tmp/x.bmp", paint::kMsgImageNameUsed}};
  for (const Case& c : cases) EXPECT_EQ(paint::CheckImageEntry(c.name, c.source, existing), c.refusal) << c.name << " " << c.source;
}

TEST(BrushPageRules, UniqueItemNamesCountOnFromTheSelectedEntry) {
  const std::vector<std::string> store{"Shape 1", "Shape 2", "Stone", "Shape 4"};
  EXPECT_EQ(paint::MakeUniqueItemName("Shape", store, -1), "Shape");
  EXPECT_EQ(paint::MakeUniqueItemName("Shape", store, 0), "Shape 3");  // 2 is taken
  EXPECT_EQ(paint::MakeUniqueItemName("Shape", store, 3), "Shape 5");
  EXPECT_EQ(paint::MakeUniqueItemName("Paper", store, 2), "Stone 0");
  EXPECT_EQ(paint::MakeUniqueItemName("Paper", {"Stone", "Stone 0"}, 0), "Stone 1");
}

TEST(BrushPageRules, PresetsFollowARemovedShapeOrPaper) {
  std::vector<std::unique_ptr<paint::PREDEFITEM>> presets;
  const std::uint32_t shapes[] = {2, 6, 7, 8};
  const std::int32_t papers[] = {-1, 0, 1, 2};
  for (int i = 0; i < 4; ++i) {
    presets.push_back(std::make_unique<paint::PB_PREDEFITEM>());
    presets.back()->shape = shapes[i];
    presets.back()->paper = papers[i];
  }
  paint::OnShapeEntryRemoved(&presets, 1);  // list position 7
  paint::OnPaperEntryRemoved(&presets, 1);
  const std::uint32_t shapesAfter[] = {2, 6, 0, 7};
  const std::int32_t papersAfter[] = {-1, 0, -1, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(presets[i]->shape, shapesAfter[i]) << i;
    EXPECT_EQ(presets[i]->paper, papersAfter[i]) << i;
  }
}

TEST(BrushPageRules, EdgeOptionsKeepBothUnitsAndTheirLevels) {
  paint::EdgeValues edge;
  edge.optionId = 1;
  edge.absolute = 0;
  edge.sizeIndex = 2;
  edge.sizes = {1, 2, 3, 0x104, 10, 20, 30, 40};
  paint::EdgeOptionsForm form = paint::EdgeFormFromValues(edge);
  EXPECT_EQ(form.densityType, 1);
  EXPECT_EQ(form.units, 0);
  EXPECT_EQ(form.Shown()[3], 40);
  EXPECT_EQ(form.pixelLevels[3], 4) << "the low byte";
  // Switching units twice shows the levels typed before.
  form.Shown()[1] = 77;
  form.units = 1;
  EXPECT_EQ(form.Shown()[1], 2);
  form.units = 0;
  EXPECT_EQ(form.Shown()[1], 77);
  paint::EdgeValues back;
  back.sizeIndex = 3;
  paint::EdgeValuesFromForm(form, &back);
  EXPECT_EQ(back.optionId, 1u);
  EXPECT_EQ(back.absolute, 0u);
  EXPECT_EQ(back.sizeIndex, 3u) << "the size index belongs to the edge list";
  EXPECT_EQ(back.sizes[5], 77);
  int level = -1;
  EXPECT_TRUE(paint::ParseEdgeLevel("200", &level));
  EXPECT_EQ(level, 200);
  EXPECT_FALSE(paint::ParseEdgeLevel("201", &level));
  EXPECT_FALSE(paint::ParseEdgeLevel("", &level));
  EXPECT_FALSE(paint::ParseEdgeLevel("-1", &level));
}

}  // namespace
