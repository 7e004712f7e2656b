// The layer palette in the program's own start-up, on ag-psd's ten-layer
// file (L0 at the bottom .. L9, L2 and L7 masked, L5 clipped to L4, L8
// hidden): its rows, their thumbnails and marks read back from the window,
// View/Layer Palette, clicks on the rows by real mouse input, the opacity
// field typed into and the merge mode chosen, each one undo step whose
// result the view shows and ag-psd reads from the saved file.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layered/RWLayers.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/win/LayerThumbnailWin.h"
#include "engine/pixels/AppValues.h"
#include "framework/win/OleDataSource.h"
#include "framework/win/OleDragDrop.h"
#include "hostapi/comdlg.h"
#include "hostapi/controls.h"
#include "hostapi/toolhost.h"
#include "lang/doc/win/ProgramDocumentSite.h"
#include "platform/rect.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/screen_shot.h"
#include "tests/support/win/window_pixels.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::Capture;
using testing::RunUntil;
using testing::Settle;

std::string MadeFile(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// ---- Input as the user gives it.

void Send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT MouseAt(DWORD flags, POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  return in;
}

void ClickAt(HWND window, POINT client) {
  ClientToScreen(window, &client);
  Send({MouseAt(0, client), MouseAt(MOUSEEVENTF_LEFTDOWN, client), MouseAt(MOUSEEVENTF_LEFTUP, client)});
}

// A drag by real input from another thread: the program's thread runs the
// drag's own loop meanwhile.
std::thread DragBetween(HWND from, POINT a, HWND to, POINT b) {
  ClientToScreen(from, &a);
  ClientToScreen(to, &b);
  return std::thread([a, b] {
    Send({MouseAt(0, a)});
    Sleep(100);
    Send({MouseAt(MOUSEEVENTF_LEFTDOWN, a)});
    Sleep(400);
    for (int i = 1; i <= 10; ++i) {
      Send({MouseAt(0, POINT{a.x + (b.x - a.x) * i / 10, a.y + (b.y - a.y) * i / 10})});
      Sleep(60);
    }
    Sleep(200);
    Send({MouseAt(MOUSEEVENTF_LEFTUP, b)});
  });
}

void MouseTo(HWND window, POINT client, DWORD buttons = 0) {
  ClientToScreen(window, &client);
  Send({MouseAt(buttons, client)});
}

void TypeText(const std::string& text) {
  std::vector<INPUT> inputs;
  for (char c : text) {
    const SHORT vk = VkKeyScanA(c);
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = static_cast<WORD>(vk & 0xFF);
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(down);
    inputs.push_back(up);
  }
  Send(inputs);
}

void PressKey(WORD vk, bool shift = false) {
  INPUT down{};
  down.type = INPUT_KEYBOARD;
  down.ki.wVk = vk;
  INPUT up = down;
  up.ki.dwFlags = KEYEVENTF_KEYUP;
  INPUT shiftDown{};
  shiftDown.type = INPUT_KEYBOARD;
  shiftDown.ki.wVk = VK_SHIFT;
  INPUT shiftUp = shiftDown;
  shiftUp.ki.dwFlags = KEYEVENTF_KEYUP;
  if (shift) {
    Send({shiftDown, down, up, shiftUp});
  } else {
    Send({down, up});
  }
}

// The layers' rectangles as ag-psd reads them from a saved file: left, top,
// right, bottom (rows from the top).
std::vector<std::array<int, 4>> SavedRects(CLumo40Doc* doc) {
  const fs::path folder = testing::MakeUniqueTempFolder("lumora-palette-");
  const std::string saved = (folder / "moved.psd").string();
  std::vector<std::array<int, 4>> rects;
  if (!doc->DoSave(saved, true)) return rects;
  const std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' dump '" +
                           testing::UnixPath(saved) + "' '" + testing::UnixPath((folder / "dump").string()) + "'";
  if (testing::RunHostShell(folder.string(), line) != 0) return rects;
  std::ifstream dump(folder / "dump.txt");
  std::string text;
  while (std::getline(dump, text)) {
    std::istringstream s(text);
    std::string kind;
    int index = 0;
    std::array<int, 4> r{};
    s >> kind >> index >> r[0] >> r[1] >> r[2] >> r[3];
    if (kind == "layer") rects.push_back(r);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return rects;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The pixels of a bitmap, top row first, as 0x00RRGGBB.
std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, SIZE* size) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  *size = SIZE{info.bmWidth, info.bmHeight};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// How many pixels of the rect in the capture are black.
int BlackPixels(const Capture& shot, const RECT& r) {
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (x >= 0 && y >= 0 && x < shot.width && y < shot.height && shot.At(x, y) == 0) ++count;
  return count;
}

class LayerPalette : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    // As the program's entry does before start-up.
    SetLayerClipboardFormat(RegisterClipboardFormatA("Lumo40 W32 Layer"));
    ASSERT_TRUE(app_.InitInstance());
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    lines_ = &lang::InstallProgramMacroLanguage(module, GetToolHostSite());
    lines_->SetRecording(true);
    SetForegroundWindow(Frame());
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile("palette.psd")));
    ASSERT_NE(doc_, nullptr);
    Settle(app_, doc_);
    palette_ = &app_.MainFrameWnd()->LayerPalette();
    ASSERT_TRUE(palette_->Exists());
    // A caption double click fits every row.
    SendMessageA(palette_->Handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    Pump();
    RECT list{};
    GetClientRect(List().Handle(), &list);
    ASSERT_GE(list.bottom, List().Rows() * List().RowHeight());
  }
  void TearDown() override {
    testing::EndProgramIfRunning(app_);
    DeleteFileA(ini_.c_str());
  }

  HWND Frame() { return app_.MainFrame()->Handle(); }
  ImageDocument& Image() { return doc_->Image(); }
  CLayerScrollWnd& List() { return palette_->List(); }
  void Pump() {
    Settle(app_, doc_);
    testing::Settle(app_);
  }
  // The row of the layer at the list index (0 = bottom).
  int RowOfIndex(int index) { return List().Rows() - 1 - index; }
  // A point of a row's zone in list coordinates.
  POINT ZonePoint(int row, RECT RowZones::*zone) {
    const RECT band = List().RowBand(row);
    const RowZones z = List().ZonesOf(row);
    POINT p = Centre(z.*zone);
    return POINT{p.x + band.left, p.y + band.top};
  }
  // The last `count` recorded lines, joined.
  std::string LastStatements(std::size_t count = 1) const {
    const auto& lines = lines_->Lines();
    std::string joined;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) joined += lines[i];
    return joined;
  }
  bool ViewMenuChecked(std::uint32_t id) {
    HMENU bar = GetMenu(Frame());
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      char text[64] = {};
      GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (std::string(text) != "&View") continue;
      HMENU popup = GetSubMenu(bar, i);
      SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
      return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    ADD_FAILURE() << "no View popup";
    return false;
  }

  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  CLayerWnd* palette_ = nullptr;
  lang::MacroLineBuffer* lines_ = nullptr;
  std::string ini_;
};

