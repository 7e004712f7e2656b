// The document's web-export commands: a flattened copy of the image goes
// to the export dialogs; the document is never flattened, and nothing of
// it (layers, selection, modified mark) changes.
#include "document/DocumentRecorder.h"
#include "document/win/ExportDialogHooks.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "document/DocumentFiles.h"
#include "document/DocumentServices.h"
#include "engine/pixels/FileAdapters.h"
#include "hostapi/print.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"

namespace lumora {

ExportDialogs& TheExportDialogs() {
  static ExportDialogs dialogs;
  return dialogs;
}

namespace {

// The tool host's preview stays off while the dialog runs.
class ExportPreviewOff {
 public:
  explicit ExportPreviewOff(bool act) : act_(act) {
    if (act_) LUPreview_Enable(0);
  }
  ~ExportPreviewOff() {
    if (act_) LUPreview_Enable(1);
  }
  ExportPreviewOff(const ExportPreviewOff&) = delete;
  ExportPreviewOff& operator=(const ExportPreviewOff&) = delete;

 private:
  bool act_;
};

// The selection has an area (or covers all but one).
bool HasSelectedArea(const Fragment* selection) {
  if (selection == nullptr) return false;
  if (IsFrgInverted(selection) != 0) return true;
  LURECT bounds{};
  return GetFragmentBoundRect(selection, &bounds) != 0 && bounds.width > 0 && bounds.height > 0;
}

}  // namespace

void CLumo40Doc::RunExport(const std::function<void(const ExportRequest&)>& dialog) {
  CLayersManager* stack = image_->GetLayers();
  if (!dialog || stack == nullptr) return;
  ExportPreviewOff preview(ActiveWindowShowsDocument());
  const WAPtr flat = stack->CreateMergedImage(1, 255, 255, 255);
  if (!flat) {
    ShowMessage(IDS_NOT_ENOUGH_MEMORY, IDS_ERROR_CAPTION);
    return;
  }
  ExportRequest request;
  request.image = flat.get();
  request.stack = stack;
  request.selection = image_->GetSelection();
  dialog(request);
}

void CLumo40Doc::OnExportJPEG() { RunExport(TheExportDialogs().jpeg); }
void CLumo40Doc::OnExportGIF() { RunExport(TheExportDialogs().gif); }
void CLumo40Doc::OnExportPNG() { RunExport(TheExportDialogs().png); }

void CLumo40Doc::OnExportMap() {
  const CLayersManager* stack = image_->GetLayers();
  const auto& map = TheExportDialogs().map;
  if (!map || stack == nullptr || !HasSelectedArea(image_->GetSelection())) return;
  map(stack->GetWidth(), stack->GetHeight(), image_->GetSelection());
}

void CLumo40Doc::OnLayerWebLink() {
  const auto& ask = TheExportDialogs().webLink;
  CLayersManager* stack = image_->GetLayers();
  CLayer* layer = stack != nullptr ? stack->GetActiveLayer() : nullptr;
  if (!ask || layer == nullptr) return;
  std::string link = layer->GetLayerInfo().linkText;
  if (!ask(link)) return;
  Recorder().LayerWEB(link);
  image_->SetLayerWebLink(link);
}

void CLumo40Doc::OnUpdateLayerWebLink(fw::CmdUI& ui) {
  const CLayersManager* stack = image_->GetLayers();
  EnableFiltered(ui, stack != nullptr && stack->GetActiveLayer() != nullptr);
}

void CLumo40Doc::OnUpdateExportMap(fw::CmdUI& ui) {
  EnableFiltered(ui, image_->GetLayers() != nullptr && HasSelectedArea(image_->GetSelection()));
}

void CLumo40Doc::OnFilePrint() {
  if (!IsCommandAllowedWhileTracking(ID_FILE_PRINT)) return;
  WAPtr flat = GetFlattenedImage(Image());
  if (!flat) return;
  CWriteFileWA adapter(flat.get());
  print(&adapter, GetTitle().c_str());
}

void CLumo40Doc::OnFilePrintMarks() {
  if (!IsCommandAllowedWhileTracking(ID_FILE_PRINT_MARKS)) return;
  WAPtr flat = GetFlattenedImage(Image());
  if (!flat) return;
  CWriteFileWA adapter(flat.get());
  printMarks(&adapter, GetTitle().c_str());
}

}  // namespace lumora
