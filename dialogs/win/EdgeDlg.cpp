// The edges dialog: tab pages from menu 141, a grid of thumbnails, the
// lighting, and the "OPTIONS" settings.
#include "dialogs/win/EdgeDlg.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/pixels/Dib.h"
#include "engine/pixels/WAccess.h"
#include "framework/Profile.h"
#include "framework/win/App.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kCellWidth = 120;
constexpr int kCellHeight = 90;
constexpr int kTabHeight = 30;
constexpr UINT kTemplateMenu = 141;
constexpr char kSection[] = "OPTIONS";
constexpr const char* kLightings[kEdgeLightingCount] = {"None", "Top left", "Top right", "Bottom left",
                                                        "Bottom right"};

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

Picture24 PictureOfDib(const std::vector<std::uint8_t>& dib) {
  Picture24 out;
  const WAPtr image = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 1));
  if (!image) return out;
  out.width = image->GetW();
  out.height = image->GetH();
  out.bgr.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  for (int y = 0; y < out.height; ++y)
    std::copy_n(image->Row(y), static_cast<std::size_t>(out.width) * 3, out.Pixel(0, y));
  return out;
}

}  // namespace

EdgeTemplate LoadEdgeTemplate(std::uint32_t id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = loaded != nullptr ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  return ReadEdgeTemplateDib(bytes, SizeofResource(module, found));
}

bool IsCatalogueEdgeTemplate(std::uint32_t id) {
  HMENU catalogue = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTemplateMenu));
  bool found = false;
  for (int page = 0; catalogue != nullptr && !found && page < GetMenuItemCount(catalogue); ++page) {
    HMENU sub = GetSubMenu(catalogue, page);
    for (int i = 0; sub != nullptr && !found && i < GetMenuItemCount(sub); ++i) found = GetMenuItemID(sub, i) == id;
  }
  if (catalogue != nullptr) DestroyMenu(catalogue);
  return found;
}

CEdgeDlg::CEdgeDlg(std::vector<std::uint8_t> previewDib, std::uint32_t edgeColor)
    : CMyModalDlg(IDD_EDGES), previewDib_(std::move(previewDib)), edgeColor_(edgeColor) {}

CEdgeDlg::~CEdgeDlg() {
  if (font_ != nullptr) DeleteObject(font_);
}

