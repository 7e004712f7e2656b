// The child frame's rulers: layout around the view, the two strip bitmaps
// drawn from the portable painters, painting, and the cursor markers.
#include <windows.h>

#include <algorithm>

#include "platform/rect.h"
#include "res/resource.h"
#include "view/Rulers.h"
#include "view/win/ChildFrame.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr int kThickness = kRulerThickness;
constexpr COLORREF kOutsideGrey = RGB(150, 150, 150);
// The label font: Arial at (12 x 70 + 6) / 12 tenths of a point.
constexpr int kLabelFontTenths = (12 * 70 + 6) / 12;

}  // namespace

FW_IMPLEMENT_DYNCREATE(CVarnoChildFrm, fw::MdiChild)
FW_MESSAGE_MAP(CVarnoChildFrm, fw::MdiChild, fw::WindowMessageEntry<&CVarnoChildFrm::OnRulerCreate>(WM_CREATE),
               fw::WindowMessageEntry<&CVarnoChildFrm::OnRulerPaint>(WM_PAINT),
               fw::WindowMessageEntry<&CVarnoChildFrm::OnRulerPrintClient>(WM_PRINTCLIENT),
               fw::WindowMessageEntry<&CVarnoChildFrm::OnRulerSize>(WM_SIZE))

CVarnoChildFrm::CVarnoChildFrm() {
  HDC screen = GetDC(nullptr);
  const int dpiX = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpiY = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  resolution_ = static_cast<std::uint32_t>(dpiX & 0xFFFF) | (static_cast<std::uint32_t>(dpiY & 0xFFFF) << 16);
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(kLabelFontTenths, dpiY, 720);
  lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
  font_ = CreateFontIndirectA(&lf);
  if (screen != nullptr) {
    HGDIOBJ old = SelectObject(screen, font_);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(screen, &tm)) textHeight_ = tm.tmHeight;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
  }
  patternBitmap_ = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_RULER_PATTERN));
  if (patternBitmap_ != nullptr) patternBrush_ = CreatePatternBrush(patternBitmap_);
}

CVarnoChildFrm::~CVarnoChildFrm() {
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(top_), static_cast<HGDIOBJ>(left_), static_cast<HGDIOBJ>(patternBrush_),
                    static_cast<HGDIOBJ>(patternBitmap_), static_cast<HGDIOBJ>(font_)}) {
    if (o != nullptr) DeleteObject(o);
  }
}

