// Scanned and pasted images handed over as new documents.
#include <gtest/gtest.h>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/ImagePlacement.h"
#include "hostapi/toolhost.h"

namespace {

class RecordingPlacement : public lumora::ImagePlacement {
 public:
  int PlaceNewImage(VrWA2000::WA* image) override {
    placed = WAPtr::Share(image);
    return answer;
  }
  WAPtr placed;
  int answer = 1;
};

class PlaceImage : public ::testing::Test {
 protected:
  void SetUp() override {
    lumora::SetImagePlacement(&placement_);
    LUResetError();
  }
  void TearDown() override {
    lumora::SetImagePlacement(nullptr);
    lumora::SetScannerResolution(0, 0);
    lumora::SetScreenResolution(96, 96);
  }
  RecordingPlacement placement_;
};

TEST_F(PlaceImage, TakesTheScanResolutionWhenPositiveElseTheScreens) {
  lumora::SetScreenResolution(120, 130);
  lumora::SetScannerResolution(300, -1);
  EXPECT_EQ(lumora::PlaceImageAsDocument(NewWA(kWAType24, 2, 2, nullptr)), 0);
  ASSERT_TRUE(placement_.placed);
  EXPECT_EQ(placement_.placed->GetXRes(), 300);
  EXPECT_EQ(placement_.placed->GetYRes(), 130);
  EXPECT_EQ(placement_.placed->GetRefCount(), 1);  // the caller's reference was released
}

TEST_F(PlaceImage, ReportsNoImageAndAFailedPlacement) {
  EXPECT_NE(lumora::PlaceImageAsDocument(nullptr), 0);
  EXPECT_EQ(LUGetErrorState().line, 45);
  EXPECT_EQ(LUGetErrorState().source, "New");
  placement_.answer = 0;
  EXPECT_NE(lumora::PlaceImageAsDocument(NewWA(kWAType24, 2, 2, nullptr)), 0);
  EXPECT_EQ(LUGetErrorState().code, 16);
  EXPECT_EQ(LUGetErrorState().line, 60);
}

}  // namespace
