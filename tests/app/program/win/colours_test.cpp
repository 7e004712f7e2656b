// The application's colours on screen, in the program's own start-up: the
// shared colour window opened by the swatch commands, edited by typing, and
// what it gives the foreground and background colours.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "framework/Archive.h"
#include "framework/File.h"
#include "hostapi/controls.h"
#include "hostapi/comdlg.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/user_input.h"
#include "tests/support/win/window_pixels.h"
#include "ui/win/ColourControls.h"

namespace lumora {
namespace {

using lumora::testing::RunUntil;

// The colour window's edits of red, green and blue.
constexpr int kRedEdit = 1111, kGreenEdit = 1112, kBlueEdit = 1113;
constexpr int kGreenSlider = 1102;

using lumora::testing::CentreOnScreen;
using lumora::testing::SettingsFileOfThisProgram;
using lumora::testing::Key;
using lumora::testing::Mouse;
using lumora::testing::Send;

COLORREF SwatchColour(HWND control, int id) {
  return static_cast<COLORREF>(SendDlgItemMessageA(control, id, kVrCtlGetColour, 0, 0));
}

// The colour an owner-drawn swatch button draws inside its frame.
COLORREF SwatchButtonColour(HWND dialog, int id) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 12);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(id);
  item.hwndItem = GetDlgItem(dialog, id);
  item.hDC = dc;
  item.rcItem = RECT{0, 0, 20, 12};
  SendMessageA(dialog, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
  const COLORREF colour = GetPixel(dc, 10, 6);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colour;
}

LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A window of one colour in the screen's bottom right corner, above others.
struct ColourPatch {
  explicit ColourPatch(COLORREF colour) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ColourTestPatch";
    RegisterClassA(&wc);
    brush = CreateSolidBrush(colour);
    at = POINT{GetSystemMetrics(SM_CXSCREEN) - 50, GetSystemMetrics(SM_CYSCREEN) - 50};
    window = CreateWindowExA(WS_EX_TOPMOST, "ColourTestPatch", "", WS_POPUP, at.x - 30, at.y - 30, 60, 60, nullptr,
                             nullptr, wc.hInstance, nullptr);
    SetClassLongPtrA(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
    ShowWindow(window, SW_SHOWNA);
    UpdateWindow(window);
  }
  ~ColourPatch() {
    DestroyWindow(window);
    DeleteObject(brush);
  }
  HWND window = nullptr;
  HBRUSH brush = nullptr;
  POINT at{};
};

HWND ColourWindow() { return FindWindowA("VR_SELCOLORWND32", nullptr); }

int EditValue(HWND window, int id) {
  BOOL ok = FALSE;
  const UINT value = GetDlgItemInt(window, id, &ok, FALSE);
  return ok ? static_cast<int>(value) : -1;
}

class Colours : public ::testing::Test {
 public:
  void SetUp() override {
    const lumora::testing::StartedProgram shown = lumora::testing::StartProgram(app_);
    ASSERT_TRUE(shown.started);
    frame_ = shown.frame;
    Pump();
  }
  void TearDown() override {
    lumora::testing::DiscardChanges(app_);
    lumora::testing::CloseProgram(app_);
  }
  void Pump() { RunUntil(app_, [] { return true; }); }
  void Click(POINT screen) {
    Send({Mouse(MOUSEEVENTF_MOVE, screen)});
    Pump();
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Pump();
  }

  // A tool window or the colour window over a point of `target` moves
  // aside, as the user moves a palette off what they click.
  void Uncover(HWND target, POINT screen) {
    ScreenToClient(target, &screen);
    if (lumora::testing::MoveCoveringWindowAside(target, screen)) Pump();
  }

  // Types a channel into the colour window's edit as the user does.
  void TypeInto(HWND window, int id, const char* digits) {
    HWND edit = GetDlgItem(window, id);
    SetForegroundWindow(window);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    std::vector<INPUT> keys;
    for (const char* c = digits; *c != '\0'; ++c) {
      keys.push_back(Key(static_cast<WORD>(*c), false));
      keys.push_back(Key(static_cast<WORD>(*c), true));
    }
    Send(keys);
    Pump();
  }

