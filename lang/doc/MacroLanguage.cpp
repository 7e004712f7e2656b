// The macro language's start-up.
#include "lang/doc/MacroLanguage.h"

#include <filesystem>

#include "lang/SelectAreaCommands.h"

namespace lang {

void InstallMacroLanguage(const MacroLanguageSetup& setup) {
  InstallProgramLangCommands(setup.modulePath, setup.tools);
  LangCommandSet& commands = *GetLangCommands();
  InstallSelectAreaExecutors(commands);
  if (setup.documents != nullptr) InstallDocumentExecutors(commands, *setup.documents);
  SetMacroRecorder(setup.sink, setup.image);
  const std::string folder = LangIniPathFor(setup.modulePath);
  SetMacroProgramFolder(std::filesystem::path(folder).parent_path());
}

}  // namespace lang
