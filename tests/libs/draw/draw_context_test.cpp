// The draw context's portable half: clip restriction, kept pixels and what
// drops them, notifications, options kept for their owners.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include <lcms2.h>

#include "libs/draw/draw_context.h"
#include "tests/libs/draw/draw_test_util.h"
#include "tests/support/cm_profiles.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora::testing {
namespace {

// Without a window there is no client region: natively the notifier is told
// with no regions, on Windows only a context with a window tells it (the
// window tests check that).
#ifdef _WIN32
constexpr int kNotifiesPerChange = 0;
#else
constexpr int kNotifiesPerChange = 1;
#endif

struct CountingNotifier : VR_REDRAWNTF {
  int calls = 0;
  int Notify(HRGN, HRGN, BOOL) override {
    ++calls;
    return 1;
  }
};

std::unique_ptr<draw::DrawContext> Context(const VrWA2000::ReadWA* image, VR_REDRAWNTF* n = nullptr) {
  return std::unique_ptr<draw::DrawContext>(static_cast<draw::DrawContext*>(WACreateDrawContext(image, n)));
}

std::uint32_t Get(const std::vector<std::uint32_t>& px, const RECT& box, LONG u, LONG v) {
  return px[(v - box.top) * (box.right - box.left) + (u - box.left)];
}

void SetRed(VrWA2000::WA* image, int x, int y, std::uint8_t red) { image->Row(y)[3 * x + 2] = red; }

TEST(DrawContext, OnlyTheClipIsComputed) {
  const WARef image = RandomImage(kWAType24, 50, 40, 7);
  auto dc = Context(image.get());
  dc->SetMapping(XFFACT(2, 1), XFFACT(2, 1));
  std::vector<std::uint32_t> px;
  // Two clip rects; one reaches beyond the image (100 x 80 on screen).
  const RECT box = dc->Compose({RECT{10, 10, 20, 14}, RECT{90, 70, 130, 90}}, nullptr, false, &px);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.top, 10);
  EXPECT_EQ(box.right, 100);
  EXPECT_EQ(box.bottom, 80);
  EXPECT_EQ(px.size(), 90u * 70u);
  EXPECT_EQ(Get(px, box, 15, 12), draw::ReferencePixel(dc->Settings(), 15, 12));
  EXPECT_EQ(Get(px, box, 95, 75), draw::ReferencePixel(dc->Settings(), 95, 75));
  // Between the two rects nothing was computed.
  EXPECT_EQ(Get(px, box, 50, 40), 0u);
  EXPECT_EQ(Get(px, box, 20, 12), 0u);
  // Nothing of the image in the clip: an empty box.
  EXPECT_EQ(dc->Compose({RECT{200, 200, 210, 210}}, nullptr, false, &px).right, 0);
}

TEST(DrawContext, KeptPixelsSurviveScrollingUntilInvalidated) {
  const WARef image = MakeImage(kWAType24, 40, 30);
  auto dc = Context(image.get());
  const RECT client{0, 0, 40, 30};
  std::vector<std::uint32_t> px;
  dc->Compose({client}, &client, false, &px);
  // The image changes without being invalidated: a repaint is a blit of the
  // kept pixels.
  SetRed(image.get(), 5, 29, 200);   // window (5, 0)
  SetRed(image.get(), 30, 10, 100);  // window (30, 19)
  RECT box = dc->Compose({client}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 5, 0), 0u);
  // Scrolling by 3 keeps them too (they follow the image).
  XFFACT fx, fy;
  fx.shift(-3);
  dc->SetMapping(fx, fy);
  box = dc->Compose({RECT{0, 0, 37, 30}}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 2, 0), 0u);
  // Invalidating the image rect of one pixel brings exactly that one back.
  const RECT changed{5, 29, 6, 30};
  dc->InvalidateImageRect(&changed);
  box = dc->Compose({client}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 2, 0), 200u << 16);
  EXPECT_EQ(Get(px, box, 27, 19), 0u);
  // Null drops everything; so does a new ratio.
  dc->InvalidateImageRect(nullptr);
  box = dc->Compose({client}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 27, 19), 100u << 16);
  SetRed(image.get(), 0, 0, 50);
  dc->SetMapping(XFFACT(1, 2), XFFACT(1, 2));
  box = dc->Compose({client}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 0, 14), draw::ReferencePixel(dc->Settings(), 0, 14));
  EXPECT_NE(Get(px, box, 0, 14), 0u);
}

