// The Mixing dialog: three groups of lists, the mask section, and the
// working result layer shown in the target while Preview is on.
#include "dialogs/win/MixingDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "dialogs/win/ImageComboLists.h"
#include "engine/blend/MergeModes.h"
#include "framework/win/App.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

fw::Profile* SettingsFile() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

constexpr int kMaskSectionIds[] = {IDC_MX_MASK_GROUP,       IDC_MX_MASK_DOC_LABEL, IDC_MX_MASK_DOC,
                                   IDC_MX_MASK_LAYER_LABEL, IDC_MX_MASK_LAYER,     IDC_MX_MASK_CHANNEL_LABEL,
                                   IDC_MX_MASK_CHANNEL,     IDC_MX_MASK_INVERT};

// The Result list of the template: index 0 and 1.
constexpr const char* kResultEntries[] = {"New Document", "Selection"};

}  // namespace

CMixingsDlg::CMixingsDlg() : CMyModalDlg(IDD_MIXING) {
  if (fw::Profile* profile = SettingsFile()) settings_ = LoadMixingSettings(*profile->Snapshot());
}

CMixingsDlg::~CMixingsDlg() {
  if (saveSettings_) {
    if (fw::Profile* profile = SettingsFile()) SaveMixingSettings(*profile, settings_);
  }
}

CMixingsDlg::Group CMixingsDlg::Bottom() {
  return {IDC_MX_BOTTOM_DOC,     IDC_MX_BOTTOM_LAYER,     IDC_MX_BOTTOM_CHANNEL,    &bottomLayer_,
          &bottomChannel_,       &settings_.bottomDoc,    &settings_.bottomLayer,   &settings_.bottomChannel};
}
CMixingsDlg::Group CMixingsDlg::Top() {
  return {IDC_MX_TOP_DOC, IDC_MX_TOP_LAYER,  IDC_MX_TOP_CHANNEL,  &topLayer_,
          &topChannel_,   &settings_.topDoc, &settings_.topLayer, &settings_.topChannel};
}
CMixingsDlg::Group CMixingsDlg::Mask() {
  return {IDC_MX_MASK_DOC, IDC_MX_MASK_LAYER,  IDC_MX_MASK_CHANNEL,  &maskLayer_,
          &maskChannel_,   &settings_.maskDoc, &settings_.maskLayer, &settings_.maskChannel};
}

void CMixingsDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  double& scale = addSelected_ ? settings_.addScale : settings_.subScale;
  int& offset = addSelected_ ? settings_.addOffset : settings_.subOffset;
  const bool scaleShown = IsWindowVisible(GetDlgItem(hwnd_, IDC_MX_SCALE)) != FALSE;
  const fw::Binding table[] = {fw::BindInt(IDC_MX_OPACITY, settings_.opacity, 1, 100),
                               fw::BindCheck(IDC_MX_TOP_INVERT, settings_.topInverted),
                               fw::BindCheck(IDC_MX_BOTTOM_INVERT, settings_.bottomInverted),
                               fw::BindCheck(IDC_MX_MASK_INVERT, settings_.maskInverted),
                               fw::BindCheck(IDC_MX_PREVIEW, settings_.preview),
                               fw::BindCheck(IDC_MX_MASK, settings_.mask),
                               fw::BindComboIndex(IDC_MX_RESULT, settings_.result),
                               fw::BindDouble(IDC_MX_SCALE, scale, 1.0, 2.0),
                               fw::BindInt(IDC_MX_OFFSET, offset, -255, 255)};
  // Scale and Offset count only while they are shown (Add or Subtract).
  dx.Exchange(std::span<const fw::Binding>(table, scaleShown ? 9 : 7));
}

