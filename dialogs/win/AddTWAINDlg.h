// "Add/remove TWAIN device": which installed sources the Acquire menu
// offers, moved between two lists.
#pragma once

#include <string>
#include <vector>

#include "dialogs/win/HelpSupport.h"

namespace lumora {

class CAddTWAINDlg : public CHelpSuppDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit CAddTWAINDlg(fw::Window* parent);

  // In: the devices in the menu; out (after OK): those chosen, in the
  // source manager's order.
  std::vector<std::string> selected;

  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void OnAdd();
  void OnRemove();
  void Move(int fromList, unsigned flag);
  void Refill();

  std::vector<std::string> sources_;
  std::vector<unsigned> inMenu_;
};

}  // namespace lumora
