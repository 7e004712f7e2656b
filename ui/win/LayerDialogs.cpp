// The layer dialogs over their forms: the windows only move values between
// controls and the forms.
#include "ui/win/LayerDialogs.h"

#include <cctype>
#include <cstdlib>

#include "document/win/AppServices.h"
#include "engine/blend/MergeModes.h"
#include "dialogs/win/DialogSupport.h"
#include "framework/win/App.h"
#include "hostapi/comdlg.h"
#include "hostapi/controls.h"
#include "hostapi/toolhost.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kDuplicateSection[] = "DUBLICATE_LAYER";
constexpr char kActivateKey[] = "ACTIVATE";

bool IsGrey(CLumo40Doc& doc) {
  return doc.Image().HasImage() && doc.Image().GetLayers()->GetImageType() == kWAType8Grey;
}

std::string DialogText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// The used-name warning: OK off while it shows, the free name put in.
void WarnUsedName(HWND dialog, int nameId, const std::string& message, const std::string& replacement) {
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  NameMessageBox(dialog, message, std::string(res::String(IDS_WARNING_CAPTION)), MB_OK | MB_ICONEXCLAMATION);
  SetDlgItemName(dialog, nameId, replacement);
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

}  // namespace

// ---- New layer

CLayerNewDlg::CLayerNewDlg(CLumo40Doc& document)
    : CMyModalDlg(IDD_LAYER_NEW), document_(document), grey_(IsGrey(document)) {}

void CLayerNewDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  // The name goes its own way (UTF-16 in the edit): see below.
  const fw::Binding table[] = {fw::BindInt(IDC_LAYER_OPACITY, opacity, 0, 100), fw::BindCheck(IDC_LAYER_GROUP, group),
                               fw::BindCheck(IDC_LAYER_FILL, fill)};
  dx.Exchange(table);
}

bool CLayerNewDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  SendDlgItemMessageA(hwnd_, IDC_LAYER_OPACITY_SPIN, UDM_SETRANGE32, 0, 100);
  modes_.Attach(hwnd_, IDC_LAYER_MODE);
  modes_.Fill(MergeModeList(grey_, ModeListFor::kNewLayer));
  modes_.Select(modeName.empty() ? GetMergeModeName(0) : modeName);
  UpdateData(false);
  SetDlgItemName(hwnd_, IDC_LAYER_NAME, name);
  return true;
}

void CLayerNewDlg::OnOK() {
  if (!UpdateData(true)) return;
  name = DlgItemName(hwnd_, IDC_LAYER_NAME);
  modeName = modes_.SelectedText();
  std::string message;
  const std::string replacement =
      ReplacementForUsedName(*document_.Image().GetLayers(), name, nullptr, &message);
  if (!replacement.empty()) {
    WarnUsedName(hwnd_, IDC_LAYER_NAME, message, replacement);
    return;
  }
  EndDialog(IDOK);
}

bool CLayerNewDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (modes_.HandleParentMessage(message, wParam, lParam, result)) return true;
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Layer options

CLayerTuneDlg::CLayerTuneDlg(CLumo40Doc& document, CLayer& layer)
    : CMyModalDlg(IDD_LAYER_OPTIONS),
      document_(document),
      layer_(layer),
      session_(document.Image(), layer),
      grey_(IsGrey(document)) {}

std::string CLayerTuneDlg::Text(int id) const { return DialogText(hwnd_, id); }

// The record keeps, per channel, this layer's range and the underlying one.
void CLayerTuneDlg::LoadChannel() {
  const LAYER_INFO& info = session_.Working();
  const auto load = [&](SliderCtrl4& slider, int row) {
    const std::uint8_t* r = info.blendIf[row];
    slider.Model().SetValues({r[0], r[1], r[2], r[3]});
    slider.SetChannel(channel_);
    slider.Redraw();
  };
  load(thisLayer_, 2 * channel_);
  load(underlying_, 2 * channel_ + 1);
}

