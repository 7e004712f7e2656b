// The library's entry points: contexts, statistics, palette choice and row
// mapping with serpentine Floyd-Steinberg error diffusion.
#include "hostapi/dither.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "libs/dither/Quantise.h"

using lumora::dither::Colour;
using lumora::dither::Histogram;
using lumora::dither::NearestMap;

constexpr std::uint32_t kStatsMagic = 0x44544853;  // "SHTD": the record word

struct DthStats {
  std::uint32_t recordWord = kStatsMagic;
  Histogram histogram;
  std::vector<Colour> chosen;
};

struct DthContext {
  std::unique_ptr<DthStats> stats;
};

namespace {

// The error a pixel takes from its neighbours is clamped, so that flat
// areas next to strong edges do not streak. Small palettes need the whole
// range: a dark grey becomes the odd white dot only after a large error.
// Large palettes pass on four fifths of each pixel's error: full-strength
// diffusion adds more noise than it removes banding on photographs. Small
// ones pass on all of it, which keeps the average of every area.
int DiffusionPercentFor(int colours) { return colours <= 16 ? 100 : 80; }

int ErrorLimitFor(int colours) { return colours <= 16 ? 255 : 64; }

std::vector<Colour> StandardPalette(int colours) {
  std::vector<Colour> palette;
  if (colours == 216) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          palette.push_back({std::uint8_t(51 * b), std::uint8_t(51 * g), std::uint8_t(51 * r)});
  } else if (colours == 16) {
    // Index bit 0 red, bit 1 green, bit 2 blue; entries 8 to 15 are never chosen.
    for (int i = 0; i < 8; ++i)
      palette.push_back({std::uint8_t(i & 4 ? 255 : 0), std::uint8_t(i & 2 ? 255 : 0), std::uint8_t(i & 1 ? 255 : 0)});
  } else if (colours == 2) {
    palette = {{0, 0, 0}, {255, 255, 255}};
  }
  return palette;
}

}  // namespace

struct DthDither {
  DthDither(std::vector<Colour> palette, bool grey, bool diffuse, int width)
      : map(std::move(palette), diffuse ? 2 : 1), grey(grey), diffuse(diffuse), width(width),
        errorLimit(ErrorLimitFor(map.Size())), diffusion(DiffusionPercentFor(map.Size())), errors(diffuse ? 2 * 3 * (width + 2) : 0), bgr(grey ? 3 * width : 0) {
    for (int d = -255; d <= 255; ++d) diffused[static_cast<std::size_t>(d + 255)] = d * diffusion / 100;
  }

  void MapPlain(const std::uint8_t* in, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, in += 3) out[x] = static_cast<std::uint8_t>(map.Nearest(in[0], in[1], in[2]));
  }

  // One row of Floyd-Steinberg, left to right on even rows and right to
  // left on odd ones. Errors are kept in sixteenths. The share a pixel
  // passes to the next one on its row is carried in registers rather than
  // through the row of errors, and the diffused part of a difference comes
  // from a table: the step from one pixel to the next waits on nothing but
  // the palette lookup.
  void MapDiffused(const std::uint8_t* in, std::uint8_t* out) {
    const int* current = errors.data() + (row & 1) * 3 * (width + 2);
    int* next = errors.data() + ((row + 1) & 1) * 3 * (width + 2);
    std::fill(next, next + 3 * (width + 2), 0);
    const bool forward = (row & 1) == 0;
    const int step = forward ? 1 : -1;
    const int* share = diffused.data() + 255;  // share[d] = d * diffusion / 100, d in -255..255
    int x = forward ? 0 : width - 1;
    int carry0 = 0, carry1 = 0, carry2 = 0;  // 7/16 of the last pixel's error, per channel
    for (int n = 0; n < width; ++n, x += step) {
      const std::uint8_t* px = in + 3 * x;
      const int* e = current + 3 * (x + 1);
      const int v0 = Corrected(px[0], e[0] + carry0);
      const int v1 = Corrected(px[1], e[1] + carry1);
      const int v2 = Corrected(px[2], e[2] + carry2);
      const int index = map.Nearest(v0, v1, v2);
      out[x] = static_cast<std::uint8_t>(index);
      const Colour& chosen = map.Entry(index);
      const int d0 = share[v0 - chosen.b], d1 = share[v1 - chosen.g], d2 = share[v2 - chosen.r];
      carry0 = d0 * 7;
      carry1 = d1 * 7;
      carry2 = d2 * 7;
      int* belowAhead = next + 3 * (x + 1 + step);
      int* below = next + 3 * (x + 1);
      int* belowBehind = next + 3 * (x + 1 - step);
      belowBehind[0] += d0 * 3;
      belowBehind[1] += d1 * 3;
      belowBehind[2] += d2 * 3;
      below[0] += d0 * 5;
      below[1] += d1 * 5;
      below[2] += d2 * 5;
      belowAhead[0] += d0;
      belowAhead[1] += d1;
      belowAhead[2] += d2;
    }
    ++row;
  }

  // A channel with its error (sixteenths, rounded half away from zero,
  // clamped to the limit) added, within 0..255.
  int Corrected(int value, int sixteenths) const {
    const int err = std::clamp((sixteenths + (sixteenths >= 0 ? 8 : -8)) / 16, -errorLimit, errorLimit);
    return std::clamp(value + err, 0, 255);
  }

  void MapRow(const std::uint8_t* in, std::uint8_t* out) {
    if (grey) {
      for (int x = 0; x < width; ++x) bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = in[x];
      in = bgr.data();
    }
    if (diffuse) {
      MapDiffused(in, out);
    } else {
      MapPlain(in, out);
    }
  }

  NearestMap map;
  bool grey;
  bool diffuse;
  int width;
  int row = 0;
  int errorLimit;
  int diffusion;
  std::vector<int> errors;
  std::vector<std::uint8_t> bgr;
  std::array<int, 511> diffused{};  // the part of a difference passed on
};

