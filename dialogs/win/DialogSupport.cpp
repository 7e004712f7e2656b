// The dialog font, the two dialog window classes and the dialog hook.
#include "dialogs/win/DialogSupport.h"

#include "hostapi/comdlg.h"
#include "hostapi/controls.h"

namespace lumora {
namespace {

class DialogFontHolder {
 public:
  DialogFontHolder() {
    LOGFONTA lf{};
    lf.lfHeight = -11;
    lstrcpynA(lf.lfFaceName, "Ms Sans Serif", LF_FACESIZE);
    font_.created = CreateFontIndirectA(&lf);
    font_.effective = font_.created != nullptr ? font_.created : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  }
  ~DialogFontHolder() {
    if (font_.created != nullptr) DeleteObject(font_.created);
  }
  const DialogFont& Font() const { return font_; }

 private:
  DialogFont font_;
};

// Built with the program's static objects, before start-up.
const DialogFontHolder gDialogFont;

LRESULT CALLBACK CustomNcDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE && !IsIconic(window)) VrCtlSetUpNonClient(window);
  return VrCtlDialogWindowProc(window, message, wParam, lParam);
}

}  // namespace

const DialogFont& TheDialogFont() { return gDialogFont.Font(); }

ATOM RegisterWaitDialogClass() {
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS | CS_BYTEALIGNWINDOW;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWaitDialogClass;
  if (ATOM existing = static_cast<ATOM>(GetClassInfoA(wc.hInstance, kWaitDialogClass, &wc))) return existing;
  return RegisterClassA(&wc);
}

bool RegisterCustomNcDialogClass(HINSTANCE instance) {
  auto module = static_cast<HINSTANCE>(VrCtlModule());
  if (module == nullptr) return false;
  WNDCLASSA wc{};
  if (!GetClassInfoA(module, kVrCtlNcDialogClass, &wc)) return false;
  WNDCLASSA mine{};
  if (GetClassInfoA(instance, kCustomNcDialogClass, &mine)) return true;
  wc.hInstance = instance;
  wc.lpfnWndProc = CustomNcDialogProc;
  wc.lpszClassName = kCustomNcDialogClass;
  return RegisterClassA(&wc) != 0;
}

void UnregisterCustomNcDialogClass(HINSTANCE instance) { UnregisterClassA(kCustomNcDialogClass, instance); }

int DialogMessageHook(void*, const LU_MSG* message, void* context, std::intptr_t*) {
  auto window = static_cast<HWND>(context);
  if (message == nullptr || window == nullptr || !IsWindow(window)) return kLUHookPass;
  MSG msg{};
  msg.hwnd = static_cast<HWND>(message->window);
  msg.message = message->message;
  msg.wParam = message->wParam;
  msg.lParam = message->lParam;
  return IsDialogMessageA(window, &msg) ? kLUHookHandled : kLUHookPass;
}

std::function<void()>& ReturnColourWindowToMain() {
  static std::function<void()> giveBack;
  return giveBack;
}

bool DialogColourWindow::Held() const {
  return window_ != nullptr && IsWindow(window_) && LUIsSelColorWindowOpened(nullptr);
}

bool DialogColourWindow::Open(HWND dialog, COLORREF colour) {
  if (!Held() && !LUIsSelColorWindowOpened(nullptr) &&
      LUOpenSelColorWindow(nullptr, LUGetActiveOLEFrameWnd(nullptr), dialog, colour) == 0) {
    return false;
  }
  window_ = static_cast<HWND>(LUShowSelColorWindow(nullptr, dialog, colour));
  return true;
}

void DialogColourWindow::Bind(HWND dialog, COLORREF colour) {
  if (!LUIsSelColorWindowOpened(nullptr)) return;
  if (Held()) {
    SendMessageA(window_, kColourWindowBind, reinterpret_cast<WPARAM>(dialog), 0);
    SendMessageA(window_, kColourWindowSet, 0, static_cast<LPARAM>(colour));
  } else {
    window_ = static_cast<HWND>(LUShowSelColorWindow(nullptr, dialog, colour));
  }
}

void DialogColourWindow::Show(COLORREF colour) const {
  if (Held()) SendMessageA(window_, kColourWindowSet, 0, static_cast<LPARAM>(colour));
}

void DialogColourWindow::Close() {
  if (Held()) LUCloseSelColorWindow(nullptr);
  window_ = nullptr;
}

void DialogColourWindow::GiveBack() {
  if (LUIsSelColorWindowOpened(nullptr) && ReturnColourWindowToMain()) ReturnColourWindowToMain()();
  window_ = nullptr;
}

}  // namespace lumora
