// Sharing modes: a file held exclusively or against writing refuses other
// openers with a sharing violation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/File.h"
#include "framework/win/FileWin32.h"

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

namespace {

TEST(GlobalMemFile, GrowsOnAMovableBlockAndHandsItOver) {
  fw::GlobalMemFile file(16);
  for (int i = 0; i < 100; ++i) file.Write(&i, sizeof(i));
  EXPECT_EQ(file.GetLength(), 400u);
  HGLOBAL block = file.DetachGlobal();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(file.GetLength(), 0u);
  EXPECT_GE(GlobalSize(block), 400u);
  const auto* values = static_cast<const int*>(GlobalLock(block));
  EXPECT_EQ(values[0], 0);
  EXPECT_EQ(values[99], 99);
  GlobalUnlock(block);

  fw::GlobalMemFile reader;
  reader.AttachGlobal(block);
  int value = -1;
  reader.SeekFromCurrent(40);
  EXPECT_EQ(reader.Read(&value, sizeof(value)), sizeof(value));
  EXPECT_EQ(value, 10);
  EXPECT_EQ(reader.DetachGlobal(), block);  // still the caller's
  EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
