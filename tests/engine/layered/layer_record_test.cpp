// The layer record of the layered file: what a record writes and reads
// back, blend keys, mask data and blending ranges of every length, locks,
// names, and the damage that must end in layer_err_fread.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/LayerText.h"
#include "engine/blend/MergeModes.h"
#include "platform/rect.h"
#include "engine/layers/layer_support.h"
#include "psd_support.h"

namespace lumora::testing {
namespace {

constexpr int kHeight = 40;

// A record's fixed part: rect (file orientation), channels, blend key,
// opacity, clipping, flags; the extra data follow as given.
Bytes Record(const Bytes& extra, const char* key = "norm", std::vector<std::int16_t> ids = {0, 1, 2},
             int top = 5, int left = 2, int bottom = 15, int right = 12) {
  ByteWriter w;
  w.I32(top).I32(left).I32(bottom).I32(right).U16(static_cast<int>(ids.size()));
  for (std::int16_t id : ids) w.U16(static_cast<std::uint16_t>(id)).U32(2);
  w.Tag("8BIM").Tag(key).U8(200).U8(1).U8(2).U8(0);
  return w.Block(extra).bytes;
}

// Extra data: mask data, blending ranges, name "L" and the blocks given.
Bytes Extra(const Bytes& maskData, const Bytes& ranges, const Bytes& blocks = {}) {
  ByteWriter w;
  w.Block(maskData).Block(ranges).U8(1).U8('L').Zeros(2).Raw(blocks);
  return w.bytes;
}

Bytes InfoBlock(const char* key, const Bytes& payload, const char* signature = "8BIM") {
  return ByteWriter().Tag(signature).Tag(key).Block(payload).bytes;
}

void ReadInto(CLayer& layer, const Bytes& bytes, LayeredFileHeader& header) {
  ReadFile f(bytes);
  LayeredReader in(f.file);
  layer.ReadPSDRecord(in, header);
  EXPECT_EQ(in.Position(), bytes.size());
}

CLayerPtr ReadRecord(const Bytes& bytes, int type = kWAType24) {
  LayeredFileHeader header = MakeHeader(type, 30, kHeight);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer());
  ReadInto(*layer, bytes, header);
  return layer;
}

TEST(LayerRecord, FixedFieldsConvertTheRectAndCountRows) {
  LayeredFileHeader header = MakeHeader(kWAType24, 30, kHeight);
  CLayer layer;
  ReadInto(layer, Record({}, "hLit", {-1, 0, 1, 2}), header);
  EXPECT_TRUE(RectsEqual(layer.GetRect(), MakeRect(2, kHeight - 15, 12, kHeight - 5)));
  EXPECT_EQ(layer.GetChannelIds(), (std::vector<std::int16_t>{-1, 0, 1, 2}));
  EXPECT_EQ(layer.GetChannelLengths(), (std::vector<std::uint32_t>{2, 2, 2, 2}));
  EXPECT_EQ(layer.GetMergeMode(), kMergeHardLight);
  EXPECT_EQ(layer.GetOpacity(), 200);
  EXPECT_EQ(layer.GetGrouped(), 1);
  EXPECT_EQ(layer.GetFlags(), 2u);
  EXPECT_EQ(header.channelRowTotal, 10u * 4);
}

TEST(LayerRecord, ExtraDataLengthZeroLeavesNameAndRangesAlone) {
  CLayer layer;
  layer.SetName("kept");
  LayeredFileHeader header = MakeHeader(kWAType24, 30, kHeight);
  ReadInto(layer, Record({}), header);
  EXPECT_EQ(layer.GetName(), "kept");
  EXPECT_EQ(layer.GetBlendRangesPresent(), 0);
}

TEST(LayerRecord, BlendKeysAnyCaseEitherWayRoundAndUnknownAsNormal) {
  const struct {
    const char* key;
    int mode;
  } cases[] = {{"hLit", kMergeHardLight}, {"hlit", kMergeHardLight}, {"    ", kMergeNormal},
               {"smud", kMergeExclusion}, {"lddg", kMergeAdd},       {"FSUB", kMergeSubtract},
               {"zzzz", kMergeNormal},    {"div ", kMergeColorDodge}, {"idiv", kMergeColorBurn},
               // Byte-reversed, as some writers store them.
               {"mron", kMergeNormal},    {" lum", kMergeMultiply},   {" mul", kMergeLuminosity},
               {"nrcs", kMergeScreen},    {" vid", kMergeColorDodge}, {"vidi", kMergeColorBurn}};
  for (const auto& c : cases) {
    EXPECT_EQ(ModeOfBlendKey(c.key), c.mode) << c.key;
    EXPECT_EQ(ReadRecord(Record({}, c.key))->GetMergeMode(), c.mode) << c.key;
  }
  for (int mode = 0; mode < kMergeModeCount; ++mode) EXPECT_EQ(ModeOfBlendKey(BlendKeyOfMode(mode)), mode);
}

TEST(LayerRecord, MaskDataOfAnySizeReadsWhatItNeeds) {
  const Bytes rect = ByteWriter().I32(6).I32(3).I32(14).I32(11).bytes;
  // 20 bytes, 36 bytes (with the real-mask fields), and too short to hold
  // the fields: each is consumed to its stated size.
  for (std::size_t size : {20u, 36u, 10u}) {
    ByteWriter mask;
    mask.Raw(rect).U8(255).U8(kMaskDisabled | 1).Zeros(size - 18 > 100 ? 0 : size - 18);
    Bytes maskData = mask.bytes;
    maskData.resize(size);
    CLayerPtr layer = ReadRecord(Record(Extra(maskData, {})));
    EXPECT_EQ(layer->GetName(), "L") << size;
    if (size >= 18) {
      EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), MakeRect(3, kHeight - 14, 11, kHeight - 6)));
      EXPECT_EQ(layer->GetMaskDefaultColor(), 255);
      EXPECT_EQ(layer->GetMaskFlags(), kMaskDisabled | 1);
    } else {
      EXPECT_EQ(layer->GetMaskFlags(), 0);
    }
  }
}

