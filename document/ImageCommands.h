// What the Image menu's commands and the view's layer menu work out
// without a window: the memory figure of the image-size dialog, the layers
// under a point, the rectangle Crop Selection crops to, and the conversion
// of every layer to one pixel type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/ImageDocument.h"
#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"

namespace lumora {

// The image's memory figure: the sum over the layers of the layer rect's
// width x height, counted twice for a layer with a mask. 64-bit: a few
// masked 30000 x 30000 layers pass 32 bits.
std::uint64_t ImageMemoryEstimate(const CLayersManager& stack);

// One item of the view's right-button layer menu: command id = the
// layer's list index + 1 (0 = bottom layer), its name as text.
struct LayerMenuItem {
  int id = 0;
  std::string text;
};
// The menu text of a layer (UTF-8): names over 30 characters are cut to
// their first 27 and "...", never inside a character.
std::string LayerMenuText(const std::string& name);
// The layers at an image point, top first: the point lies in the layer's
// rect, the layer is shown, and where it has a mask the mask is not 0
// there.
std::vector<LayerMenuItem> LayersAtPoint(const CLayersManager& stack, int x, int y);

// The rectangle Crop Selection crops to: the bounds of what the selection
// covers of the image (smoothed edges and inversion honoured), within the
// image; empty for no selection or one that covers nothing.
RECT SelectionCropRect(const Fragment* selection, int width, int height);

// Every layer's image converted to the pixel type (8 grey or 16 colour),
// then the stack takes the type. All layers are converted before any is
// changed, with one progress step per layer (caption "Converting..."): a
// failure or a cancel changes nothing. The render worker stays stopped
// meanwhile. True when done (also when nothing needed converting).
bool ConvertImageType(ImageDocument& doc, int type);

}  // namespace lumora
