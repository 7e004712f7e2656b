// The host's open and save dialog: the common-dialog library's, started in
// a folder under the program's.
#include <string>

#include "hostapi/toolhost.h"
#include "libs/toolhost/SiteCalls.h"

namespace {

constexpr int kComDlgOpenGadgetDialog = 25;

}  // namespace

int LUOpenGadgetDialog(const void* site, void* owner, LU_GADGETDLG* record) {
  if (record == nullptr || record->path == nullptr || record->pathSize < 2) return 0;
  const LU_SITE_TABLE* d = nullptr;
  using Fn = int (*)(const LU_SITE_TABLE*, void*, const char*, int, const char*, const char*, char*, int, int);
  const auto entry = reinterpret_cast<Fn>(LUSiteEntryOf(site, kSiteComDlg, kComDlgOpenGadgetDialog, &d));
  if (entry == nullptr) return 0;
  const std::string folder =
      lumora::toolhost::ProgramFolder(site) + (record->folderKey != nullptr ? record->folderKey : "");
  return entry(d, owner, record->title, record->open != 0 ? 1 : 0, folder.c_str(),
               record->defaultExtension != nullptr ? record->defaultExtension : "", record->path, record->pathSize, 0);
}
