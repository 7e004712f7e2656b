// Where a dragged layer's feedback and the dropped layer go: the focus
// rectangle the drop targets draw around the pointer, the move that puts a
// layer's content centre on the drop point, and the resolution a drag's
// stream carries.
#pragma once

#include <cstdint>

#include "platform/rect.h"

class CLayer;

namespace lumora {

class StreamFile;

// The feedback rectangle's size, in window pixels.
inline constexpr int kDropFeedbackWidth = 30;
inline constexpr int kDropFeedbackHeight = 50;
// The resolution word a new document takes when a stream has none.
inline constexpr std::uint32_t kDefaultDropResolution = 96u | (96u << 16);

// The feedback rectangle at a drag's entry point: 30 x 50 at (0, 0), moved so
// that its centre (halves toward zero) is the point unless the point already
// lies inside it.
RECT DropFeedbackRect(POINT entry);

// The move that brings the content centre onto the drop point.
POINT DropOffset(POINT contentCentre, POINT dropPoint);

// The resolution word at the start of a layer stream (x dots per inch low,
// y high, little-endian), or 96/96 when fewer than four bytes came.
std::uint32_t DropResolutionWord(const std::uint8_t* bytes, std::uint32_t count);

// The layer a dropped layer stream names, read from the file's position:
// a copy (one reference, the caller's) of a layer offered in this process,
// or null for any other stream; the stream's resolution word goes to
// `resolution` (when given). Nothing the stream holds makes it throw.
CLayer* ReadDroppedLayerStream(StreamFile& file, std::uint32_t* resolution);

}  // namespace lumora
