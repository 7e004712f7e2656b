// Apply Image without a window: settings, lists, the channel and mask
// arithmetic, the blend, and the one undo step of the session.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/ApplyImage.h"
#include "document/ApplyImageSession.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "framework/Profile.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "tests/document/null_host.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

// A 24-bit layer over the rect, every pixel (blue, green, red).
CLayer* RgbLayer(const RECT& rect, int b, int g, int r, const char* name) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, rect.right - rect.left, rect.bottom - rect.top, nullptr));
  FillWA(image.get(), r, g, b);
  CLayer* layer = new CLayer(image.get(), POINT{rect.left, rect.top}, 0, nullptr, 0);
  layer->SetName(name);
  return layer;
}

const std::uint8_t* Px(const CLayer& layer, int x, int y) {
  const RECT r = layer.GetRect();
  return layer.PeekImage()->Row(y - r.top) + (x - r.left) * 3;
}
int MaskAt(const CLayer& layer, int x, int y) {
  if (!layer.HasMask()) return 255;
  const RECT r = layer.GetMaskRect().right > layer.GetMaskRect().left ? layer.GetMaskRect() : layer.GetRect();
  return layer.PeekMask()->Row(y - r.top)[x - r.left];
}

// 20 x 10 white image; "A" (10, 20, 30) over (0, 0, 8, 10); "B" grey 100
// over (12, 2, 18, 8).
struct Rig {
  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  Rig() {
    CreationRecord record{2, 20, 10, 0x00480048u, 0xFFFFFFu};
    EXPECT_EQ(doc.NewImage(record), 1);
    Add(RgbLayer(RECT{0, 0, 8, 10}, 10, 20, 30, "A"));
    Add(RgbLayer(RECT{12, 2, 18, 8}, 100, 100, 100, "B"));
  }
  void Add(CLayer* layer) {
    EXPECT_TRUE(doc.AddLayer(layer, false));
    layer->Release();
  }
  CLayersManager& Stack() { return *doc.GetLayers(); }
};

TEST(ApplyImageSettings, ClampedOnReadingDefaultsFromTheStringTableScaleStoredTimes10000) {
  const std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora-applyimage-");
  fw::IniFile ini((folder / "a.ini").string());
  ApplyImageSettings s = LoadApplyImageSettings(ini);
  EXPECT_EQ(s.sourceLayer, "Merged");
  EXPECT_EQ(s.sourceChannel, "RGB");
  EXPECT_EQ(s.maskChannel, "Grey");
  EXPECT_EQ(s.merge, "Normal");
  EXPECT_EQ(s.opacity, 100);
  struct Case {
    int stored;
    double scale;
    int offsetStored;
    int offset;
  } cases[] = {{25000, 2.0, 300, 255}, {5000, 1.0, -300, -255}, {15000, 1.5, 17, 17}};
  for (const Case& c : cases) {
    ini.WriteInt("APPLY IMAGE", "add_scale", c.stored);
    ini.WriteInt("APPLY IMAGE", "sub_offset", c.offsetStored);
    s = LoadApplyImageSettings(ini);
    EXPECT_DOUBLE_EQ(s.addScale, c.scale) << c.stored;
    EXPECT_EQ(s.subOffset, c.offset) << c.offsetStored;
  }
  s.addScale = 1.23456;
  SaveApplyImageSettings(ini, s);
  EXPECT_EQ(ini.GetInt("APPLY IMAGE", "add_scale", 0), 12345);
  std::filesystem::remove_all(folder);
}

TEST(ApplyImageLists, GreyTargetsLoseFiveModesChannelsFollowTypeAndSelectionLayersTopFirst) {
  const std::vector<int> rgb = ApplyBlendingEntries(kWAType24);
  const std::vector<int> grey = ApplyBlendingEntries(kWAType8Grey);
  auto modes = [](const std::vector<int>& v) {
    return std::count_if(v.begin(), v.end(), [](int c) { return c != kSeparatorCode; });
  };
  EXPECT_EQ(modes(rgb), 19);
  EXPECT_EQ(modes(grey), 14);
  for (int gone : {14, 3, 4, 5, 6}) EXPECT_EQ(std::count(grey.begin(), grey.end(), gone), 0) << gone;
  // The separator follows Difference in the grey list.
  const auto diff = std::find(grey.begin(), grey.end(), 13);
  ASSERT_NE(diff + 1, grey.end());
  EXPECT_EQ(diff[1], kSeparatorCode);

  EXPECT_EQ(ApplySourceChannels(kWAType24, false),
            (std::vector<int>{kChannelRGB, kChannelRed, kChannelGreen, kChannelBlue, kChannelTransparency}));
  EXPECT_EQ(ApplySourceChannels(kWAType8Grey, true),
            (std::vector<int>{kChannelGrey, kChannelTransparency, kSeparatorCode, kChannelSelection}));
  EXPECT_EQ(ApplyMaskChannels(kWAType8Grey, false), (std::vector<int>{kChannelGrey, kChannelTransparency}));
  EXPECT_EQ(ChannelFromName("Blue"), kChannelBlue);
  EXPECT_EQ(ChannelFromName("blue"), 0);

  Rig rig;
  EXPECT_EQ(ApplyLayerEntries(rig.Stack()),
            (std::vector<std::string>{"Merged", "_", "B", "A", rig.Stack().GetLayer(0)->GetName()}));
}