  lumora::testing::FreshSettings settings_;
  CLumo40App app_;
  HWND frame_ = nullptr;
};

TEST_F(Colours, SwatchCommandsOpenTheColourWindowWhoseColoursTheApplicationTakes) {
  app_.SetForeColor(RGB(10, 20, 30), false);
  app_.SetBackColor(RGB(255, 255, 255), false);
  ASSERT_EQ(ColourWindow(), nullptr);
  EXPECT_EQ(LUShowSelColorWindow(nullptr, frame_, 0), nullptr);  // not open: refused

  // The foreground swatch's command: the window shows the foreground.
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  HWND window = ColourWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(LUIsSelColorWindowOpened(nullptr));
  EXPECT_EQ(EditValue(window, kRedEdit), 10);
  EXPECT_EQ(EditValue(window, kGreenEdit), 20);
  EXPECT_EQ(EditValue(window, kBlueEdit), 30);

  // Typed channels become the foreground colour as they are typed.
  TypeInto(window, kRedEdit, "200");
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 20, 30));
  // Out of range while typing: ignored, and put right when the edit is left.
  TypeInto(window, kGreenEdit, "300");
  EXPECT_EQ(app_.settings.foreColor, RGB(200, 30, 30));  // "30" was a channel on the way
  SetFocus(GetDlgItem(window, kBlueEdit));
  Pump();
  EXPECT_EQ(EditValue(window, kGreenEdit), 30);
  EXPECT_EQ(app_.settings.backColor, RGB(255, 255, 255));

  // The slider follows the edit; a click on its channel moves it a page.
  HWND slider = GetDlgItem(window, kGreenSlider);
  EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 30);
  RECT channel{};
  SendMessageA(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  POINT atEnd{channel.right - 3, (channel.top + channel.bottom) / 2};
  ClientToScreen(slider, &atEnd);
  Send({Mouse(MOUSEEVENTF_MOVE, atEnd)});
  Pump();
  Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
  Pump();
  const int moved = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
  EXPECT_GT(moved, 30);
  EXPECT_EQ(EditValue(window, kGreenEdit), moved);
  EXPECT_EQ(app_.settings.foreColor, RGB(200, moved, 30));

  // The background swatch: the same window now shows and edits the background.
  SendMessageA(frame_, WM_COMMAND, IDC_BACK_SWATCH, 0);
  Pump();
  EXPECT_EQ(ColourWindow(), window);
  EXPECT_EQ(EditValue(window, kRedEdit), 255);
  TypeInto(window, kBlueEdit, "7");
  EXPECT_EQ(app_.settings.backColor, RGB(255, 255, 7));
  EXPECT_EQ(app_.settings.foreColor, RGB(200, moved, 30));

  // Closed by its caption's close: no longer open, opened again on demand.
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(LUIsSelColorWindowOpened(nullptr));
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  ASSERT_NE(ColourWindow(), nullptr);
  EXPECT_EQ(EditValue(ColourWindow(), kRedEdit), 200);
  // The program ends with the window open.
}

