// The two interfaces through which the file-format and animated-GIF
// libraries hand images to the program and take images from it, and the
// progress callback they report through.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32types.h"

// -1 opens the indicator, -2 closes it, any other code is a position out of
// `total`; a result of 0 means the user cancelled.
using PROGRESSPROC = int (*)(int code, int total);

// Called by the file-format library while it decodes a file. Every
// operation returns 0 for success. Image and sub-image indexes exist for
// multi-image formats; single-image implementations ignore them.
class CAbstractReadWA {
 public:
  virtual ~CAbstractReadWA() = default;
  virtual int SetImageCount(int count) = 0;
  virtual int SetSubImageCount(int image, int count) = 0;
  virtual int SetSize(int image, int subImage, int width, int height) = 0;
  virtual int SetType(int image, int subImage, int type) = 0;
  virtual int SetPalette(int image, int subImage, const PALETTEENTRY* entries, int count) = 0;
  virtual int SetResolution(int image, int subImage, int xDpi, int yDpi) = 0;
  virtual int PutRow(int image, int subImage, int row, const std::uint8_t* bytes) = 0;
  // The ICC colour profile the file embeds (given before the first row, only
  // when there is one). 0 when kept; an adapter that keeps no profile
  // answers 1 and the image is read without it.
  virtual int SetColorProfile(int image, const std::uint8_t* bytes, std::size_t size) { return 1; }
};

// Called by the export libraries while they encode. Every operation returns
// 0 for success.
class CAbstractWriteWA {
 public:
  virtual ~CAbstractWriteWA() = default;
  virtual int GetImageCount(int* count) = 0;
  virtual int GetSubImageCount(int image, int* count) = 0;
  virtual int GetSize(int image, int subImage, int* width, int* height) = 0;
  virtual int GetType(int image, int subImage, int* type) = 0;
  // `out` has room for 1 << bits per pixel entries.
  virtual int GetPalette(int image, int subImage, PALETTEENTRY* out) = 0;
  virtual int GetResolution(int image, int subImage, int* x, int* y) = 0;
  // `out` has room for one row of bytes per line.
  virtual int GetRow(int image, int subImage, int row, std::uint8_t* out) = 0;
  // The ICC colour profile to embed: 0 with `bytes` and `size` set (valid
  // while the adapter lives), 1 when the image has none.
  virtual int GetColorProfile(int image, const std::uint8_t** bytes, std::size_t* size) { return 1; }
};

// The progress object the file-format library reports through while it
// reads or writes one file: Begin and End around the work, Step for each
// position out of total, whose answer 0 cancels.
class CProgress {
 public:
  virtual ~CProgress() = default;
  virtual void Begin() = 0;
  virtual void End() = 0;
  virtual int Step(int position, int total) = 0;
};
