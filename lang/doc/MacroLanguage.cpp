// The macro language's start-up.
#include "lang/doc/MacroLanguage.h"

#include <filesystem>
#include <memory>
#include <string>

#include "lang/Script.h"
#include "lang/SelectAreaCommands.h"
#include "lang/ToolHostAdapters.h"
#include "lang/doc/DocumentRecording.h"
#include "lang/doc/DocumentToolWindow.h"

namespace lang {

namespace {

// The registered-tool statements' link: the tool host, and the active
// document's window for the buffer a statement runs on.
struct ProgramToolLink {
  ProgramToolLink(const void* toolHostSite, ScriptDocumentSite& documents)
      : host(toolHostSite),
        context{host, [this](const VrWA2000::WA* buffer) { return WindowShowing(buffer); }},
        link(context, [this](ScriptRunState& state) { return ActiveImage(state); }),
        documents_(documents) {}

  // The active document's image, with the run's active layer made the
  // document's first: a recorded "SetActiveLayer(n);" says which layer the
  // tool statement after it works on.
  VrWA2000::WA* ActiveImage(ScriptRunState& state) {
    lumora::ImageDocument* doc = documents_.ActiveDocument();
    if (doc == nullptr || !doc->HasImage()) {
      state.failure = "no active image";
      return nullptr;
    }
    if (state.activeLayer >= 0) {
      // A layer that is not there must not let the tool work on another.
      if (state.activeLayer >= doc->GetLayers()->GetLayerCount()) {
        state.failure = "the image has no layer " + std::to_string(state.activeLayer);
        return nullptr;
      }
      doc->SetActiveLayerByIndex(state.activeLayer, false, false);
    }
    image_ = doc->GetActiveImage();
    return image_.get();
  }
  ToolRunWindow* WindowShowing(const VrWA2000::WA* buffer) {
    lumora::ImageDocument* doc = documents_.ActiveDocument();
    if (doc == nullptr || buffer == nullptr || doc->GetActiveImage().get() != buffer) return nullptr;
    window_ = std::make_unique<DocumentToolRunWindow>(*doc);
    return window_.get();
  }

  LUToolRunHost host;
  ToolRunContext context;
  LUToolHostLink link;

 private:
  ScriptDocumentSite& documents_;
  WAPtr image_;
  std::unique_ptr<DocumentToolRunWindow> window_;
};

// The recorder's view of the active document.
class ActiveDocumentContext final : public RecordImageContext {
 public:
  explicit ActiveDocumentContext(ScriptDocumentSite& documents) : documents_(documents) {}
  bool HasActiveDocument() const override {
    lumora::ImageDocument* doc = documents_.ActiveDocument();
    return doc != nullptr && doc->HasImage();
  }
  std::int32_t ActiveLayerIndex() const override {
    lumora::ImageDocument* doc = documents_.ActiveDocument();
    return doc != nullptr && doc->HasImage() ? doc->GetLayers()->GetLayerIndex(doc->GetActiveLayer()) : -1;
  }

 private:
  ScriptDocumentSite& documents_;
};

std::unique_ptr<ActiveDocumentContext>& InstalledContext() {
  static std::unique_ptr<ActiveDocumentContext> context;
  return context;
}

std::unique_ptr<ProgramToolLink>& InstalledToolLink() {
  static std::unique_ptr<ProgramToolLink> link;
  return link;
}

}  // namespace

void RemoveMacroLanguage() {
  RemoveDocumentRecording();
  SetMacroRecorder(nullptr, nullptr);
  // The command set refers to the link: the set goes first.
  InstallLangCommands(nullptr);
  InstalledToolLink().reset();
  InstalledContext().reset();
}

void InstallMacroLanguage(const MacroLanguageSetup& setup) {
  RemoveMacroLanguage();
  if (setup.documents != nullptr)
    InstalledToolLink() = std::make_unique<ProgramToolLink>(setup.toolHostSite, *setup.documents);
  InstallProgramLangCommands(setup.modulePath, InstalledToolLink() ? &InstalledToolLink()->link : nullptr);
  LangCommandSet& commands = *GetLangCommands();
  InstallSelectAreaExecutors(commands);
  if (setup.documents != nullptr) InstallDocumentExecutors(commands, *setup.documents);
  RecordImageContext* image = setup.image;
  if (image == nullptr && setup.documents != nullptr) {
    InstalledContext() = std::make_unique<ActiveDocumentContext>(*setup.documents);
    image = InstalledContext().get();
  }
  SetMacroRecorder(setup.sink, image);
  InstallDocumentRecording();
  SetMacroProgramFolder(std::filesystem::path(LangIniPathFor(setup.modulePath)).parent_path());
}

}  // namespace lang
