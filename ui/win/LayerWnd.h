// The layer palette: a tool window with one row per layer of the active
// image (top layer first), the current layer's merge mode, opacity and
// locks, buttons for a new layer, a mask and deleting, a menu bar and row
// menus. Every change goes through the document's undoable layer
// operations and writes its statement. The main frame owns one and tells
// it which view to follow.
#pragma once

#include <windows.h>

#include <functional>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/win/HelpSupport.h"
#include "dialogs/win/SmallControls.h"
#include "engine/layers/win/LayerThumbnailWin.h"
#include "ui/LayerRows.h"
#include "ui/win/ComboBoxSeparator.h"
#include "ui/win/DropButton.h"
#include "ui/win/ToolWindowKeys.h"
#include "view/win/LuDropTarget.h"

class CLayer;

namespace lumora {

class CLumo40Doc;
class CLumo40View;
class CLayerWnd;

class CLayerScrollWnd;

// The list's drop target: a row dragged within the list goes to the row
// under the pointer.
class CDropTargetLayerPalette : public CLuDropTarget {
 public:
  CLayerScrollWnd* list = nullptr;

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  bool OnDrop(IDataObject* data, DWORD effect, POINT client) override;
};

// The scrolling list of rows inside the palette.
class CLayerScrollWnd : public fw::Window {
 public:
  ~CLayerScrollWnd() override;
  bool Create(CLayerWnd* palette, HWND parent);

  void Clear();
  // Rows from the document's layers, top first; the active layer's row is
  // current.
  void Rebuild(CLumo40Doc* doc);
  // The layer's row made current (both rows drawn again).
  void SelectRow(CLayer* layer);
  // The layer's row drawn again with fresh thumbnails, and the rows linked
  // with it.
  void RefreshRow(CLayer* layer);
  void SetRowHeight(int height);
  void UpdateScrollRange();

  int Rows() const { return static_cast<int>(rows_.size()); }
  int Current() const { return current_; }
  int RowHeight() const { return rowHeight_; }
  int ScrollPosition() const { return scroll_; }
  CLayer* LayerAt(int row) const;
  CLayer* CurrentLayer() const { return LayerAt(current_); }
  // Row `row`'s band and its zones, in list client coordinates.
  RECT RowBand(int row) const;
  RowZones ZonesOf(int row) const;
  // What the row shows now (thumbnails made on the last paint).
  HBITMAP ImageThumbnail(int row) const;
  HBITMAP MaskThumbnail(int row) const;

  // Drops: the current row to another place (one undo step), and the
  // New and Delete buttons' work.
  void DropCurrentRowAt(int targetRow);
  void DuplicateCurrentRow();
  void DeleteCurrentRow();
  // The document's mask-edit mode follows the current row's paint target.
  void ApplyPaintTarget();
  // A row dropped at a list point: the window under it decides (the New
  // button duplicates, Delete deletes, the list moves the row).
  void DropAt(POINT listPoint);
  // Runs the OLE drag of the row's layer ("Lumo40 W32 Layer").
  void DragRow(int row);
  // The tool tip of the zone under a list point, UTF-8, cut to 79
  // characters: over the name the layer's whole name, "????????" outside
  // the zones.
  std::string TipTextAt(POINT listPoint) const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Row {
    CLayer* layer = nullptr;  // a reference of the row's own
    OwnedBitmap image;
    OwnedBitmap mask;
    int editMask = 0;
  };
  void Paint(HDC dc);
  void DrawRow(HDC dc, int row, const RECT& band);
  void DrawThumbnail(HDC dc, Row& row, const RECT& zone, bool mask);
  void DrawName(HDC dc, int row, const RECT& zone);
  void RedrawRow(int row);
  void AddTips();
  // The tip's tool follows the zone under the pointer.
  void MoveTip(POINT p);
  void OnButtonDown(POINT p, bool right);
  void OnDoubleClick(POINT p);
  void OnScroll(int code);
  void ScrollTo(int position);
  // A click on one of the row's zones; true when the zone took it.
  bool ClickZone(int row, RowZone zone);
  void MakeCurrent(int row);
  void ShowRowMenu(int row, RowZone zone, POINT screen);
  int RowOf(const CLayer* layer) const;
  void DropRows();

  CLayerWnd* palette_ = nullptr;
  CLumo40Doc* doc_ = nullptr;
  std::vector<Row> rows_;
  int current_ = -1;
  int scroll_ = 0;
  int rowHeight_ = 44;
  HBITMAP canvas_ = nullptr;
  SIZE canvasSize_{0, 0};
  CDropTargetLayerPalette dropTarget_;
  HWND tips_ = nullptr;
  RECT tipRect_{0, 0, 0, 0};
};

class CLayerWnd : public CToolTipSuppDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CLayerWnd();
  ~CLayerWnd() override;

