// Message hooks: installation notices, passes, order, consuming, and changes
// made from inside a dispatch.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hostapi/toolhost.h"

namespace {

// A hook whose behaviour is a function, logging every call as "name:msg".
struct TestHook {
  std::string name;
  std::vector<std::string>* log;
  std::function<int(const LU_MSG&, std::intptr_t*)> onMessage;
  std::uint32_t id = 0;
  std::uint32_t idFromNotice = 0;
  std::intptr_t stateAtNotice = -1;

  static int Proc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
    auto* self = static_cast<TestHook*>(context);
    self->log->push_back(self->name + ":" + std::to_string(msg->message));
    if (msg->message == kLUMsgHookInstalled) {
      self->idFromNotice = static_cast<std::uint32_t>(msg->lParam);
      self->stateAtNotice = *inOut;
    }
    if (self->onMessage && msg->message < 1000) return self->onMessage(*msg, inOut);
    return kLUHookPass;
  }

  void Install(std::uint16_t flags) {
    const LU_HOOK record{&Proc, this, flags, 0};
    id = LUSetLUHook(nullptr, &record);
  }
};

class HookTest : public ::testing::Test {
 protected:
  TestHook Make(const std::string& name) { return TestHook{name, &log, nullptr}; }
  int Offer(std::uint32_t message, int mode, std::intptr_t* result = nullptr) {
    const LU_MSG msg{nullptr, message, 0, 0};
    return LUIsSomethingInterest(nullptr, &msg, mode, result);
  }
  std::vector<std::string> log;
};

TEST_F(HookTest, InstallSendsTheIdThenRemoveSends1225AndSilence) {
  TestHook a = Make("a"), b = Make("b");
  a.Install(kLUPassQueue);
  b.Install(kLUPassQueue);
  EXPECT_NE(a.id, 0u);
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(a.idFromNotice, a.id);
  EXPECT_EQ(a.stateAtNotice, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"a:1224", "b:1224"}));

  EXPECT_EQ(LURemoveLUHook(nullptr, a.id), 1);
  EXPECT_EQ(log.back(), "a:1225");
  EXPECT_EQ(LURemoveLUHook(nullptr, a.id), 0) << "an id is removed once";
  log.clear();
  Offer(512, kLUPassQueue);
  EXPECT_EQ(log, (std::vector<std::string>{"b:512"}));

  TestHook c = Make("c");
  c.Install(kLUPassQueue);
  EXPECT_GT(c.id, b.id) << "ids are never reused";
  LURemoveLUHook(nullptr, b.id);
  LURemoveLUHook(nullptr, c.id);
  const LU_HOOK empty{nullptr, nullptr, 1, 0};
  EXPECT_EQ(LUSetLUHook(nullptr, &empty), 0u);
  EXPECT_EQ(LUSetLUHook(nullptr, nullptr), 0u);
}

TEST_F(HookTest, PassesReachOnlyHooksWithTheirBitNewestFirstUntilOneConsumes) {
  TestHook app = Make("app"), view = Make("view"), tool = Make("tool"), pane = Make("pane");
  app.Install(kLUPassMainFrame | kLUPassView);  // the application's hooks take everything
  app.onMessage = [](const LU_MSG&, std::intptr_t* word) {
    *word = 77;
    return kLUHookHandled;
  };
  view.Install(kLUPassView);
  tool.Install(kLUPassQueue | kLUPassMainFrame | kLUPassView);
  tool.onMessage = [&](const LU_MSG& m, std::intptr_t*) {
    return m.message == 513 ? kLUHookHandled : kLUHookPass;
  };
  pane.Install(kLUPassPane);
  log.clear();

  struct Case {
    std::uint32_t message;
    int mode;
    int consumed;
    std::intptr_t result;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {512, kLUPassView, 1, 77, {"tool:512", "view:512", "app:512"}},
      {512, kLUPassMainFrame, 1, 77, {"tool:512", "app:512"}},
      {512, kLUPassQueue, 0, -5, {"tool:512"}},
      {513, kLUPassView, 1, kLUPassView, {"tool:513"}},  // the word as left: the pass it held on entry
      {512, kLUPassPane, 0, -5, {"pane:512"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.message) + " mode " + std::to_string(c.mode));
    log.clear();
    std::intptr_t result = -5;
    EXPECT_EQ(Offer(c.message, c.mode, &result), c.consumed);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(log, c.calls);
  }
  for (TestHook* h : {&app, &view, &tool, &pane}) LURemoveLUHook(nullptr, h->id);
}

