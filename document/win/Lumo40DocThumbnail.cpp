// The document's thumbnail for the navigator, the navigator's update
// after the render queue ran dry, and its calls to the layer palette.
#include <windows.h>

#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/win/App.h"
#include "hostapi/draw.h"

namespace lumora {
namespace {

constexpr UINT kUpdateNavigatorCommand = 32935;

}  // namespace

bool CLumo40Doc::RenderThumbnail(HBITMAP bitmap, const RECT* imageRect, const ThumbnailLook* look) {
  CLayersManager* stack = Image().GetLayers();
  WAPtr composite = stack != nullptr ? stack->GetCompositeImage() : nullptr;
  BITMAP info{};
  if (!composite || bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
      info.bmHeight <= 0) {
    return false;
  }
  VR_DRAWCONTEXT* context = WACreateDrawContext(composite.get(), nullptr);
  if (context == nullptr) return false;
  WAPtr coverage = stack->GetCompositeMask();
  context->SetCoverage(coverage.get());
  const int width = composite->GetW(), height = composite->GetH();
  context->SetMapping(XFFACT(info.bmWidth, width), XFFACT(info.bmHeight, height));
  if (look != nullptr) {
    const std::vector<std::uint8_t>& profile = stack->IccProfile();
    context->SetImageProfile(profile.data(), profile.size());
    context->SetProfiles(look->profiles);
    context->SetGamma(look->gamma);
  }
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(display);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT part{0, 0, info.bmWidth, info.bmHeight};
  if (imageRect != nullptr) {
    part = *imageRect;
    context->Mapping().RevXForm(&part, kXFRects);
  }
  HRGN clip = CreateRectRgnIndirect(&part);
  context->Draw(memory, clip, nullptr, FALSE, FALSE, nullptr);
  DeleteObject(clip);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteDC(display);
  delete context;
  return true;
}

void CLumo40Doc::UpdateNavigator() {
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  if (main != nullptr && main->Handle() != nullptr) PostMessageA(main->Handle(), WM_COMMAND, kUpdateNavigatorCommand, 0);
}

}  // namespace lumora

namespace lumora {

void CLumo40Doc::UpdateLayerInPalette(CLayer* layer) {
  CLumo40DocManager* manager = ImageDocManager();
  if (manager != nullptr && manager->palette.updateLayer) manager->palette.updateLayer(*this, layer);
}

void CLumo40Doc::SelectLayerInPalette(CLayer* layer) {
  CLumo40DocManager* manager = ImageDocManager();
  if (manager != nullptr && manager->palette.selectLayer) manager->palette.selectLayer(*this, layer);
}

void CLumo40Doc::UpdateLayerPalette() {
  CLumo40DocManager* manager = ImageDocManager();
  if (manager != nullptr && manager->palette.rebuild) manager->palette.rebuild(*this);
}

}  // namespace lumora
