#include "dialogs/win/HelpWizard.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "dialogs/win/HelpSupport.h"
#include "document/ImageDocument.h"
#include "document/win/AppServices.h"
#include "framework/win/App.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/Dib.h"
#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "lang/ToolHostAdapters.h"
#include "lang/ToolRunner.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

using dialogs::EffectKind;
using VrWA2000::WA;

constexpr int kZoomOne = 4096;

std::string Text(std::uint32_t id) { return std::string(res::String(id)); }

void ShowItem(HWND dialog, int id, bool show) { ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE); }

int SliderPos(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

// Runs a tool of the wizard on a buffer no window shows: nothing is
// refreshed or backed up by the run itself.
bool RunEffect(const void* site, const dialogs::ParsedEffect& effect, int preset, WA* buffer, Fragment* limit) {
  lang::LUToolRunHost host(site);
  lang::ToolRunContext context{host, nullptr};
  const std::string arguments =
      preset >= 0 && preset < static_cast<int>(effect.presets.size()) ? effect.presets[static_cast<std::size_t>(preset)]
                                                                      : std::string();
  Fragment* handle = limit;
  return lang::RunToolOnImage(context, effect.tool, buffer, arguments, effect.format, &handle, 0, 0) == 1;
}

}  // namespace

// ---- Sheet ----

CHelpWizardSheet::CHelpWizardSheet(HelpWizardHost& host, fw::Window* parent)
    : fw::PropertySheet(Text(IDS_HW_CAPTION), parent), host_(host) {
  AddPage(&page1_);
  AddPage(&page2_);
  AddPage(&page3_);
  AddPage(&page4_);
  AddPage(&page5_);
  SetWizardMode();
}

CHelpWizardSheet::~CHelpWizardSheet() {
  if (IsOpen()) DestroyWindow();
}

int& CHelpWizardSheet::Kind() {
  static int kind = 0;
  return kind;
}

bool CHelpWizardSheet::Open() {
  if (IsOpen()) return true;
  startPage_ = 0;
  if (!Create()) return false;
  SetDocument(host_.ActiveDocument());
  return true;
}

int CHelpWizardSheet::Ask(std::uint32_t textId, UINT type) {
  return ::MessageBoxA(hwnd_, Text(textId).c_str(), caption_.c_str(), type);
}

