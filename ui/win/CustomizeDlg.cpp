#include "ui/win/CustomizeDlg.h"

#include <algorithm>
#include <cstdio>

#include "framework/StringSource.h"
#include "framework/win/ControlBars.h"
#include "framework/win/Frame.h"
#include "res/resource.h"
#include "ui/CtrlViewerLayout.h"
#include "ui/win/ProgramBars.h"

namespace lumora {
namespace {

CCustomizeDlg* openDialog = nullptr;
constexpr char kParkingClass[] = "LumoraCustomizeParking";
constexpr UINT_PTR kAnimationTimer = 0x4C43;
constexpr UINT kAnimationPeriod = 120;

// The picture of a command that has none of its own: "No" centred on the
// button face.
HBITMAP NoPicture(SIZE size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, "No", 2, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

CustomizeEntry::~CustomizeEntry() {
  if (image != nullptr) DeleteObject(image);
  if (control != nullptr) {
    ForgetCollectionControl(control.get());
    if (control->Handle() != nullptr) ::DestroyWindow(control->Handle());
  }
}

// ---- CExCheckList

bool CExCheckList::Attach(HWND list) {
  if (list == nullptr || !Subclass(list)) return false;
  const int text = static_cast<int>(Send(LB_GETITEMHEIGHT, 0));
  Send(LB_SETITEMHEIGHT, 0, std::max(text, 16));
  return true;
}

int CExCheckList::AddString(const std::string& text, void* data) {
  const auto index = static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index < 0) return index;
  Send(LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(data));
  checks_.insert(checks_.begin() + std::min<int>(index, Count()), 0);
  enabled_.insert(enabled_.begin() + std::min<int>(index, static_cast<int>(enabled_.size())), 1u);
  return index;
}

void CExCheckList::ResetContent() {
  Send(LB_RESETCONTENT);
  checks_.clear();
  enabled_.clear();
}

int CExCheckList::GetCheck(int index) const { return index >= 0 && index < Count() ? checks_[static_cast<std::size_t>(index)] : 0; }

void CExCheckList::SetCheck(int index, int check) {
  if (index < 0 || index >= Count()) return;
  checks_[static_cast<std::size_t>(index)] = check;
  RECT r{};
  Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  InvalidateRect(hwnd_, &r, FALSE);
}

void CExCheckList::SetCheckEnabled(int index, bool enabled) {
  if (index < 0 || index >= static_cast<int>(enabled_.size())) return;
  enabled_[static_cast<std::size_t>(index)] = enabled ? 1u : 0u;
  RECT r{};
  Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  InvalidateRect(hwnd_, &r, FALSE);
}

bool CExCheckList::IsCheckEnabled(int index) const {
  return index >= 0 && index < static_cast<int>(enabled_.size()) && enabled_[static_cast<std::size_t>(index)] != 0;
}

void* CExCheckList::ItemData(int index) const {
  return reinterpret_cast<void*>(Send(LB_GETITEMDATA, static_cast<WPARAM>(index)));
}

RECT CExCheckList::CheckBoxOf(const RECT& item) {
  const int side = std::min<int>(13, item.bottom - item.top - 2);
  const int top = item.top + (item.bottom - item.top - side) / 2;
  return {item.left + 2, top, item.left + 2 + side, top + side};
}

void CExCheckList::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const int index = static_cast<int>(item.itemID);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  RECT all = item.rcItem;
  RECT check = CheckBoxOf(all);
  RECT text{check.right + 4, all.top, all.right, all.bottom};
  FillRect(item.hDC, &all, GetSysColorBrush(COLOR_WINDOW));
  UINT state = DFCS_BUTTONCHECK | (GetCheck(index) ? DFCS_CHECKED : 0) | (IsCheckEnabled(index) ? 0 : DFCS_INACTIVE);
  DrawFrameControl(item.hDC, &check, DFC_BUTTON, state);
  char buffer[256] = {};
  Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
  FillRect(item.hDC, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT inner = text;
  inner.left += 2;
  DrawTextA(item.hDC, buffer, -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &text);
}

void CExCheckList::Toggle(int index) {
  SetCheck(index, GetCheck(index) ? 0 : 1);
  SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), kCheckChange),
               reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CExCheckList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const LRESULT hit = Send(LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
      const int index = LOWORD(hit);
      if (HIWORD(hit) == 0 && index < Count()) {
        RECT r{};
        Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const RECT box = CheckBoxOf(r);
        if (p.x >= r.left && p.x < box.right + 2) {
          if (!IsCheckEnabled(index)) {
            MessageBeep(0);
            return 0;
          }
          const LRESULT done = fw::Window::WindowProc(message, wParam, lParam);
          Toggle(index);
          return done;
        }
      }
      break;
    }
    case WM_LBUTTONDBLCLK: {
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const LRESULT hit = Send(LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
      const int index = LOWORD(hit);
      if (HIWORD(hit) == 0 && index < Count()) {
        if (!IsCheckEnabled(index)) {
          MessageBeep(0);
          return 0;
        }
        const LRESULT done = fw::Window::WindowProc(message, wParam, lParam);
        Toggle(index);
        return done;
      }
      break;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        const int index = static_cast<int>(Send(LB_GETCURSEL));
        if (index >= 0 && index < Count()) {
          if (IsCheckEnabled(index)) {
            Toggle(index);
          } else {
            MessageBeep(0);
          }
        }
        return 0;
      }
      break;
    default: break;
  }
  return fw::Window::WindowProc(message, wParam, lParam);
}

