// Picture frames and mats from the program's bitmap folders, and the edge
// template multiply.
#include "dialogs/PicFactory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "engine/pixels/Div255.h"

namespace lumora {
namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Strips and mats above this side are refused rather than allocated.
constexpr std::int32_t kMaxSide = 16384;

std::vector<std::string> SortedEntries(const std::filesystem::path& dir, bool folders) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kindError;
    const bool isFolder = it->is_directory(kindError);
    if (isFolder == folders) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A name less its last four characters (".bmp"); empty when too short.
std::string StemOf(const std::string& file) { return file.size() > 4 ? file.substr(0, file.size() - 4) : ""; }

}  // namespace

Picture24 ReadBitmap24(const std::uint8_t* data, std::size_t size) {
  Picture24 out;
  if (data == nullptr || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return out;
  const std::uint32_t offBits = ReadLe32(data + 10);
  const std::uint32_t headerSize = ReadLe32(data + 14);
  if (headerSize < 40 || headerSize > size - 14) return out;
  const auto width = static_cast<std::int32_t>(ReadLe32(data + 18));
  const auto rawHeight = static_cast<std::int32_t>(ReadLe32(data + 22));
  if (ReadLe16(data + 26) != 1 || ReadLe16(data + 28) != 24 || ReadLe32(data + 30) != 0) return out;
  if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide || rawHeight > kMaxSide)
    return out;
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
  if (offBits < 14 + headerSize || offBits > size || stride * height > size - offBits) return out;
  out.width = width;
  out.height = height;
  out.bgr.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    // Rows from the bottom: a top-down file is turned over.
    const int fileRow = rawHeight > 0 ? y : height - 1 - y;
    std::copy_n(data + offBits + stride * fileRow, static_cast<std::size_t>(width) * 3, out.Pixel(0, y));
  }
  return out;
}

Picture24 ReadBitmap24File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  // Four bytes a pixel at the largest side is far above any strip; a bigger
  // file is not read at all.
  if (length <= 0 || length > static_cast<std::streamoff>(64) * 1024 * 1024) return {};
  in.seekg(0);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) return {};
  return ReadBitmap24(bytes.data(), bytes.size());
}

int FrameBorderForClass(int sizeClass, int width, int height) {
  const int side = std::max(width, height);
  switch (sizeClass) {
    case 0: return side / 32;
    case 1: return side / 16;
    case 2: return side / 8;
    default: return 0;
  }
}

int MatBorderForClass(int sizeClass, int width, int height) {
  return sizeClass >= 1 && sizeClass <= 3 ? FrameBorderForClass(sizeClass - 1, width, height) : 0;
}

FrameTiling TileSide(int side, int border) {
  FrameTiling t;
  const int inner = side - 2 * border;
  // Without a frame there is nothing to tile (and nothing to divide by).
  if (border <= 0 || inner <= 0) return t;
  const int count = inner / border;
  if (count == 0) {
    // Shorter than one tile: a single tile of the whole inner length.
    t.count = 1;
    t.length = t.lastLength = inner;
    return t;
  }
  const int remainder = inner - count * border;
  t.count = count;
  t.length = remainder >= count ? border + remainder / count : border;
  t.lastLength = inner - (count - 1) * t.length;
  return t;
}

int ReliefOffset(FrameShape shape, int p, int n) {
  if (n <= 0) return 0;
  switch (shape) {
    case FrameShape::kFlat:
      if (p < n / 6) return -80;
      if (p > 5 * n / 6) return 80;
      return 0;
    case FrameShape::kNotched:
      if (p < (n + 3) / 6) return -40;
      if (p < (n + 2) / 4) return -80;
      if (p < (n + 1) / 3) return 80;
      if (p < (2 * n + 1) / 3) return (p - (n + 1) / 2) * 480 / n;
      if (p <= (3 * n + 2) / 4) return -80;
      if (p > (5 * n + 3) / 6) return 40;
      return 80;
    case FrameShape::kRound:
      return (p - n / 2) * 160 / n;
  }
  return 0;
}

