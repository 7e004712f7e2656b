// The layered file as a whole: documents written and read back in both
// variants, byte-exact against golden files, the header's validation,
// resources, flat files, and the reader's mended behaviour on files other
// programs write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layered/BuffersAhead.h"
#include "layered_support.h"
#include "support/recording_progress.h"

namespace lumora::testing {
namespace {

// The Photoshop variant does not keep the Add parameters; grey layers
// keep only their grey blend-if ranges; a text layer's record marks its
// flags as text (bits 2 and 3).
void ExpectSameLayer(const CLayer& a, const CLayer& b, int native, int type) {
  SCOPED_TRACE(a.GetName());
  EXPECT_EQ(a.GetName(), b.GetName());
  EXPECT_TRUE(RectsEqual(a.GetRect(), b.GetRect()));
  EXPECT_EQ(a.GetOpacity(), b.GetOpacity());
  EXPECT_EQ(a.GetMergeMode(), b.GetMergeMode());
  EXPECT_EQ(a.GetFlags() | (a.IsText() ? 0x0Cu : 0u), b.GetFlags());
  EXPECT_EQ(a.GetGrouped(), b.GetGrouped());
  EXPECT_EQ(a.GetLinkId(), b.GetLinkId());
  EXPECT_EQ(a.GetPositionLocked(), b.GetPositionLocked());
  EXPECT_EQ(a.HasMask(), b.HasMask());
  EXPECT_EQ(a.GetMaskFlags(), b.GetMaskFlags());
  EXPECT_EQ(a.GetMaskDefaultColor(), b.GetMaskDefaultColor());
  EXPECT_EQ(a.IsText(), b.IsText());
  if (native) {
    EXPECT_EQ(a.GetAddScale(), b.GetAddScale());
    EXPECT_EQ(a.GetAddOffset(), b.GetAddOffset());
  }
  for (int k = 0; k < 8; ++k) {
    if (type == kWAType24 || k % 4 == 0) { EXPECT_EQ(std::memcmp(a.GetBlendIfRange(k), b.GetBlendIfRange(k), 4), 0) << k; }
  }
  EXPECT_TRUE(SameBytes(a.PeekImage(), b.PeekImage()));
  if (a.HasMask() && b.HasMask()) { EXPECT_TRUE(SameBytes(a.PeekMask(), b.PeekMask())); }
}

TEST(LayeredFile, DocumentsRoundTripInBothVariants) {
  for (int type : {kWAType24, kWAType8Grey}) {
    for (int native : {1, 0}) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " native " << native);
      CLayersManagerPtr doc = RichDocument(type, native);
      const Bytes once = WriteStack(*doc, native);
      EXPECT_EQ(std::memcmp(once.data(), native ? "LU40" : "8BPS", 4), 0);
      CLayersManagerPtr back = ReadStack(once);
      ASSERT_EQ(back->GetLayerCount(), doc->GetLayerCount());
      for (int i = 0; i < doc->GetLayerCount(); ++i) ExpectSameLayer(*doc->GetLayer(i), *back->GetLayer(i), native, type);
      EXPECT_EQ(back->GetImageType(), type);
      EXPECT_EQ(back->GetResolution(), 0x00480096u);
      EXPECT_EQ(back->GetLayer(2)->PeekImage()->GetXRes(), 150);
      EXPECT_EQ(back->GetLayerIndex(back->GetActiveLayer()), 2);
      ASSERT_EQ(back->GetGuideCount(), 3);
      EXPECT_EQ(back->GetGuidePos(1), 336);
      EXPECT_EQ(back->GetGuideOrientation(1), 1);
      EXPECT_EQ(back->GetGuidePos(2), -64);
      EXPECT_EQ(back->GetGlobalLayerMask().opacity, 70);
      EXPECT_EQ(back->GetGlobalLayerMask().color.components[1], 1234);
      const auto* text = static_cast<const CLayerText*>(back->GetLayer(4));
      ASSERT_EQ(text->GetCharCount(), 4);
      EXPECT_EQ(text->CharFormats()[3].face, "Georgia");
      EXPECT_EQ(text->Attributes().tracking, native ? 3 : 0);
      EXPECT_EQ(back->GetLayer(3)->GetAddScale(), native ? 12500 : 10000);
      EXPECT_EQ(back->GetLayer(3)->GetMergeMode(), kMergeAdd);
      // Written again, the same bytes.
      EXPECT_EQ(WriteStack(*back, native), once);
    }
  }
}

