// The GDI half of the draw context: the core's buffer blitted through the
// clip region, logical palettes realised and handed back, guides carried
// across the margin, stale client areas reported to the redraw notifier.
#include <windows.h>

#include <vector>

#include "libs/draw/draw_context.h"

namespace lumora::draw {
namespace {

std::vector<RECT> RegionRects(HRGN region) {
  std::vector<RECT> rects;
  const DWORD size = GetRegionData(region, 0, nullptr);
  if (size == 0) return rects;
  std::vector<BYTE> data(size);
  auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
  if (GetRegionData(region, size, rgn) == 0) return rects;
  const RECT* r = reinterpret_cast<const RECT*>(rgn->Buffer);
  rects.assign(r, r + rgn->rdh.nCount);
  return rects;
}

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  std::vector<BYTE> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    lp->palPalEntry[i] = entries[i];
    lp->palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(lp);
}

bool IsPaletteDevice(HDC dc) { return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0; }

// Paints a top-down 32-bit buffer of `box` at its place (logical units).
void Blit(HDC dc, const RECT& box, const std::vector<std::uint32_t>& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = box.right - box.left;
  info.bmiHeader.biHeight = -(box.bottom - box.top);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, 0, 0, box.right - box.left,
                box.bottom - box.top, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

void DrawContext::ReleaseDeviceObjects() {
  if (windowPalette_) DeleteObject(static_cast<HPALETTE>(windowPalette_));
  windowPalette_ = nullptr;
}

void DrawContext::NotifyClientStale() {
  if (!notifier_ || !window_ || !IsWindow(window_)) return;
  RECT client;
  GetClientRect(window_, &client);
  HRGN damaged = CreateRectRgnIndirect(&client);
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  notifier_->Notify(damaged, none, TRUE);
  DeleteObject(none);
  DeleteObject(damaged);
}

int DrawContext::Draw(HDC dc, HRGN clip, HWND window, BOOL, BOOL, HPALETTE* paletteOut) {
  if (!dc) return 0;
  if (paletteOut) *paletteOut = nullptr;
  if (window) window_ = window;
  RECT client{};
  const bool hasClient = window && GetClientRect(window, &client);
  std::vector<RECT> rects;
  if (clip) {
    rects = RegionRects(clip);
  } else if (hasClient) {
    rects.push_back(client);
  } else {
    RECT box;
    if (GetClipBox(dc, &box) != ERROR) rects.push_back(box);
  }
  const bool paletteMode = paletteOut != nullptr || IsPaletteDevice(dc);
  std::vector<std::uint32_t>& pixels = drawPixels_;
  const RECT box = Compose(rects, hasClient ? &client : nullptr, paletteMode, &pixels);
  HPALETTE palette = nullptr, previous = nullptr;
  if (paletteMode) {
    palette = MakePalette(Palette().Entries());
    previous = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  if (box.right > box.left && box.bottom > box.top) {
    const int saved = SaveDC(dc);
    if (clip) ExtSelectClipRgn(dc, clip, RGN_AND);
    Blit(dc, box, pixels);
    RestoreDC(dc, saved);
  }
  if (palette) {
    SelectPalette(dc, previous, FALSE);
    if (paletteOut) {
      *paletteOut = palette;
    } else {
      DeleteObject(palette);
    }
  }
  return 1;
}

namespace {

UINT Realize(DrawContext* context, HWND window, BOOL background, void** kept) {
  if (!window) return 0;
  HDC dc = GetDC(window);
  if (!dc) return 0;
  UINT changed = 0;
  if (IsPaletteDevice(dc)) {
    if (!*kept) *kept = MakePalette(context->Palette().Entries());
    HPALETTE previous = SelectPalette(dc, static_cast<HPALETTE>(*kept), background);
    changed = RealizePalette(dc);
    SelectPalette(dc, previous, TRUE);
  }
  ReleaseDC(window, dc);
  return changed == GDI_ERROR ? 0 : changed;
}

}  // namespace

UINT DrawContext::RealizePaletteForeground(HWND window) {
  return Realize(this, window ? window : window_, FALSE, &windowPalette_);
}

UINT DrawContext::RealizePaletteBackground(HWND window) {
  return Realize(this, window ? window : window_, TRUE, &windowPalette_);
}

void DrawContext::DrawMargin(HDC dc, HWND window, const RECT* client, const RECT* image) {
  if (!dc || !client || !image) return;
  if (window) window_ = window;
  const std::vector<RECT> runs = GuideMarginRuns(settings_, *client, *image);
  if (runs.empty()) return;
  HBRUSH brush = CreateSolidBrush(settings_.guideStyle.color & 0xFFFFFF);
  for (const RECT& r : runs) FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawContext::Reactivate(HWND window) {
  if (window) window_ = window;
  cache_.Drop();
  RealizePaletteForeground(window_);
}

}  // namespace lumora::draw
