#include "ui/win/LayerMenuPictures.h"

#include "ui/LayerMenuPictograms.h"

namespace lumora {

LayerMenuPictures::~LayerMenuPictures() {
  for (auto& pair : bitmaps_)
    for (HBITMAP& bitmap : pair)
      if (bitmap != nullptr) DeleteObject(bitmap);
}

void LayerMenuPictures::Attach(HMENU menu, std::uint32_t firstId) {
  const int base = firstId == 32854u ? 6 : 0;
  const int w = GetSystemMetrics(SM_CXMENUCHECK), h = GetSystemMetrics(SM_CYMENUCHECK);
  // The pictures are 32-bit DIB sections drawn through a plain memory DC:
  // GDI then draws in this process. Bitmaps compatible with the display
  // cost the display server a round trip per call, several milliseconds at
  // every opening of the Layer menu.
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = w;
  format.bmiHeader.biHeight = -h;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  HBRUSH grey = CreateSolidBrush(RGB(200, 200, 200));
  for (int i = 0; i < 6; ++i) {
    const int index = base + i;
    const Pictogram p = LayerMenuPictogram(index, w, h);
    for (int checked = 0; checked < 2; ++checked) {
      if (bitmaps_[index][checked] != nullptr) DeleteObject(bitmaps_[index][checked]);
      void* bits = nullptr;
      HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
      bitmaps_[index][checked] = bitmap;
      if (bitmap == nullptr) continue;  // the item keeps the system's check mark
      HGDIOBJ old = SelectObject(memory, bitmap);
      const RECT all{0, 0, w, h};
      FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      HGDIOBJ oldPen = SelectObject(memory, GetStockObject(BLACK_PEN));
      HGDIOBJ oldBrush = SelectObject(memory, checked != 0 ? GetStockObject(WHITE_BRUSH) : grey);
      for (const RECT& box : p.boxes) Rectangle(memory, box.left, box.top, box.right, box.bottom);
      for (const auto& [a, b] : p.lines) {
        MoveToEx(memory, a.x, a.y, nullptr);
        LineTo(memory, b.x + (a.y == b.y ? 1 : 0), b.y + (a.x == b.x ? 1 : 0));
      }
      SelectObject(memory, oldBrush);
      SelectObject(memory, oldPen);
      SelectObject(memory, old);
    }
    SetMenuItemBitmaps(menu, firstId + static_cast<std::uint32_t>(i), MF_BYCOMMAND, bitmaps_[index][0],
                       bitmaps_[index][1]);
  }
  DeleteObject(grey);
  DeleteDC(memory);
}

}  // namespace lumora
