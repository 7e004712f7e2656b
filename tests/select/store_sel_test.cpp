// The selection stream: the exact bytes of every record type, round trips,
// the old mask layout, hostile input, range refusals, and the file commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "hostapi/toolhost.h"
#include "platform/file_replace.h"
#include "select/storeSel.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FragmentRelease {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using FrgPtr = std::unique_ptr<Fragment, FragmentRelease>;

const Bytes kHeader = {'L', 'U', 'F', 'R', 'G', 0, 0x00, 0x04};

Bytes Written(const Fragment* f) {
  lumora::MemFile file(512);
  CSelStream stream(&file);
  stream.Write(f);
  return Bytes(file.Data(), file.Data() + file.GetLength());
}

// The record after the header.
Bytes Record(const Fragment* f) {
  const Bytes all = Written(f);
  EXPECT_TRUE(std::equal(kHeader.begin(), kHeader.end(), all.begin()));
  return Bytes(all.begin() + 8, all.end());
}

FrgPtr ReadBack(Bytes bytes) {
  lumora::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  CSelStream stream(&file);
  Fragment* f = nullptr;
  stream.Read(&f);
  return FrgPtr(f);
}

// Reading must fail with invalidFile; returns the exception's text.
std::string ReadFails(Bytes bytes) {
  try {
    ReadBack(std::move(bytes));
  } catch (const lumora::FileException& e) {
    EXPECT_EQ(e.cause(), lumora::FileException::invalidFile);
    return e.what();
  }
  ADD_FAILURE() << "the read succeeded";
  return {};
}

void Append(Bytes* b, std::initializer_list<int> values) {
  for (int v : values) b->push_back(static_cast<std::uint8_t>(v));
}
void AppendU16(Bytes* b, int v) { Append(b, {v & 0xFF, (v >> 8) & 0xFF}); }
void AppendU32(Bytes* b, std::uint32_t v) {
  Append(b, {static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
             static_cast<int>((v >> 16) & 0xFF), static_cast<int>(v >> 24)});
}

Bytes WithHeader(const Bytes& record, int version = 0x0400) {
  Bytes b = {'L', 'U', 'F', 'R', 'G', 0};
  AppendU16(&b, version);
  b.insert(b.end(), record.begin(), record.end());
  return b;
}

LOGFONTA Font() {
  LOGFONTA f{};
  f.lfHeight = -21;
  f.lfWidth = 3;
  f.lfEscapement = 900;
  f.lfOrientation = -900;
  f.lfWeight = 700;
  f.lfItalic = 1;
  f.lfUnderline = 2;
  f.lfStrikeOut = 3;
  f.lfCharSet = 4;
  f.lfOutPrecision = 5;
  f.lfClipPrecision = 6;
  f.lfQuality = 7;
  f.lfPitchAndFamily = 8;
  std::strcpy(f.lfFaceName, "Face");
  return f;
}

FrgPtr SmallMask(int x, int y, int inverted) {
  const LURECT r{x, y, 2, 2};
  FrgPtr mask(CreateEmptyMask(&r));
  VrWA2000::WA* wa = GetMaskWA(mask.get());
  wa->Row(0)[0] = 1;
  wa->Row(0)[1] = 2;
  wa->Row(1)[0] = 3;
  wa->Row(1)[1] = 255;
  wa->Release();
  SetFrgInversion(mask.get(), inverted);
  return mask;
}

