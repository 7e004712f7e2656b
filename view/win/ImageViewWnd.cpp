// The image view's window class and its extra words.
#include "view/win/ImageViewWnd.h"

#include <cstring>

#include "framework/win/App.h"
#include "res/resource.h"

namespace lumora {

namespace {

// The view pointer, then the document pointer, each pointer-wide.
constexpr int kViewWord = 0;
constexpr int kDocWord = static_cast<int>(sizeof(LONG_PTR));

}  // namespace

bool RegisterImageViewClass() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  return !fw::App::RegisterWindowClass(kImageViewClass, CS_DBLCLKS, 2 * static_cast<int>(sizeof(LONG_PTR)),
                                       LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                       LoadIconA(instance, MAKEINTRESOURCEA(IDR_IMAGE_DOC)))
              .empty();
}

bool IsImageViewWnd(HWND window) {
  if (window == nullptr || !IsWindow(window)) return false;
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return std::strcmp(name, kImageViewClass) == 0;
}

CLumo40View* GetViewFromWnd(HWND window) {
  if (!IsImageViewWnd(window)) return nullptr;
  return reinterpret_cast<CLumo40View*>(GetWindowLongPtrA(window, kViewWord));
}

CLumo40Doc* GetDocFromWnd(HWND window) {
  if (!IsImageViewWnd(window)) return nullptr;
  return reinterpret_cast<CLumo40Doc*>(GetWindowLongPtrA(window, kDocWord));
}

void SetViewOfWnd(HWND window, CLumo40View* view) {
  if (IsImageViewWnd(window)) SetWindowLongPtrA(window, kViewWord, reinterpret_cast<LONG_PTR>(view));
}

void SetDocOfWnd(HWND window, CLumo40Doc* doc) {
  if (IsImageViewWnd(window)) SetWindowLongPtrA(window, kDocWord, reinterpret_cast<LONG_PTR>(doc));
}

}  // namespace lumora
