// The 19 merge modes of a layer: their codes, display names (texts of the
// string table) and the lookups between the two that dialogs, the layer palette
// and the command language use.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

enum MergeModeCode : int {
  kMergeNormal = 0,
  kMergeDarken = 1,
  kMergeLighten = 2,
  kMergeHue = 3,
  kMergeSaturation = 4,
  kMergeColor = 5,
  kMergeLuminosity = 6,
  kMergeMultiply = 7,
  kMergeScreen = 8,
  kMergeDissolve = 9,
  kMergeOverlay = 10,
  kMergeHardLight = 11,
  kMergeSoftLight = 12,
  kMergeDifference = 13,
  kMergeExclusion = 14,
  kMergeColorDodge = 15,
  kMergeColorBurn = 16,
  kMergeAdd = 17,
  kMergeSubtract = 18,
};

inline constexpr int kMergeModeCount = 19;

struct MergeModeName {
  int code;
  int stringId;  // the entry of the string table that holds the name
};

// Indexed by code.
extern const MergeModeName kMergeModeNames[kMergeModeCount];

}  // namespace lumora

// Builds the map from display name to code out of the string table (the
// names' ids in a fixed order); the lookups below call it once, on first use.
void BuildMergeModeMap();

// The display name of a code; the empty string for a code outside 0..18.
std::string GetMergeModeName(int code);
// The code of a display name, compared byte for byte (case-sensitive, no
// trimming); 0 (Normal) for a name that is not one of the 19.
int GetMergeModeByName(std::string_view name);
