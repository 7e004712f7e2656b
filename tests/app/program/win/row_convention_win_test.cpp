// One image-row convention on every road that writes pixels: a mark near
// the top of a tall, narrow image, made by a brush step, by a tool run
// through the program's site, by a selection turned into a mask from the
// Layer menu, and brought back by undo and redo, shows at the same place
// of the view's window every time, read from the window's pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/document_stroke.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::Capture;
using lumora::testing::CaptureClient;
using lumora::testing::CloseProgram;
using lumora::testing::SettingsFileOfThisProgram;
using lumora::testing::Settle;

constexpr int kW = 24;
constexpr int kH = 160;
constexpr int kMarkX = 9;
constexpr int kMarkFromTop = 4;              // the picture's fifth row
constexpr int kMarkY = kH - 1 - kMarkFromTop;  // the same row, counted upward

WAPtr Filled(std::uint8_t value) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, kW, kH, nullptr));
  for (int y = 0; y < kH; ++y) std::memset(image->Row(y), value, static_cast<std::size_t>(image->GetBPLine()));
  return image;
}

Fragment* PixelSelection(int x, int y) {
  const LURECT one{x, y, 1, 1};
  return CreateRectFrg(&one, 0);
}

class RowConvention : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app.InitInstance());
    // A black background under a white layer: what the roads make dark
    // is either painted black or lets the background through.
    WAPtr black = Filled(0);
    HWND window = CallCreate(black.get());
    ASSERT_NE(window, nullptr);
    view = GetViewFromWnd(window);
    ASSERT_NE(view, nullptr);
    doc = view->GetDoc();
    WAPtr white = Filled(0xFF);
    {
      DocumentLockScope lock(&doc->Image());
      ASSERT_EQ(doc->Image().GetLayers()->AddLayerFromImage(white.get(), POINT{0, 0}, 1), 0);
    }
    doc->Image().SetActiveLayerByIndex(1, true, true);
    doc->Image().InvalidateImageRect(nullptr, false, false);
    Settle(app, doc);
    ASSERT_EQ(DarkPixels(), 0) << "the white layer covers the image";
  }
  void TearDown() override {
    LUDestroyPaneDialogs(app.Site());
    for (fw::Document* d : app.Docs().AllDocuments()) {
      d->SetModifiedFlag(false);
      if (auto* image = dynamic_cast<CLumo40Doc*>(d)) image->Image().SetModifiedFlag(false);
    }
    CloseProgram(app);
    DeleteFileA(ini_.c_str());
  }

  HWND CallCreate(VrWA2000::WA* image) {
    const LU_SITE_TABLE* descriptor = nullptr;
    const LUSiteEntry entry = LUSiteEntryOf(app.Site(), kSiteView, 0, &descriptor);
    using Fn = HWND (*)(const LU_SITE_TABLE*, std::intptr_t, const char*, std::intptr_t, int, int);
    return reinterpret_cast<Fn>(entry)(descriptor, reinterpret_cast<std::intptr_t>(image), "Rows", 0, 1, 1);
  }

  // The window point showing the centre of image column x, picture row
  // `fromTop` (counted from the top, as the user sees it).
  POINT WindowPointOf(int x, int fromTop) const {
    const RECT image = view->Mapping().ImageWindowRect();
    const double scale = static_cast<double>(image.right - image.left) / kW;
    return POINT{image.left + static_cast<LONG>((x + 0.5) * scale), image.top + static_cast<LONG>((fromTop + 0.5) * scale)};
  }
  static bool Dark(std::uint32_t pixel) {
    return ((pixel >> 16) & 255) < 96 && ((pixel >> 8) & 255) < 96 && (pixel & 255) < 96;
  }
  int DarkPixels() const {
    const Capture shot = CaptureClient(view->Handle());
    const RECT image = view->Mapping().ImageWindowRect();
    int count = 0;
    for (int v = std::max<LONG>(0, image.top); v < std::min<LONG>(shot.height, image.bottom); ++v) {
      for (int u = std::max<LONG>(0, image.left); u < std::min<LONG>(shot.width, image.right); ++u) {
        if (Dark(shot.At(u, v))) ++count;
      }
    }
    return count;
  }
  // The selection's marching ants draw over the pixels they edge: the
  // pixels are read with no selection (dropped without a step, the views told).
  void DropSelection() {
    doc->Image().RestoreSelection(nullptr);
    Settle(app, doc);
  }
  // The mark shows where it was made, its mirror row stays white.
  void ExpectMark(const std::string& road) {
    SCOPED_TRACE(road);
    Settle(app, doc);
    const Capture shot = CaptureClient(view->Handle());
    const POINT at = WindowPointOf(kMarkX, kMarkFromTop);
    const POINT mirror = WindowPointOf(kMarkX, kH - 1 - kMarkFromTop);
    ASSERT_TRUE(at.x >= 0 && at.y >= 0 && at.x < shot.width && at.y < shot.height) << "the mark's place is shown";
    ASSERT_TRUE(mirror.y < shot.height) << "the whole image is shown";
    EXPECT_TRUE(Dark(shot.At(at.x, at.y))) << std::hex << shot.At(at.x, at.y) << " at " << std::dec << at.x << ","
                                           << at.y;
    EXPECT_FALSE(Dark(shot.At(mirror.x, mirror.y))) << "at the mirrored row";
    EXPECT_GT(DarkPixels(), 0);
  }
  // Undo takes the mark away, redo brings it back at its place; undo again
  // leaves the white layer for the next road.
  void ExpectUndoRedo(const std::string& road) {
    SCOPED_TRACE(road + ", undone and redone");
    const int marked = DarkPixels();
    ASSERT_TRUE(doc->Image().UndoRedo(false));
    DropSelection();
    EXPECT_EQ(DarkPixels(), 0);
    ASSERT_TRUE(doc->Image().UndoRedo(true));
    DropSelection();
    ExpectMark(road + " redone");
    EXPECT_EQ(DarkPixels(), marked);
    ASSERT_TRUE(doc->Image().UndoRedo(false));
    DropSelection();
    ASSERT_EQ(DarkPixels(), 0);
  }

  CLumo40App app;
  CLumo40View* view = nullptr;
  CLumo40Doc* doc = nullptr;
  std::string ini_;
};

