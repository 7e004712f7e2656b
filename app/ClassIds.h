// The program's OLE class ids and ProgIDs, fixed here once: the registry
// entries, the class factories and the test clients all take them from
// this header.
#pragma once

namespace lumora {

inline constexpr char kDocumentProgId[] = "Lumo40.Document";
inline constexpr char kApplicationProgId[] = "Lumo40.Application";

// {6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10001}
inline constexpr char kDocumentClsidText[] = "{6A3C2B10-4F1E-4C7A-9B1D-2E5F40A10001}";
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
inline constexpr ClassIdParts kDocumentClsid{0x6A3C2B10, 0x4F1E, 0x4C7A, {0x9B, 0x1D, 0x2E, 0x5F, 0x40, 0xA1, 0x00, 0x01}};
inline constexpr ClassIdParts kApplicationClsid{0x6A3C2B10, 0x4F1E, 0x4C7A, {0x9B, 0x1D, 0x2E, 0x5F, 0x40, 0xA1, 0x00, 0x02}};
inline constexpr ClassIdParts kApplicationDispIid{0x6A3C2B10, 0x4F1E, 0x4C7A, {0x9B, 0x1D, 0x2E, 0x5F, 0x40, 0xA1, 0x00, 0x03}};

}  // namespace lumora
