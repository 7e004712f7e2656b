// The Rotate dialog's model: the angle typed (up to two decimals) or set on
// the dial, the direction, and the angle OK hands back.
#pragma once

#include <string>

namespace lumora {

class RotateForm {
 public:
  enum Direction { kClockwise = 0, kCounterclockwise = 1 };

  // The edit's text of an angle of 0 or more: whole degrees, then one or
  // two decimals only when there are any ("12", "12.3", "1.05").
  static std::string Format(double angle);
  // The angle of a typed text: its leading digits and dots, whole degrees
  // before the first dot, at most two decimals after it; 0 when empty.
  static double Parse(const std::string& text);
  // What the dial is sent (message 1538): tenths of a degree, less whole
  // turns, clockwise (negative for a counterclockwise angle).
  static int DialTenths(double angle, int direction);
  // The angle of a dial position (tenths, clockwise) in the direction.
  static double FromDial(int tenths, int direction);
  // OK's result: degrees within (-360, 360), positive clockwise, rounded
  // to hundredths half away from zero.
  static double Result(double angle, int direction);
};

}  // namespace lumora
