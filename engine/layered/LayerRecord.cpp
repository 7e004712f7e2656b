// The layer record of the layered file: a layer's rect, channel table,
// blend key, opacity, clipping and flags, then its extra data (mask data,
// blending ranges, name, additional information blocks).
#include "engine/layered/LayerRecord.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <vector>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "engine/layered/LayeredIO.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/ImageLimits.h"
#include "platform/rect.h"
#include "platform/text.h"

namespace lumora {

namespace {

constexpr const char* kBlendKeys[kMergeModeCount] = {
    "norm", "dark", "lite", "hue ", "sat ", "colr", "lum ", "mul ", "scrn", "diss",
    "over", "hLit", "sLit", "diff", "smud", "div ", "idiv", "lddg", "fsub"};

// The most channels a record may list.
constexpr int kMaxChannels = 56;
// Bytes of the record before its extra data: rect, channel count, blend
// signature and key, opacity, clipping, flags, filler, extra length.
constexpr int kRecordFixedBytes = 34;

bool IsBlockSignature(const char sig[4]) {
  char up[4];
  for (int i = 0; i < 4; ++i) up[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(sig[i])));
  return std::memcmp(up, "8BIM", 4) == 0 || std::memcmp(up, "8B64", 4) == 0;
}

// Lock bits of the "lspf" block.
constexpr std::uint32_t kLockTransparency = 1u, kLockComposite = 2u, kLockPosition = 4u, kLockAll = 0x80000000u;
// The bits that lock the layer's transparency, and its position.
constexpr std::uint32_t kLocksTransparency = kLockTransparency | kLockComposite | kLockAll;
constexpr std::uint32_t kLocksPosition = kLockPosition | kLockAll;

// Key of the block that keeps the options of the layer's transparency mask
// (its default colour and flags) where no other reader looks.
constexpr char kMaskOptionsKey[5] = "luMO";

// The file's rect (counted from the top) in the layer's orientation
// (counted from the bottom); a rect the file cannot hold is damage, and is
// refused before anything is made of it.
RECT RectFromFile(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right,
                  std::int64_t height) {
  if (const char* problem = FileRectProblem(top, left, bottom, right)) throw layer_err_fread(problem);
  return MakeRect(left, static_cast<LONG>(height - bottom), right, static_cast<LONG>(height - top));
}

// A layer's rect as the file counts it (from the top): {top, left, bottom,
// right}. An empty layer is written with an empty rect at its top left.
std::array<std::int64_t, 4> FileRectOf(const CLayer& layer, std::int64_t height) {
  const RECT& r = layer.GetRect();
  if (WritesAsEmptyLayer(layer)) return {height - r.bottom, r.left, height - r.bottom, r.left};
  return {height - r.bottom, r.left, height - r.top, r.right};
}

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint64_t b) {
  const std::uint64_t sum = a + b;
  return sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(sum);
}

// After the name: the padding to a multiple of 4 (from the count byte),
// and when what follows is still not a block signature, on to the next
// byte "8" as older writers need; the end of the extra data when none.
void SkipToBlocks(LayeredReader& in, std::uint32_t nameCount) {
  const std::uint32_t pad = (4 - (nameCount + 1) % 4) % 4;
  in.Skip(std::min<std::uint64_t>(pad, in.Remaining()));
  char sig[4];
  if (in.Remaining() >= 4) {
    const std::uint64_t here = in.Position();
    in.Tag(sig);
    in.Seek(here);
    if (IsBlockSignature(sig)) return;
  }
  while (in.Remaining() > 0) {
    if (in.U8() == '8') {
      in.Seek(in.Position() - 1);
      return;
    }
  }
}

// Reads the mask data block (of any size): the rect, default colour and
// flags when it holds them, the rest skipped.
void ReadMaskData(LayeredReader& in, CLayer& layer, std::int64_t height) {
  const std::uint32_t size = in.U32();
  const std::uint64_t end = in.BlockEnd(size);
  if (size >= 18) {
    const std::int32_t top = in.I32(), left = in.I32(), bottom = in.I32(), right = in.I32();
    layer.SetMaskRect(RectFromFile(top, left, bottom, right, height));
    layer.SetMaskDefaultColor(in.U8());
    layer.SetMaskFlags(in.U8());
  }
  in.Seek(end);
}

