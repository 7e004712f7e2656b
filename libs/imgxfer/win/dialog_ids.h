// Control ids and captions of the library's own dialogs (tests drive them).
#pragma once

namespace lumora::imgxfer {

constexpr char kOptionsCaption[] = "Save Options";
constexpr char kInfoCaption[] = "File Information";
constexpr char kMessageCaption[] = "Lumora";

enum DialogControl : int {
  kIdJpegQuality = 1001,
  kIdJpegProgressive = 1002,
  kIdPngCompression = 1003,
  kIdPngInterlace = 1004,
  kIdBmpRle = 1005,
  kIdTgaRle = 1006,
  kIdTiffCompression = 1007,
  kIdInfoText = 1101,
};

}  // namespace lumora::imgxfer
