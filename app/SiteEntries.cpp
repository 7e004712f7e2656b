// The entries of the site's tables. Each takes its table's descriptor first,
// checks its window, document and layer index, and forwards to the host.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/Site.h"
#include "hostapi/comdlg.h"

namespace lumora {
namespace {

using Desc = const LU_SITE_TABLE*;
using Value = std::intptr_t;

HostSite& SiteOf(Desc d) { return *static_cast<HostSite*>(d->owner); }
SiteHost& Host(Desc d) { return *SiteOf(d).host; }

bool IsView(Desc d, SiteWindow w) { return w != nullptr && Host(d).IsImageViewWnd(w); }
bool IsLayer(Desc d, SiteDoc doc, int i) { return doc != nullptr && i >= 0 && i < Host(d).LayerCount(doc); }

// Copies text into a buffer of `size` bytes, always terminated; the number
// of bytes written including the zero.
int CopyText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return 0;
  const int count = std::min(size, static_cast<int>(text.size()) + 1);
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(count - 1));
  buffer[count - 1] = 0;
  return count;
}

// Two 32-bit values as one 64-bit pair (first low, second high).
std::uint64_t Pair(std::int32_t low, std::int32_t high) {
  return static_cast<std::uint32_t>(low) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32);
}

// --- SiteAppTable ---------------------------------------------------------

constexpr std::size_t kTitleMax = 127;

int SiteGetAppTitle(Desc d, char* buffer, int size) {
  if (size < 1) return 0;
  std::string title = Host(d).AppTitle();
  if (title.size() > kTitleMax) title.resize(kTitleMax);
  return CopyText(title, buffer, size);
}
void* SiteGetInstanceHandle(Desc d) { return Host(d).InstanceHandle(); }
SiteWindow SiteGetMainWnd(Desc d) { return Host(d).MainWnd(); }
SiteWindow SiteGetOwnerWnd(Desc d) { return Host(d).ActiveTopLevelWnd(); }
SiteWindow SiteGetMDIClientWnd(Desc d) { return Host(d).MDIClientWnd(); }
SiteWindow SiteGetActiveImageWnd(Desc d) { return Host(d).ActiveImageWnd(); }
BOOL SiteIsImageWnd(Desc d, SiteWindow w) { return IsView(d, w) ? 1 : 0; }
BOOL SiteIsBackupCreatingAllowed(Desc d) { return Host(d).CreateBackupSetting() > 0 ? 1 : 0; }

BOOL CopyHelpFile(Desc d, const char* name, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  CopyText(BesideSettingsFile(Host(d).SettingsPath(), name), buffer, size);
  return 1;
}
BOOL SiteGetHelpFile(Desc d, char* buffer, int size) { return CopyHelpFile(d, "LUMO.HLP", buffer, size); }
BOOL SiteGetContentsHelpFile(Desc d, char* buffer, int size) { return CopyHelpFile(d, "LUcnt.HLP", buffer, size); }

int SiteShowHelpTopic(Desc d, void* module, int stringId) {
  char helpFile[128];
  if (!SiteGetHelpFile(d, helpFile, sizeof helpFile)) return -1;
  std::string number = Host(d).LoadModuleString(module, stringId);
  if (number.size() > 255) number.resize(255);
  Host(d).WinHelpContext(Host(d).ActiveTopLevelWnd(), helpFile, std::atoi(number.c_str()));
  return 0;
}

int SiteGetMonitorGamma(Desc d, int* r, int* g, int* b) {
  int gr = 0, gg = 0, gb = 0;
  Host(d).MonitorGamma(gr, gg, gb);
  if (r != nullptr) *r = gr;
  if (g != nullptr) *g = gg;
  if (b != nullptr) *b = gb;
  return gb;
}
void SiteResetTools(Desc d, Value value) { Host(d).ResetTools(value); }

// --- SitePromptTable ------------------------------------------------------

int SitePromptAdd(Desc d, int channel, int priority, int flag) { return Host(d).PromptAdd(channel, priority, flag); }
void SitePromptSetText(Desc d, int handle, const char* text) { Host(d).PromptSetText(handle, text); }
void SitePromptClearText(Desc d, int handle, Value value) { Host(d).PromptClearText(handle, value); }
void SitePromptRemove(Desc d, int handle) { Host(d).PromptRemove(handle); }
void SitePromptRestoreSaved(Desc d) { Host(d).PromptRestoreSaved(); }

