// The site's application and document entries as plain calls.
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {
namespace {

enum : int { kAppActiveImageWnd = 5, kAppBackupAllowed = 7 };
enum : int {
  kViewDrawContext = 4,
  kViewGetSelection = 6,
  kViewSetSelection = 7,
  kViewDeleteSelection = 8,
  kViewSnapRect = 16
};
enum : int {
  kDocOfWnd = 0,
  kDocImage = 3,
  kDocAddUndoStep = 7,
  kDocInvalidateRect = 10,
  kDocSetModified = 13,
  kDocConvertToColour = 15,
  kDocConvertToGrey = 16,
  kDocImageSize = 18,
  kDocNewImageWnd = 20,
  kDocActiveLayer = 22,
  kDocCanPaintLayer = 23,
  kDocLayerOrigin = 26,
  kDocLayerImage = 27,
  kDocLayerMask = 28,
  kDocCropImage = 36,
};

enum : int { kPromptAdd = 0, kPromptSetText = 1, kPromptRemove = 3 };

// Entry `index` of the table as a function of type Fn, with its descriptor.
template <typename Fn>
Fn EntryOf(const void* site, int table, int index, const LU_SITE_TABLE*& descriptor) {
  return reinterpret_cast<Fn>(LUSiteEntryOf(site, table, index, &descriptor));
}

}  // namespace

int PromptAdd(const void* site, int channel, int priority, bool deferred) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, int, int, int)>(site, kSitePrompt, kPromptAdd, d);
  return fn != nullptr ? fn(d, channel, priority, deferred ? 1 : 0) : 0;
}

void PromptSetText(const void* site, int handle, const char* text) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void (*)(const LU_SITE_TABLE*, int, const char*)>(site, kSitePrompt, kPromptSetText, d);
  if (fn != nullptr && handle != 0) fn(d, handle, text);
}

void PromptRemove(const void* site, int handle) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void (*)(const LU_SITE_TABLE*, int)>(site, kSitePrompt, kPromptRemove, d);
  if (fn != nullptr && handle != 0) fn(d, handle);
}

void* ActiveImageWindow(const void* site) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void* (*)(const LU_SITE_TABLE*)>(site, kSiteApp, kAppActiveImageWnd, d);
  return fn != nullptr ? fn(d) : nullptr;
}

void* DocOfWindow(const void* site, const void* window) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void* (*)(const LU_SITE_TABLE*, void*)>(site, kSiteDoc, kDocOfWnd, d);
  return fn != nullptr && window != nullptr ? fn(d, const_cast<void*>(window)) : nullptr;
}

int ActiveLayerOf(const void* site, void* doc) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*)>(site, kSiteDoc, kDocActiveLayer, d);
  return fn != nullptr && doc != nullptr ? fn(d, doc) : -1;
}

bool CanPaintLayer(const void* site, void* doc, int layer) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocCanPaintLayer, d);
  return fn != nullptr && doc != nullptr && fn(d, doc, layer) != 0;
}

int LayerOriginOf(const void* site, void* doc, int layer, POINT* origin) {
  *origin = POINT{0, 0};
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<std::uint64_t (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocLayerOrigin, d);
  if (fn == nullptr || doc == nullptr || layer < 0) return 0;
  // The entry packs x in the low and y in the high 32 bits.
  const std::uint64_t packed = fn(d, doc, layer);
  origin->x = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
  origin->y = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32));
  return 1;
}

bool BackupAllowed(const void* site) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*)>(site, kSiteApp, kAppBackupAllowed, d);
  return fn != nullptr && fn(d) != 0;
}

int AddUndoStep(const void* site, void* doc, const char* name) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*, const char*)>(site, kSiteDoc, kDocAddUndoStep, d);
  return fn != nullptr && doc != nullptr ? fn(d, doc, name) : 0;
}

void InvalidateDocRect(const void* site, void* doc, const RECT& rect) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = int (*)(const LU_SITE_TABLE*, void*, const RECT*, std::intptr_t, std::intptr_t);
  const auto fn = EntryOf<Fn>(site, kSiteDoc, kDocInvalidateRect, d);
  if (fn != nullptr && doc != nullptr) fn(d, doc, &rect, 0, 0);
}

void SetDocModified(const void* site, void* doc) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocSetModified, d);
  if (fn != nullptr && doc != nullptr) fn(d, doc, 1);
}

