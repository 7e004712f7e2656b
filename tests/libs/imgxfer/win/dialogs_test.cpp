// The library's Win32 faces under Wine, driven by messages from a timer
// that fires inside their modal loops: the options dialog, the file
// information box, the failure message box; and our BMPs through LoadImage.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "libs/imgxfer/options.h"
#include "libs/imgxfer/test_images.h"
#include "libs/imgxfer/win/dialog_ids.h"

namespace lumora::testing {
namespace {

// Runs `action` on the first dialog of this thread with `caption` once it
// is up; counts the dialogs it acted on.
struct DialogDriver {
  static inline std::string caption;
  static inline std::function<void(HWND)> action;
  static inline int handled = 0;

  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (caption == text && std::string(cls) == "#32770" && IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    KillTimer(nullptr, id);
    ++handled;
    action(dialog);
  }
  static UINT_PTR Arm(const std::string& c, std::function<void(HWND)> a) {
    caption = c;
    action = std::move(a);
    handled = 0;
    return SetTimer(nullptr, 0, 20, Tick);
  }
};

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TEST(ImgxferWinDialogs, OptionsDialogEditsAndKeepsTheOptions) {
  TempFolder folder;
  SetEnvironment("LUMORA_IMGXFER_OPTIONS", folder.File("opts.opt").c_str());
  DialogDriver::Arm(imgxfer::kOptionsCaption, [](HWND d) {
    EXPECT_EQ(GetDlgItemInt(d, imgxfer::kIdJpegQuality, nullptr, FALSE), 90u);
    EXPECT_EQ(IsDlgButtonChecked(d, imgxfer::kIdJpegProgressive), BST_CHECKED);
    SetDlgItemTextA(d, imgxfer::kIdJpegQuality, "42");
    Click(d, imgxfer::kIdJpegProgressive);
    Click(d, imgxfer::kIdPngInterlace);
    Click(d, imgxfer::kIdTgaRle);
    SetDlgItemTextA(d, imgxfer::kIdPngCompression, "3");
    SendDlgItemMessageA(d, imgxfer::kIdTiffCompression, CB_SETCURSEL, 3, 0);
    Click(d, IDOK);
  });
  EXPECT_EQ(ImExp_ConfigureConverters(nullptr), 1);
  EXPECT_EQ(DialogDriver::handled, 1);
  const ImExpSaveOptions kept = ImExp_GetSaveOptions();
  EXPECT_EQ(kept.jpegQuality, 42);
  EXPECT_EQ(kept.jpegProgressive, kImExpOff);
  EXPECT_EQ(kept.pngInterlace, 1);
  EXPECT_EQ(kept.pngCompression, 3);
  EXPECT_EQ(kept.tgaRle, 1);
  EXPECT_EQ(kept.bmpRle, kImExpOff);
  EXPECT_EQ(kept.tiffCompression, kImExpTiffPackBits);

  DialogDriver::Arm(imgxfer::kOptionsCaption, [](HWND d) {
    EXPECT_EQ(GetDlgItemInt(d, imgxfer::kIdJpegQuality, nullptr, FALSE), 42u) << "shows what was kept";
    SetDlgItemTextA(d, imgxfer::kIdJpegQuality, "7");
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(ImExp_ConfigureConverters(nullptr), 0);
  EXPECT_EQ(ImExp_GetSaveOptions().jpegQuality, 42);
  SetEnvironment("LUMORA_IMGXFER_OPTIONS", "");
}

TEST(ImgxferWinDialogs, FileInformationBoxShowsTheHeaderFacts) {
  TempFolder folder;
  ASSERT_EQ(WriteThroughLibrary(PatternImage(4, 61, 37), folder.File("info.bmp")), 1);
  std::string shown;
  DialogDriver::Arm(imgxfer::kInfoCaption, [&shown](HWND d) {
    char text[1024] = {};
    GetDlgItemTextA(d, imgxfer::kIdInfoText, text, sizeof text);
    shown = text;
    Click(d, IDOK);
  });
  EXPECT_EQ(ImExp_ShowFileInfo(nullptr, folder.File("info.bmp").c_str(), 1), 1);
  EXPECT_NE(shown.find("Windows Bitmap"), std::string::npos) << shown;
  EXPECT_NE(shown.find("61 x 37 pixels"), std::string::npos) << shown;
  EXPECT_NE(shown.find("256 colours"), std::string::npos) << shown;
  EXPECT_NE(shown.find("150 x 300 dpi"), std::string::npos) << shown;
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  char text[512] = {};
  GetWindowTextA(child, text, sizeof text);
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  reinterpret_cast<std::string*>(texts)->append(cls).append(":").append(text).append("\n");
  return TRUE;
}

TEST(ImgxferWinDialogs, FailuresShowAMessageBoxOnlyWhenAsked) {
  TempFolder folder;
  const std::string missing = folder.File("missing.png");
  imgxfer::SetMessageBoxesShown(true);
  std::string texts;
  auto closeBox = [&texts](HWND box) {
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
    SendMessageA(box, WM_COMMAND, IDOK, 0);
  };
  const UINT_PTR quietTimer = DialogDriver::Arm(imgxfer::kMessageCaption, closeBox);
  MemoryReadAdapter adapter;
  EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, missing.c_str(), 16, nullptr, nullptr, 0), 0);
  MSG msg;
  for (int i = 0; i < 10; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  KillTimer(nullptr, quietTimer);
  EXPECT_EQ(DialogDriver::handled, 0) << "16 is quiet";

  DialogDriver::Arm(imgxfer::kMessageCaption, closeBox);
  EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, missing.c_str(), kImExpReportFailures, nullptr, nullptr, 0), 0);
  EXPECT_EQ(DialogDriver::handled, 1);
  EXPECT_NE(texts.find("missing.png"), std::string::npos) << texts;

