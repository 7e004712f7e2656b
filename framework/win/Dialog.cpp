// Dialogs, their modal loop, data exchange with real controls, and
// property sheets.
#include "framework/win/Dialog.h"

#include <cstring>
#include <functional>

#include "framework/CommandIds.h"
#include "framework/IdleTracker.h"
#include "framework/WindowPlace.h"
#include "framework/win/App.h"

namespace fw {
namespace {

constexpr INT_PTR kWizardFinished = 0x3025;  // the Finish button's id

// Runs messages until `done`: idle work (the window's WM_KICKIDLE, then the
// app's) goes on while the queue is empty.
void RunModal(HWND window, const std::function<bool()>& done) {
  IdleTracker tracker;
  bool idle = true;
  MSG msg;
  while (!done()) {
    while (idle && !done() && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      int count = tracker.NextCount();
      SendMessageA(window, kMsgKickIdle, MSGF_DIALOGBOX, count);
      idle = TheApp() != nullptr && TheApp()->IdleInModalLoop(count);
    }
    if (done()) break;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the main loop must see it too
      break;
    }
    if (msg.message == kMsgKickIdle) continue;
    bool taken = TheApp() != nullptr && TheApp()->PreTranslateMessage(&msg);
    if (!taken) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (tracker.RestartsIdle(msg.message, msg.pt.x, msg.pt.y)) idle = true;
  }
}

bool SameClass(HWND h, const char* cls) {
  char name[32] = {};
  GetClassNameA(h, name, sizeof(name));
  return _stricmp(name, cls) == 0;
}

// The sheet is up with its pages: it opens over its owner.
int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) CentreOnOwner(sheet);
  return 0;
}

}  // namespace

