// Channel image data of the layered file: each layer's channels (written
// PackBits-coded, read raw or PackBits) and the merged image. A layer's
// channels are read in one block, checked against the lengths its record
// gave before any buffer is made, and decoded row by row.
#include "engine/layered/ChannelData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/layered/BigEndian.h"
#include "engine/layered/ChannelShuffle.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/LayerMng.h"
#include "engine/layered/LayeredIO.h"
#include "engine/layered/PackBits.h"
#include "engine/pixels/Progress.h"
#include "platform/rect.h"

namespace lumora {

namespace {

constexpr std::uint16_t kRaw = 0;
constexpr std::uint16_t kPackBitsCoded = 1;

// One channel's bytes in a read block, checked: rows of `width` bytes.
struct ChannelView {
  std::int16_t id = 0;
  int width = 0;
  int height = 0;
  std::uint16_t compression = kRaw;
  const std::uint8_t* rows = nullptr;
  std::vector<std::uint32_t> offsets;  // PackBits: row y is rows[offsets[y] .. offsets[y + 1])
};

// The fewest bytes a PackBits row of `width` bytes can take.
std::uint64_t MinPackedRow(std::uint64_t width) { return 2 * ((width + 127) / 128); }

[[noreturn]] void Damaged() { throw layer_err_fread("the pixel data of the file are damaged"); }

[[noreturn]] void Unsupported(std::uint16_t compression) {
  throw layer_err_fread(compression == 2 || compression == 3
                            ? "the file's pixels are ZIP-compressed, which this program does not read"
                            : "the file's pixels are compressed in an unknown way");
}

// The byte-count table of `height` rows at `table` turned into row offsets,
// each row long enough for `width` bytes; the rows must fit in `available`.
std::vector<std::uint32_t> RowOffsets(const std::uint8_t* table, int height, std::uint64_t width,
                                      std::uint64_t available) {
  std::vector<std::uint32_t> offsets(static_cast<std::size_t>(height) + 1);
  std::uint64_t sum = 0;
  const std::uint64_t least = MinPackedRow(width);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t count = LoadBE16(table + 2 * y);
    if (count < least) Damaged();
    offsets[y] = static_cast<std::uint32_t>(sum);
    sum += count;
    if (sum > available) Damaged();
  }
  offsets[height] = static_cast<std::uint32_t>(sum);
  return offsets;
}

ChannelView ParseChannel(std::int16_t id, const std::uint8_t* bytes, std::uint64_t length, int width,
                         int height) {
  ChannelView view;
  view.id = id;
  view.width = width;
  view.height = height;
  if (length < 2) Damaged();
  view.compression = LoadBE16(bytes);
  const std::uint64_t available = length - 2;
  if (width <= 0 || height <= 0) return view;
  if (view.compression == kRaw) {
    if (static_cast<std::uint64_t>(width) * height > available) Damaged();
    view.rows = bytes + 2;
  } else if (view.compression == kPackBitsCoded) {
    if (2ull * height > available) Damaged();
    view.offsets = RowOffsets(bytes + 2, height, width, available - 2ull * height);
    view.rows = bytes + 2 + 2ull * height;
  } else {
    Unsupported(view.compression);
  }
  return view;
}

// Row y of a channel: raw rows where they lie, packed ones decoded into
// `scratch` (kUnpackPadding bytes to spare, as the channel's block has).
const std::uint8_t* DecodeRow(const ChannelView& v, int y, std::uint8_t* scratch) {
  if (v.compression == kRaw) return v.rows + static_cast<std::size_t>(y) * v.width;
  UnpackBitsPadded(scratch, v.rows + v.offsets[y], v.offsets[y + 1] - v.offsets[y],
                   static_cast<std::uint32_t>(v.width));
  return scratch;
}

void CopyRow(std::uint8_t* to, const std::uint8_t* from, int width) {
  if (to != from) std::memcpy(to, from, static_cast<std::size_t>(width));
}

// Counts one channel row; false when the user cancelled.
bool Tick(LayeredFileHeader& header, bool report) {
  ++header.channelRows;
  if (!report) return true;
  return ProgressCallback(static_cast<int>(header.channelRows), static_cast<int>(header.channelRowTotal)) != 0;
}

// The user mask folded into the transparency: inside the mask's rect each
// value times the mask's, elsewhere in the layer times the mask's default
// colour (0 hides, 255 keeps), both divided by 255.
void FoldUserMask(VrWA2000::WA* transparency, const RECT& rect, const VrWA2000::WA* mask,
                  const RECT& maskRect, std::uint8_t defaultColour) {
  for (int row = 0; row < transparency->GetH(); ++row) {
    std::uint8_t* t = transparency->Row(row);
    const LONG y = rect.top + row;
    const bool inRows = mask != nullptr && y >= maskRect.top && y < maskRect.bottom;
    const std::uint8_t* m = inRows ? mask->Row(y - maskRect.top) : nullptr;
    for (int col = 0; col < transparency->GetW(); ++col) {
      const LONG x = rect.left + col;
      const std::uint32_t factor =
          (m != nullptr && x >= maskRect.left && x < maskRect.right) ? m[x - maskRect.left] : defaultColour;
      t[col] = static_cast<std::uint8_t>(Div255(t[col] * factor));
    }
  }
}

WAPtr NewPlane(int type, int width, int height, const PALETTEENTRY* palette = nullptr) {
  WAPtr buffer = WAPtr::Adopt(palette != nullptr ? NewWAWithPalette(type, width, height, palette)
                                                 : NewWA(type, width, height, nullptr));
  if (!buffer) throw layer_err_fread("there is not enough memory to read the file");
  return buffer;
}

// A channel's rows PackBits-coded (the byte-count table and the rows), or
// raw rows when a packed row could not be counted in 16 bits. The rows go
// to working memory the caller lends.
class ChannelPacker {
 public:
  ChannelPacker(int width, int height, std::uint8_t* memory) : width_(width), rows_(memory) {
    compression_ = PackBitsBound(static_cast<std::uint32_t>(width)) > 0xFFFF ? kRaw : kPackBitsCoded;
    if (compression_ == kPackBitsCoded) table_.resize(2ull * height);
  }
  // The working memory a channel may need.
  static std::size_t Bytes(int width, int height) {
    return static_cast<std::size_t>(height) * std::max<std::uint32_t>(PackBitsBound(static_cast<std::uint32_t>(width)),
                                                                       static_cast<std::uint32_t>(width));
  }
  // Rows in file order (top row first).
  void Add(const std::uint8_t* row) {
    std::uint8_t* out = rows_ + used_;
    if (compression_ == kRaw) {
      std::memcpy(out, row, static_cast<std::size_t>(width_));
      used_ += static_cast<std::size_t>(width_);
    } else {
      const std::uint32_t n = PackBits(row, out, static_cast<std::uint32_t>(width_));
      StoreBE16(table_.data() + 2 * row_, static_cast<std::uint16_t>(n));
      used_ += n;
    }
    ++row_;
  }
  // Writes the channel and returns its length (compression word included).
  std::uint64_t Write(LayeredWriter& out) const {
    out.U16(compression_);
    out.Write(table_.data(), table_.size());
    out.Write(rows_, used_);
    return 2 + table_.size() + used_;
  }

