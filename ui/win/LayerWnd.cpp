// The layer palette window: placement and its settings, attaching to a
// view, the controls over the current row, the menu bar's and row menus'
// commands, keys and tool tips.
#include "ui/win/LayerWnd.h"

#include <algorithm>
#include <string>

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/blend/MergeModes.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/AppValues.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "hostapi/toolhost.h"
#include "lang/Recorder.h"
#include "platform/rect.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/LayerDialogForms.h"
#include "ui/LayerMaskSelection.h"
#include "ui/win/LayerDialogs.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr char kSection[] = "LAYER PALETTE";
constexpr int kNoPosition = INT32_MIN;

// The Blending commands and their merge modes (33056 and 33057 are none).
constexpr int kBlendModes[19] = {0, 9, 7, 8, 10, 12, 11, 15, 16, 1, 2, 14, 3, 4, 5, 6, -1, -1, 13};

int BlendModeOf(std::uint32_t id) {
  return id >= ID_BLEND_FIRST && id <= ID_BLEND_LAST ? kBlendModes[id - ID_BLEND_FIRST] : -1;
}

int ThumbnailIndex(std::uint32_t id) {
  switch (id) {
    case ID_THUMBS_NONE: return 0;
    case ID_THUMBS_SMALL: return 1;
    case ID_THUMBS_MEDIUM: return 2;
    case ID_THUMBS_LARGE: return 3;
    default: return -1;
  }
}

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

}  // namespace

FW_MESSAGE_MAP(CLayerWnd, CToolTipSuppDlg, fw::CommandEntry<&CLayerWnd::OnRefresh>(ID_PALETTE_REFRESH),
               fw::CommandRangeEntry<&CLayerWnd::OnBlend>(ID_BLEND_FIRST, ID_BLEND_LAST),
               fw::UpdateEntry<&CLayerWnd::OnUpdateBlend>(ID_BLEND_FIRST, ID_BLEND_LAST),
               fw::CommandRangeEntry<&CLayerWnd::OnThumbnails>(ID_THUMBS_NONE, ID_THUMBS_LARGE),
               fw::UpdateEntry<&CLayerWnd::OnUpdateThumbnails>(ID_THUMBS_NONE, ID_THUMBS_LARGE),
               fw::CommandEntry<&CLayerWnd::OnDuplicate>(ID_LAYER_DUPLICATE),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDuplicate>(ID_LAYER_DUPLICATE),
               fw::CommandEntry<&CLayerWnd::OnDelete>(ID_LAYER_DELETE),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDelete>(ID_LAYER_DELETE),
               fw::CommandEntry<&CLayerWnd::OnHideChannels>(ID_PALETTE_HIDE_CHANNELS),
               fw::UpdateEntry<&CLayerWnd::OnUpdateHideChannels>(ID_PALETTE_HIDE_CHANNELS),
               fw::CommandEntry<&CLayerWnd::OnMaskHighlight>(ID_PALETTE_MASK_HIGHLIGHT),
               fw::UpdateEntry<&CLayerWnd::OnUpdateMaskHighlight>(ID_PALETTE_MASK_HIGHLIGHT),
               fw::CommandRangeEntry<&CLayerWnd::OnDocumentCommand>(ID_PALETTE_NEW_LAYER, ID_PALETTE_NEW_LAYER),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDocumentCommand>(ID_PALETTE_NEW_LAYER),
               fw::CommandRangeEntry<&CLayerWnd::OnDocumentCommand>(ID_LAYER_OPTIONS, ID_LAYER_OPTIONS),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDocumentCommand>(ID_LAYER_OPTIONS),
               fw::CommandRangeEntry<&CLayerWnd::OnDocumentCommand>(ID_PALETTE_ENABLE_MASK, ID_PALETTE_ENABLE_MASK),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDocumentCommand>(ID_PALETTE_ENABLE_MASK),
               fw::CommandRangeEntry<&CLayerWnd::OnDocumentCommand>(ID_PALETTE_REMOVE_MASK, ID_PALETTE_REMOVE_MASK),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDocumentCommand>(ID_PALETTE_REMOVE_MASK),
               fw::CommandRangeEntry<&CLayerWnd::OnDocumentCommand>(ID_LAYER_MERGE_LINKED, ID_LAYER_FLATTEN),
               fw::UpdateEntry<&CLayerWnd::OnUpdateDocumentCommand>(ID_LAYER_MERGE_LINKED, ID_LAYER_FLATTEN),
               fw::CommandRangeEntry<&CLayerWnd::OnUndoRedo>(57643, 57644),
               fw::UpdateEntry<&CLayerWnd::OnUpdateUndoRedo>(57643, 57644),
               fw::CommandRangeEntry<&CLayerWnd::OnMaskSelection>(ID_PALETTE_MASK_ADD_SELECTION,
                                                                 ID_PALETTE_MASK_AND_SELECTION),
               fw::UpdateEntry<&CLayerWnd::OnUpdateMaskSelection>(ID_PALETTE_MASK_ADD_SELECTION,
                                                                  ID_PALETTE_MASK_AND_SELECTION),
               fw::CommandRangeEntry<&CLayerWnd::OnMaskSelection>(ID_PALETTE_SELECTION_FROM_MASK,
                                                                 ID_PALETTE_SELECTION_FROM_MASK),
               fw::UpdateEntry<&CLayerWnd::OnUpdateMaskSelection>(ID_PALETTE_SELECTION_FROM_MASK),
               fw::CommandRangeEntry<&CLayerWnd::OnMaskSelection>(ID_PALETTE_SELECT_MASK, ID_PALETTE_SELECT_MASK),
               fw::UpdateEntry<&CLayerWnd::OnUpdateMaskSelection>(ID_PALETTE_SELECT_MASK),
               fw::CommandEntry<&CLayerWnd::OnRepaint>(ID_VIEW_REPAINT),
               fw::CommandEntry<&CLayerWnd::OnPaletteOptions>(ID_PALETTE_OPTIONS),
               fw::CommandEntry<&CLayerWnd::OnMaskOptions>(ID_PALETTE_MASK_OPTIONS),
               fw::UpdateEntry<&CLayerWnd::OnUpdateMaskOptions>(ID_PALETTE_MASK_OPTIONS),
               fw::UpdateEntry<&CLayerWnd::OnUpdatePaletteOptions>(ID_PALETTE_OPTIONS),
               fw::UpdateEntry<&CLayerWnd::OnUpdateHasDocument>(ID_VIEW_REPAINT),
               fw::ControlEntry<&CLayerWnd::OnNewButton>(BN_CLICKED, IDC_LP_NEW),
               fw::ControlEntry<&CLayerWnd::OnDeleteButton>(BN_CLICKED, IDC_LP_DELETE),
               fw::ControlEntry<&CLayerWnd::OnMaskButton>(BN_CLICKED, IDC_LP_MASK),
               fw::ControlEntry<&CLayerWnd::OnLayerButton>(BN_CLICKED, IDC_LP_LAYER_BUTTON))

