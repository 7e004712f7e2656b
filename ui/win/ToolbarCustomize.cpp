// Customising the toolbars by drag and drop: picking a button up (in
// customise mode, or with Alt for one drag), its data on the way, the
// insert mark on the bar under it, and the drop.
#include <ole2.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "framework/StringSource.h"
#include "framework/win/OleDataSource.h"
#include "framework/win/OleDragDrop.h"
#include "res/resource.h"
#include "ui/ToolbarDrag.h"
#include "ui/win/ToolbarHit.h"
#include "ui/win/ToolbarHit.h"
#include "ui/win/CtrlViewer.h"
#include "ui/win/CustomizeDlg.h"
#include "ui/win/OwnerDrawControls.h"
#include "ui/win/ProgramBars.h"

namespace lumora {
namespace {

bool customizeMode = false;

CLIPFORMAT ButtonFormat() {
  static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kToolbarButtonFormat));
  return format;
}

// Embedded controls travel by a token of this process, never by address.
std::map<std::uint32_t, fw::Window*>& LiveTokens() {
  static std::map<std::uint32_t, fw::Window*> tokens;
  return tokens;
}

std::uint32_t TokenOf(fw::Window* control) {
  static std::uint32_t next = 1;
  for (const auto& [token, window] : LiveTokens()) {
    if (window == control) return token;
  }
  LiveTokens()[next] = control;
  return next++;
}

std::vector<fw::Window*>& CollectionControls() {
  static std::vector<fw::Window*> controls;
  return controls;
}

// The control a token names, when it is still on a bar of this process or
// in the customise collection.
fw::Window* LiveControl(std::uint32_t token, CCToolBar** owner) {
  auto it = LiveTokens().find(token);
  if (it == LiveTokens().end()) return nullptr;
  const auto& kept = CollectionControls();
  if (std::find(kept.begin(), kept.end(), it->second) != kept.end() && it->second->Handle() != nullptr) {
    *owner = nullptr;
    return it->second;
  }
  for (CCToolBar* bar : CCToolBar::AllBars()) {
    const int n = bar->ButtonCount();
    for (int i = 0; i < n; ++i) {
      TBBUTTON b{};
      SendMessageA(bar->Handle(), TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
      if (b.dwData == reinterpret_cast<DWORD_PTR>(it->second) && it->second->Handle() != nullptr) {
        *owner = bar;
        return it->second;
      }
    }
  }
  return nullptr;
}

// The drop source: remembers Escape, and shows by its cursor what the
// bar under it would do with a button or a control.
class CCustomizeDropSource final : public IDropSource {
 public:
  bool escaped = false;
  bool control = false;
  bool overBar = false;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDropSource) {
      *out = static_cast<IDropSource*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keyState) override {
    if (escape) {
      escaped = true;
      return DRAGDROP_S_CANCEL;
    }
    return (keyState & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    const DragFeedback feedback = (effect & DROPEFFECT_COPY)   ? DragFeedback::kCopy
                                  : (effect & DROPEFFECT_MOVE) ? DragFeedback::kMove
                                                               : DragFeedback::kNone;
    HCURSOR cursor = DragCursor(DragCursorId(feedback, overBar, control));
    if (cursor == nullptr) return DRAGDROP_S_USEDEFAULTCURSORS;
    SetCursor(cursor);
    return S_OK;
  }

  // The six cursors, loaded on the first drag.
  static HCURSOR DragCursor(int id) {
    static std::map<int, HCURSOR> cursors = [] {
      std::map<int, HCURSOR> loaded;
      for (int n : {133, 146, 4, 148, 149, 147}) {
        loaded[n] = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(n));
      }
      return loaded;
    }();
    auto it = cursors.find(id);
    return it != cursors.end() ? it->second : nullptr;
  }
};

// The drag under way in this process, told by the bars when the cursor
// enters or leaves one.
CCustomizeDropSource* runningDrag = nullptr;

void TellOverBar(bool over) {
  if (runningDrag != nullptr) runningDrag->overBar = over;
}

