// Channel image data of the layered file: each layer's channels (written
// PackBits-coded, read raw or PackBits) and the merged image. A layer's
// channels are checked against the lengths its record gave before any
// buffer is made (their compression words and byte-count tables are read
// first), then read in bands of rows: each channel's packed rows come in
// through a chunk of working memory reused for every layer, are decoded
// into channel rows and joined into the layer's pixels, so the file's
// bytes never pass through memory as large as the layer.
#include "engine/layered/ChannelData.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/layered/BigEndian.h"
#include "engine/layered/BuffersAhead.h"
#include "engine/layered/ChannelShuffle.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/LayerMng.h"
#include "engine/layered/LayeredIO.h"
#include "engine/layered/PackBits.h"
#include "engine/layered/ReadProfile.h"
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

// A layer channel as its head describes it: where its rows start in the
// file and, PackBits-coded, their offsets from there.
struct ChannelHead {
  ChannelView view;
  std::uint64_t rowsAt = 0;
};

// The compression word and, PackBits-coded, the byte-count table of the
// channel of `length` bytes at the reader's position, checked before any
// buffer is made: a known compression, a table that fits, every row long
// enough for `width` bytes and all of them within the channel.
ChannelHead ReadChannelHead(LayeredReader& in, std::int16_t id, std::uint64_t length, int width, int height) {
  ChannelHead head;
  const std::uint64_t start = in.Position();
  const bool rows = width > 0 && height > 0;
  const std::uint64_t tableBytes = 2ull * std::max(height, 0);
  // The compression word, and the table when the channel can hold one.
  const std::uint64_t headBytes = length < 2 ? length : rows && length >= 2 + tableBytes ? 2 + tableBytes : 2;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(headBytes));
  in.Read(bytes.data(), headBytes);
  if (length < 2) Damaged();
  ChannelView& view = head.view;
  view.id = id;
  view.width = width;
  view.height = height;
  view.compression = LoadBE16(bytes.data());
  if (!rows) return head;
  const std::uint64_t available = length - 2;
  if (view.compression == kRaw) {
    if (static_cast<std::uint64_t>(width) * height > available) Damaged();
    head.rowsAt = start + 2;
  } else if (view.compression == kPackBitsCoded) {
    if (tableBytes > available) Damaged();
    view.offsets = RowOffsets(bytes.data() + 2, height, width, available - tableBytes);
    head.rowsAt = start + 2 + tableBytes;
  } else {
    Unsupported(view.compression);
  }
  return head;
}

// Rows of a band: as many as keep one decoded channel band near 128 KB, so
// the bands of all channels stay in the processor's cache while they are
// joined.
int BandRows(int width) { return std::max(1, (128 << 10) / std::max(width, 1)); }

// A channel's rows brought in from the file through a chunk of working
// memory, a band at a time, and decoded into a band of channel rows.
class ChannelBands {
 public:
  // Working memory of the chunk: 1 MB, or a band's rows where they are
  // longer, and kUnpackPadding more for the padded decoder's reads.
  static std::size_t ChunkBytes(const ChannelView& v) {
    std::uint64_t most = 1u << 20;
    const int band = BandRows(v.width);
    for (int y = 0; y < v.height; y += band) {
      most = std::max<std::uint64_t>(most, Span(v, y, std::min(v.height, y + band)));
    }
    return static_cast<std::size_t>(most) + kUnpackPadding;
  }
  // Decoded rows lie this far apart in the band.
  static std::size_t RowStride(int width) { return static_cast<std::size_t>(width) + kUnpackPadding; }

  // `chunk` holds ChunkBytes(head.view) bytes, `band` BandRows rows of
  // RowStride bytes.
  ChannelBands(const ChannelHead& head, std::uint8_t* chunk, std::uint8_t* band)
      : head_(head), chunk_(chunk), capacity_(ChunkBytes(head.view)), band_(band) {}

