// Single colours through colour management (swatches, the colour window):
// an sRGB colour shown as the views show an sRGB image.
#include <memory>

#include "hostapi/draw.h"
#include "libs/draw/cm_transform.h"

namespace lumora::draw {
namespace {

class CmColours final : public VR_CMCOLOURS {
 public:
  explicit CmColours(std::shared_ptr<const CmTransform> transform) : transform_(std::move(transform)) {}
  std::uint32_t Show(std::uint32_t colour) const override {
    // 0x00BBGGRR to the transform's 0x00RRGGBB and back.
    std::uint32_t p = (colour & 0xFF) << 16 | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    if (transform_) transform_->Apply(&p, 1);
    return (p & 0xFF) << 16 | (p & 0xFF00) | ((p >> 16) & 0xFF);
  }

 private:
  std::shared_ptr<const CmTransform> transform_;
};

bool IntentOk(std::int32_t intent) { return intent >= kIntentPerceptual && intent <= kIntentAbsolute; }

}  // namespace
}  // namespace lumora::draw

VR_CMCOLOURS* WACreateCmColours(const VR_CMPROFILES& profiles, std::uint32_t* problems) {
  using namespace lumora::draw;
  std::uint32_t found = 0;
  VR_CMCOLOURS* made = nullptr;
  VR_CMPROFILES p = profiles;
  p.monitorProfile[sizeof p.monitorProfile - 1] = '\0';
  p.printerProfile[sizeof p.printerProfile - 1] = '\0';
  if (p.monitorProfile[0] != '\0') {
    const CmProfile srgb = CmProfile::Srgb();
    CmProfile monitor = OpenDisplayProfile(p.monitorProfile);
    if (!monitor.IsRgb()) {
      monitor = srgb;
      found |= kVrCmMonitorProfileUnusable;
    }
    CmProfile proof;
    if (p.printerProfile[0] != '\0') {
      proof = OpenDisplayProfile(p.printerProfile);
      if (!proof.Valid()) found |= kVrCmTargetProfileUnusable;
    }
    const int intent = IntentOk(p.value1) ? p.value1 : kIntentPerceptual;
    const int proofIntent = IntentOk(p.value2) ? p.value2 : kIntentPerceptual;
    std::shared_ptr<const CmTransform> transform;
    if (proof.Valid() || monitor.Key() != srgb.Key()) {
      transform = CachedCmTransform(srgb, monitor, intent, proof, proofIntent);
      if (!transform && proof.Valid()) {
        found |= kVrCmTargetProfileUnusable;
        if (monitor.Key() != srgb.Key()) transform = CachedCmTransform(srgb, monitor, intent, CmProfile(), 0);
      }
    }
    made = new CmColours(std::move(transform));
  }
  if (problems != nullptr) *problems = found;
  return made;
}