bool CMixingsDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  if (session == nullptr || !session->Valid()) {
    EndDialog(IDCANCEL);
    return true;
  }
  blending_.SubclassDlgItem(IDC_MX_BLENDING, *this);
  for (auto [combo, id] : {std::pair{&topLayer_, IDC_MX_TOP_LAYER}, {&topChannel_, IDC_MX_TOP_CHANNEL},
                           {&bottomLayer_, IDC_MX_BOTTOM_LAYER}, {&bottomChannel_, IDC_MX_BOTTOM_CHANNEL},
                           {&maskLayer_, IDC_MX_MASK_LAYER}, {&maskChannel_, IDC_MX_MASK_CHANNEL}}) {
    combo->SubclassDlgItem(static_cast<std::uint32_t>(id), *this);
  }
  RECT group{}, check{};
  GetWindowRect(GetDlgItem(hwnd_, IDC_MX_MASK_GROUP), &group);
  GetWindowRect(GetDlgItem(hwnd_, IDC_MX_MASK), &check);
  maskSectionHeight_ = group.bottom - check.bottom;
  OpenMaskSection(settings_.mask != 0);
  for (int code : MixingBlendingEntries()) {
    if (code == kSeparatorCode) {
      blending_.AddSeparator();
    } else {
      blending_.SetItemData(blending_.AddString(GetMergeModeName(code)), code);
    }
  }
  SelectRemembered(blending_, settings_.merge);
  for (const ApplyImageDocument& doc : documents) entries_.push_back(Entry{doc.title, doc.document, nullptr});
  for (const char* text : kResultEntries) {
    SendDlgItemMessageA(hwnd_, IDC_MX_RESULT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  for (const Group& g : {Top(), Bottom(), Mask()}) FillGroup(g);
  SendDlgItemMessageA(hwnd_, IDC_MX_OPACITY_SPIN, UDM_SETRANGE32, 1, 100);
  ShowScaleOffset();
  UpdateData(false);
  initialised_ = true;
  if (settings_.preview != 0) Refresh();
  return true;
}

void CMixingsDlg::FillGroup(const Group& g) {
  std::vector<std::string> titles;
  int target = -1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    titles.push_back(entries_[i].title);
    if (target < 0 && entries_[i].document == session->Document()) target = static_cast<int>(i);
  }
  const std::string remembered = *g.docName;
  FillDocumentCombo(hwnd_, g.doc, titles, target, remembered);
  FillChannelCombo(*g.channels, {}, "");
  g.layers->ResetContent();
  ApplyImageSource* source = SourceOf(SelectedComboData(hwnd_, g.doc));
  if (source == nullptr || source->Stack() == nullptr) return;
  FillChannelCombo(*g.channels, MixingChannels(source->Stack()->GetImageType(), source->Selection() != nullptr),
                   *g.channelName);
  FillLayerCombo(*g.layers, *source->Stack(), *g.layerName);
}

ApplyImageSource* CMixingsDlg::SourceOf(int entry) {
  if (entry < 0 || entry >= static_cast<int>(entries_.size())) return nullptr;
  Entry& e = entries_[static_cast<std::size_t>(entry)];
  if (!e.source) {
    // The target is read as it was before the working layer came.
    CLayersManager* stack = e.document == session->Document() ? session->Saved() : e.document->GetLayers();
    e.source = std::make_unique<ApplyImageSource>(stack, e.document->GetSelection());
  }
  return e.source.get();
}

CLayerPtr CMixingsDlg::Take(const Group& g) {
  ApplyImageSource* source = SourceOf(SelectedComboData(hwnd_, g.doc));
  if (source == nullptr || source->Stack() == nullptr) return {};
  const ApplyWork work = MakeApplyWork(*session->Saved(), nullptr, false);
  return TakeMixingLayer(*source, MergedChosen(*g.layers), *g.layerName, ChannelFromName(*g.channelName), work);
}

void CMixingsDlg::PullQuiet() {
  // While the user types, only what reads as a value in range counts; OK
  // checks the fields for real.
  const auto check = [&](int id) { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED ? 1 : 0; };
  settings_.topInverted = check(IDC_MX_TOP_INVERT);
  settings_.bottomInverted = check(IDC_MX_BOTTOM_INVERT);
  settings_.maskInverted = check(IDC_MX_MASK_INVERT);
  settings_.preview = check(IDC_MX_PREVIEW);
  settings_.mask = check(IDC_MX_MASK);
  const int result = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_MX_RESULT, CB_GETCURSEL, 0, 0));
  if (result >= 0) settings_.result = result;
  BOOL read = FALSE;
  const int opacity = static_cast<int>(GetDlgItemInt(hwnd_, IDC_MX_OPACITY, &read, TRUE));
  if (read && opacity >= 1 && opacity <= 100) settings_.opacity = opacity;
  if (IsWindowVisible(GetDlgItem(hwnd_, IDC_MX_SCALE))) {
    char text[64] = {};
    GetDlgItemTextA(hwnd_, IDC_MX_SCALE, text, sizeof text);
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    if (end != text && scale >= 1.0 && scale <= 2.0) (addSelected_ ? settings_.addScale : settings_.subScale) = scale;
    const int offset = static_cast<int>(GetDlgItemInt(hwnd_, IDC_MX_OFFSET, &read, TRUE));
    if (read && offset >= -255 && offset <= 255) (addSelected_ ? settings_.addOffset : settings_.subOffset) = offset;
  }
  settings_.merge = SelectedComboText(hwnd_, IDC_MX_BLENDING);
  for (const Group& g : {Top(), Bottom(), Mask()}) {
    *g.docName = SelectedComboText(hwnd_, g.doc);
    *g.layerName = SelectedComboText(hwnd_, g.layer);
    *g.channelName = SelectedComboText(hwnd_, g.channel);
  }
}

