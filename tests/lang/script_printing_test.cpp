// The printer of the system's "device" setting and the pages of a printed
// script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/ScriptPrinting.h"

namespace lang {
namespace {

TEST(ScriptPrinting, TheDeviceSettingNamesPrinterDriverAndPort) {
  const struct {
    const char* device;
    bool found;
    PrinterDevice parts;
  } cases[] = {
      {"PS,winspool,FILE:", true, {"PS", "winspool", "FILE:"}},
      // The blanks after the commas are not part of the names.
      {"PS, winspool, FILE:", true, {"PS", "winspool", "FILE:"}},
      {"  Office Laser ,winspool,  LPT1: ", true, {"Office Laser", "winspool", "LPT1:"}},
      {"PS,winspool,Ne00:,extra", true, {"PS", "winspool", "Ne00:,extra"}},
      {"PS,winspool", false, {}},
      {"PS,winspool,", false, {}},
      {"PS,,FILE:", false, {}},
      {",winspool,FILE:", false, {}},
      {"PS", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    PrinterDevice parsed{"kept", "kept", "kept"};
    EXPECT_EQ(ParsePrinterDevice(c.device, &parsed), c.found) << c.device;
    const PrinterDevice& expected = c.found ? c.parts : PrinterDevice{"kept", "kept", "kept"};
    EXPECT_EQ(parsed.name, expected.name) << c.device;
    EXPECT_EQ(parsed.driver, expected.driver) << c.device;
    EXPECT_EQ(parsed.port, expected.port) << c.device;
  }
}

TEST(ScriptPrinting, PagesBreakBeforeTheLineThatWouldPassTheFoot) {
  const struct {
    std::size_t lines;
    int lineHeight, pageHeight;
    std::vector<std::size_t> starts;
  } cases[] = {
      {150, 50, 3300, {0, 66, 132}},  // 66 lines a page
      {66, 50, 3300, {0}},
      {67, 50, 3300, {0, 66}},
      {3, 40, 100, {0, 2}},
      {1, 10, 10, {0}},
      {3, 500, 100, {0, 1, 2}},  // taller than a page: one each, no empty page
      {0, 50, 3300, {}},
      {5, 0, 3300, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PageStarts(c.lines, c.lineHeight, c.pageHeight), c.starts)
        << c.lines << " lines of " << c.lineHeight << " on " << c.pageHeight;
}

}  // namespace
}  // namespace lang
