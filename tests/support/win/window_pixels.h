// A window's client pixels as it draws them (PrintWindow), and a composite
// buffer's pixels, for comparing what a view shows with the image.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "hostapi/imagebuf.h"

namespace lumora::testing {

// Top-down 32-bit pixels of a window's client area.
struct Capture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

inline Capture CaptureDc(int width, int height, const std::function<void(HDC)>& draw) {
  Capture c;
  c.width = width;
  c.height = height;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  draw(dc);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  c.pixels.assign(p, p + static_cast<std::size_t>(width) * height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return c;
}

inline Capture CaptureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return CaptureDc(client.right, client.bottom, [&](HDC dc) { PrintWindow(window, dc, PW_CLIENTONLY); });
}

// What the screen shows of a window's client area (copied from the
// window's DC), for a window nothing covers.
inline Capture CaptureShownClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return CaptureDc(client.right, client.bottom, [&](HDC dc) {
    HDC shown = GetDC(window);
    BitBlt(dc, 0, 0, client.right, client.bottom, shown, 0, 0, SRCCOPY);
    ReleaseDC(window, shown);
  });
}

// A 24-bit composite's pixel at image column x, buffer row (from the bottom).
inline std::uint32_t CompositePixel(const VrWA2000::WA& image, int x, int row) {
  const std::uint8_t* p = image.Row(row) + x * 3;
  return (p[2] << 16) | (p[1] << 8) | p[0];
}

}  // namespace lumora::testing
