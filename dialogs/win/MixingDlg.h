// Image/Mixing...: a bottom and a top channel of open images (the top
// optionally masked by a channel of a third), blended into a grey result
// that becomes a new document or the selection of the active image.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialogs/Mixing.h"
#include "dialogs/win/MyModalDlg.h"
#include "dialogs/win/SmallControls.h"
#include "document/ApplyImageSession.h"
#include "document/MixingSession.h"

namespace lumora {

class CMixingsDlg : public CMyModalDlg {
 public:
  // Reads the settings ("MIXINGS").
  CMixingsDlg();
  // Writes them back when the dialog ended with OK.
  ~CMixingsDlg() override;

  // Set before DoModal: the session on the target and the open documents
  // of the target's size (the target among them).
  MixingSession* session = nullptr;
  std::vector<ApplyImageDocument> documents;

  void DoDataExchange(fw::DataExchangeContext& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  // After OK: the grey result (taken out of the target) and the choice
  // (0 New Document, 1 Selection).
  CLayerPtr Result() const { return result_; }
  int ResultChoice() const { return settings_.result; }
  const MixingSettings& Settings() const { return settings_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  struct Entry {
    std::string title;
    ImageDocument* document = nullptr;
    std::unique_ptr<ApplyImageSource> source;
  };
  struct Group {
    int doc, layer, channel;
    CComboBoxSeparator* layers;
    CComboBoxSeparator* channels;
    std::string* docName;
    std::string* layerName;
    std::string* channelName;
  };
  Group Bottom();
  Group Top();
  Group Mask();
  void FillGroup(const Group& group);
  ApplyImageSource* SourceOf(int entry);
  CLayerPtr Take(const Group& group);
  void PullQuiet();
  void OpenMaskSection(bool open);
  void ShowScaleOffset();
  void Compute(CLayer& result);
  void Refresh();
  void OnControl(int id, int code);

  MixingSettings settings_;
  CComboBoxSeparator blending_, topLayer_, topChannel_, bottomLayer_, bottomChannel_, maskLayer_, maskChannel_;
  std::vector<Entry> entries_;
  bool addSelected_ = false;
  bool initialised_ = false;
  bool saveSettings_ = false;
  bool shown_ = false;
  int maskSectionHeight_ = 0;
  bool maskOpen_ = true;
  CLayerPtr result_;
};

}  // namespace lumora
