// Resizes the program's main window N times, alternately narrower and
// wider, waiting between resizes: the dock-layout benchmark times each
// resize with the program's trace marks.
//
// usage: resize_probe <window class> <count>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND frame = nullptr;
  for (int i = 0; i < 300 && frame == nullptr; ++i) {
    frame = FindWindowA(argv[1], nullptr);
    if (frame == nullptr) Sleep(100);
  }
  if (frame == nullptr) {
    std::fprintf(stderr, "resize_probe: no window of class %s\n", argv[1]);
    return 1;
  }
  const int count = std::atoi(argv[2]);
  for (int i = 0; i < count; ++i) {
    const bool narrow = i % 2 == 0;
    SetWindowPos(frame, nullptr, 0, 0, narrow ? 700 : 1000, narrow ? 520 : 700,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(200);
  }
  return 0;
}
