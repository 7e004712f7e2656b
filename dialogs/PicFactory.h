// Picture frames and mats drawn around an image buffer from the bitmap files
// kept beside the program ("Frame/Frame/<type>/<style>.bmp",
// "Frame/Mat/<mat>.bmp"), and the edge-template mask multiply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// A 24-bit picture, blue-green-red, rows from the bottom, no padding.
struct Picture24 {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;
  bool Empty() const { return width <= 0 || height <= 0; }
  std::uint8_t* Pixel(int x, int y) { return &bgr[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* Pixel(int x, int y) const {
    return &bgr[(static_cast<std::size_t>(y) * width + x) * 3];
  }
};

// Reads an uncompressed 24-bit bitmap file (file header, 40-byte or larger
// header, rows padded to 4 bytes). Every size is checked against the file:
// a truncated, oversized or other-depth file gives an empty picture.
Picture24 ReadBitmap24(const std::uint8_t* data, std::size_t size);
Picture24 ReadBitmap24File(const std::string& path);

// Frame and mat widths for a size class: the longer image side / 32, / 16
// or / 8; the frame's classes are 0..2, the mat's 1..3 (0 = no mat).
int FrameBorderForClass(int sizeClass, int width, int height);
int MatBorderForClass(int sizeClass, int width, int height);

// How the inner length of one side is cut into tiles of the frame border F:
// `count` tiles of `length`, the last one `lastLength` long. F = 0 (no
// frame) or no inner length gives no tiles.
struct FrameTiling {
  int count = 0;
  int length = 0;
  int lastLength = 0;
};
FrameTiling TileSide(int side, int border);

enum class FrameShape { kFlat = 0, kNotched = 1, kRound = 2 };
// Light 0..4: top left, top right, bottom right, bottom left, centre.

// The relief's brightness offset at position p across a strip n thick.
int ReliefOffset(FrameShape shape, int p, int n);

class CPicFactory {
 public:
  // Scans "<programFolder>/Frame/Frame" and "<programFolder>/Frame/Mat".
  explicit CPicFactory(const std::string& programFolder);
  virtual ~CPicFactory() = default;

  const std::vector<std::string>& Types() const { return types_; }
  const std::vector<std::string>& Styles(std::size_t type) const { return styles_[type]; }
  const std::vector<std::string>& Mats() const { return mats_; }

  // Path of the style's strip: the first type holding that name; empty when
  // none does.
  std::string FindStyle(const std::string& style) const;

  // Builds the four pieces and the mat for a width x height buffer. True
  // when 2 x (F + M) leaves a visible centre in both directions.
  bool Setup(bool grey, int width, int height, std::uint32_t matColor, int frameBorder, int matBorder,
             int light, int shape, const std::string& style, const std::string& mat);
  // Draws frame and mat into the buffer (rows from the bottom, `stride`
  // bytes apart; 3 bytes a pixel, or 1 when set up for grey). The centre is
  // left alone.
  void Apply(std::uint8_t* pixels, std::ptrdiff_t stride) const;
  // Writes 255 into an 8-bit buffer wherever Apply draws, and leaves the
  // rest alone.
  void ApplyCoverage(std::uint8_t* mask, std::ptrdiff_t stride) const;

  bool HasFrame() const { return !pieces_[0].Empty(); }
  const Picture24& Piece(int i) const { return pieces_[i]; }
  const Picture24& MatPicture() const { return matPicture_; }
  const FrameTiling& TilesAcross() const { return tilesW_; }
  const FrameTiling& TilesDown() const { return tilesH_; }

 private:
  void BuildPieces(const Picture24& strip, int light, FrameShape shape);
  void BuildMat(const std::string& mat, std::uint32_t matColor);
  // The frame pixel (B, G, R) of piece `piece` at `along` on its side and
  // `across` its band.
  const std::uint8_t* PiecePixel(int piece, int along, int sideLength, int across) const;
  const std::uint8_t* MatPixel(int x, int y) const;
  template <int kChannels>
  void ApplyRows(std::uint8_t* pixels, std::ptrdiff_t stride) const;

  std::string folder_;
  std::vector<std::string> types_;
  std::vector<std::vector<std::string>> styles_;
  std::vector<std::string> mats_;
  bool grey_ = false;
  Picture24 pieces_[4];
  Picture24 matPicture_;
  std::uint8_t matPlain_[3] = {0, 0, 0};
  int width_ = 0;
  int height_ = 0;
  int light_ = 0;
  int matBorder_ = 0;
  int frameBorder_ = 0;
  FrameTiling tilesW_;
  FrameTiling tilesH_;
};

// What the frame dialog chose, as the frame command needs it.
struct FrameChoice {
  int frameClass = -1;  // 0..2 small, medium, large; -1 no frame
  int matClass = 0;     // 1..3 small, medium, large; 0 no mat
  int light = 0;
  int shape = 0;
  std::string style;
  std::string mat;
  std::uint32_t matColor = 0xFFFFFF;  // 0x00BBGGRR
};

// The frame picture for an image of width x height: `border` (frame plus
// mat) on every side, the picture as a packed DIB of the grown size (24
// bits, or 8 bits with the grey palette; both resolutions 300, all pixels 0
// but the frame and mat) and its mask as an 8-bit grey DIB (255 where the
// frame or mat was drawn, 0 elsewhere). Empty DIBs when the grown size is
// past `maxSide`.
struct FramePicture {
  int border = 0;
  std::vector<std::uint8_t> dib;
  std::vector<std::uint8_t> maskDib;
};
FramePicture DrawFramePicture(CPicFactory& factory, const FrameChoice& choice, int width, int height, bool grey,
                              int maxSide);

// An 8-bit edge template: one coverage byte a pixel, rows from the bottom.
struct EdgeTemplate {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> values;
};

// Scales the template by nearest neighbour over the 8-bit pixels (rows from
// the bottom, `stride` apart) and makes every pixel v into v x (255 - m) /
// 255, m the template's value there. False (nothing changed) for an empty
// template or image.
bool ApplyResourceMask(std::uint8_t* pixels, int width, int height, std::ptrdiff_t stride,
                       const EdgeTemplate& tpl);

}  // namespace lumora
