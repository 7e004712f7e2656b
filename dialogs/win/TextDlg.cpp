// The text dialog: the rich-edit control's text and formats written into
// the attached text layer at every change, its settings kept in TEXTDLG.
#include "dialogs/win/TextDlg.h"

#include <commctrl.h>
#include <richedit.h>
// The layer's record shares the control's name; the control's is CHARFORMATA here.
#undef CHARFORMAT

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "dialogs/win/DialogSupport.h"
#include "document/win/AppServices.h"
#include "document/win/TextTool.h"
#include "engine/pixels/Progress.h"
#include "framework/win/App.h"
#include "hostapi/comdlg.h"
#include "hostapi/controls.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"

namespace lumora {
namespace {

CTextDlg* theDialog = nullptr;
int dialogOpen = 0;
// Nothing reacts to the controls until the dialog has shown its settings.
bool ready = false;

HMODULE LoadRichEdit() {
  static HMODULE module = LoadLibraryA("riched20.dll");
  return module;
}

DWORD CALLBACK StreamOutProc(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  static_cast<std::string*>(reinterpret_cast<void*>(cookie))->append(reinterpret_cast<const char*>(buffer),
                                                                     static_cast<std::size_t>(count));
  *done = count;
  return 0;
}

struct StreamSource {
  const std::string* text;
  std::size_t at;
};

DWORD CALLBACK StreamInProc(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t left = source->text->size() - source->at;
  const std::size_t n = std::min(left, static_cast<std::size_t>(count));
  std::memcpy(buffer, source->text->data() + source->at, n);
  source->at += n;
  *done = static_cast<LONG>(n);
  return 0;
}

int CALLBACK AddFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM names) {
  if (font->lfFaceName[0] != '@') reinterpret_cast<std::set<std::string>*>(names)->insert(font->lfFaceName);
  return 1;
}

// The control's record as the layer's format record (the same 60 bytes).
lumora::CHARFORMAT ToLayerRecord(const CHARFORMATA& cf) {
  static_assert(sizeof(CHARFORMATA) == sizeof(lumora::CHARFORMAT), "one record");
  lumora::CHARFORMAT out;
  std::memcpy(&out, &cf, sizeof out);
  return out;
}

CHARFORMATA FromLayerRecord(const lumora::CHARFORMAT& cf) {
  CHARFORMATA out;
  std::memcpy(&out, &cf, sizeof out);
  return out;
}

}  // namespace

CTextDlg::CTextDlg(int* ownerFlag, fw::Window* parent) : fw::Dialog(IDD_TEXT, parent), ownerFlag_(ownerFlag) {
  if (ownerFlag_ != nullptr) *ownerFlag_ = 1;
  ready = false;
}

CTextDlg::~CTextDlg() {
  if (layer_ != nullptr) layer_->Release();
  if (theDialog == this) theDialog = nullptr;
}

std::function<std::uint32_t()>& CTextDlg::ActiveToolCommand() {
  static std::function<std::uint32_t()> command;
  return command;
}

std::function<COLORREF()>& CTextDlg::ForegroundColour() {
  static std::function<COLORREF()> colour;
  return colour;
}

