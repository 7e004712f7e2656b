// Colour-managed display: ICC profiles held by LittleCMS and the 8-bit
// transforms between them, sampled once from LittleCMS into tables our own
// code applies (LittleCMS's per-call transform is too slow for a repaint).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumora::draw {

// ICC rendering intents (LittleCMS's and the ICM numbering).
enum : int {
  kIntentPerceptual = 0,
  kIntentRelative = 1,
  kIntentSaturation = 2,
  kIntentAbsolute = 3,
};

// An ICC profile opened by LittleCMS, shared; empty when LittleCMS refused
// it. The key names its contents, for caches.
class CmProfile {
 public:
  CmProfile() = default;
  static CmProfile FromMemory(const void* data, std::size_t size);
  static CmProfile FromFile(const std::string& path);
  // LittleCMS's built-in sRGB.
  static CmProfile Srgb();
  // What a grey image without a profile of its own is taken to be: grey
  // with sRGB's white (D65) and tone curve, so that it shows as the same
  // greys in sRGB.
  static CmProfile DefaultGrey();

  bool Valid() const { return handle_ != nullptr; }
  bool IsRgb() const;
  bool IsGrey() const;
  // The LittleCMS handle (cmsHPROFILE), null when empty.
  void* Handle() const { return handle_.get(); }
  const std::string& Key() const { return key_; }

 private:
  std::shared_ptr<void> handle_;
  std::string key_;
};

// A display profile by path; the system's sRGB name, in any folder, is the
// built-in sRGB (the same everywhere, file or not).
CmProfile OpenDisplayProfile(const char* path);

// An 8-bit transform to RGB applied to 32-bit pixels 0xAARRGGBB (the byte
// order B, G, R, A), the top byte kept. From an RGB profile the pixel's
// three channels go in; from a grey one its grey level (R = G = B in a
// grey image; otherwise (77 R + 150 G + 29 B + 128) / 256), through
// LittleCMS's floating-point result for each level, rounded.
class CmTransform {
 public:
  CmTransform();
  ~CmTransform();
  // Null when LittleCMS cannot join the profiles (the source neither RGB
  // nor grey, the target not RGB).
  // `proof` (may be empty) simulates that device at `proofIntent`.
  static std::shared_ptr<const CmTransform> Build(const CmProfile& source, const CmProfile& target,
                                                  int intent, const CmProfile& proof, int proofIntent);

  void Apply(std::uint32_t* pixels, std::size_t count) const;
  void Apply(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const;
  // Matrix-shaper pairs run as curves - matrix - curves in 1.14 fixed
  // point; everything else through a 3-D table.
  bool IsMatrixShaper() const { return matrix_ != nullptr; }

  bool IsGrey() const { return grey_ != nullptr; }

  struct MatrixShaper;
  struct Table3D;
  struct GreyTable;

 private:
  std::unique_ptr<MatrixShaper> matrix_;
  std::unique_ptr<Table3D> table_;
  std::unique_ptr<GreyTable> grey_;
};

// The transforms built so far, by the profiles' keys and the intents; a
// few are kept, the least recently used dropped first. Safe across threads.
std::shared_ptr<const CmTransform> CachedCmTransform(const CmProfile& source, const CmProfile& target,
                                                     int intent, const CmProfile& proof,
                                                     int proofIntent);

}  // namespace lumora::draw
