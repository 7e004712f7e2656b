// The animated-GIF library: writes the images that a CAbstractWriteWA
// presents as GIF files, one frame after another, to a path or a stream.
#pragma once

#include <string>

#include "hostapi/imageio.h"
#include "platform/stream_file.h"
#include "platform/win32types.h"

struct GifSeqHandle;

// A writing handle, or null when memory runs out.
GifSeqHandle* initReadWrite();
// Sends everything the handle writes to `stream` (which outlives the
// handle) instead of the path given to WriteFileHeader. Call before it.
void SetGifSeqStream(GifSeqHandle* handle, lumora::StreamFile* stream);
// Opens the output and writes the screen description of the writer's
// image 0: its size and, as the global colour table, `palette` (null: the
// image's own) cut to the image's colour count (2 for 1 bit, 16 for 4
// bits, 256 otherwise). `loop` 0 writes no loop extension; `version` 2
// writes "GIF89a". Returns 1, or 0 on failure (also for 24-bit images).
int WriteFileHeader(const char* path, CAbstractWriteWA* writer, int loop, int version, const PALETTEENTRY* palette,
                    int reserved, GifSeqHandle* handle);
// Writes image `image` of the writer as the next frame; `transparent` is
// the transparent index (-1: none), `disposal` the frame's disposal code.
// Returns 1, or 0 on failure.
int WriteAnimGIFframe(const char* path, CAbstractWriteWA* writer, int image, int left, int top, int delay,
                      int transparent, int disposal, const PALETTEENTRY* palette, int reserved, GifSeqHandle* handle);
// Ends the file and frees the handle: 1 when everything was written, 0
// after any failure.
int endReadWrite(GifSeqHandle* handle);
// The message of the first failure of the handle (empty without one); ask
// before endReadWrite, which frees the handle.
std::string GifSeqError(const GifSeqHandle* handle);
