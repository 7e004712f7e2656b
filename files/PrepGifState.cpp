#include "files/PrepGifState.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/WebSizeText.h"

namespace lumora {

namespace {

using VrWA2000::WA;

// The palette calls' scratch block, shared like the one dialog that runs.
std::uint8_t gScratch[kDthScratchBytes];

// A source row as 3 bytes a pixel (blue, green, red) for the statistics
// and the 4-bit reduction.
void ExpandRowToBGR(const WA& source, int y, std::uint8_t* out) {
  const std::uint8_t* row = source.Row(y);
  const PALETTEENTRY* palette = source.Palette();
  const int width = source.GetW();
  auto put = [&](int x, const PALETTEENTRY& e) {
    out[3 * x] = e.peBlue;
    out[3 * x + 1] = e.peGreen;
    out[3 * x + 2] = e.peRed;
  };
  switch (source.GetType()) {
    case kWAType24:
      std::memcpy(out, row, static_cast<std::size_t>(width) * 3);
      break;
    case kWAType8Grey:
      for (int x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
      break;
    case kWAType8Palette:
      for (int x = 0; x < width; ++x) put(x, palette[row[x]]);
      break;
    case kWAType4Bit:
      for (int x = 0; x < width; ++x) put(x, palette[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)]);
      break;
    case kWAType1Bit:
      for (int x = 0; x < width; ++x) {
        const std::uint8_t v = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
      }
      break;
    default:
      break;
  }
}

void SetStandardPalette(PALETTEENTRY* palette, int depth) {
  std::fill(palette, palette + 256, PALETTEENTRY{0, 0, 0, 0});
  if (depth == 8) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          palette[36 * r + 6 * g + b] = {BYTE(51 * r), BYTE(51 * g), BYTE(51 * b), 0};
  } else if (depth == 4) {
    for (int i = 0; i < 8; ++i) palette[i] = {BYTE(i & 1 ? 255 : 0), BYTE(i & 2 ? 255 : 0), BYTE(i & 4 ? 255 : 0), 0};
  } else {
    palette[1] = {255, 255, 255, 0};
  }
}

// Owns a dithering handle for one reduction.
struct DitherRun {
  explicit DitherRun(DthDither* handle) : handle(handle) {}
  ~DitherRun() { DthEndDither(handle); }
  DthDither* handle;
};

}  // namespace

CPrepGIFState::CPrepGIFState() = default;

CPrepGIFState::~CPrepGIFState() { CloseContext(); }

void CPrepGIFState::SetSource(WA* image) {
  CloseContext();
  source_ = WAPtr::Adopt(CloneWA(image));
  result_.Reset();
}

CPrepGIFState::Outcome CPrepGIFState::Plan(int d, int s, int r) {
  switch (d) {
    case 1:
      return s == kWAType1Bit ? Outcome::kUnchanged : Outcome::kReduced;
    case 4:
      if (s == kWAType4Bit) return r != kWAType4Bit ? Outcome::kCopied : Outcome::kUnchanged;
      if (s == kWAType1Bit) return Outcome::kUnchanged;
      return Outcome::kReduced;
    case 8:
      if ((s == kWAType8Palette && r != kWAType8Palette) || (s == kWAType8Grey && r != kWAType8Grey)) {
        return Outcome::kCopied;
      }
      return s == kWAType24 ? Outcome::kReduced : Outcome::kUnchanged;
    default:
      return (r != kWAType24 && s == kWAType24) ? Outcome::kCopied : Outcome::kNotReduced;
  }
}

CPrepGIFState::Outcome CPrepGIFState::Update() {
  const Outcome outcome = Reduce();
  if (outcome != Outcome::kUnchanged) EstimateSize();
  return outcome;
}

CPrepGIFState::Outcome CPrepGIFState::Reduce() {
  if (!source_) return Outcome::kUnchanged;
  const Outcome plan = Plan(depthBits, source_->GetType(), result_ ? result_->GetType() : 0);
  if (plan == Outcome::kUnchanged) return plan;
  failure_.clear();
  bool ok = true;
  if (plan == Outcome::kCopied) {
    ok = CopySource();
  } else if (context_ == nullptr && !OpenContext()) {
    ok = false;
  } else if (plan == Outcome::kReduced) {
    ok = depthBits == 8 ? Reduce8() : (depthBits == 4 ? Reduce4() : Reduce1());
  }
  if (ok) return plan;
  // The result of other settings must not stand in for this one.
  result_.Reset();
  failure_ = "The image could not be brought to " + std::to_string(depthBits) +
             " bits a pixel (is memory short?).";
  return Outcome::kFailed;
}

