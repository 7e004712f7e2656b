// The image document in the framework: the portable document behind a
// fw::Document, its message boxes over the main window.
#include "document/win/Lumo40Doc.h"
#include "document/win/TextTool.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "document/DocumentRecorder.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "platform/trace.h"
#include "document/win/ClipboardCommands.h"
#include "document/win/LayerCommands.h"
#include "files/win/MyFileDialogs.h"
#include "engine/layers/win/GdiTextDevice.h"
#include "engine/pixels/WAccess.h"
#include "framework/CommandIds.h"
#include "hostapi/toolhost.h"
#include "framework/win/App.h"
#include "framework/win/CommonDialogs.h"
#include "framework/win/Frame.h"
#include "res/MenuPlan.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "engine/render/ViewMessages.h"

namespace lumora {

namespace {

// File/Open: several files, read-only box hidden, every file shown.
constexpr DWORD kOpenFlags = OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;

// Save, Save As: hidden read-only box, overwrite asked, folder must exist.
constexpr DWORD kSaveFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

int Box(const std::string& text, std::uint32_t captionId, UINT type) {
  const std::string caption(res::String(captionId));
  return MessageBoxA(GetActiveTopLevelWnd(), text.c_str(), caption.c_str(), type);
}

// The tool host's preview stays off while the document of the active image
// window is saved or exported.
class PreviewOff {
 public:
  explicit PreviewOff(bool act) : act_(act) {
    if (act_) LUPreview_Enable(0);
  }
  ~PreviewOff() {
    if (act_) LUPreview_Enable(1);
  }
  PreviewOff(const PreviewOff&) = delete;
  PreviewOff& operator=(const PreviewOff&) = delete;