void CLayerTuneDlg::StoreChannel() {
  LAYER_INFO& info = session_.Working();
  const auto store = [&](SliderCtrl4& slider, int row) {
    for (int i = 0; i < 4; ++i)
      info.blendIf[row][i] = static_cast<std::uint8_t>(slider.Model().Values()[static_cast<std::size_t>(i)]);
  };
  store(thisLayer_, 2 * channel_);
  store(underlying_, 2 * channel_ + 1);
}

void CLayerTuneDlg::ShowRanges() {
  const auto show = [&](SliderCtrl4& slider, int lowId, int highId) {
    const auto& v = slider.Model().Values();
    SetDlgItemTextA(hwnd_, lowId, FormatRangePair(v[0], v[1]).c_str());
    SetDlgItemTextA(hwnd_, highId, FormatRangePair(v[2], v[3]).c_str());
  };
  show(thisLayer_, IDC_BLEND_THIS_LOW, IDC_BLEND_THIS_HIGH);
  show(underlying_, IDC_BLEND_UNDER_LOW, IDC_BLEND_UNDER_HIGH);
}

bool CLayerTuneDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  initialising_ = true;
  SendDlgItemMessageA(hwnd_, IDC_LAYER_OPACITY_SPIN, UDM_SETRANGE32, 0, 100);
  modes_.Attach(hwnd_, IDC_LAYER_MODE);
  modes_.Fill(MergeModeList(grey_, ModeListFor::kLayerOptions));
  const LAYER_INFO& info = session_.Working();
  modes_.Select(GetMergeModeName(info.mergeMode));
  static constexpr std::uint32_t kChannels[] = {IDS_CHANNEL_GRAY, IDS_CHANNEL_RED, IDS_CHANNEL_GREEN, IDS_CHANNEL_BLUE};
  // A grey image has only its grey channel.
  for (int i = 0; i < (grey_ ? 1 : 4); ++i) {
    const std::string text(res::String(kChannels[i]));
    SendDlgItemMessageA(hwnd_, IDC_LAYER_CHANNEL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendDlgItemMessageA(hwnd_, IDC_LAYER_CHANNEL, CB_SETCURSEL, 0, 0);
  thisLayer_.SubclassDlgItem(IDC_BLEND_THIS, *this);
  underlying_.SubclassDlgItem(IDC_BLEND_UNDER, *this);
  for (SliderCtrl4* slider : {&thisLayer_, &underlying_}) slider->Model().SetRange(0, 255);
  SetDlgItemName(hwnd_, IDC_LAYER_NAME, info.name);
  SetDlgItemInt(hwnd_, IDC_LAYER_OPACITY, static_cast<UINT>(info.opacity), FALSE);
  CheckDlgButton(hwnd_, IDC_LAYER_PREVIEW, session_.Previewing() ? BST_CHECKED : BST_UNCHECKED);
  LoadChannel();
  ShowRanges();
  initialising_ = false;
  started_ = true;
  return true;
}

bool CLayerTuneDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (modes_.HandleParentMessage(message, wParam, lParam, result)) return true;
  if (message == WM_HSCROLL && (reinterpret_cast<HWND>(lParam) == thisLayer_.Handle() ||
                                reinterpret_cast<HWND>(lParam) == underlying_.Handle())) {
    ShowRanges();
    StoreChannel();
    session_.Changed();
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && started_) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_LAYER_OPACITY && code == EN_CHANGE && !initialising_) {
      const std::string text = Text(IDC_LAYER_OPACITY);
      if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) != 0) {
        session_.Working().opacity = std::clamp(std::atoi(text.c_str()), 0, 100);
        session_.Changed();
      }
      return true;
    }
    if (id == IDC_LAYER_MODE && code == CBN_SELENDOK) {
      session_.Working().mergeMode = GetMergeModeByName(modes_.SelectedText());
      session_.Changed();
      return true;
    }
    if (id == IDC_LAYER_CHANNEL && code == CBN_SELENDOK) {
      StoreChannel();
      channel_ = std::max(0, static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_LAYER_CHANNEL, CB_GETCURSEL, 0, 0)));
      LoadChannel();
      ShowRanges();
      session_.Working().mergeMode = GetMergeModeByName(modes_.SelectedText());
      session_.Changed();
      return true;
    }
    if (id == IDC_LAYER_PREVIEW && code == BN_CLICKED) {
      session_.SetPreview(IsDlgButtonChecked(hwnd_, IDC_LAYER_PREVIEW) == BST_CHECKED);
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

void CLayerTuneDlg::OnOK() {
  const std::string name = DlgItemName(hwnd_, IDC_LAYER_NAME);
  if (name != session_.Starting().name) {
    std::string message;
    const std::string replacement = ReplacementForUsedName(*document_.Image().GetLayers(), name, &layer_, &message);
    if (!replacement.empty()) {
      WarnUsedName(hwnd_, IDC_LAYER_NAME, message, replacement);
      return;
    }
  }
  session_.Working().name = name;
  StoreChannel();
  if (!session_.Commit()) return;
  EndDialog(IDOK);
}

void CLayerTuneDlg::OnCancel() {
  session_.Cancel();
  EndDialog(IDCANCEL);
}

// ---- Duplicate Layer

CDublicateLayerDlg::CDublicateLayerDlg(CLumo40Doc& source, CLayer& layer)
    : CMyModalDlg(IDD_DUPLICATE_LAYER), source_(source), layer_(layer) {}

std::string CDublicateLayerDlg::Text(int id) const { return DialogText(hwnd_, id); }

CLumo40Doc* CDublicateLayerDlg::ChosenTarget() const {
  const LRESULT index = SendDlgItemMessageA(hwnd_, IDC_DUP_TARGET, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return nullptr;
  return reinterpret_cast<CLumo40Doc*>(SendDlgItemMessageA(hwnd_, IDC_DUP_TARGET, CB_GETITEMDATA, index, 0));
}

bool CDublicateLayerDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  if (fw::TheApp() != nullptr) choice.activate = fw::TheApp()->Settings().GetInt(kDuplicateSection, kActivateKey, 0) != 0;
  SetDlgItemName(hwnd_, IDC_DUP_SOURCE, layer_.GetName());
  HWND combo = GetDlgItem(hwnd_, IDC_DUP_TARGET);
  if (fw::TheApp() != nullptr) {
    for (fw::Document* doc : fw::TheApp()->Docs().AllDocuments()) {
      auto* image = dynamic_cast<CLumo40Doc*>(doc);
      if (image == nullptr) continue;
      const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(image->GetTitle().c_str()));
      SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(image));
    }
  }
  const std::string fresh(res::String(IDS_NEW_DOCUMENT_ITEM));
  const LRESULT freshAt = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fresh.c_str()));
  SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(freshAt), 0);
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (reinterpret_cast<CLumo40Doc*>(SendMessageA(combo, CB_GETITEMDATA, i, 0)) == &source_)
      SendMessageA(combo, CB_SETCURSEL, i, 0);
  }
  CheckDlgButton(hwnd_, IDC_DUP_ACTIVATE, choice.activate ? BST_CHECKED : BST_UNCHECKED);
  OnTargetChanged();
  return true;
}

