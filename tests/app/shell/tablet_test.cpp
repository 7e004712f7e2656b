// The tablet's rules against a fake Wintab driver: pressure scaling (range
// 0, the pressure button's marks, beyond the axis), the vary flags,
// proximity, and the eraser end choosing the eraser and back.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "app/Tablet.h"

namespace lumora {
namespace {

class FakeDriver : public WintabDriver {
 public:
  bool TabletThere() override { return there; }
  void* Open(void*, std::uintptr_t, int width, int height) override {
    openedWidth = width;
    openedHeight = height;
    return refuseOpen ? nullptr : &context;
  }
  void Close(void*) override { ++*closed; }
  int Overlap(void*, bool top) override { return top ? 7 : 8; }
  int Enable(void*, bool enable) override { return enable ? 5 : 6; }
  bool NewestPacket(void*, TabletPacket* p) override {
    if (queue.empty()) return false;
    *p = queue.back();
    queue.clear();
    return true;
  }
  bool PeekPacket(void*, std::uint32_t serial, TabletPacket* p) override {
    auto it = bySerial.find(serial);
    if (it == bySerial.end()) return false;
    *p = it->second;
    return true;
  }
  void DropPacket(void*) override { ++dropped; }
  void DropPackets(void*) override { queue.clear(); ++flushed; }
  TabletCursorInfo CursorInfo(void*, std::uint32_t cursor) override {
    ++infoReads;
    return cursors[cursor];
  }
  std::string CursorName(std::uint32_t cursor) override { return names[cursor]; }

  int context = 0;
  bool there = true, refuseOpen = false;
  int openedWidth = 0, openedHeight = 0, dropped = 0, flushed = 0, infoReads = 0;
  std::shared_ptr<int> closed = std::make_shared<int>(0);
  std::deque<TabletPacket> queue;
  std::map<std::uint32_t, TabletPacket> bySerial;
  std::map<std::uint32_t, TabletCursorInfo> cursors;
  std::map<std::uint32_t, std::string> names;
};

TEST(TabletPressure, ScalesByTheAxisOrTheButtonMarksAndStaysInRange) {
  TabletCursorInfo pen;
  pen.pressureButton = 0;
  pen.axisMin = 0;
  pen.axisRange = 1023;
  pen.pressMark = 100;
  pen.aboveMark = 923;
  struct Case {
    std::uint32_t buttons, pressure;
    int expected;
    std::int32_t raw, range;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 1023},           {0, 1023, 255, 1023, 1023},   {0, 512, 127, 512, 1023},
      {1, 100, 0, 0, 923},          {1, 1023, 255, 923, 923},     {1, 50, 0, 0, 923},  // below the mark
      {0, 5000, 255, 1023, 1023},   // beyond the axis: full, not more
  };
  for (const Case& c : cases) {
    std::int32_t raw = -1, range = -1;
    EXPECT_EQ(TabletPressureOf(TabletPacket{1, c.buttons, 0, 0, c.pressure}, pen, &raw, &range), c.expected)
        << c.buttons << " " << c.pressure;
    EXPECT_EQ(raw, c.raw);
    EXPECT_EQ(range, c.range);
  }
  // An axis of range 0 counts as 1; no pressure button ignores the buttons.
  TabletCursorInfo flat;
  flat.axisMin = 10;
  std::int32_t raw = 0, range = 0;
  EXPECT_EQ(TabletPressureOf(TabletPacket{1, 0xFFFFFFFF, 0, 0, 10}, flat, &raw, &range), 0);
  EXPECT_EQ(range, 1);
  EXPECT_EQ(TabletPressureOf(TabletPacket{1, 0, 0, 0, 11}, flat, &raw, &range), 255);
}

class TabletRules : public ::testing::Test {
 protected:
  void SetUp() override {
    auto fake = std::make_unique<FakeDriver>();
    driver = fake.get();
    closed = fake->closed;
    TabletCursorInfo pen;
    pen.axisRange = 200;
    driver->cursors[1] = pen;
    driver->cursors[2] = pen;
    driver->names[1] = "Pressure Stylus";
    driver->names[2] = "Pressure eraser";
    ASSERT_TRUE(tablet.Start(std::move(fake), &window, 0x400000, 1024, 768));
  }
  std::uint32_t num = 0, den = 0;
  int window = 0;
  FakeDriver* driver = nullptr;
  std::shared_ptr<int> closed;
  Tablet tablet;
};

TEST_F(TabletRules, ReadsTheNewestPacketOnlyInProximityWithTheVaryFlags) {
  EXPECT_EQ(driver->openedWidth, 1024);
  driver->queue.push_back({1, 0, 0, 0, 50});
  // Out of proximity: full pressure at full width, packets or not.
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 255);
  EXPECT_EQ(num, 1u);
  EXPECT_EQ(den, 1u);
  tablet.OnProximity(&driver->context, true);
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 50 * 255 / 200);
  EXPECT_EQ(num, 50u);
  EXPECT_EQ(den, 200u);
  // No new packet: the last values stay.
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 63);
  EXPECT_EQ(num, 50u);
  // vary_opacity 0 with vary_size 1: full opacity, the width follows.
  tablet.varyOpacity = false;
  driver->queue.push_back({1, 0, 0, 0, 150});
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 255);
  EXPECT_EQ(num, 150u);
  tablet.varySize = false;
  tablet.varyOpacity = true;
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 150 * 255 / 200);
  EXPECT_EQ(num, 1u);
  EXPECT_EQ(den, 1u);
  // Leaving our context flushes the queue; another context is not ours.
  driver->queue.push_back({1, 0, 0, 0, 10});
  tablet.OnProximity(&driver->context, false);
  EXPECT_TRUE(driver->queue.empty());
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 255);
  int other = 0;
  tablet.OnProximity(&other, true);
  EXPECT_FALSE(tablet.InProximity());
  EXPECT_EQ(tablet.TabletOverlap(true), 7);
  EXPECT_EQ(tablet.TabletEnable(false), 6);
  tablet.FlushTabletQueue();
  EXPECT_EQ(driver->dropped, 1);
  tablet.Stop();
  EXPECT_EQ(*closed, 1);
  EXPECT_EQ(tablet.TabletEnable(true), 0);
}