 private:
  bool act_;
};

CLumo40DocTemplate* ImageTemplate(fw::Document* doc) {
  return dynamic_cast<CLumo40DocTemplate*>(doc->GetDocTemplate());
}

}  // namespace

FW_IMPLEMENT_DYNCREATE(CLumo40Doc, fw::Document)
FW_MESSAGE_MAP(CLumo40Doc, fw::Document, fw::CommandEntry<&CLumo40Doc::OnEditUndo>(fw::kIdEditUndo),
               fw::CommandEntry<&CLumo40Doc::OnEditRedo>(fw::kIdEditRedo),
               fw::CommandEntry<&CLumo40Doc::OnFileClose>(fw::kIdFileClose),
               fw::CommandEntry<&CLumo40Doc::OnFileSaveCommand>(fw::kIdFileSave),
               fw::CommandEntry<&CLumo40Doc::OnFileUpdate>(kIdFileUpdate),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateFileUpdate>(kIdFileUpdate),
               fw::CommandEntry<&CLumo40Doc::OnFileExport>(ID_FILE_EXPORT),
               fw::CommandEntry<&CLumo40Doc::OnExportJPEG>(ID_FILE_EXPORT_JPEG),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_FILE_EXPORT_JPEG),
               fw::CommandEntry<&CLumo40Doc::OnExportGIF>(ID_FILE_EXPORT_GIF),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_FILE_EXPORT_GIF),
               fw::CommandEntry<&CLumo40Doc::OnExportPNG>(ID_FILE_EXPORT_PNG),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_FILE_EXPORT_PNG),
               fw::CommandEntry<&CLumo40Doc::OnExportMap>(ID_FILE_EXPORT_MAP),
               fw::CommandEntry<&CLumo40Doc::OnFilePrint>(ID_FILE_PRINT),
               fw::CommandEntry<&CLumo40Doc::OnFilePrintMarks>(ID_FILE_PRINT_MARKS),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateExportMap>(ID_FILE_EXPORT_MAP),
               fw::CommandEntry<&CLumo40Doc::OnLayerWebLink>(ID_LAYER_WEB_LINK),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateLayerWebLink>(ID_LAYER_WEB_LINK),
               fw::CommandEntry<&CLumo40Doc::OnFileReload>(ID_FILE_RELOAD),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateFileReload>(ID_FILE_RELOAD),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateFileSave>(fw::kIdFileSave),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(fw::kIdFileSaveAs),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_FILE_EXPORT),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateEditUndo>(fw::kIdEditUndo),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateEditRedo>(fw::kIdEditRedo),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(fw::kIdFileClose),
               fw::CommandEntry<&CLumo40Doc::OnEditHistory>(ID_EDIT_HISTORY),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_EDIT_HISTORY),
               fw::CommandEntry<&CLumo40Doc::OnImageApplyImage>(ID_IMAGE_APPLY_IMAGE),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageApplyImage>(ID_IMAGE_APPLY_IMAGE),
               fw::CommandEntry<&CLumo40Doc::OnImageMixing>(ID_IMAGE_MIXING),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageApplyImage>(ID_IMAGE_MIXING),
               fw::CommandEntry<&CLumo40Doc::OnImageDuplicate>(ID_IMAGE_DUPLICATE),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_IMAGE_DUPLICATE),
               fw::CommandEntry<&CLumo40Doc::OnImageCrop>(ID_IMAGE_CROP),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageCrop>(ID_IMAGE_CROP),
               fw::CommandEntry<&CLumo40Doc::OnImageSize>(ID_IMAGE_SIZE),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_IMAGE_SIZE),
               fw::CommandEntry<&CLumo40Doc::OnImageCanvas>(ID_IMAGE_CANVAS),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateAlways>(ID_IMAGE_CANVAS),
               fw::CommandEntry<&CLumo40Doc::OnImageFrames>(ID_IMAGE_FRAMES),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageFrames>(ID_IMAGE_FRAMES),
               fw::CommandEntry<&CLumo40Doc::OnLayerEdges>(ID_LAYER_EDGES),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageFrames>(ID_LAYER_EDGES),
               fw::CommandEntry<&CLumo40Doc::OnImageCropSelection>(ID_IMAGE_CROP_SELECTION),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageCropSelection>(ID_IMAGE_CROP_SELECTION),
               fw::CommandEntry<&CLumo40Doc::OnImageRotateNumeric>(ID_IMAGE_ROTATE_NUMERIC),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_ROTATE_NUMERIC),
               fw::CommandEntry<&CLumo40Doc::OnImageRotate180>(ID_IMAGE_ROTATE_180),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_ROTATE_180),
               fw::CommandEntry<&CLumo40Doc::OnImageRotate90CW>(ID_IMAGE_ROTATE_90CW),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_ROTATE_90CW),
               fw::CommandEntry<&CLumo40Doc::OnImageRotate90CCW>(ID_IMAGE_ROTATE_90CCW),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_ROTATE_90CCW),
               fw::CommandEntry<&CLumo40Doc::OnImageFlipHorizontal>(ID_IMAGE_FLIP_HORIZONTAL),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_FLIP_HORIZONTAL),
               fw::CommandEntry<&CLumo40Doc::OnImageFlipVertical>(ID_IMAGE_FLIP_VERTICAL),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateNoTextLayer>(ID_IMAGE_FLIP_VERTICAL),
               fw::CommandEntry<&CLumo40Doc::OnImageText>(ID_IMAGE_TEXT),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageText>(ID_IMAGE_TEXT),
               fw::CommandEntry<&CLumo40Doc::OnImageTextSelection>(ID_IMAGE_TEXT_SELECTION),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateImageText>(ID_IMAGE_TEXT_SELECTION),
               fw::CommandEntry<&CLumo40Doc::OnTextEditLayer>(ID_TEXT_EDIT_LAYER),
               fw::UpdateEntry<&CLumo40Doc::OnUpdateTextEditLayer>(ID_TEXT_EDIT_LAYER))

CLumo40Doc::CLumo40Doc()
    : image_(std::make_unique<ImageDocument>(this)),
      layerCommands_(std::make_unique<CLayerCommands>(*this)),
      clipboardCommands_(std::make_unique<CClipboardCommands>(*this)) {}

bool CLumo40Doc::OnCmdMsg(fw::MessageArgs& args) {
  return layerCommands_->OnCmdMsg(args) || clipboardCommands_->OnCmdMsg(args) || fw::Document::OnCmdMsg(args);
}

