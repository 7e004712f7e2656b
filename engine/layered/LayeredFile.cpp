// The layered file around its layers: the file header, colour mode data,
// image resources (resolution, target layer, guides, link ids), the frame
// of the layer and mask section with its global layer mask record, and the
// merged image, in the Photoshop variant ("8BPS"/"8BIM") and the native one
// ("LU40"/"WIN4").
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pixels/ImageLimits.h"
#include "engine/layered/BigEndian.h"
#include "engine/layered/ChannelData.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layers/LayerMng.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layered/LayeredIO.h"
#include "engine/layered/RWLayers.h"

using lumora::LayeredReader;
using lumora::LayeredWriter;

namespace {

constexpr std::uint32_t kMaxSide = lumora::kMaxImageSide;
constexpr int kMaxChannels = 56;
constexpr std::uint16_t kResolutionId = 0x03ED;
constexpr std::uint16_t kTargetLayerId = 0x0400;
constexpr std::uint16_t kLayerGroupsId = 0x0402;
constexpr std::uint16_t kIptcId = 0x0404;
constexpr std::uint16_t kGuidesId = 0x0408;
constexpr std::uint16_t kIccProfileId = 0x040F;
// A larger embedded profile is no colour profile: it is left out.
constexpr std::uint32_t kMaxIccProfileBytes = 16u << 20;
// The least a layer record takes.
constexpr std::uint64_t kMinRecordBytes = 34;

enum ColorMode : std::uint16_t { kBitmap = 0, kGrayscale = 1, kIndexed = 2, kRGB = 3 };

int TypeOfMode(std::uint16_t mode) {
  switch (mode) {
    case kBitmap: return kWAType1Bit;
    case kGrayscale: return kWAType8Grey;
    case kIndexed: return kWAType8Palette;
    default: return kWAType24;
  }
}

[[noreturn]] void Refuse(const char* what) { throw layer_err_fread(what); }

void ValidateHeader(std::uint16_t version, std::uint16_t channels, std::uint32_t width,
                    std::uint32_t height, std::uint16_t depth, std::uint16_t mode) {
  if (version == 2) Refuse("large document files (version 2) are not supported");
  if (version != 1) Refuse("the file is not a layered image of a known version");
  if (mode > kRGB) Refuse("the file's colour mode (CMYK, Lab, duotone or multichannel) is not supported");
  if (depth == 16 || depth == 32) Refuse("images of 16 or 32 bits per channel are not supported");
  if ((mode == kBitmap) != (depth == 1) || (depth != 1 && depth != 8)) {
    Refuse("the file's depth does not fit its colour mode");
  }
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    Refuse("the image's width or height is outside 1 to 30000 pixels");
  }
  const int planes = mode == kRGB ? 3 : 1;
  if (channels < planes || channels > kMaxChannels) Refuse("the file's channel count does not fit its colour mode");
}

std::uint16_t RoundedResolution(std::uint32_t fixed) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>((fixed >> 16) + ((fixed & 0xFFFF) >= 0x8000 ? 1 : 0), 0xFFFF));
}

void WriteResourceHeader(LayeredWriter& out, const char* signature, std::uint16_t id, std::uint32_t size) {
  out.Tag(signature);
  out.U16(id);
  out.U16(0);  // empty name, padded
  out.U32(size);
}

