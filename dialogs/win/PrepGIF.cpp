// The GIF and PNG export dialog.
#include "dialogs/win/PrepGIF.h"

#include <algorithm>

#include "files/PrepGifForm.h"
#include "files/WebSizeText.h"
#include "framework/win/App.h"
#include "platform/trace.h"
#include "res/StringTable.h"

namespace lumora {

FW_MESSAGE_MAP(CPrepGIF, CMyModalDlg, fw::ControlEntry<&CPrepGIF::OnSettingClicked>(BN_CLICKED, IDC_GIF_STANDARD),
               fw::ControlEntry<&CPrepGIF::OnSettingClicked>(BN_CLICKED, IDC_GIF_OPTIMIZED),
               fw::ControlEntry<&CPrepGIF::OnSettingClicked>(BN_CLICKED, IDC_GIF_DITHER),
               fw::ControlEntry<&CPrepGIF::OnUseTransparentClicked>(BN_CLICKED, IDC_GIF_USE_TRANSPARENT),
               fw::ControlEntry<&CPrepGIF::OnSelectionTransparentClicked>(BN_CLICKED, IDC_GIF_SELECTION_TRANSPARENT),
               fw::ControlEntry<&CPrepGIF::OnDepthChanged>(CBN_SELCHANGE, IDC_GIF_DEPTH),
               fw::ControlEntry<&CPrepGIF::OnInterlaceClicked>(BN_CLICKED, IDC_GIF_INTERLACE),
               fw::ControlEntry<&CPrepGIF::OnPreviewClicked>(BN_CLICKED, IDC_WEB_PREVIEW),
               fw::ControlEntry<&CPrepGIF::OnPickClicked>(BN_CLICKED, IDC_GIF_PICK),
               fw::CommandRangeEntry<&CPrepGIF::OnZoomButton>(IDC_WEB_ZOOM_IN, IDC_WEB_CENTER),
               fw::WindowMessageEntry<&CPrepGIF::OnLButtonUp>(WM_LBUTTONUP),
               fw::WindowMessageEntry<&CPrepGIF::OnDrawItem>(WM_DRAWITEM))

CPrepGIF::CPrepGIF(std::uint32_t templateId) : CMyModalDlg(templateId) {}

CPrepGIF::~CPrepGIF() {
  fw::Profile& settings = fw::TheApp()->Settings();
  const char* section = GifSettingsSection(IsPNG());
  settings.WriteInt(section, "StdPal", paletteChoice);
  settings.WriteInt(section, "Dither", dither);
  settings.WriteInt(section, "ColorDepth", depthIndex);
  settings.WriteInt(section, "UseTrans", useTransparent);
  settings.WriteInt(section, "ColorTrans", static_cast<int>(transparencyColour));
  if (IsPNG()) settings.WriteInt(section, "Interlace", interlace);
  if (pickIcon_ != nullptr) DestroyIcon(pickIcon_);
}

void CPrepGIF::SetImage(VrWA2000::WA* image) {
  state_.SetSource(image);
  state_.SetResult(WAPtr::Adopt(CloneWA(image)).get());
}

void CPrepGIF::ReadSettings() {
  fw::Profile& settings = fw::TheApp()->Settings();
  const char* section = GifSettingsSection(IsPNG());
  paletteChoice = settings.GetInt(section, "StdPal", paletteChoice) != 0 ? 1 : 0;
  dither = settings.GetInt(section, "Dither", dither) != 0 ? 1 : 0;
  useTransparent = settings.GetInt(section, "UseTrans", useTransparent) != 0 ? 1 : 0;
  transparencyColour = static_cast<COLORREF>(settings.GetInt(section, "ColorTrans", static_cast<int>(transparencyColour))) &
                       0xFFFFFFu;
  if (IsPNG()) interlace = settings.GetInt(section, "Interlace", interlace) != 0 ? 1 : 0;
}

void CPrepGIF::DoDataExchange(fw::DataExchangeContext& dx) {
  std::vector<fw::Binding> table = {fw::BindComboIndex(IDC_GIF_DEPTH, depthIndex),
                                    fw::BindCheck(IDC_WEB_GENERATE_MAP, generateMap),
                                    fw::BindRadio(IDC_GIF_STANDARD, paletteChoice),
                                    fw::BindCheck(IDC_GIF_DITHER, dither),
                                    fw::BindCheck(IDC_GIF_USE_TRANSPARENT, useTransparent),
                                    fw::BindCheck(IDC_WEB_PREVIEW, preview),
                                    fw::BindCheck(IDC_GIF_SELECTION_TRANSPARENT, selectionTransparent)};
  if (IsPNG()) table.push_back(fw::BindCheck(IDC_GIF_INTERLACE, interlace));
  dx.Exchange(table);
}

bool CPrepGIF::OnInitDialog() {
  pickCursor_ = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_PICK));
  ReadSettings();
  CMyModalDlg::OnInitDialog();
  SetSwatch(transparencyColour);
  SetText(std::string(res::String(IsPNG() ? IDS_PREPARE_PNG : IDS_PREPARE_GIF)));
  pickIcon_ = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PICK_COLOUR), IMAGE_ICON, 16, 16, 0));
  SendDlgItemMessageA(hwnd_, IDC_GIF_PICK, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(pickIcon_));
  panes_.Create(hwnd_, state_.Source(), state_.Result(), true);

  HWND list = Item(IDC_GIF_DEPTH);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  depthBits_.clear();
  if (state_.Source() != nullptr) {
    for (const DepthEntry& e : DepthEntriesFor(state_.Source()->GetType(), IsPNG())) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.text));
      depthBits_.push_back(e.bits);
    }
  }
  depthIndex = 0;
  SendMessageA(list, CB_SETCURSEL, 0, 0);

  if (preview != 0) UpdateResult();
  if (state_.Source() != nullptr) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(state_.Source()->GetBPLine()) * state_.Source()->GetH();
    SetDlgItemTextA(hwnd_, IDC_WEB_UNCOMPRESSED, FormatSizeText(bytes).c_str());
    if (preview == 0) SetDlgItemTextA(hwnd_, IDC_WEB_COMPRESSED, FormatSizeText(bytes).c_str());
  }
  OnUseTransparentClicked();
  OnDepthChanged();
  initialised_ = true;
  EnableWindow(Item(IDC_GIF_SELECTION_TRANSPARENT), selection_ != nullptr);
  UpdateData(false);
  return true;
}

