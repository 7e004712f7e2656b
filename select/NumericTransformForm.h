// The Numeric Transform dialog's model: a move (absolute or relative), a
// new size, a skew and a rotation typed in numbers, each switched on by its
// own check box, the units converted at the display's resolution, every
// value kept under [Numeric Transform].
#pragma once

#include "framework/Profile.h"
#include "platform/win32types.h"

namespace lumora {

struct NumericTransformValues {
  int position = 1;
  int relative = 1;
  double x = 0, y = 0;
  int xUnit = 0, yUnit = 0;  // 0 pixels, 1 inches, 2 cm
  int scale = 1;
  int proportions = 0;
  double width = 100, height = 100;
  int widthUnit = 3, heightUnit = 3;  // 3 percent besides
  int skew = 1;
  double skewHor = 0, skewVer = 0;
  int rotate = 1;
  double angle = 0;
};

class NumericTransformForm {
 public:
  static constexpr const char* kSection = "Numeric Transform";
  enum Unit { kPixels = 0, kInches = 1, kCm = 2, kPercent = 3 };

  // The object's rect in image pixels and the display's dots per inch.
  NumericTransformForm(const RECT& object, int dpiX, int dpiY);

  // Every value kept (doubles as tenths); a first run is the identity:
  // relative 0, 0 and 100 % by 100 %, no skew, no turn.
  void Load(fw::Profile& profile);
  void Save(fw::Profile& profile) const;
  // After Load: sizes shown in their units unless both are percent; the
  // leading dimension is the longer one.
  void Initialise();

  double UnitToPixels(double v, int unit, bool horizontal) const;
  double PixelsToUnit(double p, int unit, bool horizontal) const;

  // Typing a size: with Keep Proportions the other follows.
  void OnWidthTyped(double width);
  void OnHeightTyped(double height);
  void OnProportionsClicked(bool on);
  // A unit changed: the amount stays, only its unit changes.
  void OnUnitChanged(int field, int unit);  // field: 0 x, 1 y, 2 width, 3 height

  // The results OK hands over.
  SIZE GetSize() const;
  // Corners of the skewed w x h rect from its top-left, in the order
  // top-left, top-right, bottom-right, bottom-left.
  void GetSkewCorners(int w, int h, POINT out[4]) const;
  double GetAngle(bool inRadians) const;
  // The offset to move by: the entered one when relative, else from the
  // reference point to the entered position.
  POINT GetPosition(POINT reference) const;
  static void GetSkewedCorners(double horizontal, double vertical, int w, int h, POINT out[4]);

  NumericTransformValues values;
  bool widthLeads = true;

 private:
  void Follow();
  RECT object_;
  int dpiX_, dpiY_;
};

}  // namespace lumora
