// Text fragments: placement, bounds and coverage of the rasterised glyphs.
#include "libs/fragment/text_fragment.h"

#include <utility>

#include "libs/fragment/mask_fragment.h"
#include "libs/fragment/shape_fragments.h"

namespace lumora::frg {

TextFrg::TextFrg(std::int32_t x, std::int32_t y, const LOGFONTA& font, std::string text)
    : x_(x), y_(y), font_(font), text_(std::move(text)) {}

TextFrg::TextFrg(const TextFrg& other)
    : Fragment(&other), x_(other.x_), y_(other.y_), font_(other.font_), text_(other.text_) {}

const TextBitmap& TextFrg::Bitmap() const {
  std::call_once(rasterised_, [this] {
    if (!RasterizeText(font_, text_, &bitmap_)) bitmap_ = TextBitmap{};
  });
  return bitmap_;
}

Box TextFrg::ShapeBounds() const {
  const TextBitmap& b = Bitmap();
  return Box{x_, y_, std::int64_t{x_} + b.width, std::int64_t{y_} + b.height};
}

bool TextFrg::Offset(std::int64_t dx, std::int64_t dy) {
  const Box b = ShapeBounds();
  if (!FitsInt32(b.x0 + dx) || !FitsInt32(b.y0 + dy) || !FitsInt32(b.x1 + dx) ||
      !FitsInt32(b.y1 + dy)) {
    return false;
  }
  x_ = static_cast<std::int32_t>(x_ + dx);
  y_ = static_cast<std::int32_t>(y_ + dy);
  return true;
}

bool TextFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  const TextBitmap& b = Bitmap();
  const std::int64_t i = std::int64_t{x} - x_, j = std::int64_t{y} - y_;
  if (i < 0 || j < 0 || i >= b.width || j >= b.height) return false;
  return b.rows[static_cast<std::size_t>(j * b.width + i)] >= 128;
}

bool TextFrg::RenderShape(const Window& w) const {
  const TextBitmap& b = Bitmap();
  if (b.width == 0 || b.height == 0) {
    w.Fill(0);
    return true;
  }
  const Window glyphs{LURECT{x_, y_, b.width, b.height}, const_cast<std::uint8_t*>(b.rows.data()),
                      b.width};
  CopyWindow(glyphs, w, 0);
  return true;
}

}  // namespace lumora::frg
