// Reference rotation kernels: quarter turns and the general kernels written
// pixel by pixel from their definitions. The fast kernels must match them
// byte for byte.
#include <cmath>
#include <cstring>

#include "engine/pixels/ProductTable.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;

// ---- Pixel access by layout ----

int ReadNibble(const std::uint8_t* row, int column) {
  return column % 2 == 0 ? row[column / 2] >> 4 : row[column / 2] & 0x0F;
}

int ReadBit(const std::uint8_t* row, int column) {
  return (row[column / 8] & (0x80 >> (column % 8))) != 0 ? 1 : 0;
}

// Gathers one destination row of bits most significant first: a byte
// accumulator with a running mask that starts at 0x80, stored when full, the
// partly filled last byte stored at the end of the row.
class BitWriter {
 public:
  explicit BitWriter(std::uint8_t* row) : out_(row) {}
  void Put(int bit) {
    if (bit != 0) acc_ |= mask_;
    mask_ >>= 1;
    if (mask_ == 0) {
      *out_++ = static_cast<std::uint8_t>(acc_);
      acc_ = 0;
      mask_ = 0x80;
    }
  }
  void Finish() {
    if (mask_ != 0x80) *out_ = static_cast<std::uint8_t>(acc_);
  }

 private:
  std::uint8_t* out_;
  int acc_ = 0;
  int mask_ = 0x80;
};

// ORs a nibble into pixel x of a row (high nibble for an even column).
void OrNibble(std::uint8_t* row, int x, int value) {
  row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? value << 4 : value);
}

int Bilinear(int p00, int p10, int p01, int p11, int fx, int fy) {
  const auto& t = lumora::kProductTable;
  return (p00 * t[15 - fx][15 - fy] + p10 * t[fx][15 - fy] + p01 * t[15 - fx][fy] +
          p11 * t[fx][fy]) /
         225;
}

int BytesPerPixel(int type) { return type == kWAType24 ? 3 : 1; }

// ---- Quarter turns ----

bool QuarterFormatsMatch(const WA* dst, const WA* src) {
  const int type = src->GetType();
  if (dst->GetType() != type) return false;
  return type == kWAType24 || type == kWAType8Grey || type == kWAType8Palette ||
         type == kWAType4Bit || type == kWAType1Bit;
}

// Source pixel (column, row) of destination pixel (x, j).
void QuarterSource(int cosine, int sine, const RECT& r, int x, int j, int* column, int* row) {
  if (cosine == 0 && sine > 0) {
    *column = r.left + j;
    *row = r.bottom - 1 - x;
  } else if (cosine == 0) {
    *column = r.right - 1 - j;
    *row = r.top + x;
  } else if (cosine == 1) {
    *column = r.left + x;
    *row = r.top + j;
  } else {
    *column = r.right - 1 - x;
    *row = r.bottom - 1 - j;
  }
}

}  // namespace

