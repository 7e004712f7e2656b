// The image-map dialog of File/Export/Map.
#include "dialogs/win/HTMLMapDlg.h"

#include "files/HtmlMap.h"
#include "platform/safe_write.h"
#include "dialogs/win/WebExportPanes.h"
#include "framework/win/App.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kSection[] = "HTML_MAP";

std::string ItemText(HWND dialog, int id) {
  const int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetDlgItemTextA(dialog, id, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

FW_MESSAGE_MAP(CHTMLMapDlg, CMyModalDlg, fw::ControlEntry<&CHTMLMapDlg::OnSaveAs>(BN_CLICKED, IDC_MAP_SAVE_AS),
               fw::ControlEntry<&CHTMLMapDlg::OnCopy>(BN_CLICKED, IDC_MAP_COPY),
               fw::ControlEntry<&CHTMLMapDlg::OnNameChanged>(EN_CHANGE, IDC_MAP_NAME),
               fw::ControlEntry<&CHTMLMapDlg::OnNameChanged>(EN_CHANGE, IDC_MAP_REFERENCE),
               fw::ControlEntry<&CHTMLMapDlg::OnShapeClicked>(BN_CLICKED, IDC_MAP_AS_RECT),
               fw::ControlEntry<&CHTMLMapDlg::OnShapeClicked>(BN_CLICKED, IDC_MAP_AS_POLYGON))

CHTMLMapDlg::CHTMLMapDlg() : CMyModalDlg(IDD_HTML_MAP) {}

CHTMLMapDlg::~CHTMLMapDlg() {
  fw::Profile& settings = fw::TheApp()->Settings();
  settings.WriteString(kSection, "MapName", mapName);
  settings.WriteString(kSection, "RefName", reference);
}

void CHTMLMapDlg::SetFragment(int width, int height, const Fragment* fragment) {
  fragment_ = fragment;
  height_ = height;
  area_ = MapAreaOfFragment(width, height, fragment);
}

void CHTMLMapDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindText(IDC_MAP_TEXT, mapText), fw::BindText(IDC_MAP_NAME, mapName),
                               fw::BindText(IDC_MAP_REFERENCE, reference), fw::BindRadio(IDC_MAP_AS_RECT, shape)};
  dx.Exchange(table);
}

void CHTMLMapDlg::Rebuild() { mapText = BuildMapText(mapName, reference, shape, area_, fragment_, height_); }

bool CHTMLMapDlg::OnInitDialog() {
  fw::Profile& settings = fw::TheApp()->Settings();
  mapName = settings.GetString(kSection, "MapName", "MAP1");
  reference = settings.GetString(kSection, "RefName", "ref.htm");
  Rebuild();
  CMyModalDlg::OnInitDialog();
  initialising_ = false;
  EnableWindow(Item(IDC_MAP_AS_POLYGON), fragment_ != nullptr && GetFragmentType(fragment_) == 3);
  return true;
}

void CHTMLMapDlg::OnNameChanged() {
  if (initialising_) return;
  mapName = ItemText(hwnd_, IDC_MAP_NAME);
  reference = ItemText(hwnd_, IDC_MAP_REFERENCE);
  Rebuild();
  SetDlgItemTextA(hwnd_, IDC_MAP_TEXT, mapText.c_str());
}

void CHTMLMapDlg::OnShapeClicked() {
  UpdateData(true);
  Rebuild();
  initialising_ = true;  // the names are put back unchanged
  UpdateData(false);
  initialising_ = false;
}

void CHTMLMapDlg::OnCopy() {
  HWND text = Item(IDC_MAP_TEXT);
  DWORD start = 0, end = 0;
  SendMessageA(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start == end) SendMessageA(text, EM_SETSEL, 0, -1);
  SendMessageA(text, WM_COPY, 0, 0);
}

void CHTMLMapDlg::OnSaveAs() {
  const std::string path = AskExportPath(hwnd_, std::string(), std::string(res::String(IDS_FILTER_HTML)));
  if (path.empty()) return;
  std::string error;
  const bool written = WriteFileSafely(
      path,
      [&](StreamFile& file, std::string*) {
        file.Write(mapText.data(), static_cast<std::uint32_t>(mapText.size()));
        return true;
      },
      &error);
  if (!written) {
    const std::string caption = GetText();
    MessageBoxA(hwnd_, error.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
  }
}

}  // namespace lumora
