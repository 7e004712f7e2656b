// The image-map page and the Map command's text: byte for byte on
// fixtures, escaped, named after the image, and, read by Python's HTML
// parser, with areas that cover exactly their layers' pixels.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/layers/LayerMng.h"
#include "files/HtmlMap.h"
#include "platform/stream_file.h"
#include "web_support.h"

namespace lumora::testing {
namespace {

WAPtr Solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* px = image->Row(y) + 3 * x;
      px[0] = b;
      px[1] = g;
      px[2] = r;
    }
  return image;
}

// A 60 x 40 white image with three layers: red (linked), green (not
// linked) and blue (linked, overlapping red and reaching past the right
// edge).
CLayersManagerPtr ThreeLayerStack() {
  CLayersManagerPtr stack =
      CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 60, 40, 0x00480048, RGB(255, 255, 255), 0));
  stack->GetBottomLayer()->SetLinkText("");
  EXPECT_EQ(stack->AddLayerFromImage(Solid(20, 10, 255, 0, 0).get(), POINT{5, 3}, 0), 0);
  EXPECT_EQ(stack->AddLayerFromImage(Solid(8, 8, 0, 255, 0).get(), POINT{40, 30}, 0), 0);
  EXPECT_EQ(stack->AddLayerFromImage(Solid(30, 12, 0, 0, 255).get(), POINT{20, 8}, 0), 0);
  stack->GetLayer(1)->SetLinkText("red.htm?a=1&b=\"2\"");
  stack->GetLayer(3)->SetLinkText("blue<x>.htm");
  return stack;
}

TEST(HtmlMapPage, BytesOfThePageTopLayerFirstAndEscaped) {
  CLayersManagerPtr stack = ThreeLayerStack();
  const std::string page = BuildHTMLMapPage(*stack, "C:\\web\\a&b.gif");
  // Rects count rows from the bottom: red rows 3..12 are page rows 27..36,
  // blue rows 8..19 page rows 20..31 (columns 20..49, cut at 60).
  EXPECT_EQ(page,
            "<html>\r\n"
            "<body>\r\n"
            "<map name=\"a&amp;b\">\r\n"
            "<area shape=\"rect\" coords=\"20,20,50,32\" href=\"blue&lt;x&gt;.htm\">\r\n"
            "<area shape=\"rect\" coords=\"5,27,25,37\" href=\"red.htm?a=1&amp;b=&quot;2&quot;\">\r\n"
            "</map>\r\n"
            "<img src=\"a&amp;b.gif\" usemap=\"#a&amp;b\">\r\n"
            "</body>\r\n"
            "</html>\r\n");
  stack->GetLayer(1)->SetLinkText("");
  stack->GetLayer(3)->SetLinkText("");
  EXPECT_EQ(BuildHTMLMapPage(*stack, "/x/b.png"),
            "<html>\r\n<body>\r\n<map name=\"b\">\r\n</map>\r\n<img src=\"b.png\" usemap=\"#b\">\r\n</body>\r\n</html>\r\n");
}

TEST(HtmlMapPage, PagePathReplacesTheExtension) {
  EXPECT_EQ(HtmlPagePath("C:\\web\\a.gif"), "C:\\web\\a.htm");
  EXPECT_EQ(HtmlPagePath("/p/photo.jpeg"), "/p/photo.htm");
  EXPECT_EQ(HtmlPagePath("/p.d/photo"), "/p.d/photo.htm");
  EXPECT_EQ(HtmlPagePath("x.y.png"), "x.y.htm");
}