// --- SiteViewTable --------------------------------------------------------

SiteWindow SiteCreateImageWnd(Desc d, Value a1, const char* name, Value a3, int modified, int nameIsTitle) {
  return Host(d).CreateNewDocument(a1, name, a3, modified, nameIsTitle);
}
BOOL SiteUpdateImageWndSize(Desc d, SiteWindow w, int fitFrame) {
  if (!IsView(d, w) || !Host(d).HasDrawContext(w)) return 0;
  Host(d).UpdateImageWndSize(w, fitFrame);
  return 1;
}
int SiteRefreshDrawContext(Desc d, SiteWindow w) {
  if (IsView(d, w)) Host(d).RefreshDrawContext(w);
  return 0;
}
int SiteRedrawImageWnd(Desc d, SiteWindow w) {
  if (IsView(d, w)) Host(d).RedrawImageWnd(w);
  return 0;
}
void* SiteGetDrawContext(Desc d, SiteWindow w) { return IsView(d, w) ? Host(d).DrawContext(w) : nullptr; }
void* SiteGetSelectionInfo(Desc d, SiteWindow w, Value value) {
  return IsView(d, w) ? Host(d).SelectionInfo(w, value) : nullptr;
}
Fragment* SiteGetSelection(Desc d, SiteWindow w, int noCopy, Value) {
  if (!IsView(d, w) || !noCopy) return nullptr;
  return Host(d).GetSelection(w);
}
Fragment* SiteSetSelection(Desc d, SiteWindow w, Fragment* fragment, int mode) {
  if (!IsView(d, w)) return nullptr;
  if (mode == 0 || mode == 2) {
    Host(d).SetSelection(w, fragment, mode == 0);
    return nullptr;
  }
  return fragment;
}
int SiteDeleteSelection(Desc d, SiteWindow w, int mode, Value) {
  if (!IsView(d, w)) return 0;
  constexpr int kImagesChanged = 7;
  if (mode == 0 || mode == 2) {
    Host(d).FreeSelection(w, mode == 0);
  } else {
    Host(d).NotifyViews(w, kImagesChanged);
  }
  return 0;
}
int SitePostPaint(Desc d, SiteWindow w, Value value) {
  if (IsView(d, w)) Host(d).PostPaint(w, value);
  return 0;
}
SiteWindow SiteFindNextImageWnd(Desc d, Image* image, SiteWindow after, int mode) {
  return Host(d).FindNextImageWnd(image, after, mode);
}
int SiteCopyActiveImage(Desc d) { return Host(d).CopyActiveImage(); }
std::uint64_t SiteGetImageOffset(Desc d, SiteWindow w) {
  SIZE size{0, 0};
  if (!IsView(d, w) || !Host(d).ActiveLayerSize(w, size)) return 0;
  return Pair(-size.cx, -size.cy);
}
Fragment* SiteShareOrCopyFragment(Desc d, SiteWindow w, Fragment* fragment, int copy) {
  if (fragment == nullptr || !IsView(d, w)) return nullptr;
  if (!copy && !Host(d).AlignSelectionToLayer()) return ShareFragment(fragment);
  return Host(d).CopyFragmentArea(w, fragment);
}
int SiteSnapOffset(Desc d, SiteWindow w, POINT* point) {
  if (!IsView(d, w) || point == nullptr) return 0;
  RECT empty{0, 0, 0, 0};
  Host(d).SnapRect(w, empty, *point);
  return 1;
}
int SiteSnapRect(Desc d, SiteWindow w, const RECT* rect, POINT* point, int windowCoordinates) {
  if (!IsView(d, w) || rect == nullptr || point == nullptr) return 0;
  RECT copy = *rect;
  if (windowCoordinates) {
    Host(d).SnapWindowRect(w, copy, *point);
  } else {
    Host(d).SnapRect(w, copy, *point);
  }
  return 1;
}

// --- SiteDocTable ---------------------------------------------------------

SiteDoc SiteGetDocOfWnd(Desc d, SiteWindow w) { return IsView(d, w) ? Host(d).DocOfWnd(w) : nullptr; }
int SiteReturnTrue(Desc, Value) { return 1; }
int ReturnFalseStdcall8(Desc, Value) { return 0; }