CLayerWnd::CLayerWnd() : CToolTipSuppDlg(IDD_LAYER_PALETTE, nullptr) {}

CLayerWnd::~CLayerWnd() {
  if (hwnd_ != nullptr) DestroyWindow();
}

bool CLayerWnd::IsPaletteCommand(std::uint32_t id) {
  return id == ID_PALETTE_REFRESH || id == ID_PALETTE_MASK_HIGHLIGHT || id == ID_PALETTE_HIDE_CHANNELS ||
         (id >= ID_BLEND_FIRST && id <= ID_BLEND_LAST) || (id >= ID_THUMBS_NONE && id <= ID_THUMBS_LARGE);
}

bool CLayerWnd::Create(HWND parent) {
  if (fw::Profile* p = Settings()) {
    shown = p->GetInt(kSection, "SHOW", 1);
    minimized = p->GetInt(kSection, "MINIMIZED", 0);
  }
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LAYER_PALETTE), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  return h != nullptr;
}

bool CLayerWnd::OnInitDialog() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAINFRAME));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_LAYER_PALETTE_ACCEL));
  edit_.SubclassDlgItem(IDC_LP_OPACITY_EDIT, *this);
  modeCombo_.Attach(hwnd_, IDC_LP_MODE);
  SendDlgItemMessageA(hwnd_, IDC_LP_OPACITY_SLIDER, TBM_SETRANGE, TRUE, MAKELPARAM(1, 100));
  SendDlgItemMessageA(hwnd_, IDC_LP_OPACITY_SLIDER, TBM_SETPOS, TRUE, opacity_);
  SetDlgItemTextA(hwnd_, IDC_LP_OPACITY_EDIT, OpacityText(opacity_).c_str());
  const std::pair<int, int> icons[] = {{IDC_LP_MASK, IDI_PALETTE_MASK}, {IDC_LP_DELETE, IDI_PALETTE_DELETE},
                                       {IDC_LP_NEW, IDI_PALETTE_NEW}};
  for (const auto& [control, id] : icons) {
    HANDLE image = LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0);
    SendDlgItemMessageA(hwnd_, control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
  }
  RECT window{};
  GetWindowRect(hwnd_, &window);
  minimum_ = SIZE{RectWidth(window), RectHeight(window)};
  beforeExpand_ = minimum_;
  listTop_ = DialogChildRect(hwnd_, IDC_LP_LOCK_POSITION).bottom;
  list_.Create(this, hwnd_);
  // Rows dropped on the buttons go to the list's drop logic.
  const auto toList = [this](POINT screen) {
    ScreenToClient(list_.Handle(), &screen);
    list_.DropAt(screen);
  };
  newButton_.Attach(GetDlgItem(hwnd_, IDC_LP_NEW), toList);
  deleteButton_.Attach(GetDlgItem(hwnd_, IDC_LP_DELETE), toList);
  if (fw::Profile* p = Settings()) sizeIndex_ = std::clamp(p->GetInt(kSection, "SIZE INDEX", 1), 0, 3);
  list_.SetRowHeight(RowHeightForIndex(sizeIndex_));
  ReadPlacement();
  RECT client{};
  GetClientRect(hwnd_, &client);
  LayOut(client.right, client.bottom);
  EnableWindow(list_.Handle(), FALSE);
  AddTips();
  keyHook_.Install(this);
  SetView(nullptr);
  return false;
}

