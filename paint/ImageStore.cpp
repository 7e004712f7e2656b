// The brush and paper image store.
#include "paint/ImageStore.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>

#include "framework/Archive.h"
#include "engine/pixels/FileAdapters.h"
#include "hostapi/imgxfer.h"

namespace paint {
namespace {

constexpr char kStoreFolder[] = "brush";

int RowBytes(int type, int width) {
  switch (type) {
    case kWAType24: return width * 3;
    case kWAType1Bit: return (width + 7) / 8;
    case kWAType4Bit: return (width + 1) / 2;
    default: return width;
  }
}

// Takes the first image the library decodes into a buffer of our own.
class CReadFileWA final : public CAbstractReadWA {
 public:
  int SetImageCount(int) override { return 0; }
  int SetSubImageCount(int, int) override { return 0; }
  int SetSize(int image, int subImage, int width, int height) override {
    if (image != 0 || subImage != 0) return 0;
    width_ = width, height_ = height;
    return 0;
  }
  int SetType(int image, int subImage, int type) override {
    if (image != 0 || subImage != 0) return 0;
    try {
      buffer_ = WAPtr::Adopt(new VrWA2000::WA(type, width_, height_, static_cast<const PALETTEENTRY*>(nullptr), false));
    } catch (const std::exception&) {
      return 1;
    }
    return 0;
  }
  int SetPalette(int image, int subImage, const PALETTEENTRY* entries, int count) override {
    if (image == 0 && subImage == 0 && buffer_) buffer_->SetPaletteEntries(0, static_cast<std::uint16_t>(count), entries);
    return 0;
  }
  int SetResolution(int image, int subImage, int x, int y) override {
    if (image == 0 && subImage == 0 && buffer_) buffer_->SetXRes(x), buffer_->SetYRes(y);
    return 0;
  }
  int PutRow(int image, int subImage, int row, const std::uint8_t* bytes) override {
    if (image != 0 || subImage != 0) return 0;
    if (!buffer_ || row < 0 || row >= buffer_->GetH()) return 1;
    std::copy_n(bytes, RowBytes(buffer_->GetType(), buffer_->GetW()), buffer_->Row(row));
    return 0;
  }
  WAPtr Take() { return std::move(buffer_); }

 private:
  int width_ = 0;
  int height_ = 0;
  WAPtr buffer_;
};

std::filesystem::path OnDisk(const std::string& programDir, const std::string& relative) {
  std::string local = relative;
  std::replace(local.begin(), local.end(), '\\', '/');
  return std::filesystem::path(programDir) / local;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The palette entry's grey, or the pixel's own for 24-bit images.
std::uint8_t GreyAt(const VrWA2000::WA* image, const std::uint8_t* row, int x, const PALETTEENTRY* palette) {
  switch (image->GetType()) {
    case kWAType24: {
      const std::uint8_t* p = row + x * 3;
      return static_cast<std::uint8_t>((30 * p[2] + 59 * p[1] + 11 * p[0]) / 100);
    }
    case kWAType4Bit: {
      const int index = (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
      const PALETTEENTRY& e = palette[index];
      return static_cast<std::uint8_t>((30 * e.peRed + 59 * e.peGreen + 11 * e.peBlue) / 100);
    }
    case kWAType1Bit: {
      const int index = (row[x / 8] >> (7 - (x & 7))) & 1;
      const PALETTEENTRY& e = palette[index];
      return static_cast<std::uint8_t>((30 * e.peRed + 59 * e.peGreen + 11 * e.peBlue) / 100);
    }
    default: {
      const PALETTEENTRY& e = palette[row[x]];
      return static_cast<std::uint8_t>((30 * e.peRed + 59 * e.peGreen + 11 * e.peBlue) / 100);
    }
  }
}

}  // namespace

bool IsStoreFile(const std::string& relative) {
  std::vector<std::string> parts(1);
  for (const char c : relative) {
    if (c == '\\' || c == '/') {
      parts.emplace_back();
    } else if (c == ':' || static_cast<unsigned char>(c) < 32) {
      return false;  // a drive, a stream or a control character
    } else {
      parts.back() += c;
    }
  }
  if (parts.size() < 2 || !SameNameIgnoringCase(parts.front(), kStoreFolder)) return false;
  for (const std::string& part : parts) {
    // Empty names would make a root or a share; names of dots and blanks
    // alone lead out of the folder (Windows drops trailing dots and blanks).
    if (part.find_first_not_of(". ") == std::string::npos) return false;
  }
  return true;
}

WAPtr ConvertTo8Bit(const VrWA2000::WA* image, bool invert) {
  if (image == nullptr || image->GetType() == kWAType8Grey) return WAPtr();
  const int type = image->GetType();
  if (type != kWAType24 && type != kWAType8Palette && type != kWAType4Bit && type != kWAType1Bit) return WAPtr();
  WAPtr grey;
  try {
    grey = WAPtr::Adopt(
        new VrWA2000::WA(kWAType8Grey, image->GetW(), image->GetH(), static_cast<const PALETTEENTRY*>(nullptr), false));
  } catch (const std::exception&) {
    return WAPtr();
  }
  PALETTEENTRY palette[256] = {};
  if (type != kWAType24) image->GetPaletteEntries(0, static_cast<std::uint16_t>(image->GetPaletteSize()), palette);
  for (int y = 0; y < image->GetH(); ++y) {
    const std::uint8_t* in = image->Row(y);
    std::uint8_t* out = grey->Row(y);
    for (int x = 0; x < image->GetW(); ++x) {
      const std::uint8_t g = GreyAt(image, in, x, palette);
      out[x] = invert ? static_cast<std::uint8_t>(255 - g) : g;
    }
  }
  return grey;
}

void InvertImage(VrWA2000::WA* image) {
  if (image == nullptr || image->GetType() != kWAType8Grey) return;
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* row = image->Row(y);
    for (int x = 0; x < image->GetW(); ++x) row[x] = static_cast<std::uint8_t>(255 - row[x]);
  }
}

WAPtr ReadImageFile(const std::string& path, bool interactive) {
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return WAPtr();
  CReadFileWA adapter;
  CMyProgress progress(kReadingFileCaption);
  if (ImExp_ReadFile(&adapter, nullptr, path.c_str(), interactive ? kImExpReportFailures : 0,
                     interactive ? &progress : nullptr, nullptr, 0) == 0) {
    return WAPtr();
  }
  return adapter.Take();
}

bool WriteImageFile(VrWA2000::WA* image, const std::string& path) {
  if (image == nullptr || path.empty()) return false;
  CWriteWA adapter;
  if (adapter.Attach(image) != 0) return false;
  int status = 0;
  return ImExp_WriteFile(&adapter, nullptr, path.c_str(), &status, nullptr, nullptr, 0) != 0;
}

bool UniqueFileName(const std::string& programDir, const std::string& prefix, std::string* fullPath,
                    std::string* relative) {
  const std::filesystem::path folder = std::filesystem::path(programDir) / kStoreFolder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::vector<std::string> taken;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && SameNameIgnoringCase(name.substr(name.size() - 4), ".bmp")) taken.push_back(name);
  }
  // Windows file names ignore case: "Paper0.bmp" holds the place of
  // "paper0.bmp".
  for (int n = 0;; ++n) {
    const std::string candidate = prefix + std::to_string(n) + ".bmp";
    const bool used = std::any_of(taken.begin(), taken.end(),
                                  [&](const std::string& name) { return SameNameIgnoringCase(name, candidate); });
    if (used) continue;
    *relative = std::string(kStoreFolder) + "\\" + candidate;
    *fullPath = (folder / candidate).string();
    return true;
  }
}

CFileManager::CFileManager(std::string programDir) : programDir_(std::move(programDir)) {}

const FMItem* CFileManager::GetItem(int index) const {
  return index >= 0 && index < GetCount() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

std::string CFileManager::FullPath(const std::string& relative) const { return OnDisk(programDir_, relative).string(); }

void CFileManager::AppendItem(std::string file, std::string name) {
  auto item = std::make_unique<FMItem>();
  item->File = std::move(file);
  item->Name = std::move(name);
  item->Index = GetCount();
  items_.push_back(std::move(item));
}

int CFileManager::AddImage(const VrWA2000::WA* image, const std::string& name, bool invert) {
  if (image == nullptr || items_.size() >= kMaxStoreItems) return -1;
  std::string full, relative;
  if (!UniqueFileName(programDir_, Prefix, &full, &relative)) return -1;
  WAPtr grey;
  if (image->GetType() == kWAType8Grey) {
    try {
      grey = WAPtr::Adopt(new VrWA2000::WA(*static_cast<const VrWA2000::WA*>(image), false));
    } catch (const std::exception&) {
      return -1;
    }
    if (invert) InvertImage(grey.get());
  } else {
    grey = ConvertTo8Bit(image, invert);
  }
  if (!grey || !WriteImageFile(grey.get(), full)) return -1;
  AppendItem(relative, name);
  return GetCount() - 1;
}

bool CFileManager::RemoveItem(int index) {
  if (GetItem(index) == nullptr) return false;
  const std::string& file = items_[static_cast<std::size_t>(index)]->File;
  if (IsStoreFile(file)) {
    std::error_code error;
    std::filesystem::remove(OnDisk(programDir_, file), error);
  }
  items_.erase(items_.begin() + index);
  for (int i = index; i < GetCount(); ++i) items_[static_cast<std::size_t>(i)]->Index = i;
  return true;
}

bool CFileManager::FileExistsInProgramDir(const std::string& relative) const {
  std::error_code error;
  return IsStoreFile(relative) && std::filesystem::is_regular_file(OnDisk(programDir_, relative), error);
}

WAPtr CFileManager::ReadFileFromProgramDir(const std::string& relative) const {
  if (!IsStoreFile(relative)) return WAPtr();
  return ReadImageFile(FullPath(relative));
}

void CFileManager::Serialize(fw::Archive& archive) {
  if (archive.IsStoring()) {
    archive << static_cast<std::uint16_t>(items_.size());
    for (const auto& item : items_) archive << item->File << item->Name;
    return;
  }
  // A store read twice must not list its entries twice.
  Clear();
  try {
    std::uint16_t count = 0;
    archive >> count;
    for (std::uint16_t i = 0; i < count; ++i) {
      std::string file, name;
      archive >> file >> name;
      AppendItem(std::move(file), std::move(name));
    }
  } catch (...) {
    Clear();
    throw;
  }
}

}  // namespace paint
