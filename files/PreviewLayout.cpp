// The export preview pane's layout, sampling and marking.
#include "files/PreviewLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumora {

namespace {

using VrWA2000::WA;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT Centred(int clientW, int clientH, int width, int height) {
  const int left = (clientW - width) >> 1;
  const int top = (clientH - height) >> 1;
  return RECT{left, top, left + width, top + height};
}

// Scaled sizes in 64 bits: client sizes times image sizes may pass 2^31.
int MulDiv64(int a, int b, int c) {
  return c == 0 ? 0 : static_cast<int>(static_cast<std::int64_t>(a) * b / c);
}

}  // namespace

PreviewExtent ComputePreviewExtent(int cw, int ch, int W, int H, double s, bool fit) {
  PreviewExtent e;
  if (W <= 0 || H <= 0 || cw <= 0 || ch <= 0) return e;
  const int cx = static_cast<int>(std::floor(cw * s + 0.5));
  const int cy = static_cast<int>(std::floor(ch * s + 0.5));
  const int mw = std::min(W, cw);
  const int mh = std::min(H, ch);
  if (fit) {
    e.cx = W;
    e.cy = H;
    if (W <= H) {
      e.destination = Centred(cw, ch, MulDiv64(W, mh, H), mh);
    } else {
      e.destination = Centred(cw, ch, mw, MulDiv64(H, mw, W));
    }
  } else if (cx <= 0 || cy <= 0) {
    // A pane too small for one image pixel shows nothing.
  } else if (cx >= W && cy >= H) {
    e.cx = W;
    e.cy = H;
    if (cx <= cy) {
      const int height = MulDiv64(ch, H, cy);
      e.destination = Centred(cw, ch, MulDiv64(W, height, H), height);
    } else {
      const int width = MulDiv64(cw, W, cx);
      e.destination = Centred(cw, ch, width, MulDiv64(H, width, W));
    }
  } else if (cx > W) {
    e.cx = W;
    e.cy = cy;
    const int width = MulDiv64(W, mh, cy);
    const int left = (cw - width) >> 1;
    e.destination = RECT{left, 0, left + width, mh};
  } else if (cy > H) {
    e.cx = cx;
    e.cy = H;
    const int height = MulDiv64(H, mw, cx);
    const int top = (ch - height) >> 1;
    e.destination = RECT{0, top, mw, top + height};
  } else {
    e.cx = cx;
    e.cy = cy;
    e.destination = RECT{0, 0, cw, ch};
  }
  return e;
}

std::vector<int> BuildColumnMap(int d, int v) {
  std::vector<int> map(static_cast<std::size_t>(std::max(d, 0)));
  for (int i = 0; i < d; ++i) {
    // Nearest source column, half-pixel rounded; at more than twice the
    // size the rounding reaches one column past the visible edge, which
    // would be read outside the row at the image's right edge.
    const int column = d == v ? i : static_cast<int>((d / 2 + static_cast<std::int64_t>(i) * v) / d);
    map[static_cast<std::size_t>(i)] = std::min(column, std::max(v - 1, 0));
  }
  return map;
}

void CopyPreviewRow(int format, std::uint8_t* dst, const std::uint8_t* src, int left, int count, const int* map) {
  switch (format) {
    case kWAType24:
      for (int i = 0; i < count; ++i) std::memcpy(dst + 3 * i, src + 3 * (left + map[i]), 3);
      break;
    case kWAType8Palette:
    case kWAType8Grey:
      for (int i = 0; i < count; ++i) dst[i] = src[left + map[i]];
      break;
    case kWAType4Bit: {
      const std::uint8_t* from = src + left / 2;
      const int odd = left % 2;
      for (int i = 0; i < count; ++i) {
        const int index = map[i] + odd;
        const std::uint8_t nibble = (index & 1) ? (from[index >> 1] & 0x0F) : (from[index >> 1] >> 4);
        std::uint8_t& out = dst[i >> 1];
        out = (i & 1) ? static_cast<std::uint8_t>((out & 0xF0) | nibble) : static_cast<std::uint8_t>(nibble << 4);
      }
      break;
    }
    case kWAType1Bit: {
      const std::uint8_t* from = src + left / 8;
      const int shift = left % 8;
      for (int i = 0; i < count; ++i) {
        const int bit = map[i] + shift;
        const bool set = (from[bit >> 3] & (0x80 >> (bit & 7))) != 0;
        std::uint8_t& out = dst[i >> 3];
        if ((i & 7) == 0) out = 0;
        if (set) out = static_cast<std::uint8_t>(out | (0x80 >> (i & 7)));
      }
      break;
    }
    default:
      break;
  }
}

