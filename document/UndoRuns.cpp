// The undo history's work on one stack: appending under the limit, finding
// runs, normalising the undo stack after items were cut off, and pointing
// runs at a snapshot.
#include <algorithm>

#include "document/UndoManager.h"

const CBackupItem* CUndoManager::ItemAt(const ItemStack& stack, int index) {
  if (index < 0 || index >= static_cast<int>(stack.size())) return nullptr;
  return stack[index].get();
}

bool CUndoManager::IsFull(const ItemStack& stack) const {
  return limited_ && static_cast<int>(stack.size()) >= limit_;
}

bool CUndoManager::PushItem(ItemStack& stack, ItemPtr item) {
  if (!item || IsFull(stack)) return false;
  stack.push_back(std::move(item));
  return true;
}

bool CUndoManager::MakeRoom(ItemStack& stack) {
  bool removed = false;
  while (IsFull(stack) && !stack.empty()) {
    RemoveItem(stack, 0);
    removed = true;
  }
  return removed;
}

void CUndoManager::RemoveItem(ItemStack& stack, int index) {
  if (index < 0 || index >= static_cast<int>(stack.size())) return;
  stack.erase(stack.begin() + index);
}

CUndoManager::ItemPtr CUndoManager::TakeItem(ItemStack& stack, int index) {
  if (index < 0 || index >= static_cast<int>(stack.size())) return nullptr;
  ItemPtr item = std::move(stack[index]);
  stack.erase(stack.begin() + index);
  return item;
}

CUndoManager::ItemPtr CUndoManager::TakeTop(ItemStack& stack) {
  return TakeItem(stack, static_cast<int>(stack.size()) - 1);
}

// ---- Runs of the undo stack ----

int CUndoManager::FirstRunItem(int index) const {
  if (index < 0) return -1;
  for (int i = index; i < UndoCount(); ++i) {
    if (!undo_[i]->IsSingleCopy()) return i;
  }
  return -1;
}

int CUndoManager::RunLength(int index) const {
  if (index < 0 || index >= UndoCount()) return 0;
  int end = index + 1;
  while (end < UndoCount() && undo_[end]->IsFollower()) ++end;
  return end - index;
}

bool CUndoManager::IsLastRun(int index) const {
  for (int i = index + 1; i < UndoCount(); ++i) {
    if (!undo_[i]->IsFollower()) return false;
  }
  return true;
}

int CUndoManager::NextRunHead(int index) const {
  for (int i = std::max(index + 1, 0); i < UndoCount(); ++i) {
    if (undo_[i]->IsRunHead()) return i;
  }
  return -1;
}

CLayersManager* CUndoManager::FirstSnapshot(int index, int count) const {
  for (int i = index; i < index + count && i < UndoCount(); ++i) {
    if (undo_[i]->GetSnapshot() != nullptr) return undo_[i]->GetSnapshot();
  }
  return nullptr;
}

int CUndoManager::CountTopFollowers() const {
  int count = 0;
  for (int i = RedoCount() - 1; i >= 0 && !redo_[i]->OwnsSnapshot(); --i) ++count;
  return count;
}

// The run that holds the top undo item: from the top down over followers to
// the head, or to the item after a single copy when the run lost its head.
// -1 when the top item is a single copy (no run is next to the current
// state) or the stack is empty.
int CUndoManager::LastRunStart() const {
  int i = UndoCount() - 1;
  if (i < 0 || undo_[i]->IsSingleCopy()) return -1;
  while (i > 0 && undo_[i]->IsFollower()) {
    if (undo_[i - 1]->IsSingleCopy()) return i;
    --i;
  }
  return i;
}

// Repairs the runs from `start` on: a run whose head was cut off gets its
// first item as head, a run whose items hold no snapshot is dropped, and a
// lone item that is not next to the current state becomes a single copy.
void CUndoManager::Normalize(int start) {
  if (UndoCount() < 2) return;
  int i = FirstRunItem(start);
  while (i >= 0 && i < UndoCount()) {
    if (IsLastRun(i)) {
      undo_[i]->MakeRunHead();
      return;
    }
    const int length = RunLength(i);
    if (length == 1) {
      CBackupItem& item = *undo_[i];
      if (item.GetSnapshot() == nullptr) {
        RemoveItem(undo_, i);
        i = FirstRunItem(i);
        continue;
      }
      // A snapshot held by this item alone is already its own copy.
      if (item.GetSnapshot()->GetRefCount() > 1) {
        CLayersManagerPtr copy = CopyOf(item.GetSnapshot());
        // Without memory the item keeps sharing: snapshots other than the
        // live stack never change, so its layers stay right.
        if (copy) item.SetSnapshot(copy.get());
      }
      item.MakeSingleCopy();
    } else {
      CLayersManager* snapshot = FirstSnapshot(i, length);
      if (snapshot == nullptr) {
        for (int k = 0; k < length; ++k) RemoveItem(undo_, i);
        if (i == 0) return;
        i = FirstRunItem(i - 1);
        continue;
      }
      CLayersManagerPtr keep = CLayersManagerPtr::Share(snapshot);
      for (int k = i; k < i + length; ++k) {
        undo_[k]->SetSnapshot(snapshot);
        k == i ? undo_[k]->MakeRunHead() : undo_[k]->MakeFollower();
      }
    }
    i = NextRunHead(i);
  }
}

CLayersManagerPtr CUndoManager::CopyOf(const CLayersManager* stack) const {
  if (stack == nullptr) return nullptr;
  return CLayersManagerPtr::Adopt(copier_->Copy(*stack));
}

// ---- Pointing runs at a snapshot ----

// Every item of the last undo run (head first), and with `alsoRedo` the
// followers at the top of the redo stack, get the snapshot.
void CUndoManager::PointLastRunAt(CLayersManager* snapshot, bool alsoRedo) {
  const int start = LastRunStart();
  if (start >= 0) {
    for (int i = start; i < UndoCount(); ++i) {
      undo_[i]->SetSnapshot(snapshot);
      i == start ? undo_[i]->MakeRunHead() : undo_[i]->MakeFollower();
    }
  }
  if (alsoRedo) RepointRedoFollowers(snapshot);
}

void CUndoManager::RepointRedoFollowers(CLayersManager* snapshot) {
  CLayersManagerPtr keep = CLayersManagerPtr::Share(snapshot);
  for (int i = RedoCount() - 1; i >= 0 && redo_[i]->IsFollower(); --i) {
    redo_[i]->SetSnapshot(snapshot);
  }
}
