// Colour reduction of the GIF/PNG export: the update rules over depth,
// source and result types, the standard palettes, packing, and the
// quality of the optimised palette with and without dithering.
#include <gtest/gtest.h>

#include <set>

#include "files/PrepGifState.h"
#include "hostapi/dither.h"
#include "libs/dither/Quantise.h"
#include "web_support.h"

namespace lumora::testing {
namespace {

using Outcome = CPrepGIFState::Outcome;

WAPtr Solid24(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      image->Row(y)[3 * x] = b;
      image->Row(y)[3 * x + 1] = g;
      image->Row(y)[3 * x + 2] = r;
    }
  return image;
}

TEST(WebReductionPlan, EveryDepthSourceAndResultCombination) {
  // Per depth and source type, the outcome for result types 0 (none), 1,
  // 2, 4, 8 and 16: U unchanged, C copy of the source, R reduced, N the
  // 24-bit pass that reduces nothing.
  struct Row {
    int d, s;
    const char* outcomes;
  };
  const Row table[] = {
      {1, 1, "UUUUUU"},  {1, 2, "RRRRRR"},  {1, 4, "RRRRRR"},  {1, 8, "RRRRRR"},  {1, 16, "RRRRRR"},
      {4, 1, "UUUUUU"},  {4, 2, "CCUCCC"},  {4, 4, "RRRRRR"},  {4, 8, "RRRRRR"},  {4, 16, "RRRRRR"},
      {8, 1, "UUUUUU"},  {8, 2, "UUUUUU"},  {8, 4, "CCCUCC"},  {8, 8, "CCCCUC"},  {8, 16, "RRRRRR"},
      {24, 1, "NNNNNN"}, {24, 2, "NNNNNN"}, {24, 4, "NNNNNN"}, {24, 8, "NNNNNN"}, {24, 16, "CCCCCN"},
  };
  const int results[] = {0, 1, 2, 4, 8, 16};
  for (const Row& row : table) {
    for (int i = 0; i < 6; ++i) {
      const Outcome expected = row.outcomes[i] == 'U'   ? Outcome::kUnchanged
                               : row.outcomes[i] == 'C' ? Outcome::kCopied
                               : row.outcomes[i] == 'R' ? Outcome::kReduced
                                                        : Outcome::kNotReduced;
      EXPECT_EQ(CPrepGIFState::Plan(row.d, row.s, results[i]), expected)
          << "d=" << row.d << " s=" << row.s << " r=" << results[i];
    }
  }
}

TEST(WebReduction, StandardPalettesAndTheirIndices) {
  CPrepGIFState state;
  WAPtr source = Solid24(8, 2, 255, 0, 0);
  for (int x = 0; x < 8; ++x) {  // row 1: red, blue, white, black, then greys
    const std::uint8_t colours[8][3] = {{0, 0, 255}, {255, 0, 0}, {255, 255, 255}, {0, 0, 0},
                                        {0, 255, 0}, {0, 255, 255}, {102, 51, 204}, {255, 0, 255}};
    std::copy(colours[x], colours[x] + 3, source->Row(1) + 3 * x);
  }
  state.SetSource(source.get());
  state.paletteChoice = 0;
  state.dither = 0;

  state.depthBits = 8;
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  const VrWA2000::WA* result = state.Result();
  ASSERT_EQ(result->GetType(), kWAType8Palette);
  for (int i = 0; i < 256; ++i) {
    const PALETTEENTRY& e = result->Palette()[i];
    if (i < 216) {
      EXPECT_EQ(e.peRed, 51 * (i / 36));
      EXPECT_EQ(e.peGreen, 51 * (i / 6 % 6));
      EXPECT_EQ(e.peBlue, 51 * (i % 6));
    } else {
      EXPECT_EQ(e.peRed + e.peGreen + e.peBlue, 0) << i;
    }
  }
  // Red 36*5, blue 5, white 215, black 0, green 30, yellow 210, (204,51,102) 36*4+6+2.
  const int cube[8] = {180, 5, 215, 0, 30, 210, 152, 185};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(result->Row(1)[x], cube[x]) << x;

  state.depthBits = 4;
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  result = state.Result();
  ASSERT_EQ(result->GetType(), kWAType4Bit);
  const std::uint8_t* row = result->Row(1);
  // Red 1, blue 4, white 7, black 0, green 2, yellow 3, (204, 51, 102) nearest red 1, magenta 5.
  EXPECT_EQ(row[0], 0x14);
  EXPECT_EQ(row[1], 0x70);
  EXPECT_EQ(row[2], 0x23);
  EXPECT_EQ(row[3], 0x15);
  EXPECT_EQ(result->Palette()[3].peRed, 255);
  EXPECT_EQ(result->Palette()[3].peGreen, 255);
  EXPECT_EQ(result->Palette()[3].peBlue, 0);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(result->Palette()[i].peRed + result->Palette()[i].peBlue, 0);

  // Depth 24 restores the unreduced copy.
  state.depthBits = 24;
  ASSERT_EQ(state.Update(), Outcome::kCopied);
  EXPECT_EQ(TopDownRGB(*state.Result()), TopDownRGB(*source));
  EXPECT_EQ(state.Update(), Outcome::kNotReduced);
}

TEST(WebReduction, OneBitPacksEightPixelsAByteFromTheTop) {
  CPrepGIFState state;
  WAPtr source = Solid24(10, 3, 0, 0, 0);
  for (int x : {0, 2, 7, 8, 9}) std::fill(source->Row(0) + 3 * x, source->Row(0) + 3 * x + 3, 255);
  state.SetSource(source.get());
  state.depthBits = 1;
  state.dither = 0;
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  const VrWA2000::WA* result = state.Result();
  ASSERT_EQ(result->GetType(), kWAType1Bit);
  EXPECT_EQ(result->Row(0)[0], 0xA1);
  EXPECT_EQ(result->Row(0)[1], 0xC0);  // pixels 8 and 9 in the top bits, the rest clear
  EXPECT_EQ(result->Row(1)[0], 0);
  EXPECT_EQ(result->Palette()[1].peRed, 255);
  // A 1-bit source cannot go to 1 or 4 bits: nothing at all changes.
  CPrepGIFState again;
  again.SetSource(state.Result());
  again.depthBits = 1;
  EXPECT_EQ(again.Update(), Outcome::kUnchanged);
  EXPECT_EQ(again.Result(), nullptr);
}

TEST(WebReduction, PalettedSourcesCopyOrReduceThroughTheirPalette) {
  PALETTEENTRY palette[256] = {};
  for (int i = 0; i < 256; ++i) palette[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
  WAPtr source = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, 16, 4, palette));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 16; ++x) source->Row(y)[x] = static_cast<std::uint8_t>(x * 16 + y);
  CPrepGIFState state;
  state.SetSource(source.get());
  state.depthBits = 8;
  ASSERT_EQ(state.Update(), Outcome::kCopied);
  EXPECT_EQ(TopDownRGB(*state.Result()), TopDownRGB(*source));
  EXPECT_EQ(state.Update(), Outcome::kUnchanged);
  // A grey table drives the 1-bit reduction: (r + g + b + 1) / 3.
  state.depthBits = 1;
  state.dither = 0;
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  for (int x = 0; x < 16; ++x) {
    const PALETTEENTRY& e = palette[x * 16];
    const int grey = (e.peRed + e.peGreen + e.peBlue + 1) / 3;
    const int bit = (state.Result()->Row(0)[x >> 3] >> (7 - (x & 7))) & 1;
    EXPECT_EQ(bit, grey >= 128 ? 1 : 0) << x;
  }
  // 4 bits through the source's palette, then a 4-bit source copies.
  state.depthBits = 4;
  state.paletteChoice = 1;
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  CPrepGIFState four;
  four.SetSource(state.Result());
  four.depthBits = 1;
  ASSERT_EQ(four.Update(), Outcome::kReduced);
  four.depthBits = 4;
  ASSERT_EQ(four.Update(), Outcome::kCopied);
  EXPECT_EQ(TopDownRGB(*four.Result()), TopDownRGB(*state.Result()));
}

