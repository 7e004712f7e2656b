// A document stand-in for the undo history tests: the live stack, the
// history fields, the selection and the history, driven as the document's
// undo steps and history dialog drive them, beside a model of the states
// they should produce. Check compares every item's name, selection and
// layers with the model, the run structure (runs share one snapshot, the
// live stack is shared exactly by the run next to the current state), and
// the reference counts of snapshots and selections.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/document/undo_support.h"

namespace lumora::undo_testing {

// What a state should be: its name, layers and selection tag (0 none).
struct ModelState {
  std::string name;
  std::string layers;
  int selection = 0;
};

class UndoRig {
 public:
  static constexpr int kWidth = 8;
  static constexpr int kHeight = 6;

  // `limit` 0: unlimited; else LimitBackup 1 with CreateBackup `limit`.
  explicit UndoRig(int limit = 0, bool copySelection = false)
      : live(CLayersManagerPtr::Adopt(new CountedStack(&lock, kWidth, kHeight))),
        history(50, &copier) {
    fields.copySelection = copySelection;
    if (limit > 0) Trim(limit, 1);
    states.push_back(Now());
  }
  // Everything the history held is released with it.
  ~UndoRig() {
    history.Clear();
    DeleteFragment(selection);
    EXPECT_EQ(ProbeFragment::alive, 0);
    EXPECT_EQ(CountedStack::alive, 1);
    EXPECT_EQ(live->GetRefCount(), 1);
  }
  UndoRig(const UndoRig&) = delete;
  UndoRig& operator=(const UndoRig&) = delete;

  // A step as the document opens it: the state is pushed under its name,
  // then the pixels or the selection change. The step is named `name`, or
  // numbered.
  bool Step(bool pixel, const std::string& name = "") {
    std::uint8_t owns = fields.currentOwns ? 1 : 0;
    if (!history.Push(fields.name, &owns, pixel, fields.copySelection, selection, live.get())) {
      return false;
    }
    fields.name = (pixel ? "Paint " : "Select ") + std::to_string(++serial_);
    if (!name.empty()) fields.name = name;
    fields.previousOwns = owns != 0;
    fields.currentOwns = pixel;
    pixel ? ChangeLayers() : ChangeSelection();
    states.resize(current + 1);
    states.push_back(Now());
    ++current;
    TrimModel();
    return true;
  }

  // A step whose work fails halfway: the push, a change, the revert. A
  // push at the limit has dropped the oldest state for good.
  bool FailedStep(bool pixel, bool* fullRefresh = nullptr) {
    if (limit_ > 0 && current == limit_) {
      states.erase(states.begin());
      --current;
    }
    std::uint8_t owns = fields.currentOwns ? 1 : 0;
    if (!history.Push(fields.name, &owns, pixel, fields.copySelection, selection, live.get())) {
      return false;
    }
    fields.name = "Failing";
    fields.previousOwns = owns != 0;
    fields.currentOwns = pixel;
    if (pixel) ChangeLayers();
    states.resize(current + 1);
    Fragment* restored = nullptr;
    CUndoManager::HistoryFields copy = fields;
    bool refresh = true;
    if (!history.RevertTop(&copy, &restored, live.get(), &refresh)) return false;
    fields = copy;
    RestoreSelection(restored);
    DeleteFragment(restored);
    if (fullRefresh != nullptr) *fullRefresh = refresh;
    return true;
  }

  bool Undo(bool* fullRefresh = nullptr) { return UndoRedo(false, fullRefresh); }
  bool Redo(bool* fullRefresh = nullptr) { return UndoRedo(true, fullRefresh); }

  // The history dialog: it copies the current state; `preview` (when >= 0)
  // is shown; on closing the current state is put back, then the jump.
  bool Jump(int index, int preview = -1) {
    CLayersManagerPtr snapshot = CLayersManagerPtr::Adopt(new CountedStack(live.get()));
    Fragment* currentSelection = ShareFragment(selection);
    if (preview >= 0) Preview(preview, snapshot.get(), currentSelection);
    live->CopyFrom(snapshot.get());
    RestoreSelection(currentSelection);
    Fragment* chosen = ShareFragment(selection);
    CUndoManager::HistoryFields copy = fields;
    const bool done =
        history.GoTo(index, &copy, &chosen, currentSelection, live.get(), snapshot.get());
    if (done) {
      fields = copy;
      RestoreSelection(chosen);
      current = index;
      TrimModel();
    }
    DeleteFragment(chosen);
    DeleteFragment(currentSelection);
    return done;
  }

  // Previews a state, checks that the live stack and the selection show it,
  // then cancels: the starting state comes back.
  void PreviewAndCancel(int index) {
    CLayersManagerPtr snapshot = CLayersManagerPtr::Adopt(new CountedStack(live.get()));
    Fragment* currentSelection = ShareFragment(selection);
    Preview(index, snapshot.get(), currentSelection);
    EXPECT_EQ(Signature(*live), states[index].layers) << "preview of " << index;
    EXPECT_EQ(TagOf(selection), states[index].selection) << "preview of " << index;
    live->CopyFrom(snapshot.get());
    RestoreSelection(currentSelection);
    DeleteFragment(currentSelection);
  }

