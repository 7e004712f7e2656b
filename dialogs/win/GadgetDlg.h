// The file chooser: picks, names or deletes one file of a fixed extension
// in a named subfolder of the program folder (stored selections, macro
// scripts), without a system file dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CGadgetDlg : public CMyModalDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  // `captionId`: the dialog's title in the string table; `folderName`: the
  // subfolder of the program folder; `extension` without the dot; with
  // `mustExist` the name must be listed (open), else a new name is allowed
  // and an existing one confirmed (save).
  CGadgetDlg(std::uint32_t captionId, std::string folderName, std::string extension, bool mustExist,
             fw::Window* parent = nullptr);

  // Folder path + name + "." + extension, after IDOK.
  std::string GetFilePath() const;
  const std::string& FolderPath() const { return folderPath_; }

  // The chosen or typed name, without folder and extension.
  std::string name;
  // Preselected when not empty.
  std::string initialName;
  // The folder holding the subfolder: the program's own unless set.
  std::string programFolder;

  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;
  void OnDelete();

 private:
  // Makes the subfolder when it is missing (one level; a failure leaves an
  // empty list).
  void EnsureFolder();
  void FillList();
  // False, after saying why, when the name would leave the folder.
  bool AcceptableName();
  int Ask(std::uint32_t textId, UINT type) const;

  std::string folderName_;
  std::string extension_;
  std::string folderPath_;
  bool mustExist_;
  std::string title_;
  std::vector<std::string> listed_;
};

}  // namespace lumora
