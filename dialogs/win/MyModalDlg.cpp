// The modal dialog base over the active image's top-level window.
#include "dialogs/win/MyModalDlg.h"

#include "document/win/AppServices.h"

namespace lumora {

HWND GetDialogParentWnd() { return GetActiveTopLevelWnd(); }

CMyModalDlg::CMyModalDlg(std::uint32_t templateId)
    : CHelpSuppDlg(templateId, fw::Window::FromHandle(GetDialogParentWnd())) {}

bool CMyModalDlg::OnInitDialog() {
  CHelpSuppDlg::OnInitDialog();
  return true;
}

}  // namespace lumora