bool CTextDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  // Both rich edits start in 10-point Arial.
  CHARFORMATA start{};
  start.cbSize = sizeof start;
  start.dwMask = CFM_SIZE | CFM_FACE;
  start.yHeight = 200;
  std::strcpy(start.szFaceName, "Arial");
  SendDlgItemMessageA(hwnd_, IDC_TEXT_EDIT, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&start));
  SendDlgItemMessageA(hwnd_, IDC_TEXT_SCRATCH, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&start));
  colour_ = ForegroundColour() ? ForegroundColour()() & 0xFFFFFF : 0;
  FillFonts();
  SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_SETCURSEL, 0, 0);
  for (int size : kTextSizes) {
    const std::string text = std::to_string(size);
    const auto index = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_SETITEMDATA, static_cast<WPARAM>(index), size);
  }
  SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_SETCURSEL, 0, 0);
  for (const char* type : kTextTypes) {
    SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
  }
  SendDlgItemMessageA(hwnd_, IDC_TEXT_TRACK_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(-1000), 1000);
  SendDlgItemMessageA(hwnd_, IDC_TEXT_ORIENT_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(-360), 360);
  SendDlgItemMessageA(hwnd_, IDC_TEXT_LEADING_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(-1000), 1000);
  SendDlgItemMessageA(hwnd_, IDC_TEXT_EDIT, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
  const TextDialogSettings settings = ReadTextDialogSettings(fw::TheApp()->Settings());
  SetWindowPos(hwnd_, nullptr, settings.x, settings.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowSettings(settings);
  RefreshColour();
  EnableControls(false);
  ready = true;
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void CTextDlg::FillFonts() {
  std::set<std::string> names;
  HDC screen = GetDC(nullptr);
  LOGFONTA any{};
  any.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(screen, &any, &AddFamily, reinterpret_cast<LPARAM>(&names), 0);
  ReleaseDC(nullptr, screen);
  for (const std::string& name : names) {
    SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
}

void CTextDlg::ShowSettings(const TextDialogSettings& s) {
  const auto font = SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(s.font.c_str()));
  if (!s.font.empty() && font != CB_ERR) SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_SETCURSEL, static_cast<WPARAM>(font), 0);
  const auto sizes = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < sizes; ++i) {
    if (SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == s.fontSize) {
      SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
  }
  const auto type = SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(s.fontType.c_str()));
  if (!s.fontType.empty() && type != CB_ERR) SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
  leading_ = s.leading;
  tracking_ = s.track;
  orientation_ = s.orient;
  vertical_ = s.vertical;
  alignment_ = s.align;
  antiAlias_ = s.antiAlias;
  strikeout_ = s.strike;
  underline_ = s.under;
  ShowAttributeControls();
}

void CTextDlg::ShowAttributeControls() {
  const bool was = inUpdate_;
  inUpdate_ = true;
  SetDlgItemInt(hwnd_, IDC_TEXT_LEADING, static_cast<UINT>(leading_), TRUE);
  SetDlgItemInt(hwnd_, IDC_TEXT_ORIENT, static_cast<UINT>(orientation_), TRUE);
  SetDlgItemInt(hwnd_, IDC_TEXT_TRACK, static_cast<UINT>(tracking_), TRUE);
  CheckDlgButton(hwnd_, IDC_TEXT_VERTICAL, vertical_ != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_TEXT_ANTIALIAS, antiAlias_ != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_TEXT_STRIKEOUT, strikeout_ != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_TEXT_UNDERLINE, underline_ != 0 ? BST_CHECKED : BST_UNCHECKED);
  const int radio = alignment_ == 1 ? IDC_TEXT_CENTER : (alignment_ == 2 ? IDC_TEXT_RIGHT : IDC_TEXT_LEFT);
  CheckRadioButton(hwnd_, IDC_TEXT_LEFT, IDC_TEXT_RIGHT, radio);
  inUpdate_ = was;
}

void CTextDlg::ReadAttributeControls() {
  BOOL ok = FALSE;
  const int leading = static_cast<int>(GetDlgItemInt(hwnd_, IDC_TEXT_LEADING, &ok, TRUE));
  if (ok) leading_ = ClampLeading(leading);
  const int orientation = static_cast<int>(GetDlgItemInt(hwnd_, IDC_TEXT_ORIENT, &ok, TRUE));
  if (ok) orientation_ = ClampOrientation(orientation);
  const int tracking = static_cast<int>(GetDlgItemInt(hwnd_, IDC_TEXT_TRACK, &ok, TRUE));
  if (ok) tracking_ = ClampTracking(tracking);
  vertical_ = IsDlgButtonChecked(hwnd_, IDC_TEXT_VERTICAL) == BST_CHECKED ? 1 : 0;
  antiAlias_ = IsDlgButtonChecked(hwnd_, IDC_TEXT_ANTIALIAS) == BST_CHECKED ? 1 : 0;
  strikeout_ = IsDlgButtonChecked(hwnd_, IDC_TEXT_STRIKEOUT) == BST_CHECKED ? 1 : 0;
  underline_ = IsDlgButtonChecked(hwnd_, IDC_TEXT_UNDERLINE) == BST_CHECKED ? 1 : 0;
  alignment_ = IsDlgButtonChecked(hwnd_, IDC_TEXT_CENTER) == BST_CHECKED
                   ? 1
                   : (IsDlgButtonChecked(hwnd_, IDC_TEXT_RIGHT) == BST_CHECKED ? 2 : 0);
}

