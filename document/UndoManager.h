// The undo history of a document: the states before the current one (the
// undo stack, index 0 the oldest) and the states an undo has left behind
// (the redo stack, its last index the state just after the current one).
//
// Layer snapshots are shared. States that differ only in their selection
// form a run holding one snapshot; in the undo stack a run reads upwards
// (head at the lowest index), in the redo stack downwards (head nearest the
// top). The run next to the current state, and the followers at the top of
// the redo stack, point at the live layer stack itself while it holds their
// layers; a snapshot is made only when a pixel step follows, or when an
// undo, redo or jump would otherwise overwrite a stack that is shared.
//
// Pixel buffers are shared too: a snapshot's layers hold the live layers'
// buffers, and a restore makes the live layers hold the snapshot's. No one
// writes into a snapshot's buffer. Before the live stack writes into one of
// its buffers, DetachLayers gives every snapshot that holds it a clone of
// its own (one copy for all of them); the live stack keeps the buffer, so
// references others hold to it stay good. A pixel step detaches the layers
// it names when it is pushed, every layer when it names none. A snapshot
// held outside the history (the copy on the clipboard, ShareOutside) is
// given clones the same way while anyone else still holds it.
//
// Every operation that can fail (a snapshot that cannot be copied, a restore
// that CopyFrom refuses) fails before it changes anything: the history, the
// live stack and the caller's fields stay as they were.
//
// User-interface thread only; no lock of its own. Restoring goes through
// CopyFrom, which takes the document lock: callers stop the render worker
// first and never hold the document lock while they call in here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/BackupItem.h"

class CUndoManager {
 public:
  // The history fields the document keeps and hands in by reference.
  struct HistoryFields {
    std::string name = "Initial image";  // the current state's name
    // The top undo item owns a snapshot (also when the undo stack is empty).
    bool previousOwns = true;
    // The current state came from a pixel step: its layers differ from the
    // top undo item's.
    bool currentOwns = true;
    // Items hold their own copy of the selection; passed on, never set here.
    bool copySelection = false;
  };

  // The name of the erase brush's step, which FindRestoreSource passes over.
  static constexpr const char* kEraseStepName = "Erase";

  // Not limited until TrimToLimit; `copier` (default: the engine's snapshot
  // copy and CopyFrom) must outlive the history.
  explicit CUndoManager(int limit = 50, lumora::SnapshotCopier* copier = nullptr);
  ~CUndoManager();
  CUndoManager(const CUndoManager&) = delete;
  CUndoManager& operator=(const CUndoManager&) = delete;

  // Deletes every item, undo stack first.
  void Clear();
  // The settings limit: `createBackup` (at least 1) items per stack while
  // `limitBackup` is non-zero; the oldest undo and farthest redo items over
  // it are deleted.
  void TrimToLimit(int createBackup, int limitBackup);

  // Live layers that a step is about to write.
  using LayerList = std::vector<const CLayer*>;

  // Saves the current state before a step. `stateOwns` in: the document's
  // current-owns flag; out: whether the saved item owns its snapshot. A
  // pixel step detaches the `changing` layers of the live stack (null:
  // every layer) before it returns.
  bool Push(const std::string& name, std::uint8_t* stateOwns, bool pixelStep, bool copySelection,
            Fragment* selection, CLayersManager* live, const LayerList* changing = nullptr);
  // Makes the listed live layers (null: every layer of `live`) safe to
  // write: each of their buffers that a snapshot holds is cloned once and
  // the clone takes its place in every snapshot (and in `fresh`, a
  // snapshot not yet held). False, with nothing changed, when a clone
  // cannot be made.
  bool DetachLayers(const LayerList* changing, const CLayersManager* live,
                    CLayersManager* fresh = nullptr);
  // A snapshot outside the history whose layers may hold live buffers (the
  // copy on the clipboard), with a reference; null lets the last one go.
  // Detaching treats it as one of the history's snapshots for as long as
  // someone besides this history holds it; after that it is let go.
  void ShareOutside(CLayersManager* snapshot);
  CLayersManager* OutsideSnapshot() const { return outside_.get(); }
  // One step back or forward. `selection` in: the caller's reference, which
  // is released; out: the new current state's selection with a reference.
  // `fullRefresh` tells whether the live layers changed.
  bool Undo(HistoryFields* fields, Fragment** selection, CLayersManager* live, bool* fullRefresh);
  bool Redo(HistoryFields* fields, Fragment** selection, CLayersManager* live, bool* fullRefresh);
  // Takes the newest undo item back into the live stack without a redo item
  // (a step failed after it was opened, so its push left the redo stack
  // empty). `selection` out only: a reference to the restored selection
  // (the old value is not released).
  bool RevertTop(HistoryFields* fields, Fragment** selection, CLayersManager* live,
                 bool* fullRefresh);

