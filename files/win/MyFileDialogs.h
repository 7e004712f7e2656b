// The program's image open and save dialogs. The open dialog lists the
// native types, every format the file-format library reads and "All
// supported files", and remembers the chosen type and folder; the save
// dialog starts on the type of the file name, keeps the name's extension
// in step with the chosen type and remembers the folder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "files/FileDialogFilters.h"
#include "framework/win/CommonDialogs.h"

namespace lumora {

class CBrowsePalette;

// The open dialog's "&Info" for layered files (.PSD, .LUD): the image
// information dialog, which lives above this folder and is installed at
// start-up. Other files show the file-format library's information.
using LayeredFileInfo = std::function<void(HWND owner, const std::string& path)>;
void SetLayeredFileInfo(LayeredFileInfo info);

class CMyOpenFileDlg : public fw::FileDialog {
 public:
  // The caller's filter is replaced by the image list; `noNativeTypes`
  // leaves the two native entries out.
  CMyOpenFileDlg(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                 const std::string& filter, HWND owner = nullptr, bool noNativeTypes = false);
  int DoModal() override;

  ~CMyOpenFileDlg() override;

  // Settings keys of section "FILES" (other dialogs use their own).
  std::string indexKey = "DEFAULTOPENFORMAT";
  std::string folderKey = "DEFAULTOPENDIR";

  // The running open dialog and its browser (tests and the browser).
  static CMyOpenFileDlg* Running() { return running_; }
  CBrowsePalette* Browser() const { return browser_.get(); }
  // The file the dialog has selected (empty: none).
  const std::string& SelectedPath() const { return selected_; }

 protected:
  void OnInitDone() override;
  void OnSelChange() override;
  INT_PTR OnHookMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND TemplateItem(int id) const;
  void UpdateInfo();
  void ShowInfo();
  void OnBrowse();

  int filterCount_;
  std::string filter_;
  std::string selected_;
  std::unique_ptr<CBrowsePalette> browser_;
  bool browserOpen_ = false;
  static inline CMyOpenFileDlg* running_ = nullptr;
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
