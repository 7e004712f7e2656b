// The main frame's painting tools: the tool commands, the paint attributes
// window's command, and what the brushes ask of the program.
#include <windows.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include <cstdio>

#include "files/win/MyFileDialogs.h"
#include "paint/BrushPageRules.h"
#include "paint/ImageStore.h"
#include "paint/win/BrushPages.h"
#include "paint/win/BrushSheet.h"
#include "paint/win/PresetNameDlg.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/win/ScreenPicker.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

// The image types a brush paints: grey and true colour.
bool CanPaintDocumentOf(HWND window) {
  CLumo40Doc* doc = window != nullptr && IsImageViewWnd(window) ? GetDocFromWnd(window) : nullptr;
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return false;
  const int type = stack->GetImageType();
  return type == kWAType8Grey || type == kWAType24;
}

void SetBrushPrompt(void* context, const char* text) {
  auto* app = static_cast<CLumo40App*>(context);
  static int entry = 0;
  if (entry == 0) entry = app->prompts.Add(0, 100, true);
  if (text == nullptr || *text == '\0') {
    app->prompts.ClearText(entry, false);
  } else {
    app->prompts.SetText(entry, text);
  }
}

}  // namespace

void InstallPaintServices(CLumo40App& app, CPaintAttributes& window) {
  PaintServices& s = ThePaintServices();
  s.colours = [&app](COLORREF* foreground, COLORREF* background) {
    *foreground = app.settings.foreColor;
    *background = app.settings.backColor;
  };
  s.mainWindow = [&app]() -> HWND { return app.MainFrameWnd() != nullptr ? app.MainFrameWnd()->Handle() : nullptr; };
  window.prompt = PaintPrompt{&SetBrushPrompt, &app};
  s.tablet = [&app]() {
    paint::TabletReading reading;
    int numerator = 1, denominator = 1;
    reading.pressure = app.ReadTablet(&numerator, &denominator);
    reading.numerator = static_cast<std::uint32_t>(numerator);
    reading.denominator = static_cast<std::uint32_t>(denominator);
    return reading;
  };
  CBrushSheet::previewColours = [&app](COLORREF* foreground, COLORREF* background) {
    *foreground = app.settings.foreColor;
    *background = app.settings.backColor;
  };
  CAddPaperDlg::browse = [](HWND owner, std::string* path) {
    CMyOpenFileDlg dialog(true, std::string(), std::string(), OFN_HIDEREADONLY, std::string(), owner, true);
    dialog.indexKey = "DEFBRUSHPENFORMAT";
    dialog.folderKey = "DEFBRUSHOPENDIR";
    if (dialog.DoModal() != IDOK) return false;
    *path = dialog.GetPathName();
    return true;
  };
  CScreenPicker::setColour = [&app](bool foreground, COLORREF colour) {
    (foreground ? app.settings.foreColor : app.settings.backColor) = colour;
  };
}

void CMainFrame::OnAddPreset() {
  CBrushPage* page = paintAttributes_.CurrentPageObject();
  if (page == nullptr || !page->CanAddPreset()) return;
  CAddCustBrushDlg dialog;
  dialog.name = page->MakeUniquePresetName(std::string(res::String(IDS_SETTINGS_NAME)));
  dialog.existingNames = page->PresetNames();
  if (dialog.DoModal() != IDOK) return;
  page->AddPreset(dialog.name);
  paintAttributes_.UpdateAttribBar();
}