TEST_F(TabletRules, TheEraserEndChoosesTheEraserAndTurningBackTheToolBefore) {
  driver->bySerial[10] = {1, 0, 0, 0, 0};
  driver->bySerial[11] = {2, 0, 0, 0, 0};
  driver->bySerial[12] = {1, 0, 0, 0, 0};
  constexpr std::uint32_t kBrush = 32889;
  // The first cursor seen (the stylus) changes nothing.
  TabletCursorAction a = tablet.OnCursorChange(10, &driver->context, 0, kBrush, nullptr);
  EXPECT_EQ(a.command, 0u);
  // The eraser end: the eraser's command, the brush remembered.
  a = tablet.OnCursorChange(11, &driver->context, 0, kBrush, nullptr);
  EXPECT_EQ(a.command, kTabletEraserCommand);
  EXPECT_TRUE(tablet.EraserActive());
  // The same cursor again: nothing.
  EXPECT_EQ(tablet.OnCursorChange(11, &driver->context, 0, kTabletEraserCommand, nullptr).command, 0u);
  // Back to the stylus: the brush.
  a = tablet.OnCursorChange(12, &driver->context, 0, kTabletEraserCommand, nullptr);
  EXPECT_EQ(a.command, kBrush);
  EXPECT_FALSE(tablet.EraserActive());

  // With the eraser current already, turning the pen sends nothing (its
  // command would release it), and turning back sends nothing either.
  driver->bySerial[13] = {2, 0, 0, 0, 0};
  driver->bySerial[14] = {1, 0, 0, 0, 0};
  EXPECT_EQ(tablet.OnCursorChange(13, &driver->context, 0, kTabletEraserCommand, nullptr).command, 0u);
  EXPECT_EQ(tablet.OnCursorChange(14, &driver->context, 0, kTabletEraserCommand, nullptr).command, 0u);

  // A pane's window is remembered when no tool is selected, and activated.
  int pane = 0;
  driver->bySerial[15] = {2, 0, 0, 0, 0};
  driver->bySerial[16] = {1, 0, 0, 0, 0};
  EXPECT_EQ(tablet.OnCursorChange(15, &driver->context, 0, 0, &pane).command, kTabletEraserCommand);
  a = tablet.OnCursorChange(16, &driver->context, 0, kTabletEraserCommand, nullptr);
  EXPECT_EQ(a.command, 0u);
  EXPECT_EQ(a.activateWindow, &pane);

  // Unknown serials and other contexts are ignored.
  int other = 0;
  EXPECT_EQ(tablet.OnCursorChange(99, &driver->context, 0, kBrush, nullptr).command, 0u);
  EXPECT_EQ(tablet.OnCursorChange(11, &other, 0, kBrush, nullptr).command, 0u);
}

TEST(TabletStart, WithoutDriverTabletOrContextTheTabletIsAbsentAndAnswersFull) {
  Tablet tablet;
  EXPECT_FALSE(tablet.Start(nullptr, nullptr, 0, 1, 1));
  auto none = std::make_unique<FakeDriver>();
  none->there = false;
  EXPECT_FALSE(tablet.Start(std::move(none), nullptr, 0, 1, 1));
  auto refusing = std::make_unique<FakeDriver>();
  refusing->refuseOpen = true;
  EXPECT_FALSE(tablet.Start(std::move(refusing), nullptr, 0, 1, 1));
  EXPECT_FALSE(tablet.Present());
  tablet.OnProximity(nullptr, true);
  std::uint32_t num = 0, den = 0;
  EXPECT_EQ(tablet.GetTabletPressure(&num, &den), 255);
  EXPECT_EQ(num, 1u);
  EXPECT_EQ(den, 1u);
  EXPECT_EQ(tablet.OnCursorChange(1, nullptr, 0, 0, nullptr).command, 0u);
}

}  // namespace
}  // namespace lumora
