// Registered tools' button pictures from icon file images, and where the
// resource libraries are listed.
#include "ui/ToolIcons.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora {
namespace {

constexpr std::uint32_t kFace = 0xC0C0C0;

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A 16 x 16 4-bit icon: colour 12 (blue) in a 4 x 2 box at (3, 5), the
// rest transparent (mask 1, colour 0).
std::vector<std::uint8_t> Icon() {
  std::vector<std::uint8_t> b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 1);
  b.insert(b.end(), {16, 16, 16, 0});
  Put16(b, 1);
  Put16(b, 4);
  Put32(b, 40 + 64 + 128 + 64);
  Put32(b, 22);
  Put32(b, 40);
  Put32(b, 16);
  Put32(b, 32);
  Put16(b, 1);
  Put16(b, 4);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int i = 0; i < 16; ++i) Put32(b, i == 12 ? 0x0000FF : 0);  // blue, green, red order: 0xFF blue
  for (int row = 15; row >= 0; --row) {
    for (int x = 0; x < 16; x += 2) {
      auto in = [&](int px) { return row >= 5 && row < 7 && px >= 3 && px < 7; };
      b.push_back(static_cast<std::uint8_t>(((in(x) ? 12 : 0) << 4) | (in(x + 1) ? 12 : 0)));
    }
  }
  for (int row = 15; row >= 0; --row) {
    std::uint32_t bits = 0;
    for (int x = 0; x < 16; ++x) {
      const bool in = row >= 5 && row < 7 && x >= 3 && x < 7;
      if (!in) bits |= 1u << (31 - x);
    }
    b.push_back(static_cast<std::uint8_t>(bits >> 24));
    b.push_back(static_cast<std::uint8_t>(bits >> 16));
    b.push_back(0);
    b.push_back(0);
  }
  return b;
}

TEST(ToolIcons, ComposedOnTheFaceCroppedAndCentred) {
  const std::vector<std::uint8_t> icon = Icon();
  const auto picture = ComposeIconOnFace(icon.data(), icon.size(), kFace);
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->width, 16);
  EXPECT_EQ(picture->At(0, 0), kFace);
  EXPECT_EQ(picture->At(3, 5), 0x0000FFu);
  EXPECT_EQ(picture->At(6, 6), 0x0000FFu);
  EXPECT_EQ(picture->At(7, 6), kFace);
  // The 4 x 2 box centred on 17 x 16 and on 24 x 24; cut on 2 x 2.
  struct Case {
    int w, h, x, y, bw, bh;
  };
  for (const Case& c : {Case{17, 16, 6, 7, 4, 2}, Case{24, 24, 10, 11, 4, 2}, Case{2, 2, 0, 0, 2, 2}}) {
    const ToolIconPicture out = CentreOnFace(*picture, kFace, c.w, c.h);
    int count = 0;
    for (int y = 0; y < c.h; ++y) {
      for (int x = 0; x < c.w; ++x) {
        const bool in = x >= c.x && x < c.x + c.bw && y >= c.y && y < c.y + c.bh;
        EXPECT_EQ(out.At(x, y), in ? 0x0000FFu : kFace) << c.w << ": " << x << "," << y;
        count += in;
      }
    }
    EXPECT_EQ(count, c.bw * c.bh);
  }
}

TEST(ToolIcons, MalformedResourcesGiveNothing) {
  const std::vector<std::uint8_t> good = Icon();
  // Every truncation.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(ComposeIconOnFace(good.data(), n, kFace).has_value()) << n;
  }
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const Case cases[] = {{"type 2", 2, 2},           {"no images", 4, 0},          {"offset past the end", 21, 0x40},
                        {"8 bits per pixel", 36, 8}, {"17 colours", 8, 17},        {"compressed", 38, 1},
                        {"small header", 22, 12}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bad = good;
    bad[c.at] = c.value;
    EXPECT_FALSE(ComposeIconOnFace(bad.data(), bad.size(), kFace).has_value()) << c.what;
  }
  EXPECT_FALSE(ComposeIconOnFace(nullptr, 100, kFace).has_value());
}

TEST(ToolIcons, ResourceLibrariesBesideTheProgram) {
  EXPECT_EQ(ResourceListFile("C:\\Program\\Lumo40.exe"), "C:\\Program\\vrctl32c.ini");
  EXPECT_EQ(ResourceListFile("Lumo40.exe"), "vrctl32c.ini");
  EXPECT_EQ(LibraryPathIn("C:\\Program\\", "icons.dll"), "C:\\Program\\icons.dll");
  EXPECT_EQ(LibraryPathIn("C:\\Program", "sub\\icons.dll"), "C:\\Program\\sub\\icons.dll");
  EXPECT_EQ(LibraryPathIn("C:\\Program\\", "D:\\lib\\icons.dll"), "D:\\lib\\icons.dll");
  EXPECT_EQ(LibraryPathIn("C:\\Program\\", "\\\\server\\icons.dll"), "\\\\server\\icons.dll");
  EXPECT_EQ(LibraryPathIn("C:\\Program\\", ""), "");
}

}  // namespace
}  // namespace lumora
