// The layer compositors: small fixtures that pin each path (mask, disabled
// mask, hidden layer, mask only, highlight, riders of every kind, blend-if,
// a mask of another size), and random layers drawn by the members against
// a pixel-by-pixel reference that addresses every buffer directly.
#include <gtest/gtest.h>

#include <random>

#include "engine/blend/composite_support.h"
#include "engine/blend/CompositeRows.h"
#include "engine/layers/LayerMng.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ByteAt;
using lumora::testing::ColourLayer;
using lumora::testing::DefaultInfo;
using lumora::testing::FillRandom;
using lumora::testing::FillRandomMask;
using lumora::testing::GreyLayer;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SameBytes;
using lumora::testing::SolidBuffer;

WAPtr Dst(int w, int h, int value) { return SolidBuffer(kWAType24, w, h, value); }
WAPtr Cov(int w, int h, int value) { return SolidBuffer(kWAType8Grey, w, h, value); }

TEST(LayerCompositeRect, MaskCoverageAndClipping) {
  WAPtr dst = Dst(4, 2, 200), cov = Cov(4, 2, 0);
  CLayerPtr layer = ColourLayer(RECT{1, 0, 3, 2}, 10, 20, 30, 128);
  const RECT all{-5, -5, 10, 10};  // reaches outside the destination
  EXPECT_EQ(layer->CompositeRect24(dst.get(), cov.get(), &all), 0);
  // Over coverage 0 the layer's own pixel lands and the coverage takes its
  // weight; outside the layer nothing changes.
  EXPECT_EQ(PixelAt(dst.get(), 1, 0), (Px{10, 20, 30}));
  EXPECT_EQ(ByteAt(cov.get(), 2, 1), 128);
  EXPECT_EQ(PixelAt(dst.get(), 0, 0), (Px{200, 200, 200}));
  EXPECT_EQ(ByteAt(cov.get(), 3, 1), 0);
  // A covered destination mixes: (10 * 128 + 200 * 127) / 255 = 104.
  WAPtr covered = Cov(4, 2, 255);
  WAPtr dst2 = Dst(4, 2, 200);
  layer->CompositeRect24(dst2.get(), covered.get(), &all);
  EXPECT_EQ(PixelAt(dst2.get(), 2, 0).b, (10 * 128 + 200 * 127) / 255);
  EXPECT_EQ(ByteAt(covered.get(), 2, 0), 255);
}

TEST(LayerCompositeRect, NullRectHiddenDisabledMaskAndMaskOnly) {
  CLayerPtr layer = ColourLayer(RECT{0, 0, 2, 2}, 10, 20, 30, 0);
  const RECT all{0, 0, 2, 2};
  WAPtr dst = Dst(2, 2, 200), cov = Cov(2, 2, 0);
  EXPECT_EQ(layer->CompositeRect24(dst.get(), cov.get(), nullptr), 0);
  EXPECT_EQ(layer->Composite24(dst.get(), cov.get(), nullptr, nullptr), 0);
  layer->CompositeRect24(dst.get(), cov.get(), &all);  // mask 0: nothing shows
  EXPECT_TRUE(lumora::testing::AllBytes(cov.get(), 0));
  EXPECT_TRUE(lumora::testing::AllBytes(dst.get(), 200));
  layer->SetVisible(0);
  layer->EnableMask(0);
  layer->CompositeRect24(dst.get(), cov.get(), &all);  // hidden
  EXPECT_TRUE(lumora::testing::AllBytes(dst.get(), 200));
  layer->SetVisible(1);
  layer->CompositeRect24(dst.get(), cov.get(), &all);  // the disabled mask takes no part
  EXPECT_EQ(PixelAt(dst.get(), 1, 1), (Px{10, 20, 30}));
  EXPECT_EQ(ByteAt(cov.get(), 1, 1), 255);
  // Mask only: the mask as grey, fully covering, even for a hidden layer.
  layer->PeekMask()->Row(0)[1] = 77;
  layer->SetHideLayerChannels(1);
  layer->SetVisible(0);
  WAPtr dst3 = Dst(2, 2, 1), cov3 = Cov(2, 2, 0);
  layer->DrawMaskOnly24(dst3.get(), cov3.get(), &all);
  EXPECT_EQ(PixelAt(dst3.get(), 1, 0), (Px{77, 77, 77}));
  EXPECT_TRUE(lumora::testing::AllBytes(cov3.get(), 255));
  // The composites of a hidden layer draw nothing, mask view or not.
  WAPtr dst4 = Dst(2, 2, 1);
  layer->CompositeRect24(dst4.get(), cov3.get(), &all);
  EXPECT_TRUE(lumora::testing::AllBytes(dst4.get(), 1));
}