bool DocImageSize(const void* site, void* doc, SIZE* size) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<std::uint64_t (*)(const LU_SITE_TABLE*, void*)>(site, kSiteDoc, kDocImageSize, d);
  if (fn == nullptr || doc == nullptr) return false;
  // x in the low and y in the high 32 bits.
  const std::uint64_t packed = fn(d, doc);
  size->cx = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
  size->cy = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32));
  return size->cx > 0 && size->cy > 0;
}

VrWA2000::WA* DocImageOfKind(const void* site, void* doc, int kind) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<VrWA2000::WA* (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocImage, d);
  return fn != nullptr && doc != nullptr ? fn(d, doc, kind) : nullptr;
}

void* CropDocImage(const void* site, void* doc, const RECT& rect) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = void* (*)(const LU_SITE_TABLE*, void*, int, int, int, int);
  const auto fn = EntryOf<Fn>(site, kSiteDoc, kDocCropImage, d);
  return fn != nullptr && doc != nullptr ? fn(d, doc, rect.left, rect.top, rect.right, rect.bottom) : nullptr;
}

void* NewImageWindow(const void* site, VrWA2000::WA* image) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void* (*)(const LU_SITE_TABLE*, VrWA2000::WA*)>(site, kSiteDoc, kDocNewImageWnd, d);
  return fn != nullptr && image != nullptr ? fn(d, image) : nullptr;
}

VrWA2000::WA* LayerImageOf(const void* site, void* doc, int layer) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<VrWA2000::WA* (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocLayerImage, d);
  return fn != nullptr && doc != nullptr && layer >= 0 ? fn(d, doc, layer) : nullptr;
}

VrWA2000::WA* LayerMaskOf(const void* site, void* doc, int layer) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<VrWA2000::WA* (*)(const LU_SITE_TABLE*, void*, int)>(site, kSiteDoc, kDocLayerMask, d);
  return fn != nullptr && doc != nullptr && layer >= 0 ? fn(d, doc, layer) : nullptr;
}

bool ConvertDocType(const void* site, void* doc, bool grey) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*, std::intptr_t)>(
      site, kSiteDoc, grey ? kDocConvertToGrey : kDocConvertToColour, d);
  return fn != nullptr && doc != nullptr && fn(d, doc, 0) != 0;
}

bool SetViewSelection(const void* site, void* view, Fragment* fragment) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = Fragment* (*)(const LU_SITE_TABLE*, void*, Fragment*, int);
  const auto fn = EntryOf<Fn>(site, kSiteView, kViewSetSelection, d);
  if (fn == nullptr || view == nullptr) return false;
  fn(d, view, fragment, 0);  // mode 0: with the undo step
  return true;
}

bool FreeViewSelection(const void* site, void* view) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<int (*)(const LU_SITE_TABLE*, void*, int, std::intptr_t)>(site, kSiteView,
                                                                                    kViewDeleteSelection, d);
  if (fn == nullptr || view == nullptr) return false;
  fn(d, view, 0, 0);  // mode 0: with the undo step
  return true;
}

Fragment* ViewSelection(const void* site, void* view) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = Fragment* (*)(const LU_SITE_TABLE*, void*, int, std::intptr_t);
  const auto fn = EntryOf<Fn>(site, kSiteView, kViewGetSelection, d);
  return fn != nullptr && view != nullptr ? fn(d, view, 1, 0) : nullptr;
}

bool SnapImageRect(const void* site, void* view, const RECT& rect, POINT* offset) {
  const LU_SITE_TABLE* d = nullptr;
  using Fn = void (*)(const LU_SITE_TABLE*, void*, const RECT*, POINT*, int);
  const auto fn = EntryOf<Fn>(site, kSiteView, kViewSnapRect, d);
  if (fn == nullptr || view == nullptr || offset == nullptr) return false;
  fn(d, view, &rect, offset, 0);  // image coordinates
  return true;
}

LUSiteEntry SelFrgEntry(const void* site, int index, const LU_SITE_TABLE** descriptor) {
  return LUSiteEntryOf(site, kSiteSelFrg, index, descriptor);
}

void* ViewDrawContext(const void* site, void* view) {
  const LU_SITE_TABLE* d = nullptr;
  const auto fn = EntryOf<void* (*)(const LU_SITE_TABLE*, void*)>(site, kSiteView, kViewDrawContext, d);
  return fn != nullptr && view != nullptr ? fn(d, view) : nullptr;
}

}  // namespace lumora::toolhost
