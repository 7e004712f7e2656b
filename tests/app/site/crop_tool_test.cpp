// The crop tool over the site: its pane brings its hook, the rectangle
// follows the mouse on the view, Enter or a double click inside crops
// through the site, the pane's check box crops into a new window, Escape
// drops the rectangle, and closing the pane takes the hook away.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/Site.h"
#include "libs/toolhost/CropTool.h"
#include "libs/toolhost/Panes.h"
#include "tests/app/site/fake_site_host.h"
#include "tests/app/site/site_images.h"

namespace lumora {
namespace {

using VrWA2000::WA;
using toolhost::CropTracker;

// Window messages and keys as the program's views and queue deliver them.
constexpr std::uint32_t kKeyDown = 0x0100, kMove = 0x0200, kDown = 0x0201, kUp = 0x0202, kDouble = 0x0203;
constexpr std::uintptr_t kEnter = 0x0D, kEscape = 0x1B;

struct PaneStub : toolhost::PaneWindows {
  void* Open(LUPaneDialog& pane) override {
    pane.window = reinterpret_cast<void*>(0x7001);
    return pane.window;
  }
  void Rebuild(LUPaneDialog&) override {}
  void Activate(LUPaneDialog&) override {}
  void Close(LUPaneDialog& pane) override { toolhost::ForgetPane(&pane); }
  bool IsIconic(const LUPaneDialog&) override { return false; }
};

// Client points are image points; frames are logged.
struct CropWindowsLog : toolhost::CropWindows {
  std::vector<std::string> log;
  void* capture = nullptr;
  bool ToImage(const void*, void*, POINT client, POINT* image) override {
    *image = client;
    return true;
  }
  void ShowFrame(const void*, void*, const RECT* r) override {
    log.push_back(r == nullptr ? "frame none"
                               : "frame " + std::to_string(r->left) + "," + std::to_string(r->top) + "," +
                                     std::to_string(r->right) + "," + std::to_string(r->bottom));
  }
  void RedrawFrameLater(void*) override { log.push_back("later"); }
  bool IsFrameMessage(std::uint32_t message) override { return message == 0xC123; }
  void RedrawFrame(void*) override { log.push_back("redraw"); }
  // Windows tells the view when it loses the capture, inside the release.
  std::function<void()> onRelease;
  void Capture(void* view, bool on) override {
    capture = on ? view : nullptr;
    if (!on && onRelease) onRelease();
  }
  bool KeyReachesView(void* target, void* view) override { return target == view; }
};

struct CropHost : test::FakeSiteHost {
  std::vector<RECT> crops;
  std::vector<WA*> newWindows;  // owned references
  ~CropHost() override {
    for (WA* w : newWindows) w->Release();
  }
  SiteWindow CropImage(SiteDoc, const RECT& rect) override {
    crops.push_back(rect);
    return view;
  }
  SiteWindow NewDocumentFromImage(Image* image) override {
    image->AddRef();
    newWindows.push_back(image);
    return view;
  }
};

class CropToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitHostSite(site, host));
    toolhost::SetPaneWindows(&panes);
    toolhost::SetCropWindows(&windows);
    flat = test::RandomImage(640, 480, 3);
    host.docImages[4] = flat;
    ASSERT_EQ(LUCreateToolInstance(&site.site, "Crop_Tool", 0), 0);
    windows.onRelease = [this] { View(0x0215, 0, 0); };
  }
  void TearDown() override {
    LUDestroyPaneDialogs(&site.site);
    toolhost::SetCropWindows(nullptr);
    toolhost::SetPaneWindows(nullptr);
    flat->Release();
    FreeHostSite(site);
    LUResetError();
  }
  // Offers a view message to the hooks; true when one took it.
  bool View(std::uint32_t message, int x, int y) {
    const LU_MSG msg{host.view, message, 0, static_cast<std::intptr_t>((y & 0xFFFF) << 16 | (x & 0xFFFF))};
    std::intptr_t result = 0;
    return LUIsSomethingInterest(&site.site, &msg, kLUPassView, &result) != 0;
  }
  bool Key(std::uintptr_t key, void* target = nullptr) {
    const LU_MSG msg{target != nullptr ? target : host.view, kKeyDown, key, 0};
    std::intptr_t result = 0;
    return LUIsSomethingInterest(&site.site, &msg, kLUPassQueue, &result) != 0;
  }
  void Drag(int x0, int y0, int x1, int y1) {
    ASSERT_TRUE(View(kDown, x0, y0));
    View(kMove, (x0 + x1) / 2, (y0 + y1) / 2);
    View(kMove, x1, y1);
    ASSERT_TRUE(View(kUp, x1, y1));
  }

  CropHost host;
  HostSite site;
  PaneStub panes;
  CropWindowsLog windows;
  WA* flat = nullptr;
};

