// The text tool in the running program, started in this process with
// ag-psd's two-layer 320 x 240 file on the command line: Image/Text by its
// command, a real click on the view, the text dialog driven as a user does
// (its lists, a real keyboard, Apply and Cancel), and the layer's pixels
// checked against GDI's own drawing of the typed string.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/TextDlg.h"
#include "document/win/Lumo40Doc.h"
#include "document/win/TextTool.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "framework/win/Window.h"
#include "hostapi/comdlg.h"
#include "hostapi/controls.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "platform/rect.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/recording_progress.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/gdi_text.h"
#include "tests/support/win/host_command.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

void Send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT Mouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  return in;
}

constexpr int kPoints = 24;
constexpr char kFace[] = "Liberation Sans";

// The mask a layout gives for GDI's own drawing of the string in the
// layer's font (tests/support/win/gdi_text.h).
std::vector<std::uint8_t> ExpectedMask(const std::string& s, int layoutWidth, int layoutHeight, int factor) {
  return lumora::testing::GdiTextMask(kFace, kPoints, s, layoutWidth, layoutHeight, factor);
}

// The layer's mask differs from the expectation in how many pixels (rows
// of the mask count from the bottom); `ink` gets the inked pixels.
int MaskDifferences(const CLayerText& text, const std::vector<std::uint8_t>& expected, int* ink) {
  const VrWA2000::WA* mask = text.PeekMask();
  const int w = text.GetFinalWidth(), h = text.GetFinalHeight();
  if (mask == nullptr || static_cast<int>(expected.size()) != w * h) return -1;
  int differ = 0;
  *ink = 0;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = mask->Row(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const int e = expected[static_cast<std::size_t>(y) * w + x];
      *ink += e > 0;
      differ += row[x] != e;
    }
  }
  return differ;
}

class TextTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (fw::ParseProcessCommandLine().fileName.empty()) GTEST_SKIP() << "run with the two-layer file on the command line";
    ini_ = lumora::testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    ASSERT_FALSE(app_.Docs().AllDocuments().empty());
    doc_ = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().front());
    frame_ = app_.MainFrame()->Handle();
    SetForegroundWindow(frame_);
    lumora::testing::Settle(app_, doc_);
    fw::FrameWnd* child = app_.MainFrameWnd()->GetActiveFrame();
    view_ = child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
    ASSERT_NE(view_, nullptr);
    ASSERT_EQ(view_->ZoomRatio(), 1.0);
  }
  void TearDown() override {
    if (view_ != nullptr) {
      if (CTextDlg* dialog = OpenTextDialog()) SendMessageA(dialog->Handle(), WM_COMMAND, IDCANCEL, 0);
      for (fw::Document* d : app_.Docs().AllDocuments()) d->SetModifiedFlag(false);
      doc_->Image().SetModifiedFlag(false);
      lumora::testing::CloseProgram(app_);
    }
    DeleteFileA(ini_.c_str());
  }

  void Command(UINT id) {
    SendMessageA(frame_, WM_COMMAND, id, 0);
    lumora::testing::Settle(app_);
  }
  // Whether the command's item is enabled where the menu bar holds it, as
  // opening its popup finds it.
  bool Enabled(UINT id) {
    bool found = false;
    const bool enabled = MenuEnabled(GetMenu(frame_), id, &found);
    EXPECT_TRUE(found) << id;
    return enabled;
  }
  bool MenuEnabled(HMENU menu, UINT id, bool* found) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      if (HMENU sub = GetSubMenu(menu, i)) {
        SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
        const bool enabled = MenuEnabled(sub, id, found);
        if (*found) return enabled;
      } else if (GetMenuItemID(menu, i) == id) {
        *found = true;
        return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
      }
    }
    return false;
  }
  void Click(POINT client) {
    POINT screen = client;
    ClientToScreen(view_->Handle(), &screen);
    Send({Mouse(MOUSEEVENTF_MOVE, screen)});
    lumora::testing::Settle(app_);
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    lumora::testing::Settle(app_);
  }
  void Keys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD k : keys) inputs.push_back(Key(k, false));
    for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) inputs.push_back(Key(*k, true));
    Send(inputs);
    lumora::testing::Settle(app_);
  }
  // Typed on the keyboard into the focused window.
  void Type(const std::string& text) {
    for (char c : text) {
      const SHORT scan = VkKeyScanA(c);
      if ((scan & 0x100) != 0) {
        Keys({VK_SHIFT, static_cast<WORD>(scan & 0xFF)});
      } else {
        Keys({static_cast<WORD>(scan & 0xFF)});
      }
    }
  }
  HWND Dialog() {
    CTextDlg* dialog = OpenTextDialog();
    return dialog != nullptr ? dialog->Handle() : nullptr;
  }
  void Choose(HWND dialog, int id, const char* text) {
    HWND list = GetDlgItem(dialog, id);
    ASSERT_NE(SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)), CB_ERR)
        << text;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    lumora::testing::Settle(app_);
  }
  // Image/Text, a click at the client point, font, size and anti-aliasing
  // chosen in the dialog, the text typed into its edit.
  HWND PlaceAndType(POINT client, const std::string& text, bool antiAlias) {
    Command(ID_IMAGE_TEXT);
    EXPECT_TRUE(TextHookRunning());
    Click(client);
    HWND dialog = Dialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog == nullptr) return nullptr;
    char caption[32] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Text");
    Choose(dialog, IDC_TEXT_FONT, kFace);
    Choose(dialog, IDC_TEXT_SIZE, "24");
    if ((IsDlgButtonChecked(dialog, IDC_TEXT_ANTIALIAS) == BST_CHECKED) != antiAlias) {
      SendDlgItemMessageA(dialog, IDC_TEXT_ANTIALIAS, BM_CLICK, 0, 0);
      lumora::testing::Settle(app_);
    }
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDC_TEXT_EDIT));
    lumora::testing::Settle(app_);
    Type(text);
    return dialog;
  }

  CLayerText* ActiveText() { return dynamic_cast<CLayerText*>(doc_->Image().GetActiveLayer()); }
  int Layers() { return doc_->Image().GetLayers()->GetLayerCount(); }
  int Steps() { return doc_->Image().History().UndoCount(); }

  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
  HWND frame_ = nullptr;
  std::string ini_;
};

