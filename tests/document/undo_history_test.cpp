// The history list and names, previews, jumps that do nothing, the restore
// source of the erase brush, refresh reporting, selections copied or
// shared, limits, and operations that fail (copies and restores refused,
// memory running out) leaving everything as it was.
#include <gtest/gtest.h>

#include "tests/document/undo_rig.h"

namespace lumora::undo_testing {
namespace {

// Pixel memory capped at what is in use (plus a byte: 0 means no cap).
class MemoryCap {
 public:
  MemoryCap() { VrWA2000::WA::MM_SetMemoryLimits(VrWA2000::WA::MM_BytesInUse() + 1); }
  ~MemoryCap() { VrWA2000::WA::MM_SetMemoryLimits(0); }
};

TEST(UndoHistoryList, ListsUndoNamesTheCurrentNameThenRedoNames) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true, "Brush"));
  ASSERT_TRUE(rig.Step(false, "Set Selection"));
  ASSERT_TRUE(rig.Step(true, "Fill"));
  ASSERT_TRUE(rig.Undo());
  std::vector<std::string> list{"stale"};
  EXPECT_EQ(rig.history.GetHistory(&list, rig.fields.name), 2);
  EXPECT_EQ(list, (std::vector<std::string>{"Initial image", "Brush", "Set Selection", "Fill"}));

  std::string name = "stale";
  EXPECT_TRUE(rig.history.GetName(1, &name, true));
  EXPECT_EQ(name, "Brush");
  EXPECT_TRUE(rig.history.GetName(0, &name, false));
  EXPECT_EQ(name, "Fill");
  EXPECT_FALSE(rig.history.GetName(2, &name, true));
  EXPECT_EQ(name, "");
  EXPECT_FALSE(rig.history.GetName(-1, &name, false));
}

TEST(UndoHistoryList, PreviewShowsEachStateAndCancelPutsTheCurrentOneBack) {
  UndoRig rig;
  for (bool pixel : {true, false, false, true, false}) ASSERT_TRUE(rig.Step(pixel));
  ASSERT_TRUE(rig.Undo());
  ASSERT_TRUE(rig.Undo());
  const int copies = rig.copier.copies;
  for (int i = 0; i < static_cast<int>(rig.states.size()); ++i) {
    rig.PreviewAndCancel(i);
    rig.Check("after previewing " + std::to_string(i));
  }
  EXPECT_EQ(rig.copier.copies, copies);
  Fragment* shown = nullptr;
  EXPECT_FALSE(rig.history.GetStateAt(static_cast<int>(rig.states.size()), rig.live.get(), &shown,
                                      rig.live.get(), rig.selection));
  EXPECT_EQ(shown, nullptr);
}

TEST(UndoHistoryList, JumpingToTheCurrentStateOrOutOfRangeDoesNothing) {
  UndoRig rig;
  for (bool pixel : {true, false, true}) ASSERT_TRUE(rig.Step(pixel));
  ASSERT_TRUE(rig.Undo());
  const std::string before = rig.Structure();
  const int copies = rig.copier.copies;
  EXPECT_FALSE(rig.Jump(rig.current));
  EXPECT_FALSE(rig.Jump(static_cast<int>(rig.states.size())));
  EXPECT_FALSE(rig.Jump(-1));
  EXPECT_EQ(rig.Structure(), before);
  EXPECT_EQ(rig.copier.copies, copies);
  rig.Check("after the refused jumps");
}

TEST(UndoRefresh, OnlyStepsThatRestoreLayersAskForAFullRefresh) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true));
  ASSERT_TRUE(rig.Step(false));
  const int restores = rig.copier.restores;
  bool full = true;
  ASSERT_TRUE(rig.Undo(&full));  // the selection step: layers untouched
  EXPECT_FALSE(full);
  EXPECT_EQ(rig.copier.restores, restores);
  ASSERT_TRUE(rig.Undo(&full));
  EXPECT_TRUE(full);
  ASSERT_TRUE(rig.Redo(&full));
  EXPECT_TRUE(full);
  ASSERT_TRUE(rig.Redo(&full));
  EXPECT_FALSE(full);
  EXPECT_FALSE(rig.Redo(&full));
  ASSERT_TRUE(rig.FailedStep(true, &full));
  EXPECT_TRUE(full);
  ASSERT_TRUE(rig.FailedStep(false, &full));
  EXPECT_FALSE(full);
  rig.Check("after the refreshes");
}

TEST(UndoSelection, ItemsCopyTheSelectionOnlyWhenAsked) {
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "copied" : "shared");
    UndoRig rig(0, copy);
    ASSERT_TRUE(rig.Step(false));
    ASSERT_NE(rig.selection, nullptr);
    Fragment* atPush = rig.selection;
    const int tag = TagOf(atPush);
    ASSERT_TRUE(rig.Step(false));
    const CBackupItem* item = rig.history.UndoItem(rig.history.UndoCount() - 1);
    EXPECT_EQ(item->GetSelection() != atPush, copy);
    EXPECT_EQ(TagOf(item->GetSelection()), tag);
    ASSERT_TRUE(rig.Undo());
    EXPECT_EQ(TagOf(rig.selection), tag);
    rig.Check("after the undo");
  }
}

TEST(UndoLimit, WithoutTheLimitFlagTheStacksGrowWhateverTheCount) {
  UndoRig rig;
  rig.Trim(1, 0);
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(rig.Step(i % 3 == 0));
  EXPECT_EQ(rig.history.UndoCount(), 60);
  EXPECT_FALSE(rig.history.IsLimited());
  for (int i = 0; i < 55; ++i) ASSERT_TRUE(rig.Undo());
  EXPECT_EQ(rig.history.RedoCount(), 55);
  rig.Check("after growing");
}

