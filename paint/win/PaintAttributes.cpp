// The paint attributes window: tabs, placement and its settings, the brush
// hook and switching tools.
#include "paint/win/PaintAttributes.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "framework/win/App.h"
#include "hostapi/toolhost.h"
#include "paint/ImageStore.h"
#include "paint/win/BrushPages.h"
#include "paint/win/BrushSheet.h"
#include "paint/win/ShapePictures.h"
#include "paint/win/ToolBrush.h"
#include "document/win/Lumo40Doc.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr char kSection[] = "ATTRIBUTE";
constexpr int kDefaultX = 300;
constexpr int kDefaultY = 200;

std::uint32_t g_toolCommand = 0;
bool g_paintButton = false;

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

constexpr int kTabIconsBitmap = 208;
constexpr int kTabIconSize = 16;
constexpr int kAttribBarBitmap = 211;
constexpr int kBarImageWidth = 16;
constexpr int kAttribBarButtons = 8;  // 32904..32911
constexpr COLORREF kPictureMask = RGB(192, 192, 192);

// The text after the newline of a command's string; empty without one.
std::string ShortName(std::uint32_t command) {
  const std::string text(res::String(command));
  const std::size_t newline = text.find('\n');
  return newline == std::string::npos ? std::string() : text.substr(newline + 1);
}

HWND MainWindow() {
  return fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr ? fw::TheApp()->MainWindow()->Handle()
                                                                           : nullptr;
}

}  // namespace

std::uint32_t CPaintAttributes::CurrentToolCommand() { return g_toolCommand; }
bool CPaintAttributes::PaintButtonDown() { return g_paintButton; }

CPaintAttributes::CPaintAttributes() : fw::Dialog(IDD_PAINT_ATTRIBUTES, nullptr) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module);
  const std::size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  fileName_ = paint::BrushFileNameFor(module);
  file_ = std::make_unique<paint::BrushFile>(folder);
  pages_[paint::kPageEraser] =
      std::make_unique<CBrushPage>(paint::PageKind::eraser, IDD_PAGE_ERASER, paint::kCmdToolEraser, *file_);
  pages_[paint::kPagePaintBrush] =
      std::make_unique<CBrushPage>(paint::PageKind::paintBrush, IDD_PAGE_PAINTBRUSH, paint::kCmdToolPaint, *file_);
  pages_[paint::kPageLine] =
      std::make_unique<CBrushPage>(paint::PageKind::line, IDD_PAGE_LINE, paint::kCmdToolLine, *file_);
  pages_[paint::kPageCurve] =
      std::make_unique<CBrushPage>(paint::PageKind::curve, IDD_PAGE_CURVE, paint::kCmdToolCurve, *file_);
  pages_[paint::kPageRect] =
      std::make_unique<CBrushPage>(paint::PageKind::rect, IDD_PAGE_RECTANGLE, paint::kCmdToolRect, *file_);
  pages_[paint::kPageEllipse] =
      std::make_unique<CBrushPage>(paint::PageKind::ellipse, IDD_PAGE_ELLIPSE, paint::kCmdToolEllipse, *file_);
  pages_[paint::kPagePolygon] =
      std::make_unique<CBrushPage>(paint::PageKind::polygon, IDD_PAGE_POLYGON, paint::kCmdToolPolygon, *file_);
  pages_[paint::kPageClone] =
      std::make_unique<CBrushPage>(paint::PageKind::clone, IDD_PAGE_CLONE, paint::kCmdToolClone, *file_);
  pages_[paint::kPageWater] =
      std::make_unique<CBrushPage>(paint::PageKind::water, IDD_PAGE_WATER, paint::kCmdToolWater, *file_);
  pages_[paint::kPageAir] =
      std::make_unique<CBrushPage>(paint::PageKind::air, IDD_PAGE_AIRBRUSH, paint::kCmdToolAir, *file_);
}