void CentreOnOwner(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  const bool overOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(overOwner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT over = monitor.rcWork;
  if (overOwner) GetWindowRect(owner, &over);
  RECT own{};
  GetWindowRect(window, &own);
  const POINT at = CentredPlace(SIZE{own.right - own.left, own.bottom - own.top}, over, monitor.rcWork);
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Win32DialogControls

bool Win32DialogControls::IsClass(std::uint32_t id, const char* cls) const {
  return SameClass(GetDlgItem(dialog_, static_cast<int>(id)), cls);
}

std::string Win32DialogControls::GetText(std::uint32_t id) {
  HWND h = GetDlgItem(dialog_, static_cast<int>(id));
  int n = GetWindowTextLengthA(h);
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  GetWindowTextA(h, text.data(), n + 1);
  text.resize(std::strlen(text.c_str()));
  return text;
}

void Win32DialogControls::SetText(std::uint32_t id, const std::string& text) {
  SetDlgItemTextA(dialog_, static_cast<int>(id), text.c_str());
}

int Win32DialogControls::GetCheck(std::uint32_t id) {
  return static_cast<int>(IsDlgButtonChecked(dialog_, static_cast<int>(id)));
}

void Win32DialogControls::SetCheck(std::uint32_t id, int check) {
  CheckDlgButton(dialog_, static_cast<int>(id), static_cast<UINT>(check));
}

std::vector<std::uint32_t> Win32DialogControls::RadioGroup(std::uint32_t firstId) {
  std::vector<std::uint32_t> ids;
  HWND h = GetDlgItem(dialog_, static_cast<int>(firstId));
  while (h != nullptr) {
    LONG style = GetWindowLongA(h, GWL_STYLE);
    LONG type = style & BS_TYPEMASK;
    if (SameClass(h, "Button") && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)) {
      ids.push_back(static_cast<std::uint32_t>(GetDlgCtrlID(h)));
    }
    h = GetWindow(h, GW_HWNDNEXT);
    if (h != nullptr && (GetWindowLongA(h, GWL_STYLE) & WS_GROUP)) break;  // the next group starts
  }
  return ids;
}

int Win32DialogControls::GetSelection(std::uint32_t id) {
  UINT msg = IsClass(id, "ComboBox") ? CB_GETCURSEL : LB_GETCURSEL;
  return static_cast<int>(SendDlgItemMessageA(dialog_, static_cast<int>(id), msg, 0, 0));
}

void Win32DialogControls::SetSelection(std::uint32_t id, int index) {
  UINT msg = IsClass(id, "ComboBox") ? CB_SETCURSEL : LB_SETCURSEL;
  SendDlgItemMessageA(dialog_, static_cast<int>(id), msg, static_cast<WPARAM>(index), 0);
}

void Win32DialogControls::SelectComboString(std::uint32_t id, const std::string& text) {
  LRESULT i = SendDlgItemMessageA(dialog_, static_cast<int>(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(text.c_str()));
  if (i != CB_ERR) {
    SendDlgItemMessageA(dialog_, static_cast<int>(id), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  } else {
    SetText(id, text);  // a drop-down combo's edit takes any text
  }
}

void Win32DialogControls::Focus(std::uint32_t id) {
  HWND h = GetDlgItem(dialog_, static_cast<int>(id));
  if (h == nullptr) return;
  SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
  if (SameClass(h, "Edit")) SendMessageA(h, EM_SETSEL, 0, -1);
}

void Win32DialogControls::ShowMessage(const std::string& text) {
  if (TheApp() != nullptr) {
    TheApp()->DoMessageBox(text, MB_OK | MB_ICONEXCLAMATION, 0);
  } else {
    MessageBoxA(dialog_, text.c_str(), "", MB_OK | MB_ICONEXCLAMATION);
  }
}

// ---- Dialog

FW_IMPLEMENT_DYNAMIC(Dialog, Window)

HWND Dialog::OwnerForModal() const {
  if (parent_ != nullptr && parent_->Handle() != nullptr) return GetAncestor(parent_->Handle(), GA_ROOT);
  return ActiveTopLevelWindow();
}

INT_PTR Dialog::DoModal() {
  HWND owner = OwnerForModal();
  bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
  ended_ = false;
  result_ = IDCANCEL;
  modal_ = true;
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
  ExpectCreation(nullptr);
  if (h == nullptr) {
    modal_ = false;
    return -1;
  }
  if (disableOwner) EnableWindow(owner, FALSE);
  if (!ended_) ShowWindow(h, SW_SHOW);
  inModalLoop_ = true;
  RunModal(h, [this] { return ended_ || hwnd_ == nullptr; });
  inModalLoop_ = false;
  // The owner is enabled before the dialog goes, so it gets the activation back.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == hwnd_) SetActiveWindow(owner);
  if (hwnd_ != nullptr) DestroyWindow();
  modal_ = false;
  return result_;
}

bool Dialog::CreateModeless(Window* parent) {
  if (parent != nullptr) parent_ = parent;
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_),
                              parent_ != nullptr ? parent_->Handle() : nullptr, &DialogProc,
                              reinterpret_cast<LPARAM>(this));
  ExpectCreation(nullptr);
  return h != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (modal_) {
    if (hwnd_ != nullptr) PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the loop
  } else if (hwnd_ != nullptr) {
    DestroyWindow();
  }
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (!UpdateData(true)) return;  // the failing control has the focus
  EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::UpdateData(bool saveAndValidate) {
  Win32DialogControls controls(hwnd_);
  DataExchangeContext dx{controls, saveAndValidate};
  DoDataExchange(dx);
  return !dx.failed;
}

void Dialog::OnHelpRequest() {
  if (TheApp() != nullptr) TheApp()->WinHelp(helpId != 0 ? helpId : kHelpResourceBase + templateId_, HELP_CONTEXT);
}

bool Dialog::PreTranslateMessage(MSG* msg) {
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) return IsDialogMessageA(hwnd_, msg) != 0;
  return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = dynamic_cast<Dialog*>(FromHandle(hwnd));
  if (d == nullptr) {
    d = dynamic_cast<Dialog*>(TakeCreating());
    if (d == nullptr) return FALSE;
    d->Attach(hwnd);
  }
  INT_PTR result = FALSE;
  bool handled = false;
  try {
    handled = d->OnDialogMessage(message, wParam, lParam, &result);
  } catch (...) {
    FailMessageOnException(hwnd, message);
    handled = false;
  }
  if (message == WM_NCDESTROY) d->OnFinalMessage();
  return handled ? result : FALSE;
}

bool Dialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG: {
      // A top-level dialog that its own set-up did not move opens over its
      // owner (the templates give no place of their own).
      RECT before{};
      GetWindowRect(hwnd_, &before);
      *result = OnInitDialog() ? TRUE : FALSE;
      if (hwnd_ == nullptr) return true;  // it ended itself
      RECT after{};
      GetWindowRect(hwnd_, &after);
      const bool child = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD) != 0;
      if (!child && before.left == after.left && before.top == after.top) CentreOnOwner(hwnd_);
      return true;
    }
    case WM_COMMAND: {
      UINT id = LOWORD(wParam), code = HIWORD(wParam);
      if (code == BN_CLICKED && id == IDHELP && !OnCommand(wParam, lParam)) {
        OnHelpRequest();
        *result = TRUE;
        return true;
      }
      if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
        // A table entry may replace the default button handling.
        if (!OnCommand(wParam, lParam)) (id == IDOK) ? OnOK() : OnCancel();
        *result = TRUE;
        return true;
      }
      *result = OnCommand(wParam, lParam) ? TRUE : FALSE;
      return *result != FALSE;
    }
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (!OnNotify(wParam, lParam, &r)) return false;
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, r);
      *result = TRUE;
      return true;
    }
    default: break;
  }
  MessageArgs args;
  args.message = message;
  args.wParam = wParam;
  args.lParam = lParam;
  if (!DispatchToMap(*this, args)) {
    // F1 in a dialog whose class has no help of its own.
    if (message != WM_HELP) return false;
    OnHelpRequest();
    *result = TRUE;
    return true;
  }
  bool direct = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_QUERYDRAGICON;
  if (direct) {
    *result = args.result;
  } else {
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, args.result);
    *result = TRUE;
  }
  return true;
}

