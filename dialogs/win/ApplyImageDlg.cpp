// The Apply Image dialog: the lists, the mask section, and each change
// recomputing the result the session puts in place of the active layer.
#include "dialogs/win/ApplyImageDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dialogs/win/ImageComboLists.h"
#include "engine/blend/MergeModes.h"
#include "framework/win/App.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

fw::Profile* SettingsFile() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

constexpr int kMaskSectionIds[] = {IDC_AI_MASK_GROUP,         IDC_AI_MASK_DOC_LABEL, IDC_AI_MASK_DOC,
                                   IDC_AI_MASK_LAYER_LABEL,   IDC_AI_MASK_LAYER,     IDC_AI_MASK_CHANNEL_LABEL,
                                   IDC_AI_MASK_CHANNEL,       IDC_AI_MASK_INVERT};

}  // namespace

CApplyImage::CApplyImage() : CMyModalDlg(IDD_APPLY_IMAGE) {
  if (fw::Profile* profile = SettingsFile()) settings_ = LoadApplyImageSettings(*profile->Snapshot());
}

CApplyImage::~CApplyImage() {
  if (saveSettings_) {
    if (fw::Profile* profile = SettingsFile()) SaveApplyImageSettings(*profile, settings_);
  }
}

void CApplyImage::DoDataExchange(fw::DataExchangeContext& dx) {
  double& scale = addSelected_ ? settings_.addScale : settings_.subScale;
  int& offset = addSelected_ ? settings_.addOffset : settings_.subOffset;
  const bool scaleShown = IsWindowVisible(GetDlgItem(hwnd_, IDC_AI_SCALE)) != FALSE;
  const fw::Binding table[] = {fw::BindInt(IDC_AI_OPACITY, settings_.opacity),
                               fw::BindCheck(IDC_AI_SOURCE_INVERT, settings_.sourceInverted),
                               fw::BindCheck(IDC_AI_MASK_INVERT, settings_.maskInverted),
                               fw::BindCheck(IDC_AI_PREVIEW, settings_.preview),
                               fw::BindCheck(IDC_AI_PRESERVE, preserve_),
                               fw::BindCheck(IDC_AI_MASK, settings_.mask),
                               fw::BindDouble(IDC_AI_SCALE, scale, 1.0, 2.0),
                               fw::BindInt(IDC_AI_OFFSET, offset, -255, 255)};
  // Scale and Offset count only while they are shown (Add or Subtract).
  dx.Exchange(std::span<const fw::Binding>(table, scaleShown ? 8 : 6));
}

bool CApplyImage::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  blending_.SubclassDlgItem(IDC_AI_BLENDING, *this);
  sourceLayer_.SubclassDlgItem(IDC_AI_SOURCE_LAYER, *this);
  sourceChannel_.SubclassDlgItem(IDC_AI_SOURCE_CHANNEL, *this);
  maskLayer_.SubclassDlgItem(IDC_AI_MASK_LAYER, *this);
  maskChannel_.SubclassDlgItem(IDC_AI_MASK_CHANNEL, *this);
  RECT group{}, check{};
  GetWindowRect(GetDlgItem(hwnd_, IDC_AI_MASK_GROUP), &group);
  GetWindowRect(GetDlgItem(hwnd_, IDC_AI_MASK), &check);
  maskSectionHeight_ = group.bottom - check.bottom;
  if (session == nullptr || !session->Valid()) return true;
  targetType_ = session->Saved()->GetImageType() == kWAType8Grey ? kWAType8Grey : kWAType24;
  // A layer without transparency to keep is always composited in place.
  if (session->SavedActive()->IsTransparencyLocked()) {
    preserve_ = 1;
    EnableWindow(GetDlgItem(hwnd_, IDC_AI_PRESERVE), FALSE);
  }
  for (const ApplyImageDocument& doc : documents) entries_.push_back(Entry{doc.title, doc.document, nullptr});
  FillBlending();
  FillDocuments(IDC_AI_SOURCE_DOC, settings_.sourceDoc);
  FillDocuments(IDC_AI_MASK_DOC, settings_.maskDoc);
  const CLayer* active = session->SavedActive();
  const std::string target = targetTitle + " (" + active->GetName() + ", " +
                             (active->GetImageType() == kWAType24 ? "RGB" : "GRAY") + ")";
  SetDlgItemTextA(hwnd_, IDC_AI_TARGET, target.c_str());
  const int source = SelectedEntry(IDC_AI_SOURCE_DOC), mask = SelectedEntry(IDC_AI_MASK_DOC);
  FillChannels(sourceChannel_, source, false, settings_.sourceChannel);
  FillLayers(sourceLayer_, source, settings_.sourceLayer);
  FillChannels(maskChannel_, mask, true, settings_.maskChannel);
  FillLayers(maskLayer_, mask, settings_.maskSource);
  OpenMaskSection(settings_.mask != 0);
  SendDlgItemMessageA(hwnd_, IDC_AI_OPACITY_SPIN, UDM_SETRANGE32, 1, 100);
  ShowScaleOffset();
  UpdateData(false);
  initialised_ = true;
  if (settings_.preview != 0) ShowResult();
  return true;
}

