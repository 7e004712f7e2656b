// The duplicate-image dialog's proposed names and the image-information
// dialog's header texts, without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>

#include "dialogs/DuplicateImageForm.h"
#include "dialogs/ImageInfoForm.h"

namespace lumora {
namespace {

TEST(DuplicateImageForm, ProposesCopyNamesPastTheOpenTitles) {
  struct Case {
    const char* title;
    std::set<std::string> open;
    const char* proposed;
  } cases[] = {
      {"tree.jpg", {"tree.jpg"}, "tree copy"},
      {"tree.jpg", {"tree.jpg", "tree copy"}, "tree copy 1"},
      {"tree copy 3", {"tree copy 3"}, "tree copy"},
      {"tree copy 3", {"tree copy 3", "tree copy", "tree copy 1"}, "tree copy 2"},
      {"C:\\pictures\\sea.bmp", {}, "sea copy"},
      {"UNTITLED.1", {}, "UNTITLED copy"},
      {"photo 12.png", {}, "photo 12 copy"},  // digits without " copy" stay
      {"a copy12", {}, "a copy12 copy"},
      {"Tree copy", {"tree copy"}, "Tree copy"},  // titles compare case-sensitively
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(ProposeDuplicateName(c.title, [&](const std::string& t) { return c.open.count(t) != 0; }),
              c.proposed);
  }
}

// A layered header in bytes: signature, version 1, size, depth, mode, an
// empty colour section and the given resource bytes.
class HeaderBytes {
 public:
  HeaderBytes(int width, int height, std::uint16_t mode, const char* signature = "8BPS") {
    bytes_.append(signature, 4);
    U16(1);
    bytes_.append(6, '\0');
    U16(3);
    U32(static_cast<std::uint32_t>(height));
    U32(static_cast<std::uint32_t>(width));
    U16(8);
    U16(mode);
    U32(0);
  }
  void U16(std::uint32_t v) {
    bytes_ += static_cast<char>(v >> 8 & 255);
    bytes_ += static_cast<char>(v & 255);
  }
  void U32(std::uint32_t v) {
    U16(v >> 16);
    U16(v & 0xFFFF);
  }
  // A resources section of one 8-byte IPTC block and the resolution.
  std::string WithResolution(double x, std::uint16_t xUnit, double y, std::uint16_t yUnit, int lengthSlack = 0) {
    HeaderBytes r = *this;
    r.U32(static_cast<std::uint32_t>(12 + 8 + 12 + 16 + lengthSlack));
    r.bytes_ += "8BIM";
    r.U16(0x0404);
    r.U16(0);
    r.U32(7);
    r.bytes_.append(8, '\x1c');
    r.bytes_ += "8BIM";
    r.U16(0x03ED);
    r.U16(0);
    r.U32(16);
    r.U32(static_cast<std::uint32_t>(std::lround(x * 65536)));
    r.U16(xUnit);
    r.U16(xUnit);
    r.U32(static_cast<std::uint32_t>(std::lround(y * 65536)));
    r.U16(yUnit);
    r.U16(yUnit);
    return r.bytes_;
  }

 private:
  std::string bytes_;
};

std::string ResolutionOf(const std::string& bytes) {
  std::istringstream in(bytes);
  const std::optional<LayeredHeaderInfo> info = ReadLayeredHeaderInfo(in);
  return info && info->hasResolution ? DescribeResolution(*info) : "<none>";
}

TEST(ImageInfoForm, ResolutionsInTheHorizontalUnit) {
  const HeaderBytes rgb(640, 480, 3);
  EXPECT_EQ(ResolutionOf(HeaderBytes(rgb).WithResolution(72, 1, 72, 1)), "72 X 72 dot/inch");
  EXPECT_EQ(ResolutionOf(HeaderBytes(rgb).WithResolution(72.5, 1, 72.05, 1)), "72.5 X 72.05 dot/inch");
  EXPECT_EQ(ResolutionOf(HeaderBytes(rgb).WithResolution(72, 2, 72, 2)), "28.34 X 28.34 dot/cm");
  // Mixed units: each axis is converted from its stored dots per inch into
  // the horizontal unit.
  EXPECT_EQ(ResolutionOf(HeaderBytes(rgb).WithResolution(72, 1, 300, 2)), "72 X 300 dot/inch");
  EXPECT_EQ(ResolutionOf(HeaderBytes(rgb).WithResolution(72, 2, 300, 1)), "28.34 X 118.11 dot/cm");
}

TEST(ImageInfoForm, MalformedHeadersReadNothing) {
  const HeaderBytes rgb(640, 480, 3);
  std::string longer = HeaderBytes(rgb).WithResolution(72, 1, 72, 1, 100);  // section runs past the file
  std::istringstream truncated(longer.substr(0, 40));
  EXPECT_FALSE(ReadLayeredHeaderInfo(truncated));
  std::istringstream cmyk(HeaderBytes(10, 10, 4).WithResolution(72, 1, 72, 1));
  EXPECT_FALSE(ReadLayeredHeaderInfo(cmyk));
  std::istringstream png(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\0'));
  EXPECT_FALSE(ReadLayeredHeaderInfo(png));
  // A resource block longer than its section.
  std::string bad = HeaderBytes(rgb).WithResolution(72, 1, 72, 1, -20);
  std::istringstream shortSection(bad);
  EXPECT_FALSE(ReadLayeredHeaderInfo(shortSection));
}

TEST(ImageInfoForm, KindsOfTheColourModes) {
  for (const auto& [mode, kind] : {std::pair{0, 1}, std::pair{1, 8}, std::pair{2, 4}, std::pair{3, 16}}) {
    std::istringstream in(HeaderBytes(5, 6, static_cast<std::uint16_t>(mode), "LU40").WithResolution(1, 1, 1, 1));
    const std::optional<LayeredHeaderInfo> info = ReadLayeredHeaderInfo(in);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->kind, kind);
    EXPECT_EQ(info->width, 5);
  }
}

TEST(ImageInfoForm, DescribesTheFilesOnDisk) {
  const ImageInfoTexts psd = DescribeLayeredFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  EXPECT_EQ(psd.fileName, "rich.psd");
  EXPECT_EQ(psd.format, "Adobe Photoshop Image");
  EXPECT_EQ(psd.type, "RGB");
  EXPECT_EQ(psd.colors, "16,777,216");
  EXPECT_EQ(psd.dimensions, "40 X 30");
  EXPECT_EQ(psd.compression, "Uncompressed");
  EXPECT_EQ(psd.resolution, "150 X 72 dot/inch");
  const ImageInfoTexts lud = DescribeLayeredFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud");
  EXPECT_EQ(lud.format, "Lumora Image");
  EXPECT_EQ(lud.dimensions, "40 X 30");
  const ImageInfoTexts missing = DescribeLayeredFile(std::string(LUMORA_TEST_DATA) + "/layered/none.psd");
  EXPECT_EQ(missing.fileName, "none.psd");
  EXPECT_EQ(missing.format, "Adobe Photoshop Image");
  EXPECT_EQ(missing.type, "");
  EXPECT_EQ(missing.resolution, "");
}

}  // namespace
}  // namespace lumora