// Escape before the click cancels Image/Text: no layer, no step, the hook
// gone; a click in another window lets the click through and adds nothing.
TEST_F(TextTool, EscapeOrAClickElsewhereBeforeTheClickAddsNothing) {
  ASSERT_TRUE(Enabled(ID_IMAGE_TEXT));
  ASSERT_TRUE(Enabled(ID_IMAGE_TEXT_SELECTION));
  const int layers = Layers(), steps = Steps();
  Command(ID_IMAGE_TEXT);
  ASSERT_TRUE(TextHookRunning());
  SetFocus(view_->Handle());
  Keys({VK_ESCAPE});
  EXPECT_FALSE(TextHookRunning());
  Click(POINT{60, 60});
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps);
}

// Image/Text, a click, Liberation Sans 24 without anti-aliasing, "Lumora"
// typed, Apply: a text layer with its lower-left pixel at the click whose
// mask is 255 - GDI's own black-on-white drawing (upright), one step; undo
// takes the layer away. The double-click command opens the dialog on it
// again with its text, and an edit is one more step.
TEST_F(TextTool, ATextLayerTypedInTheDialogMatchesGdisDrawingAndUndoes) {
  const int layers = Layers(), steps = Steps();
  const POINT click{40, 150};
  const POINT pixel = view_->WindowPointToImagePixel(click);
  HWND dialog = PlaceAndType(click, "Lumora", false);
  ASSERT_NE(dialog, nullptr);
  CLayerText* text = ActiveText();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->IsNew());
  EXPECT_EQ(text->PlainText(), "Lumora");
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  EXPECT_EQ(Dialog(), nullptr);
  text = ActiveText();
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(text->IsNew());
  EXPECT_EQ(Layers(), layers + 1);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(text->GetName(), "Lumora");
  ASSERT_EQ(text->GetCharCount(), 6);
  EXPECT_EQ(text->CharFormats()[0].face, kFace);
  EXPECT_EQ(text->CharFormats()[0].size, kPoints * 10);
  EXPECT_EQ(text->Attributes().antiAlias, 0);

  // Lower-left at the click: rows count upward, the rect's top is its
  // lower edge on screen.
  const RECT rect = text->GetRect();
  EXPECT_EQ(rect.left, pixel.x);
  EXPECT_EQ(rect.top, pixel.y);
  const int w = text->GetLayoutWidth(), h = text->GetLayoutHeight();
  ASSERT_EQ(rect.right - rect.left, w);
  ASSERT_EQ(rect.bottom - rect.top, h);
  int ink = 0;
  EXPECT_EQ(MaskDifferences(*text, ExpectedMask("Lumora", w, h, 1), &ink), 0);
  EXPECT_GT(ink, 100);

  // Undo takes the layer away; redo brings it back.
  Keys({VK_CONTROL, 'Z'});
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(ActiveText(), nullptr);
  Keys({VK_CONTROL, 'Y'});
  ASSERT_EQ(Layers(), layers + 1);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(ActiveText()->PlainText(), "Lumora");

  // Edited again through the double-click command: the dialog shows the
  // text, a typed "!" at its end is one more step, and undo restores it.
  const int before = Steps();
  Command(ID_TEXT_EDIT_LAYER);
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  char shown[64] = {};
  GetDlgItemTextA(dialog, IDC_TEXT_EDIT, shown, sizeof shown);
  EXPECT_STREQ(shown, "Lumora");
  SetForegroundWindow(dialog);
  HWND edit = GetDlgItem(dialog, IDC_TEXT_EDIT);
  SetFocus(edit);
  lumora::testing::Settle(app_);
  Keys({VK_CONTROL, VK_END});
  Type("!");
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(ActiveText()->PlainText(), "Lumora!");
  EXPECT_EQ(Steps(), before + 1);
  EXPECT_GT(ActiveText()->GetRect().right, rect.right);
  Keys({VK_CONTROL, 'Z'});
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(ActiveText()->PlainText(), "Lumora");
  EXPECT_EQ(Steps(), before);
}