TEST_F(Colours, ColourControlShowsTheColoursOpensTheWindowSwapsAndComesBackFromItsRecord) {
  app_.SetForeColor(RGB(0, 0, 0), false);
  app_.SetBackColor(RGB(255, 255, 255), false);
  // Where a bar holds it: a child of the frame with the bars' id.
  CMColorCtrl control;
  ASSERT_TRUE(control.Create(frame_, ID_COLOUR_CONTROL));
  HWND h = control.Handle();
  SetWindowPos(h, HWND_TOP, 300, 200, 48, 48, SWP_SHOWWINDOW);
  Pump();
  HWND fore = GetDlgItem(h, IDC_FORE_SWATCH), back = GetDlgItem(h, IDC_BACK_SWATCH);
  HWND swap = GetDlgItem(h, IDC_SWAP_COLOURS);
  RECT r{};
  GetWindowRect(fore, &r);
  EXPECT_EQ(r.right - r.left, 30);  // 5/8 of 48
  GetWindowRect(back, &r);
  EXPECT_EQ(r.left, [&] { RECT c{}; GetWindowRect(h, &c); return c.left + 18; }());
  EXPECT_EQ(SwatchColour(h, IDC_FORE_SWATCH), RGB(0, 0, 0));
  EXPECT_EQ(SwatchColour(h, IDC_BACK_SWATCH), RGB(255, 255, 255));

  // A click on the foreground swatch opens the colour window for it; a
  // typed colour reaches the application and the swatch.
  Uncover(fore, CentreOnScreen(fore));
  Click(CentreOnScreen(fore));
  HWND window = ColourWindow();
  ASSERT_NE(window, nullptr);
  TypeInto(window, kGreenEdit, "128");
  EXPECT_EQ(app_.settings.foreColor, RGB(0, 128, 0));
  EXPECT_EQ(SwatchColour(h, IDC_FORE_SWATCH), RGB(0, 128, 0));

  // The background swatch's visible corner: it comes on top and the window
  // edits the background.
  GetWindowRect(back, &r);
  Uncover(back, POINT{r.right - 4, r.bottom - 4});
  Click(POINT{r.right - 4, r.bottom - 4});
  EXPECT_EQ(GetWindow(h, GW_CHILD), back);
  EXPECT_EQ(EditValue(window, kRedEdit), 255);
  TypeInto(window, kRedEdit, "9");
  EXPECT_EQ(app_.settings.backColor, RGB(9, 255, 255));
  EXPECT_EQ(SwatchColour(h, IDC_BACK_SWATCH), RGB(9, 255, 255));

  // The frame's swatch command goes to the control on the bar.
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  EXPECT_EQ(GetWindow(h, GW_CHILD), fore);
  EXPECT_EQ(EditValue(window, kGreenEdit), 128);

  // Swap: the colours trade places, the swatches show it.
  Uncover(swap, CentreOnScreen(swap));
  Click(CentreOnScreen(swap));
  EXPECT_EQ(app_.settings.foreColor, RGB(9, 255, 255));
  EXPECT_EQ(app_.settings.backColor, RGB(0, 128, 0));
  EXPECT_EQ(SwatchColour(h, IDC_FORE_SWATCH), RGB(9, 255, 255));
  EXPECT_EQ(SwatchColour(h, IDC_BACK_SWATCH), RGB(0, 128, 0));
  // The swap picture sits on the button face, no frame around it.
  const lumora::testing::Capture shot = lumora::testing::CaptureShownClient(swap);
  ASSERT_GT(shot.width, 2);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(shot.At(0, 0), (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face));
  bool dark = false;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) dark = dark || shot.At(x, y) == 0;
  }
  EXPECT_TRUE(dark);

  EXPECT_EQ(control.GetTipText(IDC_FORE_SWATCH), "Foreground color");
  EXPECT_EQ(control.GetTipText(IDC_BACK_SWATCH), "Background color");
  EXPECT_EQ(control.GetTipText(IDC_SWAP_COLOURS), "Swap colors");
  EXPECT_EQ(control.GetTipText(4711), "????????");

  // Its record in a bar's state, and a control made again from it.
  SetWindowPos(h, nullptr, 0, 0, 40, 32, SWP_NOMOVE | SWP_NOZORDER);
  fw::MemFile file(64);
  {
    fw::Archive ar(file, fw::Archive::store);
    control.Store(ar);
    ar.Close();
  }
  fw::MemFile copy;
  std::vector<std::uint8_t> bytes(file.Data(), file.Data() + file.GetLength());
  copy.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive reading(copy, fw::Archive::load);
  EXPECT_EQ(reading.ReadString(), "WND_MCOLOR");
  CMColorCtrl* again = CMColorCtrl::Load(reading, frame_);
  ASSERT_NE(again, nullptr);
  GetWindowRect(again->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_EQ(r.bottom - r.top, 32);
  EXPECT_EQ(GetDlgCtrlID(again->Handle()), ID_COLOUR_CONTROL);
  EXPECT_EQ(SwatchColour(again->Handle(), IDC_FORE_SWATCH), RGB(9, 255, 255));
  DestroyWindow(again->Handle());  // deletes it
  DestroyWindow(h);
}

