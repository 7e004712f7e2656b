// The application's own commands: the option toggles of the View, Options
// and Selection menus, the file-format library's converters, Close All
// Images and the help topics.
#include "app/MenuPopupLookup.h"
#include "app/ServerRegistration.h"
#include "app/win/ClassesRegistryWin.h"
#include "app/win/EmbeddedImage.h"
#include "app/win/FileTypesDlg.h"
#include "app/win/Lumo40App.h"
#include "framework/DocStrings.h"
#include "app/win/MainFrame.h"
#include "document/DocumentServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/DocView.h"
#include "hostapi/imgxfer.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"

#include <shlobj.h>

namespace lumora {

int* CLumo40App::ToggledSetting(std::uint32_t id) {
  switch (id) {
    case ID_VIEW_PROGRESS_INDICATOR:
      return &settings.showProgressIndicator;
    case ID_VIEW_TEMPORARY_BITMAP:
      return &settings.notUseDDB;
    case ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP:
      return &settings.drawingPinPressed;
    case ID_OPTIONS_DETAILED_ERROR_STATUS:
      return &settings.detailedErrorStatus;
    case ID_SELECTION_AUTO_ALIGN:
      return &settings.alignSelectionToLayer;
    default:
      return nullptr;
  }
}

void CLumo40App::OnToggleSetting(std::uint32_t id) {
  int* value = ToggledSetting(id);
  if (value == nullptr) return;
  *value = *value != 0 ? 0 : 1;
  // The tool host reads the pin from the settings file when a pane opens.
  if (id == ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP) Settings().WriteInt("PinState", "DrawingPinPressed", *value);
}

void CLumo40App::OnUpdateToggleSetting(fw::CmdUI& ui) {
  const int* value = ToggledSetting(ui.Id());
  ui.SetCheck(value != nullptr && *value != 0 ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), value != nullptr));
}

