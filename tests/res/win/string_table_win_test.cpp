// The generated string table and the program's STRINGTABLE resource (this
// test program links the same resource script) hold the same texts.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32types.h"
#include "res/StringTable.h"

namespace {

TEST(StringTableResource, EveryGeneratedEntryMatchesTheResource) {
  ASSERT_GT(res::AllStrings().size(), 40u);
  for (const res::StringEntry& entry : res::AllStrings()) {
    char buffer[1024] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), entry.id, buffer, sizeof(buffer));
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(length)), entry.text) << "string " << entry.id;
  }
}

TEST(StringTableResource, TheMainMenuIsThere) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(180));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 4);
  char text[64] = {};
  GetMenuStringA(menu, 57601, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Open...");
  DestroyMenu(menu);
}

}  // namespace