TEST(LayerCompositeRect, BlendIfHidesDarkPixels) {
  WAPtr dst = Dst(2, 1, 200), cov = Cov(2, 1, 255);
  CLayerPtr layer = ColourLayer(RECT{0, 0, 2, 1}, 10, 10, 10);
  layer->PeekImage()->Row(0)[3] = layer->PeekImage()->Row(0)[4] = layer->PeekImage()->Row(0)[5] =
      100;
  LAYER_INFO info = layer->GetLayerInfo();
  info.blendIf[0][0] = 50, info.blendIf[0][1] = 60;  // this layer's grey: nothing below 50
  layer->SetLayerInfo(info);
  const RECT all{0, 0, 2, 1};
  layer->CompositeRect24(dst.get(), cov.get(), &all);
  EXPECT_EQ(PixelAt(dst.get(), 0, 0), (Px{200, 200, 200}));
  EXPECT_EQ(PixelAt(dst.get(), 1, 0), (Px{100, 100, 100}));
}

TEST(LayerCompositeRect, AMaskOfAnotherSizeIsNeverReadPastItsEnd) {
  // A mask smaller than the layer: only the part it covers is drawn, and
  // nothing past the mask buffer is read (the sanitizers would see it).
  CLayerPtr layer = ColourLayer(RECT{0, 0, 6, 4}, 1, 2, 3);
  ASSERT_EQ(layer->ReplaceMask(SolidBuffer(kWAType8Grey, 3, 2, 255).get()), 0);
  WAPtr dst = Dst(6, 4, 9), cov = Cov(6, 4, 0);
  const RECT all{0, 0, 6, 4};
  layer->CompositeRect24(dst.get(), cov.get(), &all);
  EXPECT_EQ(ByteAt(cov.get(), 2, 1), 255);
  EXPECT_EQ(ByteAt(cov.get(), 3, 1), 0);
  EXPECT_EQ(ByteAt(cov.get(), 0, 2), 0);
  layer->SetHideLayerChannels(1);
  layer->SetMaskHighlight(0);
  layer->DrawMaskOnly24(dst.get(), cov.get(), &all);
  EXPECT_EQ(ByteAt(cov.get(), 5, 3), 0);
}

TEST(LayerHighlight, TintOverTheMaskedOutPart) {
  MaskHighlight red;  // (255, 0, 0) at the opacity given per case
  red.opacity = 255;
  CLayerPtr layer = ColourLayer(RECT{0, 0, 3, 1}, 0, 0, 0, 0);
  layer->PeekMask()->Row(0)[1] = 255;
  layer->PeekMask()->Row(0)[2] = 128;
  layer->SetMaskHighlight(1);
  const RECT all{0, 0, 3, 1};
  WAPtr dst = Dst(3, 1, 40), cov = Cov(3, 1, 0);
  EXPECT_EQ(layer->DrawMaskHighlight24(dst.get(), nullptr, &all, red), 0);  // needs coverage
  EXPECT_TRUE(lumora::testing::AllBytes(dst.get(), 40));
  layer->DrawMaskHighlight24(dst.get(), cov.get(), &all, red);
  EXPECT_EQ(PixelAt(dst.get(), 0, 0), (Px{0, 0, 255}));  // m = 0 over nothing: the colour
  EXPECT_EQ(ByteAt(cov.get(), 0, 0), 255);
  EXPECT_EQ(PixelAt(dst.get(), 1, 0), (Px{40, 40, 40}));  // m = 255: untouched
  EXPECT_EQ(ByteAt(cov.get(), 1, 0), 0);
  EXPECT_EQ(ByteAt(cov.get(), 2, 0), 127);  // a = 127 over c = 0
  // Over a covered pixel: T = 65025, byte = (d c (255 - a) + h a 255) / T.
  WAPtr dst2 = Dst(3, 1, 40), cov2 = Cov(3, 1, 255);
  layer->DrawMaskHighlight24(dst2.get(), cov2.get(), &all, red);
  EXPECT_EQ(PixelAt(dst2.get(), 2, 0),
            (Px{40 * 128 / 255, 40 * 128 / 255, (40 * 128 + 255 * 127) / 255}));
}