TEST(CropTrackerTest, DragsClicksAndPressesInside) {
  CropTracker t;
  t.Press(POINT{50, 60}, 100, 80);
  t.Move(POINT{10, 20});
  t.Release(POINT{10, 20});
  ASSERT_TRUE(t.HasRect());
  EXPECT_EQ(t.Rect().left, 10);
  EXPECT_EQ(t.Rect().top, 20);
  EXPECT_EQ(t.Rect().right, 51);  // both corner pixels included
  EXPECT_EQ(t.Rect().bottom, 61);
  EXPECT_TRUE(t.DoubleClick(POINT{10, 20}));
  EXPECT_FALSE(t.DoubleClick(POINT{51, 20}));
  // A press inside keeps the rectangle until the mouse moves.
  t.Press(POINT{30, 30}, 100, 80);
  t.Release(POINT{30, 30});
  EXPECT_EQ(t.Rect().left, 10);
  t.Press(POINT{30, 30}, 100, 80);
  t.Move(POINT{200, -5});  // past the image
  t.Release(POINT{200, -5});
  EXPECT_EQ(t.Rect().left, 30);
  EXPECT_EQ(t.Rect().top, 0);
  EXPECT_EQ(t.Rect().right, 100);
  EXPECT_EQ(t.Rect().bottom, 31);
  // A click outside without a drag drops it.
  t.Press(POINT{5, 5}, 100, 80);
  t.Release(POINT{5, 5});
  EXPECT_FALSE(t.HasRect());
  EXPECT_FALSE(t.DoubleClick(POINT{5, 5}));
}

TEST_F(CropToolTest, EnterCropsTheDraggedRectangleThroughTheSite) {
  Drag(10, 20, 49, 59);
  EXPECT_EQ(windows.capture, nullptr);
  EXPECT_EQ(windows.log.back(), "frame 10,20,50,60");
  RECT shown{};
  ASSERT_TRUE(toolhost::CropToolHasRect(&shown));
  EXPECT_FALSE(Key(kEnter, reinterpret_cast<void*>(0x999)));  // another window's key passes
  EXPECT_TRUE(Key(kEnter));
  ASSERT_EQ(host.crops.size(), 1u);
  EXPECT_EQ(host.crops[0].left, 10);
  EXPECT_EQ(host.crops[0].top, 20);
  EXPECT_EQ(host.crops[0].right, 50);
  EXPECT_EQ(host.crops[0].bottom, 60);
  EXPECT_EQ(windows.log.back(), "frame none");
  EXPECT_FALSE(Key(kEnter));  // nothing left to crop
  EXPECT_EQ(host.crops.size(), 1u);
}

TEST_F(CropToolTest, DoubleClickInsideCropsEscapeDrops) {
  Drag(100, 100, 199, 149);
  EXPECT_TRUE(View(kDouble, 300, 300));  // outside: nothing
  EXPECT_TRUE(host.crops.empty());
  // The first click of a double click lands inside and keeps the rectangle.
  ASSERT_TRUE(View(kDown, 150, 120));
  ASSERT_TRUE(View(kUp, 150, 120));
  EXPECT_TRUE(View(kDouble, 150, 120));
  ASSERT_EQ(host.crops.size(), 1u);
  EXPECT_EQ(host.crops[0].right, 200);

  Drag(1, 1, 20, 20);
  EXPECT_TRUE(Key(kEscape));
  EXPECT_FALSE(toolhost::CropToolHasRect(nullptr));
  EXPECT_FALSE(Key(kEscape));  // with nothing to drop the key goes on
  EXPECT_FALSE(Key(kEnter));
  EXPECT_EQ(host.crops.size(), 1u);
}

TEST_F(CropToolTest, TheCheckBoxCropsIntoANewWindow) {
  LUPaneDialog* pane = LUGetActivePaneDialog(&site.site);
  ASSERT_NE(pane, nullptr);
  ASSERT_EQ(LUPaneSetParameter(pane, 0, 1), 0);
  Drag(5, 7, 36, 27);
  EXPECT_TRUE(Key(kEnter));
  EXPECT_TRUE(host.crops.empty());
  ASSERT_EQ(host.newWindows.size(), 1u);
  WA* made = host.newWindows[0];
  ASSERT_EQ(made->GetW(), 32);
  ASSERT_EQ(made->GetH(), 21);
  for (int y = 0; y < 21; ++y) {
    ASSERT_EQ(std::memcmp(made->Row(y), flat->Row(y + 7) + 3 * 5, 3 * 32), 0) << y;
  }
}

TEST_F(CropToolTest, PaintsBringTheFrameBackAndClosingThePaneEndsTheHook) {
  Drag(10, 10, 20, 20);
  EXPECT_FALSE(View(0x000F, 0, 0));  // the view paints; the frame follows later
  EXPECT_EQ(windows.log.back(), "later");
  EXPECT_TRUE(View(0xC123, 0, 0));
  EXPECT_EQ(windows.log.back(), "redraw");
  LUDestroyPaneDialogs(&site.site);
  EXPECT_FALSE(View(kDown, 5, 5));
  EXPECT_FALSE(Key(kEnter));
  EXPECT_TRUE(host.crops.empty());
}

}  // namespace
}  // namespace lumora
