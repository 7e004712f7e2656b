// Single colours under colour management: the colour window's colours (set
// up through its ICM entry) and the control library's swatches (through
// the 540-byte record) are sRGB painted as LittleCMS shows them on the
// monitor profile; off, refused or cleared settings paint them unchanged.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "hostapi/controls.h"
#include "hostapi/draw.h"
#include "libs/comdlg/ColourWindow.h"
#include "tests/support/cm_profiles.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora::testing {
namespace {

const std::uint32_t kColours[] = {0x000000, 0xFFFFFF, 0x2080F0, 0x10F020, 0x808080, 0xF01808, 0x040810};

// LittleCMS's sRGB -> `monitor` of a 0x00BBGGRR colour (optionally proofed).
std::uint32_t Lcms(cmsHPROFILE monitor, int intent, std::uint32_t colour, cmsHPROFILE proof = nullptr,
                   int proofIntent = 0) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM t = proof ? cmsCreateProofingTransform(srgb, TYPE_RGB_8, monitor, TYPE_RGB_8, proof, intent,
                                                       proofIntent, cmsFLAGS_SOFTPROOFING)
                          : cmsCreateTransform(srgb, TYPE_RGB_8, monitor, TYPE_RGB_8, intent, 0);
  std::uint8_t in[3] = {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                        static_cast<std::uint8_t>(colour >> 16)};
  std::uint8_t out[3] = {};
  cmsDoTransform(t, in, out, 1);
  cmsDeleteTransform(t);
  cmsCloseProfile(srgb);
  return out[0] | out[1] << 8 | std::uint32_t{out[2]} << 16;
}

int Distance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int s = 0; s < 24; s += 8) {
    worst = std::max(worst, std::abs(static_cast<int>((a >> s) & 255) - static_cast<int>((b >> s) & 255)));
  }
  return worst;
}

class SingleColours : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeUniqueTempFolder("lumora-cmc-");
    wideBytes_ = WideGamutProfileBytes(1.8);
    monitor_ = (folder_ / "monitor.icc").string();
    std::FILE* f = std::fopen(monitor_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(wideBytes_.data(), 1, wideBytes_.size(), f);
    std::fclose(f);
    wide_ = cmsOpenProfileFromMem(wideBytes_.data(), static_cast<cmsUInt32Number>(wideBytes_.size()));
    srgb_ = cmsCreate_sRGBProfile();
  }
  void TearDown() override {
    cmsCloseProfile(wide_);
    cmsCloseProfile(srgb_);
    VR_CTLCMRECORD off;
    off.icmOff = 1;
    VrCtlSetColorManagement(&off);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::filesystem::path folder_;
  std::vector<std::uint8_t> wideBytes_;
  std::string monitor_;
  cmsHPROFILE wide_ = nullptr;
  cmsHPROFILE srgb_ = nullptr;
};