TEST(ApplyImageSource, ColourChannelsSpreadInversionFlipsAndPreserveCutsTheArea) {
  Rig rig;
  ApplyImageSource source(&rig.Stack(), nullptr);
  CLayer* target = rig.Stack().GetLayer(2);
  ApplyWork work = MakeApplyWork(rig.Stack(), target, false);
  CLayerPtr red = BuildApplySource(source, false, "A", kChannelRed, false, work);
  ASSERT_TRUE(red);
  EXPECT_EQ(std::vector<int>(Px(*red, 3, 3), Px(*red, 3, 3) + 3), (std::vector<int>{30, 30, 30}));
  CLayerPtr blue = BuildApplySource(source, false, "A", kChannelBlue, true, work);
  EXPECT_EQ(std::vector<int>(Px(*blue, 3, 3), Px(*blue, 3, 3) + 3), (std::vector<int>{245, 245, 245}));
  // Preserve Transparency reads only where the target layer is: "A" and
  // "B" do not meet, so nothing is there.
  work = MakeApplyWork(rig.Stack(), target, true);
  EXPECT_FALSE(BuildApplySource(source, false, "A", kChannelRGB, false, work));
  EXPECT_FALSE(BuildApplySource(source, false, "No such layer", kChannelRGB, false, work));
  // The merged image covers the whole image.
  work = MakeApplyWork(rig.Stack(), target, false);
  CLayerPtr merged = BuildApplySource(source, true, "Merged", kChannelRGB, false, work);
  ASSERT_TRUE(merged);
  EXPECT_EQ(Px(*merged, 15, 5)[0], 100);
  EXPECT_EQ(Px(*merged, 10, 5)[0], 255);
}

TEST(ApplyImageSource, SelectionChannelInversionChangesOnlyTheFillAround) {
  Rig rig;
  LURECT lu{4, 2, 6, 4};
  Fragment* ellipse = CreateEllipticFrg(&lu, 0);
  ApplyImageSource source(&rig.Stack(), ellipse);
  DeleteFragment(ellipse);
  const ApplyWork work = MakeApplyWork(rig.Stack(), rig.Stack().GetLayer(2), false);
  CLayerPtr plain = BuildApplySource(source, true, "", kChannelSelection, false, work);
  CLayerPtr inverted = BuildApplySource(source, true, "", kChannelSelection, true, work);
  ASSERT_TRUE(plain && inverted);
  const RECT r = plain->GetRect();
  EXPECT_TRUE(RectsEqual(r, inverted->GetRect()));
  // The centre of the ellipse is selected in both; its corner is not.
  EXPECT_EQ(Px(*plain, 7, 4)[0], 255);
  EXPECT_EQ(Px(*inverted, 7, 4)[0], 255);
  EXPECT_EQ(Px(*plain, r.left, r.top)[0], Px(*inverted, r.left, r.top)[0]);
  // Without a selection there is no Selection source.
  ApplyImageSource none(&rig.Stack(), nullptr);
  EXPECT_FALSE(BuildApplySource(none, true, "", kChannelSelection, false, work));
}

TEST(ApplyImageMask, TransparencyOfAMasklessLayerIsItsAreaAndGreyOfPureRedIs76) {
  CLayerPtr s = CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 10, 10}, 50, 50, 50, "S"));
  CLayerPtr k = CLayerPtr::Adopt(RgbLayer(RECT{5, 0, 10, 10}, 0, 0, 255, "K"));
  CLayerPtr m = MaskApplyLayer(*s, *k, kChannelTransparency, false);
  ASSERT_TRUE(m);
  EXPECT_EQ(MaskAt(*m, 7, 5), 255);
  EXPECT_EQ(MaskAt(*m, 2, 5), 0);
  m = MaskApplyLayer(*s, *k, kChannelTransparency, true);
  EXPECT_EQ(MaskAt(*m, 7, 5), 0);
  EXPECT_EQ(MaskAt(*m, 2, 5), 255);
  m = MaskApplyLayer(*s, *k, kChannelGrey, false);
  EXPECT_EQ(MaskAt(*m, 7, 5), 76);  // (30 * 255) / 100
  EXPECT_EQ(MaskAt(*m, 2, 5), 0);
  m = MaskApplyLayer(*s, *k, kChannelGrey, true);
  EXPECT_EQ(MaskAt(*m, 7, 5), 179);
  m = MaskApplyLayer(*s, *k, kChannelGreen, false);
  EXPECT_EQ(MaskAt(*m, 7, 5), 0);
  // The source's pixels stay as they were.
  EXPECT_EQ(Px(*m, 7, 5)[0], 50);
  // A source with a mask of its own keeps it, multiplied; the source's
  // mask itself is not written.
  CLayerPtr masked = CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 10, 10}, 50, 50, 50, "M"));
  ASSERT_EQ(masked->CreateMask(1), kLayerOk);
  FillWA(masked->PeekMask(), 200, 200, 200);
  m = MaskApplyLayer(*masked, *k, kChannelGrey, false);
  EXPECT_EQ(MaskAt(*m, 7, 5), 200 * 76 / 255);
  EXPECT_EQ(MaskAt(*masked, 7, 5), 200);
  // A mask layer with a mask of its own: Red 255 times mask 128.
  ASSERT_EQ(k->CreateMask(1), kLayerOk);
  FillWA(k->PeekMask(), 128, 128, 128);
  m = MaskApplyLayer(*s, *k, kChannelRed, false);
  EXPECT_EQ(MaskAt(*m, 7, 5), 128);
  m = MaskApplyLayer(*s, *k, kChannelTransparency, false);
  EXPECT_EQ(MaskAt(*m, 7, 5), 128);
}

