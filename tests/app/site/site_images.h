// Colour images for the site's tool tests: random ones, a pixel comparison,
// what a tool makes of an image, and a host over one image whose undo step
// keeps a copy of it.
#pragma once

#include <cstring>
#include <initializer_list>
#include <random>

#include <vector>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "tests/app/site/fake_site_host.h"

namespace lumora::test {

inline VrWA2000::WA* RandomImage(int w, int h, unsigned seed) {
  auto* wa = new VrWA2000::WA(16, w, h, static_cast<const PALETTEENTRY*>(nullptr), false);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < wa->GetBPLine(); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(rng());
  }
  return wa;
}

inline bool SamePixels(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if (a->GetW() != b->GetW() || a->GetH() != b->GetH() || a->GetType() != b->GetType()) return false;
  const std::size_t bytes = static_cast<std::size_t>(a->GetW()) * 3;
  for (int y = 0; y < a->GetH(); ++y) {
    if (std::memcmp(a->Row(y), b->Row(y), bytes) != 0) return false;
  }
  return true;
}

// A copy of `from` run through the tool with the given parameters (errors
// neither recorded nor shown).
inline VrWA2000::WA* ToolResult(const VrWA2000::WA* from, const char* tool, std::initializer_list<int> params) {
  auto* out = new VrWA2000::WA(*from, false);
  LUFreezeError();
  LUTool* t = LUCreateTool(nullptr, tool);
  int i = 0;
  for (int p : params) LUSetParameter(t, i++, 0, &p);
  LUSetParameter(t, kLUSlotSource, 0, out);
  LUToolExecute(t, 0, 2, 0, 0);
  LUDeleteTool(t);
  LUUnfreezeError();
  return out;
}

// The fake host over `image` (the active image, its layer at the origin):
// each undo step keeps a copy of the image as it finds it; repaints are
// logged as "invalidate".
struct ImageUndoHost : FakeSiteHost {
  VrWA2000::WA* image = nullptr;
  std::vector<VrWA2000::WA*> undoImages;  // copies, owned
  ~ImageUndoHost() override {
    for (VrWA2000::WA* w : undoImages) w->Release();
  }
  int BackupImageByName(SiteDoc doc, const char* name) override {
    undoImages.push_back(new VrWA2000::WA(*image, false));
    return FakeSiteHost::BackupImageByName(doc, name);
  }
  int InvalidateImageRect(SiteDoc, const RECT*, std::intptr_t, std::intptr_t) override {
    Log("invalidate");
    return 1;
  }
  POINT LayerOrigin(SiteDoc, int) override { return POINT{0, 0}; }
};

}  // namespace lumora::test