// One image resource block; the known ones fill the stack.
void ReadResource(LayeredReader& in, CLayersManager& stack) {
  char signature[4];
  in.Tag(signature);  // not tested: either variant reads
  const std::uint16_t id = in.U16();
  const std::uint8_t nameLength = in.U8();
  in.Skip(nameLength + ((nameLength + 1) % 2));
  const std::uint32_t size = in.U32();
  const std::uint64_t end = in.BlockEnd(size);
  {
    lumora::SectionLimit limit(in, end);
    if (id == kResolutionId && size >= 16) {
      const std::uint32_t horizontal = in.U32();
      in.Skip(4);
      const std::uint32_t vertical = in.U32();
      const std::uint16_t x = RoundedResolution(horizontal), y = RoundedResolution(vertical);
      if (x != 0 && y != 0) stack.SetResolution(static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 16);
    } else if (id == kTargetLayerId && size >= 2) {
      stack.SetTargetLayerIndex(in.U16());
    } else if (id == kLayerGroupsId && size > 0) {
      std::vector<std::uint8_t>& block = stack.LayerGroupBlock();
      block.resize(size);
      in.Read(block.data(), size);
    } else if (id == kIccProfileId && size > 0 && size <= kMaxIccProfileBytes) {
      std::vector<std::uint8_t>& profile = stack.IccProfile();
      profile.resize(size);
      in.Read(profile.data(), size);
    } else if (id == kGuidesId && size >= 16) {
      if (in.U32() != 1) Refuse("the file's guides are of an unknown version");
      in.Skip(8);
      const std::uint32_t count = std::min<std::uint32_t>(in.U32(), (size - 16) / 5);
      for (std::uint32_t i = 0; i < count; ++i) {
        CLayersManager::GuideInfo guide;
        guide.position = in.I32();
        guide.orientation = in.U8();
        stack.Guides().push_back(guide);
      }
    }
  }
  in.Seek(end);
  // Data padded to even; a last block may lack its pad.
  if ((size & 1) != 0 && in.Remaining() > 0) in.Skip(1);
}

}  // namespace

// ---- Reading ----

int CLayersManager::ReadFileHeader(LayeredReader& in) {
  char signature[4];
  in.Tag(signature);  // the caller has looked at it
  const std::uint16_t version = in.U16();
  in.Skip(6);
  const std::uint16_t channels = in.U16();
  const std::uint32_t height = in.U32();
  const std::uint32_t width = in.U32();
  const std::uint16_t depth = in.U16();
  const std::uint16_t mode = in.U16();
  ValidateHeader(version, channels, width, height, depth, mode);
  channelCount_ = channels;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  imageType_ = compositeType_ = TypeOfMode(mode);
  notLayerable_ = (mode == kBitmap || mode == kIndexed) ? 1 : 0;
  header_.imageType = static_cast<std::uint32_t>(imageType_);
  header_.width = width;
  header_.height = height;
  header_.planes = 1;
  header_.bitsPerPixel = imageType_ == kWAType24 ? 24 : imageType_ == kWAType1Bit ? 1 : 8;
  header_.bitsPerRow = header_.bitsPerPixel * width;

  // Colour mode data: a palette of 768 bytes is read as far as it goes.
  const std::uint64_t colourEnd = in.BlockEnd(in.U32());
  std::uint8_t planar[768] = {};
  in.Read(planar, std::min<std::uint64_t>(colourEnd - in.Position(), sizeof planar));
  for (int i = 0; i < 256; ++i) header_.colorTable[i] = RGBQUAD{planar[512 + i], planar[256 + i], planar[i], 0};
  in.Seek(colourEnd);

  const std::uint64_t resourcesEnd = in.BlockEnd(in.U32());
  {
    lumora::SectionLimit limit(in, resourcesEnd);
    while (in.Remaining() > 0) ReadResource(in, *this);
  }
  in.Seek(resourcesEnd);

  const std::uint32_t sectionLength = in.U32();
  header_.sectionEnd = in.BlockEnd(sectionLength);
  flatFile_ = 1;
  fileLayerCount_ = 1;
  if (sectionLength == 0 || notLayerable_ != 0) return 1;
  if (sectionLength < 4) Refuse("the layer section of the file is damaged");
  lumora::SectionLimit limit(in, header_.sectionEnd);
  const std::uint32_t infoLength = in.U32();
  header_.layerInfoPosition = in.Position();
  header_.layerInfoEnd = in.BlockEnd(infoLength);
  if (infoLength < 2) return 1;
  const std::int16_t count = in.I16();
  const std::uint32_t records = static_cast<std::uint32_t>(count < 0 ? -count : count);
  if (records == 0) return 1;
  if (records * kMinRecordBytes > header_.layerInfoEnd - in.Position()) {
    Refuse("the file lists more layers than it holds");
  }
  flatFile_ = 0;
  fileLayerCount_ = records;
  return static_cast<int>(records);
}

int CLayersManager::ProbeTextLayer(LayeredReader& in) { return lumora::RecordHasTextBlock(in) ? 1 : 0; }

// ---- Writing ----

