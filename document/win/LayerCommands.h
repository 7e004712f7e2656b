// The Layer menu of an image document: each command writes its statement
// to the macro recorder, then runs the document's layer operation; each
// update handler enables, checks or names its item from the active layer.
// The document offers every command here first.
#pragma once

#include "document/win/Lumo40Doc.h"
#include "framework/CmdTarget.h"
#include "framework/CmdUI.h"

namespace lumora {

class CLayerCommands : public fw::CmdTarget {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit CLayerCommands(CLumo40Doc& document) : doc_(document) {}

  // The rules of the Layer popup's sub-popups, each found by a command it
  // holds, so items added elsewhere shift nothing: nothing when `popup`
  // is not the Layer popup. The Align and Distribute entries get their
  // pictograms.
  void UpdateLayerMenu(HMENU popup);

  void OnNewLayer();
  void OnLayerViaCopy();
  void OnLayerViaCut();
  void OnDeleteLayer();
  void OnDuplicateLayer();
  void OnLayerOptions();
  void OnEnableLayerMask();
  void OnAddMask(std::uint32_t id);
  void OnMaskFromSelection(std::uint32_t id);
  void OnRemoveLayerMask();
  void OnArrange(std::uint32_t id);
  void OnAlign(std::uint32_t id);
  void OnDistribute(std::uint32_t id);
  void OnFlatten();
  void OnMergeLinked();
  void OnMergeVisible();
  void OnGroup();
  void OnUngroup();
  void OnFlipLayer(std::uint32_t id);
  void OnRotateLayer(std::uint32_t id);
  void OnNumericTransform();
  void OnRenderText();
  void OnTextOrientation(std::uint32_t id);

  void OnUpdateLayerable(fw::CmdUI& ui);
  void OnUpdateViaCopy(fw::CmdUI& ui);
  void OnUpdateDeleteLayer(fw::CmdUI& ui);
  void OnUpdateHasLayer(fw::CmdUI& ui);
  void OnUpdateEnableLayerMask(fw::CmdUI& ui);
  void OnUpdateAddMask(fw::CmdUI& ui);
  void OnUpdateMaskFromSelection(fw::CmdUI& ui);
  void OnUpdateRemoveLayerMask(fw::CmdUI& ui);
  void OnUpdateArrangeUp(fw::CmdUI& ui);
  void OnUpdateArrangeDown(fw::CmdUI& ui);
  void OnUpdateAlign(fw::CmdUI& ui);
  void OnUpdateDistribute(fw::CmdUI& ui);
  void OnUpdateFlatten(fw::CmdUI& ui);
  void OnUpdateMergeLinked(fw::CmdUI& ui);
  void OnUpdateMergeVisible(fw::CmdUI& ui);
  void OnUpdateGroup(fw::CmdUI& ui);
  void OnUpdateUngroup(fw::CmdUI& ui);
  void OnUpdateTransform(fw::CmdUI& ui);
  void OnUpdateRenderText(fw::CmdUI& ui);
  void OnUpdateTextOrientation(fw::CmdUI& ui);

 private:
  ImageDocument& Image() { return doc_.Image(); }
  CLayer* Active() { return doc_.Image().GetActiveLayer(); }
  bool Layerable();
  // The tool host's error 16 shown (merges and flatten that failed).
  void ReportFailure(int line);

  CLumo40Doc& doc_;
};

}  // namespace lumora