void CDublicateLayerDlg::OnTargetChanged() {
  CLumo40Doc* target = ChosenTarget();
  const bool mainActive = fw::TheApp() != nullptr && fw::TheApp()->MainFrame() != nullptr &&
                          GetActiveTopLevelWnd() == fw::TheApp()->MainFrame()->Handle();
  const DuplicateTargetControls c =
      DuplicateTargetRules(&source_.Image(), target != nullptr ? &target->Image() : nullptr, mainActive);
  EnableWindow(GetDlgItem(hwnd_, IDOK), c.okEnabled);
  EnableWindow(GetDlgItem(hwnd_, IDC_DUP_AS), c.asEnabled);
  EnableWindow(GetDlgItem(hwnd_, IDC_DUP_DOC_NAME), c.newNameEnabled);
  EnableWindow(GetDlgItem(hwnd_, IDC_DUP_DOC_LABEL), c.newNameEnabled);
  EnableWindow(GetDlgItem(hwnd_, IDC_DUP_ACTIVATE), c.activateEnabled);
  // A free name in the target, made from the source layer's.
  CLumo40Doc& names = target != nullptr && target->Image().HasImage() ? *target : source_;
  const std::string name = names.Image().HasImage()
                               ? names.Image().GetLayers()->MakeUniqueLayerName(layer_.GetName(), 1, nullptr)
                               : layer_.GetName();
  SetDlgItemName(hwnd_, IDC_DUP_AS, name);
}

