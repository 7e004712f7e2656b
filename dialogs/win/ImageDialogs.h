// Small image dialogs: Image/Duplicate...'s name and merge choice, the
// information on a layered file, the selection's intersection level, a
// one-line prompt and the image history.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/win/MyModalDlg.h"
#include "document/ImageDocument.h"

namespace lumora {

class CDuplicateImageDlg : public CMyModalDlg {
 public:
  CDuplicateImageDlg();

  // "&Merged Layers".
  int merged = 0;
  std::string sourceTitle = "Untitled";
  // The copy's name ("&As:"): proposed at start, then what the user types.
  std::string newName;
  // Set by the caller; without it the dialog ends at once.
  const ImageDocument* source = nullptr;
  // Whether an open document has the title; by default every document of
  // the program's templates is asked.
  std::function<bool(const std::string&)> titleTaken;

  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

// What the header of a layered file says (the open dialog's Info button).
class CImageInfo : public fw::Dialog {
 public:
  CImageInfo(fw::Window* parent, std::string path);
  bool OnInitDialog() override;

 private:
  std::string path_;
};

// Selection/Intersection Level...: the level in percent.
class CIntersectLevelDlg : public CMyModalDlg {
 public:
  CIntersectLevelDlg();
  int level = 50;

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;
  static bool IsReady() { return ready_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  static inline bool ready_ = false;
};

// One line of text under a caption from the string table.
class CPrompter : public fw::Dialog {
 public:
  CPrompter(std::uint32_t captionId, fw::Window* parent);
  std::string text;

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 private:
  std::string caption_;
};

// Edit/History...: each selection shows that state in the document; the
// chosen index is read after OK.
class CHistoryDlg : public CMyModalDlg {
 public:
  CHistoryDlg();
  std::vector<std::string> entries;
  ImageDocument* document = nullptr;
  int chosen = -1;

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnSelectHistoryEntry();
};

// Puts the dialogs above behind the document's Image and Edit commands
// (TheImageDialogs), the image size and canvas dialogs included.
void InstallImageDialogs();

}  // namespace lumora
