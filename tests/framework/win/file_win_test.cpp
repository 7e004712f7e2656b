// Sharing modes: a file held exclusively or against writing refuses other
// openers with a sharing violation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/File.h"

namespace {

TEST(FileSharing, DeniedOpenersGetASharingViolation) {
  const std::string path = (std::filesystem::temp_directory_path() / "lumora_file_sharing.bin").string();
  {
    fw::File writer(path, fw::File::modeCreate | fw::File::modeWrite | fw::File::shareDenyWrite);
    writer.Write("data", 4);
    writer.Flush();
    fw::File reader;
    fw::FileException error(fw::FileException::none);
    EXPECT_TRUE(reader.Open(path, fw::File::modeRead, &error));
    reader.Close();
    fw::File second;
    EXPECT_FALSE(second.Open(path, fw::File::modeReadWrite, &error));
    EXPECT_EQ(error.cause(), fw::FileException::sharingViolation);
    EXPECT_EQ(fw::FileErrorMessage(error), "The file is in use by another program.\n" + path);
  }
  {
    fw::File exclusive(path, fw::File::modeRead | fw::File::shareExclusive);
    fw::File other;
    fw::FileException error(fw::FileException::none);
    EXPECT_FALSE(other.Open(path, fw::File::modeRead, &error));
    EXPECT_EQ(error.cause(), fw::FileException::sharingViolation);
  }
  fw::File::Remove(path);
}

}  // namespace