TEST(DrawContext, OptionChangesNotifyOnceAndDropKeptPixels) {
  const WARef image = MakeImage(kWAType24, 20, 20);
  CountingNotifier notifier;
  auto dc = Context(image.get(), &notifier);
  const RECT client{0, 0, 20, 20};
  std::vector<std::uint32_t> px;
  dc->Compose({client}, &client, false, &px);
  SetRed(image.get(), 0, 19, 90);
  dc->SetGamma(VR_GAMMAOPT{100, 100, 100});
  EXPECT_EQ(notifier.calls, kNotifiesPerChange);
  RECT box = dc->Compose({client}, &client, false, &px);
  EXPECT_EQ(Get(px, box, 0, 0), 90u << 16);
  // Each option change: one notification.
  dc->ShowGrid(1);
  dc->SetGridSettings(VR_GRIDSETTINGS{});
  dc->ShowGuides(1);
  dc->AddGuide(64, kVrGuideVertical);
  dc->RemoveGuide(64, kVrGuideVertical);
  dc->RemoveGuide(64, kVrGuideVertical);  // not there: nothing changes
  dc->SetDitherOptions(VrDefaultDitherOptions(kWAType24));
  EXPECT_EQ(notifier.calls, 7 * kNotifiesPerChange);
  // Scrolling and image invalidation are the view's to repaint.
  XFFACT fx;
  fx.shift(4);
  dc->SetMapping(fx, XFFACT());
  dc->InvalidateImageRect(nullptr);
  EXPECT_EQ(notifier.calls, 7 * kNotifiesPerChange);
}

TEST(DrawContext, DefaultsKeptValuesAndSnapping) {
  EXPECT_EQ(VrDefaultDitherOptions(kWAType1Bit).colors, 2);
  EXPECT_EQ(VrDefaultDitherOptions(kWAType4Bit).paletteKind, 3);
  EXPECT_EQ(VrDefaultDitherOptions(kWAType8Grey).paletteKind, 0);
  EXPECT_EQ(VrDefaultDitherOptions(kWAType24).colors, 16777216);
  EXPECT_EQ(VrDefaultDitherOptions(99).paletteKind, 1);
  EXPECT_EQ(WACreateDrawContext(nullptr, nullptr), nullptr);
  const WARef image = MakeImage(kWAType8Palette, 10, 10);
  auto dc = Context(image.get());
  EXPECT_EQ(dc->DitherOptions().colors, 256);
  dc->SetDocumentOption(0x55);
  dc->SetViewWords(3, 4);
  dc->SetFrameValue(9);
  std::int32_t a = 0, b = 0;
  dc->GetViewWords(&a, &b);
  EXPECT_EQ(dc->GetDocumentOption(), 0x55u);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 4);
  EXPECT_EQ(dc->GetFrameValue(), 9);
  std::int32_t below = 0, above = 0;
  EXPECT_EQ(dc->GetGridSnapX(100, &below, &above), 0);  // grid hidden
  dc->SetGridSettings(VR_GRIDSETTINGS{0, 0, 4.0, 4.0, 1});
  dc->ShowGrid(1);
  dc->SetRulerOrigin(1, 0);
  ASSERT_EQ(dc->GetGridSnapX(100, &below, &above), 1);
  EXPECT_EQ(below, 32);
  EXPECT_EQ(above, 160);
  ASSERT_EQ(dc->GetGridSnapY(100, &below, &above), 1);
  EXPECT_EQ(below, 0);
  EXPECT_EQ(above, 128);
  // A coverage mask of another size is not used.
  const WARef wrong = MakeImage(kWAType8Grey, 9, 10);
  dc->SetCoverage(wrong.get());
  EXPECT_EQ(dc->Settings().coverage, nullptr);
}

