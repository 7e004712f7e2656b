// The site the program handed over, and the calls that reach the program
// through it (its error box). The library keeps one site per process.
#include <cstdio>
#include <string>

#include "hostapi/toolhost.h"
#include "libs/toolhost/SiteCalls.h"
#include "res/StringTable.h"
#include "res/toolhost_ids.h"

namespace {

const LU_SITE* gSite = nullptr;

const LU_SITE* SiteOf(const void* site) {
  return site != nullptr ? static_cast<const LU_SITE*>(site) : gSite;
}

// Entry `index` of table `table`, or null when the site lacks it.
LUSiteEntry Entry(const LU_SITE* site, int table, int index) {
  if (site == nullptr) return nullptr;
  const LU_SITE_TABLE* descriptor = site->tables[table];
  if (descriptor == nullptr || descriptor->table == nullptr || index >= descriptor->count) return nullptr;
  return descriptor->table[index];
}

// A message box style's icon bits.
constexpr int kIconMask = 0xF0;
constexpr int kIconStop = 0x10;

// The error box's caption from the program's string table; its texts are
// literals, so the view ends in a terminator.
const char* CaptionText() {
  const std::string_view caption = res::String(kTextErrorCaption);
  return caption.empty() ? "" : caption.data();
}

}  // namespace