void CLayerWnd::ReadPlacement() {
  fw::Profile* p = Settings();
  const int x = p != nullptr ? p->GetInt(kSection, "X", kNoPosition) : kNoPosition;
  const int y = p != nullptr ? p->GetInt(kSection, "Y", kNoPosition) : kNoPosition;
  const bool saved = x != kNoPosition && y != kNoPosition;
  int mainRight = GetSystemMetrics(SM_CXSCREEN);
  auto* main = fw::TheApp() != nullptr ? dynamic_cast<fw::MdiFrame*>(fw::TheApp()->MainWindow()) : nullptr;
  if (main != nullptr && main->Handle() != nullptr) {
    RECT client{};
    GetClientRect(main->Handle(), &client);
    MapWindowPoints(main->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    mainRight = client.right;
  }
  const POINT at = PalettePlacement(saved, POINT{x, y}, minimum_,
                                    SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, mainRight,
                                    topOffset);
  SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(hwnd_, &placement_);
  if (minimized != 0) ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
}

void CLayerWnd::LayOut(int width, int height) {
  if (list_.Handle() == nullptr) return;
  const RECT lock = DialogChildRect(hwnd_, IDC_LP_LOCK_TRANSPARENCY);
  const int left = GetDlgItem(hwnd_, IDC_LP_LOCK_TRANSPARENCY) != nullptr ? lock.left : 5;
  SetWindowPos(list_.Handle(), nullptr, left, listTop_ + left, std::max(0, width - 2 * left),
               std::max(0, height - 2 * left - listTop_), SWP_NOZORDER | SWP_NOACTIVATE);
  list_.UpdateScrollRange();
}

void CLayerWnd::MoveToViewFrame(CLumo40View* view) {
  HWND wanted = nullptr;
  if (view != nullptr && view->Handle() != nullptr) {
    wanted = GetAncestor(view->Handle(), GA_ROOT);
  } else if (fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr) {
    wanted = fw::TheApp()->MainWindow()->Handle();
  }
  if (hwnd_ != nullptr && wanted != nullptr && GetWindow(hwnd_, GW_OWNER) != wanted) {
    const bool visible = IsWindowVisible(hwnd_) != 0;
    view_ = nullptr;
    doc_ = nullptr;
    list_.Clear();
    DestroyWindow();
    if (Create(wanted)) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  }
  SetView(view);
}

void CLayerWnd::SetView(CLumo40View* view) {
  view_ = view;
  doc_ = view != nullptr ? view->GetDoc() : nullptr;
  if (hwnd_ == nullptr) return;
  CLayersManager* stack = doc_ != nullptr && doc_->Image().HasImage() ? doc_->Image().GetLayers() : nullptr;
  if (stack == nullptr) doc_ = nullptr;
  EnableWindow(list_.Handle(), doc_ != nullptr);
  list_.Rebuild(doc_);
  list_.SetRowHeight(RowHeightForIndex(sizeIndex_));
  // A list lower than one row: the window grows to the rows' height.
  RECT inside{};
  GetClientRect(list_.Handle(), &inside);
  if (doc_ != nullptr && inside.bottom < list_.RowHeight() && !IsIconic(hwnd_)) {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    int height = list_.Rows() * list_.RowHeight();
    height = std::min<int>(height, GetSystemMetrics(SM_CYSCREEN) - 10 - window.top);
    height = std::max<int>(height, minimum_.cy);
    SetWindowPos(hwnd_, nullptr, 0, 0, RectWidth(window), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  grey_ = stack != nullptr && stack->GetImageType() == 8;
  modeCombo_.Fill(MergeModeList(grey_, ModeListFor::kLayerOptions));
  const bool layerable = Layerable();
  for (int id : {IDC_LP_OPACITY_EDIT, IDC_LP_LOCK_TRANSPARENCY, IDC_LP_OPACITY_SLIDER, IDC_LP_MASK, IDC_LP_NEW,
                 IDC_LP_MODE}) {
    EnableWindow(GetDlgItem(hwnd_, id), layerable);
  }
  EnableWindow(GetDlgItem(hwnd_, IDC_LP_DELETE), layerable && stack->GetLayerCount() >= 2);
  RefreshControls();
  InvalidateRect(list_.Handle(), nullptr, FALSE);
}

void CLayerWnd::UpdateLayer(CLumo40Doc& doc, CLayer* layer) {
  if (&doc != doc_ || hwnd_ == nullptr) return;
  list_.RefreshRow(layer);
  if (layer == list_.CurrentLayer()) RefreshControls();
}

void CLayerWnd::SelectLayer(CLumo40Doc& doc, CLayer* layer) {
  if (&doc != doc_ || hwnd_ == nullptr) return;
  list_.SelectRow(layer);
  RefreshControls();
}

void CLayerWnd::Rebuild(CLumo40Doc& doc) {
  if (&doc == doc_ && hwnd_ != nullptr) SetView(view_);
}

bool CLayerWnd::Layerable() const {
  CLayersManager* stack = doc_ != nullptr ? doc_->Image().GetLayers() : nullptr;
  if (stack == nullptr) return false;
  const int type = stack->GetImageType();
  return stack->IsLayerable() && (type == 8 || type == 16);
}

void CLayerWnd::RefreshControls() {
  if (hwnd_ == nullptr) return;
  updating_ = true;
  const bool layerable = Layerable();
  CLayer* layer = list_.CurrentLayer();
  EnableWindow(GetDlgItem(hwnd_, IDC_LP_DELETE),
               doc_ != nullptr && layer != nullptr && layer->IsVisible() && list_.Rows() >= 2 && layerable);
  EnableWindow(GetDlgItem(hwnd_, IDC_LP_NEW), layerable);
  EnableWindow(GetDlgItem(hwnd_, IDC_LP_LOCK_POSITION), layerable);
  if (layer != nullptr) {
    const LAYER_INFO info = layer->GetLayerInfo();
    opacity_ = std::clamp<int>(info.opacity, 1, 100);
    SetDlgItemTextA(hwnd_, IDC_LP_OPACITY_EDIT, OpacityText(opacity_).c_str());
    modeName_ = GetMergeModeName(layer->GetMergeMode());
    modeCombo_.Select(modeName_);
    SendDlgItemMessageA(hwnd_, IDC_LP_OPACITY_SLIDER, TBM_SETPOS, TRUE, opacity_);
    CheckDlgButton(hwnd_, IDC_LP_LOCK_POSITION, layer->GetPositionLocked() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd_, IDC_LP_LOCK_TRANSPARENCY, layer->IsTransparencyLocked() ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(hwnd_, IDC_LP_MASK), layer->HasMask() == 0 && layerable);
    EnableWindow(GetDlgItem(hwnd_, IDC_LP_LOCK_TRANSPARENCY), layerable && layer->IsText() == 0);
    const bool adjustable = layerable && layer->IsVisible();
    for (int id : {IDC_LP_OPACITY_SLIDER, IDC_LP_OPACITY_EDIT, IDC_LP_MODE})
      EnableWindow(GetDlgItem(hwnd_, id), adjustable);
  }
  updating_ = false;
}

// ---- Commands

void CLayerWnd::OnRefresh() { RefreshControls(); }

void CLayerWnd::ApplyMergeMode(int mode) {
  CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || mode < 0 || layer->GetMergeMode() == mode) return;
  const std::string name = GetMergeModeName(mode);
  lang::RecordChangeLayerMergeMode(name);
  doc_->Image().SetLayerMergeMode(name);
  RefreshControls();
}

bool CLayerWnd::BlendEnabled(int mode) const {
  const CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || !layer->IsVisible() || list_.Rows() < 2 || !Layerable() || mode < 0)
    return false;
  // Hue, Saturation, Color and Luminosity need colour.
  return !(grey_ && mode >= 3 && mode <= 6);
}

void CLayerWnd::OnBlend(std::uint32_t id) {
  if (BlendEnabled(BlendModeOf(id))) ApplyMergeMode(BlendModeOf(id));
}

void CLayerWnd::OnUpdateBlend(fw::CmdUI& ui) {
  const int mode = BlendModeOf(ui.Id());
  const CLayer* layer = list_.CurrentLayer();
  ui.Enable(BlendEnabled(mode));
  ui.SetCheck(layer != nullptr && layer->GetMergeMode() == mode ? 1 : 0);
}

void CLayerWnd::SetThumbnailIndex(int index) {
  if (index < 0 || index > 3) return;
  sizeIndex_ = index;
  list_.SetRowHeight(RowHeightForIndex(index));
}

void CLayerWnd::OnThumbnails(std::uint32_t id) { SetThumbnailIndex(ThumbnailIndex(id)); }

void CLayerWnd::OnUpdateThumbnails(fw::CmdUI& ui) {
  const int index = ThumbnailIndex(ui.Id());
  ui.Enable(index >= 0);
  ui.SetCheck(index == IndexForRowHeight(list_.RowHeight()) ? 1 : 0);
}

void CLayerWnd::OnDuplicate() {
  if (doc_ != nullptr && Layerable()) list_.DuplicateCurrentRow();
}

void CLayerWnd::OnUpdateDuplicate(fw::CmdUI& ui) { ui.Enable(doc_ != nullptr && Layerable() && list_.CurrentLayer()); }

void CLayerWnd::OnDelete() {
  if (doc_ != nullptr && Layerable() && list_.Rows() >= 2) list_.DeleteCurrentRow();
}

void CLayerWnd::OnUpdateDelete(fw::CmdUI& ui) { ui.Enable(doc_ != nullptr && Layerable() && list_.Rows() >= 2); }

void CLayerWnd::OnHideChannels() {
  CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || !layer->HasMask()) return;
  if (layer->SetHideLayerChannels(layer->GetHideLayerChannels() == 0 ? 1 : 0) == 0) return;
  InvalidateRect(list_.Handle(), nullptr, FALSE);
  const RECT rect = layer->GetRect();
  doc_->Image().InvalidateImageRect(&rect, false, false);
}