// Restores the process-wide helper count however a test ends.
struct HelpersScope {
  explicit HelpersScope(int count) : before(GetLayeredReadHelpers()) { SetLayeredReadHelpers(count); }
  ~HelpersScope() { SetLayeredReadHelpers(before); }
  int before;
};

TEST(LayeredFileThreaded, HelperThreadsMakingTheBuffersAheadChangeNoByte) {
  for (int type : {kWAType24, kWAType8Grey}) {
    CLayersManagerPtr doc = RichDocument(type, 0);
    const Bytes file = WriteStack(*doc, 0);
    CLayersManagerPtr alone = ReadStack(file);
    for (int helpers : {1, 3, 8}) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " helpers " << helpers);
      const HelpersScope scope(helpers);
      CLayersManagerPtr helped = ReadStack(file);
      ASSERT_EQ(helped->GetLayerCount(), alone->GetLayerCount());
      for (int i = 0; i < alone->GetLayerCount(); ++i) ExpectSameLayer(*alone->GetLayer(i), *helped->GetLayer(i), 0, type);
      EXPECT_EQ(WriteStack(*helped, 0), file);
    }
  }
  // A cancelled read with helpers leaves no document and no helper behind.
  const HelpersScope scope(3);
  CLayersManagerPtr doc = RichDocument(kWAType24);
  const Bytes file = WriteStack(*doc, 0);
  RecordingProgress progress;
  progress.cancelAtReport = 10;
  EXPECT_THROW(ReadStack(file), layer_noactive_layer);
}

std::filesystem::path GoldenPath(const char* name) {
  return std::filesystem::path(LUMORA_TEST_DATA) / "layered" / name;
}

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The golden files are what this program writes for RichDocument; set
// LUMORA_UPDATE_GOLDEN=1 to write them anew after a deliberate change.
TEST(LayeredFile, GoldenFilesReadAndWriteAgainByteForByte) {
  for (int native : {0, 1}) {
    const char* name = native ? "rich.lud" : "rich.psd";
    SCOPED_TRACE(name);
    CLayersManagerPtr doc = RichDocument(kWAType24, native);
    const Bytes written = WriteStack(*doc, native);
    if (std::getenv("LUMORA_UPDATE_GOLDEN") != nullptr) {
      std::filesystem::create_directories(GoldenPath(name).parent_path());
      std::ofstream(GoldenPath(name), std::ios::binary)
          .write(reinterpret_cast<const char*>(written.data()), static_cast<std::streamsize>(written.size()));
    }
    const Bytes golden = ReadBytes(GoldenPath(name));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(written, golden);
    CLayersManagerPtr back = ReadStack(golden);
    EXPECT_EQ(WriteStack(*back, native), golden);
  }
}

// A flat file: header, empty sections and the merged image as given.
Bytes FlatFile(int channels, int depth, int mode, int width, int height, const Bytes& merged,
               const Bytes& colourData = {}, std::uint32_t layerSection = 0) {
  ByteWriter w;
  w.Tag("8BPS").U16(1).Zeros(6).U16(channels).U32(static_cast<std::uint32_t>(height));
  w.U32(static_cast<std::uint32_t>(width)).U16(depth).U16(mode);
  w.Block(colourData).U32(0).U32(layerSection).Zeros(layerSection);
  return w.Raw(merged).bytes;
}

