// The site record: layout, filling, and the entries' checks and forwarding,
// called by index as the tool host calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "app/Site.h"
#include "hostapi/comdlg.h"
#include "libs/comdlg/ColourWindow.h"
#include "tests/app/site/fake_site_host.h"

namespace lumora {
namespace {

using test::FakeSiteHost;

class SiteTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitHostSite(site, host)); }
  void TearDown() override { FreeHostSite(site); }

  // Calls entry `index` of `table` with the exact type the library uses.
  template <typename R, typename... Args>
  R Call(int table, int index, Args... args) {
    const LU_SITE_TABLE* d = site.site.tables[table];
    EXPECT_LT(index, d->count);
    using Fn = R (*)(const LU_SITE_TABLE*, Args...);
    return reinterpret_cast<Fn>(d->table[index])(d, args...);
  }

  FakeSiteHost host;
  HostSite site;
};

TEST_F(SiteTest, RecordHoldsVersionDataPathAndDescriptorsInOrder) {
  EXPECT_EQ(site.site.version, 1);
  EXPECT_STREQ(site.site.dataPath, "C:\\Prog\\LUMODB.DAT");
  const std::uint16_t counts[] = {13, 26, 29, 5, 17, 37, 2, 3, 16};
  for (int t = 0; t < kSiteTableCount; ++t) {
    SCOPED_TRACE(t);
    ASSERT_EQ(site.site.tables[t], &site.tables[t]);
    EXPECT_EQ(site.tables[t].version, 1);
    EXPECT_EQ(site.tables[t].count, counts[t]);
  }
  for (std::uint8_t b : site.site.reserved) EXPECT_EQ(b, 0);
}

TEST(SiteFill, DataPathTakesLongFoldersUpToMaxPathAndRefusesLonger) {
  FakeSiteHost host;
  HostSite site;
  const std::string folder = "C:\\" + std::string(200, 'f') + "\\";  // far beyond 127 characters
  host.settingsPath = folder + "LUMO40.INI";
  ASSERT_TRUE(InitHostSite(site, host));
  EXPECT_EQ(std::string(site.site.dataPath), folder + "LUMODB.DAT");
  FreeHostSite(site);

  host.settingsPath = "C:\\" + std::string(250, 'f') + "\\LUMO40.INI";
  EXPECT_FALSE(InitHostSite(site, host));
}

TEST_F(SiteTest, AppTitleAndHelpFileCopies) {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 0, buffer, 0)), 0);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 0, buffer, 1)), 1);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 0, buffer, 6)), 6);
  EXPECT_STREQ(buffer, "Lumor");
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 0, buffer, 16)), 11);
  EXPECT_STREQ(buffer, "Lumora 4.0");

  char path[64];
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 8, path, 64)), 1);
  EXPECT_STREQ(path, "C:\\Prog\\LUMO.HLP");
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 12, path, 64)), 1);
  EXPECT_STREQ(path, "C:\\Prog\\LUcnt.HLP");
  EXPECT_EQ((Call<int, char*, int>(kSiteApp, 8, path, 0)), 0);
  host.settingsPath = "LUMO40.INI";
  Call<int, char*, int>(kSiteApp, 8, path, 64);
  EXPECT_STREQ(path, "LUMO.HLP");

  EXPECT_EQ((Call<int, void*, int>(kSiteApp, 9, nullptr, 7)), 0);
  EXPECT_EQ(host.log.back(), "help LUMO.HLP 4711");
  int r = 0, g = 0, b = 0;
  EXPECT_EQ((Call<int, int*, int*, int*>(kSiteApp, 10, &r, &g, &b)), 12);
  EXPECT_EQ(r + g, 21);
  EXPECT_EQ((Call<BOOL>(kSiteApp, 7)), 1);
  host.createBackup = 0;
  EXPECT_EQ((Call<BOOL>(kSiteApp, 7)), 0);
}

