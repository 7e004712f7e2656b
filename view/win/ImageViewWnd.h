// The image view's window class "VR_LUIMAGEVIEW40" and the two pointers its
// windows keep in their extra bytes: the view and the document.
#pragma once

#include <windows.h>

namespace lumora {

class CLumo40View;
class CLumo40Doc;

constexpr char kImageViewClass[] = "VR_LUIMAGEVIEW40";

// Registers the class once (the tie to the framework's window procedure,
// two pointer-wide extra words, icon 181, arrow cursor, window colour).
bool RegisterImageViewClass();
// By window class.
bool IsImageViewWnd(HWND window);
CLumo40View* GetViewFromWnd(HWND window);
CLumo40Doc* GetDocFromWnd(HWND window);
void SetViewOfWnd(HWND window, CLumo40View* view);
void SetDocOfWnd(HWND window, CLumo40Doc* doc);

}  // namespace lumora
