// The tool host's error display reaching the program through the site's
// error-box entry.
#include <gtest/gtest.h>

#include "app/Site.h"
#include "tests/app/site/fake_site_host.h"

namespace lumora {
namespace {

class SiteErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitHostSite(site, host));
    LUResetError();
  }
  void TearDown() override {
    LUResetError();
    FreeHostSite(site);
  }
  test::FakeSiteHost host;
  HostSite site;
};

TEST_F(SiteErrorsTest, PrintShowsCodeTextRecordedTextCaptionAndDetailThenForgets) {
  LUSetErrorCode(&site.site, 27, "Lumo40Doc", 2172, 0);
  LUSetErrorStringExt(&site.site, 0, "C:\\img\\missing.png", 0);
  LUPrintErrorState(&site.site);
  ASSERT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_EQ(host.errorBoxes[0].message, "The file name is not valid.\nC:\\img\\missing.png");
  EXPECT_EQ(host.errorBoxes[0].caption, "Lumora 4.0 Error");
  EXPECT_EQ(host.errorBoxes[0].detail, "Lumo40Doc, 2172");
  EXPECT_EQ(LUGetErrorState().code, 0) << "shown errors are forgotten";

  LUPrintErrorState(&site.site);
  EXPECT_EQ(host.errorBoxes.size(), 1u) << "nothing recorded, nothing shown";

  // A code without a text of its own; the global site is used without one.
  LUStoreErrorCode(nullptr, 9999);
  LUPrintErrorState(nullptr);
  ASSERT_EQ(host.errorBoxes.size(), 2u);
  EXPECT_EQ(host.errorBoxes[1].message, "Error 9999");
  EXPECT_EQ(host.errorBoxes[1].detail, "");
}

TEST_F(SiteErrorsTest, CancelShowsNothing) {
  LUErrorCode(&site.site, 1, "Runner", 5, 0);
  LUPrintErrorState(&site.site);
  EXPECT_TRUE(host.errorBoxes.empty());
  EXPECT_EQ(LUGetErrorState().code, 0);
}

TEST_F(SiteErrorsTest, MessageBoxUsesTheStyleIcon) {
  EXPECT_EQ(LUErrorMessageBox(&site.site, nullptr, "Sorry, can't paste", "Lumora 4.0 Error", 0, 0x2000 | 0x30), 1);
  ASSERT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_EQ(host.errorBoxes[0].icon, 0x30);
  EXPECT_EQ(host.errorBoxes[0].message, "Sorry, can't paste");
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

TEST_F(SiteErrorsTest, SettingsHelpAndMainWindowReachTheProgramThroughTheSite) {
  EXPECT_EQ(LUGetProfileInt(&site.site, "Tools", "Width", 7), 7);
  EXPECT_EQ(LUWriteProfileInt(&site.site, "Tools", "Width", 11), 1);
  EXPECT_EQ(LUGetProfileInt(&site.site, "Tools", "Width", 7), 11);
  EXPECT_EQ(LUWriteProfileString(&site.site, "DefAreaManager", "FrgManager", "Area_Rect"), 1);
  EXPECT_EQ(host.profile["DefAreaManager/FrgManager"], "Area_Rect");
  char text[32];
  EXPECT_EQ(LUGetProfileString(nullptr, "DefAreaManager", "FrgManager", "", text, sizeof text), 9) << "the global site";
  EXPECT_STREQ(text, "Area_Rect");
  char help[260];
  EXPECT_TRUE(LUGetHelpPath(&site.site, help, sizeof help));
  EXPECT_STREQ(help, "C:\\Prog\\LUMO.HLP");
  EXPECT_EQ(LUGetMainWnd(&site.site), host.MainWnd());
}

}  // namespace
}  // namespace lumora
