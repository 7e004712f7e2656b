// The common dialogs: explorer-style file dialog (filters, default
// extension, custom template and hook, several files), colour and font.
#pragma once

#include <string>
#include <vector>

#include "platform/win32types.h"
#include <commdlg.h>

namespace fw {

class FileDialog {
 public:
  // `filter`: "Name|*.ext|Name|*.a;*.b||" as one text, "|" between parts.
  FileDialog(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
             const std::string& filter, HWND owner = nullptr);
  virtual ~FileDialog() = default;

  virtual int DoModal();
  std::string GetPathName() const { return paths_.empty() ? std::string() : paths_.front(); }
  const std::vector<std::string>& Paths() const { return paths_; }
  int FilterIndex() const { return static_cast<int>(ofn_.nFilterIndex); }
  // A child dialog template of the program, shown inside the dialog.
  void SetTemplate(std::uint32_t templateId) { templateId_ = templateId; }
  void SetTitle(const std::string& title) { title_ = title; }
  void SetInitialDir(const std::string& dir) { initialDir_ = dir; }
  HWND Handle() const { return dialog_; }

 protected:
  // Hook calls: initialisation of the custom template, the type combo's
  // change (1-based filter index), a selection change, OK (false refuses).
  virtual void OnInitDone() {}
  virtual void OnTypeChange(int filterIndex) {}
  virtual void OnSelChange() {}
  virtual bool OnFileNameOK() { return true; }
  virtual INT_PTR OnHookMessage(UINT message, WPARAM wParam, LPARAM lParam) { return 0; }

  OPENFILENAMEA ofn_{};

 private:
  static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnNotify(const OFNOTIFYA* notify);

  bool open_;
  std::string defaultExt_;
  std::string filter_;
  std::string title_;
  std::string initialDir_;
  std::vector<char> buffer_;
  std::vector<std::string> paths_;
  std::uint32_t templateId_ = 0;
  HWND dialog_ = nullptr;
};

class ColorDialog {
 public:
  explicit ColorDialog(COLORREF initial = 0, DWORD flags = 0, HWND owner = nullptr);
  int DoModal();
  COLORREF GetColor() const { return cc_.rgbResult; }
  COLORREF customColors[16] = {};

 private:
  CHOOSECOLORA cc_{};
};

class FontDialog {
 public:
  explicit FontDialog(const LOGFONTA* initial = nullptr, DWORD flags = CF_SCREENFONTS, HWND owner = nullptr);
  int DoModal();
  const LOGFONTA& GetLogFont() const { return font_; }
  COLORREF GetColor() const { return cf_.rgbColors; }

 private:
  LOGFONTA font_{};
  CHOOSEFONTA cf_{};
};

}  // namespace fw
