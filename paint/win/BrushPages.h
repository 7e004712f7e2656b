// The tool pages of the paint attributes window: the paint brush page and
// the pages built on it (eraser, airbrush). Each edits its part of the
// brush file's settings and presets and pushes every change into the brush
// it is linked to at once.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/win/HelpSupport.h"
#include "framework/win/Dialog.h"
#include "paint/BrushFile.h"
#include "paint/BrushPageRules.h"
#include "ui/win/ComboBoxSeparator.h"
#include "ui/win/PictureCombo.h"
#include "ui/win/TexturesCB.h"

namespace lumora {

class CToolBrush;

// Told to the attributes window when a page's shape or paper choice changed
// (its bar's buttons follow).
constexpr UINT kMsgPageSelectionChanged = WM_USER + 0x177;

class CBrushPage : public CToolTipSuppDlg {
 public:
  CBrushPage(paint::PageKind kind, std::uint32_t templateId, std::uint32_t toolCommand, paint::BrushFile& file);

  // The page's window, a hidden child of the attributes window.
  bool CreatePage(HWND parent);
  bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  paint::PageKind Kind() const { return kind_; }
  std::uint32_t ToolCommand() const { return toolCommand_; }
  // Links the page to a brush (null: none) and pushes every value into it.
  virtual void SetBrush(CToolBrush* brush);
  CToolBrush* Brush() const { return brush_; }
  // The insert list, restricted for grey images and mask editing.
  void FillInsertModes(bool restricted);

  // Presets.
  bool CanAddPreset() const { return hwnd_ != nullptr && GetDlgItem(hwnd_, 2041) != nullptr; }
  bool CanRemovePreset() const { return CanAddPreset() && !Model().presets.empty(); }
  std::vector<std::string> PresetNames() const;
  void AddPreset(const std::string& name);
  void RemovePreset(const std::string& name);
  void LoadPreset();
  // "Settings n" after the selected preset's number, unused by the others.
  std::string MakeUniquePresetName(const std::string& defaultText) const;
  std::string SelectedPresetName() const;

  // Shapes and papers of the stores.
  bool CanAddShape() const { return Exists() && Has(1166); }
  bool CanRemoveShape() const;
  bool CanAddPaper() const { return Exists() && Has(1156); }
  bool CanRemovePaper() const;
  // The selected store entry of the shape list or paper combo (-1: none).
  int SelectedShapeEntry() const;
  int SelectedPaperEntry() const;
  // A new store entry: listed and selected (and pushed into the brush).
  void AddShapeItem(int index);
  void AddPaperItem(int index);
  // Store entry `index` went: its item leaves the list, the item now at its
  // place (or the last) is selected, the presets follow.
  void RemoveShapeItem(int index);
  void RemovePaperItem(int index);

  // The edge options the Edge Options dialog gave (the size index stays):
  // the edge list shows them and the brush takes them.
  void SetEdgeOptions(const paint::EdgeValues& edge);
  // The brush sheet edits the paint brush page's parameters (hue, value,
  // saturation jitter, angle, rotation mode, colour mode).
  // Every page built on the paint brush's (all but the water brush's).
  bool HasBrushSheet() const { return kind_ != paint::PageKind::water; }
  void SetParams(const std::array<std::uint32_t, 6>& params);

  paint::BrushPage& Model() const { return file_.Page(kind_); }
  // The brush file: its shape and paper stores.
  paint::BrushFile& File() const { return file_; }
  // The lists' pictures: the shape list's item pictures, the paper combo's
  // samples.
  const PictureCombo& ShapeList() const { return shapeCombo_; }
  const CTexturesCB& PaperCombo() const { return paperCombo_; }
  // The tips of the page's controls (the spin buttons have none).
  void GetToolTipText(unsigned controlId, std::string& text) override;
  // The attributes window's keys first, then the dialog keys.
  bool PreTranslateMessage(MSG* msg) override;
  HWND Tips() const { return tips_; }
  int EraseAction() const { return eraseAction_; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  bool Has(int id) const { return GetDlgItem(hwnd_, id) != nullptr; }
  void OnCommandFrom(int id, int code);
  void ShowWidthMode();
  void FillPresetCombo();
  void FillCombo(int id, const std::vector<std::string>& items, int selection);
  // The numbers of the width and opacity edits when in range; a value out
  // of range says so when the edit loses the focus.
  bool ReadNumber(int id, int min, int max, int* value);
  void RefuseNumber(int id, int min, int max);
  void PushWidth();
  void PushShape();
  void PushPaper();
  void PushInsertMode();
  void PushOwn();
  void UpdateShapeName();
  void FillEdgeList();
  void FillPaperCombo();
  void AddControlTips();

  paint::PageKind kind_;
  std::uint32_t toolCommand_;
  paint::BrushFile& file_;
  CToolBrush* brush_ = nullptr;
  bool initialised_ = false;
  bool restricted_ = false;
  int eraseAction_ = 0;  // not kept in the brush file: "Clear" at every start
  std::vector<paint::InsertItem> insertItems_;
  std::string insertName_ = "Normal";
  ComboBoxSeparator insertCombo_;
  PictureCombo shapeCombo_;
  PictureCombo widthCombo_;
  PictureCombo edgeCombo_;
  CTexturesCB paperCombo_;
  HWND tips_ = nullptr;
};

}  // namespace lumora
