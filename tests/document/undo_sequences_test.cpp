// Sequences of steps, undo, redo, reverts, jumps and limits: the run
// structure each leaves (which items own, share or follow a snapshot, and
// which share the live stack) and how many snapshots it copied, with every
// state checked against the model after every operation.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/document/undo_rig.h"

namespace lumora::undo_testing {
namespace {

// Operations, separated by spaces: P a pixel step, S a selection step, p / s
// the same steps failing after their push (reverted), u undo, r redo, gN a
// jump to list index N, gN.M the same after previewing M, LN the limit N
// (LimitBackup 1, CreateBackup N), U no limit.
void Perform(UndoRig& rig, const std::string& ops) {
  std::istringstream in(ops);
  std::string op;
  while (in >> op) {
    bool done = true;
    switch (op[0]) {
      case 'P': done = rig.Step(true); break;
      case 'S': done = rig.Step(false); break;
      case 'p': done = rig.FailedStep(true); break;
      case 's': done = rig.FailedStep(false); break;
      case 'u': done = rig.Undo(); break;
      case 'r': done = rig.Redo(); break;
      case 'g': {
        const std::size_t dot = op.find('.');
        const int index = std::stoi(op.substr(1, dot));
        done = rig.Jump(index, dot == std::string::npos ? -1 : std::stoi(op.substr(dot + 1)));
        break;
      }
      case 'L': rig.Trim(std::stoi(op.substr(1)), 1); break;
      case 'U': rig.Trim(10, 0); break;
      default: FAIL() << "unknown operation " << op;
    }
    ASSERT_TRUE(done) << op;
    rig.Check("after " + op + " of " + ops);
    if (::testing::Test::HasFailure()) return;
  }
}

struct Sequence {
  const char* ops;
  const char* structure;  // undo stack oldest first | redo stack nearest first
  int copies;             // snapshots the history copied
};

void PrintTo(const Sequence& s, std::ostream* os) { *os << "\"" << s.ops << "\""; }

class UndoSequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(UndoSequence, LeavesItsRunsAndCopies) {
  const Sequence& s = GetParam();
  UndoRig rig;
  Perform(rig, s.ops);
  EXPECT_EQ(rig.Structure(), s.structure);
  EXPECT_EQ(rig.copier.copies, s.copies);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UndoSequence,
    ::testing::Values(
        // A selection step shares the live stack; a pixel step copies it.
        Sequence{"S", "h |", 0}, Sequence{"S S", "h f |", 0}, Sequence{"P", "S |", 1},
        Sequence{"P P", "S S |", 2},
        // Brush, select, select, brush: a single copy, then a run of three
        // sharing the snapshot taken just before the second brush step.
        Sequence{"P S S P", "S H F F |", 2},
        // Undoing a pixel step saves the current layers and gives the run
        // the live stack back; undoing selection steps copies nothing.
        Sequence{"P S S P u", "S h f | S", 3}, Sequence{"P S S P u u", "S h | f S", 3},
        Sequence{"P S S P u u u", "S | f f S", 3},
        // Undoing into the single copy: the followers move to the copy of
        // the state they followed, which heads them.
        Sequence{"P S S P u u u u", "| H F F S", 4},
        Sequence{"P S S P u u u u r", "S | f f S", 5},
        Sequence{"P S S P u u u u r r r r", "S H F F |", 6},
        // A new step after an undo empties the redo stack.
        Sequence{"P P u S", "S h |", 3},
        // Jumps: back past a pixel step, and inside a run that shares the
        // live stack (no copy at all).
        Sequence{"P S S P g0", "| H F F S", 3}, Sequence{"S S S g1", "h | f f", 0},
        Sequence{"S S S g1.0", "h | f f", 0},
        // Back from a pixel step into a run: the run shares the live stack
        // again and its former copy goes.
        Sequence{"S S P g1.3", "h | f S", 2},
        // Reverting a failed step restores its saved state.
        Sequence{"P p", "S |", 2}, Sequence{"S s", "h |", 0}, Sequence{"S p", "h |", 1}),
    [](const ::testing::TestParamInfo<Sequence>& info) {
      return "Case" + std::to_string(info.index);
    });

INSTANTIATE_TEST_SUITE_P(
    Limits, UndoSequence,
    ::testing::Values(
        // CreateBackup 0 keeps one step: every push deletes the previous one.
        Sequence{"L0 P P P", "S |", 3}, Sequence{"L0 S S S", "h |", 0},
        // The eleventh push of ten deletes the oldest; the first remaining
        // item becomes the run head.
        Sequence{"L10 S S S S S S S S S S S", "h f f f f f f f f f |", 0},
        // The oldest item of a run goes; its follower takes over as head.
        Sequence{"L3 P S S P", "H F F |", 2}, Sequence{"L2 P S S P", "H F |", 2},
        // Lowering the limit trims both stacks.
        Sequence{"P P P P u u L1", "S | S", 6},
        // Jumping forward with a full undo stack lands on the chosen state.
        Sequence{"P P P P u u L2 g3", "S S | S", 7}, Sequence{"P P P P u u L2 g4", "S S |", 7},
        // Undo with a full redo stack drops the farthest state.
        Sequence{"P P P u u L2 u", "| S S", 6}),
    [](const ::testing::TestParamInfo<Sequence>& info) {
      return "Case" + std::to_string(info.index);
    });

}  // namespace
}  // namespace lumora::undo_testing
