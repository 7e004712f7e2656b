// The help behaviour every dialog and property page shares: the Help
// button and F1 open the dialog's topic, the "?" button and F1 over a
// control its popup topic; and tool tips for dialogs whose controls show
// them. All help goes through the application's one help function.
#pragma once

#include <cstdint>
#include <string>

#include "framework/win/Dialog.h"

namespace lumora {

// The topic of a dialog: the framework's resource help base plus its
// template id.
std::uint32_t DialogHelpTopic(std::uint32_t templateId);
// The popup topic a control carries in its template: 0x80000000 + template
// id x 65536 + control id.
std::uint32_t ControlHelpId(std::uint32_t templateId, std::uint32_t controlId);

class CHelpSuppDlg : public fw::Dialog {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit CHelpSuppDlg(std::uint32_t templateId, fw::Window* parent = nullptr) : fw::Dialog(templateId, parent) {}
  std::uint32_t TemplateId() const { return templateId_; }

  // The Help button (57670), F1 routed as that command: the dialog's topic,
  // over the active image's top-level window.
  void OnHelp();
  // WM_HELP: a control's popup topic; OK gives the dialog's topic; a
  // control without a help id shows nothing.
  LRESULT OnHelpInfo(WPARAM wParam, LPARAM lParam);

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

class CPropertyPageMy : public fw::PropertyPage {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit CPropertyPageMy(std::uint32_t templateId = 0, std::string caption = {})
      : fw::PropertyPage(templateId, std::move(caption)) {}
  // WM_HELP: every control's popup topic, the OK button's included.
  LRESULT OnHelpInfo(WPARAM wParam, LPARAM lParam);

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

class CToolTipSuppDlg : public fw::Dialog {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CToolTipSuppDlg(std::uint32_t templateId, fw::Window* parent) : fw::Dialog(templateId, parent) {}
  // The tip of a control; subclasses say it, the base gives "????????".
  virtual void GetToolTipText(unsigned controlId, std::string& text);
  // At most 79 characters of GetToolTipText.
  std::string GetTipText(unsigned controlId);

 protected:
  void OnToolTipText(WPARAM wParam, LPARAM lParam, LRESULT* result);
};

// Puts the help ids of the dialog's template on its controls (the system's
// dialog manager may leave them out); controls that have one keep it.
void ApplyTemplateHelpIds(HWND dialog, std::uint32_t templateId);

// The shared popup-help request: shows the control's topic (by its help
// id) over the control. False when the control has no help id.
bool ShowControlHelp(HWND control, int controlId);

}  // namespace lumora