bool CEdgeDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  fw::Profile* settings = Settings();
  auto get = [&](const char* key) { return settings != nullptr ? settings->GetInt(kSection, key, 0) : 0; };
  preview_ = PictureOfDib(previewDib_);
  HDC dc = GetDC(hwnd_);
  font_ = CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                      0, 0, "MS Sans Serif");
  ReleaseDC(hwnd_, dc);
  // The tab strip sits over the hidden frame, which gives the item area.
  HWND frame = GetDlgItem(hwnd_, IDC_EDGE_AREA);
  GetWindowRect(frame, &area_);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area_), 2);
  tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, area_.left,
                          area_.top, area_.right - area_.left, kTabHeight, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EDGE_TABS)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  area_.top += kTabHeight + 3;
  HMENU catalogue = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTemplateMenu));
  for (int i = 0; catalogue != nullptr && i < GetMenuItemCount(catalogue); ++i) {
    char text[64] = {};
    GetMenuStringA(catalogue, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    SendMessageA(tabs_, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  if (catalogue != nullptr) DestroyMenu(catalogue);
  for (const char* text : kLightings)
    SendDlgItemMessageA(hwnd_, IDC_EDGE_LIGHTING, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  lighting_ = std::clamp(get("SHADOW"), 0, kEdgeLightingCount - 1);
  SendDlgItemMessageA(hwnd_, IDC_EDGE_LIGHTING, CB_SETCURSEL, static_cast<WPARAM>(lighting_), 0);
  const int pages = static_cast<int>(SendMessageA(tabs_, TCM_GETITEMCOUNT, 0, 0));
  page_ = std::clamp(get("PAGE"), 0, std::max(0, pages - 1));
  SendMessageA(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(page_), 0);
  selected_ = get("CURSEL");
  first_ = std::max(0, get("FIRSTROW"));
  BuildPage(page_, false);
  return true;
}

void CEdgeDlg::Geometry(int* columns, int* rows, int* cellW, int* cellH) const {
  const int w = area_.right - area_.left, h = area_.bottom - area_.top;
  *columns = std::max(1, w / kCellWidth);
  *rows = std::max(1, h / kCellHeight);
  *cellW = w / *columns;
  *cellH = h / *rows;
}

RECT CEdgeDlg::CellOf(int index) const {
  int columns, rows, cellW, cellH;
  Geometry(&columns, &rows, &cellW, &cellH);
  const int i = index - first_;
  const int left = area_.left + (i % columns) * cellW, top = area_.top + (i / columns) * cellH;
  return RECT{left, top, left + kCellWidth, top + kCellHeight};
}

int CEdgeDlg::HitTest(POINT p) const {
  int columns, rows, cellW, cellH;
  Geometry(&columns, &rows, &cellW, &cellH);
  for (int i = 0; i < columns * rows && first_ + i < static_cast<int>(items_.size()); ++i) {
    const RECT cell = CellOf(first_ + i);
    if (PtInRect(&cell, p)) return first_ + i;
  }
  return -1;
}

void CEdgeDlg::BuildPage(int page, bool reset) {
  items_.clear();
  HMENU catalogue = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTemplateMenu));
  HMENU sub = catalogue != nullptr ? GetSubMenu(catalogue, page) : nullptr;
  for (int i = 0; sub != nullptr && i < GetMenuItemCount(sub); ++i) {
    char text[64] = {};
    GetMenuStringA(sub, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items_.push_back(Item{GetMenuItemID(sub, i), text, {}});
  }
  if (catalogue != nullptr) DestroyMenu(catalogue);
  page_ = page;
  if (reset) selected_ = first_ = 0;
  if (selected_ >= static_cast<int>(items_.size())) selected_ = -1;
  if (first_ >= static_cast<int>(items_.size())) first_ = 0;
  UpdateButtons();
  InvalidateRect(hwnd_, &area_, TRUE);
}

void CEdgeDlg::UpdateButtons() {
  int columns, rows, cellW, cellH;
  Geometry(&columns, &rows, &cellW, &cellH);
  ShowWindow(GetDlgItem(hwnd_, IDC_EDGE_PREVIOUS), first_ >= 1 ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(hwnd_, IDC_EDGE_NEXT),
             rows * columns < static_cast<int>(items_.size()) - first_ ? SW_SHOW : SW_HIDE);
  // OK needs a template: nothing is chosen after a click beside every cell.
  EnableWindow(GetDlgItem(hwnd_, IDOK), selected_ >= 0 ? TRUE : FALSE);
}

void CEdgeDlg::Select(int index) {
  if (selected_ >= 0) {
    RECT old = CellOf(selected_);
    InflateRect(&old, 5, 5);
    InvalidateRect(hwnd_, &old, TRUE);
  }
  selected_ = index;
  if (selected_ >= 0) {
    RECT now = CellOf(selected_);
    InflateRect(&now, 5, 5);
    InvalidateRect(hwnd_, &now, TRUE);
  }
  UpdateButtons();
}

void CEdgeDlg::RebuildThumbnails() {
  for (Item& item : items_) item.thumbnail = Picture24{};
  InvalidateRect(hwnd_, &area_, TRUE);
}

void CEdgeDlg::Paint(HDC dc) {
  int columns, rows, cellW, cellH;
  Geometry(&columns, &rows, &cellW, &cellH);
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SIZE textSize{};
  GetTextExtentPoint32A(dc, "Ag", 2, &textSize);
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < columns * rows && first_ + i < static_cast<int>(items_.size()); ++i) {
    Item& item = items_[static_cast<std::size_t>(first_ + i)];
    RECT cell = CellOf(first_ + i);
    InflateRect(&cell, -3, -3);
    const int boxW = cell.right - cell.left, boxH = cell.bottom - cell.top - textSize.cy;
    if (item.thumbnail.Empty() && !preview_.Empty()) {
      // Fitted to the picture's proportions: the smaller side wins.
      const bool wide = static_cast<long long>(preview_.width) * boxH >= static_cast<long long>(preview_.height) * boxW;
      const int w = wide ? boxW : std::max(1, preview_.width * boxH / preview_.height);
      const int h = wide ? std::max(1, preview_.height * boxW / preview_.width) : boxH;
      item.thumbnail = EdgeThumbnail(ScalePicture(preview_, w, h), LoadEdgeTemplate(item.id), edgeColor_, lighting_);
    }
    const Picture24& t = item.thumbnail;
    if (!t.Empty()) {
      const int stride = (t.width * 3 + 3) & ~3;
      std::vector<std::uint8_t> rows24(static_cast<std::size_t>(stride) * t.height);
      for (int y = 0; y < t.height; ++y)
        std::copy_n(t.Pixel(0, y), static_cast<std::size_t>(t.width) * 3, &rows24[static_cast<std::size_t>(y) * stride]);
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), t.width, t.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
      SetDIBitsToDevice(dc, cell.left + (boxW - t.width) / 2, cell.top, static_cast<DWORD>(t.width),
                        static_cast<DWORD>(t.height), 0, 0, 0, static_cast<UINT>(t.height), rows24.data(), &info,
                        DIB_RGB_COLORS);
    }
    SetTextColor(dc, first_ + i == selected_ ? RGB(255, 0, 0) : RGB(0, 0, 0));
    DrawTextA(dc, item.name.c_str(), -1, &cell, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    RECT around = cell;
    InflateRect(&around, 3, 3);
    DrawEdge(dc, &around, first_ + i == selected_ ? BDR_RAISEDINNER : BDR_RAISEDOUTER, BF_RECT);
  }
  SelectObject(dc, oldFont);
}

void CEdgeDlg::OnOK() {
  if (selected_ < 0 || selected_ >= static_cast<int>(items_.size())) return;
  result_ = items_[static_cast<std::size_t>(selected_)].id;
  if (fw::Profile* settings = Settings()) {
    settings->WriteInt(kSection, "CURSEL", selected_);
    settings->WriteInt(kSection, "FIRSTROW", first_);
    settings->WriteInt(kSection, "PAGE", page_);
    settings->WriteInt(kSection, "SHADOW", lighting_);
  }
  EndDialog(IDOK);
}

bool CEdgeDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      *result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN:
      Select(HitTest(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}));
      return true;
    case WM_LBUTTONDBLCLK: {
      const int hit = HitTest(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      if (hit < 0) return true;
      // A double click takes the template without storing the settings.
      result_ = items_[static_cast<std::size_t>(hit)].id;
      EndDialog(IDOK);
      return true;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
        BuildPage(static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)), true);
        return true;
      }
      break;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDC_EDGE_LIGHTING && code == CBN_SELCHANGE) {
        lighting_ = std::max(0, static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_EDGE_LIGHTING, CB_GETCURSEL, 0, 0)));
        RebuildThumbnails();
        return true;
      }
      if ((id == IDC_EDGE_NEXT || id == IDC_EDGE_PREVIOUS) && code == BN_CLICKED) {
        int columns, rows, cellW, cellH;
        Geometry(&columns, &rows, &cellW, &cellH);
        first_ = std::max(0, first_ + (id == IDC_EDGE_NEXT ? 1 : -1) * rows * columns);
        UpdateButtons();
        InvalidateRect(hwnd_, &area_, TRUE);
        return true;
      }
      break;
    }
    default:
      break;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
