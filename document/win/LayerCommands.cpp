// The Layer menu's commands and update rules over the document's layer
// operations.
#include "document/win/LayerCommands.h"

#include <cstdlib>

#include "document/DocumentFiles.h"
#include "document/DocumentRecorder.h"
#include "document/DocumentServices.h"
#include "document/LayerMerge.h"
#include "document/win/AppServices.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/AppValues.h"
#include "hostapi/toolhost.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "framework/win/App.h"
#include "select/win/NumericTransformDlg.h"

namespace lumora {

namespace {

// The transform the dialog's numbers ask for: stages left out when they
// change nothing. The dialog counts rows from the top and turns clockwise;
// the image counts rows from the bottom and turns counterclockwise.
LayerTransformPlan NumericPlan(const NumericTransformForm& f, const RECT& object, int imageHeight) {
  LayerTransformPlan plan;
  int w = object.right - object.left, h = object.bottom - object.top;
  if (f.values.scale != 0) {
    const SIZE size = f.GetSize();
    if (size.cx != w || size.cy != h) {
      plan.scale = true;
      plan.width = size.cx;
      plan.height = size.cy;
      w = std::abs(size.cx);
      h = std::abs(size.cy);
    }
  }
  if (f.values.skew != 0 && (f.values.skewHor != 0 || f.values.skewVer != 0)) {
    plan.skew = true;
    f.GetSkewCorners(w, h, plan.corners);
  }
  if (f.values.rotate != 0 && f.GetAngle(false) != 0) {
    plan.rotate = true;
    plan.angle = -f.GetAngle(false);
  }
  if (f.values.position != 0) {
    const POINT by = f.GetPosition(POINT{object.left, imageHeight - object.bottom});
    if (by.x != 0 || by.y != 0) {
      plan.moveMode = 2;
      plan.move = POINT{by.x, -by.y};
    }
  }
  return plan;
}

}  // namespace

namespace {

constexpr char kSource[] = "Lumo40Doc";

// No tracking tool holds the application.
bool Idle() { return !IsTrackerRunning(); }

void Enable(fw::CmdUI& ui, bool enable) { ui.Enable(FilterCommandEnable(ui.Id(), enable)); }

// The words the align message names its command by, choices 0..5.
constexpr std::uint32_t kAlignWords[6] = {IDS_ALIGN_TOP,  IDS_ALIGN_VCENTER, IDS_ALIGN_BOTTOM,
                                          IDS_ALIGN_LEFT, IDS_ALIGN_HCENTER, IDS_ALIGN_RIGHT};

// How many layers share the active layer's link id (0 without a link).
int LinkedCount(const CLayersManager& stack) {
  const CLayer* active = stack.GetActiveLayer();
  if (active == nullptr || active->GetLinkId() == 0) return 0;
  int count = 0;
  for (int i = 0; i < stack.GetLayerCount(); ++i)
    if (stack.GetLayer(i)->GetLinkId() == active->GetLinkId()) ++count;
  return count;
}

bool HoldsCommand(HMENU menu, std::uint32_t id) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (GetMenuItemID(menu, i) == id) return true;
  return false;
}

// The position of the sub-popup holding the command, -1 when none does.
int SubPopupHolding(HMENU popup, std::uint32_t id, HMENU* sub) {
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    HMENU candidate = GetSubMenu(popup, i);
    if (candidate != nullptr && HoldsCommand(candidate, id)) {
      if (sub != nullptr) *sub = candidate;
      return i;
    }
  }
  return -1;
}

}  // namespace

