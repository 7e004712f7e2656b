// The open dialog's image browser.
#include "files/win/BrowsePalette.h"

#include <algorithm>
#include <cstdio>

#include "engine/layered/RWLayers.h"
#include "engine/pixels/FileAdapters.h"
#include "framework/win/App.h"
#include "hostapi/imgxfer.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kClassName[] = "LumoraBrowsePalette";
constexpr char kSection[] = "Browse";
constexpr int kNameBox = 1152;
constexpr int kNameCombo = 1148;

std::string ReadFormats() {
  const int size = ImExp_FillReadFormatsInfo(nullptr, 0);
  if (size <= 0) return {};
  std::vector<char> list(static_cast<std::size_t>(size) + 2, '\0');
  ImExp_FillReadFormatsInfo(list.data(), size);
  return std::string(list.data(), static_cast<std::size_t>(size));
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsLayeredFile(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".lud" || ext == ".psd";
}

// The thumbnail of a file: layered files by their merged composite, others
// through the file-format library, quietly; empty when unreadable.
ThumbnailItem BuildItem(const std::string& path) {
  WAPtr image;
  try {
    if (IsLayeredFile(path)) {
      image = ReadLayeredFileComposite(path);
    } else {
      CReadFileWA adapter;
      if (ImExp_ReadFile(&adapter, nullptr, path.c_str(), 16, nullptr, nullptr, 0) != 0) image = adapter.Image();
    }
  } catch (const std::exception&) {
    image = nullptr;
  }
  return image ? MakeThumbnail(*image) : ThumbnailItem{};
}

bool LastWriteTime(const std::string& path, FILETIME* time) {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  *time = found.ftLastWriteTime;
  return true;
}

HWND NameBoxOf(HWND dialog) {
  HWND box = GetDlgItem(dialog, kNameBox);
  return box != nullptr ? box : GetDlgItem(dialog, kNameCombo);
}

}  // namespace

FW_MESSAGE_MAP(CBrowsePalette, fw::Window, fw::WindowMessageEntry<&CBrowsePalette::OnPaint>(WM_PAINT),
               fw::WindowMessageEntry<&CBrowsePalette::OnEraseBackground>(WM_ERASEBKGND),
               fw::WindowMessageEntry<&CBrowsePalette::OnLButtonDown>(WM_LBUTTONDOWN),
               fw::WindowMessageEntry<&CBrowsePalette::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
               fw::WindowMessageEntry<&CBrowsePalette::OnVScroll>(WM_VSCROLL),
               fw::WindowMessageEntry<&CBrowsePalette::OnSize>(WM_SIZE),
               fw::WindowMessageEntry<&CBrowsePalette::OnSysCommand>(WM_SYSCOMMAND),
               fw::WindowMessageEntry<&CBrowsePalette::OnContextMenu>(WM_CONTEXTMENU),
               fw::WindowMessageEntry<&CBrowsePalette::OnDestroy>(WM_DESTROY))

std::string CBrowsePalette::DatabasePath() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  std::string path(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + "LUBRWS.TMP";
}

CBrowsePalette::CBrowsePalette() {
  // A damaged database keeps what was read before the damage.
  db_.Load(DatabasePath());
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (fw::App* app = fw::TheApp()) {
    fw::Profile& s = app->Settings();
    saved_.left = s.GetInt(kSection, "Left", (w - 300) / 2);
    saved_.right = s.GetInt(kSection, "Right", (w + 300) / 2);
    saved_.top = s.GetInt(kSection, "Top", (h - 300) / 2);
    saved_.bottom = s.GetInt(kSection, "Bottom", (h + 300) / 2);
    saveDb_ = s.GetInt(kSection, "SAVEDB", 1) != 0;
  }
}