TEST(WebReduction, OptimisedPaletteKeepsFewColoursExactly) {
  WAPtr source = Solid24(30, 20, 10, 20, 30);
  const std::uint8_t colours[5][3] = {{1, 2, 3}, {2, 2, 3}, {250, 0, 7}, {128, 128, 128}, {0, 255, 1}};
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) std::copy(colours[(x + y) % 5], colours[(x + y) % 5] + 3, source->Row(y) + 3 * x);
  for (int depth : {8, 4}) {
    for (int dither : {0, 1}) {
      CPrepGIFState state;
      state.SetSource(source.get());
      state.depthBits = depth;
      state.dither = dither;
      ASSERT_EQ(state.Update(), Outcome::kReduced);
      EXPECT_EQ(TopDownRGB(*state.Result()), TopDownRGB(*source)) << depth << " " << dither;
    }
  }
}

// The palette serves a photograph well: no worse than a fixed bar, dithered
// or not, and dithering keeps the local average of a smooth ramp.
TEST(WebReduction, OptimisedPaletteQualityOnAPhotoLikeImage) {
  WAPtr source = PhotoLike(320, 240);
  const std::vector<std::uint8_t> original = TopDownRGB(*source);
  for (int dither : {0, 1}) {
    CPrepGIFState state;
    state.SetSource(source.get());
    state.dither = dither;
    ASSERT_EQ(state.Update(), Outcome::kReduced);
    const double psnr = PSNR(original, TopDownRGB(*state.Result()));
    EXPECT_GT(psnr, dither ? 32.5 : 33.5) << "dither " << dither;
    std::set<int> used(state.Result()->Row(0), state.Result()->Row(0) + 320);
    EXPECT_GT(used.size(), 20u);
  }
  // A grey ramp dithered to black and white keeps each column block's mean.
  WAPtr ramp = WAPtr::Adopt(NewWA(kWAType8Grey, 256, 64, nullptr));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) ramp->Row(y)[x] = static_cast<std::uint8_t>(x);
  CPrepGIFState bw;
  bw.SetSource(ramp.get());
  bw.depthBits = 1;
  bw.dither = 1;
  ASSERT_EQ(bw.Update(), Outcome::kReduced);
  for (int block = 0; block < 256; block += 32) {
    int set = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = block; x < block + 32; ++x) set += (bw.Result()->Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
    EXPECT_NEAR(255.0 * set / (32 * 64), block + 15.5, 6.0) << block;
  }
}

