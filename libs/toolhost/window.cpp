// The program's image windows as the tools see them, reached through the
// site's entries; copies of parameters; messages to the program's windows.
#include <new>
#include <stdexcept>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "libs/toolhost/SiteCalls.h"

using VrWA2000::WA;

namespace {

// Entry of the site's document table used here.
constexpr int kDocImage = 3;

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
  void* doc = lumora::toolhost::DocOfWindow(site, window);
  if (doc == nullptr) return nullptr;
  const LU_SITE_TABLE* descriptor = nullptr;
  using DocImageFn = WA* (*)(const LU_SITE_TABLE*, void*, int);
  const auto docImage = reinterpret_cast<DocImageFn>(LUSiteEntryOf(site, kSiteDoc, kDocImage, &descriptor));
  WA* image = docImage != nullptr ? docImage(descriptor, doc, kind) : nullptr;
  if (image != nullptr) image->AddRef();
  return image;
}

int LUGetImageOrg(const void* site, void* window, POINT* origin) {
  if (origin == nullptr) return 0;
  using namespace lumora::toolhost;
  void* doc = DocOfWindow(site, window);
  POINT layer{0, 0};
  const int known = doc != nullptr ? LayerOriginOf(site, doc, ActiveLayerOf(site, doc), &layer) : 0;
  *origin = known != 0 ? POINT{-layer.x, -layer.y} : POINT{0, 0};
  return known;
}

void LUSetMessageSender(LUMessageSender sender, void* context) {
  gSender = sender;
  gSenderContext = context;
}

std::intptr_t LUSendToWindow(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return gSender != nullptr ? gSender(gSenderContext, window, message, wParam, lParam) : 0;
}
