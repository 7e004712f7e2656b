// Fuzz target of the clipboard's selection block ("Lumo40 W32 Mask") as the
// pastes take it: any bytes are refused with code 36 and a reason, nothing
// made, or give the image's size within the limits and a selection that
// reaches into it. A block that reads is written again to the same block;
// its selection is placed as Paste places it and, for a small image, made
// into the mask image Paste as New Image makes.
#include <cstdint>
#include <string>
#include <vector>

#include "document/Clipboard.h"
#include "document/LayerSelection.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/pixels/WAccess.h"
#include "fuzz/fuzz_target.h"
#include "hostapi/fragment.h"
#include "platform/rect.h"

namespace {

using namespace lumora;

std::vector<std::uint8_t> ReadAndWriteAgain(const std::vector<std::uint8_t>& block) {
  int w = 0, h = 0;
  Fragment* f = nullptr;
  if (ReadMaskBlock(block.data(), block.size(), &w, &h, &f) != 0) __builtin_trap();
  std::vector<std::uint8_t> again = WriteMaskBlock(w, h, f);
  DeleteFragment(f);
  return again;
}

// Paste: a shape other than a mask is centred in the document by its own
// size, as the layers copied with it are.
void PlaceAsPaste(const Fragment* f, int docW, int docH) {
  const int type = GetFragmentType(f);
  if (type == kFrgMask || type == kFrgEmpty || IsFrgInverted(f) != 0) return;
  LURECT lu{};
  if (GetFragmentBoundRect(f, &lu) == 0) return;
  RECT bounds;
  LURectToRect(&bounds, &lu);
  const POINT origin = CentredSelectionOrigin(docW, docH, bounds);
  Fragment* moved = CreateFragmentIndirect(f);
  if (moved == nullptr) return;
  SetFragmentOriginPoint(moved, &origin);
  DeleteFragment(moved);
}

// Paste as New Image: the selection as a mask of the block's image.
void MakeMaskImage(Fragment* f, int w, int h) {
  if (static_cast<std::int64_t>(w) * h > (1 << 18)) return;
  Fragment* mask = SelectionToMask(f, RECT{0, 0, w, h});
  if (mask == nullptr) return;
  const WAPtr image = WAPtr::Adopt(GetMaskWA(mask));
  DeleteFragment(mask);
  if (image && (image->GetW() != w || image->GetH() != h)) __builtin_trap();
}

}  // namespace

LUMORA_FUZZ_TARGET(clipboard_mask)(const std::uint8_t* data, std::size_t size) {
  // Copied, so that a read one past the block is caught.
  const std::vector<std::uint8_t> block(data, data + size);
  int w = -1, h = -1;
  Fragment* f = nullptr;
  std::string why;
  const int code = ReadMaskBlock(block.data(), block.size(), &w, &h, &f, &why);
  if (code != 0) {
    if (code != 36 || f != nullptr || why.empty() || w != -1 || h != -1) __builtin_trap();
    return 0;
  }
  if (f == nullptr || !IsImageSize(w, h)) __builtin_trap();
  const std::vector<std::uint8_t> once = WriteMaskBlock(w, h, f);
  if (once.empty() || ReadAndWriteAgain(once) != once) __builtin_trap();
  PlaceAsPaste(f, 640, 480);
  PlaceAsPaste(f, w, h);
  MakeMaskImage(f, w, h);
  DeleteFragment(f);
  return 0;
}
