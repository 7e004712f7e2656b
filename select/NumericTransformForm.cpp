// The Numeric Transform dialog's model.
#include "select/NumericTransformForm.h"

#include <cmath>

namespace lumora {

namespace {

constexpr double kDegree = 0.017453292519943295;
constexpr double kInchPerCm = 0.39370078740157477;

int Tenths(double v) { return static_cast<int>(std::trunc(v * 10.0)); }

}  // namespace

NumericTransformForm::NumericTransformForm(const RECT& object, int dpiX, int dpiY)
    : object_(object), dpiX_(dpiX > 0 ? dpiX : 96), dpiY_(dpiY > 0 ? dpiY : 96) {}

void NumericTransformForm::Load(fw::Profile& p) {
  NumericTransformValues& v = values;
  v.position = p.GetInt(kSection, "Position", 1);
  v.x = p.GetInt(kSection, "X", 0) / 10.0;
  v.y = p.GetInt(kSection, "Y", 0) / 10.0;
  v.xUnit = p.GetInt(kSection, "X_UNIT", 0);
  v.yUnit = p.GetInt(kSection, "Y_UNIT", 0);
  // A first run moves by nothing and keeps the size (not absolute 0, 0 at
  // 10 %).
  v.relative = p.GetInt(kSection, "Relative", 1);
  v.scale = p.GetInt(kSection, "Scale", 1);
  v.width = p.GetInt(kSection, "Width", 1000) / 10.0;
  v.height = p.GetInt(kSection, "Height", 1000) / 10.0;
  v.widthUnit = p.GetInt(kSection, "Width_UNIT", kPercent);
  v.heightUnit = p.GetInt(kSection, "Height_UNIT", kPercent);
  v.proportions = p.GetInt(kSection, "Proportions", 0);
  v.skew = p.GetInt(kSection, "Skew", 1);
  v.skewHor = p.GetInt(kSection, "HOR", 0) / 10.0;
  v.skewVer = p.GetInt(kSection, "VER", 0) / 10.0;
  v.rotate = p.GetInt(kSection, "Rotate", 1);
  v.angle = p.GetInt(kSection, "angle", 0) / 10.0;
}

void NumericTransformForm::Save(fw::Profile& p) const {
  const NumericTransformValues& v = values;
  p.WriteInt(kSection, "Position", v.position);
  p.WriteInt(kSection, "X", Tenths(v.x));
  p.WriteInt(kSection, "Y", Tenths(v.y));
  p.WriteInt(kSection, "X_UNIT", v.xUnit);
  p.WriteInt(kSection, "Y_UNIT", v.yUnit);
  p.WriteInt(kSection, "Relative", v.relative);
  p.WriteInt(kSection, "Scale", v.scale);
  p.WriteInt(kSection, "Width", Tenths(v.width));
  p.WriteInt(kSection, "Height", Tenths(v.height));
  p.WriteInt(kSection, "Width_UNIT", v.widthUnit);
  p.WriteInt(kSection, "Height_UNIT", v.heightUnit);
  p.WriteInt(kSection, "Proportions", v.proportions);
  p.WriteInt(kSection, "Skew", v.skew);
  p.WriteInt(kSection, "HOR", Tenths(v.skewHor));
  p.WriteInt(kSection, "VER", Tenths(v.skewVer));
  p.WriteInt(kSection, "Rotate", v.rotate);
  p.WriteInt(kSection, "angle", Tenths(v.angle));
}

void NumericTransformForm::Initialise() {
  const int w = object_.right - object_.left, h = object_.bottom - object_.top;
  if (!(values.widthUnit == kPercent && values.heightUnit == kPercent)) {
    values.width = PixelsToUnit(w, values.widthUnit, true);
    values.height = PixelsToUnit(h, values.heightUnit, false);
  }
  widthLeads = w > h;
}

double NumericTransformForm::UnitToPixels(double v, int unit, bool horizontal) const {
  const double dpi = horizontal ? dpiX_ : dpiY_;
  const double extent = horizontal ? object_.right - object_.left : object_.bottom - object_.top;
  switch (unit) {
    case kInches: return v * dpi;
    case kCm: return v * dpi * kInchPerCm;
    case kPercent: return extent * v * 0.01;
    default: return v;
  }
}

double NumericTransformForm::PixelsToUnit(double p, int unit, bool horizontal) const {
  const double dpi = horizontal ? dpiX_ : dpiY_;
  const double extent = horizontal ? object_.right - object_.left : object_.bottom - object_.top;
  switch (unit) {
    case kInches: return p / dpi;
    case kCm: return p / dpi * 2.54;
    case kPercent: return extent != 0 ? p * 100.0 / extent : 0.0;
    default: return p;
  }
}

void NumericTransformForm::Follow() {
  if (values.proportions == 0) return;
  const double w = object_.right - object_.left, h = object_.bottom - object_.top;
  if (w <= 0 || h <= 0) return;
  if (widthLeads) {
    values.height = PixelsToUnit(h * UnitToPixels(values.width, values.widthUnit, true) / w, values.heightUnit, false);
  } else {
    values.width = PixelsToUnit(w * UnitToPixels(values.height, values.heightUnit, false) / h, values.widthUnit, true);
  }
}

void NumericTransformForm::OnWidthTyped(double width) {
  values.width = width;
  widthLeads = true;
  Follow();
}

void NumericTransformForm::OnHeightTyped(double height) {
  values.height = height;
  widthLeads = false;
  Follow();
}

void NumericTransformForm::OnProportionsClicked(bool on) {
  values.proportions = on ? 1 : 0;
  // The other dimension follows the leading one whatever the new state.
  const int kept = values.proportions;
  values.proportions = 1;
  Follow();
  values.proportions = kept;
}

void NumericTransformForm::OnUnitChanged(int field, int unit) {
  NumericTransformValues& v = values;
  double* value[] = {&v.x, &v.y, &v.width, &v.height};
  int* units[] = {&v.xUnit, &v.yUnit, &v.widthUnit, &v.heightUnit};
  if (field < 0 || field > 3) return;
  const bool horizontal = field == 0 || field == 2;
  const double pixels = UnitToPixels(*value[field], *units[field], horizontal);
  *units[field] = unit;
  *value[field] = PixelsToUnit(pixels, unit, horizontal);
}

SIZE NumericTransformForm::GetSize() const {
  return SIZE{static_cast<LONG>(std::trunc(UnitToPixels(values.width, values.widthUnit, true) + 0.5)),
              static_cast<LONG>(std::trunc(UnitToPixels(values.height, values.heightUnit, false) + 0.5))};
}

void NumericTransformForm::GetSkewedCorners(double a, double b, int w, int h, POINT out[4]) {
  const LONG dx = static_cast<LONG>(std::trunc(h / (2.0 * std::tan((90.0 - a) * kDegree)) + 0.5));
  const LONG dy = static_cast<LONG>(std::trunc(w / (2.0 * std::tan((90.0 - b) * kDegree)) + 0.5));
  out[0] = POINT{dx, dy};
  out[1] = POINT{w + dx, -dy};
  out[2] = POINT{w - dx, h - dy};
  out[3] = POINT{-dx, h + dy};
}

void NumericTransformForm::GetSkewCorners(int w, int h, POINT out[4]) const {
  GetSkewedCorners(values.skewHor, values.skewVer, w, h, out);
}

double NumericTransformForm::GetAngle(bool inRadians) const { return inRadians ? values.angle * kDegree : values.angle; }

POINT NumericTransformForm::GetPosition(POINT reference) const {
  POINT p{static_cast<LONG>(std::trunc(UnitToPixels(values.x, values.xUnit, true) + 0.5)),
          static_cast<LONG>(std::trunc(UnitToPixels(values.y, values.yUnit, false) + 0.5))};
  if (values.relative == 0) {
    p.x -= reference.x;
    p.y -= reference.y;
  }
  return p;
}

}  // namespace lumora