TEST(SelectionStream, EveryRecordTypeHasItsExactBytes) {
  const LURECT r{-3, 5, 10, 20};
  FrgPtr rect(CreateRectFrg(&r, 1));
  EXPECT_EQ(Record(rect.get()), (Bytes{1, 1, 0xFD, 0xFF, 5, 0, 10, 0, 20, 0}));

  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  EXPECT_EQ(Record(ellipse.get()), (Bytes{2, 0, 0xFD, 0xFF, 5, 0, 10, 0, 20, 0}));

  const POINT pts[3] = {{1, -2}, {300, 4}, {-5, 6}};
  FrgPtr poly(CreatePolygonFrg(pts, 3, kFrgFillWinding, 0));
  EXPECT_EQ(Record(poly.get()),
            (Bytes{3, 0, 3, 0, 2, 0, 1, 0, 0xFE, 0xFF, 0x2C, 1, 4, 0, 0xFB, 0xFF, 6, 0}));

  FrgPtr line(CreateLineFrg(-1, 2, 3, 400, 5, 6, 1));
  EXPECT_EQ(Record(line.get()), (Bytes{5, 1, 0xFF, 0xFF, 2, 0, 3, 0, 0x90, 1, 5, 0, 6, 0}));

  FrgPtr empty(CreateEmptyFrg(1));
  EXPECT_EQ(Record(empty.get()), (Bytes{7, 1}));

  const LOGFONTA font = Font();
  FrgPtr text(CreateTextFrg(-7, 8, &font, "Hi!", 0));
  Bytes expected = {4, 0, 0xF9, 0xFF, 8, 0};
  for (int v : {-21, 3, 900, -900, 700}) AppendU16(&expected, v & 0xFFFF);
  Append(&expected, {1, 2, 3, 4, 5, 6, 7, 8, 'F', 'a', 'c', 'e'});
  expected.resize(expected.size() + 28, 0);  // the rest of the 32-byte face name
  Append(&expected, {3, 0, 'H', 'i', '!', 0});
  EXPECT_EQ(Record(text.get()), expected);
}

TEST(SelectionStream, MaskRecordsCarryAHeaderColourTableAndPaddedRows) {
  FrgPtr mask = SmallMask(7, -8, 0);
  Bytes expected = {6, 0, 7, 0, 0xF8, 0xFF};
  AppendU32(&expected, 40);
  AppendU32(&expected, 2);
  AppendU32(&expected, 2);
  AppendU16(&expected, 1);
  AppendU16(&expected, 8);
  for (int i = 0; i < 4; ++i) AppendU32(&expected, 0);
  AppendU32(&expected, 256);
  AppendU32(&expected, 256);
  for (int i = 0; i < 256; ++i) Append(&expected, {i, i, i, 0});  // a grey buffer's palette
  Append(&expected, {1, 2, 0, 0, 3, 255, 0, 0});                  // row 0 first, padded to 4 bytes
  EXPECT_EQ(Record(mask.get()), expected);
}

TEST(SelectionStream, ComplexRecordsNestItemsWithTheirModeByte) {
  const LURECT a{0, 0, 4, 4}, b{2, 2, 4, 4};
  FrgPtr ra(CreateRectFrg(&a, 0)), eb(CreateEllipticFrg(&b, 1));
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), ra.get(), kFrgAdd);
  AddToComplexFrg(c.get(), eb.get(), kFrgSubtract);
  SetFrgInversion(c.get(), 1);
  EXPECT_EQ(Record(c.get()),
            (Bytes{0, 1, 2, 0,                                     // complex, inverted, 2 items
                   1, 0, 0, 0, 0, 0, 4, 0, 4, 0, kFrgAdd,          // rectangle, add
                   2, 1, 2, 0, 2, 0, 4, 0, 4, 0, kFrgSubtract}));  // ellipse, subtract
}