CPicFactory::CPicFactory(const std::string& programFolder) : folder_(programFolder) {
  namespace fs = std::filesystem;
  types_.push_back("none");
  styles_.emplace_back();
  const fs::path frames = fs::path(folder_) / "Frame" / "Frame";
  for (const std::string& type : SortedEntries(frames, true)) {
    types_.push_back(type);
    styles_.emplace_back();
    for (const std::string& file : SortedEntries(frames / type, false))
      if (!StemOf(file).empty()) styles_.back().push_back(StemOf(file));
  }
  // Loose files in the frame folder belong to the last type found; "none"
  // keeps its empty list.
  if (types_.size() > 1)
    for (const std::string& file : SortedEntries(frames, false))
      if (!StemOf(file).empty()) styles_.back().push_back(StemOf(file));
  for (const std::string& file : SortedEntries(fs::path(folder_) / "Frame" / "Mat", false))
    if (!StemOf(file).empty()) mats_.push_back(StemOf(file));
}

std::string CPicFactory::FindStyle(const std::string& style) const {
  for (std::size_t t = 1; t < types_.size(); ++t) {
    const auto& list = styles_[t];
    if (std::find(list.begin(), list.end(), style) == list.end()) continue;
    const bool loose = !std::filesystem::exists(std::filesystem::path(folder_) / "Frame" / "Frame" /
                                                types_[t] / (style + ".bmp"));
    const auto base = std::filesystem::path(folder_) / "Frame" / "Frame";
    return ((loose ? base : base / types_[t]) / (style + ".bmp")).string();
  }
  return {};
}

void CPicFactory::BuildPieces(const Picture24& strip, int light, FrameShape shape) {
  const int len = strip.width;
  const int n = strip.height;
  for (auto& piece : pieces_) piece = Picture24{};
  if (strip.Empty()) return;
  // Which way p runs across each piece, per light: true = rows upward or
  // columns from the right.
  const bool tl = light == 0, tr = light == 1, bl = light == 3, centre = light == 4;
  const bool upward0 = tl || tr || centre;
  const bool fromRight1 = tl || bl || centre;
  const bool upward2 = tl || tr;
  const bool fromRight3 = tl || bl;
  for (int i = 0; i < 4; ++i) {
    Picture24& piece = pieces_[i];
    const bool sideways = i == 1 || i == 3;
    piece.width = sideways ? n : len;
    piece.height = sideways ? len : n;
    piece.bgr.resize(strip.bgr.size());
    for (int y = 0; y < piece.height; ++y) {
      for (int x = 0; x < piece.width; ++x) {
        // Source pixel: 0 as stored, 1 transposed, 2 rows reversed, 3
        // transposed with the columns reversed.
        const std::uint8_t* src = i == 0   ? strip.Pixel(x, y)
                                  : i == 1 ? strip.Pixel(y, x)
                                  : i == 2 ? strip.Pixel(x, n - 1 - y)
                                           : strip.Pixel(y, n - 1 - x);
        int p = 0;
        if (i == 0) p = upward0 ? y : n - 1 - y;
        if (i == 1) p = fromRight1 ? n - 1 - x : x;
        if (i == 2) p = upward2 ? y : n - 1 - y;
        if (i == 3) p = fromRight3 ? n - 1 - x : x;
        const int offset = ReliefOffset(shape, p, n);
        std::uint8_t* dst = piece.Pixel(x, y);
        for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>(std::clamp(src[c] + offset, 0, 255));
      }
    }
  }
}

void CPicFactory::BuildMat(const std::string& mat, std::uint32_t matColor) {
  const std::uint8_t colour[3] = {static_cast<std::uint8_t>(matColor >> 16),
                                  static_cast<std::uint8_t>(matColor >> 8), static_cast<std::uint8_t>(matColor)};
  std::copy_n(colour, 3, matPlain_);
  matPicture_ = Picture24{};
  if (mat.empty() || std::find(mats_.begin(), mats_.end(), mat) == mats_.end()) return;
  matPicture_ = ReadBitmap24File((std::filesystem::path(folder_) / "Frame" / "Mat" / (mat + ".bmp")).string());
  for (std::size_t i = 0; i < matPicture_.bgr.size(); i += 3) {
    // The blue byte is the brightness (0 counts as 1): (b * colour + 127) /
    // 255 stays within a byte since b, colour <= 255.
    const unsigned b = std::max<unsigned>(1, matPicture_.bgr[i]);
    for (int c = 0; c < 3; ++c) matPicture_.bgr[i + c] = static_cast<std::uint8_t>(Div255(b * colour[c] + 127));
  }
}

