// PackBits row coding, the byte swaps and the exact division by 255 of the
// mask folding.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <random>
#include <vector>

#include "engine/layered/BigEndian.h"
#include "engine/layered/ChannelData.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/PackBits.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The encoding rules byte by byte, as the reference of the word scans.
Bytes ReferencePack(const Bytes& src) {
  Bytes out;
  std::size_t i = 0;
  const std::size_t count = src.size();
  while (count - i > 1) {
    const std::size_t max = std::min<std::size_t>(128, count - i);
    std::size_t k = 2;
    if (src[i] == src[i + 1]) {
      while (k < max && src[i + k] == src[i]) ++k;
      out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(k)));
      out.push_back(src[i]);
    } else {
      int equal = 0;
      while (k < max) {
        if (src[i + k] == src[i + k - 1]) {
          if (++equal == 2) break;
        } else {
          equal = 0;
        }
        ++k;
      }
      k -= equal;
      out.push_back(static_cast<std::uint8_t>(k - 1));
      out.insert(out.end(), src.begin() + i, src.begin() + i + k);
    }
    i += k;
  }
  if (count - i == 1) {
    out.push_back(0);
    out.push_back(src[i]);
  }
  return out;
}

Bytes Pack(const Bytes& src) {
  Bytes out(PackBitsBound(static_cast<std::uint32_t>(src.size())) + 1);
  out.resize(PackBits(src.data(), out.data(), static_cast<std::uint32_t>(src.size())));
  return out;
}

Bytes Unpack(const Bytes& packed, std::size_t count) {
  Bytes out(count);
  UnpackBits(out.data(), packed.data(), static_cast<std::uint32_t>(packed.size()),
             static_cast<std::uint32_t>(count));
  return out;
}

TEST(PackBits, EncodesTheDocumentedRuns) {
  const std::uint8_t A = 'A', B = 'B', C = 'C', D = 'D';
  EXPECT_EQ(Pack({A, B, C, C, C, D}), (Bytes{1, A, B, 0xFE, C, 0, D}));
  EXPECT_EQ(Pack({A, B, C, D, D}), (Bytes{3, A, B, C, D, 0, D}));
  EXPECT_EQ(Pack(Bytes(130, 7)), (Bytes{0x81, 7, 0xFF, 7}));
  EXPECT_EQ(Pack({9}), (Bytes{0, 9}));
  EXPECT_TRUE(Pack({}).empty());
}

// Rows of every kind of content the word scans must agree on: noise,
// short and long runs, runs at every alignment, and literal runs that
// reach 128 bytes.
TEST(PackBits, WordScansAgreeWithTheRulesAndDecodeBack) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 3000; ++trial) {
    const std::size_t size = trial < 300 ? static_cast<std::size_t>(trial) : rng() % 1200;
    Bytes row(size);
    const int kind = trial % 5;
    for (std::size_t i = 0; i < size; ++i) {
      switch (kind) {
        case 0: row[i] = static_cast<std::uint8_t>(rng()); break;
        case 1: row[i] = static_cast<std::uint8_t>(rng() % 3); break;
        case 2: row[i] = static_cast<std::uint8_t>((i / (1 + rng() % 5)) & 1); break;
        case 3: row[i] = static_cast<std::uint8_t>(i % 3 == 0 ? rng() : 7); break;
        default: row[i] = static_cast<std::uint8_t>(i % 200 < 150 ? i : 42); break;
      }
    }
    const Bytes packed = Pack(row);
    ASSERT_EQ(packed, ReferencePack(row)) << "trial " << trial;
    ASSERT_LE(packed.size(), PackBitsBound(static_cast<std::uint32_t>(size)));
    ASSERT_EQ(Unpack(packed, size), row) << "trial " << trial;
    // The padded decoder gives the same bytes.
    Bytes paddedIn = packed, paddedOut(size + kUnpackPadding, 0xCD);
    paddedIn.resize(packed.size() + kUnpackPadding, 0xEE);
    UnpackBitsPadded(paddedOut.data(), paddedIn.data(), static_cast<std::uint32_t>(packed.size()),
                     static_cast<std::uint32_t>(size));
    ASSERT_TRUE(std::equal(row.begin(), row.end(), paddedOut.begin())) << "trial " << trial;
  }
}

// Every row of up to 14 bytes over two values and of 9 over three: the
// worst cases of short runs stay within the bound.
TEST(PackBits, ShortRowsStayWithinTheBound) {
  for (int base : {2, 3}) {
    const int maxLength = base == 2 ? 14 : 9;
    for (int length = 0; length <= maxLength; ++length) {
      int combos = 1;
      for (int i = 0; i < length; ++i) combos *= base;
      for (int code = 0; code < combos; ++code) {
        Bytes row(static_cast<std::size_t>(length));
        for (int i = 0, c = code; i < length; ++i, c /= base) row[i] = static_cast<std::uint8_t>(c % base);
        const Bytes packed = Pack(row);
        ASSERT_LE(packed.size(), PackBitsBound(static_cast<std::uint32_t>(length)));
        ASSERT_EQ(packed, ReferencePack(row));
      }
    }
  }
}

TEST(UnpackBits, SkipsNoOpsAndCutsRunsAtTheCount) {
  EXPECT_EQ(Unpack({128, 0xFD, 5, 1, 1, 2}, 6), (Bytes{5, 5, 5, 5, 1, 2}));
  EXPECT_EQ(Unpack({0x81, 3}, 5), (Bytes(5, 3)));
  EXPECT_EQ(Unpack({4, 1, 2, 3, 4, 5}, 2), (Bytes{1, 2}));
}

TEST(UnpackBits, RunningOutOfPackedBytesIsAReadError) {
  const std::vector<Bytes> shortRows = {{}, {2, 1, 2}, {0xFE}, {128, 128}, {0x81}};
  for (const Bytes& packed : shortRows) {
    Bytes out(8 + kUnpackPadding, 0xAA);
    EXPECT_THROW(UnpackBits(out.data(), packed.data(), static_cast<std::uint32_t>(packed.size()), 4),
                 layer_err_fread);
    Bytes paddedIn = packed;
    paddedIn.resize(packed.size() + kUnpackPadding, 0x81);
    EXPECT_THROW(UnpackBitsPadded(out.data(), paddedIn.data(), static_cast<std::uint32_t>(packed.size()), 4),
                 layer_err_fread);
  }
}

TEST(ByteOrder, SwapsAndFixedPoint) {
  std::uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SwapShortBytes(b);
  EXPECT_EQ(b[0], 2);
  SwapLongBytes(b + 2);
  EXPECT_EQ(lumora::LoadBE32(b + 2), 0x06050403u);
  std::uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SwapDoubleBytes(d);
  EXPECT_EQ(lumora::LoadBE64(d), 0x0807060504030201ull);
  EXPECT_DOUBLE_EQ(FixedToDouble(0x00488000u), 72.5);
  EXPECT_DOUBLE_EQ(FixedToDouble(0xFFFF0000u), 65535.0);
}

TEST(ByteOrder, DivisionBy255IsExactOverEveryProduct) {
  for (std::uint32_t x = 0; x <= 65535; ++x) ASSERT_EQ(lumora::Div255(x), x / 255) << x;
}

}  // namespace
