// The dialog bases under Wine: the Help button and "?" requests of a dialog
// and a property page reach the program's one help function with the
// dialog's topic or the control's popup; tool tips; the dialog font, the
// two dialog classes and the dialog hook of the tool windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "dialogs/win/DialogSupport.h"
#include "dialogs/win/HelpSupport.h"
#include "framework/win/App.h"
#include "hostapi/controls.h"
#include "res/resource.h"

namespace lumora {
namespace {

struct HelpCall {
  HWND owner;
  UINT command;
  std::uintptr_t data;
  DWORD array[4];
};

class HelpTestApp : public fw::App {
 public:
  HelpTestApp() : fw::App("Lumora Help Test") {}
  bool ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string&) override {
    HelpCall call{owner, command, data, {}};
    if (command == HELP_WM_HELP) std::copy_n(reinterpret_cast<const DWORD*>(data), 4, call.array);
    calls.push_back(call);
    return true;
  }
  std::vector<HelpCall> calls;
};

// The New image dialog's template, modeless.
class HelpDialog : public CHelpSuppDlg {
 public:
  HelpDialog() : CHelpSuppDlg(IDD_NEW_IMAGE) {}
};

class HelpPage : public CPropertyPageMy {
 public:
  HelpPage() : CPropertyPageMy(IDD_NEW_IMAGE) {}
  bool Open() {
    templateId_ = IDD_NEW_IMAGE;
    return CreateModeless(nullptr);
  }
};

class TipDialog : public CToolTipSuppDlg {
 public:
  TipDialog() : CToolTipSuppDlg(IDD_NEW_IMAGE, nullptr) {}
  void GetToolTipText(unsigned id, std::string& text) override {
    if (id == IDC_NEWIMG_WIDTH) {
      text.assign(100, 'w');
    } else {
      CToolTipSuppDlg::GetToolTipText(id, text);
    }
  }
};

LRESULT SendHelp(HWND dialog, int controlId) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = controlId;
  info.hItemHandle = GetDlgItem(dialog, controlId);
  return SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

TEST(DialogHelp, HelpButtonShowsTheTopicAndRequestsShowTheControlsPopup) {
  HelpTestApp app;
  HelpDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(nullptr));
  HWND h = dialog.Handle();
  SendMessageA(h, WM_COMMAND, MAKEWPARAM(ID_HELP, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, ID_HELP)));
  ASSERT_EQ(app.calls.size(), 1u);
  EXPECT_EQ(app.calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(app.calls[0].data, 0x20000u + IDD_NEW_IMAGE);

  EXPECT_EQ(GetWindowContextHelpId(GetDlgItem(h, IDC_NEWIMG_WIDTH)), ControlHelpId(IDD_NEW_IMAGE, IDC_NEWIMG_WIDTH))
      << "the template's help id is on the control";
  EXPECT_TRUE(SendHelp(h, IDC_NEWIMG_WIDTH));
  ASSERT_EQ(app.calls.size(), 2u);
  EXPECT_EQ(app.calls[1].command, static_cast<UINT>(HELP_WM_HELP));
  EXPECT_EQ(app.calls[1].owner, GetDlgItem(h, IDC_NEWIMG_WIDTH));
  EXPECT_EQ(app.calls[1].array[0], static_cast<DWORD>(IDC_NEWIMG_WIDTH));
  EXPECT_EQ(app.calls[1].array[1], ControlHelpId(IDD_NEW_IMAGE, IDC_NEWIMG_WIDTH));
  EXPECT_EQ(ControlHelpId(254, 1259), 0x80FE04EBu);

  // A label without a help id shows nothing, not even the dialog's topic.
  EXPECT_TRUE(SendHelp(h, -1));
  EXPECT_TRUE(SendHelp(h, 4321));  // no such control
  EXPECT_EQ(app.calls.size(), 2u);
  // OK gives the dialog's topic.
  EXPECT_TRUE(SendHelp(h, IDOK));
  ASSERT_EQ(app.calls.size(), 3u);
  EXPECT_EQ(app.calls[2].data, 0x20000u + IDD_NEW_IMAGE);
  dialog.DestroyWindow();
}

