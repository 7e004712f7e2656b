// ICC profiles for the colour-management tests, made with LittleCMS: a wide
// gamut RGB (primaries 0.680/0.320, 0.265/0.690, 0.150/0.060, white D65,
// gamma 2.2) and a grey profile (not RGB).
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <vector>

namespace lumora::testing {

inline std::vector<std::uint8_t> SaveProfile(cmsHPROFILE h) {
  cmsUInt32Number size = 0;
  std::vector<std::uint8_t> bytes;
  if (h && cmsSaveProfileToMem(h, nullptr, &size) && size > 0) {
    bytes.resize(size);
    cmsSaveProfileToMem(h, bytes.data(), &size);
  }
  if (h) cmsCloseProfile(h);
  return bytes;
}

inline std::vector<std::uint8_t> WideGamutProfileBytes(double gamma = 2.2) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE h = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  return SaveProfile(h);
}

inline std::vector<std::uint8_t> SrgbProfileBytes() { return SaveProfile(cmsCreate_sRGBProfile()); }

inline std::vector<std::uint8_t> GreyProfileBytes() {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE h = cmsCreateGrayProfile(cmsD50_xyY(), curve);
  cmsFreeToneCurve(curve);
  return SaveProfile(h);
}

}  // namespace lumora::testing
