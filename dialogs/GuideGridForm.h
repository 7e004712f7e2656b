// What the guides-and-grid preferences page computes without a window: the
// unit list and the length-unit codes, the spacing's limits per unit, its
// conversion when the unit changes, the subdivisions' bounds, and the two
// colour schemes kept in the settings file.
#pragma once

#include <string>
#include <vector>

#include "framework/Profile.h"
#include "platform/win32types.h"

namespace lumora {

// The unit combo's entries: 0 "Pixels", 1 "Cm", 2 "Inches", 3 "Points".
enum GridUnitIndex : int { kGridPixels = 0, kGridCm = 1, kGridInches = 2, kGridPoints = 3 };

// Combo index to length-unit code (cm 0, inch 1, pixels 2, points 3) and
// back.
int GridIndexToUnit(int index);
int GridUnitToIndex(int unit);

// The spacing while it is typed: centimetres 0.1 .. 10000, inches
// 0.0625 .. 1000, pixels 1 .. 1000 (whole), points 1 .. 1000; a value
// outside becomes the nearer bound.
double LimitTypedSpacing(double value, int index);
// What data exchange accepts: centimetres 0 .. 10000, inches 0 .. 1000,
// pixels 1 .. 1000 (rounded first), points 1 .. 1000.
bool SpacingAccepted(double value, int index);
// A spacing in one unit in another at `dpi`.
double ConvertSpacing(double value, int fromIndex, int toIndex, int dpi);
constexpr int kMinSubdivisions = 1;
constexpr int kMaxSubdivisions = 100;
int ClampSubdivisions(int value);

// A named colour of a scheme.
struct SchemeColor {
  std::string name;
  COLORREF rgb;  // red in the low byte
};

// The nine colours of the default scheme, named from the string table.
std::vector<SchemeColor> DefaultColorScheme();
// One entry "R,G,B,Name": false for anything else (an empty field
// included).
bool ParseSchemeEntry(const std::string& text, SchemeColor* out);
// A section with `count` in 1 .. 20 and at least one readable entry;
// otherwise the default scheme.
std::vector<SchemeColor> LoadColorScheme(fw::Profile& profile, const char* section);
// `count` and the entries; an empty list writes nothing.
void SaveColorScheme(fw::Profile& profile, const char* section, const std::vector<SchemeColor>& scheme);

constexpr const char* kGuideSchemeSection = "GuideColorScheme";
constexpr const char* kGridSchemeSection = "GridColorScheme";

// The page's values: colours, line styles (0 lines, 1 dashed, 2 dots for
// the grid), the spacing in the unit of `unitIndex`, the subdivisions.
struct GuideGridValues {
  COLORREF guideColor = 0xFB8426;
  COLORREF gridColor = 0x838383;
  int guideStyle = 0;
  int gridStyle = 2;
  double spacing = 1.0;
  int unitIndex = kGridPixels;
  int subdivisions = 4;
  bool operator==(const GuideGridValues&) const = default;
};

}  // namespace lumora