  void Trim(int createBackup, int limitBackup) {
    history.TrimToLimit(createBackup, limitBackup);
    limit_ = limitBackup != 0 ? std::max(createBackup, 1) : 0;
    TrimModel();
  }

  // "S H F" for the undo stack (oldest first), "|", the redo stack (nearest
  // first); lower case for items that share the live stack.
  std::string Structure() const {
    std::string text;
    auto add = [&](const CBackupItem* item) {
      const char kind = item->IsRunHead() ? 'H' : item->IsFollower() ? 'F' : 'S';
      text += item->GetSnapshot() == live.get() ? static_cast<char>(kind - 'A' + 'a') : kind;
      text += ' ';
    };
    for (int i = 0; i < history.UndoCount(); ++i) add(history.UndoItem(i));
    text += '|';
    for (int i = history.RedoCount() - 1; i >= 0; --i) {
      text += ' ';
      add(history.RedoItem(i));
      text.pop_back();
    }
    return text;
  }

  // Checks the history, the live stack and the fields against the model.
  void Check(const std::string& where) const {
    SCOPED_TRACE(where + "  [" + Structure() + "]");
    const int undoCount = history.UndoCount();
    const int redoCount = history.RedoCount();
    ASSERT_EQ(undoCount, current);
    ASSERT_EQ(redoCount, static_cast<int>(states.size()) - 1 - current);
    EXPECT_EQ(fields.name, states[current].name);
    EXPECT_EQ(Signature(*live), states[current].layers);
    EXPECT_EQ(TagOf(selection), states[current].selection);
    EXPECT_EQ(live->GetMemoryLock(), 0);
    EXPECT_EQ(fields.previousOwns,
              undoCount == 0 || history.UndoItem(undoCount - 1)->OwnsSnapshot());
    for (int i = 0; i < undoCount; ++i) CheckItem(history.UndoItem(i), i);
    for (int i = 0; i < redoCount; ++i) CheckItem(history.RedoItem(i), current + redoCount - i);
    CheckRuns();
    CheckCounts();
  }

  CountingCopier copier;
  ReentrantDocumentLock lock;
  CLayersManagerPtr live;
  CUndoManager history;
  CUndoManager::HistoryFields fields;
  Fragment* selection = nullptr;

  std::vector<ModelState> states;
  int current = 0;

 private:
  bool UndoRedo(bool redo, bool* fullRefresh) {
    Fragment* chosen = ShareFragment(selection);
    CUndoManager::HistoryFields copy = fields;
    bool refresh = true;
    const bool done = redo ? history.Redo(&copy, &chosen, live.get(), &refresh)
                           : history.Undo(&copy, &chosen, live.get(), &refresh);
    if (done) {
      fields = copy;
      RestoreSelection(chosen);
      current += redo ? 1 : -1;
      TrimModel();
    }
    DeleteFragment(chosen);
    if (fullRefresh != nullptr) *fullRefresh = refresh;
    return done;
  }

  void Preview(int index, const CLayersManager* snapshot, Fragment* currentSelection) {
    Fragment* shown = nullptr;
    EXPECT_TRUE(history.GetStateAt(index, live.get(), &shown, snapshot, currentSelection));
    RestoreSelection(shown);
    DeleteFragment(shown);
  }

  // A pixel step of one of four kinds, each giving new layers.
  void ChangeLayers() {
    const int value = 16 + serial_ * 7 % 230;
    DocumentLockScope scope(&lock);
    CLayersManager& stack = *live;
    CLayer* top = stack.GetLayer(stack.GetLayerCount() - 1);
    switch (serial_ % 4) {
      case 0:
        FillLayerRect(stack.GetLayer(0), RECT{0, 0, kWidth, kHeight}, value);
        break;
      case 1: {
        const RECT rect{1, 1, 5, 4};
        LAYER_INFO info;
        info.name = "Layer";
        InitLayerInfo(info);
        CLayer* layer = new CLayer(&rect, info, kWAType24, 0);
        FillLayerRect(layer, rect, value);
        stack.AddLayer(layer);
        stack.SetActiveLayer(layer);
        layer->Release();
        break;
      }
      case 2:
        if (stack.GetLayerCount() > 1) {
          stack.DeleteLayer(top);
        } else {
          FillLayerRect(top, top->GetRect(), value);
        }
        break;
      default:
        top->SetOpacity(static_cast<std::uint8_t>(value));
        stack.SetActiveLayerByIndex(value % stack.GetLayerCount());
        break;
    }
  }

  // Every third selection step frees the selection.
  void ChangeSelection() {
    Fragment* old = selection;
    selection = serial_ % 3 == 0 ? nullptr : new ProbeFragment(serial_);
    DeleteFragment(old);
  }

  void RestoreSelection(Fragment* restored) {
    Fragment* old = selection;
    selection = ShareFragment(restored);
    DeleteFragment(old);
  }

