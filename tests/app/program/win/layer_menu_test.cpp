// The Layer menu in the program's own start-up, on a three-layer file that
// ag-psd wrote (a ground, "Mid" with a mask, "Top" clipped to it): each
// command reached through the menu bar's Layer popup (its popups opened
// with WM_INITMENUPOPUP, the item enabled) changes the layers as it should,
// writes its statement, is one undo step; Edit/Undo brings every layer back
// byte for byte and Edit/Redo brings the change again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "engine/layers/win/GdiTextDevice.h"
#include "engine/pixels/AppValues.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "lang/doc/win/ProgramDocumentSite.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"
#include "tests/support/win/window_pixels.h"
#include "ui/LayerMenuPictograms.h"

namespace lumora {
namespace {

using lumora::testing::DialogScript;
using lumora::testing::Press;
using lumora::testing::RunUntil;
using lumora::testing::Capture;
using lumora::testing::CaptureDc;
using lumora::testing::Settle;
using lumora::testing::SettingsFileOfThisProgram;

constexpr std::uint32_t kEditUndo = 57643;
constexpr std::uint32_t kEditRedo = 57644;

std::string MadeFile(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// Every layer as undo must bring it back: attributes, place, pixels, mask.
std::vector<std::string> StackState(CLumo40Doc* doc) {
  std::vector<std::string> state;
  const CLayersManager& stack = *doc->Image().GetLayers();
  state.push_back(std::to_string(stack.GetWidth()) + "x" + std::to_string(stack.GetHeight()) + " active " +
                  std::to_string(stack.GetLayerIndex(stack.GetActiveLayer())));
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer& l = *stack.GetLayer(i);
    const RECT r = l.GetRect(), m = l.GetMaskRect();
    std::string s = l.GetName() + "|" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                    std::to_string(r.right) + "," + std::to_string(r.bottom) + "|" + std::to_string(m.left) + "," +
                    std::to_string(m.top) + "|m" + std::to_string(l.HasMask()) + "/" + std::to_string(l.GetMaskFlags()) +
                    "|f" + std::to_string(l.GetFlags()) + "|o" + std::to_string(l.GetOpacity()) + "|b" +
                    std::to_string(l.GetMergeMode()) + "|l" + std::to_string(l.GetLinkId()) + "|g" +
                    std::to_string(l.GetGrouped()) + "|";
    for (const VrWA2000::WA* buffer : {l.PeekImage(), l.HasMask() ? l.PeekMask() : nullptr}) {
      if (buffer == nullptr) continue;
      const int bytes = buffer->GetW() * (buffer->GetType() == kWAType24 ? 3 : 1);
      for (int y = 0; y < buffer->GetH(); ++y) s.append(reinterpret_cast<const char*>(buffer->Row(y)), bytes);
    }
    state.push_back(std::move(s));
  }
  return state;
}

class LayerMenu : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    lines_ = &lang::InstallProgramMacroLanguage(module, GetToolHostSite());
    lines_->SetRecording(true);
  }
  void TearDown() override {
    DialogScript::Stop();
    if (doc_ != nullptr) Close();
    HWND frame = app_.MainFrame()->Handle();
    SendMessageA(frame, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_.ExitInstance();
    DeleteFileA(ini_.c_str());
  }

  void Open(const char* name = "three.psd") {
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile(name)));
    ASSERT_NE(doc_, nullptr);
    Settle(app_, doc_);
  }
  void Close() {
    doc_->SetModifiedFlag(false);
    doc_->Image().SetModifiedFlag(false);
    doc_->OnCloseDocument();
    doc_ = nullptr;
    RunUntil(app_, [] { return true; });
  }
  HWND Frame() { return app_.MainFrame()->Handle(); }
  ImageDocument& Image() { return doc_->Image(); }

  // The Layer popup of the menu bar, and the popup that holds `id`
  // (the Layer popup or one of its sub-popups), each opened as a click
  // opens it.
  HMENU LayerPopup() {
    HMENU bar = GetMenu(Frame());
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      char text[64] = {};
      GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (std::string(text) == "&Layer") return GetSubMenu(bar, i);
    }
    return nullptr;
  }
  HMENU OpenHolding(std::uint32_t id) {
    HMENU layer = LayerPopup();
    if (layer == nullptr) return nullptr;
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(layer), 0);
    for (int i = 0; i < GetMenuItemCount(layer); ++i) {
      if (GetMenuItemID(layer, i) == id) return layer;
      HMENU sub = GetSubMenu(layer, i);
      if (sub == nullptr) continue;
      for (int k = 0; k < GetMenuItemCount(sub); ++k) {
        if (GetMenuItemID(sub, k) != id) continue;
        // A greyed sub-popup cannot be opened.
        if ((GetMenuState(layer, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0) return nullptr;
        SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, 0));
        return sub;
      }
    }
    return nullptr;
  }
  bool Enabled(std::uint32_t id) {
    HMENU popup = OpenHolding(id);
    return popup != nullptr && (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) == 0;
  }
  std::string ItemText(std::uint32_t id) {
    HMENU popup = OpenHolding(id);
    char text[128] = {};
    if (popup != nullptr) GetMenuStringA(popup, id, text, sizeof text, MF_BYCOMMAND);
    return text;
  }
  // Chooses the item as a click does: only an enabled one.
  void Choose(std::uint32_t id) {
    ASSERT_TRUE(Enabled(id)) << id;
    SendMessageA(Frame(), WM_COMMAND, id, 0);
    Settle(app_, doc_);
  }
  void Edit(std::uint32_t id) {
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(Frame()), 1)), 1);
    SendMessageA(Frame(), WM_COMMAND, id, 0);
    Settle(app_, doc_);
  }
  std::string LastStatement() const { return lines_->Lines().empty() ? std::string() : lines_->Lines().back(); }
  void Select(const RECT& r) {
    LURECT lu;
    RectToLURect(&lu, &r);
    Fragment* f = CreateRectFrg(&lu, 0);
    Image().SetSelection(f, false);
    DeleteFragment(f);
  }

  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  lang::MacroLineBuffer* lines_ = nullptr;
  std::string ini_;
};

