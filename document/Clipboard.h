// What the clipboard commands build and decide without a window: the
// snapshot of the layers a copy puts on the clipboard, the private
// selection block and origin marker, the paste-format table with its test
// of what a data object offers, and where a pasted image lands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/ImageDocument.h"
#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"

namespace lumora {

// ---- Copy ----

// The layers a copy takes (no document pointer; null when none remain):
// a flat stack gives its active layer at the origin; without a selection
// the active layer alone (`activeOnly`, out of its clipping group) or a
// copy of the whole stack; with one, each layer concerned (the active one,
// or every visible layer, a clipped layer bringing its group's base) cut
// to the selection, moved by minus the selection's corner, in a stack of
// the selection's size. With `cut` the selected area leaves the active
// layer of `doc` (the caller holds the undo step).
CLayersManagerPtr BuildCopySnapshot(ImageDocument& doc, Fragment* selection, bool activeOnly, bool cut = false);
// Copy Merged: every layer merged into one layer (the active layer's
// record), cut to the selection when there is one, in a one-layer stack;
// null when nothing remains.
CLayersManagerPtr BuildMergedSnapshot(ImageDocument& doc, Fragment* selection);
// Whether some layer of the stack is visible.
bool HasVisibleLayer(const CLayersManager& stack);
// The selection a copy keeps for the clipboard: a copy of it, moved to
// the origin when it is inverted. The caller's; null for none.
Fragment* ClipboardFragmentOf(const Fragment* selection);

// The origin marker's bytes.
inline constexpr char kOriginMarker[4] = {'L', 'U', 'M', 'O'};

// The private selection block: the document's width and height (16 bits
// each, little-endian), then one selection stream of the fragment (an
// empty fragment when null). Empty when the fragment cannot be stored.
std::vector<std::uint8_t> WriteMaskBlock(int width, int height, const Fragment* fragment);
// The memory WriteMaskBlock takes at once for the fragment's block: a few
// kilobytes, and the pixels of its bounds for a mask or a combination
// (which may hold masks), so a large mask is not copied again and again as
// the block grows. A shape stores a few numbers whatever its size, and
// takes no more.
std::uint64_t MaskBlockReserve(const Fragment* fragment);
// Reads the block: 0 with the sizes and the fragment (the caller's), or
// 36, nothing read and the reason in `why` (when given), for a short or
// damaged block, sizes beyond 1 to 30000 pixels a side, or a selection
// that lies wholly outside the image the block names. Never throws.
int ReadMaskBlock(const std::uint8_t* data, std::size_t size, int* width, int* height, Fragment** fragment,
                  std::string* why = nullptr);

// ---- Paste ----

// The clipboard format ids the paste rows name (the registered ones as
// the application registered them; CF_DIB and CF_BITMAP are 8 and 2).
struct ClipboardFormatIds {
  unsigned marker = 0;
  unsigned mask = 0;
  unsigned embeddedObject = 0;
  unsigned embedSource = 0;
  unsigned linkSource = 0;
  unsigned fileName = 0;
  unsigned fileNameW = 0;
  unsigned dib = 8;
  unsigned bitmap = 2;
};

// The medium codes the rows name (TYMED_HGLOBAL, TYMED_GDI, TYMED_ISTORAGE).
inline constexpr unsigned kMediumGlobal = 1;
inline constexpr unsigned kMediumGdi = 16;
inline constexpr unsigned kMediumStorage = 8;
// The paste dialog's "paste" flag of a row.
inline constexpr unsigned kPasteRowPasteFlag = 0x200;

// One row of the paste-format table.
struct PasteRow {
  unsigned format = 0;
  unsigned medium = 0;
  std::uint32_t nameId = 0;    // display name
  std::uint32_t resultId = 0;  // result text of the dialog (0: none)
  unsigned flags = 0;
  bool usable = false;  // the data object can supply it
};

// Rows own document, own selection, DIB and bitmap, as the caller asks
// for them, at most `max`; returns how many were written.
int BuildPasteFormatTable(PasteRow* rows, int max, bool withSelection, bool withDocuments, bool dialogTexts,
                          const ClipboardFormatIds& ids);

// One format a data object lists.
struct ListedFormat {
  unsigned format = 0;
  bool nullDevice = true;
  unsigned aspect = 1;
  unsigned medium = 0;
};

// What a data object answered about itself.
struct DataObjectOffer {
  // The list of one fetch of at most 20 entries, and whether it may be
  // used (the enumeration worked and the fetch gave 1 to 20 entries).
  bool listUsable = false;
  std::vector<ListedFormat> listed;
  bool canCreateFrom = false;  // OleQueryCreateFromData answered S_OK
  bool canLinkFrom = false;    // OleQueryLinkFromData answered S_OK
};

// Sets each row's usable flag from the offer: the embedding formats by
// the create query, "Link Source" by the link query, the others by the
// list; the own-document row only where the origin marker is listed.
void QueryPasteEntries(PasteRow* rows, int count, const DataObjectOffer& offer, const ClipboardFormatIds& ids);
// The first usable row whose flags are 0 or carry the paste flag; -1 for
// none or no rows.
int PickPasteFormat(const PasteRow* rows, int count);

// A DIB block on the clipboard (CF_DIB) as the pastes take it: 0 with the
// image and, for a 32-bit V4 or V5 DIB whose alpha is not zero everywhere,
// that alpha as a mask of the image's size (null otherwise). 36 for a
// block whose header is not a DIB's (40, 108 or 124 bytes), or one the DIB
// reader refuses, with the reason in `why` (words that follow "cannot be
// pasted: "; empty for a header of another size); 16 when a DIB that
// reads could not be made (memory). Nothing is made on a refusal.
int ReadPastedDib(const std::uint8_t* block, std::size_t size, WAPtr* image, WAPtr* mask, std::string* why);

// A pasted bitmap's image in the document's image type: the same buffer
// when the types agree; for an RGB document (16) every palette type's
// pixels looked up in its palette; for a grey document (8) the palette
// entry's, or the RGB pixel's, grey (30 red + 59 green + 11 blue) / 100.
// Other pairs come back unchanged, for the stack's own conversion when the
// layer goes in. Null when memory runs out.
WAPtr ConvertPastedBitmap(VrWA2000::WA* image, int documentType);

// Where an image of w x h lands centred in a document of docW x docH:
// integer division truncating toward zero (negative when larger).
POINT CentredOrigin(int docW, int docH, int w, int h);

// The place a pasted selection (not a mask) is moved to: centred by its
// own width and height, as its layers are.
POINT CentredSelectionOrigin(int imageW, int imageH, const RECT& bounds);

}  // namespace lumora
