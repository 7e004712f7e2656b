// Colour-model conversions, window mean, hue spectrum and unit conversion.
#include "engine/pixels/ColorModels.h"

#include <algorithm>

namespace {

// Hue of a colour whose largest component differs from its smallest: the
// position between the two neighbouring primaries, 256 per sector.
int HueOf(int red, int green, int blue, int max, int min) {
  const unsigned delta = static_cast<unsigned>(max - min);
  const int r = static_cast<int>(256u * static_cast<unsigned>(max - red) / delta);
  const int g = static_cast<int>(256u * static_cast<unsigned>(max - green) / delta);
  const int b = static_cast<int>(256u * static_cast<unsigned>(max - blue) / delta);
  int hue;
  if (red == max) {
    hue = b - g;
  } else if (green == max) {
    hue = r - b + 512;
  } else {
    hue = g - r + 1024;
  }
  while (hue < 0) hue += 1536;
  return hue;
}

// One channel of HLSToRGB: the hue brought into 0..1535, then a ramp from
// m1 up to m2, a plateau, a ramp down, and m1 for the far side of the wheel.
int HlsChannel(int m1, int m2, int hue) {
  hue %= 1536;
  if (hue < 0) hue += 1536;
  int v;
  if (hue < 256) {
    v = m1 + (m2 - m1) * hue / 256;
  } else if (hue < 768) {
    v = m2;
  } else if (hue < 1024) {
    v = m1 + (m2 - m1) * (1024 - hue) / 256;
  } else {
    v = m1;
  }
  return v >= 256 ? 255 : v;
}

}  // namespace

void RGBToHSV(int red, int green, int blue, int& hue, int& saturation, int& value) {
  const int max = std::max({red, green, blue});
  const int min = std::min({red, green, blue});
  value = max;
  saturation = max != 0 ? 256 * (max - min) / max : 0;
  hue = saturation != 0 ? HueOf(red, green, blue, max, min) : 0;
}

void HSVToRGB(int hue, int saturation, int value, int& red, int& green, int& blue) {
  if (saturation == 0) {
    red = green = blue = value;
    return;
  }
  if (hue == 1536) hue = 0;
  if (hue < 0) return;
  const int sector = hue / 256;
  const int f = hue % 256;
  const int p = value * (256 - saturation) / 256;
  const int q = value * (256 - saturation * f / 256) / 256;
  const int t = value * (256 - saturation * (255 - f) / 256) / 256;
  switch (sector) {
    case 0:
      red = value, green = t, blue = p;
      break;
    case 1:
      red = q, green = value, blue = p;
      break;
    case 2:
      red = p, green = value, blue = t;
      break;
    case 3:
      red = p, green = q, blue = value;
      break;
    case 4:
      red = t, green = p, blue = value;
      break;
    case 5:
      red = value, green = p, blue = q;
      break;
    default:
      break;
  }
}

void RGBToHLS(int red, int green, int blue, int& hue, int& saturation, int& lightness) {
  const int max = std::max({red, green, blue});
  const int min = std::min({red, green, blue});
  lightness = (max + min + 1) / 2;
  if (max == min) {
    hue = saturation = 0;
    return;
  }
  saturation =
      lightness <= 128 ? 256 * (max - min) / (max + min) : 256 * (max - min) / (512 - max - min);
  hue = HueOf(red, green, blue, max, min);
}

void HLSToRGB(int hue, int saturation, int lightness, int& red, int& green, int& blue) {
  const int m2 = lightness <= 128 ? (saturation + 256) * lightness / 256
                                  : saturation + lightness - saturation * lightness / 256;
  const int m1 = 2 * lightness - m2;
  if (saturation == 0) {
    red = green = blue = std::min(lightness, 255);
    return;
  }
  red = HlsChannel(m1, m2, hue + 512);
  green = HlsChannel(m1, m2, hue);
  blue = HlsChannel(m1, m2, hue - 512);
}

int AverageArea(const WAPIX* pix, int x, int y, int width, int height, int winWidth,
                int winHeight) {
  const int halfW = winWidth / 2;
  const int halfH = winHeight / 2;
  long long sum = 0;
  for (int wy = y - halfH; wy <= y + halfH; ++wy) {
    const int row = std::clamp(wy, 0, std::max(height - 1, 0));
    const std::uint8_t* bytes = GetWARow(row, pix);
    if (bytes == nullptr) continue;
    for (int wx = x - halfW; wx <= x + halfW; ++wx) {
      sum += bytes[std::clamp(wx, 0, std::max(width - 1, 0))];
    }
  }
  const long long divisor = std::max(1LL, static_cast<long long>(winWidth) * winHeight);
  return static_cast<int>(sum / divisor);
}

VrWA2000::WA* CreateColorSpectrumWA(int width, int height) {
  VrWA2000::WA* wa = NewWA(kWAType24, width, height, nullptr);
  if (wa == nullptr) return nullptr;
  const int half = width / 2;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = wa->Row(y);
    const int hue = 1536 * y / height;
    for (int x = 0; x < width; ++x) {
      int r = 0, g = 0, b = 0;
      if (x < half) {
        HSVToRGB(hue, 255, 512 * x / width, r, g, b);
      } else {
        HSVToRGB(hue, 255 - 511 * (x - half) / width, 255, r, g, b);
      }
      row[3 * x] = static_cast<std::uint8_t>(b);
      row[3 * x + 1] = static_cast<std::uint8_t>(g);
      row[3 * x + 2] = static_cast<std::uint8_t>(r);
    }
  }
  return wa;
}

double ConvertUnits(float value, int fromUnit, int toUnit, std::uint16_t dpi) {
  if (fromUnit == toUnit) return value;
  double pixels;
  switch (fromUnit) {
    case lumora::kUnitInches:
      pixels = static_cast<double>(value) * dpi;
      break;
    case lumora::kUnitCentimeters:
      pixels = static_cast<double>(value) * dpi * 0.39370078740157477;
      break;
    case lumora::kUnitPoints:
      pixels = static_cast<double>(value) * dpi * 0.013888888888888888;
      break;
    default:
      pixels = value;
      break;
  }
  switch (toUnit) {
    case lumora::kUnitInches:
      return pixels / dpi;
    case lumora::kUnitCentimeters:
      return pixels * 2.54 / dpi;
    case lumora::kUnitPoints:
      return pixels * 72 / dpi;
    default:
      return pixels;
  }
}
