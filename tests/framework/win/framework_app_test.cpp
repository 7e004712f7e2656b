// The framework under Wine: an MDI frame with two document types, a scroll
// view, a toolbar, a status bar, a modal dialog and a property sheet,
// driven by messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/CommandIds.h"
#include "framework/win/App.h"
#include "framework/win/CommonDialogs.h"
#include "framework/win/ControlBars.h"
#include "framework/win/Dialog.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "framework/win/ModuleStrings.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/RecentFileListWin32.h"
#include "tests/support/win/pump_messages.h"

// After windows.h: the ids of the file dialog's controls.
#include <dlgs.h>

namespace {

constexpr std::uint32_t kMainFrame = 100, kSketch = 200, kNote = 201, kValueDialog = 300;
constexpr std::uint32_t kPage1 = 400, kPage2 = 401, kToggle = 32800, kNever = 32801;

class TestApp : public fw::App {
 public:
  TestApp() : fw::App("Framework Test") {}
  std::vector<std::string> boxes;
  std::deque<int> answers;
  int idleCalls = 0;
  int DoMessageBox(const std::string& text, UINT, std::uint32_t) override {
    boxes.push_back(text);
    if (answers.empty()) return IDOK;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  bool OnIdle(int count) override {
    ++idleCalls;
    return fw::App::OnIdle(count);
  }
};

class SketchDoc : public fw::Document {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(SketchDoc)
 public:
  bool flag = false;
  std::vector<std::string> saved;
  void OnToggle() {
    flag = !flag;
    SetModifiedFlag(true);
  }
  void OnUpdateToggle(fw::CmdUI& ui) { ui.SetCheck(flag ? 1 : 0); }
  bool OnSaveDocument(const std::string& path) override {
    saved.push_back(path);
    return fw::Document::OnSaveDocument(path);
  }
  // A sketch file must exist to open.
  bool OnOpenDocument(const std::string& path) override {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return fw::Document::OnOpenDocument(path);
  }
};
FW_IMPLEMENT_DYNCREATE(SketchDoc, fw::Document)
FW_MESSAGE_MAP(SketchDoc, fw::Document, fw::CommandEntry<&SketchDoc::OnToggle>(kToggle),
               fw::UpdateEntry<&SketchDoc::OnUpdateToggle>(kToggle))

class NoteDoc : public fw::Document {
  FW_DECLARE_DYNCREATE(NoteDoc)
};
FW_IMPLEMENT_DYNCREATE(NoteDoc, fw::Document)

// A document whose open, like one waiting under a message box, sees its
// window or the program closed meanwhile.
class ClosedWhileOpeningDoc : public fw::Document {
  FW_DECLARE_DYNCREATE(ClosedWhileOpeningDoc)
 public:
  enum class Meanwhile { kFrameDestroyed, kAllDocumentsClosed, kMainFrameClosed };
  static inline Meanwhile meanwhile = Meanwhile::kFrameDestroyed;
  static inline bool openSucceeds = false;
  static inline bool opening = false;
  static inline int deleted = 0, deletedWhileOpening = 0;
  ~ClosedWhileOpeningDoc() override {
    ++deleted;
    if (opening) ++deletedWhileOpening;
  }
  bool OnOpenDocument(const std::string& path) override {
    opening = true;
    switch (meanwhile) {
      case Meanwhile::kFrameDestroyed:
        if (auto* child = dynamic_cast<fw::MdiChild*>(Views().front()->GetParentFrame())) child->MdiDestroy();
        break;
      case Meanwhile::kAllDocumentsClosed: fw::TheApp()->CloseAllDocuments(false); break;
      case Meanwhile::kMainFrameClosed: SendMessageA(fw::TheApp()->MainWindow()->Handle(), WM_CLOSE, 0, 0); break;
    }
    opening = false;
    return openSucceeds && fw::Document::OnOpenDocument(path);
  }
};
FW_IMPLEMENT_DYNCREATE(ClosedWhileOpeningDoc, fw::Document)

class SketchView : public fw::ScrollView {
  FW_DECLARE_DYNCREATE(SketchView)
 public:
  void OnInitialUpdate() override { SetScrollSizes({2000, 1500}, {200, 150}, {20, 15}); }
};
FW_IMPLEMENT_DYNCREATE(SketchView, fw::ScrollView)

class NoteView : public fw::View {
  FW_DECLARE_DYNCREATE(NoteView)
};
FW_IMPLEMENT_DYNCREATE(NoteView, fw::View)

using lumora::testing::PumpPending;

struct Bars {
  fw::ToolBar* toolbar = new fw::ToolBar;
  fw::StatusBar* status = new fw::StatusBar;
  fw::ToolBar* second = nullptr;  // made by the tests that need two toolbars
};

fw::MdiFrame* MakeMainFrame(Bars& bars) {
  auto* frame = new fw::MdiFrame;
  fw::TheApp()->SetMainWindow(frame);
  EXPECT_TRUE(frame->LoadFrame(kMainFrame, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr));
  EXPECT_TRUE(bars.toolbar->Create(frame));
  EXPECT_TRUE(bars.toolbar->LoadToolBar(kMainFrame));
  bars.toolbar->EnableDocking(fw::kAlignAny);
  EXPECT_TRUE(bars.status->Create(frame));
  bars.status->SetIndicators({0, fw::kIdIndicatorCaps});
  frame->EnableDocking(fw::kAlignAny);
  SetWindowPos(frame->Handle(), nullptr, 20, 20, 800, 600, SWP_NOZORDER);
  ShowWindow(frame->Handle(), SW_SHOW);
  frame->RecalcLayout();
  return frame;
}

class FrameworkApp : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TestApp>();
    iniPath = (std::filesystem::temp_directory_path() / "fw_test_settings.ini").string();
    std::filesystem::remove(iniPath);
    app->SetProfile(fw::OpenProfile(iniPath));
    app->AddDocTemplate(new fw::DocTemplate(kSketch, &SketchDoc::kRuntimeClass, &fw::MdiChild::kRuntimeClass,
                                            &SketchView::kRuntimeClass));
    app->AddDocTemplate(new fw::DocTemplate(kNote, &NoteDoc::kRuntimeClass, &fw::MdiChild::kRuntimeClass,
                                            &NoteView::kRuntimeClass));
      frame = MakeMainFrame(bars);
      PumpPending();
    }
  void TearDown() override {
    if (app->MainWindow() != nullptr) {
      app->CloseAllDocuments(true);
      app->MainWindow()->DestroyWindow();
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);  // eats WM_QUIT too
    delete bars.toolbar;
    delete bars.status;
    delete bars.second;
    app.reset();
    std::filesystem::remove(iniPath);
  }

  std::string ActiveChildTitle() {
    fw::MdiChild* child = frame->ActiveChild();
    return child != nullptr ? child->GetText() : std::string();
  }