// ---- PropertyPage

FW_IMPLEMENT_DYNAMIC(PropertyPage, Dialog)

PROPSHEETPAGEA PropertyPage::Describe() {
  PROPSHEETPAGEA psp = {};
  psp.dwSize = sizeof(psp);
  psp.dwFlags = PSP_DEFAULT | (caption_.empty() ? 0 : PSP_USETITLE) |
                (sheet_ != nullptr && sheet_->hasHelp_ ? PSP_HASHELP : 0);
  psp.hInstance = GetModuleHandleA(nullptr);
  psp.pszTemplate = MAKEINTRESOURCEA(templateId_);
  psp.pszTitle = caption_.c_str();
  psp.pfnDlgProc = &PageProc;
  psp.lParam = reinterpret_cast<LPARAM>(this);
  return psp;
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* page = dynamic_cast<PropertyPage*>(FromHandle(hwnd));
  if (page == nullptr) {
    if (message != WM_INITDIALOG) return FALSE;
    page = reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
    page->Attach(hwnd);
  }
  INT_PTR result = FALSE;
  bool handled = page->OnDialogMessage(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) page->OnFinalMessage();
  return handled ? result : FALSE;
}

void PropertyPage::SetModified(bool changed) {
  if (sheet_ != nullptr && sheet_->Handle() != nullptr) {
    SendMessageA(sheet_->Handle(), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
  }
}

bool PropertyPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_INITDIALOG) {
    *result = OnInitDialog() ? TRUE : FALSE;
    initialised_ = true;
    return true;
  }
  if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->hwndFrom != GetParent(hwnd_)) {
    return Dialog::OnDialogMessage(message, wParam, lParam, result);
  }
  LRESULT r = 0;
  switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE: r = OnSetActive() ? 0 : -1; break;
    case PSN_KILLACTIVE: r = OnKillActive() ? FALSE : TRUE; break;
    case PSN_APPLY:
      if (OnApply()) {
        if (sheet_ != nullptr) sheet_->result_ = IDOK;
        r = PSNRET_NOERROR;
      } else {
        r = PSNRET_INVALID_NOCHANGEPAGE;
      }
      break;
    case PSN_RESET:
      OnReset();
      if (sheet_ != nullptr) sheet_->result_ = IDCANCEL;
      break;
    case PSN_HELP: OnHelpRequest(); break;
    case PSN_WIZNEXT: r = OnWizardNext(); break;
    case PSN_WIZBACK: r = OnWizardBack(); break;
    case PSN_WIZFINISH:
      if (OnWizardFinish()) {
        if (sheet_ != nullptr) sheet_->result_ = kWizardFinished;
      } else {
        r = TRUE;
      }
      break;
    default: return Dialog::OnDialogMessage(message, wParam, lParam, result);
  }
  SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, r);
  *result = TRUE;
  return true;
}

