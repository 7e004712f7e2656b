// The draw core: fast row kernels (replication, box means) and the per-pixel
// reference walk they must match byte for byte.
#include "libs/draw/render.h"

#include "libs/draw/render_simd.h"

#include <algorithm>
#include <cstring>

namespace lumora::draw {
namespace {

using VrWA2000::ReadWA;

// Per window pixel of one axis, the image box [first, last) (flipped rows
// for y: 0 is the top row), clipped to the image.
struct AxisPlan {
  std::vector<std::int32_t> first, last;
  std::int32_t lo = 0, hi = 0;  // union of the boxes
  bool single = true;           // every box one pixel
};

AxisPlan PlanAxis(const XFFACT& f, std::int64_t from, std::int64_t to, std::int32_t extent) {
  AxisPlan plan;
  const std::int64_t d = f.DisplayedExtent(), i = f.ImageExtent(), s = f.Shift();
  const auto n = static_cast<std::size_t>(to - from);
  plan.first.resize(n);
  plan.last.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::int64_t w = from + static_cast<std::int64_t>(k);
    std::int64_t b0 = XFFloorDiv((w - s) * i, d);
    std::int64_t b1 = d >= i ? b0 + 1 : XFFloorDiv((w + 1 - s) * i, d);
    b0 = std::clamp<std::int64_t>(b0, 0, extent);
    b1 = std::clamp<std::int64_t>(b1, b0, extent);
    plan.first[k] = static_cast<std::int32_t>(b0);
    plan.last[k] = static_cast<std::int32_t>(b1);
    if (b1 - b0 != 1) plan.single = false;
  }
  plan.lo = n ? plan.first.front() : 0;
  plan.hi = n ? plan.last.back() : 0;
  return plan;
}

// The kernels sum c * a of up to this many pixels in 32 bits (and keep
// 255 * n below 2^23 for the finishing step).
constexpr std::int64_t kMaxKernelBox = 16384;

std::int64_t LargestBox(const AxisPlan& plan) {
  std::int64_t largest = 0;
  for (std::size_t k = 0; k < plan.first.size(); ++k) largest = std::max<std::int64_t>(largest, plan.last[k] - plan.first[k]);
  return largest;
}

// BGR rows of the image over columns [lo, hi): direct for 24-bit buffers,
// expanded through the palette (or grey ramp) otherwise.
class RowSource {
 public:
  RowSource(const ReadWA& image, std::int32_t lo, std::int32_t hi)
      : image_(image), lo_(lo), hi_(hi) {
    if (image.GetType() != kWAType24) scratch_.resize(static_cast<std::size_t>(hi - lo) * 3);
  }

  const std::uint8_t* Bgr(std::int32_t y) {
    const std::uint8_t* row = image_.Row(y);
    if (image_.GetType() == kWAType24) return row + static_cast<std::ptrdiff_t>(lo_) * 3;
    std::uint8_t* out = scratch_.data();
    const PALETTEENTRY* pal = image_.Palette();
    for (std::int32_t x = lo_; x < hi_; ++x, out += 3) {
      int index;
      switch (image_.GetType()) {
        case kWAType1Bit: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
        case kWAType4Bit: index = (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4); break;
        case kWAType8Palette: index = row[x]; break;
        default:
          out[0] = out[1] = out[2] = row[x];
          continue;
      }
      out[0] = pal[index].peBlue;
      out[1] = pal[index].peGreen;
      out[2] = pal[index].peRed;
    }
    return scratch_.data();
  }

