// What an image and its layers may measure (kMaxImageSide,
// kMaxLayerCoordinate and their checks): the layered file stores no more.
#pragma once

#include "engine/pixels/ImageLimits.h"