bool CHelpWizardSheet::CheckDocument(ImageDocument* doc) {
  if (doc == nullptr || !doc->HasImage()) {
    Ask(IDS_HW_LOAD_IMAGE_FIRST, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (doc->GetLayers()->IsFlat()) return true;
  if (Ask(IDS_HW_FLATTEN_FIRST, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
  return doc->FlattenImage();
}

void CHelpWizardSheet::SetDocument(ImageDocument* doc) {
  if (doc != nullptr && !doc->HasImage()) doc = nullptr;
  const bool firstPage = GetActiveIndex() <= 0;
  if (doc != nullptr && !doc->GetLayers()->IsFlat()) {
    if (Ask(IDS_HW_FLATTEN_FIRST, MB_YESNO | MB_ICONQUESTION) == IDYES) {
      doc->FlattenImage();
    } else if (!firstPage) {
      SetActivePage(1);
    }
  }
  for (CHelpWizardPage* page : {static_cast<CHelpWizardPage*>(&page2_), static_cast<CHelpWizardPage*>(&page3_),
                                static_cast<CHelpWizardPage*>(&page4_), static_cast<CHelpWizardPage*>(&page5_)})
    page->SetDocument(doc);
  if (doc == nullptr && !firstPage) SetActivePage(1);
}

LRESULT CHelpWizardSheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The Cancel button, whose text is "Close", closes the sheet.
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    return 0;
  }
  if (message == WM_CLOSE) {
    DestroyWindow();
    return 0;
  }
  return fw::PropertySheet::WindowProc(message, wParam, lParam);
}

ImageDocument* CHelpWizardPage::LiveDocument() {
  ImageDocument* active = wizard_.Host().ActiveDocument();
  if (active != doc_) wizard_.SetDocument(active);
  return doc_;
}

// ---- Page 1: welcome ----

bool CHelpWizardPage1::OnSetActive() {
  HWND sheet = GetParent(hwnd_);
  SetDlgItemTextA(sheet, IDCANCEL, Text(IDS_CLOSE_BUTTON).c_str());
  wizard_.SetWizardButtons(PSWIZB_NEXT);
  return true;
}

// ---- Page 2: the image ----

void CHelpWizardPage2::SetDocument(ImageDocument* doc) {
  CHelpWizardPage::SetDocument(doc);
  if (hwnd_ != nullptr) Refresh();
}

void CHelpWizardPage2::Refresh() {
  EnableWindow(GetDlgItem(hwnd_, IDC_HW_ACTIVE_IMAGE), doc_ != nullptr);
  CheckRadioButton(hwnd_, IDC_HW_ACTIVE_IMAGE, IDC_HW_OPEN_IMAGE,
                   doc_ != nullptr ? IDC_HW_ACTIVE_IMAGE : IDC_HW_OPEN_IMAGE);
}

bool CHelpWizardPage2::OnSetActive() {
  Refresh();
  wizard_.SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return true;
}

LRESULT CHelpWizardPage2::OnWizardNext() {
  if (IsDlgButtonChecked(hwnd_, IDC_HW_OPEN_IMAGE) != BST_CHECKED) return 0;
  wizard_.Host().SendMainCommand(ID_FILE_OPEN);
  ImageDocument* opened = wizard_.Host().ActiveDocument();
  if (opened == nullptr) return -1;
  wizard_.SetDocument(opened);
  return 0;
}

// ---- Page 3: the region ----

bool CHelpWizardPage3::OnInitDialog() {
  for (int id : {IDC_HW_SIZE, IDC_HW_HORIZONTAL, IDC_HW_VERTICAL}) {
    SendDlgItemMessageA(hwnd_, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendDlgItemMessageA(hwnd_, id, TBM_SETPOS, TRUE, 50);
  }
  CheckRadioButton(hwnd_, IDC_HW_WHOLE, IDC_HW_ELLIPSE, IDC_HW_WHOLE + shape_);
  return true;
}

bool CHelpWizardPage3::OnSetActive() {
  wizard_.SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  // The user may move and size the selection with the mouse meanwhile.
  wizard_.Host().SendMainCommand(ID_SELECT_BAR_MOVE);
  const bool hasSelection = doc_ != nullptr && doc_->GetSelection() != nullptr;
  if (shape_ != 0 && !hasSelection)
    ChooseShape(shape_);
  else if (shape_ == 0 && hasSelection)
    ChooseShape(0);
  else
    for (int id : {IDC_HW_SIZE, IDC_HW_SIZE_LABEL, IDC_HW_HORIZONTAL, IDC_HW_HORIZONTAL_LABEL, IDC_HW_VERTICAL,
                   IDC_HW_VERTICAL_LABEL})
      ShowItem(hwnd_, id, shape_ != 0);
  return true;
}

LRESULT CHelpWizardPage3::OnWizardNext() { return wizard_.CheckDocument(doc_) ? 0 : -1; }

void CHelpWizardPage3::ChooseShape(int shape) {
  shape_ = shape;
  CheckRadioButton(hwnd_, IDC_HW_WHOLE, IDC_HW_ELLIPSE, IDC_HW_WHOLE + shape);
  for (int id : {IDC_HW_SIZE, IDC_HW_SIZE_LABEL, IDC_HW_HORIZONTAL, IDC_HW_HORIZONTAL_LABEL, IDC_HW_VERTICAL,
                 IDC_HW_VERTICAL_LABEL})
    ShowItem(hwnd_, id, shape != 0);
  if (doc_ == nullptr) return;
  if (shape == 0) {
    doc_->FreeSelection(false);
    LUUpdateGSelection(wizard_.Host().ToolHostSite());
  } else {
    PlaceRegion();
  }
}

void CHelpWizardPage3::PlaceRegion() {
  if (LiveDocument() == nullptr || shape_ == 0) return;
  const CLayersManager& layers = *doc_->GetLayers();
  const int width = layers.GetWidth(), height = layers.GetHeight();
  const dialogs::WizardRegion region = dialogs::RegionOf(width, height, SliderPos(hwnd_, IDC_HW_SIZE),
                                                         SliderPos(hwnd_, IDC_HW_HORIZONTAL),
                                                         SliderPos(hwnd_, IDC_HW_VERTICAL));
  const dialogs::ImagePoint corner = dialogs::ImageCornerOfRegion(region, height);
  const LURECT rect{corner.x, corner.y, region.side, region.side};
  Fragment* shape = shape_ == 1 ? CreateRectFrg(&rect, 0) : CreateEllipticFrg(&rect, 0);
  if (shape == nullptr) return;
  doc_->SetSelection(shape, false);
  DeleteFragment(shape);
  LUUpdateGSelection(wizard_.Host().ToolHostSite());
}

bool CHelpWizardPage3::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= IDC_HW_WHOLE &&
      LOWORD(wParam) <= IDC_HW_ELLIPSE) {
    ChooseShape(LOWORD(wParam) - IDC_HW_WHOLE);
    *result = TRUE;
    return true;
  }
  if (message == WM_HSCROLL && lParam != 0) {
    PlaceRegion();
    *result = TRUE;
    return true;
  }
  return CHelpWizardPage::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Page 4: the kind of effect ----

bool CHelpWizardPage4::OnSetActive() {
  wizard_.SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  CheckRadioButton(hwnd_, IDC_HW_FILTER, IDC_HW_DEFORM, IDC_HW_FILTER + CHelpWizardSheet::Kind());
  return true;
}

void CHelpWizardPage4::StoreKind() {
  for (int kind = 0; kind < dialogs::kEffectKinds; ++kind)
    if (IsDlgButtonChecked(hwnd_, IDC_HW_FILTER + kind) == BST_CHECKED) CHelpWizardSheet::Kind() = kind;
}

LRESULT CHelpWizardPage4::OnWizardNext() {
  if (!wizard_.CheckDocument(doc_)) return -1;
  StoreKind();
  return 0;
}

LRESULT CHelpWizardPage4::OnWizardBack() {
  StoreKind();
  return 0;
}

// ---- Page 5: the effect, its presets and the preview ----

void CHelpWizardPage5::SetDocument(ImageDocument* doc) {
  CHelpWizardPage::SetDocument(doc);
  if (hwnd_ == nullptr || wizard_.GetActivePage() != this) return;
  TakePreviewSource();
  PrepareEffect();
}

std::string CHelpWizardPage5::EffectName() const {
  const auto table = dialogs::EffectTable(static_cast<EffectKind>(CHelpWizardSheet::Kind()));
  return effectIndex_ < static_cast<int>(table.size()) ? Text(table[static_cast<std::size_t>(effectIndex_)].nameId)
                                                       : std::string();
}

bool CHelpWizardPage5::OnSetActive() {
  wizard_.SetWizardButtons(PSWIZB_BACK);
  FillEffects();
  TakePreviewSource();
  PrepareEffect();
  return true;
}

void CHelpWizardPage5::FillEffects() {
  HWND combo = GetDlgItem(hwnd_, IDC_HW_EFFECT_COMBO);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const dialogs::WizardEffect& e : dialogs::EffectTable(static_cast<EffectKind>(CHelpWizardSheet::Kind())))
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(e.nameId).c_str()));
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  effectIndex_ = 0;
}

