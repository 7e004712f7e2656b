// Image/Image Size...: the dialog over its portable form. The form keeps
// the linked texts; the dialog moves them into the controls, with its own
// writes kept from coming back as typing.
#pragma once

#include <cstdint>

#include "dialogs/ImageSizeForm.h"
#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CImageSizeDlg : public CMyModalDlg {
 public:
  CImageSizeDlg();

  // Set before DoModal, from the image: its size, resolution and memory
  // figure.
  int oldWidth = 1;
  int oldHeight = 1;
  int xResolution = 96;
  int yResolution = 96;
  std::uint64_t memorySize = 0;

  // After OK.
  int NewWidth() const { return form_.NewWidth(); }
  int NewHeight() const { return form_.NewHeight(); }
  int NewXResolution() const { return form_.NewXResolution(); }
  int NewYResolution() const { return form_.NewYResolution(); }

  bool OnInitDialog() override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  // The form's rewritten texts into the controls, and the pixel group's
  // controls shown for the resample state.
  void ShowForm();
  void Warn(const SizeWarning& warning);
  std::string Text(int id) const;

  ImageSizeForm form_;
  bool updating_ = false;
  bool correcting_ = false;
};

}  // namespace lumora