TEST(SelectionStream, EveryTypeReadsBackWithItsInversion) {
  const LURECT r{-30, 40, 12, 9};
  const POINT pts[4] = {{0, 0}, {10, 0}, {10, 10}, {-3, 7}};
  const LOGFONTA font = Font();
  std::vector<FrgPtr> all;
  all.emplace_back(CreateRectFrg(&r, 1));
  all.emplace_back(CreateEllipticFrg(&r, 1));
  all.emplace_back(CreatePolygonFrg(pts, 4, kFrgFillAlternate, 1));
  all.emplace_back(CreatePolygonFrg(nullptr, 0, kFrgFillWinding, 1));  // a polygon with no points
  all.emplace_back(CreateTextFrg(5, 6, &font, "text", 1));
  all.emplace_back(CreateLineFrg(1, 2, 30, 40, 3, kFrgLineFlat, 1));
  all.emplace_back(CreateEmptyFrg(1));
  all.emplace_back(CreateEmptyFrg(0));
  all.push_back(SmallMask(3, 4, 1));
  FrgPtr complex(CreateComplexFrg(0, nullptr));
  for (const FrgPtr& f : all) AddToComplexFrg(complex.get(), f.get(), kFrgAdd + 0);
  FrgPtr inner(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(complex.get(), inner.get(), 6);
  SetFrgInversion(complex.get(), 1);
  all.push_back(std::move(complex));
  all.emplace_back(CreateComplexFrg(0, nullptr));  // a complex fragment with no items
  for (const FrgPtr& f : all) {
    const Bytes bytes = Written(f.get());
    const FrgPtr back = ReadBack(bytes);
    ASSERT_NE(back, nullptr) << GetFragmentType(f.get());
    EXPECT_EQ(GetFragmentType(back.get()), GetFragmentType(f.get()));
    EXPECT_EQ(IsFrgInverted(back.get()), IsFrgInverted(f.get())) << GetFragmentType(f.get());
    EXPECT_EQ(Written(back.get()), bytes) << GetFragmentType(f.get());
  }
  FrgPtr noPoints = ReadBack(Written(all[3].get()));
  EXPECT_EQ(GetPolygonFrgSize(noPoints.get()), 0);
  EXPECT_EQ(GetPolygonFrgFillMode(noPoints.get()), kFrgFillWinding);
}

TEST(SelectionStream, ComplexWithTextKeepsEveryMode) {
  const LOGFONTA font = Font();
  FrgPtr text(CreateTextFrg(1, 2, &font, "abc", 0));
  const LURECT r{0, 0, 5, 5};
  FrgPtr rect(CreateRectFrg(&r, 0));
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), rect.get(), kFrgAdd);
  AddToComplexFrg(c.get(), text.get(), kFrgSubtract);
  AddToComplexFrg(c.get(), rect.get(), kFrgIntersect);
  FrgPtr back = ReadBack(Written(c.get()));
  ASSERT_EQ(GetComplexFrgItemNum(back.get()), 3);
  const int modes[3] = {kFrgAdd, kFrgSubtract, kFrgIntersect};
  for (int i = 0; i < 3; ++i) {
    FRGITEM item{};
    ASSERT_EQ(GetComplexFrgItem(back.get(), i, &item), 1);
    EXPECT_EQ(item.mode, modes[i]);
    EXPECT_EQ(GetFragmentType(item.fragment), i == 1 ? kFrgText : kFrgRect);
    DeleteFragment(item.fragment);
  }
}

TEST(SelectionStream, OldVersionReadsOneBitMasks) {
  // A 10 x 2 mask at (-4, 9): rows of 4 bytes, most significant bit first.
  Bytes record = {6, 0};
  for (int v : {-4, 9, 10, 2}) AppendU16(&record, v & 0xFFFF);
  Append(&record, {0xA0, 0x40, 0, 0, 0xFF, 0xC0, 0, 0});
  FrgPtr mask = ReadBack(WithHeader(record, 0x0300));
  ASSERT_EQ(GetFragmentType(mask.get()), kFrgMask);
  LURECT mr;
  GetMaskRect(mask.get(), &mr);
  EXPECT_EQ(mr.x, -4);
  EXPECT_EQ(mr.y, 9);
  EXPECT_EQ(mr.width, 10);
  EXPECT_EQ(mr.height, 2);
  VrWA2000::WA* wa = GetMaskWA(mask.get());
  EXPECT_EQ(wa->GetType(), kWAType8Grey);
  const Bytes row0(wa->Row(0), wa->Row(0) + 10), row1(wa->Row(1), wa->Row(1) + 10);
  wa->Release();
  EXPECT_EQ(row0, (Bytes{255, 0, 255, 0, 0, 0, 0, 0, 0, 255}));
  EXPECT_EQ(row1, (Bytes{255, 255, 255, 255, 255, 255, 255, 255, 255, 255}));
  // Other records read the same under every version; only 0x0300 changes masks.
  const LURECT r{1, 2, 3, 4};
  FrgPtr rect(CreateRectFrg(&r, 0));
  const Bytes rectRecord = Record(rect.get());
  for (int version : {0x0300, 0x0500, 0x0000}) {
    FrgPtr back = ReadBack(WithHeader(rectRecord, version));
    EXPECT_EQ(Record(back.get()), rectRecord) << version;
  }
  FrgPtr newMask = SmallMask(0, 0, 0);
  const Bytes maskRecord = Record(newMask.get());
  FrgPtr underNewer = ReadBack(WithHeader(maskRecord, 0x0500));
  EXPECT_EQ(Record(underNewer.get()), maskRecord);
}

