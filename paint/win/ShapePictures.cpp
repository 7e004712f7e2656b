// The brush pages' list pictures.
#include "paint/win/ShapePictures.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "paint/ShapeThumbnail.h"

namespace lumora {
namespace {

constexpr int kStandardShapeBitmaps[] = {353, 355, 357, 359, 361, 363};
constexpr const char* kWidthBitmaps[] = {"Pen_w1", "Pen_w3", "Pen_w5", "Pen_w7", "Pen_w9", "Pen_w11"};
constexpr const char* kEdgeBitmaps[] = {"Edge_0", "Edge_1", "Edge_2", "Edge_3"};

struct Pictures {
  std::array<HBITMAP, 6> standard{};
  std::array<HBITMAP, 6> widths{};
  std::array<HBITMAP, 4> edges{};
  std::map<std::string, HBITMAP> custom;
};

Pictures& Cache() {
  static Pictures pictures;
  return pictures;
}

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// A new bitmap of the source's size filled with the button face, the
// source combined onto it with SRCAND: its white becomes the face.
HBITMAP ButtonFaceCopy(HBITMAP source) {
  BITMAP info{};
  if (source == nullptr || GetObjectA(source, sizeof info, &info) == 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP copy = CreateCompatibleBitmap(screen, info.bmWidth, info.bmHeight);
  HDC to = CreateCompatibleDC(screen);
  HDC from = CreateCompatibleDC(screen);
  HGDIOBJ oldTo = SelectObject(to, copy);
  HGDIOBJ oldFrom = SelectObject(from, source);
  RECT all{0, 0, info.bmWidth, info.bmHeight};
  FillRect(to, &all, GetSysColorBrush(COLOR_BTNFACE));
  BitBlt(to, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCAND);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return copy;
}

// A top-down 24-bit section; its bits and row stride through the out
// arguments.
HBITMAP MakeSection(int width, int height, std::uint8_t** bits, int* stride) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &memory, nullptr, 0);
  if (section != nullptr && memory == nullptr) {
    DeleteObject(section);
    return nullptr;
  }
  *bits = static_cast<std::uint8_t*>(memory);
  *stride = (width * 3 + 3) & ~3;
  return section;
}

// A 128 x 32 section holding the picture four times.
HBITMAP MakeStrip(const paint::ShapeThumbLevels& levels) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::vector<std::uint8_t> picture =
      paint::ShapeThumbnailPixels(levels, GetRValue(face), GetGValue(face), GetBValue(face));
  constexpr int kSize = paint::kShapeThumbSize;
  std::uint8_t* bits = nullptr;
  int stride = 0;
  HBITMAP strip = MakeSection(4 * kSize, kSize, &bits, &stride);
  if (strip == nullptr) return nullptr;
  for (int y = 0; y < kSize; ++y) {
    std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(y) * stride;
    for (int copy = 0; copy < 4; ++copy) std::memcpy(row + copy * kSize * 3, &picture[static_cast<std::size_t>(y) * kSize * 3], kSize * 3);
  }
  GdiFlush();
  return strip;
}

}  // namespace

HBITMAP StandardShapePicture(int index) {
  if (index < 0 || index >= 6) return nullptr;
  HBITMAP& cached = Cache().standard[static_cast<std::size_t>(index)];
  if (cached == nullptr) {
    HBITMAP loaded = LoadBitmapA(Module(), MAKEINTRESOURCEA(kStandardShapeBitmaps[index]));
    cached = ButtonFaceCopy(loaded);
    if (loaded != nullptr) DeleteObject(loaded);
  }
  return cached;
}

HBITMAP CustomShapePicture(const paint::CFileManager& store, const paint::FMItem& item) {
  auto& custom = Cache().custom;
  if (auto found = custom.find(item.File); found != custom.end()) return found->second;
  const WAPtr image = store.ReadFileFromProgramDir(item.File);
  const std::optional<paint::ShapeThumbLevels> levels = paint::RenderShapeThumbnail(image.get());
  HBITMAP strip = levels.has_value() ? MakeStrip(*levels) : nullptr;
  custom[item.File] = strip;
  return strip;
}

void ForgetShapePicture(const std::string& file) {
  auto& custom = Cache().custom;
  if (auto found = custom.find(file); found != custom.end()) {
    if (found->second != nullptr) DeleteObject(found->second);
    custom.erase(found);
  }
}

HBITMAP WidthPicture(int index) {
  if (index < 0 || index >= 6) return nullptr;
  HBITMAP& cached = Cache().widths[static_cast<std::size_t>(index)];
  if (cached == nullptr) cached = LoadBitmapA(Module(), kWidthBitmaps[index]);
  return cached;
}

HBITMAP EdgePicture(int index) {
  if (index < 0 || index >= 4) return nullptr;
  HBITMAP& cached = Cache().edges[static_cast<std::size_t>(index)];
  if (cached == nullptr) cached = LoadBitmapA(Module(), kEdgeBitmaps[index]);
  return cached;
}

HBITMAP PaperSample(const paint::CFileManager& store, const std::string& file, int width, int height) {
  const WAPtr image = store.ReadFileFromProgramDir(file);
  if (image == nullptr || image->GetType() != kWAType8Grey) return nullptr;
  const int w = std::min(width, image->GetW());
  const int h = std::min(height, image->GetH());
  std::uint8_t* bits = nullptr;
  int stride = 0;
  HBITMAP sample = w > 0 && h > 0 ? MakeSection(w, h, &bits, &stride) : nullptr;
  if (sample == nullptr) return nullptr;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = image->Row(y);
    std::uint8_t* to = bits + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < w; ++x) to[3 * x] = to[3 * x + 1] = to[3 * x + 2] = from[x];
  }
  GdiFlush();
  return sample;
}

void FreeShapePictures() {
  Pictures& p = Cache();
  auto release = [](HBITMAP& b) {
    if (b != nullptr) DeleteObject(b);
    b = nullptr;
  };
  for (HBITMAP& b : p.standard) release(b);
  for (HBITMAP& b : p.widths) release(b);
  for (HBITMAP& b : p.edges) release(b);
  for (auto& [file, b] : p.custom) {
    if (b != nullptr) DeleteObject(b);
  }
  p.custom.clear();
}

}  // namespace lumora
