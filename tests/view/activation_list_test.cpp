// The window activation list against a recording host: kinds 0 and 1, the
// change signals (one per real change), removal and the searches.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "view/ActivationList.h"

namespace lumora {
namespace {

// Windows are small integers cast to pointers.
void* W(std::uintptr_t n) { return reinterpret_cast<void*>(n); }

class RecordingHost : public ActivationHost {
 public:
  void* EntryWindow(const ActivationEntry& e) override {
    return e.kind == kActivationMdiArea ? activeChild : inPlace[e.document];
  }
  std::vector<void*> EntryImageWindows(const ActivationEntry& e) override {
    if (e.kind == kActivationMdiArea) return zOrder;
    return {inPlace[e.document]};
  }
  void* ActiveImageOf(void* w) override { return active[w]; }
  void* FloatingImageOf(void* w) override { return floating[w]; }
  void DeactivateView(void* w, void* other) override { log.push_back("off " + Name(w) + " for " + Name(other)); }
  void ActivateView(void* w, void* other) override { log.push_back("on " + Name(w) + " from " + Name(other)); }

  static std::string Name(void* w) { return std::to_string(reinterpret_cast<std::uintptr_t>(w)); }

  void* activeChild = nullptr;
  std::vector<void*> zOrder;
  std::map<void*, void*> inPlace;
  std::map<void*, void*> active, floating;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST(ActivationList, MovesToFrontSignallingOnlyRealChanges) {
  RecordingHost host;
  ActivationList list(&host);
  host.activeChild = W(1);
  ActivationEntry* mdi = list.AddMDIArea(W(100));
  EXPECT_EQ(list.GetHead(), mdi);
  EXPECT_EQ(mdi->kind, kActivationMdiArea);
  EXPECT_EQ(host.log, (Log{"on 1 from 0"}));
  EXPECT_TRUE(list.MdiAreaAgrees());

  // Made once; moving it to the front again runs nothing.
  host.log.clear();
  EXPECT_EQ(list.AddMDIArea(W(100)), mdi);
  list.MoveToFront(mdi);
  EXPECT_TRUE(host.log.empty());

  // An in-place document comes to the front: the MDI view loses it.
  void* doc = W(500);
  host.inPlace[doc] = W(7);
  ActivationEntry* placed = list.AddView(doc);
  EXPECT_EQ(placed->kind, kActivationInPlace);
  EXPECT_EQ(list.GetHead(), placed);
  EXPECT_FALSE(list.MdiAreaAgrees());
  EXPECT_EQ(host.log, (Log{"off 1 for 7", "on 7 from 1"}));

  // Two entries resolving to the same window change nothing.
  host.log.clear();
  host.inPlace[doc] = W(1);
  list.MoveToFront(mdi);
  EXPECT_TRUE(host.log.empty());
  EXPECT_EQ(list.GetHead(), mdi);

  // Removing the front entry signals the change to the new front.
  host.inPlace[doc] = W(7);
  list.MoveToFront(placed);
  host.log.clear();
  list.Remove(placed);
  EXPECT_EQ(host.log, (Log{"off 7 for 1", "on 1 from 7"}));
  EXPECT_EQ(list.GetHead(), mdi);
  EXPECT_FALSE(list.Contains(placed));
  // Removing a back entry signals nothing; null is ignored.
  host.log.clear();
  ActivationEntry* back = list.AddView(W(501));  // resolves to no window
  list.MoveToFront(mdi);
  host.log.clear();
  list.Remove(back);
  list.Remove(nullptr);
  EXPECT_TRUE(host.log.empty());
}

TEST(ActivationList, SearchesWalkTheEntriesInActivationOrder) {
  RecordingHost host;
  ActivationList list(&host);
  EXPECT_EQ(list.FindNextImageWindow(nullptr), nullptr);
  host.activeChild = W(1);
  host.zOrder = {W(1), W(2), W(3)};
  list.AddMDIArea(W(100));
  void* doc = W(500);
  host.inPlace[doc] = W(9);
  ActivationEntry* placed = list.AddView(doc);

  EXPECT_EQ(list.FindNextImageWindow(nullptr), W(9));
  EXPECT_EQ(list.FindNextImageWindow(W(9)), W(1));
  EXPECT_EQ(list.FindNextImageWindow(W(3)), nullptr);
  EXPECT_EQ(list.FindNextImageWindow(W(42)), nullptr);  // not listed

  void* image = W(0xA0), *other = W(0xB0);
  host.active = {{W(9), image}, {W(1), other}, {W(2), image}, {W(3), image}};
  host.floating = {{W(3), other}};
  EXPECT_EQ(list.FindNextViewOfImage(image, nullptr), W(9));
  EXPECT_EQ(list.FindNextViewOfImage(image, W(9)), W(2));
  EXPECT_EQ(list.FindNextViewOfImage(image, W(2)), W(3));
  EXPECT_EQ(list.FindNextViewOfImage(image, W(3)), nullptr);
  EXPECT_EQ(list.FindNextViewOfFloating(other, nullptr), W(3));
  EXPECT_EQ(list.FindNextViewOfFloating(image, nullptr), nullptr);
  EXPECT_EQ(list.FindNextViewOfImage(nullptr, nullptr), nullptr);

  list.Remove(placed);
  EXPECT_EQ(list.FindNextImageWindow(nullptr), W(1));
}

}  // namespace
}  // namespace lumora
