// The base of the program's modal dialogs: each opens over the top-level
// window that holds the active image (the main frame when none is active).
#pragma once

#include <cstdint>

#include "dialogs/win/HelpSupport.h"

namespace lumora {

// The window dialogs open over: the top-level ancestor of the active image
// window, or the main frame.
HWND GetDialogParentWnd();

class CMyModalDlg : public CHelpSuppDlg {
 public:
  explicit CMyModalDlg(std::uint32_t templateId);
  // The base's initialisation; the focus goes to the first tab stop.
  bool OnInitDialog() override;
};

}  // namespace lumora