void ReadRange(LayeredReader& in, std::uint8_t out[4]) { in.Read(out, 4); }

// Blending ranges by their length: the grey pair from 8 bytes, the three
// channel pairs from 32; the rest skipped. Grey layers take the channel 0
// pair as their grey pair.
void ReadBlendingRanges(LayeredReader& in, CLayer& layer, bool grey) {
  const std::uint32_t length = in.U32();
  const std::uint64_t end = in.BlockEnd(length);
  if (length >= 8) {
    std::uint8_t ranges[8][4];
    for (int k = 0; k < 8; ++k) std::memcpy(ranges[k], layer.GetBlendIfRange(k), 4);
    ReadRange(in, ranges[0]);
    ReadRange(in, ranges[4]);
    if (length >= 32) {
      for (int c = 1; c <= 3; ++c) {
        ReadRange(in, ranges[c]);
        ReadRange(in, ranges[c + 4]);
      }
      if (grey) {
        std::memcpy(ranges[0], ranges[1], 4);
        std::memcpy(ranges[4], ranges[5], 4);
      }
    }
    layer.SetBlendIfRanges(ranges);
    layer.SetBlendRangesPresent(1);
  }
  in.Seek(end);
}

void ReadLockFlags(LayeredReader& in, CLayer& layer, std::uint32_t length) {
  if (length != 4) return;
  const std::uint32_t v = in.U32();
  std::uint32_t flags = layer.GetFlags() & ~kLayerTransparencyLocked;
  if (v & kLocksTransparency) flags |= kLayerTransparencyLocked;
  layer.SetFlags(flags);
  layer.SetPositionLocked((v & kLocksPosition) != 0);
  layer.FileKeep().lockBits = v;
}

void ReadUnicodeName(LayeredReader& in, CLayer& layer, std::uint32_t length) {
  if (length < 4) return;
  const std::uint32_t count = in.U32();
  if (count > (length - 4) / 2) return;
  std::u16string name(count, u'\0');
  for (auto& c : name) c = static_cast<char16_t>(in.U16());
  name.resize(std::min(name.size(), name.find(u'\0')));
  layer.SetName(Utf16ToUtf8(name));
}

void ReadMaskOptions(LayeredReader& in, CLayer& layer, std::uint32_t length) {
  if (length < 2) return;
  layer.SetMaskDefaultColor(in.U8());
  layer.SetMaskFlags(in.U8());
}

void ReadAddSubtract(LayeredReader& in, CLayer& layer, std::uint32_t length) {
  if (length < 8) return;
  const std::uint16_t addScale = in.U16();
  const std::int16_t addOffset = in.I16();
  const std::uint16_t subScale = in.U16();
  const std::int16_t subOffset = in.I16();
  layer.SetAddScaleOffset(addScale, addOffset);
  layer.SetSubtractScaleOffset(subScale, subOffset);
}

// One additional information block (sets *textRead after a text payload);
// false when the extra data hold no further block.
bool ReadBlock(LayeredReader& in, CLayer& layer, bool* textRead) {
  if (in.Remaining() < 12) return false;
  char sig[4], key[4];
  in.Tag(sig);
  if (!IsBlockSignature(sig)) throw layer_err_fread("a layer record holds a damaged block");
  in.Tag(key);
  const std::uint32_t length = in.U32();
  const std::uint64_t end = in.BlockEnd(length);
  {
    SectionLimit limit(in, end);
    const bool text = std::memcmp(key, "tySh", 4) == 0 || std::memcmp(key, "tyLU", 4) == 0;
    if (text && layer.IsText()) {
      ReadTextPayload(in, static_cast<CLayerText&>(layer), key[2] == 'L');
      *textRead = true;
    } else if (std::memcmp(key, "lspf", 4) == 0) {
      ReadLockFlags(in, layer, length);
    } else if (std::memcmp(key, "luni", 4) == 0) {
      ReadUnicodeName(in, layer, length);
    } else if (std::memcmp(key, kAddSubtractKey, 4) == 0) {
      ReadAddSubtract(in, layer, length);
    } else if (std::memcmp(key, kMaskOptionsKey, 4) == 0) {
      ReadMaskOptions(in, layer, length);
    }
  }
  in.Seek(end);
  // Blocks padded to an even length that does not count the pad.
  if ((length & 1) != 0 && in.Remaining() > 0) {
    const std::uint64_t here = in.Position();
    if (in.U8() != 0) in.Seek(here);
  }
  return true;
}

