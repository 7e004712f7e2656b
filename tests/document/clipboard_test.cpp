// The clipboard's portable side: the paste-format table and its test of
// what a data object offers, the private selection block, copy snapshots
// and the placement of pasted layers.
#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include <cstdlib>
#include <filesystem>

#include "document/Clipboard.h"
#include "document/LayerSelection.h"
#include "document/DocumentFiles.h"
#include "document/PasteFile.h"
#include "document/ImageDocument.h"
#include "document/null_host.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

ClipboardFormatIds Ids() {
  ClipboardFormatIds ids;
  ids.marker = 0xC101;
  ids.mask = 0xC102;
  ids.embeddedObject = 0xC103;
  ids.embedSource = 0xC104;
  ids.linkSource = 0xC105;
  ids.fileName = 0xC106;
  ids.fileNameW = 0xC107;
  return ids;
}

constexpr unsigned kText = 1;
constexpr unsigned kPng = 0xC200;
constexpr unsigned kFiller = 0xC300;

// The row Edit/Paste picks from what the object lists (the create query
// answering as for an embedded object when "Embed Source" is listed).
unsigned PickFor(const std::vector<unsigned>& listed) {
  const ClipboardFormatIds ids = Ids();
  PasteRow rows[8];
  const int count = BuildPasteFormatTable(rows, 8, false, true, false, ids);
  DataObjectOffer offer;
  offer.listUsable = !listed.empty();
  for (unsigned f : listed) {
    offer.listed.push_back(ListedFormat{f, true, 1, f == ids.embedSource ? kMediumStorage : kMediumGlobal});
    if (f == ids.embedSource) offer.canCreateFrom = true;
  }
  if (offer.listed.size() > 20) offer.listed.resize(20);  // one fetch of 20
  QueryPasteEntries(rows, count, offer, ids);
  const int row = PickPasteFormat(rows, count);
  return row < 0 ? 0 : rows[row].format;
}

TEST(PasteFormats, TheOwnDocumentNeedsTheMarkerAmongTheFirstTwentyFormats) {
  const ClipboardFormatIds ids = Ids();
  std::vector<unsigned> markerTwentieth = {ids.embedSource, 8};
  while (markerTwentieth.size() < 19) markerTwentieth.push_back(kFiller + markerTwentieth.size());
  markerTwentieth.push_back(ids.marker);
  std::vector<unsigned> markerTwentyFirst = markerTwentieth;
  markerTwentyFirst.insert(markerTwentyFirst.end() - 1, kFiller + 99);
  struct Case {
    const char* what;
    std::vector<unsigned> listed;
    unsigned expected;
  } cases[] = {
      {"marker 20th", markerTwentieth, ids.embedSource},
      {"marker 21st", markerTwentyFirst, 8},
      {"embed source without marker", {ids.embedSource, 8, 2}, 8},
      {"embed source alone", {ids.embedSource}, 0},
      {"bitmap only", {2}, 2},
      {"text only", {kText}, 0},
      {"PNG only", {kPng}, 0},
      {"nothing listed", {}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PickFor(c.listed), c.expected) << c.what;
}

TEST(PasteFormats, TableRowsFollowTheCallersChoiceAndStopAtTheMaximum) {
  const ClipboardFormatIds ids = Ids();
  PasteRow rows[8];
  ASSERT_EQ(BuildPasteFormatTable(rows, 8, true, true, true, ids), 4);
  EXPECT_EQ(rows[0].format, ids.embedSource);
  EXPECT_EQ(rows[1].format, ids.mask);
  EXPECT_EQ(rows[2].format, 8u);
  EXPECT_EQ(rows[3].format, 2u);
  EXPECT_EQ(rows[1].nameId, static_cast<std::uint32_t>(IDS_PASTE_NAME_MASK));
  EXPECT_EQ(rows[1].resultId, static_cast<std::uint32_t>(IDS_PASTE_RESULT_MASK));
  ASSERT_EQ(BuildPasteFormatTable(rows, 8, true, false, false, ids), 1);
  EXPECT_EQ(rows[0].format, ids.mask);
  EXPECT_EQ(rows[0].resultId, 0u);
  EXPECT_EQ(BuildPasteFormatTable(rows, 2, true, true, false, ids), 2);
  EXPECT_EQ(PickPasteFormat(rows, 0), -1);
}

TEST(MaskBlock, SizesAndSelectionSurviveTheRoundTripAndDamageIsRefused) {
  const RECT r{3, 4, 20, 9};
  LURECT lu;
  RectToLURect(&lu, &r);
  Fragment* f = CreateRectFrg(&lu, 0);
  const std::vector<std::uint8_t> block = WriteMaskBlock(640, 480, f);
  ASSERT_GT(block.size(), 10u);
  EXPECT_EQ(block[0], 0x80);
  EXPECT_EQ(block[1], 0x02);
  EXPECT_EQ(block[2], 0xE0);
  EXPECT_EQ(block[3], 0x01);
  EXPECT_EQ(std::string(block.begin() + 4, block.begin() + 9), "LUFRG");
  int w = 0, h = 0;
  Fragment* back = nullptr;
  ASSERT_EQ(ReadMaskBlock(block.data(), block.size(), &w, &h, &back), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  LURECT got{};
  GetFragmentBoundRect(back, &got);
  RECT bounds;
  LURectToRect(&bounds, &got);
  EXPECT_TRUE(RectsEqual(bounds, r));
  DeleteFragment(back);
  DeleteFragment(f);
  // Without a selection: an empty fragment and the sizes.
  const std::vector<std::uint8_t> empty = WriteMaskBlock(7, 5, nullptr);
  ASSERT_EQ(ReadMaskBlock(empty.data(), empty.size(), &w, &h, &back), 0);
  EXPECT_EQ(GetFragmentType(back), kFrgEmpty);
  DeleteFragment(back);
  for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{8}, block.size() - 1}) {
    EXPECT_EQ(ReadMaskBlock(block.data(), cut, &w, &h, &back), 36) << cut;
    EXPECT_EQ(back, nullptr);
  }
}

