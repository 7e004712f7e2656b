// The tool host's site as the running program serves it: the application
// entries here, document entries forwarded to the image document, view
// entries to the image view. Entries whose service the program has not yet
// (the active-image copy, the fragment-area copy) refuse with an error
// code or a null result; each is marked "view:".
#include <algorithm>
#include <string>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/DocumentFiles.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/win/DocView.h"
#include "res/resource.h"
#include "ui/LayerMaskSelection.h"
#include "ui/win/ProgressInd.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/ViewSite.h"

namespace lumora {
namespace {

HWND AsWindow(SiteWindow w) { return static_cast<HWND>(w); }

CLumo40Doc* DocOfView(SiteWindow window) { return viewsite::DocOfWnd(AsWindow(window)); }

SiteWindow FirstViewWindow(fw::Document* doc) {
  if (doc == nullptr || doc->Views().empty()) return nullptr;
  return doc->Views().front()->Handle();
}

CLumo40Doc* AsDoc(SiteDoc doc) { return static_cast<CLumo40Doc*>(doc); }
CLayersManager* LayersOf(SiteDoc doc) { return doc != nullptr ? AsDoc(doc)->Image().GetLayers() : nullptr; }

class AppSiteHost : public SiteHost {
 public:
  explicit AppSiteHost(CLumo40App& app) : app_(app) {}

