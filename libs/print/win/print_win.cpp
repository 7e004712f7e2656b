// The printing library on Windows: the system's print dialog, the page
// set-up dialog, the cancel box, and the page drawn band by band.
#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "hostapi/print.h"
#include "libs/print/layout.h"
#include "platform/trace.h"
#include "platform/win/dialog_template.h"

namespace {

using lumora::platform::TemplateWriter;
namespace lp = lumora::print;

// At most this much of the image is held at once while it is sent.
constexpr std::size_t kBandBudget = 1u << 20;

struct State {
  bool ready = false;
  HGLOBAL devMode = nullptr;
  HGLOBAL devNames = nullptr;
  lp::PageSetup setup;
};
State& TheState() {
  static State state;
  return state;
}

// ---- Page set-up

constexpr int kIdActual = 301;
constexpr int kIdFit = 302;
constexpr int kIdMarginLeft = 303;
constexpr int kIdMarginTop = 304;
constexpr int kIdMarginRight = 305;
constexpr int kIdMarginBottom = 306;
constexpr int kMaxMarginMm = 100;

INT_PTR CALLBACK SetupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* setup = reinterpret_cast<lp::PageSetup*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    const auto* s = reinterpret_cast<lp::PageSetup*>(lParam);
    CheckRadioButton(dialog, kIdActual, kIdFit, s->fit ? kIdFit : kIdActual);
    SetDlgItemInt(dialog, kIdMarginLeft, static_cast<UINT>(s->marginLeft / 100), FALSE);
    SetDlgItemInt(dialog, kIdMarginTop, static_cast<UINT>(s->marginTop / 100), FALSE);
    SetDlgItemInt(dialog, kIdMarginRight, static_cast<UINT>(s->marginRight / 100), FALSE);
    SetDlgItemInt(dialog, kIdMarginBottom, static_cast<UINT>(s->marginBottom / 100), FALSE);
    return TRUE;
  }
  if (message != WM_COMMAND || setup == nullptr) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    int values[4] = {};
    const int ids[4] = {kIdMarginLeft, kIdMarginTop, kIdMarginRight, kIdMarginBottom};
    for (int i = 0; i < 4; ++i) {
      BOOL ok = FALSE;
      values[i] = static_cast<int>(GetDlgItemInt(dialog, ids[i], &ok, FALSE));
      if (!ok || values[i] > kMaxMarginMm) {
        MessageBoxA(dialog, "Please enter a margin between 0 and 100 mm.", "Page Setup", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dialog, ids[i]));
        return TRUE;
      }
    }
    setup->marginLeft = values[0] * 100;
    setup->marginTop = values[1] * 100;
    setup->marginRight = values[2] * 100;
    setup->marginBottom = values[3] * 100;
    setup->fit = IsDlgButtonChecked(dialog, kIdFit) == BST_CHECKED;
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

bool RunPageSetup(HWND owner, lp::PageSetup* setup) {
  TemplateWriter t;
  t.Header("Page Setup", 14, 200, 112);
  t.Item(BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 8, 8, 184, 10, kIdActual, 0x80,
         "&Actual size (the image's resolution)");
  t.Item(BS_AUTORADIOBUTTON, 8, 22, 184, 10, kIdFit, 0x80, "&Fit to the page");
  t.Item(SS_LEFT, 8, 40, 184, 9, 311, 0x82, "Margins (mm):");
  t.Item(SS_LEFT, 8, 54, 30, 9, 312, 0x82, "&Left:");
  t.Item(ES_NUMBER | WS_BORDER | WS_TABSTOP | WS_GROUP, 40, 52, 30, 12, kIdMarginLeft, 0x81, "");
  t.Item(SS_LEFT, 100, 54, 30, 9, 313, 0x82, "&Top:");
  t.Item(ES_NUMBER | WS_BORDER | WS_TABSTOP, 134, 52, 30, 12, kIdMarginTop, 0x81, "");
  t.Item(SS_LEFT, 8, 72, 30, 9, 314, 0x82, "&Right:");
  t.Item(ES_NUMBER | WS_BORDER | WS_TABSTOP, 40, 70, 30, 12, kIdMarginRight, 0x81, "");
  t.Item(SS_LEFT, 100, 72, 30, 9, 315, 0x82, "&Bottom:");
  t.Item(ES_NUMBER | WS_BORDER | WS_TABSTOP, 134, 70, 30, 12, kIdMarginBottom, 0x81, "");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 86, 92, 50, 14, IDOK, 0x80, "OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 142, 92, 50, 14, IDCANCEL, 0x80, "Cancel");
  t.Item(SS_LEFT, 8, 94, 70, 9, 316, 0x82, "");
  lp::PageSetup edited = *setup;
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), owner, &SetupProc,
                                                 reinterpret_cast<LPARAM>(&edited));
  if (result != IDOK) return false;
  *setup = edited;
  return true;
}

