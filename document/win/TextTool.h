// The text tool: Image/Text and Image/Text Selection wait for one click in
// an image view (a one-shot tool-host hook), put a new text layer there and
// open the text dialog on it; the double-click command opens the dialog on
// the active text layer. The dialog lives in dialogs/, which the document
// does not reach: the application installs it through TheTextDialog().
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "engine/layers/LayerText.h"

namespace lumora {

class CLumo40Doc;

// The one modeless text dialog as the document reaches it.
struct TextDialogLink {
  // Creates the dialog when there is none, then attaches the document and
  // the layer; `loadFromLayer` reads the layer's text into the dialog.
  std::function<void(CLumo40Doc* doc, CLayerText* layer, bool loadFromLayer)> attach;
  // Finishes the text the dialog edits (a text selection becomes the
  // selection, a new layer with nothing typed goes) and leaves the dialog
  // with nothing attached.
  std::function<void()> finish;
  // Whether the dialog is open.
  std::function<bool()> isOpen;
  // Greys or enables the dialog window.
  std::function<void(bool enable)> enable;
  // The attached layer with a reference for the caller (null: none).
  std::function<CLayerText*()> attachedLayer;
  // The document goes: the dialog lets go of it (and its layer) without
  // finishing anything.
  std::function<void(CLumo40Doc* doc)> forget;
  // The active layer changed: when the active image's top-level window is
  // not the one the dialog was made for (the main window or an in-place
  // frame), the dialog finishes its text, goes, and opens again for that
  // window on the layer (null or not a text layer: greyed).
  std::function<void(CLumo40Doc* doc, CLayerText* layer)> rehome;
};
TextDialogLink& TheTextDialog();

// The completion of a text hook: the click's client point in `window` (or
// null when the hook ended without a click) and the hook's value.
using TextHookCompletion = void (*)(HWND window, const POINT* point, void* value, int reserved);

// Installs the one-shot hook (flags 0x1007) that waits for a button press
// in an image view passing `filter` (null: any image view): the cursor
// over the views, the completion with the point, or without one for a
// press elsewhere, a click on a non-client area or a key. False when no
// hook could be made.
bool InstallTextHook(HCURSOR cursor, HWND filter, TextHookCompletion completion, void* value);
// Whether a text hook waits for its click.
bool TextHookRunning();
// Ends a waiting hook without a point (its document is going).
void CancelTextHookFor(void* value);

// What the text commands remember between the click and the dialog's
// Apply: 0 a text layer, 1 a text selection.
int TextMode();
void SetTextMode(int mode);

// The dialog's Apply and Cancel on the document's side (see
// ImageDocument::ApplyTextSelection and DiscardNewTextLayer); the mode is
// the text commands' and the selection mode the tool host's.
void ApplyTextSelection(CLumo40Doc* doc, CLayerText* layer);
void DiscardNewTextLayer(CLumo40Doc* doc, CLayerText* layer);

// The text tool's options: the dialog (made once) on the document's active
// layer, its text read when that is a text layer; on another layer or with
// no document it shows the settings a new text takes, nothing to edit.
// False when there is no dialog to show.
bool ShowTextDialog(CLumo40Doc* doc);

}  // namespace lumora
