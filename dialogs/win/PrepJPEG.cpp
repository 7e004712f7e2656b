// The JPEG export dialog.
#include "dialogs/win/PrepJPEG.h"

#include <algorithm>

#include "files/WebSizeText.h"
#include "framework/win/App.h"
#include "platform/trace.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kSection[] = "INTERNET";
constexpr char kJpegFilter[] = "JPEG Files (*.jpg)|*.jpg||";

}  // namespace

FW_MESSAGE_MAP(CPrepJPEG, CMyModalDlg, fw::WindowMessageEntry<&CPrepJPEG::OnHScroll>(WM_HSCROLL),
               fw::ControlEntry<&CPrepJPEG::OnQualityEdited>(EN_CHANGE, IDC_JPEG_QUALITY),
               fw::ControlEntry<&CPrepJPEG::OnCodingClicked>(BN_CLICKED, IDC_JPEG_OPTIMIZE),
               fw::ControlEntry<&CPrepJPEG::OnCodingClicked>(BN_CLICKED, IDC_JPEG_PROGRESSIVE),
               fw::ControlEntry<&CPrepJPEG::OnPreviewClicked>(BN_CLICKED, IDC_WEB_PREVIEW),
               fw::CommandRangeEntry<&CPrepJPEG::OnZoomButton>(IDC_WEB_ZOOM_IN, IDC_WEB_CENTER))

CPrepJPEG::CPrepJPEG(int buttonStyle) : CMyModalDlg(IDD_PREP_JPEG), buttonStyle_(buttonStyle) {
  fw::Profile& settings = fw::TheApp()->Settings();
  quality = std::clamp(settings.GetInt(kSection, "JPGQUALITY", 70), 0, 100);
  progressive = settings.GetInt(kSection, "PROGRESS", 0) != 0 ? 1 : 0;
  optimize = settings.GetInt(kSection, "OPTIMIZE", 0) != 0 ? 1 : 0;
}

void CPrepJPEG::SetImage(VrWA2000::WA* image) {
  source_ = WAPtr::Adopt(CloneWA(image));
  result_ = WAPtr::Adopt(CloneWA(image));
}

void CPrepJPEG::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindCheck(IDC_JPEG_PROGRESSIVE, progressive),
                               fw::BindCheck(IDC_JPEG_OPTIMIZE, optimize), fw::BindCheck(IDC_WEB_PREVIEW, preview),
                               fw::BindCheck(IDC_WEB_GENERATE_MAP, generateMap),
                               fw::BindInt(IDC_JPEG_QUALITY, quality, 0, 100)};
  settingQuality_ = true;
  dx.Exchange(table);
  settingQuality_ = false;
  exchanged_ = true;
}

bool CPrepJPEG::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  SetText(std::string(res::String(IDS_PREPARE_JPEG)));
  SendDlgItemMessageA(hwnd_, IDC_JPEG_QUALITY_SPIN, UDM_SETRANGE32, 0, 100);
  HWND slider = Item(IDC_JPEG_QUALITY_SLIDER);
  SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessageA(slider, TBM_SETLINESIZE, 0, 1);
  SendMessageA(slider, TBM_SETPAGESIZE, 0, 10);
  SendMessageA(slider, TBM_SETPOS, TRUE, quality);
  panes_.Create(hwnd_, source_.get(), result_.get(), buttonStyle_ != 0);
  if (preview != 0) RoundTrip();
  if (source_) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(source_->GetBPLine()) * source_->GetH();
    SetDlgItemTextA(hwnd_, IDC_WEB_UNCOMPRESSED, FormatSizeText(bytes).c_str());
  }
  return true;
}

void CPrepJPEG::ShowQuality(bool slider) {
  settingQuality_ = true;
  SetDlgItemInt(hwnd_, IDC_JPEG_QUALITY, static_cast<UINT>(quality), FALSE);
  settingQuality_ = false;
  if (slider) SendDlgItemMessageA(hwnd_, IDC_JPEG_QUALITY_SLIDER, TBM_SETPOS, TRUE, quality);
}

LRESULT CPrepJPEG::OnHScroll(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != Item(IDC_JPEG_QUALITY_SLIDER)) return 0;
  quality = static_cast<int>(SendMessageA(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0));
  ShowQuality(false);
  // Line and page steps and the thumb's end position compress again; the
  // thumb being dragged only moves the number.
  const int code = LOWORD(wParam);
  if (code >= SB_LINEUP && code <= SB_THUMBPOSITION && preview != 0) RoundTrip();
  return 0;
}

void CPrepJPEG::OnQualityEdited() {
  if (!exchanged_ || settingQuality_) return;
  BOOL ok = FALSE;
  const UINT value = GetDlgItemInt(hwnd_, IDC_JPEG_QUALITY, &ok, FALSE);
  // While typing, numbers out of range are ignored; leaving the field
  // with one is refused by the data exchange.
  if (!ok || value > 100) return;
  TraceMark("export change jpeg");
  quality = static_cast<int>(value);
  SendDlgItemMessageA(hwnd_, IDC_JPEG_QUALITY_SLIDER, TBM_SETPOS, TRUE, quality);
  if (preview != 0) RoundTrip();
}

void CPrepJPEG::OnCodingClicked() {
  if (!UpdateData(true)) return;
  if (preview != 0) RoundTrip();
}

void CPrepJPEG::OnPreviewClicked() { UpdateData(true); }

void CPrepJPEG::OnZoomButton(std::uint32_t id) { panes_.OnZoomButton(id); }

void CPrepJPEG::RoundTrip() {
  if (!source_ || !result_) return;
  fw::WaitCursor wait;
  if (exchanged_ && !UpdateData(true)) return;
  compressedSize_ = JpegRoundTrip(*source_, result_.get(), Settings());
  if (panes_.Result() != nullptr) panes_.Result()->Refresh();
  SetDlgItemTextA(hwnd_, IDC_WEB_COMPRESSED, FormatSizeText(compressedSize_).c_str());
}

void CPrepJPEG::WriteSettings() const {
  fw::Profile& settings = fw::TheApp()->Settings();
  settings.WriteInt(kSection, "JPGQUALITY", quality);
  settings.WriteInt(kSection, "PROGRESS", progressive);
  settings.WriteInt(kSection, "OPTIMIZE", optimize);
}

void CPrepJPEG::OnOK() {
  if (!UpdateData(true) || !source_) return;
  WriteSettings();
  const std::string path = AskExportPath(hwnd_, "JPG", kJpegFilter);
  if (path.empty()) return;
  std::string error;
  {
    fw::WaitCursor wait;
    if (!SaveJPEG(path, *source_, Settings(), &error)) {
      const std::string text = std::string(res::String(IDS_FILE_WRITE_ERROR)) + "\n" + error;
      MessageBoxA(hwnd_, text.c_str(), GetText().c_str(), MB_OK | MB_ICONSTOP);
      return;
    }
  }
  savedPath_ = path;
  if (generateMap != 0) SaveMapPageBeside(hwnd_, stack_, path, GetText());
}

}  // namespace lumora
