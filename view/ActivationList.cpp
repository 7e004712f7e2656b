// The window activation list.
#include "view/ActivationList.h"

#include <algorithm>

namespace lumora {

ActivationList::~ActivationList() {
  for (ActivationEntry* e : entries_) delete e;
}

bool ActivationList::Contains(const ActivationEntry* entry) const {
  return entry != nullptr && std::find(entries_.begin(), entries_.end(), entry) != entries_.end();
}

ActivationEntry* ActivationList::AddMDIArea(void* mdiClient) {
  if (mdiArea_ == nullptr) mdiArea_ = new ActivationEntry{kActivationMdiArea, mdiClient, nullptr};
  MoveToFront(mdiArea_);
  return mdiArea_;
}

ActivationEntry* ActivationList::AddView(void* document) {
  auto* entry = new ActivationEntry{kActivationInPlace, nullptr, document};
  MoveToFront(entry);
  return entry;
}

void ActivationList::Unlink(ActivationEntry* entry) {
  entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
}

void ActivationList::MoveToFront(ActivationEntry* entry) {
  if (entry == nullptr) return;
  ActivationEntry* oldFront = GetHead();
  Unlink(entry);
  entries_.insert(entries_.begin(), entry);
  OnActivationChange(oldFront, entry);
}

void ActivationList::Remove(ActivationEntry* entry) {
  if (entry == nullptr) return;
  ActivationEntry* oldFront = GetHead();
  Unlink(entry);
  // The leaving entry still resolves while the change is told.
  OnActivationChange(oldFront, GetHead());
  if (entry == mdiArea_) mdiArea_ = nullptr;
  delete entry;
}

bool ActivationList::MdiAreaAgrees() const {
  const ActivationEntry* head = GetHead();
  return head == nullptr || head->kind == kActivationMdiArea;
}

void* ActivationList::GetEntryWindow(const ActivationEntry* entry) const {
  return entry != nullptr ? host_->EntryWindow(*entry) : nullptr;
}

void ActivationList::OnActivationChange(ActivationEntry* oldFront, ActivationEntry* newFront) {
  if (oldFront == newFront) return;
  void* oldWindow = GetEntryWindow(oldFront);
  void* newWindow = GetEntryWindow(newFront);
  if (oldWindow == newWindow) return;
  if (oldWindow != nullptr) host_->DeactivateView(oldWindow, newWindow);
  if (newWindow != nullptr) host_->ActivateView(newWindow, oldWindow);
}

std::vector<void*> ActivationList::WindowsInOrder() const {
  std::vector<void*> windows;
  for (const ActivationEntry* e : entries_) {
    for (void* w : host_->EntryImageWindows(*e)) {
      if (w != nullptr) windows.push_back(w);
    }
  }
  return windows;
}

template <class Match>
void* ActivationList::FindNextMatching(void* after, Match match) const {
  const std::vector<void*> windows = WindowsInOrder();
  auto it = windows.begin();
  if (after != nullptr) {
    it = std::find(windows.begin(), windows.end(), after);
    if (it == windows.end()) return nullptr;
    ++it;
  }
  for (; it != windows.end(); ++it) {
    if (match(*it)) return *it;
  }
  return nullptr;
}

void* ActivationList::FindNextImageWindow(void* after) const {
  if (after == nullptr) return GetEntryWindow(GetHead());
  return FindNextMatching(after, [](void*) { return true; });
}

void* ActivationList::FindNextViewOfImage(void* image, void* after) const {
  if (image == nullptr) return nullptr;
  return FindNextMatching(after, [&](void* w) { return host_->ActiveImageOf(w) == image; });
}

void* ActivationList::FindNextViewOfFloating(void* image, void* after) const {
  if (image == nullptr) return nullptr;
  return FindNextMatching(after, [&](void* w) { return host_->FloatingImageOf(w) == image; });
}

}  // namespace lumora