TEST_F(SiteTest, WindowEntriesRefuseWindowsThatAreNotImageViews) {
  void* other = reinterpret_cast<void*>(0x999);
  EXPECT_EQ((Call<BOOL, void*>(kSiteApp, 6, other)), 0);
  EXPECT_EQ((Call<BOOL, void*>(kSiteApp, 6, host.view)), 1);
  EXPECT_EQ((Call<void*, void*>(kSiteDoc, 0, other)), nullptr);
  EXPECT_EQ((Call<void*, void*>(kSiteDoc, 0, host.view)), host.doc);
  EXPECT_EQ((Call<BOOL, void*, int>(kSiteView, 1, other, 1)), 0);
  EXPECT_EQ((Call<BOOL, void*, int>(kSiteView, 1, host.view, 1)), 1);
  EXPECT_EQ((Call<std::uint64_t, void*>(kSiteView, 13, host.view)),
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(-480)) << 32) | static_cast<std::uint32_t>(-640));
  EXPECT_EQ((Call<std::uint64_t, void*>(kSiteView, 13, other)), 0u);
  EXPECT_EQ((Call<int>(kSiteView, 12)), 120);

  // Both paint slots forward alike.
  Call<int, void*, std::intptr_t>(kSiteView, 9, host.view, 5);
  Call<int, void*, std::intptr_t>(kSiteView, 10, host.view, 6);
  EXPECT_EQ(host.log[host.log.size() - 2], "paint 5");
  EXPECT_EQ(host.log.back(), "paint 6");

  Fragment* frg = reinterpret_cast<Fragment*>(0x55);
  EXPECT_EQ((Call<Fragment*, void*, Fragment*, int>(kSiteView, 7, host.view, frg, 1)), frg) << "mode 1 changes nothing";
  EXPECT_EQ((Call<Fragment*, void*, Fragment*, int>(kSiteView, 7, host.view, frg, 0)), nullptr);
  EXPECT_EQ(host.log.back(), "select undo");
  Call<int, void*, int, std::intptr_t>(kSiteView, 8, host.view, 3, 0);
  EXPECT_EQ(host.log.back(), "notify 7");

  POINT p{0, 0};
  RECT r{1, 2, 3, 4};
  EXPECT_EQ((Call<int, void*, const RECT*, POINT*, int>(kSiteView, 16, host.view, &r, &p, 1)), 1);
  EXPECT_EQ(p.y, 1);
  EXPECT_EQ((Call<int, void*, const RECT*, POINT*, int>(kSiteView, 16, host.view, &r, nullptr, 1)), 0);
}

TEST_F(SiteTest, DocumentEntriesCheckDocumentAndLayerIndex) {
  // entry, index for a layer-taking entry called with (doc, i): 23 can paint,
  // 26 origin, 27 image.
  EXPECT_EQ((Call<int, SiteDoc, int>(kSiteDoc, 23, host.doc, 1)), 1);
  EXPECT_EQ((Call<int, SiteDoc, int>(kSiteDoc, 23, host.doc, 2)), 0) << "past the last layer";
  EXPECT_EQ((Call<int, SiteDoc, int>(kSiteDoc, 23, host.doc, -1)), 0);
  EXPECT_EQ((Call<int, SiteDoc, int>(kSiteDoc, 23, nullptr, 0)), 0);
  EXPECT_EQ((Call<std::uint64_t, SiteDoc, int>(kSiteDoc, 26, host.doc, 0)),
            (std::uint64_t{7} << 32) | static_cast<std::uint32_t>(-3));
  EXPECT_EQ((Call<std::uint64_t, SiteDoc, int>(kSiteDoc, 26, host.doc, 5)), 0u);
  EXPECT_EQ((Call<int, SiteDoc, int, int, int>(kSiteDoc, 29, host.doc, 9, 0, 0)), 0);
  EXPECT_TRUE(host.log.empty()) << "no move forwarded for a missing layer";

  int l = -1, t = -1, r = -1, b = -1;
  EXPECT_EQ((Call<BOOL, SiteDoc, int, int*, int*, int*, int*>(kSiteDoc, 25, host.doc, 1, &l, &t, &r, &b)), 1);
  EXPECT_EQ(l, 1);
  EXPECT_EQ(r, 100);
  std::uint32_t flags = 0;
  EXPECT_EQ((Call<BOOL, SiteDoc, int, std::uint32_t*>(kSiteDoc, 34, host.doc, 1, &flags)), 1);
  EXPECT_EQ(flags, 0x400001u);
  EXPECT_EQ((Call<BOOL, SiteDoc, int, std::uint32_t*>(kSiteDoc, 34, host.doc, 1, nullptr)), 0);

  EXPECT_EQ((Call<int, SiteDoc>(kSiteDoc, 22, nullptr)), -1);
  EXPECT_EQ((Call<int, SiteDoc>(kSiteDoc, 22, host.doc)), 1);
  EXPECT_EQ((Call<int, SiteDoc, int, int, int, int, int, int, int>(kSiteDoc, 33, nullptr, 0, 0, 9, 9, 1, 1, 0)), -1);
  EXPECT_EQ((Call<int, SiteDoc, int, int, int, int, int, int, int>(kSiteDoc, 33, host.doc, 0, 0, 9, 9, 1, 1, 0)), 2);
  EXPECT_EQ((Call<int, SiteDoc>(kSiteDoc, 17, host.doc)), 3);
  EXPECT_EQ((Call<int, SiteDoc>(kSiteDoc, 17, nullptr)), 0);

  // Kinds 2 and 4, and any outside 0..5, change nothing and return the kind.
  for (int kind : {2, 4, 7, -1}) EXPECT_EQ((Call<int, SiteDoc, Image*, int>(kSiteDoc, 5, host.doc, nullptr, kind)), kind);
  EXPECT_TRUE(std::find(host.log.begin(), host.log.end(), "set image 2") == host.log.end());
  EXPECT_EQ((Call<int, SiteDoc, Image*, int>(kSiteDoc, 5, host.doc, nullptr, 1)), 1);
  EXPECT_EQ(host.log.back(), "set image 1");

  char path[8];
  EXPECT_EQ((Call<int, SiteDoc, char*, int>(kSiteDoc, 11, host.doc, path, 8)), 12);
  EXPECT_STREQ(path, "C:\\img\\");
  EXPECT_EQ((Call<int, SiteDoc, const char*>(kSiteDoc, 7, host.doc, "Blur")), 1);
  EXPECT_EQ(host.log.back(), "backup Blur");
  EXPECT_EQ((Call<int, std::intptr_t>(kSiteDoc, 1, 0)), 1);
  EXPECT_EQ((Call<int, std::intptr_t>(kSiteDoc, 2, 0)), 0);
}