FW_MESSAGE_MAP(CLayerCommands, fw::CmdTarget,
               fw::CommandEntry<&CLayerCommands::OnNewLayer>(ID_LAYER_NEW_LAYER),
               fw::CommandEntry<&CLayerCommands::OnLayerViaCopy>(ID_LAYER_VIA_COPY),
               fw::CommandEntry<&CLayerCommands::OnLayerViaCut>(ID_LAYER_VIA_CUT),
               fw::CommandEntry<&CLayerCommands::OnDeleteLayer>(ID_LAYER_DELETE),
               fw::CommandEntry<&CLayerCommands::OnDuplicateLayer>(ID_LAYER_DUPLICATE),
               fw::CommandEntry<&CLayerCommands::OnLayerOptions>(ID_LAYER_OPTIONS),
               fw::CommandEntry<&CLayerCommands::OnEnableLayerMask>(ID_LAYER_ENABLE_MASK),
               fw::CommandRangeEntry<&CLayerCommands::OnAddMask>(ID_LAYER_MASK_REVEAL_ALL, ID_LAYER_MASK_HIDE_ALL),
               fw::CommandRangeEntry<&CLayerCommands::OnMaskFromSelection>(ID_LAYER_MASK_REVEAL_SELECTION,
                                                                           ID_LAYER_MASK_HIDE_SELECTION),
               fw::CommandEntry<&CLayerCommands::OnRemoveLayerMask>(ID_LAYER_REMOVE_MASK),
               fw::CommandRangeEntry<&CLayerCommands::OnArrange>(ID_LAYER_BRING_TO_FRONT, ID_LAYER_SEND_TO_BACK),
               fw::CommandRangeEntry<&CLayerCommands::OnAlign>(ID_LAYER_ALIGN_TOP, ID_LAYER_ALIGN_RIGHT),
               fw::CommandRangeEntry<&CLayerCommands::OnDistribute>(ID_LAYER_DISTRIBUTE_TOP, ID_LAYER_DISTRIBUTE_RIGHT),
               fw::CommandEntry<&CLayerCommands::OnFlatten>(ID_LAYER_FLATTEN),
               fw::CommandEntry<&CLayerCommands::OnMergeLinked>(ID_LAYER_MERGE_LINKED),
               fw::CommandEntry<&CLayerCommands::OnMergeVisible>(ID_LAYER_MERGE_VISIBLE),
               fw::CommandEntry<&CLayerCommands::OnGroup>(ID_LAYER_GROUP),
               fw::CommandEntry<&CLayerCommands::OnUngroup>(ID_LAYER_UNGROUP),
               fw::CommandRangeEntry<&CLayerCommands::OnFlipLayer>(ID_LAYER_FLIP_VERTICAL, ID_LAYER_FLIP_HORIZONTAL),
               fw::CommandRangeEntry<&CLayerCommands::OnRotateLayer>(ID_LAYER_ROTATE_180, ID_LAYER_ROTATE_90_CW),
               fw::CommandEntry<&CLayerCommands::OnNumericTransform>(ID_LAYER_NUMERIC_TRANSFORM),
               fw::UpdateEntry<&CLayerCommands::OnUpdateTransform>(ID_LAYER_NUMERIC_TRANSFORM),
               fw::CommandEntry<&CLayerCommands::OnRenderText>(ID_LAYER_TEXT_RENDER),
               fw::CommandRangeEntry<&CLayerCommands::OnTextOrientation>(ID_LAYER_TEXT_HORIZONTAL,
                                                                         ID_LAYER_TEXT_VERTICAL),
               fw::UpdateEntry<&CLayerCommands::OnUpdateLayerable>(ID_LAYER_NEW_LAYER),
               fw::UpdateEntry<&CLayerCommands::OnUpdateViaCopy>(ID_LAYER_VIA_COPY, ID_LAYER_VIA_CUT),
               fw::UpdateEntry<&CLayerCommands::OnUpdateDeleteLayer>(ID_LAYER_DELETE),
               fw::UpdateEntry<&CLayerCommands::OnUpdateHasLayer>(ID_LAYER_DUPLICATE),
               fw::UpdateEntry<&CLayerCommands::OnUpdateHasLayer>(ID_LAYER_OPTIONS),
               fw::UpdateEntry<&CLayerCommands::OnUpdateEnableLayerMask>(ID_LAYER_ENABLE_MASK),
               fw::UpdateEntry<&CLayerCommands::OnUpdateAddMask>(ID_LAYER_MASK_REVEAL_ALL, ID_LAYER_MASK_HIDE_ALL),
               fw::UpdateEntry<&CLayerCommands::OnUpdateMaskFromSelection>(ID_LAYER_MASK_REVEAL_SELECTION,
                                                                           ID_LAYER_MASK_HIDE_SELECTION),
               fw::UpdateEntry<&CLayerCommands::OnUpdateRemoveLayerMask>(ID_LAYER_REMOVE_MASK),
               fw::UpdateEntry<&CLayerCommands::OnUpdateArrangeUp>(ID_LAYER_BRING_TO_FRONT, ID_LAYER_BRING_FORWARD),
               fw::UpdateEntry<&CLayerCommands::OnUpdateArrangeDown>(ID_LAYER_SEND_BACKWARD, ID_LAYER_SEND_TO_BACK),
               fw::UpdateEntry<&CLayerCommands::OnUpdateAlign>(ID_LAYER_ALIGN_TOP, ID_LAYER_ALIGN_RIGHT),
               fw::UpdateEntry<&CLayerCommands::OnUpdateDistribute>(ID_LAYER_DISTRIBUTE_TOP, ID_LAYER_DISTRIBUTE_RIGHT),
               fw::UpdateEntry<&CLayerCommands::OnUpdateFlatten>(ID_LAYER_FLATTEN),
               fw::UpdateEntry<&CLayerCommands::OnUpdateMergeLinked>(ID_LAYER_MERGE_LINKED),
               fw::UpdateEntry<&CLayerCommands::OnUpdateMergeVisible>(ID_LAYER_MERGE_VISIBLE),
               fw::UpdateEntry<&CLayerCommands::OnUpdateGroup>(ID_LAYER_GROUP),
               fw::UpdateEntry<&CLayerCommands::OnUpdateUngroup>(ID_LAYER_UNGROUP),
               fw::UpdateEntry<&CLayerCommands::OnUpdateTransform>(ID_LAYER_FLIP_VERTICAL, ID_LAYER_FLIP_HORIZONTAL),
               fw::UpdateEntry<&CLayerCommands::OnUpdateTransform>(ID_LAYER_ROTATE_180, ID_LAYER_ROTATE_90_CW),
               fw::UpdateEntry<&CLayerCommands::OnUpdateRenderText>(ID_LAYER_TEXT_RENDER),
               fw::UpdateEntry<&CLayerCommands::OnUpdateTextOrientation>(ID_LAYER_TEXT_HORIZONTAL,
                                                                         ID_LAYER_TEXT_VERTICAL))