// The k-means passes start each colour's search at its centre of the pass
// before; the palettes are the plain search's, byte for byte: on photos,
// on noise, and on a lattice of colours whose centres lie at equal
// distances from many colours (ties, which the plain search settles).
TEST(WebReduction, OptimisedPaletteIsThePlainSearchsPalette) {
  std::vector<WAPtr> images{PhotoLike(320, 240, 1), PhotoLike(200, 150, 7)};
  WAPtr noise = WAPtr::Adopt(NewWA(kWAType24, 128, 96, nullptr));
  std::uint32_t seed = 99;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 3 * 128; ++x) noise->Row(y)[x] = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  images.push_back(noise);
  WAPtr lattice = WAPtr::Adopt(NewWA(kWAType24, 64, 64, nullptr));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      lattice->Row(y)[3 * x] = static_cast<std::uint8_t>(32 * (x % 8) + 16);
      lattice->Row(y)[3 * x + 1] = static_cast<std::uint8_t>(32 * (y % 8) + 16);
      lattice->Row(y)[3 * x + 2] = static_cast<std::uint8_t>(32 * ((x / 8 + y / 8) % 8) + 16);
    }
  images.push_back(lattice);
  using dither::Histogram;
  for (std::size_t i = 0; i < images.size(); ++i) {
    Histogram histogram;
    for (int y = 0; y < images[i]->GetH(); ++y) histogram.AddRow(images[i]->Row(y), images[i]->GetW());
    for (int wanted : {2, 16, 100, 256}) {
      const std::vector<dither::Colour> guided = histogram.ChoosePalette(wanted);
      const std::vector<dither::Colour> plain = histogram.ChoosePalette(wanted, Histogram::CentreSearch::kPlain);
      ASSERT_EQ(guided.size(), plain.size()) << "image " << i << " wanted " << wanted;
      for (std::size_t k = 0; k < plain.size(); ++k) {
        EXPECT_TRUE(guided[k].b == plain[k].b && guided[k].g == plain[k].g && guided[k].r == plain[k].r)
            << "image " << i << " wanted " << wanted << " entry " << k;
      }
    }
  }
}