void PreviewLayout::SetClient(int width, int height) {
  clientW_ = std::max(width, 0);
  clientH_ = std::max(height, 0);
}

void PreviewLayout::SetImage(int width, int height, bool reset) {
  const bool first = !HasImage();
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (first || reset) {
    scale_ = 1.0;
    const PreviewExtent e = ComputePreviewExtent(clientW_, clientH_, width_, height_, 1.0, fit_);
    const int left = (width_ - e.cx) >> 1;
    const int top = (height_ - e.cy) >> 1;
    visible_ = RECT{left, top, left + e.cx, top + e.cy};
  }
}

void PreviewLayout::Clear() {
  width_ = height_ = 0;
  visible_ = destination_ = RECT{};
  columnMap_.clear();
}

void PreviewLayout::SetFitMode(bool fit) { fit_ = fit; }

bool PreviewLayout::Recompute() {
  const RECT before = destination_;
  const RECT visibleBefore = visible_;
  const PreviewExtent e = ComputePreviewExtent(clientW_, clientH_, width_, height_, scale_, fit_);
  destination_ = e.destination;
  if (Width(visible_) != e.cx || Height(visible_) != e.cy) {
    visible_.left += (Width(visible_) - e.cx) / 2;
    visible_.top += (Height(visible_) - e.cy) / 2;
    visible_.right = visible_.left + e.cx;
    visible_.bottom = visible_.top + e.cy;
  }
  KeepInside();
  columnMap_ = BuildColumnMap(Width(destination_), Width(visible_));
  return Width(before) != Width(destination_) || Height(before) != Height(destination_) ||
         Width(visibleBefore) != Width(visible_) || Height(visibleBefore) != Height(visible_);
}

void PreviewLayout::KeepInside() {
  auto keep = [](LONG& low, LONG& high, int limit) {
    const int size = high - low;
    if (size <= limit) {
      if (low < 0) {
        high -= low;
        low = 0;
      } else if (high > limit) {
        low -= high - limit;
        high = limit;
      }
    } else {
      low = 0;
      high = limit;
    }
  };
  keep(visible_.left, visible_.right, width_);
  keep(visible_.top, visible_.bottom, height_);
}

void PreviewLayout::ZoomIn() {
  if (!HasImage() || 2.0 / scale_ > 32.0) return;
  scale_ /= 2.0;
  Recompute();
}

void PreviewLayout::ZoomOut() {
  if (!HasImage()) return;
  if (fit_ && Width(visible_) >= width_ && Height(visible_) >= height_) return;
  const PreviewExtent e = ComputePreviewExtent(clientW_, clientH_, width_, height_, scale_ * 2.0, fit_);
  if (Width(e.destination) > 5 && Height(e.destination) > 5) scale_ *= 2.0;
  Recompute();
}

void PreviewLayout::ActualSize() {
  if (!HasImage()) return;
  scale_ = 1.0;
  Recompute();
}

void PreviewLayout::CenterInFrame() {
  const int w = Width(visible_), h = Height(visible_);
  if (!HasImage() || (w == width_ && h == height_)) return;
  visible_.left = (width_ - w) / 2;
  visible_.top = (height_ - h) / 2;
  visible_.right = visible_.left + w;
  visible_.bottom = visible_.top + h;
}