void CLayerWnd::OnUpdateHideChannels(fw::CmdUI& ui) {
  const CLayer* layer = list_.CurrentLayer();
  ui.Enable(doc_ != nullptr && layer != nullptr && layer->IsMaskEnabled() && Layerable());
  ui.SetText(layer != nullptr && layer->GetHideLayerChannels() ? std::string(res::String(IDS_SHOW_CHANNELS_ITEM))
                                                                : std::string("Hide Layer Channels"));
}

void CLayerWnd::OnMaskHighlight() {
  CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || !layer->HasMask()) return;
  if (layer->SetMaskHighlight(layer->GetMaskHighlight() == 0 ? 1 : 0) == 0) return;
  doc_->Image().InvalidateImageRect(nullptr, false, false);
}

void CLayerWnd::OnUpdateMaskHighlight(fw::CmdUI& ui) {
  const CLayer* layer = list_.CurrentLayer();
  ui.Enable(doc_ != nullptr && layer != nullptr && layer->HasMask());
  ui.SetCheck(layer != nullptr && layer->GetMaskHighlight() ? 1 : 0);
}

int CLayerWnd::DocumentCommandFor(std::uint32_t id) const {
  switch (id) {
    case ID_PALETTE_NEW_LAYER: return ID_LAYER_NEW_LAYER;
    case ID_PALETTE_ENABLE_MASK: return ID_LAYER_ENABLE_MASK;
    case ID_PALETTE_REMOVE_MASK: return ID_LAYER_REMOVE_MASK;
    default: return static_cast<int>(id);
  }
}