// An image saved as ".htm" would be overwritten by its own page: the page
// takes the name "<base>-map.htm" instead, whatever the letter case.
TEST(HtmlMapPage, APageNeverReplacesItsImage) {
  EXPECT_EQ(HtmlPagePath("C:\\web\\x.htm"), "C:\\web\\x-map.htm");
  EXPECT_EQ(HtmlPagePath("/p/X.HTM"), "/p/X-map.htm");
  EXPECT_EQ(HtmlPagePath("/p/x.html"), "/p/x.htm") << "another file";
  Scratch dir;
  const std::vector<std::uint8_t> image = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3};
  {
    std::ofstream out(dir("shot.HTM"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  CLayersManagerPtr stack = ThreeLayerStack();
  EXPECT_EQ(WriteHTMLMapPage(stack.get(), dir("shot.HTM")), 1);
  EXPECT_EQ(FileBytes(dir("shot.HTM")), image) << "the image is untouched";
  const std::vector<std::uint8_t> page = FileBytes(dir("shot-map.htm"));
  const std::string text(page.begin(), page.end());
  EXPECT_NE(text.find("<img src=\"shot.HTM\" usemap=\"#shot\">"), std::string::npos) << text;
}

TEST(HtmlMapText, RectangleAndFlippedPolygon) {
  const RECT area{3, 4, 10, 20};
  EXPECT_EQ(BuildMapText("MAP1", "ref.htm", 0, area, nullptr, 50),
            "<MAP NAME=\"MAP1\">\r\n<AREA SHAPE=\"RECT\" COORDS=\"3,4,10,20\" HREF=\"ref.htm\">\r\n</MAP>");
  const POINT points[3] = {{1, 2}, {30, 2}, {15, 40}};
  Fragment* polygon = CreatePolygonFrg(points, 3, 0, 0);
  EXPECT_EQ(BuildMapText("m\"1", "a&b", 1, area, polygon, 50),
            "<MAP NAME=\"m&quot;1\">\r\n<AREA SHAPE=\"POLY\" COORDS=\"1,48,30,48,15,10\" HREF=\"a&amp;b\">\r\n</MAP>");
  DeleteFragment(polygon);
  // The selection's box, top-down, with exclusive right and bottom.
  const LURECT rect{4, 5, 10, 6};  // rows 5..10 from the bottom of 50
  Fragment* box = CreateRectFrg(&rect, 0);
  const RECT got = MapAreaOfFragment(100, 50, box);
  EXPECT_EQ(std::vector<long>({got.left, got.top, got.right, got.bottom}), std::vector<long>({4, 39, 14, 45}));
  Fragment* inverted = CreateRectFrg(&rect, 1);
  const RECT whole = MapAreaOfFragment(100, 50, inverted);
  EXPECT_EQ(std::vector<long>({whole.left, whole.top, whole.right, whole.bottom}), std::vector<long>({0, 0, 100, 50}));
  DeleteFragment(box);
  DeleteFragment(inverted);
}

#ifndef _WIN32
TEST(HtmlMapPageInterop, ParsedPageAreasCoverTheirLayersPixels) {
  Scratch dir;
  CLayersManagerPtr stack = ThreeLayerStack();
  const std::string image = dir("shot.png");
  EXPECT_EQ(WriteHTMLMapPage(stack.get(), image), 1);
  const std::string script = std::string(LUMORA_TEST_DATA) + "/../files/check_map_page.py";
  const std::string out = Shell("python3 '" + script + "' '" + dir("shot.htm") + "' 60 40");
  // The composite as the export sees it.
  CLayersManagerPtr flat = CLayersManagerPtr::Adopt(new CLayersManager(stack.get()));
  ASSERT_EQ(flat->Flatten(255, 255, 255), 0);
  const VrWA2000::WA* picture = flat->GetBottomLayer()->PeekImage();
  auto pixel = [&](int x, int topRow) {
    const std::uint8_t* px = picture->Row(39 - topRow) + 3 * x;
    return RGB(px[2], px[1], px[0]);
  };
  const COLORREF colours[] = {RGB(0, 0, 255), RGB(255, 0, 0)};  // the page's order: top layer first
  std::istringstream lines(out);
  int x1, y1, x2, y2, count = 0;
  std::string href;
  while (lines >> x1 >> y1 >> x2 >> y2 >> href) {
    ASSERT_LT(count, 2) << out;
    const COLORREF colour = colours[count++];
    // The area's corners lie on the layer; the pixels just outside do not
    // (the red layer is partly under blue, so only its free corners count).
    EXPECT_EQ(pixel(x1, y2 - 1), colour) << href;
    EXPECT_NE(pixel(x1 - 1, y2 - 1), colour) << href;
    EXPECT_NE(pixel(x1, y2), colour) << href;
    if (count == 1) {
      EXPECT_EQ(pixel(x2 - 1, y1), colour);
      EXPECT_NE(pixel(x2 - 1, y1 - 1), colour);
      EXPECT_EQ(x2, 50);
    }
  }
  EXPECT_EQ(count, 2) << out;
  // Writing again replaces the page whole.
  stack->GetLayer(1)->SetLinkText("");
  EXPECT_EQ(WriteHTMLMapPage(stack.get(), image), 1);
  EXPECT_EQ(Shell("python3 '" + script + "' '" + dir("shot.htm") + "' 60 40").find("red"), std::string::npos);
  EXPECT_THROW(WriteHTMLMapPage(stack.get(), dir("missing/x.gif")), FileException);
  // The checker itself refuses what it should: an area past the image, an unclosed map.
  for (const char* bad : {"<html><body><map name=\"a\"><area shape=\"rect\" coords=\"0,0,61,5\" href=\"x\"></map>"
                          "<img src=\"a.gif\" usemap=\"#a\"></body></html>",
                          "<html><body><map name=\"a\"><img src=\"a.gif\" usemap=\"#a\"></body></html>"}) {
    std::FILE* f = std::fopen(dir("bad.htm").c_str(), "wb");
    std::fputs(bad, f);
    std::fclose(f);
    EXPECT_NE(std::system(("python3 '" + script + "' '" + dir("bad.htm") + "' 60 40 >/dev/null").c_str()), 0) << bad;
  }
}
#endif

}  // namespace
}  // namespace lumora::testing