// Error diffusion as written out plainly (serpentine Floyd-Steinberg in
// sixteenths through the whole error rows, clamped, the diffused share by
// division) maps every pixel to the index the library gives, for large
// palettes (four fifths diffused, error limit 64) and small ones (all of
// it, no limit), over several rows of both directions.
TEST(WebReduction, DiffusionMatchesThePlainWalk) {
  WAPtr photo = PhotoLike(97, 23, 3);
  const int width = photo->GetW(), height = photo->GetH();
  for (const int colours : {256, 16, 2}) {
    SCOPED_TRACE(colours);
    dither::Histogram histogram;
    for (int y = 0; y < height; ++y) histogram.AddRow(photo->Row(y), width);
    const std::vector<dither::Colour> chosen = histogram.ChoosePalette(colours);
    DTH_LOGPALETTE record{};
    record.count = static_cast<std::uint16_t>(chosen.size());
    for (std::size_t i = 0; i < chosen.size(); ++i) record.entries[i] = {chosen[i].r, chosen[i].g, chosen[i].b, 0};
    DthDither* handle = DthBeginDither(1, static_cast<int>(chosen.size()), kDthModeOptimised | kDthModeDiffuse, 0,
                                       &record, 0, 0, 0, width - 1, 0);
    ASSERT_NE(handle, nullptr);
    dither::NearestMap map(chosen, 2);
    const int percent = map.Size() <= 16 ? 100 : 80, limit = map.Size() <= 16 ? 255 : 64;
    std::vector<int> errors(2 * 3 * (width + 2), 0);
    std::vector<std::uint8_t> got(static_cast<std::size_t>(width)), want(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
      DthDitherRow(photo->Row(y), got.data(), handle);
      int* current = errors.data() + (y & 1) * 3 * (width + 2);
      int* next = errors.data() + ((y + 1) & 1) * 3 * (width + 2);
      std::fill(next, next + 3 * (width + 2), 0);
      const int step = (y & 1) == 0 ? 1 : -1;
      for (int n = 0, x = step > 0 ? 0 : width - 1; n < width; ++n, x += step) {
        int v[3];
        for (int c = 0; c < 3; ++c) {
          const int e = current[3 * (x + 1) + c];
          v[c] = std::clamp(photo->Row(y)[3 * x + c] + std::clamp((e + (e >= 0 ? 8 : -8)) / 16, -limit, limit), 0, 255);
        }
        const int index = map.Nearest(v[0], v[1], v[2]);
        want[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
        const dither::Colour& e = map.Entry(index);
        const int diff[3] = {(v[0] - e.b) * percent / 100, (v[1] - e.g) * percent / 100, (v[2] - e.r) * percent / 100};
        for (int c = 0; c < 3; ++c) {
          current[3 * (x + 1 + step) + c] += diff[c] * 7;
          next[3 * (x + 1 - step) + c] += diff[c] * 3;
          next[3 * (x + 1) + c] += diff[c] * 5;
          next[3 * (x + 1 + step) + c] += diff[c];
        }
      }
      ASSERT_EQ(got, want) << "row " << y;
    }
    DthEndDither(handle);
  }
}

// One dialog's state keeps the source's statistics and optimised palettes
// while the source stays: every change of depth and dithering gives the
// bytes (pixels and palette) of a state whose source is set again before
// each change (nothing kept), through the same changes.
TEST(WebReduction, KeptStatisticsGiveWhatAFreshReductionGives) {
  WAPtr source = PhotoLike(160, 120, 5);
  auto bytes = [](const VrWA2000::WA& image) {
    std::vector<std::uint8_t> all;
    for (int y = 0; y < image.GetH(); ++y) all.insert(all.end(), image.Row(y), image.Row(y) + image.GetBPLine());
    const auto* palette = reinterpret_cast<const std::uint8_t*>(image.Palette());
    if (image.GetType() != kWAType24) all.insert(all.end(), palette, palette + 256 * sizeof(PALETTEENTRY));
    return all;
  };
  CPrepGIFState kept, fresh;
  kept.SetSource(source.get());
  kept.paletteChoice = fresh.paletteChoice = 1;
  const struct {
    int depth, dither;
  } steps[] = {{4, 1}, {1, 1}, {8, 1}, {4, 0}, {8, 0}, {4, 1}, {8, 1}};
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.depth) + " dither " + std::to_string(step.dither));
    kept.depthBits = fresh.depthBits = step.depth;
    kept.dither = fresh.dither = step.dither;
    fresh.SetSource(source.get());
    ASSERT_EQ(kept.Update(), Outcome::kReduced);
    ASSERT_EQ(fresh.Update(), Outcome::kReduced);
    EXPECT_EQ(bytes(*kept.Result()), bytes(*fresh.Result()));
    EXPECT_EQ(kept.CompressedSize(), fresh.CompressedSize());
  }
}

