// The mean colour of a picked image rectangle.
#include "ui/ColourPick.h"

#include <algorithm>

namespace lumora {

std::int64_t MeanCoveredColour(const VrWA2000::WA& image, const VrWA2000::WA* coverage, RECT rect) {
  const int w = image.GetW(), h = image.GetH();
  const LONG left = std::max<LONG>(0, rect.left), right = std::min<LONG>(w - 1, rect.right);
  const LONG bottom = std::max<LONG>(0, rect.top), top = std::min<LONG>(h - 1, rect.bottom);
  if (left > right || bottom > top) return -1;
  if (coverage != nullptr && (coverage->GetW() != w || coverage->GetH() != h)) coverage = nullptr;
  const PALETTEENTRY* palette = image.Palette();
  std::uint64_t red = 0, green = 0, blue = 0, count = 0;
  for (LONG y = bottom; y <= top; ++y) {
    const std::uint8_t* row = image.Row(static_cast<int>(y));
    const std::uint8_t* cover = coverage != nullptr ? coverage->Row(static_cast<int>(y)) : nullptr;
    for (LONG x = left; x <= right; ++x) {
      if (cover != nullptr && cover[x] == 0) continue;
      std::uint8_t r = 0, g = 0, b = 0;
      switch (image.GetType()) {
        case kWAType1Bit: {
          const bool set = ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0;
          r = g = b = set ? 255 : 0;
          break;
        }
        case kWAType4Bit: {
          const int index = (x & 1) == 0 ? row[x >> 1] >> 4 : row[x >> 1] & 0x0F;
          r = palette[index].peRed, g = palette[index].peGreen, b = palette[index].peBlue;
          break;
        }
        case kWAType8Palette:
          r = palette[row[x]].peRed, g = palette[row[x]].peGreen, b = palette[row[x]].peBlue;
          break;
        case kWAType8Grey:
          r = g = b = row[x];
          break;
        case kWAType24:
          b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
          break;
        default:
          return -1;
      }
      red += r, green += g, blue += b, ++count;
    }
  }
  if (count == 0) return -1;
  return static_cast<std::int64_t>(RGB(static_cast<BYTE>(red / count), static_cast<BYTE>(green / count),
                                       static_cast<BYTE>(blue / count)));
}

}  // namespace lumora
