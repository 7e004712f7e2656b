// The main window's toolbars: images, controls, resets and the program's bars.
#include "ui/win/ProgramBars.h"

#include <algorithm>

#include "framework/StringSource.h"
#include "res/resource.h"
#include "ui/win/ColourControls.h"
#include "ui/win/CustomizeDlg.h"
#include "ui/win/ToolbarCtrlFactory.h"
#include "ui/win/ToolbarImages.h"
#include "ui/win/OwnerDrawControls.h"

namespace lumora {
namespace {

std::vector<CCToolBar*>& BarList() {
  static std::vector<CCToolBar*> bars;
  return bars;
}

constexpr std::uint32_t kSelectionModeCombo = 40030;
constexpr std::uint32_t kMoveLayer = 32826;
constexpr std::uint32_t kTextSelection = 32930;
constexpr std::uint32_t kMoveSelection = 40031;
constexpr std::uint32_t kInvertSelection = 40035;
constexpr std::uint32_t kDeleteSelection = 40036;

// Fixed buttons whose pictures the selection bar's own buttons borrow.
constexpr std::uint32_t kMoveLayerPicture = 32957;
constexpr std::uint32_t kTextPicture = 32958;
constexpr std::uint32_t kMoveSelectionPicture = 32959;
constexpr std::uint32_t kInvertPicture = 32960;
constexpr std::uint32_t kDeletePicture = 32961;

// A picture centred on a face-coloured bitmap of the image size (the
// picture of a tool without its own).
HBITMAP CentredOnFace(HBITMAP picture, SIZE size) {
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP out = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HGDIOBJ oldFrom = SelectObject(from, picture);
  HGDIOBJ oldTo = SelectObject(to, out);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(to, &all, GetSysColorBrush(COLOR_BTNFACE));
  BitBlt(to, (size.cx - info.bmWidth) / 2, (size.cy - info.bmHeight) / 2, info.bmWidth, info.bmHeight, from, 0, 0,
         SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return out;
}

std::function<int(const std::string&, UINT)>& MessageBoxProc() {
  static std::function<int(const std::string&, UINT)> proc;
  return proc;
}

std::function<void(int)>& ModeChosen() {
  static std::function<void(int)> chosen;
  return chosen;
}

std::function<int()>& CurrentMode() {
  static std::function<int()> current;
  return current;
}

}  // namespace

void SetToolBarMessageBoxProc(std::function<int(const std::string&, UINT)> proc) { MessageBoxProc() = std::move(proc); }

int ToolBarMessageBox(const std::string& text, UINT type) {
  if (MessageBoxProc()) return MessageBoxProc()(text, type);
  return MessageBoxA(GetActiveWindow(), text.c_str(), nullptr, type);
}

void SetSelectionModeHandlers(std::function<void(int)> chosen, std::function<int()> current) {
  ModeChosen() = std::move(chosen);
  CurrentMode() = std::move(current);
}

// The combine-mode combo (dialog 256) under a bar: sized to `width` (-1:
// its preferred width) and the bar's button height, reporting choices.
std::unique_ptr<CMySBComboBox> MakeModeCombo(HWND bar, std::uint32_t id, int width, int height) {
  auto combo = std::make_unique<CMySBComboBox>();
  if (!combo->Create(bar, CurrentMode() ? CurrentMode()() : 1)) return nullptr;
  SetWindowLongPtrA(combo->Handle(), GWLP_ID, static_cast<LONG_PTR>(id));
  combo->modeChosen = [](int mode) {
    if (ModeChosen()) ModeChosen()(mode);
  };
  if (width < 0) width = combo->ToolbarWidth();
  SetWindowPos(combo->Handle(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  return combo;
}

std::unique_ptr<CMColorCtrl> MakeColourControl(HWND bar, std::uint32_t id, int width, int height) {
  auto control = std::make_unique<CMColorCtrl>();
  if (!control->Create(bar, static_cast<int>(id))) return nullptr;
  SetWindowPos(control->Handle(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  return control;
}

std::unique_ptr<fw::Window> CopyToolbarControl(HWND parent, fw::Window* model) {
  if (model == nullptr || model->Handle() == nullptr) return nullptr;
  RECT r{};
  GetWindowRect(model->Handle(), &r);
  const auto id = static_cast<std::uint32_t>(GetDlgCtrlID(model->Handle()));
  if (auto* combo = dynamic_cast<CMySBComboBox*>(model)) {
    std::unique_ptr<CMySBComboBox> copy = MakeModeCombo(parent, id, r.right - r.left, r.bottom - r.top);
    if (copy != nullptr) copy->SelectMode(combo->SelectedMode());
    return copy;
  }
  if (dynamic_cast<CMColorCtrl*>(model) != nullptr) {
    // Its swatches show the application's colours, as every colour control does.
    return MakeColourControl(parent, id, r.right - r.left, r.bottom - r.top);
  }
  if (IsPlainComboBox(model->Handle())) return CopyComboBox(parent, model->Handle(), false);
  return nullptr;
}

// ---- CCToolBar

CCToolBar::~CCToolBar() {
  DestroyControls();
  if (images_ != nullptr) ImageList_Destroy(images_);
  auto& bars = BarList();
  bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
}

const std::vector<CCToolBar*>& CCToolBar::AllBars() { return BarList(); }

bool CCToolBar::CreateBar(fw::FrameWnd* frame, DWORD style, std::uint32_t id) {
  if (!Create(frame, style, id, true)) return false;
  if (captionId_ != 0) {
    caption = fw::ResourceString(captionId_);
    SetWindowTextA(hwnd_, caption.c_str());
  }
  BarList().push_back(this);
  RegisterDropTarget();
  return true;
}

LRESULT CCToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND || message == WM_PRINTCLIENT) {
    // The button face under the pictures, on screen and in print alike.
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
    if (message == WM_ERASEBKGND) return 1;
  }
  // A control's right edge being dragged.
  if (resizing_) {
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
      case WM_MOUSEMOVE: TrackResize(p); return 0;
      case WM_LBUTTONUP: EndResize(p, true); return 0;
      case WM_CAPTURECHANGED: EndResize(p, false); return 0;
      case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) EndResize(p, false);
        return 0;
      case WM_SETCURSOR:
        SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TB_RESIZE)));
        return TRUE;
      default: break;
    }
  }
  if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT && InCustomizeMode()) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    if (ResizeCursorAt(p)) {
      SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TB_RESIZE)));
      return TRUE;
    }
  }
  // In customise mode, or with Alt held, a press picks the button up.
  if (message == WM_LBUTTONDOWN) {
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PickUp(p, wParam)) return 0;
  }
  // In customise mode a double click does nothing.
  if (message == WM_LBUTTONDBLCLK && InCustomizeMode()) return 0;
  // Disabled controls keep their window colours while customising.
  if (InCustomizeMode() &&
      (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORSTATIC)) {
    LRESULT brush = 0;
    if (ToolbarControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), &brush)) return brush;
  }
  // A drag from the customise collection: no bar keeps its frame.
  if (message == CCustomizeDlg::DragFromCollectionMessage()) {
    Select(-1);
    return 0;
  }
  // Shown or hidden while customising: the list of bars follows.
  if (message == WM_WINDOWPOSCHANGED && CCustomizeDlg::Open() != nullptr &&
      (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0) {
    const LRESULT r = fw::ToolBar::WindowProc(message, wParam, lParam);
    PlaceControls();
    CCustomizeDlg::Open()->ToolbarsPage().BarShownChanged(this);
    return r;
  }
  if (message == WM_PAINT) {
    const LRESULT painted = fw::ToolBar::WindowProc(message, wParam, lParam);
    PaintCustomize();
    return painted;
  }
  if (message == WM_DESTROY) {
    dropTarget_.reset();
    DestroyControls();
    auto& bars = BarList();
    bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
  }
  const LRESULT r = fw::ToolBar::WindowProc(message, wParam, lParam);
  if (message == WM_SIZE || message == WM_WINDOWPOSCHANGED) PlaceControls();
  return r;
}