void CLayersManager::WriteFileHeader(LayeredWriter& out, int ownFormat) {
  const bool palette = imageType_ == kWAType8Palette;
  const bool bitmap = imageType_ == kWAType1Bit;
  if (imageType_ != kWAType24 && imageType_ != kWAType8Grey && !palette && !bitmap) {
    throw layer_err_fwrite("images of this pixel type cannot be saved as layered files");
  }
  const char* resourceSignature = ownFormat != 0 ? "WIN4" : "8BIM";
  header_.ownFormat = ownFormat != 0 ? 1 : 0;
  header_.imageType = static_cast<std::uint32_t>(imageType_);
  header_.width = static_cast<std::uint32_t>(width_);
  header_.height = static_cast<std::uint32_t>(height_);
  header_.planes = 1;
  header_.bitsPerPixel = imageType_ == kWAType24 ? 24 : bitmap ? 1 : 8;
  header_.bitsPerRow = header_.bitsPerPixel * static_cast<std::uint32_t>(width_);

  out.Tag(ownFormat != 0 ? "LU40" : "8BPS");
  out.U16(1);
  out.Zeros(6);
  out.U16(imageType_ == kWAType24 ? 3 : 1);
  out.U32(static_cast<std::uint32_t>(height_));
  out.U32(static_cast<std::uint32_t>(width_));
  out.U16(bitmap ? 1 : 8);
  out.U16(bitmap ? kBitmap : palette ? kIndexed : imageType_ == kWAType8Grey ? kGrayscale : kRGB);

  if (palette) {
    const VrWA2000::WA* image = active_ ? active_->PeekImage() : nullptr;
    if (image != nullptr) {
      PALETTEENTRY entries[256] = {};
      image->GetPaletteEntries(0, static_cast<std::uint16_t>(1 << image->GetBPP()), entries);
      for (int i = 0; i < (1 << image->GetBPP()) && i < 256; ++i) {
        header_.colorTable[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
      }
    }
    out.U32(768);
    std::uint8_t planar[768];
    for (int i = 0; i < 256; ++i) {
      planar[i] = header_.colorTable[i].rgbRed;
      planar[256 + i] = header_.colorTable[i].rgbGreen;
      planar[512 + i] = header_.colorTable[i].rgbBlue;
    }
    out.Write(planar, sizeof planar);
  } else {
    out.U32(0);
  }

  const std::uint64_t resourcesAt = out.Position();
  out.U32(0);
  WriteResourceHeader(out, resourceSignature, kIptcId, 7);
  static const std::uint8_t kIptc[8] = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00};
  out.Write(kIptc, sizeof kIptc);
  WriteResourceHeader(out, resourceSignature, kResolutionId, 16);
  out.U32((resolution_ & 0xFFFFu) << 16);
  out.U16(1);
  out.U16(1);
  out.U32((resolution_ >> 16) << 16);
  out.U16(1);
  out.U16(1);
  WriteResourceHeader(out, resourceSignature, kTargetLayerId, 2);
  out.U16(static_cast<std::uint16_t>(GetLayerIndex(active_.get())));
  const std::uint32_t guides = static_cast<std::uint32_t>(guides_.size());
  WriteResourceHeader(out, resourceSignature, kGuidesId, 16 + 5 * guides);
  out.U32(1);
  out.U32(576);
  out.U32(576);
  out.U32(guides);
  for (const GuideInfo& guide : guides_) {
    out.I32(guide.position);
    out.U8(guide.orientation);
  }
  if (guides % 2 != 0) out.U8(0);
  WriteResourceHeader(out, resourceSignature, kLayerGroupsId, static_cast<std::uint32_t>(layerGroupBlock_.size()));
  out.Write(layerGroupBlock_.data(), layerGroupBlock_.size());
  if (!iccProfile_.empty()) {
    WriteResourceHeader(out, resourceSignature, kIccProfileId, static_cast<std::uint32_t>(iccProfile_.size()));
    out.Write(iccProfile_.data(), iccProfile_.size());
    if (iccProfile_.size() % 2 != 0) out.U8(0);
  }
  out.PatchLengthFrom(resourcesAt);

  out.U32(0);  // the section's length, patched at its end
  if (bitmap || palette) return;  // no layer records: the merged image follows
  out.U32(0);  // the layer information's length
  header_.layerInfoPosition = out.Position();
  if (GetLayerCount() > 0x7FFF) throw layer_err_fwrite("too many layers for the file format");
  out.U16(static_cast<std::uint16_t>(GetLayerCount()));
}