TEST_F(SingleColours, TheColourWindowPaintsThroughTheMonitorProfileItWasSetUpWith) {
  CDlgData data;
  for (std::uint32_t c : kColours) EXPECT_EQ(SelColorWindowDisplayColour(&data, c), c) << "not set up";
  // Relative colorimetric (code 2).
  ASSERT_EQ(SetupICMSelColorWindow(&data, monitor_.c_str(), nullptr, 2, 4), 1);
  int moved = 0;
  for (std::uint32_t c : kColours) {
    const std::uint32_t shown = SelColorWindowDisplayColour(&data, c);
    EXPECT_LE(Distance(shown, Lcms(wide_, INTENT_RELATIVE_COLORIMETRIC, c)), 1) << std::hex << c;
    moved += Distance(shown, c) > 4;
  }
  EXPECT_GE(moved, 3);
  // The window paints through colour management first, then the monitor's
  // gamma (as the views do).
  for (std::uint32_t c : kColours) EXPECT_EQ(comdlg::PaintedColour(&data, c), SelColorWindowDisplayColour(&data, c));
  data.gamma[0] = data.gamma[1] = data.gamma[2] = 200;
  for (std::uint32_t c : kColours) {
    const std::uint32_t managed = SelColorWindowDisplayColour(&data, c);
    const std::uint32_t painted = comdlg::PaintedColour(&data, c);
    for (int i = 0; i < 3; ++i) {
      const double v = 255.0 * std::pow(comdlg::Channel(managed, i) / 255.0, 0.5);
      EXPECT_NEAR(comdlg::Channel(painted, i), v, 0.51) << std::hex << c;
    }
  }
  data.gamma[0] = data.gamma[1] = data.gamma[2] = 100;
  // Proofing through the target (absolute, code 8) at perceptual (4).
  ASSERT_EQ(SetupICMSelColorWindow(&data, monitor_.c_str(), "sRGB Color Space Profile.ICM", 4, 8), 1);
  for (std::uint32_t c : kColours) {
    EXPECT_LE(Distance(SelColorWindowDisplayColour(&data, c),
                       Lcms(wide_, INTENT_PERCEPTUAL, c, srgb_, INTENT_ABSOLUTE_COLORIMETRIC)),
              1)
        << std::hex << c;
  }
  // An intent code that is none: refused, the set-up kept.
  const std::uint32_t before = SelColorWindowDisplayColour(&data, 0x2080F0);
  EXPECT_EQ(SetupICMSelColorWindow(&data, monitor_.c_str(), nullptr, 3, 4), 0);
  EXPECT_EQ(SelColorWindowDisplayColour(&data, 0x2080F0), before);
  EXPECT_EQ(SetupICMSelColorWindow(nullptr, monitor_.c_str(), nullptr, 4, 4), 0);
  // Off (no monitor profile): the colours as they are.
  ASSERT_EQ(SetupICMSelColorWindow(&data, nullptr, nullptr, 4, 4), 1);
  for (std::uint32_t c : kColours) EXPECT_EQ(SelColorWindowDisplayColour(&data, c), c);
}

TEST_F(SingleColours, SwatchesFollowTheControlLibrarysRecord) {
  static_assert(sizeof(VR_CTLCMRECORD) == 540);
  VR_CTLCMRECORD record;
  EXPECT_EQ(record.tag, 0x49434D02u);
  std::snprintf(record.monitorProfile, sizeof record.monitorProfile, "%s", monitor_.c_str());
  record.icmOff = 0;
  record.renderIntent = 4;
  record.proofingIntent = 4;
  ASSERT_EQ(VrCtlSetColorManagement(&record), 1);
  for (std::uint32_t c : kColours) {
    EXPECT_LE(Distance(VrCtlDisplayColour(c), Lcms(wide_, INTENT_PERCEPTUAL, c)), 1) << std::hex << c;
  }
  const std::uint32_t managed = VrCtlDisplayColour(0x2080F0);
  EXPECT_GT(Distance(managed, 0x2080F0), 4);
  // Refused: another tag, a null record, an unknown intent code; the
  // swatches keep what they had.
  VR_CTLCMRECORD wrong = record;
  wrong.tag = 0x49434D01;
  EXPECT_EQ(VrCtlSetColorManagement(&wrong), 0);
  EXPECT_EQ(VrCtlSetColorManagement(nullptr), 0);
  wrong = record;
  wrong.renderIntent = 3;
  EXPECT_EQ(VrCtlSetColorManagement(&wrong), 0);
  EXPECT_EQ(VrCtlDisplayColour(0x2080F0), managed);
  // The off flag: colours unchanged, whatever the profiles say.
  record.icmOff = 1;
  ASSERT_EQ(VrCtlSetColorManagement(&record), 1);
  for (std::uint32_t c : kColours) EXPECT_EQ(VrCtlDisplayColour(c), c);
  // An unreadable monitor profile is sRGB: unchanged too.
  record.icmOff = 0;
  std::snprintf(record.monitorProfile, sizeof record.monitorProfile, "%s", (folder_ / "missing.icc").string().c_str());
  ASSERT_EQ(VrCtlSetColorManagement(&record), 1);
  for (std::uint32_t c : kColours) EXPECT_EQ(VrCtlDisplayColour(c), c);
}

}  // namespace
}  // namespace lumora::testing
