// The tools' last parameters in the data file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hostapi/toolhost.h"

namespace {

class ParamStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("lumora-paramstore-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    path = (folder / "LUMODB.DAT").string();
    std::memset(&site, 0, sizeof site);
    site.version = 1;
    std::strncpy(site.dataPath, path.c_str(), sizeof site.dataPath - 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  int Param(LUTool* tool, int slot) {
    int v = -1;
    LUGetParameter(tool, slot, 0, &v);
    return v;
  }

  std::filesystem::path folder;
  std::string path;
  LU_SITE site;
};

TEST_F(ParamStoreTest, LastParametersComeBackPerTool) {
  LUTool* median = LUCreateTool(nullptr, "median_filt");
  EXPECT_EQ(LURecallToolParameters(&site, median), 0) << "no file yet";
  const int seven = 7, twelve = 12;
  LUSetParameter(median, 0, 0, &seven);
  LUSetParameter(median, 2, 0, &twelve);
  ASSERT_EQ(LUStoreToolParameters(&site, median), 1);
  LUTool* noise = LUCreateTool(nullptr, "Noise");
  LUSetParameter(noise, 0, 0, &seven);
  ASSERT_EQ(LUStoreToolParameters(&site, noise), 1);
  LUSetParameter(median, 0, 0, &twelve);
  ASSERT_EQ(LUStoreToolParameters(&site, median), 1) << "replaces the tool's record";
  LUDeleteTool(median);
  LUDeleteTool(noise);

  LUTool* again = LUCreateTool(nullptr, "median_filt");
  ASSERT_EQ(LURecallToolParameters(&site, again), 1);
  EXPECT_EQ(Param(again, 0), 12);
  EXPECT_EQ(Param(again, 1), 3);
  EXPECT_EQ(Param(again, 2), 12);
  LUDeleteTool(again);
  LUTool* noiseAgain = LUCreateTool(nullptr, "Noise");
  ASSERT_EQ(LURecallToolParameters(&site, noiseAgain), 1);
  EXPECT_EQ(Param(noiseAgain, 0), 7);
  LUDeleteTool(noiseAgain);

  // The layout: magic, version 1, two records, the first one median_filt.
  std::ifstream file(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_GE(bytes.size(), 8u + 1 + 11 + 1 + 16);
  EXPECT_EQ(bytes.substr(0, 4), "LUDB");
  EXPECT_EQ(bytes[4], 1);
  EXPECT_EQ(bytes[6], 2);
  EXPECT_EQ(bytes[8], 11);
  EXPECT_EQ(bytes.substr(9, 11), "median_filt");
  EXPECT_EQ(bytes[20], 4);
  EXPECT_EQ(bytes[21], 12);
}

TEST_F(ParamStoreTest, DamagedFilesAndOutOfRangeValuesAreIgnored) {
  LUTool* tool = LUCreateTool(nullptr, "vr_rsmooth");
  {
    std::ofstream file(path, std::ios::binary);
    file << "LUDB\x01";  // cut short
  }
  EXPECT_EQ(LURecallToolParameters(&site, tool), 0);
  ASSERT_EQ(LUStoreToolParameters(&site, tool), 1) << "a damaged file is written anew";

  // A stored width of 999 is out of range: the current width stays.
  {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(8 + 1 + 10 + 1);
    const char big[4] = {static_cast<char>(0xE7), 0x03, 0, 0};
    file.write(big, 4);
  }
  LUResetError();
  ASSERT_EQ(LURecallToolParameters(&site, tool), 1);
  EXPECT_EQ(Param(tool, 0), 3);
  EXPECT_EQ(LUGetErrorState().code, 0) << "no error for the caller";
  LUDeleteTool(tool);
}

}  // namespace