// Index 0 Ground, 1 Mid (masked), 2 Top (clipped to Mid).
TEST_F(LayerMenu, EachCommandIsOneStepThatUndoAndRedoReplayByteForByte) {
  struct Case {
    std::uint32_t id;
    std::string statement;  // the last line it records
    std::uint32_t step;
    std::function<void(LayerMenu&)> prepare;
    std::deque<DialogScript::Step> dialogs;
    std::function<void(LayerMenu&)> check;
  };
  const auto active = [](int index) { return [index](LayerMenu& t) { t.Image().SetActiveLayerByIndex(index, true, false); }; };
  const auto mid = active(1);
  // The file's ground comes with a mask of its transparency: gone first.
  const auto bareGround = [](LayerMenu& t) {
    t.Image().SetActiveLayerByIndex(0, true, false);
    t.Image().RemoveLayerMask(false);
  };
  const auto selectOnMid = [](LayerMenu& t) {
    t.Image().SetActiveLayerByIndex(1, true, false);
    t.Select(RECT{10, 20, 30, 40});
  };
  const auto layers = [](int count) {
    return [count](LayerMenu& t) { EXPECT_EQ(t.Image().GetLayers()->GetLayerCount(), count); };
  };
  const std::vector<Case> cases = {
      {ID_LAYER_NEW_LAYER, "CreateNewLayer(\"Layer", IDS_STEP_NEW_LAYER, mid,
       {{"New layer", [](HWND d) { Press(d, IDOK); }}}, layers(4)},
      {ID_LAYER_VIA_COPY, "CopyToNewLayer(0);", IDS_STEP_NEW_LAYER, selectOnMid, {}, layers(4)},
      {ID_LAYER_VIA_CUT, "CopyToNewLayer(1);", IDS_STEP_NEW_LAYER, selectOnMid, {}, layers(4)},
      {ID_LAYER_DUPLICATE, "DuplicateLayer(\"three.psd\",\"Mid copy\",0);", IDS_STEP_INSERT_LAYER, mid,
       {{"Duplicate Layer", [](HWND d) { Press(d, IDOK); }}},
       [](LayerMenu& t) { EXPECT_EQ(t.Image().GetActiveLayer()->GetName(), "Mid copy"); }},
      {ID_LAYER_DELETE, "DeleteLayer();", IDS_STEP_DELETE_LAYER, mid, {}, layers(2)},
      {ID_LAYER_OPTIONS, "SetLayerOptions(\"Mid\",\"Normal\",50,", IDS_STEP_LAYER_TUNING, mid,
       {{"Layer options",
         [](HWND d) {
           SetDlgItemTextA(d, IDC_LAYER_OPACITY, "50");
           Press(d, IDOK);
         }}},
       [](LayerMenu& t) { EXPECT_EQ(t.Image().GetActiveLayer()->GetLayerInfo().opacity, 50); }},
      {ID_LAYER_MASK_REVEAL_ALL, "AddLayerMask(1);", IDS_STEP_REVEAL_ALL, bareGround, {},
       [](LayerMenu& t) { EXPECT_TRUE(t.Image().GetLayers()->GetLayer(0)->HasMask()); }},
      {ID_LAYER_MASK_HIDE_ALL, "AddLayerMask(0);", IDS_STEP_HIDE_ALL, bareGround, {}, nullptr},
      {ID_LAYER_MASK_REVEAL_SELECTION, "AddLayerMaskWithSelection(1);", IDS_STEP_NEW_MASK, selectOnMid, {}, nullptr},
      {ID_LAYER_MASK_HIDE_SELECTION, "AddLayerMaskWithSelection(0);", IDS_STEP_NEW_MASK, selectOnMid, {}, nullptr},
      {ID_LAYER_REMOVE_MASK, "RemoveLayerMask(1);", IDS_STEP_REMOVE_MASK, mid,
       {{"Lumora 40", [](HWND d) { Press(d, IDOK); }}},
       [](LayerMenu& t) { EXPECT_FALSE(t.Image().GetLayers()->GetLayer(1)->HasMask()); }},
      {ID_LAYER_BRING_TO_FRONT, "BringLayerToFront();", IDS_STEP_BRING_TO_FRONT, active(0), {},
       [](LayerMenu& t) { EXPECT_EQ(t.Image().GetLayers()->GetLayer(2)->GetName(), "Ground"); }},
      {ID_LAYER_BRING_FORWARD, "BringLayerForward();", IDS_STEP_BRING_FORWARD, active(0), {}, nullptr},
      {ID_LAYER_SEND_BACKWARD, "SendLayerBackward();", IDS_STEP_SEND_BACKWARD, active(2), {}, nullptr},
      {ID_LAYER_SEND_TO_BACK, "SendLayerToBack();", IDS_STEP_SEND_TO_BACK, active(2), {},
       [](LayerMenu& t) { EXPECT_EQ(t.Image().GetLayers()->GetLayer(0)->GetName(), "Top"); }},
      {ID_LAYER_ALIGN_TOP + 3, "AlignLayer(3);", IDS_STEP_ALIGN,
       [](LayerMenu& t) {
         t.Image().SetActiveLayerByIndex(2, true, false);
         t.Image().AddLayerLink(0);
       },
       {}, [](LayerMenu& t) { EXPECT_EQ(t.Image().GetLayers()->GetLayer(0)->GetRect().left, 12); }},
      {ID_LAYER_DISTRIBUTE_TOP + 3, "DistributeLayer(3);", IDS_STEP_DISTRIBUTE,
       [](LayerMenu& t) {
         t.Image().SetActiveLayerByIndex(2, true, false);
         t.Image().AddLayerLink(0);
         t.Image().AddLayerLink(1);
       },
       {}, nullptr},
      {ID_LAYER_FLATTEN, "FlattenImage();", IDS_STEP_FLATTEN, nullptr, {}, layers(1)},
      {ID_LAYER_MERGE_LINKED, "MergeLayer();", IDS_STEP_MERGE_LAYERS, mid, {}, layers(2)},
      {ID_LAYER_MERGE_VISIBLE, "MergeVisibleLayers();", IDS_STEP_MERGE_LAYERS, mid, {}, layers(1)},
      {ID_LAYER_UNGROUP, "UngroupLayer();", IDS_STEP_UNGROUP_LAYERS, active(2), {},
       [](LayerMenu& t) { EXPECT_FALSE(t.Image().GetLayers()->GetLayer(2)->GetGrouped()); }},
      {ID_LAYER_GROUP, "GroupLayer();", IDS_STEP_GROUP_LAYERS,
       [](LayerMenu& t) {
         t.Image().SetActiveLayerByIndex(2, true, false);
         t.Image().Ungroup();
       },
       {}, [](LayerMenu& t) { EXPECT_TRUE(t.Image().GetLayers()->GetLayer(2)->GetGrouped()); }},
      {ID_LAYER_FLIP_HORIZONTAL, "Flip(1,0);", IDS_STEP_LAYER_TRANSFORM, mid, {}, layers(3)},
      {ID_LAYER_FLIP_VERTICAL, "Flip(0,1);", IDS_STEP_LAYER_TRANSFORM, mid, {}, layers(3)},
      {ID_LAYER_ROTATE_180, "RotateLayer(-18000);", IDS_STEP_LAYER_TRANSFORM, mid, {}, nullptr},
      {ID_LAYER_ROTATE_90_CCW, "RotateLayer(-9000);", IDS_STEP_LAYER_TRANSFORM, mid, {},
       [](LayerMenu& t) {
         const RECT r = t.Image().GetLayers()->GetLayer(1)->GetRect();
         EXPECT_EQ(r.right - r.left, 24) << "32 x 24 turned";
       }},
      {ID_LAYER_ROTATE_90_CW, "RotateLayer(9000);", IDS_STEP_LAYER_TRANSFORM, mid, {}, nullptr},
      {ID_LAYER_ROTATE_180, "RotateLayer(-18000);", IDS_STEP_LAYER_TRANSFORM, selectOnMid, {}, layers(4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    Open();
    if (c.prepare) c.prepare(*this);
    Settle(app_, doc_);
    const std::vector<std::string> before = StackState(doc_);
    const int steps = Image().History().UndoCount();
    const std::size_t recorded = lines_->Lines().size();
    if (!c.dialogs.empty()) DialogScript::Run(c.dialogs);
    Choose(c.id);
    if (!c.dialogs.empty()) {
      EXPECT_EQ(DialogScript::done, static_cast<int>(c.dialogs.size())) << "the dialog was answered";
      DialogScript::Stop();
    }
    EXPECT_GT(lines_->Lines().size(), recorded);
    EXPECT_EQ(LastStatement().rfind(c.statement, 0), 0u) << LastStatement();
    EXPECT_EQ(Image().History().UndoCount(), steps + 1);
    EXPECT_EQ(Image().HistoryState().name, std::string(res::String(c.step)));
    const std::vector<std::string> after = StackState(doc_);
    EXPECT_TRUE(after != before) << "the command changed the layers";
    if (c.check) c.check(*this);
    Edit(kEditUndo);
    EXPECT_TRUE(StackState(doc_) == before) << "Undo restores every layer byte for byte";
    Edit(kEditRedo);
    EXPECT_TRUE(StackState(doc_) == after) << "Redo applies it again";
    Close();
  }
}

TEST_F(LayerMenu, UpdateRulesNameAndEnableTheItems) {
  Open();
  // Mid is the base of Top's group: the merge merges the group.
  Image().SetActiveLayerByIndex(1, true, false);
  EXPECT_EQ(ItemText(ID_LAYER_MERGE_LINKED), "Merge &Group\tCtrl+E");
  Image().SetActiveLayerByIndex(0, true, false);
  EXPECT_FALSE(Enabled(ID_LAYER_MERGE_LINKED));
  EXPECT_EQ(ItemText(ID_LAYER_MERGE_LINKED), "Merge &Layers\tCtrl+E");
  EXPECT_FALSE(Enabled(ID_LAYER_SEND_BACKWARD)) << "nothing below the bottom layer";
  EXPECT_FALSE(Enabled(ID_LAYER_MASK_HIDE_ALL)) << "the ground has a mask";
  EXPECT_TRUE(Enabled(ID_LAYER_REMOVE_MASK));
  ASSERT_TRUE(Image().RemoveLayerMask(false));
  EXPECT_TRUE(Enabled(ID_LAYER_MASK_HIDE_ALL));
  EXPECT_FALSE(Enabled(ID_LAYER_REMOVE_MASK));
  EXPECT_FALSE(Enabled(ID_LAYER_VIA_COPY)) << "no selection";

  // The mask item names what it does and toggles without a step.
  Image().SetActiveLayerByIndex(1, true, false);
  EXPECT_EQ(ItemText(ID_LAYER_ENABLE_MASK), "Disable Layer Mask");
  const int steps = Image().History().UndoCount();
  Choose(ID_LAYER_ENABLE_MASK);
  EXPECT_EQ(LastStatement(), "EnableLayerMask(0);");
  EXPECT_FALSE(Image().GetActiveLayer()->IsMaskEnabled());
  EXPECT_EQ(ItemText(ID_LAYER_ENABLE_MASK), "Enable Layer Mask");
  EXPECT_EQ(Image().History().UndoCount(), steps);

  // Align needs two linked layers, Distribute three; their entries carry
  // the pictograms.
  EXPECT_FALSE(Enabled(ID_LAYER_ALIGN_TOP));
  Image().AddLayerLink(0);
  EXPECT_TRUE(Enabled(ID_LAYER_ALIGN_TOP));
  EXPECT_FALSE(Enabled(ID_LAYER_DISTRIBUTE_TOP));
  Image().AddLayerLink(2);
  EXPECT_TRUE(Enabled(ID_LAYER_DISTRIBUTE_TOP));
  HMENU align = OpenHolding(ID_LAYER_ALIGN_TOP);
  ASSERT_NE(align, nullptr);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_CHECKMARKS;
  ASSERT_TRUE(GetMenuItemInfoA(align, ID_LAYER_ALIGN_TOP + 2, FALSE, &info));
  ASSERT_NE(info.hbmpUnchecked, nullptr);
  ASSERT_NE(info.hbmpChecked, nullptr);
  // Each picture is the pictogram: outlines black, boxes grey (white when
  // checked), the rest white.
  const int w = GetSystemMetrics(SM_CXMENUCHECK), h = GetSystemMetrics(SM_CYMENUCHECK);
  const lumora::Pictogram drawn = lumora::LayerMenuPictogram(2, w, h);
  ASSERT_FALSE(drawn.boxes.empty());
  const RECT box = drawn.boxes.front();
  ASSERT_GE(box.right - box.left, 3);
  ASSERT_GE(box.bottom - box.top, 3);
  for (const bool checked : {false, true}) {
    HBITMAP bitmap = checked ? info.hbmpChecked : info.hbmpUnchecked;
    const Capture picture = CaptureDc(w, h, [&](HDC dc) {
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, bitmap);
      BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
    });
    const auto at = [&](LONG x, LONG y) { return picture.At(x, y); };
    EXPECT_EQ(at(box.left, box.top), 0x000000u) << "outline, checked " << checked;
    EXPECT_EQ(at((box.left + box.right) / 2, (box.top + box.bottom) / 2), checked ? 0xFFFFFFu : 0xC8C8C8u)
        << "inside, checked " << checked;
    int white = 0;
    for (LONG y = 0; y < h; ++y)
      for (LONG x = 0; x < w; ++x) {
        bool covered = false;
        for (const RECT& b : drawn.boxes) covered |= x >= b.left && x < b.right && y >= b.top && y < b.bottom;
        for (const auto& [a, b] : drawn.lines)
          covered |= x >= std::min(a.x, b.x) && x <= std::max(a.x, b.x) && y >= std::min(a.y, b.y) &&
                     y <= std::max(a.y, b.y);
        if (covered) continue;
        EXPECT_EQ(at(x, y), 0xFFFFFFu) << x << "," << y;
        ++white;
      }
    EXPECT_GT(white, 0) << "the pictogram leaves some of the cell white";
  }

  // No text layer: the Text popup is greyed.
  EXPECT_FALSE(Enabled(ID_LAYER_TEXT_RENDER));
  EXPECT_TRUE(Enabled(ID_LAYER_FLIP_HORIZONTAL));
}

TEST_F(LayerMenu, AlignWithoutOpaquePixelsSaysWhichCommandAndLayer) {
  Open();
  Image().SetActiveLayerByIndex(1, true, false);
  Image().AddLayerLink(0);
  // Mid's mask below half everywhere.
  CLayer* midLayer = Image().GetActiveLayer();
  ASSERT_TRUE(Image().DetachLayerForWriting(midLayer));
  VrWA2000::WA* mask = midLayer->PeekMask();
  for (int y = 0; y < mask->GetH(); ++y)
    for (int x = 0; x < mask->GetW(); ++x) mask->Row(y)[x] = 100;
  std::string shown;
  DialogScript::Run({{"Lumora 4.0", [&](HWND d) {
                        char text[512] = {};
                        GetDlgItemTextA(d, 0xFFFF, text, sizeof text);
                        shown = text;
                        Press(d, IDOK);
                      }}});
  const int steps = Image().History().UndoCount();
  Choose(ID_LAYER_ALIGN_TOP + 4);
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(shown, "Sorry, could not complite the 'Horizontal Center' command because none of the pixels in the "
                   "target layer 'Mid are more then 50% opaque.");
  EXPECT_EQ(Image().History().UndoCount(), steps);
}

TEST_F(LayerMenu, FlattenAsksBeforeDiscardingHiddenLayers) {
  Open();
  Image().SetActiveLayerByIndex(2, true, false);
  ASSERT_TRUE(Image().ShowLayer(false));
  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDCANCEL); }}});
  Choose(ID_LAYER_FLATTEN);
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(Image().GetLayers()->GetLayerCount(), 3) << "Cancel keeps the layers";
  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDOK); }}});
  Choose(ID_LAYER_FLATTEN);
  EXPECT_EQ(Image().GetLayers()->GetLayerCount(), 1);
}

