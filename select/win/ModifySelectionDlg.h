// The Modify Selection dialog (Border, Smooth, Expand, Contract): one whole
// number of pixels, checked as it is typed and when the edit is left.
#pragma once

#include <windows.h>

#include "framework/win/Dialog.h"
#include "select/ModifySelectionForm.h"

namespace lumora {

class CModifySelection : public fw::Dialog {
 public:
  CModifySelection(const ModifyOperation& operation, fw::Profile& profile, fw::Window* parent = nullptr);
  int Value() const { return form_.Value(); }

  bool OnInitDialog() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  std::string EditText() const;
  void OnLeaveEdit();

  ModifySelectionForm form_;
  fw::Profile& profile_;
  bool initialised_ = false;
  bool validating_ = false;
};

}  // namespace lumora
