// The Numeric Transform dialog's model: the kept values (a first run is the
// identity), units at the display's resolution, proportions, skew corners
// and the move's offset.
#include <gtest/gtest.h>

#include <filesystem>

#include "select/NumericTransformForm.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

struct Ini {
  std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("numeric_form");
  fw::IniFile file{(folder / "Lumo40.INI").string()};
  ~Ini() { std::filesystem::remove_all(folder); }
};

TEST(NumericTransformForm, AFirstRunIsTheIdentity) {
  Ini ini;
  NumericTransformForm form(RECT{10, 20, 210, 120}, 96, 96);
  form.Load(ini.file);
  form.Initialise();
  EXPECT_EQ(form.values.position, 1);
  EXPECT_EQ(form.values.relative, 1);
  EXPECT_EQ(form.GetPosition(POINT{10, 20}).x, 0);
  EXPECT_EQ(form.GetPosition(POINT{10, 20}).y, 0);
  EXPECT_EQ(form.GetSize().cx, 200) << "100 %, not 10 %";
  EXPECT_EQ(form.GetSize().cy, 100);
  POINT corners[4];
  form.GetSkewCorners(200, 100, corners);
  const POINT plain[4] = {{0, 0}, {200, 0}, {200, 100}, {0, 100}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(corners[i].x, plain[i].x);
    EXPECT_EQ(corners[i].y, plain[i].y);
  }
  EXPECT_EQ(form.GetAngle(false), 0.0);
}

TEST(NumericTransformForm, KeptValuesUnitsAndProportions) {
  Ini ini;
  ini.file.WriteInt("Numeric Transform", "X", -25);
  ini.file.WriteInt("Numeric Transform", "Width_UNIT", 0);
  ini.file.WriteInt("Numeric Transform", "Height_UNIT", 0);
  ini.file.WriteInt("Numeric Transform", "Width", 5000);
  NumericTransformForm form(RECT{0, 0, 200, 100}, 96, 96);
  form.Load(ini.file);
  EXPECT_DOUBLE_EQ(form.values.x, -2.5);
  form.Initialise();
  EXPECT_DOUBLE_EQ(form.values.width, 200) << "pixels show the object's size whatever was kept";
  EXPECT_DOUBLE_EQ(form.values.height, 100);
  form.values.width = 100;
  form.OnUnitChanged(2, NumericTransformForm::kPercent);
  EXPECT_DOUBLE_EQ(form.values.width, 50);
  form.OnUnitChanged(2, NumericTransformForm::kPixels);
  form.values.proportions = 1;
  form.OnWidthTyped(100);
  EXPECT_DOUBLE_EQ(form.values.height, 50);
  EXPECT_DOUBLE_EQ(form.UnitToPixels(1, NumericTransformForm::kInches, true), 96);
  EXPECT_NEAR(form.UnitToPixels(2.54, NumericTransformForm::kCm, false), 96, 1e-9);
  form.values.x = 1.25;
  form.Save(ini.file);
  EXPECT_EQ(ini.file.GetInt("Numeric Transform", "X", 0), 12);
  form.values.relative = 0;
  form.values.xUnit = form.values.yUnit = 0;
  form.values.x = 10;
  form.values.y = 20;
  EXPECT_EQ(form.GetPosition(POINT{30, 30}).x, -20);
  EXPECT_EQ(form.GetPosition(POINT{30, 30}).y, -10);
  form.values.relative = 1;
  EXPECT_EQ(form.GetPosition(POINT{30, 30}).x, 10);
}

TEST(NumericTransformForm, SkewOf45Degrees) {
  POINT c[4];
  NumericTransformForm::GetSkewedCorners(45, 0, 100, 100, c);
  const POINT expected[4] = {{50, 0}, {150, 0}, {50, 100}, {-50, 100}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c[i].x, expected[i].x) << i;
    EXPECT_EQ(c[i].y, expected[i].y) << i;
  }
}

}  // namespace
}  // namespace lumora