  std::unique_ptr<TestApp> app;
  std::string iniPath;
  Bars bars;
  fw::MdiFrame* frame = nullptr;
};

TEST_F(FrameworkApp, FileNewOpensAChildTitledByItsTemplate) {
  EXPECT_EQ(frame->GetText(), "Framework Test");
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(ActiveChildTitle(), "Sketch1");
  ASSERT_NE(frame->ActiveChild(), nullptr);
  EXPECT_NE(dynamic_cast<SketchView*>(frame->ActiveChild()->GetActiveView()), nullptr);
  // The shared menu of the document type is in the menu bar now.
  EXPECT_EQ(GetMenu(frame->Handle()), app->Docs().Templates()[0]->SharedMenu());

  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(ActiveChildTitle(), "Sketch2");
  app->Docs().Templates()[1]->OpenDocumentFile(std::string());
  PumpPending();
  EXPECT_EQ(ActiveChildTitle(), "Note1");
  EXPECT_EQ(app->Docs().AllDocuments().size(), 3u);

  // A second window on one document numbers both.
  app->Docs().Templates()[0]->Documents()[0]->Views().front()->GetParentFrame()->ActivateFrame();
  fw::SendCommand(frame->Handle(), fw::kIdWindowNew);
  PumpPending();
  EXPECT_EQ(ActiveChildTitle(), "Sketch1:2");
  std::vector<fw::View*> views = app->Docs().Templates()[0]->Documents()[0]->Views();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0]->GetParentFrame()->GetText(), "Sketch1:1");
}

TEST_F(FrameworkApp, ScrollViewShowsBarsOnlyWhenNeededAndScrolls) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  auto* view = dynamic_cast<SketchView*>(frame->ActiveChild()->GetActiveView());
  ASSERT_NE(view, nullptr);
  LONG style = GetWindowLongA(view->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  SendMessageA(view->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(view->GetScrollPosition().y, 150);
  SendMessageA(view->Handle(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(view->GetScrollPosition().x, 20);
  EXPECT_FALSE(view->OnScrollBy({-100, 0}, false) == false);
  view->SetScrollSizes({10, 10});
  style = GetWindowLongA(view->Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_VSCROLL);
  EXPECT_FALSE(style & WS_HSCROLL);
  EXPECT_EQ(view->GetScrollPosition().x, 0);
}

TEST_F(FrameworkApp, EnablingFollowsTheUpdateHandlersAfterIdle) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  app->OnIdle(0);
  HWND tb = bars.toolbar->Handle();
  EXPECT_TRUE(SendMessageA(tb, TB_GETSTATE, kToggle, 0) & TBSTATE_ENABLED);
  EXPECT_FALSE(SendMessageA(tb, TB_GETSTATE, kToggle, 0) & TBSTATE_CHECKED);
  EXPECT_FALSE(SendMessageA(tb, TB_GETSTATE, kNever, 0) & TBSTATE_ENABLED);  // nobody handles it

  fw::SendCommand(frame->Handle(), kToggle);  // reaches the document through the view
  app->OnIdle(0);
  EXPECT_TRUE(SendMessageA(tb, TB_GETSTATE, kToggle, 0) & TBSTATE_CHECKED);

  HMENU edit = GetSubMenu(GetMenu(frame->Handle()), 1);
  SendMessageA(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), MAKELPARAM(1, FALSE));
  MENUITEMINFOA mii = {};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_STATE;
  ASSERT_TRUE(GetMenuItemInfoA(edit, kToggle, FALSE, &mii));
  EXPECT_TRUE(mii.fState & MFS_CHECKED);
  EXPECT_FALSE(mii.fState & MFS_GRAYED);
  ASSERT_TRUE(GetMenuItemInfoA(edit, kNever, FALSE, &mii));
  EXPECT_TRUE(mii.fState & MFS_GRAYED);

  // A note window in front: no one on its route handles the toggle.
  app->Docs().Templates()[1]->OpenDocumentFile(std::string());
  PumpPending();
  app->OnIdle(0);
  EXPECT_FALSE(SendMessageA(tb, TB_GETSTATE, kToggle, 0) & TBSTATE_ENABLED);
  // The View menu's check marks follow the bars.
  HMENU view = GetSubMenu(GetMenu(frame->Handle()), 0);
  (void)view;
  frame->ShowControlBar(bars.status, false, false);
  HMENU mainView = GetSubMenu(frame->Menu(), 1);
  SendMessageA(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(mainView), MAKELPARAM(1, FALSE));
  ASSERT_TRUE(GetMenuItemInfoA(mainView, fw::kIdViewStatusBar, FALSE, &mii));
  EXPECT_FALSE(mii.fState & MFS_CHECKED);
  ASSERT_TRUE(GetMenuItemInfoA(mainView, fw::kIdViewToolbar, FALSE, &mii));
  EXPECT_TRUE(mii.fState & MFS_CHECKED);
}

TEST_F(FrameworkApp, StatusBarShowsTheCommandsPromptOnMenuSelect) {
  // The prompt follows when the menu's loop goes idle.
  const std::string before = bars.status->GetPaneText(0);
  SendMessageA(frame->Handle(), WM_MENUSELECT, MAKEWPARAM(kToggle, MF_STRING), reinterpret_cast<LPARAM>(frame->Menu()));
  EXPECT_EQ(bars.status->GetPaneText(0), before);
  SendMessageA(frame->Handle(), WM_ENTERIDLE, MSGF_MENU, 0);
  EXPECT_EQ(bars.status->GetPaneText(0), "Toggle the flag");
  // A popup highlighted empties the pane.
  SendMessageA(frame->Handle(), WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(frame->Menu()));
  SendMessageA(frame->Handle(), WM_ENTERIDLE, MSGF_MENU, 0);
  EXPECT_EQ(bars.status->GetPaneText(0), "");
  SendMessageA(frame->Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(bars.status->GetPaneText(0), "For Help, press F1");
}

// A dialog with an int in 1..100 and a check box.
class ValueDialog : public fw::Dialog {
 public:
  ValueDialog() : fw::Dialog(kValueDialog) {}
  int value = 7;
  double ratio = 0.5;
  int flag = 0;
  void DoDataExchange(fw::DataExchangeContext& dx) override {
    fw::Binding table[] = {fw::BindInt(1001, value, 1, 100), fw::BindDouble(1003, ratio, 0.0, 1.0),
                           fw::BindCheck(1002, flag)};
    dx.Exchange(table);
  }
};

// Runs steps from a thread timer, which fires inside modal loops.
std::deque<std::function<void()>> gSteps;
void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  if (gSteps.empty()) {
    KillTimer(nullptr, id);
    return;
  }
  auto step = gSteps.front();
  gSteps.pop_front();
  step();
}

TEST_F(FrameworkApp, ModalDialogRejectsAnOutOfRangeValueKeepsFocusAndAcceptsAGoodOne) {
  ValueDialog dialog;
  HWND seenFocus = nullptr, edit = nullptr;
  bool openAfterBadValue = false, ownerDisabled = false;
  int idleBefore = 0;
  const int idleAtStart = app->idleCalls;
  // The first tick can come before the modal loop has gone idle once: wait
  // for idle work, with a bound, before acting.
  int waits = 0;
  std::function<void()> awaitIdle;
  awaitIdle = [&] {
    if (app->idleCalls == idleAtStart && ++waits < 100) gSteps.push_front(awaitIdle);
  };
  gSteps = {
      awaitIdle,
      [&] {
        idleBefore = app->idleCalls - idleAtStart;
        ownerDisabled = !IsWindowEnabled(frame->Handle());
        edit = GetDlgItem(dialog.Handle(), 1001);
        SetDlgItemTextA(dialog.Handle(), 1001, "500");
        SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        openAfterBadValue = IsWindow(dialog.Handle()) && dialog.Handle() != nullptr;
        seenFocus = GetFocus();
      },
      [&] {
        SetDlgItemTextA(dialog.Handle(), 1001, "42");
        SetDlgItemTextA(dialog.Handle(), 1003, "0.25");
        SendMessageA(GetDlgItem(dialog.Handle(), 1002), BM_CLICK, 0, 0);
        SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      },
  };
  UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunStep);
  INT_PTR result = dialog.DoModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(frame->Handle()));
  EXPECT_TRUE(openAfterBadValue);
  EXPECT_EQ(seenFocus, edit);
  ASSERT_EQ(app->boxes.size(), 1u);
  EXPECT_EQ(app->boxes[0], "Type a whole number from 1 to 100.");  // from res/Lumo40.rc
  EXPECT_EQ(dialog.value, 42);
  EXPECT_DOUBLE_EQ(dialog.ratio, 0.25);
  EXPECT_EQ(dialog.flag, 1);
  EXPECT_GT(idleBefore, 0) << "idle work must go on inside the modal loop";
}

