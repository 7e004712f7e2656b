// The brush file: stores, presets and page settings.
#include "paint/BrushFile.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "framework/Archive.h"
#include "framework/File.h"
#include "platform/file_replace.h"

namespace paint {
namespace {

constexpr char kSaveFailed[] = "Can't Save the brushes: %s";
constexpr char kSharingViolation[] = "sharing violation !";
constexpr char kDiskFull[] = "the disk is full !";
constexpr char kWriteError[] = "write operation error occurred !";

bool HasBrushValues(PageKind kind) { return kind != PageKind::water; }
bool HasReservedPresetValue(PageKind kind) {
  return kind == PageKind::eraser || kind == PageKind::clone || kind == PageKind::rect ||
         kind == PageKind::ellipse || kind == PageKind::polygon;
}
bool HasStyle(PageKind kind) {
  return kind == PageKind::clone || kind == PageKind::rect || kind == PageKind::ellipse ||
         kind == PageKind::polygon;
}

void SerializeEdge(fw::Archive& archive, EdgeValues& edge) {
  if (archive.IsStoring()) {
    archive << edge.optionId << edge.absolute << edge.sizeIndex;
    for (std::uint16_t size : edge.sizes) archive << size;
  } else {
    archive >> edge.optionId >> edge.absolute >> edge.sizeIndex;
    for (std::uint16_t& size : edge.sizes) archive >> size;
  }
}

void SerializeValues(fw::Archive& archive, std::uint32_t* const* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (archive.IsStoring())
      archive << *values[i];
    else
      archive >> *values[i];
  }
}

template <std::size_t N>
void SerializeArray(fw::Archive& archive, std::array<std::uint32_t, N>& values) {
  for (std::uint32_t& value : values) {
    if (archive.IsStoring())
      archive << value;
    else
      archive >> value;
  }
}

std::string WithCause(const char* cause) {
  char text[128];
  std::snprintf(text, sizeof text, kSaveFailed, cause);
  return text;
}

std::string SaveFailure(const fw::FileException& error) {
  switch (error.cause()) {
    case fw::FileException::sharingViolation: return WithCause(kSharingViolation);
    case fw::FileException::diskFull: return WithCause(kDiskFull);
    default: return WithCause(kWriteError);
  }
}

}  // namespace

void PREDEFITEM::Serialize(fw::Archive& archive) {
  if (archive.IsStoring())
    archive << name << shape << width << paper << opacity << insertMode;
  else
    archive >> name >> shape >> width >> paper >> opacity >> insertMode;
}

void PB_PREDEFITEM::Serialize(fw::Archive& archive) {
  PREDEFITEM::Serialize(archive);
  SerializeArray(archive, params);
  SerializeEdge(archive, edge);
}

void RESERVED_PREDEFITEM::Serialize(fw::Archive& archive) {
  PB_PREDEFITEM::Serialize(archive);
  if (archive.IsStoring())
    archive << reserved;
  else
    archive >> reserved;
}

PageSettings DefaultSettings(PageKind kind) {
  PageSettings settings;
  if (kind == PageKind::air) settings.opacity = 50;
  if (kind == PageKind::water) settings.width = 20;
  return settings;
}

BrushPage::BrushPage(PageKind kind) : settings(DefaultSettings(kind)), kind_(kind) {}

std::unique_ptr<PREDEFITEM> BrushPage::NewPreset() const {
  if (HasReservedPresetValue(kind_)) return std::make_unique<RESERVED_PREDEFITEM>();
  if (HasBrushValues(kind_)) return std::make_unique<PB_PREDEFITEM>();
  return std::make_unique<PREDEFITEM>();
}