// Cancel on a brand-new text layer removes it and adds no step.
// With no tool in use on the views, the dialog turns Layer Moving on for
// the new text and off again when it goes.
TEST_F(TextTool, CancelOnANewTextLayerLeavesNothing) {
  CMainFrame* main = app_.MainFrameWnd();
  if (main->LayerMoving()) Command(ID_LAYER_MOVING);
  ASSERT_FALSE(main->LayerMoving());
  ASSERT_EQ(app_.currentToolCommand, 0u);
  const int layers = Layers(), steps = Steps();
  HWND dialog = PlaceAndType(POINT{60, 120}, "Gone", true);
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(Layers(), layers + 1);
  EXPECT_TRUE(main->LayerMoving());
  lumora::testing::Press(dialog, IDCANCEL);
  lumora::testing::Settle(app_);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(ActiveText(), nullptr);
  EXPECT_FALSE(main->LayerMoving());
}


// The dialog keeps its settings in TEXTDLG: a stored leading of 500 opens
// as 100; font, size, type, alignment (right stays right) and
// anti-aliasing chosen once come back when the dialog opens again.
TEST_F(TextTool, TheDialogReopensWithItsSettings) {
  WritePrivateProfileStringA("TEXTDLG", "leading", "500", ini_.c_str());
  HWND dialog = PlaceAndType(POINT{30, 120}, "Ab", false);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, IDC_TEXT_LEADING, nullptr, TRUE)), 100);
  Choose(dialog, IDC_TEXT_TYPE, "Bold");
  SendDlgItemMessageA(dialog, IDC_TEXT_RIGHT, BM_CLICK, 0, 0);
  lumora::testing::Settle(app_);
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(ActiveText()->Attributes().alignment, 2);
  EXPECT_EQ(ActiveText()->Attributes().leading, 100);
  char align[32] = {};
  GetPrivateProfileStringA("TEXTDLG", "Align", "", align, sizeof align, ini_.c_str());
  EXPECT_STREQ(align, "right");

  Command(ID_IMAGE_TEXT);
  Click(POINT{30, 60});
  dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  char shown[64] = {};
  GetDlgItemTextA(dialog, IDC_TEXT_FONT, shown, sizeof shown);
  EXPECT_STREQ(shown, kFace);
  GetDlgItemTextA(dialog, IDC_TEXT_SIZE, shown, sizeof shown);
  EXPECT_STREQ(shown, "24");
  GetDlgItemTextA(dialog, IDC_TEXT_TYPE, shown, sizeof shown);
  EXPECT_STREQ(shown, "Bold");
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TEXT_RIGHT), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TEXT_ANTIALIAS), BST_UNCHECKED);
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, IDC_TEXT_LEADING, nullptr, TRUE)), 100);
  lumora::testing::Press(dialog, IDCANCEL);
  lumora::testing::Settle(app_);
}

