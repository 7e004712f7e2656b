// A TWAIN data source for the tests, loaded by the source manager under
// the name it looks for ("sane.ds"): it delivers the test picture in the
// pixel type named by an environment variable, natively or in memory
// strips with offsets, and notifies through the manager as sources do.
// Another variable makes it fail where a real source can: at opening, at
// enabling, or in the middle of a transfer, with a condition code that its
// status gives.
#include <windows.h>

#include <cstring>

#include "hostapi/twain.h"
#include "tests/app/program/win/twain_source/test_picture.h"

using namespace twain;
namespace pic = lumora::testing::twain_picture;

namespace {

TW_IDENTITY gSelf{};
TW_IDENTITY gApp{};
int gPending = 0;
int gStrip = 0;
TW_UINT16 gCondition = TWCC_SUCCESS;

pic::Mode CurrentMode() {
  char name[64] = {};
  GetEnvironmentVariableA(pic::kModeVariable, name, sizeof name);
  return pic::ModeOf(name);
}

bool FailsAt(const char* where) {
  char name[32] = {};
  GetEnvironmentVariableA(pic::kFailVariable, name, sizeof name);
  return std::strcmp(name, where) == 0;
}

// A failure with the condition code the status then gives.
TW_UINT16 Failure(TW_UINT16 condition) {
  gCondition = condition;
  return TWRC_FAILURE;
}

void Notify(TW_UINT16 message) {
  HMODULE manager = GetModuleHandleA("twain_32.dll");
  auto entry = reinterpret_cast<DSMENTRYPROC>(
      reinterpret_cast<void*>(manager != nullptr ? GetProcAddress(manager, "DSM_Entry") : nullptr));
  if (entry != nullptr) entry(&gSelf, &gApp, DG_CONTROL, DAT_NULL, message, nullptr);
}

void FillIdentity(TW_IDENTITY* id) {
  const TW_UINT32 keep = id->Id;
  std::memset(id, 0, sizeof *id);
  id->Id = keep;
  id->Version.MajorNum = 1;
  id->Version.Language = 13;
  id->Version.Country = 1;
  std::strcpy(id->Version.Info, "1.0");
  id->ProtocolMajor = 1;
  id->ProtocolMinor = 9;
  id->SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(id->Manufacturer, "Lumora tests");
  std::strcpy(id->ProductFamily, "Test");
  std::strcpy(id->ProductName, pic::kProductName);
}

struct Layout {
  int type, samples, bits, bpp;
  bool planar;
};

Layout LayoutOf(pic::Mode mode) {
  switch (mode) {
    case pic::Mode::kRgbPlanar: return {TWPT_RGB, 3, 8, 24, true};
    case pic::Mode::kGray8: return {TWPT_GRAY, 1, 8, 8, false};
    case pic::Mode::kGray4: return {TWPT_GRAY, 1, 4, 4, false};
    case pic::Mode::kBw: return {TWPT_BW, 1, 1, 1, false};
    case pic::Mode::kPal4Rgb: return {TWPT_PALETTE, 1, 4, 4, false};
    case pic::Mode::kPal8Rgb:
    case pic::Mode::kPal8Ramp:
    case pic::Mode::kPal8Cmy: return {TWPT_PALETTE, 1, 8, 8, false};
    case pic::Mode::kYuv: return {TWPT_YUV, 3, 8, 24, false};
    default: return {TWPT_RGB, 3, 8, 24, false};
  }
}

TW_FIX32 Fix(int value) { return TW_FIX32{static_cast<TW_INT16>(value), 0}; }

void FillInfo(TW_IMAGEINFO* info) {
  const Layout l = LayoutOf(CurrentMode());
  std::memset(info, 0, sizeof *info);
  info->XResolution = Fix(pic::kXResolution);
  info->YResolution = Fix(pic::kYResolution);
  info->ImageWidth = pic::kWidth;
  info->ImageLength = pic::kHeight;
  info->SamplesPerPixel = static_cast<TW_INT16>(l.samples);
  for (int k = 0; k < l.samples; ++k) info->BitsPerSample[k] = static_cast<TW_INT16>(l.bits);
  info->BitsPerPixel = static_cast<TW_INT16>(l.bpp);
  info->Planar = l.planar ? 1 : 0;
  info->PixelType = static_cast<TW_INT16>(l.type);
}

void PutField(std::uint8_t* row, int bit, unsigned value, int bits) {
  for (int i = bits - 1; i >= 0; --i, ++bit) {
    if ((value >> i) & 1u) row[bit >> 3] = static_cast<std::uint8_t>(row[bit >> 3] | (0x80 >> (bit & 7)));
  }
}

// The samples of pixel (x, y) as the mode sends them.
void Samples(pic::Mode mode, int x, int y, unsigned s[3]) {
  const std::uint32_t rgb = pic::Rgb(x, y);
  switch (mode) {
    case pic::Mode::kGray8:
    case pic::Mode::kGray4:
    case pic::Mode::kBw: s[0] = pic::Grey(mode, x, y); break;
    case pic::Mode::kPal4Rgb:
    case pic::Mode::kPal8Rgb:
    case pic::Mode::kPal8Ramp:
    case pic::Mode::kPal8Cmy: s[0] = static_cast<unsigned>(pic::PaletteIndex(mode, x, y)); break;
    case pic::Mode::kYuv: pic::Yuv(x, y, &s[0], &s[1], &s[2]); break;
    default:
      s[0] = rgb >> 16 & 0xFF;
      s[1] = rgb >> 8 & 0xFF;
      s[2] = rgb & 0xFF;
      break;
  }
}

// Strips of two rows, each row sent in two pieces: columns 0..3 and 4..6.
constexpr int kRowsPerStrip = 2;
constexpr int kSplit = 4;
int StripCount() { return (pic::kHeight + kRowsPerStrip - 1) / kRowsPerStrip * 2; }

TW_UINT16 MemoryStrip(TW_IMAGEMEMXFER* strip) {
  const pic::Mode mode = CurrentMode();
  const Layout l = LayoutOf(mode);
  const int group = gStrip / 2, piece = gStrip % 2;
  const int y0 = group * kRowsPerStrip;
  const int rows = y0 + kRowsPerStrip <= pic::kHeight ? kRowsPerStrip : pic::kHeight - y0;
  const int x0 = piece == 0 ? 0 : kSplit;
  const int columns = piece == 0 ? kSplit : pic::kWidth - kSplit;
  const int plane = (columns + 3) / 4 * 4;
  const int rowBytes = l.planar ? 3 * plane : ((columns * l.bpp + 31) / 32) * 4;
  if (strip->Memory.TheMem == nullptr || strip->Memory.Length < static_cast<TW_UINT32>(rows * rowBytes)) {
    return TWRC_FAILURE;
  }
  if (gStrip == 1 && FailsAt("strip")) return Failure(TWCC_BUMMER);
  auto* memory = static_cast<std::uint8_t*>(strip->Memory.TheMem);
  std::memset(memory, 0, static_cast<std::size_t>(rows * rowBytes));
  for (int r = 0; r < rows; ++r) {
    std::uint8_t* row = memory + r * rowBytes;
    for (int c = 0; c < columns; ++c) {
      unsigned s[3] = {};
      Samples(mode, x0 + c, y0 + r, s);
      for (int k = 0; k < l.samples; ++k) {
        const int bit = l.planar ? (k * plane + c) * 8 : c * l.bpp + k * l.bits;
        PutField(row, bit, s[k], l.bits);
      }
    }
  }
  strip->Compression = mode == pic::Mode::kCompressed ? 1 : TWCP_NONE;
  strip->BytesPerRow = static_cast<TW_UINT32>(rowBytes);
  strip->Columns = static_cast<TW_UINT32>(columns);
  strip->Rows = static_cast<TW_UINT32>(rows);
  strip->XOffset = static_cast<TW_UINT32>(x0);
  strip->YOffset = static_cast<TW_UINT32>(y0);
  strip->BytesWritten = static_cast<TW_UINT32>(rows * rowBytes);
  ++gStrip;
  return gStrip == StripCount() ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 NativeImage(TW_HANDLE* handle) {
  if (FailsAt("native")) return Failure(TWCC_LOWMEMORY);
  const int stride = (pic::kWidth * 3 + 3) / 4 * 4;
  HGLOBAL block = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + static_cast<SIZE_T>(stride) * pic::kHeight);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  if (header == nullptr) return TWRC_FAILURE;
  header->biSize = sizeof *header;
  header->biWidth = pic::kWidth;
  header->biHeight = pic::kHeight;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biXPelsPerMeter = pic::kXResolution * 10000 / 254;
  header->biYPelsPerMeter = pic::kYResolution * 10000 / 254;
  auto* bits = reinterpret_cast<std::uint8_t*>(header + 1);
  for (int y = 0; y < pic::kHeight; ++y) {
    std::uint8_t* row = bits + (pic::kHeight - 1 - y) * stride;  // bottom-up
    for (int x = 0; x < pic::kWidth; ++x) {
      const std::uint32_t rgb = pic::Rgb(x, y);
      row[3 * x] = rgb & 0xFF;
      row[3 * x + 1] = rgb >> 8 & 0xFF;
      row[3 * x + 2] = rgb >> 16 & 0xFF;
    }
  }
  GlobalUnlock(block);
  *handle = block;
  return TWRC_XFERDONE;
}

TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  switch (dat) {
    case DAT_IDENTITY:
      if (msg == MSG_GET) {
        FillIdentity(static_cast<TW_IDENTITY*>(data));
      } else if (msg == MSG_OPENDS) {
        // A source whose device is missing refuses to open.
        if (FailsAt("open")) return Failure(TWCC_OPERATIONERROR);
        gSelf = *static_cast<TW_IDENTITY*>(data);
        FillIdentity(&gSelf);
      }
      return TWRC_SUCCESS;
    case DAT_USERINTERFACE:
      if (msg == MSG_ENABLEDS && FailsAt("enable")) return Failure(TWCC_BADVALUE);
      if (msg == MSG_ENABLEDS) {
        static_cast<TW_USERINTERFACE*>(data)->ModalUI = 0;
        gPending = 1;
        gStrip = 0;
        Notify(MSG_XFERREADY);
      }
      return TWRC_SUCCESS;
    case DAT_EVENT:
      static_cast<TW_EVENT*>(data)->TWMessage = MSG_NULL;
      return TWRC_NOTDSEVENT;
    case DAT_SETUPMEMXFER: {
      auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
      setup->MinBufSize = 64;
      setup->MaxBufSize = 1 << 16;
      setup->Preferred = 250;  // not a multiple of 4: the program rounds it up
      return TWRC_SUCCESS;
    }
    case DAT_PENDINGXFERS: {
      auto* pending = static_cast<TW_PENDINGXFERS*>(data);
      if (msg == MSG_ENDXFER && gPending > 0) --gPending;
      if (msg == MSG_RESET) gPending = 0;
      pending->Count = static_cast<TW_UINT16>(gPending);
      if (gPending == 0) Notify(MSG_CLOSEDSREQ);
      return TWRC_SUCCESS;
    }
    case DAT_STATUS:
      // The condition of the last failure, once.
      static_cast<TW_STATUS*>(data)->ConditionCode = gCondition;
      gCondition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    default:
      return TWRC_FAILURE;
  }
}

