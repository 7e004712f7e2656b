// The clipboard's portable side: copy snapshots, the private selection
// block and the paste-format table.
#include "document/Clipboard.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

#include "document/LayerSelection.h"
#include "engine/pixels/Dib.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "platform/stream_file.h"
#include "res/resource.h"
#include "select/storeSel.h"

namespace lumora {

namespace {

// A copy of the layer cut to the selected area (the caller's), or null
// when the selection holds none of its pixels. With `cut` the area leaves
// the layer itself.
// Every value of the mask fragment's buffer is 255.
bool FullySelected(Fragment* mask) {
  const WAPtr buffer = WAPtr::Adopt(GetMaskWA(mask));
  if (!buffer) return false;
  const int width = buffer->GetW();
  for (int y = 0; y < buffer->GetH(); ++y) {
    const std::uint8_t* row = buffer->Row(y);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, row + x, 8);
      if (eight != ~std::uint64_t{0}) return false;
    }
    for (; x < width; ++x) {
      if (row[x] != 255) return false;
    }
  }
  return true;
}

// The whole of an opaque layer: what the selection would cut out is the
// layer itself with an opaque mask; its image is the layer's own buffer,
// shared until either side writes.
CLayerPtr WholeLayerCopy(ImageDocument& doc, CLayer& layer) {
  DocumentLockScope lock(&doc);
  CLayerPtr piece = CLayerPtr::Adopt(layer.CreateSharedCopy());
  if (!piece->IsWholeCopyOf(layer) || piece->CreateMask(1) != kLayerOk) piece = nullptr;
  return piece;
}

CLayerPtr CutBySelection(ImageDocument& doc, CLayer& layer, Fragment* selection, bool cut) {
  const RECT area = SelectionReach(selection, layer.GetRect());
  if (RectIsEmpty(area)) return CLayerPtr();
  if (!cut && !layer.HasMask()) {
    // A plain rectangle around the layer is known to select all of it
    // without drawing its mask.
    LURECT whole{};
    RectToLURect(&whole, &layer.GetRect());
    if (FragmentWhollySelects(selection, &whole) != 0) return WholeLayerCopy(doc, layer);
  }
  Fragment* mask = SelectionToMask(selection, area);
  if (mask == nullptr) return CLayerPtr();
  CLayerPtr piece;
  if (!cut && !layer.HasMask() && RectsEqual(area, layer.GetRect()) && FullySelected(mask)) {
    piece = WholeLayerCopy(doc, layer);
  } else {
    DocumentLockScope lock(&doc);
    piece = CLayerPtr::Adopt(layer.CreateLayerFromSelection(mask, cut ? 1 : 0));
  }
  DeleteFragment(mask);
  return piece;
}

// The stack's composite image and mask taken from its one layer.
void TakeCompositeFromLayer(CLayersManager& stack, CLayer& layer) {
  if (layer.PeekImage() != nullptr) stack.SetCompositeImage(layer.PeekImage());
  if (layer.PeekMask() != nullptr) stack.SetCompositeMask(layer.PeekMask());
}

CLayersManagerPtr OneLayerStack(CLayer* layer) {
  try {
    CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, layer));
    return stack;
  } catch (const std::exception&) {
    return CLayersManagerPtr();
  }
}

// The layers a selected copy takes, bottom to top: the active one, or
// every visible one with the base of each clipped layer's group.
std::vector<CLayer*> LayersConcerned(const CLayersManager& stack, bool activeOnly) {
  std::vector<CLayer*> list;
  if (activeOnly) {
    if (stack.GetActiveLayer() != nullptr) list.push_back(stack.GetActiveLayer());
    return list;
  }
  std::vector<bool> take(static_cast<std::size_t>(stack.GetLayerCount()), false);
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    CLayer* layer = stack.GetLayer(i);
    if (layer->IsVisible() == 0) continue;
    take[static_cast<std::size_t>(i)] = true;
    if (layer->GetGrouped() != 0) {
      const int base = stack.GetLayerIndex(stack.GetGroupBase(layer));
      if (base >= 0) take[static_cast<std::size_t>(base)] = true;
    }
  }
  for (int i = 0; i < stack.GetLayerCount(); ++i)
    if (take[static_cast<std::size_t>(i)]) list.push_back(stack.GetLayer(i));
  return list;
}

// The copy of a layer a snapshot takes: one holding the layer's buffers,
// unless the copy cuts (the cut piece is made anew either way).
CLayerPtr SnapshotCopyOf(const CLayer& layer, bool cut) {
  return CLayerPtr::Adopt(cut ? layer.CreateCopy() : layer.CreateSharedCopy());
}