// ---- The cancel box and the abort procedure

struct Job {
  HWND box = nullptr;
  bool cancelled = false;
};
Job* runningJob = nullptr;

INT_PTR CALLBACK CancelBoxProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && runningJob != nullptr) {
    runningJob->cancelled = true;
    return TRUE;
  }
  return FALSE;
}

BOOL CALLBACK AbortProc(HDC, int) {
  MSG msg;
  while (runningJob != nullptr && !runningJob->cancelled && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (runningJob->box == nullptr || !IsDialogMessageA(runningJob->box, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return runningJob != nullptr && !runningJob->cancelled;
}

HWND MakeCancelBox(HWND owner, const std::string& title) {
  TemplateWriter t;
  t.Header("Printing", 3, 180, 56);
  t.Item(SS_CENTER, 8, 8, 164, 9, 321, 0x82, "Printing");
  t.Item(SS_CENTER | SS_NOPREFIX, 8, 20, 164, 9, 322, 0x82, title.c_str());
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 65, 36, 50, 14, IDCANCEL, 0x80, "Cancel");
  HWND box = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), owner, &CancelBoxProc, 0);
  if (box != nullptr) ShowWindow(box, SW_SHOW);
  return box;
}

// ---- The page

struct Picture {
  int width = 0, height = 0, type = 0, bitsPerPixel = 0, bytesPerRow = 0;
  int dpiX = 0, dpiY = 0;
  std::vector<BYTE> info;  // BITMAPINFO with its colour table
};

int BitsOfType(int type) {
  switch (type) {
    case 1: return 1;
    case 2: return 4;
    case 4:
    case 8: return 8;
    case 16: return 24;
    default: return 0;
  }
}

