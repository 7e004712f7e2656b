// The Rotate dialog of Image/Rotate Canvas/Numeric...: an angle typed or set
// on the angle dial ("VR_SELECTANGLE"), clockwise or counterclockwise.
#pragma once

#include <windows.h>

#include <string>

#include "framework/win/Dialog.h"

namespace lumora {

// The dial's messages: 1538 shows an angle (lParam, tenths of a degree,
// clockwise); 1534 and 1535 tell the parent the angle while it is dragged,
// 1537 at the release (wParam, tenths, clockwise).
constexpr UINT kMsgDialSetAngle = WM_USER + 514;
constexpr UINT kMsgDialDragging = WM_USER + 510;
constexpr UINT kMsgDialDraggingToo = WM_USER + 511;
constexpr UINT kMsgDialChosen = WM_USER + 513;

class CRotateDlg : public fw::Dialog {
 public:
  explicit CRotateDlg(fw::Window* parent = nullptr);
  // In: the angle shown first; after OK: degrees, positive clockwise.
  float angle = 0.0f;
  int direction = 0;  // 0 clockwise, 1 counterclockwise

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ReadControls();
  void ShowOnDial();
  void FromDial(int tenths, bool dragging);

  bool initialised_ = false;
  bool fromDial_ = false;
};

}  // namespace lumora
