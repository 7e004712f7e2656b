// The image open and save dialogs over the framework's file dialog.
#include "files/win/MyFileDialogs.h"

#include <filesystem>
#include <vector>

#include "files/FileDialogFilters.h"
#include "files/ThumbnailDb.h"
#include "files/win/BrowsePalette.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "framework/win/App.h"
#include "hostapi/imgxfer.h"

namespace lumora {

namespace {

constexpr char kSection[] = "FILES";
constexpr char kSaveFolderKey[] = "DEFAULTSAVEDIR";
// The explorer dialog's file name box: an edit in the older dialogs, a
// combo box in the newer ones.
constexpr int kNameEdit = 1152;
constexpr int kNameCombo = 1148;

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

std::string ReadableFormats() {
  const int size = ImExp_FillReadFormatsInfo(nullptr, 0);
  if (size <= 0) return {};
  std::vector<char> list(static_cast<std::size_t>(size) + 2, '\0');
  ImExp_FillReadFormatsInfo(list.data(), size);
  return std::string(list.data(), static_cast<std::size_t>(size));
}

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace

LayeredFileInfo& TheLayeredFileInfo() {
  static LayeredFileInfo info;
  return info;
}

void SetLayeredFileInfo(LayeredFileInfo info) { TheLayeredFileInfo() = std::move(info); }

CMyOpenFileDlg::CMyOpenFileDlg(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                               const std::string&, HWND owner, bool noNativeTypes)
    : fw::FileDialog(open, defaultExt, fileName, flags, BuildOpenFilter(noNativeTypes, ReadableFormats()), owner),
      filterCount_(CountFilters(BuildOpenFilter(noNativeTypes, ReadableFormats()))),
      filter_(BuildOpenFilter(noNativeTypes, ReadableFormats())) {
  SetTemplate(IDD_OPEN_TEMPLATE);
}

CMyOpenFileDlg::~CMyOpenFileDlg() {
  browser_.reset();
  if (running_ == this) running_ = nullptr;
}

HWND CMyOpenFileDlg::TemplateItem(int id) const {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      Handle(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (GetDlgCtrlID(w) == s->id && GetParent(w) != nullptr && GetParent(w) != GetAncestor(w, GA_ROOT)) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CMyOpenFileDlg::OnInitDone() {
  running_ = this;
  selected_.clear();
  if (HWND info = TemplateItem(IDC_OPEN_INFO)) EnableWindow(info, FALSE);
}

void CMyOpenFileDlg::OnSelChange() { UpdateInfo(); }

void CMyOpenFileDlg::UpdateInfo() {
  char path[MAX_PATH] = {};
  if (SendMessageA(Handle(), CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(path)) < 0) path[0] = '\0';
  path[MAX_PATH - 1] = '\0';
  selected_ = path;
  // "&Info" only for a file of a type the list knows.
  if (HWND info = TemplateItem(IDC_OPEN_INFO)) EnableWindow(info, IsReadableImagePath(selected_, filter_));
}

void CMyOpenFileDlg::ShowInfo() {
  if (selected_.empty()) return;
  std::string ext = std::filesystem::path(selected_).extension().string();
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if ((ext == ".PSD" || ext == ".LUD") && TheLayeredFileInfo()) {
    TheLayeredFileInfo()(Handle(), selected_);
  } else {
    ImExp_ShowFileInfo(Handle(), selected_.c_str(), 1);
  }
}

void CMyOpenFileDlg::OnBrowse() {
  HWND button = TemplateItem(IDC_OPEN_BROWSE);
  if (browser_ && browserOpen_) {
    browser_->Refresh();
  } else {
    browser_ = std::make_unique<CBrowsePalette>();
    if (button != nullptr) SetWindowTextA(button, std::string(res::String(IDS_BROWSE_REFRESH)).c_str());
    HWND hook = button != nullptr ? GetParent(button) : nullptr;
    if (browser_->Create(Handle(), hook, button, &browserOpen_)) {
      browser_->Fill();
    }
  }
  // Closed while it filled: it goes now.
  if (browser_ && browser_->StopRequested()) browser_.reset();
}

INT_PTR CMyOpenFileDlg::OnHookMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT updateInfo = RegisterWindowMessageA("CDM_UPDATEINFOFILE");
  if (message == updateInfo) {
    UpdateInfo();
    return 1;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDC_OPEN_INFO) {
      ShowInfo();
      return 1;
    }
    if (LOWORD(wParam) == IDC_OPEN_BROWSE) {
      OnBrowse();
      return 1;
    }
  }
  if (message == WM_DESTROY) {
    browser_.reset();
    if (running_ == this) running_ = nullptr;
  }
  return 0;
}

int CMyOpenFileDlg::DoModal() {
  if (fw::Profile* profile = Settings()) {
    // A stored index the list no longer has starts on the first type.
    const int index = profile->GetInt(kSection, indexKey, 1);
    ofn_.nFilterIndex = static_cast<DWORD>(index >= 1 && index <= filterCount_ ? index : 1);
    const std::string folder = profile->GetString(kSection, folderKey);
    if (!folder.empty()) SetInitialDir(folder);
  }
  const int result = fw::FileDialog::DoModal();
  if (result == IDOK && !Paths().empty()) {
    if (fw::Profile* profile = Settings()) {
      profile->WriteInt(kSection, indexKey, FilterIndex());
      profile->WriteString(kSection, folderKey, FolderOf(Paths().front()));
    }
  }
  return result;
}

// The dialog starts on the type of the name (the name given the first
// type's extension when it has none of the list).
CMySaveFileDlg::CMySaveFileDlg(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                               const std::string& filter, HWND owner)
    : CMySaveFileDlg(open, defaultExt, MatchSaveFilter(filter, fileName), flags, filter, owner) {}

CMySaveFileDlg::CMySaveFileDlg(bool open, const std::string& defaultExt, const SaveFilterMatch& match, DWORD flags,
                               const std::string& filter, HWND owner)
    : fw::FileDialog(open, match.defaultExt.empty() ? defaultExt : match.defaultExt, match.fileName, flags, filter,
                     owner),
      filter_(filter) {
  ofn_.nFilterIndex = static_cast<DWORD>(match.filterIndex);
}

int CMySaveFileDlg::DoModal() {
  if (fw::Profile* profile = Settings()) {
    const std::string folder = profile->GetString(kSection, kSaveFolderKey);
    if (!folder.empty()) SetInitialDir(folder);
  }
  const int result = fw::FileDialog::DoModal();
  if (result == IDOK) {
    if (fw::Profile* profile = Settings()) profile->WriteString(kSection, kSaveFolderKey, FolderOf(GetPathName()));
  }
  return result;
}

void CMySaveFileDlg::OnTypeChange(int filterIndex) {
  HWND dialog = Handle();
  if (dialog == nullptr) return;
  char typedName[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(typedName));
  std::string ext;
  const std::string name = NameForType(filter_, filterIndex, typedName, &ext);
  if (ext.empty()) return;
  SendMessageA(dialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(ext.c_str()));
  const int nameBox = GetDlgItem(dialog, kNameEdit) != nullptr ? kNameEdit : kNameCombo;
  SendMessageA(dialog, CDM_SETCONTROLTEXT, nameBox, reinterpret_cast<LPARAM>(name.c_str()));
}

}  // namespace lumora