struct DroppedData {
  DraggedButton button;
  HBITMAP bitmap = nullptr;  // owned here
  std::string text;
  ~DroppedData() {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
};

bool ReadDropped(IDataObject* data, DroppedData& out) {
  FORMATETC block{ButtonFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&block, &medium))) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(medium.hGlobal));
  std::optional<DraggedButton> button = DecodeDraggedButton(bytes, bytes != nullptr ? GlobalSize(medium.hGlobal) : 0);
  if (bytes != nullptr) GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  if (!button) return false;
  out.button = *button;
  FORMATETC picture{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  if (SUCCEEDED(data->GetData(&picture, &medium))) {
    out.bitmap = static_cast<HBITMAP>(CopyImage(medium.hBitmap, IMAGE_BITMAP, 0, 0, 0));
    ReleaseStgMedium(&medium);
  }
  FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  if (SUCCEEDED(data->GetData(&text, &medium))) {
    if (const auto* t = static_cast<const char*>(GlobalLock(medium.hGlobal))) {
      out.text.assign(t, strnlen(t, GlobalSize(medium.hGlobal)));
      GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
  }
  return true;
}

// A picture centred on a face-coloured bitmap of the size.
HBITMAP FittedPicture(HBITMAP picture, SIZE size) {
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  HBITMAP out = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HGDIOBJ a = SelectObject(from, picture), b = SelectObject(to, out);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(to, &all, GetSysColorBrush(COLOR_BTNFACE));
  BitBlt(to, (size.cx - info.bmWidth) / 2, (size.cy - info.bmHeight) / 2, info.bmWidth, info.bmHeight, from, 0, 0,
         SRCCOPY);
  SelectObject(from, a);
  SelectObject(to, b);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return out;
}

}  // namespace

namespace {

bool Accepts(IDataObject* data) {
  FORMATETC f{ButtonFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return CCToolBar::InCustomizeMode() && data != nullptr && data->QueryGetData(&f) == S_OK;
}

}  // namespace

void RememberCollectionControl(fw::Window* control) { CollectionControls().push_back(control); }

void ForgetCollectionControl(fw::Window* control) {
  auto& kept = CollectionControls();
  kept.erase(std::remove(kept.begin(), kept.end(), control), kept.end());
}

DWORD RunButtonDrag(const TBBUTTON& b, fw::Window* control, HBITMAP picture, const std::string& text,
                    bool* escaped) {
  DraggedButton dragged;
  dragged.bitmap = b.iBitmap;
  dragged.command = b.idCommand;
  dragged.state = b.fsState;
  dragged.style = b.fsStyle;
  dragged.string = static_cast<std::int32_t>(b.iString);
  if (control != nullptr) dragged.control = TokenOf(control);
  const std::array<std::uint8_t, 24> block = EncodeDraggedButton(dragged);
  HBITMAP own = picture != nullptr ? static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
  const CLIPFORMAT format = ButtonFormat();
  fw::OleDataSource* source = fw::OleDataSource::Create([=](const FORMATETC& f, STGMEDIUM* m) {
    if (f.cfFormat == format) {
      HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block.size());
      if (g == nullptr) return false;
      std::memcpy(GlobalLock(g), block.data(), block.size());
      GlobalUnlock(g);
      m->tymed = TYMED_HGLOBAL;
      m->hGlobal = g;
      return true;
    }
    if (f.cfFormat == CF_BITMAP && own != nullptr) {
      m->tymed = TYMED_GDI;
      m->hBitmap = static_cast<HBITMAP>(CopyImage(own, IMAGE_BITMAP, 0, 0, 0));
      return m->hBitmap != nullptr;
    }
    if (f.cfFormat == CF_TEXT) {
      HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
      if (g == nullptr) return false;
      std::memcpy(GlobalLock(g), text.c_str(), text.size() + 1);
      GlobalUnlock(g);
      m->tymed = TYMED_HGLOBAL;
      m->hGlobal = g;
      return true;
    }
    return false;
  });
  source->DelayRenderData(format, TYMED_HGLOBAL);
  if (own != nullptr) source->DelayRenderData(CF_BITMAP, TYMED_GDI);
  source->DelayRenderData(CF_TEXT, TYMED_HGLOBAL);
  CCustomizeDropSource dropSource;
  dropSource.control = control != nullptr;
  CCustomizeDropSource* outer = runningDrag;
  runningDrag = &dropSource;
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(source, &dropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  runningDrag = outer;
  source->Release();
  if (own != nullptr) DeleteObject(own);
  if (escaped != nullptr) *escaped = dropSource.escaped;
  return effect;
}

void AnimateCustomizeFrame() {
  AdvanceCustomizeFramePhase();
  for (CCToolBar* bar : CCToolBar::AllBars()) {
    if (bar->SelectedIndex() >= 0) bar->PaintCustomize();
  }
  for (CCtrlViewer* viewer : CCtrlViewer::AllViewers()) viewer->RedrawFrame();
}

DWORD CCustomizeDropTarget::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  bar_->insertIndex_ = -1;
  if (Accepts(data)) TellOverBar(true);
  return OnDragOver(data, keyState, client);
}