bool CLayerCommands::Layerable() {
  return Image().HasImage() && Image().GetLayers()->IsLayerable() != 0;
}

void CLayerCommands::ReportFailure(int line) {
  const void* site = GetToolHostSite();
  LUSetErrorCode(site, 16, kSource, line, 0);
  LUPrintErrorState(site);
}

// ---- Commands

void CLayerCommands::OnNewLayer() {
  CLayer* active = Active();
  auto* manager = ImageDocManager();
  if (active == nullptr || manager == nullptr || !manager->layerDialogs.newLayer) return;
  NewLayerChoice choice;
  InitLayerInfo(choice.info);
  CLayersManager& stack = *Image().GetLayers();
  choice.info.name = stack.MakeUniqueLayerName(std::string(), 0, nullptr);
  // Grouped when the layer above the active one is: the new layer joins
  // that group.
  const CLayer* above = stack.GetLayerAbove(active);
  choice.info.grouped = above != nullptr && above->GetGrouped() != 0 ? 1 : 0;
  if (!manager->layerDialogs.newLayer(doc_, &choice)) return;
  if (Image().CreateLayer(choice.info, choice.fill) != nullptr) doc_.SetModifiedFlag(true);
}

void CLayerCommands::OnLayerViaCopy() {
  Fragment* selection = Image().GetSelection();
  if (selection == nullptr || Active() == nullptr) return;
  Recorder().CopyToNewLayer(selection, 0);
  Image().NewLayerViaCopy(selection, false);
}

void CLayerCommands::OnLayerViaCut() {
  Fragment* selection = Image().GetSelection();
  if (selection == nullptr || Active() == nullptr) return;
  Recorder().CopyToNewLayer(selection, 1);
  Image().NewLayerViaCopy(selection, true);
}

