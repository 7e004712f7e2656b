// The colour window under colour management: its colours are sRGB values,
// painted as the monitor shows them (through the proofing target when one
// is set), the way the image views show an sRGB image.
#include <cstdio>
#include <memory>

#include "hostapi/draw.h"
#include "libs/comdlg/ColourWindow.h"

int SetupICMSelColorWindow(CDlgData* data, const char* monitorProfile, const char* targetProfile, int intent,
                           int proofIntent) {
  if (data == nullptr) return 0;
  std::shared_ptr<const VR_CMCOLOURS> next;
  if (monitorProfile != nullptr && monitorProfile[0] != '\0') {
    const int icc = IcmIntentOfCode(intent);
    const int proofIcc = IcmIntentOfCode(proofIntent);
    if (icc < 0 || (targetProfile != nullptr && proofIcc < 0)) return 0;
    VR_CMPROFILES profiles;
    std::snprintf(profiles.monitorProfile, sizeof profiles.monitorProfile, "%s", monitorProfile);
    if (targetProfile != nullptr) {
      std::snprintf(profiles.printerProfile, sizeof profiles.printerProfile, "%s", targetProfile);
    }
    profiles.value1 = icc;
    profiles.value2 = proofIcc < 0 ? 0 : proofIcc;
    next.reset(WACreateCmColours(profiles, nullptr));
  }
  data->icm = std::move(next);
  // An open window paints its colours again.
  lumora::comdlg::ComDlgWindows* windows = lumora::comdlg::CurrentComDlgWindows();
  if (data->window != nullptr && windows != nullptr) windows->ShowColour(data->window, data->colour);
  return 1;
}

std::uint32_t SelColorWindowDisplayColour(const CDlgData* data, std::uint32_t colour) {
  colour &= 0xFFFFFF;
  if (data == nullptr || !data->icm) return colour;
  return data->icm->Show(colour);
}