TEST_F(FrameworkApp, ClosingAModifiedDocumentAsksAndObeysTheAnswer) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  fw::MdiChild* child = frame->ActiveChild();
  auto* doc = dynamic_cast<SketchDoc*>(child->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  fw::SendCommand(frame->Handle(), kToggle);
  ASSERT_TRUE(doc->IsModified());

  app->answers = {IDCANCEL};
  SendMessageA(child->Handle(), WM_CLOSE, 0, 0);
  PumpPending();
  ASSERT_EQ(app->boxes.size(), 1u);
  EXPECT_EQ(app->boxes[0], "Save changes to Sketch1?");
  EXPECT_EQ(frame->ActiveChild(), child) << "Cancel keeps the window";

  std::string path = (std::filesystem::temp_directory_path() / "fw_sketch.skt").string();
  doc->SetPathName(path, false);
  app->answers = {IDYES};
  SendMessageA(child->Handle(), WM_CLOSE, 0, 0);
  PumpPending();
  EXPECT_EQ(frame->ActiveChild(), nullptr);
  EXPECT_TRUE(app->Docs().AllDocuments().empty());

  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  auto* second = dynamic_cast<SketchDoc*>(frame->ActiveChild()->GetActiveDocument());
  fw::SendCommand(frame->Handle(), kToggle);
  app->answers = {IDNO};
  SendMessageA(frame->ActiveChild()->Handle(), WM_CLOSE, 0, 0);
  PumpPending();
  EXPECT_EQ(app->boxes.size(), 3u);
  EXPECT_TRUE(app->Docs().AllDocuments().empty()) << "No closes without saving";
  (void)second;
}

// A document's frame destroyed, or every document closed, while its open
// runs: the open fails whatever the document answered, the document lives
// until its open returns and goes then, and the gone frame is not touched.
// A close of the main window meanwhile waits for the open's end.
TEST_F(FrameworkApp, AnOpenOutlivesItsWindowClosedMeanwhile) {
  using Meanwhile = ClosedWhileOpeningDoc::Meanwhile;
  app->AddDocTemplate(new fw::DocTemplate(kSketch, &ClosedWhileOpeningDoc::kRuntimeClass,
                                          &fw::MdiChild::kRuntimeClass, &NoteView::kRuntimeClass));
  fw::DocTemplate* tmpl = app->Docs().Templates().back().get();
  for (Meanwhile meanwhile : {Meanwhile::kFrameDestroyed, Meanwhile::kAllDocumentsClosed}) {
    for (bool succeeds : {false, true}) {
      SCOPED_TRACE(testing::Message() << "case " << static_cast<int>(meanwhile) << ", open succeeds " << succeeds);
      ClosedWhileOpeningDoc::meanwhile = meanwhile;
      ClosedWhileOpeningDoc::openSucceeds = succeeds;
      ClosedWhileOpeningDoc::deleted = ClosedWhileOpeningDoc::deletedWhileOpening = 0;
      EXPECT_EQ(tmpl->OpenDocumentFile("closed meanwhile.skt"), nullptr);
      PumpPending();
      EXPECT_EQ(ClosedWhileOpeningDoc::deletedWhileOpening, 0);
      EXPECT_EQ(ClosedWhileOpeningDoc::deleted, 1);
      EXPECT_TRUE(app->Docs().AllDocuments().empty());
      EXPECT_EQ(GetWindow(frame->MdiClient(), GW_CHILD), nullptr);
      EXPECT_NE(app->MainWindow(), nullptr);
    }
  }

  ClosedWhileOpeningDoc::meanwhile = Meanwhile::kMainFrameClosed;
  ClosedWhileOpeningDoc::openSucceeds = true;
  ClosedWhileOpeningDoc::deleted = ClosedWhileOpeningDoc::deletedWhileOpening = 0;
  fw::Document* opened = tmpl->OpenDocumentFile("closed meanwhile.skt");
  EXPECT_NE(opened, nullptr);
  EXPECT_EQ(ClosedWhileOpeningDoc::deleted, 0);
  ASSERT_NE(app->MainWindow(), nullptr) << "the main window closed under the open";
  PumpPending();
  EXPECT_EQ(app->MainWindow(), nullptr) << "the close did not come after the open";
  EXPECT_EQ(ClosedWhileOpeningDoc::deleted, 1);
  EXPECT_EQ(ClosedWhileOpeningDoc::deletedWhileOpening, 0);
  EXPECT_TRUE(app->Docs().AllDocuments().empty());
}