constexpr int kLastDocImageKind = 5;

Image* SiteGetDocImage(Desc d, SiteDoc doc, int kind) {
  if (doc == nullptr || kind < 0 || kind > kLastDocImageKind) return nullptr;
  return Host(d).DocImage(doc, kind);
}
Image* SiteGetImagePair(Desc d, SiteDoc doc, Image** second) {
  return doc != nullptr ? Host(d).StoredImagePair(doc, second) : nullptr;
}
int SiteSetDocImage(Desc d, SiteDoc doc, Image* image, int kind) {
  // Merged (2) and flattened (4) images are computed, never set.
  if (kind < 0 || kind > kLastDocImageKind || kind == 2 || kind == 4) return kind;
  if (doc == nullptr) return 0;
  return Host(d).SetDocImage(doc, image, kind);
}
int SiteSetImagePair(Desc d, SiteDoc doc, Image* first, Image* second) {
  return doc != nullptr ? Host(d).SetStoredImagePair(doc, first, second) : 0;
}
int SiteAddUndoStep(Desc d, SiteDoc doc, const char* name) {
  return doc != nullptr ? Host(d).BackupImageByName(doc, name) : 0;
}
int SiteUndo(Desc d, SiteDoc doc) {
  if (doc == nullptr) return 0;
  Host(d).UndoRedo(doc, 0);
  return 1;
}
int SiteRedo(Desc d, SiteDoc doc) {
  if (doc == nullptr) return 0;
  Host(d).UndoRedo(doc, 1);
  return 1;
}
int SiteInvalidateImageRect(Desc d, SiteDoc doc, const RECT* rect, Value a, Value b) {
  return doc != nullptr ? Host(d).InvalidateImageRect(doc, rect, a, b) : 0;
}
int SiteGetDocPathName(Desc d, SiteDoc doc, char* buffer, int size) {
  if (doc == nullptr) return 0;
  const std::string path = Host(d).DocPathName(doc);
  if (!path.empty()) CopyText(path, buffer, size);
  return static_cast<int>(path.size());
}
Value SiteCopyDocGlobalData(Desc d, SiteDoc doc) { return doc != nullptr ? Host(d).CopyHostDataBlock(doc) : 0; }
int SiteSetModifiedFlag(Desc d, SiteDoc doc, int flag) {
  if (doc == nullptr) return 0;
  Host(d).SetModifiedFlag(doc, flag);
  return 1;
}
int SiteIsFlatImage(Desc d, SiteDoc doc) { return doc != nullptr ? Host(d).IsFlat(doc) : 0; }
int SiteConvertToColor(Desc d, SiteDoc doc, Value v) { return doc != nullptr ? Host(d).ConvertToTrueColor(doc, v) : 0; }
int SiteConvertToGrey(Desc d, SiteDoc doc, Value v) { return doc != nullptr ? Host(d).ConvertToGray(doc, v) : 0; }
int SiteGetLayerCount(Desc d, SiteDoc doc) { return doc != nullptr ? Host(d).LayerCount(doc) : 0; }
std::uint64_t SiteGetImageSize(Desc d, SiteDoc doc) {
  if (doc == nullptr) return 0;
  const SIZE size = Host(d).ImageSize(doc);
  return Pair(size.cx, size.cy);
}
int SiteResizeImage(Desc d, SiteDoc doc, int width, int height, int type) {
  return doc != nullptr ? Host(d).SetImageSize(doc, width, height, type) : 0;
}
SiteWindow SiteNewImageWnd(Desc d, Image* image) { return Host(d).NewDocumentFromImage(image); }
int SiteCloseDocument(Desc d, SiteDoc doc) { return doc != nullptr ? Host(d).CloseDocument(doc) : 0; }
int SiteGetActiveLayerIndex(Desc d, SiteDoc doc) { return doc != nullptr ? Host(d).ActiveLayerIndex(doc) : -1; }
int SiteCanPaintLayer(Desc d, SiteDoc doc, int i) { return IsLayer(d, doc, i) ? Host(d).CanPaintLayer(doc, i) : 0; }
int SiteResizeLayer(Desc d, SiteDoc doc, int i, int left, int top, int right, int bottom) {
  return IsLayer(d, doc, i) ? Host(d).ResizeLayer(doc, i, RECT{left, top, right, bottom}) : 0;
}
BOOL SiteGetLayerRect(Desc d, SiteDoc doc, int i, int* left, int* top, int* right, int* bottom) {
  if (!IsLayer(d, doc, i)) return 0;
  const RECT r = Host(d).LayerRect(doc, i);
  if (left != nullptr) *left = r.left;
  if (top != nullptr) *top = r.top;
  if (right != nullptr) *right = r.right;
  if (bottom != nullptr) *bottom = r.bottom;
  return 1;
}
std::uint64_t SiteGetLayerOrigin(Desc d, SiteDoc doc, int i) {
  if (!IsLayer(d, doc, i)) return 0;
  const POINT p = Host(d).LayerOrigin(doc, i);
  return Pair(p.x, p.y);
}
Image* SiteGetLayerImage(Desc d, SiteDoc doc, int i) { return IsLayer(d, doc, i) ? Host(d).LayerImage(doc, i) : nullptr; }
Image* SiteGetLayerMask(Desc d, SiteDoc doc, int i) { return IsLayer(d, doc, i) ? Host(d).LayerMask(doc, i) : nullptr; }
int SiteMoveLayer(Desc d, SiteDoc doc, int i, int x, int y) {
  if (!IsLayer(d, doc, i)) return 0;
  Host(d).MoveLayer(doc, i, x, y);
  return 1;
}
BOOL SiteSetLayerImage(Desc d, SiteDoc doc, int i, Image* image) {
  return IsLayer(d, doc, i) && Host(d).SetLayerImage(doc, i, image) ? 1 : 0;
}
BOOL SiteSetLayerMaskImage(Desc d, SiteDoc doc, int i, Image* mask) {
  return IsLayer(d, doc, i) && Host(d).SetLayerMask(doc, i, mask) ? 1 : 0;
}
int SiteRefreshDocument(Desc d, SiteDoc doc) {
  if (doc == nullptr) return 0;
  Host(d).RefreshDocument(doc);
  return 1;
}
int SiteInsertNewLayer(Desc d, SiteDoc doc, int left, int top, int right, int bottom, int makeActive, int withUndo,
                       int /*referenceIndex*/) {
  if (doc == nullptr) return -1;
  return Host(d).InsertNewLayer(doc, RECT{left, top, right, bottom}, makeActive, withUndo);
}
BOOL SiteGetLayerFlags(Desc d, SiteDoc doc, int i, std::uint32_t* flags) {
  if (flags == nullptr || !IsLayer(d, doc, i)) return 0;
  *flags = Host(d).LayerFlags(doc, i);
  return 1;
}
BOOL SiteGetDocPatternDib(Desc d, SiteDoc doc, void** out) {
  if (doc == nullptr || out == nullptr) return 0;
  *out = Host(d).DocPatternDib(doc);
  return *out != nullptr ? 1 : 0;
}
SiteWindow SiteCropImage(Desc d, SiteDoc doc, int left, int top, int right, int bottom) {
  return doc != nullptr ? Host(d).CropImage(doc, RECT{left, top, right, bottom}) : nullptr;
}

