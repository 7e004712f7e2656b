// The program's image windows as the tools see them, reached through the
// site's entries; copies of parameters; messages to the program's windows.
#include <new>
#include <stdexcept>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"

using VrWA2000::WA;

namespace {

// Entries of the site's document table used here.
enum : int { kDocOfWnd = 0, kDocImage = 3, kDocActiveLayer = 22, kDocLayerOrigin = 26 };

using DocOfWndFn = void* (*)(const LU_SITE_TABLE*, void*);
using DocImageFn = WA* (*)(const LU_SITE_TABLE*, void*, int);
using ActiveLayerFn = int (*)(const LU_SITE_TABLE*, void*);
using LayerOriginFn = std::uint64_t (*)(const LU_SITE_TABLE*, void*, int);

template <typename Fn>
Fn DocEntry(const void* site, int index, const LU_SITE_TABLE** descriptor) {
  return reinterpret_cast<Fn>(LUSiteEntryOf(site, kSiteDoc, index, descriptor));
}

// The window's document, or null (with the document table's descriptor).
void* DocOfWindow(const void* site, void* window, const LU_SITE_TABLE** descriptor) {
  const auto docOf = DocEntry<DocOfWndFn>(site, kDocOfWnd, descriptor);
  return docOf != nullptr && window != nullptr ? docOf(*descriptor, window) : nullptr;
}

LUMessageSender gSender = nullptr;
void* gSenderContext = nullptr;

}  // namespace

int LUCopyParameter(const void*, int type, const void* source, void** copy) {
  if (copy == nullptr) return LUErrorCode(nullptr, kLUErrBadValue, "ToolHost", __LINE__, 0);
  *copy = nullptr;
  if (type != kLUParamImage || source == nullptr) return LUErrorCode(nullptr, kLUErrBadValue, "ToolHost", __LINE__, 0);
  try {
    *copy = new WA(*static_cast<const WA*>(source), false);
  } catch (const std::exception&) {
    return LUErrorCode(nullptr, kLUErrNoMemory, "ToolHost", __LINE__, 0);
  }
  return 0;
}

WA* LUGetImageWA(const void* site, void* window, int kind) {
  const LU_SITE_TABLE* descriptor = nullptr;
  void* doc = DocOfWindow(site, window, &descriptor);
  if (doc == nullptr) return nullptr;
  const auto docImage = DocEntry<DocImageFn>(site, kDocImage, &descriptor);
  WA* image = docImage != nullptr ? docImage(descriptor, doc, kind) : nullptr;
  if (image != nullptr) image->AddRef();
  return image;
}

int LUGetImageOrg(const void* site, void* window, POINT* origin) {
  if (origin == nullptr) return 0;
  *origin = POINT{0, 0};
  const LU_SITE_TABLE* descriptor = nullptr;
  void* doc = DocOfWindow(site, window, &descriptor);
  if (doc == nullptr) return 0;
  const auto activeLayer = DocEntry<ActiveLayerFn>(site, kDocActiveLayer, &descriptor);
  const int layer = activeLayer != nullptr ? activeLayer(descriptor, doc) : -1;
  const auto layerOrigin = DocEntry<LayerOriginFn>(site, kDocLayerOrigin, &descriptor);
  if (layer < 0 || layerOrigin == nullptr) return 0;
  // The entry packs x in the low and y in the high 32 bits.
  const std::uint64_t packed = layerOrigin(descriptor, doc, layer);
  origin->x = -static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
  origin->y = -static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32));
  return 1;
}

void LUSetMessageSender(LUMessageSender sender, void* context) {
  gSender = sender;
  gSenderContext = context;
}

std::intptr_t LUSendToWindow(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return gSender != nullptr ? gSender(gSenderContext, window, message, wParam, lParam) : 0;
}
