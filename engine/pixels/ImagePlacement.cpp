// New documents from scanned or pasted images.
#include "engine/pixels/ImagePlacement.h"

#include <atomic>

#include "engine/pixels/AppValues.h"
#include "hostapi/toolhost.h"

namespace lumora {
namespace {
std::atomic<ImagePlacement*> gPlacement{nullptr};
std::atomic<std::int16_t> gScanX{0};
std::atomic<std::int16_t> gScanY{0};
}  // namespace

void SetImagePlacement(ImagePlacement* placement) { gPlacement.store(placement); }

void SetScannerResolution(std::int16_t xDpi, std::int16_t yDpi) {
  gScanX.store(xDpi);
  gScanY.store(yDpi);
}

int PlaceImageAsDocument(VrWA2000::WA* image) {
  if (image == nullptr) return LUErrorCode(GetToolHostSite(), 16, "New", 45, 0);
  const WAPtr own = WAPtr::Adopt(image);
  const std::int16_t scanX = gScanX.load(), scanY = gScanY.load();
  own->SetXRes(scanX > 0 ? scanX : GetScreenXDpi());
  own->SetYRes(scanY > 0 ? scanY : GetScreenYDpi());
  ImagePlacement* placement = gPlacement.load();
  if (placement == nullptr || placement->PlaceNewImage(own.get()) == 0) {
    return LUErrorCode(GetToolHostSite(), 16, "New", 60, 1);
  }
  return 0;
}

}  // namespace lumora