void ReadExtraData(LayeredReader& in, CLayer& layer, const LayeredFileHeader& header) {
  const std::int64_t height = header.height;
  ReadMaskData(in, layer, height);
  ReadBlendingRanges(in, layer, header.imageType == kWAType8Grey);
  if (in.Remaining() == 0) return;
  const std::uint8_t count = in.U8();
  std::string name(count, '\0');
  in.Read(name.data(), count);
  // Names are text: they end at a zero byte, as the program shows them. The
  // 8-bit name stands until a Unicode name ("luni") replaces it.
  name.resize(std::min(name.size(), name.find('\0')));
  layer.SetName(AnsiToUtf8(name));
  SkipToBlocks(in, count);
  bool text = false;
  while (ReadBlock(in, layer, &text)) {
  }
  // A text layer is named by its text, whatever order the blocks came in.
  if (text) layer.SetName(AnsiToUtf8(static_cast<CLayerText&>(layer).PlainText()));
}

// The 8-bit name: the layer's name in Windows-1252 (what other readers of
// the Pascal name show), at most 255 characters.
void WriteName(LayeredWriter& out, const std::string& name) {
  const std::string ansi = Utf8ToAnsi(name);
  const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(ansi.size(), 255));
  out.U8(count);
  out.Write(ansi.data(), count);
  out.Zeros((4 - (count + 1u) % 4) % 4);
}

