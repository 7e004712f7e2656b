// The main frame's side of the help wizard: Help/Effect Wizard opens it,
// and the active image window's document goes to it.
#include "app/win/MainFrame.h"

#include "app/win/Lumo40App.h"
#include "document/win/Lumo40Doc.h"
#include "lang/doc/win/ProgramDocumentSite.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

class FrameWizardHost final : public HelpWizardHost {
 public:
  explicit FrameWizardHost(CMainFrame& frame) : frame_(frame) {}
  ImageDocument* ActiveDocument() override { return documents_.ActiveDocument(); }
  void SendMainCommand(std::uint32_t id) override { SendMessageA(frame_.Handle(), WM_COMMAND, id, 0); }
  const void* ToolHostSite() override {
    CLumo40App* app = TheLumoApp();
    return app != nullptr ? app->Site() : nullptr;
  }

 private:
  CMainFrame& frame_;
  lang::ProgramDocumentSite documents_;
};

}  // namespace

void CMainFrame::OnHelpWizard() {
  if (!helpWizard_) {
    helpWizardHost_ = std::make_unique<FrameWizardHost>(*this);
    helpWizard_ = std::make_unique<CHelpWizardSheet>(*helpWizardHost_, this);
  }
  helpWizard_->Open();
}

void CMainFrame::OnUpdateHelpWizard(fw::CmdUI& ui) { ui.Enable(!helpWizard_ || !helpWizard_->IsOpen()); }

void CMainFrame::HelpWizardFollow(CLumo40View* view) {
  if (!helpWizard_ || !helpWizard_->IsOpen()) return;
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  helpWizard_->SetDocument(doc != nullptr ? &doc->Image() : nullptr);
}

}  // namespace lumora
