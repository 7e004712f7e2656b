// The fast resampling kernels shared by ResampleInto and the transform
// engine's resize: per-axis sample plans computed once per operation, and row
// makers that apply them without a division per pixel.
#pragma once

#include <cstdint>
#include <vector>

namespace lumora::resample {

// n / 225 for 0 <= n <= 57375 (225 * 255, the largest weighted sum of four
// 4-bit bilinear samples): floor(n * 37283 / 2^23). 37283 = ceil(2^23 / 225);
// the excess n * (37283 - 2^23 / 225) / 2^23 stays below 0.0021, less than
// the 1/225 that separates n / 225 from the next whole number, so the floor
// is exact (checked over every n by the tests).
inline std::uint32_t Div225(std::uint32_t n) { return (n * 37283u) >> 23; }

// One axis of a bilinear resampling. Destination index k samples
// t = 16 * m * sourceExtent / destinationExtent (m = k, or extent - 1 - k when
// mirrored): the first sample is origin + (t >> 4), the fraction t & 15 weighs
// the second sample, which is the next index, or the first itself at the
// axis's last index (its fraction is then stored as 0: both samples are equal,
// so the weighted sum is the same).
struct BilinearAxis {
  std::vector<std::int32_t> first;
  std::vector<std::int32_t> second;
  std::vector<std::uint8_t> fraction;
  bool allWhole = true;  // every fraction is 0
};

// Extents must be positive. Positions are formed in 64 bits, so any extents
// that fit in 32 bits work. Throws std::bad_alloc.
BilinearAxis PlanBilinearAxis(int destinationExtent, int sourceExtent, int origin, bool mirrored);

// Nearest axis: destination index k takes origin + m * sourceExtent /
// destinationExtent (m as above). Throws std::bad_alloc.
std::vector<std::int32_t> PlanNearestAxis(int destinationExtent, int sourceExtent, int origin,
                                          bool mirrored);

// Makes the destination rows of one bilinear resampling of a 1- or 3-byte
// pixel image. When the destination is taller than the source, each source
// row is interpolated horizontally once and kept for the rows that need it,
// so that the per-pixel gather runs once per source row; otherwise each
// destination row first blends its two source rows, then gathers.
class BilinearRows {
 public:
  // `columns` must outlive the maker. Throws std::bad_alloc.
  BilinearRows(int bytesPerPixel, const BilinearAxis& columns, int sourceWidth,
               bool keepSourceRows);

  // One destination row from source rows row0 (pixels src0) and row1 (src1)
  // with vertical fraction fy; src1 is not read when fy is 0. Row indexes name
  // the kept horizontal passes, so they must identify the rows of one source.
  void MakeRow(std::uint8_t* dst, int row0, const std::uint8_t* src0, int row1,
               const std::uint8_t* src1, int fy);

 private:
  void Horizontal(std::uint16_t* out, const std::uint8_t* src) const;
  const std::uint16_t* KeptRow(int row, const std::uint8_t* src, int otherRow);

  int bpp_;
  int width_;  // destination pixels
  const BilinearAxis& columns_;
  bool keepRows_;
  std::vector<std::int32_t> offset0_;  // byte offsets of the samples
  std::vector<std::int32_t> offset1_;
  int firstByte_ = 0;  // source bytes the columns read: [firstByte_, endByte_)
  int endByte_ = 0;
  std::vector<std::uint16_t> vertical_;
  std::vector<std::uint16_t> kept_[2];
  int keptRow_[2] = {-1, -1};
};

// Nearest rows: destination pixel x takes source pixel columns[x].
void NearestRow24(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                  int width);
void NearestRow8(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                 int width);
// Whole bytes for pixel pairs; the last byte of an odd width gets its high
// nibble and keeps its low one when `keepLastLow`, else its low nibble is 0.
void NearestRow4(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns, int width,
                 bool keepLastLow);
// Whole bytes; the bits after the row's last pixel are 0.
void NearestRow1(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                 int width);

}  // namespace lumora::resample
