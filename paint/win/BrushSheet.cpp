// The brush sheet window, its pages and its preview.
#include "paint/win/BrushSheet.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "framework/win/Window.h"
#include "paint/BrushPageRules.h"
#include "paint/BrushPreview.h"
#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "paint/win/BrushPages.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

constexpr char kFrameClass[] = "VR_BRUSHSHEET";
// The thumbnail control: shows a picture, tells its parent of a click
// (WM_COMMAND code 1).
constexpr char kThumbnailClass[] = "VR_TMB_1";
constexpr UINT kMsgSetPicture = WM_USER + 101;
constexpr int kPageIds[3] = {IDD_SHEET_COLORS, IDD_SHEET_ANGLES, IDD_SHEET_LOGIC};
// Parameters: hue, value, saturation jitter, angle, rotation mode, colour mode.
constexpr int kJitterEdits[3] = {IDC_SHEET_HUE, IDC_SHEET_VALUE, IDC_SHEET_SATURATION};
constexpr int kJitterSpins[3] = {IDC_SHEET_HUE_SPIN, IDC_SHEET_VALUE_SPIN, IDC_SHEET_SATURATION_SPIN};
constexpr int kRotationRadios[3] = {IDC_SHEET_NO_VARIATION, IDC_SHEET_BY_DIRECTION, IDC_SHEET_RANDOM};
constexpr int kLogicRadios[7] = {IDC_SHEET_NORMAL,     IDC_SHEET_IF_DARKER, IDC_SHEET_IF_LIGHTER,
                                 IDC_SHEET_COLOR_ONLY, IDC_SHEET_VALUE_ONLY, IDC_SHEET_HUE_ONLY,
                                 IDC_SHEET_SATURATION_ONLY};
constexpr int kPreviewWidth = 140;
constexpr int kApplyButton = 0x3021;  // the property sheet's Apply

struct Picture {
  int width, height;
  const std::uint8_t* bgr;  // rows top-down
};

void RegisterClasses() {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(module, kThumbnailClass, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_HAND);
    wc.lpszClassName = kThumbnailClass;
    RegisterClassA(&wc);
  }
  if (!GetClassInfoA(module, kFrameClass, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClass;
    RegisterClassA(&wc);
  }
}

void DrawPicture(HWND window, HDC dc) {
  const auto* picture = reinterpret_cast<const Picture*>(GetWindowLongPtrA(window, 0));
  RECT r{};
  GetClientRect(window, &r);
  if (picture == nullptr || picture->bgr == nullptr) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture->width;
  info.bmiHeader.biHeight = -picture->height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  // Rows of a 24-bit DIB are padded to 4 bytes.
  const int stride = (picture->width * 3 + 3) & ~3;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * picture->height);
  for (int y = 0; y < picture->height; ++y) {
    std::copy_n(picture->bgr + static_cast<std::size_t>(y) * picture->width * 3, picture->width * 3,
                rows.begin() + static_cast<std::ptrdiff_t>(y) * stride);
  }
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(picture->width), static_cast<DWORD>(picture->height), 0, 0, 0,
                    static_cast<UINT>(picture->height), rows.data(), &info, DIB_RGB_COLORS);
}

}  // namespace

// The frame as the message loop sees it: it offers the sheet its dialog
// keys (Tab, arrows, mnemonics, Escape) before they are translated.
class SheetKeys : public fw::Window {
 public:
  SheetKeys(HWND frame, HWND sheet) : sheet_(sheet) { Attach(frame); }
  ~SheetKeys() override { Detach(); }
  bool PreTranslateMessage(MSG* msg) override {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !IsWindow(sheet_)) return false;
    return SendMessageA(sheet_, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != 0;
  }

 private:
  HWND sheet_;
};

CBrushSheet::CBrushSheet() = default;

