// File/Color Management...: the program's own colour-matching dialog over
// the colour-management record (the system's is not there under every
// Windows): on/off, the monitor profile and rendering intent, proofing with
// its target profile and intent, OK, Cancel and Apply.
#pragma once

#include <functional>
#include <string>

#include "app/ColorManagement.h"
#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CColorMatchDlg : public CMyModalDlg {
 public:
  // `apply` runs for Apply and once more for OK, with the record as shown.
  CColorMatchDlg(ColorManagementSettings* record, std::string colorFolder,
                 std::function<void(ColorManagementSettings&)> apply);

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void FillProfiles(int combo, const char* current);
  void EnableFields();
  // The controls into the record, then the apply routine.
  void Apply();

  ColorManagementSettings* record_;
  std::string colorFolder_;
  std::function<void(ColorManagementSettings&)> apply_;
};

}  // namespace lumora
