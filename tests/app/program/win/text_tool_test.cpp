// The text tool in the running program, started in this process with
// ag-psd's two-layer 320 x 240 file on the command line: Image/Text by its
// command, a real click on the view, the text dialog driven as a user does
// (its lists, a real keyboard, Apply and Cancel), and the layer's pixels
// checked against GDI's own drawing of the typed string.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
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
#include "hostapi/fragment.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
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

// GDI's own drawing of the string in the layer's font (a point font of the
// size on the screen's context), black on white on a top-down 8-bit grey
// picture of the layout's size, each character one advance after the last.
std::vector<std::uint8_t> GdiDrawing(const std::string& s, int width, int height) {
  HDC screen = GetDC(nullptr);
  const int pixels = MulDiv(kPoints * 10, GetDeviceCaps(screen, LOGPIXELSY), 720);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kFace);
  HGDIOBJ savedFont = SelectObject(dc, font);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  for (int i = 0; i < 256; ++i) {
    info.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ savedBitmap = SelectObject(dc, dib);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE);
  std::vector<INT> advances;
  for (char c : s) {
    INT w = 0;
    GetCharWidth32A(dc, static_cast<BYTE>(c), static_cast<BYTE>(c), &w);
    advances.push_back(w);
  }
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  ExtTextOutA(dc, 0, metrics.tmHeight, 0, nullptr, s.c_str(), static_cast<UINT>(s.size()), advances.data());
  GdiFlush();
  const int stride = (width + 3) & ~3;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(out.data() + static_cast<std::size_t>(y) * width, static_cast<const std::uint8_t*>(bits) + y * stride,
                static_cast<std::size_t>(width));
  }
  SelectObject(dc, savedBitmap);
  SelectObject(dc, savedFont);
  DeleteObject(dib);
  DeleteObject(font);
  DeleteDC(dc);
  return out;
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
  const std::vector<std::uint8_t> drawn = GdiDrawing("Lumora", w, h);
  const VrWA2000::WA* mask = text->PeekMask();
  ASSERT_NE(mask, nullptr);
  int ink = 0, differ = 0;
  for (int y = 0; y < h; ++y) {
    // Drawing rows from the top, layer rows from the bottom.
    const std::uint8_t* row = mask->Row(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const int coverage = 255 - drawn[static_cast<std::size_t>(y) * w + x];
      ink += coverage > 0;
      differ += row[x] != coverage;
    }
  }
  EXPECT_GT(ink, 100);
  EXPECT_EQ(differ, 0);

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
TEST_F(TextTool, CancelOnANewTextLayerLeavesNothing) {
  const int layers = Layers(), steps = Steps();
  HWND dialog = PlaceAndType(POINT{60, 120}, "Gone", true);
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(ActiveText(), nullptr);
  EXPECT_EQ(Layers(), layers + 1);
  lumora::testing::Press(dialog, IDCANCEL);
  lumora::testing::Settle(app_);
  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(Layers(), layers);
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(ActiveText(), nullptr);
}

}  // namespace
}  // namespace lumora