CLayersManagerPtr BuildSharingSnapshot(ImageDocument& doc, Fragment* selection, bool activeOnly, bool cut) {
  CLayersManager* stack = doc.GetLayers();
  CLayer* active = doc.GetActiveLayer();
  if (stack == nullptr || active == nullptr) return CLayersManagerPtr();
  if (stack->IsLayerable() == 0) {
    CLayerPtr copy = SnapshotCopyOf(*active, cut);
    return OneLayerStack(copy.get());
  }
  if (selection == nullptr) {
    if (activeOnly) {
      CLayerPtr copy = SnapshotCopyOf(*active, cut);
      copy->SetGrouped(0);
      CLayersManagerPtr one = OneLayerStack(copy.get());
      if (one) TakeCompositeFromLayer(*one, *copy);
      return one;
    }
    try {
      CLayersManagerPtr whole;
      {
        DocumentLockScope lock(&doc);
        whole = CLayersManagerPtr::Adopt(new CLayersManager(*stack, LayerBuffers::kShare));
      }
      whole->SetDocument(nullptr);
      return whole;
    } catch (const std::exception&) {
      return CLayersManagerPtr();
    }
  }
  const RECT image{0, 0, stack->GetWidth(), stack->GetHeight()};
  const RECT area = SelectionReach(selection, image);
  if (RectIsEmpty(area)) return CLayersManagerPtr();
  CLayersManagerPtr result;
  try {
    result = CLayersManagerPtr::Adopt(new CLayersManager(stack->GetImageType(), nullptr, area.right - area.left,
                                                          area.bottom - area.top, stack->GetResolution(),
                                                          stack->GetBackgroundColor(), 1));
  } catch (const std::exception&) {
    return CLayersManagerPtr();
  }
  CLayer* last = nullptr;
  for (CLayer* layer : LayersConcerned(*stack, activeOnly)) {
    CLayerPtr piece = CutBySelection(doc, *layer, selection, cut && layer == active);
    if (!piece) continue;
    piece->Offset(POINT{-area.left, -area.top});
    if (!result->CanAddLayer(piece.get()) || result->AddLayer(piece.get()) != 0) return CLayersManagerPtr();
    last = piece.get();
  }
  if (last == nullptr) return CLayersManagerPtr();
  result->SetActiveLayer(last);
  return result;
}

}  // namespace

bool HasVisibleLayer(const CLayersManager& stack) {
  for (int i = 0; i < stack.GetLayerCount(); ++i)
    if (stack.GetLayer(i)->IsVisible() != 0) return true;
  return false;
}

CLayersManagerPtr BuildCopySnapshot(ImageDocument& doc, Fragment* selection, bool activeOnly, bool cut) {
  CLayersManagerPtr snapshot = BuildSharingSnapshot(doc, selection, activeOnly, cut);
  // Its layers hold the document's buffers: the document gives it clones
  // before it writes into them.
  if (snapshot) doc.SetClipboardSnapshot(snapshot.get());
  return snapshot;
}

CLayersManagerPtr BuildMergedSnapshot(ImageDocument& doc, Fragment* selection) {
  CLayersManager* stack = doc.GetLayers();
  CLayer* active = doc.GetActiveLayer();
  if (stack == nullptr || active == nullptr) return CLayersManagerPtr();
  std::vector<CLayer*> all;
  for (int i = 0; i < stack->GetLayerCount(); ++i) all.push_back(stack->GetLayer(i));
  CLayerPtr merged;
  {
    DocumentLockScope lock(&doc);
    const RECT whole{0, 0, stack->GetWidth(), stack->GetHeight()};
    merged = CLayerPtr::Adopt(stack->MergeLayers(all, active->GetLayerInfo(), 0, whole));
  }
  if (!merged) return CLayersManagerPtr();
  if (selection != nullptr) {
    merged = CutBySelection(doc, *merged, selection, false);
    if (!merged) return CLayersManagerPtr();
  }
  CLayersManagerPtr one = OneLayerStack(merged.get());
  if (one) TakeCompositeFromLayer(*one, *merged);
  return one;
}

Fragment* ClipboardFragmentOf(const Fragment* selection) {
  if (selection == nullptr) return nullptr;
  Fragment* copy = CreateFragmentIndirect(selection);
  if (copy != nullptr && IsFrgInverted(copy) != 0) {
    const POINT origin{0, 0};
    SetFragmentOriginPoint(copy, &origin);
  }
  return copy;
}

std::uint64_t MaskBlockReserve(const Fragment* fragment) {
  std::uint64_t estimate = 4096;
  if (fragment == nullptr) return estimate;
  const int type = GetFragmentType(fragment);
  if (type != kFrgMask && type != kFrgComplex) return estimate;
  // A mask stores its whole buffer, whatever it selects.
  LURECT bounds{};
  if ((type == kFrgMask ? GetMaskRect(fragment, &bounds) : GetFragmentBoundRect(fragment, &bounds)) != 0) {
    RECT r;
    LURectToRect(&r, &bounds);
    if (!RectIsEmpty(r)) {
      estimate += static_cast<std::uint64_t>(std::int64_t{r.right} - r.left) *
                  static_cast<std::uint64_t>(std::int64_t{r.bottom} - r.top);
    }
  }
  return std::min<std::uint64_t>(estimate, 256u << 20);
}