bool CPicFactory::Setup(bool grey, int width, int height, std::uint32_t matColor, int frameBorder,
                        int matBorder, int light, int shape, const std::string& style, const std::string& mat) {
  grey_ = grey;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  light_ = std::clamp(light, 0, 4);
  frameBorder_ = std::max(0, frameBorder);
  matBorder_ = std::max(0, matBorder);
  const std::string path = frameBorder_ > 0 && style != "none" ? FindStyle(style) : std::string();
  BuildPieces(path.empty() ? Picture24{} : ReadBitmap24File(path), light_,
              static_cast<FrameShape>(std::clamp(shape, 0, 2)));
  BuildMat(mat, matColor);
  tilesW_ = TileSide(width_, frameBorder_);
  tilesH_ = TileSide(height_, frameBorder_);
  const int both = 2 * (frameBorder_ + matBorder_);
  return both < width_ && both < height_;
}

const std::uint8_t* CPicFactory::PiecePixel(int piece, int along, int sideLength, int across) const {
  const Picture24& pic = pieces_[piece];
  const bool sideways = piece == 1 || piece == 3;
  const int pieceLength = sideways ? pic.height : pic.width;
  const int thickness = sideways ? pic.width : pic.height;
  const FrameTiling& tiles = sideways ? tilesH_ : tilesW_;
  const int f = frameBorder_;
  // Corner squares show the strip squeezed into F; between them the strip
  // is repeated tile by tile, each tile holding the whole strip.
  int offset = 0, tileLength = f;
  if (along < f) {
    offset = along;
  } else if (along >= sideLength - f) {
    offset = along - (sideLength - f);
  } else if (tiles.count > 0) {
    const int inner = along - f;
    const int k = std::min(inner / tiles.length, tiles.count - 1);
    offset = inner - k * tiles.length;
    tileLength = k == tiles.count - 1 ? tiles.lastLength : tiles.length;
  }
  const int a = std::clamp(static_cast<int>(static_cast<long long>(offset) * pieceLength / std::max(1, tileLength)),
                           0, pieceLength - 1);
  const int c = std::clamp(static_cast<int>(static_cast<long long>(across) * thickness / std::max(1, f)), 0,
                           thickness - 1);
  return sideways ? pic.Pixel(c, a) : pic.Pixel(a, c);
}

const std::uint8_t* CPicFactory::MatPixel(int x, int y) const {
  if (matPicture_.Empty()) return matPlain_;
  return matPicture_.Pixel(x % matPicture_.width, y % matPicture_.height);
}

template <int kChannels>
void CPicFactory::ApplyRows(std::uint8_t* pixels, std::ptrdiff_t stride) const {
  const int w = width_, h = height_, f = frameBorder_, m = matBorder_;
  const bool frame = f > 0 && HasFrame();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = pixels + stride * y;
    // Distance from the top edge, so that both diagonals of the corner
    // squares are drawn alike.
    const int fromTop = h - 1 - y;
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* src = nullptr;
      if (y < f || fromTop < f || x < f || x >= w - f) {
        // A frame whose strip could not be read leaves its band alone.
        if (!frame) continue;
        if (y < f) {
          src = x < y ? PiecePixel(3, y, h, x) : x >= w - y ? PiecePixel(1, y, h, x - (w - f)) : PiecePixel(0, x, w, y);
        } else if (fromTop < f) {
          src = x < fromTop        ? PiecePixel(3, y, h, x)
                : x >= w - fromTop ? PiecePixel(1, y, h, x - (w - f))
                                   : PiecePixel(2, x, w, y - (h - f));
        } else {
          src = x < f ? PiecePixel(3, y, h, x) : PiecePixel(1, y, h, x - (w - f));
        }
      } else if (y < f + m || fromTop < f + m || x < f + m || x >= w - f - m) {
        src = MatPixel(x, y);
      } else {
        continue;
      }
      std::uint8_t* dst = row + static_cast<std::ptrdiff_t>(x) * std::max(kChannels, 1);
      if constexpr (kChannels == 0) {
        *dst = 255;
      } else if constexpr (kChannels == 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      } else {
        // Grey from blue, green, red with weights 28, 151, 77 (summing to
        // 256, so white stays 255).
        dst[0] = static_cast<std::uint8_t>((src[0] * 28 + src[1] * 151 + src[2] * 77 + 128) >> 8);
      }
    }
  }
}

