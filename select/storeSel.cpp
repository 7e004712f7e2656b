// The selection stream's writer and reader, and the selection file commands.
// The reader treats its input as hostile: every field is read in full,
// complex records nest to a bounded depth, and no buffer is allocated that
// the rest of the file could not fill.
#include "select/storeSel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "platform/file_replace.h"
#include "platform/ref_ptr.h"

using lumora::FileException;
using lumora::ThrowInvalidFile;

namespace {

constexpr char kMagic[6] = {'L', 'U', 'F', 'R', 'G', '\0'};
constexpr int kLoadErrorCode = 126;

// Why a file could not be opened, without the file's name.
std::string CauseSentence(const FileException& e) {
  switch (e.cause()) {
    case FileException::fileNotFound: return "there is no such file";
    case FileException::badPath: return "the path is not valid";
    case FileException::accessDenied: return "access to it was denied";
    case FileException::sharingViolation: return "another program holds it open";
    default: return "the system refused it";
  }
}

struct FragmentRelease {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using Owned = std::unique_ptr<Fragment, FragmentRelease>;
using BufferRef = lumora::RefPtr<VrWA2000::WA>;

bool FitsI16(std::int64_t v) { return v >= -32768 && v <= 32767; }
bool FitsU16(std::int64_t v) { return v >= 0 && v <= 65535; }

[[noreturn]] void ThrowRange(const std::string& what) {
  throw lumora::SelectionRangeError("The selection cannot be stored: " + what + ".");
}

void RequireI16(std::int64_t v, const char* what) {
  if (!FitsI16(v)) ThrowRange(std::string(what) + " lies outside -32768..32767");
}

// A zero-filled 8-bit buffer for a mask record; a size that cannot be had
// makes the file invalid.
BufferRef NewMaskBuffer(std::int32_t width, std::int32_t height) {
  try {
    return BufferRef::Adopt(new VrWA2000::WA(kWAType8Grey, width, height,
                                             static_cast<const PALETTEENTRY*>(nullptr), true));
  } catch (const std::exception&) {
    ThrowInvalidFile();
  }
}

// Checks the whole fragment against the format's field sizes before a byte
// is written, so a refused selection leaves no partial record behind.
void CheckFits(const Fragment* f, int depth) {
  LURECT b{};
  switch (GetFragmentType(f)) {
    case kFrgComplex: {
      if (depth > kFrgMaxComplexDepth) ThrowRange("combined selections nest too deeply");
      const int count = GetComplexFrgItemNum(f);
      if (!FitsU16(count)) ThrowRange("a combined selection has more than 65535 parts");
      for (int i = 0; i < count; ++i) {
        FRGITEM item{};
        if (!GetComplexFrgItem(f, i, &item)) ThrowInvalidFile();
        const Owned owned(item.fragment);
        CheckFits(owned.get(), depth + 1);
      }
      break;
    }
    case kFrgRect:
    case kFrgEllipse:
      GetFragmentBoundRect(f, &b);
      RequireI16(b.x, "a rectangle");
      RequireI16(b.y, "a rectangle");
      if (!FitsI16(b.width) || !FitsI16(b.height))
        ThrowRange("a rectangle is wider or taller than 32767");
      break;
    case kFrgPolygon: {
      const int count = GetPolygonFrgSize(f);
      if (!FitsU16(count)) ThrowRange("a polygon has more than 65535 points");
      if (!FitsU16(GetPolygonFrgFillMode(f)))
        ThrowRange("a polygon's fill mode is not a 16-bit value");
      const POINT* p = GetPolygonFrgArray(f);
      for (int i = 0; i < count && p != nullptr; ++i) {
        RequireI16(p[i].x, "a polygon point");
        RequireI16(p[i].y, "a polygon point");
      }
      break;
    }
    case kFrgText: {
      GetFragmentBoundRect(f, &b);
      RequireI16(b.x, "a text");
      RequireI16(b.y, "a text");
      LOGFONTA font{};
      if (!GetTextFrgFont(f, &font)) ThrowInvalidFile();
      for (LONG v :
           {font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation, font.lfWeight}) {
        RequireI16(v, "a text's font size, angle or weight");
      }
      if (!FitsU16(GetTextFrgTextLength(f))) ThrowRange("a text is longer than 65535 characters");
      break;
    }
    case kFrgLine: {
      POINT a{}, e{};
      GetLineBeginPoint(f, &a);
      GetLineEndPoint(f, &e);
      for (LONG v : {a.x, a.y, e.x, e.y}) RequireI16(v, "a line's end point");
      if (!FitsU16(GetLineWidth(f)) || !FitsU16(GetLineStyle(f))) {
        ThrowRange("a line's width or style is not a 16-bit value");
      }
      break;
    }
    case kFrgMask:
      if (!GetMaskRect(f, &b)) ThrowInvalidFile();
      RequireI16(b.x, "a mask");
      RequireI16(b.y, "a mask");
      break;
    default: break;
  }
}

// The old layout's 1-bit row: bit 7 - (i mod 8) of byte i / 8 selects pixel i.
void ExpandOldMaskRow(const std::uint8_t* bits, std::uint8_t* row, int width) {
  for (int i = 0; i < width; ++i) {
    if ((bits[i >> 3] >> (7 - (i & 7))) & 1) row[i] = 255;
  }
}

}  // namespace

namespace lumora {

SelectionRangeError::SelectionRangeError(const std::string& what)
    : FileException(FileException::invalidFile, -1, {}, what) {}

}  // namespace lumora

CSelStream::CSelStream(lumora::StreamFile* file) : file_(file) {
  if (file == nullptr) ThrowInvalidFile();
  std::memcpy(magic_, kMagic, sizeof magic_);
}

// ---- field I/O ----

void CSelStream::ReadExact(void* buffer, std::uint32_t count) {
  if (file_->Read(buffer, count) != count)
    ThrowInvalidFile("The selection file ends inside a record.");
}

std::uint8_t CSelStream::ReadU8() {
  std::uint8_t b;
  ReadExact(&b, 1);
  return b;
}

std::uint16_t CSelStream::ReadU16() {
  std::uint8_t b[2];
  ReadExact(b, 2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::int32_t CSelStream::ReadI16() { return static_cast<std::int16_t>(ReadU16()); }

std::uint32_t CSelStream::ReadU32() {
  std::uint8_t b[4];
  ReadExact(b, 4);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void CSelStream::RequireRemaining(std::uint64_t bytes) {
  const std::uint64_t length = file_->GetLength(), position = file_->GetPosition();
  if (position > length || length - position < bytes) {
    ThrowInvalidFile("The selection file is shorter than its records say.");
  }
}

void CSelStream::WriteBytes(const void* data, std::uint32_t count) { file_->Write(data, count); }

void CSelStream::WriteU8(std::uint32_t value) {
  const std::uint8_t b = static_cast<std::uint8_t>(value);
  WriteBytes(&b, 1);
}

// Signed 16-bit fields are written as the low 16 bits, as are counts.
void CSelStream::WriteU16(std::uint32_t value) {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(value),
                             static_cast<std::uint8_t>(value >> 8)};
  WriteBytes(b, 2);
}

void CSelStream::WriteU32(std::uint32_t value) {
  const std::uint8_t b[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  WriteBytes(b, 4);
}

// ---- writing ----

void CSelStream::Write(const Fragment* fragment) {
  if (fragment == nullptr) ThrowInvalidFile();
  CheckFits(fragment, 1);
  WriteBytes(magic_, sizeof magic_);
  WriteU16(version_);
  WriteRecord(fragment);
  file_->Flush();
}

void CSelStream::WriteRecord(const Fragment* f) {
  const int type = GetFragmentType(f);
  WriteU8(static_cast<std::uint32_t>(type));
  WriteU8(static_cast<std::uint32_t>(IsFrgInverted(f)));
  LURECT b{};
  switch (type) {
    case kFrgComplex: WriteComplex(f); break;
    case kFrgRect:
    case kFrgEllipse:
      GetFragmentBoundRect(f, &b);
      for (std::int32_t v : {b.x, b.y, b.width, b.height}) WriteU16(static_cast<std::uint32_t>(v));
      break;
    case kFrgPolygon: {
      const int count = GetPolygonFrgSize(f);
      const POINT* p = GetPolygonFrgArray(f);
      if (count > 0 && p == nullptr) ThrowInvalidFile();
      WriteU16(static_cast<std::uint32_t>(count));
      WriteU16(static_cast<std::uint32_t>(GetPolygonFrgFillMode(f)));
      for (int i = 0; i < count; ++i) {
        WriteU16(static_cast<std::uint32_t>(p[i].x));
        WriteU16(static_cast<std::uint32_t>(p[i].y));
      }
      break;
    }
    case kFrgText: WriteText(f); break;
    case kFrgLine: {
      POINT a{}, e{};
      if (!GetLineBeginPoint(f, &a) || !GetLineEndPoint(f, &e)) ThrowInvalidFile();
      for (LONG v : {a.x, a.y, e.x, e.y}) WriteU16(static_cast<std::uint32_t>(v));
      WriteU16(static_cast<std::uint32_t>(GetLineWidth(f)));
      WriteU16(static_cast<std::uint32_t>(GetLineStyle(f)));
      break;
    }
    case kFrgMask: WriteMask(f); break;
    default:  // the empty fragment has no body
      break;
  }
}

void CSelStream::WriteComplex(const Fragment* f) {
  const int count = GetComplexFrgItemNum(f);
  WriteU16(static_cast<std::uint32_t>(count));
  for (int i = 0; i < count; ++i) {
    FRGITEM item{};
    if (!GetComplexFrgItem(f, i, &item)) ThrowInvalidFile();
    const Owned owned(item.fragment);
    WriteRecord(owned.get());
    WriteU8(static_cast<std::uint32_t>(item.mode));
  }
}

void CSelStream::WriteText(const Fragment* f) {
  LURECT b{};
  GetFragmentBoundRect(f, &b);
  WriteU16(static_cast<std::uint32_t>(b.x));
  WriteU16(static_cast<std::uint32_t>(b.y));
  LOGFONTA font{};
  if (!GetTextFrgFont(f, &font)) ThrowInvalidFile();
  for (LONG v :
       {font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation, font.lfWeight}) {
    WriteU16(static_cast<std::uint32_t>(v));
  }
  const std::uint8_t bytes[8] = {font.lfItalic,  font.lfUnderline,     font.lfStrikeOut,
                                 font.lfCharSet, font.lfOutPrecision,  font.lfClipPrecision,
                                 font.lfQuality, font.lfPitchAndFamily};
  WriteBytes(bytes, sizeof bytes);
  WriteBytes(font.lfFaceName, LF_FACESIZE);
  const int length = GetTextFrgTextLength(f);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  GetTextFrgText(f, text.data(), length + 1);
  WriteU16(static_cast<std::uint32_t>(length));
  WriteBytes(text.data(), static_cast<std::uint32_t>(length));
  WriteU8(0);
}

void CSelStream::WriteMask(const Fragment* f) {
  const BufferRef buffer = BufferRef::Adopt(GetMaskWA(f));
  LURECT r{};
  if (!buffer || !GetMaskRect(f, &r)) ThrowInvalidFile();
  const int bpp = buffer->GetBPP();
  const int width = buffer->GetW(), height = buffer->GetH();
  const std::uint32_t colours = bpp <= 8 ? (1u << bpp) : 0u;
  WriteU16(static_cast<std::uint32_t>(r.x));
  WriteU16(static_cast<std::uint32_t>(r.y));
  // BITMAPINFOHEADER, field by field.
  WriteU32(40);
  WriteU32(static_cast<std::uint32_t>(width));
  WriteU32(static_cast<std::uint32_t>(height));
  WriteU16(1);
  WriteU16(static_cast<std::uint32_t>(bpp));
  for (int i = 0; i < 4; ++i) WriteU32(0);  // compression, image size, resolutions
  WriteU32(colours);
  WriteU32(colours);
  PALETTEENTRY palette[256];
  buffer->GetPaletteEntries(0, static_cast<std::uint16_t>(colours), palette);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::uint8_t quad[4] = {palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
    WriteBytes(quad, 4);
  }
  const auto rowBytes =
      static_cast<std::uint32_t>(VrWA2000::BytesPerLineOf(buffer->GetType(), width));
  const lumora::RefPtr<VrWA2000::ReadWA::Access> access =
      lumora::RefPtr<VrWA2000::ReadWA::Access>::Adopt(buffer->GetReadAccess());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = access->GetRow(y);
    if (row == nullptr) ThrowInvalidFile();
    WriteBytes(row, rowBytes);
  }
}

// ---- reading ----

void CSelStream::Read(Fragment** out) {
  if (out == nullptr) ThrowInvalidFile();
  *out = nullptr;
  char magic[6];
  if (file_->Read(magic, sizeof magic) != sizeof magic ||
      std::memcmp(magic, magic_, sizeof magic) != 0) {
    ThrowInvalidFile("This is not a selection file.");
  }
  const std::uint16_t version = ReadU16();
  oldFormat_ = version == kOldVersion ? 1 : 0;
  *out = ReadRecord(1);
}

Fragment* CSelStream::ReadRecord(int depth) {
  const std::uint8_t type = ReadU8();
  const bool inverted = ReadU8() != 0;
  Owned f;
  switch (type) {
    case kFrgComplex: return ReadComplex(depth, inverted);
    case kFrgRect:
    case kFrgEllipse: {
      LURECT r;
      r.x = ReadI16();
      r.y = ReadI16();
      r.width = ReadI16();
      r.height = ReadI16();
      // The writer stores bounds, never a negative size.
      if (r.width < 0 || r.height < 0) ThrowInvalidFile();
      f.reset(type == kFrgRect ? CreateRectFrg(&r, inverted) : CreateEllipticFrg(&r, inverted));
      break;
    }
    case kFrgPolygon: return ReadPolygon(inverted);
    case kFrgText: return ReadText(inverted);
    case kFrgLine: {
      const std::int32_t x1 = ReadI16(), y1 = ReadI16(), x2 = ReadI16(), y2 = ReadI16();
      const int width = ReadU16(), style = ReadU16();
      f.reset(CreateLineFrg(x1, y1, x2, y2, width, style, inverted));
      break;
    }
    case kFrgMask:
      f.reset(oldFormat_ ? ReadOldMask() : ReadMask());
      if (f) SetFrgInversion(f.get(), inverted);
      break;
    case kFrgEmpty: f.reset(CreateEmptyFrg(inverted)); break;
    default: ThrowInvalidFile("The selection file holds a record of an unknown type.");
  }
  if (!f) ThrowInvalidFile();
  return f.release();
}

Fragment* CSelStream::ReadComplex(int depth, bool inverted) {
  if (depth > kFrgMaxComplexDepth)
    ThrowInvalidFile("The selection file nests selections too deeply.");
  const int count = ReadU16();
  Owned complex(CreateComplexFrg(0, nullptr));
  if (!complex) ThrowInvalidFile();
  for (int i = 0; i < count; ++i) {
    const Owned item(ReadRecord(depth + 1));
    const int mode = ReadU8();
    if (!AddToComplexFrg(complex.get(), item.get(), mode)) ThrowInvalidFile();
  }
  SetFrgInversion(complex.get(), inverted);
  return complex.release();
}

Fragment* CSelStream::ReadPolygon(bool inverted) {
  const int count = ReadU16();
  const int fillMode = ReadU16();
  RequireRemaining(static_cast<std::uint64_t>(count) * 4);
  std::vector<POINT> points(static_cast<std::size_t>(count));
  for (POINT& p : points) {
    p.x = ReadI16();
    p.y = ReadI16();
  }
  Fragment* f = CreatePolygonFrg(points.data(), count, fillMode, inverted);
  if (f == nullptr) ThrowInvalidFile();
  return f;
}

Fragment* CSelStream::ReadText(bool inverted) {
  POINT origin;
  origin.x = ReadI16();
  origin.y = ReadI16();
  LOGFONTA font{};
  font.lfHeight = ReadI16();
  font.lfWidth = ReadI16();
  font.lfEscapement = ReadI16();
  font.lfOrientation = ReadI16();
  font.lfWeight = ReadI16();
  std::uint8_t bytes[8];
  ReadExact(bytes, sizeof bytes);
  font.lfItalic = bytes[0];
  font.lfUnderline = bytes[1];
  font.lfStrikeOut = bytes[2];
  font.lfCharSet = bytes[3];
  font.lfOutPrecision = bytes[4];
  font.lfClipPrecision = bytes[5];
  font.lfQuality = bytes[6];
  font.lfPitchAndFamily = bytes[7];
  ReadExact(font.lfFaceName, LF_FACESIZE);
  const std::uint32_t length = ReadU16();
  RequireRemaining(std::uint64_t{length} + 1);
  std::vector<char> text(length + 1, '\0');
  ReadExact(text.data(), length);
  ReadU8();  // the zero byte after the text
  Owned f(CreateTextFrg(origin.x, origin.y, &font, text.data(), inverted));
  if (!f || !SetFragmentOriginPoint(f.get(), &origin)) ThrowInvalidFile();
  return f.release();
}

// The 0x0400 layout: origin, a DIB header, a colour table that is skipped,
// and 8-bit rows padded to 4 bytes.
Fragment* CSelStream::ReadMask() {
  const std::int32_t x = ReadI16(), y = ReadI16();
  const std::uint32_t size = ReadU32();
  const auto width = static_cast<std::int32_t>(ReadU32());
  const auto height = static_cast<std::int32_t>(ReadU32());
  ReadU16();  // planes
  const std::uint16_t bitCount = ReadU16();
  for (int i = 0; i < 4; ++i) ReadU32();  // compression, image size, resolutions
  const std::uint32_t colours = ReadU32();
  ReadU32();  // colours important
  if (size != 40 || bitCount != 8)
    ThrowInvalidFile("The selection file holds a mask of another kind.");
  // A bottom-up 8-bit image of at most 256 colours, whose colour table and
  // rows the rest of the file holds.
  if (width <= 0 || height <= 0 || colours > 256) ThrowInvalidFile();
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * 8 + 31) / 32 * 4;
  RequireRemaining(std::uint64_t{colours} * 4 + rowBytes * static_cast<std::uint64_t>(height));
  const BufferRef buffer = NewMaskBuffer(width, height);
  file_->SeekFromCurrent(static_cast<std::int64_t>(colours) * 4);
  for (int row = 0; row < height; ++row)
    ReadExact(buffer->Row(row), static_cast<std::uint32_t>(rowBytes));
  Fragment* f = CreateMaskUsingWA(buffer.get(), x, y);
  if (f == nullptr) ThrowInvalidFile();
  return f;
}

// The 0x0300 layout: origin and size, then 1-bit rows padded to 4 bytes.
Fragment* CSelStream::ReadOldMask() {
  const std::int32_t x = ReadI16(), y = ReadI16(), width = ReadI16(), height = ReadI16();
  if (width <= 0 || height <= 0) ThrowInvalidFile();
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) + 31) / 32 * 4;
  RequireRemaining(std::uint64_t{rowBytes} * static_cast<std::uint64_t>(height));
  const BufferRef buffer = NewMaskBuffer(width, height);
  std::vector<std::uint8_t> bits(rowBytes);
  for (int row = 0; row < height; ++row) {
    ReadExact(bits.data(), rowBytes);
    ExpandOldMaskRow(bits.data(), buffer->Row(row), width);
  }
  Fragment* f = CreateMaskUsingWA(buffer.get(), x, y);
  if (f == nullptr) ThrowInvalidFile();
  return f;
}

