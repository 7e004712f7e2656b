// The text dialog's remembered settings (TEXTDLG, with their clamps and the
// alignment words) and its size conversions.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dialogs/TextForm.h"
#include "framework/Profile.h"

namespace lumora {
namespace {

class MemoryProfile : public fw::Profile {
 public:
  std::map<std::string, std::string> keys;
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
    auto it = keys.find(std::string(section) + "/" + std::string(key));
    return it != keys.end() ? it->second : std::string(defaultValue);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override {
    keys[std::string(section) + "/" + std::string(key)] = std::string(value);
    return true;
  }
  bool Remove(std::string_view, std::optional<std::string_view>) override { return true; }
  std::vector<std::string> GetKeyNames(std::string_view) override { return {}; }
  std::unique_ptr<fw::Profile> Snapshot() override { return nullptr; }
};

TEST(TextForm, AFirstRunReadsTheDefaults) {
  MemoryProfile empty;
  const TextDialogSettings s = ReadTextDialogSettings(empty);
  EXPECT_EQ(s.x, 200);
  EXPECT_EQ(s.y, 200);
  EXPECT_EQ(s.fontSize, -1);
  EXPECT_EQ(s.align, 0);
  EXPECT_EQ(s.antiAlias, 1);
  EXPECT_EQ(s.leading + s.track + s.orient + s.vertical + s.strike + s.under, 0);
}

TEST(TextForm, StoredValuesAreClampedAndTheAlignmentWordsRead) {
  struct Case {
    const char* key;
    const char* stored;
    int TextDialogSettings::*field;
    int expected;
  } cases[] = {
      {"leading", "500", &TextDialogSettings::leading, 100},
      {"leading", "-101", &TextDialogSettings::leading, -100},
      {"track", "2000", &TextDialogSettings::track, 1000},
      {"orient", "-400", &TextDialogSettings::orient, -360},
      {"orient", "45", &TextDialogSettings::orient, 45},
      {"Align", "center", &TextDialogSettings::align, 1},
      {"Align", "right", &TextDialogSettings::align, 2},
      {"Align", "Right", &TextDialogSettings::align, 0},
      {"Align", "middle", &TextDialogSettings::align, 0},
  };
  for (const Case& c : cases) {
    MemoryProfile p;
    p.WriteString(kTextDialogSection, c.key, c.stored);
    EXPECT_EQ(ReadTextDialogSettings(p).*c.field, c.expected) << c.key << "=" << c.stored;
  }
}

// What the dialog writes reads back the same: right stays right.
TEST(TextForm, WrittenSettingsReadBack) {
  TextDialogSettings s;
  s.x = 12;
  s.y = 34;
  s.font = "Liberation Sans";
  s.fontSize = 24;
  s.fontType = "Bold Italic";
  s.leading = -7;
  s.track = 250;
  s.orient = 90;
  s.vertical = 1;
  s.align = 2;
  s.antiAlias = 0;
  s.strike = 1;
  s.under = 1;
  MemoryProfile p;
  WriteTextDialogSettings(p, s);
  EXPECT_EQ(p.keys["TEXTDLG/Align"], "right");
  const TextDialogSettings r = ReadTextDialogSettings(p);
  EXPECT_EQ(r.x, 12);
  EXPECT_EQ(r.y, 34);
  EXPECT_EQ(r.font, "Liberation Sans");
  EXPECT_EQ(r.fontSize, 24);
  EXPECT_EQ(r.fontType, "Bold Italic");
  EXPECT_EQ(r.leading, -7);
  EXPECT_EQ(r.track, 250);
  EXPECT_EQ(r.orient, 90);
  EXPECT_EQ(r.vertical, 1);
  EXPECT_EQ(r.align, 2);
  EXPECT_EQ(r.antiAlias, 0);
  EXPECT_EQ(r.strike, 1);
  EXPECT_EQ(r.under, 1);
}

// 165/8 height units per point: 12 points are 248, 8 points 165, and every
// listed size comes back from its height. Typed sizes count in 1..1000.
TEST(TextForm, SizesAndHeights) {
  EXPECT_EQ(TextSizeToHeight(12), 248);
  EXPECT_EQ(TextSizeToHeight(8), 165);
  EXPECT_EQ(TextSizeToHeight(24), 495);
  for (int size : kTextSizes) EXPECT_EQ(TextHeightToSize(TextSizeToHeight(size)), size) << size;
  const std::pair<const char*, int> typed[] = {{"0", 0}, {"1", 1}, {"1000", 1000}, {"1200", 0},
                                               {"-3", 0}, {"12pt", 0}, {"", 0}, {"30", 30}};
  for (const auto& [text, size] : typed) EXPECT_EQ(TypedTextSize(text), size) << text;
}

TEST(TextForm, TypeItemsAndEffects) {
  const struct {
    int index;
    bool bold, italic;
  } cases[] = {{0, true, false}, {1, true, true}, {2, false, true}, {3, false, false}};
  for (const auto& c : cases) {
    bool bold = false, italic = false;
    TextTypeEffects(c.index, &bold, &italic);
    EXPECT_EQ(bold, c.bold) << kTextTypes[static_cast<std::size_t>(c.index)];
    EXPECT_EQ(italic, c.italic);
    EXPECT_EQ(TextTypeIndex(c.bold, c.italic), c.index);
  }
}

}  // namespace
}  // namespace lumora