// ---- The erase brush's restore source ----

const CLayersManager* Source(const UndoRig& rig) {
  return rig.history.FindRestoreSource(rig.fields.name, rig.fields.currentOwns);
}

std::string LayersOf(const UndoRig& rig, const CLayersManager* source) {
  return source != nullptr ? Signature(*source) : "none";
}

TEST(UndoRestoreSource, ErasingAfterErasingRestoresFromBeforeTheLastOtherStep) {
  UndoRig rig;
  EXPECT_EQ(Source(rig), nullptr);
  ASSERT_TRUE(rig.Step(true, "Brush"));
  ASSERT_TRUE(rig.Step(true, "Erase"));
  ASSERT_TRUE(rig.Step(true, "Erase"));
  EXPECT_EQ(LayersOf(rig, Source(rig)), rig.states[0].layers);
}

TEST(UndoRestoreSource, APixelStepRestoresFromTheStateBeforeIt) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true, "Brush"));
  ASSERT_TRUE(rig.Step(false, "Set Selection"));
  ASSERT_TRUE(rig.Step(true, "Fill"));
  // The state before the fill shares its layers with the brush's state.
  EXPECT_EQ(LayersOf(rig, Source(rig)), rig.states[1].layers);
}

TEST(UndoRestoreSource, ASelectionStepRestoresFromBeforeThePixelStepItFollows) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true, "Brush"));
  ASSERT_TRUE(rig.Step(true, "Fill"));
  ASSERT_TRUE(rig.Step(false, "Set Selection"));
  EXPECT_EQ(LayersOf(rig, Source(rig)), rig.states[1].layers);
}

TEST(UndoRestoreSource, ASelectionStepAfterErasingPassesTheErasingOver) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true, "Brush"));
  ASSERT_TRUE(rig.Step(true, "Erase"));
  ASSERT_TRUE(rig.Step(false, "Set Selection"));
  EXPECT_EQ(LayersOf(rig, Source(rig)), rig.states[0].layers);
}

// ---- Failures leave everything as it was ----

TEST(UndoFailure, WithoutMemoryForACopyNothingChanges) {
  UndoRig rig;
  for (bool pixel : {true, true, false, true}) ASSERT_TRUE(rig.Step(pixel));
  ASSERT_TRUE(rig.Undo());
  ASSERT_TRUE(rig.Undo());  // the selection step: its redo item shares the live stack
  ASSERT_TRUE(rig.Undo());
  const std::string before = rig.Structure();
  {
    MemoryCap cap;
    EXPECT_FALSE(rig.Step(true));  // the push keeps the redo states
    EXPECT_FALSE(rig.Undo());
    EXPECT_FALSE(rig.Redo());
  }
  rig.copier.refuseCopies = true;
  EXPECT_FALSE(rig.Jump(0));
  rig.Check("after the refusals");
  EXPECT_EQ(rig.Structure(), before);
  // Steps and moves that copy nothing still work.
  {
    MemoryCap cap;
    ASSERT_TRUE(rig.Step(false));
    ASSERT_TRUE(rig.Undo());
  }
  rig.Check("after a selection step and its undo");
}

TEST(UndoFailure, ALayerStackThatCannotBeRestoredFailsTheMoveCleanly) {
  UndoRig rig;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(rig.Step(true));
  ASSERT_TRUE(rig.Undo());
  const std::string before = rig.Structure();
  const int copies = rig.copier.copies;
  rig.copier.refuseRestores = true;
  EXPECT_FALSE(rig.Undo());
  EXPECT_FALSE(rig.Redo());
  EXPECT_FALSE(rig.Jump(3));
  Fragment* shown = nullptr;
  EXPECT_FALSE(rig.history.GetStateAt(0, rig.live.get(), &shown, rig.live.get(), nullptr));
  EXPECT_EQ(shown, nullptr);
  rig.Check("after the refused restores");
  EXPECT_EQ(rig.Structure(), before);
  // The copies made for the refused moves are gone again.
  EXPECT_GT(rig.copier.copies, copies);
  rig.copier.refuseRestores = false;
  ASSERT_TRUE(rig.Jump(3));
  rig.Check("after the jump");
}

TEST(UndoFailure, ARevertThatCannotRestoreKeepsTheSavedState) {
  UndoRig rig;
  ASSERT_TRUE(rig.Step(true));
  std::uint8_t owns = 1;
  ASSERT_TRUE(
      rig.history.Push(rig.fields.name, &owns, true, false, rig.selection, rig.live.get()));
  CUndoManager::HistoryFields fields = rig.fields;
  fields.name = "Failing";
  Fragment* restored = nullptr;
  bool full = false;
  // A restore shares the snapshot's buffers, so only a refusing copier
  // makes it fail.
  rig.copier.refuseRestores = true;
  EXPECT_FALSE(rig.history.RevertTop(&fields, &restored, rig.live.get(), &full));
  rig.copier.refuseRestores = false;
  EXPECT_EQ(restored, nullptr);
  EXPECT_EQ(fields.name, "Failing");
  EXPECT_EQ(rig.history.UndoCount(), 2);
  ASSERT_TRUE(rig.history.RevertTop(&fields, &restored, rig.live.get(), &full));
  EXPECT_EQ(fields.name, rig.states[1].name);
  DeleteFragment(restored);
  rig.Check("after the revert");
  EXPECT_FALSE(rig.history.RevertTop(&fields, &restored, nullptr, &full));
}

}  // namespace
}  // namespace lumora::undo_testing