CBrushSheet::~CBrushSheet() {
  keys_.reset();
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

LRESULT CALLBACK CBrushSheet::PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgSetPicture:
      SetWindowLongPtrA(window, 0, static_cast<LONG_PTR>(wParam));
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      DrawPicture(window, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      DrawPicture(window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONUP:
      SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), 1), reinterpret_cast<LPARAM>(window));
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK CBrushSheet::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* sheet = reinterpret_cast<CBrushSheet*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_CLOSE:
      if (sheet != nullptr) sheet->Close();  // the window stays for later use
      return 0;
    case WM_NCDESTROY:
      if (sheet != nullptr) sheet->keys_.reset();
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_ACTIVATE: {
      const LRESULT r = DefWindowProcA(window, message, wParam, lParam);
      if (sheet != nullptr && sheet->sheet_ != nullptr) SendMessageA(sheet->sheet_, WM_ACTIVATE, wParam, lParam);
      return r;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

namespace {

constexpr char kSheetProperty[] = "LumoraBrushSheet";
WNDPROC g_sheetProc = nullptr;

// The sheet hears the preview's click (WM_COMMAND code 1 from its child).
LRESULT CALLBACK SheetSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_SHEET_PREVIEW && HIWORD(wParam) == 1) {
    if (auto* sheet = static_cast<CBrushSheet*>(GetPropA(window, kSheetProperty))) sheet->UpdatePreview();
    return 0;
  }
  if (message == WM_NCDESTROY) RemovePropA(window, kSheetProperty);
  return CallWindowProcA(g_sheetProc, window, message, wParam, lParam);
}

// The style bits of a dialog template (either form).
DWORD* TemplateStyle(void* dialogTemplate, DWORD** extended) {
  auto* words = static_cast<WORD*>(dialogTemplate);
  if (words[0] == 1 && words[1] == 0xFFFF) {  // extended: version, signature, help id, ex style, style
    *extended = reinterpret_cast<DWORD*>(words + 4);
    return reinterpret_cast<DWORD*>(words + 6);
  }
  auto* plain = static_cast<DLGTEMPLATE*>(dialogTemplate);
  *extended = &plain->dwExtendedStyle;
  return &plain->style;
}

}  // namespace

int CALLBACK CBrushSheet::SheetCallback(HWND, UINT message, LPARAM lParam) {
  // The sheet lives inside the frame: a visible child without a caption.
  if (message == PSCB_PRECREATE && lParam != 0) {
    DWORD* extended = nullptr;
    DWORD* style = TemplateStyle(reinterpret_cast<void*>(lParam), &extended);
    *style = (*style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME |
                                           DS_CONTEXTHELP)) |
             WS_CHILD | WS_VISIBLE | DS_CONTROL;
    *extended &= ~static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP | WS_EX_WINDOWEDGE);
  }
  return 0;
}

INT_PTR CALLBACK CBrushSheet::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* link = reinterpret_cast<PageLink*>(description->lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(link));
    link->sheet->pages_[static_cast<std::size_t>(link->index)] = window;
    return TRUE;
  }
  auto* link = reinterpret_cast<PageLink*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (link == nullptr) return FALSE;
  if (message == WM_COMMAND) {
    link->sheet->OnPageCommand(link->index, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
  }
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_QUERYCANCEL) {
    // Escape closes the frame (it only hides); the sheet itself stays.
    PostMessageA(link->sheet->window_, WM_CLOSE, 0, 0);
    SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  return FALSE;
}

bool CBrushSheet::Create(HWND owner) {
  RegisterClasses();
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const std::string caption(res::String(IDS_BRUSH_SHEET_CAPTION));
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kFrameClass, caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                            100, 100, owner, nullptr, module, nullptr);
  if (window_ == nullptr) return false;
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProc));
  if (!CreateSheet(caption)) return false;
  LayOut(owner);
  keys_ = std::make_unique<SheetKeys>(window_, sheet_);
  for (int i = 0; i < 3; ++i) SendDlgItemMessageA(pages_[0], kJitterSpins[i], UDM_SETRANGE32, 0, 100);
  SendDlgItemMessageA(pages_[1], IDC_SHEET_ANGLE_SPIN, UDM_SETRANGE32, 0, 360);
  ShowPage(0);
  return true;
}

bool CBrushSheet::CreateSheet(const std::string& caption) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  std::array<PROPSHEETPAGEA, 3> pages{};
  for (int i = 0; i < 3; ++i) {
    links_[static_cast<std::size_t>(i)] = PageLink{this, i};
    PROPSHEETPAGEA& p = pages[static_cast<std::size_t>(i)];
    p.dwSize = sizeof p;
    p.dwFlags = PSP_DEFAULT;
    p.hInstance = module;
    p.pszTemplate = MAKEINTRESOURCEA(kPageIds[i]);
    p.pfnDlgProc = &PageProc;
    p.lParam = reinterpret_cast<LPARAM>(&links_[static_cast<std::size_t>(i)]);
  }
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW | PSH_USECALLBACK;
  header.hwndParent = window_;
  header.hInstance = module;
  header.pszCaption = caption.c_str();
  header.nPages = 3;
  header.ppsp = pages.data();
  header.pfnCallback = &SheetCallback;
  const INT_PTR made = PropertySheetA(&header);
  if (made == 0 || made == -1) return false;
  sheet_ = reinterpret_cast<HWND>(made);
  // Every page made now, so that each shows the brush before it is chosen.
  for (int i = 2; i >= 0; --i) SendMessageA(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(i), 0);
  for (HWND page : pages_) {
    if (page == nullptr) return false;
  }
  SetPropA(sheet_, kSheetProperty, this);
  g_sheetProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(sheet_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SheetSubclassProc)));
  return true;
}

