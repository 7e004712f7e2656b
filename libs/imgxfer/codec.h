// What every codec of the file-format library shares: the sink a reader
// fills, the source a writer drains, and the codec descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hostapi/imgxfer.h"

namespace lumora::imgxfer {

// Larger images are refused before anything is allocated.
constexpr int kMaxSide = 30000;
// Larger embedded colour profiles are left out when reading.
constexpr std::size_t kMaxColorProfileBytes = 16u << 20;
// True for an ICC profile header: size field equal to `size`, signature
// "acsp". `space` receives the data colour space ("RGB ", "GRAY", ...).
bool IsIccProfile(const std::uint8_t* bytes, std::size_t size, std::uint32_t* space);
constexpr std::uint32_t kIccRgb = 0x52474220;   // 'RGB '
constexpr std::uint32_t kIccGrey = 0x47524159;  // 'GRAY'
// Resolution given to images whose file holds none.
constexpr int kDefaultDpi = 72;

// Image type codes of the exchange interface.
enum : int { kType1 = 1, kType4Bit = 2, kType8Palette = 4, kType8Grey = 8, kType24 = 16 };
constexpr unsigned kAllTypes = kType1 | kType4Bit | kType8Palette | kType8Grey | kType24;

int BitsOfType(int type);
// Bytes of one row padded to 32 bits; 0 for an unknown type.
int BytesPerLine(int type, int width);
// True for 1..kMaxSide by 1..kMaxSide.
bool SideSizesAllowed(std::int64_t width, std::int64_t height);
// The 256-entry grey ramp of type 8.
void FillGreyRamp(PALETTEENTRY* palette);
// True when the palette is 256 entries with entry i = (i, i, i).
bool IsIdentityGreyPalette(const PALETTEENTRY* palette, int count);
// Packs one 8-bit index a byte into 1 or 4 bits a pixel, first pixel high.
void PackIndexes(const std::uint8_t* indexes, int width, int bits, std::uint8_t* out);
// Unpacks 1, 2 or 4 bits a pixel (first pixel high) into one byte each.
void UnpackIndexes(const std::uint8_t* packed, int width, int bits, std::uint8_t* out);
// (a * b) / 255 rounded, exact for a, b in 0..255: the rounding division by
// 255 of a product, (x + 128 + ((x + 128) >> 8)) >> 8.
inline std::uint8_t MulDiv255(unsigned a, unsigned b) {
  const unsigned x = a * b + 128;
  return static_cast<std::uint8_t>((x + (x >> 8)) >> 8);
}
// Colour c with coverage a over white: c a / 255 + 255 - a.
inline std::uint8_t OverWhite(unsigned c, unsigned a) {
  return static_cast<std::uint8_t>(MulDiv255(c, a) + 255 - a);
}
std::uint32_t DpiFromPixelsPerMeter(std::uint32_t ppm);
std::uint32_t PixelsPerMeterFromDpi(std::uint32_t dpi);

// Reports about 100 steps of a job to the caller's progress object.
class ProgressTicker {
 public:
  explicit ProgressTicker(CProgress* progress) : progress_(progress) {}
  // False when the user cancelled.
  bool Step(std::int64_t done, std::int64_t total);

 private:
  CProgress* progress_;
  int lastPercent_ = -1;
};

// The first failure of a job: a status and a message a user can read.
struct Failure {
  ImExpStatus status = kImExpOk;
  std::string message;
  bool Set(ImExpStatus s, std::string text) {
    if (status == kImExpOk) {
      status = s;
      message = std::move(text);
    }
    return false;
  }
};

// Working memory of a reader or writer, counted against the program's
// pixel-memory cap for as long as the claim lives.
class MemoryClaim {
 public:
  MemoryClaim() = default;
  MemoryClaim(const MemoryClaim&) = delete;
  MemoryClaim& operator=(const MemoryClaim&) = delete;
  ~MemoryClaim() { Release(); }
  // Adds `bytes` to the claim; false, the claim unchanged, when the cap
  // refuses them.
  bool Add(std::uint64_t bytes);
  void Release();
  // What the cap has left (all memory when there is no cap).
  static std::uint64_t Available();

 private:
  std::uint64_t bytes_ = 0;
};

// Where a reader delivers the image: checks the size, hands the adapter the
// header facts, turns top-down row numbers into the adapter's bottom-up
// ones and reports progress.
class ImageSink {
 public:
  ImageSink(CAbstractReadWA& adapter, CProgress* progress, Failure& failure)
      : adapter_(adapter), ticker_(progress), failure_(failure) {}