void BrushPage::SerializePresets(fw::Archive& archive) {
  if (archive.IsStoring()) {
    archive << static_cast<std::uint16_t>(std::min<std::size_t>(presets.size(), 0xFFFF));
    for (std::size_t i = 0; i < presets.size() && i < 0xFFFF; ++i) presets[i]->Serialize(archive);
  } else {
    presets.clear();
    std::uint16_t count = 0;
    archive >> count;
    // Refuse a count the rest of the file cannot hold before making records.
    if (count * NewPreset()->MinStoredBytes() > archive.BytesLeft())
      throw fw::FileException(fw::FileException::invalidFile, -1, {}, "preset count beyond the file");
    for (std::uint16_t i = 0; i < count; ++i) {
      std::unique_ptr<PREDEFITEM> preset = NewPreset();
      preset->Serialize(archive);
      preset->index = static_cast<int>(presets.size());
      presets.push_back(std::move(preset));
    }
  }
  SerializeSettings(archive);
}

void BrushPage::SerializeSettings(fw::Archive& archive) {
  PageSettings& s = settings;
  if (kind_ == PageKind::water) {
    std::uint32_t* const water[] = {&s.width, &s.strength, &s.manner, &s.customWidth, &s.widthIndex, &s.typedWidth};
    SerializeValues(archive, water, std::size(water));
    return;
  }
  std::uint32_t* const head[] = {&s.insertMode, &s.shape, &s.paper, &s.preset, &s.opacity, &s.width};
  SerializeValues(archive, head, std::size(head));
  SerializeArray(archive, s.params);
  std::uint32_t* const widths[] = {&s.customWidth, &s.widthIndex, &s.typedWidth};
  SerializeValues(archive, widths, std::size(widths));
  SerializeEdge(archive, s.edge);
  if (HasStyle(kind_)) {
    std::uint32_t* const style[] = {&s.style};
    SerializeValues(archive, style, 1);
  }
}

void BrushPage::OnShapeRemoved(int position, int count) {
  if (position < kStandardShapeCount || kind_ == PageKind::water) return;
  const auto p = static_cast<std::uint32_t>(position);
  const auto last = static_cast<std::uint32_t>(std::max(count - 1, 0));
  if (settings.shape > p)
    --settings.shape;
  else if (settings.shape == p)
    settings.shape = std::min(p, last);
  // A preset whose shape is gone paints Square, as after the user removes it.
  for (auto& preset : presets) {
    if (preset->shape > p)
      --preset->shape;
    else if (preset->shape == p)
      preset->shape = kShapeSquare;
  }
}

void BrushPage::OnPaperRemoved(int position) {
  if (position < 1 || kind_ == PageKind::water) return;
  const auto p = static_cast<std::uint32_t>(position);
  if (settings.paper > p)
    --settings.paper;
  else if (settings.paper == p)
    settings.paper = 0;
  const std::int32_t storeIndex = position - 1;
  for (auto& preset : presets) {
    if (preset->paper > storeIndex)
      --preset->paper;
    else if (preset->paper == storeIndex)
      preset->paper = -1;
  }
}

std::string BrushFileNameFor(const std::string& executablePath) {
  const std::size_t dot = executablePath.rfind('.');
  const std::size_t slash = executablePath.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return executablePath + ".BRS";
  return executablePath.substr(0, dot + 1) + "BRS";
}

BrushFile::BrushFile(const std::string& programDir)
    : brushFiles(programDir),
      paperFiles(programDir),
      pages{BrushPage(PageKind::eraser), BrushPage(PageKind::paintBrush), BrushPage(PageKind::clone),
            BrushPage(PageKind::water),  BrushPage(PageKind::air),        BrushPage(PageKind::line),
            BrushPage(PageKind::curve),  BrushPage(PageKind::rect),       BrushPage(PageKind::ellipse),
            BrushPage(PageKind::polygon)} {
  brushFiles.Prefix = "brush";
  brushFiles.CaptionId = kCaptionSavingBrush;
  paperFiles.Prefix = "paper";
  paperFiles.CaptionId = kCaptionSavingPaper;
}

void BrushFile::Reset() {
  brushFiles.Clear();
  paperFiles.Clear();
  for (BrushPage& page : pages) {
    page.presets.clear();
    page.settings = DefaultSettings(page.Kind());
  }
}

void BrushFile::Serialize(fw::Archive& archive) {
  // Reading into filled stores must not list anything twice.
  if (archive.IsLoading()) Reset();
  try {
    brushFiles.Serialize(archive);
    paperFiles.Serialize(archive);
    for (BrushPage& page : pages) page.SerializePresets(archive);
  } catch (...) {
    if (archive.IsLoading()) Reset();
    throw;
  }
}