// The document's Layer menu serves these; the palette passes them on so
// that both run one service, one statement and one step.
void CLayerWnd::OnDocumentCommand(std::uint32_t id) {
  if (doc_ == nullptr) return;
  fw::MessageArgs args;
  args.message = fw::kMsgCommand;
  args.code = fw::kCodeCommand;
  args.id = static_cast<std::uint32_t>(DocumentCommandFor(id));
  doc_->OnCmdMsg(args);
  RefreshControls();
}

void CLayerWnd::OnUpdateDocumentCommand(fw::CmdUI& ui) {
  if (doc_ == nullptr) {
    ui.Enable(false);
    return;
  }
  const fw::CmdUIState state = fw::QueryCommandState(*doc_, static_cast<std::uint32_t>(DocumentCommandFor(ui.Id())),
                                                     ui.Index(), ui.State(), true);
  ui.Enable(state.enabled);
  ui.SetCheck(state.checked);
  if (state.hasText) ui.SetText(state.text);
}

void CLayerWnd::OnUndoRedo(std::uint32_t id) {
  if (doc_ == nullptr) return;
  if (id == 57643) {
    doc_->OnEditUndo();
  } else {
    doc_->OnEditRedo();
  }
}

void CLayerWnd::OnUpdateUndoRedo(fw::CmdUI& ui) {
  if (doc_ == nullptr) {
    ui.Enable(false);
    return;
  }
  if (ui.Id() == 57643) {
    doc_->OnUpdateEditUndo(ui);
  } else {
    doc_->OnUpdateEditRedo(ui);
  }
}

// The current row's mask as the selection (Select Layer Mask, Set
// Selection To Layer Mask), or combined with it: each one undo step.
void CLayerWnd::OnMaskSelection(std::uint32_t id) {
  CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || !Layerable()) return;
  ImageDocument& image = doc_->Image();
  const std::uint8_t level = SelectionLevelOfPercent(selectionLevel ? selectionLevel() : 50);
  Fragment* made = nullptr;
  {
    DocumentPreviewOff preview(image.Host());
    made = MakeSelectionMask(layer, level, false);
  }
  if (made == nullptr) {
    MessageBeep(MB_ICONHAND);
    return;
  }
  Fragment* result = made;
  if (id != ID_PALETTE_SELECTION_FROM_MASK && id != ID_PALETTE_SELECT_MASK) {
    const int mode = id == ID_PALETTE_MASK_ADD_SELECTION ? 14 : (id == ID_PALETTE_MASK_SUB_SELECTION ? 2 : 8);
    result = CombineSelection(image.GetSelection(), made, mode);
    DeleteFragment(made);
    if (result == nullptr) {
      MessageBeep(MB_ICONHAND);
      return;
    }
  }
  image.SetSelection(result, true);
  DeleteFragment(result);
  LUUpdateGSelection(GetToolHostSite());
}

