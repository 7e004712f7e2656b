// What the canvas-size dialog computes without a window: the new canvas
// in inches, centimetres (at the screen's resolution) or pixels, the nine
// anchor cells with their arrow icons, and the rectangle the dialog hands
// to the document.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/win32types.h"

namespace lumora {

enum CanvasUnit : int { kCanvasInches = 0, kCanvasCm = 1, kCanvasPixels = 2 };

constexpr int kMaxCanvasSide = 30000;
// The range the spin buttons offer in pixels.
constexpr int kCanvasSpinMax = 10000;
constexpr int kCentreAnchor = 4;

// A size as shown: inches V / R or centimetres V x 2.54 / R with the
// hundredths truncated, or "%i" pixels.
std::string FormatCanvasSize(int pixels, int unit, int screenResolution);
// A typed size in pixels: inches trunc(R x v), centimetres
// trunc(R x v x 0.3937), pixels the integer. Text that is no number reads
// as 0.
int ReadCanvasSize(const std::string& text, int unit, int screenResolution);

// The new canvas in the old image's coordinates (rows counted from the
// bottom, as every image rect), as the dialog returns it: the anchor cell
// (0..8, row by row from the top left as shown) keeps the old image in that
// corner, edge or centre.
RECT CanvasResultRect(int oldWidth, int oldHeight, int newWidth, int newHeight, int anchor);

// The icon of each anchor cell (0: none): the anchor shows the picture of
// the image, its neighbours arrows out (the canvas grows that way) or in.
std::array<int, 9> AnchorIcons(int anchor, bool widthGrows, bool heightGrows);

// A refusal to show (string 10218) and the field to focus.
struct CanvasWarning {
  int focus = 0;
  std::string text;
};

class CanvasForm {
 public:
  void Open(int oldWidth, int oldHeight, int screenResolution);
  // The texts of edits 190 and 192 in the current unit.
  std::string WidthText() const { return FormatCanvasSize(newWidth_, unit_, resolution_); }
  std::string HeightText() const { return FormatCanvasSize(newHeight_, unit_, resolution_); }
  // A typed text; a negative size is ignored.
  void TextChanged(int id, const std::string& text);
  void UnitChosen(int unit);
  void AnchorChosen(int anchor);
  // OK: a side below 1 or above 30000 is refused (the dialog stays open);
  // otherwise the result rectangle is made.
  std::optional<CanvasWarning> Confirm();

  int Unit() const { return unit_; }
  int Anchor() const { return anchor_; }
  int NewWidth() const { return newWidth_; }
  int NewHeight() const { return newHeight_; }
  std::array<int, 9> Icons() const;
  const RECT& Result() const { return result_; }

 private:
  int oldWidth_ = 1, oldHeight_ = 1;
  int newWidth_ = 1, newHeight_ = 1;
  int resolution_ = 96;
  int unit_ = kCanvasPixels;
  int anchor_ = kCentreAnchor;
  RECT result_{0, 0, 1, 1};
};

}  // namespace lumora
