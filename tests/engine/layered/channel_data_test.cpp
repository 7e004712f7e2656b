// Channel image data: layers written and read back pixel for pixel, the
// user mask folded into the transparency, empty layers, raw rows, progress
// and cancel, and damage that must end in layer_err_fread before any
// buffer the file cannot back is made.
#include <gtest/gtest.h>

#include <random>

#include "engine/layered/ChannelData.h"
#include "engine/layered/ChannelShuffle.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/layer_support.h"
#include "platform/rect.h"
#include "psd_support.h"
#include "support/recording_progress.h"

namespace lumora::testing {
namespace {

bool SameBytes(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if (a->GetType() != b->GetType() || a->GetW() != b->GetW() || a->GetH() != b->GetH()) return false;
  const int bytes = a->GetType() == kWAType24 ? 3 * a->GetW() : a->GetW();
  for (int y = 0; y < a->GetH(); ++y) {
    if (std::memcmp(a->Row(y), b->Row(y), static_cast<std::size_t>(bytes)) != 0) return false;
  }
  return true;
}

// The record and channel data of one layer, as a file holds them.
Bytes WriteLayer(CLayer& layer, LayeredFileHeader& header) {
  MemFile file(4096);
  LayeredWriter out(file);
  layer.WritePSDRecord(out, header);
  layer.WriteChannelData(out, header);
  return Contents(file);
}

CLayerPtr ReadLayer(const Bytes& bytes, LayeredFileHeader& header, int* result = nullptr) {
  ReadFile f(bytes);
  LayeredReader in(f.file);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer());
  layer->ReadPSDRecord(in, header);
  const int r = layer->ReadChannelData(in, header);
  if (result != nullptr) *result = r;
  EXPECT_EQ(in.Position(), bytes.size());
  return layer;
}

TEST(ChannelData, LayersReadBackPixelForPixel) {
  for (int type : {kWAType24, kWAType8Grey}) {
    for (int withMask : {0, 1}) {
      const RECT rect = MakeRect(3, 7, 3 + 300, 7 + 9);
      CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo("p"), type, withMask));
      WAPtr image = PatternBuffer(type, 300, 9, [](int y, int i) { return (i / 5 + y * 3) % 7 == 0 ? i : 9; });
      layer->SetImage(image.get());
      if (withMask) {
        WAPtr mask = PatternBuffer(kWAType8Grey, 300, 9, [](int y, int i) { return (i * y) & 255; });
        layer->SetMask(mask.get());
      }
      LayeredFileHeader header = MakeHeader(type, 320, 20);
      const Bytes bytes = WriteLayer(*layer, header);
      LayeredFileHeader readHeader = MakeHeader(type, 320, 20);
      int result = -1;
      CLayerPtr back = ReadLayer(bytes, readHeader, &result);
      EXPECT_EQ(result, 1);
      ASSERT_TRUE(back->PeekImage() != nullptr);
      EXPECT_TRUE(SameBytes(back->PeekImage(), image.get())) << type << withMask;
      EXPECT_EQ(back->HasMask(), withMask);
      if (withMask) { EXPECT_TRUE(SameBytes(back->PeekMask(), layer->PeekMask())); }
      EXPECT_EQ(back->IsTransparencyLocked(), layer->IsTransparencyLocked());
      // Every row counted; the channels read by the lengths the writer
      // patched into the record end exactly at the end of the data.
      EXPECT_EQ(readHeader.channelRows, readHeader.channelRowTotal);
    }
  }
}

// A layer with transparency and a user mask (channel -2) over part of it;
// the mask's rows are `maskRow` (one byte a column, 128 where not given).
Bytes MaskedLayerFile(int defaultColour, int maskFlags, int maskTop = 1, int maskBottom = 3, int maskLeft = 1,
                      int maskRight = 3, Bytes maskRow = {}) {
  if (maskRow.empty()) maskRow = Bytes(static_cast<std::size_t>(std::max(0, maskRight - maskLeft)), 128);
  ByteWriter w;
  // rect rows 0..4, columns 0..4 (file orientation; image height 5)
  w.I32(0).I32(0).I32(4).I32(4).U16(3);
  const Bytes raw16 = Bytes(16, 200);
  w.U16(static_cast<std::uint16_t>(-1)).U32(18).U16(0).U32(18);
  const int maskRows = maskBottom - maskTop;
  w.U16(static_cast<std::uint16_t>(-2)).U32(static_cast<std::uint32_t>(2 + maskRow.size() * maskRows));
  w.Tag("8BIM").Tag("norm").U8(255).U8(0).U8(0).U8(0);
  ByteWriter extra;
  extra.Block(ByteWriter().I32(maskTop).I32(maskLeft).I32(maskBottom).I32(maskRight).U8(defaultColour).U8(maskFlags).Zeros(2).bytes)
      .Block({})
      .U8(0)
      .Zeros(3);
  w.Block(extra.bytes);
  w.U16(0).Raw(raw16);                  // transparency, raw, all 200
  w.U16(0).Raw(Bytes(16, 50));          // grey
  w.U16(0);  // user mask, raw
  for (int r = 0; r < maskRows; ++r) w.Raw(maskRow);
  return w.bytes;
}