TEST(LayerHighlight, GreyDestinationTakesTheTintsGrey) {
  const struct {
    MaskHighlight colour;
    int grey;
  } cases[] = {{{255, 0, 0, 255}, 76}, {{0, 255, 0, 255}, 150}, {{0, 0, 255, 255}, 28}};
  for (const auto& c : cases) {
    CLayerPtr layer = GreyLayer(RECT{0, 0, 1, 1}, 5, 0);
    layer->SetMaskHighlight(1);
    WAPtr dst = SolidBuffer(kWAType8Grey, 1, 1, 0), cov = Cov(1, 1, 0);
    const RECT all{0, 0, 1, 1};
    layer->DrawMaskHighlight8(dst.get(), cov.get(), &all, c.colour);
    EXPECT_EQ(ByteAt(dst.get(), 0, 0), c.grey);
  }
}

// ---- Riders ----

struct RiderFixture {
  CLayerPtr layer;
  CLayerPtr rider;
  WAPtr dst, cov;
};

// A 4 x 1 layer (colour 100, mask as given) with a rider over its right
// half (colour 10, 20, 30, mask 255) on a destination of value 200.
RiderFixture MakeRiderFixture(int layerMask, bool maskRider) {
  RiderFixture f;
  f.layer = ColourLayer(RECT{0, 0, 4, 1}, 100, 100, 100, layerMask);
  const RECT half{2, 0, 4, 1};
  LAYER_INFO info = DefaultInfo("Work");
  f.rider = maskRider ? CLayerPtr::Adopt(new CLayerMask(&half, info, kWAType8Grey, 1))
                      : CLayerPtr::Adopt(new CLayerPaint(&half, info, kWAType24, 1));
  VrWA2000::WA* image = f.rider->PeekImage();
  for (int x = 0; x < 2; ++x) {
    if (maskRider) {
      image->Row(0)[x] = 30;
    } else {
      image->Row(0)[3 * x] = 10, image->Row(0)[3 * x + 1] = 20, image->Row(0)[3 * x + 2] = 30;
    }
    f.rider->PeekMask()->Row(0)[x] = 255;
  }
  f.dst = Dst(4, 1, 200);
  f.cov = Cov(4, 1, 0);
  return f;
}

TEST(LayerRider, PaintStrokeShowsInTheOverlapOnly) {
  RiderFixture f = MakeRiderFixture(255, false);
  const RECT all{0, 0, 4, 1};
  f.layer->Composite24(f.dst.get(), f.cov.get(), &all, f.rider.get());
  EXPECT_EQ(PixelAt(f.dst.get(), 1, 0), (Px{100, 100, 100}));
  EXPECT_EQ(PixelAt(f.dst.get(), 2, 0), (Px{10, 20, 30}));
  EXPECT_TRUE(lumora::testing::AllBytes(f.cov.get(), 255));
}

TEST(LayerRider, UnlockedStrokeMakesTransparentPixelsShowLockedEraserDoesNot) {
  const RECT all{0, 0, 4, 1};
  RiderFixture open = MakeRiderFixture(0, false);  // the layer's mask hides everything
  open.layer->Composite24(open.dst.get(), open.cov.get(), &all, open.rider.get());
  EXPECT_EQ(PixelAt(open.dst.get(), 3, 0), (Px{10, 20, 30}));
  EXPECT_EQ(ByteAt(open.cov.get(), 3, 0), 255);
  EXPECT_EQ(ByteAt(open.cov.get(), 1, 0), 0);
  // A replacing stroke with the transparency locked changes pixels, never
  // where the layer shows.
  RiderFixture locked = MakeRiderFixture(0, false);
  locked.rider->SetPaintOnLayer(1);
  locked.rider->SetReplace(1);
  locked.layer->Composite24(locked.dst.get(), locked.cov.get(), &all, locked.rider.get());
  EXPECT_TRUE(lumora::testing::AllBytes(locked.cov.get(), 0));
  RiderFixture lockedOver = MakeRiderFixture(255, false);
  lockedOver.rider->SetPaintOnLayer(1);
  lockedOver.rider->SetReplace(1);
  lockedOver.layer->Composite24(lockedOver.dst.get(), lockedOver.cov.get(), &all,
                                lockedOver.rider.get());
  EXPECT_EQ(PixelAt(lockedOver.dst.get(), 3, 0), (Px{10, 20, 30}));
}

