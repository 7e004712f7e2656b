// What the X display shows of a screen rectangle, read by ImageMagick's
// `import` (run on the machine Wine runs on): the pixels a user sees, not
// what a window draws for PrintWindow.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/win/host_command.h"
#include "tests/support/win/window_pixels.h"

namespace lumora::testing {

// A binary PPM as ImageMagick writes it, as 0x00RRGGBB, top row first.
inline bool ReadPpm(const std::string& path, Capture* out) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  file >> magic >> out->width >> out->height >> maxValue;
  if (magic != "P6" || maxValue != 255 || out->width <= 0 || out->height <= 0) return false;
  file.get();
  std::vector<unsigned char> bytes(static_cast<std::size_t>(out->width) * out->height * 3);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return false;
  out->pixels.resize(static_cast<std::size_t>(out->width) * out->height);
  for (std::size_t i = 0; i < out->pixels.size(); ++i) {
    out->pixels[i] = (std::uint32_t{bytes[3 * i]} << 16) | (std::uint32_t{bytes[3 * i + 1]} << 8) | bytes[3 * i + 2];
  }
  return true;
}

// The screen rectangle as the display shows it; `folder` (a Windows path)
// takes the files on the way.
inline bool ScreenShot(const std::string& folder, const RECT& area, Capture* shot) {
  const std::string root = UnixPath(folder + "\\root.png"), part = UnixPath(folder + "\\shown.ppm");
  const std::string line = "import -window root '" + root + "' && convert '" + root + "' -crop " +
                           std::to_string(area.right - area.left) + "x" + std::to_string(area.bottom - area.top) + "+" +
                           std::to_string(area.left) + "+" + std::to_string(area.top) + " +repage ppm:'" + part + "'";
  return RunHostShell(folder, line) == 0 && ReadPpm(folder + "\\shown.ppm", shot);
}

// A window's client rectangle in screen coordinates.
inline RECT ScreenClientRect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace lumora::testing
