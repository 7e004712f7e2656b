// The undo history: limits, push, undo, redo and reverting the newest step.
#include "document/UndoManager.h"

#include <algorithm>

namespace {

// Gives a saved item the layers of its mode: its own copy (0, 3) or the
// live stack (1, 2); a single copy (0), a run head (1) or a follower (2, 3).
void PlaceSnapshot(CBackupItem& item, int mode, CLayersManager* copy, CLayersManager* live) {
  switch (mode) {
    case 0:
      item.SetSnapshot(copy);
      item.MakeSingleCopy();
      break;
    case 1:
      item.SetSnapshot(live);
      item.MakeRunHead();
      break;
    case 2:
      item.SetSnapshot(live);
      item.MakeFollower();
      break;
    default:
      item.SetSnapshot(copy);
      item.MakeFollower();
      break;
  }
}

}  // namespace

CUndoManager::CUndoManager(int limit, lumora::SnapshotCopier* copier)
    : limit_(limit), copier_(copier != nullptr ? copier : &lumora::DefaultSnapshotCopier()) {}

CUndoManager::~CUndoManager() { Clear(); }

void CUndoManager::Clear() {
  while (!undo_.empty()) RemoveItem(undo_, 0);
  while (!redo_.empty()) RemoveItem(redo_, 0);
}

void CUndoManager::TrimToLimit(int createBackup, int limitBackup) {
  const int limit = std::max(createBackup, 1);
  const bool limited = limitBackup != 0;
  bool cut = false;
  while (limited && UndoCount() > limit) {
    RemoveItem(undo_, 0);
    cut = true;
  }
  if (cut) Normalize(0);
  while (limited && RedoCount() > limit) RemoveItem(redo_, 0);
  limit_ = limit;
  limited_ = limited;
}

void CUndoManager::TakeStateOf(const CBackupItem& item, HistoryFields* fields,
                               Fragment** selection, bool releaseOld) const {
  if (releaseOld) DeleteFragment(*selection);
  *selection = ShareFragment(item.GetSelection());
  fields->name = item.GetName();
  fields->copySelection = item.FragmentCopied();
}

// ---- Push ----

bool CUndoManager::Push(const std::string& name, std::uint8_t* stateOwns, bool pixelStep,
                        bool copySelection, Fragment* selection, CLayersManager* live,
                        const LayerList* changing) {
  if (live == nullptr || stateOwns == nullptr) return false;
  // What can fail comes first: a refused step keeps its redo states.
  ItemPtr item = CBackupItem::Make(name, copySelection, selection);
  if (!item) return false;
  CLayersManagerPtr copy;
  if (pixelStep) {
    copy = CopyOf(live);
    // Cloning changes no state: the snapshots keep the same pixels.
    if (!copy || !DetachLayers(changing, live, copy.get())) return false;
  }
  redo_.clear();
  MakeRoom(undo_);
  Normalize(0);
  int mode = ModeOf(*stateOwns != 0, pixelStep);
  // Without a run below there is nothing to follow.
  if (undo_.empty() || undo_.back()->IsSingleCopy()) {
    if (mode == 2) mode = 1;
    if (mode == 3) mode = 0;
  }
  PlaceSnapshot(*item, mode, copy.get(), live);
  if (mode == 0 || mode == 1) *stateOwns = 1;
  PushItem(undo_, std::move(item));
  // Mode 3: the live layers are about to change, so the whole run of the
  // saved state moves to the copy. Mode 2: the run shares the live stack.
  if (mode == 3) PointLastRunAt(copy.get(), false);
  if (mode == 2) PointLastRunAt(live, false);
  // An item left without its head by the limit is settled now that the
  // state after it is known.
  Normalize(0);
  return true;
}

// ---- Undo and redo ----

bool CUndoManager::CopyAndRestore(CLayersManager* live, const CBackupItem& item,
                                  CLayersManagerPtr* copy) const {
  *copy = CopyOf(live);
  if (!*copy) return false;
  CLayersManager* from = item.GetSnapshot();
  return from == nullptr || from == live || copier_->Restore(live, *from);
}