void PreviewLayout::Pan(int dx, int dy) {
  if (!HasImage()) return;
  visible_.left += dx;
  visible_.right += dx;
  visible_.top += dy;
  visible_.bottom += dy;
  KeepInside();
}

POINT PreviewLayout::ImagePointAt(int px, int py) const {
  // Pane rows go down, image rows up: the row under the pointer is counted
  // from the visible top and turned into a buffer row here.
  const int fromLeft = static_cast<int>((px - destination_.left) * scale_);
  const int fromTop = static_cast<int>((py - destination_.top) * scale_);
  return POINT{fromLeft + visible_.left, height_ - fromTop - visible_.top - 1};
}

int PreviewLayout::SourceRowOfDisplayRow(int r) const {
  const int displayH = Height(destination_);
  if (displayH <= 0) return 0;
  return static_cast<int>(static_cast<std::int64_t>(r) * Height(visible_) / displayH) + (height_ - visible_.bottom);
}

void RenderPreview(const WA& source, WA* display, const PreviewLayout& layout) {
  if (display == nullptr || display->GetType() != source.GetType()) return;
  const int count = std::min<int>(display->GetW(), static_cast<int>(layout.ColumnMap().size()));
  const int left = layout.Visible().left;
  for (int r = 0; r < display->GetH(); ++r) {
    const int row = layout.SourceRowOfDisplayRow(r);
    if (row < 0 || row >= source.GetH()) continue;
    CopyPreviewRow(source.GetType(), display->Row(r), source.Row(row), left, count, layout.ColumnMap().data());
  }
}

std::vector<std::uint32_t> PreviewScreenPixels(const WA& display, const PreviewLayout& layout,
                                               const PreviewHighlight& highlight) {
  const int w = display.GetW(), h = display.GetH();
  std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const int type = display.GetType();
  const PALETTEENTRY* palette = display.Palette();
  const bool marking = highlight.on || highlight.fragment != nullptr;
  const RECT& dest = layout.Destination();
  for (int t = 0; t < h; ++t) {
    const std::uint8_t* row = display.Row(h - 1 - t);
    std::uint32_t* line = out.data() + static_cast<std::size_t>(t) * static_cast<std::size_t>(w);
    for (int x = 0; x < w; ++x) {
      int index = 0;
      std::uint32_t bgr = 0;
      switch (type) {
        case kWAType24:
          bgr = row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<std::uint32_t>(row[3 * x + 2]) << 16);
          break;
        case kWAType8Grey:
          index = row[x];
          bgr = static_cast<std::uint32_t>(index) * 0x010101u;
          break;
        case kWAType8Palette:
          index = row[x];
          break;
        case kWAType4Bit:
          index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
          break;
        case kWAType1Bit:
          index = (row[x >> 3] >> (7 - (x & 7))) & 1;
          break;
        default:
          break;
      }
      if (type == kWAType8Palette || type == kWAType4Bit || type == kWAType1Bit) {
        const PALETTEENTRY& e = palette[index];
        bgr = e.peBlue | (e.peGreen << 8) | (static_cast<std::uint32_t>(e.peRed) << 16);
      }
      bool marked = false;
      if (marking) {
        if (highlight.on) {
          if (type == kWAType24) {
            const COLORREF c = highlight.colour;
            marked = bgr == (GetBValue(c) | (GetGValue(c) << 8) | (static_cast<std::uint32_t>(GetRValue(c)) << 16));
          } else {
            marked = index == highlight.index;
          }
        }
        if (!marked && highlight.fragment != nullptr) {
          const POINT p = layout.ImagePointAt(dest.left + x, dest.top + t);
          marked = (PointInFragment(highlight.fragment, &p) & 1) != 0;
        }
      }
      line[x] = marked ? (((x + t) & 1) == 0 ? 0xFFFFFFu : 0u) : bgr;
    }
  }
  return out;
}

}  // namespace lumora
