// The About box's free-disk text, status panes, the idle pass, lengths and coordinates, the language and
// the hand-over block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AboutBox.h"
#include "app/HandOver.h"
#include "app/IdlePass.h"
#include "app/Language.h"
#include "app/Settings.h"
#include "app/StatusPanes.h"
#include "app/Units.h"
#include "support/unique_temp_folder.h"

namespace lumora {
namespace {

TEST(AboutBox, FreeDiskKilobytesCountIn64Bits) {
  const std::string format = "%lu KB Free on %c:";
  struct Case {
    std::uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 KB Free on C:"},
      {1023, "0 KB Free on C:"},
      {(std::uint64_t{4} << 40) - 1024, "4294967295 KB Free on C:"},  // the last 32-bit figure
      {std::uint64_t{4} << 40, "4294967296 KB Free on C:"},           // 4 TiB: wrapped to 0 in 32 bits
      {std::uint64_t{18} << 40, "19327352832 KB Free on C:"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDiskFree(format, c.bytes, 'C'), c.text) << c.bytes;
  EXPECT_EQ(FormatDiskFree("%c: %I64u KB (100%%)", 2048, 'D'), "D: 2 KB (100%)");
}

TEST(StatusPanes, NarrowFramesGiveTheMessagePaneEverything) {
  for (int width : {0, 120, 300}) {
    StatusPaneWidths w = LayoutStatusPanes(width, 90);
    EXPECT_EQ(w.message, width);
    EXPECT_EQ(w.coordinates, 0);
    EXPECT_EQ(w.image, 0);
  }
  StatusPaneWidths w = LayoutStatusPanes(1000, 90);
  EXPECT_EQ(w.message, 500);
  EXPECT_EQ(w.coordinates, 90);
  EXPECT_EQ(w.image, 410);
  w = LayoutStatusPanes(360, 90);  // half is below 300: raised to 300, the text cut
  EXPECT_EQ(w.message, 300);
  EXPECT_EQ(w.coordinates, 60);
  EXPECT_EQ(w.image, 0);
}

TEST(StatusPanes, ImageStatusTexts) {
  EXPECT_EQ(ImagePaneText(""), "No images loaded");
  EXPECT_EQ(ImagePaneText("8-bit grey image"), "8-bit grey image");
  EXPECT_EQ(NoImageStatusText(), "No images loaded");
  EXPECT_EQ(ImageStatusText(16, 24, 4000, 3000, 8.0), "24-bit image, size 4000x3000, 1:8");
  EXPECT_EQ(ImageStatusText(4, 8, 64, 32, 0.5), "8-bit paletted image, size 64x32, 2:1");
  EXPECT_EQ(ImageStatusText(2, 4, 64, 32, 1.0), "4-bit paletted image, size 64x32, 1:1");
  EXPECT_EQ(ImageStatusText(8, 8, 10, 10, 2.6), "8-bit grey image, size 10x10, 1:3");
}

struct RecordingIdle : IdleServices {
  std::vector<std::string> calls;
  bool baseMore = true;
  void RestoreSavedPrompts() override { calls.push_back("prompts"); }
  void ResetToolHostError() override { calls.push_back("error"); }
  void SendAnimationTick() override { calls.push_back("tick"); }
  bool BaseIdle(int count) override {
    calls.push_back("base" + std::to_string(count));
    return baseMore;
  }
  void FlushServerItems() override { calls.push_back("flush"); }
};

TEST(IdlePass, CountRuleTickAndTheEndAtTenThousand) {
  RecordingIdle idle;
  AnimationTick tick{true};
  idle.baseMore = false;
  EXPECT_FALSE(RunIdlePass(0, tick, idle));  // count 0: the framework's answer
  EXPECT_EQ(idle.calls, (std::vector<std::string>{"prompts", "error", "tick", "base0"}));
  EXPECT_FALSE(tick.pending);
  idle.calls.clear();
  EXPECT_TRUE(RunIdlePass(1, tick, idle));  // no tick pending: none sent
  EXPECT_TRUE(RunIdlePass(9999, tick, idle));
  EXPECT_EQ(std::count(idle.calls.begin(), idle.calls.end(), "tick"), 0);
  EXPECT_EQ(std::count(idle.calls.begin(), idle.calls.end(), "flush"), 0);
  idle.calls.clear();
  EXPECT_FALSE(RunIdlePass(10000, tick, idle));
  EXPECT_EQ(idle.calls.back(), "flush");
  idle.calls.clear();
  EXPECT_FALSE(RunIdlePass(10001, tick, idle));
  EXPECT_EQ(std::count(idle.calls.begin(), idle.calls.end(), "flush"), 0);
}

TEST(Lengths, EveryUnitRoundsHalfUpWithOneSign) {
  struct Case {
    double value, dpi;
    int unit;
    const char* text;
  } cases[] = {
      {125, 254, kUnitCm, "1.25"},    {-125, 254, kUnitCm, "-1.25"},  {99.6, 254, kUnitCm, "1.00"},
      {999, 1000, kUnitInch, "0.999"}, {-5, 1000, kUnitInch, "-0.005"}, {72, 72, kUnitPoints, "72.000"},
      {1, 3, kUnitPoints, "24.000"},  {37, 72, kUnitPixels, "37"},    {-12, 72, kUnitPixels, "-12"},
      {1, 200, kUnitCm, "0.01"},      {0, 72, kUnitCm, "0.00"},       {59.9995, 1000, kUnitInch, "0.060"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatLength(c.value, c.dpi, c.unit), c.text) << c.value << " at " << c.dpi << " unit " << c.unit;
  }
}

TEST(Lengths, CoordinatesInsideTheImageArePaddedSoCommasLineUpAndFitThePane) {
  CoordinateFrame frame;
  frame.width = 100000;
  frame.height = 100000;
  // A fixed-pitch font, and one with narrow spaces and wide digits.
  const std::function<int(const std::string&)> fonts[] = {
      [](const std::string& t) { return static_cast<int>(t.size()) * 6; },
      [](const std::string& t) {
        int w = 0;
        for (char c : t) w += c == ' ' ? 3 : (c >= '0' && c <= '9') ? 7 : 4;
        return w;
      }};
  for (const auto& width : fonts) {
    frame.textWidth = width;
    const int pane = width(" (99999,99999) ");
    const int space = width(" ");
    std::vector<int> commaAt;
    for (int x : {3, 42, 999, 2416, 99999}) {
      // The bottom row is row 99999 from the top.
      const std::string text = FormatCoordinates(x, 0, frame);
      const std::string bare = "(" + std::to_string(x) + ",99999)";
      ASSERT_GE(text.size(), bare.size());
      EXPECT_EQ(text.substr(text.size() - bare.size()), bare);
      EXPECT_EQ(text.find_first_not_of(' '), text.size() - bare.size());
      EXPECT_LE(width(text), pane) << text;
      commaAt.push_back(width(text.substr(0, text.find(','))));
    }
    for (int at : commaAt) EXPECT_LE(std::abs(at - commaAt.back()), space);
  }
  frame.width = 100;
  frame.height = 50;
  EXPECT_GT(FormatCoordinates(3, 4, frame).find_first_not_of(' '), 0u);
  EXPECT_EQ(FormatCoordinates(100, 4, frame), "");
  EXPECT_EQ(FormatCoordinates(-1, 4, frame), "");
  EXPECT_EQ(FormatCoordinates(3, 50, frame), "");
  frame.textWidth = nullptr;
  frame.originX = 10;
  frame.unit = kUnitInch;
  frame.dpiX = frame.dpiY = 10;
  // Row 25 from the bottom of 50 rows is row 24 from the top.
  EXPECT_EQ(FormatCoordinates(5, 25, frame), "(-0.500,2.400)");
  frame.originY = 30;
  EXPECT_EQ(FormatCoordinates(5, 25, frame), "(-0.500,-0.600)");
}

TEST(Lengths, RectanglesInUnitsFromTheOrigin) {
  CoordinateFrame frame;
  frame.width = 100;
  frame.height = 50;
  frame.unit = kUnitPixels;
  // Rows upward from the bottom: the rectangle's upper edge at 25 is row
  // 25 from the top.
  EXPECT_EQ(FormatRectInUnits(RECT{10, 5, 30, 25}, frame), "x=10 y=25 w=20 h=20");
  // Without height it names the row it lies on.
  EXPECT_EQ(FormatRectInUnits(RECT{10, 5, 10, 5}, frame), "x=10 y=44 w=0 h=0");
  // Clipped to the image.
  EXPECT_EQ(FormatRectInUnits(RECT{-5, -5, 130, 70}, frame), "x=0 y=0 w=100 h=50");
  frame.originX = 10;
  frame.originY = 5;
  EXPECT_EQ(FormatRectInUnits(RECT{10, 5, 30, 25}, frame), "x=0 y=20 w=20 h=20");
  frame.unit = kUnitCm;
  frame.dpiX = frame.dpiY = 254;  // 100 pixels a centimetre
  EXPECT_EQ(FormatRectInUnits(RECT{10, 5, 30, 25}, frame), "x=0.00 y=0.20 w=0.20 h=0.20");
}

TEST(Language, ForcedLanguageFileOrTheSystemDefault) {
  EXPECT_EQ(UILanguageFrom(7, 1, 0x0409), 0x0407);
  EXPECT_EQ(UILanguageFrom(kLanguageNotSet, kLanguageNotSet, 0x0409), 0x0409);
  EXPECT_EQ(UILanguageFrom(7, kLanguageNotSet, 0x0409), 0x0007);
  EXPECT_EQ(UILanguageFrom(kLanguageNotSet, 2, 0x0409), 0x0800);
  EXPECT_EQ(UILanguageFrom(-1, -1, 0x0411), 0x0411);  // "-1" reads as unsigned 65535

  std::filesystem::path folder = testing::MakeUniqueTempFolder("lumora_lang_");
  fw::IniFile missing((folder / kLanguageFile).string());
  EXPECT_EQ(ReadUILanguage(missing, 0x0c0a), 0x0c0a);
  missing.WriteInt("FORCELANGUAGE", "LANGUAGE", 7);
  missing.WriteInt("FORCELANGUAGE", "SUBLANGUAGE", 1);
  EXPECT_EQ(ReadUILanguage(missing, 0x0c0a), 0x0407);
  std::filesystem::remove_all(folder);
}

TEST(HandOver, BlockIsSizedFromTheNameAndReadsBack) {
  const std::string name = "C:\\" + std::string(297, 'p');  // 300 characters
  std::vector<std::uint8_t> block = MakeDropFilesBlock(name);
  ASSERT_EQ(block.size(), 20u + 300u + 2u);
  EXPECT_EQ(block[0], 20);
  for (int i = 1; i < 20; ++i) EXPECT_EQ(block[i], 0) << i;  // point (0,0), fNC 0, narrow
  EXPECT_EQ(block[block.size() - 2], 0);
  EXPECT_EQ(block[block.size() - 1], 0);
  EXPECT_EQ(ReadDropFilesBlock(block.data(), block.size()), std::vector<std::string>{name});
  EXPECT_EQ(MakeDropFilesBlock(std::string(259, 'x')).size(), 281u);
}

TEST(HandOver, MalformedBlocksGiveNoNames) {
  std::vector<std::uint8_t> block = MakeDropFilesBlock("C:\\a.psd");
  EXPECT_TRUE(ReadDropFilesBlock(block.data(), 10).empty());
  std::vector<std::uint8_t> cut(block.begin(), block.end() - 2);  // no terminating zero
  EXPECT_TRUE(ReadDropFilesBlock(cut.data(), cut.size()).empty());
  std::vector<std::uint8_t> wide = block;
  wide[16] = 1;
  EXPECT_TRUE(ReadDropFilesBlock(wide.data(), wide.size()).empty());
  std::vector<std::uint8_t> outside = block;
  outside[0] = 200;
  EXPECT_TRUE(ReadDropFilesBlock(outside.data(), outside.size()).empty());
  EXPECT_TRUE(ReadDropFilesBlock(nullptr, 40).empty());
}

}  // namespace
}  // namespace lumora
