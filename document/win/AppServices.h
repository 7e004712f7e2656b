// What the application offers around image windows: the record of the
// active image window (the owner of every message box), the image child
// frame that keeps it, and the services that open new documents through
// the document manager.
#pragma once

#include <string>

#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"

namespace lumora {

// The application-wide record of the active image window; the views set it
// (null: no image window is active).
void SetActiveImageWindow(HWND window);
HWND GetActiveImageWindow();
// The top-level ancestor of the active image window, else the main frame's
// window.
HWND GetActiveTopLevelWnd();

// Reports an error of a document as the tool host reports errors: the
// text of the code (the string table), then `text` (a file name and the
// reason), the source and line as the detail, in the site's error box
// (a message box where there is no site). Nothing while errors are frozen.
void ShowDocumentError(int code, const std::string& text, const char* source, int line);

// An MDI child that records its active view's window (or itself, without
// a view) as the active image window while it is active.
class CImageChildFrame : public fw::MdiChild {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(CImageChildFrame)

 protected:
  LRESULT OnImageChildActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnImageChildDestroy(WPARAM wParam, LPARAM lParam);
  HWND ImageWindow();
};

// Opens the file on the given road through the image document manager.
fw::Document* OpenDocumentFileEx(const std::string& path, OpenRoad road);
// A new window around the image (kind 0, the manager's title unless
// `title` is given); marked modified when asked; a non-empty name becomes
// the title with `nameIsTitle`, else the path.
fw::Document* CreateNewDocument(const std::string& name, const char* title, VrWA2000::WA* image,
                                bool setModified, bool nameIsTitle);
// A new window around the layer, which moves to 0, 0; titled when a title
// is given.
fw::Document* NewDocumentFromLayer(CLayer* layer, const std::string& title);
// A new window around the stack (kind 3), made visible and brought
// forward, or kept hidden (an embedding shown in place); null on failure.
fw::Document* NewDocumentFromStack(CLayersManager* stack, bool makeVisible = true);
// A new window with a copy of the document's stack (its layers merged into
// one when asked), titled as the source; the new document's first view, or
// null for a null source or a failure.
fw::View* NewDocumentFromImage(CLumo40Doc* source, bool merge, bool makeVisible, bool waitCursor);

// The dialog "CREATENEW" over the main window: Create New (101), Replace
// Embedding (102) or Cancel (2).
INT_PTR AskCreateOrReplace();
INT_PTR CALLBACK CreateNewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// An image made elsewhere: while the active image window shows an embedded
// picture the user may put it there instead (as an undo step "New image")
// or cancel; otherwise a new document around it (CreateNewDocument's
// arguments). True when it was placed or the user cancelled.
bool PlaceNewImage(VrWA2000::WA* image, const std::string& name, const char* title, bool setModified,
                   bool nameIsTitle);

}  // namespace lumora
