// The layout of a text layer: glyph boxes, lines, alignment, the reduced
// coverage picture and the rendering into the layer's image and mask. The
// device measures and draws; everything here is the layer's own arithmetic.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerText.h"
#include "platform/rect.h"

namespace lumora {

GlyphBox GlyphBoxFromExtent(const GlyphExtent& extent, int angle) {
  GlyphBox g;
  const int cx = extent.cx, cy = extent.cy;
  if (angle == 0) {
    g.box = RECT{0, 0, cx, cy};
    g.descent = POINT{0, extent.descent};
    return g;
  }
  const double radians = angle * 0.01745327777777778;
  const std::int64_t c = static_cast<std::int64_t>(std::cos(radians) * 65536);
  const std::int64_t s = static_cast<std::int64_t>(std::sin(radians) * 65536);
  g.descent = POINT{static_cast<LONG>((s * extent.descent) >> 16),
                    static_cast<LONG>((c * extent.descent) >> 16)};
  // The four corners turned about the bottom-left corner (0, cy), y down.
  const std::int64_t xs[4] = {0, (cy * s) >> 16, (cx * c + cy * s) >> 16, (cx * c) >> 16};
  const std::int64_t ys[4] = {cy, cy + ((-cy * c) >> 16), cy + ((cx * s - cy * c) >> 16),
                              cy + ((cx * s) >> 16)};
  const auto [minX, maxX] = std::minmax_element(xs, xs + 4);
  const auto [minY, maxY] = std::minmax_element(ys, ys + 4);
  g.box = RECT{0, 0, static_cast<LONG>(*maxX - *minX), static_cast<LONG>(*maxY - *minY)};
  g.dx = static_cast<int>(-*minX);
  g.dy = static_cast<int>(cy - *maxY);
  return g;
}

}  // namespace lumora

namespace {

using lumora::GlyphBox;

// One measured line: its glyphs and the union of the placed glyph boxes,
// widened by the descent of its last character.
struct Line {
  int first = 0;
  int end = 0;  // one past the last character, the carriage return excluded
  std::vector<GlyphBox> glyphs;
  RECT box = {};
  POINT descent = {};
};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Start of a line's pen for an alignment, over a span from `low` to `high`
// of which the line takes `extent`.
int AlignedStart(int alignment, int low, int high, int extent) {
  switch (alignment) {
    case 0: return std::abs(low);
    case 1: return std::abs((high - low - extent) / 2 + low);
    case 2: return std::abs(high - extent);
    default: return 0;
  }
}

}  // namespace

int CLayerText::LayoutText(int antiAlias, lumora::TextDevice& device,
                           lumora::DocumentLock* document) {
  const int f = antiAlias != 0 ? 3 : 1;
  const bool vertical = attributes_.vertical != 0;
  const int angle = attributes_.orientation;
  // Extra advance after a character: whole points x tracking / 250, at
  // layout size.
  const auto extra = [&](const CCharFormat& c) { return (c.size / 10) * c.tracking / 250 * f; };

  std::vector<Line> lines(static_cast<std::size_t>(LineCount()));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Line& line = lines[i];
    line.first = LineStart(static_cast<int>(i));
    line.end = line.first;
    while (line.end < GetCharCount() && !formats_[static_cast<std::size_t>(line.end)].IsReturn())
      ++line.end;
    int pen = 0;
    for (int k = line.first; k < line.end; ++k) {
      CCharFormat& c = formats_[static_cast<std::size_t>(k)];
      c.tracking = attributes_.tracking;
      const GlyphBox g = lumora::GlyphBoxFromExtent(device.MeasureGlyph(c, f, angle), angle);
      RECT placed = g.box;
      lumora::RectOffset(&placed, vertical ? 0 : pen, vertical ? pen : 0);
      lumora::RectUnion(&line.box, line.box, placed);
      pen += (vertical ? Height(g.box) : Width(g.box)) + extra(c);
      line.glyphs.push_back(g);
      line.descent = g.descent;
    }
    if (!lumora::RectIsEmpty(line.box)) {
      line.box.left -= std::abs(line.descent.x);
      line.box.bottom += std::abs(line.descent.y);
    }
  }
  // Horizontal lines stack downwards, vertical columns leftwards.
  RECT text = {};
  int along = 0;
  for (const Line& line : lines) {
    RECT placed = line.box;
    if (vertical) {
      lumora::RectOffset(&placed, along, 0);
      along -= Width(line.box) + f * attributes_.leading;
    } else {
      lumora::RectOffset(&placed, 0, along);
      along += Height(line.box) + f * attributes_.leading;
    }
    lumora::RectUnion(&text, text, placed);
  }
  const int W = Width(text), H = Height(text);
  const int w = W / f, h = H / f;

  // The picture and the coverage buffer; on failure the layer keeps its
  // pixels and its last layout.
  std::vector<std::uint8_t> coverage;
  const int stride = (w + 3) & ~3;
  if (w > 0 && h > 0) {
    // No layer may be larger than an image.
    if (w > lumora::kMaxImageSide || h > lumora::kMaxImageSide) return lumora::kLayerNullBuffer;
    if (!device.BeginPicture(W, H)) return lumora::kLayerNullBuffer;
    try {
      coverage.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 255);
    } catch (const std::bad_alloc&) {
      return lumora::kLayerNullBuffer;
    }
    int lineTop = 0;   // horizontal: sum of the heights and leading above
    int columnEdge = W;  // vertical: the right edge of the next column
    for (const Line& line : lines) {
      const int wi = Width(line.box), hi = Height(line.box);
      if (vertical) {
        columnEdge -= wi;
        int pen = AlignedStart(attributes_.alignment, text.top, text.bottom, hi);
        for (int k = line.first; k < line.end; ++k) {
          const CCharFormat& c = formats_[static_cast<std::size_t>(k)];
          const GlyphBox& g = line.glyphs[static_cast<std::size_t>(k - line.first)];
          const int x = columnEdge + (wi - Width(g.box)) / 2 + g.descent.x + g.dx;
          device.DrawGlyph(c, f, angle, x, pen + Height(g.box) + g.dy);
          pen += Height(g.box) + extra(c);
        }
        columnEdge -= f * attributes_.leading;
      } else {
        int pen = AlignedStart(attributes_.alignment, text.left, text.right, wi);
        const int baseline = hi - line.descent.y - text.top + lineTop;
        for (int k = line.first; k < line.end; ++k) {
          const CCharFormat& c = formats_[static_cast<std::size_t>(k)];
          const GlyphBox& g = line.glyphs[static_cast<std::size_t>(k - line.first)];
          device.DrawGlyph(c, f, angle, pen + g.descent.x + g.dx, baseline + g.dy);
          pen += Width(g.box) + extra(c);
        }
        lineTop += hi + f * attributes_.leading;
      }
    }
    lumora::ReduceCoverage(f, W, H, [&](int y) { return device.PictureRow(y); }, coverage.data(),
                           stride);
  }

  factor_ = f;
  unionBox_ = text;
  layoutWidth_ = W;
  layoutHeight_ = H;
  const int previousWidth = finalWidth_, previousHeight = finalHeight_;
  std::vector<std::uint8_t> previousCoverage = std::move(coverage_);
  finalWidth_ = w;
  finalHeight_ = h;
  coverage_ = std::move(coverage);
  const int code = RenderIntoLayer(static_cast<int>(GetImageType()), text.left < 0 ? -text.left / f : 0,
                                   text.top < 0 ? -text.top / f : 0, document);
  if (code == lumora::kLayerNullBuffer) {
    finalWidth_ = previousWidth;
    finalHeight_ = previousHeight;
    coverage_ = std::move(previousCoverage);
  }
  return code;
}