// The flat layer of a file with masks, a clipping group and several modes
// is the stack's composite on white.
TEST_F(LayerMenu, FlattenGivesTheCompositeOnWhite) {
  Open("modes.psd");
  ASSERT_EQ(Image().GetLayers()->GetLayerCount(), 4);
  const WAPtr composite = Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  Choose(ID_LAYER_FLATTEN);
  ASSERT_EQ(Image().GetLayers()->GetLayerCount(), 1);
  const WAPtr flat = Image().GetLayers()->GetLayer(0)->GetImage();
  ASSERT_EQ(flat->GetW(), composite->GetW());
  for (int y = 0; y < flat->GetH(); ++y)
    ASSERT_EQ(0, std::memcmp(flat->Row(y), composite->Row(y), static_cast<std::size_t>(flat->GetW()) * 3)) << y;
}

// A text layer: Horizontal and Vertical checked by its orientation, the
// orientation laid out again, Render Layer turns it into plain pixels.
TEST_F(LayerMenu, TextLayersTurnAndRenderIntoPixels) {
  Open();
  CLayerPtr holder = CLayerPtr::Adopt(new CLayerText(kWAType24));
  auto* text = static_cast<CLayerText*>(holder.get());
  std::vector<CCharFormat> formats;
  for (char c : std::string("Words")) {
    CCharFormat f;
    f.character = static_cast<std::uint8_t>(c);
    f.size = 120;
    f.face = "Arial";
    formats.push_back(f);
  }
  text->SetCharFormats(formats);
  text->SetTextAttributes(0, RGB(0, 0, 255), 0, 0, 0, 0, 0);
  ASSERT_EQ(LayoutTextWithGdi(*text, 0, &Image(), nullptr), 0);
  ASSERT_TRUE(Image().AddLayer(text, true));
  Settle(app_, doc_);
  EXPECT_TRUE(Enabled(ID_LAYER_TEXT_RENDER));
  EXPECT_FALSE(Enabled(ID_LAYER_FLIP_HORIZONTAL)) << "the Transform popup is off for a text layer";
  HMENU popup = OpenHolding(ID_LAYER_TEXT_HORIZONTAL);
  ASSERT_NE(popup, nullptr);
  EXPECT_NE(GetMenuState(popup, ID_LAYER_TEXT_HORIZONTAL, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(popup, ID_LAYER_TEXT_VERTICAL, MF_BYCOMMAND) & MF_CHECKED, 0u);

  const RECT wide = text->GetRect();
  Choose(ID_LAYER_TEXT_VERTICAL);
  EXPECT_EQ(text->Attributes().vertical, 1);
  const RECT tall = text->GetRect();
  EXPECT_GT(tall.bottom - tall.top, tall.right - tall.left) << "laid out in a column";
  EXPECT_GT(wide.right - wide.left, wide.bottom - wide.top);
  popup = OpenHolding(ID_LAYER_TEXT_VERTICAL);
  EXPECT_NE(GetMenuState(popup, ID_LAYER_TEXT_VERTICAL, MF_BYCOMMAND) & MF_CHECKED, 0u);

  const std::vector<std::string> before = StackState(doc_);
  const int steps = Image().History().UndoCount();
  Choose(ID_LAYER_TEXT_RENDER);
  CLayer* rendered = Image().GetActiveLayer();
  EXPECT_EQ(rendered->IsText(), 0);
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(Image().HistoryState().name, "Render text to image");
  EXPECT_TRUE(StackState(doc_) == before) << "the same pixels, no longer text";
  EXPECT_FALSE(Enabled(ID_LAYER_TEXT_RENDER));
  Edit(kEditUndo);
  EXPECT_EQ(Image().GetActiveLayer()->IsText(), 1);
}

// New layer refuses a name another layer carries: the warning, a free name
// put in, the dialog open until OK again. Layer Options cancelled after a
// preview leaves the layer as it was.
TEST_F(LayerMenu, DialogsCheckNamesAndCancelPreviews) {
  Open();
  Image().SetActiveLayerByIndex(1, true, false);
  std::string warned, replaced;
  DialogScript::Run({{"New layer",
                      [](HWND d) {
                        SetDlgItemTextA(d, IDC_LAYER_NAME, "Ground");
                        Press(d, IDOK);
                      }},
                     {"Lumora 4.0 Warning",
                      [&](HWND d) {
                        char text[256] = {};
                        GetDlgItemTextA(d, 0xFFFF, text, sizeof text);
                        warned = text;
                        Press(d, IDOK);
                      }},
                     {"New layer", [&](HWND d) {
                        char text[128] = {};
                        GetDlgItemTextA(d, IDC_LAYER_NAME, text, sizeof text);
                        replaced = text;
                        Press(d, IDOK);
                      }}});
  Choose(ID_LAYER_NEW_LAYER);
  EXPECT_EQ(DialogScript::done, 3);
  DialogScript::Stop();
  EXPECT_EQ(warned, "Layer with name 'Ground' already exists !");
  EXPECT_FALSE(replaced.empty());
  EXPECT_NE(replaced, "Ground");
  EXPECT_EQ(Image().GetActiveLayer()->GetName(), replaced);

  Image().SetActiveLayerByIndex(1, true, false);
  const std::vector<std::string> before = StackState(doc_);
  const int steps = Image().History().UndoCount();
  DialogScript::Run({{"Layer options", [](HWND d) {
                        SetDlgItemTextA(d, IDC_LAYER_OPACITY, "10");
                        Press(d, IDCANCEL);
                      }}});
  Choose(ID_LAYER_OPTIONS);
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_TRUE(StackState(doc_) == before) << "the preview is taken back";
  EXPECT_EQ(Image().History().UndoCount(), steps);
}

}  // namespace
}  // namespace lumora