// --- SiteErrorTable -------------------------------------------------------

// The fifth value carries the detail text.
int SiteShowErrorBox(Desc d, Value, const char* message, const char* caption, Value icon, const char* detail) {
  Host(d).ShowErrorDialog(message, caption, detail, static_cast<int>(icon));
  return 1;
}
int SiteGetPercentRange(Desc, int* low, int* high) {
  if (low != nullptr) *low = 0;
  if (high != nullptr) *high = 100;
  return 1;
}

// --- SiteAppDataTable -----------------------------------------------------

std::uint32_t SiteGetAppValueA(Desc d) { return Host(d).AppValueA(); }
std::uint16_t SiteGetAppValueB(Desc d) { return Host(d).AppValueB(); }
std::uint32_t SiteGetAppValueC(Desc d) { return Host(d).AppValueC(); }

// --- SiteMiscTable --------------------------------------------------------

constexpr Value kIdleProgress = 0;
constexpr Value kActiveProgress = 1;

Value SiteProgressBegin(Desc d, const char* caption) {
  HostSite& site = SiteOf(d);
  if (site.progressOpen) return kIdleProgress;
  site.progressOpen = true;
  site.host->ProgressBegin(caption != nullptr ? caption : "");
  return kActiveProgress;
}
BOOL SiteProgressStep(Desc d, Value token, std::uint32_t position, std::uint32_t total) {
  if (token != kActiveProgress || !SiteOf(d).progressOpen) return 0;
  if (total > 0xFFFF) {
    position >>= 16;
    total >>= 16;
  }
  return Host(d).ProgressCancelled(static_cast<int>(position), static_cast<int>(total)) ? 1 : 0;
}
int SiteProgressEnd(Desc d, Value token) {
  HostSite& site = SiteOf(d);
  if (token != kActiveProgress || !site.progressOpen) return 0;
  site.progressOpen = false;
  site.host->ProgressEnd();
  return 1;
}
int SiteNoOpArg(Desc, Value) { return 0; }
int SiteGetProfileInt(Desc d, const char* section, const char* key, int defaultValue) {
  return Host(d).GetProfileInt(section, key, defaultValue);
}
int SiteGetPrivateProfileString(Desc d, const char* section, const char* key, const char* defaultValue, char* buffer,
                                int size) {
  const int count = CopyText(Host(d).GetProfileString(section, key, defaultValue != nullptr ? defaultValue : ""),
                             buffer, size);
  return count > 0 ? count - 1 : 0;
}
int SiteWriteProfileInt(Desc d, const char* section, const char* key, int value) {
  return Host(d).WriteProfileInt(section, key, value);
}
int SiteWriteProfileString(Desc d, const char* section, const char* key, const char* text) {
  return Host(d).WriteProfileString(section, key, text);
}
int SiteNoOp(Desc) { return 0; }
int SiteGetTabletPressure(Desc d, int* pressure, int* maximum) { return Host(d).GetTabletPressure(pressure, maximum); }
int SiteFlushTabletQueue(Desc d) {
  Host(d).FlushTabletQueue();
  return 0;
}
int SiteGetBackColor(Desc d, COLORREF* out) {
  if (out != nullptr) *out = Host(d).BackColor();
  return 1;
}
int SiteGetForeColor(Desc d, COLORREF* out) {
  if (out != nullptr) *out = Host(d).ForeColor();
  return 1;
}
int SiteSetBackColor(Desc d, COLORREF colour) {
  Host(d).SetBackColor(colour);
  return 1;
}
int SiteSetForeColor(Desc d, COLORREF colour) {
  Host(d).SetForeColor(colour);
  return 1;
}
int SiteNotifyImageChanged(Desc d) {
  Host(d).NotifyImageChanged();
  return 0;
}

