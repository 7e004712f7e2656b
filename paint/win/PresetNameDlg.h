// "Add to predefined": the name of a new preset, refused when shorter than
// two characters or already in use; "Add Paper" and "Add Shape": the name
// and image file of a new paper or brush shape.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dialogs/win/MyModalDlg.h"
#include "engine/pixels/WAccess.h"
#include "paint/BrushPageRules.h"

namespace lumora {

class CAddCustBrushDlg : public CMyModalDlg {
 public:
  CAddCustBrushDlg();
  std::string name;
  std::vector<std::string> existingNames;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
};

class CAddPaperDlg : public CMyModalDlg {
 public:
  // Template 222 ("Add Paper", Invert from section "ADDPAPER") or, with
  // an id, 222 (section "ADD_PAPER") or 234 ("Add Shape", "ADD_NEW_BRUSH").
  CAddPaperDlg();
  explicit CAddPaperDlg(std::uint32_t templateId);

  std::string name = "Paper";
  std::string source;
  bool invert = false;
  std::vector<std::string> existingNames;
  // After OK: the image read from `source`.
  WAPtr image;

  // The image file chooser (the program's open dialog, installed at start):
  // true with the chosen path. Section "FILES" keys DEFBRUSHPENFORMAT and
  // DEFBRUSHOPENDIR remember its format and folder.
  static inline std::function<bool(HWND owner, std::string* path)> browse;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void Take();
  void Show();
  int NameId() const;
  int SourceId() const;
  int InvertId() const;
  int BrowseId() const;
  std::uint32_t templateId_;
};

// "Edge Options": the brush edge's density type and its processing levels
// in pixels or percent (each 0..200).
class CBrushEdgeOptDlg : public CMyModalDlg {
 public:
  CBrushEdgeOptDlg();
  paint::EdgeOptionsForm form;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  // The shown levels into the form; false (focus on the edit, the range
  // said) for one out of range.
  bool TakeLevels();
  void ShowLevels();
  bool initialised_ = false;
};

}  // namespace lumora
