#include "engine/layers/win/GdiTextDevice.h"

#include <cstring>

namespace lumora {

GdiTextDevice::GdiTextDevice(HWND window) : window_(window) {
  client_ = GetDC(window_);
  if (client_ == nullptr) return;
  memory_ = CreateCompatibleDC(client_);
  if (memory_ != nullptr) savedAlign_ = SetTextAlign(memory_, TA_BASELINE);
}

GdiTextDevice::~GdiTextDevice() {
  DropPicture();
  if (memory_ != nullptr) {
    SetTextAlign(memory_, savedAlign_);
    DeleteDC(memory_);
  }
  for (const auto& entry : fonts_) DeleteObject(entry.second);
  if (client_ != nullptr) ReleaseDC(window_, client_);
}

// A point font of size x factor tenths of a point on the memory context,
// with the format's weight and effects, turned by the angle.
HFONT GdiTextDevice::FontFor(const CCharFormat& format, int factor, int angle) {
  const FontKey key{format.size, format.face, format.bold != 0, format.italic != 0,
                    format.underline != 0, format.strikeout != 0, factor, angle};
  const auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  LOGFONTA lf{};
  const int tenths = format.size * factor;
  lf.lfHeight = -(GetDeviceCaps(memory_, LOGPIXELSY) * tenths / 720);
  lf.lfWeight = format.bold != 0 ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = format.italic != 0 ? 1 : 0;
  lf.lfUnderline = format.underline != 0 ? 1 : 0;
  lf.lfStrikeOut = format.strikeout != 0 ? 1 : 0;
  lf.lfEscapement = -10 * angle;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, format.face.c_str(), LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectA(&lf);
  if (font != nullptr) fonts_.emplace(key, font);
  return font;
}

GlyphExtent GdiTextDevice::MeasureGlyph(const CCharFormat& format, int factor, int angle) {
  GlyphExtent extent;
  HFONT font = memory_ != nullptr ? FontFor(format, factor, angle) : nullptr;
  if (font == nullptr) return extent;
  HGDIOBJ saved = SelectObject(memory_, font);
  TEXTMETRICA metrics{};
  SIZE size{};
  const char ch = static_cast<char>(format.character);
  if (GetTextMetricsA(memory_, &metrics) && GetTextExtentPoint32A(memory_, &ch, 1, &size)) {
    extent = GlyphExtent{size.cx, size.cy, metrics.tmDescent};
  }
  SelectObject(memory_, saved);
  return extent;
}

void GdiTextDevice::DropPicture() {
  if (picture_ == nullptr) return;
  SelectObject(memory_, savedBitmap_);
  DeleteObject(picture_);
  picture_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool GdiTextDevice::BeginPicture(int width, int height) {
  if (memory_ == nullptr || width <= 0 || height <= 0) return false;
  if (picture_ == nullptr || width != width_ || height != height_) {
    DropPicture();
    // An 8-bit bottom-up DIB whose palette entry i is the grey i.
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    for (int i = 0; i < 256; ++i) {
      const auto grey = static_cast<BYTE>(i);
      info.colours[i] = RGBQUAD{grey, grey, grey, 0};
    }
    void* bits = nullptr;
    picture_ = CreateDIBSection(memory_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                &bits, nullptr, 0);
    if (picture_ == nullptr || bits == nullptr) {
      if (picture_ != nullptr) DeleteObject(picture_);
      picture_ = nullptr;
      return false;
    }
    savedBitmap_ = SelectObject(memory_, picture_);
    bits_ = static_cast<std::uint8_t*>(bits);
    width_ = width;
    height_ = height;
    stride_ = (width + 3) & ~3;
  }
  GdiFlush();
  std::memset(bits_, 255, static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_));
  return true;
}

void GdiTextDevice::DrawGlyph(const CCharFormat& format, int factor, int angle, int x, int y) {
  if (format.IsReturn() || picture_ == nullptr) return;
  HFONT font = FontFor(format, factor, angle);
  if (font == nullptr) return;
  HGDIOBJ saved = SelectObject(memory_, font);
  const int mode = SetBkMode(memory_, TRANSPARENT);
  const char ch = static_cast<char>(format.character);
  TextOutA(memory_, x, y, &ch, 1);
  SetBkMode(memory_, mode);
  SelectObject(memory_, saved);
}

const std::uint8_t* GdiTextDevice::PictureRow(int y) {
  GdiFlush();
  return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * stride_;
}

int LayoutTextWithGdi(CLayerText& layer, int antiAlias, DocumentLock* document, HWND window) {
  GdiTextDevice device(window);
  if (!device.IsReady()) return kLayerNullBuffer;
  return layer.LayoutText(antiAlias, device, document);
}

}  // namespace lumora
