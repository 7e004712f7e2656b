// The brush pages' rules.
#include "paint/BrushPageRules.h"

#include <algorithm>

#include "engine/blend/MergeModes.h"

namespace paint {

int PredefinedWidthIndex(int width) {
  for (std::size_t i = 0; i < kPredefinedWidths.size(); ++i) {
    if (kPredefinedWidths[i] == width) return static_cast<int>(i);
  }
  return -1;
}

WidthState CheckWidth(int width, bool custom, int typed) {
  WidthState s;
  s.custom = custom;
  s.typed = std::clamp(typed, 1, kMaxBrushWidth);
  if (width < 1) {
    width = 1;
    s.custom = false;
  }
  if (!s.custom && PredefinedWidthIndex(width) < 0) {
    s.custom = true;
    s.typed = std::clamp(width, 1, kMaxBrushWidth);
  }
  s.width = s.custom ? s.typed : width;
  s.index = std::max(0, PredefinedWidthIndex(s.width));
  return s;
}

std::vector<InsertItem> InsertModeItems(bool restricted) {
  static constexpr int kOrder[] = {0, 9, -1, 7, 8, 10, 12, 11, -1, 15, 16, -1, 1, 2, 13, 14};
  static constexpr int kColourModes[] = {-1, 3, 4, 5, 6};
  std::vector<InsertItem> items;
  auto add = [&items](int code) {
    items.push_back(code < 0 ? InsertItem{kSeparatorText, -1} : InsertItem{GetMergeModeName(code), code});
  };
  for (int code : kOrder) add(code);
  if (!restricted) {
    for (int code : kColourModes) add(code);
  }
  return items;
}

int FindInsertItem(const std::vector<InsertItem>& items, const std::string& name) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].code >= 0 && items[i].text == name) return static_cast<int>(i);
  }
  return 0;
}

int EdgeSizeFor(const EdgeValues& edge, int width) {
  const std::size_t index = std::min<std::size_t>(edge.sizeIndex, 3);
  const int size = edge.absolute != 0 ? edge.sizes[index] : edge.sizes[4 + index] * width / 100;
  return std::clamp(size, 0, 255);
}

void FillPresetFromSettings(PB_PREDEFITEM* preset, const PageSettings& settings) {
  preset->shape = settings.shape;
  preset->paper = static_cast<std::int32_t>(settings.paper) - 1;
  preset->width = settings.width;
  preset->opacity = settings.opacity;
  preset->insertMode = settings.insertMode;
  preset->params = settings.params;
  preset->edge = settings.edge;
}

void ApplyPresetToSettings(const PB_PREDEFITEM& preset, PageSettings* settings) {
  settings->shape = preset.shape;
  settings->paper = static_cast<std::uint32_t>(std::max(0, preset.paper + 1));
  settings->opacity = preset.opacity;
  settings->insertMode = preset.insertMode;
  settings->params = preset.params;
  settings->edge = preset.edge;
  const int index = PredefinedWidthIndex(static_cast<int>(preset.width));
  settings->customWidth = index < 0 ? 1 : 0;
  if (index < 0) settings->typedWidth = preset.width;
  settings->widthIndex = static_cast<std::uint32_t>(std::max(0, index));
  settings->width = preset.width;
}

bool RemovePresetAt(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int position) {
  if (position < 0 || position >= static_cast<int>(presets->size())) return false;
  presets->erase(presets->begin() + position);
  for (std::size_t i = 0; i < presets->size(); ++i) (*presets)[i]->index = static_cast<int>(i);
  return true;
}

int FindPresetToRemove(const std::vector<std::unique_ptr<PREDEFITEM>>& presets, int selected, const std::string& name) {
  if (selected >= 0 && selected < static_cast<int>(presets.size()) && presets[selected]->name == name) return selected;
  for (std::size_t i = 0; i < presets.size(); ++i) {
    if (presets[i]->name == name) return static_cast<int>(i);
  }
  return -1;
}

std::uint32_t CheckPresetName(const std::string& name, const std::vector<std::string>& existing) {
  if (name.size() < 2) return kMsgNameTooShort;
  for (auto it = existing.rbegin(); it != existing.rend(); ++it) {
    if (*it == name) return kMsgPresetNameUsed;
  }
  return 0;
}

std::uint32_t CheckImageEntry(const std::string& name, const std::string& source, const std::vector<std::string>& existing) {
  if (name.size() < 2) return kMsgNameTooShort;
  // The file-name part: what follows the last separator or drive colon.
  const std::size_t cut = source.find_last_of("\\/:");
  const std::string file = cut == std::string::npos ? source : source.substr(cut + 1);
  if (file.empty()) return kMsgBadPathName;
  for (auto it = existing.rbegin(); it != existing.rend(); ++it) {
    if (*it == name) return kMsgImageNameUsed;
  }
  return 0;
}

std::string MakeUniqueItemName(const std::string& defaultText, const std::vector<std::string>& storeNames, int selected) {
  if (selected < 0 || selected >= static_cast<int>(storeNames.size())) return defaultText;
  const std::string& name = storeNames[static_cast<std::size_t>(selected)];
  std::string stem = name;
  long long start = 0;
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  if (digits < name.size() && digits > 0 && name[digits - 1] == ' ' && name.size() - digits <= 10) {
    const long long number = std::stoll(name.substr(digits));
    if (number < 2147483647) {
      stem = name.substr(0, digits - 1);
      start = number + 1;
    }
  }
  for (long long counter = start; counter <= 2147483647; ++counter) {
    const std::string candidate = stem + " " + std::to_string(counter);
    bool used = false;
    for (std::size_t i = 0; i < storeNames.size() && !used; ++i) {
      used = static_cast<int>(i) != selected && storeNames[i] == candidate;
    }
    if (!used) return candidate;
  }
  return defaultText;
}

void OnShapeEntryRemoved(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int index) {
  const auto position = static_cast<std::uint32_t>(kStandardShapeCount + index);
  for (auto& preset : *presets) {
    if (preset->shape == position) {
      preset->shape = 0;
    } else if (preset->shape > position) {
      --preset->shape;
    }
  }
}

void OnPaperEntryRemoved(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int index) {
  for (auto& preset : *presets) {
    if (preset->paper == index) {
      preset->paper = -1;
    } else if (preset->paper > index) {
      --preset->paper;
    }
  }
}

EdgeOptionsForm EdgeFormFromValues(const EdgeValues& edge) {
  EdgeOptionsForm form;
  form.densityType = static_cast<int>(edge.optionId);
  form.units = edge.absolute == 1 ? 1 : 0;
  for (int i = 0; i < 4; ++i) {
    form.pixelLevels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(edge.sizes[static_cast<std::size_t>(i)] & 0xFF);
    form.percentLevels[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(edge.sizes[static_cast<std::size_t>(4 + i)] & 0xFF);
  }
  return form;
}

void EdgeValuesFromForm(const EdgeOptionsForm& form, EdgeValues* edge) {
  edge->optionId = static_cast<std::uint32_t>(form.densityType);
  edge->absolute = form.units != 0 ? 1 : 0;
  for (std::size_t i = 0; i < 4; ++i) {
    edge->sizes[i] = form.pixelLevels[i];
    edge->sizes[4 + i] = form.percentLevels[i];
  }
}

bool ParseEdgeLevel(const std::string& text, int* level) {
  if (text.empty() || text.size() > 3) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > kMaxEdgeLevel) return false;
  *level = v;
  return true;
}

}  // namespace paint