TEST(ChannelData, UserMaskFoldsIntoTransparencyWithItsDefaultColour) {
  const struct {
    int defaultColour;
    int flags;
    int inside;
    int outside;
  } cases[] = {{0, 0, 200 * 128 / 255, 0}, {255, 0, 200 * 128 / 255, 200}, {0, kMaskDisabled, 200, 200}};
  for (const auto& c : cases) {
    LayeredFileHeader header = MakeHeader(kWAType8Grey, 4, 5);
    CLayerPtr layer = ReadLayer(MaskedLayerFile(c.defaultColour, c.flags), header);
    ASSERT_TRUE(layer->PeekMask() != nullptr);
    const VrWA2000::WA* t = layer->PeekMask();
    // File rows 1..2, columns 1..2 are inside the mask; buffer rows count
    // from the bottom of the 4-row layer.
    EXPECT_EQ(t->Row(4 - 1 - 1)[1], c.inside);
    EXPECT_EQ(t->Row(4 - 1 - 2)[2], c.inside);
    EXPECT_EQ(t->Row(4 - 1 - 0)[0], c.outside);
    EXPECT_EQ(t->Row(0)[3], c.outside);
    EXPECT_EQ(layer->GetMaskFlags() & kMaskDisabled, 0);
    EXPECT_TRUE(AllBytes(layer->PeekImage(), 50));
  }
  // An empty mask rect: the default colour everywhere.
  LayeredFileHeader header = MakeHeader(kWAType8Grey, 4, 5);
  CLayerPtr hidden = ReadLayer(MaskedLayerFile(0, 0, 2, 2), header);
  EXPECT_TRUE(AllBytes(hidden->PeekMask(), 0));
  // A mask over columns -2..1, hanging over the layer's left edge: each
  // column inside the layer takes its own mask value; the rest the default.
  for (int defaultColour : {0, 255, 100}) {
    header = MakeHeader(kWAType8Grey, 4, 5);
    CLayerPtr over = ReadLayer(MaskedLayerFile(defaultColour, 0, 1, 3, -2, 2, Bytes{10, 20, 30, 40}), header);
    ASSERT_TRUE(over->PeekMask() != nullptr);
    const std::uint8_t* row = over->PeekMask()->Row(4 - 1 - 1);
    EXPECT_EQ(row[0], 200 * 30 / 255) << defaultColour;
    EXPECT_EQ(row[1], 200 * 40 / 255) << defaultColour;
    EXPECT_EQ(row[2], 200 * defaultColour / 255) << defaultColour;
    EXPECT_EQ(over->PeekMask()->Row(0)[0], 200 * defaultColour / 255) << defaultColour;
  }
}

TEST(ChannelData, EmptyOrInvertedRectKeepsAnEmptyLayer) {
  for (int bottom : {3, 1}) {
    ByteWriter w;
    w.I32(3).I32(0).I32(bottom).I32(5).U16(2).U16(0).U32(2).U16(static_cast<std::uint16_t>(-1)).U32(6);
    w.Tag("8BIM").Tag("norm").U8(255).U8(0).U8(0).U8(0).U32(0);
    w.U16(1).U16(0).U16(0).U16(0);  // the channels as their lengths say
    LayeredFileHeader header = MakeHeader(kWAType8Grey, 5, 5);
    int result = -1;
    CLayerPtr layer = ReadLayer(w.bytes, header, &result);
    EXPECT_EQ(result, 1);
    // The smallest layer there is, fully transparent, at the rect's top left.
    ASSERT_TRUE(layer->PeekImage() != nullptr);
    EXPECT_TRUE(RectsEqual(layer->GetRect(), MakeRect(0, 1, 1, 2)));
    EXPECT_EQ(layer->PeekImage()->GetW() * layer->PeekImage()->GetH(), 1);
    EXPECT_TRUE(AllBytes(layer->PeekMask(), 0));
    EXPECT_TRUE(WritesAsEmptyLayer(*layer));
  }
}

