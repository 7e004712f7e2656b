// Counted buffer references, creation, row-access records and the export
// adapter.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/pixels/WAccess.h"

using VrWA2000::WA;

namespace {

TEST(WAPtr, NullCopiesAndReleasesChangeNothing) {
  WAPtr empty;
  WAPtr copy(empty);
  EXPECT_FALSE(copy);
  copy.Reset();
  EXPECT_FALSE(copy);
}

TEST(WAPtr, HolderKeepsTheOnlyReferenceAfterTheCreatorReleases) {
  const std::uint64_t before = WA::MM_BytesInUse();
  WA* made = NewWA(kWAType24, 10, 10, nullptr);
  ASSERT_NE(made, nullptr);
  WAPtr holder = WAPtr::Share(made);
  EXPECT_EQ(made->GetRefCount(), 2);
  made->Release();
  EXPECT_EQ(holder->GetRefCount(), 1);
  WAPtr second(holder);
  EXPECT_EQ(holder->GetRefCount(), 2);
  second.Reset();
  holder.Reset();
  EXPECT_EQ(WA::MM_BytesInUse(), before);
}

TEST(NewWA, ReportsFailureAsNull) {
  EXPECT_EQ(NewWA(5, 10, 10, nullptr), nullptr);
  EXPECT_EQ(NewWA(kWAType24, 0, 10, nullptr), nullptr);
  EXPECT_EQ(NewWAWithPalette(kWAType8Grey, 10, -3, nullptr), nullptr);
  EXPECT_EQ(CloneWA(nullptr), nullptr);
  WA::MM_SetMemoryLimits(1);
  EXPECT_EQ(NewWA(kWAType24, 100, 100, nullptr), nullptr);
  WA::MM_SetMemoryLimits(0);
}

TEST(NewWAPIX, ReadOnlyRecordsReachRowsThroughTheReadAccess) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType8Grey, 4, 3, nullptr));
  wa->Row(2)[3] = 77;
  WAPIX* ro = NewWAPIX(wa.get(), false);
  ASSERT_NE(ro, nullptr);
  EXPECT_EQ(ro->writable, 0u);
  EXPECT_EQ(ro->writeAccess, nullptr);
  EXPECT_EQ(GetWARow(2, ro)[3], 77);
  EXPECT_EQ(GetWARow(3, ro), nullptr);
  EXPECT_EQ(GetWARow(-1, ro), nullptr);
  WAPIX* rw = NewWAPIX(wa.get(), true);
  GetWARow(0, rw)[0] = 5;
  EXPECT_EQ(wa->Row(0)[0], 5);
  EXPECT_EQ(wa->GetRefCount(), 4);  // holder + three accesses
  delete rw;
  delete ro;
  EXPECT_EQ(wa->GetRefCount(), 1);
  EXPECT_EQ(GetWARow(0, nullptr), nullptr);
}

TEST(CWriteWA, QueriesBeforeAttachFail) {
  CWriteWA adapter;
  int n = 0;
  std::uint8_t row[4];
  EXPECT_EQ(adapter.GetImageCount(&n), 1);
  EXPECT_EQ(adapter.GetRow(0, 0, 0, row), 1);
  EXPECT_EQ(adapter.Attach(nullptr), 1);
}

TEST(CWriteWA, PaletteEntriesByType) {
  const struct {
    int type;
    int entries;  // copied by GetPalette; -1: left untouched
  } cases[] = {{kWAType1Bit, 2}, {kWAType4Bit, 16}, {kWAType8Palette, 256}, {kWAType8Grey, 256},
               {kWAType24, -1}};
  for (const auto& c : cases) {
    WAPtr wa = WAPtr::Adopt(NewWA(c.type, 3, 2, nullptr));
    CWriteWA adapter;
    ASSERT_EQ(adapter.Attach(wa.get()), 0);
    PALETTEENTRY out[257];
    std::memset(out, 0xEE, sizeof(out));
    EXPECT_EQ(adapter.GetPalette(0, 0, out), 0);
    int copied = 0;
    while (copied < 257 && out[copied].peFlags != 0xEE) ++copied;
    EXPECT_EQ(copied, c.entries < 0 ? 0 : c.entries) << "type " << c.type;
  }
}

TEST(CWriteWA, GetRowCopiesExactlyBytesPerLineIncludingFiller) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType24, 2, 3, nullptr));  // 6 pixel bytes + 2 filler
  wa->SetXRes(72);
  wa->SetYRes(144);
  for (int i = 0; i < 8; ++i) wa->Row(1)[i] = std::uint8_t(i + 1);
  CWriteWA adapter;
  ASSERT_EQ(adapter.Attach(wa.get()), 0);
  EXPECT_EQ(wa->GetRefCount(), 3) << "the adapter and its record each hold the buffer";
  std::uint8_t out[12];
  std::memset(out, 0xCC, sizeof(out));
  EXPECT_EQ(adapter.GetRow(0, 0, 1, out), 0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], i + 1);
  EXPECT_EQ(out[8], 0xCC) << "nothing beyond one row";
  EXPECT_EQ(adapter.GetRow(0, 0, 3, out), 1) << "a missing row fails";
  int w = 0, h = 0, t = 0, x = 0, y = 0;
  adapter.GetSize(0, 0, &w, &h);
  adapter.GetType(0, 0, &t);
  adapter.GetResolution(0, 0, &x, &y);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(t, kWAType24);
  EXPECT_EQ(x, 72);
  EXPECT_EQ(y, 144);
}

}  // namespace