  // Declares the image. `palette` may be null (grey ramp for type 8).
  // False, with the failure set, when refused.
  bool Start(std::int64_t width, std::int64_t height, int type, const PALETTEENTRY* palette,
             int paletteCount, int xDpi, int yDpi);
  // Row `y` counted from the top, `BytesPerLine` bytes in the type's
  // layout; rows may come in any order, each once.
  bool PutRow(int y, const std::uint8_t* row);
  // Progress of work done before rows are delivered (a whole-image
  // decode): the first half of the bar, delivering the rows the second.
  bool DecodeProgress(std::int64_t done, std::int64_t total);
  bool Fail(const std::string& message) { return failure_.Set(kImExpFailed, message); }
  // The file's embedded ICC profile, after Start and before the first row:
  // handed on when it is plausible (an ICC header, its declared size, at
  // most kMaxColorProfileBytes); otherwise the image is read without it.
  void PutColorProfile(const std::uint8_t* bytes, std::size_t size);
  // The stream ended before the image did.
  bool Truncated(const char* format) {
    return Fail(std::string("The ") + format + " data ends before the image does: the file is damaged.");
  }
  // `count` zeroed elements in `buffer`, counted against the memory cap
  // until the read ends; false, with the failure set, when refused.
  template <typename T>
  bool Take(std::vector<T>& buffer, std::uint64_t count) {
    if (count > SIZE_MAX / sizeof(T) || !claim_.Add(count * sizeof(T))) return NoMemory();
    buffer.assign(static_cast<std::size_t>(count), T{});
    return true;
  }
  // Counts memory the codec library holds for the read.
  bool Claim(std::uint64_t bytes) { return claim_.Add(bytes) || NoMemory(); }
  bool NoMemory();

  int width() const { return width_; }
  int height() const { return height_; }
  int type() const { return type_; }
  int bytesPerLine() const { return bytesPerLine_; }
  bool started() const { return started_; }

 private:
  CAbstractReadWA& adapter_;
  ProgressTicker ticker_;
  Failure& failure_;
  MemoryClaim claim_;
  bool Progress(std::int64_t done, std::int64_t total);

  bool started_ = false;
  bool decodedFirst_ = false;
  int width_ = 0, height_ = 0, type_ = 0, bytesPerLine_ = 0;
  std::int64_t rowsDelivered_ = 0;
};

// Where a writer takes the image from: the adapter's header facts, rows
// counted from the top, progress.
class ImageSource {
 public:
  ImageSource(CAbstractWriteWA& adapter, CProgress* progress, Failure& failure)
      : adapter_(adapter), ticker_(progress), failure_(failure) {}

  // Reads size, type, palette and resolution; false when unusable.
  bool Open();
  // Row `y` counted from the top; null when the user cancelled.
  const std::uint8_t* Row(int y);
  bool Fail(const std::string& message) { return failure_.Set(kImExpFailed, message); }

  int width = 0, height = 0, type = 0, bitsPerPixel = 0, bytesPerLine = 0;
  int xDpi = kDefaultDpi, yDpi = kDefaultDpi;
  int paletteCount = 0;
  PALETTEENTRY palette[256] = {};
  // The ICC profile to embed, empty for none: one whose colour space suits
  // the written type (RGB, grey for grey images), else left out.
  std::vector<std::uint8_t> colorProfile;

 private:
  CAbstractWriteWA& adapter_;
  ProgressTicker ticker_;
  Failure& failure_;
  std::vector<std::uint8_t> row_;
  int rowsTaken_ = 0;
};

// One file format. `matches` null: recognised by extension only.
struct Codec {
  const char* name;         // short name in messages and file information
  const char* description;  // "Windows Bitmap (*.bmp;*.dib)"
  const char* patterns;     // "*.bmp;*.dib"
  bool (*matches)(const std::uint8_t* data, std::size_t size);
  bool (*read)(const std::uint8_t* data, std::size_t size, ImageSink& sink);
  bool (*write)(std::FILE* file, ImageSource& source, const ImExpSaveOptions& options);
  unsigned typesHeld;  // bit mask of the type codes written without conversion
  unsigned typesWritten;  // bit mask of the type codes the writer accepts
};

extern const Codec kBmpCodec, kPngCodec, kJpegCodec, kGifCodec, kTgaCodec, kTiffCodec;
// Every codec in list order.
const std::vector<const Codec*>& AllCodecs();
// The codec whose patterns hold the extension of `path`; null when none.
const Codec* CodecForExtension(const std::string& path);
// The codec that recognises the content, else the one of the extension for
// formats without a signature; null when none.
const Codec* CodecForContent(const std::uint8_t* data, std::size_t size, const std::string& path);

// Reads an image held in memory; the status of the job.
ImExpStatus ReadFromMemory(const std::uint8_t* data, std::size_t size, const std::string& path,
                           CAbstractReadWA& adapter, CProgress* progress, std::string* message);
// Writes with the codec into an open file; the status of the job.
ImExpStatus WriteToStream(std::FILE* file, const Codec& codec, CAbstractWriteWA& adapter,
                          CProgress* progress, const ImExpSaveOptions& options, std::string* message);

// Bytes of a file held in memory, handed out from a position.
struct MemoryCursor {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  // Copies up to `count` bytes; how many there were.
  std::size_t Read(void* out, std::size_t count);
};

// Writes through the stdio stream; false when the stream reported an error.
bool WriteBytes(std::FILE* file, const void* data, std::size_t size);

}  // namespace lumora::imgxfer