bool CCToolBar::GetCommandText(std::uint32_t id, std::string& text) {
  text = fw::ResourceString(id);
  return !text.empty();
}

void CCToolBar::UpdateLayout() {
  // Buttons added since are laid along the bar's side again.
  SetOrientation(IsFloating() || fw::IsHorizontalSide(Side()));
  if (fw::FrameWnd* frame = DockSite()) frame->RecalcLayout();
  PlaceControls();
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

void CCToolBar::DestroyControls() {
  for (auto& control : controls_) {
    if (control->Handle() != nullptr) ::DestroyWindow(control->Handle());
  }
  controls_.clear();
}

void CCToolBar::RemoveAllButtons() {
  DestroyControls();
  while (Send(TB_BUTTONCOUNT) > 0) Send(TB_DELETEBUTTON, 0);
}

void CCToolBar::ApplySizes(const ToolbarSizes& sizes) {
  SetImageSize({sizes.imageWidth, sizes.imageHeight});
  SetButtonSize({sizes.buttonWidth, sizes.buttonHeight});
}

bool CCToolBar::LoadDefaultButtons() {
  if (defaultResource_ == 0) return true;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  fw::ToolBarResource layout;
  if (!fw::ReadToolBarResource(inst, defaultResource_, layout)) return false;
  // A new image list of the resource's image size: the old images go.
  if (images_ != nullptr) ImageList_Destroy(images_);
  images_ = ImageList_Create(layout.width, layout.height, ILC_COLOR24 | ILC_MASK, 16, 8);
  Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SetImageSize({layout.width, layout.height});
  HBITMAP strip = CreateMappedBitmap(inst, static_cast<INT_PTR>(defaultResource_), 0, nullptr, 0);
  if (strip == nullptr) return false;
  const int first = AddImages(strip);
  DeleteObject(strip);
  if (first < 0) return false;
  int image = first;
  for (std::uint32_t id : layout.ids) {
    if (id == 0) {
      AddSeparator();
    } else {
      AddButton(id, image++);
    }
  }
  return true;
}

bool CCToolBar::ResetButtons() {
  RemoveAllButtons();
  return LoadDefaultButtons();
}

void CCToolBar::SetLargeButtons(bool) {}

int CCToolBar::AddImages(HBITMAP strip) {
  if (images_ == nullptr) {
    SIZE size = ImageSize();
    images_ = ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 16, 8);
    Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  }
  // The button face shows through: the mask is the face colour.
  return ImageList_AddMasked(images_, strip, GetSysColor(COLOR_BTNFACE));
}

