// The printing library's page arithmetic.
#include "libs/print/layout.h"

#include <algorithm>
#include <cstring>
#include <cmath>

namespace lumora::print {
namespace {

int MmToDevice(int hundredthsMm, int dpi) {
  return static_cast<int>(std::llround(static_cast<double>(hundredthsMm) * dpi / 2540.0));
}

}  // namespace

Box PlaceImage(const PageGeometry& page, const PageSetup& setup, int imageWidth, int imageHeight, int imageDpiX,
               int imageDpiY, int reserve, int captionHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || page.dpiX <= 0 || page.dpiY <= 0) return {};
  // The room in page coordinates: the margins' rectangle within the
  // printable area.
  Box room;
  room.left = std::max(page.offsetX, MmToDevice(setup.marginLeft, page.dpiX));
  room.top = std::max(page.offsetY, MmToDevice(setup.marginTop, page.dpiY));
  room.right = std::min(page.offsetX + page.printableWidth, page.pageWidth - MmToDevice(setup.marginRight, page.dpiX));
  room.bottom =
      std::min(page.offsetY + page.printableHeight, page.pageHeight - MmToDevice(setup.marginBottom, page.dpiY));
  room.left += reserve;
  room.top += reserve;
  room.right -= reserve;
  room.bottom -= reserve + captionHeight;
  if (room.Empty()) return {};
  const double dpiX = imageDpiX > 0 ? imageDpiX : kDefaultImageDpi;
  const double dpiY = imageDpiY > 0 ? imageDpiY : kDefaultImageDpi;
  double w = imageWidth * page.dpiX / dpiX;
  double h = imageHeight * page.dpiY / dpiY;
  const double scale = std::min(room.Width() / w, room.Height() / h);
  if (setup.fit || scale < 1.0) {
    w *= scale;
    h *= scale;
  }
  const int iw = std::max(1, std::min(room.Width(), static_cast<int>(std::floor(w + 0.5))));
  const int ih = std::max(1, std::min(room.Height(), static_cast<int>(std::floor(h + 0.5))));
  Box image;
  image.left = room.left + (room.Width() - iw) / 2 - page.offsetX;
  image.top = room.top + (room.Height() - ih) / 2 - page.offsetY;
  image.right = image.left + iw;
  image.bottom = image.top + ih;
  return image;
}

int MarkGap(int dpi) { return std::max(1, dpi / 8); }
int MarkLength(int dpi) { return std::max(2, dpi / 2); }
int MarksReserve(int dpi) { return MarkGap(dpi) + MarkLength(dpi); }

Marks PlaceMarks(const Box& image, int dpiX, int dpiY) {
  Marks m;
  const int gx = MarkGap(dpiX), lx = MarkLength(dpiX);
  const int gy = MarkGap(dpiY), ly = MarkLength(dpiY);
  const int xs[2] = {image.left, image.right - 1};
  const int ys[2] = {image.top, image.bottom - 1};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const int x = xs[i], y = ys[j];
      const int dx = i == 0 ? -1 : 1, dy = j == 0 ? -1 : 1;
      // Horizontal: along the image's top or bottom edge, outside it.
      m.crop.push_back({x + dx * gx, y, x + dx * (gx + lx), y});
      // Vertical: along the left or right edge.
      m.crop.push_back({x, y + dy * gy, x, y + dy * (gy + ly)});
    }
  }
  const int midX = (image.left + image.right) / 2, midY = (image.top + image.bottom) / 2;
  m.registrationRadius = std::max(1, std::min(lx, ly) / 4);
  const int cx[4] = {midX, image.right - 1 + gx + lx / 2, midX, image.left - gx - lx / 2};
  const int cy[4] = {image.top - gy - ly / 2, midY, image.bottom - 1 + gy + ly / 2, midY};
  for (int k = 0; k < 4; ++k) {
    m.registrationX[k] = cx[k];
    m.registrationY[k] = cy[k];
    const int r = m.registrationRadius + m.registrationRadius / 2;
    m.registrationCross.push_back({cx[k] - r, cy[k], cx[k] + r, cy[k]});
    m.registrationCross.push_back({cx[k], cy[k] - r, cx[k], cy[k] + r});
  }
  m.captionX = midX;
  m.captionY = image.bottom + gy + ly + gy;
  return m;
}

int BandRows(std::int64_t bytesPerRow, int imageHeight, std::size_t budget) {
  if (imageHeight <= 0) return 0;
  if (bytesPerRow <= 0) return imageHeight;
  const std::int64_t rows = static_cast<std::int64_t>(budget) / bytesPerRow;
  return static_cast<int>(std::clamp<std::int64_t>(rows, 1, imageHeight));
}

int BandEdge(int row, int imageHeight, int destHeight) {
  if (imageHeight <= 0) return 0;
  return static_cast<int>(static_cast<std::int64_t>(row) * destHeight / imageHeight);
}

int SourceIndex(int dest, int destSize, int sourceSize) {
  if (destSize <= 0 || sourceSize <= 0) return 0;
  // floor((dest + 1/2) * sourceSize / destSize)
  const std::int64_t i = (2 * static_cast<std::int64_t>(dest) + 1) * sourceSize / (2 * static_cast<std::int64_t>(destSize));
  return static_cast<int>(std::clamp<std::int64_t>(i, 0, sourceSize - 1));
}

void PickColumns(const std::uint8_t* src, int bytesPerPixel, const std::vector<int>& columns, std::uint8_t* out) {
  if (bytesPerPixel == 3) {
    for (const int x : columns) {
      const std::uint8_t* p = src + 3 * static_cast<std::ptrdiff_t>(x);
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      out += 3;
    }
    return;
  }
  for (const int x : columns) {
    std::memcpy(out, src + static_cast<std::ptrdiff_t>(x) * bytesPerPixel, static_cast<std::size_t>(bytesPerPixel));
    out += bytesPerPixel;
  }
}

}  // namespace lumora::print
