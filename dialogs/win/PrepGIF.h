// "Prepare GIF" and "Prepare PNG": the picture beside its colour-reduced
// result, the depth, palette, dithering, a transparent colour picked in
// the result, a transparent selection and (PNG) interlacing; the sizes,
// saving and the map page. One class, told apart by the template.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/win/MyModalDlg.h"
#include "dialogs/win/WebExportPanes.h"
#include "files/PrepGifState.h"
#include "res/resource.h"

class CLayersManager;

namespace lumora {

class CPrepGIF : public CMyModalDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  // IDD_PREP_GIF or IDD_PREP_PNG (any other id: PNG).
  explicit CPrepGIF(std::uint32_t templateId);
  // Writes the settings of the template's section.
  ~CPrepGIF() override;

  // The source, and the result until the first reduction: copies of `image`.
  void SetImage(VrWA2000::WA* image);
  void SetSelection(const Fragment* selection) { selection_ = selection; }
  void SetLayerStack(CLayersManager* stack) { stack_ = stack; }

  int depthIndex = 0;
  int generateMap = 0;
  int paletteChoice = 0;  // 0 standard, 1 optimised
  int dither = 1;
  int useTransparent = 1;
  int preview = 1;
  int interlace = 0;
  int selectionTransparent = 0;
  int transparentIndex = -1;
  COLORREF transparencyColour = 0xFF0000;

  bool IsPNG() const { return templateId_ != IDD_PREP_GIF; }
  const CPrepGIFState& State() const { return state_; }
  const std::string& SavedPath() const { return savedPath_; }

  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 private:
  void OnSettingClicked();
  void OnUseTransparentClicked();
  void OnSelectionTransparentClicked();
  void OnDepthChanged();
  void OnInterlaceClicked();
  void OnPreviewClicked();
  void OnPickClicked();
  void OnZoomButton(std::uint32_t id);
  LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

  // The bits of the chosen list entry (0 with an empty list).
  int ChosenBits() const;
  void ApplySettings();
  // Brings the result up to the settings; shows the size or why it failed.
  void UpdateResult();
  void ShowCompressedSize();
  // The result pane's marking; with `estimate` the size again (what the
  // writers add follows the transparency settings).
  void SetOverlay(bool afterPick, bool estimate = true);
  void SetSwatch(COLORREF colour);
  void ReadSettings();

  CPrepGIFState state_;
  WebExportPanes panes_;
  CLayersManager* stack_ = nullptr;
  const Fragment* selection_ = nullptr;
  std::vector<int> depthBits_;
  bool initialised_ = false;
  bool picking_ = false;
  HWND previousCapture_ = nullptr;
  HCURSOR pickCursor_ = nullptr;
  HCURSOR previousCursor_ = nullptr;
  HICON pickIcon_ = nullptr;
  COLORREF swatch_ = 0xFF0000;
  std::string savedPath_;
};

}  // namespace lumora