void CLayerWnd::OnUpdateMaskSelection(fw::CmdUI& ui) {
  const CLayer* layer = list_.CurrentLayer();
  bool enable = doc_ != nullptr && layer != nullptr && Layerable();
  // Select Layer Mask works on any layer (its rectangle without a mask);
  // the others on a layer with a mask, and subtracting needs a selection
  // to subtract from.
  if (ui.Id() != ID_PALETTE_SELECT_MASK) enable = enable && layer->HasMask() != 0;
  if (ui.Id() == ID_PALETTE_MASK_SUB_SELECTION) enable = enable && doc_->Image().GetSelection() != nullptr;
  ui.Enable(enable);
}

void CLayerWnd::OnRepaint() {
  if (view_ != nullptr) view_->OnRepaint();
}

void CLayerWnd::OnUpdateHasDocument(fw::CmdUI& ui) { ui.Enable(doc_ != nullptr); }

void CLayerWnd::OnPaletteOptions() {
  if (optionsOpen_) return;
  CLayerPaletteOptions dialog(this);
  dialog.sizeIndex = sizeIndex_;
  optionsOpen_ = true;
  const INT_PTR answer = dialog.DoModal();
  optionsOpen_ = false;
  if (answer == IDOK && dialog.sizeIndex != sizeIndex_) SetThumbnailIndex(dialog.sizeIndex);
}

void CLayerWnd::OnUpdatePaletteOptions(fw::CmdUI& ui) { ui.Enable(!optionsOpen_); }

// The tint of masks shown as a highlight lives in the stack's global mask
// record, so it is saved with the layered file.
void CLayerWnd::OnMaskOptions() {
  if (doc_ == nullptr || !Layerable() || optionsOpen_) return;
  ImageDocument& image = doc_->Image();
  CLayersManager* stack = image.GetLayers();
  const MaskDisplayChoice shown = MaskDisplayOf(stack->GetGlobalLayerMask());
  CLayerMaskTuneDlg dialog;
  dialog.colour = shown.colour;
  dialog.opacity = shown.opacity;
  optionsOpen_ = true;
  const INT_PTR answer = dialog.DoModal();
  optionsOpen_ = false;
  if (answer != IDOK || doc_ == nullptr || image.GetLayers() != stack) return;
  stack->SetGlobalLayerMask(WithMaskDisplay(stack->GetGlobalLayerMask(), dialog.colour, dialog.opacity));
  const CLayer* layer = list_.CurrentLayer();
  if (layer != nullptr && layer->HasMask() && layer->GetMaskHighlight()) {
    image.InvalidateImageRect(&layer->GetRect(), false, false);
  }
  image.SetModifiedFlag(true);
}

void CLayerWnd::OnUpdateMaskOptions(fw::CmdUI& ui) { ui.Enable(doc_ != nullptr && Layerable() && !optionsOpen_); }

// ---- Controls

void CLayerWnd::OnNewButton() {
  if (doc_ == nullptr || !Layerable()) return;
  LAYER_INFO info;
  InitLayerInfo(info);
  info.name = doc_->Image().GetLayers()->MakeUniqueLayerName(std::string(), 0, nullptr);
  info.opacity = 100;
  info.visible = 1;
  lang::RecordCreateNewLayer(info.name, GetMergeModeName(0), 100, 0, 0);
  doc_->Image().CreateLayer(info, false);
  RefreshControls();
}

void CLayerWnd::OnDeleteButton() {
  CLayer* layer = list_.CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || list_.Rows() < 2) return;
  const std::string question = std::string(res::String(IDS_DELETE_THE_LAYER)) + " '" + layer->GetName() + "'?";
  if (NameMessageBox(GetActiveTopLevelWnd(), question, std::string(res::String(IDS_APP_CAPTION)),
                     MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  list_.DeleteCurrentRow();
}

// A mask that shows everything, as the Layer menu's Reveal All adds it.
void CLayerWnd::OnMaskButton() { OnDocumentCommand(ID_LAYER_MASK_REVEAL_ALL); }

void CLayerWnd::OnLayerButton() {
  HMENU menus = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LAYER_ROW_MENUS));
  if (menus == nullptr) return;
  HMENU popup = GetSubMenu(menus, 0);
  UpdateMenu(popup);
  POINT at{};
  GetCursorPos(&at);
  const UINT id = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN, at.x, at.y, 0, hwnd_, nullptr);
  DestroyMenu(menus);
  if (id != 0) fw::SendCommand(hwnd_, id);
}

void CLayerWnd::OnModeChosen() {
  if (updating_) return;
  ApplyMergeMode(GetMergeModeByName(modeCombo_.SelectedText()));
}

