// The web-export dialogs' shared panes, buttons and map page.
#include "dialogs/win/WebExportPanes.h"

#include "files/HtmlMap.h"
#include "framework/win/CommonDialogs.h"
#include "platform/stream_file.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr std::uint32_t kZoomButtons[4] = {IDC_WEB_ZOOM_IN, IDC_WEB_ZOOM_OUT, IDC_WEB_ACTUAL_SIZE, IDC_WEB_CENTER};
constexpr std::uint32_t kZoomPictures[4] = {IDB_PREVIEW_ZOOM_IN, IDB_PREVIEW_ZOOM_OUT, IDB_PREVIEW_ACTUAL_SIZE,
                                            IDB_PREVIEW_CENTER};

}  // namespace

WebExportPanes::~WebExportPanes() { Destroy(); }

bool WebExportPanes::Create(HWND dialog, VrWA2000::WA* source, VrWA2000::WA* result, bool flat) {
  for (int i = 0; i < 4; ++i) {
    HWND button = GetDlgItem(dialog, static_cast<int>(kZoomButtons[i]));
    pictures_[i] = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kZoomPictures[i]));
    if (button == nullptr) continue;
    if (flat) SetWindowLongA(button, GWL_STYLE, GetWindowLongA(button, GWL_STYLE) | 0x800);
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(pictures_[i]));
  }
  source_ = std::make_unique<CPreviewWnd>();
  result_ = std::make_unique<CPreviewWnd>();
  if (!source_->CreateOver(dialog, IDC_WEB_SOURCE_FRAME, 100) || !result_->CreateOver(dialog, IDC_WEB_RESULT_FRAME, 101)) {
    return false;
  }
  struct Pane {
    CPreviewWnd* pane;
    VrWA2000::WA* image;
    std::uint32_t help;
  };
  for (const Pane& p : {Pane{source_.get(), source, 0x81D804D8u}, Pane{result_.get(), result, 0x81D804D9u}}) {
    p.pane->SetImage(p.image, true);
    p.pane->SetFitMode(false);
    p.pane->SetOwner(dialog, true);
    p.pane->SetContextHelpId(p.help);
    ShowWindow(p.pane->Handle(), SW_SHOW);
  }
  return true;
}

bool WebExportPanes::OnZoomButton(std::uint32_t id) {
  if (!source_) return false;
  switch (id) {
    case IDC_WEB_ZOOM_IN:
      source_->ZoomIn();
      return true;
    case IDC_WEB_ZOOM_OUT:
      source_->ZoomOut();
      return true;
    case IDC_WEB_ACTUAL_SIZE:
      source_->ActualSize();
      return true;
    case IDC_WEB_CENTER:
      source_->CenterInFrame();
      return true;
    default:
      return false;
  }
}

void WebExportPanes::Destroy() {
  source_.reset();
  result_.reset();
  for (HBITMAP& picture : pictures_) {
    if (picture != nullptr) DeleteObject(picture);
    picture = nullptr;
  }
}

bool SaveMapPageBeside(HWND owner, CLayersManager* stack, const std::string& path, const std::string& caption) {
  if (stack == nullptr || path.empty()) return false;
  try {
    WriteHTMLMapPage(stack, path);
    return true;
  } catch (const FileException& e) {
    MessageBoxA(owner, e.what(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return false;
  }
}

std::string AskExportPath(HWND owner, const std::string& extension, const std::string& filter) {
  fw::FileDialog dialog(false, extension, std::string(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, owner);
  if (dialog.DoModal() != IDOK) return std::string();
  return dialog.GetPathName();
}

}  // namespace lumora
