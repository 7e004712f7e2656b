// The modeless text dialog (template 288, "Text"): the text of a text layer
// typed and formatted in a rich-edit control, every change written into
// the layer at once, which lays it out; the document redraws it. Apply
// keeps the text, Cancel takes it back. One dialog at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "dialogs/TextForm.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerText.h"
#include "framework/win/Dialog.h"

namespace lumora {

class CTextDlg : public fw::Dialog {
 public:
  // `ownerFlag` is set to 1 now and to 0 when the dialog closes.
  CTextDlg(int* ownerFlag, fw::Window* parent);
  ~CTextDlg() override;

  // Finishes the layer attached before (its text kept, the document told),
  // then attaches the document and layer (a text layer, else none: the
  // controls grey). With the load-from-layer flag the layer's text comes
  // into the dialog; otherwise the dialog starts a new text.
  void AttachTextLayer(CLumo40Doc* doc, CLayerText* layer);
  // The attached layer with one more reference (the caller releases it).
  CLayerText* GetTextLayer();
  CLumo40Doc* Document() const { return doc_; }
  // The document goes: dropped without finishing anything.
  void Forget();
  // The layer attached now keeps its text and is finished (as attaching
  // another does); the dialog then holds none.
  void FinishAttached();
  // The top-level window the dialog was made for.
  HWND OwnerTop() const { return ownerTop_; }
  void SetOwnerTop(HWND window) { ownerTop_ = window; }

  int loadFromLayer = 0;

  // The application's foreground colour (red low), the colour a new text
  // starts with; installed at start-up.
  static std::function<COLORREF()>& ForegroundColour();
  // The application's setting "use the program's own colour window".
  static std::function<bool()>& UseColourWindow();
  // The command of the tool or mode in use on the views (a paint tool,
  // Layer Moving, Move selection, a selection tool), 0 for none;
  // installed at start-up.
  static std::function<std::uint32_t()>& ActiveToolCommand();

  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void PostNcDestroy() override;

 private:
  void FillFonts();
  void ShowSettings(const TextDialogSettings& settings);
  TextDialogSettings ReadSettings() const;
  void ReadAttributeControls();
  void ShowAttributeControls();
  void EnableControls(bool enable);
  void OpenEditStep();
  void WriteTextToLayer();
  void UpdateLayer();
  void ReadTextFromLayer();
  void SetFormatAtInsertion();
  void ApplyFormat(DWORD mask);
  void FollowSelection();
  void RefreshColour();
  COLORREF DisplayColour() const;
  std::string StreamOut(HWND rich) const;
  void StreamIn(HWND rich, const std::string& rtf) const;
  void Relayout();

  int* ownerFlag_;
  CLumo40Doc* doc_ = nullptr;
  CLayerText* layer_ = nullptr;  // a reference of its own
  bool editStep_ = false;
  bool backup_ = false;
  bool trackSelection_ = false;
  bool controlsDisabled_ = true;
  bool inUpdate_ = false;
  // This dialog turned Layer Moving on (so the new text can be dragged
  // into place); it turns it off again when it goes.
  bool movingChosen_ = false;
  HWND ownerTop_ = nullptr;
  HWND colourWindow_ = nullptr;
  COLORREF colour_ = 0;
  // The seven attributes as the controls show them.
  int vertical_ = 0, alignment_ = 0, leading_ = 0, orientation_ = 0, tracking_ = 0, antiAlias_ = 1;
  int strikeout_ = 0, underline_ = 0, type_ = 3;
};

// The dialog behind the document's text commands (TheTextDialog()).
void InstallTextDialog();
// The open dialog, or null.
CTextDlg* OpenTextDialog();

}  // namespace lumora