TEST(LayerRider, EraserReplacesAndMaskRiderChangesTheWeight) {
  const RECT all{0, 0, 4, 1};
  // An unlocked replacing rider mixes its pixel in by its weights (plain
  // mix): here it replaces outright.
  RiderFixture eraser = MakeRiderFixture(255, false);
  eraser.rider->SetReplace(1);
  eraser.layer->Composite24(eraser.dst.get(), eraser.cov.get(), &all, eraser.rider.get());
  EXPECT_EQ(PixelAt(eraser.dst.get(), 3, 0), (Px{10, 20, 30}));
  // A locked mask rider writes its value (Normal, full weight) as the
  // layer's weight: 30 over a covered destination.
  RiderFixture mask = MakeRiderFixture(255, true);
  mask.rider->SetPaintOnLayer(1);
  WAPtr covered = Cov(4, 1, 255);
  mask.layer->Composite24(mask.dst.get(), covered.get(), &all, mask.rider.get());
  EXPECT_EQ(PixelAt(mask.dst.get(), 0, 0), (Px{100, 100, 100}));
  EXPECT_EQ(PixelAt(mask.dst.get(), 3, 0).b, (100 * 30 + 200 * 225) / 255);
}

TEST(LayerRider, ARiderOutsideTheLayerIsIgnored) {
  RiderFixture f = MakeRiderFixture(255, false);
  f.rider->MoveTo(POINT{10, 0});
  const RECT all{0, 0, 4, 1};
  WAPtr plain = Dst(4, 1, 200), plainCov = Cov(4, 1, 0);
  f.layer->CompositeRect24(plain.get(), plainCov.get(), &all);
  f.layer->Composite24(f.dst.get(), f.cov.get(), &all, f.rider.get());
  EXPECT_TRUE(SameBytes(f.dst.get(), plain.get()));
  EXPECT_TRUE(SameBytes(f.cov.get(), plainCov.get()));
}

TEST(LayerRider, MaskViewsShowTheStrokeInTheMask) {
  const RECT all{0, 0, 4, 1};
  RiderFixture f = MakeRiderFixture(0, true);  // a mask stroke of value 30
  f.rider->SetPaintOnLayer(1);
  f.layer->SetHideLayerChannels(1);
  f.layer->Composite24(f.dst.get(), f.cov.get(), &all, f.rider.get());
  EXPECT_EQ(PixelAt(f.dst.get(), 1, 0), (Px{0, 0, 0}));
  EXPECT_EQ(PixelAt(f.dst.get(), 2, 0), (Px{30, 30, 30}));
  EXPECT_TRUE(lumora::testing::AllBytes(f.cov.get(), 255));
  // The highlight follows the stroke: the stroked half is half as masked.
  f.layer->SetHideLayerChannels(0);
  f.layer->SetMaskHighlight(1);
  const MaskHighlight white{255, 255, 255, 255};
  WAPtr dst = Dst(4, 1, 0), cov = Cov(4, 1, 255);
  f.layer->CompositeHighlight24(dst.get(), cov.get(), &all, f.rider.get(), white);
  EXPECT_EQ(PixelAt(dst.get(), 0, 0).r, 255);
  EXPECT_EQ(PixelAt(dst.get(), 3, 0).r, 225);
}

// ---- Random layers against a pixel-by-pixel reference ----