// Whether the 8-bit name says less than the name: a character beyond
// ASCII, or more than 255 characters.
bool NeedsUnicodeName(const std::string& name) {
  return name.size() > 255 ||
         std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Starts a block and returns the position of its length field.
std::uint64_t BeginBlock(LayeredWriter& out, const char key[4]) {
  out.Tag("8BIM");
  out.Tag(key);
  const std::uint64_t at = out.Position();
  out.U32(0);
  return at;
}

// The name in UTF-16; empty when the 8-bit name says it all.
std::u16string UnicodeNameToWrite(const CLayer& layer) {
  return NeedsUnicodeName(layer.GetName()) ? Utf8ToUtf16(layer.GetName()) : std::u16string();
}

void WriteUnicodeName(LayeredWriter& out, const std::u16string& text) {
  const std::uint64_t at = BeginBlock(out, "luni");
  out.U32(static_cast<std::uint32_t>(text.size()));
  for (char16_t c : text) out.U16(c);
  if (text.size() % 2 != 0) out.U16(0);  // to a multiple of 4, counted
  out.PatchLengthFrom(at);
}

void WriteAddSubtract(LayeredWriter& out, const CLayer& layer) {
  const std::uint64_t at = BeginBlock(out, kAddSubtractKey);
  out.U16(layer.GetAddScale());
  out.I16(layer.GetAddOffset());
  out.U16(layer.GetSubtractScale());
  out.I16(layer.GetSubtractOffset());
  out.PatchLengthFrom(at);
}

// The lock bits to write: those read from the file while the layer's locks
// are still what they say, else changed only as far as the locks changed.
// A layer without a mask is held locked by the program whatever the file
// said, so there the file's transparency lock stands.
std::uint32_t LockBitsToWrite(const CLayer& layer) {
  std::uint32_t v = layer.GetFileKeep().lockBits;
  const bool transparency = layer.HasMask() ? layer.IsTransparencyLocked() != 0 : (v & kLocksTransparency) != 0;
  const bool position = layer.GetPositionLocked() != 0;
  if (transparency == ((v & kLocksTransparency) != 0) && position == ((v & kLocksPosition) != 0)) return v;
  if (v & kLockAll) v = (v & ~kLockAll) | kLockTransparency | kLockComposite | kLockPosition;
  if (!transparency) {
    v &= ~(kLockTransparency | kLockComposite);
  } else if ((v & (kLockTransparency | kLockComposite)) == 0) {
    v |= kLockTransparency;
  }
  return position ? v | kLockPosition : v & ~kLockPosition;
}

void WriteLockFlags(LayeredWriter& out, std::uint32_t bits) {
  const std::uint64_t at = BeginBlock(out, "lspf");
  out.U32(bits);
  out.PatchLengthFrom(at);
}

// The transparency mask's options, when they are not those every mask
// starts with.
bool HasMaskOptions(const CLayer& layer) {
  return layer.HasMask() && ((layer.GetMaskFlags() & ~kMaskAttached) != 0 || layer.GetMaskDefaultColor() != 0);
}

void WriteMaskOptions(LayeredWriter& out, const CLayer& layer) {
  const std::uint64_t at = BeginBlock(out, kMaskOptionsKey);
  out.U8(layer.GetMaskDefaultColor());
  out.U8(layer.GetMaskFlags());
  out.U16(0);
  out.PatchLengthFrom(at);
}

// The key of the layer's mode, or the one its file gave for a mode this
// program does not have.
const char* BlendKeyToWrite(const CLayer& layer) {
  const char* kept = layer.GetFileKeep().blendKey;
  return layer.GetMergeMode() == kMergeNormal && kept[0] != 0 ? kept : BlendKeyOfMode(layer.GetMergeMode());
}

bool HasAddSubtractParameters(const CLayer& layer) {
  return layer.GetAddScale() != 10000 || layer.GetAddOffset() != 0 ||
         layer.GetSubtractScale() != 10000 || layer.GetSubtractOffset() != 0;
}

void WriteBlendingRanges(LayeredWriter& out, const CLayer& layer, bool grey) {
  out.U32(40);
  out.Write(layer.GetBlendIfRange(0), 4);
  out.Write(layer.GetBlendIfRange(4), 4);
  for (int c = 1; c <= 3; ++c) {
    out.Write(layer.GetBlendIfRange(grey && c == 1 ? 0 : c), 4);
    out.Write(layer.GetBlendIfRange(grey && c == 1 ? 4 : c + 4), 4);
  }
  static const std::uint8_t kUnused[8] = {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  out.Write(kUnused, 8);
}

}  // namespace

const char* BlendKeyOfMode(int mode) {
  return (mode >= 0 && mode < kMergeModeCount) ? kBlendKeys[mode] : kBlendKeys[kMergeNormal];
}

namespace {

// The mode whose key matches, read forwards or byte-reversed; -1 for none.
int FindBlendKey(const char key[4], bool reversed) {
  for (int mode = 0; mode < kMergeModeCount; ++mode) {
    bool same = true;
    for (int i = 0; i < 4 && same; ++i) {
      same = std::toupper(static_cast<unsigned char>(key[reversed ? 3 - i : i])) ==
             std::toupper(static_cast<unsigned char>(kBlendKeys[mode][i]));
    }
    if (same) return mode;
  }
  return -1;
}

}  // namespace

int ModeOfBlendKey(const char key[4]) {
  const int mode = FindBlendKey(key, false);
  return mode >= 0 ? mode : ModeOfReversedBlendKey(key);
}

int ModeOfReversedBlendKey(const char key[4]) {
  const int mode = FindBlendKey(key, true);
  return mode >= 0 ? mode : kMergeNormal;
}

bool IsBlendKey(const char key[4]) { return FindBlendKey(key, false) >= 0 || FindBlendKey(key, true) >= 0; }

const char* FileRectProblem(std::int64_t top, std::int64_t left, std::int64_t bottom, std::int64_t right) {
  for (std::int64_t v : {top, left, bottom, right}) {
    if (v < -kMaxLayerCoordinate || v > kMaxLayerCoordinate) return "a layer lies too far outside the image";
  }
  if (right - left > kMaxImageSide || bottom - top > kMaxImageSide) {
    return "a layer is wider or taller than 30000 pixels, the most an image may measure";
  }
  return nullptr;
}

void CheckLayerFitsFile(const CLayer& layer, std::int64_t height) {
  const std::array<std::int64_t, 4> r = FileRectOf(layer, height);
  if (const char* problem = FileRectProblem(r[0], r[1], r[2], r[3])) {
    throw layer_err_fwrite(("The file was not saved: the layer \"" + Utf8ToAnsi(layer.GetName()) + "\" cannot be stored (" +
                            problem + ").").c_str());
  }
}

bool WritesAsEmptyLayer(const CLayer& layer) {
  const VrWA2000::WA* image = layer.PeekImage();
  const VrWA2000::WA* mask = layer.HasMask() ? layer.PeekMask() : nullptr;
  return image != nullptr && image->GetW() == 1 && image->GetH() == 1 && mask != nullptr && mask->GetW() == 1 &&
         mask->GetH() == 1 && mask->Row(0)[0] == 0;
}

bool RecordHasTextBlock(LayeredReader& in) {
  const std::uint64_t start = in.Position();
  bool found = false;
  in.Skip(16);
  const std::uint16_t channels = in.U16();
  in.Skip(6ull * channels + 12);
  const std::uint32_t extra = in.U32();
  if (extra != 0) {
    SectionLimit limit(in, in.BlockEnd(extra));
    in.Skip(in.U32());  // mask data
    in.Skip(in.U32());  // blending ranges
    if (in.Remaining() > 0) {
      const std::uint8_t count = in.U8();
      in.Skip(count);
      SkipToBlocks(in, count);
    }
    while (!found && in.Remaining() >= 12) {
      char sig[4], key[4];
      in.Tag(sig);
      if (!IsBlockSignature(sig)) throw layer_err_fread("a layer record holds a damaged block");
      in.Tag(key);
      found = std::memcmp(key, "tySh", 4) == 0 || std::memcmp(key, "tyLU", 4) == 0;
      const std::uint32_t length = in.U32();
      in.Skip(length);
      if ((length & 1) != 0 && in.Remaining() > 0) {
        const std::uint64_t here = in.Position();
        if (in.U8() != 0) in.Seek(here);
      }
    }
  }
  in.Seek(start);
  return found;
}

}  // namespace lumora

