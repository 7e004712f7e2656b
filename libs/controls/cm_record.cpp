// The control library's colour-management record: while it says on, the
// library's swatches paint their (sRGB) colours as the monitor shows them.
#include <cstdio>
#include <memory>
#include <mutex>

#include "hostapi/controls.h"
#include "hostapi/draw.h"

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<const VR_CMCOLOURS>& Current() {
  static std::shared_ptr<const VR_CMCOLOURS> colours;
  return colours;
}

}  // namespace

int VrCtlSetColorManagement(const VR_CTLCMRECORD* record) {
  if (record == nullptr || record->tag != kVrCtlCmRecordTag) return 0;
  std::shared_ptr<const VR_CMCOLOURS> next;
  if (record->icmOff == 0 && record->monitorProfile[0] != '\0') {
    const int intent = IcmIntentOfCode(record->renderIntent);
    const int proofIntent = IcmIntentOfCode(record->proofingIntent);
    if (intent < 0 || (record->proofing != 0 && proofIntent < 0)) return 0;
    VR_CMPROFILES profiles;
    std::snprintf(profiles.monitorProfile, sizeof profiles.monitorProfile, "%.*s",
                  static_cast<int>(sizeof record->monitorProfile), record->monitorProfile);
    if (record->proofing != 0) {
      std::snprintf(profiles.printerProfile, sizeof profiles.printerProfile, "%.*s",
                    static_cast<int>(sizeof record->targetProfile), record->targetProfile);
    }
    profiles.value1 = intent;
    profiles.value2 = proofIntent < 0 ? 0 : proofIntent;
    next.reset(WACreateCmColours(profiles, nullptr));
  }
  {
    std::lock_guard<std::mutex> hold(Lock());
    Current() = std::move(next);
  }
  VrCtlRepaintSwatches();
  return 1;
}

std::uint32_t VrCtlDisplayColour(std::uint32_t colour) {
  colour &= 0xFFFFFF;
  std::shared_ptr<const VR_CMCOLOURS> colours;
  {
    std::lock_guard<std::mutex> hold(Lock());
    colours = Current();
  }
  return colours ? colours->Show(colour) : colour;
}

#ifndef _WIN32
void VrCtlRepaintSwatches() {}
#endif