namespace {

// Whether any pixel of the coverage is short of whole.
bool HasTransparency(const VrWA2000::WA* coverage) {
  if (coverage == nullptr) return false;
  for (int y = 0; y < coverage->GetH(); ++y) {
    const std::uint8_t* row = coverage->Row(y);
    if (std::any_of(row, row + coverage->GetW(), [](std::uint8_t c) { return c != 255; })) return true;
  }
  return false;
}

}  // namespace

void CLayersManager::WriteMergedImageData(LayeredWriter& out) {
  WAPtr coverage;
  const WAPtr merged = CreateMergedImage(0, 255, 255, 255, &coverage);
  if (!merged) throw layer_err_fwrite("there is not enough memory to write the merged image");
  // Where the layers leave the image transparent, the merged image carries
  // that transparency as one more channel (its colours lie on white, as
  // other writers put them): the header counts the channel and the layer
  // count turns negative, which is how readers know it.
  const bool layered = imageType_ == kWAType24 || imageType_ == kWAType8Grey;
  const bool alpha = layered && header_.layerInfoPosition != 0 && HasTransparency(coverage.get());
  lumora::WriteMergedImage(out, *merged, alpha ? coverage.get() : nullptr);
  if (!alpha) return;
  const std::uint64_t end = out.Position();
  out.Seek(header_.startPosition + 12);
  out.U16(static_cast<std::uint16_t>((imageType_ == kWAType24 ? 3 : 1) + 1));
  out.Seek(header_.layerInfoPosition);
  out.I16(static_cast<std::int16_t>(-GetLayerCount()));
  out.Seek(end);
}

void CLayersManager::FinishLayerSection(LayeredWriter& out, int writeMerged) {
  if (imageType_ == kWAType1Bit || imageType_ == kWAType8Palette) {
    WriteMergedImageData(out);
    return;
  }
  if ((out.Position() - header_.startPosition) % 2 != 0) out.U8(0);
  const std::uint64_t infoEnd = out.Position();
  out.U32(14);
  out.U16(globalMask_.color.space);
  for (std::uint16_t component : globalMask_.color.components) out.U16(component);
  out.U16(globalMask_.opacity);
  out.U8(globalMask_.kind);
  out.U8(globalMask_.filler);
  const std::uint64_t sectionEnd = out.Position();
  if (writeMerged != 0) WriteMergedImageData(out);
  const std::uint64_t end = out.Position();
  const std::uint64_t sectionLength = sectionEnd - header_.layerInfoPosition + 4;
  const std::uint64_t infoLength = infoEnd - header_.layerInfoPosition;
  if (sectionLength > 0xFFFFFFFFu) throw layer_err_fwrite("the document is too large for the file format");
  out.PatchU32(header_.layerInfoPosition - 8, static_cast<std::uint32_t>(sectionLength));
  out.PatchU32(header_.layerInfoPosition - 4, static_cast<std::uint32_t>(infoLength));
  out.Seek(end);
}

// ---- Free functions ----

std::uint64_t SkipPSDBlock(LayeredReader& in) {
  const std::uint32_t length = in.U32();
  in.Skip(length);
  return std::uint64_t{length} + 4;
}

WAPtr ReadLayeredFileComposite(lumora::StreamFile& file) {
  try {
    LayeredReader in(file);
    const CLayersManagerPtr stack =
        CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 1, 1, 0x00600060u, 0, 1));
    stack->ReadFileHeader(in);
    lumora::LayeredFileHeader& header = stack->FileHeader();
    in.Seek(header.sectionEnd);
    bool cancelled = false;
    WAPtr image = lumora::ReadMergedImage(in, header, stack->GetChannelCount(), false, &cancelled);
    SetPackedResolution(image.get(), stack->GetResolution());
    return image;
  } catch (const layer_error&) {
    return {};
  }
}

WAPtr ReadLayeredFileComposite(const std::string& path) {
  lumora::DiskFile file(path, lumora::DiskFile::kRead);
  return ReadLayeredFileComposite(file);
}