void CMainFrame::OnRemovePreset() {
  CBrushPage* page = paintAttributes_.CurrentPageObject();
  if (page == nullptr || !page->CanRemovePreset()) return;
  const std::string name = page->SelectedPresetName();
  if (name.empty()) return;
  char question[512];
  std::snprintf(question, sizeof question, std::string(res::String(IDS_ASK_REMOVE_PRESET)).c_str(), name.c_str());
  const std::string caption(res::String(IDS_PAINT_ATTRIBUTES));
  if (MessageBoxA(Handle(), question, caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  page->RemovePreset(name);
  paintAttributes_.UpdateAttribBar();
}

void CMainFrame::OnAddShapeOrPaper(std::uint32_t id) {
  CBrushPage* page = paintAttributes_.CurrentPageObject();
  const bool shape = id == ID_ATTRIB_ADD_SHAPE;
  if (page == nullptr || !(shape ? page->CanAddShape() : page->CanAddPaper())) return;
  const paint::CFileManager& store = shape ? paintAttributes_.File().brushFiles : paintAttributes_.File().paperFiles;
  std::vector<std::string> names;
  for (int i = 0; i < store.GetCount(); ++i) names.push_back(store.GetItem(i)->Name);
  CAddPaperDlg dialog(shape ? IDD_ADD_SHAPE : IDD_ADD_PAPER);
  dialog.name = paint::MakeUniqueItemName(std::string(res::String(shape ? IDS_SHAPE_NAME : IDS_PAPER_NAME)), names,
                                          shape ? page->SelectedShapeEntry() : page->SelectedPaperEntry());
  dialog.existingNames = names;
  if (dialog.DoModal() != IDOK || !dialog.image) return;
  if (shape) {
    paintAttributes_.AddBrushShape(dialog.image.get(), dialog.name, dialog.invert);
  } else {
    paintAttributes_.AddPaper(dialog.image.get(), dialog.name, dialog.invert);
  }
}

void CMainFrame::OnRemoveShapeOrPaper(std::uint32_t id) {
  CBrushPage* page = paintAttributes_.CurrentPageObject();
  const bool shape = id == ID_ATTRIB_REMOVE_SHAPE;
  if (page == nullptr || !(shape ? page->CanRemoveShape() : page->CanRemovePaper())) return;
  const paint::CFileManager& store = shape ? paintAttributes_.File().brushFiles : paintAttributes_.File().paperFiles;
  const paint::FMItem* entry = store.GetItem(shape ? page->SelectedShapeEntry() : page->SelectedPaperEntry());
  if (entry == nullptr) return;
  const std::string name = entry->Name;
  char question[512];
  std::snprintf(question, sizeof question, std::string(res::String(shape ? IDS_ASK_REMOVE_SHAPE : IDS_ASK_REMOVE_PAPER)).c_str(),
                name.c_str());
  const std::string caption = TheLumoApp()->AppName();
  if (MessageBoxA(Handle(), question, caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  if (shape) {
    paintAttributes_.RemoveBrushShape(name);
  } else {
    paintAttributes_.RemovePaper(name);
  }
}

LRESULT CMainFrame::OnEdgeOptions(WPARAM, LPARAM lParam) {
  const auto* edge = reinterpret_cast<const paint::EdgeValues*>(lParam);
  CBrushPage* page = paintAttributes_.CurrentPageObject();
  if (edge == nullptr || page == nullptr) return 0;
  CBrushEdgeOptDlg dialog;
  dialog.form = paint::EdgeFormFromValues(*edge);
  if (dialog.DoModal() != IDOK) return 0;
  paint::EdgeValues result = *edge;
  paint::EdgeValuesFromForm(dialog.form, &result);
  page->SetEdgeOptions(result);
  return 1;
}

void CMainFrame::OnDropper() {
  if (CScreenPicker::Running()) {
    CScreenPicker::EndPick();
  } else {
    CScreenPicker::BeginPick(ID_DROPPER, Handle());
  }
}

void CMainFrame::OnUpdateDropper(fw::CmdUI& ui) {
  ui.SetCheck(CScreenPicker::Running() ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), true));
}

void CMainFrame::SetCurrentTool(std::unique_ptr<CToolBrush> brush) {
  if (!paintAttributes_.Exists()) return;
  paintAttributes_.SetActiveBrush(brush.get());
  if (brush.get() != currentTool_.get()) currentTool_ = std::move(brush);
}

void CMainFrame::OnToolCommand(std::uint32_t id) {
  if (currentTool_ != nullptr && currentTool_->CommandId() == id) {
    SetCurrentTool(nullptr);
    return;
  }
  std::unique_ptr<CToolBrush> brush = CToolBrush::Create(id);
  if (brush == nullptr || brush->Initialize() == 0) return;
  // A paint tool, a selection tool and Layer Moving exclude each other.
  if (layerMoving_) EndLayerMoving();
  LUSetActiveSelection(TheLumoApp()->Site(), "");
  EnableMovingSelection(false);
  // The window is shown when hidden, and the brush learns the active view.
  if (paintAttributes_.Exists() && !IsWindowVisible(paintAttributes_.Handle())) paintAttributes_.ShowWindowState(true);
  SetCurrentTool(std::move(brush));
  if (CToolBrush* tool = currentTool_.get()) tool->OnActivateView(GetViewFromWnd(GetActiveImageWindow()));
}

void CMainFrame::OnUpdateToolCommand(fw::CmdUI& ui) {
  ui.SetCheck(currentTool_ != nullptr && currentTool_->CommandId() == ui.Id() ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), CanPaintDocumentOf(GetActiveImageWindow())));
}

void CMainFrame::OnPaintAttributesCommand() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_PAINT_ATTRIBUTES) || !paintAttributes_.Exists()) return;
  paintAttributes_.ShowWindowState(!IsWindowVisible(paintAttributes_.Handle()));
}

void CMainFrame::OnUpdatePaintAttributesCommand(fw::CmdUI& ui) {
  ui.SetCheck(paintAttributes_.Exists() && IsWindowVisible(paintAttributes_.Handle()) ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), paintAttributes_.Exists()));
}

}  // namespace lumora
