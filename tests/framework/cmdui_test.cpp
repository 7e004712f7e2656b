// Enabling records: what changed, and update handlers that pass the query on.
#include <gtest/gtest.h>

#include "framework/CmdTarget.h"
#include "framework/CmdUI.h"
#include "framework/CommandRouting.h"

namespace {

TEST(CmdUIDiff, OnlyTheChangedPartsAreApplied) {
  fw::CmdUIState shown;
  fw::CmdUIState wanted = shown;
  EXPECT_FALSE(fw::DiffCmdUI(shown, wanted).Any());

  wanted.enabled = false;
  fw::CmdUIChanges c = fw::DiffCmdUI(shown, wanted);
  EXPECT_TRUE(c.enabled);
  EXPECT_FALSE(c.checked);
  EXPECT_FALSE(c.text);

  wanted = shown;
  wanted.checked = 2;
  EXPECT_TRUE(fw::DiffCmdUI(shown, wanted).checked);
  wanted = shown;
  wanted.radio = true;  // a radio mark in place of a check mark
  EXPECT_TRUE(fw::DiffCmdUI(shown, wanted).checked);

  // Text changes only when a handler set one, and then only when it differs.
  shown.text = "Undo";
  wanted = shown;
  wanted.hasText = true;
  EXPECT_FALSE(fw::DiffCmdUI(shown, wanted).text);
  wanted.text = "Undo Paint";
  EXPECT_TRUE(fw::DiffCmdUI(shown, wanted).text);
  wanted.hasText = false;
  EXPECT_FALSE(fw::DiffCmdUI(shown, wanted).text);
}

TEST(CmdUIDiff, SetCheckClampsToTheThreeStates) {
  fw::CmdUI ui(1, 0, {});
  ui.SetCheck(7);
  EXPECT_EQ(ui.State().checked, 2);
  ui.SetCheck(-1);
  EXPECT_EQ(ui.State().checked, 0);
}

class Passing : public fw::CmdTarget {
  FW_DECLARE_MESSAGE_MAP()
 public:
  fw::CmdTarget* next = nullptr;
  bool OnCmdMsg(fw::MessageArgs& a) override { return fw::RouteThrough(*this, nullptr, next, a); }
  void OnUpdate(fw::CmdUI& ui) {
    ui.SetText("from first");
    ui.ContinueRouting();
  }
};
FW_MESSAGE_MAP(Passing, fw::CmdTarget, fw::UpdateEntry<&Passing::OnUpdate>(7))

class Deciding : public fw::CmdTarget {
  FW_DECLARE_MESSAGE_MAP()
 public:
  void OnUpdate(fw::CmdUI& ui) { ui.Enable(false); }
};
FW_MESSAGE_MAP(Deciding, fw::CmdTarget, fw::UpdateEntry<&Deciding::OnUpdate>(7))

TEST(CmdUIRouting, ContinueRoutingLetsALaterTargetDecide) {
  Passing first;
  Deciding second;
  first.next = &second;
  fw::CmdUIState s = fw::QueryCommandState(first, 7, 3, {}, true);
  EXPECT_FALSE(s.enabled);
  EXPECT_EQ(s.text, "from first");

  first.next = nullptr;  // nobody decides: no command handler either, so disabled
  EXPECT_FALSE(fw::QueryCommandState(first, 7, 3, {}, true).enabled);
}

}  // namespace