TEST(LayerRecord, BlendingRangesByTheirLength) {
  Bytes all;
  for (int k = 0; k < 12; ++k) all.insert(all.end(), {std::uint8_t(k), std::uint8_t(k + 1), 250, 255});
  const struct {
    std::size_t length;
    bool present;
    int channel0;  // first byte of this layer's red range, -1 untouched
  } cases[] = {{0, false, -1}, {4, false, -1}, {20, true, -1}, {32, true, 2}, {40, true, 2}, {48, true, 2}};
  for (const auto& c : cases) {
    CLayerPtr layer = ReadRecord(Record(Extra({}, Bytes(all.begin(), all.begin() + c.length)), "norm"));
    EXPECT_EQ(layer->GetBlendRangesPresent(), c.present ? 1 : 0) << c.length;
    EXPECT_EQ(layer->GetName(), "L") << c.length;
    if (c.present) {
      EXPECT_EQ(layer->GetBlendIfRange(0)[0], 0);  // grey, this layer
      EXPECT_EQ(layer->GetBlendIfRange(4)[0], 1);  // grey, underlying
      EXPECT_EQ(layer->GetBlendIfActive(), 1);
    }
    EXPECT_EQ(layer->GetBlendIfRange(1)[0], c.channel0 < 0 ? 0 : c.channel0) << c.length;
  }
  // A grey layer takes the channel 0 pair as its grey pair.
  CLayerPtr grey = ReadRecord(Record(Extra({}, Bytes(all.begin(), all.begin() + 32))), kWAType8Grey);
  EXPECT_EQ(grey->GetBlendIfRange(0)[0], 2);
  EXPECT_EQ(grey->GetBlendIfRange(4)[0], 3);
}

TEST(LayerRecord, LockBlockSetsLockAndPositionLock) {
  const struct {
    std::uint32_t value;
    bool lock;
    bool position;
  } cases[] = {{0x80000000u, true, true}, {4, false, true}, {0, false, false}, {1, true, false}, {2, true, false}};
  for (const auto& c : cases) {
    CLayerPtr layer = ReadRecord(Record(Extra({}, {}, InfoBlock("lspf", ByteWriter().U32(c.value).bytes))));
    EXPECT_EQ(layer->IsTransparencyLocked() != 0, c.lock) << c.value;
    EXPECT_EQ(layer->GetPositionLocked() != 0, c.position) << c.value;
  }
}

