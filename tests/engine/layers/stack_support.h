// Shared by the layer-stack tests: small layers of one colour, pixel reads,
// and a seeded random stack for the rendering properties.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "engine/layers/LayerMng.h"
#include "layer_support.h"
#include "platform/rect.h"

namespace lumora::testing {

inline constexpr int kNoMask = -1;

// A stack of no layers, width x height of the type at 96 dpi.
inline CLayersManagerPtr EmptyStack(int width = 8, int height = 4, int type = kWAType24) {
  return CLayersManagerPtr::Adopt(
      new CLayersManager(type, nullptr, width, height, 0x00600060u, 0, 1));
}

// Adds the layer on top; the stack's reference keeps the returned pointer
// valid.
inline CLayer* Add(CLayersManager& stack, CLayerPtr layer) {
  stack.AddLayer(layer.get());
  return layer.get();
}

// A type-16 layer over `rect`, every pixel (blue, green, red) = colour,
// with a mask of `maskValue` everywhere (kNoMask: none).
inline CLayerPtr ColourLayer(RECT rect, int blue, int green, int red, int maskValue = kNoMask,
                             const char* name = "Layer") {
  CLayerPtr layer = CLayerPtr::Adopt(
      new CLayer(&rect, DefaultInfo(name), kWAType24, maskValue == kNoMask ? 0 : 1));
  VrWA2000::WA* image = layer->PeekImage();
  for (int y = 0; y < image->GetH(); ++y) {
    for (int x = 0; x < image->GetW(); ++x) {
      image->Row(y)[3 * x] = static_cast<std::uint8_t>(blue);
      image->Row(y)[3 * x + 1] = static_cast<std::uint8_t>(green);
      image->Row(y)[3 * x + 2] = static_cast<std::uint8_t>(red);
    }
  }
  if (maskValue != kNoMask) {
    for (int y = 0; y < image->GetH(); ++y) {
      std::fill_n(layer->PeekMask()->Row(y), image->GetW(), static_cast<std::uint8_t>(maskValue));
    }
  }
  return layer;
}

// A type-8 layer of one grey value, with a mask as ColourLayer.
inline CLayerPtr GreyLayer(RECT rect, int grey, int maskValue = kNoMask) {
  CLayerPtr layer = CLayerPtr::Adopt(
      new CLayer(&rect, DefaultInfo(), kWAType8Grey, maskValue == kNoMask ? 0 : 1));
  for (int y = 0; y < layer->PeekImage()->GetH(); ++y) {
    std::fill_n(layer->PeekImage()->Row(y), layer->PeekImage()->GetW(),
                static_cast<std::uint8_t>(grey));
    if (maskValue != kNoMask) {
      std::fill_n(layer->PeekMask()->Row(y), layer->PeekImage()->GetW(),
                  static_cast<std::uint8_t>(maskValue));
    }
  }
  return layer;
}

struct Px {
  int b, g, r;
  bool operator==(const Px& o) const { return b == o.b && g == o.g && r == o.r; }
};

inline Px PixelAt(const VrWA2000::WA* image, int x, int y) {
  const std::uint8_t* p = image->Row(y) + 3 * x;
  return Px{p[0], p[1], p[2]};
}

inline int ByteAt(const VrWA2000::WA* buffer, int x, int y) { return buffer->Row(y)[x]; }

// Every byte of the picture area (not the row padding) of two buffers.
inline bool SameBytes(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if (a->GetType() != b->GetType() || a->GetW() != b->GetW() || a->GetH() != b->GetH()) {
    return false;
  }
  const int bytes = a->GetType() == kWAType24 ? 3 * a->GetW() : a->GetW();
  for (int y = 0; y < a->GetH(); ++y) {
    if (!std::equal(a->Row(y), a->Row(y) + bytes, b->Row(y))) return false;
  }
  return true;
}

inline void FillRandom(VrWA2000::WA* buffer, std::mt19937& rng) {
  const int bytes = buffer->GetType() == kWAType24 ? 3 * buffer->GetW() : buffer->GetW();
  for (int y = 0; y < buffer->GetH(); ++y) {
    for (int i = 0; i < bytes; ++i) buffer->Row(y)[i] = static_cast<std::uint8_t>(rng());
  }
}

// A mask with the values that take different paths: 0, 255 and between.
inline void FillRandomMask(VrWA2000::WA* mask, std::mt19937& rng) {
  for (int y = 0; y < mask->GetH(); ++y) {
    for (int x = 0; x < mask->GetW(); ++x) {
      const unsigned k = rng() % 4;
      mask->Row(y)[x] = static_cast<std::uint8_t>(k == 0 ? 0 : k == 1 ? 255 : rng());
    }
  }
}

// A stack of `count` random layers of the given type over a width x height
// image: random rects (some reaching outside), masks, auxiliary buffers,
// modes (Dissolve included), opacities, blend-if ranges, hidden layers,
// clipping groups, mask views and highlights, and a work layer riding on
// one of them.
inline CLayersManagerPtr RandomStack(std::mt19937& rng, int type, int width, int height,
                                     int count) {
  CLayersManagerPtr stack = EmptyStack(width, height, type);
  auto coord = [&rng](int size) { return static_cast<LONG>(rng() % (size + 8)) - 4; };
  for (int i = 0; i < count; ++i) {
    RECT r{coord(width), coord(height), 0, 0};
    r.right = r.left + 1 + static_cast<LONG>(rng() % width);
    r.bottom = r.top + 1 + static_cast<LONG>(rng() % height);
    const bool work = i == count / 2;
    LAYER_INFO info = DefaultInfo();
    info.mergeMode = rng() % 4 == 0 ? kMergeDissolve : static_cast<int>(rng() % kMergeModeCount);
    info.opacity = rng() % 3 == 0 ? 100 : static_cast<int>(rng() % 101);
    if (rng() % 5 == 0) info.blendIf[2][0] = 40, info.blendIf[2][1] = 90;
    CLayer* layer = work ? new CLayerPaint(&r, info, type, 1)
                         : new CLayer(&r, info, type, rng() % 3 != 0 ? 1 : 0);
    FillRandom(layer->PeekImage(), rng);
    if (layer->PeekMask() != nullptr) FillRandomMask(layer->PeekMask(), rng);
    if (rng() % 4 == 0) {
      layer->CreateAuxBuffer(0);
      FillRandomMask(layer->PeekAux(), rng);
    }
    if (!work) {
      if (i > 0 && rng() % 4 == 0) layer->SetGrouped(1);
      if (rng() % 8 == 0) layer->SetVisible(0);
      if (rng() % 6 == 0) layer->SetMaskHighlight(1);
      if (rng() % 10 == 0) layer->SetHideLayerChannels(1);
      if (rng() % 6 == 0) layer->EnableMask(0);
    } else {
      if (rng() % 3 == 0) layer->SetGrouped(1);  // a stroke on a clipping group's base
      layer->SetPaintOnLayer(static_cast<int>(rng() % 2));
      layer->SetReplace(static_cast<int>(rng() % 2));
    }
    stack->AddLayer(layer);
    layer->Release();
  }
  stack->SetActiveLayerByIndex(0);
  return stack;
}

// Renders random 16 x 16 cells (their corners within width x height) of a
// stack on a thread of its own until stopped, as the render worker does.
// Construction returns once the first cell is rendered, so that what the
// caller does next meets a running worker.
class CellRenderWorker {
 public:
  CellRenderWorker(CLayersManager* stack, int width, int height, unsigned seed)
      : thread_([this, stack, width, height, seed] {
          std::mt19937 cells(seed);
          while (!stop_.load()) {
            const LONG left = static_cast<LONG>(cells() % width);
            const LONG top = static_cast<LONG>(cells() % height);
            stack->Render(RECT{left, top, left + 16, top + 16});
            rendered_.fetch_add(1);
          }
        }) {
    while (rendered_.load() == 0) std::this_thread::yield();
  }
  ~CellRenderWorker() { Stop(); }
  CellRenderWorker(const CellRenderWorker&) = delete;
  CellRenderWorker& operator=(const CellRenderWorker&) = delete;

  // Stops and joins the thread; the number of cells rendered.
  int Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    return rendered_.load();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> rendered_{0};
  std::thread thread_;  // last: started once the flags above exist
};

}  // namespace lumora::testing