TEST(DrawContext, PaletteModeShowsOnlyPaletteColours) {
  const WARef image = RandomImage(kWAType8Palette, 16, 16, 3);
  const WARef coverage = RandomCoverage(16, 16, 4);
  auto dc = Context(image.get());
  dc->SetCoverage(coverage.get());
  const RECT client{0, 0, 16, 16};
  std::vector<std::uint32_t> px;
  dc->Compose({client}, &client, true, &px);
  const auto& entries = dc->Palette().Entries();
  ASSERT_EQ(entries.size(), 256u);
  for (std::uint32_t p : px) {
    bool found = false;
    for (const PALETTEENTRY& e : entries) {
      found |= p == ((std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue);
    }
    EXPECT_TRUE(found) << std::hex << p;
  }
  // Fully covered pixels keep their exact colour.
  dc->SetCoverage(nullptr);
  dc->Compose({client}, &client, true, &px);
  const PALETTEENTRY e = image->Palette()[image->Row(15)[0]];
  EXPECT_EQ(px[0], (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The largest channel difference between the composed window and
// LittleCMS's transform of the plain draw (image at 1:1, fully covered).
int WorstAgainstLcms(draw::DrawContext& dc, const std::vector<std::uint32_t>& plain, const RECT& client,
                     cmsHPROFILE from, cmsHPROFILE to, int intent, cmsHPROFILE proof = nullptr, int proofIntent = 0) {
  std::vector<std::uint32_t> px;
  dc.Compose({client}, nullptr, false, &px);
  EXPECT_EQ(px.size(), plain.size());
  cmsHTRANSFORM t = proof ? cmsCreateProofingTransform(from, TYPE_BGRA_8, to, TYPE_BGRA_8, proof, intent, proofIntent,
                                                       cmsFLAGS_SOFTPROOFING)
                          : cmsCreateTransform(from, TYPE_BGRA_8, to, TYPE_BGRA_8, intent, 0);
  std::vector<std::uint32_t> expected(plain.size());
  cmsDoTransform(t, plain.data(), expected.data(), static_cast<cmsUInt32Number>(plain.size()));
  cmsDeleteTransform(t);
  int worst = 0;
  for (std::size_t i = 0; i < px.size() && i < expected.size(); ++i) {
    for (int s = 0; s < 24; s += 8) {
      worst = std::max(worst, std::abs(static_cast<int>((px[i] >> s) & 255) - static_cast<int>((expected[i] >> s) & 255)));
    }
  }
  return worst;
}

VR_CMPROFILES Profiles(const std::string& monitor, const std::string& target = "", int intent = 0, int proofIntent = 0) {
  VR_CMPROFILES p;
  std::snprintf(p.monitorProfile, sizeof p.monitorProfile, "%s", monitor.c_str());
  std::snprintf(p.printerProfile, sizeof p.printerProfile, "%s", target.c_str());
  p.value1 = intent;
  p.value2 = proofIntent;
  return p;
}

// The image's profile (sRGB without one) to the monitor's at the intent,
// through the target when proofing; a refused image profile shows as sRGB,
// a refused monitor profile is sRGB, a refused target leaves proofing out;
// no monitor profile shows the pixels as they are.
TEST(DrawContext, ColourManagementShowsTheImageInTheMonitorsColours) {
  const std::filesystem::path folder = MakeUniqueTempFolder("lumora-cm-");
  const std::vector<std::uint8_t> wideBytes = WideGamutProfileBytes();
  const std::vector<std::uint8_t> wide18Bytes = WideGamutProfileBytes(1.8);
  WriteBytes(folder / "wide.icc", wideBytes);
  WriteBytes(folder / "wide18.icc", wide18Bytes);
  std::vector<std::uint8_t> junk(300, 9);
  WriteBytes(folder / "junk.icc", junk);
  const std::string wide = (folder / "wide.icc").string(), wide18 = (folder / "wide18.icc").string();
  const std::string junkPath = (folder / "junk.icc").string();
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE wideH = cmsOpenProfileFromMem(wideBytes.data(), static_cast<cmsUInt32Number>(wideBytes.size()));
  cmsHPROFILE wide18H = cmsOpenProfileFromMem(wide18Bytes.data(), static_cast<cmsUInt32Number>(wide18Bytes.size()));

  const WARef image = RandomImage(kWAType24, 64, 48, 11);
  auto dc = Context(image.get());
  const RECT client{0, 0, 64, 48};
  std::vector<std::uint32_t> plain;
  dc->Compose({client}, nullptr, false, &plain);

  dc->SetProfiles(Profiles(wide));
  EXPECT_EQ(dc->ColorManagementProblems(), 0u);
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, srgb, wideH, 0), 1);
  dc->SetProfiles(Profiles(wide18, "", draw::kIntentRelative));
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, srgb, wide18H, 1), 1);
  // The image's own profile.
  dc->SetImageProfile(wideBytes.data(), wideBytes.size());
  dc->SetProfiles(Profiles("C:\\Windows\\System32\\spool\\drivers\\color\\sRGB Color Space Profile.ICM"));
  EXPECT_EQ(dc->ColorManagementProblems(), 0u);
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, wideH, srgb, 0), 1);
  // Proofing through the target.
  dc->SetProfiles(Profiles(wide18, wide, draw::kIntentPerceptual, draw::kIntentAbsolute));
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, wideH, wide18H, 0, wideH, 3), 1);
  // A refused target: no proofing.
  dc->SetProfiles(Profiles(wide18, junkPath));
  EXPECT_EQ(dc->ColorManagementProblems(), std::uint32_t{kVrCmTargetProfileUnusable});
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, wideH, wide18H, 0), 1);
  // A damaged image profile: sRGB.
  dc->SetImageProfile(junk.data(), junk.size());
  EXPECT_EQ(dc->ColorManagementProblems(), kVrCmImageProfileIgnored | kVrCmTargetProfileUnusable);
  EXPECT_LE(WorstAgainstLcms(*dc, plain, client, srgb, wide18H, 0), 1);
  // An unreadable monitor profile: sRGB, so an sRGB image shows unchanged.
  dc->SetImageProfile(nullptr, 0);
  dc->SetProfiles(Profiles((folder / "missing.icc").string()));
  EXPECT_EQ(dc->ColorManagementProblems(), std::uint32_t{kVrCmMonitorProfileUnusable});
  std::vector<std::uint32_t> px;
  dc->Compose({client}, nullptr, false, &px);
  EXPECT_EQ(px, plain);
  // Off: the pixels as they are, whatever the image's profile.
  dc->SetImageProfile(wideBytes.data(), wideBytes.size());
  dc->SetProfiles(Profiles(""));
  dc->Compose({client}, nullptr, false, &px);
  EXPECT_EQ(px, plain);
  EXPECT_EQ(dc->ColorManagementProblems(), 0u);
  // The reference walk agrees with the fast paths under a transform.
  dc->SetProfiles(Profiles(wide));
  EXPECT_TRUE(MatchesReference(dc->Settings(), client));

  cmsCloseProfile(srgb);
  cmsCloseProfile(wideH);
  cmsCloseProfile(wide18H);
  std::filesystem::remove_all(folder);
}

