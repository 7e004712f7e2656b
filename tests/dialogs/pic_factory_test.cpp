// Frame and mat pictures from a fixture program folder, the tiling, relief
// and light rules, and the edge-template multiply.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialogs/PicFactory.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}

// A 24-bit bitmap file of w x h pixels, each (b, g, r) from `fill`.
template <typename Fill>
std::vector<std::uint8_t> Bitmap(int w, int h, Fill fill) {
  const std::size_t stride = (w * 3 + 3) & ~3;
  std::vector<std::uint8_t> v(54 + stride * h, 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, static_cast<std::uint32_t>(v.size()));
  Put32(v, 10, 54);
  Put32(v, 14, 40);
  Put32(v, 18, w);
  Put32(v, 22, h);
  v[26] = 1;
  v[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &v[54 + stride * y + x * 3];
      fill(x, y, p);
    }
  return v;
}

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class PicFactoryFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("picfactory-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    auto grey = [](int, int, std::uint8_t* p) { p[0] = p[1] = p[2] = 100; };
    // "Gold" in both type folders: the earlier one ("Metal") must win.
    Write(root_ / "Frame/Frame/Metal/Gold.bmp", Bitmap(8, 12, grey));
    Write(root_ / "Frame/Frame/Wood/Gold.bmp", Bitmap(8, 12, [](int, int, std::uint8_t* p) { p[0] = 1; }));
    // Oak: column x and row y readable back from blue and green.
    Write(root_ / "Frame/Frame/Wood/Oak.bmp", Bitmap(8, 4, [](int x, int y, std::uint8_t* p) {
            p[0] = static_cast<std::uint8_t>(100 + x);
            p[1] = static_cast<std::uint8_t>(100 + y);
            p[2] = 100;
          }));
    Write(root_ / "Frame/Mat/Linen.bmp", Bitmap(2, 2, [](int x, int, std::uint8_t* p) {
            p[0] = x == 0 ? 0 : 255;  // 0 counts as 1
            p[1] = p[2] = 7;
          }));
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(PicFactoryFolder, ListsTypesStylesAndMatsAndTakesTheEarlierFolder) {
  CPicFactory f(root_.string());
  EXPECT_EQ(f.Types(), (std::vector<std::string>{"none", "Metal", "Wood"}));
  EXPECT_TRUE(f.Styles(0).empty());
  EXPECT_EQ(f.Styles(2), (std::vector<std::string>{"Gold", "Oak"}));
  EXPECT_EQ(f.Mats(), (std::vector<std::string>{"Linen"}));
  EXPECT_EQ(fs::path(f.FindStyle("Gold")), root_ / "Frame/Frame/Metal/Gold.bmp");
  EXPECT_EQ(f.FindStyle("Pine"), "");
  // A missing program folder: only "none".
  CPicFactory empty((root_ / "nowhere").string());
  EXPECT_EQ(empty.Types(), (std::vector<std::string>{"none"}));
  EXPECT_TRUE(empty.Mats().empty());
}

TEST(PicFactory, TilesTheInnerSideAndNeverDividesByAZeroBorder) {
  struct Case {
    int side, border, count, length, last;
  } cases[] = {
      {70, 20, 1, 30, 30},    // one tile grown to the whole 30
      {125, 10, 10, 10, 15},  // remainder 5 < 10 tiles: they stay 10, the last takes 15
      {100, 10, 8, 10, 10},   // exact
      {130, 12, 8, 13, 15},   // remainder 10 >= 8: grows by 1, last takes the rest
      {45, 20, 1, 5, 5},      // inner 5 shorter than a tile
      {100, 0, 0, 0, 0},      // no frame, no tiles
      {30, 20, 0, 0, 0},      // borders overlap: no inner side
  };
  for (const Case& c : cases) {
    const FrameTiling t = TileSide(c.side, c.border);
    EXPECT_EQ(t.count, c.count) << c.side << "/" << c.border;
    EXPECT_EQ(t.length, c.length) << c.side << "/" << c.border;
    EXPECT_EQ(t.lastLength, c.last) << c.side << "/" << c.border;
  }
}

TEST(PicFactory, FrameAndMatWidthsFollowTheLongerSide) {
  EXPECT_EQ(FrameBorderForClass(0, 640, 480) + MatBorderForClass(1, 640, 480), 40);
  EXPECT_EQ(FrameBorderForClass(1, 600, 400), 37);
  EXPECT_EQ(MatBorderForClass(3, 600, 400), 75);
  EXPECT_EQ(MatBorderForClass(0, 600, 400), 0);
  EXPECT_EQ(FrameBorderForClass(-1, 600, 400), 0);
  EXPECT_EQ(FrameBorderForClass(0, 20, 31), 0);  // under 32 pixels at Small
}

TEST(PicFactory, ReliefPerShape) {
  struct Case {
    FrameShape shape;
    int p, n, offset;
  } cases[] = {
      {FrameShape::kFlat, 1, 12, -80},    {FrameShape::kFlat, 2, 12, 0},      {FrameShape::kFlat, 10, 12, 0},
      {FrameShape::kFlat, 11, 12, 80},    {FrameShape::kRound, 0, 10, -80},   {FrameShape::kRound, 5, 10, 0},
      {FrameShape::kRound, 9, 10, 64},    {FrameShape::kNotched, 1, 12, -40}, {FrameShape::kNotched, 2, 12, -80},
      {FrameShape::kNotched, 3, 12, 80},  {FrameShape::kNotched, 4, 12, -80}, {FrameShape::kNotched, 7, 12, 40},
      {FrameShape::kNotched, 9, 12, -80}, {FrameShape::kNotched, 10, 12, 80}, {FrameShape::kNotched, 11, 12, 40},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReliefOffset(c.shape, c.p, c.n), c.offset) << static_cast<int>(c.shape) << " p=" << c.p;
}

TEST_F(PicFactoryFolder, LightTurnsTheReliefOfEachSide) {
  // Gold is grey 100, 12 rows thick: Flat gives 20 on the dark edge and
  // 180 on the bright one. Per piece, the first row (pieces 0, 2) or
  // column (1, 3) for each light 0..4.
  const int expected[4][5] = {
      {20, 20, 180, 180, 20},   // bottom: upward for top left, top right, centre
      {180, 20, 20, 180, 180},  // right: from the right for top left, bottom left, centre
      {20, 20, 180, 180, 180},  // top: upward for top left and top right
      {180, 20, 20, 180, 20},   // left: from the right for top left and bottom left
  };
  CPicFactory f(root_.string());
  for (int light = 0; light < 5; ++light) {
    ASSERT_TRUE(f.Setup(false, 200, 200, 0xFFFFFF, 12, 0, light, 0, "Gold", ""));
    for (int piece = 0; piece < 4; ++piece)
      EXPECT_EQ(f.Piece(piece).Pixel(0, 0)[0], expected[piece][light]) << "piece " << piece << " light " << light;
  }
}

TEST_F(PicFactoryFolder, DrawsFrameMatAndLeavesTheCentre) {
  CPicFactory f(root_.string());
  const int w = 60, h = 40, fb = 4, mb = 3;
  // Mat colour red 200, green 100, blue 50 (0x00BBGGRR).
  ASSERT_TRUE(f.Setup(false, w, h, 0x326480, fb, mb, 4, 0, "Oak", "Linen"));
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(w) * h * 3, 9);
  f.Apply(buf.data(), w * 3);
  auto px = [&](int x, int y) { return &buf[(static_cast<std::size_t>(y) * w + x) * 3]; };
  // Centre untouched; the mat: brightness 1 (from 0) or 255 times the colour.
  EXPECT_EQ(px(30, 20)[0], 9);
  EXPECT_EQ(px(fb + mb, fb + mb)[1], 9);
  EXPECT_EQ(px(fb + 1, 20)[2], (255 * 0x80 + 127) / 255);  // x = 5: odd, the 255 column
  EXPECT_EQ(px(fb, 20)[2], (1 * 0x80 + 127) / 255);
  // The bottom band at x = 30 is piece 0; its column index comes back in
  // blue (minus the Centre light's relief, the same for all columns of a
  // row), row 0 is the strip's row 0.
  const std::uint8_t* bottom = px(30, 0);
  const std::uint8_t* bottom2 = px(31, 0);
  EXPECT_NE(bottom[0], 9);
  EXPECT_EQ(bottom[1], bottom2[1]);  // same strip row
  // Corner diagonal: (1, 2) lies above the diagonal (x < y): left piece;
  // (2, 1) below it: bottom piece. The left piece is transposed, so its
  // rows vary in blue along y while the bottom's vary along x.
  EXPECT_NE(px(1, 2)[0], 9);
  EXPECT_NE(px(2, 1)[0], 9);
  // Right and top bands are drawn up to the edge.
  EXPECT_NE(px(w - 1, 20)[0], 9);
  EXPECT_NE(px(30, h - 1)[0], 9);

  // The same in grey, one byte a pixel.
  ASSERT_TRUE(f.Setup(true, w, h, 0xFFFFFF, fb, mb, 4, 0, "Oak", ""));
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(w) * h, 9);
  f.Apply(grey.data(), w);
  EXPECT_EQ(grey[20 * w + 30], 9);
  EXPECT_EQ(grey[20 * w + fb], 255);  // plain white mat without a mat picture
  EXPECT_NE(grey[30], 9);
}