TEST(LayeredFile, FlatFilesWithExtraChannelsKeepTheirColourPlanes) {
  // 2 x 2 RGB plus an alpha channel, raw rows.
  ByteWriter merged;
  merged.U16(0);
  for (int c = 0; c < 4; ++c) merged.Raw(Bytes(4, static_cast<std::uint8_t>(10 * (c + 1))));
  CLayersManagerPtr rgb = ReadStack(FlatFile(4, 8, 3, 2, 2, merged.bytes));
  ASSERT_EQ(rgb->GetLayerCount(), 1);
  EXPECT_EQ(PixelAt(rgb->GetLayer(0)->PeekImage(), 1, 1), (Px{30, 20, 10}));
  EXPECT_EQ(rgb->GetChannelCount(), 4);
  // Grey plus alpha, PackBits rows.
  ByteWriter packed;
  packed.U16(1);
  for (int i = 0; i < 4; ++i) packed.U16(2);
  packed.U8(0xFF).U8(77).U8(0xFF).U8(77).U8(0xFF).U8(5).U8(0xFF).U8(5);
  CLayersManagerPtr grey = ReadStack(FlatFile(2, 8, 1, 2, 2, packed.bytes));
  EXPECT_TRUE(AllBytes(grey->GetLayer(0)->PeekImage(), 77));
}

TEST(LayeredFile, BitmapReadsTheSameRawOrPacked) {
  // 10 x 2: rows of two bytes, a set bit black in the file.
  const Bytes rows = {0xF0, 0x40, 0x0F, 0x80};
  ByteWriter raw;
  raw.U16(0).Raw(rows);
  ByteWriter packed;
  packed.U16(1).U16(3).U16(3).U8(1).U8(0xF0).U8(0x40).U8(1).U8(0x0F).U8(0x80);
  for (const Bytes& merged : {raw.bytes, packed.bytes}) {
    CLayersManagerPtr doc = ReadStack(FlatFile(1, 1, 0, 10, 2, merged));
    const VrWA2000::WA* image = doc->GetLayer(0)->PeekImage();
    ASSERT_EQ(image->GetType(), kWAType1Bit);
    EXPECT_EQ(image->Row(1)[0], 0x0F);  // the top row, inverted
    EXPECT_EQ(image->Row(0)[0], 0xF0);
    EXPECT_EQ(doc->IsLayerable(), 0);
  }
}

TEST(LayeredFile, IndexedFilesTakeTheirPaletteAndPaletteOfOtherLengths) {
  Bytes palette(768, 0);
  palette[3] = 200, palette[256 + 3] = 100, palette[512 + 3] = 50;
  ByteWriter merged;
  merged.U16(0).U8(3).U8(3).U8(3).U8(3);
  for (std::size_t extra : {0u, 10u}) {
    Bytes data = palette;
    data.resize(768 + extra, 9);
    CLayersManagerPtr doc = ReadStack(FlatFile(1, 8, 2, 2, 2, merged.bytes, data));
    const VrWA2000::WA* image = doc->GetLayer(0)->PeekImage();
    ASSERT_EQ(image->GetType(), kWAType8Palette);
    EXPECT_EQ(image->Palette()[3].peRed, 200);
    EXPECT_EQ(image->Palette()[3].peBlue, 50);
  }
  // A short palette reads as far as it goes.
  CLayersManagerPtr doc = ReadStack(FlatFile(1, 8, 2, 2, 2, merged.bytes, Bytes(palette.begin(), palette.begin() + 258)));
  EXPECT_EQ(doc->GetLayer(0)->PeekImage()->Palette()[3].peRed, 200);
  EXPECT_EQ(doc->GetLayer(0)->PeekImage()->Palette()[3].peGreen, 0);
  // Written again: colour mode 2 with its table, no layer section.
  const Bytes again = WriteStack(*doc, 0);
  EXPECT_EQ(LoadBE16(again.data() + 24), 2);
  EXPECT_EQ(LoadBE32(again.data() + 26), 768u);
  EXPECT_EQ(again[30 + 3], 200);
}

