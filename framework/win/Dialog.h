// Dialogs: modal with their own loop (owner disabled, idle kept alive) and
// modeless; data exchange through binding tables; property pages and sheets.
#pragma once

#include <string>
#include <vector>

#include "framework/DataExchange.h"
#include "framework/win/Window.h"

namespace fw {

// Puts a top-level window where nothing else placed it: centred over its
// owner, or over the work area when it has no owner on the screen (none,
// hidden or minimised), and kept on the work area of the owner's monitor.
void CentreOnOwner(HWND window);

// The data-exchange controls of a real dialog.
class Win32DialogControls : public DialogControls {
 public:
  explicit Win32DialogControls(HWND dialog) : dialog_(dialog) {}
  std::string GetText(std::uint32_t id) override;
  void SetText(std::uint32_t id, const std::string& text) override;
  int GetCheck(std::uint32_t id) override;
  void SetCheck(std::uint32_t id, int check) override;
  std::vector<std::uint32_t> RadioGroup(std::uint32_t firstId) override;
  int GetSelection(std::uint32_t id) override;
  void SetSelection(std::uint32_t id, int index) override;
  void SelectComboString(std::uint32_t id, const std::string& text) override;
  void Focus(std::uint32_t id) override;
  void ShowMessage(const std::string& text) override;

 private:
  bool IsClass(std::uint32_t id, const char* cls) const;
  HWND dialog_;
};

class Dialog : public Window {
  FW_DECLARE_DYNAMIC(Dialog)

 public:
  explicit Dialog(std::uint32_t templateId = 0, Window* parent = nullptr) : templateId_(templateId), parent_(parent) {}

  virtual INT_PTR DoModal();
  bool CreateModeless(Window* parent = nullptr);
  void EndDialog(INT_PTR result);
  bool IsModalRunning() const { return inModalLoop_; }

  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchangeContext& dx) {}
  // F1 in the dialog and its Help button (IDHELP), when the dialog's own
  // tables do not take them: the application's help for the dialog (its
  // help id, or the resource base plus its template).
  virtual void OnHelpRequest();
  // Loads (false) or reads and validates (true) the dialog's data.
  bool UpdateData(bool saveAndValidate = true);

  bool PreTranslateMessage(MSG* msg) override;
  LRESULT DefaultProc(UINT, WPARAM, LPARAM) override { return 0; }
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Handles one dialog message; true when it was handled (result set).
  virtual bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
  HWND OwnerForModal() const;
  // Runs messages until EndDialog: idle work goes on between them.
  void RunModalLoop();

  std::uint32_t templateId_;
  Window* parent_;
  INT_PTR result_ = IDCANCEL;
  bool inModalLoop_ = false;
  bool modal_ = false;
  bool ended_ = false;
};

class PropertySheet;

class PropertyPage : public Dialog {
  FW_DECLARE_DYNAMIC(PropertyPage)

 public:
  explicit PropertyPage(std::uint32_t templateId, std::string caption = {})
      : Dialog(templateId), caption_(std::move(caption)) {}
  // Becoming the visible page (false refuses) and leaving it (false keeps it).
  virtual bool OnSetActive() { return UpdateData(false) || true; }
  virtual bool OnKillActive() { return UpdateData(true); }
  virtual bool OnApply() { return true; }
  virtual void OnReset() {}
  // Wizard steps: return 0 to go on, -1 to stay, or a page's template id.
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  virtual bool OnWizardFinish() { return true; }
  void SetModified(bool changed = true);
  PropertySheet* Sheet() const { return sheet_; }
  PROPSHEETPAGEA Describe();

  static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  friend class PropertySheet;
  std::string caption_;
  PropertySheet* sheet_ = nullptr;
  bool initialised_ = false;
};

class PropertySheet : public Window {
 public:
  explicit PropertySheet(std::string caption, Window* parent = nullptr, int startPage = 0)
      : caption_(std::move(caption)), parent_(parent), startPage_(startPage) {}
  void AddPage(PropertyPage* page);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  PropertyPage* GetPage(int index) const { return pages_[static_cast<std::size_t>(index)]; }
  int GetActiveIndex() const;
  PropertyPage* GetActivePage() const;
  bool SetActivePage(int index);
  bool SetActivePage(PropertyPage* page);
  void SetWizardMode() { wizard_ = true; }
  // A Help button on the sheet: it asks the active page for its help
  // (OnHelpRequest). Set before the window is made.
  void SetHasHelp(bool on) { hasHelp_ = on; }
  void SetWizardButtons(DWORD flags);  // PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH
  // Modal: IDOK, IDCANCEL or ID_WIZFINISH. The sheet never shows Apply.
  virtual INT_PTR DoModal();
  bool Create(Window* parent = nullptr);
  void EndSheet(INT_PTR result);
  bool PreTranslateMessage(MSG* msg) override;
  void PostNcDestroy() override {}

 protected:
  friend class PropertyPage;
  HWND Build(HWND owner, bool modeless);
  std::string caption_;
  Window* parent_;
  int startPage_;
  bool wizard_ = false;
  bool hasHelp_ = false;
  std::vector<PropertyPage*> pages_;
  INT_PTR result_ = IDCANCEL;
  bool ended_ = false;
};

}  // namespace fw