int CPrepGIF::ChosenBits() const {
  const int index = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_GIF_DEPTH, CB_GETCURSEL, 0, 0));
  return index >= 0 && index < static_cast<int>(depthBits_.size()) ? depthBits_[static_cast<std::size_t>(index)] : 0;
}

void CPrepGIF::ApplySettings() {
  state_.depthBits = ChosenBits();
  state_.paletteChoice = paletteChoice;
  state_.dither = dither;
  state_.writesPNG = IsPNG();
  state_.write.interlace = IsPNG() ? interlace : 0;
  state_.write.useTransparent = useTransparent;
  state_.write.selectionTransparent = selection_ != nullptr ? selectionTransparent : 0;
  state_.write.selection = selection_;
  state_.write.transparentIndex = transparentIndex;
  state_.write.transparencyColour = transparencyColour;
}

void CPrepGIF::ShowCompressedSize() {
  // A failed reduction says so where the size would be; Save As refuses
  // until an update succeeds.
  const std::string text = state_.Result() == nullptr ? state_.FailureText() : state_.CompressedSizeText();
  SetDlgItemTextA(hwnd_, IDC_WEB_COMPRESSED, text.c_str());
}

void CPrepGIF::UpdateResult() {
  if (initialised_ && !UpdateData(true)) return;
  if (ChosenBits() == 0) return;
  fw::WaitCursor wait;
  ApplySettings();
  const CPrepGIFState::Outcome outcome = state_.Reduce();
  if (outcome == CPrepGIFState::Outcome::kUnchanged) return;
  if (state_.Result() != nullptr && panes_.Result() != nullptr) {
    panes_.Result()->SetImage(state_.Result(), false);
    SetOverlay(false, false);  // estimated just below
    // The picture shows first; its size (a trial compression) follows.
    UpdateWindow(panes_.Result()->Handle());
  }
  state_.Reestimate();
  ShowCompressedSize();
}

void CPrepGIF::OnSettingClicked() {
  if (initialised_) UpdateData(true);
  if (preview != 0) UpdateResult();
}

void CPrepGIF::OnDepthChanged() {
  if (initialised_) TraceMark("export change gif");
  if (initialised_) UpdateData(true);
  const int s = state_.Source() != nullptr ? state_.Source()->GetType() : 0;
  const DepthControls controls = ControlsForDepth(ChosenBits(), s);
  if (controls.applies) {
    EnableWindow(Item(IDC_GIF_STANDARD), controls.palette);
    EnableWindow(Item(IDC_GIF_OPTIMIZED), controls.palette);
    EnableWindow(Item(IDC_GIF_DITHER), controls.dither);
  }
  if (initialised_ && preview != 0) UpdateResult();
}

void CPrepGIF::OnInterlaceClicked() {
  if (initialised_) UpdateData(true);
  ApplySettings();
  // Interlacing changes the file, not the pixels: the size again, with or
  // without preview.
  state_.Reestimate();
  ShowCompressedSize();
}

void CPrepGIF::OnPreviewClicked() { UpdateData(true); }

void CPrepGIF::OnUseTransparentClicked() {
  useTransparent = IsDlgButtonChecked(hwnd_, IDC_GIF_USE_TRANSPARENT) == BST_CHECKED ? 1 : 0;
  if (initialised_) UpdateData(true);
  EnableWindow(Item(IDC_GIF_PICK), useTransparent != 0);
  EnableWindow(Item(IDC_GIF_SWATCH), useTransparent != 0);
  SetOverlay(false);
}

