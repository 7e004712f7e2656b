// The site's selection table: entry 0 relays the library's callbacks to the
// tool's own with the table's descriptor and the tool's word; the other
// entries are the library's calls.
#include <gtest/gtest.h>

#include <vector>

#include "app/Site.h"
#include "hostapi/selfrg.h"
#include "libs/selfrg/Tracking.h"
#include "tests/app/site/fake_site_host.h"

namespace lumora {
namespace {

struct Seen {
  const LU_SITE_TABLE* descriptor = nullptr;
  int calls[5] = {};
  std::vector<std::intptr_t> codes;
};

std::intptr_t One(const LU_SITE_TABLE* d, SFHandler*, void* user, std::intptr_t a, std::intptr_t b) {
  auto* s = static_cast<Seen*>(user);
  s->descriptor = d;
  s->codes.push_back(a);
  ++s->calls[1];
  (void)b;
  return 41;
}
std::intptr_t Three(const LU_SITE_TABLE* d, SFHandler*, void* user) {
  static_cast<Seen*>(user)->descriptor = d;
  return ++static_cast<Seen*>(user)->calls[3];
}
std::intptr_t Four(const LU_SITE_TABLE*, SFHandler*, void* user) { return ++static_cast<Seen*>(user)->calls[4]; }

class NoWindows : public selfrg::Tracking {
 public:
  bool Start(SFHandler*) override { return true; }
  void Stop(SFHandler*) override {}
  void ShowOutline(SFHandler*, const RECT*) override {}
  void ShowOffset(SFHandler*, POINT) override {}
  void ScrollToward(SFHandler*, POINT) override {}
};

template <typename Fn>
Fn At(HostSite& site, int index) {
  return reinterpret_cast<Fn>(site.tables[kSiteSelFrg].table[index]);
}

TEST(SiteSelectionTable, TheRelayHandsTheToolsCallbacksTheDescriptorAndItsWord) {
  test::FakeSiteHost host;
  HostSite site;
  ASSERT_TRUE(InitHostSite(site, host));
  const LU_SITE_TABLE* table = &site.tables[kSiteSelFrg];
  EXPECT_EQ(table->count, 29);
  ASSERT_NE(table->privateData, nullptr) << "the library's data is allocated with the site";
  FreeHostSite(site);
  EXPECT_EQ(site.tables[kSiteSelFrg].privateData, nullptr);
  ASSERT_TRUE(InitHostSite(site, host));

  NoWindows windows;
  selfrg::SetTracking(&windows);
  Seen seen;
  const SF_SITEBLOCK block{reinterpret_cast<void*>(7), One, nullptr, Three, Four, &seen};
  const auto create = At<SFHandler* (*)(const LU_SITE_TABLE*, const SF_SITEBLOCK*)>(site, kSFCreateSelHandler);
  SFHandler* h = create(table, &block);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(At<void* (*)(const LU_SITE_TABLE*, SFHandler*)>(site, kSFGetSelHandlerWnd)(table, h),
            reinterpret_cast<void*>(7));

  // A move: the library maps through callback 1, and with no callback 2
  // the relay answers 0 (nobody took the moved fragment).
  const LURECT r{0, 0, 10, 10};
  Fragment* f = CreateRectFrg(&r, 0);
  ASSERT_TRUE((At<int (*)(const LU_SITE_TABLE*, SFHandler*, Fragment*, int)>(site, kSFSetSelHandlerFrg)(table, h, f, 1)));
  DeleteFragment(f);
  const auto begin = At<int (*)(const LU_SITE_TABLE*, SFHandler*, std::intptr_t, int)>(site, kSFBeginSelectFrg);
  ASSERT_EQ(begin(table, h, SFPackPoint(POINT{3, 3}), kSFBeginMove), 1);
  EXPECT_EQ(seen.descriptor, table);
  ASSERT_FALSE(seen.codes.empty());
  EXPECT_EQ(seen.codes.front(), kSFMapToImage) << "the press is mapped into the image first";
  selfrg::Release(h, POINT{6, 6});
  EXPECT_EQ(seen.calls[3], 0) << "moved: handed to callback 2's relay, not dropped";
  Fragment* kept = At<Fragment* (*)(const LU_SITE_TABLE*, SFHandler*)>(site, kSFGetSelHandlerFrg)(table, h);
  LURECT b{};
  GetFragmentBoundRect(kept, &b);
  DeleteFragment(kept);
  EXPECT_EQ(b.x, 0) << "refused by the relay: the fragment stays";

  ASSERT_EQ(begin(table, h, SFPackPoint(POINT{3, 3}), kSFBeginMove), 1);
  EXPECT_EQ(At<int (*)(const LU_SITE_TABLE*, SFHandler*)>(site, kSFEndSelectFrg)(table, h), 1);
  EXPECT_EQ(seen.calls[3], 1);

  // Deleting: callback 4 through the relay, whose record goes with it.
  EXPECT_EQ(At<int (*)(const LU_SITE_TABLE*, SFHandler*)>(site, kSFDeleteSelHandler)(table, h), 1);
  EXPECT_EQ(seen.calls[4], 1);
  selfrg::SetTracking(nullptr);
  FreeHostSite(site);
}

}  // namespace
}  // namespace lumora
