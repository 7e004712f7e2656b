// Splash, About box, start wizard, language and hand-over.
#include "app/win/SmallWindows.h"

#include <direct.h>

#include <cstdio>
#include <vector>

#include "app/AboutBox.h"
#include "app/HandOver.h"
#include "app/Language.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

constexpr char kSplashClass[] = "LumoraSplash";
constexpr char kLogoClass[] = "VR_ABOUTBITMAPCLASS32";
constexpr UINT_PTR kSplashTimer = 2000;

// Paints a window with a bitmap at (0, 0).
void PaintBitmap(HWND window, HBITMAP bitmap) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (bitmap != nullptr) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(window, &ps);
}

bool splashEnabled = false;
HWND splashWindow = nullptr;
HBITMAP splashBitmap = nullptr;

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      RECT r{};
      GetWindowRect(window, &r);
      int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
      int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
      SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetTimer(window, kSplashTimer, 100, nullptr);
      return 0;
    }
    case WM_TIMER:
      return 0;  // the splash stays until a key or button press
    case WM_PAINT:
      PaintBitmap(window, splashBitmap);
      return 0;
    case WM_NCDESTROY:
      splashWindow = nullptr;
      if (splashBitmap != nullptr) DeleteObject(splashBitmap);
      splashBitmap = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void HideSplash() {
  if (splashWindow == nullptr) return;
  HWND owner = GetWindow(splashWindow, GW_OWNER);
  KillTimer(splashWindow, kSplashTimer);
  DestroyWindow(splashWindow);
  if (owner != nullptr) UpdateWindow(owner);
}

}  // namespace

void EnableSplashScreen(bool enable) { splashEnabled = enable; }

void ShowSplashScreen(HWND parent) {
  if (!splashEnabled || splashWindow != nullptr) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  splashBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SPLASH));
  if (splashBitmap == nullptr) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = SplashProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kSplashClass;
  RegisterClassA(&wc);  // fails harmlessly when registered already
  BITMAP info{};
  GetObject(splashBitmap, sizeof info, &info);
  splashWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kSplashClass, "", WS_POPUP | WS_VISIBLE, 0, 0, info.bmWidth,
                                 info.bmHeight, parent, nullptr, instance, nullptr);
  if (splashWindow == nullptr) {
    DeleteObject(splashBitmap);
    splashBitmap = nullptr;
    return;
  }
  UpdateWindow(splashWindow);
}

bool IsSplashShown() { return splashWindow != nullptr; }

