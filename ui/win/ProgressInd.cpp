// Dialog 306 and the busy-cursor face of the progress indicator, its pump
// and the messages kept until it closes.
#include "ui/win/ProgressInd.h"

#include <commctrl.h>

#include "framework/win/Dialog.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

ProgressHost gHost;
std::unique_ptr<ProgressService> gService;
int gOpen = 0;            // indicators alive
std::vector<MSG> gDeferred;

std::uint64_t MillisecondsNow() {
  LARGE_INTEGER frequency{}, counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint64_t>(counter.QuadPart) * 1000u / static_cast<std::uint64_t>(frequency.QuadPart);
}

HCURSOR Arrow() { return LoadCursor(nullptr, IDC_ARROW); }
HCURSOR Wait() { return LoadCursor(nullptr, IDC_WAIT); }

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 100);
      SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
      SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
      return FALSE;
    case WM_COMMAND:
      // Enter and Escape reach the dialog as OK and Cancel: the pump reads
      // Escape itself, and the indicator only closes with its operation.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_CLOSE:
      return TRUE;
    default:
      return FALSE;
  }
}

// The windows the indicator disables: the main window and the top-level
// windows of this thread it owns (or the owner's, without a main window).
struct DisableWalk {
  HWND root;
  HWND except;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
  auto* walk = reinterpret_cast<DisableWalk*>(param);
  if (window == walk->except || !IsWindowEnabled(window)) return TRUE;
  if (window != walk->root && GetAncestor(window, GA_ROOTOWNER) != walk->root) return TRUE;
  EnableWindow(window, FALSE);
  walk->disabled->push_back(window);
  return TRUE;
}

void PostDeferred() {
  std::vector<MSG> kept;
  kept.swap(gDeferred);
  for (const MSG& m : kept) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
    } else if (m.hwnd == nullptr || IsWindow(m.hwnd)) {
      PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
    }
  }
}

}  // namespace

CProgressInd::CProgressInd(const ProgressHost& host) : host_(host) {
  shown_ = host.showDialog ? host.showDialog() : true;
  owner_ = host.activeTopLevel ? host.activeTopLevel() : nullptr;
  ++gOpen;
}

std::unique_ptr<CProgressInd> CProgressInd::Open(const ProgressHost& host, const std::string& caption) {
  std::unique_ptr<CProgressInd> ind(new CProgressInd(host));
  ind->hwnd_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), ind->owner_,
                                  ProgressDlgProc, 0);
  if (ind->hwnd_ == nullptr) return nullptr;
  if (ind->shown_ && ind->owner_ != nullptr && IsWindowVisible(ind->owner_)) {
    fw::CentreOnOwner(ind->hwnd_);
    ShowWindow(ind->hwnd_, SW_SHOW);
    SetClassLongPtrA(ind->hwnd_, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(Wait()));
    HWND main = host.mainWindow ? host.mainWindow() : nullptr;
    if (main != nullptr) SetClassLongPtrA(main, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(Wait()));
    SetCursor(Wait());
    SetFocus(ind->hwnd_);
  }
  HWND main = host.mainWindow ? host.mainWindow() : nullptr;
  DisableWalk walk{main != nullptr ? main : ind->owner_, ind->hwnd_, &ind->disabled_};
  if (walk.root != nullptr) EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&walk));
  ind->SetText(caption);
  return ind;
}

CProgressInd::~CProgressInd() {
  if (shown_ && hwnd_ != nullptr) SetClassLongPtrA(hwnd_, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(Arrow()));
  // Only what the indicator disabled comes back (a modal dialog keeps its
  // owner disabled).
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (prompt_ != 0 && host_.clearPrompt) host_.clearPrompt(prompt_);
  SetCursor(Arrow());
  HWND main = host_.mainWindow ? host_.mainWindow() : nullptr;
  if (main != nullptr && IsWindow(main)) SetClassLongPtrA(main, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(Arrow()));
  if (--gOpen == 0) PostDeferred();
}

void CProgressInd::SetText(const std::string& caption) {
  caption_ = caption;
  if (shown_) {
    SetDlgItemTextA(hwnd_, IDC_PROGRESS_TEXT, caption.c_str());
    return;
  }
  if (prompt_ == 0 && host_.addPrompt) prompt_ = host_.addPrompt();
  if (prompt_ != 0 && host_.setPrompt) host_.setPrompt(prompt_, caption);
}

bool CProgressInd::SetCancelable(bool cancelable) {
  const bool previous = cancelable_;
  cancelable_ = cancelable;
  return previous;
}

bool CProgressInd::Step(std::int64_t position, std::int64_t total) {
  // Long operations step once a row. Setting the cursor and looking at the
  // queue cost a call to the window system each (about a third of a
  // millisecond under Wine, more than many rows take): a step that changes
  // nothing on screen does them only once the look interval has passed.
  const std::optional<int> onScreen =
      shown_ ? ProgressBarPosition(position, total) : ProgressCursorFrame(position, total);
  const std::uint64_t now = MillisecondsNow();
  const bool moved = onScreen.has_value() && *onScreen != lastShownStep_;
  if (!moved && now - lastLook_ < kLookIntervalMs) return false;
  lastLook_ = now;
  if (onScreen) lastShownStep_ = *onScreen;
  if (shown_) {
    SetCursor(Wait());
    if (const std::optional<int> bar = ProgressBarPosition(position, total)) {
      SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(*bar), 0);
    }
  } else {
    // While another program is in front its cursor is left alone.
    HWND front = GetForegroundWindow();
    const bool ours = front != nullptr && GetWindowThreadProcessId(front, nullptr) == GetCurrentThreadId();
    if (!cancelable_ || ours) {
      if (const std::optional<int> frame = ProgressCursorFrame(position, total)) {
        HCURSOR cursor = host_.frames[*frame];
        SetCursor(cursor != nullptr ? cursor : Wait());
      }
    }
  }
  return cancelable_ && Pump();
}

bool CProgressInd::Pump() {
  MSG msg;
  for (int examined = 0; examined < 17; ++examined) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    switch (ClassifyPumpedMessage(msg.message, msg.wParam, cancelable_, host_.programDeferred)) {
      case PumpAction::kCancel:
        return true;
      case PumpAction::kDefer:
        gDeferred.push_back(msg);
        break;
      case PumpAction::kDispatch:
        if (shown_ && IsDialogMessageA(hwnd_, &msg)) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        break;
    }
  }
  return false;
}

void InstallProgressIndicator(const ProgressHost& host) {
  gHost = host;
  gService = std::make_unique<ProgressService>(
      [](const std::string& caption) -> std::unique_ptr<ProgressWindow> { return CProgressInd::Open(gHost, caption); },
      [](int id) { return std::string(res::String(static_cast<std::uint32_t>(id))); });
  SetProgressIndicator(gService.get());
}

void RemoveProgressIndicator() {
  if (GetProgressIndicator() == gService.get()) SetProgressIndicator(nullptr);
  gService.reset();
}

ProgressService* TheProgress() { return gService.get(); }

bool ProgressIsRunning() { return gOpen > 0; }

void DeferUntilProgressEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  gDeferred.push_back(msg);
}

ProgressWindow* ProgressBegin(const std::string& caption) {
  return gService != nullptr ? gService->Begin(caption) : nullptr;
}

}  // namespace lumora
