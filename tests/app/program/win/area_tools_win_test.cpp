// The magic wand and the text-selection tool of the Selection bar in the
// running program, started in this process: files ag-psd and ImageMagick
// make when the test runs, the tools chosen as the bar's buttons choose
// them, real mouse clicks and keys, the selection compared pixel for pixel.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/TextDlg.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/image_tools_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/gdi_text.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

class AreaTools : public lumora::testing::ImageToolsRig {};

// The wand on "Disc" (green everywhere, its transparency a disc): a click
// in the disc selects exactly the disc's pixels, not the layer's rectangle,
// as one step. With the Selection Attributes window's "Merged image" it
// looks at the visible image instead: a click on the white takes the white
// only, round the ground's red square, where on the layer every hidden
// pixel is alike.
TEST_F(AreaTools, TheWandTakesTheDiscOfATransparentLayer) {
  ASSERT_NO_FATAL_FAILURE(Open("disc.psd"));
  // The user takes the top layer.
  doc_->Image().SetActiveLayerByIndex(1, true, false);
  ASSERT_EQ(doc_->Image().GetActiveLayer()->GetName(), "Disc");
  auto inDisc = [](int x, int y) { return (x - 60) * (x - 60) + (y - 45) * (y - 45) <= 900; };
  auto inSquare = [](int x, int y) { return x >= 5 && x < 25 && y >= 5 && y < 25; };
  auto differences = [&](const std::function<bool(int, int)>& expected) {
    const std::vector<bool> selected = SelectedPixels();
    int differ = 0;
    for (int y = 0; y < 90; ++y) {
      for (int x = 0; x < 120; ++x) differ += selected[static_cast<std::size_t>(y) * 120 + x] != expected(x, y);
    }
    return differ;
  };
  ChooseTool("Area_Wand");
  const int steps = Steps();
  Click(At(60, 45));
  ASSERT_NE(doc_->Image().GetSelection(), nullptr);
  EXPECT_EQ(differences(inDisc), 0);
  EXPECT_EQ(Steps(), steps + 1);
  Click(At(15, 15));
  EXPECT_EQ(differences([&](int x, int y) { return !inDisc(x, y); }), 0) << "the layer's hidden pixels";

  Command(ID_VIEW_SELECTION_ATTRIBUTES);
  HWND tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(app_.Site()));
  ASSERT_NE(tuner, nullptr);
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(tuner, kLUTunerMergedImage)));
  SendDlgItemMessageA(tuner, kLUTunerMergedImage, BM_CLICK, 0, 0);
  lumora::testing::Settle(app_);
  EXPECT_EQ(app_.Settings().GetInt("Selection Attributes", "MergedImage", -1), 1);
  Click(At(100, 80));
  EXPECT_EQ(differences([&](int x, int y) { return !inDisc(x, y) && !inSquare(x, y); }), 0) << "the visible white";
  Click(At(15, 15));
  EXPECT_EQ(differences(inSquare), 0) << "the visible red";
}

// Tolerance 0 on a two-colour image: a click on the outer red takes the red
// connected to it, pixel for pixel: not the red inside the blue ring, not
// a block one level off red.
TEST_F(AreaTools, TheWandAtToleranceZeroTakesOneColoursConnectedArea) {
  ASSERT_NO_FATAL_FAILURE(OpenMade("two.png", "-size 200x150 xc:'#FF0000' +antialias -fill '#0000FF' -draw 'rectangle 40,30 159,119' "
                      "-fill '#FF0000' -draw 'rectangle 60,50 139,99' -fill '#FE0000' -draw 'rectangle 10,130 14,134' "
                      "-type TrueColor"));
  ChooseTool("Area_Wand");
  Command(ID_VIEW_SELECTION_ATTRIBUTES);
  HWND tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(app_.Site()));
  ASSERT_NE(tuner, nullptr);
  SetDlgItemTextA(tuner, kLUTunerTolerance, "0");
  lumora::testing::Settle(app_);
  ASSERT_EQ(app_.Settings().GetInt("Selection Attributes", "Tolerance", -1), 0);
  Click(At(5, 5));
  const std::vector<bool> selected = SelectedPixels();
  int differ = 0, taken = 0;
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x) {
      const bool ring = x >= 40 && x <= 159 && y >= 30 && y <= 119;
      const bool offRed = x >= 10 && x <= 14 && y >= 130 && y <= 134;
      differ += selected[static_cast<std::size_t>(y) * 200 + x] != (!ring && !offRed);
      taken += selected[static_cast<std::size_t>(y) * 200 + x];
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(taken, 200 * 150 - 120 * 90 - 25);
}

