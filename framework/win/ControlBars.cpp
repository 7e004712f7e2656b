// Toolbars and the status bar: creation, layout and enabling.
#include "framework/win/ControlBars.h"

#include <algorithm>

#include "framework/StringSource.h"
#include "framework/win/Frame.h"

namespace fw {
namespace {

using ToolBarLayout = ToolBarResource;

// A toolbar resource. The resource compiler of the Microsoft tools writes
// WORDs {version 1, width, height, count, ids…}; windres writes DWORDs
// {width, height, count, ids…}. Both are read; 0 is a separator.
bool ParseToolBarResource(const std::uint8_t* data, std::size_t size, ToolBarLayout& out) {
  auto word = [&](std::size_t i) { return static_cast<std::uint32_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
  auto dword = [&](std::size_t i) { return word(2 * i) | (word(2 * i + 1) << 16); };
  if (size >= 8 && word(0) == 1 && size == 8 + 2 * static_cast<std::size_t>(word(3))) {
    out.width = static_cast<int>(word(1));
    out.height = static_cast<int>(word(2));
    for (std::size_t i = 0; i < word(3); ++i) out.ids.push_back(word(4 + i));
    return true;
  }
  if (size >= 12 && dword(2) <= 4096 && size >= 12 + 4 * static_cast<std::size_t>(dword(2))) {
    out.width = static_cast<int>(dword(0));
    out.height = static_cast<int>(dword(1));
    for (std::size_t i = 0; i < dword(2); ++i) out.ids.push_back(dword(3 + i));
    return out.width > 0 && out.height > 0;
  }
  return false;
}

CmdUIState ButtonState(LRESULT state) {
  CmdUIState s;
  s.enabled = (state & TBSTATE_ENABLED) != 0;
  s.checked = (state & TBSTATE_INDETERMINATE) ? 2 : (state & TBSTATE_CHECKED) ? 1 : 0;
  return s;
}

LRESULT ButtonStateBits(LRESULT old, const CmdUIState& s) {
  LRESULT bits = old & ~(TBSTATE_ENABLED | TBSTATE_CHECKED | TBSTATE_INDETERMINATE);
  if (s.enabled) bits |= TBSTATE_ENABLED;
  if (s.checked == 1) bits |= TBSTATE_CHECKED;
  if (s.checked == 2) bits |= TBSTATE_INDETERMINATE;
  return bits;
}

}  // namespace

bool ReadToolBarResource(HINSTANCE instance, std::uint32_t resourceId, ToolBarResource& out) {
  HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(241));  // RT_TOOLBAR
  if (res == nullptr) return false;
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, res)));
  out = {};
  return data != nullptr && ParseToolBarResource(data, SizeofResource(instance, res), out);
}

FW_MESSAGE_MAP(ControlBar, Window, WindowMessageEntry<&ControlBar::OnLButtonDownMessage>(WM_LBUTTONDOWN),
               WindowMessageEntry<&ControlBar::OnLButtonDblClkMessage>(WM_LBUTTONDBLCLK))

ControlBar::~ControlBar() {
  if (dockSite_ != nullptr) dockSite_->RemoveControlBar(this);
}

bool ControlBar::CreateBar(FrameWnd* frame, const char* className, DWORD style, std::uint32_t id) {
  if (!CreateEx(0, className, "", style | WS_CHILD | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 0, 0,
                frame->Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
    return false;
  }
  side_ = DockSide::kTop;
  frame->AddControlBar(this);
  return true;
}

LRESULT ControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (drag_.OnMessage(hwnd_, message, wParam, lParam)) return 0;
  return Window::WindowProc(message, wParam, lParam);
}

bool ControlBar::CanDrag(LPARAM lParam) const {
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  bool dockable = dockSite_ != nullptr && (dockStyle & dockSite_->DockingSides() & kAlignAny) != 0;
  return dockable && !IsFloating() && IsDragSpot(p);
}

