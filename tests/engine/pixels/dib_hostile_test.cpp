// Clipboard DIBs made to cost: run-length data that claims a huge picture
// and codes almost none of it is refused before anything is made, with
// the reason; real run-length pictures still read, once, into the buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pixels/Dib.h"
#include "libs/imgxfer/bmp_rle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A 40-byte header, `colours` table entries (grey), then `data`.
Bytes RleDib(std::int32_t width, std::int32_t height, int bits, std::uint32_t colours, const Bytes& data) {
  Bytes dib;
  Put32(dib, 40);
  Put32(dib, static_cast<std::uint32_t>(width));
  Put32(dib, static_cast<std::uint32_t>(height));
  dib.push_back(1), dib.push_back(0);
  dib.push_back(static_cast<std::uint8_t>(bits)), dib.push_back(0);
  Put32(dib, bits == 8 ? 1 : 2);  // BI_RLE8, BI_RLE4
  Put32(dib, static_cast<std::uint32_t>(data.size()));
  Put32(dib, 2835), Put32(dib, 2835);
  Put32(dib, colours), Put32(dib, 0);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const auto g = static_cast<std::uint8_t>(i * 255 / (colours > 1 ? colours - 1 : 1));
    dib.insert(dib.end(), {g, g, g, 0});
  }
  dib.insert(dib.end(), data.begin(), data.end());
  return dib;
}

// Every row of `width` pixels of index `value` in runs of at most 255,
// each row ended; the end of the bitmap after `rows` rows.
Bytes Runs(int width, int rows, std::uint8_t value) {
  Bytes data;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width), value);
  for (int y = 0; y < rows; ++y) {
    lumora::imgxfer::EncodeBmpRleRow(row.data(), width, 8, data);
    data.insert(data.end(), {0, 0});
  }
  data.insert(data.end(), {0, 1});
  return data;
}

const std::string kTooLittle = "its run-length data codes too little of the image it claims";

// The blocks another program put on the clipboard: each claims a picture
// hundreds of times larger than its data could ever fill. They are
// refused by their data alone, with nothing made.
TEST(DibHostile, RunLengthBlocksThatCodeAlmostNothingOfAHugeImageAreRefusedWithTheReason) {
  struct Case {
    const char* what;
    Bytes dib;
    std::size_t size;
  } cases[] = {
      {"RLE8 30000 x 30000, end of bitmap only", RleDib(30000, 30000, 8, 256, {0, 1}), 1066},
      {"RLE4 30000 x 30000, end of bitmap only", RleDib(30000, 30000, 4, 16, {0, 1}), 106},
      // Runs of 255 in two rows far apart, then the end: 15 555 pixels
      // coded of 239 million.
      {"RLE8 11520 x 20765, a few runs and a move", [] {
         Bytes data;
         for (int i = 0; i < 32; ++i) data.insert(data.end(), {255, 7});
         data.insert(data.end(), {0, 0, 0, 2, 0, 255});
         for (int i = 0; i < 29; ++i) data.insert(data.end(), {255, 9});
         data.insert(data.end(), {0, 1});
         return RleDib(11520, 20765, 8, 10, data);
       }(),
       210},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.dib.size(), c.size);
    const char* fault = DIBFault(c.dib.data(), c.dib.size());
    ASSERT_NE(fault, nullptr);
    EXPECT_EQ(std::string(fault), kTooLittle);
    for (int toRGB = 0; toRGB < 2; ++toRGB) EXPECT_EQ(DIBToImage(c.dib.data(), c.dib.size(), toRGB), nullptr);
    EXPECT_EQ(DIBAlphaToMask(c.dib.data(), c.dib.size()), nullptr);
  }
}

// Half of the pixels coded is enough; a run fewer is not. Below 4 M pixels
// the data may code as little as it likes: the rows left are background.
TEST(DibHostile, TheShareARunLengthImageMustCodeStartsAbove4MPixels) {
  const int width = 4096, height = 2048;  // 8 M pixels
  Bytes half = Runs(width, height / 2, 3);
  const Bytes enough = RleDib(width, height, 8, 4, half);
  EXPECT_EQ(DIBFault(enough.data(), enough.size()), nullptr);
  WAPtr image = WAPtr::Adopt(DIBToImage(enough.data(), enough.size(), 0));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Row(0)[0], 3);
  EXPECT_EQ(image->Row(height / 2 - 1)[width - 1], 3);
  EXPECT_EQ(image->Row(height / 2)[0], 0);
  EXPECT_EQ(image->Row(height - 1)[width - 1], 0);

  // The last row's last run one pixel short: one pixel below half.
  Bytes short1 = Runs(width, height / 2 - 1, 3);
  short1.resize(short1.size() - 2);
  Bytes last;
  std::vector<std::uint8_t> row(width - 1, 3);
  lumora::imgxfer::EncodeBmpRleRow(row.data(), width - 1, 8, last);
  short1.insert(short1.end(), last.begin(), last.end());
  short1.insert(short1.end(), {0, 0, 0, 1});
  const Bytes tooLittle = RleDib(width, height, 8, 4, short1);
  ASSERT_NE(DIBFault(tooLittle.data(), tooLittle.size()), nullptr);
  EXPECT_EQ(std::string(DIBFault(tooLittle.data(), tooLittle.size())), kTooLittle);

  // 2048 x 2048 with one run: at the limit, read, the rest background.
  const Bytes sparse = RleDib(2048, 2048, 8, 4, {5, 2, 0, 1});
  WAPtr small = WAPtr::Adopt(DIBToImage(sparse.data(), sparse.size(), 1));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->GetType(), kWAType24);
  EXPECT_EQ(small->Row(0)[0], 170);  // index 2 of the grey table
  EXPECT_EQ(small->Row(2047)[3 * 2047], 0);
}

// What else a header can claim is refused with its own reason.
TEST(DibHostile, OtherImpossibleHeadersNameTheirFault) {
  struct Case {
    const char* what;
    Bytes dib;
    const char* fault;
  } cases[] = {
      {"wider than the limit", RleDib(30001, 2, 8, 2, {0, 1}), "it is larger than 30000 pixels a side"},
      {"run past the row", RleDib(8, 2, 8, 2, {9, 1, 0, 1}),
       "its run-length data leave the image or the block, or lack their end"},
      {"no end of bitmap", RleDib(8, 2, 8, 2, {8, 1, 0, 0}),
       "its run-length data leave the image or the block, or lack their end"},
      {"table beyond the block", [] {
         Bytes d = RleDib(8, 2, 8, 256, {0, 1});
         d.resize(100);
         return d;
       }(),
       "the block ends inside its colour table"},
      {"too short", Bytes{40, 0}, "the block is too short for a header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const char* fault = DIBFault(c.dib.data(), c.dib.size());
    ASSERT_NE(fault, nullptr);
    EXPECT_EQ(std::string(fault), c.fault);
    EXPECT_EQ(DIBToImage(c.dib.data(), c.dib.size(), 0), nullptr);
  }
}

}  // namespace