CBrushPage* CPaintAttributes::Page(int page) const {
  return page >= 0 && page < paint::kToolPageCount ? pages_[static_cast<std::size_t>(page)].get() : nullptr;
}

CPaintAttributes::~CPaintAttributes() {
  RemoveBrushHook();
  if (hwnd_ != nullptr) DestroyWindow();
  if (barImages_ != nullptr) ImageList_Destroy(barImages_);
  FreeShapePictures();
}

bool CPaintAttributes::TranslateKeys(MSG* msg) {
  if (msg->message != WM_KEYDOWN || !Exists() || (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))) return false;
  if (accelerators_ == nullptr) {
    accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_PAINT_ATTRIBUTES_ACCEL));
  }
  return accelerators_ != nullptr && TranslateAcceleratorA(hwnd_, accelerators_, msg) != 0;
}

bool CPaintAttributes::PreTranslateMessage(MSG* msg) {
  return TranslateKeys(msg) || fw::Dialog::PreTranslateMessage(msg);
}

bool CPaintAttributes::Create(HWND parent) {
  if (fw::Profile* p = Settings()) show_ = p->GetInt(kSection, "SHOW", show_ ? 1 : 0) != 0;
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PAINT_ATTRIBUTES), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  return h != nullptr;
}

void CPaintAttributes::ShowAsSaved() {
  if (Exists()) ShowWindow(hwnd_, show_ ? SW_SHOWNA : SW_HIDE);
}

void CPaintAttributes::ShowWindowState(bool show) {
  if (!Exists()) return;
  ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE);
  SaveShowState();
}

void CPaintAttributes::SaveShowState() {
  if (!Exists()) return;
  show_ = IsWindowVisible(hwnd_) != 0;
  if (fw::Profile* p = Settings()) p->WriteInt(kSection, "SHOW", show_ ? 1 : 0);
}

bool CPaintAttributes::OnInitDialog() {
  SetWindowTextA(hwnd_, std::string(res::String(IDS_PAINT_ATTRIBUTES)).c_str());
  tabs_ = GetDlgItem(hwnd_, IDC_PAINT_TABS);
  // The brush file: stores, presets and each page's settings (nothing on a
  // first start).
  const paint::BrushFileResult loaded = file_->Load(fileName_);
  if (!loaded.ok) {
    MessageBoxA(hwnd_, loaded.message.c_str(), std::string(res::String(IDS_ERROR_CAPTION)).c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  CreatePages();
  InsertTabs();
  CreateAttribBar();
  LayOut();
  int page = 0;
  if (fw::Profile* p = Settings()) page = p->GetInt(kSection, "PAGE", 0);
  if (page < 0 || page >= paint::kToolPageCount) page = 0;
  TabCtrl_SetCurSel(tabs_, page);
  initialised_ = false;
  ShowPage(page, false);
  ReadPlacement();
  AddTabTips();
  initialised_ = true;
  if (fw::Profile* p = Settings()) minimized_ = p->GetInt(kSection, "MINIMIZED", 0) != 0;
  if (minimized_) SendMessageA(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  if (brush_ != nullptr) InstallBrushHook();
  return false;
}

void CPaintAttributes::CreatePages() {
  for (auto& page : pages_) {
    if (page != nullptr && page->CreatePage(hwnd_)) ShowWindow(page->Handle(), SW_HIDE);
  }
}

// The attribute bar: eight buttons with the images of bitmap 211, their
// tips asked of this window.
void CPaintAttributes::CreateAttribBar() {
  bar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                         WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE | TBSTYLE_FLAT | CCS_BOTTOM |
                             CCS_NORESIZE | CCS_NODIVIDER,
                         0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ATTRIB_BAR)),
                         GetModuleHandleA(nullptr), nullptr);
  if (bar_ == nullptr) return;
  SendMessageA(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // The grey of the pictures is the mask: the face shows through it.
  barImages_ = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAttribBarBitmap), kBarImageWidth, 0,
                                    kPictureMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  if (barImages_ != nullptr) {
    int w = 0, h = 0;
    ImageList_GetIconSize(barImages_, &w, &h);
    SendMessageA(bar_, TB_SETBITMAPSIZE, 0, MAKELONG(w, h));
    SendMessageA(bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(barImages_));
  }
  for (int i = 0; i < kAttribBarButtons; ++i) {
    TBBUTTON button{};
    button.iBitmap = i;
    button.idCommand = ID_ATTRIB_BRUSH_SHEET + i;
    button.fsState = TBSTATE_ENABLED;
    // The brush sheet's button stays down while the sheet shows.
    button.fsStyle = i == 0 ? BTNS_CHECK : BTNS_BUTTON;
    SendMessageA(bar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    // Separators after the sheet's button and after the papers'.
    if (button.idCommand == ID_ATTRIB_BRUSH_SHEET || button.idCommand == ID_ATTRIB_REMOVE_PAPER) {
      TBBUTTON separator{};
      separator.fsStyle = BTNS_SEP;
      SendMessageA(bar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&separator));
    }
  }
  SetWindowContextHelpId(bar_, 0x50000 + IDC_ATTRIB_BAR);
  SendMessageA(bar_, TB_AUTOSIZE, 0, 0);
}

