// Large pixel blocks: zero-filled, freed by size, and natively mapped in
// large pages where the system has them on request.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/page_memory.h"

namespace {

TEST(PageMemory, BlocksOfEverySizeComeZeroFilledAndGoBack) {
  for (const std::size_t bytes : {std::size_t{1}, std::size_t{4096}, lumora::kPageBlockThreshold - 1,
                                  lumora::kPageBlockThreshold, std::size_t{5} << 20, (std::size_t{5} << 20) + 123}) {
    std::uint8_t* block = lumora::AllocateZeroedBlock(bytes);
    ASSERT_NE(block, nullptr) << bytes;
    EXPECT_TRUE(std::all_of(block, block + bytes, [](std::uint8_t b) { return b == 0; })) << bytes;
    std::memset(block, 0xA5, bytes);
    lumora::FreeZeroedBlock(block, bytes);
  }
  lumora::FreeZeroedBlock(nullptr, 10);
}

#ifdef __linux__
// The kilobytes of large pages backing the mapping that holds `address`.
long HugeKilobytesAt(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    std::uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream head(line);
    if (head >> std::hex >> from >> dash >> to && dash == '-') {
      inside = from <= at && at < to;
      continue;
    }
    if (inside && line.rfind("AnonHugePages:", 0) == 0) return std::stol(line.substr(14));
  }
  return -1;
}

TEST(PageMemory, LargeBlocksAreMappedInLargePagesWhereTheSystemHasThem) {
  std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(setting, modes);
  if (modes.empty() || modes.find("[never]") != std::string::npos) GTEST_SKIP() << "no large pages here";
  const std::size_t bytes = std::size_t{16} << 20;
  std::uint8_t* block = lumora::AllocateZeroedBlock(bytes);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20), 0u);
  std::memset(block, 1, bytes);
  EXPECT_GT(HugeKilobytesAt(block), 0) << "the kernel mapped none of 16 MB in large pages";
  lumora::FreeZeroedBlock(block, bytes);
}
#endif

}  // namespace
