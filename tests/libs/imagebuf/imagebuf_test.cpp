// Image buffers: row layout of every type, zero-filled creation, palettes,
// counting across threads, accesses, clipped copies and the memory cap.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "hostapi/imagebuf.h"

using VrWA2000::WA;

namespace {

struct LayoutCase {
  int type;
  int width;
  int bpp;
  int bytesPerLine;
  int paletteSize;
};

// bytes per line = ((width * bpp + 31) / 32) * 4
const LayoutCase kLayouts[] = {
    {kWAType1Bit, 1, 1, 4, 2},       {kWAType1Bit, 32, 1, 4, 2},     {kWAType1Bit, 33, 1, 8, 2},
    {kWAType4Bit, 7, 4, 4, 16},      {kWAType4Bit, 9, 4, 8, 16},     {kWAType8Palette, 5, 8, 8, 256},
    {kWAType8Grey, 4, 8, 4, 0},      {kWAType8Grey, 13, 8, 16, 0},   {kWAType24, 1, 24, 4, 0},
    {kWAType24, 2, 24, 8, 0},        {kWAType24, 5, 24, 16, 0},      {kWAType24, 4, 24, 12, 0},
};

TEST(ImageBuffer, RowLayoutOfEveryTypeIncludesFillerBytes) {
  for (const LayoutCase& c : kLayouts) {
    WA* wa = new WA(c.type, c.width, 3, static_cast<const PALETTEENTRY*>(nullptr), true);
    EXPECT_EQ(wa->GetType(), c.type);
    EXPECT_EQ(wa->GetBPP(), c.bpp) << "type " << c.type;
    EXPECT_EQ(wa->GetBPLine(), c.bytesPerLine) << "type " << c.type << " width " << c.width;
    EXPECT_EQ(wa->GetPaletteSize(), c.paletteSize);
    // Rows are contiguous, one bytes-per-line apart, row 0 first in memory.
    EXPECT_EQ(wa->Row(1) - wa->Row(0), c.bytesPerLine);
    EXPECT_EQ(wa->Row(2) - wa->Row(0), 2 * c.bytesPerLine);
    WAINFO info;
    wa->GetInfo(&info);
    EXPECT_EQ(info.type, c.type);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, 3);
    EXPECT_EQ(info.planes, 1);
    EXPECT_EQ(info.bpp, c.bpp);
    EXPECT_EQ(info.bpline, c.bytesPerLine);
    wa->Release();
  }
}

TEST(ImageBuffer, NewBuffersAreZeroFilledIncludingFiller) {
  for (const LayoutCase& c : kLayouts) {
    WA* wa = new WA(c.type, c.width, 7, static_cast<const PALETTEENTRY*>(nullptr), true);
    const std::vector<std::uint8_t> zeros(static_cast<size_t>(wa->GetBPLine()), 0);
    for (int y = 0; y < 7; ++y) {
      ASSERT_EQ(std::memcmp(wa->Row(y), zeros.data(), zeros.size()), 0) << "type " << c.type;
    }
    wa->Release();
  }
}