// Copying a selection reserves the block's memory from what it stores: a
// shape over a huge image a few kilobytes, a mask its pixels.
TEST(MaskBlock, ReservesThePixelsOfMasksOnly) {
  const LURECT huge{0, 0, 30000, 30000};
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 100, 50, nullptr));
  ASSERT_TRUE(grey);
  Fragment* mask = CreateMaskUsingWA(grey.get(), 7, 9);
  Fragment* complex = CreateComplexFrg(0, nullptr);
  Fragment* rect = CreateRectFrg(&huge, 0);
  AddToComplexFrg(complex, rect, kFrgAdd);
  struct Case {
    const char* what;
    Fragment* f;
    std::uint64_t reserve;
  } cases[] = {
      {"no selection", nullptr, 4096},
      {"rectangle over 30000 x 30000", rect, 4096},
      {"ellipse over 30000 x 30000", CreateEllipticFrg(&huge, 0), 4096},
      {"line across 30000 x 30000", CreateLineFrg(0, 0, 30000, 30000, 9, kFrgLineRound, 0), 4096},
      {"mask of 100 x 50", mask, 4096 + 5000},
      {"combination over 30000 x 30000", complex, 256u << 20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MaskBlockReserve(c.f), c.reserve) << c.what;
    EXPECT_FALSE(WriteMaskBlock(640, 480, c.f).empty()) << c.what;
  }
  for (const Case& c : cases) DeleteFragment(c.f);
}