// Anti-aliased, the mask is the weighted 3 x 3 reduction of GDI's drawing
// at three times the size; saved as LUD and as PSD and opened again, the
// layer is still a text layer with that text, face and size, and ag-psd
// reads the PSD layer's pixels: its alpha is the mask.
TEST_F(TextTool, AnAntiAliasedTextSurvivesLudAndPsd) {
  HWND dialog = PlaceAndType(POINT{30, 100}, "Lumora", true);
  ASSERT_NE(dialog, nullptr);
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  CLayerText* text = ActiveText();
  ASSERT_NE(text, nullptr);
  ASSERT_EQ(text->GetLayoutFactor(), 3);
  const int w = text->GetFinalWidth(), h = text->GetFinalHeight();
  ASSERT_EQ(text->GetLayoutWidth(), 3 * w);
  int ink = 0;
  EXPECT_EQ(MaskDifferences(*text, ExpectedMask("Lumora", text->GetLayoutWidth(), text->GetLayoutHeight(), 3), &ink), 0);
  EXPECT_GT(ink, 100);
  const RECT rect = text->GetRect();
  const int index = doc_->Image().GetLayers()->GetLayerIndex(text);
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) std::memcpy(&mask[static_cast<std::size_t>(y) * w], text->PeekMask()->Row(h - 1 - y), w);

  namespace fs = std::filesystem;
  const fs::path folder = lumora::testing::MakeUniqueTempFolder("lumora-text-");
  for (const char* name : {"text.lud", "text.psd"}) {
    SCOPED_TRACE(name);
    const std::string saved = (folder / name).string();
    ASSERT_TRUE(doc_->DoSave(saved, false));
    auto* reopened = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(saved));
    ASSERT_NE(reopened, nullptr);
    ASSERT_NE(reopened, doc_);
    lumora::testing::Settle(app_, reopened);
    auto* again = dynamic_cast<CLayerText*>(reopened->Image().GetLayers()->GetLayer(index));
    ASSERT_NE(again, nullptr) << "a text layer again";
    EXPECT_EQ(again->PlainText(), "Lumora");
    ASSERT_EQ(again->GetCharCount(), 6);
    EXPECT_EQ(again->CharFormats()[0].face, kFace);
    EXPECT_EQ(again->CharFormats()[0].size, kPoints * 10);
    EXPECT_TRUE(RectsEqual(again->GetRect(), rect));
    // Stored without rich text, the layer's characters come into the
    // dialog under the "Reading text..." indicator, one step per
    // character, which no Escape may cut short.
    EXPECT_TRUE(again->GetRichText().empty());
    reopened->Image().SetActiveLayerByIndex(index, true, false);
    {
      lumora::testing::RecordingProgress progress;
      SendMessageA(frame_, WM_COMMAND, ID_TEXT_EDIT_LAYER, 0);
      lumora::testing::Settle(app_);
      EXPECT_NE(std::find(progress.captions.begin(), progress.captions.end(), IDS_READING_TEXT), progress.captions.end());
      EXPECT_EQ(progress.cancelables, std::vector<bool>{false});
      EXPECT_EQ(progress.positionReports(), 6);
      ASSERT_FALSE(progress.reports.empty());
      EXPECT_EQ(progress.reports.front().first, -1);
      EXPECT_EQ(progress.reports.back().first, -2);
    }
    ASSERT_NE(Dialog(), nullptr);
    char shown[32] = {};
    GetDlgItemTextA(Dialog(), IDC_TEXT_EDIT, shown, sizeof shown);
    EXPECT_STREQ(shown, "Lumora");
    lumora::testing::Press(Dialog(), IDCANCEL);
    lumora::testing::Settle(app_);
    reopened->SetModifiedFlag(false);
    reopened->Image().SetModifiedFlag(false);
    reopened->OnCloseDocument();
    lumora::testing::Settle(app_);
  }
  // ag-psd's reading of the PSD: the text layer's rect (rows from the top)
  // and its alpha.
  const std::string psd = (folder / "text.psd").string();
  const std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' dump '" +
                           lumora::testing::UnixPath(psd) + "' '" + lumora::testing::UnixPath((folder / "dump").string()) + "'";
  ASSERT_EQ(lumora::testing::RunHostShell(folder.string(), line), 0);
  std::ifstream dump(folder / "dump.txt");
  std::string entry;
  bool found = false;
  while (std::getline(dump, entry)) {
    std::istringstream in(entry);
    std::string kind;
    int i = 0, left = 0, top = 0, right = 0, bottom = 0;
    in >> kind >> i >> left >> top >> right >> bottom;
    if (kind != "layer" || i != index) continue;
    found = true;
    EXPECT_EQ(left, rect.left);
    EXPECT_EQ(right, rect.right);
    EXPECT_EQ(bottom - top, h);
    EXPECT_EQ(bottom, 240 - rect.top) << "the lower edge at the click, rows from the top";
  }
  ASSERT_TRUE(found);
  std::ifstream rgba(folder / ("dump." + std::to_string(index) + ".rgba"), std::ios::binary);
  std::vector<char> pixels((std::istreambuf_iterator<char>(rgba)), std::istreambuf_iterator<char>());
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(w) * h * 4);
  int differ = 0;
  for (std::size_t p = 0; p < mask.size(); ++p) differ += static_cast<std::uint8_t>(pixels[4 * p + 3]) != mask[p];
  EXPECT_EQ(differ, 0);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