// --- Tables ---------------------------------------------------------------

template <typename F>
LUSiteEntry E(F f) {
  return reinterpret_cast<LUSiteEntry>(f);
}

const LUSiteEntry kAppTable[] = {
    E(SiteGetAppTitle),        E(SiteGetInstanceHandle), E(SiteGetMainWnd),        E(SiteGetOwnerWnd),
    E(SiteGetMDIClientWnd),    E(SiteGetActiveImageWnd), E(SiteIsImageWnd),        E(SiteIsBackupCreatingAllowed),
    E(SiteGetHelpFile),        E(SiteShowHelpTopic),     E(SiteGetMonitorGamma),   E(SiteResetTools),
    E(SiteGetContentsHelpFile)};

// --- SiteComDlgTable ------------------------------------------------------
// Each passes the common-dialog library's data first and the caller's
// arguments unchanged; the library refuses what it does not provide.

CDlgData* ComDlg(Desc d) { return static_cast<CDlgData*>(d->privateData); }

int SiteOpenSelColorWindow(Desc d, void* frame, void* owner, std::uint32_t colour) {
  return OpenSelColorWindow(ComDlg(d), frame, owner, colour);
}
int SiteIsSelColorWindowOpened(Desc d) { return IsSelColorWindowOpened(ComDlg(d)); }
void* SiteShowSelColorWindow(Desc d, void* owner, std::uint32_t colour) {
  return ShowSelColorWindow(ComDlg(d), owner, colour);
}
int SiteCloseSelColorWindow(Desc d) { return CloseSelColorWindow(ComDlg(d)); }
int SiteOpenStyleDlg(Desc d, void* owner) { return OpenStyleDlg(ComDlg(d), owner); }
int SiteBindStyleDlg(Desc d, void* dialog, void* owner, void* style, int flags) {
  return BindStyleDlg(ComDlg(d), dialog, owner, style, flags);
}
int SiteShowStyleDlg(Desc d, void* dialog) { return ShowStyleDlg(ComDlg(d), dialog); }
int SiteCloseStyleDlg(Desc d, void* dialog) { return CloseStyleDlg(ComDlg(d), dialog); }
int SiteSaveStyleData(Desc d, void* style, const char* section, const char* file) {
  return SaveStyleData(ComDlg(d), style, section, file);
}
int SiteLoadStyleData(Desc d, void* style, const char* section, const char* file) {
  return LoadStyleData(ComDlg(d), style, section, file);
}
int SiteOpenPalEditor(Desc d) { return OpenPalEditor(ComDlg(d)); }
int SiteBindPalEditor(Desc d, void* owner, void* palette) { return BindPalEditor(ComDlg(d), owner, palette); }
int SiteActivatePalEditor(Desc d) { return ActivatePalEditor(ComDlg(d)); }
int SiteShowPalEditor(Desc d) { return ShowPalEditor(ComDlg(d)); }
int SiteClosePalEditor(Desc d) { return ClosePalEditor(ComDlg(d)); }
std::int32_t SitePickUpColor(Desc d, void* window, int reserved1, int reserved2) {
  return PickUpColor(ComDlg(d), window, reserved1, reserved2);
}
int SiteOpenStyleMngDlg(Desc d) { return OpenStyleMngDlg(ComDlg(d)); }
int SiteIsStyleMngDlgOpen(Desc d) { return IsStyleMngDlgOpen(ComDlg(d)); }
void* SiteGetStyleMngDlg(Desc d) { return GetStyleMngDlg(ComDlg(d)); }
int SiteShowStylePageDlg(Desc d, int page) { return ShowStylePageDlg(ComDlg(d), page); }
int SiteCloseStylePageDlg(Desc d) { return CloseStylePageDlg(ComDlg(d)); }
void* SiteGetStyleMasterWnd(Desc d, void* dialog) { return GetStyleMasterWnd(ComDlg(d), dialog); }
int SiteSetStyleOwnerTool(Desc d, void* tool, void* owner) { return SetStyleOwnerTool(ComDlg(d), tool, owner); }
int SiteSetSelColorWindowGamma(Desc d, std::int32_t red, std::int32_t green, std::int32_t blue) {
  return SetSelColorWindowGamma(ComDlg(d), red, green, blue);
}
int SiteOpenGadgetDialog(Desc d, void* owner, const char* title, int open, const char* folder, const char* extension,
                         char* path, int pathSize, int reserved) {
  return OpenGadgetDialog(ComDlg(d), owner, title, open, folder, extension, path, pathSize, reserved);
}