DWORD CCustomizeDropTarget::OnDragOver(IDataObject* data, DWORD keyState, POINT client) {
  if (!Accepts(data)) return DROPEFFECT_NONE;
  return bar_->OnDragOverBar(data, keyState, client);
}

void CCustomizeDropTarget::OnDragLeave() {
  TellOverBar(false);
  bar_->OnDragLeaveBar();
}

bool CCustomizeDropTarget::OnDrop(IDataObject* data, DWORD effect, POINT client) {
  TellOverBar(false);
  return Accepts(data) && bar_->OnDropOnBar(data, effect, client);
}

void CCToolBar::RegisterDropTarget() {
  dropTarget_ = std::make_unique<CCustomizeDropTarget>(this);
  dropTarget_->Register(hwnd_);
}

bool CCToolBar::InCustomizeMode() { return customizeMode; }

bool CCToolBar::SetCustomizeModeAll(bool on) {
  if (customizeMode == on) return false;
  customizeMode = on;
  for (CCToolBar* bar : AllBars()) {
    bar->Select(-1);
    for (auto& control : bar->controls_) {
      if (control->Handle() != nullptr) EnableWindow(control->Handle(), !on);
    }
    InvalidateRect(bar->Handle(), nullptr, TRUE);
    SendMessageA(bar->Handle(), 0x0363 /* WM_IDLEUPDATECMDUI */, 1, 0);
  }
  return true;
}

