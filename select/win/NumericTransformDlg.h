// The Numeric Transform dialog (template 780) over its model: position,
// size, skew and rotation, each switched on by its check box.
#pragma once

#include <windows.h>

#include "framework/win/Dialog.h"
#include "select/NumericTransformForm.h"

namespace lumora {

class CNumericTransform : public fw::Dialog {
 public:
  // The object's rect in image pixels; the values are kept in `profile`
  // when the dialog goes, whatever its outcome.
  CNumericTransform(const RECT& object, fw::Profile& profile, fw::Window* parent = nullptr);
  ~CNumericTransform() override;
  NumericTransformForm& Form() { return form_; }

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void EnableGroups();
  double EditValue(int id) const;

  NumericTransformForm form_;
  fw::Profile& profile_;
  bool initialised_ = false;
  bool showing_ = false;
};

}  // namespace lumora
