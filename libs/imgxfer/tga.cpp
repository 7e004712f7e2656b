// TGA (recognised by extension): colour-mapped, true-colour and grey
// images, raw or run-length encoded, any origin, read a row at a time once
// the data is known to hold them all; 32-bit alpha and the 16-bit alpha
// bit composited over white. Written as colour-mapped, grey or 24-bit, optionally RLE.
#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

namespace {

struct TgaHeader {
  int idLength, mapType, imageType, mapFirst, mapLength, mapDepth;
  int width, height, depth, descriptor;
};

unsigned U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

TgaHeader ParseHeader(const std::uint8_t* p) {
  return TgaHeader{p[0], p[1], p[2], static_cast<int>(U16(p + 3)), static_cast<int>(U16(p + 5)), p[7],
                   static_cast<int>(U16(p + 12)), static_cast<int>(U16(p + 14)), p[16], p[17]};
}

// 5 bits to 8, rounded: v * 255 / 31.
std::uint8_t Five(unsigned v) { return static_cast<std::uint8_t>((v * 255 + 15) / 31); }

// One stored pixel or map entry of `depth` bits as blue, green, red, alpha.
// `useAlpha`: the alpha byte of 32 bits, the top bit of 16.
void DecodeColour(const std::uint8_t* p, int depth, bool useAlpha, std::uint8_t* bgra) {
  if (depth == 15 || depth == 16) {
    const unsigned v = U16(p);
    bgra[0] = Five(v & 31);
    bgra[1] = Five((v >> 5) & 31);
    bgra[2] = Five((v >> 10) & 31);
    bgra[3] = depth == 16 && useAlpha && (v & 0x8000) == 0 ? 0 : 255;
  } else {
    bgra[0] = p[0];
    bgra[1] = p[1];
    bgra[2] = p[2];
    bgra[3] = depth == 32 && useAlpha ? p[3] : 255;
  }
}

// The pixel stream, raw or run-length, handed out a few pixels at a time;
// run-length packets may cross rows.
class PixelStream {
 public:
  PixelStream(const std::uint8_t* data, std::size_t size, std::size_t at, bool rle, int bytes)
      : data_(data), size_(size), at_(at), rle_(rle), bytes_(static_cast<std::size_t>(bytes)) {}

  // The next `count` pixels into `out` (null: only walked over, calling
  // `seen` for each stored pixel); false when the data ends first.
  template <typename Seen>
  bool Next(std::size_t count, std::uint8_t* out, Seen seen) {
    if (!rle_) {
      if (at_ > size_ || (size_ - at_) / bytes_ < count) return false;
      if (out != nullptr) std::memcpy(out, data_ + at_, count * bytes_);
      for (std::size_t i = 0; out == nullptr && i < count; ++i) seen(data_ + at_ + i * bytes_);
      at_ += count * bytes_;
      return true;
    }
    while (count > 0) {
      if (left_ == 0 && !StartPacket(seen)) return false;
      const std::size_t n = std::min(left_, count);
      if (out != nullptr) {
        if (run_) {
          for (std::size_t i = 0; i < n; ++i) std::memcpy(out + i * bytes_, data_ + value_, bytes_);
        } else {
          std::memcpy(out, data_ + at_, n * bytes_);
        }
        out += n * bytes_;
      } else if (!run_) {
        for (std::size_t i = 0; i < n; ++i) seen(data_ + at_ + i * bytes_);
      }
      if (!run_) at_ += n * bytes_;
      left_ -= n;
      count -= n;
    }
    return true;
  }

 private:
  template <typename Seen>
  bool StartPacket(Seen seen) {
    if (at_ >= size_) return false;
    const unsigned packet = data_[at_++];
    left_ = (packet & 0x7F) + 1;
    run_ = (packet & 0x80) != 0;
    if (run_) {
      if (size_ - at_ < bytes_) return false;
      value_ = at_;
      seen(data_ + at_);
      at_ += bytes_;
      return true;
    }
    return (size_ - at_) / bytes_ >= left_;
  }

