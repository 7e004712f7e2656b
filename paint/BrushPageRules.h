// The rules of the brush pages that do not depend on their windows: the
// predefined widths and the width check, the insert-mode list with its
// separators, the edge size a width gets, and the presets taken from and
// applied to a page's settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "paint/BrushFile.h"

namespace paint {

constexpr std::array<int, 6> kPredefinedWidths{1, 3, 5, 7, 9, 11};
constexpr int kMaxBrushWidth = 99;

// The width controls' state for a stored width: a width below 1 becomes 1
// in standard mode; a standard width that is not predefined switches to
// custom mode with that width typed; in custom mode the typed width is the
// width. The index is the width's place among the predefined ones (0 when
// none).
struct WidthState {
  bool custom = false;
  int index = 0;
  int typed = 12;
  int width = 12;
};
WidthState CheckWidth(int width, bool custom, int typed);
// The predefined width's place, -1 for another width.
int PredefinedWidthIndex(int width);

// One item of the "Insert result:" list: a merge-mode name and its code, or
// a separator ("_", code -1).
struct InsertItem {
  std::string text;
  int code;
};
constexpr char kSeparatorText[] = "_";
// Normal, Dissolve, _, Multiply ... Exclusion, and unless restricted (grey
// images, mask editing) _, Hue, Saturation, Color, Luminosity. Add and
// Subtract are never offered.
std::vector<InsertItem> InsertModeItems(bool restricted);
// The position of the item named `name` (exactly), else 0 (Normal).
int FindInsertItem(const std::vector<InsertItem>& items, const std::string& name);

// The edge a width gets: the pixel size at the size index, or that
// percentage of the width (clamped to a byte).
int EdgeSizeFor(const EdgeValues& edge, int width);

// A preset of the page's current values (paper stored as the store
// position, -1 for none), and the page's values from a preset (the width
// mode follows the width).
void FillPresetFromSettings(PB_PREDEFITEM* preset, const PageSettings& settings);
void ApplyPresetToSettings(const PB_PREDEFITEM& preset, PageSettings* settings);
// Removes the preset at `position` and renumbers the later ones; false for
// a position out of range.
bool RemovePresetAt(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int position);
// The preset to remove for a name: the selected one when its name equals
// `name`, else the first with that name; -1 when none has it.
int FindPresetToRemove(const std::vector<std::unique_ptr<PREDEFITEM>>& presets, int selected, const std::string& name);

// The name a new preset may take: 0 when it may; 10098 ("Please enter more
// than 2 characters.") when shorter than 2 characters; 10226 when a name in
// `existing` equals it exactly (names differing in case do not clash).
constexpr std::uint32_t kMsgNameTooShort = 10098;
constexpr std::uint32_t kMsgPresetNameUsed = 10226;
std::uint32_t CheckPresetName(const std::string& name, const std::vector<std::string>& existing);

// A new shape's or paper's name and image file: 0 when they may be added;
// 10098 for a name under 2 characters, 10099 ("Please enter correct path
// name.") for a source without a file name, 10221 when a name in `existing`
// equals it exactly.
constexpr std::uint32_t kMsgBadPathName = 10099;
constexpr std::uint32_t kMsgImageNameUsed = 10221;
std::uint32_t CheckImageEntry(const std::string& name, const std::string& source, const std::vector<std::string>& existing);

// The name proposed for a new shape or paper: with a selected store entry
// (`selected`, -1 none) its name's stem and the next free number after its
// own ("Shape 3" -> "Shape 4"), a stem without a number counting from 0;
// the default text without a selected entry.
std::string MakeUniqueItemName(const std::string& defaultText, const std::vector<std::string>& storeNames, int selected);

// The presets after store entry `index` went: a shape on it becomes 0
// (Square), later ones move down (shapes count the six standard ones
// first); a paper on it becomes -1 (none), later ones move down.
void OnShapeEntryRemoved(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int index);
void OnPaperEntryRemoved(std::vector<std::unique_ptr<PREDEFITEM>>* presets, int index);

// The Edge Options dialog's values: density type (0 transparent, 1 random),
// units (0 percent, 1 pixels) and the four processing levels in each unit.
struct EdgeOptionsForm {
  int densityType = 0;
  int units = 1;
  std::array<std::uint8_t, 4> pixelLevels{0, 5, 10, 20};
  std::array<std::uint8_t, 4> percentLevels{0, 5, 20, 35};
  // The levels the edits show in the current units.
  std::array<std::uint8_t, 4>& Shown() { return units != 0 ? pixelLevels : percentLevels; }
};
// From an edge record (the low bytes of its sizes), and back into one (its
// size index kept).
EdgeOptionsForm EdgeFormFromValues(const EdgeValues& edge);
void EdgeValuesFromForm(const EdgeOptionsForm& form, EdgeValues* edge);
// A typed level: digits, 0..200.
constexpr int kMaxEdgeLevel = 200;
bool ParseEdgeLevel(const std::string& text, int* level);

}  // namespace paint
