// The small image dialogs.
#include "dialogs/win/ImageDialogs.h"

#include "dialogs/DuplicateImageForm.h"
#include "dialogs/ImageInfoForm.h"
#include "dialogs/win/ApplyImageDlg.h"
#include "dialogs/win/CanvasDlg.h"
#include "dialogs/win/EdgeDlg.h"
#include "dialogs/win/FrameDlg.h"
#include "dialogs/win/ImageSizeDlg.h"
#include "dialogs/win/MixingDlg.h"
#include "document/win/ImageDialogHooks.h"
#include "engine/pixels/ImageLimits.h"
#include "framework/win/App.h"
#include "framework/win/DocView.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

bool AnyDocumentTitled(const std::string& title) {
  if (fw::TheApp() == nullptr) return false;
  for (fw::Document* doc : fw::TheApp()->Docs().AllDocuments()) {
    if (doc->GetTitle() == title) return true;
  }
  return false;
}

// The mask shaping of template `id`; empty when the resource is missing or bad.
std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)> EdgeShapeOf(std::uint32_t id) {
  EdgeTemplate shape = LoadEdgeTemplate(id);
  if (shape.values.empty()) return {};
  return [shape = std::move(shape)](std::uint8_t* pixels, int w, int h, std::ptrdiff_t stride) {
    return ApplyResourceMask(pixels, w, h, stride, shape);
  };
}

}  // namespace

// ---- Duplicate image

CDuplicateImageDlg::CDuplicateImageDlg() : CMyModalDlg(IDD_DUPLICATE_IMAGE) {}

void CDuplicateImageDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindCheck(IDC_DUPLICATE_MERGED, merged)};
  dx.Exchange(table);
}

bool CDuplicateImageDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  if (source == nullptr) {
    EndDialog(IDCANCEL);
    return true;
  }
  SetDlgItemTextA(hwnd_, IDC_DUPLICATE_SOURCE, sourceTitle.c_str());
  newName = ProposeDuplicateName(sourceTitle, titleTaken ? titleTaken : AnyDocumentTitled);
  SetDlgItemTextA(hwnd_, IDC_DUPLICATE_NAME, newName.c_str());
  const bool layered = source->GetLayers() != nullptr && source->GetLayers()->GetLayerCount() > 1;
  EnableWindow(GetDlgItem(hwnd_, IDC_DUPLICATE_MERGED), layered ? TRUE : FALSE);
  return true;
}

void CDuplicateImageDlg::OnOK() {
  if (!UpdateData(true)) return;
  // A copy needs a title to be found by.
  if (newName.empty()) {
    MessageBeep(MB_ICONEXCLAMATION);
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, IDC_DUPLICATE_NAME)), TRUE);
    return;
  }
  EndDialog(IDOK);
}

bool CDuplicateImageDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_DUPLICATE_NAME && HIWORD(wParam) == EN_CHANGE) {
    char text[260] = {};
    GetDlgItemTextA(hwnd_, IDC_DUPLICATE_NAME, text, sizeof text);
    newName = text;
    return true;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Image information

CImageInfo::CImageInfo(fw::Window* parent, std::string path)
    : fw::Dialog(IDD_IMAGE_INFO, parent), path_(std::move(path)) {}

bool CImageInfo::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  const ImageInfoTexts texts = DescribeLayeredFile(path_);
  const std::pair<int, const std::string*> fields[] = {
      {IDC_INFO_FILE_NAME, &texts.fileName},     {IDC_INFO_FORMAT, &texts.format},
      {IDC_INFO_TYPE, &texts.type},              {IDC_INFO_COLORS, &texts.colors},
      {IDC_INFO_DIMENSIONS, &texts.dimensions},  {IDC_INFO_COMPRESSION, &texts.compression},
      {IDC_INFO_RESOLUTION, &texts.resolution}};
  for (const auto& [id, text] : fields) SetDlgItemTextA(hwnd_, id, text->c_str());
  return true;
}

// ---- Intersection level

CIntersectLevelDlg::CIntersectLevelDlg() : CMyModalDlg(IDD_INTERSECT_LEVEL) { ready_ = false; }

void CIntersectLevelDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindInt(IDC_LEVEL_VALUE, level, 0, 100)};
  dx.Exchange(table);
}

bool CIntersectLevelDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  SendDlgItemMessageA(hwnd_, IDC_LEVEL_SPIN, UDM_SETRANGE32, 0, 100);
  SetDlgItemInt(hwnd_, IDC_LEVEL_VALUE, static_cast<UINT>(level), FALSE);
  ready_ = true;
  return true;
}