// A pasted bitmap's pixels in the document's type: palette look-ups for
// RGB, (30 red + 59 green + 11 blue) / 100 for grey; sub-byte rows read
// most significant bit (high nibble) first.
TEST(PastedBitmap, ConvertsToTheDocumentsTypeByPaletteAndGreyWeights) {
  PALETTEENTRY two[2] = {{255, 0, 0, 0}, {0, 0, 255, 0}};  // red, blue
  WAPtr bits1 = WAPtr::Adopt(NewWAWithPalette(kWAType1Bit, 10, 1, two));
  bits1->Row(0)[0] = 0x5F;  // 0101 1111
  bits1->Row(0)[1] = 0x80;  // 10
  PALETTEENTRY sixteen[16] = {};
  for (int i = 0; i < 16; ++i) {
    sixteen[i] = PALETTEENTRY{static_cast<BYTE>(16 * i), static_cast<BYTE>(255 - 16 * i), static_cast<BYTE>(i), 0};
  }
  WAPtr bits4 = WAPtr::Adopt(NewWAWithPalette(kWAType4Bit, 3, 1, sixteen));
  bits4->Row(0)[0] = 0x1E;  // 1, 14
  bits4->Row(0)[1] = 0x70;  // 7
  PALETTEENTRY many[256] = {};
  many[200] = PALETTEENTRY{200, 100, 0, 0};
  WAPtr bits8 = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, 1, 1, many));
  bits8->Row(0)[0] = 200;
  WAPtr rgb = WAPtr::Adopt(NewWAWithPalette(kWAType24, 2, 1, nullptr));
  const std::uint8_t pixels[6] = {10, 20, 30, 255, 255, 255};  // blue, green, red
  std::memcpy(rgb->Row(0), pixels, 6);

  struct Case {
    const char* what;
    VrWA2000::WA* image;
    int type;
    std::vector<std::uint8_t> want;
  };
  const Case cases[] = {
      {"1 bit to RGB", bits1.get(), kWAType24,
       {0, 0, 255, 255, 0, 0, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255}},
      {"1 bit to grey", bits1.get(), kWAType8Grey, {76, 28, 76, 28, 28, 28, 28, 28, 28, 76}},
      {"4 bits to RGB", bits4.get(), kWAType24, {1, 239, 16, 14, 31, 224, 7, 143, 112}},
      {"4 bits to grey", bits4.get(), kWAType8Grey, {145, 87, 118}},
      {"8-bit palette to grey", bits8.get(), kWAType8Grey, {119}},
      {"8-bit palette to RGB", bits8.get(), kWAType24, {0, 100, 200}},
      {"RGB to grey", rgb.get(), kWAType8Grey, {21, 255}},
  };
  for (const Case& c : cases) {
    const WAPtr out = ConvertPastedBitmap(c.image, c.type);
    ASSERT_TRUE(out) << c.what;
    ASSERT_EQ(out->GetType(), c.type) << c.what;
    ASSERT_EQ(out->GetW(), c.image->GetW()) << c.what;
    EXPECT_EQ(std::vector<std::uint8_t>(out->Row(0), out->Row(0) + c.want.size()), c.want) << c.what;
  }
  // The same type, and pairs with no converter, keep the buffer.
  EXPECT_EQ(ConvertPastedBitmap(rgb.get(), kWAType24).get(), rgb.get());
  EXPECT_EQ(ConvertPastedBitmap(rgb.get(), kWAType8Palette).get(), rgb.get());
}

TEST(Placement, CentredOriginTruncatesTowardZero) {
  EXPECT_EQ(CentredOrigin(64, 48, 300, 200).x, -118);
  EXPECT_EQ(CentredOrigin(64, 48, 300, 200).y, -76);
  EXPECT_EQ(CentredOrigin(10, 10, 3, 3).x, 3);
  EXPECT_EQ(CentredOrigin(10, 10, 13, 13).x, -1);  // -3 / 2
  // A selection copied away from the origin lands where its layers land.
  const POINT p = CentredSelectionOrigin(100, 80, RECT{50, 40, 70, 60});
  EXPECT_EQ(p.x, 40);
  EXPECT_EQ(p.y, 30);
}

CLayer* ColourLayer(const RECT& rect, int value, const char* name) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, rect.right - rect.left, rect.bottom - rect.top, nullptr));
  FillWA(image.get(), value, value, value);
  CLayer* layer = new CLayer(image.get(), POINT{rect.left, rect.top}, 0, nullptr, 0);
  layer->SetName(name);
  return layer;
}

// 20 x 10: Background, "A" over (0, 0, 5, 5), "B" over (10, 2, 18, 8)
// clipped to "Base" over (8, 0, 20, 10) below it.
struct Rig {
  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  Rig() {
    CreationRecord record{2, 20, 10, 0x00480048u, 0xFFFFFFu};
    EXPECT_EQ(doc.NewImage(record), 1);
    Add(ColourLayer(RECT{0, 0, 5, 5}, 40, "A"));
    Add(ColourLayer(RECT{8, 0, 20, 10}, 80, "Base"));
    Add(ColourLayer(RECT{10, 2, 18, 8}, 120, "B"));
    doc.GetLayers()->GetLayer(3)->SetGrouped(1);
  }
  void Add(CLayer* layer) {
    EXPECT_TRUE(doc.AddLayer(layer, false));
    layer->Release();
  }
  std::vector<std::string> Names(const CLayersManager& stack) {
    std::vector<std::string> names;
    for (int i = 0; i < stack.GetLayerCount(); ++i) names.push_back(stack.GetLayer(i)->GetName());
    return names;
  }
  Fragment* Rect(const RECT& r) {
    LURECT lu;
    RectToLURect(&lu, &r);
    return CreateRectFrg(&lu, 0);
  }
};

