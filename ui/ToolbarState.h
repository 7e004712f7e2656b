// A toolbar's saved layout: the state file ("%i.tbs", one archive: the
// caption, the sizes and one record per shown button, embedded controls by
// their factory's record) and its image strip (".tbi", a bitmap file with
// the four standard button colours). Reading checks everything against
// the files: a damaged layout is refused as a whole, never half applied.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Archive.h"

namespace lumora {

// Control tags of the state file.
inline constexpr char kTagCombo[] = "WND_COMBOBOX";
inline constexpr char kTagEdit[] = "WND_EDIT";
inline constexpr char kTagUnknown[] = "WND_UNKNOWN";
inline constexpr char kTagColour[] = "WND_MCOLOR";
inline constexpr char kTagModeCombo[] = "WND_SCOMBOBOX";

// A combo box's record after its tag.
struct ComboRecord {
  std::uint32_t style = 0, exStyle = 0, id = 0;
  std::uint16_t width = 0, height = 0;
  bool hasItems = false;  // false: count 65535
  std::vector<std::string> items;
  std::uint16_t selection = 65535;  // 65535: none
  std::uint32_t horizontalExtent = 0, droppedWidth = 0, fieldHeight = 0;
};

// An embedded control as the state file holds it.
struct ControlRecord {
  std::string tag;
  ComboRecord combo;  // "WND_COMBOBOX"
  // "WND_SCOMBOBOX", "WND_MCOLOR": written by the control itself.
  std::uint16_t width = 0, height = 0;
  std::uint32_t id = 0;
};

struct ToolbarButtonRecord {
  std::uint32_t command = 0;
  bool isControl = false;
  ControlRecord control;
  std::uint8_t style = 0;
  std::uint16_t image = 0;  // into the strip; 0 for a separator
  std::string text;
};

struct ToolbarStateRecord {
  std::string caption;
  std::uint16_t buttonWidth = 0, buttonHeight = 0, imageWidth = 0, imageHeight = 0;
  std::vector<ToolbarButtonRecord> buttons;
  // The update that wrote the file; its image file carries the same
  // (ToolbarStateFiles.h). 0, written as nothing, in files of no update.
  std::uint32_t stamp = 0;
};

// What a bar can have. Images and buttons are at most kMaxButtonSide
// pixels each way, an image no larger than its button; a bar holds at most
// kMaxToolbarButtons buttons (more than a screen's width of the smallest);
// an embedded control is kMinControlWidth to kMaxControlSide pixels wide,
// its list at most kMaxControlSide high and kMaxComboItems long.
inline constexpr int kMaxButtonSide = 128;
inline constexpr int kMaxToolbarButtons = 256;
inline constexpr int kMinControlWidth = 5;
inline constexpr int kMaxControlSide = 4096;
inline constexpr int kMaxComboItems = 4096;
// A strip holds at most one image for each button.
inline constexpr std::uint64_t kMaxStripPixels =
    std::uint64_t{kMaxToolbarButtons} * kMaxButtonSide * kMaxButtonSide;

// Why a layout read from a file cannot be a bar's (words that follow "the
// state file "), or null: a size, count or position no bar can have. A
// layout of no buttons is the default bar, whatever its sizes.
const char* ToolbarStateFault(const ToolbarStateRecord& state);

// Separator style bit of a button record.
constexpr std::uint8_t kButtonStyleSeparator = 0x01;

void WriteControlRecord(fw::Archive& ar, const ControlRecord& control);
void WriteToolbarState(fw::Archive& ar, const ToolbarStateRecord& state);
// Throws fw::FileException on a damaged file: a count beyond the file, an
// unknown control tag, a string past the end, bytes after the records
// other than the stamp, or a layout ToolbarStateFault refuses.
ControlRecord ReadControlRecord(fw::Archive& ar);
ToolbarStateRecord ReadToolbarState(fw::Archive& ar);
// ReadToolbarState over bytes; false for anything it throws on.
bool ParseToolbarState(const std::uint8_t* data, std::size_t size, ToolbarStateRecord& out);
// Whether the records fit a strip of `imageCount` images: every plain
// button's image lies in the strip (65535 and separators aside).
bool ImagesFitStrip(const ToolbarStateRecord& state, int imageCount);

// An image strip: one row of images, pixels 0xRRGGBB from the top row.
struct ImageStrip {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The four standard button colours (black, dark grey, light grey, white)
// and the system colours they stand for (text, shadow, face, highlight).
using ButtonColours = std::array<std::uint32_t, 4>;
inline constexpr ButtonColours kStandardButtonColours = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF};
// Replaces every pixel of one table by its partner of the other.
void MapButtonColours(ImageStrip& strip, const ButtonColours& from, const ButtonColours& to);

// The strip as a bitmap file: 24 bits per pixel, bottom-up rows; the
// stamp of its state file in the file header's two reserved words.
std::vector<std::uint8_t> EncodeStripBitmap(const ImageStrip& strip, std::uint32_t stamp = 0);
// Reads a bitmap file of 1, 4, 8 or 24 bits per pixel (no compression),
// of width 0 for a strip of no images; false for anything else, a file
// shorter than it says or a strip of more than kMaxStripPixels.
bool DecodeStripBitmap(const std::uint8_t* data, std::size_t size, ImageStrip& out);
// The stamp of a strip's file (0 for a file too short to hold one).
std::uint32_t StripBitmapStamp(const std::uint8_t* data, std::size_t size);
// A strip holds whole images of that size: its height is the image
// height and its width a whole number of image widths; the image count.
int StripImageCount(const ImageStrip& strip, int imageWidth, int imageHeight);

// The image file of a state file: its extension replaced by "tbi".
std::string ImageFileOf(const std::string& stateFile);

}  // namespace lumora
