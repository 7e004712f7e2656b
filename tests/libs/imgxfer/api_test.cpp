// The library's entry points: lists, save refusals, quiet and loud
// failures, progress and cancel, writes that fail halfway, size limits,
// save options and file information.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <zlib.h>

#include "libs/imgxfer/fileinfo.h"
#include "libs/imgxfer/options.h"
#include "libs/imgxfer/test_images.h"
#include "libs/imgxfer/ui.h"

namespace lumora::testing {
namespace {

using imgxfer::ClearLastShownMessage;
using imgxfer::LastShownMessage;

std::vector<std::string> SplitList(const std::vector<char>& buffer, int size) {
  std::vector<std::string> parts;
  std::string current;
  for (int i = 0; i < size; ++i) {
    if (buffer[i] == '\0') {
      parts.push_back(current);
      current.clear();
    } else {
      current.push_back(buffer[i]);
    }
  }
  return parts;
}

TEST(ImgxferLists, ReadListIsPairsEndedByOneMoreNul) {
  const int size = ImExp_FillReadFormatsInfo(nullptr, 0);
  ASSERT_GT(size, 0);
  std::vector<char> buffer(size, 'x');
  EXPECT_EQ(ImExp_FillReadFormatsInfo(buffer.data(), size - 1), size);
  EXPECT_EQ(buffer[0], 'x') << "a short buffer is left alone";
  EXPECT_EQ(ImExp_FillReadFormatsInfo(buffer.data(), size), size);
  EXPECT_EQ(buffer[size - 1], '\0');
  EXPECT_EQ(buffer[size - 2], '\0');
  const auto parts = SplitList(buffer, size - 1);
  ASSERT_EQ(parts.size(), 12u);
  const char* patterns[] = {"*.bmp;*.dib", "*.png", "*.jpg;*.jpeg;*.jpe;*.jfif", "*.gif", "*.tga", "*.tif;*.tiff"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(parts[2 * i + 1], patterns[i]);
  EXPECT_EQ(parts[0], "Windows Bitmap (*.bmp;*.dib)");
}

TEST(ImgxferLists, SaveListHoldsTheFormatsOfTheTypeWithoutConversion) {
  struct Case {
    int type;
    std::vector<std::string> patterns;
  } cases[] = {
      {16, {"*.bmp;*.dib", "*.png", "*.jpg;*.jpeg;*.jpe;*.jfif", "*.tga", "*.tif;*.tiff"}},
      {8, {"*.bmp;*.dib", "*.png", "*.jpg;*.jpeg;*.jpe;*.jfif", "*.gif", "*.tga", "*.tif;*.tiff"}},
      {4, {"*.bmp;*.dib", "*.png", "*.gif", "*.tga", "*.tif;*.tiff"}},
      {1, {"*.bmp;*.dib", "*.png", "*.gif", "*.tif;*.tiff"}},
      {3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const int size = ImExp_FillSaveFormatsInfoEx(nullptr, 0, c.type);
    std::vector<char> buffer(size + 2, 0);
    EXPECT_EQ(ImExp_FillSaveFormatsInfoEx(buffer.data(), size, c.type), size);
    const auto parts = SplitList(buffer, size);
    ASSERT_EQ(parts.size(), 2 * c.patterns.size());
    for (std::size_t i = 0; i < c.patterns.size(); ++i) EXPECT_EQ(parts[2 * i + 1], c.patterns[i]);
  }
}

TEST(ImgxferWrite, RefusesUnknownExtensionsAndColourGifsWithAMessageWhenAsked) {
  TempFolder folder;
  const ExchangeImage colour = PatternImage(16, 20, 10);
  for (const char* name : {"picture.xyz", "noextension", "picture.gif"}) {
    SCOPED_TRACE(name);
    MemoryWriteAdapter adapter(colour);
    int status = -1;
    ClearLastShownMessage();
    EXPECT_EQ(ImExp_WriteFile(&adapter, nullptr, folder.File(name).c_str(), &status, nullptr, nullptr, 0), 0);
    EXPECT_EQ(status, kImExpUnsupported);
    EXPECT_TRUE(LastShownMessage().empty()) << "report 0 is quiet";
    EXPECT_EQ(ImExp_WriteFile(&adapter, nullptr, folder.File(name).c_str(), &status, nullptr, nullptr, 1), 0);
    EXPECT_FALSE(LastShownMessage().empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File(name)));
  }
}

TEST(ImgxferRead, FailuresAreShownOnlyFor65535) {
  TempFolder folder;
  WriteFileBytes(folder.File("junk.png"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  for (const std::string& path : {folder.File("junk.png"), folder.File("missing.bmp")}) {
    MemoryReadAdapter adapter;
    ClearLastShownMessage();
    EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, path.c_str(), 16, nullptr, nullptr, 0), 0);
    EXPECT_TRUE(LastShownMessage().empty());
    EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, path.c_str(), kImExpReportFailures, nullptr, nullptr, 0), 0);
    EXPECT_NE(LastShownMessage().find(path), std::string::npos) << LastShownMessage();
    EXPECT_EQ(adapter.rowsPut, 0);
  }
}

// One Begin, one End, at least `fewest` and at most 101 steps, never back.
void ExpectBracketedSteps(const CountingProgress& p, int fewest) {
  EXPECT_EQ(p.begins, 1);
  EXPECT_EQ(p.ends, 1);
  EXPECT_GE(p.steps, fewest);
  EXPECT_LE(p.steps, 101);
  EXPECT_EQ(p.backwards, 0);
}

TEST(ImgxferProgress, BeginAboutAHundredStepsAndEndOnSuccessAndFailure) {
  TempFolder folder;
  const ExchangeImage image = PatternImage(16, 64, 500);
  ImExpSaveOptions interlaced = imgxfer::DefaultSaveOptions();
  interlaced.pngInterlace = 1;
  struct Case {
    const char* name;
    const ImExpSaveOptions* options;
  } cases[] = {{"p.bmp", nullptr}, {"p.png", nullptr}, {"i.png", &interlaced}, {"p.jpg", nullptr},
               {"p.tga", nullptr}, {"p.tif", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountingProgress writing;
    MemoryWriteAdapter source(image);
    ASSERT_EQ(ImExp_WriteFile(&source, nullptr, folder.File(c.name).c_str(), nullptr, &writing, c.options, 0), 1);
    ExpectBracketedSteps(writing, 90);
    CountingProgress reading;
    MemoryReadAdapter target;
    ASSERT_EQ(ImExp_ReadFile(&target, nullptr, folder.File(c.name).c_str(), 16, &reading, nullptr, 0), 1);
    ExpectBracketedSteps(reading, 50);
    EXPECT_EQ(reading.lastPosition, 100);
    EXPECT_EQ(reading.lastTotal, 100);
  }
  CountingProgress failing;
  MemoryReadAdapter target;
  EXPECT_EQ(ImExp_ReadFile(&target, nullptr, folder.File("none.png").c_str(), 16, &failing, nullptr, 0), 0);
  EXPECT_EQ(failing.begins, 1);
  EXPECT_EQ(failing.ends, 1);
}

TEST(ImgxferProgress, CancelFailsQuietlyAndLeavesTheTargetAsItWas) {
  TempFolder folder;
  const ExchangeImage image = PatternImage(16, 64, 300);
  const std::string path = folder.File("keep.png");
  ASSERT_EQ(WriteThroughLibrary(PatternImage(8, 10, 10), path), 1);
  const auto before = FileBytes(path);
  CountingProgress cancelling;
  cancelling.cancelAtStep = 40;
  MemoryWriteAdapter source(image);
  int status = -1;
  ClearLastShownMessage();
  EXPECT_EQ(ImExp_WriteFile(&source, nullptr, path.c_str(), &status, &cancelling, nullptr, 1), 0);
  EXPECT_EQ(status, kImExpCancelled);
  EXPECT_TRUE(LastShownMessage().empty()) << "the user asked for it";
  EXPECT_EQ(cancelling.ends, 1);
  EXPECT_EQ(FileBytes(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("")), {}), 1) << "no temporary left";

  ASSERT_EQ(WriteThroughLibrary(image, path), 1);
  CountingProgress readCancel;
  readCancel.cancelAtStep = 10;
  MemoryReadAdapter target;
  EXPECT_EQ(ImExp_ReadFile(&target, nullptr, path.c_str(), kImExpReportFailures, &readCancel, nullptr, 0), 0);
  EXPECT_EQ(readCancel.ends, 1);
  EXPECT_LT(target.rowsPut, 300);
}

TEST(ImgxferWrite, AWriteFailingHalfwayLeavesTheTargetWhole) {
  TempFolder folder;
  const ExchangeImage image = PatternImage(16, 40, 200);
  for (const char* name : {"t.bmp", "t.png", "t.jpg", "t.tga", "t.tif", "t.gif"}) {
    SCOPED_TRACE(name);
    const std::string path = folder.File(name);
    const ExchangeImage old = PatternImage(std::string(name) == "t.gif" ? 4 : 16, 30, 30);
    ASSERT_EQ(WriteThroughLibrary(old, path), 1);
    const auto before = FileBytes(path);
    const ExchangeImage& next = std::string(name) == "t.gif" ? PatternImage(4, 40, 200) : image;
    MemoryWriteAdapter breaking(next);
    breaking.failFromRow = 100;
    int status = -1;
    EXPECT_EQ(ImExp_WriteFile(&breaking, nullptr, path.c_str(), &status, nullptr, nullptr, 0), 0);
    EXPECT_EQ(status, kImExpFailed);
    EXPECT_EQ(FileBytes(path), before);
    const ExchangeImage read = ReadThroughLibrary(path);
    EXPECT_EQ(read.width, 30);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("")), {}), 6) << "no temporary left";
}

