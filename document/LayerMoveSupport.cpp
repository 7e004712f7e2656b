// What a layer moved with the mouse asks of the document: its step, the
// selection that travels with it, the refusal and the views afterwards.
#include "document/ImageDocument.h"
#include "hostapi/fragment.h"
#include "res/resource.h"

namespace lumora {

bool ImageDocument::OpenMoveStep() { return hasImage_ && BackupImage(IDS_STEP_MOVE_LAYER); }

void ImageDocument::MoveSelectionBy(POINT d) {
  Fragment* selection = selection_.fragment;
  LURECT bounds{};
  if (selection == nullptr || GetFragmentBoundRect(selection, &bounds) == 0) return;
  RECT r{};
  LURectToRect(&r, &bounds);
  const POINT origin{r.left + d.x, r.top + d.y};
  if (SetFragmentOriginPoint(selection, &origin) == 0) return;
  selection_.changed = 1;
  host_->UpdateGlobalSelection();
}

void ImageDocument::ShowMoveRefusal(std::uint32_t textId) {
  host_->ShowMessage(static_cast<int>(textId), IDS_APP_TITLE);
}

void ImageDocument::MoveEnded(CLayer* layer) {
  SendNotifyToViews();
  host_->UpdateLayerInPalette(layer);
  host_->UpdateNavigator();
}

}  // namespace lumora
