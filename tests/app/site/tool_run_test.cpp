// Tool runs through the site: the undo step and the notice of a run with
// backup, the progress with its cancel, the window's image and origin, and
// image copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "app/Site.h"
#include "tests/app/site/fake_site_host.h"
#include "tests/app/site/site_images.h"

namespace lumora {
namespace {

using VrWA2000::WA;
using test::RandomImage;
using test::SamePixels;

class ToolRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitHostSite(site, host));
    image = RandomImage(17, 11, 7);
    original = new WA(*image, false);
    host.docImages[0] = image;  // the active window shows it
    tool = LUCreateTool(&site.site, "vr_rsmooth");
    ASSERT_NE(tool, nullptr);
    ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, image), 0);
  }
  void TearDown() override {
    LUDeleteTool(tool);
    image->Release();
    original->Release();
    FreeHostSite(site);
    LUResetError();
  }
  test::FakeSiteHost host;
  HostSite site;
  WA* image = nullptr;
  WA* original = nullptr;
  LUTool* tool = nullptr;
};

TEST_F(ToolRunTest, BackupOpensNamedUndoStepBeforeChangeThenNotifiesMainWindow) {
  ASSERT_EQ(LUToolExecute(tool, 1, 0, 0, 0), 0);
  EXPECT_FALSE(SamePixels(image, original));
  const std::vector<std::string> expected{"progress Smooth", "backup Smooth", "send 1256"};
  EXPECT_EQ(host.log, expected);
  ASSERT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(host.sent[0].window, host.MainWnd());
  EXPECT_EQ(host.sent[0].message, kLUMsgToolExecuted);
  EXPECT_EQ(host.sent[0].wParam, reinterpret_cast<std::uintptr_t>(tool));
  EXPECT_EQ(host.progressBegins, 1);
  EXPECT_EQ(host.progressEnds, 1);
  ASSERT_FALSE(host.progressSteps.empty());
  EXPECT_EQ(host.progressSteps.back().first, host.progressSteps.back().second) << "ends at the total";
}

// A run on a buffer the active window does not show (a preview, a copy)
// has nothing there to undo.
TEST_F(ToolRunTest, RunOnACopyOpensNoUndoStep) {
  WA* copy = new WA(*image, false);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, copy), 0);
  ASSERT_EQ(LUToolExecute(tool, 1, 0, 0, 0), 0);
  EXPECT_FALSE(SamePixels(copy, original));
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "backup Smooth"), 0);
  LUSetParameter(tool, kLUSlotSource, 0, image);
  copy->Release();
}

TEST_F(ToolRunTest, WithoutBackupNoUndoStepNorNotice) {
  ASSERT_EQ(LUToolExecute(tool, 0, 0, 0, 0), 0);
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "backup Smooth"), 0);
  EXPECT_TRUE(host.sent.empty());
  EXPECT_EQ(host.progressEnds, 1);
}

TEST_F(ToolRunTest, CancelLeavesImageUnchangedAndAnswersCancel) {
  host.cancelProgress = true;
  for (int backup : {0, 1}) {
    EXPECT_EQ(LUToolExecute(tool, backup, 0, 0, 0), kLUErrCancelled);
    EXPECT_TRUE(SamePixels(image, original));
    RECT r;
    EXPECT_EQ(LUGetOutRectE(tool, &r), 0) << "a cancelled run changed nothing";
  }
  EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(), [](const std::string& s) { return s.rfind("backup", 0) == 0; }), 0);
  EXPECT_TRUE(host.sent.empty());
  EXPECT_EQ(host.progressEnds, host.progressBegins) << "the indicator closes on a cancel too";
}

TEST_F(ToolRunTest, CancelAfterComputingStillWritesNothing) {
  // Cancelled only at the second step: the result exists but is dropped.
  struct LateCancel : test::FakeSiteHost {
    bool ProgressCancelled(int position, int total) override {
      progressSteps.emplace_back(position, total);
      return position > 0;
    }
  } late;
  FreeHostSite(site);
  ASSERT_TRUE(InitHostSite(site, late));
  EXPECT_EQ(LUToolExecute(tool, 1, 0, 0, 0), kLUErrCancelled);
  EXPECT_TRUE(SamePixels(image, original));
  EXPECT_GE(late.progressSteps.size(), 2u);
  EXPECT_TRUE(late.sent.empty());
}