void CLayerCommands::OnDeleteLayer() {
  if (Active() == nullptr) return;
  Recorder().DeleteLayer();
  Image().DeleteActiveLayer();
}

void CLayerCommands::OnDuplicateLayer() {
  CLayer* active = Active();
  auto* manager = ImageDocManager();
  if (active == nullptr || manager == nullptr || !manager->layerDialogs.duplicateLayer) return;
  DuplicateLayerChoice choice;
  if (!manager->layerDialogs.duplicateLayer(doc_, *active, &choice)) return;
  // The statement finds its target by title; a new document has none.
  if (choice.target != nullptr) {
    Recorder().DuplicateLayer(choice.target->GetTitle(), choice.name, choice.activate ? 1 : 0);
  }
  Image().DuplicateLayer(choice.name, choice.target != nullptr ? &choice.target->Image() : nullptr, choice.activate,
                         choice.documentName);
}

void CLayerCommands::OnLayerOptions() {
  CLayer* active = Active();
  auto* manager = ImageDocManager();
  if (active == nullptr || manager == nullptr || !manager->layerDialogs.layerOptions) return;
  LAYER_INFO result;
  if (!manager->layerDialogs.layerOptions(doc_, *active, &result)) return;
  std::uint32_t words[8];
  for (int i = 0; i < 8; ++i) {
    words[i] = static_cast<std::uint32_t>(result.blendIf[i][0]) | (static_cast<std::uint32_t>(result.blendIf[i][1]) << 8) |
               (static_cast<std::uint32_t>(result.blendIf[i][2]) << 16) |
               (static_cast<std::uint32_t>(result.blendIf[i][3]) << 24);
  }
  Recorder().SetLayerOptions(result.name, GetMergeModeName(result.mergeMode), result.opacity, words);
  doc_.UpdateLayerPalette();
  doc_.UpdateNavigator();
}

void CLayerCommands::OnEnableLayerMask() {
  CLayer* active = Active();
  if (active == nullptr || active->HasMask() == 0) return;
  // The command toggles: a disabled mask is enabled.
  const bool enable = !active->IsMaskEnabled();
  Recorder().EnableLayerMask(enable ? 1 : 0);
  Image().EnableLayerMask(enable);
}

void CLayerCommands::OnAddMask(std::uint32_t id) {
  if (Active() == nullptr) return;
  const bool reveal = id == ID_LAYER_MASK_REVEAL_ALL;
  Recorder().AddLayerMask(reveal ? 1 : 0);
  Image().AddLayerMask(reveal);
}

void CLayerCommands::OnMaskFromSelection(std::uint32_t id) {
  Fragment* selection = Image().GetSelection();
  if (selection == nullptr || Active() == nullptr) return;
  const bool reveal = id == ID_LAYER_MASK_REVEAL_SELECTION;
  Recorder().AddLayerMaskWithSelection(reveal ? 1 : 0, selection);
  Image().NewMaskFromSelection(selection, reveal);
}

void CLayerCommands::OnRemoveLayerMask() {
  auto* manager = ImageDocManager();
  if (Active() == nullptr || manager == nullptr || !manager->layerDialogs.removeMask) return;
  const int answer = manager->layerDialogs.removeMask();
  if (answer == 2) return;
  Recorder().RemoveLayerMask(answer == 0 ? 1 : 0);
  Image().RemoveLayerMask(answer == 0);
}

void CLayerCommands::OnArrange(std::uint32_t id) {
  if (Active() == nullptr || !IsCommandAllowedWhileTracking(id)) return;
  switch (id) {
    case ID_LAYER_BRING_FORWARD:
      Recorder().BringLayerForward();
      Image().BringForward();
      break;
    case ID_LAYER_BRING_TO_FRONT:
      Recorder().BringLayerToFront();
      Image().BringToFront();
      break;
    case ID_LAYER_SEND_BACKWARD:
      Recorder().SendLayerBackward();
      Image().SendBackward();
      break;
    default:
      Recorder().SendLayerToBack();
      Image().SendToBack();
      break;
  }
}

