// The document's Image menu commands, Edit/History... and the view's
// right-button layer list.
#include <string>
#include <vector>

#include "document/DocumentServices.h"
#include "document/DocumentRecorder.h"
#include "document/ImageCommands.h"
#include "document/win/AppServices.h"
#include "document/win/ImageDialogHooks.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "select/win/RotateDlg.h"
#include "engine/pixels/AppValues.h"
#include "engine/pixels/Dib.h"
#include "hostapi/toolhost.h"
#include "platform/rect.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
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

// A failed image operation: its step is already taken back; the tool
// host's error box says why.
void ReportImageFailure(int line) {
  LUSetErrorCode(nullptr, 16, "Lumo40Doc", line, 0);
  LUPrintErrorState(nullptr);
}

}  // namespace

void CLumo40Doc::OnImageSize() {
  const ImageDialogs& dialogs = TheImageDialogs();
  const CLayersManager* layers = image_->GetLayers();
  if (!dialogs.imageSize || layers == nullptr) return;
  ImageSizeQuestion question;
  question.width = layers->GetWidth();
  question.height = layers->GetHeight();
  question.xResolution = static_cast<int>(layers->GetResolution() & 0xFFFFu);
  question.yResolution = static_cast<int>(layers->GetResolution() >> 16);
  question.memory = ImageMemoryEstimate(*layers);
  if (!dialogs.imageSize(question)) return;
  Recorder().Resize(question.newWidth, question.newHeight, question.newXResolution, question.newYResolution);
  if (!image_->ResizeImage(question.newWidth, question.newHeight, question.newXResolution,
                           question.newYResolution)) {
    ReportImageFailure(__LINE__);
  }
}

void CLumo40Doc::OnImageCanvas() {
  const ImageDialogs& dialogs = TheImageDialogs();
  const CLayersManager* layers = image_->GetLayers();
  if (!dialogs.canvas || layers == nullptr) return;
  CanvasQuestion question;
  question.width = layers->GetWidth();
  question.height = layers->GetHeight();
  bool ok = false;
  {
    PreviewPause preview;
    ok = dialogs.canvas(question);
  }
  if (!ok) return;
  Recorder().CanvasSize(question.canvas);
  if (!image_->ResizeCanvas(question.canvas)) ReportImageFailure(__LINE__);
}

void CLumo40Doc::OnImageFrames() {
  const ImageDialogs& dialogs = TheImageDialogs();
  CLayersManager* layers = image_->GetLayers();
  if (!dialogs.frame || layers == nullptr) return;
  FrameQuestion question;
  question.width = layers->GetWidth();
  question.height = layers->GetHeight();
  question.grey = layers->GetImageType() == kWAType8Grey;
  question.matColor = FillColour();
  bool ok = false;
  {
    PreviewPause preview;
    // The dialog shows the image as it would print: every layer over white.
    const WAPtr merged = layers->CreateMergedImage(1, 255, 255, 255);
    if (!merged) {
      ReportImageFailure(__LINE__);
      return;
    }
    question.image = ImageToDIBBytes(merged.get(), RECT{0, 0, question.width, question.height});
    ok = dialogs.frame(question);
  }
  if (!ok) return;
  if (!image_->AddFrameLayer(question.border, question.picture, question.mask, std::string(res::String(IDS_FRAME_NAME))))
    ReportImageFailure(__LINE__);
}

void CLumo40Doc::OnLayerEdges() {
  const ImageDialogs& dialogs = TheImageDialogs();
  CLayer* active = image_->GetActiveLayer();
  if (!dialogs.edges || active == nullptr) return;
  // No mask is said before a locked transparency.
  const unsigned refusal = active->HasMask() == 0            ? IDS_LAYER_NO_MASK
                           : active->IsTransparencyLocked() != 0 ? IDS_TRANSPARENCY_LOCKED
                                                                 : 0u;
  if (refusal != 0) {
    MessageBoxA(GetActiveTopLevelWnd(), std::string(res::String(refusal)).c_str(),
                std::string(res::String(IDS_APP_CAPTION)).c_str(), MB_OK | MB_ICONSTOP);
    return;
  }
  EdgeQuestion question;
  const VrWA2000::WA* picture = active->PeekImage();
  question.image = ImageToDIBBytes(picture, RECT{0, 0, picture->GetW(), picture->GetH()});
  bool ok = false;
  {
    PreviewPause preview;
    ok = dialogs.edges(question);
  }
  if (!ok) return;
  Recorder().Edges(static_cast<std::int32_t>(question.templateId), question.lighting);
  if (!question.shape || !image_->ApplyEdge(question.shape, question.lighting, std::string(res::String(IDS_SHADOW))))
    ReportImageFailure(__LINE__);
}

