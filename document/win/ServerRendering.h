// What the program hands a container for an image it serves, shared by the
// clipboard's copy and the embedded object: the metafile picture and the
// display bitmap of a packed DIB, the selection block, the origin marker,
// the object descriptor and the link source of a saved file.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <string>

#include "hostapi/fragment.h"

namespace lumora {

// The user type name containers show for our objects (string 181's last field).
inline constexpr wchar_t kDocumentTypeName[] = L"Lumora 4 Image";

// A global block of `flags` holding a copy of the bytes; null without memory.
HGLOBAL GlobalCopy(const void* bytes, std::size_t size, UINT flags);

// A METAFILEPICT block (MM_ANISOTROPIC, the extent in HIMETRIC) whose
// metafile draws the packed DIB over its own pixel size; null on failure.
HGLOBAL MetafilePictureOfDib(const BITMAPINFOHEADER* dib, SIZEL himetric);

// A bitmap compatible with the display holding the packed DIB's pixels,
// and with `palette` the palette to show it with (the DIB's colour table,
// the halftone palette for true colour); null on failure.
HBITMAP DisplayBitmapOfDib(const BITMAPINFOHEADER* dib, HPALETTE* palette);

// The selection block ("Lumo40 W32 Mask") of an image of width x height
// with the fragment (null: an empty one), and the origin marker ("Lumo40
// W32 Pict Frg"), each in movable shared global memory; null on failure.
HGLOBAL MaskBlockOf(int width, int height, const Fragment* fragment);
HGLOBAL OriginMarkerBlock();

// An OBJECTDESCRIPTOR block for an object of `clsid`: content aspect, the
// extent, the misc status, the full type name and the source's name.
HGLOBAL ObjectDescriptorBlock(const CLSID& clsid, SIZEL himetric, DWORD status, const std::wstring& typeName,
                              const std::wstring& source);

// "Link Source" to the saved file: its file moniker then the class id, in
// a stream on global memory positioned at its start; null on failure.
IStream* LinkSourceStream(const std::wstring& path, const CLSID& clsid);

// The misc status our objects report (OLEMISC_RECOMPOSEONRESIZE).
inline constexpr DWORD kDocumentMiscStatus = OLEMISC_RECOMPOSEONRESIZE;

}  // namespace lumora