TEST_F(ToolRunTest, CancelInsideTheFilterWritesNothingAndAnswersOne) {
  // Cancelled at the filter's first band of rows, before it finished.
  struct MidCancel : test::FakeSiteHost {
    bool ProgressCancelled(int position, int total) override {
      progressSteps.emplace_back(position, total);
      return position > 0 && position < total * 9 / 10;
    }
  } mid;
  FreeHostSite(site);
  ASSERT_TRUE(InitHostSite(site, mid));
  WA* big = RandomImage(40, 300, 9);
  WA* before = new WA(*big, false);
  ASSERT_EQ(LUSetParameter(tool, kLUSlotSource, 0, big), 0);
  EXPECT_EQ(LUToolExecute(tool, 1, 0, 0, 0), kLUErrCancelled);
  EXPECT_TRUE(SamePixels(big, before));
  ASSERT_GE(mid.progressSteps.size(), 2u);
  EXPECT_GT(mid.progressSteps.back().first, 0) << "asked from inside the filter";
  EXPECT_LT(mid.progressSteps.back().first, mid.progressSteps.back().second * 9 / 10);
  EXPECT_TRUE(mid.sent.empty());
  EXPECT_EQ(std::count_if(mid.log.begin(), mid.log.end(), [](const std::string& s) { return s.rfind("backup", 0) == 0; }), 0);
  big->Release();
  before->Release();
}

TEST_F(ToolRunTest, ImageCopyIsIndependent) {
  void* made = nullptr;
  ASSERT_EQ(LUCopyParameter(&site.site, kLUParamImage, image, &made), 0);
  WA* copy = static_cast<WA*>(made);
  ASSERT_NE(copy, image);
  EXPECT_EQ(copy->GetRefCount(), 1);
  EXPECT_TRUE(SamePixels(copy, image));
  ASSERT_EQ(LUToolExecute(tool, 0, 0, 0, 0), 0);
  EXPECT_TRUE(SamePixels(copy, original)) << "a run on the source left the copy alone";
  WA* ran = new WA(*image, false);
  copy->Row(0)[0] = static_cast<std::uint8_t>(copy->Row(0)[0] + 1);
  EXPECT_TRUE(SamePixels(image, ran)) << "writing the copy left the source alone";
  ran->Release();
  copy->Release();
}

TEST_F(ToolRunTest, CopyRefusesUnknownTypeAndNullSource) {
  void* made = reinterpret_cast<void*>(1);
  EXPECT_EQ(LUCopyParameter(&site.site, 3, image, &made), kLUErrBadValue);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(LUCopyParameter(&site.site, kLUParamImage, nullptr, &made), kLUErrBadValue);
  EXPECT_EQ(LUCopyParameter(&site.site, kLUParamImage, image, nullptr), kLUErrBadValue);
}

TEST_F(ToolRunTest, WindowImageByKindWithReferenceForCaller) {
  host.docImages[0] = image;
  const int before = image->GetRefCount();
  WA* got = LUGetImageWA(&site.site, host.view, 0);
  EXPECT_EQ(got, image);
  EXPECT_EQ(image->GetRefCount(), before + 1);
  got->Release();
  EXPECT_EQ(LUGetImageWA(&site.site, host.view, 3), nullptr) << "the document has no such image";
  EXPECT_EQ(LUGetImageWA(&site.site, host.view, 9), nullptr) << "kinds beyond the entry's";
  EXPECT_EQ(LUGetImageWA(&site.site, reinterpret_cast<void*>(0x999), 0), nullptr) << "not an image window";
}

TEST_F(ToolRunTest, ImageOriginIsActiveLayerOriginNegated) {
  POINT origin{1, 1};
  ASSERT_EQ(LUGetImageOrg(&site.site, host.view, &origin), 1);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, -7);
  host.layers = 0;  // no active layer
  EXPECT_EQ(LUGetImageOrg(&site.site, host.view, &origin), 0);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(LUGetImageOrg(&site.site, reinterpret_cast<void*>(0x999), &origin), 0);
}

}  // namespace
}  // namespace lumora