// ---- CButtonList

void CButtonList::OnItemPressed(int index, POINT client) {
  CCtrlViewer::OnItemPressed(index, client);
  auto* entry = static_cast<CustomizeEntry*>(GetItemData(index));
  if (entry == nullptr) return;
  for (CCToolBar* bar : CCToolBar::AllBars()) {
    SendMessageA(bar->Handle(), CCustomizeDlg::DragFromCollectionMessage(), 0, 0);
  }
  HBITMAP picture = entry->image;
  // The copy cursor from the press on: dragging from here always copies.
  if (HCURSOR copy = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TB_BUTTON_COPY))) SetCursor(copy);
  // The collection never changes: whatever the drop, this copy stays.
  RunButtonDrag(entry->button, entry->control.get(), picture, entry->text, nullptr);
}

// ---- CCommandsPage

CCommandsPage::CCommandsPage(CCustomizeDlg* dialog)
    : fw::PropertyPage(IDD_CUSTOMIZE_COMMANDS), dialog_(dialog) {
  viewer_.dialog = dialog;
}

bool CCommandsPage::OnInitDialog() {
  viewer_.Attach(Item(IDC_CUST_BUTTONS));
  HWND combo = Item(IDC_CUST_CATEGORY);
  for (const std::string& name : dialog_->Categories()) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  if (!dialog_->Categories().empty()) {
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    ShowCategory(dialog_->Categories().front());
  }
  return true;
}

void CCommandsPage::ShowCategory(const std::string& name) {
  viewer_.RemoveAllItems();
  SetDlgItemTextA(hwnd_, IDC_CUST_DESCRIPTION, "");
  const auto* entries = dialog_->Entries(name);
  if (entries == nullptr) return;
  for (const auto& entry : *entries) {
    const int index = entry->control != nullptr ? viewer_.AddControlItem(entry->control->Handle(), -1, 0)
                                                : viewer_.AddBitmapItem(entry->image, -1, 0);
    viewer_.SetItemData(index, entry.get());
  }
}

void CCommandsPage::ShowDescription() {
  auto* entry = static_cast<CustomizeEntry*>(viewer_.GetItemData(viewer_.GetSelection()));
  SetDlgItemTextA(hwnd_, IDC_CUST_DESCRIPTION, entry != nullptr ? FirstLine(entry->description).c_str() : "");
}

void CCommandsPage::ClearSelection() {
  viewer_.SetSelection(-1);
  if (hwnd_ != nullptr) SetDlgItemTextA(hwnd_, IDC_CUST_DESCRIPTION, "");
}

bool CCommandsPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDC_CUST_CATEGORY && HIWORD(wParam) == CBN_SELCHANGE) {
      HWND combo = Item(IDC_CUST_CATEGORY);
      const auto sel = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
      if (sel >= 0 && sel < static_cast<int>(dialog_->Categories().size())) {
        ShowCategory(dialog_->Categories()[static_cast<std::size_t>(sel)]);
      }
      *result = TRUE;
      return true;
    }
    if (LOWORD(wParam) == IDC_CUST_BUTTONS && HIWORD(wParam) == 1) {
      ShowDescription();
      *result = TRUE;
      return true;
    }
  }
  if (message == WM_DESTROY) viewer_.RemoveAllItems();
  return fw::PropertyPage::OnDialogMessage(message, wParam, lParam, result);
}