// The lock bits read are written back as they were; a lock the user
// changes changes only its own bits.
TEST(LayerRecord, LockBitsGoBackAsReadOrAsChanged) {
  const struct {
    std::uint32_t read;
    int flagsByte;  // the transparency bit of the flags byte read
    int unlockTransparency, unlockPosition;
    std::uint32_t written;  // 0: no lock block
    int writtenFlagsBit;
  } cases[] = {{7, 0, 0, 0, 7, 0},           {2, 0, 0, 0, 2, 0},           {0x80000000u, 1, 0, 0, 0x80000000u, 1},
               {7, 1, 1, 0, 4, 0},           {0x80000000u, 1, 0, 1, 3, 1}, {0x80000008u, 0, 1, 1, 8, 0},
               {0, 0, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read);
    ByteWriter w;
    w.I32(5).I32(2).I32(15).I32(12).U16(4);
    for (std::int16_t id : {-1, 0, 1, 2}) w.U16(static_cast<std::uint16_t>(id)).U32(2);
    w.Tag("8BIM").Tag("norm").U8(255).U8(0).U8(static_cast<std::uint8_t>(8 | c.flagsByte)).U8(0);
    const Bytes blocks = c.read != 0 ? InfoBlock("lspf", ByteWriter().U32(c.read).bytes) : Bytes{};
    CLayerPtr layer = ReadRecord(w.Block(Extra({}, {}, blocks)).bytes);
    // The pixels arrive with a transparency mask.
    const RECT rect = layer->GetRect();
    layer->SetImageType(kWAType24);
    layer->SetImage(WAPtr::Adopt(NewWA(kWAType24, RectWidth(rect), RectHeight(rect), nullptr)).get());
    const std::uint32_t locked = layer->GetFlags() & kLayerTransparencyLocked;
    layer->SetMask(WAPtr::Adopt(NewWA(kWAType8Grey, RectWidth(rect), RectHeight(rect), nullptr)).get());
    layer->SetTransparencyLock(static_cast<int>(locked));
    ASSERT_TRUE(layer->HasMask());
    if (c.unlockTransparency) layer->SetTransparencyLock(0);
    if (c.unlockPosition) layer->SetPositionLocked(0);
    LayeredFileHeader header = MakeHeader(kWAType24, 30, kHeight);
    MemFile file(256);
    LayeredWriter out(file);
    layer->WritePSDRecord(out, header);
    const Bytes bytes = Contents(file);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t at = text.find("8BIMlspf");
    EXPECT_EQ(at == std::string::npos ? 0u : LoadBE32(bytes.data() + at + 12), c.written);
    EXPECT_EQ(bytes[18 + 6 * 4 + 10] & 1, c.writtenFlagsBit);
  }
}

TEST(LayerRecord, BlockSignaturesAndSkippedBlocks) {
  // Lower-case signature accepted; a text block on a plain layer and an
  // unknown block skipped by length, odd lengths padded.
  const Bytes blocks = ByteWriter()
                           .Raw(InfoBlock("tySh", Bytes(7, 9), "8bim"))
                           .U8(0)
                           .Raw(InfoBlock("zzzz", Bytes(4, 1)))
                           .Raw(InfoBlock("lspf", ByteWriter().U32(4).bytes))
                           .bytes;
  CLayerPtr layer = ReadRecord(Record(Extra({}, {}, blocks)));
  EXPECT_EQ(layer->GetPositionLocked(), 1);
  // After a first block, a signature that is not "8BIM" is damage.
  const Bytes damaged =
      ByteWriter().Raw(InfoBlock("zzzz", Bytes(4, 1))).Raw(InfoBlock("lspf", Bytes(4), "XBIM")).bytes;
  EXPECT_THROW(ReadRecord(Record(Extra({}, {}, damaged))), layer_err_fread);
}

TEST(LayerRecord, UnicodeNameReplacesTheEightBitName) {
  ByteWriter name;
  name.U32(5);
  for (char16_t c : std::u16string(u"Caf\u00e9\u65e5")) name.U16(c);
  CLayerPtr layer = ReadRecord(Record(Extra({}, {}, InfoBlock("luni", name.bytes))));
  EXPECT_EQ(layer->GetName(), "Caf\xC3\xA9\xE6\x97\xA5");
}

TEST(LayerRecord, DamageIsAReadError) {
  Bytes tooLong = Record(Extra({}, {}));
  tooLong[tooLong.size() - Extra({}, {}).size() - 1] += 40;  // extra length past the end
  EXPECT_THROW(ReadRecord(tooLong), layer_err_fread);
  EXPECT_THROW(ReadRecord(Record({}, "norm", std::vector<std::int16_t>(57, 0))), layer_err_fread);
  EXPECT_THROW(ReadRecord(Record({}, "norm", {0}, -(1 << 30))), layer_err_fread);
  // Mask data and ranges whose lengths run past the extra data.
  EXPECT_THROW(ReadRecord(Record(ByteWriter().U32(100).bytes)), layer_err_fread);
  EXPECT_THROW(ReadRecord(Record(ByteWriter().U32(0).U32(50).Zeros(8).bytes)), layer_err_fread);
  const Bytes whole = Record(Extra({}, {}));
  for (std::size_t cut = 0; cut < whole.size(); cut += 3) {
    EXPECT_THROW(ReadRecord(Bytes(whole.begin(), whole.begin() + cut)), layer_err_fread) << cut;
  }
}