void CLumo40Doc::UpdateLayerMenu(HMENU popup) { layerCommands_->UpdateLayerMenu(popup); }

CLumo40Doc::~CLumo40Doc() = default;

bool CLumo40Doc::OnNewDocument() {
  if (!fw::Document::OnNewDocument()) return false;
  auto* manager = ImageDocManager();
  if (manager != nullptr && manager->pendingEmbedding) embedded = true;
  // A document made by the application's services from a layer, a stack
  // or an image asks nothing.
  if (manager != nullptr && manager->pendingRecord != nullptr) {
    return image_->NewImage(*manager->pendingRecord) != 0;
  }
  NewImageChoice choice;
  if (manager != nullptr && manager->pendingChoice != nullptr) {
    choice = *manager->pendingChoice;
  } else if (!AskNewImage(&choice)) {
    return false;
  }
  CreationRecord record;
  record.kind = 2;
  record.a = static_cast<std::uintptr_t>(choice.width);
  record.b = static_cast<std::uintptr_t>(choice.height);
  record.c = static_cast<std::uint32_t>(choice.xResolution & 0xFFFF) |
             (static_cast<std::uint32_t>(choice.yResolution & 0xFFFF) << 16);
  record.d = choice.colour;
  return image_->NewImage(record) != 0;
}

bool CLumo40Doc::OnOpenDocument(const std::string& path) {
  // The base only empties the document: the file is read here, once, and
  // a serialisation meanwhile reads nothing.
  if (!fw::Document::OnOpenDocument(path)) return false;
  SetDocumentBeingOpened(true);
  struct Lower {
    ~Lower() { SetDocumentBeingOpened(false); }
  } lower;
  CLumo40DocTemplate* tmpl = ImageTemplate(this);
  const OpenRoad road = tmpl != nullptr ? tmpl->nextRoad : OpenRoad::kByContent;
  if (tmpl != nullptr) tmpl->nextRoad = OpenRoad::kByContent;
  int opened = 0;
  switch (road) {
    case OpenRoad::kLayered: opened = OpenLayeredDocument(*image_, path, *this); break;
    case OpenRoad::kFlat: opened = OpenFlatDocument(*image_, path); break;
    case OpenRoad::kByContent: opened = lumora::OpenDocumentFile(*image_, path, *this); break;
  }
  if (opened == 0) return false;
  TraceMark("file read");
  // An empty ".LUD" becomes a new image and is marked modified.
  SetModifiedFlag(image_->IsModified());
  return true;
}

bool CLumo40Doc::OnSaveDocument(const std::string& path) {
  // Steps mark the portable document, the framework's commands this one:
  // a save that writes nothing, or only the merged image, keeps either mark.
  image_->SetModifiedFlag(IsModified() || image_->IsModified());
  const int saved = SaveToFile(*image_, path, true, *this);
  // A flattening save keeps the document marked, so its layers can still
  // be saved.
  SetModifiedFlag(image_->IsModified());
  if (saved == 0) return false;
  flattenedBySave_ = image_->IsModified();
  // The objects bound to the file hear that it changed.
  const std::vector<FileLink*> links = fileLinks_;
  for (FileLink* link : links) {
    if (std::find(fileLinks_.begin(), fileLinks_.end(), link) != fileLinks_.end()) link->FileWritten(path);
  }
  return true;
}

void CLumo40Doc::AddFileLink(FileLink* link) {
  if (link != nullptr && std::find(fileLinks_.begin(), fileLinks_.end(), link) == fileLinks_.end()) {
    fileLinks_.push_back(link);
  }
}

void CLumo40Doc::RemoveFileLink(FileLink* link) {
  fileLinks_.erase(std::remove(fileLinks_.begin(), fileLinks_.end(), link), fileLinks_.end());
}

void CLumo40Doc::ReleaseFileLinks(const std::string& path) {
  const std::vector<FileLink*> links = fileLinks_;
  for (FileLink* link : links) {
    const auto at = std::find(fileLinks_.begin(), fileLinks_.end(), link);
    if (at == fileLinks_.end() || (!path.empty() && link->LinksTo(path))) continue;
    fileLinks_.erase(at);
    link->DocumentGone();
  }
}

