// "Add to predefined": the name of a new preset, refused when shorter than
// two characters or already in use.
#pragma once

#include <string>
#include <vector>

#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CAddCustBrushDlg : public CMyModalDlg {
 public:
  CAddCustBrushDlg();
  std::string name;
  std::vector<std::string> existingNames;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
};

}  // namespace lumora
