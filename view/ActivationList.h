// The application's window activation list: the order in which image
// windows were activated, the front entry the latest. Kind 1 stands for the
// MDI area (whichever child is active there), kind 0 for a document active
// in place. Moving an entry to the front runs the deactivation work of the
// window that lost the front and the activation work of the one that
// gained it, once per real change.
//
// Windows, documents and images are opaque here; ActivationHost resolves
// them. User-interface thread only.
#pragma once

#include <vector>

namespace lumora {

enum : int { kActivationInPlace = 0, kActivationMdiArea = 1 };

struct ActivationEntry {
  int kind = kActivationMdiArea;
  void* mdiClient = nullptr;  // kind 1
  void* document = nullptr;   // kind 0
};

class ActivationHost {
 public:
  virtual ~ActivationHost() = default;
  // The image-view window an entry stands for now, or null.
  virtual void* EntryWindow(const ActivationEntry& entry) = 0;
  // The image-view windows of an entry in the order the search walks them
  // (the MDI children in Z order, or the in-place view).
  virtual std::vector<void*> EntryImageWindows(const ActivationEntry& entry) = 0;
  // The active and the floating image of the document a view window shows.
  virtual void* ActiveImageOf(void* window) = 0;
  virtual void* FloatingImageOf(void* window) = 0;
  // The views' work: `other` is the window on the other side of the change.
  virtual void DeactivateView(void* window, void* other) = 0;
  virtual void ActivateView(void* window, void* other) = 0;
};

class ActivationList {
 public:
  explicit ActivationList(ActivationHost* host) : host_(host) {}
  ~ActivationList();
  ActivationList(const ActivationList&) = delete;
  ActivationList& operator=(const ActivationList&) = delete;

  // The kind-1 entry, made once, moved to the front.
  ActivationEntry* AddMDIArea(void* mdiClient);
  // A kind-0 entry for a document active in place, moved to the front.
  ActivationEntry* AddView(void* document);
  void MoveToFront(ActivationEntry* entry);
  // Unlinks and frees the entry; null is ignored.
  void Remove(ActivationEntry* entry);

  ActivationEntry* GetHead() const { return entries_.empty() ? nullptr : entries_.front(); }
  ActivationEntry* MdiArea() const { return mdiArea_; }
  bool Contains(const ActivationEntry* entry) const;
  // Whether the MDI area's own activation work may run: nothing in place
  // is in front of it.
  bool MdiAreaAgrees() const;
  void* GetEntryWindow(const ActivationEntry* entry) const;

  // With null, the front entry's window; else the image window that
  // follows `after` in activation order; null at the end.
  void* FindNextImageWindow(void* after) const;
  void* FindNextViewOfImage(void* image, void* after) const;
  void* FindNextViewOfFloating(void* image, void* after) const;

 private:
  void Unlink(ActivationEntry* entry);
  void OnActivationChange(ActivationEntry* oldFront, ActivationEntry* newFront);
  std::vector<void*> WindowsInOrder() const;
  template <class Match>
  void* FindNextMatching(void* after, Match match) const;

  ActivationHost* host_;
  std::vector<ActivationEntry*> entries_;  // front first
  ActivationEntry* mdiArea_ = nullptr;
};

}  // namespace lumora
