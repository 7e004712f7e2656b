// The file-type dialog and the program's association target.
#include "app/win/FileTypesDlg.h"

#include "app/win/Lumo40App.h"
#include "framework/DocStrings.h"
#include "hostapi/imgxfer.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

// Item data: a check box, greyed (not changeable here), checked.
constexpr LPARAM kHasBox = 2, kGreyed = 4, kChecked = 1;
constexpr int kCell = 14;

LPARAM ItemFlags(const FileTypeRow& row) {
  return kHasBox | (row.greyed ? kGreyed : 0) | (row.checked ? kChecked : 0);
}

// The check box of an item: 2 pixels in from the left, 1 down, a square of
// the item's height less one.
RECT CheckBoxOf(const RECT& item) {
  const LONG side = item.bottom - item.top - 1;
  return RECT{item.left + 2, item.top + 1, item.left + 2 + side, item.top + 1 + side};
}

}  // namespace

AssociationTarget ProgramAssociationTarget() {
  const std::string docString(res::String(IDR_IMAGE_DOC));
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return AssociationTarget{fw::DocStringPart(docString, fw::DocStringIndex::kRegFileTypeId),
                           fw::DocStringPart(docString, fw::DocStringIndex::kRegFileTypeName), program};
}

std::vector<std::string> ProgramOwnExtensions() {
  return {ExtensionOfPattern(std::string(res::String(IDS_LUD_PATTERN))),
          ExtensionOfPattern(std::string(res::String(IDS_PSD_PATTERN)))};
}

std::vector<std::string> ProgramAssociableExtensions() {
  const int size = ImExp_FillReadFormatsInfo(nullptr, 0);
  std::vector<char> list(static_cast<std::size_t>(size > 0 ? size : 0) + 2, '\0');
  if (size > 0) ImExp_FillReadFormatsInfo(list.data(), size);
  return AssociableExtensions({std::string(res::String(IDS_LUD_PATTERN)), std::string(res::String(IDS_PSD_PATTERN))},
                              list.data(), size);
}

CFileTypesDlg::CFileTypesDlg(fw::Profile& settings, ClassesRegistry& registry, AssociationTarget target,
                             std::vector<std::string> associable, std::vector<std::string> greyed, fw::Window* parent)
    : fw::Dialog(IDD_FILE_TYPES, parent),
      settings_(settings),
      registry_(registry),
      target_(std::move(target)),
      associable_(std::move(associable)),
      greyed_(std::move(greyed)) {}

CFileTypesDlg::~CFileTypesDlg() {
  if (checks_ != nullptr) DeleteObject(checks_);
}

HWND CFileTypesDlg::List() const { return GetDlgItem(hwnd_, IDC_FT_LIST); }

bool CFileTypesDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  checks_ = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_FILE_TYPE_CHECKS), IMAGE_BITMAP, 0, 0, 0));
  HWND list = List();
  SetPropA(list, "LumoraFileTypes", this);
  listProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
  const std::vector<FileTypeChoice> saved = ReadFileTypeChoices(settings_);
  rows_ = FileTypeRows(associable_, greyed_, saved, registry_, target_.typeId);
  const std::string suffix(res::String(IDS_FILES_SUFFIX));
  for (const FileTypeRow& row : rows_) {
    const std::string text = row.extension + suffix;
    const auto index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), ItemFlags(row));
  }
  // The saved entries go back as they came.
  WriteFileTypeChoices(settings_, saved);
  SetFocus(list);
  return false;  // the focus is set
}

LRESULT CALLBACK CFileTypesDlg::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CFileTypesDlg*>(GetPropA(list, "LumoraFileTypes"));
  if (self == nullptr) return DefWindowProcA(list, message, wParam, lParam);
  const WNDPROC base = self->listProc_;
  if (message == WM_LBUTTONDOWN) {
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
    const int index = LOWORD(hit);
    RECT item{};
    if (HIWORD(hit) == 0 && SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
      const RECT box = CheckBoxOf(item);
      if (PtInRect(&box, p)) self->Toggle(index);
    }
  } else if (message == WM_CHAR && wParam == ' ') {
    self->Toggle(static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
    return 0;
  } else if (message == WM_NCDESTROY) {
    RemovePropA(list, "LumoraFileTypes");
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
  }
  return CallWindowProcA(base, list, message, wParam, lParam);
}

void CFileTypesDlg::Toggle(int index) {
  if (index < 0 || index >= static_cast<int>(rows_.size()) || rows_[index].greyed) return;
  rows_[index].checked = !rows_[index].checked;
  SendMessageA(List(), LB_SETITEMDATA, static_cast<WPARAM>(index), ItemFlags(rows_[index]));
  RECT item{};
  SendMessageA(List(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  InvalidateRect(List(), &item, FALSE);
}

void CFileTypesDlg::SelectAll() {
  // Every item with a check box, the greyed ones too.
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    rows_[i].checked = true;
    SendMessageA(List(), LB_SETITEMDATA, i, ItemFlags(rows_[i]));
  }
  InvalidateRect(List(), nullptr, FALSE);
}

void CFileTypesDlg::OnOK() {
  ApplyFileTypeChoices(settings_, registry_, target_, ChoicesFromRows(rows_));
  fw::Dialog::OnOK();
}

bool CFileTypesDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_MEASUREITEM && wParam == IDC_FT_LIST) {
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kCell + 2;
    *result = TRUE;
    return true;
  }
  if (message == WM_DRAWITEM && wParam == IDC_FT_LIST) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_FT_SELECT_ALL) {
    SelectAll();
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == ID_HELP) {
    OnHelpRequest();
    *result = TRUE;
    return true;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

void CFileTypesDlg::DrawItem(const DRAWITEMSTRUCT& d) {
  if (d.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (d.itemState & ODS_SELECTED) != 0;
  FillRect(d.hDC, &d.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const LPARAM flags = static_cast<LPARAM>(d.itemData);
  if ((flags & kHasBox) != 0 && checks_ != nullptr) {
    // Cell 0 unchecked, 14 checked, 28 greyed (and checked while disabled).
    int cell = (flags & kChecked) != 0 ? kCell : 0;
    if ((flags & kGreyed) != 0 || ((flags & kChecked) != 0 && !IsWindowEnabled(d.hwndItem))) cell = 2 * kCell;
    HDC memory = CreateCompatibleDC(d.hDC);
    HGDIOBJ old = SelectObject(memory, checks_);
    BitBlt(d.hDC, d.rcItem.left + 2, d.rcItem.top + 1, kCell, kCell, memory, cell, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  char text[300] = {};
  SendMessageA(d.hwndItem, LB_GETTEXT, d.itemID, reinterpret_cast<LPARAM>(text));
  RECT r = d.rcItem;
  r.left += kCell + 6;
  SetBkMode(d.hDC, TRANSPARENT);
  SetTextColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextA(d.hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (selected && GetFocus() == d.hwndItem) DrawFocusRect(d.hDC, &d.rcItem);
}

}  // namespace lumora
