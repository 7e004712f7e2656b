// The portable settings file: lookups without regard to case, what a
// rewrite keeps, number parsing, and the recent-file lists kept in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Profile.h"
#include "framework/RecentFileList.h"

namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() /
             ("lumora_profile_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
              ".ini"))
                .string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }

  void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string path_;
};

TEST_F(ProfileFile, ReadsSectionsAndKeysWithoutRegardToCase) {
  Put("; settings\r\n[LoadOptions]\r\n  AnimationSpeed = 2  \r\nName= \"quoted value\" \r\nEmpty=\r\n"
      "Single='x'\r\nHalf=\"open\r\n\r\n[Grid]\nunit=cm\n");
  fw::IniFile ini(path_);
  EXPECT_EQ(ini.GetInt("loadoptions", "ANIMATIONSPEED", 3), 2);
  EXPECT_EQ(ini.GetString("LOADOPTIONS", "name"), "quoted value");
  EXPECT_EQ(ini.GetString("LoadOptions", "Single"), "x");
  EXPECT_EQ(ini.GetString("LoadOptions", "Half"), "\"open");
  EXPECT_EQ(ini.GetString("LoadOptions", "Empty", "default"), "");
  EXPECT_EQ(ini.GetInt("LoadOptions", "Empty", 7), 7);
  EXPECT_EQ(ini.GetString("LoadOptions", "Missing", "default"), "default");
  EXPECT_EQ(ini.GetString("Missing", "unit", "pixels"), "pixels");
  EXPECT_EQ(ini.GetString("grid", "UNIT"), "cm");  // LF-only lines read too
  EXPECT_EQ(ini.GetString("LoadOptions", "; settings", "none"), "none");
}

// A snapshot answers as the file does (repeated sections and keys, case,
// quotes, blanks), lists a section's keys once each in file order, is read
// once (later changes to the file are not seen) and refuses writes.
TEST_F(ProfileFile, SnapshotReadsOnceAndAnswersAsTheFile) {
  Put("top=before any section\r\n[A]\r\n k1 = one \r\nK1=shadowed\r\nquoted=\"q v\"\r\nempty=\r\nbare\r\n"
      "; note=no\r\n[b]\nx=1\n[a]\r\nlater=in the repeated section\r\n[Last]\r\nend=\t tab \r\n");
  fw::IniFile ini(path_);
  std::unique_ptr<fw::Profile> snapshot = ini.Snapshot();
  const std::pair<const char*, const char*> keys[] = {{"A", "k1"},     {"a", "K1"},    {"A", "quoted"}, {"A", "empty"},
                                                      {"A", "bare"},   {"A", "later"}, {"A", "; note"}, {"B", "X"},
                                                      {"Last", "end"}, {"", "top"},    {"Gone", "x"},   {"A", "gone"}};
  for (const auto& [section, key] : keys) {
    SCOPED_TRACE(std::string(section) + "/" + key);
    EXPECT_EQ(snapshot->GetString(section, key, "<default>"), ini.GetString(section, key, "<default>"));
  }
  EXPECT_EQ(snapshot->GetString("A", "k1"), "one");
  const std::vector<std::string> names = {"k1", "quoted", "empty", "bare"};
  EXPECT_EQ(snapshot->GetKeyNames("a"), names);
  EXPECT_EQ(ini.GetKeyNames("A"), names);
  EXPECT_TRUE(snapshot->GetKeyNames("Gone").empty());

  Put("[A]\r\nk1=changed\r\n");
  EXPECT_EQ(ini.GetString("A", "k1"), "changed");
  EXPECT_EQ(snapshot->GetString("A", "k1"), "one") << "the snapshot was read once";
  EXPECT_FALSE(snapshot->WriteString("A", "k1", "x"));
  EXPECT_FALSE(snapshot->Remove("A"));
  EXPECT_EQ(ini.GetString("A", "k1"), "changed");
  EXPECT_TRUE(fw::ProfileSnapshot::ReadFile(path_ + ".missing")->GetKeyNames("A").empty());
}

TEST_F(ProfileFile, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
  fw::IniFile ini(path_);
  EXPECT_EQ(ini.GetInt("Memory", "Percent", 50), 50);
  ASSERT_TRUE(ini.WriteInt("Memory", "Percent", 75));
  EXPECT_EQ(Contents(), "[Memory]\r\nPercent=75\r\n");
  EXPECT_EQ(ini.GetInt("memory", "percent", 50), 75);
}

TEST_F(ProfileFile, WritesKeepEverythingElse) {
  Put("; comment\r\n[Rulers]\r\nShow=0\r\n\r\n[Grid]\r\nstep=5000000\r\n");
  fw::IniFile ini(path_);
  ASSERT_TRUE(ini.WriteInt("rulers", "SHOW", 1));              // keeps the stored spelling
  ASSERT_TRUE(ini.WriteString("Rulers", "units", "inches"));   // after the last key, before the blank
  ASSERT_TRUE(ini.WriteInt("Tablet", "enable", -3));           // a new section at the end
  EXPECT_EQ(Contents(),
            "; comment\r\n[Rulers]\r\nShow=1\r\nunits=inches\r\n\r\n[Grid]\r\nstep=5000000\r\n\r\n"
            "[Tablet]\r\nenable=-3\r\n");
  ASSERT_TRUE(ini.Remove("GRID", "Step"));
  ASSERT_TRUE(ini.Remove("rulers"));
  EXPECT_EQ(Contents(), "; comment\r\n[Grid]\r\n\r\n[Tablet]\r\nenable=-3\r\n");
  EXPECT_FALSE(ini.WriteString("Tablet", "enable", "1\r\n[Injected]"));
  EXPECT_FALSE(ini.WriteString("Tab]let", "enable", "1"));
  EXPECT_FALSE(ini.WriteString("Tablet", "en=able", "1"));
  EXPECT_FALSE(ini.WriteString("Tablet", "  ", "1"));
  EXPECT_EQ(ini.GetInt("Tablet", "enable", 0), -3);
}