// ---- CToolbarsPage

CToolbarsPage::CToolbarsPage(CCustomizeDlg* dialog) : fw::PropertyPage(IDD_CUSTOMIZE_TOOLBARS), dialog_(dialog) {}

bool CToolbarsPage::OnInitDialog() {
  list_.Attach(Item(IDC_CUST_BARS));
  list_.ResetContent();
  const std::vector<CCToolBar*>& own = dialog_->BarList();
  for (CCToolBar* bar : CCToolBar::AllBars()) {
    if (!own.empty() && std::find(own.begin(), own.end(), bar) == own.end()) continue;
    std::string caption = bar->caption.empty() ? fw::ResourceString(IDS_UNTITLED_BAR) : bar->caption;
    const int index = list_.AddString(caption, bar);
    if (index < 0) continue;
    list_.SetCheck(index, bar->IsVisible() ? 1 : 0);
    list_.SetCheckEnabled(index, bar->CanCustomize());
  }
  if (list_.Count() > 0) list_.Send(LB_SETCURSEL, 0);
  ShowSelected();
  return true;
}

CCToolBar* CToolbarsPage::SelectedBar() const {
  const int index = static_cast<int>(list_.Send(LB_GETCURSEL));
  if (index < 0 || index >= list_.Count()) return nullptr;
  auto* bar = static_cast<CCToolBar*>(list_.ItemData(index));
  const auto& all = CCToolBar::AllBars();
  return std::find(all.begin(), all.end(), bar) != all.end() ? bar : nullptr;
}

void CToolbarsPage::ShowSelected() {
  CCToolBar* bar = SelectedBar();
  SetDlgItemTextA(hwnd_, IDC_CUST_NAME, bar != nullptr ? bar->caption.c_str() : "");
  const bool flat = bar != nullptr && (GetWindowLongA(bar->Handle(), GWL_STYLE) & TBSTYLE_FLAT) != 0;
  CheckDlgButton(hwnd_, IDC_CUST_FLAT, flat ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(Item(IDC_CUST_FLAT), bar != nullptr);
  EnableWindow(Item(IDC_CUST_RESET), bar != nullptr && bar->CanReset());
  EnableWindow(Item(IDC_CUST_RESET_ALL), bar != nullptr && bar->CanReset());
}

void CToolbarsPage::OnCheckChange(int index) {
  auto* bar = static_cast<CCToolBar*>(list_.ItemData(index));
  const auto& all = CCToolBar::AllBars();
  if (bar == nullptr || std::find(all.begin(), all.end(), bar) == all.end()) return;
  if (bar->CanCustomize()) {
    if (fw::FrameWnd* frame = bar->DockSite()) frame->ShowControlBar(bar, list_.GetCheck(index) != 0, false);
    return;
  }
  if (!list_.GetCheck(index)) list_.SetCheck(index, 1);
  MessageBeep(0);
}

void CToolbarsPage::BarShownChanged(CCToolBar* bar) {
  if (hwnd_ == nullptr) return;
  for (int i = 0; i < list_.Count(); ++i) {
    if (list_.ItemData(i) == bar) list_.SetCheck(i, bar->IsVisible() ? 1 : 0);
  }
}

bool CToolbarsPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_DRAWITEM && wParam == IDC_CUST_BARS) {
    list_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDC_CUST_BARS && code == CExCheckList::kCheckChange) {
      OnCheckChange(static_cast<int>(list_.Send(LB_GETCURSEL)));
      *result = TRUE;
      return true;
    }
    if (id == IDC_CUST_BARS && code == LBN_SELCHANGE) {
      ShowSelected();
      *result = TRUE;
      return true;
    }
    CCToolBar* bar = SelectedBar();
    if (code == BN_CLICKED && bar != nullptr && id == IDC_CUST_FLAT) {
      LONG style = GetWindowLongA(bar->Handle(), GWL_STYLE);
      style = IsDlgButtonChecked(hwnd_, IDC_CUST_FLAT) ? (style | TBSTYLE_FLAT) : (style & ~TBSTYLE_FLAT);
      SetWindowLongA(bar->Handle(), GWL_STYLE, style);
      bar->UpdateLayout();
      *result = TRUE;
      return true;
    }
    if (code == BN_CLICKED && bar != nullptr && id == IDC_CUST_RESET) {
      char text[512];
      std::snprintf(text, sizeof text, fw::ResourceString(IDS_RESET_TOOLBAR).c_str(), bar->caption.c_str());
      if (ToolBarMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        bar->ResetButtons();
        bar->UpdateLayout();
      }
      *result = TRUE;
      return true;
    }
    if (code == BN_CLICKED && id == IDC_CUST_RESET_ALL) {
      if (ToolBarMessageBox(fw::ResourceString(IDS_RESET_ALL_TOOLBARS), MB_YESNO | MB_ICONQUESTION) == IDYES) {
        for (int i = 0; i < list_.Count(); ++i) {
          auto* each = static_cast<CCToolBar*>(list_.ItemData(i));
          const auto& all = CCToolBar::AllBars();
          if (each == nullptr || std::find(all.begin(), all.end(), each) == all.end() || !each->CanReset()) continue;
          each->ResetButtons();
          each->UpdateLayout();
        }
      }
      *result = TRUE;
      return true;
    }
  }
  return fw::PropertyPage::OnDialogMessage(message, wParam, lParam, result);
}