  // Decodes rows [y0, y1), at most a band, into the band (raw rows are
  // used where they lie in the chunk).
  void Decode(LayeredReader& in, int y0, int y1) {
    const ChannelView& v = head_.view;
    if (y0 < loadedBegin_ || y1 > loadedEnd_) Load(in, y0);
    const ReadStageScope stage(&LayeredReadProfile::unpacking);
    first_ = y0;
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* packed = chunk_ + (Start(v, y) - Start(v, loadedBegin_));
      if (v.compression == kRaw) {
        rows_[y - y0] = packed;
        continue;
      }
      std::uint8_t* row = band_ + static_cast<std::size_t>(y - y0) * RowStride(v.width);
      UnpackBitsPadded(row, packed, v.offsets[y + 1] - v.offsets[y], static_cast<std::uint32_t>(v.width));
      rows_[y - y0] = row;
    }
  }
  // Row y of the band decoded last.
  const std::uint8_t* Row(int y) const { return rows_[y - first_]; }

 private:
  static std::uint64_t Start(const ChannelView& v, int y) {
    return v.compression == kRaw ? static_cast<std::uint64_t>(y) * v.width : v.offsets[y];
  }
  static std::uint64_t Span(const ChannelView& v, int y0, int y1) { return Start(v, y1) - Start(v, y0); }

  // Fills the chunk with whole rows from y0 on, as many as fit.
  void Load(LayeredReader& in, int y0) {
    const ChannelView& v = head_.view;
    const std::uint64_t room = capacity_ - kUnpackPadding;
    int y1 = y0;
    while (y1 < v.height && Span(v, y0, y1 + 1) <= room) ++y1;
    const ReadStageScope stage(&LayeredReadProfile::fileRead);
    in.Seek(head_.rowsAt + Start(v, y0));
    in.Read(chunk_, Span(v, y0, y1));
    loadedBegin_ = y0;
    loadedEnd_ = y1;
  }

  const ChannelHead& head_;
  std::uint8_t* chunk_;
  std::size_t capacity_;
  std::uint8_t* band_;
  std::vector<const std::uint8_t*> rows_ = std::vector<const std::uint8_t*>(
      static_cast<std::size_t>(std::min(BandRows(head_.view.width), std::max(head_.view.height, 1))));
  int first_ = 0;
  int loadedBegin_ = 0;
  int loadedEnd_ = 0;
};

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

// Transparency times a factor, divided by 255: 255 keeps it, 0 clears it.
void ScaleRow(std::uint8_t* t, LONG count, std::uint32_t factor) {
  if (count <= 0 || factor == 255) return;
  if (factor == 0) {
    std::memset(t, 0, static_cast<std::size_t>(count));
    return;
  }
  for (LONG i = 0; i < count; ++i) t[i] = static_cast<std::uint8_t>(Div255(t[i] * factor));
}

// Transparency times the mask, divided by 255 (a loop the compiler runs
// many pixels at a time).
void MultiplyRow(std::uint8_t* t, const std::uint8_t* m, LONG count) {
  for (LONG i = 0; i < count; ++i) t[i] = static_cast<std::uint8_t>(Div255(std::uint32_t{t[i]} * m[i]));
}

