// The automation object's argument text and dispatch ids.
#include <gtest/gtest.h>

#include "app/AutomationArgs.h"

namespace lumora {
namespace {

AutomationArg Int(std::int64_t v, std::uint16_t vt = 3) { return AutomationArg{vt, v, {}}; }
AutomationArg Str(const std::string& s) { return AutomationArg{8, 0, s}; }

TEST(AutomationArgs, FormatsTurnCallsIntoArgumentText) {
  struct Case {
    const char* format;
    std::vector<AutomationArg> args;
    std::uint32_t code;
    std::string text;
    int bad;
  } cases[] = {
      {"%p,%s", {Int(10), Int(20), Str("a \"b\"\\")}, kAutomationOk, "10,20,\"a \\\"b\\\"\\\\\",", -1},
      {"%d,%d", {Int(1), Int(0)}, kAutomationOk, "1,0,", -1},
      {"", {}, kAutomationOk, "", -1},
      {" %r\t%c ", {Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), Int(7)}, kAutomationOk, "1,2,3,4,5,6,7,", -1},
      // Every integer type, and the four by reference.
      {"%r", {Int(-1, 11), Int(2, 2), Int(3, 16), Int(4, 17)}, kAutomationOk, "-1,2,3,4,", -1},
      {"%r", {Int(5, 18), Int(6, 19), Int(7, 22), Int(8, 23)}, kAutomationOk, "5,6,7,8,", -1},
      {"%r", {Int(9, 0x4002), Int(-1, 0x400B), Int(11, 0x4003), Int(12, 0x4011)}, kAutomationOk, "9,-1,11,12,", -1},
      {"%d,%d", {Int(1)}, kAutomationBadParamCount, "", -1},
      {"%s", {}, kAutomationBadParamCount, "", -1},
      {"%d,%d", {Str("a"), Int(0)}, kAutomationTypeMismatch, "", 0},
      {"%d,%s", {Int(1), Int(2)}, kAutomationTypeMismatch, "", 1},
      {"%d", {Int(1, 5)}, kAutomationTypeMismatch, "", 0},        // a double
      {"%d", {Int(1, 0x4012)}, kAutomationTypeMismatch, "", 0},   // VT_UI2 by reference
      {"%x", {Int(1)}, kAutomationFail, "", -1},
      {"d", {Int(1)}, kAutomationFail, "", -1},
      {"%", {Int(1)}, kAutomationFail, "", -1},
  };
  for (const Case& c : cases) {
    const AutomationText got = BuildAutomationArguments(c.format, c.args);
    EXPECT_EQ(got.code, c.code) << c.format;
    EXPECT_EQ(got.text, c.text) << c.format;
    EXPECT_EQ(got.badArgument, c.bad) << c.format;
  }
}

TEST(AutomationArgs, NamesInAnyCaseFindTheirCommand) {
  const std::vector<std::string> names{"CloseImage", "FlipImage", "OpenImage", "SaveImage"};
  EXPECT_EQ(CommandDispId(names, "openimage"), 1002);
  EXPECT_EQ(CommandDispId(names, "FLIPIMAGE"), 1001);
  EXPECT_EQ(CommandDispId(names, "CloseImage"), 1000);
  EXPECT_EQ(CommandDispId(names, "Visible"), -1);
  EXPECT_EQ(CommandDispId(names, "OpenImag"), -1);
}

}  // namespace
}  // namespace lumora

#include "app/CapDescriptor.h"

namespace lumora {
namespace {

TEST(CapDescriptor, HandleWindowAndNameComeFromTheText) {
  struct Case {
    const char* text;
    bool valid;
    std::uint32_t handle, window;
    std::string name;
  } cases[] = {
      {"0000001C000A01F2CapSection1", true, 0x1C, 0xA01F2, "CapSection1"},
      {"0000001c000a01f2", true, 0x1C, 0xA01F2, ""},
      {"0000001C000A01F", false, 0, 0, ""},  // 15 characters: nothing to open
      {"", false, 0, 0, ""},
      {"0000001G000A01F2name", false, 0, 0, ""},
      {"FFFFFFFF00000001\xc3\xa9t\xc3\xa9", true, 0xFFFFFFFF, 1, "\xc3\xa9t\xc3\xa9"},
  };
  for (const Case& c : cases) {
    const CapDescriptor d = ParseCapDescriptor(c.text);
    EXPECT_EQ(d.valid, c.valid) << c.text;
    EXPECT_EQ(d.handOver, c.handle) << c.text;
    EXPECT_EQ(d.ownerWindow, c.window) << c.text;
    EXPECT_EQ(d.name, c.name) << c.text;
  }
  EXPECT_FALSE(ParseCapDescriptor(nullptr).valid);
  const std::string longName(70, 'n');
  const CapDescriptor cut = ParseCapDescriptor(("0000000100000002" + longName).c_str());
  EXPECT_EQ(cut.name, std::string(51, 'n'));
}

}  // namespace
}  // namespace lumora

#include "document/ServerExtent.h"

namespace lumora {
namespace {

TEST(ServerExtent, HimetricFromTheResolutionOrTheDisplay) {
  const HimetricSize a = HimetricExtent(300, 200, 150u | (150u << 16), 96, 96);
  EXPECT_EQ(a.cx, 5080);
  EXPECT_EQ(a.cy, 3386);
  const HimetricSize b = HimetricExtent(300, 200, 0, 96, 120);
  EXPECT_EQ(b.cx, 7937);
  EXPECT_EQ(b.cy, 4233);
  const HimetricSize c = HimetricExtent(320, 240, 72u | (0u << 16), 96, 96);  // y half unknown
  EXPECT_EQ(c.cx, 11288);
  EXPECT_EQ(c.cy, 6350);
}

}  // namespace
}  // namespace lumora