TextDialogSettings CTextDlg::ReadSettings() const {
  TextDialogSettings s;
  RECT r{};
  GetWindowRect(hwnd_, &r);
  s.x = r.left;
  s.y = r.top;
  char text[128] = {};
  GetDlgItemTextA(hwnd_, IDC_TEXT_FONT, text, sizeof text);
  s.font = text;
  const auto size = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETCURSEL, 0, 0);
  s.fontSize = size != CB_ERR ? static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETITEMDATA,
                                                                     static_cast<WPARAM>(size), 0))
                              : -1;
  GetDlgItemTextA(hwnd_, IDC_TEXT_TYPE, text, sizeof text);
  s.fontType = text;
  s.leading = leading_;
  s.track = tracking_;
  s.orient = orientation_;
  s.vertical = vertical_;
  s.align = alignment_;
  s.antiAlias = antiAlias_;
  s.strike = strikeout_;
  s.under = underline_;
  return s;
}

COLORREF CTextDlg::DisplayColour() const {
  const CLayersManager* stack = doc_ != nullptr ? doc_->Image().GetLayers() : nullptr;
  if (stack != nullptr && stack->GetImageType() == kWAType8Grey) {
    const int grey = (GetRValue(colour_) + GetGValue(colour_) + GetBValue(colour_)) / 3;
    return RGB(grey, grey, grey);
  }
  return colour_;
}

void CTextDlg::RefreshColour() {
  SendDlgItemMessageA(hwnd_, IDC_TEXT_COLOUR, kVrCtlSetColour, 0, static_cast<LPARAM>(DisplayColour()));
  if (colourWindow_ != nullptr && IsWindow(colourWindow_) && LUIsSelColorWindowOpened(nullptr)) {
    SendMessageA(colourWindow_, kColourWindowSet, 0, static_cast<LPARAM>(colour_));
  }
}