TW_UINT16 Image(TW_UINT16 dat, TW_MEMREF data) {
  switch (dat) {
    case DAT_IMAGEINFO:
      FillInfo(static_cast<TW_IMAGEINFO*>(data));
      return TWRC_SUCCESS;
    case DAT_PALETTE8: {
      const pic::Mode mode = CurrentMode();
      auto* palette = static_cast<TW_PALETTE8*>(data);
      std::memset(palette, 0, sizeof *palette);
      palette->NumColors = static_cast<TW_UINT16>(pic::PaletteColours(mode));
      palette->PaletteType = mode == pic::Mode::kPal8Ramp ? TWPA_GRAY : mode == pic::Mode::kPal8Cmy ? TWPA_CMY : TWPA_RGB;
      for (int i = 0; i < palette->NumColors; ++i) {
        const std::uint32_t e = pic::PaletteEntry(mode, i);
        palette->Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), static_cast<TW_UINT8>(e >> 16),
                                         static_cast<TW_UINT8>(e >> 8), static_cast<TW_UINT8>(e)};
      }
      return TWRC_SUCCESS;
    }
    case DAT_IMAGEMEMXFER:
      return MemoryStrip(static_cast<TW_IMAGEMEMXFER*>(data));
    case DAT_IMAGENATIVEXFER:
      return NativeImage(static_cast<TW_HANDLE*>(data));
    default:
      return TWRC_FAILURE;
  }
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 DS_Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                    TW_MEMREF data) {
  if (origin != nullptr && dat != DAT_IDENTITY) gApp = *origin;
  if (origin != nullptr && dat == DAT_IDENTITY && msg == MSG_OPENDS) gApp = *origin;
  if (dg == DG_CONTROL) return Control(dat, msg, data);
  if (dg == DG_IMAGE) return Image(dat, data);
  return TWRC_FAILURE;
}
