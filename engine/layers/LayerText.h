// Text layers: a layer whose pixels are made from a string of formatted
// characters. It keeps one character format per character and seven text
// attributes for the whole layer; the layered file stores both in the
// layer's text block (with tables built here), and the pixels as channel
// data like any layer's, so a text layer read from a file shows its stored
// pixels until it is laid out again. Layout and drawing use the platform's
// text services and live with the Windows side of the engine.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/layers/DocumentLock.h"
#include "engine/layers/Layer.h"
#include "engine/layers/TextLayout.h"

namespace lumora {

// The rich-edit control's character format record in its 8-bit form (60
// bytes, laid out as the control expects it).
struct CHARFORMAT {
  std::uint32_t size = 0;
  std::uint32_t mask = 0;
  std::uint32_t effects = 0;
  std::int32_t height = 0;  // character height, 165 units to 8 points
  std::int32_t offset = 0;
  std::uint32_t textColor = 0;
  std::uint8_t charSet = 0;
  std::uint8_t pitchAndFamily = 0;
  char faceName[32] = {};
};
static_assert(sizeof(CHARFORMAT) == 60, "the control's record is 60 bytes");

// Mask and effect bits of the record.
inline constexpr std::uint32_t kCfmBold = 0x1u;
inline constexpr std::uint32_t kCfmItalic = 0x2u;
inline constexpr std::uint32_t kCfmUnderline = 0x4u;
inline constexpr std::uint32_t kCfmStrikeout = 0x8u;
inline constexpr std::uint32_t kCfmOffset = 0x10000000u;
inline constexpr std::uint32_t kCfmFace = 0x20000000u;
inline constexpr std::uint32_t kCfmColor = 0x40000000u;
inline constexpr std::uint32_t kCfmSize = 0x80000000u;
inline constexpr std::uint32_t kCfeBold = 0x1u;
inline constexpr std::uint32_t kCfeItalic = 0x2u;
inline constexpr std::uint32_t kCfeUnderline = 0x4u;
inline constexpr std::uint32_t kCfeStrikeout = 0x8u;

// Face names are kept to this many characters.
inline constexpr std::size_t kFaceNameLength = 32;

// Effect bits of a font in the text block tables.
inline constexpr std::uint32_t kFontBold = 1u;
inline constexpr std::uint32_t kFontItalic = 2u;
inline constexpr std::uint32_t kFontUnderline = 4u;
inline constexpr std::uint32_t kFontStrikeout = 8u;

}  // namespace lumora

// The format of one character of a text layer.
class CCharFormat {
 public:
  CCharFormat() = default;
  // From a character code (its low byte) and a control record: the height
  // rounded to whole points (165 units are 8 points), the face cut to 32
  // characters, the four effects, and the tracking for `scale`.
  CCharFormat(int ch, const lumora::CHARFORMAT& cf, int scale);

  // The record for the control: every mask bit, effects, height from the
  // size, character set 1, the face's first 31 characters.
  void ToCHARFORMAT(lumora::CHARFORMAT* cf) const;
  bool IsReturn() const { return character == 13; }
  // The effect bits of the text block (bold 1, italic 2, underline 4,
  // strikeout 8).
  std::uint32_t EffectBits() const;

  std::int32_t size = 0;  // tenths of a point, a whole number of points
  std::string face;
  std::int32_t bold = 0;
  std::int32_t italic = 0;
  std::int32_t strikeout = 0;
  std::int32_t underline = 0;
  std::uint8_t character = 0;
  std::int32_t tracking = 0;
};

// Tables of the text block of the layered file.
struct fontPSD {
  std::string face;
  std::uint32_t effects = 0;  // kFontBold, kFontItalic, kFontUnderline, kFontStrikeout
};
struct fontStyle {
  std::int32_t font = 0;  // index into the font list
  std::int32_t size = 0;  // whole points
};
struct charPSD {
  std::int32_t style = 0;        // index into the style list
  std::uint32_t character = 0;   // the code in the low byte
};
struct charLinePSD {
  std::uint32_t count = 0;  // characters of the line, its carriage return included
  std::uint16_t vertical = 0;
  std::uint16_t alignment = 0;  // 0 left, 1 centre, 0xFFFF right
};

namespace lumora {

// The seven attributes of a text layer, in the order of SetTextAttributes.
struct TextAttributes {
  std::int32_t vertical = 0;   // non-zero: columns of characters, right to left
  COLORREF color = 0;          // red in the low byte
  std::int32_t alignment = 0;  // 0 left (top), 1 centre, 2 right (bottom)
  std::int32_t leading = 0;    // extra space between lines, final pixels
  std::int32_t orientation = 0;  // degrees given to every glyph
  std::int32_t tracking = 0;   // extra space after every character
  std::int32_t antiAlias = 0;  // lay out three times as large and reduce
};

}  // namespace lumora

