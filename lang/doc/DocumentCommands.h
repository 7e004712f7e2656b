// The executors of sections "SYSTEM" and "BUILTIN TOOLS": statements that
// open, save, close and exchange images and change the active document's
// layers. They work on the portable document; what needs windows (which
// document is active, opening one in a window, the clipboard) goes through
// ScriptDocumentSite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"

namespace lang {

class LangCommandSet;

// Shapes an 8-bit mask in place (pixels, width, height, row stride); false
// when it cannot.
using MaskShape = std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)>;

class ScriptDocumentSite {
 public:
  struct OpenDocument {
    lumora::ImageDocument* document;
    std::string title;
  };
  virtual ~ScriptDocumentSite() = default;
  // The document of the active image window; null without one.
  virtual lumora::ImageDocument* ActiveDocument() = 0;
  // Every open document with its title.
  virtual std::vector<OpenDocument> OpenDocuments() = 0;
  // The application's opening of a file in a window; null when it fails
  // (it shows its own messages).
  virtual lumora::ImageDocument* OpenDocumentFile(const std::string& path) = 0;
  // A new document in its own window made from the record and titled
  // `title`; null when it cannot be made.
  virtual lumora::ImageDocument* NewDocument(const lumora::CreationRecord& record, const std::string& title) = 0;
  // Activates the document's first window and refreshes the layer palette
  // and the navigator.
  virtual void ActivateDocument(lumora::ImageDocument& document) = 0;
  // Closes the document's window without asking to save.
  virtual void CloseDocument(lumora::ImageDocument& document) = 0;
  // The dialogs and messages of the document's saving.
  virtual lumora::DocumentFileHost& FileHost(lumora::ImageDocument& document) = 0;
  // A packed device-independent bitmap onto the clipboard (false when the
  // clipboard cannot be opened), and the clipboard's one (empty: none).
  virtual bool PutDibOnClipboard(const std::vector<std::uint8_t>& dib) = 0;
  virtual std::vector<std::uint8_t> GetDibFromClipboard() = 0;
  // Edge template `id` of the catalogue Layer/Edges... offers, as the
  // shaping of a layer mask; empty when the catalogue has no such template.
  virtual MaskShape EdgeTemplate(std::uint32_t id) = 0;
};

// Installs the system and built-in tool executors by entry number. The site
// must outlive the commands.
void InstallDocumentExecutors(LangCommandSet& commands, ScriptDocumentSite& site);

}  // namespace lang
