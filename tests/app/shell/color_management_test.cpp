// The colour-management record: intent codes, profile names and paths, the
// settings file's fields, what the views are given.
#include <gtest/gtest.h>

#include <string>

#include "app/ColorManagement.h"
#include "app/Settings.h"

namespace lumora::testing {
namespace {

TEST(ColorManagement, IntentCodesMapBothWaysAndOthersGiveMinusOne) {
  const struct {
    int code, intent;
  } pairs[] = {{4, 0}, {2, 1}, {1, 2}, {8, 3}};
  for (const auto& p : pairs) {
    EXPECT_EQ(IcmIntentOfCode(p.code), p.intent) << p.code;
    EXPECT_EQ(CodeOfIcmIntent(p.intent), p.code) << p.intent;
  }
  for (int code : {0, 3, 5, 16, -1}) EXPECT_EQ(IcmIntentOfCode(code), -1) << code;
  for (int intent : {-1, 4, 8}) EXPECT_EQ(CodeOfIcmIntent(intent), -1) << intent;
}

TEST(ColorManagement, BareProfileNamesAreLookedUpInTheColourFolder) {
  const std::string folder = "C:\\windows\\system32\\spool\\drivers\\color";
  EXPECT_EQ(ProfilePath("wide.icc", folder), folder + "\\wide.icc");
  EXPECT_EQ(ProfilePath("wide.icc", folder + "\\"), folder + "\\wide.icc");
  EXPECT_EQ(ProfilePath("Z:\\tmp\\wide.icc", folder), "Z:\\tmp\\wide.icc");
  EXPECT_EQ(ProfilePath("/tmp/wide.icc", folder), "/tmp/wide.icc");
  EXPECT_EQ(ProfilePath("", folder), "");
  EXPECT_EQ(ProfilePath("wide.icc", ""), "wide.icc");
}

TEST(ColorManagement, SettingsFileValuesOverTheSystemDefaultsAndBack) {
  ColorManagementSettings record;
  SetField(record.monitorProfile, "system monitor.icm");
  SetField(record.printerProfile, "printer.icm");
  SetField(record.targetProfile, "printer.icm");
  AppSettings settings;  // the file's defaults: off, no profiles
  ReadColorManagementSettings(settings, &record);
  EXPECT_EQ(record.icmOff, 1);
  EXPECT_EQ(record.renderIntent, 4);
  EXPECT_STREQ(record.monitorProfile, "system monitor.icm");
  settings.cmEnable = 0;
  settings.cmEnableProofing = 1;
  settings.cmRenderIntent = 2;
  settings.cmProofingIntent = 8;
  settings.cmMonitor = "Z:\\profiles\\monitor.icc";
  ReadColorManagementSettings(settings, &record);
  EXPECT_EQ(record.icmOff, 0);
  EXPECT_EQ(record.proofing, 1);
  EXPECT_STREQ(record.monitorProfile, "Z:\\profiles\\monitor.icc");
  EXPECT_STREQ(record.targetProfile, "printer.icm");
  AppSettings written;
  WriteColorManagementSettings(record, &written);
  EXPECT_EQ(written.cmEnable, 0);
  EXPECT_EQ(written.cmEnableProofing, 1);
  EXPECT_EQ(written.cmRenderIntent, 2);
  EXPECT_EQ(written.cmProofingIntent, 8);
  EXPECT_EQ(written.cmMonitor, "Z:\\profiles\\monitor.icc");
  EXPECT_EQ(written.cmTarget, "printer.icm");
  // Longer than its field: cut to 259 characters.
  SetField(record.targetProfile, std::string(400, 't'));
  EXPECT_EQ(std::string(record.targetProfile).size(), 259u);
}

TEST(ColorManagement, ClearedProfilesBecomeSrgbAndTheViewsGetPathsAndIntents) {
  ColorManagementSettings record;
  SetField(record.monitorProfile, "monitor.icc");
  FillEmptyProfiles(&record);
  EXPECT_STREQ(record.monitorProfile, "monitor.icc");
  EXPECT_STREQ(record.targetProfile, kSrgbProfileName);
  EXPECT_STREQ(record.printerProfile, kSrgbProfileName);

  const std::string folder = "C:\\color";
  record.renderIntent = 2;
  record.proofingIntent = 8;
  VR_CMPROFILES p = DisplayProfiles(record, folder);
  EXPECT_STREQ(p.monitorProfile, "C:\\color\\monitor.icc");
  EXPECT_STREQ(p.printerProfile, "");  // proofing off
  EXPECT_EQ(p.value1, 1);
  record.proofing = 1;
  SetField(record.targetProfile, "Z:\\press.icc");
  p = DisplayProfiles(record, folder);
  EXPECT_STREQ(p.printerProfile, "Z:\\press.icc");
  EXPECT_EQ(p.value2, 3);
  record.icmOff = 1;
  p = DisplayProfiles(record, folder);
  EXPECT_STREQ(p.monitorProfile, "");
  EXPECT_STREQ(p.printerProfile, "");
}

}  // namespace
}  // namespace lumora::testing