 private:
  const ReadWA& image_;
  std::int32_t lo_, hi_;
  std::vector<std::uint8_t> scratch_;
};

inline std::uint32_t Pack(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

// round(x / 255) for 0 <= x <= 255 * 255, without a division.
inline std::uint32_t Div255(std::uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// One pixel over the checker: round((c * a + K * (255 - a)) / 255).
inline std::uint32_t BlendOne(const std::uint8_t* bgr, std::uint32_t a, std::uint32_t k) {
  const std::uint32_t ka = k * (255 - a);
  return Pack(Div255(bgr[2] * a + ka), Div255(bgr[1] * a + ka), Div255(bgr[0] * a + ka));
}

// floor(x / d) for the box means. Below 2^40 in d, (x + 0.5) / d in doubles
// errs by less than 2^-42 while a quotient that is not whole lies at least
// 0.5 / d from a whole number (x < 2^53): the truncation is exact.
struct BoxDivider {
  std::uint64_t d = 0;
  double inverse = 0;
  void Set(std::uint64_t divisor) {
    if (divisor == d) return;
    d = divisor;
    inverse = 1.0 / static_cast<double>(divisor);
  }
  std::uint32_t Div(std::uint64_t x) const {
    if (d >= (std::uint64_t{1} << 40) || (x >> 53)) return static_cast<std::uint32_t>(x / d);
    return static_cast<std::uint32_t>((static_cast<double>(x) + 0.5) * inverse);
  }
};

struct Ctx {
  const RenderSettings& s;
  const RECT& area;
  std::uint32_t* out;
  std::ptrdiff_t stride;
  std::int64_t sx, sy;
};

// Enlargement or 1:1 on both axes: every window pixel shows one image pixel.
void SampleKernel(const Ctx& c, const AxisPlan& px, const AxisPlan& py) {
  const ReadWA& image = *c.s.image;
  const ReadWA* cov = c.s.coverage;
  const std::int32_t h = image.GetH();
  RowSource rows(image, px.lo, px.hi);
  const std::size_t n = px.first.size();
  std::vector<std::uint8_t> checkerCol(n);
  for (std::size_t k = 0; k < n; ++k) checkerCol[k] = ((c.area.left + static_cast<std::int64_t>(k) - c.sx) >> 3) & 1;
  const bool contiguous = n == 0 || px.last.back() - px.first.front() == static_cast<std::int32_t>(n);
  const bool simd = contiguous && DrawSimdEnabled();
  std::vector<std::uint8_t> checkerRow[2];
  for (int parity = 0; parity < 2; ++parity) {
    checkerRow[parity].resize(n);
    for (std::size_t k = 0; k < n; ++k) checkerRow[parity][k] = (checkerCol[k] ^ parity) ? 0xCC : 0xFF;
  }
  std::int32_t prevY = -1, prevParity = -1;
  for (std::size_t row = 0; row < py.first.size(); ++row) {
    std::uint32_t* out = c.out + static_cast<std::ptrdiff_t>(row) * c.stride;
    const std::int32_t y = h - 1 - py.first[row];
    const std::int32_t parity = static_cast<std::int32_t>(((c.area.top + static_cast<std::int64_t>(row) - c.sy) >> 3) & 1);
    if (y == prevY && parity == prevParity) {
      std::memcpy(out, out - c.stride, n * 4);
      continue;
    }
    prevY = y;
    prevParity = parity;
    const std::uint8_t* src = rows.Bgr(y);
    const std::uint8_t* a = cov ? cov->Row(y) + px.lo : nullptr;
    if (simd) {
      SampleRowSsse3(src, a, checkerRow[parity].data(), out, n);
    } else if (contiguous) {
      for (std::size_t k = 0; k < n; ++k) {
        const std::uint8_t* p = src + 3 * k;
        const std::uint32_t alpha = a ? a[k] : 255;
        out[k] = alpha == 255 ? Pack(p[2], p[1], p[0])
                              : BlendOne(p, alpha, (checkerCol[k] ^ parity) ? 0xCC : 0xFF);
      }
    } else {
      for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t x = px.first[k] - px.lo;
        const std::uint8_t* p = src + 3 * x;
        const std::uint32_t alpha = a ? a[x] : 255;
        out[k] = alpha == 255 ? Pack(p[2], p[1], p[0])
                              : BlendOne(p, alpha, (checkerCol[k] ^ parity) ? 0xCC : 0xFF);
      }
    }
  }
}

// Adds one row's c * a and a to the column sums.
void AccumulateRow(const std::uint8_t* src, const std::uint8_t* a, std::size_t span, std::uint32_t* accB,
                   std::uint32_t* accG, std::uint32_t* accR, std::uint32_t* accA) {
  if (!a) {
    for (std::size_t x = 0; x < span; ++x) {
      accB[x] += src[3 * x] * 255u;
      accG[x] += src[3 * x + 1] * 255u;
      accR[x] += src[3 * x + 2] * 255u;
      accA[x] += 255u;
    }
    return;
  }
  for (std::size_t x = 0; x < span; ++x) {
    const std::uint32_t alpha = a[x];
    accB[x] += src[3 * x] * alpha;
    accG[x] += src[3 * x + 1] * alpha;
    accR[x] += src[3 * x + 2] * alpha;
    accA[x] += alpha;
  }
}

// The same summed over rows [yTop, yEnd) into groups of 2^groupLog2
// columns: SSSE3 for whole 16-pixel steps, the rest here.
void AccumulateGroups(RowSource& rows, const VrWA2000::ReadWA* cov, std::int32_t lo, std::int32_t yTop,
                      std::int32_t yEnd, std::size_t span, int groupLog2, std::vector<std::uint32_t>* accB,
                      std::vector<std::uint32_t>* accG, std::vector<std::uint32_t>* accR,
                      std::vector<std::uint32_t>* accA) {
  std::vector<const std::uint8_t*> bgr, alpha;
  for (std::int32_t y = yTop; y < yEnd; ++y) {
    bgr.push_back(rows.Bgr(y));
    alpha.push_back(cov ? cov->Row(y) + lo : nullptr);
  }
  const std::size_t whole = span & ~std::size_t{15};
  StoreGroupSumsSsse3(bgr.data(), alpha.data(), static_cast<int>(bgr.size()), whole, groupLog2 == 2,
                      accB->data(), accG->data(), accR->data(), accA->data());
  for (std::size_t r = 0; r < bgr.size(); ++r) {
    for (std::size_t x = whole; x < span; ++x) {
      const std::uint32_t a = alpha[r] ? alpha[r][x] : 255u;
      (*accB)[x >> groupLog2] += bgr[r][3 * x] * a;
      (*accG)[x >> groupLog2] += bgr[r][3 * x + 1] * a;
      (*accR)[x >> groupLog2] += bgr[r][3 * x + 2] * a;
      (*accA)[x >> groupLog2] += a;
    }
  }
}

// Reductions (on either axis): box sums over rows, then over columns.
void BoxKernel(const Ctx& c, const AxisPlan& px, const AxisPlan& py) {
  const ReadWA& image = *c.s.image;
  const ReadWA* cov = c.s.coverage;
  const std::int32_t h = image.GetH();
  RowSource rows(image, px.lo, px.hi);
  const std::size_t span = static_cast<std::size_t>(px.hi - px.lo);
  const std::size_t n = px.first.size();
  // Whole reductions 1:2k of 24-bit images sum neighbouring pairs (1:4:
  // quads) in SSSE3: every box starts at an even distance from the first.
  const XFFACT& fx = c.s.map.FactorX();
  const bool simd = DrawSimdEnabled();
  const int groups = simd && image.GetType() == kWAType24 && fx.DisplayedExtent() == 1 && fx.ImageExtent() % 2 == 0
                         ? (fx.ImageExtent() == 4 ? 2 : 1)
                         : 0;
  // Column (or column-group) sums of c * a per channel and of a.
  const std::size_t slots = (span + (std::size_t{1} << groups) - 1) >> groups;
  std::vector<std::uint32_t> accB(slots), accG(slots), accR(slots), accA(slots);
  std::vector<std::uint8_t> checkerCol(n);
  for (std::size_t k = 0; k < n; ++k) checkerCol[k] = ((c.area.left + static_cast<std::int64_t>(k) - c.sx) >> 3) & 1;
  BoxDivider divider;
  std::vector<std::int32_t> slotBegin(n), slotEnd(n), boxWidth(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::int32_t x0 = px.first[k] - px.lo, x1 = px.last[k] - px.lo;
    slotBegin[k] = x0 >> groups;
    slotEnd[k] = (x1 + (1 << groups) - 1) >> groups;
    boxWidth[k] = x1 - x0;
  }
  // Runs of boxes of one width, one slot each, in consecutive slots: their
  // means are finished two at a time.
  std::vector<std::size_t> runEnd(n);
  for (std::size_t k = 0; k < n;) {
    std::size_t j = k + 1;
    if (simd && slotEnd[k] - slotBegin[k] == 1) {
      while (j < n && slotEnd[j] - slotBegin[j] == 1 && slotBegin[j] == slotBegin[j - 1] + 1 &&
             boxWidth[j] == boxWidth[k]) {
        ++j;
      }
    }
    runEnd[k] = j;
    k = j;
  }
  std::vector<std::uint8_t> checkerRow[2];
  for (int parity = 0; parity < 2; ++parity) {
    checkerRow[parity].resize(n);
    for (std::size_t k = 0; k < n; ++k) checkerRow[parity][k] = (checkerCol[k] ^ parity) ? 0xCC : 0xFF;
  }
  std::int32_t prevTop = -1, prevBottom = -1, prevParity = -1;
  for (std::size_t row = 0; row < py.first.size(); ++row) {
    std::uint32_t* out = c.out + static_cast<std::ptrdiff_t>(row) * c.stride;
    // Flipped rows [first, last) are image rows [h - last, h - first).
    const std::int32_t yTop = h - py.last[row], yEnd = h - py.first[row];
    const std::int32_t parity = static_cast<std::int32_t>(((c.area.top + static_cast<std::int64_t>(row) - c.sy) >> 3) & 1);
    if (yTop == prevTop && yEnd == prevBottom && parity == prevParity) {
      std::memcpy(out, out - c.stride, n * 4);
      continue;
    }
    if (yTop != prevTop || yEnd != prevBottom) {
      std::fill(accB.begin(), accB.end(), 0u);
      std::fill(accG.begin(), accG.end(), 0u);
      std::fill(accR.begin(), accR.end(), 0u);
      std::fill(accA.begin(), accA.end(), 0u);
      if (groups) {
        AccumulateGroups(rows, cov, px.lo, yTop, yEnd, span, groups, &accB, &accG, &accR, &accA);
      } else {
        for (std::int32_t y = yTop; y < yEnd; ++y) {
          AccumulateRow(rows.Bgr(y), cov ? cov->Row(y) + px.lo : nullptr, span, accB.data(), accG.data(),
                        accR.data(), accA.data());
        }
      }
    }
    prevTop = yTop;
    prevBottom = yEnd;
    prevParity = parity;
    const std::uint64_t rowsInBox = static_cast<std::uint64_t>(yEnd - yTop);
    const std::uint8_t* checker = checkerRow[parity].data();
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint64_t runFull = 255 * rowsInBox * static_cast<std::uint64_t>(boxWidth[k]);
      if (runEnd[k] > k + 1 && runFull < (std::uint64_t{1} << 23)) {
        const std::int32_t s0 = slotBegin[k];
        FinishBoxesSse2(accB.data() + s0, accG.data() + s0, accR.data() + s0, accA.data() + s0, checker + k,
                        static_cast<std::uint32_t>(runFull), out + k, runEnd[k] - k);
        k = runEnd[k] - 1;
        continue;
      }
      const std::int32_t begin = slotBegin[k], end = slotEnd[k];
      std::uint64_t sb = accB[begin], sg = accG[begin], sr = accR[begin], sa = accA[begin];
      for (std::int32_t x = begin + 1; x < end; ++x) {
        sb += accB[x];
        sg += accG[x];
        sr += accR[x];
        sa += accA[x];
      }
      const std::uint64_t full = 255 * rowsInBox * static_cast<std::uint64_t>(boxWidth[k]);
      const std::uint64_t back = checker[k] * (full - sa);
      // round(S / (255 n)) = floor((2 S + 255 n) / (510 n))
      divider.Set(2 * full);
      out[k] = Pack(divider.Div(2 * (sr + back) + full), divider.Div(2 * (sg + back) + full),
                    divider.Div(2 * (sb + back) + full));
    }
  }
}

void ApplyGamma(const GammaTables& g, std::uint32_t* out, std::ptrdiff_t stride, std::int64_t w,
                std::int64_t h) {
  for (std::int64_t y = 0; y < h; ++y) {
    std::uint32_t* p = out + y * stride;
    for (std::int64_t x = 0; x < w; ++x) {
      const std::uint32_t v = p[x];
      p[x] = Pack(g.r[(v >> 16) & 255], g.g[(v >> 8) & 255], g.b[v & 255]);
    }
  }
}

std::uint32_t RgbOf(COLORREF c) { return Pack(c & 255, (c >> 8) & 255, (c >> 16) & 255); }

// Draws one vertical (column) or horizontal (row) line over the rect.
void DrawLine(const RECT& area, std::uint32_t* out, std::ptrdiff_t stride, bool column,
              std::int64_t w, std::int32_t style, std::uint32_t rgb, std::int64_t sx,
              std::int64_t sy) {
  if (column) {
    if (w < area.left || w >= area.right) return;
    for (std::int64_t v = area.top; v < area.bottom; ++v) {
      if (LineStyleOn(style, v - sy)) out[(v - area.top) * stride + (w - area.left)] = rgb;
    }
  } else {
    if (w < area.top || w >= area.bottom) return;
    std::uint32_t* p = out + (w - area.top) * stride;
    for (std::int64_t u = area.left; u < area.right; ++u) {
      if (LineStyleOn(style, u - sx)) p[u - area.left] = rgb;
    }
  }
}

// Colour of image pixel (x, y) as B, G, R.
void PixelBgr(const ReadWA& image, std::int32_t x, std::int32_t y, std::uint8_t bgr[3]) {
  const std::uint8_t* row = image.Row(y);
  int index = -1;
  switch (image.GetType()) {
    case kWAType1Bit: index = (row[x / 8] >> (7 - x % 8)) & 1; break;
    case kWAType4Bit: index = x % 2 ? row[x / 2] % 16 : row[x / 2] / 16; break;
    case kWAType8Palette: index = row[x]; break;
    case kWAType8Grey: bgr[0] = bgr[1] = bgr[2] = row[x]; return;
    default:
      bgr[0] = row[3 * x];
      bgr[1] = row[3 * x + 1];
      bgr[2] = row[3 * x + 2];
      return;
  }
  const PALETTEENTRY& e = image.Palette()[index];
  bgr[0] = e.peBlue;
  bgr[1] = e.peGreen;
  bgr[2] = e.peRed;
}

}  // namespace