TEST_F(LayerPalette, RowsShowTheLayersTopFirstWithTheirThumbnails) {
  ASSERT_EQ(palette_->Doc(), doc_);
  CLayersManager* stack = Image().GetLayers();
  ASSERT_EQ(List().Rows(), 10);
  for (int row = 0; row < 10; ++row) EXPECT_EQ(List().LayerAt(row)->GetName(), "L" + std::to_string(9 - row));
  EXPECT_EQ(List().CurrentLayer(), Image().GetActiveLayer());
  // Every row's image thumbnail as the window draws it is the one the
  // stack makes for the layer, centred in its zone.
  const Capture shot = testing::CaptureClient(List().Handle());
  for (int row = 0; row < 10; ++row) {
    const RECT band = List().RowBand(row);
    const RowZones z = List().ZonesOf(row);
    if (band.bottom > shot.height) break;
    RECT zone = z.image;
    RectOffset(&zone, band.left, band.top);
    const RECT box{0, 0, RectWidth(zone), RectHeight(zone)};
    OwnedBitmap expected = CreateThumbnail(*stack, box, List().LayerAt(row));
    ASSERT_TRUE(expected);
    SIZE size{};
    const std::vector<std::uint32_t> pixels = BitmapPixels(expected.get(), &size);
    const int x0 = zone.left + (RectWidth(zone) - size.cx) / 2, y0 = zone.top + (RectHeight(zone) - size.cy) / 2;
    int mismatches = 0;
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (shot.At(x0 + x, y0 + y) != pixels[static_cast<std::size_t>(y) * size.cx + x]) ++mismatches;
    EXPECT_EQ(mismatches, 0) << "row " << row;
  }
  // The zones' tips.
  EXPECT_EQ(List().TipTextAt(ZonePoint(1, &RowZones::visibility)), "Indicates layer visibility");
  EXPECT_EQ(List().TipTextAt(ZonePoint(1, &RowZones::image)), "Layer thumbnail");
  EXPECT_EQ(List().TipTextAt(ZonePoint(RowOfIndex(7), &RowZones::mask)), "Mask thumbnail");
  EXPECT_EQ(List().TipTextAt(ZonePoint(1, &RowZones::name)), "L8") << "over the name: the name";
  EXPECT_EQ(List().TipTextAt(POINT{kRowStrip + 1, List().RowBand(1).top + 1}), "????????");
  // The hidden layer's eye differs from a visible one's.
  const int hidden = RowOfIndex(8), visible = RowOfIndex(9);
  RECT eyeHidden = List().ZonesOf(hidden).visibility, eyeVisible = List().ZonesOf(visible).visibility;
  RectOffset(&eyeHidden, 0, List().RowBand(hidden).top);
  RectOffset(&eyeVisible, 0, List().RowBand(visible).top);
  EXPECT_NE(BlackPixels(shot, eyeHidden), BlackPixels(shot, eyeVisible));
}

TEST_F(LayerPalette, ViewLayerPaletteShowsAndHidesIt) {
  EXPECT_TRUE(IsWindowVisible(palette_->Handle()));
  EXPECT_TRUE(ViewMenuChecked(ID_VIEW_LAYER_PALETTE));
  SendMessageA(Frame(), WM_COMMAND, ID_VIEW_LAYER_PALETTE, 0);
  EXPECT_FALSE(IsWindowVisible(palette_->Handle()));
  EXPECT_FALSE(ViewMenuChecked(ID_VIEW_LAYER_PALETTE));
  SendMessageA(Frame(), WM_COMMAND, ID_VIEW_LAYER_PALETTE, 0);
  EXPECT_TRUE(IsWindowVisible(palette_->Handle()));
  EXPECT_EQ(List().Rows(), 10) << "attached again to the active view";
}

TEST_F(LayerPalette, AnEyeClickHidesTheLayerInOneStepThatTheSavedFileKeeps) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  const std::vector<std::uint32_t> before = testing::CompositePixels(doc_);
  const int steps = Image().History().UndoCount();
  const int row = RowOfIndex(3);
  ClickAt(List().Handle(), ZonePoint(row, &RowZones::visibility));
  ASSERT_TRUE(RunUntil(app_, [&] { return !Image().GetLayers()->GetLayer(3)->IsVisible(); }, 10000));
  Pump();
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(Image().HistoryState().name, std::string(res::String(IDS_STEP_SHOW_LAYER)));
  EXPECT_EQ(LastStatements(2), "SetActiveLayer(3);HideLayer();");
  EXPECT_NE(testing::CompositePixels(doc_), before);
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);

  const fs::path folder = testing::MakeUniqueTempFolder("lumora-palette-");
  const std::string saved = (folder / "hidden.psd").string();
  ASSERT_TRUE(doc_->DoSave(saved, true));
  const std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' dump '" +
                           testing::UnixPath(saved) + "' '" + testing::UnixPath((folder / "dump").string()) + "'";
  ASSERT_EQ(testing::RunHostShell(folder.string(), line), 0);
  std::ifstream dump(folder / "dump.txt");
  std::string text;
  int hiddenOf3 = -1, hiddenOf9 = -1;
  while (std::getline(dump, text)) {
    std::istringstream s(text);
    std::string kind;
    int index = 0, l = 0, t = 0, r = 0, b = 0, opacity = 0, hidden = 0;
    std::string blend;
    s >> kind >> index >> l >> t >> r >> b >> opacity >> blend >> hidden;
    if (kind == "layer" && index == 3) hiddenOf3 = hidden;
    if (kind == "layer" && index == 9) hiddenOf9 = hidden;
  }
  EXPECT_EQ(hiddenOf3, 1);
  EXPECT_EQ(hiddenOf9, 0);
  std::error_code ignored;
  fs::remove_all(folder, ignored);

  // Undo shows it again.
  SendMessageA(Frame(), WM_COMMAND, 57643, 0);
  Pump();
  EXPECT_TRUE(Image().GetLayers()->GetLayer(3)->IsVisible());
  EXPECT_EQ(testing::CompositePixels(doc_), before);
}

TEST_F(LayerPalette, ClicksMakeRowsCurrentAndLinkThem) {
  const int row = RowOfIndex(6);
  ClickAt(List().Handle(), ZonePoint(row, &RowZones::name));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetActiveLayer()->GetName() == "L6"; }, 10000));
  Pump();
  EXPECT_EQ(List().Current(), row);
  // Linking L4 with the active L6 by its link cell: one step, the mark shows.
  const int other = RowOfIndex(4);
  const int steps = Image().History().UndoCount();
  ClickAt(List().Handle(), ZonePoint(other, &RowZones::link));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(4)->GetLinkId() != 0; }, 10000));
  Pump();
  EXPECT_EQ(Image().GetLayers()->GetLayer(4)->GetLinkId(), Image().GetLayers()->GetLayer(6)->GetLinkId());
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(LastStatements(2), "SetActiveLayer(6);AddLayerLink(4);");
  const Capture shot = testing::CaptureClient(List().Handle());
  RECT linked = List().ZonesOf(other).link, unlinked = List().ZonesOf(RowOfIndex(2)).link;
  RectOffset(&linked, 0, List().RowBand(other).top);
  RectOffset(&unlinked, 0, List().RowBand(RowOfIndex(2)).top);
  EXPECT_GT(BlackPixels(shot, linked), BlackPixels(shot, unlinked));
}