  const std::uint8_t* data_;
  std::size_t size_, at_;
  bool rle_;
  std::size_t bytes_;
  std::size_t left_ = 0;  // pixels left in the current packet
  bool run_ = false;
  std::size_t value_ = 0;  // where a run's pixel lies
};

bool ReadTga(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  if (size < 18) return sink.Fail("The TGA header is damaged.");
  const TgaHeader h = ParseHeader(data);
  const int kind = h.imageType & ~8;
  const bool rle = (h.imageType & 8) != 0;
  const bool mapped = kind == 1, grey = kind == 3;
  const bool depthOk = mapped ? h.depth == 8 && h.mapType == 1
                      : grey  ? h.depth == 8 || h.depth == 16
                              : kind == 2 && (h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32);
  if (!depthOk) return sink.Fail("This kind of TGA image is not supported.");
  const int mapBytes = (h.mapDepth + 7) / 8;
  std::size_t at = 18 + static_cast<std::size_t>(h.idLength);
  PALETTEENTRY palette[256] = {};
  if (h.mapType == 1) {
    const std::size_t mapSize = static_cast<std::size_t>(h.mapLength) * mapBytes;
    if (at + mapSize > size) return sink.Fail("The TGA colour map is damaged.");
    if (mapped) {
      const bool entryOk = h.mapDepth == 15 || h.mapDepth == 16 || h.mapDepth == 24 || h.mapDepth == 32;
      if (h.mapFirst + h.mapLength > 256 || !entryOk) {
        return sink.Fail("The TGA colour map is damaged.");
      }
      for (int i = 0; i < h.mapLength; ++i) {
        std::uint8_t c[4];
        DecodeColour(data + at + static_cast<std::size_t>(i) * mapBytes, h.mapDepth, false, c);
        palette[h.mapFirst + i] = PALETTEENTRY{c[2], c[1], c[0], 0};
      }
    }
    at += mapSize;
  }
  if (!SideSizesAllowed(h.width, h.height)) return sink.Start(h.width, h.height, kType24, nullptr, 0, 0, 0);
  const int bytes = (h.depth + 7) / 8;
  // Before anything is made: the data must hold every pixel. Writers that
  // declare the 16-bit alpha bit and leave it clear everywhere mean an
  // opaque picture, so the bit counts only when some pixel sets it.
  bool alphaBitSet = false;
  const bool alphaBitDeclared = kind == 2 && h.depth == 16 && (h.descriptor & 0x0F) == 1;
  auto seen = [&](const std::uint8_t* p) { alphaBitSet = alphaBitSet || (p[1] & 0x80) != 0; };
  auto ignore = [](const std::uint8_t*) {};
  PixelStream check(data, size, at, rle, bytes);
  const std::size_t count = static_cast<std::size_t>(h.width) * h.height;
  if (!(alphaBitDeclared ? check.Next(count, nullptr, seen) : check.Next(count, nullptr, ignore))) {
    return sink.Truncated("TGA");
  }
  int type = mapped ? kType8Palette : grey ? kType8Grey : kType24;
  if (mapped && IsIdentityGreyPalette(palette, 256)) type = kType8Grey;
  if (!sink.Start(h.width, h.height, type, palette, 256, 0, 0)) return false;
  const bool topDown = (h.descriptor & 0x20) != 0, rightToLeft = (h.descriptor & 0x10) != 0;
  const bool useAlpha = h.depth == 16 ? alphaBitSet : (h.descriptor & 0x0F) == 8;
  PixelStream pixels(data, size, at, rle, bytes);
  std::vector<std::uint8_t> stored, row;
  if (!sink.Take(stored, static_cast<std::uint64_t>(h.width) * bytes) || !sink.Take(row, sink.bytesPerLine())) {
    return false;
  }
  for (int r = 0; r < h.height; ++r) {
    if (!pixels.Next(static_cast<std::size_t>(h.width), stored.data(), ignore)) return sink.Truncated("TGA");
    for (int x = 0; x < h.width; ++x) {
      const std::uint8_t* p = stored.data() + static_cast<std::size_t>(rightToLeft ? h.width - 1 - x : x) * bytes;
      if (type != kType24) {
        row[x] = grey && h.depth == 16 ? OverWhite(p[0], p[1]) : p[0];
        continue;
      }
      std::uint8_t c[4];
      DecodeColour(p, h.depth, useAlpha, c);
      for (int i = 0; i < 3; ++i) row[3 * x + i] = OverWhite(c[i], c[3]);
    }
    if (!sink.PutRow(topDown ? r : h.height - 1 - r, row.data())) return false;
  }
  return true;
}

// Runs of 2 or more equal pixels as run packets, the rest as raw packets;
// packets never cross a row.
void EncodeRleRow(const std::uint8_t* pixels, int width, int bytes, std::vector<std::uint8_t>& out) {
  auto same = [&](int a, int b) { return std::memcmp(pixels + a * bytes, pixels + b * bytes, bytes) == 0; };
  int x = 0;
  while (x < width) {
    int run = 1;
    while (x + run < width && run < 128 && same(x, x + run)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), pixels + x * bytes, pixels + (x + 1) * bytes);
      x += run;
      continue;
    }
    int raw = 1;
    while (x + raw < width && raw < 128 && !(x + raw + 1 < width && same(x + raw, x + raw + 1))) ++raw;
    out.push_back(static_cast<std::uint8_t>(raw - 1));
    out.insert(out.end(), pixels + x * bytes, pixels + (x + raw) * bytes);
    x += raw;
  }
}