void BrushFile::PruneMissingFiles() {
  for (int i = 0; i < brushFiles.GetCount();) {
    if (brushFiles.FileExistsInProgramDir(brushFiles.GetItem(i)->File)) {
      ++i;
      continue;
    }
    const int countBefore = brushFiles.GetCount();
    for (BrushPage& page : pages) page.OnShapeRemoved(i + kStandardShapeCount, countBefore + kStandardShapeCount - 1);
    brushFiles.RemoveItem(i);
  }
  for (int i = 0; i < paperFiles.GetCount();) {
    if (paperFiles.FileExistsInProgramDir(paperFiles.GetItem(i)->File)) {
      ++i;
      continue;
    }
    for (BrushPage& page : pages) page.OnPaperRemoved(i + 1);
    paperFiles.RemoveItem(i);
  }
}

BrushFileResult BrushFile::Load(const std::string& path) {
  Reset();
  fw::File file;
  fw::FileException error(fw::FileException::none);
  if (!file.Open(path, fw::File::modeRead | fw::File::shareDenyWrite, &error)) return {};
  try {
    fw::Archive archive(file, fw::Archive::load);
    Serialize(archive);
    archive.Close();
  } catch (const fw::FileException&) {
    Reset();
    return {false, "The brush file " + path +
                       " is damaged and was not read: custom shapes, papers and presets start empty."};
  }
  PruneMissingFiles();
  return {};
}

BrushFileResult BrushFile::Save(const std::string& path) {
  std::string problem;
  const std::string temp = lumora::CreateTempFileBeside(path, &problem);
  if (temp.empty()) return {false, WithCause(kWriteError)};
  try {
    fw::File file(temp, fw::File::modeCreate | fw::File::modeWrite | fw::File::shareExclusive);
    fw::Archive archive(file, fw::Archive::store);
    Serialize(archive);
    archive.Close();
    file.Close();
  } catch (const fw::FileException& error) {
    lumora::RemoveFile(temp);
    return {false, SaveFailure(error)};
  }
  if (!lumora::FlushFileToDisk(temp, &problem) || !lumora::ReplaceFileAtomically(temp, path, &problem)) {
    lumora::RemoveFile(temp);
    return {false, WithCause(kWriteError)};
  }
  return {};
}

int ParseTrailingNumber(const std::string& text, int* value) {
  if (text.empty()) return -1;
  std::size_t digits = text.size();
  while (digits > 0 && text[digits - 1] >= '0' && text[digits - 1] <= '9') --digits;
  const bool preceded = digits == 1 || (digits > 1 && text[digits - 1] == ' ');
  long long number = 0;
  for (std::size_t i = digits; i < text.size() && number <= INT_MAX; ++i) number = number * 10 + (text[i] - '0');
  if (digits == text.size() || !preceded || number > INT_MAX) {
    *value = -1;
    return -1;
  }
  *value = static_cast<int>(number);
  return static_cast<int>(digits) - 1;
}

std::string MakeUniqueName(const std::string& defaultText, const std::vector<std::string>& names, int selected) {
  if (selected < 0 || selected >= static_cast<int>(names.size())) return defaultText;
  const std::string& name = names[static_cast<std::size_t>(selected)];
  int number = -1;
  const int front = ParseTrailingNumber(name, &number);
  // The stem leaves out the number and the blank in front of it.
  std::string stem = name;
  if (front >= 0) stem.resize(static_cast<std::size_t>(name[static_cast<std::size_t>(front)] == ' ' ? front : front + 1));
  for (long long counter = static_cast<long long>(number) + 1; counter <= INT_MAX; ++counter) {
    const std::string candidate = stem + " " + std::to_string(counter);
    bool taken = false;
    for (std::size_t i = 0; i < names.size() && !taken; ++i)
      taken = static_cast<int>(i) != selected && names[i] == candidate;
    if (!taken) return candidate;
  }
  return defaultText;
}

}  // namespace paint