void CDublicateLayerDlg::OnOK() {
  CLumo40Doc* target = ChosenTarget();
  choice.target = target;
  choice.name = DlgItemName(hwnd_, IDC_DUP_AS);
  choice.documentName = Text(IDC_DUP_DOC_NAME);
  choice.activate = IsDlgButtonChecked(hwnd_, IDC_DUP_ACTIVATE) == BST_CHECKED;
  if (target == &source_) {
    std::string message;
    const std::string replacement =
        ReplacementForUsedName(*source_.Image().GetLayers(), choice.name, nullptr, &message);
    if (!replacement.empty()) {
      WarnUsedName(hwnd_, IDC_DUP_AS, message, replacement);
      return;
    }
  } else if (fw::TheApp() != nullptr) {
    fw::TheApp()->Settings().WriteInt(kDuplicateSection, kActivateKey, choice.activate ? 1 : 0);
  }
  EndDialog(IDOK);
}

bool CDublicateLayerDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_DUP_TARGET && HIWORD(wParam) == CBN_SELCHANGE) {
    OnTargetChanged();
    return true;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Remove layer mask

CRemoveLayerMaskDlg::CRemoveLayerMaskDlg()
    : fw::Dialog(IDD_REMOVE_LAYER_MASK, fw::Window::FromHandle(GetActiveTopLevelWnd())) {}

bool CRemoveLayerMaskDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  SendDlgItemMessageA(hwnd_, IDC_REMOVE_MASK_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_EXCLAMATION)), 0);
  return true;
}

bool CRemoveLayerMaskDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_REMOVE_MASK_DISCARD && HIWORD(wParam) == BN_CLICKED) {
    EndDialog(IDC_REMOVE_MASK_DISCARD);
    *result = TRUE;
    return true;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

int CRemoveLayerMaskDlg::Ask() {
  switch (DoModal()) {
    case IDOK: return 0;
    case IDC_REMOVE_MASK_DISCARD: return 1;
    default: return 2;
  }
}

// ---- Palette Options

CLayerPaletteOptions::CLayerPaletteOptions(fw::Window* parent) : fw::Dialog(IDD_PALETTE_OPTIONS, parent) {}

bool CLayerPaletteOptions::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  if (sizeIndex >= 0 && sizeIndex <= 3) CheckRadioButton(hwnd_, IDC_PO_NONE, IDC_PO_LARGE, IDC_PO_NONE + sizeIndex);
  return true;
}

void CLayerPaletteOptions::OnOK() {
  for (int i = 0; i < 4; ++i)
    if (IsDlgButtonChecked(hwnd_, IDC_PO_NONE + i) == BST_CHECKED) sizeIndex = i;
  fw::Dialog::OnOK();
}