TEST_F(LayerPalette, OpacityFieldAndModeChoicesChangeTheCurrentLayer) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  // L9, over the opaque ground.
  ClickAt(List().Handle(), ZonePoint(0, &RowZones::name));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetActiveLayer()->GetName() == "L9"; }, 10000));
  CLayer* layer = List().CurrentLayer();
  ASSERT_EQ(layer, Image().GetActiveLayer());
  HWND edit = GetDlgItem(palette_->Handle(), IDC_LP_OPACITY_EDIT);
  RECT r{};
  GetClientRect(edit, &r);
  ClickAt(edit, Centre(r));
  ASSERT_TRUE(RunUntil(app_, [&] { return GetFocus() == edit; }, 10000));
  SendMessageA(edit, EM_SETSEL, 0, -1);
  const int steps = Image().History().UndoCount();
  TypeText("40");
  PressKey(VK_RETURN);
  ASSERT_TRUE(RunUntil(app_, [&] { return layer->GetLayerInfo().opacity == 40; }, 10000));
  Pump();
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  char text[16] = {};
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "40%");
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);

  SendMessageA(edit, EM_SETSEL, 0, -1);
  TypeText("250");
  PressKey(VK_RETURN);
  ASSERT_TRUE(RunUntil(app_, [&] { return layer->GetLayerInfo().opacity == 100; }, 10000));
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "100%");

  // The mode combo, then the Blending menu's Multiply.
  HWND combo = GetDlgItem(palette_->Handle(), IDC_LP_MODE);
  const LRESULT screen = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Screen"));
  ASSERT_NE(screen, CB_ERR);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(screen), 0);
  SendMessageA(palette_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_LP_MODE, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
  Pump();
  EXPECT_EQ(layer->GetMergeMode(), 8);
  EXPECT_NE(LastStatements().find("ChangeLayerMergeMode(\"Screen\");"), std::string::npos);
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);
  SendMessageA(palette_->Handle(), WM_COMMAND, 33042, 0);
  Pump();
  EXPECT_EQ(layer->GetMergeMode(), 7);
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);
}

TEST_F(LayerPalette, LayerMovingDragsTheLayerWithItsLinkedLayersAndArrowsNudgeIt) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  SendMessageA(Frame(), WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  Image().SetActiveLayerByIndex(6, true, false);
  ASSERT_TRUE(Image().AddLayerLink(4));
  Pump();
  const std::vector<std::array<int, 4>> before = SavedRects(doc_);
  ASSERT_EQ(before.size(), 10u);
  SendMessageA(Frame(), WM_COMMAND, ID_LAYER_MOVING, 0);
  ASSERT_TRUE(app_.MainFrameWnd()->LayerMoving());
  ASSERT_TRUE(view->MoveToolActive());
  // A point over L6 (image x 10, row 30 from the bottom lies in it).
  const RECT l6 = Image().GetLayers()->GetLayer(6)->GetRect();
  POINT grab{l6.left + 3, l6.top + 3};
  view->Mapping().RevXForm(&grab, kXFPixels);
  const int steps = Image().History().UndoCount();
  MouseTo(view->Handle(), grab);
  MouseTo(view->Handle(), grab, MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(RunUntil(app_, [&] { return view->LayerMoveRunning(); }, 10000));
  for (int i = 1; i <= 4; ++i) {
    MouseTo(view->Handle(), POINT{grab.x + 3 * i, grab.y + 2 * i});
    RunUntil(app_, [] { return true; });
  }
  MouseTo(view->Handle(), POINT{grab.x + 12, grab.y + 8}, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(RunUntil(app_, [&] { return !view->LayerMoveRunning(); }, 10000));
  Pump();
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(Image().HistoryState().name, std::string(res::String(IDS_STEP_MOVE_LAYER)));
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);
  std::vector<std::array<int, 4>> after = SavedRects(doc_);
  ASSERT_EQ(after.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const int dx = (i == 6 || i == 4) ? 12 : 0, dy = (i == 6 || i == 4) ? 8 : 0;
    EXPECT_EQ(after[i][0], before[i][0] + dx) << "layer " << i;
    EXPECT_EQ(after[i][1], before[i][1] + dy) << "layer " << i;
  }
  // Arrows: 1 pixel, 10 with Shift, the linked layer along.
  SetFocus(view->Handle());
  PressKey(VK_RIGHT);
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(6)->GetRect().left == l6.left + 13; }, 10000));
  PressKey(VK_DOWN, true);
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(6)->GetRect().top == l6.top - 18; }, 10000));
  Pump();
  after = SavedRects(doc_);
  ASSERT_EQ(after.size(), 10u);
  EXPECT_EQ(after[4][0], before[4][0] + 13);
  EXPECT_EQ(after[4][1], before[4][1] + 18);
  // At 4:1 a nudge is still one image pixel.
  view->SetZoomRatio(400, 100);
  Pump();
  ASSERT_NEAR(view->ZoomRatio(), 0.25, 1e-9);
  SetFocus(view->Handle());
  PressKey(VK_LEFT);
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(6)->GetRect().left == l6.left + 12; }, 10000));
  SendMessageA(Frame(), WM_COMMAND, ID_LAYER_MOVING, 0);
  EXPECT_FALSE(view->MoveToolActive());
}

