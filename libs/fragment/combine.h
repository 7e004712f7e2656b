// Combine codes as tables: the result of every pair (current coverage s, new
// coverage n) for one code.
#pragma once

#include <cstdint>

namespace lumora::frg {

// Whether the code is one of the 16 truth tables.
inline bool IsCombineCode(int code) { return code >= 0 && code <= 15; }

// The code's result for binary inputs (0 or 1 each).
inline int CombineBits(int code, int s, int n) { return (code >> (2 * n + s)) & 1; }

// 256 x 256 results, indexed [s * 256 + n]: the bilinear blend of the four
// corner results, rounded half up. Built once per code, on first use.
const std::uint8_t* CombineTable(int code);

// acc[i] = table[acc[i] * 256 + n[i]] for `count` bytes.
void CombineRow(std::uint8_t* acc, const std::uint8_t* n, int count, const std::uint8_t* table);

}  // namespace lumora::frg
