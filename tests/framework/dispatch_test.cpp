// Message tables, the dispatcher and command routing with fake targets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/CmdTarget.h"
#include "framework/CmdUI.h"
#include "framework/CommandRouting.h"

namespace {

using Log = std::vector<std::string>;

class BaseTarget : public fw::CmdTarget {
  FW_DECLARE_MESSAGE_MAP()
 public:
  explicit BaseTarget(Log* log, std::string name) : log_(log), name_(std::move(name)) {}
  void OnShared() { log_->push_back(name_ + ".base.shared"); }
  void OnBaseOnly() { log_->push_back(name_ + ".base.only"); }
  LRESULT OnSize(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w + l); }

 protected:
  Log* log_;
  std::string name_;
};

FW_MESSAGE_MAP(BaseTarget, fw::CmdTarget, fw::CommandEntry<&BaseTarget::OnShared>(100),
               fw::CommandEntry<&BaseTarget::OnBaseOnly>(101), fw::WindowMessageEntry<&BaseTarget::OnSize>(0x0005))

class Derived : public BaseTarget {
  FW_DECLARE_MESSAGE_MAP()
 public:
  using BaseTarget::BaseTarget;
  void OnShared() { log_->push_back(name_ + ".derived.shared"); }
  void OnRange(std::uint32_t id) { log_->push_back(name_ + ".range." + std::to_string(id)); }
  bool OnMaybe(std::uint32_t id) {
    log_->push_back(name_ + ".maybe." + std::to_string(id));
    return id != 301;
  }
  void OnUpdateShared(fw::CmdUI& ui) { ui.SetCheck(1); ui.Enable(sharedEnabled); }
  void OnClicked() { log_->push_back(name_ + ".clicked"); }
  bool sharedEnabled = true;
};

FW_MESSAGE_MAP(Derived, BaseTarget, fw::CommandEntry<&Derived::OnShared>(100),
               fw::CommandRangeEntry<&Derived::OnRange>(200, 210), fw::CommandExEntry<&Derived::OnMaybe>(300, 301),
               fw::UpdateEntry<&Derived::OnUpdateShared>(100), fw::ControlEntry<&Derived::OnClicked>(0, 400))

TEST(MessageMap, DerivedEntriesWinAndBaseEntriesAreInherited) {
  Log log;
  Derived t(&log, "d");
  EXPECT_TRUE(t.RouteCommand(100));
  EXPECT_TRUE(t.RouteCommand(101));
  EXPECT_FALSE(t.RouteCommand(102));
  EXPECT_EQ(log, (Log{"d.derived.shared", "d.base.only"}));
}

TEST(MessageMap, RangesPassTheIdAndDecliningHandlersLetTheRouteGoOn) {
  Log log;
  Derived t(&log, "d");
  EXPECT_TRUE(t.RouteCommand(200));
  EXPECT_TRUE(t.RouteCommand(210));
  EXPECT_FALSE(t.RouteCommand(211));
  EXPECT_TRUE(t.RouteCommand(300));
  EXPECT_FALSE(t.RouteCommand(301));
  EXPECT_EQ(log, (Log{"d.range.200", "d.range.210", "d.maybe.300", "d.maybe.301"}));
}

TEST(MessageMap, WindowMessagesAndControlNotificationsMatchOnMessageAndCode) {
  Log log;
  Derived t(&log, "d");
  fw::MessageArgs size{0x0005, 0, 0, 3, 4};
  EXPECT_TRUE(fw::DispatchToMap(t, size));
  EXPECT_EQ(size.result, 7);
  EXPECT_TRUE(t.RouteCommand(400, 0));
  EXPECT_FALSE(t.RouteCommand(400, 0x0300));  // EN_CHANGE from the same id: no handler
  EXPECT_EQ(log, (Log{"d.clicked"}));
}

TEST(MessageMap, ProbingFindsHandlersWithoutCallingThem) {
  Log log;
  Derived t(&log, "d");
  EXPECT_TRUE(t.HasCommandHandler(101));
  EXPECT_TRUE(t.HasCommandHandler(205));
  EXPECT_FALSE(t.HasCommandHandler(999));
  EXPECT_TRUE(log.empty());
}

// A chain of fake targets: view → document → child → main frame → app.
struct Route {
  Log log;
  BaseTarget app{&log, "app"};
  BaseTarget document{&log, "doc"};
  struct View : BaseTarget {
    using BaseTarget::BaseTarget;
    fw::CmdTarget* doc = nullptr;
    bool OnCmdMsg(fw::MessageArgs& a) override { return fw::RouteThrough(*this, nullptr, doc, a); }
  } view{&log, "view"};
  struct Frame : Derived {
    using Derived::Derived;
    fw::CmdTarget* front = nullptr;
    fw::CmdTarget* behind = nullptr;
    bool OnCmdMsg(fw::MessageArgs& a) override { return fw::RouteThrough(*this, front, behind, a); }
  } child{&log, "child"}, main{&log, "main"};
  Route() {
    view.doc = &document;
    child.front = &view;
    main.front = &child;
    main.behind = &app;
  }
};