TEST(LayerRecord, WrittenRecordReadsBackWithItsAttributes) {
  const RECT rect = MakeRect(4, 10, 24, 30);
  LAYER_INFO info = DefaultInfo("Layer \xC3\xA9t\xC3\xA9 \xE6\x97\xA5");
  info.opacity = 60;
  info.mergeMode = kMergeScreen;
  info.grouped = 1;
  info.blendIf[0][0] = 10;
  info.blendIf[3][2] = 200;
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, info, kWAType24, 1));
  layer->SetMaskDefaultColor(255);
  layer->EnableMask(0);
  layer->SetVisible(0);
  LayeredFileHeader header = MakeHeader(kWAType24, 40, 50);
  MemFile file(256);
  LayeredWriter out(file);
  layer->WritePSDRecord(out, header);
  EXPECT_EQ(header.channelRowTotal, 20u * 4);
  const std::vector<std::uint64_t> positions = out.PopLengthPositions();
  ASSERT_EQ(positions.size(), 4u);
  const Bytes bytes = Contents(file);
  EXPECT_EQ(LoadBE32(bytes.data()), 50u - 30u);  // top counted from the top edge
  EXPECT_EQ(LoadBE32(bytes.data() + positions[0]), 20u * 20u + 2);
  EXPECT_EQ(LoadBE32(bytes.data() + positions[1]), 20u * 20u + 2);

  LayeredFileHeader readHeader = MakeHeader(kWAType24, 40, 50);
  CLayer back;
  ReadInto(back, bytes, readHeader);
  EXPECT_TRUE(RectsEqual(back.GetRect(), rect));
  // The transparency is channel -1 alone: no mask record (a user mask).
  EXPECT_EQ(LoadBE32(bytes.data() + 18 + 6 * 4 + 16), 0u);
  EXPECT_EQ(back.GetName(), info.name);
  EXPECT_EQ(back.GetChannelIds(), (std::vector<std::int16_t>{-1, 0, 1, 2}));
  EXPECT_EQ(back.GetMergeMode(), kMergeScreen);
  EXPECT_EQ(back.GetOpacity(), layer->GetOpacity());
  EXPECT_EQ(back.GetGrouped(), 1);
  EXPECT_EQ(back.GetFlags(), layer->GetFlags());
  EXPECT_EQ(back.GetMaskDefaultColor(), 255);
  EXPECT_EQ(back.GetMaskFlags(), layer->GetMaskFlags());
  for (int k = 0; k < 8; ++k) EXPECT_EQ(std::memcmp(back.GetBlendIfRange(k), layer->GetBlendIfRange(k), 4), 0);
}

TEST(LayerRecord, GreyLayerWithMaskHasTwoChannelsAndNamesPadToFour) {
  const RECT rect = MakeRect(0, 0, 3, 3);
  for (const char* name : {"", "abc", "abcd"}) {
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo(name), kWAType8Grey, 1));
    LayeredFileHeader header = MakeHeader(kWAType8Grey, 3, 3);
    MemFile file(256);
    LayeredWriter out(file);
    layer->WritePSDRecord(out, header);
    const Bytes bytes = Contents(file);
    EXPECT_EQ(LoadBE16(bytes.data() + 16), 2);
    EXPECT_EQ(static_cast<std::int16_t>(LoadBE16(bytes.data() + 18)), -1);
    EXPECT_EQ(LoadBE16(bytes.data() + 24), 0);
    const std::size_t nameAt = 18 + 12 + 12 + 4 + 4 + 4 + 40;
    const std::size_t padded = std::strlen(name) == 4 ? 8 : 4;
    EXPECT_EQ(bytes.size(), nameAt + padded) << name;
  }
}

TEST(LayerRecord, AddAndSubtractKeepTheirKeysAndNativeParameters) {
  const RECT rect = MakeRect(0, 0, 2, 2);
  for (int own : {0, 1}) {
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo("a"), kWAType24, 0));
    layer->SetMergeMode(kMergeAdd);
    layer->SetAddScaleOffset(15000, -20);
    layer->SetSubtractScaleOffset(12000, 7);
    LayeredFileHeader header = MakeHeader(kWAType24, 2, 2, own);
    MemFile file(256);
    LayeredWriter out(file);
    layer->WritePSDRecord(out, header);
    const Bytes bytes = Contents(file);
    EXPECT_EQ(std::memcmp(bytes.data() + 18 + 18 + 4, "lddg", 4), 0);
    LayeredFileHeader readHeader = MakeHeader(kWAType24, 2, 2, own);
    CLayer back;
    ReadInto(back, bytes, readHeader);
    EXPECT_EQ(back.GetMergeMode(), kMergeAdd);
    EXPECT_EQ(back.GetAddScale(), own ? 15000 : 10000);
    EXPECT_EQ(back.GetAddOffset(), own ? -20 : 0);
    EXPECT_EQ(back.GetSubtractScale(), own ? 12000 : 10000);
    EXPECT_EQ(back.GetSubtractOffset(), own ? 7 : 0);
  }
}

}  // namespace
}  // namespace lumora::testing