void CLumo40Doc::SetPathName(const std::string& path, bool addToRecentFiles) {
  const std::string before = GetPathName();
  fw::Document::SetPathName(path, addToRecentFiles);
  if (!fileLinks_.empty()) ReleaseFileLinks(GetPathName());
  // A new name (not a save under the same one) is made known as running.
  CLumo40DocManager* manager = ImageDocManager();
  if (manager != nullptr && manager->fileNamed && !GetPathName().empty() &&
      _stricmp(before.c_str(), GetPathName().c_str()) != 0) {
    manager->fileNamed(*this);
  }
}

void CLumo40Doc::DeleteContents() {
  // The portable document holds the stack; a fresh one replaces it only
  // when the document is emptied for another file.
  if (image_->HasImage()) image_ = std::make_unique<ImageDocument>(this);
}

void CLumo40Doc::OnFileUpdate() {
  // The container is given the image as it is now and asked to keep it.
  if (serverItem == nullptr || !FilterCommandEnable(kIdFileUpdate, true)) return;
  image_->TakeChangePending();
  serverItem->SaveToContainer();
}

void CLumo40Doc::OnUpdateFileUpdate(fw::CmdUI& ui) { EnableFiltered(ui, serverItem != nullptr); }

void CLumo40Doc::FlushServerItemUpdate() {
  if (image_->TakeChangePending() && serverItem != nullptr) serverItem->SendUpdate();
}

void CLumo40Doc::OnCloseDocument() {
  image_->SetClosing(true);
  if (ServerItem* item = std::exchange(serverItem, nullptr)) item->DocumentClosing();
  ReleaseFileLinks(std::string());
  // A text click still waited for, or the text dialog, must not reach a
  // document that is gone.
  CancelTextHookFor(this);
  if (TheTextDialog().forget) TheTextDialog().forget(this);
  fw::Document::OnCloseDocument();
}

bool CLumo40Doc::SaveModified() {
  // A transform running over the stack is applied or dropped first.
  if (QueryRunningTransform() == 0) return false;
  // An embedded image belongs to its container, which is given it as it is.
  if (serverItem != nullptr) {
    serverItem->SaveToContainer();
    return true;
  }
  // Steps mark the portable document, the framework's commands this one.
  const bool modified = IsModified() || image_->IsModified();
  SetModifiedFlag(modified);
  image_->SetModifiedFlag(modified);
  flattenedBySave_ = false;
  if (!fw::Document::SaveModified()) return false;
  // Answered No, or saved whole: nothing more to ask.
  if (!flattenedBySave_) return true;
  return SaveLayersBeforeClosing();
}