int CCToolBar::ImageCount() const { return images_ != nullptr ? ImageList_GetImageCount(images_) : 0; }

int CCToolBar::ImageOfCommand(std::uint32_t command) const {
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_IMAGE;
  if (Send(TB_GETBUTTONINFOA, command, reinterpret_cast<LPARAM>(&info)) < 0) return -1;
  return info.iImage;
}

void CCToolBar::AddButton(std::uint32_t command, int image) {
  TBBUTTON b{};
  b.iBitmap = image >= 0 ? image : I_IMAGENONE;
  b.idCommand = static_cast<int>(command);
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_BUTTON;
  b.iString = -1;
  Send(TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
}

void CCToolBar::AddSeparator() {
  TBBUTTON b{};
  b.iBitmap = 6;
  b.fsStyle = BTNS_SEP;
  b.iString = -1;
  Send(TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
}

bool CCToolBar::AppendControl(std::unique_ptr<fw::Window> control, int width) {
  return InsertControlAt(ButtonCount(), std::move(control), width);
}

bool CCToolBar::InsertControlAt(int index, std::unique_ptr<fw::Window> control, int width) {
  if (control == nullptr || control->Handle() == nullptr) return false;
  if (GetParent(control->Handle()) != hwnd_) SetParent(control->Handle(), hwnd_);
  const auto id = static_cast<int>(GetWindowLongPtrA(control->Handle(), GWLP_ID));
  TBBUTTON b{};
  b.iBitmap = width;
  b.idCommand = id;
  b.fsStyle = BTNS_SEP;
  b.dwData = reinterpret_cast<DWORD_PTR>(control.get());
  b.iString = -1;
  if (!Send(TB_INSERTBUTTONA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b))) return false;
  EnableWindow(control->Handle(), !InCustomizeMode());
  controls_.push_back(std::move(control));
  PlaceControls();
  return true;
}

void CCToolBar::InsertButton(int index, std::uint32_t command, int image, BYTE style) {
  TBBUTTON b{};
  b.iBitmap = (style & BTNS_SEP) ? 6 : (image >= 0 ? image : I_IMAGENONE);
  b.idCommand = (style & BTNS_SEP) ? 0 : static_cast<int>(command);
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = style;
  b.iString = -1;
  Send(TB_INSERTBUTTONA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
}

void CCToolBar::DeleteButton(int index) {
  if (index < 0 || index >= ButtonCount()) return;
  TBBUTTON b{};
  Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  Send(TB_DELETEBUTTON, static_cast<WPARAM>(index));
  if ((b.fsStyle & BTNS_SEP) && b.dwData != 0) {
    std::unique_ptr<fw::Window> control = TakeControl(reinterpret_cast<fw::Window*>(b.dwData));
    if (control != nullptr && control->Handle() != nullptr) ::DestroyWindow(control->Handle());
  }
  if (selected_ == index) selected_ = -1;
  if (selected_ > index) --selected_;
  // No separator is left last.
  const int last = ButtonCount() - 1;
  if (last >= 0) {
    TBBUTTON end{};
    Send(TB_GETBUTTON, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(&end));
    if ((end.fsStyle & BTNS_SEP) && end.dwData == 0) Send(TB_DELETEBUTTON, static_cast<WPARAM>(last));
  }
}

std::unique_ptr<fw::Window> CCToolBar::TakeControl(fw::Window* control) {
  for (auto it = controls_.begin(); it != controls_.end(); ++it) {
    if (it->get() == control) {
      std::unique_ptr<fw::Window> taken = std::move(*it);
      controls_.erase(it);
      return taken;
    }
  }
  return nullptr;
}

void CCToolBar::PlaceControls() {
  if (hwnd_ == nullptr) return;
  // A control sits at its separator's left edge, centred in the button
  // row; a bar laid along a side has no room for it.
  const int n = ButtonCount();
  for (int i = 0; i < n; ++i) {
    TBBUTTON b{};
    Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    if (!(b.fsStyle & BTNS_SEP) || b.dwData == 0) continue;
    auto* control = reinterpret_cast<fw::Window*>(b.dwData);
    if (control->Handle() == nullptr) continue;
    RECT r{};
    Send(TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    // Only a control no wider than a button fits a bar on its side.
    if (!IsHorizontal() && b.iBitmap > std::max<int>(ButtonSize().cx, r.right - r.left)) {
      ShowWindow(control->Handle(), SW_HIDE);
      continue;
    }
    RECT own{};
    GetWindowRect(control->Handle(), &own);
    const int h = std::min<int>(own.bottom - own.top, r.bottom - r.top);
    const int top = r.top + (r.bottom - r.top - h) / 2;
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&own), 2);
    // Already there and shown: nothing to do.
    if (own.left == r.left && own.top == top && own.right - own.left == b.iBitmap && own.bottom - own.top == h &&
        IsWindowVisible(control->Handle())) {
      continue;
    }
    SetWindowPos(control->Handle(), nullptr, r.left, top, b.iBitmap, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
}

std::vector<HWND> CCToolBar::FindControlButtons(std::uint32_t id) {
  std::vector<HWND> found;
  for (CCToolBar* bar : BarList()) {
    for (auto& control : bar->controls_) {
      HWND h = control->Handle();
      if (h != nullptr && static_cast<std::uint32_t>(GetWindowLongPtrA(h, GWLP_ID)) == id) found.push_back(h);
    }
  }
  return found;
}

// ---- CLUToolBar

bool CLUToolBar::GetCommandText(std::uint32_t id, std::string& text) {
  if (id >= 40010 && id <= 40029 && toolName) {
    text = CommandTextOfName(toolName(id));
    return !text.empty();
  }
  return CCToolBar::GetCommandText(id, text);
}

void CLUToolBar::SetLargeButtons(bool large) { defaultResource_ = ToolbarTwin(defaultResource_, large); }

LRESULT CLUToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDBLCLK && !InCustomizeMode()) {
    const POINT hit{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const int index = HitTestButton(hit);
    TBBUTTON b{};
    if (index >= 0 && Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b)) &&
        !(b.fsStyle & BTNS_SEP)) {
      // Handled here, so the second click does not press the button again.
      if (b.fsState & TBSTATE_ENABLED) {
        const auto id = static_cast<std::uint32_t>(b.idCommand);
        HWND top = GetAncestor(hwnd_, GA_ROOTOWNER);
        if (!(b.fsState & TBSTATE_CHECKED) && top != nullptr) SendMessageA(top, WM_COMMAND, id, 0);
        if (openOptions) openOptions(id);
      }
      return 0;
    }
  }
  return CCToolBar::WindowProc(message, wParam, lParam);
}