TEST(ApplyImageBlend, MultiplyHalfOpacityPreserveKeepsTheTargetRectOtherwiseTheUnion) {
  Rig rig;
  CLayer* target = rig.Stack().GetLayer(2);  // "B", 100 over (12, 2, 18, 8)
  CLayerPtr source = CLayerPtr::Adopt(RgbLayer(RECT{10, 0, 16, 10}, 200, 200, 200, "S"));
  ApplyBlend blend;
  blend.mergeMode = kMergeMultiply;
  blend.opacity = 100;
  CLayerPtr full = BlendApplyLayer(rig.Stack(), source.get(), *target, blend);
  ASSERT_TRUE(full);
  EXPECT_TRUE(RectsEqual(full->GetRect(), RECT{10, 0, 18, 10}));
  EXPECT_EQ(full->GetName(), "B");
  EXPECT_EQ(Px(*full, 14, 5)[0], 100 * 200 / 255);
  EXPECT_EQ(Px(*full, 17, 5)[0], 100);
  blend.preserve = true;
  CLayerPtr kept = BlendApplyLayer(rig.Stack(), source.get(), *target, blend);
  ASSERT_TRUE(kept);
  EXPECT_TRUE(RectsEqual(kept->GetRect(), target->GetRect()));
  EXPECT_EQ(Px(*kept, 14, 5)[0], 100 * 200 / 255);
  // Half the opacity lands between the two.
  blend.opacity = 50;
  CLayerPtr half = BlendApplyLayer(rig.Stack(), source.get(), *target, blend);
  const int v = Px(*half, 14, 5)[0];
  EXPECT_GT(v, 78);
  EXPECT_LT(v, 100);
  // The saved target itself is never written.
  EXPECT_EQ(Px(*target, 14, 5)[0], 100);
}

TEST(ApplyImageSession, OneStepOnOkCancelAndAnEmptyOkLeaveTheHistoryAndTheMark) {
  Rig rig;
  rig.doc.SetModifiedFlag(false);
  const int steps = rig.doc.History().UndoCount();
  {
    ApplyImageSession session(&rig.doc);
    ASSERT_TRUE(session.Valid());
    CLayerPtr fresh = CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 20, 10}, 1, 2, 3, "B"));
    ASSERT_TRUE(session.Put(fresh.get()));
    ASSERT_TRUE(session.Put(CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 20, 10}, 4, 5, 6, "B")).get()));
    EXPECT_EQ(rig.Stack().GetLayerCount(), 3);
    EXPECT_EQ(Px(*rig.doc.GetActiveLayer(), 0, 0)[0], 4);
    session.End(false);
  }
  EXPECT_EQ(rig.doc.History().UndoCount(), steps);
  EXPECT_FALSE(rig.doc.IsModified());
  EXPECT_EQ(rig.Stack().GetLayerCount(), 3);
  EXPECT_TRUE(RectsEqual(rig.doc.GetActiveLayer()->GetRect(), RECT{12, 2, 18, 8}));
  {
    ApplyImageSession session(&rig.doc);
    session.End(true);  // nothing was put in
  }
  EXPECT_EQ(rig.doc.History().UndoCount(), steps);
  {
    ApplyImageSession session(&rig.doc);
    ASSERT_TRUE(session.Put(CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 20, 10}, 7, 8, 9, "B")).get()));
    ASSERT_TRUE(session.PutOriginal());
    ASSERT_TRUE(session.Put(CLayerPtr::Adopt(RgbLayer(RECT{0, 0, 20, 10}, 7, 8, 9, "B")).get()));
    session.End(true);
  }
  EXPECT_EQ(rig.doc.History().UndoCount(), steps + 1);
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(rig.doc.HistoryState().name, "Apply image");
  EXPECT_TRUE(rig.doc.UndoRedo(false));
  EXPECT_TRUE(RectsEqual(rig.doc.GetActiveLayer()->GetRect(), RECT{12, 2, 18, 8}));
  EXPECT_EQ(Px(*rig.doc.GetActiveLayer(), 14, 5)[0], 100);
}

}  // namespace
}  // namespace lumora