LRESULT ControlBar::OnLButtonDownMessage(WPARAM wParam, LPARAM lParam) {
  if (!CanDrag(lParam)) return DefaultProc(WM_LBUTTONDOWN, wParam, lParam);
  POINT cursor{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(hwnd_, &cursor);
  RECT place;
  GetWindowRect(hwnd_, &place);
  drag_.Begin(hwnd_, this, cursor, {cursor.x - place.left, cursor.y - place.top});
  return 0;
}

LRESULT ControlBar::OnLButtonDblClkMessage(WPARAM wParam, LPARAM lParam) {
  if (!CanDrag(lParam)) return DefaultProc(WM_LBUTTONDBLCLK, wParam, lParam);
  drag_.Cancel();
  RECT place;
  GetWindowRect(hwnd_, &place);
  dockSite_->FloatControlBar(this, hasFloatPlace_ ? lastFloat_ : POINT{place.left, place.top});
  return 0;
}

// ---- ToolBar

bool ToolBar::Create(FrameWnd* frame, DWORD style, std::uint32_t id, bool flat) {
  DWORD s = style | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | (flat ? TBSTYLE_FLAT : 0);
  if (!CreateBar(frame, TOOLBARCLASSNAMEA, s, id)) return false;
  Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  return true;
}

bool ToolBar::LoadToolBar(std::uint32_t resourceId) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(inst, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(241));  // RT_TOOLBAR
  if (res == nullptr) return false;
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(inst, res)));
  ToolBarLayout layout;
  if (data == nullptr || !ParseToolBarResource(data, SizeofResource(inst, res), layout)) return false;
  imageSize_ = {layout.width, layout.height};
  buttonSize_ = {layout.width + 7, layout.height + 7};
  Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(layout.width, layout.height));
  int images = 0;
  for (std::uint32_t id : layout.ids) images += id != 0 ? 1 : 0;
  TBADDBITMAP ab = {inst, resourceId};
  Send(TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&ab));
  return SetButtons(layout.ids);
}

bool ToolBar::SetButtons(const std::vector<std::uint32_t>& ids) {
  while (Send(TB_BUTTONCOUNT) > 0) Send(TB_DELETEBUTTON, 0);
  std::vector<TBBUTTON> buttons;
  int image = 0;
  for (std::uint32_t id : ids) {
    TBBUTTON b = {};
    if (id == 0) {
      b.fsStyle = BTNS_SEP;
      b.iBitmap = 6;
    } else {
      b.iBitmap = image++;
      b.idCommand = static_cast<int>(id);
      b.fsState = TBSTATE_ENABLED;
      b.fsStyle = BTNS_BUTTON;
    }
    buttons.push_back(b);
  }
  return Send(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}

int ToolBar::ButtonCount() const { return static_cast<int>(Send(TB_BUTTONCOUNT)); }

std::uint32_t ToolBar::CommandOf(int index) const {
  TBBUTTON b = {};
  Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  return (b.fsStyle & BTNS_SEP) ? 0 : static_cast<std::uint32_t>(b.idCommand);
}

int ToolBar::CommandToIndex(std::uint32_t id) const { return static_cast<int>(Send(TB_COMMANDTOINDEX, id)); }

void ToolBar::SetOrientation(bool horizontal) {
  horizontal_ = horizontal;
  // Vertical bars wrap after every item. The control lays its buttons out
  // again when they are added, not when their states change: they are
  // taken out and put back with the wrap flag.
  std::vector<TBBUTTON> buttons(static_cast<std::size_t>(ButtonCount()));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    Send(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&buttons[i]));
    BYTE state = buttons[i].fsState;
    buttons[i].fsState = static_cast<BYTE>(horizontal ? (state & ~TBSTATE_WRAP) : (state | TBSTATE_WRAP));
  }
  while (Send(TB_BUTTONCOUNT) > 0) Send(TB_DELETEBUTTON, 0);
  Send(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  Send(TB_AUTOSIZE);
  OnButtonsLaidOut();
}

void ToolBar::SetButtonSize(SIZE size) {
  buttonSize_ = size;
  Send(TB_SETBUTTONSIZE, 0, MAKELPARAM(size.cx, size.cy));
}

void ToolBar::SetImageSize(SIZE size) {
  imageSize_ = size;
  Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(size.cx, size.cy));
}

bool ToolBar::IsDragSpot(POINT client) const { return Send(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&client)) < 0; }

