// The help wizard in the program's own start-up: opened from Help/Effect
// Wizard, walked page by page with the sheet's own buttons, its preview
// against the tool run on a copy, Apply as one undo step and Edit/Undo.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/HelpWizardForm.h"
#include "dialogs/win/HelpSupport.h"
#include "dialogs/win/HelpWizard.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "lang/ToolHostAdapters.h"
#include "lang/ToolRunner.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"

namespace lumora {
namespace {

using testing::DialogScript;
using testing::HelpWatchingApp;
using VrWA2000::WA;

// A flat colour image with a diagonal gradient and a darker band, so that
// every effect has something to change.
WA* Gradient(int w, int h) {
  WA* wa = new WA(16, w, h, static_cast<const PALETTEENTRY*>(nullptr), false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = wa->Row(y) + 3 * x;
      const int band = (x / 8) % 2 == 0 ? 0 : 90;
      p[0] = static_cast<std::uint8_t>(std::min(255, 20 + x * 200 / w + band / 3));
      p[1] = static_cast<std::uint8_t>(std::min(255, 40 + y * 180 / h));
      p[2] = static_cast<std::uint8_t>(std::max(0, 230 - (x + y) * 150 / (w + h) - band));
    }
  return wa;
}

bool SamePixels(const WA* a, const WA* b) {
  if (a->GetW() != b->GetW() || a->GetH() != b->GetH() || a->GetType() != b->GetType()) return false;
  const std::size_t bytes = static_cast<std::size_t>(a->GetW()) * (a->GetType() == 16 ? 3 : 1);
  for (int y = 0; y < a->GetH(); ++y)
    if (std::memcmp(a->Row(y), b->Row(y), bytes) != 0) return false;
  return true;
}

class HelpWizard : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::make_unique<HelpWatchingApp>();
    ASSERT_TRUE(testing::StartProgram(*app_).started);
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::DiscardChanges(*app_);
    testing::CloseProgram(*app_);
    app_.reset();
  }

  CLumo40Doc* NewImage(int w, int h) {
    WA* image = Gradient(w, h);
    fw::Document* doc = CreateNewDocument("", nullptr, image, false, false);
    image->Release();
    testing::Settle(*app_);
    return dynamic_cast<CLumo40Doc*>(doc);
  }

  // Chooses a command as the user does: its popup opens (the update rules
  // run) and the item is clicked when it is enabled.
  bool Choose(UINT id) {
    if (!testing::ChooseFromMenus(app_->MainFrame()->Handle(), id)) return false;
    testing::Settle(*app_);
    return true;
  }

  CHelpWizardSheet* Wizard() { return app_->MainFrameWnd()->HelpWizard(); }
  HWND Sheet() { return Wizard()->Handle(); }
  HWND Page() { return reinterpret_cast<HWND>(SendMessageA(Sheet(), PSM_GETCURRENTPAGEHWND, 0, 0)); }
  int PageIndex() { return Wizard()->GetActiveIndex(); }
  void Next() {
    SendMessageA(Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    testing::Settle(*app_);
  }
  // Walks from the first page to the effect page with the kind's radio.
  void WalkToEffects(int kind) {
    ASSERT_EQ(PageIndex(), 0);
    Next();
    ASSERT_EQ(PageIndex(), 1);
    Next();
    ASSERT_EQ(PageIndex(), 2);
    Next();
    ASSERT_EQ(PageIndex(), 3);
    for (int k = 0; k < dialogs::kEffectKinds; ++k)
      CheckDlgButton(Page(), IDC_HW_FILTER + k, k == kind ? BST_CHECKED : BST_UNCHECKED);
    Next();
    ASSERT_EQ(PageIndex(), 4);
  }
  void SelectEffect(int index) {
    HWND page = Page();
    SendDlgItemMessageA(page, IDC_HW_EFFECT_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_HW_EFFECT_COMBO, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_HW_EFFECT_COMBO)));
  }
  void SpinTo(int position) {
    HWND page = Page();
    HWND spin = GetDlgItem(page, IDC_HW_PRESET_SPIN);
    SendMessageA(spin, UDM_SETPOS32, 0, position);
    SendMessageA(page, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(spin));
  }

  testing::FreshSettings settings_;
  std::unique_ptr<HelpWatchingApp> app_;
};

