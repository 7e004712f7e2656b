// The file-format library's adapters, driven by a fake codec that calls
// them as the library does, and the progress object.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/pixels/FileAdapters.h"
#include "support/random_buffers.h"
#include "support/recording_progress.h"

namespace {

// What a decoder hands over: size, type, palette, resolution and rows of
// `rowBytes` bytes (row 0 first).
struct FakeFile {
  int width = 0;
  int height = 0;
  int type = 0;
  std::vector<PALETTEENTRY> palette;
  int xDpi = 0;
  int yDpi = 0;
  int rowBytes = 0;
  std::vector<std::uint8_t> rows;
};

// Feeds the file into the adapter as a decoder does; stops after `rowLimit`
// rows (a truncated file) and returns the first non-zero answer.
int Decode(const FakeFile& file, CAbstractReadWA& adapter, int rowLimit = -1) {
  int result = adapter.SetImageCount(1) | adapter.SetSubImageCount(0, 1) |
               adapter.SetSize(0, 0, file.width, file.height) | adapter.SetType(0, 0, file.type) |
               adapter.SetPalette(0, 0, file.palette.data(), static_cast<int>(file.palette.size())) |
               adapter.SetResolution(0, 0, file.xDpi, file.yDpi);
  const int rows = rowLimit < 0 ? file.height : rowLimit;
  for (int y = 0; y < rows && result == 0; ++y) {
    result = adapter.PutRow(0, 0, y, file.rows.data() + static_cast<std::size_t>(y) * file.rowBytes);
  }
  return result;
}

// Reads everything back out of a write adapter as an encoder does.
FakeFile Encode(CAbstractWriteWA& adapter) {
  FakeFile file;
  int count = 0;
  EXPECT_EQ(adapter.GetImageCount(&count), 0);
  EXPECT_EQ(adapter.GetSize(0, 0, &file.width, &file.height), 0);
  EXPECT_EQ(adapter.GetType(0, 0, &file.type), 0);
  file.palette.resize(256);
  EXPECT_EQ(adapter.GetPalette(0, 0, file.palette.data()), 0);
  EXPECT_EQ(adapter.GetResolution(0, 0, &file.xDpi, &file.yDpi), 0);
  file.rowBytes = static_cast<int>(VrWA2000::BytesPerLineOf(file.type, file.width));
  file.rows.resize(static_cast<std::size_t>(file.rowBytes) * file.height);
  for (int y = 0; y < file.height; ++y) {
    EXPECT_EQ(adapter.GetRow(0, 0, y, file.rows.data() + static_cast<std::size_t>(y) * file.rowBytes), 0);
  }
  return file;
}

FakeFile PatternFile(int type, int width, int height, int rowBytes) {
  FakeFile file{width, height, type, std::vector<PALETTEENTRY>(16, PALETTEENTRY{9, 8, 7, 0}), 300, 150, rowBytes, {}};
  file.rows.resize(static_cast<std::size_t>(rowBytes) * height + 64);
  for (std::size_t i = 0; i < file.rows.size(); ++i) file.rows[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return file;
}

TEST(CReadFileWA, CopiesWholePaddedRowsForEachType) {
  struct Case {
    int type, width, rowBytes;
  } cases[] = {{kWAType1Bit, 33, 8}, {kWAType24, 5, 16}, {kWAType4Bit, 9, 8}, {kWAType8Palette, 3, 4}};
  for (const Case& c : cases) {
    const FakeFile file = PatternFile(c.type, c.width, 3, c.rowBytes);
    CReadFileWA adapter;
    ASSERT_EQ(Decode(file, adapter), 0);
    const WAPtr image = adapter.Image();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetBPLine(), c.rowBytes);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(image->Row(y), &file.rows[y * c.rowBytes], c.rowBytes), 0);
    if (c.type != kWAType24) {
      EXPECT_EQ(image->Palette()[1].peRed, 9);
    }
    EXPECT_EQ(adapter.XResolution(), 300);
  }
}