// A grey image: without a profile its greys are sRGB's (the default grey),
// with a grey profile LittleCMS's grey-to-RGB result; an RGB profile on it
// is refused like a damaged one.
TEST(DrawContext, GreyImagesAreShownThroughTheirGreyProfile) {
  const std::filesystem::path folder = MakeUniqueTempFolder("lumora-cmg-");
  const std::vector<std::uint8_t> wideBytes = WideGamutProfileBytes();
  const std::vector<std::uint8_t> greyBytes = GreyProfileBytes();
  WriteBytes(folder / "wide.icc", wideBytes);
  const std::string wide = (folder / "wide.icc").string();
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE wideH = cmsOpenProfileFromMem(wideBytes.data(), static_cast<cmsUInt32Number>(wideBytes.size()));
  cmsHPROFILE greyH = cmsOpenProfileFromMem(greyBytes.data(), static_cast<cmsUInt32Number>(greyBytes.size()));

  const WARef image = RandomImage(kWAType8Grey, 64, 48, 5);
  auto dc = Context(image.get());
  const RECT client{0, 0, 64, 48};
  std::vector<std::uint32_t> plain;
  dc->Compose({client}, nullptr, false, &plain);
  // Without a profile: as the same greys in sRGB would show (LittleCMS's
  // full-precision pipeline: its optimised 8-bit RGB path is off by up to 5
  // in the deepest shadows of a gamma curve).
  auto worstAgainstSrgbGreys = [&] {
    std::vector<std::uint32_t> shown;
    dc->Compose({client}, nullptr, false, &shown);
    cmsHTRANSFORM t = cmsCreateTransform(srgb, TYPE_BGRA_8, wideH, TYPE_BGRA_8, 1, cmsFLAGS_NOOPTIMIZE);
    std::vector<std::uint32_t> want(plain.size());
    cmsDoTransform(t, plain.data(), want.data(), static_cast<cmsUInt32Number>(plain.size()));
    cmsDeleteTransform(t);
    int worst = 0;
    for (std::size_t i = 0; i < shown.size() && i < want.size(); ++i) {
      for (int sh = 0; sh < 24; sh += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((shown[i] >> sh) & 255) - static_cast<int>((want[i] >> sh) & 255)));
      }
    }
    return worst;
  };
  dc->SetProfiles(Profiles(wide, "", draw::kIntentRelative));
  EXPECT_EQ(dc->ColorManagementProblems(), 0u);
  EXPECT_LE(worstAgainstSrgbGreys(), 1);
  std::vector<std::uint32_t> px;
  dc->Compose({client}, nullptr, false, &px);
  EXPECT_NE(px, plain);
  // Its own grey profile: LittleCMS's grey-to-RGB (full precision), within 1.
  dc->SetImageProfile(greyBytes.data(), greyBytes.size());
  EXPECT_EQ(dc->ColorManagementProblems(), 0u);
  dc->Compose({client}, nullptr, false, &px);
  std::vector<float> levels(plain.size()), expected(plain.size() * 3);
  for (std::size_t i = 0; i < plain.size(); ++i) levels[i] = static_cast<float>((plain[i] & 0xFF) / 255.0);
  cmsHTRANSFORM t = cmsCreateTransform(greyH, TYPE_GRAY_FLT, wideH, TYPE_RGB_FLT, 1, 0);
  ASSERT_NE(t, nullptr);
  cmsDoTransform(t, levels.data(), expected.data(), static_cast<cmsUInt32Number>(levels.size()));
  cmsDeleteTransform(t);
  ASSERT_EQ(px.size(), levels.size());
  for (std::size_t i = 0; i < px.size(); ++i) {
    for (int ch = 0; ch < 3; ++ch) {
      ASSERT_NEAR(static_cast<double>((px[i] >> (16 - 8 * ch)) & 0xFF), expected[i * 3 + ch] * 255.0, 1.0) << i;
    }
  }
  EXPECT_TRUE(MatchesReference(dc->Settings(), client));
  // An RGB profile on a grey image: ignored, the default grey shown.
  dc->SetImageProfile(wideBytes.data(), wideBytes.size());
  EXPECT_EQ(dc->ColorManagementProblems(), std::uint32_t{kVrCmImageProfileIgnored});
  EXPECT_LE(worstAgainstSrgbGreys(), 1);

  cmsCloseProfile(srgb);
  cmsCloseProfile(wideH);
  cmsCloseProfile(greyH);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora::testing
