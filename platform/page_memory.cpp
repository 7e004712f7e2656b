// Large zero-filled blocks with POSIX calls: fresh anonymous mappings,
// aligned to the large page and advised to use it (the Windows build has
// its own in win/).
#ifndef _WIN32
#include "platform/page_memory.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

namespace lumora {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t PageRounded(std::size_t bytes) {
  static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

}  // namespace

std::uint8_t* AllocateZeroedBlock(std::size_t bytes) noexcept {
  if (bytes < kPageBlockThreshold) return static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  const std::size_t size = PageRounded(bytes);
  if (size > SIZE_MAX - kLargePage) return nullptr;
  // A large page's worth more, trimmed so that the block starts on a large
  // page: every whole large page of the block can then be one.
  const std::size_t span = size + kLargePage;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto base = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t start = (base + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
  if (start > base) munmap(mapped, start - base);
  const std::uintptr_t end = start + size;
  if (base + span > end) munmap(reinterpret_cast<void*>(end), base + span - end);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(start), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<std::uint8_t*>(start);
}

void FreeZeroedBlock(std::uint8_t* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kPageBlockThreshold) {
    std::free(block);
  } else {
    munmap(block, PageRounded(bytes));
  }
}

bool LargePagesRequested() noexcept {
#ifdef MADV_HUGEPAGE
  return true;
#else
  return false;
#endif
}

std::uint64_t ThreadMinorFaults() noexcept {
#ifdef RUSAGE_THREAD
  rusage usage{};
  if (getrusage(RUSAGE_THREAD, &usage) == 0) return static_cast<std::uint64_t>(usage.ru_minflt);
#endif
  return 0;
}

}  // namespace lumora
#endif
