// The preferences sheet's pages other than "Guides and Grid": General
// (clipboard options, memory share, undo depth), Rulers units, Color
// picker, Selection animation and Tablet. Each page's fields are copies the
// application fills before the sheet runs and reads after OK.
#pragma once

#include <cstdint>
#include <functional>

#include "dialogs/win/HelpSupport.h"

namespace lumora {

class CGeneralPage : public CPropertyPageMy {
 public:
  CGeneralPage();

  int copyActiveLayerOnly = 0;
  int copyVisibleLayersOnly = 0;
  int emptyClipboardOnExit = 0;
  int discardInternalFormatsOnExit = 0;
  int memoryPercent = 50;
  int limitBackup = 1;
  int createBackup = 10;
  // 0: read from the system when the page opens.
  std::uint64_t totalMemory = 0;

  int PercentLowerBound() const;

 protected:
  bool OnInitDialog() override;
  bool OnKillActive() override;
  bool OnApply() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  // The field's value within its bounds, or the range box, the value
  // clamped and put back and the focus left there (false).
  bool CheckField(int id);
  void ShowMemoryShare();
  void EnableControls();
  bool filling_ = false;
};

class CRulerPage : public CPropertyPageMy {
 public:
  CRulerPage();
  // The length unit (cm 0, inch 1, pixels 2, points 3).
  int unit = 2;
  // Sets the program's ruler unit and refreshes every view, at once.
  std::function<void(int unit)> applyLive;

 protected:
  bool OnInitDialog() override;
  void OnReset() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  int saved_ = 2;
};

class CPickerPage : public CPropertyPageMy {
 public:
  CPickerPage();
  // 0 "Lumora 4.0", 1 "Lumora 3.0", 2 "Windows"; read back only by OK.
  int choice = 0;

 protected:
  bool OnInitDialog() override;
  bool OnApply() override;
};

class CPrefSelection : public CPropertyPageMy {
 public:
  CPrefSelection();
  // The selection outline's animation speed, 0 (none) .. 3 (fast).
  int speed = 3;

 protected:
  bool OnInitDialog() override;
  bool OnApply() override;
};

class CTabletPage : public CPropertyPageMy {
 public:
  CTabletPage();
  int enable = 0;
  int varySize = 1;
  int varyOpacity = 1;

 protected:
  bool OnInitDialog() override;
  bool OnApply() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void EnableControls();
};

}  // namespace lumora