void CMixingsDlg::OpenMaskSection(bool open) {
  for (int id : kMaskSectionIds) ShowWindow(GetDlgItem(hwnd_, id), open ? SW_SHOW : SW_HIDE);
  if (open == maskOpen_) return;
  maskOpen_ = open;
  const int delta = open ? maskSectionHeight_ : -maskSectionHeight_;
  HWND frame = GetDlgItem(hwnd_, IDC_MX_BLEND_GROUP);
  RECT r{};
  GetWindowRect(frame, &r);
  SetWindowPos(frame, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + delta, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + delta, SWP_NOMOVE | SWP_NOZORDER);
}

void CMixingsDlg::ShowScaleOffset() {
  const int code = GetMergeModeByName(SelectedComboText(hwnd_, IDC_MX_BLENDING));
  addSelected_ = code == kMergeAdd;
  const bool shown = code == kMergeAdd || code == kMergeSubtract;
  for (int id : {IDC_MX_SCALE_LABEL, IDC_MX_SCALE, IDC_MX_OFFSET_LABEL, IDC_MX_OFFSET}) {
    ShowWindow(GetDlgItem(hwnd_, id), shown ? SW_SHOW : SW_HIDE);
  }
  if (!shown) return;
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", addSelected_ ? settings_.addScale : settings_.subScale);
  SetDlgItemTextA(hwnd_, IDC_MX_SCALE, text);
  SetDlgItemInt(hwnd_, IDC_MX_OFFSET, static_cast<UINT>(addSelected_ ? settings_.addOffset : settings_.subOffset),
                TRUE);
}

void CMixingsDlg::Compute(CLayer& result) {
  HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  // The working layer may be in the target's stack, which views render.
  DocumentLockScope lock(session->Document());
  CLayerPtr bottom = Take(Bottom());
  FillMixingChannel(result, bottom.get(), ChannelFromName(settings_.bottomChannel), settings_.bottomInverted != 0);
  const RECT whole = result.GetRect();
  LAYER_INFO info;
  InitLayerInfo(info);
  CLayerPtr top;
  try {
    top = CLayerPtr::Adopt(new CLayer(&whole, info, session->TargetType(), 0));
  } catch (const std::exception&) {
    SetCursor(before);
    return;
  }
  CLayerPtr topSource = Take(Top());
  FillMixingChannel(*top, topSource.get(), ChannelFromName(settings_.topChannel), settings_.topInverted != 0);
  if (SetMixingTopMask(*top, topSource.get()) && settings_.mask != 0) {
    if (CLayerPtr mask = Take(Mask())) {
      MaskMixingTop(*top, *mask, ChannelFromName(settings_.maskChannel), settings_.maskInverted != 0);
    }
  }
  ApplyBlend blend;
  blend.opacity = settings_.opacity;
  blend.mergeMode = GetMergeModeByName(settings_.merge);
  blend.addScale = ScaleToStored(settings_.addScale);
  blend.addOffset = settings_.addOffset;
  blend.subScale = ScaleToStored(settings_.subScale);
  blend.subOffset = settings_.subOffset;
  BlendMixing(result, *top, blend);
  SetCursor(before);
}

void CMixingsDlg::Refresh() {
  if (settings_.preview != 0) {
    Compute(*session->Result());
    session->Show(true);
    shown_ = true;
  } else if (shown_) {
    session->Show(false);
    shown_ = false;
  }
}

void CMixingsDlg::OnControl(int id, int code) {
  const bool changed = code == CBN_SELCHANGE || code == BN_CLICKED || code == EN_CHANGE;
  if (!initialised_ || !changed) return;
  PullQuiet();
  switch (id) {
    case IDC_MX_TOP_DOC:
      FillGroup(Top());
      break;
    case IDC_MX_BOTTOM_DOC:
      FillGroup(Bottom());
      break;
    case IDC_MX_MASK_DOC:
      FillGroup(Mask());
      break;
    case IDC_MX_MASK:
      OpenMaskSection(settings_.mask != 0);
      break;
    case IDC_MX_BLENDING:
      ShowScaleOffset();
      break;
    case IDC_MX_RESULT:
      return;
    default:
      break;
  }
  PullQuiet();
  Refresh();
}

bool CMixingsDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
    if (ReflectControlMessage(message, wParam, lParam)) {
      *result = TRUE;
      return true;
    }
  }
  if (message == WM_COMMAND) {
    ReflectControlMessage(message, wParam, lParam);
    const int id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL) {
      OnControl(id, HIWORD(wParam));
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

void CMixingsDlg::OnOK() {
  PullQuiet();
  if (!UpdateData(true)) return;
  PullQuiet();
  saveSettings_ = true;
  session->Show(false);
  const bool computed = shown_;
  result_ = session->Finish();
  if (result_ && !computed) Compute(*result_);
  EndDialog(IDOK);
}

void CMixingsDlg::OnCancel() {
  if (session != nullptr) {
    session->Show(false);
    session->Finish();
  }
  EndDialog(IDCANCEL);
}

}  // namespace lumora