class OnlyInApp : public BaseTarget {
  FW_DECLARE_MESSAGE_MAP()
 public:
  using BaseTarget::BaseTarget;
  void OnAppCommand() { log_->push_back(name_ + ".appcommand"); }
};
FW_MESSAGE_MAP(OnlyInApp, BaseTarget, fw::CommandEntry<&OnlyInApp::OnAppCommand>(500))

TEST(CommandRouting, TheFrontmostTargetWithAHandlerTakesTheCommand) {
  Route r;
  // Base handlers exist in every target: the view is asked first.
  EXPECT_TRUE(r.main.RouteCommand(101));
  // Only frames (Derived) handle 200: the child frame comes before the main frame.
  EXPECT_TRUE(r.main.RouteCommand(200));
  EXPECT_EQ(r.log, (Log{"view.base.only", "child.range.200"}));
}

TEST(CommandRouting, CommandsNoWindowHandlesReachTheApp) {
  Route r;
  OnlyInApp app(&r.log, "app");
  r.main.behind = &app;
  EXPECT_TRUE(r.main.RouteCommand(500));
  EXPECT_FALSE(r.main.RouteCommand(501));
  EXPECT_EQ(r.log, (Log{"app.appcommand"}));
}

TEST(CommandRouting, AnOverriddenStepChangesTheOrder) {
  Route r;
  // A document that hands everything to the app before its own table.
  struct Forwarding : BaseTarget {
    using BaseTarget::BaseTarget;
    fw::CmdTarget* to = nullptr;
    bool OnCmdMsg(fw::MessageArgs& a) override { return to->OnCmdMsg(a) || fw::DispatchToMap(*this, a); }
  } doc(&r.log, "fwddoc");
  OnlyInApp app(&r.log, "app");
  doc.to = &app;
  r.view.doc = &doc;
  // The view's own table wins over the document for 101, but 500 goes to
  // the app through the document, before either frame is asked.
  EXPECT_TRUE(r.child.RouteCommand(500));
  EXPECT_TRUE(r.child.RouteCommand(101));
  EXPECT_EQ(r.log, (Log{"app.appcommand", "view.base.only"}));
}

TEST(CommandRouting, EnablingQueriesTakeTheSameRoute) {
  Route r;
  r.child.sharedEnabled = false;
  fw::CmdUIState s = fw::QueryCommandState(r.main, 100, 0, {}, true);
  EXPECT_FALSE(s.enabled);  // the child frame's update handler, first on the route
  EXPECT_EQ(s.checked, 1);
  // No update handler: enabled when some target handles the command.
  EXPECT_TRUE(fw::QueryCommandState(r.main, 205, 0, {}, true).enabled);
  EXPECT_FALSE(fw::QueryCommandState(r.main, 999, 0, {}, true).enabled);
  // Without auto-disabling the item keeps its state.
  EXPECT_TRUE(fw::QueryCommandState(r.main, 999, 0, {}, false).enabled);
  EXPECT_TRUE(r.log.empty()) << "enabling must not run command handlers";
}

}  // namespace

#include "framework/RuntimeClass.h"

namespace {

class Shape : public fw::CmdTarget {
  FW_DECLARE_DYNAMIC(Shape)
};
FW_IMPLEMENT_DYNAMIC(Shape, fw::CmdTarget)

class Circle : public Shape {
  FW_DECLARE_DYNCREATE(Circle)
};
FW_IMPLEMENT_DYNCREATE(Circle, Shape)

TEST(RuntimeClass, ClassesAreMadeByNameAndKnowTheirBases) {
  const fw::RuntimeClass* rc = fw::FindRuntimeClass("Circle");
  ASSERT_NE(rc, nullptr);
  std::unique_ptr<fw::Object> made(rc->CreateObject());
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(Shape::kRuntimeClass));
  EXPECT_TRUE(made->IsKindOf(fw::CmdTarget::kRuntimeClass));
  EXPECT_FALSE(Shape().IsKindOf(Circle::kRuntimeClass));
  // A class without a creator is known but cannot be made by name.
  ASSERT_NE(fw::FindRuntimeClass("Shape"), nullptr);
  EXPECT_EQ(fw::FindRuntimeClass("Shape")->CreateObject(), nullptr);
  EXPECT_EQ(fw::FindRuntimeClass("NoSuchClass"), nullptr);
}

}  // namespace