TEST(CopySnapshot, WithoutASelectionTheWholeStackOrTheActiveLayer) {
  Rig rig;
  CLayersManagerPtr whole = BuildCopySnapshot(rig.doc, nullptr, false);
  ASSERT_TRUE(whole);
  EXPECT_EQ(rig.Names(*whole), (std::vector<std::string>{rig.doc.GetLayers()->GetLayer(0)->GetName(), "A", "Base", "B"}));
  EXPECT_EQ(whole->GetDocument(), nullptr);
  rig.doc.SetActiveLayerByIndex(3, true, false);
  CLayersManagerPtr active = BuildCopySnapshot(rig.doc, nullptr, true);
  ASSERT_TRUE(active);
  ASSERT_EQ(active->GetLayerCount(), 1);
  EXPECT_EQ(active->GetLayer(0)->GetName(), "B");
  EXPECT_EQ(active->GetLayer(0)->GetGrouped(), 0);
}

TEST(CopySnapshot, ASelectionTakesTheLayersItTouchesWithAClippedLayersBase) {
  Rig rig;
  // Over B only: B brings its base; A and the background... the
  // background covers everything, so it is touched too.
  Fragment* f = rig.Rect(RECT{12, 3, 16, 7});
  CLayersManagerPtr snap = BuildCopySnapshot(rig.doc, f, false);
  ASSERT_TRUE(snap);
  EXPECT_EQ(snap->GetWidth(), 4);
  EXPECT_EQ(snap->GetHeight(), 4);
  const std::vector<std::string> names = rig.Names(*snap);
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1], "Base");
  EXPECT_EQ(names[2], "B");
  const RECT r = snap->GetLayer(2)->GetRect();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  // Hidden, the clipped layer is left out but its base is not needed.
  rig.doc.GetLayers()->GetLayer(3)->SetVisible(0);
  snap = BuildCopySnapshot(rig.doc, f, false);
  ASSERT_TRUE(snap);
  EXPECT_EQ(rig.Names(*snap).size(), 2u);
  DeleteFragment(f);
}

TEST(CopySnapshot, AllHiddenOrUntouchedGivesNone) {
  Rig rig;
  for (int i = 0; i < rig.doc.GetLayers()->GetLayerCount(); ++i) rig.doc.GetLayers()->GetLayer(i)->SetVisible(0);
  EXPECT_FALSE(HasVisibleLayer(*rig.doc.GetLayers()));
  Fragment* f = rig.Rect(RECT{1, 1, 3, 3});
  EXPECT_FALSE(BuildCopySnapshot(rig.doc, f, false));
  DeleteFragment(f);
}

TEST(CopySnapshot, AWholeOpaqueLayerUnderARectangleComesOutAsTheSelectionWouldCutIt) {
  Rig rig;
  CLayer* a = rig.doc.GetLayers()->GetLayer(1);  // "A", opaque, (0, 0, 5, 5)
  rig.doc.SetActiveLayer(a, true, true);
  Fragment* f = rig.Rect(RECT{0, 0, 5, 5});
  CLayersManagerPtr snap = BuildCopySnapshot(rig.doc, f, true);
  if (!snap) DeleteFragment(f);
  ASSERT_TRUE(snap);
  ASSERT_EQ(snap->GetLayerCount(), 1);
  EXPECT_EQ(snap->GetLayer(0)->GetName(), "A");
  // What cutting by the selection's mask gives, made the long way.
  Fragment* mask = SelectionToMask(f, RECT{0, 0, 5, 5});
  CLayerPtr cut = CLayerPtr::Adopt(a->CreateLayerFromSelection(mask, 0));
  DeleteFragment(mask);
  DeleteFragment(f);
  const CLayer& got = *snap->GetLayer(0);
  ASSERT_TRUE(cut && got.HasMask() && cut->HasMask());
  EXPECT_EQ(got.GetRect().right - got.GetRect().left, cut->GetRect().right - cut->GetRect().left);
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(std::memcmp(got.PeekImage()->Row(y), cut->PeekImage()->Row(y), 15), 0) << y;
    EXPECT_EQ(std::memcmp(got.PeekMask()->Row(y), cut->PeekMask()->Row(y), 5), 0) << y;
  }
}