void CLayerWnd::OnSlider(int code) {
  if (updating_ || doc_ == nullptr) return;
  const int position = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_LP_OPACITY_SLIDER, TBM_GETPOS, 0, 0));
  opacity_ = std::clamp(position, 1, 100);
  SetDlgItemTextA(hwnd_, IDC_LP_OPACITY_EDIT, OpacityText(opacity_).c_str());
  CLayer* layer = list_.CurrentLayer();
  if (code == SB_ENDSCROLL) {
    lang::RecordSetLayerOpacity(opacity_);
    sliderSeries_ = false;
  }
  if (layer == nullptr || layer->GetLayerInfo().opacity == opacity_) return;
  // One "Opacity change" step for the whole series.
  doc_->Image().ChangeOpacity();
  doc_->Image().SetLayerOpacity(opacity_, false);
}

void CLayerWnd::OnOpacityEdited(bool record) {
  if (updating_ || doc_ == nullptr) return;
  char text[32] = {};
  GetDlgItemTextA(hwnd_, IDC_LP_OPACITY_EDIT, text, sizeof text);
  const int value = ReadOpacityText(text);
  updating_ = true;
  SetDlgItemTextA(hwnd_, IDC_LP_OPACITY_EDIT, OpacityText(value).c_str());
  updating_ = false;
  CLayer* layer = list_.CurrentLayer();
  if (value != opacity_) {
    opacity_ = value;
    SendDlgItemMessageA(hwnd_, IDC_LP_OPACITY_SLIDER, TBM_SETPOS, TRUE, value);
  }
  if (layer == nullptr || layer->GetLayerInfo().opacity == value) return;
  if (record) lang::RecordSetLayerOpacity(value);
  doc_->Image().SetLayerOpacity(value, true);
}

void CLayerWnd::OnLockChanged(int id) {
  CLayer* layer = list_.CurrentLayer();
  if (updating_ || doc_ == nullptr || layer == nullptr) return;
  const bool on = IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
  if (id == IDC_LP_LOCK_TRANSPARENCY) {
    if ((layer->IsTransparencyLocked() != 0) == on) return;
    lang::RecordLockLayerPixels(on ? 1 : 0);
    doc_->Image().LockLayerPixels(on, true);
  } else {
    if ((layer->GetPositionLocked() != 0) == on) return;
    lang::RecordLockLayerPosition(on ? 1 : 0);
    doc_->Image().LockLayerPosition(on, true);
  }
  RefreshControls();
}

void CLayerWnd::UpdateMenu(HMENU popup) {
  if (popup == nullptr) return;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    const UINT id = GetMenuItemID(popup, i);
    if (id == 0 || id == 0xFFFFFFFFu) continue;
    char text[128] = {};
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = sizeof text;
    GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &item);
    fw::CmdUIState current;
    current.enabled = (item.fState & MFS_GRAYED) == 0;
    current.checked = (item.fState & MFS_CHECKED) != 0 ? 1 : 0;
    const fw::CmdUIState wanted = fw::QueryCommandState(*this, id, static_cast<std::uint32_t>(i), current, true);
    EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (wanted.enabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (wanted.checked ? MF_CHECKED : MF_UNCHECKED));
    if (wanted.hasText) ModifyMenuA(popup, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING | (wanted.enabled ? 0 : MF_GRAYED), id, wanted.text.c_str());
  }
}

// ---- Window

