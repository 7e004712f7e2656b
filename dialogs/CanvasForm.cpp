// The canvas-size dialog's units, anchors and result.
#include "dialogs/CanvasForm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "dialogs/ImageSizeForm.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr double kInchesPerCm = 0.39370078740157477;

int TruncToInt(double value) {
  if (!std::isfinite(value)) return value > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
  return static_cast<int>(std::clamp(value, -2e9, 2e9));
}

// The arrow of a neighbour cell at (dx, dy) from the anchor: the icon when
// the canvas grows that way and the one pointing back when it shrinks.
struct Arrow {
  int dx, dy;
  int grows, shrinks;
  bool byWidth, byHeight;
};
constexpr Arrow kArrows[] = {
    {-1, -1, IDI_ANCHOR_UP_LEFT, IDI_ANCHOR_DOWN_RIGHT, true, true},
    {0, -1, IDI_ANCHOR_UP, IDI_ANCHOR_DOWN, false, true},
    {1, -1, IDI_ANCHOR_UP_RIGHT, IDI_ANCHOR_DOWN_LEFT, true, true},
    {-1, 0, IDI_ANCHOR_LEFT, IDI_ANCHOR_RIGHT, true, false},
    {1, 0, IDI_ANCHOR_RIGHT, IDI_ANCHOR_LEFT, true, false},
    {-1, 1, IDI_ANCHOR_DOWN_LEFT, IDI_ANCHOR_UP_RIGHT, true, true},
    {0, 1, IDI_ANCHOR_DOWN, IDI_ANCHOR_UP, false, true},
    {1, 1, IDI_ANCHOR_DOWN_RIGHT, IDI_ANCHOR_UP_LEFT, true, true},
};

}  // namespace

std::string FormatCanvasSize(int pixels, int unit, int screenResolution) {
  const std::int64_t r = std::max(screenResolution, 1);
  if (unit == kCanvasInches) return FormatHundredths(std::int64_t{pixels} * 100 / r);
  if (unit == kCanvasCm) return FormatHundredths(std::int64_t{pixels} * 254 / r);  // V x 2.54 / R
  return std::to_string(pixels);
}

int ReadCanvasSize(const std::string& text, int unit, int screenResolution) {
  if (unit == kCanvasPixels) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  }
  double value = std::strtod(text.c_str(), nullptr);
  if (std::isnan(value)) value = 0;
  if (unit == kCanvasCm) return TruncToInt(screenResolution * value * kInchesPerCm);
  return TruncToInt(screenResolution * value);
}

RECT CanvasResultRect(int oldWidth, int oldHeight, int newWidth, int newHeight, int anchor) {
  const int column = anchor % 3, row = anchor / 3;
  const LONG x = column == 0 ? 0 : column == 1 ? (oldWidth - newWidth) / 2 : oldWidth - newWidth;
  const LONG y = row == 0 ? oldHeight - newHeight : row == 1 ? (oldHeight - newHeight) / 2 : 0;
  return RECT{x, y, x + newWidth, y + newHeight};
}

std::array<int, 9> AnchorIcons(int anchor, bool widthGrows, bool heightGrows) {
  std::array<int, 9> icons{};
  const int column = anchor % 3, row = anchor / 3;
  icons[static_cast<std::size_t>(anchor)] = IDI_ANCHOR_CENTRE;
  for (const Arrow& arrow : kArrows) {
    const int c = column + arrow.dx, r = row + arrow.dy;
    if (c < 0 || c > 2 || r < 0 || r > 2) continue;
    const bool grows = (!arrow.byWidth || widthGrows) && (!arrow.byHeight || heightGrows);
    icons[static_cast<std::size_t>(r * 3 + c)] = grows ? arrow.grows : arrow.shrinks;
  }
  return icons;
}

void CanvasForm::Open(int oldWidth, int oldHeight, int screenResolution) {
  oldWidth_ = newWidth_ = oldWidth;
  oldHeight_ = newHeight_ = oldHeight;
  resolution_ = std::max(screenResolution, 1);
  unit_ = kCanvasPixels;
  anchor_ = kCentreAnchor;
  result_ = RECT{0, 0, oldWidth, oldHeight};
}

void CanvasForm::TextChanged(int id, const std::string& text) {
  const int size = ReadCanvasSize(text, unit_, resolution_);
  if (size < 0) return;
  if (id == IDC_CANVAS_WIDTH) newWidth_ = size;
  if (id == IDC_CANVAS_HEIGHT) newHeight_ = size;
}

void CanvasForm::UnitChosen(int unit) { unit_ = std::clamp(unit, 0, 2); }

void CanvasForm::AnchorChosen(int anchor) { anchor_ = std::clamp(anchor, 0, 8); }

std::array<int, 9> CanvasForm::Icons() const {
  return AnchorIcons(anchor_, newWidth_ >= oldWidth_, newHeight_ >= oldHeight_);
}

std::optional<CanvasWarning> CanvasForm::Confirm() {
  // The document refuses such a canvas too; here the user can still mend it.
  for (const auto& [id, side] : {std::pair{IDC_CANVAS_WIDTH, newWidth_}, std::pair{IDC_CANVAS_HEIGHT, newHeight_}}) {
    if (side >= 1 && side <= kMaxCanvasSide) continue;
    char text[160];
    std::snprintf(text, sizeof text, std::string(res::String(IDS_ENTER_INTEGER_RANGE)).c_str(), 1, kMaxCanvasSide);
    return CanvasWarning{id, text};
  }
  result_ = CanvasResultRect(oldWidth_, oldHeight_, newWidth_, newHeight_, anchor_);
  return std::nullopt;
}

}  // namespace lumora