TEST(LayeredFile, HeadersOfKindsNotReadAreRefusedWithTheirReason) {
  const Bytes merged = ByteWriter().U16(0).Zeros(64).bytes;
  const struct {
    int channels, depth, mode, width, height;
    const char* says;
  } cases[] = {
      {3, 16, 3, 2, 2, "16 or 32 bits"}, {3, 32, 3, 2, 2, "16 or 32 bits"}, {4, 8, 4, 2, 2, "CMYK"},
      {1, 8, 0, 2, 2, "depth"},          {1, 1, 1, 2, 2, "depth"},          {3, 8, 3, 0, 2, "30000"},
      {3, 8, 3, 30001, 2, "30000"},      {2, 8, 3, 2, 2, "channel"},        {57, 8, 3, 2, 2, "channel"},
  };
  for (const auto& c : cases) {
    try {
      ReadStack(FlatFile(c.channels, c.depth, c.mode, c.width, c.height, merged));
      ADD_FAILURE() << c.says;
    } catch (const layer_err_fread& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
  Bytes version2 = FlatFile(3, 8, 3, 2, 2, merged);
  version2[5] = 2;
  EXPECT_THROW(ReadStack(version2), layer_err_fread);
  EXPECT_THROW(ReadStack({}), layer_err_fread);
  // Section lengths 1 to 3 are damage; 8 (empty layer information) is flat.
  EXPECT_THROW(ReadStack(FlatFile(3, 8, 3, 2, 2, merged, {}, 2)), layer_err_fread);
  EXPECT_EQ(ReadStack(FlatFile(3, 8, 3, 2, 2, merged, {}, 8))->GetFlatFile(), 1u);
}

// The bytes of a document with the resource section replaced.
Bytes WithResources(const Bytes& file, const Bytes& resources) {
  const std::size_t at = 26 + 4 + LoadBE32(file.data() + 26);
  const std::size_t length = LoadBE32(file.data() + at);
  Bytes out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at));
  ByteWriter w;
  w.Block(resources);
  out.insert(out.end(), w.bytes.begin(), w.bytes.end());
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 4 + length), file.end());
  return out;
}

Bytes Resource(int id, const Bytes& data) {
  ByteWriter w;
  w.Tag("8BIM").U16(id).U16(0).Block(data);
  if (data.size() % 2) w.U8(0);
  return w.bytes;
}

TEST(LayeredFile, ResourcesAreBoundedByTheirBlocks) {
  CLayersManagerPtr doc = RichDocument(kWAType24);
  const Bytes file = WriteStack(*doc, 0);
  // A guide count beyond the block's data takes the guides it holds; a
  // resolution block of another size is skipped; a target index of 200 reads
  // as 200 and makes no layer active, so the bottom one is.
  const Bytes resources = ByteWriter()
                              .Raw(Resource(0x0408, ByteWriter().U32(1).U32(576).U32(576).U32(1000).I32(64).U8(1).bytes))
                              .Raw(Resource(0x03ED, Bytes(12, 1)))
                              .Raw(Resource(0x0400, ByteWriter().U16(200).bytes))
                              .bytes;
  CLayersManagerPtr back = ReadStack(WithResources(file, resources));
  EXPECT_EQ(back->GetGuideCount(), 1);
  EXPECT_EQ(back->GetGuidePos(0), 64);
  EXPECT_EQ(back->GetResolution(), 0x00600060u);
  EXPECT_EQ(back->GetTargetLayerIndex(), 200);
  EXPECT_EQ(back->GetActiveLayer(), back->GetBottomLayer());
  EXPECT_EQ(back->GetLayer(1)->GetLinkId(), 0);  // no link id block
  // A block that runs past the section, and guides of another version.
  EXPECT_THROW(ReadStack(WithResources(file, ByteWriter().Tag("8BIM").U16(0x0400).U16(0).U32(90).bytes)),
               layer_err_fread);
  EXPECT_THROW(ReadStack(WithResources(file, Resource(0x0408, ByteWriter().U32(2).Zeros(12).bytes))),
               layer_err_fread);
}