TEST(SelectionStream, ReadMasksSkipTheColourTableAndAreGrey) {
  FrgPtr mask = SmallMask(0, 0, 0);
  Bytes record = Record(mask.get());
  // A colour table of other colours, and a shorter one, change nothing.
  for (std::size_t i = 46; i < 46 + 1024; ++i) record[i] = static_cast<std::uint8_t>(i * 7);
  FrgPtr back = ReadBack(WithHeader(record));
  VrWA2000::WA* wa = GetMaskWA(back.get());
  EXPECT_EQ(wa->GetType(), kWAType8Grey);
  EXPECT_EQ(wa->Row(1)[1], 255);
  wa->Release();
  Bytes shortTable(record.begin(), record.begin() + 38);
  AppendU32(&shortTable, 2);
  AppendU32(&shortTable, 2);
  Append(&shortTable, {0, 0, 0, 0, 255, 255, 255, 0});
  Append(&shortTable, {9, 8, 0, 0, 7, 6, 0, 0});
  FrgPtr two = ReadBack(WithHeader(shortTable));
  wa = GetMaskWA(two.get());
  EXPECT_EQ(wa->Row(0)[0], 9);
  EXPECT_EQ(wa->Row(1)[1], 6);
  wa->Release();
}

TEST(SelectionStream, BadHeadersAndUnknownTypesAreInvalidFiles) {
  ReadFails({});
  ReadFails({'L', 'U', 'F', 'R'});
  ReadFails({'L', 'U', 'F', 'R', 'X', 0, 0, 4, 7, 0});
  ReadFails({'L', 'U', 'F', 'R', 'G', 0, 0});  // no whole version
  for (int type : {8, 9, 200, 255})
    EXPECT_NE(ReadFails(WithHeader({static_cast<std::uint8_t>(type), 0})), "");
  const LURECT r{0, 0, -1, 3};
  Bytes negative = {1, 0};
  for (int v : {r.x, r.y, r.width, r.height}) AppendU16(&negative, v & 0xFFFF);
  ReadFails(WithHeader(negative));
  EXPECT_THROW(CSelStream(nullptr), lumora::FileException);
}