int SiteSetupICMSelColorWindow(Desc d, const char* monitor, const char* target, int intent, int proofIntent) {
  return SetupICMSelColorWindow(ComDlg(d), monitor, target, intent, proofIntent);
}

const LUSiteEntry kComDlgTable[] = {
    E(SiteOpenSelColorWindow), E(SiteIsSelColorWindowOpened), E(SiteShowSelColorWindow), E(SiteCloseSelColorWindow),
    E(SiteOpenStyleDlg),       E(SiteBindStyleDlg),           E(SiteShowStyleDlg),       E(SiteCloseStyleDlg),
    E(SiteSaveStyleData),      E(SiteLoadStyleData),          E(SiteOpenPalEditor),      E(SiteBindPalEditor),
    E(SiteActivatePalEditor),  E(SiteShowPalEditor),          E(SiteClosePalEditor),     E(SitePickUpColor),
    E(SiteOpenStyleMngDlg),    E(SiteIsStyleMngDlgOpen),      E(SiteGetStyleMngDlg),     E(SiteShowStylePageDlg),
    E(SiteCloseStylePageDlg),  E(SiteGetStyleMasterWnd),      E(SiteSetStyleOwnerTool),
    E(SiteSetupICMSelColorWindow),
    E(SiteSetSelColorWindowGamma), E(SiteOpenGadgetDialog)};

const LUSiteEntry kPromptTable[] = {E(SitePromptAdd), E(SitePromptSetText), E(SitePromptClearText),
                                    E(SitePromptRemove), E(SitePromptRestoreSaved)};

