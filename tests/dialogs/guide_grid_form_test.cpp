// The guides-and-grid page without a window: units, spacing limits and
// conversion, subdivisions, and the colour schemes in the settings file.
#include <gtest/gtest.h>

#include <filesystem>

#include "dialogs/GuideGridForm.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

TEST(GuideGridForm, UnitsSpacingAndSubdivisions) {
  for (int index = 0; index < 4; ++index) EXPECT_EQ(GridUnitToIndex(GridIndexToUnit(index)), index);
  EXPECT_EQ(GridIndexToUnit(kGridCm), 0);
  EXPECT_EQ(GridIndexToUnit(kGridInches), 1);
  EXPECT_EQ(GridIndexToUnit(kGridPixels), 2);
  EXPECT_EQ(GridIndexToUnit(kGridPoints), 3);
  EXPECT_EQ(GridIndexToUnit(9), 2);
  EXPECT_EQ(GridUnitToIndex(9), kGridPixels);
  // 96 pixels at 96 dots per inch are 1 inch.
  EXPECT_DOUBLE_EQ(ConvertSpacing(96, kGridPixels, kGridInches, 96), 1.0);
  EXPECT_NEAR(ConvertSpacing(1, kGridInches, kGridCm, 96), 2.54, 1e-6);
  EXPECT_NEAR(ConvertSpacing(1, kGridInches, kGridPoints, 96), 72, 1e-4);
  // Typing: each unit's bounds, pixels whole.
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(0.01, kGridCm), 0.1);
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(20000, kGridCm), 10000);
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(0.01, kGridInches), 0.0625);
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(12.6, kGridPixels), 13);
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(0.2, kGridPixels), 1);
  EXPECT_DOUBLE_EQ(LimitTypedSpacing(5000, kGridPoints), 1000);
  // Data exchange.
  EXPECT_TRUE(SpacingAccepted(0, kGridCm));
  EXPECT_FALSE(SpacingAccepted(10001, kGridCm));
  EXPECT_FALSE(SpacingAccepted(1001, kGridInches));
  EXPECT_TRUE(SpacingAccepted(0.6, kGridPixels));   // rounds to 1
  EXPECT_FALSE(SpacingAccepted(0.4, kGridPixels));
  EXPECT_FALSE(SpacingAccepted(0.5, kGridPoints));
  // Subdivisions 0 show 1.
  EXPECT_EQ(ClampSubdivisions(0), 1);
  EXPECT_EQ(ClampSubdivisions(150), 100);
  EXPECT_EQ(ClampSubdivisions(7), 7);
}

TEST(GuideGridForm, SchemesReadWithTheirRules) {
  SchemeColor c;
  ASSERT_TRUE(ParseSchemeEntry("255,0,0,Red", &c));
  EXPECT_EQ(c.name, "Red");
  EXPECT_EQ(c.rgb, 0x0000FFu);
  EXPECT_TRUE(ParseSchemeEntry("0,128,255,Sky, light", &c));
  EXPECT_EQ(c.name, "Sky, light");
  EXPECT_EQ(c.rgb, 0xFF8000u);
  EXPECT_FALSE(ParseSchemeEntry("255,,0,Red", &c));  // an empty field
  EXPECT_FALSE(ParseSchemeEntry("255,0,0,", &c));
  EXPECT_FALSE(ParseSchemeEntry("255,0,Red", &c));
  EXPECT_FALSE(ParseSchemeEntry("", &c));

  const std::vector<SchemeColor> defaults = DefaultColorScheme();
  ASSERT_EQ(defaults.size(), 9u);
  EXPECT_EQ(defaults[0].name, "Light Blue");
  EXPECT_EQ(defaults[0].rgb, 0xFB8426u);
  EXPECT_EQ(defaults[8].name, "Black");

  const std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora_scheme_");
  fw::IniFile ini((folder / "s.ini").string());
  // A count of 25 brings back the defaults; so does an empty section.
  ini.WriteInt(kGuideSchemeSection, "count", 25);
  ini.WriteString(kGuideSchemeSection, "0", "255,0,0,Red");
  EXPECT_EQ(LoadColorScheme(ini, kGuideSchemeSection).size(), 9u);
  EXPECT_EQ(LoadColorScheme(ini, kGridSchemeSection).size(), 9u);
  // Readable entries only; none readable: the defaults.
  ini.WriteInt(kGuideSchemeSection, "count", 3);
  ini.WriteString(kGuideSchemeSection, "1", "255,,0,Broken");
  ini.WriteString(kGuideSchemeSection, "2", "1,2,3,Dark");
  std::vector<SchemeColor> read = LoadColorScheme(ini, kGuideSchemeSection);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "Red");
  EXPECT_EQ(read[1].rgb, 0x030201u);
  ini.WriteString(kGuideSchemeSection, "0", "x");
  ini.WriteString(kGuideSchemeSection, "2", "y");
  EXPECT_EQ(LoadColorScheme(ini, kGuideSchemeSection).size(), 9u);
  // Written back whole; an empty list writes nothing.
  SaveColorScheme(ini, kGridSchemeSection, {{"Red", 0x0000FF}, {"Dark", 0x030201}});
  EXPECT_EQ(ini.GetInt(kGridSchemeSection, "count", 0), 2);
  EXPECT_EQ(ini.GetString(kGridSchemeSection, "1", ""), "1,2,3,Dark");
  SaveColorScheme(ini, kGridSchemeSection, {});
  EXPECT_EQ(ini.GetInt(kGridSchemeSection, "count", 0), 2);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora
