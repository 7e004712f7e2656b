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

  bool Valid() const { return handle_ != nullptr; }
  bool IsRgb() const;
  // The LittleCMS handle (cmsHPROFILE), null when empty.
  void* Handle() const { return handle_.get(); }
  const std::string& Key() const { return key_; }

 private:
  std::shared_ptr<void> handle_;
  std::string key_;
};

// An 8-bit RGB transform applied to 32-bit pixels 0xAARRGGBB (the byte
// order B, G, R, A), the top byte kept.
class CmTransform {
 public:
  CmTransform();
  ~CmTransform();
  // Null when LittleCMS cannot join the profiles (or one is not RGB).
  // `proof` (may be empty) simulates that device at `proofIntent`.
  static std::shared_ptr<const CmTransform> Build(const CmProfile& source, const CmProfile& target,
                                                  int intent, const CmProfile& proof, int proofIntent);

  void Apply(std::uint32_t* pixels, std::size_t count) const;
  void Apply(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const;
  // Matrix-shaper pairs run as curves - matrix - curves in 1.14 fixed
  // point; everything else through a 3-D table.
  bool IsMatrixShaper() const { return matrix_ != nullptr; }

  struct MatrixShaper;
  struct Table3D;

 private:
  std::unique_ptr<MatrixShaper> matrix_;
  std::unique_ptr<Table3D> table_;
};

// The transforms built so far, by the profiles' keys and the intents; a
// few are kept, the least recently used dropped first. Safe across threads.
std::shared_ptr<const CmTransform> CachedCmTransform(const CmProfile& source, const CmProfile& target,
                                                     int intent, const CmProfile& proof,
                                                     int proofIntent);

}  // namespace lumora::draw