TEST(CopySnapshot, CutTakesTheAreaOutOfTheActiveLayerOnly) {
  Rig rig;
  rig.doc.SetActiveLayerByIndex(1, true, false);  // A
  Fragment* f = rig.Rect(RECT{1, 1, 3, 3});
  CLayersManagerPtr snap = BuildCopySnapshot(rig.doc, f, true, true);
  ASSERT_TRUE(snap);
  ASSERT_EQ(snap->GetLayerCount(), 1);
  EXPECT_EQ(snap->GetLayer(0)->GetName(), "A");
  const CLayer* a = rig.doc.GetLayers()->GetLayer(1);
  ASSERT_NE(a->PeekMask(), nullptr);
  EXPECT_EQ(a->PeekMask()->Row(2)[2], 0);
  EXPECT_NE(a->PeekMask()->Row(4)[4], 0);
  DeleteFragment(f);
}

// What the clipboard shows of a copy: its visible layers merged on white,
// as the CF_DIB renderer takes them.
std::vector<std::uint8_t> Picture(CLayersManager& stack) {
  const WAPtr merged = stack.CreateMergedImage(1, 255, 255, 255);
  std::vector<std::uint8_t> bytes;
  if (!merged) return bytes;
  for (int y = 0; y < merged->GetH(); ++y) bytes.insert(bytes.end(), merged->Row(y), merged->Row(y) + 3 * merged->GetW());
  return bytes;
}

std::vector<std::uint8_t> Bytes(const VrWA2000::WA* image) {
  if (image == nullptr) return {};
  return std::vector<std::uint8_t>(image->Row(0), image->Row(0) + image->GetBPLine() * image->GetH());
}
std::vector<std::uint8_t> Pixels(const CLayer& layer) { return Bytes(layer.PeekImage()); }

// Paints the active layer as a brush's stroke ends: a pixel step is opened,
// then the layer's pixels are written.
void PaintActive(ImageDocument& doc, int value) {
  ASSERT_TRUE(doc.BackupImage(IDS_STEP_PAINT));
  DocumentLockScope lock(&doc);
  FillWA(doc.GetActiveLayer()->PeekImage(), value, value, value);
}

// A layer and its copies share one unique id.
const CLayer* LayerWithId(const CLayersManager& stack, std::uint64_t id) {
  for (int i = 0; i < stack.GetLayerCount(); ++i)
    if (stack.GetLayer(i)->GetUniqueId() == id) return stack.GetLayer(i);
  return nullptr;
}

TEST(CopySnapshot, ACopySharesTheLayersPixelsUntilEitherSideWrites) {
  struct Case {
    const char* what;
    bool selectAll;
    bool activeOnly;
  } cases[] = {{"the whole stack", false, false},
               {"the active layer", false, true},
               {"every layer under a whole-image selection", true, false}};
  for (const Case& c : cases) {
    Rig rig;
    rig.doc.SetActiveLayerByIndex(0, true, false);  // the background, opaque over the whole image
    // Undo puts new layer objects in place: the source is found by its id.
    const std::uint64_t sourceId = rig.doc.GetActiveLayer()->GetUniqueId();
    const auto source = [&] { return LayerWithId(*rig.doc.GetLayers(), sourceId); };
    Fragment* all = c.selectAll ? rig.Rect(RECT{0, 0, 20, 10}) : nullptr;
    CLayersManagerPtr copy = BuildCopySnapshot(rig.doc, all, c.activeOnly);
    DeleteFragment(all);
    ASSERT_TRUE(copy) << c.what;
    const std::vector<std::uint8_t> picture = Picture(*copy);
    // The bitmap and metafile formats draw the copy's composite.
    const std::vector<std::uint8_t> composite = Bytes(copy->GetCompositeImage().get());
    const std::vector<std::uint8_t> original = Pixels(*source());
    // Nothing was copied: the copy holds the layer's own pixels.
    const CLayer* copied = LayerWithId(*copy, sourceId);
    ASSERT_NE(copied, nullptr) << c.what;
    EXPECT_EQ(copied->PeekImage(), source()->PeekImage()) << c.what;

    PaintActive(rig.doc, 7);
    EXPECT_EQ(rig.doc.GetActiveLayer()->PeekImage()->Row(0)[0], 7) << c.what;
    EXPECT_EQ(Picture(*copy), picture) << c.what << ": painting the layer changed the copy";
    EXPECT_EQ(Bytes(copy->GetCompositeImage().get()), composite) << c.what << ": painting changed the copy's composite";
    // Undone and painted again: the copy still shows what was copied.
    ASSERT_TRUE(rig.doc.UndoRedo(false));
    EXPECT_EQ(Pixels(*rig.doc.GetActiveLayer()), original) << c.what;
    PaintActive(rig.doc, 9);
    EXPECT_EQ(Picture(*copy), picture) << c.what << ": painting after an undo changed the copy";

    // The other way round: the copy pasted as layers and painted leaves the
    // layers it was copied from, and the copy, as they were.
    ASSERT_TRUE(rig.doc.UndoRedo(false));
    const std::vector<std::uint8_t> document = Picture(*rig.doc.GetLayers());
    ASSERT_TRUE(rig.doc.AddLayersOnTop(*copy, POINT{0, 0}, IDS_STEP_PASTE_FROM_FILE, true)) << c.what;
    PaintActive(rig.doc, 200);
    ASSERT_NE(source(), nullptr);
    EXPECT_EQ(Pixels(*source()), original) << c.what << ": painting the pasted copy changed its source";
    EXPECT_EQ(Picture(*copy), picture) << c.what << ": painting the pasted copy changed the copy";
    ASSERT_TRUE(rig.doc.UndoRedo(false));
    ASSERT_TRUE(rig.doc.UndoRedo(false));
    EXPECT_EQ(Picture(*rig.doc.GetLayers()), document) << c.what;
  }
}

