// Merge-mode names and the lookups between names and codes. The names come
// from the program's string table; the map between them is made once, on
// first use, under the static-initialisation guard, so both lookups are
// safe from any thread.
#include "engine/blend/MergeModes.h"

#include <map>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

const MergeModeName kMergeModeNames[kMergeModeCount] = {
    {kMergeNormal, IDS_MERGE_NORMAL},          {kMergeDarken, IDS_MERGE_DARKEN},
    {kMergeLighten, IDS_MERGE_LIGHTEN},        {kMergeHue, IDS_MERGE_HUE},
    {kMergeSaturation, IDS_MERGE_SATURATION},  {kMergeColor, IDS_MERGE_COLOR},
    {kMergeLuminosity, IDS_MERGE_LUMINOSITY},  {kMergeMultiply, IDS_MERGE_MULTIPLY},
    {kMergeScreen, IDS_MERGE_SCREEN},          {kMergeDissolve, IDS_MERGE_DISSOLVE},
    {kMergeOverlay, IDS_MERGE_OVERLAY},        {kMergeHardLight, IDS_MERGE_HARD_LIGHT},
    {kMergeSoftLight, IDS_MERGE_SOFT_LIGHT},   {kMergeDifference, IDS_MERGE_DIFFERENCE},
    {kMergeExclusion, IDS_MERGE_EXCLUSION},    {kMergeColorDodge, IDS_MERGE_COLOR_DODGE},
    {kMergeColorBurn, IDS_MERGE_COLOR_BURN},   {kMergeAdd, IDS_MERGE_ADD},
    {kMergeSubtract, IDS_MERGE_SUBTRACT},
};

}  // namespace lumora

namespace {

using NameMap = std::map<std::string, int, std::less<>>;

// The ids in the order the map is filled; with a translated table where two
// names coincide, the later id's code wins.
constexpr int kFillOrder[lumora::kMergeModeCount] = {
    IDS_MERGE_NORMAL,     IDS_MERGE_DISSOLVE,    IDS_MERGE_MULTIPLY,    IDS_MERGE_SCREEN, IDS_MERGE_OVERLAY,
    IDS_MERGE_SOFT_LIGHT, IDS_MERGE_HARD_LIGHT,  IDS_MERGE_COLOR_DODGE, IDS_MERGE_COLOR_BURN,
    IDS_MERGE_DARKEN,     IDS_MERGE_LIGHTEN,     IDS_MERGE_DIFFERENCE,  IDS_MERGE_EXCLUSION,
    IDS_MERGE_HUE,        IDS_MERGE_SATURATION,  IDS_MERGE_COLOR,       IDS_MERGE_LUMINOSITY,
    IDS_MERGE_ADD,        IDS_MERGE_SUBTRACT,
};

int CodeOfStringId(int stringId) {
  for (const auto& entry : lumora::kMergeModeNames) {
    if (entry.stringId == stringId) return entry.code;
  }
  return lumora::kMergeNormal;
}

NameMap MakeMap() {
  NameMap map;
  for (int id : kFillOrder) map[std::string(res::String(static_cast<std::uint32_t>(id)))] = CodeOfStringId(id);
  return map;
}

const NameMap& Map() {
  static const NameMap map = MakeMap();
  return map;
}

}  // namespace

void BuildMergeModeMap() { Map(); }

std::string GetMergeModeName(int code) {
  for (const auto& [name, entryCode] : Map()) {
    if (entryCode == code) return name;
  }
  return {};
}

int GetMergeModeByName(std::string_view name) {
  const auto it = Map().find(name);
  return it == Map().end() ? lumora::kMergeNormal : it->second;
}
