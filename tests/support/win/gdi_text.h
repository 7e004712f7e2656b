// GDI's own drawing of a string as a text layer lays it out: a point font
// of the face and size on the screen's context, each character one advance
// after the last, black on white on a top-down 8-bit grey picture; and the
// mask a layout of that size makes of it (anti-aliased layouts draw at three
// times the size and take a weighted mean of each 3 x 3 block).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lumora::testing {

inline std::vector<std::uint8_t> GdiTextDrawing(const char* face, int points, const std::string& s, int width,
                                                int height, int factor = 1) {
  HDC screen = GetDC(nullptr);
  const int pixels = MulDiv(points * 10 * factor, GetDeviceCaps(screen, LOGPIXELSY), 720);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ savedFont = SelectObject(dc, font);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  for (int i = 0; i < 256; ++i) {
    info.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ savedBitmap = SelectObject(dc, dib);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE);
  std::vector<INT> advances;
  for (char c : s) {
    INT w = 0;
    GetCharWidth32A(dc, static_cast<BYTE>(c), static_cast<BYTE>(c), &w);
    advances.push_back(w);
  }
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  ExtTextOutA(dc, 0, metrics.tmHeight, 0, nullptr, s.c_str(), static_cast<UINT>(s.size()), advances.data());
  GdiFlush();
  const int stride = (width + 3) & ~3;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(out.data() + static_cast<std::size_t>(y) * width, static_cast<const std::uint8_t*>(bits) + y * stride,
                static_cast<std::size_t>(width));
  }
  SelectObject(dc, savedBitmap);
  SelectObject(dc, savedFont);
  DeleteObject(dib);
  DeleteObject(font);
  DeleteDC(dc);
  return out;
}

// The mask (255 ink) of a layout of the given size at the factor (1, or 3
// for anti-aliasing: the 3 x 3 weighted mean, 16 centre, 4 edges, 1
// corners, rounded), rows from the top.
inline std::vector<std::uint8_t> GdiTextMask(const char* face, int points, const std::string& s, int layoutWidth,
                                             int layoutHeight, int factor) {
  const std::vector<std::uint8_t> drawn = GdiTextDrawing(face, points, s, layoutWidth, layoutHeight, factor);
  const int w = layoutWidth / factor, h = layoutHeight / factor;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int v = 0;
      if (factor == 1) {
        v = drawn[static_cast<std::size_t>(y) * layoutWidth + x];
      } else {
        auto at = [&](int dx, int dy) {
          return drawn[static_cast<std::size_t>(3 * y + 1 + dy) * layoutWidth + 3 * x + 1 + dx];
        };
        v = (16 * at(0, 0) + 4 * (at(-1, 0) + at(1, 0) + at(0, -1) + at(0, 1)) + at(-1, -1) + at(1, -1) +
             at(-1, 1) + at(1, 1) + 18) / 36;
      }
      out[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(255 - v);
    }
  }
  return out;
}

}  // namespace lumora::testing