void CApplyImage::FillBlending() {
  for (int code : ApplyBlendingEntries(targetType_)) {
    if (code == kSeparatorCode) {
      blending_.AddSeparator();
    } else {
      blending_.SetItemData(blending_.AddString(GetMergeModeName(code)), code);
    }
  }
  SelectRemembered(blending_, settings_.merge);
}

void CApplyImage::FillDocuments(int comboId, const std::string& remembered) {
  std::vector<std::string> titles;
  int target = -1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    titles.push_back(entries_[i].title);
    if (target < 0 && entries_[i].document == session->Document()) target = static_cast<int>(i);
  }
  FillDocumentCombo(hwnd_, comboId, titles, target, remembered);
}

int CApplyImage::SelectedEntry(int comboId) const { return SelectedComboData(hwnd_, comboId); }

ApplyImageSource* CApplyImage::SourceOf(int entry) {
  if (entry < 0 || entry >= static_cast<int>(entries_.size())) return nullptr;
  Entry& e = entries_[static_cast<std::size_t>(entry)];
  if (!e.source) {
    // The target is read as it was before the dialog.
    CLayersManager* stack = e.document == session->Document() ? session->Saved() : e.document->GetLayers();
    e.source = std::make_unique<ApplyImageSource>(stack, e.document->GetSelection());
  }
  return e.source.get();
}

void CApplyImage::FillChannels(CComboBoxSeparator& combo, int entry, bool mask, const std::string& remembered) {
  combo.ResetContent();
  ApplyImageSource* source = SourceOf(entry);
  if (source == nullptr || source->Stack() == nullptr) return;
  const int type = source->Stack()->GetImageType();
  const bool selection = source->Selection() != nullptr;
  FillChannelCombo(combo, mask ? ApplyMaskChannels(type, selection) : ApplySourceChannels(type, selection), remembered);
}

void CApplyImage::FillLayers(CComboBoxSeparator& combo, int entry, const std::string& remembered) {
  combo.ResetContent();
  ApplyImageSource* source = SourceOf(entry);
  if (source != nullptr && source->Stack() != nullptr) FillLayerCombo(combo, *source->Stack(), remembered);
}

void CApplyImage::PullLists() {
  settings_.merge = SelectedComboText(hwnd_, IDC_AI_BLENDING);
  settings_.sourceDoc = SelectedComboText(hwnd_, IDC_AI_SOURCE_DOC);
  settings_.sourceLayer = SelectedComboText(hwnd_, IDC_AI_SOURCE_LAYER);
  settings_.sourceChannel = SelectedComboText(hwnd_, IDC_AI_SOURCE_CHANNEL);
  settings_.maskDoc = SelectedComboText(hwnd_, IDC_AI_MASK_DOC);
  settings_.maskSource = SelectedComboText(hwnd_, IDC_AI_MASK_LAYER);
  settings_.maskChannel = SelectedComboText(hwnd_, IDC_AI_MASK_CHANNEL);
}

