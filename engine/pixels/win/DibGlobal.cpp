// Global-memory DIBs and HBITMAP conversions through GDI.
#include "engine/pixels/win/DibGlobal.h"

#include <cstring>
#include <vector>

#include "engine/pixels/Dib.h"
#include "engine/pixels/ImagePlacement.h"

namespace {

constexpr UINT kDibAllocFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE;

// A locked block of `bytes`, or null.
void* AllocLocked(std::size_t bytes) {
  HGLOBAL block = GlobalAlloc(kDibAllocFlags, bytes);
  if (block == nullptr) return nullptr;
  void* data = GlobalLock(block);
  if (data == nullptr) GlobalFree(block);
  return data;
}

// The screen's device context for the life of a conversion.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Raises a bitmap's bits per pixel to a depth buffers have.
int BufferDepth(int bits) {
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  return 24;
}

int TypeOfDepth(int bits, const RGBQUAD* table) {
  switch (bits) {
    case 1: return kWAType1Bit;
    case 4: return kWAType4Bit;
    case 8:
      for (int i = 0; i < 256; ++i) {
        if (table[i].rgbRed != i || table[i].rgbGreen != i || table[i].rgbBlue != i) return kWAType8Palette;
      }
      return kWAType8Grey;
    default: return kWAType24;
  }
}

// Header and colour table of a DIB as GDI takes them.
struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

DibHeader MakeHeader(LONG width, LONG height, int bits, int colours) {
  DibHeader dib = {};
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = width;
  dib.header.biHeight = height;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = static_cast<WORD>(bits);
  dib.header.biCompression = BI_RGB;
  dib.header.biSizeImage = static_cast<DWORD>((static_cast<std::int64_t>(width) * bits + 31) / 32 * 4 * height);
  dib.header.biClrUsed = static_cast<DWORD>(colours);
  dib.header.biClrImportant = static_cast<DWORD>(colours);
  return dib;
}

// The palette index nearest to a colour (exact when the table has it).
int NearestEntry(const RGBQUAD* table, int count, const std::uint8_t* bgr) {
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < count && bestDistance != 0; ++i) {
    const int db = table[i].rgbBlue - bgr[0], dg = table[i].rgbGreen - bgr[1], dr = table[i].rgbRed - bgr[2];
    const int distance = db * db + dg * dg + dr * dr;
    if (distance < bestDistance) best = i, bestDistance = distance;
  }
  return best;
}

// One row of 24-bit pixels as indexes of `bits` each into the table.
void IndexRow(std::uint8_t* out, const std::uint8_t* bgr, int width, int bits, const RGBQUAD* table, int count) {
  int last = -1;
  std::uint32_t lastColour = 0;
  for (int x = 0; x < width; ++x, bgr += 3) {
    const std::uint32_t colour = bgr[0] | bgr[1] << 8 | bgr[2] << 16;
    if (last < 0 || colour != lastColour) last = NearestEntry(table, count, bgr), lastColour = colour;
    const int bit = x * bits;
    out[bit / 8] |= static_cast<std::uint8_t>(last << (8 - bits - bit % 8));
  }
}

// The bitmap's pixels as rows of `dib` (zero-filled): GetDIBits gives
// them at 24 bits, and shallower DIBs take the nearest entry of their own
// table, which GDI's own conversion would replace. False on failure.
bool ConvertBitmap(HBITMAP bitmap, const DibHeader& dib, std::uint8_t* out) {
  ScreenDC screen;
  if (screen.get() == nullptr) return false;
  const BITMAPINFOHEADER& h = dib.header;
  DibHeader query = MakeHeader(h.biWidth, h.biHeight, 24, 0);
  std::vector<std::uint8_t> pixels(query.header.biSizeImage);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(h.biHeight), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&query), DIB_RGB_COLORS) != h.biHeight) {
    return false;
  }
  if (h.biBitCount == 24) {
    std::memcpy(out, pixels.data(), pixels.size());
    return true;
  }
  const std::size_t rowBytes = h.biSizeImage / static_cast<std::size_t>(h.biHeight);
  const std::size_t pixelRowBytes = query.header.biSizeImage / static_cast<std::size_t>(h.biHeight);
  for (LONG y = 0; y < h.biHeight; ++y) {
    IndexRow(out + rowBytes * y, pixels.data() + pixelRowBytes * y, h.biWidth, h.biBitCount, dib.colours,
             static_cast<int>(h.biClrUsed));
  }
  return true;
}

