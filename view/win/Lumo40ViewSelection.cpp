// The view's selection commands: Deselect and Invert (menu, keys and the
// selection bar's buttons), and the selection's marching ants.
#include <windows.h>

#include <cstdint>
#include <algorithm>
#include <vector>

#include "document/DocumentServices.h"
#include "framework/CmdUI.h"
#include "document/win/Lumo40Doc.h"
#include "engine/pixels/AppValues.h"
#include "hostapi/fragment.h"
#include "res/resource.h"
#include "framework/win/App.h"
#include "select/ModifySelection.h"
#include "select/win/ModifySelectionDlg.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

// The host's selection of a view's window, null when none.
Fragment* HostSelectionOf(HWND window) { return LUGetImageFrg(GetToolHostSite(), window, 0, 0); }

}  // namespace

void CLumo40View::OnDeleteSelection() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_DESELECT)) return;
  if (CLumo40Doc* doc = GetDoc(); doc != nullptr && doc->Image().GetSelection() != nullptr) {
    doc->Image().SetSelection(nullptr, true);
    LUUpdateGSelection(GetToolHostSite());
  }
}

void CLumo40View::OnInvertSelection() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_INVERT)) return;
  CLumo40Doc* doc = GetDoc();
  Fragment* host = HostSelectionOf(hwnd_);
  if (doc == nullptr || host == nullptr) {
    if (host != nullptr) DeleteFragment(host);
    return;
  }
  Fragment* copy = CreateFragmentIndirect(host);
  if (copy != nullptr) {
    SetFrgInversion(copy, IsFrgInverted(host) ? 0 : 1);
    doc->Image().SetSelection(copy, true);
    DeleteFragment(copy);
  }
  DeleteFragment(host);
  LUUpdateGSelection(GetToolHostSite());
}

// Border, Smooth, Expand and Contract: the amount from the dialog, the
// selection's mask filtered, the result the new selection as one step.
void CLumo40View::OnModifySelection(std::uint32_t id) {
  const ModifyOperation* operation = ModifyOperationOf(id);
  CLumo40Doc* doc = GetDoc();
  if (operation == nullptr || doc == nullptr) return;
  CModifySelection dialog(*operation, fw::TheApp()->Settings(), this);
  if (dialog.DoModal() != IDOK) return;
  Fragment* selection = doc->Image().GetSelection();
  if (selection == nullptr) return;
  int mode = kModifyBorder;
  const bool inverted = IsFrgInverted(selection) != 0;
  if (id == ID_MODIFY_SMOOTH) mode = kModifySmooth;
  if (id == ID_MODIFY_EXPAND) mode = inverted ? kModifyShrink : kModifyGrow;
  if (id == ID_MODIFY_CONTRACT) mode = inverted ? kModifyGrow : kModifyShrink;
  Fragment* modified = ModifySelectionMask(selection, dialog.Value(), mode);
  if (modified == nullptr) return;
  doc->Image().SetSelection(modified, true);
  DeleteFragment(modified);
  LUUpdateGSelection(GetToolHostSite());
}

void CLumo40View::OnUpdateModifySelection(fw::CmdUI& ui) {
  CLumo40Doc* doc = GetDoc();
  Fragment* selection = doc != nullptr ? doc->Image().GetSelection() : nullptr;
  const int type = GetFragmentType(selection);
  ui.Enable(FilterCommandEnable(ui.Id(), selection != nullptr && type >= 0 && type != kFrgEmpty));
}

void CLumo40View::OnUpdateDeleteSelection(fw::CmdUI& ui) {
  Fragment* host = HostSelectionOf(hwnd_);
  ui.Enable(FilterCommandEnable(ui.Id(), host != nullptr));
  if (host != nullptr) DeleteFragment(host);
}

void CLumo40View::OnUpdateInvertSelection(fw::CmdUI& ui) {
  Fragment* host = HostSelectionOf(hwnd_);
  ui.Enable(FilterCommandEnable(ui.Id(), host != nullptr && GetFragmentType(host) != kFrgEmpty));
  if (host != nullptr) DeleteFragment(host);
}

}  // namespace lumora

// ---- The marching ants

namespace lumora {

namespace {

std::vector<CLumo40View*>& AntViews() {
  static std::vector<CLumo40View*> views;
  return views;
}

HRGN RegionOf(const std::vector<RECT>& rects) {
  if (rects.empty()) return CreateRectRgn(0, 0, 0, 0);
  std::vector<std::uint8_t> block(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  RECT bound = rects.front();
  for (const RECT& r : rects) {
    bound.left = std::min(bound.left, r.left);
    bound.top = std::min(bound.top, r.top);
    bound.right = std::max(bound.right, r.right);
    bound.bottom = std::max(bound.bottom, r.bottom);
  }
  data->rdh.rcBound = bound;
  std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data);
}

}  // namespace

WindowSampling CLumo40View::AntsSampling() const {
  WindowSampling s;
  RECT client{};
  if (hwnd_ == nullptr || drawContext_ == nullptr) return s;
  GetClientRect(hwnd_, &client);
  const VRXFORM mapping = Mapping();
  const int w = imageInfo_.width, h = imageInfo_.height;
  for (int u = -1; u <= client.right; ++u) {
    POINT p{u, 0};
    mapping.XForm(&p, kXFPixels);
    s.columns.push_back(p.x >= 0 && p.x < w ? p.x : -1);
  }
  for (int v = -1; v <= client.bottom; ++v) {
    POINT p{0, v};
    mapping.XForm(&p, kXFPixels);
    s.rows.push_back(p.y >= 0 && p.y < h ? p.y : -1);
  }
  return s;
}

void CLumo40View::FreeAntsRegions() {
  if (antsDc_ != nullptr) {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) ReleaseDC(hwnd_, antsDc_);
    antsDc_ = nullptr;
  }
  for (HRGN& r : antsRegions_) {
    if (r != nullptr) DeleteObject(r);
    r = nullptr;
  }
}

