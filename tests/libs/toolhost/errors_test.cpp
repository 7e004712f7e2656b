// The tool host's error state.
#include <gtest/gtest.h>

#include "hostapi/toolhost.h"

namespace {

TEST(ToolHostErrors, RecordsCodeUnitAndLineAndResets) {
  LUResetError();
  EXPECT_EQ(LUErrorCode(nullptr, 16, "Fillwa", 57, 0), 16);
  LUErrorState s = LUGetErrorState();
  EXPECT_EQ(s.code, 16);
  EXPECT_EQ(s.source, "Fillwa");
  EXPECT_EQ(s.line, 57);

  EXPECT_NE(LUSetErrorCode(nullptr, 0, "LayerMng", 182, 0), 0) << "the result is never 0";
  LUSetErrorStringExt(nullptr, 0, "C:\\missing.tif", 0);
  s = LUGetErrorState();
  EXPECT_EQ(s.source, "LayerMng");
  EXPECT_EQ(s.line, 182);
  EXPECT_EQ(s.text, "C:\\missing.tif");

  LUResetError();
  s = LUGetErrorState();
  EXPECT_EQ(s.code, 0);
  EXPECT_EQ(s.source, "");
  EXPECT_EQ(s.text, "");
}

TEST(ToolHostErrors, FrozenReportingRecordsNothingAndNests) {
  LUResetError();
  LUFreezeError();
  LUFreezeError();
  EXPECT_EQ(LUSetErrorCode(nullptr, 26, "Lumo40Doc", 10, 0), 26);
  LUUnfreezeError();
  LUSetErrorCode(nullptr, 27, "Lumo40Doc", 11, 0);
  EXPECT_EQ(LUGetErrorState().code, 0);
  LUUnfreezeError();
  LUSetErrorCode(nullptr, 28, "Lumo40Doc", 12, 0);
  EXPECT_EQ(LUGetErrorState().code, 28);
  LUUnfreezeError();  // an extra unfreeze must not underflow
  LUSetErrorCode(nullptr, 29, "Lumo40Doc", 13, 0);
  EXPECT_EQ(LUGetErrorState().code, 29);
  LUResetError();
}

}  // namespace