// The user mask folded into the transparency: inside the mask's rect each
// value times the mask's, elsewhere in the layer times the mask's default
// colour (0 hides, 255 keeps), both divided by 255.
void FoldUserMask(VrWA2000::WA* transparency, const RECT& rect, const VrWA2000::WA* mask,
                  const RECT& maskRect, std::uint8_t defaultColour) {
  const LONG width = transparency->GetW();
  for (int row = 0; row < transparency->GetH(); ++row) {
    std::uint8_t* t = transparency->Row(row);
    const LONG y = rect.top + row;
    if (mask == nullptr || y < maskRect.top || y >= maskRect.bottom) {
      ScaleRow(t, width, defaultColour);
      continue;
    }
    const std::uint8_t* m = mask->Row(y - maskRect.top);
    // Columns of the layer before, inside and after the mask's rect.
    const LONG from = std::clamp<LONG>(maskRect.left - rect.left, 0, width);
    const LONG to = std::clamp<LONG>(maskRect.right - rect.left, from, width);
    ScaleRow(t, from, defaultColour);
    MultiplyRow(t + from, m + (rect.left + from - maskRect.left), to - from);
    ScaleRow(t + to, width - to, defaultColour);
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
  WAPtr image;
  {
    const lumora::ReadStageScope stage(&lumora::LayeredReadProfile::merged);
    image = lumora::ReadMergedImage(in, header, GetChannelCount(), true, &cancelled);
  }
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
  const std::uint64_t blockStart = in.Position();
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

  const int width = RectWidth(rect), height = RectHeight(rect);
  const RECT maskRect = GetMaskRect();
  std::vector<ChannelHead> heads;
  heads.reserve(ids.size());
  {
    const ReadStageScope stage(&LayeredReadProfile::fileRead);
    std::uint64_t offset = blockStart;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      const bool isMask = ids[i] == -2;
      const int w = isMask ? std::max<LONG>(0, RectWidth(maskRect)) : width;
      const int h = isMask ? std::max<LONG>(0, RectHeight(maskRect)) : height;
      in.Seek(offset);
      heads.push_back(ReadChannelHead(in, ids[i], lengths[i], w, h));
      offset += lengths[i];
    }
  }
  const ChannelHead* colour[3] = {};
  const ChannelHead* transparency = nullptr;
  const ChannelHead* userMask = nullptr;
  std::uint64_t droppedRows = 0;
  for (const ChannelHead& head : heads) {
    const ChannelView& v = head.view;
    if (v.id >= 0 && v.id < colours && colour[v.id] == nullptr) {
      colour[v.id] = &head;
    } else if (v.id == -1 && transparency == nullptr) {
      transparency = &head;
    } else if (v.id == -2 && userMask == nullptr) {
      userMask = &head;
    } else {
      droppedRows += static_cast<std::uint64_t>(v.height);
    }
  }

  const BuffersAhead::Shape shape{type, width, height, transparency != nullptr || userMask != nullptr};
  WAPtr image, alpha;
  if (in.ahead == nullptr || !in.ahead->Take(in.aheadLayer, shape, &image, &alpha)) {
    image = NewPlane(type, width, height);
    if (shape.alpha) alpha = NewPlane(kWAType8Grey, width, height);
  }
  // A user mask without transparency masks an opaque layer.
  if (alpha && transparency == nullptr) {
    for (int y = 0; y < height; ++y) std::memset(alpha->Row(y), 255, static_cast<std::size_t>(width));
  }
  WAPtr mask;
  if (userMask != nullptr && userMask->view.width > 0 && userMask->view.height > 0) {
    mask = NewPlane(kWAType8Grey, userMask->view.width, userMask->view.height);
  }

  const bool report = header.progress != 0;
  // Slots 0..3 hold the chunks of the three colours and the transparency,
  // 4..7 their decoded bands; the user mask reuses the transparency's.
  const int band = BandRows(width);
  const auto bands = [&](const ChannelHead& head, int slot) {
    return std::make_unique<ChannelBands>(
        head, in.scratch.Get(slot, ChannelBands::ChunkBytes(head.view)),
        in.scratch.Get(4 + slot, static_cast<std::size_t>(band) * ChannelBands::RowStride(head.view.width)));
  };
  std::unique_ptr<ChannelBands> colourBands[3];
  for (int c = 0; c < colours; ++c) {
    if (colour[c] != nullptr) colourBands[c] = bands(*colour[c], c);
  }
  std::unique_ptr<ChannelBands> transparencyBands = transparency != nullptr ? bands(*transparency, 3) : nullptr;
  // A colour channel the file lacks stays 0.
  std::uint8_t* zeros = in.scratch.Get(8, static_cast<std::size_t>(width));
  std::memset(zeros, 0, static_cast<std::size_t>(width));
  for (int y0 = 0; y0 < height; y0 += band) {
    const int y1 = std::min(height, y0 + band);
    for (int c = 0; c < colours; ++c) {
      if (!colourBands[c]) continue;
      colourBands[c]->Decode(in, y0, y1);
      for (int y = y0; y < y1; ++y) {
        if (!Tick(header, report)) return 0;
      }
    }
    if (transparencyBands) {
      transparencyBands->Decode(in, y0, y1);
      for (int y = y0; y < y1; ++y) {
        if (!Tick(header, report)) return 0;
      }
    }
    const ReadStageScope stage(&LayeredReadProfile::join);
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* dst = image->Row(height - 1 - y);
      if (type == kWAType24) {
        const std::uint8_t* rows[3];
        for (int c = 0; c < 3; ++c) rows[c] = colourBands[c] ? colourBands[c]->Row(y) : zeros;
        JoinPixels(dst, rows[0], rows[1], rows[2], width);
      } else if (colourBands[0]) {
        CopyRow(dst, colourBands[0]->Row(y), width);
      }
      if (transparencyBands) CopyRow(alpha->Row(height - 1 - y), transparencyBands->Row(y), width);
    }
  }
  if (mask) {
    const int maskBand = BandRows(mask->GetW());
    ChannelBands maskBands(*userMask, in.scratch.Get(3, ChannelBands::ChunkBytes(userMask->view)),
                           in.scratch.Get(7, static_cast<std::size_t>(maskBand) *
                                                 ChannelBands::RowStride(mask->GetW())));
    for (int y0 = 0; y0 < mask->GetH(); y0 += maskBand) {
      const int y1 = std::min(mask->GetH(), y0 + maskBand);
      maskBands.Decode(in, y0, y1);
      const ReadStageScope stage(&LayeredReadProfile::join);
      for (int y = y0; y < y1; ++y) {
        CopyRow(mask->Row(mask->GetH() - 1 - y), maskBands.Row(y), mask->GetW());
        if (!Tick(header, report)) return 0;
      }
    }
  }
  for (std::uint64_t i = 0; i < droppedRows; ++i) {
    if (!Tick(header, report)) return 0;
  }
  in.Seek(blockStart + total);

  const std::uint8_t maskFlags = GetMaskFlags();
  if (userMask != nullptr) {
    // The user mask becomes part of the transparency, unless it is off.
    if ((maskFlags & kMaskDisabled) == 0) {
      const ReadStageScope stage(&LayeredReadProfile::maskFold);
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
