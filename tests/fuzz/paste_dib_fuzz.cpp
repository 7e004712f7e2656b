// Fuzz target of a DIB pasted from the clipboard, through the whole paste:
// the block read as the pastes read it (header, colour table or bit
// fields, run-length data, the alpha as a mask), then the image put into a
// document as Edit/Paste puts it (a new layer centred above the active one)
// and made into a new document as Paste as New Image makes it (with the
// alpha as its layer's mask). A refusal makes nothing and, past a DIB's
// header, gives its reason; a mask is the image's size.
#include <cstdint>
#include <string>
#include <vector>

#include "document/Clipboard.h"
#include "document/ImageDocument.h"
#include "document/null_host.h"
#include "engine/layers/Layer.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/pixels/WAccess.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

// Edit/Paste into a small RGB document.
void PasteIntoDocument(VrWA2000::WA* image, VrWA2000::WA* mask) {
  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  if (doc.NewImage(CreationRecord{2, 32, 24, 0x00480048u, 0xFFFFFFu}) != 1) __builtin_trap();
  const POINT origin = CentredOrigin(32, 24, image->GetW(), image->GetH());
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image, origin, mask != nullptr ? 1 : 0, mask, 0));
  const int before = doc.GetLayers()->GetLayerCount();
  if (!doc.InsertLayer(doc.GetActiveLayer(), layer.get(), true, true, true)) return;
  if (doc.GetLayers()->GetLayerCount() != before + 1) __builtin_trap();
}

// Paste as New Image: with a mask, a document of the one layer carrying
// it; otherwise a document of the image.
void PasteAsNewImage(VrWA2000::WA* image, VrWA2000::WA* mask) {
  testing::NullDocumentHost host;
  ImageDocument doc{&host};
  if (mask != nullptr) {
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image, POINT{0, 0}, 1, mask, 0));
    doc.NewImage(CreationRecord{4, reinterpret_cast<std::uintptr_t>(layer.get())});
  } else {
    doc.NewImage(CreationRecord{0, reinterpret_cast<std::uintptr_t>(image)});
  }
  if (doc.HasImage() &&
      (doc.GetLayers()->GetWidth() != image->GetW() || doc.GetLayers()->GetHeight() != image->GetH())) {
    __builtin_trap();
  }
}

}  // namespace

LUMORA_FUZZ_TARGET(paste_dib)(const std::uint8_t* data, std::size_t size) {
  // Copied, so that a read one past the block is caught.
  const std::vector<std::uint8_t> block(data, data + size);
  WAPtr image, mask;
  std::string why = "unchanged";
  const int code = ReadPastedDib(block.data(), block.size(), &image, &mask, &why);
  if (code != 0) {
    if ((code != 36 && code != 16) || image || mask || (code == 16 && !why.empty())) __builtin_trap();
    return 0;
  }
  if (!image || !why.empty() || !IsImageSize(image->GetW(), image->GetH())) __builtin_trap();
  if (mask && (mask->GetType() != kWAType8Grey || mask->GetW() != image->GetW() || mask->GetH() != image->GetH())) {
    __builtin_trap();
  }
  // Documents of images beyond a few hundred thousand pixels cost the run
  // more than they find.
  if (static_cast<std::int64_t>(image->GetW()) * image->GetH() > (1 << 18)) return 0;
  PasteIntoDocument(image.get(), mask.get());
  PasteAsNewImage(image.get(), mask.get());
  return 0;
}
