// Units, spacing limits and colour schemes of the guides-and-grid page.
#include "dialogs/GuideGridForm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/pixels/ColorModels.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

int GridIndexToUnit(int index) {
  switch (index) {
    case kGridCm: return 0;
    case kGridInches: return 1;
    case kGridPoints: return 3;
    default: return 2;
  }
}

int GridUnitToIndex(int unit) {
  switch (unit) {
    case 0: return kGridCm;
    case 1: return kGridInches;
    case 3: return kGridPoints;
    default: return kGridPixels;
  }
}

double LimitTypedSpacing(double value, int index) {
  switch (index) {
    case kGridCm: return std::clamp(value, 0.1, 10000.0);
    case kGridInches: return std::clamp(value, 0.0625, 1000.0);
    case kGridPoints: return std::clamp(value, 1.0, 1000.0);
    default: return std::clamp(std::round(value), 1.0, 1000.0);
  }
}

bool SpacingAccepted(double value, int index) {
  if (!std::isfinite(value)) return false;
  switch (index) {
    case kGridCm: return value >= 0 && value <= 10000;
    case kGridInches: return value >= 0 && value <= 1000;
    case kGridPoints: return value >= 1 && value <= 1000;
    default: {
      const double whole = std::round(value);
      return whole >= 1 && whole <= 1000;
    }
  }
}

double ConvertSpacing(double value, int fromIndex, int toIndex, int dpi) {
  const int resolution = std::clamp(dpi, 1, 65535);
  return ConvertUnits(static_cast<float>(value), GridIndexToUnit(fromIndex), GridIndexToUnit(toIndex),
                      static_cast<std::uint16_t>(resolution));
}

int ClampSubdivisions(int value) { return std::clamp(value, kMinSubdivisions, kMaxSubdivisions); }

std::vector<SchemeColor> DefaultColorScheme() {
  struct Entry {
    int id;
    int r, g, b;
  };
  static constexpr Entry kDefault[] = {
      {IDS_COLOR_LIGHT_BLUE, 38, 132, 251}, {IDS_COLOR_LIGHT_RED, 255, 90, 76}, {IDS_COLOR_GREEN, 0, 251, 90},
      {IDS_COLOR_MEDIUM_BLUE, 62, 18, 250}, {IDS_COLOR_YELLOW, 255, 255, 90},   {IDS_COLOR_MAGENTA, 255, 90, 251},
      {IDS_COLOR_CYAN, 0, 251, 254},        {IDS_COLOR_LIGHT_GREY, 231, 231, 231}, {IDS_COLOR_BLACK, 0, 0, 0}};
  std::vector<SchemeColor> scheme;
  for (const Entry& e : kDefault) {
    scheme.push_back({std::string(res::String(e.id)),
                      static_cast<COLORREF>(e.r | (e.g << 8) | (e.b << 16))});
  }
  return scheme;
}

namespace {

// A whole number filling the field; an empty field or trailing text is
// refused.
bool ParseIntField(const std::string& field, int* out) {
  if (field.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(field.c_str(), &end, 10);
  if (end == field.c_str() || *end != '\0') return false;
  *out = static_cast<int>(std::clamp<long>(v, 0, 255));
  return true;
}

}  // namespace

bool ParseSchemeEntry(const std::string& text, SchemeColor* out) {
  int channels[3] = {};
  std::size_t at = 0;
  for (int& channel : channels) {
    const std::size_t comma = text.find(',', at);
    if (comma == std::string::npos || !ParseIntField(text.substr(at, comma - at), &channel)) return false;
    at = comma + 1;
  }
  const std::string name = text.substr(at);
  if (name.empty()) return false;
  out->name = name;
  out->rgb = static_cast<COLORREF>(channels[0] | (channels[1] << 8) | (channels[2] << 16));
  return true;
}

std::vector<SchemeColor> LoadColorScheme(fw::Profile& profile, const char* section) {
  constexpr int kMaxSchemeColors = 20;
  const int count = profile.GetInt(section, "count", 0);
  std::vector<SchemeColor> scheme;
  if (count >= 1 && count <= kMaxSchemeColors) {
    for (int i = 0; i < count; ++i) {
      SchemeColor color;
      if (ParseSchemeEntry(profile.GetString(section, std::to_string(i), ""), &color)) scheme.push_back(color);
    }
  }
  return scheme.empty() ? DefaultColorScheme() : scheme;
}

void SaveColorScheme(fw::Profile& profile, const char* section, const std::vector<SchemeColor>& scheme) {
  if (scheme.empty()) return;
  profile.WriteInt(section, "count", static_cast<int>(scheme.size()));
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    const COLORREF c = scheme[i].rgb;
    profile.WriteString(section, std::to_string(i),
                        std::to_string(c & 0xFF) + "," + std::to_string((c >> 8) & 0xFF) + "," +
                            std::to_string((c >> 16) & 0xFF) + "," + scheme[i].name);
  }
}

}  // namespace lumora