void CBrushSheet::LayOut(HWND owner) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  // A sheet without a dialog's buttons: it ends above them.
  RECT sheetRect{};
  GetWindowRect(sheet_, &sheetRect);
  if (HWND ok = GetDlgItem(sheet_, IDOK)) {
    RECT button{};
    GetWindowRect(ok, &button);
    sheetRect.bottom = button.top;
  }
  for (int id : {IDOK, IDCANCEL, kApplyButton, IDHELP}) {
    if (HWND button = GetDlgItem(sheet_, id)) {
      ShowWindow(button, SW_HIDE);
      EnableWindow(button, FALSE);
    }
  }
  // Narrow tabs: a display area 120 pixels wide; the sheet changes as much,
  // then widens by 150 pixels for the preview.
  tabs_ = reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETTABCONTROL, 0, 0));
  RECT t{};
  GetWindowRect(tabs_, &t);
  MapWindowPoints(nullptr, sheet_, reinterpret_cast<POINT*>(&t), 2);
  RECT narrow{t.left, t.top, t.left + 120, t.bottom};
  TabCtrl_AdjustRect(tabs_, TRUE, &narrow);
  const int dx = (narrow.right - narrow.left) - (t.right - t.left);
  const int dy = (narrow.bottom - narrow.top) - (t.bottom - t.top);
  SetWindowPos(tabs_, nullptr, 0, 0, narrow.right - narrow.left, narrow.bottom - narrow.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  const int sheetWidth = sheetRect.right - sheetRect.left + dx + 150;
  const int sheetHeight = sheetRect.bottom - sheetRect.top + dy;
  SetWindowPos(sheet_, nullptr, 0, 0, sheetWidth, sheetHeight, SWP_NOZORDER | SWP_NOACTIVATE);

  RECT r{};
  GetWindowRect(tabs_, &r);
  MapWindowPoints(nullptr, sheet_, reinterpret_cast<POINT*>(&r), 2);
  const auto font = SendMessageA(sheet_, WM_GETFONT, 0, 0);
  const std::string click(res::String(IDS_CLICK_TO_UPDATE));
  label_ = CreateWindowExA(0, "STATIC", click.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, r.right + 7, r.top,
                           kPreviewWidth, 14, sheet_, nullptr, module, nullptr);
  SendMessageA(label_, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  preview_ = CreateWindowExA(WS_EX_CLIENTEDGE, kThumbnailClass, "", WS_CHILD | WS_VISIBLE, r.right + 7, r.top + 18,
                             kPreviewWidth, std::max<int>(24, r.bottom - r.top - 18), sheet_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SHEET_PREVIEW)), module, nullptr);
  SetWindowLongPtrA(preview_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PreviewProc));
  RECT client{};
  GetClientRect(preview_, &client);
  previewWidth_ = client.right;
  previewHeight_ = client.bottom;
  background_ = paint::SpectrumImage(previewWidth_, previewHeight_);

  // The frame's client area holds the sheet at (0, 0); centred on the owner.
  RECT whole{0, 0, sheetWidth, sheetHeight};
  AdjustWindowRectEx(&whole, static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)), FALSE, WS_EX_TOOLWINDOW);
  SetWindowPos(sheet_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  const int w = whole.right - whole.left, h = whole.bottom - whole.top;
  SetWindowPos(window_, nullptr, (ownerRect.left + ownerRect.right - w) / 2, (ownerRect.top + ownerRect.bottom - h) / 2,
               w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBrushSheet::Close() {
  Hide();
  if (onClosed) onClosed();
}

void CBrushSheet::ShowPage(int index) { SendMessageA(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool CBrushSheet::Show(HWND owner, CBrushPage* page) {
  if (window_ == nullptr && !Create(owner)) {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  page_ = page;
  Refresh();
  UpdatePreview();
  ShowWindow(window_, SW_SHOW);
  return true;
}

void CBrushSheet::Hide() {
  if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
}

void CBrushSheet::Refresh() {
  if (page_ == nullptr || window_ == nullptr) return;
  const auto& p = page_->Model().settings.params;
  refreshing_ = true;
  for (int i = 0; i < 3; ++i) SetDlgItemInt(pages_[0], kJitterEdits[i], p[static_cast<std::size_t>(i)], FALSE);
  SetDlgItemInt(pages_[1], IDC_SHEET_ANGLE, p[3], FALSE);
  CheckRadioButton(pages_[1], IDC_SHEET_RANDOM, IDC_SHEET_NO_VARIATION, kRotationRadios[std::min<std::uint32_t>(p[4], 2)]);
  for (int i = 0; i < 7; ++i) {
    CheckDlgButton(pages_[2], kLogicRadios[i], static_cast<std::uint32_t>(i) == p[5] ? BST_CHECKED : BST_UNCHECKED);
  }
  refreshing_ = false;
  ShowAngleControls();
}

void CBrushSheet::ShowAngleControls() {
  const int show = page_ != nullptr && page_->Model().settings.params[4] == 0 ? SW_SHOW : SW_HIDE;
  for (int id : {IDC_SHEET_ANGLE_LABEL, IDC_SHEET_ANGLE, IDC_SHEET_ANGLE_SPIN}) ShowWindow(GetDlgItem(pages_[1], id), show);
}

void CBrushSheet::OnPageCommand(int page, int id, int code) {
  if (refreshing_ || page_ == nullptr) return;
  std::array<std::uint32_t, 6> p = page_->Model().settings.params;
  BOOL ok = FALSE;
  if (page == 0 && code == EN_CHANGE) {
    for (int i = 0; i < 3; ++i) {
      if (id != kJitterEdits[i]) continue;
      const int typed = static_cast<int>(GetDlgItemInt(pages_[0], id, &ok, TRUE));
      if (!ok) return;
      p[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(std::clamp(typed, 0, 100));
    }
  } else if (page == 1 && id == IDC_SHEET_ANGLE && code == EN_CHANGE) {
    const int typed = static_cast<int>(GetDlgItemInt(pages_[1], id, &ok, TRUE));
    if (!ok) return;
    p[3] = static_cast<std::uint32_t>(((typed % 360) + 360) % 360);
  } else if (page == 1 && code == BN_CLICKED) {
    for (int i = 0; i < 3; ++i) {
      if (id == kRotationRadios[i]) p[4] = static_cast<std::uint32_t>(i);
    }
  } else if (page == 2 && code == BN_CLICKED) {
    for (int i = 0; i < 7; ++i) {
      if (id == kLogicRadios[i]) p[5] = static_cast<std::uint32_t>(i);
    }
  } else {
    return;
  }
  page_->SetParams(p);
  if (page == 1) ShowAngleControls();
}

void CBrushSheet::UpdatePreview() {
  if (page_ == nullptr || preview_ == nullptr) return;
  const paint::PageSettings& s = page_->Model().settings;
  SeededBrushRandom random(1);
  const int width = static_cast<int>(s.width);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, width, random);
  brush.SetWidth(width, paint::EdgeSizeFor(s.edge, width), s.edge.optionId);
  // A custom shape is read from the shape store, as the page's brush reads it.
  const paint::CFileManager& shapes = page_->File().brushFiles;
  const paint::FMItem* custom =
      s.shape >= static_cast<std::uint32_t>(paint::kStandardShapeCount)
          ? shapes.GetItem(static_cast<int>(s.shape) - paint::kStandardShapeCount)
          : nullptr;
  brush.SetStores(&shapes, nullptr);
  if (custom != nullptr) {
    brush.SetShape(static_cast<int>(s.shape), custom->File);
  } else {
    brush.SetShape(s.shape < static_cast<std::uint32_t>(paint::kStandardShapeCount) ? static_cast<int>(s.shape) : 0);
  }
  brush.SetJitter(static_cast<int>(s.params[0]), static_cast<int>(s.params[2]), static_cast<int>(s.params[1]));
  brush.SetAngle(static_cast<int>(s.params[3]));
  brush.SetRotationMode(static_cast<int>(s.params[4]));
  brush.SetColourMode(static_cast<int>(s.params[5]));
  COLORREF fore = 0, back = 0xFFFFFF;
  if (previewColours) previewColours(&fore, &back);
  picture_ = paint::RenderBrushPreview(brush, background_, previewWidth_, previewHeight_, fore, back);
  static Picture shown;
  shown = Picture{previewWidth_, previewHeight_, picture_.data()};
  SendMessageA(preview_, kMsgSetPicture, reinterpret_cast<WPARAM>(&shown), 0);
}

}  // namespace lumora
