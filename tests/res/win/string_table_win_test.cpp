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

}  // namespace
