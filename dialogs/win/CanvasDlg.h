// Image/Canvas...: the dialog over its portable form, with the nine anchor
// buttons showing where the old image stays.
#pragma once

#include "dialogs/CanvasForm.h"
#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CCanvasDlg : public CMyModalDlg {
 public:
  CCanvasDlg();

  // Set before DoModal.
  int oldWidth = 1;
  int oldHeight = 1;
  // After OK: the new canvas in the old image's coordinates.
  const RECT& Result() const { return form_.Result(); }

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowSizes();
  void ShowUnit();
  void ShowAnchorIcons();

  CanvasForm form_;
  bool updating_ = false;
};

}  // namespace lumora
