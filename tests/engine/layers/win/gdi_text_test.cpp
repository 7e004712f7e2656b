// Text layers laid out with GDI under Wine, checked against GDI itself: the
// layout's boxes against the fonts' advance widths, the layer's pixels
// against GDI's own drawing of the whole string spaced by those widths
// (plain TextOut of a string under Wine spaces glyphs by unrounded
// advances, a pixel apart here and there), the fonts made per format,
// and the font replacements that give Arial, Times New Roman and Courier
// New their metric twins.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/layers/LayerText.h"
#include "engine/layers/win/GdiTextDevice.h"

namespace lumora {
namespace {

constexpr int kPoints = 24;

// The font a format of kPoints points gives on the screen's context.
HFONT ScreenFont(const char* face, int bold = 0) {
  HDC screen = GetDC(nullptr);
  const int height = GetDeviceCaps(screen, LOGPIXELSY) * kPoints * 10 / 720;
  ReleaseDC(nullptr, screen);
  return CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                     0, 0, face);
}

// A memory context with the font selected, released at the end of scope.
class FontContext {
 public:
  explicit FontContext(HFONT font) : font_(font), dc_(CreateCompatibleDC(nullptr)) {
    saved_ = SelectObject(dc_, font_);
  }
  ~FontContext() {
    SelectObject(dc_, saved_);
    DeleteDC(dc_);
    DeleteObject(font_);
  }
  HDC dc() const { return dc_; }
  int Advance(char c) const {
    INT width = 0;
    GetCharWidth32A(dc_, static_cast<BYTE>(c), static_cast<BYTE>(c), &width);
    return width;
  }
  int Advances(const std::string& s) const {
    int sum = 0;
    for (char c : s) sum += Advance(c);
    return sum;
  }
  TEXTMETRICA Metrics() const {
    TEXTMETRICA m{};
    GetTextMetricsA(dc_, &m);
    return m;
  }

 private:
  HFONT font_;
  HDC dc_;
  HGDIOBJ saved_;
};

std::vector<CCharFormat> Formats(const std::string& s, const char* face, int boldEvery = 0) {
  std::vector<CCharFormat> out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    CCharFormat f;
    f.character = static_cast<std::uint8_t>(s[i]);
    f.size = kPoints * 10;
    f.face = face;
    f.bold = boldEvery != 0 && i % boldEvery == 1 ? 1 : 0;
    out.push_back(f);
  }
  return out;
}

CLayerText* NewTextLayer(CLayerPtr* holder, const std::string& s, const char* face,
                         int antiAlias = 0) {
  *holder = CLayerPtr::Adopt(new CLayerText(kWAType24));
  auto* layer = static_cast<CLayerText*>(holder->get());
  layer->SetCharFormats(Formats(s, face));
  layer->SetTextAttributes(0, RGB(0, 0, 255), 0, 0, 0, 0, antiAlias);
  return layer;
}

TEST(TextFontsUnderWine, TheThreeCoreFacesTakeTheirMetricTwins) {
  const std::string sample = "Hilmw0.";
  const char* pairs[][2] = {{"Arial", "Liberation Sans"},
                            {"Times New Roman", "Liberation Serif"},
                            {"Courier New", "Liberation Mono"}};
  for (const auto& [face, twin] : pairs) {
    FontContext core(ScreenFont(face));
    FontContext liberation(ScreenFont(twin));
    for (char c : sample) EXPECT_EQ(core.Advance(c), liberation.Advance(c)) << face << " " << c;
  }
  // The replacement took effect: the faces differ from one another.
  FontContext sans(ScreenFont("Arial"));
  FontContext mono(ScreenFont("Courier New"));
  EXPECT_NE(sans.Advance('i'), sans.Advance('m'));
  EXPECT_EQ(mono.Advance('i'), mono.Advance('m'));
}

TEST(TextLayoutGdi, BoxesAgreeWithTheAdvanceWidths) {
  for (const char* face : {"Arial", "Times New Roman", "Courier New"}) {
    const std::string s = "Lumora text";
    CLayerPtr holder;
    CLayerText* layer = NewTextLayer(&holder, s, face);
    ASSERT_EQ(LayoutTextWithGdi(*layer, 0, nullptr, nullptr), 0) << face;
    FontContext font(ScreenFont(face));
    const TEXTMETRICA m = font.Metrics();
    SIZE extent{};
    GetTextExtentPoint32A(font.dc(), s.c_str(), static_cast<int>(s.size()), &extent);
    EXPECT_EQ(layer->GetLayoutWidth(), font.Advances(s)) << face;
    EXPECT_EQ(layer->GetLayoutWidth(), extent.cx) << face;
    // One line: the cell height and the descent below it.
    EXPECT_EQ(layer->GetLayoutHeight(), m.tmHeight + m.tmDescent) << face;
    EXPECT_EQ(layer->PeekImage()->GetW(), extent.cx) << face;
  }
}