OverlayAxis OverlayAxisX(const VRXFORM& map) {
  const XFFACT& f = map.FactorX();
  return OverlayAxis{f.DisplayedExtent(), f.ImageExtent(), f.Shift(), map.Width(), false};
}

OverlayAxis OverlayAxisY(const VRXFORM& map) {
  const XFFACT& f = map.FactorY();
  return OverlayAxis{f.DisplayedExtent(), f.ImageExtent(), f.Shift(), map.Height(), true};
}

void ApplyOverlay(const RenderSettings& s, const RECT& area, std::uint32_t* out,
                  std::ptrdiff_t stride, bool guidesOnly) {
  const OverlayAxis ax = OverlayAxisX(s.map), ay = OverlayAxisY(s.map);
  std::vector<std::int64_t> pixels;
  if (s.gridShown && !guidesOnly) {
    for (int pass = 0; pass < 2; ++pass) {
      const bool columns = pass == 0;
      const OverlayAxis& axis = columns ? ax : ay;
      for (const LineFamily& f : GridFamilies(axis, s.grid, columns ? s.originX : s.originY)) {
        FamilyPixels(axis, f, columns ? area.left : area.top, columns ? area.right : area.bottom, &pixels);
        for (std::int64_t w : pixels) DrawLine(area, out, stride, columns, w, f.style, RgbOf(f.color), ax.s, ay.s);
      }
    }
  }
  if (s.guidesShown) {
    const std::uint32_t rgb = RgbOf(s.guideStyle.color);
    for (const Guide& g : s.guides) {
      const bool column = g.orientation == kVrGuideVertical;
      const std::int64_t w = LineWindowPixel(column ? ax : ay, g.position, 32);
      DrawLine(area, out, stride, column, w, s.guideStyle.style, rgb, ax.s, ay.s);
    }
  }
}

