// The layer dialogs the Layer menu (and the layer palette) open: New layer,
// Layer options with the blend-if sliders, Duplicate Layer, and the
// question before a layer mask goes.
#pragma once

#include <string>

#include "ui/LayerDialogForms.h"
#include "dialogs/win/DialogSupport.h"
#include "dialogs/win/MyModalDlg.h"
#include "document/win/Lumo40Doc.h"
#include "ui/win/ComboBoxSeparator.h"
#include "ui/win/SliderCtrl4.h"

namespace lumora {

class CLayerNewDlg : public CMyModalDlg {
 public:
  explicit CLayerNewDlg(CLumo40Doc& document);

  std::string name;
  int opacity = 100;
  std::string modeName;
  int group = 0;
  int fill = 0;

  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  CLumo40Doc& document_;
  bool grey_;
  ComboBoxSeparator modes_;
};

class CLayerTuneDlg : public CMyModalDlg {
 public:
  CLayerTuneDlg(CLumo40Doc& document, CLayer& layer);

  // The record the layer took on OK.
  const LAYER_INFO& Result() const { return session_.Working(); }

  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void LoadChannel();
  void StoreChannel();
  void ShowRanges();
  std::string Text(int id) const;

  CLumo40Doc& document_;
  CLayer& layer_;
  LayerOptionsSession session_;
  bool grey_;
  bool initialising_ = false;
  bool started_ = false;
  int channel_ = 0;
  ComboBoxSeparator modes_;
  SliderCtrl4 thisLayer_;
  SliderCtrl4 underlying_;
};

class CDublicateLayerDlg : public CMyModalDlg {
 public:
  CDublicateLayerDlg(CLumo40Doc& source, CLayer& layer);

  DuplicateLayerChoice choice;

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnTargetChanged();
  CLumo40Doc* ChosenTarget() const;
  std::string Text(int id) const;

  CLumo40Doc& source_;
  CLayer& layer_;
};

// 0 Apply, 1 Discard, 2 Cancel.
class CRemoveLayerMaskDlg : public fw::Dialog {
 public:
  CRemoveLayerMaskDlg();
  int Ask();

  bool OnInitDialog() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

// The layer palette's thumbnail size (0 none .. 3 large); bitmap 322
// stretched into the three frames previews the row sizes.
class CLayerPaletteOptions : public fw::Dialog {
 public:
  explicit CLayerPaletteOptions(fw::Window* parent);
  int sizeIndex = -1;

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

// The tint of masks shown as a highlight: colour through the control
// library's swatch (the shared colour window or Pick Up) and opacity.
class CLayerMaskTuneDlg : public CMyModalDlg {
 public:
  CLayerMaskTuneDlg();

  int opacity = 50;
  COLORREF colour = 0x0000FF;

  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void SetColour(COLORREF value);

  DialogColourWindow colourWindow_;
};

// The dialogs as the image documents' manager takes them.
LayerDialogs MakeLayerDialogs();

}  // namespace lumora