// The layer's pixel at image (x, y) drawn with a one-pixel row call; the
// buffers are addressed directly and a pixel outside any buffer is skipped.
void ReferenceRect(CLayer& layer, VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT& rect) {
  if (layer.IsVisible() == 0) return;
  const RECT& lr = layer.GetRect();
  VrWA2000::WA* src =
      layer.PeekSavedImage() != nullptr ? layer.PeekSavedImage() : layer.PeekImage();
  const bool maskOn = layer.IsMaskEnabled() != 0;
  VrWA2000::WA* mask =
      maskOn ? (layer.PeekSavedMask() ? layer.PeekSavedMask() : layer.PeekMask()) : nullptr;
  VrWA2000::WA* aux = maskOn ? layer.PeekAux() : nullptr;
  auto inside = [](const VrWA2000::WA* b, LONG x, LONG y) {
    return x >= 0 && y >= 0 && x < b->GetW() && y < b->GetH();
  };
  layer.EnsureBlendFunction();
  for (LONG y = rect.top; y < rect.bottom; ++y) {
    for (LONG x = rect.left; x < rect.right; ++x) {
      const LONG lx = x - lr.left, ly = y - lr.top;
      if (!lumora::RectContainsPoint(lr, x, y) || !inside(dst, x, y) || !inside(src, lx, ly))
        continue;
      if ((mask && !inside(mask, lx, ly)) || (aux && !inside(aux, lx, ly))) continue;
      if (cov && !inside(cov, x, y)) continue;
      CompositeRow24(layer.GetBlendContext(), dst->Row(y) + 3 * x, src->Row(ly) + 3 * lx,
                     mask ? mask->Row(ly) + lx : nullptr, aux ? aux->Row(ly) + lx : nullptr, 1,
                     cov ? cov->Row(y) + x : nullptr, lx, ly);
    }
  }
}

// The same with a rider: its stroke where layer, rider and every buffer
// meet, the rider loop chosen by the rider's flags.
void ReferenceRider(CLayer& layer, CLayer& rider, VrWA2000::WA* dst, VrWA2000::WA* cov,
                    const RECT& rect) {
  if (layer.IsVisible() == 0) return;
  const RECT& lr = layer.GetRect();
  const RECT& rr = rider.GetRect();
  VrWA2000::WA* src = layer.PeekImage();
  VrWA2000::WA* mask = layer.HasMask() ? layer.PeekMask() : nullptr;
  VrWA2000::WA* aux = layer.PeekAux();
  auto inside = [](const VrWA2000::WA* b, LONG x, LONG y) {
    return b == nullptr || (x >= 0 && y >= 0 && x < b->GetW() && y < b->GetH());
  };
  layer.EnsureBlendFunction();
  rider.EnsureBlendFunction();
  for (LONG y = rect.top; y < rect.bottom; ++y) {
    for (LONG x = rect.left; x < rect.right; ++x) {
      const LONG lx = x - lr.left, ly = y - lr.top, rx = x - rr.left, ry = y - rr.top;
      if (!lumora::RectContainsPoint(lr, x, y) || !inside(dst, x, y) || !inside(cov, x, y))
        continue;
      const bool stroke = lumora::RectContainsPoint(rr, x, y) &&
                          inside(rider.PeekImage(), rx, ry) && inside(rider.PeekMask(), rx, ry) &&
                          inside(rider.PeekAux(), rx, ry) && inside(src, lx, ly) &&
                          inside(mask, lx, ly) && inside(aux, lx, ly);
      if (!stroke) {
        ReferenceRect(layer, dst, cov, RECT{x, y, x + 1, y + 1});
        continue;
      }
      RiderRowRecord rec;
      rec.dst = dst->Row(y) + 3 * x;
      rec.src = src->Row(ly) + 3 * lx;
      rec.weight1 = mask ? mask->Row(ly) + lx : nullptr;
      rec.weight2 = aux ? aux->Row(ly) + lx : nullptr;
      rec.forceOpaque = (layer.GetMaskFlags() & kMaskDisabled) ? 1 : 0;
      rec.n = 1;
      rec.coverage = cov ? cov->Row(y) + x : nullptr;
      rec.rider = &rider.GetBlendContext();
      rec.riderBytesPerPixel = rider.PeekImage()->GetType() == kWAType24 ? 3 : 1;
      rec.riderPixels = rider.PeekImage()->Row(ry) + rec.riderBytesPerPixel * rx;
      rec.riderWeight1 = rider.PeekMask() ? rider.PeekMask()->Row(ry) + rx : nullptr;
      rec.riderWeight2 = rider.PeekAux() ? rider.PeekAux()->Row(ry) + rx : nullptr;
      rec.riderIsMask = rider.IsMask() != 0;
      rec.riderLocked = rider.IsTransparencyLocked() != 0;
      rec.x = lx, rec.y = ly, rec.riderX = rx, rec.riderY = ry;
      const bool locked = rec.riderLocked, replace = rider.GetReplace() != 0;
      if (!locked && !replace) {
        CompositeBlendRiderRow24(layer.GetBlendContext(), rec);
      } else if (!locked) {
        CompositeRiderRow24(layer.GetBlendContext(), rec, 0);
      } else if (!replace || rec.riderIsMask) {
        CompositeWorkRow24(layer.GetBlendContext(), rec);
      } else {
        CompositeRiderRow24(layer.GetBlendContext(), rec, 1);
      }
    }
  }
}

