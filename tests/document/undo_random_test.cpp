// Seeded random walks through the undo history (steps, failed steps, undo,
// redo, jumps with and without preview, limit changes), every state checked
// against the model after every operation.
#include <gtest/gtest.h>

#include <random>

#include "tests/document/undo_rig.h"

namespace lumora::undo_testing {
namespace {

struct Walk {
  unsigned seed;
  int limit;  // 0 unlimited
  bool copySelection;
};

void PrintTo(const Walk& w, std::ostream* os) {
  *os << "seed " << w.seed << ", limit " << w.limit << (w.copySelection ? ", copied" : "");
}

class UndoWalk : public ::testing::TestWithParam<Walk> {};

TEST_P(UndoWalk, EveryStateKeepsItsLayersSelectionAndName) {
  const Walk walk = GetParam();
  std::mt19937 rng(walk.seed);
  UndoRig rig(walk.limit, walk.copySelection);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int op = 0; op < 300; ++op) {
    const int kind = pick(20);
    std::string what;
    if (kind < 5) {
      what = "pixel step";
      ASSERT_TRUE(rig.Step(true));
    } else if (kind < 9) {
      what = "selection step";
      ASSERT_TRUE(rig.Step(false));
    } else if (kind < 12) {
      what = "undo";
      EXPECT_EQ(rig.Undo(), rig.current > 0);
    } else if (kind < 15) {
      what = "redo";
      EXPECT_EQ(rig.Redo(), rig.current + 1 < static_cast<int>(rig.states.size()));
    } else if (kind < 17) {
      const int size = static_cast<int>(rig.states.size());
      const int target = pick(size);
      const int preview = pick(3) == 0 ? -1 : pick(size);
      what = "jump to " + std::to_string(target) + " after previewing " + std::to_string(preview);
      EXPECT_EQ(rig.Jump(target, preview), target != rig.current);
    } else if (kind < 18) {
      const int target = pick(static_cast<int>(rig.states.size()));
      what = "preview of " + std::to_string(target);
      rig.PreviewAndCancel(target);
    } else if (kind < 19) {
      what = "failed step";
      ASSERT_TRUE(rig.FailedStep(pick(2) == 0));
    } else if (walk.limit > 0) {
      what = "limit change";
      rig.Trim(1 + pick(walk.limit + 2), 1);
    } else {
      what = "selection step";
      ASSERT_TRUE(rig.Step(false));
    }
    rig.Check("op " + std::to_string(op) + ": " + what);
    if (::testing::Test::HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoWalk,
                         ::testing::Values(Walk{1, 0, false}, Walk{2, 0, true}, Walk{3, 0, false},
                                           Walk{4, 1, false}, Walk{5, 2, false}, Walk{6, 3, true},
                                           Walk{7, 5, false}, Walk{8, 4, false}, Walk{9, 2, true},
                                           Walk{10, 0, false}));

}  // namespace
}  // namespace lumora::undo_testing
