// Filling and releasing the site record handed to the tool host.
#include "app/Site.h"

#include <cstring>

#include "engine/pixels/AppValues.h"
#include "hostapi/selfrg.h"
#include "hostapi/comdlg.h"

namespace lumora {

std::string BesideSettingsFile(const std::string& settingsPath, const char* fileName) {
  // Either separator: a folder may be written with forward slashes too.
  const std::size_t slash = settingsPath.find_last_of("\\/");
  if (slash == std::string::npos) return fileName;
  return settingsPath.substr(0, slash + 1) + fileName;
}

namespace {

std::intptr_t SendThroughHost(void* context, void* window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  return static_cast<HostSite*>(context)->host->SendToWindow(window, message, wParam, lParam);
}

}  // namespace

BOOL InitHostSite(HostSite& site, SiteHost& host) {
  // The library data are kept across a second fill.
  void* comDlgData = site.tables[kSiteComDlg].privateData;
  void* selFrgData = site.tables[kSiteSelFrg].privateData;
  std::memset(&site.site, 0, sizeof site.site);
  site.site.version = 1;
  site.host = &host;
  site.progressOpen = false;

  const std::string dataPath = BesideSettingsFile(host.SettingsPath(), "LUMODB.DAT");
  if (dataPath.size() >= kLUSitePathSize) return 0;
  std::memcpy(site.site.dataPath, dataPath.c_str(), dataPath.size() + 1);

  for (int t = 0; t < kSiteTableCount; ++t) {
    LU_SITE_TABLE& descriptor = site.tables[t];
    descriptor = LU_SITE_TABLE{SiteTableEntries(t), 1, kSiteEntryCounts[t], nullptr, &site};
    site.site.tables[t] = &descriptor;
  }
  site.tables[kSiteComDlg].privateData = comDlgData != nullptr ? comDlgData : AllocCDlgData();
  // The selection library's data, once.
  if (selFrgData == nullptr) selFrgData = SF_AllocSfrgData(&site.site);
  if (selFrgData == nullptr) return 0;
  site.tables[kSiteSelFrg].privateData = selFrgData;

  if (!LUInitSitePrivateData(&site.site)) return 0;
  SetToolHostSite(&site.site);
  LUSetMessageSender(SendThroughHost, &site);
  return 1;
}

void FreeHostSite(HostSite& site) {
  LUFreeSitePrivateData(&site.site);
  LUSetMessageSender(nullptr, nullptr);
  if (GetToolHostSite() == &site.site) SetToolHostSite(nullptr);
  if (site.tables[kSiteSelFrg].privateData != nullptr) SF_FreeSfrgData(site.tables[kSiteSelFrg].privateData);
  site.tables[kSiteSelFrg].privateData = nullptr;
  FreeCDlgData(static_cast<CDlgData*>(site.tables[kSiteComDlg].privateData));
  site.tables[kSiteComDlg].privateData = nullptr;
}

}  // namespace lumora
