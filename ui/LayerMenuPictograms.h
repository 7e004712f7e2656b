// The pictograms of the Layer menu's Align Linked and Distribute Linked
// entries: for each of the twelve, the reference lines and the boxes drawn
// in a menu check cell, so each shows its alignment.
#pragma once

#include <vector>

#include "platform/win32types.h"

namespace lumora {

// 0..5 align top, vertical centre, bottom, left, horizontal centre, right;
// 6..11 distribute the same six.
struct Pictogram {
  std::vector<RECT> boxes;                 // filled, outlined
  std::vector<std::pair<POINT, POINT>> lines;  // reference lines, ends included
};

// For a cell of width x height pixels (x right, y down).
Pictogram LayerMenuPictogram(int index, int width, int height);

}  // namespace lumora
