// The TWAIN 1.x protocol as the program uses it: the published types,
// structures (2-byte packing; pointers and handles take their native
// 8 bytes), the operation triplets' codes and the two entry points. The
// source manager and the sources are outside the program.
#pragma once

#include <cstdint>

namespace twain {

using TW_UINT8 = std::uint8_t;
using TW_INT16 = std::int16_t;
using TW_UINT16 = std::uint16_t;
using TW_INT32 = std::int32_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_MEMREF = void*;
using TW_HANDLE = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)

struct TW_FIX32 {
  TW_INT16 Whole;
  TW_UINT16 Frac;
};

struct TW_VERSION {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
};

struct TW_IDENTITY {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
};

struct TW_IMAGEINFO {
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_INT32 ImageWidth;
  TW_INT32 ImageLength;
  TW_INT16 SamplesPerPixel;
  TW_INT16 BitsPerSample[8];
  TW_INT16 BitsPerPixel;
  TW_BOOL Planar;
  TW_INT16 PixelType;
  TW_UINT16 Compression;
};

struct TW_MEMORY {
  TW_UINT32 Flags;
  TW_UINT32 Length;
  TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
  TW_UINT16 Compression;
  TW_UINT32 BytesPerRow;
  TW_UINT32 Columns;
  TW_UINT32 Rows;
  TW_UINT32 XOffset;
  TW_UINT32 YOffset;
  TW_UINT32 BytesWritten;
  TW_MEMORY Memory;
};

struct TW_SETUPMEMXFER {
  TW_UINT32 MinBufSize;
  TW_UINT32 MaxBufSize;
  TW_UINT32 Preferred;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count;
  TW_UINT32 Reserved;
};

struct TW_USERINTERFACE {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
};

struct TW_EVENT {
  TW_MEMREF pEvent;
  TW_UINT16 TWMessage;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode;
  TW_UINT16 Reserved;
};

struct TW_ELEMENT8 {
  TW_UINT8 Index;
  TW_UINT8 Channel1;
  TW_UINT8 Channel2;
  TW_UINT8 Channel3;
};

struct TW_PALETTE8 {
  TW_UINT16 NumColors;
  TW_UINT16 PaletteType;
  TW_ELEMENT8 Colors[256];
};

#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156, "the published identity");
static_assert(sizeof(TW_IMAGEINFO) == 42);
static_assert(sizeof(TW_MEMORY) == 16, "two words and a native pointer");
static_assert(sizeof(TW_IMAGEMEMXFER) == 42);
static_assert(sizeof(TW_USERINTERFACE) == 12);

// Data groups, data argument types and messages.
constexpr TW_UINT32 DG_CONTROL = 0x0001;
constexpr TW_UINT32 DG_IMAGE = 0x0002;

constexpr TW_UINT16 DAT_NULL = 0x0000;
constexpr TW_UINT16 DAT_EVENT = 0x0002;
constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
constexpr TW_UINT16 DAT_PARENT = 0x0004;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
constexpr TW_UINT16 DAT_SETUPMEMXFER = 0x0006;
constexpr TW_UINT16 DAT_STATUS = 0x0008;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
constexpr TW_UINT16 DAT_IMAGEMEMXFER = 0x0103;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
constexpr TW_UINT16 DAT_PALETTE8 = 0x010a;

constexpr TW_UINT16 MSG_NULL = 0x0000;
constexpr TW_UINT16 MSG_GET = 0x0001;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
constexpr TW_UINT16 MSG_RESET = 0x0007;
constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
constexpr TW_UINT16 MSG_OPENDS = 0x0401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
constexpr TW_UINT16 MSG_ENDXFER = 0x0701;

// Return and condition codes.
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_BADVALUE = 10;
constexpr TW_UINT16 TWCC_SEQERROR = 11;

// Pixel types, palette types, compression, memory flags.
constexpr TW_INT16 TWPT_BW = 0;
constexpr TW_INT16 TWPT_GRAY = 1;
constexpr TW_INT16 TWPT_RGB = 2;
constexpr TW_INT16 TWPT_PALETTE = 3;
constexpr TW_INT16 TWPT_CMY = 4;
constexpr TW_INT16 TWPT_CMYK = 5;
constexpr TW_INT16 TWPT_YUV = 6;

constexpr TW_UINT16 TWPA_RGB = 0;
constexpr TW_UINT16 TWPA_GRAY = 1;
constexpr TW_UINT16 TWPA_CMY = 2;

constexpr TW_UINT16 TWCP_NONE = 0;

constexpr TW_UINT32 TWMF_APPOWNS = 0x0001;
constexpr TW_UINT32 TWMF_POINTER = 0x0008;
constexpr TW_UINT32 TWMF_HANDLE = 0x0010;

constexpr TW_UINT32 DG_IMAGE_GROUPS = DG_CONTROL | DG_IMAGE;

// The source manager's entry point, and a source's.
using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                                    TW_UINT16 msg, TW_MEMREF data);
using DSENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// A resolution as a number.
inline double Fix32ToDouble(const TW_FIX32& f) { return f.Whole + f.Frac / 65536.0; }

}  // namespace twain