TEST(TextLayoutGdi, PixelsMatchGdisOwnDrawingOfTheString) {
  const std::string s = "Wave fig.";
  CLayerPtr holder;
  CLayerText* layer = NewTextLayer(&holder, s, "Arial");
  ASSERT_EQ(LayoutTextWithGdi(*layer, 0, nullptr, nullptr), 0);
  const int W = layer->GetLayoutWidth(), H = layer->GetLayoutHeight();

  // GDI draws the whole string at once, black on white, on a top-down
  // 8-bit grey DIB section (pictures of 8 bits are drawn without smoothing,
  // as the layout's own picture is).
  FontContext font(ScreenFont("Arial"));
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = W;
  info.header.biHeight = -H;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  for (int i = 0; i < 256; ++i) {
    info.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(font.dc(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                 &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  HGDIOBJ saved = SelectObject(font.dc(), dib);
  RECT all{0, 0, W, H};
  FillRect(font.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(font.dc(), TRANSPARENT);
  SetTextAlign(font.dc(), TA_BASELINE);
  // Each character one advance width after the previous one.
  std::vector<INT> advances;
  for (char c : s) advances.push_back(font.Advance(c));
  ExtTextOutA(font.dc(), 0, font.Metrics().tmHeight, 0, nullptr, s.c_str(),
              static_cast<UINT>(s.size()), advances.data());
  GdiFlush();

  const int stride = (W + 3) & ~3;
  const VrWA2000::WA* mask = layer->PeekMask();
  const VrWA2000::WA* image = layer->PeekImage();
  int ink = 0, differ = 0;
  for (int y = 0; y < H; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(bits) + y * stride;
    for (int x = 0; x < W; ++x) {
      const int coverage = 255 - row[x];
      ink += coverage > 0;
      // Layer rows count upward from the picture's bottom.
      differ += mask->Row(H - 1 - y)[x] != coverage;
      EXPECT_EQ(image->Row(H - 1 - y)[3 * x], 255);  // the text colour: blue, green, red
      EXPECT_EQ(image->Row(H - 1 - y)[3 * x + 2], 0);
    }
  }
  SelectObject(font.dc(), saved);
  DeleteObject(dib);
  EXPECT_GT(ink, 100);
  EXPECT_EQ(differ, 0);
}

TEST(TextLayoutGdi, OneFontPerDistinctFormatAndTheAntiAliasedPicture) {
  CLayerPtr holder = CLayerPtr::Adopt(new CLayerText(kWAType8Grey));
  auto* layer = static_cast<CLayerText*>(holder.get());
  layer->SetCharFormats(Formats("abababab", "Arial", 2));
  layer->SetTextAttributes(0, RGB(90, 90, 90), 0, 0, 0, 0, 0);
  GdiTextDevice device(nullptr);
  ASSERT_EQ(layer->LayoutText(0, device, nullptr), 0);
  EXPECT_EQ(device.FontCount(), 2u);  // plain and bold
  const int width = layer->GetFinalWidth();
  // The same device then lays the text out at three times the size: a new
  // picture, new fonts, a result about as wide.
  ASSERT_EQ(layer->LayoutText(1, device, nullptr), 0);
  EXPECT_EQ(device.FontCount(), 4u);
  EXPECT_EQ(layer->GetLayoutFactor(), 3);
  EXPECT_NEAR(layer->GetFinalWidth(), width, 3);
  EXPECT_EQ(layer->PeekImage()->Row(0)[0], 90);
  // The reduction leaves grey edges.
  int grey = 0;
  const VrWA2000::WA* mask = layer->PeekMask();
  for (int y = 0; y < mask->GetH(); ++y) {
    for (int x = 0; x < mask->GetW(); ++x) grey += mask->Row(y)[x] > 0 && mask->Row(y)[x] < 255;
  }
  EXPECT_GT(grey, 20);
}

TEST(TextLayoutGdi, APictureOfAnotherSizeIsMadeAgain) {
  CLayerPtr shortHolder, longHolder;
  CLayerText* first = NewTextLayer(&shortHolder, "Ab", "Arial", 1);
  CLayerText* second = NewTextLayer(&longHolder, "Abcdefg\rhij", "Arial", 1);
  GdiTextDevice shared(nullptr);
  ASSERT_EQ(first->LayoutText(1, shared, nullptr), 0);
  ASSERT_EQ(second->LayoutText(1, shared, nullptr), 0);
  CLayerPtr freshHolder;
  CLayerText* fresh = NewTextLayer(&freshHolder, "Abcdefg\rhij", "Arial", 1);
  ASSERT_EQ(LayoutTextWithGdi(*fresh, 1, nullptr, nullptr), 0);
  EXPECT_EQ(second->GetCoverage(), fresh->GetCoverage());
  EXPECT_GT(second->GetFinalHeight(), first->GetFinalHeight());
}

}  // namespace
}  // namespace lumora