using lumora::LayeredReader;
using lumora::LayeredWriter;

void CLayer::ReadPSDRecord(LayeredReader& in, lumora::LayeredFileHeader& header) {
  in.Require(lumora::kRecordFixedBytes);
  const std::int32_t top = in.I32(), left = in.I32(), bottom = in.I32(), right = in.I32();
  SetRect(lumora::RectFromFile(top, left, bottom, right, header.height));
  const std::uint16_t count = in.U16();
  if (count > lumora::kMaxChannels) throw layer_err_fread("a layer lists too many channels");
  in.Require(6ull * count);
  std::vector<std::int16_t> ids(count);
  std::vector<std::uint32_t> lengths(count);
  for (int i = 0; i < count; ++i) {
    ids[i] = in.I16();
    lengths[i] = in.U32();
  }
  SetChannels(std::move(ids), std::move(lengths));
  if (bottom > top) {
    header.channelRowTotal = lumora::SaturatingAdd(
        header.channelRowTotal, static_cast<std::uint64_t>(std::int64_t{bottom} - top) * count);
  }
  char signature[4], key[4];
  in.Tag(signature);  // the blend signature is not checked
  in.Tag(key);
  SetMergeMode(lumora::ModeOfBlendKey(key));
  // A mode this program lacks renders as Normal; its key goes back unchanged.
  if (!lumora::IsBlendKey(key)) std::memcpy(FileKeep().blendKey, key, 4);
  SetOpacity(in.U8());
  SetGrouped(in.U8());
  SetFlags(in.U8());
  FileKeep().lockBits = GetFlags() & lumora::kLayerTransparencyLocked;
  FileKeep().flagsLock = FileKeep().lockBits != 0;
  in.U8();
  const std::uint32_t extra = in.U32();
  if (extra == 0) return;
  const std::uint64_t end = in.BlockEnd(extra);
  {
    lumora::SectionLimit limit(in, end);
    lumora::ReadExtraData(in, *this, header);
  }
  in.Seek(end);
}

