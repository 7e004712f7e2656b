// The program's documents as the document statements reach them.
#include "lang/doc/win/ProgramDocumentSite.h"

#include <windows.h>

#include <cstring>

#include "document/win/AppServices.h"
#include "document/win/ImageDialogHooks.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"

namespace lang {

namespace {

using lumora::CLumo40Doc;

std::vector<CLumo40Doc*> ImageDocuments() {
  std::vector<CLumo40Doc*> out;
  if (lumora::CLumo40DocManager* manager = lumora::ImageDocManager()) {
    for (fw::Document* doc : manager->AllDocuments())
      if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) out.push_back(image);
  }
  return out;
}

CLumo40Doc* Wrapper(const lumora::ImageDocument& document) {
  for (CLumo40Doc* doc : ImageDocuments())
    if (&doc->Image() == &document) return doc;
  return nullptr;
}

lumora::ImageDocument* ImageOf(fw::Document* doc) {
  auto* image = dynamic_cast<CLumo40Doc*>(doc);
  return image != nullptr ? &image->Image() : nullptr;
}

// Holds the clipboard open for one exchange.
class OpenClipboardScope {
 public:
  OpenClipboardScope() : open_(OpenClipboard(lumora::GetActiveTopLevelWnd()) != 0) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

}  // namespace

lumora::ImageDocument* ProgramDocumentSite::ActiveDocument() {
  HWND active = lumora::GetActiveImageWindow();
  if (active == nullptr) return nullptr;
  // The record holds the view's window, or the frame's when it has no view.
  for (CLumo40Doc* doc : ImageDocuments()) {
    for (fw::View* view : doc->Views()) {
      fw::FrameWnd* frame = view->GetParentFrame();
      if (view->Handle() == active || (frame != nullptr && frame->Handle() == active)) return &doc->Image();
    }
  }
  return nullptr;
}

std::vector<ScriptDocumentSite::OpenDocument> ProgramDocumentSite::OpenDocuments() {
  std::vector<OpenDocument> out;
  for (CLumo40Doc* doc : ImageDocuments()) out.push_back({&doc->Image(), doc->GetTitle()});
  return out;
}

lumora::ImageDocument* ProgramDocumentSite::OpenDocumentFile(const std::string& path) {
  return ImageOf(lumora::OpenDocumentFileEx(path, lumora::OpenRoad::kByContent));
}

lumora::ImageDocument* ProgramDocumentSite::NewDocument(const lumora::CreationRecord& record, const std::string& title) {
  lumora::CLumo40DocManager* manager = lumora::ImageDocManager();
  if (manager == nullptr || manager->Templates().empty()) return nullptr;
  manager->pendingRecord = &record;
  fw::Document* doc = manager->Templates().front()->OpenDocumentFile(std::string(), true);
  manager->pendingRecord = nullptr;
  if (doc == nullptr) return nullptr;
  if (!title.empty()) doc->SetTitle(title);
  return ImageOf(doc);
}

void ProgramDocumentSite::ActivateDocument(lumora::ImageDocument& document) {
  CLumo40Doc* doc = Wrapper(document);
  if (doc == nullptr || doc->Views().empty()) return;
  if (fw::FrameWnd* frame = doc->Views().front()->GetParentFrame()) frame->ActivateFrame(-1);
}

void ProgramDocumentSite::CloseDocument(lumora::ImageDocument& document) {
  CLumo40Doc* doc = Wrapper(document);
  if (doc == nullptr) return;
  doc->SetModifiedFlag(false);
  doc->OnCloseDocument();
}

lumora::DocumentFileHost& ProgramDocumentSite::FileHost(lumora::ImageDocument& document) {
  static class : public lumora::DocumentFileHost {
    bool AskNewImage(lumora::NewImageChoice*) override { return false; }
    bool ConfirmWarning(const std::string&) override { return true; }
    void ReportFileError(int, const std::string&, const std::string&) override {}
  } silent;
  CLumo40Doc* doc = Wrapper(document);
  return doc != nullptr ? static_cast<lumora::DocumentFileHost&>(*doc) : silent;
}

bool ProgramDocumentSite::PutDibOnClipboard(const std::vector<std::uint8_t>& dib) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dib.size());
  if (block == nullptr) return false;
  void* bytes = GlobalLock(block);
  if (bytes == nullptr) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(bytes, dib.data(), dib.size());
  GlobalUnlock(block);
  OpenClipboardScope clipboard;
  if (!clipboard.IsOpen() || !EmptyClipboard() || SetClipboardData(CF_DIB, block) == nullptr) {
    GlobalFree(block);
    return false;
  }
  return true;  // the clipboard owns the block now
}

std::vector<std::uint8_t> ProgramDocumentSite::GetDibFromClipboard() {
  OpenClipboardScope clipboard;
  if (!clipboard.IsOpen()) return {};
  HANDLE block = GetClipboardData(CF_DIB);
  if (block == nullptr) return {};
  const SIZE_T size = GlobalSize(block);
  const void* bytes = GlobalLock(block);
  if (bytes == nullptr) return {};
  std::vector<std::uint8_t> dib(static_cast<const std::uint8_t*>(bytes), static_cast<const std::uint8_t*>(bytes) + size);
  GlobalUnlock(block);
  return dib;
}

MacroLineBuffer& InstallProgramMacroLanguage(const std::string& modulePath, const void* toolHostSite) {
  static ProgramDocumentSite documents;
  static MacroLineBuffer lines;
  MacroLanguageSetup setup;
  setup.modulePath = modulePath;
  setup.documents = &documents;
  setup.toolHostSite = toolHostSite;
  setup.sink = &lines;
  InstallMacroLanguage(setup);
  return lines;
}

MaskShape ProgramDocumentSite::EdgeTemplate(std::uint32_t id) {
  const auto& catalogue = lumora::TheImageDialogs().edgeTemplate;
  return catalogue ? catalogue(id) : MaskShape{};
}

}  // namespace lang
