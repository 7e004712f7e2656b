// The transparency pattern from the program's resources.
#include "engine/layers/win/PatternDib.h"

#include "engine/pixels/Dib.h"
#include "engine/pixels/win/DibGlobal.h"

std::vector<std::uint8_t> LoadPatternDIB(const VrWA2000::WA* like) {
  if (like == nullptr) return {};
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kPatternBitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return {};
  BITMAPINFOHEADER* dib = BitmapToDIB(like, bitmap);
  DeleteObject(bitmap);
  if (dib == nullptr) return {};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(dib);
  const std::size_t size = dib->biSize + sizeof(RGBQUAD) * dib->biClrUsed + dib->biSizeImage;
  std::vector<std::uint8_t> packed(bytes, bytes + size);
  FreeGlobalDIB(dib);
  return packed;
}