TEST_F(Colours, NewImageTakesItsColourFromTheColourWindowAndFromPickUp) {
  using lumora::testing::DialogScript;
  using lumora::testing::Press;
  app_.SetBackColor(RGB(1, 2, 3), false);
  ColourPatch patch(RGB(10, 120, 230));
  Pump();
  COLORREF atStart = 0, typed = 0, picked = 0;
  int shownRed = -1, waits = 0;
  bool pickStarted = false;
  DialogScript::Step waitForPick;
  waitForPick = {"New image", [&](HWND dialog) {
                   picked = SwatchButtonColour(dialog, IDC_NEWIMG_SWATCH);
                   if (picked != RGB(10, 120, 230) && ++waits < 300) {
                     DialogScript::steps.push_front(waitForPick);
                     return;
                   }
                   Press(dialog, IDOK);
                 }};
  DialogScript::Run({
      {"New image",
       [&](HWND dialog) {
         atStart = SwatchButtonColour(dialog, IDC_NEWIMG_SWATCH);
         Press(dialog, IDC_NEWIMG_SWATCH);
       }},
      {"New image",
       [&](HWND dialog) {
         HWND window = ColourWindow();
         if (window == nullptr) return Press(dialog, IDCANCEL);
         shownRed = EditValue(window, kRedEdit);
         SetDlgItemTextA(window, kRedEdit, "77");  // as typed: the dialog hears 1468
         typed = SwatchButtonColour(dialog, IDC_NEWIMG_SWATCH);
         Press(dialog, IDC_NEWIMG_PICKUP);
       }},
      {"New image",
       [&](HWND) {
         // Inside the pick-up: the user clicks the patch.
         pickStarted = GetCapture() != nullptr;
         Send({Mouse(MOUSEEVENTF_MOVE, patch.at)});
         Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
       }},
      waitForPick,
  });
  SendMessageA(frame_, WM_COMMAND, ID_FILE_NEW, 0);
  DialogScript::Stop();
  Pump();
  EXPECT_EQ(atStart, RGB(1, 2, 3)) << "the dialog starts with the background colour";
  EXPECT_EQ(shownRed, 1) << "the colour window opened with the swatch's colour";
  EXPECT_EQ(typed, RGB(77, 2, 3));
  EXPECT_TRUE(pickStarted);
  EXPECT_EQ(picked, RGB(10, 120, 230));
  EXPECT_FALSE(LUIsSelColorWindowOpened(nullptr)) << "OK closes the window the dialog held";
  EXPECT_EQ(app_.settings.backColor, RGB(1, 2, 3));
  // The new image is filled with the picked colour.
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
  auto* doc = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().front());
  ASSERT_NE(doc, nullptr);
  const std::uint8_t* pixel = doc->Image().GetLayers()->GetLayer(0)->GetImage()->Row(0);
  EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2]}), (std::vector<int>{230, 120, 10})) << "blue, green, red";
  doc->SetModifiedFlag(false);
  doc->Image().SetModifiedFlag(false);
  doc->OnCloseDocument();
  Pump();

  // A colour window the main window had is bound to the dialog at its start
  // and shows its colour; Cancel closes it.
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  ASSERT_TRUE(LUIsSelColorWindowOpened(nullptr));
  shownRed = -1;
  DialogScript::Run({{"New image", [&](HWND dialog) {
                        shownRed = ColourWindow() != nullptr ? EditValue(ColourWindow(), kRedEdit) : -2;
                        Press(dialog, IDCANCEL);
                      }}});
  SendMessageA(frame_, WM_COMMAND, ID_FILE_NEW, 0);
  DialogScript::Stop();
  Pump();
  EXPECT_EQ(shownRed, 1);
  EXPECT_FALSE(LUIsSelColorWindowOpened(nullptr));
  EXPECT_TRUE(app_.Docs().AllDocuments().empty());
}

// [Tablet] enable with no tablet driver answering (Wine's own has no
// tablet here): start-up goes on without a word, the tablet is absent, and
// the brushes and the site get full pressure at full width.
// The colour window paints its colour through the monitor gamma chosen
// with View/Monitor Gamma, as the views show their pixels; the colour itself
// (its channels, the foreground) stays as it was.
TEST_F(Colours, ColourWindowPaintsThroughTheMonitorGamma) {
  app_.SetForeColor(RGB(64, 128, 77), false);
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  HWND window = ColourWindow();
  ASSERT_NE(window, nullptr);
  auto swatch = [&] {
    const testing::Capture shot = testing::CaptureClient(window);
    return shot.At(35, 52);
  };
  EXPECT_EQ(swatch(), 0x40804Du);  // red, green, blue

  testing::DialogScript::Run({{"Monitor Gamma", [&](HWND dialog) {
                                 for (int id : {201, 202, 203}) SetDlgItemTextA(dialog, id, "200");
                                 testing::Press(dialog, IDOK);
                               }}});
  SendMessageA(frame_, WM_COMMAND, ID_VIEW_MONITOR_GAMMA, 0);
  testing::DialogScript::Stop();
  ASSERT_EQ(testing::DialogScript::done, 1);
  Pump();
  // 255 x (c / 255) ^ (1 / 2): 64 -> 127.75, 128 -> 180.67, 77 -> 140.12.
  EXPECT_EQ(swatch(), 0x80B58Cu);
  EXPECT_EQ(EditValue(window, kRedEdit), 64);
  EXPECT_EQ(EditValue(window, kGreenEdit), 128);
  EXPECT_EQ(app_.settings.foreColor, RGB(64, 128, 77));
}