void CLayer::WritePSDRecord(LayeredWriter& out, lumora::LayeredFileHeader& header) {
  const std::int64_t height = header.height;
  const std::array<std::int64_t, 4> fileRect = lumora::FileRectOf(*this, height);
  for (std::int64_t v : fileRect) out.I32(static_cast<std::int32_t>(v));
  const bool empty = lumora::WritesAsEmptyLayer(*this);
  const VrWA2000::WA* image = PeekImage();
  const VrWA2000::WA* mask = HasMask() ? PeekMask() : nullptr;
  std::vector<std::int16_t> ids;
  std::vector<std::uint32_t> lengths;
  if (image != nullptr) {
    // An empty layer's channels are their compression words alone.
    if (mask != nullptr) {
      ids.push_back(-1);
      lengths.push_back(empty ? 2 : static_cast<std::uint32_t>(mask->GetW()) * mask->GetH() + 2);
    }
    const std::uint32_t even = empty ? 0
                                     : static_cast<std::uint32_t>((image->GetW() + 1) & ~1) *
                                           static_cast<std::uint32_t>((image->GetH() + 1) & ~1);
    const int colours = image->GetType() == kWAType24 ? 3 : 1;
    for (int c = 0; c < colours; ++c) {
      ids.push_back(static_cast<std::int16_t>(c));
      lengths.push_back(even + 2);
    }
  }
  out.U16(static_cast<std::uint16_t>(ids.size()));
  std::vector<std::uint64_t> positions;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    out.I16(ids[i]);
    positions.push_back(out.Position());
    out.U32(lengths[i]);
  }
  out.PushLengthPositions(std::move(positions));
  header.channelRowTotal = lumora::SaturatingAdd(
      header.channelRowTotal, static_cast<std::uint64_t>(fileRect[2] - fileRect[0]) * ids.size());
  out.Tag("8BIM");
  out.Tag(lumora::BlendKeyToWrite(*this));
  out.U8(GetOpacity());
  out.U8(static_cast<std::uint8_t>(GetGrouped()));
  const std::uint32_t locks = lumora::LockBitsToWrite(*this);
  const bool flagsLock = locks == GetFileKeep().lockBits ? GetFileKeep().flagsLock
                                                        : (locks & (lumora::kLockTransparency | lumora::kLockAll)) != 0;
  const std::uint32_t flags =
      (GetFlags() & ~lumora::kLayerTransparencyLocked) | (flagsLock ? lumora::kLayerTransparencyLocked : 0u);
  out.U8(static_cast<std::uint8_t>(flags | (IsText() ? 0x0Cu : 0u)));
  out.U8(0);
  const std::uint64_t extraAt = out.Position();
  out.U32(0);
  // The transparency travels as channel -1; a mask record would announce a
  // user mask (channel -2), which the layer does not have.
  out.U32(0);
  lumora::WriteBlendingRanges(out, *this, header.imageType == kWAType8Grey);
  lumora::WriteName(out, GetName());
  const std::u16string unicodeName = lumora::UnicodeNameToWrite(*this);
  if (!unicodeName.empty()) lumora::WriteUnicodeName(out, unicodeName);
  const bool native = header.ownFormat != 0;
  // The block also when only the flags byte locks: it says what the locks are.
  if (locks != 0 || flagsLock) lumora::WriteLockFlags(out, locks);
  if (lumora::HasMaskOptions(*this)) lumora::WriteMaskOptions(out, *this);
  if (native && lumora::HasAddSubtractParameters(*this)) lumora::WriteAddSubtract(out, *this);
  if (IsText()) {
    const std::uint64_t at = lumora::BeginBlock(out, native ? "tyLU" : "tySh");
    lumora::WriteTextPayload(out, static_cast<const CLayerText&>(*this), native);
    out.PatchLengthFrom(at);
  }
  out.PatchLengthFrom(extraAt);
}
