// The text device of a text layer's layout on GDI: point fonts made on a
// memory context compatible with a window's client context, glyph extents
// from GetTextExtentPoint32, and glyphs drawn with TextOut on an 8-bit grey
// DIB section.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <tuple>

#include "engine/layers/LayerText.h"
#include "engine/layers/TextLayout.h"

namespace lumora {

class GdiTextDevice final : public TextDevice {
 public:
  // Contexts compatible with the client context of `window` (null: the
  // screen); the memory context aligns text on its baseline.
  explicit GdiTextDevice(HWND window);
  ~GdiTextDevice() override;
  GdiTextDevice(const GdiTextDevice&) = delete;
  GdiTextDevice& operator=(const GdiTextDevice&) = delete;

  // False when the contexts could not be made.
  bool IsReady() const { return memory_ != nullptr; }

  GlyphExtent MeasureGlyph(const CCharFormat& format, int factor, int angle) override;
  // The DIB section is made again whenever the width or the height changes.
  bool BeginPicture(int width, int height) override;
  void DrawGlyph(const CCharFormat& format, int factor, int angle, int x, int y) override;
  const std::uint8_t* PictureRow(int y) override;

  // The fonts made so far: one per distinct format, factor and angle.
  std::size_t FontCount() const { return fonts_.size(); }

 private:
  using FontKey = std::tuple<int, std::string, bool, bool, bool, bool, int, int>;
  HFONT FontFor(const CCharFormat& format, int factor, int angle);
  void DropPicture();

  HWND window_;
  HDC client_ = nullptr;
  HDC memory_ = nullptr;
  UINT savedAlign_ = 0;
  HBITMAP picture_ = nullptr;
  HGDIOBJ savedBitmap_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::map<FontKey, HFONT> fonts_;
};

// Lays the layer out with GDI on `window`'s context (null: the screen),
// under `document`'s lock: LayoutText's result, or 16 without a context.
int LayoutTextWithGdi(CLayerText& layer, int antiAlias, DocumentLock* document, HWND window);

}  // namespace lumora