TEST(AddLayersOnTop, StrictPastesGetFreshLinkIdsUniqueNamesAndOneStep) {
  Rig rig;
  rig.doc.GetLayers()->GetLayer(1)->SetLinkId(1);
  rig.doc.GetLayers()->GetLayer(2)->SetLinkId(1);
  CLayersManagerPtr source = BuildCopySnapshot(rig.doc, nullptr, false);
  // The source's group 1 and a group 2.
  source->GetLayer(3)->SetLinkId(2);
  const int steps = rig.doc.History().UndoCount();
  const int before = rig.doc.GetLayers()->GetLayerCount();
  ASSERT_TRUE(rig.doc.AddLayersOnTop(*source, POINT{1, 2}, IDS_STEP_PASTE_FROM_FILE, true));
  const CLayersManager& stack = *rig.doc.GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), before + 4);
  EXPECT_EQ(rig.doc.History().UndoCount(), steps + 1);
  const CLayer* a = stack.GetLayer(before + 1);
  const CLayer* base = stack.GetLayer(before + 2);
  const CLayer* b = stack.GetLayer(before + 3);
  EXPECT_NE(a->GetName(), "A");
  EXPECT_EQ(a->GetLinkId(), base->GetLinkId());
  EXPECT_NE(a->GetLinkId(), 0);
  EXPECT_NE(a->GetLinkId(), 1);
  EXPECT_NE(b->GetLinkId(), a->GetLinkId());
  EXPECT_NE(b->GetLinkId(), 0);
  EXPECT_EQ(a->GetRect().left, 1);
  EXPECT_EQ(a->GetRect().top, 2);
  EXPECT_EQ(rig.doc.GetActiveLayer(), b);
  ASSERT_TRUE(rig.doc.UndoRedo(false));
  EXPECT_EQ(rig.doc.GetLayers()->GetLayerCount(), before);
}

// The files are made by ImageMagick on the machine the tests run on;
// under Wine the program-level test covers these commands.
#ifndef _WIN32
class QuietFiles : public DocumentFileHost {
 public:
  bool AskNewImage(NewImageChoice*) override { return false; }
  bool ConfirmWarning(const std::string&) override { return true; }
  void ReportFileError(int, const std::string&, const std::string&) override {}
};

struct Files {
  std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora-paste-file-");
  ~Files() { std::filesystem::remove_all(folder); }
  std::string operator()(const char* name) const { return (folder / name).string(); }
};

