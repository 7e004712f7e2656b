// The document's text commands: Image/Text, Image/Text Selection and the
// text dialog on an existing text layer.
#include <windows.h>

#include "document/win/Lumo40Doc.h"
#include "document/win/TextTool.h"
#include "framework/win/App.h"
#include "res/resource.h"
#include "select/win/PickOnView.h"

namespace lumora {
namespace {

// The click of the text hook: in one of the document's views it becomes
// the new layer's lower-left corner; anywhere else (or no click) nothing.
void PlaceText(HWND window, const POINT* point, void* value, int) {
  auto* doc = static_cast<CLumo40Doc*>(value);
  PickViews* views = GetPickViews();
  if (doc == nullptr || point == nullptr || window == nullptr || views == nullptr) return;
  bool own = false;
  for (fw::View* view : doc->Views()) own = own || view->Handle() == window;
  if (!own) return;
  const POINT pixel = views->WindowToImage(window, *point);
  // The text placed before is finished first: its undo step is the last
  // one until the new layer opens its own.
  if (TheTextDialog().finish) TheTextDialog().finish();
  CLayerText* layer = doc->Image().PlaceNewTextLayer(pixel);
  if (layer == nullptr) return;
  if (TheTextDialog().attach) TheTextDialog().attach(doc, layer, false);
}

bool CanHoldLayers(ImageDocument& image) {
  const CLayersManager* stack = image.GetLayers();
  if (!image.HasImage() || stack == nullptr) return false;
  const int type = stack->GetImageType();
  return type == kWAType8Grey || type == kWAType24;
}

}  // namespace

void CLumo40Doc::OnImageText() {
  if (!CanHoldLayers(*image_) || !TheTextDialog().attach) return;
  SetTextMode(0);
  HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TEXT));
  InstallTextHook(cursor, nullptr, &PlaceText, this);
}

void CLumo40Doc::OnImageTextSelection() {
  if (!CanHoldLayers(*image_) || !TheTextDialog().attach) return;
  SetTextMode(1);
  HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TEXT));
  InstallTextHook(cursor, nullptr, &PlaceText, this);
}

void CLumo40Doc::OnUpdateImageText(fw::CmdUI& ui) {
  EnableFiltered(ui, CanHoldLayers(*image_) && static_cast<bool>(TheTextDialog().attach));
}

void CLumo40Doc::OnTextEditLayer() {
  auto* text = dynamic_cast<CLayerText*>(image_->GetActiveLayer());
  if (text == nullptr || !TheTextDialog().attach) return;
  SetTextMode(0);
  TheTextDialog().attach(this, text, true);
}

void CLumo40Doc::ApplyTextLayerEdit(CLayer* layer) {
  // The text dialog follows the active layer into another top-level window.
  if (TheTextDialog().rehome) TheTextDialog().rehome(this, dynamic_cast<CLayerText*>(layer));
}

void CLumo40Doc::OnUpdateTextEditLayer(fw::CmdUI& ui) {
  EnableFiltered(ui, dynamic_cast<CLayerText*>(image_->GetActiveLayer()) != nullptr &&
                         static_cast<bool>(TheTextDialog().attach));
}

}  // namespace lumora
