// Opening and saving an image document. Opening decides the reader by the
// file's first four bytes (OpenDocumentFile) or by its extension
// (OpenByExtension: ".LUD" and ".PSD" are layered); saving decides by the
// extension alone. Layered files keep every layer; every other format gets
// the visible layers merged on white through the file-format library,
// which replaces the target only after a complete write.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "document/ImageDocument.h"
#include "hostapi/imageio.h"

namespace lumora {

// What the new-image dialog gives.
struct NewImageChoice {
  int width = 0;
  int height = 0;
  int xResolution = 72;
  int yResolution = 72;
  COLORREF colour = 0xFFFFFFu;
};

// The dialogs and the tool host's error state as opening and saving use
// them.
class DocumentFileHost {
 public:
  virtual ~DocumentFileHost() = default;
  // The new-image dialog; false for Cancel.
  virtual bool AskNewImage(NewImageChoice* choice) = 0;
  // An OK/Cancel warning box; true for OK.
  virtual bool ConfirmWarning(const std::string& text) = 0;
  // The tool host's error code with the file name and the reason (what
  // went wrong, in words; empty when the code says it all), shown.
  virtual void ReportFileError(int code, const std::string& path, const std::string& reason) = 0;
};

bool HasExtension(const std::string& path, const char* extension);
// A reason (what went wrong, as the engine words it) as a sentence: its
// first letter capital, a full stop at its end.
std::string Sentence(std::string reason);
// The text of the string with its "%s" replaced by the name.
std::string FormatWithName(std::uint32_t textId, const std::string& name);
// The text of the string with its "%s" replaced by the names in order and
// "%%" by one percent sign, as the string table's message texts read.
std::string FormatWithNames(std::uint32_t textId, std::initializer_list<std::string_view> names);
// ".LUD" or ".PSD", in any case.
bool HasLayeredExtension(const std::string& path);

// By the first four bytes ("8BPS" or "LU40" are layered).
int OpenDocumentFile(ImageDocument& doc, const std::string& path, DocumentFileHost& host);
// By the extension (File/Open, the shell, the template).
int OpenByExtension(ImageDocument& doc, const std::string& path, DocumentFileHost& host);
// An empty ".LUD" file asks for a new image (the document is then marked
// modified); the layer stack's native field follows the extension.
int OpenLayeredDocument(ImageDocument& doc, const std::string& path, DocumentFileHost& host);
// A file of the file-format library as a one-layer document.
int OpenFlatDocument(ImageDocument& doc, const std::string& path);
// Reads the file again and puts it in place of the document's image; on
// any failure nothing changes. The caller asks first when it is modified.
int ReloadDocument(ImageDocument& doc, const std::string& path, DocumentFileHost& host);

// The visible layers merged on white (caller's reference).
WAPtr GetFlattenedImage(ImageDocument& doc);

// "description|pattern|" pairs ended by "||": the layered formats unless
// the stack is flat with a flattened image of type 2, then, for a flat
// stack or an export, the formats the library writes for the flattened
// image's type. `fill` is the library's list (ImExp_FillSaveFormatsInfoEx
// by default).
using SaveFormatLister = std::function<int(char* buffer, int size, int type)>;
std::string BuildSaveFilter(ImageDocument& doc, bool exportMode,
                            const SaveFormatLister& fill = nullptr);

// Writes the document to the path in the format of its extension. With
// `clearModified` (Save, Save As) a stack that is not flat going to a
// flattening format is first confirmed (Cancel writes nothing) and stays
// marked modified afterwards. `progress` null shows "Writing file...".
int SaveToFile(ImageDocument& doc, const std::string& path, bool clearModified,
               DocumentFileHost& host, CProgress* progress = nullptr);

// ---- The layered data of a document in a stream (the archive road) ----

// Raised while a document opens its file: serialising then reads nothing,
// so the file is read once.
void SetDocumentBeingOpened(bool opening);
bool IsDocumentBeingOpened();
// The stack the next storing serialisation writes (a reference is held;
// null clears it), and the stack a loading one left for a paste to take.
void SetStackToSerialize(CLayersManager* stack);
CLayersManager* GetStackToSerialize();
CLayersManagerPtr TakeStackToSerialize();
// Raised by a paste that asks a loading serialisation for its stack.
void SetPasteLoading(bool loading);
bool IsPasteLoading();

// Reads a layered document at the file's position: for a paste it is left
// as the stack to serialise, else installed in the document. 0 when it
// cannot be read or installed; the document is then as it was.
int LoadSerializedStack(ImageDocument& doc, StreamFile& file);
// Writes the stack to serialise (the document's own when none is set) as
// a layered file through a temporary file "lud..." in the temporary
// folder, copied into `out` in pieces of at most 2 MB; the temporary file
// is removed. Faults throw.
void StoreSerializedStack(ImageDocument& doc, StreamFile& out);
// Writes the stack as a layered file into `out` by the same road (a
// temporary file copied in pieces). Faults throw.
void StoreLayeredStack(CLayersManager& stack, StreamFile& out);
// The largest piece StoreSerializedStack copies at once.
constexpr std::uint32_t kSerializeChunkBytes = 2u * 1024u * 1024u;
// Writes the stack as a layered file at `path` (native or the Photoshop
// layout by its extension; through a temporary file renamed over it).
// Faults throw; a path without a layered extension is refused with
// std::invalid_argument and nothing is written.
void SaveLayeredStack(CLayersManager& stack, const std::string& path);
// Reads a layered file from `in` (from its position to its end), copied
// first into memory in the same pieces: a stream in another process then
// costs one call a piece rather than one a field. Faults throw.
CLayersManagerPtr LoadLayeredStack(StreamFile& in);

}  // namespace lumora
