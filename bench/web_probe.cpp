// A command-line probe for bench/vs-pngquant, on one thread, reading a
// binary PPM (P6) and printing processor times in milliseconds:
//   web_probe reduce IN.ppm OUT.png DITHER  256-colour optimised reduction,
//                                           then the PNG: "reduce total"
//   web_probe png IN.ppm OUT.png            24-bit PNG writing
//   web_probe jpeg IN.ppm OUT.jpg QUALITY   JPEG writing
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "files/JpegExport.h"
#include "files/PrepGifState.h"
#include "files/WebWriters.h"

namespace {

WAPtr ReadPPM(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0 || maxValue != 255) return nullptr;
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  std::string row(static_cast<std::size_t>(width) * 3, '\0');
  for (int y = height - 1; y >= 0; --y) {
    in.read(row.data(), static_cast<std::streamsize>(row.size()));
    std::uint8_t* out = image->Row(y);
    for (int x = 0; x < width; ++x) {
      out[3 * x] = static_cast<std::uint8_t>(row[3 * x + 2]);
      out[3 * x + 1] = static_cast<std::uint8_t>(row[3 * x + 1]);
      out[3 * x + 2] = static_cast<std::uint8_t>(row[3 * x]);
    }
  }
  return in ? image : nullptr;
}

double CpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int Usage() {
  std::cerr << "usage: web_probe reduce IN.ppm OUT.png DITHER | png IN.ppm OUT.png | jpeg IN.ppm OUT.jpg QUALITY\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string mode = argv[1];
  WAPtr source = ReadPPM(argv[2]);
  if (!source) {
    std::cerr << "web_probe: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::string error;
  const double start = CpuMilliseconds();
  if (mode == "reduce" && argc == 5) {
    lumora::CPrepGIFState state;
    state.SetSource(source.get());
    state.depthBits = 8;
    state.paletteChoice = 1;
    state.dither = std::atoi(argv[4]);
    const double reduceStart = CpuMilliseconds();
    const bool reduced = state.Reduce() == lumora::CPrepGIFState::Outcome::kReduced;
    const double reducedAt = CpuMilliseconds();
    if (!reduced || !lumora::WriteWebPNG(argv[3], state.Result(), {}, &error)) {
      std::cerr << "web_probe: reduction failed " << error << "\n";
      return 1;
    }
    std::printf("%.1f %.1f\n", reducedAt - reduceStart, CpuMilliseconds() - reduceStart);
    return 0;
  }
  bool ok = false;
  if (mode == "png" && argc == 4) {
    ok = lumora::WriteWebPNG(argv[3], source.get(), {}, &error);
  } else if (mode == "jpeg" && argc == 5) {
    ok = lumora::SaveJPEG(argv[3], *source, {std::atoi(argv[4]), 0, 0}, &error);
  } else {
    return Usage();
  }
  if (!ok) {
    std::cerr << "web_probe: " << error << "\n";
    return 1;
  }
  std::printf("%.1f\n", CpuMilliseconds() - start);
  return 0;
}
