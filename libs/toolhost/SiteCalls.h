// The site entries the library calls about image windows, documents and
// layers, each answering the neutral value when the site lacks the entry.
#pragma once

#include <string>

#include "hostapi/imagebuf.h"
#include "hostapi/fragment.h"
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
// The document's image size; false when the site cannot tell.
bool DocImageSize(const void* site, void* doc, SIZE* size);
// One of the document's images by kind (4: the visible layers flattened on
// white); the document keeps it, null when there is none.
VrWA2000::WA* DocImageOfKind(const void* site, void* doc, int kind);
// The document cropped to the rect as one undo step; its window, null on
// failure.
void* CropDocImage(const void* site, void* doc, const RECT& rect);
// A new image window around the image (the program takes its own
// reference); null on failure.
void* NewImageWindow(const void* site, VrWA2000::WA* image);
// The layer's image buffer (the document keeps it), null when none.
VrWA2000::WA* LayerImageOf(const void* site, void* doc, int layer);
// The layer's mask (its opacity, placed as the layer; the document keeps
// it), null when it has none.
VrWA2000::WA* LayerMaskOf(const void* site, void* doc, int layer);
// Every layer of the document converted to grey or to true colour (the
// document's own conversion); false when the site refused or has no entry.
bool ConvertDocType(const void* site, void* doc, bool grey);
// The view's document's selection replaced (a new reference is taken) as
// the undo step "Set Selection", or freed as one; false without the entry.
bool SetViewSelection(const void* site, void* view, Fragment* fragment);
bool FreeViewSelection(const void* site, void* view);
// The view's document's selection with a reference for the caller, or null.
Fragment* ViewSelection(const void* site, void* view);
// The view's draw context (hostapi/draw.h), null without one.
void* ViewDrawContext(const void* site, void* view);
// Corrects `offset` so that `rect` moved by it snaps to the view's grid and
// guides (image coordinates); false without the entry.
bool SnapImageRect(const void* site, void* view, const RECT& rect, POINT* offset);
// Entry `index` of the site's selection table with its descriptor, null
// when the site lacks it.
LUSiteEntry SelFrgEntry(const void* site, int index, const LU_SITE_TABLE** descriptor);
// The site's prompt stack: an entry on a channel (0 when the site has
// none), its text, its removal.
int PromptAdd(const void* site, int channel, int priority, bool deferred);
void PromptSetText(const void* site, int handle, const char* text);
void PromptRemove(const void* site, int handle);
// The program's folder (through its last backslash), from the site's data
// path; empty without a site.
std::string ProgramFolder(const void* site);

}  // namespace lumora::toolhost
