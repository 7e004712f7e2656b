#include "ui/LayerMenuPictograms.h"

#include <algorithm>
#include <utility>

namespace lumora {

namespace {

// Built for the vertical family (top, centre, bottom along y); the
// horizontal family is the same drawing with x and y swapped.
Pictogram Vertical(int kind, bool distribute, int w, int h) {
  Pictogram p;
  const int last = h - 1;
  if (!distribute) {
    const int lineY = kind == 0 ? 0 : kind == 1 ? last / 2 : last;
    p.lines.push_back({POINT{0, lineY}, POINT{w - 1, lineY}});
    // A tall box and a short one, side by side, meeting the line.
    const int tall = std::max(3, h * 2 / 3), low = std::max(2, h / 3);
    const auto place = [&](int left, int right, int height) {
      int top = kind == 0 ? lineY : kind == 1 ? lineY - (height - 1) / 2 : lineY - height + 1;
      top = std::clamp(top, 0, h - height);
      p.boxes.push_back(RECT{left, top, right, top + height});
    };
    place(1, w / 2 - 1, tall);
    place(w / 2 + 1, w - 1, low);
    return p;
  }
  // Three boxes stepping down by equal amounts; a short mark on each at the
  // edge (or centre) they are spread by.
  const int height = std::max(2, h / 4);
  const int step = (h - height) / 2;
  const int third = std::max(2, w / 3);
  for (int i = 0; i < 3; ++i) {
    const int top = i * step;
    const RECT box{i * third, top, std::min(w, (i + 1) * third), top + height};
    p.boxes.push_back(box);
    const int y = kind == 0 ? box.top : kind == 1 ? box.top + (height - 1) / 2 : box.bottom - 1;
    p.lines.push_back({POINT{0, y}, POINT{w - 1, y}});
  }
  return p;
}

Pictogram Swapped(Pictogram p) {
  for (RECT& r : p.boxes) r = RECT{r.top, r.left, r.bottom, r.right};
  for (auto& [a, b] : p.lines) {
    std::swap(a.x, a.y);
    std::swap(b.x, b.y);
  }
  return p;
}

}  // namespace

Pictogram LayerMenuPictogram(int index, int width, int height) {
  if (index < 0 || index > 11 || width < 6 || height < 6) return Pictogram{};
  const bool distribute = index >= 6;
  const int kind = index % 6;
  if (kind < 3) return Vertical(kind, distribute, width, height);
  return Swapped(Vertical(kind - 3, distribute, height, width));
}

}  // namespace lumora
