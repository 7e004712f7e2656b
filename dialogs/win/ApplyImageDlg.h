// Image/Apply Image...: one channel of a layer of an open image, optionally
// masked by a channel of another, blended into the active layer with a
// merge mode and an opacity; Preview shows the result while the dialog is
// open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialogs/ApplyImage.h"
#include "dialogs/win/MyModalDlg.h"
#include "dialogs/win/SmallControls.h"
#include "document/ApplyImageSession.h"

namespace lumora {

class CApplyImage : public CMyModalDlg {
 public:
  // Reads the settings ("APPLY IMAGE").
  CApplyImage();
  // Writes them back when the dialog ended with OK.
  ~CApplyImage() override;

  // Set before DoModal: the session on the target, the target's title and
  // the open documents (the target among them).
  ApplyImageSession* session = nullptr;
  std::string targetTitle;
  std::vector<ApplyImageDocument> documents;

  void DoDataExchange(fw::DataExchangeContext& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  const ApplyImageSettings& Settings() const { return settings_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  struct Entry {
    std::string title;
    ImageDocument* document = nullptr;
    std::unique_ptr<ApplyImageSource> source;
  };
  void FillBlending();
  void FillDocuments(int comboId, const std::string& remembered);
  void FillChannels(CComboBoxSeparator& combo, int entry, bool mask, const std::string& remembered);
  void FillLayers(CComboBoxSeparator& combo, int entry, const std::string& remembered);
  int SelectedEntry(int comboId) const;
  ApplyImageSource* SourceOf(int entry);
  void PullLists();
  void PullQuiet();
  void PushLists();
  void OpenMaskSection(bool open);
  void ShowScaleOffset();
  void Refresh();
  void ShowResult();
  void RemoveResult();
  void OnControl(int id, int code);

  ApplyImageSettings settings_;
  CComboBoxSeparator blending_, sourceChannel_, maskChannel_, maskLayer_, sourceLayer_;
  std::vector<Entry> entries_;
  int preserve_ = 0;
  bool addSelected_ = false;
  bool initialised_ = false;
  bool saveSettings_ = false;
  bool shown_ = false;
  int maskSectionHeight_ = 0;
  bool maskOpen_ = true;
  int targetType_ = kWAType24;
  CLayerPtr builtSource_;
  CLayerPtr maskSourceLayer_;
};

}  // namespace lumora