TEST_F(HelpWizard, GraphicPenPreviewApplyAsOneStepAndUndo) {
  CLumo40Doc* doc = NewImage(64, 48);
  ASSERT_NE(doc, nullptr);
  ImageDocument& image = doc->Image();
  WA* original = new WA(*image.GetActiveImage(), false);
  const int initialSteps = image.History().UndoCount();

  ASSERT_TRUE(Choose(ID_HELP_EFFECT_WIZARD));
  ASSERT_NE(Wizard(), nullptr);
  ASSERT_TRUE(Wizard()->IsOpen());
  EXPECT_FALSE(Choose(ID_HELP_EFFECT_WIZARD)) << "greyed while the wizard is open";
  char closeText[32] = {};
  GetDlgItemTextA(Sheet(), IDCANCEL, closeText, sizeof closeText);
  EXPECT_STREQ(closeText, "Close");

  WalkToEffects(static_cast<int>(dialogs::EffectKind::kRedraw));
  SelectEffect(4);  // Graphic Pen
  CHelpWizardPage5& page = Wizard()->EffectPage();
  EXPECT_EQ(page.Effect().tool, "graphic_pen");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(Page(), IDC_HW_PRESET_SPIN))) << "two presets";
  SpinTo(1);
  EXPECT_EQ(page.Preset(), 1);

  // The preview is the tool run on a copy of the image.
  lang::LUToolRunHost host(app_->Site());
  lang::ToolRunContext context{host, nullptr};
  WA* expected = new WA(*original, false);
  Fragment* none = nullptr;
  ASSERT_EQ(lang::RunToolOnImage(context, "graphic_pen", expected, "128,16,45,5,0", "%d,%d,%d,%d,%d", &none, 0, 0), 1);
  ASSERT_NE(page.PreviewResult(), nullptr);
  EXPECT_TRUE(SamePixels(page.PreviewResult(), expected));
  EXPECT_FALSE(SamePixels(expected, original));
  // The preview shows it 1:1 in the middle of its control.
  HWND preview = GetDlgItem(Page(), IDC_HW_PREVIEW);
  const testing::Capture shown = testing::CaptureClient(preview);
  const int left = (shown.width - 64) / 2, top = (shown.height - 48) / 2;
  ASSERT_GE(left, 0);
  ASSERT_GE(top, 0);
  int differing = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      differing += shown.At(left + x, top + y) != testing::CompositePixel(*expected, x, 47 - y) ? 1 : 0;
  EXPECT_EQ(differing, 0);

  // Apply: the layer changes as that run did, in one step named after the effect.
  const int steps = image.History().UndoCount();
  EXPECT_EQ(steps, initialSteps) << "previews leave the history alone";
  SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_HW_APPLY, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Page(), IDC_HW_APPLY)));
  testing::Settle(*app_);
  EXPECT_TRUE(SamePixels(image.GetActiveImage().get(), expected));
  ASSERT_EQ(image.History().UndoCount(), steps + 1);
  EXPECT_EQ(image.HistoryState().name, "Graphic Pen");

  ASSERT_TRUE(Choose(ID_EDIT_UNDO));
  EXPECT_TRUE(SamePixels(image.GetActiveImage().get(), original));

  // The last page's Help and F1 open its topic.
  SendMessageA(Page(), WM_COMMAND, ID_HELP, 0);
  EXPECT_EQ(app_->lastTopic, DialogHelpTopic(IDD_HW_EFFECT));
  app_->lastTopic = 0;
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.hItemHandle = Page();
  SendMessageA(Page(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(app_->lastTopic, DialogHelpTopic(IDD_HW_EFFECT));

  // Close ends the wizard; the menu item is back.
  PostMessageA(Sheet(), WM_COMMAND, IDCANCEL, 0);
  testing::Settle(*app_);
  EXPECT_FALSE(Wizard()->IsOpen());
  expected->Release();
  original->Release();
}

TEST_F(HelpWizard, RegionAndRefusals) {
  // No image: page 3 refuses to go on with the message.
  ASSERT_TRUE(Choose(ID_HELP_EFFECT_WIZARD));
  Next();
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_HW_OPEN_IMAGE), BST_CHECKED);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_HW_ACTIVE_IMAGE)));
  SendMessageA(Sheet(), PSM_SETCURSEL, 2, 0);
  testing::Settle(*app_);
  ASSERT_EQ(PageIndex(), 2);
  bool told = false;
  DialogScript::Run({{"Wizard", [&](HWND w) {
                        HWND box = testing::MessageBoxOf(w);
                        char text[128] = {};
                        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                        told = std::string(text) == "Please load some image first!";
                        testing::Press(box, IDOK);
                      }}});
  Next();
  EXPECT_TRUE(told);
  EXPECT_EQ(PageIndex(), 2) << "stays on the region page";
  DialogScript::Stop();

  // An image comes: the wizard follows it; the rectangle region of 50, 50,
  // 50 on 200 x 100 is the 50 x 50 square at (75, 25).
  CLumo40Doc* doc = NewImage(200, 100);
  ASSERT_NE(doc, nullptr);
  CheckRadioButton(Page(), IDC_HW_WHOLE, IDC_HW_ELLIPSE, IDC_HW_RECTANGLE);
  SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_HW_RECTANGLE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Page(), IDC_HW_RECTANGLE)));
  Fragment* selection = doc->Image().GetSelection();
  ASSERT_NE(selection, nullptr);
  LURECT bounds{};
  ASSERT_TRUE(GetFragmentBoundRect(selection, &bounds));
  EXPECT_EQ(bounds.x, 75);
  EXPECT_EQ(bounds.y, 25);
  EXPECT_EQ(bounds.width, 50);
  EXPECT_EQ(bounds.height, 50);
  // Whole image removes it again.
  SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(IDC_HW_WHOLE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Page(), IDC_HW_WHOLE)));
  EXPECT_EQ(doc->Image().GetSelection(), nullptr);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(Page(), IDC_HW_SIZE)));
}