TEST_F(PicFactoryFolder, NoFrameMeansMatFromTheEdgeAndNoTiling) {
  CPicFactory f(root_.string());
  // Type "none" with a mat: F = 0.
  EXPECT_TRUE(f.Setup(false, 20, 20, 0xFFFFFF, 0, 3, 0, 0, "none", "Linen"));
  EXPECT_FALSE(f.HasFrame());
  EXPECT_EQ(f.TilesAcross().count, 0);
  std::vector<std::uint8_t> buf(20 * 20 * 3, 9);
  f.Apply(buf.data(), 20 * 3);
  EXPECT_EQ(buf[0], 1);                       // mat brightness 1 on white
  EXPECT_EQ(buf[(10 * 20 + 10) * 3], 9);      // centre
  // An unreadable style leaves the frame out as well.
  Write(root_ / "Frame/Frame/Wood/Bad.bmp", std::vector<std::uint8_t>(60, 'B'));
  CPicFactory g(root_.string());
  EXPECT_TRUE(g.Setup(false, 100, 100, 0, 10, 0, 0, 0, "Bad", ""));
  EXPECT_FALSE(g.HasFrame());
  // Borders that meet in the middle: no visible centre.
  EXPECT_FALSE(g.Setup(false, 100, 100, 0, 30, 20, 0, 0, "Gold", ""));
}

