// The history list: names, previewing a listed state, jumping to it, and
// the layers the erase brush restores from.
#include "document/UndoManager.h"

int CUndoManager::GetHistory(std::vector<std::string>* list, const std::string& currentName) const {
  list->clear();
  for (const ItemPtr& item : undo_) list->push_back(item->GetName());
  list->push_back(currentName);
  for (int i = RedoCount() - 1; i >= 0; --i) list->push_back(redo_[i]->GetName());
  return UndoCount();
}

bool CUndoManager::GetName(int index, std::string* name, bool undoStack) const {
  const CBackupItem* item = undoStack ? UndoItem(index) : RedoItem(index);
  *name = item != nullptr ? item->GetName() : std::string();
  return item != nullptr;
}

// List index i below the undo count is undo item i; above it, redo item
// (undo count + redo count - i). Null for the current state's index and
// out of range.
const CBackupItem* CUndoManager::ListedItem(int index) const {
  const int undoCount = UndoCount();
  if (index < undoCount) return UndoItem(index);
  if (index == undoCount) return nullptr;
  return RedoItem(undoCount + RedoCount() - index);
}

bool CUndoManager::GetStateAt(int index, CLayersManager* live, Fragment** selection,
                              const CLayersManager* currentSnapshot, Fragment* currentSelection) {
  if (live == nullptr || selection == nullptr) return false;
  if (index < 0 || index > UndoCount() + RedoCount()) return false;
  const CLayersManager* layers = currentSnapshot;
  Fragment* chosen = currentSelection;
  if (index != UndoCount()) {
    const CBackupItem* item = ListedItem(index);
    // An item sharing the live stack holds the current state's layers,
    // which the live stack may no longer show.
    layers = item->GetSnapshot() == live ? currentSnapshot : item->GetSnapshot();
    chosen = item->GetSelection();
  }
  if (layers != nullptr && layers != live && !copier_->Restore(live, *layers)) return false;
  *selection = ShareFragment(chosen);
  return true;
}

// ---- Jumps ----

// Saves the current state (its item made by the caller) on a stack. With
// `useGiven` the item shares the given stack (the live one: the jump stays
// inside the run that shares it); else it holds the fresh copy of the
// current state's layers that the jump made and gave the neighbouring run.
bool CUndoManager::PushState(ItemStack& stack, ItemPtr item, int mode, CLayersManager* given,
                             const CLayersManagerPtr& fresh, bool useGiven) {
  MakeRoom(stack);
  const bool own = HasOwnLayers(mode);
  const bool redoTopFollows = !redo_.empty() && redo_.back()->IsFollower();
  bool head = false;
  if (useGiven) {
    item->SetSnapshot(given);
    head = &stack == &undo_ && redoTopFollows && own;
  } else {
    item->SetSnapshot(fresh.get());
    head = own && redoTopFollows;
  }
  if (head) {
    item->MakeRunHead();
  } else if (own) {
    item->MakeSingleCopy();
  } else {
    item->MakeFollower();
  }
  return PushItem(stack, std::move(item));
}

bool CUndoManager::MoveTop(ItemStack& from, ItemStack& to) {
  ItemPtr item = TakeTop(from);
  MakeRoom(to);
  return PushItem(to, std::move(item));
}