// ---- CCustomizeDlg

UINT CCustomizeDlg::DragFromToolbarMessage() {
  static const UINT id = RegisterWindowMessageA("CTBMTOOLBAR_DRAGFROMTOOLBAR");
  return id;
}

UINT CCustomizeDlg::DragFromCollectionMessage() {
  static const UINT id = RegisterWindowMessageA("CTBMTOOLBAR_DRAGFROMCOLLECTION");
  return id;
}

UINT CCustomizeDlg::CustomizeMessage() {
  static const UINT id = RegisterWindowMessageA("CTBMTOOLBAR_CUSTOMIZE");
  return id;
}

CCustomizeDlg* CCustomizeDlg::Open() { return openDialog; }

CCustomizeDlg::CCustomizeDlg(const std::string& caption, fw::Window* parent, std::vector<CCToolBar*> bars)
    : fw::PropertySheet(caption, parent), bars_(std::move(bars)), commands_(this), toolbars_(this) {
  RegisterCtrlViewerClass(GetModuleHandleA(nullptr));
  AddPage(&commands_);
  AddPage(&toolbars_);
}

CCustomizeDlg::~CCustomizeDlg() {
  entries_.clear();
  if (parking_ != nullptr && IsWindow(parking_)) ::DestroyWindow(parking_);
}

HWND CCustomizeDlg::Parking() {
  if (parking_ != nullptr) return parking_;
  WNDCLASSA wc{};
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!GetClassInfoA(instance, kParkingClass, &wc)) {
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kParkingClass;
    RegisterClassA(&wc);
  }
  parking_ = CreateWindowExA(0, kParkingClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  return parking_;
}

void CCustomizeDlg::AddCategory(const std::string& name) {
  if (std::find(categories_.begin(), categories_.end(), name) != categories_.end()) return;
  categories_.push_back(name);
  entries_[name];
}

const std::vector<std::unique_ptr<CustomizeEntry>>* CCustomizeDlg::Entries(const std::string& category) const {
  auto it = entries_.find(category);
  return it != entries_.end() ? &it->second : nullptr;
}

void CCustomizeDlg::AddButton(const std::string& category, const TBBUTTON& button, const std::string& text,
                              const std::string& description, HBITMAP image, std::unique_ptr<fw::Window> control) {
  if (!IsCollectableCommand(static_cast<std::uint32_t>(button.idCommand))) {
    if (image != nullptr) DeleteObject(image);
    return;
  }
  AddCategory(category);
  auto entry = std::make_unique<CustomizeEntry>();
  entry->button = button;
  entry->image = image;
  entry->text = text;
  entry->description = description;
  entry->control = std::move(control);
  if (entry->control != nullptr) RememberCollectionControl(entry->control.get());
  entries_[category].push_back(std::move(entry));
}

