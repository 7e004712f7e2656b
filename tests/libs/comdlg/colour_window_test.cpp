// The colour window's rules against fake windows: opening, binding an
// owner, setting and reporting colours, closing, and the channel edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <functional>
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
  void Repaint(void* w) override { repainted.push_back(w); }
  int FileDialog(void* owner, const char* title, int open, const char* folder, const char* extension, char* path,
                 int pathSize) override {
    fileDialog = {owner, title, open, folder, extension, path, pathSize};
    return 1;
  }

  int window = 0;
  bool refuse = false;
  int created = 0, shown = 0;
  void* lastFrame = nullptr;
  std::uint32_t showing = 0;
  std::int32_t pick = kNoColour;
  std::vector<void*> destroyed;
  std::vector<Sent> sent;
  std::vector<void*> repainted;
  struct FileDialogCall {
    void* owner = nullptr;
    std::string title;
    int open = -1;
    std::string folder, extension;
    char* path = nullptr;
    int pathSize = 0;
  } fileDialog;
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

TEST_F(ColourWindow, DialogsNotInTheLibraryRefuseWithTheirCodeAndChangeNothing) {
  ASSERT_NE(OpenSelColorWindow(data, &frame, &main, 0x123456), 0);
  int style = 0;
  char section[] = "S", file[] = "f.ini";
  struct Call {
    const char* name;
    std::function<std::intptr_t()> run;
  };
  const Call calls[] = {
      {"OpenStyleDlg", [&] { return OpenStyleDlg(data, &main); }},
      {"BindStyleDlg", [&] { return BindStyleDlg(data, &dialog, &main, &style, 0); }},
      {"ShowStyleDlg", [&] { return ShowStyleDlg(data, &dialog); }},
      {"CloseStyleDlg", [&] { return CloseStyleDlg(data, &dialog); }},
      {"SaveStyleData", [&] { return SaveStyleData(data, &style, section, file); }},
      {"LoadStyleData", [&] { return LoadStyleData(data, &style, section, file); }},
      {"OpenPalEditor", [&] { return OpenPalEditor(data); }},
      {"BindPalEditor", [&] { return BindPalEditor(data, &main, &style); }},
      {"ActivatePalEditor", [&] { return ActivatePalEditor(data); }},
      {"ShowPalEditor", [&] { return ShowPalEditor(data); }},
      {"ClosePalEditor", [&] { return ClosePalEditor(data); }},
      {"OpenStyleMngDlg", [&] { return OpenStyleMngDlg(data); }},
      {"IsStyleMngDlgOpen", [&] { return IsStyleMngDlgOpen(data); }},
      {"GetStyleMngDlg", [&] { return reinterpret_cast<std::intptr_t>(GetStyleMngDlg(data)); }},
      {"ShowStylePageDlg", [&] { return ShowStylePageDlg(data, 1); }},
      {"CloseStylePageDlg", [&] { return CloseStylePageDlg(data); }},
      {"GetStyleMasterWnd", [&] { return reinterpret_cast<std::intptr_t>(GetStyleMasterWnd(data, &dialog)); }},
      {"SetStyleOwnerTool", [&] { return SetStyleOwnerTool(data, &style, &main); }},
  };
  for (const Call& call : calls) {
    data->lastError = kCDlgOk;
    EXPECT_EQ(call.run(), 0) << call.name;
    EXPECT_EQ(CDlgLastError(data), kCDlgErrorNotProvided) << call.name;
  }
  // The colour window went on as it was.
  EXPECT_TRUE(IsSelColorWindowOpened(data));
  EXPECT_EQ(SelColorWindowOwner(data), &main);
  EXPECT_EQ(SelColorWindowColour(data), 0x123456u);
  EXPECT_EQ(fake.created, 1);
  EXPECT_TRUE(fake.sent.empty());
  EXPECT_TRUE(fake.destroyed.empty());
}

TEST_F(ColourWindow, GammaPaintsColoursAsTheViewsShowThem) {
  EXPECT_EQ(PaintedColour(data, 0x804020), 0x804020u);  // 1.00: as it is
  ASSERT_NE(OpenSelColorWindow(data, &frame, &main, 0), 0);
  ASSERT_EQ(SetSelColorWindowGamma(data, 200, 50, 100), 1);
  EXPECT_EQ(fake.repainted, std::vector<void*>{&fake.window});
  // red 64 at 2.00: 255 x (64/255)^0.5 = 127.75; green 128 at 0.50: 255 x (128/255)^2 = 64.25; blue kept.
  EXPECT_EQ(PaintedColour(data, MakeColour(64, 128, 77)), MakeColour(128, 64, 77));
  EXPECT_EQ(PaintedColour(data, MakeColour(255, 0, 255)), MakeColour(255, 0, 255));
  // Out of range: refused, the gamma kept.
  for (auto bad : {std::array<int, 3>{0, 100, 100}, {100, 1001, 100}, {100, 100, -5}}) {
    EXPECT_EQ(SetSelColorWindowGamma(data, bad[0], bad[1], bad[2]), 0);
    EXPECT_EQ(CDlgLastError(data), kCDlgErrorBadValue);
  }
  EXPECT_EQ(PaintedColour(data, MakeColour(64, 128, 77)), MakeColour(128, 64, 77));
  EXPECT_EQ(fake.repainted.size(), 1u);
}

