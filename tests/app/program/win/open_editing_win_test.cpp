// An embedded image opened in the program's window (open editing) inside
// the program's process: its window is an embedding's — File/Save greyed,
// no rulers, and the close item of its system menu names the container.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "app/win/EmbeddedImage.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"

namespace lumora {
namespace {

using testing::SettingsFileOfThisProgram;

// A container's site without in-place editing: the object opens in the
// program's window.
class OpenSite : public IOleClientSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
    *m = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
    *c = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

std::string CloseItemText(HWND frame) {
  char text[256] = {};
  GetMenuStringA(GetSystemMenu(frame, FALSE), SC_CLOSE, text, sizeof text, MF_BYCOMMAND);
  return text;
}

// The state of File/Save in the main frame's menu after its update ran.
UINT FileSaveState(HWND main) {
  HMENU menu = GetMenu(main);
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    HMENU popup = GetSubMenu(menu, i);
    if (popup == nullptr) continue;
    for (int k = 0; k < GetMenuItemCount(popup); ++k) {
      if (GetMenuItemID(popup, k) != ID_FILE_SAVE) continue;
      SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, FALSE));
      return GetMenuState(popup, static_cast<UINT>(k), MF_BYPOSITION);
    }
  }
  return 0xFFFFFFFFu;
}

TEST(OpenEditing, TheImagesWindowIsAnEmbeddingThatNamesItsContainer) {
  const std::string ini = SettingsFileOfThisProgram();
  DeleteFileA(ini.c_str());
  // Rulers on for new windows: an embedding still shows none.
  WritePrivateProfileStringA("Rulers", "show", "1", ini.c_str());
  auto app = std::make_unique<CLumo40App>();
  ASSERT_TRUE(app->InitInstance());
  OpenSite site;
  CEmbeddedImage* object = CEmbeddedImage::Create();
  ASSERT_EQ(static_cast<IPersistStorage*>(object)->InitNew(nullptr), S_OK);
  ASSERT_EQ(object->SetClientSite(&site), S_OK);
  ASSERT_EQ(object->SetHostNames(L"Test Container", L"Report"), S_OK);
  ASSERT_EQ(object->DoVerb(OLEIVERB_OPEN, nullptr, &site, 0, nullptr, nullptr), S_OK);
  testing::Settle(*app);
  CLumo40View* view = testing::ActiveImageView(*app);
  ASSERT_NE(view, nullptr);
  CLumo40Doc* doc = view->GetDoc();
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(doc->serverItem, nullptr) << "the active window is not the object's";
  HWND child = view->GetParentFrame()->Handle();
  HWND main = app->MainFrame()->Handle();

  EXPECT_EQ(CloseItemText(child), "&Close && Return to Test Container\tCtrl+F4");
  EXPECT_FALSE(view->showRulers);
  // Changed, the image would be saved by File/Save if it were a file's.
  SendMessageA(main, WM_COMMAND, ID_IMAGE_ROTATE_90CW, 0);
  testing::Settle(*app);
  EXPECT_NE(FileSaveState(main) & MF_GRAYED, 0u) << "File/Save is enabled for the embedded image";
  // Its key does nothing either (no save dialog to answer).
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);
  EXPECT_TRUE(doc->GetPathName().empty());
  // The container renames itself: the item follows.
  ASSERT_EQ(object->SetHostNames(L"Other Container", nullptr), S_OK);
  EXPECT_EQ(CloseItemText(child), "&Close && Return to Other Container\tCtrl+F4");

  // An image of the program's own closes plainly.
  auto* own = dynamic_cast<CLumo40Doc*>(app->OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"));
  ASSERT_NE(own, nullptr);
  testing::Settle(*app);
  EXPECT_EQ(CloseItemText(own->Views().front()->GetParentFrame()->Handle()), "&Close\tCtrl+F4");

  object->Close(OLECLOSE_NOSAVE);
  object->Release();
  testing::EndProgramIfRunning(*app);
  app.reset();
  DeleteFileA(ini.c_str());
}

}  // namespace
}  // namespace lumora
