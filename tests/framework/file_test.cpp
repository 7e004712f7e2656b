// Disk files with open modes, seeking and status; memory files whose memory
// a derived class supplies; readable messages for file faults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/File.h"

namespace {

namespace fs = std::filesystem;

class DiskFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() /
             ("lumora_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                .string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }

  std::string ReadAll() {
    fw::File file(path_, fw::File::modeRead);
    std::string text(static_cast<std::size_t>(file.GetLength()), '\0');
    EXPECT_EQ(file.Read(text.data(), static_cast<std::uint32_t>(text.size())), text.size());
    return text;
  }

  std::string path_;
};

TEST_F(DiskFiles, OpenModesCreateKeepOrEmptyTheFile) {
  {
    fw::File file(path_, fw::File::modeCreate | fw::File::modeWrite);
    file.Write("hello world", 11);
    file.Close();
  }
  EXPECT_EQ(ReadAll(), "hello world");
  {
    fw::File file(path_, fw::File::modeReadWrite);  // kept as it is
    EXPECT_EQ(file.Seek(6, fw::File::begin), 6u);
    file.Write("there", 5);
    char first[5];
    EXPECT_EQ(file.Seek(0, fw::File::begin), 0u);
    EXPECT_EQ(file.Read(first, 5), 5u);  // a read right after a write
    EXPECT_EQ(std::string(first, 5), "hello");
    file.Write("!", 1);                  // and a write right after a read
  }
  EXPECT_EQ(ReadAll(), "hello!there");
  {
    fw::File file(path_, fw::File::modeCreate | fw::File::modeNoTruncate | fw::File::modeReadWrite);
    EXPECT_EQ(file.GetLength(), 11u);
    EXPECT_EQ(file.Seek(-5, fw::File::end), 6u);
    EXPECT_EQ(file.Seek(2, fw::File::current), 8u);
    EXPECT_THROW(file.Seek(-9, fw::File::current), fw::FileException);
    file.Flush();
  }
  {
    fw::File file(path_, fw::File::modeCreate | fw::File::modeReadWrite);  // emptied
    EXPECT_EQ(file.GetLength(), 0u);
  }
}

TEST_F(DiskFiles, FailuresGiveTheCauseAndAReadableMessage) {
  fw::File file;
  fw::FileException error(fw::FileException::none);
  EXPECT_FALSE(file.Open(path_, fw::File::modeRead, &error));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(error.cause(), fw::FileException::fileNotFound);
  EXPECT_EQ(fw::FileErrorMessage(error), "The file was not found.\n" + path_);
  EXPECT_THROW(file.Open(path_, fw::File::modeRead), fw::FileException);
  EXPECT_THROW(file.GetLength(), fw::FileException);  // not open
  try {
    fw::File::Remove(path_);
    ADD_FAILURE() << "removed a missing file";
  } catch (const fw::FileException& e) {
    EXPECT_EQ(e.cause(), fw::FileException::fileNotFound);
  }
  EXPECT_EQ(fw::FileErrorMessage(fw::FileException(fw::FileException::diskFull)),
            "The disk is full: the file could not be written.");
  EXPECT_EQ(fw::FileErrorMessage(fw::FileException(fw::FileException::sharingViolation)),
            "The file is in use by another program.");
}

TEST_F(DiskFiles, StatusAndRemove) {
  fw::File::Status status;
  EXPECT_FALSE(fw::File::GetStatus(path_, status));
  fw::File(path_, fw::File::modeCreate | fw::File::modeWrite).Write("12345", 5);
  ASSERT_TRUE(fw::File::GetStatus(path_, status));
  EXPECT_EQ(status.size, 5u);
  EXPECT_LE(std::abs(static_cast<long long>(status.modified - std::time(nullptr))), 120);
  EXPECT_FALSE(status.readOnly);
  fw::File::Remove(path_);
  EXPECT_FALSE(fs::exists(path_));
}

// Memory from a pool of its own, as a file on a movable global block does it.
class CountingMemFile : public fw::MemFile {
 public:
  explicit CountingMemFile(std::uint32_t grow) : fw::MemFile(grow) {}
  ~CountingMemFile() override {
    if (HasBuffer()) Close();
  }
  std::vector<std::size_t> sizes;
  int frees = 0;

 protected:
  std::uint8_t* Alloc(std::size_t bytes) override {
    sizes.push_back(bytes);
    return static_cast<std::uint8_t*>(std::malloc(bytes));
  }
  std::uint8_t* Realloc(std::uint8_t* block, std::size_t bytes) override {
    sizes.push_back(bytes);
    return static_cast<std::uint8_t*>(std::realloc(block, bytes));
  }
  void Free(std::uint8_t* block) override {
    ++frees;
    std::free(block);
  }
};

TEST(MemFiles, GrowInStepsThroughTheirOwnAllocation) {
  CountingMemFile file(100);
  file.Write("a", 1);
  std::vector<std::uint8_t> block(150, 7);
  file.Write(block.data(), 150);
  EXPECT_EQ(file.sizes, (std::vector<std::size_t>{100, 200}));
  EXPECT_EQ(file.GetLength(), 151u);
  file.SeekFromCurrent(10);  // past the end: the gap reads as zeros
  file.Write("z", 1);
  EXPECT_EQ(file.Data()[155], 0);
  EXPECT_EQ(file.Data()[161], 'z');
  std::uint8_t* taken = file.Detach();
  EXPECT_EQ(file.GetLength(), 0u);
  EXPECT_EQ(file.frees, 0);
  std::free(taken);

  std::uint8_t fixed[4] = {1, 2, 3, 4};
  file.Attach(fixed, 4);  // a fixed block: readable, never grown or freed
  std::uint8_t got[8];
  EXPECT_EQ(file.Read(got, 8), 4u);
  EXPECT_THROW(file.Write("x", 1), fw::FileException);
  file.Close();
  EXPECT_EQ(file.frees, 0);
}

}  // namespace