bool CIntersectLevelDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LEVEL_VALUE && HIWORD(wParam) == EN_CHANGE) {
    // Read back once up; a value outside 0..100 waits for OK, which refuses it.
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(hwnd_, IDC_LEVEL_VALUE, &read, FALSE);
    if (ready_ && read && value <= 100) level = static_cast<int>(value);
    return true;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Prompt

CPrompter::CPrompter(std::uint32_t captionId, fw::Window* parent)
    : fw::Dialog(IDD_PROMPTER, parent), caption_(res::String(captionId)) {}

void CPrompter::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindText(IDC_PROMPTER_TEXT, text)};
  dx.Exchange(table);
}

bool CPrompter::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  SetWindowTextA(hwnd_, caption_.c_str());
  return true;
}

// ---- History

CHistoryDlg::CHistoryDlg() : CMyModalDlg(IDD_HISTORY) {}

void CHistoryDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindListIndex(IDC_HISTORY_LIST, chosen)};
  dx.Exchange(table);
}

bool CHistoryDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();  // the base's, before the list has its entries
  for (const std::string& entry : entries) {
    SendDlgItemMessageA(hwnd_, IDC_HISTORY_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  UpdateData(false);
  return true;
}

void CHistoryDlg::OnSelectHistoryEntry() {
  if (document == nullptr) return;
  const int index = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_HISTORY_LIST, LB_GETCURSEL, 0, 0));
  if (index >= 0) document->ShowHistoryState(index);
}

bool CHistoryDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_HISTORY_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
    OnSelectHistoryEntry();
    return true;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Installed behind the document's commands

void InstallImageDialogs() {
  ImageDialogs& dialogs = TheImageDialogs();
  dialogs.imageSize = [](ImageSizeQuestion& q) {
    CImageSizeDlg dialog;
    dialog.oldWidth = q.width;
    dialog.oldHeight = q.height;
    dialog.xResolution = q.xResolution;
    dialog.yResolution = q.yResolution;
    dialog.memorySize = q.memory;
    if (dialog.DoModal() != IDOK) return false;
    q.newWidth = dialog.NewWidth();
    q.newHeight = dialog.NewHeight();
    q.newXResolution = dialog.NewXResolution();
    q.newYResolution = dialog.NewYResolution();
    return true;
  };
  dialogs.canvas = [](CanvasQuestion& q) {
    CCanvasDlg dialog;
    dialog.oldWidth = q.width;
    dialog.oldHeight = q.height;
    if (dialog.DoModal() != IDOK) return false;
    q.canvas = dialog.Result();
    return true;
  };
  dialogs.frame = [](FrameQuestion& q) {
    CFrameDlg dialog(q.image, q.matColor);
    if (dialog.DoModal() != IDOK) return false;
    const FramePicture picture = DrawFramePicture(dialog.Factory(), dialog.Choice(), q.width, q.height, q.grey,
                                                  kMaxImageSide);
    // A grown size past the limit leaves the DIBs empty: the document
    // refuses them and says so.
    q.border = picture.border;
    q.picture = picture.dib;
    q.mask = picture.maskDib;
    return true;
  };
  dialogs.edges = [](EdgeQuestion& q) {
    CEdgeDlg dialog(q.image, q.edgeColor);
    if (dialog.DoModal() != IDOK) return false;
    q.templateId = dialog.TemplateId();
    q.lighting = dialog.Lighting();
    q.shape = EdgeShapeOf(q.templateId);
    return true;
  };
  dialogs.edgeTemplate = [](std::uint32_t id) {
    return IsCatalogueEdgeTemplate(id) ? EdgeShapeOf(id) : std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)>{};
  };
  dialogs.duplicate = [](DuplicateQuestion& q) {
    CDuplicateImageDlg dialog;
    dialog.sourceTitle = q.title;
    dialog.source = q.source;
    if (dialog.DoModal() != IDOK) return false;
    q.name = dialog.newName;
    q.merged = dialog.merged != 0;
    return true;
  };
  dialogs.applyImage = [](ApplyImageQuestion& q) {
    CApplyImage dialog;
    dialog.session = q.session;
    dialog.targetTitle = q.targetTitle;
    dialog.documents = q.documents;
    return dialog.DoModal() == IDOK;
  };
  dialogs.mixing = [](MixingQuestion& q) {
    CMixingsDlg dialog;
    dialog.session = q.session;
    dialog.documents = q.documents;
    if (dialog.DoModal() != IDOK) return false;
    q.result = dialog.Result();
    q.choice = dialog.ResultChoice();
    return true;
  };
  dialogs.history = [](HistoryQuestion& q) {
    CHistoryDlg dialog;
    dialog.entries = q.names;
    dialog.chosen = q.current;
    dialog.document = q.document;
    if (dialog.DoModal() != IDOK) return false;
    q.chosen = dialog.chosen;
    return true;
  };
}

}  // namespace lumora
