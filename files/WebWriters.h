// The GIF and PNG writers of the web export and their size estimates. The
// result image is never changed: the selection fill and the transparent
// index go into a prepared copy, which the file and the estimate both
// write, so an estimate equals the size of the file saved with the same
// settings.
#pragma once

#include <cstdint>
#include <string>

#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "platform/stream_file.h"
#include "platform/win32types.h"

namespace lumora {

struct WebWriteOptions {
  int interlace = 0;              // PNG: Adam7
  int useTransparent = 0;         // "&Use transparent color"
  int selectionTransparent = 0;   // "Set &selection transparent"
  const Fragment* selection = nullptr;
  int transparentIndex = -1;      // the picked palette index, -1 when none was picked
  COLORREF transparencyColour = 0;  // red in the low byte
};

// What is written: the image (the result itself, or a filled copy) and its
// transparency.
struct PreparedWebImage {
  WAPtr image;
  int transparentIndex = -1;  // paletted images; -1: none
  bool colourKey = false;     // 24-bit images: `key` is transparent
  RGBQUAD key{};              // blue, green, red
};

// Applies the selection fill to a copy when it is asked for. Paletted
// images with a selection to make transparent get a palette index of their
// own (an unused one; a 1- or 4-bit image with none free is widened to the
// next depth, an 8-bit one frees its least used index by moving its pixels
// to the nearest other entry). Null image when memory runs out.
PreparedWebImage PrepareWebImage(VrWA2000::WA* result, const WebWriteOptions& options);

// Encoders into a stream; false with `error` set.
bool EncodePNG(StreamFile& out, const PreparedWebImage& image, int interlace, std::string* error);
bool EncodeGIF(StreamFile& out, const PreparedWebImage& image, std::string* error);

// The writers: the file appears whole or not at all.
bool WriteWebPNG(const std::string& path, VrWA2000::WA* result, const WebWriteOptions& options, std::string* error);
bool WriteWebGIF(const std::string& path, VrWA2000::WA* result, const WebWriteOptions& options, std::string* error);

// Sizes of the files the writers would write, encoded in memory; 0 when
// the image cannot be encoded.
std::uint64_t EstimateWebPNG(VrWA2000::WA* result, const WebWriteOptions& options);
std::uint64_t EstimateWebGIF(VrWA2000::WA* result, const WebWriteOptions& options);

}  // namespace lumora