TEST_F(FrameworkApp, SaveOnYesWritesThroughTheDocument) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  auto* doc = dynamic_cast<SketchDoc*>(frame->ActiveChild()->GetActiveDocument());
  std::string path = (std::filesystem::temp_directory_path() / "fw_sketch.skt").string();
  doc->SetPathName(path, false);
  doc->SetModifiedFlag(true);
  app->answers = {IDYES};
  std::vector<std::string>* saved = &doc->saved;
  EXPECT_TRUE(doc->SaveModified());
  ASSERT_EQ(saved->size(), 1u);
  EXPECT_EQ((*saved)[0], doc->GetPathName());
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(FrameworkApp, BarPositionsSurviveARestartThroughTheSettings) {
  frame->DockControlBar(bars.toolbar, fw::DockSide::kLeft);
  frame->ShowControlBar(bars.status, false, false);
  frame->SaveBarState("TestBars");
  EXPECT_EQ(GetPrivateProfileIntA("TestBars-Bar0", "DockSide", -1, iniPath.c_str()), 1);

  // Restart: a new frame with its bars in the default places.
  app->MainWindow()->DestroyWindow();
  PumpPending();
  delete bars.toolbar;
  delete bars.status;
  bars = Bars();
  frame = MakeMainFrame(bars);
  RECT before;
  GetWindowRect(bars.toolbar->Handle(), &before);
  EXPECT_GT(before.right - before.left, before.bottom - before.top);

  frame->LoadBarState("TestBars");
  EXPECT_EQ(bars.toolbar->Side(), fw::DockSide::kLeft);
  EXPECT_FALSE(IsWindowVisible(bars.status->Handle()));
  RECT bar, client;
  GetWindowRect(bars.toolbar->Handle(), &bar);
  GetClientRect(frame->Handle(), &client);
  MapWindowPoints(nullptr, frame->Handle(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.left, 0);
  EXPECT_GT(bar.bottom - bar.top, bar.right - bar.left) << "a left bar stands upright";
  RECT mdi;
  GetWindowRect(frame->MdiClient(), &mdi);
  MapWindowPoints(nullptr, frame->Handle(), reinterpret_cast<POINT*>(&mdi), 2);
  EXPECT_EQ(mdi.left, bar.right);

  // Floating in a mini frame, and back.
  frame->FloatControlBar(bars.toolbar, {300, 200});
  frame->SaveBarState("TestBars");
  frame->DockControlBar(bars.toolbar, fw::DockSide::kTop);
  EXPECT_EQ(GetParent(bars.toolbar->Handle()), frame->Handle());
  frame->LoadBarState("TestBars");
  ASSERT_NE(bars.toolbar->FloatingFrame(), nullptr);
  RECT mini;
  GetWindowRect(bars.toolbar->FloatingFrame()->Handle(), &mini);
  EXPECT_EQ(mini.left, 300);
  EXPECT_EQ(mini.top, 200);
  EXPECT_EQ(GetParent(bars.toolbar->Handle()), bars.toolbar->FloatingFrame()->Handle());

  // A floating bar's buttons still command the active document, and follow its enabling.
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  auto* doc = dynamic_cast<SketchDoc*>(frame->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  fw::SendCommand(bars.toolbar->FloatingFrame()->Handle(), kToggle);
  EXPECT_TRUE(doc->flag);
  app->OnIdle(0);
  EXPECT_TRUE(SendMessageA(bars.toolbar->Handle(), TB_GETSTATE, kToggle, 0) & TBSTATE_CHECKED);
}

// The place of a window in the frame's client area.
RECT InFrame(HWND window, HWND frame) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

POINT FrameToScreen(HWND frame, POINT p) {
  ClientToScreen(frame, &p);
  return p;
}

LPARAM ClientPoint(HWND window, POINT screen) {
  ScreenToClient(window, &screen);
  return MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
}

// A point of the bar's background (no button under it), in screen coordinates.
POINT BarBackground(fw::ToolBar* bar) {
  RECT r;
  GetClientRect(bar->Handle(), &r);
  POINT p{r.right - 2, r.bottom - 2};
  EXPECT_LT(SendMessageA(bar->Handle(), TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)), 0);
  ClientToScreen(bar->Handle(), &p);
  return p;
}

// Press at `from`, move half way and on to `to`, release: the messages a
// mouse drag sends to the window holding the capture.
void DragMessages(HWND window, POINT from, POINT to) {
  POINT half{(from.x + to.x) / 2, (from.y + to.y) / 2};
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(window, half));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(window, to));
  SendMessageA(window, WM_LBUTTONUP, 0, ClientPoint(window, to));
}

void DragBarFrom(fw::ToolBar* bar, POINT from, POINT to) {
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(bar->Handle(), from));
  EXPECT_EQ(GetCapture(), bar->Handle());
  DragMessages(bar->Handle(), from, to);
  EXPECT_EQ(GetCapture(), nullptr);
}

// Drags a docked toolbar by its background (near its bottom right corner)
// to `to` (screen).
void DragBar(fw::ToolBar* bar, POINT to) { DragBarFrom(bar, BarBackground(bar), to); }

// A point of a mini frame's caption (screen).
POINT CaptionPoint(HWND mini) {
  RECT r;
  GetWindowRect(mini, &r);
  POINT client{0, 0};
  ClientToScreen(mini, &client);
  return {r.left + 8, (r.top + client.y) / 2};
}

// Drags a floating bar's mini frame by its caption to `to` (screen).
void DragCaption(fw::ControlBar* bar, POINT to) {
  HWND mini = bar->FloatingFrame()->Handle();
  POINT from = CaptionPoint(mini);
  ASSERT_EQ(SendMessageA(mini, WM_NCHITTEST, 0, MAKELPARAM(from.x, from.y)), HTCAPTION);
  SendMessageA(mini, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(from.x, from.y));
  EXPECT_EQ(GetCapture(), mini);
  DragMessages(mini, from, to);
}

