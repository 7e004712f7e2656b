// The text block of a text layer's record: fonts, styles, lines of
// characters, colour and the text attributes ("tyLU", the native variant,
// also keeps strikeout and underline of each font and the leading,
// orientation and tracking exactly).
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/layers/LayerMng.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/LayerText.h"
#include "engine/layered/LayeredIO.h"

namespace lumora {

namespace {

struct FaceEntry {
  std::string font;
  std::string style;
  std::uint32_t effects = 0;  // strikeout and underline, "tyLU" only
};

struct StyleEntry {
  std::uint16_t faceMark = 0;
  std::int32_t height = 0;  // control units
};

// A name as its count byte gives it, ending at a zero byte as the program
// uses names.
std::string ReadShortString(LayeredReader& in) {
  const std::uint8_t count = in.U8();
  std::string s(count, '\0');
  in.Read(s.data(), count);
  s.resize(std::min(s.size(), s.find('\0')));
  return s;
}

void WriteShortString(LayeredWriter& out, const std::string& s) {
  const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(s.size(), 255));
  out.U8(count);
  out.Write(s.data(), count);
}

std::int32_t ReadLittle32(LayeredReader& in) {
  std::uint8_t b[4];
  in.Read(b, 4);
  return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

void WriteLittle32(LayeredWriter& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                             static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  out.Write(b, 4);
}

// The faces by mark (the first of a mark wins); nameless faces are left out.
std::unordered_map<std::uint16_t, FaceEntry> ReadFaces(LayeredReader& in, bool native) {
  std::unordered_map<std::uint16_t, FaceEntry> faces;
  const std::uint16_t count = in.U16();
  for (int i = 0; i < count; ++i) {
    const std::uint16_t mark = in.U16();
    in.U32();  // font type
    FaceEntry face;
    face.font = ReadShortString(in);
    ReadShortString(in);  // family
    face.style = ReadShortString(in);
    if (native) {
      if (in.U8() != 0) face.effects |= kCfeStrikeout;
      if (in.U8() != 0) face.effects |= kCfeUnderline;
    }
    in.U16();  // script
    const std::uint32_t axes = in.U32();
    in.Require(4ull * axes);
    in.Skip(4ull * axes);
    if (!face.font.empty()) faces.emplace(mark, std::move(face));
  }
  return faces;
}

struct FirstStyle {
  std::uint32_t tracking = 0;
  std::uint32_t leading = 0;
  std::uint8_t rotate = 0;
};

std::unordered_map<std::uint16_t, StyleEntry> ReadStyles(LayeredReader& in, FirstStyle* first) {
  std::unordered_map<std::uint16_t, StyleEntry> styles;
  const std::uint16_t count = in.U16();
  for (int i = 0; i < count; ++i) {
    const std::uint16_t mark = in.U16();
    StyleEntry style;
    style.faceMark = in.U16();
    const std::uint32_t size = in.U32();
    style.height = static_cast<std::int32_t>(((size >> 16) * 165 + 4) >> 3);
    if (i == 0) {
      first->tracking = in.U32();
      in.U32();  // kerning
      first->leading = in.U32();
      in.U32();  // baseline shift
      in.U8();   // automatic kerning
      first->rotate = in.U8();
    } else {
      in.Skip(18);
    }
    styles.emplace(mark, style);
  }
  return styles;
}

std::uint32_t EffectsOfStyleName(const std::string& style) {
  if (style == "Bold Italic") return kCfeBold | kCfeItalic;
  if (style == "Bold") return kCfeBold;
  if (style == "Italic") return kCfeItalic;
  return 0;
}

const char* StyleNameOfEffects(std::uint32_t effects) {
  const bool bold = (effects & kFontBold) != 0;
  const bool italic = (effects & kFontItalic) != 0;
  return bold && italic ? "Bold Italic" : bold ? "Bold" : italic ? "Italic" : "Regular";
}

// The character format record every character starts from.
CHARFORMAT InitialCharFormat() {
  CHARFORMAT cf;
  cf.size = sizeof(CHARFORMAT);
  cf.mask = kCfmSize | kCfmColor | kCfmFace | kCfmOffset | kCfmBold | kCfmItalic;
  cf.charSet = 1;
  std::memcpy(cf.faceName, "Arial", 5);
  return cf;
}

// Applies the style of `mark` to the record: its height and face, or the
// default height with the previous face when the style is unknown.
void ApplyStyle(CHARFORMAT* cf, std::uint16_t mark,
                const std::unordered_map<std::uint16_t, StyleEntry>& styles,
                const std::unordered_map<std::uint16_t, FaceEntry>& faces) {
  const auto style = styles.find(mark);
  if (style == styles.end()) {
    cf->height = 165;
    return;
  }
  cf->height = style->second.height;
  cf->effects = 0;
  const auto face = faces.find(style->second.faceMark);
  if (face == faces.end()) return;
  std::memset(cf->faceName, 0, sizeof cf->faceName);
  std::memcpy(cf->faceName, face->second.font.data(),
              std::min(face->second.font.size(), sizeof cf->faceName));
  cf->effects = EffectsOfStyleName(face->second.style) | face->second.effects;
}

}  // namespace

void ReadTextPayload(LayeredReader& in, CLayerText& layer, bool native) {
  in.U16();    // version
  in.Skip(48);  // transform
  in.U16();    // font list version
  const auto faces = ReadFaces(in, native);
  FirstStyle first;
  const auto styles = ReadStyles(in, &first);
  in.Skip(2 + 4 * 6);  // text type, scaling, character count, placement, selection
  const std::uint16_t lineCount = in.U16();
  std::vector<CCharFormat> formats;
  CHARFORMAT cf = InitialCharFormat();
  std::uint16_t vertical = 0, alignmentWord = 0;
  for (int line = 0; line < lineCount; ++line) {
    const std::uint32_t count = in.U32();
    vertical = in.U16();
    alignmentWord = in.U16();
    in.Require(4ull * count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint16_t code = in.U16();
      ApplyStyle(&cf, in.U16(), styles, faces);
      formats.emplace_back(code & 0xFF, cf, 0);
    }
  }
  const std::uint16_t space = in.U16();
  std::uint8_t colour[8];
  in.Read(colour, 8);
  const COLORREF rgb = PSDColorToRGB(space, colour);
  const int antiAlias = in.U8();
  int leading = -static_cast<std::int16_t>(first.leading >> 16);
  int tracking = static_cast<std::int16_t>(first.tracking >> 16) * 23 / 128;
  int orientation = first.rotate != 0 ? 90 : 0;
  if (native) {
    leading = ReadLittle32(in);
    orientation = ReadLittle32(in);
    tracking = ReadLittle32(in);
  }
  const int alignment = alignmentWord == 1 ? 1 : alignmentWord == 0xFFFF ? 2 : 0;
  layer.SetTextAttributes(vertical, rgb, alignment, leading, orientation, tracking, antiAlias);
  layer.SetCharFormats(formats);
}

void WriteTextPayload(LayeredWriter& out, const CLayerText& layer, bool native) {
  std::vector<fontPSD> fonts;
  std::vector<fontStyle> styles;
  std::vector<charPSD> chars;
  std::vector<charLinePSD> lines;
  layer.BuildPSDTextTables(&fonts, &styles, &chars, &lines);
  const TextAttributes& a = layer.Attributes();
  out.U16(1);
  out.Zeros(48);
  out.U16(6);
  out.U16(static_cast<std::uint16_t>(fonts.size()));
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    out.U16(static_cast<std::uint16_t>(i + 1));
    out.U32(1);
    WriteShortString(out, fonts[i].face);
    WriteShortString(out, fonts[i].face);
    WriteShortString(out, StyleNameOfEffects(fonts[i].effects));
    if (native) {
      out.U8((fonts[i].effects & kFontStrikeout) ? 1 : 0);
      out.U8((fonts[i].effects & kFontUnderline) ? 1 : 0);
    }
    out.U16(0);
    out.U32(0);
  }
  out.U16(static_cast<std::uint16_t>(styles.size()));
  const std::uint8_t rotate = a.orientation > 45 && a.orientation < 135 ? 1 : 0;
  for (std::size_t i = 0; i < styles.size(); ++i) {
    out.U16(static_cast<std::uint16_t>(i + 1));
    out.U16(static_cast<std::uint16_t>(styles[i].font + 1));
    out.U32(static_cast<std::uint32_t>(styles[i].size) << 16);
    out.U32(0);
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(-a.leading) << 16);
    out.U32(0);
    out.U8(0);
    out.U8(rotate);
  }
  out.U16(0);
  out.U32(0x00015555u);
  out.U32(static_cast<std::uint32_t>(chars.size()));
  out.U32(0);
  out.U32(0);
  out.U32(1);
  out.U32(1);
  out.U16(static_cast<std::uint16_t>(lines.size()));
  std::size_t next = 0;
  for (const charLinePSD& line : lines) {
    out.U32(line.count);
    out.U16(line.vertical);
    out.U16(line.alignment);
    for (std::uint32_t i = 0; i < line.count; ++i, ++next) {
      // Zero-extended: a code 0xE9 is 0x00E9 to every reader.
      out.U16(static_cast<std::uint16_t>(chars[next].character & 0xFF));
      out.U16(static_cast<std::uint16_t>(chars[next].style + 1));
    }
  }
  out.U16(0);
  const std::uint8_t colour[8] = {static_cast<std::uint8_t>(a.color), 0,
                                  static_cast<std::uint8_t>(a.color >> 8), 0,
                                  static_cast<std::uint8_t>(a.color >> 16), 0, 0, 0};
  out.Write(colour, 8);
  out.U8(a.antiAlias != 0 ? 1 : 0);
  if (native) {
    WriteLittle32(out, a.leading);
    WriteLittle32(out, a.orientation);
    WriteLittle32(out, a.tracking);
  }
}

}  // namespace lumora
