// What the program hands a container for an image it serves, shared by the
// clipboard's copy and the embedded object: the metafile picture of a
// packed DIB, the object descriptor and the link source of a saved file.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace lumora {

// The user type name containers show for our objects (string 181's last field).
inline constexpr wchar_t kDocumentTypeName[] = L"Lumora 4 Image";

// A METAFILEPICT block (MM_ANISOTROPIC, the extent in HIMETRIC) whose
// metafile draws the packed DIB over its own pixel size; null on failure.
HGLOBAL MetafilePictureOfDib(const BITMAPINFOHEADER* dib, SIZEL himetric);

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
