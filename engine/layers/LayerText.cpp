// Text layers without their layout: character formats and their control
// records, the text attributes, lines, and the tables of the text block.
#include "engine/layers/LayerText.h"

#include <algorithm>
#include <cstring>

#include "platform/rect.h"
#include "platform/text.h"

CCharFormat::CCharFormat(int ch, const lumora::CHARFORMAT& cf, int scale)
    : size(((8 * cf.height + 82) / 165) * 10),
      bold(static_cast<std::int32_t>(cf.effects & lumora::kCfeBold)),
      italic(static_cast<std::int32_t>(cf.effects & lumora::kCfeItalic)),
      strikeout(static_cast<std::int32_t>(cf.effects & lumora::kCfeStrikeout)),
      underline(static_cast<std::int32_t>(cf.effects & lumora::kCfeUnderline)),
      character(static_cast<std::uint8_t>(ch)) {
  const char* end = static_cast<const char*>(std::memchr(cf.faceName, 0, sizeof cf.faceName));
  face.assign(cf.faceName, end != nullptr ? end : cf.faceName + sizeof cf.faceName);
  tracking = ((size / 10) * scale) / 1000;
}

void CCharFormat::ToCHARFORMAT(lumora::CHARFORMAT* cf) const {
  *cf = lumora::CHARFORMAT{};
  cf->size = sizeof(lumora::CHARFORMAT);
  cf->mask = 0xFFFFFFFFu;
  cf->effects = (bold ? lumora::kCfeBold : 0u) | (italic ? lumora::kCfeItalic : 0u) |
                (strikeout ? lumora::kCfeStrikeout : 0u) | (underline ? lumora::kCfeUnderline : 0u);
  cf->height = ((size * 165) / 10 + 4) / 8;
  cf->charSet = 1;
  std::memcpy(cf->faceName, face.data(), std::min<std::size_t>(face.size(), sizeof cf->faceName - 1));
}

std::uint32_t CCharFormat::EffectBits() const {
  return (bold ? lumora::kFontBold : 0u) | (italic ? lumora::kFontItalic : 0u) |
         (strikeout ? lumora::kFontStrikeout : 0u) | (underline ? lumora::kFontUnderline : 0u);
}

namespace {

LAYER_INFO NewTextLayerInfo() {
  LAYER_INFO info;
  InitLayerInfo(info);
  return info;
}

const RECT kNewTextRect = {0, 0, 1, 1};

}  // namespace

CLayerText::CLayerText(int type) : CLayer(&kNewTextRect, NewTextLayerInfo(), type, 0) {}

CLayerText::CLayerText() = default;

CLayerText::CLayerText(const CLayerText& source, lumora::LayerBuffers buffers)
    : CLayer(source, buffers) {
  CopyTextFields(source);
}

void CLayerText::CopyFrom(const CLayer* source) {
  if (source == this || source == nullptr) return;
  CLayer::CopyFrom(source);
  if (source->IsText()) CopyTextFields(*static_cast<const CLayerText*>(source));
}

void CLayerText::CopyTextFields(const CLayerText& source) {
  attributes_ = source.attributes_;
  text_ = source.text_;
  formats_ = source.formats_;
  factor_ = source.factor_;
  layoutWidth_ = source.layoutWidth_;
  layoutHeight_ = source.layoutHeight_;
  finalWidth_ = source.finalWidth_;
  finalHeight_ = source.finalHeight_;
  textResolution_ = source.textResolution_;
  unionBox_ = source.unionBox_;
  // The offsets go with the rect they shifted: a copy laid out again must
  // not shift it a second time.
  offsetX_ = source.offsetX_;
  offsetY_ = source.offsetY_;
  richText_ = source.richText_;
  isNew_ = source.isNew_;
  selectionStart_ = source.selectionStart_;
  selectionEnd_ = source.selectionEnd_;
}

void CLayerText::SetResolution(std::uint32_t packed) {
  textResolution_ = packed;
  CLayer::SetResolution(packed);
}

void CLayerText::SetCharFormats(const std::vector<CCharFormat>& formats) {
  formats_ = formats;
  // The characters are 8-bit; names are UTF-8.
  SetName(lumora::AnsiToUtf8(PlainText()));
}

std::string CLayerText::PlainText() const {
  std::string text;
  text.reserve(formats_.size());
  for (const CCharFormat& f : formats_) {
    if (f.character >= 9 && f.character <= 12) continue;
    text.push_back(f.IsReturn() ? ' ' : static_cast<char>(f.character));
  }
  return text;
}

void CLayerText::GetCharFormats(std::vector<CCharFormat>* formats) const { *formats = formats_; }

void CLayerText::SetTextAttributes(int vertical, COLORREF color, int alignment, int leading,
                                   int orientation, int tracking, int antiAlias) {
  // Every layout draws on a picture of its own size and factor, so a change
  // of anti-aliasing leaves nothing stale behind.
  attributes_ = {vertical, color, alignment, leading, orientation, tracking, antiAlias};
}

void CLayerText::GetTextAttributes(int* vertical, COLORREF* color, int* alignment, int* leading,
                                   int* orientation, int* tracking, int* antiAlias) const {
  *vertical = attributes_.vertical;
  *color = attributes_.color;
  *alignment = attributes_.alignment;
  *leading = attributes_.leading;
  *orientation = attributes_.orientation;
  *tracking = attributes_.tracking;
  *antiAlias = attributes_.antiAlias;
}

int CLayerText::LineCount() const {
  return 1 + static_cast<int>(std::count_if(formats_.begin(), formats_.end(),
                                            [](const CCharFormat& f) { return f.IsReturn(); }));
}

int CLayerText::LineStart(int line) const {
  if (line < 1) return 0;
  int returns = 0;
  for (std::size_t i = 0; i < formats_.size(); ++i) {
    if (formats_[i].IsReturn() && ++returns == line) return static_cast<int>(i + 1);
  }
  return static_cast<int>(formats_.size());
}

int CLayerText::BuildPSDTextTables(std::vector<fontPSD>* fonts, std::vector<fontStyle>* styles,
                                   std::vector<charPSD>* chars,
                                   std::vector<charLinePSD>* lines) const {
  fonts->clear();
  styles->clear();
  chars->clear();
  lines->clear();
  const auto vertical = static_cast<std::uint16_t>(attributes_.vertical);
  const auto alignment =
      static_cast<std::uint16_t>(attributes_.alignment == 2 ? 0xFFFF : attributes_.alignment);
  std::uint32_t lineCount = 0;
  for (const CCharFormat& f : formats_) {
    const std::uint32_t effects = f.EffectBits();
    auto font = std::find_if(fonts->begin(), fonts->end(), [&](const fontPSD& e) {
      return e.effects == effects && e.face == f.face;
    });
    if (font == fonts->end()) font = fonts->insert(fonts->end(), fontPSD{f.face, effects});
    const fontStyle style{static_cast<std::int32_t>(font - fonts->begin()), f.size / 10};
    auto found = std::find_if(styles->begin(), styles->end(), [&](const fontStyle& e) {
      return e.font == style.font && e.size == style.size;
    });
    if (found == styles->end()) found = styles->insert(styles->end(), style);
    chars->push_back({static_cast<std::int32_t>(found - styles->begin()), f.character});
    ++lineCount;
    if (f.IsReturn()) {
      lines->push_back({lineCount, vertical, alignment});
      lineCount = 0;
    }
  }
  if (lineCount != 0) lines->push_back({lineCount, vertical, alignment});
  return static_cast<int>(formats_.size());
}
