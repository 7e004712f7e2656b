// Handing a scanned or pasted image to the program as a new document: the
// placement the document side installs, and the resolution of the last
// scan.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"

namespace lumora {

// Places a newly made image: a new document, or the active document's
// image replaced after the user's choice. Keeps its own reference where it
// keeps the buffer.
class ImagePlacement {
 public:
  virtual ~ImagePlacement() = default;
  // Non-zero when the image was placed.
  virtual int PlaceNewImage(VrWA2000::WA* image) = 0;
};

// Installs the placement (null: none, and every placement fails). Not owned.
void SetImagePlacement(ImagePlacement* placement);

// The whole dots per inch of the last image a scanner transferred (0 before
// any transfer).
void SetScannerResolution(std::int16_t xDpi, std::int16_t yDpi);

// Gives the image (whose reference the call takes over; null allowed) the
// last scan's resolution where positive, else the screen's, and places
// it. 0, or the error code recorded with the source "New": 16 at line 45
// for no image, 16 at line 60 when the placement fails.
int PlaceImageAsDocument(VrWA2000::WA* image);

}  // namespace lumora