CBrowsePalette::~CBrowsePalette() {
  if (hwnd_ != nullptr) DestroyWindow();
  if (changed_ && saveDb_) {
    std::string error;
    db_.Save(DatabasePath(), &error);
  }
  if (fw::App* app = fw::TheApp()) {
    fw::Profile& s = app->Settings();
    s.WriteInt(kSection, "Left", saved_.left);
    s.WriteInt(kSection, "Right", saved_.right);
    s.WriteInt(kSection, "Top", saved_.top);
    s.WriteInt(kSection, "Bottom", saved_.bottom);
    s.WriteInt(kSection, "SAVEDB", saveDb_ ? 1 : 0);
  }
}

bool CBrowsePalette::Create(HWND fileDialog, HWND hookWindow, HWND button, bool* openFlag) {
  fileDialog_ = fileDialog;
  hookWindow_ = hookWindow;
  button_ = button;
  openFlag_ = openFlag;
  const std::string cls = fw::App::RegisterWindowClass(kClassName, CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                                                       nullptr, nullptr);
  RECT place{0, 0, 200, 200};
  RECT desktop{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  const POINT corner{saved_.left, saved_.top};
  if (!IsRectEmpty(&saved_) && PtInRect(&desktop, corner)) place = saved_;
  HWND owner = GetAncestor(fileDialog, GA_ROOT);
  if (!CreateEx(WS_EX_TOOLWINDOW, cls.c_str(), "Browse", WS_POPUP | WS_CAPTION | WS_VSCROLL | WS_SYSMENU | WS_THICKFRAME,
                place.left, place.top, place.right - place.left, place.bottom - place.top, owner, nullptr)) {
    return false;
  }
  ShowWindow(hwnd_, SW_SHOWNA);
  if (openFlag_ != nullptr) *openFlag_ = true;
  return true;
}

std::string CBrowsePalette::Folder() const {
  char folder[MAX_PATH] = {};
  if (SendMessageA(fileDialog_, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0) return {};
  std::string path(folder);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::vector<std::string> CBrowsePalette::ListFolder() const {
  std::vector<std::string> names;
  const std::string folder = Folder();
  if (folder.empty()) return names;
  const std::string formats = ReadFormats();
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const std::string path = folder + "\\" + found.cFileName;
    if (IsReadableImagePath(path, formats)) names.push_back(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

int CBrowsePalette::Columns() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return std::max(1, static_cast<int>(client.right / kCellWidth));
}

RECT CBrowsePalette::CellRect(int index) const {
  const int columns = Columns();
  const int left = (index % columns) * kCellWidth;
  const int top = (index / columns) * kCellHeight - scroll_ * kCellHeight;
  return RECT{left, top, left + kCellWidth, top + kCellHeight};
}

void CBrowsePalette::SetScrollRange() {
  const int rows = std::max(1, static_cast<int>(paths_.size()) / Columns());
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_POS;
  info.nMin = 0;
  info.nMax = rows - 1;
  scroll_ = std::clamp(scroll_, 0, rows - 1);
  info.nPos = scroll_;
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
}

void CBrowsePalette::PumpSome() {
  MSG msg;
  for (int i = 0; i < 16 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void CBrowsePalette::Fill() {
  HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  busy_ = true;
  decoded_ = 0;
  paths_.clear();
  const std::string folder = Folder();
  char title[MAX_PATH + 64] = {};
  std::snprintf(title, sizeof title, std::string(res::String(IDS_BROWSE_TITLE)).c_str(), folder.c_str());
  SetWindowTextA(hwnd_, title);
  // First pass: the list, for the scroll range.
  const std::vector<std::string> listed = ListFolder();
  paths_ = listed;
  scroll_ = 0;
  SetScrollRange();
  paths_.clear();
  // Second pass: each thumbnail from the database when the file did not
  // change, else from the file, drawn as soon as it is made.
  for (const std::string& path : listed) {
    PumpSome();
    if (stop_ || hwnd_ == nullptr) break;
    paths_.push_back(path);
    FILETIME time{};
    const bool known = LastWriteTime(path, &time);
    if (known && db_.Current(path, time.dwLowDateTime, time.dwHighDateTime) != nullptr) continue;
    ThumbnailItem item = BuildItem(path);
    ++decoded_;
    item.timeLow = time.dwLowDateTime;
    item.timeHigh = time.dwHighDateTime;
    db_.items[path] = std::move(item);
    changed_ = true;
    HDC dc = GetDC(hwnd_);
    DrawItem(dc, static_cast<int>(paths_.size()) - 1, path);
    ReleaseDC(hwnd_, dc);
  }
  busy_ = false;
  SetCursor(before);
  if (stop_ || hwnd_ == nullptr) return;
  MarkSelection();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void CBrowsePalette::Refresh() {
  if (busy_) return;
  if (ListFolder() == paths_) return;
  Fill();
}

void CBrowsePalette::MarkSelection() {
  for (auto& [path, item] : db_.items) item.selected = false;
  char text[MAX_PATH * 4] = {};
  SendMessageA(fileDialog_, CDM_GETFILEPATH, sizeof text, reinterpret_cast<LPARAM>(text));
  const std::string current(text);
  const std::size_t quote = current.find('"');
  auto mark = [&](const std::string& path) {
    const auto found = db_.items.find(path);
    if (found != db_.items.end()) found->second.selected = true;
  };
  if (quote == std::string::npos) {
    mark(current);
  } else {
    std::string prefix = current.substr(0, quote);
    if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
    for (std::size_t at = quote; at != std::string::npos;) {
      const std::size_t end = current.find('"', at + 1);
      if (end == std::string::npos) break;
      mark(prefix + current.substr(at + 1, end - at - 1));
      at = current.find('"', end + 1);
    }
  }
}

void CBrowsePalette::DrawItem(HDC dc, int cell, const std::string& path) const {
  const auto found = db_.items.find(path);
  if (found == db_.items.end()) return;
  const ThumbnailItem& item = found->second;
  const RECT r = CellRect(cell);
  RECT clip{};
  GetClipBox(dc, &clip);
  RECT visible{};
  if (!IntersectRect(&visible, &clip, &r)) return;
  if (item.width != 0 && !item.dib.empty()) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(item.dib.data());
    SetDIBitsToDevice(dc, r.left + (kCellWidth - static_cast<int>(item.width)) / 2, r.top + 2, item.width, item.height,
                      0, 0, 0, item.height, item.dib.data() + 40, info, DIB_RGB_COLORS);
  } else {
    HPEN pen = CreatePen(PS_SOLID, 5, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, r.left + 5, r.top + 5, nullptr);
    LineTo(dc, r.right - 5, r.bottom - 5);
    MoveToEx(dc, r.right - 5, r.top + 5, nullptr);
    LineTo(dc, r.left + 5, r.bottom - 5);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  HBRUSH frame = item.selected ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : GetSysColorBrush(COLOR_BTNFACE);
  RECT outer = r;
  FrameRect(dc, &outer, frame);
  InflateRect(&outer, -1, -1);
  FrameRect(dc, &outer, frame);
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
  lstrcpyA(lf.lfFaceName, "MS Sans Serif");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT text{r.left, r.top + 100, r.right, r.bottom};
  const std::string name = NameOf(path);
  DrawTextA(dc, name.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

LRESULT CBrowsePalette::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client{};
  GetClientRect(hwnd_, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
  int cell = 0;
  for (const std::string& path : paths_) {
    if (db_.items.count(path) == 0) continue;
    DrawItem(memory, cell++, path);
  }
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(hwnd_, &ps);
  return 0;
}

LRESULT CBrowsePalette::OnEraseBackground(WPARAM, LPARAM) { return 1; }

void CBrowsePalette::SelectAt(POINT p) {
  const int index = p.x / kCellWidth + ((scroll_ * kCellHeight + p.y) / kCellHeight) * Columns();
  if (index < 0 || index >= static_cast<int>(paths_.size()) || p.x >= Columns() * kCellWidth) return;
  for (auto& [path, item] : db_.items) item.selected = false;
  const std::string& path = paths_[static_cast<std::size_t>(index)];
  db_.items[path].selected = true;
  SendMessageA(fileDialog_, CDM_SETCONTROLTEXT, GetDlgCtrlID(NameBoxOf(fileDialog_)),
               reinterpret_cast<LPARAM>(NameOf(path).c_str()));
  static const UINT updateInfo = RegisterWindowMessageA("CDM_UPDATEINFOFILE");
  if (hookWindow_ != nullptr) SendMessageA(hookWindow_, updateInfo, 0, 0);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CBrowsePalette::OnLButtonDown(WPARAM, LPARAM lParam) {
  SelectAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  return 0;
}

LRESULT CBrowsePalette::OnLButtonDblClk(WPARAM, LPARAM lParam) {
  SelectAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  PostMessageA(fileDialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(fileDialog_, IDOK)));
  return 0;
}

LRESULT CBrowsePalette::OnVScroll(WPARAM wParam, LPARAM) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, SB_VERT, &info);
  int pos = scroll_;
  switch (LOWORD(wParam)) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= client.bottom / kCellHeight; break;
    case SB_PAGEDOWN: pos += client.bottom / kCellHeight; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = static_cast<short>(HIWORD(wParam)); break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = std::max(info.nMax, 0); break;
    default: break;
  }
  scroll_ = std::clamp(pos, 0, std::max(info.nMax, 0));
  SetScrollPos(hwnd_, SB_VERT, scroll_, TRUE);
  InvalidateRect(hwnd_, nullptr, FALSE);
  return 0;
}

LRESULT CBrowsePalette::OnSize(WPARAM, LPARAM) {
  SetScrollRange();
  InvalidateRect(hwnd_, nullptr, FALSE);
  return 0;
}

LRESULT CBrowsePalette::OnSysCommand(WPARAM wParam, LPARAM lParam) {
  // Closing while the thumbnails are made stops the fill; the dialog's
  // button then takes the window down.
  if ((wParam & 0xFFF0) == SC_CLOSE && busy_) {
    stop_ = true;
    return 0;
  }
  return DefWindowProcA(hwnd_, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT CBrowsePalette::OnContextMenu(WPARAM, LPARAM lParam) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, ID_BROWSE_REFRESH_DB, "&Refresh All Data Base");
  AppendMenuA(menu, MF_STRING | (saveDb_ ? MF_CHECKED : 0), ID_BROWSE_SAVE_DB, "&Save Data Base On Exit");
  AppendMenuA(menu, MF_STRING, ID_BROWSE_DELETE_DB, "&Delete Data Base File");
  const UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                        static_cast<short>(LOWORD(lParam)),
                                                        static_cast<short>(HIWORD(lParam)), 0, hwnd_, nullptr));
  DestroyMenu(menu);
  switch (command) {
    case ID_BROWSE_REFRESH_DB:
      for (auto it = db_.items.begin(); it != db_.items.end();) {
        if (GetFileAttributesA(it->first.c_str()) == INVALID_FILE_ATTRIBUTES &&
            GetLastError() == ERROR_FILE_NOT_FOUND) {
          it = db_.items.erase(it);
          changed_ = true;
        } else {
          ++it;
        }
      }
      break;
    case ID_BROWSE_SAVE_DB: saveDb_ = !saveDb_; break;
    case ID_BROWSE_DELETE_DB:
      DeleteFileA(DatabasePath().c_str());
      changed_ = true;
      break;
    default: break;
  }
  return 0;
}

LRESULT CBrowsePalette::OnDestroy(WPARAM, LPARAM) {
  GetWindowRect(hwnd_, &saved_);
  if (button_ != nullptr) SetWindowTextA(button_, std::string(res::String(IDS_BROWSE_BUTTON)).c_str());
  if (openFlag_ != nullptr) *openFlag_ = false;
  return 0;
}

}  // namespace lumora
