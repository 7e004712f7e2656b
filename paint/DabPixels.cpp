// One dab into the stroke's work buffers, and the preview blend.
#include "paint/DabPixels.h"

#include <algorithm>

#include "engine/pixels/ColorModels.h"
#include "platform/rect.h"

namespace paint {
namespace {

struct Rgb {
  int r, g, b;
};

// The colour a pixel takes under a colour rule, or false when the rule
// leaves the pixel.
bool ApplyColourRule(int mode, const Rgb& colour, int hb, int sb, int vb, const Rgb& src, Rgb* out) {
  int hs, ss, vs;
  RGBToHSV(src.r, src.g, src.b, hs, ss, vs);
  switch (mode) {
    case 1: *out = colour; return vs > vb;
    case 2: *out = colour; return vs < vb;
    case 3: HSVToRGB(hb, sb, vs, out->r, out->g, out->b); return true;
    case 4: HSVToRGB(hs, ss, vb, out->r, out->g, out->b); return true;
    case 5: HSVToRGB(hb, ss, vs, out->r, out->g, out->b); return true;
    case 6: HSVToRGB(hs, sb, vs, out->r, out->g, out->b); return true;
    default: *out = colour; return true;
  }
}

// Paint-over of one channel where coverage c meets accumulated coverage m
// (both below 255): the two coverages combine to D / 255 with
// D = 65025 - (255 - c)(255 - m), and the old colour keeps the share
// (255 - c) m of D.
inline std::uint8_t MixChannel(int colour, int old, int c, int m, int d) {
  return static_cast<std::uint8_t>((colour * c * 255 + old * (255 - c) * m) / d);
}

}  // namespace

void BlendPixel(std::uint8_t* px, const std::uint8_t* colour, int channels, int c, std::uint8_t* m) {
  if (c == 255) {
    std::copy(colour, colour + channels, px);
    *m = 255;
    return;
  }
  if (*m == 255) {
    for (int k = 0; k < channels; ++k) px[k] = static_cast<std::uint8_t>(Div255(colour[k] * c + px[k] * (255 - c)));
    return;
  }
  const int d = 65025 - (255 - c) * (255 - *m);
  for (int k = 0; k < channels; ++k) px[k] = MixChannel(colour[k], px[k], c, *m, d);
  *m = static_cast<std::uint8_t>(Div255(static_cast<std::uint32_t>(d)));
}

void StoreColour(int red, int green, int blue, int channels, std::uint8_t* out) {
  if (channels == 1) {
    out[0] = static_cast<std::uint8_t>(GreyOf(red, green, blue));
  } else {
    out[0] = static_cast<std::uint8_t>(blue);
    out[1] = static_cast<std::uint8_t>(green);
    out[2] = static_cast<std::uint8_t>(red);
  }
}

namespace {

void StoreColour(const Rgb& c, int channels, std::uint8_t* out) { paint::StoreColour(c.r, c.g, c.b, channels, out); }

Rgb SourcePixel(const std::uint8_t* p, int channels) {
  return channels == 1 ? Rgb{p[0], p[0], p[0]} : Rgb{p[2], p[1], p[0]};
}

void WriteAuxRow(const DabJob& job, const RECT& r, int y) {
  const int ly = y - job.layerOrigin.y;
  std::uint8_t* aux = job.aux.Row(y - job.paintRect.top) - job.paintRect.left;
  const std::uint8_t* paperRow =
      job.paper.Present() ? job.paper.Row(ly % job.paper.height) : nullptr;
  for (int x = r.left; x < r.right; ++x) {
    const int lx = x - job.layerOrigin.x;
    const int a = job.selection ? job.selection->CoverageAt(lx, ly) : 255;
    aux[x] = paperRow ? static_cast<std::uint8_t>(Div255((255 - paperRow[lx % job.paper.width]) * a))
                      : static_cast<std::uint8_t>(a);
  }
}

// Coverage only: the colour is set and the coverage accumulates as
// 255 - (255 - m)(255 - c) / 255.
void PlainRow(const DabJob& job, const RECT& r, int y, const std::uint8_t* colour, int channels,
              const std::uint8_t* maskRow) {
  std::uint8_t* img = job.paintImage.Row(y - job.paintRect.top);
  std::uint8_t* cov = job.paintMask.Row(y - job.paintRect.top) - job.paintRect.left;
  for (int x = r.left; x < r.right; ++x) {
    const std::uint32_t c = Div255(maskRow[x - job.dab.left] * static_cast<std::uint32_t>(job.pressure));
    if (c == 0) continue;
    cov[x] = static_cast<std::uint8_t>(255 - Div255((255u - cov[x]) * (255u - c)));
    std::copy(colour, colour + channels, img + (x - job.paintRect.left) * channels);
  }
}

void RuleRow(const DabJob& job, const RECT& r, int y, const Rgb& colour, int channels,
             const std::uint8_t* maskRow, int hb, int sb, int vb) {
  std::uint8_t* img = job.paintImage.Row(y - job.paintRect.top);
  std::uint8_t* cov = job.paintMask.Row(y - job.paintRect.top) - job.paintRect.left;
  const int ly = y - job.layerOrigin.y;
  const bool hasSource = job.source.Present() && ly >= 0 && ly < job.source.height;
  const std::uint8_t* src = hasSource ? job.source.Row(ly) : nullptr;
  std::uint8_t plainColour[3];
  StoreColour(colour, channels, plainColour);
  for (int x = r.left; x < r.right; ++x) {
    const int c = static_cast<int>(Div255(maskRow[x - job.dab.left] * static_cast<std::uint32_t>(job.pressure)));
    if (c == 0) continue;
    const std::uint8_t* paint = plainColour;
    std::uint8_t ruled[3];
    if (job.colourMode != kColourPlain) {
      const int lx = x - job.layerOrigin.x;
      if (!src || lx < 0 || lx >= job.source.width) continue;
      Rgb out;
      if (!ApplyColourRule(job.colourMode, colour, hb, sb, vb, SourcePixel(src + lx * channels, channels), &out)) {
        continue;
      }
      StoreColour(out, channels, ruled);
      paint = ruled;
    }
    BlendPixel(img + (x - job.paintRect.left) * channels, paint, channels, c, &cov[x]);
  }
}

}  // namespace

RECT PaintDabPixels(const DabJob& job) {
  RECT r{};
  if ((job.imageType != 8 && job.imageType != 16) || !job.paintImage.Present() || !job.paintMask.Present() ||
      !job.mask || !lumora::RectIntersect(&r, job.dab, job.paintRect)) {
    return RECT{};
  }
  const int channels = job.imageType == 16 ? 3 : 1;
  const Rgb colour{job.red, job.green, job.blue};
  std::uint8_t plainColour[3];
  StoreColour(colour, channels, plainColour);
  int hb = 0, sb = 0, vb = 0;
  if (job.colourMode != kColourPlain) RGBToHSV(colour.r, colour.g, colour.b, hb, sb, vb);
  const int dabWidth = job.dab.right - job.dab.left;
  const bool hasPaper = job.paper.Present() && job.paper.width > 0 && job.paper.height > 0;
  for (int y = r.top; y < r.bottom; ++y) {
    if (job.aux.Present()) {
      DabJob auxJob = job;
      if (!hasPaper) auxJob.paper = PlaneView{};
      WriteAuxRow(auxJob, r, y);
    }
    const std::uint8_t* maskRow = job.mask + static_cast<std::ptrdiff_t>(y - job.dab.top) * dabWidth;
    if (job.plain) {
      PlainRow(job, r, y, plainColour, channels, maskRow);
    } else {
      RuleRow(job, r, y, colour, channels, maskRow, hb, sb, vb);
    }
  }
  return r;
}

void PaintDabPreview(const PlaneView& dest, const RECT& destRect, const RECT& dab, const std::uint8_t* mask,
                     int pressure, int imageType, int red, int green, int blue) {
  RECT r{};
  if ((imageType != 8 && imageType != 16) || !dest.Present() || !mask || !lumora::RectIntersect(&r, dab, destRect)) {
    return;
  }
  const int channels = imageType == 16 ? 3 : 1;
  std::uint8_t colour[3];
  StoreColour(Rgb{red, green, blue}, channels, colour);
  const int dabWidth = dab.right - dab.left;
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint8_t* out = dest.Row(y - destRect.top);
    const std::uint8_t* maskRow = mask + static_cast<std::ptrdiff_t>(y - dab.top) * dabWidth;
    for (int x = r.left; x < r.right; ++x) {
      const std::uint32_t c = Div255(maskRow[x - dab.left] * static_cast<std::uint32_t>(pressure));
      std::uint8_t* px = out + (x - destRect.left) * channels;
      for (int k = 0; k < channels; ++k) px[k] = static_cast<std::uint8_t>(Div255(colour[k] * c + px[k] * (255 - c)));
    }
  }
}

}  // namespace paint