TEST_F(FrameworkApp, DraggingABarDocksItOnEachSideOrFloatsIt) {
  HWND main = frame->Handle();
  RECT client;
  GetClientRect(main, &client);
  RECT status = InFrame(bars.status->Handle(), main);
  fw::ToolBar* bar = bars.toolbar;

  DragBar(bar, FrameToScreen(main, {3, 250}));
  RECT r = InFrame(bar->Handle(), main);
  EXPECT_EQ(bar->Side(), fw::DockSide::kLeft);
  EXPECT_EQ(r.left, 0);
  EXPECT_GT(r.bottom - r.top, r.right - r.left) << "a left bar stands upright";
  EXPECT_EQ(InFrame(frame->MdiClient(), main).left, r.right);

  DragBar(bar, FrameToScreen(main, {client.right - 3, 250}));
  r = InFrame(bar->Handle(), main);
  EXPECT_EQ(bar->Side(), fw::DockSide::kRight);
  EXPECT_EQ(r.right, client.right);
  EXPECT_GT(r.bottom - r.top, r.right - r.left);

  DragBar(bar, FrameToScreen(main, {300, status.top - 3}));
  r = InFrame(bar->Handle(), main);
  EXPECT_EQ(bar->Side(), fw::DockSide::kBottom);
  EXPECT_EQ(r.bottom, status.top) << "above the status bar";
  EXPECT_GT(r.right - r.left, r.bottom - r.top);

  // Into the middle: a mini frame where the bar was let go, held where it was grabbed.
  POINT from = BarBackground(bar);
  RECT before;
  GetWindowRect(bar->Handle(), &before);
  POINT to = FrameToScreen(main, {400, 250});
  DragBarFrom(bar, from, to);
  ASSERT_NE(bar->FloatingFrame(), nullptr);
  EXPECT_TRUE(bar->IsFloating());
  RECT mini;
  GetWindowRect(bar->FloatingFrame()->Handle(), &mini);
  EXPECT_EQ(mini.left, to.x - (from.x - before.left));
  EXPECT_EQ(mini.top, to.y - (from.y - before.top));

  // The caption dragged elsewhere in the middle moves the mini frame as far as the cursor went.
  POINT captionFrom = CaptionPoint(bar->FloatingFrame()->Handle());
  DragCaption(bar, {captionFrom.x + 40, captionFrom.y + 30});
  ASSERT_NE(bar->FloatingFrame(), nullptr);
  RECT moved;
  GetWindowRect(bar->FloatingFrame()->Handle(), &moved);
  EXPECT_EQ(moved.left, mini.left + 40);
  EXPECT_EQ(moved.top, mini.top + 30);
  mini = moved;

  // The caption dragged onto the top docks it again.
  DragCaption(bar, FrameToScreen(main, {400, 4}));
  EXPECT_EQ(bar->Side(), fw::DockSide::kTop);
  EXPECT_EQ(bar->FloatingFrame(), nullptr);
  EXPECT_EQ(GetParent(bar->Handle()), main);
  RECT docked = InFrame(bar->Handle(), main);
  EXPECT_EQ(docked.top, 0);

  // A double click on the background floats it where it floated last; one on
  // the caption puts it back.
  POINT spot = BarBackground(bar);
  SendMessageA(bar->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, ClientPoint(bar->Handle(), spot));
  ASSERT_NE(bar->FloatingFrame(), nullptr);
  RECT again;
  GetWindowRect(bar->FloatingFrame()->Handle(), &again);
  EXPECT_EQ(again.left, mini.left);
  EXPECT_EQ(again.top, mini.top);
  SendMessageA(bar->FloatingFrame()->Handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(again.left + 8, again.top + 4));
  EXPECT_EQ(bar->FloatingFrame(), nullptr);
  RECT back = InFrame(bar->Handle(), main);
  EXPECT_EQ(bar->Side(), fw::DockSide::kTop);
  EXPECT_TRUE(EqualRect(&back, &docked));

  // A press that does not move is a click: nothing moves.
  spot = BarBackground(bar);
  DragBarFrom(bar, spot, {spot.x + 1, spot.y});
  RECT still = InFrame(bar->Handle(), main);
  EXPECT_TRUE(EqualRect(&still, &docked));
}

// The screen's pixels in a 2 x 2 block at `p`.
std::vector<COLORREF> ScreenBlock(POINT p) {
  HDC screen = GetDC(nullptr);
  std::vector<COLORREF> out;
  for (int dy = 0; dy < 2; ++dy) {
    for (int dx = 0; dx < 2; ++dx) out.push_back(GetPixel(screen, p.x + dx, p.y + dy));
  }
  ReleaseDC(nullptr, screen);
  return out;
}

TEST_F(FrameworkApp, TheTrackingRectangleIsShownWhileDraggingAndEscapeCancels) {
  HWND main = frame->Handle();
  fw::ToolBar* bar = bars.toolbar;
  RECT before;
  GetWindowRect(bar->Handle(), &before);
  POINT from = BarBackground(bar);
  POINT to = FrameToScreen(main, {400, 250});
  // The floating rectangle's left edge, at the height of the cursor.
  POINT edge{to.x - (from.x - before.left), to.y};
  std::vector<COLORREF> clean = ScreenBlock(edge);

  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(bar->Handle(), from));
  SendMessageA(bar->Handle(), WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(bar->Handle(), to));
  EXPECT_NE(ScreenBlock(edge), clean) << "the outline is drawn inverted";
  SendMessageA(bar->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(ScreenBlock(edge), clean) << "and taken away";
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, ClientPoint(bar->Handle(), to));
  RECT after;
  GetWindowRect(bar->Handle(), &after);
  EXPECT_TRUE(EqualRect(&after, &before)) << "a cancelled drag leaves the bar where it was";
  EXPECT_EQ(bar->Side(), fw::DockSide::kTop);
}

class FrameworkTwoBars : public FrameworkApp {
 protected:
  void SetUp() override {
    FrameworkApp::SetUp();
    AddSecondBar();
  }
  void AddSecondBar() {
    bars.second = new fw::ToolBar;
    ASSERT_TRUE(bars.second->Create(frame, WS_CHILD | WS_VISIBLE, 59402));
    ASSERT_TRUE(bars.second->LoadToolBar(kMainFrame));
    bars.second->EnableDocking(fw::kAlignAny);
    frame->DockControlBar(bars.second, fw::DockSide::kTop);
  }
  void Restart() {
    app->MainWindow()->DestroyWindow();
    PumpPending();
    delete bars.toolbar;
    delete bars.status;
    delete bars.second;
    bars = Bars();
    frame = MakeMainFrame(bars);
    AddSecondBar();
  }
  RECT Place(fw::ControlBar* bar) { return InFrame(bar->Handle(), frame->Handle()); }
};

TEST_F(FrameworkTwoBars, BarsShareARowInTheirOrderAcrossARestart) {
  HWND main = frame->Handle();
  RECT first = Place(bars.toolbar);
  RECT second = Place(bars.second);
  EXPECT_EQ(second.top, first.bottom) << "a bar docked without a place gets a row of its own";

  // The second bar dropped right of the first joins its row.
  DragBar(bars.second, FrameToScreen(main, {first.right + 60, first.bottom - 2}));
  first = Place(bars.toolbar);
  second = Place(bars.second);
  EXPECT_EQ(second.top, first.top);
  EXPECT_EQ(second.left, first.right);
  EXPECT_EQ(InFrame(frame->MdiClient(), main).top, first.bottom) << "one row only";

  // The first dropped after the second: the order turns round.
  DragBar(bars.toolbar, FrameToScreen(main, {second.right + 60, second.bottom - 2}));
  first = Place(bars.toolbar);
  second = Place(bars.second);
  EXPECT_EQ(second.left, 0);
  EXPECT_EQ(first.left, second.right);
  EXPECT_EQ(first.top, second.top);

  frame->SaveBarState("TestBars");
  EXPECT_EQ(GetPrivateProfileIntA("TestBars-Bar0", "Row", -1, iniPath.c_str()), 0);
  EXPECT_EQ(GetPrivateProfileIntA("TestBars-Bar2", "Row", -1, iniPath.c_str()), 0);

  Restart();
  main = frame->Handle();
  EXPECT_NE(Place(bars.second).top, Place(bars.toolbar).top) << "rows apart before the state is loaded";
  frame->LoadBarState("TestBars");
  first = Place(bars.toolbar);
  second = Place(bars.second);
  EXPECT_EQ(second.left, 0);
  EXPECT_EQ(first.left, second.right);
  EXPECT_EQ(first.top, second.top);
  EXPECT_EQ(InFrame(frame->MdiClient(), main).top, first.bottom);

  // Dropped just below the row: a row of its own again.
  DragBar(bars.toolbar, FrameToScreen(main, {200, first.bottom + 20}));
  first = Place(bars.toolbar);
  EXPECT_EQ(first.top, Place(bars.second).bottom);
  EXPECT_EQ(first.left, 0);
}