// ---- file commands ----

int SaveSelectionToFile(const Fragment* fragment, const char* path) {
  if (fragment == nullptr || path == nullptr) return 0;
  // Written beside the target and moved over it whole, so the old file
  // stays until the new one is complete.
  std::string error;
  const std::string temporary = lumora::CreateTempFileBeside(path, &error);
  if (temporary.empty()) return 0;
  try {
    {
      lumora::DiskFile file(temporary, lumora::DiskFile::kCreateWrite);
      CSelStream stream(&file);
      stream.Write(fragment);
      file.Close();
    }
    if (lumora::FlushFileToDisk(temporary, &error) && lumora::ReplaceFileAtomically(temporary, path, &error)) return 1;
  } catch (const lumora::SelectionRangeError& e) {
    LUSetErrorStringExt(nullptr, 0, e.what(), 0);
  } catch (const std::exception&) {
  }
  lumora::RemoveFile(temporary);
  return 0;
}

Fragment* LoadSelectionFromFile(int* status, const char* path) {
  Fragment* fragment = nullptr;
  const std::string name = path != nullptr ? path : "";
  // What went wrong, in the words the error box shows under its title: a
  // file that cannot be opened says why; one that opens but does not read
  // as a selection is not one, or is damaged.
  std::string fault;
  try {
    if (path == nullptr) ThrowInvalidFile();
    std::unique_ptr<lumora::DiskFile> file;
    try {
      file = std::make_unique<lumora::DiskFile>(name, lumora::DiskFile::kRead);
    } catch (const FileException& e) {
      fault = name + " cannot be opened: " + CauseSentence(e) + ".";
      throw;
    }
    CSelStream stream(file.get());
    stream.Read(&fragment);
    if (status != nullptr) *status = 1;
    return fragment;
  } catch (const std::exception&) {
    DeleteFragment(fragment);
    if (fault.empty()) fault = name + " is not a selection file or is damaged.";
    LUSetErrorCode(nullptr, kLoadErrorCode, "storeSel", __LINE__, 0);
    LUSetErrorStringExt(nullptr, 0, fault.c_str(), 0);
    if (status != nullptr) *status = 2;
    return nullptr;
  }
}