DthContext* DthOpen() { return new (std::nothrow) DthContext; }

DthStats* DthGetStats(DthContext* context) {
  if (context == nullptr) return nullptr;
  if (!context->stats) {
    try {
      context->stats = std::make_unique<DthStats>();
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return context->stats.get();
}

void DthAddRow(const std::uint8_t* row, int width, DthStats* stats) {
  if (row == nullptr || stats == nullptr || width <= 0) return;
  stats->histogram.AddRow(row, width);
}

int DthChooseColours(DthStats* stats, std::uint8_t* /*scratch*/, int wanted) {
  if (stats == nullptr || wanted < 2 || wanted > 256) return 0;
  stats->chosen = stats->histogram.ChoosePalette(wanted);
  return static_cast<int>(stats->chosen.size());
}

int DthFillPalette(DthStats* stats, DTH_LOGPALETTE* palette, std::uint8_t* /*scratch*/, int count) {
  if (stats == nullptr || palette == nullptr) return 0;
  const int n = std::min({count, static_cast<int>(stats->chosen.size()), 256});
  for (int i = 0; i < n; ++i) {
    const Colour& c = stats->chosen[i];
    palette->entries[i] = {c.r, c.g, c.b, 0};
  }
  palette->count = static_cast<std::uint16_t>(std::max(n, 0));
  return n;
}

DthDither* DthBeginDither(int colourInput, int colours, std::uint32_t modeFlags, std::uint32_t /*recordWord*/,
                          const DTH_LOGPALETTE* palette, int, int, int, int lastColumn, int) {
  const int width = lastColumn + 1;
  // An optimised palette of one colour is valid (a picture of one colour).
  const int fewest = (modeFlags & kDthModeOptimised) ? 1 : 2;
  if (width <= 0 || colours < fewest || colours > 256) return nullptr;
  std::vector<Colour> entries;
  if (modeFlags & kDthModeOptimised) {
    if (palette == nullptr) return nullptr;
    const int n = std::min<int>(colours, palette->count);
    if (n < 1) return nullptr;
    for (int i = 0; i < n; ++i) entries.push_back({palette->entries[i].peBlue, palette->entries[i].peGreen,
                                                   palette->entries[i].peRed});
  } else {
    entries = StandardPalette(colours);
    if (entries.empty()) return nullptr;
  }
  try {
    return new DthDither(std::move(entries), colourInput == 0, (modeFlags & kDthModeDiffuse) != 0, width);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void DthDitherRow(const std::uint8_t* in, std::uint8_t* out, DthDither* dither) {
  if (in == nullptr || out == nullptr || dither == nullptr) return;
  dither->MapRow(in, out);
}

void DthEndDither(DthDither* dither) { delete dither; }

void DthReleaseStats(DthContext* context) {
  if (context != nullptr) context->stats.reset();
}

void DthClose(DthContext* context) { delete context; }
