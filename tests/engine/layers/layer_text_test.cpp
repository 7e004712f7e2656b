// Text layers without layout: character formats and the control's
// records, naming, lines, the text block tables and the text payload in
// both variants of the layered file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layers/LayerText.h"
#include "engine/layered/psd_support.h"

namespace lumora::testing {
namespace {

CCharFormat Char(char c, int size = 120, const char* face = "Arial", int bold = 0, int italic = 0) {
  CCharFormat f;
  f.character = static_cast<std::uint8_t>(c);
  f.size = size;
  f.face = face;
  f.bold = bold;
  f.italic = italic;
  return f;
}

std::vector<CCharFormat> Text(const std::string& s) {
  std::vector<CCharFormat> out;
  for (char c : s) out.push_back(Char(c));
  return out;
}

TEST(CharFormat, ControlRecordConversions) {
  CHARFORMAT cf;
  cf.height = 248;
  cf.effects = kCfeBold | kCfeItalic | kCfeUnderline;
  std::memcpy(cf.faceName, "Times", 5);
  const CCharFormat f(0x1E9, cf, 500);
  EXPECT_EQ(f.size, 120);
  EXPECT_EQ(f.character, 0xE9);
  EXPECT_EQ(f.face, "Times");
  EXPECT_EQ(f.EffectBits(), kFontBold | kFontItalic | kFontUnderline);
  EXPECT_EQ(f.tracking, 12 * 500 / 1000);
  CHARFORMAT back;
  f.ToCHARFORMAT(&back);
  EXPECT_EQ(back.size, 60u);
  EXPECT_EQ(back.mask, 0xFFFFFFFFu);
  EXPECT_EQ(back.height, 248);
  EXPECT_EQ(back.effects, kCfeBold | kCfeItalic | kCfeUnderline);
  EXPECT_EQ(back.charSet, 1);
  CHARFORMAT eight;
  eight.height = 165;
  EXPECT_EQ(CCharFormat('a', eight, 0).size, 80);
  Char('a', 80).ToCHARFORMAT(&eight);
  EXPECT_EQ(eight.height, 165);
}

TEST(CharFormat, FaceNamesAreCut) {
  CHARFORMAT cf;
  std::memset(cf.faceName, 'F', sizeof cf.faceName);  // no terminator at all
  EXPECT_EQ(CCharFormat('a', cf, 0).face, std::string(32, 'F'));
  CHARFORMAT out;
  Char('a', 100, std::string(40, 'G').c_str()).ToCHARFORMAT(&out);
  EXPECT_EQ(std::string(out.faceName), std::string(31, 'G'));
}

TEST(LayerText, NameLinesAndCopies) {
  CLayerText layer(kWAType24);
  layer.SetCharFormats(Text("a\tb\rc"));
  EXPECT_EQ(layer.GetName(), "ab c");
  EXPECT_EQ(layer.IsText(), 1);
  EXPECT_EQ(layer.LineCount(), 2);
  EXPECT_EQ(layer.LineStart(0), 0);
  EXPECT_EQ(layer.LineStart(1), 4);
  layer.SetCharFormats(Text("abc"));
  EXPECT_EQ(layer.LineCount(), 1);
  layer.SetCharFormats(Text("a\r"));
  EXPECT_EQ(layer.LineCount(), 2);
  layer.SetTextAttributes(1, 0x0000FF, 2, 3, 90, 5, 1);
  layer.SetResolution(0x00480048);
  CLayerPtr copy = CLayerPtr::Adopt(layer.CreateCopy());
  ASSERT_EQ(copy->IsText(), 1);
  const auto& text = static_cast<const CLayerText&>(*copy);
  EXPECT_EQ(text.GetCharCount(), 2);
  EXPECT_EQ(text.Attributes().orientation, 90);
  EXPECT_EQ(text.GetTextResolution(), 0x00480048u);
}

TEST(LayerText, TablesShareFontsAndStylesAndSplitLines) {
  CLayerText layer(kWAType24);
  std::vector<CCharFormat> chars = {Char('a', 120), Char('b', 240), Char('\r', 120),
                                    Char('c', 120, "Arial", 1, 1)};
  layer.SetCharFormats(chars);
  layer.SetTextAttributes(0, 0, 2, 0, 0, 0, 0);
  std::vector<fontPSD> fonts;
  std::vector<fontStyle> styles;
  std::vector<charPSD> cps;
  std::vector<charLinePSD> lines;
  EXPECT_EQ(layer.BuildPSDTextTables(&fonts, &styles, &cps, &lines), 4);
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts[1].effects, kFontBold | kFontItalic);
  ASSERT_EQ(styles.size(), 3u);
  EXPECT_EQ(styles[1].size, 24);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].count, 3u);
  EXPECT_EQ(lines[1].count, 1u);
  EXPECT_EQ(lines[0].alignment, 0xFFFF);
  layer.SetCharFormats(Text("ab\r"));
  layer.BuildPSDTextTables(&fonts, &styles, &cps, &lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].count, 3u);
  layer.SetCharFormats({});
  EXPECT_EQ(layer.BuildPSDTextTables(&fonts, &styles, &cps, &lines), 0);
  EXPECT_TRUE(fonts.empty() && styles.empty() && cps.empty() && lines.empty());
}

