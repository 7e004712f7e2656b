// Mixing without a window: settings, the channel fill, the top mask and
// its masking, the blend, and the working layer's stay in the target.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dialogs/Mixing.h"
#include "document/MixingSession.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "framework/Profile.h"
#include "platform/rect.h"
#include "tests/document/null_host.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

CLayerPtr Rgb(const RECT& rect, int r, int g, int b) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, rect.right - rect.left, rect.bottom - rect.top, nullptr));
  FillWA(image.get(), r, g, b);
  return CLayerPtr::Adopt(new CLayer(image.get(), POINT{rect.left, rect.top}, 0, nullptr, 0));
}
CLayerPtr Work(int type, int w, int h) {
  const RECT whole{0, 0, w, h};
  LAYER_INFO info;
  InitLayerInfo(info);
  return CLayerPtr::Adopt(new CLayer(&whole, info, type, 0));
}
int At(const CLayer& layer, int x, int y) {
  const RECT r = layer.GetRect();
  return layer.PeekImage()->Row(y - r.top)[(x - r.left) * (layer.GetImageType() == kWAType24 ? 3 : 1)];
}
int MaskAt(const CLayer& layer, int x, int y) {
  const RECT r = layer.GetRect();
  return layer.PeekMask()->Row(y - r.top)[x - r.left];
}

TEST(MixingSettings, OpacityInOneByteZeroReadsOneAndAbove100Reads100ResultClamped) {
  const std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora-mixing-");
  fw::IniFile ini((folder / "m.ini").string());
  MixingSettings s = LoadMixingSettings(ini);
  EXPECT_EQ(s.topChannel, "Grey");
  EXPECT_EQ(s.bottomLayer, "Merged");
  EXPECT_EQ(s.opacity, 100);
  const struct {
    int stored, read;
  } cases[] = {{0, 1}, {250, 100}, {256, 1}, {300, 44}, {57, 57}};
  for (const auto& c : cases) {
    ini.WriteInt("MIXINGS", "opacity", c.stored);
    EXPECT_EQ(LoadMixingSettings(ini).opacity, c.read) << c.stored;
  }
  ini.WriteInt("MIXINGS", "result", 5);
  EXPECT_EQ(LoadMixingSettings(ini).result, 1);
  ini.WriteInt("MIXINGS", "result", -2);
  EXPECT_EQ(LoadMixingSettings(ini).result, 0);
  s.merge = "Screen";
  s.result = 1;
  SaveMixingSettings(ini, s);
  EXPECT_EQ(ini.GetString("MIXINGS", "merge", ""), "Screen");
  EXPECT_EQ(ini.GetInt("MIXINGS", "result", 0), 1);
  std::filesystem::remove_all(folder);
}

TEST(MixingFill, ASmallerBottomIsWhiteAroundBlackForTransparencyAndTransparentPixelsStayWhite) {
  CLayerPtr bottom = Rgb(RECT{2, 2, 6, 6}, 255, 0, 0);  // pure red
  ASSERT_EQ(bottom->CreateMask(1), kLayerOk);
  bottom->PeekMask()->Row(1)[1] = 0;  // image pixel (3, 3) fully transparent
  CLayerPtr work = Work(kWAType8Grey, 8, 8);
  FillMixingChannel(*work, bottom.get(), kChannelGrey, false);
  EXPECT_EQ(At(*work, 0, 0), 255);
  EXPECT_EQ(At(*work, 4, 4), 76);   // (30 * 255) / 100
  EXPECT_EQ(At(*work, 3, 3), 255);  // transparent: left white
  FillMixingChannel(*work, bottom.get(), kChannelTransparency, false);
  EXPECT_EQ(At(*work, 0, 0), 0);
  EXPECT_EQ(At(*work, 4, 4), 255);
  EXPECT_EQ(At(*work, 3, 3), 0);
  FillMixingChannel(*work, bottom.get(), kChannelRed, true);
  EXPECT_EQ(At(*work, 4, 4), 0);
  EXPECT_EQ(At(*work, 0, 0), 0);
  // No layer at all: white; an RGB working layer gets the value thrice.
  CLayerPtr rgb = Work(kWAType24, 8, 8);
  FillMixingChannel(*rgb, nullptr, kChannelGrey, false);
  EXPECT_EQ(At(*rgb, 5, 5), 255);
  FillMixingChannel(*rgb, bottom.get(), kChannelGreen, false);
  const std::uint8_t* p = rgb->PeekImage()->Row(4) + 12;
  EXPECT_EQ(p[0] + p[1] + p[2], 0);
}

