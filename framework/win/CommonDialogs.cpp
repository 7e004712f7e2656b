// The common dialogs over comdlg32.
#include "framework/win/CommonDialogs.h"

#include "framework/DocStrings.h"
#include "framework/win/App.h"

namespace fw {

FileDialog::FileDialog(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                       const std::string& filter, HWND owner)
    : open_(open), defaultExt_(defaultExt), filter_(filter), buffer_(65536, '\0') {
  for (char& c : filter_) {
    if (c == '|') c = '\0';
  }
  fileName.copy(buffer_.data(), buffer_.size() - 1);
  ofn_.lStructSize = sizeof(ofn_);
  ofn_.hwndOwner = owner;
  ofn_.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
  ofn_.lpfnHook = &HookProc;
  ofn_.lCustData = reinterpret_cast<LPARAM>(this);
}

int FileDialog::DoModal() {
  ofn_.hwndOwner = ofn_.hwndOwner != nullptr ? ofn_.hwndOwner : ActiveTopLevelWindow();
  ofn_.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
  ofn_.nFilterIndex = ofn_.nFilterIndex == 0 ? 1 : ofn_.nFilterIndex;
  ofn_.lpstrFile = buffer_.data();
  ofn_.nMaxFile = static_cast<DWORD>(buffer_.size());
  ofn_.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str() + (defaultExt_[0] == '.' ? 1 : 0);
  ofn_.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn_.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
  if (templateId_ != 0) {
    ofn_.Flags |= OFN_ENABLETEMPLATE;
    ofn_.hInstance = GetModuleHandleA(nullptr);
    ofn_.lpTemplateName = MAKEINTRESOURCEA(templateId_);
  }
  BOOL ok = open_ ? GetOpenFileNameA(&ofn_) : GetSaveFileNameA(&ofn_);
  paths_.clear();
  if (!ok) return IDCANCEL;
  if (ofn_.Flags & OFN_ALLOWMULTISELECT) {
    paths_ = SplitMultiSelect(buffer_.data(), buffer_.size());
  } else {
    paths_.emplace_back(buffer_.data());
  }
  return IDOK;
}

UINT_PTR CALLBACK FileDialog::HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The hook's window is the custom child; its parent is the dialog.
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<FileDialog*>(reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->dialog_ = GetParent(hwnd);
    return 0;
  }
  auto* self = reinterpret_cast<FileDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return 0;
  if (message == WM_NOTIFY) {
    INT_PTR r = self->OnNotify(reinterpret_cast<const OFNOTIFYA*>(lParam));
    if (r != 0) SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, r);
    return static_cast<UINT_PTR>(r);
  }
  return static_cast<UINT_PTR>(self->OnHookMessage(message, wParam, lParam));
}

INT_PTR FileDialog::OnNotify(const OFNOTIFYA* notify) {
  switch (notify->hdr.code) {
    case CDN_INITDONE: OnInitDone(); break;
    case CDN_TYPECHANGE: OnTypeChange(static_cast<int>(notify->lpOFN->nFilterIndex)); break;
    case CDN_SELCHANGE: OnSelChange(); break;
    case CDN_FILEOK:
      if (!OnFileNameOK()) return 1;  // keeps the dialog open
      break;
    default: break;
  }
  return 0;
}

ColorDialog::ColorDialog(COLORREF initial, DWORD flags, HWND owner) {
  cc_.lStructSize = sizeof(cc_);
  cc_.hwndOwner = owner;
  cc_.rgbResult = initial;
  cc_.Flags = flags | CC_RGBINIT;
}

int ColorDialog::DoModal() {
  cc_.lpCustColors = customColors;
  if (cc_.hwndOwner == nullptr) cc_.hwndOwner = ActiveTopLevelWindow();
  return ChooseColorA(&cc_) ? IDOK : IDCANCEL;
}

FontDialog::FontDialog(const LOGFONTA* initial, DWORD flags, HWND owner) {
  cf_.lStructSize = sizeof(cf_);
  cf_.hwndOwner = owner;
  cf_.Flags = flags;
  if (initial != nullptr) {
    font_ = *initial;
    cf_.Flags |= CF_INITTOLOGFONTSTRUCT;
  }
}

int FontDialog::DoModal() {
  cf_.lpLogFont = &font_;
  if (cf_.hwndOwner == nullptr) cf_.hwndOwner = ActiveTopLevelWindow();
  return ChooseFontA(&cf_) ? IDOK : IDCANCEL;
}

}  // namespace fw
