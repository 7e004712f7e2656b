// Feedback and placement of dropped layers.
#include "view/DropPlacement.h"

#include "engine/layered/RWLayers.h"
#include "engine/layers/Layer.h"
#include "platform/stream_file.h"

namespace lumora {

RECT DropFeedbackRect(POINT entry) {
  RECT r{0, 0, kDropFeedbackWidth, kDropFeedbackHeight};
  const bool inside = entry.x >= r.left && entry.x < r.right && entry.y >= r.top && entry.y < r.bottom;
  if (inside) return r;
  // Integer division halves toward zero, as the feedback always has.
  const int dx = entry.x - kDropFeedbackWidth / 2, dy = entry.y - kDropFeedbackHeight / 2;
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

POINT DropOffset(POINT contentCentre, POINT dropPoint) {
  return POINT{dropPoint.x - contentCentre.x, dropPoint.y - contentCentre.y};
}

std::uint32_t DropResolutionWord(const std::uint8_t* bytes, std::uint32_t count) {
  if (bytes == nullptr || count < 4) return kDefaultDropResolution;
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

CLayer* ReadDroppedLayerStream(StreamFile& file, std::uint32_t* resolution) {
  if (resolution != nullptr) *resolution = kDefaultDropResolution;
  CLayer* layer = nullptr;
  try {
    std::uint8_t word[4] = {};
    const std::uint32_t got = file.Read(word, sizeof word);
    if (resolution != nullptr) *resolution = DropResolutionWord(word, got);
    file.SeekFromCurrent(-static_cast<std::int64_t>(got));
    CRWLayers(&file).ReadLayerRef(&layer);
  } catch (...) {
    // A stream that fails to read names no layer.
    if (layer != nullptr) layer->Release();
    layer = nullptr;
  }
  return layer;
}

}  // namespace lumora
