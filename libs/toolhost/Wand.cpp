// The magic wand's region: the pixels of similar colour round the clicked
// one, as a mask fragment.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "libs/toolhost/AreaTools.h"

namespace lumora::toolhost {

namespace {

// round(x / 255) for 0 <= x <= 255 * 255.
inline int Div255(int x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// A pixel as the wand compares it: blue, green, red as the layer shows
// them over nothing (each times the opacity, / 255) and the opacity. A
// hidden pixel's own colour so never counts: every transparent pixel is
// alike.
struct WandPixel {
  int c[3];
  int a;
};

// Reads one buffer row's colours (grey repeats its one value); false for a
// type the wand cannot read.
class RowColours {
 public:
  explicit RowColours(const VrWA2000::WA& image) : image_(image) {}
  bool Readable() const {
    const int type = image_.GetType();
    return type == 1 || type == 2 || type == 4 || type == 8 || type == 16;
  }
  void Read(int y, std::vector<WandPixel>& out) const {
    const std::uint8_t* row = image_.Row(y);
    const int w = image_.GetW();
    switch (image_.GetType()) {
      case 16:
        for (int x = 0; x < w; ++x) out[x] = WandPixel{{row[3 * x], row[3 * x + 1], row[3 * x + 2]}, 255};
        break;
      case 8:
        for (int x = 0; x < w; ++x) out[x] = WandPixel{{row[x], row[x], row[x]}, 255};
        break;
      case 4:
        for (int x = 0; x < w; ++x) out[x] = Entry(row[x]);
        break;
      case 2:  // the high nibble first
        for (int x = 0; x < w; ++x) out[x] = Entry((row[x / 2] >> ((x & 1) != 0 ? 0 : 4)) & 15);
        break;
      case 1:  // the most significant bit first
        for (int x = 0; x < w; ++x) out[x] = Entry((row[x / 8] >> (7 - (x & 7))) & 1);
        break;
      default: break;
    }
  }

 private:
  WandPixel Entry(int index) const {
    const PALETTEENTRY& e = image_.Palette()[index];
    return WandPixel{{e.peBlue, e.peGreen, e.peRed}, 255};
  }
  const VrWA2000::WA& image_;
};

bool Alike(const WandPixel& p, const WandPixel& ref, int tolerance) {
  return std::abs(p.a - ref.a) <= tolerance && std::abs(p.c[0] - ref.c[0]) <= tolerance &&
         std::abs(p.c[1] - ref.c[1]) <= tolerance && std::abs(p.c[2] - ref.c[2]) <= tolerance;
}

// The image's pixels as the wand sees them, row `y` of the image (rows
// from the bottom): the source's where it lies, transparent elsewhere.
class WandRows {
 public:
  explicit WandRows(const WandSource& s) : s_(s), colours_(*s.image), buffer_(s.image->GetW()) {}
  bool Readable() const {
    if (!colours_.Readable()) return false;
    const VrWA2000::WA* a = s_.alpha;
    return a == nullptr || (a->GetType() == 8 && a->GetW() == s_.image->GetW() && a->GetH() == s_.image->GetH());
  }
  void Read(int y, std::vector<WandPixel>& out) {
    std::fill(out.begin(), out.end(), WandPixel{{0, 0, 0}, 0});
    const int ly = y - s_.origin.y;
    if (ly < 0 || ly >= s_.image->GetH()) return;
    colours_.Read(ly, buffer_);
    const std::uint8_t* alpha = s_.alpha != nullptr ? s_.alpha->Row(ly) : nullptr;
    const int from = std::max<int>(0, s_.origin.x), to = std::min<int>(s_.imageSize.cx, s_.origin.x + s_.image->GetW());
    for (int x = from; x < to; ++x) {
      WandPixel p = buffer_[x - s_.origin.x];
      if (alpha != nullptr) {
        p.a = alpha[x - s_.origin.x];
        for (int& c : p.c) c = Div255(c * p.a);
      }
      out[x] = p;
    }
  }

 private:
  const WandSource& s_;
  RowColours colours_;
  std::vector<WandPixel> buffer_;
};

// Grows the region from the seed through 8-connected pixels whose `alike`
// byte is set, a run of a row at a time; taken pixels get 2.
void FillFrom(std::vector<std::uint8_t>& alike, int w, int h, POINT seed) {
  auto at = [&](int x, int y) -> std::uint8_t& { return alike[static_cast<std::size_t>(y) * w + x]; };
  std::vector<POINT> pending{seed};
  while (!pending.empty()) {
    const POINT p = pending.back();
    pending.pop_back();
    if (at(p.x, p.y) != 1) continue;
    int left = p.x, right = p.x;
    while (left > 0 && at(left - 1, p.y) == 1) --left;
    while (right + 1 < w && at(right + 1, p.y) == 1) ++right;
    for (int x = left; x <= right; ++x) at(x, p.y) = 2;
    // The rows above and below, one pixel past each end (diagonals touch).
    for (const int y : {p.y - 1, p.y + 1}) {
      if (y < 0 || y >= h) continue;
      const int from = std::max(0, left - 1), to = std::min(w - 1, right + 1);
      for (int x = from; x <= to; ++x) {
        if (at(x, y) == 1 && (x == from || at(x - 1, y) != 1)) pending.push_back(POINT{x, y});
      }
    }
  }
}

}  // namespace

Fragment* MakeWandMask(const WandSource& source, POINT seed, int tolerance, bool contiguous) {
  if (source.image == nullptr) return nullptr;
  const int w = source.imageSize.cx, h = source.imageSize.cy;
  if (w <= 0 || h <= 0 || seed.x < 0 || seed.y < 0 || seed.x >= w || seed.y >= h) return nullptr;
  WandRows rows(source);
  if (!rows.Readable()) return nullptr;
  std::vector<WandPixel> row(static_cast<std::size_t>(w));
  rows.Read(seed.y, row);
  const WandPixel ref = row[seed.x];
  // 1 where a pixel is like the clicked one, row by row.
  std::vector<std::uint8_t> alike(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    rows.Read(y, row);
    std::uint8_t* out = alike.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) out[x] = Alike(row[x], ref, tolerance) ? 1 : 0;
  }
  const std::uint8_t taken = contiguous ? 2 : 1;
  if (contiguous) FillFrom(alike, w, h, seed);
  // The mask covers the region's bounds only.
  int left = w, right = -1, bottom = h, top = -1;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* r = alike.data() + static_cast<std::size_t>(y) * w;
    const std::uint8_t* first = std::find(r, r + w, taken);
    if (first == r + w) continue;
    const int last = static_cast<int>(std::find(std::make_reverse_iterator(r + w), std::make_reverse_iterator(r), taken).base() - r) - 1;
    left = std::min(left, static_cast<int>(first - r));
    right = std::max(right, last);
    bottom = std::min(bottom, y);
    top = std::max(top, y);
  }
  if (right < 0) return nullptr;
  const int mw = right - left + 1, mh = top - bottom + 1;
  VrWA2000::WA* mask = nullptr;
  try {
    mask = new VrWA2000::WA(8, mw, mh, static_cast<const PALETTEENTRY*>(nullptr), true);
  } catch (...) {
    return nullptr;
  }
  for (int y = 0; y < mh; ++y) {
    const std::uint8_t* r = alike.data() + static_cast<std::size_t>(y + bottom) * w + left;
    std::uint8_t* m = mask->Row(y);
    for (int x = 0; x < mw; ++x) m[x] = r[x] == taken ? 255 : 0;
  }
  Fragment* f = CreateMaskUsingWA(mask, left, bottom);
  mask->Release();
  return f;
}

}  // namespace lumora::toolhost
