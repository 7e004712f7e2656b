// Tool panes over the site, with windows that only record what is asked of
// them: which pane a tool opens in (reused, pinned, activated), Apply as one
// undo step, and the preview from the saved original.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "app/Site.h"
#include "libs/toolhost/Panes.h"
#include "tests/app/site/fake_site_host.h"
#include "tests/app/site/site_images.h"
#include "support/unique_temp_folder.h"

namespace lumora {
namespace {

using VrWA2000::WA;
using test::RandomImage;
using test::SamePixels;
using toolhost::PaneWindows;

struct RecordingWindows : PaneWindows {
  std::vector<std::string> log;
  int made = 0;
  void* Open(LUPaneDialog& pane) override {
    pane.window = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7000 + ++made));
    log.push_back("open " + std::to_string(pane.data.toolNumber));
    return pane.window;
  }
  void Rebuild(LUPaneDialog& pane) override { log.push_back("rebuild " + std::to_string(pane.data.toolNumber)); }
  void Activate(LUPaneDialog& pane) override { log.push_back("activate " + std::to_string(pane.data.toolNumber)); }
  void Close(LUPaneDialog& pane) override { toolhost::ForgetPane(&pane); }
  bool IsIconic(const LUPaneDialog&) override { return false; }
};

struct PaneHost : test::ImageUndoHost {
  bool paintable = true;
  int CanPaintLayer(SiteDoc, int) override { return paintable ? 1 : 0; }
};

class ToolPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Apply keeps the tool's parameters in the data file beside the settings.
    folder = lumora::testing::MakeUniqueTempFolder("tool_pane");
    host.settingsPath = (folder / "LUMO40.INI").string();
    ASSERT_TRUE(InitHostSite(site, host));
    host.image = RandomImage(23, 17, 5);
    host.docImages[0] = host.image;
    original = new WA(*host.image, false);
    toolhost::SetPaneWindows(&windows);
    LUInitGlobalSelection(&site.site);
    LUPreview_Init(&site.site);
  }
  void TearDown() override {
    LUDestroyPaneDialogs(&site.site);
    LUPreview_Destroy(&site.site);
    LURemoveGlobalSelection(&site.site);
    toolhost::SetPaneWindows(nullptr);
    host.image->Release();
    original->Release();
    FreeHostSite(site);
    LUResetError();
    std::filesystem::remove_all(folder);
  }
  int Open(const char* name) { return LUCreateToolInstanceByIDNumber(&site.site, LUGetRegToolIDNumber(nullptr, name, 0), 0); }
  LUPaneDialog* Active() { return LUGetActivePaneDialog(&site.site); }
  int Count(const std::string& entry) { return static_cast<int>(std::count(host.log.begin(), host.log.end(), entry)); }

  std::filesystem::path folder;
  PaneHost host;
  HostSite site;
  RecordingWindows windows;
  WA* original = nullptr;
};

TEST_F(ToolPaneTest, UnpinnedPaneIsReusedPinnedStaysSameToolActivates) {
  ASSERT_NE(Open("vr_rsmooth"), 0);
  LUPaneDialog* first = Active();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(LUIsPaneDlgWindow(&site.site, LUGetPaneDialogWindow(&site.site, first)));
  LUPane* pane = LUGetNextPane(&site.site, first, nullptr);
  EXPECT_EQ(LUGetToolID(LUGetPaneData(&site.site, pane)->tool), LUGetRegToolIDNumber(nullptr, "vr_rsmooth", 0));
  EXPECT_EQ(LUGetNextPane(&site.site, first, pane), nullptr) << "one pane per dialog";

  ASSERT_NE(Open("median_filt"), 0);
  EXPECT_EQ(Active(), first) << "unpinned: the next tool takes the pane over";
  EXPECT_EQ(toolhost::OpenPanes().size(), 1u);
  EXPECT_EQ(first->data.toolNumber, LUGetRegToolIDNumber(nullptr, "median_filt", 0));

  host.profile["PinState/DrawingPinPressed"] = "1";
  ASSERT_NE(Open("Noise"), 0);
  ASSERT_EQ(toolhost::OpenPanes().size(), 2u) << "pinned: a pane of its own";
  host.profile["PinState/DrawingPinPressed"] = "0";
  ASSERT_NE(Open("outline_filt"), 0);
  EXPECT_EQ(toolhost::OpenPanes().size(), 2u) << "the unpinned pane is taken over, the pinned one stays";
  EXPECT_EQ(first->data.toolNumber, LUGetRegToolIDNumber(nullptr, "outline_filt", 0));
  ASSERT_NE(Open("Noise"), 0) << "the tool already shown";
  EXPECT_EQ(toolhost::OpenPanes().size(), 2u);
  const std::vector<std::string> expected{"open 1", "rebuild 4", "activate 4", "open 9", "rebuild 7", "activate 7",
                                          "activate 9"};
  EXPECT_EQ(windows.log, expected);

  EXPECT_EQ(LUCreateToolInstance(&site.site, "no such tool", 0), kLUErrNoTool);
  EXPECT_EQ(LUCreateToolInstance(&site.site, "sharp_filt", 0), 0);
}