bool CPrepGIFState::CopySource() {
  result_ = WAPtr::Adopt(CloneWA(source_.get()));
  return static_cast<bool>(result_);
}

bool CPrepGIFState::OpenContext() {
  CloseContext();
  context_ = DthOpen();
  if (context_ == nullptr) return false;
  stats_ = DthGetStats(context_);
  if (stats_ == nullptr) {
    CloseContext();
    return false;
  }
  std::memcpy(&recordWord_, stats_, sizeof recordWord_);
  return true;
}

void CPrepGIFState::CloseContext() {
  statsCounted_ = false;
  optimised_.clear();
  if (context_ == nullptr) return;
  DthReleaseStats(context_);
  DthClose(context_);
  context_ = nullptr;
  stats_ = nullptr;
}

std::uint32_t CPrepGIFState::ModeFlags(bool paletteReduction) const {
  std::uint32_t flags = dither ? kDthModeDiffuse : 0;
  if (paletteReduction) {
    flags |= kDthModeExact | kDthModeRows;
    if (paletteChoice == 1) flags |= kDthModeOptimised;
  }
  return flags;
}

bool CPrepGIFState::BuildOptimisedPalette(const WA& source, int wanted, DTH_LOGPALETTE* record) {
  if (const auto kept = optimised_.find(wanted); kept != optimised_.end()) {
    // As DthFillPalette writes it: the chosen entries and their count.
    std::copy_n(kept->second.entries, kept->second.count, record->entries);
    record->count = kept->second.count;
    return true;
  }
  if (context_ == nullptr && !OpenContext()) return false;
  if (stats_ == nullptr) return false;
  if (!statsCounted_) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(source.GetW()) * 3);
    for (int y = 0; y < source.GetH(); ++y) {
      ExpandRowToBGR(source, y, row.data());
      DthAddRow(row.data(), source.GetW(), stats_);
    }
    statsCounted_ = true;
  }
  const int n = DthChooseColours(stats_, gScratch, wanted);
  if (n <= 0) return false;
  if (DthFillPalette(stats_, record, gScratch, n) <= 0) return false;
  optimised_[wanted] = *record;
  return true;
}

bool CPrepGIFState::ChoosePalette(int depth, DTH_LOGPALETTE* record, PALETTEENTRY* palette) {
  std::copy(palette_, palette_ + 256, record->entries);
  const int optimisedCount = depth == 8 ? 256 : 16;
  record->count = static_cast<std::uint16_t>(paletteChoice == 1 ? optimisedCount : (depth == 8 ? 216 : 16));
  if (paletteChoice != 1) {
    SetStandardPalette(palette, depth);
    return true;
  }
  if (!BuildOptimisedPalette(*source_, optimisedCount, record)) return false;
  std::copy(record->entries, record->entries + 256, palette);
  return true;
}

bool CPrepGIFState::Reduce8() {
  const WA& source = *source_;
  DTH_LOGPALETTE record;
  PALETTEENTRY palette[256];
  if (!ChoosePalette(8, &record, palette)) return false;
  WAPtr result = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, source.GetW(), source.GetH(), palette));
  if (!result) return false;
  DitherRun run(DthBeginDither(1, std::max<int>(record.count, 16), ModeFlags(true), recordWord_, &record, 0, 0, 0,
                               source.GetW() - 1, 0));
  if (run.handle == nullptr) return false;
  for (int y = 0; y < source.GetH(); ++y) DthDitherRow(source.Row(y), result->Row(y), run.handle);
  std::copy(palette, palette + 256, palette_);
  result_ = result;
  return true;
}

