// A command-line probe for bench/vs-pngquant: reduces a binary PPM (P6)
// to 256 colours with the web export's optimised palette on one thread and
// writes the result as PPM, printing the reduction's time.
//   web_probe reduce IN.ppm OUT.ppm DITHER(0|1)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "files/PrepGifState.h"

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

bool WritePPM(const std::string& path, const VrWA2000::WA& image) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.GetW() << " " << image.GetH() << "\n255\n";
  for (int y = image.GetH() - 1; y >= 0; --y) {
    const std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x) {
      const PALETTEENTRY& e = image.Palette()[row[x]];
      const char px[3] = {static_cast<char>(e.peRed), static_cast<char>(e.peGreen), static_cast<char>(e.peBlue)};
      out.write(px, 3);
    }
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::strcmp(argv[1], "reduce") != 0) {
    std::cerr << "usage: web_probe reduce IN.ppm OUT.ppm DITHER\n";
    return 2;
  }
  WAPtr source = ReadPPM(argv[2]);
  if (!source) {
    std::cerr << "web_probe: cannot read " << argv[2] << "\n";
    return 1;
  }
  lumora::CPrepGIFState state;
  state.SetSource(source.get());
  state.depthBits = 8;
  state.paletteChoice = 1;
  state.dither = std::atoi(argv[4]);
  const auto start = std::chrono::steady_clock::now();
  const auto outcome = state.Reduce();
  const auto end = std::chrono::steady_clock::now();
  if (outcome != lumora::CPrepGIFState::Outcome::kReduced || !WritePPM(argv[3], *state.Result())) {
    std::cerr << "web_probe: reduction failed\n";
    return 1;
  }
  std::printf("%.1f\n", std::chrono::duration<double, std::milli>(end - start).count());
  return 0;
}