void CPicFactory::Apply(std::uint8_t* pixels, std::ptrdiff_t stride) const {
  if (pixels == nullptr) return;
  if (grey_)
    ApplyRows<1>(pixels, stride);
  else
    ApplyRows<3>(pixels, stride);
}

void CPicFactory::ApplyCoverage(std::uint8_t* mask, std::ptrdiff_t stride) const {
  if (mask != nullptr) ApplyRows<0>(mask, stride);
}

namespace {

// A zero-filled packed DIB: 40-byte header, the grey palette for 8 bits,
// rows padded to 4 bytes, both resolutions 300 pixels per metre.
std::vector<std::uint8_t> BlankDib(int width, int height, int bits) {
  const std::size_t stride = (static_cast<std::size_t>(width) * (bits / 8) + 3) & ~static_cast<std::size_t>(3);
  const std::size_t palette = bits == 8 ? 1024 : 0;
  std::vector<std::uint8_t> dib(40 + palette + stride * height, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<std::uint32_t>(width));
  put32(8, static_cast<std::uint32_t>(height));
  dib[12] = 1;
  dib[14] = static_cast<std::uint8_t>(bits);
  put32(20, static_cast<std::uint32_t>(stride * height));
  put32(24, 300);
  put32(28, 300);
  if (bits == 8) {
    put32(32, 256);
    for (int i = 0; i < 256; ++i) dib[40 + i * 4] = dib[41 + i * 4] = dib[42 + i * 4] = static_cast<std::uint8_t>(i);
  }
  return dib;
}

}  // namespace

FramePicture DrawFramePicture(CPicFactory& factory, const FrameChoice& choice, int width, int height, bool grey,
                              int maxSide) {
  FramePicture out;
  const int frame = FrameBorderForClass(choice.frameClass, width, height);
  const int mat = MatBorderForClass(choice.matClass, width, height);
  out.border = frame + mat;
  const long long w = static_cast<long long>(width) + 2LL * out.border;
  const long long h = static_cast<long long>(height) + 2LL * out.border;
  if (width <= 0 || height <= 0 || w > maxSide || h > maxSide) return out;
  factory.Setup(grey, static_cast<int>(w), static_cast<int>(h), choice.matColor, frame, mat, choice.light,
                choice.shape, choice.style, choice.mat);
  const int bits = grey ? 8 : 24;
  out.dib = BlankDib(static_cast<int>(w), static_cast<int>(h), bits);
  out.maskDib = BlankDib(static_cast<int>(w), static_cast<int>(h), 8);
  const std::size_t palette = grey ? 1024 : 0;
  factory.Apply(out.dib.data() + 40 + palette, static_cast<std::ptrdiff_t>((w * (bits / 8) + 3) & ~3LL));
  factory.ApplyCoverage(out.maskDib.data() + 40 + 1024, static_cast<std::ptrdiff_t>((w + 3) & ~3LL));
  return out;
}

bool ApplyResourceMask(std::uint8_t* pixels, int width, int height, std::ptrdiff_t stride,
                       const EdgeTemplate& tpl) {
  if (pixels == nullptr || width <= 0 || height <= 0 || tpl.width <= 0 || tpl.height <= 0 ||
      tpl.values.size() < static_cast<std::size_t>(tpl.width) * tpl.height)
    return false;
  std::vector<int> columns(width);
  for (int x = 0; x < width; ++x) columns[x] = static_cast<int>(static_cast<long long>(x) * tpl.width / width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* t = &tpl.values[static_cast<std::size_t>(static_cast<long long>(y) * tpl.height / height) *
                                        tpl.width];
    std::uint8_t* row = pixels + stride * y;
    // v x (255 - m) / 255, truncated as the template multiply is defined.
    for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(Div255(row[x] * (255u - t[columns[x]])));
  }
  return true;
}

}  // namespace lumora