TEST_F(SiteTest, ErrorBoxCarriesTheDetailInTheFifthValue) {
  EXPECT_EQ((Call<int, std::intptr_t, const char*, const char*, std::intptr_t, const char*>(
                kSiteError, 0, 0, "Bad", "Lumora 4.0 Error", 0x10, "paste, 12")),
            1);
  ASSERT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_EQ(host.errorBoxes[0].message, "Bad");
  EXPECT_EQ(host.errorBoxes[0].detail, "paste, 12");
  EXPECT_EQ(host.errorBoxes[0].icon, 0x10);

  int high = 0;
  Call<int, int*, int*>(kSiteError, 1, nullptr, &high);
  EXPECT_EQ(high, 100);
}

TEST_F(SiteTest, OneProgressIndicatorAtATime) {
  using Token = std::intptr_t;
  const Token first = Call<Token, const char*>(kSiteMisc, 0, "Blur");
  const Token second = Call<Token, const char*>(kSiteMisc, 0, "Again");
  EXPECT_EQ(host.progressBegins, 1);
  EXPECT_EQ((Call<BOOL, Token, std::uint32_t, std::uint32_t>(kSiteMisc, 1, second, 1, 2)), 0);
  EXPECT_TRUE(host.progressSteps.empty()) << "the idle token steps nothing";
  Call<int, Token>(kSiteMisc, 2, second);
  EXPECT_EQ(host.progressEnds, 0) << "the idle token ends nothing";

  Call<BOOL, Token, std::uint32_t, std::uint32_t>(kSiteMisc, 1, first, 0x10000, 0x20000);
  Call<BOOL, Token, std::uint32_t, std::uint32_t>(kSiteMisc, 1, first, 300, 600);
  ASSERT_EQ(host.progressSteps.size(), 2u);
  EXPECT_EQ(host.progressSteps[0], std::make_pair(1, 2));
  EXPECT_EQ(host.progressSteps[1], std::make_pair(300, 600));
  host.cancelProgress = true;
  EXPECT_EQ((Call<BOOL, Token, std::uint32_t, std::uint32_t>(kSiteMisc, 1, first, 1, 2)), 1);
  Call<int, Token>(kSiteMisc, 2, first);
  EXPECT_EQ(host.progressEnds, 1);
  EXPECT_NE((Call<Token, const char*>(kSiteMisc, 0, nullptr)), 0) << "a new one opens after the end";
}