bool WriteTga(std::FILE* file, ImageSource& s, const ImExpSaveOptions& options) {
  const bool mapped = s.type != kType8Grey && s.type != kType24;
  const int bytes = s.type == kType24 ? 3 : 1;
  const int mapLength = mapped ? 1 << s.bitsPerPixel : 0;
  std::uint8_t header[18] = {};
  header[1] = mapped ? 1 : 0;
  header[2] = static_cast<std::uint8_t>((mapped ? 1 : s.type == kType8Grey ? 3 : 2) | (options.tgaRle > 0 ? 8 : 0));
  header[5] = static_cast<std::uint8_t>(mapLength & 0xFF);
  header[6] = static_cast<std::uint8_t>(mapLength >> 8);
  header[7] = mapped ? 24 : 0;
  header[12] = static_cast<std::uint8_t>(s.width & 0xFF);
  header[13] = static_cast<std::uint8_t>(s.width >> 8);
  header[14] = static_cast<std::uint8_t>(s.height & 0xFF);
  header[15] = static_cast<std::uint8_t>(s.height >> 8);
  header[16] = static_cast<std::uint8_t>(bytes * 8);
  header[17] = 0x20;  // rows from the top
  std::vector<std::uint8_t> out(header, header + 18);
  for (int i = 0; i < mapLength; ++i) {
    out.insert(out.end(), {s.palette[i].peBlue, s.palette[i].peGreen, s.palette[i].peRed});
  }
  if (!WriteBytes(file, out.data(), out.size())) return false;
  std::vector<std::uint8_t> indexes(static_cast<std::size_t>(s.width));
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* row = s.Row(y);
    if (row == nullptr) return false;
    if (mapped && s.bitsPerPixel < 8) {
      UnpackIndexes(row, s.width, s.bitsPerPixel, indexes.data());
      row = indexes.data();
    }
    out.clear();
    if (options.tgaRle > 0) {
      EncodeRleRow(row, s.width, bytes, out);
    } else {
      out.assign(row, row + static_cast<std::size_t>(s.width) * bytes);
    }
    if (!WriteBytes(file, out.data(), out.size())) return false;
  }
  return true;
}

}  // namespace

const Codec kTgaCodec = {"TGA",   "Truevision Targa (*.tga)", "*.tga", nullptr, ReadTga, WriteTga,
                         kType8Palette | kType8Grey | kType24,
                         kAllTypes};

}  // namespace lumora::imgxfer
