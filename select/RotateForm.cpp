// The Rotate dialog's model.
#include "select/RotateForm.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace lumora {

std::string RotateForm::Format(double angle) {
  const long long hundredths = static_cast<long long>(std::floor(angle * 100.0 + 0.5));
  const long long whole = hundredths / 100, h = hundredths % 100;
  char text[48];
  if (h == 0) {
    std::snprintf(text, sizeof text, "%lld", whole);
  } else if (h % 10 == 0) {
    std::snprintf(text, sizeof text, "%lld.%lld", whole, h / 10);
  } else {
    std::snprintf(text, sizeof text, "%lld.%02lld", whole, h);
  }
  return text;
}

double RotateForm::Parse(const std::string& text) {
  std::size_t end = 0;
  while (end < text.size() && (text[end] == '.' || (text[end] >= '0' && text[end] <= '9'))) ++end;
  const std::string run = text.substr(0, end);
  const std::size_t dot = run.find('.');
  auto number = [](const std::string& digits) {
    double v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') break;
      v = v * 10 + (c - '0');
    }
    return v;
  };
  if (dot == std::string::npos) return number(run);
  std::string fraction;
  for (std::size_t i = dot + 1; i < run.size() && run[i] >= '0' && run[i] <= '9' && fraction.size() < 2; ++i) {
    fraction += run[i];
  }
  const double part = fraction.empty() ? 0.0 : number(fraction) / (fraction.size() == 1 ? 10.0 : 100.0);
  return number(run.substr(0, dot)) + part;
}

int RotateForm::DialTenths(double angle, int direction) {
  const double turns = std::trunc(std::trunc(angle) / 360.0);
  const int tenths = static_cast<int>((angle - 360.0 * turns + 0.05) * 10.0);
  return direction == kCounterclockwise ? -tenths : tenths;
}

double RotateForm::FromDial(int tenths, int direction) {
  const double a = tenths * 0.1;
  return direction == kCounterclockwise ? 360.0 - a : a;
}

double RotateForm::Result(double angle, int direction) {
  double a = direction == kCounterclockwise ? -angle : angle;
  a -= 360.0 * std::trunc(std::trunc(a) / 360.0);
  const double shifted = a > 0 ? a + 0.005 : a - 0.005;
  return std::trunc(shifted * 100.0) * 0.01;
}

}  // namespace lumora