std::vector<RECT> GuideMarginRuns(const RenderSettings& s, const RECT& client, const RECT& image) {
  std::vector<RECT> runs;
  if (!s.guidesShown) return runs;
  const OverlayAxis ax = OverlayAxisX(s.map), ay = OverlayAxisY(s.map);
  const auto inImage = [&](LONG u, LONG v) {
    return u >= image.left && u < image.right && v >= image.top && v < image.bottom;
  };
  for (const Guide& g : s.guides) {
    const bool column = g.orientation == kVrGuideVertical;
    const std::int64_t w = LineWindowPixel(column ? ax : ay, g.position, 32);
    if (column ? (w < client.left || w >= client.right) : (w < client.top || w >= client.bottom)) continue;
    const LONG from = column ? client.top : client.left, to = column ? client.bottom : client.right;
    const std::int64_t anchor = column ? ay.s : ax.s;
    LONG start = from;
    bool open = false;
    for (LONG t = from; t <= to; ++t) {
      const LONG u = column ? static_cast<LONG>(w) : t, v = column ? t : static_cast<LONG>(w);
      const bool drawn = t < to && !inImage(u, v) && LineStyleOn(s.guideStyle.style, t - anchor);
      if (drawn && !open) {
        start = t;
        open = true;
      } else if (!drawn && open) {
        const LONG line = static_cast<LONG>(w);
        runs.push_back(column ? RECT{line, start, line + 1, t} : RECT{start, line, t, line + 1});
        open = false;
      }
    }
  }
  return runs;
}

