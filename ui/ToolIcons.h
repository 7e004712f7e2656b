// The pictures of registered tools on toolbar buttons: an icon file image
// (resource type "IBV": one 4-bit colour image and its 1-bit mask) read with
// every offset and size checked, laid on the button face, cropped to what
// differs from the face and centred on an image of the button's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

// Pixels 0xRRGGBB, rows top-down.
struct ToolIconPicture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The first image of an icon file image composed on `face`: the mask ANDed
// onto the face, then the colour bits ORed. Null for a type other than 1,
// no images, an image other than 4 bits per pixel, or any offset, table or
// bit block that does not lie inside `size` bytes.
std::optional<ToolIconPicture> ComposeIconOnFace(const std::uint8_t* data, std::size_t size, std::uint32_t face);

// The box of pixels that differ from `face` centred on a face-coloured
// picture of the size: x = (width - box width) / 2, likewise y; a box
// larger than the size is cut to it.
ToolIconPicture CentreOnFace(const ToolIconPicture& icon, std::uint32_t face, int width, int height);

// The list of resource libraries beside the program ("vrctl32c.ini",
// section Resources: Number, then "0" ... "N-1"): the folder of `path` (up
// to its last backslash), and each library's path taken from that folder
// when it is relative.
std::string ResourceListFile(const std::string& path);
std::string LibraryPathIn(const std::string& folder, const std::string& entry);

}  // namespace lumora
