// The new-image dialog's arithmetic and its settings, without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dialogs/NewImageForm.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

TEST(NewImageForm, SizesShowInTheChosenUnitsTruncatedToFourDecimals) {
  struct Case {
    int pixels, resolution, units;
    const char* shown;
  } cases[] = {
      {640, 300, kUnitsPixels, "640"},       {300, 300, kUnitsInches, "1.0000"},
      {100, 300, kUnitsInches, "0.3333"},    {100, 100, kUnitsCentimeters, "2.5400"},
      {1, 3, kUnitsInches, "0.3333"},        {-1, 3, kUnitsInches, "-0.3333"},
      {-7, 2, kUnitsInches, "-3.5000"},      {5, 0, kUnitsInches, "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(FormatImageSize(c.pixels, c.resolution, c.units), c.shown);
  }
}

TEST(NewImageForm, TypedSizesBecomePixelsOrChangeNothing) {
  struct Case {
    const char* text;
    int resolution, units;
    bool taken;
    int pixels;
  } cases[] = {
      {"2.54", 100, kUnitsCentimeters, true, 100},
      {"2", 200, kUnitsInches, true, 400},  // custom 100 x 200 dpi, height in inches
      {"0.5", 72, kUnitsInches, true, 36},
      {"0.007", 72, kUnitsInches, true, 1},  // 0.504 rounds to 1
      {"0", 100, kUnitsInches, false, 0},
      {"-1", 100, kUnitsCentimeters, false, 0},
      {"wide", 100, kUnitsInches, false, 0},
      {" 123 ", 100, kUnitsPixels, true, 123},
      {"12.5", 100, kUnitsPixels, false, 0},
      {"1e30", 1000, kUnitsInches, false, 0},
      // Sides outside 1..30000 are refused, typed in pixels or not.
      {"30000", 100, kUnitsPixels, true, 30000},
      {"30001", 100, kUnitsPixels, false, 0},
      {"1000000", 100, kUnitsPixels, false, 0},
      {"0", 100, kUnitsPixels, false, 0},
      {"-3", 100, kUnitsPixels, false, 0},
      {"101", 300, kUnitsInches, false, 0},  // 30300 pixels
      {"0.001", 72, kUnitsInches, false, 0},  // rounds to 0 pixels
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int pixels = -99;
    EXPECT_EQ(ParseImageSize(c.text, c.resolution, c.units, &pixels), c.taken);
    EXPECT_EQ(pixels, c.taken ? c.pixels : -99);
  }
  int resolution = 5;
  EXPECT_TRUE(ParseResolution("150", &resolution));
  EXPECT_EQ(resolution, 150);
  EXPECT_FALSE(ParseResolution("0", &resolution));
  EXPECT_FALSE(ParseResolution("70000", &resolution));
  EXPECT_FALSE(ParseResolution("x", &resolution));
  EXPECT_EQ(resolution, 150);
}

TEST(NewImageForm, SettingsKeepTheChoicesAndRefuseDamagedValues) {
  const std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora-newimage-");
  fw::IniFile ini((folder / "t.ini").string());
  // Nothing stored: the defaults, the resolutions of the printer.
  NewImageSettings fresh = LoadNewImageSettings(ini, 600, 1200);
  EXPECT_EQ(fresh.width, 320);
  EXPECT_EQ(fresh.height, 240);
  EXPECT_EQ(fresh.units, kUnitsPixels);
  EXPECT_EQ(fresh.resolution, kResolutionPrinter);
  EXPECT_EQ(fresh.xres, 600);
  EXPECT_EQ(fresh.yres, 1200);
  // Without a printer 300 x 300.
  EXPECT_EQ(LoadNewImageSettings(ini, 0, 0).xres, 300);

  SaveNewImageSettings(ini, NewImageSettings{41, 42, kUnitsCentimeters, kResolutionCustom, 100, 200});
  NewImageSettings kept = LoadNewImageSettings(ini, 600, 600);
  EXPECT_EQ(kept.width, 41);
  EXPECT_EQ(kept.height, 42);
  EXPECT_EQ(kept.units, kUnitsCentimeters);
  EXPECT_EQ(kept.resolution, kResolutionCustom);
  EXPECT_EQ(kept.xres, 100);
  EXPECT_EQ(kept.yres, 200);

  // A damaged file gives no resolution of 0 and no empty image.
  ini.WriteInt("NewImage", "xres", 0);
  ini.WriteInt("NewImage", "width", -5);
  ini.WriteInt("NewImage", "units", 9);
  NewImageSettings repaired = LoadNewImageSettings(ini, 600, 600);
  EXPECT_EQ(repaired.xres, 600);
  EXPECT_EQ(repaired.width, 320);
  EXPECT_EQ(repaired.units, kUnitsPixels);
  // Sizes past the largest image are cut to it.
  ini.WriteInt("NewImage", "width", 2147483647);
  ini.WriteInt("NewImage", "height", 30001);
  const NewImageSettings cut = LoadNewImageSettings(ini, 600, 600);
  EXPECT_EQ(cut.width, 30000);
  EXPECT_EQ(cut.height, 30000);
  std::filesystem::remove_all(folder);
}

TEST(NewImageForm, PrinterDeviceEntryHasThreeParts) {
  std::string name, driver, port;
  EXPECT_TRUE(SplitPrinterDevice("Laser,winspool,LPT1:", &name, &driver, &port));
  EXPECT_EQ(name, "Laser");
  EXPECT_EQ(driver, "winspool");
  EXPECT_EQ(port, "LPT1:");
  EXPECT_FALSE(SplitPrinterDevice("", &name, &driver, &port));
  EXPECT_FALSE(SplitPrinterDevice("Laser,winspool", &name, &driver, &port));
  EXPECT_FALSE(SplitPrinterDevice("Laser,,LPT1:", &name, &driver, &port));
}

}  // namespace
}  // namespace lumora
