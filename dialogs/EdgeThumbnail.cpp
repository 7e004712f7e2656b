// Edge template thumbnails and the template reader.
#include "dialogs/EdgeThumbnail.h"

#include <algorithm>

#include "engine/pixels/Div255.h"

namespace lumora {

namespace {
std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

EdgeTemplate ReadEdgeTemplateDib(const std::uint8_t* dib, std::size_t size) {
  EdgeTemplate out;
  if (dib == nullptr || size < 40 || Le32(dib) < 40 || Le32(dib) > size) return out;
  const auto width = static_cast<std::int32_t>(Le32(dib + 4));
  const auto rawHeight = static_cast<std::int32_t>(Le32(dib + 8));
  if ((dib[14] | dib[15] << 8) != 8 || Le32(dib + 16) != 0) return out;
  if (width <= 0 || width > 4096 || rawHeight == 0 || rawHeight < -4096 || rawHeight > 4096) return out;
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  std::uint32_t colours = Le32(dib + 32);
  if (colours == 0) colours = 256;
  if (colours > 256) return out;
  const std::size_t bits = Le32(dib) + static_cast<std::size_t>(colours) * 4;
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~static_cast<std::size_t>(3);
  if (bits > size || stride * height > size - bits) return out;
  out.width = width;
  out.height = height;
  out.values.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = dib + bits + stride * (rawHeight > 0 ? y : height - 1 - y);
    // The palette is a grey ramp: the index is the coverage. Another
    // palette is read through its blue entries.
    const std::uint8_t* palette = dib + Le32(dib);
    for (int x = 0; x < width; ++x)
      out.values[static_cast<std::size_t>(y) * width + x] = row[x] < colours ? palette[row[x] * 4] : 0;
  }
  return out;
}

Picture24 ScalePicture(const Picture24& source, int w, int h) {
  Picture24 out;
  if (source.Empty() || w <= 0 || h <= 0) return out;
  out.width = w;
  out.height = h;
  out.bgr.resize(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::copy_n(source.Pixel(static_cast<int>(static_cast<long long>(x) * source.width / w),
                               static_cast<int>(static_cast<long long>(y) * source.height / h)),
                  3, out.Pixel(x, y));
  return out;
}

Picture24 EdgeThumbnail(const Picture24& preview, const EdgeTemplate& tpl, std::uint32_t edgeColor, int lighting) {
  Picture24 out = preview;
  if (out.Empty() || tpl.width <= 0 || tpl.height <= 0) return out;
  const int w = out.width, h = out.height;
  const unsigned edge[3] = {(edgeColor >> 16) & 0xFF, (edgeColor >> 8) & 0xFF, edgeColor & 0xFF};
  auto m = [&](int x, int y) {
    return tpl.values[static_cast<std::size_t>(static_cast<long long>(y) * tpl.height / h) * tpl.width +
                      static_cast<std::size_t>(static_cast<long long>(x) * tpl.width / w)];
  };
  const int d = std::max(w, h) * 3 / 100;
  const int dx = lighting == 1 || lighting == 3 ? -d : d;
  const int dy = lighting == 1 || lighting == 2 ? d : -d;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = out.Pixel(x, y);
      const unsigned v = m(x, y);
      // (c x (255 - m) + m x edge) / 255 stays within 255 x 255.
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(Div255(p[c] * (255 - v) + v * edge[c]));
      if (lighting == 0 || v <= 191) continue;
      const int sx = x + dx, sy = y + dy;
      if (sx <= 0 || sy <= 0 || sx >= w - 1 || sy >= h - 1) continue;
      const unsigned v2 = m(sx, sy);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(Div255(p[c] * (255 - v2) / 2 + v2 * edge[c]));
    }
  }
  return out;
}

}  // namespace lumora