int RotateQuarterReference(WA* dst, const WA* src, int exactCode, const RECT& rect,
                           const TransformProgress& progress) {
  if (!QuarterFormatsMatch(dst, src)) return 0;
  const int cosine = static_cast<std::int8_t>((exactCode >> 8) & 0xFF);
  const int sine = static_cast<std::int8_t>(exactCode & 0xFF);
  const int rw = rect.right - rect.left;
  const int rh = rect.bottom - rect.top;
  const int w = dst->GetW();
  const int h = dst->GetH();
  if (cosine == 0 ? (rw != h || rh != w) : (rw != w || rh != h)) return 0;
  const int type = src->GetType();
  const bool wholeBuffer = rw == src->GetW() && rh == src->GetH();
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  for (int j = 0; j < h; ++j) {
    std::uint8_t* d = write->GetWriteRow(j);
    if (d == nullptr) continue;
    if (cosine == 1 && wholeBuffer) {
      std::memcpy(d, read->GetRow(j), static_cast<std::size_t>(dst->GetBPLine()));
    } else {
      BitWriter bits(d);
      for (int x = 0; x < w; ++x) {
        int column = 0;
        int row = 0;
        QuarterSource(cosine, sine, rect, x, j, &column, &row);
        const std::uint8_t* s = read->GetRow(row);
        if (type == kWAType4Bit) {
          OrNibble(d, x, ReadNibble(s, column));
        } else if (type == kWAType1Bit) {
          bits.Put(ReadBit(s, column));
        } else {
          const int bpp = BytesPerPixel(type);
          for (int k = 0; k < bpp; ++k) d[bpp * x + k] = s[bpp * column + k];
        }
      }
      if (type == kWAType1Bit) bits.Finish();
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

// ---- General rotation ----

namespace {

struct Position {
  std::int64_t u;
  std::int64_t v;
};

// u / 4096 truncated toward zero.
std::int64_t Sixteenths(std::int64_t u) { return (u < 0 ? u + 4095 : u) >> 12; }

class GeneralReference {
 public:
  GeneralReference(RotateKernel kind, const WA* src, const ReadWA::Access* read, int extra)
      : kind_(kind),
        read_(read),
        w_(src->GetW()),
        h_(src->GetH()),
        extra_(extra),
        bpp_(BytesPerPixel(src->GetType())) {}

  // Writes destination pixel i (bytes, or the nibble/bit by the caller).
  void Pixel(std::uint8_t* out, Position p) const {
    switch (kind_) {
      case RotateKernel::kHardGrey:
      case RotateKernel::kHardRgb: Hard(out, p); break;
      case RotateKernel::kSoftMask: SoftMask(out, p); break;
      default: SoftImage(out, p); break;
    }
  }

  // Palette index or bit of a nearest kernel: the source value inside, the
  // fill value outside.
  int Nearest(Position p) const {
    const std::int64_t sx = p.u >> 16;
    const std::int64_t sy = p.v >> 16;
    if (sx < 0 || sx >= w_ || sy < 0 || sy >= h_) {
      if (kind_ == RotateKernel::kNearest1) return extra_ != 0 ? 1 : 0;
      if (kind_ == RotateKernel::kNearest4) return extra_ & 0x0F;
      return extra_ & 0xFF;
    }
    const std::uint8_t* row = read_->GetRow(static_cast<int>(sy));
    const int column = static_cast<int>(sx);
    if (kind_ == RotateKernel::kNearest1) return ReadBit(row, column);
    if (kind_ == RotateKernel::kNearest4) return ReadNibble(row, column);
    return row[column];
  }

 private:
  int Sample(std::int64_t x, std::int64_t y, int k) const {
    return read_->GetRow(static_cast<int>(y))[bpp_ * x + k];
  }

  void Hard(std::uint8_t* out, Position p) const {
    const std::int64_t qx = Sixteenths(p.u);
    const std::int64_t qy = Sixteenths(p.v);
    const std::int64_t ix = qx >> 4;
    const std::int64_t iy = qy >> 4;
    int fx = static_cast<int>(qx & 15);
    int fy = static_cast<int>(qy & 15);
    if (ix < 0 || ix >= w_ || iy < 0 || iy >= h_) {
      for (int k = 0; k < bpp_; ++k) out[k] = 0;
      return;
    }
    std::int64_t x1 = ix + 1;
    std::int64_t y1 = iy + 1;
    if (ix >= w_ - 1) {
      x1 = ix;
      fx = 15;
    }
    if (iy >= h_ - 1) {
      y1 = iy;
      fy = 15;
    }
    for (int k = 0; k < bpp_; ++k) {
      out[k] = static_cast<std::uint8_t>(Bilinear(Sample(ix, iy, k), Sample(x1, iy, k),
                                                  Sample(ix, y1, k), Sample(x1, y1, k), fx, fy));
    }
  }

  void SoftMask(std::uint8_t* out, Position p) const {
    const std::int64_t qx = Sixteenths(p.u);
    const std::int64_t qy = Sixteenths(p.v);
    const std::int64_t ix = qx >> 4;
    const std::int64_t iy = qy >> 4;
    if (ix < -1 || ix >= w_ || iy < -1 || iy >= h_) {
      out[0] = 0;
      return;
    }
    auto at = [&](std::int64_t x, std::int64_t y) {
      return (x < 0 || x >= w_ || y < 0 || y >= h_) ? 0 : Sample(x, y, 0);
    };
    out[0] = static_cast<std::uint8_t>(Bilinear(at(ix, iy), at(ix + 1, iy), at(ix, iy + 1),
                                                at(ix + 1, iy + 1), static_cast<int>(qx & 15),
                                                static_cast<int>(qy & 15)));
  }

  void SoftImage(std::uint8_t* out, Position p) const {
    const std::int64_t qx = Sixteenths(p.u);
    const std::int64_t qy = Sixteenths(p.v);
    const std::int64_t ix = qx >> 4;
    const std::int64_t iy = qy >> 4;
    int fx = static_cast<int>(qx & 15);
    int fy = static_cast<int>(qy & 15);
    if (ix >= -1 && ix < w_ && iy >= -1 && iy < h_) {
      std::int64_t x0 = ix;
      std::int64_t x1 = ix + 1;
      if (ix < 0) x0 = x1 = 0;
      if (x0 >= w_ - 1) {
        x1 = x0;
        fx = 15;
      }
      std::int64_t y0 = iy;
      std::int64_t y1 = iy + 1;
      if (iy < 0) y0 = y1 = 0;
      if (y0 >= h_ - 1) {
        y1 = y0;
        fy = 15;
      }
      for (int k = 0; k < bpp_; ++k) {
        out[k] = static_cast<std::uint8_t>(Bilinear(Sample(x0, y0, k), Sample(x1, y0, k),
                                                    Sample(x0, y1, k), Sample(x1, y1, k), fx, fy));
      }
      return;
    }
    std::int64_t cx = ix == -1 ? 0 : ix == w_ ? w_ - 1 : ix;
    std::int64_t cy = iy == -1 ? 0 : iy == h_ ? h_ - 1 : iy;
    const bool copy = extra_ == 0 && cx >= 0 && cx < w_ && cy >= 0 && cy < h_;
    for (int k = 0; k < bpp_; ++k) out[k] = copy ? static_cast<std::uint8_t>(Sample(cx, cy, k)) : 0;
  }

  RotateKernel kind_;
  const ReadWA::Access* read_;
  std::int64_t w_;
  std::int64_t h_;
  int extra_;
  int bpp_;
};

bool IsNearest(RotateKernel kind) {
  return kind == RotateKernel::kNearest8 || kind == RotateKernel::kNearest4 ||
         kind == RotateKernel::kNearest1;
}

}  // namespace

int RotateGeneralReference(RotateKernel kind, WA* dst, const WA* src, const RECT& bounds,
                           double radians, const TransformProgress& progress, int extra) {
  const int format = RotateKernelFormat(kind);
  if (src->GetType() != format || dst->GetType() != format) return 0;
  const bool truncate = kind == RotateKernel::kSoftMask;
  const std::int64_t C = RotationFixed(std::cos(radians), truncate);
  const std::int64_t S = RotationFixed(std::sin(radians), truncate);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  const GeneralReference pixels(kind, src, read.get(), extra);
  const int bpp = BytesPerPixel(format);
  for (int j = 0; j < height; ++j) {
    std::uint8_t* d = write->GetWriteRow(j);
    if (d == nullptr) continue;
    const std::int64_t Y = std::int64_t{bounds.top} + j;
    if (kind == RotateKernel::kNearest4) std::memset(d, 0, static_cast<std::size_t>(width / 2));
    BitWriter bits(d);
    for (int i = 0; i < width; ++i) {
      const std::int64_t X = std::int64_t{bounds.left} + i;
      const Position p{X * C + Y * S, Y * C - X * S};
      if (!IsNearest(kind)) {
        pixels.Pixel(d + bpp * i, p);
      } else if (kind == RotateKernel::kNearest8) {
        d[i] = static_cast<std::uint8_t>(pixels.Nearest(p));
      } else if (kind == RotateKernel::kNearest4) {
        OrNibble(d, i, pixels.Nearest(p));
      } else {
        bits.Put(pixels.Nearest(p));
      }
    }
    if (kind == RotateKernel::kNearest1) bits.Finish();
    if (!progress.Step()) return 0;
  }
  return 1;
}
