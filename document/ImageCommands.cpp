// The Image menu's and the layer menu's portable work.
#include "document/ImageCommands.h"

#include <algorithm>
#include <exception>

#include "engine/pixels/Progress.h"
#include "engine/pixels/RowConverters.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "platform/text.h"
#include "res/resource.h"

namespace lumora {

std::uint64_t ImageMemoryEstimate(const CLayersManager& stack) {
  std::uint64_t total = 0;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer* layer = stack.GetLayer(i);
    const RECT& r = layer->GetRect();
    const std::uint64_t area = static_cast<std::uint64_t>(std::max<LONG>(RectWidth(r), 0)) *
                               static_cast<std::uint64_t>(std::max<LONG>(RectHeight(r), 0));
    total += layer->HasMask() != 0 ? 2 * area : area;
  }
  return total;
}

std::string LayerMenuText(const std::string& name) {
  constexpr std::size_t kLongest = 30, kKept = 27;
  std::u16string wide = Utf8ToUtf16(name);
  if (wide.size() <= kLongest) return name;
  wide.resize(kKept);
  if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
  return Utf16ToUtf8(wide) + "...";
}

namespace {

// The mask's value at an image point: its pixel inside the mask rect, its
// default colour outside.
int MaskValueAt(const CLayer& layer, int x, int y) {
  POINT origin{};
  const WAPtr mask = layer.GetMask(&origin);
  if (!mask) return 255;
  const int column = x - origin.x, row = y - origin.y;  // row 0 the bottom, as image y
  if (column < 0 || row < 0 || column >= mask->GetW() || row >= mask->GetH()) return layer.GetMaskDefaultColor();
  return mask->Row(row)[column];
}

}  // namespace

std::vector<LayerMenuItem> LayersAtPoint(const CLayersManager& stack, int x, int y) {
  std::vector<LayerMenuItem> items;
  for (int i = stack.GetLayerCount() - 1; i >= 0; --i) {
    const CLayer* layer = stack.GetLayer(i);
    if (!RectContainsPoint(layer->GetRect(), x, y) || layer->IsVisible() == 0) continue;
    if (layer->HasMask() != 0 && MaskValueAt(*layer, x, y) == 0) continue;
    items.push_back({i + 1, LayerMenuText(layer->GetName())});
  }
  return items;
}

RECT SelectionCropRect(const Fragment* selection, int width, int height) {
  RECT none{0, 0, 0, 0};
  if (selection == nullptr || width <= 0 || height <= 0) return none;
  const LURECT whole{0, 0, width, height};
  Fragment* mask = CreateEmptyMask(&whole);
  if (mask == nullptr) return none;
  Fragment* drawn = const_cast<Fragment*>(selection);
  InitAccessToSmoothedEdge(drawn);
  PutFragmentToMask(mask, selection, kFrgAdd);
  FreeAccessToSmoothedEdge(drawn);
  const WAPtr coverage = WAPtr::Adopt(GetMaskWA(mask));
  DeleteFragment(mask);
  if (!coverage) return none;
  const bool inverted = IsFrgInverted(selection) != 0;
  LONG left = width, right = 0, top = height, bottom = 0;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* pixels = coverage->Row(row);
    const std::uint8_t outside = inverted ? 255 : 0;  // a value that selects nothing
    int first = 0;
    while (first < width && pixels[first] == outside) ++first;
    if (first == width) continue;
    int last = width - 1;
    while (pixels[last] == outside) --last;
    left = std::min<LONG>(left, first);
    right = std::max<LONG>(right, last + 1);
    top = std::min<LONG>(top, row);
    bottom = std::max<LONG>(bottom, row + 1);
  }
  return left < right ? RECT{left, top, right, bottom} : none;
}

bool ConvertImageType(ImageDocument& doc, int type) {
  CLayersManager* stack = doc.GetLayers();
  if (stack == nullptr || (type != kWAType8Grey && type != kWAType24)) return false;
  const int count = stack->GetLayerCount();
  std::vector<WAPtr> converted(static_cast<std::size_t>(count));
  doc.Queue().StopThread();
  ProgressSetCaptionId(IDS_CONVERTING);
  ProgressCallback(-1, count);
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    VrWA2000::WA* image = stack->GetLayer(i)->PeekImage();
    if (image != nullptr && image->GetType() != type) {
      converted[static_cast<std::size_t>(i)] =
          WAPtr::Adopt(ConvertImageFormat(type, image, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
      ok = static_cast<bool>(converted[static_cast<std::size_t>(i)]);
    }
    ok = ok && ProgressCallback(i + 1, count) != 0;
  }
  ProgressCallback(-2, count);
  if (ok) {
    DocumentLockScope lock(&doc);
    for (int i = 0; i < count; ++i) {
      const WAPtr& image = converted[static_cast<std::size_t>(i)];
      if (!image) continue;
      CLayer* layer = stack->GetLayer(i);
      const VrWA2000::WA* old = layer->PeekImage();
      const std::uint32_t resolution = static_cast<std::uint32_t>(old->GetXRes() & 0xFFFF) |
                                       static_cast<std::uint32_t>(old->GetYRes() & 0xFFFF) << 16;
      layer->SetImage(image.get());
      layer->SetImageType(type);
      layer->SetResolution(resolution);
    }
    ok = stack->SetImageType(type) == kLayerOk;
  }
  doc.Queue().StartThread();
  if (ok) {
    doc.ResetDrawContextInAllViews();
    doc.InvalidateImageRect(nullptr, false, false);
  }
  return ok;
}

}  // namespace lumora
