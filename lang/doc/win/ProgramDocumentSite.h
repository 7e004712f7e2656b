// The document statements' site in the running program: the image
// documents of the document manager, their windows and the clipboard.
#pragma once

#include <string>

#include "lang/doc/DocumentCommands.h"
#include "lang/doc/MacroLanguage.h"

namespace lang {

class ProgramDocumentSite final : public ScriptDocumentSite {
 public:
  lumora::ImageDocument* ActiveDocument() override;
  std::vector<OpenDocument> OpenDocuments() override;
  lumora::ImageDocument* OpenDocumentFile(const std::string& path) override;
  lumora::ImageDocument* NewDocument(const lumora::CreationRecord& record, const std::string& title) override;
  void ActivateDocument(lumora::ImageDocument& document) override;
  void CloseDocument(lumora::ImageDocument& document) override;
  lumora::DocumentFileHost& FileHost(lumora::ImageDocument& document) override;
  bool PutDibOnClipboard(const std::vector<std::uint8_t>& dib) override;
  std::vector<std::uint8_t> GetDibFromClipboard() override;
  MaskShape EdgeTemplate(std::uint32_t id) override;
};

// The program's start-up call: the macro language over "LANG.ini" beside
// `modulePath`, its document statements on the program's documents and its
// tool statements through the tool host with `toolHostSite` (the site
// record given to the tool host), recording into the returned buffer
// (switched off until the macro window switches it on). RemoveMacroLanguage
// undoes it at exit.
MacroLineBuffer& InstallProgramMacroLanguage(const std::string& modulePath, const void* toolHostSite);

}  // namespace lang