  ModelState Now() const { return ModelState{fields.name, Signature(*live), TagOf(selection)}; }

  // The limit drops the oldest undo and the farthest redo states.
  void TrimModel() { TrimModelStates(states, current, limit_); }

  void CheckItem(const CBackupItem* item, int state) const {
    SCOPED_TRACE("state " + std::to_string(state));
    EXPECT_EQ(item->GetName(), states[state].name);
    EXPECT_EQ(TagOf(item->GetSelection()), states[state].selection);
    EXPECT_EQ(item->FragmentCopied(), fields.copySelection);
    if (item->FragmentCopied() && item->GetSelection() != nullptr) {
      EXPECT_NE(item->GetSelection(), selection);
    }
    ASSERT_NE(item->GetSnapshot(), nullptr);
    EXPECT_EQ(Signature(*item->GetSnapshot()), states[state].layers);
    if (item->GetSnapshot() != live.get()) {
      EXPECT_EQ(item->GetSnapshot()->GetMemoryLock(), 1);
    }
  }

  // Runs: one snapshot per run, distinct between runs; a lone run head
  // only next to the current state; the live stack shared by the last undo
  // run exactly while the current state has no layers of its own, and by
  // the followers at the top of the redo stack.
  void CheckRuns() const {
    std::set<const CLayersManager*> runSnapshots;
    auto newRun = [&](const CLayersManager* snapshot, const char* stack, int index) {
      if (snapshot == live.get()) return;
      EXPECT_TRUE(runSnapshots.insert(snapshot).second)
          << stack << " run at " << index << " shares a snapshot with another run";
    };
    const int undoCount = history.UndoCount();
    int lastRun = -1;
    for (int i = 0; i < undoCount;) {
      const CBackupItem* first = history.UndoItem(i);
      EXPECT_TRUE(!first->IsFollower() || undoCount == 1) << "undo run at " << i << " has no head";
      int end = i + 1;
      while (end < undoCount && history.UndoItem(end)->IsFollower()) {
        EXPECT_FALSE(first->IsSingleCopy()) << "followers after single copy " << i;
        EXPECT_EQ(history.UndoItem(end)->GetSnapshot(), first->GetSnapshot()) << "undo " << end;
        ++end;
      }
      if (first->IsRunHead() && end == i + 1) {
        EXPECT_EQ(end, undoCount) << "lone run head at " << i << " is not next to the current state";
      }
      newRun(first->GetSnapshot(), "undo", i);
      lastRun = first->IsSingleCopy() ? -1 : i;
      i = end;
    }
    for (int i = 0; i < undoCount; ++i) {
      const bool shares = history.UndoItem(i)->GetSnapshot() == live.get();
      const bool inLastRun = lastRun >= 0 && i >= lastRun;
      EXPECT_EQ(shares, inLastRun && !fields.currentOwns) << "undo " << i << " and the live stack";
    }
    int j = history.RedoCount() - 1;
    for (; j >= 0 && history.RedoItem(j)->IsFollower(); --j) {
      EXPECT_EQ(history.RedoItem(j)->GetSnapshot(), live.get()) << "redo follower " << j;
    }
    while (j >= 0) {
      const CBackupItem* first = history.RedoItem(j);
      EXPECT_NE(first->GetSnapshot(), live.get()) << "redo " << j;
      int end = j - 1;
      for (; end >= 0 && history.RedoItem(end)->IsFollower(); --end) {
        EXPECT_TRUE(first->IsRunHead()) << "redo followers below a single copy at " << j;
        EXPECT_EQ(history.RedoItem(end)->GetSnapshot(), first->GetSnapshot()) << "redo " << end;
      }
      newRun(first->GetSnapshot(), "redo", j);
      j = end;
    }
  }

  // Each snapshot is referenced once per item and once more for the live
  // stack's owner; the counted stacks alive are the live one and the
  // snapshots held; the selections alive are those held.
  void CheckCounts() const {
    std::map<const CLayersManager*, int> holders;
    std::set<const Fragment*> fragments;
    if (selection != nullptr) fragments.insert(selection);
    auto count = [&](const CBackupItem* item) {
      if (item->GetSnapshot() != nullptr) ++holders[item->GetSnapshot()];
      if (item->GetSelection() != nullptr) fragments.insert(item->GetSelection());
    };
    for (int i = 0; i < history.UndoCount(); ++i) count(history.UndoItem(i));
    for (int i = 0; i < history.RedoCount(); ++i) count(history.RedoItem(i));
    holders.emplace(live.get(), 0);
    for (const auto& [snapshot, items] : holders) {
      EXPECT_EQ(snapshot->GetRefCount(), items + (snapshot == live.get() ? 1 : 0));
    }
    EXPECT_EQ(CountedStack::alive, static_cast<int>(holders.size()));
    EXPECT_EQ(ProbeFragment::alive, static_cast<int>(fragments.size()));
  }

  int limit_ = 0;
  int serial_ = 0;
};

}  // namespace lumora::undo_testing