// ---- PropertySheet

void PropertySheet::AddPage(PropertyPage* page) {
  page->sheet_ = this;
  pages_.push_back(page);
  if (hwnd_ != nullptr) {
    PROPSHEETPAGEA psp = page->Describe();
    SendMessageA(hwnd_, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(CreatePropertySheetPageA(&psp)));
  }
}

HWND PropertySheet::Build(HWND owner, bool modeless) {
  std::vector<PROPSHEETPAGEA> descriptions;
  for (PropertyPage* p : pages_) descriptions.push_back(p->Describe());
  PROPSHEETHEADERA psh = {};
  psh.dwSize = sizeof(psh);
  psh.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK | (wizard_ ? PSH_WIZARD : 0) |
                (modeless ? PSH_MODELESS : 0) | (hasHelp_ ? PSH_HASHELP : 0);
  psh.pfnCallback = &SheetCallback;
  psh.hwndParent = owner;
  psh.hInstance = GetModuleHandleA(nullptr);
  psh.pszCaption = caption_.c_str();
  psh.nPages = static_cast<UINT>(descriptions.size());
  psh.nStartPage = static_cast<UINT>(startPage_);
  psh.ppsp = descriptions.data();
  auto h = reinterpret_cast<HWND>(::PropertySheetA(&psh));
  if (h == nullptr || reinterpret_cast<INT_PTR>(h) == -1) return nullptr;
  Subclass(h);
  return h;
}

INT_PTR PropertySheet::DoModal() {
  HWND owner = parent_ != nullptr && parent_->Handle() != nullptr ? GetAncestor(parent_->Handle(), GA_ROOT)
                                                                   : ActiveTopLevelWindow();
  bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
  result_ = IDCANCEL;
  ended_ = false;
  HWND h = Build(owner, true);
  if (h == nullptr) return -1;
  if (disableOwner) EnableWindow(owner, FALSE);
  // The sheet has no current page once OK, Cancel or Finish was pressed.
  RunModal(h, [this] {
    return ended_ || hwnd_ == nullptr || SendMessageA(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
  });
  if (disableOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == hwnd_) SetActiveWindow(owner);
  if (hwnd_ != nullptr) DestroyWindow();
  return result_;
}

bool PropertySheet::Create(Window* parent) {
  if (parent != nullptr) parent_ = parent;
  return Build(parent_ != nullptr ? parent_->Handle() : nullptr, true) != nullptr;
}

void PropertySheet::EndSheet(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (hwnd_ != nullptr) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

bool PropertySheet::PreTranslateMessage(MSG* msg) {
  return SendMessageA(hwnd_, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != 0;
}

int PropertySheet::GetActiveIndex() const {
  auto page = reinterpret_cast<HWND>(SendMessageA(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0));
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i]->Handle() == page) return static_cast<int>(i);
  }
  return -1;
}

PropertyPage* PropertySheet::GetActivePage() const {
  int i = GetActiveIndex();
  return i < 0 ? nullptr : pages_[static_cast<std::size_t>(i)];
}

bool PropertySheet::SetActivePage(int index) {
  if (hwnd_ == nullptr) {
    startPage_ = index;
    return true;
  }
  return SendMessageA(hwnd_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

bool PropertySheet::SetActivePage(PropertyPage* page) {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i] == page) return SetActivePage(static_cast<int>(i));
  }
  return false;
}

void PropertySheet::SetWizardButtons(DWORD flags) {
  if (hwnd_ != nullptr) PostMessageA(hwnd_, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

}  // namespace fw
