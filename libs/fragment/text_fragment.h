// The text fragment: a string in a logical font whose bounding rectangle
// starts at its origin. The glyphs are rasterised once, on first use.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "libs/fragment/fragment_object.h"

namespace lumora::frg {

// Coverage of a rasterised text: rows bottom-up (row 0 is the lowest row of
// the glyphs), `width` bytes each.
struct TextBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rows;
};

// Rasterises the text in the font with the platform's fonts. False when the
// platform has none (the portable build) or the font cannot be made.
bool RasterizeText(const LOGFONTA& font, const std::string& text, TextBitmap* out);

class TextFrg final : public Fragment {
 public:
  TextFrg(std::int32_t x, std::int32_t y, const LOGFONTA& font, std::string text);
  int Type() const override { return kFrgText; }
  Fragment* Clone() const override { return new TextFrg(*this); }
  Box ShapeBounds() const override;
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

  const LOGFONTA& Font() const { return font_; }
  const std::string& Text() const { return text_; }

 private:
  TextFrg(const TextFrg& other);
  const TextBitmap& Bitmap() const;

  std::int32_t x_;
  std::int32_t y_;
  LOGFONTA font_;
  std::string text_;
  mutable std::once_flag rasterised_;
  mutable TextBitmap bitmap_;
};

}  // namespace lumora::frg