bool CUndoManager::GoTo(int index, HistoryFields* fields, Fragment** selection,
                        Fragment* currentSelection, CLayersManager* live,
                        CLayersManager* currentSnapshot) {
  const int undoCount = UndoCount();
  const int redoCount = RedoCount();
  if (live == nullptr || currentSnapshot == nullptr || fields == nullptr || selection == nullptr) {
    return false;
  }
  if (index == undoCount || index < 0 || index > undoCount + redoCount) return false;
  const CBackupItem* target = ListedItem(index);
  const CLayersManager* targetLayers =
      target->GetSnapshot() == live ? currentSnapshot : target->GetSnapshot();
  if (targetLayers == nullptr) return false;

  // Which shared layers must move to a copy of the current state's: those
  // of the run that shares the live stack, unless the target lies in it.
  const int mode = ModeOf(fields->previousOwns, fields->currentOwns);
  const int followers = CountTopFollowers();
  bool keepSharing = true;
  bool sharingRun = false;
  bool copyRedoFollowers = false;
  bool copyLastRun = false;
  if (HasOwnLayers(mode)) {
    if (followers > 0) {
      sharingRun = true;
      if (index < undoCount || index > undoCount + followers) {
        copyRedoFollowers = true;
        keepSharing = false;
      }
    }
  } else {
    sharingRun = true;
    // The undo items that share the live stack with the current state: the
    // followers from the top down, or the top item when it is a run head.
    int shared = 0;
    for (int i = undoCount - 1; i >= 0; --i) {
      if (undo_[i]->IsFollower()) {
        ++shared;
        continue;
      }
      if (i == undoCount - 1 && undo_[i]->IsRunHead()) ++shared;
      break;
    }
    if ((shared > 0 && index < undoCount - shared) || index > undoCount + followers) {
      copyLastRun = true;
      keepSharing = false;
    }
  }
  const bool useGiven = keepSharing && sharingRun;

  // Everything that can fail before anything changes: the copy, the saved
  // item's selection, and the target's layers into the live stack (which
  // may show any state: the history dialog puts the current one back).
  CLayersManagerPtr fresh;
  if (!useGiven) {
    fresh = CopyOf(currentSnapshot);
    if (!fresh) return false;
  }
  ItemPtr saved = CBackupItem::Make(fields->name, fields->copySelection, currentSelection);
  if (!saved) return false;
  if (targetLayers != live && !copier_->Restore(live, *targetLayers)) return false;

  if (copyRedoFollowers) RepointRedoFollowers(fresh.get());
  if (copyLastRun) PointLastRunAt(fresh.get(), true);
  // Counted before any item is cut off by the limit.
  const bool back = index < undoCount;
  const int moves = back ? undoCount - index - 1 : index - undoCount - 1;
  ItemStack& from = back ? undo_ : redo_;
  ItemStack& to = back ? redo_ : undo_;
  PushState(to, std::move(saved), mode, live, fresh, useGiven);
  for (int m = 0; m < moves; ++m) MoveTop(from, to);
  ItemPtr taken = TakeTop(from);

  TakeStateOf(*taken, fields, selection, true);
  fields->previousOwns = undo_.empty() || undo_.back()->OwnsSnapshot();
  fields->currentOwns = taken->OwnsSnapshot();
  taken.reset();
  Normalize(0);
  if (!fields->currentOwns) {
    PointLastRunAt(live, true);
  } else {
    RepointRedoFollowers(live);
  }
  return true;
}

// ---- Restore source ----

// Passes over owning items named for the erase brush (and over followers);
// from below the first owning item of another name, the first owning item.
CLayersManager* CUndoManager::RestoreSourceFrom(int index, const std::string& eraseName) const {
  int i = index;
  while (i >= 0 && (!undo_[i]->OwnsSnapshot() || undo_[i]->GetName() == eraseName)) --i;
  for (--i; i >= 0; --i) {
    if (undo_[i]->OwnsSnapshot()) return undo_[i]->GetSnapshot();
  }
  return nullptr;
}

CLayersManager* CUndoManager::FindRestoreSource(const std::string& currentName, bool currentOwns,
                                                const std::string& eraseName) const {
  const int top = UndoCount() - 1;
  if (top < 0) return nullptr;
  if (currentName == eraseName) return RestoreSourceFrom(top, eraseName);
  int owner = top;
  while (owner >= 0 && !undo_[owner]->OwnsSnapshot()) --owner;
  if (owner < 0) return nullptr;
  // A pixel step made the current state: the layers before it.
  if (currentOwns) return undo_[owner]->GetSnapshot();
  // The current state shares the last run's layers: those before the step
  // that made them.
  if (undo_[owner]->GetName() == eraseName) return RestoreSourceFrom(owner, eraseName);
  if (undo_[owner]->IsRunHead()) {
    for (int i = owner - 1; i >= 0; --i) {
      if (undo_[i]->OwnsSnapshot()) return undo_[i]->GetSnapshot();
    }
    return nullptr;
  }
  return undo_[owner]->GetSnapshot();
}
