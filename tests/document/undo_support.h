// Shared by the undo history tests: a layer stack that counts its
// instances, a copier that counts (and can refuse) copies and restores, a
// selection fragment that counts its instances, and what tells one state's
// layers from another's.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "document/UndoManager.h"
#include "libs/fragment/fragment_object.h"

namespace lumora::undo_testing {

// A layer stack that counts how many exist; the copier's snapshots are of
// this class too, so every copy of the live stack is counted.
class CountedStack : public CLayersManager {
 public:
  CountedStack(DocumentLock* lock, int width, int height)
      : CLayersManager(kWAType24, lock, width, height, 0x00600060u, 0x102030u, 0) {
    ++alive;
  }
  explicit CountedStack(const CLayersManager* source) : CLayersManager(source) { ++alive; }
  ~CountedStack() override { --alive; }

  static inline int alive = 0;
};

class CountingCopier : public SnapshotCopier {
 public:
  CLayersManager* Copy(const CLayersManager& stack) override {
    if (refuseCopies) return nullptr;
    CountedStack* copy = nullptr;
    try {
      copy = new CountedStack(&stack);
    } catch (const std::exception&) {
      return nullptr;
    }
    ++copies;
    copy->SetMemoryLock(1);
    return copy;
  }
  bool Restore(CLayersManager* live, const CLayersManager& snapshot) override {
    if (refuseRestores) return false;
    ++restores;
    return SnapshotCopier::Restore(live, snapshot);
  }

  int copies = 0;
  int restores = 0;
  bool refuseCopies = false;
  bool refuseRestores = false;
};

// A history limit (0: none) drops a model's oldest undo states and its
// farthest redo states; `current` is the current state's index.
template <class State>
void TrimModelStates(std::vector<State>& states, int& current, int limit) {
  if (limit <= 0) return;
  while (current > limit) {
    states.erase(states.begin());
    --current;
  }
  while (static_cast<int>(states.size()) - 1 - current > limit) states.pop_back();
}

// A selection that counts how many exist; a copy keeps the tag.
class ProbeFragment final : public Fragment {
 public:
  explicit ProbeFragment(int tag) : tag_(tag) { ++alive; }
  ~ProbeFragment() override { --alive; }

  int Tag() const { return tag_; }
  int Type() const override { return kFrgRect; }
  Fragment* Clone() const override { return new ProbeFragment(tag_); }
  frg::Box ShapeBounds() const override { return frg::Box{tag_, 0, tag_ + 1, 1}; }
  bool Offset(std::int64_t, std::int64_t) override { return true; }
  bool ShapeContains(std::int32_t, std::int32_t) const override { return false; }
  bool RenderShape(const frg::Window& w) const override {
    w.Fill(0);
    return true;
  }

  static inline int alive = 0;

 private:
  int tag_;
};

inline int TagOf(const Fragment* f) {
  return f != nullptr ? static_cast<const ProbeFragment*>(f)->Tag() : 0;
}

// What distinguishes one state's layers from another's: every layer's
// rect, opacity and first pixel, and the active layer's place.
inline std::string Signature(const CLayersManager& stack) {
  std::string text;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer* layer = stack.GetLayer(i);
    const RECT& r = layer->GetRect();
    const std::uint8_t* px = layer->PeekImage()->Row(0);
    text += "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
            std::to_string(r.right) + "," + std::to_string(r.bottom) + " o" +
            std::to_string(layer->GetOpacity()) + " " + std::to_string(px[0]) + "." +
            std::to_string(px[1]) + "." + std::to_string(px[2]) + "]";
  }
  return text + " active " + std::to_string(stack.GetLayerIndex(stack.GetActiveLayer()));
}

}  // namespace lumora::undo_testing