TEST(DialogHelp, OnAPageTheOkButtonHasItsOwnPopup) {
  HelpTestApp app;
  HelpPage page;
  ASSERT_TRUE(page.Open());
  HWND h = page.Handle();
  SendHelp(h, IDOK);
  EXPECT_TRUE(app.calls.empty()) << "OK without a help id shows nothing on a page";
  SetWindowContextHelpId(GetDlgItem(h, IDOK), 0x81300001);
  SendHelp(h, IDOK);
  ASSERT_EQ(app.calls.size(), 1u);
  EXPECT_EQ(app.calls[0].command, static_cast<UINT>(HELP_WM_HELP));
  EXPECT_EQ(app.calls[0].array[1], 0x81300001u);
  page.DestroyWindow();
}

TEST(DialogHelp, ToolTipsAreCutTo79AndDefaultToQuestionMarks) {
  TipDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(nullptr));
  HWND h = dialog.Handle();
  NMTTDISPINFOA a{};
  a.hdr.hwndFrom = h;
  a.hdr.idFrom = IDC_NEWIMG_WIDTH;
  a.hdr.code = TTN_NEEDTEXTA;
  SendMessageA(h, WM_NOTIFY, IDC_NEWIMG_WIDTH, reinterpret_cast<LPARAM>(&a));
  EXPECT_EQ(std::string(a.lpszText), std::string(79, 'w'));
  // A window handle as the sender (TTF_IDISHWND), wide text.
  NMTTDISPINFOW w{};
  w.hdr.hwndFrom = h;
  w.hdr.idFrom = reinterpret_cast<UINT_PTR>(GetDlgItem(h, IDC_NEWIMG_HEIGHT));
  w.hdr.code = TTN_NEEDTEXTW;
  w.uFlags = TTF_IDISHWND;
  SendMessageA(h, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&w));
  EXPECT_EQ(std::wstring(w.lpszText), L"????????");
  dialog.DestroyWindow();
}

TEST(DialogSupport, FontClassesAndTheDialogHook) {
  const DialogFont& font = TheDialogFont();
  ASSERT_NE(font.created, nullptr);
  EXPECT_EQ(font.effective, font.created);
  LOGFONTA lf{};
  GetObjectA(font.created, sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_STREQ(lf.lfFaceName, "Ms Sans Serif");

  ASSERT_NE(RegisterWaitDialogClass(), 0);
  WNDCLASSA wc{};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), kWaitDialogClass, &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_SAVEBITS | CS_BYTEALIGNWINDOW));
  EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

  // Without the control library there is no class to copy; start-up goes on.
  HINSTANCE self = GetModuleHandleA(nullptr);
  VrCtlShutDown();
  EXPECT_FALSE(RegisterCustomNcDialogClass(self));
  ASSERT_EQ(VrCtlStartUp(self), 1);
  ASSERT_TRUE(RegisterCustomNcDialogClass(self));
  HWND nc = CreateWindowExA(0, kCustomNcDialogClass, "nc", WS_POPUP | WS_CAPTION, 0, 0, 100, 60, nullptr, nullptr,
                            self, nullptr);
  ASSERT_NE(nc, nullptr);
  EXPECT_TRUE(GetWindowLongA(nc, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "the library's non-client set-up ran";
  DestroyWindow(nc);
  UnregisterCustomNcDialogClass(self);
  EXPECT_FALSE(GetClassInfoA(self, kCustomNcDialogClass, &wc));
  VrCtlShutDown();

  // The hook gives a tool window its dialog keys: Tab moves the focus.
  HelpDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(nullptr));
  HWND h = dialog.Handle();
  ShowWindow(h, SW_SHOW);
  SetFocus(GetDlgItem(h, IDC_NEWIMG_WIDTH));
  LU_MSG tab{GetDlgItem(h, IDC_NEWIMG_WIDTH), WM_KEYDOWN, VK_TAB, 0};
  EXPECT_EQ(DialogMessageHook(nullptr, &tab, h, nullptr), kLUHookHandled);
  EXPECT_NE(GetFocus(), GetDlgItem(h, IDC_NEWIMG_WIDTH));
  HWND other = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, self, nullptr);
  LU_MSG elsewhere{other, WM_KEYDOWN, VK_TAB, 0};
  EXPECT_EQ(DialogMessageHook(nullptr, &elsewhere, h, nullptr), kLUHookPass);
  DestroyWindow(other);
  dialog.DestroyWindow();
}

}  // namespace
}  // namespace lumora