TEST(SelectionStream, EveryTruncationIsAnInvalidFile) {
  const LURECT r{0, 0, 3, 3};
  const POINT pts[3] = {{0, 0}, {5, 0}, {0, 5}};
  const LOGFONTA font = Font();
  FrgPtr c(CreateComplexFrg(0, nullptr));
  FrgPtr parts[] = {FrgPtr(CreateRectFrg(&r, 0)),
                    FrgPtr(CreatePolygonFrg(pts, 3, 1, 0)),
                    FrgPtr(CreateTextFrg(0, 0, &font, "xy", 0)),
                    FrgPtr(CreateLineFrg(0, 0, 1, 1, 1, 0, 0)),
                    SmallMask(1, 1, 0),
                    FrgPtr(CreateEmptyFrg(0))};
  for (const FrgPtr& p : parts) AddToComplexFrg(c.get(), p.get(), kFrgAdd);
  const Bytes whole = Written(c.get());
  for (std::size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    ReadFails(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
  }
  EXPECT_NE(ReadBack(whole), nullptr);
}

TEST(SelectionStream, MaskSizesAreCheckedAgainstTheFileFirst) {
  auto maskRecord = [](std::uint32_t size, std::int32_t w, std::int32_t h, int bits,
                       std::uint32_t colours) {
    Bytes b = {6, 0, 0, 0, 0, 0};
    AppendU32(&b, size);
    AppendU32(&b, static_cast<std::uint32_t>(w));
    AppendU32(&b, static_cast<std::uint32_t>(h));
    AppendU16(&b, 1);
    AppendU16(&b, bits);
    for (int i = 0; i < 4; ++i) AppendU32(&b, 0);
    AppendU32(&b, colours);
    AppendU32(&b, colours);
    b.resize(b.size() + 64, 0);
    return WithHeader(b);
  };
  const std::uint64_t before = VrWA2000::ReadWA::MM_BytesInUse();
  EXPECT_NE(ReadFails(maskRecord(40, 30000, 30000, 8, 0)).find("shorter"), std::string::npos);
  EXPECT_NE(ReadFails(maskRecord(40, 4, 4, 8, 256)).find("shorter"), std::string::npos);
  EXPECT_EQ(VrWA2000::ReadWA::MM_BytesInUse(), before);
  ReadFails(maskRecord(41, 4, 4, 8, 0));
  ReadFails(maskRecord(40, 4, 4, 1, 0));
  ReadFails(maskRecord(40, 4, -4, 8, 0));
  ReadFails(maskRecord(40, 0, 4, 8, 0));
  ReadFails(maskRecord(40, 4, 4, 8, 257));
  EXPECT_NE(ReadBack(maskRecord(40, 4, 4, 8, 0)), nullptr);  // 4 rows of 4 bytes fit in 64
  Bytes old = {6, 0, 0, 0, 0, 0};
  AppendU16(&old, 32000);
  AppendU16(&old, 32000);
  EXPECT_NE(ReadFails(WithHeader(old, 0x0300)).find("shorter"), std::string::npos);
  // Polygon counts and text lengths too.
  EXPECT_NE(ReadFails(WithHeader({3, 0, 0xFF, 0xFF, 1, 0, 1, 0})).find("shorter"),
            std::string::npos);
}

TEST(SelectionStream, ComplexNestingIsBounded) {
  const LURECT r{0, 0, 2, 2};
  FrgPtr nested(CreateRectFrg(&r, 0));
  for (int depth = 1; depth <= kFrgMaxComplexDepth; ++depth) {
    FrgPtr c(CreateComplexFrg(0, nullptr));
    ASSERT_EQ(AddToComplexFrg(c.get(), nested.get(), kFrgAdd), 1);
    nested = std::move(c);
  }
  EXPECT_NE(ReadBack(Written(nested.get())), nullptr);  // the deepest the library builds
  Bytes deep;
  for (int i = 0; i <= kFrgMaxComplexDepth; ++i) Append(&deep, {0, 0, 1, 0});
  Append(&deep, {7, 0});
  for (int i = 0; i <= kFrgMaxComplexDepth; ++i) deep.push_back(kFrgAdd);
  EXPECT_NE(ReadFails(WithHeader(deep)).find("deeply"), std::string::npos);
}

TEST(SelectionStream, SelectionsBeyondTheFieldsAreRefusedWithNothingWritten) {
  const LURECT distant{40000, 0, 10, 10}, wide{0, 0, 40000, 10};
  const POINT pts[3] = {{0, 0}, {5, -40000}, {0, 5}};
  LOGFONTA bigFont = Font();
  bigFont.lfHeight = 70000;
  const std::string longText(70000, 'x');
  const LOGFONTA font = Font();
  FrgPtr cases[] = {FrgPtr(CreateRectFrg(&distant, 0)),
                    FrgPtr(CreateEllipticFrg(&wide, 0)),
                    FrgPtr(CreatePolygonFrg(pts, 3, 1, 0)),
                    FrgPtr(CreateTextFrg(0, 0, &bigFont, "x", 0)),
                    FrgPtr(CreateTextFrg(0, 0, &font, longText.c_str(), 0)),
                    FrgPtr(CreateLineFrg(0, 0, 33000, 0, 1, 0, 0)),
                    FrgPtr(CreateLineFrg(0, 0, 1, 0, 70000, 0, 0))};
  for (const FrgPtr& f : cases) {
    lumora::MemFile file(512);
    CSelStream stream(&file);
    EXPECT_THROW(stream.Write(f.get()), lumora::SelectionRangeError) << GetFragmentType(f.get());
    EXPECT_EQ(file.GetLength(), 0u);
  }
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), cases[0].get(), kFrgAdd);
  lumora::MemFile file(512);
  CSelStream stream(&file);
  EXPECT_THROW(stream.Write(c.get()), lumora::SelectionRangeError);
  EXPECT_EQ(file.GetLength(), 0u);
}

// A folder of its own for one test, removed afterwards.
class SelectionFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lumora-frg-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    LUResetError();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }
  Bytes FileBytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void WriteFile(const std::string& path, const Bytes& bytes) const {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  int FileCount() const {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  std::filesystem::path dir_;
};

TEST_F(SelectionFileTest, SavedFilesLoadBackAndReplaceOldOnes) {
  const std::string path = Path("sel.frg");
  WriteFile(path, Bytes(5000, 0xAB));
  FrgPtr mask = SmallMask(10, 20, 1);
  ASSERT_EQ(SaveSelectionToFile(mask.get(), path.c_str()), 1);
  EXPECT_EQ(FileBytes(path), Written(mask.get()));
  EXPECT_EQ(FileCount(), 1);  // no temporary file left
  int status = 0;
  FrgPtr back(LoadSelectionFromFile(&status, path.c_str()));
  EXPECT_EQ(status, 1);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Written(back.get()), Written(mask.get()));
}