bool CLayerPaletteOptions::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message != WM_PAINT) return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  HBITMAP pattern = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(322), IMAGE_BITMAP, 0,
                                                    0, LR_CREATEDIBSECTION));
  if (pattern != nullptr) {
    BITMAP info{};
    GetObjectA(pattern, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, pattern);
    for (int id : {IDC_PO_FRAME_SMALL, IDC_PO_FRAME_MEDIUM, IDC_PO_FRAME_LARGE}) {
      RECT r{};
      GetWindowRect(GetDlgItem(hwnd_, id), &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      InflateRect(&r, -2, -2);
      StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, info.bmWidth, info.bmHeight,
                 SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(pattern);
  }
  EndPaint(hwnd_, &ps);
  *result = TRUE;
  return true;
}

// ---- Layer Mask Display Options

CLayerMaskTuneDlg::CLayerMaskTuneDlg() : CMyModalDlg(IDD_LAYER_MASK_OPTIONS) {}

void CLayerMaskTuneDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindInt(IDC_LMO_OPACITY, opacity, 0, 100)};
  dx.Exchange(table);
}

bool CLayerMaskTuneDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  SetColour(colour);
  SendDlgItemMessageA(hwnd_, IDC_LMO_OPACITY_SPIN, UDM_SETRANGE32, 0, 100);
  UpdateData(false);
  return true;
}

void CLayerMaskTuneDlg::SetColour(COLORREF value) {
  colour = value & 0xFFFFFF;
  SendDlgItemMessageA(hwnd_, IDC_LMO_SWATCH, kVrCtlSetColour, 0, static_cast<LPARAM>(colour));
}

void CLayerMaskTuneDlg::OnOK() {
  if (!UpdateData(true)) return;
  colourWindow_.Close();
  EndDialog(IDOK);
}

void CLayerMaskTuneDlg::OnCancel() {
  colourWindow_.Close();
  CMyModalDlg::OnCancel();
}

bool CLayerMaskTuneDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case kColourWindowSet:
    case kColourWindowChanged:
      SetColour(static_cast<COLORREF>(lParam));
      *result = 1;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) colourWindow_.Bind(hwnd_, colour);
      break;
    case WM_DESTROY:
      colourWindow_.GiveBack();
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == IDC_LMO_SWATCH) {
        if (!colourWindow_.Open(hwnd_, colour)) MessageBeep(MB_ICONHAND);
        return true;
      }
      if (LOWORD(wParam) == IDC_LMO_PICK_UP) {
        const std::int32_t picked = LUPickUpColor(nullptr, hwnd_, 0, 0);
        if (picked == kNoColour) return true;
        SetColour(static_cast<COLORREF>(picked));
        colourWindow_.Show(colour);
        return true;
      }
      break;
    default:
      break;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

LayerDialogs MakeLayerDialogs() {
  LayerDialogs dialogs;
  dialogs.newLayer = [](CLumo40Doc& doc, NewLayerChoice* choice) {
    CLayerNewDlg dialog(doc);
    dialog.name = choice->info.name;
    dialog.opacity = choice->info.opacity;
    dialog.modeName = GetMergeModeName(choice->info.mergeMode);
    dialog.group = choice->info.grouped;
    dialog.fill = choice->fill ? 1 : 0;
    if (dialog.DoModal() != IDOK) return false;
    choice->info.name = dialog.name;
    choice->info.opacity = dialog.opacity;
    choice->info.mergeMode = GetMergeModeByName(dialog.modeName);
    choice->info.grouped = dialog.group;
    choice->fill = dialog.fill != 0;
    return true;
  };
  dialogs.layerOptions = [](CLumo40Doc& doc, CLayer& layer, LAYER_INFO* result) {
    CLayerTuneDlg dialog(doc, layer);
    if (dialog.DoModal() != IDOK) return false;
    *result = dialog.Result();
    return true;
  };
  dialogs.duplicateLayer = [](CLumo40Doc& doc, CLayer& layer, DuplicateLayerChoice* choice) {
    CDublicateLayerDlg dialog(doc, layer);
    if (dialog.DoModal() != IDOK) return false;
    *choice = dialog.choice;
    return true;
  };
  dialogs.removeMask = [] { return CRemoveLayerMaskDlg().Ask(); };
  return dialogs;
}

}  // namespace lumora