std::string CPaintAttributes::BarTip(int command) {
  if (command < ID_ATTRIB_BRUSH_SHEET || command >= ID_ATTRIB_BRUSH_SHEET + kAttribBarButtons) return std::string();
  return std::string(res::String(static_cast<std::uint32_t>(IDS_TIP_BRUSH_SHEET + (command - ID_ATTRIB_BRUSH_SHEET))));
}

void CPaintAttributes::UpdateAttribBar() {
  if (bar_ == nullptr) return;
  CBrushPage* page = CurrentPageObject();
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_BRUSH_SHEET, page != nullptr && page->HasBrushSheet());
  SendMessageA(bar_, TB_CHECKBUTTON, ID_ATTRIB_BRUSH_SHEET, sheet_ != nullptr && sheet_->Visible());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_ADD_SHAPE, page != nullptr && page->CanAddShape());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_REMOVE_SHAPE, page != nullptr && page->CanRemoveShape());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_ADD_PAPER, page != nullptr && page->CanAddPaper());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_REMOVE_PAPER, page != nullptr && page->CanRemovePaper());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_ADD_PRESET, page != nullptr && page->CanAddPreset());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_LOAD_PRESET, page != nullptr && page->CanRemovePreset());
  SendMessageA(bar_, TB_ENABLEBUTTON, ID_ATTRIB_REMOVE_PRESET, page != nullptr && page->CanRemovePreset());
  // A visible sheet follows the page: rebuilt for it, or hidden when it has none.
  if (sheet_ != nullptr && sheet_->Visible()) {
    if (page == nullptr || !page->HasBrushSheet()) {
      HideBrushSheet();
    } else if (sheet_->Page() != page) {
      sheet_->Show(hwnd_, page);
    }
  }
}