// Large blocks freed are handed out again: a new buffer of a freed one's
// size is zero-filled all the same, filler included, and a copy made into
// such a block holds the source's bytes, not the old owner's.
TEST(ImageBuffer, BlocksOfFreedBuffersComeBackZeroFilledOrCopied) {
  const int width = 1001, height = 700;  // 3004 bytes a line: 1 filler byte
  const std::vector<std::uint8_t> zeros(3004, 0);
  const std::uint64_t inUse = WA::MM_BytesInUse();
  for (int round = 0; round < 3; ++round) {
    WA* used = new WA(kWAType24, width, height, static_cast<const PALETTEENTRY*>(nullptr), true);
    std::memset(used->Bits(), 0xA5, static_cast<std::size_t>(used->GetBPLine()) * height);
    used->Release();
    WA* fresh = new WA(kWAType24, width, height, static_cast<const PALETTEENTRY*>(nullptr), true);
    for (int y = 0; y < height; ++y) ASSERT_EQ(std::memcmp(fresh->Row(y), zeros.data(), zeros.size()), 0) << y;
    fresh->Row(height - 1)[3003] = 7;
    fresh->Row(0)[0] = 9;
    fresh->Release();
    WA source(kWAType24, width, height, static_cast<const PALETTEENTRY*>(nullptr), true);
    for (int y = 0; y < height; ++y) source.Row(y)[y % 3000] = static_cast<std::uint8_t>(y | 1);
    WA copy(source, true);
    for (int y = 0; y < height; ++y) ASSERT_EQ(std::memcmp(copy.Row(y), source.Row(y), 3004), 0) << y;
  }
  EXPECT_EQ(WA::MM_BytesInUse(), inUse) << "kept blocks count as freed";
}

TEST(ImageBuffer, RejectsInvalidTypesAndSizes) {
  using P = const PALETTEENTRY*;
  EXPECT_ANY_THROW(WA(3, 10, 10, P(nullptr), true));
  EXPECT_ANY_THROW(WA(kWAType24, 0, 10, P(nullptr), true));
  EXPECT_ANY_THROW(WA(kWAType24, 10, -1, P(nullptr), true));
  EXPECT_ANY_THROW(WA(kWAType24, 0x7FFFFFFF, 2, P(nullptr), true));
}

