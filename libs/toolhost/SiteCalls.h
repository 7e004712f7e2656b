// The site entries the library calls about image windows, documents and
// layers, each answering the neutral value when the site lacks the entry.
#pragma once

#include <string>

#include "hostapi/toolhost.h"

namespace lumora::toolhost {

void* ActiveImageWindow(const void* site);
// The window's document, or null.
void* DocOfWindow(const void* site, const void* window);
// The document's active layer, -1 when none.
int ActiveLayerOf(const void* site, void* doc);
bool CanPaintLayer(const void* site, void* doc, int layer);
// The layer's left and top in the document; 0 when the site cannot tell.
int LayerOriginOf(const void* site, void* doc, int layer, POINT* origin);
bool BackupAllowed(const void* site);
// Opens the document's undo step under `name`; the step keeps the image as
// it is now.
int AddUndoStep(const void* site, void* doc, const char* name);
// Repaints a rectangle of the document (document coordinates).
void InvalidateDocRect(const void* site, void* doc, const RECT& rect);
void SetDocModified(const void* site, void* doc);
// The program's folder (through its last backslash), from the site's data
// path; empty without a site.
std::string ProgramFolder(const void* site);

}  // namespace lumora::toolhost