// Image/Text Selection with the selection bar in add mode over a rectangle
// selection: Apply gives a complex selection holding both, one step, and
// the temporary layer is gone.
TEST_F(TextTool, TextSelectionAddsTheTextToARectangle) {
  const LURECT box{200, 20, 60, 40};
  Fragment* rect = CreateRectFrg(&box, 0);
  doc_->Image().SetSelection(rect, true);
  DeleteFragment(rect);
  LUSetSelectionMode(app_.Site(), kLUGSelAdd);
  const int layers = Layers(), steps = Steps();
  const POINT click{30, 150};
  const POINT pixel = view_->WindowPointToImagePixel(click);
  Command(ID_IMAGE_TEXT_SELECTION);
  Click(click);
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  Choose(dialog, IDC_TEXT_FONT, kFace);
  Choose(dialog, IDC_TEXT_SIZE, "24");
  SetForegroundWindow(dialog);
  SetFocus(GetDlgItem(dialog, IDC_TEXT_EDIT));
  lumora::testing::Settle(app_);
  Type("H");
  CLayerText* text = ActiveText();
  ASSERT_NE(text, nullptr);
  // An inked pixel of the H's left stem, in image coordinates.
  const RECT r = text->GetRect();
  POINT stem{-1, -1};
  for (int y = 0; y < r.bottom - r.top && stem.x < 0; ++y) {
    for (int x = 0; x < r.right - r.left; ++x) {
      if (text->PeekMask()->Row(y)[x] == 255) {
        stem = POINT{r.left + x, r.top + y};
        break;
      }
    }
  }
  ASSERT_GE(stem.x, 0);
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  LUSetSelectionMode(app_.Site(), kLUGSelReplace);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(ActiveText(), nullptr);
  EXPECT_EQ(Steps(), steps + 1);
  Fragment* selection = doc_->Image().GetSelection();
  ASSERT_NE(selection, nullptr);
  EXPECT_EQ(GetFragmentType(selection), kFrgComplex);
  auto selected = [&](POINT p) { return (PointInFragment(selection, &p) & 1) != 0; };
  EXPECT_TRUE(selected(POINT{210, 30}));
  EXPECT_TRUE(selected(stem));
  EXPECT_FALSE(selected(POINT{pixel.x - 5, pixel.y - 5}));
  EXPECT_FALSE(selected(POINT{150, 200}));
}

// When the active layer changes while the active image lies in another
// top-level window (an in-place frame's, here a window of the test's that
// the view is moved into), the dialog keeps the text typed so far and opens
// again for that window, editing the layer as an existing one.
TEST_F(TextTool, TheDialogFollowsTheActiveLayerIntoAnotherTopLevelWindow) {
  HWND dialog = PlaceAndType(POINT{40, 150}, "Move", false);
  ASSERT_NE(dialog, nullptr);
  CLayerText* text = ActiveText();
  ASSERT_NE(text, nullptr);
  const int index = doc_->Image().GetLayers()->GetLayerIndex(text);
  const int layers = Layers(), steps = Steps();
  // The same window: nothing happens.
  doc_->Image().SetActiveLayerByIndex(index, true, false);
  lumora::testing::Settle(app_);
  ASSERT_EQ(Dialog(), dialog);

  fw::Window other;
  ASSERT_TRUE(other.CreateEx(0, "STATIC", "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 500, 400, nullptr,
                             nullptr, nullptr));
  HWND home = GetParent(view_->Handle());
  SetParent(view_->Handle(), other.Handle());
  ASSERT_EQ(app_.GetActiveTopLevelWnd(), other.Handle());
  doc_->Image().SetActiveLayerByIndex(index, true, false);
  lumora::testing::Settle(app_);
  HWND moved = Dialog();
  ASSERT_NE(moved, nullptr);
  EXPECT_FALSE(IsWindow(dialog)) << "the old dialog went";
  EXPECT_EQ(GetWindow(moved, GW_OWNER), other.Handle());
  char shown[32] = {};
  GetDlgItemTextA(moved, IDC_TEXT_EDIT, shown, sizeof shown);
  EXPECT_STREQ(shown, "Move");
  EXPECT_EQ(Layers(), layers) << "the new text was kept";
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(ActiveText(), text);
  EXPECT_FALSE(text->IsNew());
  lumora::testing::Press(moved, IDCANCEL);
  lumora::testing::Settle(app_);
  SetParent(view_->Handle(), home);
  lumora::testing::Settle(app_);
  EXPECT_EQ(ActiveText(), text) << "Cancel on the moved dialog keeps the finished text";
}

