// Replays every committed corpus file of every fuzz target: each must run to
// completion without a crash or a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace lumora::fuzz {

namespace {

std::vector<std::pair<std::string, FuzzFunction>>& Targets() {
  static std::vector<std::pair<std::string, FuzzFunction>> targets;
  return targets;
}

}  // namespace

bool RegisterReplay(const char* name, FuzzFunction function) {
  Targets().emplace_back(name, function);
  return true;
}

namespace {

TEST(FuzzCorpusReplay, EveryTargetRunsItsWholeCorpus) {
  for (const auto& [name, function] : Targets()) {
    const std::filesystem::path dir = std::filesystem::path(LUMORA_TEST_DATA).parent_path() / "fuzz" /
                                      "corpus" / name;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << "no corpus for fuzz target " << name;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      function(bytes.data(), bytes.size());
      ++files;
    }
    EXPECT_GT(files, 0) << "empty corpus for fuzz target " << name;
  }
}

// The README's list of targets (the paragraph on scripts/fuzz) names every
// target, so a new one is never left out of it.
TEST(FuzzCorpusReplay, ReadmeListsEveryTarget) {
  const std::filesystem::path readme =
      std::filesystem::path(LUMORA_TEST_DATA).parent_path().parent_path() / "README.md";
  std::ifstream in(readme, std::ios::binary);
  ASSERT_TRUE(in) << readme;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t start = text.find("`scripts/fuzz NAME");
  ASSERT_NE(start, std::string::npos) << "the README says nothing of scripts/fuzz";
  const std::size_t end = text.find("\n- ", start);
  const std::string paragraph = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  ASSERT_FALSE(Targets().empty());
  for (const auto& target : Targets())
    EXPECT_NE(paragraph.find("`" + target.first + "`"), std::string::npos) << "README omits " << target.first;
}

}  // namespace
}  // namespace lumora::fuzz
