// The image document in the framework's MDI frame under Wine, with a plain
// view standing in for the image view: File/New titles, the open roads for
// files of other programs, an open file activated without a read, and the
// enabling of Undo and Redo.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/CommandIds.h"
#include "framework/win/App.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "hostapi/fragment.h"
#include "res/resource.h"
#include "tests/document/win/image_frame_rig.h"
#include "tests/support/win/pump_messages.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

// Message boxes are answered from a list, never shown.
class TestApp : public fw::App {
 public:
  TestApp() : fw::App("Lumora Document Test") {}
  int DoMessageBox(const std::string& text, UINT, std::uint32_t) override {
    boxes.push_back(text);
    if (answers.empty()) return IDCANCEL;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<std::string> boxes;
  std::deque<int> answers;
};

class PlainView : public fw::View {
  FW_DECLARE_DYNCREATE(PlainView)
};
FW_IMPLEMENT_DYNCREATE(PlainView, fw::View)

using lumora::testing::PumpPending;

// The files ImageMagick made before this program ran (a test fixture).
std::string Made(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

class ImageDocumentWin : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TestApp>();
    auto manager = std::make_unique<CLumo40DocManager>();
    manager->askNewImage = [this](NewImageChoice* choice) {
      ++asked;
      choice->width = 40;
      choice->height = 30;
      return true;
    };
    docs = manager.get();
    frame = lumora::testing::OpenImageFrame(*app, std::move(manager), &PlainView::kRuntimeClass);
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override { lumora::testing::CloseImageFrame(app); }

  CLumo40Doc* ActiveDocument() { return dynamic_cast<CLumo40Doc*>(frame->GetActiveDocument()); }

  // Whether the frame's menu updating enables the item for the active
  // document.
  bool MenuEnables(std::uint32_t id) {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, id, "item");
    SendMessageA(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, FALSE));
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STATE;
    GetMenuItemInfoA(popup, id, FALSE, &mii);
    DestroyMenu(popup);
    return (mii.fState & MFS_GRAYED) == 0;
  }

  std::unique_ptr<TestApp> app;
  CLumo40DocManager* docs = nullptr;
  fw::MdiFrame* frame = nullptr;
  int asked = 0;
};

TEST_F(ImageDocumentWin, FileNewMakesNumberedUntitledImages) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  CLumo40Doc* first = ActiveDocument();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetTitle(), "UNTITLED.1");
  ASSERT_NE(first->Image().GetLayers(), nullptr);
  EXPECT_EQ(first->Image().GetLayers()->GetLayerCount(), 1);
  EXPECT_FALSE(first->IsModified());

  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  CLumo40Doc* second = ActiveDocument();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->GetTitle(), "UNTITLED.2");
  EXPECT_EQ(asked, 2);  // the size is asked each time, the type never

  // Cancel in the new-image dialog makes nothing.
  docs->askNewImage = [](NewImageChoice*) { return false; };
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(app->Docs().AllDocuments().size(), 2u);
}

TEST_F(ImageDocumentWin, FilesOfOtherProgramsOpenInOrderAndAnOpenOneIsOnlyActivated) {
  // A copy of the PNG, so that the file can go away while its window stays.
  const fs::path png = fs::temp_directory_path() / "lumora-docwin-flat.png";
  fs::copy_file(Made("flat.png"), png, fs::copy_options::overwrite_existing);
  const std::vector<std::string> paths = {Made("layers.psd"), std::string(LUMORA_TEST_DATA) + "/layered/rich.lud",
                                          png.string()};
  std::vector<CLumo40Doc*> opened;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    auto* doc = dynamic_cast<CLumo40Doc*>(docs->OpenDocumentFile(path));
    PumpPending();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(ActiveDocument(), doc);
    EXPECT_FALSE(doc->IsModified());
    opened.push_back(doc);
  }
  // In the order chosen, with their layers.
  EXPECT_EQ(app->Docs().AllDocuments(), (std::vector<fw::Document*>{opened[0], opened[1], opened[2]}));
  EXPECT_EQ(opened[0]->Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_GT(opened[1]->Image().GetLayers()->GetLayerCount(), 1);
  EXPECT_EQ(opened[2]->Image().GetLayers()->GetLayerCount(), 1);
  EXPECT_EQ(opened[2]->Image().GetLayers()->GetWidth(), 24);

  // The file is gone: a second open by a quoted path must not read it, only
  // bring its window to the front.
  fs::remove(png);
  fw::Document* again = docs->OpenDocumentFile("\"" + png.string() + "\"");
  PumpPending();
  EXPECT_EQ(again, opened[2]);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 3u);
  opened[0]->Views().front()->GetParentFrame()->ActivateFrame();
  PumpPending();
  ASSERT_EQ(ActiveDocument(), opened[0]);
  EXPECT_EQ(docs->OpenDocumentFile("\"" + paths[1] + "\""), opened[1]);
  PumpPending();
  EXPECT_EQ(ActiveDocument(), opened[1]);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 3u);
}

