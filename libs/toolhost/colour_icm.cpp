// The shared colour window's colour management, through entry 23 of the
// site's common-dialog table.
#include "hostapi/toolhost.h"

namespace {

constexpr int kComDlgSetupICMSelColorWindow = 23;

}  // namespace

int LUSetupICMSelColorWindow(const void* site, const char* monitorProfile, const char* targetProfile, int intent,
                             int proofIntent) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = int (*)(const LU_SITE_TABLE*, const char*, const char*, int, int);
  const auto entry = reinterpret_cast<Fn>(LUSiteEntryOf(site, kSiteComDlg, kComDlgSetupICMSelColorWindow, &d));
  return entry != nullptr ? entry(d, monitorProfile, targetProfile, intent, proofIntent) : 0;
}
