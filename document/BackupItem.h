// One saved state of the undo history (its name, selection and layer
// snapshot) and the copier through which the history copies and restores
// layer stacks.
#pragma once

#include <memory>
#include <string>

#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"

namespace lumora {

// How the history makes snapshots of a layer stack, puts one back into the
// live stack and clones a buffer. The default snapshot is a copy whose
// layers hold the live layers' buffers (kept in memory-lock mode), and a
// restore makes the live layers hold the snapshot's: pixels are copied
// only when a step is about to write a shared buffer (CloneBuffer, called
// by CUndoManager::DetachLayers). Tests count and fail copies through a
// copier of their own.
class SnapshotCopier {
 public:
  virtual ~SnapshotCopier() = default;
  // A copy of the stack in memory-lock mode with one reference for the
  // caller; null when it cannot be made.
  virtual CLayersManager* Copy(const CLayersManager& stack);
  // Makes the live stack hold the snapshot's layers: true, or false with the
  // live stack unchanged.
  virtual bool Restore(CLayersManager* live, const CLayersManager& snapshot);
  // A copy of the buffer with one reference for the caller; null when it
  // cannot be made.
  virtual VrWA2000::WA* CloneBuffer(const VrWA2000::WA& buffer);
};

SnapshotCopier& DefaultSnapshotCopier();

}  // namespace lumora

// A saved state. Three kinds, by its two flags: a run head (first state of a
// run of states that share one layer snapshot), a follower (reached from the
// state before it by a step that changed no pixels: it holds its run's
// snapshot) and a single copy (a snapshot shared with no neighbour). Every
// item that points at a snapshot holds a reference on it, followers too.
class CBackupItem {
 public:
  // Holds the selection: an independent copy with `copySelection`, else a
  // shared reference. Null when the copy cannot be made.
  static std::unique_ptr<CBackupItem> Make(const std::string& name, bool copySelection,
                                           Fragment* selection);
  virtual ~CBackupItem();
  CBackupItem(const CBackupItem&) = delete;
  CBackupItem& operator=(const CBackupItem&) = delete;

  bool IsRunHead() const { return runHead_; }
  bool IsFollower() const { return !runHead_ && !ownSnapshot_; }
  bool IsSingleCopy() const { return !runHead_ && ownSnapshot_; }
  // A run head or a single copy.
  bool OwnsSnapshot() const { return runHead_ || ownSnapshot_; }
  void MakeRunHead() { runHead_ = ownSnapshot_ = true; }
  void MakeFollower() { runHead_ = ownSnapshot_ = false; }
  void MakeSingleCopy() {
    runHead_ = false;
    ownSnapshot_ = true;
  }

  const std::string& GetName() const { return name_; }
  // Whether the item holds its own copy of the selection; handed on as the
  // document's copy-selection flag.
  bool FragmentCopied() const { return fragmentCopied_; }
  // No reference added.
  Fragment* GetSelection() const { return selection_; }
  CLayersManager* GetSnapshot() const { return snapshot_.get(); }
  // Points the item at a snapshot (a reference of its own) or at none.
  void SetSnapshot(CLayersManager* snapshot) { snapshot_ = CLayersManagerPtr::Share(snapshot); }

 private:
  CBackupItem() = default;

  bool runHead_ = false;
  bool ownSnapshot_ = false;
  bool fragmentCopied_ = false;
  std::string name_;
  Fragment* selection_ = nullptr;
  CLayersManagerPtr snapshot_;
};