TEST_F(RowConvention, AMarkNearTheTopShowsThereOnEveryRoad) {
  // A brush step on the white layer, its damage refreshed as the stroke
  // refreshes it.
  {
    SeededBrushRandom random(3);
    paint::CPaintBrush brush(paint::kCmdPaintBrush, 3, random);
    brush.SetColours(RGB(0, 0, 0), RGB(255, 255, 255));
    testing::DocumentStroke stroke(doc->Image());
    ASSERT_TRUE(brush.ButtonDown(&stroke, kMarkX, kMarkY));
    brush.ButtonUp();
    ASSERT_TRUE(stroke.stepOpened);
    ExpectMark("brush step");
    ExpectUndoRedo("brush step");
  }
  // A tool run through the program's site within a one-pixel selection:
  // the minimum filter takes the black pixel beside the mark into it.
  {
    doc->Image().GetActiveLayer()->GetImage()->Row(kMarkY)[(kMarkX + 1) * 3] = 0;
    doc->Image().GetActiveLayer()->GetImage()->Row(kMarkY)[(kMarkX + 1) * 3 + 1] = 0;
    doc->Image().GetActiveLayer()->GetImage()->Row(kMarkY)[(kMarkX + 1) * 3 + 2] = 0;
    doc->Image().InvalidateImageRect(nullptr, false, false);
    Fragment* one = PixelSelection(kMarkX, kMarkY);
    doc->Image().SetSelection(one, false);
    DeleteFragment(one);
    ASSERT_EQ(LUUpdateGSelection(app.Site()), 1);
    ASSERT_NE(LUCreateToolInstanceByIDNumber(app.Site(), LUGetRegToolIDNumber(app.Site(), "minimum_effect", 0), 0), 0);
    LUPaneDialog* pane = LUGetActivePaneDialog(app.Site());
    ASSERT_NE(pane, nullptr);
    ASSERT_EQ(LUPaneApply(pane), 0);
    DropSelection();
    ExpectMark("tool run");
    const Capture shot = CaptureClient(view->Handle());
    const POINT beside = WindowPointOf(kMarkX + 1, kMarkFromTop);
    EXPECT_TRUE(Dark(shot.At(beside.x, beside.y))) << "the pixel written directly shows beside it";
    const POINT other = WindowPointOf(kMarkX - 1, kMarkFromTop);
    EXPECT_FALSE(Dark(shot.At(other.x, other.y))) << "the tool wrote only the selected pixel";
    LUDestroyPaneDialogs(app.Site());
    ASSERT_TRUE(doc->Image().UndoRedo(false));
    DropSelection();
    // The pixel placed by hand goes by hand.
    for (int c = 0; c < 3; ++c) doc->Image().GetActiveLayer()->GetImage()->Row(kMarkY)[(kMarkX + 1) * 3 + c] = 0xFF;
    doc->Image().InvalidateImageRect(nullptr, false, false);
    Settle(app, doc);
    ASSERT_EQ(DarkPixels(), 0);
  }
  // The selection turned into the white layer's mask by Layer/Add Layer
  // Mask/Hide Selection: the black background shows through at the mark.
  {
    Fragment* one = PixelSelection(kMarkX, kMarkY);
    doc->Image().SetSelection(one, false);
    DeleteFragment(one);
    SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_LAYER_MASK_HIDE_SELECTION, 0);
    ASSERT_TRUE(doc->Image().GetActiveLayer()->HasMask());
    DropSelection();
    ExpectMark("selection to mask");
    const RECT shown = view->Mapping().ImageWindowRect();
    const int scale = static_cast<int>(shown.right - shown.left) / kW;
    EXPECT_EQ(DarkPixels(), scale * scale) << "one image pixel";
    ExpectUndoRedo("selection to mask");
  }
}

}  // namespace
}  // namespace lumora
