// An image edited in place in a container of the test's own, inside the
// program's process: the in-place menu's popups as the in-place frame
// enables and checks them, its bar toggles and toolbar customisation on the
// bars in the container's frame.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win/EmbeddedImage.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/CmdUI.h"
#include "framework/CommandIds.h"
#include "framework/win/Frame.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/ole_container.h"
#include "ui/win/CustomizeDlg.h"

namespace lumora {
namespace {

using testing::ChildWithId;
using testing::ContainerWindows;
using ContainerFrame = testing::TestInPlaceFrame;
using ContainerDocWindow = testing::TestDocWindow;
using Site = testing::TestSite;

// A key of the container's own table: F11, its command 4242.
constexpr WORD kContainerCommand = 4242;

class InPlaceEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
    const ContainerWindows windows = ContainerWindows::Create(SIZE{700, 500}, SIZE{640, 400});
    frameWindow_ = windows.frame;
    area_ = windows.area;
    ASSERT_NE(area_, nullptr);
    ACCEL key{FVIRTKEY, VK_F11, kContainerCommand};
    keys_ = CreateAcceleratorTableA(&key, 1);
    frame_ = std::make_unique<ContainerFrame>(frameWindow_);
    docWindow_ = std::make_unique<ContainerDocWindow>(area_);
    site_ = std::make_unique<Site>(area_, frame_.get(), RECT{20, 20, 380, 300}, docWindow_.get());
    site_->keys = keys_;
  }