TEST_F(ToolPaneTest, ApplyIsOneUndoStepOnTheOriginalThenRefreshAndNotice) {
  ASSERT_NE(Open("vr_rsmooth"), 0);
  ASSERT_EQ(LUPaneSetParameter(Active(), 0, 5), 0);
  LUPaneSetPreview(Active(), 1);
  ASSERT_FALSE(SamePixels(host.image, original)) << "the preview shows";
  host.log.clear();
  ASSERT_EQ(LUPaneApply(Active()), 0);
  const std::vector<std::string> applyLog = host.log;
  WA* expected = test::ToolResult(original, "vr_rsmooth", {5, 3, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, expected)) << "applied once, to the original";
  host.log = applyLog;
  ASSERT_EQ(host.undoImages.size(), 1u);
  EXPECT_TRUE(SamePixels(host.undoImages[0], original)) << "the undo step keeps the image without the preview";
  // Undo step, the run, then refresh and the notice last.
  const auto backup = std::find(host.log.begin(), host.log.end(), "backup Smooth");
  const auto notice = std::find(host.log.begin(), host.log.end(), "send 1256");
  ASSERT_NE(backup, host.log.end());
  ASSERT_NE(notice, host.log.end());
  EXPECT_EQ(notice, host.log.end() - 1);
  EXPECT_NE(std::find(backup, notice, "invalidate"), notice);
  EXPECT_EQ(host.sent.back().wParam, reinterpret_cast<std::uintptr_t>(Active()->data.tool));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "LUMODB.DAT")) << "the parameters kept beside the settings";
  expected->Release();
}

TEST_F(ToolPaneTest, ApplyRefusedOnALockedLayerAndWithoutAnImageWindow) {
  ASSERT_NE(Open("vr_rsmooth"), 0);
  host.paintable = false;
  EXPECT_EQ(LUPaneApply(Active()), kLUErrLayerLocked);
  EXPECT_TRUE(SamePixels(host.image, original));
  EXPECT_TRUE(host.undoImages.empty());
  EXPECT_TRUE(host.sent.empty());
  host.paintable = true;
  host.view = nullptr;
  EXPECT_EQ(LUPaneApply(Active()), kLUErrNoImageWindow);
}

TEST_F(ToolPaneTest, PreviewRunsFromTheOriginalAndCloseRestoresIt) {
  ASSERT_NE(Open("vr_rsmooth"), 0);
  LUPaneDialog* pane = Active();
  ASSERT_EQ(LUPaneSetParameter(pane, 0, 7), 0);
  EXPECT_TRUE(SamePixels(host.image, original)) << "Preview off: nothing runs";
  LUPaneSetPreview(pane, 1);
  WA* seven = test::ToolResult(original, "vr_rsmooth", {7, 3, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, seven));
  ASSERT_EQ(LUPaneSetParameter(pane, 1, 5), 0);
  WA* sevenFive = test::ToolResult(original, "vr_rsmooth", {7, 5, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, sevenFive)) << "each change starts from the original";
  EXPECT_NE(LUPaneSetParameter(pane, 1, 0), 0) << "out of range";
  EXPECT_TRUE(SamePixels(host.image, sevenFive));
  EXPECT_TRUE(host.undoImages.empty());
  EXPECT_TRUE(host.sent.empty()) << "a preview is no run to record";

  LUPreview_Enable(&site.site, 0, 1);
  EXPECT_TRUE(SamePixels(host.image, original)) << "disabled: the real image";
  LUPreview_Enable(&site.site, 0, 1);
  LUPreview_Enable(&site.site, 1, 1);
  EXPECT_TRUE(SamePixels(host.image, original)) << "nested";
  LUPreview_Enable(&site.site, 1, 1);
  EXPECT_TRUE(SamePixels(host.image, sevenFive)) << "shown again";

  LUPreview_Enable(&site.site, 0, 1);
  ASSERT_EQ(LUPaneSetParameter(pane, 0, 5), 0);
  EXPECT_TRUE(SamePixels(host.image, original)) << "a change while disabled waits";
  LUPreview_Enable(&site.site, 1, 1);
  WA* fiveFive = test::ToolResult(original, "vr_rsmooth", {5, 5, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, fiveFive)) << "and shows at the last enable";
  fiveFive->Release();

  windows.Close(*pane);
  EXPECT_TRUE(SamePixels(host.image, original)) << "closed without Apply";
  EXPECT_EQ(Active(), nullptr);
  seven->Release();
  sevenFive->Release();
}

TEST_F(ToolPaneTest, InvalidatedImageDataBecomesTheNextOriginal) {
  ASSERT_NE(Open("maximum_effect"), 0);
  LUPaneDialog* pane = Active();
  LUPaneSetPreview(pane, 1);
  WA* shown = new WA(*host.image, false);
  LUPreview_InvalidateImageData(&site.site);
  LUPaneSetPreview(pane, 0);
  EXPECT_TRUE(SamePixels(host.image, shown)) << "nothing to put back";
  LUPaneSetPreview(pane, 1);
  WA* twice = test::ToolResult(shown, "maximum_effect", {3, 3, 0, 0});
  EXPECT_TRUE(SamePixels(host.image, twice));
  shown->Release();
  twice->Release();
}

}  // namespace
}  // namespace lumora