const LUSiteEntry kViewTable[] = {
    E(SiteCreateImageWnd),   E(SiteUpdateImageWndSize), E(SiteRefreshDrawContext), E(SiteRedrawImageWnd),
    E(SiteGetDrawContext),   E(SiteGetSelectionInfo),   E(SiteGetSelection),       E(SiteSetSelection),
    E(SiteDeleteSelection),  E(SitePostPaint),          E(SitePostPaint),          E(SiteFindNextImageWnd),
    E(SiteCopyActiveImage),  E(SiteGetImageOffset),     E(SiteShareOrCopyFragment), E(SiteSnapOffset),
    E(SiteSnapRect)};

const LUSiteEntry kDocTable[] = {
    E(SiteGetDocOfWnd),     E(SiteReturnTrue),         E(ReturnFalseStdcall8),   E(SiteGetDocImage),
    E(SiteGetImagePair),    E(SiteSetDocImage),        E(SiteSetImagePair),      E(SiteAddUndoStep),
    E(SiteUndo),            E(SiteRedo),               E(SiteInvalidateImageRect), E(SiteGetDocPathName),
    E(SiteCopyDocGlobalData), E(SiteSetModifiedFlag),  E(SiteIsFlatImage),       E(SiteConvertToColor),
    E(SiteConvertToGrey),   E(SiteGetLayerCount),      E(SiteGetImageSize),      E(SiteResizeImage),
    E(SiteNewImageWnd),     E(SiteCloseDocument),      E(SiteGetActiveLayerIndex), E(SiteCanPaintLayer),
    E(SiteResizeLayer),     E(SiteGetLayerRect),       E(SiteGetLayerOrigin),    E(SiteGetLayerImage),
    E(SiteGetLayerMask),    E(SiteMoveLayer),          E(SiteSetLayerImage),     E(SiteSetLayerMaskImage),
    E(SiteRefreshDocument), E(SiteInsertNewLayer),     E(SiteGetLayerFlags),     E(SiteGetDocPatternDib),
    E(SiteCropImage)};

const LUSiteEntry kErrorTable[] = {E(SiteShowErrorBox), E(SiteGetPercentRange)};

const LUSiteEntry kAppDataTable[] = {E(SiteGetAppValueA), E(SiteGetAppValueB), E(SiteGetAppValueC)};

const LUSiteEntry kMiscTable[] = {
    E(SiteProgressBegin),     E(SiteProgressStep),         E(SiteProgressEnd),      E(SiteNoOpArg),
    E(SiteGetProfileInt),     E(SiteGetPrivateProfileString), E(SiteWriteProfileInt), E(SiteWriteProfileString),
    E(SiteNoOp),              E(SiteGetTabletPressure),    E(SiteFlushTabletQueue), E(SiteGetBackColor),
    E(SiteGetForeColor),      E(SiteSetBackColor),         E(SiteSetForeColor),     E(SiteNotifyImageChanged)};

static_assert(std::size(kAppTable) == kSiteEntryCounts[kSiteApp]);
static_assert(std::size(kComDlgTable) == kSiteEntryCounts[kSiteComDlg]);
static_assert(std::size(kPromptTable) == kSiteEntryCounts[kSitePrompt]);
static_assert(std::size(kViewTable) == kSiteEntryCounts[kSiteView]);
static_assert(std::size(kDocTable) == kSiteEntryCounts[kSiteDoc]);
static_assert(std::size(kErrorTable) == kSiteEntryCounts[kSiteError]);
static_assert(std::size(kAppDataTable) == kSiteEntryCounts[kSiteAppData]);
static_assert(std::size(kMiscTable) == kSiteEntryCounts[kSiteMisc]);

}  // namespace

const LUSiteEntry* SiteTableEntries(int table) {
  switch (table) {
    case kSiteApp: return kAppTable;
    case kSiteComDlg: return kComDlgTable;
    case kSitePrompt: return kPromptTable;
    case kSiteView: return kViewTable;
    case kSiteDoc: return kDocTable;
    case kSiteError: return kErrorTable;
    case kSiteAppData: return kAppDataTable;
    case kSiteMisc: return kMiscTable;
    case kSiteSelFrg: return SiteSelFrgEntries();
    default: return nullptr;
  }
}

}  // namespace lumora
