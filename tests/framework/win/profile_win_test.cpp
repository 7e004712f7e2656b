// The portable settings file and the system's private-profile functions
// read what the other writes, parse numbers alike, and a recent-file list
// fills a real menu.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/Profile.h"
#include "framework/RecentFileList.h"
#include "framework/win/ProfileWin32.h"
#include "framework/win/RecentFileListWin32.h"
#include "platform/win32types.h"

namespace {

namespace fs = std::filesystem;

class BothProfiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() / "lumora_profile_win_test.ini").string();
    fs::remove(path_);
  }
  void TearDown() override {
    fw::PrivateProfile(path_).FlushCache();
    fs::remove(path_);
  }

  std::string path_;
};

struct Entry {
  const char* section;
  const char* key;
  const char* value;
};

constexpr Entry kEntries[] = {
    {"LoadOptions", "AnimationSpeed", "3"},
    {"LoadOptions", "FrameX", "65535"},
    {"Rulers", "units", "inches"},
    {"ColorManagement", "monitor", "C:\\Windows\\System32\\spool\\drivers\\color\\sRGB Color Space.icm"},
    {"Recent Workspace File List", "File1", "D:\\Work Spaces\\a&b.luw"},
    {"Grid", "step", "-12345"},
};

TEST_F(BothProfiles, SystemReadsWhatThePortableWriterWrote) {
  fw::IniFile portable(path_);
  fw::PrivateProfile system(path_);
  for (const Entry& e : kEntries) ASSERT_TRUE(portable.WriteString(e.section, e.key, e.value));
  ASSERT_TRUE(portable.WriteString("LoadOptions", "AnimationSpeed", "1"));  // rewritten in place
  ASSERT_TRUE(portable.Remove("Grid"));
  system.FlushCache();
  EXPECT_EQ(system.GetInt("loadoptions", "animationspeed", 9), 1);
  EXPECT_EQ(system.GetInt("LOADOPTIONS", "FRAMEX", 0), 65535);
  EXPECT_EQ(system.GetString("Rulers", "Units", "pixels"), "inches");
  EXPECT_EQ(system.GetString("colormanagement", "MONITOR"), kEntries[3].value);
  EXPECT_EQ(system.GetString("recent workspace file list", "file1"), kEntries[4].value);
  EXPECT_EQ(system.GetString("Grid", "step", "gone"), "gone");
}

TEST_F(BothProfiles, PortableReaderReadsWhatTheSystemWrote) {
  fw::IniFile portable(path_);
  fw::PrivateProfile system(path_);
  for (const Entry& e : kEntries) ASSERT_TRUE(system.WriteString(e.section, e.key, e.value));
  ASSERT_TRUE(system.WriteInt("Tablet", "enable", -2));
  ASSERT_TRUE(system.Remove("Rulers", "units"));
  system.FlushCache();
  for (const Entry& e : kEntries) {
    if (std::string(e.key) == "units") continue;
    EXPECT_EQ(portable.GetString(e.section, e.key), e.value) << e.key;
  }
  EXPECT_EQ(portable.GetString("RULERS", "UNITS", "pixels"), "pixels");
  EXPECT_EQ(portable.GetInt("tablet", "ENABLE", 0), -2);
}

// The system's reader lists a section's keys as the portable one does, and a
// snapshot taken through it sees the writes made through it.
TEST_F(BothProfiles, KeyNamesAndSnapshotsAgree) {
  fw::PrivateProfile system(path_);
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(system.WriteInt("TOOLS", "COMMAND" + std::to_string(i), i));
  ASSERT_TRUE(system.WriteString("TOOLS", "NUMBER", "2147483647"));
  std::unique_ptr<fw::Profile> snapshot = system.Snapshot();
  const std::vector<std::string> names = system.GetKeyNames("tools");
  ASSERT_EQ(names.size(), 301u) << "the list grows past the first buffer";
  EXPECT_EQ(names, fw::IniFile(path_).GetKeyNames("TOOLS"));
  EXPECT_EQ(names, snapshot->GetKeyNames("TOOLS"));
  EXPECT_EQ(snapshot->GetInt("tools", "command299", 0), 299);
  EXPECT_EQ(snapshot->GetInt("TOOLS", "NUMBER", 0), 2147483647);
  EXPECT_TRUE(system.GetKeyNames("Missing").empty());
}

TEST_F(BothProfiles, ValuesReadAlike) {
  const char* stored[] = {"12",    "  -7",       "+5",  "0x1F", "0o17",  "0b101", "12abc", "abc",
                          "-",     "4294967295", "\"42\"", "'x'",  "\"half", " spaced out ", "", "08"};
  fw::IniFile portable(path_);
  fw::PrivateProfile system(path_);
  int index = 0;
  for (const char* value : stored) {
    ASSERT_TRUE(portable.WriteString("Values", "k" + std::to_string(index++), value));
  }
  ASSERT_TRUE(portable.WriteString("Values", "bare", "x"));
  system.FlushCache();
  for (int i = 0; i < index; ++i) {
    const std::string key = "k" + std::to_string(i);
    SCOPED_TRACE(std::string(stored[i]));
    EXPECT_EQ(portable.GetString("Values", key, "missing"), system.GetString("Values", key, "missing"));
    EXPECT_EQ(portable.GetInt("Values", key, 99), system.GetInt("Values", key, 99));
  }
}

TEST(RecentFileMenu, RefillsTheItemsOfItsIds) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 57601, "&Open...");
  AppendMenuA(menu, MF_STRING | MF_GRAYED, fw::kFirstRecentFileId, "Recent File");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, 57665, "E&xit");

  fw::RecentFileList list(fw::kRecentFileSection, fw::kFirstRecentFileId, 4);
  list.Add("C:\\a.lud");
  list.Add("C:\\b.lud");
  ASSERT_TRUE(fw::RefillRecentFileMenu(menu, list, "Recent File"));
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  char text[64];
  GetMenuStringA(menu, 1, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&1 C:\\b.lud");
  EXPECT_EQ(GetMenuItemID(menu, 2), fw::kFirstRecentFileId + 1);
  EXPECT_EQ(GetMenuItemID(menu, 4), 57665u);

  list.Clear();
  ASSERT_TRUE(fw::RefillRecentFileMenu(menu, list, "Recent File"));
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  GetMenuStringA(menu, 1, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "Recent File");
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);

  fw::RecentFileList other("x", fw::kFirstRecentWorkspaceId, 4);
  EXPECT_FALSE(fw::RefillRecentFileMenu(menu, other, "none"));
  DestroyMenu(menu);
}

}  // namespace