bool Describe(CAbstractWriteWA& image, Picture* p) {
  int count = 0;
  if (image.GetImageCount(&count) != 0 || count < 1) return false;
  if (image.GetSize(0, 0, &p->width, &p->height) != 0 || p->width <= 0 || p->height <= 0) return false;
  if (image.GetType(0, 0, &p->type) != 0) return false;
  p->bitsPerPixel = BitsOfType(p->type);
  if (p->bitsPerPixel == 0) return false;
  p->bytesPerRow = static_cast<int>((static_cast<std::int64_t>(p->width) * p->bitsPerPixel + 31) / 32 * 4);
  if (image.GetResolution(0, 0, &p->dpiX, &p->dpiY) != 0) p->dpiX = p->dpiY = 0;
  const int colours = p->bitsPerPixel <= 8 ? 1 << p->bitsPerPixel : 0;
  p->info.assign(sizeof(BITMAPINFOHEADER) + static_cast<std::size_t>(colours) * sizeof(RGBQUAD), 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(p->info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = p->width;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(p->bitsPerPixel);
  header->biCompression = BI_RGB;
  header->biClrUsed = static_cast<DWORD>(colours);
  if (colours > 0) {
    std::vector<PALETTEENTRY> palette(static_cast<std::size_t>(colours));
    if (p->type == 8) {
      for (int i = 0; i < 256; ++i) palette[static_cast<std::size_t>(i)] = {BYTE(i), BYTE(i), BYTE(i), 0};
    } else if (image.GetPalette(0, 0, palette.data()) != 0) {
      return false;
    }
    auto* table = reinterpret_cast<RGBQUAD*>(p->info.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < colours; ++i) {
      const PALETTEENTRY& e = palette[static_cast<std::size_t>(i)];
      table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  }
  return true;
}

lp::PageGeometry Geometry(HDC dc) {
  lp::PageGeometry g;
  g.pageWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
  g.pageHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
  g.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
  g.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  g.printableWidth = GetDeviceCaps(dc, HORZRES);
  g.printableHeight = GetDeviceCaps(dc, VERTRES);
  g.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  g.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  if (g.pageWidth <= 0) g.pageWidth = g.printableWidth;
  if (g.pageHeight <= 0) g.pageHeight = g.printableHeight;
  return g;
}

// The image's rows band by band (the adapter's rows run from the bottom),
// each band stretched onto its share of `to`. An image with more pixels
// than the device has in `to` is sent at the device's resolution (each
// device pixel the source pixel under its centre, as the device's own
// colour-on-colour stretching would drop the rest): the driver then
// encodes a fraction of the bytes. False when a row cannot be read or the
// job was cancelled.
bool SendBands(HDC dc, CAbstractWriteWA& image, Picture& p, const lp::Box& to, Job& job) {
  const bool whole = p.bitsPerPixel < 8 || (to.Width() >= p.width && to.Height() >= p.height);
  const int width = whole ? p.width : std::min(p.width, to.Width());
  const int height = whole ? p.height : std::min(p.height, to.Height());
  const int bytesPerPixel = p.bitsPerPixel / 8;
  const int bytesPerRow = whole ? p.bytesPerRow : (width * bytesPerPixel + 3) / 4 * 4;
  std::vector<int> columns;
  std::vector<BYTE> source;
  if (!whole) {
    columns.resize(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) columns[static_cast<std::size_t>(x)] = lp::SourceIndex(x, width, p.width);
    source.resize(static_cast<std::size_t>(p.bytesPerRow));
  }
  const int band = lp::BandRows(bytesPerRow, height, kBandBudget);
  std::vector<BYTE> bits(static_cast<std::size_t>(band) * static_cast<std::size_t>(bytesPerRow));
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(p.info.data());
  header->biWidth = width;
  SetStretchBltMode(dc, COLORONCOLOR);
  for (int top = 0; top < height; top += band) {
    const int rows = std::min(band, height - top);
    // Rows top .. top + rows - 1 from the top; a bottom-up DIB holds the
    // lowest first. Adapter row a is image row height - 1 - a from the top.
    for (int i = 0; i < rows; ++i) {
      BYTE* out = bits.data() + static_cast<std::size_t>(i) * bytesPerRow;
      const int fromTop = top + rows - 1 - i;
      if (whole) {
        if (image.GetRow(0, 0, p.height - 1 - fromTop, out) != 0) return false;
        continue;
      }
      const int sourceRow = lp::SourceIndex(fromTop, height, p.height);
      if (image.GetRow(0, 0, p.height - 1 - sourceRow, source.data()) != 0) return false;
      lp::PickColumns(source.data(), bytesPerPixel, columns, out);
    }
    header->biHeight = rows;
    const int y0 = to.top + lp::BandEdge(top, height, to.Height());
    const int y1 = to.top + lp::BandEdge(top + rows, height, to.Height());
    if (y1 > y0) {
      StretchDIBits(dc, to.left, y0, to.Width(), y1 - y0, 0, 0, width, rows, bits.data(),
                    reinterpret_cast<BITMAPINFO*>(p.info.data()), DIB_RGB_COLORS, SRCCOPY);
    }
    if (!AbortProc(dc, 0) || job.cancelled) return false;
  }
  return true;
}

void DrawMarks(HDC dc, const lp::Box& image, const lp::PageGeometry& g, const std::string& title) {
  const lp::Marks m = lp::PlaceMarks(image, g.dpiX, g.dpiY);
  HPEN pen = CreatePen(PS_SOLID, std::max(1, g.dpiX / 150), RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  auto line = [dc](const lp::Line& l) {
    MoveToEx(dc, l.x0, l.y0, nullptr);
    LineTo(dc, l.x1, l.y1);
  };
  for (const lp::Line& l : m.crop) line(l);
  for (int k = 0; k < 4; ++k) {
    const int r = m.registrationRadius;
    Ellipse(dc, m.registrationX[k] - r, m.registrationY[k] - r, m.registrationX[k] + r + 1, m.registrationY[k] + r + 1);
  }
  for (const lp::Line& l : m.registrationCross) line(l);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  // The caption: 10 points, centred under the bottom marks.
  HFONT font = CreateFontA(-MulDiv(10, g.dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, m.captionX, m.captionY, title.c_str(), static_cast<int>(title.size()));
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

int CaptionHeight(int dpiY) {
  // 10-point text and the gap above it.
  return MulDiv(10, dpiY, 72) * 3 / 2 + lp::MarkGap(dpiY);
}

int Run(CAbstractWriteWA* image, const char* title, bool marks) {
  State& state = TheState();
  if (image == nullptr) return 0;
  Picture picture;
  if (!Describe(*image, &picture)) return 0;
  HWND owner = GetActiveWindow();
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.hDevMode = state.devMode;
  pd.hDevNames = state.devNames;
  pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  pd.nCopies = 1;
  const BOOL chosen = PrintDlgA(&pd);
  state.devMode = pd.hDevMode;
  state.devNames = pd.hDevNames;
  if (!chosen || pd.hDC == nullptr) return 0;
  HDC dc = pd.hDC;
  if (!RunPageSetup(owner, &state.setup)) {
    DeleteDC(dc);
    return 0;
  }
  // The spool time is measured from here (bench/print-spool).
  lumora::TraceMark("print dialogs closed");
  const lp::PageGeometry page = Geometry(dc);
  const int reserve = marks ? lp::MarksReserve(std::max(page.dpiX, page.dpiY)) : 0;
  const int caption = marks ? CaptionHeight(page.dpiY) : 0;
  const lp::Box place = lp::PlaceImage(page, state.setup, picture.width, picture.height, picture.dpiX, picture.dpiY,
                                       reserve, caption);
  if (place.Empty()) {
    MessageBoxA(owner, "The margins leave no room for the image.", "Print", MB_OK | MB_ICONEXCLAMATION);
    DeleteDC(dc);
    return 0;
  }
  const std::string name = title != nullptr && *title != '\0' ? title : "Untitled";
  Job job;
  runningJob = &job;
  if (owner != nullptr) EnableWindow(owner, FALSE);
  job.box = MakeCancelBox(owner, name);
  SetAbortProc(dc, &AbortProc);
  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = name.c_str();
  bool sent = StartDocA(dc, &doc) > 0;
  if (sent) sent = StartPage(dc) > 0;
  if (sent) sent = SendBands(dc, *image, picture, place, job);
  if (sent && marks) DrawMarks(dc, place, page, name);
  if (sent) sent = EndPage(dc) > 0 && !job.cancelled;
  if (sent) {
    EndDoc(dc);
    lumora::TraceMark("print job sent");
  } else {
    AbortDoc(dc);
  }
  if (owner != nullptr) EnableWindow(owner, TRUE);
  if (job.box != nullptr) DestroyWindow(job.box);
  runningJob = nullptr;
  DeleteDC(dc);
  return sent ? 1 : 0;
}

}  // namespace

int initPrinting() {
  State& state = TheState();
  state.ready = true;
  return 1;
}

void endPrinting() {
  State& state = TheState();
  if (state.devMode != nullptr) GlobalFree(state.devMode);
  if (state.devNames != nullptr) GlobalFree(state.devNames);
  state = State{};
}

int print(CAbstractWriteWA* image, const char* title) { return Run(image, title, false); }

int printMarks(CAbstractWriteWA* image, const char* title) { return Run(image, title, true); }