constexpr char kFace[] = "Liberation Sans";

// The Selection bar's text tool: a click, "Hello Lumora" typed at once (the
// keys reach the text), the text made Liberation Sans 200 and applied: the
// selection is the text's shape, as GDI draws it (pixels on the
// anti-aliased edge aside), one step, and no layer stays. A second click
// with nothing typed yet moves the text to the new place.
TEST_F(AreaTools, TheTextToolsSelectionTakesTheTextsShape) {
  ASSERT_NO_FATAL_FAILURE(OpenMade("paper.png", "-size 1700x420 xc:white -type TrueColor"));
  const int layers = doc_->Image().GetLayers()->GetLayerCount(), steps = Steps();
  ChooseTool("Area_NewText");
  Click(At(300, 300));
  ASSERT_NE(OpenTextDialog(), nullptr);
  const POINT click = At(20, 380);
  Click(click);
  ASSERT_NE(OpenTextDialog(), nullptr);
  HWND dialog = OpenTextDialog()->Handle();
  EXPECT_EQ(doc_->Image().GetLayers()->GetLayerCount(), layers + 1) << "the first place left nothing";
  Type("Hello Lumora");
  auto* text = dynamic_cast<CLayerText*>(doc_->Image().GetActiveLayer());
  ASSERT_NE(text, nullptr);
  ASSERT_EQ(text->PlainText(), "Hello Lumora");
  EXPECT_EQ(text->GetRect().left, view_->WindowPointToImagePixel(click).x);

  CHARRANGE all{0, -1};
  SendDlgItemMessageA(dialog, IDC_TEXT_EDIT, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  HWND font = GetDlgItem(dialog, IDC_TEXT_FONT);
  ASSERT_NE(SendMessageA(font, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kFace)), CB_ERR);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TEXT_FONT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(font));
  HWND size = GetDlgItem(dialog, IDC_TEXT_SIZE);
  SetFocus(GetWindow(size, GW_CHILD));
  lumora::testing::Settle(app_);
  Keys({VK_END});
  Keys({VK_BACK});
  Type("200");
  ASSERT_EQ(text->CharFormats().size(), 12u);
  ASSERT_EQ(text->CharFormats()[11].size, 2000);
  ASSERT_EQ(text->CharFormats()[11].face, kFace);
  const RECT rect = text->GetRect();
  const int factor = text->Attributes().antiAlias != 0 ? 3 : 1;
  const std::vector<std::uint8_t> expected = lumora::testing::GdiTextMask(
      kFace, 200, "Hello Lumora", text->GetLayoutWidth(), text->GetLayoutHeight(), factor);
  const int w = text->GetFinalWidth(), h = text->GetFinalHeight();
  ASSERT_EQ(static_cast<int>(expected.size()), w * h);
  ASSERT_EQ(rect.right - rect.left, w);

  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  EXPECT_EQ(OpenTextDialog(), nullptr);
  EXPECT_EQ(doc_->Image().GetLayers()->GetLayerCount(), layers);
  EXPECT_EQ(Steps(), steps + 1);
  const std::vector<bool> selected = SelectedPixels();
  const int iw = doc_->Image().GetLayers()->GetWidth(), ih = doc_->Image().GetLayers()->GetHeight();
  int compared = 0, differ = 0, ink = 0, outside = 0;
  std::vector<bool> ofText(selected.size(), false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // The mask's rows count from the top; the layer's rect from the
      // image's bottom row.
      const int ix = rect.left + x, fromTop = ih - 1 - (rect.bottom - 1 - y);
      if (ix < 0 || ix >= iw || fromTop < 0 || fromTop >= ih) continue;
      const std::size_t i = static_cast<std::size_t>(fromTop) * iw + ix;
      ofText[i] = true;
      const int e = expected[static_cast<std::size_t>(y) * w + x];
      if (e > 32 && e < 224) continue;
      ++compared;
      ink += e >= 224;
      differ += selected[i] != (e >= 224);
    }
  }
  for (std::size_t i = 0; i < selected.size(); ++i) outside += selected[i] && !ofText[i];
  EXPECT_EQ(differ, 0) << "of " << compared;
  EXPECT_GT(ink, 20000);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace lumora