void CHelpWizardPage5::TakePreviewSource() {
  source_.Reset();
  if (doc_ == nullptr || !doc_->HasImage()) return;
  WAPtr image = doc_->GetActiveImage();
  if (!image) return;
  Fragment* selection = doc_->GetSelection();
  LURECT bounds{};
  if (selection != nullptr && !IsFrgInverted(selection) && GetFragmentBoundRect(selection, &bounds)) {
    // The part of the image inside the selection's bounds, clipped.
    const int left = std::max(0, bounds.x), bottom = std::max(0, bounds.y);
    const int right = std::min(image->GetW(), bounds.x + bounds.width);
    const int top = std::min(image->GetH(), bounds.y + bounds.height);
    if (right > left && top > bottom) {
      WAPtr part = WAPtr::Adopt(new WA(image->GetType(), right - left, top - bottom, image->Palette(), false));
      const int channels = image->GetType() == 16 ? 3 : 1;
      for (int y = bottom; y < top; ++y)
        std::memcpy(part->Row(y - bottom), image->Row(y) + left * channels,
                    static_cast<std::size_t>((right - left) * channels));
      source_ = part;
      return;
    }
  }
  source_ = WAPtr::Adopt(new WA(*image, false));
}

void CHelpWizardPage5::PrepareEffect() {
  const auto table = dialogs::EffectTable(static_cast<EffectKind>(CHelpWizardSheet::Kind()));
  const int selected = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_HW_EFFECT_COMBO, CB_GETCURSEL, 0, 0));
  effectIndex_ = std::clamp(selected, 0, static_cast<int>(table.size()) - 1);
  effect_ = dialogs::ParseEffectCommand(table[static_cast<std::size_t>(effectIndex_)].command);
  const int presets = static_cast<int>(effect_.presets.size());
  const bool spin = presets >= 2;
  for (int id : {IDC_HW_PRESET_SPIN, IDC_HW_PRESET_LABEL, IDC_HW_PRESET_VALUE}) ShowItem(hwnd_, id, spin);
  SendDlgItemMessageA(hwnd_, IDC_HW_PRESET_SPIN, UDM_SETRANGE32, 0, std::max(0, presets - 1));
  SendDlgItemMessageA(hwnd_, IDC_HW_PRESET_SPIN, UDM_SETPOS32, 0, 0);
  preset_ = 0;
  ComputePreview();
}