TEST(ImageBuffer, PalettesFromEntriesPlanarAndDefaults) {
  PALETTEENTRY entries[16];
  for (int i = 0; i < 16; ++i) entries[i] = PALETTEENTRY{BYTE(i), BYTE(2 * i), BYTE(3 * i), 0};
  WA a(kWAType4Bit, 4, 4, entries, true);
  PALETTEENTRY out[16];
  a.GetPaletteEntries(0, 16, out);
  EXPECT_EQ(out[15].peRed, 15);
  EXPECT_EQ(out[15].peGreen, 30);
  EXPECT_EQ(out[15].peBlue, 45);

  std::uint8_t planar[768];
  for (int i = 0; i < 256; ++i) {
    planar[i] = std::uint8_t(i);
    planar[256 + i] = std::uint8_t(255 - i);
    planar[512 + i] = 7;
  }
  WA b(kWAType8Palette, 4, 4, planar, true);
  b.GetPaletteEntries(10, 1, out);
  EXPECT_EQ(out[0].peRed, 10);
  EXPECT_EQ(out[0].peGreen, 245);
  EXPECT_EQ(out[0].peBlue, 7);

  WA mono(kWAType1Bit, 4, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  mono.GetPaletteEntries(0, 2, out);
  EXPECT_EQ(out[0].peRed, 0);
  EXPECT_EQ(out[1].peRed, 255);
  WA grey(kWAType8Grey, 4, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  grey.GetPaletteEntries(200, 1, out);
  EXPECT_EQ(out[0].peGreen, 200);
}

TEST(ImageBuffer, CopyConstructorCopiesPixelsPaletteAndResolution) {
  WA a(kWAType24, 3, 2, static_cast<const PALETTEENTRY*>(nullptr), true);
  a.SetXRes(300);
  a.SetYRes(150);
  a.Row(1)[8] = 0x5A;
  WA b(a, true);
  EXPECT_EQ(b.Row(1)[8], 0x5A);
  EXPECT_EQ(b.GetXRes(), 300);
  EXPECT_EQ(b.GetYRes(), 150);
  b.Row(1)[8] = 1;
  EXPECT_EQ(a.Row(1)[8], 0x5A) << "copies share no pixels";
}

TEST(ImageBufferThreaded, ReleaseAtZeroDestroysAndCountsAcrossThreads) {
  const std::uint64_t before = WA::MM_BytesInUse();
  WA* wa = new WA(kWAType8Grey, 100, 100, static_cast<const PALETTEENTRY*>(nullptr), true);
  EXPECT_GT(WA::MM_BytesInUse(), before);
  EXPECT_EQ(wa->GetRefCount(), 1);
  constexpr int kThreads = 8;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([wa] {
      for (int i = 0; i < kRounds; ++i) {
        wa->AddRef();
        wa->Release();
      }
      wa->AddRef();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wa->GetRefCount(), 1 + kThreads);
  threads.clear();
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([wa] { wa->Release(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(wa->GetRefCount(), 1);
  wa->Release();
  EXPECT_EQ(WA::MM_BytesInUse(), before) << "the last release frees the pixels";
}

TEST(ImageBuffer, AccessesSeeTheSameRowsAndKeepTheBufferAlive) {
  WA* wa = new WA(kWAType8Grey, 5, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  VrWA2000::ReadWA::Access* read = wa->GetReadAccess();
  VrWA2000::ReadWA::Access* write = wa->GetAccess();
  EXPECT_EQ(wa->GetRefCount(), 3);
  write->GetWriteRow(2)[1] = 99;
  EXPECT_EQ(read->GetRow(2)[1], 99);
  EXPECT_EQ(read->GetWriteRow(2), nullptr) << "a read access hands out no writable rows";
  EXPECT_EQ(read->GetRow(-1), nullptr);
  EXPECT_EQ(read->GetRow(4), nullptr);
  wa->Release();  // the creator lets go; the accesses still hold it
  EXPECT_EQ(read->GetRow(2)[1], 99);
  write->Release();
  read->Release();
}

TEST(ImageBuffer, DibHeaderDescribesTheBuffer) {
  WA wa(kWAType4Bit, 9, 3, static_cast<const PALETTEENTRY*>(nullptr), true);
  wa.SetXRes(254);
  POINT origin{-1, -1};
  const BITMAPINFOHEADER* h = wa.GetDIB(0, &origin);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->biWidth, 9);
  EXPECT_EQ(h->biHeight, 3) << "bottom-up, like the rows";
  EXPECT_EQ(h->biBitCount, 4);
  EXPECT_EQ(h->biClrUsed, 16u);
  EXPECT_EQ(h->biSizeImage, 3u * 8u);
  EXPECT_EQ(h->biXPelsPerMeter, 10000);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(wa.GetDIB(1, nullptr), nullptr);
}

// ---- clipped copies ----

WA* Grey(int w, int h, int seed) {
  WA* wa = new WA(kWAType8Grey, w, h, static_cast<const PALETTEENTRY*>(nullptr), true);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) wa->Row(y)[x] = std::uint8_t(seed + y * 16 + x);
  return wa;
}

struct CopyCase {
  POINT dst;
  POINT src;
  int w, h;
};

TEST(ImageBufferCopy, ClipsAgainstBothBuffersAndMatchesAPixelLoop) {
  const CopyCase cases[] = {
      {{0, 0}, {0, 0}, 4, 4},          {{2, 1}, {1, 2}, 10, 10},   {{-3, -2}, {0, 0}, 6, 5},
      {{0, 0}, {-2, -1}, 5, 5},        {{5, 5}, {0, 0}, 100, 100}, {{0, 0}, {6, 4}, 10, 10},
      {{-100, 0}, {0, 0}, 50, 50},     {{3, 2}, {2, 3}, 0, 5},     {{1, 1}, {1, 1}, -4, 3},
      {{0x7FFFFFF0, 0}, {0, 0}, 0x7FFFFFFF, 3},
  };
  for (const CopyCase& c : cases) {
    WA* src = Grey(7, 5, 1);
    WA* dst = Grey(6, 6, 100);
    WA* expected = new WA(*dst, true);
    // The reference: every destination pixel whose source lies in the block.
    for (int dy = 0; dy < 6; ++dy) {
      for (int dx = 0; dx < 6; ++dx) {
        const long long x = dx - static_cast<long long>(c.dst.x), y = dy - static_cast<long long>(c.dst.y);
        if (x < 0 || y < 0 || x >= c.w || y >= c.h) continue;
        const long long sx = c.src.x + x, sy = c.src.y + y;
        if (sx < 0 || sy < 0 || sx >= 7 || sy >= 5) continue;
        expected->Row(dy)[dx] = src->Row(int(sy))[sx];
      }
    }
    EXPECT_EQ(VrWA2000::ReadWriteWA::Copy(dst, c.dst, src, c.src, c.w, c.h, 12), 1);
    for (int y = 0; y < 6; ++y) {
      ASSERT_EQ(std::memcmp(dst->Row(y), expected->Row(y), 8), 0)
          << "dst " << c.dst.x << "," << c.dst.y << " src " << c.src.x << "," << c.src.y << " row " << y;
    }
    src->Release();
    dst->Release();
    expected->Release();
  }
}

TEST(ImageBufferCopy, RefusesDifferentTypes) {
  WA a(kWAType8Grey, 4, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  WA b(kWAType24, 4, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  EXPECT_EQ(VrWA2000::ReadWriteWA::Copy(&a, {0, 0}, &b, {0, 0}, 4, 4, 12), 0);
  EXPECT_EQ(VrWA2000::ReadWriteWA::Copy(&a, {0, 0}, nullptr, {0, 0}, 4, 4, 12), 0);
}

int GetBits(const WA& wa, int x, int y) {
  const int bpp = wa.GetBPP();
  const int bit = x * bpp;
  return (wa.Row(y)[bit >> 3] >> (8 - bpp - (bit & 7))) & ((1 << bpp) - 1);
}

TEST(ImageBufferCopy, SubBytePixelsAtAnyBitOffset) {
  for (int type : {kWAType1Bit, kWAType4Bit}) {
    WA src(type, 37, 3, static_cast<const PALETTEENTRY*>(nullptr), true);
    for (int y = 0; y < 3; ++y)
      for (int i = 0; i < src.GetBPLine(); ++i) src.Row(y)[i] = std::uint8_t(i * 37 + y * 11 + 5);
    for (int sx : {0, 1, 3, 8}) {
      for (int dx : {0, 2, 5, 8}) {
        WA dst(type, 40, 3, static_cast<const PALETTEENTRY*>(nullptr), true);
        for (int y = 0; y < 3; ++y) std::memset(dst.Row(y), 0xA5, size_t(dst.GetBPLine()));
        WA before(dst, true);
        VrWA2000::ReadWriteWA::Copy(&dst, {dx, 0}, &src, {sx, 0}, 21, 3, 12);
        for (int y = 0; y < 3; ++y) {
          for (int x = 0; x < 40; ++x) {
            const bool inside = x >= dx && x < dx + 21;
            const int want = inside ? GetBits(src, x - dx + sx, y) : GetBits(before, x, y);
            ASSERT_EQ(GetBits(dst, x, y), want) << "type " << type << " sx " << sx << " dx " << dx;
          }
        }
      }
    }
  }
}

TEST(ImageBuffer, MemoryCapRefusesCreationBeyondIt) {
  const std::uint64_t inUse = WA::MM_BytesInUse();
  WA::MM_SetMemoryLimits(inUse + 64 * 1024);
  EXPECT_ANY_THROW(WA(kWAType24, 1000, 1000, static_cast<const PALETTEENTRY*>(nullptr), true));
  {
    WA small(kWAType8Grey, 100, 100, static_cast<const PALETTEENTRY*>(nullptr), true);
    EXPECT_EQ(small.GetW(), 100);
  }
  WA::MM_SetMemoryLimits(0);
  EXPECT_EQ(WA::MM_BytesInUse(), inUse);
  WA big(kWAType24, 1000, 1000, static_cast<const PALETTEENTRY*>(nullptr), true);
  EXPECT_EQ(big.GetBPLine(), 3000);
}

}  // namespace
