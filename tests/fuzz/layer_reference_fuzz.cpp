// Fuzz target of the dropped layer stream ("Lumo40 W32 Layer") as a drop
// target reads it: one layer is offered, as a drag offers its layer. Any
// stream gives null or a whole copy of that layer, and only when it names
// this process, the layer's address and its id; the resolution word is the
// stream's first four bytes, 96/96 without them.
//
// The first byte picks the stream: even, the remaining bytes as they are;
// odd, the offered layer's own stream with the remaining bytes laid over it
// by exclusive or (from byte 0), so that streams one field away from a good
// one are tried.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/layered/RWLayers.h"
#include "engine/layers/Layer.h"
#include "engine/pixels/WAccess.h"
#include "fuzz/fuzz_target.h"
#include "platform/stream_file.h"
#include "view/DropPlacement.h"

namespace {

CLayer* OfferedLayer() {
  static CLayer* layer = [] {
    const WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 5, 3, nullptr));
    image->Row(1)[4] = 0x7F;
    image->SetXRes(300);
    image->SetYRes(150);
    CLayer* made = new CLayer(image.get(), POINT{2, -1}, 0, nullptr, 0);
    lumora::OfferLayerForReference(made);
    return made;
  }();
  return layer;
}

std::vector<std::uint8_t> StreamOf(CLayer* layer) {
  lumora::MemFile file(64);
  CRWLayers(&file).WriteLayerRef(layer);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

}  // namespace

LUMORA_FUZZ_TARGET(layer_reference)(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  CLayer* offered = OfferedLayer();
  const std::vector<std::uint8_t> good = StreamOf(offered);
  std::vector<std::uint8_t> stream(data + 1, data + size);
  if ((data[0] & 1) != 0) {
    std::vector<std::uint8_t> laid = good;
    if (stream.size() > laid.size()) laid.resize(stream.size());
    for (std::size_t i = 0; i < stream.size(); ++i) laid[i] ^= stream[i];
    stream.swap(laid);
  }
  lumora::MemFile file;
  file.Attach(stream.data(), static_cast<std::uint32_t>(stream.size()));
  std::uint32_t resolution = 0;
  CLayer* layer = lumora::ReadDroppedLayerStream(file, &resolution);
  file.Detach();
  const std::uint32_t expected = stream.size() >= 4 ? lumora::DropResolutionWord(stream.data(), 4)
                                                    : lumora::kDefaultDropResolution;
  if (resolution != expected) __builtin_trap();
  const bool names = stream.size() >= good.size() && std::memcmp(stream.data() + 4, good.data() + 4, good.size() - 4) == 0;
  if ((layer != nullptr) != names) __builtin_trap();
  if (layer != nullptr) {
    if (layer == offered || !layer->IsWholeCopyOf(*offered)) __builtin_trap();
    layer->Release();
  }
  return 0;
}