  // Undo names from the oldest, the current name, redo names from the
  // nearest. Returns the undo count: the current state's list index.
  int GetHistory(std::vector<std::string>* list, const std::string& currentName) const;
  // Shows the listed state in the live stack (history preview) and gives
  // its selection with a reference (the old value is not released).
  // `currentSnapshot` holds the current state's layers (the live stack may
  // show another state meanwhile). False out of range or when the layers
  // cannot be restored.
  bool GetStateAt(int index, CLayersManager* live, Fragment** selection,
                  const CLayersManager* currentSnapshot, Fragment* currentSelection);
  // Makes the listed state current; its layers are put into the live stack
  // whatever the live stack shows. `selection` as for Undo.
  bool GoTo(int index, HistoryFields* fields, Fragment** selection, Fragment* currentSelection,
            CLayersManager* live, CLayersManager* currentSnapshot);
  // The item's name; false and empty when there is no such item.
  bool GetName(int index, std::string* name, bool undoStack) const;
  // The layers the erase brush and apply-image restore from; null when none.
  CLayersManager* FindRestoreSource(const std::string& currentName, bool currentOwns,
                                    const std::string& eraseName = kEraseStepName) const;

  int UndoCount() const { return static_cast<int>(undo_.size()); }
  int RedoCount() const { return static_cast<int>(redo_.size()); }
  // Index 0 the oldest; for the redo stack index 0 the farthest ahead.
  const CBackupItem* UndoItem(int index) const { return ItemAt(undo_, index); }
  const CBackupItem* RedoItem(int index) const { return ItemAt(redo_, index); }
  int GetLimit() const { return limit_; }
  bool IsLimited() const { return limited_; }

 private:
  using ItemPtr = std::unique_ptr<CBackupItem>;
  using ItemStack = std::vector<ItemPtr>;

  // The mode of two ownership flags: (1, 1) 0, (1, 0) 1, (0, 0) 2, (0, 1) 3.
  // In modes 0 and 3 the second state has layers of its own.
  static int ModeOf(bool first, bool second) {
    if (first) return second ? 0 : 1;
    return second ? 3 : 2;
  }
  static bool HasOwnLayers(int mode) { return mode == 0 || mode == 3; }

  // ---- One stack (UndoRuns.cpp) ----
  static const CBackupItem* ItemAt(const ItemStack& stack, int index);
  bool IsFull(const ItemStack& stack) const;
  // Refused for null or a full stack under the limit.
  bool PushItem(ItemStack& stack, ItemPtr item);
  // Deletes the oldest items while the stack is full, so the next append
  // is taken; true when any was deleted.
  bool MakeRoom(ItemStack& stack);
  void RemoveItem(ItemStack& stack, int index);
  ItemPtr TakeItem(ItemStack& stack, int index);
  ItemPtr TakeTop(ItemStack& stack);
  int FirstRunItem(int index) const;
  int RunLength(int index) const;
  bool IsLastRun(int index) const;
  int NextRunHead(int index) const;
  CLayersManager* FirstSnapshot(int index, int count) const;
  int CountTopFollowers() const;
  int LastRunStart() const;
  void Normalize(int start);
  // A fresh copy (one reference) of a snapshot; null when it cannot be made.
  CLayersManagerPtr CopyOf(const CLayersManager* stack) const;
  // Copies the live layers into *copy, then puts the item's layers (if it
  // holds others) into the live stack: false, with the live stack
  // unchanged, when either fails.
  bool CopyAndRestore(CLayersManager* live, const CBackupItem& item, CLayersManagerPtr* copy) const;
  // The last undo run (head first) and, with `alsoRedo`, the followers at
  // the top of the redo stack get the snapshot.
  void PointLastRunAt(CLayersManager* snapshot, bool alsoRedo);
  void RepointRedoFollowers(CLayersManager* snapshot);

  // ---- Shared buffers (UndoSharing.cpp) ----
  // Every snapshot the items hold, each once, the live stack left out.
  std::vector<CLayersManager*> HeldSnapshots(const CLayersManager* live) const;

  // ---- Jumps (UndoHistory.cpp) ----
  const CBackupItem* ListedItem(int index) const;
  bool PushState(ItemStack& stack, ItemPtr item, int mode, CLayersManager* given,
                 const CLayersManagerPtr& fresh, bool useGiven);
  bool MoveTop(ItemStack& from, ItemStack& to);
  CLayersManager* RestoreSourceFrom(int index, const std::string& eraseName) const;

  // Takes over the history fields and selection of an item that becomes the
  // current state; releases the caller's selection reference when asked.
  void TakeStateOf(const CBackupItem& item, HistoryFields* fields, Fragment** selection,
                   bool releaseOld) const;

  int limit_;
  bool limited_ = false;
  ItemStack undo_;
  ItemStack redo_;
  mutable CLayersManagerPtr outside_;
  lumora::SnapshotCopier* copier_;
};
