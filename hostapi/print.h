// The printing library: the image of an export adapter on one page, with the
// system's print dialog and a page set-up of its own.
#pragma once

#include "hostapi/imageio.h"

// The library's state (the chosen printer and the page set-up): made by
// initPrinting at start, released by endPrinting at exit. 1 on success.
int initPrinting();
void endPrinting();

// The system's print dialog (printer, paper, orientation), then the page
// set-up (margins; the image at 100 % of its resolution or fitted to the
// page), then one page: the image centred in the printable area within the
// margins, scaled down when larger (never cropped), sent in bands of
// bounded memory from the adapter's rows, the title as the job's name,
// with a box whose Cancel ends the job. 1 when the job was sent, 0 when the
// user cancelled or it failed (nothing printed).
int print(CAbstractWriteWA* image, const char* title);
// As print, with crop marks at the image's corners, registration marks at
// the middle of each side and the title as a caption below, at distances
// the library fixes.
int printMarks(CAbstractWriteWA* image, const char* title);