 private:
  int width_;
  int row_ = 0;
  std::uint16_t compression_;
  std::vector<std::uint8_t> table_;
  std::uint8_t* rows_;
  std::size_t used_ = 0;
};

std::vector<PALETTEENTRY> PaletteOf(const LayeredFileHeader& header) {
  std::vector<PALETTEENTRY> palette(256);
  for (int i = 0; i < 256; ++i) {
    palette[i] = {header.colorTable[i].rgbRed, header.colorTable[i].rgbGreen,
                  header.colorTable[i].rgbBlue, 0};
  }
  return palette;
}

}  // namespace

void ReportRowsHandled(LayeredFileHeader& header, std::uint64_t rows) {
  for (std::uint64_t i = 0; i < rows; ++i) Tick(header, true);
}

void WriteMergedImage(LayeredWriter& out, const VrWA2000::WA& image, const VrWA2000::WA* alpha) {
  const int type = image.GetType();
  const int width = image.GetW();
  const int height = image.GetH();
  const int colours = type == kWAType24 ? 3 : 1;
  const bool withAlpha = alpha != nullptr && type != kWAType1Bit && alpha->GetW() == width && alpha->GetH() == height;
  const int channels = colours + (withAlpha ? 1 : 0);
  const int rowBytes = type == kWAType1Bit ? (width + 7) / 8 : width;
  const bool packed = type != kWAType1Bit;
  out.U16(packed ? kPackBitsCoded : kRaw);
  const std::uint64_t tableAt = out.Position();
  if (packed) out.Zeros(2ull * channels * height);
  std::vector<std::uint8_t> table;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes));
  std::vector<std::uint8_t> coded(PackBitsBound(static_cast<std::uint32_t>(rowBytes)));
  std::vector<std::uint8_t> block;
  for (int c = 0; c < channels; ++c) {
    block.clear();
    for (int y = height - 1; y >= 0; --y) {
      const std::uint8_t* src = image.Row(y);
      if (c == colours) {
        std::memcpy(row.data(), alpha->Row(y), static_cast<std::size_t>(width));
      } else if (type == kWAType24) {
        for (int x = 0; x < width; ++x) row[x] = src[3 * x + 2 - c];
      } else if (type == kWAType1Bit) {
        for (int i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(~src[i]);
      } else {
        std::memcpy(row.data(), src, static_cast<std::size_t>(rowBytes));
      }
      if (!packed) {
        block.insert(block.end(), row.begin(), row.end());
        continue;
      }
      const std::uint32_t n = PackBits(row.data(), coded.data(), static_cast<std::uint32_t>(rowBytes));
      if (n > 0xFFFF) throw layer_err_fwrite("the image is too wide for the file format");
      std::uint8_t count[2];
      StoreBE16(count, static_cast<std::uint16_t>(n));
      table.insert(table.end(), count, count + 2);
      block.insert(block.end(), coded.begin(), coded.begin() + n);
    }
    out.Write(block.data(), block.size());
  }
  if (packed) {
    const std::uint64_t end = out.Position();
    out.Seek(tableAt);
    out.Write(table.data(), table.size());
    out.Seek(end);
  }
}

