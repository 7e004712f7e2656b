// The preferences table over a real settings file: defaults, clamps, the
// text units, the grid step's round trip and what exit writes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "support/unique_temp_folder.h"

namespace lumora {
namespace {

const ScreenMetrics kScreen{1280, 1024, 112, 27};

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::MakeUniqueTempFolder("lumora_settings_");
    ini_ = std::make_unique<fw::IniFile>((folder_ / "LUMO40.INI").string());
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  AppSettings Load(bool cmAvailable = true) {
    AppSettings s;
    LoadSettings(s, *ini_, kScreen, cmAvailable);
    return s;
  }

  std::filesystem::path folder_;
  std::unique_ptr<fw::IniFile> ini_;
};

TEST_F(SettingsFile, MissingKeysTakeTheirDefaultsAndExitWritesEveryKey) {
  AppSettings s = Load();
  SaveSettings(s, *ini_);
  const std::map<std::string, std::string> expected = {
      {"LoadOptions/AnimationSpeed", "3"}, {"LoadOptions/ShowProgressIndicator", "1"},
      {"LoadOptions/NotUseDDB", "0"}, {"LoadOptions/PaintOnIcon", "1"}, {"LoadOptions/FrameMaximized", "0"},
      {"LoadOptions/FrameX", "24"}, {"LoadOptions/FrameY", "24"}, {"LoadOptions/FrameW", "1230"},
      {"LoadOptions/FrameH", "974"}, {"LoadOptions/GammaR", "100"}, {"LoadOptions/GammaG", "100"},
      {"LoadOptions/GammaB", "100"}, {"LoadOptions/LimitBackup", "1"}, {"LoadOptions/CreateBackup", "10"},
      {"LoadOptions/DetailedErrorStatus", "0"}, {"LoadOptions/IntersectLevel", "50"},
      {"LoadOptions/AlignSelectionToLayer", "0"}, {"PinState/DrawingPinPressed", "0"}, {"Rulers/show", "0"},
      {"Rulers/units", "pixels"}, {"Guides/show", "0"}, {"Guides/snap", "1"}, {"Guides/locked", "0"},
      {"Guides/color", std::to_string(0xFB8426)}, {"Guides/style", "0"}, {"Grid/show", "0"}, {"Grid/snap", "1"},
      {"Grid/color", std::to_string(0x838383)}, {"Grid/style", "1"}, {"Grid/unit", "pixels"},
      {"Grid/step", "5000000"}, {"Grid/subdiv", "5"}, {"Tablet/enable", "0"}, {"Tablet/vary_size", "1"},
      {"Tablet/vary_opacity", "1"}, {"Memory/Percent", "50"}, {"ColorManagement/enable", "1"},
      {"ColorManagement/enable_proofing", "0"}, {"ColorManagement/render_intent", "4"},
      {"ColorManagement/proofing_intent", "4"}, {"ColorManagement/monitor", ""}, {"ColorManagement/target", ""},
      {"TOOLBARS/SMALLBUTTONS", "1"}};
  int count = 0;
  const SettingKey* keys = SettingKeys(&count);
  ASSERT_EQ(count, static_cast<int>(expected.size()));
  for (int i = 0; i < count; ++i) {
    std::string name = std::string(keys[i].section) + "/" + keys[i].key;
    ASSERT_TRUE(expected.count(name)) << name;
    EXPECT_EQ(ini_->GetString(keys[i].section, keys[i].key, "<missing>"), expected.at(name)) << name;
  }
  EXPECT_FLOAT_EQ(s.gridStep, 50.0f);
}

struct ClampCase {
  const char* section;
  const char* key;
  const char* stored;
  int AppSettings::*field;
  int read;
  const char* written;
};

TEST_F(SettingsFile, OutOfRangeValuesAreClampedAndWrittenBackClamped) {
  const ClampCase cases[] = {
      {"LoadOptions", "AnimationSpeed", "7", &AppSettings::animationSpeed, 3, "3"},
      {"LoadOptions", "AnimationSpeed", "-2", &AppSettings::animationSpeed, 0, "0"},
      {"LoadOptions", "FrameX", "65535", &AppSettings::frameX, 0, "0"},
      {"LoadOptions", "FrameX", "5000", &AppSettings::frameX, 1280 - 112, "1168"},
      {"LoadOptions", "FrameY", "-40", &AppSettings::frameY, 0, "0"},
      {"LoadOptions", "FrameW", "20", &AppSettings::frameW, 112, "112"},
      {"LoadOptions", "FrameH", "4000", &AppSettings::frameH, 1024, "1024"},
      {"LoadOptions", "GammaG", "0", &AppSettings::gammaG, 1, "1"},
      {"LoadOptions", "GammaG", "5000", &AppSettings::gammaG, 1000, "1000"},
      {"Memory", "Percent", "300", &AppSettings::memoryPercent, 100, "100"},
      {"Memory", "Percent", "-5", &AppSettings::memoryPercent, 0, "0"},
      {"Rulers", "units", "furlongs", &AppSettings::rulerUnit, kUnitPixels, "pixels"},
      {"Rulers", "units", "inches", &AppSettings::rulerUnit, kUnitInch, "inches"},
      {"Grid", "unit", "cm", &AppSettings::gridUnit, kUnitCm, "cm"},
      {"Grid", "unit", "points", &AppSettings::gridUnit, kUnitPoints, "points"},
      {"Guides", "color", "0x123456", &AppSettings::guideColor, 0x123456, "1193046"},
      {"Guides", "color", "-1", &AppSettings::guideColor, 0, "0"},
      {"Grid", "color", "0x7FFFFFFF", &AppSettings::gridColor, 0xFFFFFF, "16777215"},
      {"LoadOptions", "LimitBackup", "7", &AppSettings::limitBackup, 1, "1"},
      {"LoadOptions", "CreateBackup", "2147483647", &AppSettings::createBackup, 100, "100"},
      {"LoadOptions", "CreateBackup", "-3", &AppSettings::createBackup, 0, "0"},
      {"LoadOptions", "IntersectLevel", "250", &AppSettings::intersectLevel, 100, "100"},
      {"LoadOptions", "IntersectLevel", "-1", &AppSettings::intersectLevel, 0, "0"},
      {"Guides", "show", "5", &AppSettings::guidesShow, 1, "1"},
      {"Guides", "snap", "-5", &AppSettings::guidesSnap, 0, "0"},
      {"Guides", "locked", "2", &AppSettings::guidesLocked, 1, "1"},
      {"Guides", "style", "2", &AppSettings::guideStyle, 1, "1"},
      {"Grid", "show", "9", &AppSettings::gridShow, 1, "1"},
      {"Grid", "snap", "9", &AppSettings::gridSnap, 1, "1"},
      {"Grid", "style", "3", &AppSettings::gridStyle, 2, "2"},
      {"Grid", "subdiv", "0", &AppSettings::gridSubdiv, 1, "1"},
      {"Grid", "subdiv", "1000", &AppSettings::gridSubdiv, 100, "100"},
      {"ColorManagement", "render_intent", "3", &AppSettings::cmRenderIntent, 4, "4"},
      {"ColorManagement", "render_intent", "8", &AppSettings::cmRenderIntent, 8, "8"},
      {"ColorManagement", "proofing_intent", "-1", &AppSettings::cmProofingIntent, 4, "4"},
      {"ColorManagement", "proofing_intent", "1", &AppSettings::cmProofingIntent, 1, "1"},
  };
  for (const ClampCase& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key + "=" + c.stored);
    ini_->WriteString(c.section, c.key, c.stored);
    AppSettings s = Load();
    EXPECT_EQ(s.*c.field, c.read);
    SaveSettings(s, *ini_);
    EXPECT_EQ(ini_->GetString(c.section, c.key), c.written);
  }
}

