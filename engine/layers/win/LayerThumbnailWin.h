// Layer palette thumbnails as bitmaps: the work buffer of LayerThumbnail.h
// set into a bitmap compatible with the desktop, inside a one-pixel black
// frame; black inside when the layer cannot be drawn.
#pragma once

#include <memory>
#include <type_traits>

#include "engine/layers/LayerMng.h"
#include "platform/win32types.h"

namespace lumora {

struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
// A bitmap handle with one owner.
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

}  // namespace lumora

// The thumbnail of a listed layer's image (or mask) fitted into the box;
// null when the layer is missing or not listed or no bitmap can be made.
lumora::OwnedBitmap CreateThumbnail(CLayersManager& stack, const RECT& box, CLayer* layer);
lumora::OwnedBitmap CreateMaskThumbnail(CLayersManager& stack, const RECT& box, CLayer* layer);
