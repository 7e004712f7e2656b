// The stand-in document lock: re-entrant for its holder, blocking others.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/layers/DocumentLock.h"

namespace {

TEST(DocumentLockThreaded, ReentrantForTheHolderBlockingForOthers) {
  lumora::ReentrantDocumentLock lock;
  std::atomic<bool> entered{false};
  std::thread other;
  lock.Lock();
  {
    lumora::DocumentLockScope again(&lock);  // the holder takes it again
    other = std::thread([&] {
      lumora::DocumentLockScope scope(&lock);
      entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
    lock.Unlock();  // still held once, by the scope
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
  }  // the last hold ends here
  other.join();
  EXPECT_TRUE(entered.load());
  lumora::DocumentLockScope none(nullptr);  // a stack without a document takes no lock
}

}  // namespace
