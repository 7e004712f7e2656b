// The site handed to the tool host: the record with its nine callback tables,
// and the interface through which the entries reach the application, its
// documents and views. Entries only check and shuffle arguments; the work is
// the interface's.
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "platform/win32types.h"

namespace lumora {

// Windows, documents and modules are opaque handles to the entries.
using SiteWindow = void*;
using SiteDoc = void*;
using Image = VrWA2000::WA;

// What the site's entries forward to. Application, document and view code
// implement it; tests use a fake. The entries have checked window (an image
// view where the entry needs one), document and layer index before calling.
// Rectangles and points of images and layers are image coordinates, rows
// counted upward from the bottom row (engine/pixels/README.md); those of
// SnapWindowRect are window coordinates.
class SiteHost {
 public:
  virtual ~SiteHost() = default;

  // Application.
  virtual std::string AppTitle() = 0;
  virtual void* InstanceHandle() = 0;
  virtual SiteWindow MainWnd() = 0;
  virtual SiteWindow ActiveTopLevelWnd() = 0;
  virtual SiteWindow MDIClientWnd() = 0;
  virtual SiteWindow ActiveImageWnd() = 0;
  virtual bool IsImageViewWnd(SiteWindow window) = 0;
  virtual int CreateBackupSetting() = 0;
  virtual std::string SettingsPath() = 0;
  virtual std::string LoadModuleString(void* module, int id) = 0;
  virtual void WinHelpContext(SiteWindow owner, const std::string& helpFile, int context) = 0;
  virtual void MonitorGamma(int& r, int& g, int& b) = 0;
  virtual void ResetTools(std::intptr_t value) = 0;
  // Sends a window a message (the tool host's notices to the main window).
  virtual std::intptr_t SendToWindow(SiteWindow window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;

  // Prompt-text stack.
  virtual int PromptAdd(int channel, int priority, int flag) = 0;
  virtual void PromptSetText(int handle, const char* text) = 0;
  virtual void PromptClearText(int handle, std::intptr_t value) = 0;
  virtual void PromptRemove(int handle) = 0;
  virtual void PromptRestoreSaved() = 0;

  // Views (window is an image view).
  virtual SiteWindow CreateNewDocument(std::intptr_t a1, const char* name, std::intptr_t a3, int modified,
                                       int nameIsTitle) = 0;
  virtual bool HasDrawContext(SiteWindow view) = 0;
  virtual void UpdateImageWndSize(SiteWindow view, int fitFrame) = 0;
  virtual void RefreshDrawContext(SiteWindow view) = 0;
  virtual void RedrawImageWnd(SiteWindow view) = 0;
  virtual void* DrawContext(SiteWindow view) = 0;
  virtual void* SelectionInfo(SiteWindow view, std::intptr_t value) = 0;
  virtual Fragment* GetSelection(SiteWindow view) = 0;
  virtual void SetSelection(SiteWindow view, Fragment* fragment, bool withUndo) = 0;
  virtual void FreeSelection(SiteWindow view, bool withUndo) = 0;
  virtual void NotifyViews(SiteWindow view, int code) = 0;
  virtual void PostPaint(SiteWindow view, std::intptr_t value) = 0;
  virtual SiteWindow FindNextImageWnd(Image* image, SiteWindow after, int mode) = 0;
  virtual int CopyActiveImage() = 0;  // 120 when the active image window is gone
  virtual bool ActiveLayerSize(SiteWindow view, SIZE& size) = 0;
  virtual bool AlignSelectionToLayer() = 0;
  virtual Fragment* CopyFragmentArea(SiteWindow view, Fragment* fragment) = 0;
  virtual void SnapRect(SiteWindow view, RECT& rect, POINT& offset) = 0;
  virtual void SnapWindowRect(SiteWindow view, RECT& rect, POINT& offset) = 0;

  // Documents and layers (doc non-null, layer index valid).
  virtual SiteDoc DocOfWnd(SiteWindow view) = 0;
  virtual Image* DocImage(SiteDoc doc, int kind) = 0;
  virtual Image* StoredImagePair(SiteDoc doc, Image** second) = 0;
  virtual int SetDocImage(SiteDoc doc, Image* image, int kind) = 0;
  virtual int SetStoredImagePair(SiteDoc doc, Image* first, Image* second) = 0;
  virtual int BackupImageByName(SiteDoc doc, const char* name) = 0;
  virtual void UndoRedo(SiteDoc doc, int redo) = 0;
  virtual int InvalidateImageRect(SiteDoc doc, const RECT* rect, std::intptr_t a, std::intptr_t b) = 0;
  virtual std::string DocPathName(SiteDoc doc) = 0;
  virtual std::intptr_t CopyHostDataBlock(SiteDoc doc) = 0;
  virtual void SetModifiedFlag(SiteDoc doc, int flag) = 0;
  virtual int IsFlat(SiteDoc doc) = 0;
  virtual int ConvertToTrueColor(SiteDoc doc, std::intptr_t value) = 0;
  virtual int ConvertToGray(SiteDoc doc, std::intptr_t value) = 0;
  virtual int LayerCount(SiteDoc doc) = 0;
  virtual SIZE ImageSize(SiteDoc doc) = 0;
  virtual int SetImageSize(SiteDoc doc, int width, int height, int type) = 0;
  virtual SiteWindow NewDocumentFromImage(Image* image) = 0;
  virtual int CloseDocument(SiteDoc doc) = 0;
  virtual int ActiveLayerIndex(SiteDoc doc) = 0;
  virtual int CanPaintLayer(SiteDoc doc, int layer) = 0;
  virtual int ResizeLayer(SiteDoc doc, int layer, const RECT& rect) = 0;
  virtual RECT LayerRect(SiteDoc doc, int layer) = 0;
  virtual POINT LayerOrigin(SiteDoc doc, int layer) = 0;
  virtual Image* LayerImage(SiteDoc doc, int layer) = 0;
  virtual Image* LayerMask(SiteDoc doc, int layer) = 0;
  virtual void MoveLayer(SiteDoc doc, int layer, int x, int y) = 0;
  virtual bool SetLayerImage(SiteDoc doc, int layer, Image* image) = 0;
  virtual bool SetLayerMask(SiteDoc doc, int layer, Image* mask) = 0;
  virtual void RefreshDocument(SiteDoc doc) = 0;
  virtual int InsertNewLayer(SiteDoc doc, const RECT& rect, int makeActive, int withUndo) = 0;  // -1 on failure
  virtual std::uint32_t LayerFlags(SiteDoc doc, int layer) = 0;
  virtual void* DocPatternDib(SiteDoc doc) = 0;
  virtual SiteWindow CropImage(SiteDoc doc, const RECT& rect) = 0;

  // Error box.
  virtual int ShowErrorDialog(const char* message, const char* caption, const char* detail, int icon) = 0;

  // Application values (0 unless the application sets them).
  virtual std::uint32_t AppValueA() = 0;
  virtual std::uint16_t AppValueB() = 0;
  virtual std::uint32_t AppValueC() = 0;

  // Progress indicator, settings, tablet, colours.
  virtual void ProgressBegin(const char* caption) = 0;
  virtual bool ProgressCancelled(int position, int total) = 0;
  virtual void ProgressEnd() = 0;
  virtual int GetProfileInt(const char* section, const char* key, int defaultValue) = 0;
  virtual std::string GetProfileString(const char* section, const char* key, const char* defaultValue) = 0;
  virtual int WriteProfileInt(const char* section, const char* key, int value) = 0;
  virtual int WriteProfileString(const char* section, const char* key, const char* text) = 0;
  virtual int GetTabletPressure(int* pressure, int* maximum) = 0;
  virtual void FlushTabletQueue() = 0;
  virtual COLORREF BackColor() = 0;
  virtual COLORREF ForeColor() = 0;
  virtual void SetBackColor(COLORREF colour) = 0;
  virtual void SetForeColor(COLORREF colour) = 0;
  virtual void NotifyImageChanged() = 0;
};

// The site record and its descriptors, kept together by the application.
struct HostSite {
  LU_SITE site{};
  LU_SITE_TABLE tables[kSiteTableCount]{};
  SiteHost* host = nullptr;
  bool progressOpen = false;  // one site progress indicator at a time
};

// Entry counts of the nine tables, in the record's order.
inline constexpr std::uint16_t kSiteEntryCounts[kSiteTableCount] = {13, 26, 29, 5, 17, 37, 2, 3, 16};

// Fills the record (data file beside the settings file) and hands it to the
// tool host; FALSE when the tool host refuses it.
BOOL InitHostSite(HostSite& site, SiteHost& host);
void FreeHostSite(HostSite& site);

// The entries of a table (for tests and the tool host's own calls).
const LUSiteEntry* SiteTableEntries(int table);
const LUSiteEntry* SiteSelFrgEntries();

// The folder of a settings path (through its last backslash or slash) +
// file name, or the name alone when the path has no separator.
std::string BesideSettingsFile(const std::string& settingsPath, const char* fileName);

}  // namespace lumora
