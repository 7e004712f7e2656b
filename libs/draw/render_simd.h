// SSSE3 row kernels of the draw core (the group sums in AVX2 where the
// processor has it), chosen at run time; the scalar loops in render.cpp are
// the other level and give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora::draw {

// Whether the vector kernels run: the processor has SSSE3 and neither
// LUMORA_DRAW_LEVEL=generic nor SetDrawSimd(false) turned them off.
bool DrawSimdEnabled();
// For tests: turns the SSSE3 kernels off or back on (when the processor has
// them); returns the previous state.
bool SetDrawSimd(bool on);

// One-to-one row: out[k] = pixel k of `bgr` over the checker `checker[k]`
// (0xFF or 0xCC) by coverage a[k] (null: 255).
void SampleRowSsse3(const std::uint8_t* bgr, const std::uint8_t* a, const std::uint8_t* checker,
                    std::uint32_t* out, std::size_t n);

// Writes, summed over `rows` rows, the sums of c * a of each channel and of
// a over groups of 2 pixels (`quads` false: index j holds pixels 2j, 2j+1)
// or 4 pixels (true: 4j .. 4j + 3) into the arrays, for the first `pixels`
// pixels (a multiple of 16). `alpha[r]` null: coverage 255.
void StoreGroupSumsSsse3(const std::uint8_t* const* bgr, const std::uint8_t* const* alpha, int rows,
                         std::size_t pixels, bool quads, std::uint32_t* sumB, std::uint32_t* sumG,
                         std::uint32_t* sumR, std::uint32_t* sumA);

// Box means over the checker for `n` boxes of `full` / 255 pixels each
// (full < 2^31 / 2): out[k] = per channel floor((2 (S + K (full - A)) + full)
// / (2 full)) with S = sum[k], A = sumA[k] and K = checker[k].
void FinishBoxesSse2(const std::uint32_t* sumB, const std::uint32_t* sumG, const std::uint32_t* sumR,
                     const std::uint32_t* sumA, const std::uint8_t* checker, std::uint32_t full,
                     std::uint32_t* out, std::size_t n);

}  // namespace lumora::draw
