// Text rasterising with GDI: the text is drawn white on black into a 32-bit
// DIB section as tall as the font and as wide as the text's extent, and the
// brightest channel of each pixel becomes its coverage.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "libs/fragment/text_fragment.h"

namespace lumora::frg {

namespace {

// Releases the GDI objects of one rasterising on every path.
class GdiTextCanvas {
 public:
  GdiTextCanvas() : dc_(CreateCompatibleDC(nullptr)) {}
  ~GdiTextCanvas() {
    if (dc_ == nullptr) return;
    if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
    if (oldBitmap_ != nullptr) SelectObject(dc_, oldBitmap_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (font_ != nullptr) DeleteObject(font_);
    DeleteDC(dc_);
  }
  GdiTextCanvas(const GdiTextCanvas&) = delete;
  GdiTextCanvas& operator=(const GdiTextCanvas&) = delete;

  bool SelectFont(const LOGFONTA& font) {
    if (dc_ == nullptr) return false;
    LOGFONTA lf = font;
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';  // a stored face name need not be terminated
    font_ = CreateFontIndirectA(&lf);
    if (font_ == nullptr) return false;
    oldFont_ = SelectObject(dc_, font_);
    return true;
  }

  bool Measure(const std::string& text, int* width, int* height) {
    SIZE extent{};
    TEXTMETRICA metrics{};
    if (!GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &extent) ||
        !GetTextMetricsA(dc_, &metrics)) {
      return false;
    }
    *width = extent.cx + std::max<LONG>(metrics.tmOverhang, 0);
    *height = metrics.tmHeight;
    return true;
  }

  // Draws the text at the top-left of a black canvas; pixels are 32-bit
  // BGRX, top row first.
  const std::uint8_t* Draw(const std::string& text, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr || bits == nullptr) return nullptr;
    oldBitmap_ = SelectObject(dc_, bitmap_);
    std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    if (!TextOutA(dc_, 0, 0, text.data(), static_cast<int>(text.size()))) return nullptr;
    GdiFlush();
    return static_cast<const std::uint8_t*>(bits);
  }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
};

}  // namespace

bool RasterizeText(const LOGFONTA& font, const std::string& text, TextBitmap* out) {
  *out = TextBitmap{};
  if (text.empty()) return true;
  GdiTextCanvas canvas;
  int width = 0, height = 0;
  if (!canvas.SelectFont(font) || !canvas.Measure(text, &width, &height)) return false;
  if (width <= 0 || height <= 0) return true;
  const std::uint8_t* pixels = canvas.Draw(text, width, height);
  if (pixels == nullptr) return false;
  out->width = width;
  out->height = height;
  out->rows.resize(static_cast<std::size_t>(width) * height);
  // GDI's top row is the fragment's highest row.
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* src = pixels + static_cast<std::size_t>(r) * width * 4;
    std::uint8_t* dst = out->rows.data() + static_cast<std::size_t>(height - 1 - r) * width;
    for (int i = 0; i < width; ++i) {
      dst[i] = std::max({src[4 * i], src[4 * i + 1], src[4 * i + 2]});
    }
  }
  return true;
}

}  // namespace lumora::frg