void CLayerWnd::ToggleExpanded() {
  RECT window{};
  GetWindowRect(hwnd_, &window);
  if (list_.Rows() == 0) {
    SetWindowPos(hwnd_, nullptr, 0, 0, minimum_.cx, minimum_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  expanded_ = !expanded_;
  if (!expanded_) {
    SetWindowPos(hwnd_, nullptr, 0, 0, beforeExpand_.cx, beforeExpand_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  beforeExpand_ = SIZE{RectWidth(window), RectHeight(window)};
  RECT list{};
  GetWindowRect(list_.Handle(), &list);
  int limit = GetSystemMetrics(SM_CYSCREEN) - 10;
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  if (main != nullptr && IsZoomed(main->Handle())) {
    RECT client{};
    GetClientRect(main->Handle(), &client);
    MapWindowPoints(main->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    limit = client.bottom - 2;
  }
  const int height = ExpandedHeight(window, RectHeight(list), list_.Rows(), list_.RowHeight(), limit, minimum_.cy);
  SetWindowPos(hwnd_, nullptr, 0, 0, RectWidth(window), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLayerWnd::AddTips() {
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tips_ == nullptr) return;
  for (int id : {IDC_LP_OPACITY_EDIT, IDC_LP_OPACITY_SLIDER, IDC_LP_LOCK_TRANSPARENCY, IDC_LP_LAYER_BUTTON,
                 IDC_LP_MASK, IDC_LP_NEW, IDC_LP_DELETE, IDC_LP_LOCK_POSITION}) {
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void CLayerWnd::GetToolTipText(unsigned controlId, std::string& text) {
  std::uint32_t id = 0;
  switch (controlId) {
    case IDC_LP_OPACITY_EDIT:
    case IDC_LP_OPACITY_SLIDER: id = IDS_TIP_SET_OPACITY; break;
    case IDC_LP_LOCK_TRANSPARENCY: id = IDS_TIP_LOCK_TRANSPARENT; break;
    case IDC_LP_LAYER_BUTTON: id = IDS_TIP_LAYER_OPTIONS; break;
    case IDC_LP_MASK: id = IDS_TIP_ADD_MASK; break;
    case IDC_LP_NEW: id = IDS_TIP_NEW_LAYER; break;
    case IDC_LP_DELETE: id = IDS_TIP_DELETE_LAYER; break;
    case IDC_LP_LOCK_POSITION: id = IDS_TIP_LOCK_POSITION; break;
    default: CToolTipSuppDlg::GetToolTipText(controlId, text); return;
  }
  text = std::string(res::String(id));
}

void CLayerWnd::SaveShowState() {
  shown = hwnd_ != nullptr && IsWindowVisible(hwnd_) ? 1 : 0;
  if (fw::Profile* p = Settings()) p->WriteInt(kSection, "SHOW", shown);
}

// Enter in the window (not the opacity field, which reports its own) and
// Escape do nothing to a tool window.
void CLayerWnd::OnOK() {}
void CLayerWnd::OnCancel() {}

bool CLayerWnd::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && accelerators_ != nullptr && fw::TheApp() != nullptr &&
      fw::TheApp()->MainWindow() != nullptr) {
    HWND main = fw::TheApp()->MainWindow()->Handle();
    if (TranslateAcceleratorA(main, accelerators_, msg) != 0) {
      if (view_ != nullptr) {
        if (fw::FrameWnd* frame = view_->GetParentFrame()) frame->ActivateFrame();
      }
      return true;
    }
  }
  return CToolTipSuppDlg::PreTranslateMessage(msg);
}

bool CLayerWnd::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == CMyEdit::ReturnMessage()) {
    OnOpacityEdited(false);
    *result = TRUE;
    return true;
  }
  if (modeCombo_.HandleParentMessage(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_LP_OPACITY_SLIDER)) OnSlider(LOWORD(wParam));
      return true;
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDC_LP_OPACITY_EDIT && code == EN_KILLFOCUS) {
        OnOpacityEdited(true);
        return true;
      }
      if (id == IDC_LP_MODE && code == CBN_SELENDOK) {
        OnModeChosen();
        return true;
      }
      if ((id == IDC_LP_LOCK_TRANSPARENCY || id == IDC_LP_LOCK_POSITION) && code == BN_CLICKED) {
        OnLockChanged(static_cast<int>(id));
        return true;
      }
      return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
    }
    case WM_INITMENUPOPUP:
      UpdateMenu(reinterpret_cast<HMENU>(wParam));
      return true;
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION) {
        ToggleExpanded();
        *result = TRUE;
        return true;
      }
      return false;
    case WM_SIZING: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (RectWidth(*r) < minimum_.cx) {
        if (wParam == WMSZ_LEFT || wParam == WMSZ_TOPLEFT || wParam == WMSZ_BOTTOMLEFT) {
          r->left = r->right - minimum_.cx;
        } else {
          r->right = r->left + minimum_.cx;
        }
      }
      if (RectHeight(*r) < minimum_.cy) {
        if (wParam == WMSZ_TOP || wParam == WMSZ_TOPLEFT || wParam == WMSZ_TOPRIGHT) {
          r->top = r->bottom - minimum_.cy;
        } else {
          r->bottom = r->top + minimum_.cy;
        }
      }
      *result = TRUE;
      return true;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayOut(LOWORD(lParam), HIWORD(lParam));
      if (wParam != SIZE_MINIMIZED && !IsIconic(hwnd_)) GetWindowRect(hwnd_, &placement_);
      return true;
    case WM_MOVE:
      if (!IsIconic(hwnd_)) GetWindowRect(hwnd_, &placement_);
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        minimized = 1;
      } else if ((wParam & 0xFFF0) == SC_RESTORE) {
        minimized = 0;
      }
      return false;
    case WM_CLOSE:
      shown = 0;
      if (fw::Profile* p = Settings()) p->WriteInt(kSection, "SHOW", 0);
      ShowWindow(hwnd_, SW_HIDE);
      *result = TRUE;
      return true;
    case WM_DESTROY: {
      newButton_.Detach();
      deleteButton_.Detach();
      keyHook_.Remove();
      if (tips_ != nullptr) ::DestroyWindow(tips_);
      tips_ = nullptr;
      if (fw::Profile* p = Settings()) {
        if (!RectIsEmpty(placement_)) {
          p->WriteInt(kSection, "X", placement_.left);
          p->WriteInt(kSection, "Y", placement_.top);
        }
        p->WriteInt(kSection, "SIZE INDEX", sizeIndex_);
        p->WriteInt(kSection, "MINIMIZED", minimized);
      }
      list_.Clear();
      return false;
    }
    default:
      return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
  }
}

}  // namespace lumora