void CTextDlg::EnableControls(bool enable) {
  static const int ids[] = {IDC_TEXT_TRACK_SPIN, IDC_TEXT_ORIENT_SPIN, IDC_TEXT_LEADING_SPIN, IDC_TEXT_EDIT,
                            IDC_TEXT_FONT,       IDC_TEXT_SIZE,        IDC_TEXT_TYPE,         IDC_TEXT_UNDERLINE,
                            IDC_TEXT_STRIKEOUT,  IDC_TEXT_ANTIALIAS,   IDC_TEXT_LEFT,         IDC_TEXT_CENTER,
                            IDC_TEXT_RIGHT,      IDC_TEXT_COLOUR,      IDC_TEXT_LEADING,      IDC_TEXT_ORIENT,
                            IDC_TEXT_TRACK,      IDC_TEXT_VERTICAL,    IDOK};
  for (int id : ids) EnableWindow(GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
  controlsDisabled_ = !enable;
}

std::string CTextDlg::StreamOut(HWND rich) const {
  std::string rtf;
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, &StreamOutProc};
  SendMessageA(rich, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  return rtf;
}

void CTextDlg::StreamIn(HWND rich, const std::string& rtf) const {
  StreamSource source{&rtf, 0};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &StreamInProc};
  SendMessageA(rich, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

void CTextDlg::OpenEditStep() {
  if (doc_ == nullptr) return;
  if (!doc_->Image().IsModified()) doc_->Image().SetModifiedFlag(true);
  if (editStep_) return;
  editStep_ = true;
  backup_ = doc_->Image().OpenTextEditStep();
}

void CTextDlg::Relayout() {
  if (doc_ == nullptr || layer_ == nullptr) return;
  layer_->SetTextAttributes(vertical_, DisplayColour(), alignment_, leading_, orientation_, tracking_, antiAlias_);
  doc_->Image().RelayoutTextLayer(layer_);
}

void CTextDlg::WriteTextToLayer() {
  if (doc_ == nullptr || layer_ == nullptr) return;
  HWND edit = GetDlgItem(hwnd_, IDC_TEXT_EDIT);
  HWND scratch = GetDlgItem(hwnd_, IDC_TEXT_SCRATCH);
  const std::string rtf = StreamOut(edit);
  layer_->SetRichText(rtf);
  OpenEditStep();
  StreamIn(scratch, rtf);
  // Every character of the scratch copy with its format.
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  const auto count = static_cast<LONG>(SendMessageA(scratch, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
  std::vector<char> text(static_cast<std::size_t>(count) + 2, 0);
  GETTEXTEX get{static_cast<DWORD>(text.size()), GT_DEFAULT, CP_ACP, nullptr, nullptr};
  SendMessageA(scratch, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()));
  const std::size_t n = std::strlen(text.data());
  std::vector<CCharFormat> formats;
  formats.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    CHARRANGE one{static_cast<LONG>(i), static_cast<LONG>(i + 1)};
    SendMessageA(scratch, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(scratch, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    formats.emplace_back(static_cast<unsigned char>(text[i]), ToLayerRecord(cf), tracking_);
  }
  layer_->SetCharFormats(formats);
  Relayout();
}

void CTextDlg::UpdateLayer() {
  if (!ready || inUpdate_ || layer_ == nullptr) return;
  ReadAttributeControls();
  OpenEditStep();
  Relayout();
}

// The current attributes at the insertion point: every mask bit.
void CTextDlg::SetFormatAtInsertion() {
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = CFM_ALL;
  bool bold = false, italic = false;
  const auto type = SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_GETCURSEL, 0, 0);
  TextTypeEffects(type == CB_ERR ? 3 : static_cast<int>(type), &bold, &italic);
  cf.dwEffects = (bold ? CFE_BOLD : 0) | (italic ? CFE_ITALIC : 0) |
                 (IsDlgButtonChecked(hwnd_, IDC_TEXT_STRIKEOUT) == BST_CHECKED ? CFE_STRIKEOUT : 0) |
                 (IsDlgButtonChecked(hwnd_, IDC_TEXT_UNDERLINE) == BST_CHECKED ? CFE_UNDERLINE : 0);
  int size = 0;
  const auto item = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETCURSEL, 0, 0);
  if (item != CB_ERR) {
    size = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
  } else {
    char typed[32] = {};
    GetDlgItemTextA(hwnd_, IDC_TEXT_SIZE, typed, sizeof typed);
    size = TypedTextSize(typed);
  }
  cf.yHeight = TextSizeToHeight(size > 0 ? size : 10);
  cf.crTextColor = 0;
  cf.bCharSet = DEFAULT_CHARSET;
  GetDlgItemTextA(hwnd_, IDC_TEXT_FONT, cf.szFaceName, sizeof cf.szFaceName);
  SendDlgItemMessageA(hwnd_, IDC_TEXT_EDIT, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

// A formatting control changed: the selection takes that one format, or
// without a selection the insertion point takes them all.
void CTextDlg::ApplyFormat(DWORD mask) {
  if (!ready || layer_ == nullptr) return;
  HWND edit = GetDlgItem(hwnd_, IDC_TEXT_EDIT);
  CHARRANGE selection{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  if (selection.cpMin == selection.cpMax) {
    SetFormatAtInsertion();
    return;
  }
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = mask;
  if (mask == CFM_SIZE) {
    const auto item = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETCURSEL, 0, 0);
    int size = 0;
    if (item != CB_ERR) {
      size = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    } else {
      char typed[32] = {};
      GetDlgItemTextA(hwnd_, IDC_TEXT_SIZE, typed, sizeof typed);
      size = TypedTextSize(typed);
    }
    if (size <= 0) return;  // "0" or "1200" change nothing
    cf.yHeight = TextSizeToHeight(size);
  } else if (mask == CFM_FACE) {
    char face[LF_FACESIZE] = {};
    GetDlgItemTextA(hwnd_, IDC_TEXT_FONT, face, sizeof face);
    std::strncpy(cf.szFaceName, face, 31);
  } else if (mask == (CFM_BOLD | CFM_ITALIC)) {
    bool bold = false, italic = false;
    const auto type = SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_GETCURSEL, 0, 0);
    TextTypeEffects(type == CB_ERR ? 3 : static_cast<int>(type), &bold, &italic);
    cf.dwEffects = (bold ? CFE_BOLD : 0) | (italic ? CFE_ITALIC : 0);
  } else if (mask == CFM_STRIKEOUT) {
    cf.dwEffects = IsDlgButtonChecked(hwnd_, IDC_TEXT_STRIKEOUT) == BST_CHECKED ? CFE_STRIKEOUT : 0;
  } else if (mask == CFM_UNDERLINE) {
    cf.dwEffects = IsDlgButtonChecked(hwnd_, IDC_TEXT_UNDERLINE) == BST_CHECKED ? CFE_UNDERLINE : 0;
  }
  SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  // A format change of existing characters changes the layer too.
  WriteTextToLayer();
}

// The controls follow the format at the selection; the layer keeps it.
void CTextDlg::FollowSelection() {
  if (!ready || inUpdate_ || layer_ == nullptr) return;
  HWND edit = GetDlgItem(hwnd_, IDC_TEXT_EDIT);
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  const bool was = inUpdate_;
  inUpdate_ = true;
  if ((cf.dwMask & CFM_FACE) != 0) {
    const auto font = SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(cf.szFaceName));
    if (font != CB_ERR) SendDlgItemMessageA(hwnd_, IDC_TEXT_FONT, CB_SETCURSEL, static_cast<WPARAM>(font), 0);
  }
  if ((cf.dwMask & (CFM_BOLD | CFM_ITALIC)) == (CFM_BOLD | CFM_ITALIC)) {
    const int type = TextTypeIndex((cf.dwEffects & CFE_BOLD) != 0, (cf.dwEffects & CFE_ITALIC) != 0);
    SendDlgItemMessageA(hwnd_, IDC_TEXT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
  }
  if ((cf.dwMask & CFM_SIZE) != 0) {
    const std::string size = std::to_string(TextHeightToSize(cf.yHeight));
    const auto item = SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(size.c_str()));
    SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    if (item == CB_ERR) SetDlgItemTextA(hwnd_, IDC_TEXT_SIZE, size.c_str());
  } else {
    SendDlgItemMessageA(hwnd_, IDC_TEXT_SIZE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
  if ((cf.dwMask & CFM_STRIKEOUT) != 0) {
    CheckDlgButton(hwnd_, IDC_TEXT_STRIKEOUT, (cf.dwEffects & CFE_STRIKEOUT) != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  if ((cf.dwMask & CFM_UNDERLINE) != 0) {
    CheckDlgButton(hwnd_, IDC_TEXT_UNDERLINE, (cf.dwEffects & CFE_UNDERLINE) != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  inUpdate_ = was;
  if (trackSelection_) {
    CHARRANGE selection{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    layer_->SetSavedSelection(selection.cpMin, selection.cpMax);
  }
}

void CTextDlg::ReadTextFromLayer() {
  HCURSOR wait = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  int vertical = 0, alignment = 0, leading = 0, orientation = 0, tracking = 0, antiAlias = 0;
  COLORREF colour = 0;
  layer_->GetTextAttributes(&vertical, &colour, &alignment, &leading, &orientation, &tracking, &antiAlias);
  vertical_ = vertical;
  colour_ = colour & 0xFFFFFF;
  alignment_ = alignment;
  leading_ = ClampLeading(leading);
  orientation_ = ClampOrientation(orientation);
  tracking_ = ClampTracking(tracking);
  antiAlias_ = antiAlias;
  ShowAttributeControls();
  HWND edit = GetDlgItem(hwnd_, IDC_TEXT_EDIT);
  const bool wasReady = ready;
  ready = false;  // the control's own change notices are not edits
  if (!layer_->GetRichText().empty()) {
    StreamIn(edit, layer_->GetRichText());
  } else {
    // A layer read from a file has its characters and formats only: one
    // insertion per character, which a long text makes slow.
    OpenEditStep();
    SetWindowTextA(edit, "");
    const std::vector<CCharFormat>& formats = layer_->CharFormats();
    const int count = static_cast<int>(formats.size());
    ProgressSetCaptionId(IDS_READING_TEXT);
    ProgressCallback(-1, count);
    ProgressSetCancelable(false);
    int done = 0;
    for (const CCharFormat& format : formats) {
      CHARRANGE end{-1, -1};
      SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
      lumora::CHARFORMAT record;
      format.ToCHARFORMAT(&record);
      CHARFORMATA cf = FromLayerRecord(record);
      SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
      const char text[3] = {format.IsReturn() ? '\r' : static_cast<char>(format.character),
                            format.IsReturn() ? '\n' : '\0', '\0'};
      SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
      ProgressCallback(++done, count);
    }
    ProgressCallback(-2, count);
  }
  CHARRANGE end{-1, -1};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
  ready = wasReady;
  SetCursor(wait);
}

void CTextDlg::AttachTextLayer(CLumo40Doc* doc, CLayerText* layer) {
  movingChosen_ = false;
  if (doc != nullptr && doc == doc_ && layer == layer_) {
    RefreshColour();
    return;
  }
  // The layer attached before keeps its text and is finished.
  FinishAttached();
  doc_ = doc;
  editStep_ = false;
  backup_ = false;
  trackSelection_ = false;
  if (doc != nullptr && layer != nullptr && layer->IsText()) {
    layer_ = layer;
    layer_->AddRef();
    // A new layer's step was opened when it was placed.
    editStep_ = layer_->IsNew();
  }
  if (layer_ != nullptr) {
    HWND edit = GetDlgItem(hwnd_, IDC_TEXT_EDIT);
    const bool load = loadFromLayer != 0 && (!layer_->GetRichText().empty() || layer_->GetCharCount() > 0);
    if (load) {
      ReadTextFromLayer();
    } else {
      const bool wasReady = ready;
      ready = false;
      SetWindowTextA(edit, "");
      ready = wasReady;
      layer_->SetRichText(StreamOut(edit));
      ReadAttributeControls();
    }
    trackSelection_ = true;
    long start = 0, end = 0;
    layer_->GetSavedSelection(&start, &end);
    const long length = GetWindowTextLengthA(edit);
    start = std::clamp(start, 0L, length);
    end = std::clamp(end, 0L, length);
    CHARRANGE range{start, end};
    if ((start == 0 && end == 0) || start == end) range = CHARRANGE{0, -1};
    // A new text keeps the controls' settings: the empty control's own
    // format must not be shown in them.
    const bool wasUpdating = inUpdate_;
    inUpdate_ = !load;
    if (!load) trackSelection_ = false;
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    inUpdate_ = wasUpdating;
    trackSelection_ = true;
    if (!load) SetFormatAtInsertion();
  }
  // With nothing in use on the views the text can be dragged into place.
  HWND main = static_cast<HWND>(LUGetMainWnd(nullptr));
  if (main != nullptr && ActiveToolCommand() && ActiveToolCommand()() == 0) {
    SendMessageA(main, WM_COMMAND, ID_LAYER_MOVING, 0);
    movingChosen_ = true;
  }
  RefreshColour();
  EnableControls(layer_ != nullptr);
  // What the user types next is the text: the window comes forward with the
  // text control focused (a disabled control takes no focus, so this comes
  // after the controls are enabled).
  if (layer_ != nullptr) {
    SetActiveWindow(hwnd_);
    SetFocus(GetDlgItem(hwnd_, IDC_TEXT_EDIT));
  }
}

void CTextDlg::FinishAttached() {
  if (layer_ == nullptr) return;
  layer_->SetRichText(StreamOut(GetDlgItem(hwnd_, IDC_TEXT_EDIT)));
  ApplyTextSelection(doc_, layer_);
  layer_->Release();
  layer_ = nullptr;
  EnableControls(false);
}

CLayerText* CTextDlg::GetTextLayer() {
  if (layer_ != nullptr) layer_->AddRef();
  return layer_;
}

void CTextDlg::Forget() {
  if (layer_ != nullptr) layer_->Release();
  layer_ = nullptr;
  doc_ = nullptr;
  editStep_ = backup_ = false;
  EnableControls(false);
}

void CTextDlg::OnOK() {
  if (ownerFlag_ != nullptr) *ownerFlag_ = 0;
  if (layer_ != nullptr) {
    layer_->SetRichText(StreamOut(GetDlgItem(hwnd_, IDC_TEXT_EDIT)));
    ApplyTextSelection(doc_, layer_);
  }
  DestroyWindow();
}

void CTextDlg::OnCancel() {
  if (ownerFlag_ != nullptr) *ownerFlag_ = 0;
  if (layer_ != nullptr && doc_ != nullptr) {
    const bool wasNew = layer_->IsNew();
    DiscardNewTextLayer(doc_, layer_);
    if (backup_ && !wasNew) doc_->Image().RevertLastBackup();
  }
  DestroyWindow();
}

bool CTextDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDC_TEXT_EDIT && code == EN_CHANGE) {
        if (ready && !inUpdate_) WriteTextToLayer();
        return true;
      }
      if ((id == IDC_TEXT_LEADING || id == IDC_TEXT_ORIENT || id == IDC_TEXT_TRACK) && code == EN_CHANGE) {
        UpdateLayer();
        return true;
      }
      if (code == CBN_SELCHANGE || (id == IDC_TEXT_SIZE && code == CBN_EDITCHANGE)) {
        if (inUpdate_) return true;
        if (id == IDC_TEXT_FONT) ApplyFormat(CFM_FACE);
        if (id == IDC_TEXT_SIZE) ApplyFormat(CFM_SIZE);
        if (id == IDC_TEXT_TYPE) ApplyFormat(CFM_BOLD | CFM_ITALIC);
        return true;
      }
      if (code == BN_CLICKED) {
        switch (id) {
          case IDC_TEXT_UNDERLINE:
            ApplyFormat(CFM_UNDERLINE);
            return true;
          case IDC_TEXT_STRIKEOUT:
            ApplyFormat(CFM_STRIKEOUT);
            return true;
          case IDC_TEXT_ANTIALIAS:
          case IDC_TEXT_LEFT:
          case IDC_TEXT_CENTER:
          case IDC_TEXT_RIGHT:
          case IDC_TEXT_VERTICAL:
            UpdateLayer();
            return true;
          case IDC_TEXT_COLOUR:
            if (!LUIsSelColorWindowOpened(nullptr) &&
                LUOpenSelColorWindow(nullptr, LUGetActiveOLEFrameWnd(nullptr), hwnd_, colour_) == 0) {
              MessageBeep(MB_ICONHAND);
              return true;
            }
            colourWindow_ = static_cast<HWND>(LUShowSelColorWindow(nullptr, hwnd_, colour_));
            return true;
          default:
            break;
        }
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_TEXT_EDIT && header->code == EN_SELCHANGE) {
        FollowSelection();
        *result = 0;
        return true;
      }
      break;
    }
    case kColourWindowSet:
    case kColourWindowChanged:
      colour_ = static_cast<COLORREF>(lParam) & 0xFFFFFF;
      SendDlgItemMessageA(hwnd_, IDC_TEXT_COLOUR, kVrCtlSetColour, 0, static_cast<LPARAM>(DisplayColour()));
      UpdateLayer();
      *result = 1;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && LUIsSelColorWindowOpened(nullptr)) {
        HWND window = static_cast<HWND>(LUShowSelColorWindow(nullptr, hwnd_, colour_));
        if (window != nullptr) colourWindow_ = window;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        // Minimised, the window stays where it was.
        RECT before{};
        GetWindowRect(hwnd_, &before);
        DefWindowProcA(hwnd_, message, wParam, lParam);
        SetWindowPos(hwnd_, nullptr, before.left, before.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        *result = 0;
        return true;
      }
      break;
    case WM_DESTROY: {
      if (colourWindow_ != nullptr && IsWindow(colourWindow_) && LUIsSelColorWindowOpened(nullptr) &&
          ReturnColourWindowToMain()) {
        ReturnColourWindowToMain()();
      }
      colourWindow_ = nullptr;
      // Layer Moving goes off again (the command turns it off when it is
      // on), unless another tool has replaced it meanwhile.
      HWND main = static_cast<HWND>(LUGetMainWnd(nullptr));
      if (movingChosen_ && main != nullptr && ActiveToolCommand() && ActiveToolCommand()() == ID_LAYER_MOVING) {
        SendMessageA(main, WM_COMMAND, ID_LAYER_MOVING, 0);
      }
      movingChosen_ = false;
      if (!IsIconic(hwnd_)) WriteTextDialogSettings(fw::TheApp()->Settings(), ReadSettings());
      if (ownerFlag_ != nullptr) *ownerFlag_ = 0;
      if (layer_ != nullptr) layer_->Release();
      layer_ = nullptr;
      doc_ = nullptr;
      break;
    }
    default:
      break;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

void CTextDlg::PostNcDestroy() {
  if (theDialog == this) theDialog = nullptr;
  delete this;
}

CTextDlg* OpenTextDialog() { return theDialog; }

namespace {

// The one dialog, owned by the active image's top-level window.
bool CreateTextDialog() {
  LoadRichEdit();
  auto* dialog = new CTextDlg(&dialogOpen, nullptr);
  HWND owner = GetActiveTopLevelWnd();
  if (!dialog->CreateModeless(fw::Window::FromHandle(owner))) {
    delete dialog;
    return false;
  }
  dialog->SetOwnerTop(owner);
  theDialog = dialog;
  return true;
}

}  // namespace

void InstallTextDialog() {
  TextDialogLink& link = TheTextDialog();
  link.attach = [](CLumo40Doc* doc, CLayerText* layer, bool loadFromLayer) {
    if (theDialog == nullptr && !CreateTextDialog()) {
      // The layer the click made has nothing to edit it: it goes.
      DiscardNewTextLayer(doc, layer);
      return;
    }
    theDialog->loadFromLayer = loadFromLayer ? 1 : 0;
    theDialog->AttachTextLayer(doc, layer);
  };
  link.rehome = [](CLumo40Doc* doc, CLayerText* layer) {
    HWND now = GetActiveTopLevelWnd();
    if (theDialog == nullptr || now == nullptr || now == theDialog->OwnerTop()) return;
    // A pending text (selection) is finished first; the new dialog edits
    // the layer as an existing one.
    theDialog->FinishAttached();
    DestroyWindow(theDialog->Handle());
    if (!CreateTextDialog()) return;
    theDialog->loadFromLayer = 1;
    theDialog->AttachTextLayer(doc, layer);
  };
  link.finish = []() {
    if (theDialog != nullptr) theDialog->FinishAttached();
  };
  link.isOpen = []() { return theDialog != nullptr; };
  link.enable = [](bool enable) {
    if (theDialog != nullptr) EnableWindow(theDialog->Handle(), enable ? TRUE : FALSE);
  };
  link.attachedLayer = []() { return theDialog != nullptr ? theDialog->GetTextLayer() : nullptr; };
  link.forget = [](CLumo40Doc* doc) {
    if (theDialog != nullptr && theDialog->Document() == doc) theDialog->Forget();
  };
}

}  // namespace lumora