TEST(LayeredFile, OddGuideCountsArePaddedAndCounted) {
  CLayersManagerPtr doc = RichDocument(kWAType8Grey);
  const Bytes file = WriteStack(*doc, 0);
  const std::uint32_t length = LoadBE32(file.data() + 26 + 4);
  EXPECT_EQ(length, 102u + 5 * 3 + 1 + 2 * 5);
}

// An empty layer lies between the records; the target index names the
// layer above it, which must become active though the empty one drops out.
TEST(LayeredFile, EmptyLayerKeepsItsPlaceAndTheTarget) {
  CLayersManagerPtr doc = RichDocument(kWAType24);
  Bytes file = WriteStack(*doc, 0);
  // Make the second record (the Screen layer) empty: its bottom equals its top.
  ReadFile probe(file);
  LayeredReader in(probe.file);
  CLayersManagerPtr scratch = CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 1, 1, 0x00600060u, 0, 1));
  scratch->ReadFileHeader(in);
  CLayer skip;
  skip.ReadPSDRecord(in, scratch->FileHeader());
  const std::uint64_t second = in.Position();
  std::memcpy(file.data() + second + 8, file.data() + second, 4);  // bottom = top
  CLayersManagerPtr back = ReadStack(file);
  ASSERT_EQ(back->GetLayerCount(), doc->GetLayerCount());
  EXPECT_EQ(back->GetActiveLayer()->GetName(), "Clipped");
  const CLayer& empty = *back->GetLayer(1);
  EXPECT_EQ(empty.GetName(), doc->GetLayer(1)->GetName());
  EXPECT_EQ(empty.GetMergeMode(), kMergeScreen);
  EXPECT_TRUE(WritesAsEmptyLayer(empty));
}

TEST(LayeredFile, CancelLeavesNoDocument) {
  CLayersManagerPtr doc = RichDocument(kWAType24);
  const Bytes file = WriteStack(*doc, 0);
  RecordingProgress progress;
  progress.cancelAtReport = 10;
  EXPECT_THROW(ReadStack(file), layer_noactive_layer);
  EXPECT_EQ(progress.reports.back().first, -2);
}

TEST(LayeredFile, GlobalLayerMaskOfAnyLengthKeepsResolutionAndTarget) {
  CLayersManagerPtr doc = RichDocument(kWAType24);
  Bytes file = WriteStack(*doc, 0, 0);  // no merged image: the section ends the file
  // The global layer mask record is the last 18 bytes: state a length of
  // 2000 with that many bytes there.
  file.erase(file.end() - 18, file.end());
  Bytes tail = ByteWriter().U32(2000).U16(0).U16(1).U16(2).U16(3).U16(4).U16(33).U8(7).U8(0).Zeros(1986).bytes;
  file.insert(file.end(), tail.begin(), tail.end());
  const std::size_t sectionAt = 26 + 4 + 4 + LoadBE32(file.data() + 30);
  StoreBE32(file.data() + sectionAt, LoadBE32(file.data() + sectionAt) + 1986);
  CLayersManagerPtr back = ReadStack(file);
  EXPECT_EQ(back->GetGlobalLayerMask().opacity, 33);
  EXPECT_EQ(back->GetGlobalLayerMask().kind, 7);
  EXPECT_EQ(back->GetResolution(), 0x00480096u);
  EXPECT_EQ(back->GetLayerIndex(back->GetActiveLayer()), 2);
}

}  // namespace
}  // namespace lumora::testing