WAPtr ReadMergedImage(LayeredReader& in, LayeredFileHeader& header, int channels, bool report,
                      bool* cancelled) {
  *cancelled = false;
  const int type = static_cast<int>(header.imageType);
  const int width = static_cast<int>(header.width);
  const int height = static_cast<int>(header.height);
  const int planes = type == kWAType24 ? 3 : 1;
  if (channels < planes) throw layer_err_fread("the file has fewer channels than its colour mode needs");
  const std::uint64_t rowBytes = type == kWAType1Bit ? (width + 7) / 8 : width;
  const std::uint16_t compression = in.U16();
  std::vector<ChannelView> views(planes);
  std::uint64_t bytes = 0;
  std::vector<std::uint64_t> starts(planes);
  if (compression == kRaw) {
    for (int c = 0; c < planes; ++c) {
      starts[c] = rowBytes * height * c;
      views[c] = {0, static_cast<int>(rowBytes), height, kRaw, nullptr, {}};
    }
    bytes = rowBytes * height * planes;
  } else if (compression == kPackBitsCoded) {
    const std::uint64_t tableBytes = 2ull * channels * height;
    in.Require(tableBytes);
    std::vector<std::uint8_t> table(tableBytes);
    in.Read(table.data(), tableBytes);
    for (int c = 0; c < planes; ++c) {
      starts[c] = bytes;
      views[c] = {0, static_cast<int>(rowBytes), height, kPackBitsCoded, nullptr,
                  RowOffsets(table.data() + 2ull * height * c, height, rowBytes, in.Remaining() - bytes)};
      bytes += views[c].offsets[height];
    }
  } else {
    Unsupported(compression);
  }
  in.Require(bytes);
  std::uint8_t* block = in.scratch.Get(0, bytes + kUnpackPadding);
  in.Read(block, bytes);
  for (int c = 0; c < planes; ++c) views[c].rows = block + starts[c];
  const std::vector<PALETTEENTRY> palette = PaletteOf(header);
  WAPtr image = NewPlane(type, width, height, type == kWAType8Palette ? palette.data() : nullptr);
  std::uint8_t* scratch[3];
  const std::uint8_t* rows[3];
  for (int c = 0; c < planes; ++c) scratch[c] = in.scratch.Get(1 + c, rowBytes + kUnpackPadding);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* dst = image->Row(height - 1 - y);
    for (int c = 0; c < planes; ++c) {
      rows[c] = DecodeRow(views[c], y, scratch[c]);
      if (!Tick(header, report)) {
        *cancelled = true;
        return {};
      }
    }
    if (type == kWAType24) {
      JoinPixels(dst, rows[0], rows[1], rows[2], width);
    } else if (type == kWAType1Bit) {
      for (std::uint64_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<std::uint8_t>(~rows[0][i]);
    } else {
      CopyRow(dst, rows[0], static_cast<int>(rowBytes));
    }
  }
  // The channels beyond the colour planes are not kept; their rows count.
  for (std::int64_t i = 0; i < static_cast<std::int64_t>(channels - planes) * height; ++i) Tick(header, report);
  return image;
}

}  // namespace lumora

using lumora::LayeredReader;
using lumora::LayeredWriter;

int CLayer::ReadImageData(LayeredReader& in, lumora::LayeredFileHeader& header) {
  bool cancelled = false;
  WAPtr image = lumora::ReadMergedImage(in, header, GetChannelCount(), true, &cancelled);
  if (cancelled) return 0;
  SetOpacity(255);
  SetImageType(image->GetType());
  SetImage(image.get());
  SetTransparencyLock(1);  // a layer without a mask
  return 1;
}

int CLayer::ReadChannelData(LayeredReader& in, lumora::LayeredFileHeader& header) {
  using namespace lumora;
  const int type = static_cast<int>(header.imageType);
  if (type != kWAType8Grey && type != kWAType24) throw layer_err_fread("layers of this image type cannot be read");
  const std::vector<std::int16_t> ids = GetChannelIds();
  const std::vector<std::uint32_t> lengths = GetChannelLengths();
  if (lengths.size() != ids.size()) Damaged();
  std::uint64_t total = 0;
  for (std::uint32_t length : lengths) total += length;
  in.Require(total);
  const RECT rect = GetRect();
  const int colours = type == kWAType24 ? 3 : 1;
  const auto isPixels = [colours](std::int16_t id) { return id == -1 || (id >= 0 && id < colours); };
  if (RectIsEmpty(rect) || std::none_of(ids.begin(), ids.end(), isPixels)) {
    // An empty layer: its data are passed over, and it keeps its place with
    // the smallest buffer a layer can have, fully transparent.
    in.Skip(total);
    BecomeEmptyLayer(type);
    return 1;
  }
  std::uint8_t* block = in.scratch.Get(0, total + kUnpackPadding);
  in.Read(block, total);

  const int width = RectWidth(rect), height = RectHeight(rect);
  const RECT maskRect = GetMaskRect();
  const ChannelView* colour[3] = {};
  const ChannelView* transparency = nullptr;
  const ChannelView* userMask = nullptr;
  std::vector<ChannelView> views;
  views.reserve(ids.size());
  std::uint64_t offset = 0;
  std::uint64_t droppedRows = 0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const bool isMask = ids[i] == -2;
    const int w = isMask ? std::max<LONG>(0, RectWidth(maskRect)) : width;
    const int h = isMask ? std::max<LONG>(0, RectHeight(maskRect)) : height;
    views.push_back(ParseChannel(ids[i], block + offset, lengths[i], w, h));
    offset += lengths[i];
  }
  for (const ChannelView& v : views) {
    if (v.id >= 0 && v.id < colours && colour[v.id] == nullptr) {
      colour[v.id] = &v;
    } else if (v.id == -1 && transparency == nullptr) {
      transparency = &v;
    } else if (v.id == -2 && userMask == nullptr) {
      userMask = &v;
    } else {
      droppedRows += static_cast<std::uint64_t>(v.height);
    }
  }

  WAPtr image = NewPlane(type, width, height);
  WAPtr alpha;
  if (transparency != nullptr || userMask != nullptr) {
    alpha = NewPlane(kWAType8Grey, width, height);
    // A user mask without transparency masks an opaque layer.
    if (transparency == nullptr) {
      for (int y = 0; y < height; ++y) std::memset(alpha->Row(y), 255, static_cast<std::size_t>(width));
    }
  }
  WAPtr mask;
  if (userMask != nullptr && userMask->width > 0 && userMask->height > 0) {
    mask = NewPlane(kWAType8Grey, userMask->width, userMask->height);
  }

  const bool report = header.progress != 0;
  std::uint8_t* scratch[4];
  const std::size_t rowRoom = static_cast<std::size_t>(std::max(width, mask ? mask->GetW() : 0)) + kUnpackPadding;
  for (int i = 0; i < 4; ++i) scratch[i] = in.scratch.Get(1 + i, rowRoom);
  // A colour channel the file lacks stays 0.
  std::uint8_t* zeros = in.scratch.Get(5, static_cast<std::size_t>(width));
  std::memset(zeros, 0, static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* dst = image->Row(height - 1 - y);
    const std::uint8_t* rows[3] = {zeros, zeros, zeros};
    for (int c = 0; c < colours; ++c) {
      if (colour[c] == nullptr) continue;
      rows[c] = DecodeRow(*colour[c], y, scratch[c]);
      if (!Tick(header, report)) return 0;
    }
    if (type == kWAType24) {
      JoinPixels(dst, rows[0], rows[1], rows[2], width);
    } else if (colour[0] != nullptr) {
      CopyRow(dst, rows[0], width);
    }
    if (transparency != nullptr) {
      CopyRow(alpha->Row(height - 1 - y), DecodeRow(*transparency, y, scratch[3]), width);
      if (!Tick(header, report)) return 0;
    }
  }
  if (mask) {
    for (int y = 0; y < mask->GetH(); ++y) {
      CopyRow(mask->Row(mask->GetH() - 1 - y), DecodeRow(*userMask, y, scratch[3]), mask->GetW());
      if (!Tick(header, report)) return 0;
    }
  }
  for (std::uint64_t i = 0; i < droppedRows; ++i) {
    if (!Tick(header, report)) return 0;
  }

  const std::uint8_t maskFlags = GetMaskFlags();
  if (userMask != nullptr) {
    // The user mask becomes part of the transparency, unless it is off.
    if ((maskFlags & kMaskDisabled) == 0) {
      FoldUserMask(alpha.get(), rect, mask.get(), maskRect, GetMaskDefaultColor());
    }
    SetMaskFlags(static_cast<std::uint8_t>(maskFlags & ~(kMaskDisabled | kMaskInvert)));
  }
  const std::uint32_t flags = GetFlags();
  SetImageType(type);
  SetImage(image.get());
  SetMask(alpha.get());
  // Attaching the mask unlocks the transparency; the record's lock stands.
  if (alpha) SetTransparencyLock((flags & kLayerTransparencyLocked) != 0);
  return 1;
}

