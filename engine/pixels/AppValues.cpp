// Start-up values read by the engine from any thread.
#include "engine/pixels/AppValues.h"

#include <atomic>

namespace lumora {
namespace {
std::atomic<int> gScreenX{96};
std::atomic<int> gScreenY{96};
std::atomic<const void*> gSite{nullptr};
std::atomic<unsigned> gLayerFormat{0};
}  // namespace

void SetScreenResolution(int xDpi, int yDpi) {
  gScreenX.store(xDpi, std::memory_order_relaxed);
  gScreenY.store(yDpi, std::memory_order_relaxed);
}
int GetScreenXDpi() { return gScreenX.load(std::memory_order_relaxed); }
int GetScreenYDpi() { return gScreenY.load(std::memory_order_relaxed); }

void SetLayerClipboardFormat(unsigned format) { gLayerFormat.store(format, std::memory_order_relaxed); }
unsigned GetLayerClipboardFormat() { return gLayerFormat.load(std::memory_order_relaxed); }

void SetToolHostSite(const void* site) { gSite.store(site, std::memory_order_relaxed); }
const void* GetToolHostSite() { return gSite.load(std::memory_order_relaxed); }

}  // namespace lumora