bool CCustomizeDlg::AddToolBarButton(std::uint32_t command, CCToolBar* bar, const std::string& category) {
  if (bar == nullptr || !IsCollectableCommand(command)) return false;
  const int index = bar->CommandToIndex(command);
  if (index < 0) return false;
  TBBUTTON b{};
  bar->Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  std::string text;
  bar->GetCommandText(command, text);
  const std::string description = fw::ResourceString(command);
  if ((b.fsStyle & BTNS_SEP) && b.dwData != 0) {
    // A control: the collection keeps a copy of its own.
    auto* control = reinterpret_cast<fw::Window*>(b.dwData);
    HWND h = control->Handle();
    if (h == nullptr || (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) == 0 ||
        static_cast<std::uint32_t>(GetDlgCtrlID(h)) != command) {
      return false;
    }
    std::unique_ptr<fw::Window> copy = CopyToolbarControl(Parking(), control);
    if (copy == nullptr) return false;
    ShowWindow(copy->Handle(), SW_HIDE);
    AddButton(category, b, text, description, nullptr, std::move(copy));
    return true;
  }
  if (b.fsStyle & BTNS_SEP) return false;
  HBITMAP image = bar->ButtonBitmap(index);
  if (image == nullptr) image = NoPicture(bar->ImageSize());
  AddButton(category, b, text, description, image, nullptr);
  return true;
}

void CCustomizeDlg::AddToolBarButtons(CCToolBar* bar, const std::string& category) {
  if (bar == nullptr) return;
  AddCategory(category);
  const int n = bar->ButtonCount();
  for (int i = 0; i < n; ++i) {
    TBBUTTON b{};
    bar->Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    if ((b.fsState & TBSTATE_HIDDEN) || b.idCommand == 0) continue;
    AddToolBarButton(static_cast<std::uint32_t>(b.idCommand), bar, category);
  }
}

int CCustomizeDlg::RemoveButton(const std::string& category, std::uint32_t command) {
  auto it = entries_.find(category);
  if (it == entries_.end()) return -1;
  auto& list = it->second;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (static_cast<std::uint32_t>(list[i]->button.idCommand) == command) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      return static_cast<int>(i);
    }
  }
  return -1;
}

int SheetBottomMargin(HWND sheet) {
  RECT margin{0, 0, 0, 7};  // dialog units
  MapDialogRect(sheet, &margin);
  return margin.bottom;
}

bool CCustomizeDlg::CreateSheet() {
  SetHasHelp(true);
  if (!Create(parent_)) return false;
  openDialog = this;
  // "Close" in place of OK and Cancel.
  if (HWND ok = GetDlgItem(hwnd_, IDOK)) ShowWindow(ok, SW_HIDE);
  if (HWND cancel = GetDlgItem(hwnd_, IDCANCEL)) {
    ShowWindow(cancel, SW_SHOW);
    EnableWindow(cancel, TRUE);
    SetWindowTextA(cancel, fw::ResourceString(IDS_CLOSE_BUTTON).c_str());
    SendMessageA(hwnd_, DM_SETDEFID, IDCANCEL, 0);
  }
  if (HWND help = GetDlgItem(hwnd_, IDHELP)) {
    ShowWindow(help, SW_SHOW);
    EnableWindow(help, TRUE);
  }
  // The sheet ends a margin below "Close".
  if (HWND cancel = GetDlgItem(hwnd_, IDCANCEL)) {
    RECT button{}, client{}, window{};
    GetWindowRect(cancel, &button);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&button), 2);
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &window);
    const int height = button.bottom + SheetBottomMargin(hwnd_);
    if (height != client.bottom) {
      SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  // Centred over the frame, clear of the bars along its edges.
  if (parent_ != nullptr && parent_->Handle() != nullptr) {
    RECT owner{}, own{};
    GetWindowRect(parent_->Handle(), &owner);
    GetWindowRect(hwnd_, &own);
    const int w = own.right - own.left, h = own.bottom - own.top;
    SetWindowPos(hwnd_, nullptr, owner.left + (owner.right - owner.left - w) / 2,
                 owner.top + (owner.bottom - owner.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetCustomization(true);
  return true;
}

void CCustomizeDlg::SetCustomization(bool on) {
  if (customizing_ == on) return;
  customizing_ = on;
  frame_ = parent_ != nullptr ? parent_->Handle() : nullptr;
  if (frame_ != nullptr) {
    // Everything of the frame but its customisable bars is disabled.
    for (HWND child = GetWindow(frame_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (dynamic_cast<CCToolBar*>(fw::Window::FromHandle(child)) == nullptr) EnableWindow(child, !on);
    }
  }
  CCToolBar::SetCustomizeModeAll(on);
  if (frame_ != nullptr) SendMessageA(frame_, CustomizeMessage(), on ? 1 : 0, 0);
  if (on && frame_ != nullptr) {
    SetPropA(frame_, "LumoraCustomizeProc", reinterpret_cast<HANDLE>(this));
    savedFrameProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CCustomizeDlg::FrameProc)));
  } else if (!on && frame_ != nullptr && savedFrameProc_ != nullptr) {
    SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedFrameProc_));
    RemovePropA(frame_, "LumoraCustomizeProc");
    savedFrameProc_ = nullptr;
  }
  // The selection frames move while customising, on a tick of their own.
  if (on && hwnd_ != nullptr) animation_ = SetTimer(hwnd_, kAnimationTimer, kAnimationPeriod, nullptr);
  if (!on && animation_ != 0 && hwnd_ != nullptr) KillTimer(hwnd_, kAnimationTimer);
  if (!on) animation_ = 0;
}