// Rows dragged by real input: within the list, onto New and onto Delete.
TEST_F(LayerPalette, DraggedRowsMoveDuplicateAndDeleteLayers) {
  // L3 two places up, onto L5's row: it then lies directly above L5.
  std::thread drag = DragBetween(List().Handle(), ZonePoint(RowOfIndex(3), &RowZones::name), List().Handle(),
                                 ZonePoint(RowOfIndex(5), &RowZones::name));
  const int steps = Image().History().UndoCount();
  const bool moved = RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(5)->GetName() == "L3"; }, 20000);
  drag.join();
  ASSERT_TRUE(moved);
  Pump();
  std::vector<std::string> names;
  for (int i = 0; i < 10; ++i) names.push_back(Image().GetLayers()->GetLayer(i)->GetName());
  EXPECT_EQ(names, (std::vector<std::string>{"L0", "L1", "L2", "L4", "L5", "L3", "L6", "L7", "L8", "L9"}));
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(List().CurrentLayer()->GetName(), "L3");
  EXPECT_EQ(List().LayerAt(4)->GetName(), "L3");
  std::vector<std::array<int, 4>> saved = SavedRects(doc_);
  ASSERT_EQ(saved.size(), 10u);
  const RECT l3 = Image().GetLayers()->GetLayer(5)->GetRect();
  EXPECT_EQ(saved[5][0], l3.left) << "ag-psd finds L3 sixth from the bottom";

  // L9 onto New: a copy directly above it, made current.
  HWND newButton = GetDlgItem(palette_->Handle(), IDC_LP_NEW);
  RECT button{};
  GetClientRect(newButton, &button);
  drag = DragBetween(List().Handle(), ZonePoint(0, &RowZones::name), newButton, Centre(button));
  const bool copied = RunUntil(app_, [&] { return Image().GetLayers()->GetLayerCount() == 11; }, 20000);
  drag.join();
  ASSERT_TRUE(copied);
  Pump();
  EXPECT_EQ(Image().GetLayers()->GetLayer(10)->GetName(), "L9 copy");
  EXPECT_EQ(Image().GetActiveLayer(), Image().GetLayers()->GetLayer(10));
  EXPECT_EQ(List().Current(), 0);

  // The copy onto Delete: gone.
  HWND deleteButton = GetDlgItem(palette_->Handle(), IDC_LP_DELETE);
  GetClientRect(deleteButton, &button);
  drag = DragBetween(List().Handle(), ZonePoint(0, &RowZones::name), deleteButton, Centre(button));
  const bool deleted = RunUntil(app_, [&] { return Image().GetLayers()->GetLayerCount() == 10; }, 20000);
  drag.join();
  ASSERT_TRUE(deleted);
  Pump();
  EXPECT_EQ(Image().GetLayers()->GetLayer(9)->GetName(), "L9");
  EXPECT_EQ(List().Rows(), 10);
}

// A drag that loses the mouse ends there: the view goes on repainting.
TEST_F(LayerPalette, ADragThatLosesTheCaptureEndsAndTheViewRepaints) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  SendMessageA(Frame(), WM_COMMAND, ID_VIEW_ORIGINAL_SIZE, 0);
  Image().SetActiveLayerByIndex(9, true, false);
  Pump();
  SendMessageA(Frame(), WM_COMMAND, ID_LAYER_MOVING, 0);
  const RECT l9 = Image().GetLayers()->GetLayer(9)->GetRect();
  POINT grab{l9.left + 3, l9.top + 3};
  view->Mapping().RevXForm(&grab, kXFPixels);
  MouseTo(view->Handle(), grab);
  MouseTo(view->Handle(), grab, MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(RunUntil(app_, [&] { return view->LayerMoveRunning(); }, 10000));
  MouseTo(view->Handle(), POINT{grab.x + 5, grab.y});
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetLayers()->GetLayer(9)->GetRect().left == l9.left + 5; }, 10000));
  SetCapture(palette_->Handle());
  RunUntil(app_, [] { return true; });
  EXPECT_FALSE(view->LayerMoveRunning());
  ReleaseCapture();
  MouseTo(view->Handle(), POINT{grab.x + 5, grab.y}, MOUSEEVENTF_LEFTUP);
  // Another change is composited by the worker and shown.
  ASSERT_TRUE(Image().ShowLayerAt(3, false));
  Pump();
  testing::ExpectViewShowsLayers(view, doc_, testing::ViewPixels::kDrawn);
}

// Palette Options chooses the thumbnail size; the place and the size are
// written at exit and read at the next start.
TEST_F(LayerPalette, PaletteOptionsAndTheSettingsOfTheNextStart) {
  testing::DialogScript::Run({{"Palette Options", [](HWND d) {
                                 CheckRadioButton(d, IDC_PO_NONE, IDC_PO_LARGE, IDC_PO_LARGE);
                                 testing::Press(d, IDOK);
                               }}});
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_OPTIONS, 0);
  testing::DialogScript::Stop();
  EXPECT_EQ(testing::DialogScript::done, 1);
  EXPECT_EQ(List().RowHeight(), 84);
  SetWindowPos(palette_->Handle(), nullptr, 100, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  testing::CloseProgram(app_);
  char text[32] = {};
  GetPrivateProfileStringA("LAYER PALETTE", "SIZE INDEX", "", text, sizeof text, ini_.c_str());
  EXPECT_STREQ(text, "3");
  GetPrivateProfileStringA("LAYER PALETTE", "X", "", text, sizeof text, ini_.c_str());
  EXPECT_STREQ(text, "100");

  CLumo40App again;
  ASSERT_TRUE(again.InitInstance());
  CLayerWnd& palette = again.MainFrameWnd()->LayerPalette();
  ASSERT_TRUE(palette.Exists());
  RECT placed{};
  GetWindowRect(palette.Handle(), &placed);
  EXPECT_EQ(placed.left, 100);
  EXPECT_EQ(placed.top, 150);
  EXPECT_EQ(palette.List().RowHeight(), 84);
  testing::CloseProgram(again);
}

// The palette shows the document of the active image window.
TEST_F(LayerPalette, ThePaletteFollowsTheActiveDocument) {
  auto* other = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile("three.psd")));
  ASSERT_NE(other, nullptr);
  Settle(app_, other);
  ASSERT_TRUE(RunUntil(app_, [&] { return palette_->Doc() == other; }, 10000));
  EXPECT_EQ(List().Rows(), 3);
  EXPECT_EQ(List().LayerAt(0)->GetName(), "Top");
  fw::FrameWnd* first = nullptr;
  for (fw::View* v : doc_->Views()) first = v->GetParentFrame();
  ASSERT_NE(first, nullptr);
  first->ActivateFrame();
  ASSERT_TRUE(RunUntil(app_, [&] { return palette_->Doc() == doc_; }, 10000));
  EXPECT_EQ(List().Rows(), 10);
  other->SetModifiedFlag(false);
  other->Image().SetModifiedFlag(false);
  other->OnCloseDocument();
  Pump();
}

// The mask highlight ("\") and hidden layer channels show as the engine
// composites them.
TEST_F(LayerPalette, MaskViewsShowAsTheEngineCompositesThem) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  ClickAt(List().Handle(), ZonePoint(RowOfIndex(7), &RowZones::name));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetActiveLayer()->GetName() == "L7"; }, 10000));
  CLayer* l7 = Image().GetActiveLayer();
  const std::vector<std::uint32_t> plain = testing::CompositePixels(doc_);
  SendMessageA(Frame(), WM_COMMAND, ID_PALETTE_MASK_HIGHLIGHT, 0);
  Pump();
  EXPECT_EQ(l7->GetMaskHighlight(), 1);
  // The whole image was composited again, as the engine draws it.
  const std::vector<std::uint32_t> highlighted = testing::CompositePixels(doc_);
  testing::ExpectViewShowsComposite(view, doc_);
  SendMessageA(Frame(), WM_COMMAND, ID_PALETTE_MASK_HIGHLIGHT, 0);
  SendMessageA(Frame(), WM_COMMAND, ID_PALETTE_HIDE_CHANNELS, 0);
  Pump();
  EXPECT_EQ(l7->GetMaskHighlight(), 0);
  EXPECT_EQ(l7->GetHideLayerChannels(), 1);
  const std::vector<std::uint32_t> hidden = testing::CompositePixels(doc_);
  EXPECT_NE(hidden, plain) << "L7's mask shown in place of its pixels";
  testing::ExpectViewShowsComposite(view, doc_);
}


