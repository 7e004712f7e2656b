// Image/Frames...: frame type, style, shape and size, mat size, style and
// colour, and the light, on three tabs over a live preview drawn by the
// picture factory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/PicFactory.h"
#include "dialogs/win/MyModalDlg.h"

namespace lumora {

class CFrameDlg : public CMyModalDlg {
 public:
  // The image as a packed DIB, and the mat colour (0x00BBGGRR).
  CFrameDlg(std::vector<std::uint8_t> sourceDib, std::uint32_t matColor);

  bool OnInitDialog() override;
  void OnOK() override;

  // After OK: what the controls held when it was pressed.
  const FrameChoice& Choice() const { return chosen_; }
  CPicFactory& Factory() { return factory_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowPage(int page);
  void FillCombo(int id, const std::vector<std::string>& items, int selected);
  int Selected(int id) const;
  std::string SelectedText(int id) const;
  void TypeChosen();
  void MatSizeChosen();
  void ScalePreview();
  void RebuildPreview();
  void DrawPreview(const DRAWITEMSTRUCT& item);
  void ChooseMatColor();
  FrameChoice CurrentChoice() const;

  std::vector<std::uint8_t> source_;
  std::uint32_t matColor_;
  CPicFactory factory_;
  std::string typeName_ = "none";
  std::string styleName_ = "none";
  std::string matName_ = "none";
  Picture24 scaled_;
  Picture24 framed_;
  bool initialised_ = false;
  FrameChoice chosen_;
};

}  // namespace lumora
