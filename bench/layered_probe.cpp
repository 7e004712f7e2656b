// A command-line probe for bench/vs-agpsd: reads a layered file READS
// times in this process (default 1), each into a fresh stack as the
// program opens it, and prints one line per read: the wall time in
// milliseconds, the minor page faults and the stages of the read. With
// HELPERS, that many helper threads make the layers' buffers ahead.
//   layered_probe FILE [READS [HELPERS]]
#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string>

#include "engine/layered/BuffersAhead.h"
#include "engine/layered/RWLayers.h"
#include "engine/layered/ReadProfile.h"
#include "platform/page_memory.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: layered_probe FILE [READS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int reads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
  lumora::SetLayeredReadHelpers(argc > 3 ? std::atoi(argv[3]) : 0);
  for (int i = 0; i < reads; ++i) {
    lumora::LayeredReadProfile profile;
    lumora::SetLayeredReadProfile(&profile);
    const std::uint64_t faults = lumora::ThreadMinorFaults();
    const auto start = std::chrono::steady_clock::now();
    int layers = 0;
    try {
      CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path));
      layers = stack->GetLayerCount();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "layered_probe: %s: %s\n", path.c_str(), e.what());
      return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    lumora::SetLayeredReadProfile(nullptr);
    std::printf("read %d ms %.1f faults %llu layers %d file %.1f unpack %.1f join %.1f fold %.1f merged %.1f wait %.1f\n",
                i + 1, ms, static_cast<unsigned long long>(lumora::ThreadMinorFaults() - faults), layers,
                1000 * profile.fileRead.seconds, 1000 * profile.unpacking.seconds, 1000 * profile.join.seconds,
                1000 * profile.maskFold.seconds, 1000 * profile.merged.seconds, 1000 * profile.waitAhead.seconds);
    std::fflush(stdout);
  }
  return 0;
}