// The grid spacing (stored x 100000) stays above 0 and within its unit's
// largest: 10000 cm, 1000 inches, pixels or points.
TEST_F(SettingsFile, GridStepStaysWithinItsUnitsRange) {
  const struct {
    const char* unit;
    const char* stored;
    float step;
    const char* written;
  } cases[] = {{"pixels", "0", 0.00001f, "1"},          {"pixels", "-500", 0.00001f, "1"},
               {"pixels", "2000000000", 1000.0f, "100000000"}, {"inches", "2000000000", 1000.0f, "100000000"},
               {"cm", "2000000000", 10000.0f, "1000000000"},   {"cm", "700000000", 7000.0f, "700000000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.unit) + " " + c.stored);
    ini_->WriteString("Grid", "unit", c.unit);
    ini_->WriteString("Grid", "step", c.stored);
    AppSettings s = Load();
    EXPECT_FLOAT_EQ(s.gridStep, c.step);
    SaveSettings(s, *ini_);
    EXPECT_EQ(ini_->GetString("Grid", "step"), c.written);
  }
}

// A profile that counts what is read of it directly and its snapshots.
class CountingProfile : public fw::Profile {
 public:
  explicit CountingProfile(fw::Profile& file) : file_(file) {}
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
    ++reads;
    return file_.GetString(section, key, defaultValue);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override {
    return file_.WriteString(section, key, value);
  }
  bool Remove(std::string_view section, std::optional<std::string_view> key) override {
    return file_.Remove(section, key);
  }
  std::vector<std::string> GetKeyNames(std::string_view section) override {
    ++reads;
    return file_.GetKeyNames(section);
  }
  std::unique_ptr<fw::Profile> Snapshot() override {
    ++snapshots;
    return file_.Snapshot();
  }
  int reads = 0, snapshots = 0;

 private:
  fw::Profile& file_;
};

// The start-up reads the file once, not once per key, and gets what reading
// key by key gives.
TEST_F(SettingsFile, StartUpReadsTheFileOnce) {
  ini_->WriteInt("LoadOptions", "AnimationSpeed", 2);
  ini_->WriteInt("BACK", "G", 7);
  ini_->WriteInt("LoadOptions", "CopyOnClipboardOnlyVisibleLayers", 1);
  CountingProfile counting(*ini_);
  AppSettings once;
  LoadStartupSettings(once, counting, kScreen, true);
  EXPECT_EQ(counting.snapshots, 1);
  EXPECT_EQ(counting.reads, 0);
  AppSettings byKey = Load();
  LoadColors(byKey, *ini_);
  LoadClipboardOptions(byKey, *ini_);
  EXPECT_EQ(once.animationSpeed, 2);
  EXPECT_EQ(once.backColor, byKey.backColor);
  EXPECT_EQ(once.backColor, 0xFF07FFu);
  EXPECT_EQ(once.copyOnlyVisibleLayers, 1);
  fw::IniFile a((folder_ / "a.ini").string()), b((folder_ / "b.ini").string());
  SaveSettings(once, a);
  SaveSettings(byKey, b);
  int count = 0;
  const SettingKey* keys = SettingKeys(&count);
  for (int i = 0; i < count; ++i)
    EXPECT_EQ(a.GetString(keys[i].section, keys[i].key), b.GetString(keys[i].section, keys[i].key)) << keys[i].key;
}

TEST_F(SettingsFile, ColourManagementIsOffWithoutItsEntryPoints) {
  ini_->WriteInt("ColorManagement", "enable", 0);
  EXPECT_EQ(Load(true).cmEnable, 0);
  EXPECT_EQ(Load(false).cmEnable, 1);
}

TEST_F(SettingsFile, GridStepSurvivesLoadSaveCyclesUnchanged) {
  for (int stored : {70000, 12345, 5000000, 1}) {
    ini_->WriteInt("Grid", "step", stored);
    for (int cycle = 0; cycle < 10; ++cycle) SaveSettings(Load(), *ini_);
    EXPECT_EQ(ini_->GetInt("Grid", "step", 0), stored);
  }
  ini_->WriteInt("Grid", "step", 12345);
  EXPECT_NEAR(Load().gridStep, 0.12345f, 1e-7);
}

TEST_F(SettingsFile, ColourManagementPathsAreCutToTheirFields) {
  ini_->WriteString("ColorManagement", "monitor", std::string(300, 'm'));
  ini_->WriteString("ColorManagement", "target", "C:\\Profiles\\sRGB.icm");
  AppSettings s = Load();
  EXPECT_EQ(s.cmMonitor, std::string(kMaxProfilePath, 'm'));
  EXPECT_EQ(s.cmTarget, "C:\\Profiles\\sRGB.icm");
}

TEST_F(SettingsFile, ClipboardOptionsAndColoursHaveTheirOwnSections) {
  AppSettings s = Load();
  LoadClipboardOptions(s, *ini_);
  LoadColors(s, *ini_);
  EXPECT_EQ(s.foreColor, 0x000000u);
  EXPECT_EQ(s.backColor, 0xFFFFFFu);
  s.emptyClipboardOnExit = 1;
  s.copyCutActiveLayerOnly = 1;
  s.foreColor = 0x00332211;
  SaveClipboardOptions(s, *ini_);
  SaveColors(s, *ini_);
  EXPECT_EQ(ini_->GetString("LoadOptions", "EmptyClipboardOnExit"), "1");
  EXPECT_EQ(ini_->GetString("LoadOptions", "DiscardInternalClipboardFormatsOnExit"), "0");
  EXPECT_EQ(ini_->GetString("LoadOptions", "CopyOnClipboardOnlyVisibleLayers"), "0");
  EXPECT_EQ(ini_->GetString("LoadOptions", "Copy/CutActiveLayerOnly"), "1");
  EXPECT_EQ(ini_->GetString("FORE", "R"), "17");
  EXPECT_EQ(ini_->GetString("FORE", "G"), "34");
  EXPECT_EQ(ini_->GetString("FORE", "B"), "51");
  EXPECT_EQ(ini_->GetString("BACK", "B"), "255");
  AppSettings again;
  LoadClipboardOptions(again, *ini_);
  LoadColors(again, *ini_);
  EXPECT_EQ(again.copyCutActiveLayerOnly, 1);
  EXPECT_EQ(again.foreColor, 0x00332211u);
}

TEST(SettingsValues, UnknownUnitCodesAreWrittenAsPixels) {
  EXPECT_STREQ(UnitText(kUnitCm), "cm");
  EXPECT_STREQ(UnitText(kUnitInch), "inches");
  EXPECT_STREQ(UnitText(kUnitPoints), "points");
  EXPECT_STREQ(UnitText(7), "pixels");
  EXPECT_STREQ(UnitText(-1), "pixels");
}

TEST(SettingsValues, AnimationPeriodAndMemoryLimit) {
  EXPECT_EQ(AnimationTimerPeriod(0), 0);
  EXPECT_EQ(AnimationTimerPeriod(1), 600);
  EXPECT_EQ(AnimationTimerPeriod(2), 200);
  EXPECT_EQ(AnimationTimerPeriod(3), 40);
  EXPECT_EQ(AnimationTimerPeriod(4), 0);
  const std::uint64_t sixteenGiB = 16ull << 30;
  EXPECT_EQ(MemoryLimitBytes(50, sixteenGiB), 8ull << 30);
  EXPECT_EQ(MemoryLimitBytes(150, sixteenGiB), sixteenGiB);
  EXPECT_EQ(MemoryLimitBytes(33, 1000), 330u);
  EXPECT_EQ(MemoryLimitBytes(100, UINT64_MAX), UINT64_MAX);
}

}  // namespace
}  // namespace lumora