// Layer Mask Options in the palette's Layer menu sets the tint of masks
// shown as a highlight: Cancel keeps the record; OK takes the opacity typed
// and the colour the shared colour window gives, the highlighted view
// shows the new tint and the saved file carries it as RGB.
TEST_F(LayerPalette, MaskDisplayOptionsTintTheHighlightAndTheFileKeepsThem) {
  CLumo40View* view = testing::ActiveImageView(app_);
  ASSERT_NE(view, nullptr);
  ClickAt(List().Handle(), ZonePoint(RowOfIndex(7), &RowZones::name));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetActiveLayer()->GetName() == "L7"; }, 10000));
  SendMessageA(Frame(), WM_COMMAND, ID_PALETTE_MASK_HIGHLIGHT, 0);
  Pump();
  ASSERT_EQ(Image().GetActiveLayer()->GetMaskHighlight(), 1);
  const std::vector<std::uint32_t> before = testing::CompositePixels(doc_);
  const GlobalLayerMaskInfo original = Image().GetLayers()->GetGlobalLayerMask();

  HMENU menus = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LAYER_ROW_MENUS));
  ASSERT_NE(menus, nullptr);
  HMENU layerMenu = GetSubMenu(menus, 0);
  palette_->UpdateMenu(layerMenu);
  const UINT state = GetMenuState(layerMenu, ID_PALETTE_MASK_OPTIONS, MF_BYCOMMAND);
  DestroyMenu(menus);
  ASSERT_NE(state, 0xFFFFFFFFu) << "in the palette's Layer menu";
  EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED), 0u);

  COLORREF shown = 1;
  testing::DialogScript::Run({{"Layer Mask Display Options", [&](HWND d) {
                                 shown = static_cast<COLORREF>(SendDlgItemMessageA(d, IDC_LMO_SWATCH, kVrCtlGetColour, 0, 0));
                                 SetDlgItemTextA(d, IDC_LMO_OPACITY, "7");
                                 testing::Press(d, IDCANCEL);
                               }}});
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_MASK_OPTIONS, 0);
  testing::DialogScript::Stop();
  ASSERT_EQ(testing::DialogScript::done, 1);
  EXPECT_EQ(shown, PSDColorToRGB(original.color)) << "the swatch shows the record's colour";
  EXPECT_EQ(Image().GetLayers()->GetGlobalLayerMask().opacity, original.opacity);
  Image().SetModifiedFlag(false);

  const COLORREF chosen = RGB(0x12, 0x80, 0xEE);
  bool colourWindowOpened = false;
  testing::DialogScript::Run({{"Layer Mask Display Options", [&](HWND d) {
                                 SetDlgItemTextA(d, IDC_LMO_OPACITY, "80");
                                 SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_LMO_SWATCH, BN_CLICKED),
                                              reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_LMO_SWATCH)));
                                 HWND colours = FindWindowA("VR_SELCOLORWND32", nullptr);
                                 colourWindowOpened = colours != nullptr && LUIsSelColorWindowOpened(nullptr);
                                 // The colour window answers a colour set in it to its owner.
                                 if (colours != nullptr) SendMessageA(colours, kColourWindowSet, 0, chosen);
                                 testing::Press(d, IDOK);
                               }}});
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_MASK_OPTIONS, 0);
  testing::DialogScript::Stop();
  ASSERT_EQ(testing::DialogScript::done, 1);
  EXPECT_TRUE(colourWindowOpened);
  const GlobalLayerMaskInfo record = Image().GetLayers()->GetGlobalLayerMask();
  EXPECT_EQ(record.color.space, 0);
  EXPECT_EQ(record.color.components[0], 0x1212);
  EXPECT_EQ(record.color.components[1], 0x8080);
  EXPECT_EQ(record.color.components[2], 0xEEEE);
  EXPECT_EQ(record.opacity, 80);
  EXPECT_TRUE(Image().IsModified());
  Pump();
  EXPECT_NE(testing::CompositePixels(doc_), before) << "the highlight takes the new tint";
  testing::ExpectViewShowsComposite(view, doc_);

  const fs::path folder = testing::MakeUniqueTempFolder("lumora-palette-");
  const std::string saved = (folder / "tint.psd").string();
  ASSERT_TRUE(doc_->DoSave(saved, true));
  const std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' dump '" +
                           testing::UnixPath(saved) + "' '" + testing::UnixPath((folder / "dump").string()) + "'";
  ASSERT_EQ(testing::RunHostShell(folder.string(), line), 0);
  std::ifstream dump(folder / "dump.txt");
  std::string text, found;
  while (std::getline(dump, text))
    if (text.rfind("globalmask ", 0) == 0) found = text;
  EXPECT_EQ(found, "globalmask 0 4626 32896 61166 80 " + std::to_string(original.kind));
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

