// Printing the macro window's script.
#include "lang/win/PrintScript.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/win/App.h"
#include "framework/win/Dialog.h"
#include "framework/win/Window.h"
#include "lang/ScriptPrinting.h"

namespace lang {

namespace {

// Set by the progress box's Cancel; read by the abort procedure.
int gAbort = 0;
// The progress box, whose messages the abort procedure routes to it.
HWND gProgress = nullptr;

std::string EditText(HWND edit) {
  const int length = GetWindowTextLengthA(edit);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// The pages of one started document; false when a page fails or the job
// is cancelled (the caller aborts the document then).
bool PrintPages(HDC dc, HWND edit) {
  if (StartPage(dc) <= 0) return false;
  SIZE cc{};
  GetTextExtentPoint32A(dc, "CC", 2, &cc);
  const int lineHeight = cc.cy;
  const std::string text = EditText(edit);
  const auto lineCount = static_cast<std::size_t>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  const std::vector<std::size_t> starts = PageStarts(lineCount, lineHeight, GetDeviceCaps(dc, VERTRES));
  std::size_t nextPage = 1;
  int y = 0;
  for (std::size_t i = 0; i < lineCount && !starts.empty(); ++i) {
    if (nextPage < starts.size() && starts[nextPage] == i) {
      if (EndPage(dc) <= 0 || gAbort != 0 || StartPage(dc) <= 0) return false;
      ++nextPage;
      y = 0;
    }
    const auto offset = static_cast<std::size_t>(SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
    const auto length = static_cast<std::size_t>(SendMessageA(edit, EM_LINELENGTH, offset, 0));
    if (offset < text.size())
      TextOutA(dc, 0, y, text.data() + offset, static_cast<int>(std::min(length, text.size() - offset)));
    // Asked after each line, as the spooler would, so Cancel is seen.
    if (!PrintAbortProc(dc, 0)) return false;
    y += lineHeight;
  }
  return EndPage(dc) > 0;
}

}  // namespace

HDC CreateDefaultPrinterDC() {
  char device[81] = {};
  GetProfileStringA("windows", "device", "", device, sizeof device);
  PrinterDevice printer;
  if (!ParsePrinterDevice(device, &printer)) return nullptr;
  return CreateDCA(printer.driver.c_str(), printer.name.c_str(), printer.port.c_str(), nullptr);
}

BOOL CALLBACK PrintAbortProc(HDC, int) {
  MSG msg;
  while (gAbort == 0 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (gProgress == nullptr || !IsDialogMessageA(gProgress, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return gAbort == 0;
}

INT_PTR CALLBACK PrintDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_COMMAND) {
    gAbort = 1;
    return TRUE;
  }
  if (message != WM_INITDIALOG) return FALSE;
  fw::CentreOnOwner(dialog);
  return TRUE;
}

void PrintScript(HWND window, HWND edit) {
  char title[32] = {};
  GetWindowTextA(window, title, sizeof title);
  HDC dc = CreateDefaultPrinterDC();
  if (dc == nullptr) return;
  // A cancelled job must not stop every later one after its first line.
  gAbort = 0;
  HWND main = fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr ? fw::TheApp()->MainWindow()->Handle()
                                                                               : nullptr;
  if (main != nullptr) EnableWindow(main, FALSE);
  gProgress = CreateDialogA(GetModuleHandleA(nullptr), "PRINTSCRIPT", window, PrintDlgProc);
  if (gProgress != nullptr) ShowWindow(gProgress, SW_SHOW);
  DOCINFOA info{};
  info.cbSize = sizeof info;
  info.lpszDocName = title;
  if (SetAbortProc(dc, PrintAbortProc) > 0 && StartDocA(dc, &info) > 0) {
    if (PrintPages(dc, edit))
      EndDoc(dc);
    else
      AbortDoc(dc);
  }
  if (main != nullptr) EnableWindow(main, TRUE);
  if (gProgress != nullptr) DestroyWindow(gProgress);
  gProgress = nullptr;
  DeleteDC(dc);
}

}  // namespace lang
