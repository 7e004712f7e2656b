// A toolbar's state file and its image file as one update. Both carry the
// same stamp; the new pair is written whole beside its targets, then the
// image file and last the state file are moved over the old ones. A start
// that finds the stamps apart (the program was killed between the two
// moves) finishes the update from the state file's complete temporary
// file, so the bar always reads an old pair whole or the new pair whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/ToolbarState.h"

namespace lumora {

// A stamp for a new update: never 0, unlikely to repeat.
std::uint32_t NewToolbarStamp();

// Writes `state` (a state file's bytes) and `images` (its image file's)
// as one update; both must carry the same stamp. False, with `error` set,
// when the pair could not be written; the old pair then still reads.
// Temporary files of earlier, killed updates go first, as do those of the
// ".new" naming older versions used.
bool WriteToolbarStatePair(const std::string& stateFile, const std::vector<std::uint8_t>& state,
                           const std::vector<std::uint8_t>& images, std::string* error);

// Saves a bar's layout and its image strip as one update; a pair on the
// disk that already holds them is left as it is (its stamp kept), so a
// layout saved unchanged writes nothing. False with `error` set as above.
bool SaveToolbarStatePair(const std::string& stateFile, ToolbarStateRecord state, const ImageStrip& strip,
                          std::string* error);

// The pair as it stands on the disk.
struct ToolbarStatePair {
  bool stateFound = false;  // false: no state file (no saved layout)
  std::vector<std::uint8_t> state;
  bool imagesFound = false;
  std::vector<std::uint8_t> images;
};

// Reads the state file and its image file (at most `maxBytes` each; a
// larger file reads as missing). When their stamps differ and a complete
// temporary state file with the image file's stamp lies beside the state
// file, it is moved over the state file first: the update a kill stopped
// is finished.
ToolbarStatePair ReadToolbarStatePair(const std::string& stateFile, std::size_t maxBytes = std::size_t{32} << 20);

// The stamp of a state file's bytes; false when they do not read as one.
bool ToolbarStateStamp(const std::vector<std::uint8_t>& state, std::uint32_t* stamp);

// What a pair read from the disk gives a bar.
struct ToolbarLayoutPlan {
  enum Kind { kNoState, kDefault, kDamaged, kApply } kind = kNoState;
  ToolbarStateRecord state;  // kApply
  ImageStrip strip;          // kApply, in the standard button colours
  int imageCount = 0;        // kApply: the strip's images
};
// kNoState without a state file; kDefault for a layout of no buttons;
// kDamaged for a state file that does not read (ParseToolbarState), an
// image file that is missing, of another update or does not decode, a
// strip that does not hold whole images of the layout's size or lacks a
// button's image, or buttons of no size; kApply otherwise.
ToolbarLayoutPlan PlanToolbarLayout(const ToolbarStatePair& pair);

}  // namespace lumora