TEST(MixingFill, PaletteEntryGreyIsComputedFromTheEntry) {
  PALETTEENTRY palette[256] = {};
  palette[7] = PALETTEENTRY{200, 100, 0, 0};
  WAPtr image = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, 2, 2, palette));
  ASSERT_TRUE(image);
  for (int y = 0; y < 2; ++y) image->Row(y)[0] = image->Row(y)[1] = 7;
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  } catch (const std::exception&) {
    GTEST_SKIP() << "palette layers are not made";
  }
  CLayerPtr work = Work(kWAType8Grey, 2, 2);
  FillMixingChannel(*work, layer.get(), kChannelGrey, false);
  EXPECT_EQ(At(*work, 1, 1), 119);
  FillMixingChannel(*work, layer.get(), kChannelRed, false);
  EXPECT_EQ(At(*work, 1, 1), 200);
}

TEST(MixingMask, TopMaskFollowsTheTopLayerThenTheMaskChannel) {
  CLayerPtr topSource = Rgb(RECT{0, 0, 4, 8}, 10, 10, 10);
  CLayerPtr top = Work(kWAType8Grey, 8, 8);
  ASSERT_TRUE(SetMixingTopMask(*top, topSource.get()));
  EXPECT_EQ(MaskAt(*top, 1, 1), 255);
  EXPECT_EQ(MaskAt(*top, 6, 1), 0);
  // A mask layer without a mask over the left half of the rows 0..3,
  // pure red: Grey gives 76, Transparency the whole area.
  CLayerPtr k = Rgb(RECT{0, 0, 8, 4}, 255, 0, 0);
  CLayerPtr masked = CLayerPtr::Adopt(top->CreateCopy());
  MaskMixingTop(*masked, *k, kChannelGrey, false);
  EXPECT_EQ(MaskAt(*masked, 1, 1), 76);
  EXPECT_EQ(MaskAt(*masked, 1, 6), 0);  // outside the mask layer: cleared
  masked = CLayerPtr::Adopt(top->CreateCopy());
  MaskMixingTop(*masked, *k, kChannelTransparency, true);
  EXPECT_EQ(MaskAt(*masked, 1, 1), 0);
  EXPECT_EQ(MaskAt(*masked, 1, 6), 255);  // inverted Transparency keeps the outside
  masked = CLayerPtr::Adopt(top->CreateCopy());
  MaskMixingTop(*masked, *k, kChannelSelection, false);
  EXPECT_EQ(MaskAt(*masked, 1, 1), 255);  // the red component
}

TEST(MixingBlend, MultiplyOfTheTopOverTheBottom) {
  CLayerPtr result = Work(kWAType8Grey, 4, 4);
  FillLayerRect(result.get(), result->GetRect(), 200);
  CLayerPtr top = Work(kWAType8Grey, 4, 4);
  FillLayerRect(top.get(), top->GetRect(), 100);
  ASSERT_TRUE(SetMixingTopMask(*top, nullptr));
  ApplyBlend blend;
  blend.mergeMode = kMergeMultiply;
  BlendMixing(*result, *top, blend);
  EXPECT_EQ(At(*result, 2, 2), 200 * 100 / 255);
  EXPECT_EQ(MixingBlendingEntries().size(), 19u);
}

TEST(MixingSession, TheWorkingLayerSitsOnTopWhileOpenAndLeavesNothingBehind) {
  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  CreationRecord record{2, 10, 6, 0x00480048u, 0xFFFFFFu};
  ASSERT_EQ(doc.NewImage(record), 1);
  doc.SetModifiedFlag(false);
  CLayer* active = doc.GetActiveLayer();
  const int steps = doc.History().UndoCount();
  {
    MixingSession session(&doc);
    ASSERT_TRUE(session.Valid());
    EXPECT_EQ(doc.GetLayers()->GetLayerCount(), 2);
    EXPECT_EQ(doc.GetActiveLayer(), session.Result());
    EXPECT_EQ(session.Saved()->GetLayerCount(), 1);
    EXPECT_FALSE(session.Result()->IsVisible());
    session.Show(true);
    EXPECT_TRUE(session.Result()->IsVisible());
    CLayerPtr result = session.Finish();
    EXPECT_TRUE(result);
  }
  EXPECT_EQ(doc.GetLayers()->GetLayerCount(), 1);
  EXPECT_EQ(doc.GetActiveLayer(), active);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.History().UndoCount(), steps);
}

}  // namespace
}  // namespace lumora
