// What the text dialog keeps and computes without a window: its settings
// in the profile section "TEXTDLG" (with their clamps), the size list,
// and the conversions between sizes in points and the editing control's
// character heights.
#pragma once

#include <array>
#include <string>

namespace fw {
class Profile;
}

namespace lumora {

inline constexpr char kTextDialogSection[] = "TEXTDLG";

// The sizes the size list offers (item data = the size).
inline constexpr std::array<int, 16> kTextSizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The dialog's remembered settings; the defaults are a first run's.
struct TextDialogSettings {
  int x = 200, y = 200;  // window's top-left on the screen
  std::string font;      // face chosen when a list item has exactly this text
  int fontSize = -1;     // size item whose data equals it
  std::string fontType;  // type item with exactly this text
  int leading = 0;       // -100..100
  int track = 0;         // -1000..1000
  int orient = 0;        // -360..360
  int vertical = 0;
  int align = 0;  // 0 left, 1 centre, 2 right
  int antiAlias = 1;
  int strike = 0;
  int under = 0;
};

// Reads every key (the clamps applied; "center" and "right" are 1 and 2,
// anything else left) and writes them back.
TextDialogSettings ReadTextDialogSettings(fw::Profile& profile);
void WriteTextDialogSettings(fw::Profile& profile, const TextDialogSettings& settings);

// The ranges of the three spins' fields.
int ClampLeading(int value);
int ClampTracking(int value);
int ClampOrientation(int value);

// A size in points as the editing control's character height (165 height
// units to 8 points) and back.
int TextSizeToHeight(int points);
int TextHeightToSize(int height);
// A typed size: the number when it lies in 1..1000, else 0 (the typed text
// changes nothing).
int TypedTextSize(const std::string& text);

// The type list's items (sorted, as the list shows them) and the bold and
// italic of each.
inline constexpr std::array<const char*, 4> kTextTypes = {"Bold", "Bold Italic", "Italic", "Regular"};
void TextTypeEffects(int index, bool* bold, bool* italic);
int TextTypeIndex(bool bold, bool italic);

}  // namespace lumora
