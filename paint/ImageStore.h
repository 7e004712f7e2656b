// The store of custom brush shapes and papers: 8-bit grey bitmap files in
// the folder "brush" beside the program, listed with the names the user
// gave them, and the store's image helpers (grey conversion, inversion,
// reading and writing through the file-format library, unique names).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/pixels/WAccess.h"

namespace fw {
class Archive;
}

namespace paint {

constexpr int kCaptionSavingPaper = 10128;
constexpr int kCaptionSavingBrush = 10129;
constexpr std::size_t kMaxStoreItems = 65535;

struct FMItem {
  std::string File;  // relative to the program's folder: "brush\paper0.bmp"
  std::string Name;  // shown to the user
  int Index = -1;    // position in the store
};

// A new 8-bit grey image of `image` by (30 R + 59 G + 11 B) / 100 (palette
// images through their palette), inverted on request; null for a null or
// already grey image or when it cannot be made.
WAPtr ConvertTo8Bit(const VrWA2000::WA* image, bool invert);
// Every byte b of every row of an 8-bit image becomes 255 - b.
void InvertImage(VrWA2000::WA* image);

// Reads an image file through the file-format library; null on failure.
// With `interactive` the reading shows "Reading file..." on the progress
// indicator and the library reports a failure in its own message.
WAPtr ReadImageFile(const std::string& path, bool interactive = false);
// Writes an image in the format of the path's extension (through a
// temporary file that replaces the old one only on success).
bool WriteImageFile(VrWA2000::WA* image, const std::string& path);

// Whether a store entry's file lies inside the store's folder: "brush", a
// separator and a name (or a path of names) under it, with no drive, no
// root, no "." or ".." and no ':'. Entries naming anything else (an
// absolute path, "..\" out of the folder) are never read or deleted.
bool IsStoreFile(const std::string& relative);

// The lowest-numbered free name "<prefix><n>.bmp" in <programDir>/brush
// (made when missing), names compared without case. Fills the full path
// and the name relative to the program's folder ("brush\<file>").
bool UniqueFileName(const std::string& programDir, const std::string& prefix, std::string* fullPath,
                    std::string* relative);

class CFileManager {
 public:
  // `programDir` is the folder of the program's executable.
  explicit CFileManager(std::string programDir);

  std::string Prefix = "br";
  int CaptionId = kCaptionSavingPaper;

  int GetCount() const { return static_cast<int>(items_.size()); }
  const FMItem* GetItem(int index) const;
  // Writes the image as a new 8-bit file (converted, inverted on request)
  // and lists it; its index, or -1 with nothing listed.
  int AddImage(const VrWA2000::WA* image, const std::string& name, bool invert);
  // Deletes the entry's file and the entry; the later entries move up. The
  // file of an entry outside the store's folder is left alone.
  bool RemoveItem(int index);
  // Appends an entry for a file already in place (loading).
  void AppendItem(std::string file, std::string name);
  void Clear() { items_.clear(); }

  // Both refuse (false, null) a name outside the store's folder.
  bool FileExistsInProgramDir(const std::string& relative) const;
  WAPtr ReadFileFromProgramDir(const std::string& relative) const;
  std::string FullPath(const std::string& relative) const;

  // The list: a 16-bit count, then file and name of each entry as archive
  // strings. Loading replaces the entries; a damaged list throws the
  // archive's exception and leaves the store empty.
  void Serialize(fw::Archive& archive);

 private:
  std::string programDir_;
  std::vector<std::unique_ptr<FMItem>> items_;
};

}  // namespace paint
