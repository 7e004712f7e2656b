// Options/Associated File Types...: the image types the shell opens with
// the program, as a list of check boxes; the program's own types show
// greyed and are never changed here.
#pragma once

#include <string>
#include <vector>

#include "app/FileTypes.h"
#include "framework/win/Dialog.h"

namespace lumora {

class CFileTypesDlg : public fw::Dialog {
 public:
  CFileTypesDlg(fw::Profile& settings, ClassesRegistry& registry, AssociationTarget target,
                std::vector<std::string> associable, std::vector<std::string> greyed, fw::Window* parent);
  ~CFileTypesDlg() override;

  bool OnInitDialog() override;
  void OnOK() override;
  const std::vector<FileTypeRow>& Rows() const { return rows_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void Toggle(int index);
  void SelectAll();
  HWND List() const;

  fw::Profile& settings_;
  ClassesRegistry& registry_;
  AssociationTarget target_;
  std::vector<std::string> associable_;
  std::vector<std::string> greyed_;
  std::vector<FileTypeRow> rows_;
  HBITMAP checks_ = nullptr;
  WNDPROC listProc_ = nullptr;
};

// The program's association target and the extensions it can associate.
AssociationTarget ProgramAssociationTarget();
std::vector<std::string> ProgramAssociableExtensions();
// The program's own types (".LUD" and ".PSD"), shown greyed.
std::vector<std::string> ProgramOwnExtensions();

}  // namespace lumora
