// A folder of its own for one test, named after the process and the test,
// removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace lumora::testing {

class Workspace {
 public:
  explicit Workspace(const std::string& prefix) {
    dir_ = std::filesystem::temp_directory_path() /
           (prefix + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~Workspace() { std::filesystem::remove_all(dir_); }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;
  std::string operator()(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

}  // namespace lumora::testing