bool CUndoManager::Undo(HistoryFields* fields, Fragment** selection, CLayersManager* live,
                        bool* fullRefresh) {
  if (undo_.empty() || live == nullptr || fields == nullptr || selection == nullptr) return false;
  const int mode = ModeOf(fields->previousOwns, fields->currentOwns);
  const bool copies = HasOwnLayers(mode);
  ItemPtr item = CBackupItem::Make(fields->name, fields->copySelection, *selection);
  if (!item) return false;
  // The current layers are saved and the older ones restored before any
  // item changes, so a failure leaves everything as it was.
  CLayersManagerPtr copy;
  if (copies && !CopyAndRestore(live, *undo_.back(), &copy)) return false;
  MakeRoom(redo_);
  const bool redoTopFollows = !redo_.empty() && redo_.back()->IsFollower();
  if (copies) {
    item->SetSnapshot(copy.get());
    redoTopFollows ? item->MakeRunHead() : item->MakeSingleCopy();
  } else {
    item->SetSnapshot(live);
    item->MakeFollower();
  }
  PushItem(redo_, std::move(item));

  ItemPtr taken = TakeTop(undo_);
  TakeStateOf(*taken, fields, selection, true);
  fields->previousOwns = undo_.empty() || undo_.back()->OwnsSnapshot();
  fields->currentOwns = taken->OwnsSnapshot();
  if (copies) {
    // The followers that shared the saved state's layers in the live stack
    // now follow the copy, whose item heads them.
    if (redoTopFollows) {
      redo_.back()->MakeFollower();
      RepointRedoFollowers(copy.get());
      redo_.back()->MakeRunHead();
    }
    if (mode == 3) PointLastRunAt(live, false);
  } else if (mode == 2) {
    PointLastRunAt(live, true);
  }
  if (fullRefresh != nullptr) *fullRefresh = copies;
  return true;
}

bool CUndoManager::Redo(HistoryFields* fields, Fragment** selection, CLayersManager* live,
                        bool* fullRefresh) {
  if (redo_.empty() || live == nullptr || fields == nullptr || selection == nullptr) return false;
  const bool nextOwns = redo_.back()->OwnsSnapshot();
  const int mode = ModeOf(fields->currentOwns, nextOwns);
  const bool copies = HasOwnLayers(mode);
  ItemPtr item = CBackupItem::Make(fields->name, fields->copySelection, *selection);
  if (!item) return false;
  CLayersManagerPtr copy;
  if (copies && !CopyAndRestore(live, *redo_.back(), &copy)) return false;
  MakeRoom(undo_);
  Normalize(0);
  PlaceSnapshot(*item, mode, copy.get(), live);
  PushItem(undo_, std::move(item));
  if (mode == 3) PointLastRunAt(copy.get(), false);

  ItemPtr taken = TakeTop(redo_);
  TakeStateOf(*taken, fields, selection, true);
  fields->previousOwns = fields->currentOwns;
  fields->currentOwns = nextOwns;
  // The live stack now holds the layers of the restored run's followers.
  if (copies && taken->IsRunHead()) RepointRedoFollowers(live);
  taken.reset();
  Normalize(0);
  if (fullRefresh != nullptr) *fullRefresh = copies;
  return true;
}

// ---- Revert ----

bool CUndoManager::RevertTop(HistoryFields* fields, Fragment** selection, CLayersManager* live,
                             bool* fullRefresh) {
  if (undo_.empty() || live == nullptr || fields == nullptr || selection == nullptr) return false;
  CLayersManager* from = undo_.back()->GetSnapshot();
  if (from == nullptr) {
    // Nothing to take back: the item is of no use.
    RemoveItem(undo_, UndoCount() - 1);
    return false;
  }
  if (from != live && !copier_->Restore(live, *from)) return false;
  ItemPtr taken = TakeTop(undo_);
  TakeStateOf(*taken, fields, selection, false);
  fields->previousOwns = undo_.empty() || undo_.back()->OwnsSnapshot();
  fields->currentOwns = taken->OwnsSnapshot();
  if (fullRefresh != nullptr) *fullRefresh = from != live;
  if (taken->IsFollower()) PointLastRunAt(live, false);
  return true;
}