std::vector<std::uint8_t> WriteMaskBlock(int width, int height, const Fragment* fragment) {
  MemFile file(static_cast<std::uint32_t>(MaskBlockReserve(fragment)));
  Fragment* empty = nullptr;
  try {
    const std::uint8_t sizes[4] = {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                                   static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8)};
    file.Write(sizes, 4);
    if (fragment == nullptr) empty = CreateEmptyFrg(0);
    CSelStream(&file).Write(fragment != nullptr ? fragment : empty);
  } catch (const std::exception&) {
    DeleteFragment(empty);
    return {};
  }
  DeleteFragment(empty);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

namespace {

// Whether the fragment selects something inside the image of w x h it came
// with: an inverted or empty one always does (the whole image, or
// nothing); any other shape must reach into it.
bool ReachesImage(const Fragment* fragment, int width, int height) {
  if (IsFrgInverted(fragment) != 0 || GetFragmentType(fragment) == kFrgEmpty) return true;
  LURECT lu{};
  if (GetFragmentBoundRect(fragment, &lu) == 0) return false;
  RECT bounds;
  LURectToRect(&bounds, &lu);
  const RECT image{0, 0, width, height};
  RECT common;
  return RectIntersect(&common, bounds, image);
}

}  // namespace

int ReadMaskBlock(const std::uint8_t* data, std::size_t size, int* width, int* height, Fragment** fragment,
                  std::string* why) {
  *fragment = nullptr;
  auto refuse = [why](const char* reason) {
    if (why != nullptr) *why = reason;
    return 36;
  };
  if (data == nullptr || size < 4 || size > 0xFFFFFFFFu) return refuse("the block is too short for its sizes");
  const int w = data[0] | data[1] << 8;
  const int h = data[2] | data[3] << 8;
  // The image it names is made from it (Paste as New Image): checked
  // against the program's limits before anything is read or made.
  if (!IsImageSize(w, h)) return refuse("the image it names is not 1 to 30000 pixels a side");
  MemFile file;
  file.Attach(const_cast<std::uint8_t*>(data) + 4, static_cast<std::uint32_t>(size - 4));
  Fragment* read = nullptr;
  try {
    CSelStream(&file).Read(&read);
  } catch (const std::exception&) {
    DeleteFragment(read);
    read = nullptr;
  }
  file.Detach();
  if (read == nullptr) return refuse("its selection cannot be read");
  if (!ReachesImage(read, w, h)) {
    DeleteFragment(read);
    return refuse("its selection lies wholly outside the image it names");
  }
  *width = w;
  *height = h;
  *fragment = read;
  return 0;
}

int ReadPastedDib(const std::uint8_t* block, std::size_t size, WAPtr* image, WAPtr* mask, std::string* why) {
  *image = nullptr;
  *mask = nullptr;
  why->clear();
  // Header sizes a pasted DIB may have: BITMAPINFOHEADER, V4 and V5.
  const std::uint32_t headerBytes =
      block == nullptr || size < 4
          ? 0
          : block[0] | block[1] << 8 | block[2] << 16 | static_cast<std::uint32_t>(block[3]) << 24;
  if (headerBytes != 40 && headerBytes != 108 && headerBytes != 124) return 36;
  WAPtr read = WAPtr::Adopt(DIBToImage(block, size, 0));
  if (!read) {
    // A block that cannot be a picture is refused before anything is made.
    if (const char* fault = DIBFault(block, size)) {
      *why = fault;
      return 36;
    }
    return 16;
  }
  *mask = WAPtr::Adopt(DIBAlphaToMask(block, size));
  *image = std::move(read);
  return 0;
}

int BuildPasteFormatTable(PasteRow* rows, int max, bool withSelection, bool withDocuments, bool dialogTexts,
                          const ClipboardFormatIds& ids) {
  const PasteRow all[4] = {
      {ids.embedSource, kMediumStorage, IDS_PASTE_NAME_DOCUMENT, IDS_PASTE_RESULT_DOCUMENT},
      {ids.mask, kMediumGlobal, IDS_PASTE_NAME_MASK, IDS_PASTE_RESULT_MASK},
      {ids.dib, kMediumGlobal, IDS_PASTE_NAME_DIB, IDS_PASTE_RESULT_DIB},
      {ids.bitmap, kMediumGdi, IDS_PASTE_NAME_BITMAP, IDS_PASTE_RESULT_BITMAP},
  };
  const bool wanted[4] = {withDocuments, withSelection, withDocuments, withDocuments};
  int count = 0;
  for (int i = 0; i < 4 && count < max; ++i) {
    if (!wanted[i]) continue;
    rows[count] = all[i];
    if (!dialogTexts) rows[count].resultId = 0;
    ++count;
  }
  return count;
}