void CLayerCommands::OnAlign(std::uint32_t id) {
  CLayer* active = Active();
  if (active == nullptr) return;
  const int choice = static_cast<int>(id - ID_LAYER_ALIGN_TOP);
  Recorder().AlignLayer(choice);
  if (Image().AlignLinkedLayers(choice)) return;
  const std::string text =
      FormatWithNames(IDS_ALIGN_NO_PIXELS, {res::String(kAlignWords[choice]), active->GetName()});
  NameMessageBox(GetActiveTopLevelWnd(), text, std::string(res::String(IDS_APP_CAPTION)), MB_OK | MB_ICONSTOP);
}

void CLayerCommands::OnDistribute(std::uint32_t id) {
  CLayer* active = Active();
  if (active == nullptr) return;
  const int choice = static_cast<int>(id - ID_LAYER_DISTRIBUTE_TOP);
  Recorder().DistributeLayer(choice);
  if (Image().DistributeLinkedLayers(choice)) return;
  const std::string text =
      FormatWithNames(IDS_ALIGN_NO_PIXELS, {res::String(kAlignWords[choice]), active->GetName()});
  NameMessageBox(GetActiveTopLevelWnd(), text, std::string(res::String(IDS_APP_CAPTION)), MB_OK | MB_ICONSTOP);
}

