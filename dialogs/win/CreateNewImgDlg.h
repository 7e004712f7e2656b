// The "New image" dialog: size in inches, centimetres or pixels, the
// resolution of the screen, the default printer or the user's own, and the
// background colour shown in a swatch.
#pragma once

#include "dialogs/NewImageForm.h"
#include "dialogs/win/DialogSupport.h"
#include "dialogs/win/MyModalDlg.h"
#include "dialogs/win/SwatchButton.h"
#include "document/DocumentFiles.h"

namespace lumora {

class CCreateNewImgDlg : public CMyModalDlg {
 public:
  // `background`: the application's current background colour.
  CCreateNewImgDlg(void* context, COLORREF background);
  ~CCreateNewImgDlg() override;

  // After OK: width, height, resolutions and colour.
  void GetResult(int* width, int* height, int* xres, int* yres, COLORREF* colour) const;

  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

  // Size, units, resolution choice and resolutions, as kept in the settings.
  NewImageSettings values;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowSizes();
  void ShowResolutions();
  // Takes what the size edit holds; false leaves the size as it was.
  bool TakeSize(int controlId);
  void OnUnitsChanged();
  void OnResolutionChosen(int choice);
  void OnResolutionEdited(int controlId);
  std::string Text(int controlId) const;
  // The background colour: the member and the swatch.
  void SetColour(COLORREF colour);
  // The swatch clicked: the colour window opened for this dialog, or shown.
  void OnSwatch();
  void OnPickUp();

  void* context_;
  COLORREF background_;
  CSelColBtn swatch_;
  DialogColourWindow colourWindow_;
  int screenX_ = 96, screenY_ = 96;
  int printerX_ = kDefaultPrinterResolution, printerY_ = kDefaultPrinterResolution;
  bool showing_ = false;
};

// File/New's question: runs the dialog starting from the colour in
// `choice` and fills it on OK; false for Cancel.
bool AskNewImageWithDialog(NewImageChoice* choice);

}  // namespace lumora
