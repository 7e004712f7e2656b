// The document's Image menu commands, Edit/History... and the view's
// right-button layer list.
#include <string>
#include <vector>

#include "document/DocumentServices.h"
#include "document/ImageCommands.h"
#include "document/win/AppServices.h"
#include "document/win/ImageDialogHooks.h"
#include "document/win/Lumo40Doc.h"
#include "hostapi/toolhost.h"
#include "lang/Recorder.h"
#include "res/resource.h"

namespace lumora {

ImageDialogs& TheImageDialogs() {
  static ImageDialogs dialogs;
  return dialogs;
}

namespace {

// The tool host's preview stays off while a dialog previews or changes the
// document.
class PreviewPause {
 public:
  PreviewPause() { LUPreview_Enable(0); }
  ~PreviewPause() { LUPreview_Enable(1); }
  PreviewPause(const PreviewPause&) = delete;
  PreviewPause& operator=(const PreviewPause&) = delete;
};

}  // namespace

void CLumo40Doc::OnEditHistory() {
  const ImageDialogs& dialogs = TheImageDialogs();
  if (!IsCommandAllowedWhileTracking(ID_EDIT_HISTORY) || !dialogs.history) return;
  PreviewPause preview;
  HistoryQuestion question;
  question.current = image_->BeginHistory(&question.names);
  if (question.current < 0) return;
  question.document = image_.get();
  const bool ok = dialogs.history(question);
  // The state the dialog opened on comes back first; OK then jumps.
  if (image_->EndHistory(ok, question.chosen)) SetModifiedFlag(true);
}

void CLumo40Doc::OnImageDuplicate() {
  const ImageDialogs& dialogs = TheImageDialogs();
  if (!dialogs.duplicate || !image_->HasImage()) return;
  DuplicateQuestion question;
  question.title = GetTitle();
  question.source = image_.get();
  if (!dialogs.duplicate(question)) return;
  lang::RecordDuplicateImage(question.name, question.merged ? 1 : 0);
  fw::View* view = NewDocumentFromImage(this, question.merged, true, true);
  if (view != nullptr && view->GetDocument() != nullptr) view->GetDocument()->SetTitle(question.name);
}

int CLumo40Doc::AddLayersAtPointToMenu(HMENU menu, int x, int y) {
  CLayersManager* layers = image_->GetLayers();
  if (layers == nullptr || menu == nullptr) return 0;
  // The list is top first; each inserted at position 0 would reverse it.
  const std::vector<LayerMenuItem> items = LayersAtPoint(*layers, x, y);
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(it->id), it->text.c_str());
  }
  return 1;
}

void CLumo40Doc::OnImageCrop() {
  // The crop tool's pane; the tool crops when the user says so.
  if (LUCreateToolInstance(nullptr, "Crop_Tool", 0) != 0) LUPrintErrorState(nullptr);
}

void CLumo40Doc::OnUpdateImageCrop(fw::CmdUI& ui) { EnableFiltered(ui, IsCropToolAvailable()); }

namespace {

bool ConvertWithPreviewOff(CLumo40Doc& doc, int type) {
  PreviewPause preview;
  if (!ConvertImageType(doc.Image(), type)) return false;
  doc.Image().SetActiveLayer(doc.Image().GetActiveLayer(), true, false);
  return true;
}

}  // namespace

bool CLumo40Doc::ConvertToGray() { return ConvertWithPreviewOff(*this, kWAType8Grey); }
bool CLumo40Doc::ConvertToTrueColor() { return ConvertWithPreviewOff(*this, kWAType24); }

}  // namespace lumora
