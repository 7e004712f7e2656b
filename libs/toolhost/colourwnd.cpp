// The shared colour window and the pick-up, reached through the site's
// common-dialog table (the descriptor carries that library's data).
#include "hostapi/toolhost.h"

namespace {

enum : int {
  kComDlgOpenSelColorWindow = 0,
  kComDlgIsSelColorWindowOpened = 1,
  kComDlgShowSelColorWindow = 2,
  kComDlgCloseSelColorWindow = 3,
  kComDlgPickUpColor = 15,
  kComDlgSetSelColorWindowGamma = 24,
};

template <typename Fn>
Fn ComDlgEntry(const void* site, int index, const LU_SITE_TABLE*& descriptor) {
  return reinterpret_cast<Fn>(LUSiteEntryOf(site, kSiteComDlg, index, &descriptor));
}

}  // namespace

void* LUGetActiveOLEFrameWnd(const void* site) { return LUGetMainWnd(site); }

int LUOpenSelColorWindow(const void* site, void* frame, void* owner, std::uint32_t colour) {
  const LU_SITE_TABLE* d;
  using Fn = int (*)(const LU_SITE_TABLE*, void*, void*, std::uint32_t);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgOpenSelColorWindow, d);
  return entry != nullptr ? entry(d, frame, owner, colour) : 0;
}

int LUIsSelColorWindowOpened(const void* site) {
  const LU_SITE_TABLE* d;
  using Fn = int (*)(const LU_SITE_TABLE*);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgIsSelColorWindowOpened, d);
  return entry != nullptr ? entry(d) : 0;
}

void* LUShowSelColorWindow(const void* site, void* owner, std::uint32_t colour) {
  const LU_SITE_TABLE* d;
  using Fn = void* (*)(const LU_SITE_TABLE*, void*, std::uint32_t);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgShowSelColorWindow, d);
  return entry != nullptr ? entry(d, owner, colour) : nullptr;
}

int LUCloseSelColorWindow(const void* site) {
  const LU_SITE_TABLE* d;
  using Fn = int (*)(const LU_SITE_TABLE*);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgCloseSelColorWindow, d);
  return entry != nullptr ? entry(d) : 0;
}

std::int32_t LUPickUpColor(const void* site, void* window, int reserved1, int reserved2) {
  const LU_SITE_TABLE* d;
  using Fn = std::int32_t (*)(const LU_SITE_TABLE*, void*, int, int);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgPickUpColor, d);
  return entry != nullptr ? entry(d, window, reserved1, reserved2) : -1;
}

int LUSetSelColorWindowGamma(const void* site, std::int32_t red, std::int32_t green, std::int32_t blue) {
  const LU_SITE_TABLE* d;
  using Fn = int (*)(const LU_SITE_TABLE*, std::int32_t, std::int32_t, std::int32_t);
  const Fn entry = ComDlgEntry<Fn>(site, kComDlgSetSelColorWindowGamma, d);
  return entry != nullptr ? entry(d, red, green, blue) : 0;
}
