// Paste from File and Import from File: reading the file, converting its
// layers to the document's type and placing them.
#include "document/PasteFile.h"

#include <exception>

#include "document/Clipboard.h"
#include "document/DocumentFiles.h"
#include "engine/layered/RWLayers.h"
#include "engine/pixels/FileAdapters.h"
#include "engine/pixels/Progress.h"
#include "hostapi/imgxfer.h"
#include "res/resource.h"

namespace lumora {

namespace {

// The file as a stack of its own (no document): layered files by their
// reader, others through the file-format library as one layer named
// "Layer n" by the document. Null when it cannot be read.
CLayersManagerPtr ReadFileLayers(ImageDocument& doc, const std::string& path, bool* flat) {
  *flat = !HasLayeredExtension(path);
  try {
    if (!*flat) {
      CMyProgress progress(IDS_READING_FILE);
      return CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path));
    }
    CReadFileWA adapter;
    CMyProgress progress(IDS_READING_FILE);
    if (ImExp_ReadFile(&adapter, nullptr, path.c_str(), kImExpReportFailures, &progress, nullptr, 0) == 0) {
      return CLayersManagerPtr();
    }
    WAPtr image = adapter.Image();
    if (!image) return CLayersManagerPtr();
    CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, image.get()));
    stack->GetLayer(0)->SetName(doc.GetLayers()->MakeUniqueLayerName(std::string(), 0, nullptr));
    return stack;
  } catch (const std::exception&) {
    return CLayersManagerPtr();
  }
}

// Every layer converted to the type; false when one cannot be.
bool ConvertLayers(CLayersManager& stack, int type) {
  if (stack.GetImageType() == type) return true;
  CMyProgress progress(IDS_CONVERTING);
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    if (!ConvertLayerType(stack.GetLayer(i), type, 1)) return false;
  }
  return true;
}

}  // namespace

int PasteFileIntoDocument(ImageDocument& doc, const std::string& path) {
  if (!doc.HasImage()) return kPasteFileCannotPlace;
  bool flat = false;
  CLayersManagerPtr read = ReadFileLayers(doc, path, &flat);
  if (!read || read->GetLayerCount() == 0) return kPasteFileUnreadable;
  CLayersManager& stack = *doc.GetLayers();
  if (!ConvertLayers(*read, stack.GetImageType())) return kPasteFileCannotPlace;
  const POINT offset = CentredOrigin(stack.GetWidth(), stack.GetHeight(), read->GetWidth(), read->GetHeight());
  if (read->GetLayerCount() > 1) {
    return doc.AddLayersOnTop(*read, offset, IDS_STEP_PASTE_FROM_FILE, true) ? 0 : kPasteFileCannotPlace;
  }
  CLayerPtr layer = CLayerPtr::Adopt(read->GetLayer(0)->CreateCopy());
  layer->Offset(offset);
  layer->SetLinkId(0);
  if (!flat) layer->SetName(stack.MakeUniqueLayerName(layer->GetName(), 0, nullptr));
  if (!doc.BackupImage(IDS_STEP_PASTE_FROM_FILE)) return kPasteFileCannotPlace;
  if (!doc.InsertLayer(doc.GetActiveLayer(), layer.get(), true, true, false)) {
    doc.RevertLastBackup();
    return kPasteFileCannotPlace;
  }
  doc.SetModifiedFlag(true);
  return 0;
}

int ImportFileIntoDocument(ImageDocument& doc, const std::string& path) {
  if (!doc.HasImage()) return kPasteFileCannotPlace;
  bool flat = false;
  CLayersManagerPtr read = ReadFileLayers(doc, path, &flat);
  if (!read || read->GetLayerCount() == 0) return kPasteFileUnreadable;
  return doc.ImportLayerStack(read.get(), IDS_STEP_PASTE_FROM_FILE) ? 0 : kPasteFileCannotPlace;
}

}  // namespace lumora