Bytes WritePayload(const CLayerText& layer, bool native) {
  MemFile file(1024);
  LayeredWriter out(file);
  WriteTextPayload(out, layer, native);
  return Contents(file);
}

TEST(LayerText, PayloadRoundTripsInBothVariants) {
  CLayerText layer(kWAType24);
  std::vector<CCharFormat> chars = {Char('\xE9', 180, "Georgia", 1, 0), Char('\r'), Char('x', 90, "Arial", 0, 1)};
  chars[2].underline = 1;
  chars[2].strikeout = 1;
  layer.SetCharFormats(chars);
  layer.SetTextAttributes(0, 0x203040, 1, 7, 100, -11, 1);
  for (bool native : {true, false}) {
    const Bytes bytes = WritePayload(layer, native);
    ReadFile f(bytes);
    LayeredReader in(f.file);
    CLayerText back;
    ReadTextPayload(in, back, native);
    EXPECT_EQ(in.Position(), bytes.size());
    ASSERT_EQ(back.GetCharCount(), 3);
    const auto& got = back.CharFormats();
    EXPECT_EQ(got[0].character, 0xE9);
    EXPECT_EQ(got[0].size, 180);
    EXPECT_EQ(got[0].face, "Georgia");
    EXPECT_EQ(got[0].bold, 1);
    EXPECT_EQ(got[2].italic, 2);
    EXPECT_EQ(got[2].underline != 0, native);
    EXPECT_EQ(got[2].strikeout != 0, native);
    const TextAttributes& a = back.Attributes();
    EXPECT_EQ(a.color, 0x203040u);
    EXPECT_EQ(a.alignment, 1);
    EXPECT_EQ(a.leading, 7);
    EXPECT_EQ(a.orientation, native ? 100 : 90);
    EXPECT_EQ(a.tracking, native ? -11 : 0);
    EXPECT_EQ(a.antiAlias, 1);
    EXPECT_EQ(back.GetName(), "\xC3\xA9 x");  // the 8-bit text as UTF-8
  }
  // Character codes are written zero-extended.
  const Bytes bytes = WritePayload(layer, false);
  const std::uint8_t zeroExtended[] = {0x00, 0xE9, 0x00, 0x01};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(zeroExtended), std::end(zeroExtended)),
            bytes.end());
}

TEST(LayerText, SignExtendedCodesOfOlderFilesReadTheSame) {
  CLayerText layer(kWAType24);
  layer.SetCharFormats({Char('\xE9')});
  Bytes bytes = WritePayload(layer, false);
  const std::uint8_t zeroExtended[] = {0x00, 0xE9, 0x00, 0x01};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(zeroExtended), std::end(zeroExtended));
  ASSERT_NE(at, bytes.end());
  *at = 0xFF;
  ReadFile f(bytes);
  LayeredReader in(f.file);
  CLayerText back;
  ReadTextPayload(in, back, false);
  ASSERT_EQ(back.GetCharCount(), 1);
  EXPECT_EQ(back.CharFormats()[0].character, 0xE9);
}

TEST(LayerText, PayloadCountsAreBoundedByItsBytes) {
  CLayerText layer(kWAType24);
  layer.SetCharFormats(Text("ab\rcd"));
  const Bytes whole = WritePayload(layer, true);
  for (std::size_t cut = 0; cut + 1 < whole.size(); cut += 5) {
    ReadFile f(Bytes(whole.begin(), whole.begin() + cut));
    LayeredReader in(f.file);
    CLayerText back;
    EXPECT_THROW(ReadTextPayload(in, back, true), layer_err_fread) << cut;
  }
}

}  // namespace
}  // namespace lumora::testing
