// "Prepare JPEG for Internet": the picture beside its JPEG round trip at
// the chosen quality, the sizes before and after, saving the file and its
// map page. The dialog stays open after a save; "Close" ends it.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/win/MyModalDlg.h"
#include "dialogs/win/WebExportPanes.h"
#include "files/JpegExport.h"

class CLayersManager;

namespace lumora {

class CPrepJPEG : public CMyModalDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  // Reads the settings of section "INTERNET".
  explicit CPrepJPEG(int buttonStyle);

  // Two copies of `image`: the source, and the result the round trip fills.
  void SetImage(VrWA2000::WA* image);
  void SetLayerStack(CLayersManager* stack) { stack_ = stack; }

  int progressive = 0;
  int optimize = 0;
  int preview = 1;
  int generateMap = 0;
  int quality = 70;

  // The last round trip's compressed length (the "Compressed:" field).
  std::uint64_t CompressedSize() const { return compressedSize_; }
  // The path of the last save; empty when none.
  const std::string& SavedPath() const { return savedPath_; }

  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 private:
  LRESULT OnHScroll(WPARAM wParam, LPARAM lParam);
  void OnQualityEdited();
  void OnCodingClicked();
  void OnPreviewClicked();
  void OnZoomButton(std::uint32_t id);
  void RoundTrip();
  JpegSettings Settings() const { return JpegSettings{quality, progressive, optimize}; }
  // The edit, spin and slider show `quality` (no round trip for the edit's
  // own change notice).
  void ShowQuality(bool slider);
  void WriteSettings() const;

  CLayersManager* stack_ = nullptr;
  WAPtr source_;
  WAPtr result_;
  WebExportPanes panes_;
  int buttonStyle_;
  bool exchanged_ = false;
  bool settingQuality_ = false;
  std::uint64_t compressedSize_ = 0;
  std::string savedPath_;
};

}  // namespace lumora
