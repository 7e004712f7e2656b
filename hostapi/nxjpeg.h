// The JPEG codec library: a compressor that takes image rows and writes
// JPEG to an output stream, and a header reader and decompressor that read
// it back from an input stream. Faults throw NxException.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// A codec fault: a corrupt stream, a failing stream or bad parameters.
class NxException : public std::runtime_error {
 public:
  explicit NxException(const std::string& message) : std::runtime_error(message) {}
};
// An index beyond an encoder or decoder information array.
class NxRangeExcept : public NxException {
 public:
  NxRangeExcept() : NxException("index out of range") {}
};

// Where compressed bytes go. Write and Flush may throw; the codec reports
// the fault as NxException.
class NxJOStream {
 public:
  virtual ~NxJOStream() = default;
  virtual void Write(const void* buffer, std::uint32_t count) = 0;
  virtual void Flush() = 0;
};

// Where compressed bytes come from.
class NxJIStream {
 public:
  virtual ~NxJIStream() = default;
  // A new stream over the same bytes at the same read position.
  virtual NxJIStream* Clone() const = 0;
  // Copies up to `count` bytes; returns how many (0 at the end).
  virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
};

// Colour-space codes of the parameter records.
enum : std::int32_t { kNxJGrey = 1, kNxJRGB = 2 };
// Scan modes.
enum : std::int32_t { kNxJSequential = 0, kNxJProgressive = 2 };

// What the compressor is given. Rows handed to it hold `components` bytes
// a pixel, red, green, blue for kNxJRGB.
struct NxJCompressParams {
  std::int32_t precision = 8;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t components = 3;
  std::int32_t colourSpace = kNxJRGB;
  std::int32_t scanMode = kNxJSequential;
  std::int32_t baseline = 1;  // quantisation tables limited to 8-bit values
  std::int32_t optimize = 0;  // optimised Huffman tables
  std::int16_t reserved16 = 0;
  // Horizontal and vertical sampling per component (null: the codec's default).
  const std::int32_t* sampling = nullptr;
  std::int32_t reserved = 0;
};

// Resolution units of the compressor.
enum : int { kNxJAspectOnly = 1, kNxJDotsPerInch = 2 };

class NxJCompressor {
 public:
  // quality 0..100; `densityUnit` kNxJAspectOnly or kNxJDotsPerInch with the
  // resolution xDensity x yDensity (0: 1 x 1); restartRows 0 for none;
  // `jfif` 1 writes the JFIF marker.
  NxJCompressor(NxJOStream* stream, const NxJCompressParams* params, int quality, int densityUnit, int xDensity,
                int yDensity, int restartRows, int jfif);
  // Completes the stream when Finish was not called; faults are dropped.
  ~NxJCompressor();
  NxJCompressor(const NxJCompressor&) = delete;
  NxJCompressor& operator=(const NxJCompressor&) = delete;

  // The next row, top row first.
  void PutNextImageRow(const std::uint8_t* row);
  // Writes the end of the image and flushes the stream.
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The description of a JPEG stream.
class NxJDInfoHeader {
 public:
  // Reads the header from a clone of `stream` (the stream itself keeps its
  // position); `full` 1 also reads the JFIF resolution.
  void OverrideFromStream(NxJIStream* stream, int full);
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t components = 0;
  std::int32_t colourSpace = 0;
  std::int32_t progressive = 0;
  std::int32_t densityUnit = 0;
  std::int32_t xDensity = 0;
  std::int32_t yDensity = 0;
  // Sampling factor `axis` (0 horizontal, 1 vertical) of a component;
  // NxRangeExcept beyond the components.
  std::int32_t Sampling(int component, int axis) const;
  std::int32_t sampling[4][2] = {};
};

// Output wishes of the decompressor: when `convert` is 1 the rows come out
// in `colourSpace`, else as the stream's own colour space.
struct NxJDOutputParams {
  std::int32_t scale = 0;  // 0 or 1: full size
  std::int32_t reserved = 0;
  std::int32_t convert = 0;
  std::int32_t colourSpace = 0;
};

class NxJDecompressor {
 public:
  NxJDecompressor(NxJIStream* stream, const NxJDOutputParams* output, NxJDInfoHeader* header, int reserved1,
                  int reserved2);
  ~NxJDecompressor();
  NxJDecompressor(const NxJDecompressor&) = delete;
  NxJDecompressor& operator=(const NxJDecompressor&) = delete;

  int OutputComponents() const;
  // The next decoded row, top row first; valid until the next call.
  const std::uint8_t* GetNextImageRow();

 private:
  struct State;
  std::unique_ptr<State> state_;
};
