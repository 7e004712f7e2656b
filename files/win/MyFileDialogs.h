// The program's image open and save dialogs. The open dialog lists the
// native types, every format the file-format library reads and "All
// supported files", and remembers the chosen type and folder; the save
// dialog starts on the type of the file name, keeps the name's extension
// in step with the chosen type and remembers the folder.
#pragma once

#include <string>

#include "files/FileDialogFilters.h"
#include "framework/win/CommonDialogs.h"

namespace lumora {

class CMyOpenFileDlg : public fw::FileDialog {
 public:
  // The caller's filter is replaced by the image list; `noNativeTypes`
  // leaves the two native entries out.
  CMyOpenFileDlg(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                 const std::string& filter, HWND owner = nullptr, bool noNativeTypes = false);
  int DoModal() override;

  // Settings keys of section "FILES" (other dialogs use their own).
  std::string indexKey = "DEFAULTOPENFORMAT";
  std::string folderKey = "DEFAULTOPENDIR";

 private:
  int filterCount_;
};

class CMySaveFileDlg : public fw::FileDialog {
 public:
  CMySaveFileDlg(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                 const std::string& filter, HWND owner = nullptr);
  int DoModal() override;
  const std::string& Filter() const { return filter_; }

 protected:
  void OnTypeChange(int filterIndex) override;

 private:
  CMySaveFileDlg(bool open, const std::string& defaultExt, const SaveFilterMatch& match, DWORD flags,
                 const std::string& filter, HWND owner);
  std::string filter_;
};

}  // namespace lumora