RECT RandomRect(std::mt19937& rng, int w, int h) {
  RECT r{static_cast<LONG>(rng() % (w + 6)) - 3, static_cast<LONG>(rng() % (h + 6)) - 3, 0, 0};
  r.right = r.left + 1 + static_cast<LONG>(rng() % w);
  r.bottom = r.top + 1 + static_cast<LONG>(rng() % h);
  return r;
}

CLayerPtr RandomLayer(std::mt19937& rng, const RECT& r, bool paint) {
  LAYER_INFO info = DefaultInfo();
  // Dissolve often: its pattern depends on where each pixel lies.
  info.mergeMode = rng() % 4 == 0 ? kMergeDissolve : static_cast<int>(rng() % kMergeModeCount);
  info.opacity = rng() % 3 == 0 ? 100 : static_cast<int>(rng() % 101);
  if (rng() % 4 == 0) info.blendIf[5][2] = 100;  // underlying green
  const bool withMask = rng() % 4 != 0;
  CLayerPtr layer = paint ? CLayerPtr::Adopt(new CLayerPaint(&r, info, kWAType24, withMask ? 1 : 0))
                          : CLayerPtr::Adopt(new CLayer(&r, info, kWAType24, withMask ? 1 : 0));
  FillRandom(layer->PeekImage(), rng);
  if (withMask) {
    FillRandomMask(layer->PeekMask(), rng);
    if (rng() % 5 == 0) layer->EnableMask(0);
    if (rng() % 5 == 0) {  // a mask of another size
      const RECT& lr = layer->GetRect();
      WAPtr other = lumora::testing::SolidBuffer(
          kWAType8Grey, 1 + static_cast<int>(rng() % (lr.right - lr.left + 2)),
          1 + static_cast<int>(rng() % (lr.bottom - lr.top + 2)), 0);
      FillRandomMask(other.get(), rng);
      layer->ReplaceMask(other.get());
    }
  }
  if (rng() % 3 == 0) {
    layer->CreateAuxBuffer(0);
    FillRandomMask(layer->PeekAux(), rng);
  }
  return layer;
}

TEST(LayerCompositeProperty, MembersMatchThePixelByPixelReference) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 6);
    CLayerPtr layer = RandomLayer(rng, RandomRect(rng, w, h), false);
    if (rng() % 6 == 0) {  // saved copies stand in for image and mask
      layer->SaveImageCopy(layer->GetRect());
      layer->SaveMaskCopy(layer->GetRect());
      FillRandom(layer->PeekImage(), rng);
    }
    if (rng() % 8 == 0) layer->SetVisible(0);
    WAPtr dst = SolidBuffer(kWAType24, w, h, 0), ref = SolidBuffer(kWAType24, w, h, 0);
    FillRandom(dst.get(), rng);
    ref = WAPtr::Adopt(CloneWA(dst.get()));
    const bool withCov = rng() % 4 != 0;
    WAPtr cov = withCov ? SolidBuffer(kWAType8Grey, w, h, 0) : nullptr;
    if (cov) lumora::testing::FillRandomMask(cov.get(), rng);
    WAPtr refCov = cov ? WAPtr::Adopt(CloneWA(cov.get())) : nullptr;
    const RECT rect = RandomRect(rng, w, h);
    if (rng() % 2 == 0 && layer->PeekSavedImage() == nullptr) {
      CLayerPtr rider = RandomLayer(rng, RandomRect(rng, w, h), true);
      rider->SetPaintOnLayer(static_cast<int>(rng() % 2));
      rider->SetReplace(static_cast<int>(rng() % 2));
      layer->Composite24(dst.get(), cov.get(), &rect, rider.get());
      ReferenceRider(*layer, *rider, ref.get(), refCov.get(), rect);
    } else {
      layer->CompositeRect24(dst.get(), cov.get(), &rect);
      ReferenceRect(*layer, ref.get(), refCov.get(), rect);
    }
    ASSERT_TRUE(SameBytes(dst.get(), ref.get()));
    if (cov) {
      ASSERT_TRUE(SameBytes(cov.get(), refCov.get()));
    }
  }
}

}  // namespace