std::string lumora::toolhost::ProgramFolder(const void* site) {
  const LU_SITE* s = SiteOf(site);
  if (s == nullptr) return std::string();
  const std::string path(s->dataPath);
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

LUSiteEntry LUSiteEntryOf(const void* site, int table, int index, const LU_SITE_TABLE** descriptor) {
  const LU_SITE* s = SiteOf(site);
  const LUSiteEntry entry = Entry(s, table, index);
  if (descriptor != nullptr) *descriptor = entry != nullptr ? s->tables[table] : nullptr;
  return entry;
}

int LUInitSitePrivateData(LU_SITE* site) {
  if (site == nullptr || site->version != 1) return 0;
  for (const LU_SITE_TABLE* t : site->tables) {
    if (t == nullptr) return 0;
  }
  gSite = site;
  return 1;
}

void LUFreeSitePrivateData(LU_SITE* site) {
  if (site == gSite) gSite = nullptr;
}

int LUShowSiteErrorBox(const void* site, const char* message, const char* caption, int icon,
                       const char* detail) {
  const LU_SITE* s = SiteOf(site);
  const auto entry = reinterpret_cast<LUShowErrorBoxEntry>(Entry(s, kSiteError, 0));
  if (entry == nullptr) return 0;
  return entry(s->tables[kSiteError], 0, message, caption, icon, detail);
}

int LUErrorMessageBox(const void* site, void* owner, const char* text, const char* caption, int flags,
                      int style) {
  const int icon = (style & kIconMask) != 0 ? (style & kIconMask) : kIconStop;
  LUShowSiteErrorBox(site, text, caption != nullptr ? caption : CaptionText(), icon, "");
  return 1;  // IDOK
}

std::string LUFormatErrorMessage(const LUErrorState& state) {
  char buffer[64];
  std::string message;
  if (state.code > 0 && res::HasString(kTextErrorBase + static_cast<std::uint32_t>(state.code))) {
    message = res::String(kTextErrorBase + static_cast<std::uint32_t>(state.code));
  } else {
    std::snprintf(buffer, sizeof buffer, "Error %d", state.code);
    message = buffer;
  }
  if (!state.text.empty()) message += "\n" + state.text;
  return message;
}

std::string LUFormatErrorDetail(const LUErrorState& state) {
  if (state.source.empty()) return std::string();
  return state.source + ", " + std::to_string(state.line);
}

void LUPrintErrorState(const void* site) {
  const LUErrorState state = LUGetErrorState();
  LUResetError();
  // 1 is a cancel: the user already knows.
  if (state.code == 0 || state.code == 1) return;
  const std::string message = LUFormatErrorMessage(state);
  const std::string detail = LUFormatErrorDetail(state);
  LUShowSiteErrorBox(site, message.c_str(), CaptionText(), kIconStop, detail.c_str());
}

// ---------------------------------------------------------------------------
// Settings, help file and windows through the site.

namespace {

template <typename Fn>
Fn SiteEntry(const void* site, int table, int index, const LU_SITE*& s) {
  s = SiteOf(site);
  return reinterpret_cast<Fn>(Entry(s, table, index));
}

enum : int {
  kAppGetMainWnd = 2,
  kAppGetHelpFile = 8,
  kViewShareOrCopyFragment = 14,
  kMiscGetProfileInt = 4,
  kMiscGetProfileString = 5,
  kMiscWriteProfileInt = 6,
  kMiscWriteProfileString = 7,
};

}  // namespace

int LUGetProfileInt(const void* site, const char* section, const char* key, int defaultValue) {
  const LU_SITE* s;
  using Fn = int (*)(const LU_SITE_TABLE*, const char*, const char*, int);
  const Fn entry = SiteEntry<Fn>(site, kSiteMisc, kMiscGetProfileInt, s);
  return entry != nullptr ? entry(s->tables[kSiteMisc], section, key, defaultValue) : defaultValue;
}

int LUGetProfileString(const void* site, const char* section, const char* key, const char* defaultValue,
                       char* buffer, int size) {
  const LU_SITE* s;
  using Fn = int (*)(const LU_SITE_TABLE*, const char*, const char*, const char*, char*, int);
  const Fn entry = SiteEntry<Fn>(site, kSiteMisc, kMiscGetProfileString, s);
  if (entry != nullptr) return entry(s->tables[kSiteMisc], section, key, defaultValue, buffer, size);
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  return 0;
}

int LUWriteProfileInt(const void* site, const char* section, const char* key, int value) {
  const LU_SITE* s;
  using Fn = int (*)(const LU_SITE_TABLE*, const char*, const char*, int);
  const Fn entry = SiteEntry<Fn>(site, kSiteMisc, kMiscWriteProfileInt, s);
  return entry != nullptr ? entry(s->tables[kSiteMisc], section, key, value) : 0;
}

int LUWriteProfileString(const void* site, const char* section, const char* key, const char* text) {
  const LU_SITE* s;
  using Fn = int (*)(const LU_SITE_TABLE*, const char*, const char*, const char*);
  const Fn entry = SiteEntry<Fn>(site, kSiteMisc, kMiscWriteProfileString, s);
  return entry != nullptr ? entry(s->tables[kSiteMisc], section, key, text) : 0;
}

Fragment* LUShareOrCopyFragment(const void* site, void* view, Fragment* fragment, int copy) {
  const LU_SITE* s;
  using Fn = Fragment* (*)(const LU_SITE_TABLE*, void*, Fragment*, int);
  const Fn entry = SiteEntry<Fn>(site, kSiteView, kViewShareOrCopyFragment, s);
  return entry != nullptr ? entry(s->tables[kSiteView], view, fragment, copy) : nullptr;
}

int LUGetHelpPath(const void* site, char* buffer, int size) {
  const LU_SITE* s;
  using Fn = int (*)(const LU_SITE_TABLE*, char*, int);
  const Fn entry = SiteEntry<Fn>(site, kSiteApp, kAppGetHelpFile, s);
  if (entry != nullptr) return entry(s->tables[kSiteApp], buffer, size);
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  return 0;
}

void* LUGetMainWnd(const void* site) {
  const LU_SITE* s;
  using Fn = void* (*)(const LU_SITE_TABLE*);
  const Fn entry = SiteEntry<Fn>(site, kSiteApp, kAppGetMainWnd, s);
  return entry != nullptr ? entry(s->tables[kSiteApp]) : nullptr;
}