TEST_F(SelectionFileTest, TemporaryFilesOfKilledSavesGoAtTheNextSave) {
  const std::string path = Path("sel.frg");
  std::string error;
  const std::string killed = lumora::CreateTempFileBeside(path, &error);
  ASSERT_FALSE(killed.empty()) << error;
  EXPECT_EQ(std::filesystem::path(killed).filename().string().rfind("sel.frg.lumora-tmp-", 0), 0u) << killed;
  const std::string other = lumora::CreateTempFileBeside(Path("other.frg"), &error);
  FrgPtr mask = SmallMask(10, 20, 1);
  ASSERT_EQ(SaveSelectionToFile(mask.get(), path.c_str()), 1);
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_EQ(FileCount(), 2);
}

// Error 126 names the fault: a file that cannot be opened says why, one
// that is not a selection stream (or ends inside one) is named as such.
TEST_F(SelectionFileTest, LoadFailuresRecordError126WithTheFault) {
  const std::string missing = Path("missing.frg"), bad = Path("bad.frg"), cut = Path("cut.frg");
  WriteFile(bad, Bytes{'L', 'U', 'F', 'R', 'G'});
  WriteFile(cut, WithHeader({1, 0, 5, 0}));
  struct Case {
    std::string path;
    std::string text;
  } cases[] = {{missing, missing + " cannot be opened: there is no such file."},
               {bad, bad + " is not a selection file or is damaged."},
               {cut, cut + " is not a selection file or is damaged."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    LUResetError();
    int status = 0;
    EXPECT_EQ(LoadSelectionFromFile(&status, c.path.c_str()), nullptr);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(LUGetErrorState().code, 126);
    EXPECT_EQ(LUGetErrorState().source, "storeSel");
    EXPECT_EQ(LUGetErrorState().text, c.text);
  }
}

TEST_F(SelectionFileTest, RefusedSelectionsLeaveTheTargetAndSayWhy) {
  const std::string path = Path("keep.frg");
  const Bytes old = {1, 2, 3};
  WriteFile(path, old);
  const LURECT distant{-40000, 0, 10, 10};
  FrgPtr rect(CreateRectFrg(&distant, 0));
  EXPECT_EQ(SaveSelectionToFile(rect.get(), path.c_str()), 0);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(FileCount(), 1);
  EXPECT_NE(LUGetErrorState().text.find("-32768"), std::string::npos);
  EXPECT_EQ(SaveSelectionToFile(nullptr, path.c_str()), 0);
  // A folder where the target should go: writing works, replacing fails.
  const std::string folder = Path("folder.frg");
  std::filesystem::create_directories(std::filesystem::path(folder) / "inside");
  const LURECT r{0, 0, 2, 2};
  FrgPtr tiny(CreateRectFrg(&r, 0));
  EXPECT_EQ(SaveSelectionToFile(tiny.get(), folder.c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(FileCount(), 1);
}

#ifndef _WIN32
TEST_F(SelectionFileTest, AWriteThatFailsHalfwayLeavesTheTarget) {
  const std::string path = Path("big.frg");
  const Bytes old = {9, 9, 9};
  WriteFile(path, old);
  const LURECT r{0, 0, 200, 200};
  FrgPtr mask(CreateEmptyMask(&r));  // about 41 KB as a record
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 8192;
  setrlimit(RLIMIT_FSIZE, &small);
  const int result = SaveSelectionToFile(mask.get(), path.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(FileCount(), 1);
}
#endif

TEST(SelectionMemFile, GrowsAttachesAndDetaches) {
  lumora::MemFile file(4);
  const char data[] = "0123456789";
  file.Write(data, 10);
  EXPECT_EQ(file.GetLength(), 10u);
  EXPECT_EQ(file.SeekFromCurrent(-4), 6u);
  char back[8] = {};
  EXPECT_EQ(file.Read(back, 8), 4u);
  EXPECT_STREQ(back, "6789");
  EXPECT_THROW(file.SeekFromCurrent(-11), lumora::FileException);
  std::uint8_t* block = file.Detach();
  EXPECT_EQ(file.GetLength(), 0u);
  lumora::MemFile reader;
  reader.Attach(block, 10);
  EXPECT_EQ(reader.GetLength(), 10u);
  reader.SeekFromCurrent(10);
  EXPECT_THROW(reader.Write(data, 1), lumora::FileException);  // an attached block does not grow
  reader.SeekFromCurrent(10);                                  // past the end: reads give nothing
  EXPECT_EQ(reader.Read(back, 1), 0u);
  reader.Detach();
  std::free(block);
}

}  // namespace
