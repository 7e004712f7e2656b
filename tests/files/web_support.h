// Shared pieces of the web export tests: test pictures, a scratch folder,
// the pixels of an image as top-down RGB, and running other programs.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/pixels/WAccess.h"

namespace lumora::testing {

namespace fs = std::filesystem;

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Scratch {
 public:
  Scratch() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("lumora-web-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
            std::to_string(reinterpret_cast<std::uintptr_t>(this) & 0xFFFFF));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~Scratch() { fs::remove_all(dir_); }
  std::string operator()(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  fs::path dir_;
};

// A smooth 24-bit picture with colour ramps, soft blobs and a few hard
// edges: what an export of a photograph looks like to a quantiser.
inline WAPtr PhotoLike(int width, int height, unsigned seed = 1) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  std::uint32_t state = seed * 2654435761u + 1;
  auto noise = [&] {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>(state >> 28) - 8;
  };
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image->Row(y);
    for (int x = 0; x < width; ++x) {
      const double u = double(x) / width, v = double(y) / height;
      double r = 200 * u + 40 * std::sin(9 * v + 3 * u);
      double g = 180 * v + 50 * std::cos(7 * u * v + 2);
      double b = 120 + 100 * std::sin(5 * (u - v));
      const double dx = u - 0.6, dy = v - 0.4;
      if (dx * dx + dy * dy < 0.04) { r = 240 - 100 * v; g = 60; b = 40 + 60 * u; }
      if (u > 0.1 && u < 0.3 && v > 0.6 && v < 0.9) { r = 20; g = 30 + 120 * u; b = 200; }
      const int n = noise();
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(int(b) + n, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(int(g) + n, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(int(r) + n, 0, 255));
    }
  }
  return image;
}

// The image's pixels as red, green, blue, top row first, through its palette.
inline std::vector<std::uint8_t> TopDownRGB(const VrWA2000::WA& image) {
  std::vector<std::uint8_t> rgb;
  const int type = image.GetType();
  for (int y = image.GetH() - 1; y >= 0; --y) {
    const std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.GetW(); ++x) {
      if (type == kWAType24) {
        rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        continue;
      }
      const int index = type == kWAType1Bit   ? (row[x >> 3] >> (7 - (x & 7))) & 1
                        : type == kWAType4Bit ? ((x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4))
                                              : row[x];
      const PALETTEENTRY& e = image.Palette()[index];
      rgb.insert(rgb.end(), {e.peRed, e.peGreen, e.peBlue});
    }
  }
  return rgb;
}

inline double PSNR(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += double(a[i] - b[i]) * (a[i] - b[i]);
  const double mse = sum / double(a.size());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

#ifndef _WIN32
// Runs a shell command and returns its standard output; a failing
// command fails the test.
inline std::string Shell(const std::string& command, bool binary = false) {
  std::string out;
  FILE* pipe = ::popen((command + (binary ? " 2>/dev/null" : " 2>&1")).c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  EXPECT_EQ(::pclose(pipe), 0) << command << "\n" << (binary ? "" : out);
  return out;
}

inline std::string Magick() { return fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert"; }
inline std::string Identify() { return fs::exists("/usr/bin/identify") ? "/usr/bin/identify" : "identify"; }

// The file's pixels as decoded by ImageMagick: RGB or RGBA bytes, top row first.
inline std::vector<std::uint8_t> DecodeWithMagick(const std::string& path, bool alpha = false) {
  const std::string out = Shell(Magick() + " '" + path + "' -depth 8 " + (alpha ? "rgba:-" : "rgb:-"), true);
  return std::vector<std::uint8_t>(out.begin(), out.end());
}
#endif

}  // namespace lumora::testing
