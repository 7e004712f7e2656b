// The history dialog's session: the state it returns to, the listed states
// it shows while the user moves through the list, and the jump on OK.
#include <string>
#include <vector>

#include "document/ImageDocument.h"

namespace lumora {

int ImageDocument::BeginHistory(std::vector<std::string>* names) {
  if (!stack_ || historyKept_ || names == nullptr) return -1;
  // The copy holds the live layers' buffers, as an undo snapshot does:
  // nothing writes pixels while the dialog is open.
  historyKept_ = CLayersManagerPtr::Adopt(copier_->Copy(*stack_));
  if (!historyKept_) return -1;
  DeleteFragment(selection_.kept);
  selection_.kept = ShareFragment(selection_.fragment);
  return undo_.GetHistory(names, fields_.name);
}

bool ImageDocument::ShowHistoryState(int index) {
  if (!stack_ || !historyKept_) return false;
  CLayer* remembered = stack_->GetActiveLayer();
  SetActiveLayer(nullptr, false, false);
  queue_.StopThread();
  Fragment* selection = nullptr;
  const bool shown = undo_.GetStateAt(index, stack_.get(), &selection, historyKept_.get(), selection_.kept);
  stack_->SetMemoryLock(0);
  if (shown) {
    AfterRestore(true, false);
    RestoreSelection(selection);
  } else {
    stack_->SetActiveLayer(remembered);
    queue_.StartThread();
  }
  DeleteFragment(selection);
  return shown;
}

bool ImageDocument::EndHistory(bool jump, int index) {
  if (!stack_ || !historyKept_) return false;
  SetActiveLayer(nullptr, false, false);
  queue_.StopThread();
  // The state the dialog opened on comes back first, whatever it showed.
  const bool restored = copier_->Restore(stack_.get(), *historyKept_);
  stack_->SetMemoryLock(0);
  AfterRestore(true, false);
  if (restored) RestoreSelection(selection_.kept);
  bool moved = false;
  if (restored && jump) {
    CUndoManager::HistoryFields fields = fields_;
    Fragment* selection = ShareFragment(selection_.fragment);
    SetActiveLayer(nullptr, false, false);
    queue_.StopThread();
    moved = undo_.GoTo(index, &fields, &selection, selection_.kept, stack_.get(), historyKept_.get());
    stack_->SetMemoryLock(0);
    if (moved) fields_ = fields;
    AfterRestore(true, moved);
    if (moved) RestoreSelection(selection);
    DeleteFragment(selection);
  }
  DeleteFragment(selection_.kept);
  selection_.kept = nullptr;
  historyKept_ = nullptr;
  return moved;
}

}  // namespace lumora
