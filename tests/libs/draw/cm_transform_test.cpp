// The display transforms against LittleCMS's own 8-bit transform (as
// transicc runs it) on a grid of inputs, and the profiles it refuses.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <cstdlib>
#include <vector>

#include "libs/draw/cm_transform.h"
#include "tests/support/cm_profiles.h"

namespace lumora::testing {
namespace {

using draw::CmProfile;
using draw::CmTransform;

CmProfile FromBytes(const std::vector<std::uint8_t>& bytes) {
  return CmProfile::FromMemory(bytes.data(), bytes.size());
}

// The grey ramp, every colour on a 5-step grid and a few odd ones, with
// alpha bytes that must come through.
std::vector<std::uint32_t> GridPixels() {
  std::vector<std::uint32_t> px;
  for (std::uint32_t v = 0; v < 256; ++v) px.push_back(0x80000000u | v * 0x010101u);
  for (std::uint32_t r = 0; r < 256; r += 5)
    for (std::uint32_t g = 0; g < 256; g += 5)
      for (std::uint32_t b = 0; b < 256; b += 5) px.push_back(((r + g) & 0xFF) << 24 | r << 16 | g << 8 | b);
  for (std::uint32_t v : {0x010203u, 0xFE01FFu, 0x7F8081u, 0x030000u, 0x000300u}) px.push_back(v);
  return px;
}

int WorstAgainstLcms(const CmTransform& ours, const CmProfile& src, const CmProfile& dst, int intent,
                     const CmProfile& proof, int proofIntent) {
  cmsHTRANSFORM ref =
      proof.Valid()
          ? cmsCreateProofingTransform(src.Handle(), TYPE_BGRA_8, dst.Handle(), TYPE_BGRA_8, proof.Handle(),
                                       intent, proofIntent, cmsFLAGS_SOFTPROOFING)
          : cmsCreateTransform(src.Handle(), TYPE_BGRA_8, dst.Handle(), TYPE_BGRA_8, intent, 0);
  EXPECT_NE(ref, nullptr);
  if (!ref) return 999;
  const std::vector<std::uint32_t> in = GridPixels();
  std::vector<std::uint32_t> expected(in.size()), got(in.size());
  cmsDoTransform(ref, in.data(), expected.data(), static_cast<cmsUInt32Number>(in.size()));
  cmsDeleteTransform(ref);
  ours.Apply(in.data(), got.data(), in.size());
  int worst = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(got[i] >> 24, in[i] >> 24) << i;
    for (int s = 0; s < 24; s += 8) {
      worst = std::max(worst, std::abs(static_cast<int>((got[i] >> s) & 0xFF) -
                                       static_cast<int>((expected[i] >> s) & 0xFF)));
    }
  }
  return worst;
}

TEST(CmTransform, MatchesLittleCmsWithinOneForEveryPathAndIntent) {
  const CmProfile srgb = CmProfile::Srgb();
  const CmProfile wide = FromBytes(WideGamutProfileBytes());
  const CmProfile wide18 = FromBytes(WideGamutProfileBytes(1.8));
  const CmProfile none;
  struct Case {
    const char* name;
    const CmProfile& src;
    const CmProfile& dst;
    int intent;
    const CmProfile& proof;
    int proofIntent;
    bool matrix;
  } cases[] = {
      {"sRGB to wide, perceptual", srgb, wide, draw::kIntentPerceptual, none, 0, true},
      {"wide to sRGB, relative", wide, srgb, draw::kIntentRelative, none, 0, true},
      {"sRGB to wide 1.8, saturation", srgb, wide18, draw::kIntentSaturation, none, 0, true},
      {"wide to sRGB, absolute", wide, srgb, draw::kIntentAbsolute, none, 0, true},
      {"sRGB to sRGB", srgb, srgb, draw::kIntentPerceptual, none, 0, true},
      {"sRGB to sRGB proofed on wide", srgb, srgb, draw::kIntentPerceptual, wide, draw::kIntentRelative, false},
      {"wide to sRGB proofed on wide 1.8", wide, srgb, draw::kIntentRelative, wide18, draw::kIntentAbsolute,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = CmTransform::Build(c.src, c.dst, c.intent, c.proof, c.proofIntent);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->IsMatrixShaper(), c.matrix);
    EXPECT_LE(WorstAgainstLcms(*t, c.src, c.dst, c.intent, c.proof, c.proofIntent), 1);
  }
}

TEST(CmTransform, RefusesDamagedForeignAndOversizedProfiles) {
  std::vector<std::uint8_t> damaged = WideGamutProfileBytes();
  damaged.resize(damaged.size() / 3);
  EXPECT_FALSE(FromBytes(damaged).Valid());
  std::vector<std::uint8_t> junk(600, 0x5A);
  EXPECT_FALSE(FromBytes(junk).Valid());
  EXPECT_FALSE(CmProfile::FromMemory(nullptr, 0).Valid());
  EXPECT_FALSE(CmProfile::FromFile("/nonexistent/monitor.icc").Valid());
  // Larger than 16 MB: refused before LittleCMS reads it.
  std::vector<std::uint8_t> huge = WideGamutProfileBytes();
  huge.resize((16u << 20) + 1);
  EXPECT_FALSE(FromBytes(huge).Valid());

  // Grey goes in, never out.
  const CmProfile grey = FromBytes(GreyProfileBytes());
  ASSERT_TRUE(grey.Valid());
  EXPECT_FALSE(grey.IsRgb());
  EXPECT_EQ(CmTransform::Build(CmProfile::Srgb(), grey, 0, CmProfile(), 0), nullptr);
  EXPECT_EQ(CmTransform::Build(grey, grey, 0, CmProfile(), 0), nullptr);
}

// A grey image's levels through its grey profile (or the default grey) to
// an RGB monitor: LittleCMS's floating-point gray-to-RGB results rounded
// (within 1), alpha kept; the default grey shows as the same greys in sRGB.
TEST(CmTransform, GreySourcesGiveLittleCmssGreyToRgbResults) {
  const CmProfile grey22 = FromBytes(GreyProfileBytes());
  const CmProfile defaultGrey = CmProfile::DefaultGrey();
  ASSERT_TRUE(defaultGrey.IsGrey());
  const CmProfile srgb = CmProfile::Srgb();
  const CmProfile wide = FromBytes(WideGamutProfileBytes());
  const CmProfile none;
  struct Case {
    const char* name;
    const CmProfile& src;
    const CmProfile& dst;
    int intent;
    const CmProfile& proof;
  } cases[] = {
      {"grey 2.2 to wide, perceptual", grey22, wide, draw::kIntentPerceptual, none},
      {"grey 2.2 to sRGB, absolute", grey22, srgb, draw::kIntentAbsolute, none},
      {"default grey to wide, relative", defaultGrey, wide, draw::kIntentRelative, none},
      {"default grey to sRGB proofed on wide", defaultGrey, srgb, draw::kIntentRelative, wide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = CmTransform::Build(c.src, c.dst, c.intent, c.proof, draw::kIntentRelative);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->IsGrey());
    cmsHTRANSFORM ref =
        c.proof.Valid()
            ? cmsCreateProofingTransform(c.src.Handle(), TYPE_GRAY_FLT, c.dst.Handle(), TYPE_RGB_FLT,
                                         c.proof.Handle(), c.intent, draw::kIntentRelative, cmsFLAGS_SOFTPROOFING)
            : cmsCreateTransform(c.src.Handle(), TYPE_GRAY_FLT, c.dst.Handle(), TYPE_RGB_FLT, c.intent, 0);
    ASSERT_NE(ref, nullptr);
    float levels[256], expected[256 * 3];
    std::vector<std::uint32_t> in(256), got(256);
    for (std::uint32_t v = 0; v < 256; ++v) {
      levels[v] = static_cast<float>(v / 255.0);
      in[v] = (255 - v) << 24 | v * 0x010101u;
    }
    cmsDoTransform(ref, levels, expected, 256);
    cmsDeleteTransform(ref);
    t->Apply(in.data(), got.data(), in.size());
    for (std::uint32_t v = 0; v < 256; ++v) {
      EXPECT_EQ(got[v] >> 24, 255 - v);
      for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(static_cast<double>((got[v] >> (16 - 8 * ch)) & 0xFF), expected[v * 3 + ch] * 255.0, 1.0) << v;
      }
    }
  }
  auto plain = CmTransform::Build(defaultGrey, srgb, draw::kIntentRelative, none, 0);
  ASSERT_NE(plain, nullptr);
  for (std::uint32_t v = 0; v < 256; ++v) {
    std::uint32_t p = v * 0x010101u;
    plain->Apply(&p, 1);
    for (int s = 0; s < 24; s += 8) EXPECT_NEAR(static_cast<int>((p >> s) & 0xFF), static_cast<int>(v), 1) << v;
  }
}

TEST(CmTransform, CacheHandsOutOneTransformPerProfilesAndIntents) {
  const CmProfile srgb = CmProfile::Srgb();
  const CmProfile wide = FromBytes(WideGamutProfileBytes());
  const CmProfile wideAgain = FromBytes(WideGamutProfileBytes());
  EXPECT_EQ(wide.Key(), wideAgain.Key());
  auto a = draw::CachedCmTransform(srgb, wide, 0, CmProfile(), 0);
  auto b = draw::CachedCmTransform(srgb, wideAgain, 0, CmProfile(), 0);
  auto c = draw::CachedCmTransform(srgb, wide, 1, CmProfile(), 0);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

}  // namespace
}  // namespace lumora::testing