TEST(ProfileInt, ParsesAsTheSystemDoes) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"12", 12},       {"  -7", -7},        {"+5", 5},          {"0x1F", 31},  {"0X1f", 31},
      {"0o17", 15},     {"0b101", 5},        {"12abc", 12},      {"abc", 0},    {"-", 0},
      {"65535", 65535}, {"4294967295", -1},  {"4294967296", 0},  {"-0x10", -16}, {"08", 8},
      {"0", 0},         {"1 2", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::ParseProfileInt(c.text), c.value) << c.text;
}

TEST(ProfilePath, IsTheProgramPathWithTheIniExtension) {
  EXPECT_EQ(fw::ProfilePathForProgram("C:\\Lumora 4.0\\Lumo40.exe"), "C:\\Lumora 4.0\\Lumo40.INI");
  EXPECT_EQ(fw::ProfilePathForProgram("C:\\v4.0\\Lumo40"), "C:\\v4.0\\Lumo40.INI");
  EXPECT_EQ(fw::ProfilePathForProgram("/opt/lumo.d/lumo"), "/opt/lumo.d/lumo.INI");
}

TEST_F(ProfileFile, RecentListsSaveLoadAndReplaceTheirSection) {
  fw::IniFile ini(path_);
  fw::RecentFileList files(fw::kRecentFileSection, fw::kFirstRecentFileId, 4);
  for (const char* p : {"C:\\a.lud", "C:\\b.lud", "C:\\c.lud", "C:\\d.lud", "C:\\e.lud", "c:\\C.LUD"}) files.Add(p);
  ASSERT_EQ(files.size(), 4);
  EXPECT_EQ(files[0], "c:\\C.LUD");  // moved up, not doubled
  EXPECT_EQ(files[3], "C:\\b.lud");  // "a" dropped off
  ASSERT_TRUE(files.Save(ini));
  fw::RecentFileList again(fw::kRecentFileSection, fw::kFirstRecentFileId, 4);
  again.Load(ini);
  ASSERT_EQ(again.size(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(again[i], files[i]);

  again.Remove(0);
  again.Remove(0);
  again.Remove(7);  // out of range: nothing
  ASSERT_TRUE(again.Save(ini));
  EXPECT_EQ(ini.GetString("Recent File List", "File3", "gone"), "gone");
  fw::RecentFileList workspaces(fw::kRecentWorkspaceSection, fw::kFirstRecentWorkspaceId, 4);
  workspaces.Add("D:\\w.luw");
  ASSERT_TRUE(workspaces.Save(ini));
  EXPECT_EQ(ini.GetString("recent workspace file list", "file1"), "D:\\w.luw");
  EXPECT_EQ(ini.GetString("Recent File List", "File1"), "C:\\d.lud");
}

TEST(RecentFileList, CapacityStaysWithinTheRecentFileIds) {
  EXPECT_EQ(fw::RecentFileList("x", fw::kFirstRecentWorkspaceId, 10).capacity(), 7);
  EXPECT_EQ(fw::RecentFileList("x", fw::kFirstRecentFileId, 4).capacity(), 4);
  fw::RecentFileList list("x", fw::kFirstRecentWorkspaceId, 4);
  EXPECT_TRUE(list.OwnsId(57625));
  EXPECT_TRUE(list.OwnsId(57628));
  EXPECT_FALSE(list.OwnsId(57629));
  EXPECT_FALSE(list.OwnsId(57624));
  EXPECT_EQ(list.IndexOfId(57627), 2);
}

TEST(RecentFileList, MenuItemsAreNumberedShortenedAndEscaped) {
  fw::RecentFileList list("x", fw::kFirstRecentFileId, 4, 20);
  list.Add("C:\\Images\\Very long folder\\more\\cat.lud");
  list.Add("C:\\Work\\R&D.lud");
  list.Add("C:\\Work\\short.lud");
  const std::vector<fw::RecentMenuItem> items = list.MenuItems("c:\\work\\");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].id, 57616u);
  EXPECT_EQ(items[0].text, "&1 short.lud");
  EXPECT_EQ(items[1].id, 57617u);
  EXPECT_EQ(items[1].text, "&2 R&&D.lud");
  EXPECT_EQ(items[2].id, 57618u);
  EXPECT_EQ(items[2].text, "&3 C:\\...\\more\\cat.lud");
}

TEST(RecentFileList, AbbreviatesPathsToTheirLength) {
  const struct {
    const char* path;
    int length;
    const char* shown;
  } cases[] = {
      {"C:\\a\\b.lud", 30, "C:\\a\\b.lud"},
      {"C:\\aaaa\\bbbb\\cccc\\name.lud", 20, "C:\\...\\cccc\\name.lud"},
      {"C:\\aaaa\\bbbb\\cccc\\name.lud", 19, "C:\\...\\name.lud"},
      {"\\\\server\\share\\deep\\x.lud", 20, "\\\\server\\...\\x.lud"},
      {"C:\\folder\\a-very-long-file-name.lud", 20, "a-very-long-file-..."},
      {"C:\\folder\\exactly-twenty.lud", 20, "exactly-twenty.lud"},
  };
  for (const auto& c : cases) {
    const std::string shown = fw::AbbreviatePath(c.path, c.length);
    EXPECT_EQ(shown, c.shown) << c.path;
    EXPECT_LE(shown.size(), static_cast<std::size_t>(c.length)) << c.path;
  }
}

}  // namespace
