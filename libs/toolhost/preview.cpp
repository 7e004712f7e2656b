// The tool host's preview switch.
#include <atomic>

#include "hostapi/toolhost.h"

namespace {
std::atomic<int> gDisabled{0};
}  // namespace

void LUPreview_Enable(int enable) {
  if (enable != 0) {
    int current = gDisabled.load();
    while (current > 0 && !gDisabled.compare_exchange_weak(current, current - 1)) {
    }
  } else {
    gDisabled.fetch_add(1);
  }
}

bool LUPreview_IsEnabled() { return gDisabled.load() == 0; }