TEST(ChannelData, CancelLeavesTheLayerAsItWas) {
  const RECT rect = MakeRect(0, 0, 8, 6);
  CLayerPtr source = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo("c"), kWAType24, 1));
  LayeredFileHeader header = MakeHeader(kWAType24, 8, 6);
  const Bytes bytes = WriteLayer(*source, header);
  RecordingProgress progress;
  progress.cancelAtReport = 5;
  LayeredFileHeader readHeader = MakeHeader(kWAType24, 8, 6);
  readHeader.progress = 1;
  ReadFile f(bytes);
  LayeredReader in(f.file);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer());
  layer->ReadPSDRecord(in, readHeader);
  EXPECT_EQ(layer->ReadChannelData(in, readHeader), 0);
  EXPECT_TRUE(layer->PeekImage() == nullptr);
  EXPECT_EQ(progress.positionReports(), 6);
  EXPECT_EQ(progress.reports.back(), std::make_pair(6, 24));
}

// A one-channel grey layer whose channel data are given.
Bytes GreyLayer(int width, int height, const Bytes& channel) {
  ByteWriter w;
  w.I32(0).I32(0).I32(height).I32(width).U16(1).U16(0).U32(static_cast<std::uint32_t>(channel.size()));
  w.Tag("8BIM").Tag("norm").U8(255).U8(0).U8(0).U8(0).U32(0);
  return w.Raw(channel).bytes;
}

TEST(ChannelData, DamagedOrUnreadableChannelsAreReadErrors) {
  const std::vector<Bytes> channels = {
      ByteWriter().U16(0).Zeros(5).bytes,                    // raw rows short
      ByteWriter().U16(1).U16(2).U16(2).U8(0x81).U8(1).bytes,  // a count past the data
      ByteWriter().U16(1).U16(1).U16(2).U8(0).U8(1).U8(0x81).U8(1).bytes,  // a row below its least size
      ByteWriter().U16(1).U16(2).U16(2).U8(0x03).U8(1).U8(0x81).U8(1).bytes,  // a row that runs out
      ByteWriter().U16(2).Zeros(8).bytes,                    // ZIP
      ByteWriter().U16(9).Zeros(8).bytes,                    // unknown
      ByteWriter().U16(1).bytes,                             // no table
  };
  for (std::size_t i = 0; i < channels.size(); ++i) {
    LayeredFileHeader header = MakeHeader(kWAType8Grey, 4, 2);
    EXPECT_THROW(ReadLayer(GreyLayer(4, 2, channels[i]), header), layer_err_fread) << i;
  }
  // A layer far larger than its data could fill is refused before its
  // buffers are made.
  VrWA2000::ReadWA::MM_SetMemoryLimits(1 << 20);
  LayeredFileHeader header = MakeHeader(kWAType8Grey, 30000, 30000);
  EXPECT_THROW(ReadLayer(GreyLayer(30000, 30000, ByteWriter().U16(1).Zeros(64).bytes), header), layer_err_fread);
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
}

TEST(ChannelData, RawRowsRead) {
  Bytes channel = ByteWriter().U16(0).bytes;
  for (int i = 0; i < 8; ++i) channel.push_back(static_cast<std::uint8_t>(i * 10));
  LayeredFileHeader header = MakeHeader(kWAType8Grey, 4, 2);
  CLayerPtr layer = ReadLayer(GreyLayer(4, 2, channel), header);
  EXPECT_EQ(layer->PeekImage()->Row(1)[0], 0);   // top row of the file
  EXPECT_EQ(layer->PeekImage()->Row(0)[3], 70);
}

TEST(ChannelData, ShufflesAgreeWithThePlainLoops) {
  std::mt19937 rng(11);
  for (int width : {0, 1, 15, 16, 17, 47, 48, 300, 4001}) {
    Bytes pixels(3 * static_cast<std::size_t>(width));
    for (auto& b : pixels) b = static_cast<std::uint8_t>(rng());
    Bytes r(width), g(width), b(width), r2(width), g2(width), b2(width);
    SplitPixels(pixels.data(), r.data(), g.data(), b.data(), width);
    SplitPixelsPlain(pixels.data(), r2.data(), g2.data(), b2.data(), width);
    EXPECT_TRUE(r == r2 && g == g2 && b == b2) << width;
    Bytes joined(pixels.size()), joined2(pixels.size());
    JoinPixels(joined.data(), r.data(), g.data(), b.data(), width);
    JoinPixelsPlain(joined2.data(), r.data(), g.data(), b.data(), width);
    EXPECT_EQ(joined, pixels) << width;
    EXPECT_EQ(joined2, pixels) << width;
  }
}

}  // namespace
}  // namespace lumora::testing
