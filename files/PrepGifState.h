// The reduction state of the GIF/PNG export: the source image, the result
// at the chosen colour depth (8 bits with 256 palette entries, 4 with 16,
// 1 with 2, or 24 unchanged), the palette, and the size the result would
// take as a file. The export dialog owns one and calls Update whenever a
// setting changes; no window is involved.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "engine/pixels/WAccess.h"
#include "files/WebWriters.h"
#include "hostapi/dither.h"

namespace lumora {

class CPrepGIFState {
 public:
  enum class Outcome {
    kUnchanged,    // the depth cannot be reached from the source: nothing changed, not even the size
    kCopied,       // the result became a copy of the source
    kReduced,      // the result was reduced to the depth
    kNotReduced,   // nothing to reduce (24 bits), the size estimated again
    kFailed,       // a reduction failed: no result (a save fails), FailureText says why
  };

  CPrepGIFState();
  ~CPrepGIFState();
  CPrepGIFState(const CPrepGIFState&) = delete;
  CPrepGIFState& operator=(const CPrepGIFState&) = delete;

  // Settings the dialog exchanges with its controls.
  int depthBits = 8;     // 1, 4, 8 or 24
  int paletteChoice = 1; // 0 standard, 1 optimised
  int dither = 1;
  bool writesPNG = false;  // which writer's size the estimate gives
  WebWriteOptions write;

  // A copy of `image` becomes the source; the result is cleared.
  void SetSource(VrWA2000::WA* image);
  // Replaces the result (the dialog's starting point, and tests).
  void SetResult(VrWA2000::WA* image) { result_ = WAPtr::Share(image); }
  VrWA2000::WA* Source() const { return source_.get(); }
  VrWA2000::WA* Result() const { return result_.get(); }
  const PALETTEENTRY* Palette() const { return palette_; }

  // Brings the result up to the settings and estimates its size.
  Outcome Update();
  // Update without the estimate.
  Outcome Reduce();
  // The estimate again for the current result, after a change of what the
  // writers add (transparency, interlace) that leaves the pixels alone.
  void Reestimate() {
    if (result_) EstimateSize();
  }

  // The last estimate in bytes and as the size field shows it.
  std::uint64_t CompressedSize() const { return compressedSize_; }
  std::string CompressedSizeText() const;
  std::uint64_t UncompressedSize() const;
  // Why the last update failed; empty after one that did not.
  const std::string& FailureText() const { return failure_; }

  // Writes the result with the current settings; false with `error` set.
  bool SaveGIF(const std::string& path, std::string* error);
  bool SavePNG(const std::string& path, std::string* error);

  // What Update would do for depth d, source type s and result type r (0:
  // no result), without doing it.
  static Outcome Plan(int d, int s, int r);

 private:
  bool OpenContext();
  void CloseContext();
  bool BuildOptimisedPalette(const VrWA2000::WA& source, int wanted, DTH_LOGPALETTE* record);
  // The palette record for the dithering and the palette of a depth-8 or
  // depth-4 result: the standard one, or the optimised one for the source.
  bool ChoosePalette(int depth, DTH_LOGPALETTE* record, PALETTEENTRY* palette);
  bool Reduce8();
  bool Reduce4();
  bool Reduce1();
  bool CopySource();
  void EstimateSize();
  std::uint32_t ModeFlags(bool paletteReduction) const;

  WAPtr source_;
  WAPtr result_;
  PALETTEENTRY palette_[256] = {};
  // The source's colour statistics and the optimised palettes chosen from
  // them (by colour count) stay while the source does: a change of depth
  // or dithering needs only the mapping again.
  DthContext* context_ = nullptr;
  DthStats* stats_ = nullptr;
  bool statsCounted_ = false;
  std::map<int, DTH_LOGPALETTE> optimised_;
  std::uint32_t recordWord_ = 0;
  std::uint64_t compressedSize_ = 0;
  std::string failure_;
};

}  // namespace lumora