// The mask row's menu offers the mask-with-selection commands: Set
// Selection To Layer Mask makes L7's mask (at the threshold setting's
// level, 50 %) the selection in one step; Subtract then takes it away
// again (a point of the mask is no longer selected), Intersect and Add
// keep it; Undo brings back the mask's selection.
TEST_F(LayerPalette, MaskCommandsMakeTheMaskTheSelectionAndCombineIt) {
  ClickAt(List().Handle(), ZonePoint(RowOfIndex(7), &RowZones::name));
  ASSERT_TRUE(RunUntil(app_, [&] { return Image().GetActiveLayer()->GetName() == "L7"; }, 10000));
  CLayer* l7 = Image().GetActiveLayer();
  ASSERT_NE(l7->HasMask(), 0);
  Image().FreeSelection(false);
  HMENU menus = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LAYER_ROW_MENUS));
  ASSERT_NE(menus, nullptr);
  HMENU maskMenu = GetSubMenu(menus, 4);
  auto enabled = [&](UINT id) {
    palette_->UpdateMenu(maskMenu);
    const UINT state = GetMenuState(maskMenu, id, MF_BYCOMMAND);
    return state != 0xFFFFFFFFu && (state & (MF_GRAYED | MF_DISABLED)) == 0;
  };
  EXPECT_TRUE(enabled(ID_PALETTE_SELECTION_FROM_MASK));
  EXPECT_TRUE(enabled(ID_PALETTE_MASK_ADD_SELECTION));
  EXPECT_TRUE(enabled(ID_PALETTE_MASK_AND_SELECTION));
  EXPECT_FALSE(enabled(ID_PALETTE_MASK_SUB_SELECTION)) << "nothing to subtract from";
  // A mask pixel at or above the level, in image coordinates.
  const RECT rect = l7->GetRect();
  const VrWA2000::WA* mask = l7->PeekMask();
  POINT inside{-1, -1};
  for (int y = 0; y < mask->GetH() && inside.x < 0; ++y)
    for (int x = 0; x < mask->GetW(); ++x)
      if (mask->Row(y)[x] >= 200) {
        inside = POINT{rect.left + x, rect.top + y};
        break;
      }
  ASSERT_GE(inside.x, 0);
  const int steps = Image().History().UndoCount();
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_SELECTION_FROM_MASK, 0);
  Pump();
  ASSERT_NE(Image().GetSelection(), nullptr);
  RECT opaque{};
  l7->GetOpaqueRect(&opaque, 127);
  LURECT lu{};
  ASSERT_NE(GetFragmentBoundRect(Image().GetSelection(), &lu), 0);
  RECT bounds{};
  LURectToRect(&bounds, &lu);
  EXPECT_TRUE(RectsEqual(bounds, opaque));
  EXPECT_EQ(PointInFragment(Image().GetSelection(), &inside) & 1, 1);
  EXPECT_EQ(Image().History().UndoCount(), steps + 1);
  EXPECT_TRUE(enabled(ID_PALETTE_MASK_SUB_SELECTION));
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_MASK_AND_SELECTION, 0);
  Pump();
  EXPECT_EQ(PointInFragment(Image().GetSelection(), &inside) & 1, 1) << "the mask intersected with itself";
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_MASK_SUB_SELECTION, 0);
  Pump();
  EXPECT_EQ(PointInFragment(Image().GetSelection(), &inside) & 1, 0) << "the mask taken away";
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_PALETTE_MASK_ADD_SELECTION, 0);
  Pump();
  EXPECT_EQ(PointInFragment(Image().GetSelection(), &inside) & 1, 1) << "and added again";
  EXPECT_EQ(Image().History().UndoCount(), steps + 4);
  SendMessageA(Frame(), WM_COMMAND, 57643, 0);
  SendMessageA(Frame(), WM_COMMAND, 57643, 0);
  Pump();
  EXPECT_EQ(PointInFragment(Image().GetSelection(), &inside) & 1, 1) << "undone to after the intersection";
  DestroyMenu(menus);
}

// ---- Layers dropped on views and on the frame's background

// A point of the window's client area where the window itself is under the
// pointer (nothing covers it), scanning from `from` towards the client's
// bottom-right corner; (-1, -1) when none.
POINT UncoveredPoint(HWND window, POINT from) {
  RECT client{};
  GetClientRect(window, &client);
  for (LONG y = from.y; y < client.bottom; y += 4) {
    for (LONG x = from.x; x < client.right; x += 4) {
      POINT screen{x, y};
      ClientToScreen(window, &screen);
      if (WindowFromPoint(screen) == window) return POINT{x, y};
    }
  }
  return POINT{-1, -1};
}

CLumo40View* ViewOf(CLumo40Doc* doc) {
  return doc->Views().empty() ? nullptr : dynamic_cast<CLumo40View*>(doc->Views().front());
}

