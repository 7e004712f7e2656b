// The embedded image's extent.
#include "document/ServerExtent.h"

namespace lumora {

HimetricSize HimetricExtent(int width, int height, std::uint32_t resolution, int displayDpiX, int displayDpiY) {
  const long dpiX = (resolution & 0xFFFFu) > 0 ? static_cast<long>(resolution & 0xFFFFu) : displayDpiX;
  const long dpiY = (resolution >> 16) > 0 ? static_cast<long>(resolution >> 16) : displayDpiY;
  if (dpiX <= 0 || dpiY <= 0) return {};
  return HimetricSize{static_cast<long>(static_cast<long long>(width) * 2540 / dpiX),
                      static_cast<long>(static_cast<long long>(height) * 2540 / dpiY)};
}

}  // namespace lumora