void CPaintAttributes::LayOut() {
  // The largest page, the tab control around it, the window around that.
  SIZE largest{0, 0};
  for (const auto& page : pages_) {
    if (page == nullptr || !page->Exists()) continue;
    RECT r{};
    GetWindowRect(page->Handle(), &r);
    largest.cx = std::max<LONG>(largest.cx, r.right - r.left);
    largest.cy = std::max<LONG>(largest.cy, r.bottom - r.top);
  }
  RECT tabRect{0, 0, largest.cx, largest.cy};
  TabCtrl_AdjustRect(tabs_, TRUE, &tabRect);
  RECT tabPlace{};
  GetWindowRect(tabs_, &tabPlace);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&tabPlace), 2);
  OffsetRect(&tabRect, tabPlace.left - tabRect.left, tabPlace.top - tabRect.top);
  SetWindowPos(tabs_, nullptr, tabRect.left, tabRect.top, tabRect.right - tabRect.left, tabRect.bottom - tabRect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RECT pageRect = tabRect;
  TabCtrl_AdjustRect(tabs_, FALSE, &pageRect);
  for (const auto& page : pages_) {
    if (page != nullptr && page->Exists()) {
      SetWindowPos(page->Handle(), HWND_TOP, pageRect.left, pageRect.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  RECT window{0, 0, tabRect.right + tabPlace.left, tabRect.bottom + tabPlace.top};
  if (bar_ != nullptr) {
    // The bar under the tabs; the window grows by its height.
    // Its buttons wrap to the tabs' width: as high as its rows.
    const int width = tabRect.right - tabRect.left;
    SetWindowPos(bar_, nullptr, tabRect.left, tabRect.bottom + 2, width, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    const int count = static_cast<int>(SendMessageA(bar_, TB_BUTTONCOUNT, 0, 0));
    RECT first{}, last{};
    SendMessageA(bar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(bar_, TB_GETITEMRECT, static_cast<WPARAM>(std::max(count - 1, 0)), reinterpret_cast<LPARAM>(&last));
    const int height = last.bottom - first.top + 6;
    SetWindowPos(bar_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    window.bottom += height + 2;
  }
  AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// One tab per page, without text: icon i of bitmap 208 names tab i.
void CPaintAttributes::InsertTabs() {
  tabImages_ = ImageList_Create(kTabIconSize, kTabIconSize, ILC_COLOR24 | ILC_MASK, paint::kToolPageCount, 14);
  if (tabImages_ != nullptr) {
    HBITMAP icons = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTabIconsBitmap),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (icons != nullptr) {
      ImageList_AddMasked(tabImages_, icons, kPictureMask);
      DeleteObject(icons);
    }
    TabCtrl_SetImageList(tabs_, tabImages_);
  }
  LONG style = GetWindowLongA(tabs_, GWL_STYLE);
  SetWindowLongA(tabs_, GWL_STYLE, (style & ~TCS_MULTILINE) | TCS_TOOLTIPS);
  TabCtrl_SetPadding(tabs_, 4, 4);
  TabCtrl_SetMinTabWidth(tabs_, 35);
  for (int i = 0; i < paint::kToolPageCount; ++i) {
    TCITEMA item{};
    item.mask = TCIF_IMAGE | TCIF_PARAM;
    item.iImage = i;
    item.lParam = i;
    TabCtrl_InsertItem(tabs_, i, &item);
  }
}

// Tool i of the tab tips covers tab i (id i + 1) with the tool's short name
// ("????????" when its string has none); the rectangles follow the tabs.
void CPaintAttributes::AddTabTips() {
  if (tabTips_ == nullptr) {
    tabTips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    if (tabTips_ == nullptr) return;
    for (int i = 0; i < paint::kToolPageCount; ++i) {
      std::string name = ShortName(paint::PageCommand(i));
      if (name.empty()) name = std::string(res::String(IDS_DEFAULT_TOOL_TIP));
      TOOLINFOA ti{};
      ti.cbSize = TTTOOLINFOA_V1_SIZE;
      ti.uFlags = TTF_SUBCLASS;
      ti.hwnd = tabs_;
      ti.uId = static_cast<UINT_PTR>(i + 1);
      TabCtrl_GetItemRect(tabs_, i, &ti.rect);
      ti.lpszText = name.data();
      SendMessageA(tabTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
  UpdateTabTipRects();
}

void CPaintAttributes::UpdateTabTipRects() {
  if (tabTips_ == nullptr || tabs_ == nullptr) return;
  for (int i = 0; i < paint::kToolPageCount; ++i) {
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = tabs_;
    ti.uId = static_cast<UINT_PTR>(i + 1);
    TabCtrl_GetItemRect(tabs_, i, &ti.rect);
    SendMessageA(tabTips_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void CPaintAttributes::ReadPlacement() {
  fw::Profile* p = Settings();
  int x = p != nullptr ? p->GetInt(kSection, "X", kDefaultX) : kDefaultX;
  int y = p != nullptr ? p->GetInt(kSection, "Y", kDefaultY) : kDefaultY;
  RECT r{};
  GetWindowRect(hwnd_, &r);
  // The whole window stays on the primary screen.
  x = std::max(0, std::min<int>(x, GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)));
  y = std::max(0, std::min<int>(y, GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)));
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPaintAttributes::WritePlacement() {
  fw::Profile* p = Settings();
  if (p == nullptr) return;
  RECT r{};
  GetWindowRect(hwnd_, &r);
  p->WriteInt(kSection, "X", r.left);
  p->WriteInt(kSection, "Y", r.top);
  p->WriteInt(kSection, "PAGE", CurrentPage());
  p->WriteInt(kSection, "MINIMIZED", minimized_ ? 1 : 0);
}

int CPaintAttributes::CurrentPage() const { return tabs_ != nullptr ? TabCtrl_GetCurSel(tabs_) : -1; }

void CPaintAttributes::UpdateCaption(int page) {
  std::string caption(res::String(IDS_PAINT_ATTRIBUTES));
  const std::string name = ShortName(paint::PageCommand(page));
  if (!name.empty()) caption += " - " + name;
  SetWindowTextA(hwnd_, caption.c_str());
}

void CPaintAttributes::ShowPage(int page, bool activate) {
  if (page < 0 || page >= paint::kToolPageCount) return;
  if (tabs_ != nullptr && TabCtrl_GetCurSel(tabs_) != page) TabCtrl_SetCurSel(tabs_, page);
  for (int i = 0; i < paint::kToolPageCount; ++i) {
    CBrushPage* other = Page(i);
    if (other != nullptr && other->Exists() && i != page) ShowWindow(other->Handle(), SW_HIDE);
  }
  if (CBrushPage* shown = Page(page); shown != nullptr && shown->Exists()) {
    SetWindowPos(shown->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(shown->Handle(), activate ? SW_SHOW : SW_SHOWNA);
    UpdateWindow(shown->Handle());
  }
  UpdateCaption(page);
  UpdateAttribBar();
  if (activate && IsWindowVisible(hwnd_)) SetFocus(tabs_);
  const bool matches = brush_ != nullptr && paint::PageMatchesBrush(page, brush_->Class(), brush_->CommandId());
  if (!recreating && initialised_ && !matches) {
    if (HWND main = MainWindow()) PostMessageA(main, WM_COMMAND, paint::PageCommand(page), 0);
  }
}

bool CPaintAttributes::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW) {
        // The bar's tips: strings 10084..10091 for its buttons.
        const std::string tip = BarTip(static_cast<int>(header->idFrom));
        if (tip.empty()) break;
        if (header->code == TTN_GETDISPINFOW) {
          auto* w = reinterpret_cast<NMTTDISPINFOW*>(lParam);
          lstrcpynW(w->szText, WidePath(tip).c_str(), 80);
          w->lpszText = w->szText;
        } else {
          auto* a = reinterpret_cast<NMTTDISPINFOA*>(lParam);
          lstrcpynA(a->szText, tip.c_str(), 80);
          a->lpszText = a->szText;
        }
        *result = 0;
        return true;
      }
      if (header->idFrom == IDC_PAINT_TABS && header->code == TCN_SELCHANGE) {
        ShowPage(TabCtrl_GetCurSel(tabs_), true);
        *result = 0;
        return true;
      }
      break;
    }
    case WM_MOUSEMOVE:
      UpdateTabTipRects();
      break;
    case kMsgPageSelectionChanged:
      UpdateAttribBar();
      *result = 0;
      return true;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case ID_ATTRIB_ADD_SHAPE:
        case ID_ATTRIB_REMOVE_SHAPE:
        case ID_ATTRIB_ADD_PAPER:
        case ID_ATTRIB_REMOVE_PAPER:
        case ID_ATTRIB_ADD_PRESET:
        case ID_ATTRIB_REMOVE_PRESET:
          // The main frame asks for the name or the consent.
          if (HWND main = MainWindow()) SendMessageA(main, WM_COMMAND, LOWORD(wParam), 0);
          UpdateAttribBar();
          *result = 0;
          return true;
        case ID_EDIT_UNDO:
        case ID_EDIT_REDO:
        case ID_EDIT_DESELECT:
        case ID_VIEW_REPAINT:
          // The main frame routes them to the active image window.
          if (HWND main = MainWindow()) SendMessageA(main, WM_COMMAND, LOWORD(wParam), 0);
          *result = 0;
          return true;
        case ID_ATTRIB_BRUSH_SHEET:
          ToggleBrushSheet();
          UpdateAttribBar();
          *result = 0;
          return true;
        case ID_ATTRIB_LOAD_PRESET:
          if (CBrushPage* page = CurrentPageObject()) {
            page->LoadPreset();
            if (sheet_ != nullptr && sheet_->Visible() && page->HasBrushSheet()) sheet_->Show(hwnd_, page);
          }
          *result = 0;
          return true;
        default:
          break;
      }
      break;
    case WM_ACTIVATE:
      // The sheet closed by its own box leaves its button up again.
      UpdateAttribBar();
      if (brush_ == nullptr) {
        RemoveBrushHook();
      } else if (LOWORD(wParam) != WA_INACTIVE) {
        InstallBrushHook();
        SetPrompt(brush_->Caption().c_str());
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) minimized_ = true;
      if ((wParam & 0xFFF0) == SC_RESTORE) minimized_ = false;
      break;
    case WM_CLOSE:
      ShowWindow(hwnd_, SW_HIDE);
      SaveShowState();
      *result = 0;
      return true;
    case WM_DESTROY: {
      WritePlacement();
      RemoveBrushHook();
      const paint::BrushFileResult saved = file_->Save(fileName_);
      if (!saved.ok) {
        MessageBoxA(nullptr, saved.message.c_str(), std::string(res::String(IDS_ERROR_CAPTION)).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
      }
      initialised_ = false;
      if (tabs_ != nullptr) TabCtrl_SetImageList(tabs_, nullptr);
      if (tabImages_ != nullptr) ImageList_Destroy(tabImages_);
      tabImages_ = nullptr;
      tabs_ = nullptr;
      tabTips_ = nullptr;  // destroyed with its owner
      break;
    }
    default:
      break;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

// ---- The current brush

void CPaintAttributes::SetActiveBrush(CToolBrush* brush) {
  if (brush == nullptr) {
    RemoveBrushHook();
    if (!previewOn_) {
      LUPreview_Enable(nullptr, 1, 1);
      previewOn_ = true;
    }
    g_toolCommand = 0;
    HideBrushSheet();
    SelectPageForBrush(nullptr);
  } else if (previewOn_) {
    LUPreview_Enable(nullptr, 0, 1);
    previewOn_ = false;
  }
  brush_ = brush;
  if (brush == nullptr) return;
  RemoveBrushHook();
  InstallBrushHook();
  if (brushHook_ != 0) SetPrompt(brush->Caption().c_str());
  g_toolCommand = brush->CommandId();
  brush->SetStores(&file_->brushFiles, &file_->paperFiles);
  SelectPageForBrush(brush);
}

void CPaintAttributes::SelectPageForBrush(CToolBrush* brush) {
  for (int i = paint::kToolPageCount - 1; i >= 0; --i) {
    if (CBrushPage* page = Page(i)) page->SetBrush(nullptr);
  }
  if (brush == nullptr) return;
  const int page = paint::PageForBrushClass(brush->Class());
  if (page == paint::kNoPage) return;
  if (Exists()) ShowPage(page, false);
  if (CBrushPage* p = Page(page)) p->SetBrush(brush);
}

void CPaintAttributes::OnViewActivated(CLumo40View* view) {
  // Grey images and mask editing take no colour insert modes.
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  const bool restricted =
      stack != nullptr && (stack->GetImageType() == kWAType8Grey || doc->Image().IsMaskEditMode());
  UpdateInsertModes(restricted);
  if (brush_ != nullptr) brush_->OnActivateView(view);
}

void CPaintAttributes::UpdateInsertModes(bool restricted) {
  const int current = CurrentPage();
  if (CBrushPage* page = Page(current)) page->FillInsertModes(restricted);
  for (int i = 0; i < paint::kToolPageCount; ++i) {
    if (CBrushPage* page = Page(i); page != nullptr && i != current) page->FillInsertModes(restricted);
  }
}

void CPaintAttributes::PaintBrushOverlay(CLumo40View* view, HDC dc) {
  if (brush_ != nullptr) brush_->OnViewPaint(view, dc);
}

void CPaintAttributes::SetPrompt(const char* text) {
  if (prompt.set != nullptr) prompt.set(prompt.context, text);
}

// ---- The hook

void CPaintAttributes::InstallBrushHook() {
  if (brushHook_ != 0) return;
  const LU_HOOK hook{&CPaintAttributes::BrushHookProc, this, paint::kBrushHookFlags, 0};
  brushHook_ = LUSetLUHook(nullptr, &hook);
}

void CPaintAttributes::RemoveBrushHook() {
  if (brushHook_ != 0) LURemoveLUHook(nullptr, brushHook_);
  brushHook_ = 0;
  SetPrompt("");
}

int CPaintAttributes::BrushHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* self = static_cast<CPaintAttributes*>(context);
  if (msg == nullptr || inOut == nullptr) return kLUHookPass;
  return paint::RouteBrushHook(*self, *msg, inOut);
}

bool CPaintAttributes::SetBrushCursor() {
  HCURSOR cursor = brush_->GetCursor();
  if (cursor == nullptr) return false;
  SetCursor(cursor);
  return true;
}

POINT CPaintAttributes::SnapPoint(void* window, POINT client) {
  CLumo40View* view = IsImageViewWnd(static_cast<HWND>(window)) ? GetViewFromWnd(static_cast<HWND>(window)) : nullptr;
  if (view != nullptr) view->SnapWindowRect(RECT{0, 0, 0, 0}, &client);
  return client;
}

void CPaintAttributes::KeyDown(std::uintptr_t wParam, std::intptr_t lParam) { brush_->OnKeyDown(wParam, lParam); }
void CPaintAttributes::KeyUp(std::uintptr_t wParam, std::intptr_t lParam) { brush_->OnKeyUp(wParam, lParam); }

void CPaintAttributes::MouseMove(void* window, std::uintptr_t flags, POINT p) {
  brush_->OnMouseMove(static_cast<HWND>(window), static_cast<UINT>(flags), p.x, p.y);
}

void CPaintAttributes::ButtonDown(void* window, std::uintptr_t flags, POINT p) {
  brush_->OnLButtonDown(static_cast<HWND>(window), static_cast<UINT>(flags), p.x, p.y);
}

void CPaintAttributes::ButtonUp(void* window, std::uintptr_t flags, POINT p) {
  brush_->OnLButtonUp(static_cast<HWND>(window), static_cast<UINT>(flags), p.x, p.y);
}

void CPaintAttributes::DoubleClick(void* window, std::uintptr_t flags, POINT p) {
  brush_->OnLButtonDblClk(static_cast<HWND>(window), static_cast<UINT>(flags), p.x, p.y);
}

void CPaintAttributes::SetPaintButton(bool down) { g_paintButton = down; }

void CPaintAttributes::FlushTabletQueue() {}

// ---- The shape and paper stores

namespace {

void SayStoreRefused(HWND owner, std::uint32_t textId, const std::string& name) {
  char message[512];
  std::snprintf(message, sizeof message, std::string(res::String(textId)).c_str(), name.c_str());
  MessageBoxA(owner, message, std::string(res::String(IDS_ERROR_CAPTION)).c_str(), MB_OK | MB_ICONHAND);
}

int FindStoreEntry(const paint::CFileManager& store, const std::string& name) {
  for (int i = store.GetCount() - 1; i >= 0; --i) {
    if (store.GetItem(i)->Name == name) return i;
  }
  return -1;
}

}  // namespace

bool CPaintAttributes::AddBrushShape(const VrWA2000::WA* image, const std::string& name, bool invert) {
  const int index = file_->brushFiles.AddImage(image, name, invert);
  if (index < 0) {
    SayStoreRefused(GetActiveWindow(), IDS_CANT_ADD_SHAPE, name);
    return false;
  }
  for (const auto& page : pages_) {
    if (page != nullptr) page->AddShapeItem(index);
  }
  UpdateAttribBar();
  return true;
}

bool CPaintAttributes::AddPaper(const VrWA2000::WA* image, const std::string& name, bool invert) {
  const int index = file_->paperFiles.AddImage(image, name, invert);
  if (index < 0) {
    SayStoreRefused(GetActiveWindow(), IDS_CANT_ADD_PAPER, name);
    return false;
  }
  for (const auto& page : pages_) {
    if (page != nullptr) page->AddPaperItem(index);
  }
  UpdateAttribBar();
  return true;
}

void CPaintAttributes::RemoveBrushShape(const std::string& name) {
  const int index = FindStoreEntry(file_->brushFiles, name);
  const paint::FMItem* item = file_->brushFiles.GetItem(index);
  const std::string file = item != nullptr ? item->File : std::string();
  if (index < 0 || !file_->brushFiles.RemoveItem(index)) return;
  for (const auto& page : pages_) {
    if (page != nullptr) page->RemoveShapeItem(index);
  }
  ForgetShapePicture(file);
  UpdateAttribBar();
}

void CPaintAttributes::RemovePaper(const std::string& name) {
  const int index = FindStoreEntry(file_->paperFiles, name);
  if (index < 0 || !file_->paperFiles.RemoveItem(index)) return;
  for (const auto& page : pages_) {
    if (page != nullptr) page->RemovePaperItem(index);
  }
  UpdateAttribBar();
}

void CPaintAttributes::ToggleBrushSheet() {
  // A click on the button has already flipped it: the sheet follows the
  // button. The command alone (the button as it was) shows or hides it.
  const bool visible = sheet_ != nullptr && sheet_->Visible();
  const bool down = bar_ != nullptr && SendMessageA(bar_, TB_ISBUTTONCHECKED, ID_ATTRIB_BRUSH_SHEET, 0) != 0;
  const bool show = down != visible ? down : !visible;
  CBrushPage* page = CurrentPageObject();
  if (!show || page == nullptr || !page->HasBrushSheet()) {
    HideBrushSheet();
    return;
  }
  if (sheet_ == nullptr) {
    sheet_ = std::make_unique<CBrushSheet>();
    sheet_->onClosed = [this] { CheckBrushSheetButton(false); };
  }
  CheckBrushSheetButton(sheet_->Show(hwnd_, page));
}

void CPaintAttributes::HideBrushSheet() {
  if (sheet_ != nullptr) sheet_->Hide();
  CheckBrushSheetButton(false);
}

void CPaintAttributes::CheckBrushSheetButton(bool down) {
  if (bar_ != nullptr) SendMessageA(bar_, TB_CHECKBUTTON, ID_ATTRIB_BRUSH_SHEET, MAKELONG(down ? TRUE : FALSE, 0));
}

}  // namespace lumora