// ---- CBrushBar

bool CBrushBar::ResetButtons() {
  RemoveAllButtons();
  if (!CCToolBar::ResetButtons()) return false;
  if (suppressColourControl) return true;
  int index = CommandToIndex(kColourControlId);
  if (index >= 0) {
    Send(TB_DELETEBUTTON, static_cast<WPARAM>(index));
  } else {
    index = 0;
  }
  SIZE button = ButtonSize();
  if (button.cx <= 0 || button.cy <= 0) {
    const LRESULT size = Send(TB_GETBUTTONSIZE);
    button = {LOWORD(size), HIWORD(size)};
  }
  if (auto colour = MakeColourControl(hwnd_, kColourControlId, button.cx, button.cy)) {
    InsertControlAt(index, std::move(colour), button.cx);
  }
  return true;
}

// ---- CSelectBar

bool CSelectBar::ResetButtons() {
  if (!CCToolBar::ResetButtons()) return false;
  filled_ = false;
  if (!tools_.empty()) AddAreaToolButtons(tools_);
  return true;
}

void CSelectBar::AddAreaToolButtons(const std::vector<AreaToolButton>& tools) {
  if (filled_) return;
  tools_ = tools;
  if (tools.empty()) return;
  // The fixed buttons only lend their pictures.
  std::vector<std::pair<std::uint32_t, int>> pictures;
  for (int i = ButtonCount() - 1; i >= 0; --i) {
    const std::uint32_t id = CommandOf(i);
    if (id == 0 || !IsFixedSelectBarButton(id)) continue;
    pictures.emplace_back(id, ImageOfCommand(id));
    Send(TB_DELETEBUTTON, static_cast<WPARAM>(i));
  }
  auto pictureOf = [&](std::uint32_t fixed) {
    for (const auto& [id, image] : pictures) {
      if (id == fixed) return image;
    }
    return -1;
  };
  AddButton(kMoveLayer, pictureOf(kMoveLayerPicture));
  AddSeparator();
  for (const AreaToolButton& tool : tools) AddButton(tool.command, pictureOf(AreaToolPictureCommand(tool.name)));
  AddButton(kTextSelection, pictureOf(kTextPicture));
  AddSeparator();
  if (auto combo = MakeModeCombo(hwnd_, kSelectionModeCombo, -1, ButtonSize().cy)) {
    const int width = combo->ToolbarWidth();
    AppendControl(std::move(combo), width);
    AddSeparator();
  }
  AddButton(kMoveSelection, pictureOf(kMoveSelectionPicture));
  AddButton(kInvertSelection, pictureOf(kInvertPicture));
  AddButton(kDeleteSelection, pictureOf(kDeletePicture));
  filled_ = true;
  Send(TB_AUTOSIZE);
  UpdateLayout();
}

