// The dithering library: colour statistics of an image, an optimised
// palette chosen from them, and the mapping of pixel rows to palette
// indices with or without error diffusion. Every colour row handed to it
// holds pixels of 3 bytes in the order blue, green, red.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

struct DthContext;
struct DthStats;
struct DthDither;

// The palette record: version 0x300, the number of entries in use, and
// 256 entries {red, green, blue, flags}.
struct DTH_LOGPALETTE {
  std::uint16_t version = 0x300;
  std::uint16_t count = 0;
  PALETTEENTRY entries[256] = {};
};

// Mode flags of DthBeginDither.
constexpr std::uint32_t kDthModeExact = 1;      // passed with 4 by the palette reductions
constexpr std::uint32_t kDthModeOptimised = 2;  // the palette record holds the palette to map to
constexpr std::uint32_t kDthModeRows = 4;
constexpr std::uint32_t kDthModeDiffuse = 8;    // Floyd-Steinberg error diffusion

// Bytes of the scratch table the palette calls take.
constexpr int kDthScratchBytes = 7168;

// A new context, or null when memory runs out.
DthContext* DthOpen();
// The context's statistics record (its first 32-bit word is the record
// word that DthBeginDither takes), or null.
DthStats* DthGetStats(DthContext* context);
// Adds a row of `width` pixels (blue, green, red) to the statistics.
void DthAddRow(const std::uint8_t* row, int width, DthStats* stats);
// Chooses at most `wanted` colours (2..256) from the statistics; returns
// how many were chosen (0 without any pixel).
int DthChooseColours(DthStats* stats, std::uint8_t* scratch, int wanted);
// Writes the chosen colours into the palette record and sets its count to
// min(count, colours chosen). Returns the count written.
int DthFillPalette(DthStats* stats, DTH_LOGPALETTE* palette, std::uint8_t* scratch, int count);
// Starts mapping rows of lastColumn + 1 pixels. colourInput 1: rows of 3
// bytes a pixel; 0: rows of one grey byte. Without kDthModeOptimised the
// palette is the standard palette of `colours` entries: 216 the colour
// cube (index 36 r + 6 g + b for 51 r, 51 g, 51 b), 16 the eight corner
// colours (black, red, green, yellow, blue, magenta, cyan, white), 2 black
// and white; with it, the first `colours` entries of `palette` (one or
// more: a picture of one colour has a palette of one). Null for a bad
// argument or no memory.
DthDither* DthBeginDither(int colourInput, int colours, std::uint32_t modeFlags, std::uint32_t recordWord,
                          const DTH_LOGPALETTE* palette, int reserved1, int reserved2, int reserved3,
                          int lastColumn, int reserved4);
// Maps one row into one index byte per pixel. Consecutive calls are
// consecutive rows of one picture (the diffused error carries over).
void DthDitherRow(const std::uint8_t* in, std::uint8_t* out, DthDither* dither);
void DthEndDither(DthDither* dither);
// Frees the statistics record, then the context.
void DthReleaseStats(DthContext* context);
void DthClose(DthContext* context);