// A file of the sketch type in the temporary folder, removed at the end.
struct TempSketch {
  explicit TempSketch(const std::string& name)
      : path((std::filesystem::temp_directory_path() / name).string()) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) std::fclose(f);
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    path = full;
  }
  ~TempSketch() { std::filesystem::remove(path); }
  std::string path;
};

struct MenuItem {
  UINT id;
  std::string text;
  bool grayed;
};

std::vector<MenuItem> ReadMenu(HMENU menu) {
  std::vector<MenuItem> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
    UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    items.push_back({GetMenuItemID(menu, i), text, (state & MF_GRAYED) != 0});
  }
  return items;
}

TEST_F(FrameworkApp, RecentFilesSurviveARestartRefillTheMenuAndOpenWhenChosen) {
  TempSketch one("fw recent one.skt"), two("fw recent two.skt");
  app->LoadStdProfileSettings(4);
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, fw::kIdFileNew, "&New");
  AppendMenuA(file, MF_STRING | MF_GRAYED, fw::kIdFileMru1, "Recent File");
  AppendMenuA(file, MF_STRING, fw::kIdAppExit, "E&xit");

  // Nothing opened yet: one greyed placeholder.
  SendMessageA(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  std::vector<MenuItem> items = ReadMenu(file);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].id, fw::kIdFileMru1);
  EXPECT_TRUE(items[1].grayed);

  ASSERT_NE(app->OpenDocumentFile(one.path), nullptr);
  ASSERT_NE(app->OpenDocumentFile(two.path), nullptr);
  app->ExitInstance();
  char stored[MAX_PATH] = {};
  GetPrivateProfileStringA("Recent File List", "File1", "", stored, sizeof(stored), iniPath.c_str());
  EXPECT_STREQ(stored, two.path.c_str());

  // Restart: the list comes back from the profile alone.
  app->CloseAllDocuments(true);
  PumpPending();
  app->LoadStdProfileSettings(0);
  app->LoadStdProfileSettings(4);
  ASSERT_NE(app->RecentFiles(), nullptr);
  ASSERT_EQ(app->RecentFiles()->size(), 2);

  SendMessageA(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  items = ReadMenu(file);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, "&New");
  EXPECT_EQ(items[1].id, fw::kIdFileMru1);
  EXPECT_TRUE(items[1].text.starts_with("&1 ") && items[1].text.ends_with("fw recent two.skt")) << items[1].text;
  EXPECT_EQ(items[2].id, fw::kIdFileMru1 + 1);
  EXPECT_TRUE(items[2].text.starts_with("&2 ") && items[2].text.ends_with("fw recent one.skt")) << items[2].text;
  EXPECT_FALSE(items[1].grayed);
  EXPECT_FALSE(items[2].grayed);
  EXPECT_EQ(items[3].text, "E&xit");

  // Choosing the second opens it through the document manager and moves it up.
  fw::SendCommand(frame->Handle(), fw::kIdFileMru1 + 1);
  PumpPending();
  ASSERT_NE(frame->GetActiveDocument(), nullptr);
  EXPECT_EQ(frame->GetActiveDocument()->GetPathName(), one.path);
  EXPECT_EQ((*app->RecentFiles())[0], one.path);

  // A file that is gone leaves the list.
  app->CloseAllDocuments(true);
  PumpPending();
  std::filesystem::remove(two.path);
  fw::SendCommand(frame->Handle(), fw::kIdFileMru1 + 1);
  PumpPending();
  EXPECT_TRUE(app->Docs().AllDocuments().empty());
  ASSERT_EQ(app->RecentFiles()->size(), 1);
  EXPECT_EQ((*app->RecentFiles())[0], one.path);
  DestroyMenu(file);
}

TEST(FrameworkResources, TheProgramsMainMenuAndTitleComeFromItsScript) {
  TestApp app;
  auto* frame = new fw::MdiFrame;
  app.SetMainWindow(frame);
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr));
  EXPECT_EQ(frame->GetText(), "Lumora 4.0");
  HMENU bar = GetMenu(frame->Handle());
  std::vector<std::string> texts;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    char byString[64] = {}, byInfo[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), byString, sizeof(byString), MF_BYPOSITION);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = byInfo;
    mii.cch = sizeof(byInfo);
    EXPECT_TRUE(GetMenuItemInfoA(bar, static_cast<UINT>(i), TRUE, &mii));
    EXPECT_STREQ(byInfo, byString);
    texts.push_back(byString);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"&File", "&Edit", "&View", "&Options", "&Window", "&Help"}));
  // The executable's own string table answers, not only the generated one.
  EXPECT_EQ(fw::ModuleString(IDS_FW_RANGE_INT), "Type a whole number from %1 to %2.");
  frame->DestroyWindow();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);  // eats WM_QUIT too
}

TEST_F(FrameworkApp, CommandLineRunsItsShellCommand) {
  TempSketch sketch("fw command line.skt");
  fw::CommandLineInfo open =
      fw::ParseCommandLine(fw::SplitCommandLine("\"C:\\Lumo\\Lumo40.exe\" \"" + sketch.path + "\" /Automation", true));
  EXPECT_TRUE(app->ProcessShellCommand(open));
  ASSERT_NE(frame->GetActiveDocument(), nullptr);
  EXPECT_EQ(frame->GetActiveDocument()->GetPathName(), sketch.path);
  EXPECT_TRUE(app->StartupCommandLine().runAutomated);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);

  fw::CommandLineInfo none;
  none.shellCommand = fw::ShellCommand::kFileNothing;
  EXPECT_TRUE(app->ProcessShellCommand(none));
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);

  EXPECT_TRUE(app->ProcessShellCommand(fw::ParseCommandLine({})));
  PumpPending();
  EXPECT_EQ(app->Docs().AllDocuments().size(), 2u);
  EXPECT_EQ(ActiveChildTitle(), "Sketch1");

  fw::CommandLineInfo missing = fw::ParseCommandLine({sketch.path + ".gone"});
  EXPECT_FALSE(app->ProcessShellCommand(missing));
  EXPECT_EQ(app->Docs().AllDocuments().size(), 2u);
}