TEST(ImgxferRead, ImagesOver30000ASideAreRefusedBeforeAnythingIsAllocated) {
  TempFolder folder;
  // A PNG header of 30001 x 1 and a BMP header of 1 x 40000 with no pixels.
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                   0, 0, 0x75, 0x31, 0, 0, 0, 1, 8, 2, 0, 0, 0};
  const auto crc = static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17));
  for (int i = 3; i >= 0; --i) png.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  std::vector<std::uint8_t> bmp(54, 0);
  bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40, bmp[18] = 1, bmp[26] = 1, bmp[28] = 24;
  bmp[22] = 0x40, bmp[23] = 0x9C;  // height 40000
  WriteFileBytes(folder.File("wide.png"), png);
  WriteFileBytes(folder.File("tall.bmp"), bmp);
  for (const char* name : {"wide.png", "tall.bmp"}) {
    SCOPED_TRACE(name);
    MemoryReadAdapter adapter;
    ClearLastShownMessage();
    EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, folder.File(name).c_str(), kImExpReportFailures, nullptr, nullptr, 0), 0);
    EXPECT_EQ(adapter.image.width, 0) << "SetSize never called";
    EXPECT_FALSE(LastShownMessage().empty());
  }
}

TEST(ImgxferOptions, StoredFieldByFieldWithVersionAndKeptBetweenRuns) {
  TempFolder folder;
  const std::string store = folder.File("options.opt");
  SetEnvironment("LUMORA_IMGXFER_OPTIONS", store.c_str());
  const ImExpSaveOptions defaults = ImExp_GetSaveOptions();
  EXPECT_EQ(defaults.jpegQuality, 90);
  EXPECT_EQ(defaults.jpegProgressive, 1);
  ImExpSaveOptions changed = defaults;
  changed.jpegQuality = 55;
  changed.pngInterlace = 1;
  changed.tiffCompression = kImExpTiffPackBits;
  ASSERT_TRUE(imgxfer::StoreSaveOptions(changed));
  const auto bytes = FileBytes(store);
  ASSERT_EQ(bytes.size(), 12u + 7 * 4);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "LXOP");
  EXPECT_EQ(bytes[4], kImExpSaveOptionsVersion);
  EXPECT_EQ(bytes[12], 55);
  const ImExpSaveOptions loaded = ImExp_GetSaveOptions();
  EXPECT_EQ(loaded.jpegQuality, 55);
  EXPECT_EQ(loaded.pngInterlace, 1);
  EXPECT_EQ(loaded.tiffCompression, kImExpTiffPackBits);

  // An older record with fewer fields keeps the defaults for the rest; a
  // newer one with more is read as far as we know it; nonsense is clamped.
  std::vector<std::uint8_t> older = {'L', 'X', 'O', 'P', 1, 0, 0, 0, 2, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 0};
  ImExpSaveOptions o{};
  ASSERT_TRUE(imgxfer::DeserializeSaveOptions(older, &o));
  EXPECT_EQ(o.jpegQuality, 100);
  EXPECT_EQ(o.jpegProgressive, kImExpOff) << "a 0 of version 1 was off";
  EXPECT_EQ(o.pngCompression, 6);
  std::vector<std::uint8_t> newer = imgxfer::SerializeSaveOptions(changed);
  newer[4] = kImExpSaveOptionsVersion + 1, newer[8] = 9;
  newer.insert(newer.end(), {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(imgxfer::DeserializeSaveOptions(newer, &o));
  EXPECT_EQ(o.jpegQuality, 55);
  EXPECT_FALSE(imgxfer::DeserializeSaveOptions({'L', 'X', 'O', 'P', 1, 0, 0, 0, 9, 0, 0, 0}, &o));

  // A caller's shorter record: the fields it lacks are the defaults.
  ImExpSaveOptions partial = imgxfer::DefaultSaveOptions();
  partial.jpegQuality = 30;
  partial.size = offsetof(ImExpSaveOptions, jpegProgressive);
  partial.jpegProgressive = 77;
  const ImExpSaveOptions taken = imgxfer::OptionsFromCaller(&partial);
  EXPECT_EQ(taken.jpegQuality, 30);
  EXPECT_EQ(taken.jpegProgressive, 1);
  SetEnvironment("LUMORA_IMGXFER_OPTIONS", "");
}

// A record that is all zeros but its version and size asks for the
// defaults field by field: every format writes what the default record
// writes, byte for byte.
TEST(ImgxferOptions, AZeroRecordWritesWhatTheDefaultRecordWrites) {
  TempFolder folder;
  ImExpSaveOptions zero{};
  zero.version = kImExpSaveOptionsVersion;
  zero.size = sizeof(ImExpSaveOptions);
  const ImExpSaveOptions defaults = imgxfer::DefaultSaveOptions();
  struct Case {
    const char* extension;
    int type;
  } cases[] = {{"bmp", 4}, {"png", 16}, {"jpg", 16}, {"gif", 4}, {"tga", 16}, {"tif", 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension);
    const ExchangeImage image = PatternImage(c.type, 67, 41);
    const std::string a = folder.File(std::string("zero.") + c.extension);
    const std::string b = folder.File(std::string("default.") + c.extension);
    ASSERT_EQ(WriteThroughLibrary(image, a, &zero), 1);
    ASSERT_EQ(WriteThroughLibrary(image, b, &defaults), 1);
    EXPECT_EQ(FileBytes(a), FileBytes(b));
  }
  // Only the zero fields take defaults; a choice of "none" stays a choice.
  ImExpSaveOptions stored = zero;
  stored.pngCompression = kImExpOff;
  stored.tiffCompression = kImExpTiffNone;
  const ImExpSaveOptions taken = imgxfer::OptionsFromCaller(&stored);
  EXPECT_EQ(taken.pngCompression, kImExpOff);
  EXPECT_EQ(taken.tiffCompression, kImExpTiffNone);
  EXPECT_EQ(taken.jpegQuality, defaults.jpegQuality);
  EXPECT_EQ(taken.jpegProgressive, defaults.jpegProgressive);
}

TEST(ImgxferOptions, SavesUseTheGivenOptions) {
  TempFolder folder;
  const ExchangeImage image = PatternImage(16, 300, 200);
  ImExpSaveOptions low = imgxfer::DefaultSaveOptions(), high = low;
  low.jpegQuality = 10;
  high.jpegQuality = 98;
  ASSERT_EQ(WriteThroughLibrary(image, folder.File("low.jpg"), &low), 1);
  ASSERT_EQ(WriteThroughLibrary(image, folder.File("high.jpg"), &high), 1);
  EXPECT_LT(FileBytes(folder.File("low.jpg")).size() * 2, FileBytes(folder.File("high.jpg")).size());
  ImExpSaveOptions rle = low, plain = low;
  rle.bmpRle = 1, plain.bmpRle = kImExpOff;
  const ExchangeImage flat = PatternImage(4, 300, 200);
  ASSERT_EQ(WriteThroughLibrary(flat, folder.File("rle.bmp"), &rle), 1);
  ASSERT_EQ(WriteThroughLibrary(flat, folder.File("plain.bmp"), &plain), 1);
  EXPECT_EQ(FileBytes(folder.File("rle.bmp"))[30], 1) << "BI_RLE8";
  EXPECT_EQ(FileBytes(folder.File("plain.bmp"))[30], 0);
}

TEST(ImgxferFileInfo, FactsComeFromTheHeaders) {
  TempFolder folder;
  ASSERT_EQ(WriteThroughLibrary(PatternImage(4, 123, 45), folder.File("a.gif")), 1);
  ASSERT_EQ(WriteThroughLibrary(PatternImage(16, 321, 54), folder.File("b.png")), 1);
  imgxfer::FileFacts facts;
  std::string error;
  ASSERT_TRUE(imgxfer::ReadFileFacts(folder.File("a.gif"), &facts, &error)) << error;
  EXPECT_EQ(facts.width, 123);
  EXPECT_EQ(facts.height, 45);
  EXPECT_EQ(facts.colours, 256);
  EXPECT_EQ(facts.fileSize, FileBytes(folder.File("a.gif")).size());
  ASSERT_TRUE(imgxfer::ReadFileFacts(folder.File("b.png"), &facts, &error)) << error;
  const std::string text = imgxfer::DescribeFileFacts(facts);
  EXPECT_NE(text.find("Portable Network Graphics"), std::string::npos);
  EXPECT_NE(text.find("321 x 54 pixels"), std::string::npos);
  EXPECT_NE(text.find("150 x 300 dpi"), std::string::npos);
  EXPECT_NE(text.find("true colour"), std::string::npos);
  EXPECT_FALSE(imgxfer::ReadFileFacts(folder.File("none.png"), &facts, &error));
#ifndef _WIN32  // the box itself is driven in win/dialogs_test.cpp
  EXPECT_EQ(ImExp_ShowFileInfo(nullptr, folder.File("b.png").c_str(), 1), 1);
#endif
}

}  // namespace
}  // namespace lumora::testing