// On a grey image the dialog hands the layer (and shows) a chosen red as
// its grey level, (255 + 0 + 0) / 3 = 85.
TEST_F(TextTool, OnAGreyImageARedTextIsGrey85) {
  ASSERT_TRUE(doc_->ConvertToGray());
  lumora::testing::Settle(app_);
  HWND dialog = PlaceAndType(POINT{40, 150}, "G", false);
  ASSERT_NE(dialog, nullptr);
  SendMessageA(dialog, kColourWindowChanged, 0, static_cast<LPARAM>(RGB(255, 0, 0)));
  lumora::testing::Settle(app_);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(ActiveText()->Attributes().color & 0xFFFFFF, RGB(85, 85, 85));
  EXPECT_EQ(static_cast<COLORREF>(SendDlgItemMessageA(dialog, IDC_TEXT_COLOUR, kVrCtlGetColour, 0, 0)) & 0xFFFFFF,
            RGB(85, 85, 85));
}

// The text-selection area tool: each click on the view places a text
// selection (the dialog opens on it; Apply makes the typed text the
// selection, one step) and the tool stays chosen; with a tool in use the
// dialog leaves Layer Moving alone.
TEST_F(TextTool, TheTextSelectionToolPlacesATextSelectionAtTheClick) {
  const RegisteredAreaTool* tool = nullptr;
  for (const RegisteredAreaTool& t : app_.areaTools.Tools()) {
    if (t.name == "Area_NewText") tool = &t;
  }
  ASSERT_NE(tool, nullptr) << "the text-selection tool is registered";
  Command(tool->command);
  CMainFrame* main = app_.MainFrameWnd();
  EXPECT_FALSE(main->LayerMoving());
  const int layers = Layers(), steps = Steps();
  const POINT click{40, 150};
  const POINT pixel = view_->WindowPointToImagePixel(click);
  Click(click);
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(main->LayerMoving());
  CLayerText* text = ActiveText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetRect().left, pixel.x);
  Choose(dialog, IDC_TEXT_FONT, kFace);
  Choose(dialog, IDC_TEXT_SIZE, "24");
  SetForegroundWindow(dialog);
  SetFocus(GetDlgItem(dialog, IDC_TEXT_EDIT));
  lumora::testing::Settle(app_);
  Type("H");
  const RECT r = text->GetRect();
  POINT stem{-1, -1};
  for (int y = 0; y < r.bottom - r.top && stem.x < 0; ++y) {
    for (int x = 0; x < r.right - r.left; ++x) {
      if (text->PeekMask()->Row(y)[x] == 255) {
        stem = POINT{r.left + x, r.top + y};
        break;
      }
    }
  }
  ASSERT_GE(stem.x, 0);
  lumora::testing::Press(dialog, IDOK);
  lumora::testing::Settle(app_);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps + 1);
  Fragment* selection = doc_->Image().GetSelection();
  ASSERT_NE(selection, nullptr);
  EXPECT_NE(PointInFragment(selection, &stem) & 1, 0);
  POINT outside{pixel.x - 5, pixel.y - 5};
  EXPECT_EQ(PointInFragment(selection, &outside) & 1, 0);
  char active[64] = {};
  LUGetActiveSelection(app_.Site(), active, sizeof active);
  EXPECT_STREQ(active, "Area_NewText");
  // The tool stays: the next click places another text selection.
  Click(POINT{150, 150});
  ASSERT_NE(Dialog(), nullptr);
  EXPECT_EQ(Layers(), layers + 1);
  lumora::testing::Press(Dialog(), IDCANCEL);
  lumora::testing::Settle(app_);
  EXPECT_EQ(Layers(), layers);
}

}  // namespace
}  // namespace lumora
