// The merged image of the layered file, which the stack writes and the
// composite readers read, and the checked division the channel readers
// fold masks with.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"

#include "engine/pixels/Div255.h"

namespace lumora {

class LayeredReader;
class LayeredWriter;
struct LayeredFileHeader;

// Writes the merged image section for an image of type 16, 8, 4 or 1:
// PackBits rows (raw for type 1, inverted), channel after channel from the
// top row, red first for type 16; an 8-bit `alpha` of the image's size
// follows as one more channel (the transparency of the merged image).
void WriteMergedImage(LayeredWriter& out, const VrWA2000::WA& image, const VrWA2000::WA* alpha = nullptr);

// Reads the merged image section into a new buffer of the header's type
// and size (palette from its colour table); `channels` is the file's
// channel count, of which only the colour planes are kept. Every row
// handled is counted in the header's channel-row counter and, with
// `report`, reported to the progress indicator; a cancel gives null and
// sets *cancelled. Damage throws layer_err_fread, as does a buffer that
// cannot be made.
WAPtr ReadMergedImage(LayeredReader& in, LayeredFileHeader& header, int channels, bool report,
                      bool* cancelled);

// Reports `rows` channel rows as handled, as reading them would.
void ReportRowsHandled(LayeredFileHeader& header, std::uint64_t rows);

}  // namespace lumora