fw::View* CVarnoChildFrm::GetRulerView() const {
  for (HWND h = GetWindow(hwnd_, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (auto* view = dynamic_cast<fw::View*>(fw::Window::FromHandle(h))) return view;
  }
  return nullptr;
}

LRESULT CVarnoChildFrm::OnRulerCreate(WPARAM wParam, LPARAM lParam) {
  // The display's resolution until the view gives the image's.
  HDC screen = GetDC(hwnd_);
  if (screen != nullptr) {
    resolution_ = static_cast<std::uint32_t>(GetDeviceCaps(screen, LOGPIXELSX) & 0xFFFF) |
                  (static_cast<std::uint32_t>(GetDeviceCaps(screen, LOGPIXELSY) & 0xFFFF) << 16);
    ReleaseDC(hwnd_, screen);
  }
  return OnCreateMessage(wParam, lParam);
}

void CVarnoChildFrm::ShowRulers(bool show) {
  if (show == rulersShown_) return;
  rulersShown_ = show;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  const int delta = show ? kThickness : -kThickness;
  SetWindowPos(hwnd_, nullptr, 0, 0, RectWidth(window) + delta, RectHeight(window) + delta,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RecalcLayout();
  RebuildBitmaps();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool CVarnoChildFrm::ConfigureRulers(int width, int height, std::uint32_t resolution, int units, double zoom,
                                     int scrollX, int scrollY) {
  if (width == 0 || height == 0 || resolution == 0 || !(zoom != 0)) return false;
  imageWidth_ = width;
  imageHeight_ = height;
  resolution_ = resolution;
  units_ = units;
  zoomX_ = zoomY_ = zoom;
  scroll_ = POINT{scrollX, scrollY};
  return true;
}

void CVarnoChildFrm::SetRulerZoom(double zoomX, double zoomY) {
  if (zoomX > 0) zoomX_ = zoomX;
  if (zoomY > 0) zoomY_ = zoomY;
}

void CVarnoChildFrm::SetRulerScroll(int x, int y) { scroll_ = POINT{x, y}; }

void CVarnoChildFrm::SetRulerOrigin(int x, int y, bool redraw) {
  origin_ = POINT{x, y};
  if (redraw) UpdateRulers();
}

void CVarnoChildFrm::UpdateRulers() {
  if (!rulersShown_ || hwnd_ == nullptr) return;
  RebuildBitmaps();
  RECT client{};
  GetClientRect(hwnd_, &client);
  const RECT topStrip{0, 0, client.right, kThickness}, leftStrip{0, kThickness, kThickness, client.bottom};
  InvalidateRect(hwnd_, &topStrip, TRUE);
  InvalidateRect(hwnd_, &leftStrip, TRUE);
}

int CVarnoChildFrm::RulerHitTest(int x, int y) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return lumora::RulerHitTest(x, y, client.right, client.bottom);
}

void CVarnoChildFrm::RecalcLayout() {
  if (hwnd_ == nullptr) return;
  HWND pane = ClientPane();
  if (pane == nullptr) {
    fw::MdiChild::RecalcLayout();
    return;
  }
  RECT area{};
  GetClientRect(hwnd_, &area);
  LayoutBars(area, true);
  if (rulersShown_) {
    area.left += kThickness;
    area.top += kThickness;
  }
  MoveWindow(pane, area.left, area.top, std::max<LONG>(0, area.right - area.left),
             std::max<LONG>(0, area.bottom - area.top), TRUE);
}

LRESULT CVarnoChildFrm::OnRulerSize(WPARAM wParam, LPARAM lParam) {
  const LRESULT r = OnSizeChild(wParam, lParam);
  if (auto* view = dynamic_cast<CLumo40View*>(GetRulerView())) {
    const POINT device = view->GetDeviceScrollPosition();
    scroll_ = device;
  }
  if (rulersShown_) RebuildBitmaps();
  return r;
}

RECT CVarnoChildFrm::ViewClientInFrame() const {
  fw::View* view = GetRulerView();
  RECT r{0, 0, 0, 0};
  if (view == nullptr || view->Handle() == nullptr) return r;
  GetClientRect(view->Handle(), &r);
  MapWindowPoints(view->Handle(), hwnd_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool CVarnoChildFrm::StripPainting(bool vertical, int* viewStart, RulerInput* in) const {
  if (imageWidth_ <= 0 || imageHeight_ <= 0) return false;
  const RECT view = ViewClientInFrame();
  *viewStart = vertical ? view.top : view.left;
  in->unit = units_;
  in->zoom = vertical ? zoomY_ : zoomX_;
  in->dpi = static_cast<int>(vertical ? resolution_ >> 16 : resolution_ & 0xFFFF);
  in->origin = vertical ? origin_.y : origin_.x;
  in->scroll = vertical ? scroll_.y : scroll_.x;
  in->span = vertical ? RectHeight(view) : RectWidth(view);
  in->textHeight = textHeight_;
  return true;
}

void CVarnoChildFrm::RebuildBitmaps() {
  markers_ = POINT{-1, -1};
  if (hwnd_ == nullptr || imageWidth_ <= 0 || imageHeight_ <= 0) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  HDC screen = GetDC(hwnd_);
  if (screen == nullptr) return;
  for (HBITMAP* b : {&top_, &left_}) {
    if (*b != nullptr) DeleteObject(*b);
    *b = nullptr;
  }
  if (client.right > 0) top_ = CreateCompatibleBitmap(screen, client.right, kThickness);
  if (client.bottom > kThickness) left_ = CreateCompatibleBitmap(screen, kThickness, client.bottom - kThickness);
  HDC memory = CreateCompatibleDC(screen);
  for (bool vertical : {false, true}) {
    HBITMAP bitmap = vertical ? left_ : top_;
    if (bitmap == nullptr) continue;
    HGDIOBJ old = SelectObject(memory, bitmap);
    PaintStrip(memory, vertical);
    SelectObject(memory, old);
  }
  DeleteDC(memory);
  ReleaseDC(hwnd_, screen);
}

// One strip: white, grey beside the view's client area, the corner box's
// dotted cross, then the painter's ticks from the inner edge and labels.
void CVarnoChildFrm::PaintStrip(HDC dc, bool vertical) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  // Strip coordinates: along the ruler from the frame's client origin (the
  // left strip's row 0 is client row 15); across from 0 to 15.
  const int length = vertical ? client.bottom - kThickness : client.right;
  const int offset = vertical ? kThickness : 0;
  auto rectAlong = [vertical](int from, int to, int depthFrom, int depthTo) {
    return vertical ? RECT{depthFrom, from, depthTo, to} : RECT{from, depthFrom, to, depthTo};
  };
  const RECT all = rectAlong(0, length, 0, kThickness);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  int viewStart = 0;
  RulerInput in;
  if (!StripPainting(vertical, &viewStart, &in)) return;
  const int start = viewStart - offset;
  HBRUSH grey = CreateSolidBrush(kOutsideGrey);
  const int greyFrom = vertical ? 0 : kThickness;
  if (start > greyFrom) {
    const RECT before = rectAlong(greyFrom, start, 0, kThickness);
    FillRect(dc, &before, grey);
  }
  if (start + in.span < length) {
    const RECT after = rectAlong(start + in.span, length, 0, kThickness);
    FillRect(dc, &after, grey);
  }
  DeleteObject(grey);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  if (!vertical) {
    // The corner box: closed on its right, with its dotted cross.
    MoveToEx(dc, kThickness, 0, nullptr);
    LineTo(dc, kThickness, kThickness);
    const int at = kThickness * 3 / 4 - 1;
    if (patternBrush_ != nullptr) {
      HGDIOBJ oldBrush = SelectObject(dc, patternBrush_);
      PatBlt(dc, at, 2, 1, 11, PATINVERT);
      PatBlt(dc, 2, at, 11, 1, PATINVERT);
      SelectObject(dc, oldBrush);
    }
  } else {
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, kThickness, 0);
  }
  const RulerMarks marks = PaintRuler(in);
  for (const RulerTick& t : marks.ticks) {
    const int at = start + t.pos;
    // From the inner edge's row (or column) inward, `length` pixels.
    if (vertical) {
      MoveToEx(dc, kThickness - 1, at, nullptr);
      LineTo(dc, kThickness - 1 - t.length, at);
    } else {
      MoveToEx(dc, at, kThickness - 1, nullptr);
      LineTo(dc, at, kThickness - 1 - t.length);
    }
  }
  SelectObject(dc, oldPen);
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  // Labels only over the view's client area (the grey stays clear).
  const RECT labelArea = rectAlong(std::max(start, greyFrom), start + in.span, 0, kThickness);
  HRGN clip = CreateRectRgnIndirect(&labelArea);
  SelectClipRgn(dc, clip);
  for (const RulerLabel& l : marks.labels) {
    const int at = start + l.pos + 2;
    if (!vertical) {
      RECT r{at, -1, at + marks.labelWidth, textHeight_ - 1};
      DrawTextA(dc, l.text.c_str(), static_cast<int>(l.text.size()), &r, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
      continue;
    }
    // Down the left ruler: one character a line.
    const int lineHeight = std::max(1, textHeight_ - 2);
    for (std::size_t i = 0; i < l.text.size(); ++i) {
      RECT r{1, at + static_cast<int>(i) * lineHeight - 1, kThickness, at + static_cast<int>(i + 1) * lineHeight + 1};
      DrawTextA(dc, &l.text[i], 1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
    }
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  SelectObject(dc, oldFont);
}

LRESULT CVarnoChildFrm::OnRulerPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  CopyStrips(dc, ps.rcPaint);
  EndPaint(hwnd_, &ps);
  return 0;
}

LRESULT CVarnoChildFrm::OnRulerPrintClient(WPARAM wParam, LPARAM) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const POINT kept = markers_;
  CopyStrips(reinterpret_cast<HDC>(wParam), client);
  markers_ = kept;  // a print does not repaint the screen
  return 0;
}

void CVarnoChildFrm::CopyStrips(HDC dc, const RECT& update) {
  if (rulersShown_) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    HDC memory = CreateCompatibleDC(dc);
    const RECT strips[2] = {{0, 0, client.right, kThickness}, {0, kThickness, kThickness, client.bottom}};
    for (int i = 0; i < 2; ++i) {
      HBITMAP bitmap = i == 0 ? top_ : left_;
      RECT part{};
      if (bitmap == nullptr || !IntersectRect(&part, &strips[i], &update)) continue;
      HGDIOBJ old = SelectObject(memory, bitmap);
      BitBlt(dc, part.left, part.top, RectWidth(part), RectHeight(part), memory, part.left,
             part.top - (i == 0 ? 0 : kThickness), SRCCOPY);
      SelectObject(memory, old);
      // The repainted strip no longer shows its marker.
      (i == 0 ? markers_.x : markers_.y) = -1;
    }
    DeleteDC(memory);
  }
}

void CVarnoChildFrm::InvertMarker(HDC dc, bool vertical, int position) {
  if (position < 0 || patternBrush_ == nullptr) return;
  HGDIOBJ old = SelectObject(dc, patternBrush_);
  if (vertical) {
    PatBlt(dc, 0, position, kThickness, 1, PATINVERT);
  } else {
    PatBlt(dc, position, 0, 1, kThickness, PATINVERT);
  }
  SelectObject(dc, old);
}

void CVarnoChildFrm::TrackRulerMarkers(int x, int y) {
  if (!rulersShown_ || hwnd_ == nullptr) return;
  auto* view = dynamic_cast<CLumo40View*>(GetRulerView());
  if (view == nullptr || !view->HasDrawContext()) return;
  HDC dc = GetDC(hwnd_);
  if (dc == nullptr) return;
  InvertMarker(dc, false, markers_.x);
  InvertMarker(dc, true, markers_.y);
  const RECT client = ViewClientInFrame();
  const RECT shown = view->DisplayedImageRect();
  const POINT device = view->GetDeviceScrollPosition();
  markers_.x = RulerMarkerPosition(x, client.left, RectWidth(client), device.x, RectWidth(shown));
  markers_.y = RulerMarkerPosition(y, client.top, RectHeight(client), device.y, RectHeight(shown));
  InvertMarker(dc, false, markers_.x);
  InvertMarker(dc, true, markers_.y);
  ReleaseDC(hwnd_, dc);
}

}  // namespace lumora
