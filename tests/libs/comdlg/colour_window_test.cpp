// The colour window's rules against fake windows: opening, binding an
// owner, setting and reporting colours, closing, and the channel edits.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "libs/comdlg/ColourWindow.h"

namespace lumora::comdlg {
namespace {

struct Sent {
  void* owner;
  std::uint32_t message;
  std::uint32_t colour;
  bool operator==(const Sent&) const = default;
};

class FakeWindows : public ComDlgWindows {
 public:
  void* Create(CDlgData*, void* frame) override {
    ++created;
    lastFrame = frame;
    return refuse ? nullptr : &window;
  }
  void Show(void*) override { ++shown; }
  void Destroy(void* w) override { destroyed.push_back(w); }
  void ShowColour(void*, std::uint32_t colour) override { showing = colour; }
  void Send(void* owner, std::uint32_t message, std::uint32_t colour) override { sent.push_back({owner, message, colour}); }
  std::int32_t PickUp(void*) override { return pick; }

  int window = 0;
  bool refuse = false;
  int created = 0, shown = 0;
  void* lastFrame = nullptr;
  std::uint32_t showing = 0;
  std::int32_t pick = kNoColour;
  std::vector<void*> destroyed;
  std::vector<Sent> sent;
};

class ColourWindow : public ::testing::Test {
 protected:
  void SetUp() override { SetComDlgWindows(&fake); }
  void TearDown() override {
    FreeCDlgData(data);
    SetComDlgWindows(nullptr);
  }
  FakeWindows fake;
  CDlgData* data = AllocCDlgData();
  int frame = 0, main = 0, dialog = 0;
};

TEST_F(ColourWindow, OpensOnceShowsForItsOwnerAndClosesOnce) {
  EXPECT_EQ(ShowSelColorWindow(data, &main, 0x112233), nullptr);  // not open: nothing done
  EXPECT_EQ(fake.shown, 0);
  ASSERT_NE(OpenSelColorWindow(data, &frame, &main, 0x112233), 0);
  EXPECT_EQ(fake.lastFrame, &frame);
  EXPECT_TRUE(IsSelColorWindowOpened(data));
  EXPECT_EQ(fake.showing, 0x112233u);
  EXPECT_EQ(SelColorWindowOwner(data), &main);
  // A second open binds the new owner to the same window.
  ASSERT_NE(OpenSelColorWindow(data, &frame, &dialog, 0x445566), 0);
  EXPECT_EQ(fake.created, 1);
  EXPECT_EQ(SelColorWindowOwner(data), &dialog);
  EXPECT_EQ(SelColorWindowColour(data), 0x445566u);
  EXPECT_EQ(ShowSelColorWindow(data, &main, 0x01020304), &fake.window);
  EXPECT_EQ(SelColorWindowColour(data), 0x020304u);  // the top byte is no colour
  EXPECT_TRUE(fake.sent.empty());  // showing tells nobody
  EXPECT_EQ(CloseSelColorWindow(data), 1);
  EXPECT_EQ(CloseSelColorWindow(data), 0);
  EXPECT_EQ(fake.destroyed, std::vector<void*>{&fake.window});
  EXPECT_FALSE(IsSelColorWindowOpened(data));
}

TEST_F(ColourWindow, AWindowThatCannotBeMadeRefuses) {
  fake.refuse = true;
  EXPECT_EQ(OpenSelColorWindow(data, &frame, &main, 0), 0);
  EXPECT_FALSE(IsSelColorWindowOpened(data));
  SetComDlgWindows(nullptr);
#ifndef _WIN32
  // No window system at all (natively): every call refuses.
  EXPECT_EQ(OpenSelColorWindow(data, &frame, &main, 0), 0);
  EXPECT_EQ(PickUpColor(data, &main, 0, 0), kNoColour);
#endif
}

TEST_F(ColourWindow, OwnersBindSetAndHearTheUsersColours) {
  ASSERT_NE(OpenSelColorWindow(data, &frame, &main, 0x000000), 0);
  // A set colour is shown and answered to the owner with 1464.
  EXPECT_TRUE(ColourWindowMessage(data, kColourWindowBind, reinterpret_cast<std::uintptr_t>(&dialog), 0));
  EXPECT_TRUE(ColourWindowMessage(data, kColourWindowSet, 0, 0x00ABCDEF));
  EXPECT_EQ(fake.showing, 0xABCDEFu);
  // The user's colours reach the owner with 1468, a repeated one not again.
  ColourWindowEdited(data, 0x0000FF);
  ColourWindowEdited(data, 0x0000FF);
  ColourWindowEdited(data, 0x00FF00);
  const std::vector<Sent> expected{{&dialog, kColourWindowSet, 0xABCDEF},
                                   {&dialog, kColourWindowChanged, 0x0000FF},
                                   {&dialog, kColourWindowChanged, 0x00FF00}};
  EXPECT_EQ(fake.sent, expected);
  EXPECT_FALSE(ColourWindowMessage(data, 1465, 0, 0));
  // Closed by the user: no longer open, nothing destroyed twice.
  ColourWindowGone(data, &fake.window);
  EXPECT_FALSE(IsSelColorWindowOpened(data));
  EXPECT_EQ(CloseSelColorWindow(data), 0);
  EXPECT_TRUE(fake.destroyed.empty());
}

TEST_F(ColourWindow, PickUpAnswersTheWindowsPick) {
  fake.pick = 0x102030;
  EXPECT_EQ(PickUpColor(data, &main, 0, 0), 0x102030);
  fake.pick = kNoColour;
  EXPECT_EQ(PickUpColor(data, &main, 0, 0), kNoColour);
  EXPECT_EQ(PickUpColor(nullptr, &main, 0, 0), kNoColour);
}

TEST(ColourWindowChannels, TypedChannelsAreDigitsUpTo255) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {{"0", true, 0},   {"255", true, 255}, {"007", true, 7}, {"256", false, 0},
                        {"", false, 0},   {"-1", false, 0},   {"1a", false, 0}, {"1000", false, 0}};
  for (const Case& c : cases) {
    int value = -5;
    EXPECT_EQ(ParseChannel(c.text, &value), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(value, c.value) << c.text;
  }
  EXPECT_EQ(MakeColour(1, 2, 3), 0x030201u);
  EXPECT_EQ(Channel(0x030201, 2), 3);
}

}  // namespace
}  // namespace lumora::comdlg