// A picture of one colour reduces to 4 bits with the optimised palette (one
// used entry is a valid palette). A reduction that fails says so and
// leaves no result, so that no later save writes the old depth.
TEST(WebReduction, OneColourReducesAndAFailedReductionLeavesNoResult) {
  WAPtr source = Solid24(40, 30, 200, 100, 50);
  for (int depth : {4, 8}) {
    CPrepGIFState state;
    state.SetSource(source.get());
    state.depthBits = depth;
    ASSERT_EQ(state.Update(), Outcome::kReduced) << depth;
    ASSERT_NE(state.Result(), nullptr);
    EXPECT_EQ(state.Result()->GetType(), depth == 4 ? kWAType4Bit : kWAType8Palette);
    EXPECT_EQ(TopDownRGB(*state.Result()), TopDownRGB(*source)) << depth;
  }

  CPrepGIFState state;
  state.SetSource(source.get());
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  ASSERT_EQ(state.Result()->GetType(), kWAType8Palette);
  state.depthBits = 4;
  // No room for the 4-bit result.
  VrWA2000::ReadWA::MM_SetMemoryLimits(VrWA2000::ReadWA::MM_BytesInUse() + 16);
  const Outcome outcome = state.Update();
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
  EXPECT_EQ(outcome, Outcome::kFailed);
  EXPECT_EQ(state.Result(), nullptr) << "the 8-bit result is gone";
  EXPECT_FALSE(state.FailureText().empty());
  Scratch folder;
  std::string error;
  EXPECT_FALSE(state.SaveGIF(folder("x.gif"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(folder("x.gif")));
  // The next update that works brings a result back and clears the text.
  ASSERT_EQ(state.Update(), Outcome::kReduced);
  EXPECT_EQ(state.Result()->GetType(), kWAType4Bit);
  EXPECT_TRUE(state.FailureText().empty());
}

TEST(WebReduction, DitherLibraryRefusesBadArguments) {
  EXPECT_EQ(DthBeginDither(1, 216, 0, 0, nullptr, 0, 0, 0, -1, 0), nullptr);
  EXPECT_EQ(DthBeginDither(1, 100, 0, 0, nullptr, 0, 0, 0, 9, 0), nullptr);
  EXPECT_EQ(DthBeginDither(1, 16, kDthModeOptimised, 0, nullptr, 0, 0, 0, 9, 0), nullptr);
  DthContext* context = DthOpen();
  DthStats* stats = DthGetStats(context);
  ASSERT_NE(stats, nullptr);
  std::uint8_t scratch[kDthScratchBytes];
  EXPECT_EQ(DthChooseColours(stats, scratch, 256), 0);  // no pixels yet
  EXPECT_EQ(DthChooseColours(stats, scratch, 300), 0);
  DthReleaseStats(context);
  DthClose(context);
}

}  // namespace
}  // namespace lumora::testing
