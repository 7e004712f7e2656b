// Declares a fuzz target once for two uses: with LUMORA_FUZZER_BUILD it is
// libFuzzer's entry point (scripts/fuzz); otherwise it registers a replay of
// every file of tests/fuzz/corpus/<name>/ that the test suite runs.
//
//   LUMORA_FUZZ_TARGET(layered_file)(const std::uint8_t* data, std::size_t size) {
//     ...; return 0;
//   }
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora::fuzz {

using FuzzFunction = int (*)(const std::uint8_t*, std::size_t);
bool RegisterReplay(const char* name, FuzzFunction function);

}  // namespace lumora::fuzz

#ifdef LUMORA_FUZZER_BUILD
#define LUMORA_FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput
#else
#define LUMORA_FUZZ_TARGET(name)                                              \
  static int FuzzOne_##name(const std::uint8_t*, std::size_t);                \
  [[maybe_unused]] static const bool kReplayRegistered_##name =               \
      ::lumora::fuzz::RegisterReplay(#name, FuzzOne_##name);                  \
  static int FuzzOne_##name
#endif