bool CLumo40Doc::SaveLayersBeforeClosing() {
  const std::filesystem::path saved(GetPathName());
  for (;;) {
    const std::string question = FormatWithName(IDS_LAYERS_ONLY_HERE, saved.filename().string());
    switch (Box(question, IDS_WARNING_CAPTION, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
      case IDNO: return true;
      case IDYES: break;
      default: return false;
    }
    // The save dialog proposes the layered file beside the flat one.
    const std::string pattern(res::String(IDS_LUD_PATTERN));  // "*.LUD"
    std::string name = std::filesystem::path(saved).replace_extension(pattern.substr(pattern.find('.'))).string();
    PreviewOff preview(ActiveWindowShowsDocument());
    if (!PromptSaveFileName(&name, IDS_SAVE_AS_TITLE, kSaveFlags, false)) continue;
    flattenedBySave_ = false;
    if (!OnSaveDocument(name)) continue;
    SetPathName(name, true);
    // A flat format chosen again leaves the layers where they were.
    if (!flattenedBySave_) return true;
  }
}

bool CLumo40Doc::DoSave(const std::string& path, bool replace) {
  PreviewOff preview(ActiveWindowShowsDocument());
  std::string name = path;
  if (name.empty()) {
    name = GetPathName();
    if (name.empty() && replace && !MakeNameFromTitle(&name, GetTitle())) name.clear();
    if (!PromptSaveFileName(&name, replace ? IDS_SAVE_AS_TITLE : IDS_SAVE_COPY_TITLE, kSaveFlags, false)) {
      return false;
    }
  }
  if (!OnSaveDocument(name)) return false;
  if (replace) SetPathName(name, true);
  return true;
}

bool CLumo40Doc::PromptSaveFileName(std::string* name, std::uint32_t titleId, DWORD flags, bool exportMode) {
  const std::string filter = BuildSaveFilter(*image_, exportMode);
  CMySaveFileDlg dialog(false, std::string(), *name, OFN_HIDEREADONLY | flags, filter, GetActiveTopLevelWnd());
  dialog.SetTitle(std::string(res::String(titleId)));
  if (dialog.DoModal() != IDOK) return false;
  *name = dialog.GetPathName();
  return true;
}

void CLumo40Doc::OnFileSaveCommand() {
  // Disabled for an embedded image (its key too): the container keeps it.
  if (embedded) return;
  if (IsCommandAllowedWhileTracking(fw::kIdFileSave)) DoFileSave();
}

void CLumo40Doc::OnFileExport() {
  PreviewOff preview(ActiveWindowShowsDocument());
  std::string name;
  if (!GetPathName().empty()) {
    name = std::filesystem::path(GetPathName()).filename().string();
  } else if (!MakeNameFromTitle(&name, GetTitle())) {
    name.clear();
  }
  if (!name.empty()) name = FormatWithName(IDS_COPY_OF, name);
  if (!PromptSaveFileName(&name, IDS_SAVE_AS_TITLE, kSaveFlags, true)) return;
  SaveToFile(*image_, name, false, *this);
}

void CLumo40Doc::OnFileReload() {
  const bool modified = IsModified() || image_->IsModified();
  if (modified && !ConfirmWarning(FormatWithName(IDS_RELOAD_PROMPT, GetPathName()))) return;
  fw::WaitCursor wait;
  if (ReloadDocument(*image_, GetPathName(), *this) != 0) SetModifiedFlag(false);
}

void CLumo40Doc::OnUpdateFileReload(fw::CmdUI& ui) {
  std::error_code error;
  EnableFiltered(ui, !GetPathName().empty() && std::filesystem::exists(GetPathName(), error));
}

void CLumo40Doc::OnUpdateFileSave(fw::CmdUI& ui) {
  EnableFiltered(ui, !embedded && (IsModified() || image_->IsModified()));
}

void CLumo40Doc::Serialize(fw::Archive& archive) {
  // The archive's own buffer steps aside: the layered data go to its file.
  archive.Flush();
  if (archive.IsLoading()) {
    // The framework's own open reads the file once already.
    if (IsDocumentBeingOpened()) return;
    if (LoadSerializedStack(*image_, archive.GetFile()) == 0) {
      ThrowInvalidFile("the layered data could not be read or installed");
    }
  } else {
    StoreSerializedStack(*image_, archive.GetFile());
  }
}

void CLumo40Doc::UndoRedoCommand(bool redo) {
  if (image_->UndoRedo(redo)) {
    SetModifiedFlag(true);
    image_->SetModifiedFlag(true);
  }
}

void CLumo40Doc::OnEditUndo() { UndoRedoCommand(false); }
void CLumo40Doc::OnEditRedo() { UndoRedoCommand(true); }

void CLumo40Doc::OnFileClose() {
  if (SaveModified()) OnCloseDocument();
}

// Every update handler passes its enable value through the tracker's filter.
void CLumo40Doc::EnableFiltered(fw::CmdUI& ui, bool enable) { ui.Enable(FilterCommandEnable(ui.Id(), enable)); }
void CLumo40Doc::OnUpdateEditUndo(fw::CmdUI& ui) { EnableFiltered(ui, image_->History().UndoCount() > 0); }
void CLumo40Doc::OnUpdateEditRedo(fw::CmdUI& ui) { EnableFiltered(ui, image_->History().RedoCount() > 0); }
void CLumo40Doc::OnUpdateAlways(fw::CmdUI& ui) { EnableFiltered(ui, true); }

bool CLumo40Doc::ActiveWindowShowsDocument() {
  fw::FrameWnd* main = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr;
  fw::FrameWnd* active = main != nullptr ? main->GetActiveFrame() : nullptr;
  return active != nullptr && active != main && active->GetActiveDocument() == this;
}

void CLumo40Doc::PostQueueEmpty() {
  // The worker's thread: only the post happens here.
  if (HWND window = queueWindow.load()) PostMessageA(window, kMsgQueueEmptyPosted, 0, 0);
}

int CLumo40Doc::CopyImageParameter(VrWA2000::WA* source, WAPtr* copy) {
  *copy = nullptr;
  if (source == nullptr) return 0;
  void* made = nullptr;
  const int code = LUCopyParameter(nullptr, kLUParamImage, source, &made);
  if (code == 0) *copy = WAPtr::Adopt(static_cast<VrWA2000::WA*>(made));
  return code;
}

void CLumo40Doc::GetSmoothEdge(int* degree, int* type) {
  *degree = 0;
  *type = 0;
}

void CLumo40Doc::ShowMessage(int textId, int captionId) {
  Box(std::string(res::String(static_cast<std::uint32_t>(textId))), static_cast<std::uint32_t>(captionId),
      MB_OK | MB_ICONSTOP);
}

void CLumo40Doc::ShowMessageText(const std::string& text, int captionId) {
  Box(text, static_cast<std::uint32_t>(captionId), MB_OK | MB_ICONSTOP);
}

// Only the document of the program's current image window switches the
// tool host's preview.
void CLumo40Doc::DisablePreview() {
  if (ActiveWindowShowsDocument()) LUPreview_Enable(0);
}

void CLumo40Doc::RestorePreview() {
  if (ActiveWindowShowsDocument()) LUPreview_Enable(1);
}

COLORREF CLumo40Doc::FillColour() {
  auto* manager = ImageDocManager();
  return manager != nullptr && manager->backgroundColour ? manager->backgroundColour() : 0xFFFFFFu;
}

bool CLumo40Doc::NewDocumentFromLayer(CLayer* layer, const std::string& title) {
  return lumora::NewDocumentFromLayer(layer, title) != nullptr;
}

int CLumo40Doc::LayoutTextLayer(CLayerText& layer) {
  return LayoutTextWithGdi(layer, layer.Attributes().antiAlias, image_.get(), nullptr);
}

void CLumo40Doc::ActivateFrames() {
  if (Views().empty()) return;
  if (fw::FrameWnd* frame = Views().front()->GetParentFrame()) frame->ActivateFrame(-1);
}

bool CLumo40Doc::AskNewImage(NewImageChoice* choice) {
  auto* manager = ImageDocManager();
  return manager != nullptr && manager->askNewImage && manager->askNewImage(choice);
}

bool CLumo40Doc::ConfirmWarning(const std::string& text) {
  return Box(text, IDS_WARNING_CAPTION, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void CLumo40Doc::ReportFileError(int code, const std::string& path, const std::string& reason) {
  ShowDocumentError(code, reason.empty() ? path : path + "\n" + Sentence(reason), "Lumo40Doc", __LINE__);
}

// ---- The template and the manager

bool RefillMenuPopup(HMENU target, HMENU source) {
  if (target == nullptr || source == nullptr) return false;
  while (GetMenuItemCount(target) > 0) DeleteMenu(target, 0, MF_BYPOSITION);
  bool ok = true;
  const int count = GetMenuItemCount(source);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(source, static_cast<UINT>(i), TRUE, &info)) {
      ok = false;
      continue;
    }
    if (info.hSubMenu != nullptr) {
      HMENU copy = CreatePopupMenu();
      ok = RefillMenuPopup(copy, info.hSubMenu) && ok;
      info.hSubMenu = copy;
    }
    info.dwTypeData = text;
    ok = InsertMenuItemA(target, static_cast<UINT>(i), TRUE, &info) != FALSE && ok;
  }
  return ok;
}

CLumo40DocTemplate::~CLumo40DocTemplate() {
  if (inPlaceMenu_ != nullptr) DestroyMenu(inPlaceMenu_);
  if (embeddingMenu_ != nullptr) DestroyMenu(embeddingMenu_);
  if (inPlaceAccel_ != nullptr) DestroyAcceleratorTable(inPlaceAccel_);
  if (embeddingAccel_ != nullptr) DestroyAcceleratorTable(embeddingAccel_);
}

void CLumo40DocTemplate::LoadTemplate() {
  fw::DocTemplate::LoadTemplate();
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (inPlaceMenu_ == nullptr) inPlaceMenu_ = LoadMenuA(inst, MAKEINTRESOURCEA(res::kInPlaceMenuId));
  if (inPlaceAccel_ == nullptr) inPlaceAccel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(res::kInPlaceMenuId));
  if (embeddingMenu_ == nullptr) embeddingMenu_ = LoadMenuA(inst, MAKEINTRESOURCEA(res::kEmbeddingMenuId));
  if (embeddingAccel_ == nullptr) embeddingAccel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(res::kEmbeddingMenuId));
}

