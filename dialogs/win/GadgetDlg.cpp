// The file chooser dialog.
#include "dialogs/win/GadgetDlg.h"

#include <algorithm>
#include <cctype>

#include "dialogs/GadgetForm.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

std::string ExecutableFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  const std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

}  // namespace

FW_MESSAGE_MAP(CGadgetDlg, CMyModalDlg, fw::ControlEntry<&CGadgetDlg::OnDelete>(BN_CLICKED, IDC_GADGET_DELETE))

CGadgetDlg::CGadgetDlg(std::uint32_t captionId, std::string folderName, std::string extension, bool mustExist,
                       fw::Window* parent)
    : CMyModalDlg(IDD_GADGET),
      folderName_(std::move(folderName)),
      extension_(std::move(extension)),
      mustExist_(mustExist),
      title_(res::String(captionId)) {
  if (parent != nullptr) parent_ = parent;
  for (char& c : extension_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string CGadgetDlg::GetFilePath() const { return GadgetFilePath(folderPath_, name, extension_); }

void CGadgetDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindComboText(IDC_GADGET_LIST, name)};
  dx.Exchange(table);
}

void CGadgetDlg::EnsureFolder() {
  folderPath_ = WithSeparator(programFolder.empty() ? ExecutableFolder() : programFolder) + folderName_ + "\\";
  const std::string folder = folderPath_.substr(0, folderPath_.size() - 1);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CreateDirectoryA(folder.c_str(), nullptr);
  }
}

void CGadgetDlg::FillList() {
  std::vector<std::string> entries;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folderPath_ + "*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      entries.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  listed_ = GadgetListNames(entries, extension_);
  SendDlgItemMessageA(hwnd_, IDC_GADGET_LIST, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : listed_) {
    SendDlgItemMessageA(hwnd_, IDC_GADGET_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
}

bool CGadgetDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  EnsureFolder();
  FillList();
  if (!initialName.empty()) {
    SendDlgItemMessageA(hwnd_, IDC_GADGET_LIST, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(initialName.c_str()));
  }
  SetWindowTextA(hwnd_, title_.c_str());
  return true;
}

int CGadgetDlg::Ask(std::uint32_t textId, UINT type) const {
  const std::string text(res::String(textId));
  return MessageBoxA(hwnd_, text.c_str(), title_.c_str(), type);
}

bool CGadgetDlg::AcceptableName() {
  std::uint32_t text = 0;
  switch (CheckGadgetName(name)) {
    case GadgetNameFault::kNone:
    case GadgetNameFault::kEmpty: return true;
    case GadgetNameFault::kPath: text = IDS_GADGET_NAME_PATH; break;
    case GadgetNameFault::kWildcard: text = IDS_GADGET_NAME_WILDCARD; break;
    case GadgetNameFault::kInvalid: text = IDS_GADGET_NAME_INVALID; break;
    case GadgetNameFault::kDevice: text = IDS_GADGET_NAME_DEVICE; break;
  }
  Ask(text, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void CGadgetDlg::OnOK() {
  if (!UpdateData(true) || name.empty()) return;
  if (!AcceptableName()) return;
  const bool listed = FindGadgetEntry(listed_, name) >= 0;
  if (mustExist_ && !listed) {
    Ask(IDS_GADGET_NO_SUCH_NAME, MB_OK);
    return;
  }
  if (!mustExist_ && listed && Ask(IDS_GADGET_REPLACE, MB_YESNO) != IDYES) return;
  EndDialog(IDOK);
}

void CGadgetDlg::OnDelete() {
  if (!UpdateData(true)) return;
  const int index = FindGadgetEntry(listed_, name);
  if (index < 0) return;
  if (!AcceptableName()) return;
  if (Ask(IDS_GADGET_DELETE_ENTRY, MB_YESNO) != IDYES) return;
  const LRESULT item = SendDlgItemMessageA(hwnd_, IDC_GADGET_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(listed_[static_cast<std::size_t>(index)].c_str()));
  if (item != CB_ERR) SendDlgItemMessageA(hwnd_, IDC_GADGET_LIST, CB_DELETESTRING, static_cast<WPARAM>(item), 0);
  DeleteFileA(GadgetFilePath(folderPath_, listed_[static_cast<std::size_t>(index)], extension_).c_str());
  listed_.erase(listed_.begin() + index);
}

}  // namespace lumora
