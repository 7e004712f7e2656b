// A re-entrant lock: the owning thread may take it again, other threads
// block. Stands for a Win32 critical section in portable code.
#pragma once

#include <mutex>

namespace lumora {

class ReentrantLock {
 public:
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }
  bool TryLock() { return mutex_.try_lock(); }

  // BasicLockable, so std::lock_guard and std::unique_lock work too.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a lock for a scope.
template <class Lockable>
class ScopedLock {
 public:
  explicit ScopedLock(Lockable& lock) : lock_(lock) { lock_.Lock(); }
  ~ScopedLock() { lock_.Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lockable& lock_;
};

}  // namespace lumora
