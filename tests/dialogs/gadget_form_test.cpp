// The file chooser's listing, lookup and refused names, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/GadgetForm.h"

namespace lumora {
namespace {

TEST(GadgetForm, ListsTheTitlesOfFilesEndingInTheExtension) {
  const std::vector<std::string> entries = {".",        "..",      "abc.FRG", "xfrg",   "b.cmd", "Zed.frg",
                                            "two.d.frg", "frg",    "a.fr",    "sub.frg", "c.frgx"};
  // The dot is not compared ("xfrg", "frg"); the title drops only the last
  // extension; sorted without regard to case.
  EXPECT_EQ(GadgetListNames(entries, "FRG"),
            (std::vector<std::string>{"abc", "frg", "sub", "two.d", "xfrg", "Zed"}));
  EXPECT_TRUE(GadgetListNames(entries, "tga").empty());
}

TEST(GadgetForm, FindsTypedNamesWithoutRegardToCase) {
  const std::vector<std::string> names = {"abc", "Zed"};
  EXPECT_EQ(FindGadgetEntry(names, "ABC"), 0);
  EXPECT_EQ(FindGadgetEntry(names, "zed"), 1);
  EXPECT_EQ(FindGadgetEntry(names, "ab"), -1);
  EXPECT_EQ(GadgetFilePath("C:\\p\\Selections\\", "ABC", "frg"), "C:\\p\\Selections\\ABC.frg");
}

TEST(GadgetForm, RefusesNamesThatLeaveTheFolderOrNameADevice) {
  struct Case {
    const char* name;
    GadgetNameFault fault;
  } cases[] = {
      {"", GadgetNameFault::kEmpty},
      {"area 1", GadgetNameFault::kNone},
      {"v1.2", GadgetNameFault::kNone},
      {"console", GadgetNameFault::kNone},
      {"com10", GadgetNameFault::kNone},
      {"..\\..\\win", GadgetNameFault::kPath},
      {"../up", GadgetNameFault::kPath},
      {"C:evil", GadgetNameFault::kPath},
      {"a..b", GadgetNameFault::kPath},
      {"..", GadgetNameFault::kPath},
      {"*", GadgetNameFault::kWildcard},
      {"a?c", GadgetNameFault::kWildcard},
      {"a|b", GadgetNameFault::kInvalid},
      {"say \"hi\"", GadgetNameFault::kInvalid},
      {"tab\there", GadgetNameFault::kInvalid},
      {"CON", GadgetNameFault::kDevice},
      {"nul", GadgetNameFault::kDevice},
      {"Aux.txt", GadgetNameFault::kDevice},
      {"prn ", GadgetNameFault::kDevice},
      {"com1", GadgetNameFault::kDevice},
      {"LPT9", GadgetNameFault::kDevice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckGadgetName(c.name), c.fault);
  }
}

}  // namespace
}  // namespace lumora
