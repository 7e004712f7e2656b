// The program's OLE class ids and ProgIDs, fixed here once: the registry
// entries, the class factories, the clipboard's embedded objects and the
// test clients all take them from this header.
#pragma once

namespace lumora {

inline constexpr char kDocumentProgId[] = "Lumo40.Document";
inline constexpr char kApplicationProgId[] = "Lumo40.Application";

// {7A1C5E20-3B4D-4E61-9C2A-4C554D4F3430}
inline constexpr char kDocumentClsidText[] = "{7A1C5E20-3B4D-4E61-9C2A-4C554D4F3430}";
// {6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10002}
inline constexpr char kApplicationClsidText[] = "{6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10002}";
// The application object's dispatch interface.
// {6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10003}
inline constexpr char kApplicationDispIidText[] = "{6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10003}";

// The same as numbers {data1, data2, data3, data4[8]}, for the Windows side.
struct ClassIdParts {
  unsigned long data1;
  unsigned short data2;
  unsigned short data3;
  unsigned char data4[8];
};
inline constexpr ClassIdParts kDocumentClsid{0x7A1C5E20, 0x3B4D, 0x4E61, {0x9C, 0x2A, 0x4C, 0x55, 0x4D, 0x4F, 0x34, 0x30}};
inline constexpr ClassIdParts kApplicationClsid{0x6A3C2B10, 0x4F1E, 0x4C7A, {0x9B, 0x1D, 0x2E, 0x5F, 0x40, 0xA1, 0x00, 0x02}};
inline constexpr ClassIdParts kApplicationDispIid{0x6A3C2B10, 0x4F1E, 0x4C7A, {0x9B, 0x1D, 0x2E, 0x5F, 0x40, 0xA1, 0x00, 0x03}};

}  // namespace lumora
