// The host's global selection, read from the active document through the
// site, combined by mode and smoothed for tool runs.
#include <gtest/gtest.h>

#include "app/Site.h"
#include "libs/toolhost/AreaTools.h"
#include "tests/app/site/fake_site_host.h"

namespace lumora {
namespace {

class GSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitHostSite(site, host));
    LUInitGlobalSelection(&site.site);
  }
  void TearDown() override {
    LURemoveGlobalSelection(&site.site);
    if (host.selection != nullptr) DeleteFragment(host.selection);
    FreeHostSite(site);
  }
  static int Covered(Fragment* f, int x, int y) {
    const POINT p{x, y};
    return PointInFragment(f, &p) & 1;
  }
  test::FakeSiteHost host;
  HostSite site;
};

TEST_F(GSelectionTest, ReReadOnUpdateOnly) {
  EXPECT_EQ(LUGetGlobalSelection(&site.site), nullptr);
  const LURECT r{10, 10, 20, 20};
  host.selection = CreateRectFrg(&r, 0);
  EXPECT_EQ(LUGetGlobalSelection(&site.site), nullptr) << "not re-read yet";
  ASSERT_EQ(LUUpdateGSelection(&site.site), 1);
  Fragment* got = LUGetGlobalSelection(&site.site);
  ASSERT_NE(got, nullptr);
  EXPECT_TRUE(Covered(got, 15, 15));
  DeleteFragment(got);
  DeleteFragment(host.selection);
  host.selection = nullptr;
  LUUpdateGSelection(&site.site);
  EXPECT_EQ(LUGetGlobalSelection(&site.site), nullptr) << "the document's selection was freed";
}

TEST_F(GSelectionTest, NewShapesCombineByTheMode) {
  const LURECT a{0, 0, 10, 10}, b{5, 0, 10, 10};
  host.selection = CreateRectFrg(&a, 0);
  LUUpdateGSelection(&site.site);
  Fragment* shape = CreateRectFrg(&b, 0);
  struct Case {
    int mode;
    int at2, at7, at12;
  };
  const Case cases[] = {{0, 0, 1, 1}, {kLUGSelReplace, 0, 1, 1}, {kLUGSelAdd, 1, 1, 1}, {kLUGSelSubtract, 1, 0, 0},
                        {kLUGSelIntersect, 0, 1, 0}, {9, 0, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    LUSetGSelectionMode(&site.site, c.mode);
    Fragment* made = LUCombineWithGSelection(&site.site, shape);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(Covered(made, 2, 5), c.at2);
    EXPECT_EQ(Covered(made, 7, 5), c.at7);
    EXPECT_EQ(Covered(made, 12, 5), c.at12);
    DeleteFragment(made);
  }
  EXPECT_EQ(LUGetGSelectionMode(&site.site), kLUGSelReplace) << "unknown modes are replace";
  DeleteFragment(shape);
}

TEST_F(GSelectionTest, TheRunLimitCarriesTheSmoothEdge) {
  const LURECT r{10, 10, 40, 40};
  host.selection = CreateRectFrg(&r, 0);
  LUUpdateGSelection(&site.site);
  Fragment* hard = LUGetGSelectionLimit(&site.site);
  ASSERT_NE(hard, nullptr);
  EXPECT_EQ(GetFragmentType(hard), kFrgRect);
  DeleteFragment(hard);
  LUSetGSelectionSmoothEdge(&site.site, 50, kFrgSmoothCentred);
  int degree = 0, type = -1;
  LUGetGSelectionSmoothEdge(&site.site, &degree, &type);
  EXPECT_EQ(degree, 50);
  Fragment* soft = LUGetGSelectionLimit(&site.site);
  ASSERT_NE(soft, nullptr);
  EXPECT_EQ(GetFragmentType(soft), kFrgMask);
  VrWA2000::WA* mask = GetMaskWA(soft);
  ASSERT_NE(mask, nullptr);
  LURECT at{};
  GetMaskRect(soft, &at);
  // Partial coverage exists somewhere along the edge.
  bool partial = false;
  for (int y = 0; y < mask->GetH() && !partial; ++y)
    for (int x = 0; x < mask->GetW(); ++x) partial = partial || (mask->Row(y)[x] > 0 && mask->Row(y)[x] < 255);
  EXPECT_TRUE(partial);
  mask->Release();
  DeleteFragment(soft);
}

// The area tools' settings come from the profile with the selection; a
// value out of range there falls back to its default.
TEST_F(GSelectionTest, AreaToolSettingsComeFromTheProfile) {
  host.profile["Selection Attributes/Feather"] = "7";
  host.profile["Selection Attributes/Tolerance"] = "300";
  host.profile["Selection Attributes/FillMode"] = "2";
  LUInitGlobalSelection(&site.site);
  toolhost::AreaSettings& settings = toolhost::CurrentAreaSettings();
  EXPECT_EQ(settings.feather, 7);
  EXPECT_EQ(settings.tolerance, 32);
  EXPECT_EQ(settings.fillMode, 2);
  EXPECT_EQ(settings.lineWidth, 5);
  settings.lineWidth = 12;
  toolhost::SaveAreaSettings(&site.site);
  EXPECT_EQ(host.profile["Selection Attributes/LineWidth"], "12");
  EXPECT_EQ(host.profile["Selection Attributes/Tolerance"], "32");
  host.profile.clear();
  LUInitGlobalSelection(&site.site);
  EXPECT_EQ(settings.feather, 0) << "defaults again";
  EXPECT_EQ(settings.lineWidth, 5);
}

}  // namespace
}  // namespace lumora