void CLayerCommands::OnFlatten() {
  if (!Image().HasImage()) return;
  CLayersManager& stack = *Image().GetLayers();
  if (stack.GetLayerCount() == 0 || stack.IsFlat()) return;
  bool hidden = false;
  for (int i = 0; i < stack.GetLayerCount(); ++i) hidden = hidden || stack.GetLayer(i)->IsVisible() == 0;
  if (hidden && MessageBoxA(GetActiveTopLevelWnd(), std::string(res::String(IDS_DISCARD_HIDDEN)).c_str(),
                            std::string(res::String(IDS_APP_CAPTION)).c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
    return;
  Recorder().FlattenImage();
  if (!Image().FlattenImage()) ReportFailure(__LINE__);
}

void CLayerCommands::OnMergeLinked() {
  if (Active() == nullptr || !IsCommandAllowedWhileTracking(ID_LAYER_MERGE_LINKED)) return;
  Recorder().MergeLayer();
  if (!Image().MergeLinked()) ReportFailure(__LINE__);
}

void CLayerCommands::OnMergeVisible() {
  if (Active() == nullptr || !IsCommandAllowedWhileTracking(ID_LAYER_MERGE_VISIBLE)) return;
  Recorder().MergeVisibleLayers();
  if (!Image().MergeVisible()) ReportFailure(__LINE__);
}

void CLayerCommands::OnGroup() {
  if (Active() == nullptr) return;
  Recorder().GroupLayer();
  Image().GroupWithPrevious();
}

void CLayerCommands::OnUngroup() {
  if (Active() == nullptr || !IsCommandAllowedWhileTracking(ID_LAYER_UNGROUP)) return;
  Recorder().UngroupLayer();
  Image().Ungroup();
}

// Without a selection the statement carries none, so that it turns the
// whole layer when replayed, as the command does.
void CLayerCommands::OnFlipLayer(std::uint32_t id) {
  if (Active() == nullptr) return;
  const bool horizontal = id == ID_LAYER_FLIP_HORIZONTAL;
  Recorder().Flip(Image().GetSelection(), horizontal ? 1 : 0, horizontal ? 0 : 1);
  Image().DoFlipLayer(Image().GetSelection(), horizontal, !horizontal);
}

void CLayerCommands::OnRotateLayer(std::uint32_t id) {
  if (Active() == nullptr) return;
  const double angle = id == ID_LAYER_ROTATE_180 ? 180.0 : id == ID_LAYER_ROTATE_90_CCW ? 90.0 : -90.0;
  Recorder().RotateLayer(Image().GetSelection(), angle);
  Image().DoRotateLayer(Image().GetSelection(), angle);
}

// The selected pixels (or the whole layer) by the numbers of the Numeric
// Transform dialog, as one step; a dialog that asks for nothing changes
// nothing.
void CLayerCommands::OnNumericTransform() {
  CLayer* active = Active();
  if (active == nullptr) return;
  Fragment* selection = Image().GetSelection();
  // The object's rect, and the empty selection refused as a transform does.
  Fragment* lifted = nullptr;
  CLayer* floating = Image().BeginLayerTransform(active, selection, &lifted);
  if (lifted != nullptr) DeleteFragment(lifted);
  if (floating == nullptr) return;
  const RECT object = floating->GetRect();
  floating->Release();
  CNumericTransform dialog(object, fw::TheApp()->Settings());
  if (dialog.DoModal() != IDOK) return;
  const LayerTransformPlan plan = NumericPlan(dialog.Form(), object, Image().GetLayers()->GetHeight());
  if (!plan.Any()) return;
  Recorder().TransformLayer(Image().GetLayers()->GetLayerIndex(active), selection, plan.moveMode, plan.move,
                            plan.scale ? 1 : 0, POINT{plan.width, plan.height}, plan.skew ? 1 : 0, plan.corners,
                            plan.rotate ? 1 : 0, plan.angle);
  Image().NumericLayerTransform(selection, plan);
}

void CLayerCommands::OnRenderText() { Image().RenderTextLayer(); }

void CLayerCommands::OnTextOrientation(std::uint32_t id) { Image().SetTextOrientation(id == ID_LAYER_TEXT_VERTICAL); }

// ---- Update rules

void CLayerCommands::OnUpdateLayerable(fw::CmdUI& ui) { Enable(ui, Layerable() && Idle()); }

void CLayerCommands::OnUpdateViaCopy(fw::CmdUI& ui) {
  Enable(ui, Image().GetSelection() != nullptr && Active() != nullptr && Active()->CanPaint() != 0);
}

void CLayerCommands::OnUpdateDeleteLayer(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && Image().GetLayers()->GetLayerCount() > 1);
}

void CLayerCommands::OnUpdateHasLayer(fw::CmdUI& ui) { Enable(ui, Active() != nullptr && Layerable()); }

void CLayerCommands::OnUpdateEnableLayerMask(fw::CmdUI& ui) {
  CLayer* active = Active();
  Enable(ui, active != nullptr && active->HasMask() != 0 && !Image().IsMaskEditMode());
  const bool enabled = active != nullptr && active->IsMaskEnabled() != 0;
  ui.SetText(std::string(res::String(enabled ? IDS_DISABLE_MASK_ITEM : IDS_ENABLE_MASK_ITEM)));
}

void CLayerCommands::OnUpdateAddMask(fw::CmdUI& ui) { Enable(ui, Active() != nullptr && Active()->HasMask() == 0); }

void CLayerCommands::OnUpdateMaskFromSelection(fw::CmdUI& ui) {
  Enable(ui, Image().GetSelection() != nullptr && Active() != nullptr && Layerable());
}

void CLayerCommands::OnUpdateRemoveLayerMask(fw::CmdUI& ui) {
  CLayer* active = Active();
  Enable(ui, active != nullptr && active->HasMask() != 0 && active->IsText() == 0);
}

void CLayerCommands::OnUpdateArrangeUp(fw::CmdUI& ui) {
  CLayer* active = Active();
  Enable(ui, active != nullptr && Image().GetLayers()->GetLayerCount() > 1 &&
                 Image().GetLayers()->GetLayerAbove(active) != nullptr);
}

void CLayerCommands::OnUpdateArrangeDown(fw::CmdUI& ui) {
  CLayer* active = Active();
  Enable(ui, active != nullptr && Image().GetLayers()->GetLayerCount() > 1 &&
                 Image().GetLayers()->GetLayerBelow(active) != nullptr);
}

void CLayerCommands::OnUpdateAlign(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && LinkedCount(*Image().GetLayers()) >= 2 && Layerable() && Idle());
}

void CLayerCommands::OnUpdateDistribute(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && LinkedCount(*Image().GetLayers()) > 2 && Layerable() && Idle());
}

void CLayerCommands::OnUpdateFlatten(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && Image().GetLayers()->GetLayerCount() > 0 && !Image().GetLayers()->IsFlat());
}