TEST_F(ColourWindow, GadgetDialogPassesItsRecordOnAndRefusesABadOne) {
  char path[260] = "trial";
  EXPECT_EQ(OpenGadgetDialog(data, &main, "Save Workspace", 0, "C:\\w", "luw", path, sizeof path, 0), 1);
  EXPECT_EQ(fake.fileDialog.owner, &main);
  EXPECT_EQ(fake.fileDialog.title, "Save Workspace");
  EXPECT_EQ(fake.fileDialog.open, 0);
  EXPECT_EQ(fake.fileDialog.folder, "C:\\w");
  EXPECT_EQ(fake.fileDialog.extension, "luw");
  EXPECT_EQ(fake.fileDialog.path, path);
  EXPECT_EQ(fake.fileDialog.pathSize, 260);
  fake.fileDialog = {};
  for (int size : {0, 1}) {
    EXPECT_EQ(OpenGadgetDialog(data, &main, "T", 1, "C:\\w", "luw", path, size, 0), 0);
  }
  EXPECT_EQ(OpenGadgetDialog(data, &main, "T", 1, nullptr, "luw", path, 260, 0), 0);
  EXPECT_EQ(OpenGadgetDialog(data, &main, "T", 2, "C:\\w", "luw", path, 260, 0), 0);
  EXPECT_EQ(OpenGadgetDialog(data, &main, "T", 1, "C:\\w", "luw", nullptr, 260, 0), 0);
  EXPECT_EQ(CDlgLastError(data), kCDlgErrorBadValue);
  EXPECT_EQ(fake.fileDialog.open, -1) << "no dialog for a bad record";
}

TEST(ColourWindowPages, HsvPageShowsDegreesAndPerCents) {
  struct Case {
    std::uint32_t colour;
    Hsv hsv;
  };
  const Case cases[] = {{MakeColour(255, 0, 0), {0, 100, 100}},   {MakeColour(0, 255, 0), {120, 100, 100}},
                        {MakeColour(0, 0, 255), {240, 100, 100}}, {MakeColour(255, 255, 0), {60, 100, 100}},
                        {MakeColour(255, 0, 255), {300, 100, 100}}, {MakeColour(128, 128, 128), {0, 0, 50}},
                        {MakeColour(0, 0, 0), {0, 0, 0}},         {MakeColour(255, 128, 0), {30, 100, 100}}};
  for (const Case& c : cases) {
    EXPECT_EQ(ColourToHsv(c.colour), c.hsv) << std::hex << c.colour;
    EXPECT_EQ(HsvToColour(c.hsv), c.colour) << std::hex << c.colour;
  }
  // Just below red again: 359.76 degrees rounds to 0, never to 360.
  EXPECT_EQ(ColourToHsv(MakeColour(255, 0, 1)), (Hsv{0, 100, 100}));
  // Out of range parts are held to the range.
  EXPECT_EQ(HsvToColour({400, 150, 150}), HsvToColour({359, 100, 100}));
  // Any colour comes back from its HSV within the rounding of 1 degree and 1 %.
  int worst = 0;
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        const std::uint32_t back = HsvToColour(ColourToHsv(MakeColour(r, g, b)));
        for (int i = 0; i < 3; ++i) worst = std::max(worst, std::abs(Channel(back, i) - Channel(MakeColour(r, g, b), i)));
      }
    }
  }
  EXPECT_LE(worst, 4);
  int v = -1;
  EXPECT_TRUE(ParseHsvChannel("359", kHsvMost[0], &v));
  EXPECT_EQ(v, 359);
  EXPECT_FALSE(ParseHsvChannel("360", kHsvMost[0], &v));
  EXPECT_FALSE(ParseHsvChannel("101", kHsvMost[1], &v));
  EXPECT_FALSE(ParseHsvChannel("", kHsvMost[2], &v));
}

TEST(ColourWindowPages, PaletteHasFixedColoursAndTheUsersInTurn) {
  CDlgData* data = AllocCDlgData();
  EXPECT_EQ(PaletteColour(data, 0), 0x000000u);
  EXPECT_EQ(PaletteColour(data, 7), 0xFFFFFFu);
  EXPECT_EQ(PaletteColour(data, kBasicColours), 0xFFFFFFu);  // unused custom cells are white
  for (int i = 0; i < kCustomColours; ++i) EXPECT_EQ(AddCustomColour(data, 0x010101u * (i + 1)), kBasicColours + i);
  // All used: the oldest goes first.
  EXPECT_EQ(AddCustomColour(data, 0xFF123456u), kBasicColours);
  EXPECT_EQ(PaletteColour(data, kBasicColours), 0x123456u);
  EXPECT_EQ(PaletteColour(data, kBasicColours + 1), 0x020202u);
  EXPECT_EQ(PaletteColour(data, kBasicColours + kCustomColours), 0u);
  EXPECT_EQ(PaletteColour(data, -1), 0u);
  FreeCDlgData(data);
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

