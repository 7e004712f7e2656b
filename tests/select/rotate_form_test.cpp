// The Rotate dialog's model: typed angles, the dial, the direction and the
// angle OK gives.
#include <gtest/gtest.h>

#include "select/RotateForm.h"

namespace lumora {
namespace {

TEST(RotateForm, TypedTextsAndTheirDialPositions) {
  struct Case {
    const char* typed;
    double angle;
    int dial;
  };
  const Case cases[] = {{"12.3", 12.3, 123}, {"12.34", 12.34, 123}, {"12.345", 12.34, 123}, {"1.5", 1.5, 15},
                        {"-30", 0.0, 0},     {"abc", 0.0, 0},       {"", 0.0, 0},           {"400", 400.0, 400},
                        {".5", 0.5, 5},      {"7.", 7.0, 70}};
  for (const Case& c : cases) {
    EXPECT_NEAR(RotateForm::Parse(c.typed), c.angle, 1e-9) << c.typed;
    EXPECT_EQ(RotateForm::DialTenths(RotateForm::Parse(c.typed), RotateForm::kClockwise), c.dial) << c.typed;
  }
  EXPECT_EQ(RotateForm::DialTenths(30.0, RotateForm::kCounterclockwise), -300);
}

TEST(RotateForm, FormattingDialAndResult) {
  EXPECT_EQ(RotateForm::Format(12.0), "12");
  EXPECT_EQ(RotateForm::Format(12.3), "12.3");
  EXPECT_EQ(RotateForm::Format(1.05), "1.05");
  EXPECT_EQ(RotateForm::Format(1.999), "2");
  EXPECT_DOUBLE_EQ(RotateForm::FromDial(900, RotateForm::kClockwise), 90.0);
  EXPECT_DOUBLE_EQ(RotateForm::FromDial(900, RotateForm::kCounterclockwise), 270.0);
  EXPECT_NEAR(RotateForm::Result(90.0, RotateForm::kClockwise), 90.0, 1e-9);
  EXPECT_NEAR(RotateForm::Result(270.0, RotateForm::kCounterclockwise), -270.0, 1e-9);
  EXPECT_NEAR(RotateForm::Result(30.0, RotateForm::kCounterclockwise), -30.0, 1e-9);
  EXPECT_NEAR(RotateForm::Result(400.0, RotateForm::kClockwise), 40.0, 1e-9);
  EXPECT_NEAR(RotateForm::Result(12.344, RotateForm::kClockwise), 12.34, 1e-9);
}

}  // namespace
}  // namespace lumora