  bool Create(HWND parent);
  // Re-created under the view's top-level window when that changed (the
  // main frame with no view), then attached to the view.
  void MoveToViewFrame(CLumo40View* view);
  void SetView(CLumo40View* view);
  // What documents report (ignored for a document it does not show).
  void UpdateLayer(CLumo40Doc& doc, CLayer* layer);
  void SelectLayer(CLumo40Doc& doc, CLayer* layer);
  void Rebuild(CLumo40Doc& doc);
  void SaveShowState();
  bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  CLumo40View* View() const { return view_; }
  CLumo40Doc* Doc() const { return doc_; }
  CLayerScrollWnd& List() { return list_; }
  bool Layerable() const;
  bool GreyImage() const { return grey_; }
  int SizeIndex() const { return sizeIndex_; }
  // The palette's own commands: what the frame may offer it (its menus
  // and rows call OnCommand directly).
  static bool IsPaletteCommand(std::uint32_t id);
  // The threshold percentage of the mask selections (the application's
  // setting); 50 when not set.
  std::function<int()> selectionLevel;
  int shown = 1;      // [LAYER PALETTE] SHOW
  int minimized = 0;  // [LAYER PALETTE] MINIMIZED
  // Where an unsaved place begins: one pixel below this screen row (the
  // navigator's bottom edge, set by the main frame).
  int topOffset = 200;

  bool PreTranslateMessage(MSG* msg) override;
  void GetToolTipText(unsigned controlId, std::string& text) override;
  // The enabling of a popup's items by the palette's update handlers.
  void UpdateMenu(HMENU popup);
  // The row list's changes: the controls follow the current row.
  void RefreshControls();

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnRefresh();
  void OnBlend(std::uint32_t id);
  void OnUpdateBlend(fw::CmdUI& ui);
  void OnThumbnails(std::uint32_t id);
  void OnUpdateThumbnails(fw::CmdUI& ui);
  void OnDuplicate();
  void OnUpdateDuplicate(fw::CmdUI& ui);
  void OnDelete();
  void OnUpdateDelete(fw::CmdUI& ui);
  void OnHideChannels();
  void OnUpdateHideChannels(fw::CmdUI& ui);
  void OnMaskHighlight();
  void OnUpdateMaskHighlight(fw::CmdUI& ui);
  // Commands the document's Layer menu serves: the same services.
  void OnDocumentCommand(std::uint32_t id);
  void OnUpdateDocumentCommand(fw::CmdUI& ui);
  void OnUndoRedo(std::uint32_t id);
  void OnUpdateUndoRedo(fw::CmdUI& ui);
  void OnMaskSelection(std::uint32_t id);
  void OnUpdateMaskSelection(fw::CmdUI& ui);
  void OnRepaint();
  void OnUpdateHasDocument(fw::CmdUI& ui);
  void OnPaletteOptions();
  void OnMaskOptions();
  void OnUpdateMaskOptions(fw::CmdUI& ui);
  void OnUpdatePaletteOptions(fw::CmdUI& ui);

  void OnNewButton();
  void OnDeleteButton();
  void OnMaskButton();
  void OnLayerButton();
  void OnModeChosen();
  void OnSlider(int code);
  void OnOpacityEdited(bool record);
  void OnLockChanged(int id);
  void ApplyMergeMode(int mode);
  bool BlendEnabled(int mode) const;
  void SetThumbnailIndex(int index);
  void LayOut(int width, int height);
  void ReadPlacement();
  void ToggleExpanded();
  void AddTips();
  int DocumentCommandFor(std::uint32_t id) const;

  CLayerScrollWnd list_;
  ComboBoxSeparator modeCombo_;
  CDropButton newButton_;
  CDropButton deleteButton_;
  CMyEdit edit_;
  CLumo40View* view_ = nullptr;
  CLumo40Doc* doc_ = nullptr;
  int opacity_ = 100;
  std::string modeName_;
  bool grey_ = false;
  int sizeIndex_ = 1;
  SIZE minimum_{200, 200};
  int listTop_ = 0;
  ToolWindowKeyHook keyHook_;
  HACCEL accelerators_ = nullptr;
  bool expanded_ = false;
  SIZE beforeExpand_{200, 200};
  RECT placement_{0, 0, 0, 0};
  HWND tips_ = nullptr;
  bool updating_ = false;
  bool sliderSeries_ = false;
  bool optionsOpen_ = false;
};

}  // namespace lumora