// The colour window's pages, reached by clicking their tabs: a hue typed on
// the HSV page, a palette cell clicked, and the colour added to the user's
// cells, each becomes the foreground as the user makes it.
TEST_F(Colours, ColourWindowPagesEditByHueAndByPaletteCells) {
  constexpr int kTabs = 1140, kHueEdit = 1131, kAdd = 1141;
  app_.SetForeColor(RGB(255, 0, 0), false);
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  HWND window = ColourWindow();
  ASSERT_NE(window, nullptr);
  HWND tabs = GetDlgItem(window, kTabs);
  ASSERT_NE(tabs, nullptr);
  auto clickTab = [&](int page) {
    RECT r{};
    SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(&r));
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tabs, &at);
    Click(at);
  };
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, kHueEdit)));
  clickTab(1);
  ASSERT_TRUE(IsWindowVisible(GetDlgItem(window, kHueEdit)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, kRedEdit)));
  EXPECT_EQ(EditValue(window, kHueEdit), 0);
  EXPECT_EQ(EditValue(window, kHueEdit + 1), 100);
  TypeInto(window, kHueEdit, "240");
  EXPECT_EQ(app_.settings.foreColor, RGB(0, 0, 255));
  EXPECT_EQ(EditValue(window, kBlueEdit), 255);
  TypeInto(window, kHueEdit, "400");  // beyond 359: ignored while typing ("40" was on the way)
  EXPECT_EQ(app_.settings.foreColor, RGB(255, 170, 0));

  clickTab(2);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, kHueEdit)));
  // The fourth cell of the second row is pure green; the user's cells are below.
  auto cellCentre = [&](int cell) {
    const int top = 34 + (cell / 8) * 16 + (cell >= 32 ? 6 : 0);
    POINT at{70 + (cell % 8) * 24 + 11, top + 7};
    return at;
  };
  auto clickCell = [&](int cell) {
    POINT at = cellCentre(cell);
    ClientToScreen(window, &at);
    Click(at);
  };
  clickCell(11);
  EXPECT_EQ(app_.settings.foreColor, RGB(0, 255, 0));
  EXPECT_EQ(EditValue(window, kGreenEdit), 255);
  EXPECT_EQ(testing::CaptureClient(window).At(cellCentre(32).x, cellCentre(32).y), 0xFFFFFFu);  // unused: white
  app_.SetForeColor(RGB(12, 34, 56), false);
  SendMessageA(frame_, WM_COMMAND, IDC_FORE_SWATCH, 0);
  Pump();
  Click([&] {
    POINT at = CentreOnScreen(GetDlgItem(window, kAdd));
    return at;
  }());
  EXPECT_EQ(testing::CaptureClient(window).At(cellCentre(32).x, cellCentre(32).y), 0x0C2238u);
  clickCell(0);
  EXPECT_EQ(app_.settings.foreColor, RGB(0, 0, 0));
  clickCell(32);
  EXPECT_EQ(app_.settings.foreColor, RGB(12, 34, 56));
}

TEST(ColoursTablet, EnabledWithoutATabletStartsQuietlyAndAnswersFullPressure) {
  const std::string ini = SettingsFileOfThisProgram();
  DeleteFileA(ini.c_str());
  WritePrivateProfileStringA("Tablet", "enable", "1", ini.c_str());
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.settings.tabletEnable, 1);
  EXPECT_FALSE(app.tablet.Present());
  int numerator = 0, denominator = 0;
  EXPECT_EQ(app.ReadTablet(&numerator, &denominator), 255);
  EXPECT_EQ(numerator, 1);
  EXPECT_EQ(denominator, 1);
  // The main window's tablet messages change nothing without a tablet.
  HWND frame = app.MainFrame()->Handle();
  SendMessageA(frame, kMsgTabletProximity, 0, 1);
  SendMessageA(frame, kMsgTabletCursorChange, 1, 0);
  EXPECT_EQ(app.ReadTablet(&numerator, &denominator), 255);
  EXPECT_EQ(app.MainFrameWnd()->CurrentTool(), nullptr);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
  DeleteFileA(ini.c_str());
}

}  // namespace
}  // namespace lumora
