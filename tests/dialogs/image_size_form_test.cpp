// The image-size dialog's fields without a window: the texts each unit
// shows, what typing changes, the corrections made when a field is left,
// and the memory text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "dialogs/ImageSizeForm.h"
#include "res/resource.h"

namespace lumora {
namespace {

TEST(ImageSizeArithmetic, FieldTextsInEachUnit) {
  struct Case {
    std::string shown, expected;
  } cases[] = {
      {FormatPixelField(1000, 1000, kSizeInPixels), "1000"},
      {FormatPixelField(1000, 1000, kSizeInPercent), "100.00"},
      {FormatPixelField(1, 3, kSizeInPercent), "33.33"},
      {FormatPixelField(2, 3, kSizeInPercent), "66.67"},  // rounded, not truncated
      {FormatPrintField(1000, 1000, 72, kPrintInCm), "35.27"},
      {FormatPrintField(500, 1000, 72, kPrintInInches), "6.94"},
      {FormatPrintField(100, 100, 96, kPrintInInches), "1.04"},
      {FormatPrintField(100, 100, 96, kPrintInCm), "2.64"},
      {FormatPrintField(600, 600, 300, kPrintInInches), "2.00"},
      {FormatPrintField(750, 1000, 72, kPrintInPercent), "75.00"},
      {FormatHundredths(7205), "72.05"},
      {FormatHundredths(5), "0.05"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.shown, c.expected);
}

TEST(ImageSizeArithmetic, ReadingFieldsBackIntoPixels) {
  EXPECT_EQ(ReadPixelField("500", 1000, kSizeInPixels), 500);
  EXPECT_EQ(ReadPixelField("50", 1000, kSizeInPercent), 500);
  EXPECT_EQ(ReadPixelField("33.35", 3, kSizeInPercent), 1);
  EXPECT_EQ(ReadPixelField("wide", 1000, kSizeInPixels), 0);  // no number reads as 0
  EXPECT_EQ(ReadPrintField("10", 1000, 72, kPrintInCm), 283);
  EXPECT_EQ(ReadPrintField("6.94", 1000, 72, kPrintInInches), 499);  // + 0.05, not + 0.5
  EXPECT_EQ(ReadPrintField("1e300", 1000, 72, kPrintInInches), 2000000000);  // far stays far
  EXPECT_EQ(ProportionalSide(500, 1000, 500), 250);
  EXPECT_EQ(ProportionalSide(1, 1000, 3), 1);  // never below one pixel
  EXPECT_EQ(ProportionalSide(30000, 1, 2), 30000);
  EXPECT_EQ(ResolutionLimit(true, 10), 30000);
  EXPECT_EQ(ResolutionLimit(false, 10), 1000);
  EXPECT_EQ(ClampResolution(0, true, 10), 1);
}

TEST(ImageSizeArithmetic, MemoryFiguresAndTheirText) {
  EXPECT_EQ(FormatMemorySize(1000), "1000");
  EXPECT_EQ(FormatMemorySize(1500000), "1464.8K");
  EXPECT_EQ(FormatMemorySize(2097152), "2M");
  EXPECT_EQ(FormatMemorySize(1048575), "1024K");
  // Four masked 30000 x 30000 layers: 7.2e9, past 32 bits.
  const std::uint64_t big = 4ull * 2 * 30000 * 30000;
  EXPECT_EQ(FormatMemorySize(big), "6866.5M");
  EXPECT_EQ(MemoryText(1000, 500, 1000, 500, 1500000), "File Size: 1464.8K(1464.8K)");
  EXPECT_EQ(MemoryText(15000, 15000, 30000, 30000, big), "File Size: 1716.6M(6866.5M)");
}

ImageSizeForm OpenForm(int width, int height, int xres, int yres, std::uint64_t memory = 1000000) {
  ImageSizeForm form;
  form.Open(width, height, xres, yres, memory);
  form.TakeChanged();
  return form;
}

TEST(ImageSizeForm, OpensWithEveryFieldFormed) {
  ImageSizeForm form;
  form.Open(1000, 500, 72, 72, 1500000);
  EXPECT_EQ(form.Text(IDC_ISZ_WIDTH), "1000");
  EXPECT_EQ(form.Text(IDC_ISZ_HEIGHT), "500");
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_WIDTH), "13.88");
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_HEIGHT), "6.94");
  EXPECT_EQ(form.Text(IDC_ISZ_XRES), "72");
  EXPECT_EQ(form.Text(IDC_ISZ_OLD_WIDTH), "1000");
  EXPECT_EQ(form.Text(IDC_ISZ_MEMORY), "File Size: 1464.8K(1464.8K)");
  EXPECT_TRUE(form.IsShown(IDC_ISZ_WIDTH));
  EXPECT_FALSE(form.IsShown(IDC_ISZ_OLD_WIDTH));
  EXPECT_EQ(form.TakeChanged().size(), 9u);
}

