// The TWAIN device list dialog.
#include "dialogs/win/AddTWAINDlg.h"

#include <algorithm>

#include "files/win/TwainSession.h"
#include "res/resource.h"

namespace lumora {

FW_MESSAGE_MAP(CAddTWAINDlg, CHelpSuppDlg, fw::ControlEntry<&CAddTWAINDlg::OnAdd>(BN_CLICKED, IDC_TWAIN_ADD),
               fw::ControlEntry<&CAddTWAINDlg::OnRemove>(BN_CLICKED, IDC_TWAIN_REMOVE))

CAddTWAINDlg::CAddTWAINDlg(fw::Window* parent) : CHelpSuppDlg(IDD_ADD_TWAIN, parent) {}

bool CAddTWAINDlg::OnInitDialog() {
  CHelpSuppDlg::OnInitDialog();
  char name[34] = {};
  for (int more = TwainGetFirstSource(name); more != 0; more = TwainGetNextSource(name)) {
    sources_.emplace_back(name);
    inMenu_.push_back(std::find(selected.begin(), selected.end(), sources_.back()) != selected.end() ? 1u : 0u);
  }
  Refill();
  return true;
}

void CAddTWAINDlg::Refill() {
  SendDlgItemMessageA(hwnd_, IDC_TWAIN_SELECTED, LB_RESETCONTENT, 0, 0);
  SendDlgItemMessageA(hwnd_, IDC_TWAIN_AVAILABLE, LB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    SendDlgItemMessageA(hwnd_, inMenu_[i] != 0 ? IDC_TWAIN_SELECTED : IDC_TWAIN_AVAILABLE, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(sources_[i].c_str()));
  }
}

void CAddTWAINDlg::Move(int fromList, unsigned flag) {
  HWND list = Item(static_cast<std::uint32_t>(fromList));
  const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) {
    MessageBeep(MB_ICONASTERISK);
    return;
  }
  const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  std::string name(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()));
  name.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  const auto found = std::find(sources_.begin(), sources_.end(), name);
  if (found != sources_.end()) inMenu_[static_cast<std::size_t>(found - sources_.begin())] = flag;
  Refill();
}

void CAddTWAINDlg::OnAdd() { Move(IDC_TWAIN_AVAILABLE, 1); }
void CAddTWAINDlg::OnRemove() { Move(IDC_TWAIN_SELECTED, 0); }

void CAddTWAINDlg::OnOK() {
  selected.clear();
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (inMenu_[i] != 0) selected.push_back(sources_[i]);
  }
  CHelpSuppDlg::OnOK();
}

}  // namespace lumora
