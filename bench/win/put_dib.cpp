// Puts a 32-bit DIB of noise (blue, green, red, unused) on the clipboard as
// CF_DIB, as another Windows program would, for bench/clipboard-marks.
//
// Usage: put_dib WIDTH HEIGHT
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: put_dib WIDTH HEIGHT\n");
    return 2;
  }
  const long width = std::strtol(argv[1], nullptr, 10), height = std::strtol(argv[2], nullptr, 10);
  if (width <= 0 || height <= 0 || width > 30000 || height > 30000) return 2;
  const SIZE_T bytes = sizeof(BITMAPINFOHEADER) + static_cast<SIZE_T>(width) * height * 4;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return 3;
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  std::memset(header, 0, sizeof *header);
  header->biSize = sizeof *header;
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = 32;
  header->biCompression = BI_RGB;
  auto* pixels = reinterpret_cast<std::uint32_t*>(header + 1);
  std::uint32_t state = 0x2545F491u;
  for (SIZE_T i = 0; i < static_cast<SIZE_T>(width) * height; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    pixels[i] = state & 0x00FFFFFFu;
  }
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) return 4;
  EmptyClipboard();
  const bool put = SetClipboardData(CF_DIB, block) != nullptr;
  CloseClipboard();
  if (!put) {
    GlobalFree(block);
    return 5;
  }
  return 0;
}