int CLayerText::RenderIntoLayer(int type, int x, int y, lumora::DocumentLock* document) {
  const int w = finalWidth_, h = finalHeight_;
  if (w <= 0 || h <= 0) return lumora::kLayerOk;
  if (coverage_.empty()) return 1;
  const auto fits = [&](const VrWA2000::WA* b, int t) {
    return b != nullptr && b->GetType() == t && b->GetW() == w && b->GetH() == h;
  };
  // The layer's own buffers are reused when they fit.
  WAPtr image = fits(PeekImage(), type) ? GetImage() : WAPtr();
  if (!image) image = WAPtr::Adopt(NewWA(type, w, h, nullptr));
  WAPtr mask = fits(PeekMask(), kWAType8Grey) ? GetMask() : WAPtr();
  if (!mask) mask = WAPtr::Adopt(NewWA(kWAType8Grey, w, h, nullptr));
  if (!image || !mask) return lumora::kLayerNullBuffer;

  const COLORREF colour = attributes_.color;
  const std::uint8_t red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  const auto grey = static_cast<std::uint8_t>((30 * red + 59 * green + 11 * blue) / 100);
  const int stride = (w + 3) & ~3;
  lumora::DocumentLockScope lock(document);
  for (int row = 0; row < h; ++row) {
    std::uint8_t* pixels = image->Row(row);
    if (type == kWAType24) {
      for (int i = 0; i < w; ++i) {
        pixels[3 * i] = blue;
        pixels[3 * i + 1] = green;
        pixels[3 * i + 2] = red;
      }
    } else {
      std::fill_n(pixels, w, grey);
    }
    // Coverage rows count from the picture's top, buffer rows from its bottom.
    const std::uint8_t* ink = coverage_.data() + static_cast<std::ptrdiff_t>(h - 1 - row) * stride;
    std::uint8_t* opacity = mask->Row(row);
    for (int i = 0; i < w; ++i) opacity[i] = static_cast<std::uint8_t>(255 - ink[i]);
  }
  // The lower edge on screen (the rect's top, rows counting upward) is the
  // anchor: the text grows upward from the place it was put.
  RECT rect = GetRect();
  rect.top -= y - offsetY_;
  rect.bottom = rect.top + h;
  rect.left += offsetX_ - x;
  rect.right = rect.left + w;
  offsetX_ = x;
  offsetY_ = y;
  SetRect(rect);
  SetImage(image.get());
  SetVisible(1);
  SetMask(mask.get());
  SetMaskFlags(static_cast<std::uint8_t>(GetMaskFlags() | lumora::kMaskAttached));
  SetMaskRect(rect);
  SetResolution(textResolution_);
  SetMergeMode(GetMergeMode());
  return lumora::kLayerOk;
}
