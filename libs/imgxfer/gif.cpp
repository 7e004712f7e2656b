// GIF over giflib: the first image of a file read as a palette image (its
// transparent colour made white), palette and grey images written; colour
// images are refused (reducing colours belongs to the GIF export).
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

namespace {

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(static_cast<MemoryCursor*>(gif->UserData)->Read(out, static_cast<std::size_t>(count)));
}

// Reads extensions up to the first image descriptor; the transparent
// index of its graphic control block, or -1.
bool SkipToFirstImage(GifFileType* gif, int* transparent) {
  *transparent = -1;
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
    if (record == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (record == TERMINATE_RECORD_TYPE) return false;
    if (record != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
      GraphicsControlBlock control;
      if (DGifExtensionToGCB(block[0], block + 1, &control) != GIF_ERROR) *transparent = control.TransparentColor;
    }
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
  }
}

int GifPalette(const GifFileType* gif, int transparent, PALETTEENTRY* palette) {
  const ColorMapObject* map = gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
  if (map == nullptr) {
    FillGreyRamp(palette);
    return 256;
  }
  const int count = map->ColorCount < 256 ? map->ColorCount : 256;
  for (int i = 0; i < count; ++i) {
    palette[i] = PALETTEENTRY{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue, 0};
  }
  if (transparent >= 0 && transparent < count) palette[transparent] = PALETTEENTRY{255, 255, 255, 0};
  return count;
}

// A line giflib cannot give: the data ended early, or is damaged.
bool LineFailed(const GifFileType* gif, ImageSink& sink) {
  if (gif->Error == D_GIF_ERR_READ_FAILED || gif->Error == D_GIF_ERR_EOF_TOO_SOON) return sink.Truncated("GIF");
  return sink.Fail("The GIF data is damaged.");
}

// Rows in file order; interlaced files give the rows of each pass in turn.
bool DecodeGifRows(GifFileType* gif, ImageSink& sink) {
  const int width = gif->Image.Width, height = gif->Image.Height;
  std::vector<std::uint8_t> row;
  if (!sink.Take(row, sink.bytesPerLine())) return false;
  if (!gif->Image.Interlace) {
    for (int y = 0; y < height; ++y) {
      if (DGifGetLine(gif, row.data(), width) == GIF_ERROR) return LineFailed(gif, sink);
      if (!sink.PutRow(y, row.data())) return false;
    }
    return true;
  }
  std::vector<std::uint8_t> image;
  if (!sink.Take(image, static_cast<std::uint64_t>(width) * height)) return false;
  static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) {
      if (DGifGetLine(gif, image.data() + static_cast<std::size_t>(y) * width, width) == GIF_ERROR) {
        return LineFailed(gif, sink);
      }
    }
    if (!sink.DecodeProgress(pass + 1, 4)) return false;
  }
  for (int y = 0; y < height; ++y) {
    std::memcpy(row.data(), image.data() + static_cast<std::size_t>(y) * width, width);
    if (!sink.PutRow(y, row.data())) return false;
  }
  return true;
}

// LZW's largest expansion: a code of 12 bits gives at most 4096 pixels.
constexpr std::uint64_t kLzwMostPixelsPerByte = 4096 * 8 / 12 + 1;

bool DecodeGif(GifFileType* gif, const MemoryCursor& input, ImageSink& sink) {
  int transparent = -1;
  if (!SkipToFirstImage(gif, &transparent)) return sink.Fail("The GIF file holds no readable image.");
  // Before anything is made: data that can hold the image.
  const std::uint64_t left = input.size - std::min(input.position, input.size);
  if (SideSizesAllowed(gif->Image.Width, gif->Image.Height) &&
      left * kLzwMostPixelsPerByte < static_cast<std::uint64_t>(gif->Image.Width) * gif->Image.Height) {
    return sink.Truncated("GIF");
  }
  PALETTEENTRY palette[256] = {};
  const int count = GifPalette(gif, transparent, palette);
  const int type = IsIdentityGreyPalette(palette, count) ? kType8Grey : kType8Palette;
  if (!sink.Start(gif->Image.Width, gif->Image.Height, type, palette, count, 0, 0)) return false;
  return DecodeGifRows(gif, sink);
}

bool ReadGif(const std::uint8_t* data, std::size_t size, ImageSink& sink) {
  MemoryCursor input{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&input, ReadGifBytes, &error);
  if (gif == nullptr) return sink.Fail("The GIF header is damaged.");
  const bool ok = DecodeGif(gif, input, sink);
  DGifCloseFile(gif, &error);
  return ok;
}

bool MatchesGif(const std::uint8_t* data, std::size_t size) {
  return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

int WriteGifBytes(GifFileType* gif, const GifByteType* data, int count) {
  auto* file = static_cast<std::FILE*>(gif->UserData);
  return WriteBytes(file, data, static_cast<std::size_t>(count)) ? count : 0;
}

bool EncodeGif(GifFileType* gif, ImageSource& s) {
  const int bits = s.bitsPerPixel;
  std::vector<GifColorType> colours(static_cast<std::size_t>(1) << bits);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] = GifColorType{s.palette[i].peRed, s.palette[i].peGreen, s.palette[i].peBlue};
  }
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  if (map == nullptr) return false;
  const bool header = EGifPutScreenDesc(gif, s.width, s.height, bits, 0, map) != GIF_ERROR &&
                      EGifPutImageDesc(gif, 0, 0, s.width, s.height, false, nullptr) != GIF_ERROR;
  GifFreeMapObject(map);
  if (!header) return false;
  std::vector<std::uint8_t> indexes(static_cast<std::size_t>(s.width));
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* row = s.Row(y);
    if (row == nullptr) return false;
    if (bits < 8) {
      UnpackIndexes(row, s.width, bits, indexes.data());
    } else {
      std::memcpy(indexes.data(), row, indexes.size());
    }
    if (EGifPutLine(gif, indexes.data(), s.width) == GIF_ERROR) return false;
  }
  return true;
}

bool WriteGif(std::FILE* file, ImageSource& source, const ImExpSaveOptions&) {
  int error = 0;
  GifFileType* gif = EGifOpen(file, WriteGifBytes, &error);
  if (gif == nullptr) return false;
  const bool ok = EncodeGif(gif, source);
  return EGifCloseFile(gif, &error) != GIF_ERROR && ok;
}

}  // namespace

const Codec kGifCodec = {"GIF",      "CompuServe GIF (*.gif)", "*.gif", MatchesGif, ReadGif, WriteGif,
                         kType1 | kType4Bit | kType8Palette | kType8Grey,
                         kType1 | kType4Bit | kType8Palette | kType8Grey};

}  // namespace lumora::imgxfer
