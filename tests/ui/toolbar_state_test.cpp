// Toolbar state files and their image strips: the bytes written, a
// save-load-save round trip, every damaged input refused, and the button
// colours mapped both ways.
#include "ui/ToolbarState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Archive.h"
#include "ui/ToolbarStateFiles.h"

namespace lumora {
namespace {

std::vector<std::uint8_t> Bytes(const ToolbarStateRecord& s) {
  fw::MemFile file;
  {
    fw::Archive ar(file, fw::Archive::store);
    WriteToolbarState(ar, s);
    ar.Close();
  }
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

ToolbarStateRecord Load(std::vector<std::uint8_t> bytes) {
  fw::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive ar(file, fw::Archive::load);
  return ReadToolbarState(ar);
}

ToolbarStateRecord Sample() {
  ToolbarStateRecord s;
  s.caption = "Standard Bar";
  s.buttonWidth = 24, s.buttonHeight = 23, s.imageWidth = 17, s.imageHeight = 16;
  ToolbarButtonRecord plain;
  plain.command = 57600;
  plain.image = 0;
  s.buttons.push_back(plain);
  ToolbarButtonRecord sep;
  sep.style = kButtonStyleSeparator;
  s.buttons.push_back(sep);
  ToolbarButtonRecord mode;
  mode.command = 40030;
  mode.isControl = true;
  mode.control.tag = kTagModeCombo;
  mode.control.width = 90, mode.control.height = 23, mode.control.id = 40030;
  s.buttons.push_back(mode);
  ToolbarButtonRecord combo;
  combo.command = 700;
  combo.isControl = true;
  combo.control.tag = kTagCombo;
  combo.control.combo = {0x50200003, 0, 700, 80, 120, true, {"a", "bc"}, 1, 0, 90, 18};
  s.buttons.push_back(combo);
  ToolbarButtonRecord empty = combo;  // no items, no selection
  empty.control.combo.hasItems = false;
  empty.control.combo.items.clear();
  empty.control.combo.selection = 65535;
  s.buttons.push_back(empty);
  ToolbarButtonRecord edit;
  edit.command = 701;
  edit.isControl = true;
  edit.control.tag = kTagUnknown;
  s.buttons.push_back(edit);
  ToolbarButtonRecord texted;
  texted.command = 57601;
  texted.image = 1;
  texted.text = "Open";
  s.buttons.push_back(texted);
  return s;
}

TEST(ToolbarStateFile, BytesAreTheArchiveLayoutFieldByField) {
  ToolbarStateRecord s;
  s.caption = "Bar";
  s.buttonWidth = 24, s.buttonHeight = 23, s.imageWidth = 17, s.imageHeight = 16;
  ToolbarButtonRecord b;
  b.command = 0x11223344;
  b.style = 0x20;
  b.image = 0x0506;
  b.text = "T";
  s.buttons.push_back(b);
  ToolbarButtonRecord c;
  c.command = 40030;
  c.isControl = true;
  c.control.tag = kTagModeCombo;
  c.control.width = 90, c.control.height = 23, c.control.id = 40030;
  s.buttons.push_back(c);
  const std::vector<std::uint8_t> expected = {
      3, 'B', 'a', 'r', 2, 0, 0, 0, 24, 0, 23, 0, 17, 0, 16, 0,  // caption, count, sizes
      0x44, 0x33, 0x22, 0x11, 0, 0x20, 0x06, 0x05, 1, 'T',        // a plain button
      0x5E, 0x9C, 0, 0, 1, 13, 'W', 'N', 'D', '_', 'S', 'C', 'O', 'M', 'B', 'O', 'B', 'O', 'X',
      90, 0, 23, 0, 0x5E, 0x9C, 0, 0};  // the mode combo's own record
  EXPECT_EQ(Bytes(s), expected);
}

TEST(ToolbarStateFile, StringLengthsTakeOneThreeOrSevenBytes) {
  struct Case {
    std::size_t length;
    std::vector<std::uint8_t> prefix;
  };
  const Case cases[] = {{254, {254}}, {255, {255, 255, 0}}, {65534, {255, 255, 255, 254, 255, 0, 0}}};
  for (const Case& c : cases) {
    ToolbarStateRecord s;
    s.caption = std::string(c.length, 'x');
    const std::vector<std::uint8_t> bytes = Bytes(s);
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length + 12) << c.length;
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
    EXPECT_EQ(Load(bytes).caption.size(), c.length);
  }
}

TEST(ToolbarStateFile, SaveLoadSaveGivesTheSameBytes) {
  const std::vector<std::uint8_t> first = Bytes(Sample());
  const ToolbarStateRecord loaded = Load(first);
  ASSERT_EQ(loaded.buttons.size(), Sample().buttons.size());
  EXPECT_FALSE(loaded.buttons[4].control.combo.hasItems);
  EXPECT_EQ(loaded.buttons[4].control.combo.selection, 65535);
  EXPECT_EQ(loaded.buttons[3].control.combo.items, (std::vector<std::string>{"a", "bc"}));
  EXPECT_EQ(loaded.buttons[6].text, "Open");
  EXPECT_EQ(Bytes(loaded), first);
}

TEST(ToolbarStateFile, DamagedFilesAreRefused) {
  const std::vector<std::uint8_t> good = Bytes(Sample());
  // Every truncation.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW(Load(std::vector<std::uint8_t>(good.begin(), good.begin() + n)), FileException) << n;
  }
  // A count beyond the file.
  std::vector<std::uint8_t> count = good;
  count[13] = 0xFF, count[14] = 0xFF, count[15] = 0xFF, count[16] = 0x7F;
  EXPECT_THROW(Load(count), FileException);
  // An unknown control tag.
  std::vector<std::uint8_t> tag = good;
  const std::string name = kTagModeCombo;
  auto at = std::search(tag.begin(), tag.end(), name.begin(), name.end());
  ASSERT_NE(at, tag.end());
  *at = 'X';
  EXPECT_THROW(Load(tag), FileException);
  // Images past the strip.
  const ToolbarStateRecord s = Sample();
  EXPECT_TRUE(ImagesFitStrip(s, 2));
  EXPECT_FALSE(ImagesFitStrip(s, 1));
}

TEST(ToolbarImageStrip, ColoursMapBothWaysAndTheFileRoundTrips) {
  ImageStrip strip{4, 2, {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x123456, 0x000000, 0xFFFFFF, 0xC0C0C0}};
  const ButtonColours system = {0x101010, 0x404040, 0xF0F0F0, 0xFEFEFE};
  ImageStrip shown = strip;
  MapButtonColours(shown, kStandardButtonColours, system);
  EXPECT_EQ(shown.pixels, (std::vector<std::uint32_t>{0x101010, 0x404040, 0xF0F0F0, 0xFEFEFE, 0x123456, 0x101010,
                                                      0xFEFEFE, 0xF0F0F0}));
  MapButtonColours(shown, system, kStandardButtonColours);
  EXPECT_EQ(shown.pixels, strip.pixels);
  const std::vector<std::uint8_t> file = EncodeStripBitmap(strip);
  ASSERT_EQ(file.size(), 14u + 40u + 2u * 12u);
  ImageStrip back;
  ASSERT_TRUE(DecodeStripBitmap(file.data(), file.size(), back));
  EXPECT_EQ(back.pixels, strip.pixels);
  // Every truncation is refused.
  for (std::size_t n = 0; n < file.size(); ++n) EXPECT_FALSE(DecodeStripBitmap(file.data(), n, back)) << n;
  // Whole images of the size only.
  EXPECT_EQ(StripImageCount(strip, 2, 2), 2);
  EXPECT_EQ(StripImageCount(strip, 3, 2), -1);
  EXPECT_EQ(StripImageCount(strip, 2, 3), -1);
  EXPECT_EQ(ImageFileOf("C:\\Lumo\\Lumo401.tbs"), "C:\\Lumo\\Lumo401.tbi");
  EXPECT_EQ(ImageFileOf("C:\\a.b\\state"), "C:\\a.b\\state.tbi");
}

// What a pair gives the bar at start-up. A bar whose buttons show no image
// (controls, separators, buttons without one) saves a strip of no images,
// and reads back as it was saved.
TEST(ToolbarLayoutPlan, APairGivesItsLayoutTheDefaultOrADamagedState) {
  ToolbarStateRecord full = Sample();
  full.stamp = 7;
  ToolbarStateRecord imageless = full;
  imageless.buttons.erase(imageless.buttons.begin());
  imageless.buttons.pop_back();
  ToolbarStateRecord none = full;
  none.buttons.clear();
  const ImageStrip two{34, 16, std::vector<std::uint32_t>(34 * 16, 0xC0C0C0)};
  const ImageStrip zero{0, 16, {}};
  auto pair = [](const ToolbarStateRecord& s, const ImageStrip& strip, std::uint32_t stamp, bool images) {
    ToolbarStatePair p;
    p.stateFound = true;
    p.state = Bytes(s);
    p.imagesFound = images;
    if (images) p.images = EncodeStripBitmap(strip, stamp);
    return p;
  };
  struct Case {
    const char* what;
    ToolbarStatePair pair;
    ToolbarLayoutPlan::Kind kind;
    int images;
  } cases[] = {
      {"no state file", ToolbarStatePair{}, ToolbarLayoutPlan::kNoState, 0},
      {"whole pair", pair(full, two, 7, true), ToolbarLayoutPlan::kApply, 2},
      {"bar without images", pair(imageless, zero, 7, true), ToolbarLayoutPlan::kApply, 0},
      {"no buttons", pair(none, zero, 7, false), ToolbarLayoutPlan::kDefault, 0},
      {"images of another update", pair(full, two, 8, true), ToolbarLayoutPlan::kDamaged, 0},
      {"image file missing", pair(full, two, 7, false), ToolbarLayoutPlan::kDamaged, 0},
      {"a button's image beyond the strip", pair(full, ImageStrip{17, 16, std::vector<std::uint32_t>(17 * 16)}, 7, true),
       ToolbarLayoutPlan::kDamaged, 0},
  };
  for (const Case& c : cases) {
    const ToolbarLayoutPlan plan = PlanToolbarLayout(c.pair);
    EXPECT_EQ(plan.kind, c.kind) << c.what;
    if (plan.kind != ToolbarLayoutPlan::kApply) continue;
    EXPECT_EQ(plan.imageCount, c.images) << c.what;
    EXPECT_EQ(Bytes(plan.state), c.pair.state) << c.what;
  }
}

}  // namespace
}  // namespace lumora
