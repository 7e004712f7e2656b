// The document lock as the engine takes it: one re-entrant lock per
// document around every change of a layer list, of layer pixels and of the
// composite. The document implements it with its critical section; the
// engine only sees this interface, so it builds and is tested without the
// document (ReentrantDocumentLock stands in).
#pragma once

#include "platform/reentrant_lock.h"

namespace lumora {

class DocumentLock {
 public:
  virtual ~DocumentLock() = default;
  // Re-entrant for the thread that holds it, blocking for every other.
  virtual void Lock() = 0;
  // Leaves the lock once.
  virtual void Unlock() = 0;
};

class ReentrantDocumentLock final : public DocumentLock {
 public:
  void Lock() override { lock_.Lock(); }
  void Unlock() override { lock_.Unlock(); }

 private:
  ReentrantLock lock_;
};

// Holds a document lock for a scope; a null lock (a stack without a
// document) is not taken.
class DocumentLockScope {
 public:
  explicit DocumentLockScope(DocumentLock* lock) : lock_(lock) {
    if (lock_ != nullptr) lock_->Lock();
  }
  ~DocumentLockScope() {
    if (lock_ != nullptr) lock_->Unlock();
  }
  DocumentLockScope(const DocumentLockScope&) = delete;
  DocumentLockScope& operator=(const DocumentLockScope&) = delete;

 private:
  DocumentLock* lock_;
};

}  // namespace lumora