class CountingPage : public fw::PropertyPage {
 public:
  CountingPage(std::uint32_t id, std::uint32_t edit) : fw::PropertyPage(id), edit_(edit) {}
  int value = 5;
  int activations = 0;
  int kills = 0;
  bool OnSetActive() override {
    ++activations;
    return fw::PropertyPage::OnSetActive();
  }
  bool OnKillActive() override {
    ++kills;
    return fw::PropertyPage::OnKillActive();
  }
  void DoDataExchange(fw::DataExchangeContext& dx) override {
    fw::Binding table[] = {fw::BindInt(edit_, value, 0, 10)};
    dx.Exchange(table);
  }

 private:
  std::uint32_t edit_;
};

TEST_F(FrameworkApp, ModalPropertySheetSwitchesPagesValidatesAndHasNoApply) {
  CountingPage first(kPage1, 1101), second(kPage2, 1201);
  fw::PropertySheet sheet("Options", frame);
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  bool applyShown = true;
  int activeAfterSwitch = -1, activeAfterBadValue = -1;
  gSteps = {
      [&] {
        HWND apply = GetDlgItem(sheet.Handle(), 0x3021);
        applyShown = apply != nullptr && IsWindowVisible(apply);
        sheet.SetActivePage(1);
        activeAfterSwitch = sheet.GetActiveIndex();
        // An out-of-range value keeps the page.
        SetDlgItemTextA(second.Handle(), 1201, "11");
        sheet.SetActivePage(0);
        activeAfterBadValue = sheet.GetActiveIndex();
        SetDlgItemTextA(second.Handle(), 1201, "9");
      },
      [&] { SendMessageA(sheet.Handle(), PSM_PRESSBUTTON, PSBTN_OK, 0); },
  };
  UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunStep);
  INT_PTR result = sheet.DoModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(applyShown);
  EXPECT_EQ(activeAfterSwitch, 1);
  EXPECT_EQ(activeAfterBadValue, 1);
  EXPECT_EQ(second.value, 9);
  EXPECT_GE(second.activations, 1);
  EXPECT_GE(first.kills, 1);
  EXPECT_EQ(app->boxes.size(), 1u);
}

}  // namespace

namespace {

// The pump's idle counting: timers do not restart the count, input does.
class IdleCountingApp : public fw::App {
 public:
  IdleCountingApp() : fw::App("Idle Test") {}
  std::vector<int> counts;
  bool OnIdle(int count) override {
    counts.push_back(count);
    return count < 2;  // three idle calls per idle period
  }
};

std::vector<std::function<void()>> gTicks;
void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
  static std::size_t next = 0;
  if (next < gTicks.size()) {
    gTicks[next++]();
  } else {
    KillTimer(nullptr, id);
    next = 0;
    PostQuitMessage(5);
  }
}

TEST(FrameworkLoop, TimersDoNotRestartIdleWorkButInputDoes) {
  IdleCountingApp app;
  HWND target = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  gTicks = {[] {}, [] {}, [target] { PostMessageA(target, WM_KEYDOWN, 'A', 0); }, [] {}};
  SetTimer(nullptr, 0, 20, &Tick);
  EXPECT_EQ(app.Run(), 5);  // the quit code through ExitInstance
  DestroyWindow(target);
  // One idle period before the key (timer ticks in it add nothing), one after.
  EXPECT_EQ(app.counts, (std::vector<int>{0, 1, 2, 0, 1, 2}));
}

}  // namespace

namespace {

class RecordingFileDialog : public fw::FileDialog {
 public:
  using fw::FileDialog::FileDialog;
  std::vector<int> typeChanges;
  bool initDone = false;