void CHelpWizardPage5::ComputePreview() {
  result_.Reset();
  if (source_) {
    WAPtr copy = WAPtr::Adopt(new WA(*source_, false));
    if (RunEffect(wizard_.Host().ToolHostSite(), effect_, preset_, copy.get(), nullptr)) result_ = copy;
  }
  RECT client{};
  HWND preview = GetDlgItem(hwnd_, IDC_HW_PREVIEW);
  GetClientRect(preview, &client);
  zoom_ = kZoomOne;
  if (result_ && CHelpWizardSheet::Kind() == static_cast<int>(EffectKind::kDeform)) {
    zoom_ = std::min(client.right * kZoomOne / std::max(1, result_->GetW()),
                     client.bottom * kZoomOne / std::max(1, result_->GetH()));
  }
  if (result_) {
    offset_.x = (client.right - result_->GetW() * zoom_ / kZoomOne) / 2;
    offset_.y = (client.bottom - result_->GetH() * zoom_ / kZoomOne) / 2;
  }
  InvalidateRect(preview, nullptr, TRUE);
}

void CHelpWizardPage5::DrawPreview(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  if (!result_) return;
  const RECT whole{0, 0, result_->GetW(), result_->GetH()};
  const std::vector<std::uint8_t> dib = ImageToDIBBytes(result_.get(), whole);
  if (dib.empty()) return;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  const std::size_t colours = info->bmiHeader.biBitCount <= 8 ? (info->bmiHeader.biClrUsed != 0
                                                                      ? info->bmiHeader.biClrUsed
                                                                      : (1u << info->bmiHeader.biBitCount))
                                                                : 0;
  const std::uint8_t* bits = dib.data() + info->bmiHeader.biSize + colours * sizeof(RGBQUAD);
  const int saved = SaveDC(item.hDC);
  IntersectClipRect(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
  SetStretchBltMode(item.hDC, COLORONCOLOR);
  StretchDIBits(item.hDC, offset_.x, offset_.y, result_->GetW() * zoom_ / kZoomOne,
                result_->GetH() * zoom_ / kZoomOne, 0, 0, result_->GetW(), result_->GetH(), bits, info,
                DIB_RGB_COLORS, SRCCOPY);
  RestoreDC(item.hDC, saved);
}

bool CHelpWizardPage5::Apply() {
  if (LiveDocument() == nullptr || !doc_->HasImage()) return false;
  WAPtr image = doc_->GetActiveImage();
  if (!image) return false;
  // The effect runs on a copy, then the layer takes the result in one undo
  // step named after the effect.
  WAPtr work = WAPtr::Adopt(new WA(*image, false));
  if (!RunEffect(wizard_.Host().ToolHostSite(), effect_, preset_, work.get(), doc_->GetSelection())) {
    LUPrintErrorState(wizard_.Host().ToolHostSite());
    return false;
  }
  if (!doc_->BackupImageByName(EffectName())) return false;
  const std::size_t bytes = static_cast<std::size_t>(image->GetW()) * (image->GetType() == 16 ? 3 : 1);
  for (int y = 0; y < image->GetH(); ++y) std::memcpy(image->Row(y), work->Row(y), bytes);
  doc_->SetModifiedFlag(true);
  doc_->InvalidateImageRect(nullptr, true, true);
  return true;
}

void CHelpWizardPage5::ShowPageHelp() {
  if (fw::TheApp() != nullptr)
    fw::TheApp()->ShowHelp(GetActiveTopLevelWnd(), HELP_CONTEXT, DialogHelpTopic(IDD_HW_EFFECT));
}

bool CHelpWizardPage5::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_HW_EFFECT_COMBO && HIWORD(wParam) == CBN_SELCHANGE) {
        PrepareEffect();
        *result = TRUE;
        return true;
      }
      if (LOWORD(wParam) == ID_HELP) {
        ShowPageHelp();
        *result = TRUE;
        return true;
      }
      if (LOWORD(wParam) == IDC_HW_APPLY && HIWORD(wParam) == BN_CLICKED) {
        Apply();
        *result = TRUE;
        return true;
      }
      break;
    case WM_VSCROLL:
      // The end of a spin: the preset at the spin's place.
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, IDC_HW_PRESET_SPIN) && LOWORD(wParam) == SB_ENDSCROLL) {
        preset_ = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_HW_PRESET_SPIN, UDM_GETPOS32, 0, 0));
        ComputePreview();
        *result = TRUE;
        return true;
      }
      break;
    case WM_HELP: {
      // As every dialog: a control's popup topic, else the page's topic.
      const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
      HWND item = info != nullptr && info->iContextType == HELPINFO_WINDOW ? static_cast<HWND>(info->hItemHandle)
                                                                            : nullptr;
      if (item == nullptr || item == hwnd_ || !ShowControlHelp(item, info->iCtrlId)) ShowPageHelp();
      *result = TRUE;
      return true;
    }
    case WM_DRAWITEM:
      if (wParam == IDC_HW_PREVIEW) {
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
      }
      break;
    case WM_DESTROY:
      source_.Reset();
      result_.Reset();
      break;
    default: break;
  }
  return CHelpWizardPage::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
