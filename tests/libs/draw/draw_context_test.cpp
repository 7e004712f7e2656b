// The draw context's portable half: clip restriction, kept pixels and what
// drops them, notifications, options kept for their owners.
#include <gtest/gtest.h>

#include <memory>

#include "libs/draw/draw_context.h"
#include "tests/libs/draw/draw_test_util.h"

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

}  // namespace
}  // namespace lumora::testing