void RenderRect(const RenderSettings& s, const RECT& area, std::uint32_t* out, std::ptrdiff_t stride) {
  if (area.right <= area.left || area.bottom <= area.top || !s.image) return;
  const AxisPlan px = PlanAxis(s.map.FactorX(), area.left, area.right, s.image->GetW());
  const AxisPlan py = PlanAxis(s.map.FactorY(), area.top, area.bottom, s.image->GetH());
  const Ctx c{s, area, out, stride, s.map.FactorX().Shift(), s.map.FactorY().Shift()};
  if (LargestBox(px) * LargestBox(py) > kMaxKernelBox) {
    // Boxes this large would overflow the kernels' 32-bit sums; they are
    // rare (extreme reductions) and take the per-pixel walk, which visits
    // every image pixel once per window pixel just the same.
    for (LONG v = area.top; v < area.bottom; ++v)
      for (LONG u = area.left; u < area.right; ++u) out[(v - area.top) * stride + (u - area.left)] = ReferencePixel(s, u, v);
    return;
  }
  if (px.single && py.single) {
    SampleKernel(c, px, py);
  } else {
    BoxKernel(c, px, py);
  }
  const std::int64_t w = area.right - area.left, h = area.bottom - area.top;
  if (s.colorTransform) {
    for (std::int64_t y = 0; y < h; ++y) s.colorTransform->Apply(out + y * stride, static_cast<std::size_t>(w));
  }
  if (!s.gamma.identity) ApplyGamma(s.gamma, out, stride, w, h);
  if (s.gridShown || s.guidesShown) ApplyOverlay(s, area, out, stride, false);
  if (s.palette) {
    for (std::int64_t y = 0; y < h; ++y) {
      std::uint32_t* p = out + y * stride;
      for (std::int64_t x = 0; x < w; ++x) {
        p[x] = s.palette->Map(p[x], area.left + x - c.sx, area.top + y - c.sy);
      }
    }
  }
}