  texts.clear();
  DialogDriver::Arm(imgxfer::kMessageCaption, closeBox);
  const ExchangeImage colourImage = PatternImage(16, 8, 8);
  MemoryWriteAdapter colour(colourImage);
  EXPECT_EQ(ImExp_WriteFile(&colour, nullptr, folder.File("c.gif").c_str(), nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(DialogDriver::handled, 1);
  EXPECT_NE(texts.find("256 colours"), std::string::npos) << texts;
  imgxfer::SetMessageBoxesShown(false);
}

// The picture LoadImage made, as blue, green, red rows from the top.
std::vector<std::uint8_t> BitmapPixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != height) pixels.clear();
  return pixels;
}

TEST(ImgxferWinDialogs, OurBmpsLoadWithLoadImage) {
  TempFolder folder;
  for (int rle : {0, 1}) {
    for (int type : {1, 2, 4, 8, 16}) {
      SCOPED_TRACE("type " + std::to_string(type) + (rle ? " RLE" : ""));
      ImExpSaveOptions options = imgxfer::DefaultSaveOptions();
      options.bmpRle = rle ? 1 : kImExpOff;
      const ExchangeImage image = PatternImage(type, 61, 37);
      const std::string path = folder.File("load.bmp");
      ASSERT_EQ(WriteThroughLibrary(image, path, &options), 1);
      HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
      ASSERT_NE(bitmap, nullptr);
      BITMAP facts{};
      GetObjectA(bitmap, sizeof facts, &facts);
      EXPECT_EQ(facts.bmWidth, 61);
      EXPECT_EQ(facts.bmHeight, 37);
      const auto pixels = BitmapPixels(bitmap, 61, 37);
      DeleteObject(bitmap);
      ASSERT_FALSE(pixels.empty());
      int largest = 0;
      for (int y = 0; y < 37; ++y) {
        for (int x = 0; x < 61; ++x) {
          std::uint8_t bgr[3];
          image.Pixel(x, y, bgr);
          for (int c = 0; c < 3; ++c) {
            largest = std::max(largest, std::abs(bgr[c] - pixels[(static_cast<std::size_t>(y) * 61 + x) * 4 + c]));
          }
        }
      }
      EXPECT_EQ(largest, 0);
    }
  }
}

}  // namespace
}  // namespace lumora::testing
