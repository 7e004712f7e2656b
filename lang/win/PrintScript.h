// The macro window's File/Print: the script's lines in the printer's
// default font on the default printer, no print dialog, a small "Printing..."
// box with Cancel while the pages go out and the main window disabled.
#pragma once

#include <windows.h>

namespace lang {

// Prints the edit control's lines with the window's title (cut to 31
// characters) as the job's name. Nothing is said when there is no printer
// or the job fails or is cancelled: the job just ends.
void PrintScript(HWND window, HWND edit);

// The default printer of the system's "device" setting; null for none.
HDC CreateDefaultPrinterDC();

// The abort procedure: pumps the thread's messages (the progress box's
// Cancel among them); FALSE once the job is cancelled.
BOOL CALLBACK PrintAbortProc(HDC dc, int error);
// The progress box: any command cancels the job.
INT_PTR CALLBACK PrintDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lang