bool CPrepGIFState::Reduce4() {
  const WA& source = *source_;
  DTH_LOGPALETTE record;
  PALETTEENTRY palette[256];
  if (!ChoosePalette(4, &record, palette)) return false;
  WAPtr result = WAPtr::Adopt(NewWAWithPalette(kWAType4Bit, source.GetW(), source.GetH(), palette));
  if (!result) return false;
  DitherRun run(DthBeginDither(1, record.count, ModeFlags(true), recordWord_, &record, 0, 0, 0, source.GetW() - 1, 0));
  if (run.handle == nullptr) return false;
  const int width = source.GetW();
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * 3);
  std::vector<std::uint8_t> indices(width);
  for (int y = 0; y < source.GetH(); ++y) {
    ExpandRowToBGR(source, y, bgr.data());
    DthDitherRow(bgr.data(), indices.data(), run.handle);
    std::uint8_t* out = result->Row(y);
    for (int x = 0; x + 1 < width; x += 2) out[x >> 1] = static_cast<std::uint8_t>(indices[x] << 4 | (indices[x + 1] & 0x0F));
    if (width & 1) out[width >> 1] = static_cast<std::uint8_t>(indices[width - 1] << 4);
  }
  result->SetPaletteEntries(0, 256, palette);
  std::copy(palette, palette + 256, palette_);
  result_ = result;
  return true;
}

bool CPrepGIFState::Reduce1() {
  const WA& source = *source_;
  WAPtr result = WAPtr::Adopt(NewWA(kWAType1Bit, source.GetW(), source.GetH(), nullptr));
  if (!result) return false;
  DTH_LOGPALETTE record;
  std::copy(palette_, palette_ + 256, record.entries);
  record.count = 2;
  PALETTEENTRY palette[256];
  SetStandardPalette(palette, 1);
  // Grey values of a paletted source's entries.
  std::uint8_t grey[256] = {};
  const int type = source.GetType();
  if (type != kWAType24 && type != kWAType8Grey) {
    const int entries = 1 << VrWA2000::BitsPerPixelOfType(type);
    for (int i = 0; i < entries; ++i) {
      const PALETTEENTRY& e = source.Palette()[i];
      grey[i] = static_cast<std::uint8_t>((e.peRed + e.peGreen + e.peBlue + 1) / 3);
    }
  }
  DitherRun run(DthBeginDither(type == kWAType24 ? 1 : 0, 2, dither ? kDthModeDiffuse : 0, recordWord_, &record, 0,
                               0, 0, source.GetW() - 1, 0));
  if (run.handle == nullptr) return false;
  const int width = source.GetW();
  std::vector<std::uint8_t> greyRow(width);
  std::vector<std::uint8_t> indices(width);
  for (int y = 0; y < source.GetH(); ++y) {
    const std::uint8_t* row = source.Row(y);
    const std::uint8_t* in = row;
    if (type == kWAType8Palette) {
      for (int x = 0; x < width; ++x) greyRow[x] = grey[row[x]];
      in = greyRow.data();
    } else if (type == kWAType4Bit) {
      for (int x = 0; x < width; ++x) greyRow[x] = grey[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
      in = greyRow.data();
    }
    DthDitherRow(in, indices.data(), run.handle);
    std::uint8_t* out = result->Row(y);
    std::memset(out, 0, static_cast<std::size_t>(result->GetBPLine()));
    for (int x = 0; x < width; ++x)
      if (indices[x] != 0) out[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
  }
  result->SetPaletteEntries(0, 256, palette);
  std::copy(palette, palette + 256, palette_);
  result_ = result;
  return true;
}

void CPrepGIFState::EstimateSize() {
  WA* result = result_.get();
  compressedSize_ = writesPNG ? EstimateWebPNG(result, write) : EstimateWebGIF(result, write);
  if (compressedSize_ == 0 && !writesPNG) compressedSize_ = UncompressedSize();
}

std::string CPrepGIFState::CompressedSizeText() const { return FormatSizeText(compressedSize_); }

std::uint64_t CPrepGIFState::UncompressedSize() const {
  return result_ ? static_cast<std::uint64_t>(result_->GetBPLine()) * result_->GetH() : 0;
}

bool CPrepGIFState::SaveGIF(const std::string& path, std::string* error) {
  return WriteWebGIF(path, result_.get(), write, error);
}

bool CPrepGIFState::SavePNG(const std::string& path, std::string* error) {
  return WriteWebPNG(path, result_.get(), write, error);
}

}  // namespace lumora
