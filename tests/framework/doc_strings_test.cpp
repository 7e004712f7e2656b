// Template strings, type matching, titles, filters, idle counting.
#include <gtest/gtest.h>

#include "framework/DocStrings.h"
#include "framework/IdleTracker.h"
#include "framework/StringSource.h"

namespace {

TEST(DocStrings, FieldsAreSplitAtNewlines) {
  const std::string s = "\nUNTITLED\nLumora 4.0\nLumora 4.0 Document (*.LUD)\n.LUD\nLumo40.Document\nLumora 4 Image";
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kWindowTitle), "");
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kDocName), "UNTITLED");
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kFileNewName), "Lumora 4.0");
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kFilterName), "Lumora 4.0 Document (*.LUD)");
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kFilterExt), ".LUD");
  EXPECT_EQ(fw::DocStringPart(s, fw::DocStringIndex::kRegFileTypeName), "Lumora 4 Image");
  EXPECT_EQ(fw::DocStringPart("Title\nDoc", fw::DocStringIndex::kFilterExt), "");
}

TEST(DocStrings, MatchDocTypeRanksOpenThenOwnExtensionThenForeign) {
  std::vector<std::string> open = {"C:\\Images\\A.lud"};
  EXPECT_EQ(fw::MatchDocType("c:/images/a.LUD", ".LUD", open), fw::MatchConfidence::kYesAlreadyOpen);
  EXPECT_EQ(fw::MatchDocType("C:\\x\\b.lud", ".LUD", open), fw::MatchConfidence::kMaybeNative);
  EXPECT_EQ(fw::MatchDocType("C:\\x\\b.lud.png", ".LUD", open), fw::MatchConfidence::kMaybeForeign);
  EXPECT_EQ(fw::MatchDocType("C:\\x.lud\\b", ".LUD", {}), fw::MatchConfidence::kMaybeForeign);
}

TEST(DocStrings, TitlesNumberWindowsAndUntitledDocuments) {
  EXPECT_EQ(fw::DefaultDocTitle("Sketch", 0), "Sketch1");
  EXPECT_EQ(fw::DefaultDocTitle("Sketch", 4), "Sketch5");
  EXPECT_EQ(fw::DefaultDocTitle("", 4), fw::ResourceString(61443));
  EXPECT_EQ(fw::ChildFrameTitle("photo.lud", 0), "photo.lud");
  EXPECT_EQ(fw::ChildFrameTitle("photo.lud", 2), "photo.lud:2");
  EXPECT_EQ(fw::AppFrameTitle("Lumora 4.0", "a.lud"), "a.lud - Lumora 4.0");
  EXPECT_EQ(fw::AppFrameTitle("Lumora 4.0", ""), "Lumora 4.0");
}

TEST(DocStrings, PromptsSplitAtTheNewline) {
  EXPECT_EQ(fw::PromptOf("Open an image\nOpen"), "Open an image");
  EXPECT_EQ(fw::TooltipOf("Open an image\nOpen"), "Open");
  EXPECT_EQ(fw::TooltipOf("No tooltip"), "");
  EXPECT_EQ(fw::FormatString("%2 of %1 (%3)%", {"a", "b"}), "b of a ()%");
}

TEST(DocStrings, OpenFilterAndMultiSelectBuffers) {
  std::string f = fw::BuildOpenFilter({{"Images (*.lud)", ".lud"}, {"", ""}}, "All Files (*.*)");
  EXPECT_EQ(f, std::string("Images (*.lud)\0*.lud\0All Files (*.*)\0*.*\0", 41));
  const char one[] = "C:\\a\\b.png\0";
  EXPECT_EQ(fw::SplitMultiSelect(one, sizeof(one)), (std::vector<std::string>{"C:\\a\\b.png"}));
  const char many[] = "C:\\a\0x.png\0y z.png\0\0";
  EXPECT_EQ(fw::SplitMultiSelect(many, sizeof(many)), (std::vector<std::string>{"C:\\a\\x.png", "C:\\a\\y z.png"}));
  const char root[] = "C:\\\0x.png\0y.png\0\0";
  EXPECT_EQ(fw::SplitMultiSelect(root, sizeof(root)), (std::vector<std::string>{"C:\\x.png", "C:\\y.png"}));
}

TEST(IdleTracker, InputRestartsTheCountTimersAndPaintDoNot) {
  fw::IdleTracker t;
  EXPECT_EQ(t.NextCount(), 0);
  EXPECT_EQ(t.NextCount(), 1);
  EXPECT_FALSE(t.RestartsIdle(0x0113, 0, 0));  // WM_TIMER
  EXPECT_FALSE(t.RestartsIdle(0x000F, 0, 0));  // WM_PAINT
  EXPECT_FALSE(t.RestartsIdle(0x036A, 0, 0));  // idle kick
  EXPECT_EQ(t.NextCount(), 2);
  EXPECT_TRUE(t.RestartsIdle(0x0100, 0, 0));  // WM_KEYDOWN
  EXPECT_EQ(t.NextCount(), 0);
  EXPECT_TRUE(t.RestartsIdle(0x0200, 5, 5));  // a mouse move to a new place
  EXPECT_FALSE(t.RestartsIdle(0x0200, 5, 5));  // repeated at the same place
  EXPECT_TRUE(t.RestartsIdle(0x0201, 5, 5));  // button down
  EXPECT_TRUE(t.RestartsIdle(0x0111, 0, 0));  // WM_COMMAND
}

}  // namespace

#include "framework/ScrollLayout.h"

namespace {

TEST(ScrollLayout, BarsAppearOnlyWhenNeededAndOneMayBringTheOther) {
  fw::ScrollBarsNeeded n = fw::NeededScrollBars(200, 100, 200, 100, 16, 16);
  EXPECT_FALSE(n.horizontal);
  EXPECT_FALSE(n.vertical);
  n = fw::NeededScrollBars(200, 100, 190, 300, 16, 16);  // vertical bar leaves 184 < 190
  EXPECT_TRUE(n.vertical);
  EXPECT_TRUE(n.horizontal);
  EXPECT_EQ(n.clientWidth, 184);
  EXPECT_EQ(n.clientHeight, 84);
  n = fw::NeededScrollBars(200, 100, 180, 300, 16, 16);
  EXPECT_TRUE(n.vertical);
  EXPECT_FALSE(n.horizontal);
  EXPECT_EQ(fw::ClampScrollPosition(500, 300, 84), 216);
  EXPECT_EQ(fw::ClampScrollPosition(-5, 300, 84), 0);
  EXPECT_EQ(fw::ClampScrollPosition(10, 50, 84), 0);
}

}  // namespace
