// The brush file "<program>.BRS" beside the executable: the custom shape
// store, the paper store, then for each of the ten tool pages in tab order
// the page's presets and current settings, through the framework's archive
// in a fixed little-endian layout.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "paint/BrushMask.h"
#include "paint/ImageStore.h"

namespace fw {
class Archive;
}

namespace paint {

constexpr int kStandardShapeCount = 6;  // Square, Round, Rectangle, Ellipse, Slash, Back slash

// The tool pages in tab order.
enum class PageKind { eraser, paintBrush, clone, water, air, line, curve, rect, ellipse, polygon };
constexpr int kPageCount = 10;

// The values every page shares (width edges: four pixel sizes, then four
// percentages).
struct EdgeValues {
  std::uint32_t optionId = 0;
  std::uint32_t absolute = 1;
  std::uint32_t sizeIndex = 0;
  std::array<std::uint16_t, 8> sizes = {0, 5, 10, 20, 0, 5, 20, 35};
  bool operator==(const EdgeValues&) const = default;
};

// A named set of settings: the name, then u32 shape, width, paper (store
// position, -1 for none), opacity, insert mode.
class PREDEFITEM {
 public:
  virtual ~PREDEFITEM() = default;
  virtual void Serialize(fw::Archive& archive);
  // The fewest bytes a stored record of this class takes.
  virtual std::size_t MinStoredBytes() const { return 1 + 5 * 4; }

  std::string name;
  int index = 0;  // position in the page's list; not stored
  std::uint32_t shape = 0;
  std::uint32_t width = 12;
  std::int32_t paper = 0;
  std::uint32_t opacity = 100;
  std::uint32_t insertMode = 0;
};

// The brush pages' preset: six paint parameters and the edge after the base.
class PB_PREDEFITEM : public PREDEFITEM {
 public:
  void Serialize(fw::Archive& archive) override;
  std::size_t MinStoredBytes() const override { return PREDEFITEM::MinStoredBytes() + 9 * 4 + 8 * 2; }

  std::array<std::uint32_t, 6> params = {};  // hue, value, saturation jitter, angle, rotation mode, colour mode
  EdgeValues edge;
};

// The eraser's, clone's and shape tools' preset: one reserved u32 after
// the brush values, kept so the layout stays readable; written as 0 when new.
class RESERVED_PREDEFITEM : public PB_PREDEFITEM {
 public:
  void Serialize(fw::Archive& archive) override;
  std::size_t MinStoredBytes() const override { return PB_PREDEFITEM::MinStoredBytes() + 4; }

  std::uint32_t reserved = 0;
};
using ERASE_PREDEFITEM = RESERVED_PREDEFITEM;
using CLONE_PREDEFITEM = RESERVED_PREDEFITEM;
using RECT_PREDEFITEM = RESERVED_PREDEFITEM;

// A page's current settings (the fields its kind stores).
struct PageSettings {
  std::uint32_t insertMode = 0;
  // brush pages
  std::uint32_t shape = 0;
  std::uint32_t paper = 0;  // combo position: 0 none, k + 1 store entry k
  std::uint32_t preset = 0;
  std::uint32_t opacity = 100;  // the air brush's spray density
  std::uint32_t width = 12;
  std::array<std::uint32_t, 6> params = {};
  std::uint32_t customWidth = 0;
  std::uint32_t widthIndex = 0;
  std::uint32_t typedWidth = 12;
  EdgeValues edge;
  std::uint32_t style = 0;  // clone and shape pages
  // water page
  std::uint32_t strength = 7;
  std::uint32_t manner = 0;
};

class BrushPage {
 public:
  explicit BrushPage(PageKind kind);

  PageKind Kind() const { return kind_; }
  std::unique_ptr<PREDEFITEM> NewPreset() const;
  // The preset count (u16), the presets, then the settings.
  void SerializePresets(fw::Archive& archive);
  void SerializeSettings(fw::Archive& archive);

  // A custom shape at list position `position` (6 + store index) is gone;
  // `count` is the shape list's item count afterwards.
  void OnShapeRemoved(int position, int count);
  // The paper at combo position `position` (store index + 1) is gone.
  void OnPaperRemoved(int position);

  std::vector<std::unique_ptr<PREDEFITEM>> presets;
  PageSettings settings;

 private:
  PageKind kind_;
};

PageSettings DefaultSettings(PageKind kind);

// "<executable path cut after its last '.'>BRS".
std::string BrushFileNameFor(const std::string& executablePath);

struct BrushFileResult {
  bool ok = true;
  std::string message;  // for the user when not ok
};

class BrushFile {
 public:
  explicit BrushFile(const std::string& programDir);

  CFileManager brushFiles;
  CFileManager paperFiles;
  std::array<BrushPage, kPageCount> pages;

  BrushPage& Page(PageKind kind) { return pages[static_cast<std::size_t>(kind)]; }
  // Empties both stores and gives every page its defaults.
  void Reset();
  // Both stores, then every page's record. Loading throws the archive's
  // exception for a damaged file.
  void Serialize(fw::Archive& archive);
  // Drops the entries whose image file is gone, renumbering the pages'
  // and presets' references.
  void PruneMissingFiles();

  // Replaces everything with the file's contents. A file that cannot be
  // opened leaves everything empty (first start); a damaged one too, with
  // a message.
  BrushFileResult Load(const std::string& path);
  // Writes a temporary file beside `path` that replaces it only when whole.
  BrushFileResult Save(const std::string& path);
};

// The decimal number at the end of a name ("Shape 12" gives 12): the index
// of the character in front of it, which must be a blank unless it is the
// only one. -1 with the value -1 for no trailing digits, digits alone, a
// number after another character or beyond the 32-bit range; -1 with the
// value untouched for an empty text.
int ParseTrailingNumber(const std::string& text, int* value);
// "<stem> <n>" for the first n from the selected name's number + 1 (0 when
// it has none; the stem is the name without its number) that no name in
// `names` other than the selected one has; the default text when nothing is
// selected or no number is left.
std::string MakeUniqueName(const std::string& defaultText, const std::vector<std::string>& names, int selected);

}  // namespace paint
