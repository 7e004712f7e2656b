// GIF writing over giflib: the output goes through our streams, rows leave
// top first (image buffers count rows from the bottom), packed pixels are
// spread to one index a byte.
#include "hostapi/gifseq.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "hostapi/imagebuf.h"

struct GifSeqHandle {
  lumora::StreamFile* stream = nullptr;
  std::unique_ptr<lumora::DiskFile> ownFile;
  GifFileType* gif = nullptr;
  int colours = 0;
  bool failed = false;
  std::string error;

  int Fail(std::string message) {
    if (!failed) error = std::move(message);
    failed = true;
    return 0;
  }
};

namespace {

int WriteToStream(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* handle = static_cast<GifSeqHandle*>(gif->UserData);
  try {
    handle->stream->Write(bytes, static_cast<std::uint32_t>(count));
  } catch (const std::exception& e) {
    handle->Fail(e.what());
    return 0;
  }
  return count;
}

int ColourCountOfType(int type) {
  switch (type) {
    case kWAType1Bit: return 2;
    case kWAType4Bit: return 16;
    case kWAType8Palette:
    case kWAType8Grey: return 256;
    default: return 0;
  }
}

std::string GifMessage(const char* what, int code) {
  const char* text = GifErrorString(code);
  return std::string(what) + ": " + (text != nullptr ? text : "GIF error");
}

// One row of indices from a row of the image's type.
void SpreadRow(const std::uint8_t* row, int type, int width, GifPixelType* out) {
  if (type == kWAType1Bit) {
    for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  } else if (type == kWAType4Bit) {
    for (int x = 0; x < width; ++x) out[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
  } else {
    std::copy(row, row + width, out);
  }
}

}  // namespace

GifSeqHandle* initReadWrite() { return new (std::nothrow) GifSeqHandle; }

void SetGifSeqStream(GifSeqHandle* handle, lumora::StreamFile* stream) {
  if (handle != nullptr) handle->stream = stream;
}

int WriteFileHeader(const char* path, CAbstractWriteWA* writer, int loop, int version, const PALETTEENTRY* palette,
                    int, GifSeqHandle* handle) {
  if (handle == nullptr || writer == nullptr || handle->gif != nullptr) return 0;
  int width = 0, height = 0, type = 0;
  if (writer->GetSize(0, 0, &width, &height) != 0 || writer->GetType(0, 0, &type) != 0 || width <= 0 ||
      height <= 0 || width > 65535 || height > 65535) {
    return handle->Fail("The image cannot be written as GIF.");
  }
  handle->colours = ColourCountOfType(type);
  if (handle->colours == 0) return handle->Fail("Only images of 256 colours or fewer can be written as GIF.");
  PALETTEENTRY own[256] = {};
  if (palette == nullptr) {
    if (writer->GetPalette(0, 0, own) != 0) return handle->Fail("The image has no palette.");
    palette = own;
  }
  if (handle->stream == nullptr) {
    if (path == nullptr) return handle->Fail("No file name.");
    try {
      handle->ownFile = std::make_unique<lumora::DiskFile>(path, lumora::DiskFile::kCreateWrite);
    } catch (const std::exception& e) {
      return handle->Fail(e.what());
    }
    handle->stream = handle->ownFile.get();
  }
  int code = 0;
  handle->gif = EGifOpen(handle, WriteToStream, &code);
  if (handle->gif == nullptr) return handle->Fail(GifMessage("EGifOpen", code));
  EGifSetGifVersion(handle->gif, version == 2);
  std::vector<GifColorType> colours(handle->colours);
  for (int i = 0; i < handle->colours; ++i) colours[i] = {palette[i].peRed, palette[i].peGreen, palette[i].peBlue};
  ColorMapObject* map = GifMakeMapObject(handle->colours, colours.data());
  if (map == nullptr) return handle->Fail("Out of memory.");
  const int bits = handle->colours == 2 ? 1 : (handle->colours == 16 ? 4 : 8);
  const int ok = EGifPutScreenDesc(handle->gif, width, height, bits, 0, map);
  GifFreeMapObject(map);
  if (ok != GIF_OK) return handle->Fail(GifMessage("EGifPutScreenDesc", handle->gif->Error));
  if (loop != 0) {
    const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loopBlock[] = {1, 0, 0};
    if (EGifPutExtensionLeader(handle->gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(handle->gif, sizeof netscape, netscape) != GIF_OK ||
        EGifPutExtensionBlock(handle->gif, sizeof loopBlock, loopBlock) != GIF_OK ||
        EGifPutExtensionTrailer(handle->gif) != GIF_OK) {
      return handle->Fail(GifMessage("loop extension", handle->gif->Error));
    }
  }
  return 1;
}

int WriteAnimGIFframe(const char*, CAbstractWriteWA* writer, int image, int left, int top, int delay,
                      int transparent, int disposal, const PALETTEENTRY*, int, GifSeqHandle* handle) {
  if (handle == nullptr || handle->gif == nullptr || handle->failed || writer == nullptr) return 0;
  // The writer counts images from 1 here, as the sequence does; a single
  // image is image 0 of the writer.
  const int index = std::max(image - 1, 0);
  int width = 0, height = 0, type = 0;
  if (writer->GetSize(index, 0, &width, &height) != 0 || writer->GetType(index, 0, &type) != 0 ||
      ColourCountOfType(type) == 0) {
    return handle->Fail("The frame cannot be written as GIF.");
  }
  GraphicsControlBlock control{};
  control.DisposalMode = disposal;
  control.DelayTime = delay;
  control.TransparentColor = (transparent >= 0 && transparent < handle->colours) ? transparent : NO_TRANSPARENT_COLOR;
  GifByteType block[4];
  const std::size_t length = EGifGCBToExtension(&control, block);
  if (EGifPutExtension(handle->gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) != GIF_OK ||
      EGifPutImageDesc(handle->gif, left, top, width, height, false, nullptr) != GIF_OK) {
    return handle->Fail(GifMessage("frame header", handle->gif->Error));
  }
  const int bytesPerLine = static_cast<int>(VrWA2000::BytesPerLineOf(type, width));
  std::vector<std::uint8_t> row(bytesPerLine);
  std::vector<GifPixelType> line(width);
  for (int y = height - 1; y >= 0; --y) {
    if (writer->GetRow(index, 0, y, row.data()) != 0) return handle->Fail("A row of the image cannot be read.");
    SpreadRow(row.data(), type, width, line.data());
    if (EGifPutLine(handle->gif, line.data(), width) != GIF_OK) {
      return handle->Fail(GifMessage("EGifPutLine", handle->gif->Error));
    }
  }
  return 1;
}

int endReadWrite(GifSeqHandle* handle) {
  if (handle == nullptr) return 0;
  if (handle->gif != nullptr) {
    int code = 0;
    if (EGifCloseFile(handle->gif, &code) != GIF_OK) handle->Fail(GifMessage("EGifCloseFile", code));
    handle->gif = nullptr;
  }
  if (handle->ownFile) {
    try {
      handle->ownFile->Close();
    } catch (const std::exception& e) {
      handle->Fail(e.what());
    }
  }
  const int ok = handle->failed ? 0 : 1;
  delete handle;
  return ok;
}

std::string GifSeqError(const GifSeqHandle* handle) { return handle != nullptr ? handle->error : std::string(); }