LRESULT CALLBACK CCustomizeDlg::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CCustomizeDlg*>(GetPropA(window, "LumoraCustomizeProc"));
  WNDPROC saved = self != nullptr ? self->savedFrameProc_ : DefWindowProcA;
  switch (message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
      if (wParam == HTSYSMENU || wParam == HTMENU) return 0;
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (wParam == VK_MENU) return 0;
      break;
    default: break;
  }
  return CallWindowProcA(saved, window, message, wParam, lParam);
}

LRESULT CCustomizeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DragFromToolbarMessage()) {
    commands_.ClearSelection();
    return 0;
  }
  if (message == WM_TIMER && wParam == kAnimationTimer) {
    AnimateCustomizeFrame();
    return 0;
  }
  const LRESULT result = fw::PropertySheet::WindowProc(message, wParam, lParam);
  // Close (Cancel) leaves a modeless sheet without a page: it goes.
  if ((message == WM_COMMAND || message == WM_SYSCOMMAND || message == WM_CLOSE) && hwnd_ != nullptr &&
      SendMessageA(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0) == 0) {
    DestroyWindow();
  }
  return result;
}

void CCustomizeDlg::PostNcDestroy() {
  SetCustomization(false);
  if (openDialog == this) openDialog = nullptr;
  delete this;
}

// ---- the interface

CCustomizeDlg* CreateCustomizeDlg(const std::string& caption, fw::Window* parent, const std::vector<CCToolBar*>& bars) {
  return new CCustomizeDlg(caption, parent, bars);
}

bool CustomizeDlgCreateWindow(fw::Window* dialog) {
  auto* d = dynamic_cast<CCustomizeDlg*>(dialog);
  return d != nullptr && d->CreateSheet();
}

void CustomizeDlgAddCategory(fw::Window* dialog, const std::string& name) {
  if (auto* d = dynamic_cast<CCustomizeDlg*>(dialog)) d->AddCategory(name);
}

bool CustomizeDlgAddToolBarButton(fw::Window* dialog, std::uint32_t command, CCToolBar* bar,
                                  const std::string& category) {
  auto* d = dynamic_cast<CCustomizeDlg*>(dialog);
  return d != nullptr && d->AddToolBarButton(command, bar, category);
}

void CustomizeDlgAddToolBarButtons(fw::Window* dialog, CCToolBar* bar, const std::string& category) {
  if (auto* d = dynamic_cast<CCustomizeDlg*>(dialog)) d->AddToolBarButtons(bar, category);
}

int CustomizeDlgRemoveButton(fw::Window* dialog, const std::string& category, std::uint32_t command) {
  auto* d = dynamic_cast<CCustomizeDlg*>(dialog);
  return d != nullptr ? d->RemoveButton(category, command) : -1;
}

void CustomizeDlgAddButton(fw::Window* dialog, const std::string& category, const TBBUTTON& button,
                           const std::string& text, const std::string& description, HBITMAP image) {
  auto* d = dynamic_cast<CCustomizeDlg*>(dialog);
  if (d == nullptr) {
    if (image != nullptr) DeleteObject(image);
    return;
  }
  d->AddButton(category, button, text, description, image, nullptr);
}

}  // namespace lumora