// ---- CToolsBar

bool CToolsBar::ResetButtons() {
  RemoveAllButtons();
  if (!CCToolBar::ResetButtons()) return false;
  const std::vector<DefToolsItem> items = readTools ? readTools() : std::vector<DefToolsItem>{};
  ResourceModules libraries;
  if (!items.empty()) LoadResourceModules(ProgramFilePath(), libraries);
  int picture = -1;
  for (const DefToolsItem& item : items) {
    if (item.separator) {
      AddSeparator();
      continue;
    }
    // A tool's own picture, else bitmap 245 (shared by every such tool).
    if (HBITMAP own = toolIcon ? toolIcon(item.command, ImageSize(), libraries) : nullptr) {
      const int image = AddImages(own);
      DeleteObject(own);
      AddButton(item.command, image);
      continue;
    }
    if (picture < 0) {
      HBITMAP bitmap = CreateMappedBitmap(GetModuleHandleA(nullptr), 245, 0, nullptr, 0);
      if (bitmap != nullptr) {
        HBITMAP centred = CentredOnFace(bitmap, ImageSize());
        picture = AddImages(centred);
        DeleteObject(centred);
        DeleteObject(bitmap);
      }
    }
    AddButton(item.command, picture);
  }
  FreeResourceModules(libraries);
  if (hwnd_ != nullptr && DockSite() != nullptr) DockSite()->ShowControlBar(this, HasButtons(), true);
  UpdateLayout();
  return true;
}

namespace {

std::vector<BarButtonState> ButtonStatesOf(const fw::ToolBar& bar) {
  std::vector<BarButtonState> out;
  if (bar.Handle() == nullptr) return out;
  const int n = bar.ButtonCount();
  for (int i = 0; i < n; ++i) {
    const std::uint32_t id = bar.CommandOf(i);
    const LRESULT state = id != 0 ? SendMessageA(bar.Handle(), TB_GETSTATE, id, 0) : 0;
    out.push_back({id, state >= 0 ? static_cast<std::uint32_t>(state) : 0u});
  }
  return out;
}

}  // namespace

void CBrushBar::TakeStatesFrom(const CBrushBar& other) {
  if (hwnd_ == nullptr || other.Handle() == nullptr) return;
  const std::vector<BarButtonState> mine = ButtonStatesOf(*this);
  const std::vector<BarButtonState> taken = TakeButtonStates(mine, ButtonStatesOf(other));
  for (std::size_t i = 0; i < taken.size(); ++i) {
    if (taken[i].command != 0 && taken[i].state != mine[i].state) {
      SendMessageA(hwnd_, TB_SETSTATE, taken[i].command, MAKELPARAM(taken[i].state, 0));
    }
  }
}

}  // namespace lumora
