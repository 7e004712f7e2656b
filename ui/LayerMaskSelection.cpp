#include "ui/LayerMaskSelection.h"

#include <algorithm>
#include <cstring>

#include "engine/pixels/WAccess.h"
#include "platform/rect.h"

namespace lumora {

std::uint8_t SelectionLevelOfPercent(int percent) {
  return static_cast<std::uint8_t>(std::clamp(percent, 0, 100) * 255 / 100);
}

Fragment* MakeSelectionMask(const CLayer* layer, std::uint8_t level, bool hard) {
  if (layer == nullptr) return nullptr;
  const std::uint8_t t = std::max<std::uint8_t>(level, 1);
  const RECT rect = layer->GetRect();
  const VrWA2000::WA* mask = layer->HasMask() != 0 ? layer->PeekMask() : nullptr;
  if (mask == nullptr) {
    LURECT whole{};
    RectToLURect(&whole, &rect);
    return CreateRectFrg(&whole, 0);
  }
  if (mask->GetW() != RectWidth(rect) || mask->GetH() != RectHeight(rect)) return nullptr;
  RECT opaque{};
  layer->GetOpaqueRect(&opaque, t);
  if (RectIsEmpty(opaque)) return nullptr;
  WAPtr buffer = WAPtr::Adopt(NewWA(kWAType8Grey, RectWidth(opaque), RectHeight(opaque), nullptr));
  if (!buffer) return nullptr;
  // Mask row j is image row rect.top + j, as the layer's own rows are.
  for (LONG y = opaque.top; y < opaque.bottom; ++y) {
    const std::uint8_t* from = mask->Row(y - rect.top) + (opaque.left - rect.left);
    std::uint8_t* to = buffer->Row(y - opaque.top);
    for (LONG x = 0; x < RectWidth(opaque); ++x) to[x] = from[x] < t ? 0 : (hard ? 255 : from[x]);
  }
  return CreateMaskUsingWA(buffer.get(), opaque.left, opaque.top);
}

Fragment* CombineSelection(const Fragment* selection, const Fragment* fragment, int mode) {
  if (fragment == nullptr) return nullptr;
  if (selection == nullptr) return CreateFragmentIndirect(fragment);
  Fragment* result = nullptr;
  if (GetFragmentType(selection) == kFrgComplex) {
    result = CreateFragmentIndirect(selection);
  } else {
    result = CreateComplexFrg(0, nullptr);
    if (result != nullptr && AddToComplexFrg(result, selection, 14) == 0) {
      DeleteFragment(result);
      result = nullptr;
    }
  }
  if (result == nullptr) return nullptr;
  if (AddToComplexFrg(result, fragment, mode) == 0) {
    DeleteFragment(result);
    return nullptr;
  }
  return result;
}

Fragment* CopyFragmentArea(const CLayer* layer, const Fragment* selection, std::uint8_t level) {
  if (layer == nullptr || selection == nullptr) return nullptr;
  if (GetFragmentType(selection) == kFrgEmpty) return MakeSelectionMask(layer, level, false);
  Fragment* layerSelection = MakeSelectionMask(layer, level, true);
  Fragment* both = CombineSelection(layerSelection, selection, 8);
  if (layerSelection != nullptr) DeleteFragment(layerSelection);
  if (both == nullptr) return nullptr;
  Fragment* mask = GetComplexFrgMask(both);
  if (mask == nullptr) return both;
  DeleteFragment(both);
  LURECT bounds{}, whole{};
  if (GetFragmentBoundRect(mask, &bounds) == 0 || GetMaskRect(mask, &whole) == 0 ||
      (bounds.width >= whole.width && bounds.height >= whole.height)) {
    return mask;
  }
  // Only the part holding selected pixels is kept.
  WAPtr full = WAPtr::Adopt(GetMaskWA(mask));
  WAPtr cropped = WAPtr::Adopt(full ? NewWA(full->GetType(), bounds.width, bounds.height, nullptr) : nullptr);
  if (!cropped || full->GetType() != kWAType8Grey || bounds.width <= 0 || bounds.height <= 0) return mask;
  // Mask row j is image row whole.y + j.
  for (int y = 0; y < bounds.height; ++y) {
    std::memcpy(cropped->Row(y), full->Row(bounds.y - whole.y + y) + (bounds.x - whole.x), static_cast<std::size_t>(bounds.width));
  }
  Fragment* result = CreateMaskUsingWA(cropped.get(), bounds.x, bounds.y);
  if (result == nullptr) return mask;
  DeleteFragment(mask);
  return result;
}

}  // namespace lumora
