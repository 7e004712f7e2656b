// The export preview pane without its window: which part of the image is
// shown at which zoom, where in the pane it lands, how display rows and
// columns are sampled from the image, and which image pixel lies under a
// pane point. The pane keeps a display buffer of exactly the shown pixels,
// so painting never scales the whole image.
//
// The visible rectangle counts image rows from the top (row 0 the top of
// the picture, as the pane shows it); buffers count rows from the bottom.
// `SourceRowOfDisplayRow` and `ImagePointAt` are the two places where one
// becomes the other.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "platform/win32types.h"

namespace lumora {

// Pixels of the visible rectangle for scale s, and where they are shown in
// the client area.
struct PreviewExtent {
  int cx = 0, cy = 0;  // image pixels shown across and down
  RECT destination{};  // client rectangle they fill
};

// The six cases of the pane: fit mode, the whole image fits, wider than
// needed, taller than needed, neither. No image (w or h 0): empty.
PreviewExtent ComputePreviewExtent(int clientW, int clientH, int imageW, int imageH, double scale, bool fit);

// For each of `displayW` columns its source column relative to the visible
// left edge: the nearest one, half-pixel rounded.
std::vector<int> BuildColumnMap(int displayW, int visibleW);

// Fills `count` display pixels of `dst` from `src` through the column map,
// `left` being the visible left edge in source pixels. Formats 16, 8, 4, 2
// and 1; others copy nothing.
void CopyPreviewRow(int format, std::uint8_t* dst, const std::uint8_t* src, int left, int count, const int* map);

// The layout state of one pane.
class PreviewLayout {
 public:
  void SetClient(int width, int height);
  // A new image of w x h: with `reset` (or a first image) scale 1.0 and
  // centred, else the zoom and place are kept, pushed inside the image.
  void SetImage(int width, int height, bool reset);
  void Clear();
  void SetFitMode(bool fit);

  // Applies the scale: extent, destination and visible rectangle. True
  // when the visible rectangle or the destination changed size (the
  // display buffer must be made again).
  bool Recompute();

  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  void CenterInFrame();
  // Moves the visible rectangle by (dx, dy) image pixels, kept inside.
  void Pan(int dx, int dy);

  // The image point (rows from the bottom) under a client point; the right
  // and bottom edges of the destination map to w and -1 just outside.
  POINT ImagePointAt(int px, int py) const;
  // True when the point lies on the image.
  bool ImagePointInside(const POINT& p) const { return p.x >= 0 && p.y >= 0 && p.x < width_ && p.y < height_; }
  // The buffer row (from the bottom) that display row r (buffer order)
  // shows.
  int SourceRowOfDisplayRow(int r) const;

  bool HasImage() const { return width_ > 0 && height_ > 0; }
  int ImageWidth() const { return width_; }
  int ImageHeight() const { return height_; }
  double Scale() const { return scale_; }
  bool FitMode() const { return fit_; }
  const RECT& Visible() const { return visible_; }  // rows from the top
  const RECT& Destination() const { return destination_; }
  const std::vector<int>& ColumnMap() const { return columnMap_; }
  int ClientWidth() const { return clientW_; }
  int ClientHeight() const { return clientH_; }

 private:
  void KeepInside();

  int clientW_ = 0, clientH_ = 0;
  int width_ = 0, height_ = 0;
  double scale_ = 1.0;
  bool fit_ = true;
  RECT visible_{};
  RECT destination_{};
  std::vector<int> columnMap_;
};

// Renders the visible part of `source` into `display` (of the
// destination's size and the source's format).
void RenderPreview(const VrWA2000::WA& source, VrWA2000::WA* display, const PreviewLayout& layout);

// The marking of the result pane: pixels of one colour (24-bit) or index
// (paletted), and pixels inside a fragment.
struct PreviewHighlight {
  bool on = false;
  int index = -1;
  COLORREF colour = 0xFF0000;  // red in the low byte
  const Fragment* fragment = nullptr;
};

// The display buffer as top-down 32-bit pixels (blue, green, red, 0) for
// the screen, with marked pixels painted as a black-and-white checker
// (white where x + y is even).
std::vector<std::uint32_t> PreviewScreenPixels(const VrWA2000::WA& display, const PreviewLayout& layout,
                                               const PreviewHighlight& highlight);

}  // namespace lumora
