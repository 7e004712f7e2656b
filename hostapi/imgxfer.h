// The file-format library: reads BMP, PNG, JPEG, GIF, TGA and TIFF files
// into a read adapter and writes a write adapter's image to a file, lists
// its formats, edits its save options and shows what a file's headers say.
#pragma once

#include <cstdint>

#include "hostapi/imageio.h"

// Progress is reported through CProgress (hostapi/imageio.h): `Begin`
// once, `Step` about a hundred times, `End` always (also after a failure).

// Save options, a versioned record kept between runs. In every field 0
// means "the default", so a record zero-filled and then given `version`
// and `size` means "the defaults"; kImExpOff asks for "no" or "none"
// where the default is something else.
struct ImExpSaveOptions {
  std::uint32_t version;
  std::uint32_t size;             // sizeof(ImExpSaveOptions) of the writer
  std::int32_t jpegQuality;       // 1..100
  std::int32_t jpegProgressive;   // 1 or kImExpOff
  std::int32_t pngCompression;    // zlib level 1..9, kImExpOff for level 0 (stored)
  std::int32_t pngInterlace;      // 1 (Adam7) or kImExpOff
  std::int32_t bmpRle;            // 1 (RLE8 / RLE4 for palette images) or kImExpOff
  std::int32_t tgaRle;            // 1 or kImExpOff
  std::int32_t tiffCompression;   // an ImExpTiffCompression
};

constexpr std::uint32_t kImExpSaveOptionsVersion = 2;
constexpr std::int32_t kImExpOff = -1;

enum ImExpTiffCompression : std::int32_t {
  kImExpTiffNone = kImExpOff,
  kImExpTiffLzw = 1,
  kImExpTiffDeflate = 2,
  kImExpTiffPackBits = 3,
};

// The fourth argument of ImExp_ReadFile that shows failures to the user.
constexpr int kImExpReportFailures = 65535;

// Reads the first image of the file at `path` (format by content, TGA by
// extension) into `adapter`. `formats` 65535 shows a failure in a message
// box over `owner`; any other value is quiet. `reserved` and `flags` are
// unused. Non-zero when the file was read.
int ImExp_ReadFile(CAbstractReadWA* adapter, void* owner, const char* path, int formats,
                   CProgress* progress, void* reserved, int flags);

// Writes the adapter's image to `path` in the format of its extension,
// through a temporary file that replaces the target only on success.
// `status`, when given, receives 0 or an ImExpStatus. `options` null uses
// the kept options. `report` 1 shows a failure in a message box over
// `owner`, 0 is quiet. Non-zero on success.
int ImExp_WriteFile(CAbstractWriteWA* adapter, void* owner, const char* path, int* status,
                    CProgress* progress, const ImExpSaveOptions* options, int report);

enum ImExpStatus : int {
  kImExpOk = 0,
  kImExpFailed = 1,       // read, write or format error
  kImExpCancelled = 2,    // the progress object asked to stop
  kImExpUnsupported = 3,  // unknown extension or a type the format cannot hold
};

// "description\0pattern\0" pairs (patterns joined by ";") of the formats
// that hold images of `type` without conversion. Returns the size of the
// list; with a null buffer or one shorter than that nothing is written.
int ImExp_FillSaveFormatsInfoEx(char* buffer, int size, int type);

// The same list for every readable format, ended by one more NUL.
int ImExp_FillReadFormatsInfo(char* buffer, int size);

// Lets the user edit the save options in a dialog over `owner` and keeps
// them. Non-zero when the user accepted changes.
int ImExp_ConfigureConverters(void* owner);

// Shows what the headers of the file at `path` say (format, size, colours,
// resolution, compression) in a box over `owner`. Non-zero when the file
// could be read. `flags` is unused.
int ImExp_ShowFileInfo(void* owner, const char* path, int flags);

// The kept save options (the defaults when none were kept).
ImExpSaveOptions ImExp_GetSaveOptions();