void CLayer::BecomeEmptyLayer(int type) {
  using namespace lumora;
  WAPtr image = NewPlane(type, 1, 1);
  WAPtr alpha = NewPlane(kWAType8Grey, 1, 1);
  std::memset(image->Row(0), 0, type == kWAType24 ? 3 : 1);
  alpha->Row(0)[0] = 0;
  const RECT rect = GetRect();
  const std::uint32_t flags = GetFlags();
  SetRect(MakeRect(rect.left, rect.bottom - 1, rect.left + 1, rect.bottom));
  SetImageType(type);
  SetImage(image.get());
  SetMask(alpha.get());
  SetTransparencyLock((flags & kLayerTransparencyLocked) != 0);
}

void CLayer::WriteChannelData(LayeredWriter& out, lumora::LayeredFileHeader& header) {
  using namespace lumora;
  const std::vector<std::uint64_t> positions = out.PopLengthPositions();
  const VrWA2000::WA* image = PeekImage();
  if (image == nullptr) return;
  if (WritesAsEmptyLayer(*this)) {
    // Raw channels of no rows: the lengths in the record (2) stand.
    for (std::size_t i = 0; i < positions.size(); ++i) out.U16(0);
    return;
  }
  const VrWA2000::WA* alpha = HasMask() ? PeekMask() : nullptr;
  const bool report = header.progress != 0;
  std::size_t next = 0;
  const auto finish = [&](const ChannelPacker& channel) {
    const std::uint64_t length = channel.Write(out);
    if (length > 0xFFFFFFFFu) throw layer_err_fwrite("a layer is too large for the file format");
    if (next < positions.size()) out.PatchU32(positions[next], static_cast<std::uint32_t>(length));
    ++next;
  };
  if (alpha != nullptr) {
    ChannelPacker packer(alpha->GetW(), alpha->GetH(),
                         out.scratch.Get(0, ChannelPacker::Bytes(alpha->GetW(), alpha->GetH())));
    for (int y = alpha->GetH() - 1; y >= 0; --y) {
      packer.Add(alpha->Row(y));
      Tick(header, report);
    }
    finish(packer);
  }
  const int width = image->GetW(), height = image->GetH();
  const std::size_t room = ChannelPacker::Bytes(width, height);
  if (image->GetType() != kWAType24) {
    ChannelPacker packer(width, height, out.scratch.Get(0, room));
    for (int y = height - 1; y >= 0; --y) {
      packer.Add(image->Row(y));
      Tick(header, report);
    }
    finish(packer);
    return;
  }
  ChannelPacker red(width, height, out.scratch.Get(0, room));
  ChannelPacker green(width, height, out.scratch.Get(1, room));
  ChannelPacker blue(width, height, out.scratch.Get(2, room));
  std::uint8_t* rows[3];
  for (int c = 0; c < 3; ++c) rows[c] = out.scratch.Get(3 + c, static_cast<std::size_t>(width));
  for (int y = height - 1; y >= 0; --y) {
    SplitPixels(image->Row(y), rows[0], rows[1], rows[2], width);
    red.Add(rows[0]);
    green.Add(rows[1]);
    blue.Add(rows[2]);
    for (int c = 0; c < 3; ++c) Tick(header, report);
  }
  finish(red);
  finish(green);
  finish(blue);
}
