// Edit/Paste from File and Image/Import from File after their file dialog:
// a layered file (".LUD", ".PSD") or any file the file-format library
// reads, put into the document as one undo step "Paste From File".
#pragma once

#include <string>

#include "document/ImageDocument.h"

namespace lumora {

// The results: 0 done, 16 read but not placed (nothing changed), 26 the
// file cannot be read.
inline constexpr int kPasteFileCannotPlace = 16;
inline constexpr int kPasteFileUnreadable = 26;

// The file's layers into the document, centred: a flat file's image (or a
// layered file's only layer) directly above the active layer with a
// unique name; several layers on top, each link group on a link id unused
// in the document. Layers of another image type are converted first.
int PasteFileIntoDocument(ImageDocument& doc, const std::string& path);

// The file's layers in place of the document's (its size and type), one
// step that undo takes back; on failure the document stays as it was.
int ImportFileIntoDocument(ImageDocument& doc, const std::string& path);

}  // namespace lumora