TEST_F(HookTest, ChangesDuringADispatch) {
  TestHook older = Make("older"), remover = Make("remover"), adder = Make("adder");
  TestHook added = Make("added");
  older.Install(kLUPassQueue);
  remover.Install(kLUPassQueue);
  adder.Install(kLUPassQueue);
  adder.onMessage = [&](const LU_MSG&, std::intptr_t*) {
    if (added.id == 0) added.Install(kLUPassQueue);
    return kLUHookPass;
  };
  remover.onMessage = [&](const LU_MSG&, std::intptr_t*) {
    LURemoveLUHook(nullptr, older.id);
    return kLUHookPass;
  };
  log.clear();
  Offer(512, kLUPassQueue);
  // The hook added during the dispatch got only its notice; the one removed
  // during it was not called after its 1225.
  EXPECT_EQ(log, (std::vector<std::string>{"adder:512", "added:1224", "remover:512", "older:1225"}));
  log.clear();
  Offer(512, kLUPassQueue);
  EXPECT_EQ(log, (std::vector<std::string>{"added:512", "adder:512", "remover:512"}));
  for (TestHook* h : {&remover, &adder, &added}) LURemoveLUHook(nullptr, h->id);
}

TEST_F(HookTest, NestedDispatchFromInsideAHook) {
  TestHook outer = Make("outer"), inner = Make("inner");
  inner.Install(kLUPassQueue | kLUPassView);
  outer.Install(kLUPassQueue);
  inner.onMessage = [&](const LU_MSG& m, std::intptr_t* word) {
    if (m.message != 600) return kLUHookPass;
    *word = 42;
    // A hook removing itself inside the nested pass is not called again by
    // the outer one.
    LURemoveLUHook(nullptr, inner.id);
    return kLUHookHandled;
  };
  std::intptr_t nestedResult = 0;
  int nestedConsumed = -1;
  outer.onMessage = [&](const LU_MSG& m, std::intptr_t*) {
    if (m.message == 512) nestedConsumed = Offer(600, kLUPassView, &nestedResult);
    return kLUHookPass;
  };
  log.clear();
  EXPECT_EQ(Offer(512, kLUPassQueue), 0);
  EXPECT_EQ(nestedConsumed, 1);
  EXPECT_EQ(nestedResult, 42);
  EXPECT_EQ(log, (std::vector<std::string>{"outer:512", "inner:600", "inner:1225"}));
  LURemoveLUHook(nullptr, outer.id);
}

TEST_F(HookTest, AHookRemovedDuringItsInstallNoticeNeverRuns) {
  TestHook shy = Make("shy");
  const LU_HOOK record{[](void*, const LU_MSG* msg, void* context, std::intptr_t*) {
                         auto* self = static_cast<TestHook*>(context);
                         self->log->push_back(self->name + ":" + std::to_string(msg->message));
                         if (msg->message == kLUMsgHookInstalled) LURemoveLUHook(nullptr, static_cast<std::uint32_t>(msg->lParam));
                         return kLUHookHandled;
                       },
                       &shy, kLUPassQueue, 0};
  const std::uint32_t id = LUSetLUHook(nullptr, &record);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(Offer(512, kLUPassQueue), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"shy:1224", "shy:1225"}));
}

}  // namespace
