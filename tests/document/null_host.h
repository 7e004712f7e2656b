// A document host that shows nothing: the tool host's whole copy is a
// plain clone, every notice goes nowhere.
#pragma once

#include "document/ImageDocument.h"
#include "engine/pixels/WAccess.h"

namespace lumora::testing {

class NullDocumentHost : public DocumentHost {
 public:
  bool ActiveWindowShowsDocument() override { return false; }
  void SendActiveLayerNotice(int, int) override {}
  void UpdateLayerInPalette(CLayer*) override {}
  void SelectLayerInPalette(CLayer*) override {}
  void UpdateLayerPalette() override {}
  void UpdateNavigator() override {}
  void SyncColorsToActiveImage() override {}
  void ApplyTextLayerEdit(CLayer*) override {}
  void NotifyToolOfActiveView() override {}
  void PostQueueEmpty() override {}
  int CopyImageParameter(VrWA2000::WA* source, WAPtr* copy) override {
    *copy = source != nullptr ? WAPtr::Adopt(CloneWA(source)) : nullptr;
    return 0;
  }
  void GetSmoothEdge(int*, int*) override {}
  void UpdateGlobalSelection() override {}
  void SetErrorCode(int, int) override {}
  void ShowMessage(int, int) override {}
  void ShowMessageText(const std::string&, int) override {}
};

}  // namespace lumora::testing
