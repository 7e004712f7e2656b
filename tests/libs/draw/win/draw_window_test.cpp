// The draw context in real windows under Win32: a test window painted at
// 1:4, 1:1, 4:1 and scrolled reads back what the core computes; a 1:1 draw
// into a memory DC hands back the indexed image's palette; an option change
// tells the notifier once with the client region.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "libs/draw/draw_context.h"
#include "tests/libs/draw/draw_test_util.h"

namespace lumora::testing {
namespace {

constexpr int kClientW = 220, kClientH = 160;

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* dc = reinterpret_cast<VR_DRAWCONTEXT*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: {
      // The margin around a small image: a known colour.
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
      FillRect(reinterpret_cast<HDC>(wp), &r, b);
      DeleteObject(b);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      if (dc) {
        HRGN region = CreateRectRgnIndirect(&ps.rcPaint);
        const int saved = SaveDC(hdc);
        dc->Draw(hdc, region, hwnd, FALSE, FALSE, nullptr);
        RestoreDC(hdc, saved);
        DeleteObject(region);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

struct TestWindow {
  HWND hwnd = nullptr;
  TestWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LUMORA_DRAW_TEST";
    RegisterClassA(&wc);
    RECT r{0, 0, kClientW, kClientH};
    AdjustWindowRect(&r, WS_POPUP, FALSE);
    hwnd = CreateWindowExA(WS_EX_TOPMOST, "LUMORA_DRAW_TEST", "draw", WS_POPUP | WS_VISIBLE, 0, 0, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() {
    if (hwnd) DestroyWindow(hwnd);
  }
  void Use(VR_DRAWCONTEXT* dc) { SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dc)); }
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  void Repaint() {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    Pump();
  }
  // The client area's pixels as 0x00RRGGBB, top row first.
  std::vector<std::uint32_t> ReadBack() {
    HDC wdc = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(wdc);
    HBITMAP bmp = CreateCompatibleBitmap(wdc, kClientW, kClientH);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, kClientW, kClientH, wdc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kClientW;
    info.bmiHeader.biHeight = -kClientH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> px(kClientW * kClientH);
    GetDIBits(mem, bmp, 0, kClientH, px.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(hwnd, wdc);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
  }
};

std::unique_ptr<draw::DrawContext> Context(const VrWA2000::ReadWA* image, VR_REDRAWNTF* n = nullptr) {
  return std::unique_ptr<draw::DrawContext>(static_cast<draw::DrawContext*>(WACreateDrawContext(image, n)));
}

// The window's pixels equal the core's inside the image and the margin
// colour outside it.
void ExpectWindowShowsCore(TestWindow& w, const draw::DrawContext& dc, const char* when) {
  const std::vector<std::uint32_t> shown = w.ReadBack();
  const RECT client{0, 0, kClientW, kClientH};
  RECT image = dc.Mapping().ImageWindowRect();
  int wrong = 0;
  for (LONG v = 0; v < kClientH; ++v)
    for (LONG u = 0; u < kClientW; ++u) {
      const bool inside = u >= image.left && u < image.right && v >= image.top && v < image.bottom;
      const std::uint32_t want = inside ? draw::ReferencePixel(dc.Settings(), u, v) : 0x010203u;
      if (shown[v * kClientW + u] != want && wrong++ < 3) {
        ADD_FAILURE() << when << ": pixel " << u << "," << v << ": window " << std::hex << shown[v * kClientW + u]
                      << " core " << want;
      }
    }
  EXPECT_EQ(wrong, 0) << when;
  (void)client;
}

TEST(DrawWindow, PaintedWindowReadsBackAsTheCoreComputes) {
  TestWindow w;
  ASSERT_NE(w.hwnd, nullptr);
  const WARef image = RandomImage(kWAType24, 300, 200, 11);
  const WARef coverage = RandomCoverage(300, 200, 12);
  auto dc = Context(image.get());
  dc->SetCoverage(coverage.get());
  dc->SetWindow(w.hwnd);
  dc->ShowGuides(TRUE);
  dc->SetGuideSettings(VR_GUIDESETTINGS{RGB(0, 255, 0), kVrLineDashed});
  dc->AddGuide(40 * 32, kVrGuideVertical);
  w.Use(dc.get());
  struct Zoom {
    std::int64_t d, i;
    std::int32_t sx, sy;
  };
  for (const Zoom z : {Zoom{1, 4, 20, 15}, Zoom{1, 1, -37, -21}, Zoom{4, 1, -300, -250}}) {
    SCOPED_TRACE(::testing::Message() << z.d << ":" << z.i);
    dc->SetMapping(Shifted(z.d, z.i, z.sx), Shifted(z.d, z.i, z.sy));
    w.Repaint();
    ExpectWindowShowsCore(w, *dc, z.d == 1 && z.i == 4 ? "1:4" : z.d == 1 ? "1:1" : "4:1");
  }
  // Scrolling: the window moves what it shows and paints the uncovered strip
  // from kept or new pixels.
  dc->SetMapping(Shifted(1, 1, -37), Shifted(1, 1, -21));
  w.Repaint();
  dc->SetMapping(Shifted(1, 1, -62), Shifted(1, 1, -31));
  ScrollWindowEx(w.hwnd, -25, -10, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  UpdateWindow(w.hwnd);
  w.Pump();
  ExpectWindowShowsCore(w, *dc, "scrolled");
  // Uncovering repaints from the kept pixels.
  RECT part{10, 10, 60, 50};
  InvalidateRect(w.hwnd, &part, FALSE);
  UpdateWindow(w.hwnd);
  w.Pump();
  ExpectWindowShowsCore(w, *dc, "uncovered");
  w.Use(nullptr);
}

TEST(DrawWindow, OneToOneIntoAMemoryDcHandsBackTheImagePalette) {
  const WARef image = RandomImage(kWAType8Palette, 64, 48, 21);
  auto dc = Context(image.get());
  dc->SetMapping(XFFACT(0, 64, 0, 64), XFFACT(0, 48, 48, 0));
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(screen, nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 64, 48);
  HGDIOBJ old = SelectObject(mem, bmp);
  HRGN region = CreateRectRgn(0, 0, 64, 48);
  HPALETTE palette = nullptr;
  EXPECT_EQ(dc->Draw(mem, region, nullptr, FALSE, FALSE, &palette), 1);
  DeleteObject(region);
  SelectObject(mem, old);
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(entries[i].peRed, image->Palette()[i].peRed) << i;
    EXPECT_EQ(entries[i].peGreen, image->Palette()[i].peGreen) << i;
    EXPECT_EQ(entries[i].peBlue, image->Palette()[i].peBlue) << i;
  }
  // The bitmap shows every pixel in its palette colour (row 0 at the bottom).
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 64;
  info.bmiHeader.biHeight = 48;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> px(64 * 48);
  ASSERT_EQ(GetDIBits(mem, bmp, 0, 48, px.data(), &info, DIB_RGB_COLORS), 48);
  for (int y = 0; y < 48; y += 7)
    for (int x = 0; x < 64; x += 5) {
      const PALETTEENTRY& e = image->Palette()[image->Row(y)[x]];
      EXPECT_EQ(px[y * 64 + x] & 0xFFFFFF, RGB(e.peBlue, e.peGreen, e.peRed)) << x << "," << y;
    }
  DeleteObject(palette);
  DeleteObject(bmp);
  DeleteDC(mem);
  DeleteDC(screen);
}

struct RecordingNotifier : VR_REDRAWNTF {
  int calls = 0;
  RECT box{};
  int Notify(HRGN damaged, HRGN more, BOOL erase) override {
    ++calls;
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(both, damaged, more, RGN_OR);
    GetRgnBox(both, &box);
    DeleteObject(both);
    return 1;
  }
};

TEST(DrawWindow, AnOptionChangeNotifiesOnceWithTheClientRegion) {
  TestWindow w;
  ASSERT_NE(w.hwnd, nullptr);
  const WARef image = RandomImage(kWAType24, 50, 40, 31);
  RecordingNotifier notifier;
  auto dc = Context(image.get(), &notifier);
  dc->SetWindow(w.hwnd);
  EXPECT_EQ(notifier.calls, 0);
  dc->SetGamma(VR_GAMMAOPT{150, 150, 150});
  EXPECT_EQ(notifier.calls, 1);
  EXPECT_EQ(notifier.box.left, 0);
  EXPECT_EQ(notifier.box.top, 0);
  EXPECT_EQ(notifier.box.right, kClientW);
  EXPECT_EQ(notifier.box.bottom, kClientH);
  XFFACT scrolled;
  scrolled.shift(-3);
  dc->SetMapping(scrolled, XFFACT());
  EXPECT_EQ(notifier.calls, 1);
  dc.reset();  // the notifier stays the caller's
  EXPECT_EQ(notifier.calls, 1);
}

TEST(DrawWindow, MarginCarriesTheGuides) {
  TestWindow w;
  const WARef image = MakeImage(kWAType24, 50, 40);
  auto dc = Context(image.get());
  dc->ShowGuides(TRUE);
  dc->SetGuideSettings(VR_GUIDESETTINGS{RGB(255, 0, 0), kVrLineSolid});
  dc->AddGuide(10 * 32, kVrGuideVertical);
  XFFACT fx, fy;
  fx.shift(30);
  fy.shift(20);
  dc->SetMapping(fx, fy);
  HDC hdc = GetDC(w.hwnd);
  RECT client{0, 0, kClientW, kClientH};
  HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
  FillRect(hdc, &client, b);
  DeleteObject(b);
  const RECT imageRect{30, 20, 80, 60};
  dc->DrawMargin(hdc, w.hwnd, &client, &imageRect);
  ReleaseDC(w.hwnd, hdc);
  const std::vector<std::uint32_t> px = w.ReadBack();
  EXPECT_EQ(px[5 * kClientW + 40], 0xFF0000u);    // above the image
  EXPECT_EQ(px[100 * kClientW + 40], 0xFF0000u);  // below it
  EXPECT_EQ(px[30 * kClientW + 40], 0x010203u);   // inside: the draw's
  EXPECT_EQ(px[5 * kClientW + 41], 0x010203u);
}

}  // namespace
}  // namespace lumora::testing