TEST_F(PicFactoryFolder, FramePictureGrowsTheImageAndMasksWhatWasDrawn) {
  CPicFactory f(root_.string());
  auto read32 = [](const std::vector<std::uint8_t>& v, std::size_t at) {
    return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | v[at + 3] << 24;
  };
  struct Case {
    const char* style;
    int maskAtFrame;  // an unreadable strip leaves the frame's band out
  } cases[] = {{"Gold", 255}, {"Bad", 0}};
  Write(root_ / "Frame/Frame/Wood/Bad.bmp", std::vector<std::uint8_t>(60, 'B'));
  CPicFactory g(root_.string());
  for (const Case& c : cases) {
    const FramePicture pic = DrawFramePicture(g, FrameChoice{0, 1, 0, 0, c.style, "Linen", 0xFFFFFF}, 640, 480,
                                              false, 30000);
    ASSERT_EQ(pic.border, 40);
    ASSERT_EQ(read32(pic.dib, 4), 720);
    ASSERT_EQ(read32(pic.dib, 8), 560);
    EXPECT_EQ(read32(pic.dib, 24), 300);  // pixels per metre, as the frame layer's DIB states it
    const std::size_t maskStride = 720, maskBits = 40 + 1024;
    auto mask = [&](int x, int y) { return pic.maskDib[maskBits + y * maskStride + x]; };
    EXPECT_EQ(mask(5, 300), c.maskAtFrame) << c.style;
    EXPECT_EQ(mask(25, 300), 255) << c.style;  // mat band 20..39
    EXPECT_EQ(mask(40, 300), 0) << c.style;    // the image
    EXPECT_EQ(mask(360, 280), 0) << c.style;
    EXPECT_EQ(mask(700, 555), c.maskAtFrame) << c.style;
  }
  // A grown size past the limit gives nothing.
  EXPECT_TRUE(DrawFramePicture(f, FrameChoice{2, 3, 0, 0, "Gold", "", 0}, 29000, 10, false, 30000).dib.empty());
}

TEST(PicFactory, BitmapReaderChecksSizesAgainstTheFile) {
  auto good = Bitmap(5, 3, [](int x, int y, std::uint8_t* p) { p[0] = static_cast<std::uint8_t>(x + 10 * y); });
  Picture24 pic = ReadBitmap24(good.data(), good.size());
  ASSERT_EQ(pic.width, 5);
  EXPECT_EQ(pic.Pixel(4, 2)[0], 24);
  // Truncated rows, a lying header size, another depth, a height past the file.
  EXPECT_TRUE(ReadBitmap24(good.data(), good.size() - 1).Empty());
  auto bad = good;
  Put32(bad, 14, 0x7FFFFFF0);
  EXPECT_TRUE(ReadBitmap24(bad.data(), bad.size()).Empty());
  bad = good;
  bad[28] = 8;
  EXPECT_TRUE(ReadBitmap24(bad.data(), bad.size()).Empty());
  bad = good;
  Put32(bad, 22, 0x40000000);
  EXPECT_TRUE(ReadBitmap24(bad.data(), bad.size()).Empty());
  bad = good;
  Put32(bad, 10, 0xFFFFFFF0);
  EXPECT_TRUE(ReadBitmap24(bad.data(), bad.size()).Empty());
}

TEST(PicFactory, ResourceMaskMultipliesByTheScaledTemplate) {
  // 2 x 2 template over a 4 x 4 image of 200: each quadrant takes one value.
  const EdgeTemplate tpl{2, 2, {0, 255, 128, 64}};
  std::vector<std::uint8_t> img(4 * 5, 200);  // stride 5: the pad byte stays
  ASSERT_TRUE(ApplyResourceMask(img.data(), 4, 4, 5, tpl));
  EXPECT_EQ(img[0], 200);                  // bottom left, m = 0
  EXPECT_EQ(img[3], 0);                    // bottom right, m = 255
  EXPECT_EQ(img[3 * 5 + 0], 200 * 127 / 255);  // top left, m = 128
  EXPECT_EQ(img[2 * 5 + 3], 200 * 191 / 255);  // top right, m = 64
  EXPECT_EQ(img[4], 200);
  EXPECT_FALSE(ApplyResourceMask(img.data(), 4, 4, 5, EdgeTemplate{}));
}

}  // namespace
}  // namespace lumora