void CLumo40Doc::OnUpdateImageFrames(fw::CmdUI& ui) {
  const CLayersManager* layers = image_->GetLayers();
  EnableFiltered(ui, layers != nullptr && layers->GetActiveLayer() != nullptr);
}

void CLumo40Doc::OnImageCropSelection() {
  const CLayersManager* layers = image_->GetLayers();
  Fragment* selection = ShareFragment(image_->GetSelection());
  if (layers == nullptr || selection == nullptr) {
    DeleteFragment(selection);
    return;
  }
  const RECT rect = SelectionCropRect(selection, layers->GetWidth(), layers->GetHeight());
  DeleteFragment(selection);
  if (RectIsEmpty(rect)) return;
  Recorder().Crop(rect);
  // CropImage drops the selection and updates the global one.
  if (!image_->CropImage(rect)) ReportImageFailure(__LINE__);
}

void CLumo40Doc::OnUpdateImageCropSelection(fw::CmdUI& ui) {
  const CLayersManager* layers = image_->GetLayers();
  LURECT bounds{};
  const Fragment* selection = image_->GetSelection();
  const bool selected = selection != nullptr && (IsFrgInverted(selection) != 0 ||
                                                 (GetFragmentBoundRect(selection, &bounds) != 0 && bounds.width > 0 &&
                                                  bounds.height > 0));
  EnableFiltered(ui, layers != nullptr && !layers->HasTextLayers() && selected);
}

namespace {

void Rotate(ImageDocument& image, double degrees) {
  Recorder().Rotate(degrees);
  if (!image.RotateImage(degrees, 0)) ReportImageFailure(__LINE__);
}

void Flip(ImageDocument& image, bool horizontal, bool vertical) {
  Recorder().FlipImage(horizontal ? 1 : 0, vertical ? 1 : 0);
  if (!image.FlipImage(horizontal, vertical)) ReportImageFailure(__LINE__);
}

}  // namespace

// A positive angle turns counter-clockwise.
void CLumo40Doc::OnImageRotate180() { Rotate(*image_, 180.0); }

// The dialog's angle is clockwise; the image's, counterclockwise.
void CLumo40Doc::OnImageRotateNumeric() {
  CRotateDlg dialog;
  if (dialog.DoModal() != IDOK) return;
  Rotate(*image_, -static_cast<double>(dialog.angle));
}
void CLumo40Doc::OnImageRotate90CW() { Rotate(*image_, -90.0); }
void CLumo40Doc::OnImageRotate90CCW() { Rotate(*image_, 90.0); }
void CLumo40Doc::OnImageFlipHorizontal() { Flip(*image_, true, false); }
void CLumo40Doc::OnImageFlipVertical() { Flip(*image_, false, true); }

void CLumo40Doc::OnUpdateNoTextLayer(fw::CmdUI& ui) {
  const CLayersManager* layers = image_->GetLayers();
  EnableFiltered(ui, layers != nullptr && !layers->HasTextLayers());
}

HWND CLumo40Doc::CropImage(const RECT& rect) {
  if (!image_->CropImage(rect)) return nullptr;
  return Views().empty() ? nullptr : Views().front()->Handle();
}

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

std::vector<ApplyImageDocument> CLumo40Doc::SameSizeDocuments() const {
  std::vector<ApplyImageDocument> list;
  const CLayersManager* layers = image_->GetLayers();
  if (layers == nullptr || fw::TheApp() == nullptr) return list;
  // Images of exactly this one's size that have a window.
  for (fw::Document* doc : fw::TheApp()->Docs().AllDocuments()) {
    auto* image = dynamic_cast<CLumo40Doc*>(doc);
    const CLayersManager* stack = image != nullptr ? image->image_->GetLayers() : nullptr;
    if (stack == nullptr || image->Views().empty() || stack->GetWidth() != layers->GetWidth() ||
        stack->GetHeight() != layers->GetHeight())
      continue;
    list.push_back(ApplyImageDocument{doc->GetTitle(), image->image_.get()});
  }
  return list;
}

