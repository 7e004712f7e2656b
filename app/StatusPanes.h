// The main frame's status bar: the widths of its three panes and the texts
// its right-hand panes show.
#pragma once

#include <string>

namespace lumora {

struct StatusPaneWidths {
  int message = 0;      // pane 0: prompts and the idle message
  int coordinates = 0;  // pane 1 (59143): the cursor position
  int image = 0;        // pane 2 (59144): the active image's status
};

// clientWidth: the frame's client width; coordinatesWidth: the width of
// " (99999,99999) " in the status bar's font.
StatusPaneWidths LayoutStatusPanes(int clientWidth, int coordinatesWidth);

// Pane 59144: the third prompt channel, or "No images loaded" when empty.
std::string ImagePaneText(const std::string& channel2);

// The status of an image window: "%d-bit image, size %dx%d" (paletted and
// grey images say so) and the zoom, ", 1:n" when one screen pixel shows
// n image pixels, else ", n:1". type: the image-buffer format code.
std::string ImageStatusText(int type, int bitsPerPixel, int width, int height, double imageUnitsPerPixel);
// Without an image view.
std::string NoImageStatusText();

}  // namespace lumora
