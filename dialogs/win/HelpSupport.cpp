// Help buttons, "?" popups and tool tips of dialogs and property pages.
#include "dialogs/win/HelpSupport.h"

#include <commctrl.h>

#include "dialogs/DialogTemplate.h"
#include "document/win/AppServices.h"
#include "framework/CommandIds.h"
#include "framework/win/App.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

constexpr std::size_t kTipLength = 79;

// The array the help engine reads for a popup: {control id, help id, 0, 0};
// every request fills it anew.
DWORD gHelpArray[4] = {};

bool Help(HWND owner, UINT command, std::uintptr_t data) {
  return fw::TheApp() != nullptr && fw::TheApp()->ShowHelp(owner, command, data);
}

// The request's control as the dialog knows it; null when it has none.
HWND RequestedItem(HWND dialog, const HELPINFO* info) {
  if (info == nullptr || info->iContextType != HELPINFO_WINDOW) return nullptr;
  return GetDlgItem(dialog, info->iCtrlId);
}

}  // namespace

std::uint32_t DialogHelpTopic(std::uint32_t templateId) { return fw::kHelpResourceBase + templateId; }

std::uint32_t ControlHelpId(std::uint32_t templateId, std::uint32_t controlId) {
  return 0x80000000u + templateId * 65536u + controlId;
}

void ApplyTemplateHelpIds(HWND dialog, std::uint32_t templateId) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), reinterpret_cast<LPCSTR>(RT_DIALOG));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return;
  for (const TemplateHelpId& entry :
       ReadTemplateHelpIds(static_cast<const std::uint8_t*>(bytes), SizeofResource(module, found))) {
    HWND item = GetDlgItem(dialog, static_cast<int>(entry.controlId));
    if (item != nullptr && GetWindowContextHelpId(item) == 0) SetWindowContextHelpId(item, entry.helpId);
  }
}

bool ShowControlHelp(HWND control, int controlId) {
  const DWORD helpId = GetWindowContextHelpId(control);
  if (helpId == 0) return false;
  gHelpArray[0] = static_cast<DWORD>(controlId);
  gHelpArray[1] = helpId;
  gHelpArray[2] = gHelpArray[3] = 0;
  Help(control, HELP_WM_HELP, reinterpret_cast<std::uintptr_t>(gHelpArray));
  return true;
}

// ---- CHelpSuppDlg

FW_MESSAGE_MAP(CHelpSuppDlg, fw::Dialog, fw::CommandEntry<&CHelpSuppDlg::OnHelp>(fw::kIdHelp),
               fw::WindowMessageEntry<&CHelpSuppDlg::OnHelpInfo>(WM_HELP))

bool CHelpSuppDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_INITDIALOG) ApplyTemplateHelpIds(Handle(), templateId_);
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

void CHelpSuppDlg::OnHelp() { Help(GetActiveTopLevelWnd(), HELP_CONTEXT, DialogHelpTopic(templateId_)); }

LRESULT CHelpSuppDlg::OnHelpInfo(WPARAM, LPARAM lParam) {
  const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
  if (info == nullptr || info->iContextType != HELPINFO_WINDOW) {
    // A menu's request goes on to the owner, as the system does it.
    return DefWindowProcA(Handle(), WM_HELP, 0, lParam);
  }
  HWND item = RequestedItem(Handle(), info);
  if (item == nullptr) return TRUE;
  if (GetDlgCtrlID(item) == IDOK) {
    OnHelp();
    return TRUE;
  }
  ShowControlHelp(item, info->iCtrlId);
  return TRUE;
}

// ---- CPropertyPageMy

FW_MESSAGE_MAP(CPropertyPageMy, fw::PropertyPage, fw::WindowMessageEntry<&CPropertyPageMy::OnHelpInfo>(WM_HELP))

bool CPropertyPageMy::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_INITDIALOG) ApplyTemplateHelpIds(Handle(), templateId_);
  return fw::PropertyPage::OnDialogMessage(message, wParam, lParam, result);
}

LRESULT CPropertyPageMy::OnHelpInfo(WPARAM, LPARAM lParam) {
  const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
  if (info == nullptr || info->iContextType != HELPINFO_WINDOW) return DefWindowProcA(Handle(), WM_HELP, 0, lParam);
  HWND item = RequestedItem(Handle(), info);
  if (item != nullptr) ShowControlHelp(item, info->iCtrlId);
  return TRUE;
}

// ---- CToolTipSuppDlg

// Every sender, a control id or (TTF_IDISHWND) a window handle.
FW_MESSAGE_MAP(CToolTipSuppDlg, fw::Dialog,
               fw::NotifyEntry<&CToolTipSuppDlg::OnToolTipText>(static_cast<std::uint32_t>(TTN_NEEDTEXTW), 0,
                                                                0xFFFFFFFFu),
               fw::NotifyEntry<&CToolTipSuppDlg::OnToolTipText>(static_cast<std::uint32_t>(TTN_NEEDTEXTA), 0,
                                                                0xFFFFFFFFu))

void CToolTipSuppDlg::GetToolTipText(unsigned, std::string& text) { text = std::string(res::String(IDS_DEFAULT_TOOL_TIP)); }

std::string CToolTipSuppDlg::GetTipText(unsigned controlId) {
  std::string text;
  GetToolTipText(controlId, text);
  if (text.size() > kTipLength) text.resize(kTipLength);
  return text;
}

void CToolTipSuppDlg::OnToolTipText(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  UINT_PTR id = header->idFrom;
  if (header->code == TTN_NEEDTEXTW) {
    auto* w = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    if ((w->uFlags & TTF_IDISHWND) != 0) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    const std::string text = GetTipText(static_cast<unsigned>(id));
    lstrcpynW(w->szText, WidePath(text).c_str(), 80);
    w->lpszText = w->szText;
  } else {
    auto* a = reinterpret_cast<NMTTDISPINFOA*>(lParam);
    if ((a->uFlags & TTF_IDISHWND) != 0) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    const std::string text = GetTipText(static_cast<unsigned>(id));
    lstrcpynA(a->szText, text.c_str(), 80);
    a->lpszText = a->szText;
  }
  *result = 0;
}

}  // namespace lumora
