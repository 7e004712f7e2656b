// PackBits encoding and decoding, the byte swaps and 16.16 fixed point of
// the layered file. The encoder looks for runs sixteen (then eight) bytes
// at a time; its output is that of the plain byte-by-byte rules (tested
// against them).
#include "engine/layered/PackBits.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "engine/layered/BigEndian.h"
#include "engine/layered/LayerFileErrors.h"

static_assert(std::endian::native == std::endian::little, "the word scans assume little-endian");

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Index (0..7) of the first zero byte of v, or 8 when there is none. The
// borrow of the zero-byte test can only mark bytes above a real zero, so
// the lowest mark is exact.
inline int FirstZeroByte(std::uint64_t v) {
  const std::uint64_t marks = (v - kOnes) & ~v & kHighs;
  return marks == 0 ? 8 : std::countr_zero(marks) >> 3;
}

// Length of the run of bytes equal to p[0] starting at p, at most `limit`.
std::uint32_t RepeatLength(const std::uint8_t* p, std::uint32_t limit) {
  const std::uint64_t pattern = kOnes * p[0];
  const __m128i wide = _mm_set1_epi8(static_cast<char>(p[0]));
  std::uint32_t k = 1;
  while (k + 16 <= limit) {
    const int differ = ~_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)), wide)) & 0xFFFF;
    if (differ != 0) return k + static_cast<std::uint32_t>(std::countr_zero(static_cast<unsigned>(differ)));
    k += 16;
  }
  while (k + 8 <= limit) {
    const std::uint64_t diff = Load64(p + k) ^ pattern;
    if (diff != 0) return k + static_cast<std::uint32_t>(std::countr_zero(diff) >> 3);
    k += 8;
  }
  while (k < limit && p[k] == p[0]) ++k;
  return k;
}

// Length of the literal run starting at p (p[0] != p[1]), limit >= 2: it
// ends where three equal bytes begin, and one byte early when it reaches
// the limit with its last two bytes equal.
std::uint32_t LiteralLength(const std::uint8_t* p, std::uint32_t limit) {
  // A triple starts at j (j >= 1) when p[j] == p[j+1] == p[j+2]; the scan
  // of the rules finds the first such j with j + 2 < limit.
  std::uint32_t j = 1;
  while (j + 2 + 16 <= limit) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 2));
    const int triples = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, b), _mm_cmpeq_epi8(b, c)));
    if (triples != 0) return j + static_cast<std::uint32_t>(std::countr_zero(static_cast<unsigned>(triples)));
    j += 16;
  }
  while (j + 2 + 8 <= limit) {
    const std::uint64_t a = Load64(p + j);
    const std::uint64_t b = Load64(p + j + 1);
    const std::uint64_t c = Load64(p + j + 2);
    const int z = FirstZeroByte((a ^ b) | (b ^ c));
    if (z < 8) return j + static_cast<std::uint32_t>(z);
    j += 8;
  }
  for (; j + 2 < limit; ++j) {
    if (p[j] == p[j + 1] && p[j + 1] == p[j + 2]) return j;
  }
  return (limit >= 3 && p[limit - 2] == p[limit - 1]) ? limit - 1 : limit;
}

}  // namespace

std::uint32_t PackBits(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t count) {
  std::uint8_t* out = destination;
  std::uint32_t i = 0;
  while (count - i > 1) {
    const std::uint32_t limit = std::min<std::uint32_t>(128, count - i);
    const std::uint8_t* p = source + i;
    std::uint32_t k;
    if (p[0] == p[1]) {
      k = RepeatLength(p, limit);
      *out++ = static_cast<std::uint8_t>(1 - static_cast<int>(k));
      *out++ = p[0];
    } else {
      k = LiteralLength(p, limit);
      *out++ = static_cast<std::uint8_t>(k - 1);
      std::memcpy(out, p, k);
      out += k;
    }
    i += k;
  }
  if (count - i == 1) {
    *out++ = 0;
    *out++ = source[i];
  }
  return static_cast<std::uint32_t>(out - destination);
}

namespace {

constexpr const char* kShortRow = "a packed row of the file is too short";

// The decoding loop of both entries. Padded copies and fills in whole
// 16-byte blocks: the padding takes what lies beyond the run.
template <bool Padded>
void Unpack(std::uint8_t* destination, const std::uint8_t* source, std::uint32_t packedLength,
            std::uint32_t outCount) {
  const std::uint8_t* in = source;
  const std::uint8_t* const inEnd = source + packedLength;
  std::uint8_t* out = destination;
  std::uint8_t* const outEnd = destination + outCount;
  while (out < outEnd) {
    if (in >= inEnd) throw layer_err_fread(kShortRow);
    const std::uint32_t n = *in++;
    if (n < 128) {
      // Only the bytes still needed must be there: decoding ends with them.
      const std::uint32_t take =
          std::min<std::uint32_t>(n + 1, static_cast<std::uint32_t>(outEnd - out));
      if (static_cast<std::uint32_t>(inEnd - in) < take) throw layer_err_fread(kShortRow);
      if constexpr (Padded) {
        for (std::uint32_t i = 0; i < take; i += 16) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
        }
      } else {
        std::memcpy(out, in, take);
      }
      out += take;
      in += take;
    } else if (n > 128) {
      if (in >= inEnd) throw layer_err_fread(kShortRow);
      const std::uint32_t take =
          std::min<std::uint32_t>(257 - n, static_cast<std::uint32_t>(outEnd - out));
      if constexpr (Padded) {
        const __m128i value = _mm_set1_epi8(static_cast<char>(*in++));
        for (std::uint32_t i = 0; i < take; i += 16) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), value);
        }
      } else {
        std::memset(out, *in++, take);
      }
      out += take;
    }
  }
}

}  // namespace

void UnpackBitsPadded(std::uint8_t* destination, const std::uint8_t* source,
                      std::uint32_t packedLength, std::uint32_t outCount) {
  Unpack<true>(destination, source, packedLength, outCount);
}

void UnpackBits(std::uint8_t* destination, const std::uint8_t* source, std::uint32_t packedLength,
                std::uint32_t outCount) {
  Unpack<false>(destination, source, packedLength, outCount);
}

void SwapShortBytes(void* p) {
  auto* b = static_cast<std::uint8_t*>(p);
  std::swap(b[0], b[1]);
}

void SwapLongBytes(void* p) {
  auto* b = static_cast<std::uint8_t*>(p);
  std::swap(b[0], b[3]);
  std::swap(b[1], b[2]);
}

void SwapDoubleBytes(void* p) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 4; ++i) std::swap(b[i], b[7 - i]);
}

double FixedToDouble(std::uint32_t value) {
  return static_cast<double>(value & 0xFFFFu) / 65536.0 + static_cast<double>(value >> 16);
}