TEST_F(SiteTest, ProfileEntriesReachTheApplicationSettings) {
  EXPECT_EQ((Call<int, const char*, const char*, int>(kSiteMisc, 4, "Tools", "Size", 3)), 3);
  Call<int, const char*, const char*, int>(kSiteMisc, 6, "Tools", "Size", 9);
  EXPECT_EQ((Call<int, const char*, const char*, int>(kSiteMisc, 4, "Tools", "Size", 3)), 9);
  Call<int, const char*, const char*, const char*>(kSiteMisc, 7, "DefAreaManager", "FrgManager", "Area_Rect");
  char buffer[6];
  EXPECT_EQ((Call<int, const char*, const char*, const char*, char*, int>(kSiteMisc, 5, "DefAreaManager", "FrgManager",
                                                                          "", buffer, 6)),
            5);
  EXPECT_STREQ(buffer, "Area_");
}

// Every common-dialog entry reaches the library with its data: the style
// dialogs and the palette editor refuse with the library's code; the gamma
// and the open and save dialog reach their own functions.
TEST_F(SiteTest, CommonDialogEntriesForwardToTheLibrary) {
  auto* data = static_cast<CDlgData*>(site.tables[kSiteComDlg].privateData);
  ASSERT_NE(data, nullptr);
  int w = 0;
  void* p = &w;
  char section[] = "S";
  // Each with the entry's own argument types.
  const std::vector<std::pair<int, std::function<std::intptr_t()>>> refusing = {
      {4, [&] { return Call<int, void*>(kSiteComDlg, 4, p); }},
      {5, [&] { return Call<int, void*, void*, void*, int>(kSiteComDlg, 5, p, p, p, 0); }},
      {6, [&] { return Call<int, void*>(kSiteComDlg, 6, p); }},
      {7, [&] { return Call<int, void*>(kSiteComDlg, 7, p); }},
      {8, [&] { return Call<int, void*, const char*, const char*>(kSiteComDlg, 8, p, section, section); }},
      {9, [&] { return Call<int, void*, const char*, const char*>(kSiteComDlg, 9, p, section, section); }},
      {10, [&] { return Call<int>(kSiteComDlg, 10); }},
      {11, [&] { return Call<int, void*, void*>(kSiteComDlg, 11, p, p); }},
      {12, [&] { return Call<int>(kSiteComDlg, 12); }},
      {13, [&] { return Call<int>(kSiteComDlg, 13); }},
      {14, [&] { return Call<int>(kSiteComDlg, 14); }},
      {16, [&] { return Call<int>(kSiteComDlg, 16); }},
      {17, [&] { return Call<int>(kSiteComDlg, 17); }},
      {18, [&] { return reinterpret_cast<std::intptr_t>(Call<void*>(kSiteComDlg, 18)); }},
      {19, [&] { return Call<int, int>(kSiteComDlg, 19, 1); }},
      {20, [&] { return Call<int>(kSiteComDlg, 20); }},
      {21, [&] { return reinterpret_cast<std::intptr_t>(Call<void*, void*>(kSiteComDlg, 21, p)); }},
      {22, [&] { return Call<int, void*, void*>(kSiteComDlg, 22, p, p); }},
  };
  for (const auto& [index, call] : refusing) {
    SCOPED_TRACE(index);
    data->lastError = kCDlgOk;
    EXPECT_EQ(call(), 0);
    EXPECT_EQ(CDlgLastError(data), kCDlgErrorNotProvided);
  }
  EXPECT_EQ((Call<int, std::int32_t, std::int32_t, std::int32_t>(kSiteComDlg, 24, 180, 100, 50)), 1);
  EXPECT_EQ(data->gamma[0], 180);
  EXPECT_EQ(data->gamma[2], 50);
  EXPECT_EQ((Call<int, std::int32_t, std::int32_t, std::int32_t>(kSiteComDlg, 24, 0, 100, 100)), 0);
  EXPECT_EQ(CDlgLastError(data), kCDlgErrorBadValue);
  char path[8] = "x";
  data->lastError = kCDlgOk;
  EXPECT_EQ((Call<int, void*, const char*, int, const char*, const char*, char*, int, int>(
                kSiteComDlg, 25, nullptr, "T", 1, "C:\\W", "luw", path, 1, 0)),
            0);
  EXPECT_EQ(CDlgLastError(data), kCDlgErrorBadValue) << "a path buffer of one byte";
  EXPECT_EQ(Call<int>(kSiteComDlg, 1), 0) << "no colour window open";
}

}  // namespace
}  // namespace lumora
