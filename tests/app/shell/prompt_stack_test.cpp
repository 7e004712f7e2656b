// Channels, priorities and deferred texts of the prompt-text stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PromptStack.h"

namespace lumora {
namespace {

TEST(PromptStack, AHigherPriorityTextHidesALowerOneUntilCleared) {
  CPromptStack stack;
  std::vector<std::string> bar;
  stack.showOnMessageBar = [&](const std::string& t) { bar.push_back(t); };
  int high = stack.Add(0, 5, false);
  int low = stack.Add(0, 1, false);
  stack.SetText(high, "moving layer");
  stack.SetText(low, "ready");
  EXPECT_EQ(stack.Current(0), "moving layer");
  stack.ClearText(high, false);
  EXPECT_EQ(stack.Current(0), "ready");
  EXPECT_EQ(bar, (std::vector<std::string>{"moving layer", "ready"}));
}

TEST(PromptStack, DeferredTextsWaitForTheNextIdlePass) {
  CPromptStack stack;
  int high = stack.Add(2, 5, false);
  int low = stack.Add(2, 1, true);
  stack.SetText(high, "tool");
  stack.SetText(low, "24-bit image");
  stack.ClearText(high, false);
  EXPECT_EQ(stack.Current(2), "tool");
  EXPECT_TRUE(stack.HasSaved());
  stack.RestoreSaved();
  EXPECT_EQ(stack.Current(2), "24-bit image");
  EXPECT_FALSE(stack.HasSaved());
}

TEST(PromptStack, ClearingTheOnlyTextShowsEmptyAndKeepLeavesIt) {
  CPromptStack stack;
  int a = stack.Add(1, 0, false);
  stack.SetText(a, "(3,4)");
  stack.ClearText(a, true);
  EXPECT_EQ(stack.Current(1), "(3,4)");
  stack.SetText(a, "(5,6)");
  stack.ClearText(a, false);
  EXPECT_EQ(stack.Current(1), "");
}

TEST(PromptStack, NullTextLeavesTheDisplayAndEqualPrioritiesPreferTheHighestIndex) {
  CPromptStack stack;
  int a = stack.Add(0, 3, false);  // the last free entry: index 15
  int b = stack.Add(0, 3, false);  // index 14
  int c = stack.Add(0, 3, false);  // index 13
  EXPECT_EQ(a, 16);
  EXPECT_EQ(b, 15);
  stack.SetText(a, "A");
  stack.SetText(b, "B");
  stack.SetText(c, "C");
  EXPECT_EQ(stack.Current(0), "C");
  stack.SetText(c, nullptr);
  EXPECT_EQ(stack.Current(0), "C");
  stack.SetText(c, "C2");
  stack.ClearText(c, false);
  EXPECT_EQ(stack.Current(0), "A");
}

TEST(PromptStack, GrowsBySixteenAndKeepsHandlesValid) {
  CPromptStack stack;
  std::vector<int> handles;
  for (int i = 0; i < 16; ++i) handles.push_back(stack.Add(1, i, false));
  EXPECT_EQ(stack.Capacity(), 16);
  int seventeenth = stack.Add(1, 100, false);
  EXPECT_EQ(stack.Capacity(), 32);
  EXPECT_EQ(seventeenth, 17);
  stack.SetText(handles[0], "first");
  EXPECT_EQ(stack.Current(1), "first");
  stack.SetText(seventeenth, "top");
  EXPECT_EQ(stack.Current(1), "top");
  stack.Remove(seventeenth);
  EXPECT_EQ(stack.Current(1), "first");
}

TEST(PromptStack, BadChannelsAndHandlesAreRefusedOrIgnored) {
  CPromptStack stack;
  EXPECT_EQ(stack.Add(3, 0, false), 0);
  EXPECT_EQ(stack.Add(-1, 0, false), 0);
  stack.SetText(0, "x");
  stack.SetText(99, "x");
  stack.ClearText(5, false);
  stack.Remove(-3);
  int h = stack.Add(0, 0, false);
  stack.Remove(h);
  stack.SetText(h, "gone");
  for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(stack.Current(ch), "");
  stack.Show(7, "ignored");
}

TEST(PromptStack, RemovingAnEntryShowsTheNextAtOnceAndRestoresSavedTexts) {
  CPromptStack stack;
  int low = stack.Add(0, 0, false);
  int deferred = stack.Add(1, 0, true);
  int high = stack.Add(0, 9, false);
  stack.SetText(low, "low");
  stack.SetText(high, "high");
  stack.SetText(deferred, "(1,2)");
  EXPECT_EQ(stack.Current(1), "");
  stack.Remove(high);
  EXPECT_EQ(stack.Current(0), "low");
  EXPECT_EQ(stack.Current(1), "(1,2)");
}

}  // namespace
}  // namespace lumora
