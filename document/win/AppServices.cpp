// The active image window's record and the services that open new image
// documents through the first document template.
#include "document/win/AppServices.h"

#include "document/DocumentServices.h"
#include "framework/win/App.h"
#include "framework/win/Dialog.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

HWND activeImageWindow = nullptr;

fw::DocTemplate* FirstTemplate(CLumo40DocManager* manager) {
  return manager != nullptr && !manager->Templates().empty() ? manager->Templates().front().get() : nullptr;
}

void ActivateMainFrame() {
  fw::FrameWnd* main = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr;
  if (main != nullptr) main->ActivateFrame(-1);
}

// A new window through the first template, its document made from the
// record instead of the new-image dialog.
fw::Document* OpenWithRecord(const CreationRecord& record, bool makeVisible) {
  CLumo40DocManager* manager = ImageDocManager();
  fw::DocTemplate* tmpl = FirstTemplate(manager);
  if (tmpl == nullptr) return nullptr;
  manager->pendingRecord = &record;
  fw::Document* doc = tmpl->OpenDocumentFile(std::string(), makeVisible);
  manager->pendingRecord = nullptr;
  return doc;
}

}  // namespace

void SetActiveImageWindow(HWND window) { activeImageWindow = window; }

void ShowDocumentError(int code, const std::string& text, const char* source, int line) {
  LUSetErrorStringExt(nullptr, 0, text.c_str(), 0);
  LUSetErrorCode(nullptr, code, source, line, 0);
  const LUErrorState state = LUGetErrorState();
  if (state.code != code) return;  // frozen: the caller's caller reports
  LUResetError();
  const std::string message = LUFormatErrorMessage(state);
  const std::string caption(res::String(IDS_ERROR_CAPTION));
  if (LUShowSiteErrorBox(nullptr, message.c_str(), caption.c_str(), MB_ICONSTOP, LUFormatErrorDetail(state).c_str()) == 0) {
    MessageBoxA(GetActiveTopLevelWnd(), message.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
  }
}

HWND GetActiveImageWindow() {
  // A window destroyed without telling is no owner.
  if (activeImageWindow != nullptr && !IsWindow(activeImageWindow)) activeImageWindow = nullptr;
  return activeImageWindow;
}

HWND GetActiveTopLevelWnd() {
  if (HWND image = GetActiveImageWindow()) return GetAncestor(image, GA_ROOT);
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  return main != nullptr ? main->Handle() : nullptr;
}

// ---- The image child frame

FW_IMPLEMENT_DYNCREATE(CImageChildFrame, fw::MdiChild)
FW_MESSAGE_MAP(CImageChildFrame, fw::MdiChild,
               fw::WindowMessageEntry<&CImageChildFrame::OnImageChildActivate>(WM_MDIACTIVATE),
               fw::WindowMessageEntry<&CImageChildFrame::OnImageChildDestroy>(WM_DESTROY))

HWND CImageChildFrame::ImageWindow() {
  fw::View* view = GetActiveView();
  return view != nullptr && view->Handle() != nullptr ? view->Handle() : hwnd_;
}

LRESULT CImageChildFrame::OnImageChildActivate(WPARAM wParam, LPARAM lParam) {
  const bool activating = reinterpret_cast<HWND>(lParam) == hwnd_;
  if (activating) {
    SetActiveImageWindow(ImageWindow());
  } else if (activeImageWindow == ImageWindow() || activeImageWindow == hwnd_) {
    SetActiveImageWindow(nullptr);
  }
  return OnMdiActivate(wParam, lParam);
}

LRESULT CImageChildFrame::OnImageChildDestroy(WPARAM wParam, LPARAM lParam) {
  if (activeImageWindow != nullptr && (activeImageWindow == hwnd_ || IsChild(hwnd_, activeImageWindow))) {
    SetActiveImageWindow(nullptr);
  }
  return OnDestroyMessage(wParam, lParam);
}

// ---- New-document services

fw::Document* OpenDocumentFileEx(const std::string& path, OpenRoad road) {
  CLumo40DocManager* manager = ImageDocManager();
  return manager != nullptr ? manager->OpenDocumentByPath(path, road) : nullptr;
}

fw::Document* CreateNewDocument(const std::string& name, const char* title, VrWA2000::WA* image,
                                bool setModified, bool nameIsTitle) {
  fw::Document* doc = OpenWithRecord(ImageCreationRecord(image, title), true);
  if (doc == nullptr) return nullptr;
  if (setModified) doc->SetModifiedFlag(true);
  if (!name.empty()) {
    if (nameIsTitle) {
      doc->SetTitle(name);
    } else {
      doc->SetPathName(name, true);
    }
  }
  ActivateMainFrame();
  return doc;
}

fw::Document* NewDocumentFromLayer(CLayer* layer, const std::string& title) {
  if (layer == nullptr) return nullptr;
  fw::WaitCursor wait;
  fw::Document* doc = OpenWithRecord(LayerCreationRecord(layer), true);
  if (doc == nullptr) return nullptr;
  if (!title.empty()) doc->SetTitle(title);
  ActivateMainFrame();
  return doc;
}

fw::Document* NewDocumentFromStack(CLayersManager* stack, bool makeVisible) {
  if (stack == nullptr) return nullptr;
  fw::Document* doc = OpenWithRecord(StackCreationRecord(stack), makeVisible);
  if (doc == nullptr) return nullptr;
  if (makeVisible) ActivateMainFrame();
  return doc;
}

fw::View* NewDocumentFromImage(CLumo40Doc* source, bool merge, bool makeVisible, bool waitCursor) {
  if (source == nullptr) return nullptr;
  std::unique_ptr<fw::WaitCursor> wait;
  if (waitCursor) wait = std::make_unique<fw::WaitCursor>();
  DocumentCopy copy = CopyDocumentStack(source->Image(), merge);
  if (!copy.stack) return nullptr;
  if (copy.mergeFailed) {
    // The duplicate still opens, with its layers as they were.
    ShowDocumentError(kDuplicateMergeError, source->GetTitle(), "Lumo40Doc", __LINE__);
  }
  fw::Document* doc = OpenWithRecord(StackCreationRecord(copy.stack.get()), makeVisible);
  if (doc == nullptr) return nullptr;
  doc->SetTitle(source->GetTitle());
  ActivateMainFrame();
  return doc->Views().empty() ? nullptr : doc->Views().front();
}

// ---- Placing an image made elsewhere

namespace {

// The document of the active image window, or null.
CLumo40Doc* ActiveImageDocument() {
  HWND active = GetActiveImageWindow();
  CLumo40DocManager* manager = ImageDocManager();
  if (active == nullptr || manager == nullptr) return nullptr;
  for (fw::Document* doc : manager->AllDocuments()) {
    for (fw::View* view : doc->Views()) {
      HWND window = view->Handle();
      if (window == active || (window != nullptr && GetParent(window) == active)) {
        return dynamic_cast<CLumo40Doc*>(doc);
      }
    }
  }
  return nullptr;
}

}  // namespace

INT_PTR CALLBACK CreateNewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    fw::CentreOnOwner(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

INT_PTR AskCreateOrReplace() {
  fw::Window* main = fw::TheApp() != nullptr ? fw::TheApp()->MainWindow() : nullptr;
  return DialogBoxParamA(GetModuleHandleA(nullptr), "CREATENEW", main != nullptr ? main->Handle() : nullptr,
                         &CreateNewDlgProc, 0);
}

bool PlaceNewImage(VrWA2000::WA* image, const std::string& name, const char* title, bool setModified,
                   bool nameIsTitle) {
  CLumo40Doc* embedding = ActiveImageDocument();
  if (embedding != nullptr && embedding->embedded) {
    const INT_PTR answer = AskCreateOrReplace();
    if (answer == IDCANCEL) return true;
    if (answer == IDC_CREATENEW_REPLACE) {
      ImageDocument& doc = embedding->Image();
      const std::string stepName(res::String(IDS_NEW_IMAGE_STEP));
      if (!doc.BackupImageByName(stepName)) return true;
      if (doc.SetActiveImage(image) == 0) {
        doc.RevertLastBackup();  // no "New image" step for nothing
        return true;
      }
      embedding->SetModifiedFlag(true);
      return true;
    }
  }
  return CreateNewDocument(name, title, image, setModified, nameIsTitle) != nullptr;
}

}  // namespace lumora