void CLayerCommands::OnUpdateMergeLinked(fw::CmdUI& ui) {
  const int kind = Layerable() ? ClassifyMerge(*Image().GetLayers()) : kMergeNone;
  Enable(ui, kind != kMergeNone);
  static constexpr std::uint32_t kTexts[] = {IDS_MERGE_LAYERS_ITEM, IDS_MERGE_LINKED_ITEM, IDS_MERGE_DOWN_ITEM,
                                             IDS_MERGE_GROUP_ITEM};
  std::string text(res::String(kTexts[kind]));
  // The key stays with the item whatever it is called.
  text += "\tCtrl+E";
  ui.SetText(text);
}

void CLayerCommands::OnUpdateMergeVisible(fw::CmdUI& ui) {
  CLayer* active = Active();
  bool another = false;
  if (active != nullptr) {
    const CLayersManager& stack = *Image().GetLayers();
    for (int i = 0; i < stack.GetLayerCount(); ++i)
      another = another || (stack.GetLayer(i) != active && stack.GetLayer(i)->IsVisible() != 0);
  }
  Enable(ui, active != nullptr && active->IsVisible() != 0 && another && Layerable());
}

void CLayerCommands::OnUpdateGroup(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && Image().GetLayers()->CanGroupWithPrevious());
}

void CLayerCommands::OnUpdateUngroup(fw::CmdUI& ui) {
  Enable(ui, Image().HasImage() && Image().GetLayers()->CanUngroup());
}

void CLayerCommands::OnUpdateTransform(fw::CmdUI& ui) { Enable(ui, Active() != nullptr && Active()->CanPaint() != 0); }

void CLayerCommands::OnUpdateRenderText(fw::CmdUI& ui) { Enable(ui, Active() != nullptr && Active()->IsText() != 0); }

void CLayerCommands::OnUpdateTextOrientation(fw::CmdUI& ui) {
  auto* text = dynamic_cast<CLayerText*>(Active());
  Enable(ui, text != nullptr);
  const bool vertical = text != nullptr && text->Attributes().vertical != 0;
  ui.SetCheck(text != nullptr && (ui.Id() == ID_LAYER_TEXT_VERTICAL) == vertical ? 1 : 0);
}

// ---- The popup's rules by sub-popup

void CLayerCommands::UpdateLayerMenu(HMENU popup) {
  // The Layer popup holds Delete Layer and the New sub-popup.
  if (popup == nullptr || !HoldsCommand(popup, ID_LAYER_DELETE) ||
      SubPopupHolding(popup, ID_LAYER_NEW_LAYER, nullptr) < 0)
    return;
  const bool layerable = Layerable();
  const bool idle = Idle();
  CLayer* active = Active();
  const bool text = active != nullptr && active->IsText() != 0;
  const int linked = Image().HasImage() ? LinkedCount(*Image().GetLayers()) : 0;
  const auto set = [&](std::uint32_t holding, bool enable) {
    HMENU sub = nullptr;
    const int at = SubPopupHolding(popup, holding, &sub);
    if (at >= 0) EnableMenuItem(popup, static_cast<UINT>(at), MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
    return sub;
  };
  set(ID_LAYER_NEW_LAYER, layerable && idle);
  set(ID_LAYER_MASK_HIDE_ALL, layerable && idle);
  set(ID_LAYER_TEXT_RENDER, layerable && text && idle);
  set(ID_LAYER_FLIP_HORIZONTAL, !text && layerable && idle);
  set(ID_LAYER_BRING_FORWARD, layerable && idle);
  auto* manager = ImageDocManager();
  HMENU align = set(ID_LAYER_ALIGN_TOP, linked >= 2 && layerable && idle);
  if (align != nullptr && manager != nullptr && manager->layerMenuPictures)
    manager->layerMenuPictures(align, ID_LAYER_ALIGN_TOP);
  HMENU distribute = set(ID_LAYER_DISTRIBUTE_TOP, linked > 2 && layerable && idle);
  if (distribute != nullptr && manager != nullptr && manager->layerMenuPictures)
    manager->layerMenuPictures(distribute, ID_LAYER_DISTRIBUTE_TOP);
}

}  // namespace lumora
