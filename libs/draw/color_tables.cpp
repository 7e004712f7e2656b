// Gamma tables, logical palettes and the palette quantiser.
#include "libs/draw/color_tables.h"

#include <algorithm>
#include <cmath>

namespace lumora::draw {
namespace {

void FillGamma(std::array<std::uint8_t, 256>* table, std::int32_t gamma100) {
  for (int i = 0; i < 256; ++i) {
    if (gamma100 == 100 || gamma100 < 1) {
      (*table)[i] = static_cast<std::uint8_t>(i);
    } else {
      const double v = 255.0 * std::pow(i / 255.0, 100.0 / gamma100);
      (*table)[i] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
}

constexpr int kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Cube level 0..5 of a channel with the dither threshold t (0..63):
// v * 5 / 255 rounded up when its fraction exceeds (t + 0.5) / 64.
int CubeLevel(int v, int t) {
  const int scaled = v * 5;
  const int level = scaled / 255;
  const int fraction = scaled - level * 255;  // 0..254
  return level + (fraction * 128 > (2 * t + 1) * 255 ? 1 : 0);
}

}  // namespace

int BayerThreshold(std::int64_t du, std::int64_t dv) { return kBayer8[dv & 7][du & 7]; }

GammaTables MakeGammaTables(const VR_GAMMAOPT& gamma) {
  GammaTables t;
  FillGamma(&t.r, gamma.GammaR);
  FillGamma(&t.g, gamma.GammaG);
  FillGamma(&t.b, gamma.GammaB);
  t.identity = (gamma.GammaR == 100 || gamma.GammaR < 1) && (gamma.GammaG == 100 || gamma.GammaG < 1) &&
               (gamma.GammaB == 100 || gamma.GammaB < 1);
  return t;
}

PaletteMap::PaletteMap(const VR_CDOPTFV& options, const VrWA2000::ReadWA& image)
    : dither_(options.dither != 0) {
  const int type = image.GetType();
  const bool indexed = type == kWAType1Bit || type == kWAType4Bit || type == kWAType8Palette;
  if ((options.paletteKind == 2 || options.paletteKind == 3) && indexed) {
    kind_ = Kind::kTable;
    const int count = image.GetPaletteSize();
    entries_.assign(image.Palette(), image.Palette() + count);
  } else if (options.paletteKind == 1) {
    kind_ = Kind::kCube;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) {
          entries_.push_back(PALETTEENTRY{static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51),
                                          static_cast<BYTE>(b * 51), 0});
        }
    return;
  } else {
    kind_ = Kind::kGrey;
    for (int i = 0; i < 256; ++i) {
      entries_.push_back(PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0});
    }
    return;
  }
  for (int i = 0; i < static_cast<int>(entries_.size()); ++i) exact_.push_back(EntryRgb(i));
  std::sort(exact_.begin(), exact_.end());
  // Nearest entry for each 5-bit cell centre, first entry on a tie.
  inverse_.resize(32 * 32 * 32);
  for (int r = 0; r < 32; ++r)
    for (int g = 0; g < 32; ++g)
      for (int b = 0; b < 32; ++b) {
        const int cr = r * 8 + 4, cg = g * 8 + 4, cb = b * 8 + 4;
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
          const int dr = entries_[i].peRed - cr, dg = entries_[i].peGreen - cg, db = entries_[i].peBlue - cb;
          const int distance = dr * dr + dg * dg + db * db;
          if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
          }
        }
        inverse_[(r << 10) | (g << 5) | b] = static_cast<std::uint8_t>(best);
      }
}

std::uint32_t PaletteMap::EntryRgb(int index) const {
  const PALETTEENTRY& e = entries_[index];
  return (std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue;
}

std::uint32_t PaletteMap::Nearest(int r, int g, int b) const {
  return EntryRgb(inverse_[((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)]);
}

std::uint32_t PaletteMap::Map(std::uint32_t rgb, std::int64_t du, std::int64_t dv) const {
  const int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  if (kind_ == Kind::kGrey) {
    // Rec. 601 luma in 8.8 fixed point (77 + 150 + 29 = 256).
    const std::uint32_t y = (77u * r + 150u * g + 29u * b + 128u) >> 8;
    return (y << 16) | (y << 8) | y;
  }
  if (kind_ == Kind::kCube) {
    const int t = dither_ ? BayerThreshold(du, dv) : 31;
    return (std::uint32_t(CubeLevel(r, t) * 51) << 16) | (std::uint32_t(CubeLevel(g, t) * 51) << 8) |
           std::uint32_t(CubeLevel(b, t) * 51);
  }
  if (std::binary_search(exact_.begin(), exact_.end(), rgb & 0xFFFFFFu)) return rgb & 0xFFFFFFu;
  const std::uint32_t nearest = Nearest(r, g, b);
  if (!dither_) return nearest;
  // Colours the palette lacks: spread them by +-16 around their value.
  const int offset = (BayerThreshold(du, dv) - 32) / 2;
  return Nearest(std::clamp(r + offset, 0, 255), std::clamp(g + offset, 0, 255),
                 std::clamp(b + offset, 0, 255));
}

}  // namespace lumora::draw