SIZE ToolBar::CalcFixedLayout(bool horizontal) {
  if (horizontal != horizontal_) {
    // The other orientation, from the button size (the tracking rectangle
    // while dragging); laid out it is measured as below.
    constexpr LONG kSeparator = 8;
    LRESULT size = Send(TB_GETBUTTONSIZE);
    SIZE button{std::max<LONG>(LOWORD(size), buttonSize_.cx), std::max<LONG>(HIWORD(size), buttonSize_.cy)};
    LONG along = 0;
    for (int i = 0; i < ButtonCount(); ++i) {
      along += CommandOf(i) == 0 ? kSeparator : (horizontal ? button.cx : button.cy);
    }
    return horizontal ? SIZE{along + 4, button.cy + 4} : SIZE{button.cx + 4, along + 4};
  }
  RECT last = {};
  int n = ButtonCount();
  SIZE size{0, 0};
  for (int i = 0; i < n; ++i) {
    Send(TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&last));
    size.cx = std::max(size.cx, last.right);
    size.cy = std::max(size.cy, last.bottom);
  }
  size.cx = std::max<LONG>(size.cx, buttonSize_.cx) + 4;
  size.cy = std::max<LONG>(size.cy, buttonSize_.cy) + 4;
  return size;
}

void ToolBar::OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) {
  int n = ButtonCount();
  for (int i = 0; i < n; ++i) {
    std::uint32_t id = CommandOf(i);
    if (id == 0) continue;
    LRESULT state = Send(TB_GETSTATE, id);
    CmdUIState shown = ButtonState(state);
    CmdUIState wanted = QueryCommandState(route, id, static_cast<std::uint32_t>(i), shown, disableIfNoHandler);
    wanted.text.clear();
    wanted.hasText = false;  // buttons show no text
    if (DiffCmdUI(shown, wanted).Any()) Send(TB_SETSTATE, id, MAKELPARAM(ButtonStateBits(state, wanted), 0));
  }
}

// ---- StatusBar

bool StatusBar::Create(FrameWnd* frame, DWORD style, std::uint32_t id) {
  if (!CreateBar(frame, STATUSCLASSNAMEA, style, id)) return false;
  side_ = DockSide::kBottom;
  return true;
}

bool StatusBar::SetIndicators(const std::vector<std::uint32_t>& ids) {
  panes_.clear();
  HDC dc = GetDC(hwnd_);
  auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  for (std::uint32_t id : ids) {
    int width = 0;
    if (id != 0) {
      std::string text = ResourceString(id);
      SIZE extent{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      width = extent.cx + 12;
    }
    panes_.push_back({id, width, {}});
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  LayoutPanes();
  return true;
}

void StatusBar::LayoutPanes() {
  if (panes_.empty()) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  int others = 0;
  for (std::size_t i = 1; i < panes_.size(); ++i) others += panes_[i].width;
  std::vector<int> rights;
  int x = std::max<int>(40, rc.right - others - 16);
  rights.push_back(x);
  for (std::size_t i = 1; i < panes_.size(); ++i) rights.push_back(x += panes_[i].width);
  rights.back() = -1;
  Send(SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

void StatusBar::SetPaneText(int index, const std::string& text) {
  if (GetPaneText(index) != text) Send(SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

std::string StatusBar::GetPaneText(int index) const {
  LRESULT len = LOWORD(Send(SB_GETTEXTLENGTHA, static_cast<WPARAM>(index)));
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  Send(SB_GETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(len));
  return text;
}

void StatusBar::SetPaneInfo(int index, std::uint32_t id, int width) {
  if (index < 0 || static_cast<std::size_t>(index) >= panes_.size()) return;
  panes_[static_cast<std::size_t>(index)].id = id;
  panes_[static_cast<std::size_t>(index)].width = width;
  LayoutPanes();
}

int StatusBar::CommandToIndex(std::uint32_t id) const {
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    if (panes_[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

SIZE StatusBar::CalcFixedLayout(bool) {
  // Measured once per font: every resize of the frame asks.
  const auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  if (textHeight_ < 0 || font != measuredFont_) {
    HDC dc = GetDC(hwnd_);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    ReleaseDC(hwnd_, dc);
    textHeight_ = tm.tmHeight;
    measuredFont_ = font;
  }
  return {32767, std::max<LONG>(textHeight_ + 8, 20)};
}

void StatusBar::OnUpdateCmdUI(CmdTarget& route, bool) {
  LayoutPanes();
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    Pane& p = panes_[i];
    if (p.id == 0) continue;
    // An enabled indicator shows its text; a disabled one is blank.
    CmdUIState wanted = QueryCommandState(route, p.id, static_cast<std::uint32_t>(i), p.shown, false);
    std::string text = wanted.hasText ? wanted.text : ResourceString(p.id);
    SetPaneText(static_cast<int>(i), wanted.enabled ? text : std::string());  // sets only a change
    p.shown = wanted;
  }
}

}  // namespace fw