void CPrepGIF::OnSelectionTransparentClicked() {
  selectionTransparent = IsDlgButtonChecked(hwnd_, IDC_GIF_SELECTION_TRANSPARENT) == BST_CHECKED ? 1 : 0;
  SetOverlay(false);
}

void CPrepGIF::SetOverlay(bool afterPick, bool estimate) {
  CPreviewWnd* pane = panes_.Result();
  if (pane != nullptr) {
    const bool on = afterPick || useTransparent != 0 || selectionTransparent != 0;
    pane->SetHighlight(on, useTransparent != 0 ? transparentIndex : -1,
                       useTransparent != 0 ? transparencyColour : 0xFFFFFFFFu,
                       selectionTransparent != 0 ? selection_ : nullptr);
  }
  // What the writers add follows the transparency settings, so the size
  // shown stays the size of the file Save As writes.
  if (estimate && initialised_ && state_.Result() != nullptr) {
    ApplySettings();
    state_.Reestimate();
    ShowCompressedSize();
  }
}

void CPrepGIF::OnPickClicked() {
  if (picking_) return;
  previousCapture_ = SetCapture(hwnd_);
  picking_ = true;
  previousCursor_ = SetCursor(pickCursor_);
}

LRESULT CPrepGIF::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
  if (picking_) {
    if (previousCapture_ != nullptr) {
      SetCapture(previousCapture_);
    } else {
      ReleaseCapture();
    }
    previousCapture_ = nullptr;
    SetCursor(previousCursor_);
    picking_ = false;
    transparentIndex = -1;
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd_, &p);
    CPreviewWnd* pane = panes_.Result();
    COLORREF value = 0;
    if (pane != nullptr && WindowFromPoint(p) == pane->Handle() && pane->GetColorAt(p, &value)) {
      const VrWA2000::WA* result = pane->Image();
      if (result->GetType() != kWAType24) {
        transparentIndex = static_cast<int>(value & 0xFF);
        const PALETTEENTRY& e = result->Palette()[transparentIndex];
        transparencyColour = RGB(e.peRed, e.peGreen, e.peBlue);
      } else {
        transparencyColour = value;
      }
      SetSwatch(transparencyColour);
      UpdateData(true);
      SetOverlay(true);
    } else {
      SetOverlay(false);
    }
  }
  return DefWindowProcA(hwnd_, WM_LBUTTONUP, wParam, lParam);
}

void CPrepGIF::SetSwatch(COLORREF colour) {
  swatch_ = colour;
  InvalidateRect(Item(IDC_GIF_SWATCH), nullptr, TRUE);
}

LRESULT CPrepGIF::OnDrawItem(WPARAM wParam, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (wParam != IDC_GIF_SWATCH || item == nullptr) return FALSE;
  HBRUSH fill = CreateSolidBrush(swatch_);
  HGDIOBJ oldBrush = SelectObject(item->hDC, fill);
  HGDIOBJ oldPen = SelectObject(item->hDC, GetStockObject(BLACK_PEN));
  Rectangle(item->hDC, item->rcItem.left, item->rcItem.top, item->rcItem.right, item->rcItem.bottom);
  SelectObject(item->hDC, oldPen);
  SelectObject(item->hDC, oldBrush);
  DeleteObject(fill);
  if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(item->hDC, &item->rcItem);
  return TRUE;
}

void CPrepGIF::OnZoomButton(std::uint32_t id) { panes_.OnZoomButton(id); }

void CPrepGIF::OnOK() {
  if (!UpdateData(true)) return;
  if (preview == 0) UpdateResult();
  const std::string caption = GetText();
  if (state_.Result() == nullptr) {
    MessageBoxA(hwnd_, state_.FailureText().c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return;
  }
  const std::string path = IsPNG() ? AskExportPath(hwnd_, "PNG", std::string(res::String(IDS_FILTER_PNG)))
                                   : AskExportPath(hwnd_, "GIF", std::string(res::String(IDS_FILTER_GIF)));
  if (path.empty()) return;
  ApplySettings();
  std::string error;
  bool written = false;
  {
    fw::WaitCursor wait;
    written = IsPNG() ? state_.SavePNG(path, &error) : state_.SaveGIF(path, &error);
  }
  if (!written) {
    // The encoder's own words first (under "PNG Error" for PNG), then the
    // dialog's.
    MessageBoxA(hwnd_, error.c_str(), IsPNG() ? "PNG Error" : caption.c_str(), MB_OK);
    const std::string text(res::String(IDS_FILE_WRITE_ERROR));
    MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return;
  }
  savedPath_ = path;
  if (generateMap != 0) SaveMapPageBeside(hwnd_, stack_, path, caption);
}

}  // namespace lumora
