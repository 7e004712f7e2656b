// Puts a file's bytes on the clipboard, as another Windows program would:
// as CF_DIB, or under a registered format's name. For bench/hostile-inputs.
//
// Usage: put_clip FILE (dib | FORMAT-NAME)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: put_clip FILE (dib | FORMAT-NAME)\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return 3;
  const std::string name = argv[2];
  const UINT format = name == "dib" ? CF_DIB : RegisterClipboardFormatA(name.c_str());
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block == nullptr || format == 0) return 3;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) return 4;
  EmptyClipboard();
  const bool put = SetClipboardData(format, block) != nullptr;
  CloseClipboard();
  if (!put) {
    GlobalFree(block);
    return 5;
  }
  return 0;
}