// The Top layer of three.psd, its palette shown, dragged twice onto the
// ten-layer image's view: each drop puts its content centre on the image
// point under the pointer, names it uniquely, is one undo step and brings
// that image's frame forward. Dropped on the MDI background, the same row
// makes a new image titled with the layer's name at the layer's resolution.
TEST_F(LayerPalette, LayersDroppedOnAnotherViewAndOnTheBackground) {
  auto* source = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile("three.psd")));
  ASSERT_NE(source, nullptr);
  Settle(app_, source);
  source->Image().GetLayers()->SetResolution(300u | (150u << 16));
  Pump();
  ASSERT_EQ(palette_->Doc(), source);
  HWND mdi = app_.MainFrameWnd()->MdiClient();
  SendMessageA(mdi, WM_MDITILE, MDITILE_VERTICAL, 0);
  SetWindowPos(palette_->Handle(), nullptr, 1000, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  CLumo40View* target = ViewOf(doc_);
  ASSERT_NE(target, nullptr);
  POINT at{20, 30};  // image point, rows upward from the bottom
  target->Mapping().RevXForm(&at, kXFPixels);
  POINT screen = at;
  ClientToScreen(target->Handle(), &screen);
  ASSERT_EQ(WindowFromPoint(screen), target->Handle()) << "the drop point is covered";
  const int row = 0;  // the top layer of three.psd
  const std::string name = List().LayerAt(row)->GetName();
  const int steps = Image().History().UndoCount();
  const int before = Image().GetLayers()->GetLayerCount();
  for (int drop = 1; drop <= 2; ++drop) {
    std::thread drag = DragBetween(List().Handle(), ZonePoint(row, &RowZones::name), target->Handle(), at);
    const bool added =
        RunUntil(app_, [&] { return Image().GetLayers()->GetLayerCount() == before + drop; }, 20000);
    drag.join();
    ASSERT_TRUE(added) << "drop " << drop;
    Pump();
    CLayer* top = Image().GetLayers()->GetLayer(before + drop - 1);
    POINT centre{};
    top->GetContentCenter(&centre);
    EXPECT_EQ(centre.x, 20);
    EXPECT_EQ(centre.y, 30);
    EXPECT_EQ(Image().History().UndoCount(), steps + drop);
    EXPECT_EQ(Image().GetActiveLayer(), top);
    EXPECT_EQ(testing::ActiveImageView(app_), target) << "the target's frame comes forward";
    // Named after the layer, and unlike every other layer of the image.
    EXPECT_EQ(top->GetName().rfind(name, 0), 0u) << top->GetName();
    for (int i = 0; i < before + drop - 1; ++i) EXPECT_NE(Image().GetLayers()->GetLayer(i)->GetName(), top->GetName());
  }
  EXPECT_EQ(source->Image().GetLayers()->GetLayerCount(), 3) << "the source keeps its layers";
  // One undo takes one drop back.
  ASSERT_TRUE(Image().UndoRedo(false));
  Pump();
  EXPECT_EQ(Image().GetLayers()->GetLayerCount(), before + 1);

  // The background: both frames small in a corner, the row dropped below them.
  SendMessageA(mdi, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(GetParent(ViewOf(source)->Handle())), 0);
  Pump();
  ASSERT_EQ(palette_->Doc(), source);
  for (CLumo40Doc* d : {doc_, source}) {
    SetWindowPos(GetParent(ViewOf(d)->Handle()), nullptr, 0, 0, 120, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Pump();
  const POINT empty = UncoveredPoint(mdi, POINT{150, 150});
  ASSERT_GE(empty.x, 0) << "no uncovered background";
  std::thread drag = DragBetween(List().Handle(), ZonePoint(row, &RowZones::name), mdi, empty);
  const bool made = RunUntil(app_, [&] {
    CLumo40View* v = testing::ActiveImageView(app_);
    return v != nullptr && v->GetDoc() != doc_ && v->GetDoc() != source;
  }, 20000);
  drag.join();
  ASSERT_TRUE(made);
  Pump();
  CLumo40Doc* fresh = testing::ActiveImageView(app_)->GetDoc();
  EXPECT_EQ(fresh->GetTitle(), name);
  EXPECT_EQ(fresh->Image().GetLayers()->GetLayerCount(), 1);
  EXPECT_EQ(fresh->Image().GetLayers()->GetResolution(), 300u | (150u << 16));
}

// A layer stream naming a layer no drag of this program offers (another
// program's process, or a layer whose drag has ended) adds nothing, and the
// drop still reports done; data without the layer format is refused.
TEST_F(LayerPalette, AStreamFromAnotherProgramOrAnEndedDragAddsNothing) {
  CLumo40View* view = ViewOf(doc_);
  ASSERT_NE(view, nullptr);
  SetWindowPos(palette_->Handle(), nullptr, 1000, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  RECT client{};
  GetClientRect(view->Handle(), &client);
  const POINT at = UncoveredPoint(view->Handle(), POINT{client.right / 2, client.bottom / 2});
  ASSERT_GE(at.x, 0);
  CLayer* real = Image().GetLayers()->GetLayer(3);
  struct Case {
    const char* what;
    DWORD process;
    std::uint64_t address;
    std::uint64_t uniqueId;
  } cases[] = {
      {"another process", GetCurrentProcessId() + 4, reinterpret_cast<std::uintptr_t>(real), real->GetUniqueId()},
      {"a drag that ended", GetCurrentProcessId(), reinterpret_cast<std::uintptr_t>(real), real->GetUniqueId()},
  };
  const unsigned format = GetLayerClipboardFormat();
  const int count = Image().GetLayers()->GetLayerCount();
  const int steps = Image().History().UndoCount();
  for (const Case& c : cases) {
    fw::OleDataSource* data = fw::OleDataSource::Create([&c](const FORMATETC&, STGMEDIUM* m) {
      std::uint8_t bytes[kLayerRefBytes] = {};
      const std::uint32_t words[2] = {96u | (96u << 16), c.process};
      std::memcpy(bytes, words, sizeof words);
      std::memcpy(bytes + 8, &c.address, 8);
      std::memcpy(bytes + 16, &c.uniqueId, 8);
      IStream* stream = nullptr;
      if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return false;
      stream->Write(bytes, sizeof bytes, nullptr);
      m->tymed = TYMED_ISTREAM;
      m->pstm = stream;
      m->pUnkForRelease = nullptr;
      return true;
    });
    data->DelayRenderData(static_cast<CLIPFORMAT>(format), TYMED_ISTREAM);
    // With no button down the drag drops at once where the pointer is.
    MouseTo(view->Handle(), at);
    RunUntil(app_, [] { return true; });
    const DWORD effect = fw::RunDragDrop(data, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    data->Release();
    Pump();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY)) << c.what << ": the drop reports done";
    EXPECT_EQ(Image().GetLayers()->GetLayerCount(), count) << c.what;
    EXPECT_EQ(Image().History().UndoCount(), steps) << c.what;
  }
  // Data without the layer format is not taken at all.
  fw::OleDataSource* text = fw::OleDataSource::Create([](const FORMATETC&, STGMEDIUM* m) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 2);
    std::memcpy(GlobalLock(block), "x", 2);
    GlobalUnlock(block);
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = block;
    m->pUnkForRelease = nullptr;
    return true;
  });
  text->DelayRenderData(CF_TEXT, TYMED_HGLOBAL);
  MouseTo(view->Handle(), at);
  RunUntil(app_, [] { return true; });
  EXPECT_EQ(fw::RunDragDrop(text, DROPEFFECT_COPY | DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_NONE));
  text->Release();
  EXPECT_EQ(Image().GetLayers()->GetLayerCount(), count);
}

// ---- Names: the rows at the palette's first size, the tips, the dialogs

// ag-psd's names.psd, rows top first: a mix, Japanese, Greek (masked),
// Latin-1 and ASCII.
const char* const kNames[] = {"opacity 1% – ünïcödé 日本", "日本語のレイヤーの名前", "Ελληνικό όνομα στρώσης",
                              "Crème brûlée à la façade", "Background paper"};

class LayerNames : public ::testing::Test {
 public:
  void SetUp() override {
    folder_ = testing::MakeUniqueTempFolder("lumora-names-").string();
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    SetLayerClipboardFormat(RegisterClipboardFormatA("Lumo40 W32 Layer"));
    ASSERT_TRUE(app_.InitInstance());
    SetForegroundWindow(app_.MainFrame()->Handle());
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile("names.psd")));
    ASSERT_NE(doc_, nullptr);
    Settle(app_, doc_);
    palette_ = &app_.MainFrameWnd()->LayerPalette();
    ASSERT_TRUE(palette_->Exists());
    ASSERT_EQ(List().Rows(), 5);
    for (int row = 0; row < 5; ++row) ASSERT_EQ(List().LayerAt(row)->GetName(), kNames[row]) << row;
  }
  void TearDown() override {
    testing::DialogScript::Stop();
    testing::EndProgramIfRunning(app_);
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  CLayerScrollWnd& List() { return palette_->List(); }
  void Pump() {
    Settle(app_, doc_);
    testing::Settle(app_);
  }
  // The palette over every other window of the display, where the user
  // looks for it (what stacks the program's windows is tested elsewhere).
  void RaisePalette() {
    ASSERT_EQ(testing::RunHostShell(folder_, "xdotool search --name '^Layer Palette$' windowraise"), 0);
    Pump();
    RunUntil(app_, [] { return false; }, 300);
  }

  std::string folder_, ini_;
  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  CLayerWnd* palette_ = nullptr;
};