std::vector<RECT> CCToolBar::ButtonRects() const {
  std::vector<RECT> rects;
  const int n = ButtonCount();
  for (int i = 0; i < n; ++i) {
    RECT r{};
    Send(TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    rects.push_back(r);
  }
  return rects;
}

void CCToolBar::Select(int index) {
  if (selected_ == index) return;
  selected_ = index;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

HBITMAP CCToolBar::ButtonBitmap(int index) const {
  TBBUTTON b{};
  Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  if ((b.fsStyle & BTNS_SEP) || images_ == nullptr || b.iBitmap < 0) return nullptr;
  const SIZE size = ImageSize();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  ImageList_Draw(images_, b.iBitmap, dc, 0, 0, ILD_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The mouse must leave the button before the drag begins; a release first
// is a click.
bool CCToolBar::WaitForDragStart(const RECT& button) {
  SetCapture(hwnd_);
  bool started = false, done = false;
  while (!done && GetCapture() == hwnd_) {
    MSG msg;
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    switch (msg.message) {
      case WM_MOUSEMOVE: {
        POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        if (msg.hwnd != hwnd_) MapWindowPoints(msg.hwnd, hwnd_, &p, 1);
        if (!PtInRect(&button, p)) started = done = true;
        break;
      }
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN: done = true; break;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (msg.wParam == VK_ESCAPE) done = true;
        break;
      default: DispatchMessageA(&msg); break;
    }
  }
  if (GetCapture() == hwnd_) ReleaseCapture();
  return started;
}

int CCToolBar::HitTestButton(POINT client, POINT* offset) const {
  // The system's hit test answers no button on any separator, a control's
  // too: the rectangles decide.
  const int n = ButtonCount();
  for (int from = 0; from < n;) {
    const int i = ToolBarButtonFromPoint(hwnd_, from, n - from, client.x, client.y);
    if (i < 0) return -1;
    TBBUTTON b{};
    if (Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b)) &&
        !((b.fsStyle & BTNS_SEP) != 0 && b.idCommand == 0) && (b.fsState & TBSTATE_HIDDEN) == 0) {
      if (offset != nullptr) {
        RECT r{};
        Send(TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        *offset = POINT{client.x - r.left, client.y - r.top};
      }
      return i;
    }
    from = i + 1;
  }
  return -1;
}

bool CCToolBar::PickUp(POINT client, WPARAM keys) {
  // The button under the point; a plain separator does not count, a
  // control's does.
  const int index = HitTestButton(client);
  TBBUTTON b{};
  if (index >= 0) Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  const bool onButton = index >= 0;
  if (!onButton) {
    if (customizeMode) Select(-1);
    return false;
  }
  // Outside customise mode only Alt makes a press pick the button up.
  const bool temporary = !customizeMode;
  if (temporary && ((GetKeyState(VK_MENU) | GetAsyncKeyState(VK_MENU)) & 0x8000) == 0) return false;
  // Recent files stay where they are.
  if (b.idCommand >= 57616 && b.idCommand <= 57631) return true;
  for (CCToolBar* bar : AllBars()) {
    if (bar != this) bar->Select(-1);
  }
  Select(index);
  RECT rect{};
  Send(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  // A press on a control's right edge resizes it.
  if (CanCopyControl(index) && StartResize(index, client)) return true;
  if (!WaitForDragStart(rect)) return true;

  HBITMAP picture = ButtonBitmap(index);
  std::string text;
  GetCommandText(static_cast<std::uint32_t>(b.idCommand), text);
  if (CCustomizeDlg* dialog = CCustomizeDlg::Open()) {
    SendMessageA(dialog->Handle(), CCustomizeDlg::DragFromToolbarMessage(), 0, 0);
  }
  pickedUp_ = true;
  dragSource_ = index;
  dragStart_ = client;
  if (temporary) customizeMode = true;
  const bool copy = (keys & MK_CONTROL) != 0;
  const HWND self = hwnd_;
  bool escaped = false;
  const DWORD effect = RunButtonDrag(b, (b.fsStyle & BTNS_SEP) ? reinterpret_cast<fw::Window*>(b.dwData) : nullptr,
                                     picture, text, &escaped);
  if (picture != nullptr) DeleteObject(picture);
  if (!IsWindow(self)) return true;
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(hwnd_, &cursor);
  // A button taken off every bar, or moved away, goes from here.
  if (pickedUp_ && !escaped && !copy && effect != DROPEFFECT_COPY && !PtInRect(&rect, cursor) &&
      dragSource_ >= 0) {
    DeleteButton(dragSource_);
    UpdateLayout();
  }
  pickedUp_ = false;
  dragSource_ = -1;
  dragStart_ = {-1, -1};
  if (temporary) {
    customizeMode = false;
    Select(-1);
  }
  return true;
}

bool CCToolBar::CanCopyControl(int index) const {
  TBBUTTON b{};
  if (index < 0 || index >= ButtonCount() ||
      !Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b)) || !(b.fsStyle & BTNS_SEP) ||
      b.dwData == 0) {
    return false;
  }
  auto* control = reinterpret_cast<fw::Window*>(b.dwData);
  if (control->Handle() == nullptr) return false;
  if (dynamic_cast<CMySBComboBox*>(control) != nullptr) return true;
  char name[32] = {};
  GetClassNameA(control->Handle(), name, sizeof name);
  return lstrcmpiA(name, "ComboBox") == 0 || lstrcmpiA(name, "Edit") == 0 || lstrcmpiA(name, "Button") == 0;
}

void CCToolBar::SetControlWidth(int index, int width) {
  TBBUTTON b{};
  if (!Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b)) || b.dwData == 0) return;
  // A separator's width is its image field.
  TBBUTTONINFOA info{sizeof info};
  info.dwMask = TBIF_SIZE | TBIF_IMAGE | TBIF_BYINDEX;
  info.cx = static_cast<WORD>(width);
  info.iImage = width;
  Send(TB_SETBUTTONINFOA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
  HWND control = reinterpret_cast<fw::Window*>(b.dwData)->Handle();
  RECT r{};
  GetWindowRect(control, &r);
  SetWindowPos(control, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CCToolBar::ResizeCursorAt(POINT client) const {
  if (selected_ < 0 || !CanCopyControl(selected_)) return false;
  RECT r{};
  Send(TB_GETITEMRECT, static_cast<WPARAM>(selected_), reinterpret_cast<LPARAM>(&r));
  return client.x < r.right && r.right - client.x < 5 && client.y >= r.top && client.y < r.bottom;
}

bool CCToolBar::StartResize(int index, POINT client) {
  TBBUTTON b{};
  Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
  RECT own{};
  GetWindowRect(reinterpret_cast<fw::Window*>(b.dwData)->Handle(), &own);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&own), 2);
  if (!OnControlResizeEdge(client.x, own.right)) return false;
  Send(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&resizeRect_));
  InflateRect(&resizeRect_, 2, 2);
  resizeRect_.left = own.left - 2;
  resizeRect_.right = own.right + 2;
  resizeIndex_ = index;
  resizeDrawn_ = -1;
  resizing_ = true;
  previousCapture_ = GetCapture();
  SetCapture(hwnd_);
  SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_TB_RESIZE)));
  return true;
}