// Packed DIB of the bitmap at `bits` with the given colour table (null for
// 24 bits); null on failure.
BITMAPINFOHEADER* BitmapToPackedDIB(HBITMAP bitmap, int bits, const RGBQUAD* colours, int colourCount) {
  BITMAP info = {};
  if (bitmap == nullptr || GetObject(bitmap, sizeof info, &info) == 0) return nullptr;
  DibHeader dib = MakeHeader(info.bmWidth, info.bmHeight, bits, colourCount);
  if (colours != nullptr) std::memcpy(dib.colours, colours, sizeof(RGBQUAD) * colourCount);
  const std::size_t headerBytes = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * colourCount;
  auto* packed = static_cast<BITMAPINFOHEADER*>(AllocLocked(headerBytes + dib.header.biSizeImage));
  if (packed == nullptr) return nullptr;
  std::memcpy(packed, &dib, headerBytes);
  if (!ConvertBitmap(bitmap, dib, reinterpret_cast<std::uint8_t*>(packed) + headerBytes)) {
    FreeGlobalDIB(packed);
    return nullptr;
  }
  return packed;
}

}  // namespace

VrWA2000::WA* GlobalDIBToImage(HGLOBAL dib, int toRGB) {
  if (dib == nullptr) return nullptr;
  const auto* data = static_cast<const std::uint8_t*>(GlobalLock(dib));
  if (data == nullptr) return nullptr;
  VrWA2000::WA* image = DIBToImage(data, GlobalSize(dib), toRGB);
  GlobalUnlock(dib);
  return image;
}

VrWA2000::WA* BitmapToImage(HBITMAP bitmap, HPALETTE palette) {
  BITMAP info = {};
  if (bitmap == nullptr || GetObject(bitmap, sizeof info, &info) == 0) return nullptr;
  const int bits = BufferDepth(info.bmPlanes * info.bmBitsPixel);
  DibHeader dib = MakeHeader(info.bmWidth, info.bmHeight, bits, bits == 24 ? 0 : 1 << bits);
  ScreenDC screen;
  if (screen.get() == nullptr) return nullptr;
  HPALETTE used = palette != nullptr ? palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  HPALETTE previous = SelectPalette(screen.get(), used, FALSE);
  RealizePalette(screen.get());
  // One call fills the colour table and converts every line into a block
  // laid out as the buffer's rows are.
  std::vector<std::uint8_t> pixels(dib.header.biSizeImage);
  const int lines = GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS);
  SelectPalette(screen.get(), previous, FALSE);
  if (lines != info.bmHeight) return nullptr;
  PALETTEENTRY entries[256] = {};
  for (int i = 0; i < 256; ++i) entries[i] = {dib.colours[i].rgbRed, dib.colours[i].rgbGreen, dib.colours[i].rgbBlue, 0};
  VrWA2000::WA* image = NewWAWithPalette(TypeOfDepth(bits, dib.colours), info.bmWidth, info.bmHeight, entries);
  if (image == nullptr) return nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(image->GetBPLine());
  for (int y = 0; y < image->GetH(); ++y) std::memcpy(image->Row(y), pixels.data() + rowBytes * y, rowBytes);
  return image;
}

BITMAPINFOHEADER* ImageToDIB(const VrWA2000::WA* image, const RECT& rect) {
  const std::size_t bytes = ImageToDIBSize(image, rect);
  if (bytes == 0) return nullptr;
  auto* dib = static_cast<BITMAPINFOHEADER*>(AllocLocked(bytes));
  if (dib != nullptr) WriteImageToDIB(image, rect, reinterpret_cast<std::uint8_t*>(dib));
  return dib;
}

BITMAPINFOHEADER* BitmapToDIB(const VrWA2000::WA* image, HBITMAP bitmap) {
  if (image == nullptr) return nullptr;
  const int bits = VrWA2000::BitsPerPixelOfType(image->GetType());
  if (bits == 0) return nullptr;
  const int colours = bits == 24 ? 0 : 1 << bits;
  RGBQUAD table[256] = {};
  PALETTEENTRY palette[256] = {};
  image->GetPaletteEntries(0, static_cast<std::uint16_t>(colours), palette);
  for (int i = 0; i < colours; ++i) {
    const bool grey = image->GetType() == kWAType8Grey;
    table[i] = grey ? RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0}
                    : RGBQUAD{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
  }
  return BitmapToPackedDIB(bitmap, bits, colours == 0 ? nullptr : table, colours);
}

BITMAPINFOHEADER* BitmapToDIB24(HBITMAP bitmap) { return BitmapToPackedDIB(bitmap, 24, nullptr, 0); }

void FreeGlobalDIB(const void* dib) {
  if (dib == nullptr) return;
  HGLOBAL block = GlobalHandle(dib);
  if (block == nullptr) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

int OpenImageAsDocument(void*, void* image, int isDIB, int toRGB) {
  if (isDIB == 0) return lumora::PlaceImageAsDocument(static_cast<VrWA2000::WA*>(image));
  HGLOBAL block = static_cast<HGLOBAL>(image);
  VrWA2000::WA* converted = GlobalDIBToImage(block, toRGB);
  if (block != nullptr) GlobalFree(block);
  return lumora::PlaceImageAsDocument(converted);
}