void BringSplashToTop() {
  if (splashWindow != nullptr) SetWindowPos(splashWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool SplashPreTranslate(const MSG& msg) {
  if (splashWindow == nullptr) return false;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      HideSplash();
      return true;
    default:
      return false;
  }
}

namespace {

// The logo control: WM_SETTEXT names a bitmap of the program; a click
// tells the parent.
LRESULT CALLBACK LogoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  constexpr int kBitmapSlot = sizeof(LONG_PTR);
  auto bitmap = [&] { return reinterpret_cast<HBITMAP>(GetWindowLongPtrA(window, kBitmapSlot)); };
  switch (message) {
    case WM_SETTEXT: {
      const char* name = reinterpret_cast<const char*>(lParam);
      if (name != nullptr && *name != 0) {
        HBITMAP loaded = LoadBitmapA(GetModuleHandleA(nullptr), name);
        if (HBITMAP old = bitmap()) DeleteObject(old);
        SetWindowLongPtrA(window, kBitmapSlot, reinterpret_cast<LONG_PTR>(loaded));
        InvalidateRect(window, nullptr, TRUE);
      }
      break;
    }
    case WM_PAINT:
      PaintBitmap(window, bitmap());
      return 0;
    case WM_LBUTTONDOWN:
      SendMessageA(GetParent(window), WM_COMMAND, GetDlgCtrlID(window), reinterpret_cast<LPARAM>(window));
      return 0;
    case WM_DESTROY:
      if (HBITMAP b = bitmap()) DeleteObject(b);
      SetWindowLongPtrA(window, kBitmapSlot, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CentreOnDesktop(HWND dialog) {
  RECT r{};
  GetWindowRect(dialog, &r);
  SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

std::string DiskSpaceText() {
  char root[] = "A:\\";
  root[0] = static_cast<char>('A' + _getdrive() - 1);
  ULARGE_INTEGER freeBytes{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExA(root, &freeBytes, &total, &totalFree)) return std::string(res::String(IDS_DISK_UNAVAILABLE));
  return FormatDiskFree(std::string(res::String(IDS_DISK_FREE)), freeBytes.QuadPart, root[0]);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    char text[64];
    // 64 bits: "%ldB" of a 32-bit field is wrong above 2 GB.
    std::snprintf(text, sizeof text, "%lluB", static_cast<unsigned long long>(memory.ullAvailPhys));
    SetDlgItemTextA(dialog, IDC_ABOUT_MEMORY, text);
    SetDlgItemTextA(dialog, IDC_ABOUT_DISK, DiskSpaceText().c_str());
    SetDlgItemTextA(dialog, IDC_ABOUT_LOGO, "LOGO");
    CentreOnDesktop(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    UINT id = LOWORD(wParam);
    if (id == IDOK || id == IDCANCEL) {
      EndDialog(dialog, id);
    } else if (id == IDC_ABOUT_LOGO) {
      ShowWindow(GetDlgItem(dialog, IDOK), SW_SHOW);
    }
    return TRUE;
  }
  return FALSE;
}

struct WizardContext {
  const void* site;
};

INT_PTR CALLBACK WizardProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    CentreOnDesktop(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    auto* context = reinterpret_cast<WizardContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
    int dontShow = IsDlgButtonChecked(dialog, IDC_STARTWIZARD_DONT_SHOW) == BST_CHECKED ? 1 : 0;
    LUWriteProfileInt(context->site, "STARTWIZARD", "STARTWIZARD", dontShow);
    EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowAboutBox(HWND parent) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = LogoProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(6);
  wc.lpszClassName = kLogoClass;
  RegisterClassA(&wc);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), parent, AboutProc, 0);
  UnregisterClassA(kLogoClass, instance);
}

void OfferStartWizard(HWND mainWindow, const void* site, int stored) {
  if (stored != 0) return;
  WizardContext context{site};
  INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), "STARTWIZARD", mainWindow, WizardProc,
                                   reinterpret_cast<LPARAM>(&context));
  if (answer == 1) SendMessageA(mainWindow, WM_COMMAND, ID_HELP_EFFECT_WIZARD, 0);
}

std::uint16_t ReadUILanguageFrom(const std::string& folder) {
  std::unique_ptr<fw::Profile> file = fw::OpenProfile(folder + kLanguageFile);
  return ReadUILanguage(*file, GetSystemDefaultLangID());
}

HRSRC FindResourceLang(HMODULE module, const char* name, const char* type, std::uint16_t language) {
  HRSRC found = FindResourceExA(module, type, name, language);
  return found != nullptr ? found : FindResourceA(module, name, type);
}

HWND FindRunningMainFrame() { return FindWindowA(kMainFrameClass, nullptr); }

namespace {
// How long a start waits for the running program to take its file, and
// then for a program that refused it to end.
constexpr DWORD kHandOverWaitMs = 60000;
}  // namespace

HandOver HandOverFile(HWND target, const std::string& path) {
  DWORD processId = 0;
  GetWindowThreadProcessId(target, &processId);
  HANDLE process = processId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr;
  // WM_DROPFILES carries a global handle that means nothing in another
  // process; WM_COPYDATA copies the block across. A program still starting
  // or busy on a loaded machine answers late: it is waited for, not taken
  // for hung.
  std::vector<std::uint8_t> block = MakeDropFilesBlock(path);
  COPYDATASTRUCT data{kHandOverCopyData, static_cast<DWORD>(block.size()), block.data()};
  DWORD_PTR answer = 0;
  const LRESULT sent = SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                           kHandOverWaitMs, &answer);
  HandOver result = HandOver::kTaken;
  if (sent == 0 || answer == 0) {
    // Not taken: a program on its way out (its window already gone, or
    // refusing while it closes) leaves the start to this one once it ended.
    result = HandOver::kNoAnswer;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kHandOverWaitMs;) {
      if (!IsWindow(target) || (process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0)) {
        result = HandOver::kGone;
        break;
      }
      Sleep(50);
    }
  }
  if (process != nullptr) CloseHandle(process);
  return result;
}

bool HandOverUser(HWND target) {
  COPYDATASTRUCT data{kTakeUserCopyData, 0, nullptr};
  DWORD_PTR answer = 0;
  LRESULT sent = SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                     30000, &answer);
  return sent != 0 && answer != 0;
}

}  // namespace lumora