TEST(ImageSizeForm, OpeningResolutionsAreClamped) {
  ImageSizeForm low = OpenForm(100, 36, 0, 5000);
  EXPECT_EQ(low.NewXResolution(), 1);
  EXPECT_EQ(low.NewYResolution(), 3599);
  // Below 36 pixels the hundred dots per pixel bound the resolution.
  ImageSizeForm small = OpenForm(20, 30, 5000, 96);
  EXPECT_EQ(small.NewXResolution(), 2000);
}

TEST(ImageSizeForm, TypingWidthKeepsProportions) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72, 1500000);
  form.TextChanged(IDC_ISZ_WIDTH, "500");
  EXPECT_EQ(form.NewWidth(), 500);
  EXPECT_EQ(form.NewHeight(), 250);
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_WIDTH), "6.94");
  EXPECT_EQ(form.Text(IDC_ISZ_HEIGHT), "250");
  EXPECT_EQ(form.Text(IDC_ISZ_MEMORY), "File Size: 366.2K(1464.8K)");
  const std::vector<int> changed = form.TakeChanged();
  EXPECT_EQ(std::count(changed.begin(), changed.end(), IDC_ISZ_WIDTH), 0);  // the typed field stays
}

TEST(ImageSizeForm, PrintSizeInCentimetres) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.PrintUnitChosen(kPrintInCm);
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_WIDTH), "35.27");
  form.TextChanged(IDC_ISZ_PRINT_WIDTH, "10");
  EXPECT_EQ(form.NewWidth(), 283);
  EXPECT_EQ(form.Text(IDC_ISZ_WIDTH), "283");
  EXPECT_EQ(form.NewHeight(), 142);
}

TEST(ImageSizeForm, PercentPixelUnit) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.PixelUnitChosen(kSizeInPercent);
  EXPECT_EQ(form.Text(IDC_ISZ_WIDTH), "100.00");
  form.TextChanged(IDC_ISZ_WIDTH, "50");
  EXPECT_EQ(form.NewWidth(), 500);
  EXPECT_EQ(form.Text(IDC_ISZ_HEIGHT), "50.00");
}

TEST(ImageSizeForm, OutOfRangePixelsWaitForTheFieldToBeLeft) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.TextChanged(IDC_ISZ_WIDTH, "40000");
  EXPECT_EQ(form.NewWidth(), 1000);
  EXPECT_EQ(form.NewHeight(), 500);
  const std::optional<SizeWarning> warning = form.FocusLost(IDC_ISZ_WIDTH);
  ASSERT_TRUE(warning);
  EXPECT_EQ(warning->text, "Please enter an integer between 1 and 30000.");
  EXPECT_EQ(warning->focus, IDC_ISZ_WIDTH);
  EXPECT_EQ(form.NewWidth(), 30000);
  EXPECT_EQ(form.Text(IDC_ISZ_WIDTH), "30000");
  EXPECT_EQ(form.NewHeight(), 15000);
  EXPECT_FALSE(form.FocusLost(IDC_ISZ_WIDTH));  // now in range
  // Text that is no number is corrected to the lower bound.
  form.TextChanged(IDC_ISZ_HEIGHT, "tall");
  ASSERT_TRUE(form.FocusLost(IDC_ISZ_HEIGHT));
  EXPECT_EQ(form.NewHeight(), 1);
}

TEST(ImageSizeForm, LeavingPrintFieldsWarnsWithTheirRange) {
  struct Case {
    int unit;
    const char* typed;
    const char* warning;
  } cases[] = {
      {kPrintInInches, "500", "Please enter a number between 0.01 and 416.66."},
      {kPrintInCm, "0", "Please enter a number between 0.01 and 1058.33."},
      {kPrintInPercent, "5000", "Please enter a number between 0.10 and 3000.00."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ImageSizeForm form = OpenForm(1000, 500, 72, 72);
    form.PrintUnitChosen(c.unit);
    form.TextChanged(IDC_ISZ_PRINT_WIDTH, c.typed);
    const std::optional<SizeWarning> warning = form.FocusLost(IDC_ISZ_PRINT_WIDTH);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->text, c.warning);
    EXPECT_GE(form.NewWidth(), 1);
    EXPECT_LE(form.NewWidth(), 30000);
  }
}