  // Application.
  std::string AppTitle() override { return app_.AppName(); }
  void* InstanceHandle() override { return app_.Instance(); }
  SiteWindow MainWnd() override { return app_.MainFrame() != nullptr ? app_.MainFrame()->Handle() : nullptr; }
  SiteWindow ActiveTopLevelWnd() override { return app_.GetActiveTopLevelWnd(); }
  SiteWindow MDIClientWnd() override {
    CMainFrame* frame = app_.MainFrameWnd();
    return frame != nullptr ? frame->MdiClient() : nullptr;
  }
  SiteWindow ActiveImageWnd() override { return GetActiveImageWindow(); }
  bool IsImageViewWnd(SiteWindow window) override { return lumora::IsImageViewWnd(AsWindow(window)); }
  int CreateBackupSetting() override { return app_.settings.createBackup; }
  std::string SettingsPath() override { return app_.SettingsPath(); }
  std::string LoadModuleString(void* module, int id) override {
    char text[512] = {};
    int n = LoadStringA(static_cast<HINSTANCE>(module), static_cast<UINT>(id), text, sizeof text);
    return std::string(text, static_cast<std::size_t>(std::max(n, 0)));
  }
  void WinHelpContext(SiteWindow owner, const std::string& helpFile, int context) override {
    app_.ShowHelp(AsWindow(owner), HELP_CONTEXT, static_cast<std::uintptr_t>(context), helpFile);
  }
  void MonitorGamma(int& r, int& g, int& b) override {
    r = app_.settings.gammaR;
    g = app_.settings.gammaG;
    b = app_.settings.gammaB;
  }
  void ResetTools(std::intptr_t) override {}
  std::intptr_t SendToWindow(SiteWindow window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override {
    return SendMessageA(AsWindow(window), message, wParam, lParam);
  }

  // Prompt-text stack.
  int PromptAdd(int channel, int priority, int flag) override { return app_.prompts.Add(channel, priority, flag != 0); }
  void PromptSetText(int handle, const char* text) override { app_.prompts.SetText(handle, text); }
  void PromptClearText(int handle, std::intptr_t keep) override { app_.prompts.ClearText(handle, keep != 0); }
  void PromptRemove(int handle) override { app_.prompts.Remove(handle); }
  void PromptRestoreSaved() override { app_.prompts.RestoreSaved(); }

  // Views.
  // A new image window around the image a1, titled a3 when given.
  SiteWindow CreateNewDocument(std::intptr_t a1, const char* name, std::intptr_t a3, int modified,
                               int nameIsTitle) override {
    return FirstViewWindow(lumora::CreateNewDocument(name != nullptr ? name : "", reinterpret_cast<const char*>(a3),
                                                     reinterpret_cast<Image*>(a1), modified != 0,
                                                     nameIsTitle != 0));
  }
  bool HasDrawContext(SiteWindow view) override { return viewsite::HasDrawContext(AsWindow(view)); }
  void UpdateImageWndSize(SiteWindow view, int fitFrame) override {
    viewsite::UpdateImageWndSize(AsWindow(view), fitFrame);
  }
  void RefreshDrawContext(SiteWindow view) override { viewsite::RefreshDrawContext(AsWindow(view)); }
  void RedrawImageWnd(SiteWindow view) override { viewsite::RedrawImageWnd(AsWindow(view)); }
  void* DrawContext(SiteWindow view) override { return viewsite::DrawContext(AsWindow(view)); }
  void* SelectionInfo(SiteWindow view, std::intptr_t) override {
    CLumo40Doc* doc = DocOfView(view);
    return doc != nullptr ? doc->Image().GetSelectionRecord() : nullptr;
  }
  Fragment* GetSelection(SiteWindow view) override {
    CLumo40Doc* doc = DocOfView(view);
    Fragment* selection = doc != nullptr ? doc->Image().GetSelection() : nullptr;
    return selection != nullptr ? ShareFragment(selection) : nullptr;
  }
  void SetSelection(SiteWindow view, Fragment* fragment, bool withUndo) override {
    if (CLumo40Doc* doc = DocOfView(view)) doc->Image().SetSelection(fragment, withUndo);
  }
  void FreeSelection(SiteWindow view, bool withUndo) override {
    if (CLumo40Doc* doc = DocOfView(view)) doc->Image().FreeSelection(withUndo);
  }
  void NotifyViews(SiteWindow view, int code) override { viewsite::NotifyViews(AsWindow(view), code); }
  void PostPaint(SiteWindow view, std::intptr_t) override { viewsite::PostPaint(AsWindow(view)); }
  SiteWindow FindNextImageWnd(Image* image, SiteWindow after, int mode) override {
    return viewsite::FindNextImageWnd(image, AsWindow(after), mode);
  }
  int CopyActiveImage() override { return 120; }                       // view: active image copy
  bool ActiveLayerSize(SiteWindow view, SIZE& size) override {
    CLumo40Doc* doc = DocOfView(view);
    CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
    if (layer == nullptr) return false;
    RECT r = layer->GetRect();
    size = SIZE{r.right - r.left, r.bottom - r.top};
    return true;
  }
  bool AlignSelectionToLayer() override { return app_.settings.alignSelectionToLayer != 0; }
  Fragment* CopyFragmentArea(SiteWindow view, Fragment* fragment) override {
    // Aligned to the view's active layer at the intersect level.
    CLumo40Doc* doc = DocOfView(view);
    CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
    if (layer == nullptr) return nullptr;
    return lumora::CopyFragmentArea(layer, fragment, SelectionLevelOfPercent(app_.settings.intersectLevel));
  }
  void SnapRect(SiteWindow view, RECT& rect, POINT& offset) override { viewsite::SnapRect(AsWindow(view), rect, offset); }
  void SnapWindowRect(SiteWindow view, RECT& rect, POINT& offset) override {
    viewsite::SnapWindowRect(AsWindow(view), rect, offset);
  }

  // Documents and layers.
  SiteDoc DocOfWnd(SiteWindow view) override { return DocOfView(view); }
  Image* DocImage(SiteDoc doc, int kind) override {
    if (doc == nullptr) return nullptr;
    // The visible layers flattened on white, kept until the next asking.
    if (kind == 4) {
      flattened_ = GetFlattenedImage(AsDoc(doc)->Image());
      return flattened_.get();
    }
    return AsDoc(doc)->Image().GetActiveImage().get();
  }
  Image* StoredImagePair(SiteDoc doc, Image** second) override {
    return AsDoc(doc)->Image().GetStoredImagePair(second);
  }
  int SetDocImage(SiteDoc doc, Image* image, int) override { return AsDoc(doc)->Image().SetActiveImage(image); }
  int SetStoredImagePair(SiteDoc doc, Image* first, Image* second) override {
    AsDoc(doc)->Image().SetStoredImagePair(first, second);
    return 1;
  }
  int BackupImageByName(SiteDoc doc, const char* name) override {
    return AsDoc(doc)->Image().BackupImageByName(name != nullptr ? name : "") ? 1 : 0;
  }
  void UndoRedo(SiteDoc doc, int redo) override { AsDoc(doc)->Image().UndoRedo(redo != 0); }
  int InvalidateImageRect(SiteDoc doc, const RECT* rect, std::intptr_t erase, std::intptr_t immediate) override {
    return AsDoc(doc)->Image().InvalidateImageRect(rect, erase != 0, immediate != 0);
  }
  std::string DocPathName(SiteDoc doc) override { return AsDoc(doc)->GetPathName(); }
  // No entry parks a data block in a document: the copy of none is null.
  std::intptr_t CopyHostDataBlock(SiteDoc) override { return 0; }
  void SetModifiedFlag(SiteDoc doc, int flag) override { AsDoc(doc)->SetModifiedFlag(flag != 0); }
  int IsFlat(SiteDoc doc) override {
    CLayersManager* layers = LayersOf(doc);
    return layers != nullptr && layers->IsFlat() ? 1 : 0;
  }
  int ConvertToTrueColor(SiteDoc doc, std::intptr_t) override { return AsDoc(doc)->ConvertToTrueColor() ? 1 : 0; }
  int ConvertToGray(SiteDoc doc, std::intptr_t) override { return AsDoc(doc)->ConvertToGray() ? 1 : 0; }
  int LayerCount(SiteDoc doc) override {
    CLayersManager* layers = LayersOf(doc);
    return layers != nullptr ? layers->GetLayerCount() : 0;
  }
  SIZE ImageSize(SiteDoc doc) override {
    CLayersManager* layers = LayersOf(doc);
    return layers != nullptr ? SIZE{layers->GetWidth(), layers->GetHeight()} : SIZE{0, 0};
  }
  int SetImageSize(SiteDoc doc, int width, int height, int type) override {
    return AsDoc(doc)->Image().SetImageSize(width, height, type, 1);
  }
  // A tool's new image: an unsaved new document around it.
  SiteWindow NewDocumentFromImage(Image* image) override {
    return FirstViewWindow(lumora::CreateNewDocument("", nullptr, image, true, false));
  }
  int CloseDocument(SiteDoc doc) override {
    AsDoc(doc)->OnCloseDocument();
    return 1;
  }
  int ActiveLayerIndex(SiteDoc doc) override {
    CLayersManager* layers = LayersOf(doc);
    CLayer* active = AsDoc(doc)->Image().GetActiveLayer();
    return layers != nullptr && active != nullptr ? layers->GetLayerIndex(active) : -1;
  }
  int CanPaintLayer(SiteDoc doc, int layer) override {
    return ImageDocument::CanPaintLayer(LayerAt(doc, layer)) ? 1 : 0;
  }
  int ResizeLayer(SiteDoc doc, int layer, const RECT& rect) override {
    CLayer* l = LayerAt(doc, layer);
    return l != nullptr && AsDoc(doc)->Image().ResizeLayer(l, rect) ? 1 : 0;
  }
  RECT LayerRect(SiteDoc doc, int layer) override {
    CLayer* l = LayerAt(doc, layer);
    return l != nullptr ? l->GetRect() : RECT{0, 0, 0, 0};
  }
  POINT LayerOrigin(SiteDoc doc, int layer) override {
    RECT r = LayerRect(doc, layer);
    return POINT{r.left, r.top};
  }
  Image* LayerImage(SiteDoc doc, int layer) override {
    CLayer* l = WritableLayer(doc, layer);
    return l != nullptr ? l->GetImage().get() : nullptr;
  }
  Image* LayerMask(SiteDoc doc, int layer) override {
    CLayer* l = WritableLayer(doc, layer);
    return l != nullptr ? l->GetMask().get() : nullptr;
  }
  void MoveLayer(SiteDoc doc, int layer, int x, int y) override {
    CLayer* l = LayerAt(doc, layer);
    if (l == nullptr) return;
    DocumentLockScope lock(&AsDoc(doc)->Image());
    l->MoveTo(POINT{x, y});
  }
  bool SetLayerImage(SiteDoc doc, int layer, Image* image) override {
    return AsDoc(doc)->Image().SetLayerImageAt(image, layer) != 0;
  }
  bool SetLayerMask(SiteDoc doc, int layer, Image* mask) override {
    return AsDoc(doc)->Image().SetLayerMaskAt(mask, layer) != 0;
  }
  void RefreshDocument(SiteDoc doc) override { AsDoc(doc)->Image().InvalidateImageRect(nullptr, false, false); }
  int InsertNewLayer(SiteDoc doc, const RECT& rect, int makeActive, int withUndo) override {
    return AsDoc(doc)->Image().InsertNewLayer(rect, makeActive != 0, withUndo != 0);
  }
  // The flag word (bit 0 pixels locked, bit 1 hidden) with 0x100000 for
  // hidden layer channels, 0x400000 for a text layer and 0x200000 when the
  // image type holds no layers.
  std::uint32_t LayerFlags(SiteDoc doc, int layer) override {
    CLayer* l = LayerAt(doc, layer);
    if (l == nullptr) return 0;
    std::uint32_t flags = l->GetFlags();
    if (l->GetHideLayerChannels() != 0) flags |= 0x100000u;
    if (l->IsText() != 0) flags |= 0x400000u;
    if (LayersOf(doc)->IsLayerable() == 0) flags |= 0x200000u;
    return flags;
  }
  void* DocPatternDib(SiteDoc doc) override {
    CLayersManager* layers = LayersOf(doc);
    if (layers == nullptr || layers->GetPatternDib().empty()) return nullptr;
    return const_cast<std::uint8_t*>(layers->GetPatternDib().data());
  }
  SiteWindow CropImage(SiteDoc doc, const RECT& rect) override { return AsDoc(doc)->CropImage(rect); }

  // Error box.
  int ShowErrorDialog(const char* message, const char* caption, const char* detail, int icon) override {
    return lumora::ShowErrorDialog(app_.Instance(), app_.GetActiveTopLevelWnd(), message, caption, detail, icon,
                                   app_.settings.detailedErrorStatus != 0);
  }

  std::uint32_t AppValueA() override { return 0; }
  std::uint16_t AppValueB() override { return 0; }
  std::uint32_t AppValueC() override { return 0; }

  // Progress, settings, tablet, colours.
  void ProgressBegin(const char* caption) override { lumora::ProgressBegin(caption != nullptr ? caption : ""); }
  bool ProgressCancelled(int position, int total) override {
    return TheProgress() != nullptr && TheProgress()->Step(position, total) != 0;
  }
  void ProgressEnd() override {
    if (TheProgress() != nullptr) TheProgress()->End();
  }
  int GetProfileInt(const char* section, const char* key, int defaultValue) override {
    return app_.Settings().GetInt(section, key, defaultValue);
  }
  std::string GetProfileString(const char* section, const char* key, const char* defaultValue) override {
    return app_.Settings().GetString(section, key, defaultValue != nullptr ? defaultValue : "");
  }
  int WriteProfileInt(const char* section, const char* key, int value) override {
    return app_.Settings().WriteInt(section, key, value) ? 1 : 0;
  }
  int WriteProfileString(const char* section, const char* key, const char* text) override {
    return app_.Settings().WriteString(section, key, text != nullptr ? text : "") ? 1 : 0;
  }
  // Without a tablet: full pressure at full width (255 at 1 / 1).
  int GetTabletPressure(int* numerator, int* denominator) override { return app_.ReadTablet(numerator, denominator); }
  void FlushTabletQueue() override { app_.tablet.FlushTabletQueue(); }
  COLORREF BackColor() override { return app_.settings.backColor; }
  COLORREF ForeColor() override { return app_.settings.foreColor; }
  void SetBackColor(COLORREF colour) override { app_.SetBackColor(colour, true); }
  void SetForeColor(COLORREF colour) override { app_.SetForeColor(colour, true); }
  // The layer palette's row and the navigator catch up, and the tool
  // host's preview reads the image again.
  void NotifyImageChanged() override {
    HWND main = app_.MainFrame() != nullptr ? app_.MainFrame()->Handle() : nullptr;
    if (main != nullptr) {
      static const UINT kUpdateLayerInPalette = RegisterWindowMessageA("WM_YPDATELAYERINPALETTE");
      CLumo40Doc* doc = DocOfView(GetActiveImageWindow());
      CLayer* active = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
      PostMessageA(main, kUpdateLayerInPalette, 0, reinterpret_cast<LPARAM>(active));
      PostMessageA(main, WM_COMMAND, ID_UPDATE_NAVIGATOR, 0);
    }
    LUPreview_InvalidateImageData(app_.Site());
  }

 private:
  CLayer* LayerAt(SiteDoc doc, int index) {
    CLayersManager* layers = LayersOf(doc);
    return layers != nullptr && index >= 0 && index < layers->GetLayerCount() ? layers->GetLayer(index) : nullptr;
  }

  // A layer whose buffers the caller may write: undo snapshots share them
  // until written, so a layer other than the active one (which the tools
  // detach as they start) gets buffers of its own first. Null when that fails.
  CLayer* WritableLayer(SiteDoc doc, int index) {
    CLayer* layer = LayerAt(doc, index);
    if (layer == nullptr || layer == AsDoc(doc)->Image().GetActiveLayer()) return layer;
    return AsDoc(doc)->Image().DetachLayerForWriting(layer) ? layer : nullptr;
  }

  CLumo40App& app_;
  WAPtr flattened_;
};

}  // namespace

std::unique_ptr<SiteHost> MakeAppSiteHost(CLumo40App& app) { return std::make_unique<AppSiteHost>(app); }

}  // namespace lumora