// The tracking frame: drawn inverted, so drawing it again takes it away.
void CCToolBar::DrawResizeRect(int right) {
  HDC dc = GetDCEx(hwnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  HBITMAP bits = CreateBitmap(8, 8, 1, 1, pattern);
  HBRUSH brush = CreatePatternBrush(bits);
  HGDIOBJ old = SelectObject(dc, brush);
  const RECT& r = resizeRect_;
  const int w = right - r.left, h = r.bottom - r.top;
  PatBlt(dc, r.left, r.top, w, 2, PATINVERT);
  PatBlt(dc, r.left, r.bottom - 2, w, 2, PATINVERT);
  PatBlt(dc, r.left, r.top + 2, 2, h - 4, PATINVERT);
  PatBlt(dc, right - 2, r.top + 2, 2, h - 4, PATINVERT);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteObject(bits);
  ReleaseDC(hwnd_, dc);
}

void CCToolBar::TrackResize(POINT client) {
  // Never narrower than 5 pixels.
  const int left = resizeRect_.left + 2;
  if (client.x - left < 5) return;
  const int right = client.x + 2;
  if (right == resizeDrawn_) return;
  if (resizeDrawn_ >= 0) DrawResizeRect(resizeDrawn_);
  DrawResizeRect(right);
  resizeDrawn_ = right;
}

void CCToolBar::EndResize(POINT client, bool apply) {
  if (!resizing_) return;
  resizing_ = false;
  if (resizeDrawn_ >= 0) DrawResizeRect(resizeDrawn_);
  resizeDrawn_ = -1;
  const int left = resizeRect_.left + 2, right = resizeRect_.right - 2;
  if (apply) {
    if (const std::optional<int> width = ResizedControlWidth(client.x, left, right)) {
      SetControlWidth(resizeIndex_, *width);
      UpdateLayout();
    }
  }
  resizeIndex_ = -1;
  InvalidateRect(hwnd_, nullptr, TRUE);
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (previousCapture_ != nullptr && IsWindow(previousCapture_)) SetCapture(previousCapture_);
  previousCapture_ = nullptr;
}

DWORD CCToolBar::OnDragOverBar(IDataObject*, DWORD keyState, POINT client) {
  if (!pickedUp_) Select(-1);
  const RECT clientRect = [&] {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r;
  }();
  const InsertMark m = ComputeInsertMark(ButtonRects(), !IsHorizontal(), client, clientRect, 2);
  SetInsertMark(m.index, m.mark);
  return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CCToolBar::OnDragLeaveBar() { SetInsertMark(-1, {0, 0, 0, 0}); }

void CCToolBar::SetInsertMark(int index, const RECT& mark) {
  if (index == insertIndex_ && EqualRect(&mark, &insertMark_)) return;
  RECT old = insertMark_;
  InflateRect(&old, 2, 2);
  InvalidateRect(hwnd_, &old, TRUE);
  insertIndex_ = index;
  insertMark_ = mark;
  RECT now = mark;
  InflateRect(&now, 2, 2);
  InvalidateRect(hwnd_, &now, TRUE);
  UpdateWindow(hwnd_);
}

bool CCToolBar::OnDropOnBar(IDataObject* data, DWORD effect, POINT client) {
  int index = insertIndex_;
  SetInsertMark(-1, {0, 0, 0, 0});
  if (index < 0) return false;
  DroppedData dropped;
  if (!ReadDropped(data, dropped)) return false;
  const bool copy = effect == DROPEFFECT_COPY;
  std::unique_ptr<fw::Window> ownControl;
  if (pickedUp_ && !copy) {
    if (index == dragSource_ || index == dragSource_ + 1) {
      // Dropped on its own place: only the separator before it changes.
      const LONG moved = IsHorizontal() ? client.x - dragStart_.x : client.y - dragStart_.y;
      if (dragSource_ > 0) {
        TBBUTTON before{};
        Send(TB_GETBUTTON, static_cast<WPARAM>(dragSource_ - 1), reinterpret_cast<LPARAM>(&before));
        const bool separator = (before.fsStyle & BTNS_SEP) && before.dwData == 0;
        if (moved >= 4 && !separator) InsertButton(dragSource_, 0, -1, BTNS_SEP);
        if (moved <= -4 && separator) Send(TB_DELETEBUTTON, static_cast<WPARAM>(dragSource_ - 1));
      }
      pickedUp_ = false;
      UpdateLayout();
      return true;
    }
    // Taken out here (its control kept) and put in at the mark.
    TBBUTTON source{};
    Send(TB_GETBUTTON, static_cast<WPARAM>(dragSource_), reinterpret_cast<LPARAM>(&source));
    if ((source.fsStyle & BTNS_SEP) && source.dwData != 0) {
      ownControl = TakeControl(reinterpret_cast<fw::Window*>(source.dwData));
    }
    Send(TB_DELETEBUTTON, static_cast<WPARAM>(dragSource_));
    if (index > dragSource_) --index;
    pickedUp_ = false;
  }
  bool done = false;
  CCToolBar* owner = nullptr;
  fw::Window* live = dropped.button.control != 0 ? LiveControl(dropped.button.control, &owner) : nullptr;
  if (ownControl != nullptr) live = ownControl.get();
  switch (ClassifyDrop(dropped.button, live != nullptr, dropped.bitmap != nullptr)) {
    case DropKind::kControl: {
      RECT r{};
      GetWindowRect(live->Handle(), &r);
      const int width = r.right - r.left;
      if (ownControl != nullptr) {
        done = InsertControlAt(index, std::move(ownControl), width);
      } else if (std::unique_ptr<fw::Window> copy = CopyToolbarControl(hwnd_, live)) {
        // A copy: the source keeps or drops its own.
        done = InsertControlAt(index, std::move(copy), width);
      }
      break;
    }
    case DropKind::kPlainButton: {
      HBITMAP fitted = FittedPicture(dropped.bitmap, ImageSize());
      const int image = AddImages(fitted);
      DeleteObject(fitted);
      InsertButton(index, static_cast<std::uint32_t>(dropped.button.command), image,
                   static_cast<BYTE>(dropped.button.style & ~BTNS_SEP));
      done = true;
      break;
    }
    case DropKind::kRefused: break;
  }
  if (ownControl != nullptr && ownControl->Handle() != nullptr) ::DestroyWindow(ownControl->Handle());
  UpdateLayout();
  return done;
}

void CCToolBar::PaintCustomize() {
  if (!customizeMode) return;
  if (selected_ >= ButtonCount()) selected_ = -1;
  HDC dc = GetDC(hwnd_);
  if (selected_ >= 0) {
    RECT r{};
    Send(TB_GETITEMRECT, static_cast<WPARAM>(selected_), reinterpret_cast<LPARAM>(&r));
    DrawCustomizeFrame(dc, r);
  }
  if (insertIndex_ >= 0) {
    // A 2-pixel line along the edge with 2-pixel caps at both ends.
    const RECT& m = insertMark_;
    HBRUSH brush = GetSysColorBrush(COLOR_BTNTEXT);
    const bool across = (m.right - m.left) > (m.bottom - m.top);
    RECT line = across ? RECT{m.left, (m.top + m.bottom) / 2 - 1, m.right, (m.top + m.bottom) / 2 + 1}
                       : RECT{(m.left + m.right) / 2 - 1, m.top, (m.left + m.right) / 2 + 1, m.bottom};
    FillRect(dc, &line, brush);
    RECT capA = across ? RECT{m.left, m.top, m.left + 2, m.bottom} : RECT{m.left, m.top, m.right, m.top + 2};
    RECT capB = across ? RECT{m.right - 2, m.top, m.right, m.bottom} : RECT{m.left, m.bottom - 2, m.right, m.bottom};
    FillRect(dc, &capA, brush);
    FillRect(dc, &capB, brush);
  }
  ReleaseDC(hwnd_, dc);
}

}  // namespace lumora
