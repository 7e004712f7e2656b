// Merge-mode names and the lookups between names and codes. The table is a
// constant, so both lookups are safe from any thread without being filled
// first.
#include "engine/blend/MergeModes.h"

namespace lumora {

const MergeModeName kMergeModeNames[kMergeModeCount] = {
    {kMergeNormal, 16, "Normal"},           {kMergeDarken, 47, "Darken"},
    {kMergeLighten, 72, "Lighten"},         {kMergeHue, 148, "Hue"},
    {kMergeSaturation, 149, "Saturation"},  {kMergeColor, 150, "Color"},
    {kMergeLuminosity, 184, "Luminosity"},  {kMergeMultiply, 22, "Multiply"},
    {kMergeScreen, 23, "Screen"},           {kMergeDissolve, 21, "Dissolve"},
    {kMergeOverlay, 24, "Overlay"},         {kMergeHardLight, 45, "Hard Light"},
    {kMergeSoftLight, 25, "Soft Light"},    {kMergeDifference, 84, "Difference"},
    {kMergeExclusion, 90, "Exclusion"},     {kMergeColorDodge, 10078, "Color Dodge"},
    {kMergeColorBurn, 10079, "Color Burn"}, {kMergeAdd, 185, "Add"},
    {kMergeSubtract, 186, "Subtract"},
};

}  // namespace lumora

std::string GetMergeModeName(int code) {
  if (code < 0 || code >= lumora::kMergeModeCount) return {};
  return lumora::kMergeModeNames[code].text;
}

int GetMergeModeByName(std::string_view name) {
  for (const auto& entry : lumora::kMergeModeNames) {
    if (name == entry.text) return entry.code;
  }
  return lumora::kMergeNormal;
}