  void TearDown() override {
    if (object_ != nullptr) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->Release();
    }
    if (frame_ != nullptr) frame_->SetActiveObject(nullptr, nullptr);
    if (CCustomizeDlg* open = CCustomizeDlg::Open()) open->DestroyWindow();
    testing::DiscardChanges(*app_);
    if (frameWindow_ != nullptr) DestroyWindow(frameWindow_);
    if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
    testing::CloseProgram(*app_);
    app_.reset();
  }

  // A new embedded image (320 x 240, white) UI-activated in the container.
  void Activate() {
    object_ = CEmbeddedImage::Create();
    ASSERT_EQ(static_cast<IPersistStorage*>(object_)->InitNew(nullptr), S_OK);
    auto* client = static_cast<IOleClientSite*>(site_.get());
    ASSERT_EQ(object_->SetClientSite(client), S_OK);
    RECT position{20, 20, 380, 300};
    ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, client, 0, area_, &position), S_OK);
    ASSERT_EQ(static_cast<IOleInPlaceObject*>(object_)->GetWindow(&inPlaceWindow_), S_OK);
    testing::Settle(*app_);
  }

  // The in-place menu's popup holding `id` after the in-place frame's
  // update ran on it, and the item's position there.
  HMENU OpenPopupWith(UINT id, int* position) {
    for (int i = 0; i < 8; ++i) {
      HMENU popup = app_->GetMenuPopup(1, 0, i);
      if (popup == nullptr) continue;
      for (int k = 0; k < GetMenuItemCount(popup); ++k) {
        if (GetMenuItemID(popup, k) != id) continue;
        SendMessageA(inPlaceWindow_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
        *position = k;
        return popup;
      }
    }
    return nullptr;
  }
  UINT StateOf(UINT id) {
    int at = -1;
    HMENU popup = OpenPopupWith(id, &at);
    EXPECT_NE(popup, nullptr) << "no in-place menu item " << id;
    return popup != nullptr ? GetMenuState(popup, static_cast<UINT>(at), MF_BYPOSITION) : 0xFFFFFFFFu;
  }
  bool Enabled(UINT id) { return (StateOf(id) & (MF_GRAYED | MF_DISABLED)) == 0; }
  // Whether the sub-popup holding `id` is enabled in its in-place popup.
  bool SubPopupEnabled(UINT id) {
    for (int i = 0; i < 8; ++i) {
      HMENU popup = app_->GetMenuPopup(1, 0, i);
      for (int k = 0; popup != nullptr && k < GetMenuItemCount(popup); ++k) {
        HMENU sub = GetSubMenu(popup, k);
        bool holds = false;
        for (int j = 0; sub != nullptr && j < GetMenuItemCount(sub); ++j) holds = holds || GetMenuItemID(sub, j) == id;
        if (!holds) continue;
        SendMessageA(inPlaceWindow_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
        return (GetMenuState(popup, static_cast<UINT>(k), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
      }
    }
    ADD_FAILURE() << "no in-place sub-popup holding " << id;
    return false;
  }
  bool Checked(UINT id) { return (StateOf(id) & MF_CHECKED) != 0; }

  testing::FreshSettings settings_;
  std::unique_ptr<CLumo40App> app_;
  HWND frameWindow_ = nullptr, area_ = nullptr, inPlaceWindow_ = nullptr;
  HACCEL keys_ = nullptr;
  std::unique_ptr<ContainerFrame> frame_;
  std::unique_ptr<ContainerDocWindow> docWindow_;
  std::unique_ptr<Site> site_;
  CEmbeddedImage* object_ = nullptr;
};

// The in-place menu answers for the image edited in place, not for the
// image the program's own window shows: Undo follows the embedded image's
// history; "Open Picture object into separate window" is enabled; the bar
// toggles show and change the bars in the container's frame, and Customize
// Toolbars opens over those bars.
TEST_F(InPlaceEditing, TheInPlaceMenuFollowsTheInPlaceFrameAndItsBars) {
  // An image of the program's own with a step to undo.
  auto* own = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"));
  ASSERT_NE(own, nullptr);
  testing::Settle(*app_);
  SendMessageA(app_->MainFrame()->Handle(), WM_COMMAND, ID_IMAGE_ROTATE_90CW, 0);
  // Its active layer linked to another: its Layer/Align popup is enabled.
  CLayersManager* layers = own->Image().GetLayers();
  ASSERT_GE(layers->GetLayerCount(), 2);
  layers->GetActiveLayer()->SetLinkId(7);
  layers->GetLayer(layers->GetLayer(0) == layers->GetActiveLayer() ? 1 : 0)->SetLinkId(7);
  testing::Settle(*app_);
  Activate();
  if (HasFatalFailure()) return;

  EXPECT_TRUE(Enabled(33068)) << "Open Picture object into separate window";
  // For the record: the items no handler on the in-place route enables.
  std::string greyed;
  for (int i = 0; i < 8; ++i) {
    HMENU popup = app_->GetMenuPopup(1, 0, i);
    SendMessageA(inPlaceWindow_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
    for (int k = 0; k < GetMenuItemCount(popup); ++k) {
      const UINT id = GetMenuItemID(popup, k);
      if (id != 0 && id != 0xFFFFFFFFu && (GetMenuState(popup, k, MF_BYPOSITION) & MF_GRAYED) != 0) {
        greyed += " " + std::to_string(id);
      }
    }
  }
  std::printf("greyed in place:%s\n", greyed.c_str());
  EXPECT_FALSE(Enabled(ID_EDIT_UNDO)) << "the embedded image has nothing to undo";
  SendMessageA(inPlaceWindow_, WM_COMMAND, ID_IMAGE_ROTATE_90CW, 0);
  testing::Settle(*app_);
  EXPECT_TRUE(Enabled(ID_EDIT_UNDO)) << "the turn made in place";
  // The user turns to the program's own window meanwhile: its image's
  // window becomes the active one there.
  fw::FrameWnd* ownFrame = own->Views().front()->GetParentFrame();
  ownFrame->ActivateFrame();
  testing::Settle(*app_);
  ASSERT_EQ(app_->MainFrame()->GetActiveFrame(), ownFrame);
  EXPECT_FALSE(Enabled(ID_EDIT_REDO));
  EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
  EXPECT_FALSE(SubPopupEnabled(ID_LAYER_ALIGN_TOP)) << "the embedded image has no linked layers";
  SendMessageA(inPlaceWindow_, WM_COMMAND, ID_EDIT_UNDO, 0);
  testing::Settle(*app_);
  EXPECT_TRUE(Enabled(ID_EDIT_REDO)) << "the turn made in place was not undone there";

  // The paint bar in the container's frame, not the program's.
  HWND paintBar = ChildWithId(frameWindow_, IDW_BRUSH_BAR);
  HWND ownPaintBar = ChildWithId(app_->MainFrame()->Handle(), IDW_BRUSH_BAR);
  ASSERT_NE(paintBar, nullptr);
  ASSERT_NE(ownPaintBar, nullptr);
  const bool ownShown = IsWindowVisible(ownPaintBar) != FALSE;
  EXPECT_TRUE(Checked(ID_VIEW_PAINT_BAR));
  const int sets = frame_->borderSets;
  const LONG leftWidth = frame_->border.left;
  SendMessageA(inPlaceWindow_, WM_COMMAND, ID_VIEW_PAINT_BAR, 0);
  EXPECT_EQ(GetWindowLongA(paintBar, GWL_STYLE) & WS_VISIBLE, 0) << "the in-place paint bar stays";
  EXPECT_EQ(IsWindowVisible(ownPaintBar) != FALSE, ownShown) << "the program's own paint bar changed";
  EXPECT_FALSE(Checked(ID_VIEW_PAINT_BAR));
  EXPECT_GT(frame_->borderSets, sets) << "the border space is not asked for again";
  EXPECT_LT(frame_->border.left, leftWidth) << "the left border still holds the paint bar";
  SendMessageA(inPlaceWindow_, WM_COMMAND, ID_VIEW_PAINT_BAR, 0);
  EXPECT_NE(GetWindowLongA(paintBar, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_TRUE(Checked(ID_VIEW_PAINT_BAR));
  EXPECT_EQ(frame_->border.left, leftWidth);

  // The selection bar's toggle needs area tools.
  HWND selectionBar = ChildWithId(frameWindow_, ID_VIEW_SELECTION_BAR);
  ASSERT_NE(selectionBar, nullptr);
  const bool areaTools = !app_->areaTools.Empty();
  std::printf("area tools registered: %s\n", areaTools ? "yes" : "no");
  EXPECT_EQ(Enabled(ID_VIEW_SELECTION_BAR), areaTools);
  if (areaTools) {
    const bool shown = (GetWindowLongA(selectionBar, GWL_STYLE) & WS_VISIBLE) != 0;
    EXPECT_EQ(Checked(ID_VIEW_SELECTION_BAR), shown);
    SendMessageA(inPlaceWindow_, WM_COMMAND, ID_VIEW_SELECTION_BAR, 0);
    EXPECT_EQ((GetWindowLongA(selectionBar, GWL_STYLE) & WS_VISIBLE) != 0, !shown);
  }

  // Customize Toolbars: this frame's four bars, in the order main, paint,
  // tools, selection.
  EXPECT_TRUE(Enabled(ID_OPTIONS_CUSTOMIZE));
  SendMessageA(inPlaceWindow_, WM_COMMAND, ID_OPTIONS_CUSTOMIZE, 0);
  CCustomizeDlg* dialog = CCustomizeDlg::Open();
  ASSERT_NE(dialog, nullptr) << "no customise dialog";
  std::vector<int> ids;
  for (CCToolBar* bar : dialog->BarList()) {
    EXPECT_TRUE(IsChild(frameWindow_, bar->Handle())) << "a bar outside the container's frame";
    ids.push_back(GetDlgCtrlID(bar->Handle()));
  }
  EXPECT_EQ(ids, (std::vector<int>{59392, 59402, 59404, 59403}));
  dialog->DestroyWindow();
}

// A command of the layer palette's own menu reaches the palette, shown
// beside the image edited in place, from the in-place frame: its
// thumbnail size changes as in the program's window.
TEST_F(InPlaceEditing, ThePaletteTakesItsCommandsFromTheInPlaceFrame) {
  Activate();
  if (HasFatalFailure()) return;
  CMainFrame* main = app_->MainFrameWnd();
  if (!main->IsLayerPaletteVisible()) SendMessageA(main->Handle(), WM_COMMAND, ID_VIEW_LAYER_PALETTE, 0);
  testing::Settle(*app_);
  ASSERT_TRUE(main->IsLayerPaletteVisible());
  auto checked = [&](UINT id) {
    return fw::QueryCommandState(main->LayerPalette(), id, 0, fw::CmdUIState{}, true).checked != 0;
  };
  for (UINT id : {ID_THUMBS_LARGE, ID_THUMBS_NONE}) {
    SendMessageA(inPlaceWindow_, WM_COMMAND, id, 0);
    EXPECT_TRUE(checked(id)) << id;
  }
}

// Keys typed in the image edited in place: one of the container's table
// (F11) goes to the container's frame as its command; one of the image's
// own (F7, View/Layer Palette) stays the program's.
TEST_F(InPlaceEditing, TheContainersKeysReachItsFrame) {
  Activate();
  if (HasFatalFailure()) return;
  HWND view = GetFocus();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(IsChild(inPlaceWindow_, view)) << "the image edited in place has no focus";
  auto type = [&](WPARAM key) {
    PostMessageA(view, WM_KEYDOWN, key, 1);
    PostMessageA(view, WM_KEYUP, key, 0xC0000001);
    testing::Settle(*app_);
  };
  type(VK_F11);
  EXPECT_EQ(frame_->containerCommands, std::vector<WORD>{kContainerCommand});
  EXPECT_EQ(frame_->containerKeys, std::vector<WPARAM>{VK_F11});
  CMainFrame* main = app_->MainFrameWnd();
  const bool palette = main->IsLayerPaletteVisible();
  type(VK_F7);
  EXPECT_NE(main->IsLayerPaletteVisible(), palette) << "F7 did not reach the program";
  EXPECT_EQ(frame_->containerCommands.size(), 1u) << "the image's own key went to the container";
}

// An MDI container switches to another of its document windows and back:
// the image's menu and bars leave the container's frame and return, the
// border space granted is kept, and the image is the frame's active object
// again with the focus.
TEST_F(InPlaceEditing, TheDocumentWindowsActivationTakesTheMenuAndBarsAwayAndBack) {
  Activate();
  if (HasFatalFailure()) return;
  auto* active = static_cast<IOleInPlaceActiveObject*>(object_);
  EXPECT_EQ(docWindow_->active, active);
  HWND mainBar = ChildWithId(frameWindow_, 59392);
  ASSERT_NE(mainBar, nullptr);
  ASSERT_NE(frame_->sharedMenu, nullptr);
  ASSERT_TRUE(IsWindowVisible(mainBar));
  const int sets = frame_->borderSets;
  const RECT border = frame_->border;

  ASSERT_EQ(active->OnDocWindowActivate(FALSE), S_OK);
  EXPECT_EQ(frame_->sharedMenu, nullptr) << "the shared menu stays in the container's frame";
  EXPECT_FALSE(IsWindowVisible(mainBar)) << "the bars stay in the container's frame";
  EXPECT_EQ(frame_->borderSets, sets) << "the border space was given up";

  frame_->SetActiveObject(nullptr, nullptr);
  ASSERT_EQ(active->OnDocWindowActivate(TRUE), S_OK);
  EXPECT_NE(frame_->sharedMenu, nullptr);
  EXPECT_EQ(frame_->menusSet, 2);
  EXPECT_TRUE(IsWindowVisible(mainBar));
  EXPECT_EQ(frame_->border.left, border.left);
  EXPECT_EQ(frame_->border.top, border.top);
  EXPECT_EQ(frame_->active, active);
  EXPECT_TRUE(IsChild(inPlaceWindow_, GetFocus()));
  // Told twice, the menu is merged once.
  ASSERT_EQ(active->OnDocWindowActivate(TRUE), S_OK);
  EXPECT_EQ(frame_->menusSet, 2);
}

// The image edited in place has a document window of its own, hidden: the
// program's window keeps showing and listing the user's image alone (its
// Window menu), and the user's image stays the active one.
TEST_F(InPlaceEditing, TheInPlaceDocumentsWindowStaysOutOfTheProgramsWindow) {
  auto* own = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"));
  ASSERT_NE(own, nullptr);
  testing::Settle(*app_);
  auto* main = dynamic_cast<fw::MdiFrame*>(app_->MainFrame());
  ASSERT_NE(main, nullptr);
  HWND ownChild = reinterpret_cast<HWND>(SendMessageA(main->MdiClient(), WM_MDIGETACTIVE, 0, 0));
  ASSERT_NE(ownChild, nullptr);
  Activate();
  if (HasFatalFailure()) return;
  int children = 0, shown = 0;
  for (HWND c = GetWindow(main->MdiClient(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    ++children;
    if (IsWindowVisible(c)) ++shown;
  }
  EXPECT_EQ(children, 2) << "the in-place image has no document window";
  EXPECT_EQ(shown, 1) << "the in-place image's window shows in the program";
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(main->MdiClient(), WM_MDIGETACTIVE, 0, 0)), ownChild)
      << "the in-place image's window became the active one";
  // The Window menu (the popup before Help) lists the windows after its own items.
  HMENU bar = GetMenu(main->Handle());
  ASSERT_NE(bar, nullptr);
  HMENU windows = GetSubMenu(bar, GetMenuItemCount(bar) - 2);
  ASSERT_NE(windows, nullptr);
  int listed = 0;
  for (int k = 0; k < GetMenuItemCount(windows); ++k) {
    const UINT id = GetMenuItemID(windows, k);
    if (id >= fw::kIdFirstMdiChild && id < fw::kIdFirstMdiChild + 10) ++listed;
  }
  EXPECT_EQ(listed, 1) << "the Window menu lists the in-place image";
}

// The object's display bitmap and palette are GDI objects of their kinds,
// the palette the halftone one for a true-colour image.
TEST_F(InPlaceEditing, TheObjectRendersItsBitmapAndPalette) {
  object_ = CEmbeddedImage::Create();
  ASSERT_EQ(static_cast<IPersistStorage*>(object_)->InitNew(nullptr), S_OK);
  auto* data = static_cast<IDataObject*>(object_);
  FORMATETC bitmap{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  FORMATETC palette{CF_PALETTE, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&bitmap, &medium), S_OK);
  EXPECT_EQ(GetObjectType(medium.hBitmap), static_cast<DWORD>(OBJ_BITMAP));
  ReleaseStgMedium(&medium);
  medium = STGMEDIUM{};
  ASSERT_EQ(data->GetData(&palette, &medium), S_OK);
  ASSERT_EQ(GetObjectType(medium.hBitmap), static_cast<DWORD>(OBJ_PAL));
  HDC screen = GetDC(nullptr);
  HPALETTE halftone = CreateHalftonePalette(screen);
  ReleaseDC(nullptr, screen);
  const UINT count = GetPaletteEntries(reinterpret_cast<HPALETTE>(medium.hBitmap), 0, 0, nullptr);
  EXPECT_EQ(count, GetPaletteEntries(halftone, 0, 0, nullptr));
  std::vector<PALETTEENTRY> got(count), expected(count);
  GetPaletteEntries(reinterpret_cast<HPALETTE>(medium.hBitmap), 0, count, got.data());
  GetPaletteEntries(halftone, 0, count, expected.data());
  EXPECT_EQ(std::memcmp(got.data(), expected.data(), count * sizeof(PALETTEENTRY)), 0);
  DeleteObject(halftone);
  ReleaseStgMedium(&medium);
}

// Window/Close All Images while a container edits an image in its window:
// the container gets the image back first and is told, then the program's
// own images close.
TEST_F(InPlaceEditing, CloseAllImagesGivesTheInPlaceImageBackToItsContainerFirst) {
  ASSERT_NE(app_->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  Activate();
  if (HasFatalFailure()) return;
  ASSERT_EQ(app_->Docs().AllDocuments().size(), 2u);
  SendMessageA(app_->MainFrame()->Handle(), WM_COMMAND, ID_WINDOW_CLOSE_ALL_IMAGES, 0);
  testing::Settle(*app_);
  EXPECT_EQ(site_->inPlaceDeactivations, 1) << "the container was not told the editing ended";
  EXPECT_FALSE(IsWindow(inPlaceWindow_)) << "the in-place frame stayed in the container's window";
  EXPECT_TRUE(app_->Docs().AllDocuments().empty());
}

}  // namespace
}  // namespace lumora