void CLumo40Doc::OnImageApplyImage() {
  const ImageDialogs& dialogs = TheImageDialogs();
  if (!dialogs.applyImage || image_->GetLayers() == nullptr || image_->GetActiveLayer() == nullptr) return;
  PreviewPause preview;
  ApplyImageQuestion question;
  question.targetTitle = GetTitle();
  question.documents = SameSizeDocuments();
  ApplyImageSession session(image_.get());
  if (!session.Valid()) return;
  question.session = &session;
  const bool ok = dialogs.applyImage(question);
  session.End(ok);
  if (ok && session.Changed()) SetModifiedFlag(true);
}

void CLumo40Doc::OnImageMixing() {
  const ImageDialogs& dialogs = TheImageDialogs();
  if (!dialogs.mixing || image_->GetLayers() == nullptr) return;
  PreviewPause preview;
  MixingQuestion question;
  question.documents = SameSizeDocuments();
  MixingSession session(image_.get());
  if (!session.Valid()) return;
  question.session = &session;
  const bool ok = dialogs.mixing(question);
  session.Finish();
  if (!ok) return;
  const std::uint32_t failure = question.choice == 1 ? IDS_MIX_NO_SELECTION : IDS_MIX_NO_DOCUMENT;
  const auto fail = [&] {
    MessageBoxA(GetActiveTopLevelWnd(), std::string(res::String(failure)).c_str(),
                std::string(res::String(IDS_ERROR_CAPTION)).c_str(), MB_OK | MB_ICONSTOP);
  };
  CLayer* result = question.result.get();
  if (result == nullptr || question.choice < 0 || question.choice > 1) return fail();
  result->SetVisible(1);
  if (!ConvertLayerType(result, kWAType8Grey, 1)) return fail();
  if (question.choice == 0) {
    fw::Document* made = lumora::NewDocumentFromLayer(result, std::string());
    if (made == nullptr) return fail();
    made->SetModifiedFlag(true);
    if (auto* image = dynamic_cast<CLumo40Doc*>(made)) image->Image().SetModifiedFlag(true);
    return;
  }
  const RECT place = result->GetRect();
  Fragment* fragment = CreateMaskUsingWA(result->PeekImage(), place.left, place.top);
  if (fragment == nullptr) return fail();
  // With selections aligned to layers the selection is the mask aligned to
  // the active layer (through the view's site entry, which shares the mask
  // as it is when the setting is off).
  HWND view = Views().empty() ? nullptr : Views().front()->Handle();
  if (Fragment* aligned = view != nullptr ? LUShareOrCopyFragment(GetToolHostSite(), view, fragment, 0) : nullptr) {
    DeleteFragment(fragment);
    fragment = aligned;
  }
  image_->SetSelection(fragment, false);
  DeleteFragment(fragment);
  LUUpdateGSelection(GetToolHostSite());
}

void CLumo40Doc::OnUpdateImageApplyImage(fw::CmdUI& ui) {
  EnableFiltered(ui, image_->GetLayers() != nullptr && image_->GetActiveLayer() != nullptr);
}

void CLumo40Doc::OnImageDuplicate() {
  const ImageDialogs& dialogs = TheImageDialogs();
  if (!dialogs.duplicate || !image_->HasImage()) return;
  DuplicateQuestion question;
  question.title = GetTitle();
  question.source = image_.get();
  if (!dialogs.duplicate(question)) return;
  Recorder().DuplicateImage(question.name, question.merged ? 1 : 0);
  fw::View* view = NewDocumentFromImage(this, question.merged, true, true);
  if (view != nullptr && view->GetDocument() != nullptr) view->GetDocument()->SetTitle(question.name);
}

int CLumo40Doc::AddLayersAtPointToMenu(HMENU menu, int x, int y) {
  CLayersManager* layers = image_->GetLayers();
  if (layers == nullptr || menu == nullptr) return 0;
  // The list is top first; each inserted at position 0 would reverse it.
  const std::vector<LayerMenuItem> items = LayersAtPoint(*layers, x, y);
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(it->id), WideName(it->text).c_str());
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