std::uint32_t ReferencePixel(const RenderSettings& s, std::int64_t u, std::int64_t v) {
  const XFFACT& fx = s.map.FactorX();
  const XFFACT& fy = s.map.FactorY();
  const std::int64_t W = s.image->GetW(), H = s.image->GetH();
  const std::int64_t dx = fx.DisplayedExtent(), ix = fx.ImageExtent(), sx = fx.Shift();
  const std::int64_t dy = fy.DisplayedExtent(), iy = fy.ImageExtent(), sy = fy.Shift();
  // Columns [x0, x1) and rows from the top [t0, t1) of the window pixel.
  std::int64_t x0 = XFFloorDiv((u - sx) * ix, dx);
  std::int64_t x1 = dx >= ix ? x0 + 1 : XFFloorDiv((u + 1 - sx) * ix, dx);
  std::int64_t t0 = XFFloorDiv((v - sy) * iy, dy);
  std::int64_t t1 = dy >= iy ? t0 + 1 : XFFloorDiv((v + 1 - sy) * iy, dy);
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min(x1, W);
  t0 = std::max<std::int64_t>(t0, 0);
  t1 = std::min(t1, H);
  if (x1 <= x0 || t1 <= t0) return 0;
  std::uint64_t sum[3] = {0, 0, 0}, sumA = 0, n = 0;
  for (std::int64_t t = t0; t < t1; ++t) {
    const std::int32_t y = static_cast<std::int32_t>(H - 1 - t);
    for (std::int64_t x = x0; x < x1; ++x) {
      std::uint8_t bgr[3];
      PixelBgr(*s.image, static_cast<std::int32_t>(x), y, bgr);
      const std::uint64_t a = s.coverage ? s.coverage->Row(y)[x] : 255;
      for (int ch = 0; ch < 3; ++ch) sum[ch] += bgr[ch] * a;
      sumA += a;
      ++n;
    }
  }
  const std::uint64_t k = CheckerGrey(u - sx, v - sy);
  std::uint32_t ch[3];
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t total = sum[i] + k * (255 * n - sumA);
    ch[i] = static_cast<std::uint32_t>((2 * total + 255 * n) / (510 * n));
  }
  std::uint32_t shown = Pack(ch[2], ch[1], ch[0]);
  if (s.colorTransform) s.colorTransform->Apply(&shown, 1);
  std::uint32_t rgb = Pack(s.gamma.r[(shown >> 16) & 255], s.gamma.g[(shown >> 8) & 255], s.gamma.b[shown & 255]);
  const OverlayAxis ax = OverlayAxisX(s.map), ay = OverlayAxisY(s.map);
  bool lined = false;
  if (s.guidesShown) {
    for (const Guide& g : s.guides) {
      const bool column = g.orientation == kVrGuideVertical;
      const std::int64_t w = LineWindowPixel(column ? ax : ay, g.position, 32);
      if (column ? (w == u && LineStyleOn(s.guideStyle.style, v - sy))
                 : (w == v && LineStyleOn(s.guideStyle.style, u - sx))) {
        rgb = RgbOf(s.guideStyle.color);
        lined = true;
      }
    }
  }
  if (s.gridShown && !lined) {
    const std::vector<LineFamily> cols = GridFamilies(ax, s.grid, s.originX);
    const std::vector<LineFamily> rowsF = GridFamilies(ay, s.grid, s.originY);
    for (const LineFamily& f : cols) {
      if (FamilyHasPixel(ax, f, u) && LineStyleOn(f.style, v - sy)) rgb = RgbOf(f.color);
    }
    for (const LineFamily& f : rowsF) {
      if (FamilyHasPixel(ay, f, v) && LineStyleOn(f.style, u - sx)) rgb = RgbOf(f.color);
    }
  }
  if (s.palette) rgb = s.palette->Map(rgb, u - sx, v - sy);
  return rgb;
}

}  // namespace lumora::draw