TEST(PasteFromFile, AFlatFileIsOneCentredLayerAboveTheActiveOneInOneStep) {
  Files files;
  const std::string png = files("flat.png");
  ASSERT_EQ(std::system(("convert -size 6x4 xc:'#102030' '" + png + "'").c_str()), 0);
  Rig rig;
  rig.doc.SetActiveLayerByIndex(1, true, false);
  const int steps = rig.doc.History().UndoCount();
  ASSERT_EQ(PasteFileIntoDocument(rig.doc, png), 0);
  const CLayersManager& stack = *rig.doc.GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), 5);
  const CLayer* pasted = stack.GetLayer(2);
  EXPECT_EQ(rig.doc.GetActiveLayer(), pasted);
  EXPECT_EQ(pasted->GetName().rfind("Layer ", 0), 0u);
  EXPECT_EQ(pasted->GetRect().left, 7);
  EXPECT_EQ(pasted->GetRect().top, 3);
  EXPECT_EQ(pasted->PeekImage()->Row(0)[0], 0x30);  // blue first
  EXPECT_EQ(pasted->PeekImage()->Row(0)[2], 0x10);
  EXPECT_EQ(rig.doc.History().UndoCount(), steps + 1);
  EXPECT_EQ(rig.doc.HistoryState().name, std::string(res::String(IDS_STEP_PASTE_FROM_FILE)));
  EXPECT_EQ(PasteFileIntoDocument(rig.doc, files("missing.png")), kPasteFileUnreadable);
  EXPECT_EQ(rig.doc.History().UndoCount(), steps + 1);
}

TEST(PasteFromFile, LinkedLayersKeepTheirGroupOnAFreshIdAndOneLayerKeepsItsName) {
  Files files;
  QuietFiles host;
  Rig source;
  source.doc.GetLayers()->GetLayer(1)->SetLinkId(1);
  source.doc.GetLayers()->GetLayer(2)->SetLinkId(1);
  ASSERT_EQ(SaveToFile(source.doc, files("linked.psd"), false, host), 1);
  Rig target;
  target.doc.GetLayers()->GetLayer(1)->SetLinkId(1);
  target.doc.GetLayers()->GetLayer(2)->SetLinkId(1);
  ASSERT_EQ(PasteFileIntoDocument(target.doc, files("linked.psd")), 0);
  const CLayersManager& stack = *target.doc.GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), 8);
  EXPECT_EQ(stack.GetLayer(5)->GetLinkId(), stack.GetLayer(6)->GetLinkId());
  EXPECT_NE(stack.GetLayer(5)->GetLinkId(), 1);
  EXPECT_NE(stack.GetLayer(5)->GetLinkId(), 0);
  EXPECT_NE(stack.GetLayer(5)->GetName(), "A");
  ASSERT_TRUE(target.doc.UndoRedo(false));
  EXPECT_EQ(target.doc.GetLayers()->GetLayerCount(), 4);

  // One layer: centred, named after itself.
  Rig one;
  while (one.doc.GetLayers()->GetLayerCount() > 2) one.doc.DeleteLayer(one.doc.GetLayers()->GetLayer(2), false, false);
  one.doc.DeleteLayer(one.doc.GetLayers()->GetLayer(0), false, false);
  ASSERT_EQ(SaveToFile(one.doc, files("one.psd"), false, host), 1);
  Rig into;
  ASSERT_EQ(PasteFileIntoDocument(into.doc, files("one.psd")), 0);
  EXPECT_EQ(into.doc.GetActiveLayer()->GetName(), "A 1");
}

TEST(ImportFromFile, TheFileReplacesTheImageAsOneStepThatUndoTakesBack) {
  Files files;
  const std::string png = files("other.png");
  ASSERT_EQ(std::system(("convert -size 9x7 xc:'#405060' '" + png + "'").c_str()), 0);
  Rig rig;
  ASSERT_EQ(ImportFileIntoDocument(rig.doc, png), 0);
  EXPECT_EQ(rig.doc.GetLayers()->GetWidth(), 9);
  EXPECT_EQ(rig.doc.GetLayers()->GetHeight(), 7);
  EXPECT_EQ(rig.doc.GetLayers()->GetLayerCount(), 1);
  EXPECT_TRUE(rig.doc.IsModified());
  ASSERT_TRUE(rig.doc.UndoRedo(false));
  EXPECT_EQ(rig.doc.GetLayers()->GetWidth(), 20);
  EXPECT_EQ(rig.doc.GetLayers()->GetLayerCount(), 4);
  EXPECT_EQ(ImportFileIntoDocument(rig.doc, files("none.png")), kPasteFileUnreadable);
  EXPECT_EQ(rig.doc.GetLayers()->GetWidth(), 20);
}

#endif  // _WIN32

}  // namespace
}  // namespace lumora