// At the palette's first size and small thumbnails, every row shows at
// least the first 8 characters of its name (as the dialog font draws
// them), and the current row's name stands out in the selection colour.
TEST_F(LayerNames, RowsShowTheFirstCharactersOfEveryNameAndTheCurrentOneStandsOut) {
  ASSERT_EQ(List().RowHeight(), 44);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(palette_->Handle(), WM_GETFONT, 0, 0));
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const std::uint32_t highlightPixel = (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
  std::vector<bool> checked(5, false);
  for (const int scrollCode : {SB_TOP, SB_BOTTOM}) {
    SendMessageA(List().Handle(), WM_VSCROLL, scrollCode, 0);
    RaisePalette();
    RECT client{};
    GetClientRect(List().Handle(), &client);
    Capture shot;
    ASSERT_TRUE(testing::ScreenShot(folder_, testing::ScreenClientRect(List().Handle()), &shot));
    for (int row = 0; row < 5; ++row) {
      const RECT band = List().RowBand(row);
      if (band.top < 0 || band.bottom > client.bottom) continue;
      SCOPED_TRACE(row);
      checked[static_cast<std::size_t>(row)] = true;
      RECT zone = List().ZonesOf(row).name;
      RectOffset(&zone, band.left, band.top);
      const std::wstring name = WideName(kNames[row]);
      const std::wstring first = name.substr(0, 8);
      const bool current = row == List().Current();
      // The first 8 characters as the font draws them from the zone's left.
      SIZE extent{}, seven{};
      int textHeight = 0;
      const Capture drawn = testing::CaptureDc(RectWidth(zone), RectHeight(zone), [&](HDC dc) {
        RECT all{0, 0, RectWidth(zone), RectHeight(zone)};
        FillRect(dc, &all, current ? GetSysColorBrush(COLOR_HIGHLIGHT) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, current ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
        GetTextExtentPoint32W(dc, first.c_str(), static_cast<int>(first.size()), &extent);
        GetTextExtentPoint32W(dc, first.c_str(), 7, &seven);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        textHeight = metrics.tmHeight;
        DrawTextW(dc, first.c_str(), -1, &all, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      });
      ASSERT_LE(extent.cx, RectWidth(zone)) << "the column is narrower than 8 characters";
      // Up to the eighth character every pixel; under the eighth its ink
      // (the ninth may reach into its cell).
      int mismatches = 0, inked = 0, firstX = -1, firstY = -1;
      const int top = (RectHeight(zone) - textHeight) / 2;
      const std::uint32_t background = drawn.At(0, 0);
      for (int y = top; y < top + textHeight; ++y) {
        for (int x = 0; x < extent.cx; ++x) {
          const std::uint32_t want = drawn.At(x, y);
          inked += want != background;
          if (x >= seven.cx && want == background) continue;
          if (shot.At(zone.left + x, zone.top + y) != want && mismatches++ == 0) {
            firstX = x;
            firstY = y;
          }
        }
      }
      EXPECT_GT(inked, 20) << "the characters draw something";
      EXPECT_EQ(mismatches, 0) << "of the first 8 characters; first at " << firstX << "," << firstY;
      // The current row's name lies on the selection colour; no other's.
      int marked = 0;
      for (int y = zone.top; y < zone.bottom; ++y)
        for (int x = zone.left; x < zone.right; ++x) marked += shot.At(x, y) == highlightPixel;
      if (current) {
        EXPECT_GT(marked, extent.cx * textHeight / 3);
      } else {
        EXPECT_EQ(marked, 0);
      }
    }
  }
  EXPECT_EQ(checked, std::vector<bool>(5, true)) << "every row was seen";
}

// Where large thumbnails leave the name less room than it needs, the
// pointer over it brings the whole name up in the tool tip, in UTF-16.
TEST_F(LayerNames, TheTipOverACutNameIsTheWholeName) {
  SendMessageA(palette_->Handle(), WM_COMMAND, ID_THUMBS_LARGE, 0);
  Pump();
  ASSERT_EQ(List().RowHeight(), 84);
  RaisePalette();
  for (const int row : {0, 1}) {
    SCOPED_TRACE(row);
    const std::wstring name = WideName(kNames[row]);
    const RECT band = List().RowBand(row);
    RECT zone = List().ZonesOf(row).name;
    RectOffset(&zone, band.left, band.top);
    HDC dc = GetDC(List().Handle());
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(palette_->Handle(), WM_GETFONT, 0, 0)));
    SIZE whole{};
    GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &whole);
    ReleaseDC(List().Handle(), dc);
    ASSERT_GT(whole.cx, RectWidth(zone)) << "the name is cut";
    // Away first, so that the tip comes up afresh over the name.
    MouseTo(List().Handle(), POINT{kRowStrip / 2, band.top + 2});
    RunUntil(app_, [] { return false; }, 300);
    // Two moves over the name, as a hand makes: the first gives the tip
    // its zone, the second starts it.
    MouseTo(List().Handle(), Centre(zone));
    RunUntil(app_, [] { return false; }, 100);
    MouseTo(List().Handle(), POINT{Centre(zone).x + 2, Centre(zone).y});
    HWND tip = nullptr;
    RunUntil(
        app_,
        [&] {
          tip = nullptr;
          EnumThreadWindows(
              GetCurrentThreadId(),
              [](HWND w, LPARAM found) -> BOOL {
                char cls[64] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (std::string(cls) != TOOLTIPS_CLASSA || !IsWindowVisible(w)) return TRUE;
                *reinterpret_cast<HWND*>(found) = w;
                return FALSE;
              },
              reinterpret_cast<LPARAM>(&tip));
          return tip != nullptr;
        },
        5000);
    ASSERT_NE(tip, nullptr) << "no tip came up";
    wchar_t text[256] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V1_SIZE;
    info.hwnd = List().Handle();
    info.uId = 1;
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(std::wstring(text), name);
  }
}

// Layer Options and Duplicate Layer show a Latin-1, a Greek and a Japanese
// name whole in their UTF-16 controls, and OK gives the name back as it
// was.
TEST_F(LayerNames, DialogsShowAndGiveBackEveryCharacterOfTheName) {
  for (const int row : {3, 2, 1}) {
    SCOPED_TRACE(row);
    CLayer* layer = List().LayerAt(row);
    doc_->Image().SetActiveLayer(layer, false, false);
    Pump();
    ASSERT_EQ(List().CurrentLayer(), layer);
    std::wstring shown;
    testing::DialogScript::Run({{"Layer options", [&](HWND d) {
                                   wchar_t text[256] = {};
                                   GetWindowTextW(GetDlgItem(d, IDC_LAYER_NAME), text, 256);
                                   shown = text;
                                   testing::Press(d, IDOK);
                                 }}});
    SendMessageA(palette_->Handle(), WM_COMMAND, ID_LAYER_OPTIONS, 0);
    Pump();
    EXPECT_EQ(testing::DialogScript::done, 1) << "no other box came up";
    EXPECT_EQ(shown, WideName(kNames[row]));
    EXPECT_EQ(layer->GetName(), kNames[row]) << "OK keeps the name";

    std::wstring source, as;
    testing::DialogScript::Run({{"Duplicate Layer", [&](HWND d) {
                                   wchar_t text[256] = {};
                                   GetWindowTextW(GetDlgItem(d, IDC_DUP_SOURCE), text, 256);
                                   source = text;
                                   GetWindowTextW(GetDlgItem(d, IDC_DUP_AS), text, 256);
                                   as = text;
                                   testing::Press(d, IDCANCEL);
                                 }}});
    SendMessageA(app_.MainFrame()->Handle(), WM_COMMAND, ID_LAYER_DUPLICATE, 0);
    Pump();
    EXPECT_EQ(testing::DialogScript::done, 1);
    EXPECT_EQ(source, WideName(kNames[row]));
    EXPECT_EQ(as.substr(0, WideName(kNames[row]).size()), WideName(kNames[row])) << "the copy's name starts with it";
  }
}

}  // namespace
}  // namespace lumora
