// Thumbnail work buffers: the layer mapped into the thumbnail as its rect
// lies in the picture, drawn by the scaled draw of its pixel type.
#include "engine/layers/LayerThumbnail.h"

#include <algorithm>

#include "engine/layers/Layer.h"

namespace lumora {
namespace {

using ScaledDraw = int (CLayer::*)(VrWA2000::WA* dst, const RECT& rect);

ScaledDraw ImageDraw(int type) {
  switch (type) {
    case kWAType1Bit: return &CLayer::StretchImage1;
    case kWAType4Bit: return &CLayer::StretchImage4;
    case kWAType8Palette: return &CLayer::StretchImage;
    case kWAType8Grey: return &CLayer::DrawScaled8;
    case kWAType24: return &CLayer::DrawScaled24;
    default: return nullptr;
  }
}

ScaledDraw MaskDraw(int type) {
  switch (type) {
    case kWAType8Grey: return &CLayer::DrawMaskScaled8;
    case kWAType24: return &CLayer::DrawMaskScaled24;
    default: return nullptr;
  }
}

// The pattern DIB when its depth is the buffer's, else none (white).
const std::uint8_t* PatternFor(const CLayersManager& stack, int bits) {
  const std::vector<std::uint8_t>& dib = stack.GetPatternDib();
  if (dib.size() < 40 || (dib[14] | dib[15] << 8) != bits) return nullptr;
  return dib.data();
}

void FillWithPattern(const CLayersManager& stack, VrWA2000::WA* buffer) {
  constexpr COLORREF kWhite = 0xFFFFFF;
  if (buffer->GetType() == kWAType24) FillPattern24(buffer, PatternFor(stack, 24), kWhite, nullptr, 100);
  if (buffer->GetType() == kWAType8Grey) FillPattern8(buffer, PatternFor(stack, 8), kWhite, nullptr, 100);
}

// The layer's rect (image coordinates) scaled into a buffer of the given
// size that stands for the whole picture.
RECT MapIntoBuffer(const RECT& rect, int bufferWidth, int bufferHeight, int imageWidth, int imageHeight) {
  auto scale = [](LONG v, int to, int from) {
    return static_cast<LONG>(static_cast<std::int64_t>(to) * v / from);
  };
  return RECT{scale(rect.left, bufferWidth, imageWidth), scale(rect.top, bufferHeight, imageHeight),
              scale(rect.right, bufferWidth, imageWidth), scale(rect.bottom, bufferHeight, imageHeight)};
}

}  // namespace

SIZE ThumbnailSize(SIZE box, int imageWidth, int imageHeight) {
  if (box.cx <= 0 || box.cy <= 0 || imageWidth <= 0 || imageHeight <= 0) return SIZE{0, 0};
  SIZE size = box;
  if (imageWidth > imageHeight) {
    size.cy = static_cast<LONG>(static_cast<std::int64_t>(imageHeight) * box.cx / imageWidth);
  } else {
    size.cx = static_cast<LONG>(static_cast<std::int64_t>(imageWidth) * box.cy / imageHeight);
  }
  size.cx = std::max<LONG>(size.cx, kMinThumbnailSide);
  size.cy = std::max<LONG>(size.cy, kMinThumbnailSide);
  return size;
}

WAPtr DrawThumbnailBuffer(CLayersManager& stack, CLayer& layer, SIZE size, bool mask) {
  if (stack.GetLayerIndex(&layer) < 0 || size.cx < kMinThumbnailSide || size.cy < kMinThumbnailSide) return {};
  if (stack.GetWidth() <= 0 || stack.GetHeight() <= 0) return {};
  const WAPtr image = layer.GetImage();
  if (!image) return {};
  const ScaledDraw draw = mask ? (layer.GetMask() ? MaskDraw(image->GetType()) : nullptr) : ImageDraw(image->GetType());
  if (draw == nullptr) return {};
  const int width = size.cx - 2;
  const int height = size.cy - 2;
  WAPtr buffer = WAPtr::Adopt(NewWAWithPalette(image->GetType(), width, height, image->Palette()));
  if (!buffer) return {};
  if (!mask) FillWithPattern(stack, buffer.get());
  const RECT placed = mask ? layer.GetMaskRect() : layer.GetRect();
  const RECT target = MapIntoBuffer(placed, width, height, stack.GetWidth(), stack.GetHeight());
  if ((layer.*draw)(buffer.get(), target) != 0) return {};
  return buffer;
}

}  // namespace lumora