// Every effect of the four tables applies to the image without an error,
// each as an undo step of its own.
TEST_F(HelpWizard, EveryEffectApplies) {
  CLumo40Doc* doc = NewImage(40, 30);
  ASSERT_NE(doc, nullptr);
  ImageDocument& image = doc->Image();
  ASSERT_TRUE(Choose(ID_HELP_EFFECT_WIZARD));
  int applied = 0;
  for (int kind = 0; kind < dialogs::kEffectKinds; ++kind) {
    if (kind == 0) {
      WalkToEffects(kind);
    } else {
      SendMessageA(Sheet(), PSM_PRESSBUTTON, PSBTN_BACK, 0);
      testing::Settle(*app_);
      ASSERT_EQ(PageIndex(), 3);
      for (int k = 0; k < dialogs::kEffectKinds; ++k)
        CheckDlgButton(Page(), IDC_HW_FILTER + k, k == kind ? BST_CHECKED : BST_UNCHECKED);
      Next();
      ASSERT_EQ(PageIndex(), 4);
    }
    const auto table = dialogs::EffectTable(static_cast<dialogs::EffectKind>(kind));
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
      SelectEffect(i);
      CHelpWizardPage5& page = Wizard()->EffectPage();
      SCOPED_TRACE(page.Effect().tool);
      EXPECT_NE(page.PreviewResult(), nullptr);
      EXPECT_TRUE(page.Apply());
      // The image now is this effect's step (the history keeps the latest few).
      EXPECT_EQ(image.HistoryState().name, page.EffectName());
      ++applied;
    }
  }
  EXPECT_EQ(applied, 35);
}

// A layered image: No to the flatten question keeps the first page and the
// layers; on page 3's Next, Yes flattens it. A single preset hides the
// spin. The image window closing sends the wizard back to page 2.
TEST_F(HelpWizard, LayeredImageSinglePresetAndTheImageGoing) {
  auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"));
  ASSERT_NE(doc, nullptr);
  testing::Settle(*app_);
  const int layers = doc->Image().GetLayers()->GetLayerCount();
  ASSERT_GT(layers, 1);
  std::string asked;
  auto answer = [&](int button) {
    return [&, button](HWND w) {
      HWND box = testing::MessageBoxOf(w);
      char text[256] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      asked = text;
      testing::Press(box, button);
    };
  };
  DialogScript::Run({{"Wizard", answer(IDNO)}});
  ASSERT_TRUE(Choose(ID_HELP_EFFECT_WIZARD));
  EXPECT_EQ(asked, "Sorry, but wizard can work only with flattened image.\nFlatten image?");
  EXPECT_EQ(PageIndex(), 0);
  EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), layers);
  Next();
  Next();
  ASSERT_EQ(PageIndex(), 2);
  asked.clear();
  DialogScript::Run({{"Wizard", answer(IDYES)}});
  Next();
  EXPECT_FALSE(asked.empty());
  EXPECT_EQ(PageIndex(), 3);
  EXPECT_TRUE(doc->Image().GetLayers()->IsFlat());
  DialogScript::Stop();
  for (int k = 0; k < dialogs::kEffectKinds; ++k)
    CheckDlgButton(Page(), IDC_HW_FILTER + k, k == 0 ? BST_CHECKED : BST_UNCHECKED);
  Next();
  ASSERT_EQ(PageIndex(), 4);
  SelectEffect(2);  // Outlining: one preset
  EXPECT_EQ(Wizard()->EffectPage().Effect().tool, "outline_filt");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(Page(), IDC_HW_PRESET_SPIN)));
  SelectEffect(0);  // Smoothing: two
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(Page(), IDC_HW_PRESET_SPIN)));

  doc->SetModifiedFlag(false);
  doc->Image().SetModifiedFlag(false);
  doc->OnCloseDocument();
  testing::Settle(*app_);
  EXPECT_EQ(PageIndex(), 1);
  EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_HW_OPEN_IMAGE), BST_CHECKED);
  EXPECT_FALSE(Wizard()->EffectPage().Apply()) << "nothing to apply to";
}

}  // namespace
}  // namespace lumora