TEST(ImageSizeForm, ResolutionWithResampleChangesThePixels) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.TextChanged(IDC_ISZ_XRES, "144");
  EXPECT_EQ(form.NewXResolution(), 144);
  EXPECT_EQ(form.NewYResolution(), 144);
  EXPECT_EQ(form.Text(IDC_ISZ_YRES), "144");
  EXPECT_EQ(form.NewWidth(), 1999);  // 13.88 inches x 144
  EXPECT_EQ(form.NewHeight(), 1000);
  form.TextChanged(IDC_ISZ_XRES, "40000");  // ignored while typing
  EXPECT_EQ(form.NewXResolution(), 144);
  const std::optional<SizeWarning> warning = form.FocusLost(IDC_ISZ_XRES);
  ASSERT_TRUE(warning);
  EXPECT_EQ(warning->text, "Please enter an integer between 1 and 30000.");
  EXPECT_EQ(form.NewXResolution(), 30000);
  EXPECT_EQ(form.NewWidth(), 30000);
}

TEST(ImageSizeForm, WithoutResampleThePrintSizeSetsTheResolution) {
  ImageSizeForm form = OpenForm(600, 400, 72, 72);
  form.ResampleSwitched(false);
  EXPECT_FALSE(form.IsShown(IDC_ISZ_WIDTH));
  EXPECT_TRUE(form.IsShown(IDC_ISZ_OLD_WIDTH));
  form.TextChanged(IDC_ISZ_PRINT_WIDTH, "2");
  EXPECT_EQ(form.NewXResolution(), 300);
  EXPECT_EQ(form.NewYResolution(), 300);
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_HEIGHT), "1.33");
  EXPECT_EQ(form.NewWidth(), 600);
  // A resolution above 100 dots per pixel is corrected with its range.
  form.TextChanged(IDC_ISZ_YRES, "50000");
  const std::optional<SizeWarning> warning = form.FocusLost(IDC_ISZ_YRES);
  ASSERT_TRUE(warning);
  EXPECT_EQ(warning->text, "Please enter an integer between 1 and 30000.");
  // Printed larger than the pixels allow: the nearer bound, 400 inches.
  form.TextChanged(IDC_ISZ_PRINT_WIDTH, "900");
  const std::optional<SizeWarning> print = form.FocusLost(IDC_ISZ_PRINT_WIDTH);
  ASSERT_TRUE(print);
  EXPECT_EQ(print->text, "Please enter a number between 0.01 and 400.00.");
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_WIDTH), "400.00");
  EXPECT_EQ(form.NewXResolution(), 2);
}

TEST(ImageSizeForm, WithoutResampleAndPercentThePrintFieldIsTheResolutionRatio) {
  ImageSizeForm form = OpenForm(600, 400, 100, 100);
  form.ResampleSwitched(false);
  form.PrintUnitChosen(kPrintInPercent);
  form.TextChanged(IDC_ISZ_PRINT_WIDTH, "50");
  EXPECT_EQ(form.NewXResolution(), 200);
  EXPECT_EQ(form.Text(IDC_ISZ_PRINT_HEIGHT), "50.00");
}

TEST(ImageSizeForm, KeepProportionsBackOnRestoresTheOpeningState) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.KeepProportionsSwitched(false);
  form.TextChanged(IDC_ISZ_WIDTH, "300");
  EXPECT_EQ(form.NewHeight(), 500);
  form.TextChanged(IDC_ISZ_XRES, "100");
  EXPECT_EQ(form.NewYResolution(), 72);
  form.KeepProportionsSwitched(true);
  EXPECT_EQ(form.NewWidth(), 1000);
  EXPECT_EQ(form.NewXResolution(), 72);
  EXPECT_EQ(form.Text(IDC_ISZ_WIDTH), "1000");
  EXPECT_EQ(form.Text(IDC_ISZ_XRES), "72");
}

TEST(ImageSizeForm, ConfirmCorrectsWhatWasTypedLast) {
  ImageSizeForm form = OpenForm(1000, 500, 72, 72);
  form.TextChanged(IDC_ISZ_HEIGHT, "0");
  const std::optional<SizeWarning> warning = form.Confirm();
  ASSERT_TRUE(warning);
  EXPECT_EQ(warning->focus, IDC_ISZ_HEIGHT);
  EXPECT_EQ(form.NewHeight(), 1);
  EXPECT_FALSE(form.Confirm());
}

}  // namespace
}  // namespace lumora