class CLayerText : public CLayer {
 public:
  // A new text layer: rect (0, 0, 1, 1) of type 8 or 16 with the default
  // attributes record, no characters, all text attributes 0.
  explicit CLayerText(int type);
  // An empty layer with empty text fields, for the file reader.
  CLayerText();
  CLayerText(const CLayerText& source,
             lumora::LayerBuffers buffers = lumora::LayerBuffers::kClone);
  ~CLayerText() override = default;

  CLayer* CreateCopy() const override { return new CLayerText(*this); }
  CLayer* CreateSharedCopy() const override {
    return new CLayerText(*this, lumora::LayerBuffers::kShare);
  }
  int IsText() const override { return 1; }
  // The layer copy, then (from a text layer) the text fields; the picture
  // of the last layout is not copied: the next layout makes its own.
  void CopyFrom(const CLayer* source) override;
  // Stores the resolution of the text picture too.
  void SetResolution(std::uint32_t packed) override;

  // Copies of the formats; the layer's name becomes the plain text (codes
  // 9 to 12 dropped, a carriage return as one blank).
  void SetCharFormats(const std::vector<CCharFormat>& formats);
  void GetCharFormats(std::vector<CCharFormat>* formats) const;
  // The characters in order, codes 9 to 12 dropped and a carriage return
  // as one blank: the name a text layer takes.
  std::string PlainText() const;
  const std::vector<CCharFormat>& CharFormats() const { return formats_; }
  int GetCharCount() const { return static_cast<int>(formats_.size()); }

  void SetTextAttributes(int vertical, COLORREF color, int alignment, int leading,
                         int orientation, int tracking, int antiAlias);
  void GetTextAttributes(int* vertical, COLORREF* color, int* alignment, int* leading,
                         int* orientation, int* tracking, int* antiAlias) const;
  const lumora::TextAttributes& Attributes() const { return attributes_; }

  // 1 + the number of carriage returns.
  int LineCount() const;
  // Index of the first character of line i (0 for i < 1).
  int LineStart(int line) const;

  // Fills the four tables of the text block and returns the number of
  // characters (0, tables empty, without characters).
  int BuildPSDTextTables(std::vector<fontPSD>* fonts, std::vector<fontStyle>* styles,
                         std::vector<charPSD>* chars, std::vector<charLinePSD>* lines) const;

  // Lays the text out with the device's fonts (three times as large and
  // reduced with antiAlias) and renders it into the layer, whose document
  // (null: none) is locked while the layer changes. 0 done, also for text
  // without ink; 1 without a coverage picture; 16 when the picture or a
  // buffer cannot be made or the text would be larger than an image
  // (kMaxImageSide), the layer unchanged.
  int LayoutText(int antiAlias, lumora::TextDevice& device, lumora::DocumentLock* document);
  // Fills the image (type 8 or 16) with the text colour and the mask with
  // 255 - coverage, and moves the rect from the previous offsets to (x, y).
  // 0 done or nothing to render; 1 without coverage; 16 when a buffer
  // cannot be made, the layer unchanged.
  int RenderIntoLayer(int type, int x, int y, lumora::DocumentLock* document);
  // The final coverage picture of the last layout (0 ink, 255 empty; rows
  // padded to 4 bytes) and its size.
  const std::vector<std::uint8_t>& GetCoverage() const { return coverage_; }
  int GetFinalWidth() const { return finalWidth_; }
  int GetFinalHeight() const { return finalHeight_; }
  int GetLayoutWidth() const { return layoutWidth_; }
  int GetLayoutHeight() const { return layoutHeight_; }

  // The text as the editing control's rich text (its own format); the
  // file does not keep it.
  const std::string& GetRichText() const { return richText_; }
  void SetRichText(std::string rtf) { richText_ = std::move(rtf); }
  // A layer the text tool made and nobody has accepted yet.
  bool IsNew() const { return isNew_; }
  void SetNew(bool isNew) { isNew_ = isNew; }
  // The editing control's last selection (character positions).
  void GetSavedSelection(long* start, long* end) const {
    *start = selectionStart_;
    *end = selectionEnd_;
  }
  void SetSavedSelection(long start, long end) {
    selectionStart_ = start;
    selectionEnd_ = end;
  }

  std::uint32_t GetTextResolution() const { return textResolution_; }
  // The layout's products that travel with a copy.
  int GetLayoutFactor() const { return factor_; }
  const RECT& GetLayoutBox() const { return unionBox_; }

 private:
  void CopyTextFields(const CLayerText& source);

  lumora::TextAttributes attributes_;
  std::vector<CCharFormat> formats_;
  int factor_ = 1;
  std::uint32_t textResolution_ = 0x012C012Cu;  // 300 x 300
  RECT unionBox_ = {};
  int layoutWidth_ = 0;
  int layoutHeight_ = 0;
  int finalWidth_ = 0;
  int finalHeight_ = 0;
  std::vector<std::uint8_t> coverage_;  // empty: none
  int offsetX_ = 0;  // offsets of the last rendering
  int offsetY_ = 0;
  std::string text_;
  std::uint32_t value_ = 0;
  std::string richText_;
  bool isNew_ = false;
  long selectionStart_ = 0;
  long selectionEnd_ = 0;
};
