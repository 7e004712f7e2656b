// Thumbnail bitmaps: the portable work buffer set into the bitmap at (1, 1)
// and framed.
#include "engine/layers/win/LayerThumbnailWin.h"

#include "engine/layers/LayerThumbnail.h"
#include "engine/pixels/Dib.h"

namespace {

// The buffer's pixels at (1, 1) of the bitmap selected into `dc`; false
// when no DIB could be made or GDI refused.
bool SetBuffer(HDC dc, const VrWA2000::WA& buffer) {
  const std::vector<std::uint8_t> dib = ImageToDIBBytes(&buffer, RECT{0, 0, buffer.GetW(), buffer.GetH()});
  if (dib.empty()) return false;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  const std::size_t headerBytes = info->bmiHeader.biSize + sizeof(RGBQUAD) * info->bmiHeader.biClrUsed;
  return SetDIBitsToDevice(dc, 1, 1, static_cast<DWORD>(buffer.GetW()), static_cast<DWORD>(buffer.GetH()), 0, 0,
                           0, static_cast<UINT>(buffer.GetH()), dib.data() + headerBytes, info,
                           DIB_RGB_COLORS) == buffer.GetH();
}

lumora::OwnedBitmap MakeThumbnail(CLayersManager& stack, const RECT& box, CLayer* layer, bool mask) {
  if (layer == nullptr || stack.GetLayerIndex(layer) < 0) return {};
  const SIZE size = lumora::ThumbnailSize(SIZE{box.right - box.left, box.bottom - box.top}, stack.GetWidth(),
                                          stack.GetHeight());
  if (size.cx <= 0 || size.cy <= 0) return {};
  HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);
  if (screen == nullptr) return {};
  lumora::OwnedBitmap bitmap(CreateCompatibleBitmap(screen, size.cx, size.cy));
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(desktop, screen);
  if (!bitmap || dc == nullptr) {
    if (dc != nullptr) DeleteDC(dc);
    return {};
  }
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap.get());
  const WAPtr buffer = lumora::DrawThumbnailBuffer(stack, *layer, size, mask);
  if (!buffer || !SetBuffer(dc, *buffer)) PatBlt(dc, 0, 0, size.cx, size.cy, BLACKNESS);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, 0, 0, size.cx, size.cy);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  return bitmap;
}

}  // namespace

lumora::OwnedBitmap CreateThumbnail(CLayersManager& stack, const RECT& box, CLayer* layer) {
  return MakeThumbnail(stack, box, layer, false);
}

lumora::OwnedBitmap CreateMaskThumbnail(CLayersManager& stack, const RECT& box, CLayer* layer) {
  return MakeThumbnail(stack, box, layer, true);
}
