// Solid fills of image buffers.
#include "engine/pixels/Fillwa.h"

#include <cstring>
#include <memory>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/Progress.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"

namespace {

constexpr const char* kUnit = "Fillwa";

void FillRow24(std::uint8_t* row, int width, std::uint8_t red, std::uint8_t green,
               std::uint8_t blue) {
  for (int x = 0; x < width; ++x) {
    row[3 * x] = blue;
    row[3 * x + 1] = green;
    row[3 * x + 2] = red;
  }
}

// Ends a failed NewFilledWA: the indicator closed, the half-made buffer
// released, the out pointer null, the error recorded.
int Fail(VrWA2000::WA** out, int code, int line) {
  ProgressEnd();
  (*out)->Release();
  *out = nullptr;
  return LUErrorCode(lumora::GetToolHostSite(), code, kUnit, line, 0);
}

}  // namespace

int NewFilledWA(VrWA2000::WA** out, int width, int height, int red, int green, int blue) {
  *out = NewWA(kWAType24, width, height, nullptr);
  if (*out == nullptr) return LUErrorCode(lumora::GetToolHostSite(), 16, kUnit, 57, 0);
  (*out)->SetXRes(static_cast<std::uint16_t>(lumora::GetScreenXDpi()));
  (*out)->SetYRes(static_cast<std::uint16_t>(lumora::GetScreenYDpi()));
  WAINFO info;
  (*out)->GetInfo(&info);
  ProgressSetCaptionId(IDS_CREATING_NEW_IMAGE);
  ProgressBeginDefault();
  const std::unique_ptr<WAPIX> pix(NewWAPIX(*out, true));
  for (int y = 0; y < info.height; ++y) {
    std::uint8_t* row = GetWARow(y, pix.get());
    if (row == nullptr) return Fail(out, 16, 80);
    FillRow24(row, info.width, static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
              static_cast<std::uint8_t>(blue));
    if (y % 2 == 1 && ProgressCallback((y + 1) / 2, info.height / 2) == 0) return Fail(out, 1, 96);
  }
  ProgressEnd();
  return 0;
}

void FillWA(VrWA2000::WA* buffer, int red, int green, int blue) {
  if (buffer == nullptr) return;
  const std::unique_ptr<WAPIX> pix(NewWAPIX(buffer, true));
  const int width = buffer->GetW();
  const auto r = static_cast<std::uint8_t>(red);
  for (int y = 0; y < buffer->GetH(); ++y) {
    std::uint8_t* row = GetWARow(y, pix.get());
    if (row == nullptr) continue;
    switch (buffer->GetType()) {
      case kWAType1Bit:
        std::memset(row, r != 0 ? 255 : 0, static_cast<std::size_t>((width + 7) / 8));
        break;
      case kWAType4Bit:
        std::memset(row, (r & 15) * 0x11, static_cast<std::size_t>((width + 1) / 2));
        break;
      case kWAType8Palette:
      case kWAType8Grey:
        std::memset(row, r, static_cast<std::size_t>(width));
        break;
      case kWAType24:
        FillRow24(row, width, r, static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue));
        break;
      default:
        break;
    }
  }
}