void QueryPasteEntries(PasteRow* rows, int count, const DataObjectOffer& offer, const ClipboardFormatIds& ids) {
  for (int i = 0; i < count; ++i) {
    PasteRow& row = rows[i];
    row.usable = false;
    const unsigned f = row.format;
    if (f == ids.embeddedObject || f == ids.embedSource || f == ids.fileName || f == ids.fileNameW) {
      row.usable = offer.canCreateFrom;
    } else if (f == ids.linkSource) {
      row.usable = offer.canLinkFrom;
    } else if (f == 0) {
      row.usable = true;
    }
  }
  bool marker = false;
  if (offer.listUsable) {
    for (const ListedFormat& listed : offer.listed) {
      if (listed.format == ids.marker) {
        marker = true;
        continue;
      }
      for (int i = 0; i < count; ++i) {
        PasteRow& row = rows[i];
        if (row.usable || row.format != listed.format || !listed.nullDevice ||
            listed.aspect != 1 /* content */) {
          continue;
        }
        if (row.medium != 0 || listed.medium != 0) row.usable = true;
      }
    }
  }
  if (!offer.listUsable || offer.listed.empty() || !marker) {
    for (int i = 0; i < count; ++i) {
      if (rows[i].format == ids.embedSource) {
        rows[i].usable = false;
        break;
      }
    }
  }
}

int PickPasteFormat(const PasteRow* rows, int count) {
  for (int i = 0; i < count; ++i) {
    if ((rows[i].flags == 0 || (rows[i].flags & kPasteRowPasteFlag) != 0) && rows[i].usable) return i;
  }
  return -1;
}

namespace {

// Grey of blue, green, red weighted 30/59/11 per hundred.
inline std::uint8_t GreyOf(unsigned blue, unsigned green, unsigned red) {
  return static_cast<std::uint8_t>((30 * red + 59 * green + 11 * blue) / 100);
}

// Palette index of pixel x of a row of 1, 4 or 8 bits a pixel.
inline unsigned IndexAt(const std::uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) != 0 ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    default:
      return row[x];
  }
}

}  // namespace

WAPtr ConvertPastedBitmap(VrWA2000::WA* image, int documentType) {
  if (image == nullptr) return WAPtr();
  const int type = image->GetType();
  if (type == documentType) return WAPtr::Share(image);
  const bool paletted = type == kWAType1Bit || type == kWAType4Bit || type == kWAType8Palette || type == kWAType8Grey;
  const bool toRgb = documentType == kWAType24 && paletted;
  const bool toGrey = documentType == kWAType8Grey && (paletted || type == kWAType24);
  if (!toRgb && !toGrey) return WAPtr::Share(image);
  const int width = image->GetW(), height = image->GetH();
  WAPtr out = WAPtr::Adopt(NewWAWithPalette(documentType, width, height, nullptr));
  if (!out) return WAPtr();
  out->SetXRes(image->GetXRes());
  out->SetYRes(image->GetYRes());
  // Each palette entry's colour (blue, green, red) and grey, looked up
  // once.
  std::uint8_t bgr[256][3] = {};
  std::uint8_t grey[256] = {};
  if (paletted) {
    const int entries = 1 << image->GetBPP();
    PALETTEENTRY palette[256] = {};
    image->GetPaletteEntries(0, static_cast<std::uint16_t>(entries), palette);
    for (int i = 0; i < entries; ++i) {
      bgr[i][0] = palette[i].peBlue;
      bgr[i][1] = palette[i].peGreen;
      bgr[i][2] = palette[i].peRed;
      grey[i] = GreyOf(palette[i].peBlue, palette[i].peGreen, palette[i].peRed);
    }
  }
  const int bits = image->GetBPP();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = image->Row(y);
    std::uint8_t* dst = out->Row(y);
    if (type == kWAType24) {
      for (int x = 0; x < width; ++x, src += 3) dst[x] = GreyOf(src[0], src[1], src[2]);
    } else if (toGrey) {
      for (int x = 0; x < width; ++x) dst[x] = grey[IndexAt(src, x, bits)];
    } else {
      for (int x = 0; x < width; ++x, dst += 3) std::memcpy(dst, bgr[IndexAt(src, x, bits)], 3);
    }
  }
  return out;
}

POINT CentredOrigin(int docW, int docH, int w, int h) { return POINT{(docW - w) / 2, (docH - h) / 2}; }

POINT CentredSelectionOrigin(int imageW, int imageH, const RECT& bounds) {
  return CentredOrigin(imageW, imageH, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

}  // namespace lumora
