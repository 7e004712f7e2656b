// The layer palette's rows: drawing them off-screen with their marks and
// thumbnails, scrolling, and what clicks on their zones do.
#include <windowsx.h>

#include <algorithm>

#include "document/win/Lumo40Doc.h"
#include "engine/layered/win/LayerDataSource.h"
#include "engine/pixels/AppValues.h"
#include "platform/trace.h"
#include "framework/win/OleDataSource.h"
#include "framework/win/OleDragDrop.h"
#include "engine/layers/LayerMng.h"
#include "framework/win/App.h"
#include "lang/Recorder.h"
#include "platform/rect.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/win/LayerWnd.h"

namespace lumora {
namespace {

constexpr char kListClass[] = "ScrollLayerWnd";
constexpr int kIconSize = 16;

HICON RowIcon(int id) {
  static HICON cache[512] = {};
  if (id < 0 || id >= 512) return nullptr;
  if (cache[id] == nullptr) {
    cache[id] = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, kIconSize, kIconSize, 0));
  }
  return cache[id];
}

void DrawIconAt(HDC dc, int id, int x, int y) {
  if (HICON icon = RowIcon(id)) DrawIconEx(dc, x, y, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
}

void SunkenCell(HDC dc, const RECT& cell) {
  RECT r = cell;
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
}

RECT Centred(const RECT& zone, int width, int height) {
  const int x = zone.left + (RectWidth(zone) - width) / 2;
  const int y = zone.top + (RectHeight(zone) - height) / 2;
  return RECT{x, y, x + width, y + height};
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

void FrameRed(HDC dc, const RECT& r) {
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT f{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
  FrameRect(dc, &f, red);
  DeleteObject(red);
}

}  // namespace

CLayerScrollWnd::~CLayerScrollWnd() {
  dropTarget_.Revoke();
  DropRows();
  if (canvas_ != nullptr) DeleteObject(canvas_);
}

bool CLayerScrollWnd::Create(CLayerWnd* palette, HWND parent) {
  palette_ = palette;
  const std::string cls = fw::App::RegisterWindowClass(kListClass, CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                                                      nullptr, nullptr);
  if (!CreateEx(0, cls.c_str(), "ScrollLayerWnd", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL, 0, 0, 10, 10, parent,
                nullptr)) {
    return false;
  }
  dropTarget_.list = this;
  dropTarget_.Register(hwnd_);
  AddTips();
  return true;
}

void CLayerScrollWnd::AddTips() {
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tips_ == nullptr) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = 1;
  ti.lpszText = LPSTR_TEXTCALLBACKA;
  SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string CLayerScrollWnd::TipTextAt(POINT p) const {
  const int row = RowAtPoint(p.y, scroll_, rowHeight_);
  std::uint32_t id = 0;
  if (row >= 0 && row < Rows()) {
    const RECT band = RowBand(row);
    const RowZones zones = ZonesOf(row);
    const POINT inRow{p.x - band.left, p.y - band.top};
    id = ZoneTipId(ZoneAt(zones, inRow, row == current_));
    // Over the name the tip is the layer's whole name, which a narrow
    // column cuts.
    if (id == 0 && RectContainsPoint(zones.name, inRow.x, inRow.y)) return CutTipText(LayerAt(row)->GetName());
  }
  return CutTipText(id != 0 ? NameFromWide(WidePath(std::string(res::String(id)))) : std::string("????????"));
}

// One tool whose rectangle is the zone under the pointer: a new zone is a
// new tool to the tip control, which asks for its text again.
void CLayerScrollWnd::MoveTip(POINT p) {
  if (tips_ == nullptr) return;
  RECT zone{0, 0, 0, 0};
  const int row = RowAtPoint(p.y, scroll_, rowHeight_);
  if (row >= 0 && row < Rows()) {
    const RECT band = RowBand(row);
    const RowZones z = ZonesOf(row);
    for (const RECT& r : {z.name, z.visibility, z.paintTarget, z.link, z.image, z.mask, z.textMark, z.positionLock,
                          z.transparencyLock}) {
      if (RectContainsPoint(r, p.x - band.left, p.y - band.top)) {
        zone = r;
        RectOffset(&zone, band.left, band.top);
      }
    }
    if (RectIsEmpty(zone)) zone = band;
  }
  if (RectsEqual(zone, tipRect_)) return;
  tipRect_ = zone;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = hwnd_;
  ti.uId = 1;
  ti.rect = zone;
  SendMessageA(tips_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageA(tips_, TTM_POP, 0, 0);
}

void CLayerScrollWnd::DropRows() {
  for (Row& row : rows_) {
    if (row.layer != nullptr) row.layer->Release();
  }
  rows_.clear();
}

void CLayerScrollWnd::Clear() {
  DropRows();
  current_ = -1;
  doc_ = nullptr;
}

void CLayerScrollWnd::Rebuild(CLumo40Doc* doc) {
  DropRows();
  current_ = -1;
  doc_ = doc;
  CLayersManager* stack = doc != nullptr && doc->Image().HasImage() ? doc->Image().GetLayers() : nullptr;
  if (stack != nullptr) {
    // Bottom to top, each at the head: row 0 shows the top layer.
    for (int i = 0; i < stack->GetLayerCount(); ++i) {
      Row row;
      row.layer = stack->GetLayer(i);
      row.layer->AddRef();
      row.editMask = row.layer->GetEditMask();
      rows_.insert(rows_.begin(), std::move(row));
    }
    current_ = RowOf(stack->GetActiveLayer());
  }
  UpdateScrollRange();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

int CLayerScrollWnd::RowOf(const CLayer* layer) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (layer != nullptr && rows_[i].layer == layer) return static_cast<int>(i);
  return -1;
}

CLayer* CLayerScrollWnd::LayerAt(int row) const {
  return row >= 0 && row < Rows() ? rows_[static_cast<std::size_t>(row)].layer : nullptr;
}

void CLayerScrollWnd::SelectRow(CLayer* layer) {
  const int row = RowOf(layer);
  if (row < 0 || row == current_) return;
  const int old = current_;
  current_ = row;
  RedrawRow(old);
  RedrawRow(row);
}

void CLayerScrollWnd::RefreshRow(CLayer* layer) {
  const int row = RowOf(layer);
  if (row < 0) return;
  Row& r = rows_[static_cast<std::size_t>(row)];
  r.image.reset();
  r.mask.reset();
  r.editMask = layer->GetEditMask();
  RedrawRow(row);
  if (layer->GetLinkId() == 0) return;
  for (int i = 0; i < Rows(); ++i)
    if (i != row && rows_[static_cast<std::size_t>(i)].layer->GetLinkId() == layer->GetLinkId()) RedrawRow(i);
}

void CLayerScrollWnd::SetRowHeight(int height) {
  rowHeight_ = height;
  for (Row& row : rows_) {
    row.image.reset();
    row.mask.reset();
  }
  UpdateScrollRange();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CLayerScrollWnd::UpdateScrollRange() {
  if (hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int limit = ScrollLimit(Rows(), rowHeight_, client.bottom);
  scroll_ = std::clamp(scroll_, 0, limit);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = limit > 0 ? limit + client.bottom - 1 : 0;
  info.nPage = limit > 0 ? static_cast<UINT>(client.bottom) : 0;
  info.nPos = scroll_;
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

RECT CLayerScrollWnd::RowBand(int row) const {
  RECT client{};
  if (hwnd_ != nullptr) GetClientRect(hwnd_, &client);
  return RowRect(row, scroll_, rowHeight_, client.right);
}

RowZones CLayerScrollWnd::ZonesOf(int row) const {
  const CLayer* layer = LayerAt(row);
  RowShape shape;
  shape.height = rowHeight_;
  shape.width = RectWidth(RowBand(row));
  if (layer != nullptr) {
    shape.hasMask = layer->HasMask() != 0;
    shape.grouped = layer->GetGrouped() != 0;
    shape.text = layer->IsText() != 0;
    shape.positionLocked = layer->GetPositionLocked() != 0;
    shape.transparencyLocked = layer->IsTransparencyLocked() != 0;
  }
  return ComputeRowZones(shape);
}

HBITMAP CLayerScrollWnd::ImageThumbnail(int row) const {
  return row >= 0 && row < Rows() ? rows_[static_cast<std::size_t>(row)].image.get() : nullptr;
}

HBITMAP CLayerScrollWnd::MaskThumbnail(int row) const {
  return row >= 0 && row < Rows() ? rows_[static_cast<std::size_t>(row)].mask.get() : nullptr;
}

void CLayerScrollWnd::RedrawRow(int row) {
  if (hwnd_ == nullptr || row < 0 || row >= Rows()) return;
  const RECT band = RowBand(row);
  InvalidateRect(hwnd_, &band, FALSE);
}

// ---- Drawing

void CLayerScrollWnd::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (RectIsEmpty(client)) return;
  if (canvas_ == nullptr || canvasSize_.cx != client.right || canvasSize_.cy != client.bottom) {
    if (canvas_ != nullptr) DeleteObject(canvas_);
    canvas_ = CreateCompatibleBitmap(dc, client.right, client.bottom);
    canvasSize_ = SIZE{client.right, client.bottom};
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, canvas_);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ oldFont = SelectObject(memory, reinterpret_cast<HFONT>(SendMessageA(GetParent(hwnd_), WM_GETFONT, 0, 0)));
  for (int i = 0; i < Rows(); ++i) {
    const RECT band = RowBand(i);
    if (band.bottom <= 0 || band.top >= client.bottom) continue;
    DrawRow(memory, i, band);
  }
  SelectObject(memory, oldFont);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void CLayerScrollWnd::DrawThumbnail(HDC dc, Row& row, const RECT& zone, bool mask) {
  CLayersManager* stack = doc_ != nullptr ? doc_->Image().GetLayers() : nullptr;
  if (stack == nullptr) return;
  OwnedBitmap& held = mask ? row.mask : row.image;
  if (!held) {
    const RECT box{0, 0, RectWidth(zone), RectHeight(zone)};
    held = mask ? CreateMaskThumbnail(*stack, box, row.layer) : CreateThumbnail(*stack, box, row.layer);
  }
  if (!held) return;
  const SIZE size = BitmapSize(held.get());
  const RECT at = Centred(zone, size.cx, size.cy);
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, held.get());
  BitBlt(dc, at.left, at.top, size.cx, size.cy, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void CLayerScrollWnd::DrawRow(HDC dc, int index, const RECT& band) {
  Row& row = rows_[static_cast<std::size_t>(index)];
  CLayer* layer = row.layer;
  const RowZones z = ZonesOf(index);
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, band.left, band.top, nullptr);
  const int width = RectWidth(band);
  // The left strip with its three cells.
  RECT strip{0, 0, kRowStrip, rowHeight_};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &strip, EDGE_RAISED, BF_RECT);
  SunkenCell(dc, z.visibility);
  DrawIconAt(dc, layer->IsVisible() ? IDI_ROW_VISIBLE : IDI_ROW_HIDDEN, z.visibility.left + 2, z.visibility.top + 2);
  SunkenCell(dc, z.paintTarget);
  DrawIconAt(dc, row.editMask != 0 ? IDI_ROW_PAINT_MASK : IDI_ROW_PAINT_LAYER, z.paintTarget.left + 2,
             z.paintTarget.top + 2);
  SunkenCell(dc, z.link);
  const CLayer* active = doc_ != nullptr ? doc_->Image().GetActiveLayer() : nullptr;
  if (active != nullptr && active->GetLinkId() != 0 && active->GetLinkId() == layer->GetLinkId())
    DrawIconAt(dc, IDI_ROW_LINKED, z.link.left + 2, z.link.top + 2);
  // The rest: the button face for the current row, white for others.
  RECT rest{kRowStrip, 0, width, rowHeight_};
  FillRect(dc, &rest, index == current_ ? GetSysColorBrush(COLOR_BTNFACE) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, kRowStrip, 0, nullptr);
  LineTo(dc, width, 0);
  MoveToEx(dc, kRowStrip, rowHeight_ - 1, nullptr);
  LineTo(dc, width, rowHeight_ - 1);
  SelectObject(dc, pen);
  if (!RectIsEmpty(z.image)) {
    DrawThumbnail(dc, row, z.image, false);
    if (row.editMask == 0) FrameRed(dc, z.image);
  }
  if (layer->HasMask() && !RectIsEmpty(z.mask)) {
    DrawThumbnail(dc, row, z.mask, true);
    if (row.editMask != 0) FrameRed(dc, z.mask);
    if (!layer->IsMaskEnabled()) {
      HPEN red = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
      HGDIOBJ oldPen = SelectObject(dc, red);
      MoveToEx(dc, z.mask.left + 9, z.mask.top + 9, nullptr);
      LineTo(dc, z.mask.right - 9, z.mask.bottom - 9);
      MoveToEx(dc, z.mask.right - 9, z.mask.top + 9, nullptr);
      LineTo(dc, z.mask.left + 9, z.mask.bottom - 9);
      SelectObject(dc, oldPen);
      DeleteObject(red);
    }
  }
  DrawName(dc, index, z.name);
  if (!RectIsEmpty(z.textMark)) DrawIconAt(dc, IDI_ROW_TEXT, z.textMark.left, z.textMark.top);
  if (!RectIsEmpty(z.positionLock)) DrawIconAt(dc, IDI_ROW_POSITION_LOCK, z.positionLock.left, z.positionLock.top - 3);
  if (!RectIsEmpty(z.transparencyLock))
    DrawIconAt(dc, IDI_ROW_TRANSPARENCY_LOCK, z.transparencyLock.left, z.transparencyLock.top - 3);
  RestoreDC(dc, saved);
}

// The name, cut with an ellipsis where the column is too narrow; the
// current row's on the selection colours, as a list shows its selected
// item (the button face around it is close to white on some schemes).
void CLayerScrollWnd::DrawName(HDC dc, int index, const RECT& zone) {
  const std::wstring name = WideName(LayerAt(index)->GetName());
  constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  if (index == current_ && !name.empty() && !RectIsEmpty(zone)) {
    RECT text = zone;
    DrawTextW(dc, name.c_str(), -1, &text, kFormat | DT_CALCRECT);
    const int height = RectHeight(text);
    RECT mark{zone.left - 2, (rowHeight_ - height) / 2 - 1, std::min(zone.left + RectWidth(text) + 2, zone.right),
              (rowHeight_ + height) / 2 + 1};
    FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  RECT at = zone;
  DrawTextW(dc, name.c_str(), -1, &at, kFormat);
}

// ---- Scrolling

void CLayerScrollWnd::ScrollTo(int position) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int next = std::clamp(position, 0, ScrollLimit(Rows(), rowHeight_, client.bottom));
  if (next == scroll_) return;
  scroll_ = next;
  UpdateScrollRange();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void CLayerScrollWnd::OnScroll(int code) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS | SIF_POS;
  GetScrollInfo(hwnd_, SB_VERT, &info);
  switch (code) {
    case SB_LINEUP: ScrollTo(scroll_ - rowHeight_); break;
    case SB_LINEDOWN: ScrollTo(scroll_ + rowHeight_); break;
    case SB_PAGEUP: ScrollTo(scroll_ - client.bottom); break;
    case SB_PAGEDOWN: ScrollTo(scroll_ + client.bottom); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: ScrollTo(info.nTrackPos); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(ScrollLimit(Rows(), rowHeight_, client.bottom)); break;
    default: break;
  }
}

// ---- Clicks

void CLayerScrollWnd::MakeCurrent(int row) {
  if (doc_ == nullptr || row < 0 || row >= Rows()) return;
  CLayer* layer = LayerAt(row);
  if (row != current_) {
    const int old = current_;
    current_ = row;
    RedrawRow(old);
    RedrawRow(row);
    CLayersManager* stack = doc_->Image().GetLayers();
    if (!layer->IsVisible()) {
      const int index = stack->GetLayerIndex(layer);
      lang::RecordShowLayer(index);
      doc_->Image().ShowLayerAt(index, true);
    }
    // Every row's link mark follows the active layer.
    InvalidateRect(hwnd_, nullptr, FALSE);
    palette_->RefreshControls();
    doc_->Image().SetActiveLayer(layer, false, true);
    ApplyPaintTarget();
  }
}

bool CLayerScrollWnd::ClickZone(int row, RowZone zone) {
  CLayer* layer = LayerAt(row);
  ImageDocument& image = doc_->Image();
  CLayersManager* stack = image.GetLayers();
  const int index = stack->GetLayerIndex(layer);
  CLayer* active = image.GetActiveLayer();
  switch (zone) {
    case kZoneVisibility:
      if (layer->IsVisible()) {
        lang::RecordHideLayer(index);
      } else {
        lang::RecordShowLayer(index);
      }
      image.ShowLayerAt(index, layer->IsVisible() == 0);
      return true;
    case kZonePaintTarget: {
      if (active == nullptr || active != layer || !active->HasMask() || active->IsText()) return false;
      const bool next = active->GetEditMask() == 0;
      lang::RecordEditLayerMask(index, next ? 1 : 0);
      image.EditLayerMask(next);
      rows_[static_cast<std::size_t>(row)].editMask = layer->GetEditMask();
      return true;
    }
    case kZoneLinkOther:
      if (active == nullptr || layer == active) return false;
      if (active->GetLinkId() == 0 || active->GetLinkId() != layer->GetLinkId()) {
        lang::RecordAddLayerLink(stack->GetLayerIndex(active), index);
        image.AddLayerLink(index);
      } else {
        lang::RecordDeleteLayerLink(index);
        image.DeleteLayerLink(index);
      }
      return true;
    case kZoneImage:
    case kZoneMask: {
      if (row != current_ || !layer->HasMask() || layer->IsText()) return false;
      const bool toMask = zone == kZoneMask;
      if ((layer->GetEditMask() != 0) == toMask) return true;
      lang::RecordEditLayerMask(index, toMask ? 1 : 0);
      image.EditLayerMask(toMask);
      rows_[static_cast<std::size_t>(row)].editMask = layer->GetEditMask();
      return true;
    }
    default: return false;
  }
}

void CLayerScrollWnd::OnButtonDown(POINT p, bool right) {
  if (doc_ == nullptr) return;
  SetFocus(hwnd_);
  const int row = RowAtPoint(p.y, scroll_, rowHeight_);
  if (row < 0 || row >= Rows()) return;
  const RECT band = RowBand(row);
  const POINT inRow{p.x - band.left, p.y - band.top};
  const RowZone zone = ZoneAt(ZonesOf(row), inRow, row == current_);
  if (right) {
    MakeCurrent(row);
    POINT screen = p;
    ClientToScreen(hwnd_, &screen);
    ShowRowMenu(row, zone, screen);
    return;
  }
  // The row may go away under the click (a rebuild): hold its layer.
  CLayer* layer = LayerAt(row);
  layer->AddRef();
  if (ClickZone(row, zone)) {
    RedrawRow(RowOf(layer));
    RedrawRow(current_);
    palette_->RefreshControls();
  } else {
    MakeCurrent(row);
    const int now = RowOf(layer);
    if (now >= 0) DragRow(now);
  }
  layer->Release();
}

void CLayerScrollWnd::DragRow(int row) {
  CLayer* layer = LayerAt(row);
  const unsigned format = GetLayerClipboardFormat();
  if (layer == nullptr || format == 0) return;
  // The stream is written only when a target asks for it.
  CLayerDataSource source;
  source.SetLayer(layer);
  // The drag is modal: the source outlives every request made of it.
  fw::OleDataSource* data = fw::OleDataSource::Create(
      [&source](const FORMATETC& f, STGMEDIUM* m) { return source.OnRenderData(&f, m) != FALSE; });
  data->DelayRenderData(static_cast<CLIPFORMAT>(format), TYMED_ISTREAM);
  fw::RunDragDrop(data, DROPEFFECT_COPY | DROPEFFECT_MOVE);
  data->Release();
}

void CLayerScrollWnd::DropAt(POINT listPoint) {
  if (doc_ == nullptr || hwnd_ == nullptr) return;
  POINT screen = listPoint;
  ClientToScreen(hwnd_, &screen);
  HWND under = WindowFromPoint(screen);
  HWND palette = palette_->Handle();
  if (under == GetDlgItem(palette, IDC_LP_NEW)) {
    DuplicateCurrentRow();
  } else if (under == GetDlgItem(palette, IDC_LP_DELETE)) {
    DeleteCurrentRow();
  } else if (under == hwnd_) {
    DropCurrentRowAt(std::max(0, RowAtPoint(listPoint.y, scroll_, rowHeight_)));
    return;
  } else {
    return;
  }
  palette_->RefreshControls();
  if (doc_ != nullptr) doc_->Image().SetModifiedFlag(true);
}

// ---- The list's drop target

DWORD CDropTargetLayerPalette::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  feedback_ = list->RowBand(list->Current());
  last_ = client;
  const bool accepted = CLuDropTarget::OnDragEnter(data, keyState, client) != DROPEFFECT_NONE;
  return accepted ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

DWORD CDropTargetLayerPalette::OnDragOver(IDataObject* data, DWORD keyState, POINT client) {
  if (!accepted_) return DROPEFFECT_NONE;
  const RECT current = list->RowBand(list->Current());
  if (!PtInRect(&current, client) && !(shown_ && client.x == last_.x && client.y == last_.y)) {
    // Away from its own row the rectangle is centred on the pointer.
    EraseFeedback();
    const int w = current.right - current.left, h = current.bottom - current.top;
    feedback_ = RECT{client.x - w / 2, client.y - h / 2, client.x - w / 2 + w, client.y - h / 2 + h};
    last_ = client;
    DrawFeedback();
    shown_ = true;
    return DROPEFFECT_MOVE;
  }
  return CLuDropTarget::OnDragOver(data, keyState, client) != DROPEFFECT_NONE ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

bool CDropTargetLayerPalette::OnDrop(IDataObject*, DWORD, POINT client) {
  EraseFeedback();
  list->DropAt(client);
  return true;
}

void CLayerScrollWnd::ShowRowMenu(int row, RowZone zone, POINT screen) {
  HMENU menus = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LAYER_ROW_MENUS));
  if (menus == nullptr) return;
  const CLayer* layer = LayerAt(row);
  int which = 1;
  if (zone == kZoneImage) which = 2;
  if (zone == kZoneMask && layer != nullptr && layer->HasMask()) which = 4;
  HMENU popup = GetSubMenu(menus, which);
  palette_->UpdateMenu(popup);
  const UINT id = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                                 palette_->Handle(), nullptr);
  DestroyMenu(menus);
  if (id != 0) fw::SendCommand(palette_->Handle(), id);
}

void CLayerScrollWnd::OnDoubleClick(POINT p) {
  if (doc_ == nullptr) return;
  const int row = RowAtPoint(p.y, scroll_, rowHeight_);
  if (row < 0 || row >= Rows()) return;
  const RECT band = RowBand(row);
  const RowZone zone = ZoneAt(ZonesOf(row), POINT{p.x - band.left, p.y - band.top}, row == current_);
  if (zone == kZoneMask) return;
  const CLayer* layer = LayerAt(row);
  if (zone != kZoneImage && layer->IsText() && fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr) {
    fw::SendCommand(fw::TheApp()->MainWindow()->Handle(), ID_TEXT_EDIT_LAYER);
    return;
  }
  fw::SendCommand(palette_->Handle(), ID_LAYER_OPTIONS);
}

// ---- Drops and the buttons

void CLayerScrollWnd::DropCurrentRowAt(int targetRow) {
  if (doc_ == nullptr) return;
  const RowDrop drop = DropRow(targetRow, current_, Rows());
  if (!drop.move) return;
  CLayer* moved = CurrentLayer();
  CLayer* reference = drop.referenceRow >= 0 ? LayerAt(drop.referenceRow) : nullptr;
  // The operation rebuilds the rows; the current row follows its layer.
  doc_->Image().MoveLayerAbove(moved, reference);
  palette_->RefreshControls();
}

void CLayerScrollWnd::DuplicateCurrentRow() {
  CLayer* layer = CurrentLayer();
  if (doc_ == nullptr || layer == nullptr) return;
  CLayersManager* stack = doc_->Image().GetLayers();
  lang::RecordDuplicateLayer(doc_->GetTitle(), stack->MakeUniqueLayerName(layer->GetName(), 1, nullptr), 0);
  doc_->Image().CopyLayer(layer);
  palette_->RefreshControls();
}

void CLayerScrollWnd::DeleteCurrentRow() {
  CLayer* layer = CurrentLayer();
  if (doc_ == nullptr || layer == nullptr || Rows() < 2) return;
  lang::RecordDeleteLayer();
  doc_->Image().DeleteLayer(layer, true, false);
  palette_->RefreshControls();
}

void CLayerScrollWnd::ApplyPaintTarget() {
  if (doc_ == nullptr || current_ < 0) return;
  if (rows_[static_cast<std::size_t>(current_)].editMask != 0) {
    doc_->Image().EnterMaskEditMode(true);
  } else {
    doc_->Image().LeaveMaskEditMode(true);
  }
}

LRESULT CLayerScrollWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      if (TraceEnabled()) TraceMark("layer palette painted");
      return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_SIZE: UpdateScrollRange(); InvalidateRect(hwnd_, nullptr, FALSE); return 0;
    case WM_VSCROLL: OnScroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: ScrollTo(scroll_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * rowHeight_); return 0;
    case WM_LBUTTONDOWN: OnButtonDown(p, false); return 0;
    case WM_RBUTTONDOWN: OnButtonDown(p, true); return 0;
    case WM_LBUTTONDBLCLK: OnDoubleClick(p); return 0;
    case WM_MOUSEMOVE: MoveTip(p); return 0;
    // The tips ask in UTF-16: a name keeps every character.
    case WM_NOTIFYFORMAT: return NFR_UNICODE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom != tips_) return fw::Window::WindowProc(message, wParam, lParam);
      // Both the narrow and the wide request get the text.
      static std::string text;
      POINT at{};
      GetCursorPos(&at);
      ScreenToClient(hwnd_, &at);
      text = TipTextAt(at);
      if (header->code == TTN_GETDISPINFOA) {
        static std::string narrow;
        narrow = NarrowPath(WideName(text));
        reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = const_cast<char*>(narrow.c_str());
        return 0;
      }
      if (header->code == TTN_GETDISPINFOW) {
        static std::wstring wide;
        wide = WideName(text);
        reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = wide.data();
        return 0;
      }
      return fw::Window::WindowProc(message, wParam, lParam);
    }
    case WM_DESTROY:
      dropTarget_.Revoke();
      if (tips_ != nullptr) ::DestroyWindow(tips_);
      tips_ = nullptr;
      return fw::Window::WindowProc(message, wParam, lParam);
    default: return fw::Window::WindowProc(message, wParam, lParam);
  }
}

}  // namespace lumora