// The tool host's selection tuner: opened for the active area tool, or
// closed as its own close box would.
void CLumo40App::OnSelectionAttributes() {
  if (!LUIsGSelectionTunerDlgOpen(Site())) {
    char name[64] = {};
    LUGetActiveSelection(Site(), name, sizeof name);
    LUOpenGSelectionTunerDlg(Site(), name);
    return;
  }
  if (HWND tuner = static_cast<HWND>(LUGetGSelectionTunerDlg(Site())); tuner != nullptr && IsWindow(tuner)) {
    SendMessageA(tuner, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

void CLumo40App::OnUpdateSelectionAttributes(fw::CmdUI& ui) {
  ui.SetCheck(LUIsGSelectionTunerDlgOpen(Site()) ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), true));
}

void CLumo40App::OnConfigureConverters() {
  ImExp_ConfigureConverters(MainFrame() != nullptr ? MainFrame()->Handle() : nullptr);
}

namespace {

// Explorer keeps the icons and handlers it has read until it is told.
void TellShellIfChanged(const ChangeNotingClassesRegistry& registry) {
  if (registry.Changed()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace

void CLumo40App::OnFileTypes() {
  ProgramClassesRegistry classes;
  ChangeNotingClassesRegistry registry(classes);
  const AssociationTarget target = ProgramAssociationTarget();
  const std::vector<std::string> associable = ProgramAssociableExtensions();
  CFileTypesDlg dialog(Settings(), registry, target, associable, ProgramOwnExtensions(), MainFrame());
  dialog.DoModal();
  // Whatever the dialog ended with, the saved choices hold again.
  RefreshFileAssociations(Settings(), registry, target, associable);
  TellShellIfChanged(registry);
}

void CLumo40App::RefreshShellRegistration(bool servers) {
  ProgramClassesRegistry classes;
  ChangeNotingClassesRegistry registry(classes);
  const AssociationTarget target = ProgramAssociationTarget();
  // The document type's own extension always opens here.
  RegisterExtension(registry, target, ProgramOwnExtensions().front(), true);
  RefreshFileAssociations(Settings(), registry, target, ProgramAssociableExtensions());
  if (servers) {
    const std::string docString(res::String(IDR_IMAGE_DOC));
    RegisterServers(registry, ServerTarget{target.typeName, fw::DocStringPart(docString, fw::DocStringIndex::kFilterExt),
                                           target.programPath});
  }
  TellShellIfChanged(registry);
}

int CLumo40App::CountModifiedDocuments() {
  int modified = 0;
  for (fw::Document* doc : Docs().AllDocuments()) {
    auto* image = dynamic_cast<CLumo40Doc*>(doc);
    if (doc->IsModified() || (image != nullptr && image->Image().IsModified())) ++modified;
  }
  return modified;
}

void CLumo40App::OnCloseAllImages() {
  CMainFrame* frame = MainFrameWnd();
  if (frame == nullptr) return;
  // An image a container edits in its window goes back to that container
  // first, the container told, as when the program ends.
  EndInPlaceEditing();
  int mode = 2;
  if (CountModifiedDocuments() > 1) {
    const int answer = MessageBoxA(frame->Handle(), std::string(res::String(IDS_CLOSE_ALL_QUESTION)).c_str(),
                                   std::string(res::String(IDS_CLOSE_ALL_CAPTION)).c_str(),
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    mode = answer == IDYES ? 1 : 2;
  }
  closeMode = mode;
  frame->SaveAndCloseAllDocuments(false);
  // The mode holds for this command only: a later close asks again.
  closeMode = 0;
}

void CLumo40App::OnHelpTopics() {
  fw::FrameWnd* frame = MainFrame();
  ShowHelp(frame != nullptr ? frame->Handle() : nullptr, HELP_FINDER, 0);
}

void CLumo40App::OnAppFileNew() {
  if (IsCommandAllowedWhileTracking(ID_FILE_NEW)) Docs().OnFileNew();
}

void CLumo40App::OnAppFileOpen() {
  if (IsCommandAllowedWhileTracking(ID_FILE_OPEN)) Docs().OnFileOpen();
}

void CLumo40App::OnUpdateRecentFiles(fw::CmdUI& ui) {
  if (RecentFiles() == nullptr || !RecentFiles()->OwnsId(ui.Id())) {
    ui.ContinueRouting();
    return;
  }
  ui.Enable(FilterCommandEnable(ui.Id(), RecentFiles()->size() > 0));
}

void CLumo40App::OnUpdateAppCommand(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), true)); }

}  // namespace lumora

namespace lumora {

namespace {

lumora::CLumo40DocTemplate* ImageTemplate(fw::App& app) {
  for (const auto& t : app.Docs().Templates()) {
    if (auto* image = dynamic_cast<lumora::CLumo40DocTemplate*>(t.get())) return image;
  }
  return nullptr;
}

}  // namespace

void CLumo40App::InitMainMenuPopups(HMENU menu) {
  mainPopupsOf_ = menu;
  for (int i = 0; i < 6; ++i) mainPopups_[static_cast<std::size_t>(i)] = menu != nullptr ? GetSubMenu(menu, i) : nullptr;
}

void CLumo40App::InitDocMenuPopups(HMENU menu) {
  docPopupsOf_ = menu;
  for (int i = 0; i < 10; ++i) docPopups_[static_cast<std::size_t>(i)] = menu != nullptr ? GetSubMenu(menu, i) : nullptr;
}

void CLumo40App::InitInPlaceMenuPopups(HMENU menu) {
  inPlacePopupsOf_ = menu;
  for (int i = 1; i <= 8; ++i) inPlacePopups_[static_cast<std::size_t>(i)] = menu != nullptr ? GetSubMenu(menu, i) : nullptr;
  // Image and Tools as the document menu has them (the registered tools).
  for (int i : {3, 5}) {
    HMENU target = inPlacePopups_[static_cast<std::size_t>(i)];
    HMENU source = docPopups_[static_cast<std::size_t>(i)];
    if (target != nullptr && source != nullptr) lumora::RefillMenuPopup(target, source);
  }
}

HMENU CLumo40App::GetMenuPopup(int kind, int mainIndex, int otherIndex) {
  lumora::CLumo40DocTemplate* tmpl = ImageTemplate(*this);
  int documents = 0;
  for (const auto& t : Docs().Templates()) documents += static_cast<int>(t->Documents().size());
  const lumora::MenuPopupChoice choice = lumora::ChooseMenuPopup(tmpl != nullptr, documents, kind, mainIndex, otherIndex);
  const auto at = static_cast<std::size_t>(choice.index);
  switch (choice.source) {
    case lumora::MenuPopupSource::kMain: {
      fw::FrameWnd* main = MainFrame();
      if (main != nullptr && main->Menu() != mainPopupsOf_) InitMainMenuPopups(main->Menu());
      return mainPopups_[at];
    }
    case lumora::MenuPopupSource::kDocument:
      if (tmpl->SharedMenu() != docPopupsOf_) InitDocMenuPopups(tmpl->SharedMenu());
      return docPopups_[at];
    case lumora::MenuPopupSource::kInPlace:
      if (tmpl->SharedMenu() != docPopupsOf_) InitDocMenuPopups(tmpl->SharedMenu());
      if (tmpl->InPlaceMenu() != inPlacePopupsOf_) InitInPlaceMenuPopups(tmpl->InPlaceMenu());
      return inPlacePopups_[at];
    default:
      return nullptr;
  }
}

}  // namespace lumora