void CApplyImage::OpenMaskSection(bool open) {
  SetDlgItemTextA(hwnd_, IDC_AI_MASK, std::string(res::String(open ? kMaskOpenText : kMaskClosedText)).c_str());
  for (int id : kMaskSectionIds) ShowWindow(GetDlgItem(hwnd_, id), open ? SW_SHOW : SW_HIDE);
  if (open == maskOpen_) return;
  maskOpen_ = open;
  const int delta = open ? maskSectionHeight_ : -maskSectionHeight_;
  // The Blending frame and the dialog grow or shrink by the section.
  HWND frame = GetDlgItem(hwnd_, IDC_AI_BLEND_GROUP);
  RECT r{};
  GetWindowRect(frame, &r);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(frame, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + delta, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + delta, SWP_NOMOVE | SWP_NOZORDER);
}

void CApplyImage::ShowScaleOffset() {
  const int code = GetMergeModeByName(SelectedComboText(hwnd_, IDC_AI_BLENDING));
  addSelected_ = code == kMergeAdd;
  const bool shown = code == kMergeAdd || code == kMergeSubtract;
  for (int id : {IDC_AI_SCALE_LABEL, IDC_AI_SCALE, IDC_AI_OFFSET_LABEL, IDC_AI_OFFSET}) {
    ShowWindow(GetDlgItem(hwnd_, id), shown ? SW_SHOW : SW_HIDE);
  }
  if (!shown) return;
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", addSelected_ ? settings_.addScale : settings_.subScale);
  SetDlgItemTextA(hwnd_, IDC_AI_SCALE, text);
  SetDlgItemInt(hwnd_, IDC_AI_OFFSET, static_cast<UINT>(addSelected_ ? settings_.addOffset : settings_.subOffset),
                TRUE);
}

void CApplyImage::Refresh() {
  if (settings_.preview != 0) {
    ShowResult();
  } else if (shown_) {
    RemoveResult();
  }
}

void CApplyImage::ShowResult() {
  if (session == nullptr || !session->Valid()) return;
  const ApplyWork work = MakeApplyWork(*session->Saved(), session->SavedActive(), preserve_ != 0);
  const bool maskOpen = settings_.mask != 0;
  if (maskOpen && !maskSourceLayer_) {
    if (ApplyImageSource* mask = SourceOf(SelectedEntry(IDC_AI_MASK_DOC))) {
      const bool merged = MergedChosen(maskLayer_);
      maskSourceLayer_ = BuildApplyMaskSource(*mask, merged, settings_.maskSource,
                                              ChannelFromName(settings_.maskChannel), work);
    }
  }
  if (!builtSource_) {
    if (ApplyImageSource* source = SourceOf(SelectedEntry(IDC_AI_SOURCE_DOC))) {
      const bool merged = MergedChosen(sourceLayer_);
      builtSource_ = BuildApplySource(*source, merged, settings_.sourceLayer, ChannelFromName(settings_.sourceChannel),
                                      settings_.sourceInverted != 0, work);
      if (builtSource_ && maskOpen && maskSourceLayer_) {
        builtSource_ = MaskApplyLayer(*builtSource_, *maskSourceLayer_, ChannelFromName(settings_.maskChannel),
                                      settings_.maskInverted != 0);
      }
    }
  }
  // A source that yields no pixels changes nothing.
  if (!builtSource_) return;
  ApplyBlend blend;
  blend.opacity = settings_.opacity;
  blend.mergeMode = GetMergeModeByName(settings_.merge);
  blend.addScale = ScaleToStored(settings_.addScale);
  blend.addOffset = settings_.addOffset;
  blend.subScale = ScaleToStored(settings_.subScale);
  blend.subOffset = settings_.subOffset;
  blend.preserve = preserve_ != 0;
  CLayerPtr result;
  {
    HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    DocumentLockScope lock(session->Document());
    result = BlendApplyLayer(*session->Saved(), builtSource_.get(), *session->SavedActive(), blend);
    SetCursor(before);
  }
  if (result && session->Put(result.get())) shown_ = true;
}