void CLumo40DocTemplate::RefillServerMenus() {
  HMENU documentMenu = SharedMenu();
  if (documentMenu == nullptr) return;
  for (HMENU menu : {inPlaceMenu_, embeddingMenu_}) {
    if (menu == nullptr) continue;
    for (int index : {3, 5}) {
      HMENU target = GetSubMenu(menu, index);
      HMENU source = GetSubMenu(documentMenu, index);
      if (target != nullptr && source != nullptr) RefillMenuPopup(target, source);
    }
  }
}

void CLumo40DocTemplate::SetDefaultTitle(fw::Document* doc) {
  const std::string name = GetDocString(fw::DocStringIndex::kDocName);
  doc->SetTitle(name.empty() ? std::string(res::String(IDS_UNTITLED))
                             : name + "." + std::to_string(untitledCount + 1));
}


CLumo40DocManager* ImageDocManager() {
  return fw::TheApp() != nullptr ? dynamic_cast<CLumo40DocManager*>(&fw::TheApp()->Docs()) : nullptr;
}

void CLumo40DocManager::OnFileNew() {
  if (Templates().empty()) {
    fw::DocManager::OnFileNew();  // the framework's message
    return;
  }
  NewImageChoice choice;
  if (!askNewImage || !askNewImage(&choice)) return;
  pendingChoice = &choice;
  fw::Document* doc = ChooseTemplateForNew()->OpenDocumentFile(std::string());
  pendingChoice = nullptr;
  if (doc != nullptr) {
    Recorder().CreateNewImage(doc->GetTitle(), choice.width, choice.height, choice.xResolution,
                               choice.yResolution, choice.colour);
  }
}

void CLumo40DocManager::OnFileOpen() {
  CMyOpenFileDlg dialog(true, std::string(), std::string(), kOpenFlags, std::string(), GetActiveTopLevelWnd());
  if (dialog.DoModal() != IDOK) return;
  for (const std::string& path : dialog.Paths()) OpenDocumentFile(path);
}

fw::Document* CLumo40DocManager::OpenDocumentFile(const std::string& path) {
  return OpenDocumentByPath(path, HasLayeredExtension(path) ? OpenRoad::kLayered : OpenRoad::kFlat);
}

fw::Document* CLumo40DocManager::OpenDocumentByPath(const std::string& path, OpenRoad road) {
  for (const auto& t : Templates()) {
    if (auto* tmpl = dynamic_cast<CLumo40DocTemplate*>(t.get())) tmpl->nextRoad = road;
  }
  fw::Document* doc = fw::DocManager::OpenDocumentFile(path);
  // An open file or a failed frame leaves the road unused.
  for (const auto& t : Templates()) {
    if (auto* tmpl = dynamic_cast<CLumo40DocTemplate*>(t.get())) tmpl->nextRoad = OpenRoad::kByContent;
  }
  return doc;
}

}  // namespace lumora