TEST_F(ImageDocumentWin, UndoAndRedoEnableWithTheirSteps) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  CLumo40Doc* doc = ActiveDocument();
  ASSERT_NE(doc, nullptr);
  // A fresh document: nothing to undo; Close always.
  EXPECT_FALSE(MenuEnables(fw::kIdEditUndo));
  EXPECT_FALSE(MenuEnables(fw::kIdEditRedo));
  EXPECT_TRUE(MenuEnables(fw::kIdFileClose));
  // Save waits for a change; Save As and Export are always there; Reload
  // needs a file.
  EXPECT_FALSE(MenuEnables(fw::kIdFileSave));
  EXPECT_TRUE(MenuEnables(fw::kIdFileSaveAs));
  EXPECT_TRUE(MenuEnables(ID_FILE_EXPORT));
  EXPECT_FALSE(MenuEnables(ID_FILE_RELOAD));

  LURECT area{0, 0, 10, 10};
  Fragment* selection = CreateRectFrg(&area, 0);
  doc->Image().SetSelection(selection, true);
  EXPECT_TRUE(MenuEnables(fw::kIdEditUndo));
  EXPECT_FALSE(MenuEnables(fw::kIdEditRedo));
  // While a tool tracks the mouse, Undo is greyed and Close stays.
  SetTrackerRunning(true);
  EXPECT_FALSE(MenuEnables(fw::kIdEditUndo));
  EXPECT_TRUE(MenuEnables(fw::kIdFileClose));
  SetTrackerRunning(false);
  EXPECT_TRUE(MenuEnables(fw::kIdEditUndo));

  fw::SendCommand(frame->Handle(), fw::kIdEditUndo);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(MenuEnables(fw::kIdFileSave));
  doc->embedded = true;
  EXPECT_FALSE(MenuEnables(fw::kIdFileSave)) << "an embedded picture is saved by its container";
  doc->embedded = false;
  EXPECT_FALSE(MenuEnables(fw::kIdEditUndo));
  EXPECT_TRUE(MenuEnables(fw::kIdEditRedo));

  fw::SendCommand(frame->Handle(), fw::kIdEditRedo);
  EXPECT_EQ(doc->Image().GetSelection(), selection);
  EXPECT_TRUE(MenuEnables(fw::kIdEditUndo));
  EXPECT_FALSE(MenuEnables(fw::kIdEditRedo));

  // Close asks about a document a step changed (here: No), and closes.
  app->answers.push_back(IDNO);
  fw::SendCommand(frame->Handle(), fw::kIdFileClose);
  PumpPending();
  EXPECT_TRUE(app->Docs().AllDocuments().empty());
  EXPECT_EQ(app->boxes, (std::vector<std::string>{"Save changes to UNTITLED.1?"}));
  DeleteFragment(selection);
}

// The MDI child window showing the document.
HWND ChildWindowOf(fw::Document* doc) { return GetParent(doc->Views().front()->Handle()); }

bool RecordIsIn(HWND child) {
  HWND active = GetActiveImageWindow();
  return active != nullptr && (active == child || IsChild(child, active));
}

TEST_F(ImageDocumentWin, NewDocumentFromImageOpensAWindowWithACopy) {
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  CLumo40Doc* source = ActiveDocument();
  ASSERT_NE(source, nullptr);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 10, 8, nullptr));
  ASSERT_EQ(source->Image().GetLayers()->AddLayerFromImage(image.get(), POINT{5, 5}, 1), 0);

  fw::View* view = NewDocumentFromImage(source, false, true, true);
  PumpPending();
  ASSERT_NE(view, nullptr);
  auto* copy = dynamic_cast<CLumo40Doc*>(view->GetDocument());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_EQ(ActiveDocument(), copy);
  EXPECT_EQ(copy->GetTitle(), "UNTITLED.1");
  ASSERT_EQ(copy->Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_NE(copy->Image().GetLayers(), source->Image().GetLayers());
  EXPECT_EQ(copy->Image().GetLayers()->GetWidth(), 40);
  EXPECT_EQ(asked, 1);  // made from the copy, not through the new-image dialog

  fw::View* merged = NewDocumentFromImage(source, true, true, false);
  PumpPending();
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(dynamic_cast<CLumo40Doc*>(merged->GetDocument())->Image().GetLayers()->GetLayerCount(), 1);
  EXPECT_EQ(source->Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 3u);
  EXPECT_EQ(NewDocumentFromImage(nullptr, false, true, false), nullptr);
}

TEST_F(ImageDocumentWin, TheActiveTopLevelWindowFollowsActivation) {
  EXPECT_EQ(GetActiveImageWindow(), nullptr);
  EXPECT_EQ(GetActiveTopLevelWnd(), frame->Handle());
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  fw::Document* first = ActiveDocument();
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  fw::Document* second = ActiveDocument();
  ASSERT_TRUE(first != nullptr && second != nullptr && first != second);
  EXPECT_TRUE(RecordIsIn(ChildWindowOf(second)));

  SendMessageA(frame->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(ChildWindowOf(first)), 0);
  PumpPending();
  EXPECT_TRUE(RecordIsIn(ChildWindowOf(first)));
  EXPECT_EQ(GetActiveTopLevelWnd(), frame->Handle());

  SendMessageA(frame->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(ChildWindowOf(second)), 0);
  PumpPending();
  EXPECT_TRUE(RecordIsIn(ChildWindowOf(second)));

  // With every image window closed the main frame owns the boxes again.
  app->CloseAllDocuments(false);
  PumpPending();
  EXPECT_EQ(GetActiveImageWindow(), nullptr);
  EXPECT_EQ(GetActiveTopLevelWnd(), frame->Handle());
}

}  // namespace
}  // namespace lumora