 protected:
  void OnInitDone() override { initDone = true; }
  void OnTypeChange(int index) override { typeChanges.push_back(index); }
};

TEST(FrameworkFileDialog, SeveralFilesComeBackAndTypeChangesReachTheHook) {
  TestApp app;
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "fw_open_test";
  std::filesystem::create_directories(dir);
  for (const char* name : {"a.skt", "b c.skt"}) {
    std::FILE* f = std::fopen((dir / name).string().c_str(), "wb");
    if (f != nullptr) std::fclose(f);
  }
  RecordingFileDialog dialog(true, "", "", OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR, "Sketch (*.skt)|*.skt|All (*.*)|*.*||");
  dialog.SetInitialDir(dir.string());
  gSteps = {
      [&] {
        HWND dlg = dialog.Handle();
        HWND types = GetDlgItem(dlg, cmb1);
        SendMessageA(types, CB_SETCURSEL, 1, 0);
        // What a user's pick in the type combo sends.
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
      },
      [&] {
        HWND dlg = dialog.Handle();
        const char* names = "\"a.skt\" \"b c.skt\"";
        if (GetDlgItem(dlg, edt1) != nullptr) SetDlgItemTextA(dlg, edt1, names);
        if (GetDlgItem(dlg, cmb13) != nullptr) SetDlgItemTextA(dlg, cmb13, names);
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      },
  };
  UINT_PTR timer = SetTimer(nullptr, 0, 50, &RunStep);
  int result = dialog.DoModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(dialog.initDone);
  EXPECT_EQ(dialog.typeChanges, (std::vector<int>{2}));
  ASSERT_EQ(dialog.Paths().size(), 2u);
  EXPECT_TRUE(fw::SamePath(dialog.Paths()[0], (dir / "a.skt").string()));
  EXPECT_TRUE(fw::SamePath(dialog.Paths()[1], (dir / "b c.skt").string()));
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace

namespace {

class WizardPage : public CountingPage {
 public:
  using CountingPage::CountingPage;
  DWORD buttons = PSWIZB_NEXT;
  bool OnSetActive() override {
    Sheet()->SetWizardButtons(buttons);
    return CountingPage::OnSetActive();
  }
};

TEST_F(FrameworkApp, WizardGoesNextAndFinishes) {
  WizardPage first(kPage1, 1101), second(kPage2, 1201);
  second.buttons = PSWIZB_BACK | PSWIZB_FINISH;
  fw::PropertySheet sheet("Wizard", frame);
  sheet.SetWizardMode();
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  int pageAfterNext = -1;
  gSteps = {
      [&] { SendMessageA(sheet.Handle(), PSM_PRESSBUTTON, PSBTN_NEXT, 0); },
      [&] {
        pageAfterNext = sheet.GetActiveIndex();
        SendMessageA(sheet.Handle(), PSM_PRESSBUTTON, PSBTN_FINISH, 0);
      },
  };
  UINT_PTR timer = SetTimer(nullptr, 0, 30, &RunStep);
  INT_PTR result = sheet.DoModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(pageAfterNext, 1);
  EXPECT_EQ(result, 0x3025);  // the Finish button's id
  EXPECT_EQ(first.kills, 1);
  EXPECT_EQ(second.activations, 1);
}

}  // namespace

namespace {

class HelpRecordingApp : public TestApp {
 public:
  std::vector<std::uintptr_t> helpCalls;
  void WinHelp(std::uintptr_t data, UINT) override { helpCalls.push_back(data); }
};

TEST(FrameworkHelp, F1GivesTheMenuItemsHelpAndContextHelpThePickedWindows) {
  HelpRecordingApp app;
  Bars bars;
  fw::MdiFrame* frame = MakeMainFrame(bars);
  bars.toolbar->helpId = 0x20000 + 555;

  // F1 while a menu item is selected: the command's help id.
  SendMessageA(frame->Handle(), WM_MENUSELECT, MAKEWPARAM(kToggle, MF_STRING), reinterpret_cast<LPARAM>(frame->Menu()));
  fw::SendCommand(frame->Handle(), fw::kIdHelp);
  // Shift+F1, then a click on the toolbar: the toolbar's help id.
  SendMessageA(frame->Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  fw::SendCommand(frame->Handle(), fw::kIdContextHelp);
  EXPECT_TRUE(frame->InContextHelpMode());
  RECT tb;
  GetWindowRect(bars.toolbar->Handle(), &tb);
  POINT pt{tb.left + 2, tb.top + 2};
  ScreenToClient(frame->Handle(), &pt);
  SendMessageA(frame->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(pt.x, pt.y));
  EXPECT_FALSE(frame->InContextHelpMode());
  EXPECT_EQ(app.helpCalls, (std::vector<std::uintptr_t>{fw::kHelpIdBase + kToggle, 0x20000 + 555}));

  frame->DestroyWindow();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  delete bars.toolbar;
  delete bars.status;
}

}  // namespace

namespace {

// A sheet with help: its Help button asks the active page, whose help is
// the resource base plus its template.
TEST(FrameworkHelp, SheetHelpButtonGivesTheActivePagesHelp) {
  HelpRecordingApp app;
  Bars bars;
  fw::MdiFrame* frame = MakeMainFrame(bars);
  CountingPage first(kPage1, 1101), second(kPage2, 1201);
  fw::PropertySheet sheet("Options", frame);
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  sheet.SetHasHelp(true);
  ASSERT_TRUE(sheet.Create(frame));
  HWND help = GetDlgItem(sheet.Handle(), IDHELP);
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(IsWindowVisible(help));
  EXPECT_TRUE(IsWindowEnabled(help));
  SendMessageA(sheet.Handle(), PSM_PRESSBUTTON, PSBTN_HELP, 0);
  sheet.SetActivePage(1);
  SendMessageA(sheet.Handle(), PSM_PRESSBUTTON, PSBTN_HELP, 0);
  EXPECT_EQ(app.helpCalls, (std::vector<std::uintptr_t>{fw::kHelpResourceBase + kPage1, fw::kHelpResourceBase + kPage2}));
  sheet.DestroyWindow();
  // Without help the sheet has no Help button.
  fw::PropertySheet plain("Plain", frame);
  CountingPage only(kPage1, 1101);
  plain.AddPage(&only);
  ASSERT_TRUE(plain.Create(frame));
  HWND none = GetDlgItem(plain.Handle(), IDHELP);
  EXPECT_TRUE(none == nullptr || !IsWindowVisible(none));
  plain.DestroyWindow();
  frame->DestroyWindow();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  delete bars.toolbar;
  delete bars.status;
}

TEST_F(FrameworkApp, ModelessDialogLoadsItsDataAndGoesAwayOnOk) {
  ValueDialog dialog;
  dialog.value = 12;
  ASSERT_TRUE(dialog.CreateModeless(frame));
  char text[16] = {};
  GetDlgItemTextA(dialog.Handle(), 1001, text, sizeof(text));
  EXPECT_STREQ(text, "12");
  EXPECT_TRUE(IsWindowEnabled(frame->Handle())) << "a modeless dialog leaves its owner alone";
  SetDlgItemTextA(dialog.Handle(), 1001, "13");
  HWND h = dialog.Handle();
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(dialog.value, 13);
}

TEST_F(FrameworkApp, ColourAndFontChoosersReturnWhatWasChosen) {
  // The chooser is this thread's visible dialog box; the active window is
  // not reliable without a window manager, and the box may not be up at
  // the first tick, so the step waits for it.
  std::function<void()> pressOk;
  pressOk = [&pressOk] {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
          char cls[16] = {};
          GetClassNameA(window, cls, sizeof(cls));
          if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(param) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
      gSteps.push_back(pressOk);
      return;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  };
  fw::ColorDialog colour(RGB(10, 20, 30), CC_FULLOPEN, frame->Handle());
  gSteps = {pressOk};
  UINT_PTR timer = SetTimer(nullptr, 0, 30, &RunStep);
  EXPECT_EQ(colour.DoModal(), IDOK);
  KillTimer(nullptr, timer);
  EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30));

  LOGFONTA lf = {};
  lf.lfHeight = -16;
  lstrcpyA(lf.lfFaceName, "Tahoma");
  fw::FontDialog font(&lf, CF_SCREENFONTS, frame->Handle());
  gSteps = {pressOk};
  timer = SetTimer(nullptr, 0, 30, &RunStep);
  EXPECT_EQ(font.DoModal(), IDOK);
  KillTimer(nullptr, timer);
  EXPECT_NE(font.GetLogFont().lfFaceName[0], '\0');
}

}  // namespace

namespace {

// A window whose handlers fail: the exception stops at the window procedure,
// the user is told, and the window and the program go on.
class FailingWindow : public fw::Window {
 public:
  bool failCreate = false;
  int handled = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE && failCreate) throw std::bad_alloc();
    if (message == WM_APP) throw std::bad_alloc();
    if (message == WM_APP + 1) throw std::runtime_error("a developer's words");
    if (message == WM_APP + 2) ++handled;
    return fw::Window::WindowProc(message, wParam, lParam);
  }
};

TEST(FrameworkWindowProc, AnExceptionFailsOnlyItsMessageAndIsReported) {
  TestApp app;
  const std::string cls = app.RegisterWindowClass("FwFailingWindow", 0, 0, nullptr, nullptr, nullptr);
  FailingWindow w;
  ASSERT_TRUE(w.CreateEx(0, cls.c_str(), "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr));
  EXPECT_EQ(SendMessageA(w.Handle(), WM_APP, 0, 0), 0);
  EXPECT_EQ(SendMessageA(w.Handle(), WM_APP + 1, 0, 0), 0);
  SendMessageA(w.Handle(), WM_APP + 2, 0, 0);
  EXPECT_EQ(w.handled, 1);
  ASSERT_EQ(app.boxes.size(), 2u);
  EXPECT_EQ(app.boxes[0], "Not enough memory available.");
  // Internal words are not shown to the user.
  EXPECT_EQ(app.boxes[1], "An unexpected error stopped the operation; nothing else was changed by it.");
  w.DestroyWindow();

  FailingWindow refused;
  refused.failCreate = true;
  EXPECT_FALSE(refused.CreateEx(0, cls.c_str(), "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr));
  EXPECT_EQ(refused.Handle(), nullptr);
  EXPECT_EQ(app.boxes.size(), 3u);
}

}  // namespace
