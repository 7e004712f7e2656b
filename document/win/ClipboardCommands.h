// The clipboard commands of an image document (Cut, Copy, Copy Merged,
// Clear and the pastes) and the services behind them: what a copy offers
// the OLE clipboard and how it renders each format, what the clipboard
// can supply, and the pastes of each format into a document or as a new
// one. The document offers these commands after the Layer menu's.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

#include "document/Clipboard.h"
#include "document/win/Lumo40Doc.h"
#include "framework/CmdTarget.h"
#include "framework/CmdUI.h"

namespace lumora {

// The registered formats the clipboard code names (registered on first
// use; every process gets the same ids).
const ClipboardFormatIds& ClipboardFormats();

// The class id stamped on the storage of a copied layered document.
extern const CLSID kDocumentClassId;

// ---- Copy (ClipboardCommands.cpp) ----

// Puts the snapshot on the clipboard: a metafile picture, CF_DIB,
// CF_BITMAP, CF_PALETTE, the selection block and the origin marker, and
// with `layered` the snapshot as an embedded document (with its object
// descriptor) and, when `linkPath` names the saved file, a link to it;
// each rendered only when asked. The selection block names the document's
// size and `fragment` (taken over; null: an empty one). S_OK or the
// clipboard's failure.
HRESULT PutSnapshotOnClipboard(CLayersManager* snapshot, Fragment* fragment, int docWidth, int docHeight,
                               bool layered, const std::string& linkPath = {});

// ---- Paste (Paste.cpp) ----

// What the data object can supply for the rows (QueryPasteEntries over
// its first 20 listed formats).
void QueryPasteEntries(IDataObject* data, PasteRow* rows, int count);
// The usable rows of the clipboard as it is now, for enabling (cached per
// change of the clipboard): own document or images, and selection.
bool ClipboardOffersImages();
bool ClipboardOffersSelection();

// 0, or the error code (16, 36) of each paste, as the commands report it.
int PasteFromClipboard(CLumo40Doc& doc);
int PasteDataObject(CLumo40Doc& doc, IDataObject* data, unsigned format);
int PasteSelectionFromClipboard(CLumo40Doc& doc, bool withStep);
int PasteSelectionFromDataObject(CLumo40Doc& doc, IDataObject* data, bool withStep);
// The Paste Special dialog over the document; 0 when cancelled.
int PasteSpecial(CLumo40Doc& doc);
// The Paste As New Image dialog; the new document in *made (null: none).
int PasteAsNewImage(fw::Document** made);
int PasteAsNewImageDispatch(IDataObject* data, unsigned format, fw::Document** made);
// Selection/Paste as New Image: a grey document of the copied document's
// size holding the selection as a mask.
int PasteMaskAsNewImage(IDataObject* data, fw::Document** made);
// Edit/Paste as New Image (an application command): reports its failure.
void OnEditPasteAsNewImage();
void OnUpdateEditPasteAsNewImage(fw::CmdUI& ui);

// The document of the active image window and whether it has a view.
CLumo40Doc* ActiveImageDoc();
bool HasActiveImageView();

class CClipboardCommands : public fw::CmdTarget {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit CClipboardCommands(CLumo40Doc& document) : doc_(document) {}

  // The copy of algorithm "copy to the clipboard": 1 done, 0 refused (a
  // message said why, the clipboard is as it was).
  int CopyToClipboard(bool cut);
  int CopyMerged();

  void OnEditCopy();
  void OnEditCut();
  void OnEditCopyMerged();
  void OnEditClear();
  void OnEditPaste();
  void OnEditPasteSpecial();
  void OnSelectionPaste();
  void OnSelectionPasteAsNewImage();
  void OnEditPasteFromFile();
  void OnSelectionLoadFrom();
  void OnSelectionSaveAs();
  void OnUpdateSelectionSaveAs(fw::CmdUI& ui);
  void OnImageImportFromFile();

  void OnUpdateAlways(fw::CmdUI& ui);
  void OnUpdateEditCut(fw::CmdUI& ui);
  void OnUpdateEditClear(fw::CmdUI& ui);
  void OnUpdateEditPaste(fw::CmdUI& ui);
  void OnUpdateEditPasteSpecial(fw::CmdUI& ui);
  void OnUpdateSelectionPaste(fw::CmdUI& ui);
  void OnUpdateSelectionPasteAsNewImage(fw::CmdUI& ui);
  void OnUpdateLayered(fw::CmdUI& ui);
  void OnUpdateHasImage(fw::CmdUI& ui);

 private:
  ImageDocument& Image() { return doc_.Image(); }
  void Report(int code, int line);
  // The file dialog and the file's layers into the document (`import`:
  // in place of its own); 1 when the dialog was cancelled, else 0 or the
  // failure, reported.
  int FromFile(bool import);

  CLumo40Doc& doc_;
};

}  // namespace lumora
