// Fuzz target of the DIB reader: any bytes must give a buffer or null,
// never read outside the block. A buffer that comes out must go back into
// a DIB that reads as the same picture.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/pixels/Dib.h"
#include "fuzz/fuzz_target.h"

namespace {

// The DIB without its resolution, which pixels per metre round.
std::vector<std::uint8_t> DibWithoutResolution(const VrWA2000::WA& image) {
  std::vector<std::uint8_t> dib = ImageToDIBBytes(&image, RECT{0, 0, image.GetW(), image.GetH()});
  if (dib.size() < 40) std::abort();
  std::fill(dib.begin() + 24, dib.begin() + 32, 0);
  return dib;
}

void CheckRoundTrip(const VrWA2000::WA& image) {
  const std::vector<std::uint8_t> dib = DibWithoutResolution(image);
  const WAPtr again = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 0));
  if (!again || again->GetType() != image.GetType()) std::abort();
  if (DibWithoutResolution(*again) != dib) std::abort();
}

}  // namespace

LUMORA_FUZZ_TARGET(dib)(const std::uint8_t* data, std::size_t size) {
  // The bytes are copied so that reading one past the block is caught.
  const std::vector<std::uint8_t> block(data, data + size);
  for (int toRGB = 0; toRGB < 2; ++toRGB) {
    const WAPtr image = WAPtr::Adopt(DIBToImage(block.data(), block.size(), toRGB));
    if (image) CheckRoundTrip(*image);
  }
  return 0;
}