TEST(CReadFileWA, RefusesTypesAndRowsItCannotHold) {
  const std::uint64_t before = VrWA2000::WA::MM_BytesInUse();
  {
    const FakeFile file = PatternFile(kWAType8Grey, 4, 2, 4);
    CReadFileWA adapter;
    ASSERT_EQ(Decode(file, adapter), 0);
    EXPECT_EQ(adapter.PutRow(0, 0, 2, file.rows.data()), 1);
    EXPECT_EQ(adapter.PutRow(0, 0, -1, file.rows.data()), 1);
    EXPECT_EQ(adapter.PutRow(0, 0, 0, nullptr), 1);
  }
  for (int type : {0, 3, 24, 32}) {
    CReadFileWA adapter;
    EXPECT_EQ(Decode(PatternFile(type, 4, 2, 12), adapter), 1) << type;
    EXPECT_FALSE(adapter.Image());
  }
  CReadFileWA unsized;
  EXPECT_EQ(Decode(PatternFile(kWAType24, 0, 0, 0), unsized, 1), 1);  // a row before any size
  EXPECT_EQ(VrWA2000::WA::MM_BytesInUse(), before);
}

TEST(CReadFileWA, NoRowsNoImageAndAFailedReadLeaksNothing) {
  const std::uint64_t before = VrWA2000::WA::MM_BytesInUse();
  {
    CReadFileWA adapter;
    EXPECT_EQ(Decode(PatternFile(kWAType24, 40, 40, 120), adapter, 0), 0);
    EXPECT_FALSE(adapter.Image());
  }
  {
    CReadFileWA adapter;  // truncated: half the rows, then the reader gives up
    EXPECT_EQ(Decode(PatternFile(kWAType24, 40, 40, 120), adapter, 20), 0);
  }
  EXPECT_EQ(VrWA2000::WA::MM_BytesInUse(), before);
  WAPtr kept;
  {
    CReadFileWA adapter;
    ASSERT_EQ(Decode(PatternFile(kWAType24, 4, 4, 12), adapter), 0);
    kept = adapter.Image();
    EXPECT_GT(kept->GetRefCount(), 1);
  }
  EXPECT_EQ(kept->GetRefCount(), 1);  // the reader's own, after the adapter let go
}

TEST(CWriteFileWA, EncoderReadsWhatADecoderRebuilds) {
  std::mt19937 rng(3);
  for (int type : {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24}) {
    WAPtr image = lumora::testing::RandomBuffer(type, 11, 5, rng);
    image->SetXRes(72);
    image->SetYRes(144);
    FakeFile file;
    {
      CWriteFileWA writer(image.get());
      EXPECT_GT(image->GetRefCount(), 1);
      file = Encode(writer);
    }
    EXPECT_EQ(image->GetRefCount(), 1);
    EXPECT_EQ(file.yDpi, 144);
    CReadFileWA reader;
    ASSERT_EQ(Decode(file, reader), 0);
    const WAPtr back = reader.Image();
    ASSERT_TRUE(back);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(back->Row(y), image->Row(y), image->GetBPLine()), 0) << type;
    if (type != kWAType24) {
      EXPECT_EQ(std::memcmp(back->Palette(), image->Palette(), sizeof(PALETTEENTRY) << image->GetBPP()), 0);
    }
  }
}

TEST(CWriteFileWA, FailsForNoBufferOrNoRowAndFillsOnlyGivenPointers) {
  CWriteFileWA empty(nullptr);
  int value = 0;
  std::uint8_t row[64] = {};
  EXPECT_EQ(empty.GetImageCount(&value), 1);
  EXPECT_EQ(empty.GetResolution(0, 0, &value, nullptr), 1);
  EXPECT_EQ(empty.GetRow(0, 0, 0, row), 1);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 4, 3, nullptr));
  image->SetXRes(200);
  CWriteFileWA writer(image.get());
  int x = 0;
  EXPECT_EQ(writer.GetResolution(0, 0, &x, nullptr), 0);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(writer.GetRow(0, 0, 3, row), 1);
  EXPECT_EQ(writer.GetRow(0, 0, -1, row), 1);
}

TEST(CMyProgress, OpensUnderItsCaptionReportsAndCancels) {
  lumora::testing::RecordingProgress progress;
  progress.cancelAtReport = 1;
  CMyProgress reading(kReadingFileCaption);
  reading.Begin();
  EXPECT_EQ(reading.Step(1, 4), 1);
  EXPECT_EQ(reading.Step(2, 4), 0);
  reading.End();
  ASSERT_EQ(progress.captions.size(), 1u);
  EXPECT_EQ(progress.captions[0], 70);
  const std::vector<std::pair<int, int>> expected = {{-1, 0}, {1, 4}, {2, 4}, {-2, 0}};
  EXPECT_EQ(progress.reports, expected);
}

}  // namespace