HRGN CLumo40View::AntsRegion() {
  HRGN& r = antsRegions_[0];
  if (r == nullptr) r = RegionOf(antsEdge_.AllRunsBanded());
  return r;
}

namespace {

// The dashes as an 8 x 8 brush: black where (x + y) mod 8 < 4, white
// elsewhere; its origin moves them by the phase, so each tick is one fill
// of the edge's region.
HBRUSH AntsBrush() {
  static HBRUSH brush = [] {
    struct {
      BITMAPINFOHEADER header;
      std::uint32_t bits[64];
    } dib{};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = 8;
    dib.header.biHeight = 8;  // bottom-up: memory row r is y = 7 - r
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 32;
    dib.header.biCompression = BI_RGB;
    for (int r = 0; r < 8; ++r) {
      for (int x = 0; x < 8; ++x) {
        dib.bits[r * 8 + x] = SelectionEdge::IsBlack(POINT{x, 7 - r}, 0) ? 0x000000u : 0xFFFFFFu;
      }
    }
    return CreateDIBPatternBrushPt(&dib, DIB_RGB_COLORS);
  }();
  return brush;
}

}  // namespace

void CLumo40View::ForgetAnts() {
  FreeAntsRegions();
  antsEdge_.Clear();
  antsSampling_ = WindowSampling{};
  antsCoverage_ = SelectionCoverage{};
  antsCoverageDirty_ = true;
  antsFragment_ = nullptr;
  std::erase(AntViews(), this);
}

void CLumo40View::RefreshAnts() {
  CLumo40Doc* doc = GetDoc();
  if (!ready_ || hwnd_ == nullptr || drawContext_ == nullptr || doc == nullptr) return;
  if (std::find(AntViews().begin(), AntViews().end(), this) == AntViews().end()) AntViews().push_back(this);
  bool rebuild = false;
  // A selection replaced without a notice (no undo step) is caught here.
  const Fragment* selection = doc->Image().GetSelection();
  if (antsCoverageDirty_ || selection != antsFragment_ || antsCoverage_.width != imageInfo_.width ||
      antsCoverage_.height != imageInfo_.height) {
    antsFragment_ = selection;
    SelectionCoverageOf(selection, imageInfo_.width, imageInfo_.height, &antsCoverage_);
    antsCoverageDirty_ = false;
    rebuild = true;
  }
  WindowSampling sampling = AntsSampling();
  if (!(sampling == antsSampling_)) {
    antsSampling_ = std::move(sampling);
    rebuild = true;
  }
  if (!rebuild) return;
  // Where the ants were is painted from the image again, where they go too.
  if (!antsEdge_.Empty()) {
    HRGN old = RegionOf(antsEdge_.AllRuns());
    InvalidateRgn(hwnd_, old, FALSE);
    DeleteObject(old);
  }
  FreeAntsRegions();
  antsEdge_.Build(antsCoverage_, antsSampling_);
  if (!antsEdge_.Empty()) {
    HRGN now = RegionOf(antsEdge_.AllRuns());
    InvalidateRgn(hwnd_, now, FALSE);
    DeleteObject(now);
  }
}

void CLumo40View::DrawAnts(HDC dc) {
  // None while a transform's frame is over the view.
  if (antsEdge_.Empty() || IsTransformActive()) return;
  // The brush at device x shows its column (x - origin) mod 8: an origin of
  // -phase shows the dash of x + y + phase.
  POINT old{};
  SetBrushOrgEx(dc, (8 - (antsPhase_ & 7)) & 7, 0, &old);
  FillRgn(dc, AntsRegion(), AntsBrush());
  SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

void CLumo40View::StepAnts() {
  if (hwnd_ == nullptr || antsEdge_.Empty() || !IsWindowVisible(hwnd_) || FrameIconic()) return;
  antsPhase_ = (antsPhase_ + 7) & 7;
  if (IsTransformActive()) return;
  // The same pixels as DrawAnts at a fraction of the cost: a region fill
  // copies and clips the edge's ten thousand rects at every tick, while a
  // DC kept with the edge as its clip needs one pattern blit over the
  // edge's bounds. (The window system keeps a held DC's visible part
  // current; the DC goes with the edge.)
  if (antsDc_ == nullptr) {
    HRGN edge = AntsRegion();
    if (GetRgnBox(edge, &antsBounds_) == 0) return;
    antsDc_ = GetDC(hwnd_);
    if (antsDc_ == nullptr) return;
    if (SelectClipRgn(antsDc_, edge) == ERROR) {
      ReleaseDC(hwnd_, antsDc_);
      antsDc_ = nullptr;
      return;
    }
    SelectObject(antsDc_, AntsBrush());
  }
  SetBrushOrgEx(antsDc_, (8 - (antsPhase_ & 7)) & 7, 0, nullptr);
  PatBlt(antsDc_, antsBounds_.left, antsBounds_.top, antsBounds_.right - antsBounds_.left,
         antsBounds_.bottom - antsBounds_.top, PATCOPY);
}

void CLumo40View::StepAllAnts() {
  const std::vector<CLumo40View*> views = AntViews();
  for (CLumo40View* view : views) view->StepAnts();
}

}  // namespace lumora