void CApplyImage::RemoveResult() {
  if (session != nullptr && session->PutOriginal()) shown_ = false;
}

void CApplyImage::PullQuiet() {
  // While the user types, only what reads as a value in range counts; OK
  // checks the fields for real.
  const auto check = [&](int id) { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED ? 1 : 0; };
  settings_.sourceInverted = check(IDC_AI_SOURCE_INVERT);
  settings_.maskInverted = check(IDC_AI_MASK_INVERT);
  settings_.preview = check(IDC_AI_PREVIEW);
  settings_.mask = check(IDC_AI_MASK);
  preserve_ = check(IDC_AI_PRESERVE);
  BOOL read = FALSE;
  const int opacity = static_cast<int>(GetDlgItemInt(hwnd_, IDC_AI_OPACITY, &read, TRUE));
  if (read) settings_.opacity = opacity;
  if (IsWindowVisible(GetDlgItem(hwnd_, IDC_AI_SCALE))) {
    char text[64] = {};
    GetDlgItemTextA(hwnd_, IDC_AI_SCALE, text, sizeof text);
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    if (end != text && scale >= 1.0 && scale <= 2.0) (addSelected_ ? settings_.addScale : settings_.subScale) = scale;
    const int offset = static_cast<int>(GetDlgItemInt(hwnd_, IDC_AI_OFFSET, &read, TRUE));
    if (read && offset >= -255 && offset <= 255) (addSelected_ ? settings_.addOffset : settings_.subOffset) = offset;
  }
  PullLists();
}

void CApplyImage::OnControl(int id, int code) {
  const bool changed = code == CBN_SELCHANGE || code == BN_CLICKED || code == EN_CHANGE;
  if (!initialised_ || !changed) return;
  PullQuiet();
  switch (id) {
    case IDC_AI_SOURCE_DOC: {
      const int entry = SelectedEntry(IDC_AI_SOURCE_DOC);
      FillChannels(sourceChannel_, entry, false, settings_.sourceChannel);
      FillLayers(sourceLayer_, entry, settings_.sourceLayer);
      PullLists();
      builtSource_ = nullptr;
      break;
    }
    case IDC_AI_MASK_DOC: {
      const int entry = SelectedEntry(IDC_AI_MASK_DOC);
      FillChannels(maskChannel_, entry, true, settings_.maskChannel);
      FillLayers(maskLayer_, entry, settings_.maskSource);
      PullLists();
      builtSource_ = nullptr;
      maskSourceLayer_ = nullptr;
      break;
    }
    case IDC_AI_SOURCE_LAYER:
    case IDC_AI_SOURCE_CHANNEL:
    case IDC_AI_SOURCE_INVERT:
    case IDC_AI_MASK_INVERT:
      builtSource_ = nullptr;
      break;
    case IDC_AI_MASK_LAYER:
    case IDC_AI_MASK_CHANNEL:
    case IDC_AI_PRESERVE:
      builtSource_ = nullptr;
      maskSourceLayer_ = nullptr;
      break;
    case IDC_AI_MASK:
      OpenMaskSection(settings_.mask != 0);
      builtSource_ = nullptr;
      break;
    case IDC_AI_BLENDING:
      ShowScaleOffset();
      break;
    case IDC_AI_SCALE:
    case IDC_AI_OFFSET:
    case IDC_AI_OPACITY:
    case IDC_AI_PREVIEW:
      break;
    default:
      return;
  }
  Refresh();
}

bool CApplyImage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
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

void CApplyImage::OnOK() {
  PullLists();
  if (!UpdateData(true)) return;
  if (settings_.preview == 0 || !shown_) ShowResult();
  saveSettings_ = true;
  EndDialog(IDOK);
}

void CApplyImage::OnCancel() {
  PullLists();
  EndDialog(IDCANCEL);
}

}  // namespace lumora
